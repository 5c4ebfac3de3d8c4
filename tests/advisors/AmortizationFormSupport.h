// Test support for the amortization schedule's forms: a settings folder of the test's own with US
// regional settings, the shared choice lists, a host giving the printer font and the owner's
// name, recorded message boxes, modal forms answered by the test, and real Qt key input.
#pragma once

#include "advisors/AmortizationOptions.h"
#include "advisors/AmortizationWindow.h"
#include "advisors/CalculatorForm.h"
#include "controls/entry/RegionalConventions.h"
#include "finance/LoanMath.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/QtApp.h"
#include "platform/gui/QtBridge.h"
#include "platform/gui/WinUser.h"
#include "platform/rtl/Profile.h"
#include "report/RptSetupForm.h"
#include "tests/gui/PdfTools.h"
#include "tests/rtl/TestFolder.h"

#include <QApplication>
#include <QImage>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

class TTestHost : public TCalcHost {
public:
    TTestHost() {
        font_.SetName("Courier New");
        font_.SetSize(10);
    }
    bool ShowHints() const override { return false; }
    bool ButtonHints() const override { return Hints; }
    bool SavePositions() const override { return false; }
    void SaveFormPos(TCustomForm*) override {}
    void RestoreFormPos(TCustomForm*) override {}
    TFont* PrinterFont() const override { return &font_; }
    TReportWriter* SharedReportWriter() const override { return nullptr; }
    std::string OwnerName() const override { return Owner; }
    void ReleaseSlot(TCalcKind, Byte) override {}

    bool Hints = false;
    std::string Owner = "Ann Owner";

private:
    mutable TFont font_;
};

class AmortFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureQtApp();
        UseUsSettings();
        ResetKeyState();
        for (auto fill : {FillFrequencyList, FillPaymentFrequencyList, FillDayCountList,
                          FillAmortMethodList, FillFeeTimingList})
            fill();
        SetCalcHost(&host);
        previousHook = SetModalHook([this](TCustomForm* form) { OnModal(form); });
        options = new TAmortOpt(nullptr);
        form = new TcLoAmort(nullptr, options);
        form->Show();
        Settle();
    }
    void TearDown() override {
        delete form;
        delete options;
        TcLoAmort::FreeRecord();
        TAmortOpt::FreeRecord();
        SetModalHook(previousHook);
        SetCalcHost(nullptr);
        DispatchPostedMessages();
        Application->ProcessMessages();
        // A test that chose another country leaves the next tests the United States again.
        UseUsSettings();
    }
    void UseUsSettings() {
        UseSettings("iCountry=1\nsCurrency=$\niCurrency=0\niNegCurr=0\nsDecimal=.\nsThousand=,\n"
                    "sDate=/\nsShortDate=M/d/yyyy\n");
    }
    // The regional settings of the [intl] section given, read as the program reads them.
    void UseSettings(const std::string& intl) {
        WriteAll(home / "WIN.INI", "[intl]\n" + intl);
        LoadRegionalSettings();
        VcIntlSup().ReadWindowsIntl();
    }

    // Each modal form as it starts: recorded, then handed to the test's answer; a modal loop
    // with a hook ends by itself once the answer returns.
    void OnModal(TCustomForm* modal) {
        modals.push_back(modal->ClassName());
        if (Answer) Answer(modal);
    }

    static QWidget* WidgetOf(TWinControl* control) { return control->Impl()->Widget.data(); }
    void Settle() {
        for (int k = 0; k < 4; ++k) {
            Application->ProcessMessages();
            DispatchPostedMessages();
        }
    }
    // Types into a field as a user does: focus, then the characters.
    void Enter(TWinControl* field, const std::string& text) {
        field->SetFocus();
        Settle();
        QTest::keyClicks(WidgetOf(field), QString::fromLatin1(text.c_str()));
        Settle();
    }
    // Types each text into the field before it, in order.
    template <typename... More>
    void Enter(TWinControl* field, const std::string& text, TWinControl* next, More... more) {
        Enter(field, text);
        Enter(next, more...);
    }
    void Key(TWinControl* control, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        if (!control->Focused()) control->SetFocus();
        QTest::keyClick(WidgetOf(control), key, mods);
        Settle();
    }
    // A loan typed into the form; dates as "mmddyy".
    void EnterLoan(const std::string& amount, const std::string& periods, const std::string& rate,
                   const std::string& origination, const std::string& firstPayment) {
        Enter(form->PV, amount, form->NumPmts, periods, form->Rate, rate, form->OrgDate,
              origination, form->FrstPmtDate, firstPayment);
    }
    void Calculate() { Key(form->CalcBTN, Qt::Key_C, Qt::AltModifier); }
    // A loan typed into the form and calculated.
    void CalculateLoan(const std::string& amount, const std::string& periods,
                       const std::string& rate, const std::string& origination,
                       const std::string& firstPayment) {
        EnterLoan(amount, periods, rate, origination, firstPayment);
        Calculate();
    }
    std::string LastMessage() const {
        return services.MessageBoxes.empty() ? "" : services.MessageBoxes.back().Text;
    }
    // The text the table shows in a cell (the pascal string of column 0, else a number).
    std::string CellText(LongInt row) {
        void* data = nullptr;
        form->TransGridGetCellData(form->TransGrid, row, 0, data, TVcCellDataPurpose{});
        if (!data) return {};
        const char* text = static_cast<const char*>(data);
        return std::string(text + 1, static_cast<unsigned char>(text[0]));
    }
    double CellMoney(LongInt row, LongInt col) {
        void* data = nullptr;
        form->TransGridGetCellData(form->TransGrid, row, col, data, TVcCellDataPurpose{});
        return data ? *static_cast<double*>(data) : -1;
    }

    // The setup form sent to the printer, after Also has run.
    void PrintToPdf(const std::function<void()>& Also = {}) {
        Answer = [this, Also](TCustomForm* modal) {
            auto* setup = dynamic_cast<TRPSetupForm*>(modal);
            if (!setup) return;
            EXPECT_EQ(setup->Caption(), "Schedule Setup");
            if (Also) Also();
            setup->PrinterRB->SetChecked(true);
            setup->OKBB->Click();
        };
        Key(form->PrintBTN, Qt::Key_P, Qt::ControlModifier);
    }
    // The pages of the file printed last (the highest number), as pdftotext lays them out.
    std::vector<std::string> PrintedPages() {
        const std::filesystem::path printed = home / "printed";
        std::string pdf;
        if (std::filesystem::exists(printed))
            for (const auto& entry : std::filesystem::directory_iterator(printed))
                pdf = std::max(pdf, entry.path().string());
        if (pdf.empty()) return {};
        const std::string text = RunTool("pdftotext -layout " + ShellQuoted(pdf) + " -");
        std::vector<std::string> pages;
        std::istringstream in(text);
        std::string page;
        while (std::getline(in, page, '\f'))
            pages.push_back(page);
        if (!pages.empty() && pages.back().find("status=") != std::string::npos) pages.pop_back();
        return pages;
    }
    // Each control's help context opens the topic of the title given with it.
    static void ExpectHelpTitles(std::initializer_list<std::pair<TControl*, const char*>> topics) {
        const std::string help = ReadAll(std::string(VANTREL_SOURCE_DIR) + "/data/vtrx2532.hlp");
        for (const auto& [control, expected] : topics) {
            std::string title, text;
            EXPECT_TRUE(FindHelpTopic(help, control->HelpContext(), title, text))
                << control->Name();
            EXPECT_EQ(title, expected) << control->Name();
        }
    }
    // Writes a form's picture to $VANTREL_SCREENSHOTS/<name>.png when that folder is given.
    static void Screenshot(TWinControl* form, const std::string& name) {
        const char* folder = std::getenv("VANTREL_SCREENSHOTS");
        if (!folder) return;
        Application->ProcessMessages();
        const QImage picture = WidgetOf(form)->grab().toImage();
        ASSERT_TRUE(picture.save(
            QString::fromLocal8Bit((std::string(folder) + "/" + name + ".png").c_str()), "PNG"));
    }
    static bool Has(const std::string& text, const std::string& needle) {
        return text.find(needle) != std::string::npos;
    }

    TTestFolder home;
    TEnvironmentOverride homeVariable{"VANTREL_HOME", home.Path()};
    TRecordedServices services;
    TTestHost host;
    TModalHook previousHook;
    std::vector<std::string> modals;
    std::function<void(TCustomForm*)> Answer;
    TAmortOpt* options = nullptr;
    TcLoAmort* form = nullptr;
};
