// The memo dialog over the memo field of a real table, driven with real keys: confirming,
// cancelling a changed memo, view-only dialogs and a field name that is not a field.
#include "tests/db/DataSetFixture.h"
#include "tests/gui/GuiTestSupport.h"

#include "dbcontrols/ControlTexts.h"
#include "dbcontrols/DataGrid.h"
#include "dbcontrols/MemoForm.h"

#include <gtest/gtest.h>

namespace {

class DwMemoDialogTest : public DataSetFixture {
protected:
    void SetUp() override {
        DataSetFixture::SetUp();
        ResetKeyState();
        OpenLoans({"ADAMS", "BAKER"});
        source_.SetDataSet(table_.get());
        dialog.SetDataSource(&source_);
        dialog.SetDataField("NOTE");
        table_->First();
        table_->Edit();
        table_->FieldByName("NOTE")->SetAsString("first note");
        table_->Post();
    }
    void TearDown() override {
        SetModalHook(previous_);
        DataSetFixture::TearDown();
    }
    // Runs the dialog with Act doing the user's part on the shown form.
    bool Run(std::function<void(TdwMemoDlg*)> act) {
        previous_ = SetModalHook([act](TCustomForm* f) {
            auto* dlg = dynamic_cast<TdwMemoDlg*>(f);
            ASSERT_NE(dlg, nullptr);
            act(dlg);
        });
        return dialog.Execute();
    }
    std::string Note() { return table_->FieldByName("NOTE")->AsString(); }

    TdwMemoDialog dialog{nullptr};
    TRecordedServices services;
    TModalHook previous_;
};

TEST_F(DwMemoDialogTest, CtrlEnterStoresTheTypedText) {
    int inits = 0;
    dialog.OnInitDialog = [&](TdwMemoDlg* d) {
        ++inits;
        EXPECT_EQ(d->Memo->Text(), "first note");
    };
    EXPECT_TRUE(Run([](TdwMemoDlg* d) {
        d->Memo->SetFocus();
        Type(d->Memo, Qt::Key_End, Qt::ControlModifier);
        Type(d->Memo, Qt::Key_X);
        Type(d->Memo, Qt::Key_Return, Qt::ControlModifier);
    }));
    EXPECT_EQ(inits, 1);
    EXPECT_EQ(Note(), "first notex");
    EXPECT_EQ(table_->State(), dsEdit);
    EXPECT_EQ(dialog.MemoDlg(), nullptr);
}

TEST_F(DwMemoDialogTest, ClosingAChangedMemoAsksAndNoKeepsTheDialog) {
    services.MessageBoxAnswers = {IDNO, IDYES};
    EXPECT_FALSE(Run([](TdwMemoDlg* d) {
        d->Memo->SetFocus();
        Type(d->Memo, Qt::Key_Y);
        // Closing the window asks; No keeps the dialog and the text.
        EXPECT_FALSE(d->CloseQuery());
        EXPECT_EQ(d->Memo->Text().substr(0, 1), "y");
        Type(d->Memo, Qt::Key_Escape);
    }));
    ASSERT_EQ(services.MessageBoxes.size(), 2u);
    EXPECT_EQ(services.MessageBoxes[0].Text,
              "Changes have been made!  Are you sure you wish to cancel?");
    EXPECT_EQ(Note(), "first note");
    EXPECT_EQ(table_->State(), dsBrowse);
}

TEST_F(DwMemoDialogTest, OkOnAnUnchangedMemoWritesNothing) {
    EXPECT_TRUE(Run([](TdwMemoDlg* d) { Click(d->OKBtn); }));
    EXPECT_EQ(table_->State(), dsBrowse);
    EXPECT_TRUE(services.MessageBoxes.empty());
}

TEST_F(DwMemoDialogTest, OkStoresAChangedMemo) {
    EXPECT_TRUE(Run([](TdwMemoDlg* d) {
        // The memo sits 6 pixels in, the buttons 17 pixels below it, OK first in tab order.
        EXPECT_EQ(d->Memo->Left(), 6);
        EXPECT_EQ(d->Memo->Top(), 6);
        EXPECT_EQ(d->Memo->Width(), d->Width() - 20);
        EXPECT_EQ(d->OKBtn->Top(), d->Memo->Height() + 17);
        EXPECT_EQ(d->OKBtn->TabOrder(), 1);
        EXPECT_EQ(d->CancelBtn->TabOrder(), 2);
        d->Memo->SetFocus();
        Type(d->Memo, Qt::Key_End, Qt::ControlModifier);
        Type(d->Memo, Qt::Key_Y);
        Click(d->OKBtn);
    }));
    EXPECT_EQ(Note(), "first notey");
}

TEST_F(DwMemoDialogTest, ViewOnlyShowsOnlyOkAndNeverConfirms) {
    dialog.MemoAttributes.Include(mViewOnly);
    EXPECT_FALSE(Run([](TdwMemoDlg* d) {
        EXPECT_TRUE(d->Memo->ReadOnly());
        EXPECT_FALSE(d->CancelBtn->Visible());
        EXPECT_TRUE(d->OKBtn->Visible());
        Click(d->OKBtn);
    }));
    EXPECT_EQ(table_->State(), dsBrowse);
}

TEST_F(DwMemoDialogTest, AReadOnlyTableOpensTheDialogViewOnly) {
    table_->Close();
    table_->ReadOnlyOpen = true;
    table_->Open();
    EXPECT_FALSE(Run([](TdwMemoDlg* d) {
        EXPECT_TRUE(d->Memo->ReadOnly());
        Click(d->OKBtn);
    }));
    EXPECT_EQ(Note(), "first note");
}

TEST_F(DwMemoDialogTest, DefaultsShowACentredDialogWithUserButtons) {
    dialog.UserButton2Caption = "Spell";
    dialog.Caption = "Loan note";
    int clicks = 0;
    dialog.OnUserButton2Click = [&](TdwMemoDlg*, TMemo* memo) {
        ++clicks;
        memo->SetText("checked");
    };
    EXPECT_FALSE(Run([&](TdwMemoDlg* d) {
        EXPECT_EQ(d->Width(), 561);
        EXPECT_EQ(d->Height(), 396);
        // The memo leaves room below it for the caption, the frames (2 x 3) and 53 pixels
        // for the buttons, which stand 17 pixels below it.
        EXPECT_EQ(d->Memo->Height(), 396 - (19 + 2 * 3 + 53));
        EXPECT_EQ(d->Memo->Width(), 561 - 20);
        EXPECT_EQ(d->OKBtn->Top(), d->Memo->Height() + 17);
        EXPECT_EQ(d->Caption(), "Loan note");
        EXPECT_TRUE(d->UserButtonPanel->Visible());
        EXPECT_FALSE(d->UserButton1->Visible());
        Click(d->UserButton2);
        d->SetModalResult(mrCancel);
    }));
    EXPECT_EQ(clicks, 1);
}

TEST_F(DwMemoDialogTest, TwoUserButtonsStandSideBySideAndAGivenPlaceMovesTheDialog) {
    dialog.UserButton1Caption = "Words";
    dialog.UserButton2Caption = "Spell";
    dialog.DlgLeft = 1;
    dialog.DlgTop = 0;
    dialog.DlgWidth = 400;
    dialog.DlgHeight = 300;
    EXPECT_FALSE(Run([&](TdwMemoDlg* d) {
        // 16 pixels before the first button, between the two and 10 after the last.
        EXPECT_TRUE(d->UserButton1->Visible());
        EXPECT_TRUE(d->UserButton2->Visible());
        EXPECT_EQ(d->UserButton1->Left(), 16);
        EXPECT_EQ(d->UserButton2->Left(), 16 + d->UserButton1->Width() + 16);
        EXPECT_EQ(d->UserButtonPanel->Width(), d->UserButton2->Left() + d->UserButton2->Width() + 10);
        // A place one pixel from the screen's left edge is taken as it is.
        EXPECT_EQ(d->Position(), poDesigned);
        EXPECT_EQ(d->Left(), 1);
        EXPECT_EQ(d->Top(), 0);
        EXPECT_EQ(d->Width(), 400);
        EXPECT_EQ(d->Height(), 300);
        d->SetModalResult(mrCancel);
    }));
}

TEST_F(DwMemoDialogTest, AFieldNameThatIsNoFieldRaisesBeforeShowing) {
    bool shown = false;
    try {
        dialog.SetDataField("NOTES");
        Run([&](TdwMemoDlg*) { shown = true; });
        ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(std::string(e.what()), "Field 'NOTES' not found");
    }
    EXPECT_FALSE(shown);
}

} // namespace
