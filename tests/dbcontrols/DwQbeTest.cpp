#include "tests/db/DataSetFixture.h"

#include "dbcontrols/Dwdatsrc.h"
#include "dbcontrols/Dwqbe.h"

#include <gtest/gtest.h>

namespace {
class DwQbe : public DataSetFixture {
protected:
    TRecordedServices services_;
};
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
