#include "tests/db/DataSetFixture.h"

#include "dbcontrols/ControlsDataSource.h"
#include "dbcontrols/QueryByExample.h"
#include "dbcontrols/QueryDataSet.h"

#include <gtest/gtest.h>

namespace {
class DwQbe : public DataSetFixture {
protected:
    TRecordedServices services_;
    // The message boxes shown so far, as "kind: text" (e for an error, i for information).
    std::vector<std::string> Shown() const {
        std::vector<std::string> shown;
        for (const auto& box : services_.MessageBoxes)
            shown.push_back(std::string(box.Type == mtError ? "e: " : "i: ") + box.Text);
        return shown;
    }
};

// The table LOANS.DBF of a folder, opened for reading, as the cursor a query would answer with.
TCursorHandle AnswerCursor(TDatabaseHandle Database) {
    TCursorHandle cursor = 0;
    CheckEngineResult(DbiOpenTable(Database, "LOANS.DBF", nullptr, nullptr, nullptr, 0,
                                   dbiOpenReadOnly, dbiShareShared, 2, false, nullptr, &cursor));
    return cursor;
}

// The data-aware QBE and query datasets over an engine that answers their query.
class TAnsweredQBE : public TdwQBE {
public:
    explicit TAnsweredQBE(const std::string& folder) : TdwQBE(nullptr) {
        SetDatabaseName(folder + "/");
        QBE()->Add("LOANS.DBF | NAME |");
    }

protected:
    TCursorHandle ExecuteQBE() override { return AnswerCursor(DBHandle()); }
};

class TAnsweredQuery : public TdwQuery {
public:
    explicit TAnsweredQuery(const std::string& folder) : TdwQuery(nullptr) {
        SetDatabaseName(folder + "/");
    }

protected:
    TCursorHandle CreateHandle() override { return AnswerCursor(DBHandle()); }
};

using Lines = std::vector<std::string>;
} // namespace

TEST_F(DwQbe, PublishesTheFamilySettings) {
    TdwQBE qbe(nullptr);
    EXPECT_TRUE(dwIsDerivedDataSet(&qbe));
    EXPECT_EQ(dwGetPictureMasks(&qbe), &qbe.Parts().PictureMasks);
    EXPECT_EQ(dwGetLookupLinks(&qbe), &qbe.Parts().LookupLinks);
    EXPECT_FALSE(dwGetValidateWithMask(&qbe)); // not a setting of this class
    EXPECT_TRUE(dwGetFilterOptions(&qbe).Contains(ofoEnabled));
    TStringList lines;
    lines.Add("LOANS.DB | NAME |");
    SetObjectProp(&qbe, "QBE", &lines);
    EXPECT_EQ(qbe.QBE()->Count(), 1);
    TdwDataSource source(nullptr);
    EXPECT_TRUE(source.InheritsFrom("TDataSource"));
}

TEST_F(DwQbe, TheEngineRunsNoQueriesSoNothingOpens) {
    MakeLoans("LOANS.DBF", {{"A", 1}});
    TdwQBE qbe(nullptr);
    qbe.SetDatabaseName(folder_.Path() + "/");
    qbe.QBE()->Add("LOANS.DBF | NAME |");
    qbe.QBE()->Add("          | Check |");
    EXPECT_EQ(MessageOf([&] { qbe.Open(); }), "Engine Error : 12033");
    EXPECT_FALSE(qbe.Active());
    ASSERT_EQ(services_.MessageBoxes.size(), 1u);
    EXPECT_EQ(services_.MessageBoxes[0].Text, "This engine function is not supported: DbiQAlloc");
}

TEST_F(DwQbe, AnAnswerTableUnderAnAliasWithoutADirectoryIsRefused) {
    MakeLoans("LOANS.DBF", {{"A", 1}, {"B", 2}});
    // The engine keeps no aliases: one just added has no directory either.
    TStringList params;
    params.Add("PATH=" + folder_.Path());
    Session()->AddAlias("WORK", "STANDARD", &params);
    EXPECT_EQ(GetAliasPath("WORK"), "");
    EXPECT_EQ(GetAliasPath("NOSUCH"), "");
    TAnsweredQBE qbe(folder_.Path());
    qbe.AnswerTable = "WORK:ANSWER";
    qbe.Open();
    EXPECT_EQ(Shown(), Lines{"e: Invalid Alias in QBE"});
    ASSERT_TRUE(qbe.Active()) << "the answer is shown all the same";
    EXPECT_EQ(qbe.FieldByName("NAME")->AsString(), "A");
}

TEST_F(DwQbe, AnAnswerTableTheEngineCannotMakeIsReported) {
    MakeLoans("LOANS.DBF", {{"A", 1}, {"B", 2}});
    TAnsweredQBE qbe(folder_.Path());
    qbe.AnswerTable = "ANSWER.DBF";
    qbe.Open();
    EXPECT_EQ(Shown(),
              (Lines{"i: This engine function is not supported: DbiMakePermanent",
                     "e: Unable to create answer table ANSWER.DBF (Engine Error : 12033)"}));
    EXPECT_TRUE(qbe.Active());
    EXPECT_FALSE(std::filesystem::exists(folder_.Path() + "/ANSWER.DBF"));
}

TEST_F(DwQbe, TheQueryTakesTheSameAnswerTableStepAndWithoutANameNone) {
    MakeLoans("LOANS.DBF", {{"A", 1}});
    TAnsweredQuery query(folder_.Path());
    query.Open();
    EXPECT_TRUE(Shown().empty()) << "no answer table asked for, none made";
    query.Close();
    query.AnswerTable = "WORK:ANSWER";
    query.Open();
    EXPECT_EQ(Shown(), Lines{"e: Invalid Alias in QBE"});
    query.Close();
    services_.MessageBoxes.clear();
    query.AnswerTable = "ANSWER";
    query.Open();
    EXPECT_EQ(Shown(), (Lines{"i: This engine function is not supported: DbiMakePermanent",
                              "e: Unable to create answer table ANSWER (Engine Error : 12033)"}));
    EXPECT_TRUE(query.Active());
}
