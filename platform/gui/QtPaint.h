// Internal to the GUI layer: what lies behind the GDI handles (device contexts and GDI
// objects), the conversions between the layer's colours, fonts and text and Qt's, and the ways
// to make a device context or a canvas draw on a Qt image or paint device.
#pragma once

#include "platform/gui/Graphics.h"
#include "platform/gui/WinGdi.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRawFont>
#include <QRegion>
#include <QString>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// ---------------------------------------------------------------------------------------------
// Text and colours.

// Windows-1252 bytes to Unicode and back (characters outside the code page become '?'); each
// byte is one QChar.
QString AnsiToQString(const std::string& text);
std::string QStringToAnsi(const QString& text);
// File paths are kept in the system's own bytes (as the environment and the file system hand
// them over), not as Windows-1252 text, so a name chosen in a file dialog opens the very file
// the dialog listed, whatever letters it holds.
QString PathToQString(const std::string& path);
std::string QStringToPath(const QString& path);
QColor ToQColor(COLORREF color);
// The colour with system colours resolved (clNone and clDefault as ColorToRGB gives them).
QColor TColorToQColor(TColor color);
COLORREF FromQColor(const QColor& color);

// The Qt font for a logical font whose character height is emPixels device pixels (hinting
// off; antialiasing as asked).
QFont MakeQFont(const LOGFONT& font, int emPixels, bool antialias);
// The Qt font of a TFont at 96 pixels per inch, for Qt's own controls.
QFont TFontToQFont(TFont& font);

// A logical font made real at a device size: the Qt font, the GDI text metrics and the advance
// of each of the 256 characters in whole device pixels (GDI places every glyph at a whole pixel).
// Raw and Glyph let text be drawn as runs of glyphs at those positions; Raw is invalid for a
// stretched font, and Glyph is 0 for a character without a glyph of its own in the font (text
// with one is drawn character by character, so a fallback font shows it).
struct TRealizedFont {
    QFont Font;
    TEXTMETRIC Metrics;
    std::array<int, 256> Advance{};
    QRawFont Raw;
    std::array<quint32, 256> Glyph{};
    int UnderlinePos = 0; // below the baseline
    int StrikeOutPos = 0; // above the baseline
    int LineWidth = 1;
};
// deviceHeight is the font height in device pixels with the LOGFONT sign rule (negative:
// character height, positive: cell height, 0: the default size at dpiY); font.lfWidth, when
// above 0, is the average character width in device pixels. Results are cached.
const TRealizedFont& RealizeFont(const LOGFONT& font, int deviceHeight, int dpiY, bool antialias);

// ---------------------------------------------------------------------------------------------
// GDI objects.

struct TGdiObject {
    enum class TKind { Pen, Brush, Font, Bitmap };
    TKind Kind = TKind::Pen;
    bool Stock = false;
    LOGPEN Pen;
    LOGBRUSH Brush;
    QImage Pattern; // 8 x 8 pattern of a pattern brush
    bool PatternMonochrome = false;
    LOGFONT Font;
    QImage Image; // a bitmap's pixels (RGB32)
    bool Monochrome = false;
    HDC SelectedIn = nullptr; // the memory context a bitmap is selected into
};

// The largest bitmap the layer makes, in pixels (a gigabyte of 32-bit pixels).
constexpr Int64 MaxBitmapPixels = Int64(1) << 28;

// The live GDI object behind a handle of the wanted kind, or nullptr.
TGdiObject* GdiObject(HGDIOBJ handle, TGdiObject::TKind kind);

// ---------------------------------------------------------------------------------------------
// Device contexts.

// What a device context knows of its device.
struct TDeviceInfo {
    int Technology = DT_RASDISPLAY;
    int DpiX = 96;
    int DpiY = 96;
    int Width = 0;  // printable width in device pixels
    int Height = 0; // printable height in device pixels
    int PhysicalWidth = 0;
    int PhysicalHeight = 0;
    int OffsetX = 0;
    int OffsetY = 0;
    int BitsPixel = 32;
};

// The attributes SaveDC keeps.
struct TDcState {
    LOGPEN Pen;
    HPEN PenHandle = nullptr;
    LOGBRUSH Brush;
    QImage Pattern;
    bool PatternMonochrome = false;
    HBRUSH BrushHandle = nullptr;
    LOGFONT Font;
    HFONT FontHandle = nullptr;
    COLORREF TextColor = 0;
    COLORREF BkColor = 0xFFFFFF;
    int BkMode = OPAQUE;
    int Rop2 = R2_COPYPEN;
    UINT TextAlign = TA_LEFT | TA_TOP;
    int CharExtra = 0;
    int JustifyExtra = 0;
    int JustifyCount = 0;
    int PolyFillMode = ALTERNATE;
    int StretchMode = BLACKONWHITE;
    int MapMode = MM_TEXT;
    TPoint WindowOrg;
    TSize WindowExt{1, 1};
    TPoint ViewportOrg;
    TSize ViewportExt{1, 1};
    bool Clipped = false;
    QRegion Clip; // device coordinates, when Clipped
    TPoint Position;
    HBITMAP Bitmap = nullptr;
};

struct TPrintJob;

// Where a device context draws: an image (pixel-exact, every operation), or a painter kept by a
// printer backend for the open page (vector output), or nothing (an information context).
struct TDeviceContext {
    TDeviceInfo Info;
    TDcState State;
    std::vector<TDcState> Saved;
    QImage* Image = nullptr;     // the pixels drawn on, when drawing on an image
    QPainter* Painter = nullptr; // the open page's painter of a printer
    bool Memory = false;         // a memory context: Image follows the selected bitmap
    // Printer contexts: the document and page calls go to this object (WinSpool.cpp).
    std::shared_ptr<TPrintJob> Job;
    // Told of every text output with the position as passed (the current position when the
    // alignment asks for it), before the text is drawn; the recording test printer uses it.
    std::function<void(TDeviceContext& dc, int x, int y, const std::string& text)> OnText;
    // Told of each drawing call made on the context, before it draws: its name ("DrawText",
    // "ExtTextOut", "Rectangle", ...), its arguments as passed and its text. Only the outermost
    // call is told (CallDepth counts the calls under way); the recording canvas uses it.
    std::function<void(const TDeviceContext& dc, const char* name, const std::vector<int>& args,
                       const std::string& text)>
        OnCall;
    int CallDepth = 0;
};

// A context drawing on an image the caller owns (the image must outlive the context or be
// released with SetDCImage(dc, nullptr)). The resolution is 96 pixels per inch.
HDC CreateImageDC(QImage* image);
// Points an image context at another image (nullptr: draws nothing). A printer context keeps
// the size of its page; only its drawing goes to the image.
void SetDCImage(HDC dc, QImage* image);
// The context behind a handle when it is live, else nullptr.
TDeviceContext* DeviceContext(HDC dc);
// A context that draws through a painter (printer pages); info gives the device metrics.
HDC CreatePainterDC(const TDeviceInfo& info);
void SetDCPainter(HDC dc, QPainter* painter);
// Runs draw with an aliased painter on the context's target (image or open page), clipped to the
// context's clip region, in device coordinates; false when the context draws nowhere.
bool PaintOnDC(HDC dc, const std::function<void(QPainter&)>& draw);
// A logical rectangle of the context in device pixels (ordered).
TRect LogicalToDeviceRect(HDC dc, const TRect& r);

// A canvas drawing on an image the caller owns (for example a control's back buffer). The
// canvas keeps its font, pen, brush and context settings when it is pointed at another image.
class TImageCanvas : public TCanvas {
public:
    explicit TImageCanvas(QImage* image = nullptr);
    ~TImageCanvas() override;
    // nullptr: the canvas draws nothing until it gets an image again.
    void SetImage(QImage* image);
    QImage* Image() const { return image_; }

private:
    QImage* image_ = nullptr;
    HDC dc_ = nullptr;
};
