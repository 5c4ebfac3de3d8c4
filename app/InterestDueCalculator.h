// The interest-due calculator: simple or compound interest on an amount between two dates, the
// future value, the annual percentage yield and the daily rate (arithmetic in finance/InterestDue).
// It is calendar arithmetic too: the number of days and the two dates keep each other consistent
// as the user edits them, and each date shows its day name.
#pragma once

#include "advisors/CalculatorForm.h"
#include "controls/entry/DayNumberDates.h"

class TVcPictureField;
class TVcSimpleField;
class TVcSpinner;

class TcLoIntDu : public TCalcForm {
    VANTREL_CLASS(TcLoIntDu, TCalcForm)

    explicit TcLoIntDu(TComponent* AOwner);

    TLabel *lPV, *lNumDays, *lRate, *lStartDate, *lEndDate, *lCmpPYR, *lRateBasis, *lIntPaid, *lFV,
        *lAPY, *lDailyRate;
    TVcNumericField *PV, *NumDays, *Rate, *IntPaid, *FV, *APY, *DailyRate;
    TVcSimpleField *StartDay, *EndDay;
    TVcPictureField *StartDate, *EndDate;
    TComboBox *CmpPYR, *RateBasis;
    TVcSpinner *VcSpinner1, *VcSpinner2;

    void StartDateChange(TObject* Sender);
    void EndDateChange(TObject* Sender);
    void NumDaysChange(TObject* Sender);

protected:
    std::vector<TComponent*> TransferList() const override;
    const TRecordLayout& RecordLayout() const override;
    std::unique_ptr<TTransferRecord> MakeRecord() const override;
    void Calculate(std::span<Byte> Data) override;
    void ResetRecord(std::span<Byte> Data) override;
    std::vector<TCalcLine> ReportLines(std::span<const Byte> Data) const override;
    int FormHelpContext() const override { return 7; }

private:
    TVcPictureField* AddDate(const std::string& Name, int Row, int HelpContext);
    TVcSimpleField* AddDayName(const std::string& Name, int Row, int HelpContext);
    TVcSpinner* AddSpinner(const std::string& Name, TVcPictureField* Field);
    void ShowHintsOfSpinners(TObject* Sender);
    // The daily rate of the copy and the printout: the computed value behind the field when
    // the field shows Shown, the value read from the field, rounded.
    double ComputedDailyRate(float Shown) const;
    // The dates a count of days is worked from: those shown when the count's editing began.
    void TakeBaseDates();
    bool updating_ = false;
    TDayNumber baseStart_ = BadDate;
    TDayNumber baseEnd_ = BadDate;
    // The dates as the count last left them; dates found otherwise were changed since.
    TDayNumber countStart_ = BadDate;
    TDayNumber countEnd_ = BadDate;
};

// The locale's long name of a date's weekday, cut to 9 characters; empty for an invalid date.
std::string DayName(TDayNumber Date);
