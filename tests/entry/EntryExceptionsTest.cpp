#include "controls/entry/EntryExceptions.h"

#include "controls/entry/RegionalConventions.h"
#include "platform/rtl/Regional.h"
#include "tests/entry/TestProfile.h"

#include <gtest/gtest.h>

namespace {

TEST(VcExceptMessages, FromTheMessageTable) {
    EXPECT_STREQ(ENoTimersAvailable().what(), "No Window's timers are available");
    EXPECT_STREQ(ENoControllerAssigned().what(), "No Controller assigned");
    EXPECT_STREQ(EDuplicateCommand().what(),
                 "Duplicate command found while adding a new command to the table");
    EXPECT_STREQ(ETableNotFound().what(),
                 "Command table not found or command table index out of range");
    EXPECT_STREQ(EInvalidDataType().what(), "Invalid data type for this field");
    EXPECT_STREQ(EInvalidDateForMask().what(),
                 "Invalid date value for picture mask. (Year is outside the Epoch range)");
    EXPECT_STREQ(EInvalidPageIndex().what(), "Invalid page index value");
    EXPECT_STREQ(EInvalidTabFont().what(),
                 "Invalid font. toRight oriented tabs require a True-Type font");
    EXPECT_STREQ(ESAEAtMaxSize().what(), "Sparse array is at the maximum size");
    EXPECT_STREQ(ESAEOutOfBounds().what(), "Index is out of bounds for sparse array");
    EXPECT_STREQ(EInvalidPictureMask("##%s").what(), "Invalid picture mask: ##%s");
}

TEST(VcExceptMessages, FamilyTree) {
    EXPECT_THROW(throw ENoControllerAssigned(), EControllerError);
    EXPECT_THROW(throw ETableNotFound(), ECmdProcessorError);
    EXPECT_THROW(throw EInvalidRangeValue(4), EEntryFieldError);
    EXPECT_THROW(throw EInvalidPageIndex(), ENotebookError);
    EXPECT_THROW(throw ESAEOutOfBounds(), ESparseArrayError);
    EXPECT_THROW(throw ESparseArrayError("x"), EVcException);
    EXPECT_THROW(throw EVcTable("x"), Exception);
}

TEST(VcExceptRange, MessageByDataKind) {
    TFormatSettings saved = FormatSettings();
    FormatSettings().LongTimeFormat = "HH:mm:ss";
    {
        TTestProfile profile("[intl]\nsShortDate=dd.MM.yyyy\nsDate=.\n");
        VcIntlSup().ReadWindowsIntl();
    }
    const std::string between = "Invalid range. Enter a value between ";
    EXPECT_EQ(EInvalidRangeValue(4).Message(), between + "(-2147483648) and (2147483647)");
    EXPECT_EQ(EInvalidRangeValue(5).Message(), between + "(0) and (65535)");
    EXPECT_EQ(EInvalidRangeValue(6).Message(), between + "(-32768) and (32767)");
    EXPECT_EQ(EInvalidRangeValue(7).Message(), between + "(0) and (255)");
    EXPECT_EQ(EInvalidRangeValue(8).Message(), between + "(-128) and (127)");
    EXPECT_EQ(EInvalidRangeValue(9).Message(), between + "(-1.7e+38) and (+1.7e+38)");
    EXPECT_EQ(EInvalidRangeValue(10).Message(), between + "(-1.1e+4932) and (+1.1e+4932)");
    EXPECT_EQ(EInvalidRangeValue(11).Message(), between + "(-1.7e+308) and (+1.7e+308)");
    EXPECT_EQ(EInvalidRangeValue(12).Message(), between + "(-3.4e+38) and (+3.4e+38)");
    EXPECT_EQ(EInvalidRangeValue(13).Message(), between + "(-9.2e+18) and (+9.2e+18)");
    EXPECT_EQ(EInvalidRangeValue(14).Message(),
              "Invalid date range. Enter a value using 'dd/mm/yyyy' as the format");
    EXPECT_EQ(EInvalidRangeValue(15).Message(),
              "Invalid time range. Enter a value using 'Hh:mm' as the format");
    for (Byte kind : {0, 1, 2, 3, 16, 255})
        EXPECT_EQ(EInvalidRangeValue(kind).Message(), "Invalid range value");
    FormatSettings() = saved;
    VcIntlSup().ReadWindowsIntl();
}

} // namespace
