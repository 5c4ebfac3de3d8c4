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

// The control's place in its parent and its size.
void ExpectBounds(TControl* Control, int Left, int Top, int Width, int Height) {
    EXPECT_EQ(Control->BoundsRect(), Rect(Left, Top, Left + Width, Top + Height))
        << Control->Name();
}

// An auto-sized label: its place; its size is its caption's.
void ExpectLabelAt(TLabel* Label, int Left, int Top) {
    EXPECT_TRUE(Label->AutoSize()) << Label->Name();
    EXPECT_EQ(Label->Left(), Left) << Label->Name();
    EXPECT_EQ(Label->Top(), Top) << Label->Name();
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

// The setup form's layout: two columns of group boxes 8 pixels from the form's edges and from
// each other, both ending at 177, and the buttons 25 high 9 pixels below them (7 above the
// bottom of the 287 x 218 client area); rows of choices 24 pixels apart inside the boxes, and
// each box's last edit (or the file name's button) ending at 128, 9 pixels inside the box.
TEST_F(RptForms, SetupFormLayout) {
    EXPECT_EQ(setup->ClientWidth(), 287);
    EXPECT_EQ(setup->ClientHeight(), 218);
    for (TControl* box : {static_cast<TControl*>(setup->DestGB), static_cast<TControl*>(setup->RangeGB)})
        ExpectBounds(box, 8, 8, 137, 169);
    ExpectBounds(setup->GroupBox1, 153, 8, 126, 76);
    ExpectBounds(setup->GroupBox2, 153, 92, 126, 85);
    ExpectBounds(setup->OKBB, 8, 186, 80, 25);
    ExpectBounds(setup->CancelBB, 96, 186, 80, 25);
    ExpectBounds(setup->SetupBB, 199, 186, 80, 25);
    // Destinations and ranges: three choices, then the edits of the chosen one.
    const std::vector<std::vector<TControl*>> columns{
        {setup->PrinterRB, setup->PreviewRB, setup->FileRB},
        {setup->AllRB, setup->SelectionRB, setup->PagesRB}};
    for (const std::vector<TControl*>& choices : columns)
        for (std::size_t i = 0; i < choices.size(); ++i)
            ExpectBounds(choices[i], 12, 22 + 24 * static_cast<int>(i), 110, 20);
    ExpectBounds(setup->FileNameED, 12, 96, 92, 22);
    ExpectBounds(setup->FileNameSB, 106, 96, 22, 22);
    ExpectBounds(setup->FromED, 42, 98, 32, 22);
    ExpectBounds(setup->ToED, 96, 98, 32, 22);
    ExpectBounds(setup->SelectionED, 66, 98, 62, 22);
    // Labels stand 4 pixels lower than their edits.
    ExpectLabelAt(setup->FromLabel, 12, 102);
    ExpectLabelAt(setup->ToLabel, 80, 102);
    ExpectLabelAt(setup->SelectionLabel, 12, 102);
    ExpectBounds(setup->PrinterLabel, 8, 20, 110, 48);
    ExpectLabelAt(setup->CopiesLabel, 8, 24);
    ExpectBounds(setup->CopiesED, 56, 20, 58, 22);
    ExpectBounds(setup->CollateCK, 8, 48, 110, 16);
    ExpectBounds(setup->DuplexCK, 8, 66, 110, 16);
    // The copies label's accelerator leads to its edit.
    EXPECT_EQ(setup->CopiesLabel->FocusControl(), setup->CopiesED);
}

// The status form: the message across the 361 pixels less 8 on each side, the button centred
// ((361 - 75) / 2 = 143) 12 pixels above the bottom of the 113 high client area.
TEST_F(RptForms, StatusFormLayout) {
    TRPStatusForm status(nullptr);
    EXPECT_EQ(status.ClientWidth(), 361);
    EXPECT_EQ(status.ClientHeight(), 113);
    ExpectBounds(status.StatusLabel, 8, 12, 345, 49);
    ExpectBounds(status.CancelButton, 143, 76, 75, 25);
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
        OnStream(filer, stream).SetTitle("Amortization Schedule");
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
                                     static_cast<TFilePrinter*>(form->FilePreview1)})
            OnStream(*player, stream);
    }
    void TearDown() override {
        delete form;
        ReportTest::TearDown();
    }
    void ShowForm() {
        form->Show();
        Application->ProcessMessages();
    }
    TMemoryStream stream;
    TReportSystem system{nullptr};
    TRPPreviewForm* form = nullptr;
};

TEST_F(RptPreviewForm, ShowsTheFirstPageWithItsNumbers) {
    EXPECT_EQ(form->Width(), 615);
    EXPECT_EQ(form->Height(), 450);
    EXPECT_EQ(form->Panel2->Height(), 41);
    ShowForm();
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

// The tool bar, 41 high: buttons 25 high 8 from its top, edits 22 high 10 from it, labels
// 14 from it; zoom in and out 34 wide, the fitting zooms, print and done 42, the page
// steps 25; the zoom buttons stand 2 apart, as do the page steps.
TEST_F(RptPreviewForm, TheToolBarsLayout) {
    ExpectBounds(form->Panel2, 0, 0, form->ClientWidth(), 41);
    ExpectBounds(form->SBZoomIn, 4, 8, 34, 25);
    ExpectBounds(form->SBZoomOut, 40, 8, 34, 25);
    ExpectBounds(form->SBZoomPageWidth, 76, 8, 42, 25);
    ExpectBounds(form->SBZoomPage, 120, 8, 42, 25);
    ExpectLabelAt(form->Label1, 166, 14);
    ExpectBounds(form->ZoomEdit, 218, 10, 48, 22);
    ExpectBounds(form->SBPrevPage, 272, 8, 25, 25);
    ExpectBounds(form->SBNextPage, 299, 8, 25, 25);
    ExpectLabelAt(form->Label2, 332, 14);
    ExpectBounds(form->PageEdit, 376, 10, 40, 22);
    ExpectLabelAt(form->PageLabel, 422, 14);
    ExpectBounds(form->SBPrint, 514, 8, 42, 25);
    ExpectBounds(form->SBDone, 560, 8, 42, 25);
    ExpectBounds(form->ScrollBox1, 0, 41, form->ClientWidth(), form->ClientHeight() - 41);
}

TEST_F(RptPreviewForm, TypedZoomAndPageApplyOnEnter) {
    ShowForm();
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

TEST_F(RptPreviewForm, KeysScrollThePageAndEscapeClosesIt) {
    ShowForm();
    form->FilePreview1->SetZoomFactor(200);
    form->PageEdit->SetFocus();
    TControlScrollBar* vert = form->ScrollBox1->VertScrollBar();
    TControlScrollBar* horz = form->ScrollBox1->HorzScrollBar();
    const int line = vert->Increment(), page = form->ScrollBox1->Height();
    ASSERT_GT(line, 0);
    Type(form->PageEdit, Qt::Key_Down);
    EXPECT_EQ(vert->Position(), line);
    Type(form->PageEdit, Qt::Key_Down);
    Type(form->PageEdit, Qt::Key_Up);
    EXPECT_EQ(vert->Position(), line);
    Type(form->PageEdit, Qt::Key_PageDown);
    EXPECT_EQ(vert->Position(), line + page);
    Type(form->PageEdit, Qt::Key_PageDown);
    Type(form->PageEdit, Qt::Key_PageUp);
    EXPECT_EQ(vert->Position(), line + page);
    Type(form->PageEdit, Qt::Key_Home);
    EXPECT_EQ(vert->Position(), 0);
    Type(form->PageEdit, Qt::Key_End);
    EXPECT_GT(vert->Position(), 1000);
    Type(form->PageEdit, Qt::Key_Right);
    EXPECT_EQ(horz->Position(), 0); // the edit keeps its plain cursor keys
    Type(form->PageEdit, Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(horz->Position(), horz->Increment());
    Type(form->PageEdit, Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(horz->Position(), horz->Increment() + form->ScrollBox1->Width());
    Type(form->PageEdit, Qt::Key_Left, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(horz->Position(), horz->Increment());
    Type(form->PageEdit, Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(horz->Position(), 0);
    Type(form->PageEdit, Qt::Key_Escape);
    EXPECT_TRUE(form->Closed());
    EXPECT_FALSE(form->FilePreview1->Printing());
}

TEST_F(RptPreviewForm, PrintFromThePreviewFollowsTheOption) {
    ShowForm();
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
