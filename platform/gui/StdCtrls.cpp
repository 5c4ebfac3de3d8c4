#include "platform/gui/StdCtrls.h"

#include "platform/gui/Clipbrd.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Menus.h"
#include "platform/gui/QtBridge.h"
#include "platform/gui/QtPaint.h"
#include "platform/gui/WinUser.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyleOptionFrame>
#include <QTextBlock>

#include <algorithm>

namespace {

template <typename W>
W* WidgetAs(const TWinControl* control) {
    return qobject_cast<W*>(control->Impl()->Widget.data());
}

// The text of a Win32 single-line edit pasted from several lines: the first line only.
std::string FirstLine(const std::string& text) {
    const std::size_t end = text.find_first_of("\r\n");
    return end == std::string::npos ? text : text.substr(0, end);
}

std::string CrLf(const QString& text) {
    std::string out;
    for (char c : QStringToAnsi(text)) {
        if (c == '\n')
            out += "\r\n";
        else
            out.push_back(c);
    }
    return out;
}

QString Lf(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out.push_back(text[i] == '\r' ? '\n' : text[i]);
    }
    return AnsiToQString(out);
}

} // namespace

// ============================================================================================
// TLabel

TLabel::TLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
    controlStyle_.Include(csOpaque);
    SetBounds(0, 0, 65, 17);
}

void TLabel::SetFocusControl(TWinControl* Value) {
    if (focusControl_) focusControl_->RemoveFreeNotification(this);
    focusControl_ = Value;
    if (Value) Value->FreeNotification(this);
}

void TLabel::Notification(TComponent* AComponent, TOperation Operation) {
    TGraphicControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == focusControl_) focusControl_ = nullptr;
}

void TLabel::SetAlignment(TAlignment Value) {
    alignment_ = Value;
    Invalidate();
}

void TLabel::SetLayout(TTextLayout Value) {
    layout_ = Value;
    Invalidate();
}

void TLabel::SetAutoSize(bool Value) {
    autoSize_ = Value;
    AdjustBounds();
}

void TLabel::SetWordWrap(bool Value) {
    wordWrap_ = Value;
    AdjustBounds();
    Invalidate();
}

void TLabel::SetTransparent(bool Value) {
    transparent_ = Value;
    if (Value)
        controlStyle_.Exclude(csOpaque);
    else
        controlStyle_.Include(csOpaque);
    Invalidate();
}

void TLabel::SetShowAccelChar(bool Value) {
    showAccelChar_ = Value;
    AdjustBounds();
    Invalidate();
}

UINT TLabel::TextFormat() const {
    UINT format = DT_EXPANDTABS;
    if (wordWrap_) format |= DT_WORDBREAK;
    if (!showAccelChar_) format |= DT_NOPREFIX;
    if (alignment_ == taCenter) format |= DT_CENTER;
    if (alignment_ == taRightJustify) format |= DT_RIGHT;
    return format;
}

void TLabel::AdjustBounds() {
    if (!autoSize_) return;
    HDC dc = GetScreenDC();
    TFont font;
    font.Assign(Font());
    const HGDIOBJ old = SelectObject(dc, font.Handle());
    TRect r = Rect(0, 0, wordWrap_ ? Width() : 0, 0);
    std::string text = Caption();
    if (text.empty()) text = " ";
    DrawText(dc, text, &r, TextFormat() | DT_CALCRECT);
    SelectObject(dc, old);
    int left = Left();
    if (!wordWrap_ && alignment_ == taRightJustify) left += Width() - r.Width();
    if (!wordWrap_ && alignment_ == taCenter) left += (Width() - r.Width()) / 2;
    SetBounds(left, Top(), wordWrap_ ? Width() : r.Width(), r.Height());
}

void TLabel::Paint() {
    TCanvas* canvas = Canvas();
    TRect r = ClientRect();
    if (!transparent_) {
        canvas->Brush()->SetColor(Color());
        canvas->Brush()->SetStyle(bsSolid);
        canvas->FillRect(r);
    }
    canvas->Brush()->SetStyle(bsClear);
    canvas->Font()->Assign(Font());
    UINT format = TextFormat();
    if (layout_ != tlTop) {
        TRect calc = r;
        DrawText(canvas->Handle(), Caption(), &calc, format | DT_CALCRECT);
        const int offset = r.Height() - calc.Height();
        r.Top += layout_ == tlCenter ? offset / 2 : offset;
    }
    if (!Enabled()) {
        OffsetRect(r, 1, 1);
        canvas->Font()->SetColor(clBtnHighlight);
        DrawText(canvas->Handle(), Caption(), &r, format);
        OffsetRect(r, -1, -1);
        canvas->Font()->SetColor(clBtnShadow);
    }
    DrawText(canvas->Handle(), Caption(), &r, format);
}

void TLabel::CMTextChanged(TMessage& Message) {
    TGraphicControl::CMTextChanged(Message);
    AdjustBounds();
}

void TLabel::CMFontChanged(TMessage& Message) {
    TGraphicControl::CMFontChanged(Message);
    AdjustBounds();
}

void TLabel::CMDialogChar(TCMDialogChar& Message) {
    if (focusControl_ && Enabled() && showAccelChar_ && IsAccel(Message.CharCode, Caption()) &&
        focusControl_->CanFocus()) {
        focusControl_->SetFocus();
        Message.Result = 1;
    }
}

// ============================================================================================
// TButton

TButton::TButton(TComponent* AOwner) : TWinControl(AOwner) {
    controlStyle_ = {csSetCaption, csDoubleClicks};
    SetTabStop(true);
    SetBounds(0, 0, 75, 25);
    Impl()->MakeNative = [this] {
        auto* button = new QPushButton;
        button->setText(AnsiToQString(Caption()));
        button->setAutoDefault(false);
        button->setDefault(default_);
        QObject::connect(button, &QPushButton::clicked, [this] { Guarded([&] { Click(); }); });
        return button;
    };
}

void TButton::SetDefault(bool Value) {
    default_ = Value;
    if (auto* b = WidgetAs<QPushButton>(this)) b->setDefault(Value);
}

void TButton::Click() {
    if (TCustomForm* form = GetParentForm(this); form && modalResult_ != 0)
        form->SetModalResult(modalResult_);
    TWinControl::Click();
}

bool TButton::ActiveDefault() const {
    if (Focused()) return true;
    return default_ && !dynamic_cast<TButton*>(FindControl(GetFocus()));
}

void TButton::WMGetDlgCode(TWMGetDlgCode& Message) {
    Message.Result = DLGC_BUTTON | (ActiveDefault() ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
}

void TButton::CMDialogKey(TCMDialogKey& Message) {
    const bool key = (Message.CharCode == VK_RETURN && ActiveDefault()) ||
                     (Message.CharCode == VK_ESCAPE && cancel_);
    if (key && KeyDataToShiftState(Message.KeyData).Empty() && CanFocus()) {
        Click();
        Message.Result = 1;
        return;
    }
    TWinControl::CMDialogKey(Message);
}

void TButton::CMDialogChar(TCMDialogChar& Message) {
    if (IsAccel(Message.CharCode, Caption()) && CanFocus()) {
        Click();
        Message.Result = 1;
    }
}

void TButton::CMTextChanged(TMessage& Message) {
    TWinControl::CMTextChanged(Message);
    if (auto* b = WidgetAs<QPushButton>(this)) b->setText(AnsiToQString(Caption()));
}

// The focused button shows the default frame, as Win32 moves it.
void TButton::CMEnter(TMessage& Message) {
    if (auto* b = WidgetAs<QPushButton>(this)) b->setDefault(true);
    TWinControl::CMEnter(Message);
}

void TButton::CMExit(TMessage& Message) {
    if (auto* b = WidgetAs<QPushButton>(this)) b->setDefault(default_);
    TWinControl::CMExit(Message);
}

namespace {

// Positions in the program's text count CR LF as two; Qt's count a line end as one.
int ToQtPos(const std::string& text, int pos) {
    int q = 0;
    for (int i = 0; i < pos && i < static_cast<int>(text.size()); ++i)
        if (!(text[static_cast<std::size_t>(i)] == '\r' && i + 1 < static_cast<int>(text.size()) &&
              text[static_cast<std::size_t>(i) + 1] == '\n'))
            ++q;
    return q;
}
int FromQtPos(const std::string& text, int q) {
    int pos = 0;
    for (int n = 0; n < q && pos < static_cast<int>(text.size()); ++n)
        pos += text.compare(static_cast<std::size_t>(pos), 2, "\r\n") == 0 ? 2 : 1;
    return pos;
}

// Paints an edit's window through its control (PaintsItself) on Client of the target.
void PaintByOwner(TCustomEdit* owner, QWidget* target, const QRect& client) {
    Guarded([&] {
        QImage image(std::max(client.width(), 1), std::max(client.height(), 1),
                     QImage::Format_RGB32);
        image.fill(TColorToQColor(owner->Color()));
        TImageCanvas canvas(&image);
        canvas.Font()->Assign(owner->Font());
        owner->PaintEdit(&canvas, Rect(0, 0, image.width(), image.height()));
        QPainter(target).drawImage(client.topLeft(), image);
    });
}

// The native single-line edit, painted by its control while the control asks to.
class QtLineEdit : public QLineEdit {
public:
    explicit QtLineEdit(TCustomEdit* owner) : owner_(owner) {}

protected:
    void paintEvent(QPaintEvent* event) override {
        if (!owner_->PaintsItself()) {
            QLineEdit::paintEvent(event);
            return;
        }
        QStyleOptionFrame panel;
        initStyleOption(&panel);
        {
            QPainter p(this);
            style()->drawPrimitive(QStyle::PE_PanelLineEdit, &panel, &p, this);
        }
        const int inset = hasFrame() ? 2 : 0;
        PaintByOwner(owner_, this, rect().adjusted(inset, inset, -inset, -inset));
    }

private:
    TCustomEdit* owner_;
};

// The native multi-line edit, likewise.
class QtTextEdit : public QPlainTextEdit {
public:
    explicit QtTextEdit(TCustomEdit* owner) : owner_(owner) {}
    using QPlainTextEdit::setViewportMargins;

protected:
    void paintEvent(QPaintEvent* event) override {
        if (owner_->PaintsItself())
            PaintByOwner(owner_, viewport(), viewport()->rect());
        else
            QPlainTextEdit::paintEvent(event);
    }

private:
    TCustomEdit* owner_;
};

} // namespace

// ============================================================================================
// TCustomEdit

TCustomEdit::TCustomEdit(TComponent* AOwner) : TWinControl(AOwner) {
    controlStyle_ = {csClickEvents, csSetCaption, csDoubleClicks};
    SetTabStop(true);
    SetColor(clWindow);
    SetBounds(0, 0, 121, 24);
    Impl()->MakeNative = [this]() -> QWidget* {
        const auto changed = [this] {
            if (!settingText_) Guarded([&] { Change(); });
        };
        if (Impl()->Params.Style & ES_MULTILINE) {
            auto* memo = new QtTextEdit(this);
            if (BorderStyle() == bsNone) memo->setFrameShape(QFrame::NoFrame);
            QObject::connect(memo, &QPlainTextEdit::textChanged, changed);
            return memo;
        }
        auto* edit = new QtLineEdit(this);
        edit->setFrame(BorderStyle() != bsNone);
        QObject::connect(edit, &QLineEdit::textChanged, changed);
        return edit;
    };
}

void TCustomEdit::CreateParams(TCreateParams& Params) {
    TWinControl::CreateParams(Params);
    Params.Style |= ES_AUTOHSCROLL | ES_AUTOVSCROLL;
}

void TCustomEdit::SetMaxLength(int Value) {
    maxLength_ = std::max(Value, 0);
    if (auto* e = WidgetAs<QLineEdit>(this)) e->setMaxLength(maxLength_ > 0 ? maxLength_ : 32767);
}

void TCustomEdit::SetReadOnly(bool Value) {
    readOnly_ = Value;
    if (auto* e = WidgetAs<QLineEdit>(this)) e->setReadOnly(Value);
    if (auto* m = WidgetAs<QPlainTextEdit>(this)) {
        m->setReadOnly(Value);
        // A read-only edit still moves its caret and selection with the keys.
        if (Value)
            m->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    }
}

void TCustomEdit::SetPasswordChar(char Value) {
    passwordChar_ = Value;
    if (auto* e = WidgetAs<QLineEdit>(this)) {
        e->setEchoMode(Value ? QLineEdit::Password : QLineEdit::Normal);
        const QString c = AnsiToQString(std::string(1, Value ? Value : '*'));
        e->setStyleSheet(
            QString("QLineEdit { lineedit-password-character: %1; }").arg(c.at(0).unicode()));
    }
}

bool TCustomEdit::Modified() const {
    if (auto* e = WidgetAs<QLineEdit>(this)) return e->isModified();
    if (auto* m = WidgetAs<QPlainTextEdit>(this)) return m->document()->isModified();
    return modified_;
}

void TCustomEdit::SetModified(bool Value) {
    modified_ = Value;
    if (auto* e = WidgetAs<QLineEdit>(this)) e->setModified(Value);
    if (auto* m = WidgetAs<QPlainTextEdit>(this)) m->document()->setModified(Value);
}

void TCustomEdit::GetSelection(int& Start, int& End) const {
    if (auto* e = WidgetAs<QLineEdit>(this)) {
        if (e->hasSelectedText()) {
            Start = e->selectionStart();
            End = Start + static_cast<int>(e->selectedText().size());
        } else {
            Start = End = e->cursorPosition();
        }
        return;
    }
    if (auto* m = WidgetAs<QPlainTextEdit>(this)) {
        const std::string text = GetText();
        const QTextCursor c = m->textCursor();
        Start = FromQtPos(text, c.selectionStart());
        End = FromQtPos(text, c.selectionEnd());
        return;
    }
    Start = selStart_;
    End = selEnd_;
}

void TCustomEdit::SetSelection(int Start, int End) {
    const int length = static_cast<int>(GetText().size());
    Start = std::clamp(Start, 0, length);
    End = std::clamp(End, 0, length);
    selStart_ = Start;
    selEnd_ = End;
    if (auto* e = WidgetAs<QLineEdit>(this)) {
        if (Start == End)
            e->setCursorPosition(Start);
        else
            e->setSelection(Start, End - Start);
    }
    if (auto* m = WidgetAs<QPlainTextEdit>(this)) {
        const std::string text = GetText();
        QTextCursor c = m->textCursor();
        c.setPosition(ToQtPos(text, std::min(Start, End)));
        c.setPosition(ToQtPos(text, std::max(Start, End)), QTextCursor::KeepAnchor);
        m->setTextCursor(c);
    }
}

void TCustomEdit::ReplaceSelection(const std::string& Value) {
    if (auto* e = WidgetAs<QLineEdit>(this)) {
        e->insert(AnsiToQString(FirstLine(Value)));
        return;
    }
    if (auto* m = WidgetAs<QPlainTextEdit>(this)) {
        m->textCursor().insertText(Lf(Value));
        return;
    }
    int s = 0;
    int e = 0;
    GetSelection(s, e);
    std::string text = GetText();
    text.replace(static_cast<std::size_t>(s), static_cast<std::size_t>(e - s), Value);
    SetText(text);
    SetSelection(s + static_cast<int>(Value.size()), s + static_cast<int>(Value.size()));
}

int TCustomEdit::SelStart() const {
    int s = 0;
    int e = 0;
    GetSelection(s, e);
    return s;
}

void TCustomEdit::SetSelStart(int Value) {
    SetSelection(Value, Value);
}

int TCustomEdit::SelLength() const {
    int s = 0;
    int e = 0;
    GetSelection(s, e);
    return e - s;
}

void TCustomEdit::SetSelLength(int Value) {
    const int s = SelStart();
    SetSelection(s, s + std::max(Value, 0));
}

std::string TCustomEdit::SelText() const {
    int s = 0;
    int e = 0;
    GetSelection(s, e);
    return GetText().substr(static_cast<std::size_t>(s), static_cast<std::size_t>(e - s));
}

void TCustomEdit::SetSelText(const std::string& Value) {
    ReplaceSelection(Value);
}

void TCustomEdit::SelectAll() {
    SetSelection(0, static_cast<int>(GetText().size()));
}

void TCustomEdit::ClearSelection() {
    if (SelLength() > 0 && !readOnly_) ReplaceSelection("");
}

void TCustomEdit::CopyToClipboard() {
    const std::string text = SelText();
    if (!text.empty() && passwordChar_ == 0) Clipboard()->SetAsText(text);
}

void TCustomEdit::CutToClipboard() {
    if (readOnly_) return;
    CopyToClipboard();
    ClearSelection();
}

void TCustomEdit::PasteFromClipboard() {
    if (readOnly_ || !Clipboard()->HasFormat(CF_TEXT)) return;
    ReplaceSelection(Clipboard()->AsText());
}

void TCustomEdit::Undo() {
    if (auto* e = WidgetAs<QLineEdit>(this)) e->undo();
    if (auto* m = WidgetAs<QPlainTextEdit>(this)) m->undo();
}

void TCustomEdit::Change() {
    if (OnChange) OnChange(this);
}

std::string TCustomEdit::WidgetText() const {
    if (auto* e = WidgetAs<QLineEdit>(this)) return QStringToAnsi(e->text());
    if (auto* m = WidgetAs<QPlainTextEdit>(this)) return CrLf(m->toPlainText());
    return TWinControl::GetText();
}

void TCustomEdit::SetWidgetText(const std::string& Value) {
    if (auto* e = WidgetAs<QLineEdit>(this)) e->setText(AnsiToQString(Value));
    if (auto* m = WidgetAs<QPlainTextEdit>(this)) m->setPlainText(Lf(Value));
}

void TCustomEdit::SetFormatRect(const TRect& R) {
    const TRect client = ClientRect();
    const int right = std::max(client.Right - R.Right, 0);
    const int bottom = std::max(client.Bottom - R.Bottom, 0);
    if (auto* e = WidgetAs<QLineEdit>(this)) e->setTextMargins(R.Left, R.Top, right, bottom);
    if (auto* m = dynamic_cast<QtTextEdit*>(Impl()->Widget.data()))
        m->setViewportMargins(R.Left, R.Top, right, bottom);
}

void TCustomEdit::Invalidate() {
    TWinControl::Invalidate();
    if (auto* m = WidgetAs<QPlainTextEdit>(this)) m->viewport()->update();
}

std::string TCustomEdit::GetText() const {
    return Impl()->Widget ? WidgetText() : TWinControl::GetText();
}

void TCustomEdit::SetTextValue(const std::string& Value) {
    const std::string text = maxLength_ > 0 && static_cast<int>(Value.size()) > maxLength_
                                 ? Value.substr(0, static_cast<std::size_t>(maxLength_))
                                 : Value;
    TControl::SetTextValue(text);
    if (Impl()->Widget) {
        settingText_ = true;
        SetWidgetText(text);
        settingText_ = false;
    }
    modified_ = false;
    Change();
}

void TCustomEdit::CreateWnd() {
    TWinControl::CreateWnd();
    if (auto* m = WidgetAs<QPlainTextEdit>(this)) {
        const DWORD style = Impl()->Params.Style;
        m->setLineWrapMode((style & ES_AUTOHSCROLL) ? QPlainTextEdit::NoWrap
                                                    : QPlainTextEdit::WidgetWidth);
        m->setVerticalScrollBarPolicy((style & WS_VSCROLL) ? Qt::ScrollBarAlwaysOn
                                                           : Qt::ScrollBarAlwaysOff);
        m->setHorizontalScrollBarPolicy((style & WS_HSCROLL) ? Qt::ScrollBarAlwaysOn
                                                             : Qt::ScrollBarAlwaysOff);
    }
    settingText_ = true;
    SetWidgetText(TControl::GetText());
    settingText_ = false;
    SetMaxLength(maxLength_);
    SetReadOnly(readOnly_);
    SetPasswordChar(passwordChar_);
    SetSelection(selStart_, selEnd_);
    SetModified(modified_);
}

void TCustomEdit::SaveWidgetState() {
    if (!Impl()->Widget) return;
    TControl::SetTextValue(WidgetText());
    modified_ = Modified();
    GetSelection(selStart_, selEnd_);
}

void TCustomEdit::DestroyWnd() {
    SaveWidgetState();
    TWinControl::DestroyWnd();
}

void TCustomEdit::CMEnter(TMessage& Message) {
    if (autoSelect_ && !ControlState().Contains(csLButtonDown) && GetKeyState(VK_LBUTTON) >= 0)
        SelectAll();
    TWinControl::CMEnter(Message);
}

void TCustomEdit::WMGetDlgCode(TWMGetDlgCode& Message) {
    Message.Result = DLGC_WANTCHARS | DLGC_WANTARROWS | DLGC_HASSETSEL;
}

void TCustomEdit::Dispatch(TMessage& Message) {
    TMessage& m = Message;
    switch (m.Msg) {
    case EM_GETSEL: {
        int s = 0;
        int e = 0;
        GetSelection(s, e);
        if (m.WParam) *reinterpret_cast<DWORD*>(m.WParam) = static_cast<DWORD>(s);
        if (m.LParam) *reinterpret_cast<DWORD*>(m.LParam) = static_cast<DWORD>(e);
        m.Result = MakeLParam(s, e);
        return;
    }
    case EM_SETSEL: {
        const int s = static_cast<int>(static_cast<std::intptr_t>(m.WParam));
        const int e = static_cast<int>(m.LParam);
        const int length = static_cast<int>(GetText().size());
        // -1 as the start removes the selection; -1 as the end runs to the end of the text.
        if (s < 0)
            SetSelection(SelStart(), SelStart());
        else
            SetSelection(std::min(s, e < 0 ? length : e), e < 0 ? length : std::max(s, e));
        return;
    }
    case EM_GETMODIFY: m.Result = Modified() ? 1 : 0; return;
    case EM_SETMODIFY: SetModified(m.WParam != 0); return;
    case EM_LIMITTEXT: SetMaxLength(static_cast<int>(m.WParam)); return;
    case EM_SETREADONLY: SetReadOnly(m.WParam != 0); return;
    case EM_SETRECT:
    case EM_SETRECTNP: SetFormatRect(*reinterpret_cast<const TRect*>(m.LParam)); return;
    case WM_UNDO: Undo(); return;
    default: TWinControl::Dispatch(m);
    }
}

void TCustomEdit::DefaultHandler(TMessage& Message) {
    switch (Message.Msg) {
    case WM_COPY: CopyToClipboard(); return;
    case WM_CUT: CutToClipboard(); return;
    case WM_PASTE: PasteFromClipboard(); return;
    case WM_CLEAR: ClearSelection(); return;
    default: break;
    }
    if (Message.Msg == WM_CHAR) {
        // The edit's own control characters, as a Win32 edit takes them.
        switch (Message.WParam) {
        case 3: Perform(WM_COPY, 0, 0); return;
        case 22: Perform(WM_PASTE, 0, 0); return;
        case 24: Perform(WM_CUT, 0, 0); return;
        case 26: Perform(WM_UNDO, 0, 0); return;
        default: break;
        }
        if (Message.WParam >= 32 && readOnly_) {
            MessageBeep(0);
            return;
        }
    }
    TWinControl::DefaultHandler(Message);
}

TEdit::TEdit(TComponent* AOwner) : TCustomEdit(AOwner) {
    SetBorderStyle(bsSingle);
}

// ============================================================================================
// TMemo

namespace {

// The memo's lines, read from and written to its text.
class TMemoStrings : public TStrings {
public:
    explicit TMemoStrings(TMemo* memo) : memo_(memo) {}

    void Insert(int Index, const std::string& S) override {
        std::vector<std::string> lines = Split();
        if (Index < 0 || Index > static_cast<int>(lines.size()))
            throw EStringListError("List index out of bounds (%d)", {Index});
        if (Index == static_cast<int>(lines.size())) {
            // Appended to the text itself: an empty last line (a final line end, which counts
            // no line of its own) stays when the next line follows it.
            const std::string text = memo_->Text();
            memo_->SetText(text.empty() ? S : text + "\r\n" + S);
            return;
        }
        lines.insert(lines.begin() + Index, S);
        Join(lines);
    }
    void Delete(int Index) override {
        std::vector<std::string> lines = Split();
        Check(Index, lines);
        lines.erase(lines.begin() + Index);
        Join(lines);
    }
    void Clear() override { memo_->SetText(""); }

protected:
    std::string Get(int Index) const override {
        const std::vector<std::string> lines = Split();
        Check(Index, lines);
        return lines[static_cast<std::size_t>(Index)];
    }
    int GetCount() const override { return static_cast<int>(Split().size()); }
    void Put(int Index, const std::string& S) override {
        std::vector<std::string> lines = Split();
        Check(Index, lines);
        lines[static_cast<std::size_t>(Index)] = S;
        Join(lines);
    }

private:
    static void Check(int Index, const std::vector<std::string>& lines) {
        if (Index < 0 || Index >= static_cast<int>(lines.size()))
            throw EStringListError("List index out of bounds (%d)", {Index});
    }
    // Lines split at CR LF; a final line end starts no further line.
    std::vector<std::string> Split() const {
        std::vector<std::string> lines;
        const std::string text = memo_->Text();
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t end = text.find("\r\n", start);
            if (end == std::string::npos) end = text.size();
            lines.push_back(text.substr(start, end - start));
            start = end + 2;
        }
        return lines;
    }
    void Join(const std::vector<std::string>& lines) {
        std::string text;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (i > 0) text += "\r\n";
            text += lines[i];
        }
        memo_->SetText(text);
    }
    TMemo* memo_;
};

} // namespace

TMemo::TMemo(TComponent* AOwner)
    : TCustomEdit(AOwner), lines_(std::make_unique<TMemoStrings>(this)) {
    SetBounds(0, 0, 185, 89);
    SetAutoSelect(false);
    SetBorderStyle(bsSingle);
}

TMemo::~TMemo() = default;

void TMemo::ApplyWrap() {
    auto* m = WidgetAs<QPlainTextEdit>(this);
    if (!m) return;
    const bool wrap = wordWrap_ && scrollBars_ != ssHorizontal && scrollBars_ != ssBoth;
    m->setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    const bool h = scrollBars_ == ssHorizontal || scrollBars_ == ssBoth;
    const bool v = scrollBars_ == ssVertical || scrollBars_ == ssBoth;
    m->setHorizontalScrollBarPolicy(h ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    m->setVerticalScrollBarPolicy(v ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

void TMemo::SetWordWrap(bool Value) {
    wordWrap_ = Value;
    ApplyWrap();
}

void TMemo::SetScrollBars(TScrollStyle Value) {
    scrollBars_ = Value;
    ApplyWrap();
}

void TMemo::CreateParams(TCreateParams& Params) {
    TCustomEdit::CreateParams(Params);
    Params.Style |= ES_MULTILINE;
}

void TMemo::CreateWnd() {
    TCustomEdit::CreateWnd();
    ApplyWrap();
}

void TMemo::WMGetDlgCode(TWMGetDlgCode& Message) {
    Message.Result = DLGC_WANTCHARS | DLGC_WANTARROWS | DLGC_HASSETSEL;
    if (wantTabs_) Message.Result |= DLGC_WANTTAB;
    if (wantReturns_) Message.Result |= DLGC_WANTALLKEYS;
}

// ============================================================================================
// TCheckBox

TCheckBox::TCheckBox(TComponent* AOwner) : TWinControl(AOwner) {
    controlStyle_ = {csSetCaption, csDoubleClicks};
    SetTabStop(true);
    SetBounds(0, 0, 97, 17);
    Impl()->MakeNative = [this] {
        auto* box = new QCheckBox;
        box->setText(AnsiToQString(Caption()));
        QObject::connect(box, &QCheckBox::clicked, [this] { Guarded([&] { Toggle(); }); });
        return box;
    };
}

void TCheckBox::SetState(TCheckBoxState Value) {
    if (state_ == Value) return;
    state_ = Value;
    if (auto* box = WidgetAs<QCheckBox>(this)) {
        QSignalBlocker block(box);
        box->setCheckState(Value == cbChecked  ? Qt::Checked
                           : Value == cbGrayed ? Qt::PartiallyChecked
                                               : Qt::Unchecked);
    }
    Click();
}

void TCheckBox::Toggle() {
    switch (state_) {
    case cbUnchecked: SetState(cbChecked); break;
    case cbChecked: SetState(allowGrayed_ ? cbGrayed : cbUnchecked); break;
    case cbGrayed: SetState(cbUnchecked); break;
    }
    // Qt changed its own state on the click; the control's state is the one shown.
    if (auto* box = WidgetAs<QCheckBox>(this)) {
        QSignalBlocker block(box);
        box->setCheckState(state_ == cbChecked  ? Qt::Checked
                           : state_ == cbGrayed ? Qt::PartiallyChecked
                                                : Qt::Unchecked);
    }
}

void TCheckBox::SetAllowGrayed(bool Value) {
    allowGrayed_ = Value;
    if (auto* box = WidgetAs<QCheckBox>(this)) box->setTristate(Value);
}

void TCheckBox::SetAlignment(TAlignment Value) {
    alignment_ = Value;
    if (auto* box = WidgetAs<QCheckBox>(this))
        box->setLayoutDirection(Value == taLeftJustify ? Qt::RightToLeft : Qt::LeftToRight);
}

void TCheckBox::CreateWnd() {
    TWinControl::CreateWnd();
    auto* box = WidgetAs<QCheckBox>(this);
    QSignalBlocker block(box);
    box->setTristate(allowGrayed_);
    box->setCheckState(state_ == cbChecked  ? Qt::Checked
                       : state_ == cbGrayed ? Qt::PartiallyChecked
                                            : Qt::Unchecked);
    SetAlignment(alignment_);
}

void TCheckBox::WMGetDlgCode(TWMGetDlgCode& Message) {
    Message.Result = DLGC_BUTTON;
}

void TCheckBox::CMDialogChar(TCMDialogChar& Message) {
    if (IsAccel(Message.CharCode, Caption()) && CanFocus()) {
        SetFocus();
        Toggle();
        Message.Result = 1;
    }
}

void TCheckBox::CMTextChanged(TMessage& Message) {
    TWinControl::CMTextChanged(Message);
    if (auto* box = WidgetAs<QCheckBox>(this)) box->setText(AnsiToQString(Caption()));
}

// ============================================================================================
// TRadioButton

TRadioButton::TRadioButton(TComponent* AOwner) : TWinControl(AOwner) {
    controlStyle_ = {csSetCaption, csDoubleClicks};
    SetBounds(0, 0, 113, 17);
    Impl()->MakeNative = [this] {
        auto* radio = new QRadioButton;
        radio->setAutoExclusive(false);
        radio->setText(AnsiToQString(Caption()));
        QObject::connect(radio, &QRadioButton::clicked, [this] {
            Guarded([&] {
                if (auto* r = WidgetAs<QRadioButton>(this)) r->setChecked(checked_);
                SetChecked(true);
            });
        });
        return radio;
    };
}

void TRadioButton::SetChecked(bool Value) {
    if (checked_ == Value) return;
    checked_ = Value;
    SetTabStop(Value);
    if (auto* r = WidgetAs<QRadioButton>(this)) {
        QSignalBlocker block(r);
        r->setChecked(Value);
    }
    if (!Value) return;
    if (Parent()) {
        for (int i = 0; i < Parent()->ControlCount(); ++i)
            if (auto* other = dynamic_cast<TRadioButton*>(Parent()->Controls(i));
                other && other != this)
                other->SetChecked(false);
    }
    Click();
}

void TRadioButton::CreateWnd() {
    TWinControl::CreateWnd();
    auto* r = WidgetAs<QRadioButton>(this);
    QSignalBlocker block(r);
    r->setChecked(checked_);
}

void TRadioButton::WMGetDlgCode(TWMGetDlgCode& Message) {
    Message.Result = DLGC_BUTTON | DLGC_RADIOBUTTON;
}

void TRadioButton::CMDialogChar(TCMDialogChar& Message) {
    if (IsAccel(Message.CharCode, Caption()) && CanFocus()) {
        SetFocus();
        SetChecked(true);
        Message.Result = 1;
    }
}

void TRadioButton::CMTextChanged(TMessage& Message) {
    TWinControl::CMTextChanged(Message);
    if (auto* r = WidgetAs<QRadioButton>(this)) r->setText(AnsiToQString(Caption()));
}

void TRadioButton::CMEnter(TMessage& Message) {
    const bool byArrow = GetKeyState(VK_LEFT) < 0 || GetKeyState(VK_RIGHT) < 0 ||
                         GetKeyState(VK_UP) < 0 || GetKeyState(VK_DOWN) < 0;
    if (byArrow) SetChecked(true);
    TWinControl::CMEnter(Message);
}

// ============================================================================================
// List controls

TCustomListControl::TCustomListControl(TComponent* AOwner)
    : TWinControl(AOwner), items_(std::make_unique<TStringList>()) {
    items_->OnChange = [this](TObject*) { ItemsChanged(); };
    SetTabStop(true);
    SetColor(clWindow);
}

TCustomListControl::~TCustomListControl() = default;

TStrings* TCustomListControl::Items() const {
    return items_.get();
}

void TCustomListControl::SetItems(TStrings* Value) {
    items_->Assign(Value);
}

int TCustomListControl::ItemIndex() const {
    return Impl()->Widget ? WidgetIndex() : itemIndex_;
}

void TCustomListControl::SetItemIndex(int Value) {
    if (Value < 0 || Value >= items_->Count()) Value = -1;
    itemIndex_ = Value;
    if (Impl()->Widget) {
        updating_ = true;
        SetWidgetIndex(Value);
        updating_ = false;
    }
}

bool TCustomListControl::Sorted() const {
    return items_->Sorted();
}

void TCustomListControl::SetSorted(bool Value) {
    items_->SetSorted(Value);
}

void TCustomListControl::Clear() {
    items_->Clear();
}

void TCustomListControl::ItemsChanged() {
    const int index = ItemIndex();
    if (Impl()->Widget) {
        updating_ = true;
        FillWidget();
        updating_ = false;
    }
    SetItemIndex(index < items_->Count() ? index : -1);
}

// ============================================================================================
// TComboBox

TComboBox::TComboBox(TComponent* AOwner) : TCustomListControl(AOwner) {
    controlStyle_ = {csSetCaption, csDoubleClicks};
    SetBounds(0, 0, 145, 24);
    Impl()->MakeNative = [this] {
        auto* combo = new QComboBox;
        combo->setEditable(style_ != csDropDownList);
        combo->setInsertPolicy(QComboBox::NoInsert);
        QObject::connect(combo, &QComboBox::activated, [this](int index) {
            if (!updating_) Guarded([&] { UserSelected(index); });
        });
        if (QLineEdit* edit = combo->lineEdit()) {
            QObject::connect(edit, &QLineEdit::textEdited, [this] {
                if (!updating_) Guarded([&] { Change(); });
            });
        }
        return combo;
    };
}

void TComboBox::UserSelected(int Index) {
    itemIndex_ = Index;
    Click();
    Change();
}

void TComboBox::Change() {
    if (OnChange) OnChange(this);
}

void TComboBox::SetStyle(TComboBoxStyle Value) {
    if (style_ == Value) return;
    style_ = Value;
    RecreateWnd();
}

void TComboBox::SetDropDownCount(int Value) {
    dropDownCount_ = std::max(Value, 1);
    if (auto* c = WidgetAs<QComboBox>(this)) c->setMaxVisibleItems(dropDownCount_);
}

void TComboBox::SetMaxLength(int Value) {
    maxLength_ = std::max(Value, 0);
    if (auto* c = WidgetAs<QComboBox>(this); c && c->lineEdit())
        c->lineEdit()->setMaxLength(maxLength_ > 0 ? maxLength_ : 32767);
}

bool TComboBox::DroppedDown() const {
    auto* c = WidgetAs<QComboBox>(this);
    return c && c->view() && c->view()->isVisible();
}

void TComboBox::SetDroppedDown(bool Value) {
    auto* c = WidgetAs<QComboBox>(this);
    if (!c) return;
    if (Value) {
        if (OnDropDown) OnDropDown(this);
        c->showPopup();
    } else {
        c->hidePopup();
    }
}

void TComboBox::SelectAll() {
    if (auto* c = WidgetAs<QComboBox>(this); c && c->lineEdit()) c->lineEdit()->selectAll();
}

std::string TComboBox::GetText() const {
    if (auto* c = WidgetAs<QComboBox>(this)) return QStringToAnsi(c->currentText());
    if (style_ == csDropDownList)
        return itemIndex_ >= 0 ? items_->Strings(itemIndex_) : std::string();
    return TCustomListControl::GetText();
}

void TComboBox::SetTextValue(const std::string& Value) {
    TCustomListControl::SetTextValue(Value);
    const int index = items_->IndexOf(Value);
    if (style_ == csDropDownList) {
        SetItemIndex(index);
        return;
    }
    itemIndex_ = index;
    if (auto* c = WidgetAs<QComboBox>(this)) {
        updating_ = true;
        c->setCurrentIndex(index);
        c->setEditText(AnsiToQString(Value));
        updating_ = false;
    }
}

void TComboBox::CreateWnd() {
    const std::string text = TCustomListControl::GetText();
    TCustomListControl::CreateWnd();
    updating_ = true;
    FillWidget();
    SetWidgetIndex(itemIndex_);
    if (style_ != csDropDownList && itemIndex_ < 0)
        WidgetAs<QComboBox>(this)->setEditText(AnsiToQString(text));
    updating_ = false;
    SetDropDownCount(dropDownCount_);
    SetMaxLength(maxLength_);
}

void TComboBox::WMGetDlgCode(TWMGetDlgCode& Message) {
    Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
    if (DroppedDown()) Message.Result |= DLGC_WANTALLKEYS;
}

int TComboBox::WidgetIndex() const {
    auto* c = WidgetAs<QComboBox>(this);
    if (!c) return itemIndex_;
    // An edited text that is no item means no selection, as in a Win32 combo box.
    if (c->isEditable() && c->currentIndex() >= 0 &&
        c->currentText() != c->itemText(c->currentIndex()))
        return -1;
    return c->currentIndex();
}

void TComboBox::SetWidgetIndex(int Value) {
    auto* c = WidgetAs<QComboBox>(this);
    c->setCurrentIndex(Value);
    if (Value < 0 && c->isEditable()) c->setEditText(QString());
}

void TComboBox::FillWidget() {
    auto* c = WidgetAs<QComboBox>(this);
    const QString text = c->currentText();
    c->clear();
    for (int i = 0; i < items_->Count(); ++i)
        c->addItem(AnsiToQString(items_->Strings(i)));
    if (c->isEditable()) c->setEditText(text);
}

// ============================================================================================
// TListBox

TListBox::TListBox(TComponent* AOwner) : TCustomListControl(AOwner) {
    controlStyle_ = {csSetCaption, csDoubleClicks, csClickEvents};
    controlStyle_.Exclude(csClickEvents);
    SetBounds(0, 0, 121, 97);
    Impl()->MakeNative = [this] {
        auto* list = new QListWidget;
        list->setSelectionMode(multiSelect_ ? QAbstractItemView::ExtendedSelection
                                            : QAbstractItemView::SingleSelection);
        QObject::connect(list, &QListWidget::currentRowChanged, [this](int row) {
            if (updating_) return;
            itemIndex_ = row;
            Guarded([&] { Click(); });
        });
        return list;
    };
    SetBorderStyle(bsSingle);
}

void TListBox::SetMultiSelect(bool Value) {
    multiSelect_ = Value;
    if (auto* l = WidgetAs<QListWidget>(this))
        l->setSelectionMode(Value ? QAbstractItemView::ExtendedSelection
                                  : QAbstractItemView::SingleSelection);
}

bool TListBox::Selected(int Index) const {
    if (Index < 0 || Index >= items_->Count())
        throw EListError("List index out of bounds (%d)", {Index});
    auto* l = WidgetAs<QListWidget>(this);
    return l ? l->item(Index)->isSelected() : Index == itemIndex_;
}

void TListBox::SetSelected(int Index, bool Value) {
    if (Index < 0 || Index >= items_->Count())
        throw EListError("List index out of bounds (%d)", {Index});
    auto* l = WidgetAs<QListWidget>(this);
    if (!l) {
        if (Value) itemIndex_ = Index;
        return;
    }
    updating_ = true;
    l->item(Index)->setSelected(Value);
    updating_ = false;
}

int TListBox::SelCount() const {
    auto* l = WidgetAs<QListWidget>(this);
    return l ? static_cast<int>(l->selectedItems().size()) : (itemIndex_ >= 0 ? 1 : 0);
}

int TListBox::TopIndex() const {
    auto* l = WidgetAs<QListWidget>(this);
    if (!l || l->count() == 0) return 0;
    const int row = l->row(l->itemAt(0, 0));
    return std::max(row, 0);
}

void TListBox::SetTopIndex(int Value) {
    auto* l = WidgetAs<QListWidget>(this);
    if (l && Value >= 0 && Value < l->count())
        l->scrollToItem(l->item(Value), QAbstractItemView::PositionAtTop);
}

int TListBox::ItemAtPos(const TPoint& Pos) const {
    auto* l = WidgetAs<QListWidget>(this);
    if (!l) return -1;
    const QPoint p = l->viewport()->mapFrom(l, QPoint(Pos.X, Pos.Y));
    QListWidgetItem* item = l->itemAt(p);
    return item ? l->row(item) : -1;
}

void TListBox::CreateWnd() {
    TCustomListControl::CreateWnd();
    updating_ = true;
    FillWidget();
    SetWidgetIndex(itemIndex_);
    updating_ = false;
}

void TListBox::WMGetDlgCode(TWMGetDlgCode& Message) {
    Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
}

void TListBox::WMLButtonDblClk(TWMMouse& Message) {
    TCustomListControl::WMLButtonDblClk(Message);
    DblClick();
}

int TListBox::WidgetIndex() const {
    auto* l = WidgetAs<QListWidget>(this);
    return l ? l->currentRow() : itemIndex_;
}

void TListBox::SetWidgetIndex(int Value) {
    auto* l = WidgetAs<QListWidget>(this);
    l->setCurrentRow(Value);
    if (Value < 0) l->clearSelection();
}

void TListBox::FillWidget() {
    auto* l = WidgetAs<QListWidget>(this);
    l->clear();
    for (int i = 0; i < items_->Count(); ++i)
        l->addItem(AnsiToQString(items_->Strings(i)));
}

// ============================================================================================
// TGroupBox

TGroupBox::TGroupBox(TComponent* AOwner) : TCustomControl(AOwner) {
    controlStyle_ = {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption,
                     csDoubleClicks};
    SetParentColor(true);
    SetBounds(0, 0, 185, 105);
}

void TGroupBox::AlignControls(TControl* AControl, TRect& Rect) {
    InflateRect(Rect, -2, -2);
    Rect.Top += 12;
    if (Rect.Bottom < Rect.Top) Rect.Bottom = Rect.Top;
    TCustomControl::AlignControls(AControl, Rect);
}

void TGroupBox::Paint() {
    TCanvas* canvas = Canvas();
    const TRect full = Rect(0, 0, Width(), Height());
    canvas->Brush()->SetColor(Color());
    canvas->Brush()->SetStyle(bsSolid);
    canvas->FillRect(full);
    canvas->Font()->Assign(Font());
    const int h = canvas->TextHeight("0");
    TRect frame = Rect(0, h / 2 - 1, Width(), Height());
    DrawEdge(canvas->Handle(), &frame, EDGE_ETCHED, BF_RECT);
    if (!Caption().empty()) {
        TRect r = Rect(8, 0, 0, h);
        DrawText(canvas->Handle(), Caption(), &r, DT_SINGLELINE | DT_CALCRECT);
        canvas->Brush()->SetColor(Color());
        canvas->FillRect(Rect(r.Left - 1, r.Top, r.Right + 1, r.Bottom));
        canvas->Brush()->SetStyle(bsClear);
        DrawText(canvas->Handle(), Caption(), &r, DT_SINGLELINE);
    }
}

void TGroupBox::CMDialogChar(TCMDialogChar& Message) {
    if (IsAccel(Message.CharCode, Caption()) && CanFocus()) {
        SelectNext(nullptr, true, true);
        Message.Result = 1;
        return;
    }
    // Not the box's own mnemonic: the buttons and fields inside it may have it.
    TCustomControl::CMDialogChar(Message);
}

void TGroupBox::CMTextChanged(TMessage& Message) {
    TCustomControl::CMTextChanged(Message);
    Invalidate();
}

// ============================================================================================
// TScrollBar

TScrollBar::TScrollBar(TComponent* AOwner) : TWinControl(AOwner) {
    controlStyle_ = {csDoubleClicks};
    SetTabStop(true);
    SetBounds(0, 0, 121, GetSystemMetrics(SM_CYHSCROLL));
    Impl()->MakeNative = [this] {
        auto* bar = new QScrollBar(kind_ == sbHorizontal ? Qt::Horizontal : Qt::Vertical);
        QObject::connect(bar, &QScrollBar::actionTriggered, [this](int action) {
            auto* b = WidgetAs<QScrollBar>(this);
            if (!b) return;
            TScrollCode code = scPosition;
            switch (action) {
            case QAbstractSlider::SliderSingleStepAdd: code = scLineDown; break;
            case QAbstractSlider::SliderSingleStepSub: code = scLineUp; break;
            case QAbstractSlider::SliderPageStepAdd: code = scPageDown; break;
            case QAbstractSlider::SliderPageStepSub: code = scPageUp; break;
            case QAbstractSlider::SliderToMinimum: code = scTop; break;
            case QAbstractSlider::SliderToMaximum: code = scBottom; break;
            case QAbstractSlider::SliderMove: code = scTrack; break;
            default: break;
            }
            Guarded([&] { Scrolled(code, b->sliderPosition()); });
        });
        return bar;
    };
}

void TScrollBar::SetKind(TScrollBarKind Value) {
    if (kind_ == Value) return;
    kind_ = Value;
    SetBounds(Left(), Top(), Height(), Width());
    RecreateWnd();
}

void TScrollBar::SetParams(int APosition, int AMin, int AMax) {
    if (AMax < AMin) throw EInvalidOperation("Scroll bar property out of range");
    APosition = std::clamp(APosition, AMin, AMax);
    const bool changed = APosition != position_;
    min_ = AMin;
    max_ = AMax;
    position_ = APosition;
    SyncWidget();
    if (changed && OnChange) OnChange(this);
}

void TScrollBar::SetSmallChange(int Value) {
    smallChange_ = Value;
    SyncWidget();
}

void TScrollBar::SetLargeChange(int Value) {
    largeChange_ = Value;
    SyncWidget();
}

void TScrollBar::SyncWidget() {
    auto* b = WidgetAs<QScrollBar>(this);
    if (!b) return;
    QSignalBlocker block(b);
    b->setRange(min_, max_);
    b->setValue(position_);
    b->setSingleStep(smallChange_);
    b->setPageStep(largeChange_);
}

void TScrollBar::Scrolled(TScrollCode Code, int Pos) {
    int pos = Pos;
    if (OnScroll) OnScroll(this, Code, pos);
    SetPosition(pos);
    SyncWidget();
}

void TScrollBar::CreateWnd() {
    TWinControl::CreateWnd();
    SyncWidget();
}

void TScrollBar::WMGetDlgCode(TWMGetDlgCode& Message) {
    Message.Result = DLGC_WANTARROWS;
}

void TScrollBar::KeyDown(Word& Key, TShiftState Shift) {
    TWinControl::KeyDown(Key, Shift);
    switch (Key) {
    case VK_LEFT:
    case VK_UP: Scrolled(scLineUp, position_ - smallChange_); break;
    case VK_RIGHT:
    case VK_DOWN: Scrolled(scLineDown, position_ + smallChange_); break;
    case VK_PRIOR: Scrolled(scPageUp, position_ - largeChange_); break;
    case VK_NEXT: Scrolled(scPageDown, position_ + largeChange_); break;
    case VK_HOME: Scrolled(scTop, min_); break;
    case VK_END: Scrolled(scBottom, max_); break;
    default: return;
    }
    Key = 0;
}
