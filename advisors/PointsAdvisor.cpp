#include "advisors/PointsAdvisor.h"

#include "finance/LoanMath.h"
#include "finance/PointsComparison.h"
#include "finance/TextRoutines.h"
#include "platform/gui/Dialogs.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Streams.h"
#include "report/RptBase.h"

namespace {

// TPointsData: twelve captions, the two loans, the years held, a note and the conclusion.
namespace D {
constexpr std::size_t Size = 3898;
constexpr int Loan2Caption = 8;
constexpr int Loan1Caption = 9;
constexpr std::size_t PV1 = 3072;
constexpr std::size_t NumPmts1 = 3080;
constexpr std::size_t Rate1 = 3082;
constexpr std::size_t Points1 = 3086;
constexpr std::size_t PntsAre1 = 3090;
constexpr std::size_t PV2 = 3354;
constexpr std::size_t NumPmts2 = 3362;
constexpr std::size_t Rate2 = 3364;
constexpr std::size_t Points2 = 3368;
constexpr std::size_t PntsAre2 = 3372;
constexpr std::size_t SldAfter = 3636;
constexpr std::size_t Text5 = 3638;
constexpr std::size_t Memo = 3894;
} // namespace D

// Wide enough for the conclusion's lines of 85 characters in the memo's font.
constexpr int FormWidth = 600;
constexpr int LoanLeft = 210;
constexpr int LoanWidth = 130;
constexpr int LoanRowTop = 92;
constexpr int LoanRow = 26;

TPointsLoan ReadLoan(std::span<const Byte> data, std::size_t pv, std::size_t n, std::size_t rate,
                     std::size_t points, std::size_t paid) {
    TPointsLoan loan;
    loan.PV = GetLE<double>(data, pv);
    loan.NumPmts = GetLE<SmallInt>(data, n);
    loan.Rate = GetLE<float>(data, rate);
    loan.Points = GetLE<float>(data, points);
    loan.Amortized = ChoiceIndex(data, paid) == 1;
    return loan;
}

TPointsLoan Loan1(std::span<const Byte> data) {
    return ReadLoan(data, D::PV1, D::NumPmts1, D::Rate1, D::Points1, D::PntsAre1);
}
TPointsLoan Loan2(std::span<const Byte> data) {
    return ReadLoan(data, D::PV2, D::NumPmts2, D::Rate2, D::Points2, D::PntsAre2);
}

// A row of both loans: caption, loan 1's value, loan 2's value.
TCalcLine Row(const std::string& caption, TVarRec one, TVarRec two, const char* copy,
              const char* print) {
    return {caption, one, copy, print, two};
}

} // namespace

TaPoints::TaPoints(TComponent* AOwner) : TCalcForm(AOwner, ckPoints, "Points Advisor") {
    Notebook1 = new TNotebook(this);
    Notebook1->SetName("Notebook1");
    Notebook1->SetParent(this);
    Notebook1->Pages()->Clear();
    Notebook1->Pages()->Add("Page0");
    Notebook1->Pages()->Add("Results");
    Notebook1->SetBounds(0, 0, FormWidth, 330);
    CalcPNL->SetParent(Notebook1->Page(0));
    CalcPNL->SetBounds(8, 8, FormWidth - 16, 314);
    GroupBox1 = new TGroupBox(this);
    GroupBox1->SetName("GroupBox1");
    GroupBox1->SetParent(CalcPNL);
    GroupBox1->SetCaption(" Loan Details ");
    GroupBox1->SetBounds(6, 6, FormWidth - 28, 302);

    lText1 = AddGroupLabel("lText1", 10, 20, FormWidth - 50);
    lText2 = AddGroupLabel("lText2", 10, 38, FormWidth - 50);
    lText3 = AddGroupLabel("lText3", 10, 56, FormWidth - 50);
    lLoan1 = AddGroupLabel("lLoan1", LoanLeft, LoanRowTop - 20, LoanWidth);
    lLoan2 = AddGroupLabel("lLoan2", LoanLeft + LoanWidth + 10, LoanRowTop - 20, LoanWidth);
    for (TLabel* heading : {lLoan1, lLoan2})
        heading->SetAlignment(taCenter);
    PV1 = AddLoanNumber("PV1", 0, 0, nftDouble, CalcMoneyMask, 1);
    NumPmts1 = AddLoanNumber("NumPmts1", 0, 1, nftInteger, "ii,iii", 97);
    Rate1 = AddLoanNumber("Rate1", 0, 2, nftSingle, "##.####", 9);
    Points1 = AddLoanNumber("Points1", 0, 3, nftSingle, "##.####", 67);
    PntsAre1 = AddLoanChoice("PntsAre1", 0, 4);
    PV2 = AddLoanNumber("PV2", 1, 0, nftDouble, CalcMoneyMask, 1);
    NumPmts2 = AddLoanNumber("NumPmts2", 1, 1, nftInteger, "ii,iii", 97);
    Rate2 = AddLoanNumber("Rate2", 1, 2, nftSingle, "##.####", 9);
    Points2 = AddLoanNumber("Points2", 1, 3, nftSingle, "##.####", 67);
    PntsAre2 = AddLoanChoice("PntsAre2", 1, 4);
    SldAfter = AddLoanNumber("SldAfter", 0, 5, nftInteger, "ii,iii", 80);
    const struct {
        TLabel** Label;
        const char* Name;
        TWinControl* Focus;
    } rows[] = {{&lPV, "lPV", PV1},
                {&lNumPmts, "lNumPmts", NumPmts1},
                {&lRate, "lRate", Rate1},
                {&lPoints, "lPoints", Points1},
                {&lPntsAre, "lPntsAre", PntsAre1},
                {&lSldAfter, "lSldAfter", SldAfter}};
    int row = 0;
    for (const auto& r : rows) {
        *r.Label = AddGroupLabel(r.Name, 10, LoanRowTop + row++ * LoanRow + 3, 190);
        (*r.Label)->SetFocusControl(r.Focus);
    }
    lText4 = AddGroupLabel("lText4", 10, LoanRowTop + 6 * LoanRow + 6, FormWidth - 50);

    TPage* results = Notebook1->Page(1);
    GroupBox2 = new TGroupBox(this);
    GroupBox2->SetName("GroupBox2");
    GroupBox2->SetParent(results);
    GroupBox2->SetCaption(" Our Conclusion ");
    GroupBox2->SetBounds(8, 8, FormWidth - 16, 314);
    // The box is wide enough for the conclusion's lines; should the font make one longer, it
    // wraps in the box rather than being cut at its edge.
    Memo1 = new TMemo(this);
    Memo1->SetName("Memo1");
    Memo1->SetParent(GroupBox2);
    Memo1->SetBounds(10, 20, FormWidth - 36, 220);
    Memo1->SetScrollBars(ssVertical);
    Memo1->SetWordWrap(true);
    lText5 = new TLabel(this);
    lText5->SetName("lText5");
    lText5->SetParent(GroupBox2);
    lText5->SetBounds(10, 248, FormWidth - 36, 16);
    PrintBtn->SetParent(GroupBox2);
    PrintBtn->SetBounds(10, 272, 80, 25);
    CopyBTN->SetParent(GroupBox2);
    CopyBTN->SetBounds(96, 272, 80, 25);

    PriorBTN = new TButton(this);
    PriorBTN->SetName("PriorBTN");
    PriorBTN->SetParent(this);
    PriorBTN->OnClick = [this](TObject* s) { PriorBTNClick(s); };
    ResetBTN->SetVisible(false);
    UndoBTN->SetVisible(false);
    int left = 8;
    for (TButton* button : {PriorBTN, CalcBTN, HelpBTN, CloseBTN}) {
        button->SetBounds(left, 338, 80, 25);
        left += 86;
    }
    SetClientWidth(FormWidth);
    SetClientHeight(372);
    PV1->OnExit = [this](TObject* s) { PV1Exit(s); };
    NumPmts1->OnExit = [this](TObject* s) { NumPmts1Exit(s); };
    TNotifyEvent patternShow = OnShow;
    OnShow = [this, patternShow](TObject* s) {
        patternShow(s);
        PriorBTN->SetCaption("Pr&ior");
        PriorBTN->SetHint("Previous step.");
        PriorBTN->SetHelpContext(106);
        PriorBTN->SetShowHint(CalcHost() && CalcHost()->ButtonHints());
        ShowPage(Notebook1->PageIndex() == 1);
    };
    SharedRecord();
    UseCountryMoneyMask({PV1, PV2});
}

TaPoints::~TaPoints() {
    // The one instance's record goes with it; the next instance builds it again.
    FreeSharedRecord(ckPoints);
}

TLabel* TaPoints::AddGroupLabel(const std::string& Name, int Left, int Top, int Width) {
    auto* label = new TLabel(this);
    label->SetName(Name);
    label->SetParent(GroupBox1);
    label->SetAutoSize(false);
    label->SetTransparent(true);
    label->SetBounds(Left, Top, Width, 16);
    return label;
}

TVcNumericField* TaPoints::AddLoanNumber(const std::string& Name, int Column, int Row,
                                         TNumericDataType Type, const char* Mask, int HelpContext) {
    auto* field = new TVcNumericField(this);
    field->SetName(Name);
    field->SetParent(GroupBox1);
    field->SetBounds(LoanLeft + Column * (LoanWidth + 10), LoanRowTop + Row * LoanRow, LoanWidth,
                     22);
    field->SetController(DefaultController);
    field->SetDataType(Type);
    field->SetPictureMask(Mask);
    field->SetHelpContext(HelpContext);
    return field;
}

TComboBox* TaPoints::AddLoanChoice(const std::string& Name, int Column, int Row) {
    auto* combo = new TComboBox(this);
    combo->SetName(Name);
    combo->SetParent(GroupBox1);
    combo->SetBounds(LoanLeft + Column * (LoanWidth + 10), LoanRowTop + Row * LoanRow, LoanWidth,
                     24);
    combo->SetStyle(csDropDownList);
    combo->SetHelpContext(77);
    return combo;
}

const TRecordLayout& TaPoints::RecordLayout() const {
    static const TRecordLayout layout{
        D::Size,
        {"This Advisor compares the effects of points on two loans. It answers the question...",
         "\"Is a loan at 8.5% with 2.5 points cheaper than a loan at 8.25% with 3 points?\" ",
         "You may press [F1] at any time for detail help.",
         "&Amount of Loan?:", "&Total Periods? (#):", "Annual &Rate? (%):", "P&oints:?",
         "Poi&nts are?:", "Loan 2", "Loan 1", "Property &Sold After? (Yrs):", ""},
        {{D::PntsAre1, &PointsPaidList, 0}, {D::PntsAre2, &PointsPaidList, 0}},
        {{D::Text5, {"Don't like what we've written? You may easily edit the above text."}}},
        {D::Memo}};
    return layout;
}

std::unique_ptr<TTransferRecord> TaPoints::MakeRecord() const {
    std::unique_ptr<TTransferRecord> record = TCalcForm::MakeRecord();
    PutLE<SmallInt>(record->Data(), D::SldAfter, 1);
    return record;
}

std::vector<TComponent*> TaPoints::TransferList() const {
    return {lText1,   lText2,    lText3,  lPV,      lNumPmts, lRate,  lPoints, lPntsAre, lLoan2,
            lLoan1,   lSldAfter, lText4,  PV1,      NumPmts1, Rate1,  Points1, PntsAre1, PV2,
            NumPmts2, Rate2,     Points2, PntsAre2, SldAfter, lText5, Memo1};
}

void TaPoints::ShowPage(bool Results) {
    Notebook1->SetPageIndex(Results ? 1 : 0);
    PriorBTN->SetEnabled(Results);
    CalcBTN->SetEnabled(!Results);
}

void TaPoints::PriorBTNClick(TObject*) {
    ShowPage(false);
}

void TaPoints::PV1Exit(TObject*) {
    double amount1 = 0.0, amount2 = 0.0;
    if (PV1->GetValue(&amount1) == 0 && PV2->GetValue(&amount2) == 0 && amount2 == 0.0)
        PV2->SetValue(&amount1);
}

void TaPoints::NumPmts1Exit(TObject*) {
    if (NumPmts2->AsInteger() == 0) NumPmts2->SetAsInteger(NumPmts1->AsInteger());
    if (SldAfter->AsInteger() == 0) SldAfter->SetAsInteger((NumPmts1->AsInteger() + 11) / 12);
}

void TaPoints::Calculate(std::span<Byte> Data) {
    const TPointsLoan loan1 = Loan1(Data);
    const TPointsLoan loan2 = Loan2(Data);
    const SmallInt years = GetLE<SmallInt>(Data, D::SldAfter);
    const std::vector<std::string> refusals = ValidatePoints(loan1, loan2, years);
    for (const std::string& message : refusals)
        MessageDlg(message, mtError, {mbOK}, 0);
    if (!refusals.empty()) return;
    std::array<std::string, 3> paragraphs;
    try {
        const TPointsResult r1 = ComparePointsLoan(loan1, years);
        const TPointsResult r2 = ComparePointsLoan(loan2, years);
        paragraphs = PointsConclusion(loan1, r1, loan2, r2, years);
    } catch (const EMathError&) {
        MessageDlg("These values have no solution.\n\nPlease Try Again", mtError, {mbOK}, 0);
        return;
    }
    TStrings* lines = TextListOf(Data, D::Memo);
    lines->Clear();
    for (const std::string& paragraph : paragraphs) {
        AddWrappedLines(*lines, paragraph, AdvisorNarrativeWidth);
        lines->Add("");
    }
    ShowPage(true);
}

std::vector<TCalcLine> TaPoints::ReportLines(std::span<const Byte> Data) const {
    const TPointsLoan a = Loan1(Data);
    const TPointsLoan b = Loan2(Data);
    auto paid = [&](std::size_t slot) { return ChoiceText(Data, slot).substr(0, 12); };
    return {
        Row("", CaptionOf(Data, D::Loan1Caption), CaptionOf(Data, D::Loan2Caption),
            "%-24s %16s %16s\r\n", "\t%-24s\t%16s\t%16s"),
        Row(CaptionOf(Data, 3), a.PV, b.PV, "%-24s %16.2m %16.2m\r\n", "\t%-24s\t%16.2m\t%16.2m"),
        Row(CaptionOf(Data, 4), static_cast<int>(a.NumPmts), static_cast<int>(b.NumPmts),
            "%-24s %16d %16d\r\n", "\t%-24s\t%16d\t%16d"),
        Row(CaptionOf(Data, 5), a.Rate, b.Rate, "%-24s %16.4n %16.4n\r\n",
            "\t%-24s\t%16.4n\t%16.4n"),
        Row(CaptionOf(Data, 6), a.Points, b.Points, "%-24s %16.4n %16.4n\r\n",
            "\t%-24s\t%16.4n\t%16.4n"),
        Row(CaptionOf(Data, 7), paid(D::PntsAre1), paid(D::PntsAre2), "%-24s %16s %16s\r\n",
            "\t%-24s\t%s\t%s"),
        Row(CaptionOf(Data, 10), static_cast<int>(GetLE<SmallInt>(Data, D::SldAfter)), 0,
            "%-24s %22d\r\n", "\t%-24s\t%22d")};
}

std::string TaPoints::CopyText() {
    std::unique_ptr<TTransferRecord> values = CurrentValues();
    if (!values) return {};
    std::string text;
    const std::vector<TCalcLine> rows = ReportLines(values->Data());
    const int column = CaptionColumn(rows);
    for (const TCalcLine& line : rows)
        text += LineText(line.CopyFormat, line, column);
    const TStrings* lines = TextListOf(values->Data(), D::Memo);
    for (int k = 0; k < lines->Count(); ++k)
        text += lines->Strings(k) + "\r\n";
    return text + "\r\n\r\n";
}

void TaPoints::PrintReport(TBaseReport& Report, std::span<const Byte> Data) {
    TFont* font = CalcHost() ? CalcHost()->PrinterFont() : nullptr;
    const int size = font ? font->Size() : 10;
    Report.SetFont(font ? font->Name() : std::string("Courier New"), size);
    const double w = ReportColumnWidth(size);
    const std::vector<TCalcLine> rows = ReportLines(Data);
    // A long caption widens its column leftwards; the two loans' columns keep their places.
    const double captions = CaptionTabWidth(Report, rows, w);
    Report.ClearTabs();
    Report.SetTab(4.25 - 0.5 * w - captions, pjLeft, captions, 2, 0, 0);
    Report.SetTab(-32768, pjRight, w, 2, 0, 0);
    Report.SetTab(-32768, pjRight, w, 2, 0, 0);
    Report.SetYPos(1.5);
    Report.SetBold(true);
    Report.PrintCenter(Caption(), 4.25);
    Report.NewLine();
    Report.NewLine();
    Report.PrintLn(LineText(rows.front().PrintFormat, rows.front()));
    Report.SetBold(false);
    for (std::size_t k = 1; k < rows.size(); ++k)
        Report.PrintLn(LineText(rows[k].PrintFormat, rows[k]));
    Report.NewLine();
    PrintNarrative(Report, *TextListOf(Data, D::Memo));
    Report.NewLine();
    Report.NewLine();
}
