#include "app/AffordableHouseCalculator.h"

#include "finance/AffordableHouse.h"
#include "platform/gui/Dialogs.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Streams.h"
#include "report/RptBase.h"

namespace {

// TAffHsCalcData: ten captions (the last one the result sentence), then the values.
namespace D {
constexpr std::size_t Size = 2618;
constexpr std::size_t AnnualIncome = 2560;
constexpr std::size_t NumPmts = 2568;
constexpr std::size_t Rate = 2570;
constexpr std::size_t EstTaxIns = 2574;
constexpr std::size_t AffHs = 2582;
constexpr std::size_t CashAvailable = 2590;
constexpr std::size_t EstMaintenance = 2598;
constexpr std::size_t PercentIncome = 2606;
constexpr std::size_t AmtFin = 2610;
constexpr int ResultCaption = 9;
} // namespace D

constexpr const char* MoneyMask = "$###,###,###.##";

TAffHsValues Read(std::span<const Byte> data) {
    TAffHsValues v;
    v.AnnualIncome = GetLE<double>(data, D::AnnualIncome);
    v.NumPmts = GetLE<SmallInt>(data, D::NumPmts);
    v.Rate = GetLE<float>(data, D::Rate);
    v.EstTaxIns = GetLE<double>(data, D::EstTaxIns);
    v.AffHs = GetLE<double>(data, D::AffHs);
    v.CashAvailable = GetLE<double>(data, D::CashAvailable);
    v.EstMaintenance = GetLE<double>(data, D::EstMaintenance);
    v.PercentIncome = GetLE<float>(data, D::PercentIncome);
    v.AmtFin = GetLE<double>(data, D::AmtFin);
    return v;
}

TCalcLine Wide(TCalcLine line, const char* copyFormat) {
    line.CopyFormat = copyFormat;
    return line;
}

} // namespace

TcLoAffHs::TcLoAffHs(TComponent* AOwner) : TCalcForm(AOwner, ckAffHouse, "Affordable House") {
    AnnualIncome = AddNumber("AnnualIncome", 0, nftDouble, MoneyMask, 135);
    CashAvailable = AddNumber("CashAvailable", 1, nftDouble, MoneyMask, 135);
    Rate = AddNumber("Rate", 2, nftSingle, "##.####", 9);
    NumPmts = AddNumber("NumPmts", 3, nftInteger, "ii,iii", 97);
    EstTaxIns = AddNumber("EstTaxIns", 4, nftDouble, MoneyMask, 135);
    EstMaintenance = AddNumber("EstMaintenance", 5, nftDouble, MoneyMask, 135);
    PercentIncome = AddNumber("PercentIncome", 6, nftSingle, "##.####", 135);
    AmtFin = AddNumber("AmtFin", 7, nftDouble, MoneyMask, 135);
    AffHs = AddNumber("AffHs", 8, nftDouble, MoneyMask, 135);
    lAnnualIncome = AddRowLabel("lAnnualIncome", 0, AnnualIncome);
    lCashAvailable = AddRowLabel("lCashAvailable", 1, CashAvailable);
    lRate = AddRowLabel("lRate", 2, Rate);
    lNumPmts = AddRowLabel("lNumPmts", 3, NumPmts);
    lEstTaxIns = AddRowLabel("lEstTaxIns", 4, EstTaxIns);
    lEstMaintenance = AddRowLabel("lEstMaintenance", 5, EstMaintenance);
    lPercentIncome = AddRowLabel("lPercentIncome", 6, PercentIncome);
    lAmtFin = AddRowLabel("lAmtFin", 7, AmtFin);
    lAffHs = AddRowLabel("lAffHs", 8, AffHs);
    lResult = AddLabel("lResult", LabelLeft, RowTop(9), FieldLeft + FieldWidth - LabelLeft);
    lResult->SetAlignment(taCenter);
    LayoutButtons(RowTop(10));
    SharedRecord();
    UseCountryMoneyMask({AnnualIncome, CashAvailable, EstTaxIns, EstMaintenance, AmtFin, AffHs});
}

// A caption's "&&" is the "&" of its text: the label shows one, and so do the copy and the
// printout, which take the first "&" of a caption out.
const TRecordLayout& TcLoAffHs::RecordLayout() const {
    static const TRecordLayout layout{
        D::Size,
        {"&Buyer's Annual Income?:", "C&ash Available?:", "Annual &Rate? (%):",
         "Est. Taxes && Insurance?:", "Affordable House:", "&Number of Periods (#)?:",
         "Est. Maintenance?:", " Percent of Income for Payments?:", "Amount Financed:",
         "Cash Available is 28.9% of House Price."},
        {}};
    return layout;
}

std::vector<TComponent*> TcLoAffHs::TransferList() const {
    return {lAnnualIncome, lCashAvailable,  lRate,          lEstTaxIns, lAffHs,
            lNumPmts,      lEstMaintenance, lPercentIncome, lAmtFin,    lResult,
            AnnualIncome,  NumPmts,         Rate,           EstTaxIns,  AffHs,
            CashAvailable, EstMaintenance,  PercentIncome,  AmtFin};
}

void TcLoAffHs::Calculate(std::span<Byte> Data) {
    TAffHsValues v = Read(Data);
    const std::string message = SolveAffordableHouse(v);
    if (!message.empty()) {
        MessageDlg(message, mtError, {mbOK}, 0);
        return;
    }
    PutLE<double>(Data, D::AmtFin, v.AmtFin);
    PutLE<double>(Data, D::AffHs, v.AffHs);
    PutCaptionSlot(Data, D::ResultCaption * CaptionSlotSize, v.Result);
}

void TcLoAffHs::ResetRecord(std::span<Byte> Data) {
    // The captions come back too, so the sample sentence shows until the next calculation.
    const std::unique_ptr<TTransferRecord> fresh = MakeRecord();
    std::copy(fresh->Data().begin(), fresh->Data().end(), Data.begin());
}

std::vector<TCalcLine> TcLoAffHs::ReportLines(std::span<const Byte> Data) const {
    const TAffHsValues v = Read(Data);
    return {Wide(MoneyLine(CaptionOf(Data, 0), v.AnnualIncome), "%-34s %16.2m\r\n"),
            Wide(MoneyLine(CaptionOf(Data, 1), v.CashAvailable), "%-34s %16.2m\r\n"),
            Wide(RateLine(CaptionOf(Data, 2), v.Rate), "%-34s %16.4n\r\n"),
            Wide(CountLine(CaptionOf(Data, 5), v.NumPmts), "%-34s %16d\r\n"),
            Wide(MoneyLine(CaptionOf(Data, 3), v.EstTaxIns), "%-34s %16.2m\r\n"),
            Wide(MoneyLine(CaptionOf(Data, 6), v.EstMaintenance), "%-34s %16.2m\r\n"),
            Wide(RateLine(CaptionOf(Data, 7), v.PercentIncome), "%-34s %16.4n\r\n"),
            Wide(MoneyLine(CaptionOf(Data, 8), v.AmtFin), "%-34s %16.2m\r\n"),
            Wide(MoneyLine(CaptionOf(Data, 4), v.AffHs), "%-34s %16.2m\r\n")};
}

std::string TcLoAffHs::CopyTrailer(std::span<const Byte> Data) const {
    return Format("%34s\r\n", {CaptionOf(Data, D::ResultCaption)});
}

void TcLoAffHs::PrintTrailer(TBaseReport& Report, std::span<const Byte> Data) const {
    Report.NewLine();
    Report.PrintCenter(CaptionOf(Data, D::ResultCaption), 4.25);
}
