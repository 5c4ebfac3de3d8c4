// The register journal on its own: a save's and a delete's records, their keys and the tables'
// counts written and read back whole, names holding '%', tabs and line ends kept apart from the
// lines, the commit mark, journals of the second format, and journals cut short or not ours
// told apart from whole ones.
#include "advisors/RegisterJournal.h"
#include "advisors/Register.h"
#include "xbase/XbFile.h"

#include "platform/rtl/SysUtils.h"
#include "tests/rtl/TestFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

class RegisterJournalTest : public ::testing::Test {
protected:
    std::string Text() const { return ReadAll(RegisterJournalPath(folder.Path())); }
    void Write(const std::string& Text) { WriteAll(RegisterJournalPath(folder.Path()), Text); }
    TJournalState Read(TRegisterChange& Change) const {
        return ReadRegisterJournal(folder.Path(), Change);
    }

    TTestFolder folder;
};

TEST_F(RegisterJournalTest, ASaveComesBackWithTheTermsItReplaces) {
    const TRegisterChange save{.Kind = rcSave,
                               .Name = "7%\t2\n",
                               .Made = {{TransTable, 181, 541, "7%\t2\n"}},
                               .Gone = {{TransTable, 1, 180, "7%\t2\n"}},
                               .Counts = {{TransTable, 180}, {LoansTable, 3}},
                               .TermsRecord = 3,
                               .OldLoan = {.PV = 100000.25,
                                           .NumPmts = 360,
                                           .Rate = 6.875f,
                                           .Points = 1.25f,
                                           .OrgDate = 155000,
                                           .FrstPmtDate = 155031,
                                           .PYR = 4,
                                           .CmpPYR = 6},
                               .OldOptions = {.AmortMethod = 2, .RateBasis = 1},
                               .Packs = 4294967295u};
    ASSERT_TRUE(WriteRegisterJournal(folder.Path(), save));
    // Every line splits at its tabs: the name's '%', tab and line end are written as %XX.
    const std::string written =
        "VANTREL REGISTER JOURNAL 4\n"
        "save\t7%25%092%0A\n"
        "packs\tTRANS.DBF\t4294967295\n"
        "count\tLOANS.DBF\t3\n"
        "count\tTRANS.DBF\t180\n"
        "terms\t3\t100000.25\t360\t155000\t155031\t4\t6\t1.25\t6.875\t2\t1\n"
        "made\tTRANS.DBF\t181\t541\t7%25%092%0A\n"
        "gone\tTRANS.DBF\t1\t180\t7%25%092%0A\n"
        "end\n";
    EXPECT_EQ(Text(), written);

    // The change read back is written as the same journal: every value came back.
    TRegisterChange read;
    ASSERT_EQ(Read(read), jsComplete);
    EXPECT_FALSE(read.Committed);
    ASSERT_TRUE(WriteRegisterJournal(folder.Path(), read));
    EXPECT_EQ(Text(), written);

    ASSERT_TRUE(CommitRegisterJournal(folder.Path()));
    ASSERT_EQ(Read(read), jsComplete);
    EXPECT_TRUE(read.Committed);
    EXPECT_TRUE(RemoveRegisterJournal(folder.Path()));
    EXPECT_EQ(Read(read), jsNone);
}

// The records a delete marks are named in runs of consecutive numbers, table by table.
TEST_F(RegisterJournalTest, ADeleteComesBackWithItsLoansAndAccount) {
    TRegisterChange del;
    del.Kind = rcDelete;
    del.Name = "SMITJOH001";
    del.Gone = RecordRuns(TransTable, {12, 10, 40, 11, 11}, "7");
    del.Gone.push_back({AccountsTable, 2, 2, "SMITJOH001"});
    ASSERT_TRUE(WriteRegisterJournal(folder.Path(), del));
    ASSERT_TRUE(CommitRegisterJournal(folder.Path()));
    EXPECT_EQ(Text(), "VANTREL REGISTER JOURNAL 4\ndelete\tSMITJOH001\ngone\tTRANS.DBF\t10\t12\t7\n"
                      "gone\tTRANS.DBF\t40\t40\t7\ngone\tACCNTS.DBF\t2\t2\tSMITJOH001\nend\n"
                      "commit\n");
    TRegisterChange read;
    ASSERT_EQ(Read(read), jsComplete);
    EXPECT_EQ(read.Kind, rcDelete);
    EXPECT_EQ(read.Name, "SMITJOH001");
    EXPECT_EQ(read.Gone, del.Gone);
    EXPECT_TRUE(read.Made.empty());
    EXPECT_TRUE(read.Committed);
    EXPECT_FALSE(read.Packs);
}

TEST_F(RegisterJournalTest, AJournalCutShortOrNotOursIsTold) {
    TRegisterChange read;
    const std::string head = "VANTREL REGISTER JOURNAL 2\n";
    const std::string third = "VANTREL REGISTER JOURNAL 3\n";
    const std::string fourth = "VANTREL REGISTER JOURNAL 4\n";
    for (const std::string& text :
         {head + "save\t7\n",                    // no end line: cut before the change wrote
          head + "save\t7%4\nend\n",             // an escape cut in two
          head + "save\t7%G1\nend\n",            // not an escape
          head + "save\t\nend\n",                // a save of no loan
          head + "made\tTRANS.DBF\t1\t2\nend\n", // the change not named first
          head + "save\t7\nmade\tTRANS.DBF\t18x\t20\nend\n", // not a number
          head + "save\t7\ngone\tTRANS.DBF\t5\t4\nend\n",    // a run that ends before it starts
          head + "save\t7\nmade\tOTHER.DBF\t1\t2\nend\n",    // no table of the register
          head + "save\t7\nterms\t1\t2\nend\n",              // terms missing
          head + "save\t7\nrename\t7\nend\n",                // a line that does not belong
          head + "save\t7\ncount\tTRANS.DBF\t9\nend\n",      // no counts in this format
          third + "save\t7\nmade\tTRANS.DBF\t1\t2\nend\n",   // a run without its key
          third + "save\t7\ncount\tTRANS.DBF\t-1\nend\n",    // a count below none
          third + "save\t7\npacks\tTRANS.DBF\t3\nend\n",     // no pack count in this format
          fourth + "save\t7\npacks\tLOANS.DBF\t3\nend\n",    // the pack count is TRANS's
          fourth + "save\t7\npacks\tTRANS.DBF\t3\npacks\tTRANS.DBF\t4\nend\n", // two
          std::string()}) {
        SCOPED_TRACE(text);
        Write(text);
        EXPECT_EQ(Read(read), jsCutShort);
    }
    // A save of a loan made for it has no terms line, and reads whole; the second format names
    // no keys, but every record of a save holds its loan's.
    Write(head + "save\t7%25\nmade\tLOANS.DBF\t4\t4\nend\n");
    ASSERT_EQ(Read(read), jsComplete);
    EXPECT_EQ(read.Name, "7%");
    EXPECT_EQ(read.TermsRecord, 0);
    EXPECT_EQ(read.Made, (std::vector<TRecordRun>{{LoansTable, 4, 4, "7%"}}));
    EXPECT_FALSE(read.Committed);
    // A journal of the first format, which older builds wrote, is told apart.
    Write("VANTREL REGISTER JOURNAL 1\nsave\t7\t181\t1\nend\n");
    EXPECT_EQ(Read(read), jsFormer);
}

} // namespace

// A journal that cannot be written whole (the disk full) is not left behind half written.
TEST_F(RegisterJournalTest, AJournalThatCannotBeWrittenLeavesNoFile) {
    TRegisterChange save;
    save.Kind = rcSave;
    save.Name = "7";
    XbSetWriteFailure(1);
    const bool written = WriteRegisterJournal(folder.Path(), save);
    XbSetWriteFailure(std::nullopt);
    EXPECT_FALSE(written);
    EXPECT_FALSE(std::filesystem::exists(RegisterJournalPath(folder.Path())));
}
