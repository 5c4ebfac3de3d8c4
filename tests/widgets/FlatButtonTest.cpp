// The flat toolbar button under the mouse: its four states with enter and exit, the click only
// from a press and release inside, the glyph each state shows, the frame it draws and the
// popup menu a left press opens.
#include "WidgetsTestSupport.h"

#include "platform/gui/Menus.h"
#include "widgets/FlatButton.h"

#include <memory>

namespace {

// A bitmap of one colour with an olive border, the colour the buttons leave out.
std::unique_ptr<TBitmap> Square(TColor color, int size = 20) {
    auto b = std::make_unique<TBitmap>();
    b->SetSize(size, size);
    b->Canvas()->Brush()->SetColor(clOlive);
    b->Canvas()->FillRect(Rect(0, 0, size, size));
    b->Canvas()->Brush()->SetColor(color);
    b->Canvas()->FillRect(Rect(2, 2, size - 2, size - 2));
    return b;
}

class ExpBtnTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetKeyState();
        form = std::make_unique<TForm>(nullptr);
        form->SetBounds(30, 30, 300, 200);
        button = new TExplorerButton(form.get());
        button->SetParent(form.get());
        button->SetBounds(20, 20, 34, 34);
        button->OnClick = [this](TObject*) { ++clicks; };
        button->OnMouseEnter = [this](TObject*) { log += "enter "; };
        button->OnMouseExit = [this](TObject*) { log += "exit "; };
        form->Show();
        Application->ProcessMessages();
    }
    TPoint At(int x, int y) { return button->ClientToScreen({x, y}); }
    std::unique_ptr<TForm> form;
    TExplorerButton* button = nullptr;
    int clicks = 0;
    std::string log;
    TRecordedServices services;
};

TEST_F(ExpBtnTest, DefaultsOfANewButton) {
    TExplorerButton b(nullptr);
    EXPECT_EQ(b.Width(), 50);
    EXPECT_EQ(b.Height(), 40);
    EXPECT_EQ(b.TransparentColor(), clOlive);
    EXPECT_EQ(b.Position(), bsTop);
    EXPECT_EQ(b.State(), TExplorerButton::bstUp);
}

TEST_F(ExpBtnTest, TheMouseMakesItHotAndLeavingMakesItFlatAgain) {
    MoveTo(button, At(10, 10), false);
    EXPECT_EQ(button->State(), TExplorerButton::bstHot);
    EXPECT_TRUE(button->MouseCapture());
    // Outside, the capture still brings the move to the button.
    MoveTo(button, At(100, 10), false);
    EXPECT_EQ(button->State(), TExplorerButton::bstUp);
    EXPECT_FALSE(button->MouseCapture());
    EXPECT_EQ(log, "enter exit ");
}

TEST_F(ExpBtnTest, PressDragOutAndBackInThenLetGoOutsideGivesNoClick) {
    MoveTo(button, At(10, 10), false);
    PressAt(button, At(10, 10));
    EXPECT_EQ(button->State(), TExplorerButton::bstPressed);
    MoveTo(button, At(80, 10));
    EXPECT_EQ(button->State(), TExplorerButton::bstPressedOutside);
    MoveTo(button, At(12, 12));
    EXPECT_EQ(button->State(), TExplorerButton::bstPressed);
    MoveTo(button, At(80, 10));
    ReleaseAt(button, At(80, 10));
    EXPECT_EQ(button->State(), TExplorerButton::bstUp);
    EXPECT_EQ(clicks, 0);
    EXPECT_FALSE(button->MouseCapture());
}

TEST_F(ExpBtnTest, AClickInsideLeavesTheButtonHot) {
    MoveTo(button, At(10, 10), false);
    PressAt(button, At(10, 10));
    ReleaseAt(button, At(11, 11));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(button->State(), TExplorerButton::bstHot);
    EXPECT_TRUE(button->MouseCapture());
}

TEST_F(ExpBtnTest, EachStateShowsItsGlyph) {
    auto inactive = Square(clGray);
    auto active = Square(clRed);
    auto disabled = Square(clSilver);
    button->SetGlyphInactive(inactive.get());
    EXPECT_EQ(button->CurrentGlyph(), button->GlyphInactive());
    MoveTo(button, At(10, 10), false);
    // Hot without an active glyph keeps the inactive one.
    EXPECT_EQ(button->CurrentGlyph(), button->GlyphInactive());
    button->SetGlyphActive(active.get());
    EXPECT_EQ(button->CurrentGlyph(), button->GlyphActive());
    button->SetEnabled(false);
    // Disabled without a disabled glyph shows the inactive one.
    EXPECT_EQ(button->CurrentGlyph(), button->GlyphInactive());
    button->SetGlyphDisabled(disabled.get());
    EXPECT_EQ(button->CurrentGlyph(), button->GlyphDisabled());
}

TEST_F(ExpBtnTest, HotDrawsARaisedFrameAndPressedMovesTheGlyph) {
    auto red = Square(clRed);
    button->SetGlyphInactive(red.get());
    const QColor face = TColorToQColor(clBtnFace);
    QImage up = PictureOf(form.get()).copy(20, 20, 34, 34);
    EXPECT_EQ(up.pixelColor(0, 0), face);
    EXPECT_EQ(up.pixelColor(33, 33), face);
    // The olive border of the glyph is left out; its red middle shows centred.
    EXPECT_EQ(up.pixelColor(7 + 1, 17), face);
    EXPECT_EQ(up.pixelColor(7 + 2, 17), TColorToQColor(clRed));
    MoveTo(button, At(10, 10), false);
    QImage hot = PictureOf(form.get()).copy(20, 20, 34, 34);
    EXPECT_EQ(hot.pixelColor(0, 5), TColorToQColor(clBtnHighlight));
    EXPECT_EQ(hot.pixelColor(5, 0), TColorToQColor(clBtnHighlight));
    EXPECT_EQ(hot.pixelColor(33, 5), TColorToQColor(clBtnShadow));
    EXPECT_EQ(hot.pixelColor(5, 33), TColorToQColor(clBtnShadow));
    PressAt(button, At(10, 10));
    QImage pressed = PictureOf(form.get()).copy(20, 20, 34, 34);
    EXPECT_EQ(pressed.pixelColor(0, 5), TColorToQColor(clBtnShadow));
    EXPECT_EQ(pressed.pixelColor(33, 5), TColorToQColor(clBtnHighlight));
    EXPECT_EQ(pressed.pixelColor(7 + 2, 17), face);
    EXPECT_EQ(pressed.pixelColor(7 + 3, 17), TColorToQColor(clRed));
    ReleaseAt(button, At(10, 10));
}

TEST_F(ExpBtnTest, ALeftPressOpensThePopupMenuUnderTheButtonAndARightClickDoesNot) {
    auto* menu = new TPopupMenu(form.get());
    menu->Items()->Add(NewItem(form.get(), "&Amortization", scNone, {}));
    button->SetPopupMenu(menu);
    std::vector<TPoint> shown;
    const TPopupHook old = SetPopupHook([&](TMenuItem*, int x, int y) -> TMenuItem* {
        shown.push_back({x, y});
        return nullptr;
    });
    SendMouse(button, QEvent::MouseButtonPress, At(5, 5), Qt::RightButton, Qt::RightButton);
    SendMouse(button, QEvent::MouseButtonRelease, At(5, 5), Qt::RightButton, Qt::NoButton);
    EXPECT_TRUE(shown.empty());
    PressAt(button, At(5, 5));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], button->ClientToScreen({0, button->Height()}));
    EXPECT_EQ(menu->PopupComponent(), button);
    EXPECT_EQ(button->State(), TExplorerButton::bstUp);
    EXPECT_FALSE(button->MouseCapture());
    ReleaseAt(button, At(5, 5));
    SetPopupHook(old);
}

TEST_F(ExpBtnTest, TheBuildsGlyphsLoadAndMissingOnesStayEmpty) {
#ifdef VANTREL_GLYPH_DIR
    EXPECT_TRUE(LoadButtonGlyphs(button, VANTREL_GLYPH_DIR, "loan"));
    EXPECT_EQ(button->GlyphInactive()->Width(), 28);
    EXPECT_EQ(button->GlyphDisabled()->Height(), 28);
    // The corner is the colour the button leaves out.
    EXPECT_EQ(button->GlyphActive()->Canvas()->Pixels(0, 27), clOlive);
#endif
    TExplorerButton other(nullptr);
    EXPECT_FALSE(LoadButtonGlyphs(&other, "/nonexistent", "loan"));
    EXPECT_TRUE(other.GlyphInactive()->Empty());
}

} // namespace
