// A test fixture for the engine: a fresh temporary folder, default settings and no open area.
#pragma once

#include "tests/rtl/TestFolder.h"
#include "xbase/XbSettings.h"
#include "xbase/Xbase.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

class XbFixture : public ::testing::Test {
protected:
    void SetUp() override {
        xb_CloseAll();
        XbSettings() = TXbSettings();
        XbSettings().LockTimeout = 0;
    }
    void TearDown() override {
        xb_CloseAll();
        XbSettings() = TXbSettings();
    }

    std::string Path(const std::string& name) const { return folder_ / name; }

    // The register's loans table in small: LOANNO C9, NAME C20, AMOUNT N12.2, ORIGDATE D,
    // PAID L, NOTE M.
    static std::vector<TXbFieldDef> LoanFields() {
        return {{"LOANNO", 'C', 9, 0, 0},   {"NAME", 'C', 20, 0, 0}, {"AMOUNT", 'N', 12, 2, 0},
                {"ORIGDATE", 'D', 8, 0, 0}, {"PAID", 'L', 1, 0, 0},  {"NOTE", 'M', 10, 0, 0}};
    }

    // Creates the loans table at name (with the driver's memo file) and opens it, exclusively
    // unless another mode is given.
    void UseNewLoans(const std::string& name, int driver, int mode = xbModeExclusive) const {
        ASSERT_EQ(xb_Create(Path(name), LoanFields(), driver), xbOK);
        ASSERT_GT(xb_Use(Path(name), "", mode, driver), 0);
    }

    // Appends a record with the given loan number, name and amount to the current area.
    static void AddLoan(const std::string& loanNo, const std::string& name, double amount) {
        ASSERT_EQ(xb_AppendEx(), 0);
        ASSERT_EQ(xb_Replace(1, xbReplaceText, loanNo), xbOK);
        ASSERT_EQ(xb_Replace(2, xbReplaceText, name), xbOK);
        ASSERT_EQ(xb_Replace(3, xbReplaceDouble, amount), xbOK);
        ASSERT_EQ(xb_Commit(), xbOK);
    }

    // The loan numbers met from the top to the end of the current area, in order.
    // A walk that meets more records than the table holds stops there.
    static std::string Walk() {
        std::string seen;
        LongInt steps = 0;
        for (xb_GoTop(); !xb_Eof() && steps++ <= xb_RecCount(); xb_Skip(1))
            seen += xb_GetTrimString(1) + " ";
        return seen;
    }

    TTestFolder folder_;
};
