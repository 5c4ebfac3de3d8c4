#include "report/RptSetupForm.h"

#include "platform/rtl/Numbers.h"
#include "report/RptDevice.h"
#include "report/RptSystem.h"

namespace {

void EnableAll(std::initializer_list<TControl*> Controls, bool Value) {
    for (TControl* control : Controls)
        control->SetEnabled(Value);
}

void ShowAll(std::initializer_list<TControl*> Controls, bool Value) {
    for (TControl* control : Controls)
        control->SetVisible(Value);
}

} // namespace

TRPSetupForm::TRPSetupForm(TComponent* AOwner) : TForm(AOwner) {
    SetName("RPSetupForm");
    SetCaption("Report Setup");
    SetFormBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(287);
    SetClientHeight(218);

    DestGB = MakeChild<TGroupBox>(this, "DestGB", this, 8, 8, 137, 169, "Report Destination");
    PrinterRB = MakeChild<TRadioButton>(this, "PrinterRB", DestGB, 12, 22, 110, 20, "&Printer");
    PreviewRB = MakeChild<TRadioButton>(this, "PreviewRB", DestGB, 12, 46, 110, 20, "Pre&view");
    FileRB = MakeChild<TRadioButton>(this, "FileRB", DestGB, 12, 70, 110, 20, "&File");
    FileNameED = MakeChild<TEdit>(this, "FileNameED", DestGB, 12, 96, 92, 22);
    FileNameSB = MakeChild<TSpeedButton>(this, "FileNameSB", DestGB, 106, 96, 22, 22, "...");

    RangeGB = MakeChild<TGroupBox>(this, "RangeGB", this, 8, 8, 137, 169, "Print Range");
    AllRB = MakeChild<TRadioButton>(this, "AllRB", RangeGB, 12, 22, 110, 20, "All");
    AllRB->SetChecked(true);
    SelectionRB =
        MakeChild<TRadioButton>(this, "SelectionRB", RangeGB, 12, 46, 110, 20, "Selection");
    PagesRB = MakeChild<TRadioButton>(this, "PagesRB", RangeGB, 12, 70, 110, 20, "Pages");
    FromLabel = MakeChild<TLabel>(this, "FromLabel", RangeGB, 12, 102, 30, 16, "From");
    FromED = MakeChild<TEdit>(this, "FromED", RangeGB, 42, 98, 32, 22);
    ToLabel = MakeChild<TLabel>(this, "ToLabel", RangeGB, 80, 102, 16, 16, "to");
    ToED = MakeChild<TEdit>(this, "ToED", RangeGB, 96, 98, 32, 22);
    SelectionLabel =
        MakeChild<TLabel>(this, "SelectionLabel", RangeGB, 12, 102, 50, 16, "Selection");
    SelectionED = MakeChild<TEdit>(this, "SelectionED", RangeGB, 66, 98, 62, 22);

    GroupBox1 = MakeChild<TGroupBox>(this, "GroupBox1", this, 153, 8, 126, 76, "Selected Printer");
    PrinterLabel = MakeChild<TLabel>(this, "PrinterLabel", GroupBox1, 8, 20, 110, 48, "(none)");
    PrinterLabel->SetAutoSize(false);
    PrinterLabel->SetBounds(8, 20, 110, 48);
    PrinterLabel->SetWordWrap(true);
    GroupBox2 = MakeChild<TGroupBox>(this, "GroupBox2", this, 153, 92, 126, 85, "Options");
    CopiesLabel = MakeChild<TLabel>(this, "CopiesLabel", GroupBox2, 8, 24, 44, 16, "&Copies");
    CopiesED = MakeChild<TEdit>(this, "CopiesED", GroupBox2, 56, 20, 58, 22);
    CopiesLabel->SetFocusControl(CopiesED);
    CollateCK = MakeChild<TCheckBox>(this, "CollateCK", GroupBox2, 8, 48, 110, 16, "C&ollate");
    DuplexCK = MakeChild<TCheckBox>(this, "DuplexCK", GroupBox2, 8, 66, 110, 16, "&Duplex");

    OKBB = MakeChild<TBitBtn>(this, "OKBB", this, 8, 186, 80, 25);
    OKBB->SetKind(bkOK);
    OKBB->SetCaption("   OK   ");
    CancelBB = MakeChild<TBitBtn>(this, "CancelBB", this, 96, 186, 80, 25);
    CancelBB->SetKind(bkCancel);
    SetupBB = MakeChild<TBitBtn>(this, "SetupBB", this, 199, 186, 80, 25, "&Setup");
    SaveDialog1 = new TSaveDialog(this);
    SaveDialog1->SetName("SaveDialog1");
    // Every destination file is a PDF document: the dialog offers such files and names one.
    SaveDialog1->SetFilter("PDF Files (*.pdf)|*.pdf|All Files|*.*");
    SaveDialog1->SetDefaultExt("pdf");

    PrinterRB->OnClick = [this](TObject* Sender) { PrinterRBClick(Sender); };
    PreviewRB->OnClick = [this](TObject* Sender) { PrinterRBClick(Sender); };
    FileRB->OnClick = [this](TObject* Sender) { FileRBClick(Sender); };
    FileNameSB->OnClick = [this](TObject* Sender) { FileNameSBClick(Sender); };
    AllRB->OnClick = [this](TObject* Sender) { AllRBClick(Sender); };
    PagesRB->OnClick = [this](TObject* Sender) { PagesRBClick(Sender); };
    SelectionRB->OnClick = [this](TObject* Sender) { SelectionRBClick(Sender); };
    SetupBB->OnClick = [this](TObject* Sender) { SetupBBClick(Sender); };
    OKBB->OnClick = [this](TObject* Sender) { OKBBClick(Sender); };
    OnShow = [this](TObject* Sender) { FormShow(Sender); };
    for (TLabel* label : {FromLabel, ToLabel, SelectionLabel, PrinterLabel, CopiesLabel})
        label->SetParentColor(true);
    FormCreate(this);
}

void TRPSetupForm::FormCreate(TObject*) {
    ShowAll({FromLabel, FromED, ToLabel, ToED, RangeGB, DestGB}, false);
    EnableAll({SelectionLabel, SelectionED, FileNameED, FileNameSB}, false);
}

void TRPSetupForm::UpdatePrinterLabel() {
    TRPDevice* device = RPDev();
    if (!device->PrinterInstalled()) {
        PrinterLabel->SetCaption("No printers installed!");
        return;
    }
    device->GetHandle();
    PrinterLabel->SetCaption(Format("%s on %s", {device->DeviceName(), device->Port()}));
}

void TRPSetupForm::FormShow(TObject*) {
    UpdatePrinterLabel();
    if (rangeMode_) {
        RangeGB->SetEnabled(true);
        RangeGB->SetVisible(true);
    } else {
        DestGB->SetEnabled(true);
        DestGB->SetVisible(true);
        ShowDestinations();
    }
    ShowOptions();
}

void TRPSetupForm::ShowDestinations() {
    if (!reportSystem_) return;
    const TSystemSetups setups = reportSystem_->SystemSetups;
    if (!RPDev()->PrinterInstalled()) {
        PrinterRB->SetEnabled(false);
        FileRB->SetEnabled(false);
        if (setups.Contains(ssAllowDestPreview))
            PreviewRB->SetChecked(true);
        else
            PreviewRB->SetEnabled(false);
        return;
    }
    if (!setups.Contains(ssAllowDestPrinter)) PrinterRB->SetEnabled(false);
    if (!setups.Contains(ssAllowDestPreview)) PreviewRB->SetEnabled(false);
    if (!setups.Contains(ssAllowDestFile)) FileRB->SetEnabled(false);
    switch (reportSystem_->DefaultDest) {
    case rdPreview: PreviewRB->SetChecked(true); break;
    case rdPrinter: PrinterRB->SetChecked(true); break;
    case rdFile:
        FileRB->SetChecked(true);
        FileRBClick(FileRB);
        break;
    }
}

void TRPSetupForm::ShowOptions() {
    if (!reportSystem_) return;
    const TSystemSetups setups = reportSystem_->SystemSetups;
    const TSystemPrinter* printer = reportSystem_->SystemPrinter();
    if (!RPDev()->PrinterInstalled()) {
        EnableAll({CollateCK, CopiesED, CopiesLabel, DuplexCK, SetupBB}, false);
    } else {
        if (!setups.Contains(ssAllowCollate)) CollateCK->SetEnabled(false);
        if (!setups.Contains(ssAllowCopies)) {
            CopiesED->SetEnabled(false);
            CopiesLabel->SetEnabled(false);
        }
        if (!setups.Contains(ssAllowDuplex)) DuplexCK->SetEnabled(false);
        if (!setups.Contains(ssAllowPrinterSetup)) SetupBB->SetEnabled(false);
    }
    CopiesED->SetText(std::to_string(printer->Copies));
    CollateCK->SetChecked(printer->Collate);
    DuplexCK->SetChecked(printer->Duplex != 0);
}

void TRPSetupForm::SetupBBClick(TObject*) {
    RPDev()->PrinterSetupDialog();
    UpdatePrinterLabel();
}

void TRPSetupForm::FileNameSBClick(TObject*) {
    if (SaveDialog1->Execute()) FileNameED->SetText(SaveDialog1->FileName());
}

void TRPSetupForm::PrinterRBClick(TObject*) {
    FileNameED->SetEnabled(false);
    FileNameSB->SetEnabled(false);
}

void TRPSetupForm::FileRBClick(TObject*) {
    FileNameED->SetEnabled(true);
    FileNameSB->SetEnabled(true);
}

void TRPSetupForm::AllRBClick(TObject*) {
    EnableAll({SelectionLabel, SelectionED, FromLabel, FromED, ToLabel, ToED}, false);
}

void TRPSetupForm::PagesRBClick(TObject*) {
    if (!PagesRB->Checked()) return;
    SelectionLabel->SetVisible(false);
    SelectionED->SetVisible(false);
    EnableAll({FromLabel, FromED, ToLabel, ToED}, true);
    ShowAll({FromLabel, FromED, ToLabel, ToED}, true);
}

void TRPSetupForm::SelectionRBClick(TObject*) {
    if (!SelectionRB->Checked()) return;
    ShowAll({FromLabel, FromED, ToLabel, ToED}, false);
    SelectionLabel->SetEnabled(true);
    SelectionLabel->SetVisible(true);
    SelectionED->SetEnabled(true);
    SelectionED->SetVisible(true);
}

void TRPSetupForm::OKBBClick(TObject*) {
    if (!reportSystem_) return;
    if (!rangeMode_) {
        if (PrinterRB->Checked()) {
            reportSystem_->ReportDest = rdPrinter;
            reportSystem_->OutputFileName.clear();
        } else if (PreviewRB->Checked()) {
            reportSystem_->ReportDest = rdPreview;
            reportSystem_->OutputFileName.clear();
        } else {
            if (FileNameED->Text().empty()) {
                // A file destination without a file: the form stays for the name.
                SetModalResult(mrNone);
                MessageDlg(Trans_FileNameMissing, mtError, TMsgDlgButtons{mbOK}, 0);
                FileNameED->SetFocus();
                return;
            }
            reportSystem_->ReportDest = rdFile;
            reportSystem_->OutputFileName = FileNameED->Text();
        }
    }
    TSystemPrinter* printer = reportSystem_->SystemPrinter();
    const TSystemSetups setups = reportSystem_->SystemSetups;
    if (setups.Contains(ssAllowCopies)) {
        int copies = 0;
        int error = 0;
        Val(CopiesED->Text(), copies, error);
        if (error == 0) printer->Copies = copies;
    }
    if (setups.Contains(ssAllowCollate)) printer->Collate = CollateCK->Checked();
    if (setups.Contains(ssAllowDuplex)) printer->Duplex = DuplexCK->Checked() ? 1 : 0;
    SetModalResult(mrOk);
}
