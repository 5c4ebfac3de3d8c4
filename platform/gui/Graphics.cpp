#include "platform/gui/Graphics.h"

#include "platform/gui/QtApp.h"
#include "platform/gui/QtPaint.h"
#include "platform/rtl/Strings.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <QPaintEngine>
#include <QPainterPath>
#include <QPicture>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>

// ---------------------------------------------------------------------------------------------
// Colours.

COLORREF ColorToRGB(TColor color) {
    if (color == clNone) return 0;
    if (color == clDefault) return GetSysColor(COLOR_WINDOW);
    if (color < 0) return GetSysColor(color & 0xFF);
    return static_cast<COLORREF>(color) & 0xFFFFFF;
}

// ---------------------------------------------------------------------------------------------
// Fonts, pens and brushes.

void TGraphicsObject::Changed() {
    FreeHandle();
    Touched();
}

void TGraphicsObject::Touched() {
    ++generation_;
    if (OnChange) OnChange(this);
}

TFont::~TFont() {
    FreeHandle();
}

void TFont::FreeHandle() {
    if (handle_) DeleteObject(handle_);
    handle_ = nullptr;
}

void TFont::Assign(TPersistent* Source) {
    auto* f = dynamic_cast<TFont*>(Source);
    if (!f) {
        TPersistent::Assign(Source);
        return;
    }
    if (f == this) return;
    name_ = f->name_;
    height_ = f->height_;
    color_ = f->color_;
    style_ = f->style_;
    pitch_ = f->pitch_;
    charSet_ = f->charSet_;
    escapement_ = f->escapement_;
    Changed();
}

void TFont::SetName(const std::string& name) {
    if (name.empty() || name == name_) return;
    name_ = name.substr(0, 31);
    Changed();
}

int TFont::Size() const {
    // -Height * 72 / PixelsPerInch, rounded half away from zero.
    double points = -height_ * 72.0 / pixelsPerInch_;
    return static_cast<int>(std::lround(points));
}

void TFont::SetSize(int points) {
    SetHeight(-static_cast<int>(std::lround(points * static_cast<double>(pixelsPerInch_) / 72.0)));
}

void TFont::SetHeight(int height) {
    if (height == height_) return;
    height_ = height;
    Changed();
}

void TFont::SetColor(TColor color) {
    if (color == color_) return;
    color_ = color;
    // The colour is not part of the GDI font; the handle stays.
    Touched();
}

void TFont::SetStyle(TFontStyles style) {
    if (style == style_) return;
    style_ = style;
    Changed();
}

void TFont::SetPitch(TFontPitch pitch) {
    if (pitch == pitch_) return;
    pitch_ = pitch;
    Changed();
}

void TFont::SetCharSet(TFontCharset charSet) {
    if (charSet == charSet_) return;
    charSet_ = charSet;
    Changed();
}

void TFont::SetEscapement(int tenths) {
    if (tenths == escapement_) return;
    escapement_ = tenths;
    Changed();
}

LOGFONT TFont::LogFont() const {
    LOGFONT lf;
    lf.lfHeight = height_;
    lf.lfEscapement = escapement_;
    lf.lfOrientation = escapement_;
    lf.lfWeight = style_.Contains(fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = style_.Contains(fsItalic) ? 1 : 0;
    lf.lfUnderline = style_.Contains(fsUnderline) ? 1 : 0;
    lf.lfStrikeOut = style_.Contains(fsStrikeOut) ? 1 : 0;
    lf.lfCharSet = charSet_;
    lf.lfPitchAndFamily = pitch_ == fpFixed      ? FIXED_PITCH
                          : pitch_ == fpVariable ? VARIABLE_PITCH
                                                 : DEFAULT_PITCH;
    lf.lfFaceName = name_;
    return lf;
}

HFONT TFont::Handle() {
    if (!handle_) handle_ = CreateFontIndirect(LogFont());
    return handle_;
}

void TFont::SetHandle(HFONT font) {
    LOGFONT lf;
    if (!GetObject(font, lf)) return;
    FreeHandle();
    name_ = lf.lfFaceName;
    height_ = lf.lfHeight;
    escapement_ = lf.lfEscapement;
    style_ = TFontStyles();
    if (lf.lfWeight >= 600) style_.Include(fsBold);
    if (lf.lfItalic) style_.Include(fsItalic);
    if (lf.lfUnderline) style_.Include(fsUnderline);
    if (lf.lfStrikeOut) style_.Include(fsStrikeOut);
    charSet_ = lf.lfCharSet;
    Byte pitch = lf.lfPitchAndFamily & 3;
    pitch_ = pitch == FIXED_PITCH ? fpFixed : pitch == VARIABLE_PITCH ? fpVariable : fpDefault;
    handle_ = font;
    Touched();
}

TPen::~TPen() {
    FreeHandle();
}

void TPen::FreeHandle() {
    if (handle_) DeleteObject(handle_);
    handle_ = nullptr;
}

void TPen::Assign(TPersistent* Source) {
    auto* p = dynamic_cast<TPen*>(Source);
    if (!p) {
        TPersistent::Assign(Source);
        return;
    }
    if (p == this) return;
    color_ = p->color_;
    style_ = p->style_;
    mode_ = p->mode_;
    width_ = p->width_;
    Changed();
}

void TPen::SetColor(TColor color) {
    if (color == color_) return;
    color_ = color;
    Changed();
}

void TPen::SetStyle(TPenStyle style) {
    if (style == style_) return;
    style_ = style;
    Changed();
}

void TPen::SetMode(TPenMode mode) {
    if (mode == mode_) return;
    mode_ = mode;
    Touched();
}

void TPen::SetWidth(int width) {
    if (width < 0 || width == width_) return;
    width_ = width;
    Changed();
}

HPEN TPen::Handle() {
    if (!handle_) handle_ = CreatePen(static_cast<UINT>(style_), width_, ColorToRGB(color_));
    return handle_;
}

TBrush::TBrush() = default;

TBrush::~TBrush() {
    FreeHandle();
}

void TBrush::FreeHandle() {
    if (handle_) DeleteObject(handle_);
    handle_ = nullptr;
}

void TBrush::Assign(TPersistent* Source) {
    auto* b = dynamic_cast<TBrush*>(Source);
    if (!b) {
        TPersistent::Assign(Source);
        return;
    }
    if (b == this) return;
    color_ = b->color_;
    style_ = b->style_;
    SetBitmap(b->bitmap_.get());
    Changed();
}

void TBrush::SetColor(TColor color) {
    if (color == color_ && style_ != bsClear) return;
    color_ = color;
    if (style_ == bsClear) style_ = bsSolid;
    Changed();
}

void TBrush::SetStyle(TBrushStyle style) {
    if (style == style_) return;
    style_ = style;
    Changed();
}

void TBrush::SetBitmap(const TBitmap* bitmap) {
    if (bitmap) {
        bitmap_ = std::make_unique<TBitmap>();
        bitmap_->Assign(const_cast<TBitmap*>(bitmap));
    } else {
        bitmap_.reset();
    }
    Changed();
}

HBRUSH TBrush::Handle() {
    if (handle_) return handle_;
    if (bitmap_ && !bitmap_->Empty()) {
        handle_ = CreatePatternBrush(bitmap_->Handle());
    } else {
        switch (style_) {
        case bsSolid: handle_ = CreateSolidBrush(ColorToRGB(color_)); break;
        case bsClear: handle_ = CreateBrushIndirect(LOGBRUSH{BS_NULL, 0, 0}); break;
        default:
            handle_ = CreateHatchBrush(static_cast<int>(style_) - bsHorizontal, ColorToRGB(color_));
        }
    }
    return handle_;
}

// ---------------------------------------------------------------------------------------------
// The canvas.

namespace {
int Rop2OfMode(TPenMode mode) {
    static const int rop2[] = {R2_BLACK,       R2_WHITE,      R2_NOP,         R2_NOT,
                               R2_COPYPEN,     R2_NOTCOPYPEN, R2_MERGEPENNOT, R2_MASKPENNOT,
                               R2_MERGENOTPEN, R2_MASKNOTPEN, R2_MERGEPEN,    R2_NOTMERGEPEN,
                               R2_MASKPEN,     R2_NOTMASKPEN, R2_XORPEN,      R2_NOTXORPEN};
    return rop2[static_cast<int>(mode)];
}
} // namespace

TCanvas::TCanvas() = default;

TCanvas::~TCanvas() = default;

HDC TCanvas::Handle() {
    return Prepare({TNeed::Font, TNeed::Pen, TNeed::Brush});
}

HDC TCanvas::RawHandle() {
    if (!dc_) CreateHandle();
    if (!dc_) throw EInvalidOperation("Canvas does not allow drawing");
    return dc_;
}

void TCanvas::SetHandle(HDC dc) {
    dc_ = dc;
    fontSelected_ = penSelected_ = brushSelected_ = TSelected{};
}

HDC TCanvas::Prepare(std::initializer_list<TNeed> needs) {
    HDC dc = RawHandle();
    auto stale = [](TSelected& selected, const TGraphicsObject& object) {
        if (selected.Valid && selected.Generation == object.Generation()) return false;
        selected = {true, object.Generation()};
        return true;
    };
    for (TNeed need : needs) {
        switch (need) {
        case TNeed::Font:
            if (!stale(fontSelected_, font_)) break;
            SelectObject(dc, font_.Handle());
            SetTextColor(dc, ColorToRGB(font_.Color()));
            break;
        case TNeed::Pen:
            if (!stale(penSelected_, pen_)) break;
            SelectObject(dc, pen_.Handle());
            SetROP2(dc, Rop2OfMode(pen_.Mode()));
            break;
        case TNeed::Brush:
            if (!stale(brushSelected_, brush_)) break;
            SelectObject(dc, brush_.Handle());
            SetBkColor(dc, ColorToRGB(brush_.Color()));
            SetBkMode(dc, brush_.Style() == bsSolid ? OPAQUE : TRANSPARENT);
            break;
        }
    }
    return dc;
}

TPoint TCanvas::PenPos() {
    TPoint p;
    GetCurrentPositionEx(RawHandle(), &p);
    return p;
}

void TCanvas::SetPenPos(TPoint p) {
    MoveToEx(RawHandle(), p.X, p.Y, nullptr);
}

TRect TCanvas::ClipRect() {
    TRect r;
    GetClipBox(RawHandle(), &r);
    return r;
}

void TCanvas::Refresh() {
    if (!dc_) return;
    SelectObject(dc_, GetStockObject(BLACK_PEN));
    SelectObject(dc_, GetStockObject(WHITE_BRUSH));
    SelectObject(dc_, GetStockObject(SYSTEM_FONT));
    fontSelected_ = penSelected_ = brushSelected_ = TSelected{};
}

void TCanvas::MoveTo(int x, int y) {
    MoveToEx(RawHandle(), x, y, nullptr);
}

void TCanvas::LineTo(int x, int y) {
    ::LineTo(Prepare({TNeed::Pen, TNeed::Brush}), x, y);
}

void TCanvas::Rectangle(int x1, int y1, int x2, int y2) {
    ::Rectangle(Prepare({TNeed::Pen, TNeed::Brush}), x1, y1, x2, y2);
}

void TCanvas::FillRect(const TRect& r) {
    ::FillRect(Prepare({TNeed::Brush}), &r, brush_.Handle());
}

void TCanvas::FrameRect(const TRect& r) {
    ::FrameRect(Prepare({TNeed::Brush}), &r, brush_.Handle());
}

void TCanvas::Ellipse(int x1, int y1, int x2, int y2) {
    ::Ellipse(Prepare({TNeed::Pen, TNeed::Brush}), x1, y1, x2, y2);
}

void TCanvas::RoundRect(int x1, int y1, int x2, int y2, int x3, int y3) {
    ::RoundRect(Prepare({TNeed::Pen, TNeed::Brush}), x1, y1, x2, y2, x3, y3);
}

void TCanvas::Polygon(const std::vector<TPoint>& points) {
    ::Polygon(Prepare({TNeed::Pen, TNeed::Brush}), points.data(), static_cast<int>(points.size()));
}

void TCanvas::Polyline(const std::vector<TPoint>& points) {
    ::Polyline(Prepare({TNeed::Pen, TNeed::Brush}), points.data(), static_cast<int>(points.size()));
}

void TCanvas::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    ::Arc(Prepare({TNeed::Pen, TNeed::Brush}), x1, y1, x2, y2, x3, y3, x4, y4);
}

void TCanvas::Chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    ::Chord(Prepare({TNeed::Pen, TNeed::Brush}), x1, y1, x2, y2, x3, y3, x4, y4);
}

void TCanvas::Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    ::Pie(Prepare({TNeed::Pen, TNeed::Brush}), x1, y1, x2, y2, x3, y3, x4, y4);
}

void TCanvas::FloodFill(int x, int y, TColor color, TFillStyle style) {
    ExtFloodFill(Prepare({TNeed::Brush}), x, y, ColorToRGB(color),
                 style == fsSurface ? FLOODFILLSURFACE : FLOODFILLBORDER);
}

void TCanvas::DrawFocusRect(const TRect& r) {
    ::DrawFocusRect(Prepare({TNeed::Brush}), &r);
}

TColor TCanvas::Pixels(int x, int y) {
    COLORREF c = GetPixel(RawHandle(), x, y);
    return c == CLR_INVALID ? -1 : static_cast<TColor>(c);
}

void TCanvas::SetPixels(int x, int y, TColor color) {
    SetPixel(Prepare({TNeed::Pen}), x, y, ColorToRGB(color));
}

void TCanvas::TextOut(int x, int y, const std::string& text) {
    ::TextOut(Prepare({TNeed::Font, TNeed::Brush}), x, y, text);
}

void TCanvas::TextRect(const TRect& r, int x, int y, const std::string& text) {
    HDC dc = Prepare({TNeed::Font, TNeed::Brush});
    UINT options = ETO_CLIPPED | (brush_.Style() != bsClear ? UINT(ETO_OPAQUE) : 0u);
    ExtTextOut(dc, x, y, options, &r, text);
}

TSize TCanvas::TextExtent(const std::string& text) {
    TSize s;
    GetTextExtentPoint(Prepare({TNeed::Font}), text, &s);
    return s;
}

void TCanvas::Draw(int x, int y, TGraphic* graphic) {
    if (!graphic || graphic->Empty()) return;
    graphic->Draw(*this, Rect(x, y, x + graphic->Width(), y + graphic->Height()));
}

void TCanvas::StretchDraw(const TRect& r, TGraphic* graphic) {
    if (graphic && !graphic->Empty()) graphic->Draw(*this, r);
}

void TCanvas::CopyRect(const TRect& dest, TCanvas* canvas, const TRect& source) {
    if (!canvas) return;
    StretchBlt(Prepare({TNeed::Brush}), dest.Left, dest.Top, dest.Width(), dest.Height(),
               canvas->Handle(), source.Left, source.Top, source.Width(), source.Height(),
               static_cast<DWORD>(copyMode_));
}

void TCanvas::BrushCopy(const TRect& dest, TBitmap* bitmap, const TRect& source, TColor color) {
    if (!bitmap || bitmap->Empty()) return;
    // The source part with the given colour replaced by the brush colour, then copied.
    TBitmap part;
    part.SetSize(std::abs(source.Width()), std::abs(source.Height()));
    BitBlt(part.Canvas()->Handle(), 0, 0, part.Width(), part.Height(), bitmap->Canvas()->Handle(),
           source.Left, source.Top, SRCCOPY);
    TGdiObject* o = GdiObject(part.Handle(), TGdiObject::TKind::Bitmap);
    QRgb key = ToQColor(ColorToRGB(color)).rgb() | 0xFF000000;
    QRgb fill = TColorToQColor(brush_.Color()).rgb();
    for (int y = 0; y < o->Image.height(); ++y)
        for (int x = 0; x < o->Image.width(); ++x)
            if ((o->Image.pixel(x, y) | 0xFF000000) == key) o->Image.setPixel(x, y, fill);
    StretchBlt(Handle(), dest.Left, dest.Top, dest.Width(), dest.Height(), part.Canvas()->Handle(),
               0, 0, part.Width(), part.Height(), SRCCOPY);
}

// ---------------------------------------------------------------------------------------------
// Graphics.

namespace {
std::vector<Byte> ReadAll(TStream& stream, Int64 count) {
    if (count < 0 || count > stream.Size() - stream.Position() || count > INT32_MAX)
        throw EInvalidGraphic("Invalid graphic format");
    std::vector<Byte> bytes(static_cast<std::size_t>(count));
    if (count > 0) stream.ReadBuffer(bytes.data(), static_cast<LongInt>(count));
    return bytes;
}

void WriteAll(TStream& stream, const QByteArray& bytes) {
    if (!bytes.isEmpty()) stream.WriteBuffer(bytes.constData(), static_cast<LongInt>(bytes.size()));
}
} // namespace

void TGraphic::SetTransparent(bool transparent) {
    if (transparent == transparent_) return;
    transparent_ = transparent;
    Changed();
}

void TGraphic::Changed() {
    if (OnChange) OnChange(this);
}

void TGraphic::LoadFromFile(const std::string& fileName) {
    TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(stream);
}

void TGraphic::SaveToFile(const std::string& fileName) const {
    TFileStream stream(fileName, fmCreate);
    SaveToStream(stream);
}

// The canvas of a bitmap: a memory context holding the bitmap, made on first use.
class TBitmapCanvas : public TCanvas {
public:
    explicit TBitmapCanvas(TBitmap& bitmap) : bitmap_(bitmap) {}
    ~TBitmapCanvas() override {
        if (HandleAllocated()) {
            HDC dc = RawHandle();
            SetHandle(nullptr);
            DeleteDC(dc);
        }
    }

protected:
    void CreateHandle() override {
        HDC dc = CreateCompatibleDC(nullptr);
        SelectObject(dc, bitmap_.Handle());
        SetHandle(dc);
    }

private:
    TBitmap& bitmap_;
};

TBitmap::TBitmap() : handle_(CreateBitmap(0, 0, false)) {}

TBitmap::~TBitmap() {
    canvas_.reset();
    DeleteObject(handle_);
}

namespace {
QImage& ImageOf(HBITMAP handle) {
    return GdiObject(handle, TGdiObject::TKind::Bitmap)->Image;
}
} // namespace

void TBitmap::Assign(TPersistent* Source) {
    auto* b = dynamic_cast<TBitmap*>(Source);
    if (!b) {
        TPersistent::Assign(Source);
        return;
    }
    if (b == this) return;
    ImageOf(handle_) = ImageOf(b->handle_).copy();
    emptyWidth_ = b->emptyWidth_;
    emptyHeight_ = b->emptyHeight_;
    pixelFormat_ = b->pixelFormat_;
    GdiObject(handle_, TGdiObject::TKind::Bitmap)->Monochrome = b->Monochrome();
    transparentMode_ = b->transparentMode_;
    transparentColor_ = b->transparentColor_;
    SetTransparent(b->Transparent());
    Reselect();
    Changed();
}

std::unique_ptr<TGraphic> TBitmap::Clone() const {
    auto copy = std::make_unique<TBitmap>();
    copy->Assign(const_cast<TBitmap*>(this));
    return copy;
}

bool TBitmap::Empty() const {
    return ImageOf(handle_).isNull();
}
int TBitmap::Width() const {
    const QImage& image = ImageOf(handle_);
    return image.isNull() ? emptyWidth_ : image.width();
}
int TBitmap::Height() const {
    const QImage& image = ImageOf(handle_);
    return image.isNull() ? emptyHeight_ : image.height();
}
void TBitmap::SetWidth(int width) {
    SetSize(width, Height());
}
void TBitmap::SetHeight(int height) {
    SetSize(Width(), height);
}

void TBitmap::SetSize(int width, int height) {
    width = std::clamp(width, 0, 32767);
    height = std::clamp(height, 0, 32767);
    if (width == Width() && height == Height()) return;
    if (static_cast<Int64>(width) * height > MaxBitmapPixels)
        throw EOutOfMemory("Out of system resources");
    QImage& image = ImageOf(handle_);
    QImage resized;
    if (width > 0 && height > 0) {
        resized = QImage(width, height, QImage::Format_RGB32);
        if (resized.isNull()) throw EOutOfMemory("Out of system resources");
        resized.fill(Qt::white);
        // The old pixels stay where they were.
        for (int y = 0; y < std::min(height, image.height()); ++y)
            std::copy_n(reinterpret_cast<const QRgb*>(image.constScanLine(y)),
                        std::min(width, image.width()),
                        reinterpret_cast<QRgb*>(resized.scanLine(y)));
    }
    image = resized;
    emptyWidth_ = resized.isNull() ? width : 0;
    emptyHeight_ = resized.isNull() ? height : 0;
    Reselect();
    Changed();
}

void TBitmap::Reselect() {
    if (canvas_ && canvas_->HandleAllocated()) SelectObject(canvas_->RawHandle(), handle_);
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
    if (format == pixelFormat_) return;
    pixelFormat_ = format;
    bool mono = format == pf1bit;
    GdiObject(handle_, TGdiObject::TKind::Bitmap)->Monochrome = mono;
    if (mono) {
        QImage& image = ImageOf(handle_);
        for (int y = 0; y < image.height(); ++y) {
            QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                line[x] = (line[x] | 0xFF000000) == 0xFFFFFFFF ? 0xFFFFFFFF : 0xFF000000;
        }
    }
    Reselect();
    Changed();
}

void TBitmap::SetMonochrome(bool monochrome) {
    if (monochrome != Monochrome()) SetPixelFormat(monochrome ? pf1bit : pfDevice);
}

TColor TBitmap::TransparentColor() const {
    if (transparentMode_ == tmFixed && transparentColor_ != clDefault) return transparentColor_;
    const QImage& image = ImageOf(handle_);
    if (image.isNull()) return clDefault;
    QRgb c = image.pixel(0, image.height() - 1);
    return static_cast<TColor>(
        RGB(static_cast<Byte>(qRed(c)), static_cast<Byte>(qGreen(c)), static_cast<Byte>(qBlue(c))));
}

void TBitmap::SetTransparentColor(TColor color) {
    transparentColor_ = color;
    transparentMode_ = color == clDefault ? tmAuto : tmFixed;
    Changed();
}

void TBitmap::Mask(TColor transparentColor) {
    QImage& image = ImageOf(handle_);
    QRgb key = ToQColor(ColorToRGB(transparentColor)).rgb() | 0xFF000000;
    for (int y = 0; y < image.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            line[x] = (line[x] | 0xFF000000) == key ? 0xFFFFFFFF : 0xFF000000;
    }
    pixelFormat_ = pf1bit;
    GdiObject(handle_, TGdiObject::TKind::Bitmap)->Monochrome = true;
    Reselect();
    Changed();
}

TCanvas* TBitmap::Canvas() {
    if (!canvas_) canvas_ = std::make_unique<TBitmapCanvas>(*this);
    return canvas_.get();
}

HBITMAP TBitmap::Handle() {
    return handle_;
}

void TBitmap::LoadFromStream(TStream& stream) {
    // The file header gives the size of the whole file.
    Int64 start = stream.Position();
    std::vector<Byte> header = ReadAll(stream, 14);
    if (header[0] != 'B' || header[1] != 'M') throw EInvalidGraphic("Bitmap image is not valid");
    Int64 size = GetLE<LongWord>(header, 2);
    if (size < 14 + 12) throw EInvalidGraphic("Bitmap image is not valid");
    std::vector<Byte> rest = ReadAll(stream, size - 14);
    QByteArray bytes(reinterpret_cast<const char*>(header.data()), 14);
    bytes.append(reinterpret_cast<const char*>(rest.data()), static_cast<qsizetype>(rest.size()));
    QImage image;
    EnsureQtApp();
    if (!image.loadFromData(bytes, "BMP") ||
        static_cast<Int64>(image.width()) * image.height() > MaxBitmapPixels) {
        stream.SetPosition(start);
        throw EInvalidGraphic("Bitmap image is not valid");
    }
    bool mono = image.depth() == 1;
    ImageOf(handle_) = image.convertToFormat(QImage::Format_RGB32);
    pixelFormat_ = mono                 ? pf1bit
                   : image.depth() == 4 ? pf4bit
                   : image.depth() == 8 ? pf8bit
                                        : pf24bit;
    GdiObject(handle_, TGdiObject::TKind::Bitmap)->Monochrome = mono;
    Reselect();
    Changed();
}

void TBitmap::SaveToStream(TStream& stream) const {
    const QImage& image = ImageOf(handle_);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImage out = Monochrome() ? image.convertToFormat(QImage::Format_Mono)
                              : image.convertToFormat(QImage::Format_RGB888);
    if (image.isNull() || !out.save(&buffer, "BMP"))
        throw EInvalidGraphic("Cannot save an empty bitmap");
    WriteAll(stream, bytes);
}

void TBitmap::Draw(TCanvas& canvas, const TRect& r) {
    if (Empty()) return;
    HDC dc = canvas.Handle();
    if (!Transparent()) {
        StretchBlt(dc, r.Left, r.Top, r.Width(), r.Height(), Canvas()->Handle(), 0, 0, Width(),
                   Height(), static_cast<DWORD>(canvas.CopyMode()));
        return;
    }
    // Transparent: the pixels of the transparent colour are left out.
    QImage image = ImageOf(handle_).convertToFormat(QImage::Format_ARGB32);
    QRgb key = ToQColor(ColorToRGB(TransparentColor())).rgb() | 0xFF000000;
    for (int y = 0; y < image.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if ((line[x] | 0xFF000000) == key) line[x] = 0;
    }
    TRect d = LogicalToDeviceRect(dc, r);
    PaintOnDC(
        dc, [&](QPainter& p) { p.drawImage(QRect(d.Left, d.Top, d.Width(), d.Height()), image); });
}

// ---------------------------------------------------------------------------------------------
// Icons.

TIcon::TIcon() : handle_(CreateBitmap(0, 0, false)) {}

TIcon::~TIcon() {
    DeleteObject(handle_);
}

std::unique_ptr<TGraphic> TIcon::Clone() const {
    auto copy = std::make_unique<TIcon>();
    ImageOf(copy->handle_) = ImageOf(handle_).copy();
    return copy;
}

bool TIcon::Empty() const {
    return ImageOf(handle_).isNull();
}
int TIcon::Width() const {
    return ImageOf(handle_).width();
}
int TIcon::Height() const {
    return ImageOf(handle_).height();
}

void TIcon::SetWidth(int) {
    throw EInvalidGraphicOperation("Cannot change the size of an icon");
}
void TIcon::SetHeight(int) {
    throw EInvalidGraphicOperation("Cannot change the size of an icon");
}

void TIcon::LoadFromStream(TStream& stream) {
    // The directory gives the extent of the file: the end of its furthest image.
    Int64 start = stream.Position();
    std::vector<Byte> head = ReadAll(stream, 6);
    Word count = GetLE<Word>(head, 4);
    if (GetLE<Word>(head, 0) != 0 || GetLE<Word>(head, 2) != 1 || count == 0)
        throw EInvalidGraphic("Icon image is not valid");
    std::vector<Byte> dir = ReadAll(stream, 16 * static_cast<Int64>(count));
    Int64 end = 6 + 16 * static_cast<Int64>(count);
    for (Word i = 0; i < count; ++i) {
        Int64 size = GetLE<LongWord>(dir, 16u * i + 8), offset = GetLE<LongWord>(dir, 16u * i + 12);
        end = std::max(end, size + offset);
    }
    std::vector<Byte> rest = ReadAll(stream, end - 6 - 16 * static_cast<Int64>(count));
    QByteArray bytes(reinterpret_cast<const char*>(head.data()), 6);
    bytes.append(reinterpret_cast<const char*>(dir.data()), static_cast<qsizetype>(dir.size()));
    bytes.append(reinterpret_cast<const char*>(rest.data()), static_cast<qsizetype>(rest.size()));
    EnsureQtApp();
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer, "ICO");
    QImage best;
    do {
        QImage image = reader.read();
        if (!image.isNull() && image.width() * image.height() > best.width() * best.height())
            best = image;
    } while (reader.jumpToNextImage());
    if (best.isNull()) {
        stream.SetPosition(start);
        throw EInvalidGraphic("Icon image is not valid");
    }
    ImageOf(handle_) = best.convertToFormat(QImage::Format_ARGB32);
    Changed();
}

void TIcon::SaveToStream(TStream& stream) const {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EnsureQtApp();
    if (Empty() || !ImageOf(handle_).save(&buffer, "ICO"))
        throw EInvalidGraphic("Cannot save an empty icon");
    WriteAll(stream, bytes);
}

void TIcon::Draw(TCanvas& canvas, const TRect& r) {
    if (Empty()) return;
    HDC dc = canvas.Handle();
    TRect d = LogicalToDeviceRect(dc, r);
    const QImage& image = ImageOf(handle_);
    PaintOnDC(
        dc, [&](QPainter& p) { p.drawImage(QRect(d.Left, d.Top, d.Width(), d.Height()), image); });
}

// ---------------------------------------------------------------------------------------------
// Metafiles: the saved form is "VPMF", the width and height (longints) and the length-prefixed
// recording of the drawing.

namespace {
constexpr char kMetafileTag[4] = {'V', 'P', 'M', 'F'};

// A device that plays a recording without drawing anything, to check that every path, point,
// pen, font and transformation in it can be drawn: a recording read from a stream may hold path
// elements of no known kind or numbers that are not finite, which would make drawing it never
// end.
class TRecordingCheck : public QPaintDevice {
public:
    // True when the recording is well formed and everything in it can be drawn.
    static bool Drawable(const std::vector<Byte>& data) {
        QPicture picture;
        picture.setData(reinterpret_cast<const char*>(data.data()), static_cast<uint>(data.size()));
        TRecordingCheck device;
        QPainter painter;
        if (!painter.begin(&device)) return false;
        bool played = false;
        try {
            played = picture.play(&painter);
        } catch (const std::bad_alloc&) {
            // A length in the recording asked for more memory than there is.
        }
        painter.end();
        return played && device.engine_.sound;
    }

    QPaintEngine* paintEngine() const override { return &engine_; }

protected:
    int metric(PaintDeviceMetric metric) const override {
        switch (metric) {
        case PdmWidth:
        case PdmHeight:
        case PdmWidthMM:
        case PdmHeightMM: return 1000;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY: return 96;
        case PdmDepth: return 32;
        case PdmNumColors: return 0;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return static_cast<int>(devicePixelRatioFScale());
        default: return 0;
        }
    }

private:
    class TEngine : public QPaintEngine {
    public:
        TEngine() : QPaintEngine(AllFeatures) {}
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        Type type() const override { return User; }
        void updateState(const QPaintEngineState& state) override {
            if (state.state() & DirtyPen) Check(state.pen().widthF() <= Largest);
            if (state.state() & DirtyFont)
                Check(state.font().pixelSize() <= Largest && state.font().pointSizeF() <= Largest);
            if (state.state() & DirtyTransform) {
                const QTransform t = state.transform();
                for (qreal v : {t.m11(), t.m12(), t.m13(), t.m21(), t.m22(), t.m23(), t.m31(),
                                t.m32(), t.m33()})
                    Check(std::isfinite(v));
            }
        }
        void drawPath(const QPainterPath& path) override {
            for (int i = 0; i < path.elementCount(); ++i) {
                const QPainterPath::Element& e = path.elementAt(i);
                // The kind is read as the number stored: it may be none of the kinds.
                std::underlying_type_t<QPainterPath::ElementType> kind;
                static_assert(sizeof kind == sizeof e.type);
                std::memcpy(&kind, &e.type, sizeof kind);
                Check(kind >= QPainterPath::MoveToElement &&
                      kind <= QPainterPath::CurveToDataElement);
                Check(Finite(QPointF(e.x, e.y)));
            }
        }
        void drawPolygon(const QPointF* points, int count, PolygonDrawMode) override {
            for (int i = 0; i < count; ++i)
                Check(Finite(points[i]));
        }
        void drawPixmap(const QRectF& r, const QPixmap&, const QRectF&) override {
            Check(Finite(r.topLeft()) && Finite(r.bottomRight()));
        }
        void drawTextItem(const QPointF& p, const QTextItem&) override { Check(Finite(p)); }

        bool sound = true;

    private:
        // Beyond any pen or font a page shows (fonts are realised up to 8192 pixels).
        static constexpr qreal Largest = 1e6;
        static bool Finite(const QPointF& p) {
            return std::isfinite(p.x()) && std::isfinite(p.y());
        }
        void Check(bool condition) { sound = sound && condition; }
    };
    mutable TEngine engine_;
};
} // namespace

// A canvas whose drawing goes into a metafile's recording.
class TMetafileCanvas : public TCanvas {
public:
    explicit TMetafileCanvas(TMetafile& metafile) : metafile_(metafile) {
        painter_.begin(&picture_);
        TDeviceInfo info;
        info.Width = metafile.Width();
        info.Height = metafile.Height();
        dc_ = CreatePainterDC(info);
        SetDCPainter(dc_, &painter_);
        SetHandle(dc_);
    }
    ~TMetafileCanvas() override {
        SetHandle(nullptr);
        DeleteDC(dc_);
        painter_.end();
        const char* data = picture_.data();
        metafile_.data_.assign(data, data + picture_.size());
        metafile_.Changed();
    }

private:
    TMetafile& metafile_;
    QPicture picture_;
    QPainter painter_;
    HDC dc_ = nullptr;
};

TMetafile::TMetafile() = default;
TMetafile::~TMetafile() = default;

std::unique_ptr<TGraphic> TMetafile::Clone() const {
    auto copy = std::make_unique<TMetafile>();
    copy->width_ = width_;
    copy->height_ = height_;
    copy->data_ = data_;
    return copy;
}

bool TMetafile::Empty() const {
    return data_.empty();
}

void TMetafile::SetWidth(int width) {
    width_ = std::max(0, width);
    Changed();
}

void TMetafile::SetHeight(int height) {
    height_ = std::max(0, height);
    Changed();
}

std::unique_ptr<TCanvas> TMetafile::CreateCanvas() {
    EnsureQtApp();
    return std::make_unique<TMetafileCanvas>(*this);
}

void TMetafile::LoadFromStream(TStream& stream) {
    std::vector<Byte> head = ReadAll(stream, 16);
    if (!std::equal(std::begin(kMetafileTag), std::end(kMetafileTag), head.begin()))
        throw EInvalidGraphic("Metafile is not valid");
    LongInt w = GetLE<LongInt>(head, 4), h = GetLE<LongInt>(head, 8);
    LongInt n = GetLE<LongInt>(head, 12);
    if (w < 0 || h < 0 || n < 0) throw EInvalidGraphic("Metafile is not valid");
    std::vector<Byte> data = ReadAll(stream, n);
    EnsureQtApp();
    if (!data.empty() && !TRecordingCheck::Drawable(data))
        throw EInvalidGraphic("Metafile is not valid");
    data_ = std::move(data);
    width_ = w;
    height_ = h;
    Changed();
}

void TMetafile::SaveToStream(TStream& stream) const {
    std::vector<Byte> head(16);
    std::copy(std::begin(kMetafileTag), std::end(kMetafileTag), head.begin());
    PutLE<LongInt>(head, 4, width_);
    PutLE<LongInt>(head, 8, height_);
    PutLE<LongInt>(head, 12, static_cast<LongInt>(data_.size()));
    stream.WriteBuffer(head.data(), 16);
    if (!data_.empty()) stream.WriteBuffer(data_.data(), static_cast<LongInt>(data_.size()));
}

void TMetafile::Draw(TCanvas& canvas, const TRect& r) {
    if (Empty() || width_ <= 0 || height_ <= 0) return;
    QPicture picture;
    picture.setData(reinterpret_cast<const char*>(data_.data()), static_cast<uint>(data_.size()));
    HDC dc = canvas.Handle();
    TRect d = LogicalToDeviceRect(dc, r);
    PaintOnDC(dc, [&](QPainter& p) {
        p.translate(d.Left, d.Top);
        p.scale(static_cast<double>(d.Width()) / width_, static_cast<double>(d.Height()) / height_);
        p.drawPicture(0, 0, picture);
    });
}

// ---------------------------------------------------------------------------------------------
// Pictures.

void TPicture::Changed() {
    if (OnChange) OnChange(this);
}

void TPicture::SetGraphic(const TGraphic* graphic) {
    graphic_ = graphic ? graphic->Clone() : nullptr;
    Changed();
}

void TPicture::Assign(TPersistent* Source) {
    if (!Source) {
        SetGraphic(nullptr);
    } else if (auto* p = dynamic_cast<TPicture*>(Source)) {
        if (p != this) SetGraphic(p->Graphic());
    } else if (auto* g = dynamic_cast<TGraphic*>(Source)) {
        SetGraphic(g);
    } else {
        TPersistent::Assign(Source);
    }
}

template <typename G>
G* TPicture::As() {
    if (!dynamic_cast<G*>(graphic_.get())) {
        graphic_ = std::make_unique<G>();
        Changed();
    }
    return static_cast<G*>(graphic_.get());
}

TBitmap* TPicture::Bitmap() {
    return As<TBitmap>();
}
TIcon* TPicture::Icon() {
    return As<TIcon>();
}
TMetafile* TPicture::Metafile() {
    return As<TMetafile>();
}

void TPicture::LoadFromFile(const std::string& fileName) {
    std::size_t dot = fileName.rfind('.');
    std::string ext = dot == std::string::npos ? "" : AnsiLowerCase(fileName.substr(dot + 1));
    std::unique_ptr<TGraphic> graphic;
    if (ext == "bmp")
        graphic = std::make_unique<TBitmap>();
    else if (ext == "ico")
        graphic = std::make_unique<TIcon>();
    else if (ext == "wmf" || ext == "emf")
        graphic = std::make_unique<TMetafile>();
    else
        throw EInvalidGraphic("Unknown picture file extension (.%s)", {ext});
    graphic->LoadFromFile(fileName);
    graphic_ = std::move(graphic);
    Changed();
}

void TPicture::SaveToFile(const std::string& fileName) const {
    if (graphic_) graphic_->SaveToFile(fileName);
}
