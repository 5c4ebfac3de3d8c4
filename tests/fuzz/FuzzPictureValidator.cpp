// The masked edit of the data-aware controls on arbitrary text: the input is an options byte
// (bit 0: the validator fills, bit 1: filling suppressed, the rest: a caret position), a picture
// of the record-picture language up to a NUL, and the text typed. The picture validator checks,
// completes and converts the text, and the date and time routines read it and tell the part the
// caret is in. The validator never raises; the routines answer with their results only.
#include "dbcontrols/FilterParser.h"
#include "dbcontrols/PictureValidator.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TFuzzInput input(data, size);
    const std::uint8_t options = input.Byte();
    const std::string picture(input.Text());
    const std::string text(input.Rest());

    PictureSyntaxValid(picture);
    TdwPictureValidator validator(picture, (options & 1) != 0);
    std::string typed = text;
    validator.ValidateInput(typed, (options & 2) != 0);
    validator.ValidateText(text);
    std::string applied = text;
    validator.ApplyPicture(applied, true);

    int pos = 1;
    TDateTime value = 0;
    ScanDateText(text, pos, value);
    if (pos > 0) ScanTimeText(text, pos, value);
    pos = 1;
    ScanTimeText(text, pos, value);
    IsDateText(text);
    IsTimeText(text);
    IsDateTimeText(text);
    IsIntegerText(text);
    IsValidFloatText(text);
    const int caret = options >> 2;
    DateTimePartAt(caret, text, false);
    DateTimePartAt(caret, text, true);
    TimePartAt(caret, text);
    return 0;
}
