#include "advisors/LeaseNarrative.h"

#include "controls/entry/RegionalConventions.h"

#include <gtest/gtest.h>

namespace {

bool Has(const std::string& text, const std::string& piece) {
    return text.find(piece) != std::string::npos;
}

class LeaseNarrTest : public ::testing::Test {
protected:
    void SetUp() override {
        TVcIntlSup& intl = VcIntlSup();
        intl.DecimalSeparator = '.';
        intl.ThousandSeparator = ',';
        intl.CurrencyPrefix = intl.CurrencySuffix = "$";
        TLeaseBuyResults& r = LeaseBuyResults;
        r = TLeaseBuyResults();
        r.AnalysisYears = 3;
        r.LeasePPY = r.PurchasePPY = 12;
        for (std::vector<double>* row :
             {&r.YearPayments, &r.Depreciation, &r.EndValue, &r.PurchaseTaxSavings,
              &r.PurchasePropertyTax, &r.PurchaseCashFlow, &r.LeasePropertyTax, &r.LeaseTaxSavings,
              &r.LeaseCashFlow})
            row->assign(LeaseBuyYearColumns, 0.0);
        r.LoanAmount = 27000;
        r.TotalPayments = -3045.67;
        r.EndValue[3] = 11520;
        r.PurchaseCashFlow[0] = -4000;
        r.PurchaseCashFlow[3] = -1000.5;
        r.PurchaseNPV = -4900.25;
        r.TotalLeasePayments = -9720;
        r.LeaseCashFlow[1] = -6000;
        r.LeaseNPV = -5950.75;
        data.Price = 30000;
        data.PurchaseNumPmts = 60;
        data.LeaseNumPmts = 36;
        data.PurchaseEndValue = 11520;
    }
    std::string Paragraph(int p) {
        BuildLeaseBuyNarrative(data);
        return LeaseBuyNarrative[static_cast<std::size_t>(p)];
    }
    TLeaseBuyData data;
};

} // namespace

TEST_F(LeaseNarrTest, PlainCaseWordForWord) {
    BuildLeaseBuyNarrative(data);
    EXPECT_EQ(
        LeaseBuyNarrative[0],
        "In analyzing whether you should lease or finance the acquisition of the asset, there "
        "were a number of assumptions made. First, the initial value of the asset is "
        "$30,000.00. The asset will not be used for business. There will be no allowance "
        "for depreciation nor will a 179 expense deduction be taken. Since a discount rate "
        "was NOT indicated, the conclusion is based upon a Cash Analysis. By not entering a "
        "discount rate, you are indicating that receiving one dollar four years from now is "
        "the same as having one dollar today.");
    EXPECT_EQ(LeaseBuyNarrative[1],
              "Looking first at the finance side of the lease vs buy equation...the amount being "
              "financed is $27,000.00 and the total of the 60 payments will be -$3,045.67.  There "
              "is no sales tax being collected on this purchase.  At the end of the financing, it "
              "is expected that the asset will have a fair market value (adjusted basis) of "
              "$11,520.00.  Your out-of-pocket expenses including and the total of the periodic "
              "payment is -$3,045.67. The net cost to finance the use of this asset for 60 "
              "payments, after expenditures and the allowance for any tax benefits and assuming "
              "that the asset is sold for the estimated selling price of $11,520.00, will be "
              "-$5,000.50 or expressed in today's money (NPV), that equals -$4,900.25.");
    EXPECT_EQ(LeaseBuyNarrative[2],
              "Looking next at the lease side, the total of the 36 lease payments will be "
              "-$9,720.00. Other out-of-pocket expenses including  will come to $0.00. The net "
              "cost to lease this asset for 36 payments, after expenditures and the allowance for "
              "any tax benefits and assuming that the asset is not purchased at the end of the "
              "lease, will be -$6,000.00 or expressed in today's money (NPV), that equals "
              "-$5,950.75.");
    EXPECT_EQ(LeaseBuyNarrative[3],
              "Bottom line? Assuming that the asset will be disposed of, it is ESTIMATED that the "
              "lease will cost $1,050.50 more than the financing scenario ($5,950.75 vs. "
              "$4,900.25). All things being equal, it seems as if the financing is the best "
              "course to follow. ");
    EXPECT_EQ(LeaseBuyNarrative[4], "");
}

TEST_F(LeaseNarrTest, AssetNameAndRates) {
    data.Asset = "Truck";
    data.DiscountRate = 0.05f;
    data.TaxRate = 0;
    const std::string p1 = Paragraph(0);
    EXPECT_TRUE(Has(p1, "acquisition of the Truck, there were"));
    // A discount rate below 0.1 is named but the conclusion is a cash analysis.
    EXPECT_TRUE(Has(p1, "your discount rate is 0.050%. "));
    EXPECT_TRUE(Has(p1, "based upon a Cash Analysis"));
    EXPECT_TRUE(Has(Paragraph(1), "expected that the Truck will have"));

    data.DiscountRate = 8;
    data.TaxRate = 33;
    const std::string both = Paragraph(0);
    EXPECT_TRUE(Has(both, "your discount rate is 8.000% and that your marginal tax rate is "
                          "33.000%. "));
    EXPECT_TRUE(Has(both, "based upon a Present Value Analysis. That is, the net difference"));
    data.DiscountRate = 0;
    EXPECT_TRUE(Has(Paragraph(0), "Additionally, it is assumed that your marginal tax rate is "
                                  "33.000%. "));
}

TEST_F(LeaseNarrTest, BusinessUseAndDeductions) {
    data.BusinessUsePercent = 75;
    data.Section179Amt = 2000;
    EXPECT_TRUE(Has(Paragraph(0),
                    "used for business 75% of the time. Depreciation will be taken "
                    "on the buy side. Also, a 179 expense deduction will be taken. "));
    data.Depreciate = false;
    EXPECT_TRUE(Has(Paragraph(0), "No depreciation will be taken. However, a 179 expense "
                                  "deduction will be taken. "));
    LeaseBuyResults.PurchaseTaxSavings[1] = 1234.5;
    EXPECT_TRUE(Has(Paragraph(1), "The total tax savings from the 179 Deduction and the interest "
                                  "deduction is $1,234.50. "));
    data.Section179Amt = 0;
    // No deduction named: the sentence runs straight on to the interest deduction.
    EXPECT_TRUE(Has(Paragraph(1), "The total tax savings from and the interest deduction is "));
    LeaseBuyResults.Depreciation[1] = 100;
    LeaseBuyResults.PurchasePropertyTax[1] = -50;
    EXPECT_TRUE(Has(Paragraph(1), "savings from, depreciation, a property tax deduction and the"));
}

TEST_F(LeaseNarrTest, OutOfPocketExpenses) {
    data.PurchaseDeposit = 3000;
    data.TaxRateProperty = 1;
    LeaseBuyResults.SalesTaxUpFront = -1500;
    LeaseBuyResults.TotalPropertyTax = -700;
    const std::string p2 = Paragraph(1);
    EXPECT_TRUE(Has(p2, "up front charge of -$1,500.00 to cover local sales taxes. "));
    EXPECT_TRUE(Has(p2, "including downpayment , sales tax , property tax and the total of the "
                        "periodic payment is -$8,245.67. "));
    data.TaxFinanced = true;
    data.PurchaseSalesTax = 5;
    LeaseBuyResults.SalesTaxUpFront = 0;
    EXPECT_TRUE(Has(Paragraph(1), "financed, including sales tax, is $27,000.00"));
    EXPECT_TRUE(Has(Paragraph(1), "Since sales or use taxes are being financed, the total include "
                                  "-$1,500.00 to cover these local taxes. "));
    // A financed tax below half a cent is no tax.
    data.Price = 0.09;
    EXPECT_TRUE(Has(Paragraph(1), "  There is no sales tax being collected on this purchase. "));
    data.Price = 30000;

    data.AcquisitionCosts = 700;
    data.LeaseMiscExpense = 120;
    data.LeaseEndExpense = 250;
    LeaseBuyResults.LeaseSalesTaxAmount = 600;
    LeaseBuyResults.LeasePropertyTax[1] = -240;
    LeaseBuyResults.LeasePropertyTax[2] = -200;
    EXPECT_TRUE(Has(Paragraph(2), "including  up front acquisition costs, applicable sales tax, "
                                  "miscellaneous periodic lease expenses, property taxes, and "
                                  "end-of-lease expenses will come to -$2,350.00. "));
}

TEST_F(LeaseNarrTest, OptionGainAndBottomLine) {
    data.LeaseEndValue = 15001;
    data.LeaseEndOptionPrice = 15000;
    const std::string atOne = Paragraph(2);
    EXPECT_FALSE(Has(atOne, "sold for a profit"));
    EXPECT_TRUE(Has(atOne, "and assuming that the asset is not purchased at the end of the lease"));
    data.LeaseEndValue = 21000;
    LeaseBuyResults.TaxOnOption = -1200;
    const std::string gain = Paragraph(2);
    EXPECT_TRUE(Has(gain, "sold for a profit of $6,000.00. (There will be a tax liability of "
                          "-$1,200.00 as the result of this sale.) The net cost"));
    EXPECT_FALSE(Has(gain, "not purchased"));

    LeaseBuyResults.LeaseNPV = LeaseBuyResults.PurchaseNPV;
    EXPECT_EQ(Paragraph(3), "Bottom line? Assuming that the asset will be disposed of, it is "
                            "ESTIMATED that the financing will cost $0.00 more than leasing "
                            "($4,900.25 vs. $4,900.25). All things being equal, it seems that "
                            "leasing is the best course to follow. ");
}

TEST_F(LeaseNarrTest, AmountsOfABillionAndMoreAreWrittenOut) {
    data.Price = 999999999.99;
    LeaseBuyResults.TotalLeasePayments = -32400000000.0;
    LeaseBuyResults.LoanAmount = 1000000000.0;
    LeaseBuyResults.LeaseNPV = -1e15;
    LeaseBuyResults.TotalPayments = -999999999.99;
    BuildLeaseBuyNarrative(data);
    for (const std::string& p : LeaseBuyNarrative)
        EXPECT_FALSE(Has(p, "*")) << p;
    EXPECT_TRUE(Has(LeaseBuyNarrative[0], "the initial value of the asset is $999,999,999.99. "));
    EXPECT_TRUE(Has(LeaseBuyNarrative[1], "the amount being financed is $1,000,000,000.00 and"));
    EXPECT_TRUE(Has(LeaseBuyNarrative[2], "lease payments will be -$32,400,000,000.00. "));
    EXPECT_TRUE(Has(LeaseBuyNarrative[2], "that equals -$1,000,000,000,000,000.00."));
    EXPECT_TRUE(Has(LeaseBuyNarrative[1], "payments will be -$999,999,999.99. "));
    // Amounts within the picture read as before.
    LeaseBuyResults.TotalPayments = -3045.67;
    EXPECT_TRUE(Has(Paragraph(1), "payments will be -$3,045.67. "));
    // The highest rate the advisor takes rounds to three integer places.
    data.DiscountRate = 99.9999f;
    EXPECT_TRUE(Has(Paragraph(0), "your discount rate is 100.000%. "));
}
