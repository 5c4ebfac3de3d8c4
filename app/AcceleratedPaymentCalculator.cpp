#include "app/AcceleratedPaymentCalculator.h"

#include "finance/AcceleratedPayment.h"
#include "finance/LoanMath.h"
#include "platform/gui/Dialogs.h"
#include "platform/rtl/Streams.h"

namespace {

// TAccelCalcData: eleven captions, the results, the method, the loan, three choices, the extra.
namespace D {
constexpr std::size_t Size = 3906;
constexpr std::size_t IntSaved = 2816;
constexpr std::size_t PerOff = 2824;
constexpr std::size_t AmortMthd = 2826;
constexpr std::size_t PV = 3090;
constexpr std::size_t NumPmts = 3098;
constexpr std::size_t Rate = 3100;
constexpr std::size_t IncPer = 3104;
constexpr std::size_t PYR = 3106;
constexpr std::size_t CmpPYR = 3370;
constexpr std::size_t PmtMthd = 3634;
constexpr std::size_t ExtraPd = 3898;
} // namespace D

constexpr TLoanTermSlots Terms{D::PV,     D::NumPmts, D::Rate,     D::PYR,
                               D::CmpPYR, D::PmtMthd, D::AmortMthd};

constexpr const char* MoneyMask = "$###,###,###.##";

TAccelValues Read(std::span<const Byte> data) {
    TAccelValues v;
    ReadLoanTerms(data, Terms, v);
    v.IncPer = GetLE<SmallInt>(data, D::IncPer);
    v.ExtraPd = GetLE<double>(data, D::ExtraPd);
    v.PerOff = GetLE<SmallInt>(data, D::PerOff);
    v.IntSaved = GetLE<double>(data, D::IntSaved);
    return v;
}

} // namespace

TcLoAccel::TcLoAccel(TComponent* AOwner)
    : TCalcForm(AOwner, ckAccel, "Accelerated Payment Calculator") {
    PV = AddNumber("PV", 0, nftDouble, MoneyMask, 1);
    NumPmts = AddNumber("NumPmts", 1, nftInteger, "ii,iii", 97);
    Rate = AddNumber("Rate", 2, nftSingle, "##.####", 9);
    IncPer = AddNumber("IncPer", 3, nftInteger, "ii,iii", 32);
    ExtraPd = AddNumber("ExtraPd", 4, nftDouble, MoneyMask, 32);
    PYR = AddRowChoice("PYR", 5, 16);
    CmpPYR = AddRowChoice("CmpPYR", 6, 13);
    PmtMthd = AddRowChoice("PmtMthd", 7, 25);
    AmortMthd = AddRowChoice("AmortMthd", 8, 14);
    PerOff = AddNumber("PerOff", 9, nftInteger, "ii,iii", 32);
    IntSaved = AddNumber("IntSaved", 10, nftDouble, MoneyMask, 32);
    lPV = AddRowLabel("lPV", 0, PV);
    lNumPmts = AddRowLabel("lNumPmts", 1, NumPmts);
    lRate = AddRowLabel("lRate", 2, Rate);
    lIncPer = AddRowLabel("lIncPer", 3, IncPer);
    lExtraPd = AddRowLabel("lExtraPd", 4, ExtraPd);
    lPYR = AddRowLabel("lPYR", 5, PYR);
    lCmpPYR = AddRowLabel("lCmpPYR", 6, CmpPYR);
    lPmtMthd = AddRowLabel("lPmtMthd", 7, PmtMthd);
    lAmortMthd = AddRowLabel("lAmortMthd", 8, AmortMthd);
    lPerOff = AddRowLabel("lPerOff", 9, PerOff);
    lIntSaved = AddRowLabel("lIntSaved", 10, IntSaved);
    LayoutButtons(RowTop(11));
    SharedRecord();
    UseCountryMoneyMask({PV, ExtraPd, IntSaved});
}

const TRecordLayout& TcLoAccel::RecordLayout() const {
    static const TRecordLayout layout{
        D::Size,
        {"&Amount of Loan?:", "&Total Periods? (#):", "Annual &Rate? (%):",
         "Increa&se AFTER Period? (#):", "Payme&nt Period?:", "Compounding Perio&d?:",
         "Payment &Method?:", "Amorti&zing Method?:", "Periods to Pay Off:",
         "Total Interest Saved:", "E&xtra Amount Paid? (#):"},
        {{D::AmortMthd, &AmortMethodList, DefaultAmortMethod},
         {D::PYR, &PaymentFrequencyList, 2},
         {D::CmpPYR, &FrequencyList, DefaultFrequency},
         {D::PmtMthd, &TimingList, DefaultTiming}}};
    return layout;
}

std::vector<TComponent*> TcLoAccel::TransferList() const {
    return {lPV,     lNumPmts,  lRate,    lIncPer,  lPYR,    lCmpPYR,   lPmtMthd, lAmortMthd,
            lPerOff, lIntSaved, lExtraPd, IntSaved, PerOff,  AmortMthd, PV,       NumPmts,
            Rate,    IncPer,    PYR,      CmpPYR,   PmtMthd, ExtraPd};
}

void TcLoAccel::BeforeCalculate() {
    if (AmortMthd->ItemIndex() == amCanadian) {
        PYR->SetItemIndex(2);
        CmpPYR->SetItemIndex(CanadianCompounding);
    }
}

void TcLoAccel::Calculate(std::span<Byte> Data) {
    TAccelValues v = Read(Data);
    const std::string message = SolveAccelerated(v);
    if (!message.empty()) MessageDlg(message, mtWarning, {mbOK}, 0);
    PutLE<SmallInt>(Data, D::PerOff, v.PerOff);
    PutLE<double>(Data, D::IntSaved, v.IntSaved);
}

std::vector<TCalcLine> TcLoAccel::ReportLines(std::span<const Byte> Data) const {
    const TAccelValues v = Read(Data);
    return {MoneyLine(CaptionOf(Data, 0), v.PV),
            CountLine(CaptionOf(Data, 1), v.NumPmts),
            RateLine(CaptionOf(Data, 2), v.Rate),
            CountLine(CaptionOf(Data, 3), v.IncPer),
            MoneyLine(CaptionOf(Data, 10), v.ExtraPd),
            ChoiceLine(CaptionOf(Data, 4), ChoiceText(Data, D::PYR)),
            ChoiceLine(CaptionOf(Data, 5), ChoiceText(Data, D::CmpPYR)),
            ChoiceLine(CaptionOf(Data, 6), ChoiceText(Data, D::PmtMthd)),
            ChoiceLine(CaptionOf(Data, 7), ChoiceText(Data, D::AmortMthd)),
            CountLine(CaptionOf(Data, 8), v.PerOff),
            MoneyLine(CaptionOf(Data, 9), v.IntSaved)};
}
