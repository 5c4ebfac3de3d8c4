#include "advisors/AmortizationWindow.h"

#include "advisors/AdvisorMessages.h"
#include "advisors/AmortizationCharts.h"
#include "advisors/CalculatorForm.h"
#include "advisors/ProgressForm.h"
#include "advisors/Register.h"
#include "controls/entry/RegionalConventions.h"
#include "finance/LoanMath.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/WinUser.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Paths.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace {

// TAmortCalcData: eight prompts, the loan's values, the two frequencies, the two total captions.
namespace D {
constexpr std::size_t NumPmts = 8 * CaptionSlotSize;
constexpr std::size_t Rate = NumPmts + 2;
constexpr std::size_t PV = Rate + 4;
constexpr std::size_t Points = PV + 8;
constexpr std::size_t OrgDate = Points + 4;
constexpr std::size_t FrstPmtDate = OrgDate + 4;
constexpr std::size_t PYR = FrstPmtDate + 4;
constexpr std::size_t CmpPYR = PYR + ComboBoxSlotSize;
constexpr std::size_t Totals = CmpPYR + ComboBoxSlotSize;
constexpr std::size_t Size = Totals + 2 * CaptionSlotSize;
} // namespace D

constexpr const char* MoneyMask = "$###,###,###.##";
constexpr const char* DateMask = "mm/dd/yy";
constexpr const char* GridDateMask = "mm/dd/YY";
constexpr double PageCentre = 4.25;

// Origination today; the first payment a month later when today is the 1st, else on the 1st
// of the month two months on.
void PutDefaultDates(std::span<Byte> data) {
    const TDayNumber today = CurrentDate();
    int day, month, year;
    DateToDMY(today, day, month, year);
    const TDayNumber first =
        day == 1 ? IncDateTrunc(today, 1, 0) : IncDateTrunc(DMYToDate(1, month, year, 0), 2, 0);
    PutLE<LongInt>(data, D::OrgDate, today);
    PutLE<LongInt>(data, D::FrstPmtDate, first);
}

const TRecordLayout& Layout() {
    static const TRecordLayout layout{
        D::Size,
        {"&Amount of Loan?:", "&Initial Periods (#)?:", "Initial &Rate (%)?:", "Poin&ts (%)?:",
         "Ori&gination Date?:", "Payme&nt Period?:", "1st Payment &Date?:",
         "Co&mpounding Period?:"},
        {{D::PYR, &PaymentFrequencyList, DefaultFrequency - 1},
         {D::CmpPYR, &FrequencyList, DefaultFrequency}},
        {{D::Totals, {"Annual Totals:", "Running Totals:"}}}};
    return layout;
}

std::unique_ptr<TTransferRecord> record;

TAmortLoan LoanOf(std::span<const Byte> data) {
    TAmortLoan loan;
    loan.NumPmts = GetLE<Word>(data, D::NumPmts);
    loan.Rate = GetLE<float>(data, D::Rate);
    loan.PV = GetLE<double>(data, D::PV);
    loan.Points = GetLE<float>(data, D::Points);
    loan.OrgDate = GetLE<LongInt>(data, D::OrgDate);
    loan.FrstPmtDate = GetLE<LongInt>(data, D::FrstPmtDate);
    loan.PYR = static_cast<Byte>(ChoiceIndex(data, D::PYR));
    loan.CmpPYR = static_cast<Byte>(ChoiceIndex(data, D::CmpPYR));
    return loan;
}

// A total as currency with 15 significant digits: cents below a billion, none from there.
std::string TotalText(double value) {
    return FloatToStrF(value, ffCurrency, 15, std::fabs(value) >= 999999999.0 ? 0 : 2);
}

std::string ListText(const TStrings& list, int index) {
    return index >= 0 && index < list.Count() ? list.Strings(index) : std::string();
}

// Tab lists of the printout.
enum { tlRows = 1, tlTotals = 2, tlTitle = 3 };
constexpr double After = -32768;

// Layout of the window.
constexpr int FormWidth = 600;
constexpr int FormHeight = 430;
constexpr int InputHeight = 112;
constexpr int ButtonTop = InputHeight + 6;
constexpr int SchedTop = ButtonTop + 31;
constexpr int PromptWidth = 140;
constexpr int InputWidth = 136;
constexpr int ColumnWidth = 298;
constexpr int RowHeight = 26;

} // namespace

TTransferRecord& TcLoAmort::Record() {
    if (!record) {
        record = NewRecord(Layout());
        PutDefaultDates(record->Data());
    }
    return *record;
}

void TcLoAmort::FreeRecord() {
    record.reset();
}

TcLoAmort::TcLoAmort(TComponent* AOwner, TAmortOpt* Options) : TForm(AOwner), options_(Options) {
    SetName("AmortForm");
    SetCaption("Amortization Schedule");
    SetHelpContext(110);
    SetFormBorderStyle(bsSingle);
    SetBorderIcons({biSystemMenu, biMinimize});
    SetKeyPreview(true);
    DefaultController = new TVcController(this);
    DefaultController->SetName("DefaultController");
    VcTransfer1 = new TVcTransfer(this);
    VcTransfer1->SetName("VcTransfer1");
    BuildInputs();
    BuildButtons();
    BuildSchedulePanel();
    BuildMenu();
    BuildReportSystem();
    SetClientWidth(FormWidth);
    SetClientHeight(FormHeight);
    Record();
    TAmortOpt::Choices(); // the options' record is made with this form's
    ApplyCountryMasks();
    OnShow = [this](TObject* s) { AmortFormShow(s); };
    OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };
    OnKeyDown = [this](TObject* s, Word& k, TShiftState sh) { FormKeyDown(s, k, sh); };
}

void TcLoAmort::CreateWnd() {
    TForm::CreateWnd();
    // The menu bar came with the window and took its height from the client area.
    SetClientHeight(FormHeight);
}

TcLoAmort::~TcLoAmort() {
    delete meter_;
}

TPanel* TcLoAmort::AddPanel(TWinControl* Parent, const std::string& Name, TBevelCut Bevel, int Top,
                            int Height) {
    auto* panel = new TPanel(this);
    panel->SetName(Name);
    panel->SetParent(Parent);
    panel->SetCaption("");
    panel->SetBevelOuter(Bevel);
    panel->SetBounds(0, Top, FormWidth, Height);
    return panel;
}

TLabel* TcLoAmort::AddPrompt(const std::string& Name, int Column, int Row, TWinControl* Focus) {
    auto* label = new TLabel(this);
    label->SetName(Name);
    label->SetParent(InputPNL);
    label->SetAutoSize(false);
    label->SetTransparent(true);
    label->SetBounds(8 + Column * ColumnWidth, 12 + Row * RowHeight, PromptWidth, 16);
    label->SetFocusControl(Focus);
    return label;
}

template <typename T>
T* TcLoAmort::AddInput(const std::string& Name, int Column, int Row) {
    auto* control = new T(this);
    control->SetName(Name);
    control->SetParent(InputPNL);
    control->SetBounds(8 + Column * ColumnWidth + PromptWidth + 4, 8 + Row * RowHeight, InputWidth,
                       22);
    return control;
}

void TcLoAmort::BuildInputs() {
    InputPNL = AddPanel(this, "InputPNL", bvLowered, 0, InputHeight);
    auto number = [this](const std::string& name, int row, TNumericDataType type,
                         const char* mask) {
        auto* field = AddInput<TVcNumericField>(name, 0, row);
        field->SetController(DefaultController);
        field->SetDataType(type);
        field->SetPictureMask(mask);
        return field;
    };
    PV = number("PV", 0, nftDouble, MoneyMask);
    NumPmts = number("NumPmts", 1, nftWord, "ii,iii");
    Rate = number("Rate", 2, nftSingle, "##.####");
    Points = number("Points", 3, nftSingle, "##.####");
    auto date = [this](const std::string& name, int row) {
        auto* field = AddInput<TVcPictureField>(name, 1, row);
        field->SetController(DefaultController);
        field->SetDataType(pftDate);
        field->SetPictureMask(DateMask);
        return field;
    };
    OrgDate = date("OrgDate", 0);
    FrstPmtDate = date("FrstPmtDate", 2);
    PYR = AddInput<TComboBox>("PYR", 1, 1);
    CmpPYR = AddInput<TComboBox>("CmpPYR", 1, 3);
    for (TComboBox* combo : {PYR, CmpPYR})
        combo->SetStyle(csDropDownList);
    lPV = AddPrompt("lPV", 0, 0, PV);
    lNumPmts = AddPrompt("lNumPmts", 0, 1, NumPmts);
    lRate = AddPrompt("lRate", 0, 2, Rate);
    lPoints = AddPrompt("lPoints", 0, 3, Points);
    lOrgDate = AddPrompt("lOrgDate", 1, 0, OrgDate);
    lPYR = AddPrompt("lPYR", 1, 1, PYR);
    lFrstPmtDate = AddPrompt("lFrstPmtDate", 1, 2, FrstPmtDate);
    lCmpPYR = AddPrompt("lCmpPYR", 1, 3, CmpPYR);
}

TButton* TcLoAmort::AddButton(TWinControl* Parent, const std::string& Name, const char* Caption,
                              TNotifyEvent OnClick) {
    auto* button = new TButton(this);
    button->SetName(Name);
    button->SetParent(Parent);
    button->SetCaption(Caption);
    button->OnClick = std::move(OnClick);
    return button;
}

void TcLoAmort::BuildButtons() {
    // Calc, Charts and Help leave Alt and their letters to the menu bar's commands of the same
    // name; Open leaves the O to the Options menu.
    CalcBTN = AddButton(this, "CalcBTN", "Calc", [this](TObject* s) { CalcBTNClick(s); });
    SaveBTN = AddButton(this, "SaveBTN", "Sa&ve", [this](TObject* s) { SaveBTNClick(s); });
    OpenBTN = AddButton(this, "OpenBTN", "Op&en", [this](TObject* s) { OpenBTNClick(s); });
    PrintBTN = AddButton(this, "PrintBTN", "&Print", [this](TObject* s) { PrintBTNClick(s); });
    ChartBTN = AddButton(this, "ChartBTN", "Charts", [this](TObject* s) { ChartBTNClick(s); });
    HelpBTN = AddButton(this, "HelpBTN", "Help", [this](TObject* s) { HelpBTNClick(s); });
    CloseBTN = AddButton(this, "CloseBTN", "Close", [this](TObject* s) { CloseBTNClick(s); });
    int left = 8;
    for (TButton* button : {CalcBTN, SaveBTN, OpenBTN, PrintBTN, ChartBTN, HelpBTN, CloseBTN}) {
        button->SetBounds(left, ButtonTop, 78, 25);
        left += 84;
    }
}

TLabel* TcLoAmort::AddTotal(const std::string& Name, int Left, int Top, int Width) {
    auto* label = new TLabel(this);
    label->SetName(Name);
    label->SetParent(TotalPanel);
    label->SetAutoSize(false);
    label->SetTransparent(true);
    label->SetAlignment(taRightJustify);
    label->SetBounds(Left, Top, Width, 16);
    return label;
}

void TcLoAmort::BuildSchedulePanel() {
    SchedPNL = AddPanel(this, "SchedPNL", bvNone, SchedTop, FormHeight - SchedTop);
    Years = new TTabSet(this);
    Years->SetName("Years");
    Years->SetParent(SchedPNL);
    Years->SetBounds(4, 0, 400, 21);
    Years->SetHint("Click to pick a year");
    Years->OnClick = [this](TObject* s) { ChangeYear(s); };
    FirstBTN = AddButton(SchedPNL, "FirstBTN", "|<", [this](TObject* s) { FirstBTNClick(s); });
    PrevBTN = AddButton(SchedPNL, "PrevBTN", "<", [this](TObject* s) { PrevBTNClick(s); });
    NextBTN = AddButton(SchedPNL, "NextBTN", ">", [this](TObject* s) { NextBTNClick(s); });
    LastBTN = AddButton(SchedPNL, "LastBTN", ">|", [this](TObject* s) { LastBTNClick(s); });
    int left = 412;
    for (TButton* button : {FirstBTN, PrevBTN, NextBTN, LastBTN}) {
        button->SetBounds(left, 0, 44, 21);
        left += 46;
    }
    BuildGrid();
    TotalPanel = AddPanel(SchedPNL, "TotalPanel", bvLowered, SchedPNL->Height() - 44, 44);
    lAnnualTotals = AddTotal("lAnnualTotals", 8, 5, 120);
    lRunningTotals = AddTotal("lRunningTotals", 8, 23, 120);
    for (TLabel* caption : {lAnnualTotals, lRunningTotals})
        caption->SetAlignment(taLeftJustify);
    // Under the table's payment, principal and interest columns.
    TotalPmt = AddTotal("TotalPmt", 136, 5, 104);
    TotalPrincipal = AddTotal("TotalPrincipal", 244, 5, 112);
    TotalInterest = AddTotal("TotalInterest", 360, 5, 112);
    RunningTotalPmt = AddTotal("RunningTotalPmt", 136, 23, 104);
    RunningTotalPrincipal = AddTotal("RunningTotalPrincipal", 244, 23, 112);
    RunningTotalInterest = AddTotal("RunningTotalInterest", 360, 23, 112);
    ShowSchedule(false);
}

void TcLoAmort::BuildGrid() {
    TransGrid = new TVcTable(this);
    TransGrid->SetName("TransGrid");
    TransGrid->SetParent(SchedPNL);
    TransGrid->SetBounds(0, 23, FormWidth, SchedPNL->Height() - 23 - 46);
    TransGrid->SetColCount(6);
    TransGrid->SetRowLimit(2);
    TransGrid->SetLockedRows(1);
    TransGrid->SetLockedCols(0);
    TransGrid->SetAccess(otxReadOnly);
    TransGrid->SetScrollBars(ssVertical);
    TransGrid->Rows()->SetDefaultHeight(18);
    TransGrid->SetOptions({otoNoRowResizing, otoNoColResizing, otoRowSelection});
    GridHeading = new TVcTCColHead(this);
    GridHeading->SetName("GridHeading");
    GridHeading->SetShowLetters(false);
    GridHeading->SetAdjust(otaCenter);
    GridHeading->Headings()->SetCommaText("#/YR,Date,Payment,Principal,Interest,Balance");
    PmtNoCell = new TVcTCString(this);
    PmtNoCell->SetName("PmtNoCell");
    PmtNoCell->SetAdjust(otaCenter);
    DateCell = new TVcTCPictureField(this);
    DateCell->SetName("DateCell");
    DateCell->SetDataType(pftDate);
    DateCell->SetPictureMask(GridDateMask);
    MoneyCell = new TVcTCNumericField(this);
    MoneyCell->SetName("MoneyCell");
    MoneyCell->SetDataType(nftDouble);
    MoneyCell->SetPictureMask("###,###,###.##");
    MoneyCell->SetAdjust(otaCenterRight);
    TransGrid->SetLockedRowsCell(GridHeading);
    const int widths[] = {55, 79, 106, 114, 114, 114};
    for (LongInt c = 0; c < 6; ++c) {
        TransGrid->Columns()->Items(c)->SetWidth(widths[c]);
        TransGrid->Columns()->Items(c)->SetDefaultCell(
            c == 0   ? static_cast<TVcBaseTableCell*>(PmtNoCell)
            : c == 1 ? static_cast<TVcBaseTableCell*>(DateCell)
                     : MoneyCell);
    }
    TransGrid->OnGetCellData = [this](TObject* s, LongInt r, LongInt c, void*& d,
                                      TVcCellDataPurpose p) {
        TransGridGetCellData(s, r, c, d, p);
    };
}

void TcLoAmort::BuildMenu() {
    MainMenu1 = new TMainMenu(this);
    MainMenu1->SetName("MainMenu1");
    auto item = [this](TMenuItem* parent, const std::string& caption, TShortCut key,
                       TNotifyEvent onClick) {
        TMenuItem* made = NewItem(this, caption, key, std::move(onClick));
        (parent ? parent : MainMenu1->Items())->Add(made);
        return made;
    };
    TMenuItem* file = item(nullptr, "&File", scNone, {});
    Load1 = item(file, "&Load...", ShortCut('L', {ssCtrl}), [this](TObject*) { LoadLoan(); });
    Save1 = item(file, "&Save...", ShortCut('S', {ssCtrl}), [this](TObject*) { SaveLoan(); });
    Print1 =
        item(file, "&Print...", ShortCut('P', {ssCtrl}), [this](TObject*) { PrintSchedule(); });
    Exit1 = item(file, "E&xit", ShortCut(VK_ESCAPE, {}), [this](TObject*) { Close(); });
    Calc1 = item(nullptr, "&Calc", scNone, [this](TObject*) { CalcSchedule(); });
    C1 = item(nullptr, "Chart&s", scNone, [this](TObject*) { ShowCharts(); });
    Options1 = item(nullptr, "&Options", scNone, [this](TObject* s) { Options1Click(s); });
    Help1 = item(nullptr, "&Help", scNone, [this](TObject* s) { HelpBTNClick(s); });
    SetMenu(MainMenu1);
}

void TcLoAmort::BuildReportSystem() {
    ReportSystem1 = new TReportSystem(this);
    ReportSystem1->SetName("ReportSystem1");
    ReportSystem1->TitleSetup = "Schedule Setup";
    ReportSystem1->TitleStatus = "Schedule Status";
    ReportSystem1->TitlePreview = "Amortization Schedule Preview";
    ReportSystem1->SystemFiler()->StatusFormat = "Generating page %p";
    ReportSystem1->SystemPrinter()->StatusFormat = "Printing page %p";
    ReportSystem1->SystemPrinter()->SetTitle("ReportWriter Report");
    ReportSystem1->OnBeforePrint = [this](TObject* s) { ReportSystem1BeforePrint(s); };
    ReportSystem1->OnPrintHeader = [this](TObject* s) { ReportSystem1PrintHeader(s); };
    ReportSystem1->OnPrint = [this](TObject* s) { ReportSystem1Print(s); };
    ReportSystem1->OnPrintFooter = [this](TObject* s) { ReportSystem1PrintFooter(s); };
}

void TcLoAmort::ApplyCountryMasks() {
    if (!Masks) return;
    std::string mask;
    Masks->GetCurrencyMask(mask);
    PV->SetPictureMask(mask);
    if (Masks->Country() == 1) return;
    Masks->GetDateMask(true, mask);
    OrgDate->SetPictureMask(mask);
    FrstPmtDate->SetPictureMask(mask);
    DateCell->SetPictureMask(mask);
}

std::vector<TComponent*> TcLoAmort::TransferList() const {
    return {lPV,    lNumPmts,      lRate,         lPoints,     lOrgDate,
            lPYR,   lFrstPmtDate,  lCmpPYR,       NumPmts,     Rate,
            PV,     Points,        OrgDate,       FrstPmtDate, PYR,
            CmpPYR, lAnnualTotals, lRunningTotals};
}

void TcLoAmort::AmortFormShow(TObject*) {
    VcTransfer1->BufferToControls(TransferList(), Record().Data());
    NumPmts->SetRangeLo("0");
    NumPmts->SetRangeHi(std::to_string(MaxPeriods));
    const struct {
        TControl* Control;
        int Context;
    } contexts[] = {{PV, 1},        {NumPmts, 2},   {OrgDate, 112},  {FrstPmtDate, 113},
                    {PYR, 16},      {CmpPYR, 13},   {Points, 67},    {Rate, 9},
                    {CalcBTN, 21},  {PrintBTN, 26}, {ChartBTN, 207}, {HelpBTN, 24},
                    {CloseBTN, 106}};
    for (const auto& c : contexts)
        c.Control->SetHelpContext(c.Context);
    const struct {
        TControl* Control;
        const char* Hint;
    } hints[] = {{FirstBTN, "First Year or All"},
                 {PrevBTN, "Goto Prior Year [Ctrl][PgUp]"},
                 {NextBTN, "Goto Next Year [Ctrl][PgDn]"},
                 {LastBTN, "Goto Last Year"},
                 {CalcBTN, "Calculate [Alt][C]"},
                 {SaveBTN, "Save loan data [Ctrl][S]"},
                 {OpenBTN, "Load loan data from disk [Ctrl][L]"},
                 {PrintBTN, "Print loan schedule [Ctrl][P]"},
                 {HelpBTN, "Help [F1]"},
                 {CloseBTN, "Close [Esc]"},
                 {ChartBTN, "Charts [Alt] [S]"}};
    const bool showHints = CalcHost() && CalcHost()->ButtonHints();
    for (const auto& h : hints) {
        h.Control->SetHint(h.Hint);
        h.Control->SetShowHint(showHints);
    }
    if (CalcHost() && CalcHost()->SavePositions()) CalcHost()->RestoreFormPos(this);
}

void TcLoAmort::FormClose(TObject*, TCloseAction&) {
    if (CalcHost() && CalcHost()->SavePositions()) CalcHost()->SaveFormPos(this);
}

void TcLoAmort::ShowSchedule(bool Visible) {
    for (TControl* control : std::initializer_list<TControl*>{TransGrid, TotalPanel, Years})
        control->SetVisible(Visible);
    for (TControl* control : std::initializer_list<TControl*>{SaveBTN, PrintBTN, ChartBTN, FirstBTN,
                                                              PrevBTN, NextBTN, LastBTN})
        control->SetEnabled(Visible);
}

void TcLoAmort::CalcSchedule() {
    if (!VcTransfer1->ControlsToBuffer(TransferList(), Record().Data())) return;
    TAmortLoan loan = LoanOf(Record().Data());
    TAdvisorMessageEvent previous = OnAdvisorMessage;
    OnAdvisorMessage = [](TAdvisorMsgKind, const std::string& text) {
        MessageDlg(text, mtInformation, {mbOK}, 0);
    };
    const bool built = BuildSchedule(loan);
    OnAdvisorMessage = previous;
    // A first payment date put back to the origination shows in its field.
    PutLE<LongInt>(Record().Data(), D::FrstPmtDate, loan.FrstPmtDate);
    FrstPmtDate->SetValue(&loan.FrstPmtDate);
    if (!built) return;
    ShowSchedule(true);
    SelectTab(Years->Tabs()->Count() > 1 ? 1 : 0);
    // The schedule is a new, unsaved one: it belongs to no account and loan until it is saved.
    AccountName.clear();
    LoanNo.clear();
}

bool TcLoAmort::BuildSchedule(TAmortLoan& Loan) {
    if (!Schedule.ValidLoan(Loan)) return false;
    // The field's range keeps typed counts in bounds; a count put there by other means is
    // refused here.
    if (Loan.NumPmts > MaxPeriods) {
        MessageDlg("Low memory condition.\n\nNot enough free memory to load this loan.",
                   mtInformation, {mbOK}, 0);
        return false;
    }
    TWaitCursor wait;
    std::unique_ptr<TMeterFrm> meter = std::make_unique<TMeterFrm>(this);
    meter->CentreOver(this);
    meter->Show();
    meter->SetPercent(1);
    meter_ = meter.get();
    struct TForget {
        TMeterFrm*& Meter;
        std::function<void(int)>& Progress;
        ~TForget() {
            Meter = nullptr;
            Progress = nullptr;
        }
    } forget{meter_, Schedule.OnProgress};
    Schedule.OnProgress = [this](int percent) { meter_->SetPercent(percent); };
    ShowSchedule(false);
    Years->Tabs()->Clear();
    Schedule.CalcSchedule(Loan, TAmortOpt::Choices());
    ShowTabs();
    meter->Hide();
    return true;
}

void TcLoAmort::ShowTabs() {
    Years->Tabs()->Clear();
    for (int tab = 0; tab < Schedule.TabCount(); ++tab)
        Years->Tabs()->Add(Schedule.TabCaption(tab));
}

void TcLoAmort::SelectTab(int Tab) {
    if (Years->TabIndex() == Tab)
        ChangeYear(Years);
    else
        Years->SetTabIndex(Tab);
}

void TcLoAmort::ChangeYear(TObject*) {
    if (!HasSchedule() || Years->TabIndex() < 0) return;
    TransGrid->SetRedrawAllowed(false);
    CurrentTab = Years->TabIndex();
    Schedule.YearRange(CurrentTab, FirstShown, LastShown);
    ShownTotals = Schedule.YearTotals(CurrentTab);
    TotalPmt->SetCaption(TotalText(ShownTotals.YearPayment));
    TotalPrincipal->SetCaption(TotalText(ShownTotals.YearPrincipal));
    TotalInterest->SetCaption(TotalText(ShownTotals.YearInterest));
    RunningTotalPmt->SetCaption(TotalText(ShownTotals.RunPayment));
    RunningTotalPrincipal->SetCaption(TotalText(ShownTotals.RunPrincipal));
    RunningTotalInterest->SetCaption(TotalText(ShownTotals.RunInterest));
    TransGrid->SetRowLimit(LastShown - FirstShown + 2);
    TransGrid->SetTopLeftCell(1, 0);
    TransGrid->SetActiveCell(1, 0);
    TransGrid->SetRedrawAllowed(true);
    TransGrid->InvalidateTable();
}

void TcLoAmort::TransGridGetCellData(TObject*, LongInt Row, LongInt Col, void*& Data,
                                     TVcCellDataPurpose) {
    Data = nullptr;
    const LongInt k = FirstShown + Row - 1;
    if (Row < 1 || k > LastShown) return;
    const TAmortRow& row = Schedule.AmortRows[static_cast<std::size_t>(k)];
    switch (Col) {
    case 0: {
        const std::size_t length = std::min<std::size_t>(row.PmtNoYr.size(), 255);
        cellText_[0] = static_cast<char>(length);
        std::memcpy(&cellText_[1], row.PmtNoYr.data(), length);
        Data = cellText_.data();
        return;
    }
    case 1:
        cellDate_ = row.Date;
        Data = &cellDate_;
        return;
    case 2: cellMoney_ = row.Payment; break;
    case 3: cellMoney_ = row.Principal; break;
    case 4: cellMoney_ = row.Interest; break;
    default: cellMoney_ = row.Balance;
    }
    Data = &cellMoney_;
}

void TcLoAmort::FirstBTNClick(TObject*) {
    SelectTab(Years->TabIndex() == 1 ? 0 : 1);
}

void TcLoAmort::PrevBTNClick(TObject*) {
    if (Years->TabIndex() > 0) SelectTab(Years->TabIndex() - 1);
}

void TcLoAmort::NextBTNClick(TObject*) {
    if (Years->TabIndex() < Years->Tabs()->Count() - 1) SelectTab(Years->TabIndex() + 1);
}

void TcLoAmort::LastBTNClick(TObject*) {
    SelectTab(Years->Tabs()->Count() - 1);
}

void TcLoAmort::FormKeyDown(TObject*, Word& Key, TShiftState Shift) {
    if (!Shift.Contains(ssCtrl) || (Key != VK_PRIOR && Key != VK_NEXT)) return;
    if (!Years->Visible() || !HasSchedule()) return;
    const int count = Years->Tabs()->Count();
    const int step = Key == VK_PRIOR ? -1 : 1;
    SelectTab((Years->TabIndex() + step + count) % count);
    Key = 0;
}

void TcLoAmort::ChartBTNClick(TObject*) {
    if (TransGrid->Visible()) ShowCharts();
}

void TcLoAmort::ShowCharts() {
    if (!HasSchedule()) return;
    TAmortCharts charts(nullptr, Schedule);
    charts.ShowModal();
}

void TcLoAmort::Options1Click(TObject*) {
    if (!options_) return;
    options_->CentreOver(this);
    options_->ShowModal();
    Schedule.AmortMethod = TAmortOpt::Choices().AmortMethod;
    if (Schedule.AmortMethod != amCanadian) return;
    PYR->SetItemIndex(DefaultFrequency - 1);
    CmpPYR->SetItemIndex(CanadianCompounding);
}

void TcLoAmort::HelpBTNClick(TObject*) {
    Application->HelpContext(110);
}

// ----- Saving and loading

TcLoAmort::TChosenLoan TcLoAmort::ChooseLoan(Byte Mode) {
    std::unique_ptr<TLoanInfo> dialog;
    try {
        dialog = std::make_unique<TLoanInfo>(this, SettingsFolder());
    } catch (const Exception&) {
        MessageDlg("Low memory condition.\n\nCan't open loan dialog.", mtError, {mbOK}, 0);
        return {};
    }
    // A register that cannot be opened was told by the dialog, with its cause.
    if (!dialog->TablesOpen()) return {};
    dialog->CentreOver(this);
    dialog->ScheduleLoan = Schedule.Loan;
    TChosenLoan chosen;
    ShowLoanInfo(*dialog, chosen.Account, Mode, chosen.Loan);
    chosen.Created = dialog->LoanCreated;
    return chosen;
}

void TcLoAmort::SaveLoan() {
    if (!SaveBTN->Enabled()) {
        MessageDlg("Loan not calculated or\n\nthis loan already saved.\n", mtInformation, {mbOK},
                   0);
        return;
    }
    const TChosenLoan chosen = ChooseLoan(limSave);
    if (chosen.Loan.empty()) return;
    TWaitCursor wait;
    const TAmortOptions options{Schedule.AmortMethod, Schedule.RateBasis, Schedule.PointsPaidHow};
    const std::string failure =
        SaveSchedule(SettingsFolder(), chosen.Loan, Schedule, options, chosen.Created);
    if (!failure.empty()) {
        MessageDlg(failure, mtError, {mbOK}, 0);
        return;
    }
    // The schedule belongs to the loan it is saved under from now on.
    AccountName = chosen.Account;
    LoanNo = chosen.Loan;
    SaveBTN->SetEnabled(false);
}

void TcLoAmort::LoadLoan() {
    const TChosenLoan chosen = ChooseLoan(limLoad);
    if (chosen.Loan.empty()) return;
    TWaitCursor wait;
    TAmortSchedule loaded;
    TAmortOptions options = TAmortOpt::Choices();
    // A load that is cancelled (a loan without rows, one too long to load) changes nothing of
    // the form: its inputs, its schedule and the borrower it prints for stay as they were, so
    // that no terms show that nobody typed or loaded.
    const std::string failure = LoadSchedule(SettingsFolder(), chosen.Loan, loaded, options);
    if (!failure.empty()) {
        MessageDlg(failure, mtError, {mbOK}, 0);
        return;
    }
    ShowLoadedTerms(loaded.Loan, options);
    loaded.PointsPaidHow = options.PointsPaidHow;
    loaded.OnProgress = nullptr;
    Schedule = std::move(loaded);
    AccountName = chosen.Account;
    LoanNo = chosen.Loan;
    ShowTabs();
    ShowSchedule(true);
    SelectTab(Schedule.LastRow > 0 && Years->Tabs()->Count() > 1 ? 1 : 0);
}

void TcLoAmort::ShowLoadedTerms(const TAmortLoan& Loan, const TAmortOptions& Options) {
    const std::span<Byte> data = Record().Data();
    PutLE<Word>(data, D::NumPmts, Loan.NumPmts);
    PutLE<float>(data, D::Rate, Loan.Rate);
    PutLE<double>(data, D::PV, Loan.PV);
    PutLE<float>(data, D::Points, Loan.Points);
    PutLE<LongInt>(data, D::OrgDate, Loan.OrgDate);
    PutLE<LongInt>(data, D::FrstPmtDate, Loan.FrstPmtDate);
    SetChoiceIndex(data, D::PYR, Loan.PYR);
    SetChoiceIndex(data, D::CmpPYR, Loan.CmpPYR);
    VcTransfer1->BufferToControls(TransferList(), data);
    TAmortOpt::SetChoices(Options);
}

// ----- Printing

std::string TcLoAmort::DateText(TDayNumber Date) const {
    return VcIntlSup().DateToDateString(OrgDate->PictureMask(), Date, false).substr(0, 10);
}

void TcLoAmort::PrintSchedule() {
    if (!HasSchedule() || printing_) return;
    printing_ = true;
    const int shown = Years->TabIndex();
    TransGrid->SetRedrawAllowed(false);
    struct TRestore {
        TcLoAmort* Form;
        ~TRestore() {
            Form->TransGrid->SetRedrawAllowed(true);
            Form->printing_ = false;
        }
    } restore{this};
    preparedBy_ = CalcHost() ? CalcHost()->OwnerName().substr(0, 50) : std::string();
    ReportSystem1->Execute();
    if (Years->TabIndex() != shown) SelectTab(shown);
}

void TcLoAmort::ReportSystem1BeforePrint(TObject* Sender) {
    auto* report = dynamic_cast<TBaseReport*>(Sender);
    if (!report) return;
    report->SetMarginTop(0.5);
    report->SetMarginBottom(1.0);
    report->ClearTabs();
    report->SetTab(0.35, pjRight, 0.75, 2, 0, 0);
    report->SetTab(After, pjRight, 0.9, 2, 0, 0);
    for (int k = 0; k < 4; ++k)
        report->SetTab(After, pjRight, 1.5, 2, 0, 0);
    report->SaveTabs(tlRows);
    report->ClearTabs();
    report->SetTab(0.35, pjRight, 1.65, 2, 0, 0);
    for (int k = 0; k < 3; ++k)
        report->SetTab(After, pjRight, 1.5, 2, 0, 0);
    report->SaveTabs(tlTotals);
    report->ClearTabs();
    report->SetTab(1.5, pjLeft, 2.75, 2, 0, 0);
    report->SetTab(After, pjRight, 2.75, 2, 0, 0);
    report->SaveTabs(tlTitle);
}

void TcLoAmort::ReportSystem1PrintHeader(TObject* Sender) {
    auto* report = dynamic_cast<TBaseReport*>(Sender);
    if (!report) return;
    TFont* font = CalcHost() ? CalcHost()->PrinterFont() : nullptr;
    report->SetFont(font ? font->Name() : std::string("Courier New"), font ? font->Size() : 10);
    report->SetSectionRight(8.0);
    report->SetSectionLeft(0.55);
    report->Home();
    if (report->CurrentPage() == 1) return;
    report->RestoreTabs(tlRows);
    report->SetBold(true);
    report->PrintLeft("Prepared On: " + DateText(CurrentDate()), report->SectionLeft());
    report->PrintCenter("Amortization Schedule", PageCentre);
    report->PrintRight("Page: " + report->Macro(11), report->SectionRight());
    for (int k = 0; k < 3; ++k)
        report->NewLine();
    report->SetItalic(true);
    report->PrintLn(Format("\t%.7s\t%s\t%s\t%s\t%s\t%s",
                           {"#/Yr", "Date", "Payment", "Principal", "Interest", "Balance"}));
    report->SetItalic(false);
    report->MoveTo(0.55, 1.15);
    report->LineTo(7.99, 1.15);
    report->SetBold(false);
}

void TcLoAmort::ReportSystem1Print(TObject* Sender) {
    auto* report = dynamic_cast<TBaseReport*>(Sender);
    if (!report) return;
    PrintTitlePage(*report);
    report->RestoreTabs(tlRows);
    for (int tab = 1; tab < Schedule.TabCount(); ++tab)
        PrintYear(*report, tab);
}

void TcLoAmort::PrintTitlePage(TBaseReport& Report) {
    Report.RestoreTabs(tlTitle);
    Report.SetBold(true);
    Report.PrintCenter("Amortization Schedule", PageCentre);
    Report.SetBold(false);
    Report.NewLine();
    Report.NewLine();
    preparedFor_.clear();
    PrintBorrower(Report);
    for (int k = 0; k < 3; ++k)
        Report.NewLine();
    const TAmortLoan& loan = Schedule.Loan;
    const TAmortOptions options{Schedule.AmortMethod, Schedule.RateBasis, Schedule.PointsPaidHow};
    const std::string lines[] = {
        Format("\tInitial Loan Amount:\t%m", {loan.PV}),
        Format("\tInitial Interest Rate:\t%2.4f", {static_cast<double>(loan.Rate)}),
        Format("\tInitial Periods:\t%d", {static_cast<int>(loan.NumPmts)}),
        Format("\tPoints:\t%2.4f", {static_cast<double>(loan.Points)}),
        "\tOrigination Date:\t" + DateText(loan.OrgDate),
        "\tFirst Payment Due:\t" + DateText(loan.FrstPmtDate),
        "\tPayment Method:\t" + ListText(PaymentFrequencyList, loan.PYR),
        "\tCompounding Method:\t" + ListText(FrequencyList, loan.CmpPYR),
        "\tAmortizing Method:\t" + ListText(AmortMethodList, options.AmortMethod),
        "\tRate Basis:\t" + ListText(DayCountList, options.RateBasis),
        "\tPoints Paid:\t" + ListText(FeeTimingList, options.PointsPaidHow)};
    for (const std::string& line : lines)
        Report.PrintLn(line);
    Report.NewPage();
}

void TcLoAmort::PrintBorrower(TBaseReport& Report) {
    if (AccountName.empty()) return;
    std::unique_ptr<TTable> accounts = RegisterTable(SettingsFolder(), AccountsTable, AccountsTag);
    // Only read: a repair of the table is the register's, not the printout's.
    accounts->SetReadOnly(true);
    try {
        accounts->Open();
        if (!accounts->FindKey({TVarRec(PaddedKey(AccountName, AccountNoWidth))})) return;
    } catch (const Exception& e) {
        // Without the register the title page has no borrower: the user is told why.
        MessageDlg(std::string("The borrower is left out of the printout.\n\n") + e.what(),
                   mtWarning, {mbOK}, 0);
        return;
    }
    auto field = [&](const char* name) { return Trim(accounts->FieldByName(name)->AsString()); };
    preparedFor_ = (field("FIRSTNAME") + " " + field("LASTNAME")).substr(0, 50);
    std::vector<std::string> lines{preparedFor_};
    for (const char* address : {"ADDRESS1", "ADDRESS2"})
        if (!field(address).empty()) lines.push_back(field(address));
    if (!field("CITY").empty())
        lines.push_back(field("CITY") + ", " + field("STATE") + "  " + field("ZIP"));
    if (!field("PHONE1").empty()) lines.push_back(field("PHONE1"));
    for (const std::string& line : lines) {
        Report.PrintCenter(line, PageCentre);
        Report.NewLine();
    }
    Report.NewLine();
    Report.NewLine();
}

void TcLoAmort::PrintYear(TBaseReport& Report, int Tab) {
    int first, last;
    Schedule.YearRange(Tab, first, last);
    // The totals and the blank line of the year before may have taken the lines kept free
    // after its last row: a year starts with the same room a row leaves.
    if (Report.LinesLeft() < 3) Report.NewPage();
    for (int k = first; k <= last; ++k) {
        const TAmortRow& row = Schedule.AmortRows[static_cast<std::size_t>(k)];
        Report.PrintLn(
            Format("\t%.7s\t%s\t%m\t%m\t%m\t%m", {row.PmtNoYr, DateText(row.Date), row.Payment,
                                                  row.Principal, row.Interest, row.Balance}));
        if (Report.LinesLeft() < 3) Report.NewPage();
    }
    const TYearTotals totals = Schedule.YearTotals(Tab);
    Report.RestoreTabs(tlTotals);
    const double y = Report.YPos() - Report.LineHeight() + 0.05;
    Report.MoveTo(2.5, y);
    Report.LineTo(6.5, y);
    Report.SetItalic(true);
    Report.PrintLn(Format("\t%s\t%m\t%m\t%m", {"Annual Totals:", totals.YearPayment,
                                               totals.YearPrincipal, totals.YearInterest}));
    Report.PrintLn(Format("\t%s\t%m\t%m\t%m", {"Running Totals:", totals.RunPayment,
                                               totals.RunPrincipal, totals.RunInterest}));
    Report.SetItalic(false);
    Report.RestoreTabs(tlRows);
    Report.NewLine();
}

void TcLoAmort::ReportSystem1PrintFooter(TObject* Sender) {
    auto* report = dynamic_cast<TBaseReport*>(Sender);
    if (!report || report->CurrentPage() == 1) return;
    report->GotoSectionBottom();
    report->NewLine();
    report->PrintLeft("Prepared For: " + preparedFor_, report->SectionLeft());
    report->PrintRight("Prepared By: " + preparedBy_, report->SectionRight());
    report->NewLine();
}
