#include "advisors/BreakEvenCharts.h"

#include "advisors/CalculatorForm.h"
#include "platform/gui/WinUser.h"

#include <cmath>

namespace {

constexpr double Step = 1.1;

// Steps x from Start by 10 per cent while it stays within Bound, adding a point per step with
// the costs Cost gives for the step's number; none when Start is not above zero.
template <typename Cost>
void Walk(TBreakEvenSeries& s, double Start, double Bound, Cost cost) {
    if (!(Start > 0.0)) return;
    int step = 0;
    for (double x = Start; x <= Bound; x *= Step, ++step) {
        const auto [purchase, lease] = cost(step);
        s.X.push_back(x);
        s.Purchase.push_back(purchase);
        s.Lease.push_back(lease);
    }
}

// The ranges of a chart whose Varying costs run against a Fixed cost, from x = Start to Bound.
void SetRanges(TBreakEvenSeries& s, const std::vector<double>& varying, double fixed, double start,
               double bound) {
    if (varying.empty()) return;
    const double first = varying.front();
    const double last = varying.back();
    s.BottomMin = 0.9 * start;
    s.BottomMax = 1.025 * bound;
    s.LeftMin = 0.75 * fixed > first ? 0.9 * first : 0.75 * fixed;
    s.LeftMax = 1.25 * fixed >= last ? 1.25 * fixed : 1.05 * last;
}

} // namespace

std::array<TBreakEvenSeries, BreakEvenChartCount> BreakEvenSeries(const TLeaseBuyData& d,
                                                                  const TLeaseBuyResults& r) {
    const double P = std::fabs(r.PurchaseNPV);
    const double L = std::fabs(r.LeaseNPV);
    std::array<TBreakEvenSeries, BreakEvenChartCount> charts;

    Walk(charts[0], 0.5 * d.Price, 1.5 * d.Price, [&](int k) {
        return std::pair{0.5 * P * std::pow(Step, k), L};
    });
    SetRanges(charts[0], charts[0].Purchase, L, 0.5 * d.Price, 1.5 * d.Price);

    const double rate = AsTyped(d.PurchaseRate);
    const double interest = r.TotalInterest;
    Walk(charts[1], 0.5 * rate, std::fabs(1.5 * rate), [&](int k) {
        const double h = 0.5 * interest * std::pow(Step, k);
        return std::pair{P - (interest - h), L};
    });
    SetRanges(charts[1], charts[1].Purchase, L, 0.5 * rate, std::fabs(1.5 * rate));

    Walk(charts[2], 0.5 * d.LeasePmt, 1.5 * d.LeasePmt, [&](int k) {
        return std::pair{P, 0.5 * L * std::pow(Step, k)};
    });
    SetRanges(charts[2], charts[2].Lease, P, 0.5 * d.LeasePmt, 1.5 * d.LeasePmt);
    return charts;
}

TchLeaseBuy::TchLeaseBuy(TComponent* AOwner, const TLeaseBuyData* Data) : TForm(AOwner) {
    SetName("chLeaseBuy");
    SetCaption("Lease vs. Buy Break-Even Charts");
    SetHelpContext(208);
    SetClientWidth(640);
    SetClientHeight(440);
    SetKeyPreview(true);
    OnKeyUp = [this](TObject* s, Word& k, TShiftState sh) { FormKeyUp(s, k, sh); };

    Controller = new TVcController(this);
    Controller->SetName("Controller");
    Notebook = new TVcNotebook(this);
    Notebook->SetName("Notebook");
    Notebook->SetController(Controller);
    Notebook->SetParent(this);
    Notebook->Pages()->Clear();
    for (const char* caption :
         {"&Asset Price Varies", "&Loan Rate Varies", "Lease Payment &Varies"})
        Notebook->Pages()->Add(caption);
    MakeChart(0, "Break Even Analysis at Various Purchase Prices with a Fixed Lease Payment",
              "Purchase Price");
    MakeChart(1, "Break Even Analysis at Various Finance Rates with a Fixed Lease Payment",
              "Interest Rates");
    MakeChart(2, "Break Even Analysis at Various Lease Payments with a Fixed Purchase Payment",
              "Lease Payment Amount");
    Notebook->SetPageIndex(0);
    // The active tab's caption in the same font as the others (the notebook's own default for
    // it is a bold typewriter face).
    Notebook->ActiveTabFont()->Assign(Notebook->Font());

    ButtonPanel = new TPanel(this);
    ButtonPanel->SetName("ButtonPanel");
    ButtonPanel->SetParent(this);
    ButtonPanel->SetHeight(40);
    ButtonPanel->SetAlign(alBottom);
    ButtonPanel->SetCaption("");
    // The tabs share the window's width, and the pages fill what the buttons leave.
    Notebook->SetAlign(alClient);
    PrintBTN = AddButton("PrintBTN", "Print", 8, [this](TObject* s) { PrintBTNClick(s); });
    CloseBTN = AddButton("CloseBTN", "Close", 96, [this](TObject* s) { CloseBTNClick(s); });
    HelpBTN = AddButton("HelpBTN", "Help", 184, [this](TObject* s) { HelpBTNClick(s); });
    const bool hints = CalcHost() && CalcHost()->ShowHints();
    const std::pair<TSpeedButton*, const char*> hinted[] = {
        {PrintBTN, "Print this chart"}, {CloseBTN, "Close [Esc]"}, {HelpBTN, "Help [F1]"}};
    for (const auto& [button, hint] : hinted) {
        if (hints) button->SetHint(hint);
        button->SetShowHint(hints);
    }
    SetHelpContext(208);

    if (!Data) return;
    const auto series = BreakEvenSeries(*Data, LeaseBuyResults);
    for (int k = 0; k < BreakEvenChartCount; ++k)
        FillChart(k, series[static_cast<std::size_t>(k)]);
}

void TchLeaseBuy::MakeChart(int Page, const char* Title, const char* Bottom) {
    auto* chart = new TChart(this);
    chart->SetName("Chart" + std::to_string(Page + 1));
    chart->SetParent(Notebook->Page(Page));
    chart->SetAlign(alClient);
    chart->Title()->Text()->Clear();
    chart->Title()->Text()->Add(Title);
    chart->BottomAxis()->Title()->SetCaption(Bottom);
    chart->LeftAxis()->Title()->SetCaption("Net Present Value of Cost");
    for (TChartAxis* axis : {chart->BottomAxis(), chart->LeftAxis()}) {
        axis->SetAutomatic(false);
        axis->SetAutomaticMinimum(false);
        axis->SetAutomaticMaximum(false);
    }
    auto line = [&](const char* title, TColor color) {
        auto* series = new TFastLineSeries(this);
        series->SetTitle(title);
        series->SetSeriesColor(color);
        series->SetParentChart(chart);
        return series;
    };
    PurchaseLines[static_cast<std::size_t>(Page)] = line("Net Purchase Cost", clRed);
    LeaseLines[static_cast<std::size_t>(Page)] = line("Net Lease Cost", clGreen);
    Charts[static_cast<std::size_t>(Page)] = chart;
}

void TchLeaseBuy::FillChart(int Page, const TBreakEvenSeries& Series) {
    const auto k = static_cast<std::size_t>(Page);
    for (std::size_t i = 0; i < Series.X.size(); ++i) {
        PurchaseLines[k]->AddXY(Series.X[i], Series.Purchase[i]);
        LeaseLines[k]->AddXY(Series.X[i], Series.Lease[i]);
    }
    if (Series.X.empty()) return;
    Charts[k]->BottomAxis()->SetMinMax(Series.BottomMin, Series.BottomMax);
    Charts[k]->LeftAxis()->SetMinMax(Series.LeftMin, Series.LeftMax);
}

TSpeedButton* TchLeaseBuy::AddButton(const char* Name, const char* Caption, int Left,
                                     TNotifyEvent OnClick) {
    auto* button = new TSpeedButton(this);
    button->SetName(Name);
    button->SetParent(ButtonPanel);
    button->SetCaption(Caption);
    button->SetBounds(Left, 6, 80, 28);
    button->OnClick = std::move(OnClick);
    return button;
}

void TchLeaseBuy::PrintBTNClick(TObject*) {
    Charts[static_cast<std::size_t>(Notebook->PageIndex())]->Print();
}

void TchLeaseBuy::CloseBTNClick(TObject*) {
    Close();
}

void TchLeaseBuy::HelpBTNClick(TObject*) {
    Application->HelpContext(208);
}

void TchLeaseBuy::FormKeyUp(TObject*, Word& Key, TShiftState) {
    if (Key != VK_ESCAPE) return;
    Key = 0;
    Close();
}
