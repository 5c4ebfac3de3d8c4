#include "controls/entry/PictureField.h"

#include "controls/entry/CommandTables.h"
#include "controls/entry/EntryExceptions.h"
#include "controls/entry/EntryText.h"
#include "controls/entry/MessageTables.h"
#include "controls/entry/NumericField.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Regional.h"
#include "platform/rtl/Strings.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr std::size_t MaxString = 255;

bool IsTimeLetter(char c) {
    return HasChar("HhMmSs", c);
}

} // namespace

TVcCustomPictureField::TVcCustomPictureField(TComponent* AOwner) : TVcPictureBase(AOwner) {
    SetMask(DefaultMask(pftString));
}

std::string TVcCustomPictureField::DefaultMask(TPictureDataType Type) {
    switch (Type) {
    case pftString: return "XXXXXXXXXXXXXXX";
    case pftChar: return "X";
    case pftBoolean: return "B";
    case pftYesNo: return "Y";
    case pftLongInt:
    case pftComp: return "iiiiiiiiii";
    case pftWord: return "99999";
    case pftInteger: return "iiiiii";
    case pftByte: return "999";
    case pftShortInt: return "iiii";
    case pftDate:
        return VcIntlSup().DefaultDatePicture(FormatSettings().ShortDateFormat.find("yyyy") !=
                                              std::string::npos);
    case pftTime: return VcIntlSup().DefaultTimePicture(false);
    default: return "##########";
    }
}

void TVcCustomPictureField::SetDataType(TPictureDataType Value) {
    if (Value > pftTime) throw EVcException(GetVcString(MsgInvalidParameter));
    if (Value == dataType_) return;
    dataType_ = Value;
    SetDataTypeByte(Value);
    SetCaretToEnd(CaretToEnd());
    SetInsertPushes(InsertPushes());
    const std::string mask = DefaultMask(Value);
    SetMask(mask);
    SetMaxLengthValue(static_cast<int>(mask.size()));
    InitPicture();
    SetDecimalPlacesValue(0);
    if (HandleAllocated()) RecreateWnd();
}

void TVcCustomPictureField::SetPictureMask(const TPictureMask& Value) {
    if (Value.empty()) return;
    const bool realFloat = dataType_ >= pftReal && dataType_ <= pftSingle;
    if (ComponentState().Contains(csDesigning) && HasChar(Value, '.') && !realFloat)
        throw EInvalidPictureMask(Value);
    SetMask(Value);
    // A date or time is read through the whole mask, so the text is exactly as long.
    if (dataType_ == pftDate || dataType_ == pftTime) {
        SetMaxLengthValue(static_cast<int>(Mask().size()));
        InitPicture();
    }
    if (HandleAllocated()) RecreateWnd();
}

void TVcCustomPictureField::SetInitDateTime(bool Value) {
    initDateTime_ = Value;
    if (ComponentState().Contains(csLoading)) return;
    if (dataType_ == pftDate) SetAsDayNumber(Value ? CurrentDate() : BadDate);
    if (dataType_ == pftTime) {
        Byte raw[4];
        NumberToRaw(Value ? CurrentTime() : BadTime, fsTime, raw);
        SetValue(raw);
    }
}

void TVcCustomPictureField::Assign(TPersistent* Source) {
    auto* other = dynamic_cast<TVcCustomPictureField*>(Source);
    if (!other) return TVcPictureBase::Assign(Source);
    SetDataType(other->DataType());
    AssignLeadingOptions(*this, *other);
    SetDecimalPlaces(other->DecimalPlaces());
    SetEpoch(other->Epoch());
    SetCaretIns(other->CaretIns());
    SetForceInsert(other->ForceInsert());
    SetForceOvertype(other->ForceOvertype());
    SetCaretOvr(other->CaretOvr());
    initDateTime_ = other->InitDateTime();
    SetInputRequired(other->InputRequired());
    SetInsertPushes(other->InsertPushes());
    SetMaxLength(other->MaxLength());
    SetPadChar(other->PadChar());
    SetPasswordChar(other->PasswordChar());
    SetPasswordMode(other->PasswordMode());
    SetPictureMask(other->PictureMask());
    SetRangeHi(other->RangeHi());
    SetRangeLo(other->RangeLo());
    SetRightJustify(other->RightJustify());
    SetStripLiterals(other->StripLiterals());
    SetTrimBlanks(other->TrimBlanks());
    AssignTrailingOptions(*this, *other);
}

void TVcCustomPictureField::CreateWnd() {
    const bool first = !WndCreatedBefore();
    const Byte kind = DataKind();
    CreateWndKeepingValue([this, kind] {
        TVcPictureBase::CreateWnd();
        InitPicture();
        if (kind != fsString &&
            RawToNumber(RangeLowData().data(), kind) == RawToNumber(RangeHighData().data(), kind))
            ResetRange();
    });
    if (first && initDateTime_ && (kind == fsDate || kind == fsTime))
        SetNumberValue(kind == fsDate ? CurrentDate() : CurrentTime());
    EnsureLayout();
}

void TVcCustomPictureField::SetAsString(const std::string& Value) {
    const Byte kind = DataKind();
    if (InUserValidation() || (kind != fsDate && kind != fsTime))
        return TVcPictureBase::SetAsString(Value);
    const bool fits = Value.size() == Mask().size();
    Byte raw[4];
    if (kind == fsDate)
        NumberToRaw(fits ? Intl().DateStringToDate(Mask(), Value, EffectiveEpoch()) : BadDate, kind,
                    raw);
    else
        NumberToRaw(fits ? Intl().TimeStringToTime(Mask(), Value) : BadTime, kind, raw);
    SetValue(raw);
}

// ---------------------------------------------------------------------------------------------
// Values

bool TVcCustomPictureField::NumericKind() const {
    return IsIntegerKind(DataKind()) || IsRealKind(DataKind());
}

std::string TVcCustomPictureField::NumberText(long double Value) {
    const Byte kind = DataKind();
    if (IsIntegerKind(kind))
        return IntegerValueText(static_cast<Int64>(Value), kind, IsHexMask(), IsOctalMask(),
                                IsBinaryMask());
    if (kind == fsComp) return IntToStr(static_cast<Int64>(Value));
    int total = 0;
    int decimals = 0;
    GetPictureDigits(total, decimals);
    return RealValueText(Value, total, decimals, DecimalPlaces() != 0);
}

void TVcCustomPictureField::SetDateText(TDayNumber Date) {
    SetEditText(Intl().DateToDateString(Mask(), Date, false));
}

TDayNumber TVcCustomPictureField::DateOfText() const {
    return Intl().DateStringToDate(Mask(), EditString(), EffectiveEpoch());
}

int TVcCustomPictureField::TransferData(void* Buffer, int Operation) {
    if (Operation == otSize || !Buffer) return TVcPictureBase::TransferData(Buffer, Operation);
    auto* raw = static_cast<Byte*>(Buffer);
    const Byte kind = DataKind();
    const TVcIntlSup& intl = Intl();
    const char yes = kind == fsBoolean ? intl.TrueLetter : intl.YesLetter;
    const char no = kind == fsBoolean ? intl.FalseLetter : intl.NoLetter;
    if (Operation == otSet) {
        if (kind == fsString) {
            const std::size_t n = std::min<std::size_t>(raw[0], MaxLength());
            const std::string value(reinterpret_cast<const char*>(raw + 1), n);
            SetEditText(static_cast<int>(n) == MaxLength() ? value : MergeWithPicture(value));
        } else if (kind == fsChar) {
            SetEditText(MergeWithPicture(std::string(1, static_cast<char>(raw[0]))));
        } else if (kind == fsBoolean || kind == fsYesNo) {
            SetEditText(MergeWithPicture(std::string(1, raw[0] != 0 ? yes : no)));
        } else if (NumericKind()) {
            SetEditText(MergeWithPicture(NumberText(RawToNumber(raw, kind))));
        } else if (kind == fsDate) {
            TDayNumber date = static_cast<TDayNumber>(RawToNumber(raw, kind));
            if (date != BadDate && Mask().find("yyyy") == std::string::npos) {
                int d = 0, m = 0, y = 0;
                DateToDMY(date, d, m, y);
                const int epoch = EffectiveEpoch();
                if (y < epoch || y > epoch + 99) {
                    // 0 and the zero date-time (1899-12-30) are "no date".
                    if (date != 0 && date != DateTimeToDayNumber(0.0)) throw EInvalidDateForMask();
                    date = BadDate;
                }
            }
            SetDateText(date);
        } else {
            SetEditText(intl.TimeToTimeString(
                Mask(), static_cast<TTimeOfDay>(RawToNumber(raw, kind)), false));
        }
    } else {
        const std::string stripped = StripPicture(Text());
        const char first = stripped.empty() ? ' ' : stripped[0];
        if (kind == fsString) {
            std::string value;
            if (!(TrimBlanks() && IsEmpty())) {
                value = StripLiterals() ? CopyEditable(Text()) : Text();
                if (TrimBlanks()) value = Trim(value);
            }
            value = value.substr(0, std::min<std::size_t>(MaxString, MaxLength()));
            raw[0] = static_cast<Byte>(value.size());
            std::memcpy(raw + 1, value.data(), value.size());
        } else if (kind == fsChar) {
            raw[0] = static_cast<Byte>(first);
        } else if (kind == fsBoolean || kind == fsYesNo) {
            raw[0] = UpCaseChar(first) == UpCaseChar(yes) ? 1 : 0;
        } else if (NumericKind()) {
            long double value = 0;
            if (!ReadNumber(value) || (kind == fsReal && std::fabs(value) > 1.7e38L)) value = 0;
            NumberToRaw(value, kind, raw);
        } else if (kind == fsDate) {
            NumberToRaw(DateOfText(), kind, raw);
        } else {
            NumberToRaw(intl.TimeStringToTime(Mask(), Text()), kind, raw);
        }
    }
    return TVcPictureBase::TransferData(Buffer, Operation);
}

Word TVcCustomPictureField::ValidateDate() const {
    const TVcIntlSup& intl = Intl();
    if (intl.DateStringIsBlank(Mask(), EditString())) return 0;
    const TDayNumber date = DateOfText();
    if (date == BadDate) return epInvalidDate;
    const auto hi = static_cast<LongInt>(RawToNumber(RangeHighData().data(), fsDate));
    const auto lo = static_cast<LongInt>(RawToNumber(RangeLowData().data(), fsDate));
    if (hi != 0 && (date < lo || date > hi)) return epRange;
    return 0;
}

Word TVcCustomPictureField::ValidateTime() const {
    const std::string& text = EditString();
    bool blank = true;
    for (std::size_t i = 0; i < text.size() && i < Mask().size(); ++i)
        if (IsTimeLetter(Mask()[i]) && text[i] != ' ') blank = false;
    if (blank) return 0;
    const TTimeOfDay time = Intl().TimeStringToTime(Mask(), text);
    if (time == BadTime) return epInvalidTime;
    const auto hi = static_cast<LongInt>(RawToNumber(RangeHighData().data(), fsTime));
    const auto lo = static_cast<LongInt>(RawToNumber(RangeLowData().data(), fsTime));
    if (hi != 0 && (time < lo || time > hi)) return epRange;
    return 0;
}

Word TVcCustomPictureField::ValidateContents() {
    const Byte kind = DataKind();
    const TVcIntlSup& intl = Intl();
    const std::string stripped = StripPicture(Text());
    const char first = stripped.empty() ? ' ' : stripped[0];
    Word code = 0;
    if (kind == fsString) {
        if (TrimBlanks() && WriteBackWanted()) {
            const std::string merged = MergeWithPicture(Trim(Text()));
            if (merged != Text()) SetEditText(merged);
        }
    } else if (kind == fsChar) {
        const Byte lo = RangeLowData()[0];
        const Byte hi = RangeHighData()[0];
        const auto c = static_cast<Byte>(first);
        if (lo != hi && (c < lo || c > hi)) code = epRange;
    } else if (kind == fsBoolean || kind == fsYesNo) {
        const char yes = kind == fsBoolean ? intl.TrueLetter : intl.YesLetter;
        const char no = kind == fsBoolean ? intl.FalseLetter : intl.NoLetter;
        const char c = UpCaseChar(first);
        if (c != UpCaseChar(yes) && c != UpCaseChar(no)) code = epRange;
    } else if (NumericKind()) {
        long double value = 0;
        code = ReadNumber(value) ? NumberRangeError(value, kind, RangeLowData(), RangeHighData())
                                 : epInvalid;
    } else {
        code = kind == fsDate ? ValidateDate() : ValidateTime();
    }
    // The program's own check, not again from inside its handler.
    if (!InUserValidation()) DoOnUserValidation(code);
    if (code == 0 && WriteBackWanted() && kind != fsString) {
        std::vector<Byte> value(static_cast<std::size_t>(GetDataSize()) + 1, 0);
        TransferData(value.data(), otGet);
        TransferData(value.data(), otSet);
    }
    return code;
}

// ---------------------------------------------------------------------------------------------
// Segments

int TVcCustomPictureField::SegmentStart(int Position) const {
    while (Position > 0 && !IsLiteralPos(Position - 1))
        --Position;
    return Position;
}

int TVcCustomPictureField::SegmentEnd(int Position) const {
    while (Position + 1 < MaxLength() && !IsLiteralPos(Position + 1))
        ++Position;
    return Position;
}

int TVcCustomPictureField::NextEditable(int Position) {
    const int last = LastEditPos();
    ++Position;
    while (Position <= last && IsLiteralPos(Position))
        ++Position;
    return std::min(Position, last + 1);
}

int TVcCustomPictureField::PrevEditable(int Position) {
    const int first = FirstEditPos();
    --Position;
    while (Position > first && IsLiteralPos(Position))
        --Position;
    return std::max(Position, first);
}

// ---------------------------------------------------------------------------------------------
// Editing

void TVcCustomPictureField::Edited() {
    SetModified(true);
    DoOnChange();
    Invalidate();
}

void TVcCustomPictureField::MoveOrAdvance(int Position, bool Extend, bool Forward) {
    const bool beyond = Forward ? Caret() > LastEditPos() : Caret() <= FirstEditPos();
    if (beyond && !Extend) {
        if (AutoAdvanceLeftRight()) Forward ? MoveToNextControl() : MoveToPrevControl();
        return;
    }
    MoveCaret(std::clamp(Position, FirstEditPos(), LastEditPos() + 1), Extend);
}

void TVcCustomPictureField::UpDown(bool Up) {
    if (AutoAdvanceUpDown())
        Up ? MoveToPrevControl() : MoveToNextControl();
    else if (ArrowIncDec())
        IncreaseValue(true, Up ? 1.0 : -1.0);
    else if (DataKind() == fsChar || DataKind() == fsBoolean || DataKind() == fsYesNo)
        MoveOrAdvance(Caret(), false, !Up);
    else
        MoveOrAdvance(Up ? PrevEditable(Caret()) : NextEditable(Caret()), false, !Up);
}

bool TVcCustomPictureField::TypeChar(char C, bool Control, bool Pasting) {
    std::string& text = Text();
    int caret = Caret();
    if (caret <= LastEditPos() && IsLiteralPos(caret)) caret = NextEditable(caret);
    if (caret > LastEditPos() || caret >= static_cast<int>(text.size())) {
        if (!Pasting && AutoAdvanceChar()) DoAutoAdvance();
        return false;
    }
    if (!Control && C == Intl().DecimalSeparator && HasChar(Mask(), '.')) {
        FixDecimals();
        MoveCaret(NextEditable(static_cast<int>(Mask().find('.'))), false);
        Edited();
        return true;
    }
    if (NumericKind() && !Control && C == '.') return false;
    if (!Control && static_cast<unsigned char>(C) < 32) return false;
    char maskChar = MaskCharAt(caret);
    if (!IsPictureChar(maskChar)) maskChar = NumericKind() ? '#' : 'X';
    if (!Control) {
        const char prev =
            caret == SegmentStart(caret) ? ' ' : text[static_cast<std::size_t>(caret) - 1];
        C = ConvertChar(maskChar, C, prev);
        if (!CharIsOk(maskChar, C)) return false;
    }
    const int end = SegmentEnd(caret);
    if (InsertMode() || Pasting) {
        if (!InsertPushes() && !Pasting && text[static_cast<std::size_t>(end)] != ' ') return false;
        if (caret != end) {
            text.erase(static_cast<std::size_t>(end), 1);
            text.insert(static_cast<std::size_t>(caret), 1, C);
        } else {
            text[static_cast<std::size_t>(caret)] = C;
        }
    } else {
        text[static_cast<std::size_t>(caret)] = C;
    }
    const int next = NextEditable(caret);
    MoveCaret(next, false);
    Edited();
    if (next > LastEditPos() && AutoAdvanceChar() && !Pasting) DoAutoAdvance();
    return true;
}

void TVcCustomPictureField::BlankRange(int From, int To) {
    std::string& text = Text();
    for (int i = From; i < To && i < static_cast<int>(text.size()); ++i)
        if (!IsLiteralPos(i)) text[static_cast<std::size_t>(i)] = ' ';
}

void TVcCustomPictureField::BlankSelection() {
    const int start = SelStart();
    BlankRange(start, SelEnd());
    MoveCaret(std::max(start, FirstEditPos()), false);
    Edited();
}

bool TVcCustomPictureField::TypeOverSelection(char C, bool Control) {
    if (SelectionLength() == 0) return TypeChar(C, Control, false);
    const std::string text = Text();
    const int start = SelStart();
    const int end = SelEnd();
    const int caret = Caret();
    BlankRange(start, end);
    MoveCaret(std::max(start, FirstEditPos()), false);
    if (TypeChar(C, Control, false)) return true;
    Text() = text;
    MoveCaret(caret == start ? end : start, false);
    MoveCaret(caret, true);
    return false;
}

void TVcCustomPictureField::DeleteInSegment(int Position, int Count) {
    std::string& text = Text();
    const int end = std::min(SegmentEnd(Position), static_cast<int>(text.size()) - 1);
    Count = std::min(Count, end - Position + 1);
    if (Count <= 0) return;
    text.erase(static_cast<std::size_t>(Position), static_cast<std::size_t>(Count));
    text.insert(static_cast<std::size_t>(end - Count + 1), static_cast<std::size_t>(Count), ' ');
    Edited();
}

void TVcCustomPictureField::DeleteWord() {
    const std::string& text = Text();
    const int caret = Caret();
    const int end = std::min(SegmentEnd(caret), static_cast<int>(text.size()) - 1);
    int i = caret;
    while (i <= end && text[static_cast<std::size_t>(i)] != ' ')
        ++i;
    while (i <= end && text[static_cast<std::size_t>(i)] == ' ')
        ++i;
    DeleteInSegment(caret, i - caret);
}

void TVcCustomPictureField::PasteText(const std::string& Pasted) {
    if (SelectionLength() > 0) BlankSelection();
    const bool numeric = IsNumericLike() || NumericKind();
    const bool point = HasChar(Mask(), '.');
    const char separator = Intl().DecimalSeparator;
    for (char c : Pasted) {
        const int caret = Caret();
        if (caret > LastEditPos()) break;
        if (numeric && c == ' ') continue;
        if (point && c == '.' && c != separator) continue;
        // The mask's own literals in the pasted text are passed over.
        if (caret > 0 && IsLiteralPos(caret - 1) && c == MaskCharAt(caret - 1) && c != separator)
            continue;
        TypeChar(c, false, true);
    }
}

void TVcCustomPictureField::CompleteDateTime() {
    const Byte kind = DataKind();
    const std::string full = kind == fsDate ? Intl().DateToDateString(Mask(), CurrentDate(), false)
                                            : Intl().TimeToTimeString(Mask(), CurrentTime(), false);
    std::string& text = Text();
    if (full.size() != text.size()) return;
    if (SelStart() == 0 && SelEnd() >= static_cast<int>(text.size())) {
        text = full;
    } else {
        const int caret = std::min(Caret(), LastEditPos());
        for (int i = SegmentStart(caret); i <= SegmentEnd(caret); ++i)
            text[static_cast<std::size_t>(i)] = full[static_cast<std::size_t>(i)];
    }
    Edited();
}

void TVcCustomPictureField::EnsureLayout() {
    if (static_cast<int>(Text().size()) == MaxLength()) return;
    const Byte kind = DataKind();
    if (kind == fsDate)
        SetDateText(BadDate);
    else if (kind == fsTime)
        SetEditText(Intl().TimeToTimeString(Mask(), BadTime, false));
    else
        SetEditText(MergeWithPicture(std::string()));
}

void TVcCustomPictureField::PerformEdit(TMessage& Message, Word Command) {
    EnsureLayout();
    const Byte kind = DataKind();
    if (kind != fsChar && kind != fsBoolean && kind != fsYesNo)
        EditSegments(Message, Command);
    else if (!EditOneChar(Message, Command))
        MoveOneChar(Command);
}

void TVcCustomPictureField::EditSegments(TMessage& Message, Word Command) {
    if (Command != ccNoCommand && !Unformatted()) UnformatForEdit();
    const bool selection = SelectionLength() > 0;
    const int caret = Caret();
    const Byte kind = DataKind();
    switch (Command) {
    case ccCtrlChar:
    case ccTypedChar:
        if (!TypeOverSelection(static_cast<char>(Message.WParam), Command == ccCtrlChar)) Beep();
        break;
    case ccBack:
        if (selection) {
            BlankSelection();
        } else if (caret > FirstEditPos()) {
            const int at = PrevEditable(caret);
            DeleteInSegment(at, 1);
            MoveCaret(at, false);
        }
        break;
    case ccDel:
        if (selection)
            BlankSelection();
        else if (caret < EndOfInput())
            DeleteInSegment(caret, 1);
        break;
    case ccDelBol: {
        const int start = SegmentStart(std::min(caret, LastEditPos()));
        DeleteInSegment(start, caret - start);
        MoveCaret(start, false);
        break;
    }
    case ccDelEol:
        for (int i = caret; i <= SegmentEnd(caret) && i < static_cast<int>(Text().size()); ++i)
            Text()[static_cast<std::size_t>(i)] = ' ';
        Edited();
        break;
    case ccDelLine:
        MoveCaret(FirstEditPos(), false);
        SetSelection(0, static_cast<int>(Text().size()));
        BlankSelection();
        break;
    case ccDelWord:
        if (selection)
            BlankSelection();
        else
            DeleteWord();
        break;
    case ccCut:
        if (selection) BlankSelection();
        break;
    case ccCompleteDate:
        if (kind == fsDate) CompleteDateTime();
        break;
    case ccCompleteTime:
        if (kind == fsTime) CompleteDateTime();
        break;
    case ccInc: IncreaseValue(true, 1.0); break;
    case ccDec: IncreaseValue(true, -1.0); break;
    case ccUp: UpDown(true); break;
    case ccDown: UpDown(false); break;
    case ccLeft: MoveOrAdvance(PrevEditable(caret), false, false); break;
    case ccRight: MoveOrAdvance(NextEditable(caret), false, true); break;
    case ccExtendLeft: MoveOrAdvance(PrevEditable(caret), true, false); break;
    case ccExtendRight: MoveOrAdvance(NextEditable(caret), true, true); break;
    case ccWordLeft: MoveCaret(WordLeft(caret), false); break;
    case ccWordRight: MoveCaret(WordRight(caret), false); break;
    case ccExtWordLeft: MoveCaret(WordLeft(caret), true); break;
    case ccExtWordRight: MoveCaret(WordRight(caret), true); break;
    case ccHome: MoveCaret(FirstEditPos(), false); break;
    case ccEnd: MoveCaret(std::max(EndOfInput(), FirstEditPos()), false); break;
    case ccExtendHome: MoveCaret(FirstEditPos(), true); break;
    case ccExtendEnd: MoveCaret(std::max(EndOfInput(), FirstEditPos()), true); break;
    case ccIns:
        if (!ForceInsert() && !ForceOvertype()) SetInsertMode(!InsertMode());
        break;
    case ccPaste:
        if (Message.LParam) PasteText(*reinterpret_cast<const std::string*>(Message.LParam));
        break;
    case ccRestore:
        Restore();
        RefreshDisplay();
        break;
    case ccMouseDown:
    case ccMouseDrag: {
        const bool extend = Command == ccMouseDrag || (Message.WParam & MK_SHIFT) != 0;
        int at = PositionAt(static_cast<SmallInt>(LoWord(Message.LParam)));
        if (!extend && SelectionLength() == 0) at = std::min(at, EndOfInput());
        at = std::clamp(at, FirstEditPos(), LastEditPos() + 1);
        if (at <= LastEditPos() && IsLiteralPos(at)) at = NextEditable(at);
        MoveCaret(at, extend);
        break;
    }
    default: break;
    }
}

void TVcCustomPictureField::MoveOneChar(Word Command) {
    const int pos = FirstEditPos();
    switch (Command) {
    case ccUp: UpDown(true); break;
    case ccDown: UpDown(false); break;
    case ccLeft:
    case ccWordLeft: MoveOrAdvance(pos, false, false); break;
    case ccRight:
    case ccWordRight: MoveOrAdvance(pos, false, true); break;
    default: break;
    }
}

// ---------------------------------------------------------------------------------------------
// Steps

char TVcCustomPictureField::UnitAtCaret() const {
    int at = std::min(Caret(), MaxLength() - 1);
    if (at > 0 && (at >= static_cast<int>(Mask().size()) || IsLiteralPos(at))) --at;
    return MaskCharAt(at);
}

void TVcCustomPictureField::StepChar(bool Wrap, double Delta) {
    const int pos = FirstEditPos();
    std::string& text = Text();
    if (pos >= static_cast<int>(text.size())) return;
    char& current = text[static_cast<std::size_t>(pos)];
    char next = current;
    if (FindSteppedChar(MaskCharAt(pos), current, Wrap, Delta, next)) current = next;
}

void TVcCustomPictureField::StepTime(bool Wrap, double Delta) {
    const TVcIntlSup& intl = Intl();
    const TTimeOfDay time = intl.TimeStringToTime(Mask(), EditString());
    if (time == BadTime) return;
    const char unit = UnitAtCaret();
    LongInt unitSeconds = 0;
    if (unit == 'H' || unit == 'h') unitSeconds = 3600;
    if (unit == 'M' || unit == 'm') unitSeconds = 60;
    if (unit == 'S' || unit == 's') unitSeconds = 1;
    const auto count = static_cast<LongInt>(std::llround(std::fabs(Delta)) % SecondsPerDay);
    if (unitSeconds == 0 || count == 0) return;
    const LongInt seconds = static_cast<LongInt>((Int64{count} * unitSeconds) % SecondsPerDay);
    const auto h = static_cast<Byte>(seconds / 3600);
    const auto m = static_cast<Byte>(seconds % 3600 / 60);
    const auto s = static_cast<Byte>(seconds % 60);
    const TTimeOfDay result = Delta > 0 ? IncTime(time, h, m, s) : DecTime(time, h, m, s);
    LongInt hi = static_cast<LongInt>(RawToNumber(RangeHighData().data(), fsTime));
    LongInt lo = static_cast<LongInt>(RawToNumber(RangeLowData().data(), fsTime));
    if (hi == 0) {
        lo = 0;
        hi = SecondsPerDay - 1;
    }
    const bool inside = result >= lo && result <= hi;
    const bool passedMidnight = Delta > 0 ? result < time : result > time;
    TTimeOfDay taken = result;
    if (!inside || passedMidnight) {
        if (!Wrap) return;
        // Wrapping into a restricted range lands on its other end.
        if (!inside) taken = Delta > 0 ? lo : hi;
    }
    SetEditText(intl.TimeToTimeString(Mask(), taken, false));
}

void TVcCustomPictureField::StepDate(bool Wrap, double Delta) {
    const TDayNumber date = DateOfText();
    if (date == BadDate) return;
    const char unit = UnitAtCaret();
    const bool days = unit == 'd' || unit == 'D';
    const bool months = HasChar("MNmn", unit);
    const bool years = unit == 'y';
    const auto step = static_cast<int>(std::lround(Delta));
    if ((!days && !months && !years) || step == 0) return;
    LongInt hi = static_cast<LongInt>(RawToNumber(RangeHighData().data(), fsDate));
    LongInt lo = static_cast<LongInt>(RawToNumber(RangeLowData().data(), fsDate));
    if (hi == 0) {
        lo = 0;
        hi = MaxDayNumber;
    }
    // A two-digit year shows only the hundred years of the epoch.
    if (Mask().find("yyyy") == std::string::npos) {
        const int epoch = EffectiveEpoch();
        lo = std::max(lo, DMYToDate(1, 1, epoch, epoch));
        hi = std::min(hi, DMYToDate(31, 12, epoch + 99, epoch));
    }
    const auto inside = [&](TDayNumber d) { return d != BadDate && d >= lo && d <= hi; };
    const auto advance = [&](TDayNumber d) {
        return days ? d + step : IncDateTrunc(d, months ? step : 0, years ? step : 0);
    };
    TDayNumber result = advance(date);
    if (!inside(result)) {
        if (!Wrap) return;
        if (days) {
            result = step > 0 ? lo : hi;
        } else {
            int day = 0, month = 0, year = 0, endDay = 0;
            DateToDMY(date, day, month, year);
            DateToDMY(step > 0 ? lo : hi, endDay, month, year);
            while (day > 1 && !ValidDate(day, month, year, 0))
                --day;
            result = DMYToDate(day, month, year, 0);
            // Further by the same unit until inside; a step that passes the whole range stops.
            while (result != BadDate && !inside(result) && (step > 0 ? result <= hi : result >= lo))
                result = advance(result);
            if (!inside(result)) return;
        }
    }
    SetDateText(result);
}

void TVcCustomPictureField::IncreaseValue(bool Wrap, double Delta) {
    if (!HasFocus()) return;
    const Byte kind = DataKind();
    const std::string before = Text();
    if (kind == fsChar) {
        StepChar(Wrap, Delta);
    } else if (kind == fsBoolean || kind == fsYesNo) {
        const int pos = FirstEditPos();
        if (pos < static_cast<int>(Text().size()))
            Text()[static_cast<std::size_t>(pos)] =
                ToggleLetter(Text()[static_cast<std::size_t>(pos)]);
    } else if (NumericKind()) {
        StepNumberText(StripPicture(Text()), Delta);
    } else if (kind == fsDate) {
        StepDate(Wrap, Delta);
    } else if (kind == fsTime) {
        StepTime(Wrap, Delta);
    }
    if (Text() == before) return;
    Edited();
    MoveCaret(Caret(), false);
}
