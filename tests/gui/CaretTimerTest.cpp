#include "GuiTestSupport.h"

#include "platform/gui/ExtCtrls.h"
#include "platform/gui/QtPaint.h"
#include "platform/rtl/Clock.h"

#include <QImage>
#include <gtest/gtest.h>

namespace {

class CaretTimerTest : public TTestFormTest {
protected:
    void SetUp() override {
        TTestFormTest::SetUp();
        form->Custom->Clear();
    }
    void TearDown() override {
        DestroyCaret();
        TTestFormTest::TearDown();
    }
    TManualClock clock;
    TClockOverride useClock{clock};
};

TEST_F(CaretTimerTest, WindowTimerFiresWhenTheClockAdvances) {
    const HWND h = form->Custom->Handle();
    EXPECT_EQ(SetTimer(h, 7, 100), 7u);
    clock.Advance(99);
    Application->ProcessMessages();
    EXPECT_TRUE(form->Custom->Log.empty());
    clock.Advance(1);
    Application->ProcessMessages();
    EXPECT_EQ(form->Custom->Log, (std::vector<std::string>{"TIMER 7"}));
    // A late timer fires once, not once per missed interval.
    clock.Advance(350);
    Application->ProcessMessages();
    EXPECT_EQ(form->Custom->Log.size(), 2u);
    EXPECT_TRUE(KillTimer(h, 7));
    EXPECT_FALSE(KillTimer(h, 7));
    clock.Advance(1000);
    Application->ProcessMessages();
    EXPECT_EQ(form->Custom->Log.size(), 2u);
    EXPECT_EQ(SetTimer(0x7FFFFFFF, 1, 10), 0u);
}

TEST_F(CaretTimerTest, TimersOfADestroyedWindowStop) {
    auto* other = new TRecorder(form);
    other->SetParent(form);
    SetTimer(other->Handle(), 1, 50);
    delete other;
    clock.Advance(100);
    EXPECT_EQ(FireDueTimers(), 0);
}

TEST_F(CaretTimerTest, TTimerRunsOnTheClock) {
    TTimer timer(nullptr);
    int ticks = 0;
    timer.OnTimer = [&](TObject*) { ++ticks; };
    timer.SetInterval(250);
    clock.Advance(250);
    Application->ProcessMessages();
    EXPECT_EQ(ticks, 1);
    timer.SetEnabled(false);
    clock.Advance(500);
    Application->ProcessMessages();
    EXPECT_EQ(ticks, 1);
    timer.SetEnabled(true);
    clock.Advance(249);
    Application->ProcessMessages();
    EXPECT_EQ(ticks, 1);
    clock.Advance(1);
    Application->ProcessMessages();
    EXPECT_EQ(ticks, 2);
    timer.SetInterval(0);
    clock.Advance(1000);
    Application->ProcessMessages();
    EXPECT_EQ(ticks, 2);
}

TEST_F(CaretTimerTest, CaretShowsByCounterAndBlinks) {
    const HWND h = form->Custom->Handle();
    ASSERT_TRUE(CreateCaret(h, CARET_SOLID, 2, 14));
    EXPECT_FALSE(CaretState().Visible());
    EXPECT_TRUE(ShowCaret(h));
    EXPECT_TRUE(CaretState().Visible());
    EXPECT_TRUE(SetCaretPos(10, 3));
    TPoint p;
    EXPECT_TRUE(GetCaretPos(p));
    EXPECT_EQ(p, Point(10, 3));
    HideCaret(h);
    HideCaret(h);
    ShowCaret(h);
    EXPECT_FALSE(CaretState().Visible());
    ShowCaret(h);
    EXPECT_TRUE(CaretState().Visible());
    EXPECT_TRUE(CaretState().BlinkOn);
    clock.Advance(GetCaretBlinkTime());
    FireDueTimers();
    EXPECT_FALSE(CaretState().BlinkOn);
    clock.Advance(GetCaretBlinkTime());
    FireDueTimers();
    EXPECT_TRUE(CaretState().BlinkOn);
    EXPECT_TRUE(DestroyCaret());
    EXPECT_EQ(CaretState().Owner, 0u);
    EXPECT_FALSE(ShowCaret(h));
}

TEST_F(CaretTimerTest, CaretIsDrawnInvertedOverItsOwner) {
    const HWND h = form->Custom->Handle();
    CreateCaret(h, CARET_SOLID, 2, 10);
    SetCaretPos(20, 5);
    ShowCaret(h);
    const QImage shown = WidgetOf(form->Custom)->grab().toImage();
    EXPECT_EQ(QColor(shown.pixel(20, 5)), QColor(Qt::black));
    EXPECT_EQ(QColor(shown.pixel(22, 5)), QColor(Qt::white));
    HideCaret(h);
    const QImage hidden = WidgetOf(form->Custom)->grab().toImage();
    EXPECT_EQ(QColor(hidden.pixel(20, 5)), QColor(Qt::white));
}

TEST_F(CaretTimerTest, BitmapCaretTakesThePicturesSize) {
    TBitmap picture;
    picture.SetSize(3, 12);
    picture.Canvas()->Brush()->SetColor(clWhite);
    picture.Canvas()->FillRect(Rect(0, 0, 3, 12));
    const HWND h = form->Custom->Handle();
    ASSERT_TRUE(CreateCaret(h, picture.Handle()));
    EXPECT_TRUE(CaretState().IsBitmap);
    EXPECT_EQ(CaretState().Width, 3);
    EXPECT_EQ(CaretState().Height, 12);
    ShowCaret(h);
    const QImage shown = WidgetOf(form->Custom)->grab().toImage();
    EXPECT_EQ(QColor(shown.pixel(1, 11)), QColor(Qt::black));
    EXPECT_EQ(QColor(shown.pixel(3, 11)), QColor(Qt::white));
    EXPECT_FALSE(CreateCaret(h, static_cast<HBITMAP>(nullptr)));
}

TEST_F(CaretTimerTest, CaretGoesWithItsWindow) {
    auto* other = new TRecorder(form);
    other->SetParent(form);
    CreateCaret(other->Handle(), CARET_GRAY, 1, 8);
    EXPECT_TRUE(CaretState().Gray);
    delete other;
    EXPECT_EQ(CaretState().Owner, 0u);
}

} // namespace
