#include "advisors/LeaseNarrative.h"

#include "finance/LoanMath.h"
#include "finance/TextRoutines.h"
#include "platform/rtl/Numbers.h"

#include <cmath>
#include <numeric>

std::array<std::string, LeaseBuyParagraphs> LeaseBuyNarrative;

namespace {

// The rate picture "##.###"; the highest rates the advisor takes round to 100.000 and get a
// third integer place.
std::string RateText(double value) {
    return PictureText(std::fabs(value) < 99.9995 ? "##.###" : "###.###", value);
}
std::string Share(double value) {
    return PictureText("###", value);
}
std::string Count(int value) {
    return IntToStr(value);
}

double Sum(const std::vector<double>& row) {
    return std::accumulate(row.begin(), row.end(), 0.0);
}

// The asset's name followed by separator, or "asset" when it has none.
std::string AssetName(const TLeaseBuyData& d, const char* separator) {
    return (d.Asset.empty() ? std::string("asset") : d.Asset) + separator;
}

// A piece written only under its condition.
void AddIf(std::string& text, bool condition, const std::string& piece) {
    if (condition) text += piece;
}

// Expenses named in a sentence: each piece written under its condition, and the amounts of the
// pieces written summed.
struct TExpenseList {
    std::string& Text;
    double Total = 0.0;
    void Add(bool condition, const char* piece, double amount) {
        AddIf(Text, condition, piece);
        if (condition) Total += amount;
    }
};

std::string Assumptions(const TLeaseBuyData& d) {
    std::string p = "In analyzing whether you should lease or finance the acquisition of the " +
                    AssetName(d, ", ") + "there were a number of assumptions made. " +
                    "First, the initial value of the asset is " + MoneyText(d.Price) + ". ";
    if (d.DiscountRate > 0.0f) {
        p += "Additionally, it is assumed that your discount rate is " + RateText(d.DiscountRate);
        AddIf(p, d.TaxRate < 0.1f, "%. ");
    }
    if (d.TaxRate > 0.0f && d.DiscountRate > 0.0f)
        p += "% and that your marginal tax rate is " + RateText(d.TaxRate) + "%. ";
    else if (d.TaxRate > 0.0f && d.DiscountRate < 0.1f)
        p += "Additionally, it is assumed that your marginal tax rate is " + RateText(d.TaxRate) +
             "%. ";
    if (d.BusinessUsePercent > 0.0f) {
        p += "The asset will be used for business " + Share(d.BusinessUsePercent) +
             "% of the time. ";
        const bool section179 = d.Section179Amt > 0.0;
        if (d.Depreciate) {
            p += "Depreciation will be taken on the buy side. ";
            AddIf(p, section179, "Also, a 179 expense deduction will be taken. ");
        } else {
            p += "No depreciation will be taken. ";
            AddIf(p, section179, "However, a 179 expense deduction will be taken. ");
        }
    } else {
        p += "The asset will not be used for business. There will be no allowance for "
             "depreciation nor will a 179 expense deduction be taken. ";
    }
    if (d.DiscountRate >= 0.1f)
        p += "The conclusion drawn here is based upon a Present Value Analysis. That is, the net "
             "difference between buying and leasing is expressed in today's dollars. ";
    else
        p += "Since a discount rate was NOT indicated, the conclusion is based upon a Cash "
             "Analysis. By not entering a discount rate, you are indicating that receiving one "
             "dollar four years from now is the same as having one dollar today.";
    return p;
}

std::string FinanceSide(const TLeaseBuyData& d, const TLeaseBuyResults& r) {
    std::string p = "Looking first at the finance side of the lease vs buy equation...";
    p += d.TaxFinanced ? "the amount being financed, including sales tax, is "
                       : "the amount being financed is ";
    p += MoneyText(r.LoanAmount) + " and the total of the " + Count(d.PurchaseNumPmts) +
         " payments will be " + MoneyText(static_cast<double>(r.TotalPayments)) + ". ";

    const bool upFrontTax = !d.TaxFinanced && r.SalesTaxUpFront < 0.0;
    const double financedTax = -RoundToCents(0.01 * AsTyped(d.PurchaseSalesTax) * d.Price);
    if (upFrontTax)
        p += "Also, since the taxes are not being financed, there will be an up front charge of " +
             MoneyText(r.SalesTaxUpFront) + " to cover local sales taxes. ";
    else if (d.TaxFinanced && financedTax != 0.0)
        p += "Since sales or use taxes are being financed, the total include " +
             MoneyText(financedTax) + " to cover these local taxes. ";
    else
        p += " There is no sales tax being collected on this purchase. ";

    p += " At the end of the financing, it is expected that the " + AssetName(d, " ") +
         "will have a fair market value (adjusted basis) of " +
         MoneyText(r.EndValue[static_cast<std::size_t>(r.FinalColumn())]) + ". ";

    p += " Your out-of-pocket expenses including ";
    TExpenseList expenses{p};
    expenses.Add(d.PurchaseDeposit > 0.0, "downpayment ", -d.PurchaseDeposit);
    expenses.Add(upFrontTax, ", sales tax ", r.SalesTaxUpFront);
    expenses.Add(d.TaxRateProperty > 0.0f, ", property tax ", r.TotalPropertyTax);
    expenses.Add(r.TaxOnSale > 0.0, ", tax on the sale of the asset ", r.TaxOnSale);
    p += "and the total of the periodic payment is " +
         MoneyText(static_cast<double>(r.TotalPayments) + expenses.Total) + ". ";

    if (d.BusinessUsePercent > 0.0f) {
        p += "Since the asset will be used for business, the government helps to underwrite the "
             "purchase cost by granting various deductions. The total tax savings from";
        AddIf(p, d.Section179Amt > 0.0, " the 179 Deduction");
        AddIf(p, r.SalesTaxUpFront < 0.0, ", a sales tax deduction");
        AddIf(p, r.Depreciation[1] > 0.0, ", depreciation");
        AddIf(p, r.PurchasePropertyTax[1] < 0.0, ", a property tax deduction");
        p += " and the interest deduction is " + MoneyText(Sum(r.PurchaseTaxSavings)) + ". ";
    }
    p += "The net cost to finance the use of this asset for " + Count(d.PurchaseNumPmts) +
         " payments, after expenditures and the allowance for any tax benefits and assuming that "
         "the asset is sold for the estimated selling price of " +
         MoneyText(d.PurchaseEndValue) + ", will be " + MoneyText(Sum(r.PurchaseCashFlow)) +
         " or expressed in today's money (NPV), that equals " + MoneyText(r.PurchaseNPV) + ".";
    return p;
}

// The miscellaneous lease expenses over the whole analysis.
double TotalMiscExpense(const TLeaseBuyData& d, const TLeaseBuyResults& r) {
    double total = 0.0;
    for (int y = 1; y <= r.FinalColumn(); ++y)
        total += LeaseMiscExpenseOfYear(d, r, y);
    return total;
}

std::string LeaseSide(const TLeaseBuyData& d, const TLeaseBuyResults& r) {
    std::string p = "Looking next at the lease side, the total of the " + Count(d.LeaseNumPmts) +
                    " lease payments will be " + MoneyText(r.TotalLeasePayments) + ". ";
    p += "Other out-of-pocket expenses including ";
    TExpenseList other{p};
    other.Add(d.AcquisitionCosts > 0.0, " up front acquisition costs", -d.AcquisitionCosts);
    other.Add(r.LeaseSalesTaxAmount > 0.0, ", applicable sales tax", -r.LeaseSalesTaxAmount);
    other.Add(d.LeaseMiscExpense > 0.0, ", miscellaneous periodic lease expenses",
              -TotalMiscExpense(d, r));
    other.Add(r.LeasePropertyTax[1] < 0.0, ", property taxes", Sum(r.LeasePropertyTax));
    other.Add(d.LeaseEndExpense > 0.0, ", and end-of-lease expenses", -d.LeaseEndExpense);
    p += " will come to " + MoneyText(other.Total) + ". ";

    if (d.BusinessUsePercent > 0.0f) {
        p += "Again, since the asset will be used for business, there are various tax deductions "
             "which help to offset the cost of the lease. The total tax savings from ";
        AddIf(p, d.AcquisitionCosts > 0.0, "the initial acquisition costs");
        AddIf(p, d.LeaseMiscExpense > 0.0, ", periodic miscellaneous lease expenses");
        AddIf(p, d.LeaseEndExpense > 0.0, ", an end-of-lease charge");
        p += " and regular lease payments is " + MoneyText(Sum(r.LeaseTaxSavings)) + ". ";
    }
    const double gain = d.LeaseEndValue - d.LeaseEndOptionPrice;
    const bool profit = gain > 1.0;
    if (profit)
        p += "Since the fair market value is greater than the end-of-lease option price, this "
             "analysis will assume that the asset is bought and then immediately sold for a "
             "profit of " +
             MoneyText(gain) + ". (There will be a tax liability of " + MoneyText(r.TaxOnOption) +
             " as the result of this sale.) ";
    p += "The net cost to lease this asset for " + Count(d.LeaseNumPmts) +
         " payments, after expenditures and the allowance for any tax benefits";
    AddIf(p, !profit, " and assuming that the asset is not purchased at the end of the lease");
    p += ", will be " + MoneyText(Sum(r.LeaseCashFlow)) +
         " or expressed in today's money (NPV), that equals " + MoneyText(r.LeaseNPV) + ".";
    return p;
}

std::string BottomLine(const TLeaseBuyResults& r) {
    const double purchase = std::fabs(r.PurchaseNPV);
    const double lease = std::fabs(r.LeaseNPV);
    std::string p =
        "Bottom line? Assuming that the asset will be disposed of, it is ESTIMATED that ";
    if (lease > purchase)
        p += "the lease will cost " + MoneyText(lease - purchase) +
             " more than the financing scenario (" + MoneyText(lease) + " vs. " +
             MoneyText(purchase) +
             "). All things being equal, it seems as if the financing is the best course to "
             "follow. ";
    else
        p += "the financing will cost " + MoneyText(purchase - lease) + " more than leasing (" +
             MoneyText(purchase) + " vs. " + MoneyText(lease) +
             "). All things being equal, it seems that leasing is the best course to follow. ";
    return p;
}

} // namespace

void BuildLeaseBuyNarrative(const TLeaseBuyData& data) {
    const TLeaseBuyResults& r = LeaseBuyResults;
    LeaseBuyNarrative = {Assumptions(data), FinanceSide(data, r), LeaseSide(data, r), BottomLine(r),
                         std::string()};
}
