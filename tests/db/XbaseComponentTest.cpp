// The engine components over real tables: TXBase's seeks, scopes, orders, conditions, extra
// index files, deletion and packing; what it does on a closed table; TXBaseEnv's settings and
// its single instance; the engine's text buffer.
#include "DataSetFixture.h"

#include "db/EngineTextList.h"
#include "db/XbaseComponent.h"
#include "platform/rtl/Regional.h"

namespace {

class XBaseTest : public DataSetFixture {
protected:
    void TearDown() override {
        xbase_.reset();
        table_.reset();
        FormatSettings() = TFormatSettings();
        DataSetFixture::TearDown();
    }

    TTable& Open(const std::vector<std::string>& names, TTableType type = ttXBFOX,
                 int driver = xbCDX, bool exclusive = false) {
        std::vector<std::pair<std::string, double>> rows;
        for (std::size_t i = 0; i < names.size(); ++i)
            rows.emplace_back(names[i], static_cast<double>(i + 1));
        MakeLoans("LOANS.DBF", rows, driver);
        table_ = std::make_unique<TTable>(nullptr);
        table_->SetDatabaseName(folder_.Path() + "/");
        table_->SetTableName("LOANS.DBF");
        table_->SetTableType(type);
        table_->SetIndexName("NAME");
        table_->SetExclusive(exclusive);
        source_.SetDataSet(table_.get());
        xbase_ = std::make_unique<TXBase>(nullptr);
        xbase_->SetDataSource(&source_);
        table_->Open();
        return *table_;
    }

    std::string Names() { return FieldTexts(*table_); }
    std::string Current() { return table_->FieldByName("NAME")->AsString(); }

    std::unique_ptr<TTable> table_;
    std::unique_ptr<TXBase> xbase_;
};

TEST_F(XBaseTest, SeekStandsOnTheKeyOrAtTheEnd) {
    Open({"SMITH", "ADAMS", "JONES"});
    EXPECT_TRUE(xbase_->Seek("JONES"));
    EXPECT_EQ(Current(), "JONES");
    EXPECT_FALSE(table_->Eof());
    EXPECT_FALSE(xbase_->Seek("BROWN"));
    EXPECT_TRUE(table_->Eof());
    EXPECT_EQ(Current(), "SMITH");
    EXPECT_EQ(xbase_->IndexKey(), "NAME");
    EXPECT_EQ(xbase_->RecCount(), 3);
    EXPECT_EQ(xbase_->RecSize(), 1 + 10 + 10 + 8 + 1 + 10);
    xbase_->SetTurboRead(true);
    EXPECT_TRUE(xbase_->TurboRead());
    EXPECT_TRUE(XbSettings().TurboRead);
}

TEST_F(XBaseTest, EvalStringReadsTheActiveRecordAndLeavesTheEngineWhereItWas) {
    Open({"SMITH", "ADAMS", "JONES"});
    table_->First();
    table_->Next();
    EXPECT_EQ(xbase_->EvalString("NAME + '!'"), "JONES     !");
    EXPECT_EQ(xbase_->GetRecNo(), 3);
    table_->Append();
    EXPECT_EQ(xbase_->EvalString("'new'"), "new");
    table_->Cancel();
    table_->First();
    EXPECT_EQ(xbase_->EvalString("LTRIM(STR(AMOUNT))"), "2");
    table_->Next();
    EXPECT_EQ(Current(), "JONES");
}

TEST_F(XBaseTest, ScopeOrderAndConditionRestrictTheTable) {
    Open({"A", "B", "C", "D", "E"});
    EXPECT_TRUE(xbase_->SetScope("B", "D"));
    EXPECT_EQ(Current(), "B");
    EXPECT_EQ(Names(), "B C D ");
    EXPECT_TRUE(xbase_->SetScope("", ""));
    EXPECT_EQ(Names(), "A B C D E ");
    const int amount = xbase_->TagArea("AMOUNT");
    EXPECT_GT(amount, 0);
    EXPECT_EQ(xbase_->SetOrder(amount), xbase_->TagArea("NAME"));
    EXPECT_EQ(table_->IndexName(), "AMOUNT");
    EXPECT_EQ(xbase_->TagName(amount), "AMOUNT");
    xbase_->Query("AMOUNT > 3");
    EXPECT_EQ(xbase_->Filter(), "AMOUNT > 3");
    EXPECT_EQ(Names(), "D E ");
    EXPECT_THROW(xbase_->Query("AMOUNT >"), EDBEngineError);
    EXPECT_EQ(xbase_->Filter(), "AMOUNT > 3");
    EXPECT_EQ(Names(), "D E ");
    xbase_->Query("");
    EXPECT_EQ(Names(), "A B C D E ");
}

TEST_F(XBaseTest, TheConditionAndExtraIndexesReturnWithTheTable) {
    MakeLoans("LOANS.DBF", {{"A", 3}, {"B", 1}, {"C", 2}}, xbNSX);
    ASSERT_GT(xb_Use(Path("LOANS.DBF"), "MAKE", xbModeExclusive, xbNSX), 0);
    ASSERT_GT(xb_IndexCreate(Path("BYAMT.NSX"), "BYAMT", "AMOUNT", "", 0, 0), 0);
    xb_Close();
    table_ = std::make_unique<TTable>(nullptr);
    table_->SetDatabaseName(folder_.Path() + "/");
    table_->SetTableName("LOANS.DBF");
    table_->SetTableType(ttXBNSX);
    source_.SetDataSet(table_.get());
    xbase_ = std::make_unique<TXBase>(nullptr);
    xbase_->SetDataSource(&source_);
    xbase_->SetFilter("AMOUNT < 3");
    TStringList extra;
    extra.Add("BYAMT");
    xbase_->SetExtraIndexes(&extra);
    table_->Open();
    EXPECT_EQ(table_->IndexName(), "BYAMT");
    EXPECT_EQ(Names(), "B C ");
    table_->Close();
    table_->Open();
    EXPECT_EQ(Names(), "B C ");
    extra.Clear();
    extra.Add("MISSING");
    extra.Add("BYAMT");
    EXPECT_THROW(xbase_->SetExtraIndexes(&extra), EDBEngineError);
    EXPECT_EQ(table_->IndexName(), "BYAMT");
    EXPECT_EQ(Names(), "B C ");
}

TEST_F(XBaseTest, DeleteAndPackRemoveTheRecord) {
    Open({"A", "B", "C"}, ttXBFOX, xbCDX, true);
    ASSERT_TRUE(xbase_->Seek("B"));
    xbase_->Delete();
    EXPECT_EQ(Names(), "A C ");
    EXPECT_EQ(xbase_->RecCount(), 3);
    xbase_->Pack();
    EXPECT_EQ(xbase_->RecCount(), 2);
    EXPECT_EQ(Names(), "A C ");
    table_->Close();
    const std::string out = Dbfread("print([r['NAME'] for r in dbfread.DBF('LOANS.DBF')])\n");
    if (!out.empty()) {
        EXPECT_EQ(out, "['A', 'C']\n");
    }
}

TEST_F(XBaseTest, PackOnASharedTableRaisesAndKeepsTheRecords) {
    Open({"A", "B"});
    ASSERT_TRUE(xbase_->Seek("B"));
    xbase_->Delete();
    EXPECT_THROW(xbase_->Pack(), EDBEngineError);
    EXPECT_EQ(xbase_->RecCount(), 2);
    EXPECT_EQ(Names(), "A ");
}

TEST_F(XBaseTest, OnAClosedTableNothingIsDone) {
    Open({"A", "B"});
    table_->Close();
    EXPECT_FALSE(xbase_->Active());
    EXPECT_FALSE(xbase_->Seek("A"));
    EXPECT_EQ(xbase_->RecCount(), 0);
    EXPECT_EQ(xbase_->EvalString("NAME"), "");
    EXPECT_EQ(xbase_->IndexOrd(), 0);
    EXPECT_EQ(xbase_->SysProp(1009, 0), 0);
    EXPECT_FALSE(xbase_->SetScope("A", "A"));
    EXPECT_EQ(xbase_->TagArea("NAME"), 0);
    EXPECT_EQ(xbase_->IndexOpen("NAME.CDX"), 0);
    EXPECT_EQ(xbase_->SetOrder(1), 0);
    EXPECT_EQ(xbase_->RecSize(), 0);
    EXPECT_EQ(xbase_->IndexKey(), "");
    xbase_->Delete();
    xbase_->Pack();
    TXBase unlinked(nullptr);
    EXPECT_EQ(unlinked.RecCount(), 0);
    EXPECT_EQ(unlinked.TagName(1), "");
    table_->Open();
    EXPECT_EQ(Names(), "A B ");
}

TEST_F(XBaseTest, TheEnvironmentKeepsItsSettingsInRange) {
    TXBaseEnv env(nullptr);
    EXPECT_EQ(env.Epoch(), 1900);
    EXPECT_EQ(env.LockTimeout(), 1);
    EXPECT_EQ(env.MemoBlockSize(), 64);
    EXPECT_EQ(env.DateFormat(), dfWinDefault);
    env.SetEpoch(50);
    EXPECT_EQ(env.Epoch(), 100);
    env.SetEpoch(0);
    EXPECT_EQ(env.Epoch(), 1900);
    env.SetEpoch(5000);
    EXPECT_EQ(env.Epoch(), 2999);
    EXPECT_EQ(XbSettings().Epoch, 2999);
    env.SetExact(true);
    EXPECT_TRUE(XbSettings().Exact);
    env.SetCentury(true);
    env.SetDateFormat(dfBritish);
    EXPECT_EQ(FormatSettings().ShortDateFormat, "dd/mm/yyyy");
    EXPECT_EQ(FormatSettings().DateSeparator, '/');
    env.SetDateFormat(dfGerman);
    EXPECT_EQ(FormatSettings().ShortDateFormat, "dd.mm.yyyy");
    env.SetCentury(false);
    EXPECT_EQ(FormatSettings().ShortDateFormat, "dd.mm.yy");
    EXPECT_EQ(XbSettings().DateFormat, 4);
}

TEST_F(XBaseTest, ASecondEnvironmentIsRefusedAndTheFirstStays) {
    TComponent owner(nullptr);
    auto* first = new TXBaseEnv(&owner);
    first->SetSoftSeek(true);
    try {
        TXBaseEnv second(&owner);
        FAIL() << "a second environment was made";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Removing extra TXBaseEnv component");
    }
    EXPECT_EQ(owner.ComponentCount(), 1);
    EXPECT_TRUE(first->SoftSeek());
    delete first;
    TXBaseEnv again(nullptr);
    EXPECT_FALSE(again.SoftSeek());
}

TEST_F(XBaseTest, TheTextBufferHoldsFourTextsOfAtMost255Characters) {
    TCStringList texts;
    EXPECT_EQ(texts.Add("NAME"), 0);
    texts.Add(std::string(300, 'x'));
    EXPECT_EQ(std::string(texts.Items(1)).size(), 255u);
    texts.Add("C");
    texts.Add("D");
    EXPECT_THROW(texts.Add("E"), EStringListError);
    EXPECT_EQ(texts.Count(), 4);
    EXPECT_STREQ(texts.Items(0), "NAME");
}

} // namespace
