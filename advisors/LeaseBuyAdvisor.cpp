#include "advisors/LeaseBuyAdvisor.h"

#include "advisors/AdvisorMessages.h"
#include "advisors/BreakEvenCharts.h"
#include "advisors/LeaseCashFlowTable.h"
#include "advisors/LeaseNarrative.h"
#include "finance/LoanMath.h"
#include "platform/gui/Dialogs.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"
#include "report/RptBase.h"

#include <cmath>
#include <cstring>

const char* const NotLeaseBuyFile = "File NOT a Lease v. Buy Advisor file.";
const char* const OldLeaseBuyVersion = "File NOT current version of Lease v. Buy Advisor file.";

namespace {

// ----- The record: 85 slots, one per control, in the transfer list's order.
namespace D {
constexpr std::size_t Caption = CaptionSlotSize;
constexpr std::size_t Text = 31; // a 30-character edit
constexpr std::size_t Single = 4, Double = 8, Small = 2, Flag = 1, Combo = ComboBoxSlotSize;
// Page 0: 13 captions, then its fields.
constexpr std::size_t Asset = 13 * Caption;
constexpr std::size_t BuyerLessee = Asset + Text;
constexpr std::size_t DiscountRate = BuyerLessee + Text;
constexpr std::size_t BusinessUsePercent = DiscountRate + Single;
constexpr std::size_t TaxRate = BusinessUsePercent + Single;
constexpr std::size_t TaxRateSale = TaxRate + Single;
constexpr std::size_t TaxRateProperty = TaxRateSale + Single;
constexpr std::size_t PropTaxOnPurchase = TaxRateProperty + Single;
constexpr std::size_t PropTaxOnLease = PropTaxOnPurchase + Flag;
// Page 1: 11 captions.
constexpr std::size_t Page1 = PropTaxOnLease + Flag;
constexpr std::size_t Price = Page1 + 11 * Caption;
constexpr std::size_t PurchaseSalesTax = Price + Double;
constexpr std::size_t TaxFinanced = PurchaseSalesTax + Single;
constexpr std::size_t PurchaseDeposit = TaxFinanced + Flag;
constexpr std::size_t PurchaseRate = PurchaseDeposit + Double;
constexpr std::size_t PurchaseNumPmts = PurchaseRate + Single;
constexpr std::size_t PurchasePmtPYR = PurchaseNumPmts + Small;
constexpr std::size_t OverrideEndPurchase = PurchasePmtPYR + Combo;
constexpr std::size_t PurchaseEndValue = OverrideEndPurchase + Flag;
constexpr std::size_t DeductablePercent = PurchaseEndValue + Double;
// Page 2: 12 captions.
constexpr std::size_t Page2 = DeductablePercent + Single;
constexpr std::size_t LeasePmt = Page2 + 12 * Caption;
constexpr std::size_t LeaseNumPmts = LeasePmt + Double;
constexpr std::size_t LeasePmtPYR = LeaseNumPmts + Small;
constexpr std::size_t LeaseSalesTax = LeasePmtPYR + Combo;
constexpr std::size_t LeaseDeposit = LeaseSalesTax + Single;
constexpr std::size_t AcquisitionCosts = LeaseDeposit + Double;
constexpr std::size_t LeaseMiscExpense = AcquisitionCosts + Double;
constexpr std::size_t LeaseEndExpense = LeaseMiscExpense + Double;
constexpr std::size_t OverrideEndLease = LeaseEndExpense + Double;
constexpr std::size_t LeaseEndValue = OverrideEndLease + Flag;
constexpr std::size_t LeaseEndOptionPrice = LeaseEndValue + Double;
// Page 3: 10 captions.
constexpr std::size_t Page3 = LeaseEndOptionPrice + Double;
constexpr std::size_t Depreciate = Page3 + 10 * Caption;
constexpr std::size_t Life = Depreciate + Flag;
constexpr std::size_t DepreciationMthd = Life + Single;
constexpr std::size_t Section179Amt = DepreciationMthd + Combo;
constexpr std::size_t DeductDepositWhen = Section179Amt + Double;
constexpr std::size_t DeductSalesTaxWhen = DeductDepositWhen + Combo;
constexpr std::size_t Auto = DeductSalesTaxWhen + Combo;
constexpr std::size_t Listed = Auto + Flag;
constexpr std::size_t Memo = Listed + Flag;
constexpr std::size_t Size = Memo + ListRefSlotSize;
static_assert(Size == 13302);
} // namespace D

constexpr const char* RateMask = "##.####";
constexpr const char* ShareMask = "###.####";
constexpr int PageWidth = 600;
constexpr int PageHeight = 380;
constexpr int LabelWidth = 330;
constexpr int InputFieldLeft = 350;
constexpr int InputFieldWidth = 150;
constexpr int RowTop0 = 56;
constexpr int RowStep = 26;
// Help contexts of the pages' controls.
constexpr int PageHelp[] = {140, 141, 142, 143, 144, 145};
constexpr int FileHelp = 146;

int InputRowTop(int Row) {
    return RowTop0 + Row * RowStep;
}

bool Flag(std::span<const Byte> r, std::size_t at) {
    return r[at] != 0;
}

// ----- The file: offsets of its fields.
namespace F {
constexpr std::size_t Signature = 0, Version = 2, Asset = 4, BuyerLessee = 35, DiscountRate = 68,
                      BusinessUsePercent = 72, TaxRate = 76, TaxRateSale = 80, TaxRateProperty = 84,
                      Price = 92, PurchaseSalesTax = 100, TaxFinanced = 104, PurchaseDeposit = 108,
                      PurchaseRate = 116, PurchaseNumPmts = 120, PurchasePmtPYR = 122,
                      OverrideEndPurchase = 123, PurchaseEndValue = 124, DeductablePercent = 132,
                      LeasePmt = 136, LeaseNumPmts = 144, LeasePmtPYR = 146, LeaseSalesTax = 148,
                      LeaseDeposit = 152, AcquisitionCosts = 160, LeaseMiscExpense = 168,
                      LeaseEndExpense = 176, OverrideEndLease = 184, LeaseEndValue = 188,
                      LeaseEndOptionPrice = 196, Depreciate = 204, Life = 208,
                      DepreciationMthd = 212, Section179Amt = 216, DeductDepositWhen = 224,
                      DeductSalesTaxWhen = 225, Auto = 226, Listed = 227;
constexpr std::size_t TextSize = 31;
} // namespace F

// The most a stored count may be: what the picture "iiii" holds. A stored life may be what the
// engine works out from a long term, beyond the 31 years the field takes.
constexpr int MaxCount = 9999;

// Reads the file's fields, noting whether every one is acceptable.
class TFileReader {
public:
    explicit TFileReader(std::span<const Byte> bytes) : b_(bytes) {}
    bool Ok() const { return ok_; }

    std::string Text(std::size_t at) {
        const std::size_t length = b_[at];
        if (length >= F::TextSize) return Refuse();
        return std::string(reinterpret_cast<const char*>(&b_[at + 1]), length);
    }
    bool Bool(std::size_t at) {
        if (b_[at] > 1) ok_ = false;
        return b_[at] == 1;
    }
    LongInt Index(std::size_t at, LongInt count) {
        const LongInt index = b_[at];
        if (index >= count) ok_ = false;
        return index;
    }
    template <typename T>
    T Number(std::size_t at, double high) {
        const T value = GetLE<T>(b_, at);
        if (!std::isfinite(value) || value < 0 || value > high) ok_ = false;
        return value;
    }
    float Rate(std::size_t at) { return Number<float>(at, static_cast<float>(LeaseBuyMaxRate)); }
    float Share(std::size_t at) { return Number<float>(at, LeaseBuyMaxShare); }
    double Money(std::size_t at) { return Number<double>(at, LeaseBuyMaxMoney); }
    SmallInt Count(std::size_t at) {
        const SmallInt value = GetLE<SmallInt>(b_, at);
        if (value < 0 || value > MaxCount) ok_ = false;
        return value;
    }

private:
    std::string Refuse() {
        ok_ = false;
        return {};
    }
    std::span<const Byte> b_;
    bool ok_ = true;
};

void PutText(std::span<Byte> b, std::size_t at, const std::string& text) {
    const std::size_t length = std::min(text.size(), F::TextSize - 1);
    b[at] = static_cast<Byte>(length);
    std::memcpy(&b[at + 1], text.data(), length);
}

// Shows the advisors' messages as message boxes with an OK button while it lives.
class TAdvisorMessageBoxes {
public:
    TAdvisorMessageBoxes() : previous_(OnAdvisorMessage) {
        OnAdvisorMessage = [](TAdvisorMsgKind kind, const std::string& text) {
            const TMsgDlgType type = kind == amkError     ? mtError
                                     : kind == amkWarning ? mtWarning
                                                          : mtInformation;
            MessageDlg(text, type, {mbOK}, 0);
        };
    }
    ~TAdvisorMessageBoxes() { OnAdvisorMessage = previous_; }
    TAdvisorMessageBoxes(const TAdvisorMessageBoxes&) = delete;
    TAdvisorMessageBoxes& operator=(const TAdvisorMessageBoxes&) = delete;

private:
    TAdvisorMessageEvent previous_;
};

// The input lines of one field: caption and value in the field's copy and print formats.
TCalcLine Line(const std::string& caption, TVarRec value, const char* copy, const char* print) {
    return {caption, value, copy, print};
}
const char* YesNo(bool value) {
    return value ? "Yes" : "No";
}

} // namespace

// ----- "*.LB" files

std::array<Byte, LeaseBuyFileSize> EncodeLeaseBuyFile(const TLeaseBuyData& d) {
    std::array<Byte, LeaseBuyFileSize> file{};
    std::span<Byte> b(file);
    PutLE<Word>(b, F::Signature, LeaseBuyFileSignature);
    PutLE<Word>(b, F::Version, LeaseBuyFileVersion);
    PutText(b, F::Asset, d.Asset);
    PutText(b, F::BuyerLessee, d.BuyerLessee);
    PutLE<float>(b, F::DiscountRate, d.DiscountRate);
    PutLE<float>(b, F::BusinessUsePercent, d.BusinessUsePercent);
    PutLE<float>(b, F::TaxRate, d.TaxRate);
    PutLE<float>(b, F::TaxRateSale, d.TaxRateSale);
    PutLE<float>(b, F::TaxRateProperty, d.TaxRateProperty);
    PutLE<double>(b, F::Price, d.Price);
    PutLE<float>(b, F::PurchaseSalesTax, d.PurchaseSalesTax);
    b[F::TaxFinanced] = d.TaxFinanced;
    PutLE<double>(b, F::PurchaseDeposit, d.PurchaseDeposit);
    PutLE<float>(b, F::PurchaseRate, d.PurchaseRate);
    PutLE<SmallInt>(b, F::PurchaseNumPmts, d.PurchaseNumPmts);
    b[F::PurchasePmtPYR] = static_cast<Byte>(d.PurchasePmtPYR);
    b[F::OverrideEndPurchase] = d.OverrideEndPurchase;
    PutLE<double>(b, F::PurchaseEndValue, d.PurchaseEndValue);
    PutLE<float>(b, F::DeductablePercent, d.DeductablePercent);
    PutLE<double>(b, F::LeasePmt, d.LeasePmt);
    PutLE<SmallInt>(b, F::LeaseNumPmts, d.LeaseNumPmts);
    b[F::LeasePmtPYR] = static_cast<Byte>(d.LeasePmtPYR);
    PutLE<float>(b, F::LeaseSalesTax, d.LeaseSalesTax);
    PutLE<double>(b, F::LeaseDeposit, d.LeaseDeposit);
    PutLE<double>(b, F::AcquisitionCosts, d.AcquisitionCosts);
    PutLE<double>(b, F::LeaseMiscExpense, d.LeaseMiscExpense);
    PutLE<double>(b, F::LeaseEndExpense, d.LeaseEndExpense);
    b[F::OverrideEndLease] = d.OverrideEndLease;
    PutLE<double>(b, F::LeaseEndValue, d.LeaseEndValue);
    PutLE<double>(b, F::LeaseEndOptionPrice, d.LeaseEndOptionPrice);
    b[F::Depreciate] = d.Depreciate;
    PutLE<float>(b, F::Life, d.Life);
    b[F::DepreciationMthd] = static_cast<Byte>(d.DepreciationMthd);
    PutLE<double>(b, F::Section179Amt, d.Section179Amt);
    b[F::DeductDepositWhen] = static_cast<Byte>(d.DeductDepositWhen);
    b[F::DeductSalesTaxWhen] = static_cast<Byte>(d.DeductSalesTaxWhen);
    b[F::Auto] = d.Auto;
    b[F::Listed] = d.Listed;
    return file;
}

std::string DecodeLeaseBuyFile(std::span<const Byte> bytes, TLeaseBuyData& data) {
    if (bytes.size() != LeaseBuyFileSize ||
        GetLE<Word>(bytes, F::Signature) != LeaseBuyFileSignature)
        return NotLeaseBuyFile;
    if (GetLE<Word>(bytes, F::Version) != LeaseBuyFileVersion) return OldLeaseBuyVersion;
    TFileReader r(bytes);
    TLeaseBuyData d = data; // the property-tax flags stay
    d.Asset = r.Text(F::Asset);
    d.BuyerLessee = r.Text(F::BuyerLessee);
    d.DiscountRate = r.Rate(F::DiscountRate);
    d.BusinessUsePercent = r.Share(F::BusinessUsePercent);
    d.TaxRate = r.Rate(F::TaxRate);
    d.TaxRateSale = r.Rate(F::TaxRateSale);
    d.TaxRateProperty = r.Rate(F::TaxRateProperty);
    d.Price = r.Money(F::Price);
    d.PurchaseSalesTax = r.Rate(F::PurchaseSalesTax);
    d.TaxFinanced = r.Bool(F::TaxFinanced);
    d.PurchaseDeposit = r.Money(F::PurchaseDeposit);
    d.PurchaseRate = r.Rate(F::PurchaseRate);
    d.PurchaseNumPmts = r.Count(F::PurchaseNumPmts);
    d.PurchasePmtPYR = r.Index(F::PurchasePmtPYR, PaymentFrequencyCount);
    d.OverrideEndPurchase = r.Bool(F::OverrideEndPurchase);
    d.PurchaseEndValue = r.Money(F::PurchaseEndValue);
    d.DeductablePercent = r.Share(F::DeductablePercent);
    d.LeasePmt = r.Money(F::LeasePmt);
    d.LeaseNumPmts = r.Count(F::LeaseNumPmts);
    d.LeasePmtPYR = r.Index(F::LeasePmtPYR, PaymentFrequencyCount);
    d.LeaseSalesTax = r.Rate(F::LeaseSalesTax);
    d.LeaseDeposit = r.Money(F::LeaseDeposit);
    d.AcquisitionCosts = r.Money(F::AcquisitionCosts);
    d.LeaseMiscExpense = r.Money(F::LeaseMiscExpense);
    d.LeaseEndExpense = r.Money(F::LeaseEndExpense);
    d.OverrideEndLease = r.Bool(F::OverrideEndLease);
    d.LeaseEndValue = r.Money(F::LeaseEndValue);
    d.LeaseEndOptionPrice = r.Money(F::LeaseEndOptionPrice);
    d.Depreciate = r.Bool(F::Depreciate);
    d.Life = r.Number<float>(F::Life, MaxDepreciableLife);
    d.DepreciationMthd = r.Index(F::DepreciationMthd, DepreciationMethodCount);
    d.Section179Amt = r.Money(F::Section179Amt);
    d.DeductDepositWhen = r.Index(F::DeductDepositWhen, DeductionTimingCount);
    d.DeductSalesTaxWhen = r.Index(F::DeductSalesTaxWhen, DeductionTimingCount);
    d.Auto = r.Bool(F::Auto);
    d.Listed = r.Bool(F::Listed);
    if (!r.Ok()) return NotLeaseBuyFile;
    data = std::move(d);
    return {};
}

// ----- The record

TLeaseBuyData LeaseBuyDataOf(std::span<const Byte> r) {
    TLeaseBuyData d;
    d.Asset = GetSlotString(r.subspan(D::Asset, D::Text));
    d.BuyerLessee = GetSlotString(r.subspan(D::BuyerLessee, D::Text));
    d.DiscountRate = GetLE<float>(r, D::DiscountRate);
    d.BusinessUsePercent = GetLE<float>(r, D::BusinessUsePercent);
    d.TaxRate = GetLE<float>(r, D::TaxRate);
    d.TaxRateSale = GetLE<float>(r, D::TaxRateSale);
    d.TaxRateProperty = GetLE<float>(r, D::TaxRateProperty);
    d.PropTaxOnPurchase = Flag(r, D::PropTaxOnPurchase);
    d.PropTaxOnLease = Flag(r, D::PropTaxOnLease);
    d.Price = GetLE<double>(r, D::Price);
    d.PurchaseSalesTax = GetLE<float>(r, D::PurchaseSalesTax);
    d.TaxFinanced = Flag(r, D::TaxFinanced);
    d.PurchaseDeposit = GetLE<double>(r, D::PurchaseDeposit);
    d.PurchaseRate = GetLE<float>(r, D::PurchaseRate);
    d.PurchaseNumPmts = GetLE<SmallInt>(r, D::PurchaseNumPmts);
    d.PurchasePmtPYR = ChoiceIndex(r, D::PurchasePmtPYR);
    d.OverrideEndPurchase = Flag(r, D::OverrideEndPurchase);
    d.PurchaseEndValue = GetLE<double>(r, D::PurchaseEndValue);
    d.DeductablePercent = GetLE<float>(r, D::DeductablePercent);
    d.LeasePmt = GetLE<double>(r, D::LeasePmt);
    d.LeaseNumPmts = GetLE<SmallInt>(r, D::LeaseNumPmts);
    d.LeasePmtPYR = ChoiceIndex(r, D::LeasePmtPYR);
    d.LeaseSalesTax = GetLE<float>(r, D::LeaseSalesTax);
    d.LeaseDeposit = GetLE<double>(r, D::LeaseDeposit);
    d.AcquisitionCosts = GetLE<double>(r, D::AcquisitionCosts);
    d.LeaseMiscExpense = GetLE<double>(r, D::LeaseMiscExpense);
    d.LeaseEndExpense = GetLE<double>(r, D::LeaseEndExpense);
    d.OverrideEndLease = Flag(r, D::OverrideEndLease);
    d.LeaseEndValue = GetLE<double>(r, D::LeaseEndValue);
    d.LeaseEndOptionPrice = GetLE<double>(r, D::LeaseEndOptionPrice);
    d.Depreciate = Flag(r, D::Depreciate);
    d.Life = GetLE<float>(r, D::Life);
    d.DepreciationMthd = ChoiceIndex(r, D::DepreciationMthd);
    d.Section179Amt = GetLE<double>(r, D::Section179Amt);
    d.DeductDepositWhen = ChoiceIndex(r, D::DeductDepositWhen);
    d.DeductSalesTaxWhen = ChoiceIndex(r, D::DeductSalesTaxWhen);
    d.Auto = Flag(r, D::Auto);
    d.Listed = Flag(r, D::Listed);
    return d;
}

void PutLeaseBuyData(std::span<Byte> r, const TLeaseBuyData& d) {
    PutSlotString(r.subspan(D::Asset, D::Text), d.Asset);
    PutSlotString(r.subspan(D::BuyerLessee, D::Text), d.BuyerLessee);
    PutLE<float>(r, D::DiscountRate, d.DiscountRate);
    PutLE<float>(r, D::BusinessUsePercent, d.BusinessUsePercent);
    PutLE<float>(r, D::TaxRate, d.TaxRate);
    PutLE<float>(r, D::TaxRateSale, d.TaxRateSale);
    PutLE<float>(r, D::TaxRateProperty, d.TaxRateProperty);
    r[D::PropTaxOnPurchase] = d.PropTaxOnPurchase;
    r[D::PropTaxOnLease] = d.PropTaxOnLease;
    PutLE<double>(r, D::Price, d.Price);
    PutLE<float>(r, D::PurchaseSalesTax, d.PurchaseSalesTax);
    r[D::TaxFinanced] = d.TaxFinanced;
    PutLE<double>(r, D::PurchaseDeposit, d.PurchaseDeposit);
    PutLE<float>(r, D::PurchaseRate, d.PurchaseRate);
    PutLE<SmallInt>(r, D::PurchaseNumPmts, d.PurchaseNumPmts);
    SetChoiceIndex(r, D::PurchasePmtPYR, d.PurchasePmtPYR);
    r[D::OverrideEndPurchase] = d.OverrideEndPurchase;
    PutLE<double>(r, D::PurchaseEndValue, d.PurchaseEndValue);
    PutLE<float>(r, D::DeductablePercent, d.DeductablePercent);
    PutLE<double>(r, D::LeasePmt, d.LeasePmt);
    PutLE<SmallInt>(r, D::LeaseNumPmts, d.LeaseNumPmts);
    SetChoiceIndex(r, D::LeasePmtPYR, d.LeasePmtPYR);
    PutLE<float>(r, D::LeaseSalesTax, d.LeaseSalesTax);
    PutLE<double>(r, D::LeaseDeposit, d.LeaseDeposit);
    PutLE<double>(r, D::AcquisitionCosts, d.AcquisitionCosts);
    PutLE<double>(r, D::LeaseMiscExpense, d.LeaseMiscExpense);
    PutLE<double>(r, D::LeaseEndExpense, d.LeaseEndExpense);
    r[D::OverrideEndLease] = d.OverrideEndLease;
    PutLE<double>(r, D::LeaseEndValue, d.LeaseEndValue);
    PutLE<double>(r, D::LeaseEndOptionPrice, d.LeaseEndOptionPrice);
    r[D::Depreciate] = d.Depreciate;
    PutLE<float>(r, D::Life, d.Life);
    SetChoiceIndex(r, D::DepreciationMthd, d.DepreciationMthd);
    PutLE<double>(r, D::Section179Amt, d.Section179Amt);
    SetChoiceIndex(r, D::DeductDepositWhen, d.DeductDepositWhen);
    SetChoiceIndex(r, D::DeductSalesTaxWhen, d.DeductSalesTaxWhen);
    r[D::Auto] = d.Auto;
    r[D::Listed] = d.Listed;
}

// ----- The form

TaLeaseBuy::TaLeaseBuy(TComponent* AOwner)
    : TCalcForm(AOwner, ckLeaseBuy, "Lease vs. Buy Advisor") {
    FillDepreciationMethods();
    FillDeductionTimings();
    CalcPNL->SetVisible(false);
    CalcBTN->SetVisible(false);
    ResetBTN->SetVisible(false);
    UndoBTN->SetVisible(false);

    Notebook1 = new TNotebook(this);
    Notebook1->SetName("Notebook1");
    Notebook1->SetParent(this);
    Notebook1->SetBounds(0, 0, PageWidth, PageHeight);
    Notebook1->Pages()->Clear();
    for (const char* name :
         {"GeneralInfo", "Buy", "Lease", "Depreciation", "Results", "MoreResults"})
        Notebook1->Pages()->Add(name);

    BuildFields();
    BuildInputPages();
    BuildResultPages();
    BuildCashFlowTable();
    BuildButtons();
    BindHandlers();
    TNotifyEvent patternShow = OnShow;
    OnShow = [this, patternShow](TObject* s) {
        patternShow(s);
        LeaseFormShow(s);
    };
    SharedRecord();
    UseCountryMoneyMask({Price, PurchaseDeposit, PurchaseEndValue, LeasePmt, LeaseDeposit,
                         LeaseMiscExpense, LeaseEndExpense, LeaseEndValue, LeaseEndOptionPrice,
                         Section179Amt});
}

void TaLeaseBuy::BuildFields() {
    Asset = AddField<TEdit>("Asset", pgGeneralInfo, PageHelp[0]);
    BuyerLessee = AddField<TEdit>("BuyerLessee", pgGeneralInfo, PageHelp[0]);
    for (TEdit* edit : {Asset, BuyerLessee})
        edit->SetMaxLength(30);
    DiscountRate = AddNumber("DiscountRate", pgGeneralInfo, nftSingle, RateMask, PageHelp[0]);
    BusinessUsePercent =
        AddNumber("BusinessUsePercent", pgGeneralInfo, nftSingle, ShareMask, PageHelp[0]);
    TaxRate = AddNumber("TaxRate", pgGeneralInfo, nftSingle, RateMask, PageHelp[0]);
    TaxRateSale = AddNumber("TaxRateSale", pgGeneralInfo, nftSingle, RateMask, PageHelp[0]);
    TaxRateProperty = AddNumber("TaxRateProperty", pgGeneralInfo, nftSingle, RateMask, PageHelp[0]);
    PropTaxOnPurchase = AddYesNo("PropTaxOnPurchase", pgGeneralInfo, PageHelp[0]);
    PropTaxOnLease = AddYesNo("PropTaxOnLease", pgGeneralInfo, PageHelp[0]);

    Price = AddNumber("Price", pgBuy, nftDouble, CalcMoneyMask, PageHelp[1]);
    PurchaseSalesTax = AddNumber("PurchaseSalesTax", pgBuy, nftSingle, RateMask, PageHelp[1]);
    TaxFinanced = AddYesNo("TaxFinanced", pgBuy, PageHelp[1]);
    PurchaseDeposit = AddNumber("PurchaseDeposit", pgBuy, nftDouble, CalcMoneyMask, PageHelp[1]);
    PurchaseRate = AddNumber("PurchaseRate", pgBuy, nftSingle, RateMask, PageHelp[1]);
    PurchaseNumPmts = AddNumber("PurchaseNumPmts", pgBuy, nftInteger, "iiii", PageHelp[1]);
    PurchasePmtPYR = AddList("PurchasePmtPYR", pgBuy, PageHelp[1]);
    PurchaseEndValue = AddNumber("PurchaseEndValue", pgBuy, nftDouble, CalcMoneyMask, PageHelp[1]);
    DeductablePercent = AddNumber("DeductablePercent", pgBuy, nftSingle, ShareMask, PageHelp[1]);

    LeasePmt = AddNumber("LeasePmt", pgLease, nftDouble, CalcMoneyMask, PageHelp[2]);
    LeaseNumPmts = AddNumber("LeaseNumPmts", pgLease, nftInteger, "iiii", PageHelp[2]);
    LeasePmtPYR = AddList("LeasePmtPYR", pgLease, PageHelp[2]);
    LeaseSalesTax = AddNumber("LeaseSalesTax", pgLease, nftSingle, RateMask, PageHelp[2]);
    LeaseDeposit = AddNumber("LeaseDeposit", pgLease, nftDouble, CalcMoneyMask, PageHelp[2]);
    AcquisitionCosts =
        AddNumber("AcquisitionCosts", pgLease, nftDouble, CalcMoneyMask, PageHelp[2]);
    LeaseMiscExpense =
        AddNumber("LeaseMiscExpense", pgLease, nftDouble, CalcMoneyMask, PageHelp[2]);
    LeaseEndExpense = AddNumber("LeaseEndExpense", pgLease, nftDouble, CalcMoneyMask, PageHelp[2]);
    LeaseEndValue = AddNumber("LeaseEndValue", pgLease, nftDouble, CalcMoneyMask, PageHelp[2]);
    LeaseEndOptionPrice =
        AddNumber("LeaseEndOptionPrice", pgLease, nftDouble, CalcMoneyMask, PageHelp[2]);

    Depreciate = AddYesNo("Depreciate", pgDepreciation, PageHelp[3]);
    Life = AddNumber("Life", pgDepreciation, nftSingle, "##.#", PageHelp[3]);
    DepreciationMthd = AddList("DepreciationMthd", pgDepreciation, PageHelp[3]);
    Section179Amt =
        AddNumber("Section179Amt", pgDepreciation, nftDouble, CalcMoneyMask, PageHelp[3]);
    DeductDepositWhen = AddList("DeductDepositWhen", pgDepreciation, PageHelp[3]);
    DeductSalesTaxWhen = AddList("DeductSalesTaxWhen", pgDepreciation, PageHelp[3]);
    Auto = AddYesNo("Auto", pgDepreciation, PageHelp[3]);
    Listed = AddYesNo("Listed", pgDepreciation, PageHelp[3]);
}

void TaLeaseBuy::BuildInputPages() {
    BuildInputPage(pgGeneralInfo, labels_[0], 2,
                   {Asset, BuyerLessee, DiscountRate, BusinessUsePercent, TaxRate, TaxRateSale,
                    TaxRateProperty, PropTaxOnPurchase, PropTaxOnLease});
    BuildInputPage(pgBuy, labels_[1], 2,
                   {Price, PurchaseSalesTax, TaxFinanced, PurchaseDeposit, PurchaseRate,
                    PurchaseNumPmts, PurchasePmtPYR, PurchaseEndValue, DeductablePercent});
    BuildInputPage(pgLease, labels_[2], 2,
                   {LeasePmt, LeaseNumPmts, LeasePmtPYR, LeaseSalesTax, LeaseDeposit,
                    AcquisitionCosts, LeaseMiscExpense, LeaseEndExpense, LeaseEndValue,
                    LeaseEndOptionPrice});
    BuildInputPage(pgDepreciation, labels_[3], 2,
                   {Depreciate, Life, DepreciationMthd, Section179Amt, DeductDepositWhen,
                    DeductSalesTaxWhen, Auto, Listed});

    // The override boxes sit beside the end values they unlock.
    auto overrideBox = [this](const char* name, int page, TWinControl* beside) {
        auto* box = new TCheckBox(this);
        box->SetName(name);
        box->SetParent(Notebook1->Page(page));
        box->SetCaption("");
        box->SetBounds(InputFieldLeft + InputFieldWidth + 10, beside->Top() + 2, 20, 20);
        box->SetHelpContext(PageHelp[page]);
        box->SetHint("Select to override \r calculated value.");
        box->OnClick = [this](TObject* s) { OverrideClick(s); };
        return box;
    };
    OverrideEndPurchase = overrideBox("OverrideEndPurchase", pgBuy, PurchaseEndValue);
    OverrideEndLease = overrideBox("OverrideEndLease", pgLease, LeaseEndValue);
}

void TaLeaseBuy::BuildResultPages() {
    TGroupBox* results = AddGroup("GroupBox1", pgResults, " Lease vs Buy Results ");
    Memo1 = new TMemo(this);
    Memo1->SetName("Memo1");
    Memo1->SetParent(results);
    Memo1->SetBounds(10, 20, PageWidth - 36, PageHeight - 46);
    Memo1->SetScrollBars(ssVertical);
    Memo1->SetWordWrap(false);
    Memo1->SetHelpContext(PageHelp[4]);
}

void TaLeaseBuy::BuildCashFlowTable() {
    TGroupBox* reports = AddGroup("GroupBox2", pgMoreResults, " Cash Flow Reports ");
    VcTCColHead1 = new TVcTCColHead(this);
    VcTCColHead1->SetName("VcTCColHead1");
    VcTCColHead1->SetShowLetters(false);
    LabelCell = new TVcTCString(this);
    LabelCell->SetName("LabelCell");
    LabelCell->Font()->SetStyle({fsBold});
    LabelCell->SetAdjust(otaCenterLeft);
    ValueCell = new TVcTCString(this);
    ValueCell->SetName("ValueCell");
    ValueCell->Font()->SetName("Courier New");
    ValueCell->SetAdjust(otaCenterRight);
    VcTable1 = new TVcTable(this);
    VcTable1->SetName("VcTable1");
    VcTable1->SetParent(reports);
    VcTable1->SetBounds(10, 20, PageWidth - 36, PageHeight - 46);
    VcTable1->SetController(DefaultController);
    VcTable1->SetHelpContext(PageHelp[5]);
    VcTable1->SetColCount(CashFlowCellCount + 1);
    VcTable1->SetRowLimit(CashFlowRowCount + 1);
    VcTable1->SetLockedRowsCell(VcTCColHead1);
    VcTable1->SetAccess(otxReadOnly);
    VcTable1->SetOptions(VcTable1->Options() + TVcTblOptionSet{otoNoRowResizing});
    for (LongInt c = 0; c <= CashFlowCellCount; ++c) {
        VcTable1->Columns()->Items(c)->SetWidth(c == 0 ? 180 : 90);
        VcTable1->Columns()->Items(c)->SetDefaultCell(c == 0 ? LabelCell : ValueCell);
    }
    VcTable1->OnGetCellData = [this](TObject* s, LongInt r, LongInt c, void*& d,
                                     TVcCellDataPurpose p) { VcTable1GetCellData(s, r, c, d, p); };
}

TGroupBox* TaLeaseBuy::AddGroup(const char* Name, int Page, const char* Caption) {
    auto* box = new TGroupBox(this);
    box->SetName(Name);
    box->SetParent(Notebook1->Page(Page));
    box->SetCaption(Caption);
    box->SetBounds(8, 8, PageWidth - 16, PageHeight - 16);
    return box;
}

void TaLeaseBuy::BuildButtons() {
    PriorBTN = AddNavButton("PriorBTN", [this](TObject* s) { PriorBTNClick(s); });
    NextBTN = AddNavButton("NextBTN", [this](TObject* s) { NextBTNClick(s); });
    FileBTN = AddNavButton("FileBTN", [this](TObject* s) { FileBTNClick(s); });
    FileBTN->SetCaption("&File");
    FileBTN->SetHelpContext(FileHelp);
    PrintBtn->OnClick = [this](TObject* s) { PrintBtnClick(s); };
    CopyBTN->OnClick = [this](TObject* s) { CopyBTNClick(s); };
    int left = 8;
    for (TButton* button : {PriorBTN, NextBTN, PrintBtn, CopyBTN, FileBTN, HelpBTN, CloseBTN}) {
        button->SetParent(this);
        button->SetBounds(left, PageHeight + 8, 80, 25);
        left += 84;
    }
    FileMenu = new TPopupMenu(this);
    FileMenu->SetName("FileMenu");
    FileMenu->Items()->Add(NewItem(this, "Open...", 0, [this](TObject* s) { O1Click(s); }));
    FileMenu->Items()->Add(NewItem(this, "Save...", 0, [this](TObject* s) { S1Click(s); }));
    SetClientWidth(PageWidth);
    SetClientHeight(PageHeight + 41);
}

void TaLeaseBuy::BindHandlers() {
    Price->OnExit = [this](TObject* s) { PriceExit(s); };
    PurchaseDeposit->OnExit = [this](TObject* s) { PriceExit(s); };
    TaxRate->OnExit = [this](TObject* s) { TaxRateExit(s); };
    LeaseEndValue->OnExit = [this](TObject* s) { LeaseEndValueExit(s); };
    Depreciate->OnChange = [this](TObject* s) { DepreciateChange(s); };
    DepreciationMthd->OnChange = [this](TObject* s) { DepreciationMthdChange(s); };
    Notebook1->OnPageChanged = [this](TObject* s) { Notebook1PageChanged(s); };
}

void TaLeaseBuy::LeaseFormShow(TObject*) {
    Life->SetRangeHi("31");
    const bool buttonHints = CalcHost() && CalcHost()->ButtonHints();
    const struct {
        TButton* Button;
        const char* Hint;
        const char* Caption;
        int Context;
    } buttons[] = {{PriorBTN, "Previous step.", "Pr&ior", 21},
                   {NextBTN, "Next step.", "Ne&xt", 21},
                   {FileBTN, "Save/Get Data", "&File", FileHelp},
                   {PrintBtn, "Print results", "R&eset", 26},
                   {CopyBTN, "Copy to clipboard", "&Undo", 30}};
    for (const auto& b : buttons) {
        b.Button->SetHint(b.Hint);
        b.Button->SetCaption(b.Caption);
        b.Button->SetHelpContext(b.Context);
        b.Button->SetShowHint(buttonHints);
    }
    const bool hints = CalcHost() && CalcHost()->ShowHints();
    OverrideEndPurchase->SetShowHint(hints);
    OverrideEndLease->SetShowHint(hints);
    Notebook1->SetPageIndex(pgGeneralInfo);
    Notebook1PageChanged(Notebook1);
    UpdateOverrides();
}

template <typename T>
T* TaLeaseBuy::AddField(const std::string& Name, int Page, int HelpContext) {
    auto* control = new T(this);
    control->SetName(Name);
    control->SetParent(Notebook1->Page(Page));
    control->SetBounds(InputFieldLeft, 0, InputFieldWidth, 22);
    control->SetHelpContext(HelpContext);
    return control;
}

TVcNumericField* TaLeaseBuy::AddNumber(const std::string& Name, int Page, TNumericDataType Type,
                                       const char* Mask, int HelpContext) {
    auto* field = AddField<TVcNumericField>(Name, Page, HelpContext);
    field->SetController(DefaultController);
    field->SetDataType(Type);
    field->SetPictureMask(Mask);
    return field;
}

TVcPictureField* TaLeaseBuy::AddYesNo(const std::string& Name, int Page, int HelpContext) {
    auto* field = AddField<TVcPictureField>(Name, Page, HelpContext);
    field->SetController(DefaultController);
    field->SetDataType(pftYesNo);
    field->SetWidth(30);
    return field;
}

TComboBox* TaLeaseBuy::AddList(const std::string& Name, int Page, int HelpContext) {
    auto* combo = AddField<TComboBox>(Name, Page, HelpContext);
    combo->SetStyle(csDropDownList);
    return combo;
}

TButton* TaLeaseBuy::AddNavButton(const std::string& Name, TNotifyEvent OnClick) {
    auto* button = new TButton(this);
    button->SetName(Name);
    button->SetParent(this);
    button->OnClick = std::move(OnClick);
    return button;
}

// A page's labels in record order: Intro lines at the top, then one label per row of fields
// (each focusing its field); the general page's two notes come after its rates and before its
// property-tax flags, and show below them.
void TaLeaseBuy::BuildInputPage(int Page, std::vector<TLabel*>& Labels, int Intro,
                                const std::vector<TWinControl*>& Rows) {
    TWinControl* page = Notebook1->Page(Page);
    auto label = [&](int left, int top, int width, TWinControl* focus) {
        auto* l = new TLabel(this);
        l->SetName("Label" + std::to_string(Page) + "_" + std::to_string(Labels.size()));
        l->SetParent(page);
        l->SetAutoSize(false);
        l->SetBounds(left, top, width, 16);
        if (focus) l->SetFocusControl(focus);
        Labels.push_back(l);
    };
    for (int k = 0; k < Intro; ++k)
        label(10, 8 + 18 * k, PageWidth - 20, nullptr);
    const bool notes = Page == pgGeneralInfo;
    const int fieldRows = static_cast<int>(Rows.size()) - (notes ? 2 : 0);
    for (int k = 0; k < fieldRows; ++k) {
        Rows[static_cast<std::size_t>(k)]->SetTop(InputRowTop(k));
        label(10, InputRowTop(k) + 3, LabelWidth, Rows[static_cast<std::size_t>(k)]);
    }
    if (!notes) return;
    const int flagsRow = fieldRows;
    for (int k = 0; k < 2; ++k)
        label(10, InputRowTop(flagsRow + 2) + 12 + 18 * k, PageWidth - 20, nullptr);
    for (int k = 0; k < 2; ++k) {
        TWinControl* flag = Rows[static_cast<std::size_t>(fieldRows + k)];
        flag->SetTop(InputRowTop(flagsRow + k));
        label(10, InputRowTop(flagsRow + k) + 3, LabelWidth, flag);
    }
}

const TRecordLayout& TaLeaseBuy::RecordLayout() const {
    static const TRecordLayout layout{
        D::Size,
        {"This Advisor compares the cost of leasing to the cost of buying...",
         "First, the Advisor needs some preliminary information:",
         "&Asset to be bought or leased?:", "Prospective &buyer or lessee?:",
         "&Discount rate or cost of capital? (%):", "Perce&nt used for business? (%):",
         "&Marginal tax rate on ordinary income? (%):", "Marginal &tax rate on sale of asset? (%):",
         "Property tax &rate? (%):",
         "Please note that it is not necesssary to answer all of the questions...",
         "You may press [F1] at any time for detail help on what is and isn't required.",
         "Pr&operty tax on purchase? (Y/N):", "Pro&perty tax on lease? (Y/N):"},
        {{D::PurchasePmtPYR, &PaymentFrequencyList, 2},
         {D::LeasePmtPYR, &PaymentFrequencyList, 2},
         {D::DepreciationMthd, &DepreciationMethodList, dm200DB},
         {D::DeductDepositWhen, &DeductionTimingList, dtFirst},
         {D::DeductSalesTaxWhen, &DeductionTimingList, dtFirst}},
        {{D::Page1,
          {"The following information is used to look at the purchase ",
           "side costs of the analysis.", "&Price of asset?:", "&Sales tax on purchase? (%):",
           "&Will sales tax be financed? (Y/N):", "Purchase &down payment?:",
           "&Annual loan rate? (%):", "&Number of payments? (#):", "Pay&ment frequency?:",
           "Estimated &resale value at end of financing?:",
           "Percent &of interest that is deductible? (%):"}},
         {D::Page2,
          {"The following information is used to look at the lease", "side costs of the analysis.",
           "&Periodic lease payment amount?:", "&Number of lease payments? (#):",
           "P&ayment frequency?:", "&Sales tax on lease? (%):", "&Refundable lease deposit?:",
           "Nonrefundable &deposit or acquisition costs?:", "&Miscellaneous annual lease expense?:",
           "&Termination fee?:", "Estimated resale &value at end of lease?:",
           "End of &lease option price?:"}},
         {D::Page3,
          {"&Business use and depreciation of the asset affects taxes...",
           "which naturally affects the analysis.", "&Will this asset be depreciated? (Y/N):",
           "&Depreciable life in years?:", "Depreciation &method used?:", "&Section 179 Expense?:",
           "Deduct lease's &acquisition costs when?:", "&Lease's sales tax paid when?:",
           "Is &the asset an auto? (Y/N):", "Is the asset a listed &property? (Y/N):"}}},
        {D::Memo}};
    return layout;
}

std::unique_ptr<TTransferRecord> TaLeaseBuy::MakeRecord() const {
    std::unique_ptr<TTransferRecord> record = TCalcForm::MakeRecord();
    PutLeaseBuyData(record->Data(), TLeaseBuyData());
    return record;
}

void TaLeaseBuy::ResetRecord(std::span<Byte> Data) {
    ResetValues(Data, RecordLayout());
    PutLeaseBuyData(Data, TLeaseBuyData());
}

std::vector<TComponent*> TaLeaseBuy::TransferList() const {
    std::vector<TComponent*> list;
    auto add = [&](const std::vector<TLabel*>& labels, std::initializer_list<TComponent*> fields) {
        list.insert(list.end(), labels.begin(), labels.end());
        list.insert(list.end(), fields.begin(), fields.end());
    };
    add(labels_[0], {Asset, BuyerLessee, DiscountRate, BusinessUsePercent, TaxRate, TaxRateSale,
                     TaxRateProperty, PropTaxOnPurchase, PropTaxOnLease});
    add(labels_[1],
        {Price, PurchaseSalesTax, TaxFinanced, PurchaseDeposit, PurchaseRate, PurchaseNumPmts,
         PurchasePmtPYR, OverrideEndPurchase, PurchaseEndValue, DeductablePercent});
    add(labels_[2],
        {LeasePmt, LeaseNumPmts, LeasePmtPYR, LeaseSalesTax, LeaseDeposit, AcquisitionCosts,
         LeaseMiscExpense, LeaseEndExpense, OverrideEndLease, LeaseEndValue, LeaseEndOptionPrice});
    add(labels_[3], {Depreciate, Life, DepreciationMthd, Section179Amt, DeductDepositWhen,
                     DeductSalesTaxWhen, Auto, Listed});
    list.push_back(Memo1);
    return list;
}

// ----- Moving through the pages

void TaLeaseBuy::Notebook1PageChanged(TObject*) {
    const int page = Notebook1->PageIndex();
    PriorBTN->SetEnabled(page != pgGeneralInfo);
    const bool input = page <= pgDepreciation;
    PrintBtn->SetCaption(input ? "R&eset" : "&Print");
    CopyBTN->SetCaption(input ? "&Undo" : "Cop&y");
    NextBTN->SetCaption(page == pgDepreciation  ? "&Calc"
                        : page == pgResults     ? "More"
                        : page == pgMoreResults ? "Charts"
                                                : "Ne&xt");
    TWinControl* focus[] = {Asset, Price, LeasePmt, Depreciate, nullptr, VcTable1};
    TWinControl* target = focus[page];
    if (target && Showing() && target->CanFocus()) target->SetFocus();
}

void TaLeaseBuy::NextBTNClick(TObject*) {
    const int page = Notebook1->PageIndex();
    if (page == pgDepreciation) {
        ran_ = false;
        CalcBTNClick(this);
        if (!ran_) {
            // The user stays on the page of the inputs to correct.
            Notebook1->SetPageIndex(page - 1);
            Notebook1->SetPageIndex(page);
            return;
        }
    }
    if (page < pgMoreResults) {
        Notebook1->SetPageIndex(page + 1);
    } else {
        const TLeaseBuyData data = LeaseBuyDataOf(SharedRecord().Data());
        TchLeaseBuy charts(this, &data);
        charts.ShowModal();
    }
    PriorBTN->SetEnabled(true);
}

void TaLeaseBuy::PriorBTNClick(TObject*) {
    if (Notebook1->PageIndex() > pgGeneralInfo) Notebook1->SetPageIndex(Notebook1->PageIndex() - 1);
    NextBTN->SetEnabled(true);
}

void TaLeaseBuy::Calculate(std::span<Byte> Data) {
    TLeaseBuyData data = LeaseBuyDataOf(Data);
    bool ran = false;
    {
        // The engine's messages show as message boxes while it runs.
        TAdvisorMessageBoxes boxes;
        TWaitCursor wait;
        ran = ValidateAndRunLeaseBuy(data);
    }
    // The engine may have filled in the life and the end values.
    PutLeaseBuyData(Data, data);
    if (!ran) return;
    TStrings* lines = TextListOf(Data, D::Memo);
    lines->Clear();
    for (std::size_t k = 0; k < LeaseBuyNarrative.size(); ++k) {
        AddWrappedLines(*lines, LeaseBuyNarrative[k], AdvisorNarrativeWidth);
        if (k + 1 < LeaseBuyNarrative.size()) lines->Add("");
    }
    VcTCColHead1->Headings()->Clear();
    for (const std::string& heading : CashFlowHeadings(LeaseBuyResults))
        VcTCColHead1->Headings()->Add(heading);
    VcTable1->InvalidateTable();
    ran_ = true;
}

void TaLeaseBuy::VcTable1GetCellData(TObject*, LongInt RowNum, LongInt ColNum, void*& Data,
                                     TVcCellDataPurpose) {
    Data = nullptr;
    if (RowNum < 1 || RowNum > CashFlowRowCount || ColNum < 0 || ColNum > CashFlowCellCount) return;
    const TCashFlowRow& row = CashFlowReport[static_cast<std::size_t>(RowNum - 1)];
    const std::string& text =
        ColNum == 0 ? row.Label : row.Cells[static_cast<std::size_t>(ColNum - 1)];
    PutSlotString(std::span<Byte>(reinterpret_cast<Byte*>(cellBuffer_.data()), cellBuffer_.size()),
                  text);
    Data = cellBuffer_.data();
}

// ----- Buttons of two meanings

void TaLeaseBuy::PrintBtnClick(TObject* Sender) {
    if (Notebook1->PageIndex() <= pgDepreciation)
        ResetBTNClick(Sender);
    else
        TCalcForm::PrintBtnClick(Sender);
    UpdateOverrides();
}

void TaLeaseBuy::CopyBTNClick(TObject* Sender) {
    if (Notebook1->PageIndex() <= pgDepreciation)
        UndoBTNClick(Sender);
    else
        TCalcForm::CopyBTNClick(Sender);
    UpdateOverrides();
}

std::vector<TCalcLine> TaLeaseBuy::ReportLines(std::span<const Byte> Data) const {
    const TLeaseBuyData d = LeaseBuyDataOf(Data);
    auto caption = [&](std::size_t page, int k) {
        const std::size_t starts[] = {0, D::Page1, D::Page2, D::Page3};
        return GetSlotString(
            Data.subspan(starts[page] + static_cast<std::size_t>(k) * D::Caption, D::Caption));
    };
    const char* rateCopy = "%-24s %3.4N\r\n";
    const char* ratePrint = "\t%-24s\t%16.4n";
    const char* moneyCopy = "%-24s %16.2m\r\n";
    const char* moneyPrint = "\t%-24s\t%16.2m";
    const char* countCopy = "%-24s %16d\r\n";
    const char* countPrint = "\t%-24s\t%16d";
    const char* listCopy = "%-24s %16s\r\n";
    const char* textPrint = "\t%-24s\t%s";
    const TCalcLine gap{"", 0, "", ""};
    auto list = [&](std::size_t slot) { return ChoiceText(Data, slot); };
    return {Line(caption(0, 2), d.Asset, "%-24s %s\r\n", textPrint),
            Line(caption(0, 3), d.BuyerLessee, "%-24s %S\r\n", textPrint),
            Line(caption(0, 4), d.DiscountRate, rateCopy, ratePrint),
            Line(caption(0, 5), d.BusinessUsePercent, rateCopy, ratePrint),
            Line(caption(0, 6), d.TaxRate, rateCopy, ratePrint),
            Line(caption(0, 7), d.TaxRateSale, rateCopy, ratePrint),
            Line(caption(0, 8), d.TaxRateProperty, rateCopy, ratePrint),
            Line(caption(0, 11), YesNo(d.PropTaxOnPurchase), "%-24s %S\r\n", textPrint),
            Line(caption(0, 12), YesNo(d.PropTaxOnLease), "%-24s %S\r\n", textPrint),
            gap,
            Line(caption(1, 2), d.Price, moneyCopy, moneyPrint),
            Line(caption(1, 3), d.PurchaseSalesTax, rateCopy, ratePrint),
            Line(caption(1, 4), YesNo(d.TaxFinanced), "%-24s %s\r\n", textPrint),
            Line(caption(1, 5), d.PurchaseDeposit, moneyCopy, moneyPrint),
            Line(caption(1, 6), d.PurchaseRate, rateCopy, ratePrint),
            Line(caption(1, 7), static_cast<int>(d.PurchaseNumPmts), countCopy, countPrint),
            Line(caption(1, 8), list(D::PurchasePmtPYR), listCopy, textPrint),
            Line(caption(1, 9), d.PurchaseEndValue, moneyCopy, moneyPrint),
            Line(caption(1, 10), d.DeductablePercent, rateCopy, ratePrint),
            gap,
            Line(caption(2, 2), d.LeasePmt, moneyCopy, moneyPrint),
            Line(caption(2, 3), static_cast<int>(d.LeaseNumPmts), countCopy, countPrint),
            Line(caption(2, 4), list(D::LeasePmtPYR), listCopy, textPrint),
            Line(caption(2, 5), d.LeaseSalesTax, "%-24s %3.4n\r\n", ratePrint),
            Line(caption(2, 6), d.LeaseDeposit, moneyCopy, moneyPrint),
            Line(caption(2, 7), d.AcquisitionCosts, moneyCopy, moneyPrint),
            Line(caption(2, 8), d.LeaseMiscExpense, moneyCopy, moneyPrint),
            Line(caption(2, 9), d.LeaseEndExpense, moneyCopy, moneyPrint),
            Line(caption(2, 10), d.LeaseEndValue, moneyCopy, moneyPrint),
            Line(caption(2, 11), d.LeaseEndOptionPrice, moneyCopy, moneyPrint),
            gap,
            Line(caption(3, 2), YesNo(d.Depreciate), "%-24s %s\r\n", "\t%-24s\t%16s"),
            Line(caption(3, 3), d.Life, "%-24s %16.2n\r\n", "\t%-24s\t%16.2n"),
            Line(caption(3, 4), list(D::DepreciationMthd), listCopy, textPrint),
            Line(caption(3, 5), d.Section179Amt, moneyCopy, moneyPrint),
            Line(caption(3, 6), list(D::DeductDepositWhen), listCopy, textPrint),
            Line(caption(3, 7), list(D::DeductSalesTaxWhen), listCopy, textPrint),
            Line(caption(3, 8), YesNo(d.Auto), "%-24s %s\r\n", "\t%-24s\t%16s"),
            Line(caption(3, 9), YesNo(d.Listed), "%-24s %s\r\n", "\t%-24s\t%16s"),
            gap};
}

std::string TaLeaseBuy::CopyTrailer(std::span<const Byte> Data) const {
    std::string text = "\r\n\r\n";
    const TStrings* lines = TextListOf(Data, D::Memo);
    for (int k = 0; k < lines->Count(); ++k)
        text += lines->Strings(k) + "\r\n";
    return text + "\r\n\r\n";
}

void TaLeaseBuy::PrintTrailer(TBaseReport& Report, std::span<const Byte> Data) const {
    Report.NewPage();
    Report.ClearTabs();
    const TStrings* lines = TextListOf(Data, D::Memo);
    for (int k = 0; k < lines->Count(); ++k)
        Report.PrintLn(lines->Strings(k));
}

// ----- Files

void TaLeaseBuy::FileBTNClick(TObject*) {
    const TPoint at = FileBTN->ClientToScreen(TPoint{0, FileBTN->Height()});
    FileMenu->Popup(at.X, at.Y);
}

void TaLeaseBuy::S1Click(TObject*) {
    std::string name;
    AskSaveFileName("Lease v. Buy Advisor (*.LB)", "LB", name);
    if (!name.empty()) SaveToFile(name);
}

void TaLeaseBuy::O1Click(TObject*) {
    std::string name;
    AskOpenFileName("Lease v. Buy Advisor (*.LB)", "LB", name);
    if (!name.empty()) OpenFromFile(name);
}

void TaLeaseBuy::SaveToFile(const std::string& FileName) {
    TWaitCursor wait;
    if (!ControlsTo(SharedRecord())) return;
    const auto bytes = EncodeLeaseBuyFile(LeaseBuyDataOf(SharedRecord().Data()));
    TFileStream file(FileName, fmCreate);
    file.WriteBuffer(bytes.data(), static_cast<LongInt>(bytes.size()));
}

void TaLeaseBuy::OpenFromFile(const std::string& FileName) {
    std::vector<Byte> bytes;
    {
        TWaitCursor wait;
        TFileStream file(FileName, fmOpenRead);
        // One byte more than a file holds tells a longer file from a right one.
        bytes.resize(LeaseBuyFileSize + 1);
        bytes.resize(
            static_cast<std::size_t>(file.Read(bytes.data(), static_cast<LongInt>(bytes.size()))));
    }
    TLeaseBuyData data = LeaseBuyDataOf(SharedRecord().Data());
    const std::string refusal = DecodeLeaseBuyFile(bytes, data);
    if (!refusal.empty()) {
        MessageDlg(refusal, mtError, {mbOK}, 0);
        return;
    }
    PutLeaseBuyData(SharedRecord().Data(), data);
    RecordToControls();
    UpdateOverrides();
}

// ----- Field rules

void TaLeaseBuy::PriceExit(TObject*) {
    double price = 0.0, deposit = 0.0;
    if (Price->GetValue(&price) != 0 || PurchaseDeposit->GetValue(&deposit) != 0) return;
    if (deposit <= price) return;
    MessageDlg("Down payment must be less than Price.", mtError, {mbOK}, 0);
    // The field is cleared with the record, so the refused amount cannot come back from it.
    PutLE<double>(SharedRecord().Data(), D::PurchaseDeposit, 0.0);
    PurchaseDeposit->SetAsFloat(0.0);
}

void TaLeaseBuy::TaxRateExit(TObject*) {
    if (TaxRateSale->AsFloat() == 0.0) TaxRateSale->SetAsFloat(TaxRate->AsFloat());
}

void TaLeaseBuy::LeaseEndValueExit(TObject*) {
    if (LeaseEndOptionPrice->AsFloat() == 0.0)
        LeaseEndOptionPrice->SetAsFloat(LeaseEndValue->AsFloat());
}

void TaLeaseBuy::DepreciateChange(TObject*) {
    const bool depreciate = Depreciate->AsBoolean();
    DepreciationMthd->SetEnabled(depreciate);
    Section179Amt->SetEnabled(depreciate);
    if (Showing() && Life->CanFocus()) Life->SetFocus();
}

void TaLeaseBuy::OverrideClick(TObject*) {
    UpdateOverrides();
}

void TaLeaseBuy::UpdateOverrides() {
    PurchaseEndValue->SetEnabled(OverrideEndPurchase->Checked());
    LeaseEndValue->SetEnabled(OverrideEndLease->Checked());
}

void TaLeaseBuy::DepreciationMthdChange(TObject*) {
    Auto->SetAsBoolean(IsAutoMethod(static_cast<Byte>(DepreciationMthd->ItemIndex())));
}
