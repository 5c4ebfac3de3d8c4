// A windowless label that draws its caption at any angle, with an optional drop shadow.
#pragma once

#include "platform/gui/Controls.h"
#include "platform/gui/StdCtrls.h"

#include <string>

class TVcCustomRotatedLabel : public TGraphicControl {
    VANTREL_CLASS(TVcCustomRotatedLabel, TGraphicControl)

    explicit TVcCustomRotatedLabel(TComponent* AOwner);

    std::string Version() const { return "2.13.00"; }
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment Value);
    bool AutoSizeHeight() const { return autoSizeHeight_; }
    void SetAutoSizeHeight(bool Value);
    bool AutoSizeWidth() const { return autoSizeWidth_; }
    void SetAutoSizeWidth(bool Value);
    // Degrees counter-clockwise, kept in -359..359.
    int FontAngle() const { return fontAngle_; }
    void SetFontAngle(int Value);
    // Where the text starts when the angle is not 0.
    int OriginX() const { return originX_; }
    void SetOriginX(int Value);
    int OriginY() const { return originY_; }
    void SetOriginY(int Value);
    TColor ShadowColor() const { return shadowColor_; }
    void SetShadowColor(TColor Value);
    bool ShadowedText() const { return shadowedText_; }
    void SetShadowedText(bool Value);
    // Transparent: the label paints no background (it is not opaque).
    bool Transparent() const { return !ControlStyle().Contains(csOpaque); }
    void SetTransparent(bool Value);

    // Draws the label on a canvas of its size (Paint draws on the parent's).
    void PaintTo(TCanvas* Canvas);
    // The rectangle the caption takes on the canvas (a blank when the caption is empty).
    TRect TextRectOn(TCanvas* Canvas);

protected:
    void Paint() override;
    void CMTextChanged(TMessage& Message) override;
    void CMFontChanged(TMessage& Message) override;
    // Sizes the label to its caption when asked to.
    void AdjustBounds();

private:
    void DrawCaption(TCanvas* Canvas, int X, int Y, TColor TextColor, bool Opaque);
    int AlignedX(TCanvas* Canvas, const std::string& Text) const;
    void Changed();

    TAlignment alignment_ = taLeftJustify;
    bool autoSizeHeight_ = false;
    bool autoSizeWidth_ = false;
    int fontAngle_ = 0;
    int originX_ = 0;
    int originY_ = 0;
    TColor shadowColor_ = clBtnShadow;
    bool shadowedText_ = false;
};

class TVcRotatedLabel : public TVcCustomRotatedLabel {
    VANTREL_CLASS(TVcRotatedLabel, TVcCustomRotatedLabel)

    using TVcCustomRotatedLabel::TVcCustomRotatedLabel;
};
