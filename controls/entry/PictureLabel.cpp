#include "controls/entry/PictureLabel.h"

#include "controls/entry/EntryText.h"
#include "controls/entry/PictureMask.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Regional.h"
#include "platform/rtl/Strings.h"

#include <algorithm>

// The picture engine of a field that is never shown: the label lays its values out with the
// same flags, merge and case rules as a picture field. It takes no input, so it has no editing
// and nothing to validate.
class TVcLabelFormatter : public TVcPictureBase {
public:
    TVcLabelFormatter() : TVcPictureBase(nullptr) {}

    void Setup(const TPictureMask& Mask, Byte Kind) {
        SetDataTypeByte(Kind);
        SetMask(Mask);
        SetMaxLengthValue(static_cast<int>(Mask.size()));
        InitPicture();
    }
    int EditablePositions() {
        int count = 0;
        for (int i = 0; i < MaxLength(); ++i)
            if (PositionFlag(i) == pfEditable) ++count;
        return count;
    }
    using TVcBaseEntryField::IsBinaryMask;
    using TVcBaseEntryField::IsHexMask;
    using TVcBaseEntryField::IsOctalMask;
    void IncreaseValue(bool, double) override {}

protected:
    void PerformEdit(TMessage&, Word) override {}
    Word ValidateContents() override { return 0; }
};

TVcCustomPictureLabel::TVcCustomPictureLabel(TComponent* AOwner)
    : TVcCustomRotatedLabel(AOwner), formatter_(std::make_unique<TVcLabelFormatter>()) {
    SetParentColor(false);
}

TVcCustomPictureLabel::~TVcCustomPictureLabel() = default;

void TVcCustomPictureLabel::SetPictureMask(const TPictureMask& Value) {
    if (Value.empty()) return;
    mask_ = Value;
    Reformat();
}

void TVcCustomPictureLabel::SetUseIntlMask(bool Value) {
    useIntlMask_ = Value;
    Reformat();
}

void TVcCustomPictureLabel::SetAsBoolean(bool Value) {
    boolValue_ = Value;
    Show(mask_.find('Y') != std::string::npos ? lkYesNo : lkBoolean);
}

void TVcCustomPictureLabel::SetAsDateTime(double Value) {
    floatValue_ = Value;
    Show(lkDateTime);
}

void TVcCustomPictureLabel::SetAsTime(double Value) {
    floatValue_ = Value;
    Show(lkTime);
}

void TVcCustomPictureLabel::SetAsDayNumber(TDayNumber Value) {
    intValue_ = Value;
    Show(lkDayNumber);
}

void TVcCustomPictureLabel::SetAsTimeOfDay(TTimeOfDay Value) {
    intValue_ = Value;
    Show(lkSeconds);
}

void TVcCustomPictureLabel::SetAsFloat(double Value) {
    floatValue_ = Value;
    Show(lkFloat);
}

void TVcCustomPictureLabel::SetAsInteger(LongInt Value) {
    intValue_ = Value;
    Show(lkInteger);
}

void TVcCustomPictureLabel::SetAsString(const std::string& Value) {
    stringValue_ = Value;
    Show(lkString);
}

void TVcCustomPictureLabel::Show(Byte Kind) {
    kind_ = Kind;
    Reformat();
}

std::string TVcCustomPictureLabel::DatePicture() const {
    if (!useIntlMask_) return mask_;
    return VcIntlSup().DefaultDatePicture(FormatSettings().ShortDateFormat.find("yyyy") !=
                                          std::string::npos);
}

std::string TVcCustomPictureLabel::TimePicture() const {
    return useIntlMask_ ? VcIntlSup().DefaultTimePicture(false) : mask_;
}

std::string TVcCustomPictureLabel::FormatFloat() const {
    int total = 0;
    int decimals = 0;
    formatter_->GetPictureDigits(total, decimals);
    std::string text = PlainFloatToStrF(floatValue_, ffFixed, 18, decimals);
    if (static_cast<int>(text.size()) <= total) return formatter_->MergeWithPicture(text);
    // Too long for the picture: exponent form.
    const int width = decimals > 0 && total > decimals + 9 ? decimals + 9 : total;
    text = PlainFloatToStrF(floatValue_, ffExponent, std::clamp(width - 7, 1, 18), 0);
    TrimExponentZeros(text);
    return formatter_->LocalizeDecimal(text);
}

std::string TVcCustomPictureLabel::FormatInteger() const {
    std::string digits;
    if (formatter_->IsHexMask())
        HexLToPChar(digits, intValue_);
    else if (formatter_->IsOctalMask())
        OctalLToPChar(digits, intValue_);
    else if (formatter_->IsBinaryMask())
        BinaryLToPChar(digits, intValue_);
    else
        return formatter_->MergeWithPicture(IntToStr(intValue_));
    // The digits that the picture's positions hold, from the right.
    const auto room = static_cast<std::size_t>(formatter_->EditablePositions());
    if (digits.size() > room) digits.erase(0, digits.size() - room);
    return formatter_->MergeWithPicture(digits);
}

void TVcCustomPictureLabel::Reformat() {
    const TVcIntlSup& intl = VcIntlSup();
    static const Byte kinds[] = {fsString,  fsBoolean, fsYesNo, fsDate,   fsDouble,
                                 fsLongInt, fsDate,    fsTime,  fsString, fsTime};
    formatter_->Setup(mask_, kinds[kind_]);
    std::string caption;
    switch (kind_) {
    case lkBoolean:
        caption = formatter_->MergeWithPicture(
            std::string(1, boolValue_ ? intl.TrueLetter : intl.FalseLetter));
        break;
    case lkYesNo:
        caption = formatter_->MergeWithPicture(
            std::string(1, boolValue_ ? intl.YesLetter : intl.NoLetter));
        break;
    case lkDateTime:
        caption = intl.DateToDateString(DatePicture(), DateTimeToDayNumber(floatValue_), false);
        break;
    case lkDayNumber: caption = intl.DateToDateString(DatePicture(), intValue_, false); break;
    case lkSeconds: caption = intl.TimeToTimeString(TimePicture(), intValue_, false); break;
    case lkTime:
        caption = intl.TimeToTimeString(TimePicture(), DateTimeToSeconds(floatValue_), false);
        break;
    case lkFloat: caption = FormatFloat(); break;
    case lkInteger: caption = FormatInteger(); break;
    case lkString: caption = formatter_->MergeWithPicture(stringValue_); break;
    default: break;
    }
    SetCaption(caption);
    Invalidate();
}

void TVcCustomPictureLabel::PaintTo(HDC DC, int X, int Y) {
    TCanvas canvas;
    canvas.SetHandle(DC);
    TPoint previous;
    SetViewportOrgEx(DC, X, Y, &previous);
    TVcCustomRotatedLabel::PaintTo(&canvas);
    SetViewportOrgEx(DC, previous.X, previous.Y, nullptr);
    canvas.SetHandle(nullptr);
}
