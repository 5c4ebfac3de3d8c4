// Outside peers: tables the engine writes are read by python3-dbfread, and tables that
// python3-dbf writes (with memos) are read by the engine.
#include "tests/xbase/XbFixture.h"

#include "tests/rtl/ChildProcesses.h"
#include "tests/rtl/RefusedFolder.h"
#include "tests/rtl/TestFolder.h"

#include <cstdio>
#include <filesystem>
#include <iterator>
#include <optional>
#include <set>
#include <sstream>
#include <tuple>
#include <utility>
#include <vector>

namespace {

class XbPeersTest : public XbFixture {
protected:
    void SetUp() override {
        XbFixture::SetUp();
        python_ = PythonWith("dbfread, dbf");
        if (python_.empty()) GTEST_SKIP() << "python3 with dbfread and dbf is not installed";
    }

    // Runs a python script in the test folder and gives what it printed.
    std::string RunPython(const std::string& script) {
        return ::RunPython(python_, folder_.Path(), script);
    }

    std::string python_;
};

class XbPeersWriteTest : public XbPeersTest, public ::testing::WithParamInterface<int> {};

TEST_P(XbPeersWriteTest, TablesOfTheEngineReadByDbfread) {
    const int driver = GetParam();
    UseNewLoans("OUT.DBF", driver);
    AddLoan("000000001", "Caf\xE9 Owner", 1234.5);
    xb_Replace(4, xbReplaceDateText, "02/29/2024");
    xb_Replace(5, xbReplaceLogical, true);
    xb_Replace(6, xbReplaceMemo, "line one\r\nline two");
    AddLoan("000000002", "Deleted", -7.25);
    xb_Delete();
    AddLoan("000000003", "", 0);
    xb_Replace(5, xbReplaceLogical, false);
    xb_CloseAll();

    EXPECT_EQ(RunPython(R"(
import dbfread
t = dbfread.DBF('OUT.DBF', encoding='cp1252')
for r in t:
    print('|'.join(repr(v) for v in r.values()))
print('deleted', len(list(t.deleted)), [r['LOANNO'] for r in t.deleted])
print('fields', [(f.name, f.type, f.length, f.decimal_count) for f in t.fields])
)"),
              "'000000001'|'Café Owner'|1234.5|datetime.date(2024, 2, 29)|True|'line one\\r\\nline "
              "two'\n"
              "'000000003'|''|0.0|None|False|None\n"
              "deleted 1 ['000000002']\n"
              "fields [('LOANNO', 'C', 9, 0), ('NAME', 'C', 20, 0), ('AMOUNT', 'N', 12, 2), "
              "('ORIGDATE', 'D', 8, 0), ('PAID', 'L', 1, 0), ('NOTE', 'M', 10, 0)]\n");
}

INSTANTIATE_TEST_SUITE_P(BothMemoFormats, XbPeersWriteTest, ::testing::Values(xbNTX, xbCDX));

TEST_F(XbPeersTest, AKeyPythonDbfChangesInPlaceIsFoundUnderItsNewValue) {
    UseNewLoans("ED.DBF", xbCDX);
    ASSERT_GT(xb_IndexCreate("", "NAME", "NAME", "", 0, 0), 0);
    for (int i = 1; i <= 8; ++i)
        AddLoan(std::to_string(i), "NAME" + std::to_string(i), i);
    xb_CloseAll();
    const std::string header = ReadAll(Path("ED.DBF")).substr(4, 16);
    // The fifth record's name changed in place by python3-dbf: what it printed.
    const auto rename = [this](const std::string& name) {
        return RunPython("import dbf\nwith dbf.Table('ED.DBF').open(dbf.READ_WRITE) as t, "
                         "t[4] as r:\n    r.name = '" +
                         name + "'\n");
    };
    ASSERT_EQ(rename("CHANGED"), "");
    EXPECT_EQ(ReadAll(Path("ED.DBF")).substr(4, 16), header); // count and stamp as they were
    ASSERT_GT(xb_Use(Path("ED.DBF"), "", xbModeShared, xbCDX), 0);
    xb_SetOrder(1);
    xb_SetExact(1);
    EXPECT_EQ(xb_Seek("CHANGED"), 1);
    EXPECT_EQ(xb_RecNo(), 5);
    EXPECT_EQ(xb_Seek("NAME5"), 0);

    // Changed again while two users hold the table: a reader opened then orders the table for
    // itself, and an append of either user notices the edit under the index's lock and rebuilds
    // the index before it records the table's new change time: an open alone finds the record.
    const int first = xb_WorkArea();
    xb_Select(0);
    ASSERT_GT(xb_Use(Path("ED.DBF"), "OTHER", xbModeShared, xbCDX), 0);
    ASSERT_EQ(rename("LATER"), "");
    xb_Select(0);
    ASSERT_GT(xb_Use(Path("ED.DBF"), "READER", xbModeReadOnly, xbCDX), 0);
    xb_SetOrder(1);
    EXPECT_EQ(xb_Seek("LATER"), 1);
    xb_Select(first);
    AddLoan("9", "NAME9", 9);
    xb_CloseAll();
    ASSERT_GT(xb_Use(Path("ED.DBF"), "", xbModeShared, xbCDX), 0);
    xb_SetOrder(1);
    EXPECT_EQ(xb_Seek("LATER"), 1);
    EXPECT_EQ(xb_RecNo(), 5);
    EXPECT_EQ(xb_Seek("CHANGED"), 0);
}

TEST_F(XbPeersTest, BinaryDataInADbtMemoReadWholeByDbfread) {
    UseNewLoans("BIN.DBF", xbNTX);
    std::string data(700, '\0');
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(i % 7 == 0 ? 0 : 0x80 + i % 100);
    AddLoan("1", "binary", 1);
    ASSERT_EQ(xb_PutBlob(6, data.data(), static_cast<LongInt>(data.size())), xbOK);
    xb_CloseAll();
    EXPECT_EQ(RunPython(R"(
import dbfread
memo = list(dbfread.DBF('BIN.DBF', encoding='latin-1'))[0]['NOTE']
print(len(memo), all(ord(c) == (0 if i % 7 == 0 else 0x80 + i % 100) for i, c in enumerate(memo)))
)"),
              "700 True\n");
}

// Memo, picture and general fields (M, P, G) of a table python3-dbf wrote, packed by the
// engine after a delete: every field of every record kept reads back in python3-dbf as written,
// and a record appended by the engine holds no memo.
class XbPeersPackTest : public XbPeersTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(XbPeersPackTest, MemoPictureAndGeneralFieldsSurviveAPack) {
    const std::string values = R"(
import dbf
def values(i):
    note = ('note %d ' % i) * (i * 37 % 90)
    pic = bytes([i, 0, 255, 26]) * (i * 13 % 40)
    gen = b'' if i % 5 == 0 else bytes(range(256)) * (i % 3) + bytes([i, 26, 0])
    return ('R%02d' % i, note, pic, gen)
)";
    ASSERT_EQ(RunPython(values + R"(
t = dbf.Table('gen', 'NAME C(3); NOTE M; PIC P; GEN G', dbf_type=')" +
                        GetParam() + R"(')
with t.open(dbf.READ_WRITE):
    for i in range(20):
        t.append(values(i))
    dbf.delete(t[0])
    dbf.delete(t[13])
)"),
              "");
    ASSERT_GT(xb_Use(Path("GEN.DBF"), "", xbModeExclusive, xbCDX), 0);
    ASSERT_EQ(xb_Pack(), xbOK);
    ASSERT_EQ(xb_AppendEx(), 0); // a record appended here holds no memo for other programs
    ASSERT_EQ(xb_Replace(1, xbReplaceText, "NEW"), xbOK);
    xb_CloseAll();
    EXPECT_EQ(RunPython(values + R"(
t = dbf.Table('gen').open()
kept = [i for i in range(20) if i not in (0, 13)]
print(len(t), [i for n, i in enumerate(kept) if tuple(t[n]) != values(i)], tuple(t[18]))
)"),
              "19 [] ('NEW', '', b'', b'')\n");
}

INSTANTIATE_TEST_SUITE_P(TwoFormats, XbPeersPackTest, ::testing::Values("fp", "vfp"));

// Integer, currency, date-time, double and null-flag fields hold binary numbers: a record the
// engine appends to such a table reads in python3-dbf as empty values, not as numbers made of
// blanks.
TEST_F(XbPeersTest, BinaryFieldsOfARecordAppendedByTheEngineReadEmpty) {
    ASSERT_EQ(RunPython(R"(
import dbf
t = dbf.Table('num', 'NAME C(3); CNT I; COST Y; AT T; DBL B; OPT C(2) NULL', dbf_type='vfp')
with t.open(dbf.READ_WRITE):
    t.append(('A', 5, 1.25, dbf.DateTime(2024, 1, 2, 3, 4, 5), 2.5, 'x'))
)"),
              "");
    ASSERT_GT(xb_Use(Path("NUM.DBF"), "", xbModeExclusive, xbCDX), 0);
    ASSERT_EQ(xb_AppendEx(), 0);
    ASSERT_EQ(xb_Replace(1, xbReplaceText, "NEW"), xbOK);
    for (int field : {2, 3, 4, 5})
        EXPECT_EQ(xb_Empty(field), 1) << field;
    xb_GoTop();
    for (int field : {2, 3, 4, 5})
        EXPECT_EQ(xb_Empty(field), 0) << field;
    xb_CloseAll();
    EXPECT_EQ(RunPython(R"(
import dbf
print([tuple(r) for r in dbf.Table('num').open()][1])
)"),
              "('NEW', 0, Decimal('0.0000'), None, 0.0, '  ')\n");
}

// Text written into integer, currency, date-time and double fields is stored as the binary
// value those fields hold: python3-dbf and dbfread read the numbers and date-times given (blank
// text as an empty value), and what the engine reads from such a field writes back as it was.
TEST_F(XbPeersTest, TextWrittenIntoBinaryFieldsReadByPythonDbfAndDbfread) {
    ASSERT_EQ(RunPython(R"(
import dbf
t = dbf.Table('num', 'NAME C(3); CNT I; COST Y; AT T; DBL B', dbf_type='vfp')
with t.open(dbf.READ_WRITE):
    t.append(('A', -5, 1.25, dbf.DateTime(2024, 1, 2, 3, 4, 5, 678000), 2.5))
)"),
              "");
    ASSERT_GT(xb_Use(Path("NUM.DBF"), "", xbModeExclusive, xbCDX), 0);
    xb_GoTop();
    const std::string read[] = {xb_GetString(2), xb_GetString(3), xb_GetString(4)};
    EXPECT_EQ(read[0] + "|" + read[1] + "|" + read[2], "-5|1.2500|20240102 03:04:05.678");
    ASSERT_EQ(xb_Replace(4, xbReplaceText, " "), xbOK);
    ASSERT_EQ(xb_Replace(5, xbReplaceText, ""), xbOK);
    ASSERT_EQ(xb_AppendEx(), 0);
    for (int field : {2, 3, 4})
        ASSERT_EQ(xb_Replace(field, xbReplaceText, read[field - 2]), xbOK);
    ASSERT_EQ(xb_AppendEx(), 0);
    const char* written[] = {" 2147483647 ", "-1234.56785", "19991231 23:59:58", "-0.125"};
    for (int field = 2; field <= 5; ++field)
        ASSERT_EQ(xb_Replace(field, xbReplaceText, written[field - 2]), xbOK) << field;
    EXPECT_EQ(xb_GetString(3), "-1234.5679");
    xb_CloseAll();
    EXPECT_EQ(RunPython(R"(
import dbf, dbfread
for r in dbf.Table('num').open():
    print(tuple(r)[1:])
for r in dbfread.DBF('num.dbf', ignore_missing_memofile=True):
    print(list(r.values())[1:])
)"),
              "(-5, Decimal('1.2500'), None, 0.0)\n"
              "(-5, Decimal('1.2500'), datetime.datetime(2024, 1, 2, 3, 4, 5, 678000), 0.0)\n"
              "(2147483647, Decimal('-1234.5679'), datetime.datetime(1999, 12, 31, 23, 59, 58), "
              "-0.125)\n"
              "[-5, Decimal('1.25'), None, 0.0]\n"
              "[-5, Decimal('1.25'), datetime.datetime(2024, 1, 2, 3, 4, 5, 678000), 0.0]\n"
              "[2147483647, Decimal('-1234.5679'), datetime.datetime(1999, 12, 31, 23, 59, 58), "
              "-0.125]\n");
}

// Text that is no value of an integer, currency, date-time or double field, and any text for
// the null flags, is refused and leaves the record as it was.
TEST_F(XbPeersTest, TextThatIsNoValueOfABinaryFieldIsRefused) {
    ASSERT_EQ(RunPython(R"(
import dbf
t = dbf.Table('num', 'CNT I; COST Y; AT T; DBL B; OPT C(2) NULL', dbf_type='vfp')
with t.open(dbf.READ_WRITE):
    t.append((1, 1, dbf.DateTime(2024, 1, 2), 1, None))
)"),
              "");
    ASSERT_GT(xb_Use(Path("NUM.DBF"), "", xbModeExclusive, xbCDX), 0);
    xb_GoTop();
    const std::string record = xb_GetRecord();
    const std::pair<int, std::vector<std::string>> refused[] = {
        {1, {"7.5", "2147483648", "12abc"}},
        {2, {"1e3", "922337203685477.58075"}},
        {3, {"20240230", "20240102 24:00:00", "2024-01-02"}},
        {4, {"nan", "1" + std::string(400, '0')}},
        {6, {"", "x"}}}; // the null flags
    for (const auto& [field, texts] : refused)
        for (const std::string& text : texts)
            EXPECT_EQ(xb_Replace(field, xbReplaceText, text), xbBadArgument) << field << text;
    EXPECT_EQ(xb_GetRecord(), record);
}

// Integer, currency and date-time fields are values in expressions: an order on each walks the
// records in value order (negative numbers first, an empty date-time first, times of one day in
// their order) and a condition compares the value, where their bytes would have compared.
TEST_F(XbPeersTest, OrdersAndConditionsOnBinaryFieldsGoByValue) {
    ASSERT_EQ(RunPython(R"(
import dbf
t = dbf.Table('num', 'NAME C(1); CNT I; COST Y; AT T', dbf_type='vfp')
with t.open(dbf.READ_WRITE):
    t.append(('a', 256, 2, dbf.DateTime(2024, 1, 2, 0, 0, 1)))
    t.append(('b', 1, -1.5, dbf.DateTime(2024, 1, 1, 12, 0, 0)))
    t.append(('c', -5, 0.25, dbf.DateTime(2024, 1, 1, 9, 30, 0, 500000)))
    t.append(('d', 3, -20, None))
)"),
              "");
    ASSERT_GT(xb_Use(Path("NUM.DBF"), "", xbModeExclusive, xbCDX), 0);
    const std::pair<const char*, const char*> orders[] = {
        {"CNT", "c b d a "}, {"COST", "d b c a "}, {"AT", "d c b a "}};
    for (const auto& [key, walk] : orders) {
        ASSERT_GT(xb_IndexCreate("", key, key, "", 0, 0), 0) << key;
        EXPECT_EQ(Walk(), walk) << key;
    }
    xb_SetOrder(xb_TagArea("COST"));
    EXPECT_EQ(xb_Seek("-1.5"), 1);
    EXPECT_EQ(xb_GetTrimString(1), "b");
    xb_SetOrder(0);
    const std::pair<const char*, const char*> conditions[] = {
        {"CNT > 2", "a d "}, {"COST < 0", "b d "}, {"AT > '20240101 10'", "a b "}};
    for (const auto& [condition, walk] : conditions) {
        ASSERT_EQ(xb_Query(condition), xbOK) << condition;
        EXPECT_EQ(Walk(), walk) << condition;
    }
}

// A double field is seen in full: conditions, orders and seeks compare the value stored, while
// its text shows the declared decimals (none here), rounded as STR rounds and never cut.
TEST_F(XbPeersTest, DoubleFieldsCompareInFullAndShowTheirDecimals) {
    ASSERT_EQ(RunPython(R"(
import dbf
t = dbf.Table('dbl', 'NAME C(1); DBL B', dbf_type='vfp')
with t.open(dbf.READ_WRITE):
    for row in (('a', 2.5), ('b', -0.4), ('c', 2.4), ('d', 1e308), ('e', 2), ('f', -1e-300)):
        t.append(row)
)"),
              "");
    ASSERT_GT(xb_Use(Path("DBL.DBF"), "", xbModeExclusive, xbCDX), 0);
    const std::pair<LongInt, const char*> shown[] = {{1, "3"}, {2, "0"}, {3, "2"}, {6, "0"}};
    for (const auto& [recno, text] : shown) {
        xb_Go(recno);
        EXPECT_EQ(xb_GetTrimString(2), text) << recno;
    }
    xb_Go(4);
    const std::string huge = xb_GetString(2);
    EXPECT_EQ(huge.size(), 309u);
    EXPECT_EQ(huge.substr(0, 17), "10000000000000000");
    const std::pair<const char*, const char*> conditions[] = {{"DBL = 2.5", "a "},
                                                              {"DBL < 0", "b f "},
                                                              {"DBL = 2", "e "},
                                                              {"DBL = 1e308", "d "},
                                                              {"DBL > 2.4 .AND. DBL < 3", "a "}};
    for (const auto& [condition, walk] : conditions) {
        ASSERT_EQ(xb_Query(condition), xbOK) << condition;
        EXPECT_EQ(Walk(), walk) << condition;
    }
    xb_Query("");
    ASSERT_GT(xb_IndexCreate("", "DBL", "DBL", "", 0, 0), 0);
    EXPECT_EQ(Walk(), "b f e c a d ");
    EXPECT_EQ(xb_Seek("2.5"), 1);
    EXPECT_EQ(xb_GetTrimString(1), "a");
    EXPECT_EQ(xb_Seek("-0.4"), 1);
    EXPECT_EQ(xb_GetTrimString(1), "b");
}

// Currencies and numeric fields of 20 characters keep every digit: orders sort and seek them by
// their exact values and conditions compare them with literals of as many digits.
TEST_F(XbPeersTest, WideCurrenciesAndNumbersKeepEveryDigit) {
    ASSERT_EQ(RunPython(R"(
import dbf
from decimal import Decimal as D
t = dbf.Table('big', 'NAME C(1); COST Y; BIG N(20,0)', dbf_type='vfp')
with t.open(dbf.READ_WRITE):
    for row in (('a', D('90000000000000.0002'), 3000000000000000000),
                ('b', D('300000000000000'), 1000000000000000000),
                ('c', D('90000000000000.0001'), 2000000000000000000),
                ('d', D('100000000000000'), -3000000000000000000),
                ('e', D('-922337203685477.5807'), 9223372036854777856)):
        t.append(row)
)"),
              "");
    ASSERT_GT(xb_Use(Path("BIG.DBF"), "", xbModeExclusive, xbCDX), 0);
    const std::pair<const char*, const char*> orders[] = {{"COST", "e c a d b "},
                                                          {"BIG", "d b c a e "}};
    for (const auto& [key, walk] : orders) {
        ASSERT_GT(xb_IndexCreate("", key, key, "", 0, 0), 0) << key;
        EXPECT_EQ(Walk(), walk) << key;
    }
    xb_SetOrder(xb_TagArea("COST"));
    const std::pair<const char*, const char*> seeks[] = {
        {"100000000000000", "d"}, {"90000000000000.0002", "a"}, {"-922337203685477.5807", "e"}};
    for (const auto& [key, name] : seeks) {
        EXPECT_EQ(xb_Seek(key), 1) << key;
        EXPECT_EQ(xb_GetTrimString(1), name) << key;
    }
    xb_SetOrder(0);
    const std::pair<const char*, const char*> conditions[] = {
        {"COST = 90000000000000.0001", "c "},
        {"COST > 90000000000000.0001", "a b d "},
        {"COST < -922337203685477.5806", "e "},
        {"BIG > 9223372036854777855", "e "},
        {"BIG > 2000000000000000000", "a e "}};
    for (const auto& [condition, walk] : conditions) {
        ASSERT_EQ(xb_Query(condition), xbOK) << condition;
        EXPECT_EQ(Walk(), walk) << condition;
    }
}

class XbPeersReadTest : public XbPeersTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(XbPeersReadTest, TablesOfPythonDbfReadByTheEngine) {
    const std::string kind = GetParam();
    ASSERT_EQ(RunPython(R"(
import dbf
t = dbf.Table('peer', 'NAME C(12); AMT N(10,2); WHEN D; OK L; NOTE M', dbf_type=')" +
                        kind +
                        R"(', codepage='cp1252')
with t.open(dbf.READ_WRITE):
    t.append(('Zo\u00eb', 1.5, dbf.Date(2024, 2, 29), True, 'a memo\nof two lines'))
    t.append(('second', -20.25, None, False, ''))
    t.append(('third', 3, dbf.Date(1999, 12, 31), None, 'x' * 2000))
)"),
              "");
    const int driver = kind == "db3" ? xbNTX : xbCDX;
    ASSERT_GT(xb_Use(Path("PEER.DBF"), "", xbModeShared, driver), 0);
    EXPECT_EQ(xb_RecCount(), 3);
    ASSERT_EQ(xb_FieldCount(), 5);
    EXPECT_EQ(xb_FieldType(5), "M");
    xb_GoTop();
    EXPECT_EQ(xb_GetTrimString(xb_FieldNum("NAME")), "Zo\xEB");
    EXPECT_EQ(xb_GetTrimString(xb_FieldNum("AMT")), "      1.50");
    EXPECT_EQ(xb_GetString(xb_FieldNum("WHEN")), "20240229");
    EXPECT_EQ(xb_GetLogical(xb_FieldNum("OK")), 1);
    EXPECT_EQ(xb_GetString(5), "a memo\nof two lines");
    xb_Skip(1);
    EXPECT_EQ(xb_GetTrimString(1), "second");
    EXPECT_EQ(xb_EvalString("STR(AMT, 10, 2)"), "    -20.25");
    EXPECT_EQ(xb_Empty(3), 1);
    EXPECT_EQ(xb_GetLogical(4), 0);
    EXPECT_EQ(xb_Empty(5), 1);
    xb_Skip(1);
    EXPECT_EQ(xb_GetString(5), std::string(2000, 'x'));
    EXPECT_EQ(xb_GetBlobLength(5), 2000);
    xb_Skip(1);
    EXPECT_TRUE(xb_Eof());
}

INSTANTIATE_TEST_SUITE_P(ThreeFormats, XbPeersReadTest, ::testing::Values("db3", "fp", "vfp"));

// Appends records named R1, R2 ... to the table at path, with a memo each when memos, until the
// disk refuses one; gives the name of the file refused, or what went wrong.
std::string AppendUntilRefused(const std::string& path, int mode, bool memos) {
    if (xb_Use(path, "", mode, xbCDX) == 0) return "not opened";
    if (memos && xb_IndexCreate("", "NAME", "NAME", "", 0, 0) == 0) return "no order";
    for (int n = 1; n < 100000; ++n) {
        const std::string name = "R" + std::to_string(n);
        if (xb_AppendEx() == 0 && xb_Replace(1, xbReplaceText, name) == xbOK &&
            (!memos || xb_Replace(3, xbReplaceMemo, "note of " + name) == xbOK) &&
            xb_Commit() == xbOK)
            continue;
        const int reason = xb_LastError();
        const std::string file = std::filesystem::path(xb_LastErrorFile()).filename();
        xb_CloseAll();
        return reason == xbErrDiskFull ? file : "refused for reason " + std::to_string(reason);
    }
    return "never refused";
}

// "exact" when the engine finds each record of the table at path by its key; "behind" when it
// refuses the index as behind the table.
std::string IndexRead(const std::string& path) {
    if (xb_Use(path, "", xbModeReadOnly, xbCDX) == 0) return "not opened";
    xb_SetOrder(1);
    std::string read = "exact";
    for (LongInt n = 0; n < xb_RecCount() && read == "exact"; ++n)
        if (const int found = xb_Seek("R" + std::to_string(n)); found != 1)
            read = found < 0 && xb_LastError() == xbErrDamagedIndex
                       ? "behind"
                       : "R" + std::to_string(n) + " missing";
    xb_CloseAll();
    return read;
}

// A table python3-dbf wrote, on a disk of a few KiB, takes records from the engine until the
// disk refuses one: in a shared and in an exclusive open, the table alone, and with memos and
// a production index the engine made, the disk so small that the table, the memo file or the
// index fills it first (an exclusive open takes the room of its index pages first, so that is
// the index). The refused append leaves the table as it was: as long as the records it counts,
// the end-of-file mark after them, so that dbfread and python3-dbf read exactly the records the
// header counts, each with its memo. The index holds the table's keys. The readers run in the
// child that sees the disk.
using XbFullDiskTest = XbPeersTest;

TEST_F(XbFullDiskTest, ARefusedAppendLeavesTheTableAsItWas) {
    RUN_IN_FRESH_PROCESS();
    const std::string readers =
        "length True mark True\ndbfread True\nlive True\ndbf True True True\n";
    int ran = 0;
    // The disk's size, the file a shared open refuses first, and what the index then holds.
    for (const auto& [memos, kib, refused, index] : {std::tuple{false, 8, "full.dbf", ""},
                                                     {true, 24, "full.fpt", "exact"},
                                                     {true, 32, "full.dbf", "exact"},
                                                     {true, 48, "full.cdx", "exact"}}) {
        ASSERT_EQ(RunPython("import dbf\nmemos = " + std::string(memos ? "True" : "False") + R"(
t = dbf.Table('full', 'NAME C(20); AMOUNT N(12,2)' + ('; NOTE M' if memos else ''),
              dbf_type='fp' if memos else 'db3').open(dbf.READ_WRITE)
t.append(('R0', 0, 'note of R0') if memos else ('R0', 0))
)"),
                  "");
        for (const int mode : {xbModeShared, xbModeExclusive}) {
            SCOPED_TRACE(std::to_string(kib) + " KiB, " +
                         (mode == xbModeShared ? "shared" : "exclusive"));
            std::filesystem::remove_all(Path("disk"));
            std::filesystem::create_directory(Path("disk"));
            const std::optional<std::string> answer = InRefusedFolder(
                Path("disk"), TRefusal::FullDisk,
                [&] {
                    for (const char* file : {"full.dbf", "full.fpt"})
                        if (std::filesystem::exists(Path(file)))
                            std::filesystem::copy_file(Path(file), Path("disk/") + file);
                    std::string read = AppendUntilRefused(Path("disk/full.dbf"), mode, memos) + "|";
                    // The table as dbfread and python3-dbf read it.
                    read += PeerReadOfTable(python_, folder_.Path(), "disk/full.dbf", R"(import dbf
print('live', len(t) == count)
t = dbf.Table(name).open()
names = [r[0].strip() for r in t]
print('dbf', len(t) == count, names == ['R%d' % n for n in range(count)],
      len(t[0]) == 2 or [r[2] for r in t] == ['note of ' + n for n in names])
)");
                    return memos ? read + IndexRead(Path("disk/full.dbf")) : read;
                },
                kib * 1024);
            if (!answer) continue;
            ++ran;
            EXPECT_EQ(*answer, (mode == xbModeShared || !memos ? refused : "full.cdx") +
                                   ("|" + readers) + index);
        }
    }
    if (ran == 0) GTEST_SKIP() << "no disk of a few KiB can be mounted here";
}

// Ten orders made after an exclusive open's appends record the time the table keeps once closed:
// the next exclusive open, on a full disk, needs no rebuild. With an index cache of 16 pages, each
// committed append changes more pages than the cache keeps; those of the append the disk refuses
// stay in memory rather than be written without room: once room is made, the next one goes through.
TEST_F(XbFullDiskTest, AnAppendWhosePagesHaveNoRoomLeavesTheBatchWhole) {
    RUN_IN_FRESH_PROCESS();
    std::filesystem::create_directory(Path("disk"));
    WriteAll(Path("disk/room"), std::string(16 * 4096, 'r'));
    const auto append = [](bool commit) {
        return xb_AppendEx() == 0 && xb_Replace(2, xbReplaceText, "N") == xbOK &&
               (!commit || xb_Commit() == xbOK);
    };
    UseNewLoans("disk/t.dbf", xbCDX);
    for (int n = 0; n < 210; ++n) // ten orders, of two leaves and a root each
        ASSERT_TRUE(n < 200 ? append(false)
                            : xb_IndexCreate("", "T" + std::to_string(n), "NAME", "", 0, 0) > 0);
    xb_CloseAll();
    const auto made = std::filesystem::last_write_time(Path("disk/t.dbf"));
    const std::optional<std::string> told = InRefusedFolder(
        Path("disk"), TRefusal::FullDisk,
        [&] {
            std::filesystem::last_write_time(Path("disk/t.dbf"), made); // as the index recorded
            XbSettings().IndexCachePages = 16;
            xb_Use(Path("disk/t.dbf"), "", xbModeExclusive, xbCDX);
            while (append(true)) {
            }
            std::string told = xb_LastErrorText();
            std::filesystem::remove(Path("disk/room"));
            told += append(true) ? ", appended" : ", refused";
            return told + ", closed " + std::to_string(xb_Close());
        },
        32 * 1024);
    if (!Ran(told, "a full disk")) GTEST_SKIP() << "no disk of a few KiB can be mounted here";
    EXPECT_EQ(*told, "Disk is full: \"" + Path("disk/t.cdx") + "\", appended, closed 0");
}

// Process n appends accounts n-0, n-1 ... to the shared table at path until the disk has refused
// three, logging each number done and each file refused. False when a refusal does not give the
// full disk as its cause or, alone (checkBytes), leaves the table changed.
bool AppendAccounts(const std::string& path, int n, const std::string& log, bool checkBytes) {
    // A failure leaves its log telling what failed and the engine's reason.
    const auto failed = [&](const std::string& what) {
        WriteAll(log, "failed: " + what + ": " + xb_LastErrorText());
        return false;
    };
    if (xb_Use(path, "", xbModeShared, xbNSX) == 0) return failed("open");
    xb_SetLockTimeout(30);
    std::string told;
    for (int i = 0, refused = 0; refused < 3; ++i) {
        const std::string number = std::to_string(n) + "-" + std::to_string(i);
        const std::string before = checkBytes ? ReadAll(path) : "";
        if (PostAccount(number)) {
            told += number + "\n";
            continue;
        }
        ++refused;
        told += std::filesystem::path(xb_LastErrorFile()).filename().string() + "\n";
        if (xb_LastError() != xbErrDiskFull) return failed("append " + number);
        if (checkBytes && ReadAll(path) != before) return failed("the table changed");
    }
    WriteAll(log, told);
    return xb_Close() == xbOK || failed("close");
}

// What the AppendAccounts logs given tell of their failures.
std::string FailuresOf(const std::vector<std::string>& logs) {
    std::string told;
    for (const std::string& log : logs)
        if (const std::string text = ReadAll(log); text.rfind("failed: ", 0) == 0)
            told += text + "\n";
    return told.empty() ? "a process failed without a word" : told;
}

// Reads an AppendAccounts log: numbers done into numbers, files refused (with a dot) into refused.
void ReadAccountsLog(const std::string& log, std::set<std::string>& numbers,
                     std::set<std::string>& refused) {
    std::istringstream lines(ReadAll(log));
    for (std::string line; std::getline(lines, line);)
        (line.find('.') == std::string::npos ? numbers : refused).insert(line);
}

// What AccountsRead finds of the accounts table at path, which is to hold exactly numbers.
std::string AccountsOf(const std::string& path, const std::set<std::string>& numbers) {
    if (xb_Use(path, "", xbModeShared, xbNSX) == 0) return "not opened: " + xb_LastErrorText();
    const bool counted = xb_RecCount() == static_cast<LongInt>(numbers.size());
    const std::string read = AccountsRead(numbers);
    xb_CloseAll();
    return counted ? read : "count, " + read;
}

// Accounts appended to a shared table (two orders, memos) by one process and by three at once,
// on a disk of 26 sizes, until it has refused each three appends: every refusal gives the full
// disk as its cause and is taken back whole (alone, byte for byte). On the full disk the table
// holds exactly the accounts answered done, each found by its number in both orders; dbfread
// reads it; with room made, an append goes through. The disk refuses each of the three files.
TEST_F(XbFullDiskTest, RefusedAppendsOfOneOrSeveralProcessesAreTakenBackWhole) {
    RUN_IN_FRESH_PROCESS();
    std::filesystem::create_directory(Path("made"));
    ASSERT_NO_FATAL_FAILURE(MakeAccounts(Path("made/T.DBF")));
    WriteAll(Path("made/room"), std::string(8 * 4096, 'r'));
    const std::string table = Path("disk/T.DBF");
    std::set<std::string> refusedFiles;
    int ran = 0;
    for (const int processes : {1, 3}) {
        for (int pages = 0; pages < 26; ++pages) {
            SCOPED_TRACE(std::to_string(processes) + " processes, " + std::to_string(pages) +
                         " pages free");
            std::filesystem::remove_all(Path("disk"));
            std::filesystem::copy(Path("made"), Path("disk"));
            const std::optional<std::string> answer = InRefusedFolder(
                Path("disk"), TRefusal::FullDisk,
                [&] {
                    // The copy keeps the time the index recorded: the table needs no repair.
                    std::filesystem::last_write_time(
                        table, std::filesystem::last_write_time(Path("made/T.DBF")));
                    if (!RunTogether(processes, [&](int n) {
                            return AppendAccounts(table, n, Path("log" + std::to_string(n)),
                                                  processes == 1);
                        }))
                        return FailuresOf({Path("log0"), Path("log1"), Path("log2")});
                    std::set<std::string> numbers;
                    for (int n = 0; n < processes; ++n)
                        ReadAccountsLog(Path("log" + std::to_string(n)), numbers, refusedFiles);
                    std::string read = AccountsOf(table, numbers) + "|" +
                                       PeerReadOfTable(python_, folder_.Path(), "disk/T.DBF");
                    std::filesystem::remove(Path("disk/room"));
                    if (!AppendAccounts(table, 9, Path("log9"), false)) return read + "failed";
                    ReadAccountsLog(Path("log9"), numbers, refusedFiles);
                    if (numbers.count("9-0") == 0) return read + "no append after room was made";
                    return read + AccountsOf(table, numbers);
                },
                pages * 4096);
            if (!answer) continue;
            ++ran;
            EXPECT_EQ(*answer, "whole|length True mark True\ndbfread True\nwhole");
        }
    }
    if (ran == 0) GTEST_SKIP() << "no disk of a few KiB can be mounted here";
    EXPECT_EQ(refusedFiles, (std::set<std::string>{"T.DBF", "T.FPT", "T.NSX"}));
}

} // namespace
