// The user mask data: what the user picture characters "1".."8" accept and how they convert
// case, and the characters the substitution codes #241..#248 of a mask stand for.
#pragma once

#include "platform/rtl/Classes.h"
#include "platform/rtl/Types.h"

#include <array>

// Case rules of a user picture character.
constexpr Byte fcNone = 0;
constexpr Byte fcUpper = 1;
constexpr Byte fcLower = 2;
constexpr Byte fcMixed = 3;

class TVcUserData : public TPersistent {
    VANTREL_CLASS(TVcUserData, TPersistent)

    // Every user character accepts the characters 1..255 with no case rule; every substitution
    // code stands for itself.
    TVcUserData();

    // The set of a user character "1".."8" (empty for any other character).
    TCharSet UserCharSet(char C) const;
    void SetUserCharSet(char C, const TCharSet& Value);
    // The case rule of a user character (fcNone for any other character).
    Byte ForceCase(char C) const;
    void SetForceCase(char C, Byte Value);
    // The character a substitution code #241..#248 stands for (#0 for any other code).
    char SubstChar(char Code) const;
    void SetSubstChar(char Code, char Value);

    void Assign(TPersistent* Source) override;

private:
    static int UserIndex(char C);
    static int SubstIndex(char Code);
    std::array<TCharSet, 8> sets_;
    std::array<Byte, 8> cases_{};
    std::array<char, 8> substs_{};
};

// The default user data every field uses.
TVcUserData& DefaultUserData();
