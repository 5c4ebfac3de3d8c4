// The layer survives what event handlers do to their own windows: a control freed inside its
// own handler, a form closed from a timer, a timer freed by its own tick, and exceptions that
// must end in the application's handler instead of escaping into Qt.
#include "GuiTestSupport.h"

#include "platform/gui/Dialogs.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/rtl/Clock.h"

#include <gtest/gtest.h>

namespace {

// The form is made after the clock is installed, so its timers run on that clock.
class RobustnessTest : public TTestFormTest {
protected:
    TManualClock clock;
    TClockOverride useClock{clock};
};

TEST_F(RobustnessTest, ControlsFreedByTheirOwnMouseHandlers) {
    int clicks = 0;
    form->Ok->OnClick = [&](TObject* sender) {
        delete sender;
        ++clicks;
    };
    form->Ok->SetDefault(false);
    Click(form->Ok);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(form->FindComponent("Ok"), nullptr);

    // A windowless control under the mouse, freed by its click.
    auto* label = PlaceControl<TLabel>(form, form, 300, 10, 50, 16);
    label->OnClick = [&](TObject* sender) {
        delete sender;
        ++clicks;
    };
    QTest::mouseClick(WidgetOf(form), Qt::LeftButton, Qt::NoModifier,
                      QPoint(305, 15) + form->Impl()->ClientOffset());
    EXPECT_EQ(clicks, 2);

    form->Custom->OnDblClick = [&](TObject* sender) {
        delete sender;
        ++clicks;
    };
    QTest::mouseDClick(WidgetOf(form->Custom), Qt::LeftButton, Qt::NoModifier, QPoint(4, 4));
    EXPECT_EQ(clicks, 3);
    EXPECT_EQ(form->FindComponent("Custom"), nullptr);
    EXPECT_TRUE(services.MessageBoxes.empty());
}

TEST_F(RobustnessTest, ControlsFreedByTheirOwnKeyHandlers) {
    int keys = 0;
    form->Edit1->SetFocus();
    form->Edit1->OnKeyDown = [&](TObject* sender, Word&, TShiftState) {
        delete sender;
        ++keys;
    };
    Type(form->Edit1, Qt::Key_A);
    EXPECT_EQ(keys, 1);
    EXPECT_EQ(form->FindComponent("Edit1"), nullptr);

    form->Edit2->SetFocus();
    form->Edit2->OnKeyPress = [&](TObject* sender, char&) {
        delete sender;
        ++keys;
    };
    Type(form->Edit2, Qt::Key_B);
    EXPECT_EQ(keys, 2);
    EXPECT_EQ(form->FindComponent("Edit2"), nullptr);
    // The keys go on to whatever has the focus now.
    Type(form->Custom, Qt::Key_C);
    EXPECT_TRUE(services.MessageBoxes.empty());
}

TEST_F(RobustnessTest, FormClosedAndFreedFromATimer) {
    TTestForm* other = new TTestForm(nullptr);
    other->Show();
    bool destroyed = false;
    other->OnDestroy = [&](TObject*) { destroyed = true; };
    other->OnClose = [](TObject*, TCloseAction& action) { action = caFree; };
    auto* timer = new TTimer(other);
    timer->SetInterval(100);
    timer->OnTimer = [&](TObject*) { other->Close(); };
    const HWND handle = other->Handle();
    clock.Advance(100);
    Application->ProcessMessages();
    EXPECT_TRUE(destroyed);
    EXPECT_FALSE(IsWindow(handle));
    for (int i = 0; i < Screen->FormCount(); ++i)
        EXPECT_NE(Screen->Forms(i), static_cast<TCustomForm*>(other));
    clock.Advance(1000);
    EXPECT_EQ(FireDueTimers(), 0);
}

TEST_F(RobustnessTest, TimerFreedByItsOwnTick) {
    int ticks = 0;
    auto* timer = new TTimer(nullptr);
    timer->SetInterval(50);
    timer->OnTimer = [&ticks](TObject* sender) {
        delete sender;
        ++ticks;
    };
    clock.Advance(50);
    EXPECT_EQ(FireDueTimers(), 1);
    clock.Advance(50);
    EXPECT_EQ(FireDueTimers(), 0);
    EXPECT_EQ(ticks, 1);
}

TEST_F(RobustnessTest, FormFreedDirectlyInsideItsOwnTimer) {
    TTestForm* other = new TTestForm(nullptr);
    other->Show();
    auto* timer = new TTimer(other);
    timer->SetInterval(10);
    int ticks = 0;
    timer->OnTimer = [&](TObject*) {
        ++ticks;
        delete other;
    };
    SetTimer(form->Custom->Handle(), 3, 10);
    clock.Advance(10);
    Application->ProcessMessages();
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(form->Custom->Log.back(), "TIMER 3");
}

TEST_F(RobustnessTest, TimersSurviveAClockInstalledLater) {
    // A timer set on one clock is not due at once because another clock starts lower.
    TManualClock later({2000, 1, 1, 12, 0, 0, 0});
    clock.Advance(100000);
    SetTimer(form->Custom->Handle(), 5, 100);
    {
        TClockOverride useLater(later);
        EXPECT_EQ(FireDueTimers(), 0);
        later.Advance(99);
        EXPECT_EQ(FireDueTimers(), 0);
        later.Advance(1);
        EXPECT_EQ(FireDueTimers(), 1);
    }
    KillTimer(form->Custom->Handle(), 5);
}

} // namespace

namespace {

// ProcessMessages called from inside a handler of a posted message or of a timer delivers each
// message once, in order, and never runs the same timer again inside its own tick.
TEST_F(RobustnessTest, ProcessMessagesInsideHandlersDeliversEachMessageOnce) {
    TRecorder* c = form->Custom;
    std::vector<WPARAM> seen;
    const TWndMethod previous = c->WindowProc;
    c->WindowProc = [&](TMessage& m) {
        if (m.Msg == WM_USER) {
            seen.push_back(m.WParam);
            if (m.WParam == 1) {
                PostMessage(c->Handle(), WM_USER, 4, 0);
                Application->ProcessMessages();
            }
            return;
        }
        if (m.Msg == WM_TIMER) Application->ProcessMessages();
        previous(m);
    };
    for (WPARAM i = 1; i <= 3; ++i)
        PostMessage(c->Handle(), WM_USER, i, 0);
    Application->ProcessMessages();
    EXPECT_EQ(seen, (std::vector<WPARAM>{1, 2, 3, 4}));
    EXPECT_EQ(PostedMessageCount(), 0);

    c->Clear();
    SetTimer(c->Handle(), 9, 10);
    clock.Advance(10);
    Application->ProcessMessages();
    EXPECT_EQ(c->Log, (std::vector<std::string>{"TIMER 9"}));
    KillTimer(c->Handle(), 9);
    c->WindowProc = previous;
}

} // namespace

namespace {

// A whole form freed (not released) by a click or a key inside it.
TEST_F(RobustnessTest, FormFreedFromInsideItsOwnInput) {
    auto* other = new TTestForm(nullptr);
    other->Show();
    other->Ok->OnClick = [&](TObject*) { delete other; };
    Click(other->Ok);
    other = new TTestForm(nullptr);
    other->Show();
    other->Edit1->SetFocus();
    other->Edit1->OnKeyDown = [&](TObject*, Word&, TShiftState) { delete other; };
    Type(other->Edit1, Qt::Key_X);
    Application->ProcessMessages();
    EXPECT_TRUE(services.MessageBoxes.empty());
}

} // namespace

namespace {

// The window system confirms activations later (at once on the offscreen screen, queued): the
// confirmation of a form the program has since left must not start the activations over, back
// and forth without end.
TEST_F(RobustnessTest, LateActivationNoticesOfTheWindowSystemEnd) {
    TTestForm other(nullptr);
    other.Show();
    form->Activate();
    other.Activate();
    form->Activate();
    Application->ProcessMessages();
    Application->ProcessMessages();
    EXPECT_EQ(Screen->ActiveForm(), static_cast<TCustomForm*>(form));
}

} // namespace

namespace {

// A modal form released while its loop runs (from a timer, a handler) goes when the loop ends.
TEST_F(RobustnessTest, ModalFormReleasedInsideItsLoopGoesAfterIt) {
    auto* dialog = new TTestForm(nullptr);
    bool destroyed = false;
    dialog->OnDestroy = [&](TObject*) { destroyed = true; };
    TModalHook previous = SetModalHook([](TCustomForm* f) { f->Release(); });
    EXPECT_EQ(dialog->ShowModal(), mrCancel);
    SetModalHook(previous);
    EXPECT_FALSE(destroyed);
    Application->ProcessMessages();
    EXPECT_TRUE(destroyed);
}

} // namespace
