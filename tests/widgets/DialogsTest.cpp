// The tip-of-the-day and about dialogs, run modally with a hook standing in for the user: the
// tips and their wrapping, the buttons shown, the box read back; the about texts, the facts of
// the machine and the "Mo&re" / "P&rior" pages.
#include "WidgetsTestSupport.h"

#include "platform/rtl/Clock.h"
#include "widgets/AboutDialog.h"
#include "widgets/AboutForm.h"
#include "widgets/TipOfTheDay.h"

#include <fstream>
#include <memory>

namespace {

class TipDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitApplication();
        helpFile = Application->HelpFile();
        Application->SetHelpFile("vtrx2532.hlp");
    }
    void TearDown() override { Application->SetHelpFile(helpFile); }
    std::string helpFile;
    TEPTipDialog dialog{nullptr};
    TRecordedServices services;
    TManualClock clock;
    TClockOverride useClock{clock};
};

TEST_F(TipDialogTest, NextTipWrapsAfterTheLastLine) {
    for (const char* tip : {"One", "Two", "Three"})
        dialog.Tips()->Add(tip);
    WithForm<TEPTipDialogFm>(dialog, [&](TEPTipDialogFm* f) {
        const std::string first = f->TipLb->Caption();
        const int start = dialog.Tips()->IndexOf(first);
        ASSERT_GE(start, 0);
        for (int step = 1; step <= 3; ++step) {
            f->NextTipBt->Click();
            EXPECT_EQ(f->TipLb->Caption(), dialog.Tips()->Strings((start + step) % 3));
        }
        f->CloseBt->Click();
    });
}

TEST_F(TipDialogTest, OneTipKeepsShowingAndNoTipsShowNothing) {
    dialog.Tips()->Add("Only tip");
    WithForm<TEPTipDialogFm>(dialog, [](TEPTipDialogFm* f) {
        EXPECT_EQ(f->TipLb->Caption(), "Only tip");
        f->NextTipBt->Click();
        EXPECT_EQ(f->TipLb->Caption(), "Only tip");
    });
    dialog.Tips()->Clear();
    WithForm<TEPTipDialogFm>(dialog, [](TEPTipDialogFm* f) {
        f->NextTipBt->Click();
        EXPECT_EQ(f->TipLb->Caption(), "");
    });
}

TEST_F(TipDialogTest, TheMainWindowsSettingsShowOnlyHelpAtTheMoreTipsPlace) {
    dialog.SetCaption("Tips");
    dialog.SetTipTitle("Did you know...");
    dialog.SetHelpContext(106);
    dialog.Tips()->Add("A tip");
    WithForm<TEPTipDialogFm>(dialog, [&](TEPTipDialogFm* f) {
        EXPECT_EQ(f->Caption(), "Tips");
        EXPECT_EQ(f->TipTitleLb->Caption(), "Did you know...");
        EXPECT_FALSE(f->MoreTipsBt->Visible());
        EXPECT_TRUE(f->HelpBt->Visible());
        EXPECT_EQ(f->HelpBt->Top(), f->MoreTipsBt->Top());
        EXPECT_EQ(f->TipTitleLb->Left(), f->LightBulbIm->Left() + f->LightBulbIm->Width() + 12);
        EXPECT_EQ(f->TipLb->Left(), f->TipTitleLb->Left());
        f->HelpBt->Click();
    });
    ASSERT_EQ(services.Helps.size(), 1u);
    EXPECT_EQ(services.Helps[0].Command, HELP_CONTEXT);
    EXPECT_EQ(services.Helps[0].Data, 106);
}

TEST_F(TipDialogTest, BothHelpButtonsKeepTheirPlacesAndStoredTexts) {
    dialog.SetHelpContext(106);
    dialog.SetMoreTipsContext(7);
    WithForm<TEPTipDialogFm>(dialog, [&](TEPTipDialogFm* f) {
        EXPECT_EQ(f->Caption(), "Tip of the Day");
        EXPECT_EQ(f->TipTitleLb->Caption(), "Did you know...");
        EXPECT_TRUE(f->MoreTipsBt->Visible());
        EXPECT_GT(f->HelpBt->Top(), f->MoreTipsBt->Top());
        f->MoreTipsBt->Click();
    });
    ASSERT_EQ(services.Helps.size(), 1u);
    EXPECT_EQ(services.Helps[0].Data, 7);
}

TEST_F(TipDialogTest, TheBoxIsReadBackForTheCallerToStore) {
    EXPECT_TRUE(dialog.ShowAtStartup());
    WithForm<TEPTipDialogFm>(dialog, [](TEPTipDialogFm* f) {
        EXPECT_TRUE(f->ShowTipsCb->Checked());
        f->ShowTipsCb->SetChecked(false);
        f->CloseBt->Click();
    });
    EXPECT_FALSE(dialog.ShowAtStartup());
    WithForm<TEPTipDialogFm>(dialog,
                             [](TEPTipDialogFm* f) { EXPECT_FALSE(f->ShowTipsCb->Checked()); });
}

TEST_F(TipDialogTest, AGivenPictureReplacesTheBulb) {
    TBitmap picture;
    picture.SetSize(48, 20);
    dialog.Picture()->SetGraphic(&picture);
    WithForm<TEPTipDialogFm>(dialog, [](TEPTipDialogFm* f) {
        EXPECT_EQ(f->LightBulbIm->Width(), 48);
        EXPECT_EQ(f->TipLb->Left(), f->LightBulbIm->Left() + 48 + 12);
    });
}

// ---------------------------------------------------------------------------------------------

std::string FirstLine(const char* path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

// The first "model name" of /proc/cpuinfo, empty on machines that name none.
std::string CpuModelName() {
    std::ifstream in("/proc/cpuinfo");
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("model name", 0) != 0) continue;
        const std::size_t colon = line.find(':');
        const std::size_t start = line.find_first_not_of(" \t", colon + 1);
        return start == std::string::npos ? std::string() : line.substr(start);
    }
    return {};
}

class AboutDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        dialog.SetProductName("Vantrel Plus");
        dialog.SetVersion("Version: 2.6      32-bit");
        dialog.SetCopyright("    Copyright notice");
        dialog.SetComments("    Helping to make your financial decisions easier.");
        dialog.MoreInfo()->Add("Address line");
    }
    TAboutBoxDlg dialog{nullptr};
    TRecordedServices services;
};

TEST_F(AboutDialogTest, TheFormShowsTheTextsAndTheFacts) {
    WithForm<TAboutBox>(dialog, [](TAboutBox* f) {
        EXPECT_EQ(f->Caption(), "About");
        EXPECT_EQ(f->ProductName->Caption(), "Vantrel Plus");
        EXPECT_EQ(f->Version->Caption(), "Version: 2.6      32-bit");
        EXPECT_EQ(f->Copyright->Caption(), "    Copyright notice");
        EXPECT_EQ(f->Label1->Caption(), "Kernel Version:");
        // The kernel's whole release and the processor's model name,
        // as the system tells them.
        EXPECT_EQ(f->WinVersion->Caption(), FirstLine("/proc/sys/kernel/osrelease"));
        const std::string model = CpuModelName();
        if (!model.empty()) {
            EXPECT_EQ(f->CPU->Caption(), model);
        }
        EXPECT_NE(f->CPU->Caption(), "Unknown");
        EXPECT_EQ(f->Label2->Caption(), "Other OS Info:");
        EXPECT_EQ(f->Label3->Caption(), "");
        EXPECT_EQ(f->Coprocessor->Caption(), "");
        EXPECT_EQ(f->Label9->Caption(), "Free Disk Space:");
        EXPECT_EQ(f->ScreenResolution->Caption(),
                  std::to_string(Screen->Width()) + " x " + std::to_string(Screen->Height()));
        EXPECT_NE(f->FreeMemory->Caption().find(" in KB"), std::string::npos);
        EXPECT_NE(f->FreeDisk->Caption().find(" MB"), std::string::npos);
        EXPECT_FALSE(f->WinVersion->Caption().empty());
        EXPECT_EQ(f->Notebook1->PageIndex(), 0);
    });
}

TEST_F(AboutDialogTest, MoreAndPriorSwitchThePages) {
    WithForm<TAboutBox>(dialog, [](TAboutBox* f) {
        EXPECT_EQ(f->MoreBTN->Caption(), "Mo&re");
        f->MoreBTN->Click();
        EXPECT_EQ(f->Notebook1->PageIndex(), 1);
        EXPECT_EQ(f->MoreBTN->Caption(), "P&rior");
        f->MoreBTN->Click();
        EXPECT_EQ(f->Notebook1->PageIndex(), 0);
        EXPECT_EQ(f->MoreBTN->Caption(), "Mo&re");
        f->OKBTN->Click();
        EXPECT_NE(f->ModalResult(), mrNone);
    });
}

TEST_F(AboutDialogTest, TheRuntimeLinesAreShownOnceOnEveryOpening) {
    TStringList extra;
    extra.Add("Extra line");
    for (int call = 1; call <= 2; ++call) {
        WithForm<TAboutBox>(
            dialog,
            [&](TAboutBox* f) {
                TStrings* lines = f->Memo1->Lines();
                ASSERT_EQ(lines->Count(), 1 + 3 + 1);
                EXPECT_EQ(lines->Strings(0), "Address line");
                EXPECT_EQ(lines->Strings(1), "Get additional runtime information such as:");
                EXPECT_EQ(lines->Strings(2), "Running 64-bit version.");
                EXPECT_EQ(lines->Strings(4), "Extra line");
            },
            &extra);
    }
    EXPECT_EQ(dialog.MoreInfo()->Count(), 1);
}

TEST_F(AboutDialogTest, ButtonsAreCentredAloneOrAsAPair) {
    WithForm<TAboutBox>(dialog, [](TAboutBox* f) {
        const int ok = f->OKBTN->Left() + f->OKBTN->Width() / 2;
        const int more = f->MoreBTN->Left() + f->MoreBTN->Width() / 2;
        EXPECT_EQ(more - ok, 96);
        EXPECT_LE(std::abs((ok + more) / 2 - f->Width() / 2), 1);
    });
    dialog.SetShowMore(false);
    WithForm<TAboutBox>(dialog, [](TAboutBox* f) {
        EXPECT_FALSE(f->MoreBTN->Visible());
        EXPECT_EQ(f->OKBTN->Left(), f->Width() / 2 - f->OKBTN->Width() / 2);
    });
}

TEST_F(AboutDialogTest, RegisteredUserAndCompanyComeFromTheRegistry) {
    const std::string key = "\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
    TRegistry registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    const bool existed = registry.KeyExists(key);
    ASSERT_TRUE(registry.OpenKey(key, true));
    const bool hadOwner = registry.ValueExists("RegisteredOwner");
    const std::string oldOwner = hadOwner ? registry.ReadString("RegisteredOwner") : "";
    registry.WriteString("RegisteredOwner", "Pat Borrower");
    registry.DeleteValue("RegisteredOrganization");
    const TSystemFacts facts = ReadSystemFacts();
    EXPECT_EQ(facts.UserName, "Pat Borrower");
    EXPECT_EQ(facts.CompanyName, "");
    if (hadOwner)
        registry.WriteString("RegisteredOwner", oldOwner);
    else
        registry.DeleteValue("RegisteredOwner");
    if (!existed) registry.DeleteKey(key);
}

TEST(SystemFactsTest, FiguresAreShownAsTheMachineSaysThem) {
    // This program is built for x86-64, whose addresses take 8 bytes.
    EXPECT_EQ(ProgramBits(), "64-bit");
    EXPECT_EQ(FreeDiskText(2048000), "2 MB");
    EXPECT_EQ(FreeDiskText(1023999), "0 MB");
    EXPECT_EQ(FreeDiskText(-1), "");
    // 64 GB of memory does not wrap around.
    const Int64 gib = 1024LL * 1024 * 1024;
    EXPECT_EQ(MemoryText(48 * gib, 64 * gib), "50,331,648 of 67,108,864 in KB");
}

} // namespace
