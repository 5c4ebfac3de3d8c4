// The main window opens the amortization schedule: Ctrl+A and the toolbar button show it
// modally with its options dialog, and both are gone when it closes.
#include "advisors/AmortizationOptions.h"
#include "advisors/AmortizationWindow.h"
#include "tests/app/AppTestSupport.h"
#include "widgets/FlatButton.h"

namespace {

class AmortLaunchTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        MakeMainForm();
        previous = SetModalHook([this](TCustomForm* form) {
            shown.push_back(form->ClassName());
            if (auto* schedule = dynamic_cast<TcLoAmort*>(form)) {
                EXPECT_EQ(schedule->Caption(), "Amortization Schedule");
                EXPECT_EQ(schedule->PYR->Text(), "Monthly");
                optionsAlive = Count<TAmortOpt>() == 1;
            }
        });
    }
    void TearDown() override {
        SetModalHook(previous);
        AppTest::TearDown();
    }
    template <typename T>
    static int Count() {
        int count = 0;
        for (int k = 0; k < Application->ComponentCount(); ++k)
            if (dynamic_cast<T*>(Application->Components(k))) ++count;
        return count;
    }

    TModalHook previous;
    std::vector<std::string> shown;
    bool optionsAlive = false;
};

TEST_F(AmortLaunchTest, CtrlAOpensTheScheduleModallyAndFreesIt) {
    Key(main, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(shown, (std::vector<std::string>{"TcLoAmort"}));
    EXPECT_TRUE(optionsAlive);
    EXPECT_EQ(Count<TcLoAmort>(), 0);
    EXPECT_EQ(Count<TAmortOpt>(), 0);
}

TEST_F(AmortLaunchTest, TheToolbarButtonOpensItToo) {
    ASSERT_TRUE(main->AmortSchldBTN->Enabled());
    main->AmortSchldBTN->OnClick(main->AmortSchldBTN);
    EXPECT_EQ(shown, (std::vector<std::string>{"TcLoAmort"}));
    EXPECT_EQ(Count<TcLoAmort>(), 0);
}

} // namespace
