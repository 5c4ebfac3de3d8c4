// The loan calculator: solves an ordinary loan for whichever of amount, number of periods, annual
// rate and periodic payment the user leaves at zero, and shows the total interest. Its arithmetic
// is finance/OrdinaryLoan; this form moves values between its fields and its kind's shared record
// (TLoanCalcData, 3646 bytes) and shows the solvers' messages.
#pragma once

#include "advisors/CalculatorForm.h"
#include "controls/entry/NumericField.h"

#include <cstddef>

// The layout of TLoanCalcData: ten caption slots, the five numbers, four choice slots.
namespace LoanCalcData {
constexpr std::size_t Size = 3646;
constexpr std::size_t PV = 2560;
constexpr std::size_t NumPmts = 2568;
constexpr std::size_t Rate = 2570;
constexpr std::size_t Pmt = 2574;
constexpr std::size_t TotInt = 2582;
constexpr std::size_t PYR = 2590;
constexpr std::size_t CmpPYR = 2854;
constexpr std::size_t PmtMthd = 3118;
constexpr std::size_t AmortMthd = 3382;
} // namespace LoanCalcData

class TcLoLoan : public TCalcForm {
    VANTREL_CLASS(TcLoLoan, TCalcForm)

    explicit TcLoLoan(TComponent* AOwner);

    TLabel* lPV;
    TLabel* lNumPmts;
    TLabel* lRate;
    TLabel* lPmt;
    TLabel* lPYR;
    TLabel* lCmpPYR;
    TLabel* lPmtMthd;
    TLabel* lAmortMthd;
    TLabel* lTotInt;
    TLabel* Label10;
    TLabel* NumPmts2;
    TVcNumericField* PV;
    TVcNumericField* NumPmts;
    TVcNumericField* Rate;
    TVcNumericField* Pmt;
    TVcNumericField* TotInt;
    TComboBox* PYR;
    TComboBox* CmpPYR;
    TComboBox* PmtMthd;
    TComboBox* AmortMthd;

protected:
    std::vector<TComponent*> TransferList() const override;
    const TRecordLayout& RecordLayout() const override;
    void BeforeCalculate() override;
    void Calculate(std::span<Byte> Data) override;
    void ResultsRefused() override;
    void ResetRecord(std::span<Byte> Data) override;
    std::vector<TCalcLine> ReportLines(std::span<const Byte> Data) const override;
    int FormHelpContext() const override { return 125; }
};
