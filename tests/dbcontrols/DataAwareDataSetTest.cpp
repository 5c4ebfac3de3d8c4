// The data-aware datasets' shared parts on a real table: mask validation before a post, the
// OnFilter record filter with the Escape check, the memo stream, settings by name, layouts.
#include "tests/db/DataSetFixture.h"

#include "db/EngineFilters.h"
#include "dbcontrols/ControlTexts.h"
#include "dbcontrols/DataSetParts.h"
#include "dbcontrols/SharedRoutines.h"
#include "platform/gui/WinUser.h"
#include "platform/rtl/TypInfo.h"

#include <gtest/gtest.h>

namespace {

// A table that publishes the settings of the data-aware datasets and validates before a post.
class TMaskedTable : public TTestTable {
    VANTREL_CLASS(TMaskedTable, TTestTable)

    TMaskedTable(const std::string& folder, const std::string& table)
        : TTestTable(folder, table, "NAME") {
        static const bool published = [] {
            using T = TMaskedTable;
            RegisterProperty<T>(
                "PictureMasks", [](T& t) -> TStrings* { return &t.Masks; },
                [](T& t, TStrings* v) { t.Masks.Assign(v); });
            RegisterProperty<T>(
                "ControlType", [](T& t) -> TStrings* { return &t.Types; },
                [](T& t, TStrings* v) { t.Types.Assign(v); });
            RegisterProperty<T>(
                "ValidateWithMask", [](T& t) { return t.Validate; },
                [](T& t, bool v) { t.Validate = v; });
            RegisterProperty<T>(
                "OnInvalidValue", [](T& t) { return t.OnInvalidValue; },
                [](T& t, TdwInvalidValueEvent v) { t.OnInvalidValue = std::move(v); });
            RegisterProperty<T>(
                "OnFilterOptions", [](T& t) { return t.Filter.Options(); },
                [](T& t, TdwOnFilterOptions v) { t.Filter.SetOptions(v); });
            return true;
        }();
        (void)published;
    }

    TStringList Masks;
    TStringList Types;
    bool Validate = true;
    TdwInvalidValueEvent OnInvalidValue;
    TdwRecordFilter Filter{this};

protected:
    void CloseCursor() override {
        TTestTable::CloseCursor();
        Filter.CursorClosed();
    }
    void DoBeforePost() override {
        TTestTable::DoBeforePost();
        if (dwGetValidateWithMask(this))
            dwValidateRecordMasks(this, dwGetInvalidValueEvent(this), [this](TField* f) {
                return dwGetPictureMask(this, f->FieldName()).Mask;
            });
    }
};

class DwDataSet : public DataSetFixture {
protected:
    TMaskedTable& OpenMasked(int rows) {
        std::vector<std::pair<std::string, double>> data;
        for (int i = 0; i < rows; ++i)
            data.emplace_back("N" + std::to_string(1000 + i), i + 1.0);
        MakeLoans("LOANS.DBF", data);
        masked_ = std::make_unique<TMaskedTable>(folder_.Path(), "LOANS.DBF");
        masked_->Open();
        return *masked_;
    }
    void TearDown() override {
        masked_.reset();
        DataSetFixture::TearDown();
    }
    std::unique_ptr<TMaskedTable> masked_;
};

} // namespace

TEST_F(DwDataSet, PostStopsAtTheFirstFieldThatMissesItsMask) {
    TMaskedTable& t = OpenMasked(3);
    t.Masks.Add("name\t&###\tT\tF"); // the field name's case does not matter
    t.Masks.Add("AMOUNT\t#\tT\tT");
    std::vector<std::string> invalid;
    t.OnInvalidValue = [&](TDataSet*, TField* f) { invalid.push_back(f->FieldName()); };
    t.Edit();
    t.FieldByName("NAME")->SetAsString("12ab");
    t.FieldByName("AMOUNT")->SetAsFloat(55);
    EXPECT_EQ(MessageOf([&] { t.Post(); }), "Invalid characters. Field : NAME");
    EXPECT_EQ(invalid, std::vector<std::string>{"NAME"}); // fields after it are not tested
    EXPECT_EQ(t.State(), dsEdit);                         // nothing typed is lost
    t.FieldByName("NAME")->SetAsString("");               // empty texts always pass
    EXPECT_EQ(MessageOf([&] { t.Post(); }), "Invalid characters. Field : AMOUNT");
    t.FieldByName("AMOUNT")->SetReadOnly(true); // read-only fields are not held against it
    t.Post();
    EXPECT_EQ(t.State(), dsBrowse);
    t.FieldByName("AMOUNT")->SetReadOnly(false);
    t.Validate = false;
    t.Edit();
    t.FieldByName("NAME")->SetAsString("xx");
    t.Post(); // not validated
    EXPECT_EQ(t.FieldByName("NAME")->AsString(), "xx");
}

TEST_F(DwDataSet, ConnectedTextsReachTheMaskValidation) {
    TMaskedTable& t = OpenMasked(1);
    t.Masks.Add("NAME\t###");
    TdwIntl form(nullptr);
    form.UserMessages()->PictureValidateError = "Falsche Zeichen im Feld ";
    form.SetConnected(true);
    t.Edit();
    t.FieldByName("NAME")->SetAsString("abc");
    const std::string message = MessageOf([&] { t.Post(); });
    TdwIntl restore(nullptr);
    restore.SetConnected(true);
    EXPECT_EQ(message, "Falsche Zeichen im Feld NAME");
    t.Cancel();
}

TEST_F(DwDataSet, PictureMaskLines) {
    TMaskedTable& t = OpenMasked(1);
    EXPECT_EQ(dwGetPictureMask(&t, "NAME").Mask, "");
    EXPECT_TRUE(dwGetPictureMask(&t, "NAME").Flag1);
    dwSetPictureMaskEntry(&t, "Name", "&&", true, false, false, false);
    EXPECT_EQ(t.Masks[0], "Name\t&&\tT\tF");
    dwSetPictureMaskEntry(&t, "NAME", "##", false, false, false, true); // keeps the flags
    EXPECT_EQ(t.Masks[0], "NAME\t##\tT\tF");
    const TdwPictureMask mask = dwGetPictureMask(&t, "name");
    EXPECT_EQ(mask.Mask, "##");
    EXPECT_FALSE(mask.Flag2);
    dwSetPictureMaskEntry(&t, "NAME", "", true, true, false, false);
    EXPECT_EQ(t.Masks.Count(), 0);
    EXPECT_TRUE(dwIsMaskValid("###", ""));
    EXPECT_FALSE(dwIsMaskValid("###", "12"));
}

TEST_F(DwDataSet, ControlTypesAndLookupLinesOfVanishedFields) {
    TMaskedTable& t = OpenMasked(1);
    t.Types.Add("NAME;Combo;Form1.Combo1;x");
    t.Types.Add("name;Check");
    t.Types.Add("GONE;Check");
    const TdwControlType type = dwGetControlType(&t, "NAME");
    EXPECT_EQ(type.Type, "Combo");
    EXPECT_EQ(type.Parameters, "Form1.Combo1;x");
    EXPECT_EQ(dwGetControlType(&t, "Name").Type, ""); // exact names only
    TStringList fields, links;
    fields.Add("GONE;db;ACCNTS.DBF;NAME;NAME");
    fields.Add("NAME;db;ACCNTS.DBF;NAME;NAME");
    links.Add("GONE;NAME");
    links.Add("NAME;NAME");
    dwCleanLookupDefinitions(&t, &fields, &links, &t.Types);
    EXPECT_EQ(fields.Count(), 1);
    EXPECT_EQ(links[0], "NAME;NAME");
    EXPECT_EQ(t.Types.Count(), 2); // the dataset finds its fields without regard to case
    EXPECT_EQ(t.Types[1], "name;Check");
}

TEST_F(DwDataSet, SettingsByNameOnOtherClasses) {
    TMaskedTable& t = OpenMasked(1);
    EXPECT_EQ(dwGetPictureMasks(&t), &t.Masks);
    EXPECT_EQ(dwGetLookupFields(&t), nullptr);
    EXPECT_TRUE(dwGetValidateWithMask(&t));
    EXPECT_EQ(dwGetPictureMasks(table_.get()), nullptr);
    EXPECT_FALSE(dwGetValidateWithMask(table_.get()));
    EXPECT_FALSE(dwIsDerivedDataSet(&t));
    EXPECT_FALSE(dwIsReadThroughDataSet(nullptr));
    EXPECT_FALSE(dwIsReadThroughDataSet(t.FieldByName("NAME"))) << "a stored field of a table";
    dwSetFilterEnabled(&t, false);
    EXPECT_FALSE(dwGetFilterOptions(&t).Contains(ofoEnabled));
    EXPECT_TRUE(dwGetFilterOptions(&t).Contains(ofoShowHourGlass));
}

TEST_F(DwDataSet, EscapeCancelsFilteringOnEveryHundredthRecord) {
    TMaskedTable& t = OpenMasked(250);
    TForm form(nullptr);
    int calls = 0, escapes = 0;
    t.Filter.Event = [&](bool& accept) {
        ++calls;
        EXPECT_NE(t.Filter.RecordBuffer(), nullptr);
        accept = true;
    };
    t.Filter.OnFilterEscape = [&](TDataSet* d) {
        EXPECT_EQ(d, &t);
        ++escapes;
    };
    t.Filter.SetOptions({ofoEnabled, ofoCancelOnEscape});
    ASSERT_TRUE(t.Filter.Install(true));
    EXPECT_NE(t.Filter.Handle(), 0u);
    calls = 0;
    PostMessage(form.Handle(), WM_KEYDOWN, 'A', 1);
    PostMessage(form.Handle(), WM_KEYDOWN, VK_ESCAPE, 1);
    EXPECT_EQ(RecordsWalked(t), 250);
    EXPECT_EQ(escapes, 1);
    EXPECT_FALSE(t.Filter.Options().Contains(ofoEnabled));
    EXPECT_LE(calls, 100);              // the event is not called once filtering is off
    EXPECT_EQ(PostedMessageCount(), 1); // the other key stays queued
    DispatchPostedMessages();
    t.Filter.Install(false);
    EXPECT_EQ(t.Filter.Handle(), 0u);
}

TEST_F(DwDataSet, RejectedRecordsAreHiddenUntilFilteringStops) {
    TMaskedTable& t = OpenMasked(6);
    int calls = 0;
    t.Filter.Event = [&](bool& accept) { accept = ++calls % 2 == 0; };
    ASSERT_TRUE(t.Filter.Install(true));
    EXPECT_LT(RecordsWalked(t), 6);
    t.Filter.SetOptions({}); // switched off by the program: re-read at once
    EXPECT_EQ(RecordsWalked(t), 6);
    // Taken out of the engine: with the event filtering again, every record still shows.
    t.Filter.SetOptions({ofoEnabled});
    ASSERT_TRUE(t.Filter.Install(true));
    ASSERT_TRUE(t.Filter.Install(false));
    EXPECT_EQ(t.Filter.Handle(), 0u);
    calls = 0;
    EXPECT_EQ(RecordsWalked(t), 6);
    EXPECT_EQ(calls, 0);
}

TEST_F(DwDataSet, TheEscapeCountGoesRoundAt32000Records) {
    TMaskedTable& t = OpenMasked(250);
    int calls = 0;
    t.Filter.Event = [&](bool& accept) {
        ++calls;
        accept = true;
    };
    t.Filter.SetOptions({ofoEnabled, ofoCancelOnEscape});
    ASSERT_TRUE(t.Filter.Install(true));
    // Scans until the count has gone round once; it then counts the records since.
    calls = t.Filter.EscapeCounter();
    while (calls < 32000 + 150)
        RecordsWalked(t);
    EXPECT_EQ(t.Filter.EscapeCounter(), calls - 32000);
    EXPECT_TRUE(t.Filter.Options().Contains(ofoEnabled)) << "no Escape was pressed";
}

TEST_F(DwDataSet, MemoStreamReadsLargeMemosInPieces) {
    TMaskedTable& t = OpenMasked(2);
    std::string memo;
    for (int i = 0; i < 40000; ++i)
        memo += static_cast<char>('a' + i % 26);
    t.Edit();
    t.FieldByName("NOTE")->SetAsString(memo);
    t.Post();
    TdwMemoStream stream(t.FieldByName("NOTE"));
    EXPECT_EQ(stream.Seek(0, soFromEnd), 40000);
    stream.Seek(0, soFromBeginning);
    std::string read(50000, '\0');
    EXPECT_EQ(stream.Read(read.data(), 50000), 40000);
    read.resize(40000);
    EXPECT_EQ(read, memo);
    char more[10];
    EXPECT_EQ(stream.Read(more, 10), 0); // at the end nothing more comes
    EXPECT_EQ(stream.Write("x", 1), 0);
    TdwMemoStream notMemo(t.FieldByName("NAME"));
    EXPECT_EQ(notMemo.Read(more, 10), 0);
    t.Next();
    TdwMemoStream empty(t.FieldByName("NOTE"));
    EXPECT_EQ(empty.Read(more, 10), 0);
}

TEST_F(DwDataSet, FieldLayoutsSaveAndRestore) {
    TMaskedTable& t = OpenMasked(1);
    TStringList layout;
    layout.Add("AMOUNT\t12\tAmount");
    layout.Add("MISSING\t5\tx");
    layout.Add("NAME\t20\tBorrower");
    dwRestoreFieldLayout(&t, &layout);
    EXPECT_TRUE(t.FieldByName("AMOUNT")->Visible());
    EXPECT_FALSE(t.FieldByName("WHEN")->Visible());
    EXPECT_EQ(t.FieldByName("NAME")->GetDisplayLabel(), "Borrower");
    TStringList saved;
    dwSaveFieldLayout(&t, &saved);
    ASSERT_EQ(saved.Count(), 2);
    EXPECT_EQ(saved[0], "AMOUNT\t12\tAmount");
    EXPECT_EQ(saved[1], "NAME\t20\tBorrower");
    EXPECT_TRUE(dwTypedTextFits(&t, "anything")); // NAME, a string, takes any text
    // A field named on a line past the number of fields goes last.
    layout.Clear();
    for (int i = 0; i < t.FieldCount() + 2; ++i)
        layout.Add("MISSING" + std::to_string(i));
    layout.Add("NAME\t20\tBorrower");
    dwRestoreFieldLayout(&t, &layout);
    EXPECT_EQ(t.FieldByName("NAME")->GetIndex(), t.FieldCount() - 1);
    EXPECT_FALSE(t.FieldByName("AMOUNT")->Visible());
    // A line with a width but no label keeps the field's own label.
    layout.Clear();
    layout.Add("WHEN\t9");
    dwRestoreFieldLayout(&t, &layout);
    EXPECT_TRUE(t.FieldByName("WHEN")->Visible());
    EXPECT_EQ(t.FieldByName("WHEN")->GetDisplayWidth(), 9);
    EXPECT_EQ(t.FieldByName("WHEN")->GetDisplayLabel(), "WHEN");
}

TEST(DwCommonKeys, JoinedPartsStopAtTheLastPart) {
    const std::vector<std::string> parts = {"a", "b", "c"};
    EXPECT_EQ(dwJoinParts(parts, 0, 3, ';'), "a;b;c");
    EXPECT_EQ(dwJoinParts(parts, 1, 2, ';'), "b");
    EXPECT_EQ(dwJoinParts(parts, 1, 9, '|'), "b|c");
    EXPECT_EQ(dwJoinParts(parts, 2, 2, ';'), "");
    EXPECT_EQ(dwJoinParts(parts, 4, 9, ';'), "");
}

TEST(DwCommonKeys, SearchKeysAndJoinedLines) {
    EXPECT_TRUE(dwIsSearchKey(8));
    EXPECT_TRUE(dwIsSearchKey('A'));
    EXPECT_FALSE(dwIsSearchKey(112)); // F1
    EXPECT_FALSE(dwIsSearchKey(VK_ESCAPE));
    EXPECT_TRUE(dwIsSearchKey(186));
    TStringList lines;
    lines.Add("select *");
    lines.Add("from loans");
    EXPECT_EQ(dwJoinLines(&lines, true), "select * from loans");
    EXPECT_EQ(dwJoinLines(&lines, false), "select *\r\nfrom loans");
    EXPECT_TRUE(dwIsHighBitSet(129));
    EXPECT_FALSE(dwIsHighBitSet(1));
}

TEST_F(DwDataSet, FindValueInMemosAndTexts) {
    TMaskedTable& t = OpenMasked(5);
    // Memos: the third holds the word deep inside a long text, past what is compared on the
    // fourth.
    auto setNote = [&](int record, const std::string& note) {
        t.First();
        t.MoveBy(record);
        t.Edit();
        t.FieldByName("NOTE")->SetAsString(note);
        t.Post();
    };
    setNote(2, std::string(1000, '.') + "Balloon payment due");
    setNote(3, std::string(40000, '.') + "balloon");
    t.First();
    EXPECT_TRUE(dwFindValue(&t, "balloon", "NOTE", dwMatchAnywhere, false));
    EXPECT_EQ(t.FieldByName("NAME")->AsString(), "N1002");
    t.First();
    EXPECT_FALSE(dwFindValue(&t, "balloon", "NOTE", dwMatchAnywhere, true)); // case matters
    EXPECT_EQ(t.FieldByName("NAME")->AsString(), "N1000");                   // back where it was
    t.Last();
    EXPECT_FALSE(dwFindValue(&t, "xyz", "NOTE", dwMatchAnywhere, false));
    EXPECT_EQ(t.FieldByName("NAME")->AsString(), "N1004");
    EXPECT_TRUE(dwFindValue(&t, "N10", "NAME", dwMatchStart, false));
    EXPECT_EQ(t.FieldByName("NAME")->AsString(), "N1000"); // the search runs from the first
}

TEST_F(DwDataSet, FindValueShortcutsAndNumbers) {
    TMaskedTable& t = OpenMasked(5);
    t.First();
    t.Next();
    EXPECT_TRUE(dwFindValue(&t, "n1001", "NAME", dwMatchWhole, false)); // already there
    EXPECT_EQ(t.FieldByName("NAME")->AsString(), "N1001");
    EXPECT_TRUE(dwFindValue(&t, "4", "AMOUNT", dwMatchWhole, false));
    EXPECT_EQ(t.FieldByName("NAME")->AsString(), "N1003");
    EXPECT_FALSE(dwFindValue(&t, "4x", "AMOUNT", dwMatchWhole, false));
    EXPECT_TRUE(dwFindValue(&t, "1004", "NAME", dwMatchAnywhere, false));
    EXPECT_EQ(t.FieldByName("NAME")->AsString(), "N1004");
    bool asked = false;
    EXPECT_TRUE(dwFindValue(&t, "N1000", "NAME", dwMatchWhole, false,
                            [&](TField* f, const std::string& v, bool& found) {
                                asked = f->FieldName() == "NAME" && v == "N1000";
                                found = true;
                                return true;
                            }));
    EXPECT_TRUE(asked);
    TRecordedServices services;
    EXPECT_FALSE(dwFindValue(&t, "x", "BALANCE", dwMatchWhole, false));
    ASSERT_EQ(services.MessageBoxes.size(), 1u);
    EXPECT_EQ(services.MessageBoxes[0].Text, "Field BALANCE not found.");
}

TEST_F(DwDataSet, DesignTimeCleaningDropsControlTypesOfVanishedComponents) {
    TMaskedTable& t = OpenMasked(1);
    TForm form(nullptr);
    form.SetName("Form1");
    auto* combo = new TEdit(&form);
    combo->SetName("Combo1");
    form.InsertComponent(&t);
    t.Types.Add("NAME;Combo;Combo1");
    t.Types.Add("NAME;LookupCombo;Gone1");
    t.Types.Add("NAME;Check;Gone2"); // not a type that names a component
    dwCleanControlTypes(&t);
    EXPECT_EQ(t.Types.Count(), 3); // only at design time
    form.SetDesigning(true);
    dwCleanControlTypes(&t);
    ASSERT_EQ(t.Types.Count(), 2);
    EXPECT_EQ(t.Types[0], "NAME;Combo;Combo1");
    EXPECT_EQ(t.Types[1], "NAME;Check;Gone2");
    EXPECT_EQ(dwOwningForm(&t), &form);
    form.SetDesigning(false);
    form.RemoveComponent(&t);
}

TEST_F(DwDataSet, TypedTextsSuitTheFirstIndexField) {
    MakeLoans("LOANS.DBF", {{"A", 1}, {"B", 2}});
    TTestTable byAmount(folder_.Path(), "LOANS.DBF", "AMOUNT");
    byAmount.Open();
    EXPECT_TRUE(dwTypedTextFits(&byAmount, "12.5"));
    EXPECT_FALSE(dwTypedTextFits(&byAmount, "12x"));
    EXPECT_TRUE(dwTypedTextFits(&byAmount, ""));
    byAmount.First();
    const std::vector<char> first = byAmount.GetBookmark();
    byAmount.Next();
    const std::vector<char> second = byAmount.GetBookmark();
    EXPECT_LT(dwCompareBookmarks(&byAmount, first, second), 0);
    EXPECT_EQ(dwCompareBookmarks(&byAmount, second, second), 0);
}

namespace {
// An edit control that publishes a data source and field, as the data-aware edits do.
class TBoundEdit : public TEdit {
    VANTREL_CLASS(TBoundEdit, TEdit)
    explicit TBoundEdit(TComponent* AOwner) : TEdit(AOwner) {
        static const bool published = [] {
            RegisterProperty<TBoundEdit>(
                "DataSource", [](TBoundEdit& e) { return e.Source; },
                [](TBoundEdit& e, TDataSource* v) { e.Source = v; });
            RegisterProperty<TBoundEdit>(
                "DataField", [](TBoundEdit& e) { return e.Field; },
                [](TBoundEdit& e, const std::string& v) { e.Field = v; });
            return true;
        }();
        (void)published;
    }
    TDataSource* Source = nullptr;
    std::string Field;
};
} // namespace

TEST_F(DwDataSet, DataSourceAndFieldOfEditControlsByName) {
    TForm form(nullptr);
    auto* edit = new TBoundEdit(&form);
    TDataSource source(nullptr);
    dwSetControlDataSource(edit, &source);
    dwSetControlDataField(edit, "NAME");
    EXPECT_EQ(dwGetControlDataSource(edit), &source);
    EXPECT_EQ(dwGetControlDataField(edit), "NAME");
    auto* label = new TLabel(&form); // not an edit control: nothing
    dwSetControlDataField(label, "NAME");
    EXPECT_EQ(dwGetControlDataField(label), "");
    EXPECT_EQ(dwGetControlDataSource(new TEdit(&form)), nullptr);
    dwSetControlDataSource(edit, nullptr);
}

TEST_F(DwDataSet, PostedKeysCarryTheirShiftState) {
    TForm form(nullptr);
    ResetKeyState();
    dwPostKeyWithShift(form.Handle(), VK_TAB, VK_SHIFT);
    EXPECT_LT(GetKeyState(VK_SHIFT), 0);
    EXPECT_LT(GetKeyState(VK_TAB), 0);
    EXPECT_EQ(PostedMessageCount(), 2);
    EXPECT_TRUE(TakeQueuedKeyDown(VK_TAB));
    EXPECT_FALSE(TakeQueuedKeyDown(VK_TAB));
    EXPECT_EQ(PostedMessageCount(), 1); // the key-up stays
    DispatchPostedMessages();
    ResetKeyState();
}

TEST_F(DwDataSet, ReopenedDatasetGetsAFreshRecordFilter) {
    TMaskedTable& t = OpenMasked(4);
    int calls = 0;
    t.Filter.Event = [&](bool& accept) { accept = ++calls > 0; };
    ASSERT_TRUE(t.Filter.Install(true));
    t.Close();
    t.Open();
    // The old handle belonged to the closed cursor: nothing of the new cursor is dropped.
    TFilterHandle other = 0;
    const char* condition = "AMOUNT < 3";
    ASSERT_EQ(DbiAddFilter(t.Handle(), reinterpret_cast<std::intptr_t>(condition), 1, false, "",
                           nullptr, &other),
              dbiOK);
    DbiActivateFilter(t.Handle(), other);
    ASSERT_TRUE(t.Filter.Install(true));
    int records = 0;
    for (t.First(); !t.Eof(); t.Next())
        ++records;
    EXPECT_EQ(records, 2); // the cursor's own condition still holds
}

TEST_F(DwDataSet, OnFilterReadsTheRecordBeingFiltered) {
    TMaskedTable& t = OpenMasked(6);
    std::vector<double> seen;
    t.Filter.Event = [&](bool& accept) {
        const double amount = t.FieldByName("AMOUNT")->AsFloat();
        seen.push_back(amount);
        accept = static_cast<int>(amount) % 2 == 0;
    };
    ASSERT_TRUE(t.Filter.Install(true));
    std::string names;
    for (t.First(); !t.Eof(); t.Next())
        names += t.FieldByName("NAME")->AsString() + " ";
    EXPECT_EQ(names, "N1001 N1003 N1005 ");
    EXPECT_EQ(t.State(), dsBrowse); // the filter state ends with the event
    EXPECT_NE(std::find(seen.begin(), seen.end(), 5.0), seen.end());
}
