// The register journal on its own: a save's and a delete's facts written and read back whole,
// names holding '%', tabs and line ends kept apart from the lines, the commit mark, and journals
// cut short or not ours told apart from whole ones.
#include "advisors/RegisterJournal.h"
#include "xbase/XbFile.h"

#include "platform/rtl/SysUtils.h"
#include "tests/rtl/TestFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

class RegisterJournalTest : public ::testing::Test {
protected:
    std::string Text() const {
        std::ifstream file(RegisterJournalPath(folder.Path()), std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }
    void Write(const std::string& Text) {
        std::ofstream(RegisterJournalPath(folder.Path()), std::ios::binary) << Text;
    }
    TJournalState Read(TRegisterChange& Change) const {
        return ReadRegisterJournal(folder.Path(), Change);
    }

    TTestFolder folder;
};

TEST_F(RegisterJournalTest, ASaveComesBackWithTheTermsItReplaces) {
    TRegisterChange save;
    save.Kind = rcSave;
    save.Loan = "7%\t2\n";
    save.FirstNewRow = 181;
    save.OldLoan.PV = 100000.25;
    save.OldLoan.NumPmts = 360;
    save.OldLoan.OrgDate = 155000;
    save.OldLoan.FrstPmtDate = 155031;
    save.OldLoan.PYR = 4;
    save.OldLoan.CmpPYR = 6;
    save.OldLoan.Points = 1.25f;
    save.OldLoan.Rate = 6.875f;
    save.OldOptions.AmortMethod = 2;
    save.OldOptions.RateBasis = 1;
    ASSERT_TRUE(WriteRegisterJournal(folder.Path(), save));
    // Every line splits at its tabs: the name's '%', tab and line end are written as %XX.
    EXPECT_EQ(Text(), "VANTREL REGISTER JOURNAL 1\n"
                      "save\t7%25%092%0A\t181\t0\n"
                      "terms\t100000.25\t360\t155000\t155031\t4\t6\t1.25\t6.875\t2\t1\n"
                      "end\n");

    TRegisterChange read;
    ASSERT_EQ(Read(read), jsComplete);
    EXPECT_FALSE(read.Committed);
    EXPECT_EQ(read.Kind, rcSave);
    EXPECT_EQ(read.Loan, save.Loan);
    EXPECT_EQ(read.FirstNewRow, 181);
    EXPECT_FALSE(read.NewLoan);
    EXPECT_EQ(read.OldLoan.PV, 100000.25);
    EXPECT_EQ(read.OldLoan.NumPmts, 360);
    EXPECT_EQ(read.OldLoan.OrgDate, 155000);
    EXPECT_EQ(read.OldLoan.FrstPmtDate, 155031);
    EXPECT_EQ(read.OldLoan.PYR, 4);
    EXPECT_EQ(read.OldLoan.CmpPYR, 6);
    EXPECT_EQ(read.OldLoan.Points, 1.25f);
    EXPECT_EQ(read.OldLoan.Rate, 6.875f);
    EXPECT_EQ(read.OldOptions.AmortMethod, 2);
    EXPECT_EQ(read.OldOptions.RateBasis, 1);

    ASSERT_TRUE(CommitRegisterJournal(folder.Path()));
    ASSERT_EQ(Read(read), jsComplete);
    EXPECT_TRUE(read.Committed);
    EXPECT_TRUE(RemoveRegisterJournal(folder.Path()));
    EXPECT_EQ(Read(read), jsNone);
}

TEST_F(RegisterJournalTest, ADeleteComesBackWithItsLoansAndAccount) {
    TRegisterChange del;
    del.Kind = rcDelete;
    del.Account = "SMITJOH001";
    del.Loans = {"1", "12", "100%"};
    del.Committed = true;
    ASSERT_TRUE(WriteRegisterJournal(folder.Path(), del));
    EXPECT_EQ(Text(), "VANTREL REGISTER JOURNAL 1\ndelete\tSMITJOH001\nloan\t1\nloan\t12\n"
                      "loan\t100%25\nend\ncommit\n");
    TRegisterChange read;
    ASSERT_EQ(Read(read), jsComplete);
    EXPECT_EQ(read.Kind, rcDelete);
    EXPECT_EQ(read.Account, "SMITJOH001");
    EXPECT_EQ(read.Loans, del.Loans);
    EXPECT_TRUE(read.Committed);
}

TEST_F(RegisterJournalTest, AJournalCutShortOrNotOursIsTold) {
    TRegisterChange read;
    const std::string head = "VANTREL REGISTER JOURNAL 1\n";
    for (const std::string& text :
         {head + "save\t7\t181\t1\n",                // no end line: cut before the change wrote
          head + "save\t7%4\t181\t1\nend\n",         // an escape cut in two
          head + "save\t7%G1\t181\t1\nend\n",        // not an escape
          head + "save\t\t181\t1\nend\n",            // a save of no loan
          head + "save\t7\t18x\t1\nend\n",           // not a number
          head + "terms\t1\t2\nend\n",               // terms missing
          head + "rename\t7\nend\n",                 // a line that does not belong
          std::string("VANTREL REGISTER JOURNAL 2\nend\n"), std::string()}) {
        SCOPED_TRACE(text);
        Write(text);
        EXPECT_EQ(Read(read), jsCutShort);
    }
    // A save of a loan made for it has no terms line, and reads whole.
    Write(head + "save\t7%25\t181\t1\nend\n");
    ASSERT_EQ(Read(read), jsComplete);
    EXPECT_EQ(read.Loan, "7%");
    EXPECT_TRUE(read.NewLoan);
    EXPECT_FALSE(read.Committed);
}

} // namespace

// A journal that cannot be written whole (the disk full) is not left behind half written.
TEST_F(RegisterJournalTest, AJournalThatCannotBeWrittenLeavesNoFile) {
    TRegisterChange save;
    save.Kind = rcSave;
    save.Loan = "7";
    XbSetWriteFailure(1);
    const bool written = WriteRegisterJournal(folder.Path(), save);
    XbSetWriteFailure(std::nullopt);
    EXPECT_FALSE(written);
    EXPECT_FALSE(std::filesystem::exists(RegisterJournalPath(folder.Path())));
}
