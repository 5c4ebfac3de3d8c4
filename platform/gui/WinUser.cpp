#include "platform/gui/WinUser.h"

#include "platform/gui/Dialogs.h"
#include "platform/gui/Forms.h"
#include "platform/gui/QtApp.h"
#include "platform/gui/QtBridge.h"
#include "platform/gui/QtPaint.h"
#include "platform/rtl/Clock.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QStyleHints>
#include <QTimer>

#include <algorithm>
#include <array>
#include <cstring>
#include <deque>
#include <map>

namespace {

// ----- posted messages -----

struct TPosted {
    HWND Wnd;
    TMessage Message;
    bool Input; // a typed character from the keyboard translation
};

std::deque<TPosted>& Queue() {
    static std::deque<TPosted> queue;
    return queue;
}

bool drainScheduled = false;

bool Post(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam, bool input) {
    if (!FindControl(hWnd)) return false;
    Queue().push_back({hWnd, {Msg, wParam, lParam, 0}, input});
    SchedulePostedMessages();
    return true;
}

// ----- key state -----

std::array<Byte, 256>& KeyTable() {
    static std::array<Byte, 256> table{};
    return table;
}

// ----- timers -----

struct TTimerEntry {
    HWND Wnd = 0;
    std::uintptr_t Id = 0;
    UINT Elapse = 0;
    std::uint64_t Last = 0;
    std::function<void()> Callback;
};

std::vector<TTimerEntry>& Timers() {
    static std::vector<TTimerEntry> timers;
    return timers;
}

std::uintptr_t nextCallbackId = 1;

UINT ClampElapse(UINT elapse) {
    return std::max<UINT>(elapse, 10);
}

// Milliseconds since a stamp. A stamp ahead of the clock (a clock installed since then starts
// lower) is moved to now, so the wait starts again instead of wrapping into a huge interval.
std::uint64_t Elapsed(std::uint64_t& stamp, std::uint64_t now) {
    if (stamp > now) stamp = now;
    return now - stamp;
}

} // namespace

// A real-time heartbeat that looks at the installed clock; with a test clock nothing is due
// until the test advances it.
void StartHeartbeat() {
    static QTimer* heartbeat = nullptr;
    if (heartbeat) return;
    EnsureQtApp();
    heartbeat = new QTimer(QCoreApplication::instance());
    heartbeat->setInterval(10);
    QObject::connect(heartbeat, &QTimer::timeout, [] { FireDueTimers(); });
    heartbeat->start();
}

namespace {

// ----- caret -----

struct TCaret {
    TCaretState State;
    QImage Bitmap; // the caret's picture, for a bitmap caret
    std::uint64_t LastToggle = 0;
    UINT BlinkTime = 530;
};

TCaret& Caret() {
    static TCaret caret;
    return caret;
}

void RepaintCaretOwner() {
    if (TWinControl* c = FindControl(Caret().State.Owner)) c->Invalidate();
}

void RestartBlink() {
    Caret().State.BlinkOn = true;
    Caret().LastToggle = Clock().TickCount();
    RepaintCaretOwner();
}

void AdvanceBlink(std::uint64_t now) {
    TCaret& caret = Caret();
    if (!caret.State.Visible() || caret.BlinkTime == 0) return;
    if (Elapsed(caret.LastToggle, now) < caret.BlinkTime) return;
    caret.State.BlinkOn = !caret.State.BlinkOn;
    caret.LastToggle = now;
    RepaintCaretOwner();
}

// ----- capture and focus -----

HWND captureWnd = 0;
TControl* captureControl = nullptr;
HWND focusWnd = 0;

} // namespace

// ----- messages -----

LRESULT SendMessage(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    TWinControl* control = FindControl(hWnd);
    return control ? control->Perform(Msg, wParam, lParam) : 0;
}

bool PostMessage(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    return Post(hWnd, Msg, wParam, lParam, false);
}

bool PostInputMessage(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    return Post(hWnd, Msg, wParam, lParam, true);
}

int DispatchPostedMessages() {
    drainScheduled = false;
    int count = 0;
    while (!Queue().empty()) {
        TPosted posted = Queue().front();
        Queue().pop_front();
        TWinControl* control = FindControl(posted.Wnd);
        if (!control) continue;
        ++count;
        Guarded([&] {
            const UINT msg = posted.Message.Msg;
            if (posted.Input && PreTranslateChar(control, posted.Message)) return;
            if (!posted.Input && (msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN) &&
                TranslatePostedKey(control, posted.Message))
                return;
            control->Perform(msg, posted.Message.WParam, posted.Message.LParam);
        });
    }
    return count;
}

int PostedMessageCount() {
    return static_cast<int>(Queue().size());
}

bool TakeQueuedKeyDown(Word VirtualKey) {
    auto& queue = Queue();
    const auto it = std::find_if(queue.begin(), queue.end(), [VirtualKey](const TPosted& p) {
        return p.Message.Msg == WM_KEYDOWN && p.Message.WParam == VirtualKey;
    });
    if (it == queue.end()) return false;
    queue.erase(it);
    return true;
}

void SchedulePostedMessages() {
    if (drainScheduled || !QCoreApplication::instance()) return;
    drainScheduled = true;
    QTimer::singleShot(0, QCoreApplication::instance(), [] { DispatchPostedMessages(); });
}

// ----- key state -----

SmallInt GetKeyState(int nVirtKey) {
    if (nVirtKey < 0 || nVirtKey > 255) return 0;
    const Byte v = KeyTable()[static_cast<std::size_t>(nVirtKey)];
    SmallInt result = (v & 0x80) ? static_cast<SmallInt>(-32768) : 0;
    if (v & 0x01) result = static_cast<SmallInt>(result | 1);
    return result;
}

SmallInt GetAsyncKeyState(int vKey) {
    return (GetKeyState(vKey) & 0x8000) ? static_cast<SmallInt>(-32768) : 0;
}

void SetKeyDown(int vKey, bool down) {
    if (vKey < 0 || vKey > 255) return;
    Byte& v = KeyTable()[static_cast<std::size_t>(vKey)];
    v = down ? static_cast<Byte>(v | 0x80) : static_cast<Byte>(v & ~0x80);
}

void SetKeyToggled(int vKey, bool on) {
    if (vKey < 0 || vKey > 255) return;
    Byte& v = KeyTable()[static_cast<std::size_t>(vKey)];
    v = on ? static_cast<Byte>(v | 0x01) : static_cast<Byte>(v & ~0x01);
}

void ResetKeyState() {
    KeyTable().fill(0);
}

// ----- timers -----

std::uintptr_t SetTimer(HWND hWnd, std::uintptr_t nIDEvent, UINT uElapse) {
    if (!FindControl(hWnd)) return 0;
    StartHeartbeat();
    const std::uint64_t now = Clock().TickCount();
    for (TTimerEntry& t : Timers()) {
        if (t.Wnd == hWnd && t.Id == nIDEvent && !t.Callback) {
            t.Elapse = ClampElapse(uElapse);
            t.Last = now;
            return nIDEvent;
        }
    }
    Timers().push_back({hWnd, nIDEvent, ClampElapse(uElapse), now, {}});
    return nIDEvent == 0 ? 1 : nIDEvent;
}

bool KillTimer(HWND hWnd, std::uintptr_t nIDEvent) {
    auto& timers = Timers();
    auto it = std::find_if(timers.begin(), timers.end(), [&](const TTimerEntry& t) {
        return t.Wnd == hWnd && t.Id == nIDEvent && !t.Callback;
    });
    if (it == timers.end()) return false;
    timers.erase(it);
    return true;
}

std::uintptr_t SetCallbackTimer(UINT uElapse, std::function<void()> callback) {
    StartHeartbeat();
    const std::uintptr_t id = nextCallbackId++;
    Timers().push_back({0, id, ClampElapse(uElapse), Clock().TickCount(), std::move(callback)});
    return id;
}

void KillCallbackTimer(std::uintptr_t id) {
    auto& timers = Timers();
    timers.erase(std::remove_if(timers.begin(), timers.end(),
                                [&](const TTimerEntry& t) { return t.Id == id && t.Callback; }),
                 timers.end());
}

int FireDueTimers() {
    const std::uint64_t now = Clock().TickCount();
    // Copies, because a handler may set or kill timers.
    const std::vector<TTimerEntry> snapshot = Timers();
    int fired = 0;
    for (const TTimerEntry& due : snapshot) {
        auto& timers = Timers();
        auto it = std::find_if(timers.begin(), timers.end(), [&](const TTimerEntry& t) {
            return t.Wnd == due.Wnd && t.Id == due.Id && bool(t.Callback) == bool(due.Callback);
        });
        if (it == timers.end() || Elapsed(it->Last, now) < it->Elapse) continue;
        it->Last = now;
        ++fired;
        if (due.Callback) {
            Guarded(due.Callback);
        } else {
            Guarded([&] { SendMessage(due.Wnd, WM_TIMER, due.Id, 0); });
        }
    }
    AdvanceBlink(now);
    return fired;
}

DWORD GetTickCount() {
    return static_cast<DWORD>(Clock().TickCount() & 0xFFFFFFFFu);
}

// ----- caret -----

bool CreateCaret(HWND hWnd, std::uintptr_t hBitmap, int nWidth, int nHeight) {
    if (!FindControl(hWnd)) return false;
    DestroyCaret();
    StartHeartbeat();
    TCaretState& s = Caret().State;
    s.Owner = hWnd;
    s.Pos = {};
    // A zero width or height takes the system's border width (1) as Win32 does.
    s.Width = nWidth > 0 ? nWidth : 1;
    s.Height = nHeight > 0 ? nHeight : 1;
    s.Gray = hBitmap == CARET_GRAY;
    s.IsBitmap = false;
    s.HideCount = 1;
    s.BlinkOn = false;
    return true;
}

bool CreateCaret(HWND hWnd, HBITMAP hBitmap) {
    TGdiObject* bitmap = GdiObject(hBitmap, TGdiObject::TKind::Bitmap);
    if (!bitmap || bitmap->Image.isNull()) return false;
    if (!CreateCaret(hWnd, CARET_SOLID, bitmap->Image.width(), bitmap->Image.height()))
        return false;
    Caret().Bitmap = bitmap->Image.convertToFormat(QImage::Format_RGB32);
    Caret().State.IsBitmap = true;
    return true;
}

bool DestroyCaret() {
    if (Caret().State.Owner == 0) return false;
    RepaintCaretOwner();
    Caret().State = TCaretState{};
    Caret().Bitmap = QImage();
    return true;
}

bool SetCaretPos(int X, int Y) {
    if (Caret().State.Owner == 0) return false;
    RepaintCaretOwner();
    Caret().State.Pos = {X, Y};
    RestartBlink();
    return true;
}

bool GetCaretPos(TPoint& point) {
    point = Caret().State.Pos;
    return Caret().State.Owner != 0;
}

bool ShowCaret(HWND hWnd) {
    TCaretState& s = Caret().State;
    if (s.Owner == 0 || (hWnd != 0 && hWnd != s.Owner) || s.HideCount == 0) return false;
    if (--s.HideCount == 0) RestartBlink();
    return true;
}

bool HideCaret(HWND hWnd) {
    TCaretState& s = Caret().State;
    if (s.Owner == 0 || (hWnd != 0 && hWnd != s.Owner)) return false;
    if (s.HideCount++ == 0) RepaintCaretOwner();
    return true;
}

UINT GetCaretBlinkTime() {
    return Caret().BlinkTime;
}

bool SetCaretBlinkTime(UINT uMSeconds) {
    Caret().BlinkTime = uMSeconds;
    return true;
}

TCaretState CaretState() {
    return Caret().State;
}

void PaintCaret(QPainter& painter, HWND handle, const QPoint& clientOrigin) {
    const TCaretState& s = Caret().State;
    if (s.Owner != handle || !s.Visible() || !s.BlinkOn) return;
    painter.save();
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    const QPoint at = clientOrigin + QPoint(s.Pos.X, s.Pos.Y);
    if (s.IsBitmap) {
        // White pixels of the picture invert, black ones leave the screen alone.
        painter.drawImage(at, Caret().Bitmap);
    } else {
        const QColor ink = s.Gray ? QColor(128, 128, 128) : QColor(255, 255, 255);
        painter.fillRect(QRect(at, QSize(s.Width, s.Height)), ink);
    }
    painter.restore();
}

// ----- capture -----

HWND SetCapture(HWND hWnd) {
    const HWND previous = captureWnd;
    captureWnd = FindControl(hWnd) ? hWnd : 0;
    captureControl = nullptr;
    if (previous && previous != captureWnd) SendMessage(previous, WM_CANCELMODE, 0, 0);
    return previous;
}

bool ReleaseCapture() {
    captureWnd = 0;
    captureControl = nullptr;
    return true;
}

HWND GetCapture() {
    return captureWnd;
}

TControl* CaptureControl() {
    return captureWnd ? captureControl : nullptr;
}

void SetCaptureControl(TControl* control) {
    captureControl = control;
}

// ----- focus -----

HWND GetFocus() {
    return focusWnd;
}

HWND SetFocus(HWND hWnd) {
    const HWND previous = focusWnd;
    if (hWnd != 0 && !FindControl(hWnd)) return 0;
    if (hWnd == previous) return previous;
    focusWnd = hWnd;
    SyncQtFocus(hWnd);
    if (previous) SendMessage(previous, WM_KILLFOCUS, hWnd, 0);
    // The window losing the focus may have moved it on; the new window then gets nothing.
    if (hWnd && focusWnd == hWnd) SendMessage(hWnd, WM_SETFOCUS, previous, 0);
    return previous;
}

void ClearFocusVariable() {
    focusWnd = 0;
}

void NoteWindowDestroyed(HWND handle) {
    auto& timers = Timers();
    timers.erase(
        std::remove_if(timers.begin(), timers.end(),
                       [&](const TTimerEntry& t) { return t.Wnd == handle && !t.Callback; }),
        timers.end());
    if (Caret().State.Owner == handle) Caret().State = TCaretState{};
    if (captureWnd == handle) ReleaseCapture();
    if (focusWnd == handle) focusWnd = 0;
}

HWND GetParent(HWND hWnd) {
    TWinControl* c = FindControl(hWnd);
    return c && c->Parent() ? c->Parent()->Handle() : 0;
}

bool IsWindow(HWND hWnd) {
    return FindControl(hWnd) != nullptr;
}

bool IsWindowVisible(HWND hWnd) {
    TWinControl* c = FindControl(hWnd);
    return c && c->Showing();
}

bool IsWindowEnabled(HWND hWnd) {
    TWinControl* c = FindControl(hWnd);
    return c && c->Enabled();
}

bool EnableWindow(HWND hWnd, bool enable) {
    TWinControl* c = FindControl(hWnd);
    if (!c) return false;
    const bool wasDisabled = !c->Enabled();
    c->SetEnabled(enable);
    return wasDisabled;
}

bool IsChild(HWND hWndParent, HWND hWnd) {
    TWinControl* parent = FindControl(hWndParent);
    TWinControl* c = FindControl(hWnd);
    if (!parent || !c) return false;
    for (TWinControl* p = c->Parent(); p; p = p->Parent())
        if (p == parent) return true;
    return false;
}

bool GetClientRect(HWND hWnd, TRect& rect) {
    TWinControl* c = FindControl(hWnd);
    if (!c) return false;
    rect = c->ClientRect();
    return true;
}

bool GetWindowRect(HWND hWnd, TRect& rect) {
    TWinControl* c = FindControl(hWnd);
    if (!c) return false;
    const TPoint origin = c->ClientToScreen({0, 0});
    const TPoint inset = c->ClientOrigin();
    rect = Bounds(origin.X - inset.X, origin.Y - inset.Y, c->Width(), c->Height());
    return true;
}

bool ClientToScreen(HWND hWnd, TPoint& point) {
    TWinControl* c = FindControl(hWnd);
    if (!c) return false;
    point = c->ClientToScreen(point);
    return true;
}

bool ScreenToClient(HWND hWnd, TPoint& point) {
    TWinControl* c = FindControl(hWnd);
    if (!c) return false;
    point = c->ScreenToClient(point);
    return true;
}

bool InvalidateRect(HWND hWnd, const TRect* rect, bool erase) {
    TWinControl* c = FindControl(hWnd);
    if (!c || !c->HandleAllocated()) return false;
    TWinControlImpl* impl = c->Impl();
    if (erase) impl->EraseNeeded = true;
    impl->NeedPaint(rect);
    if (!impl->Widget) return true;
    if (rect) {
        const QPoint off = impl->ClientOffset();
        impl->Widget->update(
            QRect(QPoint(rect->Left, rect->Top) + off, QSize(rect->Width(), rect->Height())));
    } else {
        impl->Widget->update();
    }
    return true;
}

bool ScrollWindow(HWND hWnd, int XAmount, int YAmount, const TRect* Rect) {
    TWinControl* c = FindControl(hWnd);
    if (!c || !c->HandleAllocated()) return false;
    TWinControlImpl* impl = c->Impl();
    QImage& image = impl->Buffer();
    const QRect area =
        (Rect ? QRect(Rect->Left, Rect->Top, Rect->Width(), Rect->Height()) : image.rect())
            .intersected(image.rect());
    // The part of the area that receives pixels, and where they come from.
    const QRect target = area.intersected(area.translated(XAmount, YAmount));
    if (target.isEmpty()) return true;
    const int bytes = target.width() * 4;
    const auto copyLine = [&](int y) {
        const uchar* from = image.constScanLine(y - YAmount) + (target.left() - XAmount) * 4;
        std::memmove(image.scanLine(y) + target.left() * 4, from, static_cast<std::size_t>(bytes));
    };
    // Lines are copied away from the direction of the move, so no source is overwritten first.
    if (YAmount > 0)
        for (int y = target.bottom(); y >= target.top(); --y)
            copyLine(y);
    else
        for (int y = target.top(); y <= target.bottom(); ++y)
            copyLine(y);
    if (impl->Widget) impl->Widget->update();
    return true;
}

bool UpdateWindow(HWND hWnd) {
    TWinControl* c = FindControl(hWnd);
    if (!c) return false;
    c->Update();
    return true;
}

// ----- scroll bars -----

namespace {

TWindowScrollBar* BarOf(HWND hWnd, int nBar) {
    TWinControl* c = FindControl(hWnd);
    if (!c || (nBar != SB_HORZ && nBar != SB_VERT)) return nullptr;
    return &c->Impl()->Bars[nBar];
}

// Keeps the position inside the range less the page, as Win32 does.
void ClampPos(TWindowScrollBar& b) {
    const int top = b.Page > 0 ? std::max(b.Min, b.Max - static_cast<int>(b.Page) + 1) : b.Max;
    b.Pos = std::clamp(b.Pos, b.Min, std::max(b.Min, top));
}

void SyncBars(HWND hWnd) {
    if (TWinControl* c = FindControl(hWnd)) c->Impl()->SyncScrollBars();
}

} // namespace

int SetScrollInfo(HWND hWnd, int nBar, const SCROLLINFO& info, bool) {
    TWindowScrollBar* b = BarOf(hWnd, nBar);
    if (!b) return 0;
    if (info.fMask & SIF_RANGE) {
        b->Min = info.nMin;
        b->Max = std::max(info.nMin, info.nMax);
    }
    if (info.fMask & SIF_PAGE) b->Page = info.nPage;
    if (info.fMask & SIF_POS) b->Pos = info.nPos;
    if (info.fMask & SIF_DISABLENOSCROLL) b->Forced = true;
    ClampPos(*b);
    SyncBars(hWnd);
    return b->Pos;
}

bool GetScrollInfo(HWND hWnd, int nBar, SCROLLINFO& info) {
    TWindowScrollBar* b = BarOf(hWnd, nBar);
    if (!b) return false;
    if (info.fMask & SIF_RANGE) {
        info.nMin = b->Min;
        info.nMax = b->Max;
    }
    if (info.fMask & SIF_PAGE) info.nPage = b->Page;
    if (info.fMask & SIF_POS) info.nPos = b->Pos;
    if (info.fMask & SIF_TRACKPOS) info.nTrackPos = b->TrackPos;
    return true;
}

int SetScrollPos(HWND hWnd, int nBar, int nPos, bool) {
    TWindowScrollBar* b = BarOf(hWnd, nBar);
    if (!b) return 0;
    const int previous = b->Pos;
    b->Pos = nPos;
    ClampPos(*b);
    SyncBars(hWnd);
    return previous;
}

int GetScrollPos(HWND hWnd, int nBar) {
    TWindowScrollBar* b = BarOf(hWnd, nBar);
    return b ? b->Pos : 0;
}

bool SetScrollRange(HWND hWnd, int nBar, int nMinPos, int nMaxPos, bool) {
    TWindowScrollBar* b = BarOf(hWnd, nBar);
    if (!b) return false;
    b->Min = nMinPos;
    b->Max = std::max(nMinPos, nMaxPos);
    ClampPos(*b);
    SyncBars(hWnd);
    return true;
}

bool GetScrollRange(HWND hWnd, int nBar, int& minPos, int& maxPos) {
    TWindowScrollBar* b = BarOf(hWnd, nBar);
    if (!b) return false;
    minPos = b->Min;
    maxPos = b->Max;
    return true;
}

bool ShowScrollBar(HWND hWnd, int wBar, bool show) {
    if (!FindControl(hWnd)) return false;
    for (int bar : {SB_HORZ, SB_VERT}) {
        if (wBar != bar && wBar != SB_BOTH) continue;
        TWindowScrollBar* b = BarOf(hWnd, bar);
        b->Forced = show;
        // Hiding a bar empties its range so it stays hidden.
        if (!show) b->Max = b->Min;
    }
    SyncBars(hWnd);
    return true;
}

// ----- window device contexts -----

namespace {

// Reads the screen's pixels through the window system (a null image where it cannot).
QImage ReadDisplay(const QRect& Box) {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return {};
    return screen->grabWindow(0, Box.x(), Box.y(), Box.width(), Box.height()).toImage();
}

TScreenReader& ScreenReader() {
    static TScreenReader reader = ReadDisplay;
    return reader;
}

// What stands for the screen's pixels where they cannot be read: black and white squares, so
// that a figure drawn over them shows as alternating white and black dashes on any background.
QBrush UnreadableScreen() {
    QImage squares(8, 8, QImage::Format_RGB32);
    squares.fill(Qt::black);
    QPainter p(&squares);
    p.fillRect(0, 0, 4, 4, Qt::white);
    p.fillRect(4, 4, 4, 4, Qt::white);
    return QBrush(squares);
}

// The screen as a program may draw on it (outlines while dragging): a window above all others
// that lets the mouse through and shows what was drawn on its image. The window is shaped to the
// drawn pixels, so everything else on the screen stays in sight on any X server, with or without
// a compositing manager; black is not drawn, so drawing the same XOR figure twice leaves nothing.
// Each drawn pixel shows the screen's pixel under it XOR the drawing, as drawing on the screen
// itself would: a focus rectangle's dots show inverted, light over a dark desktop and dark over a
// light window. The screen's pixels are read before the window first covers them and kept while
// it shows (the window's own pixels are never read back).
class QtScreenOverlay : public QWidget {
public:
    QtScreenOverlay()
        : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool |
                               Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus |
                               Qt::BypassWindowManagerHint) {
        setAttribute(Qt::WA_ShowWithoutActivating);
        setProperty("vantrel_free", true);
        const QScreen* screen = QGuiApplication::primaryScreen();
        const QRect area = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
        setGeometry(area);
        Image = QImage(area.size(), QImage::Format_RGB32);
        Image.fill(Qt::black);
        Under = Image;
    }
    QImage Image;
    std::vector<HDC> Contexts;
    // The drawn pixels: where the window shows.
    QRegion Shape;
    // Shows what the image holds now: shaped to its drawn pixels, or hidden when it holds none.
    void ShowDrawn() {
        Shape = DrawnPixels();
        if (Shape.isEmpty()) {
            hide();
            clearMask();
            // What lies under the window may change once it is gone.
            Known = QRegion();
            return;
        }
        ReadUnder(Shape);
        setMask(Shape);
        show();
        raise();
        update();
    }
    // What the window shows in a box (window coordinates): the screen's pixels XOR the drawing.
    QImage Shown(const QRect& Box) const {
        QImage shown = Under.copy(Box);
        QPainter p(&shown);
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        p.drawImage(0, 0, Image, Box.x(), Box.y(), Box.width(), Box.height());
        return shown;
    }

private:
    // The screen's pixels under the drawing, valid in Known: read while the window showed
    // nothing there (every pixel the window covers now was read before it was covered).
    QImage Under;
    QRegion Known;

    void ReadUnder(const QRegion& Drawn) {
        const QRegion missing = Drawn - Known;
        if (missing.isEmpty()) return;
        const QRect box = missing.boundingRect();
        const QImage read = ScreenReader()(box.translated(pos()));
        QPainter p(&Under);
        p.setClipRegion(QRegion(box) - Known);
        if (read.size() == box.size())
            p.drawImage(box.topLeft(), read);
        else
            p.fillRect(box, UnreadableScreen());
        Known += box;
    }

    // The runs of pixels that are not black, a row at a time (rows top to bottom, runs left to
    // right: the banded order a region is made of).
    QRegion DrawnPixels() const {
        std::vector<QRect> runs;
        for (int y = 0; y < Image.height(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(Image.constScanLine(y));
            for (int x = 0; x < Image.width();) {
                if ((line[x] & 0xFFFFFF) == 0) {
                    ++x;
                    continue;
                }
                const int start = x;
                while (x < Image.width() && (line[x] & 0xFFFFFF) != 0)
                    ++x;
                runs.emplace_back(start, y, x - start, 1);
            }
        }
        QRegion region;
        region.setRects(runs.data(), static_cast<int>(runs.size()));
        return region;
    }

protected:
    void paintEvent(QPaintEvent* Event) override {
        const QRect box = Event->rect() & Shape.boundingRect();
        if (box.isEmpty()) return;
        QPainter(this).drawImage(box.topLeft(), Shown(box));
    }
};

QtScreenOverlay* ScreenOverlay(bool create) {
    static QPointer<QtScreenOverlay> overlay;
    if (!overlay && create) {
        EnsureQtApp();
        overlay = new QtScreenOverlay;
    }
    return overlay.data();
}

HDC GetScreenOverlayDC() {
    QtScreenOverlay* overlay = ScreenOverlay(true);
    HDC dc = CreateImageDC(&overlay->Image);
    overlay->Contexts.push_back(dc);
    return dc;
}

int ReleaseScreenOverlayDC(HDC hDC) {
    QtScreenOverlay* overlay = ScreenOverlay(false);
    if (!overlay) return 0;
    auto it = std::find(overlay->Contexts.begin(), overlay->Contexts.end(), hDC);
    if (it == overlay->Contexts.end()) return 0;
    overlay->Contexts.erase(it);
    DeleteDC(hDC);
    overlay->ShowDrawn();
    return 1;
}

} // namespace

QImage ScreenOverlayImage() {
    QtScreenOverlay* overlay = ScreenOverlay(false);
    return overlay ? overlay->Image : QImage();
}

QImage ScreenOverlayShown() {
    QtScreenOverlay* overlay = ScreenOverlay(false);
    return overlay ? overlay->Shown(overlay->Image.rect()) : QImage();
}

void SetScreenReader(TScreenReader Reader) {
    ScreenReader() = Reader ? std::move(Reader) : TScreenReader(ReadDisplay);
}

QRegion ScreenOverlayCover() {
    QtScreenOverlay* overlay = ScreenOverlay(false);
    return overlay && overlay->isVisible() ? overlay->Shape.translated(overlay->pos()) : QRegion();
}

HDC GetDC(HWND hWnd) {
    if (hWnd == 0) return GetScreenOverlayDC();
    TWinControl* c = FindControl(hWnd);
    if (!c) return nullptr;
    TWinControlImpl* impl = c->Impl();
    HDC dc = CreateImageDC(&impl->Buffer());
    impl->WindowDCs.push_back(dc);
    // What is drawn shows with the next paint of the screen, without repainting the control.
    if (impl->Widget) impl->Widget->update();
    return dc;
}

int ReleaseDC(HWND hWnd, HDC hDC) {
    if (hWnd == 0) return ReleaseScreenOverlayDC(hDC);
    TWinControl* c = FindControl(hWnd);
    if (!c) return 0;
    auto& dcs = c->Impl()->WindowDCs;
    auto it = std::find(dcs.begin(), dcs.end(), hDC);
    if (it == dcs.end()) return 0;
    dcs.erase(it);
    DeleteDC(hDC);
    if (c->Impl()->Widget) c->Impl()->Widget->update();
    return 1;
}

// ----- metrics -----

int GetSystemMetrics(int nIndex) {
    switch (nIndex) {
    case SM_CXSCREEN:
    case SM_CXFULLSCREEN: return Screen ? Screen->Width() : 1024;
    case SM_CYSCREEN:
    case SM_CYFULLSCREEN: return Screen ? Screen->Height() : 768;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL:
    case SM_CYVTHUMB:
    case SM_CXHTHUMB: return 16;
    case SM_CYCAPTION: return 19;
    case SM_CYSMCAPTION: return 15;
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME: return 3;
    case SM_CXFRAME:
    case SM_CYFRAME: return 4;
    case SM_CXEDGE:
    case SM_CYEDGE: return 2;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR: return 32;
    case SM_CYMENU: return 19;
    case SM_CXMIN: return 112;
    case SM_CYMIN: return 27;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK: return 4;
    default: return 0;
    }
}

UINT GetDoubleClickTime() {
    return 500;
}

bool MessageBeep(UINT uType) {
    UiServices().Beep(uType);
    return true;
}
