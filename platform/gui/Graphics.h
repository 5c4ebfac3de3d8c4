// Colours, fonts, pens, brushes, the drawing canvas and the graphic classes (bitmap, icon,
// metafile, picture). The canvas draws with Windows GDI rules through the device contexts of
// WinGdi.h: right and bottom edges of filled shapes lie outside them, lines leave out their end
// pixel, text is placed by the alignment flags of the device context.
#pragma once

#include "platform/gui/WinGdi.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/Types.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

VANTREL_EXCEPTION(EInvalidGraphic, Exception);
VANTREL_EXCEPTION(EInvalidGraphicOperation, Exception);

// ---------------------------------------------------------------------------------------------
// Colours: 0x00BBGGRR, or 0x80000000 | index for a system colour.

using TColor = LongInt;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clLtGray = 0xC0C0C0;
constexpr TColor clDkGray = 0x808080;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

constexpr TColor clSystemColor = static_cast<TColor>(0x80000000u);
constexpr TColor clScrollBar = clSystemColor | COLOR_SCROLLBAR;
constexpr TColor clBackground = clSystemColor | COLOR_BACKGROUND;
constexpr TColor clActiveCaption = clSystemColor | COLOR_ACTIVECAPTION;
constexpr TColor clInactiveCaption = clSystemColor | COLOR_INACTIVECAPTION;
constexpr TColor clMenu = clSystemColor | COLOR_MENU;
constexpr TColor clWindow = clSystemColor | COLOR_WINDOW;
constexpr TColor clWindowFrame = clSystemColor | COLOR_WINDOWFRAME;
constexpr TColor clMenuText = clSystemColor | COLOR_MENUTEXT;
constexpr TColor clWindowText = clSystemColor | COLOR_WINDOWTEXT;
constexpr TColor clCaptionText = clSystemColor | COLOR_CAPTIONTEXT;
constexpr TColor clActiveBorder = clSystemColor | COLOR_ACTIVEBORDER;
constexpr TColor clInactiveBorder = clSystemColor | COLOR_INACTIVEBORDER;
constexpr TColor clAppWorkSpace = clSystemColor | COLOR_APPWORKSPACE;
constexpr TColor clHighlight = clSystemColor | COLOR_HIGHLIGHT;
constexpr TColor clHighlightText = clSystemColor | COLOR_HIGHLIGHTTEXT;
constexpr TColor clBtnFace = clSystemColor | COLOR_BTNFACE;
constexpr TColor clBtnShadow = clSystemColor | COLOR_BTNSHADOW;
constexpr TColor clGrayText = clSystemColor | COLOR_GRAYTEXT;
constexpr TColor clBtnText = clSystemColor | COLOR_BTNTEXT;
constexpr TColor clInactiveCaptionText = clSystemColor | COLOR_INACTIVECAPTIONTEXT;
constexpr TColor clBtnHighlight = clSystemColor | COLOR_BTNHIGHLIGHT;
constexpr TColor cl3DDkShadow = clSystemColor | COLOR_3DDKSHADOW;
constexpr TColor cl3DLight = clSystemColor | COLOR_3DLIGHT;
constexpr TColor clInfoText = clSystemColor | COLOR_INFOTEXT;
constexpr TColor clInfoBk = clSystemColor | COLOR_INFOBK;

// The RGB value of a colour: system colours resolve through the fixed classic palette, clNone
// gives black and clDefault white (the window colour).
COLORREF ColorToRGB(TColor color);

// ---------------------------------------------------------------------------------------------
// Fonts, pens and brushes. Each owns its GDI object, made on demand and remade after a change,
// and calls its one replaceable OnChange handler after every change.

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle, 4>;
enum TFontPitch { fpDefault, fpVariable, fpFixed };
using TFontCharset = Byte;

class TGraphicsObject : public TPersistent {
    VANTREL_CLASS(TGraphicsObject, TPersistent)

    TNotifyEvent OnChange;
    // Counts the changes, so a canvas knows when to select the object into its context again.
    Cardinal Generation() const { return generation_; }

protected:
    // Drops the GDI object so the next Handle() makes a new one, then reports the change.
    void Changed();
    // Reports a change that keeps the GDI object (a colour or mode the context carries).
    void Touched();
    virtual void FreeHandle() = 0;

private:
    Cardinal generation_ = 0;
};

class TFont : public TGraphicsObject {
    VANTREL_CLASS(TFont, TGraphicsObject)

    TFont() = default;
    ~TFont() override;
    TFont(const TFont&) = delete;
    TFont& operator=(const TFont&) = delete;

    // From another font: name, height, colour, style, pitch, character set and escapement (the
    // size follows the height at this font's resolution); OnChange stays.
    void Assign(TPersistent* Source) override;

    const std::string& Name() const { return name_; }
    void SetName(const std::string& name);
    // Size in points, from and to the pixel height at PixelsPerInch.
    int Size() const;
    void SetSize(int points);
    // Height in pixels; negative is the character height, positive the cell height.
    int Height() const { return height_; }
    void SetHeight(int height);
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    TFontStyles Style() const { return style_; }
    void SetStyle(TFontStyles style);
    TFontPitch Pitch() const { return pitch_; }
    void SetPitch(TFontPitch pitch);
    TFontCharset CharSet() const { return charSet_; }
    void SetCharSet(TFontCharset charSet);
    // Text direction in tenths of a degree, counter-clockwise.
    int Escapement() const { return escapement_; }
    void SetEscapement(int tenths);
    int PixelsPerInch() const { return pixelsPerInch_; }
    // Changes the resolution the size is measured at; the height is kept.
    void SetPixelsPerInch(int ppi) { pixelsPerInch_ = ppi > 0 ? ppi : 96; }

    // The GDI font of these settings (owned by the font).
    HFONT Handle();
    // Takes over the settings of a font made elsewhere (for example with CreateFontIndirect);
    // the font then owns that handle.
    void SetHandle(HFONT font);
    LOGFONT LogFont() const;

private:
    void FreeHandle() override;
    std::string name_ = "MS Sans Serif";
    int height_ = -11;
    TColor color_ = clWindowText;
    TFontStyles style_;
    TFontPitch pitch_ = fpDefault;
    TFontCharset charSet_ = DEFAULT_CHARSET;
    int escapement_ = 0;
    int pixelsPerInch_ = 96;
    HFONT handle_ = nullptr;
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode {
    pmBlack,
    pmWhite,
    pmNop,
    pmNot,
    pmCopy,
    pmNotCopy,
    pmMergePenNot,
    pmMaskPenNot,
    pmMergeNotPen,
    pmMaskNotPen,
    pmMerge,
    pmNotMerge,
    pmMask,
    pmNotMask,
    pmXor,
    pmNotXor
};

class TPen : public TGraphicsObject {
    VANTREL_CLASS(TPen, TGraphicsObject)

    TPen() = default;
    ~TPen() override;
    TPen(const TPen&) = delete;
    TPen& operator=(const TPen&) = delete;

    void Assign(TPersistent* Source) override;

    TColor Color() const { return color_; }
    void SetColor(TColor color);
    TPenStyle Style() const { return style_; }
    void SetStyle(TPenStyle style);
    TPenMode Mode() const { return mode_; }
    // The mode is a property of the device context (its ROP2); it does not remake the pen.
    void SetMode(TPenMode mode);
    int Width() const { return width_; }
    void SetWidth(int width);
    HPEN Handle();

private:
    void FreeHandle() override;
    TColor color_ = clBlack;
    TPenStyle style_ = psSolid;
    TPenMode mode_ = pmCopy;
    int width_ = 1;
    HPEN handle_ = nullptr;
};

enum TBrushStyle {
    bsSolid,
    bsClear,
    bsHorizontal,
    bsVertical,
    bsFDiagonal,
    bsBDiagonal,
    bsCross,
    bsDiagCross
};

class TBitmap;

class TBrush : public TGraphicsObject {
    VANTREL_CLASS(TBrush, TGraphicsObject)

    TBrush();
    ~TBrush() override;
    TBrush(const TBrush&) = delete;
    TBrush& operator=(const TBrush&) = delete;

    void Assign(TPersistent* Source) override;

    TColor Color() const { return color_; }
    void SetColor(TColor color);
    TBrushStyle Style() const { return style_; }
    void SetStyle(TBrushStyle style);
    // A pattern bitmap (copied, 8 x 8 used); nullptr returns to colour and style.
    TBitmap* Bitmap() const { return bitmap_.get(); }
    void SetBitmap(const TBitmap* bitmap);
    HBRUSH Handle();

private:
    void FreeHandle() override;
    TColor color_ = clWhite;
    TBrushStyle style_ = bsSolid;
    std::unique_ptr<TBitmap> bitmap_;
    HBRUSH handle_ = nullptr;
};

// ---------------------------------------------------------------------------------------------
// The canvas.

enum TFillStyle { fsSurface, fsBorder };
enum TCanvasStates { csHandleValid, csFontValid, csPenValid, csBrushValid };
using TCopyMode = LongInt;

class TGraphic;

class TCanvas : public TPersistent {
    VANTREL_CLASS(TCanvas, TPersistent)

    TCanvas();
    ~TCanvas() override;
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    TFont* Font() { return &font_; }
    TPen* Pen() { return &pen_; }
    TBrush* Brush() { return &brush_; }
    void SetFont(TFont* font) { font_.Assign(font); }
    void SetPen(TPen* pen) { pen_.Assign(pen); }
    void SetBrush(TBrush* brush) { brush_.Assign(brush); }

    // The device context with the canvas's font, pen and brush selected into it; a plain canvas
    // raises EInvalidOperation "Canvas does not allow drawing" until it is given one.
    // Descendants make theirs on demand.
    HDC Handle();
    // The device context as it is (made on demand), nothing selected.
    HDC RawHandle();
    // Binds the canvas to a device context it does not own (nullptr unbinds).
    void SetHandle(HDC dc);
    bool HandleAllocated() const { return dc_ != nullptr; }

    TPoint PenPos();
    void SetPenPos(TPoint p);
    TCopyMode CopyMode() const { return copyMode_; }
    void SetCopyMode(TCopyMode mode) { copyMode_ = mode; }
    // The clip box of the device context in logical units.
    TRect ClipRect();
    // Puts the stock objects back into the context, so the canvas's font, pen and brush are
    // selected again on the next drawing call.
    void Refresh();

    virtual void MoveTo(int x, int y);
    virtual void LineTo(int x, int y);
    virtual void Rectangle(int x1, int y1, int x2, int y2);
    void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
    virtual void FillRect(const TRect& r);
    virtual void FrameRect(const TRect& r);
    virtual void Ellipse(int x1, int y1, int x2, int y2);
    void Ellipse(const TRect& r) { Ellipse(r.Left, r.Top, r.Right, r.Bottom); }
    virtual void RoundRect(int x1, int y1, int x2, int y2, int x3, int y3);
    virtual void Polygon(const std::vector<TPoint>& points);
    virtual void Polyline(const std::vector<TPoint>& points);
    virtual void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    virtual void Chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    virtual void Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    virtual void FloodFill(int x, int y, TColor color, TFillStyle style);
    virtual void DrawFocusRect(const TRect& r);
    TColor Pixels(int x, int y);
    virtual void SetPixels(int x, int y, TColor color);

    virtual void TextOut(int x, int y, const std::string& text);
    virtual void TextRect(const TRect& r, int x, int y, const std::string& text);
    int TextWidth(const std::string& text) { return TextExtent(text).cx; }
    int TextHeight(const std::string& text) { return TextExtent(text).cy; }
    TSize TextExtent(const std::string& text);

    virtual void Draw(int x, int y, TGraphic* graphic);
    virtual void StretchDraw(const TRect& r, TGraphic* graphic);
    // Copies from another canvas with CopyMode as the raster operation.
    virtual void CopyRect(const TRect& dest, TCanvas* canvas, const TRect& source);
    // Copies a bitmap, drawing its pixels of the given colour in the brush instead.
    virtual void BrushCopy(const TRect& dest, TBitmap* bitmap, const TRect& source, TColor color);

protected:
    // Descendants make their device context here and call SetHandle; the default does nothing.
    virtual void CreateHandle() {}
    enum class TNeed { Font, Pen, Brush };
    // Makes sure the device context holds the canvas's font (with the text colour), pen (with
    // the drawing mode) and/or brush (with its colour as the background colour, and the
    // background mode opaque for a solid brush, else transparent) and returns it. An
    // object is selected again only after it changed, after Refresh or with a new context, so
    // what a component set on the handle meanwhile (a font of its own, a background mode)
    // stays in effect until then.
    HDC Prepare(std::initializer_list<TNeed> needs);

private:
    // The generation of each object last selected, or none.
    struct TSelected {
        bool Valid = false;
        Cardinal Generation = 0;
    };
    TFont font_;
    TPen pen_;
    TBrush brush_;
    TSelected fontSelected_, penSelected_, brushSelected_;
    HDC dc_ = nullptr;
    TCopyMode copyMode_ = SRCCOPY;
};

// ---------------------------------------------------------------------------------------------
// Graphics.

class TGraphic : public TPersistent {
    VANTREL_CLASS(TGraphic, TPersistent)

    TGraphic() = default;
    TGraphic(const TGraphic&) = delete;
    TGraphic& operator=(const TGraphic&) = delete;

    virtual bool Empty() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void SetWidth(int width) = 0;
    virtual void SetHeight(int height) = 0;
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool transparent);
    // A new graphic of the same class holding a copy of this one.
    virtual std::unique_ptr<TGraphic> Clone() const = 0;

    virtual void LoadFromStream(TStream& stream) = 0;
    virtual void SaveToStream(TStream& stream) const = 0;
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName) const;
    // Draws the graphic stretched into r (logical coordinates of the canvas).
    virtual void Draw(TCanvas& canvas, const TRect& r) = 0;

    TNotifyEvent OnChange;

protected:
    void Changed();

private:
    bool transparent_ = false;
};

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit };
enum TTransparentMode { tmAuto, tmFixed };

class TBitmap : public TGraphic {
    VANTREL_CLASS(TBitmap, TGraphic)

    TBitmap();
    ~TBitmap() override;

    // From another bitmap (pixels, format and transparency settings).
    void Assign(TPersistent* Source) override;
    std::unique_ptr<TGraphic> Clone() const override;

    bool Empty() const override;
    int Width() const override;
    int Height() const override;
    void SetWidth(int width) override;
    void SetHeight(int height) override;
    void SetSize(int width, int height);
    TPixelFormat PixelFormat() const { return pixelFormat_; }
    void SetPixelFormat(TPixelFormat format);
    // A monochrome bitmap holds black and white only; making one maps every pixel that is not
    // white to black.
    bool Monochrome() const { return pixelFormat_ == pf1bit; }
    void SetMonochrome(bool monochrome);
    // The colour drawn as see-through: fixed, or (auto) the bottom-left pixel.
    TColor TransparentColor() const;
    void SetTransparentColor(TColor color);
    TTransparentMode TransparentMode() const { return transparentMode_; }
    void SetTransparentMode(TTransparentMode mode) { transparentMode_ = mode; }
    // Turns the bitmap into a monochrome mask: pixels of the colour white, all others black.
    void Mask(TColor transparentColor);

    // The canvas drawing on the bitmap (made on first use).
    TCanvas* Canvas();
    // The GDI bitmap object for SelectObject and the blit calls.
    HBITMAP Handle();

    // BMP file format (1, 4, 8, 24 and 32 bits per pixel, uncompressed or RLE when reading).
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) const override;
    void Draw(TCanvas& canvas, const TRect& r) override;

private:
    // Selects the bitmap again into its canvas's context after its pixels were replaced.
    void Reselect();
    TPixelFormat pixelFormat_ = pfDevice;
    TTransparentMode transparentMode_ = tmAuto;
    TColor transparentColor_ = clDefault;
    HBITMAP handle_ = nullptr;
    std::unique_ptr<TCanvas> canvas_;
    // The size asked for while one side is 0: the image then holds no pixels but keeps its
    // other side for when the missing one comes.
    int emptyWidth_ = 0;
    int emptyHeight_ = 0;
};

class TIcon : public TGraphic {
    VANTREL_CLASS(TIcon, TGraphic)

    TIcon();
    ~TIcon() override;
    std::unique_ptr<TGraphic> Clone() const override;
    bool Empty() const override;
    int Width() const override;
    int Height() const override;
    void SetWidth(int width) override;
    void SetHeight(int height) override;
    // The Windows icon file format (the largest image is kept).
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) const override;
    void Draw(TCanvas& canvas, const TRect& r) override;
    // The icon's image as a 32-bit bitmap with its mask applied.
    HBITMAP Handle() const { return handle_; }

private:
    HBITMAP handle_ = nullptr;
};

// A recorded picture: drawing on its canvas is kept as a list of operations and played back
// scaled into the rectangle it is drawn in. Its saved form is the layer's own recording format.
class TMetafile : public TGraphic {
    VANTREL_CLASS(TMetafile, TGraphic)

    TMetafile();
    ~TMetafile() override;
    std::unique_ptr<TGraphic> Clone() const override;
    bool Empty() const override;
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    void SetWidth(int width) override;
    void SetHeight(int height) override;
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) const override;
    void Draw(TCanvas& canvas, const TRect& r) override;
    // A canvas that records into the metafile; its drawing is kept when the canvas is freed.
    std::unique_ptr<TCanvas> CreateCanvas();

private:
    friend class TMetafileCanvas;
    int width_ = 0;
    int height_ = 0;
    std::vector<Byte> data_;
};

class TPicture : public TPersistent {
    VANTREL_CLASS(TPicture, TPersistent)

    TPicture() = default;
    TPicture(const TPicture&) = delete;
    TPicture& operator=(const TPicture&) = delete;

    TGraphic* Graphic() const { return graphic_.get(); }
    // Takes a copy of the graphic (nullptr empties the picture).
    void SetGraphic(const TGraphic* graphic);
    // The picture as a bitmap: replaces any other graphic by an empty bitmap.
    TBitmap* Bitmap();
    TIcon* Icon();
    TMetafile* Metafile();
    // From another picture (a copy of its graphic) or from a graphic.
    void Assign(TPersistent* Source) override;
    bool Empty() const { return !graphic_ || graphic_->Empty(); }
    int Width() const { return graphic_ ? graphic_->Width() : 0; }
    int Height() const { return graphic_ ? graphic_->Height() : 0; }
    // Chooses the class by extension: ".bmp", ".ico", ".wmf"/".emf"; raises EInvalidGraphic
    // "Unknown picture file extension (.%s)" for others.
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName) const;

    TNotifyEvent OnChange;

private:
    template <typename G>
    G* As();
    void Changed();
    std::unique_ptr<TGraphic> graphic_;
};
