// The report system's runs: setup, generation into a recording, printing straight or from the
// recording, preview; the forms of each phase and what a cancel does.
#include "RptTestSupport.h"
#include "platform/rtl/Streams.h"
#include "report/RptPlayer.h"
#include "report/RptPreviewForm.h"
#include "report/RptSetupForm.h"
#include "report/RptStatusForm.h"
#include "report/RptSystem.h"

#include <filesystem>

namespace {

class RptSystem : public ReportTest {
protected:
    void SetUp() override {
        ReportTest::SetUp();
        system.OnPrint = [this](TObject* Sender) {
            auto* report = static_cast<TBaseReport*>(Sender);
            kinds.push_back(report->ClassName());
            if (report->StatusLabel()) statuses.push_back(report->StatusLabel()->Caption());
            for (int page = 1; page <= 2; ++page) {
                report->PrintLeft("Payment " + std::to_string(page), 1.0);
                if (page < 2) report->NewPage();
            }
        };
        previous = SetModalHook([this](TCustomForm* Form) { OnModal(Form); });
    }
    void TearDown() override {
        SetModalHook(previous);
        ReportTest::TearDown();
    }
    // Each modal form as the hook meets it: OK on the setup form (after Setup), the preview's
    // page label read.
    void OnModal(TCustomForm* Form) {
        modal.push_back(Form->ClassName());
        if (auto* setupForm = dynamic_cast<TRPSetupForm*>(Form)) {
            if (Setup) Setup(setupForm);
            if (!cancelSetup) setupForm->OKBB->Click();
        }
        if (auto* preview = dynamic_cast<TRPPreviewForm*>(Form)) {
            previewPage = preview->PageLabel->Caption();
            if (PreviewAction) PreviewAction(preview);
        }
    }
    std::size_t Printed() const { return backend->Documents().size(); }
    // The setup form chooses the file as the destination.
    void ChooseFile(const std::string& File) {
        Setup = [File](TRPSetupForm* Form) {
            Form->FileRB->SetChecked(true);
            Form->FileNameED->SetText(File);
        };
    }
    // Records a report of one text into Recording and has the system play it without generating,
    // with Output the file the recording names.
    void Supply(TMemoryStream& Recording, const std::string& Output = "") {
        TReportFiler filer(nullptr);
        OnStream(filer, Recording).SetOutputFileName(Output);
        filer.OnPrint = [&](TObject*) { filer.PrintLeft("Saved", 1.0); };
        filer.Execute();
        system.SystemOptions.Include(soNoGenerate);
        system.SystemOptions.Include(soUseFiler);
        system.SystemFiler()->Stream = &Recording;
        system.DefaultDest = rdPrinter;
    }

    TReportSystem system{nullptr};
    TModalHook previous;
    std::vector<std::string> modal;
    std::vector<std::string> kinds;
    std::vector<std::string> statuses;
    std::string previewPage;
    bool cancelSetup = false;
    std::function<void(TRPSetupForm*)> Setup;
    std::function<void(TRPPreviewForm*)> PreviewAction;
};

TEST_F(RptSystem, DefaultsRecordThenPreview) {
    PreviewAction = [](TRPPreviewForm* Form) { Form->SBPrint->Click(); };
    system.Execute();
    EXPECT_EQ(modal, (std::vector<std::string>{"TRPSetupForm", "TRPPreviewForm"}));
    EXPECT_EQ(kinds, (std::vector<std::string>{"TReportFiler"}));
    ASSERT_FALSE(statuses.empty());
    EXPECT_EQ(statuses[0], "Generating page 1");
    EXPECT_EQ(previewPage, "Page 1 of 2");
    // Printed from the preview: the two recorded pages.
    ASSERT_EQ(Printed(), 1u);
    EXPECT_EQ(LastDocument().Pages.size(), 2u);
    EXPECT_FALSE(system.Aborted);
    EXPECT_EQ(system.BaseReport(), nullptr);
}

TEST_F(RptSystem, PrinterWithoutFilerPrintsStraight) {
    system.DefaultDest = rdPrinter;
    system.SystemPrinter()->SetTitle("Loan 17 schedule");
    system.Execute();
    EXPECT_EQ(kinds, (std::vector<std::string>{"TReportWriter"}));
    EXPECT_EQ(LastDocument().Settings.DocName, "Loan 17 schedule");
    EXPECT_EQ(statuses, (std::vector<std::string>{"Printing page 1"}));
    ASSERT_EQ(Printed(), 1u);
    EXPECT_EQ(LastDocument().Pages.size(), 2u);
    EXPECT_EQ(system.SystemFiler()->Stream, nullptr);
}

TEST_F(RptSystem, PrinterWithFilerRecordsThenPlays) {
    system.DefaultDest = rdPrinter;
    system.SystemOptions.Include(soUseFiler);
    system.SystemPrinter()->FirstPage = 2;
    TControl* generatingLabel = nullptr;
    std::string lastStatus;
    system.OverrideStatus = [&](TReportSystem* System, TOverrideMode Mode, TForm*& Form) {
        // What the status form says when it goes: the player's last page.
        if (Mode == omFree && Form)
            lastStatus = static_cast<TRPStatusForm*>(Form)->StatusLabel->Caption();
        System->ShowStatus(System, Mode, Form);
        if (Mode == omShow) {
            generatingLabel = System->BaseReport()->StatusLabel();
            EXPECT_TRUE(Form->Visible());
        }
    };
    system.Execute();
    EXPECT_EQ(kinds, (std::vector<std::string>{"TReportFiler"}));
    // The page range is applied once, when the recording is played: page 2 alone.
    ASSERT_EQ(Printed(), 1u);
    ASSERT_EQ(LastDocument().Pages.size(), 1u);
    std::string words;
    for (const auto& text : LastDocument().Pages[0].Texts)
        if (text.Text.find_first_not_of(' ') != std::string::npos) words += text.Text + "|";
    // Block text this printer draws as wide as it was recorded: one text, as printed straight.
    EXPECT_EQ(words, "Payment 2|");
    // The label of the recording showed the playing too.
    ASSERT_NE(generatingLabel, nullptr);
    EXPECT_EQ(lastStatus, "Printing page 2");
}

TEST_F(RptSystem, WithoutSetupOrStatusNoSuchForm) {
    system.SystemSetups.Exclude(ssAllowSetup);
    system.SystemOptions.Exclude(soShowStatus);
    system.Execute();
    EXPECT_EQ(modal, (std::vector<std::string>{"TRPPreviewForm"}));
    EXPECT_TRUE(statuses.empty());
}

TEST_F(RptSystem, CancelledSetupRunsNothing) {
    cancelSetup = true;
    system.Execute();
    EXPECT_TRUE(system.Aborted);
    EXPECT_TRUE(kinds.empty());
    EXPECT_EQ(modal, (std::vector<std::string>{"TRPSetupForm"}));
}

TEST_F(RptSystem, CancelOnTheStatusFormAbortsTheRun) {
    system.DefaultDest = rdPrinter;
    system.SystemOptions.Include(soUseFiler);
    system.OnNewPage = [this](TObject* Sender) {
        auto* report = static_cast<TBaseReport*>(Sender);
        if (report->CurrentPage() != 2) return;
        for (int i = 0; i < Screen->FormCount(); ++i)
            if (auto* status = dynamic_cast<TRPStatusForm*>(Screen->Forms(i)))
                status->CancelButton->Click();
    };
    system.Execute();
    EXPECT_TRUE(system.Aborted);
    EXPECT_EQ(Printed(), 0u); // nothing played after the aborted recording
}

TEST_F(RptSystem, WaitForOkEndsWhenTheWindowCloses) {
    system.DefaultDest = rdPrinter;
    system.SystemOptions.Include(soWaitForOK);
    bool waited = false;
    SetModalHook([&](TCustomForm* Form) {
        if (auto* setupForm = dynamic_cast<TRPSetupForm*>(Form)) setupForm->OKBB->Click();
        if (auto* status = dynamic_cast<TRPStatusForm*>(Form)) {
            EXPECT_EQ(status->CancelButton->Caption(), "OK");
            waited = true;
            status->Close();
        }
    });
    system.Execute();
    EXPECT_TRUE(waited);
    EXPECT_EQ(Printed(), 1u);
}

TEST_F(RptSystem, PreviewShownWithoutBlockingIsWaitedFor) {
    system.SystemOptions.Exclude(soPreviewModal);
    bool closed = false;
    PreviewAction = [&](TRPPreviewForm* Form) {
        EXPECT_FALSE(Form->Modal());
        Form->SBDone->Click();
        closed = Form->Closed();
    };
    system.Execute();
    EXPECT_EQ(modal, (std::vector<std::string>{"TRPSetupForm", "TRPPreviewForm"}));
    EXPECT_TRUE(closed);
    EXPECT_EQ(previewPage, "Page 1 of 2");
}

TEST_F(RptSystem, FileDestinationPrintsToTheFile) {
    const std::string file = dir + "/schedule.out";
    ChooseFile(file);
    system.SystemOptions.Include(soUseFiler);
    system.Execute();
    EXPECT_EQ(system.ReportDest, rdFile);
    ASSERT_EQ(Printed(), 1u);
    EXPECT_EQ(LastDocument().Settings.Output, file);
}

TEST_F(RptSystem, TemporaryRecordingIsDeleted) {
    system.SystemFiler()->StreamMode = smTempFile;
    system.Execute();
    const std::string name = system.SystemFiler()->FileName;
    EXPECT_NE(name.find("/RP"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(name));
    EXPECT_EQ(previewPage, "Page 1 of 2");
}

// A report that fails while it is recorded reaches the caller, and leaves neither the memory
// recording nor the temporary file behind.
TEST_F(RptSystem, AFailingReportLeavesNoRecordingBehind) {
    system.OnPrint = [](TObject*) { throw Exception("Rate missing"); };
    EXPECT_EQ(ErrorOf([&] { system.Execute(); }), "Rate missing");
    EXPECT_EQ(system.SystemFiler()->Stream, nullptr);
    system.SystemFiler()->StreamMode = smTempFile;
    EXPECT_EQ(ErrorOf([&] { system.Execute(); }), "Rate missing");
    const std::string name = system.SystemFiler()->FileName;
    EXPECT_NE(name.find("/RP"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(name));
    EXPECT_EQ(Printed(), 0u);
}

TEST_F(RptSystem, WithoutGeneratingASuppliedRecordingIsPlayed) {
    TMemoryStream recording;
    Supply(recording);
    system.Execute();
    EXPECT_TRUE(kinds.empty());
    ASSERT_EQ(Printed(), 1u);
    EXPECT_EQ(LastDocument().Pages[0].Texts[0].Text, "Saved");
    EXPECT_EQ(system.SystemFiler()->Stream, &recording);
}

TEST_F(RptSystem, ASuppliedRecordingGoesToTheChosenDestinationNotToTheFileItNames) {
    TMemoryStream recording;
    Supply(recording, dir + "/settings.ini");
    system.Execute();
    ASSERT_EQ(Printed(), 1u);
    EXPECT_EQ(LastDocument().Settings.Output, "");
    const std::string chosen = dir + "/chosen.out";
    ChooseFile(chosen);
    system.Execute();
    ASSERT_EQ(Printed(), 2u);
    EXPECT_EQ(LastDocument().Settings.Output, chosen);
}

TEST_F(RptSystem, WithoutPrintersTheFormsCanvasMeasuresAndThePreviewShows) {
    UseBackends({});
    TForm owner(nullptr);
    TReportSystem onForm(&owner);
    onForm.OnPrint = system.OnPrint;
    onForm.Execute();
    EXPECT_EQ(modal, (std::vector<std::string>{"TRPSetupForm", "TRPPreviewForm"}));
    EXPECT_EQ(kinds, (std::vector<std::string>{"TReportFiler"}));
    EXPECT_EQ(previewPage, "Page 1 of 2");
    // Without a form to measure with, the recording refuses to start.
    TReportFiler filer(nullptr);
    filer.SetStreamMode(smMemory);
    EXPECT_EQ(ErrorOf([&] { filer.Execute(); }),
              "TReportFiler.Owner must be a TForm if no printers are defined.");
}

TEST_F(RptSystem, OptionRecordsKeepTheirLimits) {
    TSystemPreview* preview = system.SystemPreview();
    preview->SetZoomFactor(300);
    EXPECT_EQ(preview->ZoomFactor(), 200.0);
    preview->SetZoomFactor(5);
    EXPECT_EQ(preview->ZoomFactor(), 10.0);
    TSystemPrinter* printer = system.SystemPrinter();
    printer->SetUnitsFactor(25.4);
    EXPECT_EQ(printer->Units(), unMM);
    printer->SetUnitsFactor(25.0);
    EXPECT_EQ(printer->Units(), unUser);
    printer->SetUnitsFactor(-1.0);
    EXPECT_EQ(printer->UnitsFactor(), 25.0);
    printer->SetUnits(unCM);
    EXPECT_EQ(printer->UnitsFactor(), 2.54);
    printer->SetTabShade(150);
    EXPECT_EQ(printer->TabShade(), 100);
    preview->SetShadowDepth(4);
    preview->SetMonochrome(true);
    EXPECT_FALSE(preview->Monochrome());
    EXPECT_EQ(services.MessageBoxes.back().Text,
              "Monochrome not allowed while shadows are in effect.\nChange ShadowDepth to 0 first");
}

TEST_F(RptSystem, UnitsReachTheRecordingButNotThePlayer) {
    system.DefaultDest = rdPrinter;
    system.SystemOptions.Include(soUseFiler);
    system.SystemPrinter()->SetUnits(unMM);
    system.OnPrint = [](TObject* Sender) {
        static_cast<TBaseReport*>(Sender)->PrintLeft("At 25.4 mm", 25.4);
    };
    system.Execute();
    ASSERT_EQ(Printed(), 1u);
    // One inch at 100 dots per inch, less the quarter inch the printer cannot reach.
    EXPECT_NEAR(LastDocument().Pages[0].Texts[0].X, 75, 1);
}

} // namespace
