#include "controls/entry/NumericField.h"

#include "controls/entry/CommandTables.h"
#include "controls/entry/EntryExceptions.h"
#include "controls/entry/EntryText.h"
#include "controls/entry/MessageTables.h"
#include "platform/gui/WinUser.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Strings.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr Byte NumericFlag = 0x80;

bool IsExtendCommand(Word command) {
    switch (command) {
    case ccExtendLeft:
    case ccExtendRight:
    case ccExtendHome:
    case ccExtendEnd:
    case ccExtWordLeft:
    case ccExtWordRight: return true;
    default: return false;
    }
}

} // namespace

std::string RealValueText(long double Value, int Total, int Decimals, bool TrimZeros) {
    std::string text = PlainFloatToStrF(static_cast<double>(Value), ffFixed, 18, Decimals);
    if (static_cast<int>(text.size()) < Total)
        text.insert(0, static_cast<std::size_t>(Total) - text.size(), ' ');
    if (TrimZeros && HasChar(text, '.'))
        PCharTrimZeros(text);
    else
        text = Trim(text);
    return text;
}

Word NumberRangeError(long double Value, Byte Kind, const TVcRangeValue& Low,
                      const TVcRangeValue& High) {
    if (Kind == fsReal && std::fabs(Value) <= 1.7e38L) {
        TVcRangeValue raw{};
        NumberToRaw(Value, Kind, raw.data());
        Value = RawToNumber(raw.data(), Kind);
    }
    const bool inside =
        Value >= RawToNumber(Low.data(), Kind) && Value <= RawToNumber(High.data(), Kind);
    return inside ? 0 : epRange;
}

TVcCustomNumericField::TVcCustomNumericField(TComponent* AOwner) : TVcPictureBase(AOwner) {
    SetFieldClass(fcNumeric);
    SetDataTypeByte(fsLongInt | NumericFlag);
    SetMask("##########");
}

const char* TVcCustomNumericField::DefaultMask(TNumericDataType Type) {
    switch (Type) {
    case nftLongInt:
    case nftComp: return "iiiiiiiiii";
    case nftWord: return "99999";
    case nftInteger: return "iiiiii";
    case nftByte: return "999";
    case nftShortInt: return "iiii";
    default: return "##########";
    }
}

void TVcCustomNumericField::SetDataType(TNumericDataType Value) {
    if (Value > nftComp) throw EVcException(GetVcString(MsgInvalidParameter));
    if (Value == dataType_) return;
    dataType_ = Value;
    SetDataTypeByte(static_cast<Byte>((static_cast<int>(Value) + fsLongInt) | NumericFlag));
    SetDecimalPlacesValue(0);
    SetMask(DefaultMask(Value));
    if (HandleAllocated()) RecreateWnd();
}

void TVcCustomNumericField::SetPictureMask(const TPictureMask& Value) {
    if (Value.empty()) return;
    const bool realFloat = dataType_ >= nftReal && dataType_ <= nftSingle;
    if (ComponentState().Contains(csDesigning) && realFloat && HasChar(Value, '.') &&
        (HasChar(Value, '9') || HasChar(Value, 'i')))
        throw EInvalidPictureMask(Value);
    SetMask(Value);
    if (HandleAllocated()) RecreateWnd();
}

void TVcCustomNumericField::Assign(TPersistent* Source) {
    auto* other = dynamic_cast<TVcCustomNumericField*>(Source);
    if (!other) return TVcPictureBase::Assign(Source);
    SetDataType(other->DataType());
    AssignLeadingOptions(*this, *other);
    SetCaretIns(other->CaretIns());
    SetCaretOvr(other->CaretOvr());
    SetInputRequired(other->InputRequired());
    SetPadChar(other->PadChar());
    SetPictureMask(other->PictureMask());
    SetRangeHi(other->RangeHi());
    SetRangeLo(other->RangeLo());
    AssignTrailingOptions(*this, *other);
}

// ---------------------------------------------------------------------------------------------
// Layout

void TVcCustomNumericField::ComputeLayout() {
    const TPictureMask& mask = Mask();
    const int length =
        static_cast<int>(mask.size()) - (HasChar(mask, 'p') ? 1 : 0) - (HasChar(mask, 'g') ? 1 : 0);
    if (!ComponentState().Contains(csLoading)) SetMaxLengthValue(std::max(length, 1));
    InitPicture();
    GetPictureDigits(total_, decimals_);
    integers_ = total_ - decimals_ - (decimals_ > 0 ? 1 : 0);
}

void TVcCustomNumericField::MaskChanged() {
    TVcPictureBase::MaskChanged();
    ComputeLayout();
}

void TVcCustomNumericField::CreateWnd() {
    CreateWndKeepingValue([this] {
        TVcPictureBase::CreateWnd();
        ComputeLayout();
        const Byte kind = DataKind();
        if (RawToNumber(RangeLowData().data(), kind) == RawToNumber(RangeHighData().data(), kind))
            ResetRange();
    });
}

int TVcCustomNumericField::FirstEditPos() {
    int i = 0;
    while (i < MaxLength() - 1 && IsLiteralPos(i))
        ++i;
    return i;
}

int TVcCustomNumericField::SignPosition(char MaskChar) const {
    const std::size_t at = Mask().find(MaskChar);
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

// ---------------------------------------------------------------------------------------------
// Value texts

std::string TVcCustomNumericField::IntegerText(Int64 Value) const {
    return IntegerValueText(Value, DataKind(), IsHexMask(), IsOctalMask(), IsBinaryMask());
}

std::string TVcCustomNumericField::RealText(long double Value) {
    return RealValueText(Value, total_, decimals_, DecimalPlaces() != 0);
}

std::string TVcCustomNumericField::ValueText(long double Value) {
    const Byte kind = DataKind();
    if (IsIntegerKind(kind)) return MergeWithPicture(IntegerText(static_cast<Int64>(Value)));
    if (kind == fsComp) return MergeWithPicture(IntToStr(static_cast<Int64>(Value)));
    return MergeWithPicture(RealText(Value));
}

bool TVcCustomNumericField::Fits(long double Value) {
    if (!std::isfinite(Value) || std::fabs(Value) >= 1e18L) return false;
    long double shown = 0;
    return ReadNumberText(StripPicture(ValueText(Value)), shown);
}

bool TVcCustomNumericField::Holds(long double Value) {
    return Fits(Value) && NumberRangeError(Value, DataKind(), RangeLowData(), RangeHighData()) == 0;
}

long double TVcCustomNumericField::HighestShown() {
    const long double high = RawToNumber(RangeHighData().data(), DataKind());
    const long double nines = std::pow(10.0L, integers_) - std::pow(10.0L, -decimals_);
    return Fits(nines) ? std::min(nines, high) : high;
}

long double TVcCustomNumericField::LowestShown() {
    const long double low = RawToNumber(RangeLowData().data(), DataKind());
    // A negative value needs a place for its sign, unless the picture has one of its own.
    for (int places = integers_; places > 0; --places) {
        const long double nines = -(std::pow(10.0L, places) - std::pow(10.0L, -decimals_));
        if (Fits(nines)) return std::max(nines, low);
    }
    return std::max(0.0L, low);
}

std::string TVcCustomNumericField::ShownText(long double Value) {
    return Trim(ValueText(Value));
}

bool TVcCustomNumericField::RangeTexts(std::string& Low, std::string& High) {
    Low = ShownText(LowestShown());
    High = ShownText(HighestShown());
    return true;
}

int TVcCustomNumericField::TransferData(void* Buffer, int Operation) {
    auto* raw = static_cast<Byte*>(Buffer);
    const Byte kind = DataKind();
    if (Operation == otSet) {
        SetEditText(ValueText(RawToNumber(raw, kind)));
        if (HasFocus()) LoadBuffer();
    } else if (Operation == otGet) {
        long double value = 0;
        if (!ReadNumber(value) || (kind == fsReal && std::fabs(value) > 1.7e38L)) value = 0;
        NumberToRaw(value, kind, raw);
    }
    return TVcPictureBase::TransferData(Buffer, Operation);
}

Word TVcCustomNumericField::ValidateContents() {
    const Byte kind = DataKind();
    long double value = 0;
    Word code = 0;
    if (!ReadNumber(value)) {
        code = epInvalid;
    } else {
        code = NumberRangeError(value, kind, RangeLowData(), RangeHighData());
        if (code == 0 && WriteBackWanted()) SetNumberValue(value);
    }
    // The program's own check, not again from inside its handler.
    if (!InUserValidation()) DoOnUserValidation(code);
    return code;
}

// ---------------------------------------------------------------------------------------------
// Entry buffer

void TVcCustomNumericField::LoadBuffer() {
    std::string s = Trim(StripPicture(Text()));
    negative_ = !s.empty() && s[0] == '-';
    if (negative_) s.erase(0, 1);
    if (s == "0") s.clear();
    buffer_ = s;
}

void TVcCustomNumericField::ClearBuffer() {
    buffer_.clear();
    negative_ = false;
}

int TVcCustomNumericField::IntegerChars() const {
    const std::size_t point = buffer_.find('.');
    return static_cast<int>(point == std::string::npos ? buffer_.size() : point);
}

bool TVcCustomNumericField::Full() const {
    return static_cast<int>(buffer_.size()) + (negative_ ? 1 : 0) >= total_;
}

void TVcCustomNumericField::ShowBuffer() {
    std::string value = buffer_.empty() ? "0" : buffer_;
    if (value[0] == '.') value.insert(0, 1, '0');
    if (negative_) value.insert(0, 1, '-');
    std::string text = MergeWithPicture(value);
    if (decimals_ > 0) {
        const std::size_t point = buffer_.find('.');
        const int typed =
            point == std::string::npos ? -1 : static_cast<int>(buffer_.size() - point - 1);
        // The decimals not typed yet (and the point itself) are not shown.
        const int hidden = typed < 0 ? decimals_ + 1 : decimals_ - typed;
        const int start = FirstEditPos();
        const int end = LastEditPos() + 1;
        if (hidden > 0 && end - hidden >= start) {
            text.erase(static_cast<std::size_t>(end - hidden), static_cast<std::size_t>(hidden));
            text.insert(static_cast<std::size_t>(start), static_cast<std::size_t>(hidden), ' ');
        } else if (hidden < 0 && end + hidden >= start) {
            // More decimals typed than the mask holds: they come in at the right.
            const std::size_t extra = static_cast<std::size_t>(-hidden);
            text.erase(static_cast<std::size_t>(start), extra);
            text.insert(static_cast<std::size_t>(end) - extra,
                        buffer_.substr(buffer_.size() - extra));
        }
    }
    SetEditText(text);
}

bool TVcCustomNumericField::AddChar(char C) {
    // The decimal separator, and a "." where it does not separate thousands, type the point.
    const TVcIntlSup& intl = Intl();
    if (C == intl.DecimalSeparator || (C == '.' && intl.ThousandSeparator != '.'))
        C = '.';
    else if (C == '.')
        return false;
    if (C == ' ') return false;
    const bool hasPoint = HasChar(buffer_, '.');
    if (C == '.') {
        if (decimals_ == 0 || hasPoint) return false;
    } else if (C == '-') {
        if (negative_) {
            negative_ = false;
            return true;
        }
        if (IntegerChars() + 1 >= integers_ || static_cast<int>(buffer_.size()) >= total_)
            return false;
        negative_ = true;
        return true;
    } else {
        const char maskChar = MaskCharAt(LastEditPos());
        C = ConvertChar(maskChar, C, '\0');
        if (!CharIsOk(maskChar, C)) return false;
    }
    if (Full()) {
        if (total_ != 1 || C == '.') return false;
        buffer_ = std::string(1, C);
        return true;
    }
    if (C == '0' && buffer_.empty()) return true;
    if (C != '.' && decimals_ > 0 && !hasPoint && IntegerChars() + (negative_ ? 1 : 0) >= integers_)
        return false;
    buffer_ += C;
    if (Full() && AutoAdvanceChar()) DoAutoAdvance();
    return true;
}

bool TVcCustomNumericField::TypeChar(char C, bool OverSelection) {
    const std::string buffer = buffer_;
    const bool negative = negative_;
    if (OverSelection) ClearBuffer();
    if (AddChar(C)) return true;
    buffer_ = buffer;
    negative_ = negative;
    return false;
}

void TVcCustomNumericField::PasteText(const std::string& Text) {
    const bool parenthesis = HasChar(Mask(), 'p') && HasChar(Text, ')');
    for (char c : Text) {
        if (Full()) break;
        if (c == '(' && parenthesis) c = '-';
        if (c == '-' && negative_) continue;
        AddChar(c);
    }
}

// ---------------------------------------------------------------------------------------------
// Commands

void TVcCustomNumericField::PlaceCaretAtEnd() {
    MoveCaret(LastEditPos() + 1, false);
}

void TVcCustomNumericField::MoveCaretToEnd() {
    PlaceCaretAtEnd();
}

void TVcCustomNumericField::CaretToHome() {
    PlaceCaretAtEnd();
}

void TVcCustomNumericField::ExtendAll() {
    SetSelection(0, static_cast<int>(Text().size()));
}

void TVcCustomNumericField::AfterChange() {
    ShowBuffer();
    SetModified(true);
    DoOnChange();
}

void TVcCustomNumericField::AdvanceLeftRight(bool Forward) {
    if (!AutoAdvanceLeftRight()) return;
    if (Forward)
        MoveToNextControl();
    else
        MoveToPrevControl();
}

void TVcCustomNumericField::PerformEdit(TMessage& Message, Word Command) {
    const bool selection = SelectionLength() > 0;
    bool changed = false;
    switch (Command) {
    case ccBack:
    case ccDel:
        if (selection)
            ClearBuffer();
        else if (!buffer_.empty()) {
            buffer_.pop_back();
            if (buffer_ == "0") buffer_.clear();
        } else
            negative_ = false;
        changed = true;
        break;
    case ccCut:
    case ccDelWord:
        if (!selection) return;
        ClearBuffer();
        changed = true;
        break;
    case ccDelLine:
        ClearBuffer();
        changed = true;
        break;
    case ccDec: IncreaseValue(false, -1.0); return;
    case ccInc: IncreaseValue(false, 1.0); return;
    case ccUp:
    case ccDown: {
        const bool up = Command == ccUp;
        if (AutoAdvanceUpDown()) {
            if (up)
                MoveToPrevControl();
            else
                MoveToNextControl();
        } else if (ArrowIncDec()) {
            IncreaseValue(false, up ? 1.0 : -1.0);
        } else {
            AdvanceLeftRight(!up);
        }
        return;
    }
    case ccLeft:
    case ccWordLeft: AdvanceLeftRight(false); return;
    case ccRight:
    case ccWordRight: AdvanceLeftRight(true); return;
    case ccIns:
        if (!ForceInsert() && !ForceOvertype()) SetInsertMode(!InsertMode());
        return;
    case ccPaste:
        if (selection) ClearBuffer();
        if (Message.LParam) PasteText(*reinterpret_cast<const std::string*>(Message.LParam));
        changed = true;
        break;
    case ccRestore: Restore(); return;
    case ccTypedChar:
        if (!TypeChar(static_cast<char>(Message.WParam), selection)) {
            Beep();
            return;
        }
        changed = true;
        break;
    case ccCopy:
    case ccCtrlChar:
    case ccEnd:
    case ccHome: return;
    default:
        if (IsExtendCommand(Command)) ExtendAll();
        return;
    }
    if (changed) {
        AfterChange();
        PlaceCaretAtEnd();
    }
}

void TVcCustomNumericField::Restore() {
    TVcPictureBase::Restore();
    LoadBuffer();
}

void TVcCustomNumericField::IncreaseValue(bool /*Wrap*/, double Delta) {
    if (!StepNumberText(StripPicture(Text()), Delta)) return;
    LoadBuffer();
    SetModified(true);
    DoOnChange();
    if (HasFocus()) PlaceCaretAtEnd();
}

// ---------------------------------------------------------------------------------------------
// Display and focus

std::string TVcCustomNumericField::GetDisplayText() {
    std::string shown = TVcPictureBase::GetDisplayText();
    if (Uninitialized() && !Modified()) return shown;
    const std::size_t minus = shown.find('-');
    const bool negative = minus != std::string::npos;
    if (const int p = SignPosition('p'); p >= 0) {
        if (static_cast<int>(shown.size()) <= p) shown.resize(static_cast<std::size_t>(p) + 1, ' ');
        if (negative) shown[minus] = '(';
        shown[static_cast<std::size_t>(p)] = negative ? ')' : ' ';
    }
    if (const int g = SignPosition('g'); g >= 0) {
        if (negative) {
            const int first = FirstEditPos();
            if (static_cast<int>(minus) == first) {
                shown[minus] = ' ';
            } else {
                shown.erase(minus, 1);
                shown.insert(
                    static_cast<std::size_t>(std::min(first, static_cast<int>(shown.size()))), 1,
                    ' ');
            }
        }
        if (static_cast<int>(shown.size()) <= g) shown.resize(static_cast<std::size_t>(g) + 1, ' ');
        shown[static_cast<std::size_t>(g)] = negative ? '-' : ' ';
    }
    return Trim(shown);
}

void TVcCustomNumericField::WMKeyDown(TWMKey& Message) {
    decimalKey_ = Message.CharCode == VK_DECIMAL;
    TVcPictureBase::WMKeyDown(Message);
}

void TVcCustomNumericField::WMChar(TWMKey& Message) {
    // The keypad's decimal key types the decimal separator of the regional settings, whichever
    // character the keyboard layout gives it.
    if (std::exchange(decimalKey_, false))
        Message.CharCode = static_cast<Byte>(Intl().DecimalSeparator);
    TVcPictureBase::WMChar(Message);
}

void TVcCustomNumericField::WMSetFocus(TWMSetFocus& Message) {
    TVcPictureBase::WMSetFocus(Message);
    LoadBuffer();
}

void TVcCustomNumericField::WMKillFocus(TWMKillFocus& Message) {
    TVcPictureBase::WMKillFocus(Message);
    if (!Unformatted()) ClearBuffer();
}
