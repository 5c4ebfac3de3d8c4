#include "controls/entry/EntryField.h"

#include "controls/entry/EntryExceptions.h"
#include "controls/entry/EntryText.h"
#include "controls/entry/EntryWindowMessages.h"
#include "controls/entry/MessageTables.h"
#include "controls/entry/SpinButton.h"
#include "platform/gui/Clipbrd.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Menus.h"
#include "platform/gui/StdCtrls.h"
#include "platform/gui/WinUser.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Real48.h"
#include "platform/rtl/Strings.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace {

constexpr int MsgEntryError = 34278;
constexpr int MsgFirstFieldError = 34179; // 256 .. 262 follow in order
constexpr int MsgRestore = 34287;
constexpr int MaxText = 255;

const std::string PictureChars = "!#123456789ABDEHKLMNOSXYabdhilmnstxy";
const std::string NonDatePictureChars = "!#123456789ABEKLOXYabilx";

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsBlankOrDigit(char c) {
    return c == ' ' || IsDigit(c);
}

struct TKindRange {
    long double Low;
    long double High;
};

// The full range of each kind (LongInt .. Time); String, Char, Boolean and YesNo have none.
bool KindRange(Byte kind, TKindRange& range) {
    switch (kind) {
    case fsLongInt: range = {-2147483648.0L, 2147483647.0L}; return true;
    case fsWord: range = {0, 65535}; return true;
    case fsInteger: range = {-32768, 32767}; return true;
    case fsByte: range = {0, 255}; return true;
    case fsShortInt: range = {-128, 127}; return true;
    case fsReal: range = {-1.7e38L, 1.7e38L}; return true;
    case fsExtended: range = {-1.1e4932L, 1.1e4932L}; return true;
    case fsDouble: range = {-1.7e308L, 1.7e308L}; return true;
    case fsSingle: range = {-3.4e38L, 3.4e38L}; return true;
    case fsComp: range = {-9.2e18L, 9.2e18L}; return true;
    case fsDate: range = {0, MaxDayNumber}; return true;
    case fsTime: range = {0, SecondsPerDay - 1}; return true;
    default: return false;
    }
}

void PutLE(Byte* raw, std::uint64_t bits, int size) {
    for (int i = 0; i < size; ++i)
        raw[i] = static_cast<Byte>(bits >> (8 * i));
}
std::uint64_t GetLE(const Byte* raw, int size) {
    std::uint64_t bits = 0;
    for (int i = size - 1; i >= 0; --i)
        bits = (bits << 8) | raw[i];
    return bits;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Picture characters

bool IsPictureChar(char C) {
    return C != '\0' && PictureChars.find(C) != std::string::npos;
}

bool IsNonDatePictureChar(char C) {
    return C != '\0' && NonDatePictureChars.find(C) != std::string::npos;
}

char PictureConvertCase(char MaskChar, char C, char Prev, const TVcUserData& User) {
    const bool wordStart = Prev == ' ' || Prev == '-';
    switch (MaskChar) {
    case '!':
    case 'A':
    case 'E':
    case 'K':
    case 'B':
    case 'Y':
    case 'N': return UpCaseChar(C);
    case 'L':
    case 'l': return LowCaseChar(C);
    case 'x': return wordStart ? UpCaseChar(C) : C;
    default: break;
    }
    switch (User.ForceCase(MaskChar)) {
    case fcUpper: return UpCaseChar(C);
    case fcLower: return LowCaseChar(C);
    case fcMixed: return wordStart ? UpCaseChar(C) : C;
    default: return C;
    }
}

bool PictureAccepts(char MaskChar, char C, const TVcUserData& User, const TVcIntlSup& Intl) {
    const auto in = [C](const char* set) { return C != '\0' && std::strchr(set, C) != nullptr; };
    switch (MaskChar) {
    case 'X':
    case '!':
    case 'L':
    case 'x':
    case 't': return true;
    case 'a':
    case 'A':
    case 'l':
    case 'N':
    case 'n': return AlphaCharSet().Contains(static_cast<unsigned char>(C));
    case '9':
    case 'D':
    case 'd':
    case 'M':
    case 'm':
    case 'y':
    case 'H':
    case 'h':
    case 'S':
    case 's': return IsBlankOrDigit(C);
    case '#': return IsBlankOrDigit(C) || in("-.");
    case 'i': return IsBlankOrDigit(C) || C == '-';
    case 'E': return IsBlankOrDigit(C) || in("-.+E");
    case 'K': return IsBlankOrDigit(C) || (C >= 'A' && C <= 'F');
    case 'O': return C == ' ' || (C >= '0' && C <= '7');
    case 'b': return in(" 01");
    case 'B': return C == UpCaseChar(Intl.TrueLetter) || C == UpCaseChar(Intl.FalseLetter);
    case 'Y': return C == UpCaseChar(Intl.YesLetter) || C == UpCaseChar(Intl.NoLetter);
    default:
        if (MaskChar >= '1' && MaskChar <= '8')
            return User.UserCharSet(MaskChar).Contains(static_cast<unsigned char>(C));
        return false;
    }
}

// ---------------------------------------------------------------------------------------------
// Raw values

int DataKindSize(Byte Kind, int StringSize) {
    switch (Kind) {
    case fsString: return StringSize;
    case fsChar:
    case fsBoolean:
    case fsYesNo:
    case fsByte:
    case fsShortInt: return 1;
    case fsWord:
    case fsInteger: return 2;
    case fsLongInt:
    case fsSingle:
    case fsDate:
    case fsTime: return 4;
    case fsReal: return 6;
    case fsDouble:
    case fsComp: return 8;
    case fsExtended: return 10;
    default: return 0;
    }
}

bool IsIntegerKind(Byte Kind) {
    return Kind >= fsLongInt && Kind <= fsShortInt;
}

bool DataKindRange(Byte Kind, long double& Low, long double& High) {
    TKindRange range;
    if (!KindRange(Kind, range)) return false;
    Low = range.Low;
    High = range.High;
    return true;
}

bool IsRealKind(Byte Kind) {
    return Kind >= fsReal && Kind <= fsComp;
}

long double RawToNumber(const Byte* Raw, Byte Kind) {
    switch (Kind) {
    case fsLongInt:
    case fsDate:
    case fsTime: return static_cast<LongInt>(static_cast<std::uint32_t>(GetLE(Raw, 4)));
    case fsWord: return static_cast<Word>(GetLE(Raw, 2));
    case fsInteger: return static_cast<SmallInt>(static_cast<Word>(GetLE(Raw, 2)));
    case fsChar:
    case fsBoolean:
    case fsYesNo:
    case fsByte: return Raw[0];
    case fsShortInt: return static_cast<signed char>(Raw[0]);
    case fsReal: return Real48ToDouble(Raw);
    case fsExtended: return ExtendedToLongDouble(Raw);
    case fsDouble: return std::bit_cast<double>(GetLE(Raw, 8));
    case fsSingle: return std::bit_cast<float>(static_cast<std::uint32_t>(GetLE(Raw, 4)));
    case fsComp: return static_cast<Int64>(GetLE(Raw, 8));
    default: return 0;
    }
}

void NumberToRaw(long double Value, Byte Kind, Byte* Raw) {
    switch (Kind) {
    case fsReal: DoubleToReal48(static_cast<double>(Value), Raw); return;
    case fsExtended: LongDoubleToExtended(Value, Raw); return;
    case fsDouble: PutLE(Raw, std::bit_cast<std::uint64_t>(static_cast<double>(Value)), 8); return;
    case fsSingle: PutLE(Raw, std::bit_cast<std::uint32_t>(static_cast<float>(Value)), 4); return;
    case fsComp: PutLE(Raw, static_cast<std::uint64_t>(static_cast<Int64>(Value)), 8); return;
    default:
        PutLE(Raw, static_cast<std::uint64_t>(static_cast<Int64>(Value)), DataKindSize(Kind, 0));
        return;
    }
}

std::string IntegerValueText(Int64 Value, Byte Kind, bool Hex, bool Octal, bool Binary) {
    const auto n = static_cast<LongInt>(Value);
    const int size = DataKindSize(Kind, 0);
    std::string text;
    int keep = 0;
    if (Hex) {
        HexLToPChar(text, n);
        keep = 2 * size;
    } else if (Octal) {
        OctalLToPChar(text, n);
        keep = 4 * size;
    } else if (Binary) {
        BinaryLToPChar(text, n);
        keep = 8 * size;
    } else {
        return IntToStr(Value);
    }
    if (size < 4 && keep < static_cast<int>(text.size()))
        text.erase(0, text.size() - static_cast<std::size_t>(keep));
    return text;
}

namespace {

// A real value read from a value text (tidied first, "0" when blank; Comp rounded to an
// integer); false when it does not read.
bool ReadRealText(std::string Text, char DecimalSeparator, Byte Kind, long double& Value) {
    FixFloatText(Text, DecimalSeparator);
    double v = 0;
    int code = 0;
    Val(Text, v, code);
    if (code != 0 || !std::isfinite(v)) return false;
    Value = Kind == fsComp ? std::nearbyint(static_cast<long double>(v)) : v;
    return true;
}

// Value stepped by Delta within Low..High (see StepNumberText); false when nothing moves.
bool StepNumber(long double& Value, double Delta, long double Low, long double High, Byte Kind) {
    if (Delta == 0 || (Delta > 0 && Value >= High) || (Delta < 0 && Value <= Low)) return false;
    const long double step = IsIntegerKind(Kind) ? std::nearbyint(Delta) : Delta;
    Value = std::clamp(Value + step, Low, High);
    return true;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Construction and options

TVcBaseEntryField::TVcBaseEntryField(TComponent* AOwner)
    : TVcBase(AOwner), intl_(&VcIntlSup()), userData_(&DefaultUserData()),
      caretPair_(std::make_unique<TVcCaretPair>(this)),
      disabledColors_(std::make_unique<TVcColors>(clGrayText, clWindow)),
      errorColors_(std::make_unique<TVcColors>(clBlack, clRed)),
      highlightColors_(std::make_unique<TVcColors>(clHighlightText, clHighlight)) {
    SetBounds(0, 0, 130, 25);
    SetCursor(crIBeam);
    SetTabStop(true);
    SetParentColor(false);
    SetColor(clWindow);
    TVcBase::SetBorderStyle(bsSingle);
    for (TVcColors* colors : {disabledColors_.get(), errorColors_.get(), highlightColors_.get()})
        colors->OnChange = [this](TObject*) { Invalidate(); };
}

TVcBaseEntryField::~TVcBaseEntryField() = default;

void TVcBaseEntryField::Changed() {
    if (ComponentState().Contains(csLoading)) return;
    ApplyOptions();
    Invalidate();
}

void TVcBaseEntryField::Recreate() {
    if (HandleAllocated()) RecreateWnd();
}

void TVcBaseEntryField::SetArrowIncDec(bool Value) {
    arrowIncDec_ = Value;
    if (Value) autoAdvanceUpDown_ = false;
}

void TVcBaseEntryField::SetAutoAdvanceUpDown(bool Value) {
    autoAdvanceUpDown_ = Value;
    if (Value) arrowIncDec_ = false;
}

void TVcBaseEntryField::SetAutoSize(bool Value) {
    autoSize_ = Value;
    if (Value && HandleAllocated()) AdjustHeight();
}

void TVcBaseEntryField::SetBorderStyle(TBorderStyle Value) {
    TVcBase::SetBorderStyle(Value);
    Recreate();
}

void TVcBaseEntryField::SetCaretToEnd(bool Value) {
    caretToEnd_ = Value;
    Changed();
}

void TVcBaseEntryField::SetControlCharColor(TColor Value) {
    controlCharColor_ = Value;
    Invalidate();
}

void TVcBaseEntryField::SetDecimalPlaces(Byte Value) {
    decimalPlaces_ = Value;
    Recreate();
}

void TVcBaseEntryField::SetEpoch(int Value) {
    if (Value == 0 || (Value >= MinYear && Value <= MaxYear)) epoch_ = Value;
}

int TVcBaseEntryField::EffectiveEpoch() const {
    if (epoch_ != 0) return epoch_;
    return Controller() ? Controller()->Epoch() : TVcController::DefaultEpoch();
}

void TVcBaseEntryField::SetInputRequired(bool Value) {
    inputRequired_ = Value;
    Changed();
}

void TVcBaseEntryField::SetInsertPushes(bool Value) {
    insertPushes_ = Value;
    Changed();
}

void TVcBaseEntryField::SetForceInsert(bool Value) {
    forceInsert_ = Value;
    if (Value) forceOvertype_ = false;
    Changed();
}

void TVcBaseEntryField::SetForceOvertype(bool Value) {
    forceOvertype_ = Value;
    if (Value) forceInsert_ = false;
    Changed();
}

void TVcBaseEntryField::SetMaxLength(int Value) {
    if (ComponentState().Contains(csLoading)) {
        maxLength_ = Value;
        return;
    }
    if (Value < 1 || Value > MaxText || Value < static_cast<int>(mask_.size())) return;
    maxLength_ = Value;
    dataSize_ = 0;
    if (static_cast<int>(text_.size()) > Value) text_.resize(static_cast<std::size_t>(Value));
    caret_ = std::min(caret_, Value);
    SetSelection(std::min(selStart_, Value), std::min(selEnd_, Value));
    Recreate();
}

void TVcBaseEntryField::SetMaxLengthValue(int Value) {
    maxLength_ = std::clamp(Value, 1, MaxText);
    dataSize_ = 0;
    if (static_cast<int>(text_.size()) > maxLength_)
        text_.resize(static_cast<std::size_t>(maxLength_));
}

void TVcBaseEntryField::SetPadChar(char Value) {
    padChar_ = Value;
    Invalidate();
}

void TVcBaseEntryField::SetPasswordChar(char Value) {
    passwordChar_ = Value;
    if (Value == '\0') passwordMode_ = false;
    Invalidate();
}

void TVcBaseEntryField::SetPasswordMode(bool Value) {
    passwordMode_ = Value && passwordChar_ != '\0';
    Invalidate();
}

void TVcBaseEntryField::SetReadOnly(bool Value) {
    readOnly_ = Value;
    Invalidate();
}

void TVcBaseEntryField::SetRightAlign(bool Value) {
    rightAlign_ = Value;
    Changed();
}

void TVcBaseEntryField::SetRightJustify(bool Value) {
    rightJustify_ = Value;
    if (Value && DataKind() == fsString) trimBlanks_ = true;
    Changed();
}

void TVcBaseEntryField::SetSoftValidation(bool Value) {
    softValidation_ = Value;
    Invalidate();
}

void TVcBaseEntryField::SetStripLiterals(bool Value) {
    stripLiterals_ = Value;
    Changed();
}

void TVcBaseEntryField::SetTextMargin(int Value) {
    if (Value < 2) return;
    textMargin_ = Value;
    Invalidate();
}

void TVcBaseEntryField::SetTrimBlanks(bool Value) {
    trimBlanks_ = Value;
    if (!Value && DataKind() == fsString && fieldClass_ == fcPicture) rightJustify_ = false;
    Changed();
}

void TVcBaseEntryField::SetUninitialized(bool Value) {
    uninitialized_ = Value;
    Invalidate();
}

void TVcBaseEntryField::SetZeroDisplay(TZeroDisplay Value) {
    zeroDisplay_ = Value;
    Invalidate();
}

void TVcBaseEntryField::SetZeroDisplayValue(double Value) {
    zeroDisplayValue_ = Value;
    Invalidate();
}

void TVcBaseEntryField::SetInsertMode(bool Value) {
    insertMode_ = Value;
    caretPair_->SetInsertMode(Value);
}

void TVcBaseEntryField::SetMask(const TPictureMask& Value) {
    mask_ = Value.substr(0, MaxText);
    if (mask_.empty()) mask_ = "X";
    MaskChanged();
}

void TVcBaseEntryField::MaskChanged() {
    hexMask_ = mask_.find('K') != std::string::npos;
    octalMask_ = mask_.find('O') != std::string::npos;
    binaryMask_ = mask_.find('b') != std::string::npos;
}

char TVcBaseEntryField::MaskCharAt(int Position) const {
    if (Position < 0) return '\0';
    if (Position < static_cast<int>(mask_.size())) return mask_[static_cast<std::size_t>(Position)];
    return mask_.back();
}

void TVcBaseEntryField::SetDataTypeByte(Byte Value) {
    if ((Value & DataKindMask) > fsTime) throw EVcException(GetVcString(MsgInvalidParameter));
    dataType_ = Value;
    dataSize_ = 0;
    ResetRange();
}

void TVcBaseEntryField::ResetRange() {
    rangeHi_.fill(0);
    rangeLo_.fill(0);
    const Byte kind = DataKind();
    if (kind == fsChar) {
        rangeHi_[0] = ' ';
        rangeLo_[0] = ' ';
        return;
    }
    TKindRange range;
    if (!KindRange(kind, range)) return;
    NumberToRaw(range.Low, kind, rangeLo_.data());
    NumberToRaw(range.High, kind, rangeHi_.data());
}

void TVcBaseEntryField::ApplyOptions() {
    if (ComponentState().Contains(csLoading)) return;
    const Byte kind = DataKind();
    const bool oneChar = kind == fsChar || kind == fsBoolean || kind == fsYesNo;
    const bool numeric = IsIntegerKind(kind) || IsRealKind(kind);
    if (fieldClass_ == fcNumeric) {
        caretToEnd_ = forceInsert_ = forceOvertype_ = insertPushes_ = false;
        trimBlanks_ = rightJustify_ = stripLiterals_ = rightAlign_ = false;
    } else if (oneChar) {
        caretToEnd_ = insertPushes_ = forceInsert_ = forceOvertype_ = false;
        trimBlanks_ = rightJustify_ = stripLiterals_ = false;
    } else if (kind == fsString && fieldClass_ == fcSimple) {
        rightJustify_ = stripLiterals_ = false;
    } else if (numeric) {
        trimBlanks_ = stripLiterals_ = false;
        if (fieldClass_ == fcSimple) rightJustify_ = false;
    } else if (kind == fsDate || kind == fsTime) {
        trimBlanks_ = rightJustify_ = stripLiterals_ = false;
    }
    if (ComponentState().Contains(csDesigning) && inputRequired_ && kind >= fsChar &&
        kind <= fsComp)
        uninitialized_ = true;
}

// ---------------------------------------------------------------------------------------------
// Value access

int TVcBaseEntryField::GetDataSize() {
    if (dataSize_ == 0) dataSize_ = DataKindSize(DataKind(), maxLength_ + 1);
    return dataSize_;
}

int TVcBaseEntryField::TransferData(void* /*Buffer*/, int Operation) {
    if (Operation == otSet && !validating_) {
        errorShown_ = false;
        if (hasFocus_) {
            PlaceCaretOnEntry();
            ScrollToCaret();
            if (!gettingValue_) SetSelection(0, static_cast<int>(text_.size()));
        }
    }
    if (Operation == otSet) modified_ = false;
    if (Operation != otSize) Invalidate();
    return GetDataSize();
}

Word TVcBaseEntryField::GetValue(void* Buffer) {
    if (DataKind() > fsTime) throw EVcException(GetVcString(MsgInvalidParameter));
    gettingValue_ = true;
    const Word code = ValidateContents();
    if (code == 0) TransferData(Buffer, otGet);
    gettingValue_ = false;
    return code;
}

void TVcBaseEntryField::SetValue(const void* Buffer) {
    if (DataKind() > fsTime) throw EVcException(GetVcString(MsgInvalidParameter));
    if (inUserValidation_) return;
    HandleNeeded();
    settingValue_ = true;
    try {
        TransferData(const_cast<void*>(Buffer), otSet);
    } catch (...) {
        settingValue_ = false;
        throw;
    }
    settingValue_ = false;
}

bool TVcBaseEntryField::AsBoolean() {
    if (DataKind() != fsBoolean && DataKind() != fsYesNo) throw EInvalidDataType();
    Byte value = 0;
    lastError_ = GetValue(&value);
    return lastError_ == 0 && value != 0;
}

void TVcBaseEntryField::SetAsBoolean(bool Value) {
    if (DataKind() != fsBoolean && DataKind() != fsYesNo) throw EInvalidDataType();
    const Byte value = Value ? 1 : 0;
    SetValue(&value);
}

double TVcBaseEntryField::AsDateTime() {
    const Byte kind = DataKind();
    if (kind != fsDate && kind != fsTime) throw EInvalidDataType();
    Byte raw[4] = {};
    lastError_ = GetValue(raw);
    if (lastError_ != 0) return -1.0;
    const LongInt value = static_cast<LongInt>(RawToNumber(raw, kind));
    if (kind == fsDate) return value == BadDate ? -1.0 : DayNumberToDateTime(value);
    return value == BadTime ? -1.0 : SecondsToDateTime(value);
}

void TVcBaseEntryField::SetAsDateTime(double Value) {
    const Byte kind = DataKind();
    if (kind != fsDate && kind != fsTime) throw EInvalidDataType();
    const LongInt value = Value < 0        ? (kind == fsDate ? BadDate : BadTime)
                          : kind == fsDate ? DateTimeToDayNumber(Value)
                                           : DateTimeToSeconds(Value);
    Byte raw[4];
    NumberToRaw(value, kind, raw);
    SetValue(raw);
}

double TVcBaseEntryField::AsFloat() {
    const Byte kind = DataKind();
    if (!IsIntegerKind(kind) && !IsRealKind(kind)) throw EInvalidDataType();
    TVcRangeValue raw{};
    lastError_ = GetValue(raw.data());
    return lastError_ == 0 ? static_cast<double>(RawToNumber(raw.data(), kind)) : 0.0;
}

void TVcBaseEntryField::SetAsFloat(double Value) {
    const Byte kind = DataKind();
    if (!IsIntegerKind(kind) && !IsRealKind(kind)) throw EInvalidDataType();
    TKindRange range;
    KindRange(kind, range);
    if (!std::isfinite(Value) || Value < range.Low || Value > range.High)
        throw EEntryFieldError(GetVcString(MsgFirstFieldError + 1));
    TVcRangeValue raw{};
    NumberToRaw(IsIntegerKind(kind) ? std::round(Value) : Value, kind, raw.data());
    SetValue(raw.data());
}

LongInt TVcBaseEntryField::AsInteger() {
    if (!IsIntegerKind(DataKind())) throw EInvalidDataType();
    TVcRangeValue raw{};
    lastError_ = GetValue(raw.data());
    return lastError_ == 0 ? static_cast<LongInt>(RawToNumber(raw.data(), DataKind())) : 0;
}

void TVcBaseEntryField::SetAsInteger(LongInt Value) {
    if (!IsIntegerKind(DataKind())) throw EInvalidDataType();
    SetAsFloat(Value);
}

TDayNumber TVcBaseEntryField::AsDayNumber() {
    if (DataKind() != fsDate) throw EInvalidDataType();
    Byte raw[4] = {};
    lastError_ = GetValue(raw);
    return lastError_ == 0 ? static_cast<TDayNumber>(RawToNumber(raw, fsDate)) : BadDate;
}

void TVcBaseEntryField::SetAsDayNumber(TDayNumber Value) {
    if (DataKind() != fsDate) throw EInvalidDataType();
    Byte raw[4];
    NumberToRaw(Value, fsDate, raw);
    SetValue(raw);
}

std::string TVcBaseEntryField::AsString() {
    if (DataKind() == fsString) {
        std::vector<Byte> buffer(static_cast<std::size_t>(GetDataSize()) + 1, 0);
        lastError_ = GetValue(buffer.data());
        if (lastError_ != 0) return {};
        const std::size_t n = std::min<std::size_t>(buffer[0], buffer.size() - 1);
        return std::string(reinterpret_cast<const char*>(buffer.data() + 1), n);
    }
    return trimBlanks_ ? Trim(text_) : text_;
}

void TVcBaseEntryField::SetAsString(const std::string& Value) {
    if (inUserValidation_) return;
    const Byte kind = DataKind();
    if (kind == fsString) {
        const std::string cut = Value.substr(0, static_cast<std::size_t>(maxLength_));
        std::vector<Byte> buffer(static_cast<std::size_t>(GetDataSize()) + 1, 0);
        buffer[0] = static_cast<Byte>(cut.size());
        std::memcpy(buffer.data() + 1, cut.data(), cut.size());
        SetValue(buffer.data());
        return;
    }
    if (kind == fsBoolean || kind == fsYesNo) {
        const char first = Value.empty() ? ' ' : UpCaseChar(Value[0]);
        const TVcIntlSup& intl = *intl_;
        const char yes = kind == fsBoolean ? intl.TrueLetter : intl.YesLetter;
        const Byte value = UpCaseChar(yes) == first ? 1 : 0;
        SetValue(&value);
        return;
    }
    TVcRangeValue raw{};
    if (!TextToValue(Value, raw.data()))
        throw EEntryFieldError(GetVcString(MsgFirstFieldError + 1));
    SetValue(raw.data());
}

// ---------------------------------------------------------------------------------------------
// Conversions between texts and values

bool TVcBaseEntryField::ParseInteger(const std::string& Text, Int64& Value, bool KindRange) const {
    const std::string t = Trim(Text);
    const int size = DataKindSize(DataKind(), 0);
    Int64 v = 0;
    bool bitPattern = true;
    if (hexMask_) {
        std::string hex = t;
        if (hex.empty() || hex[0] != '$') hex.insert(hex.begin(), '$');
        int code = 0;
        Val(hex, v, code);
        if (code != 0 || v < 0 || v > 0xFFFFFFFFLL) return false;
    } else if (octalMask_ || binaryMask_) {
        const int bits = octalMask_ ? 3 : 1;
        const char top = octalMask_ ? '7' : '1';
        if (t.empty()) return false;
        for (char c : t) {
            if (c < '0' || c > top) return false;
            if ((v << bits) > 0xFFFFFFFFLL) return false;
            v = (v << bits) | (c - '0');
        }
    } else {
        bitPattern = false;
        int code = 0;
        Val(t, v, code);
        if (code != 0 || v < -2147483648LL || v > 2147483647LL) return false;
    }
    if (bitPattern) {
        // A digit pattern stands for the kind's bits: it must fit them, and signed kinds read it
        // as two's complement.
        const int width = 8 * (size == 0 ? 4 : size);
        if (width < 64 && v >= (Int64{1} << width)) return false;
        const Byte kind = DataKind();
        const bool isSigned = kind == fsLongInt || kind == fsInteger || kind == fsShortInt;
        if (isSigned && v >= (Int64{1} << (width - 1))) v -= Int64{1} << width;
    }
    long double low = 0;
    long double high = 0;
    if (KindRange && DataKindRange(DataKind(), low, high) && (v < low || v > high)) return false;
    Value = v;
    return true;
}

bool TVcBaseEntryField::ReadNumberText(const std::string& Text, long double& Value) const {
    const Byte kind = DataKind();
    if (!IsIntegerKind(kind)) return ReadRealText(Text, intl_->DecimalSeparator, kind, Value);
    // A field that never held a value has no digits: it holds 0, as the real kinds do.
    if (Trim(Text).empty()) {
        Value = 0;
        return true;
    }
    Int64 v = 0;
    if (!ParseInteger(Text, v, false)) return false;
    Value = static_cast<long double>(v);
    return true;
}

void TVcBaseEntryField::SetNumberValue(long double Value) {
    TVcRangeValue raw{};
    NumberToRaw(Value, DataKind(), raw.data());
    TransferData(raw.data(), otSet);
}

bool TVcBaseEntryField::StepNumberText(const std::string& Text, double Delta) {
    const Byte kind = DataKind();
    long double value = 0;
    if (!ReadNumberText(Text, value) ||
        !StepNumber(value, Delta, RawToNumber(rangeLo_.data(), kind),
                    RawToNumber(rangeHi_.data(), kind), kind))
        return false;
    SetNumberValue(value);
    return true;
}

bool TVcBaseEntryField::TextToValue(const std::string& Text, Byte* Raw) const {
    const Byte kind = DataKind();
    if (kind == fsChar) {
        char c = ' ';
        if (!Text.empty() && Text[0] == '#') {
            int code = 0;
            int value = 0;
            Val(Text.substr(1), value, code);
            if (code == 0 && value >= 0 && value <= 255) c = static_cast<char>(value);
        } else if (!Text.empty()) {
            c = Text[0];
        }
        Raw[0] = static_cast<Byte>(c);
        return true;
    }
    if (IsIntegerKind(kind)) {
        Int64 v = 0;
        if (!ParseInteger(Text, v)) return false;
        NumberToRaw(v, kind, Raw);
        return true;
    }
    if (IsRealKind(kind)) {
        const std::string t = Trim(Text);
        double v = 0;
        if (!t.empty()) {
            int code = 0;
            Val(t, v, code);
            if (code != 0 || !std::isfinite(v)) return false;
        }
        TKindRange range;
        KindRange(kind, range);
        if (v < range.Low || v > range.High) return false;
        NumberToRaw(v, kind, Raw);
        return true;
    }
    if (kind == fsDate) {
        const std::string picture = intl_->DefaultDatePicture(false);
        if (Text.size() != picture.size()) return false;
        const TDayNumber d = intl_->DateStringToDate(picture, Text, EffectiveEpoch());
        if (d == BadDate) return false;
        NumberToRaw(d, kind, Raw);
        return true;
    }
    if (kind == fsTime) {
        const std::string picture = intl_->DefaultTimePicture(true);
        if (Text.size() != picture.size()) return false;
        const TTimeOfDay t = intl_->TimeStringToTime(picture, Text);
        if (t == BadTime) return false;
        NumberToRaw(t, kind, Raw);
        return true;
    }
    // Texts, Booleans and yes/no hold no range: only the empty text they show for it is taken,
    // so that a field's options can be copied to another.
    return Text.empty();
}

std::string TVcBaseEntryField::ValueToText(const Byte* Raw) const {
    const Byte kind = DataKind();
    if (kind == fsChar) return std::string(1, static_cast<char>(Raw[0]));
    if (IsIntegerKind(kind) || kind == fsComp)
        return IntToStr(static_cast<Int64>(RawToNumber(Raw, kind)));
    if (IsRealKind(kind)) return PlainFloatToStr(static_cast<double>(RawToNumber(Raw, kind)));
    if (kind == fsDate)
        return intl_->DateToDateString(intl_->DefaultDatePicture(false),
                                       static_cast<TDayNumber>(RawToNumber(Raw, kind)), false);
    if (kind == fsTime)
        return intl_->TimeToTimeString(intl_->DefaultTimePicture(true),
                                       static_cast<TTimeOfDay>(RawToNumber(Raw, kind)), false);
    return {};
}

bool TVcBaseEntryField::InRange(const Byte* Raw) const {
    const Byte kind = DataKind();
    TKindRange range;
    if (!KindRange(kind, range)) return true;
    const long double v = RawToNumber(Raw, kind);
    return v >= RawToNumber(rangeLo_.data(), kind) && v <= RawToNumber(rangeHi_.data(), kind);
}

bool TVcBaseEntryField::RangeTexts(std::string& Low, std::string& High) {
    TKindRange range;
    if (!KindRange(DataKind(), range)) return false;
    Low = ValueToText(rangeLo_.data());
    High = ValueToText(rangeHi_.data());
    return true;
}

std::string TVcBaseEntryField::RangeHi() const {
    return ValueToText(rangeHi_.data());
}

std::string TVcBaseEntryField::RangeLo() const {
    return ValueToText(rangeLo_.data());
}

void TVcBaseEntryField::SetRangeHi(const std::string& Value) {
    TVcRangeValue raw{};
    if (!TextToValue(Value, raw.data())) throw EInvalidRangeValue(DataKind());
    rangeHi_ = raw;
}

void TVcBaseEntryField::SetRangeLo(const std::string& Value) {
    TVcRangeValue raw{};
    if (!TextToValue(Value, raw.data())) throw EInvalidRangeValue(DataKind());
    rangeLo_ = raw;
}

// ---------------------------------------------------------------------------------------------
// Display

bool TVcBaseEntryField::IsEmpty() {
    return std::all_of(text_.begin(), text_.end(), [](char c) { return c == ' '; });
}

bool TVcBaseEntryField::ZeroHidden() {
    const Byte kind = DataKind();
    if (hasFocus_ || !(IsIntegerKind(kind) || IsRealKind(kind))) return false;
    if (zeroDisplay_ == zdShow || (zeroDisplay_ == zdHideUntilModified && modified_)) return false;
    std::string t = Trim(text_);
    FixFloatText(t, intl_->DecimalSeparator);
    double v = 0;
    int code = 0;
    Val(t, v, code);
    return code == 0 && v == zeroDisplayValue_;
}

std::string TVcBaseEntryField::GetDisplayText() {
    if (ZeroHidden()) return std::string(text_.size(), ' ');
    std::string shown = text_.substr(0, MaxText);
    for (char& c : shown)
        if (c > 0 && c < 32) c = static_cast<char>(c + 64);
    return shown;
}

std::string TVcBaseEntryField::DisplayString() {
    return GetDisplayText().substr(0, MaxText);
}

int TVcBaseEntryField::TextLeft(TCanvas* Canvas, const std::string& Shown) {
    const int room = ClientWidth() - textMargin_ - 1;
    const std::string visible = Shown.substr(std::min<std::size_t>(firstVisible_, Shown.size()));
    if (fieldClass_ == fcNumeric) {
        const std::size_t lead = visible.find_first_not_of(' ');
        if (lead == std::string::npos) return room;
        const std::string digits = TrimRight(visible.substr(lead));
        return room - Canvas->TextWidth(digits) - Canvas->TextWidth(visible.substr(0, lead));
    }
    if (rightAlign_) {
        const int w = Canvas->TextWidth(visible);
        if (w < room) return ClientWidth() - w - textMargin_ - 1;
    }
    return textMargin_ - 1;
}

void TVcBaseEntryField::Paint() {
    PaintTo(Canvas());
}

void TVcBaseEntryField::PaintTo(TCanvas* Canvas) {
    const bool designing = ComponentState().Contains(csDesigning);
    const std::string shown = designing ? text_ : GetDisplayText();
    TColor text = Font()->Color();
    TColor back = Color();
    if (!Enabled()) {
        text = disabledColors_->TextColor();
        back = disabledColors_->BackColor();
    } else if (errorShown_) {
        text = errorColors_->TextColor();
        back = errorColors_->BackColor();
    }
    Canvas->Font()->Assign(Font());
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Brush()->SetColor(back);
    Canvas->FillRect(ClientRect());
    int x = TextLeft(Canvas, shown);
    const bool showSelection = hasFocus_ && Enabled() && selEnd_ > selStart_;
    // 0 plain, 1 selected, 2 control character: selection wins, then the control-character colour.
    const auto runClass = [&](int i) {
        if (showSelection && i >= selStart_ && i < selEnd_) return 1;
        const char raw =
            i < static_cast<int>(text_.size()) ? text_[static_cast<std::size_t>(i)] : ' ';
        return raw > 0 && raw < 32 && Enabled() ? 2 : 0;
    };
    const int n = static_cast<int>(shown.size());
    for (int i = firstVisible_; i < n;) {
        const int cls = runClass(i);
        int j = i + 1;
        while (j < n && runClass(j) == cls)
            ++j;
        const std::string run =
            shown.substr(static_cast<std::size_t>(i), static_cast<std::size_t>(j - i));
        TColor fore = text;
        TColor fill = back;
        if (cls == 1) {
            fore = highlightColors_->TextColor();
            fill = highlightColors_->BackColor();
        } else if (cls == 2) {
            fore = controlCharColor_;
        }
        Canvas->Font()->SetColor(fore);
        Canvas->Brush()->SetColor(fill);
        Canvas->TextOut(x, textTop_, run);
        x += Canvas->TextWidth(run);
        i = j;
    }
}

void TVcBaseEntryField::RecomputeTextPosition() {
    textTop_ = TextTopOffset(*Font(), BorderStyle(), ClientHeight(), Ctl3D());
    if (textTop_ < 0) textTop_ = 0;
}

void TVcBaseEntryField::AdjustHeight() {
    if (!autoSize_ || !HandleAllocated()) return;
    TCanvas* canvas = Canvas();
    canvas->Font()->Assign(Font());
    const int charHeight = canvas->TextHeight("Wy");
    const int extra = GetSystemMetrics(SM_CYBORDER) * (Ctl3D() ? 8 : 6);
    if (Height() != charHeight + extra) SetHeight(charHeight + extra);
}

// ---------------------------------------------------------------------------------------------
// Caret, selection and scrolling

void TVcBaseEntryField::SetSelection(int Start, int End) {
    const int len = static_cast<int>(text_.size());
    selStart_ = std::clamp(std::min(Start, End), 0, std::max(len, 0));
    selEnd_ = std::clamp(std::max(Start, End), 0, std::max(len, 0));
    Invalidate();
}

void TVcBaseEntryField::MoveCaret(int Position, bool Extend) {
    Position = std::clamp(Position, 0, static_cast<int>(text_.size()));
    if (Extend) {
        if (selStart_ == selEnd_) anchor_ = caret_;
        caret_ = Position;
        SetSelection(anchor_, caret_);
    } else {
        caret_ = Position;
        anchor_ = Position;
        SetSelection(Position, Position);
    }
    ScrollToCaret();
}

bool TVcBaseEntryField::FindSteppedChar(char MaskChar, char Current, bool Wrap, double Delta,
                                        char& Result) const {
    int lo = rangeLo_[0];
    int hi = rangeHi_[0];
    if (lo == hi) {
        lo = 1;
        hi = 255;
    }
    const int direction = Delta == 1.0 ? 1 : -1;
    int c = static_cast<unsigned char>(Current);
    // One full cycle of the range at most: a range without an accepted character ends here.
    for (int tried = 0; tried <= hi - lo; ++tried) {
        c += direction;
        if (c < lo || c > hi) {
            if (!Wrap) return false;
            c = direction > 0 ? lo : hi;
        }
        const char candidate = static_cast<char>(c);
        if (CharIsOk(MaskChar, candidate) && ConvertChar(MaskChar, candidate, ' ') == candidate) {
            Result = candidate;
            return true;
        }
    }
    return false;
}

char TVcBaseEntryField::ToggleLetter(char Current) const {
    const bool boolean = DataKind() == fsBoolean;
    const char yes = UpCaseChar(boolean ? intl_->TrueLetter : intl_->YesLetter);
    const char no = UpCaseChar(boolean ? intl_->FalseLetter : intl_->NoLetter);
    return UpCaseChar(Current) == yes ? no : yes;
}

bool TVcBaseEntryField::IsWordChar(int Position) const {
    return Position < static_cast<int>(text_.size()) && !IsLiteralPos(Position) &&
           text_[static_cast<std::size_t>(Position)] != ' ';
}

int TVcBaseEntryField::WordLeft(int Position) {
    const int first = FirstEditPos();
    int i = Position - 1;
    while (i > first && !IsWordChar(i))
        --i;
    while (i > first && IsWordChar(i - 1))
        --i;
    return std::max(i, first);
}

int TVcBaseEntryField::WordRight(int Position) {
    const int last = std::min(LastEditPos(), static_cast<int>(text_.size()) - 1);
    int i = Position;
    while (i <= last && IsWordChar(i))
        ++i;
    while (i <= last && !IsWordChar(i))
        ++i;
    return std::min(i, LastEditPos() + 1);
}

void TVcBaseEntryField::PutOneChar(int Position, char C) {
    if (static_cast<int>(text_.size()) <= Position)
        text_.resize(static_cast<std::size_t>(Position) + 1, ' ');
    text_[static_cast<std::size_t>(Position)] = C;
    MoveCaret(Position, false);
    modified_ = true;
    DoOnChange();
    Invalidate();
}

bool TVcBaseEntryField::EditOneChar(TMessage& Message, Word Command) {
    const int pos = FirstEditPos();
    const char maskChar = MaskCharAt(pos);
    // The character as the position takes it; false when refused.
    const auto accepted = [&](char& c) {
        c = ConvertChar(maskChar, c, ' ');
        return static_cast<unsigned char>(c) >= 32 && CharIsOk(maskChar, c);
    };
    switch (Command) {
    case ccTypedChar:
    case ccCtrlChar: {
        char c = static_cast<char>(Message.WParam);
        if (Command == ccTypedChar && !accepted(c)) {
            Beep();
            return true;
        }
        PutOneChar(pos, c);
        if (autoAdvanceChar_) DoAutoAdvance();
        return true;
    }
    case ccBack:
    case ccDel:
    case ccCut:
    case ccDelWord:
    case ccDelBol:
    case ccDelEol:
    case ccDelLine: PutOneChar(pos, ' '); return true;
    case ccPaste:
        // The first pasted character the position takes.
        if (Message.LParam)
            for (char c : *reinterpret_cast<const std::string*>(Message.LParam))
                if (accepted(c)) {
                    PutOneChar(pos, c);
                    break;
                }
        return true;
    case ccInc: IncreaseValue(true, 1.0); return true;
    case ccDec: IncreaseValue(true, -1.0); return true;
    case ccExtendLeft:
    case ccExtendRight:
    case ccExtendHome:
    case ccExtendEnd:
    case ccExtWordLeft:
    case ccExtWordRight: SetSelection(pos, pos + 1); return true;
    case ccIns:
        if (!forceInsert_ && !forceOvertype_) SetInsertMode(!insertMode_);
        return true;
    case ccRestore: Restore(); return true;
    default: return false;
    }
}

void TVcBaseEntryField::MoveCaretToEnd() {
    caret_ = static_cast<int>(text_.size());
    anchor_ = caret_;
}

void TVcBaseEntryField::CaretToHome() {
    caret_ = 0;
    anchor_ = 0;
    firstVisible_ = 0;
}

void TVcBaseEntryField::PlaceCaretOnEntry() {
    if (caretToEnd_)
        MoveCaretToEnd();
    else
        CaretToHome();
}

void TVcBaseEntryField::SetCaretPosition(int Position) {
    if (!hasFocus_) return;
    caret_ = Position < 0 ? 0 : Position;
    ScrollToCaret();
}

void TVcBaseEntryField::ScrollToCaret() {
    if (!hasFocus_ || !HandleAllocated()) return;
    TCanvas* canvas = Canvas();
    canvas->Font()->Assign(Font());
    const std::string shown = GetDisplayText();
    const int room = ClientWidth() - textMargin_ - 1;
    const auto width = [&](int from, int to) {
        from = std::clamp(from, 0, static_cast<int>(shown.size()));
        to = std::clamp(to, from, static_cast<int>(shown.size()));
        return canvas->TextWidth(
            shown.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from)));
    };
    if (caret_ <= FirstEditPos() + 1) firstVisible_ = 0;
    if (caret_ < firstVisible_) firstVisible_ = caret_;
    if (fieldClass_ != fcNumeric)
        while (firstVisible_ < caret_ && width(firstVisible_, caret_) >= room)
            ++firstVisible_;
    if (rightAlign_ && width(0, static_cast<int>(shown.size())) < room) firstVisible_ = 0;
    const std::shared_ptr<TVcCaret>& look = caretPair_->Caret();
    const TVcCaretShape shape = look->Shape();
    const int oneMore =
        shape == csBlock || shape == csHalfBlock || shape == csHorzLine || look->CaretWidth() > 4;
    // The caret stands one pixel left of its character, one further for the wide shapes.
    const int x = TextLeft(canvas, shown) + width(firstVisible_, caret_) - 1 + oneMore;
    caretPair_->SetCellHeight(std::max(canvas->TextHeight("Wy"), 1));
    caretPair_->SetCellWidth(
        std::max(canvas->TextWidth(caret_ < static_cast<int>(shown.size())
                                       ? shown.substr(static_cast<std::size_t>(caret_), 1)
                                       : std::string("0")),
                 1));
    caretPair_->SetPosition(x, textTop_ + (oneMore ? 1 : 0));
}

int TVcBaseEntryField::PositionAt(int X) {
    if (!HandleAllocated()) return 0;
    TCanvas* canvas = Canvas();
    canvas->Font()->Assign(Font());
    const std::string shown = GetDisplayText();
    int x = TextLeft(canvas, shown);
    for (int i = firstVisible_; i < static_cast<int>(shown.size()); ++i) {
        const int w = canvas->TextWidth(shown.substr(static_cast<std::size_t>(i), 1));
        if (X < x + w / 2) return i;
        x += w;
    }
    return static_cast<int>(shown.size());
}

void TVcBaseEntryField::SetEditText(const std::string& Value) {
    text_ = Value.substr(0, static_cast<std::size_t>(std::min(maxLength_, MaxText)));
    caret_ = std::min(caret_, static_cast<int>(text_.size()));
    anchor_ = std::min(anchor_, static_cast<int>(text_.size()));
    SetSelection(selStart_, selEnd_);
}

// ---------------------------------------------------------------------------------------------
// Commands

void TVcBaseEntryField::Beep() {
    if (beepOnError_) MessageBeep(MB_OK);
}

bool TVcBaseEntryField::IsEditingCommand(Word Command) const {
    switch (Command) {
    case ccBack:
    case ccCtrlChar:
    case ccCut:
    case ccDec:
    case ccDel:
    case ccDelBol:
    case ccDelEol:
    case ccDelLine:
    case ccDelWord:
    case ccInc:
    case ccIns:
    case ccPaste:
    case ccRestore:
    case ccTypedChar: return true;
    default: return false;
    }
}

void TVcBaseEntryField::DoCommand(TMessage& Message, Word Command) {
    if (!HandleAllocated()) return;
    if (Command == ccTypedChar && static_cast<char>(Message.WParam) == '\0') return;
    if (IsReadOnly() && IsEditingCommand(Command)) {
        Beep();
        return;
    }
    if (Command >= ccUserFirst) {
        DoOnUserCommand(Command);
        Command = ccIgnore;
    }
    PerformEdit(Message, Command);
}

void TVcBaseEntryField::Restore() {
    if (!savedText_) return;
    SetEditText(*savedText_);
    PlaceCaretOnEntry();
    SetSelection(0, static_cast<int>(text_.size()));
    modified_ = false;
    ScrollToCaret();
    Invalidate();
    DoOnChange();
}

void TVcBaseEntryField::MoveToNextControl() {
    if (TCustomForm* form = GetParentForm(this)) PostMessage(form->Handle(), WM_NEXTDLGCTL, 0, 0);
}

void TVcBaseEntryField::MoveToPrevControl() {
    if (TCustomForm* form = GetParentForm(this)) PostMessage(form->Handle(), WM_NEXTDLGCTL, 1, 0);
}

void TVcBaseEntryField::DoAutoAdvance() {
    MoveToNextControl();
}

void TVcBaseEntryField::DoOnChange() {
    if (ComponentState().Contains(csLoading) || settingValue_) return;
    if (OnChange) OnChange(this);
}

void TVcBaseEntryField::DoOnError(Word Code, const std::string& Text) {
    if (OnError) {
        OnError(this, Code, Text);
        return;
    }
    if (Controller()) Controller()->DoOnError(this, Code, Text);
}

void TVcBaseEntryField::DoOnUserCommand(Word Command) {
    if (OnUserCommand) OnUserCommand(this, Command);
}

void TVcBaseEntryField::DoOnUserValidation(Word& Code) {
    if (!OnUserValidation) return;
    inUserValidation_ = true;
    try {
        OnUserValidation(this, Code);
    } catch (...) {
        inUserValidation_ = false;
        throw;
    }
    inUserValidation_ = false;
}

// ---------------------------------------------------------------------------------------------
// Clipboard and context menu

void TVcBaseEntryField::CopyToClipboard() {
    if (selEnd_ <= selStart_) return;
    const std::string shown = GetDisplayText();
    std::string part;
    for (int i = selStart_; i < selEnd_ && i < static_cast<int>(shown.size()); ++i) {
        const char raw =
            i < static_cast<int>(text_.size()) ? text_[static_cast<std::size_t>(i)] : ' ';
        part += raw > 0 && raw < 32 ? raw : shown[static_cast<std::size_t>(i)];
    }
    Clipboard()->SetAsText(part);
}

void TVcBaseEntryField::CutToClipboard() {
    Perform(WM_CUT);
}

void TVcBaseEntryField::PasteFromClipboard() {
    Perform(WM_PASTE);
}

void TVcBaseEntryField::ClearSelection() {
    Perform(WM_CLEAR);
}

void TVcBaseEntryField::SelectAll() {
    Perform(EM_SETSEL, 0, 0xFFFF);
}

void TVcBaseEntryField::WMCopy(TMessage& /*Message*/) {
    CopyToClipboard();
    DoCommand(ccCopy);
}

void TVcBaseEntryField::WMCut(TMessage& /*Message*/) {
    if (IsReadOnly()) {
        Beep();
        return;
    }
    CopyToClipboard();
    DoCommand(ccCut);
}

void TVcBaseEntryField::WMPaste(TMessage& /*Message*/) {
    if (!Clipboard()->HasFormat(CF_TEXT)) return;
    const std::string text = Clipboard()->AsText();
    TMessage m{WM_PASTE, 0, reinterpret_cast<LPARAM>(&text), 0};
    DoCommand(m, ccPaste);
}

void TVcBaseEntryField::WMClear(TMessage& /*Message*/) {
    DoCommand(ccCut);
}

void TVcBaseEntryField::SetTextValue(const std::string& Value) {
    if (!HandleAllocated()) {
        SetEditText(Value);
        return;
    }
    SetSelection(0, static_cast<int>(text_.size()));
    TMessage m{WM_SETTEXT, 0, reinterpret_cast<LPARAM>(&Value), 0};
    DoCommand(m, ccPaste);
}

void TVcBaseEntryField::ShowContextMenu(int X, int Y) {
    contextMenu_ = std::make_unique<TPopupMenu>(nullptr);
    TMenuItem* items = contextMenu_->Items();
    const auto add = [&](int message, bool enabled, std::function<void()> action) {
        TMenuItem* item = NewItem(contextMenu_.get(), GetVcString(message), scNone,
                                  [action](TObject*) { action(); });
        item->SetEnabled(enabled);
        items->Add(item);
    };
    const bool selection = selEnd_ > selStart_;
    add(MsgRestore, modified_, [this] { Restore(); });
    items->Add(NewLine(contextMenu_.get()));
    add(MsgRestore + 1, selection, [this] { CutToClipboard(); });
    add(MsgRestore + 2, selection, [this] { Perform(WM_COPY); });
    add(MsgRestore + 3, Clipboard()->HasFormat(CF_TEXT) && Enabled(),
        [this] { PasteFromClipboard(); });
    add(MsgRestore + 4, selection, [this] { ClearSelection(); });
    items->Add(NewLine(contextMenu_.get()));
    add(MsgRestore + 5, !text_.empty(), [this] { SelectAll(); });
    const TPoint at = ClientToScreen({X, Y});
    contextMenu_->Popup(at.X, at.Y);
}

// ---------------------------------------------------------------------------------------------
// Validation and error report

std::string TVcBaseEntryField::ErrorTextFor(Word Code) {
    if (Code >= epUserFirst) return Controller() ? Controller()->ErrorText() : std::string();
    const bool builtIn = Code >= epRange && Code <= epPartial;
    std::string text = GetVcString(builtIn ? MsgFirstFieldError + (Code - epRange) : MsgEntryError);
    // The field by its label's name, and for a value out of range the values it takes.
    const std::string name = FieldCaption(this);
    std::string low, high;
    if (Code == epRange && RangeTexts(low, high))
        text += "\n\n" + (name.empty() ? std::string() : name + ": ") + low + " to " + high;
    else if (!name.empty())
        text += "\n\n" + name;
    return text;
}

void TVcBaseEntryField::ReportError(Word Code) {
    if (Code == 0) return;
    const std::string text = ErrorTextFor(Code);
    if (Controller()) Controller()->SetErrorText(text);
    DoOnError(Code, text);
}

Word TVcBaseEntryField::CheckContents(bool CheckRequired) {
    if (CheckRequired && inputRequired_ && !IsReadOnly() &&
        (IsEmpty() || (uninitialized_ && !modified_)))
        return epRequired;
    struct TValidating {
        bool& Flag;
        explicit TValidating(bool& flag) : Flag(flag) { Flag = true; }
        ~TValidating() { Flag = false; }
    } validating(validating_);
    return ValidateContents();
}

bool TVcBaseEntryField::ValidateOnExit(bool Soft) {
    if (!Visible() || !Enabled()) return true;
    HandleNeeded();
    lastError_ = 0;
    lastError_ = CheckContents(true);
    if (caret_ > static_cast<int>(text_.size())) caret_ = static_cast<int>(text_.size());
    if (lastError_ == 0) {
        errorShown_ = false;
        Invalidate();
        return true;
    }
    if (Soft && softValidation_) {
        errorShown_ = true;
        Invalidate();
        return true;
    }
    if (softValidation_) errorShown_ = true;
    errorReported_ = true;
    if (hasFocus_) leftForm_ = true;
    TVcController& controller = NeedController();
    controller.RefocusField(this);
    if (!controller.ErrorPending()) PostMessage(Handle(), VCM_REPORTERROR, lastError_, 0);
    controller.SetErrorPending(true);
    Invalidate();
    return false;
}

Word TVcBaseEntryField::Validate(bool Report) {
    if (!Visible() || !Enabled()) return 0;
    const Word code = CheckContents(true);
    lastError_ = code;
    if (Report && code != 0 && HandleAllocated()) PostMessage(Handle(), VCM_REPORTERROR, code, 0);
    const bool shown = softValidation_ && code != 0;
    if (shown != errorShown_) {
        errorShown_ = shown;
        Invalidate();
    }
    return code;
}

bool TVcBaseEntryField::IsValid() {
    return Validate(!softValidation_) == 0;
}

// ---------------------------------------------------------------------------------------------
// Window and messages

void TVcBaseEntryField::CreateWnd() {
    TVcBase::CreateWnd();
    caret_ = 0;
    anchor_ = 0;
    firstVisible_ = 0;
    selStart_ = selEnd_ = 0;
    dataSize_ = 0;
    GetDataSize();
    const Byte kind = DataKind();
    if (inputRequired_ && kind >= fsChar && kind <= fsComp) uninitialized_ = true;
    MaskChanged();
    ApplyOptions();
    AdjustHeight();
    RecomputeTextPosition();
}

void TVcBaseEntryField::CreateWndKeepingValue(const std::function<void()>& Create) {
    // Room for the largest value: a string of MaxText characters after its length.
    std::array<Byte, MaxText + 2> saved{};
    const bool again = wndCreated_;
    if (again) TransferData(saved.data(), otGet);
    Create();
    if (again) TransferData(saved.data(), otSet);
    wndCreated_ = true;
}

void TVcBaseEntryField::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case VCM_REPORTERROR: ReportError(static_cast<Word>(Message.WParam)); break;
    case VCM_GETDATASIZE: Message.Result = GetDataSize(); break;
    case EM_GETSEL:
        if (Message.WParam)
            *reinterpret_cast<DWORD*>(Message.WParam) = static_cast<DWORD>(selStart_);
        if (Message.LParam) *reinterpret_cast<DWORD*>(Message.LParam) = static_cast<DWORD>(selEnd_);
        Message.Result = MakeLParam(selStart_, selEnd_);
        break;
    case EM_SETSEL: {
        const int start = static_cast<int>(Message.WParam & 0xFFFF);
        const int end = static_cast<int>(Message.LParam & 0xFFFF);
        if (start == 0xFFFF)
            SetSelection(caret_, caret_);
        else if (start == 0 && end == 0xFFFF)
            SetSelection(0, static_cast<int>(text_.size()));
        else if (start <= end)
            SetSelection(start, end);
        Invalidate();
        break;
    }
    case EM_GETMODIFY: Message.Result = modified_ ? 1 : 0; break;
    case EM_SETMODIFY: modified_ = static_cast<std::intptr_t>(Message.WParam) > 0; break;
    case WM_SETTEXT:
        if (HandleAllocated() && Message.LParam) {
            const std::string text(reinterpret_cast<const char*>(Message.LParam));
            SetTextValue(text);
        }
        Message.Result = 1;
        break;
    default: TVcBase::Dispatch(Message); break;
    }
}

void TVcBaseEntryField::WMGetDlgCode(TWMGetDlgCode& Message) {
    if (ComponentState().Contains(csDesigning)) {
        Message.Result = DLGC_STATIC;
        return;
    }
    TVcBase::WMGetDlgCode(Message);
    Message.Result |= DLGC_WANTARROWS | DLGC_WANTCHARS;
}

void TVcBaseEntryField::DefaultKeyDown(TWMKey& Message) {
    if (DoKeyDown(Message)) return;
    TMessage m{Message.Msg, Message.CharCode, Message.KeyData, 0};
    DefaultHandler(m);
    Message.Result = m.Result;
}

void TVcBaseEntryField::WMKeyDown(TWMKey& Message) {
    DefaultKeyDown(Message);
    TranslateKeyDown(Message);
}

void TVcBaseEntryField::TranslateKeyDown(TWMKey& Message) {
    const Word key = Message.CharCode;
    if (key == 0 || key == VK_SHIFT) return;
    Word cmd = NeedController().EntryCommands()->Translate(Message);
    acceptNextChar_ = cmd == ccNoCommand;
    if (cmd == ccUndo) cmd = ccRestore;
    switch (cmd) {
    case ccNone:
    case ccNoCommand:
    case ccSequencePending:
    case ccIgnore: return;
    case ccCtrlChar: ctrlCharMode_ = true; return;
    case ccIns:
        if (forceInsert_ || forceOvertype_) return;
        break;
    case ccCopy: Perform(WM_COPY); return;
    case ccCut: Perform(WM_CUT); return;
    case ccPaste: Perform(WM_PASTE); return;
    default: break;
    }
    TMessage m{WM_KEYDOWN, key, Message.KeyData, 0};
    DoCommand(m, cmd);
}

void TVcBaseEntryField::WMSysKeyDown(TWMKey& Message) {
    DefaultKeyDown(Message);
    const Word key = Message.CharCode;
    if (key == VK_TAB || key == VK_MENU) return;
    TranslateKeyDown(Message);
    if (key >= VK_NUMPAD0 && key <= VK_NUMPAD9) acceptNextChar_ = true;
}

void TVcBaseEntryField::WMChar(TWMKey& Message) {
    TVcBase::WMChar(Message);
    if (!acceptNextChar_ || Message.CharCode == 0) return;
    acceptNextChar_ = false;
    TMessage m{WM_CHAR, static_cast<WPARAM>(static_cast<Byte>(Message.CharCode)), Message.KeyData,
               0};
    if (ctrlCharMode_) {
        ctrlCharMode_ = false;
        DoCommand(m, ccCtrlChar);
        return;
    }
    DoCommand(m, ccTypedChar);
}

void TVcBaseEntryField::CMDialogChar(TCMDialogChar& Message) {
    if (Message.CharCode == VK_BACK && GetKeyState(VK_MENU) < 0) {
        Message.Result = 1;
        return;
    }
    TVcBase::CMDialogChar(Message);
}

void TVcBaseEntryField::CMFontChanged(TMessage& Message) {
    TVcBase::CMFontChanged(Message);
    AdjustHeight();
    RecomputeTextPosition();
    if (hasFocus_) ScrollToCaret();
}

void TVcBaseEntryField::WMEraseBkgnd(TWMEraseBkgnd& Message) {
    Message.Result = 1;
}

void TVcBaseEntryField::WMSize(TWMSize& Message) {
    TVcBase::WMSize(Message);
    RecomputeTextPosition();
    Invalidate();
}

void TVcBaseEntryField::WMLButtonDown(TWMMouse& Message) {
    if (!hasFocus_) {
        focusByMouse_ = true;
        SetSelection(caret_, caret_);
        if (CanFocus()) SetFocus();
    }
    TVcBase::WMLButtonDown(Message);
    if (hasFocus_) {
        TMessage m{WM_LBUTTONDOWN, static_cast<WPARAM>(Message.Keys),
                   MakeLParam(Message.XPos, Message.YPos), 0};
        DoCommand(m, ccMouseDown);
    }
}

void TVcBaseEntryField::WMLButtonDblClk(TWMMouse& Message) {
    if (hasFocus_) {
        TMessage m{WM_LBUTTONDBLCLK, static_cast<WPARAM>(Message.Keys),
                   MakeLParam(Message.XPos, Message.YPos), 0};
        DoCommand(m, ccDoubleClick);
    }
    TVcBase::WMLButtonDblClk(Message);
}

void TVcBaseEntryField::WMMouseMove(TWMMouse& Message) {
    TVcBase::WMMouseMove(Message);
    if ((Message.Keys & MK_LBUTTON) && hasFocus_) {
        TMessage m{WM_MOUSEMOVE, static_cast<WPARAM>(Message.Keys),
                   MakeLParam(Message.XPos, Message.YPos), 0};
        DoCommand(m, ccMouseDrag);
    }
}

void TVcBaseEntryField::WMRButtonUp(TWMMouse& Message) {
    if (!hasFocus_ && CanFocus()) SetFocus();
    TVcBase::WMRButtonUp(Message);
    if (!PopupMenu()) ShowContextMenu(Message.XPos, Message.YPos);
}

void TVcBaseEntryField::WMSetFocus(TWMSetFocus& Message) {
    if (ComponentState().Contains(csDesigning)) {
        TVcBase::WMSetFocus(Message);
        return;
    }
    hasFocus_ = true;
    TVcController& controller = NeedController();
    controller.EntryCommands()->ResetCommandProcessor();
    acceptNextChar_ = false;
    ctrlCharMode_ = false;
    if (errorReported_) {
        if (TWinControl* previous = FindControl(static_cast<HWND>(Message.FocusedWnd));
            previous && GetCapture() == previous->Handle())
            PostMessage(previous->Handle(), WM_LBUTTONUP, 0, 0);
        if (TCustomForm* form = GetParentForm(this)) form->SetActiveControl(this);
    }
    if (!forceInsert_ && !forceOvertype_) SetInsertMode(controller.InsertMode());
    const bool otherPending = controller.ErrorPending() && !errorReported_;
    // Back from the field's own spinner, the user goes on where the caret was.
    const bool fromSpinner =
        spinnerVisit_.has_value() && IsOwnSpinner(static_cast<HWND>(Message.FocusedWnd));
    caretPlacedOnEntry_ = false;
    if (!leftForm_) {
        if (!otherPending) {
            if (!returnAfterError_) modified_ = false;
            controller.PreEditNotify(this, static_cast<HWND>(Message.FocusedWnd));
            if (TextStateSavable()) savedText_ = text_;
        }
        if (fromSpinner) {
            RestoreCaretState(*spinnerVisit_);
        } else if (!focusByMouse_) {
            PlaceCaretOnEntry();
            caretPlacedOnEntry_ = true;
        }
    }
    spinnerVisit_.reset();
    returnAfterError_ = otherPending && !softValidation_;
    errorReported_ = leftForm_ = focusByMouse_ = exitError_ = false;
    if (!otherPending) controller.SetErrorPending(false);
    TVcBase::WMSetFocus(Message);
    if (forceInsert_) SetInsertMode(true);
    if (forceOvertype_) SetInsertMode(false);
    caretPair_->SetLinked(true);
    caretPair_->SetShown(true);
    ScrollToCaret();
    if (caretPlacedOnEntry_ && autoSelect_) SetSelection(0, static_cast<int>(text_.size()));
    Invalidate();
}

void TVcBaseEntryField::WMKillFocus(TWMKillFocus& Message) {
    if (ComponentState().Contains(csDesigning)) {
        TVcBase::WMKillFocus(Message);
        return;
    }
    TWinControl* next = FindControl(static_cast<HWND>(Message.FocusedWnd));
    const bool sameForm = next && next != this && GetParentForm(next) == GetParentForm(this);
    // Taken before the validation, which may write the value back and select it.
    spinnerVisit_.reset();
    if (IsOwnSpinner(static_cast<HWND>(Message.FocusedWnd)))
        spinnerVisit_ = TCaretState{caret_, anchor_, selStart_, selEnd_, firstVisible_};
    if (!sameForm) leftForm_ = true;
    caretPair_->SetShown(false);
    caretPair_->SetLinked(false);
    TVcBase::WMKillFocus(Message);
    TVcController* controller = Controller();
    if (controller && !forceInsert_ && !forceOvertype_) controller->SetInsertMode(insertMode_);
    if (errorReported_ || returnAfterError_) {
        exitError_ = errorReported_;
    } else {
        exitError_ = true;
        if (sameForm) {
            if (modified_) uninitialized_ = false;
            if (!controller || !controller->IsSpecialControl(this, next)) {
                ValidateOnExit(true);
                exitError_ = errorReported_;
            } else {
                lastError_ = CheckContents(false);
            }
        }
    }
    hasFocus_ = false;
    if (sameForm && !leftForm_ && controller) controller->PostEditNotify(this, Message.FocusedWnd);
    if (!leftForm_) CaretToHome();
    Invalidate();
}

bool TVcBaseEntryField::IsOwnSpinner(HWND Wnd) const {
    const auto* spinner = dynamic_cast<TVcBaseSpinner*>(FindControl(Wnd));
    return spinner && spinner->FocusedControl() == this;
}

void TVcBaseEntryField::RestoreCaretState(const TCaretState& State) {
    const int size = static_cast<int>(text_.size());
    caret_ = std::min(State.Caret, size);
    anchor_ = std::min(State.Anchor, size);
    firstVisible_ = std::min(State.FirstVisible, caret_);
    SetSelection(State.SelStart, State.SelEnd);
}

std::string FieldCaption(const TWinControl* Control) {
    const TComponent* owner = Control ? Control->Owner() : nullptr;
    for (int k = 0; owner && k < owner->ComponentCount(); ++k) {
        const auto* label = dynamic_cast<const TLabel*>(owner->Components(k));
        if (!label || label->FocusControl() != Control) continue;
        std::string name;
        for (char c : StripHotkey(label->Caption()))
            if (c != '?' && c != '\r' && c != '\n') name += c;
        name = Trim(name);
        while (!name.empty() && name.back() == ':')
            name = Trim(name.substr(0, name.size() - 1));
        return name;
    }
    return {};
}

void AssignLeadingOptions(TVcBaseEntryField& To, const TVcBaseEntryField& From) {
    To.SetAutoAdvanceChar(From.AutoAdvanceChar());
    To.SetAutoAdvanceLeftRight(From.AutoAdvanceLeftRight());
    To.SetAutoAdvanceUpDown(From.AutoAdvanceUpDown());
    To.SetAutoSelect(From.AutoSelect());
    To.SetAutoSize(From.AutoSize());
    To.SetBeepOnError(From.BeepOnError());
    To.SetBorderStyle(From.BorderStyle());
    To.SetCaretToEnd(From.CaretToEnd());
    To.SetColor(From.Color());
}

void AssignTrailingOptions(TVcBaseEntryField& To, const TVcBaseEntryField& From) {
    To.SetReadOnly(From.ReadOnly());
    To.SetSoftValidation(From.SoftValidation());
    To.SetTextMargin(From.TextMargin());
    To.SetUninitialized(From.Uninitialized());
    To.SetZeroDisplay(From.ZeroDisplay());
    To.SetZeroDisplayValue(From.ZeroDisplayValue());
}
