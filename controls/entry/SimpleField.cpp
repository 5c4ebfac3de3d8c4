#include "controls/entry/SimpleField.h"

#include "controls/entry/EntryExceptions.h"
#include "controls/entry/EntryText.h"
#include "controls/entry/MessageTables.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Strings.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Only so much of a typed number is read.
constexpr std::size_t MaxNumberText = 80;

struct TTypeDefaults {
    char Picture;
    int MaxLength;
};

TTypeDefaults DefaultsOf(TSimpleDataType type) {
    switch (type) {
    case sftString: return {'X', 15};
    case sftChar: return {'X', 1};
    case sftBoolean: return {'B', 1};
    case sftYesNo: return {'Y', 1};
    case sftLongInt: return {'i', 8};
    case sftWord: return {'9', 5};
    case sftInteger: return {'i', 5};
    case sftByte: return {'9', 3};
    case sftShortInt: return {'i', 4};
    case sftComp: return {'i', 14};
    default: return {'#', 14};
    }
}

} // namespace

TVcCustomSimpleField::TVcCustomSimpleField(TComponent* AOwner) : TVcBaseEntryField(AOwner) {
    SetFieldClass(fcSimple);
    SetMask("X");
}

// ---------------------------------------------------------------------------------------------
// Properties

void TVcCustomSimpleField::SetDataType(TSimpleDataType Value) {
    if (Value > sftComp) throw EVcException(GetVcString(MsgInvalidParameter));
    if (Value == dataType_) return;
    dataType_ = Value;
    SetDataTypeByte(Value);
    SetCaretToEnd(CaretToEnd());
    SetInsertPushes(InsertPushes());
    const TTypeDefaults defaults = DefaultsOf(Value);
    pictureMask_ = defaults.Picture;
    SetMask(std::string(1, pictureMask_));
    SetMaxLengthValue(defaults.MaxLength);
    SetDecimalPlacesValue(0);
    if (HandleAllocated()) RecreateWnd();
}

void TVcCustomSimpleField::SetPictureMask(char Value) {
    if (!IsNonDatePictureChar(Value)) throw EInvalidPictureMask(std::string(1, Value));
    pictureMask_ = Value;
    SetMask(std::string(1, Value));
    if (HandleAllocated() && !ComponentState().Contains(csDesigning)) RecreateWnd();
    Invalidate();
}

void TVcCustomSimpleField::Assign(TPersistent* Source) {
    auto* other = dynamic_cast<TVcCustomSimpleField*>(Source);
    if (!other) {
        TVcBaseEntryField::Assign(Source);
        return;
    }
    SetDataType(other->DataType());
    AssignLeadingOptions(*this, *other);
    SetDecimalPlaces(other->DecimalPlaces());
    SetCaretIns(other->CaretIns());
    SetForceInsert(other->ForceInsert());
    SetForceOvertype(other->ForceOvertype());
    SetCaretOvr(other->CaretOvr());
    SetInputRequired(other->InputRequired());
    SetInsertPushes(other->InsertPushes());
    SetMaxLength(other->MaxLength());
    SetPadChar(other->PadChar());
    SetPasswordChar(other->PasswordChar());
    SetPasswordMode(other->PasswordMode());
    SetPictureMask(other->PictureMask());
    SetRangeHi(other->RangeHi());
    SetRangeLo(other->RangeLo());
    SetTrimBlanks(other->TrimBlanks());
    AssignTrailingOptions(*this, *other);
}

void TVcCustomSimpleField::CreateWnd() {
    CreateWndKeepingValue([this] {
        TVcBaseEntryField::CreateWnd();
        ApplyOptions();
    });
}

// ---------------------------------------------------------------------------------------------
// Numbers in the text

std::string TVcCustomSimpleField::IntegerText(Int64 Value) const {
    std::string text = IntegerValueText(Value, DataKind(), pictureMask_ == 'K', pictureMask_ == 'O',
                                        pictureMask_ == 'b');
    // A text that does not fit must not be cut into another number.
    if (static_cast<int>(text.size()) > MaxLength())
        text.assign(static_cast<std::size_t>(MaxLength()), '*');
    return text;
}

std::string TVcCustomSimpleField::RealText(long double Value) const {
    const int max = MaxLength();
    const int places = DecimalPlaces();
    std::string text;
    if (pictureMask_ != 'E') {
        text = PlainFloatToStrF(static_cast<double>(Value), ffFixed, 18, places);
        // Too many digits for the fixed form: the runtime gave an exponent form.
        if (text.find('E') != std::string::npos)
            text.clear();
        else if (text.find('.') != std::string::npos)
            PCharTrimZeros(text);
    }
    if (text.empty() || static_cast<int>(text.size()) > max) {
        const int width = places != 0 && places + 9 < max ? places + 9 : max;
        // "-d.ddE+dddd": the rest of the width holds the decimals of the mantissa.
        const int digits = std::clamp(width - 8, 1, 18);
        text = PlainFloatToStrF(static_cast<double>(Value), ffExponent, digits, 0);
        PCharTrim(text);
        TrimExponentZeros(text);
    }
    if (static_cast<int>(text.size()) > max) text.assign(static_cast<std::size_t>(max), '*');
    const std::size_t point = text.find('.');
    if (point != std::string::npos) text[point] = Intl().DecimalSeparator;
    return text;
}

bool TVcCustomSimpleField::ReadNumber(long double& Value) {
    return ReadNumberText(Text().substr(0, MaxNumberText), Value);
}

void TVcCustomSimpleField::WriteNumber(long double Value) {
    if (IsIntegerKind(DataKind()))
        SetEditText(IntegerText(static_cast<Int64>(Value)));
    else
        SetEditText(RealText(Value));
}

bool TVcCustomSimpleField::Parse(Byte* Raw) {
    long double v = 0;
    long double low = 0;
    long double high = 0;
    const Byte kind = DataKind();
    DataKindRange(kind, low, high);
    if (!ReadNumber(v) || v < low || v > high) return false;
    NumberToRaw(kind == fsComp ? std::round(v) : v, kind, Raw);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Value transfer and validation

int TVcCustomSimpleField::TransferData(void* Buffer, int Operation) {
    if (Operation == otSize || !Buffer) return TVcBaseEntryField::TransferData(Buffer, Operation);
    auto* raw = static_cast<Byte*>(Buffer);
    const Byte kind = DataKind();
    const TVcIntlSup& intl = Intl();
    const char first = Text().empty() ? ' ' : Text()[0];
    if (Operation == otGet) {
        switch (kind) {
        case fsString: {
            // A modified text is trimmed by validation; its value is the trimmed text also while
            // a program reads it before that (the text being typed is not rewritten then).
            const std::string value = TrimBlanks() && Modified() ? Trim(Text()) : Text();
            const std::size_t n =
                std::min<std::size_t>(value.size(), static_cast<std::size_t>(MaxLength()));
            raw[0] = static_cast<Byte>(n);
            std::memcpy(raw + 1, value.data(), n);
            break;
        }
        case fsChar: raw[0] = static_cast<Byte>(first); break;
        case fsBoolean: raw[0] = UpCaseChar(first) == UpCaseChar(intl.TrueLetter) ? 1 : 0; break;
        case fsYesNo: raw[0] = UpCaseChar(first) == UpCaseChar(intl.YesLetter) ? 1 : 0; break;
        default:
            if (!Parse(raw)) NumberToRaw(0, kind, raw);
            break;
        }
    } else {
        switch (kind) {
        case fsString: {
            const std::size_t n =
                std::min<std::size_t>(raw[0], static_cast<std::size_t>(MaxLength()));
            std::string text;
            char prev = '\0';
            for (std::size_t i = 0; i < n; ++i) {
                prev = ConvertChar(pictureMask_, static_cast<char>(raw[1 + i]), prev);
                text += prev;
            }
            SetEditText(text);
            break;
        }
        case fsChar: SetEditText(std::string(1, static_cast<char>(raw[0]))); break;
        case fsBoolean:
            SetEditText(std::string(1, raw[0] ? intl.TrueLetter : intl.FalseLetter));
            break;
        case fsYesNo: SetEditText(std::string(1, raw[0] ? intl.YesLetter : intl.NoLetter)); break;
        default: WriteNumber(RawToNumber(raw, kind)); break;
        }
    }
    return TVcBaseEntryField::TransferData(Buffer, Operation);
}

Word TVcCustomSimpleField::ValidateContents() {
    const Byte kind = DataKind();
    Word code = 0;
    TVcRangeValue raw{};
    if (kind == fsString) {
        if (TrimBlanks() && WriteBackWanted()) {
            const std::string trimmed = Trim(Text());
            if (trimmed.size() != Text().size()) {
                SetEditText(trimmed);
                Invalidate();
            }
        }
    } else if (kind == fsChar) {
        const Byte c = static_cast<Byte>(Text().empty() ? ' ' : Text()[0]);
        const Byte lo = RangeLowData()[0];
        const Byte hi = RangeHighData()[0];
        if (lo != hi && (c < lo || c > hi)) code = epRange;
        raw[0] = c;
    } else if (kind == fsBoolean || kind == fsYesNo) {
        const TVcIntlSup& intl = Intl();
        const char c = UpCaseChar(Text().empty() ? ' ' : Text()[0]);
        const char yes = UpCaseChar(kind == fsBoolean ? intl.TrueLetter : intl.YesLetter);
        const char no = UpCaseChar(kind == fsBoolean ? intl.FalseLetter : intl.NoLetter);
        if (c != yes && c != no) code = epRange;
        raw[0] = c == yes ? 1 : 0;
    } else {
        long double v = 0;
        long double low = 0;
        long double high = 0;
        DataKindRange(kind, low, high);
        if (!ReadNumber(v))
            code = epInvalid;
        else if (v < low || v > high)
            code = IsIntegerKind(kind) ? epRange : epInvalid;
        else if (NumberToRaw(kind == fsComp ? std::round(v) : v, kind, raw.data());
                 !InRange(raw.data()))
            code = epRange;
    }
    if (code == 0 && kind != fsString && WriteBackWanted()) {
        TransferData(raw.data(), otSet);
        SetModified(true);
        Invalidate();
    }
    if (code == 0) DoOnUserValidation(code);
    return code;
}

// ---------------------------------------------------------------------------------------------
// Display

std::string TVcCustomSimpleField::GetDisplayText() {
    std::string shown = TVcBaseEntryField::GetDisplayText();
    if (!shown.empty() && Uninitialized() && !Modified()) return std::string(shown.size(), ' ');
    if (PasswordMode()) std::fill(shown.begin(), shown.end(), PasswordChar());
    if (PadChar() != ' ' && static_cast<int>(shown.size()) < MaxLength())
        shown.append(static_cast<std::size_t>(MaxLength()) - shown.size(), PadChar());
    return shown;
}

// ---------------------------------------------------------------------------------------------
// Editing

bool TVcCustomSimpleField::FreeForm() const {
    return !(dataType_ == sftChar || dataType_ == sftBoolean || dataType_ == sftYesNo);
}

void TVcCustomSimpleField::PerformEdit(TMessage& Message, Word Command) {
    if (FreeForm() || !EditOneChar(Message, Command)) EditFreeForm(Message, Command);
}

void TVcCustomSimpleField::TextChanged() {
    SetModified(true);
    Invalidate();
    DoOnChange();
}

void TVcCustomSimpleField::DeleteRange(int From, int To) {
    From = std::clamp(From, 0, static_cast<int>(Text().size()));
    To = std::clamp(To, From, static_cast<int>(Text().size()));
    if (From == To) return;
    Text().erase(static_cast<std::size_t>(From), static_cast<std::size_t>(To - From));
    MoveCaret(From, false);
    TextChanged();
}

void TVcCustomSimpleField::DeleteSelection() {
    if (SelectionLength() > 0) DeleteRange(SelStart(), SelEnd());
}

bool TVcCustomSimpleField::InsertChar(char C, bool Control) {
    std::string& text = Text();
    if (!Control) {
        if (static_cast<unsigned char>(C) < 32) {
            Beep();
            return false;
        }
        const int caret = Caret();
        const char prev = caret > 0 ? text[static_cast<std::size_t>(caret - 1)] : ' ';
        C = ConvertChar(pictureMask_, C, prev);
        if (!CharIsOk(pictureMask_, C)) {
            Beep();
            return false;
        }
    }
    DeleteSelection();
    const int caret = Caret();
    const auto size = static_cast<int>(text.size());
    if (InsertMode()) {
        if (size >= MaxLength()) {
            if (!InsertPushes() || caret >= size) {
                Beep();
                return false;
            }
            text.pop_back();
        }
        text.insert(static_cast<std::size_t>(caret), 1, C);
    } else if (caret < size) {
        text[static_cast<std::size_t>(caret)] = C;
    } else if (size < MaxLength()) {
        text.push_back(C);
    } else {
        Beep();
        return false;
    }
    MoveCaret(caret + 1, false);
    TextChanged();
    return true;
}

void TVcCustomSimpleField::InsertText(const std::string& Value) {
    DeleteSelection();
    std::string& text = Text();
    bool changed = false;
    for (char c : Value) {
        // A single line: line ends and other control characters are not pasted.
        if (static_cast<unsigned char>(c) < 32) continue;
        const int caret = Caret();
        const char prev = caret > 0 ? text[static_cast<std::size_t>(caret - 1)] : ' ';
        c = ConvertChar(pictureMask_, c, prev);
        if (!CharIsOk(pictureMask_, c)) continue;
        if (static_cast<int>(text.size()) >= MaxLength()) {
            if (!InsertPushes() || caret >= static_cast<int>(text.size())) continue;
            text.pop_back();
        }
        text.insert(static_cast<std::size_t>(caret), 1, c);
        MoveCaret(caret + 1, false);
        changed = true;
    }
    if (changed) TextChanged();
}

void TVcCustomSimpleField::MoveOrAdvance(int Position, bool Extend, bool Forward) {
    const int caret = Caret();
    const bool atEnd = Forward ? caret >= static_cast<int>(Text().size()) : caret <= 0;
    if (atEnd && !Extend && AutoAdvanceLeftRight()) {
        if (Forward)
            MoveToNextControl();
        else
            MoveToPrevControl();
        return;
    }
    MoveCaret(Position, Extend);
}

void TVcCustomSimpleField::EditFreeForm(TMessage& Message, Word Command) {
    const int caret = Caret();
    const auto end = static_cast<int>(Text().size());
    const bool selection = SelectionLength() > 0;
    switch (Command) {
    case ccBack:
        if (selection)
            DeleteSelection();
        else
            DeleteRange(caret - 1, caret);
        break;
    case ccDel:
        if (selection)
            DeleteSelection();
        else
            DeleteRange(caret, caret + 1);
        break;
    case ccCut: DeleteSelection(); break;
    case ccDelWord:
        if (selection)
            DeleteSelection();
        else
            DeleteRange(caret, WordRight(caret));
        break;
    case ccDelBol: DeleteRange(0, caret); break;
    case ccDelEol: DeleteRange(caret, end); break;
    case ccDelLine: DeleteRange(0, end); break;
    case ccLeft: MoveOrAdvance(caret - 1, false, false); break;
    case ccRight: MoveOrAdvance(caret + 1, false, true); break;
    case ccWordLeft: MoveOrAdvance(WordLeft(caret), false, false); break;
    case ccWordRight: MoveOrAdvance(WordRight(caret), false, true); break;
    case ccHome: MoveCaret(0, false); break;
    case ccEnd: MoveCaret(end, false); break;
    case ccExtendLeft: MoveCaret(caret - 1, true); break;
    case ccExtendRight: MoveCaret(caret + 1, true); break;
    case ccExtendHome: MoveCaret(0, true); break;
    case ccExtendEnd: MoveCaret(end, true); break;
    case ccExtWordLeft: MoveCaret(WordLeft(caret), true); break;
    case ccExtWordRight: MoveCaret(WordRight(caret), true); break;
    case ccUp:
    case ccDown: {
        const bool up = Command == ccUp;
        if (AutoAdvanceUpDown()) {
            if (up)
                MoveToPrevControl();
            else
                MoveToNextControl();
        } else if (ArrowIncDec()) {
            IncreaseValue(true, up ? 1.0 : -1.0);
        } else {
            MoveOrAdvance(up ? caret - 1 : caret + 1, false, !up);
        }
        break;
    }
    case ccInc: IncreaseValue(true, 1.0); break;
    case ccDec: IncreaseValue(true, -1.0); break;
    case ccIns: SetInsertMode(!InsertMode()); break;
    case ccPaste:
        if (Message.LParam) InsertText(*reinterpret_cast<const std::string*>(Message.LParam));
        break;
    case ccRestore: Restore(); break;
    case ccTypedChar:
    case ccCtrlChar:
        if (InsertChar(static_cast<char>(Message.WParam), Command == ccCtrlChar) &&
            AutoAdvanceChar() && static_cast<int>(Text().size()) >= MaxLength() &&
            Caret() >= MaxLength())
            DoAutoAdvance();
        break;
    case ccMouseDown:
        MoveCaret(PositionAt(static_cast<SmallInt>(LoWord(Message.LParam))),
                  (Message.WParam & MK_SHIFT) != 0);
        break;
    case ccMouseDrag:
        MoveCaret(PositionAt(static_cast<SmallInt>(LoWord(Message.LParam))), true);
        break;
    default: break;
    }
}

void TVcCustomSimpleField::StepChar(bool Wrap, double Delta) {
    char next = ' ';
    if (!FindSteppedChar(pictureMask_, Text().empty() ? ' ' : Text()[0], Wrap, Delta, next)) return;
    SetEditText(std::string(1, next));
    TextChanged();
}

void TVcCustomSimpleField::IncreaseValue(bool Wrap, double Delta) {
    const Byte kind = DataKind();
    if (kind == fsString) return;
    if (kind == fsChar) {
        StepChar(Wrap, Delta);
    } else if (kind == fsBoolean || kind == fsYesNo) {
        SetEditText(std::string(1, ToggleLetter(Text().empty() ? ' ' : Text()[0])));
        TextChanged();
    } else {
        if (!StepNumberText(Text().substr(0, MaxNumberText), Delta)) return;
        TextChanged();
    }
    MoveCaret(Caret(), false);
    Invalidate();
}
