// Internal to the GUI layer: the window behind each windowed control (a Qt widget with a back
// buffer for the windows the layer paints) and the one place where Qt events become window
// messages.
#pragma once

#include "platform/gui/Controls.h"
#include "platform/gui/QtApp.h"

#include <QCursor>
#include <QEventLoop>
#include <QImage>
#include <QPointer>
#include <QRegion>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QEvent;
class QPainter;

class QScrollBar;

// One scroll bar of a window, as SetScrollInfo keeps it.
struct TWindowScrollBar {
    int Min = 0;
    int Max = 0;
    UINT Page = 0;
    int Pos = 0;
    int TrackPos = 0;
    bool Forced = false; // shown by ShowScrollBar whatever the range
    QPointer<QScrollBar> Widget;
    // A range larger than one page shows the bar.
    bool Visible() const {
        return Forced || (Max > Min && (Page == 0 || static_cast<int>(Page) <= Max - Min));
    }
};

class TWinControlImpl {
public:
    explicit TWinControlImpl(TWinControl* owner) : Owner(owner) {}
    ~TWinControlImpl();
    TWinControlImpl(const TWinControlImpl&) = delete;
    TWinControlImpl& operator=(const TWinControlImpl&) = delete;

    // Makes the widget for the control (the native one when MakeNative is set).
    void CreateWidget(const TCreateParams& params);
    void DestroyWidget();
    bool Native() const { return static_cast<bool>(MakeNative); }
    // Width of the border the layer draws around the client area (from the window styles).
    int FrameWidth() const;
    // Where the client area starts inside the widget (border, and a form's menu bar).
    QPoint ClientOffset() const { return QPoint(FrameWidth(), FrameWidth() + MenuHeight); }
    // Gives a native widget the control's font and colours.
    void ApplyFont();
    // The back buffer, sized to the client area (old pixels kept where they still fit).
    QImage& Buffer();
    // A canvas drawing on the back buffer (bound for the life of the widget).
    TCanvas* BufferCanvas();
    // Puts the widget where the control's bounds say and shows or hides it.
    void SyncGeometry();
    void SyncVisible();

    TWinControl* Owner;
    HWND Handle = 0;
    QPointer<QWidget> Widget;
    // Makes the Qt widget of a standard control; empty for windows the layer paints itself.
    std::function<QWidget*()> MakeNative;
    // A form's window type and decorations, set before its window is made: the window gets them
    // when it is made and is shown only by the form, once its title, size and menu bar are in
    // place. A window manager loses a window that is withdrawn and mapped again while it is
    // still taking it on, so a form's window is never shown before it is complete.
    std::optional<Qt::WindowFlags> FormFlags;
    TCreateParams Params;
    bool EraseNeeded = true;
    // The control must paint again (it was invalidated or resized); without it a paint event
    // only shows the back buffer as it is. The paint draws the areas invalidated since the last
    // one (client coordinates), or everything after a whole invalidation; the pixels outside
    // keep what they show.
    bool PaintNeeded = true;
    bool PaintAll = true;
    // The control's paint runs (drawing on the buffer then needs no further showing).
    bool Painting = false;
    QRegion PaintRegion;
    // Marks an area (nullptr: the whole client area) to be painted again.
    void NeedPaint(const TRect* area = nullptr);
    // Height of a form's menu bar, which sits above the client area inside the widget.
    int MenuHeight = 0;
    // The window's scroll bars (SB_HORZ, SB_VERT).
    TWindowScrollBar Bars[2];
    // Shows, hides and places the scroll-bar widgets; tells the control when its client area
    // changed size.
    void SyncScrollBars();
    // Device contexts handed out by GetDC on the back buffer.
    std::vector<HDC> WindowDCs;

private:
    QImage buffer_;
    std::unique_ptr<TCanvas> canvas_;
    void BindCanvas();
};

// The window the layer paints: its paint event runs WM_ERASEBKGND and WM_PAINT on the back
// buffer and copies the buffer to the screen with the border and the caret.
class QtWindow : public QWidget {
public:
    QtWindow(TWinControlImpl* impl, QWidget* parent, Qt::WindowFlags flags);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TWinControlImpl* impl_;
};

// False while another form's modal loop runs: input to any other form is refused meanwhile.
bool InputAllowed(TWinControl* target);
// The control whose window is this widget (or the widget's native parts), or nullptr.
TWinControl* ControlOfWidget(const QObject* widget);
// Installs the event translation on a control's widget and its children.
void AttachBridge(QWidget* widget, HWND handle);
// Delivers a Qt event to a native widget's own handling (past the translation).
bool SendToNative(QObject* target, QEvent* event);
// While it lives, events are translated again even inside a native widget's own handling: a
// modal loop started from a native button's click takes the user's keys and clicks.
class TModalInput {
public:
    TModalInput();
    ~TModalInput();
    TModalInput(const TModalInput&) = delete;
    TModalInput& operator=(const TModalInput&) = delete;

private:
    int saved_;
};
// Takes the events the window system has queued (waiting for one with WaitForMoreEvents). They
// are fresh input and are translated like any other (as under TModalInput), also when a click
// on a native button waits for a window or lets the queue run while it works.
void ProcessWindowSystemEvents(QEventLoop::ProcessEventsFlags Flags);
// True while Alt is held and no other key or mouse button was pressed since (its release opens
// the menu bar, as on every desktop).
bool MenuKeyPressedAlone();
// Gives the native widget of a control the input message that reached the default handling.
bool PassToNative(TWinControl* control, const TMessage& message);

// What has been drawn on the screen through GetDC(0) (empty before the first use).
QImage ScreenOverlayImage();
// What the drawing on the screen shows: each drawn pixel is the screen's pixel under it XOR the
// drawing (null before the first use).
QImage ScreenOverlayShown();
// Reads the screen's pixels in a rectangle of screen coordinates (a null image when they cannot
// be read). The default reads the display; tests set their own, and an empty one restores it.
using TScreenReader = std::function<QImage(const QRect&)>;
void SetScreenReader(TScreenReader Reader);
// The part of the screen the drawing covers, in screen coordinates (empty while nothing is
// drawn; the whole screen would hide every window under it).
QRegion ScreenOverlayCover();
// The mouse left a window: its windowless child under the mouse gets CM_MOUSELEAVE.
void MouseLeftWindow(TWinControl* control);
// Runs inside every entry from Qt: the program's code starts with the wide registers clear
// (ClearWideRegisterState), and an exception goes to Application->HandleException.
void HandleLayerException();
template <typename F>
void Guarded(F&& f) {
    ClearWideRegisterState();
    try {
        f();
    } catch (...) {
        HandleLayerException();
    }
}

// True while a form is activated because the window system said so: it is not asked to be
// activated again, since each request comes back as another such notice (late ones for forms
// the program has left since would otherwise start the activations over without end).
bool ActivatedByWindowSystem();

// Window bookkeeping shared by the units of the layer.
HWND RegisterWindow(TWinControl* control);
void UnregisterWindow(HWND handle);
// Forgets timers, caret, capture and focus of a window that is going away.
void NoteWindowDestroyed(HWND handle);
// Starts the real-time tick that fires due timers and blinks the caret (idempotent).
void StartHeartbeat();
// Asks Qt to run the posted messages soon.
void SchedulePostedMessages();
// Sets the focus variable without messages (used when the focused window goes away).
void ClearFocusVariable();
// Makes Qt's keyboard focus follow the layer's.
void SyncQtFocus(HWND handle);
// A windowless control that holds the capture (through its parent's window), or nullptr.
TControl* CaptureControl();
void SetCaptureControl(TControl* control);
// Draws the caret over the client area of the given window when it is its owner.
void PaintCaret(QPainter& painter, HWND handle, const QPoint& clientOrigin);
// The Qt cursor for a TCursor value: a standard shape, or one the program registered in the
// screen's cursor list.
QCursor CursorOf(TCursor cursor);
// Runs the posted messages of a key press (WM_CHAR after WM_KEYDOWN) through the dialog-char
// handling before they reach the control.
bool PostInputMessage(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
// A key message taken from the queue goes the way a typed key does: menu shortcuts and dialog
// keys first (true when one took it), then the character it types is queued behind it.
bool TranslatePostedKey(TWinControl* control, const TMessage& message);
// The dialog-character step before a typed character reaches its control (mnemonics and the
// form's dialog characters); true when it was taken there.
bool PreTranslateChar(TWinControl* control, TMessage& message);
