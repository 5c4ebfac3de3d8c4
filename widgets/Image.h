// Windowless graphic controls with a border: TEPGraphicControl paints one of ten border styles
// and clips what it draws to the inside of that border (optionally through an off-screen
// bitmap, so the screen never shows a half-drawn control); TEPImage shows a picture on that base
// top-left, centred, auto-sized, tiled, stretched or stretched with its aspect ratio kept. A
// transparent bitmap leaves out the colour of its bottom-left pixel; the control may take its
// background colour from that pixel (AutoColor) and may follow the picture of another image
// (PictureControl), which copies its picture to every follower whenever it changes.
#pragma once

#include "platform/gui/Controls.h"

#include <memory>
#include <string>

enum TEPBorderStyle {
    epbsNone,
    epbsSingle,
    epbsRaised,
    epbsLowered,
    epbsStatus,
    epbsGroup,
    epbsHorizLine,
    epbsVertLine,
    epbsHorizEdge,
    epbsVertEdge
};

enum TEPImageStyle {
    episTopLeft,
    episCenter,
    episAutoSize,
    episTile,
    episAspectStretch,
    episStretch
};

class TEPGraphicControl : public TGraphicControl {
    VANTREL_CLASS(TEPGraphicControl, TGraphicControl)

    explicit TEPGraphicControl(TComponent* AOwner);

    std::string About() const { return "Graphic controls with borders"; }
    TEPBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TEPBorderStyle Value);
    // Pixels between the control's edge and its border.
    int BorderInset() const { return borderInset_; }
    void SetBorderInset(int Value);
    bool OffScreen() const { return offScreen_; }
    void SetOffScreen(bool Value) { offScreen_ = Value; }
    bool FillBackground() const { return fillBackground_; }
    void SetFillBackground(bool Value);
    // The client rectangle less the inset and the border.
    TRect InnerRect() const;

protected:
    void Paint() override;
    // Draws the border of the style around R.
    virtual void DrawBorder(TCanvas* ACanvas, const TRect& R);
    // Draws the content, clipped to the inner rectangle.
    virtual void PaintContent(TCanvas*) {}
    // The border changed: repaints.
    virtual void BorderChanged();

private:
    void PaintAll(TCanvas* ACanvas);
    TEPBorderStyle borderStyle_ = epbsLowered;
    int borderInset_ = 0;
    bool offScreen_ = true;
    bool fillBackground_ = true;
};

class TEPImage : public TEPGraphicControl {
    VANTREL_CLASS(TEPImage, TEPGraphicControl)

    explicit TEPImage(TComponent* AOwner);
    ~TEPImage() override;

    TPicture* Picture() const { return picture_.get(); }
    // Copies the picture.
    void SetPicture(TPicture* Value) { picture_->Assign(Value); }
    TEPImageStyle Style() const { return style_; }
    void SetStyle(TEPImageStyle Value);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool Value);
    // Color follows the transparent colour of a bitmap picture.
    bool AutoColor() const { return autoColor_; }
    void SetAutoColor(bool Value);
    // An explicit colour switches AutoColor off.
    void SetColor(TColor Value);
    // The image whose picture this one shows (nullptr: its own). Setting itself, or an image
    // that follows another image, changes nothing; nullptr is always taken.
    TEPImage* PictureControl() const { return pictureControl_; }
    void SetPictureControl(TEPImage* Value);
    // Also sets the border style (epbsNone by default here).
    void SetBorderStyle(TEPBorderStyle Value);
    // Auto-size and aspect-stretch styles size the control from the picture.
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // True while OnPaint runs.
    bool Painting() const { return painting_; }

    TNotifyEvent OnPaint;

protected:
    void PaintContent(TCanvas* ACanvas) override;
    void BorderChanged() override;

private:
    void PictureChanged();
    void DrawGraphic(TCanvas* ACanvas, const TRect& R);
    std::unique_ptr<TPicture> picture_;
    TEPImageStyle style_ = episAutoSize;
    bool transparent_ = false;
    bool autoColor_ = false;
    bool painting_ = false;
    TEPImage* pictureControl_ = nullptr;
};

// Draws Bitmap stretched into R of the canvas leaving out the colour Transparent.
void TransparentStretchBlt(TCanvas* ACanvas, const TRect& R, TBitmap* Bitmap, TColor Transparent);
