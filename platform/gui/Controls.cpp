#include "platform/gui/Controls.h"

#include "platform/gui/DragDrop.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Menus.h"
#include "platform/gui/QtBridge.h"
#include "platform/gui/QtPaint.h"
#include "platform/gui/WinUser.h"

#include <QCursor>

#include <algorithm>
#include <map>

namespace {

std::map<HWND, TWinControl*>& Windows() {
    static std::map<HWND, TWinControl*> windows;
    return windows;
}

HWND nextHandle = 0x100;

// The client point of a mouse message moved by dx, dy.
LPARAM MovedPos(LPARAM pos, int dx, int dy) {
    return MakeLParam(static_cast<SmallInt>(LoWord(pos)) + dx,
                      static_cast<SmallInt>(HiWord(pos)) + dy);
}

template <typename Cracked, typename Handler>
void Crack(TMessage& m, Handler handler) {
    Cracked c = Cracked::From(m);
    handler(c);
    c.To(m);
}

// The windowless control under the mouse of each parent, for enter and leave notices.
std::map<const TWinControl*, TControl*>& Hovered() {
    static std::map<const TWinControl*, TControl*> hovered;
    return hovered;
}

} // namespace

bool NewStyleControls = true;

HWND RegisterWindow(TWinControl* control) {
    const HWND handle = nextHandle++;
    Windows()[handle] = control;
    return handle;
}

void UnregisterWindow(HWND handle) {
    Windows().erase(handle);
}

TWinControl* FindControl(HWND Handle) {
    auto it = Windows().find(Handle);
    return it == Windows().end() ? nullptr : it->second;
}

TShiftState KeyDataToShiftState(LongInt KeyData) {
    TShiftState s;
    if (GetKeyState(VK_SHIFT) < 0) s.Include(ssShift);
    if (GetKeyState(VK_CONTROL) < 0) s.Include(ssCtrl);
    if (KeyData & (KF_ALTDOWN << 16)) s.Include(ssAlt);
    return s;
}

namespace {

// The wheel scrolls a window that shows a vertical scroll bar, three lines a notch as Win32's
// lists and views do; false when there is nothing to scroll (the wheel then goes to the parent).
bool ScrollByWheel(TWinControl* control, const TMessage& message) {
    if (!control->Impl()->Bars[SB_VERT].Visible()) return false;
    const int delta = TWMMouseWheel::From(message).WheelDelta;
    int lines = delta * WheelLines / WHEEL_DELTA;
    if (lines == 0 && delta != 0) lines = delta > 0 ? 1 : -1;
    const WPARAM code = lines > 0 ? SB_LINEUP : SB_LINEDOWN;
    for (int i = 0; i < std::abs(lines); ++i)
        control->Perform(WM_VSCROLL, code, 0);
    return lines != 0;
}

} // namespace

void ShowContextHelp(TControl* Control) {
    if (!Application) return;
    for (TControl* c = Control; c; c = c->Parent())
        if (c->HelpContext() != 0) {
            Application->HelpContext(c->HelpContext());
            return;
        }
    Application->HelpCommand(HELP_CONTENTS, 0);
}

TShiftState KeysToShiftState(WPARAM Keys) {
    TShiftState s;
    if (Keys & MK_SHIFT) s.Include(ssShift);
    if (Keys & MK_CONTROL) s.Include(ssCtrl);
    if (Keys & MK_LBUTTON) s.Include(ssLeft);
    if (Keys & MK_RBUTTON) s.Include(ssRight);
    if (Keys & MK_MBUTTON) s.Include(ssMiddle);
    if (GetKeyState(VK_MENU) < 0) s.Include(ssAlt);
    return s;
}

TCustomForm* GetParentForm(const TControl* Control) {
    const TControl* c = Control;
    while (c && c->Parent())
        c = c->Parent();
    return c ? dynamic_cast<TCustomForm*>(const_cast<TControl*>(c)) : nullptr;
}

void MouseLeftWindow(TWinControl* control) {
    auto it = Hovered().find(control);
    if (it == Hovered().end() || !it->second) return;
    TControl* left = it->second;
    it->second = nullptr;
    left->Perform(CM_MOUSELEAVE, 0, 0);
}

// ============================================================================================
// TControl

TControl::TControl(TComponent* AOwner) : TComponent(AOwner), font_(std::make_unique<TFont>()) {
    controlStyle_ = {csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
    font_->OnChange = [this](TObject*) { FontChanged(); };
    WindowProc = [this](TMessage& m) { WndProc(m); };
}

TControl::~TControl() {
    *alive_ = false;
    DragControlFreed(this);
    if (CaptureControl() == this) ReleaseCapture();
    for (auto& [parent, control] : Hovered())
        if (control == this) control = nullptr;
    if (parent_) parent_->RemoveControl(this);
}

LRESULT TControl::Perform(UINT Msg, WPARAM WParam, LPARAM LParam) {
    TMessage m{Msg, WParam, LParam, 0};
    if (WindowProc)
        WindowProc(m);
    else
        WndProc(m);
    return m.Result;
}

void TControl::WndProc(TMessage& Message) {
    if (DragTakesMessage(this, Message)) return;
    if (IsMouseMessage(Message.Msg)) {
        NoteMousePosition(this, Message.LParam);
        if (StartsAutomaticDrag(Message)) return;
    }
    Dispatch(Message);
}

void TControl::Dispatch(TMessage& Message) {
    TMessage& m = Message;
    switch (m.Msg) {
    case WM_LBUTTONDOWN: Crack<TWMMouse>(m, [&](auto& c) { WMLButtonDown(c); }); break;
    case WM_LBUTTONUP: Crack<TWMMouse>(m, [&](auto& c) { WMLButtonUp(c); }); break;
    case WM_LBUTTONDBLCLK: Crack<TWMMouse>(m, [&](auto& c) { WMLButtonDblClk(c); }); break;
    case WM_RBUTTONDOWN: Crack<TWMMouse>(m, [&](auto& c) { WMRButtonDown(c); }); break;
    case WM_RBUTTONUP: Crack<TWMMouse>(m, [&](auto& c) { WMRButtonUp(c); }); break;
    case WM_MBUTTONDOWN: Crack<TWMMouse>(m, [&](auto& c) { WMMButtonDown(c); }); break;
    case WM_MBUTTONUP: Crack<TWMMouse>(m, [&](auto& c) { WMMButtonUp(c); }); break;
    case WM_MOUSEMOVE: Crack<TWMMouse>(m, [&](auto& c) { WMMouseMove(c); }); break;
    case CM_MOUSEENTER: CMMouseEnter(m); break;
    case CM_MOUSELEAVE: CMMouseLeave(m); break;
    case CM_ENABLEDCHANGED: CMEnabledChanged(m); break;
    case CM_VISIBLECHANGED: CMVisibleChanged(m); break;
    case CM_TEXTCHANGED: CMTextChanged(m); break;
    case CM_FONTCHANGED: CMFontChanged(m); break;
    case CM_COLORCHANGED: CMColorChanged(m); break;
    case CM_PARENTFONTCHANGED: CMParentFontChanged(m); break;
    case CM_PARENTCOLORCHANGED: CMParentColorChanged(m); break;
    case CM_HITTEST: CMHitTest(m); break;
    case CM_DIALOGCHAR: Crack<TCMDialogChar>(m, [&](auto& c) { CMDialogChar(c); }); break;
    case CM_CANCELMODE: CMCancelMode(m); break;
    case CM_DRAG: Crack<TCMDrag>(m, [&](auto& c) { CMDrag(c); }); break;
    default: DefaultHandler(m); break;
    }
}

void TControl::DefaultHandler(TMessage& Message) {
    Message.Result = 0;
}

void TControl::SetParent(TWinControl* AParent) {
    if (parent_ == AParent) return;
    if (AParent == this) throw EInvalidOperation("A control cannot have itself as its parent");
    if (parent_) parent_->RemoveControl(this);
    if (AParent) AParent->InsertControl(this);
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    AWidth = std::max(AWidth, 0);
    AHeight = std::max(AHeight, 0);
    if (ALeft == left_ && ATop == top_ && AWidth == width_ && AHeight == height_) return;
    const bool resized = AWidth != width_ || AHeight != height_;
    const bool moved = ALeft != left_ || ATop != top_;
    UpdateBounds(ALeft, ATop, AWidth, AHeight);
    auto* windowed = dynamic_cast<TWinControl*>(this);
    // A windowless control repaints the parent where it was and where it is now.
    if (!windowed && parent_ && visible_) parent_->Invalidate();
    if (moved && windowed && windowed->HandleAllocated())
        Perform(WM_MOVE, 0, MakeLParam(ClientOrigin().X + left_, ClientOrigin().Y + top_));
    if (resized) Resize();
    RequestAlign();
    if (parent_) parent_->ChildBoundsChanged(this);
}

void TControl::UpdateBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    left_ = ALeft;
    top_ = ATop;
    width_ = AWidth;
    height_ = AHeight;
    BoundsChanged();
}

TRect TControl::ClientRect() const {
    return Rect(0, 0, width_, height_);
}

void TControl::SetClientWidth(int Value) {
    SetWidth(width_ - ClientWidth() + Value);
}

void TControl::SetClientHeight(int Value) {
    SetHeight(height_ - ClientHeight() + Value);
}

TPoint TControl::ClientOrigin() const {
    return {0, 0};
}

TPoint TControl::ClientToScreen(const TPoint& Point) const {
    TPoint p{Point.X + ClientOrigin().X, Point.Y + ClientOrigin().Y};
    if (!parent_ || PlacedOnScreen()) return {p.X + left_, p.Y + top_};
    return parent_->ClientToScreen({p.X + left_, p.Y + top_});
}

TPoint TControl::ScreenToClient(const TPoint& Point) const {
    const TPoint origin = ClientToScreen({0, 0});
    return {Point.X - origin.X, Point.Y - origin.Y};
}

void TControl::SetAlign(TAlign Value) {
    if (align_ == Value) return;
    align_ = Value;
    RequestAlign();
}

void TControl::RequestAlign() {
    if (parent_ && align_ != alNone && !parent_->aligning_) parent_->Realign();
}

void TControl::SetVisible(bool Value) {
    if (visible_ == Value) return;
    VisibleChanging();
    visible_ = Value;
    Perform(CM_VISIBLECHANGED, Value ? 1 : 0, 0);
    if (parent_ && align_ != alNone && !parent_->aligning_) parent_->Realign();
}

bool TControl::Showing() const {
    return visible_ && parent_ && parent_->Showing();
}

void TControl::SetEnabled(bool Value) {
    if (enabled_ == Value) return;
    enabled_ = Value;
    Perform(CM_ENABLEDCHANGED, 0, 0);
}

void TControl::SetText(const std::string& Value) {
    if (GetText() == Value) return;
    SetTextValue(Value);
    Perform(CM_TEXTCHANGED, 0, 0);
}

void TControl::SetColor(TColor Value) {
    if (color_ == Value) return;
    color_ = Value;
    parentColor_ = false;
    Perform(CM_COLORCHANGED, 0, 0);
}

void TControl::SetParentColor(bool Value) {
    if (parentColor_ == Value) return;
    parentColor_ = Value;
    if (Value) SyncParentColor();
}

void TControl::SyncParentColor() {
    if (!parentColor_ || !parent_) return;
    if (color_ != parent_->Color()) {
        color_ = parent_->Color();
        Perform(CM_COLORCHANGED, 0, 0);
    }
}

void TControl::SetParentFont(bool Value) {
    if (parentFont_ == Value) return;
    parentFont_ = Value;
    if (Value) SyncParentFont();
}

void TControl::SyncParentFont() {
    if (!parentFont_ || !parent_) return;
    fontSyncing_ = true;
    font_->Assign(parent_->Font());
    fontSyncing_ = false;
    Perform(CM_FONTCHANGED, 0, 0);
}

void TControl::FontChanged() {
    if (fontSyncing_) return;
    parentFont_ = false;
    Perform(CM_FONTCHANGED, 0, 0);
}

void TControl::SetCursor(TCursor Value) {
    if (cursor_ == Value) return;
    cursor_ = Value;
    Perform(CM_CURSORCHANGED, 0, 0);
}

void TControl::SetHint(const std::string& Value) {
    hint_ = Value;
}

void TControl::SetShowHint(bool Value) {
    showHint_ = Value;
    parentShowHint_ = false;
    SpreadShowHint();
}

void TControl::SetParentShowHint(bool Value) {
    parentShowHint_ = Value;
    if (!Value || !parent_) return;
    showHint_ = parent_->ShowHint();
    SpreadShowHint();
}

void TControl::SpreadShowHint() {
    auto* self = dynamic_cast<TWinControl*>(this);
    if (!self) return;
    for (int i = 0; i < self->ControlCount(); ++i) {
        TControl* child = self->Controls(i);
        if (!child->parentShowHint_) continue;
        child->showHint_ = showHint_;
        child->SpreadShowHint();
    }
}

void TControl::SetPopupMenu(TPopupMenu* Value) {
    if (popupMenu_ == Value) return;
    if (popupMenu_) popupMenu_->RemoveFreeNotification(this);
    popupMenu_ = Value;
    if (Value) Value->FreeNotification(this);
}

void TControl::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == popupMenu_) popupMenu_ = nullptr;
}

bool TControl::MouseCapture() const {
    if (auto* w = dynamic_cast<const TWinControl*>(this))
        return w->HandleAllocated() && GetCapture() == const_cast<TWinControl*>(w)->Handle();
    return CaptureControl() == this;
}

void TControl::SetMouseCapture(bool Value) {
    if (MouseCapture() == Value) return;
    if (!Value) {
        ReleaseCapture();
        return;
    }
    if (auto* w = dynamic_cast<TWinControl*>(this)) {
        ::SetCapture(w->Handle());
    } else if (parent_) {
        ::SetCapture(parent_->Handle());
        SetCaptureControl(this);
    }
}

void TControl::BringToFront() {
    if (!parent_) return;
    auto& list = parent_->controls_;
    list.erase(std::find(list.begin(), list.end(), this));
    list.push_back(this);
    if (auto* w = dynamic_cast<TWinControl*>(this); w && w->HandleAllocated() && w->Impl()->Widget)
        w->Impl()->Widget->raise();
    parent_->Invalidate();
}

void TControl::SendToBack() {
    if (!parent_) return;
    auto& list = parent_->controls_;
    list.erase(std::find(list.begin(), list.end(), this));
    list.insert(list.begin(), this);
    if (auto* w = dynamic_cast<TWinControl*>(this); w && w->HandleAllocated() && w->Impl()->Widget)
        w->Impl()->Widget->lower();
    parent_->Invalidate();
}

void TControl::Invalidate() {
    if (parent_ && visible_) parent_->Invalidate();
}

void TControl::Repaint() {
    if (parent_ && visible_) parent_->Repaint();
}

void TControl::Update() {
    if (parent_) parent_->Update();
}

void TControl::Click() {
    CallEvent(OnClick, this);
}

void TControl::DblClick() {
    CallEvent(OnDblClick, this);
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    CallEvent(OnMouseDown, this, Button, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    CallEvent(OnMouseUp, this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, int X, int Y) {
    CallEvent(OnMouseMove, this, Shift, X, Y);
}

void TControl::DoMouseDown(TWMMouse& Message, TMouseButton Button, TShiftState Extra) {
    if (controlStyle_.Contains(csNoStdEvents)) return;
    MouseDown(Button, KeysToShiftState(static_cast<WPARAM>(Message.Keys)) + Extra, Message.XPos,
              Message.YPos);
}

void TControl::DoMouseUp(TWMMouse& Message, TMouseButton Button) {
    if (controlStyle_.Contains(csNoStdEvents)) return;
    MouseUp(Button, KeysToShiftState(static_cast<WPARAM>(Message.Keys)), Message.XPos,
            Message.YPos);
}

void TControl::WMLButtonDown(TWMMouse& Message) {
    TMessage m{Message.Msg, static_cast<WPARAM>(Message.Keys),
               MakeLParam(Message.XPos, Message.YPos), 0};
    const auto alive = AliveFlag();
    DefaultHandler(m);
    if (!*alive) return;
    if (controlStyle_.Contains(csCaptureMouse)) SetMouseCapture(true);
    if (controlStyle_.Contains(csClickEvents)) controlState_.Include(csClicked);
    DoMouseDown(Message, mbLeft, {});
}

void TControl::WMLButtonDblClk(TWMMouse& Message) {
    TMessage m{Message.Msg, static_cast<WPARAM>(Message.Keys),
               MakeLParam(Message.XPos, Message.YPos), 0};
    const auto alive = AliveFlag();
    DefaultHandler(m);
    if (!*alive) return;
    if (controlStyle_.Contains(csCaptureMouse)) SetMouseCapture(true);
    if (controlStyle_.Contains(csClickEvents)) DblClick();
    if (*alive) DoMouseDown(Message, mbLeft, {ssDouble});
}

void TControl::WMLButtonUp(TWMMouse& Message) {
    TMessage m{Message.Msg, static_cast<WPARAM>(Message.Keys),
               MakeLParam(Message.XPos, Message.YPos), 0};
    const auto alive = AliveFlag();
    DefaultHandler(m);
    if (!*alive) return;
    if (controlStyle_.Contains(csCaptureMouse)) SetMouseCapture(false);
    if (controlState_.Contains(csClicked)) {
        controlState_.Exclude(csClicked);
        if (PtInRect(ClientRect(), Message.Pos())) Click();
    }
    if (*alive) DoMouseUp(Message, mbLeft);
}

void TControl::WMRButtonDown(TWMMouse& Message) {
    TMessage m{Message.Msg, static_cast<WPARAM>(Message.Keys),
               MakeLParam(Message.XPos, Message.YPos), 0};
    DefaultHandler(m);
    DoMouseDown(Message, mbRight, {});
}

void TControl::WMRButtonUp(TWMMouse& Message) {
    TMessage m{Message.Msg, static_cast<WPARAM>(Message.Keys),
               MakeLParam(Message.XPos, Message.YPos), 0};
    const auto alive = AliveFlag();
    DefaultHandler(m);
    if (*alive) DoMouseUp(Message, mbRight);
    if (*alive) ShowPopupAt(Message);
}

void TControl::ShowPopupAt(const TWMMouse& Message) {
    // The nearest popup menu up the parent chain, as a context-menu request travels.
    for (TControl* c = this; c; c = c->parent_) {
        if (TPopupMenu* menu = c->popupMenu_; menu && menu->AutoPopup()) {
            const TPoint p = ClientToScreen(Message.Pos());
            menu->SetPopupComponent(this);
            menu->Popup(p.X, p.Y);
            return;
        }
    }
}

void TControl::WMMButtonDown(TWMMouse& Message) {
    TMessage m{Message.Msg, static_cast<WPARAM>(Message.Keys),
               MakeLParam(Message.XPos, Message.YPos), 0};
    DefaultHandler(m);
    DoMouseDown(Message, mbMiddle, {});
}

void TControl::WMMButtonUp(TWMMouse& Message) {
    TMessage m{Message.Msg, static_cast<WPARAM>(Message.Keys),
               MakeLParam(Message.XPos, Message.YPos), 0};
    DefaultHandler(m);
    DoMouseUp(Message, mbMiddle);
}

void TControl::WMMouseMove(TWMMouse& Message) {
    TMessage m{Message.Msg, static_cast<WPARAM>(Message.Keys),
               MakeLParam(Message.XPos, Message.YPos), 0};
    DefaultHandler(m);
    if (controlStyle_.Contains(csNoStdEvents)) return;
    MouseMove(KeysToShiftState(static_cast<WPARAM>(Message.Keys)), Message.XPos, Message.YPos);
}

void TControl::CMMouseEnter(TMessage& Message) {
    if (parent_) parent_->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(this));
    Message.Result = 0;
}

void TControl::CMMouseLeave(TMessage& Message) {
    if (parent_) parent_->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(this));
    Message.Result = 0;
}

void TControl::CMEnabledChanged(TMessage&) {
    Invalidate();
}

void TControl::CMVisibleChanged(TMessage&) {
    if (parent_) parent_->Invalidate();
}

void TControl::CMTextChanged(TMessage&) {
    Invalidate();
}

void TControl::CMFontChanged(TMessage&) {
    Invalidate();
}

void TControl::CMColorChanged(TMessage&) {
    Invalidate();
}

void TControl::CMParentFontChanged(TMessage&) {
    SyncParentFont();
}

void TControl::CMParentColorChanged(TMessage&) {
    SyncParentColor();
}

void TControl::CMHitTest(TMessage& Message) {
    Message.Result = HTCLIENT;
}

void TControl::CMDialogChar(TCMDialogChar& Message) {
    Message.Result = 0;
}

void TControl::CMCancelMode(TMessage&) {
    if (MouseCapture()) SetMouseCapture(false);
}

// ============================================================================================
// TWinControl

TWinControl::TWinControl(TComponent* AOwner)
    : TControl(AOwner), impl_(std::make_unique<TWinControlImpl>(this)) {}

TWinControl::~TWinControl() {
    Hovered().erase(this);
    // Children go first, the last in z-order first.
    while (!controls_.empty()) {
        TControl* child = controls_.back();
        RemoveControl(child);
        delete child;
    }
    if (TCustomForm* form = GetParentForm(this); form && form != this)
        form->DefocusControl(this, true);
    // Leaves the parent while still a windowed control (the tab list is kept by type).
    if (Parent()) Parent()->RemoveControl(this);
    DestroyWnd();
}

TControl* TWinControl::Controls(int Index) const {
    if (Index < 0 || Index >= ControlCount())
        throw EListError("List index out of bounds (%d)", {Index});
    return controls_[static_cast<std::size_t>(Index)];
}

void TWinControl::InsertControl(TControl* AControl) {
    controls_.push_back(AControl);
    AControl->parent_ = this;
    if (auto* w = dynamic_cast<TWinControl*>(AControl)) {
        tabList_.push_back(w);
        if (HandleAllocated()) {
            if (w->HandleAllocated()) {
                w->impl_->Widget->setParent(impl_->Widget);
                w->impl_->SyncGeometry();
                w->impl_->SyncVisible();
            } else if (w->Visible()) {
                w->HandleNeeded();
            }
        }
    }
    AControl->SyncParentFont();
    AControl->SyncParentColor();
    if (AControl->parentShowHint_) {
        AControl->showHint_ = ShowHint();
        AControl->SpreadShowHint();
    }
    AControl->RequestAlign();
    Invalidate();
}

void TWinControl::RemoveControl(TControl* AControl) {
    auto it = std::find(controls_.begin(), controls_.end(), AControl);
    if (it == controls_.end()) return;
    controls_.erase(it);
    if (auto* w = dynamic_cast<TWinControl*>(AControl)) {
        tabList_.erase(std::remove(tabList_.begin(), tabList_.end(), w), tabList_.end());
        if (TCustomForm* form = GetParentForm(this)) form->DefocusControl(w, true);
        w->DestroyWnd();
    }
    if (Hovered()[this] == AControl) Hovered()[this] = nullptr;
    if (CaptureControl() == AControl) ReleaseCapture();
    AControl->parent_ = nullptr;
    if (AControl->Align() != alNone) Realign();
    Invalidate();
}

bool TWinControl::ContainsControl(const TControl* Control) const {
    for (const TControl* c = Control; c; c = c->Parent())
        if (c == this) return true;
    return false;
}

TControl* TWinControl::ControlAtPos(const TPoint& Pos, bool AllowDisabled, bool AllowWinControls) {
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
        TControl* c = *it;
        const bool windowed = dynamic_cast<TWinControl*>(c) != nullptr;
        if (windowed && !AllowWinControls) continue;
        if (!c->Visible() || (!c->Enabled() && !AllowDisabled)) continue;
        if (!PtInRect(c->BoundsRect(), Pos)) continue;
        TMessage hit{CM_HITTEST, 0, MakeLParam(Pos.X - c->Left(), Pos.Y - c->Top()), 0};
        c->WindowProc(hit);
        if (hit.Result != 0) return c;
    }
    return nullptr;
}

std::vector<TControl*> TWinControl::AlignList(TAlign Which) const {
    std::vector<TControl*> list;
    for (TControl* c : controls_)
        if (c->Align() == Which && c->Visible()) list.push_back(c);
    // Stacked from the edge they cling to, in their current order along it.
    auto key = [Which](const TControl* c) {
        switch (Which) {
        case alTop: return c->Top();
        case alBottom: return -(c->Top() + c->Height());
        case alLeft: return c->Left();
        case alRight: return -(c->Left() + c->Width());
        default: return 0;
        }
    };
    std::stable_sort(list.begin(), list.end(),
                     [&](const TControl* a, const TControl* b) { return key(a) < key(b); });
    return list;
}

void TWinControl::DoAlign(TAlign Which, TRect& Rect) {
    for (TControl* c : AlignList(Which)) {
        const int w = c->Width();
        const int h = c->Height();
        switch (Which) {
        case alTop:
            c->SetBounds(Rect.Left, Rect.Top, Rect.Width(), h);
            Rect.Top += c->Height();
            break;
        case alBottom:
            c->SetBounds(Rect.Left, Rect.Bottom - h, Rect.Width(), h);
            Rect.Bottom -= c->Height();
            break;
        case alLeft:
            c->SetBounds(Rect.Left, Rect.Top, w, Rect.Height());
            Rect.Left += c->Width();
            break;
        case alRight:
            c->SetBounds(Rect.Right - w, Rect.Top, w, Rect.Height());
            Rect.Right -= c->Width();
            break;
        case alClient: c->SetBounds(Rect.Left, Rect.Top, Rect.Width(), Rect.Height()); break;
        case alNone: break;
        }
    }
}

void TWinControl::AlignControls(TControl*, TRect& Rect) {
    for (TAlign a : {alTop, alBottom, alLeft, alRight, alClient})
        DoAlign(a, Rect);
}

void TWinControl::Realign() {
    if (alignDisabled_ > 0) {
        controlState_.Include(csAlignmentNeeded);
        return;
    }
    if (aligning_) return;
    aligning_ = true;
    try {
        TRect r = ClientRect();
        AlignControls(nullptr, r);
    } catch (...) {
        aligning_ = false;
        throw;
    }
    aligning_ = false;
    controlState_.Exclude(csAlignmentNeeded);
}

void TWinControl::DisableAlign() {
    ++alignDisabled_;
}

void TWinControl::EnableAlign() {
    if (alignDisabled_ > 0 && --alignDisabled_ == 0 && controlState_.Contains(csAlignmentNeeded))
        Realign();
}

HWND TWinControl::Handle() {
    if (!impl_->Handle) {
        if (Parent()) Parent()->HandleNeeded();
        CreateWnd();
    }
    return impl_->Handle;
}

bool TWinControl::HandleAllocated() const {
    return impl_->Handle != 0;
}

void TWinControl::RecreateWnd() {
    if (!HandleAllocated()) return;
    const bool hadFocus = Focused();
    DestroyWnd();
    HandleNeeded();
    if (hadFocus && CanFocus()) SetFocus();
}

void TWinControl::CreateParams(TCreateParams& Params) {
    Params.Caption = GetText();
    Params.X = Left();
    Params.Y = Top();
    Params.Width = Width();
    Params.Height = Height();
    Params.WndParent = Parent() && Parent()->HandleAllocated() ? Parent()->Handle() : 0;
    if (tabStop_) Params.Style |= WS_TABSTOP;
    if (borderStyle_ == bsSingle) {
        if (ctl3D_)
            Params.ExStyle |= WS_EX_CLIENTEDGE;
        else
            Params.Style |= WS_BORDER;
    }
}

void TWinControl::CreateWnd() {
    TCreateParams params;
    CreateParams(params);
    impl_->Handle = RegisterWindow(this);
    impl_->CreateWidget(params);
    controlState_.Include(csCreating);
    Perform(WM_CREATE, 0, 0);
    controlState_.Exclude(csCreating);
    for (TWinControl* child : tabList_)
        if (child->Visible() && !child->HandleAllocated()) child->CreateWnd();
    Realign();
}

void TWinControl::DestroyWnd() {
    for (TWinControl* child : tabList_)
        child->DestroyWnd();
    if (!impl_->Handle) return;
    const HWND handle = impl_->Handle;
    Perform(WM_DESTROY, 0, 0);
    NoteWindowDestroyed(handle);
    UnregisterWindow(handle);
    impl_->Handle = 0;
    impl_->DestroyWidget();
}

int TWinControl::TabOrder() const {
    if (!Parent()) return -1;
    const auto& list = Parent()->tabList_;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TWinControl::SetTabOrder(int Value) {
    if (!Parent()) return;
    auto& list = Parent()->tabList_;
    auto it = std::find(list.begin(), list.end(), this);
    if (it == list.end()) return;
    list.erase(it);
    Value = std::clamp(Value, 0, static_cast<int>(list.size()));
    list.insert(list.begin() + Value, this);
}

void TWinControl::SetTabStop(bool Value) {
    if (tabStop_ == Value) return;
    tabStop_ = Value;
    Perform(CM_TABSTOPCHANGED, 0, 0);
}

std::vector<TWinControl*> TWinControl::TabList() const {
    return tabList_;
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& List) const {
    for (TWinControl* c : tabList_) {
        List.push_back(c);
        c->GetTabOrderList(List);
    }
}

TWinControl* TWinControl::FindNextControl(TWinControl* CurControl, bool GoForward,
                                          bool CheckTabStop, bool CheckParent) const {
    std::vector<TWinControl*> list;
    GetTabOrderList(list);
    if (list.empty()) return nullptr;
    const int n = static_cast<int>(list.size());
    auto found = std::find(list.begin(), list.end(), CurControl);
    int start =
        found == list.end() ? (GoForward ? n - 1 : 0) : static_cast<int>(found - list.begin());
    for (int step = 1; step <= n; ++step) {
        const int i = ((start + (GoForward ? step : -step)) % n + n) % n;
        TWinControl* c = list[static_cast<std::size_t>(i)];
        if (c == CurControl) break;
        if ((!CheckTabStop || c->TabStop()) && (!CheckParent || c->Parent() == this) &&
            c->CanFocus())
            return c;
    }
    return nullptr;
}

void TWinControl::SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop) {
    if (TWinControl* next = FindNextControl(CurControl, GoForward, CheckTabStop, !CheckTabStop))
        next->SetFocus();
}

bool TWinControl::CanFocus() const {
    TCustomForm* form = GetParentForm(this);
    if (!form) return Visible() && Enabled();
    for (const TControl* c = this; c; c = c->Parent())
        if (!c->Visible() || !c->Enabled()) return false;
    return true;
}

bool TWinControl::Focused() const {
    return impl_->Handle != 0 && GetFocus() == impl_->Handle;
}

void TWinControl::SetFocus() {
    if (TCustomForm* form = GetParentForm(this); form && form != this) {
        form->FocusControl(this);
        return;
    }
    if (!CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
    ::SetFocus(Handle());
}

void TWinControl::SetCtl3D(bool Value) {
    if (ctl3D_ == Value) return;
    ctl3D_ = Value;
    RecreateWnd();
}

void TWinControl::SetBorderStyle(TBorderStyle Value) {
    if (borderStyle_ == Value) return;
    borderStyle_ = Value;
    RecreateWnd();
}

int TWinControl::BorderSize() const {
    if (impl_->Handle) return impl_->FrameWidth();
    // Before the window exists, the border its style will give it.
    if (borderStyle_ == bsSingle && !impl_->Native()) return ctl3D_ ? 2 : 1;
    return 0;
}

TRect TWinControl::ClientRect() const {
    const int frame = BorderSize();
    int w = Width() - 2 * frame;
    int h = Height() - 2 * frame;
    if (impl_->Bars[SB_VERT].Visible()) w -= GetSystemMetrics(SM_CXVSCROLL);
    if (impl_->Bars[SB_HORZ].Visible()) h -= GetSystemMetrics(SM_CYHSCROLL);
    return Rect(0, 0, std::max(0, w), std::max(0, h));
}

TPoint TWinControl::ClientOrigin() const {
    return {BorderSize(), BorderSize()};
}

bool TWinControl::PlacedOnScreen() const {
    return impl_->Handle && (impl_->Params.Style & WS_POPUP);
}

bool TWinControl::Showing() const {
    if (!Visible()) return false;
    return Parent() ? Parent()->Showing() : HandleAllocated();
}

void TWinControl::Invalidate() {
    if (impl_->Widget) {
        impl_->EraseNeeded = true;
        impl_->NeedPaint();
        impl_->Widget->update();
    }
}

void TWinControl::Repaint() {
    if (impl_->Widget && Showing()) {
        impl_->EraseNeeded = true;
        impl_->NeedPaint();
        impl_->Widget->repaint();
    }
}

void TWinControl::Update() {
    if (impl_->Widget && Showing() && impl_->PaintNeeded) impl_->Widget->repaint();
}

void TWinControl::SetEnabled(bool Value) {
    if (Enabled() == Value) return;
    if (!Value) LeaveFocus();
    TControl::SetEnabled(Value);
}

void TWinControl::LeaveFocus() {
    TWinControl* focused = FindControl(GetFocus());
    if (!focused || !ContainsControl(focused)) return;
    if (TCustomForm* form = GetParentForm(this); form && form != this)
        form->DefocusControl(this, false);
}

void TWinControl::Resize() {
    if (HandleAllocated())
        Perform(WM_SIZE, SIZE_RESTORED, MakeLParam(ClientWidth(), ClientHeight()));
    else
        Realign();
}

void TWinControl::BoundsChanged() {
    impl_->SyncGeometry();
    // The window's scroll bars stay at its right and bottom edges.
    impl_->SyncScrollBars();
}

void TWinControl::VisibleChanging() {
    if (Visible()) LeaveFocus();
}

void TWinControl::PaintControls() {
    for (TControl* c : controls_) {
        auto* g = dynamic_cast<TGraphicControl*>(c);
        if (!g || !g->Visible()) continue;
        g->PaintOn(impl_->BufferCanvas());
    }
}

void TWinControl::WndProc(TMessage& Message) {
    if (DragTakesMessage(this, Message)) return;
    if (IsMouseMessage(Message.Msg)) {
        // Mouse messages of a windowless child go to it: the one holding the capture, else the
        // one under the mouse.
        const TPoint pos{static_cast<SmallInt>(LoWord(Message.LParam)),
                         static_cast<SmallInt>(HiWord(Message.LParam))};
        TControl* target = CaptureControl();
        if (target && target->Parent() != this) target = nullptr;
        if (!target && !CaptureControl()) target = ControlAtPos(pos, false);
        if (Message.Msg == WM_MOUSEMOVE) {
            TControl*& hovered = Hovered()[this];
            if (hovered != target) {
                if (hovered) hovered->Perform(CM_MOUSELEAVE, 0, 0);
                hovered = target;
                if (target) target->Perform(CM_MOUSEENTER, 0, 0);
            }
        }
        if (target) {
            TMessage m = Message;
            m.LParam = MovedPos(Message.LParam, -target->Left(), -target->Top());
            target->WindowProc(m);
            Message.Result = m.Result;
            return;
        }
    }
    TControl::WndProc(Message);
}

void TWinControl::Dispatch(TMessage& Message) {
    TMessage& m = Message;
    switch (m.Msg) {
    case WM_KEYDOWN: Crack<TWMKey>(m, [&](auto& c) { WMKeyDown(c); }); break;
    case WM_KEYUP: Crack<TWMKey>(m, [&](auto& c) { WMKeyUp(c); }); break;
    case WM_CHAR: Crack<TWMKey>(m, [&](auto& c) { WMChar(c); }); break;
    case WM_SYSKEYDOWN: Crack<TWMKey>(m, [&](auto& c) { WMSysKeyDown(c); }); break;
    case WM_SYSKEYUP: Crack<TWMKey>(m, [&](auto& c) { WMSysKeyUp(c); }); break;
    case WM_SYSCHAR: Crack<TWMKey>(m, [&](auto& c) { WMSysChar(c); }); break;
    case WM_SETFOCUS: Crack<TWMSetFocus>(m, [&](auto& c) { WMSetFocus(c); }); break;
    case WM_KILLFOCUS: Crack<TWMKillFocus>(m, [&](auto& c) { WMKillFocus(c); }); break;
    case WM_GETDLGCODE: Crack<TWMGetDlgCode>(m, [&](auto& c) { WMGetDlgCode(c); }); break;
    case WM_TIMER: Crack<TWMTimer>(m, [&](auto& c) { WMTimer(c); }); break;
    case WM_SIZE: Crack<TWMSize>(m, [&](auto& c) { WMSize(c); }); break;
    case WM_PAINT: Crack<TWMPaint>(m, [&](auto& c) { WMPaint(c); }); break;
    case WM_ERASEBKGND: Crack<TWMEraseBkgnd>(m, [&](auto& c) { WMEraseBkgnd(c); }); break;
    case WM_SETCURSOR: Crack<TWMSetCursor>(m, [&](auto& c) { WMSetCursor(c); }); break;
    case WM_NCHITTEST: Crack<TWMNCHitTest>(m, [&](auto& c) { WMNCHitTest(c); }); break;
    case WM_VSCROLL: Crack<TWMScroll>(m, [&](auto& c) { WMVScroll(c); }); break;
    case WM_HSCROLL: Crack<TWMScroll>(m, [&](auto& c) { WMHScroll(c); }); break;
    case WM_COMMAND: Crack<TWMCommand>(m, [&](auto& c) { WMCommand(c); }); break;
    case WM_CUT: WMCut(m); break;
    case WM_COPY: WMCopy(m); break;
    case WM_PASTE: WMPaste(m); break;
    case WM_CLEAR: WMClear(m); break;
    case CM_ENTER: CMEnter(m); break;
    case CM_EXIT: CMExit(m); break;
    case CM_DIALOGKEY: Crack<TCMDialogKey>(m, [&](auto& c) { CMDialogKey(c); }); break;
    case CM_CHILDKEY: CMChildKey(m); break;
    case CM_WANTSPECIALKEY:
        Crack<TCMWantSpecialKey>(m, [&](auto& c) { CMWantSpecialKey(c); });
        break;
    default: TControl::Dispatch(m); break;
    }
}

void TWinControl::DefaultHandler(TMessage& Message) {
    TMessage& m = Message;
    // Alt+F4 closes the form from any control, as the system menu's close does.
    if (m.Msg == WM_SYSKEYDOWN && m.WParam == VK_F4) {
        if (TCustomForm* form = GetParentForm(this))
            PostMessage(form->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
        return;
    }
    // F10, and Alt pressed and released alone, open the form's menu bar.
    const bool f10 = m.Msg == WM_SYSKEYDOWN && m.WParam == VK_F10 &&
                     !KeyDataToShiftState(static_cast<LongInt>(m.LParam)).Contains(ssShift);
    if (f10 || (m.Msg == WM_SYSKEYUP && m.WParam == VK_MENU && MenuKeyPressedAlone())) {
        if (TCustomForm* form = GetParentForm(this)) form->Perform(WM_SYSCOMMAND, SC_KEYMENU, 0);
        return;
    }
    if (m.Msg == WM_KEYDOWN && m.WParam == VK_F1 &&
        KeyDataToShiftState(static_cast<LongInt>(m.LParam)).Empty()) {
        ShowContextHelp(this);
        return;
    }
    if (impl_->Native() && PassToNative(this, m)) return;
    switch (m.Msg) {
    case WM_ERASEBKGND: {
        TCanvas* canvas = impl_->BufferCanvas();
        canvas->Brush()->SetColor(Color());
        canvas->Brush()->SetStyle(bsSolid);
        canvas->FillRect(ClientRect());
        m.Result = 1;
        break;
    }
    case WM_NCHITTEST: m.Result = HTCLIENT; break;
    case WM_SETCURSOR: {
        TCursor cursor = Cursor();
        if (Screen && Screen->Cursor() != crDefault) cursor = Screen->Cursor();
        if (impl_->Widget && cursor == crDefault)
            impl_->Widget->unsetCursor();
        else if (impl_->Widget)
            impl_->Widget->setCursor(CursorOf(cursor));
        m.Result = 1;
        break;
    }
    case WM_MOUSEWHEEL: m.Result = ScrollByWheel(this, m) ? 1 : 0; break;
    case WM_SYSCHAR:
        // An Alt+key nobody took: the form's menu gets it as a menu key.
        if (TCustomForm* form = GetParentForm(this))
            m.Result = form->Perform(WM_SYSCOMMAND, SC_KEYMENU, static_cast<LPARAM>(m.WParam));
        break;
    default: m.Result = 0; break;
    }
}

bool TWinControl::PreviewKey(TWMKey& Message, TKeyStep Step) {
    TCustomForm* form = GetParentForm(this);
    const auto alive = AliveFlag();
    if (form && form != this && form->KeyPreview() && (form->*Step)(Message)) return true;
    return !*alive || Message.CharCode == 0;
}

void TWinControl::HandleKeyMessage(TWMKey& Message, TKeyStep Step) {
    const auto alive = AliveFlag();
    if (Step && ((this->*Step)(Message) || !*alive)) return;
    TMessage m{Message.Msg, Message.CharCode, Message.KeyData, 0};
    DefaultHandler(m);
    Message.Result = m.Result;
}

bool TWinControl::DoKeyDown(TWMKey& Message) {
    if (PreviewKey(Message, &TWinControl::DoKeyDown)) return true;
    Word key = Message.CharCode;
    KeyDown(key, KeyDataToShiftState(Message.KeyData));
    Message.CharCode = key;
    return key == 0;
}

bool TWinControl::DoKeyUp(TWMKey& Message) {
    if (PreviewKey(Message, &TWinControl::DoKeyUp)) return true;
    Word key = Message.CharCode;
    KeyUp(key, KeyDataToShiftState(Message.KeyData));
    Message.CharCode = key;
    return key == 0;
}

bool TWinControl::DoKeyPress(TWMKey& Message) {
    if (PreviewKey(Message, &TWinControl::DoKeyPress)) return true;
    char c = static_cast<char>(Message.CharCode);
    KeyPress(c);
    Message.CharCode = static_cast<unsigned char>(c);
    return c == 0;
}

void TWinControl::KeyDown(Word& Key, TShiftState Shift) {
    CallEvent(OnKeyDown, this, Key, Shift);
}

void TWinControl::KeyUp(Word& Key, TShiftState Shift) {
    CallEvent(OnKeyUp, this, Key, Shift);
}

void TWinControl::KeyPress(char& Key) {
    CallEvent(OnKeyPress, this, Key);
}

void TWinControl::WMKeyDown(TWMKey& Message) {
    HandleKeyMessage(Message, &TWinControl::DoKeyDown);
}

void TWinControl::WMSysKeyDown(TWMKey& Message) {
    WMKeyDown(Message);
}

void TWinControl::WMKeyUp(TWMKey& Message) {
    HandleKeyMessage(Message, &TWinControl::DoKeyUp);
}

void TWinControl::WMSysKeyUp(TWMKey& Message) {
    WMKeyUp(Message);
}

void TWinControl::WMChar(TWMKey& Message) {
    HandleKeyMessage(Message, &TWinControl::DoKeyPress);
}

void TWinControl::WMSysChar(TWMKey& Message) {
    HandleKeyMessage(Message, nullptr);
}

void TWinControl::WMSetFocus(TWMSetFocus& Message) {
    TMessage m{Message.Msg, Message.FocusedWnd, 0, 0};
    DefaultHandler(m);
    if (TCustomForm* form = GetParentForm(this)) form->SetFocusedControl(this);
}

void TWinControl::WMKillFocus(TWMKillFocus& Message) {
    TMessage m{Message.Msg, Message.FocusedWnd, 0, 0};
    DefaultHandler(m);
}

#define VANTREL_DEFAULT(Name, Type)                                                                \
    void TWinControl::Name(Type& Message) {                                                        \
        TMessage m{Message.Msg, 0, 0, Message.Result};                                             \
        DefaultHandler(m);                                                                         \
        Message.Result = m.Result;                                                                 \
    }

VANTREL_DEFAULT(WMGetDlgCode, TWMGetDlgCode)
VANTREL_DEFAULT(WMEraseBkgnd, TWMEraseBkgnd)
#undef VANTREL_DEFAULT

void TWinControl::WMTimer(TWMTimer& Message) {
    TMessage m{Message.Msg, Message.TimerID, 0, 0};
    DefaultHandler(m);
}

void TWinControl::WMSize(TWMSize& Message) {
    TMessage m{Message.Msg, Message.SizeType, MakeLParam(Message.Width, Message.Height), 0};
    DefaultHandler(m);
    Realign();
}

void TWinControl::WMPaint(TWMPaint& Message) {
    PaintHandler(Message);
}

void TWinControl::PaintHandler(TWMPaint&) {
    PaintControls();
}

void TWinControl::WMSetCursor(TWMSetCursor& Message) {
    // A windowless child under the mouse shows its own cursor.
    if (impl_->Widget && Message.HitTest == HTCLIENT) {
        const QPoint local = impl_->Widget->mapFromGlobal(QCursor::pos()) - impl_->ClientOffset();
        if (TControl* c = ControlAtPos({local.x(), local.y()}, false);
            c && c->Cursor() != crDefault && (!Screen || Screen->Cursor() == crDefault)) {
            impl_->Widget->setCursor(CursorOf(c->Cursor()));
            Message.Result = 1;
            return;
        }
    }
    TMessage m{Message.Msg, Message.CursorWnd, MakeLParam(Message.HitTest, Message.MouseMsg), 0};
    DefaultHandler(m);
    Message.Result = m.Result;
}

void TWinControl::WMNCHitTest(TWMNCHitTest& Message) {
    TMessage m{Message.Msg, 0, MakeLParam(Message.XPos, Message.YPos), 0};
    DefaultHandler(m);
    Message.Result = m.Result;
}

void TWinControl::WMVScroll(TWMScroll& Message) {
    TMessage m{Message.Msg, static_cast<WPARAM>(MakeLParam(Message.ScrollCode, Message.Pos)),
               static_cast<LPARAM>(Message.ScrollBar), 0};
    DefaultHandler(m);
}

void TWinControl::WMHScroll(TWMScroll& Message) {
    TMessage m{Message.Msg, static_cast<WPARAM>(MakeLParam(Message.ScrollCode, Message.Pos)),
               static_cast<LPARAM>(Message.ScrollBar), 0};
    DefaultHandler(m);
}

void TWinControl::WMCommand(TWMCommand& Message) {
    TMessage m{Message.Msg, static_cast<WPARAM>(MakeLParam(Message.ItemID, Message.NotifyCode)),
               static_cast<LPARAM>(Message.Ctl), 0};
    DefaultHandler(m);
    Message.Result = m.Result;
}

void TWinControl::WMCut(TMessage& Message) {
    DefaultHandler(Message);
}
void TWinControl::WMCopy(TMessage& Message) {
    DefaultHandler(Message);
}
void TWinControl::WMPaste(TMessage& Message) {
    DefaultHandler(Message);
}
void TWinControl::WMClear(TMessage& Message) {
    DefaultHandler(Message);
}

void TWinControl::CMEnter(TMessage&) {
    DoEnter();
}

void TWinControl::CMExit(TMessage&) {
    DoExit();
}

void TWinControl::DoEnter() {
    if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
    if (OnExit) OnExit(this);
}

void TWinControl::CMDialogKey(TCMDialogKey& Message) {
    // Offered to every child (a default or cancel button takes Enter or Esc).
    for (TControl* c : std::vector<TControl*>(controls_)) {
        if (!c->Visible() || !c->Enabled()) continue;
        TMessage m{CM_DIALOGKEY, Message.CharCode, Message.KeyData, 0};
        c->WindowProc(m);
        if (m.Result != 0) {
            Message.Result = m.Result;
            return;
        }
    }
    Message.Result = 0;
}

void TWinControl::CMDialogChar(TCMDialogChar& Message) {
    // Offered to every child (a control with the mnemonic takes it).
    for (TControl* c : std::vector<TControl*>(controls_)) {
        if (!c->Visible()) continue;
        TMessage m{CM_DIALOGCHAR, Message.CharCode, Message.KeyData, 0};
        c->WindowProc(m);
        if (m.Result != 0) {
            Message.Result = m.Result;
            return;
        }
    }
    Message.Result = 0;
}

void TWinControl::CMChildKey(TMessage& Message) {
    Message.Result = Parent() ? Parent()->Perform(CM_CHILDKEY, Message.WParam, Message.LParam) : 0;
}

void TWinControl::CMWantSpecialKey(TCMWantSpecialKey& Message) {
    Message.Result = 0;
}

void TWinControl::CMFontChanged(TMessage& Message) {
    TControl::CMFontChanged(Message);
    impl_->ApplyFont();
    for (TControl* c : std::vector<TControl*>(controls_))
        c->Perform(CM_PARENTFONTCHANGED, 0, 0);
}

void TWinControl::CMColorChanged(TMessage& Message) {
    TControl::CMColorChanged(Message);
    for (TControl* c : std::vector<TControl*>(controls_))
        c->Perform(CM_PARENTCOLORCHANGED, 0, 0);
}

void TWinControl::CMEnabledChanged(TMessage& Message) {
    TControl::CMEnabledChanged(Message);
    if (impl_->Widget) impl_->Widget->setEnabled(Enabled());
}

void TWinControl::CMVisibleChanged(TMessage& Message) {
    TControl::CMVisibleChanged(Message);
    if (Visible() && !HandleAllocated() && Parent() && Parent()->HandleAllocated()) HandleNeeded();
    impl_->SyncVisible();
}

void TWinControl::CMTextChanged(TMessage& Message) {
    TControl::CMTextChanged(Message);
}

// ============================================================================================
// TCustomControl and TGraphicControl

TCustomControl::TCustomControl(TComponent* AOwner) : TWinControl(AOwner) {}

TCustomControl::~TCustomControl() = default;

TCanvas* TCustomControl::Canvas() {
    HandleNeeded();
    TWinControlImpl* impl = Impl();
    // Drawn outside a paint (a rubber band, say), the buffer is shown again as it is, without
    // the control painting anew.
    if (!impl->Painting && impl->Widget) impl->Widget->update();
    return impl->BufferCanvas();
}

void TCustomControl::WMPaint(TWMPaint& Message) {
    TCanvas* canvas = Canvas();
    canvas->Font()->Assign(Font());
    canvas->Brush()->SetColor(Color());
    Paint();
    TWinControl::WMPaint(Message);
}

TGraphicControl::TGraphicControl(TComponent* AOwner) : TControl(AOwner) {}

TGraphicControl::~TGraphicControl() = default;

TCanvas* TGraphicControl::Canvas() {
    if (canvas_) return canvas_;
    if (!Parent()) throw EInvalidOperation("Control '%s' has no parent window", {Name()});
    Parent()->HandleNeeded();
    TWinControlImpl* parent = Parent()->Impl();
    if (!ownCanvas_) ownCanvas_ = std::make_unique<TImageCanvas>();
    auto* canvas = static_cast<TImageCanvas*>(ownCanvas_.get());
    canvas->SetImage(&parent->Buffer());
    HDC dc = canvas->Handle();
    SelectClipRect(dc, nullptr);
    SetViewportOrgEx(dc, Left(), Top(), nullptr);
    IntersectClipRect(dc, 0, 0, Width(), Height());
    // The drawing shows with the next paint of the screen.
    if (parent->Widget) parent->Widget->update();
    return canvas;
}

void TGraphicControl::PaintOn(TCanvas* ParentCanvas) {
    HDC dc = ParentCanvas->Handle();
    const int saved = SaveDC(dc);
    SetViewportOrgEx(dc, Left(), Top(), nullptr);
    IntersectClipRect(dc, 0, 0, Width(), Height());
    canvas_ = ParentCanvas;
    ParentCanvas->Font()->Assign(Font());
    ParentCanvas->Brush()->SetColor(Color());
    try {
        Paint();
    } catch (...) {
        canvas_ = nullptr;
        RestoreDC(dc, saved);
        throw;
    }
    canvas_ = nullptr;
    RestoreDC(dc, saved);
    ParentCanvas->Refresh();
}
