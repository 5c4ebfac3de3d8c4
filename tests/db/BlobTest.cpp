// Memo and binary fields through TBlobStream: long texts, writes outside editing, cancelled
// writes and bitmaps with the graphic header.
#include "DataSetFixture.h"

#include "platform/gui/Graphics.h"
#include "platform/rtl/Streams.h"

namespace {

class BlobTest : public DataSetFixture {
protected:
    // LOANS.DBF with one record, its memo field NOTE taken as a graphic field.
    TTestTable& OpenPictures() {
        MakeLoans("LOANS.DBF", {{"ADAMS", 1}});
        table_ = std::make_unique<TTestTable>(folder_.Path(), "LOANS.DBF");
        TFieldDefs* defs = table_->FieldDefs();
        for (int i = 0; i < defs->Count(); ++i) {
            if (defs->Items(i)->DataType() != ftMemo) {
                defs->Items(i)->CreateField(table_.get());
                continue;
            }
            auto* picture = new TGraphicField(table_.get());
            picture->SetFieldName(defs->Items(i)->Name());
            picture->SetSize(defs->Items(i)->Size());
            picture->SetDataSet(table_.get());
        }
        table_->Open();
        return *table_;
    }
};

TEST_F(BlobTest, ALongMemoIsWrittenAndReadBackWhole) {
    TTestTable& table = OpenLoans({"ADAMS", "SMITH"});
    TField* note = table.FieldByName("NOTE");
    EXPECT_TRUE(note->AsString().empty());
    std::string text;
    for (int i = 0; text.size() < 5000; ++i)
        text += "Line " + std::to_string(i) + " of the loan notes.\r\n";
    table.Edit();
    note->SetAsString(text);
    EXPECT_TRUE(table.Modified());
    EXPECT_EQ(note->AsString(), text);
    table.Post();
    table.Next();
    EXPECT_EQ(MessageOf([&] { note->SetAsString("x"); }), "Dataset not in edit or insert mode");
    table.Edit();
    note->SetAsString("short");
    table.Post();
    table.Close();
    table.Open();
    EXPECT_EQ(table.FieldByName("NOTE")->AsString(), text);
    table.Next();
    EXPECT_EQ(table.FieldByName("NOTE")->AsString(), "short");
    table.Close();
    DoneDBTables();
    const std::string out =
        Dbfread("for r in dbfread.DBF('LOANS.DBF'): print(r['NAME'], len(r['NOTE'] or ''))\n");
    if (out.empty()) GTEST_SKIP() << "python3-dbfread is not installed";
    EXPECT_EQ(out, "ADAMS " + std::to_string(text.size()) + "\nSMITH 5\n");
}

TEST_F(BlobTest, WritingNeedsEditingAndACancelledWriteLeavesTheMemo) {
    TTestTable& table = OpenLoans({"ADAMS"});
    auto* note = static_cast<TBlobField*>(table.FieldByName("NOTE"));
    EXPECT_EQ(MessageOf([&] { TBlobStream stream(note, bmWrite); }),
              "Dataset not in edit or insert mode");
    table.Edit();
    note->SetAsString("kept");
    table.Post();
    table.Edit();
    note->SetAsString("dropped");
    EXPECT_TRUE(note->Modified());
    table.Cancel();
    EXPECT_FALSE(note->Modified());
    EXPECT_EQ(note->AsString(), "kept");
    table.Insert();
    EXPECT_TRUE(note->AsString().empty());
    note->SetAsString("new");
    EXPECT_EQ(note->AsString(), "new");
    table.Cancel();
    EXPECT_EQ(AllNames(), "ADAMS ");
}

TEST_F(BlobTest, AnEditedMemoReachesTheFileOnlyWithItsRecord) {
    TTestTable& table = OpenLoans({"ADAMS", "BAKER"}, "NAME", true);
    auto* note = static_cast<TBlobField*>(table.FieldByName("NOTE"));
    table.Edit();
    note->SetAsString("kept text");
    table.Post();
    table.Edit();
    {
        TBlobStream stream(note, bmReadWrite);
        stream.WriteBuffer("dropped!", 8);
    }
    EXPECT_EQ(note->AsString(), "dropped!t");
    // Another cursor on the file sees the memo as it was.
    TTestTable other(folder_.Path(), "LOANS.DBF", "NAME");
    other.Open();
    EXPECT_EQ(other.FieldByName("NOTE")->AsString(), "kept text");
    table.Cancel();
    table.Close();
    table.Open();
    EXPECT_EQ(table.FieldByName("NOTE")->AsString(), "kept text");

    // A post the table refuses leaves the old memo too.
    note = static_cast<TBlobField*>(table.FieldByName("NOTE"));
    table.Edit();
    note->SetAsString("never");
    table.FieldByName("NAME")->SetAsString("BAKER");
    EXPECT_THROW(table.Post(), EDBEngineError);
    table.Cancel();
    other.Close();
    other.Open();
    EXPECT_EQ(other.FieldByName("NOTE")->AsString(), "kept text");
    table.Edit();
    note->SetAsString("posted");
    table.Post();
    other.Refresh();
    EXPECT_EQ(other.FieldByName("NOTE")->AsString(), "posted");
}

TEST_F(BlobTest, StreamsSeekWriteInPlaceAndTruncate) {
    TTestTable& table = OpenLoans({"ADAMS"});
    auto* note = static_cast<TBlobField*>(table.FieldByName("NOTE"));
    table.Edit();
    {
        TBlobStream stream(note, bmWrite);
        stream.WriteBuffer("0123456789", 10);
        EXPECT_EQ(stream.Seek(-4, soFromEnd), 6);
        stream.WriteBuffer("ab", 2);
        EXPECT_EQ(stream.Seek(-20, soFromCurrent), 8);
        stream.Truncate();
    }
    EXPECT_EQ(note->AsString(), "012345ab");
    {
        TBlobStream stream(note, bmReadWrite);
        char buffer[4] = {};
        stream.Seek(6, soFromBeginning);
        EXPECT_EQ(stream.Read(buffer, 4), 2);
        EXPECT_EQ(std::string(buffer, 2), "ab");
        EXPECT_EQ(stream.Read(buffer, 4), 0);
    }
    table.Post();
    EXPECT_EQ(note->AsString(), "012345ab");
    table.Edit();
    note->SetAsString("x");
    EXPECT_EQ(note->AsString(), "x");
    {
        // The farthest place a stream can stand is 2147483647.
        TBlobStream stream(note, bmRead);
        EXPECT_EQ(stream.Seek(2147483647, soFromBeginning), 2147483647);
        EXPECT_EQ(stream.Seek(1, soFromCurrent), 2147483647);
    }
    table.Post();
    EXPECT_EQ(note->AsString(), "x");
}

TEST_F(BlobTest, BitmapsInBinaryBlobsCarryTheGraphicHeader) {
    TTestTable& table = OpenPictures();
    auto* pic = static_cast<TBlobField*>(table.FieldByName("NOTE"));
    EXPECT_EQ(pic->BlobType(), ftGraphic);
    EXPECT_EQ(pic->DisplayText(), "(Graphic)");
    TBitmap bitmap;
    bitmap.SetSize(5, 3);
    table.Edit();
    pic->Assign(&bitmap);
    table.Post();
    const std::string raw = pic->AsString();
    ASSERT_GT(raw.size(), 8u);
    EXPECT_EQ(raw.substr(0, 4), std::string("\x01\x00\x00\x01", 4));
    const std::size_t size = DecodeLE<Word>(&raw[4]);
    EXPECT_EQ(size, raw.size() - 8);
    EXPECT_EQ(raw.substr(8, 2), "BM");
    TBitmap back;
    pic->SaveToBitmap(&back);
    EXPECT_EQ(back.Width(), 5);
    EXPECT_EQ(back.Height(), 3);

    // A bitmap stored without the header is read from the start.
    table.Edit();
    pic->SetAsString(raw.substr(8));
    table.Post();
    TBitmap plain;
    pic->SaveToBitmap(&plain);
    EXPECT_EQ(plain.Width(), 5);
    // Other blob kinds take the bitmap alone.
    table.Edit();
    pic->SetBlobType(ftBlob);
    pic->LoadFromBitmap(&bitmap);
    table.Post();
    EXPECT_EQ(pic->AsString().substr(0, 2), "BM");
}

// General (G) and blob (W) fields of other programs are binary blobs like B and P fields.
TEST_F(BlobTest, GeneralAndBlobFieldsHoldBinaryData) {
    const std::string binary("\x01\0\x1A\xFF", 4);
    for (const char letter : {'G', 'W'}) {
        MakeLoans("OLE.DBF", {{"ADAMS", 1}});
        std::string bytes = ReadAll(Path("OLE.DBF"));
        bytes[32 + 4 * 32 + 11] = letter; // NOTE
        WriteAll(Path("OLE.DBF"), bytes);
        TTestTable table(folder_.Path(), "OLE.DBF");
        table.Open();
        EXPECT_EQ(table.FieldByName("NOTE")->DataType(), ftTypedBinary) << letter;
        table.Edit();
        table.FieldByName("NOTE")->SetAsString(binary);
        table.Post();
        EXPECT_EQ(table.FieldByName("NOTE")->AsString(), binary) << letter;
    }
}

TEST_F(BlobTest, StringListsGoInAndOutAsText) {
    TTestTable& table = OpenLoans({"ADAMS"});
    auto* note = static_cast<TBlobField*>(table.FieldByName("NOTE"));
    TStringList lines;
    lines.Add("first");
    lines.Add("second");
    table.Edit();
    note->Assign(&lines);
    table.Post();
    EXPECT_EQ(note->AsString(), "first\r\nsecond\r\n");
    TStringList back;
    back.Assign(note);
    EXPECT_EQ(back.Count(), 2);
    EXPECT_EQ(back[1], "second");
}

} // namespace
