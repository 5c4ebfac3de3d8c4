#include "app/RefinanceAdvisor.h"

#include "finance/LoanMath.h"
#include "finance/Refinance.h"
#include "finance/TextRoutines.h"
#include "platform/gui/Dialogs.h"
#include "platform/rtl/Streams.h"
#include "report/RptBase.h"

namespace {

// TRefinCalcData: the current loan's captions and values, the possible loan's, the tax and
// sale terms, and the narrative's lines.
namespace D {
constexpr std::size_t Size = 5726;
constexpr std::size_t RemBal = 1280;
constexpr std::size_t PmtsRem = 1288;
constexpr std::size_t Rate = 1290;
constexpr std::size_t PYR = 1294;
constexpr std::size_t PossibleCaptions = 1558;
constexpr std::size_t NewPV = 3606;
constexpr std::size_t NumPmts = 3614;
constexpr std::size_t Rate2 = 3616;
constexpr std::size_t PYR2 = 3620;
constexpr std::size_t Points = 3884;
constexpr std::size_t Misc = 3888;
constexpr std::size_t Penalty = 3896;
constexpr std::size_t TermCaptions = 3904;
constexpr std::size_t Deduct = 5184;
constexpr std::size_t PntsAre = 5448;
constexpr std::size_t SldAfter = 5712;
constexpr std::size_t ProTaxBracket = 5714;
constexpr std::size_t DiscRate = 5718;
constexpr std::size_t Memo = 5722;
} // namespace D

constexpr const char* MoneyMask = "$###,###,###.##";
constexpr int NarrativeWidth = 85;
constexpr int PanelRow = 26;

TRefinInputs Read(std::span<const Byte> data) {
    TRefinInputs in;
    in.RemBal = GetLE<double>(data, D::RemBal);
    in.PmtsRem = GetLE<SmallInt>(data, D::PmtsRem);
    in.Rate = GetLE<float>(data, D::Rate);
    in.PYR = static_cast<Byte>(ChoiceIndex(data, D::PYR));
    in.NewPV = GetLE<double>(data, D::NewPV);
    in.NumPmts = GetLE<SmallInt>(data, D::NumPmts);
    in.Rate2 = GetLE<float>(data, D::Rate2);
    in.PYR2 = static_cast<Byte>(ChoiceIndex(data, D::PYR2));
    in.Points = GetLE<float>(data, D::Points);
    in.Misc = GetLE<double>(data, D::Misc);
    in.Penalty = GetLE<double>(data, D::Penalty);
    in.Deduct = static_cast<Byte>(ChoiceIndex(data, D::Deduct));
    in.PntsAre = static_cast<Byte>(ChoiceIndex(data, D::PntsAre));
    in.SldAfter = GetLE<SmallInt>(data, D::SldAfter);
    in.ProTaxBracket = GetLE<float>(data, D::ProTaxBracket);
    in.DiscRate = GetLE<float>(data, D::DiscRate);
    return in;
}

// The caption of slot k of a run of caption slots.
std::string RunCaption(std::span<const Byte> data, std::size_t run, int k) {
    return GetSlotString(
        data.subspan(run + static_cast<std::size_t>(k) * CaptionSlotSize, CaptionSlotSize));
}

TCalcLine Heading(const std::string& text, const char* copyFormat) {
    return {text, std::string(), copyFormat, "\t%-24s"};
}

TCalcLine WithCopyFormat(TCalcLine line, const char* format) {
    line.CopyFormat = format;
    return line;
}

} // namespace

TcLoReFin::TcLoReFin(TComponent* AOwner) : TCalcForm(AOwner, ckRefinance, "Refinance Advisor") {
    Notebook1 = new TNotebook(this);
    Notebook1->SetName("Notebook1");
    Notebook1->SetParent(this);
    Notebook1->Pages()->Clear();
    Notebook1->Pages()->Add("DataEntry");
    Notebook1->Pages()->Add("Results");
    Notebook1->SetBounds(0, 0, 760, 420);
    TPage* entry = Notebook1->Page(0);
    TPage* results = Notebook1->Page(1);
    CalcPNL->SetParent(entry);
    CalcPNL->SetBounds(8, 8, 744, 360);

    Panel1 = AddPanel("Panel1", CalcPNL, 8, 8, 360, 150);
    Label1 = AddPanelLabel(Panel1, "Label1", 0, nullptr);
    RemBal = AddPanelNumber(Panel1, "RemBal", 1, nftDouble, MoneyMask);
    PmtsRem = AddPanelNumber(Panel1, "PmtsRem", 2, nftInteger, "ii,iiii");
    Rate = AddPanelNumber(Panel1, "Rate", 3, nftSingle, "##.####");
    PYR = AddPanelChoice(Panel1, "PYR", 4);
    lRemBal = AddPanelLabel(Panel1, "lRemBal", 1, RemBal);
    lPmtsRem = AddPanelLabel(Panel1, "lPmtsRem", 2, PmtsRem);
    lRate = AddPanelLabel(Panel1, "lRate", 3, Rate);
    lPYR = AddPanelLabel(Panel1, "lPYR", 4, PYR);

    Panel2 = AddPanel("Panel2", CalcPNL, 376, 8, 360, 230);
    Label2 = AddPanelLabel(Panel2, "Label2", 0, nullptr);
    NewPV = AddPanelNumber(Panel2, "NewPV", 1, nftDouble, MoneyMask);
    NumPmts = AddPanelNumber(Panel2, "NumPmts", 2, nftInteger, "ii,iiii");
    Rate2 = AddPanelNumber(Panel2, "Rate2", 3, nftSingle, "##.####");
    PYR2 = AddPanelChoice(Panel2, "PYR2", 4);
    Points = AddPanelNumber(Panel2, "Points", 5, nftSingle, "##.####");
    Misc = AddPanelNumber(Panel2, "Misc", 6, nftDouble, MoneyMask);
    Penalty = AddPanelNumber(Panel2, "Penalty", 7, nftDouble, MoneyMask);
    lNewPV = AddPanelLabel(Panel2, "lNewPV", 1, NewPV);
    lNumPmts = AddPanelLabel(Panel2, "lNumPmts", 2, NumPmts);
    lRate2 = AddPanelLabel(Panel2, "lRate2", 3, Rate2);
    lPYR2 = AddPanelLabel(Panel2, "lPYR2", 4, PYR2);
    lPoints = AddPanelLabel(Panel2, "lPoints", 5, Points);
    lMisc = AddPanelLabel(Panel2, "lMisc", 6, Misc);
    lPenalty = AddPanelLabel(Panel2, "lPenalty", 7, Penalty);

    Panel3 = AddPanel("Panel3", CalcPNL, 8, 166, 360, 150);
    Deduct = AddPanelChoice(Panel3, "Deduct", 0);
    PntsAre = AddPanelChoice(Panel3, "PntsAre", 1);
    SldAfter = AddPanelNumber(Panel3, "SldAfter", 2, nftInteger, "ii,iii");
    ProTaxBracket = AddPanelNumber(Panel3, "ProTaxBracket", 3, nftSingle, "##.####");
    DiscRate = AddPanelNumber(Panel3, "DiscRate", 4, nftSingle, "##.####");
    lDeduct = AddPanelLabel(Panel3, "lDeduct", 0, Deduct);
    lPntsAre = AddPanelLabel(Panel3, "lPntsAre", 1, PntsAre);
    lSldAfter = AddPanelLabel(Panel3, "lSldAfter", 2, SldAfter);
    lProTaxBracket = AddPanelLabel(Panel3, "lProTaxBracket", 3, ProTaxBracket);
    lDiscRate = AddPanelLabel(Panel3, "lDiscRate", 4, DiscRate);

    // The entry page's buttons under its panel; the results page has its own row.
    int left = 8;
    for (TButton* button : {CalcBTN, ResetBTN, UndoBTN, HelpBTN, CloseBTN}) {
        button->SetParent(entry);
        button->SetBounds(left, 378, 80, 25);
        left += 86;
    }
    Memo1 = new TMemo(this);
    Memo1->SetName("Memo1");
    Memo1->SetParent(results);
    Memo1->SetBounds(8, 8, 744, 360);
    Memo1->SetScrollBars(ssVertical);
    Memo1->SetWordWrap(false);
    PriorBTN = new TButton(this);
    PriorBTN->SetName("PriorBTN");
    PriorBTN->SetCaption("Pr&ior");
    PriorBTN->OnClick = [this](TObject* s) { BitBtn1Click(s); };
    BitBtn2 = new TButton(this);
    BitBtn2->SetName("BitBtn2");
    BitBtn2->SetCaption("&Close");
    BitBtn2->OnClick = [this](TObject* s) { CloseBTNClick(s); };
    left = 8;
    for (TButton* button : {PrintBtn, CopyBTN, PriorBTN, BitBtn2}) {
        button->SetParent(results);
        button->SetBounds(left, 378, 80, 25);
        left += 86;
    }
    Notebook1->SetActivePage("DataEntry");
    SetClientWidth(760);
    SetClientHeight(420);
    SharedRecord();
    UseCountryMoneyMask({RemBal, NewPV, Misc, Penalty});
}

TPanel* TcLoReFin::AddPanel(const std::string& Name, TWinControl* Parent, int Left, int Top,
                            int Width, int Height) {
    auto* panel = new TPanel(this);
    panel->SetName(Name);
    panel->SetParent(Parent);
    panel->SetCaption("");
    panel->SetBounds(Left, Top, Width, Height);
    return panel;
}

TLabel* TcLoReFin::AddPanelLabel(TPanel* Panel, const std::string& Name, int Row,
                                 TWinControl* Focus) {
    auto* label = new TLabel(this);
    label->SetName(Name);
    label->SetParent(Panel);
    label->SetAutoSize(false);
    label->SetTransparent(true);
    label->SetBounds(8, 8 + Row * PanelRow + 3, 190, 16);
    if (Focus) label->SetFocusControl(Focus);
    return label;
}

TVcNumericField* TcLoReFin::AddPanelNumber(TPanel* Panel, const std::string& Name, int Row,
                                           TNumericDataType Type, const char* Mask) {
    auto* field = new TVcNumericField(this);
    field->SetName(Name);
    field->SetParent(Panel);
    field->SetBounds(204, 8 + Row * PanelRow, 140, 22);
    field->SetController(DefaultController);
    field->SetDataType(Type);
    field->SetPictureMask(Mask);
    return field;
}

TComboBox* TcLoReFin::AddPanelChoice(TPanel* Panel, const std::string& Name, int Row) {
    auto* combo = new TComboBox(this);
    combo->SetName(Name);
    combo->SetParent(Panel);
    combo->SetBounds(204, 8 + Row * PanelRow, 140, 24);
    combo->SetStyle(csDropDownList);
    return combo;
}

const TRecordLayout& TcLoReFin::RecordLayout() const {
    static const TRecordLayout layout{
        D::Size,
        {"Current Financing",
         "Remaining Balance:", "Periods Remaining?:", "Annual &Rate? (%):", "Payme&nt Period?:"},
        {{D::PYR, &PaymentFrequencyList, 2},
         {D::PYR2, &PaymentFrequencyList, 2},
         {D::Deduct, &DeductibleList, 0},
         {D::PntsAre, &PointsPaidList, 0}},
        {{D::PossibleCaptions,
          {"Possible Financing", "New Loan Amount?:", "&Total Periods? (#):", "Annua&l Rate? (%):",
           "Pa&yment Period?:", "P&oints:?", "Misc. Closing Costs?:", "Prepayment Penalty?:"}},
         // "&&": the "&" of the text (the label shows one; the copy takes the first out).
         {D::TermCaptions,
          {"Interest && Points are?:", "Points &are?:", "Property &Sold After? (Yrs):",
           "Projected Tax Bracket?:", "Discount Rate (%)?:"}}},
        {D::Memo}};
    return layout;
}

// The property is sold after one year unless the user says otherwise.
std::unique_ptr<TTransferRecord> TcLoReFin::MakeRecord() const {
    std::unique_ptr<TTransferRecord> record = TCalcForm::MakeRecord();
    PutLE<SmallInt>(record->Data(), D::SldAfter, 1);
    return record;
}

void TcLoReFin::ResetRecord(std::span<Byte> Data) {
    TCalcForm::ResetRecord(Data);
    PutLE<SmallInt>(Data, D::SldAfter, 1);
}

std::vector<TComponent*> TcLoReFin::TransferList() const {
    return {Label1,    lRemBal, lPmtsRem, lRate,    lPYR,          RemBal,    PmtsRem,
            Rate,      PYR,     Label2,   lNewPV,   lNumPmts,      lRate2,    lPYR2,
            lPoints,   lMisc,   lPenalty, NewPV,    NumPmts,       Rate2,     PYR2,
            Points,    Misc,    Penalty,  lDeduct,  lPntsAre,      lSldAfter, lProTaxBracket,
            lDiscRate, Deduct,  PntsAre,  SldAfter, ProTaxBracket, DiscRate,  Memo1};
}

void TcLoReFin::BitBtn1Click(TObject*) {
    Notebook1->SetActivePage("DataEntry");
}

void TcLoReFin::Calculate(std::span<Byte> Data) {
    const TRefinInputs in = Read(Data);
    const std::string refusal = ValidateRefinance(in);
    if (!refusal.empty()) {
        MessageDlg(refusal, mtInformation, {mbOK}, 0);
        return;
    }
    std::array<std::string, 3> paragraphs;
    try {
        TWaitCursor wait;
        TRefinAnalysis analysis = AnalyzeRefinance(in);
        paragraphs = RefinanceNarrative(in, analysis);
    } catch (const EMathError&) {
        MessageDlg("These values have no solution.\n\nPlease Try Again", mtInformation, {mbOK}, 0);
        return;
    }
    // The narrative goes into the record's lines, which the copy back shows in the memo.
    TStrings* lines = TextListOf(Data, D::Memo);
    lines->Clear();
    for (std::size_t k = 0; k < paragraphs.size(); ++k) {
        std::string rest = paragraphs[k];
        do {
            std::string line, after;
            WordWrapLine(line, rest, after, false, NarrativeWidth);
            lines->Add(line);
            rest = after;
        } while (!rest.empty());
        if (k + 1 < paragraphs.size()) lines->Add("");
    }
    Notebook1->SetActivePage("Results");
}

std::vector<TCalcLine> TcLoReFin::ReportLines(std::span<const Byte> Data) const {
    const TRefinInputs in = Read(Data);
    auto possible = [&](int k) { return RunCaption(Data, D::PossibleCaptions, k); };
    auto term = [&](int k) { return RunCaption(Data, D::TermCaptions, k); };
    TCalcLine sold = CountLine(term(2), in.SldAfter);
    sold.CopyFormat = "%-24s %13d\r\n";
    return {Heading(CaptionOf(Data, 0), "%s\r\n\r\n"),
            MoneyLine(CaptionOf(Data, 1), in.RemBal),
            CountLine(CaptionOf(Data, 2), in.PmtsRem),
            WithCopyFormat(RateLine(CaptionOf(Data, 3), in.Rate), "%-24s %16.4n\r\n"),
            WithCopyFormat(ChoiceLine(CaptionOf(Data, 4), ChoiceText(Data, D::PYR)),
                           "%-24s %16s\r\n\r\n"),
            Heading(possible(0), "%s\r\n\r\n"),
            MoneyLine(possible(1), in.NewPV),
            CountLine(possible(2), in.NumPmts),
            WithCopyFormat(RateLine(possible(3), in.Rate2), "%-24s %16.4n\r\n"),
            ChoiceLine(possible(4), ChoiceText(Data, D::PYR2)),
            WithCopyFormat(RateLine(possible(5), in.Points), "%-24s %16.4n\r\n"),
            MoneyLine(possible(6), in.Misc),
            WithCopyFormat(MoneyLine(possible(7), in.Penalty), "%-24s %16.2m\r\n\r\n"),
            ChoiceLine(term(0), ChoiceText(Data, D::Deduct)),
            ChoiceLine(term(1), ChoiceText(Data, D::PntsAre)),
            sold,
            WithCopyFormat(RateLine(term(3), in.ProTaxBracket), "%-24s %16.4n\r\n"),
            WithCopyFormat(RateLine(term(4), in.DiscRate), "%-24s %16.4n\r\n\r\n")};
}

std::string TcLoReFin::CopyTrailer(std::span<const Byte> Data) const {
    // Wrapped lines join again into running text; an empty line ends a paragraph.
    std::string text;
    const TStrings* lines = TextListOf(Data, D::Memo);
    for (int k = 0; lines && k < lines->Count(); ++k)
        text += lines->Strings(k).empty() ? "\r\n\r\n" : lines->Strings(k) + " ";
    return text;
}

void TcLoReFin::PrintTrailer(TBaseReport& Report, std::span<const Byte> Data) const {
    if (const TStrings* lines = TextListOf(Data, D::Memo)) PrintNarrative(Report, *lines);
}
