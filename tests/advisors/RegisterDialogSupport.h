// Test support for the register's dialog and the schedule form's Save and Load: the schedule
// form's fixture with the register's tables made in the test's settings folder, the dialog run
// modally with a script acting on it through real clicks and keys, and the tables read back by
// the outside reader python3-dbfread.
#pragma once

#include "advisors/Register.h"
#include "platform/rtl/Strings.h"
#include "tests/advisors/AmortizationFormSupport.h"
#include "tests/gui/PdfTools.h"

#include <string>

class LoanInfoTest : public AmortFormTest {
protected:
    void SetUp() override {
        AmortFormTest::SetUp();
        CreateRegisterTables(home.Path());
        if (const std::string found = PythonWith("dbfread"); !found.empty()) python = found;
    }

    // Runs the dialog in Mode with Script acting on it while it is shown; answers the loan
    // number chosen (empty when cancelled) and leaves the account number in account.
    std::string RunDialog(Byte mode, const std::function<void(TLoanInfo&)>& script) {
        TLoanInfo dialog(nullptr, home.Path());
        dialog.ScheduleLoan.PV = 150000;
        dialog.ScheduleLoan.Rate = 6.5f;
        dialog.ScheduleLoan.NumPmts = 360;
        dialog.ScheduleLoan.OrgDate = DMYToDate(15, 3, 2024, 0);
        Answer = [&](TCustomForm* modal) {
            if (modal == &dialog) {
                Settle();
                script(dialog);
            }
        };
        std::string loan;
        ShowLoanInfo(dialog, account, mode, loan);
        Answer = nullptr;
        return loan;
    }

    void Click(TWinControl* control) {
        QTest::mouseClick(WidgetOf(control), Qt::LeftButton, Qt::NoModifier, QPoint(8, 8));
        Settle();
    }
    // Clicks a button of the record navigator.
    void Navigate(TLoanInfo& d, TNavigateBtn button) {
        TSpeedButton* b = d.DBNavigator1->Buttons(button);
        QTest::mouseClick(WidgetOf(d.DBNavigator1), Qt::LeftButton, Qt::NoModifier,
                          QPoint(b->Left() + b->Width() / 2, b->Top() + b->Height() / 2));
        Settle();
    }
    // Clicks a button and expects the dialog to show the step afterwards.
    void Step(TLoanInfo& d, TButton* button, const std::string& step) {
        Click(button);
        EXPECT_EQ(d.StepText(), step);
    }

    // Creates account Last, First of Springfield, IL in two steps; the dialog stands on step 3.
    void CreateAccount(TLoanInfo& d, std::string Last = "Smith", std::string First = "John") {
        Step(d, d.NewBTN, "Step: 2/4");
        Enter(d.LastName, Last, d.FirstName, First, d.City, "Springfield", d.State, "il");
        Step(d, d.NextBTN, "Step: 3/4");
    }

    // The account Last, First made with a new loan through the dialog: the loan's number.
    std::string AccountWithALoan(std::string Last = "Smith", std::string First = "John") {
        return RunDialog(limSave, [&](TLoanInfo& d) {
            CreateAccount(d, Last, First);
            Step(d, d.NewBTN, "Step: 4/4");
            Click(d.NextBTN);
        });
    }
    // Smith, John with loan 1 and its saved schedule; the DEFAULT account with loan 2.
    void SmithWithALoan() {
        AccountWithALoan();
        RunDialog(limSave, [&](TLoanInfo& d) {
            NewLoanOfDefault(d);
            Click(d.NextBTN);
        });
        TAmortSchedule schedule;
        TAmortLoan loan{.PV = 12000,
                        .NumPmts = 14,
                        .Rate = 7.5,
                        .OrgDate = DMYToDate(1, 6, 2024, 0),
                        .FrstPmtDate = DMYToDate(1, 7, 2024, 0)};
        ASSERT_TRUE(schedule.CalcSchedule(loan, TAmortOptions{}));
        ASSERT_EQ(SaveSchedule(home.Path(), "1", schedule, TAmortOptions{}), "");
        ASSERT_EQ(SaveSchedule(home.Path(), "2", schedule, TAmortOptions{}), "");
    }
    // Stands the dialog (step 1) on account Number, found by its first four letters searched.
    void FindAccount(TLoanInfo& d, const std::string& Number) {
        Enter(d.IncSearch, Number.substr(0, 4));
        d.IncSearch->Search();
        Settle();
        ASSERT_EQ(Trim(d.Accounts->FieldByName("ACCOUNTNO")->AsString()), Number);
    }
    // How many records of a table are marked deleted and not packed away.
    std::string DeletedCount(const std::string& table) {
        const std::string out =
            RunPython(python, home.Path(),
                      "import dbfread\nprint(len(list(dbfread.DBF('" + table + "').deleted)))\n");
        return out.substr(0, out.find('\n'));
    }

    // Clicks Next from step 1 on, expecting each step after it up to Last.
    void NextTo(TLoanInfo& d, int last) {
        for (int step = 2; step <= last; ++step)
            Step(d, d.NextBTN, "Step: " + std::to_string(step) + "/4");
    }
    // Walks the DEFAULT account (the first) to a new loan on step 4.
    void NewLoanOfDefault(TLoanInfo& d) {
        NextTo(d, 3);
        Step(d, d.NewBTN, "Step: 4/4");
    }

    // The records of a table as python3-dbfread reads them, one line each: the values of the
    // fields joined by "|" (blanks trimmed, dates as yyyy-mm-dd); deleted records are left out,
    // as every reader does.
    std::string Rows(const std::string& table, const std::string& fields) {
        return RunPython(python, home.Path(),
                         "import dbfread\nt = dbfread.DBF('" + table +
                             "', encoding='cp1252')\nfor r in t:\n"
                             "    print('|'.join(str(r[f]).strip() for f in '" +
                             fields + "'.split(',')))\n");
    }
    // The type, width and decimals of each field, as the reader sees them.
    std::string Fields(const std::string& table) {
        return RunPython(python, home.Path(),
                         "import dbfread\nt = dbfread.DBF('" + table +
                             "')\nprint(' '.join('%s:%s%d,%d' % (f.name, f.type, f.length, "
                             "f.decimal_count) for f in t.fields))\n");
    }

    std::string python = "python3";
    std::string account;
};
