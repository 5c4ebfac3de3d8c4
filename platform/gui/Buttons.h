// Buttons with pictures: the bitmap button with its kinds (OK, Cancel, Help...) and the
// windowless speed button with groups. Both paint themselves: the glyph and the caption are
// placed by Layout, Margin and Spacing.
#pragma once

#include "platform/gui/StdCtrls.h"

#include <algorithm>
#include <memory>

enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
enum TButtonState { bsUp, bsDisabled, bsDown, bsExclusive };
enum TBitBtnKind {
    bkCustom,
    bkOK,
    bkCancel,
    bkHelp,
    bkYes,
    bkNo,
    bkClose,
    bkAbort,
    bkRetry,
    bkIgnore,
    bkAll
};

// The picture and placement shared by the two buttons.
class TButtonGlyph {
public:
    TButtonGlyph();
    ~TButtonGlyph();
    TButtonGlyph(const TButtonGlyph&) = delete;
    TButtonGlyph& operator=(const TButtonGlyph&) = delete;

    // The image holds NumGlyphs pictures side by side: up, disabled, down, held down.
    TBitmap* Glyph() const { return glyph_.get(); }
    void SetGlyph(const TBitmap* Value);
    int NumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(int Value);
    TButtonLayout Layout = blGlyphLeft;
    // Pixels from the edge to the glyph; -1 centres glyph and caption together.
    int Margin = -1;
    // Pixels between glyph and caption; -1 centres the caption in the space left.
    int Spacing = 4;

    // Draws glyph and caption in r for the state; the caption in the canvas's font.
    void Draw(TCanvas* Canvas, const TRect& r, const std::string& Caption,
              TButtonState State) const;

private:
    void DrawGlyph(TCanvas* Canvas, int X, int Y, TButtonState State) const;
    std::unique_ptr<TBitmap> glyph_;
    int numGlyphs_ = 1;
};

// The glyph properties of a button that draws a TButtonGlyph (Owner: the button's class); a
// change repaints the button.
template <typename Owner>
class TGlyphProperties {
public:
    TBitmap* Glyph() const { return glyph_.Glyph(); }
    void SetGlyph(const TBitmap* Value) {
        glyph_.SetGlyph(Value);
        Changed();
    }
    int NumGlyphs() const { return glyph_.NumGlyphs(); }
    void SetNumGlyphs(int Value) {
        glyph_.SetNumGlyphs(Value);
        Changed();
    }
    TButtonLayout Layout() const { return glyph_.Layout; }
    void SetLayout(TButtonLayout Value) {
        glyph_.Layout = Value;
        Changed();
    }
    int Margin() const { return glyph_.Margin; }
    void SetMargin(int Value) {
        glyph_.Margin = std::max(Value, -1);
        Changed();
    }
    int Spacing() const { return glyph_.Spacing; }
    void SetSpacing(int Value) {
        glyph_.Spacing = std::max(Value, -1);
        Changed();
    }

protected:
    TButtonGlyph glyph_;

private:
    void Changed() { static_cast<Owner*>(this)->Invalidate(); }
};

class TBitBtn : public TButton, public TGlyphProperties<TBitBtn> {
    VANTREL_CLASS(TBitBtn, TButton)

    explicit TBitBtn(TComponent* AOwner);
    ~TBitBtn() override;

    // A kind sets the caption, modal result and Default/Cancel as the standard buttons have them.
    // A kind also shows its standard picture while the program has set no glyph of its own.
    TBitBtnKind Kind() const { return kind_; }
    void SetKind(TBitBtnKind Value);
    void SetGlyph(const TBitmap* Value);
    // Help opens the help at the button's (or its form's) context; Close closes the form.
    void Click() override;
    // True while the button is drawn pressed.
    bool Pressed() const { return pressed_; }

protected:
    void WMPaint(TWMPaint& Message) override;
    void WMLButtonDown(TWMMouse& Message) override;
    void WMLButtonUp(TWMMouse& Message) override;
    void WMMouseMove(TWMMouse& Message) override;
    void WMKeyDown(TWMKey& Message) override;
    void WMKeyUp(TWMKey& Message) override;
    void CMExit(TMessage& Message) override;

private:
    void SetPressed(bool Value);
    TBitBtnKind kind_ = bkCustom;
    bool kindGlyph_ = false; // the glyph is the kind's picture
    bool pressed_ = false;
    bool tracking_ = false;
};

class TSpeedButton : public TGraphicControl, public TGlyphProperties<TSpeedButton> {
    VANTREL_CLASS(TSpeedButton, TGraphicControl)

    explicit TSpeedButton(TComponent* AOwner);
    ~TSpeedButton() override;

    // Buttons of the same parent and group index above 0 act as one group: one of them is down.
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int Value);
    bool Down() const { return down_; }
    void SetDown(bool Value);
    // A group may have no button down.
    bool AllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool Value) { allowAllUp_ = Value; }
    // A flat button shows its edge only under the mouse.
    bool Flat() const { return flat_; }
    void SetFlat(bool Value);
    void Click() override;

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void CMMouseEnter(TMessage& Message) override;
    void CMMouseLeave(TMessage& Message) override;
    void CMDialogChar(TCMDialogChar& Message) override;

private:
    int groupIndex_ = 0;
    bool down_ = false;
    bool allowAllUp_ = false;
    bool flat_ = false;
    bool pressing_ = false;
    bool drawnDown_ = false;
    bool hot_ = false;
};
