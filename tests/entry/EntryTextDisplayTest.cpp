#include "controls/entry/EntryText.h"

#include "platform/gui/WinGdi.h"
#include "platform/gui/WinUser.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

TEST(VcUtilDisplay, ShiftFlagsFollowTheKeys) {
    ResetKeyState();
    EXPECT_EQ(GetShiftFlags(), 0);
    SetKeyDown(VK_SHIFT, true);
    EXPECT_EQ(GetShiftFlags(), 2);
    SetKeyDown(VK_CONTROL, true);
    SetKeyDown(VK_MENU, true);
    EXPECT_EQ(GetShiftFlags(), 2 + 4 + 8);
    SetKeyDown(VK_SHIFT, false);
    EXPECT_EQ(GetShiftFlags(), 4 + 8);
    ResetKeyState();
    EXPECT_EQ(PrimaryMouseButton(), VK_LBUTTON);
}

TEST(VcUtilDisplay, RotatedFontKeepsTheFontsLook) {
    TFont font;
    font.SetName("Arial");
    font.SetHeight(-16);
    font.SetStyle({fsBold, fsUnderline});
    font.SetPitch(fpFixed);
    const HFONT rotated = CreateRotatedFont(font, 90);
    LOGFONT made;
    ASSERT_TRUE(GetObject(rotated, made));
    EXPECT_EQ(made.lfHeight, -16);
    EXPECT_EQ(made.lfEscapement, 900);
    EXPECT_EQ(made.lfWeight, 700);
    EXPECT_EQ(made.lfItalic, 0);
    EXPECT_EQ(made.lfUnderline, 1);
    EXPECT_EQ(made.lfStrikeOut, 0);
    EXPECT_EQ(made.lfFaceName, "Arial");
    EXPECT_EQ(made.lfPitchAndFamily & 3, FIXED_PITCH);
    DeleteObject(rotated);
    font.SetStyle({fsItalic, fsStrikeOut});
    font.SetPitch(fpVariable);
    const HFONT plain = CreateRotatedFont(font, -45);
    ASSERT_TRUE(GetObject(plain, made));
    EXPECT_EQ(made.lfEscapement, -450);
    EXPECT_EQ(made.lfWeight, 400);
    EXPECT_EQ(made.lfItalic, 1);
    EXPECT_EQ(made.lfStrikeOut, 1);
    EXPECT_EQ(made.lfPitchAndFamily & 3, VARIABLE_PITCH);
    DeleteObject(plain);
}

TEST(VcUtilDisplay, TextTopOffsetByBorder) {
    TFont font;
    font.SetName("MS Sans Serif");
    font.SetHeight(-11);
    // Roomy fields put the text one pixel down with a border and at the top without one.
    EXPECT_EQ(TextTopOffset(font, bsSingle, 60, true), 1);
    EXPECT_EQ(TextTopOffset(font, bsSingle, 60, false), 1);
    EXPECT_EQ(TextTopOffset(font, bsNone, 60, false), 0);
    // Tight fields centre the text on what is left.
    const int h = 10;
    EXPECT_EQ(TextTopOffset(font, bsNone, h, false), TextTopOffset(font, bsNone, h, true));
    EXPECT_LT(TextTopOffset(font, bsSingle, h, true), 1);
    EXPECT_LT(TextTopOffset(font, bsSingle, h, false), 1);
}

TEST(VcUtilDisplay, TextTopOffsetAtTheEdgesOfTheRoom) {
    TFont font;
    font.SetName("MS Sans Serif");
    font.SetHeight(-11);
    const int c = std::min(CharHeight(GetStockObject(SYSTEM_FONT)), CharHeight(font.Handle()));
    // A 3-D border keeps the text a pixel down while 4 pixels are to spare, then centres it.
    EXPECT_EQ(TextTopOffset(font, bsSingle, c + 5, true), 1);
    EXPECT_EQ(TextTopOffset(font, bsSingle, c + 4, true), -1); // 0 / 2 - 1
    EXPECT_EQ(TextTopOffset(font, bsSingle, c, true), -3);     // -4 / 2 - 1
    // Without a border: at the top while 2 pixels are to spare; an odd remainder takes one
    // pixel more off (toward zero for a negative one).
    EXPECT_EQ(TextTopOffset(font, bsNone, c + 3, false), 0);
    EXPECT_EQ(TextTopOffset(font, bsNone, c + 2, false), 0);  // 0 / 2 - 0
    EXPECT_EQ(TextTopOffset(font, bsNone, c + 1, false), -1); // -1 / 2 - 1
    EXPECT_EQ(TextTopOffset(font, bsNone, c - 1, false), 0);  // -3 / 2 - (-1)
    // A plain border: a pixel down while 4 are to spare, else the same odd correction.
    EXPECT_EQ(TextTopOffset(font, bsSingle, c + 5, false), 1);
    EXPECT_EQ(TextTopOffset(font, bsSingle, c + 3, false), -1); // -1 / 2 - 1
}

} // namespace
