#include "platform/gui/Forms.h"

#include "platform/gui/Dialogs.h"
#include "platform/gui/Menus.h"
#include "platform/gui/QtApp.h"
#include "platform/gui/QtBridge.h"
#include "platform/gui/QtPaint.h"
#include "platform/gui/WinUser.h"

#include <QApplication>
#include <QCursor>
#include <QEventLoop>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

TApplication* Application = nullptr;
TScreen* Screen = nullptr;

namespace {

TModalHook& ModalHook() {
    static TModalHook hook;
    return hook;
}

} // namespace

void InitApplication() {
    EnsureQtApp();
    if (!Application) Application = new TApplication(nullptr);
    if (!Screen) Screen = new TScreen(nullptr);
}

TModalHook SetModalHook(TModalHook Hook) {
    TModalHook previous = std::move(ModalHook());
    ModalHook() = std::move(Hook);
    return previous;
}

bool ModalHookInstalled() {
    return static_cast<bool>(ModalHook());
}

void HandleLayerException() {
    if (Application) Application->HandleException(nullptr);
}

// ============================================================================================
// TCustomForm

TCustomForm::TCustomForm(TComponent* AOwner) : TWinControl(AOwner) {
    InitApplication();
    SetVisible(false);
    SetParentFont(false);
    SetColor(clBtnFace);
    controlStyle_ = {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption,
                     csDoubleClicks};
    focusedControl_ = this;
    SetBounds(0, 0, 320, 240);
    Screen->AddForm(this);
}

TCustomForm::~TCustomForm() {
    if (OnDestroy) Guarded([&] { OnDestroy(this); });
    // The controls go while the form is still whole.
    Destroying();
    DestroyComponents();
    if (menu_) menu_->SetForm(nullptr);
    if (Screen) Screen->RemoveForm(this);
    if (Application) Application->FormDestroying(this);
}

int TCustomForm::FrameSize() const {
    switch (formBorderStyle_) {
    case bsNone: return 0;
    case bsSizeable:
    case bsSizeToolWin: return GetSystemMetrics(SM_CXFRAME);
    default: return GetSystemMetrics(SM_CXDLGFRAME);
    }
}

int TCustomForm::CaptionHeight() const {
    switch (formBorderStyle_) {
    case bsNone: return 0;
    case bsToolWindow:
    case bsSizeToolWin: return GetSystemMetrics(SM_CYSMCAPTION);
    default: return GetSystemMetrics(SM_CYCAPTION);
    }
}

TRect TCustomForm::ClientRect() const {
    const int f = FrameSize();
    return Rect(0, 0, std::max(0, Width() - 2 * f),
                std::max(0, Height() - 2 * f - CaptionHeight() - Impl()->MenuHeight));
}

TPoint TCustomForm::ClientOrigin() const {
    const int f = FrameSize();
    return {f, f + CaptionHeight() + Impl()->MenuHeight};
}

void TCustomForm::MenuBarChanged(int Height) {
    if (Impl()->MenuHeight == Height) return;
    Impl()->MenuHeight = Height;
    Impl()->SyncGeometry();
    // The child windows sit below the menu bar now.
    for (int i = 0; i < ControlCount(); ++i)
        if (auto* child = dynamic_cast<TWinControl*>(Controls(i))) child->Impl()->SyncGeometry();
    Realign();
    Invalidate();
}

void TCustomForm::SetActiveControl(TWinControl* Control) {
    if (activeControl_ == Control) return;
    if (Control && (!ContainsControl(Control) || Control == this))
        throw EInvalidOperation("Invalid active control");
    activeControl_ = Control;
    if (Control && active_ && Visible()) FocusControl(Control);
}

void TCustomForm::FocusControl(TWinControl* Control) {
    if (!Control->CanFocus())
        throw EInvalidOperation("Cannot focus a disabled or invisible window");
    activeControl_ = Control == this ? nullptr : Control;
    if (!Visible()) return;
    if (!active_) {
        Activate();
        return;
    }
    ::SetFocus(Control->Handle());
}

bool TCustomForm::SetFocusedControl(TWinControl* Control) {
    ++focusCount_;
    activeControl_ = Control == this ? nullptr : Control;
    if (!active_) {
        // The focus arrived from outside (a click into this window): it becomes the active one.
        if (Screen->ActiveForm() && Screen->ActiveForm() != this)
            Screen->ActiveForm()->Deactivate();
        active_ = true;
        Screen->BringForward(this);
        Perform(WM_ACTIVATE, WA_ACTIVE, 0);
        if (OnActivate) OnActivate(this);
    }
    Screen->SetActive(this, Control);
    if (Control->ControlState().Contains(csFocusing)) return true;
    Control->SetControlState(Control->ControlState() + TControlState{csFocusing});
    const HWND target = Control->Handle();
    bool finished = true;
    try {
        // Leaving: CM_EXIT from the old control up to the first parent holding the new one.
        while (focusedControl_ && focusedControl_ != this &&
               !focusedControl_->ContainsControl(Control)) {
            TWinControl* leaving = focusedControl_;
            focusedControl_ = leaving->Parent();
            leaving->Perform(CM_EXIT, 0, 0);
            if (GetFocus() != target) {
                finished = false;
                break;
            }
        }
        if (!focusedControl_) focusedControl_ = this;
        // Entering: CM_ENTER down from there to the new control.
        while (finished && focusedControl_ != Control) {
            TWinControl* next = Control;
            while (next->Parent() && next->Parent() != focusedControl_)
                next = next->Parent();
            focusedControl_ = next;
            next->Perform(CM_ENTER, 0, 0);
            if (GetFocus() != target) finished = false;
        }
    } catch (...) {
        Control->SetControlState(Control->ControlState() - TControlState{csFocusing});
        throw;
    }
    Control->SetControlState(Control->ControlState() - TControlState{csFocusing});
    return finished;
}

void TCustomForm::DefocusControl(TWinControl* Control, bool Removing) {
    if (Removing && Control->ContainsControl(focusedControl_)) focusedControl_ = Control->Parent();
    if (Control->ContainsControl(activeControl_)) activeControl_ = nullptr;
    TWinControl* focused = FindControl(GetFocus());
    if (!focused || !Control->ContainsControl(focused)) return;
    if (Removing)
        ClearFocusVariable();
    else if (HandleAllocated() && Visible())
        ::SetFocus(Handle());
}

void TCustomForm::SetFormBorderStyle(TFormBorderStyle Value) {
    if (formBorderStyle_ == Value) return;
    formBorderStyle_ = Value;
    ApplyWindowFlags();
    Impl()->SyncGeometry();
    Realign();
}

void TCustomForm::SetBorderIcons(TBorderIcons Value) {
    borderIcons_ = Value;
    ApplyWindowFlags();
}

void TCustomForm::SetFormStyle(TFormStyle Value) {
    if (formStyle_ == Value) return;
    formStyle_ = Value;
    ApplyWindowFlags();
}

void TCustomForm::SetWindowState(TWindowState Value) {
    windowState_ = Value;
    QWidget* w = Impl()->Widget;
    if (!w || !Visible()) return;
    switch (Value) {
    case wsMinimized: w->showMinimized(); break;
    case wsMaximized: w->showMaximized(); break;
    case wsNormal: w->showNormal(); break;
    }
}

void TCustomForm::SetMenu(TMainMenu* Value) {
    if (menu_ == Value) return;
    TMainMenu* old = menu_;
    menu_ = Value;
    if (old) old->SetForm(nullptr);
    if (Value)
        Value->SetForm(this);
    else
        MenuBarChanged(0);
}

namespace {

// The window type and decorations of a form: the frame its border style asks for, with just
// the buttons its border icons name.
Qt::WindowFlags FormWindowFlags(TFormBorderStyle Border, TBorderIcons Icons, TFormStyle Style) {
    Qt::WindowFlags flags = Qt::Window;
    switch (Border) {
    case bsNone: flags |= Qt::FramelessWindowHint; break;
    case bsDialog: flags |= Qt::Dialog; break;
    case bsToolWindow:
    case bsSizeToolWin: flags |= Qt::Tool; break;
    default: break;
    }
    if (Border != bsNone) flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (Icons.Contains(biSystemMenu))
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (Icons.Contains(biMinimize) && Border != bsDialog) flags |= Qt::WindowMinimizeButtonHint;
    if (Icons.Contains(biMaximize) && Border == bsSizeable) flags |= Qt::WindowMaximizeButtonHint;
    if (Style == fsStayOnTop) flags |= Qt::WindowStaysOnTopHint;
    return flags;
}

bool FixedFrame(TFormBorderStyle Border) {
    return Border != bsSizeable && Border != bsSizeToolWin;
}

} // namespace

void TCustomForm::ApplyWindowFlags() {
    QWidget* w = Impl()->Widget;
    if (!w) return;
    const Qt::WindowFlags flags = FormWindowFlags(formBorderStyle_, borderIcons_, formStyle_);
    // Setting a window's flags withdraws it and maps it again: only a real change does that.
    if (w->windowFlags() != flags) {
        const bool shown = w->isVisible();
        w->setWindowFlags(flags);
        if (shown) w->show();
    }
    ApplySizeLimits();
}

void TCustomForm::ApplySizeLimits() {
    QWidget* w = Impl()->Widget;
    if (!w) return;
    if (FixedFrame(formBorderStyle_)) {
        const TRect client = ClientRect();
        w->setFixedSize(std::max(client.Width(), 1),
                        std::max(client.Height() + Impl()->MenuHeight, 1));
    } else {
        w->setMinimumSize(0, 0);
        w->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    }
}

void TCustomForm::CreateWnd() {
    Impl()->FormFlags = FormWindowFlags(formBorderStyle_, borderIcons_, formStyle_);
    TWinControl::CreateWnd();
    ApplySizeLimits();
    if (menu_) menu_->MenuChanged();
    // Complete now: the window manager gets it once, with its title, size and menu bar.
    Impl()->SyncVisible();
}

void TCustomForm::CMTextChanged(TMessage& Message) {
    TWinControl::CMTextChanged(Message);
    if (Impl()->Widget) Impl()->Widget->setWindowTitle(AnsiToQString(Caption()));
}

void TCustomForm::Resize() {
    TWinControl::Resize();
    // The fixed size is the form's new one: the widget itself is still held at the old size.
    ApplySizeLimits();
    if (OnResize) OnResize(this);
}

void TCustomForm::Paint() {
    if (OnPaint) OnPaint(this);
}

void TCustomForm::WMPaint(TWMPaint& Message) {
    TCanvas* canvas = Canvas();
    canvas->Font()->Assign(Font());
    canvas->Brush()->SetColor(Color());
    Paint();
    TWinControl::WMPaint(Message);
}

TCanvas* TCustomForm::Canvas() {
    HandleNeeded();
    return Impl()->BufferCanvas();
}

void TCustomForm::DoCreate() {
    if (created_) return;
    created_ = true;
    if (OnCreate) OnCreate(this);
}

namespace {

// A form that is not shown stands in for no place: its owner is what a dialog centres over.
TCustomForm* ShownForm(TComponent* Component) {
    auto* form = dynamic_cast<TCustomForm*>(Component);
    return form && form->Visible() ? form : nullptr;
}

// The screen point below a form's menu bar and the bars aligned along its top (the tool bars):
// windows placed there leave the bars free to be clicked.
TPoint BelowTopBars(TCustomForm* Form) {
    int bottom = 0;
    for (int i = 0; i < Form->ControlCount(); ++i) {
        TControl* c = Form->Controls(i);
        if (c->Visible() && c->Align() == alTop) bottom = std::max(bottom, c->Top() + c->Height());
    }
    return Form->ClientToScreen({0, bottom});
}

} // namespace

void TCustomForm::CentreOver(const TCustomForm* Form) {
    if (!Form) {
        SetBounds((Screen->Width() - Width()) / 2, (Screen->Height() - Height()) / 2, Width(),
                  Height());
        return;
    }
    SetBounds(Form->Left() + (Form->Width() - Width()) / 2,
              Form->Top() + (Form->Height() - Height()) / 2, Width(), Height());
}

void TCustomForm::Cascade() {
    // The places step down and right by a caption from below the main window's bars (from the
    // work area's corner without one); a form takes the first place no other form holds, and
    // the least held one when every place that fits the work area is taken.
    const TRect area = Screen->WorkAreaRect();
    TCustomForm* main = Application ? ShownForm(Application->MainForm()) : nullptr;
    const TPoint origin =
        main && main != this ? BelowTopBars(main) : TPoint{area.Left, area.Top};
    const int step = GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFRAME);
    int chosen = 0;
    int fewest = -1;
    for (int slot = 0;; ++slot) {
        const int left = origin.X + slot * step;
        const int top = origin.Y + slot * step;
        if (slot > 0 && (left + Width() > area.Right || top + Height() > area.Bottom)) break;
        int holders = 0;
        for (int i = 0; i < Screen->FormCount(); ++i)
            if (Screen->Forms(i) != this && Screen->Forms(i)->cascadeSlot_ == slot) ++holders;
        if (fewest < 0 || holders < fewest) {
            fewest = holders;
            chosen = slot;
        }
        if (holders == 0) break;
    }
    cascadeSlot_ = chosen;
    SetBounds(origin.X + chosen * step, origin.Y + chosen * step, Width(), Height());
}

void TCustomForm::KeepInWorkArea() {
    const TRect area = Screen->WorkAreaRect();
    const int left = std::max(area.Left, std::min(Left(), area.Right - Width()));
    const int top = std::max(area.Top, std::min(Top(), area.Bottom - Height()));
    SetBounds(left, top, Width(), Height());
}

void TCustomForm::PlaceOnShow() {
    if (placed_) return;
    placed_ = true;
    switch (position_) {
    case poScreenCenter:
    case poDesktopCenter: CentreOver(nullptr); break;
    case poMainFormCenter: {
        TCustomForm* main = ShownForm(Application->MainForm());
        CentreOver(main != this ? main : nullptr);
        break;
    }
    case poOwnerFormCenter: CentreOver(DialogOwner()); break;
    case poDesigned:
    case poDefault:
    case poDefaultPosOnly:
        // A dialog the user must answer first opens over the window it belongs to.
        if (modal_)
            CentreOver(DialogOwner());
        else if (position_ != poDesigned)
            Cascade();
        break;
    default: break;
    }
    KeepInWorkArea();
}

TCustomForm* TCustomForm::DialogOwner() const {
    // The owning form, else the form that was active when this one was asked for, else the
    // main window.
    for (TCustomForm* form : {ShownForm(Owner()), Screen->ActiveForm(),
                              Application ? ShownForm(Application->MainForm()) : nullptr})
        if (form && form != this && form->Visible()) return form;
    return nullptr;
}

void TCustomForm::Show() {
    DoCreate();
    SetVisible(true);
    if (Impl()->Widget) Impl()->Widget->raise();
    Activate();
}

void TCustomForm::VisibleChanging() {
    if (Visible()) {
        // Hiding: the focus leaves the form's controls first.
        if (OnHide) OnHide(this);
    }
}

void TCustomForm::CMVisibleChanged(TMessage& Message) {
    if (Visible()) {
        PlaceOnShow();
        HandleNeeded();
        if (OnShow) OnShow(this);
        // A place restored or set on showing comes inside the work area too.
        KeepInWorkArea();
    }
    TWinControl::CMVisibleChanged(Message);
    if (!Visible() && active_) {
        Deactivate();
        TWinControl* focused = FindControl(GetFocus());
        if (focused && (focused == this || ContainsControl(focused))) ::SetFocus(0);
        // The next visible form in z-order becomes the active one.
        for (int i = 0; i < Screen->FormCount(); ++i) {
            TCustomForm* next = Screen->Forms(i);
            if (next != this && next->Visible()) {
                next->Activate();
                break;
            }
        }
    }
}

void TCustomForm::SetWindowFocus() {
    TWinControl* target = activeControl_;
    if (!target || !target->CanFocus()) target = FindNextControl(nullptr, true, true, false);
    if (target && target->CanFocus()) {
        activeControl_ = target;
        ::SetFocus(target->Handle());
    } else {
        ::SetFocus(Handle());
    }
}

void TCustomForm::Activate() {
    if (!Visible()) return;
    if (active_) {
        TWinControl* focused = FindControl(GetFocus());
        if (!focused || (focused != this && !ContainsControl(focused))) SetWindowFocus();
        return;
    }
    if (TCustomForm* previous = Screen->ActiveForm(); previous && previous != this)
        previous->Deactivate();
    active_ = true;
    Screen->BringForward(this);
    Screen->SetActive(this, activeControl_);
    if (Impl()->Widget && !ActivatedByWindowSystem()) Impl()->Widget->activateWindow();
    Perform(WM_ACTIVATE, WA_ACTIVE, 0);
    if (OnActivate) OnActivate(this);
    SetWindowFocus();
}

void TCustomForm::Deactivate() {
    if (!active_) return;
    active_ = false;
    Perform(WM_ACTIVATE, WA_INACTIVE, 0);
    if (OnDeactivate) OnDeactivate(this);
}

void WaitForForm(TCustomForm* Form, const std::function<bool()>& Done) {
    if (NobodyCanAnswer(Form->Caption())) {
        if (ModalHook()) ModalHook()(Form);
        DispatchPostedMessages();
        return;
    }
    while (!Done() && Form->Visible() && !Application->Terminated())
        Application->HandleMessage();
}

TModalResult TCustomForm::ShowModal() {
    if (Visible() || modal_) throw EInvalidOperation("Cannot make a visible window modal");
    if (GetCapture()) ReleaseCapture();
    modalResult_ = mrNone;
    modal_ = true;
    // The other windows (their menu bars too) take no input while this one is modal.
    HandleNeeded();
    Impl()->Widget->setWindowModality(Qt::ApplicationModal);
    const TModalInput input;
    try {
        Show();
        if (NobodyCanAnswer(Caption())) {
            if (ModalHook()) ModalHook()(this);
            DispatchPostedMessages();
            if (modalResult_ == mrNone) modalResult_ = mrCancel;
            CloseModal();
        } else {
            while (true) {
                Application->HandleMessage();
                if (Application->Terminated() && modalResult_ == mrNone) modalResult_ = mrCancel;
                if (modalResult_ != mrNone && CloseModal()) break;
            }
        }
    } catch (...) {
        EndModal();
        throw;
    }
    EndModal();
    return modalResult_;
}

void TCustomForm::EndModal() {
    modal_ = false;
    if (releasePending_) {
        releasePending_ = false;
        Release();
    }
    Hide();
    if (Impl()->Widget) Impl()->Widget->setWindowModality(Qt::NonModal);
}

bool TCustomForm::CloseModal() {
    TCloseAction action = caHide;
    if (!CloseQuery())
        action = caNone;
    else
        DoClose(action);
    if (action == caNone) {
        modalResult_ = mrNone;
        return false;
    }
    if (action == caFree) Release();
    return true;
}

void TCustomForm::DoClose(TCloseAction& Action) {
    if (OnClose) OnClose(this, Action);
}

bool TCustomForm::CloseQuery() {
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(this, canClose);
    return canClose;
}

void TCustomForm::Close() {
    if (modal_) {
        if (modalResult_ == mrNone) modalResult_ = mrCancel;
        return;
    }
    if (!CloseQuery()) return;
    TCloseAction action = caHide;
    DoClose(action);
    if (action == caNone) return;
    if (Application->MainForm() == this) {
        Hide();
        Application->Terminate();
        return;
    }
    switch (action) {
    case caHide: Hide(); break;
    case caMinimize: SetWindowState(wsMinimized); break;
    case caFree: Release(); break;
    case caNone: break;
    }
}

void TCustomForm::Release() {
    PostMessage(Handle(), CM_RELEASE, 0, 0);
}

bool TCustomForm::IsShortCut(TWMKey& Message) {
    bool handled = false;
    if (OnShortCut) OnShortCut(Message, handled);
    if (handled) return true;
    return menu_ && menu_->IsShortCut(Message);
}

bool TCustomForm::ClickDialogButton(Word Key) {
    TMessage m{CM_DIALOGKEY, Key, 0, 0};
    TWinControl::Dispatch(m);
    return m.Result != 0;
}

void TCustomForm::CMDialogKey(TCMDialogKey& Message) {
    const TShiftState shift = KeyDataToShiftState(Message.KeyData);
    if (!shift.Contains(ssAlt)) {
        switch (Message.CharCode) {
        case VK_TAB:
            if (!shift.Contains(ssCtrl)) {
                SelectNext(activeControl_, !shift.Contains(ssShift), true);
                Message.Result = 1;
                return;
            }
            break;
        case VK_LEFT:
        case VK_RIGHT:
        case VK_UP:
        case VK_DOWN:
            if (activeControl_ && activeControl_->Parent()) {
                activeControl_->Parent()->SelectNext(
                    activeControl_, Message.CharCode == VK_RIGHT || Message.CharCode == VK_DOWN,
                    false);
                Message.Result = 1;
            }
            return;
        default: break;
        }
    }
    TWinControl::CMDialogKey(Message);
}

void TCustomForm::Dispatch(TMessage& Message) {
    if (Message.Msg == CM_RELEASE) {
        // The modal loop still runs on this form: it ends first, then the form goes.
        if (modal_) {
            releasePending_ = true;
            if (modalResult_ == mrNone) modalResult_ = mrCancel;
            return;
        }
        delete this;
        return;
    }
    if (Message.Msg == WM_NEXTDLGCTL) {
        // lParam set: wParam is the window to focus; else 0 = next, 1 = previous control.
        if (Message.LParam != 0) {
            TWinControl* target = FindControl(static_cast<HWND>(Message.WParam));
            if (target && ContainsControl(target) && target->CanFocus()) FocusControl(target);
        } else {
            SelectNext(activeControl_, Message.WParam == 0, true);
        }
        return;
    }
    TWinControl::Dispatch(Message);
}

void TCustomForm::DefaultHandler(TMessage& Message) {
    switch (Message.Msg) {
    case WM_CLOSE: Close(); return;
    case WM_SYSCOMMAND:
        if ((Message.WParam & 0xFFF0) == SC_CLOSE) {
            Close();
            return;
        }
        if ((Message.WParam & 0xFFF0) == SC_KEYMENU) {
            const Word key = static_cast<Word>(Message.LParam & 0xFF);
            if (menu_ && menu_->DropDownAccel(key))
                Message.Result = 1;
            else if (key != 0)
                MessageBeep(0);
            return;
        }
        return;
    default: TWinControl::DefaultHandler(Message);
    }
}

// ============================================================================================
// TScrollingWinControl

int TControlScrollBar::ClientExtent() const {
    return kind_ == sbHorizontal ? control_->ClientWidth() : control_->ClientHeight();
}

bool TControlScrollBar::IsScrollBarVisible() const {
    return visible_ && range_ > ClientExtent();
}

void TControlScrollBar::SetRange(int Value) {
    range_ = std::max(Value, 0);
    control_->UpdateScrollBars();
}

void TControlScrollBar::SetPosition(int Value) {
    const int limit = std::max(range_ - ClientExtent(), 0);
    Value = std::clamp(Value, 0, limit);
    if (Value == position_) return;
    const int delta = position_ - Value;
    position_ = Value;
    if (kind_ == sbHorizontal)
        control_->ScrollChildren(delta, 0);
    else
        control_->ScrollChildren(0, delta);
    control_->UpdateScrollBars();
}

void TControlScrollBar::SetVisible(bool Value) {
    visible_ = Value;
    control_->UpdateScrollBars();
}

void TControlScrollBar::Scroll(Word Code, int Pos) {
    const int page = ClientExtent();
    switch (Code) {
    case SB_LINEUP: SetPosition(position_ - increment_); break;
    case SB_LINEDOWN: SetPosition(position_ + increment_); break;
    case SB_PAGEUP: SetPosition(position_ - page); break;
    case SB_PAGEDOWN: SetPosition(position_ + page); break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: {
        // The 32-bit track position, as the 16-bit one in the message may have wrapped.
        SCROLLINFO info;
        info.fMask = SIF_TRACKPOS;
        const bool known =
            GetScrollInfo(control_->Handle(), kind_ == sbHorizontal ? SB_HORZ : SB_VERT, info);
        SetPosition(known ? info.nTrackPos : Pos);
        break;
    }
    case SB_TOP: SetPosition(0); break;
    case SB_BOTTOM: SetPosition(range_); break;
    default: break;
    }
}

TScrollingWinControl::TScrollingWinControl(TComponent* AOwner) : TWinControl(AOwner) {
    controlStyle_.Include(csAcceptsControls);
}

void TScrollingWinControl::SetAutoScroll(bool Value) {
    autoScroll_ = Value;
    CalcAutoRange();
}

void TScrollingWinControl::ScrollInView(TControl* AControl) {
    if (!AControl || !ContainsControl(AControl) || AControl == this) return;
    const TRect r = AControl->BoundsRect();
    if (r.Left < 0)
        horz_.SetPosition(horz_.Position() + r.Left);
    else if (r.Right > ClientWidth())
        horz_.SetPosition(horz_.Position() + r.Right - ClientWidth());
    if (r.Top < 0)
        vert_.SetPosition(vert_.Position() + r.Top);
    else if (r.Bottom > ClientHeight())
        vert_.SetPosition(vert_.Position() + r.Bottom - ClientHeight());
}

void TScrollingWinControl::ScrollChildren(int dx, int dy) {
    scrolling_ = true;
    try {
        for (int i = 0; i < ControlCount(); ++i) {
            TControl* c = Controls(i);
            c->SetBounds(c->Left() + dx, c->Top() + dy, c->Width(), c->Height());
        }
    } catch (...) {
        scrolling_ = false;
        throw;
    }
    scrolling_ = false;
    Invalidate();
}

void TScrollingWinControl::CalcAutoRange() {
    if (!autoScroll_) return;
    int right = 0;
    int bottom = 0;
    for (int i = 0; i < ControlCount(); ++i) {
        TControl* c = Controls(i);
        if (!c->Visible() || c->Align() != alNone) continue;
        right = std::max(right, c->Left() + c->Width() + horz_.Position());
        bottom = std::max(bottom, c->Top() + c->Height() + vert_.Position());
    }
    horz_.range_ = right;
    vert_.range_ = bottom;
    UpdateScrollBars();
}

void TScrollingWinControl::UpdateScrollBars() {
    if (!HandleAllocated()) return;
    // Twice: one bar showing can make the other necessary.
    for (int pass = 0; pass < 2; ++pass) {
        for (TControlScrollBar* bar : {&horz_, &vert_}) {
            SCROLLINFO info;
            info.fMask = SIF_ALL;
            info.nMin = 0;
            info.nMax = bar->visible_ ? std::max(bar->range_ - 1, 0) : 0;
            info.nPage = static_cast<UINT>(std::max(bar->ClientExtent(), 0));
            info.nPos = bar->position_;
            SetScrollInfo(Handle(), bar->kind_ == sbHorizontal ? SB_HORZ : SB_VERT, info, true);
        }
    }
    // Growing the client area may leave the position beyond the end.
    for (TControlScrollBar* bar : {&horz_, &vert_})
        bar->SetPosition(bar->position_);
}

void TScrollingWinControl::CreateWnd() {
    TWinControl::CreateWnd();
    UpdateScrollBars();
}

void TScrollingWinControl::Resize() {
    TWinControl::Resize();
    UpdateScrollBars();
}

void TScrollingWinControl::WMHScroll(TWMScroll& Message) {
    horz_.Scroll(static_cast<Word>(Message.ScrollCode), Message.Pos);
}

void TScrollingWinControl::WMVScroll(TWMScroll& Message) {
    vert_.Scroll(static_cast<Word>(Message.ScrollCode), Message.Pos);
}

void TScrollingWinControl::ChildBoundsChanged(TControl*) {
    if (!scrolling_) CalcAutoRange();
}

TScrollBox::TScrollBox(TComponent* AOwner) : TScrollingWinControl(AOwner) {
    SetBounds(0, 0, 185, 41);
    SetBorderStyle(bsSingle);
}

// ============================================================================================
// TScreen

TScreen::TScreen(TComponent* AOwner) : TComponent(AOwner) {}

TScreen::~TScreen() = default;

int TScreen::Width() const {
    QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry().width() : 1024;
}

int TScreen::Height() const {
    QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry().height() : 768;
}

TRect TScreen::WorkAreaRect() const {
    QScreen* s = QGuiApplication::primaryScreen();
    if (!s) return Rect(0, 0, Width(), Height());
    const QRect r = s->availableGeometry();
    return Bounds(r.x(), r.y(), r.width(), r.height());
}

void TScreen::SetCursor(TCursor Value) {
    if (cursor_ == Value) return;
    const bool had = cursor_ != crDefault;
    cursor_ = Value;
    if (!QGuiApplication::instance()) return;
    if (Value == crDefault) {
        if (had) QGuiApplication::restoreOverrideCursor();
    } else if (had) {
        QGuiApplication::changeOverrideCursor(CursorOf(Value));
    } else {
        QGuiApplication::setOverrideCursor(CursorOf(Value));
    }
}

HCURSOR TScreen::Cursors(int Index) const {
    auto it = cursors_.find(Index);
    return it == cursors_.end() ? 0 : it->second;
}

void TScreen::SetCursors(int Index, HCURSOR Cursor) {
    if (Cursor == 0)
        cursors_.erase(Index);
    else
        cursors_[Index] = Cursor;
}

TStrings* TScreen::Fonts() {
    if (!fonts_) {
        EnsureQtApp();
        fonts_ = std::make_unique<TStringList>();
        fonts_->SetSorted(true);
        for (const QString& family : QFontDatabase::families())
            if (!QFontDatabase::isPrivateFamily(family)) fonts_->Add(QStringToAnsi(family));
    }
    return fonts_.get();
}

TCustomForm* TScreen::Forms(int Index) const {
    if (Index < 0 || Index >= FormCount())
        throw EListError("List index out of bounds (%d)", {Index});
    return forms_[static_cast<std::size_t>(Index)];
}

void TScreen::AddForm(TCustomForm* Form) {
    forms_.push_back(Form);
}

void TScreen::RemoveForm(TCustomForm* Form) {
    forms_.erase(std::remove(forms_.begin(), forms_.end(), Form), forms_.end());
    if (activeForm_ == Form) {
        activeForm_ = nullptr;
        activeControl_ = nullptr;
    }
}

void TScreen::BringForward(TCustomForm* Form) {
    auto it = std::find(forms_.begin(), forms_.end(), Form);
    if (it == forms_.end()) return;
    forms_.erase(it);
    forms_.insert(forms_.begin(), Form);
}

void TScreen::SetActive(TCustomForm* Form, TWinControl* Control) {
    const bool formChanged = activeForm_ != Form;
    const bool controlChanged = activeControl_ != Control;
    activeForm_ = Form;
    activeControl_ = Control;
    if (formChanged && OnActiveFormChange) OnActiveFormChange(this);
    if (controlChanged && OnActiveControlChange) OnActiveControlChange(this);
}

TWaitCursor::TWaitCursor(TCursor Cursor) {
    InitApplication();
    previous_ = Screen->Cursor();
    Screen->SetCursor(Cursor);
}

TWaitCursor::~TWaitCursor() {
    if (Screen) Screen->SetCursor(previous_);
}

// ============================================================================================
// TApplication

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {
    EnsureQtApp();
}

TApplication::~TApplication() {
    Destroying();
    DestroyComponents();
    if (Application == this) Application = nullptr;
}

void TApplication::Run() {
    if (mainForm_ && !mainForm_->Visible()) mainForm_->Show();
    while (!terminated_)
        HandleMessage();
}

void TApplication::Terminate() {
    terminated_ = true;
}

void TApplication::ProcessMessages() {
    ProcessWindowSystemEvents(QEventLoop::AllEvents);
    DispatchPostedMessages();
    FireDueTimers();
    DispatchPostedMessages();
}

void TApplication::HandleMessage() {
    // The layer's heartbeat timer wakes the wait at least every few milliseconds.
    StartHeartbeat();
    ProcessWindowSystemEvents(QEventLoop::WaitForMoreEvents);
    DispatchPostedMessages();
    FireDueTimers();
    if (PostedMessageCount() == 0) Idle();
}

void TApplication::Idle() {
    bool done = true;
    if (OnIdle) Guarded([&] { OnIdle(this, done); });
}

void TApplication::HandleException(TObject* Sender) {
    if (!std::current_exception()) return;
    try {
        throw;
    } catch (const EAbort&) {
        // Silent by design.
    } catch (const std::exception& e) {
        if (OnException) {
            try {
                OnException(Sender, e);
            } catch (...) {
                // The handler itself failed; nothing further can be reported.
            }
        } else {
            ShowException(e);
        }
    } catch (...) {
        ShowException(Exception("Unknown exception"));
    }
}

void TApplication::ShowException(const std::exception& E) {
    std::string text = E.what();
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
    try {
        MessageBox(text, title_, MB_OK | MB_ICONERROR);
    } catch (...) {
        // A failing message box must not turn one error into two.
    }
}

int TApplication::MessageBox(const std::string& Text, const std::string& Caption, UINT Flags) {
    return ShowMessageBox(Text, Caption.empty() ? title_ : Caption, Flags);
}

bool TApplication::HelpContext(int Context) {
    return HelpCommand(HELP_CONTEXT, Context);
}

bool TApplication::HelpCommand(int Command, long Data) {
    if (helpFile_.empty()) return false;
    return UiServices().Help({helpFile_, Command, Data, {}});
}

bool TApplication::HelpJump(const std::string& Topic) {
    if (helpFile_.empty()) return false;
    return UiServices().Help({helpFile_, HELP_PARTIALKEY, 0, Topic});
}

void TApplication::SetHint(const std::string& Value) {
    if (hint_ == Value) return;
    hint_ = Value;
    if (OnHint) OnHint(this);
}

void TApplication::FormCreated(TCustomForm* Form) {
    if (!mainForm_) mainForm_ = Form;
    Form->DoCreate();
}

void TApplication::FormDestroying(TCustomForm* Form) {
    if (mainForm_ == Form) mainForm_ = nullptr;
}
