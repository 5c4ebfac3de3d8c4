// The "Amortization Schedule" window: the loan's inputs above, its schedule below, one calendar
// year (or every row) at a time in a read-only table with the year's and the running totals,
// stepped through by year tabs and their buttons. It builds the schedule under the progress
// form, opens the charts and the options dialog, and prints the schedule through its report
// system (title page, then the years with their totals under page headers and footers).
//
// The inputs travel through one transfer record per run (made by the first window, kept until
// the program ends); the schedule is built from the controls as they stand when Calc runs,
// choices set by code included. Nothing here is recomputed until the next Calc.
#pragma once

#include "advisors/AmortizationOptions.h"
#include "advisors/AmortizationSchedule.h"
#include "controls/entry/EntryController.h"
#include "controls/entry/NumericField.h"
#include "controls/entry/PictureField.h"
#include "controls/entry/TransferRecords.h"
#include "controls/table/HeadingCell.h"
#include "controls/table/NumericCell.h"
#include "controls/table/PictureCell.h"
#include "controls/table/StringCells.h"
#include "controls/table/Table.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Menus.h"
#include "platform/gui/StdCtrls.h"
#include "platform/gui/Tabs.h"
#include "report/RptSystem.h"

#include <array>
#include <string>
#include <vector>

class TMeterFrm;

class TcLoAmort : public TForm {
    VANTREL_CLASS(TcLoAmort, TForm)

    // Options is the dialog of the amortizing choices, shown by the Options command.
    TcLoAmort(TComponent* AOwner, TAmortOpt* Options);
    ~TcLoAmort() override;

    // Input panel
    TPanel* InputPNL;
    TLabel *lPV, *lNumPmts, *lRate, *lPoints, *lOrgDate, *lPYR, *lFrstPmtDate, *lCmpPYR;
    TVcNumericField *PV, *NumPmts, *Points, *Rate;
    TVcPictureField *OrgDate, *FrstPmtDate;
    TComboBox *PYR, *CmpPYR;
    TVcController* DefaultController;
    TVcTransfer* VcTransfer1;
    // Command buttons
    TButton *CalcBTN, *SaveBTN, *OpenBTN, *PrintBTN, *ChartBTN, *HelpBTN, *CloseBTN;
    // Schedule panel
    TPanel* SchedPNL;
    TTabSet* Years;
    TButton *FirstBTN, *PrevBTN, *NextBTN, *LastBTN;
    TVcTable* TransGrid;
    TVcTCColHead* GridHeading;
    TVcTCString* PmtNoCell;
    TVcTCPictureField* DateCell;
    TVcTCNumericField* MoneyCell;
    TPanel* TotalPanel;
    TLabel *lAnnualTotals, *lRunningTotals;
    TLabel *TotalPmt, *TotalPrincipal, *TotalInterest;
    TLabel *RunningTotalPmt, *RunningTotalPrincipal, *RunningTotalInterest;
    // Menu
    TMainMenu* MainMenu1;
    TMenuItem *Load1, *Save1, *Print1, *Exit1, *Calc1, *C1, *Options1, *Help1;
    TReportSystem* ReportSystem1;

    // The schedule and its display state.
    TAmortSchedule Schedule;
    int CurrentTab = 0;
    int FirstShown = 0;
    int LastShown = 0;
    TYearTotals ShownTotals;
    // The account and loan the schedule was saved under or loaded from last; a new calculation
    // clears them, a save or load that fails or is cancelled leaves them as they were.
    std::string AccountName;
    std::string LoanNo;

    void AmortFormShow(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void FormKeyDown(TObject* Sender, Word& Key, TShiftState Shift);
    void CalcBTNClick(TObject*) { CalcSchedule(); }
    void SaveBTNClick(TObject*) { SaveLoan(); }
    void OpenBTNClick(TObject*) { LoadLoan(); }
    void PrintBTNClick(TObject*) { PrintSchedule(); }
    void ChartBTNClick(TObject* Sender);
    void Options1Click(TObject* Sender);
    void HelpBTNClick(TObject* Sender);
    void CloseBTNClick(TObject*) { Close(); }
    void ChangeYear(TObject* Sender);
    void TransGridGetCellData(TObject* Sender, LongInt Row, LongInt Col, void*& Data,
                              TVcCellDataPurpose Purpose);
    void FirstBTNClick(TObject* Sender);
    void PrevBTNClick(TObject* Sender);
    void NextBTNClick(TObject* Sender);
    void LastBTNClick(TObject* Sender);

    // Validates the inputs and builds the schedule; shows the first calendar year.
    void CalcSchedule();
    // Saves the schedule under a loan of the register chosen in its dialog (refused, with a
    // message, when nothing was calculated since the last save or load).
    void SaveLoan();
    // Loads the schedule of a loan chosen in the register's dialog: the inputs and the rows as
    // they were saved. A load that fails or is cancelled leaves the form as it was.
    void LoadLoan();
    // Shows the charts when a schedule exists.
    void ShowCharts();
    // Runs the report system on the schedule (nothing without one, or while a print runs).
    void PrintSchedule();
    bool HasSchedule() const { return Years->Tabs()->Count() > 0; }
    // Selects a year tab and shows its rows (also when it is selected already).
    void SelectTab(int Tab);

    // Report events.
    void ReportSystem1BeforePrint(TObject* Sender);
    void ReportSystem1PrintHeader(TObject* Sender);
    void ReportSystem1Print(TObject* Sender);
    void ReportSystem1PrintFooter(TObject* Sender);

    // The run's transfer record; FreeRecord frees it at the program's end.
    static TTransferRecord& Record();
    static void FreeRecord();

protected:
    void CreateWnd() override;

private:
    void BuildInputs();
    void BuildButtons();
    void BuildSchedulePanel();
    void BuildGrid();
    void BuildMenu();
    void BuildReportSystem();
    // A panel across the window.
    TPanel* AddPanel(TWinControl* Parent, const std::string& Name, TBevelCut Bevel, int Top,
                     int Height);
    TLabel* AddPrompt(const std::string& Name, int Column, int Row, TWinControl* Focus);
    template <typename T>
    T* AddInput(const std::string& Name, int Column, int Row);
    TButton* AddButton(TWinControl* Parent, const std::string& Name, const char* Caption,
                       TNotifyEvent OnClick);
    TLabel* AddTotal(const std::string& Name, int Left, int Top, int Width);
    std::vector<TComponent*> TransferList() const;
    void ApplyCountryMasks();
    void ShowSchedule(bool Visible);
    bool BuildSchedule(TAmortLoan& Loan);
    std::string DateText(TDayNumber Date) const;
    void PrintTitlePage(TBaseReport& Report);
    // The borrower of the account the schedule was saved under or loaded from, centred.
    void PrintBorrower(TBaseReport& Report);
    // A loan chosen in the register's dialog: its number (empty when none was chosen), its
    // account, and whether the dialog made it for this save.
    struct TChosenLoan {
        std::string Loan;
        std::string Account;
        bool Created = false;
    };
    // The register's dialog over this form in Mode.
    TChosenLoan ChooseLoan(Byte Mode);
    // Puts the loaded loan's terms and options into the inputs.
    void ShowLoadedTerms(const TAmortLoan& Loan, const TAmortOptions& Options);
    void ShowTabs();
    void PrintYear(TBaseReport& Report, int Tab);

    TAmortOpt* options_;
    TMeterFrm* meter_ = nullptr;
    bool printing_ = false;
    std::string preparedFor_;
    std::string preparedBy_;
    // What the table's cells are handed.
    std::array<char, 256> cellText_{};
    double cellMoney_ = 0;
    TDayNumber cellDate_ = 0;
};
