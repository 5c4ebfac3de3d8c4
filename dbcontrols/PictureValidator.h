// The picture validator of the data-aware controls: it checks, completes and case-converts a
// text against a picture string of the record-picture language (# digit, ? letter, & letter
// upper-cased, ~ letter lower-cased, ! any character upper-cased, @ any character, ;c a
// literal c, *n e and * e repetitions, [ ] optional parts, { } groups, "," alternatives, any
// other character a literal compared without regard to case).
//
// Results: 0 complete, 1 incomplete (a valid beginning), 2 empty, 3 error, 4 the picture is
// invalid. Pictures and texts are at most 255 characters: a longer picture is invalid (4) and a
// longer text an error (3), so no position ever wraps. The validator never raises.
#pragma once

#include "platform/rtl/Classes.h"
#include "platform/rtl/Types.h"

#include <string>

// Result codes of ApplyPicture.
constexpr Byte prComplete = 0;
constexpr Byte prIncomplete = 1;
constexpr Byte prEmpty = 2;
constexpr Byte prError = 3;
constexpr Byte prSyntax = 4;

// Options of the validator.
constexpr Word voFill = 1;
constexpr Word voTransfer = 4;

// The longest picture or text the validator works on.
constexpr std::size_t kMaxPictureLength = 255;

class TdwPictureValidator : public TObject {
    VANTREL_CLASS(TdwPictureValidator, TObject)

    // Status is 1 when Picture fails the syntax check, else 0.
    TdwPictureValidator(const std::string& Picture, bool AutoFill);

    // True with an empty picture, else unless the text is an error (3). The text may be changed:
    // case conversion, literals taken in, and auto-fill of trailing literals when the validator
    // fills and SuppressFill is false.
    virtual bool ValidateInput(std::string& Text, bool SuppressFill);
    // True with an empty picture, else when the text is complete (0) or empty (2).
    virtual bool ValidateText(const std::string& Text);
    // The result code of Text against the picture; with AutoFill, literals that must follow an
    // incomplete text are appended.
    virtual Byte ApplyPicture(std::string& Text, bool AutoFill);

    Word Status = 0;
    Word Options = voTransfer;
    std::string Picture;
};

// True when the picture is usable: not empty, at most 255 characters, not ending in ";", ending
// in "*" only after ";", and with balanced [ ] and { } (";" escapes the next character).
bool PictureSyntaxValid(const std::string& Picture);
