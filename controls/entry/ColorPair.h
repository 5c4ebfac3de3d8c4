// A text and background colour pair with defaults, used by the entry fields for their
// highlight, disabled and error looks.
#pragma once

#include "platform/gui/Graphics.h"
#include "platform/rtl/Classes.h"

#include <functional>

class TVcColors : public TPersistent {
    VANTREL_CLASS(TVcColors, TPersistent)

    TVcColors(TColor TextDefault, TColor BackDefault);

    TColor BackColor() const { return backColor_; }
    void SetBackColor(TColor Value);
    TColor TextColor() const { return textColor_; }
    void SetTextColor(TColor Value);
    // True while both colours are the defaults; setting it brings the defaults back.
    bool UseDefault() const { return useDefault_; }
    void SetUseDefault(bool Value);

    // Copies the background, then the text colour.
    void Assign(TPersistent* Source) override;

    TNotifyEvent OnChange;

private:
    void Changed();
    TColor backColor_;
    TColor textColor_;
    bool useDefault_ = true;
    TColor backDefault_;
    TColor textDefault_;
};
