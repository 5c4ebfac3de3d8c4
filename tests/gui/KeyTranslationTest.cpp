#include "platform/gui/QtKeys.h"
#include "platform/gui/WinUser.h"

#include <QKeyEvent>
#include <gtest/gtest.h>

namespace {

TKeyTranslation Press(int key, Qt::KeyboardModifiers mods = Qt::NoModifier,
                      const QString& text = {}, bool repeat = false) {
    QKeyEvent e(QEvent::KeyPress, key, mods, text, repeat);
    return TranslateKeyEvent(e);
}

TKeyTranslation Release(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QKeyEvent e(QEvent::KeyRelease, key, mods, QString());
    return TranslateKeyEvent(e);
}

TEST(KeyTranslationTest, LettersAndDigitsAreTheirUpperCaseCodes) {
    EXPECT_EQ(Press(Qt::Key_Q, Qt::NoModifier, "q").VirtualKey, 'Q');
    EXPECT_EQ(Press(Qt::Key_Q, Qt::NoModifier, "q").Char, 'q');
    EXPECT_EQ(Press(Qt::Key_Q, Qt::ShiftModifier, "Q").Char, 'Q');
    EXPECT_EQ(Press(Qt::Key_7, Qt::NoModifier, "7").VirtualKey, '7');
    // Shifted digits keep the digit's key.
    EXPECT_EQ(Press(Qt::Key_ParenLeft, Qt::ShiftModifier, "(").VirtualKey, '9');
    EXPECT_EQ(Press(Qt::Key_ParenLeft, Qt::ShiftModifier, "(").Char, '(');
    EXPECT_EQ(Press(Qt::Key_Dollar, Qt::ShiftModifier, "$").VirtualKey, '4');
    // Without text, letters type their lower or upper case.
    EXPECT_EQ(Press(Qt::Key_B).Char, 'b');
    EXPECT_EQ(Press(Qt::Key_B, Qt::ShiftModifier).Char, 'B');
}

TEST(KeyTranslationTest, NumericPadFunctionKeysAndPunctuation) {
    const Qt::KeyboardModifiers pad = Qt::KeypadModifier;
    EXPECT_EQ(Press(Qt::Key_0, pad, "0").VirtualKey, VK_NUMPAD0);
    EXPECT_EQ(Press(Qt::Key_9, pad, "9").VirtualKey, VK_NUMPAD9);
    EXPECT_EQ(Press(Qt::Key_Asterisk, pad, "*").VirtualKey, VK_MULTIPLY);
    EXPECT_EQ(Press(Qt::Key_Plus, pad, "+").VirtualKey, VK_ADD);
    EXPECT_EQ(Press(Qt::Key_Minus, pad, "-").VirtualKey, VK_SUBTRACT);
    EXPECT_EQ(Press(Qt::Key_Period, pad, ".").VirtualKey, VK_DECIMAL);
    EXPECT_EQ(Press(Qt::Key_Slash, pad, "/").VirtualKey, VK_DIVIDE);
    EXPECT_EQ(Press(Qt::Key_F1).VirtualKey, VK_F1);
    EXPECT_EQ(Press(Qt::Key_F12).VirtualKey, VK_F12);
    EXPECT_EQ(Press(Qt::Key_F12).Char, -1);
    const std::pair<int, Word> punctuation[] = {
        {Qt::Key_Semicolon, 0xBA},    {Qt::Key_Equal, 0xBB},       {Qt::Key_Comma, 0xBC},
        {Qt::Key_Minus, 0xBD},        {Qt::Key_Period, 0xBE},      {Qt::Key_Slash, 0xBF},
        {Qt::Key_QuoteLeft, 0xC0},    {Qt::Key_BracketLeft, 0xDB}, {Qt::Key_Backslash, 0xDC},
        {Qt::Key_BracketRight, 0xDD}, {Qt::Key_Apostrophe, 0xDE},  {Qt::Key_Question, 0xBF},
        {Qt::Key_Colon, 0xBA},        {Qt::Key_Underscore, 0xBD},  {Qt::Key_QuoteDbl, 0xDE}};
    for (auto [key, vk] : punctuation)
        EXPECT_EQ(Press(key).VirtualKey, vk) << key;
}

TEST(KeyTranslationTest, ControlCharacters) {
    EXPECT_EQ(Press(Qt::Key_A, Qt::ControlModifier, "\x01").Char, 1);
    EXPECT_EQ(Press(Qt::Key_Z, Qt::ControlModifier).Char, 26);
    EXPECT_EQ(Press(Qt::Key_Return, Qt::ControlModifier).Char, 10);
    EXPECT_EQ(Press(Qt::Key_Backspace).Char, 8);
    EXPECT_EQ(Press(Qt::Key_Tab).Char, 9);
    EXPECT_EQ(Press(Qt::Key_Backtab, Qt::ShiftModifier).Char, 9);
    EXPECT_EQ(Press(Qt::Key_Return, Qt::NoModifier, "\r").Char, 13);
    EXPECT_EQ(Press(Qt::Key_Enter, Qt::KeypadModifier, "\r").Char, 13);
    EXPECT_EQ(Press(Qt::Key_Escape).Char, 27);
    // Ctrl with a digit types nothing; Delete's text is no character.
    EXPECT_EQ(Press(Qt::Key_5, Qt::ControlModifier, "5").Char, -1);
    EXPECT_EQ(Press(Qt::Key_Delete, Qt::NoModifier, "\x7F").Char, -1);
    EXPECT_EQ(Press(Qt::Key_Delete).VirtualKey, VK_DELETE);
}

TEST(KeyTranslationTest, CharactersAreWindows1252) {
    EXPECT_EQ(Press(Qt::Key_Eacute, Qt::NoModifier, QString::fromUtf8("é")).Char, 0xE9);
    EXPECT_EQ(Press(Qt::Key_unknown, Qt::NoModifier, QString::fromUtf8("€")).Char, 0x80);
    EXPECT_EQ(Press(Qt::Key_unknown, Qt::NoModifier, QString::fromUtf8("£")).Char, 0xA3);
    // Keys with no code of their own come down as VK_PACKET, pressed and released alike.
    EXPECT_EQ(Press(Qt::Key_Eacute, Qt::NoModifier, QString::fromUtf8("é")).VirtualKey, VK_PACKET);
    EXPECT_EQ(Press(Qt::Key_unknown, Qt::NoModifier, QString::fromUtf8("€")).VirtualKey, VK_PACKET);
    EXPECT_EQ(Release(Qt::Key_unknown).VirtualKey, VK_PACKET);
    EXPECT_EQ(Release(Qt::Key_ssharp).VirtualKey, VK_PACKET);
    // A composed character may come with no key, and as a letter with a combining accent.
    const TKeyTranslation composed = Press(0, Qt::NoModifier, QString::fromUtf8("e\u0301"));
    EXPECT_EQ(composed.VirtualKey, VK_PACKET);
    EXPECT_EQ(composed.Char, 0xE9);
    // A character the code page lacks arrives as a question mark.
    EXPECT_EQ(Press(Qt::Key_unknown, Qt::NoModifier, QString::fromUtf8("Ж")).Char, '?');
    // AltGr (Ctrl+Alt) types characters, not control codes or system keys.
    const TKeyTranslation altGr =
        Press(Qt::Key_E, Qt::ControlModifier | Qt::AltModifier, QString::fromUtf8("€"));
    EXPECT_EQ(altGr.Char, 0x80);
    EXPECT_FALSE(altGr.Alt);
}

TEST(KeyTranslationTest, KeyDataBits) {
    const TKeyTranslation left = Press(Qt::Key_Left);
    EXPECT_EQ(left.KeyData & 0xFFFF, 1);
    EXPECT_NE(left.KeyData & (KF_EXTENDED << 16), 0);
    EXPECT_EQ(left.KeyData & (KF_UP << 16), 0);
    EXPECT_EQ(Press(Qt::Key_A, Qt::NoModifier, "a").KeyData & (KF_EXTENDED << 16), 0);
    const TKeyTranslation up = Release(Qt::Key_A);
    EXPECT_NE(up.KeyData & (KF_UP << 16), 0);
    EXPECT_NE(up.KeyData & (KF_REPEAT << 16), 0);
    EXPECT_EQ(up.Char, -1);
    EXPECT_NE(Press(Qt::Key_A, Qt::NoModifier, "a", true).KeyData & (KF_REPEAT << 16), 0);
    const TKeyTranslation alt = Press(Qt::Key_X, Qt::AltModifier, "x");
    EXPECT_TRUE(alt.Alt);
    EXPECT_NE(alt.KeyData & (KF_ALTDOWN << 16), 0);
    EXPECT_EQ(alt.Char, 'x');
    EXPECT_TRUE(Press(Qt::Key_Alt).Alt);
    EXPECT_NE(Press(Qt::Key_Slash, Qt::KeypadModifier, "/").KeyData & (KF_EXTENDED << 16), 0);
}

TEST(KeyTranslationTest, CharactersOfVirtualKeysForPostedKeys) {
    EXPECT_EQ(CharOfVirtualKey('A', false, false, false), 'a');
    EXPECT_EQ(CharOfVirtualKey('A', true, false, false), 'A');
    EXPECT_EQ(CharOfVirtualKey('A', false, false, true), 'A');
    EXPECT_EQ(CharOfVirtualKey('A', true, false, true), 'a');
    EXPECT_EQ(CharOfVirtualKey('C', false, true, false), 3);
    EXPECT_EQ(CharOfVirtualKey('2', true, false, false), '@');
    EXPECT_EQ(CharOfVirtualKey('0', true, false, false), ')');
    EXPECT_EQ(CharOfVirtualKey(VK_NUMPAD7, true, false, false), '7');
    EXPECT_EQ(CharOfVirtualKey(VK_OEM_PERIOD, false, false, false), '.');
    EXPECT_EQ(CharOfVirtualKey(VK_OEM_7, true, false, false), '"');
    EXPECT_EQ(CharOfVirtualKey(VK_RETURN, false, true, false), 10);
    EXPECT_EQ(CharOfVirtualKey(VK_RETURN, false, false, false), 13);
    EXPECT_EQ(CharOfVirtualKey(VK_LEFT, false, false, false), -1);
    EXPECT_EQ(CharOfVirtualKey(VK_F2, false, false, false), -1);
    EXPECT_EQ(CharOfVirtualKey('5', false, true, false), -1);
}

TEST(KeyTranslationTest, VirtualKeysBackToQtKeys) {
    for (Word vk : {Word('A'), Word('0'), VK_F5, VK_LEFT, VK_DELETE, VK_RETURN, VK_OEM_PERIOD,
                    VK_NUMPAD3, VK_TAB, VK_ESCAPE, VK_PRIOR}) {
        const Qt::Key key = QtKeyOfVirtualKey(vk);
        ASSERT_NE(key, Qt::Key_unknown) << vk;
        const bool pad = vk >= VK_NUMPAD0 && vk <= VK_DIVIDE;
        QKeyEvent e(QEvent::KeyPress, key, pad ? Qt::KeypadModifier : Qt::NoModifier);
        EXPECT_EQ(TranslateKeyEvent(e).VirtualKey, vk);
    }
    EXPECT_EQ(QtKeyOfVirtualKey(0xFF), Qt::Key_unknown);
}

} // namespace
