#include "platform/gui/QtBridge.h"

#include "platform/gui/DragDrop.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Menus.h"
#include "platform/gui/QtApp.h"
#include "platform/gui/QtKeys.h"
#include "platform/gui/QtPaint.h"
#include "platform/gui/WinUser.h"
#include "platform/rtl/ScopeGuard.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QToolTip>
#include <QWheelEvent>

#include <map>
#include <utility>

namespace {

constexpr const char* kHandleProperty = "vantrel_hwnd";

// While positive, Qt events reach the widgets' own handling untouched.
int bypassDepth = 0;
// While positive, Qt focus changes are the layer's own doing.
int focusSyncDepth = 0;
// The key being translated: the character it types (-1 none) and its Qt modifiers.
int currentChar = -1;
int currentQtKey = 0;
Word currentVirtualKey = 0;
Qt::KeyboardModifiers currentModifiers;
// While positive, a form is being activated on the window system's notice.
int windowSystemActivation = 0;
// Alt held with numeric-pad digits composes a character code, typed when Alt is released.
bool composing = false;
int composedCode = 0;
// Alt pressed with no other key or button since: its release opens the menu bar.
bool menuKeyAlone = false;

class QtEventBridge : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

QtEventBridge* Bridge() {
    static QtEventBridge* bridge = nullptr;
    if (!bridge) {
        EnsureQtApp();
        bridge = new QtEventBridge;
        bridge->setParent(QCoreApplication::instance());
    }
    return bridge;
}

void UpdateModifierKeys(Qt::KeyboardModifiers mods) {
    SetKeyDown(VK_SHIFT, mods.testFlag(Qt::ShiftModifier));
    SetKeyDown(VK_CONTROL, mods.testFlag(Qt::ControlModifier));
    SetKeyDown(VK_MENU, mods.testFlag(Qt::AltModifier));
}

void UpdateButtonKeys(Qt::MouseButtons buttons) {
    SetKeyDown(VK_LBUTTON, buttons.testFlag(Qt::LeftButton));
    SetKeyDown(VK_RBUTTON, buttons.testFlag(Qt::RightButton));
    SetKeyDown(VK_MBUTTON, buttons.testFlag(Qt::MiddleButton));
}

Qt::KeyboardModifiers ModifiersFromKeyState() {
    Qt::KeyboardModifiers mods;
    if (GetKeyState(VK_SHIFT) < 0) mods |= Qt::ShiftModifier;
    if (GetKeyState(VK_CONTROL) < 0) mods |= Qt::ControlModifier;
    if (GetKeyState(VK_MENU) < 0) mods |= Qt::AltModifier;
    return mods;
}

Qt::MouseButtons ButtonsFromKeys(WPARAM keys) {
    Qt::MouseButtons b;
    if (keys & MK_LBUTTON) b |= Qt::LeftButton;
    if (keys & MK_RBUTTON) b |= Qt::RightButton;
    if (keys & MK_MBUTTON) b |= Qt::MiddleButton;
    return b;
}

} // namespace

bool InputAllowed(TWinControl* target) {
    for (int i = 0; Screen && i < Screen->FormCount(); ++i) {
        TCustomForm* form = Screen->Forms(i);
        if (form->Modal()) return GetParentForm(target) == form || target == form;
    }
    return true;
}

namespace {

// The control with the keyboard focus, or the form of the widget when nothing has it.
TWinControl* KeyTarget(TWinControl* receiver) {
    if (TWinControl* focused = FindControl(GetFocus())) return focused;
    if (TCustomForm* form = GetParentForm(receiver)) return form;
    return receiver;
}

bool IsMenuKey(TWinControl* target, TWMKey& key) {
    for (TControl* c = target; c; c = c->Parent())
        if (TPopupMenu* menu = c->PopupMenu(); menu && menu->IsShortCut(key)) return true;
    TCustomForm* form = GetParentForm(target);
    if (!form) form = dynamic_cast<TCustomForm*>(target);
    if (form && form->IsShortCut(key)) return true;
    // The main window's menu answers keys typed in the other (non-modal) windows too.
    TCustomForm* main = Application ? Application->MainForm() : nullptr;
    return main && main != form && !(form && form->Modal()) && main->Visible() &&
           main->IsShortCut(key);
}

// The steps before a key-down reaches its control: menu shortcuts, the parents' claims, and the
// dialog keys the control does not want. True when the key was taken.
bool PreTranslateKey(TWinControl* target, TWMKey& key) {
    if (IsMenuKey(target, key)) return true;
    if (key.CharCode == 0) return true;
    if (target->Perform(CM_CHILDKEY, key.CharCode, reinterpret_cast<LPARAM>(target)) != 0)
        return true;
    const TShiftState shift = KeyDataToShiftState(key.KeyData);
    LRESULT mask = 0;
    switch (key.CharCode) {
    case VK_TAB:
        if (!shift.Contains(ssCtrl) && !shift.Contains(ssAlt)) mask = DLGC_WANTTAB;
        break;
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
        if (!shift.Contains(ssAlt)) mask = DLGC_WANTARROWS;
        break;
    case VK_RETURN:
    case VK_EXECUTE:
    case VK_ESCAPE:
    case VK_CANCEL: mask = DLGC_WANTALLKEYS; break;
    default: break;
    }
    if (mask == 0) return false;
    if (target->Perform(CM_WANTSPECIALKEY, key.CharCode, key.KeyData) != 0) return false;
    const LRESULT code = target->Perform(WM_GETDLGCODE, 0, 0);
    if ((code & DLGC_WANTALLKEYS) || (code & mask)) return false;
    TCustomForm* form = GetParentForm(target);
    if (!form) form = dynamic_cast<TCustomForm*>(target);
    return form && form->Perform(CM_DIALOGKEY, key.CharCode, key.KeyData) != 0;
}

} // namespace

bool TranslatePostedKey(TWinControl* control, const TMessage& message) {
    const Word vk = static_cast<Word>(message.WParam);
    const LongInt data = static_cast<LongInt>(message.LParam);
    TWMKey key{message.Msg, vk, data, 0};
    if (PreTranslateKey(control, key)) return true;
    const bool alt = message.Msg == WM_SYSKEYDOWN;
    const int ch =
        CharOfVirtualKey(vk, GetKeyState(VK_SHIFT) < 0, !alt && GetKeyState(VK_CONTROL) < 0,
                         (GetKeyState(VK_CAPITAL) & 1) != 0);
    if (ch >= 0)
        PostInputMessage(control->Handle(), alt ? WM_SYSCHAR : WM_CHAR, static_cast<WPARAM>(ch),
                         data);
    return false;
}

namespace {

void TranslateKeyPress(const QKeyEvent& event, TWinControl* target) {
    const TKeyTranslation t = TranslateKeyEvent(event);
    const HWND handle = target->Handle();
    const UINT msg = (t.Alt || t.VirtualKey == VK_F10) ? WM_SYSKEYDOWN : WM_KEYDOWN;
    if (t.VirtualKey == VK_MENU) {
        composing = true;
        composedCode = -1;
    } else if (t.Alt && composing && t.VirtualKey >= VK_NUMPAD0 && t.VirtualKey <= VK_NUMPAD9) {
        composedCode = std::max(composedCode, 0) * 10 + (t.VirtualKey - VK_NUMPAD0);
    } else {
        composing = false;
    }
    if (t.VirtualKey != VK_MENU)
        menuKeyAlone = false;
    else if (!event.isAutoRepeat())
        menuKeyAlone = true;
    currentChar = t.Char;
    currentQtKey = event.key();
    currentVirtualKey = t.VirtualKey;
    currentModifiers = event.modifiers();
    TWMKey key{msg, t.VirtualKey, t.KeyData, 0};
    if (!PreTranslateKey(target, key)) {
        if (t.Char >= 0 && !(t.Alt && composing && composedCode >= 0))
            PostInputMessage(handle, t.Alt ? WM_SYSCHAR : WM_CHAR, static_cast<WPARAM>(t.Char),
                             t.KeyData);
        SendMessage(handle, msg, key.CharCode, t.KeyData);
    }
    DispatchPostedMessages();
    currentChar = -1;
}

void TranslateKeyRelease(const QKeyEvent& event, TWinControl* target) {
    const TKeyTranslation t = TranslateKeyEvent(event);
    const HWND handle = target->Handle();
    const bool sys = t.Alt || t.VirtualKey == VK_MENU;
    currentQtKey = event.key();
    currentModifiers = event.modifiers();
    SendMessage(handle, sys ? WM_SYSKEYUP : WM_KEYUP, t.VirtualKey, t.KeyData);
    if (t.VirtualKey == VK_MENU) menuKeyAlone = false;
    if (t.VirtualKey == VK_MENU && composing && composedCode >= 0)
        PostInputMessage(handle, WM_CHAR, static_cast<WPARAM>(composedCode & 0xFF), 1);
    if (t.VirtualKey == VK_MENU) composing = false;
    DispatchPostedMessages();
}

void TranslateKey(QKeyEvent* event, TWinControl* receiver) {
    const bool press = event->type() == QEvent::KeyPress;
    // A held key repeats as key downs only; the window system's repeated releases are not
    // real ones.
    if (!press && event->isAutoRepeat()) return;
    UpdateModifierKeys(event->modifiers());
    const TKeyTranslation t = TranslateKeyEvent(*event);
    if (t.VirtualKey != 0) SetKeyDown(t.VirtualKey, press);
    if (press && !event->isAutoRepeat() && t.VirtualKey == VK_CAPITAL)
        SetKeyToggled(VK_CAPITAL, GetKeyState(VK_CAPITAL) % 2 == 0);
    if (DragTakesKey(t.VirtualKey, press)) return;
    TWinControl* target = KeyTarget(receiver);
    if (!target || !InputAllowed(target)) return;
    if (press)
        TranslateKeyPress(*event, target);
    else
        TranslateKeyRelease(*event, target);
}

// The short part of a hint ("short|long") for the tip, the long part for the status line.
std::string HintPart(const std::string& hint, bool longPart) {
    const std::size_t bar = hint.find('|');
    if (bar == std::string::npos) return hint;
    return longPart ? hint.substr(bar + 1) : hint.substr(0, bar);
}

// The control under a point of a window: a windowless child there, else the window's control.
TControl* HintControl(TWinControl* control, const QPoint& widgetPos) {
    const QPoint p = widgetPos - control->Impl()->ClientOffset();
    if (TControl* child = control->ControlAtPos({p.x(), p.y()}, false)) return child;
    return control;
}

void ShowHintAt(QHelpEvent* event, TWinControl* control) {
    QWidget* widget = control->Impl()->Widget;
    const QPoint local = widget ? widget->mapFromGlobal(event->globalPos()) : event->pos();
    TControl* target = HintControl(control, local);
    const std::string hint = HintPart(target->Hint(), false);
    if (Application && Application->ShowHint() && target->ShowHint() && !hint.empty())
        QToolTip::showText(event->globalPos(), AnsiToQString(hint), widget);
    else
        QToolTip::hideText();
}

void FollowWindowGeometry(TWinControl* control) {
    QWidget* w = control->Impl()->Widget;
    const TPoint origin = control->ClientOrigin();
    const TRect client = control->ClientRect();
    const int menu = control->Impl()->MenuHeight;
    const QRect g = w->geometry();
    control->SetBounds(g.x() - origin.X, g.y() + menu - origin.Y,
                       control->Width() + g.width() - client.Width(),
                       control->Height() + g.height() - menu - client.Height());
}

UINT MouseMessage(const QMouseEvent& event, bool doubleClicks) {
    const bool press = event.type() == QEvent::MouseButtonPress;
    const bool dbl = event.type() == QEvent::MouseButtonDblClick;
    if (event.type() == QEvent::MouseMove) return WM_MOUSEMOVE;
    const int offset = press ? 0 : dbl ? (doubleClicks ? 2 : 0) : 1;
    switch (event.button()) {
    case Qt::LeftButton: return WM_LBUTTONDOWN + offset;
    case Qt::RightButton: return WM_RBUTTONDOWN + offset;
    case Qt::MiddleButton: return WM_MBUTTONDOWN + offset;
    default: return 0;
    }
}

WPARAM MouseKeys(const QMouseEvent& event) {
    WPARAM keys = 0;
    if (event.buttons().testFlag(Qt::LeftButton)) keys |= MK_LBUTTON;
    if (event.buttons().testFlag(Qt::RightButton)) keys |= MK_RBUTTON;
    if (event.buttons().testFlag(Qt::MiddleButton)) keys |= MK_MBUTTON;
    if (event.modifiers().testFlag(Qt::ShiftModifier)) keys |= MK_SHIFT;
    if (event.modifiers().testFlag(Qt::ControlModifier)) keys |= MK_CONTROL;
    return keys;
}

void TranslateMouse(QMouseEvent* event, TWinControl* receiver) {
    if (event->type() != QEvent::MouseMove) menuKeyAlone = false;
    UpdateModifierKeys(event->modifiers());
    UpdateButtonKeys(event->buttons());
    const QPoint global = event->globalPosition().toPoint();
    TWinControl* target = receiver;
    if (TWinControl* captured = FindControl(GetCapture())) target = captured;
    // A window answering HTTRANSPARENT lets the mouse through to its parent.
    const LPARAM screenPos = MakeLParam(global.x(), global.y());
    while (target->Parent() && target->Perform(WM_NCHITTEST, 0, screenPos) == HTTRANSPARENT &&
           !GetCapture())
        target = target->Parent();
    if (!InputAllowed(target)) return;
    const UINT msg = MouseMessage(*event, target->ControlStyle().Contains(csDoubleClicks));
    if (msg == 0) return;
    if (!target->Impl()->Widget) return;
    const QPoint local =
        target->Impl()->Widget->mapFromGlobal(global) - target->Impl()->ClientOffset();
    const HWND handle = target->Handle();
    if (msg == WM_MOUSEMOVE || msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN ||
        msg == WM_MBUTTONDOWN)
        SendMessage(handle, WM_SETCURSOR, handle, MakeLParam(HTCLIENT, static_cast<int>(msg)));
    if (msg == WM_MOUSEMOVE && Application)
        Application->SetHint(
            HintPart(HintControl(target, local + target->Impl()->ClientOffset())->Hint(), true));
    SendMessage(handle, msg, MouseKeys(*event), MakeLParam(local.x(), local.y()));
    DispatchPostedMessages();
}

// The wheel goes to the window under the mouse; a window that leaves it to the default
// handling passes it to its parent, as Win32's default window procedure does.
void TranslateWheel(QWheelEvent* event, TWinControl* receiver) {
    UpdateModifierKeys(event->modifiers());
    const int delta = event->angleDelta().y();
    if (delta == 0) return;
    WPARAM keys = 0;
    if (event->buttons().testFlag(Qt::LeftButton)) keys |= MK_LBUTTON;
    if (event->buttons().testFlag(Qt::RightButton)) keys |= MK_RBUTTON;
    if (event->modifiers().testFlag(Qt::ShiftModifier)) keys |= MK_SHIFT;
    if (event->modifiers().testFlag(Qt::ControlModifier)) keys |= MK_CONTROL;
    const QPoint global = event->globalPosition().toPoint();
    const WPARAM w =
        static_cast<WPARAM>(static_cast<std::uint32_t>(MakeLParam(static_cast<int>(keys), delta)));
    const LPARAM pos = MakeLParam(global.x(), global.y());
    for (TWinControl* c = receiver; c && InputAllowed(c); c = c->Parent())
        if (c->Perform(WM_MOUSEWHEEL, w, pos) != 0) break;
    DispatchPostedMessages();
}

void TranslateClose(QCloseEvent* event, TWinControl* receiver) {
    event->ignore();
    if (auto* form = dynamic_cast<TCustomForm*>(receiver)) form->Close();
}

} // namespace

bool QtEventBridge::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Close:
    case QEvent::Enter:
    case QEvent::Leave:
    case QEvent::FocusIn:
    case QEvent::ToolTip:
    case QEvent::WindowActivate:
    case QEvent::Resize:
    case QEvent::Move:
    case QEvent::Wheel: break;
    default: return false;
    }
    if (bypassDepth > 0) return false;
    TWinControl* control = ControlOfWidget(watched);
    if (!control) return false;
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // Every key goes to the focused window as a key message; Qt's shortcuts never fire.
        event->accept();
        return true;
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        Guarded([&] { TranslateKey(static_cast<QKeyEvent*>(event), control); });
        return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
        Guarded([&] { TranslateMouse(static_cast<QMouseEvent*>(event), control); });
        return true;
    case QEvent::Close:
        Guarded([&] { TranslateClose(static_cast<QCloseEvent*>(event), control); });
        return true;
    case QEvent::Enter: Guarded([&] { control->Perform(CM_MOUSEENTER, 0, 0); }); return false;
    case QEvent::Leave:
        Guarded([&] {
            MouseLeftWindow(control);
            control->Perform(CM_MOUSELEAVE, 0, 0);
        });
        return false;
    case QEvent::ToolTip:
        Guarded([&] { ShowHintAt(static_cast<QHelpEvent*>(event), control); });
        return true;
    case QEvent::Wheel:
        // Qt's own controls scroll themselves; the layer's windows get WM_MOUSEWHEEL.
        if (control->Impl()->Native()) return false;
        Guarded([&] { TranslateWheel(static_cast<QWheelEvent*>(event), control); });
        return true;
    case QEvent::WindowActivate:
        // The user brought a form forward: it becomes the active one with its focus.
        if (auto* form = dynamic_cast<TCustomForm*>(control);
            form && watched == form->Impl()->Widget && !form->Active() && InputAllowed(form)) {
            ++windowSystemActivation;
            Guarded([&] { form->Activate(); });
            --windowSystemActivation;
        }
        return false;
    case QEvent::Resize:
    case QEvent::Move:
        // The window manager moved or sized a form: its bounds follow.
        if (event->spontaneous() && watched == control->Impl()->Widget && !control->Parent())
            Guarded([&] { FollowWindowGeometry(control); });
        return false;
    case QEvent::FocusIn:
        // Qt moved its focus on its own (a window was activated): the layer's focus stays.
        if (focusSyncDepth == 0 && GetFocus() != 0 && GetFocus() != control->Handle())
            SyncQtFocus(GetFocus());
        return false;
    default: return false;
    }
}

// ============================================================================================

TWinControlImpl::~TWinControlImpl() {
    DestroyWidget();
}

void TWinControlImpl::CreateWidget(const TCreateParams& params) {
    EnsureQtApp();
    Params = params;
    TWinControl* parent = Owner->Parent();
    QWidget* parentWidget = parent ? parent->Impl()->Widget.data() : nullptr;
    QWidget* w = nullptr;
    if (MakeNative) {
        w = MakeNative();
        if (parentWidget) w->setParent(parentWidget);
    } else if (params.Style & WS_POPUP) {
        // A tool window above the parent's form that never takes the activation. The form's
        // window is made first, so that the window manager keeps this one above it.
        if (parent && !parentWidget) {
            parent->HandleNeeded();
            parentWidget = parent->Impl()->Widget.data();
        }
        w = new QtWindow(this, parentWidget ? parentWidget->window() : nullptr,
                         Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
        w->setAttribute(Qt::WA_ShowWithoutActivating);
    } else if (FormFlags && !parentWidget) {
        w = new QtWindow(this, nullptr, *FormFlags);
        w->setWindowTitle(AnsiToQString(params.Caption));
    } else {
        w = new QtWindow(this, parentWidget, parentWidget ? Qt::Widget : Qt::Window);
    }
    Widget = w;
    NeedPaint();
    EraseNeeded = true;
    AttachBridge(w, Handle);
    ApplyFont();
    SyncGeometry();
    if (!FormFlags || parentWidget) SyncVisible();
}

void TWinControlImpl::DestroyWidget() {
    for (HDC dc : WindowDCs)
        DeleteDC(dc);
    WindowDCs.clear();
    canvas_.reset();
    if (Widget) {
        QWidget* w = Widget.data();
        Widget = nullptr;
        w->hide();
        w->setParent(nullptr);
        delete w;
    }
}

int TWinControlImpl::FrameWidth() const {
    if (Native() || !Handle) return 0;
    int f = 0;
    if (Params.ExStyle & WS_EX_CLIENTEDGE) f += 2;
    if (Params.Style & WS_BORDER) f += 1;
    return f;
}

void TWinControlImpl::NeedPaint(const TRect* area) {
    PaintNeeded = true;
    if (area)
        PaintRegion += QRect(area->Left, area->Top, area->Width(), area->Height());
    else
        PaintAll = true;
}

QImage& TWinControlImpl::Buffer() {
    const TRect client = Owner->ClientRect();
    const QSize size(std::max(client.Width(), 1), std::max(client.Height(), 1));
    if (buffer_.size() != size) {
        QImage next(size, QImage::Format_RGB32);
        next.fill(TColorToQColor(Owner->Color()));
        if (!buffer_.isNull()) {
            QPainter p(&next);
            p.drawImage(0, 0, buffer_);
        }
        buffer_ = next;
        NeedPaint();
        EraseNeeded = true;
        if (canvas_) static_cast<TImageCanvas*>(canvas_.get())->SetImage(&buffer_);
    }
    return buffer_;
}

TCanvas* TWinControlImpl::BufferCanvas() {
    Buffer();
    if (!canvas_) canvas_ = std::make_unique<TImageCanvas>(&buffer_);
    return canvas_.get();
}

void TWinControlImpl::ApplyFont() {
    if (!Widget || !Native()) return;
    Widget->setFont(TFontToQFont(*Owner->Font()));
    QPalette palette = Widget->palette();
    palette.setColor(QPalette::Base, TColorToQColor(Owner->Color()));
    palette.setColor(QPalette::Text, TColorToQColor(Owner->Font()->Color()));
    palette.setColor(QPalette::WindowText, TColorToQColor(Owner->Font()->Color()));
    Widget->setPalette(palette);
}

void TWinControlImpl::SyncGeometry() {
    if (!Widget) return;
    TWinControl* parent = Owner->Parent();
    if (Params.Style & WS_POPUP) {
        Widget->setGeometry(Owner->Left(), Owner->Top(), std::max(Owner->Width(), 1),
                            std::max(Owner->Height(), 1));
    } else if (parent) {
        const QPoint off = parent->Impl()->ClientOffset();
        Widget->setGeometry(Owner->Left() + off.x(), Owner->Top() + off.y(), Owner->Width(),
                            Owner->Height());
    } else {
        const TPoint origin = Owner->ClientOrigin();
        const TRect client = Owner->ClientRect();
        Widget->setGeometry(Owner->Left() + origin.X, Owner->Top() + origin.Y - MenuHeight,
                            std::max(client.Width(), 1), std::max(client.Height() + MenuHeight, 1));
    }
}

namespace {

Word ScrollCodeOf(int action) {
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: return SB_LINEDOWN;
    case QAbstractSlider::SliderSingleStepSub: return SB_LINEUP;
    case QAbstractSlider::SliderPageStepAdd: return SB_PAGEDOWN;
    case QAbstractSlider::SliderPageStepSub: return SB_PAGEUP;
    case QAbstractSlider::SliderToMinimum: return SB_TOP;
    case QAbstractSlider::SliderToMaximum: return SB_BOTTOM;
    default: return SB_THUMBTRACK;
    }
}

void SendScroll(HWND handle, int bar, Word code, int pos) {
    SendMessage(handle, bar == SB_VERT ? WM_VSCROLL : WM_HSCROLL,
                static_cast<WPARAM>(MakeLParam(code, pos)), 0);
}

} // namespace

void TWinControlImpl::SyncScrollBars() {
    if (!Widget || Native()) return;
    const QPoint off = ClientOffset();
    const TRect client = Owner->ClientRect();
    bool changed = false;
    for (int i = 0; i < 2; ++i) {
        TWindowScrollBar& b = Bars[i];
        const bool show = b.Visible();
        if (show && !b.Widget) {
            auto* bar = new QScrollBar(i == SB_VERT ? Qt::Vertical : Qt::Horizontal, Widget);
            bar->setProperty("vantrel_free", true);
            bar->setFocusPolicy(Qt::NoFocus);
            const HWND handle = Handle;
            QObject::connect(bar, &QAbstractSlider::actionTriggered, [this, i, bar, handle](int a) {
                const Word code = ScrollCodeOf(a);
                const int proposed = bar->sliderPosition();
                Bars[i].TrackPos = proposed;
                // The bar moves when the window sets it, as a Win32 window bar does.
                if (code != SB_THUMBTRACK) bar->setSliderPosition(Bars[i].Pos);
                Guarded([&] { SendScroll(handle, i, code, proposed); });
            });
            QObject::connect(bar, &QAbstractSlider::sliderReleased, [this, i, bar, handle] {
                Guarded([&] {
                    SendScroll(handle, i, SB_THUMBPOSITION, bar->sliderPosition());
                    SendScroll(handle, i, SB_ENDSCROLL, 0);
                });
                if (FindControl(handle)) bar->setValue(Bars[i].Pos);
            });
            b.Widget = bar;
        }
        if (!b.Widget) continue;
        if (b.Widget->isVisibleTo(Widget) != show) changed = true;
        QSignalBlocker block(b.Widget.data());
        b.Widget->setRange(b.Min,
                           std::max(b.Min, b.Max - std::max(static_cast<int>(b.Page) - 1, 0)));
        b.Widget->setPageStep(std::max(static_cast<int>(b.Page), 1));
        b.Widget->setValue(b.Pos);
        b.Widget->setVisible(show);
    }
    const int sv = GetSystemMetrics(SM_CXVSCROLL);
    const int sh = GetSystemMetrics(SM_CYHSCROLL);
    const TRect inner = Owner->ClientRect();
    if (Bars[SB_VERT].Widget)
        Bars[SB_VERT].Widget->setGeometry(off.x() + inner.Width(), off.y(), sv, inner.Height());
    if (Bars[SB_HORZ].Widget)
        Bars[SB_HORZ].Widget->setGeometry(off.x(), off.y() + inner.Height(), inner.Width(), sh);
    (void)client;
    if (changed) Owner->Perform(WM_SIZE, SIZE_RESTORED, MakeLParam(inner.Width(), inner.Height()));
}

namespace {

bool IsPopup(const TWinControlImpl& impl) {
    return (impl.Params.Style & WS_POPUP) != 0;
}

// Shows or hides the popup windows (floating bars) among a window's controls with it.
void SyncPopups(TWinControl* control) {
    for (int i = 0; i < control->ControlCount(); ++i) {
        auto* child = dynamic_cast<TWinControl*>(control->Controls(i));
        if (!child) continue;
        if (IsPopup(*child->Impl()))
            child->Impl()->SyncVisible();
        else
            SyncPopups(child);
    }
}

} // namespace

void TWinControlImpl::SyncVisible() {
    if (!Widget) return;
    bool show = Owner->Visible();
    // A popup window comes up after the window it belongs to: shown first, the window manager
    // takes it on as a window of its own and lets the other one cover it.
    if (show && IsPopup(*this) && Widget->parentWidget() && !Widget->parentWidget()->isVisible())
        show = false;
    Widget->setVisible(show);
    if (Widget->isWindow() && !IsPopup(*this)) SyncPopups(Owner);
}

QtWindow::QtWindow(TWinControlImpl* impl, QWidget* parent, Qt::WindowFlags flags)
    : QWidget(parent, flags), impl_(impl) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
}

void QtWindow::paintEvent(QPaintEvent*) {
    TWinControl* control = impl_->Owner;
    Guarded([&] {
        impl_->Buffer();
        if (!impl_->PaintNeeded) return;
        impl_->PaintNeeded = false;
        // A partial paint draws through a clip of the invalidated areas.
        TCanvas* canvas = impl_->BufferCanvas();
        const HDC dc = canvas->RawHandle();
        const int saved = SaveDC(dc);
        if (TDeviceContext* context = DeviceContext(dc); context && !impl_->PaintAll) {
            context->State.Clipped = true;
            context->State.Clip = impl_->PaintRegion;
        }
        impl_->PaintAll = false;
        impl_->PaintRegion = QRegion();
        impl_->Painting = true;
        auto unclip = MakeScopeGuard([&] {
            impl_->Painting = false;
            RestoreDC(dc, saved);
            canvas->Refresh();
        });
        if (impl_->EraseNeeded) {
            impl_->EraseNeeded = false;
            control->Perform(WM_ERASEBKGND, 0, 0);
        }
        control->Perform(WM_PAINT, 0, 0);
    });
    QPainter painter(this);
    const QPoint off = impl_->ClientOffset();
    painter.drawImage(off, impl_->Buffer());
    if (impl_->Params.ExStyle & WS_EX_CLIENTEDGE) {
        const int w = width();
        const int h = height();
        const int o = impl_->Params.Style & WS_BORDER ? 1 : 0;
        painter.setPen(TColorToQColor(clBtnShadow));
        painter.drawLine(o, o, w - 2 - o, o);
        painter.drawLine(o, o, o, h - 2 - o);
        painter.setPen(TColorToQColor(clBtnHighlight));
        painter.drawLine(o, h - 1 - o, w - 1 - o, h - 1 - o);
        painter.drawLine(w - 1 - o, o, w - 1 - o, h - 1 - o);
        painter.setPen(TColorToQColor(cl3DDkShadow));
        painter.drawLine(o + 1, o + 1, w - 3 - o, o + 1);
        painter.drawLine(o + 1, o + 1, o + 1, h - 3 - o);
        painter.setPen(TColorToQColor(cl3DLight));
        painter.drawLine(o + 1, h - 2 - o, w - 2 - o, h - 2 - o);
        painter.drawLine(w - 2 - o, o + 1, w - 2 - o, h - 2 - o);
    }
    if (impl_->Params.Style & WS_BORDER) {
        painter.setPen(Qt::black);
        painter.drawRect(0, 0, width() - 1, height() - 1);
    }
    PaintCaret(painter, impl_->Handle, off);
}

TWinControl* ControlOfWidget(const QObject* widget) {
    for (const QObject* o = widget; o; o = o->parent()) {
        // Qt's own menus live inside the windows but are no controls of the layer.
        if (o->property("vantrel_free").isValid()) return nullptr;
        const QVariant v = o->property(kHandleProperty);
        if (v.isValid()) return FindControl(static_cast<HWND>(v.toULongLong()));
    }
    return nullptr;
}

void AttachBridge(QWidget* widget, HWND handle) {
    widget->setProperty(kHandleProperty, QVariant::fromValue<qulonglong>(handle));
    QtEventBridge* bridge = Bridge();
    widget->installEventFilter(bridge);
    widget->setFocusPolicy(Qt::NoFocus);
    widget->setMouseTracking(true);
    for (QWidget* child : widget->findChildren<QWidget*>()) {
        if (child->property(kHandleProperty).isValid()) continue;
        child->installEventFilter(bridge);
        child->setFocusPolicy(Qt::NoFocus);
        child->setMouseTracking(true);
    }
}

TModalInput::TModalInput() : saved_(std::exchange(bypassDepth, 0)) {}

TModalInput::~TModalInput() {
    bypassDepth = saved_;
}

bool SendToNative(QObject* target, QEvent* event) {
    ++bypassDepth;
    bool result = false;
    try {
        result = QCoreApplication::sendEvent(target, event);
    } catch (...) {
        --bypassDepth;
        throw;
    }
    --bypassDepth;
    return result;
}

void ProcessWindowSystemEvents(QEventLoop::ProcessEventsFlags Flags) {
    const TModalInput input;
    QCoreApplication::processEvents(Flags);
    ClearWideRegisterState();
}

namespace {

bool PassKey(QWidget* widget, const TMessage& m) {
    const Word code = static_cast<Word>(m.WParam);
    const bool up = m.Msg == WM_KEYUP || m.Msg == WM_SYSKEYUP;
    if (m.Msg == WM_CHAR || m.Msg == WM_SYSCHAR) {
        const std::string ch(1, static_cast<char>(code));
        const bool same = currentChar == code;
        const int key = same ? currentQtKey : Qt::Key_unknown;
        QKeyEvent e(QEvent::KeyPress, key, same ? currentModifiers : Qt::NoModifier,
                    code >= 32 ? AnsiToQString(ch) : QString());
        SendToNative(widget, &e);
        return true;
    }
    // A key that types a character reaches the widget with its WM_CHAR (Enter of either
    // keyboard block too, though both share one virtual key).
    if (!up && currentChar >= 0 &&
        (QtKeyOfVirtualKey(code) == currentQtKey || code == currentVirtualKey))
        return true;
    const Qt::Key key = QtKeyOfVirtualKey(code);
    if (key == Qt::Key_unknown) return true;
    QKeyEvent e(up ? QEvent::KeyRelease : QEvent::KeyPress, key, ModifiersFromKeyState());
    SendToNative(widget, &e);
    return true;
}

bool PassMouse(TWinControl* control, QWidget* widget, const TMessage& m) {
    const QPoint pos(static_cast<SmallInt>(LoWord(m.LParam)),
                     static_cast<SmallInt>(HiWord(m.LParam)));
    QEvent::Type type = QEvent::MouseMove;
    Qt::MouseButton button = Qt::NoButton;
    switch (m.Msg) {
    case WM_LBUTTONDOWN:
        type = QEvent::MouseButtonPress;
        button = Qt::LeftButton;
        break;
    case WM_RBUTTONDOWN:
        type = QEvent::MouseButtonPress;
        button = Qt::RightButton;
        break;
    case WM_MBUTTONDOWN:
        type = QEvent::MouseButtonPress;
        button = Qt::MiddleButton;
        break;
    case WM_LBUTTONUP:
        type = QEvent::MouseButtonRelease;
        button = Qt::LeftButton;
        break;
    case WM_RBUTTONUP:
        type = QEvent::MouseButtonRelease;
        button = Qt::RightButton;
        break;
    case WM_MBUTTONUP:
        type = QEvent::MouseButtonRelease;
        button = Qt::MiddleButton;
        break;
    case WM_LBUTTONDBLCLK:
        type = QEvent::MouseButtonDblClick;
        button = Qt::LeftButton;
        break;
    default: break;
    }
    // Native controls take the focus when pressed, as their Win32 counterparts do.
    if (type == QEvent::MouseButtonPress && button == Qt::LeftButton && !control->Focused() &&
        control->CanFocus())
        control->SetFocus();
    QWidget* target = widget->childAt(pos);
    if (!target) target = widget;
    const QPointF local = target->mapFrom(widget, QPointF(pos));
    QMouseEvent e(type, local, target->mapToGlobal(local), button, ButtonsFromKeys(m.WParam),
                  ModifiersFromKeyState());
    SendToNative(target, &e);
    return true;
}

} // namespace

bool PassToNative(TWinControl* control, const TMessage& message) {
    QWidget* widget = control->Impl()->Widget;
    if (!widget) return false;
    switch (message.Msg) {
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP: return PassKey(widget, message);
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP: return PassMouse(control, widget, message);
    default: return false;
    }
}

bool PreTranslateChar(TWinControl* control, TMessage& message) {
    TCustomForm* form = GetParentForm(control);
    if (!form) form = dynamic_cast<TCustomForm*>(control);
    if (!form) return false;
    if (message.Msg == WM_SYSCHAR)
        return message.WParam != ' ' &&
               form->Perform(CM_DIALOGCHAR, message.WParam, message.LParam) != 0;
    if (message.Msg != WM_CHAR) return false;
    const LRESULT code = control->Perform(WM_GETDLGCODE, 0, 0);
    if (code & (DLGC_WANTCHARS | DLGC_WANTALLKEYS)) return false;
    return form->Perform(CM_DIALOGCHAR, message.WParam, message.LParam) != 0;
}

bool MenuKeyPressedAlone() {
    return menuKeyAlone;
}

bool ActivatedByWindowSystem() {
    return windowSystemActivation > 0;
}

void SyncQtFocus(HWND handle) {
    TWinControl* control = FindControl(handle);
    if (!control || !control->Impl()->Widget) return;
    ++focusSyncDepth;
    control->Impl()->Widget->setFocus(Qt::OtherFocusReason);
    --focusSyncDepth;
}

namespace {

Qt::CursorShape CursorShapeOf(TCursor cursor) {
    switch (cursor) {
    case crNone: return Qt::BlankCursor;
    case crCross: return Qt::CrossCursor;
    case crIBeam: return Qt::IBeamCursor;
    case crSizeNESW: return Qt::SizeBDiagCursor;
    case crSizeNS: return Qt::SizeVerCursor;
    case crSizeNWSE: return Qt::SizeFDiagCursor;
    case crSizeWE: return Qt::SizeHorCursor;
    case crUpArrow: return Qt::UpArrowCursor;
    case crHourGlass:
    case crSQLWait: return Qt::WaitCursor;
    case crDrag:
    case crMultiDrag: return Qt::DragCopyCursor;
    case crNoDrop:
    case crNo: return Qt::ForbiddenCursor;
    case crHSplit: return Qt::SplitHCursor;
    case crVSplit: return Qt::SplitVCursor;
    case crAppStart: return Qt::BusyCursor;
    case crHelp: return Qt::WhatsThisCursor;
    case crHandPoint: return Qt::PointingHandCursor;
    case crSizeAll: return Qt::SizeAllCursor;
    default: return Qt::ArrowCursor;
    }
}

std::map<HCURSOR, QCursor>& CursorHandles() {
    static std::map<HCURSOR, QCursor> cursors;
    return cursors;
}

HCURSOR NewCursorHandle(const QCursor& cursor) {
    static HCURSOR next = 1;
    CursorHandles()[next] = cursor;
    return next++;
}

} // namespace

QCursor CursorOf(TCursor cursor) {
    if (Screen) {
        const auto& map = CursorHandles();
        auto it = map.find(Screen->Cursors(cursor));
        if (it != map.end()) return it->second;
    }
    return QCursor(CursorShapeOf(cursor));
}

HCURSOR LoadStandardCursor(TCursor Shape) {
    EnsureQtApp();
    return NewCursorHandle(QCursor(CursorShapeOf(Shape)));
}

HCURSOR CreateCursorFromBitmap(TBitmap* Image, int HotX, int HotY) {
    if (!Image || Image->Empty()) return 0;
    EnsureQtApp();
    TGdiObject* bitmap = GdiObject(Image->Handle(), TGdiObject::TKind::Bitmap);
    if (!bitmap) return 0;
    QImage image = bitmap->Image.convertToFormat(QImage::Format_ARGB32);
    // The bottom-left pixel's colour is see-through, as in the program's glyphs.
    const QRgb clear = image.pixel(0, image.height() - 1);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == clear) image.setPixel(x, y, qRgba(0, 0, 0, 0));
    return NewCursorHandle(QCursor(QPixmap::fromImage(image), HotX, HotY));
}

bool DestroyCursor(HCURSOR Cursor) {
    return CursorHandles().erase(Cursor) > 0;
}
