// Window messages under their Win32 numbers, the layer's own control notifications and the
// records that carry them. A handler receives the generic TMessage or one of the cracked forms
// below; a cracked form is filled from the TMessage before the handler runs and its result and
// changed fields are written back afterwards.
#pragma once

#include "platform/rtl/Types.h"

#include <cstdint>

using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using UINT = unsigned int;
using DWORD = std::uint32_t;
// A window's handle: a number the layer gives each window when it is created, never reused, so
// a handle of a destroyed window finds nothing. 0 means none.
using HWND = std::uintptr_t;

// Builds an LPARAM from two 16-bit halves, as Win32's MAKELONG does.
inline LPARAM MakeLParam(int low, int high) {
    return static_cast<LPARAM>(static_cast<std::int32_t>(
        (static_cast<std::uint32_t>(static_cast<Word>(high)) << 16) | static_cast<Word>(low)));
}
inline Word LoWord(std::intptr_t v) {
    return static_cast<Word>(v & 0xFFFF);
}
inline Word HiWord(std::intptr_t v) {
    return static_cast<Word>((v >> 16) & 0xFFFF);
}

// Window messages
constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_MOVE = 0x0003;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_ACTIVATE = 0x0006;
constexpr UINT WM_SETFOCUS = 0x0007;
constexpr UINT WM_KILLFOCUS = 0x0008;
constexpr UINT WM_ENABLE = 0x000A;
constexpr UINT WM_SETTEXT = 0x000C;
constexpr UINT WM_GETTEXT = 0x000D;
constexpr UINT WM_GETTEXTLENGTH = 0x000E;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_ERASEBKGND = 0x0014;
constexpr UINT WM_SHOWWINDOW = 0x0018;
constexpr UINT WM_ACTIVATEAPP = 0x001C;
constexpr UINT WM_CANCELMODE = 0x001F;
constexpr UINT WM_SETCURSOR = 0x0020;
constexpr UINT WM_MOUSEACTIVATE = 0x0021;
constexpr UINT WM_SETFONT = 0x0030;
constexpr UINT WM_GETFONT = 0x0031;
constexpr UINT WM_NCHITTEST = 0x0084;
constexpr UINT WM_NCPAINT = 0x0085;
constexpr UINT WM_NCACTIVATE = 0x0086;
constexpr UINT WM_GETDLGCODE = 0x0087;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_SYSKEYDOWN = 0x0104;
constexpr UINT WM_SYSKEYUP = 0x0105;
constexpr UINT WM_SYSCHAR = 0x0106;
constexpr UINT WM_INITDIALOG = 0x0110;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_SYSCOMMAND = 0x0112;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_HSCROLL = 0x0114;
constexpr UINT WM_VSCROLL = 0x0115;
constexpr UINT WM_INITMENUPOPUP = 0x0117;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_RBUTTONUP = 0x0205;
constexpr UINT WM_RBUTTONDBLCLK = 0x0206;
constexpr UINT WM_MBUTTONDOWN = 0x0207;
constexpr UINT WM_MBUTTONUP = 0x0208;
constexpr UINT WM_MBUTTONDBLCLK = 0x0209;
constexpr UINT WM_MOUSEWHEEL = 0x020A;
// The moves and button messages of the mouse (not the wheel).
constexpr bool IsMouseMessage(UINT Msg) {
    return Msg >= WM_MOUSEMOVE && Msg <= WM_MBUTTONDBLCLK;
}
constexpr UINT WM_NEXTDLGCTL = 0x0028;
constexpr UINT WM_CUT = 0x0300;
constexpr UINT WM_COPY = 0x0301;
constexpr UINT WM_PASTE = 0x0302;
constexpr UINT WM_CLEAR = 0x0303;
constexpr UINT WM_UNDO = 0x0304;
constexpr UINT WM_USER = 0x0400;

// Edit control messages
constexpr UINT EM_GETSEL = 0x00B0;
constexpr UINT EM_SETSEL = 0x00B1;
// The formatting rectangle of an edit: LParam points to a TRect in client coordinates.
constexpr UINT EM_GETRECT = 0x00B2;
constexpr UINT EM_SETRECT = 0x00B3;
constexpr UINT EM_SETRECTNP = 0x00B4;
constexpr UINT EM_GETMODIFY = 0x00B8;
constexpr UINT EM_SETMODIFY = 0x00B9;
constexpr UINT EM_LIMITTEXT = 0x00C5;
constexpr UINT EM_SETREADONLY = 0x00CF;

// Notifications of the control library, sent between controls (base 0xB000).
constexpr UINT CM_BASE = 0xB000;
constexpr UINT CM_ACTIVATE = CM_BASE + 0;
constexpr UINT CM_DEACTIVATE = CM_BASE + 1;
constexpr UINT CM_DIALOGKEY = CM_BASE + 5;
constexpr UINT CM_DIALOGCHAR = CM_BASE + 6;
constexpr UINT CM_FOCUSCHANGED = CM_BASE + 7;
constexpr UINT CM_PARENTFONTCHANGED = CM_BASE + 8;
constexpr UINT CM_PARENTCOLORCHANGED = CM_BASE + 9;
constexpr UINT CM_HITTEST = CM_BASE + 10;
constexpr UINT CM_VISIBLECHANGED = CM_BASE + 11;
constexpr UINT CM_ENABLEDCHANGED = CM_BASE + 12;
constexpr UINT CM_COLORCHANGED = CM_BASE + 13;
constexpr UINT CM_FONTCHANGED = CM_BASE + 14;
constexpr UINT CM_CURSORCHANGED = CM_BASE + 15;
constexpr UINT CM_TEXTCHANGED = CM_BASE + 18;
constexpr UINT CM_MOUSEENTER = CM_BASE + 19;
constexpr UINT CM_MOUSELEAVE = CM_BASE + 20;
constexpr UINT CM_BUTTONPRESSED = CM_BASE + 24;
constexpr UINT CM_SHOWINGCHANGED = CM_BASE + 25;
constexpr UINT CM_ENTER = CM_BASE + 26;
constexpr UINT CM_EXIT = CM_BASE + 27;
constexpr UINT CM_DESIGNHITTEST = CM_BASE + 28;
constexpr UINT CM_CANCELMODE = CM_BASE + 32;
constexpr UINT CM_TABSTOPCHANGED = CM_BASE + 35;
constexpr UINT CM_CHILDKEY = CM_BASE + 44;
constexpr UINT CM_WANTSPECIALKEY = CM_BASE + 46;
// Asks a data-aware control for its data link (the answer is the link's address, 0 = none).
constexpr UINT CM_GETDATALINK = CM_BASE + 49;

// Dialog codes answered to WM_GETDLGCODE
constexpr LRESULT DLGC_WANTARROWS = 0x0001;
constexpr LRESULT DLGC_WANTTAB = 0x0002;
constexpr LRESULT DLGC_WANTALLKEYS = 0x0004;
constexpr LRESULT DLGC_WANTMESSAGE = 0x0004;
constexpr LRESULT DLGC_HASSETSEL = 0x0008;
constexpr LRESULT DLGC_DEFPUSHBUTTON = 0x0010;
constexpr LRESULT DLGC_UNDEFPUSHBUTTON = 0x0020;
constexpr LRESULT DLGC_RADIOBUTTON = 0x0040;
constexpr LRESULT DLGC_WANTCHARS = 0x0080;
constexpr LRESULT DLGC_STATIC = 0x0100;
constexpr LRESULT DLGC_BUTTON = 0x2000;

// Mouse-message key flags (wParam)
constexpr WPARAM MK_LBUTTON = 0x0001;
constexpr WPARAM MK_RBUTTON = 0x0002;
constexpr WPARAM MK_SHIFT = 0x0004;
constexpr WPARAM MK_CONTROL = 0x0008;
constexpr WPARAM MK_MBUTTON = 0x0010;

// WM_NCHITTEST answers
constexpr LRESULT HTERROR = -2;
constexpr LRESULT HTTRANSPARENT = -1;
constexpr LRESULT HTNOWHERE = 0;
constexpr LRESULT HTCLIENT = 1;
constexpr LRESULT HTCAPTION = 2;

// WM_MOUSEACTIVATE answers
constexpr LRESULT MA_ACTIVATE = 1;
constexpr LRESULT MA_NOACTIVATE = 3;

// WM_ACTIVATE states
constexpr WPARAM WA_INACTIVE = 0;
constexpr WPARAM WA_ACTIVE = 1;
constexpr WPARAM WA_CLICKACTIVE = 2;

// WM_SIZE kinds
constexpr WPARAM SIZE_RESTORED = 0;
constexpr WPARAM SIZE_MINIMIZED = 1;
constexpr WPARAM SIZE_MAXIMIZED = 2;

// Scroll-bar codes of WM_HSCROLL / WM_VSCROLL
constexpr Word SB_LINEUP = 0;
constexpr Word SB_LINELEFT = 0;
constexpr Word SB_LINEDOWN = 1;
constexpr Word SB_LINERIGHT = 1;
constexpr Word SB_PAGEUP = 2;
constexpr Word SB_PAGELEFT = 2;
constexpr Word SB_PAGEDOWN = 3;
constexpr Word SB_PAGERIGHT = 3;
constexpr Word SB_THUMBPOSITION = 4;
constexpr Word SB_THUMBTRACK = 5;
constexpr Word SB_TOP = 6;
constexpr Word SB_BOTTOM = 7;
constexpr Word SB_ENDSCROLL = 8;

// The generic message record.
struct TMessage {
    UINT Msg = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
    LRESULT Result = 0;
};

// WM_KEYDOWN, WM_KEYUP, WM_CHAR, WM_SYS*: the virtual key (or character code) and the key data
// (repeat count in bits 0..15, scan code 16..23, extended 24, Alt 29, previous state 30,
// transition 31). A handler swallows the key by setting CharCode to 0.
struct TWMKey {
    UINT Msg = 0;
    Word CharCode = 0;
    LongInt KeyData = 0;
    LRESULT Result = 0;
    static TWMKey From(const TMessage& m) {
        return {m.Msg, static_cast<Word>(m.WParam), static_cast<LongInt>(m.LParam), m.Result};
    }
    void To(TMessage& m) const {
        m.WParam = CharCode;
        m.Result = Result;
    }
};
using TWMKeyDown = TWMKey;
using TWMKeyUp = TWMKey;
using TWMChar = TWMKey;
using TWMSysKeyDown = TWMKey;
using TWMSysChar = TWMKey;

// Mouse button and move messages: MK_ flags and the client position.
struct TWMMouse {
    UINT Msg = 0;
    LongInt Keys = 0;
    SmallInt XPos = 0;
    SmallInt YPos = 0;
    LRESULT Result = 0;
    static TWMMouse From(const TMessage& m) {
        return {m.Msg, static_cast<LongInt>(m.WParam), static_cast<SmallInt>(LoWord(m.LParam)),
                static_cast<SmallInt>(HiWord(m.LParam)), m.Result};
    }
    void To(TMessage& m) const { m.Result = Result; }
    TPoint Pos() const { return {XPos, YPos}; }
};
using TWMLButtonDown = TWMMouse;
using TWMLButtonUp = TWMMouse;
using TWMLButtonDblClk = TWMMouse;
using TWMRButtonDown = TWMMouse;
using TWMRButtonUp = TWMMouse;
using TWMMouseMove = TWMMouse;

// WM_SETFOCUS carries the window that lost the focus, WM_KILLFOCUS the one that gets it.
struct TWMSetFocus {
    UINT Msg = 0;
    HWND FocusedWnd = 0;
    LRESULT Result = 0;
    static TWMSetFocus From(const TMessage& m) { return {m.Msg, m.WParam, m.Result}; }
    void To(TMessage& m) const { m.Result = Result; }
};
using TWMKillFocus = TWMSetFocus;

struct TWMGetDlgCode {
    UINT Msg = 0;
    LRESULT Result = 0;
    static TWMGetDlgCode From(const TMessage& m) { return {m.Msg, m.Result}; }
    void To(TMessage& m) const { m.Result = Result; }
};

struct TWMTimer {
    UINT Msg = 0;
    WPARAM TimerID = 0;
    LRESULT Result = 0;
    static TWMTimer From(const TMessage& m) { return {m.Msg, m.WParam, m.Result}; }
    void To(TMessage& m) const { m.Result = Result; }
};

struct TWMCommand {
    UINT Msg = 0;
    Word ItemID = 0;
    Word NotifyCode = 0;
    HWND Ctl = 0;
    LRESULT Result = 0;
    static TWMCommand From(const TMessage& m) {
        return {m.Msg, LoWord(static_cast<std::intptr_t>(m.WParam)),
                HiWord(static_cast<std::intptr_t>(m.WParam)), static_cast<HWND>(m.LParam),
                m.Result};
    }
    void To(TMessage& m) const { m.Result = Result; }
};

struct TWMSize {
    UINT Msg = 0;
    WPARAM SizeType = 0;
    Word Width = 0;
    Word Height = 0;
    LRESULT Result = 0;
    static TWMSize From(const TMessage& m) {
        return {m.Msg, m.WParam, LoWord(m.LParam), HiWord(m.LParam), m.Result};
    }
    void To(TMessage& m) const { m.Result = Result; }
};

// WM_PAINT and WM_ERASEBKGND: the device context is the control's canvas while it paints.
struct TWMPaint {
    UINT Msg = 0;
    WPARAM DC = 0;
    LRESULT Result = 0;
    static TWMPaint From(const TMessage& m) { return {m.Msg, m.WParam, m.Result}; }
    void To(TMessage& m) const { m.Result = Result; }
};
using TWMEraseBkgnd = TWMPaint;

struct TWMScroll {
    UINT Msg = 0;
    SmallInt ScrollCode = 0;
    SmallInt Pos = 0;
    HWND ScrollBar = 0;
    LRESULT Result = 0;
    static TWMScroll From(const TMessage& m) {
        return {m.Msg, static_cast<SmallInt>(LoWord(static_cast<std::intptr_t>(m.WParam))),
                static_cast<SmallInt>(HiWord(static_cast<std::intptr_t>(m.WParam))),
                static_cast<HWND>(m.LParam), m.Result};
    }
    void To(TMessage& m) const { m.Result = Result; }
};
using TWMVScroll = TWMScroll;
using TWMHScroll = TWMScroll;

// WM_MOUSEWHEEL: MK_ flags, the turn (120 per notch, positive away from the user) and the
// mouse position on the screen.
struct TWMMouseWheel {
    UINT Msg = 0;
    Word Keys = 0;
    SmallInt WheelDelta = 0;
    SmallInt XPos = 0;
    SmallInt YPos = 0;
    LRESULT Result = 0;
    static TWMMouseWheel From(const TMessage& m) {
        return {m.Msg,
                LoWord(static_cast<std::intptr_t>(m.WParam)),
                static_cast<SmallInt>(HiWord(static_cast<std::intptr_t>(m.WParam))),
                static_cast<SmallInt>(LoWord(m.LParam)),
                static_cast<SmallInt>(HiWord(m.LParam)),
                m.Result};
    }
    void To(TMessage& m) const { m.Result = Result; }
};
constexpr int WHEEL_DELTA = 120;
// Lines a scrolling view moves for one notch of the wheel, as Win32's default setting.
constexpr int WheelLines = 3;

struct TWMNCHitTest {
    UINT Msg = 0;
    SmallInt XPos = 0; // screen coordinates
    SmallInt YPos = 0;
    LRESULT Result = 0;
    static TWMNCHitTest From(const TMessage& m) {
        return {m.Msg, static_cast<SmallInt>(LoWord(m.LParam)),
                static_cast<SmallInt>(HiWord(m.LParam)), m.Result};
    }
    void To(TMessage& m) const { m.Result = Result; }
};

struct TWMSetCursor {
    UINT Msg = 0;
    HWND CursorWnd = 0;
    SmallInt HitTest = 0;
    Word MouseMsg = 0;
    LRESULT Result = 0;
    static TWMSetCursor From(const TMessage& m) {
        return {m.Msg, m.WParam, static_cast<SmallInt>(LoWord(m.LParam)), HiWord(m.LParam),
                m.Result};
    }
    void To(TMessage& m) const { m.Result = Result; }
};

// CM_DIALOGKEY / CM_DIALOGCHAR / CM_CHILDKEY / CM_WANTSPECIALKEY use the key layout.
using TCMDialogKey = TWMKey;
using TCMDialogChar = TWMKey;
using TCMWantSpecialKey = TWMKey;
