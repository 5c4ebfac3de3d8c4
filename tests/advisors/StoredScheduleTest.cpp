// What a saved schedule leaves in the register's tables, read by another DBF reader: each row's
// figures in their own TRANS.DBF fields, the loan's terms and options in its LOANS.DBF record;
// and a load, from records written field by field, puts each stored figure back where it came
// from, with the year tabs and frequencies the stored terms give.
#include "advisors/Register.h"

#include "controls/entry/DayNumberDates.h"
#include "tests/advisors/AdvisorTestSupport.h"
#include "tests/db/DataSetFixture.h"

namespace {

class StoredScheduleTest : public DataSetFixture {
protected:
    void SetUp() override {
        DataSetFixture::SetUp();
        CreateRegisterTables(folder_.Path());
    }

    // Appends a record to a register table, each field set through Set.
    template <typename F>
    void Add(const std::string& Table, const F& Set) {
        std::unique_ptr<TTable> table = OpenRegisterTable(folder_.Path(), Table);
        table->Append();
        Set(*table);
        table->Post();
        table->Close();
    }
    void AddLoan(const std::string& Loan) {
        Add(LoansTable, [&](TTable& t) { t.FieldByName("LOANNO")->SetAsString(Loan); });
    }

    // Every record of a table as the peer reader sees it: fields joined by "|", amounts with
    // two decimals.
    std::string PeerRows(const std::string& Table, const std::string& Fields) {
        return Dbfread("def text(v):\n"
                       "    return '%.2f' % v if isinstance(v, float) else str(v)\n"
                       "for r in dbfread.DBF('" +
                       Table +
                       "'):\n"
                       "    print('|'.join(text(r[f]) for f in '" +
                       Fields + "'.split(',')))\n");
    }

    static void SetDay(TField* Field, int Day, int Month, int Year) {
        Field->SetAsDateTime(DayNumberToDateTime(DMYToDate(Day, Month, Year, 0)));
    }
};

// 1,000 at 12 % a year over three monthly payments: 340.02 a month; interest 10.00, 6.70 and
// 3.37 on the balances 1,000, 669.98 and 336.66; the last payment takes the cent left over.
TEST_F(StoredScheduleTest, EachRowsFiguresGoIntoTheirOwnFields) {
    AddLoan("7");
    TAmortLoan loan{.PV = 1000,
                    .NumPmts = 3,
                    .Rate = 12,
                    .OrgDate = DMYToDate(1, 1, 2024, 0),
                    .FrstPmtDate = DMYToDate(1, 2, 2024, 0)};
    TAmortSchedule schedule;
    ASSERT_TRUE(schedule.CalcSchedule(loan, TAmortOptions{}));
    ASSERT_EQ(SaveSchedule(folder_.Path(), "7", schedule, TAmortOptions{}), "");

    EXPECT_EQ(PeerRows(TransTable, "LOANNO,PMTNOYR,TRANSDATE,TRANSNO,PMT,INTEREST,PRINCIPAL,"
                                   "PRINBAL,RUNPMT,RUNPRIN,RUNINT,RATE,ACTUAL,CALCULATED,APPLIEDHOW"),
              "7|Init/01|2024-01-01|0|0.00|0.00|0.00|1000.00|0.00|0.00|0.00|None|False|True|PI\n"
              "7|   1/01|2024-02-01|1|340.02|10.00|330.02|669.98|340.02|330.02|10.00|None|False|True|PI\n"
              "7|   2/01|2024-03-01|2|340.02|6.70|333.32|336.66|680.04|663.34|16.70|None|False|True|PI\n"
              "7|   3/01|2024-04-01|3|340.03|3.37|336.66|0.00|1020.07|1000.00|20.07|None|False|True|PI\n");
}

TEST_F(StoredScheduleTest, TheLoanRecordHoldsTheTermsAndOptions) {
    AddLoan("3");
    TAmortLoan loan{.PV = 25000.5,
                    .NumPmts = 20,
                    .Rate = 6.75f,
                    .Points = 1.25f,
                    .OrgDate = DMYToDate(15, 3, 2023, 0),
                    .FrstPmtDate = DMYToDate(15, 6, 2023, 0),
                    .PYR = 4,     // "Quarterly"
                    .CmpPYR = 6}; // "SemiAnnually"
    TAmortOptions options{.AmortMethod = amFixedPrincipal, .RateBasis = rbExact360};
    TAmortSchedule schedule;
    ASSERT_TRUE(schedule.CalcSchedule(loan, options));
    ASSERT_EQ(SaveSchedule(folder_.Path(), "3", schedule, options), "");
    EXPECT_EQ(PeerRows(LoansTable, "LOANNO,INITAMT,INITTERM,ORIGDATE,FRSTPMTDT,PMTSPERYR,"
                                   "CMPPERYR,POINTS,INITRATE,AMORTMTHD,RATEBASIS"),
              "3|25000.50|20|2023-03-15|2023-06-15|4|6|1.25|6.75|2|1\n");
}

// Records written field by field, each figure a different number, loan 6's rows among loan 5's.
TEST_F(StoredScheduleTest, ALoadPutsEachStoredFigureBack) {
    Add(LoansTable, [&](TTable& t) {
        t.FieldByName("LOANNO")->SetAsString("5");
        t.FieldByName("INITAMT")->SetAsFloat(5000);
        t.FieldByName("INITTERM")->SetAsInteger(2);
        SetDay(t.FieldByName("ORIGDATE"), 15, 12, 2023);
        SetDay(t.FieldByName("FRSTPMTDT"), 15, 1, 2024);
        t.FieldByName("PMTSPERYR")->SetAsInteger(4);
        t.FieldByName("CMPPERYR")->SetAsInteger(6);
        t.FieldByName("POINTS")->SetAsFloat(0.5);
        t.FieldByName("INITRATE")->SetAsFloat(9.25);
        t.FieldByName("AMORTMTHD")->SetAsInteger(amRuleOf78);
        t.FieldByName("RATEBASIS")->SetAsInteger(rbExact365);
    });
    const struct {
        const char* Loan;
        int Day, Month, Year, No;
        const char* NoYr;
        double First; // the row's figures are First, First + 1, ... in field order
    } rows[] = {{"5", 15, 12, 2023, 0, "Init/01", 10},
                {"6", 1, 1, 2024, 0, "Init/01", 90},
                {"5", 15, 1, 2024, 1, "   1/01", 20},
                {"5", 15, 2, 2025, 2, "   2/01", 30}};
    for (const auto& row : rows)
        Add(TransTable, [&](TTable& t) {
            t.FieldByName("LOANNO")->SetAsString(row.Loan);
            t.FieldByName("PMTNOYR")->SetAsString(row.NoYr);
            SetDay(t.FieldByName("TRANSDATE"), row.Day, row.Month, row.Year);
            t.FieldByName("TRANSNO")->SetAsInteger(row.No);
            double figure = row.First;
            for (const char* field :
                 {"PMT", "INTEREST", "PRINCIPAL", "PRINBAL", "RUNPMT", "RUNPRIN", "RUNINT"})
                t.FieldByName(field)->SetAsFloat(figure++);
        });

    TAmortSchedule s;
    TAmortOptions options;
    ASSERT_EQ(LoadSchedule(folder_.Path(), "5", s, options), "");
    ASSERT_EQ(s.LastRow, 2);
    for (int k = 0; k <= 2; ++k) {
        SCOPED_TRACE(k);
        const TAmortRow& row = s.AmortRows[static_cast<std::size_t>(k)];
        const double first = 10.0 * (k + 1);
        EXPECT_EQ(row.PmtNo, k);
        EXPECT_EQ(row.Payment, first);
        EXPECT_EQ(row.Interest, first + 1);
        EXPECT_EQ(row.Principal, first + 2);
        EXPECT_EQ(row.Balance, first + 3);
        EXPECT_EQ(row.RunPayment, first + 4);
        EXPECT_EQ(row.RunPrincipal, first + 5);
        EXPECT_EQ(row.RunInterest, first + 6);
    }
    EXPECT_EQ(s.AmortRows[0].PmtNoYr, "Init/01");
    EXPECT_EQ(s.AmortRows[2].PmtNoYr, "   2/01");
    EXPECT_EQ(s.AmortRows[1].Date, DMYToDate(15, 1, 2024, 0));
    EXPECT_EQ(s.Years, (std::vector<int>{2023, 2024, 2025}));

    EXPECT_EQ(s.Loan.PV, 5000);
    EXPECT_EQ(s.Loan.NumPmts, 2);
    EXPECT_EQ(s.Loan.OrgDate, DMYToDate(15, 12, 2023, 0));
    EXPECT_EQ(s.Loan.FrstPmtDate, DMYToDate(15, 1, 2024, 0));
    EXPECT_EQ(s.Loan.PYR, 4);
    EXPECT_EQ(s.Loan.CmpPYR, 6);
    EXPECT_EQ(s.Loan.Points, 0.5f);
    EXPECT_EQ(s.Loan.Rate, 9.25f);
    EXPECT_EQ(options.AmortMethod, amRuleOf78);
    EXPECT_EQ(options.RateBasis, rbExact365);
    // What the charts and the printout take from the schedule: quarterly payments, semiannual
    // compounding, a 365-day year.
    EXPECT_EQ(s.AmortMethod, amRuleOf78);
    EXPECT_EQ(s.RateBasis, rbExact365);
    EXPECT_EQ(s.PmtsPerYear, 4);
    EXPECT_EQ(s.CmpPerYear, 2);
    EXPECT_EQ(s.YearBasis, 365);
}

} // namespace
