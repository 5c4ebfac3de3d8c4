#include "controls/entry/SpinButton.h"

#include "EntryFormSupport.h"
#include "controls/entry/EntryExceptions.h"
#include "controls/entry/NumericField.h"
#include "controls/entry/PictureField.h"
#include "platform/rtl/Clock.h"

namespace {

class SpinnerTest : public EntryFormTest {
protected:
    void SetUp() override {
        EntryFormTest::SetUp();
        field = Make<TVcNumericField>("Count", 10, 10);
        field->SetAutoSize(false);
        field->SetBounds(10, 10, 100, 25);
        field->SetDataType(nftInteger);
        spinner = Make<TVcSpinner>("Spin1", 200, 200);
    }
    void Press(QPoint at) {
        QTest::mousePress(WidgetOf(spinner), Qt::LeftButton, Qt::NoModifier, at);
        Application->ProcessMessages();
    }
    void Release(QPoint at) {
        QTest::mouseRelease(WidgetOf(spinner), Qt::LeftButton, Qt::NoModifier, at);
        Application->ProcessMessages();
    }
    void Wait(std::uint64_t ms) {
        clock.Advance(ms);
        FireDueTimers();
        Application->ProcessMessages();
    }

    TManualClock clock;
    TClockOverride useClock{clock};
    TVcNumericField* field = nullptr;
    TVcSpinner* spinner = nullptr;
};

TEST_F(SpinnerTest, StaysBesideItsControl) {
    spinner->SetAttachedControl(field);
    EXPECT_EQ(spinner->FocusedControl(), field);
    EXPECT_EQ(spinner->Left(), 111);
    EXPECT_EQ(spinner->Top(), 10);
    EXPECT_EQ(spinner->Height(), 25);
    ShowForm();
    field->SetBounds(20, 50, 100, 30);
    EXPECT_EQ(spinner->Left(), 121);
    EXPECT_EQ(spinner->Top(), 50);
    spinner->SetPosition(TVcSpinnerPosition::scBottom);
    EXPECT_EQ(spinner->Top(), 81);
    EXPECT_EQ(spinner->Width(), 100);

    auto* second = Make<TVcSpinner>("Spin2", 300, 200);
    try {
        second->SetAttachedControl(field);
        FAIL() << "a second spinner was attached";
    } catch (const EVcException& e) {
        EXPECT_EQ(std::string(e.Message()), "This control is already attached to Spin1");
    }
    // The field's window is made again: the spinner hooks it again and still answers for it.
    field->SetDataType(nftWord);
    DispatchPostedMessages();
    EXPECT_THROW(second->SetAttachedControl(field), EVcException);
    field->SetBounds(30, 60, 100, 30);
    EXPECT_EQ(spinner->Top(), 91);
    spinner->SetAttachedControl(nullptr);
    second->SetAttachedControl(field);
    EXPECT_EQ(second->AttachedControl(), field);
    // The field goes first: the spinner forgets it.
    delete field;
    EXPECT_EQ(second->AttachedControl(), nullptr);
    EXPECT_EQ(second->FocusedControl(), nullptr);
}

TEST_F(SpinnerTest, HoldingRepeatsFasterOnTheTestClock) {
    spinner->SetAttachedControl(field);
    ShowForm();
    field->SetAsInteger(0);
    std::vector<std::uint64_t> steps;
    std::uint64_t now = 0;
    spinner->OnClick = [&](TObject*, Byte state, double delta, bool wrap) {
        EXPECT_EQ(state, ssUpButton);
        EXPECT_EQ(delta, 1.0);
        EXPECT_TRUE(wrap);
        steps.push_back(now);
    };
    Press(QPoint(5, 3));
    for (now = 10; now <= 1800; now += 10)
        Wait(10);
    Release(QPoint(5, 3));
    ASSERT_GE(steps.size(), 5u);
    EXPECT_EQ((std::vector<std::uint64_t>(steps.begin(), steps.begin() + 5)),
              (std::vector<std::uint64_t>{0, 500, 950, 1350, 1700}));
    EXPECT_EQ(field->AsInteger(), static_cast<LongInt>(steps.size()));
    EXPECT_FALSE(spinner->Pressed());
    // Released: no more steps.
    const std::size_t count = steps.size();
    Wait(1000);
    EXPECT_EQ(steps.size(), count);
}

TEST_F(SpinnerTest, LowerButtonStepsDownAndStopsAtTheRangeEnd) {
    spinner->SetAttachedControl(field);
    spinner->SetDelta(5);
    field->SetRangeLo("-7");
    ShowForm();
    field->SetAsInteger(0);
    Press(QPoint(5, 20));
    EXPECT_EQ(field->AsInteger(), -5);
    Wait(500);
    EXPECT_EQ(field->AsInteger(), -7);
    Wait(500);
    EXPECT_EQ(field->AsInteger(), -7);
    Release(QPoint(5, 20));
}

TEST_F(SpinnerTest, LeavingTheButtonPausesAndFreeingTheFormStopsTheTimer) {
    spinner->SetAttachedControl(field);
    ShowForm();
    field->SetAsInteger(0);
    Press(QPoint(5, 3));
    EXPECT_EQ(field->AsInteger(), 1);
    QTest::mouseMove(WidgetOf(spinner), QPoint(5, 20));
    Application->ProcessMessages();
    Wait(600);
    EXPECT_EQ(field->AsInteger(), 1);
    QTest::mouseMove(WidgetOf(spinner), QPoint(5, 3));
    Application->ProcessMessages();
    EXPECT_EQ(field->AsInteger(), 2);
    // The form goes away while the button is held: nothing is left running.
    form.reset();
    Wait(1000);
    EXPECT_EQ(PostedMessageCount(), 0);
}

TEST_F(SpinnerTest, HorizontalSpinnerMovesTheCaretAndSizesStayOdd) {
    auto* name = Make<TVcPictureField>("Name", 10, 100);
    name->SetPictureMask("XXXXX");
    name->SetMaxLength(5);
    // Each press takes the focus to the spinner and gives it back: the caret starts at home.
    name->SetCaretToEnd(false);
    spinner->SetOrientation(soHorizontal);
    EXPECT_EQ(spinner->Width(), 25);
    EXPECT_EQ(spinner->Height(), 15);
    spinner->SetForceOddSize(true);
    spinner->SetBounds(200, 200, 30, 15);
    EXPECT_EQ(spinner->Width(), 31);
    spinner->SetBounds(200, 200, 32, 15);
    EXPECT_EQ(spinner->Width(), 33);
    spinner->SetBounds(200, 200, 29, 15);
    EXPECT_EQ(spinner->Width(), 29);
    spinner->SetAttachedControl(name);
    ShowForm();
    name->SetAsString("abcde");
    Press(QPoint(25, 5));
    Release(QPoint(25, 5));
    EXPECT_EQ(name->CaretPosition(), 1);
    Press(QPoint(3, 5));
    Release(QPoint(3, 5));
    EXPECT_EQ(name->CaretPosition(), 0);
}

TEST_F(SpinnerTest, ButtonsDrawRaisedWithArrowsAndSinkWhilePressed) {
    spinner->SetAttachedControl(field);
    ShowForm();
    spinner->Repaint();
    TCanvas* canvas = spinner->Canvas();
    const TColor raisedCorner = canvas->Pixels(0, 0);
    // The arrow of the upper button: the centre column holds the button text colour.
    const TRect up = spinner->FirstButtonRect();
    bool arrow = false;
    for (int y = up.Top; y < up.Bottom; ++y)
        if (canvas->Pixels((up.Width() - 1) / 2, y) == 0x000000) arrow = true;
    EXPECT_TRUE(arrow);
    Press(QPoint(5, 3));
    spinner->Repaint();
    EXPECT_NE(spinner->Canvas()->Pixels(0, 0), raisedCorner);
    Release(QPoint(5, 3));
    spinner->Repaint();
    EXPECT_EQ(spinner->Canvas()->Pixels(0, 0), raisedCorner);
}

TEST_F(SpinnerTest, SidewaysArrowsPointFromTheMiddleOfTheirButtons) {
    spinner->SetOrientation(soHorizontal);
    spinner->SetBounds(200, 200, 60, 30);
    ShowForm();
    spinner->Repaint();
    TCanvas* canvas = spinner->Canvas();
    // Buttons of 30 by 30 centred on (14, 14) and (44, 14): arrows 15 high reaching 7 across,
    // starting half their depth (8) before the centre.
    EXPECT_EQ(canvas->Pixels(10, 14), clBlack);
    EXPECT_NE(canvas->Pixels(9, 14), clBlack);
    EXPECT_EQ(canvas->Pixels(17, 7), clBlack);
    EXPECT_EQ(canvas->Pixels(17, 21), clBlack);
    EXPECT_EQ(canvas->Pixels(40, 7), clBlack);
    EXPECT_EQ(canvas->Pixels(40, 21), clBlack);
    EXPECT_NE(canvas->Pixels(39, 14), clBlack);
    EXPECT_EQ(canvas->Pixels(47, 14), clBlack);
    EXPECT_NE(canvas->Pixels(48, 14), clBlack);
}

TEST_F(SpinnerTest, AccelerationUpToTenAndTheStyleKept) {
    spinner->SetAcceleration(10);
    EXPECT_EQ(spinner->Acceleration(), 10);
    spinner->SetAcceleration(11);
    EXPECT_EQ(spinner->Acceleration(), 10);
    spinner->SetAcceleration(0);
    EXPECT_EQ(spinner->Acceleration(), 0);
    spinner->SetStyle(1);
    EXPECT_EQ(spinner->Style(), 1);
    spinner->SetStyle(0);
    EXPECT_EQ(spinner->Style(), 0);
}

TEST_F(SpinnerTest, DateSpinnerStepsThePartAtTheCaret) {
    auto* date = Make<TVcPictureField>("Date", 10, 100);
    date->SetDataType(pftDate);
    date->SetPictureMask("mm/dd/yyyy");
    date->SetMaxLength(10);
    spinner->SetAttachedControl(date);
    ShowForm();
    date->SetAsDayNumber(DMYToDate(15, 1, 2024, 0));
    // The month at the caret: each press gives the focus to the spinner and back.
    date->SetFocus();
    QTest::keyClick(WidgetOf(date), Qt::Key_Home);
    Application->ProcessMessages();
    Press(QPoint(5, 3));
    Release(QPoint(5, 3));
    EXPECT_EQ(date->EditString(), "02/15/2024");
    EXPECT_EQ(date->CaretPosition(), 0);
    Press(QPoint(5, 3));
    Release(QPoint(5, 3));
    EXPECT_EQ(date->EditString(), "03/15/2024");
    // The day selected: the selection survives the trip to the spinner.
    QTest::keyClick(WidgetOf(date), Qt::Key_Right);
    QTest::keyClick(WidgetOf(date), Qt::Key_Right);
    QTest::keyClick(WidgetOf(date), Qt::Key_Right, Qt::ShiftModifier);
    Application->ProcessMessages();
    ASSERT_EQ(date->SelectionLength(), 1);
    int start = -1, end = -1;
    spinner->OnClick = [&](TObject*, Byte, double, bool) {
        start = date->SelStart();
        end = date->SelEnd();
    };
    Press(QPoint(5, 20));
    Release(QPoint(5, 20));
    EXPECT_EQ(start, 3);
    EXPECT_EQ(end, 4);
    EXPECT_EQ(date->EditString(), "03/14/2024");
    Press(QPoint(5, 20));
    Release(QPoint(5, 20));
    EXPECT_EQ(date->EditString(), "03/13/2024");
    // Focus that comes from anywhere else places the caret for entry as before.
    other->SetFocus();
    date->SetFocus();
    EXPECT_EQ(date->SelectionLength(), 10);
}

} // namespace
