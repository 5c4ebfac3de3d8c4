// The spin button: a pair of arrow buttons that step the value of an entry field (vertical) or
// move its caret (horizontal) while the mouse button is held on one of them, repeating faster
// the longer it is held. A spinner may be attached to a control so that it stays at one of its
// sides.
#pragma once

#include "controls/entry/EntryController.h"

#include <functional>
#include <string>

class TVcBaseEntryField;

// A control answers the spinner attached to it (0 when none): the spinner's address.
// (VCM_GETSPINNER, 0x7F04, in EntryWindowMessages.h.)
// The spinner asks itself to hook its attached control again after the control's window went.
constexpr UINT VCM_REATTACH = 0x7F05;

// Scoped: the scroll codes of the standard controls take the same names.
enum class TVcSpinnerPosition : Byte { scRight, scLeft, scTop, scBottom };
enum TVcSpinnerOrientation : Byte { soVertical, soHorizontal };

// Where the mouse is: outside, over the spinner but on no pressed button, or on a button.
enum : Byte {
    ssOutside = 0,
    ssOver = 1,
    ssUpButton = 2,
    ssDownButton = 3,
    ssLeftButton = 4,
    ssRightButton = 5
};

using TVcSpinClickEvent = std::function<void(TObject* Sender, Byte State, double Delta, bool Wrap)>;

class TVcBaseSpinner : public TVcBase {
    VANTREL_CLASS(TVcBaseSpinner, TVcBase)

    // The first repeat comes this long after the first step; each following one
    // Acceleration x 10 ms sooner than the one before.
    static constexpr LongInt RepeatDelay = 500;
    static constexpr int MinButtonSize = 6;

    explicit TVcBaseSpinner(TComponent* AOwner);
    ~TVcBaseSpinner() override;

    // 0..10; other values are ignored.
    Byte Acceleration() const { return acceleration_; }
    void SetAcceleration(Byte Value);
    TWinControl* AttachedControl() const { return attached_; }
    // Raises EVcException "This control is already attached to <name>" when another spinner
    // sticks to the control.
    void SetAttachedControl(TWinControl* Value);
    bool AttachTwoWay() const { return attachTwoWay_; }
    void SetAttachTwoWay(bool Value) { attachTwoWay_ = Value; }
    bool AutoRepeat() const { return autoRepeat_; }
    void SetAutoRepeat(bool Value) { autoRepeat_ = Value; }
    double Delta() const { return delta_; }
    void SetDelta(double Value) { delta_ = Value; }
    // The control that receives the steps; the attached control unless set.
    TWinControl* FocusedControl() const { return focused_; }
    void SetFocusedControl(TWinControl* Value);
    bool ForceOddSize() const { return forceOddSize_; }
    void SetForceOddSize(bool Value);
    TVcSpinnerPosition Position() const { return position_; }
    void SetPosition(TVcSpinnerPosition Value);
    int Separation() const { return separation_; }
    void SetSeparation(int Value);
    bool WrapMode() const { return wrapMode_; }
    void SetWrapMode(bool Value) { wrapMode_ = Value; }

    // The spin state under the mouse (the State passed to OnClick) and whether a button is held.
    Byte State() const { return state_; }
    bool Pressed() const { return pressed_; }
    // The rectangles of the upper (left) and lower (right) buttons.
    TRect FirstButtonRect() const;
    TRect SecondButtonRect() const;

    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

    TVcSpinClickEvent OnClick;

protected:
    TVcSpinnerOrientation orientation_ = soVertical;
    bool showArrows_ = true;
    Byte style_ = 0;

    void Paint() override;
    void Dispatch(TMessage& Message) override;
    void WMLButtonDown(TWMMouse& Message) override;
    void WMLButtonUp(TWMMouse& Message) override;
    void WMMouseMove(TWMMouse& Message) override;
    void WMTimer(TWMTimer& Message) override;
    void DestroyWnd() override;
    // Places the attached control next to the spinner (both-way attachment).
    void PlaceAttachedControl();

private:
    Byte StateAt(const TPoint& Point) const;
    bool TakeFocus();
    void Release();
    void Step();
    void ScheduleRepeat(LongInt Delay);
    void StopRepeat();
    TVcBaseEntryField* FocusedField() const;
    void Hook();
    void Unhook();
    // The hook on the attached control's messages.
    void AttachedMessage(TMessage& Message);
    // Places the spinner at its side of the attached control.
    void PlaceSpinner();
    void DrawButton(TCanvas* Canvas, const TRect& Rect, bool Down, int Direction);

    Byte acceleration_ = 5;
    TWinControl* attached_ = nullptr;
    bool attachTwoWay_ = false;
    bool autoRepeat_ = true;
    double delta_ = 1.0;
    TWinControl* focused_ = nullptr;
    bool forceOddSize_ = false;
    TVcSpinnerPosition position_ = TVcSpinnerPosition::scRight;
    int separation_ = 1;
    bool wrapMode_ = true;

    Byte state_ = ssOutside;
    Byte pressedState_ = ssOutside;
    bool pressed_ = false;
    TRect pressedRect_;
    int repeatCount_ = 0;
    DWORD nextRepeat_ = 0;
    bool repeating_ = false;
    bool hooked_ = false;
    bool placing_ = false;
    TWndMethod previousProc_;
};

class TVcSpinner : public TVcBaseSpinner {
    VANTREL_CLASS(TVcSpinner, TVcBaseSpinner)

    explicit TVcSpinner(TComponent* AOwner);

    TVcSpinnerOrientation Orientation() const { return orientation_; }
    // Swaps width and height (not while loading).
    void SetOrientation(TVcSpinnerOrientation Value);
    bool ShowArrows() const { return showArrows_; }
    void SetShowArrows(bool Value);
    Byte Style() const { return style_; }
    void SetStyle(Byte Value);
};
