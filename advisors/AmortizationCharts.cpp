#include "advisors/AmortizationCharts.h"

#include "advisors/CalculatorForm.h"
#include "controls/entry/EntryController.h"
#include "platform/gui/WinUser.h"

#include <algorithm>

namespace {

constexpr TColor BackWallColor = 8454143;
constexpr int PageAmount = 0;
constexpr int PagePercent = 1;
constexpr int PageRunning = 2;

template <typename S>
S* AddSeries(TChart* Chart, const char* Title, TColor Color) {
    auto* series = new S(nullptr);
    series->SetTitle(Title);
    series->SetSeriesColor(Color);
    series->Marks()->SetVisible(false);
    series->SetParentChart(Chart);
    return series;
}

} // namespace

void SetAxisRange(TChartAxis* Axis, double Low, double High) {
    High = std::max(Low, High);
    if (Low > Axis->Maximum()) {
        Axis->SetMaximum(High);
        Axis->SetMinimum(Low);
    } else {
        Axis->SetMinimum(Low);
        Axis->SetMaximum(High);
    }
}

TAmortCharts::TAmortCharts(TComponent* AOwner, const TAmortSchedule& Schedule) : TForm(AOwner) {
    SetName("AmortCharts");
    SetCaption("Amortization Charts");
    SetHelpContext(207);
    SetPosition(poScreenCenter);
    SetKeyPreview(true);
    SetClientWidth(620);
    SetClientHeight(440);
    // The notebook is an entry control: it needs its form's controller.
    auto* controller = new TVcController(this);
    controller->SetName("Controller");
    Notebook1 = new TVcNotebook(this);
    Notebook1->SetName("Notebook1");
    Notebook1->SetParent(this);
    Notebook1->SetBounds(4, 4, 612, 396);
    TStringList pages;
    pages.Add("Allocation by &Amount");
    pages.Add("Allocation by P&ercent");
    pages.Add("&Running Totals");
    Notebook1->SetPages(&pages);
    Notebook1->SetTabWidth(200);
    // The active tab's caption in the same font as the others (the notebook's own default for
    // it is a bold typewriter face).
    Notebook1->ActiveTabFont()->Assign(Notebook1->Font());
    MakeChart(PageAmount, "A Payment's Interest & Principal Allocation", true, "Amount");
    MakeChart(PagePercent, "Interest & Principal as a Percentage of Payment", false, "Percentage");
    Charts[PagePercent]->LeftAxis()->SetAxisValuesFormat("#,##0.###%");
    MakeChart(PageRunning, " Running Totals Since Loan Origination", true, "Amount");
    const bool hints = CalcHost() && CalcHost()->ButtonHints();
    PrintBTN = AddButton("PrintBTN", "&Print", "Print this chart", 362,
                         [this](TObject* s) { PrintBTNClick(s); });
    HelpBTN =
        AddButton("HelpBTN", "&Help", "Help [F1]", 446, [this](TObject* s) { HelpBTNClick(s); });
    CloseBTN = AddButton("CloseBTN", "Close", "Close [Esc]", 530,
                         [this](TObject* s) { CloseBTNClick(s); });
    for (TButton* button : {PrintBTN, HelpBTN, CloseBTN})
        button->SetShowHint(hints);
    OnKeyUp = [this](TObject* s, Word& k, TShiftState sh) { FormKeyUp(s, k, sh); };
    FillCharts(Schedule);
}

TButton* TAmortCharts::AddButton(const std::string& Name, const char* Caption, const char* Hint,
                                 int Left, TNotifyEvent OnClick) {
    auto* button = new TButton(this);
    button->SetName(Name);
    button->SetParent(this);
    button->SetCaption(Caption);
    button->SetHint(Hint);
    button->SetBounds(Left, 408, 80, 25);
    button->OnClick = std::move(OnClick);
    return button;
}

void TAmortCharts::MakeChart(int Page, const char* Title, bool Bars, const char* LeftTitle) {
    auto* chart = new TChart(this);
    chart->SetName("Chart" + std::to_string(Page + 1));
    chart->SetParent(Notebook1->Page(Page));
    chart->SetAlign(alClient);
    chart->Title()->Text()->Add(Title);
    chart->Legend()->SetAlignment(laBottom);
    chart->SetBackColor(BackWallColor);
    chart->BottomWall()->SetColor(clWhite);
    TChartAxis* bottom = chart->BottomAxis();
    bottom->SetAutomatic(false);
    bottom->SetAutomaticMinimum(false);
    bottom->SetAutomaticMaximum(false);
    bottom->Title()->SetCaption("Year");
    chart->LeftAxis()->Title()->SetCaption(LeftTitle);
    if (Bars) {
        InterestSeries[Page] = AddSeries<TBarSeries>(chart, "Interest", clRed);
        PrincipalSeries[Page] = AddSeries<TBarSeries>(chart, "Principal", clGreen);
    } else {
        InterestSeries[Page] = AddSeries<TFastLineSeries>(chart, "Interest", clRed);
        PrincipalSeries[Page] = AddSeries<TFastLineSeries>(chart, "Principal", clGreen);
    }
    // Blue and two pixels wide: it stands out from the light yellow wall and from the red and
    // green series, also where it runs along the wall's top edge (the largest value).
    auto* payment = AddSeries<TFastLineSeries>(
        chart, Page == PageAmount ? "Payment Amount" : "Payment", clBlue);
    payment->LinePen()->SetWidth(2);
    PaymentSeries[Page] = payment;
    Charts[Page] = chart;
}

void TAmortCharts::FillCharts(const TAmortSchedule& Schedule) {
    const int last = Schedule.LastRow;
    const int perYear = std::max<int>(1, Schedule.PmtsPerYear);
    const double lastYear = last / perYear;
    SetAxisRange(Charts[PageAmount]->BottomAxis(), 1, lastYear);
    SetAxisRange(Charts[PagePercent]->BottomAxis(), 0, lastYear);
    SetAxisRange(Charts[PageRunning]->BottomAxis(), 1, lastYear);
    for (int k = 0; k <= last; k += perYear) {
        const TAmortRow& row = Schedule.AmortRows[static_cast<std::size_t>(k)];
        const double year = k / perYear;
        if (k > 0) {
            InterestSeries[PageAmount]->AddXY(year, row.Interest);
            PrincipalSeries[PageAmount]->AddXY(year, row.Principal);
            PaymentSeries[PageAmount]->AddXY(year, row.Payment);
            InterestSeries[PageRunning]->AddXY(year, row.RunInterest);
            PrincipalSeries[PageRunning]->AddXY(year, row.RunPrincipal);
            PaymentSeries[PageRunning]->AddXY(year, row.RunPayment);
        }
        if (row.Payment > 0) {
            InterestSeries[PagePercent]->AddXY(year, row.Interest * 100 / row.Payment);
            PrincipalSeries[PagePercent]->AddXY(year, row.Principal * 100 / row.Payment);
            PaymentSeries[PagePercent]->AddXY(year, 100);
        }
    }
}

void TAmortCharts::PrintBTNClick(TObject*) {
    const int page = std::clamp(Notebook1->PageIndex(), 0, 2);
    Charts[static_cast<std::size_t>(page)]->PrintLandscape();
}

void TAmortCharts::HelpBTNClick(TObject*) {
    Application->HelpContext(207);
}

void TAmortCharts::CloseBTNClick(TObject*) {
    Close();
}

void TAmortCharts::FormKeyUp(TObject*, Word& Key, TShiftState) {
    if (Key != VK_ESCAPE) return;
    Key = 0;
    Close();
}
