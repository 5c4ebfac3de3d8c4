// Test support for the program's forms: a settings folder of its own (US regional settings and an
// INI file as the test writes it), recorded message boxes, a main window made as the program makes
// it, and real Qt key input sent to controls.
#pragma once

#include "app/MainWindow.h"
#include "controls/entry/RegionalConventions.h"
#include "db/DBTables.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Forms.h"
#include "platform/gui/QtBridge.h"
#include "platform/gui/QtPaint.h"
#include "platform/gui/WinUser.h"
#include "platform/rtl/Profile.h"
#include "platform/rtl/Strings.h"
#include "tests/gui/PdfTools.h"
#include "tests/rtl/TestFolder.h"
#include "widgets/TipOfTheDay.h"

#include <QImage>
#include <QTest>
#include <QWidget>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

// The Screenshot... tests only draw forms into PNG files for a person to look at, so CTest
// leaves them out; they run by hand:
//   VANTREL_SCREENSHOTS=<folder> build/test/tests/app/app_tests --gtest_filter='*.Screenshot*'
// and are skipped when no folder is named.
#define PICTURES_ONLY()                                                                            \
    if (!std::getenv("VANTREL_SCREENSHOTS")) GTEST_SKIP() << "VANTREL_SCREENSHOTS names no folder"

inline constexpr const char* UsWinIni =
    "[intl]\niCountry=1\nsCurrency=$\niCurrency=0\niNegCurr=0\nsDecimal=.\nsThousand=,\n"
    "sDate=/\nsShortDate=M/d/yyyy\nsTime=:\ns1159=AM\ns2359=PM\n";

// The text with every run of blanks and line ends made one blank (to find a sentence however
// a printout wrapped it).
inline std::string JoinedWords(const std::string& text) {
    std::istringstream words(text);
    std::string word, joined;
    while (words >> word)
        joined += (joined.empty() ? "" : " ") + word;
    return joined;
}

// The right edge, in points, of the rightmost word of a PDF file's text (pdftotext -bbox).
inline double RightmostWordEdge(const std::string& pdfText) {
    static const std::string key = "xMax=\"";
    double right = 0;
    for (auto at = pdfText.find(key); at != std::string::npos; at = pdfText.find(key, at + 1))
        right = std::max(right, std::strtod(pdfText.c_str() + at + key.size(), nullptr));
    return right;
}

class AppTest : public ::testing::Test {
protected:
    // Writes the INI file the main window will read; call before MakeMainForm.
    void WriteIni(const std::string& text) { WriteAll(home / "vtrx2532.ini", text); }

    void SetUp() override {
        UseSettings(UsWinIni);
        ResetKeyState();
    }
    // The regional settings of the WIN.INI text given, read as the program reads them.
    void UseSettings(const std::string& winIni) {
        WriteAll(home / "WIN.INI", winIni);
        LoadRegionalSettings();
        VcIntlSup().ReadWindowsIntl();
    }
    void TearDown() override {
        if (main)
            for (int kind = 0; kind < ckKindCount; ++kind)
                for (Byte slot = 1; slot <= 2; ++slot)
                    delete main->SlotForm(static_cast<TCalcKind>(kind), slot);
        delete main;
        main = nullptr;
        DoneDBTables();
        DispatchPostedMessages();
        if (Application) Application->ProcessMessages(); // none in a test run in a fresh process
    }

    // The main window without the tip of the day, which would wait for a user on a real screen.
    void MakeMainForm() {
        main = new TMainForm(nullptr);
        main->EPTipDialog1->SetShowAtStartup(false);
        main->Show();
        Application->ProcessMessages();
    }

    static QWidget* WidgetOf(TWinControl* control) { return control->Impl()->Widget.data(); }

    void TypeText(TWinControl* control, const std::string& text) {
        if (!control->Focused()) control->SetFocus();
        QTest::keyClicks(WidgetOf(control), QString::fromLatin1(text.c_str()));
        Application->ProcessMessages();
    }
    void Key(TWinControl* control, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        if (!control->Focused()) control->SetFocus();
        QTest::keyClick(WidgetOf(control), key, mods);
        Application->ProcessMessages();
    }
    // Enters the field as a user does and types the text into it.
    void Enter(TWinControl* field, const std::string& text) {
        field->SetFocus();
        Application->ProcessMessages();
        TypeText(field, text);
    }
    // Types each text into the field before it, in order.
    template <typename... More>
    void Enter(TWinControl* field, const std::string& text, TWinControl* next, More... more) {
        Enter(field, text);
        Enter(next, more...);
    }
    std::string LastMessage() const {
        return services.MessageBoxes.empty() ? "" : services.MessageBoxes.back().Text;
    }
    static std::string Shown(TControl* field) { return Trim(field->Caption()); }
    // Writes the form's picture to $VANTREL_SCREENSHOTS/<name>.png when that folder is given.
    static void Screenshot(TWinControl* form, const std::string& name) {
        Application->ProcessMessages();
        const char* folder = std::getenv("VANTREL_SCREENSHOTS");
        if (!folder) return;
        const QImage picture = WidgetOf(form)->grab().toImage();
        ASSERT_TRUE(picture.save(
            QString::fromLocal8Bit((std::string(folder) + "/" + name + ".png").c_str()), "PNG"));
    }

    // The newest PDF the "PDF" printer wrote.
    std::string NewestPdf() const {
        std::string pdf;
        for (const auto& entry : std::filesystem::directory_iterator(home / "printed"))
            pdf = std::max(pdf, entry.path().string());
        return pdf;
    }
    static std::string PdfText(const std::string& file) {
        return RunTool("pdftotext -layout " + ShellQuoted(file) + " -");
    }
    // The help contexts the form's own controls carry.
    static std::vector<int> HelpContextsOf(TComponent* form) {
        std::vector<int> contexts;
        for (int k = 0; k < form->ComponentCount(); ++k)
            if (auto* control = dynamic_cast<TControl*>(form->Components(k)))
                if (control->HelpContext() != 0) contexts.push_back(control->HelpContext());
        return contexts;
    }
    // Each context has a topic in the help file; Where comes before a missing one's number.
    static void ExpectHelpTopics(const std::vector<int>& contexts, const std::string& where = "") {
        const std::string help = ReadAll(std::string(VANTREL_SOURCE_DIR) + "/data/vtrx2532.hlp");
        ASSERT_FALSE(help.empty());
        for (int context : contexts) {
            std::string title, text;
            EXPECT_TRUE(FindHelpTopic(help, context, title, text)) << where << context;
        }
    }

    TTestFolder home;
    TEnvironmentOverride homeVariable{"VANTREL_HOME", home.Path()};
    TRecordedServices services;
    TMainForm* main = nullptr;
};
