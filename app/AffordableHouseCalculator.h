// The affordable-house calculator: the loan a share of income carries, the house price it and
// the cash at hand buy, and the cash as a share of the price (arithmetic in
// finance/AffordableHouse).
#pragma once

#include "advisors/CalculatorForm.h"

class TcLoAffHs : public TCalcForm {
    VANTREL_CLASS(TcLoAffHs, TCalcForm)

    explicit TcLoAffHs(TComponent* AOwner);

    TLabel *lAnnualIncome, *lCashAvailable, *lRate, *lEstTaxIns, *lAffHs, *lNumPmts,
        *lEstMaintenance, *lPercentIncome, *lAmtFin, *lResult;
    TVcNumericField *AnnualIncome, *CashAvailable, *Rate, *NumPmts, *EstTaxIns, *EstMaintenance,
        *PercentIncome, *AmtFin, *AffHs;

protected:
    std::vector<TComponent*> TransferList() const override;
    const TRecordLayout& RecordLayout() const override;
    void Calculate(std::span<Byte> Data) override;
    void ResetRecord(std::span<Byte> Data) override;
    std::vector<TCalcLine> ReportLines(std::span<const Byte> Data) const override;
    std::string CopyTrailer(std::span<const Byte> Data) const override;
    void PrintTrailer(TBaseReport& Report, std::span<const Byte> Data) const override;
    int FormHelpContext() const override { return 135; }
};
