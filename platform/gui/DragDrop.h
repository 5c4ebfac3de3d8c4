// Drag and drop between the program's own controls.
//
// A drag starts when the left button goes down on a control in dmAutomatic mode, or when code
// calls BeginDrag; OnStartDrag fires first and may hand over a drag object of its own. A drag
// that did not start at once waits until the mouse has moved DragThreshold pixels; a release
// before that ends it at once. While a drag runs it holds the mouse: the source's window takes
// the mouse capture, and every mouse message that reaches any control goes to the drag instead
// of the control. On each move the drag finds the enabled control under the mouse in the
// program's windows (a windowless one first, inside windowed ones) and asks it through CM_DRAG:
// dmDragEnter when the mouse comes over it, dmDragMove while it stays, dmDragLeave when it goes
// (each answered by the control's OnDragOver; a control without one refuses). The cursor shows
// the drag object's cursor: the source's DragCursor over a control that takes the drop, crNoDrop
// elsewhere. Releasing the button drops on the control under the mouse when it takes the drop
// (dmDragDrop, its OnDragDrop) and otherwise tells it dmDragLeave. Escape, EndDrag(false) or
// another window taking the mouse capture end the drag without a drop. Keys typed while a drag
// runs go to the drag only.
//
// Every drag ends with one OnEndDrag of its source: with the control that took the drop and the
// position in that control's client coordinates, or with nullptr and the position in the
// source's client coordinates.
//
// Promises: the drag's own state (capture, cursor) is cleared before the drop and end events
// run, so their handlers may show a message box or start another drag; a handler may free the
// source or the target: no handler of a freed control is called, and a drag whose source is
// freed ends without events.
#pragma once

#include "platform/gui/Controls.h"

// Pixels the mouse moves, along either axis, before a drag that waits for it starts.
constexpr int DragThreshold = 5;

// What is being dragged and the cursor it shows.
class TDragObject : public TObject {
    VANTREL_CLASS(TDragObject, TObject)

    TDragObject() = default;
    // The cursor to show with the mouse at (X, Y) on the screen, over a control that takes
    // the drop (Accepted) or not: crDrag or crNoDrop.
    virtual TCursor GetDragCursor(bool Accepted, int X, int Y);
};

// The drag object a drag makes for its source when OnStartDrag hands none over; the control is
// then the source the targets see.
class TDragControlObject : public TDragObject {
    VANTREL_CLASS(TDragControlObject, TDragObject)

    explicit TDragControlObject(TControl* AControl) : control_(AControl) {}
    TControl* Control() const { return control_; }
    // The control's DragCursor, or crNoDrop.
    TCursor GetDragCursor(bool Accepted, int X, int Y) override;

private:
    TControl* control_;
};

// CM_DRAG: WParam is the step (a TDragMessage), LParam the TDragRec.
constexpr UINT CM_DRAG = CM_BASE + 47;
enum TDragMessage { dmDragEnter, dmDragLeave, dmDragMove, dmDragDrop };

struct TDragRec {
    TPoint Pos;       // the mouse, in screen coordinates
    TObject* Source;  // the dragged control or the drag object OnStartDrag handed over
    TControl* Target; // the control asked
};

struct TCMDrag {
    UINT Msg = 0;
    TDragMessage DragMessage = dmDragEnter;
    TDragRec* DragRec = nullptr;
    LRESULT Result = 0;
    static TCMDrag From(const TMessage& m) {
        return {m.Msg, static_cast<TDragMessage>(m.WParam), reinterpret_cast<TDragRec*>(m.LParam),
                m.Result};
    }
    void To(TMessage& m) const { m.Result = Result; }
};

// The control under a screen point in the program's windows that a drag would ask, or nullptr
// (no window of the program there, or input to it refused while another form is modal).
TControl* FindDragTarget(const TPoint& Pos);

// ---- Internal to the layer ----

// The mouse message's position (client coordinates of Control) is where the mouse is now.
void NoteMousePosition(const TControl* Control, LPARAM Pos);
// While a drag runs: a mouse message for Control goes to the drag (true: the control does not
// see it), and WM_CANCELMODE at the window holding the drag's capture ends the drag (true: the
// window had no mode of its own while the drag held its mouse).
bool DragTakesMessage(TControl* Control, TMessage& Message);
// While a drag runs: Escape going down ends it without a drop; every key belongs to the drag
// (true).
bool DragTakesKey(Word VirtualKey, bool Press);
// A control is being freed: a drag forgets it as a target, and ends without events when it is
// the source.
void DragControlFreed(const TControl* Control);
