// The "Amortization Charts" window of a computed schedule: a notebook of three charts by loan
// year (allocation of a year's last payment in money, the same in per cent of the payment, and
// the running totals since the origination), each printable in landscape. A schedule shorter
// than one loan year has no point on the money charts; the axes' ranges are always valid.
#pragma once

#include "advisors/AmortizationSchedule.h"
#include "chart/Chart.h"
#include "chart/Series.h"
#include "controls/table/Notebook.h"
#include "platform/gui/Forms.h"
#include "platform/gui/StdCtrls.h"

#include <array>

class TAmortCharts : public TForm {
    VANTREL_CLASS(TAmortCharts, TForm)

    // Fills the charts from the schedule's rows 0..LastRow.
    TAmortCharts(TComponent* AOwner, const TAmortSchedule& Schedule);

    TVcNotebook* Notebook1;
    // Page by page: the chart and its three series (interest, principal, payment).
    std::array<TChart*, 3> Charts{};
    std::array<TChartSeries*, 3> InterestSeries{};
    std::array<TChartSeries*, 3> PrincipalSeries{};
    std::array<TChartSeries*, 3> PaymentSeries{};
    TButton *PrintBTN, *HelpBTN, *CloseBTN;

    void PrintBTNClick(TObject* Sender);
    void HelpBTNClick(TObject* Sender);
    void CloseBTNClick(TObject* Sender);
    void FormKeyUp(TObject* Sender, Word& Key, TShiftState Shift);

private:
    void MakeChart(int Page, const char* Title, bool Bars, const char* LeftTitle);
    void FillCharts(const TAmortSchedule& Schedule);
    TButton* AddButton(const std::string& Name, const char* Caption, const char* Hint, int Left,
                       TNotifyEvent OnClick);
};

// Sets an axis to Low..High (High raised to Low when below it), in the order that keeps the
// minimum at or below the maximum at every step.
void SetAxisRange(TChartAxis* Axis, double Low, double High);
