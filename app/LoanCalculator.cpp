#include "app/LoanCalculator.h"

#include "finance/LoanMath.h"
#include "finance/OrdinaryLoan.h"
#include "platform/gui/Dialogs.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Streams.h"

namespace {

namespace D = LoanCalcData;

constexpr TLoanTermSlots Terms{D::PV,     D::NumPmts, D::Rate,     D::PYR,
                               D::CmpPYR, D::PmtMthd, D::AmortMthd};

constexpr const char* MoneyMask = "$###,###,###.##";

const TRecordLayout& Layout() {
    static const TRecordLayout layout{
        D::Size,
        {"&Amount of Loan?:", "&Total Periods? (#):", "Annual &Rate? (%):", "Periodic Payment:",
         "Payme&nt Period?:", "Compounding Perio&d?:", "Payment &Method?:", "Amorti&zing Method?:",
         "Total Interest:", "Enter a zero '0' for unknown value."},
        {{D::PYR, &PaymentFrequencyList, 2},
         {D::CmpPYR, &FrequencyList, DefaultFrequency},
         {D::PmtMthd, &TimingList, DefaultTiming},
         {D::AmortMthd, &AmortMethodList, DefaultAmortMethod}}};
    return layout;
}

TLoanValues ReadValues(std::span<const Byte> data) {
    TLoanValues v;
    ReadLoanTerms(data, Terms, v);
    v.Pmt = GetLE<double>(data, D::Pmt);
    v.TotInt = GetLE<double>(data, D::TotInt);
    return v;
}

void WriteValues(std::span<Byte> data, const TLoanValues& v) {
    PutLE<double>(data, D::PV, v.PV);
    PutLE<SmallInt>(data, D::NumPmts, v.NumPmts);
    PutLE<float>(data, D::Rate, v.Rate);
    PutLE<double>(data, D::Pmt, v.Pmt);
    PutLE<double>(data, D::TotInt, v.TotInt);
}

void Warn(const std::string& message) {
    if (!message.empty()) MessageDlg(message, mtWarning, {mbOK}, 0);
}

} // namespace

TcLoLoan::TcLoLoan(TComponent* AOwner) : TCalcForm(AOwner, ckLoan, "Loan Calculator") {
    TLabel** labels[] = {&lPV,     &lNumPmts, &lRate,      &lPmt,    &lPYR,
                         &lCmpPYR, &lPmtMthd, &lAmortMthd, &lTotInt, &Label10};
    const char* names[] = {"lPV",     "lNumPmts", "lRate",      "lPmt",    "lPYR",
                           "lCmpPYR", "lPmtMthd", "lAmortMthd", "lTotInt", "Label10"};
    for (std::size_t k = 0; k < std::size(labels); ++k)
        *labels[k] = AddRowLabel(names[k], static_cast<int>(k));
    Label10->SetWidth(400);
    PV = AddNumber("PV", 0, nftDouble, MoneyMask, 1);
    NumPmts = AddNumber("NumPmts", 1, nftInteger, "ii,iii", 97);
    Rate = AddNumber("Rate", 2, nftSingle, "##.####", 9);
    Pmt = AddNumber("Pmt", 3, nftDouble, MoneyMask, 11);
    PYR = AddRowChoice("PYR", 4, 16);
    CmpPYR = AddRowChoice("CmpPYR", 5, 13);
    PmtMthd = AddRowChoice("PmtMthd", 6, 25);
    AmortMthd = AddRowChoice("AmortMthd", 7, 14);
    TotInt = AddNumber("TotInt", 8, nftDouble, MoneyMask, 106);
    TotInt->SetTabStop(false);
    NumPmts2 = AddLabel("NumPmts2", FieldLeft + FieldWidth + 8, RowTop(1), 90);
    NumPmts2->SetCaption("");
    lPV->SetFocusControl(PV);
    lNumPmts->SetFocusControl(NumPmts);
    lRate->SetFocusControl(Rate);
    lPYR->SetFocusControl(PYR);
    lCmpPYR->SetFocusControl(CmpPYR);
    lPmtMthd->SetFocusControl(PmtMthd);
    lAmortMthd->SetFocusControl(AmortMthd);
    lPmt->SetFocusControl(Pmt);
    lTotInt->SetFocusControl(TotInt);
    LayoutButtons(8 + 10 * RowHeight);
    SharedRecord();
    UseCountryMoneyMask({PV, Pmt, TotInt});
}

std::vector<TComponent*> TcLoLoan::TransferList() const {
    return {lPV, lNumPmts, lRate, lPmt, lPYR,   lCmpPYR, lPmtMthd, lAmortMthd, lTotInt,  Label10,
            PV,  NumPmts,  Rate,  Pmt,  TotInt, PYR,     CmpPYR,   PmtMthd,    AmortMthd};
}

const TRecordLayout& TcLoLoan::RecordLayout() const {
    return Layout();
}

void TcLoLoan::BeforeCalculate() {
    if (AmortMthd->ItemIndex() == amCanadian) {
        PYR->SetItemIndex(2);
        CmpPYR->SetItemIndex(CanadianCompounding);
    }
}

void TcLoLoan::Calculate(std::span<Byte> Data) {
    NumPmts2->SetCaption("");
    TLoanValues v = ReadValues(Data);
    if (const std::string refusal = RefuseLoanTerms(v); !refusal.empty()) {
        Warn(refusal);
        return;
    }
    switch (LoanUnknown(v)) {
    case -2: Warn("Too many unknowns. Please try again."); return;
    case -1: Warn("No unknown values. Please try again."); return;
    case 0: Warn(SolveLoanPV(v)); break;
    case 1: {
        double periods = 0.0;
        const std::string message = SolveLoanPeriods(v, periods);
        if (message.empty()) NumPmts2->SetCaption(Format("%4.3F", {periods}));
        Warn(message);
        break;
    }
    case 2: {
        std::string message;
        {
            TWaitCursor wait;
            message = SolveLoanRate(v);
        }
        Warn(message);
        break;
    }
    case 3: Warn(SolveLoanPayment(v)); break;
    }
    WriteValues(Data, v);
}

void TcLoLoan::ResultsRefused() {
    NumPmts2->SetCaption("");
}

void TcLoLoan::ResetRecord(std::span<Byte> Data) {
    // The total interest keeps its value.
    const double total = GetLE<double>(Data, D::TotInt);
    ResetValues(Data, RecordLayout());
    PutLE<double>(Data, D::TotInt, total);
}

std::vector<TCalcLine> TcLoLoan::ReportLines(std::span<const Byte> Data) const {
    const TLoanValues v = ReadValues(Data);
    return {MoneyLine(CaptionOf(Data, 0), v.PV),
            CountLine(CaptionOf(Data, 1), v.NumPmts),
            RateLine(CaptionOf(Data, 2), v.Rate),
            MoneyLine(CaptionOf(Data, 3), v.Pmt),
            ChoiceLine(CaptionOf(Data, 4), ChoiceText(Data, D::PYR)),
            ChoiceLine(CaptionOf(Data, 5), ChoiceText(Data, D::CmpPYR)),
            ChoiceLine(CaptionOf(Data, 6), ChoiceText(Data, D::PmtMthd)),
            ChoiceLine(CaptionOf(Data, 7), ChoiceText(Data, D::AmortMthd)),
            MoneyLine(CaptionOf(Data, 8), v.TotInt)};
}
