// The picture label: a rotated label whose caption is a value formatted through a picture mask,
// with the picture characters, substitutions and case rules of the picture field but no editing.
// The caption is the formatted text, so the label copies, prints and transfers as text.
#pragma once

#include "controls/entry/DayNumberDates.h"
#include "controls/entry/EntryField.h"
#include "controls/entry/RotatedLabel.h"
#include "platform/gui/WinGdi.h"

#include <memory>
#include <string>

class TVcLabelFormatter;

// What the label holds.
enum : Byte {
    lkNone = 0,
    lkBoolean = 1,
    lkYesNo = 2,
    lkDateTime = 3, // a date from a date-time value
    lkFloat = 4,
    lkInteger = 5,
    lkDayNumber = 6,
    lkSeconds = 7,
    lkString = 8,
    lkTime = 9 // a time from a date-time value
};

class TVcCustomPictureLabel : public TVcCustomRotatedLabel {
    VANTREL_CLASS(TVcCustomPictureLabel, TVcCustomRotatedLabel)

    explicit TVcCustomPictureLabel(TComponent* AOwner);
    ~TVcCustomPictureLabel() override;

    const TPictureMask& PictureMask() const { return mask_; }
    // An empty mask is ignored.
    void SetPictureMask(const TPictureMask& Value);
    // Dates and times use the international default pictures instead of PictureMask.
    bool UseIntlMask() const { return useIntlMask_; }
    void SetUseIntlMask(bool Value);
    Byte ValueKind() const { return kind_; }

    // Each stores the value and its kind and shows it formatted. A Boolean shows the yes/no
    // letters when the mask's picture character is "Y".
    void SetAsBoolean(bool Value);
    void SetAsDateTime(double Value);
    void SetAsTime(double Value);
    void SetAsDayNumber(TDayNumber Value);
    void SetAsTimeOfDay(TTimeOfDay Value);
    void SetAsFloat(double Value);
    void SetAsInteger(LongInt Value);
    void SetAsString(const std::string& Value);

    // Paints the label onto another device at (X, Y).
    void PaintTo(HDC DC, int X, int Y);
    using TVcCustomRotatedLabel::PaintTo;

private:
    // Takes the kind of the value just stored and shows it.
    void Show(Byte Kind);
    void Reformat();
    std::string FormatFloat() const;
    std::string FormatInteger() const;
    std::string DatePicture() const;
    std::string TimePicture() const;

    TPictureMask mask_ = "XXXXXXXXXX";
    bool useIntlMask_ = false;
    Byte kind_ = lkNone;
    bool boolValue_ = false;
    double floatValue_ = 0;
    LongInt intValue_ = 0;
    std::string stringValue_;
    std::unique_ptr<TVcLabelFormatter> formatter_;
};

class TVcPictureLabel : public TVcCustomPictureLabel {
    VANTREL_CLASS(TVcPictureLabel, TVcCustomPictureLabel)
    explicit TVcPictureLabel(TComponent* AOwner) : TVcCustomPictureLabel(AOwner) {}
};
