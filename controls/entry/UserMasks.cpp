#include "controls/entry/UserMasks.h"

namespace {
constexpr unsigned char FirstSubst = 241;
}

TVcUserData::TVcUserData() {
    TCharSet all;
    for (int c = 1; c <= 255; ++c)
        all.Include(static_cast<unsigned char>(c));
    sets_.fill(all);
    for (int i = 0; i < 8; ++i)
        substs_[static_cast<std::size_t>(i)] = static_cast<char>(FirstSubst + i);
}

int TVcUserData::UserIndex(char C) {
    return C >= '1' && C <= '8' ? C - '1' : -1;
}

int TVcUserData::SubstIndex(char Code) {
    const int c = static_cast<unsigned char>(Code);
    return c >= FirstSubst && c < FirstSubst + 8 ? c - FirstSubst : -1;
}

TCharSet TVcUserData::UserCharSet(char C) const {
    const int i = UserIndex(C);
    return i < 0 ? TCharSet() : sets_[static_cast<std::size_t>(i)];
}

void TVcUserData::SetUserCharSet(char C, const TCharSet& Value) {
    if (const int i = UserIndex(C); i >= 0) sets_[static_cast<std::size_t>(i)] = Value;
}

Byte TVcUserData::ForceCase(char C) const {
    const int i = UserIndex(C);
    return i < 0 ? fcNone : cases_[static_cast<std::size_t>(i)];
}

void TVcUserData::SetForceCase(char C, Byte Value) {
    if (const int i = UserIndex(C); i >= 0) cases_[static_cast<std::size_t>(i)] = Value;
}

char TVcUserData::SubstChar(char Code) const {
    const int i = SubstIndex(Code);
    return i < 0 ? '\0' : substs_[static_cast<std::size_t>(i)];
}

void TVcUserData::SetSubstChar(char Code, char Value) {
    if (const int i = SubstIndex(Code); i >= 0) substs_[static_cast<std::size_t>(i)] = Value;
}

void TVcUserData::Assign(TPersistent* Source) {
    if (auto* other = dynamic_cast<TVcUserData*>(Source)) {
        sets_ = other->sets_;
        cases_ = other->cases_;
        substs_ = other->substs_;
        return;
    }
    TPersistent::Assign(Source);
}

TVcUserData& DefaultUserData() {
    static TVcUserData data;
    return data;
}
