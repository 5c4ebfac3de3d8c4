// The calculators under the regional settings of six countries, each profile made from the
// country's locale as on a first run: amounts and rates typed with the country's decimal key,
// money shown with its separators and its currency on its side, dates in its order, and the
// same texts in the copy and the printout.
#include "advisors/AmortizationWindow.h"
#include "app/LoanCalculator.h"
#include "controls/entry/PictureField.h"
#include "platform/gui/Clipbrd.h"
#include "platform/rtl/Locale.h"
#include "platform/rtl/Regional.h"
#include "platform/rtl/Strings.h"
#include "tests/app/AppTestSupport.h"
#include "tests/gui/PdfTools.h"
#include "tests/rtl/LocaleSamples.h"

#include <algorithm>
#include <filesystem>
#include <ostream>

namespace {

TLocaleInfo Kenyan() {
    return SampleLocale("sw_KE.UTF-8", ".", ",", "Ksh", 1, 0, 1, "%d/%m/%Y", "%H:%M:%S");
}

struct TCountryCase {
    const char* Name;
    TLocaleInfo (*Locale)();
    const char* Point; // the key typed for the decimal point
    const char* Amount;
    const char* Solved; // the amount that the rounded payment repays
    const char* Empty;
    const char* Rate;
    const char* Payment;
    const char* Interest;
    // 24 December 2026 as the schedule's date field takes it: the short date of the country with
    // a four-digit year, the United States' own "mm/dd/yy".
    const char* DateTyped;
    const char* DateShown;
};

// Worked out by hand: 100,000 over 360 months at 7.25 % pays 682.18 a month, and
// 360 x 682.18 - 100,000 = 145,584.80 of interest; 682.18 a month repays 100,000.55.
const TCountryCase Countries[] = {
    {"de_DE", German, ",", "100.000,00 \x80", "100.000,55 \x80", "0,00 \x80", "7,2500",
     "682,18 \x80", "145.584,80 \x80", "24122026", "24.12.2026"},
    {"fr_FR", French, ",",
     "100\xA0"
     "000,00 \x80",
     "100\xA0"
     "000,55 \x80",
     "0,00 \x80", "7,2500", "682,18 \x80",
     "145\xA0"
     "584,80 \x80",
     "24122026", "24/12/2026"},
    {"de_CH", Swiss, ".",
     "CHF 100\x92"
     "000.00",
     "CHF 100\x92"
     "000.55",
     "CHF 0.00", "7.2500", "CHF 682.18",
     "CHF 145\x92"
     "584.80",
     "24122026", "24.12.2026"},
    {"en_GB", British, ".",
     "\xA3"
     "100,000.00",
     "\xA3"
     "100,000.55",
     "\xA3"
     "0.00",
     "7.2500",
     "\xA3"
     "682.18",
     "\xA3"
     "145,584.80",
     "24122026", "24/12/2026"},
    {"en_US", American, ".", "$100,000.00", "$100,000.55", "$0.00", "7.2500", "$682.18",
     "$145,584.80", "122426", "12/24/26"},
    {"ja_JP", Japanese, ".",
     "\xA5"
     "100,000.00",
     "\xA5"
     "100,000.55",
     "\xA5"
     "0.00",
     "7.2500",
     "\xA5"
     "682.18",
     "\xA5"
     "145,584.80",
     "20261224", "2026/12/24"},
    // A territory without a country code of its own keeps the United States' code 1, and the
    // American date mask, but shows its own currency.
    {"sw_KE", Kenyan, ".", "Ksh100,000.00", "Ksh100,000.55", "Ksh0.00", "7.2500", "Ksh682.18",
     "Ksh145,584.80", "122426", "12/24/26"},
};

class RegionalSettingsTest : public AppTest, public ::testing::WithParamInterface<TCountryCase> {
protected:
    void SetUp() override {
        AppTest::SetUp();
        // The profile as the first run writes it from the country's locale.
        std::string winIni = "[intl]\n";
        for (const auto& [key, value] : IntlEntries(GetParam().Locale()))
            winIni += key + "=" + value + "\n";
        UseSettings(winIni);
        MakeMainForm();
    }
    void TearDown() override {
        AppTest::TearDown();
        UseSettings(UsWinIni);
    }
};

TEST_P(RegionalSettingsTest, TheLoanCalculatorTypesShowsCopiesAndPrintsTheCountrysMoney) {
    const TCountryCase& c = GetParam();
    main->OpenLoanCalc();
    auto* loan = dynamic_cast<TcLoLoan*>(main->SlotForm(ckLoan, 1));
    ASSERT_NE(loan, nullptr);
    EXPECT_EQ(Shown(loan->PV), c.Empty);
    Enter(loan->PV, "100000", loan->NumPmts, "360", loan->Rate, std::string("7") + c.Point + "25");
    loan->CalcBTN->Click();
    Application->ProcessMessages();
    ASSERT_TRUE(services.MessageBoxes.empty()) << services.MessageBoxes.back().Text;
    EXPECT_EQ(Shown(loan->PV), c.Amount);
    EXPECT_EQ(Shown(loan->Rate), c.Rate);
    EXPECT_EQ(Shown(loan->Pmt), c.Payment);
    EXPECT_EQ(Shown(loan->TotInt), c.Interest);
    loan->CopyBTN->Click();
    const std::string copied = Clipboard()->AsText();
    EXPECT_THAT(copied, HasSubstr(c.Payment));
    EXPECT_THAT(copied, HasSubstr(c.Interest));

    loan->PrintBtn->Click();
    Application->ProcessMessages();
    const std::string pdf = NewestPdf();
    ASSERT_EQ(services.MessageBoxes.size(), 1u);
    EXPECT_EQ(services.MessageBoxes.back().Text, "The printout is in the file\n\n" + pdf);
    services.MessageBoxes.clear();
    const std::string text = Utf8ToWin1252(PdfText(pdf));
    // The text tool reads a no-break space as a blank.
    const auto printed = [](std::string money) {
        std::replace(money.begin(), money.end(), '\xA0', ' ');
        return money;
    };
    EXPECT_THAT(LineWith(text, "Periodic Payment:"), HasSubstr(printed(c.Payment))) << text;
    EXPECT_THAT(LineWith(text, "Total Interest:"), HasSubstr(printed(c.Interest))) << text;

    // Solving for the amount reads the payment back from what its field shows.
    Enter(loan->PV, "0");
    loan->CalcBTN->Click();
    Application->ProcessMessages();
    EXPECT_TRUE(services.MessageBoxes.empty());
    EXPECT_EQ(Shown(loan->PV), c.Solved);
}

TEST_P(RegionalSettingsTest, ScheduleDatesAreTypedAndShownInTheCountrysOrder) {
    const TCountryCase& c = GetParam();
    TDayNumber origination = BadDate;
    std::string shown;
    const TModalHook previous = SetModalHook([&](TCustomForm* form) {
        auto* schedule = dynamic_cast<TcLoAmort*>(form);
        if (!schedule) return;
        Enter(schedule->OrgDate, c.DateTyped);
        schedule->PV->SetFocus();
        Application->ProcessMessages();
        schedule->OrgDate->GetValue(&origination);
        shown = Shown(schedule->OrgDate);
        schedule->SetModalResult(mrCancel);
    });
    main->OpenAmortSchedule();
    SetModalHook(previous);
    EXPECT_EQ(origination, DMYToDate(24, 12, 2026, 0));
    EXPECT_EQ(shown, c.DateShown);
}

// Test output names a case by its country.
void PrintTo(const TCountryCase& c, std::ostream* out) { *out << c.Name; }

INSTANTIATE_TEST_SUITE_P(Countries, RegionalSettingsTest, ::testing::ValuesIn(Countries),
                         [](const auto& info) { return std::string(info.param.Name); });

} // namespace
