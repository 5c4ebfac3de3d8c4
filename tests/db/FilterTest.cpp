// Filters and searches of datasets over real tables: the filter text's tree, its errors, the
// three kinds of filter (text, handler, lookup) with hostile quotes in values, and Locate and
// Lookup by key search and by temporary filter.
#include "DataSetFixture.h"

#include <cstring>

namespace {

class FilterTest : public DataSetFixture {
protected:
    // The tree of a filter text over the open table.
    std::vector<char> Tree(const std::string& text, TFilterOptions options = 0) {
        return TExprParser(table_.get(), text, options).FilterData();
    }
    static int Word16(const std::vector<char>& tree, std::size_t at) {
        return static_cast<unsigned char>(tree.at(at)) | static_cast<unsigned char>(tree.at(at + 1))
                                                             << 8;
    }
    // Class, operator and operand i of the node at reference ref.
    static int Class(const std::vector<char>& tree, int ref) { return Word16(tree, 10 + ref); }
    static int Op(const std::vector<char>& tree, int ref) { return Word16(tree, 14 + ref); }
    static int Operand(const std::vector<char>& tree, int ref, int i) {
        return Word16(tree, 18 + ref + 2 * i);
    }
    static std::string Literal(const std::vector<char>& tree, int ref) {
        return std::string(tree.data() + Word16(tree, 8) + ref);
    }
    // The slots of the table's cursor in use.
    int UsedSlots() {
        int used = 0;
        for (const TEngineFilter& f : EngineWorkArea(table_->Handle())->Filters)
            used += f.Free() ? 0 : 1;
        return used;
    }
    void SetPaid(const std::string& name) {
        ASSERT_TRUE(table_->Locate("NAME", name, 0));
        table_->Edit();
        table_->FieldByName("PAID")->SetAsBoolean(true);
        table_->Post();
    }
};

TEST_F(FilterTest, TheTreeOfAConditionWithNotAndAnd) {
    OpenLoans({"A"});
    const std::vector<char> tree = Tree("AMOUNT > 100 AND NOT PAID");
    EXPECT_EQ(Word16(tree, 0), 2);
    EXPECT_EQ(static_cast<std::size_t>(Word16(tree, 2)), tree.size());
    EXPECT_EQ(Word16(tree, 4), 0xFFFF);
    EXPECT_EQ(Word16(tree, 6), 10);
    EXPECT_EQ(Class(tree, 0), nodeBinary);
    EXPECT_EQ(Op(tree, 0), canAND);
    const int left = Operand(tree, 0, 0), right = Operand(tree, 0, 1);
    EXPECT_EQ(Op(tree, left), canGT);
    EXPECT_EQ(Literal(tree, Operand(tree, Operand(tree, left, 0), 1)), "AMOUNT");
    EXPECT_EQ(Class(tree, right), nodeUnary);
    EXPECT_EQ(Op(tree, right), canNOT);
    const int test = Operand(tree, right, 0);
    EXPECT_EQ(Class(tree, test), nodeBinary);
    EXPECT_EQ(Op(tree, test), canNE);
    const int constant = Operand(tree, test, 1);
    EXPECT_EQ(Class(tree, constant), nodeConst);
    EXPECT_EQ(Operand(tree, constant, 0), 4); // boolean
    EXPECT_EQ(Operand(tree, constant, 1), 2);
}

TEST_F(FilterTest, AConstantFirstIsTurnedRoundAndAStarMakesAPrefix) {
    OpenLoans({"A"});
    std::vector<char> tree = Tree("100 < AMOUNT");
    EXPECT_EQ(Op(tree, 0), canGT);
    EXPECT_EQ(Class(tree, Operand(tree, 0, 0)), nodeField);
    tree = Tree("NAME = 'SM*'");
    EXPECT_EQ(Class(tree, 0), nodeCompare);
    EXPECT_EQ(Operand(tree, 0, 0), 0);
    EXPECT_EQ(Operand(tree, 0, 1), 2);
    EXPECT_EQ(Literal(tree, Operand(tree, Operand(tree, 0, 3), 2)), "SM");
    tree = Tree("NAME = 'SM*'", foNoPartialCompare);
    EXPECT_EQ(Class(tree, 0), nodeBinary);
    tree = Tree("[NAME] = 'O''Brien'");
    EXPECT_EQ(Literal(tree, Operand(tree, Operand(tree, 0, 1), 2)), "O'Brien");
    tree = Tree("NAME = NULL");
    EXPECT_EQ(Class(tree, 0), nodeUnary);
    EXPECT_EQ(Op(tree, 0), canIsBlank);
    EXPECT_EQ(Op(Tree("NAME <> NULL"), 0), canNotBlank);
}

TEST_F(FilterTest, AStarAfterTextMakesItAPrefixAndALoneStarIsText) {
    TTestTable& table = OpenLoans({"SMITH", "JONES", "*", "SAM", "S*"});
    table.SetFilter("NAME = 'S*'");
    table.SetFiltered(true);
    EXPECT_EQ(AllNames(), "S* SAM SMITH ");
    table.SetFilter("NAME = '*'");
    EXPECT_EQ(AllNames(), "* ");
    table.SetFilterOptions(foNoPartialCompare);
    table.SetFilter("NAME = 'S*'");
    EXPECT_EQ(AllNames(), "S* ");
}

TEST_F(FilterTest, TextsTheParserRefusesSayWhy) {
    OpenLoans({"A"});
    auto error = [&](const std::string& text) { return MessageOf([&] { Tree(text); }); };
    EXPECT_EQ(error("(NAME = 'A'"), "')' expected but nothing found");
    EXPECT_EQ(error("(NAME = 'A' OR"), "Expression expected but nothing found");
    EXPECT_EQ(error("NAME = 'A' NAME"), "Filter expression incorrectly terminated");
    EXPECT_EQ(error("NAME # 'A'"), "Invalid filter expression character: '#'");
    EXPECT_EQ(error("NAME = 'A"), "Unterminated string constant");
    EXPECT_EQ(error("[NAME = 'A'"), "Unterminated field name");
    EXPECT_EQ(error("NAME > NULL"), "NULL only allowed with '=' and '<>'");
    EXPECT_EQ(error("NAME = AMOUNT"), "Relational operators require a field and a constant");
    EXPECT_EQ(error("NAME"), "Field 'NAME' is not of type Boolean");
    EXPECT_EQ(error("'A'"), "Incorrectly formed filter expression");
    EXPECT_EQ(error("RATE = 1"), "Field 'RATE' not found");
    EXPECT_THROW(Tree("AMOUNT = 'lots'"), EConvertError);
    EXPECT_EQ(error("NOTE = 'x'"), "Field 'NOTE' cannot be used in a filter expression");
}

TEST_F(FilterTest, FilterTextWithQuotesInValuesSelectsExactlyThoseRecords) {
    TTestTable& table = OpenLoans({"O'BRIEN", "O'BRIENS", "SMITH", "SAY\"HI", "A'B\"C"});
    table.SetFilter("NAME = 'O''BRIEN'");
    EXPECT_EQ(AllNames(), "A'B\"C O'BRIEN O'BRIENS SAY\"HI SMITH ");
    table.SetFiltered(true);
    EXPECT_EQ(AllNames(), "O'BRIEN ");
    table.SetFilter("NAME = 'SAY\"HI' OR NAME = 'A''B\"C'");
    EXPECT_EQ(AllNames(), "A'B\"C SAY\"HI ");
    table.SetFilter("NAME = 'o''b*'");
    EXPECT_EQ(AllNames(), "");
    table.SetFilterOptions(foCaseInsensitive);
    EXPECT_EQ(AllNames(), "O'BRIEN O'BRIENS ");
    table.SetFilter("AMOUNT >= 3 AND NOT (NAME = 'SMITH')");
    EXPECT_EQ(AllNames(), "A'B\"C SAY\"HI ");
}

TEST_F(FilterTest, ARefusedTextKeepsTheFilterThatWorks) {
    TTestTable& table = OpenLoans({"A", "B", "C"});
    table.SetFilter("AMOUNT > 1");
    table.SetFiltered(true);
    EXPECT_EQ(AllNames(), "B C ");
    EXPECT_EQ(MessageOf([&] { table.SetFilter("AMOUNT >"); }),
              "Expression expected but nothing found");
    EXPECT_EQ(table.Filter(), "AMOUNT > 1");
    EXPECT_EQ(AllNames(), "B C ");
    table.SetFiltered(false);
    EXPECT_EQ(AllNames(), "A B C ");
}

TEST_F(FilterTest, TurningFilteredOnMovesToTheFirstRecordThatPasses) {
    TTestTable& table = OpenLoans({"A", "B", "C"});
    table.SetFilter("AMOUNT >= 2");
    table.Last();
    table.SetFiltered(true);
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "B");
    EXPECT_TRUE(table.Bof());
    table.Close();
    table.Open();
    EXPECT_EQ(AllNames(), "B C ");
}

TEST_F(FilterTest, SwappingFiltersOnAnUnfilteredDatasetFreesTheOldSlots) {
    TTestTable& table = OpenLoans({"A", "B"});
    for (int i = 0; i < 150; ++i)
        table.SetFilter("AMOUNT > " + std::to_string(i % 3));
    EXPECT_EQ(UsedSlots(), 1);
    table.SetOnFilterRecord([](TDataSet*, bool&) {});
    table.SetOnFilterRecord(nullptr);
    table.SetOnFilterRecord([](TDataSet*, bool&) {});
    EXPECT_EQ(UsedSlots(), 2);
    table.SetFilter("");
    EXPECT_EQ(UsedSlots(), 1);
    EXPECT_EQ(AllNames(), "A B ");
}

TEST_F(FilterTest, TheFilterHandlerDecidesAndItsExceptionsAreShown) {
    TTestTable& table = OpenLoans({"A", "B", "C", "D"});
    table.SetOnFilterRecord([](TDataSet* data, bool& accept) {
        accept = data->FieldByName("AMOUNT")->AsFloat() != 2;
        if (data->FieldByName("NAME")->AsString() == "C") throw EDatabaseError("Bad record");
    });
    table.SetFiltered(true);
    EXPECT_EQ(AllNames(), "A C D ");
    ASSERT_FALSE(services_.MessageBoxes.empty());
    EXPECT_EQ(services_.MessageBoxes.back().Text, "Bad record.");
    services_.MessageBoxes.clear();
    table.SetOnFilterRecord([](TDataSet* data, bool& accept) {
        accept = data->FieldByName("NAME")->AsString() == "B";
        TBlobStream memo(static_cast<TBlobField*>(data->FieldByName("NOTE")), bmRead);
    });
    EXPECT_EQ(AllNames(), "A B C D ");
    ASSERT_FALSE(services_.MessageBoxes.empty());
    EXPECT_EQ(services_.MessageBoxes.back().Text, "Cannot access field 'NOTE' in a filter.");
    table.SetFiltered(false);
    table.SetOnFilterRecord([](TDataSet* data, bool& accept) {
        accept = data->FieldByName("NAME")->AsString() != "A";
    });
    EXPECT_EQ(AllNames(), "A B C D ");
    table.SetFiltered(true);
    EXPECT_EQ(AllNames(), "B C D ");
}

TEST_F(FilterTest, LocateByTheActiveIndexAndByAnyField) {
    TTestTable& table = OpenLoans({"SMITH", "O'BRIEN", "JONES", "smythe"});
    EXPECT_TRUE(table.Locate("NAME", "JONES", 0));
    EXPECT_EQ(table.FieldByName("AMOUNT")->AsFloat(), 3);
    EXPECT_TRUE(table.Locate("AMOUNT", 2, 0));
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "O'BRIEN");
    EXPECT_EQ(UsedSlots(), 0);
    EXPECT_TRUE(table.Locate("NAME", "o'brien", loCaseInsensitive));
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "O'BRIEN");
    EXPECT_TRUE(table.Locate("NAME", "sm", loCaseInsensitive | loPartialKey));
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "SMITH");
    EXPECT_TRUE(table.Locate("NAME", "smy", loPartialKey));
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "smythe");
    EXPECT_FALSE(table.Locate("NAME", "SM", 0));
    EXPECT_FALSE(table.Locate("NAME", "O'BRIEN' .OR. .T. .OR. '", 0));
    EXPECT_FALSE(table.Locate("NAME;AMOUNT", TVariant::Array({"JONES", 2}), 0));
    EXPECT_TRUE(table.Locate("NAME;AMOUNT", TVariant::Array({"JONES", 3}), 0));
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "JONES");
    EXPECT_EQ(UsedSlots(), 0);
    table.Next();
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "O'BRIEN");
}

TEST_F(FilterTest, RoundNumbersFilterAndLocate) {
    MakeLoans("LOANS.DBF",
              {{"SMALL", 50000}, {"ROUND", 100000}, {"LARGE", 200000}, {"HUGE", 1000000}});
    table_ = std::make_unique<TTestTable>(folder_.Path(), "LOANS.DBF", "NAME");
    table_->Open();
    table_->SetFilter("AMOUNT > 100000");
    table_->SetFiltered(true);
    EXPECT_EQ(AllNames(), "HUGE LARGE ");
    table_->SetFilter("AMOUNT < 1000000");
    EXPECT_EQ(AllNames(), "LARGE ROUND SMALL ");
    table_->SetFilter("AMOUNT >= 1E5 AND AMOUNT <= 2e5");
    EXPECT_EQ(AllNames(), "LARGE ROUND ");
    table_->SetFiltered(false);
    EXPECT_TRUE(table_->Locate("AMOUNT", 200000, 0));
    EXPECT_EQ(table_->FieldByName("NAME")->AsString(), "LARGE");
    EXPECT_TRUE(table_->Locate("AMOUNT", 1e6, 0));
    EXPECT_EQ(table_->FieldByName("NAME")->AsString(), "HUGE");
    EXPECT_FALSE(table_->Locate("AMOUNT", 300000, 0));
    EXPECT_EQ(UsedSlots(), 1); // the filter text's, kept while the dataset is unfiltered
}

TEST_F(FilterTest, LocateFindsTheDayADateFieldStores) {
    TTestTable& table = OpenLoans({"A", "B", "C"});
    const auto setWhen = [&](const std::string& name, double when) {
        ASSERT_TRUE(table.Locate("NAME", name, 0));
        table.Edit();
        table.FieldByName("WHEN")->SetAsDateTime(when);
        table.Post();
    };
    // 15 March 2023 18:00 is stored as 15 March; -1.25, 29 December 1899 06:00, as 29 December.
    setWhen("A", 45000);
    setWhen("B", 45000.75);
    setWhen("C", -1.25);
    EXPECT_EQ(table.FieldByName("WHEN")->AsDateTime(), -1);
    ASSERT_TRUE(table.Locate("WHEN", TVariant::FromDate(45000.75), 0));
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "A");
    ASSERT_TRUE(table.Locate("WHEN", TVariant::FromDate(-1.25), 0));
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "C");
    EXPECT_FALSE(table.Locate("WHEN", TVariant::FromDate(-2), 0));
}

TEST_F(FilterTest, LookupAnswersWithoutMovingAndFeedsLookupFields) {
    TTestTable& table = OpenLoans({"A", "B", "C"});
    table.First();
    EXPECT_EQ(table.Lookup("AMOUNT", 3, "NAME").AsString(), "C");
    EXPECT_TRUE(table.Lookup("AMOUNT", 9, "NAME").IsNull());
    const TVariant both = table.Lookup("NAME", "B", "NAME;AMOUNT");
    ASSERT_EQ(both.Items().size(), 2u);
    EXPECT_EQ(both.Items()[1].AsFloat(), 2);
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "A");
    // The search moved the cursor underneath: the next record is still the one after A.
    EXPECT_EQ(table.Lookup("NAME", "C", "AMOUNT").AsInteger(), 3);
    table.Next();
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "B");

    TTestTable loans(folder_.Path(), "LOANS.DBF", "AMOUNT");
    auto* key = new TFloatField(&loans);
    key->SetFieldName("AMOUNT");
    key->SetDataSet(&loans);
    auto* name = new TStringField(&loans);
    name->SetFieldName("BORROWER");
    name->SetSize(10);
    name->SetLookup(true);
    name->SetLookupDataSet(&table);
    name->SetKeyFields("AMOUNT");
    name->SetLookupKeyFields("AMOUNT");
    name->SetLookupResultField("NAME");
    name->SetDataSet(&loans);
    loans.Open();
    EXPECT_EQ(FieldTexts(loans, "BORROWER"), "A B C ");
}

TEST_F(FilterTest, ValuesWithEveryKindOfQuoteAreFoundNeverMisread) {
    TTestTable& table = OpenLoans({"A'B\"C", "X'Y\"Z]", "PLAIN"});
    EXPECT_TRUE(table.Locate("AMOUNT;NAME", TVariant::Array({1, "A'B\"C"}), 0));
    EXPECT_EQ(table.FieldByName("AMOUNT")->AsFloat(), 1);
    EXPECT_FALSE(table.Locate("AMOUNT;NAME", TVariant::Array({3, "A'B\"C"}), 0));
    // No delimiter is free in this value: it is found all the same.
    EXPECT_TRUE(table.Locate("AMOUNT;NAME", TVariant::Array({2, "X'Y\"Z]"}), 0));
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "X'Y\"Z]");
    EXPECT_FALSE(table.Locate("NAME", "X'Y\"Z", 0));
    EXPECT_EQ(UsedSlots(), 0);
    EXPECT_EQ(AllNames(), "A'B\"C PLAIN X'Y\"Z] ");
}

TEST_F(FilterTest, CachedUpdatesNeedWhatThisEngineLacks) {
    TTestTable& table = OpenLoans({"A"});
    EXPECT_THROW(table.SetCachedUpdates(true), EDBEngineError);
    EXPECT_FALSE(table.CachedUpdates());
    EXPECT_TRUE(table.Active());
    table.Close();
    table.SetCachedUpdates(true);
    EXPECT_THROW(table.Open(), EDBEngineError);
    EXPECT_FALSE(table.Active());
    ASSERT_FALSE(services_.MessageBoxes.empty());
    EXPECT_EQ(services_.MessageBoxes.back().Text,
              "This engine function is not supported: DbiBeginDelayedUpdates");
}

TEST_F(FilterTest, LocateFindsOnlyRecordsTheFilterHandlerShows) {
    TTestTable& table = OpenLoans({"A", "B", "C", "D"});
    table.SetOnFilterRecord([](TDataSet* data, bool& accept) {
        accept = data->FieldByName("NAME")->AsString() != "B";
    });
    table.SetFiltered(true);
    EXPECT_FALSE(table.Locate("AMOUNT", 2, 0));
    EXPECT_TRUE(table.Locate("AMOUNT", 3, 0));
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "C");
    table.SetFiltered(false);
    EXPECT_TRUE(table.Locate("AMOUNT", 2, 0));
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "B");
}

} // namespace
