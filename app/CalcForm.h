// The calculator form pattern every calculator and advisor of the program follows: a dialog-framed
// form with a panel of labelled entry fields and drop-down lists, the seven buttons Print, Copy,
// Reset, Undo, Calc, Close and Help, a controller for the fields' keys and a transfer component.
//
// Each calculator kind has one transfer record shared by all its open instances (made by the
// first instance, kept until the program ends): Calculate copies the controls into it, computes
// on it and copies it back; Undo copies it into the controls again; Reset puts the defaults into
// it. Copy and Print read the controls through a temporary record, so they neither change what
// Undo restores nor show another open instance values that were never calculated.
//
// A form lives in an instance slot of the main window from its launch until it closes; closing
// saves its position (when the preference says so) and gives the slot back.
#pragma once

#include "controls/entry/VcBase.h"
#include "controls/entry/VcXfer.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"
#include "platform/gui/StdCtrls.h"

#include <memory>
#include <span>
#include <string>
#include <vector>

class TBaseReport;

// The kinds of calculators and advisors the main window launches, in its table's order.
enum TCalcKind : Byte {
    ckLoan,
    ckIntDue,
    ckRemBal,
    ckAccel,
    ckBalloon,
    ckAffHouse,
    ckRefinance,
    ckPoints,
    ckLeaseBuy,
    ckKindCount
};

// One line of a calculator's copy and printout: a caption and a value of one of four forms.
struct TCalcLine {
    enum TForm { Money, Count, Rate, Choice };
    TForm Form = Money;
    std::string Caption; // with its "&", as the label shows it
    double Value = 0.0;
    std::string Text; // the chosen item of a Choice
};

class TCalcForm : public TForm {
    VANTREL_CLASS(TCalcForm, TForm)

    // BaseCaption is the caption without the slot number ("Loan Calculator").
    TCalcForm(TComponent* AOwner, TCalcKind Kind, const std::string& BaseCaption);

    // Stores the slot, numbers the caption ("Loan Calculator 1") and shows the form.
    void InitInstance(Byte Slot);
    Byte SlotNumber() const { return slot_; }
    TCalcKind Kind() const { return kind_; }

    // The clipboard text of the current controls (what Copy puts there).
    std::string CopyText();

    TPanel* CalcPNL;
    TButton* PrintBtn;
    TButton* CopyBTN;
    TButton* ResetBTN;
    TButton* UndoBTN;
    TButton* CalcBTN;
    TButton* CloseBTN;
    TButton* HelpBTN;
    TVcController* DefaultController;
    TVcTransfer* VcTransfer1;

    void FormShow(TObject* Sender);
    void CalcBTNClick(TObject* Sender);
    void CopyBTNClick(TObject* Sender);
    void PrintBtnClick(TObject* Sender);
    void ReportWriter1Print(TObject* Sender);
    void ResetBTNClick(TObject* Sender);
    void UndoBTNClick(TObject* Sender);
    void HelpBTNClick(TObject* Sender);
    void CloseBTNClick(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);

protected:
    // What a kind supplies:
    // - its controls in record order;
    virtual std::vector<TComponent*> TransferList() const = 0;
    // - a new record holding the defaults, and the kind's shared record (made on first use);
    virtual std::unique_ptr<TTransferRecord> MakeRecord() const = 0;
    virtual TTransferRecord& SharedRecord() const = 0;
    // - the computation on the shared record (controls already copied in); it shows its own
    //   messages and may adjust controls before the copy back;
    virtual void Calculate(std::span<Byte> Data) = 0;
    // - the defaults put into the shared record by Reset;
    virtual void ResetRecord(std::span<Byte> Data) = 0;
    // - the lines of its copy and printout, read from a record;
    virtual std::vector<TCalcLine> ReportLines(std::span<const Byte> Data) const = 0;
    // - the help context of its Help button.
    virtual int FormHelpContext() const = 0;

    // Called by Calculate before the controls are copied into the record.
    virtual void BeforeCalculate() {}

    // Builders of the panel's rows for the kinds' constructors.
    TLabel* AddLabel(const std::string& Name, int Left, int Top, int Width = 168);
    template <typename T>
    T* AddControl(const std::string& Name, int Left, int Top, int Width, int Height = 22) {
        T* control = new T(this);
        control->SetName(Name);
        control->SetParent(CalcPNL);
        control->SetBounds(Left, Top, Width, Height);
        return control;
    }
    TComboBox* AddChoice(const std::string& Name, int Left, int Top, int Width, int HelpContext);
    // Sizes the panel and puts the buttons in a row below it.
    void LayoutButtons(int PanelHeight);

    // Copies the controls into a record; false (with the field's error shown) when a field is
    // not valid.
    bool ControlsTo(TTransferRecord& Record);
    void RecordToControls();

private:
    TButton* AddButton(const std::string& Name, TNotifyEvent OnClick);
    std::unique_ptr<TTransferRecord> CurrentValues();

    TCalcKind kind_;
    std::string baseCaption_;
    Byte slot_ = 0;
};

// Building and reading the slots of a kind's record:
// - a caption slot (256 bytes);
void PutCaptionSlot(std::span<Byte> Data, std::size_t Offset, const std::string& Caption);
// - a choice slot (264 bytes): the item index, its text and a copy of the items, owned by Record;
void PutChoiceSlot(TTransferRecord& Record, std::size_t Offset, TStrings& Items, int Index);
void SetChoiceIndex(std::span<Byte> Data, std::size_t Offset, int Index);
int ChoiceIndex(std::span<const Byte> Data, std::size_t Offset);
// The text of the chosen item of a choice slot.
std::string ChoiceText(std::span<const Byte> Data, std::size_t Offset);

// The lines of a copy: the caption, a blank line, one aligned line per value.
std::string CalcCopyText(const std::string& Caption, const std::vector<TCalcLine>& Lines);
// Prints the caption centred and one tabbed line per value on a running report.
void PrintCalcLines(TBaseReport& Report, const std::string& Caption,
                    const std::vector<TCalcLine>& Lines);
