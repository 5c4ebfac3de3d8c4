#include "app/RemainingBalanceCalculator.h"

#include "finance/LoanMath.h"
#include "finance/RemainingBalance.h"
#include "platform/gui/Dialogs.h"
#include "platform/rtl/Streams.h"

namespace {

// TRemBalCalcData: ten captions, the loan, its four choices, the payment number and results.
namespace D {
constexpr std::size_t Size = 3648;
constexpr std::size_t PV = 2560;
constexpr std::size_t NumPmts = 2568;
constexpr std::size_t Rate = 2570;
constexpr std::size_t PYR = 2574;
constexpr std::size_t CmpPYR = 2838;
constexpr std::size_t PmtMthd = 3102;
constexpr std::size_t AmortMthd = 3366;
constexpr std::size_t IncPer = 3630;
constexpr std::size_t RemBal = 3632;
constexpr std::size_t Pmt = 3640;
} // namespace D

constexpr TLoanTermSlots Terms{D::PV,     D::NumPmts, D::Rate,     D::PYR,
                               D::CmpPYR, D::PmtMthd, D::AmortMthd};

constexpr const char* MoneyMask = "$###,###,###.##";

TRemBalValues Read(std::span<const Byte> data) {
    TRemBalValues v;
    ReadLoanTerms(data, Terms, v);
    v.IncPer = GetLE<SmallInt>(data, D::IncPer);
    v.RemBal = GetLE<double>(data, D::RemBal);
    v.Pmt = GetLE<double>(data, D::Pmt);
    return v;
}

} // namespace

TcLoRemBl::TcLoRemBl(TComponent* AOwner)
    : TCalcForm(AOwner, ckRemBal, "Remaining Balance Calculator") {
    PV = AddNumber("PV", 0, nftDouble, MoneyMask, 1);
    NumPmts = AddNumber("NumPmts", 1, nftInteger, "ii,iii", 97);
    Rate = AddNumber("Rate", 2, nftSingle, "##.####", 9);
    IncPer = AddNumber("IncPer", 3, nftInteger, "ii,iii", 90);
    PYR = AddRowChoice("PYR", 4, 16);
    CmpPYR = AddRowChoice("CmpPYR", 5, 13);
    PmtMthd = AddRowChoice("PmtMthd", 6, 25);
    AmortMthd = AddRowChoice("AmortMthd", 7, 14);
    RemBal = AddNumber("RemBal", 8, nftDouble, MoneyMask, 90);
    Pmt = AddNumber("Pmt", 9, nftDouble, MoneyMask, 11);
    lPV = AddRowLabel("lPV", 0, PV);
    lNumPmts = AddRowLabel("lNumPmts", 1, NumPmts);
    lRate = AddRowLabel("lRate", 2, Rate);
    lBalAfter = AddRowLabel("lBalAfter", 3, IncPer);
    lPYR = AddRowLabel("lPYR", 4, PYR);
    lCmpPYR = AddRowLabel("lCmpPYR", 5, CmpPYR);
    lPmtMthd = AddRowLabel("lPmtMthd", 6, PmtMthd);
    lAmortMthd = AddRowLabel("lAmortMthd", 7, AmortMthd);
    lRemBal = AddRowLabel("lRemBal", 8, RemBal);
    lPmt = AddRowLabel("lPmt", 9, Pmt);
    LayoutButtons(RowTop(10));
    SharedRecord();
    UseCountryMoneyMask({PV, RemBal, Pmt});
}

const TRecordLayout& TcLoRemBl::RecordLayout() const {
    static const TRecordLayout layout{
        D::Size,
        {"&Amount of Loan?:", "&Total Periods? (#):", "Annual &Rate? (%):", "Payme&nt Period?:",
         "Compounding Perio&d?:", "Payment &Method?:", "Amorti&zing Method?:",
         "&Balance AFTER Payment? (#):", "Remaining Balance:", "Periodic Payment:"},
        {{D::PYR, &PaymentFrequencyList, 2},
         {D::CmpPYR, &FrequencyList, DefaultFrequency},
         {D::PmtMthd, &TimingList, DefaultTiming},
         {D::AmortMthd, &AmortMethodList, DefaultAmortMethod}}};
    return layout;
}

std::vector<TComponent*> TcLoRemBl::TransferList() const {
    return {lPV, lNumPmts, lRate, lPYR, lCmpPYR, lPmtMthd, lAmortMthd, lBalAfter, lRemBal, lPmt,
            PV,  NumPmts,  Rate,  PYR,  CmpPYR,  PmtMthd,  AmortMthd,  IncPer,    RemBal,  Pmt};
}

void TcLoRemBl::Calculate(std::span<Byte> Data) {
    TRemBalValues v = Read(Data);
    const std::string message = SolveRemainingBalance(v);
    if (!message.empty()) {
        MessageDlg(message, mtError, {mbOK}, 0);
        return;
    }
    PutLE<double>(Data, D::RemBal, v.RemBal);
    PutLE<double>(Data, D::Pmt, v.Pmt);
}

std::vector<TCalcLine> TcLoRemBl::ReportLines(std::span<const Byte> Data) const {
    const TRemBalValues v = Read(Data);
    TCalcLine after = CountLine(CaptionOf(Data, 7), v.IncPer);
    after.CopyFormat = "%-24s %6d\r\n";
    return {MoneyLine(CaptionOf(Data, 0), v.PV),
            CountLine(CaptionOf(Data, 1), v.NumPmts),
            RateLine(CaptionOf(Data, 2), v.Rate),
            after,
            ChoiceLine(CaptionOf(Data, 3), ChoiceText(Data, D::PYR)),
            ChoiceLine(CaptionOf(Data, 4), ChoiceText(Data, D::CmpPYR)),
            ChoiceLine(CaptionOf(Data, 5), ChoiceText(Data, D::PmtMthd)),
            ChoiceLine(CaptionOf(Data, 6), ChoiceText(Data, D::AmortMthd)),
            MoneyLine(CaptionOf(Data, 8), v.RemBal),
            MoneyLine(CaptionOf(Data, 9), v.Pmt)};
}
