// The files of the engine: DBF headers checked on opening, memo files of both formats, and the
// write order that keeps a table readable after an interrupted append.
#include "tests/xbase/XbFixture.h"

#include "platform/rtl/Clock.h"
#include "platform/rtl/Streams.h"
#include "tests/rtl/ChildProcesses.h"
#include "tests/rtl/RefusedFolder.h"
#include "tests/rtl/TestFolder.h"

#include "xbase/XbArea.h"
#include "xbase/XbFile.h"
#include "xbase/XbMemo.h"
#include "xbase/XbTable.h"

#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class XbFilesTest : public XbFixture {
protected:
    // A table of three records without memo; its bytes.
    std::string MakeTable(const std::string& name) {
        EXPECT_EQ(xb_Create(Path(name), {{"NAME", 'C', 10, 0, 0}, {"QTY", 'N', 5, 0, 0}}, xbCDX),
                  xbOK);
        EXPECT_GT(xb_Use(Path(name), "", xbModeExclusive, xbCDX), 0);
        for (int i = 1; i <= 3; ++i) {
            EXPECT_EQ(xb_AppendEx(), 0);
            xb_Replace(1, xbReplaceText, "item" + std::to_string(i));
            xb_Replace(2, xbReplaceDouble, double(i));
        }
        xb_CloseAll();
        return ReadAll(Path(name));
    }

    int OpenStatus(const std::string& name) {
        TXbTable table;
        return table.Open(Path(name), false);
    }
};

// The smallest record there is: the deletion flag and one logical byte.
TEST_F(XbFilesTest, ATableOfOneOneByteFieldOpens) {
    ASSERT_EQ(xb_Create(Path("FLAG.DBF"), {{"PAID", 'L', 1, 0, 0}}, xbCDX), xbOK);
    ASSERT_GT(xb_Use(Path("FLAG.DBF"), "", xbModeShared, xbCDX), 0);
    ASSERT_EQ(xb_AppendEx(), 0);
    ASSERT_EQ(xb_Replace(1, xbReplaceText, "T"), xbOK);
    xb_CloseAll();
    ASSERT_GT(xb_Use(Path("FLAG.DBF"), "", xbModeReadOnly, xbCDX), 0);
    EXPECT_EQ(xb_RecCount(), 1);
    xb_Go(1);
    EXPECT_EQ(xb_GetLogical(1), 1);
    xb_CloseAll();
}

// The last record is taken back (an append the orders refused), the only one as well, and the
// header says so.
TEST_F(XbFilesTest, TheLastRecordIsTakenBackEvenTheOnlyOne) {
    ASSERT_EQ(xb_Create(Path("ONE.DBF"), {{"NAME", 'C', 10, 0, 0}}, xbCDX), xbOK);
    ASSERT_GT(xb_Use(Path("ONE.DBF"), "", xbModeExclusive, xbCDX), 0);
    ASSERT_EQ(xb_AppendEx(), 0);
    xb_Replace(1, xbReplaceText, "only");
    xb_CloseAll();
    {
        TXbTable table;
        ASSERT_EQ(table.Open(Path("ONE.DBF"), true), xbOK);
        EXPECT_TRUE(table.RemoveLastRecord());
        EXPECT_EQ(table.RecordCount(), 0);
        EXPECT_FALSE(table.RemoveLastRecord());
    }
    EXPECT_EQ(DecodeLE<LongWord>(&ReadAll(Path("ONE.DBF"))[4]), 0u);
}

TEST_F(XbFilesTest, HeaderLayoutOfANewTable) {
    const std::string bytes = MakeTable("T.DBF");
    ASSERT_EQ(bytes.size(), 32u + 2 * 32 + 1 + 3 * 16 + 1);
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0x03);
    EXPECT_EQ(DecodeLE<LongWord>(&bytes[4]), 3u);
    EXPECT_EQ(DecodeLE<Word>(&bytes[8]), 97);
    EXPECT_EQ(DecodeLE<Word>(&bytes[10]), 16);
    EXPECT_EQ(bytes[29], 0x03); // Windows-1252
    EXPECT_EQ(bytes.substr(32, 4), std::string("NAME"));
    EXPECT_EQ(bytes[32 + 11], 'C');
    EXPECT_EQ(bytes[32 + 16], 10);
    EXPECT_EQ(bytes[96], 0x0D);
    EXPECT_EQ(bytes.substr(97, 16), " item1         1");
    EXPECT_EQ(bytes.back(), 0x1A);
}

TEST_F(XbFilesTest, VersionBytesByMemoFormat) {
    const std::vector<TXbFieldDef> fields = {{"NOTE", 'M', 10, 0, 0}};
    ASSERT_EQ(xb_Create(Path("N.DBF"), fields, xbNTX), xbOK);
    ASSERT_EQ(xb_Create(Path("F.DBF"), fields, xbCDX), xbOK);
    EXPECT_EQ(static_cast<unsigned char>(ReadAll(Path("N.DBF"))[0]), 0x83);
    EXPECT_EQ(static_cast<unsigned char>(ReadAll(Path("F.DBF"))[0]), 0xF5);
    EXPECT_TRUE(std::filesystem::exists(Path("N.DBT")));
    EXPECT_TRUE(std::filesystem::exists(Path("F.FPT")));
}

TEST_F(XbFilesTest, FieldListsAreChecked) {
    const auto create = [&](std::vector<TXbFieldDef> fields) {
        return xb_Create(Path("BAD.DBF"), fields, xbCDX);
    };
    EXPECT_EQ(create({}), xbBadArgument);
    EXPECT_EQ(create({{"NAME", 'C', 255, 0, 0}}), xbBadArgument);
    EXPECT_EQ(create({{"AMOUNT", 'N', 20, 0, 0}}), xbBadArgument);
    EXPECT_EQ(create({{"AMOUNT", 'N', 5, 4, 0}}), xbBadArgument);
    EXPECT_EQ(create({{"1ST", 'C', 5, 0, 0}}), xbBadArgument);
    EXPECT_EQ(create({{"ELEVENCHARS", 'C', 5, 0, 0}}), xbBadArgument);
    EXPECT_EQ(create({{"A", 'C', 5, 0, 0}, {"a", 'N', 5, 0, 0}}), xbBadArgument);
    EXPECT_EQ(create({{"PIC", 'P', 10, 0, 0}}), xbBadArgument);
    EXPECT_EQ(create({{"A-B", 'C', 5, 0, 0}}), xbBadArgument);
    EXPECT_EQ(create({{"AMOUNT", 'N', 19, 15, 0}, {"WHEN", 'd', 0, 0, 0}}), xbOK);
    EXPECT_EQ(xb_Create(Path("BAD.DBF"), {{"A", 'C', 1, 0, 0}}, 4), xbBadArgument);

    // The smallest widths, two decimals in a width of four, an underscore in a name, and the
    // widths a type implies when none is given: offsets follow from them.
    ASSERT_EQ(create({{"A", 'C', 1, 0, 0},
                      {"RATE", 'N', 4, 2, 0},
                      {"LOAN_NO", 'c', 3, 0, 0},
                      {"PAID", 'L', 0, 0, 0},
                      {"NOTE", 'M', 0, 0, 0},
                      {"DUE", 'D', 0, 0, 0}}),
              xbOK);
    ASSERT_GT(xb_Use(Path("BAD.DBF"), "", xbModeShared, xbCDX), 0);
    EXPECT_EQ(xb_FieldName(3), "LOAN_NO");
    EXPECT_EQ(xb_FieldType(3), "C");
    const int widths[] = {1, 4, 3, 1, 10, 8};
    const int offsets[] = {2, 3, 7, 10, 11, 21};
    for (int f = 1; f <= 6; ++f) {
        EXPECT_EQ(xb_FieldWidth(f), widths[f - 1]) << "field " << f;
        EXPECT_EQ(xb_FieldOffset(f), offsets[f - 1]) << "field " << f;
    }
    EXPECT_EQ(xb_RecSize(), 28);
    xb_CloseAll();

    // At most 255 fields.
    std::vector<TXbFieldDef> many;
    for (int i = 1; i <= 256; ++i)
        many.push_back({"F" + std::to_string(i), 'C', 1, 0, 0});
    EXPECT_EQ(create(many), xbBadArgument);
    many.pop_back();
    ASSERT_EQ(create(many), xbOK);
    ASSERT_GT(xb_Use(Path("BAD.DBF"), "", xbModeShared, xbCDX), 0);
    EXPECT_EQ(xb_FieldCount(), 255);
    EXPECT_EQ(xb_FieldName(255), "F255");
}

TEST_F(XbFilesTest, TheHeaderCarriesTheDateOfTheLastChange) {
    TManualClock clock({2026, 3, 9, 8, 30, 0, 0});
    TClockOverride use(clock);
    ASSERT_EQ(xb_Create(Path("D.DBF"), {{"NAME", 'C', 4, 0, 0}}, xbCDX), xbOK);
    std::string bytes = ReadAll(Path("D.DBF"));
    // A new table is its header and the end-of-file mark, dated today (years since 1900).
    ASSERT_EQ(bytes.size(), 32u + 32 + 1 + 1);
    EXPECT_EQ(bytes.substr(1, 3), std::string("\x7E\x03\x09", 3));
    EXPECT_EQ(DecodeLE<LongWord>(&bytes[4]), 0u);
    EXPECT_EQ(bytes[64], 0x0D);
    EXPECT_EQ(bytes[65], 0x1A);

    clock.SetLocalTime({2027, 11, 30, 23, 59, 0, 0});
    ASSERT_GT(xb_Use(Path("D.DBF"), "", xbModeShared, xbCDX), 0);
    ASSERT_EQ(xb_AppendEx(), 0);
    ASSERT_EQ(xb_Replace(1, xbReplaceText, "abc"), xbOK);
    ASSERT_EQ(xb_Commit(), xbOK);
    bytes = ReadAll(Path("D.DBF"));
    EXPECT_EQ(bytes.substr(1, 3), std::string("\x7F\x0B\x1E", 3));
    EXPECT_EQ(DecodeLE<LongWord>(&bytes[4]), 1u);
    EXPECT_EQ(bytes.substr(65), " abc \x1A");
}

TEST_F(XbFilesTest, DamagedAndTruncatedTablesAreRefused) {
    const std::string good = MakeTable("GOOD.DBF");
    ASSERT_EQ(OpenStatus("GOOD.DBF"), xbOK);
    const auto refuse = [&](const std::string& bytes) {
        WriteAll(Path("BAD.DBF"), bytes);
        EXPECT_EQ(OpenStatus("BAD.DBF"), xbDamaged);
        EXPECT_EQ(xb_Use(Path("BAD.DBF"), "", xbModeShared, xbCDX), 0);
    };
    // good with the bytes at offset at replaced (little-endian numbers of 2 or 4 bytes).
    const auto changed = [&](std::size_t at, std::string_view with) {
        return good.substr(0, at) + std::string(with) + good.substr(at + with.size());
    };
    refuse(changed(0, "\x02")); // unknown version
    refuse(good.substr(0, 20)); // shorter than a header
    refuse("");
    refuse(good.substr(0, 97 + 2 * 16));            // the third record is missing
    refuse(changed(4, "\xFF\xFF\xFF\x7F"));         // record count past the end of the file
    refuse(changed(4, "\xFF\xFF\xFF\xFF"));         // a negative count
    refuse(changed(8, "\xFF\xFF"));                 // header longer than the file
    refuse(changed(10, std::string("\x11\0", 2)));  // record size that does not match the fields
    refuse(changed(96, "X"));                       // no field terminator inside the header
    refuse(changed(32 + 16, std::string(1, '\0'))); // a field of width 0
    refuse(changed(10, std::string(2, '\0')));
    EXPECT_EQ(OpenStatus("MISSING.DBF"), xbNotFound);

    // The end-of-file mark is not needed: the records are all there.
    WriteAll(Path("NOMARK.DBF"), good.substr(0, good.size() - 1));
    ASSERT_GT(xb_Use(Path("NOMARK.DBF"), "", xbModeShared, xbCDX), 0);
    EXPECT_EQ(xb_RecCount(), 3);
    xb_GoBottom();
    EXPECT_EQ(xb_GetTrimString(1), "item3");
    xb_CloseAll();

    // A folder under a table's name is no table.
    std::filesystem::create_directory(Path("FOLDER.DBF"));
    EXPECT_EQ(xb_Use(Path("FOLDER.DBF"), "", xbModeReadOnly, xbCDX), 0);
}

TEST_F(XbFilesTest, RandomDamageIsRefusedOrReadSafely) {
    UseNewLoans("G.DBF", xbCDX);
    ASSERT_GT(xb_IndexCreate("", "NAME", "UPPER(NAME)", "", 0, 0), 0);
    for (int i = 0; i < 12; ++i) {
        AddLoan("L" + std::to_string(i), "name" + std::to_string(i * 5 % 12), i);
        xb_Replace(6, xbReplaceMemo, std::string(static_cast<std::size_t>(1 + 40 * i), 'm'));
    }
    xb_CloseAll();
    const std::string good = ReadAll(Path("G.DBF"));
    const std::string goodMemo = ReadAll(Path("G.FPT"));
    unsigned seed = 12345;
    const auto next = [&seed](std::size_t range) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<std::size_t>((seed >> 8) % range);
    };
    for (int round = 0; round < 300; ++round) {
        std::string bytes = good;
        std::string memo = goodMemo;
        for (int flips = 1 + static_cast<int>(next(4)); flips > 0; --flips)
            bytes[next(bytes.size())] = static_cast<char>(next(256));
        memo[next(round % 2 == 0 ? 16 : memo.size())] = static_cast<char>(next(256));
        bytes.resize(bytes.size() - next(round % 3 == 0 ? bytes.size() : 2));
        WriteAll(Path("G.DBF"), bytes);
        WriteAll(Path("G.FPT"), memo);
        if (xb_Use(Path("G.DBF"), "", xbModeShared, xbCDX) == 0) continue;
        // Natural order and the name order (whose keys the damage may have changed in the
        // table) are each walked once to their end.
        for (int order = 0; order <= 1; ++order) {
            xb_SetOrder(order);
            LongInt steps = 0;
            for (xb_GoTop(); !xb_Eof() && steps <= xb_RecCount(); xb_Skip(1), ++steps)
                for (int f = 1; f <= xb_FieldCount(); ++f) {
                    xb_GetString(f);
                    xb_Empty(f);
                    xb_MemDealloc(xb_GetMemo(f, 0));
                }
            EXPECT_LE(steps, xb_RecCount()) << "round " << round << " order " << order;
        }
        xb_CloseAll();
    }
}

TEST_F(XbFilesTest, FieldTypesOfOtherProgramsAreReported) {
    std::string bytes = MakeTable("T.DBF");
    bytes[32 + 11] = 'V';
    bytes[64 + 11] = 'Q';
    WriteAll(Path("T.DBF"), bytes);
    ASSERT_GT(xb_Use(Path("t"), "", xbModeShared, xbCDX), 0); // ".DBF" is the default extension
    EXPECT_EQ(xb_FieldType(1), "V");
    EXPECT_EQ(xb_FieldType(2), "Q");
    EXPECT_EQ(xb_SysProp(65012, 1), 1);
    EXPECT_EQ(xb_SysProp(65012, 2), 0);
    xb_GoTop();
    EXPECT_EQ(xb_GetTrimString(1), "item1");
    EXPECT_EQ(xb_GetString(2), "    1");
}

TEST_F(XbFilesTest, ExtraBytesOfAnInterruptedAppendKeepTheOldCount) {
    std::string bytes = MakeTable("T.DBF");
    bytes.pop_back();
    bytes += " item4         4"; // the record reached the file, the header count did not
    WriteAll(Path("T.DBF"), bytes);
    ASSERT_GT(xb_Use(Path("T.DBF"), "", xbModeExclusive, xbCDX), 0);
    EXPECT_EQ(xb_RecCount(), 3);
    ASSERT_EQ(xb_AppendEx(), 0);
    xb_Replace(1, xbReplaceText, "item5");
    xb_CloseAll();
    ASSERT_GT(xb_Use(Path("T.DBF"), "", xbModeShared, xbCDX), 0);
    EXPECT_EQ(xb_RecCount(), 4);
    xb_GoBottom();
    EXPECT_EQ(xb_GetTrimString(1), "item5");
}

// An exclusive open keeps appended records in memory until a commit writes them with the header
// that counts them; the table a pack leaves is still the area's alone and does the same.
TEST_F(XbFilesTest, AnExclusiveOpenGathersAppendsUntilCommitAlsoAfterAPack) {
    MakeTable("G.DBF");
    const auto countOnDisk = [&] { return DecodeLE<LongWord>(ReadAll(Path("G.DBF")).data() + 4); };
    ASSERT_GT(xb_Use(Path("G.DBF"), "", xbModeExclusive, xbCDX), 0);
    ASSERT_EQ(xb_AppendEx(), 0);
    ASSERT_EQ(xb_Replace(1, xbReplaceText, "item4"), xbOK);
    ASSERT_EQ(xb_Skip(0), xbOK);
    EXPECT_EQ(countOnDisk(), 3u);
    ASSERT_EQ(xb_Commit(), xbOK);
    EXPECT_EQ(countOnDisk(), 4u);

    ASSERT_EQ(xb_Go(1), xbOK);
    ASSERT_EQ(xb_Delete(), xbOK);
    ASSERT_EQ(xb_Pack(), xbOK);
    EXPECT_EQ(countOnDisk(), 3u);
    ASSERT_EQ(xb_AppendEx(), 0);
    ASSERT_EQ(xb_Replace(1, xbReplaceText, "item5"), xbOK);
    ASSERT_EQ(xb_Skip(0), xbOK);
    EXPECT_EQ(countOnDisk(), 3u);
    ASSERT_EQ(xb_Close(), xbOK);
    const std::string bytes = ReadAll(Path("G.DBF"));
    EXPECT_EQ(DecodeLE<LongWord>(&bytes[4]), 4u);
    // Each record: the deletion byte, NAME in 10 and QTY in 5; the new ones have no quantity.
    EXPECT_EQ(bytes.substr(97), " item2         2"
                                " item3         3"
                                " item4          "
                                " item5          "
                                "\x1A");
}

// A shared open writes an appended record with its first write; when the record is refused the
// table is left as it was: the records before it and its end mark.
TEST_F(XbFilesTest, ARefusedAppendLeavesTheRecordsAsTheyWere) {
    MakeTable("U.DBF");
    ASSERT_GT(xb_Use(Path("U.DBF"), "", xbModeExclusive, xbCDX), 0);
    ASSERT_GT(xb_IndexCreate("", "NAME", "NAME", "", 1, 0), 0);
    xb_CloseAll();
    const std::string before = ReadAll(Path("U.DBF"));
    ASSERT_GT(xb_Use(Path("U.DBF"), "", xbModeShared, xbCDX), 0);
    ASSERT_EQ(xb_AppendEx(), 0);
    EXPECT_EQ(ReadAll(Path("U.DBF")), before);
    ASSERT_EQ(xb_Replace(1, xbReplaceText, "item2"), xbOK);
    EXPECT_EQ(xb_Commit(), xbKeyViolation);
    const std::string after = ReadAll(Path("U.DBF"));
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(DecodeLE<LongWord>(&after[4]), 3u);
    EXPECT_EQ(after.substr(32), before.substr(32));
    EXPECT_EQ(xb_RecCount(), 3);
}

// Another program may give a table with memo fields the version byte of one without: its memo
// file is then the FPT one.
TEST_F(XbFilesTest, MemoFieldsUnderThePlainVersionByteUseTheFptFile) {
    UseNewLoans("V.DBF", xbCDX);
    AddLoan("L1", "a", 1);
    ASSERT_EQ(xb_Replace(6, xbReplaceMemo, "kept in the FPT file"), xbOK);
    xb_CloseAll();
    std::string bytes = ReadAll(Path("V.DBF"));
    bytes[0] = 0x03;
    WriteAll(Path("V.DBF"), bytes);
    ASSERT_GT(xb_Use(Path("V.DBF"), "", xbModeShared, xbCDX), 0);
    EXPECT_EQ(xb_GetString(6), "kept in the FPT file");
}

// The index header records the table's change time: its modification time in nanoseconds,
// times 6364136223846793005 modulo 2^64, the upper 32 bits; 1 stands for 0, which means none.
TEST_F(XbFilesTest, TheIndexRecordsTheTablesChangeTime) {
    MakeTable("T.DBF");
    ASSERT_GT(xb_Use(Path("T.DBF"), "", xbModeExclusive, xbCDX), 0);
    ASSERT_GT(xb_IndexCreate("", "NAME", "NAME", "", 0, 0), 0);
    xb_CloseAll();
    const auto recorded = [&](long long seconds, long nanoseconds) {
        const timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
        EXPECT_EQ(::utimensat(AT_FDCWD, Path("T.DBF").c_str(), times, 0), 0);
        // Another time than the one recorded: the sole user rebuilds the index.
        EXPECT_GT(xb_Use(Path("T.DBF"), "", xbModeExclusive, xbCDX), 0);
        xb_CloseAll();
        return DecodeLE<LongWord>(ReadAll(Path("T.CDX")).data() + 44);
    };
    EXPECT_EQ(recorded(1700000000, 123456789), 0xAA6851A9u);
    EXPECT_EQ(recorded(0, 0), 1u);
}

// A table open twice in this process: the header one of them writes is read again by the
// other at once, however recently that one read it.
TEST_F(XbFilesTest, AHeaderWrittenHereIsReadAgainByTheOtherOpening) {
    MakeTable("H.DBF");
    TXbTable writer;
    TXbTable reader;
    ASSERT_EQ(writer.Open(Path("H.DBF"), true), xbOK);
    ASSERT_EQ(reader.Open(Path("H.DBF"), false), xbOK);
    ASSERT_TRUE(reader.RefreshCount());
    const LongWord stamp = reader.Stamp();
    ASSERT_TRUE(writer.Touch());
    EXPECT_EQ(writer.Stamp(), stamp + 1);
    ASSERT_TRUE(reader.RefreshRecentCount());
    EXPECT_EQ(reader.Stamp(), stamp + 1);
    ASSERT_TRUE(writer.AppendRecord(" item4         4"));
    ASSERT_TRUE(reader.RefreshRecentCount());
    EXPECT_EQ(reader.RecordCount(), 4);
    EXPECT_EQ(reader.Stamp(), stamp + 1); // raised once until the indexes catch up

    // Opened again, the table is raised again by its first change.
    ASSERT_EQ(writer.Open(Path("H.DBF"), true), xbOK);
    ASSERT_TRUE(writer.WriteRecord(1, " item0         0"));
    EXPECT_EQ(writer.Stamp(), stamp + 2);

    // An append whose header write fails does not count as the change that raised the table:
    // the next change raises it on disk.
    ASSERT_EQ(writer.Open(Path("H.DBF"), true), xbOK);
    XbSetWriteFailure(2); // the record reaches the file, the header does not
    EXPECT_FALSE(writer.AppendRecord(" item9         9"));
    XbSetWriteFailure(std::nullopt);
    ASSERT_TRUE(writer.WriteRecord(1, " item0         0"));
    ASSERT_TRUE(reader.RefreshCount());
    EXPECT_EQ(reader.RecordCount(), 4);
    EXPECT_GT(reader.Stamp(), stamp + 2);

    // Records a sole user gathered reach the file before the table is opened again.
    writer.SetExclusive(true);
    ASSERT_TRUE(writer.AppendRecord(" item5         5"));
    ASSERT_EQ(writer.Open(Path("H.DBF"), false), xbOK);
    EXPECT_EQ(writer.Fields().size(), 2u);
    EXPECT_EQ(writer.RecordCount(), 5);
    char image[16];
    ASSERT_TRUE(writer.ReadRecord(5, image));
    EXPECT_EQ(std::string(image, 16), " item5         5");
    ASSERT_TRUE(writer.ReadRecord(4, image));
    EXPECT_EQ(std::string(image, 16), " item4         4");
}

// A program started without standard input gets descriptor 0 for the first file it opens: that
// file is written and cut like any other.
TEST_F(XbFilesTest, AFileOnDescriptorZeroIsLikeAnyOther) {
    const int saved = ::dup(0);
    ASSERT_GE(saved, 0);
    ::close(0);
    TXbFile file;
    const bool created = file.Create(Path("Z.BIN"));
    const int fd = file.Handle();
    const bool written = created && file.WriteAt(0, std::string("abcdef"));
    const bool cut = created && file.Truncate(3);
    const bool flushed = created && file.Flush();
    file.Close();
    ::dup2(saved, 0);
    ::close(saved);
    EXPECT_EQ(fd, 0);
    EXPECT_TRUE(written && cut && flushed);
    EXPECT_EQ(ReadAll(Path("Z.BIN")), "abc");
}

// The system refuses a read whose end lies past the largest file offset: the read fails at once.
// A read that runs past the end of the file fails too, rather than filling up with other bytes.
TEST_F(XbFilesTest, AReadTheSystemRefusesFails) {
    MakeTable("R.DBF");
    TXbFile file;
    ASSERT_TRUE(file.Open(Path("R.DBF"), false));
    char bytes[8];
    EXPECT_FALSE(file.ReadAt(std::numeric_limits<Int64>::max() - 2, bytes, sizeof bytes));
    EXPECT_TRUE(file.ReadAt(0, bytes, sizeof bytes));

    WriteAll(Path("TEN.BIN"), "0123456789");
    ASSERT_TRUE(file.Open(Path("TEN.BIN"), false));
    EXPECT_FALSE(file.ReadAt(6, bytes, sizeof bytes));
    std::string text;
    EXPECT_FALSE(file.ReadAt(6, text, 8));
    EXPECT_TRUE(file.ReadAt(6, text, 4));
    EXPECT_EQ(text, "6789");
}

// A shared open walked in record order, either way, reads its records in blocks (of 64 KB),
// not one read per record.
TEST_F(XbFilesTest, ASharedWalkReadsRecordsInBlocks) {
    ASSERT_EQ(xb_Create(Path("W.DBF"), {{"N", 'N', 5, 0, 0}, {"PAD", 'C', 245, 0, 0}}, xbCDX),
              xbOK);
    ASSERT_GT(xb_Use(Path("W.DBF"), "", xbModeExclusive, xbCDX), 0);
    for (int i = 1; i <= 600; ++i) { // 600 records of 251 bytes: 261 to a block
        ASSERT_EQ(xb_AppendEx(), 0);
        ASSERT_EQ(xb_Replace(1, xbReplaceDouble, double(i)), xbOK);
    }
    for (const bool forward : {true, false}) {
        xb_CloseAll();
        ASSERT_GT(xb_Use(Path("W.DBF"), "", xbModeShared, xbCDX), 0);
        forward ? xb_GoTop() : xb_GoBottom();
        const long before = IoCount("syscr:");
        ASSERT_GE(before, 0);
        double sum = 0;
        int seen = 0;
        for (; forward ? !xb_Eof() : !xb_Bof(); xb_Skip(forward ? 1 : -1), ++seen)
            sum += std::stod(xb_GetString(1));
        EXPECT_EQ(seen, 600);
        EXPECT_EQ(sum, 600 * 601 / 2);
        EXPECT_LT(IoCount("syscr:") - before, 30) << (forward ? "forward" : "backward");
    }
}

// A table held alone reads its records from memory, in blocks of 2 MB that records of 251
// bytes cross, read from the file or, with an order open, taken by the appends: what it changes
// and appends reads back as written, and the file holds the same.
void ReadsBackWhatItWrote(const std::string& path, bool ordered) {
    ASSERT_EQ(xb_Create(path, {{"N", 'N', 6, 0, 0}, {"PAD", 'C', 244, 0, 0}}, xbCDX), xbOK);
    ASSERT_GT(xb_Use(path, "", xbModeExclusive, xbCDX), 0);
    if (ordered) {
        ASSERT_GT(xb_IndexCreate("", "N", "N", "", 0, 0), 0);
    }
    std::vector<int> numbers(9000); // 2.2 MB
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        numbers[i] = static_cast<int>(i + 1);
        ASSERT_EQ(xb_AppendEx(), 0);
        ASSERT_EQ(xb_Replace(1, xbReplaceDouble, double(numbers[i])), xbOK);
    }
    ASSERT_EQ(xb_Commit(), xbOK);
    const auto readsBack = [&numbers] {
        for (LongInt r = static_cast<LongInt>(numbers.size()); r >= 1; --r)
            if (xb_Go(r) != xbOK || std::stoi(xb_GetString(1)) != numbers[r - 1]) return false;
        return true;
    };
    EXPECT_TRUE(readsBack());
    for (const LongInt r : {1, 4000, 8354, 8355, 8356, 9000}) { // 8355 crosses into block 2
        numbers[r - 1] += 100000;
        ASSERT_EQ(xb_Go(r), xbOK);
        ASSERT_EQ(xb_Replace(1, xbReplaceDouble, double(numbers[r - 1])), xbOK);
    }
    for (int i = 0; i < 300; ++i) {
        numbers.push_back(200000 + i);
        ASSERT_EQ(xb_AppendEx(), 0);
        ASSERT_EQ(xb_Replace(1, xbReplaceDouble, double(numbers.back())), xbOK);
    }
    ASSERT_EQ(xb_Commit(), xbOK);
    EXPECT_TRUE(readsBack());
    xb_CloseAll();
    ASSERT_GT(xb_Use(path, "", xbModeShared, xbCDX), 0);
    EXPECT_TRUE(readsBack());
}

TEST_F(XbFilesTest, AnExclusiveOpenReadsBackWhatItWrote) {
    ReadsBackWhatItWrote(Path("M.DBF"), false);
}

TEST_F(XbFilesTest, AnExclusiveOpenWithAnOrderReadsBackWhatItWrote) {
    ReadsBackWhatItWrote(Path("M.DBF"), true);
}

TEST_F(XbFilesTest, MissingOrDamagedMemoFileRefusesTheTable) {
    ASSERT_EQ(xb_Create(Path("M.DBF"), LoanFields(), xbCDX), xbOK);
    std::filesystem::remove(Path("M.FPT"));
    TXbArea area(1);
    EXPECT_EQ(area.Open(Path("M.DBF"), "", xbModeShared, xbCDX), xbNotFound);
    WriteAll(Path("M.FPT"), std::string(100, '\0'));
    EXPECT_EQ(area.Open(Path("M.DBF"), "", xbModeShared, xbCDX), xbDamaged);
    WriteAll(Path("M.FPT"), std::string(512, '\0')); // block size 0
    EXPECT_EQ(area.Open(Path("M.DBF"), "", xbModeShared, xbCDX), xbDamaged);
}

TEST_F(XbFilesTest, DamagedIndexFileRefusesTheTableAndIsRebuilt) {
    UseNewLoans("I.DBF", xbCDX);
    AddLoan("L2", "b", 2);
    AddLoan("L1", "a", 1);
    xb_Close();
    WriteAll(Path("I.CDX"), std::string(2048, 'x'));
    EXPECT_EQ(xb_Use(Path("I.DBF"), "", xbModeShared, xbCDX), 0);
    // Opened without its production index, the table gets the file made anew.
    ASSERT_GT(xb_Use(Path("I.DBF"), "", xbModeExclusive, xbNTX), 0);
    EXPECT_GT(xb_IndexCreate(Path("I.CDX"), "LOANNO", "LOANNO", "", 0, 0), 0);
    xb_Close();
    ASSERT_GT(xb_Use(Path("I.DBF"), "", xbModeShared, xbCDX), 0);
    xb_SetOrder(xb_TagArea("LOANNO"));
    EXPECT_EQ(Walk(), "L1 L2 ");
}

TEST_F(XbFilesTest, CreatingATableAgainReplacesItsFiles) {
    ASSERT_EQ(xb_Create(Path("r.dbf"), LoanFields(), xbCDX), xbOK);
    ASSERT_GT(xb_Use(Path("R.DBF"), "", xbModeExclusive, xbCDX), 0);
    AddLoan("L1", "a", 1);
    ASSERT_GT(xb_IndexCreate("", "LOANNO", "LOANNO", "", 0, 0), 0);
    xb_Close();
    ASSERT_EQ(xb_Create(Path("R.DBF"), LoanFields(), xbCDX), xbOK);
    EXPECT_FALSE(std::filesystem::exists(Path("R.DBF"))); // the file of that name was reused
    EXPECT_FALSE(std::filesystem::exists(Path("r.cdx")));
    ASSERT_GT(xb_Use(Path("R.DBF"), "", xbModeShared, xbCDX), 0);
    EXPECT_EQ(xb_RecCount(), 0);
    EXPECT_EQ(xb_SysProp(3000, 0), 0);
}

class XbMemoTest : public XbFilesTest, public ::testing::WithParamInterface<int> {};

TEST_P(XbMemoTest, MemosRoundTrip) {
    const int driver = GetParam();
    xb_SetMemoBlockSize(32);
    UseNewLoans("MEMO.DBF", driver, xbModeShared);
    const std::string text(1500, 'a');
    // A DBT memo ends at its first 0x1A byte, so binary data there holds none.
    const std::string binary(
        driver == xbNTX ? "\x00\x01\x1B\x1B\xFF tail" : "\x00\x01\x1A\x1A\xFF tail", 10);
    ASSERT_EQ(xb_AppendEx(), 0);
    ASSERT_EQ(xb_Replace(6, xbReplaceMemo, "short text"), xbOK);
    ASSERT_EQ(xb_AppendEx(), 0);
    ASSERT_EQ(xb_Replace(6, xbReplaceMemo, text), xbOK);
    ASSERT_EQ(xb_AppendEx(), 0);
    ASSERT_EQ(xb_PutBlob(6, binary.data(), static_cast<LongInt>(binary.size())), xbOK);
    ASSERT_EQ(xb_AppendEx(), 0);
    ASSERT_EQ(xb_PutBlob(6, binary.data(), 3), xbOK); // the length given is honoured
    ASSERT_EQ(xb_AppendEx(), 0);
    xb_SysProp(1305, 4);
    ASSERT_EQ(xb_PutBlob(6, binary.data(), 2), xbOK); // padded to the fixed blob length
    xb_SysProp(1305, 0);
    ASSERT_EQ(xb_AppendEx(), 0);
    ASSERT_EQ(xb_Replace(6, xbReplaceMemo, "cleared later"), xbOK);
    ASSERT_EQ(xb_Go(1), xbOK);
    ASSERT_EQ(xb_Replace(6, xbReplaceMemo, "replaced text"), xbOK);
    ASSERT_EQ(xb_Go(6), xbOK);
    ASSERT_EQ(xb_Replace(6, xbReplaceMemo, ""), xbOK); // an empty memo points nowhere
    xb_CloseAll();

    ASSERT_GT(xb_Use(Path("memo.dbf"), "", xbModeReadOnly, driver), 0);
    xb_Go(1);
    char* memo = xb_GetMemo(6, 0);
    ASSERT_NE(memo, nullptr);
    EXPECT_STREQ(memo, "replaced text");
    xb_MemDealloc(memo);
    std::string data;
    const std::string blobs[] = {text, binary, binary.substr(0, 3), std::string("\0\1\0\0", 4), ""};
    for (int r = 2; r <= 6; ++r) {
        xb_Go(r);
        const std::string& blob = blobs[r - 2];
        EXPECT_EQ(xb_GetBlobLength(6), static_cast<LongInt>(blob.size())) << r;
        EXPECT_EQ(xb_GetBlob(6, data), static_cast<LongInt>(blob.size())) << r;
        EXPECT_EQ(data, blob) << r;
        EXPECT_EQ(xb_GetString(6), blob) << r;
    }
    EXPECT_EQ(xb_IsEncrypted(1), 0);
    EXPECT_EQ(xb_GetMemo(1, 0), nullptr); // not a memo field
    xb_CloseAll();

    // Packing keeps the memos of the records that stay, also in the general (G) and blob (W)
    // fields of other programs, and an FPT memo's type word (2, an object, for the binary one).
    std::string table = ReadAll(Path("MEMO.DBF"));
    table[32 + 5 * 32 + 11] = driver == xbNTX ? 'G' : 'W';
    WriteAll(Path("MEMO.DBF"), table);
    const std::string stored = std::string("\0\0\0\0\0\0\0\x0a", 8) + binary;
    const std::string object = std::string("\0\0\0\x02\0\0\0\x0a", 8) + binary;
    if (driver != xbNTX) {
        std::string memos = ReadAll(Path("MEMO.FPT"));
        const std::size_t at = memos.find(stored);
        ASSERT_NE(at, std::string::npos);
        memos.replace(at, object.size(), object);
        WriteAll(Path("MEMO.FPT"), memos);
    }
    ASSERT_GT(xb_Use(Path("MEMO.DBF"), "", xbModeExclusive, driver), 0);
    xb_Go(1);
    ASSERT_EQ(xb_Delete(), xbOK);
    ASSERT_EQ(xb_Pack(), xbOK);
    xb_GoTop();
    EXPECT_EQ(xb_GetBlobLength(6), 1500);
    xb_Skip(1);
    EXPECT_EQ(xb_GetBlob(6, data), 10);
    EXPECT_EQ(data, binary);
    xb_CloseAll();
    if (driver != xbNTX) {
        EXPECT_NE(ReadAll(Path("MEMO.FPT")).find(object), std::string::npos);
    }
}

TEST_P(XbMemoTest, AMemoReachesTheFileOnlyWithItsRecord) {
    const int driver = GetParam();
    UseNewLoans("W.DBF", driver, xbModeShared);
    ASSERT_GT(xb_IndexCreate("", "LOANNO", "LOANNO", "", 1, 0), 0);
    AddLoan("A", "first", 1);
    ASSERT_EQ(xb_Replace(6, xbReplaceMemo, "aaaa"), xbOK);
    AddLoan("B", "second", 2);
    ASSERT_EQ(xb_Replace(6, xbReplaceMemo, "bbbb"), xbOK);
    ASSERT_EQ(xb_Commit(), xbOK);
    const auto memoFile = [&] { return ReadAll(Path(driver == xbNTX ? "W.DBT" : "W.FPT")); };
    const std::string before = memoFile();

    // Another user reads record B while this one changes its memo and has not written it.
    const int writer = xb_Select(0);
    const int reader = xb_Use(Path("W.DBF"), "READER", xbModeShared, driver);
    ASSERT_GT(reader, 0);
    xb_Select(writer);
    ASSERT_EQ(xb_Replace(6, xbReplaceMemo, "cccc"), xbOK);
    EXPECT_EQ(xb_GetString(6), "cccc"); // the writer sees its own change
    EXPECT_TRUE(memoFile() == before) << "the memo file changed";
    xb_Select(reader);
    xb_Go(2);
    EXPECT_EQ(xb_GetString(6), "bbbb");
    xb_Select(writer);

    // The record is refused (its key is A's): its memo never reaches the file.
    ASSERT_EQ(xb_Replace(1, xbReplaceText, "A"), xbOK);
    EXPECT_EQ(xb_Commit(), xbKeyViolation);
    EXPECT_TRUE(memoFile() == before) << "the memo file changed";
    EXPECT_EQ(xb_Go(1), xbKeyViolation); // the refused change is dropped when the cursor moves
    xb_Go(2);
    EXPECT_EQ(xb_GetString(6), "bbbb");
    xb_CloseAll();
    ASSERT_GT(xb_Use(Path("W.DBF"), "", xbModeExclusive, driver), 0);
    xb_Go(2);
    EXPECT_EQ(xb_GetTrimString(1), "B");
    EXPECT_EQ(xb_GetString(6), "bbbb");

    // Written with its record, the memo keeps to the blocks it had when it fits in them.
    ASSERT_EQ(xb_Replace(6, xbReplaceMemo, "dddd"), xbOK);
    ASSERT_EQ(xb_Commit(), xbOK);
    xb_CloseAll();
    ASSERT_GT(xb_Use(Path("W.DBF"), "", xbModeReadOnly, driver), 0);
    xb_Go(2);
    EXPECT_EQ(xb_GetString(6), "dddd");
    xb_Go(1);
    EXPECT_EQ(xb_GetString(6), "aaaa");
}

INSTANTIATE_TEST_SUITE_P(BothFormats, XbMemoTest, ::testing::Values(xbNTX, xbCDX));

TEST_F(XbFilesTest, DbtMemosKeepTheLayoutOfTheirVersion) {
    UseNewLoans("D.DBF", xbNTX);
    std::string data(700, '\0');
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(i % 26 == 25 ? 0 : 'A' + i % 26);
    AddLoan("1", "binary", 1);
    ASSERT_EQ(xb_PutBlob(6, data.data(), static_cast<LongInt>(data.size())), xbOK);
    // Data holding 0x1A cannot be told from its end mark: refused, as text or as binary data.
    AddLoan("2", "refused", 2);
    const std::string marked = "before\x1A"
                               "after";
    EXPECT_EQ(xb_PutBlob(6, marked.data(), static_cast<LongInt>(marked.size())), xbBadArgument);
    EXPECT_EQ(xb_Replace(6, xbReplaceMemo, marked), xbBadArgument);
    EXPECT_EQ(xb_Replace(6, xbReplaceMemo, "plain"), xbOK);
    xb_CloseAll();
    // The memo is the data and two end marks in blocks of 512 bytes, as version 0x83 lays out.
    const std::string memo = ReadAll(Path("D.DBT"));
    ASSERT_EQ(memo.size(), 512u + 1024 + 512);
    EXPECT_EQ(DecodeLE<LongWord>(memo.data()), 4u);          // the next free block
    EXPECT_EQ(memo.substr(16, 2), std::string("\x03\0", 2)); // the memo file's version
    EXPECT_EQ(memo.substr(512, 702), data + "\x1A\x1A");
    EXPECT_EQ(memo.substr(1536, 7), "plain\x1A\x1A");
    ASSERT_GT(xb_Use(Path("D.DBF"), "", xbModeReadOnly, xbNTX), 0);
    std::string back;
    EXPECT_EQ(xb_GetBlob(6, back), 700);
    EXPECT_EQ(back, data);
}

TEST_F(XbFilesTest, FptBlockSizeAndMemoBlockNumbers) {
    xb_SetMemoBlockSize(32);
    ASSERT_EQ(xb_Create(Path("B.DBF"), LoanFields(), xbNSX), xbOK);
    const std::string header = ReadAll(Path("B.FPT"));
    ASSERT_EQ(header.size(), 512u);
    EXPECT_EQ(GetBE32(&header[0]), 16u); // the header takes 16 blocks of 32 bytes
    EXPECT_EQ(header[6] * 256 + header[7], 32);

    LongWord block = 0;
    EXPECT_TRUE(TXbMemo::ParseBlock("        17", block));
    EXPECT_EQ(block, 17u);
    EXPECT_TRUE(TXbMemo::ParseBlock("          ", block));
    EXPECT_EQ(block, 0u);
    EXPECT_FALSE(TXbMemo::ParseBlock("     1x2  ", block));
    EXPECT_EQ(TXbMemo::FormatBlock(17, 10), "        17");
    EXPECT_TRUE(TXbMemo::ParseBlock(TXbMemo::FormatBlock(70000, 4), block));
    EXPECT_EQ(block, 70000u);
}

// The largest FPT block, 16384 bytes: the header fits in the first block, each memo starts
// on a block of its own with its type and length (big-endian) before the data.
TEST_F(XbFilesTest, FptMemosInTheLargestBlocks) {
    EXPECT_EQ(xb_SetMemoBlockSize(16385), 64); // refused: the setting stays
    EXPECT_EQ(xb_SetMemoBlockSize(16384), 64);
    UseNewLoans("BIG.DBF", xbCDX);
    AddLoan("L1", "a", 1);
    ASSERT_EQ(xb_Replace(6, xbReplaceMemo, "abc"), xbOK);
    AddLoan("L2", "b", 2);
    ASSERT_EQ(xb_Replace(6, xbReplaceMemo, "de"), xbOK);
    xb_CloseAll();
    const std::string memo = ReadAll(Path("BIG.FPT"));
    ASSERT_EQ(memo.size(), 3u * 16384);
    EXPECT_EQ(GetBE32(&memo[0]), 3u);
    EXPECT_EQ(memo.substr(6, 2), std::string("\x40\x00", 2));
    EXPECT_EQ(memo.substr(16384, 11), std::string("\0\0\0\1\0\0\0\3abc", 11));
    EXPECT_EQ(memo.substr(2 * 16384, 10), std::string("\0\0\0\1\0\0\0\2de", 10));
    const std::string table = ReadAll(Path("BIG.DBF"));
    const std::size_t first = 32 + 6 * 32 + 1;
    const std::size_t note = 1 + 9 + 20 + 12 + 8 + 1;
    EXPECT_EQ(table.substr(first + note, 10), "         1");
    EXPECT_EQ(table.substr(first + 61 + note, 10), "         2");
}

// A DBT memo another program stored with its length (FF FF 08 00, then the length counting
// those 8 bytes) is read as binary data of that length, an empty one included.
TEST_F(XbFilesTest, DbtMemosWithALengthAreReadToThatLength) {
    UseNewLoans("LEN.DBF", xbNTX);
    AddLoan("L1", "a", 1);
    ASSERT_EQ(xb_Replace(6, xbReplaceMemo, "placeholder"), xbOK);
    xb_CloseAll();
    std::string memo = ReadAll(Path("LEN.DBT"));
    ASSERT_EQ(memo.size(), 1024u);
    const auto stored = [&](const std::string& data) {
        std::string block = std::string("\xFF\xFF\x08\x00", 4) + std::string(4, '\0') + data;
        EncodeLE<LongWord>(block.data() + 4, static_cast<LongWord>(8 + data.size()));
        memo.replace(512, block.size(), block);
        WriteAll(Path("LEN.DBT"), memo);
    };
    std::string data;
    stored(std::string("ab\x1A\0c", 5));
    ASSERT_GT(xb_Use(Path("LEN.DBF"), "", xbModeShared, xbNTX), 0);
    EXPECT_EQ(xb_GetBlob(6, data), 5);
    EXPECT_EQ(data, std::string("ab\x1A\0c", 5));
    xb_CloseAll();
    // A pack copies such a memo in the same form, its end mark inside the data kept.
    ASSERT_GT(xb_Use(Path("LEN.DBF"), "", xbModeExclusive, xbNTX), 0);
    ASSERT_EQ(xb_Pack(), xbOK);
    xb_CloseAll();
    const std::string packed = ReadAll(Path("LEN.DBT"));
    ASSERT_EQ(packed.size(), 1024u);
    EXPECT_EQ(packed.substr(512, 13), std::string("\xFF\xFF\x08\x00\x0D\0\0\0ab\x1A\0c", 13));
    ASSERT_GT(xb_Use(Path("LEN.DBF"), "", xbModeShared, xbNTX), 0);
    EXPECT_EQ(xb_GetBlob(6, data), 5);
    EXPECT_EQ(data, std::string("ab\x1A\0c", 5));
    xb_CloseAll();
    stored("");
    ASSERT_GT(xb_Use(Path("LEN.DBF"), "", xbModeShared, xbNTX), 0);
    char* empty = xb_GetMemo(6, 0);
    EXPECT_NE(empty, nullptr); // read, and empty
    xb_MemDealloc(empty);
    EXPECT_EQ(xb_GetBlobLength(6), 0);
}

TEST_F(XbFilesTest, MemoPointingOutsideTheFileReadsAsFailure) {
    UseNewLoans("P.DBF", xbCDX);
    ASSERT_EQ(xb_AppendEx(), 0);
    std::string image = xb_GetRecord();
    image.replace(static_cast<std::size_t>(xb_FieldOffset(6) - 1), 10, "    999999");
    ASSERT_EQ(xb_PutRecord(image), xbOK);
    std::string data;
    EXPECT_EQ(xb_GetBlob(6, data), 0);
    EXPECT_EQ(xb_GetMemo(6, 0), nullptr);
    EXPECT_EQ(xb_GetString(6), "");
}

TEST_F(XbFilesTest, AMemoRewrittenKeepsItsBlocksAndPackCompactsTheFile) {
    UseNewLoans("mm.dbf", xbNTX);
    AddLoan("L1", "a", 1);
    const std::string kilobyte(1000, 'x');
    for (int i = 0; i < 500; ++i) {
        ASSERT_EQ(xb_Replace(6, xbReplaceMemo, kilobyte + std::to_string(i)), xbOK);
        if (i % 100 == 0) { // written to the table now and then
            EXPECT_EQ(xb_Skip(0), xbOK);
        }
    }
    EXPECT_EQ(xb_GetString(6), kilobyte + "499");
    EXPECT_LT(std::filesystem::file_size(Path("mm.dbt")), 4u * 1024);
    // A longer memo takes fresh blocks; a shorter one fits in its own again.
    ASSERT_EQ(xb_Replace(6, xbReplaceMemo, std::string(3000, 'y')), xbOK);
    ASSERT_EQ(xb_Replace(6, xbReplaceMemo, "short"), xbOK);
    ASSERT_EQ(xb_Commit(), xbOK);
    EXPECT_EQ(xb_GetString(6), "short");
    // A copy of the record shares its memo: replacing one memo leaves the other as it was.
    const std::string image = xb_GetRecord();
    AddLoan("L0", "copy", 0);
    ASSERT_EQ(xb_PutRecord(image), xbOK);
    ASSERT_EQ(xb_Replace(6, xbReplaceMemo, "other"), xbOK);
    ASSERT_EQ(xb_Commit(), xbOK);
    xb_Go(1);
    EXPECT_EQ(xb_GetString(6), "short");
    ASSERT_EQ(xb_Replace(6, xbReplaceMemo, "third"), xbOK);
    xb_Go(2);
    EXPECT_EQ(xb_GetString(6), "other");
    xb_Go(1);
    EXPECT_EQ(xb_GetString(6), "third");

    for (int i = 3; i <= 41; ++i) {
        AddLoan("L" + std::to_string(i), "b", i);
        ASSERT_EQ(xb_Replace(6, xbReplaceMemo, std::string(600, 'a' + i % 26)), xbOK);
        if (i % 2 == 0) {
            ASSERT_EQ(xb_Delete(), xbOK);
        }
    }
    ASSERT_EQ(xb_Commit(), xbOK);
    const auto before = std::filesystem::file_size(Path("mm.dbt"));
    ASSERT_EQ(xb_Pack(), xbOK);
    EXPECT_LT(std::filesystem::file_size(Path("mm.dbt")), before * 6 / 10);
    EXPECT_EQ(xb_RecCount(), 22);
    xb_GoTop();
    EXPECT_EQ(xb_GetString(6), "third");
    xb_Skip(1);
    EXPECT_EQ(xb_GetString(6), "other");
    for (xb_Skip(1); !xb_Eof(); xb_Skip(1)) {
        const int i = std::stoi(xb_GetTrimString(1).substr(1));
        EXPECT_EQ(xb_GetString(6), std::string(600, 'a' + i % 26));
    }
}

// A pack killed before its journal was whole is rolled back on opening; one killed after it is
// finished, by renaming the copy (as an earlier build did) or by writing it over the table, which
// stays the same file (in place); until then a user who may not write the table cannot open it. A
// journal and copy left beside a table changed since the pack are removed, never put in place.
TEST_F(XbFilesTest, AnInterruptedPackIsFinishedOrRolledBackOnOpening) {
    const std::string original = MakeTable("j.dbf");
    const auto open = [&] {
        EXPECT_GT(xb_Use(Path("j.dbf"), "", xbModeShared, xbCDX), 0);
        const LongInt count = xb_RecCount();
        xb_Close();
        EXPECT_FALSE(std::filesystem::exists(Path("j.pkj")));
        EXPECT_FALSE(std::filesystem::exists(Path("j.dbf.pk")));
        return count;
    };
    WriteAll(Path("j.dbf.pk"), "half a copy");
    EXPECT_EQ(open(), 3);
    EXPECT_EQ(ReadAll(Path("j.dbf")), original);
    // The copy a pack writes: two records, the table's next stamp.
    std::string packed = original;
    packed[4] = 2;
    EncodeLE<LongWord>(&packed[16], DecodeLE<LongWord>(&original[16]) + 1);
    for (const std::string way : {"", "in place\n"}) {
        SCOPED_TRACE(way);
        WriteAll(Path("j.dbf"), original);
        WriteAll(Path("j.dbf.pk"), packed);
        WriteAll(Path("j.pkj"), way + "j.dbf.pk\tj.dbf\nend\n");
        // A user who may not write the table cannot finish the pack, and may not read it yet.
        XbSetReadFailure(1, 1, EACCES, "j.dbf");
        EXPECT_EQ(xb_Use(Path("j.dbf"), "", xbModeReadOnly, xbCDX), 0);
        XbSetReadFailure(std::nullopt);
        EXPECT_EQ(xb_LastError(), xbErrReadOnly);
        const ino_t before = StatOf(Path("j.dbf")).st_ino;
        EXPECT_EQ(open(), 2);
        EXPECT_EQ(ReadAll(Path("j.dbf")), packed);
        EXPECT_EQ(StatOf(Path("j.dbf")).st_ino == before, !way.empty());
        // Left again beside the table changed since, the journal and copy are only removed.
        ASSERT_GT(xb_Use(Path("j.dbf"), "", xbModeExclusive, xbCDX), 0);
        ASSERT_EQ(xb_Replace(1, xbReplaceText, "changed"), xbOK);
        xb_Close();
        const std::string changed = ReadAll(Path("j.dbf"));
        WriteAll(Path("j.dbf.pk"), packed);
        WriteAll(Path("j.pkj"), way + "j.dbf.pk\tj.dbf\nend\n");
        EXPECT_EQ(open(), 2);
        EXPECT_EQ(ReadAll(Path("j.dbf")), changed);
    }
    // A journal cut short was never committed.
    const std::string changed = ReadAll(Path("j.dbf"));
    WriteAll(Path("j.dbf.pk"), original);
    WriteAll(Path("j.pkj"), "j.dbf.pk\tj.d");
    EXPECT_EQ(open(), 2);
    EXPECT_EQ(ReadAll(Path("j.dbf")), changed);
    // The journal of the table j.2024.dbf, named as one of j.dbf under a user's own names, and
    // its copy are left to their table.
    WriteAll(Path("j.2024.dbf.pk"), packed);
    WriteAll(Path("j.2024.pkj"), "j.2024.dbf.pk\tj.2024.dbf\nend\n");
    EXPECT_EQ(open(), 2);
    EXPECT_TRUE(std::filesystem::exists(Path("j.2024.pkj")));
    EXPECT_TRUE(std::filesystem::exists(Path("j.2024.dbf.pk")));
}

// Users A and B of group G share a table in a group folder (2775, files 664 of A) and a sticky
// folder (1777, files 666 of B): a pack keeps each file's owner, group and mode (and access list)
// and leaves nothing of its own, in place (B in the group folder, A in the sticky one) or by
// renames (A in the group folder). A journal and copies of A that an earlier build left in the
// sticky folder are finished in place by either user's next open (B cannot remove them), never
// undoing a change B made. A pack of B killed at any write leaves journal or copies A cannot
// remove: A still packs, under names of its own (A's own killed there too leaves nothing A's next
// open does not remove), and B's next open removes what B left, never putting it in place again.
TEST_F(XbFilesTest, APackKeepsTheOwnerGroupAndModeOfSharedFiles) {
    RUN_AS_TWO_USERS("packs by two users of a group folder and of a sticky folder");
    constexpr uid_t A = fresh_process::kUserA, B = fresh_process::kUserB;
    constexpr gid_t G = fresh_process::kSharedGroup;
    const std::string killedPack = "VANTREL_KILLED_PACK"; // "<user> <write> <table>", killed
    if (const char* killed = std::getenv(killedPack.c_str())) {
        std::istringstream fields(killed);
        uid_t user = 0;
        long write = 0;
        std::string table;
        fields >> user >> write >> table;
        const fresh_process::TPlainUser as(user, G);
        if (!as.Taken() || xb_Use(table, "", xbModeExclusive, xbCDX) == 0) ::_exit(2);
        XbSetWriteFailure(write, 1, XbKilledAtWrite);
        ::_exit(xb_Pack() == xbOK ? 0 : 3);
    }
    // The folder dir made anew, with a table of 6 loans (3 deleted), a memo each and an index.
    const auto share = [&](const std::string& dir, mode_t folderMode, uid_t owner, mode_t mode) {
        std::filesystem::remove_all(Path(dir));
        std::filesystem::create_directory(Path(dir));
        UseNewLoans(dir + "/loans.dbf", xbCDX);
        ASSERT_GT(xb_IndexCreate("", "NAME", "NAME", "", 0, 0), 0);
        for (int i = 0; i < 6; ++i) {
            AddLoan(std::to_string(i), "name" + std::to_string(i), i);
            ASSERT_EQ(xb_Replace(6, xbReplaceMemo, "note " + std::to_string(i)), xbOK);
            ASSERT_TRUE(i % 2 == 0 || xb_Delete() == xbOK);
        }
        xb_CloseAll();
        ASSERT_TRUE(fresh_process::ShareFolder(Path(dir), folderMode, owner, G, mode));
    };
    // As user, opens the table of dir, deletes loan 0 when asked, and packs: the status, the loans
    // and memos it then holds, whether the table stayed the same file (in place), and whether the
    // files kept their owners and modes.
    const auto pack = [&](uid_t user, const std::string& dir, bool deleteFirst = false) {
        const std::string table = Path(dir + "/loans.dbf");
        const ino_t was = StatOf(table).st_ino;
        return fresh_process::AsUserKeepingOwners(Path(dir), user, G, [&] {
            if (xb_Use(table, "", xbModeExclusive, xbCDX) == 0) return std::string("not opened");
            if (deleteFirst) xb_Delete();
            std::string result = std::to_string(xb_Pack()) + ":";
            for (xb_GoTop(); !xb_Eof(); xb_Skip(1))
                result += " " + xb_GetTrimString(1) + "=" + xb_GetString(6);
            xb_CloseAll();
            return result + (StatOf(table).st_ino == was ? " in place" : " renamed");
        });
    };
    const auto sticky = [&] { return fresh_process::OwnersAndModes(Path("sticky")); };

    share("group", 02775, A, 0664);
    EXPECT_EQ(pack(B, "group"), "0: 0=note 0 2=note 2 4=note 4 in place");
    // The table's access list, which the packed copy renamed over it takes too.
    const std::string acl = "getfacl -cp " + Path("group/loans.dbf");
    const std::string list =
        CommandOutput("setfacl -m u:61002:rw " + Path("group/loans.dbf") + ";" + acl);
    EXPECT_NE(list.find("user:61002:rw-"), std::string::npos);
    EXPECT_EQ(pack(A, "group", true), "0: 2=note 2 4=note 4 renamed");
    EXPECT_EQ(CommandOutput(acl), list);
    ExpectDbfreadReads(Path("group"), "loans.dbf");

    share("sticky", 01777, B, 0666);
    std::filesystem::create_hard_link(Path("sticky/loans.dbf"), Path("sticky/other.dbf"));
    EXPECT_EQ(pack(A, "sticky"), "0: 0=note 0 2=note 2 4=note 4 in place"); // other.dbf too
    ExpectDbfreadReads(Path("sticky"), "loans.dbf");

    for (const uid_t first : {A, B}) {
        SCOPED_TRACE(first == A ? "A opens first" : "B opens first");
        share("sticky", 01777, B, 0666);
        const auto original = sticky();
        std::filesystem::copy(Path("sticky"), Path("packed"));
        ASSERT_EQ(pack(0, "packed"), "0: 0=note 0 2=note 2 4=note 4 renamed");
        {
            const fresh_process::TPlainUser as(A, G);
            ASSERT_TRUE(as.Taken());
            for (const std::string name : {"loans.dbf", "loans.fpt"})
                WriteAll(Path("sticky/" + name + ".pk"), ReadAll(Path("packed/" + name)));
            WriteAll(Path("sticky/loans.pkj"),
                     "loans.dbf.pk\tloans.dbf\nloans.fpt.pk\tloans.fpt\nend\n");
        }
        std::filesystem::remove_all(Path("packed"));
        if (first == B) {
            const fresh_process::TPlainUser as(B, G);
            ASSERT_GT(xb_Use(Path("sticky/loans.dbf"), "", xbModeShared, xbCDX), 0);
            EXPECT_EQ(xb_RecCount(), 3);
            AddLoan("B", "added by B", 7);
            xb_CloseAll();
            EXPECT_EQ(sticky().size(), original.size() + 3); // A's, which B cannot remove
        }
        const fresh_process::TPlainUser as(A, G);
        ASSERT_GT(xb_Use(Path("sticky/loans.dbf"), "", xbModeShared, xbCDX), 0);
        EXPECT_EQ(Walk(), first == A ? "0 2 4 " : "0 2 4 B ");
        xb_GoTop();
        EXPECT_EQ(xb_GetString(6), "note 0");
        xb_CloseAll();
        EXPECT_EQ(sticky(), original);
    }

    for (long write = 1;; ++write) {
        SCOPED_TRACE("B killed at write " + std::to_string(write));
        share("sticky", 01777, fresh_process::kPlainUser, 0666);
        const auto original = sticky();
        // user's pack killed at the write: whether it was (else it went through).
        const auto killedAs = [&](uid_t user) {
            const int status = fresh_process::RunAgain(
                Path("child.log"), killedPack + "=" + std::to_string(user) + " " +
                                       std::to_string(write) + " " + Path("sticky/loans.dbf"));
            EXPECT_GE(status, 0);
            EXPECT_TRUE(WIFSIGNALED(status) || (WIFEXITED(status) && WEXITSTATUS(status) == 0));
            return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
        };
        const bool killed = killedAs(B);
        killedAs(A);
        if (const fresh_process::TPlainUser as(A, G); as.Taken()) {
            ASSERT_GT(xb_Use(Path("sticky/loans.dbf"), "", xbModeShared, xbCDX), 0);
            xb_CloseAll();
        }
        for (const std::string& file : sticky())
            EXPECT_EQ(file.find(" " + std::to_string(A) + ":"), std::string::npos) << file;
        EXPECT_EQ(pack(A, "sticky", true), "0: 2=note 2 4=note 4 in place");
        const fresh_process::TPlainUser as(B, G);
        ASSERT_GT(xb_Use(Path("sticky/loans.dbf"), "", xbModeShared, xbCDX), 0);
        EXPECT_EQ(Walk(), "2 4 ");
        xb_CloseAll();
        EXPECT_EQ(sticky(), original);
        if (HasFailure() || !killed) break;
    }
}

// A pack in another process changes the pack stamp the next open finds (which tells bookmarks
// taken before it apart), also a pack in place, of a table that has another name.
TEST_F(XbFilesTest, APackElsewhereInPlaceChangesThePackStamp) {
    MakeTable("s.dbf");
    std::filesystem::create_hard_link(Path("s.dbf"), Path("other.dbf"));
    ASSERT_GT(xb_Use(Path("s.dbf"), "", xbModeShared, xbCDX), 0);
    const auto stamp = xb_SysProp(65016, 0);
    xb_CloseAll();
    const int status = RunInChild([&] {
        return xb_Use(Path("s.dbf"), "", xbModeExclusive, xbCDX) > 0 && xb_Delete() == xbOK &&
               xb_Pack() == xbOK;
    });
    ASSERT_EQ(status, 0);
    EXPECT_TRUE(std::filesystem::equivalent(Path("s.dbf"), Path("other.dbf")));
    ASSERT_GT(xb_Use(Path("s.dbf"), "", xbModeShared, xbCDX), 0);
    EXPECT_EQ(xb_RecCount(), 2);
    EXPECT_NE(xb_SysProp(65016, 0), stamp);
}

TEST_F(XbFilesTest, CompanionFilesTakeTheCaseOfTheTablesExtension) {
    ASSERT_EQ(xb_Create(Path("NTXT.dbf"), LoanFields(), xbNTX), xbOK);
    EXPECT_TRUE(std::filesystem::exists(Path("NTXT.dbt")));
    ASSERT_GT(xb_Use(Path("NTXT.dbf"), "", xbModeExclusive, xbNTX), 0);
    ASSERT_GT(xb_IndexCreate(Path("BYNAME"), "", "NAME", "", 0, 0), 0);
    EXPECT_TRUE(std::filesystem::exists(Path("BYNAME.ntx")));
    xb_Close();
    ASSERT_EQ(xb_Create(Path("loan.DBF"), LoanFields(), xbCDX), xbOK);
    EXPECT_TRUE(std::filesystem::exists(Path("loan.FPT")));
    ASSERT_GT(xb_Use(Path("loan.DBF"), "", xbModeExclusive, xbCDX), 0);
    ASSERT_GT(xb_IndexCreate("", "NAME", "NAME", "", 0, 0), 0);
    EXPECT_TRUE(std::filesystem::exists(Path("loan.CDX")));
    xb_Close();
    // Both cases are still read.
    std::filesystem::rename(Path("loan.FPT"), Path("loan.fpt"));
    std::filesystem::rename(Path("loan.CDX"), Path("loan.cdx"));
    ASSERT_GT(xb_Use(Path("loan.DBF"), "", xbModeShared, xbCDX), 0);
    EXPECT_EQ(xb_TagArea("NAME"), 1);
}

TEST_F(XbFilesTest, DoubleFieldsOfOtherProgramsReadAsNumbers) {
    // A table of another program: version 0x30, a C field, a B (double) field of 8 bytes with
    // 2 decimals and a memo field of 4 bytes, one record holding 1234.5 and blanks for no memo.
    std::string bytes(32 + 3 * 32 + 1, '\0');
    bytes[0] = 0x30;
    EncodeLE<LongWord>(&bytes[4], 1);
    EncodeLE<Word>(&bytes[8], static_cast<Word>(bytes.size()));
    EncodeLE<Word>(&bytes[10], 1 + 4 + 8 + 4);
    for (const auto& [at, name, type, width, decimals] :
         {std::tuple{32, "NAME", 'C', 4, 0}, {64, "AMT", 'B', 8, 2}, {96, "NOTE", 'M', 4, 0}}) {
        std::copy_n(name, std::strlen(name), &bytes[at]);
        bytes[at + 11] = type;
        bytes[at + 16] = static_cast<char>(width);
        bytes[at + 17] = static_cast<char>(decimals);
    }
    bytes.back() = 0x0D;
    WriteAll(Path("vfp.dbf"), bytes + " abcd" + XbDoubleBytes(1234.5) + "    \x1A");
    ASSERT_TRUE(TXbMemo::Create(Path("vfp.fpt"), TXbMemoKind::Fpt, 64));

    ASSERT_GT(xb_Use(Path("vfp.dbf"), "", xbModeExclusive, xbCDX), 0);
    EXPECT_EQ(xb_FieldType(2), "B");
    EXPECT_EQ(xb_GetString(2), "1234.50");
    EXPECT_EQ(xb_Empty(2), 0);
    EXPECT_EQ(xb_EvalTest("AMT * 2"), 2);
    EXPECT_EQ(xb_EvalLogical("AMT > 1000"), 1);
    std::string blob;
    EXPECT_EQ(xb_GetBlob(2, blob), 0);
    ASSERT_EQ(xb_Replace(2, xbReplaceDouble, -0.25), xbOK);
    ASSERT_EQ(xb_Commit(), xbOK);
    EXPECT_EQ(xb_GetString(2), "-0.25");
    EXPECT_EQ(xb_Empty(2), 0);
    ASSERT_GT(xb_IndexCreate(Path("amt.cdx"), "AMT", "AMT", "", 0, 0), 0);
    EXPECT_EQ(xb_Seek("-0.25"), 1);
    ASSERT_EQ(xb_Replace(2, xbReplaceDouble, 0.0), xbOK);
    EXPECT_EQ(xb_Empty(2), 1);
    // Blanks in the memo field are no memo; the engine writes zeros there, which other
    // programs read as none, and in the binary fields of a record it appends.
    char* memo = xb_GetMemo(3, 0);
    EXPECT_NE(memo, nullptr);
    xb_MemDealloc(memo);
    ASSERT_EQ(xb_AppendEx(), 0);
    xb_CloseAll();
    const std::string table = ReadAll(Path("vfp.dbf"));
    for (std::size_t at : {bytes.size() + 5, bytes.size() + 17 + 5})
        EXPECT_EQ(table.substr(at, 12), std::string(12, '\0'));
}

} // namespace
