// The balloon-payment calculator: the regular payment of a loan with a balloon amount due with a
// given payment (arithmetic in finance/BalloonPayment).
#pragma once

#include "advisors/CalculatorForm.h"

class TcLoBallP : public TCalcForm {
    VANTREL_CLASS(TcLoBallP, TCalcForm)

    explicit TcLoBallP(TComponent* AOwner);

    TLabel *lPV, *lRate, *lPerDue, *lBallPmt, *lPYR, *lCmpPYR, *lPmtMthd, *lPmt;
    TVcNumericField *PV, *Rate, *BallPmt, *PerDue, *Pmt;
    TComboBox *PYR, *CmpPYR, *PmtMthd;

protected:
    std::vector<TComponent*> TransferList() const override;
    const TRecordLayout& RecordLayout() const override;
    void Calculate(std::span<Byte> Data) override;
    std::vector<TCalcLine> ReportLines(std::span<const Byte> Data) const override;
    int FormHelpContext() const override { return 92; }
};
