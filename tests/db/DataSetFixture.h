// A fixture for the dataset model: the default session with a database on a fresh folder of
// tables, a table dataset over it, and a data link that records every notification it gets.
#pragma once

#include "DbFixture.h"
#include "DbMessages.h"

#include "db/DBTables.h"
#include "platform/gui/Forms.h"

#include <memory>
#include <string>
#include <vector>

// A dataset over one table of the folder, in the order of an index tag when one is named.
class TTestTable : public TDBDataSet {
public:
    TTestTable(const std::string& folder, std::string table, std::string tag = "")
        : TDBDataSet(nullptr), table_(std::move(table)), tag_(std::move(tag)) {
        SetDatabaseName(folder + "/");
    }
    // A master source this dataset follows, for the circular-link check.
    TDataSource* Master = nullptr;
    TDataSource* GetDataSource() const override { return Master; }
    // Opens the table for reading only.
    bool ReadOnlyOpen = false;
    using TDataSet::SwitchToIndex;

protected:
    TCursorHandle CreateHandle() override {
        TCursorHandle cursor = 0;
        CheckEngineResult(DbiOpenTable(DBHandle(), table_.c_str(), nullptr, nullptr,
                                       tag_.empty() ? nullptr : tag_.c_str(), 0,
                                       ReadOnlyOpen ? dbiOpenReadOnly : dbiOpenReadWrite,
                                       dbiShareShared, 2, false, nullptr, &cursor));
        return cursor;
    }

private:
    std::string table_;
    std::string tag_;
};

// The texts of the field from the first record to the last, each followed by a blank.
inline std::string FieldTexts(TDataSet& table, const std::string& field = "NAME") {
    std::string texts;
    for (table.First(); !table.Eof(); table.Next())
        texts += table.FieldByName(field)->AsString() + " ";
    return texts;
}

// How many records a walk from the first to the last meets.
inline int RecordsWalked(TDataSet& table) {
    int records = 0;
    for (table.First(); !table.Eof(); table.Next())
        ++records;
    return records;
}

// Logs each notification as "name:what".
class TRecordingLink : public TDataLink {
public:
    TRecordingLink(std::vector<std::string>& log, std::string name, int buffers = 1)
        : log_(log), name_(std::move(name)) {
        SetBufferCount(buffers);
    }

protected:
    void ActiveChanged() override { Log(Active() ? "active" : "inactive"); }
    void CheckBrowseMode() override { Log("check"); }
    void DataSetChanged() override { Log("changed"); }
    void DataSetScrolled(int Distance) override { Log("scrolled " + std::to_string(Distance)); }
    void EditingChanged() override { Log(Editing() ? "editing" : "not editing"); }
    void LayoutChanged() override { Log("layout"); }
    void RecordChanged(TField* Field) override {
        Log("record " + (Field ? Field->FieldName() : std::string("nil")));
    }
    void UpdateData() override { Log("update"); }
    void FocusControl(TField*& Field) override { Log("focus " + Field->FieldName()); }

private:
    void Log(const std::string& what) { log_.push_back(name_ + ":" + what); }
    std::vector<std::string>& log_;
    std::string name_;
};

class DataSetFixture : public DbFixture {
protected:
    void SetUp() override {
        InitApplication();
        DbFixture::SetUp();
        XbSettings().Deleted = true;
    }
    void TearDown() override {
        table_.reset();
        DoneDBTables();
        DbFixture::TearDown();
    }

    // LOANS.DBF with the given names and amounts 1, 2, 3 ..., opened in NAME order.
    TTestTable& OpenLoans(const std::vector<std::string>& names, const std::string& tag = "NAME",
                          bool uniqueName = false) {
        std::vector<std::pair<std::string, double>> rows;
        for (std::size_t i = 0; i < names.size(); ++i)
            rows.emplace_back(names[i], static_cast<double>(i + 1));
        MakeLoans("LOANS.DBF", rows, xbCDX, true, uniqueName);
        table_ = std::make_unique<TTestTable>(folder_.Path(), "LOANS.DBF", tag);
        table_->Open();
        return *table_;
    }

    // The names from the first record on.
    std::string AllNames() { return FieldTexts(*table_); }

    // A recording link on the fixture's source, which follows table.
    TRecordingLink& Watch(TTestTable& table, const std::string& name, int buffers = 1) {
        source_.SetDataSet(&table);
        links_.push_back(std::make_unique<TRecordingLink>(log_, name, buffers));
        links_.back()->SetDataSource(&source_);
        return *links_.back();
    }

    std::vector<std::string> log_;
    std::unique_ptr<TTestTable> table_;
    TDataSource source_{nullptr};
    std::vector<std::unique_ptr<TRecordingLink>> links_;
};
