#include "finance/PointsComparison.h"

#include "finance/LoanMath.h"
#include "finance/TextRoutines.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Strings.h"

std::vector<std::string> ValidatePoints(const TPointsLoan& Loan1, const TPointsLoan& Loan2,
                                        SmallInt YearsHeld) {
    std::vector<std::string> messages;
    if (Loan1.PV == 0.0 || Loan2.PV == 0.0)
        messages.push_back("Amount of loan can't be 0.\r\rPlease correct.\r\r");
    if (Loan1.NumPmts == 0 || Loan2.NumPmts == 0)
        messages.push_back("Number of payments can't be 0.\r\rPlease correct.\r\r");
    if (Loan1.Rate == 0.0f || Loan2.Rate == 0.0f)
        messages.push_back("Interest rate can't be 0.\r\rPlease correct.\r\r");
    if (YearsHeld == 0)
        messages.push_back("Property sold after can't be 0.\r\rPlease correct.\r\r");
    return messages;
}

TPointsResult ComparePointsLoan(const TPointsLoan& Loan, SmallInt YearsHeld) {
    TPointsResult r;
    const double rate = AsTyped(Loan.Rate);
    r.PointsAmount = 0.01 * AsTyped(Loan.Points) * Loan.PV;
    const double financed = Loan.Amortized ? Loan.PV + r.PointsAmount : Loan.PV;
    r.Payment = LoanPayment(Loan.NumPmts, 12, 12, financed, rate);
    const int months = 12 * YearsHeld;
    if (months >= Loan.NumPmts) {
        r.Interest = Loan.NumPmts * r.Payment - financed;
    } else {
        double balance = financed;
        double interest = 0.0;
        AmortizeRange(balance, interest, 1, amNormal, Loan.NumPmts, months, 0.01 * rate / 12,
                      r.Payment, financed);
        r.Interest = interest;
    }
    r.Cost = Loan.Amortized ? r.Interest : r.Interest + r.PointsAmount;
    return r;
}

std::array<std::string, 3> PointsConclusion(const TPointsLoan& Loan1, const TPointsResult& R1,
                                            const TPointsLoan& Loan2, const TPointsResult& R2,
                                            SmallInt YearsHeld) {
    auto M = [](double value) { return MoneyText(value); };
    auto tail = [](const TPointsLoan& loan) -> std::string {
        return loan.Amortized
                   ? " in points is being paid off as part of the regular payment, since the "
                     "points "
                     "are being amortized in addition to the original principal amount. The "
                     "interest amount above for this loan includes all or part of those points. "
                   : " in points will have been paid at the time the loan was taken out. ";
    };
    std::array<std::string, 3> text;
    text[0] = "     First, your monthly payment for loan 1 will be " + M(R1.Payment) +
              " and the monthly payment for loan 2 will be " + M(R2.Payment) + ".";
    text[1] = "     After " + IntToStr(12 * YearsHeld) + " monthly payments or " +
              IntToStr(YearsHeld) + " years, you'll have paid " + M(R1.Interest) +
              " in interest alone for loan 1, and another " + M(R1.PointsAmount) + tail(Loan1) +
              "For loan 2 you'll have paid " + M(R2.Interest) + " in interest, and another " +
              M(R2.PointsAmount) + tail(Loan2);
    text[1] = TrimRight(text[1]);
    text[2] = (R1.Cost < R2.Cost ? "     Since loan 1 will save you " + M(R2.Cost - R1.Cost)
                                 : "     Since loan 2 will save you " + M(R1.Cost - R2.Cost)) +
              " before tax considerations, that seems to be the loan that you should consider as "
              "being the best value.";
    return text;
}
