#include "platform/gui/QtKeys.h"

#include "platform/gui/QtPaint.h"
#include "platform/gui/WinUser.h"

#include <QKeyEvent>

#include <cctype>
#include <utility>

namespace {

struct TKeyPair {
    int QtKey;
    Word Vk;
};

// Keys whose code differs from their ASCII; shifted punctuation maps to its unshifted key.
constexpr TKeyPair kKeys[] = {{Qt::Key_Backspace, VK_BACK},
                              {Qt::Key_Tab, VK_TAB},
                              {Qt::Key_Backtab, VK_TAB},
                              {Qt::Key_Return, VK_RETURN},
                              {Qt::Key_Enter, VK_RETURN},
                              {Qt::Key_Escape, VK_ESCAPE},
                              {Qt::Key_Space, VK_SPACE},
                              {Qt::Key_PageUp, VK_PRIOR},
                              {Qt::Key_PageDown, VK_NEXT},
                              {Qt::Key_End, VK_END},
                              {Qt::Key_Home, VK_HOME},
                              {Qt::Key_Left, VK_LEFT},
                              {Qt::Key_Up, VK_UP},
                              {Qt::Key_Right, VK_RIGHT},
                              {Qt::Key_Down, VK_DOWN},
                              {Qt::Key_Insert, VK_INSERT},
                              {Qt::Key_Delete, VK_DELETE},
                              {Qt::Key_Shift, VK_SHIFT},
                              {Qt::Key_Control, VK_CONTROL},
                              {Qt::Key_Alt, VK_MENU},
                              {Qt::Key_AltGr, VK_MENU},
                              {Qt::Key_CapsLock, VK_CAPITAL},
                              {Qt::Key_NumLock, VK_NUMLOCK},
                              {Qt::Key_ScrollLock, VK_SCROLL},
                              {Qt::Key_Pause, VK_PAUSE},
                              {Qt::Key_Print, VK_SNAPSHOT},
                              {Qt::Key_Menu, VK_APPS},
                              {Qt::Key_Help, VK_HELP},
                              {Qt::Key_Clear, VK_CLEAR},
                              {Qt::Key_Meta, VK_LWIN},
                              {Qt::Key_Exclam, '1'},
                              {Qt::Key_At, '2'},
                              {Qt::Key_NumberSign, '3'},
                              {Qt::Key_Dollar, '4'},
                              {Qt::Key_Percent, '5'},
                              {Qt::Key_AsciiCircum, '6'},
                              {Qt::Key_Ampersand, '7'},
                              {Qt::Key_Asterisk, '8'},
                              {Qt::Key_ParenLeft, '9'},
                              {Qt::Key_ParenRight, '0'},
                              {Qt::Key_Semicolon, VK_OEM_1},
                              {Qt::Key_Colon, VK_OEM_1},
                              {Qt::Key_Equal, VK_OEM_PLUS},
                              {Qt::Key_Plus, VK_OEM_PLUS},
                              {Qt::Key_Comma, VK_OEM_COMMA},
                              {Qt::Key_Less, VK_OEM_COMMA},
                              {Qt::Key_Minus, VK_OEM_MINUS},
                              {Qt::Key_Underscore, VK_OEM_MINUS},
                              {Qt::Key_Period, VK_OEM_PERIOD},
                              {Qt::Key_Greater, VK_OEM_PERIOD},
                              {Qt::Key_Slash, VK_OEM_2},
                              {Qt::Key_Question, VK_OEM_2},
                              {Qt::Key_QuoteLeft, VK_OEM_3},
                              {Qt::Key_AsciiTilde, VK_OEM_3},
                              {Qt::Key_BracketLeft, VK_OEM_4},
                              {Qt::Key_BraceLeft, VK_OEM_4},
                              {Qt::Key_Backslash, VK_OEM_5},
                              {Qt::Key_Bar, VK_OEM_5},
                              {Qt::Key_BracketRight, VK_OEM_6},
                              {Qt::Key_BraceRight, VK_OEM_6},
                              {Qt::Key_Apostrophe, VK_OEM_7},
                              {Qt::Key_QuoteDbl, VK_OEM_7}};

// Keys of the numeric pad (with Qt's keypad modifier).
constexpr TKeyPair kPadKeys[] = {{Qt::Key_Asterisk, VK_MULTIPLY}, {Qt::Key_Plus, VK_ADD},
                                 {Qt::Key_Minus, VK_SUBTRACT},    {Qt::Key_Period, VK_DECIMAL},
                                 {Qt::Key_Comma, VK_DECIMAL},     {Qt::Key_Slash, VK_DIVIDE},
                                 {Qt::Key_Enter, VK_RETURN}};

// Keys that carry the extended bit in their key data.
bool IsExtended(int qtKey, bool keypad) {
    switch (qtKey) {
    case Qt::Key_Insert:
    case Qt::Key_Delete:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_NumLock:
    case Qt::Key_AltGr: return true;
    case Qt::Key_Enter:
    case Qt::Key_Slash: return keypad;
    default: return false;
    }
}

Word VirtualKeyOf(int key, bool keypad) {
    if (keypad) {
        if (key >= Qt::Key_0 && key <= Qt::Key_9)
            return static_cast<Word>(VK_NUMPAD0 + key - Qt::Key_0);
        for (const auto& p : kPadKeys)
            if (p.QtKey == key) return p.Vk;
    }
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return static_cast<Word>(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12) return static_cast<Word>(VK_F1 + key - Qt::Key_F1);
    for (const auto& p : kKeys)
        if (p.QtKey == key) return p.Vk;
    // Qt gives a key of its own range (from 0x01000000) to keys that type nothing; any other
    // key, an unknown one and none (0, as composed characters may come) types its text.
    if (key == Qt::Key_unknown || (key >= 0 && key < Qt::Key_Escape)) return VK_PACKET;
    return 0;
}

// The character a Ctrl+key combination types, -1 when none.
int ControlChar(int key) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return key - Qt::Key_A + 1;
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return 10;
    case Qt::Key_Backspace: return 0x7F;
    case Qt::Key_BracketLeft: return 27;
    case Qt::Key_Backslash: return 28;
    case Qt::Key_BracketRight: return 29;
    default: return -1;
    }
}

int CharOf(const QKeyEvent& event, bool ctrl, bool shift) {
    const int key = event.key();
    if (ctrl) return ControlChar(key);
    switch (key) {
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Escape: return 27;
    default: break;
    }
    // A letter and a combining accent (as input methods may send them) are one character.
    const QString text = event.text().normalized(QString::NormalizationForm_C);
    if (!text.isEmpty()) {
        const char32_t c = text.toUcs4().value(0);
        if (c < 0x20 || c == 0x7F) return -1;
        const std::string ansi = QStringToAnsi(QString::fromUcs4(&c, 1));
        return ansi.empty() ? -1 : static_cast<unsigned char>(ansi[0]);
    }
    // Events made without text (as some synthetic ones are) still type their letter or digit.
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return shift ? key : std::tolower(key);
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return key;
    if (key == Qt::Key_Space) return ' ';
    return -1;
}

} // namespace

TKeyTranslation TranslateKeyEvent(const QKeyEvent& event) {
    const Qt::KeyboardModifiers mods = event.modifiers();
    const bool keypad = mods.testFlag(Qt::KeypadModifier);
    const bool ctrl = mods.testFlag(Qt::ControlModifier);
    // Pressing Alt itself is a system key even when the event does not yet carry the modifier.
    const bool alt = mods.testFlag(Qt::AltModifier) ||
                     (event.key() == Qt::Key_Alt && event.type() == QEvent::KeyPress);
    const bool shift = mods.testFlag(Qt::ShiftModifier);
    const bool release = event.type() == QEvent::KeyRelease;

    TKeyTranslation t;
    t.VirtualKey = VirtualKeyOf(event.key(), keypad);
    // Alt together with Ctrl is AltGr on most keyboards: it types characters normally.
    t.Alt = alt && !ctrl;
    LongInt high = 0;
    if (IsExtended(event.key(), keypad)) high |= KF_EXTENDED;
    if (t.Alt) high |= KF_ALTDOWN;
    if (release)
        high |= KF_UP | KF_REPEAT;
    else if (event.isAutoRepeat())
        high |= KF_REPEAT;
    t.KeyData = static_cast<LongInt>((static_cast<std::uint32_t>(high) << 16) | 1u);
    if (!release) {
        const bool controlOnly = ctrl && !alt;
        t.Char = CharOf(event, controlOnly, shift);
    }
    return t;
}

Qt::Key QtKeyOfVirtualKey(Word vk) {
    if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) return static_cast<Qt::Key>(vk);
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9)
        return static_cast<Qt::Key>(Qt::Key_0 + vk - VK_NUMPAD0);
    if (vk >= VK_F1 && vk <= VK_F12) return static_cast<Qt::Key>(Qt::Key_F1 + vk - VK_F1);
    for (const auto& p : kPadKeys)
        if (p.Vk == vk) return static_cast<Qt::Key>(p.QtKey);
    for (const auto& p : kKeys)
        if (p.Vk == vk) return static_cast<Qt::Key>(p.QtKey);
    return Qt::Key_unknown;
}

int CharOfVirtualKey(Word vk, bool shift, bool ctrl, bool capsLock) {
    const bool letter = vk >= 'A' && vk <= 'Z';
    if (ctrl) {
        if (letter) return vk - 'A' + 1;
        switch (vk) {
        case VK_RETURN: return 10;
        case VK_BACK: return 0x7F;
        case VK_OEM_4: return 27;
        case VK_OEM_5: return 28;
        case VK_OEM_6: return 29;
        default: return -1;
        }
    }
    if (letter) return (shift != capsLock) ? vk : std::tolower(vk);
    if (vk >= '0' && vk <= '9') return shift ? ")!@#$%^&*("[vk - '0'] : vk;
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) return '0' + (vk - VK_NUMPAD0);
    static constexpr std::pair<Word, std::pair<char, char>> kTyped[] = {
        {VK_MULTIPLY, {'*', '*'}},  {VK_ADD, {'+', '+'}},       {VK_SUBTRACT, {'-', '-'}},
        {VK_DECIMAL, {'.', '.'}},   {VK_DIVIDE, {'/', '/'}},    {VK_SPACE, {' ', ' '}},
        {VK_RETURN, {13, 13}},      {VK_TAB, {9, 9}},           {VK_ESCAPE, {27, 27}},
        {VK_BACK, {8, 8}},          {VK_OEM_1, {';', ':'}},     {VK_OEM_PLUS, {'=', '+'}},
        {VK_OEM_COMMA, {',', '<'}}, {VK_OEM_MINUS, {'-', '_'}}, {VK_OEM_PERIOD, {'.', '>'}},
        {VK_OEM_2, {'/', '?'}},     {VK_OEM_3, {'`', '~'}},     {VK_OEM_4, {'[', '{'}},
        {VK_OEM_5, {'\\', '|'}},    {VK_OEM_6, {']', '}'}},     {VK_OEM_7, {'\'', '"'}}};
    for (const auto& [key, chars] : kTyped)
        if (key == vk) return static_cast<unsigned char>(shift ? chars.second : chars.first);
    return -1;
}
