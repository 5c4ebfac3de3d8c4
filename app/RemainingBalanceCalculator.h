// The remaining-balance calculator: the balance left after a given payment of a loan and its
// periodic payment (arithmetic in finance/RemainingBalance).
#pragma once

#include "advisors/CalculatorForm.h"

class TcLoRemBl : public TCalcForm {
    VANTREL_CLASS(TcLoRemBl, TCalcForm)

    explicit TcLoRemBl(TComponent* AOwner);

    TLabel *lPV, *lNumPmts, *lRate, *lPYR, *lCmpPYR, *lPmtMthd, *lAmortMthd, *lBalAfter, *lRemBal,
        *lPmt;
    TVcNumericField *PV, *NumPmts, *Rate, *IncPer, *RemBal, *Pmt;
    TComboBox *PYR, *CmpPYR, *PmtMthd, *AmortMthd;

protected:
    std::vector<TComponent*> TransferList() const override;
    const TRecordLayout& RecordLayout() const override;
    void Calculate(std::span<Byte> Data) override;
    std::vector<TCalcLine> ReportLines(std::span<const Byte> Data) const override;
    int FormHelpContext() const override { return 90; }
};
