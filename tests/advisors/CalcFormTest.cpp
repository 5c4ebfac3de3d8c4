// The calculators' common form: the panel of rows and the row of buttons below it fit the form.
#include "advisors/CalcForm.h"

#include "platform/gui/QtApp.h"

#include <gtest/gtest.h>

namespace {

// A calculator of one number: just enough of a kind to lay its form out.
class TOneRowForm : public TCalcForm {
public:
    TOneRowForm() : TCalcForm(nullptr, ckLoan, "One Row") {
        Amount = AddNumber("Amount", 0, nftDouble, CalcMoneyMask);
        LayoutButtons(RowTop(1));
    }
    TVcNumericField* Amount;

protected:
    std::vector<TComponent*> TransferList() const override { return {Amount}; }
    const TRecordLayout& RecordLayout() const override {
        static const TRecordLayout layout{8, {}, {}};
        return layout;
    }
    void Calculate(std::span<Byte>) override {}
    std::vector<TCalcLine> ReportLines(std::span<const Byte>) const override { return {}; }
    int FormHelpContext() const override { return 1; }
};

TEST(CalcFormLayout, TheSevenButtonsSitInARowWithinTheForm) {
    EnsureQtApp();
    TOneRowForm form;
    const int right = form.ClientWidth() - form.CalcPNL->Left();
    EXPECT_EQ(form.CalcPNL->Left() + form.CalcPNL->Width(), right);
    int left = form.CalcPNL->Left();
    for (TButton* button : {form.PrintBtn, form.CopyBTN, form.ResetBTN, form.UndoBTN, form.CalcBTN,
                            form.CloseBTN, form.HelpBTN}) {
        SCOPED_TRACE(button->Name());
        EXPECT_GE(button->Left(), left);
        EXPECT_LE(button->Left() + button->Width(), right);
        EXPECT_GT(button->Top(), form.CalcPNL->Top() + form.CalcPNL->Height());
        EXPECT_LE(button->Top() + button->Height(), form.ClientHeight());
        left = button->Left() + button->Width();
    }
    // The last button ends where the panel does: the row is as wide as the panel.
    EXPECT_EQ(left, right);
}

} // namespace
