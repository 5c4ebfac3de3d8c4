// The points advisor's arithmetic: two loans that differ in rate and points compared over the
// years the property is held (monthly payments), and the three paragraphs of its conclusion.
#pragma once

#include "platform/rtl/Types.h"

#include <array>
#include <string>
#include <vector>

struct TPointsLoan {
    double PV = 0.0;
    SmallInt NumPmts = 0;   // monthly payments
    float Rate = 0.0f;      // annual percent
    float Points = 0.0f;    // percent of the amount
    bool Amortized = false; // the points are financed with the loan (else paid at the start)
};

struct TPointsResult {
    double PointsAmount = 0.0;
    double Payment = 0.0;
    double Interest = 0.0; // over the months held
    double Cost = 0.0;     // interest, and the points when they were paid at the start
};

// The refusals of the inputs, each its own message, all of them (empty when none).
std::vector<std::string> ValidatePoints(const TPointsLoan& Loan1, const TPointsLoan& Loan2,
                                        SmallInt YearsHeld);
// One loan over the months held; raises EMathError when a figure overflows.
TPointsResult ComparePointsLoan(const TPointsLoan& Loan, SmallInt YearsHeld);
// The conclusion's three paragraphs.
std::array<std::string, 3> PointsConclusion(const TPointsLoan& Loan1, const TPointsResult& R1,
                                            const TPointsLoan& Loan2, const TPointsResult& R2,
                                            SmallInt YearsHeld);
