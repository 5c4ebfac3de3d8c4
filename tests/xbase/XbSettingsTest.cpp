// The engine's date texts in every date format, and the epoch's century window.
#include "tests/xbase/XbFixture.h"

#include "platform/rtl/Regional.h"

namespace {

class XbSettingsTest : public XbFixture {};

TEST_F(XbSettingsTest, DateTextsInEveryFormat) {
    const struct {
        int Format;
        const char* Short;
        const char* Long;
    } formats[] = {{0, "02/29/24", "02/29/2024"}, {1, "24.02.29", "2024.02.29"},
                   {2, "29/02/24", "29/02/2024"}, {3, "29/02/24", "29/02/2024"},
                   {4, "29.02.24", "29.02.2024"}, {5, "29-02-24", "29-02-2024"},
                   {6, "29-02-24", "29-02-2024"}};
    for (const auto& f : formats) {
        XbSettings().DateFormat = f.Format;
        XbSettings().Century = false;
        EXPECT_EQ(XbDateToText("20240229"), f.Short) << f.Format;
        EXPECT_EQ(XbTextToDate(f.Long), "20240229") << f.Format;
        XbSettings().Century = true;
        EXPECT_EQ(XbDateToText("20240229"), f.Long) << f.Format;
    }
}

TEST_F(XbSettingsTest, SystemDateFormat) {
    const TFormatSettings saved = FormatSettings();
    FormatSettings().ShortDateFormat = "d.M.yyyy";
    FormatSettings().DateSeparator = '.';
    XbSettings().DateFormat = 99;
    EXPECT_EQ(XbDateToText("20240102"), "02.01.24");
    EXPECT_EQ(XbTextToDate("2.1.2024"), "20240102");
    FormatSettings() = saved;
}

TEST_F(XbSettingsTest, TwoDigitYearsFollowTheEpoch) {
    EXPECT_EQ(XbTextToDate("01/02/03"), "19030102");
    XbSettings().Epoch = 1960;
    EXPECT_EQ(XbTextToDate("01/02/03"), "20030102");
    EXPECT_EQ(XbTextToDate("01/02/60"), "19600102");
    EXPECT_EQ(XbTextToDate("01/02/59"), "20590102");
}

TEST_F(XbSettingsTest, InvalidAndBlankDates) {
    const std::string blank(8, ' ');
    for (const char* text : {"", "  /  /  ", "02/30/2024", "13/01/2024", "00/10/2024", "1/2",
                             "1/2/3/4", "ab/cd/ef", "02/29/2023", "112/01/2024"})
        EXPECT_EQ(XbTextToDate(text), blank) << text;
    EXPECT_EQ(XbTextToDate("2/29/2000"), "20000229");
    EXPECT_EQ(XbDateToText(blank), "  /  /  ");
    EXPECT_EQ(XbDateToText("2024022"), "  /  /  ");
    EXPECT_EQ(XbDateToText("20241301"), "  /  /  ");
    EXPECT_FALSE(XbValidDate("19000229"));
    EXPECT_TRUE(XbValidDate("20000229"));
}

TEST_F(XbSettingsTest, EachMonthEndsOnItsLastDay) {
    const int lastDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}; // of 2023
    for (int month = 1; month <= 12; ++month) {
        const std::string yearMonth = std::string(month < 10 ? "20230" : "2023") +
                                      std::to_string(month);
        const int last = lastDays[month - 1];
        EXPECT_TRUE(XbValidDate(yearMonth + std::to_string(last))) << month;
        EXPECT_FALSE(XbValidDate(yearMonth + std::to_string(last + 1))) << month;
    }
    EXPECT_EQ(XbTextToDate("09/31/2023"), std::string(8, ' '));
    EXPECT_EQ(XbDateToText("20230931"), "  /  /  ");
}

} // namespace
