// The loan payments and rate conversions checked against a spreadsheet: gnumeric's ssconvert
// recomputes PMT and NOMINAL(EFFECT()) on a sheet of varied loans.
#include "finance/LoanMath.h"
#include "tests/rtl/TestFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iomanip>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct TLoan {
    Word Periods;
    Word PaymentsPerYear;
    Word CompoundingsPerYear;
    double Principal;
    double Rate; // percent
};

// Sixty loans spread over every frequency, term, size and rate the calculators take.
std::vector<TLoan> VariedLoans() {
    static const Word frequencies[] = {365, 52, 26, 12, 6, 4, 2, 1};
    static const Word terms[] = {1, 2, 12, 36, 60, 120, 180, 240, 360, 480};
    std::vector<TLoan> loans;
    unsigned seed = 12345;
    auto next = [&seed](unsigned range) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % range;
    };
    for (int k = 0; k < 60; ++k) {
        TLoan loan;
        loan.PaymentsPerYear = frequencies[next(8)];
        loan.CompoundingsPerYear = k % 4 == 0 ? loan.PaymentsPerYear : frequencies[next(8)];
        loan.Periods = terms[next(10)];
        loan.Principal = 100.0 * (1 + next(5000)) + next(100) / 100.0;
        loan.Rate = (25 + next(2476)) / 100.0;
        loans.push_back(loan);
    }
    return loans;
}

class LoMathAgainstGnumeric : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::system("command -v ssconvert >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "ssconvert (gnumeric) is not installed";
    }

    // Writes the sheet, recomputes it and returns the rows of the result.
    std::vector<std::vector<double>> Recalculate(const std::vector<TLoan>& loans) {
        const std::string in = folder_ / "in.csv";
        const std::string out = folder_ / "out.csv";
        std::ofstream sheet(in);
        sheet << "n,p,c,pv,rate,arrears,advance,equivalent\n";
        for (std::size_t k = 0; k < loans.size(); ++k) {
            const TLoan& l = loans[k];
            const std::string row = std::to_string(k + 2);
            const std::string i =
                "((1+E" + row + "/100/C" + row + ")^(C" + row + "/B" + row + ")-1)";
            sheet << l.Periods << ',' << l.PaymentsPerYear << ',' << l.CompoundingsPerYear << ','
                  << std::fixed << std::setprecision(2) << l.Principal << ',' << l.Rate << ','
                  << "\"=PMT(" << i << ",A" << row << ",-D" << row << ")\","
                  << "\"=PMT(" << i << ",A" << row << ",-D" << row << ",0,1)\","
                  << "\"=NOMINAL(EFFECT(E" << row << "/100,C" << row << "),B" << row << ")*100\"\n";
        }
        sheet.close();
        const int status = std::system(
            ("LC_ALL=C ssconvert --recalc '" + in + "' '" + out + "' >/dev/null 2>&1").c_str());
        EXPECT_EQ(status, 0);
        std::ifstream result(out);
        std::vector<std::vector<double>> rows;
        std::string line;
        std::getline(result, line);
        while (std::getline(result, line)) {
            std::vector<double> cells;
            std::stringstream fields(line);
            std::string cell;
            while (std::getline(fields, cell, ','))
                cells.push_back(std::stod(cell));
            rows.push_back(cells);
        }
        return rows;
    }

    TTestFolder folder_;
};

TEST_F(LoMathAgainstGnumeric, PaymentsAndRatesAgreeWithinOneCent) {
    const std::vector<TLoan> loans = VariedLoans();
    const auto rows = Recalculate(loans);
    ASSERT_EQ(rows.size(), loans.size());
    for (std::size_t k = 0; k < loans.size(); ++k) {
        const TLoan& l = loans[k];
        ASSERT_EQ(rows[k].size(), 8u) << k;
        SCOPED_TRACE(::testing::Message()
                     << "loan " << k << ": " << l.Periods << " x " << l.PaymentsPerYear << "/"
                     << l.CompoundingsPerYear << " " << l.Principal << " at " << l.Rate);
        EXPECT_NEAR(
            LoanPayment(l.Periods, l.PaymentsPerYear, l.CompoundingsPerYear, l.Principal, l.Rate),
            rows[k][5], 0.01);
        EXPECT_NEAR(LoanPaymentAdvance(l.Periods, l.PaymentsPerYear, l.CompoundingsPerYear,
                                       l.Principal, l.Rate),
                    rows[k][6], 0.01);
        EXPECT_NEAR(EquivalentRate(l.PaymentsPerYear, l.CompoundingsPerYear, l.Rate), rows[k][7],
                    1e-5);
    }
}

} // namespace
