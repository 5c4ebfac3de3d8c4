// Internal to the GUI layer: a Qt key event as the virtual-key code, character and key data of
// the Win32 key messages it becomes, and back.
#pragma once

#include "platform/gui/Messages.h"

#include <Qt>

class QKeyEvent;

struct TKeyTranslation {
    Word VirtualKey = 0;
    int Char = -1; // the Windows-1252 character of WM_CHAR / WM_SYSCHAR, -1 when none
    LongInt KeyData = 0;
    bool Alt = false; // the SYS forms of the messages
};

// Translates a key press or release: letters and digits as their upper-case ASCII (shifted or
// not), the numeric pad 0x60..0x6F, F1..F12 0x70..0x7B, punctuation 0xBA..0xDE as on a US
// keyboard; Ctrl+letter gives 1..26, Ctrl+Enter 10, Backspace 8, Tab 9, Enter 13, Esc 27.
// Any other key that types a character (an accented letter, a currency sign) is VK_PACKET with
// its text's Windows-1252 byte as the character ('?' for one the code page lacks).
TKeyTranslation TranslateKeyEvent(const QKeyEvent& event);
// The character a virtual key types on a US keyboard with the given shift states, as Win32's
// TranslateMessage gives it for a posted key message; -1 when none.
int CharOfVirtualKey(Word vk, bool shift, bool ctrl, bool capsLock);
// The Qt key for a virtual-key code (Qt::Key_unknown when there is none).
Qt::Key QtKeyOfVirtualKey(Word vk);
