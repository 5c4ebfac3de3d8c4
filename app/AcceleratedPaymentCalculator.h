// The accelerated-payment calculator: the periods a loan takes when an extra amount is paid
// with every payment after a given period, and the interest that saves (arithmetic in
// finance/AcceleratedPayment).
#pragma once

#include "advisors/CalculatorForm.h"

class TcLoAccel : public TCalcForm {
    VANTREL_CLASS(TcLoAccel, TCalcForm)

    explicit TcLoAccel(TComponent* AOwner);

    TLabel *lPV, *lNumPmts, *lRate, *lIncPer, *lPYR, *lCmpPYR, *lPmtMthd, *lAmortMthd, *lPerOff,
        *lIntSaved, *lExtraPd;
    TVcNumericField *PV, *NumPmts, *Rate, *IncPer, *ExtraPd, *PerOff, *IntSaved;
    TComboBox *PYR, *CmpPYR, *PmtMthd, *AmortMthd;

protected:
    std::vector<TComponent*> TransferList() const override;
    const TRecordLayout& RecordLayout() const override;
    void BeforeCalculate() override;
    void Calculate(std::span<Byte> Data) override;
    std::vector<TCalcLine> ReportLines(std::span<const Byte> Data) const override;
    int FormHelpContext() const override { return 32; }
};
