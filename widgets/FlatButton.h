// The flat toolbar button: no border until the mouse is over it, then a raised one-pixel frame
// and its active glyph; pressed, a sunken frame with the content moved one pixel. It carries
// three glyphs (inactive, active, disabled) drawn with one colour left out, an optional caption
// on one side of the glyph, mouse enter and exit events, and opens its popup menu under itself
// when pressed. The button holds the mouse while it is hot or pressed, so it always sees the
// mouse leave; a click comes only from a press and release both inside it.
#pragma once

#include "platform/gui/Controls.h"

#include <memory>
#include <string>

enum TGlyphPosition { bsTop, bsBottom, bsLeft, bsRight };

class TExplorerButton : public TCustomControl {
    VANTREL_CLASS(TExplorerButton, TCustomControl)

    // The state of the button as the mouse leaves it.
    enum TButtonState : Byte { bstUp, bstHot, bstPressed, bstPressedOutside };

    explicit TExplorerButton(TComponent* AOwner);
    ~TExplorerButton() override;

    // Setting a glyph copies the bitmap (nullptr empties it).
    TBitmap* GlyphInactive() const { return glyphInactive_.get(); }
    void SetGlyphInactive(const TBitmap* Value);
    TBitmap* GlyphActive() const { return glyphActive_.get(); }
    void SetGlyphActive(const TBitmap* Value);
    TBitmap* GlyphDisabled() const { return glyphDisabled_.get(); }
    void SetGlyphDisabled(const TBitmap* Value);
    TGlyphPosition Position() const { return position_; }
    void SetPosition(TGlyphPosition Value);
    // The colour of the glyph bitmaps that is not drawn.
    TColor TransparentColor() const { return transparentColor_; }
    void SetTransparentColor(TColor Value);

    TButtonState State() const { return state_; }
    // The glyph the button shows now: the inactive one; the active one (when set) while hot or
    // pressed; the disabled one (when set) while disabled.
    TBitmap* CurrentGlyph() const;

    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseExit;

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void WMRButtonDown(TWMMouse& Message) override;
    void CMMouseLeave(TMessage& Message) override;
    void CMEnabledChanged(TMessage& Message) override;
    void CMTextChanged(TMessage& Message) override;

private:
    void SetGlyph(std::unique_ptr<TBitmap>& Glyph, const TBitmap* Value);
    void SetState(TButtonState Value);
    bool Inside(int X, int Y) const;
    void DrawFrame(TCanvas* C, TButtonState Shown);
    void DrawCaption(TCanvas* C, const TRect& R);
    void DrawPopupMark(TCanvas* C, bool Pressed);
    // Opens the popup menu under the button, then leaves the button up.
    void RunPopupMenu();

    std::unique_ptr<TBitmap> glyphInactive_;
    std::unique_ptr<TBitmap> glyphActive_;
    std::unique_ptr<TBitmap> glyphDisabled_;
    TGlyphPosition position_ = bsTop;
    TColor transparentColor_ = clOlive;
    TButtonState state_ = bstUp;
};

// Loads the button's glyphs from the BMP files "<Name>_inactive.bmp", "<Name>_active.bmp" and
// "<Name>_disabled.bmp" of Folder (as the program's data folder holds them). A file that is
// missing or unreadable leaves its glyph empty; the result is true when all three were read.
bool LoadButtonGlyphs(TExplorerButton* Button, const std::string& Folder, const std::string& Name);

// Draws Bitmap at (X, Y) leaving out its pixels of the colour Transparent.
void DrawTransparentBitmap(TCanvas* Canvas, int X, int Y, TBitmap* Bitmap, TColor Transparent);
