// The main window opens the amortization schedule: Ctrl+A and the toolbar button show it
// modally with its options dialog, and both are gone when it closes. A schedule printed to a
// file of the user's choice leaves the calculators' printouts where they always go.
#include "advisors/AmortizationOptions.h"
#include "advisors/AmortizationWindow.h"
#include "report/RptSetupForm.h"
#include "tests/app/AppTestSupport.h"
#include "tests/gui/PdfTools.h"
#include "widgets/FlatButton.h"

#include <filesystem>

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
            if (answer) answer(form);
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
    std::function<void(TCustomForm*)> answer;
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

TEST_F(AmortLaunchTest, AFileChosenForTheScheduleServesThatPrintoutOnly) {
    const std::string named = home / "my schedule.pdf";
    answer = [&](TCustomForm* form) {
        if (auto* schedule = dynamic_cast<TcLoAmort*>(form)) {
            Enter(schedule->PV, "100000", schedule->NumPmts, "360", schedule->Rate, "8",
                  schedule->OrgDate, "010126", schedule->FrstPmtDate, "020126");
            Key(schedule->CalcBTN, Qt::Key_C, Qt::AltModifier);
            Key(schedule->PrintBTN, Qt::Key_P, Qt::ControlModifier);
        } else if (auto* setup = dynamic_cast<TRPSetupForm*>(form)) {
            setup->FileRB->SetChecked(true);
            setup->FileNameED->SetText(named);
            setup->OKBB->Click();
        }
    };
    Key(main, Qt::Key_A, Qt::ControlModifier);
    ASSERT_EQ(shown, (std::vector<std::string>{"TcLoAmort", "TRPSetupForm"}));
    ASSERT_FALSE(services.MessageBoxes.empty());
    EXPECT_EQ(services.MessageBoxes.back().Text, "The printout is in the file\n\n" + named);
    main->OpenLoanCalc();
    Key(main->SlotForm(ckLoan, 1)->PrintBtn, Qt::Key_P, Qt::AltModifier);
    // The schedule stays in its file; the calculator's page is in a new file of its own.
    EXPECT_THAT(LineWith(PdfText(named), "Initial Loan Amount:"), HasSubstr("$100,000.00"));
    std::vector<std::string> printed;
    if (std::filesystem::exists(home / "printed"))
        for (const auto& entry : std::filesystem::directory_iterator(home / "printed"))
            printed.push_back(entry.path().string());
    ASSERT_EQ(printed.size(), 1u);
    EXPECT_THAT(PdfText(printed[0]), HasSubstr("Loan Calculator 1"));
    EXPECT_EQ(services.MessageBoxes.back().Text, "The printout is in the file\n\n" + printed[0]);
}

} // namespace
