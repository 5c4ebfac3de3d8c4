// The window-level calls the components make directly: sending and posting messages, timers,
// the key-state table, the caret, mouse capture, focus, system metrics and invalidation.
// Handles are the numbers the layer gives its windows (see HWND in Messages.h).
#pragma once

#include "platform/gui/Messages.h"
#include "platform/gui/WinGdi.h"

#include <cstdint>
#include <functional>
#include <string>

// Virtual-key codes
constexpr Word VK_LBUTTON = 0x01;
constexpr Word VK_RBUTTON = 0x02;
constexpr Word VK_CANCEL = 0x03;
constexpr Word VK_MBUTTON = 0x04;
constexpr Word VK_BACK = 0x08;
constexpr Word VK_TAB = 0x09;
constexpr Word VK_CLEAR = 0x0C;
constexpr Word VK_RETURN = 0x0D;
constexpr Word VK_SHIFT = 0x10;
constexpr Word VK_CONTROL = 0x11;
constexpr Word VK_MENU = 0x12;
constexpr Word VK_PAUSE = 0x13;
constexpr Word VK_CAPITAL = 0x14;
constexpr Word VK_ESCAPE = 0x1B;
constexpr Word VK_SPACE = 0x20;
constexpr Word VK_PRIOR = 0x21;
constexpr Word VK_NEXT = 0x22;
constexpr Word VK_END = 0x23;
constexpr Word VK_HOME = 0x24;
constexpr Word VK_LEFT = 0x25;
constexpr Word VK_UP = 0x26;
constexpr Word VK_RIGHT = 0x27;
constexpr Word VK_DOWN = 0x28;
constexpr Word VK_SELECT = 0x29;
constexpr Word VK_PRINT = 0x2A;
constexpr Word VK_EXECUTE = 0x2B;
constexpr Word VK_SNAPSHOT = 0x2C;
constexpr Word VK_INSERT = 0x2D;
constexpr Word VK_DELETE = 0x2E;
constexpr Word VK_HELP = 0x2F;
constexpr Word VK_LWIN = 0x5B;
constexpr Word VK_RWIN = 0x5C;
constexpr Word VK_APPS = 0x5D;
constexpr Word VK_NUMPAD0 = 0x60;
constexpr Word VK_NUMPAD1 = 0x61;
constexpr Word VK_NUMPAD2 = 0x62;
constexpr Word VK_NUMPAD3 = 0x63;
constexpr Word VK_NUMPAD4 = 0x64;
constexpr Word VK_NUMPAD5 = 0x65;
constexpr Word VK_NUMPAD6 = 0x66;
constexpr Word VK_NUMPAD7 = 0x67;
constexpr Word VK_NUMPAD8 = 0x68;
constexpr Word VK_NUMPAD9 = 0x69;
constexpr Word VK_MULTIPLY = 0x6A;
constexpr Word VK_ADD = 0x6B;
constexpr Word VK_SEPARATOR = 0x6C;
constexpr Word VK_SUBTRACT = 0x6D;
constexpr Word VK_DECIMAL = 0x6E;
constexpr Word VK_DIVIDE = 0x6F;
constexpr Word VK_F1 = 0x70;
constexpr Word VK_F2 = 0x71;
constexpr Word VK_F3 = 0x72;
constexpr Word VK_F4 = 0x73;
constexpr Word VK_F5 = 0x74;
constexpr Word VK_F6 = 0x75;
constexpr Word VK_F7 = 0x76;
constexpr Word VK_F8 = 0x77;
constexpr Word VK_F9 = 0x78;
constexpr Word VK_F10 = 0x79;
constexpr Word VK_F11 = 0x7A;
constexpr Word VK_F12 = 0x7B;
constexpr Word VK_NUMLOCK = 0x90;
constexpr Word VK_SCROLL = 0x91;
constexpr Word VK_LSHIFT = 0xA0;
constexpr Word VK_RSHIFT = 0xA1;
constexpr Word VK_LCONTROL = 0xA2;
constexpr Word VK_RCONTROL = 0xA3;
constexpr Word VK_LMENU = 0xA4;
constexpr Word VK_RMENU = 0xA5;
constexpr Word VK_OEM_1 = 0xBA;      // ;:
constexpr Word VK_OEM_PLUS = 0xBB;   // =+
constexpr Word VK_OEM_COMMA = 0xBC;  // ,<
constexpr Word VK_OEM_MINUS = 0xBD;  // -_
constexpr Word VK_OEM_PERIOD = 0xBE; // .>
constexpr Word VK_OEM_2 = 0xBF;      // /?
constexpr Word VK_OEM_3 = 0xC0;      // `~
constexpr Word VK_OEM_4 = 0xDB;      // [{
constexpr Word VK_OEM_5 = 0xDC;      // \|
constexpr Word VK_OEM_6 = 0xDD;      // ]}
constexpr Word VK_OEM_7 = 0xDE;      // '"
// The key of a character typed without a key code of its own (a national letter, a composed
// or an input method's character): its WM_CHAR carries the character.
constexpr Word VK_PACKET = 0xE7;

// Bits of the key data (lParam) of key messages, counted in the high word.
constexpr LongInt KF_EXTENDED = 0x0100;
constexpr LongInt KF_ALTDOWN = 0x2000;
constexpr LongInt KF_REPEAT = 0x4000;
constexpr LongInt KF_UP = 0x8000;

// Messages: SendMessage runs the target's handler at once and returns its result (0 when the
// window is gone). PostMessage queues the message; the queue is strictly first in first out and
// a message whose target is gone by the time it comes up is dropped. PostMessage answers false
// for a handle that names no window.
LRESULT SendMessage(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
bool PostMessage(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
// Runs every queued message, including those posted while it runs. Returns how many ran.
int DispatchPostedMessages();
// The number of messages waiting in the queue.
int PostedMessageCount();
// Takes the first queued WM_KEYDOWN of the virtual key out of the queue without running it;
// every other message stays. False when none waits.
bool TakeQueuedKeyDown(Word VirtualKey);

// Key state: the high bit (0x8000, the result is negative) while the key is down, the low bit
// when a toggle key (Caps Lock, Num Lock) is on. The layer updates the table from every key and
// mouse event it translates; tests may set it directly.
SmallInt GetKeyState(int nVirtKey);
SmallInt GetAsyncKeyState(int vKey);
void SetKeyDown(int vKey, bool down);
void SetKeyToggled(int vKey, bool on);
// Clears the whole table (every key up, no toggle on).
void ResetKeyState();

// Timers: WM_TIMER goes to the window every Elapse milliseconds of the installed clock (at least
// 10). A timer with the id of an existing timer of the same window replaces it. Returns the id,
// 0 when the window does not exist.
std::uintptr_t SetTimer(HWND hWnd, std::uintptr_t nIDEvent, UINT uElapse);
bool KillTimer(HWND hWnd, std::uintptr_t nIDEvent);
// Delivers WM_TIMER (one per due timer, however late it is) for every timer whose interval has
// passed on the installed clock, and advances the caret blink. Returns how many timers fired.
int FireDueTimers();
// The tick count of the installed clock in milliseconds (32-bit, wrapping like the original).
DWORD GetTickCount();

// A timer that calls a function instead of sending WM_TIMER (used by TTimer). Returns an id
// that KillCallbackTimer takes; the id is never 0.
std::uintptr_t SetCallbackTimer(UINT uElapse, std::function<void()> callback);
void KillCallbackTimer(std::uintptr_t id);

// The caret: one per application, owned by one window, hidden when made; ShowCaret and
// HideCaret count (it shows when every HideCaret was matched). hBitmap 0 makes a solid caret,
// 1 a grey one.
constexpr std::uintptr_t CARET_SOLID = 0;
constexpr std::uintptr_t CARET_GRAY = 1;
bool CreateCaret(HWND hWnd, std::uintptr_t hBitmap, int nWidth, int nHeight);
// A caret showing a picture (its size): white pixels invert what is under them.
bool CreateCaret(HWND hWnd, HBITMAP hBitmap);
bool DestroyCaret();
bool SetCaretPos(int X, int Y);
bool GetCaretPos(TPoint& point);
bool ShowCaret(HWND hWnd);
bool HideCaret(HWND hWnd);
UINT GetCaretBlinkTime();
bool SetCaretBlinkTime(UINT uMSeconds);

// What a test (or the painter) can see of the caret.
struct TCaretState {
    HWND Owner = 0; // 0 when there is no caret
    TPoint Pos;
    int Width = 0;
    int Height = 0;
    bool Gray = false;
    bool IsBitmap = false;
    int HideCount = 0;    // 0 = shown
    bool BlinkOn = false; // the inverted phase of the blink
    bool Visible() const { return Owner != 0 && HideCount == 0; }
};
TCaretState CaretState();

// Mouse capture: every mouse message goes to the capturing window until released.
HWND SetCapture(HWND hWnd);
bool ReleaseCapture();
HWND GetCapture();

// Keyboard focus: WM_KILLFOCUS to the old window, then WM_SETFOCUS to the new one.
HWND GetFocus();
HWND SetFocus(HWND hWnd);
HWND GetParent(HWND hWnd);
bool IsWindow(HWND hWnd);
bool IsWindowVisible(HWND hWnd);
bool IsWindowEnabled(HWND hWnd);
bool EnableWindow(HWND hWnd, bool enable);
bool IsChild(HWND hWndParent, HWND hWnd);

// Rectangles of a window: the client rectangle starts at 0,0; the window rectangle is in screen
// coordinates.
bool GetClientRect(HWND hWnd, TRect& rect);
bool GetWindowRect(HWND hWnd, TRect& rect);
bool ClientToScreen(HWND hWnd, TPoint& point);
bool ScreenToClient(HWND hWnd, TPoint& point);
// Marks an area (the whole client area for nullptr) for repainting; erase asks for
// WM_ERASEBKGND first.
bool InvalidateRect(HWND hWnd, const TRect* rect, bool erase);
// Repaints the invalid area now.
bool UpdateWindow(HWND hWnd);
// Moves the pixels of an area of the client area (the whole client area for nullptr) by XAmount
// and YAmount on the window's back buffer. Pixels moved out of the area are dropped; the part
// uncovered keeps its old pixels for the window to paint. Nothing is invalidated; the screen
// shows the result with its next update. False when the window does not exist.
bool ScrollWindow(HWND hWnd, int XAmount, int YAmount, const TRect* Rect);

// The scroll bars of a window. A bar shows while its range holds more than one page (or when
// ShowScrollBar asks for it); it takes its width from the client area. The user's actions come
// to the window as WM_HSCROLL / WM_VSCROLL; the bar moves only when the window sets it.
constexpr int SB_HORZ = 0;
constexpr int SB_VERT = 1;
constexpr int SB_BOTH = 3;
constexpr UINT SIF_RANGE = 0x1;
constexpr UINT SIF_PAGE = 0x2;
constexpr UINT SIF_POS = 0x4;
constexpr UINT SIF_DISABLENOSCROLL = 0x8;
constexpr UINT SIF_TRACKPOS = 0x10;
constexpr UINT SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;
struct SCROLLINFO {
    UINT fMask = 0;
    int nMin = 0;
    int nMax = 0;
    UINT nPage = 0;
    int nPos = 0;
    int nTrackPos = 0;
};
// Returns the position after the change (0 when the window does not exist).
int SetScrollInfo(HWND hWnd, int nBar, const SCROLLINFO& info, bool redraw);
bool GetScrollInfo(HWND hWnd, int nBar, SCROLLINFO& info);
// Returns the previous position.
int SetScrollPos(HWND hWnd, int nBar, int nPos, bool redraw);
int GetScrollPos(HWND hWnd, int nBar);
bool SetScrollRange(HWND hWnd, int nBar, int nMinPos, int nMaxPos, bool redraw);
bool GetScrollRange(HWND hWnd, int nBar, int& minPos, int& maxPos);
bool ShowScrollBar(HWND hWnd, int wBar, bool show);

// A device context on the window's client area (its back buffer, shown at once), so a control
// can draw outside its paint (rubber bands in XOR). Give it back with ReleaseDC. Window 0 is
// the screen: the drawing goes to a see-through window above all others (in screen
// coordinates), where black is transparent, so an XOR outline drawn twice disappears.
HDC GetDC(HWND hWnd);
int ReleaseDC(HWND hWnd, HDC hDC);

// Metrics of the classic look (pixels).
constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr int SM_CXVSCROLL = 2;
constexpr int SM_CYHSCROLL = 3;
constexpr int SM_CYCAPTION = 4;
constexpr int SM_CXBORDER = 5;
constexpr int SM_CYBORDER = 6;
constexpr int SM_CXDLGFRAME = 7;
constexpr int SM_CYDLGFRAME = 8;
constexpr int SM_CYVTHUMB = 9;
constexpr int SM_CXHTHUMB = 10;
constexpr int SM_CXICON = 11;
constexpr int SM_CYICON = 12;
constexpr int SM_CXCURSOR = 13;
constexpr int SM_CYCURSOR = 14;
constexpr int SM_CYMENU = 15;
constexpr int SM_CXFULLSCREEN = 16;
constexpr int SM_CYFULLSCREEN = 17;
constexpr int SM_CYVSCROLL = 20;
constexpr int SM_CXHSCROLL = 21;
constexpr int SM_CXMIN = 28;
constexpr int SM_CYMIN = 29;
constexpr int SM_CXFRAME = 32;
constexpr int SM_CYFRAME = 33;
constexpr int SM_CXDOUBLECLK = 36;
constexpr int SM_CYDOUBLECLK = 37;
constexpr int SM_CXEDGE = 45;
constexpr int SM_CYEDGE = 46;
constexpr int SM_CYSMCAPTION = 51;
int GetSystemMetrics(int nIndex);
// The double-click time in milliseconds.
UINT GetDoubleClickTime();

// Beep kinds of MessageBeep
constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_ICONHAND = 0x00000010;
constexpr UINT MB_ICONQUESTION = 0x00000020;
constexpr UINT MB_ICONEXCLAMATION = 0x00000030;
constexpr UINT MB_ICONASTERISK = 0x00000040;
constexpr UINT MB_OKCANCEL = 0x00000001;
constexpr UINT MB_ABORTRETRYIGNORE = 0x00000002;
constexpr UINT MB_YESNOCANCEL = 0x00000003;
constexpr UINT MB_YESNO = 0x00000004;
constexpr UINT MB_RETRYCANCEL = 0x00000005;
constexpr UINT MB_ICONERROR = MB_ICONHAND;
constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
constexpr UINT MB_DEFBUTTON2 = 0x00000100;
constexpr UINT MB_DEFBUTTON3 = 0x00000200;
constexpr UINT MB_APPLMODAL = 0x00000000;
constexpr UINT MB_TASKMODAL = 0x00002000;

// Answers of message boxes
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// Sounds the beep of the given kind through the beep service (Dialogs.h).
bool MessageBeep(UINT uType);
