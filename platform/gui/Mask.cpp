#include "platform/gui/Mask.h"

#include "platform/gui/WinUser.h"

#include <cctype>

namespace {

bool FitsMaskChar(char mask, char key) {
    const auto c = static_cast<unsigned char>(key);
    switch (mask) {
    case '0': return std::isdigit(c) != 0;
    case '9': return std::isdigit(c) != 0 || key == ' ';
    case '#': return std::isdigit(c) != 0 || key == ' ' || key == '+' || key == '-';
    case 'L':
    case 'l': return std::isalpha(c) != 0;
    case 'A':
    case 'a': return std::isalnum(c) != 0;
    case 'C':
    case 'c': return c >= 32;
    default: return false;
    }
}

} // namespace

TCustomMaskEdit::TCustomMaskEdit(TComponent* AOwner) : TEdit(AOwner) {}

void TCustomMaskEdit::SetEditMask(const std::string& Value) {
    editMask_ = Value;
    pattern_.clear();
    literal_.clear();
    const std::string section = Value.substr(0, Value.find(';'));
    for (std::size_t i = 0; i < section.size(); ++i) {
        const char m = section[i];
        const bool escaped = m == '\\' && i + 1 < section.size();
        const char shown = escaped ? section[++i] : m;
        const bool literal = escaped || std::string("09#LlAaCc").find(m) == std::string::npos;
        pattern_ += shown;
        literal_ += literal ? '1' : '0';
    }
}

bool TCustomMaskEdit::IsLiteralAt(int Pos) const {
    return Pos >= 0 && Pos < static_cast<int>(pattern_.size()) &&
           literal_[static_cast<std::size_t>(Pos)] == '1';
}

char TCustomMaskEdit::MaskCharAt(int Pos) const {
    return pattern_[static_cast<std::size_t>(Pos)];
}

bool TCustomMaskEdit::CharFitsMask(char Key, int Pos) const {
    if (!IsMasked()) return true;
    if (Pos < 0 || Pos >= static_cast<int>(pattern_.size())) return false;
    if (IsLiteralAt(Pos)) return Key == MaskCharAt(Pos);
    return FitsMaskChar(MaskCharAt(Pos), Key);
}

int TCustomMaskEdit::FillLiterals(int Pos) {
    std::string text = Text();
    while (IsLiteralAt(Pos) && Pos == static_cast<int>(text.size())) {
        text += MaskCharAt(Pos);
        ++Pos;
    }
    if (text != Text()) {
        SetText(text);
        SetModified(true);
    }
    return Pos;
}

void TCustomMaskEdit::KeyPress(char& Key) {
    TEdit::KeyPress(Key);
    if (!IsMasked() || static_cast<unsigned char>(Key) < 32 || ReadOnly()) return;
    int pos = SelStart();
    if (SelLength() == 0) pos = FillLiterals(pos);
    SetSelStart(pos);
    // Typing a literal over its own place is taken as it is.
    if (IsLiteralAt(pos) && Key == MaskCharAt(pos)) return;
    if (!CharFitsMask(Key, pos)) {
        Key = 0;
        MessageBeep(0);
    }
}
