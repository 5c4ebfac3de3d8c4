#include "GuiTestSupport.h"

#include "platform/gui/Dialogs.h"
#include "platform/gui/QtPaint.h"
#include "platform/gui/SysInfo.h"
#include "platform/rtl/Streams.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

TEST(ServicesTest, MessageBoxesAreRecordedAndAnsweredAsPlanned) {
    InitApplication();
    TRecordedServices services;
    services.MessageBoxAnswers = {mrNo};
    EXPECT_EQ(MessageDlg("Delete this loan?", mtConfirmation, mbYesNo, 12), mrNo);
    // Without a planned answer the default button answers.
    EXPECT_EQ(MessageDlg("Saved.", mtInformation, {mbOK}, 0), mrOk);
    ShowMessage("Hello");
    ASSERT_EQ(services.MessageBoxes.size(), 3u);
    EXPECT_EQ(services.MessageBoxes[0].Text, "Delete this loan?");
    EXPECT_EQ(services.MessageBoxes[0].Caption, "Confirm");
    EXPECT_EQ(services.MessageBoxes[0].HelpContext, 12);
    EXPECT_TRUE(services.MessageBoxes[0].Buttons == mbYesNo);
    EXPECT_EQ(services.MessageBoxes[1].Caption, "Information");
    EXPECT_EQ(services.MessageBoxes[2].Caption, Application->Title());
    EXPECT_EQ(services.MessageBoxes[2].Type, mtCustom);
}

TEST(ServicesTest, Win32MessageBoxFlagsMapToKindAndButtons) {
    InitApplication();
    TRecordedServices services;
    EXPECT_EQ(Application->MessageBox("Overwrite?", "Save",
                                      MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2),
              IDNO);
    EXPECT_EQ(Application->MessageBox("Failed", "", MB_OK | MB_ICONHAND), IDOK);
    ASSERT_EQ(services.MessageBoxes.size(), 2u);
    EXPECT_EQ(services.MessageBoxes[0].Type, mtConfirmation);
    EXPECT_TRUE(services.MessageBoxes[0].Buttons == mbYesNoCancel);
    EXPECT_EQ(services.MessageBoxes[1].Type, mtError);
    EXPECT_EQ(services.MessageBoxes[1].Caption, Application->Title());
}

TEST(ServicesTest, FileAndFontDialogsGoThroughTheService) {
    InitApplication();
    TRecordedServices services;
    TSaveDialog save(nullptr);
    save.SetFilter("Lease files|*.LB|All files|*.*");
    save.SetDefaultExt("LB");
    save.SetOptions({ofOverwritePrompt, ofHideReadOnly});
    EXPECT_FALSE(save.Execute());
    TFileDialogResult answer;
    answer.Files = {"/tmp/car.LB"};
    answer.FilterIndex = 1;
    services.FileDialogAnswers.push_back(answer);
    EXPECT_TRUE(save.Execute());
    EXPECT_EQ(save.FileName(), "/tmp/car.LB");
    ASSERT_EQ(services.FileDialogs.size(), 2u);
    EXPECT_TRUE(services.FileDialogs[0].Save);
    EXPECT_EQ(services.FileDialogs[0].Filter, "Lease files|*.LB|All files|*.*");
    EXPECT_TRUE(services.FileDialogs[0].Options.Contains(ofOverwritePrompt));

    TFontDialog font(nullptr);
    services.FontDialogAnswers.push_back([](TFont& f) {
        f.SetName("Arial");
        f.SetSize(12);
        return true;
    });
    EXPECT_TRUE(font.Execute());
    EXPECT_EQ(font.Font()->Name(), "Arial");
    EXPECT_EQ(font.Font()->Size(), 12);
}

// A file dialog lists names in Unicode; the path it hands over must open that very file, and a
// file the program creates under a chosen name must be listed under the letters typed.
TEST(ServicesTest, PathsFromTheFileDialogReachTheFilesItShowed) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString folder = temp.path() + QString::fromUtf8("/Zoë Müller");
    ASSERT_TRUE(QDir().mkpath(folder));
    // The folder as the environment names it (UTF-8 bytes) is the one the dialog starts in.
    const std::string folderPath = QStringToPath(folder);
    EXPECT_EQ(folderPath, temp.path().toStdString() + "/Zo\xC3\xAB M\xC3\xBCller");
    EXPECT_EQ(PathToQString(folderPath), folder);

    const QString listed = folder + QString::fromUtf8("/Café van.LB");
    QFile made(listed);
    ASSERT_TRUE(made.open(QIODevice::WriteOnly));
    made.write("LB");
    made.close();
    char read[2] = {};
    TFileStream opened(QStringToPath(listed), fmOpenRead);
    EXPECT_EQ(opened.Read(read, 2), 2);
    EXPECT_EQ(std::string(read, 2), "LB");

    const QString chosen = folder + QString::fromUtf8("/Señor € lease.LB");
    TFileStream(QStringToPath(chosen), fmCreate).WriteBuffer("x", 1);
    EXPECT_TRUE(
        QDir(folder).entryList(QDir::Files).contains(QString::fromUtf8("Señor € lease.LB")));
    EXPECT_EQ(QFile(chosen).size(), 1);
}

TEST(ServicesTest, HelpTopicsOfTheHelpFile) {
    const std::string text = "# comment\r\n@@ 100 Loan calculator\r\nSolves for the unknown.\r\n"
                             "@@ 200 Refinance\r\nCompares two loans.\r\n";
    std::string title;
    std::string body;
    ASSERT_TRUE(FindHelpTopic(text, 200, title, body));
    EXPECT_EQ(title, "Refinance");
    EXPECT_EQ(body, "Compares two loans.\r\n");
    ASSERT_TRUE(FindHelpTopic(text, -1, title, body));
    EXPECT_EQ(title, "Loan calculator");
    EXPECT_FALSE(FindHelpTopic(text, 300, title, body));
    EXPECT_FALSE(FindHelpTopic("@@ x broken\r\n", 0, title, body));
}

// A topic's lines make paragraphs that the viewer wraps to its window; indented rows keep their
// lines and blanks.
TEST(ServicesTest, HelpTopicsAreParagraphsAndVerbatimRows) {
    const std::string text = "The Loan calculator solves an ordinary loan\r\n"
                             "for the one value you leave at zero.\r\n"
                             "\r\n"
                             "Calculators:\r\n"
                             "  Loan (F2)      solves a loan\r\n"
                             "  Interest (F3)  interest\r\n"
                             "Every calculator has\r\n"
                             "the same buttons.\r\n"
                             "  \r\n";
    const std::vector<THelpParagraph> paragraphs = HelpParagraphs(text);
    ASSERT_EQ(paragraphs.size(), 4u);
    EXPECT_EQ(paragraphs[0].Text,
              "The Loan calculator solves an ordinary loan for the one value you leave at zero.");
    EXPECT_FALSE(paragraphs[0].Verbatim);
    EXPECT_EQ(paragraphs[1].Text, "Calculators:");
    EXPECT_EQ(paragraphs[2].Text, "  Loan (F2)      solves a loan\n  Interest (F3)  interest");
    EXPECT_TRUE(paragraphs[2].Verbatim);
    EXPECT_EQ(paragraphs[3].Text, "Every calculator has the same buttons.");
}

// The viewer shows the paragraph as one, wrapped by the window and not at the file's line ends;
// the contents' table wraps too, with no sideways scrolling. Beside a modal window, open before it
// or asked for from it, the help takes its keys: Escape closes the help alone.
TEST(ServicesTest, TheHelpViewerWrapsToItsWindowAndWorksBesideAModalOne) {
    InitApplication();
    const TModalHook hook = SetModalHook({});
    const std::string saved = Application->HelpFile();
    Application->SetHelpFile(std::string(VANTREL_SOURCE_DIR) + "/data/vtrx2532.hlp");
    ASSERT_TRUE(Application->HelpContext(125));
    QTextBrowser* browser = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible())
            if (auto* found = w->findChild<QTextBrowser*>()) browser = found;
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(browser->lineWrapMode(), QTextEdit::WidgetWidth);
    EXPECT_TRUE(browser->toPlainText().contains(
        "Enter three of the four values, leave the unknown at 0 and press Calc."))
        << browser->toPlainText().toStdString();
    ASSERT_TRUE(Application->HelpCommand(HELP_CONTENTS, 0));
    EXPECT_TRUE(browser->toPlainText().contains("solves amount, periods, rate or payment"));
    EXPECT_EQ(browser->horizontalScrollBar()->maximum(), 0);
    for (const bool helpFirst : {true, false}) {
        TTestForm modal(nullptr);
        modal.HandleNeeded();
        WidgetOf(&modal)->setWindowModality(Qt::ApplicationModal);
        modal.Show();
        ASSERT_TRUE(helpFirst || Application->HelpContext(125));
        QCoreApplication::processEvents();
        QTest::keyClick(browser->window()->windowHandle(), Qt::Key_Escape);
        EXPECT_FALSE(browser->window()->isVisible()) << "help first: " << helpFirst;
    }
    Application->SetHelpFile(saved);
    SetModalHook(hook);
}

TEST(ServicesTest, HelpReportsFailureWithoutAFile) {
    InitApplication();
    SetModalHook([](TCustomForm*) {});
    const std::string saved = Application->HelpFile();
    Application->SetHelpFile("");
    EXPECT_FALSE(Application->HelpContext(100));
    Application->SetHelpFile("/nonexistent/vtrx2532.hlp");
    EXPECT_FALSE(Application->HelpContext(100));
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("vantrel-help-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string file = (dir / "test.hlp").string();
    std::ofstream(file) << "@@ 100 Loan\nText\n";
    Application->SetHelpFile(file);
    EXPECT_TRUE(Application->HelpContext(100));
    EXPECT_FALSE(Application->HelpContext(101));
    // The recorded service sees the request instead.
    {
        TRecordedServices services;
        EXPECT_TRUE(Application->HelpContext(7));
        ASSERT_EQ(services.Helps.size(), 1u);
        EXPECT_EQ(services.Helps[0].Command, HELP_CONTEXT);
        EXPECT_EQ(services.Helps[0].Data, 7);
    }
    Application->SetHelpFile(saved);
    std::filesystem::remove_all(dir);
    SetModalHook({});
}

TEST(ServicesTest, BeepsAreRecorded) {
    TRecordedServices services;
    MessageBeep(MB_ICONEXCLAMATION);
    EXPECT_EQ(services.Beeps, (std::vector<UINT>{MB_ICONEXCLAMATION}));
}

TEST(SysInfoTest, ParsesTheSystemFiles) {
    TMemoryStatus s;
    ASSERT_TRUE(ParseMemInfo("MemTotal:       16000000 kB\nMemFree: 1000 kB\n"
                             "MemAvailable:    4000000 kB\nSwapTotal: 2048 kB\nSwapFree: 1024 kB\n",
                             s));
    EXPECT_EQ(s.TotalPhys, 16000000LL * 1024);
    EXPECT_EQ(s.AvailPhys, 4000000LL * 1024);
    EXPECT_EQ(s.TotalPageFile, 2048LL * 1024);
    EXPECT_EQ(s.AvailPageFile, 1024LL * 1024);
    EXPECT_EQ(s.MemoryLoad, 75);
    EXPECT_FALSE(ParseMemInfo("garbage\nMemTotal: lots\n", s));
    EXPECT_EQ(s.TotalPhys, 0);
    EXPECT_EQ(ParseOsRelease("NAME=Debian\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"),
              "Debian GNU/Linux 12 (bookworm)");
    EXPECT_EQ(ParseOsRelease("NAME=x\n"), "");
    EXPECT_EQ(ParseCpuModel("processor\t: 0\nmodel name\t: Test CPU @ 2.00GHz\n"),
              "Test CPU @ 2.00GHz");
}

TEST(SysInfoTest, ReportsThisMachine) {
    EXPECT_FALSE(OSName().empty());
    EXPECT_FALSE(OSVersion().empty());
    EXPECT_FALSE(ProcessorName().empty());
    EXPECT_GE(ProcessorCount(), 1);
    TMemoryStatus s;
    if (GetMemoryStatus(s)) {
        EXPECT_GE(s.TotalPhys, s.AvailPhys);
    }
    EXPECT_GT(DiskSize(), 0);
    EXPECT_GE(DiskFree(), 0);
    EXPECT_EQ(DiskFree("/nonexistent/folder"), -1);
}

} // namespace
