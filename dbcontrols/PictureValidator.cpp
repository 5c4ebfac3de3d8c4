#include "dbcontrols/PictureValidator.h"

#include "platform/rtl/Strings.h"

#include <cstring>

namespace {

// Results used while scanning only: complete but more could follow, and incomplete but not to
// be filled.
constexpr Byte prAmbiguous = 5;
constexpr Byte prIncompNoFill = 6;

bool IsComplete(Byte r) {
    return r == prComplete || r == prAmbiguous;
}
bool IsIncomplete(Byte r) {
    return r == prIncomplete || r == prIncompNoFill;
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsLetter(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || u > 128;
}
bool IsSpecial(char c) {
    return c != 0 && std::strchr("#?&!@*[]{},~", c) != nullptr;
}

// One run of a picture over a text. Positions count from 0; a range ends at its end mark.
class TPictureScan {
public:
    TPictureScan(const std::string& picture, std::string& text) : pic_(picture), text_(text) {}

    // Processes the whole picture from the start of the text.
    Byte Run() {
        i_ = 0;
        j_ = 0;
        blankStoodIn_ = false;
        return Process(pic_.size());
    }
    std::size_t PicturePos() const { return i_; }
    std::size_t TextPos() const { return j_; }

private:
    // Moves i past one element: a character, an escaped character, a bracketed part or a
    // repetition with its element.
    void ToElementEnd(std::size_t& i, std::size_t term) const {
        int brackets = 0;
        int braces = 0;
        do {
            if (i >= term) return;
            switch (pic_[i]) {
            case '[': ++brackets; break;
            case ']': --brackets; break;
            case '{': ++braces; break;
            case '}': --braces; break;
            case ';': ++i; break;
            case '*':
                ++i;
                while (i < term && IsDigit(pic_[i]))
                    ++i;
                ToElementEnd(i, term);
                continue;
            default: break;
            }
            ++i;
        } while (brackets != 0 || braces != 0);
    }

    // Moves i_ past the next "," of this range; false when no alternative follows.
    bool SkipToComma(std::size_t term) {
        do
            ToElementEnd(i_, term);
        while (i_ < term && pic_[i_] != ',');
        if (i_ < term) ++i_;
        return i_ < term;
    }

    // True when the braced group at j has an alternative made only of optional parts.
    bool GroupHasOptionalAlternative(std::size_t j, std::size_t term) const {
        std::size_t end = j;
        ToElementEnd(end, term);
        if (end == 0 || end > term || pic_[end - 1] != '}') return false;
        const std::size_t inner = end - 1;
        std::size_t k = j + 1;
        for (;;) {
            SkipOptionalParts(k, inner);
            if (k >= inner || pic_[k] == ',') return true;
            while (k < inner && pic_[k] != ',')
                ToElementEnd(k, inner);
            if (k >= inner) return false;
            ++k;
        }
    }

    // Moves j past the optional parts that stand there.
    void SkipOptionalParts(std::size_t& j, std::size_t term) const {
        while (j < term) {
            const char c = pic_[j];
            if (c == '*') {
                std::size_t k = j + 1;
                while (k < term && IsDigit(pic_[k]))
                    ++k;
                if (k > j + 1 && (k >= term || pic_[k] != '[')) return;
            } else if (c != '[' && !(c == '{' && GroupHasOptionalAlternative(j, term))) {
                return;
            }
            ToElementEnd(j, term);
        }
    }

    // The text is used up: an incomplete state becomes ambiguous when only optional parts are
    // left in the range.
    Byte CheckComplete(Byte state, std::size_t term) const {
        if (!IsIncomplete(state)) return state;
        std::size_t j = i_;
        SkipOptionalParts(j, term);
        return j >= term || pic_[j] == ',' ? prAmbiguous : state;
    }

    void Take(char c) {
        text_[j_] = c;
        ++i_;
        ++j_;
    }

    Byte Literal() {
        if (pic_[i_] == ';') ++i_;
        const char want = pic_[i_];
        const char have = text_[j_];
        if (AnsiUpperChar(want) != AnsiUpperChar(have)) {
            const bool last = j_ + 1 == text_.size();
            if (have != ' ' || !last || blankStoodIn_) return prError;
            blankStoodIn_ = true;
        } else if (have == ' ' && j_ + 1 == text_.size()) {
            blankStoodIn_ = true;
        }
        Take(want);
        return prComplete;
    }

    // One alternative of the range, up to the end mark or the next ",".
    Byte Scan(std::size_t term) {
        Byte state = prEmpty;
        while (i_ < term && pic_[i_] != ',') {
            if (j_ >= text_.size()) return CheckComplete(state, term);
            const char c = text_[j_];
            switch (pic_[i_]) {
            case '#':
                if (!IsDigit(c)) return prError;
                Take(c);
                break;
            case '?':
                if (!IsLetter(c)) return prError;
                Take(c);
                break;
            case '&':
                if (!IsLetter(c)) return prError;
                Take(AnsiUpperChar(c));
                break;
            case '~':
                if (!IsLetter(c)) return prError;
                Take(AnsiLowerChar(c));
                break;
            case '!': Take(AnsiUpperChar(c)); break;
            case '@': Take(c); break;
            case '*':
                state = Iteration(term);
                if (!IsComplete(state)) return state;
                break;
            case '{':
                state = Group(term);
                if (!IsComplete(state)) return state;
                break;
            case '[':
                state = Group(term);
                if (IsIncomplete(state)) return state;
                if (state == prError) state = prAmbiguous;
                break;
            default:
                if (Literal() == prError) return prError;
                break;
            }
            state = state == prAmbiguous ? prIncompNoFill : prIncomplete;
        }
        return state == prIncompNoFill ? prAmbiguous : prComplete;
    }

    // A range with its alternatives: the first that takes the text wins; an incomplete one is
    // remembered in case a later one does no better.
    Byte Process(std::size_t term) {
        std::size_t oldI = i_, oldJ = j_;
        bool incomplete = false;
        std::size_t incompI = 0, incompJ = 0;
        Byte r = prEmpty;
        for (;;) {
            r = Scan(term);
            if (IsComplete(r) && incomplete && j_ < incompJ) {
                r = prIncomplete;
                j_ = incompJ;
            }
            if (r != prError && r != prIncomplete) break;
            if (!incomplete && r == prIncomplete) {
                incomplete = true;
                incompI = i_;
                incompJ = j_;
            }
            i_ = oldI;
            j_ = oldJ;
            if (!SkipToComma(term)) {
                if (!incomplete) return r;
                i_ = incompI;
                j_ = incompJ;
                return prIncomplete;
            }
            oldI = i_;
        }
        return r == prComplete && incomplete ? prAmbiguous : r;
    }

    Byte Iteration(std::size_t term) {
        ++i_;
        std::size_t count = 0;
        bool counted = false;
        while (i_ < term && IsDigit(pic_[i_])) {
            count = count * 10 + static_cast<std::size_t>(pic_[i_] - '0');
            counted = true;
            ++i_;
        }
        if (i_ >= term) return prSyntax;
        const std::size_t start = i_;
        std::size_t end = start;
        ToElementEnd(end, term);
        Byte r = prComplete;
        if (counted) {
            for (std::size_t n = 0; n < count; ++n) {
                const std::size_t before = j_;
                i_ = start;
                r = Process(end);
                // A repetition that takes nothing would take nothing the remaining times too:
                // the count is done (nested counts would otherwise run for billions of rounds).
                if (IsComplete(r) && j_ == before) break;
                if (IsComplete(r)) continue;
                if (r == prEmpty) r = pic_[start] == '[' ? prComplete : prIncomplete;
                if (r != prComplete) return r;
                break;
            }
        } else {
            std::size_t before = 0;
            do {
                before = j_;
                i_ = start;
                r = Process(end);
            } while (IsComplete(r) && j_ > before);
            if (r == prEmpty || r == prError) r = prAmbiguous;
        }
        i_ = end;
        return r;
    }

    Byte Group(std::size_t term) {
        std::size_t end = i_;
        ToElementEnd(end, term);
        ++i_;
        const Byte r = Process(end - 1);
        if (!IsIncomplete(r)) i_ = end;
        return r;
    }

    const std::string& pic_;
    std::string& text_;
    std::size_t i_ = 0;
    std::size_t j_ = 0;
    bool blankStoodIn_ = false;
};

} // namespace

bool PictureSyntaxValid(const std::string& Picture) {
    const std::size_t n = Picture.size();
    if (n == 0 || n > kMaxPictureLength || Picture.back() == ';') return false;
    if (Picture.back() == '*' && (n < 2 || Picture[n - 2] != ';')) return false;
    int brackets = 0;
    int braces = 0;
    for (std::size_t i = 0; i < n; ++i) {
        switch (Picture[i]) {
        case '[': ++brackets; break;
        case ']': --brackets; break;
        case '{': ++braces; break;
        case '}': --braces; break;
        case ';': ++i; break;
        default: break;
        }
    }
    return brackets == 0 && braces == 0;
}

TdwPictureValidator::TdwPictureValidator(const std::string& Picture, bool AutoFill)
    : Options(AutoFill ? voTransfer | voFill : voTransfer), Picture(Picture) {
    std::string empty;
    if (ApplyPicture(empty, false) != prEmpty) Status = 1;
}

bool TdwPictureValidator::ValidateInput(std::string& Text, bool SuppressFill) {
    if (Picture.empty()) return true;
    const bool fill = (Options & voFill) != 0 && !SuppressFill;
    return ApplyPicture(Text, fill) != prError;
}

bool TdwPictureValidator::ValidateText(const std::string& Text) {
    if (Picture.empty()) return true;
    std::string copy = Text;
    const Byte r = ApplyPicture(copy, false);
    return r == prComplete || r == prEmpty;
}

Byte TdwPictureValidator::ApplyPicture(std::string& Text, bool AutoFill) {
    if (!PictureSyntaxValid(Picture)) return prSyntax;
    if (Text.empty()) return prEmpty;
    if (Text.size() > kMaxPictureLength) return prError;
    TPictureScan scan(Picture, Text);
    Byte r = scan.Run();
    if (r != prError && r != prSyntax && scan.TextPos() < Text.size()) r = prError;
    if (r == prIncomplete && AutoFill) {
        std::size_t i = scan.PicturePos();
        bool appended = false;
        while (i < Picture.size() && !IsSpecial(Picture[i]) && Text.size() < kMaxPictureLength) {
            if (Picture[i] == ';') ++i;
            Text += Picture[i++];
            appended = true;
        }
        if (appended) r = scan.Run();
    }
    if (r == prAmbiguous) return prComplete;
    if (r == prIncompNoFill) return prIncomplete;
    return r;
}
