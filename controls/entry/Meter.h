// A bar filled to a percentage, horizontally or vertically, with an optional centred percentage.
#pragma once

#include "controls/entry/EntryController.h"

#include <string>

enum TVcMeterOrientation { moHorizontal, moVertical };

class TVcCustomMeter : public TVcBase {
    VANTREL_CLASS(TVcCustomMeter, TVcBase)

    explicit TVcCustomMeter(TComponent* AOwner);

    TBorderStyle BorderStyle() const { return TVcBase::BorderStyle(); }
    void SetBorderStyle(TBorderStyle Value);
    TColor DividerColor() const { return dividerColor_; }
    void SetDividerColor(TColor Value);
    TVcMeterOrientation Orientation() const { return orientation_; }
    void SetOrientation(TVcMeterOrientation Value);
    // 0..100; larger values are taken as 100.
    Byte Percent() const { return percent_; }
    void SetPercent(int Value);
    bool ShowPercent() const { return showPercent_; }
    void SetShowPercent(bool Value);
    TColor UsedColor() const { return usedColor_; }
    void SetUsedColor(TColor Value);
    TColor UsedShadow() const { return usedShadow_; }
    void SetUsedShadow(TColor Value);
    TColor UnusedColor() const { return unusedColor_; }
    void SetUnusedColor(TColor Value);
    TColor UnusedShadow() const { return unusedShadow_; }
    void SetUnusedShadow(TColor Value);
    // "33%" and the like.
    const std::string& PercentText() const { return percentText_; }

    // Draws the meter on a canvas of its client size (Paint draws through a bitmap).
    void PaintTo(TCanvas* Canvas);

protected:
    void Paint() override;
    void WMEraseBkgnd(TWMEraseBkgnd& Message) override;

private:
    void SetColorValue(TColor& Slot, TColor Value);
    void Line(TCanvas* Canvas, TColor Color, int X1, int Y1, int X2, int Y2);
    void Fill(TCanvas* Canvas, TColor Color, const TRect& R);

    TColor dividerColor_ = clBlack;
    TVcMeterOrientation orientation_ = moHorizontal;
    Byte percent_ = 33;
    bool showPercent_ = false;
    TColor usedColor_ = RGB(0, 255, 0);
    TColor usedShadow_ = RGB(0, 128, 0);
    TColor unusedColor_ = clWindow;
    TColor unusedShadow_ = clWindowFrame;
    std::string percentText_ = "33%";
};

class TVcMeter : public TVcCustomMeter {
    VANTREL_CLASS(TVcMeter, TVcCustomMeter)

    using TVcCustomMeter::TVcCustomMeter;
};
