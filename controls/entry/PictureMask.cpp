#include "controls/entry/PictureMask.h"

#include "controls/entry/EntryText.h"
#include "controls/entry/EntryWindowMessages.h"
#include "platform/rtl/Strings.h"

#include <algorithm>

namespace {

bool IsSubstCode(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 241 && u <= 248;
}

// Removes the currency text that stands right before the first digit or decimal separator, else
// its first occurrence.
void EraseCurrency(std::string& s, const std::string& currency, char decimalSeparator) {
    if (currency.empty()) return;
    std::size_t number = 0;
    while (number < s.size() && !(s[number] >= '0' && s[number] <= '9') &&
           s[number] != decimalSeparator)
        ++number;
    if (number >= currency.size() &&
        s.compare(number - currency.size(), currency.size(), currency) == 0) {
        s.erase(number - currency.size(), currency.size());
        return;
    }
    const std::size_t at = s.find(currency);
    if (at != std::string::npos) s.erase(at, currency.size());
}

} // namespace

TVcPictureBase::TVcPictureBase(TComponent* AOwner) : TVcBaseEntryField(AOwner) {
    SetFieldClass(fcPicture);
    InitPicture();
}

// ---------------------------------------------------------------------------------------------
// Position flags

void TVcPictureBase::BuildPositionFlags() {
    const int n = MaxLength();
    flags_.assign(static_cast<std::size_t>(n) + 1, pfLiteral);
    for (int i = 0; i < n; ++i) {
        const char m = MaskCharAt(i);
        Byte flag = pfLiteral;
        if (allEditable_ || IsPictureChar(m))
            flag = pfEditable;
        else if (m == '$' || m == ',')
            flag = pfSpecial;
        flags_[static_cast<std::size_t>(i)] = flag;
    }
}

void TVcPictureBase::InitPicture() {
    specialCount_ = 0;
    allEditable_ = false;
    BuildPositionFlags();
    bool all = true;
    for (int i = 0; i < MaxLength(); ++i) {
        const Byte flag = flags_[static_cast<std::size_t>(i)];
        if (flag == pfLiteral) all = false;
        if (flag == pfSpecial) {
            all = false;
            ++specialCount_;
        }
    }
    allEditable_ = all;
    if (!all) {
        SetTrimBlanks(false);
        SetRightJustify(false);
    }
}

Byte TVcPictureBase::PositionFlag(int Position) const {
    if (Position < 0 || Position >= static_cast<int>(flags_.size())) return pfLiteral;
    return flags_[static_cast<std::size_t>(Position)];
}

int TVcPictureBase::FirstEditPos() {
    int i = 0;
    while (i < MaxLength() - 1 && IsLiteralPos(i))
        ++i;
    return i + specialCount_;
}

bool TVcPictureBase::ReadNumber(long double& Value) {
    return ReadNumberText(StripPicture(Text()), Value);
}

int TVcPictureBase::LastEditPos() {
    int i = MaxLength() - 1;
    while (i > 0 && IsLiteralPos(i))
        --i;
    return i;
}

int TVcPictureBase::EndOfInput() {
    const std::string& text = Text();
    for (int i = std::min(LastEditPos(), static_cast<int>(text.size()) - 1); i >= 0; --i)
        if (PositionFlag(i) == pfEditable && text[static_cast<std::size_t>(i)] != ' ') return i + 1;
    return 0;
}

bool TVcPictureBase::IsEmpty() {
    const std::string& text = Text();
    for (int i = 0; i < static_cast<int>(text.size()); ++i)
        if (PositionFlag(i) == pfEditable && text[static_cast<std::size_t>(i)] != ' ') return false;
    return true;
}

int TVcPictureBase::DecimalPointPos() const {
    for (int i = 0; i < MaxLength(); ++i)
        if (MaskCharAt(i) == '.') return i;
    return -1;
}

int TVcPictureBase::RunOf(char C, int& Length) const {
    Length = 0;
    for (int i = 0; i < MaxLength(); ++i) {
        if (MaskCharAt(i) != C) continue;
        while (i + Length < MaxLength() && MaskCharAt(i + Length) == C)
            ++Length;
        return i;
    }
    return -1;
}

void TVcPictureBase::GetPictureDigits(int& Total, int& Decimals) {
    BuildPositionFlags();
    const int dot = DecimalPointPos();
    Decimals = 0;
    if (dot >= 0) {
        for (int i = dot + 1; i < MaxLength() && PositionFlag(i) == pfEditable; ++i)
            ++Decimals;
    } else {
        Decimals = DecimalPlaces();
    }
    Total = 0;
    int first = 0;
    while (first < MaxLength() && PositionFlag(first) != pfEditable)
        ++first;
    for (int i = first; i < MaxLength(); ++i) {
        if (PositionFlag(i) == pfEditable)
            ++Total;
        else if (MaskCharAt(i) != ',')
            break;
    }
    if (dot >= 0 && Decimals != 0) Total += Decimals + 1;
}

bool TVcPictureBase::IsNumericLike() {
    const TPictureMask& m = Mask();
    return specialCount_ > 0 || FieldClass() == fcNumeric || IsHexMask() || IsOctalMask() ||
           IsBinaryMask() || m.find_first_of(".cC") != std::string::npos;
}

// ---------------------------------------------------------------------------------------------
// Stripping and merging

std::string TVcPictureBase::FloatingCurrency() const {
    int run = 0;
    if (RunOf('$', run) < 0) return {};
    const std::string& prefix = Intl().CurrencyPrefix;
    const std::size_t count = std::min<std::size_t>(static_cast<std::size_t>(run), prefix.size());
    return prefix.substr(prefix.size() - count);
}

std::string TVcPictureBase::StripPicture(const std::string& Source) {
    const TVcIntlSup& intl = Intl();
    const bool dropCommas = intl.ThousandSeparator == '\0';
    // The positions the text holds: every position of the mask, less the "," positions that a
    // missing thousands separator took out of it.
    std::vector<int> positions;
    for (int i = 0; i < MaxLength(); ++i)
        if (!(dropCommas && MaskCharAt(i) == ',')) positions.push_back(i);
    if (Source.size() != positions.size()) return Source;
    const int dot = DecimalPointPos();
    std::string result;
    bool negative = false;
    for (std::size_t k = 0; k < positions.size(); ++k) {
        const int i = positions[k];
        const char c = Source[k];
        const char m = MaskCharAt(i);
        if (PositionFlag(i) != pfLiteral || i == dot)
            result += c;
        else if ((m == 'p' && c == ')') || (m == 'g' && c == '-'))
            negative = true;
    }
    // Exactly the currency characters merging wrote: they stand right before the number.
    if (Mask().find('$') != std::string::npos)
        EraseCurrency(result, FloatingCurrency(), intl.DecimalSeparator);
    if (Mask().find(',') != std::string::npos && !dropCommas)
        result.erase(std::remove(result.begin(), result.end(), intl.ThousandSeparator),
                     result.end());
    if (dot >= 0) {
        const std::size_t sep = result.find(intl.DecimalSeparator);
        if (sep != std::string::npos) result[sep] = '.';
    }
    if (negative) {
        const std::size_t paren = result.find('(');
        if (paren != std::string::npos)
            result[paren] = '-';
        else if (result.find('-') == std::string::npos)
            result.insert(result.find_first_not_of(' ') == std::string::npos
                              ? result.size()
                              : result.find_first_not_of(' '),
                          1, '-');
    }
    return result;
}

void TVcPictureBase::PlaceSubstitutions(std::string& Result) const {
    for (std::size_t i = 0; i < Result.size(); ++i) {
        if (!IsSubstCode(MaskCharAt(static_cast<int>(i)))) continue;
        const char sub = UserData().SubstChar(MaskCharAt(static_cast<int>(i)));
        if (sub != '\0') Result[i] = sub;
    }
}

void TVcPictureBase::MarkOverflow(std::string& Result) {
    for (int i = 0; i < static_cast<int>(Result.size()); ++i) {
        const Byte flag = PositionFlag(i);
        if (flag == pfEditable || (flag == pfSpecial && MaskCharAt(i) == ','))
            Result[static_cast<std::size_t>(i)] = OverflowChar;
        else if (flag == pfSpecial || MaskCharAt(i) == 'p' || MaskCharAt(i) == 'g')
            Result[static_cast<std::size_t>(i)] = ' ';
    }
}

void TVcPictureBase::MergeNumeric(std::string& Result, const std::string& Value) {
    const TVcIntlSup& intl = Intl();
    const int n = MaxLength();
    int run = 0;
    const int runStart = RunOf('$', run);
    const int limit = runStart >= 0 ? runStart + run - 1 : -1;
    const std::string currency = FloatingCurrency();
    std::string v = Trim(Value);
    bool signPending = !v.empty() && v[0] == '-';
    if (signPending) v.erase(0, 1);
    std::size_t currencyLeft = v.empty() ? 0 : currency.size();

    const std::size_t point = v.find('.');
    const std::string integer = v.substr(0, point);
    const std::string decimals = point == std::string::npos ? std::string() : v.substr(point + 1);
    const int dot = DecimalPointPos();
    if (dot >= 0) {
        Result[static_cast<std::size_t>(dot)] = intl.DecimalSeparator;
        std::size_t d = 0;
        for (int i = dot + 1; i < n && !IsLiteralPos(i); ++i)
            Result[static_cast<std::size_t>(i)] = d < decimals.size() ? decimals[d++] : '0';
    }
    const bool digitFill = IsHexMask() || IsOctalMask() || IsBinaryMask();
    const auto fill = [&](int i) {
        char c = ' ';
        if (currencyLeft > 0)
            c = currency[--currencyLeft];
        else if (signPending) {
            c = '-';
            signPending = false;
        } else if (digitFill)
            c = '0';
        Result[static_cast<std::size_t>(i)] = c;
    };
    std::size_t digitsLeft = integer.size();
    std::vector<int> dropped;
    for (int i = (dot >= 0 ? dot : n) - 1; i >= 0; --i) {
        const char m = MaskCharAt(i);
        if (IsLiteralPos(i)) {
            if (m == '.') Result[static_cast<std::size_t>(i)] = intl.DecimalSeparator;
            continue;
        }
        if (m == ',') {
            if (digitsLeft == 0)
                fill(i);
            else if (intl.ThousandSeparator == '\0')
                dropped.push_back(i);
            else
                Result[static_cast<std::size_t>(i)] = intl.ThousandSeparator;
        } else if (i > limit && digitsLeft > 0) {
            Result[static_cast<std::size_t>(i)] = integer[--digitsLeft];
        } else {
            fill(i);
        }
    }
    // The sign stays a plain "-" in the edit text; showing it as "(" ")" or at the "g"
    // position is up to the display of the numeric field.
    for (int i = 0; i < n; ++i)
        if (MaskCharAt(i) == 'p' || MaskCharAt(i) == 'g') Result[static_cast<std::size_t>(i)] = ' ';
    if (dot > 0 && Result[static_cast<std::size_t>(dot - 1)] == ' ')
        Result[static_cast<std::size_t>(dot - 1)] = '0';
    // Digits or a sign with no room left would change the number: show the overflow instead.
    if (digitsLeft > 0 || signPending) {
        MarkOverflow(Result);
        return;
    }
    for (auto it = dropped.begin(); it != dropped.end(); ++it)
        Result.erase(static_cast<std::size_t>(*it), 1);
}

void TVcPictureBase::MergePlain(std::string& Result, const std::string& Value) {
    const int n = MaxLength();
    std::string v = Value;
    if (realType_ && static_cast<int>(v.size()) > n && v.find('.') != std::string::npos) {
        while (!v.empty() && v.back() == '0')
            v.pop_back();
        if (!v.empty() && v.back() == '.') v.pop_back();
        v = Trim(v);
    }
    std::vector<int> editable;
    for (int i = 0; i < n; ++i)
        if (!IsLiteralPos(i)) editable.push_back(i);
    const Byte kind = DataKind();
    if ((IsIntegerKind(kind) || IsRealKind(kind)) && Trim(v).size() > editable.size()) {
        MarkOverflow(Result);
        return;
    }
    for (int i : editable)
        Result[static_cast<std::size_t>(i)] = ' ';
    const std::size_t count = std::min(v.size(), editable.size());
    for (std::size_t k = 0; k < count; ++k) {
        const int pos = RightJustify() ? editable[editable.size() - 1 - k] : editable[k];
        const char c = RightJustify() ? v[v.size() - 1 - k] : v[k];
        Result[static_cast<std::size_t>(pos)] = ConvertChar(MaskCharAt(pos), c, '\0');
    }
    if (realType_) {
        const std::size_t point = Result.find('.');
        if (point != std::string::npos) Result[point] = Intl().DecimalSeparator;
    }
}

std::string TVcPictureBase::MergeWithPicture(const std::string& Value) {
    const int n = MaxLength();
    if (static_cast<int>(flags_.size()) != n + 1) BuildPositionFlags();
    std::string result(static_cast<std::size_t>(n), ' ');
    for (int i = 0; i < n; ++i)
        result[static_cast<std::size_t>(i)] = MaskCharAt(i);
    int run = 0;
    if (int start = RunOf('c', run); start >= 0) {
        const std::string& prefix = Intl().CurrencyPrefix;
        for (int k = 0; k < run; ++k)
            result[static_cast<std::size_t>(start + run - 1 - k)] =
                k < static_cast<int>(prefix.size())
                    ? prefix[prefix.size() - 1 - static_cast<std::size_t>(k)]
                    : ' ';
    }
    if (int start = RunOf('C', run); start >= 0) {
        const std::string& suffix = Intl().CurrencySuffix;
        for (int k = 0; k < run; ++k)
            result[static_cast<std::size_t>(start + k)] =
                k < static_cast<int>(suffix.size()) ? suffix[static_cast<std::size_t>(k)] : ' ';
    }
    if (IsNumericLike())
        MergeNumeric(result, Value);
    else
        MergePlain(result, Value);
    PlaceSubstitutions(result);
    if (static_cast<int>(result.size()) > n) result.resize(static_cast<std::size_t>(n));
    return result;
}

std::string TVcPictureBase::CopyEditable(const std::string& Source) {
    std::string result;
    for (int i = 0; i < static_cast<int>(Source.size()); ++i)
        if (PositionFlag(i) == pfEditable) result += Source[static_cast<std::size_t>(i)];
    return result;
}

std::string TVcPictureBase::LocalizeDecimal(const std::string& Source) const {
    std::string result = Source;
    const std::size_t point = result.find('.');
    if (point != std::string::npos) result[point] = Intl().DecimalSeparator;
    return result;
}

// ---------------------------------------------------------------------------------------------
// Editing states

void TVcPictureBase::UnformatForEdit() {
    if (specialCount_ > 0) {
        unformatted_ = true;
        std::string& text = Text();
        const int start = std::max(FirstEditPos() - specialCount_, 0);
        int end = std::min(LastEditPos(), static_cast<int>(text.size()) - 1);
        const auto removeAt = [&](std::size_t at, std::size_t count) {
            text.erase(at, count);
            text.insert(static_cast<std::size_t>(start), count, ' ');
        };
        const std::string currency = FloatingCurrency();
        if (Mask().find('$') != std::string::npos && !currency.empty() && end >= start) {
            const std::size_t at = text.substr(0, static_cast<std::size_t>(end) + 1)
                                       .find(currency, static_cast<std::size_t>(start));
            if (at != std::string::npos) removeAt(at, currency.size());
        }
        const char sep = Intl().ThousandSeparator;
        if (Mask().find(',') != std::string::npos && sep != '\0')
            for (int i = start; i <= end && i < static_cast<int>(text.size()); ++i)
                if (text[static_cast<std::size_t>(i)] == sep)
                    removeAt(static_cast<std::size_t>(i), 1);
    } else if (IsHexMask() || IsOctalMask() || IsBinaryMask()) {
        unformatted_ = true;
    }
    Invalidate();
}

void TVcPictureBase::RefreshDisplay() {
    if (!unformatted_) return;
    unformatted_ = false;
    SetEditText(MergeWithPicture(StripPicture(Text())));
    Invalidate();
}

void TVcPictureBase::Restore() {
    const bool restoring = HasSavedText();
    TVcBaseEntryField::Restore();
    if (!restoring || !unformatted_) return;
    unformatted_ = false;
    Invalidate();
}

void TVcPictureBase::FixDecimals() {
    const int dot = DecimalPointPos();
    std::string& text = Text();
    if (dot < 0 || dot >= static_cast<int>(text.size())) return;
    // In the unformatted state the currency and separator positions hold digits too.
    const auto inRun = [this](int Position) {
        const Byte flag = PositionFlag(Position);
        return flag == pfEditable || (unformatted_ && flag == pfSpecial);
    };
    // Integer part: right-aligned digits, "0" before the point when empty.
    int start = dot;
    while (start > 0 && inRun(start - 1))
        --start;
    std::string integer =
        text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(dot - start));
    integer.erase(std::remove(integer.begin(), integer.end(), ' '), integer.end());
    integer.insert(0, static_cast<std::size_t>(dot - start) - integer.size(), ' ');
    if (!integer.empty() && integer.back() == ' ') integer.back() = '0';
    text.replace(static_cast<std::size_t>(start), integer.size(), integer);
    // Decimal part: left-aligned digits, "0" after them.
    int end = dot + 1;
    while (end < static_cast<int>(text.size()) && inRun(end))
        ++end;
    std::string decimals =
        text.substr(static_cast<std::size_t>(dot) + 1, static_cast<std::size_t>(end - dot - 1));
    const std::size_t width = decimals.size();
    decimals.erase(std::remove(decimals.begin(), decimals.end(), ' '), decimals.end());
    decimals.append(width - decimals.size(), '0');
    text.replace(static_cast<std::size_t>(dot) + 1, width, decimals);
    Invalidate();
}

bool TVcPictureBase::FixDecimalsWanted() {
    return FieldClass() == fcPicture && Modified() && Mask().find('.') != std::string::npos;
}

bool TVcPictureBase::ValidateOnExit(bool Soft) {
    if (FixDecimalsWanted()) FixDecimals();
    return TVcBaseEntryField::ValidateOnExit(Soft);
}

void TVcPictureBase::CaretToHome() {
    TVcBaseEntryField::CaretToHome();
    // Also after the focus has gone: the caret waits on the first editable position.
    MoveCaret(FirstEditPos(), false);
}

void TVcPictureBase::SetCaretPosition(int Position) {
    if (!HasFocus()) return;
    const int first = FirstEditPos();
    const int last = LastEditPos();
    if (Position < first) {
        Position = first;
    } else if (Position <= last) {
        while (Position > first && IsLiteralPos(Position))
            --Position;
    } else {
        Position = last + 1;
    }
    TVcBaseEntryField::SetCaretPosition(Position);
}

std::string TVcPictureBase::GetDisplayText() {
    std::string shown = TVcBaseEntryField::GetDisplayText();
    if (Uninitialized() && !Modified())
        return std::string(static_cast<std::size_t>(MaxLength()), ' ');
    if (!PasswordMode() && PadChar() == ' ') return shown;
    const int n = static_cast<int>(shown.size());
    for (int end = n - 1; end >= 0;) {
        if (PositionFlag(end) != pfEditable) {
            --end;
            continue;
        }
        int start = end;
        while (start > 0 && PositionFlag(start - 1) == pfEditable)
            --start;
        bool trailing = true;
        bool digitsSeen = false;
        for (int i = end; i >= start; --i) {
            char& c = shown[static_cast<std::size_t>(i)];
            if (c != ' ') {
                trailing = false;
                digitsSeen = true;
                if (PasswordMode()) c = PasswordChar();
            } else if (FieldClass() == fcNumeric) {
                if (digitsSeen) c = PadChar();
            } else if (trailing) {
                c = PadChar();
            }
        }
        end = start - 1;
    }
    return shown;
}

void TVcPictureBase::MaskChanged() {
    TVcBaseEntryField::MaskChanged();
    TPictureMask mask = Mask();
    if (FieldClass() != fcNumeric) {
        bool changed = false;
        for (char c : {'p', 'g'}) {
            const std::size_t at = mask.find(c);
            if (at != std::string::npos) {
                mask.erase(at, 1);
                changed = true;
            }
        }
        if (changed) {
            SetMask(mask);
            return;
        }
    }
    const int length = static_cast<int>(mask.size());
    if (!ComponentState().Contains(csLoading) &&
        (MaxLength() < length || (FieldClass() == fcNumeric && MaxLength() > length)))
        SetMaxLengthValue(length);
    Text().clear();
    InitPicture();
}

void TVcPictureBase::CreateWnd() {
    BuildPositionFlags();
    TVcBaseEntryField::CreateWnd();
    realType_ = IsRealKind(DataKind());
    if (realType_ && Mask().find('.') != std::string::npos) SetDecimalPlacesValue(0);
}

void TVcPictureBase::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case VCM_GETSTRIPPED:
        if (Message.LParam) *reinterpret_cast<std::string*>(Message.LParam) = StripPicture(Text());
        break;
    case VCM_SETRAWVALUE:
        if (Message.LParam)
            SetEditText(MergeWithPicture(*reinterpret_cast<const std::string*>(Message.LParam)));
        Invalidate();
        break;
    default: TVcBaseEntryField::Dispatch(Message); break;
    }
}

void TVcPictureBase::WMSetFocus(TWMSetFocus& Message) {
    BuildPositionFlags();
    TVcBaseEntryField::WMSetFocus(Message);
}

void TVcPictureBase::WMKillFocus(TWMKillFocus& Message) {
    if (FixDecimalsWanted()) FixDecimals();
    TVcBaseEntryField::WMKillFocus(Message);
    RefreshDisplay();
}
