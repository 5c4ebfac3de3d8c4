// The call interface's handles, databases, tables and descriptions over real tables.
#include "DbFixture.h"

#include "db/EngineServices.h"

#include <filesystem>

namespace {

class DbiTablesTest : public DbFixture {};

std::string AliasOf(TCursorHandle cursor) {
    TWA wa(cursor);
    return xb_Alias();
}

TEST_F(DbiTablesTest, TablesOfOneNameGetNumberedAliasesWithCleanedNames) {
    MakeLoans("ACCNTS.DBF", {{"A", 1}});
    std::filesystem::create_directory(Path("old"));
    std::filesystem::copy(Path("ACCNTS.DBF"), Path("old/ACCNTS.DBF"));
    std::filesystem::copy(Path("ACCNTS.FPT"), Path("old/ACCNTS.FPT"));
    MakeLoans("MY-LOANS LIST.DBF", {{"B", 2}});
    const TCursorHandle first = Open("ACCNTS.DBF");
    const TCursorHandle second = Open(Path("old/ACCNTS.DBF")); // a full path ignores the database
    const TCursorHandle hyphen = Open("MY-LOANS LIST.DBF");
    const TCursorHandle again = Open("MY-LOANS LIST.DBF");
    EXPECT_EQ(AliasOf(first), "ACCNTS");
    EXPECT_EQ(AliasOf(second), "ACCNTS_1");
    EXPECT_EQ(AliasOf(hyphen), "MY_LOANS");
    EXPECT_EQ(AliasOf(again), "MY_LOANS_1");
    EXPECT_EQ(Names(second), "A ");
}

TEST_F(DbiTablesTest, EntryPointsGiveTheCurrentAreaBack) {
    MakeLoans("ONE.DBF", {{"A", 1}});
    MakeLoans("TWO.DBF", {{"B", 2}, {"C", 3}});
    const TCursorHandle one = Open("ONE.DBF");
    const TCursorHandle two = Open("TWO.DBF");
    xb_Select(static_cast<int>(one));
    EXPECT_EQ(Names(two), "B C ");
    EXPECT_EQ(xb_WorkArea(), static_cast<int>(one));
    // The selection calls that leave the cursor's area current.
    EXPECT_EQ(SelectCursorArea(256), 0xFFFF);
    EXPECT_EQ(xb_WorkArea(), static_cast<int>(one));
    EXPECT_EQ(SelectCursorArea(two), static_cast<int>(one));
    EXPECT_EQ(xb_WorkArea(), static_cast<int>(two));
    xb_Select(static_cast<int>(one));
    EXPECT_EQ(WorkAreaOfCursor(two), EngineWorkArea(two));
    EXPECT_EQ(xb_WorkArea(), static_cast<int>(two));
    EXPECT_EQ(WorkAreaOfCursor(0), nullptr);
}

TEST_F(DbiTablesTest, HandlesThatAreNoOpenAreaActOnNothing) {
    MakeLoans("ONE.DBF", {{"A", 1}});
    const TCursorHandle one = Open("ONE.DBF");
    std::string record = RecordBuffer(one);
    for (TCursorHandle bad : {0u, 256u, 262u, 300u, 7u})
        EXPECT_EQ(DbiGetRecord(bad, 0, record.data(), nullptr), dbiBadHandle) << bad;
    EXPECT_EQ(DbiSetToBegin(256), dbiBadHandle);
    EXPECT_EQ(DbiGetNextRecord(256, 0, record.data(), nullptr), dbiEOF);
    EXPECT_EQ(DbiGetNextRecord(dbiEmptyCursor, 0, record.data(), nullptr), dbiEOF);
    TCursorHandle notOpen = 9;
    EXPECT_EQ(DbiCloseCursor(notOpen), dbiBadHandle);
}

TEST_F(DbiTablesTest, UnknownDatabaseOpensNothing) {
    MakeLoans("ONE.DBF", {{"A", 1}});
    TTestFolder other;
    TDatabaseHandle db2 = 0;
    ASSERT_EQ(DbiOpenDatabase("", "", 0, 0, "", 0, nullptr, other.Path().c_str(), &db2), dbiOK);
    TCursorHandle cursor = 77;
    EXPECT_EQ(DbiOpenTable(db2 + 5, "ONE.DBF", nullptr, nullptr, nullptr, 0, 0, 0, 2, false,
                           nullptr, &cursor),
              dbiBadHandle);
    EXPECT_EQ(cursor, 77u);
    ASSERT_EQ(services_.MessageBoxes.size(), 1u);
    EXPECT_EQ(services_.MessageBoxes[0].Text,
              "Could not find directory associated with this database");
    // The other database's folder holds no such table.
    EXPECT_EQ(DbiOpenTable(db2, "ONE.DBF", nullptr, nullptr, nullptr, 0, 0, 0, 2, false, nullptr,
                           &cursor),
              dbiTableOpenFailed);
    EXPECT_EQ(cursor, 0u);
    DbiCloseDatabase(db2);
}

TEST_F(DbiTablesTest, AnOpenWithAMissingOrderLeavesNoAreaBehind) {
    MakeLoans("ONE.DBF", {{"A", 1}});
    TCursorHandle cursor = 77;
    EXPECT_NE(DbiOpenTable(db_, "ONE.DBF", nullptr, nullptr, "NOPE", 0, dbiOpenReadWrite,
                           dbiShareShared, 2, false, nullptr, &cursor),
              dbiOK);
    EXPECT_EQ(cursor, 0u);
    EXPECT_EQ(xb_WorkArea("ONE"), 0);
    EXPECT_GT(xb_Use(Path("ONE.DBF"), "ALONE", xbModeExclusive, xbCDX), 0);
    xb_Close();
}

TEST_F(DbiTablesTest, TheLastDatabaseHandleIsGivenBackAndTakenAgain) {
    std::vector<TDatabaseHandle> handles;
    for (TDatabaseHandle db = db_ + 1; db <= dbiMaxDatabases; ++db) {
        handles.push_back(0);
        ASSERT_EQ(
            DbiOpenDatabase("", "", 0, 0, "", 0, nullptr, folder_.Path().c_str(), &handles.back()),
            dbiOK);
    }
    ASSERT_EQ(handles.back(), static_cast<TDatabaseHandle>(dbiMaxDatabases));
    TDatabaseHandle more = 0;
    EXPECT_NE(DbiOpenDatabase("", "", 0, 0, "", 0, nullptr, folder_.Path().c_str(), &more), dbiOK);
    DbiCloseDatabase(handles.back());
    ASSERT_EQ(DbiOpenDatabase("", "", 0, 0, "", 0, nullptr, folder_.Path().c_str(), &more), dbiOK);
    EXPECT_EQ(more, static_cast<TDatabaseHandle>(dbiMaxDatabases));
    DbiCloseDatabase(more);
    for (TDatabaseHandle& db : handles)
        DbiCloseDatabase(db);
}

TEST_F(DbiTablesTest, TheLastWorkAreaReadsItsRecords) {
    MakeLoans("ONE.DBF", {{"A", 1}}, xbCDX, false);
    std::vector<TCursorHandle> cursors;
    for (int i = 0; i < 255; ++i)
        cursors.push_back(Open("ONE.DBF"));
    ASSERT_EQ(cursors.back(), 255u);
    EXPECT_EQ(Names(cursors.back()), "A ");
    for (TCursorHandle& cursor : cursors)
        DbiCloseCursor(cursor);
}

TEST_F(DbiTablesTest, OverlongPathsAreRefused) {
    TCursorHandle cursor = 0;
    const std::string name = std::string(dbiMaxPath, 'A') + ".DBF";
    EXPECT_EQ(DbiOpenTable(db_, name.c_str(), nullptr, nullptr, nullptr, 0, 0, 0, 2, false, nullptr,
                           &cursor),
              dbiTableOpenFailed);
    std::string text;
    DbiGetErrorString(dbiTableOpenFailed, &text);
    EXPECT_EQ(text, "File Open Error");
    EXPECT_EQ(DbiSetDirectory(db_, name.c_str()), dbiTableOpenFailed);
}

TEST_F(DbiTablesTest, EngineVersionTexts) {
    EXPECT_TRUE(EngineVersionAccepted(xb_Version()));
    EXPECT_TRUE(EngineVersionAccepted("Ver 2.40.00"));
    EXPECT_TRUE(EngineVersionAccepted("Ver 3.00.00"));
    EXPECT_FALSE(EngineVersionAccepted("Ver 2.39.99"));
    EXPECT_FALSE(EngineVersionAccepted("Ver x.yz"));
    EXPECT_FALSE(EngineVersionAccepted("Ver 2"));
    EXPECT_FALSE(EngineVersionAccepted(""));
}

TEST_F(DbiTablesTest, DriverComesFromTheFirstByteAndTheIndexBesideIt) {
    MakeLoans("NTX.DBF", {{"A", 1}}, xbNTX, false); // memo: first byte 0x83
    ASSERT_EQ(xb_Create(Path("PLAIN.DBF"), {{"NAME", 'C', 10, 0, 0}}, xbCDX), xbOK);
    EXPECT_EQ(DriverOfTableFile(Path("NTX.DBF")), dbiDriverNTX);
    EXPECT_EQ(DriverOfTableFile(Path("PLAIN.DBF")), dbiDriverCDX);
    WriteAll(Path("PLAIN.NSX"), "");
    EXPECT_EQ(DriverOfTableFile(Path("plain")), dbiDriverNSX);
    WriteAll(Path("PLAIN.CDX"), "");
    EXPECT_EQ(DriverOfTableFile(Path("PLAIN.DBF")), dbiDriverCDX);

    TCursorProps props;
    const TCursorHandle ntx = Open("NTX.DBF");
    ASSERT_EQ(DbiGetCursorProps(ntx, &props), dbiOK);
    EXPECT_EQ(props.DriverName, "XBNTX");
    EXPECT_EQ(props.TableName, "NTX");
    EXPECT_EQ(props.FieldCount, 5);
    EXPECT_EQ(props.BookmarkSize, 8);
    EXPECT_FALSE(props.Indexed);
    EXPECT_EQ(DriverOfCursor(ntx), dbiDriverNTX);
    EXPECT_EQ(DriverOfCursor(ntx + 1), 0);
}

TEST_F(DbiTablesTest, DescriptorsMapEachFieldType) {
    const std::vector<TXbFieldDef> fields = {{"CODE", 'C', 4, 0, 0}, {"SHORT", 'N', 4, 0, 0},
                                             {"WIDE", 'N', 5, 0, 0}, {"RATE", 'N', 8, 2, 0},
                                             {"WHEN", 'D', 8, 0, 0}, {"OK", 'L', 1, 0, 0},
                                             {"NOTE", 'M', 10, 0, 0}};
    ASSERT_EQ(xb_Create(Path("TYPES.DBF"), fields, xbCDX), xbOK);
    const TCursorHandle cursor = Open("TYPES.DBF");
    std::vector<TFieldDescriptor> d(fields.size());
    ASSERT_EQ(DbiGetFieldDescs(cursor, d.data()), dbiOK);
    struct Expected {
        Word type, sub, units1, units2, length, offset;
    };
    const Expected logical[] = {{fldString, 0, 4, 0, 5, 2},        {fldInt16, 0, 1, 0, 2, 6},
                                {fldFloat, 0, 5, 0, 8, 10},        {fldFloat, 0, 8, 2, 8, 15},
                                {fldDate, 0, 1, 0, 4, 23},         {fldBoolean, 0, 1, 0, 2, 31},
                                {fldBlob, fldSubMemo, 1, 0, 0, 32}};
    for (std::size_t i = 0; i < fields.size(); ++i) {
        EXPECT_EQ(FieldDescName(d[i]), fields[i].Name);
        EXPECT_EQ(d[i].FieldNum, i + 1);
        EXPECT_EQ(d[i].FieldType, logical[i].type) << i;
        EXPECT_EQ(d[i].SubType, logical[i].sub) << i;
        EXPECT_EQ(d[i].Units1, logical[i].units1) << i;
        EXPECT_EQ(d[i].Units2, logical[i].units2) << i;
        EXPECT_EQ(d[i].Length, logical[i].length) << i;
        EXPECT_EQ(d[i].Offset, logical[i].offset) << i;
    }
    // Translate mode 0 hands out the physical descriptors.
    ASSERT_EQ(DbiSetProp(cursor, curTranslateMode, 0), dbiOK);
    ASSERT_EQ(DbiGetFieldDescs(cursor, d.data()), dbiOK);
    EXPECT_EQ(d[0].FieldType, fldPhysChar);
    EXPECT_EQ(d[0].Length, 4);
    EXPECT_EQ(d[0].Offset, 1);
    EXPECT_EQ(d[3].FieldType, fldPhysNumber);
    EXPECT_EQ(d[4].FieldType, fldPhysDate);
    EXPECT_EQ(d[6].FieldType, fldPhysMemo);
    EXPECT_EQ(d[6].Length, 10);
}

TEST_F(DbiTablesTest, FieldListIsReadAndClosedWithoutTheTable) {
    MakeLoans("LOANS.DBF", {{"A", 1}});
    const TCursorHandle table = Open("LOANS.DBF");
    TCursorHandle list = 0;
    ASSERT_EQ(DbiOpenFieldList(db_, "LOANS.DBF", nullptr, false, &list), dbiOK);
    EXPECT_EQ(list, dbiFieldListCursor);
    TFieldDescriptor row;
    std::string names;
    while (DbiGetNextRecord(list, 0, reinterpret_cast<char*>(&row), nullptr) == dbiOK)
        names += FieldDescName(row) + " ";
    EXPECT_EQ(names, "NAME AMOUNT WHEN PAID NOTE ");
    EXPECT_EQ(DbiCloseCursor(list), dbiOK);
    // The list holds the logical descriptors whatever the open cursor hands out.
    DbiSetProp(table, curTranslateMode, 0);
    ASSERT_EQ(DbiOpenFieldList(db_, "loans", nullptr, false, &list), dbiOK);
    ASSERT_EQ(DbiGetNextRecord(list, 0, reinterpret_cast<char*>(&row), nullptr), dbiOK);
    EXPECT_EQ(row.FieldType, fldString);
    EXPECT_EQ(row.Length, 11);
    DbiCloseCursor(list);
    EXPECT_EQ(EngineWorkArea(dbiFieldListCursor), nullptr);
    EXPECT_EQ(Names(table), "A ");
    // A table that is not open is opened for the time of the call.
    MakeLoans("OTHER.DBF", {});
    ASSERT_EQ(DbiOpenFieldList(db_, "OTHER.DBF", nullptr, false, &list), dbiOK);
    EXPECT_EQ(xb_WorkArea("OTHER"), 0);
    DbiCloseCursor(list);
}

TEST_F(DbiTablesTest, IndexesAreDescribedAndSwitched) {
    MakeLoans("LOANS.DBF", {{"B", 2}, {"A", 1}, {"C", 3}});
    TCursorHandle cursor = Open("LOANS.DBF", "AMOUNT");
    TIndexDesc desc;
    ASSERT_EQ(DbiGetIndexDesc(cursor, 0, &desc), dbiOK);
    EXPECT_EQ(desc.TagName, "AMOUNT");
    EXPECT_FALSE(desc.Expression);
    EXPECT_EQ(desc.FieldsInKey, 1);
    EXPECT_EQ(desc.KeyFields[0], 2);
    std::vector<TIndexDesc> all(2);
    ASSERT_EQ(DbiGetIndexDescs(cursor, all.data()), dbiOK);
    EXPECT_EQ(all[0].TagName, "NAME");
    EXPECT_EQ(all[1].TagName, "AMOUNT");
    EXPECT_EQ(Names(cursor), "A B C ");
    // Past the last order there is no index to describe.
    desc = TIndexDesc{};
    EXPECT_EQ(DbiGetIndexDesc(cursor, 3, &desc), dbiNoSuchIndex);
    EXPECT_EQ(desc.TagName, "");
    EXPECT_EQ(DbiGetIndexDesc(cursor, 0xFFFF, &desc), dbiNoSuchIndex);
    ASSERT_EQ(DbiGetIndexDesc(cursor, 2, &desc), dbiOK);
    EXPECT_EQ(desc.TagName, "AMOUNT");

    EXPECT_EQ(DbiSwitchToIndex(cursor, nullptr, "NOSUCH", 0, true), dbiNoSuchIndex);
    TCursorHandle bad = 200;
    EXPECT_EQ(DbiSwitchToIndex(bad, nullptr, "NAME", 0, true), dbiBadHandle);
    EXPECT_EQ(DbiSwitchToIndex(cursor, nullptr, nullptr, 0, true), dbiOK);
    EXPECT_EQ(DbiGetIndexDesc(cursor, 0, &desc), dbiNoIndexActive);
    EXPECT_EQ(Names(cursor), "B A C ");

    TCursorHandle none = 5;
    EXPECT_EQ(DbiOpenTable(db_, "LOANS.DBF", nullptr, nullptr, "NOSUCH", 0, 0, 0, 2, false, nullptr,
                           &none),
              dbiNoSuchIndex);
    EXPECT_EQ(none, 0u);
    EXPECT_EQ(xb_WorkArea("LOANS_1"), 0);
}

TEST_F(DbiTablesTest, IndexFilesOpenThroughTheEngine) {
    MakeLoans("NTX.DBF", {{"B", 2}, {"A", 1}}, xbNTX, false);
    ASSERT_GT(xb_Use(Path("NTX.DBF"), "", xbModeExclusive, xbNTX), 0);
    ASSERT_GT(xb_IndexCreate(Path("BYNAME.NTX"), "", "NAME", "", 0, 0), 0);
    xb_Close();
    const TCursorHandle cursor = Open("NTX.DBF");
    EXPECT_EQ(DbiOpenIndex(cursor, "NOSUCH.NTX", 0), dbiNoSuchIndex);
    ASSERT_EQ(DbiOpenIndex(cursor, "BYNAME.NTX", 0), dbiOK);
    TCursorHandle c = cursor;
    ASSERT_EQ(DbiSwitchToIndex(c, nullptr, "BYNAME", 0, true), dbiOK);
    EXPECT_EQ(Names(cursor), "A B ");
}

TEST_F(DbiTablesTest, FailuresTellTheEnginesReason) {
    TCursorHandle cursor = 0;
    EXPECT_EQ(DbiOpenTable(db_, "NONE.DBF", nullptr, nullptr, nullptr, 0, 0, 0, 2, false, nullptr,
                           &cursor),
              dbiTableOpenFailed);
    std::string text;
    DbiGetErrorString(dbiTableOpenFailed, &text);
    EXPECT_EQ(text.rfind("File Open Error: File not found", 0), 0u) << text;
    EXPECT_NE(text.find("NONE.DBF"), std::string::npos);
    DbiGetErrorString(8706, &text);
    EXPECT_EQ(text, "Engine Error : 8706");

    WriteAll(Path("BAD.DBF"), std::string(40, 'x'));
    EXPECT_EQ(DbiOpenTable(db_, "BAD.DBF", nullptr, nullptr, nullptr, 0, 0, 0, 2, false, nullptr,
                           &cursor),
              dbiTableOpenFailed);
    DbiGetErrorString(dbiTableOpenFailed, &text);
    EXPECT_EQ(text.rfind("File Open Error: Table header is damaged", 0), 0u) << text;
}

TEST_F(DbiTablesTest, ReadOnlyFilesAreReportedForOpeningToRead) {
    MakeLoans("RO.DBF", {{"A", 1}});
    std::filesystem::permissions(Path("RO.DBF"), std::filesystem::perms::owner_read);
    std::filesystem::permissions(Path("RO.FPT"), std::filesystem::perms::owner_read);
    std::filesystem::permissions(Path("RO.CDX"), std::filesystem::perms::owner_read);
    TCursorHandle cursor = 0;
    if (::geteuid() != 0) { // the superuser writes to any file
        EXPECT_EQ(DbiOpenTable(db_, "RO.DBF", nullptr, nullptr, nullptr, 0, dbiOpenReadWrite, 0, 2,
                               false, nullptr, &cursor),
                  dbiReadOnly);
        std::string text;
        DbiGetErrorString(dbiReadOnly, &text);
        EXPECT_EQ(text.rfind("File is read-only", 0), 0u) << text;
    }
    ASSERT_EQ(DbiOpenTable(db_, "RO.DBF", nullptr, nullptr, nullptr, 0, dbiOpenReadOnly, 0, 2,
                           false, nullptr, &cursor),
              dbiOK);
    std::string record = RecordBuffer(cursor);
    DbiInitRecord(cursor, record.data());
    EXPECT_EQ(DbiInsertRecord(cursor, 0, record.data()), dbiReadOnly);
    EXPECT_EQ(Names(cursor), "A ");
}

TEST_F(DbiTablesTest, DatabasesKeepTheirDirectories) {
    TDatabaseHandle other = 0;
    ASSERT_EQ(DbiOpenDatabase("", "", 0, 0, "", 0, nullptr, "/data/loans", &other), dbiOK);
    std::string full;
    ASSERT_EQ(DbiFormFullName(other, "ACCNTS.DBF", nullptr, &full), dbiOK);
    EXPECT_EQ(full, "/data/loans/ACCNTS.DBF");
    DbiSetDirectory(other, "/elsewhere/");
    DbiFormFullName(other, "X", nullptr, &full);
    EXPECT_EQ(full, "/elsewhere/X");
    DbiSetDirectory(0, "/x");
    ASSERT_EQ(services_.MessageBoxes.size(), 1u);
    EXPECT_EQ(services_.MessageBoxes[0].Text, "DbiSetDirectory : hDb = 0");
    DbiCloseDatabase(other);
    EXPECT_EQ(DbiFormFullName(other, "X", nullptr, &full), dbiBadHandle);

    // A configuration record's PATH becomes the directory of databases opened without one.
    TFieldDescriptor path{};
    std::memcpy(path.Name.data(), "PATH", 4);
    path.Offset = 0;
    ASSERT_EQ(DbiWriteConfigRecord(0, "", 1, &path, "/cfg/"), dbiOK);
    ASSERT_EQ(DbiOpenDatabase("", "", 0, 0, "", 0, nullptr, nullptr, &other), dbiOK);
    DbiFormFullName(other, "T", nullptr, &full);
    EXPECT_EQ(full, "/cfg/T");
    DbiCloseDatabase(other);
    DefaultDirectory() = "./";
}

} // namespace
