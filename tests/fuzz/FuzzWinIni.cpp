// The emulated WIN.INI as the program reads it at start-up: the bytes are the file; the regional
// settings, the entry fields' international settings and the date pictures of the calculators
// are taken from it, and then numbers, money and dates are written and read back with them, as
// every form does. The printer layer's "windows" and "devices" keys are read too.
#include "controls/entry/RegionalConventions.h"
#include "finance/DatePictures.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Profile.h"
#include "platform/rtl/Regional.h"
#include "platform/rtl/SysUtils.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string profile = [] {
        FuzzFolder();
        return ProfileFileName();
    }();
    WriteFuzzFile("WIN.INI", std::string_view(reinterpret_cast<const char*>(data), size));
    (void)profile;
    LoadRegionalSettings();
    GetProfileString("windows", "device", "");
    GetProfileString("devices", "PDF", "");
    GetProfileInt("intl", "iCountry", 0);

    const TDateTime day = EncodeDate(2024, 2, 29) + 0.75;
    const std::string shortDate = DateToStr(day);
    TDateTime back = 0;
    TryStrToDate(shortDate, back);
    FormatDateTime(FormatSettings().LongDateFormat, day);
    const std::string time = FormatDateTime(FormatSettings().LongTimeFormat, day);
    TryStrToTime(time, back);
    const std::string money =
        FloatToStrF(-1234567.891, ffCurrency, 15, FormatSettings().CurrencyDecimals);
    const std::string number = FormatFloat("#,##0.00;(#,##0.00)", -1234567.891);
    StrToFloatDef(FloatToStrF(1234.5, ffFixed, 15, 2), 0);

    TVcIntlSup intl;
    const std::string picture = intl.DefaultDatePicture(true);
    const std::string text = intl.DateToDateString(picture, 738945, false);
    intl.DateStringToDate(picture, text, 1950);
    intl.DateToDateString(intl.LongDatePicture, 738945, true);
    const std::string timePicture = intl.DefaultTimePicture(true);
    intl.TimeStringToTime(timePicture, intl.TimeToTimeString(timePicture, 45296, false));

    InitDatePictures();
    const TDatePictures& pictures = DatePictures();
    DateFromMask(pictures.ShortDate, text);
    DateFromMask(pictures.LongDate, text);
    return 0;
}
