#include "app/BalloonPaymentCalculator.h"

#include "finance/BalloonPayment.h"
#include "finance/LoanMath.h"
#include "platform/gui/Dialogs.h"
#include "platform/rtl/Streams.h"

namespace {

// TBalloonCalcData: eight captions, the loan and balloon, three choices, the payment.
namespace D {
constexpr std::size_t Size = 2870;
constexpr std::size_t PV = 2048;
constexpr std::size_t Rate = 2056;
constexpr std::size_t PerDue = 2060;
constexpr std::size_t BallPmt = 2062;
constexpr std::size_t PYR = 2070;
constexpr std::size_t CmpPYR = 2334;
constexpr std::size_t PmtMthd = 2598;
constexpr std::size_t Pmt = 2862;
} // namespace D

constexpr const char* MoneyMask = "$###,###,###.##";

TBalloonValues Read(std::span<const Byte> data) {
    TBalloonValues v;
    v.PV = GetLE<double>(data, D::PV);
    v.Rate = GetLE<float>(data, D::Rate);
    v.PerDue = GetLE<SmallInt>(data, D::PerDue);
    v.BallPmt = GetLE<double>(data, D::BallPmt);
    v.PaymentsPerYear = PeriodsPerYear(static_cast<Byte>(ChoiceIndex(data, D::PYR) + 1));
    v.CompoundingsPerYear = PeriodsPerYear(static_cast<Byte>(ChoiceIndex(data, D::CmpPYR)));
    v.Timing = static_cast<Byte>(ChoiceIndex(data, D::PmtMthd));
    v.Pmt = GetLE<double>(data, D::Pmt);
    return v;
}

} // namespace

TcLoBallP::TcLoBallP(TComponent* AOwner)
    : TCalcForm(AOwner, ckBalloon, "Balloon Payment Calculator") {
    PV = AddNumber("PV", 0, nftDouble, MoneyMask, 1);
    Rate = AddNumber("Rate", 1, nftSingle, "##.####", 9);
    BallPmt = AddNumber("BallPmt", 2, nftDouble, MoneyMask, 92);
    PerDue = AddNumber("PerDue", 3, nftInteger, "ii,iii", 92);
    PYR = AddRowChoice("PYR", 4, 16);
    CmpPYR = AddRowChoice("CmpPYR", 5, 13);
    PmtMthd = AddRowChoice("PmtMthd", 6, 25);
    Pmt = AddNumber("Pmt", 7, nftDouble, MoneyMask, 11);
    lPV = AddRowLabel("lPV", 0, PV);
    lRate = AddRowLabel("lRate", 1, Rate);
    lBallPmt = AddRowLabel("lBallPmt", 2, BallPmt);
    lPerDue = AddRowLabel("lPerDue", 3, PerDue);
    lPYR = AddRowLabel("lPYR", 4, PYR);
    lCmpPYR = AddRowLabel("lCmpPYR", 5, CmpPYR);
    lPmtMthd = AddRowLabel("lPmtMthd", 6, PmtMthd);
    lPmt = AddRowLabel("lPmt", 7, Pmt);
    LayoutButtons(RowTop(8));
    SharedRecord();
    UseCountryMoneyMask({PV, BallPmt, Pmt});
}

const TRecordLayout& TcLoBallP::RecordLayout() const {
    static const TRecordLayout layout{
        D::Size,
        {"&Amount of Loan?:", "Annual &Rate? (%):", "Ball&oon After Payment No.?:",
         "&Balloon Payment?:", "Payme&nt Period?:", "Compounding Perio&d?:", "Payment &Method?:",
         "Payment Amount:"},
        {{D::PYR, &PaymentFrequencyList, 2},
         {D::CmpPYR, &FrequencyList, DefaultFrequency},
         {D::PmtMthd, &TimingList, DefaultTiming}}};
    return layout;
}

std::vector<TComponent*> TcLoBallP::TransferList() const {
    return {lPV, lRate, lPerDue, lBallPmt, lPYR, lCmpPYR, lPmtMthd, lPmt,
            PV,  Rate,  PerDue,  BallPmt,  PYR,  CmpPYR,  PmtMthd,  Pmt};
}

void TcLoBallP::Calculate(std::span<Byte> Data) {
    TBalloonValues v = Read(Data);
    const std::string message = SolveBalloon(v);
    if (!message.empty()) {
        MessageDlg(message, mtWarning, {mbOK}, 0);
        return;
    }
    PutLE<double>(Data, D::Pmt, v.Pmt);
}

std::vector<TCalcLine> TcLoBallP::ReportLines(std::span<const Byte> Data) const {
    const TBalloonValues v = Read(Data);
    TCalcLine rate = RateLine(CaptionOf(Data, 1), v.Rate);
    rate.CopyFormat = "%-24s %16.4n\r\n";
    TCalcLine balloon = MoneyLine(CaptionOf(Data, 3), v.BallPmt);
    balloon.CopyFormat = "%-24s %16.2n\r\n";
    return {MoneyLine(CaptionOf(Data, 0), v.PV),
            rate,
            balloon,
            CountLine(CaptionOf(Data, 2), v.PerDue),
            ChoiceLine(CaptionOf(Data, 4), ChoiceText(Data, D::PYR)),
            ChoiceLine(CaptionOf(Data, 5), ChoiceText(Data, D::CmpPYR)),
            ChoiceLine(CaptionOf(Data, 6), ChoiceText(Data, D::PmtMthd)),
            MoneyLine(CaptionOf(Data, 7), v.Pmt)};
}
