#include "platform/gui/DragDrop.h"

#include "platform/gui/QtBridge.h"
#include "platform/gui/WinUser.h"

#include <QApplication>

#include <cstdlib>
#include <memory>

// The drag under way and the steps it goes through. Every step that calls a handler checks
// afterwards that its drag still runs, since the handler may have ended it (or started another).
class TDragDriver {
public:
    struct TDrag {
        unsigned Number = 0;
        TControl* Source = nullptr;
        TDragObject* Object = nullptr;
        std::unique_ptr<TDragControlObject> OwnObject;
        TObject* SourceSeen = nullptr; // what the targets get as the source
        HWND CaptureWnd = 0;
        bool Started = false;
        TPoint StartPos{};
        TPoint Pos{};
        TControl* Target = nullptr;
        bool Accepted = false;
        bool CursorShown = false;
    };

    static std::unique_ptr<TDrag>& Current() {
        static std::unique_ptr<TDrag> drag;
        return drag;
    }
    static TPoint& MousePos() {
        static TPoint pos{};
        return pos;
    }

    static void Begin(TControl* Source, bool Immediate);
    static void MoveTo(const TPoint& Pos);
    static void Finish(bool Drop);
    static void Forget(const TControl* Control);

private:
    static bool Running(unsigned Number) { return Current() && Current()->Number == Number; }
    // Asks Target one step; true when it takes the drop.
    static bool Ask(TControl* Target, TDragMessage Step, const TDrag& Drag) {
        TDragRec rec{Drag.Pos, Drag.SourceSeen, Target};
        return Target->Perform(CM_DRAG, Step, reinterpret_cast<LPARAM>(&rec)) != 0;
    }
    static void ShowCursor(TDrag& Drag);
    // Gives back the cursor and the capture.
    static void Release(TDrag& Drag);
};

// ============================================================================================
// Drag objects

TCursor TDragObject::GetDragCursor(bool Accepted, int, int) {
    return Accepted ? crDrag : crNoDrop;
}

TCursor TDragControlObject::GetDragCursor(bool Accepted, int, int) {
    return Accepted ? control_->DragCursor() : crNoDrop;
}

// ============================================================================================
// The driver

void TDragDriver::Begin(TControl* Source, bool Immediate) {
    if (Current()) return;
    static unsigned count = 0;
    TDragObject* object = nullptr;
    const auto alive = Source->AliveFlag();
    Source->DoStartDrag(object);
    if (!*alive || Current()) return;
    auto drag = std::make_unique<TDrag>();
    drag->Number = ++count;
    drag->Source = Source;
    drag->StartPos = drag->Pos = MousePos();
    if (object) {
        drag->SourceSeen = object;
    } else {
        drag->OwnObject = std::make_unique<TDragControlObject>(Source);
        object = drag->OwnObject.get();
        drag->SourceSeen = Source;
    }
    drag->Object = object;
    Current() = std::move(drag);
    Source->SetMouseCapture(true);
    Current()->CaptureWnd = GetCapture();
    if (!Immediate) return;
    Current()->Started = true;
    MoveTo(Current()->Pos);
}

void TDragDriver::MoveTo(const TPoint& Pos) {
    TDrag& drag = *Current();
    const unsigned number = drag.Number;
    drag.Pos = Pos;
    if (!drag.Started) {
        if (std::abs(Pos.X - drag.StartPos.X) < DragThreshold &&
            std::abs(Pos.Y - drag.StartPos.Y) < DragThreshold)
            return;
        drag.Started = true;
    }
    TControl* target = FindDragTarget(Pos);
    bool accepted = false;
    if (target != drag.Target) {
        TControl* left = drag.Target;
        drag.Target = nullptr;
        drag.Accepted = false;
        if (left) Ask(left, dmDragLeave, drag);
        if (!Running(number)) return;
        drag.Target = target;
        if (target) accepted = Ask(target, dmDragEnter, drag);
    } else if (target) {
        accepted = Ask(target, dmDragMove, drag);
    }
    if (!Running(number)) return;
    // A target freed by its own handler is forgotten and takes nothing.
    drag.Accepted = accepted && drag.Target == target && target;
    ShowCursor(drag);
}

void TDragDriver::ShowCursor(TDrag& Drag) {
    if (!QGuiApplication::instance()) return;
    const QCursor cursor =
        CursorOf(Drag.Object->GetDragCursor(Drag.Accepted, Drag.Pos.X, Drag.Pos.Y));
    if (Drag.CursorShown) {
        QGuiApplication::changeOverrideCursor(cursor);
    } else {
        QGuiApplication::setOverrideCursor(cursor);
        Drag.CursorShown = true;
    }
}

void TDragDriver::Release(TDrag& Drag) {
    if (Drag.CursorShown && QGuiApplication::instance()) QGuiApplication::restoreOverrideCursor();
    Drag.CursorShown = false;
    if (Drag.CaptureWnd != 0 && GetCapture() == Drag.CaptureWnd) ReleaseCapture();
}

void TDragDriver::Finish(bool Drop) {
    const std::unique_ptr<TDrag> drag = std::move(Current());
    Release(*drag);
    TControl* source = drag->Source;
    const auto sourceAlive = source->AliveFlag();
    TControl* target = drag->Started ? drag->Target : nullptr;
    const bool dropped = Drop && target && drag->Accepted;
    std::shared_ptr<const bool> targetAlive;
    if (target) {
        targetAlive = target->AliveFlag();
        Ask(target, dropped ? dmDragDrop : dmDragLeave, *drag);
    }
    if (!*sourceAlive) return;
    TControl* taken = dropped && *targetAlive ? target : nullptr;
    const TPoint p = (taken ? taken : source)->ScreenToClient(drag->Pos);
    source->DoEndDrag(taken, p.X, p.Y);
}

void TDragDriver::Forget(const TControl* Control) {
    std::unique_ptr<TDrag>& drag = Current();
    if (!drag) return;
    if (drag->Target == Control) {
        drag->Target = nullptr;
        drag->Accepted = false;
    }
    if (drag->Source != Control) return;
    Release(*drag);
    drag.reset();
}

// ============================================================================================
// Finding the target

TControl* FindDragTarget(const TPoint& Pos) {
    if (!QApplication::instance()) return nullptr;
    QWidget* top = QApplication::topLevelAt(QPoint(Pos.X, Pos.Y));
    TWinControl* window = top ? ControlOfWidget(top) : nullptr;
    if (!window || !window->Enabled() || !InputAllowed(window)) return nullptr;
    TControl* found = window;
    while (auto* windowed = dynamic_cast<TWinControl*>(found)) {
        TControl* child = windowed->ControlAtPos(windowed->ScreenToClient(Pos), false, true);
        if (!child) break;
        found = child;
    }
    return found;
}

// ============================================================================================
// The layer's hooks

void NoteMousePosition(const TControl* Control, LPARAM Pos) {
    TDragDriver::MousePos() = Control->ClientToScreen(
        {static_cast<SmallInt>(LoWord(Pos)), static_cast<SmallInt>(HiWord(Pos))});
}

bool DragTakesMessage(TControl* Control, TMessage& Message) {
    const auto& drag = TDragDriver::Current();
    if (!drag) return false;
    if (Message.Msg == WM_CANCELMODE) {
        auto* window = dynamic_cast<TWinControl*>(Control);
        if (!window || !window->HandleAllocated() || window->Handle() != drag->CaptureWnd)
            return false;
        TDragDriver::Finish(false);
        return true;
    }
    if (!IsMouseMessage(Message.Msg)) return false;
    NoteMousePosition(Control, Message.LParam);
    const TPoint pos = TDragDriver::MousePos();
    Message.Result = 0;
    if (Message.Msg == WM_MOUSEMOVE) {
        TDragDriver::MoveTo(pos);
    } else if (Message.Msg == WM_LBUTTONUP) {
        drag->Pos = pos;
        TDragDriver::Finish(true);
    }
    return true;
}

bool DragTakesKey(Word VirtualKey, bool Press) {
    if (!TDragDriver::Current()) return false;
    if (Press && VirtualKey == VK_ESCAPE) TDragDriver::Finish(false);
    return true;
}

void DragControlFreed(const TControl* Control) {
    TDragDriver::Forget(Control);
}

// ============================================================================================
// TControl's side

void TControl::BeginDrag(bool Immediate) {
    TDragDriver::Begin(this, Immediate);
}

void TControl::EndDrag(bool Drop) {
    if (Dragging()) TDragDriver::Finish(Drop);
}

bool TControl::Dragging() const {
    const auto& drag = TDragDriver::Current();
    return drag && drag->Source == this;
}

bool TControl::StartsAutomaticDrag(const TMessage& Message) {
    if (dragMode_ != dmAutomatic || ComponentState().Contains(csDesigning)) return false;
    if (Message.Msg != WM_LBUTTONDOWN && Message.Msg != WM_LBUTTONDBLCLK) return false;
    BeginDrag(false);
    return true;
}

void TControl::DragOver(TObject* Source, int X, int Y, TDragOverState State, bool& Accept) {
    Accept = static_cast<bool>(OnDragOver);
    CallEvent(OnDragOver, this, Source, X, Y, State, Accept);
}

void TControl::DragDrop(TObject* Source, int X, int Y) {
    CallEvent(OnDragDrop, this, Source, X, Y);
}

void TControl::DoStartDrag(TDragObject*& DragObject) {
    CallEvent(OnStartDrag, this, DragObject);
}

void TControl::DoEndDrag(TObject* Target, int X, int Y) {
    CallEvent(OnEndDrag, this, Target, X, Y);
}

void TControl::CMDrag(TCMDrag& Message) {
    const TDragRec& rec = *Message.DragRec;
    const TPoint p = ScreenToClient(rec.Pos);
    if (Message.DragMessage == dmDragDrop) {
        DragDrop(rec.Source, p.X, p.Y);
        return;
    }
    const TDragOverState state = Message.DragMessage == dmDragEnter   ? dsDragEnter
                                 : Message.DragMessage == dmDragLeave ? dsDragLeave
                                                                      : dsDragMove;
    bool accept = false;
    DragOver(rec.Source, p.X, p.Y, state, accept);
    Message.Result = accept ? 1 : 0;
}
