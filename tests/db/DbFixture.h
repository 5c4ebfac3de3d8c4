// A fixture for the database layer: a fresh temporary folder holding tables the engine wrote,
// the engine started through the call interface with a database on that folder, message boxes
// recorded, and python3-dbfread to read back what the layer wrote.
#pragma once

#include "db/EngineRecords.h"
#include "db/EngineTables.h"
#include "db/EngineWorkAreas.h"
#include "platform/gui/Dialogs.h"
#include "tests/rtl/TestFolder.h"
#include "xbase/XbSettings.h"
#include "xbase/Xbase.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class DbFixture : public ::testing::Test {
protected:
    void SetUp() override {
        xb_CloseAll();
        XbSettings() = TXbSettings();
        XbSettings().LockTimeout = 0;
        ASSERT_EQ(DbiInit(nullptr), dbiOK);
        ASSERT_EQ(DbiOpenDatabase("", "", 0, 0, "", 0, nullptr, folder_.Path().c_str(), &db_),
                  dbiOK);
    }
    void TearDown() override {
        DbiCloseDatabase(db_);
        DbiExit();
        XbSettings() = TXbSettings();
    }

    std::string Path(const std::string& name) const { return folder_ / name; }

    // A table of loans: NAME C10, AMOUNT N10.2, WHEN D, PAID L, NOTE M, with the given rows
    // (name, amount); an order "NAME" on NAME and "AMOUNT" on AMOUNT when indexed.
    void MakeLoans(const std::string& name, const std::vector<std::pair<std::string, double>>& rows,
                   int driver = xbCDX, bool indexed = true, bool uniqueName = false) {
        const std::vector<TXbFieldDef> fields = {{"NAME", 'C', 10, 0, 0},
                                                 {"AMOUNT", 'N', 10, 2, 0},
                                                 {"WHEN", 'D', 8, 0, 0},
                                                 {"PAID", 'L', 1, 0, 0},
                                                 {"NOTE", 'M', 10, 0, 0}};
        ASSERT_EQ(xb_Create(Path(name), fields, driver), xbOK);
        ASSERT_GT(xb_Use(Path(name), "MAKE", xbModeExclusive, driver), 0);
        for (const auto& [loan, amount] : rows) {
            ASSERT_EQ(xb_AppendEx(), 0);
            xb_Replace(1, xbReplaceText, loan);
            xb_Replace(2, xbReplaceDouble, amount);
            ASSERT_EQ(xb_Commit(), xbOK);
        }
        if (indexed && driver != xbNTX) {
            ASSERT_GT(xb_IndexCreate("", "NAME", "NAME", "", uniqueName ? 1 : 0, 0), 0);
            ASSERT_GT(xb_IndexCreate("", "AMOUNT", "AMOUNT", "", 0, 0), 0);
        }
        xb_Close();
    }

    TCursorHandle Open(const std::string& name, const char* tag = nullptr,
                       int shareMode = dbiShareShared) {
        TCursorHandle cursor = 0;
        EXPECT_EQ(DbiOpenTable(db_, name.c_str(), nullptr, nullptr, tag, 0, dbiOpenReadWrite,
                               shareMode, 2, false, nullptr, &cursor),
                  dbiOK);
        return cursor;
    }

    // The record size of a cursor.
    static std::string RecordBuffer(TCursorHandle cursor) {
        return std::string(static_cast<std::size_t>(EngineWorkArea(cursor)->RecordSize), ' ');
    }

    // The NAME field of every record read from the start with DbiGetNextRecord.
    static std::string Names(TCursorHandle cursor) {
        std::string record = RecordBuffer(cursor), names;
        DbiSetToBegin(cursor);
        while (DbiGetNextRecord(cursor, 0, record.data(), nullptr) == dbiOK)
            names += TrimmedName(record) + " ";
        return names;
    }

    // The NAME of the cursor's current record, "<none>" when it cannot be read.
    static std::string Current(TCursorHandle cursor) {
        std::string record = RecordBuffer(cursor);
        if (DbiGetRecord(cursor, 0, record.data(), nullptr) != dbiOK) return "<none>";
        return TrimmedName(record);
    }

    static std::string TrimmedName(const std::string& record) {
        std::string name = record.substr(1, 10);
        while (!name.empty() && name.back() == ' ')
            name.pop_back();
        return name;
    }

    // Runs python3 on the given script in the test folder with the modules named ("dbf,
    // dbfread") imported; empty when python3 with those modules is not installed.
    std::string Python(const std::string& modules, const std::string& script) {
        const std::string python = PythonWith(modules);
        if (python.empty()) return {};
        return RunPython(python, folder_.Path(), "import " + modules + "\n" + script);
    }
    std::string Dbfread(const std::string& script) { return Python("dbfread", script); }

    TTestFolder folder_;
    TDatabaseHandle db_ = 0;
    TRecordedServices services_;
};
