// The main window as the program makes it: preferences read from the INI file and written back
// when toggled, the fixed size, the calculator launchers with their instance slots and the
// "&Windows" menu, positions kept per caption, and the gradient background.
#include "app/LoanCalculator.h"
#include "tests/app/AppTestSupport.h"

#include "db/DBTables.h"
#include "db/XbaseComponent.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/Paths.h"
#include "tests/rtl/RefusedFolder.h"
#include "widgets/DockableToolBar.h"

namespace {

std::vector<std::string> WindowCaptions(TMainForm* main) {
    std::vector<std::string> captions;
    for (int k = 0; k < main->W1->Count(); ++k)
        captions.push_back(main->W1->Items(k)->Caption());
    return captions;
}

TEST_F(AppTest, AnEmptyIniFileGivesTheDefaultPreferences) {
    WriteIni("");
    MakeMainForm();
    EXPECT_FALSE(main->mnuShowHints->Checked());
    EXPECT_FALSE(main->mnuBTNHints->Checked());
    EXPECT_FALSE(main->mnuToolbarHints->Checked());
    EXPECT_FALSE(main->mnuSavePositions->Checked());
    EXPECT_FALSE(main->ColorBckgrnd1->Checked());
    EXPECT_TRUE(main->mnuToolbar->Checked());
    EXPECT_EQ(main->BandCount(), 0);
    EXPECT_EQ(main->Caption(), "Vantrel Plus");
    EXPECT_TRUE(services.MessageBoxes.empty());
    // The register's database is the settings folder, with exact index seeks.
    EXPECT_TRUE(main->AliasDataBase->Connected());
    EXPECT_EQ(main->AliasDataBase->Params()->Strings(0), "path=" + home.Path());
    EXPECT_TRUE(main->XBaseEnv1->Exact());
    for (const char* table : {"ACCNTS.DBF", "LOANS.DBF", "XREF.DBF", "SYSINFO.DBF", "TRANS.DBF"})
        EXPECT_FALSE(FindFileCaseInsensitive(home.Path(), table).empty()) << table;
}

TEST_F(AppTest, PreferencesAreReadAndWrittenAtOnce) {
    WriteIni("[PREFERENCES]\nSHOWHINTS=1\nSAVEPOSITIONS=1\nTOOLBAR=0\n");
    MakeMainForm();
    EXPECT_TRUE(main->mnuShowHints->Checked());
    EXPECT_TRUE(main->mnuSavePositions->Checked());
    EXPECT_FALSE(main->mnuToolbar->Checked());
    main->mnuBTNHints->Click();
    main->mnuShowHints->Click();
    TIniFile ini("vtrx2532.ini");
    EXPECT_TRUE(ini.ReadBool("PREFERENCES", "SHOWBUTTONHINTS", false));
    EXPECT_FALSE(ini.ReadBool("PREFERENCES", "SHOWHINTS", true));
    EXPECT_TRUE(main->ButtonHints());
}

// A second user of a group folder whose settings files the first keeps closed (600) starts the
// program all the same: each file is told once, by its name and the system's cause, its settings
// are their defaults, and a change that cannot be kept is told as well (the file is read first).
TEST_F(AppTest, SettingsClosedToTheUserAreToldAndTheirDefaultsServe) {
    RUN_AS_TWO_USERS("a program started by the second user of a group folder");
    using namespace fresh_process;
    WriteIni("[PREFERENCES]\nTOOLBAR=0\n");
    WriteAll(home / "registry.ini", "");
    ASSERT_TRUE(ShareFolder(home.Path(), 02775, kUserA, kSharedGroup, 0600));
    InitApplication(); // the program's connection to the screen is made by the user who starts it
    if (const TPlainUser b(kUserB, kUserB, {kSharedGroup}); b.Taken()) {
        MakeMainForm();
        main->mnuSavePositions->Click();
        main->OpenLoanCalc();
        main->SlotForm(ckLoan, 1)->Close(); // its place cannot be kept either
        Application->ProcessMessages();
    }
    EXPECT_TRUE(main->mnuToolbar->Checked());
    std::vector<std::string> told, expected;
    for (const TMessageBoxRequest& message : services.MessageBoxes)
        told.push_back(message.Text);
    for (const char* file :
         {"WIN.INI", "registry.ini", "vtrx2532.ini", "vtrx2532.ini", "vtrx2532.ini"})
        expected.push_back("Unable to read " + home / file +
                           ": Permission denied\n\nThe program goes on with its default settings.");
    EXPECT_EQ(told, expected);
}

TEST_F(AppTest, TheColourBackgroundAsksForARestartEitherWay) {
    WriteIni("[PREFERENCES]\nCOLORBCKGRND=1\n");
    MakeMainForm();
    EXPECT_EQ(main->BandCount(), 256);
    Application->ProcessMessages();
    const QImage on = WidgetOf(main)->grab().toImage();
    const int height = main->ClientHeight();
    // Dark blue at the top, brighter blue towards the bottom.
    const QColor top = on.pixelColor(300, main->Impl()->MenuHeight + main->DToolBar1->Height() + 4);
    const QColor bottom = on.pixelColor(300, height - 40);
    EXPECT_EQ(top.red(), 0);
    EXPECT_LT(top.blue(), bottom.blue());
    main->ColorBckgrnd1->Click();
    ASSERT_EQ(services.MessageBoxes.size(), 1u);
    EXPECT_EQ(services.MessageBoxes[0].Text,
              "You must restart the program\n\nfor this change to take affect.\n");
    EXPECT_EQ(services.MessageBoxes[0].Type, mtInformation);
    Application->ProcessMessages();
    const QImage off = WidgetOf(main)->grab().toImage();
    EXPECT_EQ(off.pixelColor(300, height - 40), TColorToQColor(main->Color()));
}

TEST_F(AppTest, TheMainWindowCannotBeResized) {
    MakeMainForm();
    EXPECT_EQ(main->Width(), 620);
    EXPECT_EQ(main->Height(), 458);
    QWidget* w = WidgetOf(main)->window();
    EXPECT_EQ(w->minimumSize(), w->maximumSize());
}

TEST_F(AppTest, AtMostTwoLoanCalculatorsAndSlotsAreReused) {
    MakeMainForm();
    Key(main, Qt::Key_F2);
    Key(main, Qt::Key_F2);
    EXPECT_EQ(WindowCaptions(main),
              (std::vector<std::string>{"Loan Calculator 1", "Loan Calculator 2"}));
    Key(main, Qt::Key_F2); // every slot in use: nothing happens
    EXPECT_EQ(WindowCaptions(main).size(), 2u);
    TCalcForm* first = main->SlotForm(ckLoan, 1);
    ASSERT_NE(first, nullptr);
    first->Close();
    Application->ProcessMessages();
    DispatchPostedMessages();
    EXPECT_EQ(main->SlotForm(ckLoan, 1), nullptr);
    EXPECT_EQ(WindowCaptions(main), (std::vector<std::string>{"Loan Calculator 2"}));
    main->OpenLoanCalc();
    EXPECT_EQ(WindowCaptions(main),
              (std::vector<std::string>{"Loan Calculator 2", "Loan Calculator 1"}));
    ASSERT_NE(main->SlotForm(ckLoan, 1), nullptr);
    EXPECT_EQ(main->SlotForm(ckLoan, 1)->Caption(), "Loan Calculator 1");
}

TEST_F(AppTest, TheWindowsMenuBringsItsCalculatorForward) {
    MakeMainForm();
    main->OpenLoanCalc();
    main->OpenLoanCalc();
    TCalcForm* first = main->SlotForm(ckLoan, 1);
    first->Hide();
    main->W1->Items(0)->Click();
    EXPECT_TRUE(first->Visible());
}

TEST_F(AppTest, PositionsAreKeptPerCaptionAndBroughtBackOnScreen) {
    WriteIni("[PREFERENCES]\nSAVEPOSITIONS=1\n[Loan Calculator 1]\nLeft=30\nTop=40\n"
             "[Loan Calculator 2]\nLeft=90000\nTop=-500\n");
    MakeMainForm();
    main->OpenLoanCalc();
    main->OpenLoanCalc();
    TCalcForm* first = main->SlotForm(ckLoan, 1);
    TCalcForm* second = main->SlotForm(ckLoan, 2);
    EXPECT_EQ(first->Left(), 30);
    EXPECT_EQ(first->Top(), 40);
    EXPECT_LE(second->Left() + second->Width(), Screen->Width());
    EXPECT_EQ(second->Top(), 0);
    first->SetBounds(55, 66, first->Width(), first->Height());
    first->Close();
    Application->ProcessMessages();
    TIniFile ini("vtrx2532.ini");
    EXPECT_EQ(ini.ReadInteger("Loan Calculator 1", "Left", 0), 55);
    EXPECT_EQ(ini.ReadInteger("Loan Calculator 1", "Top", 0), 66);
}

TEST_F(AppTest, TheOwnerNameIsCutToFiftyCharacters) {
    WriteIni("[OWNER]\nREGISTEREDNAME=" + std::string(60, 'n') + "\n");
    MakeMainForm();
    EXPECT_EQ(GetOwnerName(), std::string(50, 'n'));
}

TEST_F(AppTest, ScreenshotOfTheMainWindow) {
    PICTURES_ONLY();
    WriteIni("[PREFERENCES]\nCOLORBCKGRND=1\n");
    MakeMainForm();
    Screenshot(main, "main-window");
}

} // namespace
