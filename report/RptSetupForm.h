// The report setup form: before a report runs the user picks where it goes (printer, preview or
// a file), the number of copies, collation and duplex, and may change the printer. What the
// report system allows (its setup options) is enabled, the rest is disabled; OK writes the
// choices back into the report system. A file destination needs a file name: OK without one
// says so and keeps the form open.
#pragma once

#include "platform/gui/Buttons.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Forms.h"

class TReportSystem;

inline constexpr const char* Trans_FileNameMissing =
    "Please enter the name of the file the report is to be printed to.";

class TRPSetupForm : public TForm {
    VANTREL_CLASS(TRPSetupForm, TForm)

    explicit TRPSetupForm(TComponent* AOwner);

    TGroupBox* DestGB;
    TRadioButton* PrinterRB;
    TRadioButton* PreviewRB;
    TRadioButton* FileRB;
    TEdit* FileNameED;
    TSpeedButton* FileNameSB;
    TBitBtn* OKBB;
    TBitBtn* CancelBB;
    TBitBtn* SetupBB;
    TGroupBox* RangeGB;
    TRadioButton* AllRB;
    TRadioButton* SelectionRB;
    TRadioButton* PagesRB;
    TLabel* FromLabel;
    TLabel* ToLabel;
    TLabel* SelectionLabel;
    TEdit* FromED;
    TEdit* ToED;
    TEdit* SelectionED;
    TSaveDialog* SaveDialog1;
    TGroupBox* GroupBox1;
    TLabel* PrinterLabel;
    TGroupBox* GroupBox2;
    TLabel* CopiesLabel;
    TEdit* CopiesED;
    TCheckBox* CollateCK;
    TCheckBox* DuplexCK;

    void SetReportSystem(TReportSystem* Value) { reportSystem_ = Value; }
    // True: the page range is offered instead of the destination.
    void SetRangeMode(bool Value) { rangeMode_ = Value; }

    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void SetupBBClick(TObject* Sender);
    void FileNameSBClick(TObject* Sender);
    void PrinterRBClick(TObject* Sender);
    void FileRBClick(TObject* Sender);
    void AllRBClick(TObject* Sender);
    void PagesRBClick(TObject* Sender);
    void SelectionRBClick(TObject* Sender);
    void OKBBClick(TObject* Sender);

private:
    void UpdatePrinterLabel();
    void ShowDestinations();
    void ShowOptions();

    TReportSystem* reportSystem_ = nullptr;
    bool rangeMode_ = false;
};
