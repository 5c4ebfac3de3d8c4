// Popup windows (a windowed control that stands on the screen on its own above its form), the
// screen's work area and the processor family read from the system's description.
#include "GuiTestSupport.h"

#include "platform/gui/ExtCtrls.h"
#include "platform/gui/SysInfo.h"

namespace {

class TPopupPanel : public TPanel {
public:
    explicit TPopupPanel(TComponent* owner) : TPanel(owner) {}
    bool Popup = true;

protected:
    void CreateParams(TCreateParams& params) override {
        TPanel::CreateParams(params);
        if (Popup) params.Style |= WS_POPUP;
    }
};

TEST_F(TBlankFormTest, APopupStandsAtScreenCoordinatesAboveItsForm) {
    auto* popup = Make<TPopupPanel>(300, 250, 80, 40);
    auto* child = Make<TButton>(10, 5, 50, 20, popup);
    Application->ProcessMessages();
    ASSERT_TRUE(popup->HandleAllocated());
    EXPECT_TRUE(popup->PlacedOnScreen());
    QWidget* w = WidgetOf(popup);
    EXPECT_TRUE(w->isWindow());
    EXPECT_EQ(w->window(), w);
    EXPECT_EQ(w->parentWidget(), WidgetOf(form));
    EXPECT_TRUE(w->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    EXPECT_EQ(w->geometry(), QRect(300, 250, 80, 40));
    EXPECT_EQ(popup->ClientToScreen({0, 0}), (TPoint{300, 250}));
    EXPECT_EQ(child->ClientToScreen({0, 0}), (TPoint{310, 255}));
    TRect r;
    ASSERT_TRUE(GetWindowRect(popup->Handle(), r));
    EXPECT_EQ(r, Bounds(300, 250, 80, 40));
    popup->SetBounds(20, 30, 90, 40);
    EXPECT_EQ(w->geometry(), QRect(20, 30, 90, 40));
    // A child window again once it is made without the popup style.
    popup->Popup = false;
    popup->RecreateWnd();
    EXPECT_FALSE(popup->PlacedOnScreen());
    EXPECT_FALSE(WidgetOf(popup)->isWindow());
}

TEST(ScreenTest, TheWorkAreaLiesOnTheScreen) {
    InitApplication();
    const TRect work = Screen->WorkAreaRect();
    EXPECT_GT(work.Width(), 0);
    EXPECT_GT(work.Height(), 0);
    EXPECT_GE(work.Left, 0);
    EXPECT_LE(work.Right, Screen->Width());
    EXPECT_LE(work.Bottom, Screen->Height());
}

TEST(SysInfoTest, ProcessorFamilyFromCpuInfo) {
    EXPECT_EQ(ParseCpuFamily("processor\t: 0\nvendor_id\t: GenuineIntel\ncpu family\t: 6\n"), 6);
    EXPECT_EQ(ParseCpuFamily("cpu family : 25\ncpu family : 6\n"), 25);
    EXPECT_EQ(ParseCpuFamily("model name : ARMv8\n"), 0);
    EXPECT_EQ(ParseCpuFamily("cpu family : x\n"), 0);
    EXPECT_GE(ProcessorLevel(), 0);
}

} // namespace
