#include "controls/entry/PictureLabel.h"

#include "EntryFormSupport.h"
#include "controls/entry/PictureField.h"
#include "platform/rtl/Regional.h"

namespace {

class PictureLabelTest : public EntryFormTest {
protected:
    TVcPictureLabel* Label(const std::string& mask) {
        ++labels;
        auto* label = Make<TVcPictureLabel>("Label" + std::to_string(labels), 10, 10 * labels);
        label->SetPictureMask(mask);
        return label;
    }
    int labels = 0;
};

TEST_F(PictureLabelTest, MoneyShowsAsInAPictureField) {
    ShowForm();
    auto* label = Label("$###,###.##");
    label->SetAsFloat(1234.5);
    auto* field = Make<TVcPictureField>("Money", 200, 10);
    field->SetDataType(pftDouble);
    field->SetPictureMask("$###,###.##");
    field->SetMaxLength(11);
    field->SetAsFloat(1234.5);
    EXPECT_EQ(label->Caption(), field->EditString());
    EXPECT_EQ(label->Caption(), "  $1,234.50");
    // Too many digits for the picture: exponent form.
    label->SetAsFloat(123456789.0);
    EXPECT_EQ(label->Caption(), "1.2E+8");
}

TEST_F(PictureLabelTest, LettersIntegersStringsAndEmpty) {
    auto* flag = Label("B");
    EXPECT_EQ(flag->Caption(), "");
    flag->SetAsBoolean(true);
    EXPECT_EQ(flag->Caption(), "T");
    flag->SetAsBoolean(false);
    EXPECT_EQ(flag->Caption(), "F");
    auto* yes = Label("Y");
    yes->SetAsBoolean(true);
    EXPECT_EQ(yes->Caption(), "Y");

    auto* hex = Label("KK");
    hex->SetAsInteger(255);
    EXPECT_EQ(hex->Caption(), "FF");
    hex->SetPictureMask("KKKK");
    EXPECT_EQ(hex->Caption(), "00FF");
    auto* count = Label("ii,iii");
    count->SetAsInteger(12345);
    EXPECT_EQ(count->Caption(), "12,345");

    auto* name = Label("!xxxxxxx");
    name->SetAsString("smith jr");
    EXPECT_EQ(name->Caption(), "Smith jr");
    // An empty mask is ignored.
    name->SetPictureMask("");
    EXPECT_EQ(name->PictureMask(), "!xxxxxxx");
}

TEST_F(PictureLabelTest, DatesAndTimes) {
    auto* date = Label("mm/dd/yyyy");
    date->SetAsDayNumber(DMYToDate(1, 3, 2024, 0));
    EXPECT_EQ(date->Caption(), "03/01/2024");
    date->SetUseIntlMask(true);
    const bool century = FormatSettings().ShortDateFormat.find("yyyy") != std::string::npos;
    EXPECT_EQ(date->Caption(), intl.DateToDateString(intl.DefaultDatePicture(century),
                                                     DMYToDate(1, 3, 2024, 0), false));
    auto* time = Label("hh:mm");
    time->SetAsTimeOfDay(13 * 3600 + 5 * 60);
    EXPECT_EQ(time->Caption(), "13:05");
    time->SetAsTime(0.75);
    EXPECT_EQ(time->Caption(), "18:00");
}

} // namespace
