// The lease-versus-buy break-even charts: a modal window of three line charts, each with the net
// purchase cost (red) and the net lease cost (green) against a varying quantity (the asset's
// price, the loan rate, the lease payment), so the user sees where buying and leasing break
// even. The points scale the present values of the engine's last run; nothing is recomputed.
//
// Promises: a quantity that starts at zero or below gives its chart no points (its steps of
// 10 per cent would never pass their bound); each axis range is set whole, so no order of the
// two limits is ever refused.
#pragma once

#include "advisors/LeaseBuyEngine.h"
#include "chart/Chart.h"
#include "chart/Series.h"
#include "controls/table/Notebook.h"
#include "platform/gui/Buttons.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"

#include <array>
#include <vector>

constexpr int BreakEvenChartCount = 3;

// One chart's points and axis ranges.
struct TBreakEvenSeries {
    std::vector<double> X;
    std::vector<double> Purchase;
    std::vector<double> Lease;
    double BottomMin = 0, BottomMax = 0, LeftMin = 0, LeftMax = 0;
};

// The three charts: price varies, loan rate varies, lease payment varies.
std::array<TBreakEvenSeries, BreakEvenChartCount> BreakEvenSeries(const TLeaseBuyData& data,
                                                                  const TLeaseBuyResults& results);

class TchLeaseBuy : public TForm {
    VANTREL_CLASS(TchLeaseBuy, TForm)

    // Data is the advisor's inputs; with none the charts stay empty.
    TchLeaseBuy(TComponent* AOwner, const TLeaseBuyData* Data);

    TVcController* Controller;
    TVcNotebook* Notebook;
    std::array<TChart*, BreakEvenChartCount> Charts{};
    std::array<TFastLineSeries*, BreakEvenChartCount> PurchaseLines{};
    std::array<TFastLineSeries*, BreakEvenChartCount> LeaseLines{};
    TPanel* ButtonPanel;
    TSpeedButton* PrintBTN;
    TSpeedButton* CloseBTN;
    TSpeedButton* HelpBTN;

    void PrintBTNClick(TObject* Sender);
    void CloseBTNClick(TObject* Sender);
    void HelpBTNClick(TObject* Sender);
    void FormKeyUp(TObject* Sender, Word& Key, TShiftState Shift);

private:
    void MakeChart(int Page, const char* Title, const char* Bottom);
    void FillChart(int Page, const TBreakEvenSeries& Series);
    TSpeedButton* AddButton(const char* Name, const char* Caption, int Left, TNotifyEvent OnClick);
};
