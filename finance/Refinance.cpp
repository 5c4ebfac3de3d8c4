#include "finance/Refinance.h"

#include "finance/LoanMath.h"
#include "finance/TextRoutines.h"
#include "platform/rtl/Numbers.h"

#include <algorithm>
#include <cmath>

namespace {

const char* const MsgOriginalTooLong = "Original mortgage over maximum number of years.";
const char* const MsgPossibleTooLong = "Possible mortgage over maximum number of years.";
const char* const MsgSamePeriods = "Each loan must be for same periods per year.";
const char* const MsgNoZero = "No zero values allowed.\r";

bool Deductible(const TRefinInputs& in) {
    return in.Deduct == 0;
}

double Discount(int k, double d) {
    return std::exp(k * std::log1p(d));
}

// A fund that starts at `deposit`, earns at d a period and grows by deposit + earnings, run over
// periods first..last: its earnings discounted to today.
double FundEarnings(double deposit, double d, int first, int last) {
    double fund = deposit;
    double gain = 0.0;
    for (int k = first; k <= last; ++k) {
        const double earned = RoundToCents(fund * d);
        gain += earned / Discount(k, d);
        fund += deposit + earned;
    }
    return gain;
}

double ReinvestGain(const TRefinInputs& in, const TRefinAnalysis& a, int h1, int h2, int n) {
    const double d = 0.01 * AsTyped(in.DiscRate) / n;
    const double difference = std::abs(a.CurPayment - a.NewPayment);
    double gain = FundEarnings(difference, d, 1, std::min(h1, h2));
    if (a.NewPayment > a.CurPayment) gain = -gain;
    if (h1 < h2) gain -= FundEarnings(a.CurPayment, d, h1 + 1, h2);
    if (h1 > h2) gain += FundEarnings(a.NewPayment, d, h2 + 1, h1);
    return gain;
}

double LoanSizeEffect(const TRefinInputs& in, int periods, int n, double f) {
    const double discount = AsTyped(in.DiscRate);
    const double d = 0.01 * discount / n;
    if (in.RemBal > in.NewPV) {
        double extra = in.RemBal - in.NewPV;
        double effect = 0.0;
        for (int k = 1; k <= periods; ++k) {
            const double earned = RoundToCents(extra * d);
            extra += earned;
            effect += earned / Discount(k, d);
        }
        return effect;
    }
    const double extra = in.NewPV - in.RemBal;
    const double rate = AsTyped(in.Rate2);
    const double payment = LoanPayment(in.NumPmts, n, n, extra, rate);
    double balance = extra;
    double cost = DiscountedInterest(balance, rate, discount, payment, periods, n);
    if (Deductible(in) && in.ProTaxBracket != 0.0f) cost *= f;
    balance = extra;
    const double gain = DiscountedInterest(balance, discount, discount, payment, periods, n);
    return gain - cost;
}

} // namespace

double DiscountedInterest(double& balance, double rate, double discount, double payment,
                          int periods, int perYear) {
    const double i = 0.01 * rate / perYear;
    const double d = 0.01 * discount / perYear;
    double value = 0.0;
    for (int k = 1; k <= periods; ++k) {
        const double interest = RoundToCents(balance * i);
        balance = RoundToCents(balance + interest - payment);
        value += RoundToCents(interest / Discount(k, d));
    }
    if (balance < 0.0) balance = 0.0;
    return value;
}

std::string ValidateRefinance(const TRefinInputs& In) {
    const Word n1 = PeriodsPerYear(static_cast<Byte>(In.PYR + 1));
    const Word n2 = PeriodsPerYear(static_cast<Byte>(In.PYR2 + 1));
    if (n1 == 0 || n2 == 0) return MsgSamePeriods;
    if (In.PmtsRem / n1 > 50) return MsgOriginalTooLong;
    if (In.NumPmts / n2 > 50) return MsgPossibleTooLong;
    if (n1 != n2) return MsgSamePeriods;
    if (In.PmtsRem <= 0 || In.NumPmts <= 0 || In.Rate <= 0.0f || In.Rate2 <= 0.0f ||
        In.SldAfter < 1)
        return MsgNoZero;
    return {};
}

TRefinAnalysis AnalyzeRefinance(const TRefinInputs& In) {
    TRefinAnalysis a;
    const int n = PeriodsPerYear(static_cast<Byte>(In.PYR + 1));
    const double f = 1.0 - 0.01 * AsTyped(In.ProTaxBracket);
    const double rate = AsTyped(In.Rate);
    const double rate2 = AsTyped(In.Rate2);
    const double discount = AsTyped(In.DiscRate);
    const int held = In.SldAfter * n;
    const int h1 = held < In.PmtsRem ? held : In.PmtsRem;
    const int h2 = held < In.NumPmts ? held : In.NumPmts;

    a.CurPayment = LoanPayment(In.PmtsRem, n, n, In.RemBal, rate);
    a.CurBalAtSale = In.RemBal;
    a.CurCost = DiscountedInterest(a.CurBalAtSale, rate, discount, a.CurPayment, h1, n);
    if (Deductible(In)) a.CurCost *= f;
    a.CurPaidDown = h1 == In.PmtsRem ? In.RemBal : In.RemBal - a.CurBalAtSale;

    a.NewPayment = LoanPayment(In.NumPmts, n, n, In.NewPV, rate2);
    a.NewBalAtSale = In.NewPV;
    a.NewCost = DiscountedInterest(a.NewBalAtSale, rate2, discount, a.NewPayment, h2, n);
    double points = 0.01 * AsTyped(In.Points) * In.NewPV;
    if (Deductible(In)) points *= In.PntsAre == 0 ? f : static_cast<double>(h2) / In.NumPmts * f;
    if (Deductible(In)) a.NewCost *= f;
    a.NewCost += In.Misc + points;
    if (h2 < In.NumPmts) a.NewCost += In.Penalty;
    a.NewPaidDown = h2 == In.NumPmts ? In.NewPV : In.NewPV - a.NewBalAtSale;

    a.AnalysisPeriods = static_cast<SmallInt>(std::max(h1, h2));
    a.ReinvestGain = ReinvestGain(In, a, h1, h2, n);
    a.LoanSizeEffect = LoanSizeEffect(In, a.AnalysisPeriods, n, f);
    for (double value : {a.CurCost, a.NewCost, a.ReinvestGain, a.LoanSizeEffect})
        if (!std::isfinite(value)) throw EOverflow("Floating point overflow");
    return a;
}

std::array<std::string, 3> RefinanceNarrative(const TRefinInputs& In, TRefinAnalysis& A) {
    // Amounts whose direction a word says (a saving, a loss) are written without a sign.
    auto M = [](double value) { return MoneyText(value); };
    auto Size = [](double value) { return MoneyText(std::fabs(value)); };
    std::array<std::string, 3> text;
    A.LostDeduction = 0.0;
    const double d = A.CurCost - A.NewCost;
    const bool deductible = Deductible(In) && In.ProTaxBracket != 0.0f;

    text[0] = "     By the time you sell after " + IntToStr(In.SldAfter) +
              " years, you'll have paid down " + M(A.CurPaidDown) +
              " under your current loan, or " + M(A.NewPaidDown) +
              " under the possible refinancing. "
              "The amounts used in this analysis are discounted to today's dollars.";

    const std::string costs = "your current financing will cost you " + M(A.CurCost) +
                              ". The possible refinancing will cost you " + M(A.NewCost) + ".";
    const std::string larger =
        "     Looking at just the difference between the two loans, " + costs +
        " If you refinance, then looking first at just the " + M(In.RemBal) +
        " that your current mortgage covers, you'd be paying " + M(A.NewCost) +
        " after allowing for taxes and closing costs. Therefore, you will be ";
    const std::string taxes = [&] {
        if (!deductible) return std::string();
        A.LostDeduction = d * 0.01 * AsTyped(In.ProTaxBracket);
        return " However, the interest savings will increase your taxes by " + M(A.LostDeduction) +
               " due to the lost deduction.";
    }();
    std::string& p = text[1];
    if (d > 0 && In.RemBal < In.NewPV)
        p = larger + "saving " + M(d) + "." + taxes;
    else if (d >= 0)
        p = "     Your current financing will cost you " + M(A.CurCost) +
            ". The possible refinancing will cost you " + M(A.NewCost) +
            ". So, considering just the differences between the two loans, after tax "
            "considerations and other related closing costs, you will SAVE " +
            M(d) + "." + taxes;
    else if (In.RemBal < In.NewPV)
        p = larger + "LOSING " + Size(d) + ".";
    else
        p = "     Your current financing will cost you " + M(A.CurCost) +
            ". The possible refinancing will cost you " + M(A.NewCost) + ". You will LOSE " +
            Size(d) + ".";

    if (In.DiscRate > 0.0f) {
        if (A.ReinvestGain >= 0.0)
            p += " Now, since the sum of the payments is LESS under the proposed refinancing "
                 "than it is under the current financing, you could reinvest this difference. "
                 "If the difference in the payments is reinvested, you will have an estimated "
                 "gain of " +
                 M(A.ReinvestGain) + " from the additional investment income.";
        else
            p += " Now, since the sum of the payments is GREATER under the proposed "
                 "refinancing than it is under the current financing, you will LOSE an "
                 "investment opportunity. As a result of paying the higher amount, you will "
                 "give up an estimated " +
                 Size(A.ReinvestGain) + " in investment income.";
        if (In.NewPV < In.RemBal)
            p += " By taking out a smaller loan, you are in effect spending an extra " +
                 M(In.RemBal - In.NewPV) +
                 " up front to pay down your balance. Had you invested this money instead, it "
                 "would have earned you " +
                 M(A.LoanSizeEffect) + " in today's dollars.";
        else if (In.NewPV > In.RemBal)
            p += " By taking out a larger loan, you are borrowing extra capital that may be "
                 "invested. Discounted to today's dollars, you will have a " +
                 (A.LoanSizeEffect < 0.0
                      ? "LOSS of " + Size(A.LoanSizeEffect) +
                            ". This is because your discount rate (the value the money has to "
                            "you) is LESS than your borrowing costs."
                      : "GAIN of " + M(A.LoanSizeEffect) +
                            ". This is because your discount rate (the value the money has to "
                            "you) is GREATER than your borrowing costs.");
    }

    A.NetSavings = d + A.ReinvestGain + A.LoanSizeEffect - A.LostDeduction;
    if (A.NetSavings > 0.0 && A.NetSavings < 500.0f)
        text[2] = "     Bottom line? Your total net SAVINGS will be " + M(A.NetSavings) +
                  ". It hardly seems worth the trouble.";
    else if (A.NetSavings >= 500.0f)
        text[2] = "     Bottom line? Your total net SAVINGS will be " + M(A.NetSavings) +
                  ". Why are you waiting?";
    else
        text[2] = "     Bottom line? Your total LOSS will be " + Size(A.NetSavings) +
                  ". We do not recommend that you take the possible refinancing.";
    return text;
}
