#include "controls/entry/SpinButton.h"

#include "controls/entry/CommandTables.h"
#include "controls/entry/EntryExceptions.h"
#include "controls/entry/EntryField.h"
#include "controls/entry/EntryText.h"
#include "controls/entry/EntryWindowMessages.h"
#include "controls/entry/MessageTables.h"
#include "platform/gui/Forms.h"
#include "platform/gui/WinGdi.h"
#include "platform/gui/WinUser.h"

#include <algorithm>

namespace {

constexpr int MsgAlreadyAttached = 34237;
constexpr std::uintptr_t RepeatTimer = 1;
// The shortest period a window timer takes.
constexpr LongInt MinTimerPeriod = 10;

// Directions of the arrows.
enum { arUp, arDown, arLeft, arRight };

// The triangle of an arrow pointing in a direction, of size s (odd), centred in r.
std::vector<TPoint> ArrowPoints(const TRect& r, int s, int direction) {
    const int cx = r.Left + (r.Width() - 1) / 2;
    const int cy = r.Top + (r.Height() - 1) / 2;
    const int half = s / 2;
    const int depth = (s + 1) / 2;
    switch (direction) {
    case arUp: {
        const int top = cy - depth / 2;
        return {{cx, top}, {cx - half, top + half}, {cx + half, top + half}};
    }
    case arDown: {
        const int top = cy - depth / 2;
        return {{cx - half, top}, {cx + half, top}, {cx, top + half}};
    }
    case arLeft: {
        const int left = cx - depth / 2;
        return {{left, cy}, {left + half, cy - half}, {left + half, cy + half}};
    }
    default: {
        const int left = cx - depth / 2;
        return {{left, cy - half}, {left, cy + half}, {left + half, cy}};
    }
    }
}

} // namespace

TVcBaseSpinner::TVcBaseSpinner(TComponent* AOwner) : TVcBase(AOwner) {
    SetBounds(Left(), Top(), 15, 25);
}

TVcBaseSpinner::~TVcBaseSpinner() {
    Unhook();
}

void TVcBaseSpinner::SetAcceleration(Byte Value) {
    if (Value <= 10) acceleration_ = Value;
}

void TVcBaseSpinner::SetFocusedControl(TWinControl* Value) {
    if (focused_ == Value) return;
    focused_ = Value;
    if (Value) Value->FreeNotification(this);
}

void TVcBaseSpinner::SetForceOddSize(bool Value) {
    if (forceOddSize_ == Value) return;
    forceOddSize_ = Value;
    SetBounds(Left(), Top(), Width(), Height());
}

void TVcBaseSpinner::SetPosition(TVcSpinnerPosition Value) {
    if (position_ == Value) return;
    position_ = Value;
    PlaceSpinner();
}

void TVcBaseSpinner::SetSeparation(int Value) {
    if (separation_ == Value) return;
    separation_ = Value;
    PlaceSpinner();
}

void TVcBaseSpinner::SetAttachedControl(TWinControl* Value) {
    if (attached_ == Value) return;
    Unhook();
    if (Value) {
        const LRESULT other = Value->Perform(VCM_GETSPINNER, 0, 0);
        if (other != 0) {
            auto* spinner = reinterpret_cast<TVcBaseSpinner*>(other);
            throw EVcException(GetVcString(MsgAlreadyAttached), {spinner->Name()});
        }
    }
    attached_ = Value;
    if (!Value) return;
    Value->FreeNotification(this);
    if (!focused_) SetFocusedControl(Value);
    Hook();
    PlaceSpinner();
}

void TVcBaseSpinner::Notification(TComponent* AComponent, TOperation Operation) {
    TVcBase::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (AComponent == attached_) {
        // The control is being freed: its window procedure is gone with it, nothing to put back.
        hooked_ = false;
        previousProc_ = nullptr;
        attached_ = nullptr;
    }
    if (AComponent == focused_) focused_ = nullptr;
}

// ---- Geometry

TRect TVcBaseSpinner::FirstButtonRect() const {
    if (orientation_ == soVertical) return Rect(0, 0, Width(), Height() / 2);
    return Rect(0, 0, Width() / 2, Height());
}

TRect TVcBaseSpinner::SecondButtonRect() const {
    if (orientation_ == soVertical) return Rect(0, Height() / 2, Width(), Height());
    return Rect(Width() / 2, 0, Width(), Height());
}

void TVcBaseSpinner::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    const bool vertical = orientation_ == soVertical;
    AWidth = std::max(AWidth, vertical ? MinButtonSize : 2 * MinButtonSize);
    AHeight = std::max(AHeight, vertical ? 2 * MinButtonSize : MinButtonSize);
    if (forceOddSize_ && AWidth % 2 == 0) ++AWidth;
    TVcBase::SetBounds(ALeft, ATop, AWidth, AHeight);
    if (attachTwoWay_) PlaceAttachedControl();
}

void TVcBaseSpinner::PlaceSpinner() {
    if (!attached_ || placing_) return;
    placing_ = true;
    const TRect c = attached_->BoundsRect();
    switch (position_) {
    case TVcSpinnerPosition::scRight:
        TVcBase::SetBounds(c.Right + separation_, c.Top, Width(), c.Height());
        break;
    case TVcSpinnerPosition::scLeft:
        TVcBase::SetBounds(c.Left - Width() - separation_, c.Top, Width(), c.Height());
        break;
    case TVcSpinnerPosition::scTop:
        TVcBase::SetBounds(c.Left, c.Top - Height() - separation_, c.Width(), Height());
        break;
    case TVcSpinnerPosition::scBottom:
        TVcBase::SetBounds(c.Left, c.Bottom + separation_, c.Width(), Height());
        break;
    }
    placing_ = false;
}

void TVcBaseSpinner::PlaceAttachedControl() {
    if (!attached_ || placing_) return;
    placing_ = true;
    const TRect s = BoundsRect();
    const TRect c = attached_->BoundsRect();
    switch (position_) {
    case TVcSpinnerPosition::scRight:
        attached_->SetBounds(s.Left - separation_ - c.Width(), s.Top, c.Width(), s.Height());
        break;
    case TVcSpinnerPosition::scLeft:
        attached_->SetBounds(s.Right + separation_, s.Top, c.Width(), s.Height());
        break;
    case TVcSpinnerPosition::scTop:
        attached_->SetBounds(s.Left, s.Bottom + separation_, s.Width(), c.Height());
        break;
    case TVcSpinnerPosition::scBottom:
        attached_->SetBounds(s.Left, s.Top - separation_ - c.Height(), s.Width(), c.Height());
        break;
    }
    placing_ = false;
}

// ---- Hook on the attached control

void TVcBaseSpinner::Hook() {
    if (!attached_ || hooked_) return;
    previousProc_ = attached_->WindowProc;
    attached_->WindowProc = [this](TMessage& m) { AttachedMessage(m); };
    hooked_ = true;
}

void TVcBaseSpinner::Unhook() {
    if (!hooked_) return;
    hooked_ = false;
    if (attached_) attached_->WindowProc = std::move(previousProc_);
    previousProc_ = nullptr;
}

void TVcBaseSpinner::AttachedMessage(TMessage& Message) {
    if (Message.Msg == VCM_GETSPINNER) {
        Message.Result = reinterpret_cast<LRESULT>(this);
        return;
    }
    // The saved procedure may be replaced while it runs (the control's window going away).
    const TWndMethod previous = previousProc_;
    if (previous) previous(Message);
    switch (Message.Msg) {
    case WM_MOVE:
    case WM_SIZE: PlaceSpinner(); break;
    case WM_DESTROY:
        Unhook();
        if (!ComponentState().Contains(csDestroying) && HandleAllocated())
            PostMessage(Handle(), VCM_REATTACH, 0, 0);
        break;
    default: break;
    }
}

void TVcBaseSpinner::Dispatch(TMessage& Message) {
    if (Message.Msg == VCM_REATTACH) {
        Hook();
        PlaceSpinner();
        return;
    }
    TVcBase::Dispatch(Message);
}

// ---- Mouse and repeat

Byte TVcBaseSpinner::StateAt(const TPoint& Point) const {
    if (!PtInRect(ClientRect(), Point)) return ssOutside;
    if (!pressed_ || !PtInRect(pressedRect_, Point)) return ssOver;
    return pressedState_;
}

bool TVcBaseSpinner::TakeFocus() {
    if (!Focused()) {
        if (!CanFocus()) return false;
        SetFocus();
        Application->ProcessMessages();
        if (!Focused()) return false;
    }
    if (focused_ && focused_ != this && focused_->CanFocus()) focused_->SetFocus();
    return true;
}

void TVcBaseSpinner::WMLButtonDown(TWMMouse& Message) {
    TVcBase::WMLButtonDown(Message);
    if (pressed_ || !TakeFocus()) return;
    const TPoint p = Message.Pos();
    const bool first = PtInRect(FirstButtonRect(), p);
    pressedRect_ = first ? FirstButtonRect() : SecondButtonRect();
    if (orientation_ == soVertical)
        pressedState_ = first ? ssUpButton : ssDownButton;
    else
        pressedState_ = first ? ssLeftButton : ssRightButton;
    pressed_ = true;
    state_ = pressedState_;
    SetMouseCapture(true);
    Invalidate();
    repeatCount_ = 0;
    nextRepeat_ = GetTickCount() - 1;
    Step();
}

void TVcBaseSpinner::WMMouseMove(TWMMouse& Message) {
    TVcBase::WMMouseMove(Message);
    const Byte state = StateAt(Message.Pos());
    if (state == state_) return;
    state_ = state;
    if (!pressed_) return;
    Invalidate();
    // Back on the held button: a step that fell due meanwhile is made now.
    if (state == pressedState_ && autoRepeat_) Step();
}

void TVcBaseSpinner::WMLButtonUp(TWMMouse& Message) {
    TVcBase::WMLButtonUp(Message);
    Release();
}

void TVcBaseSpinner::Release() {
    StopRepeat();
    if (MouseCapture()) SetMouseCapture(false);
    if (!pressed_) return;
    pressed_ = false;
    state_ = ssOver;
    Invalidate();
}

void TVcBaseSpinner::WMTimer(TWMTimer& Message) {
    if (Message.TimerID != RepeatTimer) return TVcBase::WMTimer(Message);
    if (!pressed_ || GetKeyState(PrimaryMouseButton()) >= 0) return Release();
    if (autoRepeat_) Step();
}

void TVcBaseSpinner::ScheduleRepeat(LongInt Delay) {
    if (!HandleAllocated()) return;
    SetTimer(Handle(), RepeatTimer, static_cast<UINT>(std::max(Delay, MinTimerPeriod)));
    repeating_ = true;
}

void TVcBaseSpinner::StopRepeat() {
    if (repeating_ && HandleAllocated()) KillTimer(Handle(), RepeatTimer);
    repeating_ = false;
}

void TVcBaseSpinner::DestroyWnd() {
    StopRepeat();
    pressed_ = false;
    TVcBase::DestroyWnd();
}

TVcBaseEntryField* TVcBaseSpinner::FocusedField() const {
    return dynamic_cast<TVcBaseEntryField*>(focused_);
}

void TVcBaseSpinner::Step() {
    TVcBaseEntryField* field = FocusedField();
    if (!pressed_ || (!OnClick && !field)) return;
    if (state_ < ssUpButton) return; // off the pressed button: stepping pauses
    const DWORD now = GetTickCount();
    if (static_cast<LongInt>(now - nextRepeat_) < 0) return;
    const Byte state = state_;
    if (OnClick) OnClick(this, state, delta_, wrapMode_);
    if (field) {
        switch (state) {
        case ssUpButton: field->IncreaseValue(wrapMode_, delta_); break;
        case ssDownButton: field->DecreaseValue(wrapMode_, delta_); break;
        case ssLeftButton: field->DoCommand(ccLeft); break;
        default: field->DoCommand(ccRight); break;
        }
    }
    const LongInt delay =
        std::max<LongInt>(0, RepeatDelay - LongInt(acceleration_) * 10 * repeatCount_);
    nextRepeat_ = now + static_cast<DWORD>(delay);
    // Once the delay is down to nothing the count stops growing.
    if (delay > 0) ++repeatCount_;
    if (pressed_ && autoRepeat_) ScheduleRepeat(delay);
}

// ---- Drawing

void TVcBaseSpinner::DrawButton(TCanvas* Canvas, const TRect& Rect, bool Down, int Direction) {
    TRect r = Rect;
    Canvas->Brush()->SetColor(clBtnFace);
    Canvas->FillRect(r);
    DrawEdge(Canvas->Handle(), &r, Down ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    if (!showArrows_) return;
    int s = std::min(Rect.Width(), Rect.Height()) / 2;
    if (s % 2 == 0) --s;
    s = std::max(s, 1);
    TRect face = Rect;
    if (Down) face = Bounds(Rect.Left + 1, Rect.Top + 1, Rect.Width(), Rect.Height());
    const TColor arrow = Enabled() ? clBtnText : clGrayText;
    Canvas->Brush()->SetColor(arrow);
    Canvas->Pen()->SetColor(arrow);
    Canvas->Polygon(ArrowPoints(face, s, Direction));
}

void TVcBaseSpinner::Paint() {
    TCanvas* canvas = Canvas();
    const bool vertical = orientation_ == soVertical;
    const bool firstDown = pressed_ && state_ == (vertical ? ssUpButton : ssLeftButton);
    const bool secondDown = pressed_ && state_ == (vertical ? ssDownButton : ssRightButton);
    DrawButton(canvas, FirstButtonRect(), firstDown, vertical ? arUp : arLeft);
    DrawButton(canvas, SecondButtonRect(), secondDown, vertical ? arDown : arRight);
}

// ---- TVcSpinner

TVcSpinner::TVcSpinner(TComponent* AOwner) : TVcBaseSpinner(AOwner) {}

void TVcSpinner::SetOrientation(TVcSpinnerOrientation Value) {
    if (orientation_ == Value) return;
    orientation_ = Value;
    if (!ComponentState().Contains(csLoading)) SetBounds(Left(), Top(), Height(), Width());
    if (HandleAllocated()) RecreateWnd();
}

void TVcSpinner::SetShowArrows(bool Value) {
    if (showArrows_ == Value) return;
    showArrows_ = Value;
    Invalidate();
}

void TVcSpinner::SetStyle(Byte Value) {
    if (style_ == Value) return;
    style_ = Value;
    Invalidate();
}
