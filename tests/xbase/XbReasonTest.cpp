// Reasons of failures: each failing call leaves why it failed for xb_LastError, naming the file;
// the calls' own results stay as they were.
#include "tests/xbase/XbFixture.h"

#include <sys/stat.h>

namespace {

class XbReasonTest : public XbFixture {
protected:
    void MakeLoans(const std::string& name) {
        ASSERT_EQ(xb_Create(Path(name), LoanFields(), xbCDX), xbOK);
        ASSERT_GT(xb_Use(Path(name), "", xbModeExclusive, xbCDX), 0);
        AddLoan("L1", "Adams", 100);
        ASSERT_EQ(xb_Replace(6, xbReplaceMemo, "a note"), xbOK);
        ASSERT_EQ(xb_Commit(), xbOK);
        xb_Close();
    }
};

TEST_F(XbReasonTest, OpeningFailuresNameTheirReason) {
    EXPECT_EQ(xb_Use(Path("NONE.DBF"), "", xbModeShared, xbCDX), 0);
    EXPECT_EQ(xb_LastError(), xbErrFileMissing);
    EXPECT_NE(xb_LastErrorText().find("NONE.DBF"), std::string::npos);

    MakeLoans("L.DBF");
    ASSERT_GT(xb_Use(Path("L.DBF"), "A", xbModeExclusive, xbCDX), 0);
    xb_Select(0);
    EXPECT_EQ(xb_Use(Path("L.DBF"), "B", xbModeShared, xbCDX), 0);
    EXPECT_EQ(xb_LastError(), xbErrLocked);
    xb_CloseAll();

    std::string bytes = ReadAll(Path("L.DBF"));
    WriteAll(Path("H.DBF"), bytes.substr(0, 40)); // cut inside the field descriptors
    EXPECT_EQ(xb_Use(Path("H.DBF"), "", xbModeShared, xbCDX), 0);
    EXPECT_EQ(xb_LastError(), xbErrDamagedHeader);
    EXPECT_NE(xb_LastErrorText().find("H.DBF"), std::string::npos);

    WriteAll(Path("L.FPT"), std::string(100, '\0'));
    EXPECT_EQ(xb_Use(Path("L.DBF"), "", xbModeShared, xbCDX), 0);
    EXPECT_EQ(xb_LastError(), xbErrDamagedMemo);
    EXPECT_NE(xb_LastErrorText().find("L.FPT"), std::string::npos);
}

TEST_F(XbReasonTest, ReadOnlyFilesAndAreas) {
    MakeLoans("R.DBF");
    ::chmod(Path("R.DBF").c_str(), 0444);
    if (::geteuid() != 0) { // the superuser writes to any file
        EXPECT_EQ(xb_Use(Path("R.DBF"), "", xbModeShared, xbCDX), 0);
        EXPECT_EQ(xb_LastError(), xbErrReadOnly);
    }
    ASSERT_GT(xb_Use(Path("R.DBF"), "", xbModeReadOnly, xbCDX), 0);
    EXPECT_EQ(xb_AppendEx(), xbReadOnly);
    EXPECT_EQ(xb_LastError(), xbErrReadOnly);
}

TEST_F(XbReasonTest, AnUnreadableMemoReadsEmptyAndSaysWhy) {
    MakeLoans("M.DBF");
    ASSERT_GT(xb_Use(Path("M.DBF"), "", xbModeExclusive, xbCDX), 0);
    std::string image = xb_GetRecord();
    image.replace(static_cast<std::size_t>(xb_FieldOffset(6) - 1), 10, "    999999");
    ASSERT_EQ(xb_PutRecord(image), xbOK);
    xb_Use(Path("NONE.DBF"), "", xbModeShared, xbCDX);
    ASSERT_GT(xb_Select(1), 0);
    EXPECT_EQ(xb_LastError(), xbErrFileMissing); // a successful call leaves the last reason
    EXPECT_EQ(xb_GetString(6), "");
    EXPECT_EQ(xb_Empty(6), 1);
    EXPECT_EQ(xb_LastError(), xbErrDamagedMemo);
    EXPECT_NE(xb_LastErrorText().find("M.FPT"), std::string::npos);

    EXPECT_EQ(xb_Replace(99, xbReplaceText, "x"), xbBadArgument);
    EXPECT_EQ(xb_LastError(), xbErrNone); // a refused argument has no reason beyond its status
    EXPECT_EQ(xb_LastErrorText(), "");
}

} // namespace
