// The setup, status and preview forms of the report system, driven as a user drives them. With
// VANTREL_SCREENSHOT set to a file name each form is also saved as a PNG beside it (run under
// xvfb-run with QT_QPA_PLATFORM=xcb): "<name>-setup.png", "-status.png", "-preview.png".
#include "RptTestSupport.h"
#include "platform/rtl/Streams.h"
#include "report/RptFiler.h"
#include "report/RptPreview.h"
#include "report/RptPreviewForm.h"
#include "report/RptSetupForm.h"
#include "report/RptStatusForm.h"
#include "report/RptSystem.h"
#include "tests/gui/GuiTestSupport.h"

#include <algorithm>
#include <cstdlib>

namespace {

// Saves the form's picture when screenshots are asked for.
void Screenshot(TForm* Form, const std::string& Suffix) {
    const char* path = std::getenv("VANTREL_SCREENSHOT");
    if (!path) return;
    std::string name = path;
    const std::size_t dot = name.rfind('.');
    name.insert(dot == std::string::npos ? name.size() : dot, "-" + Suffix);
    Application->ProcessMessages();
    EXPECT_TRUE(WidgetOf(Form)->grab().save(QString::fromLocal8Bit(name.c_str()), "PNG"));
}

class RptForms : public ReportTest {
protected:
    void SetUp() override {
        ReportTest::SetUp();
        ResetKeyState();
        setup = new TRPSetupForm(nullptr);
        setup->SetReportSystem(&system);
    }
    void TearDown() override {
        delete setup;
        ReportTest::TearDown();
    }
    TReportSystem system{nullptr};
    TRPSetupForm* setup = nullptr;
};

TEST_F(RptForms, SetupWithoutPrintersOffersThePreviewOnly) {
    UseBackends({});
    system.SystemPrinter()->Copies = 3;
    setup->Show();
    EXPECT_EQ(setup->PrinterLabel->Caption(), "No printers installed!");
    EXPECT_FALSE(setup->PrinterRB->Enabled());
    EXPECT_FALSE(setup->FileRB->Enabled());
    EXPECT_TRUE(setup->PreviewRB->Checked());
    EXPECT_FALSE(setup->CopiesED->Enabled());
    EXPECT_FALSE(setup->SetupBB->Enabled());
    EXPECT_EQ(setup->CopiesED->Text(), "3");
    EXPECT_FALSE(setup->RangeGB->Visible());
}

TEST_F(RptForms, SetupEnablesWhatTheSystemAllows) {
    system.DefaultDest = rdPrinter;
    system.SystemSetups.Exclude(ssAllowDestFile).Exclude(ssAllowCopies);
    setup->Show();
    EXPECT_EQ(setup->PrinterLabel->Caption(), "Draft on LPT2:");
    EXPECT_TRUE(setup->PrinterRB->Checked());
    EXPECT_FALSE(setup->FileRB->Enabled());
    EXPECT_TRUE(setup->PreviewRB->Enabled());
    EXPECT_FALSE(setup->CopiesED->Enabled());
    EXPECT_FALSE(setup->CopiesLabel->Enabled());
    EXPECT_TRUE(setup->CollateCK->Enabled());
    EXPECT_FALSE(setup->FileNameED->Enabled());
    Screenshot(setup, "setup");
}

TEST_F(RptForms, SetupOkReadsCopiesCollateAndDuplex) {
    system.SystemPrinter()->Copies = 2;
    system.SystemPrinter()->Duplex = 1;
    system.SystemPrinter()->Collate = true;
    setup->Show();
    EXPECT_TRUE(setup->DuplexCK->Checked());
    EXPECT_TRUE(setup->CollateCK->Checked());
    setup->CopiesED->SetText("two");
    setup->DuplexCK->SetChecked(false);
    setup->CollateCK->SetChecked(false);
    setup->OKBB->Click();
    EXPECT_EQ(setup->ModalResult(), mrOk);
    EXPECT_EQ(system.SystemPrinter()->Copies, 2);
    EXPECT_EQ(system.SystemPrinter()->Duplex, 0);
    EXPECT_FALSE(system.SystemPrinter()->Collate);
    EXPECT_EQ(system.ReportDest, rdPreview);
    setup->CopiesED->SetText("4");
    setup->OKBB->Click();
    EXPECT_EQ(system.SystemPrinter()->Copies, 4);
}

TEST_F(RptForms, FileDestinationNeedsAName) {
    setup->Show();
    setup->FileRB->SetChecked(true);
    setup->FileRBClick(setup->FileRB);
    EXPECT_TRUE(setup->FileNameED->Enabled());
    setup->OKBB->Click();
    EXPECT_EQ(setup->ModalResult(), mrNone);
    ASSERT_EQ(services.MessageBoxes.size(), 1u);
    EXPECT_EQ(services.MessageBoxes[0].Text, Trans_FileNameMissing);
    setup->FileNameED->SetText(dir + "/out.pdf");
    setup->OKBB->Click();
    EXPECT_EQ(setup->ModalResult(), mrOk);
    EXPECT_EQ(system.ReportDest, rdFile);
    EXPECT_EQ(system.OutputFileName, dir + "/out.pdf");
}

TEST_F(RptForms, RangeChoicesShowTheirEdits) {
    setup->SetRangeMode(true);
    setup->Show();
    EXPECT_TRUE(setup->RangeGB->Visible());
    EXPECT_FALSE(setup->DestGB->Visible());
    setup->PagesRB->SetChecked(true);
    setup->PagesRBClick(setup->PagesRB);
    EXPECT_TRUE(setup->FromED->Visible() && setup->FromED->Enabled());
    EXPECT_FALSE(setup->SelectionED->Visible());
    setup->SelectionRB->SetChecked(true);
    setup->SelectionRBClick(setup->SelectionRB);
    EXPECT_TRUE(setup->SelectionED->Visible() && setup->SelectionED->Enabled());
    EXPECT_FALSE(setup->ToED->Visible());
    setup->AllRBClick(setup->AllRB);
    EXPECT_FALSE(setup->SelectionED->Enabled());
}

TEST_F(RptForms, StatusButtonCancelsThenConfirms) {
    TRPStatusForm status(nullptr);
    status.SetReportSystem(&system);
    status.StatusLabel->SetCaption("Generating page 12");
    status.Show();
    Screenshot(&status, "status");
    // No report runs: Cancel has nothing to abort and sets no confirmation either.
    status.CancelButton->Click();
    EXPECT_FALSE(status.OKPressed());
    status.CancelButton->SetKind(bkOK);
    status.CancelButton->Click();
    EXPECT_TRUE(status.OKPressed());
}

// ---- Preview form

class RptPreviewForm : public ReportTest {
protected:
    void SetUp() override {
        ReportTest::SetUp();
        ResetKeyState();
        TReportFiler filer(nullptr);
        filer.SetStreamMode(smUser);
        filer.SetStream(&stream);
        filer.SetTitle("Amortization Schedule");
        filer.OnPrint = [&](TObject*) {
            for (int page = 1; page <= 3; ++page) {
                filer.SetFont("Arial", 14);
                filer.SetBold(true);
                filer.PrintCenter("Amortization Schedule", 4.25);
                filer.NewLine();
                filer.SetFont("Arial", 10);
                filer.SetBold(false);
                for (int row = 1; row <= 40; ++row) {
                    const int n = (page - 1) * 40 + row;
                    filer.PrintLeft(std::to_string(n), 1.0);
                    filer.PrintRight("1,023.27", 3.0);
                    filer.PrintRight(std::to_string(900 - n) + ".41", 4.5);
                    filer.PrintRight(std::to_string(150000 - n * 123) + ".17", 6.5);
                    filer.NewLine();
                }
                filer.Rectangle(0.9, 0.9, 6.6, 8.0);
                if (page < 3) filer.NewPage();
            }
        };
        filer.Execute();
        form = new TRPPreviewForm(nullptr);
        form->SetReportSystem(&system);
        for (TFilePrinter* player : {static_cast<TFilePrinter*>(form->FilePrinter1),
                                     static_cast<TFilePrinter*>(form->FilePreview1)}) {
            player->SetStreamMode(smUser);
            player->SetStream(&stream);
        }
    }
    void TearDown() override {
        delete form;
        ReportTest::TearDown();
    }
    TMemoryStream stream;
    TReportSystem system{nullptr};
    TRPPreviewForm* form = nullptr;
};

TEST_F(RptPreviewForm, ShowsTheFirstPageWithItsNumbers) {
    EXPECT_EQ(form->Width(), 615);
    EXPECT_EQ(form->Height(), 450);
    EXPECT_EQ(form->Panel2->Height(), 41);
    form->Show();
    Application->ProcessMessages();
    EXPECT_TRUE(form->FilePreview1->Printing());
    EXPECT_EQ(form->PageLabel->Caption(), "Page 1 of 3");
    EXPECT_EQ(form->PageEdit->Text(), "1");
    EXPECT_EQ(form->ZoomEdit->Text(), "100.0");
    form->SBNextPage->Click();
    EXPECT_EQ(form->PageLabel->Caption(), "Page 2 of 3");
    Screenshot(form, "preview");
    form->SBZoomPage->Click();
    EXPECT_LT(form->FilePreview1->ZoomFactor(), 60.0);
    Screenshot(form, "preview-fit");
    form->FilePreview1->SetRulerType(rtBothIn);
    form->FilePreview1->SetShadowDepth(6);
    form->FilePreview1->SetGridHoriz(1.0);
    form->FilePreview1->SetZoomFactor(100);
    Screenshot(form, "preview-rulers");
    form->SBDone->Click();
    EXPECT_TRUE(form->Closed());
    EXPECT_FALSE(form->FilePreview1->Printing());
}

TEST_F(RptPreviewForm, TheToolBarsControlsStandApartWithinTheBar) {
    std::vector<TControl*> row;
    for (int i = 0; i < form->Panel2->ControlCount(); ++i)
        row.push_back(form->Panel2->Controls(i));
    std::sort(row.begin(), row.end(),
              [](TControl* a, TControl* b) { return a->Left() < b->Left(); });
    ASSERT_EQ(row.size(), 13u);
    // A label may reach its edit; a button keeps two pixels from whatever stands next to it.
    for (std::size_t i = 1; i < row.size(); ++i) {
        const bool button = dynamic_cast<TSpeedButton*>(row[i - 1]) != nullptr ||
                            dynamic_cast<TSpeedButton*>(row[i]) != nullptr;
        EXPECT_GE(row[i]->Left() - (row[i - 1]->Left() + row[i - 1]->Width()), button ? 2 : 0)
            << row[i - 1]->Name() << " and " << row[i]->Name();
    }
    EXPECT_LE(row.back()->Left() + row.back()->Width(), form->Panel2->Width());
    for (TControl* c : row)
        EXPECT_LE(c->Top() + c->Height(), form->Panel2->Height()) << c->Name();
}

TEST_F(RptPreviewForm, TypedZoomAndPageApplyOnEnter) {
    form->Show();
    Application->ProcessMessages();
    form->ZoomEdit->SetFocus();
    form->ZoomEdit->SetText("150");
    Type(form->ZoomEdit, Qt::Key_Return);
    EXPECT_EQ(form->FilePreview1->ZoomFactor(), 150.0);
    EXPECT_EQ(form->FilePreview1->PageBitmap()->Width(), 1224);
    EXPECT_EQ(form->ZoomEdit->Text(), "150.0");
    form->ZoomEdit->SetText("250");
    Type(form->ZoomEdit, Qt::Key_Return);
    EXPECT_EQ(form->FilePreview1->ZoomFactor(), 200.0);
    form->PageEdit->SetFocus();
    form->PageEdit->SetText("3");
    Type(form->PageEdit, Qt::Key_Return);
    EXPECT_EQ(form->FilePreview1->CurrentPage(), 3);
    form->PageEdit->SetText("x");
    Type(form->PageEdit, Qt::Key_Return);
    EXPECT_EQ(form->FilePreview1->CurrentPage(), 3);
}

TEST_F(RptPreviewForm, KeysScrollThePage) {
    form->Show();
    Application->ProcessMessages();
    form->FilePreview1->SetZoomFactor(200);
    form->PageEdit->SetFocus();
    TControlScrollBar* vert = form->ScrollBox1->VertScrollBar();
    TControlScrollBar* horz = form->ScrollBox1->HorzScrollBar();
    Type(form->PageEdit, Qt::Key_Down);
    EXPECT_EQ(vert->Position(), vert->Increment());
    Type(form->PageEdit, Qt::Key_PageDown);
    EXPECT_EQ(vert->Position(), vert->Increment() + form->ScrollBox1->Height());
    Type(form->PageEdit, Qt::Key_Home);
    EXPECT_EQ(vert->Position(), 0);
    Type(form->PageEdit, Qt::Key_End);
    EXPECT_GT(vert->Position(), 1000);
    Type(form->PageEdit, Qt::Key_Right);
    EXPECT_EQ(horz->Position(), 0); // the edit keeps its plain cursor keys
    Type(form->PageEdit, Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(horz->Position(), horz->Increment());
    Type(form->PageEdit, Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_GT(horz->Position(), horz->Increment());
    Type(form->PageEdit, Qt::Key_Left, Qt::ControlModifier | Qt::ShiftModifier);
    Type(form->PageEdit, Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(horz->Position(), 0);
}

TEST_F(RptPreviewForm, PrintFromThePreviewFollowsTheOption) {
    form->Show();
    Application->ProcessMessages();
    const std::size_t before = backend->Documents().size();
    system.SystemOptions.Exclude(soAllowPrintFromPreview);
    form->SBPrint->Click();
    EXPECT_EQ(backend->Documents().size(), before);
    system.SystemOptions.Include(soAllowPrintFromPreview);
    form->SBPrint->Click();
    ASSERT_EQ(backend->Documents().size(), before + 1);
    EXPECT_EQ(LastDocument().Pages.size(), 3u);
    EXPECT_EQ(LastDocument().Settings.DocName, "Amortization Schedule");
}

} // namespace
