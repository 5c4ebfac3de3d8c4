// The data-aware picture field, simple field and picture label over a real DBF table: what the
// controls show as the record moves, typing and pasting in browse state, writing back on post,
// ZeroAsNull, dates, and the fields a control cannot edit.
#include "controls/entry/DataPictureField.h"
#include "controls/entry/DataPictureLabel.h"
#include "controls/entry/DataSimpleField.h"

#include "EntryFormSupport.h"
#include "platform/gui/Clipbrd.h"
#include "platform/rtl/DateTime.h"
#include "tests/db/DataSetFixture.h"

namespace {

class DbEntryTest : public EntryFormTest {
protected:
    void SetUp() override {
        InitApplication();
        EntryFormTest::SetUp();
        xb_CloseAll();
        XbSettings() = TXbSettings();
        XbSettings().LockTimeout = 0;
        MakeTable();
        table = std::make_unique<TTestTable>(folder.Path(), "LOANS.DBF");
        table->Open();
        source = std::make_unique<TDataSource>(nullptr);
        source->SetDataSet(table.get());
    }
    void TearDown() override {
        form.reset();
        DispatchPostedMessages();
        source.reset();
        table.reset();
        DoneDBTables();
        XbSettings() = TXbSettings();
        EntryFormTest::TearDown();
    }

    // LOANS.DBF: NAME C10, AMOUNT N10.2, WHEN D, NOTE M; two records, the second without a date.
    void MakeTable() {
        const std::vector<TXbFieldDef> fields = {{"NAME", 'C', 10, 0, 0},
                                                 {"AMOUNT", 'N', 10, 2, 0},
                                                 {"WHEN", 'D', 8, 0, 0},
                                                 {"NOTE", 'M', 10, 0, 0}};
        const std::string path = folder / "LOANS.DBF";
        ASSERT_EQ(xb_Create(path, fields, xbCDX), xbOK);
        ASSERT_GT(xb_Use(path, "MAKE", xbModeExclusive, xbCDX), 0);
        ASSERT_EQ(xb_AppendEx(), 0);
        xb_Replace(1, xbReplaceText, "Smith");
        xb_Replace(2, xbReplaceDouble, 1250.5);
        xb_Replace(3, xbReplaceDateText, "03/15/2024");
        ASSERT_EQ(xb_Commit(), xbOK);
        ASSERT_EQ(xb_AppendEx(), 0);
        xb_Replace(1, xbReplaceText, "Jones");
        xb_Replace(2, xbReplaceDouble, 80.0);
        ASSERT_EQ(xb_Commit(), xbOK);
        xb_Close();
    }

    template <typename T>
    T* Linked(const std::string& field, int y) {
        T* control = Make<T>(field + std::to_string(y), 10, y);
        control->SetDataSource(source.get());
        control->SetDataField(field);
        return control;
    }

    // The field's value in the table file, read back after the dataset let go of it.
    std::string Stored(const std::string& field) {
        table->Close();
        TTestTable reader(folder.Path(), "LOANS.DBF");
        reader.Open();
        std::string values;
        for (; !reader.Eof(); reader.Next()) {
            TField* f = reader.FieldByName(field);
            values += (f->IsNull() ? std::string("<null>") : f->AsString()) + ";";
        }
        return values;
    }

    // Reopens the table with persistent fields for its columns and a calculated one of type T
    // (types the table files do not store), in edit state.
    template <typename T>
    T* ReopenWithCalculated(const std::string& name) {
        table->Close();
        TFieldDefs* defs = table->FieldDefs();
        for (int i = 0; i < defs->Count(); ++i)
            defs->Items(i)->CreateField(table.get());
        auto* field = new T(table.get());
        field->SetFieldName(name);
        field->SetCalculated(true);
        field->SetDataSet(table.get());
        table->Open();
        table->Edit();
        return field;
    }

    TTestFolder folder;
    std::unique_ptr<TTestTable> table;
    std::unique_ptr<TDataSource> source;
};

TEST_F(DbEntryTest, FieldsFollowTheRecordAndMapTheFieldTypes) {
    auto* name = Linked<TVcDbPictureField>("NAME", 10);
    auto* amount = Linked<TVcDbSimpleField>("AMOUNT", 40);
    amount->SetDecimalPlaces(2);
    auto* when = Linked<TVcDbPictureField>("WHEN", 70);
    ShowForm();
    EXPECT_EQ(name->DataType(), pftString);
    EXPECT_EQ(name->MaxLength(), 10);
    EXPECT_EQ(amount->DataType(), sftExtended);
    EXPECT_EQ(when->DataType(), pftDate);
    EXPECT_EQ(name->AsString(), "Smith");
    EXPECT_DOUBLE_EQ(amount->AsFloat(), 1250.5);
    EXPECT_EQ(when->AsDayNumber(), DMYToDate(15, 3, 2024, 1950));

    table->Next();
    EXPECT_EQ(name->AsString(), "Jones");
    EXPECT_DOUBLE_EQ(amount->AsFloat(), 80.0);
    // A record without a date shows the empty date mask.
    EXPECT_EQ(when->AsDayNumber(), BadDate);
    EXPECT_EQ(when->EditString(), "  /  /    ");
    EXPECT_EQ(table->State(), dsBrowse);
}

TEST_F(DbEntryTest, TypingInBrowseStateEditsTheRecordAndPostWritesIt) {
    auto* name = Linked<TVcDbPictureField>("NAME", 10);
    ShowForm();
    name->SetFocus();
    Key(name, Qt::Key_End);
    EXPECT_EQ(table->State(), dsBrowse) << "moving the caret does not edit";
    TypeText(name, "X");
    EXPECT_EQ(table->State(), dsEdit);
    Leave();
    EXPECT_EQ(table->FieldByName("NAME")->AsString(), "SmithX");
    table->Post();
    EXPECT_EQ(Stored("NAME"), "SmithX;Jones;");
}

TEST_F(DbEntryTest, AMaskLongerThanTheFieldIsCutAndUndoShowsTheRecordAgain) {
    auto* name = Make<TVcDbPictureField>("Name", 10, 10);
    name->SetPictureMask("XXXXXXXXXXXXXXXXXXXX");
    name->SetDataSource(source.get());
    name->SetDataField("NAME");
    ShowForm();
    EXPECT_EQ(name->PictureMask(), "XXXXXXXXXX");
    EXPECT_EQ(name->MaxLength(), 10);
    name->SetFocus();
    Key(name, Qt::Key_End);
    TypeText(name, "ZZ");
    EXPECT_NE(name->AsString(), "Smith");
    Key(name, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(name->AsString(), "Smith");
}

TEST_F(DbEntryTest, WithoutAutoEditAFieldInBrowseStateRefusesKeysAndPaste) {
    auto* name = Linked<TVcDbSimpleField>("NAME", 10);
    source->SetAutoEdit(false);
    ShowForm();
    TypeText(name, "Q");
    EXPECT_EQ(table->State(), dsBrowse);
    EXPECT_EQ(name->AsString(), "Smith");
    Clipboard()->SetAsText("Pasted");
    Key(name, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(name->AsString(), "Smith");
    EXPECT_FALSE(services.Beeps.empty());

    // With automatic editing a paste edits the record.
    source->SetAutoEdit(true);
    name->SetFocus();
    Key(name, Qt::Key_A, Qt::ControlModifier);
    Key(name, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(table->State(), dsEdit);
    table->Post();
    EXPECT_EQ(table->FieldByName("NAME")->AsString(), name->AsString());
    EXPECT_NE(name->AsString(), "Smith");
}

// The table's numeric fields keep no null of their own: a cleared amount is stored as zero, so
// the file shows the same value with and without ZeroAsNull; the post goes through either way.
TEST_F(DbEntryTest, ZeroTypedIntoANumericFieldIsPosted) {
    auto* amount = Linked<TVcDbPictureField>("AMOUNT", 10);
    auto* plain = Linked<TVcDbSimpleField>("AMOUNT", 40);
    amount->SetZeroAsNull(true);
    ShowForm();
    amount->SetFocus();
    Key(amount, Qt::Key_A, Qt::ControlModifier);
    TypeText(amount, "0");
    EXPECT_EQ(table->State(), dsEdit);
    table->Post();
    EXPECT_EQ(table->FieldByName("AMOUNT")->AsFloat(), 0.0);

    // Without the option a zero is stored as zero.
    table->Next();
    plain->SetFocus();
    Key(plain, Qt::Key_A, Qt::ControlModifier);
    TypeText(plain, "0");
    Leave();
    table->Post();
    EXPECT_EQ(Stored("AMOUNT"), "0;0;");
}

TEST_F(DbEntryTest, ADateTypedIntoADateFieldIsStored) {
    auto* when = Linked<TVcDbPictureField>("WHEN", 10);
    ShowForm();
    table->Next();
    when->SetFocus();
    TypeText(when, "07042024");
    EXPECT_EQ(table->State(), dsEdit);
    Leave();
    table->Post();
    EXPECT_EQ(table->FieldByName("WHEN")->AsDateTime(), EncodeDate(2024, 7, 4));
}

// A date written to a date-time field keeps the field's time of day; a time keeps its date.
TEST_F(DbEntryTest, DateOrTimeWrittenIntoADateTimeKeepsTheOtherPart) {
    auto* stamp = ReopenWithCalculated<TDateTimeField>("STAMP");
    auto* date = Make<TVcPictureField>("Date", 10, 10);
    date->SetDataType(pftDate);
    date->SetPictureMask("mm/dd/yyyy");
    auto* time = Make<TVcPictureField>("Time", 10, 40);
    time->SetDataType(pftTime);
    time->SetPictureMask("hh:mm");
    ShowForm();
    const double afternoon = 14.5 / 24; // 14:30
    stamp->SetAsDateTime(EncodeDate(2024, 3, 15) + afternoon);
    date->SetAsDayNumber(DMYToDate(4, 7, 2025, 0));
    VcDbWriteField(*date, *stamp, ftDateTime, false, false);
    EXPECT_DOUBLE_EQ(stamp->AsDateTime(), EncodeDate(2025, 7, 4) + afternoon);

    time->SetAsString("09:15");
    VcDbWriteField(*time, *stamp, ftDateTime, false, false);
    EXPECT_DOUBLE_EQ(stamp->AsDateTime(), EncodeDate(2025, 7, 4) + (9 + 15.0 / 60) / 24);

    // Into an empty date-time a time stands on day 0, a date at midnight.
    stamp->Clear();
    VcDbWriteField(*time, *stamp, ftDateTime, false, false);
    EXPECT_DOUBLE_EQ(stamp->AsDateTime(), (9 + 15.0 / 60) / 24);
    stamp->Clear();
    VcDbWriteField(*date, *stamp, ftDateTime, false, false);
    EXPECT_DOUBLE_EQ(stamp->AsDateTime(), EncodeDate(2025, 7, 4));
}

TEST_F(DbEntryTest, SimpleFieldTakesTheTypeAndWidthOfItsField) {
    ReopenWithCalculated<TWordField>("COUNT");
    auto* count = Linked<TVcDbSimpleField>("COUNT", 10);
    auto* name = Linked<TVcDbSimpleField>("NAME", 40);
    auto* amount = Linked<TVcDbSimpleField>("AMOUNT", 70);
    // A number field keeps the length its type gives, not the column's width.
    auto* plain = Make<TVcSimpleField>("Plain", 10, 100);
    plain->SetDataType(sftExtended);
    ShowForm();
    EXPECT_EQ(count->DataType(), sftWord);
    EXPECT_EQ(name->DataType(), sftString);
    EXPECT_EQ(name->MaxLength(), 10);
    EXPECT_EQ(amount->DataType(), sftExtended);
    EXPECT_EQ(amount->MaxLength(), plain->MaxLength());
    EXPECT_NE(amount->MaxLength(), table->FieldByName("AMOUNT")->GetDisplayWidth());
}

TEST_F(DbEntryTest, FieldsAControlCannotEditAreShownReadOnly) {
    auto* note = Linked<TVcDbPictureField>("NOTE", 10);
    auto* when = Linked<TVcDbSimpleField>("WHEN", 40);
    ShowForm();
    EXPECT_EQ(note->DisplayString(), "(Memo)");
    // A simple field on a date shows the field's own text and does not edit the record.
    EXPECT_EQ(when->AsString(), table->FieldByName("WHEN")->DisplayText());
    TypeText(when, "1");
    EXPECT_EQ(table->State(), dsBrowse);
    EXPECT_EQ(when->AsString(), table->FieldByName("WHEN")->DisplayText());
}

TEST_F(DbEntryTest, AnEditWithoutEditStateIsNotCarriedOut) {
    auto* amount = Linked<TVcDbSimpleField>("AMOUNT", 10);
    amount->SetDecimalPlaces(2);
    source->SetAutoEdit(false);
    ShowForm();
    amount->SetFocus();
    amount->IncreaseValue(false, 1);
    EXPECT_DOUBLE_EQ(amount->AsFloat(), 1250.5);
    source->SetAutoEdit(true);
    amount->IncreaseValue(false, 1);
    EXPECT_EQ(table->State(), dsEdit);
    EXPECT_DOUBLE_EQ(amount->AsFloat(), 1251.5);
}

TEST_F(DbEntryTest, RemovingTheDataSourceUnlinksTheControls) {
    auto* name = Linked<TVcDbPictureField>("NAME", 10);
    auto* label = Make<TVcDbPictureLabel>("Label", 10, 40);
    label->SetDataSource(source.get());
    label->SetDataField("NAME");
    source.reset();
    EXPECT_EQ(name->DataSource(), nullptr);
    EXPECT_EQ(label->DataSource(), nullptr);
}

TEST_F(DbEntryTest, ALabelFormatsTheFieldByItsType) {
    auto* amount = Make<TVcDbPictureLabel>("Amount", 10, 10);
    amount->SetPictureMask("$#,###.##");
    amount->SetDataSource(source.get());
    amount->SetDataField("AMOUNT");
    auto* when = Make<TVcDbPictureLabel>("When", 10, 40);
    when->SetUseIntlMask(true);
    when->SetDataSource(source.get());
    when->SetDataField("WHEN");
    ShowForm();
    // The same text a picture field with that mask shows for the value.
    TVcPictureField* field = Make<TVcPictureField>("Same", 10, 70);
    field->SetDataType(pftExtended);
    field->SetPictureMask("$#,###.##");
    field->SetMaxLength(9);
    field->SetAsFloat(1250.5);
    EXPECT_EQ(amount->Caption(), field->DisplayString());
    EXPECT_NE(when->Caption().find("3/15/2024"), std::string::npos) << when->Caption();
    table->Next();
    EXPECT_EQ(when->Caption().find("1899"), std::string::npos) << when->Caption();
    EXPECT_EQ(amount->ValueKind(), lkFloat);
    field->SetAsFloat(80);
    EXPECT_EQ(amount->Caption(), field->DisplayString());
    amount->SetDataField("NAME");
    EXPECT_EQ(amount->ValueKind(), lkString);
}

} // namespace
