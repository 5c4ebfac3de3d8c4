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

#include "controls/entry/EntryController.h"
#include "controls/entry/NumericField.h"
#include "controls/entry/TransferRecords.h"
#include "finance/LoanMath.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"
#include "platform/gui/StdCtrls.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Streams.h"

#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <vector>

class TBaseReport;
class TReportWriter;

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

// What the calculators and advisors ask of the window that launches them (the main window): the
// live preferences, the positions kept in the INI file, the printer font and the report printer
// every calculator prints through, the owner's name, and giving an instance slot back.
class TCalcHost {
public:
    virtual ~TCalcHost() = default;
    virtual bool ShowHints() const = 0;
    virtual bool ButtonHints() const = 0;
    virtual bool SavePositions() const = 0;
    virtual void SaveFormPos(TCustomForm* Form) = 0;
    virtual void RestoreFormPos(TCustomForm* Form) = 0;
    virtual TFont* PrinterFont() const = 0;
    virtual TReportWriter* SharedReportWriter() const = 0;
    virtual std::string OwnerName() const = 0;
    virtual void ReleaseSlot(TCalcKind Kind, Byte Slot) = 0;
};
// The host of the running program (nullptr when none, as in tests of a form alone): with no host
// no preference is on, nothing is saved and nothing prints.
TCalcHost* CalcHost();
void SetCalcHost(TCalcHost* Host);

// One line of a calculator's copy and printout: its caption (with the "&" the label shows, taken
// out when printed) and up to two values, written by the line's copy and print formats with the
// caption as first argument.
struct TCalcLine {
    std::string Caption;
    TVarRec Value;
    std::string CopyFormat;
    std::string PrintFormat;
    TVarRec Extra = TVarRec(std::string());
};
// The usual lines: money "%16.2m", counts "%16d", rates copied with two decimals and printed
// with four, choices by their text.
TCalcLine MoneyLine(const std::string& Caption, double Value);
TCalcLine CountLine(const std::string& Caption, long long Value);
TCalcLine RateLine(const std::string& Caption, double Value);
TCalcLine ChoiceLine(const std::string& Caption, const std::string& Text);

// The shape of a kind's record: caption slots from offset 0, then values; the choice slots with
// their lists and default items. Values not given a default are 0.
struct TChoiceSlot {
    std::size_t Offset;
    TStrings* Items;
    int Default;
};
// A run of caption slots that does not start the record.
struct TCaptionRun {
    std::size_t Offset;
    std::vector<const char*> Texts;
};
struct TRecordLayout {
    std::size_t Size;
    std::vector<const char*> Captions;
    std::vector<TChoiceSlot> Choices;
    std::vector<TCaptionRun> MoreCaptions = {};
    // Slots referring to a string list of the record (a memo's lines), empty when made.
    std::vector<std::size_t> TextLists = {};
};
// A record of the layout with its captions, choice lists and defaults.
std::unique_ptr<TTransferRecord> NewRecord(const TRecordLayout& Layout);
// Every value of the record back to its default (0, the choice's default item, no lines); the
// captions stay.
void ResetValues(std::span<Byte> Data, const TRecordLayout& Layout);
// The caption of slot Index of a record.
std::string CaptionOf(std::span<const Byte> Data, int Index);

class TCalcForm : public TForm {
    VANTREL_CLASS(TCalcForm, TForm)

    // BaseCaption is the caption without the slot number ("Loan Calculator").
    TCalcForm(TComponent* AOwner, TCalcKind Kind, const std::string& BaseCaption);

    // Stores the slot, numbers the caption ("Loan Calculator 1") and shows the form.
    void InitInstance(Byte Slot);
    Byte SlotNumber() const { return slot_; }
    // The record shared by every open instance of the kind, made by the first one.
    TTransferRecord& SharedRecord() const;
    // Frees the shared records of every kind (at the program's end), or of one kind.
    static void FreeSharedRecords();
    static void FreeSharedRecord(TCalcKind Kind);
    TCalcKind Kind() const { return kind_; }

    // The clipboard text of the current controls (what Copy puts there): the caption, a blank
    // line, the kind's lines and its trailer.
    virtual std::string CopyText();

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
    // - the shape of its record;
    virtual const TRecordLayout& RecordLayout() const = 0;
    // - the computation on the shared record (controls already copied in); it shows its own
    //   messages and may adjust controls before the copy back;
    virtual void Calculate(std::span<Byte> Data) = 0;
    // - the defaults put into the shared record by Reset (every value back to its default unless
    //   the kind says otherwise);
    virtual void ResetRecord(std::span<Byte> Data) { ResetValues(Data, RecordLayout()); }
    // - the lines of its copy and printout, read from a record;
    virtual std::vector<TCalcLine> ReportLines(std::span<const Byte> Data) const = 0;
    // - the help context of its Help button.
    virtual int FormHelpContext() const = 0;

    // Prints the values of a record on the running report: the caption and the kind's lines in
    // two columns, then the kind's trailer.
    virtual void PrintReport(TBaseReport& Report, std::span<const Byte> Data);
    // The values of the controls in a new record, or nullptr (with the field's error shown) when
    // a field is not valid.
    std::unique_ptr<TTransferRecord> CurrentValues();

    // Called by Calculate before the controls are copied into the record.
    virtual void BeforeCalculate() {}
    // Called when a result did not fit its field: the record is back as the controls gave it,
    // and the kind undoes what its computation showed outside the record.
    virtual void ResultsRefused() {}
    // What a kind adds after its lines: to the copy's text, and to the printout.
    virtual std::string CopyTrailer(std::span<const Byte>) const { return {}; }
    virtual void PrintTrailer(TBaseReport&, std::span<const Byte>) const {}

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
    // The panel's rows: a label on the left, a field or list on the right.
    static constexpr int LabelLeft = 8;
    static constexpr int FieldLeft = 224;
    static constexpr int FieldWidth = 140;
    static constexpr int RowHeight = 28;
    static int RowTop(int Row) { return 8 + Row * RowHeight; }
    TLabel* AddRowLabel(const std::string& Name, int Row, TWinControl* FocusControl = nullptr);
    TVcNumericField* AddNumber(const std::string& Name, int Row, TNumericDataType Type,
                               const char* Mask, int HelpContext = 0);
    TComboBox* AddRowChoice(const std::string& Name, int Row, int HelpContext = 0);
    // The country's money picture on these fields, when the country is not the United States.
    void UseCountryMoneyMask(std::initializer_list<TVcNumericField*> Fields);

    // A new record of the kind holding its defaults.
    virtual std::unique_ptr<TTransferRecord> MakeRecord() const {
        return NewRecord(RecordLayout());
    }
    // Copies the controls into a record; false (with the field's error shown) when a field is
    // not valid.
    bool ControlsTo(TTransferRecord& Record);
    void RecordToControls();
    // True when every numeric field can show its value in the record; else the first field
    // that cannot is named in a message with the value and the limit it passes.
    bool ResultsFit(std::span<const Byte> Data);

private:
    TButton* AddButton(const std::string& Name, TNotifyEvent OnClick);

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
// The string list a text-list slot refers to (never null for a record made by NewRecord).
TStrings* TextListOf(std::span<const Byte> Data, std::size_t Offset);

// The slots of the loan terms several calculators share: amount, periods, rate, payment and
// compounding frequencies, timing and method.
struct TLoanTermSlots {
    std::size_t PV, NumPmts, Rate, PYR, CmpPYR, PmtMthd, AmortMthd;
};
// Reads the terms into a calculator's values (which have fields of those names).
template <typename Values>
void ReadLoanTerms(std::span<const Byte> Data, const TLoanTermSlots& Slots, Values& V) {
    V.PV = GetLE<double>(Data, Slots.PV);
    V.NumPmts = GetLE<SmallInt>(Data, Slots.NumPmts);
    V.Rate = GetLE<float>(Data, Slots.Rate);
    V.PaymentsPerYear = PeriodsPerYear(static_cast<Byte>(ChoiceIndex(Data, Slots.PYR) + 1));
    V.CompoundingsPerYear = PeriodsPerYear(static_cast<Byte>(ChoiceIndex(Data, Slots.CmpPYR)));
    V.Timing = static_cast<Byte>(ChoiceIndex(Data, Slots.PmtMthd));
    V.Method = static_cast<Byte>(ChoiceIndex(Data, Slots.AmortMthd));
}

// The picture of the calculators' and advisors' money fields (United States).
constexpr const char* CalcMoneyMask = "$###,###,###.##";
// The width, in characters, at which the advisors wrap their conclusions.
constexpr int AdvisorNarrativeWidth = 85;

// Adds text to lines cut at word boundaries into lines of at most Width characters (an empty
// text adds none): how the advisors lay out their conclusions.
void AddWrappedLines(TStrings& Lines, const std::string& Text, int Width);
// Prints an advisor's narrative inside the page's margins (NarrativeMargin on either side): the
// lines of each paragraph (a run of lines between empty ones) join again and wrap at word
// boundaries by their printed width; an empty line stays an empty line.
void PrintNarrative(TBaseReport& Report, const TStrings& Lines);
// The printed narrative's left and right margins, in inches.
constexpr double NarrativeMargin = 1.0;

// The lines of a copy: the caption, a blank line, one aligned line per value.
std::string CalcCopyText(const std::string& Caption, const std::vector<TCalcLine>& Lines);
// The width of the lines' caption column in characters: 24, or the longest caption as printed.
int CaptionColumn(const std::vector<TCalcLine>& Lines);
// The text of a line by one of its formats, the caption padded to Column characters where the
// format pads it to 24.
std::string LineText(const std::string& Format, const TCalcLine& Line, int Column = 24);
// The width, in the report's units, of the first of the printout's columns: Width, or more
// when the longest caption needs more.
double CaptionTabWidth(TBaseReport& Report, const std::vector<TCalcLine>& Lines, double Width);
// Prints the caption centred and one tabbed line per value on a running report.
void PrintCalcLines(TBaseReport& Report, const std::string& Caption,
                    const std::vector<TCalcLine>& Lines);
