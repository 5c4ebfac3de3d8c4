// A test fixture for the engine: a fresh temporary folder, default settings and no open area.
#pragma once

#include "tests/rtl/TestFolder.h"
#include "xbase/XbSettings.h"
#include "xbase/Xbase.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

// The memo the accounts tests give account number (MakeAccounts).
inline std::string AccountNote(const std::string& number) {
    return "note of " + number + std::string(300, '.');
}

// Puts account number, its name and its note into the record of the current area.
inline bool PutAccount(const std::string& number) {
    return xb_Replace(1, xbReplaceText, number) == xbOK &&
           xb_Replace(2, xbReplaceText, "name " + number) == xbOK &&
           xb_Replace(3, xbReplaceMemo, AccountNote(number)) == xbOK;
}

// Posts account number here as the register does (append, image, commit, unlock): all went through.
inline bool PostAccount(const std::string& number) {
    return xb_AppendEx() == 0 && PutAccount(number) && xb_PutRecord(xb_GetRecord()) == xbOK &&
           xb_Commit() == xbOK && xb_Unlock(0) == 1;
}

// "whole" when the accounts table of the current area (MakeAccounts) holds exactly the accounts
// of numbers (of any numbers, given none), each with its note, found by its number where it
// lies, and both orders walk every record; else what is amiss. Leaves the order of numbers on.
inline std::string AccountsRead(const std::set<std::string>& numbers = {}) {
    xb_SetExact(1);
    xb_SetOrder(1);
    const LongInt count = xb_RecCount();
    std::string read = numbers.empty() || count == std::ssize(numbers) ? "whole" : "count";
    for (LongInt r = 1; r <= count && read == "whole"; ++r) {
        xb_Go(r);
        const std::string number = xb_GetTrimString(1);
        if (number.empty() || (!numbers.empty() && numbers.count(number) == 0) ||
            xb_GetString(3) != AccountNote(number) || xb_Seek(number) != 1 || xb_RecNo() != r)
            read = "record " + std::to_string(r) + " '" + number + "'";
    }
    for (const int order : {2, 1}) {
        xb_SetOrder(order);
        LongInt walked = 0;
        for (xb_GoTop(); !xb_Eof() && walked <= count; xb_Skip(1))
            ++walked;
        if (walked != count) read += " walked " + std::to_string(walked);
    }
    return read;
}

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

    // Makes the register's accounts table in small at path: ACCOUNTNO C10, NAME C20, NOTE M, a
    // unique order on ACCOUNTNO in its NSX, and one on NAME there or in the index file nameIndex.
    static void MakeAccounts(const std::string& path, const std::string& nameIndex = "") {
        const std::vector<TXbFieldDef> fields{
            {"ACCOUNTNO", 'C', 10, 0, 0}, {"NAME", 'C', 20, 0, 0}, {"NOTE", 'M', 10, 0, 0}};
        ASSERT_EQ(xb_Create(path, fields, xbNSX), xbOK);
        ASSERT_GT(xb_Use(path, "", xbModeExclusive, xbNSX), 0);
        ASSERT_GT(xb_IndexCreate("", "ACCOUNTNO", "ACCOUNTNO", "", 1, 0), 0);
        ASSERT_GT(xb_IndexCreate(nameIndex, "NAME", "NAME", "", 0, 0), 0);
        xb_Close();
    }

    // Appends a record with the given loan number, name and amount to the current area.
    static void AddLoan(const std::string& loanNo, const std::string& name, double amount) {
        ASSERT_EQ(xb_AppendEx(), 0);
        ASSERT_EQ(xb_Replace(1, xbReplaceText, loanNo), xbOK);
        ASSERT_EQ(xb_Replace(2, xbReplaceText, name), xbOK);
        ASSERT_EQ(xb_Replace(3, xbReplaceDouble, amount), xbOK);
        ASSERT_EQ(xb_Commit(), xbOK);
    }

    // Whether the index file does not record the table on disk: their counts or stamps differ.
    static bool IndexLags(const std::string& table, const std::string& index) {
        const std::string t = ReadAll(table), i = ReadAll(index);
        return t.compare(4, 4, i, 36, 4) != 0 || t.compare(16, 4, i, 40, 4) != 0;
    }

    // dbfread reads the table name in folder whole; without dbfread the log says it did not.
    static void ExpectDbfreadReads(const std::string& folder, const std::string& name) {
        if (const std::string python = PythonWith("dbfread"); python.empty())
            std::printf("[ NOT RUN  ] %s read by dbfread: python3 has no dbfread\n", name.c_str());
        else
            EXPECT_EQ(PeerReadOfTable(python, folder, name),
                      "length True mark True\ndbfread True\n");
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
