#include "dbcontrols/PictureEdits.h"

#include "dbcontrols/ControlTexts.h"
#include "dbcontrols/FilterParser.h"
#include "dbcontrols/GridCore.h"
#include "dbcontrols/PictureValidator.h"
#include "dbcontrols/SharedRoutines.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/WinGdi.h"
#include "platform/gui/WinUser.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Regional.h"
#include "platform/rtl/Strings.h"

#include <algorithm>
#include <cctype>

namespace {

int CountOf(const std::string& s, char c) {
    return static_cast<int>(std::count(s.begin(), s.end(), c));
}

// At least two separators and not ending in one.
bool PartsComplete(const std::string& s, char separator) {
    return CountOf(s, separator) >= 2 && s.back() != separator;
}

std::string TwoDigits(int v) {
    return (v < 10 ? "0" : "") + std::to_string(v);
}

} // namespace

// ============================================================================================
// TdwDBPicture

TField* TdwDBPicture::LinkedField() const {
    TField* field = owner_ ? owner_->PictureField() : nullptr;
    return field && field->DataSet() && dwGetPictureMasks(field->DataSet()) ? field : nullptr;
}

std::string TdwDBPicture::PictureMask() const {
    TField* field = LinkedField();
    return field ? dwGetPictureMask(field->DataSet(), field->FieldName()).Mask : pictureMask_;
}

bool TdwDBPicture::AutoFill() const {
    TField* field = LinkedField();
    return field ? dwGetPictureMask(field->DataSet(), field->FieldName()).Flag1 : autoFill_;
}

bool TdwDBPicture::AllowInvalidExit() const {
    return LinkedField() ? false : allowInvalidExit_;
}

void TdwDBPicture::SetAllowInvalidExit(bool Value) {
    if (!LinkedField()) allowInvalidExit_ = Value;
}

void TdwDBPicture::WriteEntry() {
    TField* field = LinkedField();
    if (field)
        dwSetPictureMaskEntry(field->DataSet(), field->FieldName(), pictureMask_, autoFill_,
                              allowInvalidExit_, false, false);
}

void TdwDBPicture::SetPictureMask(const std::string& Value) {
    pictureMask_ = Value;
    WriteEntry();
}

void TdwDBPicture::SetAutoFill(bool Value) {
    autoFill_ = Value;
    WriteEntry();
}

void TdwDBPicture::Assign(TPersistent* Source) {
    if (auto* other = dynamic_cast<TdwDBPicture*>(Source)) {
        SetPictureMask(other->PictureMask());
        SetAutoFill(other->AutoFill());
        return;
    }
    TPersistent::Assign(Source);
}

// ============================================================================================
// TdwCustomMaskEdit

TdwCustomMaskEdit::TdwCustomMaskEdit(TComponent* AOwner)
    : TCustomMaskEdit(AOwner), picture_(std::make_unique<TdwDBPicture>(this)) {}

TdwCustomMaskEdit::~TdwCustomMaskEdit() = default;

void TdwCustomMaskEdit::SetStyleFlag(bool& Flag, bool Value) {
    if (Flag == Value) return;
    Flag = Value;
    if (HandleAllocated()) RecreateWnd();
}

void TdwCustomMaskEdit::CreateParams(TCreateParams& Params) {
    TCustomMaskEdit::CreateParams(Params);
    Params.Style &= ~(ES_AUTOVSCROLL | ES_WANTRETURN);
    if (BorderStyle() == bsNone || multiLine_) Params.Style |= ES_MULTILINE;
    // A multi-line edit wraps its lines and scrolls down with them.
    if (multiLine_) Params.Style = (Params.Style & ~ES_AUTOHSCROLL) | ES_AUTOVSCROLL;
    if (wantReturns_) Params.Style |= ES_WANTRETURN;
    if (vertScrollBar_) Params.Style |= WS_VSCROLL;
}

void TdwCustomMaskEdit::SetFormattingRect() {
    if (!HandleAllocated()) return;
    TRect r = Rect(BorderStyle() != bsNone ? 0 : 2, 0, ClientWidth() + 1, ClientHeight() + 1);
    Perform(EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&r));
}

void TdwCustomMaskEdit::CreateWnd() {
    TCustomMaskEdit::CreateWnd();
    SetFormattingRect();
}

void TdwCustomMaskEdit::CMFontChanged(TMessage& Message) {
    TCustomMaskEdit::CMFontChanged(Message);
    SetFormattingRect();
}

void TdwCustomMaskEdit::WMVScroll(TWMScroll& Message) {
    if (dynamic_cast<TCustomGrid*>(Parent()) && !Focused() && CanFocus()) SetFocus();
    TCustomMaskEdit::WMVScroll(Message);
}

bool TdwCustomMaskEdit::IsValidPictureValue(const std::string& Text) {
    const std::string mask = picture_->PictureMask();
    bool passes = true;
    if (!Text.empty() && !mask.empty()) {
        std::string copy = Text;
        TdwPictureValidator validator(mask, false);
        passes = validator.ApplyPicture(copy, false) == prComplete;
    }
    if (OnCheckValue) OnCheckValue(this, passes);
    return passes;
}

void TdwCustomMaskEdit::PlaceCaret(int Pos) {
    SetSelStart(std::clamp(Pos, 0, static_cast<int>(Text().size())));
    SetSelLength(0);
}

void TdwCustomMaskEdit::CheckBackspace() {
    EditHook();
    if (!OnCheckValue || TextLocked()) return;
    std::string text = Text();
    const auto start = static_cast<std::size_t>(SelStart());
    const auto length = static_cast<std::size_t>(SelLength());
    if (length > 0)
        text.erase(start, length);
    else if (start > 0)
        text.erase(start - 1, 1);
    IsValidPictureValue(text);
}

bool TdwCustomMaskEdit::CheckPictureKey(char& Key) {
    keyChangedText_ = false;
    if (!HasPicture()) return false;
    if (Key == '\b') {
        CheckBackspace();
        return false;
    }
    if (static_cast<unsigned char>(Key) < 32) return false;
    const std::string text = Text();
    const int caret = SelStart();
    const int selection = SelLength();
    std::string candidate = text;
    candidate.replace(static_cast<std::size_t>(caret), static_cast<std::size_t>(selection), 1, Key);
    const int cap = MaxLength();
    if (cap > 0 && static_cast<int>(candidate.size()) > cap && text.size() < candidate.size())
        return false;
    const int oldLength = static_cast<int>(text.size());
    const bool wholeSelected = selection > 0 && selection == oldLength;
    TdwPictureValidator validator(picture_->PictureMask(), picture_->AutoFill());
    const Byte result = validator.ApplyPicture(candidate, picture_->AutoFill());
    const int newLength = static_cast<int>(candidate.size());
    bool passes = true;
    const bool locked = TextLocked();
    if (result == prComplete && !locked) {
        EditHook();
        int pos = wholeSelected           ? newLength
                  : newLength > oldLength ? caret + (newLength - oldLength)
                                          : caret + 1;
        if (BorderStyle() != bsNone) {
            SetText(candidate);
            Key = 0;
        } else {
            // The in-grid editor types the last character itself.
            Key = candidate.back();
            SetText(newLength < 2 ? std::string() : candidate.substr(0, candidate.size() - 1));
            pos = static_cast<int>(Text().size());
        }
        PlaceCaret(pos);
        keyChangedText_ = true;
    } else if (result == prIncomplete && !locked) {
        EditHook();
        SetText(candidate);
        Key = 0;
        PlaceCaret(wholeSelected   ? newLength
                   : selection > 0 ? caret + 1
                                   : caret + (newLength - oldLength));
        keyChangedText_ = true;
        passes = false;
    } else if (result == prError) {
        if (caret + selection >= oldLength) {
            Key = 0;
            MessageBeep(0);
            return false;
        }
        passes = false;
    }
    if (!locked && OnCheckValue) OnCheckValue(this, passes);
    if (keyChangedText_) SetModified(true);
    return keyChangedText_;
}

void TdwCustomMaskEdit::KeyPress(char& Key) {
    keyChangedText_ = false;
    TCustomMaskEdit::KeyPress(Key);
    // Enter makes a new line only where returns are wanted.
    if (Key == '\r' && !wantReturns_) Key = 0;
    if (Key != 0) CheckPictureKey(Key);
}

void TdwCustomMaskEdit::KeyUp(Word& Key, TShiftState Shift) {
    TCustomMaskEdit::KeyUp(Key, Shift);
    if (Key == VK_DELETE && HasPicture()) IsValidPictureValue(Text());
}

void TdwCustomMaskEdit::CMExit(TMessage& Message) {
    exitRefused_ = false;
    if (HasPicture() && Modified() && !IsValidPictureValue(Text()) &&
        !picture_->AllowInvalidExit()) {
        SelectAll();
        SetFocus();
        MessageBeep(0);
        exitRefused_ = true;
        return;
    }
    TCustomMaskEdit::CMExit(Message);
}

// ============================================================================================
// TdwDBCustomEdit

TdwDBCustomEdit::TdwDBCustomEdit(TComponent* AOwner)
    : TdwCustomMaskEdit(AOwner), dataLink_(std::make_unique<TFieldDataLink>()) {
    SetReadOnly(true);
    dataLink_->SetControl(this);
    dataLink_->OnDataChange = [this](TObject* s) { DataChange(s); };
    dataLink_->OnEditingChange = [this](TObject* s) { EditingChange(s); };
    dataLink_->OnUpdateData = [this](TObject* s) { UpdateData(s); };
    SetPictureChecking(true);
}

TdwDBCustomEdit::~TdwDBCustomEdit() {
    dataLink_->OnDataChange = nullptr;
    dataLink_->OnEditingChange = nullptr;
    dataLink_->OnUpdateData = nullptr;
    dataLink_->SetDataSource(nullptr);
}

bool TdwDBCustomEdit::IsDateField() const {
    return dynamic_cast<TDateField*>(Field()) || (!Field() && ValueKind == vkDate);
}

bool TdwDBCustomEdit::IsTimeField() const {
    return dynamic_cast<TTimeField*>(Field()) || (!Field() && ValueKind == vkTime);
}

bool TdwDBCustomEdit::IsDateTimeField() const {
    return dynamic_cast<TDateTimeField*>(Field()) || (!Field() && ValueKind == vkDateTime);
}

bool TdwDBCustomEdit::IsMemoField() const {
    return Field() && Field()->DataType() == ftMemo;
}

void TdwDBCustomEdit::DataChange(TObject*) {
    TField* field = Field();
    if (!field) {
        alignment_ = taLeftJustify;
        SetText("");
        return;
    }
    if (alignment_ != field->Alignment()) {
        alignment_ = field->Alignment();
        Invalidate();
    }
    // A memo's text has no length of the field's own.
    const int limit = IsMemoField() ? 0 : field->Size();
    if (Picture()->PictureMask().empty() && MaxLength() != limit) SetMaxLength(limit);
    const std::string text =
        IsMemoField() ? field->AsString() : (focused_ ? field->Text() : field->DisplayText());
    // An unchanged text keeps the user's selection (starting to edit comes through here).
    if (text != Text()) SetText(text);
    SetModified(false);
}

void TdwDBCustomEdit::EditingChange(TObject*) {
    SetReadOnly(!dataLink_->Editing());
}

void TdwDBCustomEdit::UpdateData(TObject*) {
    TField* field = Field();
    if (!field || !Modified()) return;
    if (!Picture()->PictureMask().empty() && !IsValidPictureValue(Text()))
        DatabaseError(DwIntl().UserMessages()->PictureValidateError + field->GetDisplayName());
    if (IsMemoField())
        field->SetAsString(Text());
    else
        field->SetEditText(Text());
}

void TdwDBCustomEdit::EditHook() {
    if (Field()) dataLink_->Edit();
}

bool TdwDBCustomEdit::TextLocked() const {
    return Field() ? !dataLink_->CanModify() : ReadOnly();
}

bool TdwDBCustomEdit::StartChange() {
    if (TextLocked()) return false;
    if (Field() && !dataLink_->Edit()) return false;
    dataLink_->Modified();
    SetModified(true);
    return true;
}

void TdwDBCustomEdit::CMEnter(TMessage& Message) {
    focused_ = true;
    if (Field()) dataLink_->Reset();
    TdwCustomMaskEdit::CMEnter(Message);
    Invalidate();
}

void TdwDBCustomEdit::CMExit(TMessage& Message) {
    // The picture is checked first, so a refused text never reaches the record.
    TdwCustomMaskEdit::CMExit(Message);
    if (exitRefused_) return;
    if (Modified() && Field()) dataLink_->UpdateRecord();
    focused_ = false;
    if (Field() && !Modified()) dataLink_->Reset();
    Invalidate();
}

TdwCustomDBGrid* TdwDBCustomEdit::Grid() const {
    return dynamic_cast<TdwCustomDBGrid*>(Parent());
}

int TdwDBCustomEdit::TextMargin() const {
    if (!Grid()) return 1;
    return BorderStyle() == bsNone ? 2 : 3;
}

void TdwDBCustomEdit::Dispatch(TMessage& Message) {
    if (Message.Msg == CM_GETDATALINK) {
        Message.Result = reinterpret_cast<LRESULT>(dataLink_.get());
        return;
    }
    TdwCustomMaskEdit::Dispatch(Message);
}

void TdwDBCustomEdit::CMWantSpecialKey(TCMWantSpecialKey& Message) {
    const TShiftState shift = KeyDataToShiftState(Message.KeyData);
    const Word key = Message.CharCode;
    TdwCustomDBGrid* grid = Grid();
    const bool keptReturn = key == VK_RETURN && WantReturns() && !shift.Contains(ssCtrl);
    const bool gridKey = grid && (key == VK_RETURN || key == VK_ESCAPE ||
                                  (key == VK_TAB && grid->Options().Contains(dgTabs)));
    if (keptReturn || gridKey)
        Message.Result = 1;
    else
        TdwCustomMaskEdit::CMWantSpecialKey(Message);
}

bool TdwDBCustomEdit::IsGridKey(Word Key, TShiftState Shift) const {
    TdwCustomDBGrid* grid = Grid();
    const bool ctrl = Shift.Contains(ssCtrl);
    const bool locked = TextLocked();
    const bool alwaysEditor = grid->Options().Contains(dgAlwaysShowEditor);
    const bool atStart = SelStart() == 0;
    const bool atEnd = SelStart() + SelLength() >= static_cast<int>(Text().size());
    switch (Key) {
    case VK_RETURN: return !WantReturns() || ctrl;
    case VK_TAB: return grid->Options().Contains(dgTabs);
    case VK_ESCAPE: return !Modified();
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT: return !Shift.Contains(ssAlt);
    case VK_INSERT: return !Shift.Contains(ssShift);
    case VK_DELETE: return ctrl;
    case VK_END:
    case VK_RIGHT: return locked || (alwaysEditor && (ctrl || atEnd));
    case VK_HOME:
    case VK_LEFT: return locked || (alwaysEditor && (ctrl || atStart));
    default: return false;
    }
}

void TdwDBCustomEdit::HandToGrid(Word& Key, TShiftState Shift) {
    TdwCustomDBGrid* grid = Grid();
    Word key = Key;
    Key = 0;
    grid->SetFocus();
    // An edit that refused to be left keeps its record: the grid moves nothing.
    if (!Focused()) grid->KeyDown(key, Shift);
}

void TdwDBCustomEdit::OfferKeyToGrid(TdwCustomDBGrid* Grid, Word& Key, TShiftState Shift) {
    if (IsGridKey(Key, Shift)) {
        HandToGrid(Key, Shift);
        return;
    }
    CallEvent(Grid->OnKeyDown, Grid, Key, Shift);
    if (Key == VK_F2 && !TextLocked()) {
        Perform(EM_SETSEL, static_cast<WPARAM>(-1), 0);
        PlaceCaret(static_cast<int>(Text().size()));
    }
}

void TdwDBCustomEdit::KeyDown(Word& Key, TShiftState Shift) {
    TdwCustomDBGrid* grid = Grid();
    if (grid && !IsMemoField()) OfferKeyToGrid(grid, Key, Shift);
    // A key the grid left over gets the edit's own handling (its mask and key event).
    if (Key != 0) TdwCustomMaskEdit::KeyDown(Key, Shift);
    const bool changes = (Key == VK_DELETE && !Shift.Contains(ssShift)) ||
                         (Key == VK_INSERT && Shift.Contains(ssShift));
    if (changes && !StartChange()) {
        Key = 0;
        MessageBeep(0);
    }
}

void TdwDBCustomEdit::KeyPress(char& Key) {
    const bool printable = static_cast<unsigned char>(Key) >= 32;
    if ((printable || Key == '\b') && !Field() && ReadOnly()) {
        Key = 0;
        return;
    }
    if (printable && Field() && !Field()->IsValidChar(Key)) {
        MessageBeep(0);
        Key = 0;
        return;
    }
    const bool autoFilling = !Picture()->PictureMask().empty() && Picture()->AutoFill();
    if (Key == ' ' && dateTimeCompletion_ && !autoFilling && CompleteDateTime()) {
        IsValidPictureValue(Text());
        Key = 0;
        return;
    }
    TdwCustomMaskEdit::KeyPress(Key);
    if (keyChangedText_) {
        StartChange();
        return;
    }
    switch (Key) {
    case 22:
    case '\b':
    case 24:
        if (!StartChange()) Key = 0;
        break;
    case 27:
        dataLink_->Reset();
        SelectAll();
        Key = 0;
        if (Grid()) Grid()->SetFocus();
        break;
    case '\t':
        if (Grid()) Key = 0;
        break;
    case '\r':
        // Only an edit that wants returns still has the key here (a new line is an edit).
        dataLink_->Edit();
        break;
    default:
        if (Key != 0 && printable && !StartChange()) {
            MessageBeep(0);
            Key = 0;
        }
        break;
    }
}

bool TdwDBCustomEdit::CompleteDateTime() {
    const bool time = IsTimeField();
    if (!IsDateTimeField() && !IsDateField() && !time) return false;
    const std::string current = Text();
    const bool wholeSelected = current.empty() || SelLength() == static_cast<int>(current.size());
    const bool atEnd = SelLength() == 0 && SelStart() == static_cast<int>(current.size());
    if ((!Field() && ReadOnly()) || (!wholeSelected && !atEnd)) return false;
    if (Field() && !dataLink_->CanModify()) {
        MessageBeep(0);
        return true;
    }
    EditHook();
    const TFormatSettings& fs = FormatSettings();
    const char dateSep = fs.DateSeparator;
    const char timeSep = fs.TimeSeparator;
    std::string text = wholeSelected ? std::string() : current;
    const TDateTime now = Now();
    Word year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0;
    DecodeDate(now, year, month, day);
    DecodeTime(now, hour, minute, second, msec);
    const bool dateComplete = !text.empty() && PartsComplete(text, dateSep);
    const bool timeComplete = !text.empty() && PartsComplete(text, timeSep);
    int part = dpDay;
    bool done = false;
    if (!time) {
        if (!text.empty() && !dateComplete && text.back() != dateSep) {
            text += dateSep;
            done = true;
        } else if (!text.empty()) {
            part = DateTimePartAt(static_cast<int>(text.size()), text, false);
        } else {
            static const int firstPart[] = {dpMonth, dpDay, dpYear};
            part = firstPart[std::clamp(DateOrderOf(fs.ShortDateFormat), 0, 2)];
        }
    } else {
        part = TimePartAt(static_cast<int>(text.size()), text);
    }
    if (!done && (dateComplete || time) && part < dpHour) part = dpHour;
    if (!done && part <= dpYear) {
        const std::string format = LowerCase(fs.ShortDateFormat);
        if (part == dpDay)
            text += format.find("dd") != std::string::npos ? TwoDigits(day) : std::to_string(day);
        else if (part == dpMonth)
            text +=
                format.find("mm") != std::string::npos ? TwoDigits(month) : std::to_string(month);
        else
            text += fs.ShortDateFormat.find("yyyy") != std::string::npos ? std::to_string(year)
                                                                         : TwoDigits(year % 100);
        if (CountOf(text, dateSep) < 2) text += dateSep;
    } else if (!done && !IsDateField()) {
        const std::string upper = UpperCase(text);
        const auto hasMarker = [&](const std::string& marker) {
            return !marker.empty() &&
                   upper.find(static_cast<char>(
                       std::toupper(static_cast<unsigned char>(marker[0])))) != std::string::npos;
        };
        const bool twelveHour = !fs.TimeAMString.empty();
        const bool allowed =
            twelveHour ? !hasMarker(fs.TimeAMString) && !hasMarker(fs.TimePMString) : !timeComplete;
        if (allowed) {
            if (timeComplete && part == dpSecond) part = dpAmPm;
            const bool dateTime = !time && !IsDateField();
            if (part == dpHour && dateTime && !text.empty() && text.back() != ' ') {
                text += ' ';
            } else if (part == dpMinute && !text.empty() && text.back() != timeSep) {
                text += timeSep;
            } else if (part == dpHour) {
                int h = hour;
                if (twelveHour) h = h % 12 == 0 ? 12 : h % 12;
                text += std::to_string(h) + timeSep;
            } else if (part == dpMinute) {
                text += TwoDigits(minute) + timeSep;
            } else if (part == dpSecond) {
                text += TwoDigits(second);
            } else if (part == dpAmPm) {
                if (text.empty() || text.back() != ' ') text += ' ';
                text += hour < 12 ? fs.TimeAMString : fs.TimePMString;
            }
        }
    }
    SetText(text);
    PlaceCaret(static_cast<int>(text.size()));
    SetModified(true);
    dataLink_->Modified();
    return true;
}

bool TdwDBCustomEdit::BeginClipboardChange() {
    if (Field() ? dataLink_->Edit() : !ReadOnly()) return true;
    MessageBeep(0);
    return false;
}

void TdwDBCustomEdit::EndClipboardChange() {
    SetModified(true);
    dataLink_->Modified();
    IsValidPictureValue(Text());
}

void TdwDBCustomEdit::WMCut(TMessage& Message) {
    if (!BeginClipboardChange()) return;
    TdwCustomMaskEdit::WMCut(Message);
    EndClipboardChange();
}

void TdwDBCustomEdit::WMPaste(TMessage& Message) {
    if (!BeginClipboardChange()) return;
    TdwCustomMaskEdit::WMPaste(Message);
    const std::string mask = Picture()->PictureMask();
    if (PictureChecking() && !mask.empty()) {
        // The pasted text is filled out by the picture as typing would.
        std::string text = Text();
        TdwPictureValidator validator(mask, Picture()->AutoFill());
        validator.ApplyPicture(text, Picture()->AutoFill());
        if (text != Text()) {
            SetText(text);
            PlaceCaret(static_cast<int>(text.size()));
        }
    }
    EndClipboardChange();
}

// ============================================================================================
// Painting without the focus

bool TdwDBCustomEdit::PaintsItself() const {
    return !focused_ && (alignment_ != taLeftJustify || Grid());
}

std::string TdwDBCustomEdit::ShownText() const {
    TField* field = Field();
    std::string text = !field ? Text() : IsMemoField() ? field->AsString() : field->DisplayText();
    if (PasswordChar() != 0) text.assign(text.size(), PasswordChar());
    return text;
}

void TdwDBCustomEdit::PaintEdit(TCanvas* Canvas, const TRect& Client) {
    Canvas->Brush()->SetColor(Color());
    Canvas->FillRect(Client);
    const std::string text = ShownText();
    const int margin = TextMargin();
    if (MultiLine() || WantReturns()) {
        TRect r = Rect(Client.Left + margin + 1, Client.Top + margin, Client.Right - margin,
                       Client.Bottom);
        const UINT align = alignment_ == taRightJustify ? UINT{DT_RIGHT}
                           : alignment_ == taCenter     ? UINT{DT_CENTER}
                                                        : 0u;
        DrawText(Canvas->Handle(), text, &r, DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX | align);
        return;
    }
    const int width = Canvas->TextWidth(text);
    const int x = alignment_ == taRightJustify ? Client.Right - width - margin
                  : alignment_ == taCenter     ? (Client.Left + Client.Right - width) / 2
                                               : Client.Left + margin + 1;
    const int y = Client.Top + (Client.Height() - Canvas->TextHeight(text)) / 2;
    Canvas->TextRect(Client, x, y, text);
}
