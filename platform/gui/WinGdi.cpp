#include "platform/gui/WinGdi.h"

#include "platform/gui/GdiPainting.h"
#include "platform/gui/QtApp.h"
#include "platform/gui/QtPaint.h"
#include "platform/rtl/Strings.h"

#include <QFontDatabase>
#include <QGlyphRun>
#include <QPainterPath>

#include <algorithm>
#include <array>
#include <cmath>
#include <deque>
#include <functional>
#include <map>
#include <type_traits>
#include <unordered_set>
#include <utility>

namespace {

constexpr std::array<COLORREF, SystemColorCount> kClassicPalette = {
    RGB(192, 192, 192), // scroll bar
    RGB(0, 128, 128),   // desktop
    RGB(0, 0, 128),     // active caption
    RGB(128, 128, 128), // inactive caption
    RGB(192, 192, 192), // menu
    RGB(255, 255, 255), // window
    RGB(0, 0, 0),       // window frame
    RGB(0, 0, 0),       // menu text
    RGB(0, 0, 0),       // window text
    RGB(255, 255, 255), // caption text
    RGB(192, 192, 192), // active border
    RGB(192, 192, 192), // inactive border
    RGB(128, 128, 128), // application workspace
    RGB(0, 0, 128),     // highlight
    RGB(255, 255, 255), // highlight text
    RGB(192, 192, 192), // button face
    RGB(128, 128, 128), // button shadow
    RGB(128, 128, 128), // grey text
    RGB(0, 0, 0),       // button text
    RGB(192, 192, 192), // inactive caption text
    RGB(255, 255, 255), // button highlight
    RGB(0, 0, 0),       // 3-D dark shadow
    RGB(223, 223, 223), // 3-D light
    RGB(0, 0, 0),       // tooltip text
    RGB(255, 255, 225), // tooltip background
};

} // namespace

// ---------------------------------------------------------------------------------------------
// Objects.

COLORREF GetSysColor(int index) {
    if (index < 0 || index >= SystemColorCount) return 0;
    return kClassicPalette[static_cast<std::size_t>(index)];
}

TGdiObject* GdiObject(HGDIOBJ handle, TGdiObject::TKind kind) {
    TGdiObject* o = LiveObject(handle);
    return o && o->Kind == kind ? o : nullptr;
}

HPEN CreatePen(UINT style, int width, COLORREF color) {
    return CreatePenIndirect(LOGPEN{style, {std::max(0, width), 0}, color & 0xFFFFFF});
}

HPEN CreatePenIndirect(const LOGPEN& pen) {
    TGdiObject* o = NewObject(TGdiObject::TKind::Pen);
    o->Pen = pen;
    if (o->Pen.lopnStyle > PS_INSIDEFRAME) o->Pen.lopnStyle = PS_SOLID;
    return o;
}

HBRUSH CreateSolidBrush(COLORREF color) {
    return CreateBrushIndirect(LOGBRUSH{BS_SOLID, color & 0xFFFFFF, 0});
}

HBRUSH CreateHatchBrush(int hatch, COLORREF color) {
    return CreateBrushIndirect(LOGBRUSH{BS_HATCHED, color & 0xFFFFFF, std::clamp(hatch, 0, 5)});
}

HBRUSH CreateBrushIndirect(const LOGBRUSH& brush) {
    TGdiObject* o = NewObject(TGdiObject::TKind::Brush);
    o->Brush = brush;
    if (o->Brush.lbStyle == BS_PATTERN || o->Brush.lbStyle > BS_HATCHED)
        o->Brush.lbStyle = BS_SOLID;
    return o;
}

HBRUSH CreatePatternBrush(HBITMAP bitmap) {
    TGdiObject* b = GdiObject(bitmap, TGdiObject::TKind::Bitmap);
    if (!b || b->Image.isNull()) return nullptr;
    TGdiObject* o = NewObject(TGdiObject::TKind::Brush);
    o->Brush = LOGBRUSH{BS_PATTERN, 0, 0};
    o->Pattern = b->Image.copy(0, 0, std::min(8, b->Image.width()), std::min(8, b->Image.height()));
    o->PatternMonochrome = b->Monochrome;
    return o;
}

HFONT CreateFontIndirect(const LOGFONT& font) {
    TGdiObject* o = NewObject(TGdiObject::TKind::Font);
    o->Font = font;
    if (o->Font.lfFaceName.size() > 31) o->Font.lfFaceName.resize(31);
    return o;
}

HGDIOBJ GetStockObject(int index) {
    return StockObject(index);
}

HBRUSH GetSysColorBrush(int index) {
    static std::array<TGdiObject*, SystemColorCount> brushes{};
    if (index < 0 || index >= SystemColorCount) return nullptr;
    TGdiObject*& b = brushes[static_cast<std::size_t>(index)];
    if (!b) {
        b = NewObject(TGdiObject::TKind::Brush);
        b->Brush = LOGBRUSH{BS_SOLID, GetSysColor(index), 0};
        b->Stock = true;
    }
    return b;
}

BOOL DeleteObject(HGDIOBJ object) {
    TGdiObject* o = LiveObject(object);
    if (!o) return 0;
    if (o->Stock) return 1;
    if (o->SelectedIn) return 0; // a bitmap selected into a memory context stays
    Objects().erase(o);
    delete o;
    return 1;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object) {
    TDeviceContext* dc = Live(hdc);
    TGdiObject* o = LiveObject(object);
    if (!dc || !o) return nullptr;
    TDcState& s = dc->State;
    HGDIOBJ previous = nullptr;
    switch (o->Kind) {
    case TGdiObject::TKind::Pen:
        previous = s.PenHandle;
        s.Pen = o->Pen;
        s.PenHandle = o;
        break;
    case TGdiObject::TKind::Brush:
        previous = s.BrushHandle;
        s.Brush = o->Brush;
        s.Pattern = o->Pattern;
        s.PatternMonochrome = o->PatternMonochrome;
        s.BrushHandle = o;
        break;
    case TGdiObject::TKind::Font:
        previous = s.FontHandle;
        s.Font = o->Font;
        s.FontHandle = o;
        break;
    case TGdiObject::TKind::Bitmap: {
        if (!dc->Memory || (o->SelectedIn && o->SelectedIn != dc)) return nullptr;
        previous = s.Bitmap;
        if (TGdiObject* old = LiveObject(s.Bitmap); old && !old->Stock) old->SelectedIn = nullptr;
        s.Bitmap = o;
        if (!o->Stock) o->SelectedIn = dc;
        dc->Image = &o->Image;
        dc->Info.Width = o->Image.width();
        dc->Info.Height = o->Image.height();
        dc->Info.BitsPixel = o->Monochrome ? 1 : 32;
        break;
    }
    }
    return previous;
}

HGDIOBJ GetCurrentObject(HDC hdc, UINT kind) {
    TDeviceContext* dc = Live(hdc);
    if (!dc) return nullptr;
    switch (kind) {
    case OBJ_PEN: return dc->State.PenHandle;
    case OBJ_BRUSH: return dc->State.BrushHandle;
    case OBJ_FONT: return dc->State.FontHandle;
    case OBJ_BITMAP: return dc->State.Bitmap;
    default: return nullptr;
    }
}

bool GetObject(HGDIOBJ object, LOGPEN& pen) {
    TGdiObject* o = GdiObject(object, TGdiObject::TKind::Pen);
    if (o) pen = o->Pen;
    return o != nullptr;
}

bool GetObject(HGDIOBJ object, LOGBRUSH& brush) {
    TGdiObject* o = GdiObject(object, TGdiObject::TKind::Brush);
    if (o) brush = o->Brush;
    return o != nullptr;
}

bool GetObject(HGDIOBJ object, LOGFONT& font) {
    TGdiObject* o = GdiObject(object, TGdiObject::TKind::Font);
    if (o) font = o->Font;
    return o != nullptr;
}

bool GetObject(HGDIOBJ object, BITMAP& bitmap) {
    TGdiObject* o = GdiObject(object, TGdiObject::TKind::Bitmap);
    if (o) bitmap = BITMAP{o->Image.width(), o->Image.height(), o->Monochrome ? 1 : 32};
    return o != nullptr;
}

HBITMAP CreateBitmap(int width, int height, bool monochrome) {
    TGdiObject* o = NewObject(TGdiObject::TKind::Bitmap);
    width = std::clamp(width, 0, 32767);
    height = std::clamp(height, 0, 32767);
    if (static_cast<Int64>(width) * height > MaxBitmapPixels) {
        DeleteObject(o);
        return nullptr;
    }
    if (width > 0 && height > 0) {
        o->Image = QImage(width, height, QImage::Format_RGB32);
        if (o->Image.isNull()) { // out of memory: the bitmap stays empty
            DeleteObject(o);
            return nullptr;
        }
        o->Image.fill(Qt::white);
    }
    o->Monochrome = monochrome;
    return o;
}

HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height) {
    TDeviceContext* dc = Live(hdc);
    return CreateBitmap(width, height, dc && dc->Info.BitsPixel == 1);
}

// ---------------------------------------------------------------------------------------------
// Contexts.

HDC CreateCompatibleDC(HDC hdc) {
    TDeviceContext* dc = NewContext();
    if (TDeviceContext* like = Live(hdc)) {
        dc->Info.DpiX = like->Info.DpiX;
        dc->Info.DpiY = like->Info.DpiY;
    }
    dc->Memory = true;
    SelectObject(dc, StockBitmap());
    return dc;
}

HDC GetScreenDC() {
    static TDeviceContext* screen = NewContext();
    screen->Info.Width = 1024;
    screen->Info.Height = 768;
    return screen;
}

BOOL DeleteDC(HDC hdc) {
    TDeviceContext* dc = Live(hdc);
    if (!dc || dc == GetScreenDC()) return 0;
    if (TGdiObject* b = LiveObject(dc->State.Bitmap); b && b->SelectedIn == dc)
        b->SelectedIn = nullptr;
    Contexts().erase(dc);
    delete dc;
    return 1;
}

HDC CreateImageDC(QImage* image) {
    TDeviceContext* dc = NewContext();
    SetDCImage(dc, image);
    return dc;
}

void SetDCImage(HDC hdc, QImage* image) {
    TDeviceContext* dc = Live(hdc);
    if (!dc || dc->Memory) return;
    dc->Image = image;
    if (dc->Job) return;
    dc->Info.Width = image ? image->width() : 0;
    dc->Info.Height = image ? image->height() : 0;
}

TDeviceContext* DeviceContext(HDC dc) {
    return Live(dc);
}

HDC CreatePainterDC(const TDeviceInfo& info) {
    TDeviceContext* dc = NewContext();
    dc->Info = info;
    return dc;
}

void SetDCPainter(HDC hdc, QPainter* painter) {
    if (TDeviceContext* dc = Live(hdc)) dc->Painter = painter;
}

bool PaintOnDC(HDC hdc, const std::function<void(QPainter&)>& draw) {
    TDeviceContext* dc = Live(hdc);
    if (!dc) return false;
    TPaint p(*dc);
    if (!p) return false;
    draw(*p);
    return true;
}

TRect LogicalToDeviceRect(HDC hdc, const TRect& r) {
    TDeviceContext* dc = Live(hdc);
    return dc ? ToDeviceRect(dc->State, r.Left, r.Top, r.Right, r.Bottom) : r;
}

int GetDeviceCaps(HDC hdc, int index) {
    TDeviceContext* dc = Live(hdc);
    if (!dc) return 0;
    const TDeviceInfo& i = dc->Info;
    auto mm = [](int pixels, int dpi) { return RoundToInt(pixels * 25.4 / std::max(dpi, 1)); };
    switch (index) {
    case TECHNOLOGY: return i.Technology;
    case HORZSIZE: return mm(i.Width, i.DpiX);
    case VERTSIZE: return mm(i.Height, i.DpiY);
    case HORZRES: return i.Width;
    case VERTRES: return i.Height;
    case BITSPIXEL: return i.BitsPixel;
    case PLANES: return 1;
    case NUMCOLORS: return -1;
    case CLIPCAPS: return CP_RECTANGLE;
    case RASTERCAPS:
        return RC_BITBLT | RC_STRETCHBLT | (i.Technology == DT_RASPRINTER ? RC_BANDING : 0);
    case LOGPIXELSX: return i.DpiX;
    case LOGPIXELSY: return i.DpiY;
    case SIZEPALETTE: return 0;
    case PHYSICALWIDTH: return i.PhysicalWidth;
    case PHYSICALHEIGHT: return i.PhysicalHeight;
    case PHYSICALOFFSETX: return i.OffsetX;
    case PHYSICALOFFSETY: return i.OffsetY;
    default: return 0;
    }
}

#define DC_OR(fail)                                                                                \
    TDeviceContext* dc = Live(hdc);                                                                \
    if (!dc) return fail

COLORREF SetTextColor(HDC hdc, COLORREF color) {
    DC_OR(CLR_INVALID);
    return std::exchange(dc->State.TextColor, color & 0xFFFFFF);
}
COLORREF GetTextColor(HDC hdc) {
    DC_OR(CLR_INVALID);
    return dc->State.TextColor;
}
COLORREF SetBkColor(HDC hdc, COLORREF color) {
    DC_OR(CLR_INVALID);
    return std::exchange(dc->State.BkColor, color & 0xFFFFFF);
}
COLORREF GetBkColor(HDC hdc) {
    DC_OR(CLR_INVALID);
    return dc->State.BkColor;
}
int SetBkMode(HDC hdc, int mode) {
    DC_OR(0);
    if (mode != TRANSPARENT && mode != OPAQUE) return 0;
    return std::exchange(dc->State.BkMode, mode);
}
int GetBkMode(HDC hdc) {
    DC_OR(0);
    return dc->State.BkMode;
}
COLORREF GetNearestColor(HDC hdc, COLORREF color) {
    DC_OR(CLR_INVALID);
    const QColor shown = Colour(*dc, color & 0xFFFFFF);
    return RGB(static_cast<Byte>(shown.red()), static_cast<Byte>(shown.green()),
               static_cast<Byte>(shown.blue()));
}
int SetROP2(HDC hdc, int mode) {
    DC_OR(0);
    if (mode < R2_BLACK || mode > R2_WHITE) return 0;
    return std::exchange(dc->State.Rop2, mode);
}
int GetROP2(HDC hdc) {
    DC_OR(0);
    return dc->State.Rop2;
}
int SetPolyFillMode(HDC hdc, int mode) {
    DC_OR(0);
    if (mode != ALTERNATE && mode != WINDING) return 0;
    return std::exchange(dc->State.PolyFillMode, mode);
}
UINT SetTextAlign(HDC hdc, UINT align) {
    DC_OR(0xFFFFFFFF);
    return std::exchange(dc->State.TextAlign, align & 0x1F);
}
UINT GetTextAlign(HDC hdc) {
    DC_OR(0xFFFFFFFF);
    return dc->State.TextAlign;
}
int SetTextCharacterExtra(HDC hdc, int extra) {
    DC_OR(0x80000000);
    return std::exchange(dc->State.CharExtra, extra);
}
BOOL SetTextJustification(HDC hdc, int breakExtra, int breakCount) {
    DC_OR(0);
    dc->State.JustifyExtra = breakCount > 0 ? breakExtra : 0;
    dc->State.JustifyCount = breakCount > 0 ? breakCount : 0;
    return 1;
}
int SetStretchBltMode(HDC hdc, int mode) {
    DC_OR(0);
    if (mode < BLACKONWHITE || mode > HALFTONE) return 0;
    return std::exchange(dc->State.StretchMode, mode);
}

// ---------------------------------------------------------------------------------------------
// Mapping.

int SetMapMode(HDC hdc, int mode) {
    DC_OR(0);
    if (mode != MM_TEXT && mode != MM_ANISOTROPIC) return 0;
    int previous = dc->State.MapMode;
    dc->State.MapMode = mode;
    if (mode == MM_TEXT) {
        dc->State.WindowExt = {1, 1};
        dc->State.ViewportExt = {1, 1};
    }
    return previous;
}
int GetMapMode(HDC hdc) {
    DC_OR(0);
    return dc->State.MapMode;
}

namespace {
template <typename T>
BOOL SetPair(HDC hdc, T TDcState::*field, T value, T* previous) {
    TDeviceContext* dc = Live(hdc);
    if (!dc) return 0;
    if (previous) *previous = dc->State.*field;
    // Extents (the sizes) are fixed in MM_TEXT and may not be zero.
    if constexpr (std::is_same_v<T, TSize>) {
        if (dc->State.MapMode != MM_ANISOTROPIC) return 1;
        if (value.cx == 0 || value.cy == 0) return 0;
    }
    dc->State.*field = value;
    return 1;
}
template <typename T>
BOOL GetPair(HDC hdc, T TDcState::*field, T* out) {
    TDeviceContext* dc = Live(hdc);
    if (!dc || !out) return 0;
    *out = dc->State.*field;
    return 1;
}
} // namespace

BOOL SetWindowOrgEx(HDC hdc, int x, int y, TPoint* previous) {
    return SetPair(hdc, &TDcState::WindowOrg, TPoint{x, y}, previous);
}
BOOL SetWindowExtEx(HDC hdc, int x, int y, TSize* previous) {
    return SetPair(hdc, &TDcState::WindowExt, TSize{x, y}, previous);
}
BOOL SetViewportOrgEx(HDC hdc, int x, int y, TPoint* previous) {
    return SetPair(hdc, &TDcState::ViewportOrg, TPoint{x, y}, previous);
}
BOOL SetViewportExtEx(HDC hdc, int x, int y, TSize* previous) {
    return SetPair(hdc, &TDcState::ViewportExt, TSize{x, y}, previous);
}
BOOL GetWindowOrgEx(HDC hdc, TPoint* p) {
    return GetPair(hdc, &TDcState::WindowOrg, p);
}
BOOL GetWindowExtEx(HDC hdc, TSize* s) {
    return GetPair(hdc, &TDcState::WindowExt, s);
}
BOOL GetViewportOrgEx(HDC hdc, TPoint* p) {
    return GetPair(hdc, &TDcState::ViewportOrg, p);
}
BOOL GetViewportExtEx(HDC hdc, TSize* s) {
    return GetPair(hdc, &TDcState::ViewportExt, s);
}

BOOL OffsetWindowOrgEx(HDC hdc, int dx, int dy, TPoint* previous) {
    DC_OR(0);
    TPoint o = dc->State.WindowOrg;
    return SetWindowOrgEx(hdc, o.X + dx, o.Y + dy, previous);
}
BOOL OffsetViewportOrgEx(HDC hdc, int dx, int dy, TPoint* previous) {
    DC_OR(0);
    TPoint o = dc->State.ViewportOrg;
    return SetViewportOrgEx(hdc, o.X + dx, o.Y + dy, previous);
}

BOOL LPtoDP(HDC hdc, TPoint* points, int count) {
    DC_OR(0);
    for (int i = 0; points && i < count; ++i)
        points[i] = ToDevice(dc->State, points[i].X, points[i].Y);
    return 1;
}

BOOL DPtoLP(HDC hdc, TPoint* points, int count) {
    DC_OR(0);
    for (int i = 0; points && i < count; ++i)
        points[i] = ToLogical(dc->State, points[i].X, points[i].Y);
    return 1;
}

// ---------------------------------------------------------------------------------------------
// Saved states.

int SaveDC(HDC hdc) {
    DC_OR(0);
    dc->Saved.push_back(dc->State);
    return static_cast<int>(dc->Saved.size());
}

BOOL RestoreDC(HDC hdc, int savedDC) {
    DC_OR(0);
    int depth = static_cast<int>(dc->Saved.size());
    int level = savedDC < 0 ? depth + 1 + savedDC : savedDC;
    if (level < 1 || level > depth) return 0;
    TDcState state = dc->Saved[static_cast<std::size_t>(level - 1)];
    dc->Saved.resize(static_cast<std::size_t>(level - 1));
    HBITMAP bitmap = dc->State.Bitmap;
    // Objects deleted since the save are no longer named; their settings stay in effect.
    auto keep = [](HGDIOBJ h) { return LiveObject(h); };
    state.PenHandle = keep(state.PenHandle);
    state.BrushHandle = keep(state.BrushHandle);
    state.FontHandle = keep(state.FontHandle);
    state.Bitmap = bitmap;
    dc->State = state;
    return 1;
}

// ---------------------------------------------------------------------------------------------
// Clipping.

namespace {
QRegion Visible(const TDeviceContext& dc) {
    if (dc.State.Clipped) return dc.State.Clip;
    int w = dc.Image ? dc.Image->width() : dc.Info.Width;
    int h = dc.Image ? dc.Image->height() : dc.Info.Height;
    return QRegion(0, 0, w, h);
}

int RegionKind(const QRegion& r) {
    if (r.isEmpty()) return NULLREGION;
    return r.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}
} // namespace

int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom) {
    DC_OR(ERROR);
    QRect r = ToQRect(ToDeviceRect(dc->State, left, top, right, bottom));
    dc->State.Clip = Visible(*dc).intersected(r);
    dc->State.Clipped = true;
    return RegionKind(dc->State.Clip);
}

int ExcludeClipRect(HDC hdc, int left, int top, int right, int bottom) {
    DC_OR(ERROR);
    QRect r = ToQRect(ToDeviceRect(dc->State, left, top, right, bottom));
    dc->State.Clip = Visible(*dc).subtracted(r);
    dc->State.Clipped = true;
    return RegionKind(dc->State.Clip);
}

int SelectClipRect(HDC hdc, const TRect* deviceRect) {
    DC_OR(ERROR);
    dc->State.Clipped = deviceRect != nullptr;
    dc->State.Clip = deviceRect ? QRegion(ToQRect(*deviceRect)) : QRegion();
    return deviceRect ? RegionKind(dc->State.Clip) : SIMPLEREGION;
}

int GetClipBox(HDC hdc, TRect* r) {
    DC_OR(ERROR);
    QRect b = Visible(*dc).boundingRect();
    if (r) {
        TPoint a = ToLogical(dc->State, b.left(), b.top());
        TPoint c = ToLogical(dc->State, b.left() + b.width(), b.top() + b.height());
        *r = {std::min(a.X, c.X), std::min(a.Y, c.Y), std::max(a.X, c.X), std::max(a.Y, c.Y)};
    }
    return RegionKind(Visible(*dc));
}

BOOL PtVisible(HDC hdc, int x, int y) {
    DC_OR(0);
    TPoint d = ToDevice(dc->State, x, y);
    return Visible(*dc).contains(QPoint(d.X, d.Y)) ? 1 : 0;
}

BOOL RectVisible(HDC hdc, const TRect* r) {
    DC_OR(0);
    if (!r) return 0;
    QRect d = ToQRect(ToDeviceRect(dc->State, r->Left, r->Top, r->Right, r->Bottom));
    return Visible(*dc).intersects(d) ? 1 : 0;
}

// ---------------------------------------------------------------------------------------------
// Lines and shapes.

BOOL MoveToEx(HDC hdc, int x, int y, TPoint* previous) {
    DC_OR(0);
    TCallNote note(*dc, "MoveToEx", {x, y});
    if (previous) *previous = dc->State.Position;
    dc->State.Position = {x, y};
    return 1;
}

BOOL GetCurrentPositionEx(HDC hdc, TPoint* p) {
    DC_OR(0);
    if (p) *p = dc->State.Position;
    return 1;
}

BOOL LineTo(HDC hdc, int x, int y) {
    DC_OR(0);
    TCallNote note(*dc, "LineTo", {x, y});
    TPoint from = ToDevice(dc->State, dc->State.Position.X, dc->State.Position.Y);
    TPoint to = ToDevice(dc->State, x, y);
    dc->State.Position = {x, y};
    TPaint p(*dc);
    if (p) StrokePoints(*dc, p, {from, to}, false);
    return 1;
}

BOOL Polyline(HDC hdc, const TPoint* points, int count) {
    DC_OR(0);
    if (!points || count < 2) return 0;
    TCallNote note(*dc, "Polyline", points, count);
    std::vector<TPoint> device;
    for (int i = 0; i < count; ++i)
        device.push_back(ToDevice(dc->State, points[i].X, points[i].Y));
    TPaint p(*dc);
    if (p) StrokePoints(*dc, p, device, false);
    return 1;
}

BOOL Polygon(HDC hdc, const TPoint* points, int count) {
    DC_OR(0);
    if (!points || count < 2) return 0;
    TCallNote note(*dc, "Polygon", points, count);
    std::vector<TPoint> device;
    QPolygonF poly;
    for (int i = 0; i < count; ++i) {
        device.push_back(ToDevice(dc->State, points[i].X, points[i].Y));
        poly << QPointF(device.back().X + 0.5, device.back().Y + 0.5);
    }
    TPaint p(*dc);
    if (!p) return 1;
    QPainterPath path;
    path.addPolygon(poly);
    path.closeSubpath();
    path.setFillRule(dc->State.PolyFillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
    FillPath(*dc, p, path);
    StrokePoints(*dc, p, device, true);
    return 1;
}

BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom) {
    DC_OR(0);
    TCallNote note(*dc, "Rectangle", {left, top, right, bottom});
    TRect box = ToDeviceRect(dc->State, left, top, right, bottom);
    TStroke s = Stroke(*dc);
    if (s.Width > 1 || !Raster(*dc)) {
        ShapeBox(*dc, box, RectPath);
        return 1;
    }
    // One-pixel pen on an image: the brush inside, the frame pixel by pixel.
    TPaint p(*dc);
    if (!p || box.Width() <= 0 || box.Height() <= 0) return 1;
    QRectF inner = s.None ? QRectF(box.Left, box.Top, box.Width() - 1, box.Height() - 1)
                          : QRectF(box.Left + 1, box.Top + 1, box.Width() - 2, box.Height() - 2);
    if (inner.width() > 0 && inner.height() > 0) FillPath(*dc, p, RectPath(inner));
    if (s.None) return 1;
    if (box.Width() <= 2 || box.Height() <= 2) {
        // Too thin for a frame with an inside: every pixel of the box is pen.
        QVector<QPoint> points;
        QRect shown = ToQRect(box).intersected(dc->Image->rect());
        for (int y = shown.top(); y <= shown.bottom(); ++y)
            for (int x = shown.left(); x <= shown.right(); ++x)
                points.append(QPoint(x, y));
        QColor colour = s.Colour;
        if (ApplyRop2(*p, dc->State.Rop2, true, colour)) DrawPoints(*p, points, colour);
        return 1;
    }
    StrokePoints(*dc, p,
                 {{box.Left, box.Top},
                  {box.Right - 1, box.Top},
                  {box.Right - 1, box.Bottom - 1},
                  {box.Left, box.Bottom - 1}},
                 true);
    return 1;
}

BOOL RoundRect(HDC hdc, int left, int top, int right, int bottom, int width, int height) {
    DC_OR(0);
    TCallNote note(*dc, "RoundRect", {left, top, right, bottom, width, height});
    TRect box = ToDeviceRect(dc->State, left, top, right, bottom);
    double rx = DeviceLength(width, ScaleX(dc->State)) / 2.0;
    double ry = DeviceLength(height, ScaleY(dc->State)) / 2.0;
    ShapeBox(*dc, box, [rx, ry](const QRectF& r) {
        QPainterPath path;
        path.addRoundedRect(r, rx, ry);
        return path;
    });
    return 1;
}

BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom) {
    DC_OR(0);
    TCallNote note(*dc, "Ellipse", {left, top, right, bottom});
    TRect box = ToDeviceRect(dc->State, left, top, right, bottom);
    ShapeBox(*dc, box, [](const QRectF& r) {
        QPainterPath path;
        path.addEllipse(r);
        return path;
    });
    return 1;
}

BOOL Arc(HDC hdc, int left, int top, int right, int bottom, int xs, int ys, int xe, int ye) {
    return ArcShape(hdc, TArcKind::Arc, left, top, right, bottom, xs, ys, xe, ye);
}

BOOL Chord(HDC hdc, int left, int top, int right, int bottom, int xs, int ys, int xe, int ye) {
    return ArcShape(hdc, TArcKind::Chord, left, top, right, bottom, xs, ys, xe, ye);
}

BOOL Pie(HDC hdc, int left, int top, int right, int bottom, int xs, int ys, int xe, int ye) {
    return ArcShape(hdc, TArcKind::Pie, left, top, right, bottom, xs, ys, xe, ye);
}

namespace {
// Fills device rectangles with a brush object (no drawing mode: the brush is copied).
int FillDeviceRects(TDeviceContext& dc, const std::vector<TRect>& rects, HBRUSH hbrush) {
    TGdiObject* b = GdiObject(hbrush, TGdiObject::TKind::Brush);
    if (!b) return 0;
    TPaint p(dc);
    if (!p) return 1;
    TDcState s = dc.State;
    s.Brush = b->Brush;
    s.Pattern = b->Pattern;
    s.PatternMonochrome = b->PatternMonochrome;
    bool none = false;
    QBrush brush = MakeBrush(dc, s, none);
    if (none) return 1;
    for (const TRect& r : rects) {
        if (r.Width() <= 0 || r.Height() <= 0) continue;
        if (s.Brush.lbStyle == BS_HATCHED && s.BkMode == OPAQUE)
            p->fillRect(ToQRect(r), Colour(dc, s.BkColor));
        p->fillRect(ToQRect(r), brush);
    }
    return 1;
}

// The one-pixel frame of a device box as four rectangles that do not overlap.
std::vector<TRect> FrameRects(const TRect& r) {
    if (r.Width() <= 0 || r.Height() <= 0) return {};
    if (r.Width() <= 2 || r.Height() <= 2) return {r};
    return {{r.Left, r.Top, r.Right, r.Top + 1},
            {r.Left, r.Bottom - 1, r.Right, r.Bottom},
            {r.Left, r.Top + 1, r.Left + 1, r.Bottom - 1},
            {r.Right - 1, r.Top + 1, r.Right, r.Bottom - 1}};
}
} // namespace

int FillRect(HDC hdc, const TRect* r, HBRUSH brush) {
    DC_OR(0);
    if (!r) return 0;
    TCallNote note(*dc, "FillRect",
                   {r->Left, r->Top, r->Right, r->Bottom, static_cast<int>(BrushColour(brush))});
    return FillDeviceRects(*dc, {ToDeviceRect(dc->State, r->Left, r->Top, r->Right, r->Bottom)},
                           brush);
}

int FrameRect(HDC hdc, const TRect* r, HBRUSH brush) {
    DC_OR(0);
    if (!r) return 0;
    TCallNote note(*dc, "FrameRect",
                   {r->Left, r->Top, r->Right, r->Bottom, static_cast<int>(BrushColour(brush))});
    TRect d = ToDeviceRect(dc->State, r->Left, r->Top, r->Right, r->Bottom);
    return FillDeviceRects(*dc, FrameRects(d), brush);
}

BOOL InvertRect(HDC hdc, const TRect* r) {
    DC_OR(0);
    if (!r) return 0;
    TCallNote note(*dc, "InvertRect", {r->Left, r->Top, r->Right, r->Bottom});
    TPaint p(*dc);
    if (!p || !Raster(*dc)) return 1;
    p->setCompositionMode(QPainter::RasterOp_NotDestination);
    p->fillRect(ToQRect(ToDeviceRect(dc->State, r->Left, r->Top, r->Right, r->Bottom)), Qt::black);
    return 1;
}

BOOL DrawFocusRect(HDC hdc, const TRect* r) {
    DC_OR(0);
    if (!r) return 0;
    TCallNote note(*dc, "DrawFocusRect", {r->Left, r->Top, r->Right, r->Bottom});
    TPaint p(*dc);
    if (!p || !Raster(*dc)) return 1;
    TRect d = ToDeviceRect(dc->State, r->Left, r->Top, r->Right, r->Bottom);
    // Every other pixel of the frame (a checkerboard anchored at the device origin), inverted.
    QVector<QPoint> points;
    for (const TRect& part : FrameRects(d)) {
        QRect shown = ToQRect(part).intersected(dc->Image->rect());
        for (int y = shown.top(); y <= shown.bottom(); ++y)
            for (int x = shown.left(); x <= shown.right(); ++x)
                if (((x + y) & 1) == 0) points.append(QPoint(x, y));
    }
    p->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    DrawPoints(*p, points, Qt::white);
    return 1;
}

COLORREF GetPixel(HDC hdc, int x, int y) {
    DC_OR(CLR_INVALID);
    TPoint d = ToDevice(dc->State, x, y);
    if (!Visible(*dc, d.X, d.Y)) return CLR_INVALID;
    return FromRgb(dc->Image->pixel(d.X, d.Y));
}

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color) {
    DC_OR(CLR_INVALID);
    TCallNote note(*dc, "SetPixel", {x, y, static_cast<int>(color)});
    TPoint d = ToDevice(dc->State, x, y);
    color &= 0xFFFFFF;
    if (Raster(*dc)) {
        if (!Visible(*dc, d.X, d.Y)) return CLR_INVALID;
        dc->Image->setPixel(d.X, d.Y, Colour(*dc, color).rgb());
        return color;
    }
    TPaint p(*dc);
    if (p) p->fillRect(QRect(d.X, d.Y, 1, 1), Colour(*dc, color));
    return color;
}

BOOL ExtFloodFill(HDC hdc, int x, int y, COLORREF color, UINT type) {
    DC_OR(0);
    TCallNote note(*dc, "ExtFloodFill", {x, y, static_cast<int>(color), static_cast<int>(type)});
    TPoint start = ToDevice(dc->State, x, y);
    if (!Visible(*dc, start.X, start.Y)) return 0;
    const QImage& img = *dc->Image;
    QRgb target = ToQColor(color & 0xFFFFFF).rgb() | 0xFF000000;
    auto inside = [&](int px, int py) {
        QRgb c = img.pixel(px, py) | 0xFF000000;
        return type == FLOODFILLSURFACE ? c == target : c != target;
    };
    if (!inside(start.X, start.Y)) return 0;
    // Scan-line fill: collect the spans first, then paint them with the brush.
    int w = img.width(), h = img.height();
    std::vector<bool> seen(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), false);
    auto at = [w](int px, int py) { return static_cast<std::size_t>(py) * w + px; };
    std::vector<TRect> spans;
    std::deque<TPoint> todo{start};
    while (!todo.empty()) {
        TPoint pt = todo.front();
        todo.pop_front();
        if (seen[at(pt.X, pt.Y)] || !Visible(*dc, pt.X, pt.Y) || !inside(pt.X, pt.Y)) continue;
        int l = pt.X, r = pt.X;
        while (l > 0 && !seen[at(l - 1, pt.Y)] && Visible(*dc, l - 1, pt.Y) && inside(l - 1, pt.Y))
            --l;
        while (r + 1 < w && !seen[at(r + 1, pt.Y)] && Visible(*dc, r + 1, pt.Y) &&
               inside(r + 1, pt.Y))
            ++r;
        for (int i = l; i <= r; ++i)
            seen[at(i, pt.Y)] = true;
        spans.push_back({l, pt.Y, r + 1, pt.Y + 1});
        // One seed for each run of fillable pixels above and below the span.
        for (int ny : {pt.Y - 1, pt.Y + 1}) {
            if (ny < 0 || ny >= h) continue;
            bool run = false;
            for (int i = l; i <= r; ++i) {
                bool fillable = !seen[at(i, ny)] && Visible(*dc, i, ny) && inside(i, ny);
                if (fillable && !run) todo.push_back({i, ny});
                run = fillable;
            }
        }
    }
    TPaint p(*dc);
    for (const TRect& s : spans)
        FillPath(*dc, p, RectPath(QRectF(ToQRect(s))));
    return 1;
}

BOOL DrawEdge(HDC hdc, TRect* rect, UINT edge, UINT flags) {
    DC_OR(0);
    if (!rect) return 0;
    TCallNote note(*dc, "DrawEdge",
                   {rect->Left, rect->Top, rect->Right, rect->Bottom, static_cast<int>(edge),
                    static_cast<int>(flags)});
    TRect r = ToDeviceRect(dc->State, rect->Left, rect->Top, rect->Right, rect->Bottom);
    TPaint p(*dc);
    // One ring of the edge: top-left lines in one colour, bottom-right lines in the other.
    auto ring = [&](int topLeft, int bottomRight) {
        if (r.Width() <= 0 || r.Height() <= 0) return;
        QColor tl = Colour(*dc, GetSysColor(topLeft)), br = Colour(*dc, GetSysColor(bottomRight));
        if (flags & BF_MONO) tl = br = Colour(*dc, GetSysColor(COLOR_WINDOWFRAME));
        if (p) {
            if (flags & BF_TOP) p->fillRect(QRect(r.Left, r.Top, r.Width() - 1, 1), tl);
            if (flags & BF_LEFT) p->fillRect(QRect(r.Left, r.Top, 1, r.Height() - 1), tl);
            if (flags & BF_BOTTOM) p->fillRect(QRect(r.Left, r.Bottom - 1, r.Width(), 1), br);
            if (flags & BF_RIGHT) p->fillRect(QRect(r.Right - 1, r.Top, 1, r.Height()), br);
        }
        if (flags & BF_LEFT) ++r.Left;
        if (flags & BF_TOP) ++r.Top;
        if (flags & BF_RIGHT) --r.Right;
        if (flags & BF_BOTTOM) --r.Bottom;
    };
    bool flat = flags & BF_FLAT;
    if (edge & BDR_RAISEDOUTER)
        ring(flat ? COLOR_BTNSHADOW : COLOR_3DLIGHT, flat ? COLOR_BTNSHADOW : COLOR_3DDKSHADOW);
    else if (edge & BDR_SUNKENOUTER)
        ring(COLOR_BTNSHADOW, flat ? COLOR_BTNSHADOW : COLOR_BTNHIGHLIGHT);
    if (edge & BDR_RAISEDINNER)
        ring(flat ? COLOR_BTNFACE : COLOR_BTNHIGHLIGHT, flat ? COLOR_BTNFACE : COLOR_BTNSHADOW);
    else if (edge & BDR_SUNKENINNER)
        ring(flat ? COLOR_BTNFACE : COLOR_3DDKSHADOW, flat ? COLOR_BTNFACE : COLOR_3DLIGHT);
    if ((flags & BF_MIDDLE) && p && r.Width() > 0 && r.Height() > 0)
        p->fillRect(ToQRect(r), Colour(*dc, GetSysColor(COLOR_BTNFACE)));
    if (flags & BF_ADJUST) {
        TPoint a = ToLogical(dc->State, r.Left, r.Top), b = ToLogical(dc->State, r.Right, r.Bottom);
        *rect = {a.X, a.Y, b.X, b.Y};
    }
    return 1;
}

// ---------------------------------------------------------------------------------------------
// Text.

namespace {

const TRealizedFont& DeviceFont(const TDeviceContext& dc) {
    int h = dc.State.Font.lfHeight;
    int device = h == 0 ? 0 : (h < 0 ? -1 : 1) * DeviceLength(h, ScaleY(dc.State));
    LOGFONT font = dc.State.Font;
    font.lfWidth = DeviceLength(std::max(0, font.lfWidth), ScaleX(dc.State));
    return RealizeFont(font, device, dc.Info.DpiY, !Raster(dc));
}

// Calls Take with the advance of each character in device pixels: the font's, or the caller's
// logical widths, with the context's character spacing and justification added.
template <typename F>
void EachAdvance(const TDeviceContext& dc, const TRealizedFont& font, const std::string& text,
                 const int* dx, F Take) {
    const TDcState& s = dc.State;
    double sx = std::abs(ScaleX(s));
    int extra = RoundToInt(s.CharExtra * sx);
    int breaks = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        int a = dx ? RoundToInt(dx[i] * sx) : font.Advance[c] + extra;
        if (s.JustifyCount > 0 && c == ' ') {
            int share = s.JustifyExtra / s.JustifyCount;
            a += RoundToInt((share + (breaks < s.JustifyExtra % s.JustifyCount ? 1 : 0)) * sx);
            ++breaks;
        }
        Take(a);
    }
}

std::vector<int> Advances(const TDeviceContext& dc, const TRealizedFont& font,
                          const std::string& text, const int* dx) {
    std::vector<int> result;
    result.reserve(text.size());
    EachAdvance(dc, font, text, dx, [&](int a) { result.push_back(a); });
    return result;
}

// Draws the characters of a text with their origins at whole pixels along the baseline, as GDI
// places them: the whole text as one run of glyphs (one text object on a printer page), or, for
// a font that cannot, one character at a time. Blanks and control characters draw nothing.
void DrawCharacters(QPainter& p, const TRealizedFont& font, const std::string& text,
                    const std::vector<int>& advances, int start, int base) {
    int pos = start;
    const bool glyphs = font.Raw.isValid() && std::all_of(text.begin(), text.end(), [&](char c) {
                            const auto u = static_cast<unsigned char>(c);
                            return u <= ' ' || font.Glyph[u] != 0;
                        });
    if (!glyphs) {
        const QString chars = AnsiToQString(text);
        for (qsizetype i = 0; i < chars.size(); ++i) {
            if (static_cast<unsigned char>(text[static_cast<std::size_t>(i)]) > ' ')
                p.drawText(QPointF(pos, base), QString(chars[i]));
            pos += advances[static_cast<std::size_t>(i)];
        }
        return;
    }
    QList<quint32> indexes;
    QList<QPointF> positions;
    indexes.reserve(static_cast<qsizetype>(text.size()));
    positions.reserve(static_cast<qsizetype>(text.size()));
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c > ' ') {
            indexes.append(font.Glyph[c]);
            positions.append(QPointF(pos, base));
        }
        pos += advances[i];
    }
    if (indexes.isEmpty()) return;
    QGlyphRun run;
    run.setRawFont(font.Raw);
    run.setGlyphIndexes(indexes);
    run.setPositions(positions);
    p.drawGlyphRun(QPointF(0, 0), run);
}

int Sum(const std::vector<int>& v) {
    int total = 0;
    for (int a : v)
        total += a;
    return total;
}

} // namespace

BOOL ExtTextOut(HDC hdc, int x, int y, UINT options, const TRect* r, const std::string& text,
                const int* dx) {
    DC_OR(0);
    const int o = static_cast<int>(options);
    TCallNote note(*dc, "ExtTextOut",
                   r ? std::initializer_list<int>{x, y, o, r->Left, r->Top, r->Right, r->Bottom}
                     : std::initializer_list<int>{x, y, o},
                   text);
    TDcState& st = dc->State;
    bool updateCp = (st.TextAlign & TA_UPDATECP) != 0;
    if (dc->OnText)
        dc->OnText(*dc, updateCp ? st.Position.X : x, updateCp ? st.Position.Y : y, text);
    TPoint ref = updateCp ? ToDevice(st, st.Position.X, st.Position.Y) : ToDevice(st, x, y);
    const TRealizedFont& font = DeviceFont(*dc);
    const TEXTMETRIC& tm = font.Metrics;
    std::vector<int> advances = Advances(*dc, font, text, dx);
    int width = Sum(advances);
    UINT horizontal = st.TextAlign & TA_CENTER;
    UINT vertical = st.TextAlign & TA_BASELINE;
    int start = horizontal == TA_CENTER ? -width / 2 : horizontal == TA_RIGHT ? -width : 0;
    int base = vertical == TA_BASELINE ? 0 : vertical == TA_BOTTOM ? -tm.tmDescent : tm.tmAscent;
    double angle = st.Font.lfEscapement / 10.0;
    if (TPaint p(*dc); p) {
        QColor back = Colour(*dc, st.BkColor);
        if (r && (options & (ETO_OPAQUE | ETO_CLIPPED))) {
            QRect box = ToQRect(ToDeviceRect(st, r->Left, r->Top, r->Right, r->Bottom));
            if (options & ETO_OPAQUE) p->fillRect(box, back);
            if (options & ETO_CLIPPED) p->setClipRect(box, Qt::IntersectClip);
        }
        p->translate(ref.X, ref.Y);
        if (angle != 0) p->rotate(-angle);
        if (st.BkMode == OPAQUE && width > 0)
            p->fillRect(QRect(start, base - tm.tmAscent, width, tm.tmHeight), back);
        QColor colour = Colour(*dc, st.TextColor);
        QFont plain = font.Font;
        plain.setUnderline(false);
        plain.setStrikeOut(false);
        p->setFont(plain);
        p->setPen(colour);
        DrawCharacters(*p, font, text, advances, start, base);
        if (tm.tmUnderlined)
            p->fillRect(QRect(start, base + font.UnderlinePos, width, font.LineWidth), colour);
        if (tm.tmStruckOut)
            p->fillRect(QRect(start, base - font.StrikeOutPos, width, font.LineWidth), colour);
    }
    if (updateCp && horizontal != TA_CENTER) {
        // The current position moves to the far end of the text along its direction.
        int along = horizontal == TA_RIGHT ? -width : width;
        double rad = angle * M_PI / 180.0;
        TPoint end = ToLogical(st, ref.X + RoundToInt(along * std::cos(rad)),
                               ref.Y - RoundToInt(along * std::sin(rad)));
        st.Position = end;
    }
    return 1;
}

BOOL TextOut(HDC hdc, int x, int y, const std::string& text) {
    DC_OR(0);
    TCallNote note(*dc, "TextOut", {x, y}, text);
    return ExtTextOut(hdc, x, y, 0, nullptr, text, nullptr);
}

BOOL GetTextExtentPoint(HDC hdc, const std::string& text, TSize* size) {
    DC_OR(0);
    if (!size) return 0;
    const TRealizedFont& font = DeviceFont(*dc);
    int width = 0;
    EachAdvance(*dc, font, text, nullptr, [&](int a) { width += a; });
    size->cx = RoundToInt(width / std::abs(ScaleX(dc->State)));
    size->cy = RoundToInt(font.Metrics.tmHeight / std::abs(ScaleY(dc->State)));
    return 1;
}

BOOL GetTextMetrics(HDC hdc, TEXTMETRIC* tm) {
    DC_OR(0);
    if (!tm) return 0;
    *tm = DeviceFont(*dc).Metrics;
    double sx = std::abs(ScaleX(dc->State)), sy = std::abs(ScaleY(dc->State));
    if (sx != 1.0 || sy != 1.0) {
        for (int* v : {&tm->tmHeight, &tm->tmAscent, &tm->tmDescent, &tm->tmInternalLeading,
                       &tm->tmExternalLeading})
            *v = RoundToInt(*v / sy);
        for (int* v : {&tm->tmAveCharWidth, &tm->tmMaxCharWidth})
            *v = RoundToInt(*v / sx);
    }
    return 1;
}

BOOL GetTextFace(HDC hdc, std::string* face) {
    DC_OR(0);
    if (face) *face = dc->State.Font.lfFaceName;
    return 1;
}

namespace {

// One line of formatted text: the characters shown, the advances (logical), and the index of
// the character a prefix "&" underlines (-1 for none).
struct TTextLine {
    std::string Text;
    std::vector<int> Dx;
    int Width = 0;
    int Underline = -1;
};

// Strips the prefix characters: "&x" underlines x, "&&" shows one "&".
std::string StripPrefix(const std::string& text, int& underline) {
    std::string out;
    underline = -1;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) {
            ++i;
            if (text[i] != '&') underline = static_cast<int>(out.size());
        } else if (text[i] == '&') {
            continue;
        }
        out += text[i];
    }
    return out;
}

class TTextFormatter {
public:
    TTextFormatter(TDeviceContext& dc, UINT format) : format_(format) {
        GetTextMetrics(&dc, &tm_);
        tab_ = std::max(1, 8 * tm_.tmAveCharWidth);
        // The logical width of each character, as text extents measure it.
        const TRealizedFont& font = DeviceFont(dc);
        double sx = std::abs(ScaleX(dc.State));
        int extra = RoundToInt(dc.State.CharExtra * sx);
        for (std::size_t c = 0; c < widths_.size(); ++c)
            widths_[c] = RoundToInt((font.Advance[c] + extra) / sx);
    }

    TTextLine Measure(const std::string& raw) const {
        if (format_ & DT_NOPREFIX) return MeasureShown(raw, -1);
        int underline = -1;
        const std::string shown = StripPrefix(raw, underline);
        return MeasureShown(shown, underline);
    }

    // A line of characters shown as they are (prefixes already taken out).
    TTextLine MeasureShown(const std::string& text, int underline) const {
        TTextLine line;
        line.Text = text;
        line.Underline = underline;
        line.Dx.reserve(text.size());
        for (char c : line.Text) {
            int w = 0;
            if (c == '\t' && (format_ & DT_EXPANDTABS))
                w = tab_ - line.Width % tab_;
            else
                w = widths_[static_cast<unsigned char>(c)];
            line.Dx.push_back(w);
            line.Width += w;
        }
        return line;
    }

    // Breaks one paragraph into lines no wider than width where spaces allow.
    std::vector<TTextLine> Break(const std::string& paragraph, int width) const {
        std::vector<TTextLine> lines;
        std::string current;
        std::size_t i = 0;
        while (i < paragraph.size()) {
            std::size_t end = paragraph.find(' ', i);
            if (end == std::string::npos) end = paragraph.size();
            std::string word = paragraph.substr(i, end - i);
            std::string candidate = current.empty() ? word : current + ' ' + word;
            if (!current.empty() && Measure(candidate).Width > width) {
                lines.push_back(Measure(current));
                current = word;
            } else {
                current = candidate;
            }
            i = end + 1;
        }
        lines.push_back(Measure(current));
        return lines;
    }

    std::vector<TTextLine> Lines(const std::string& text, int width) const {
        std::vector<TTextLine> lines;
        if (format_ & DT_SINGLELINE) {
            std::string flat;
            for (char c : text)
                if (c != '\r' && c != '\n') flat += c;
            lines.push_back(Measure(flat));
            return lines;
        }
        std::size_t start = 0;
        while (true) {
            std::size_t nl = text.find('\n', start);
            std::string paragraph =
                text.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
            if (!paragraph.empty() && paragraph.back() == '\r') paragraph.pop_back();
            if (format_ & DT_WORDBREAK) {
                for (TTextLine& l : Break(paragraph, width))
                    lines.push_back(std::move(l));
            } else {
                lines.push_back(Measure(paragraph));
            }
            if (nl == std::string::npos) break;
            start = nl + 1;
        }
        return lines;
    }

    int LineHeight() const {
        return tm_.tmHeight + ((format_ & DT_EXTERNALLEADING) ? tm_.tmExternalLeading : 0);
    }
    const TEXTMETRIC& Metrics() const { return tm_; }

    // Cuts a line to width, ending it with "...": the longest beginning that fits with the dots.
    TTextLine Ellipsis(const TTextLine& line, int width) const {
        if (line.Width <= width) return line;
        auto cut = [&](std::size_t length) {
            const int underline = line.Underline < static_cast<int>(length) ? line.Underline : -1;
            return MeasureShown(line.Text.substr(0, length) + "...", underline);
        };
        return cut(LongestFitting(line.Text.size(),
                                  [&](std::size_t length) { return cut(length).Width <= width; }));
    }

private:
    UINT format_;
    TEXTMETRIC tm_;
    int tab_ = 1;
    std::array<int, 256> widths_{};
};

} // namespace

int DrawText(HDC hdc, const std::string& text, TRect* r, UINT format) {
    DC_OR(0);
    if (!r) return 0;
    TCallNote note(*dc, "DrawText",
                   {r->Left, r->Top, r->Right, r->Bottom, static_cast<int>(format)}, text);
    TTextFormatter formatter(*dc, format);
    std::vector<TTextLine> lines = formatter.Lines(text, r->Width());
    int lineHeight = formatter.LineHeight();
    int height = lineHeight * static_cast<int>(lines.size());
    if (format & DT_CALCRECT) {
        int widest = 0;
        for (const TTextLine& l : lines)
            widest = std::max(widest, l.Width);
        r->Right = r->Left + widest;
        r->Bottom = r->Top + height;
        return height;
    }
    int y = r->Top;
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER)
            y = r->Top + (r->Height() - lineHeight) / 2;
        else if (format & DT_BOTTOM)
            y = r->Bottom - lineHeight;
    }
    TDcState saved = dc->State;
    dc->State.TextAlign = TA_LEFT | TA_TOP;
    UINT options = (format & DT_NOCLIP) ? 0u : UINT(ETO_CLIPPED);
    for (TTextLine line : lines) {
        if (format & DT_END_ELLIPSIS) line = formatter.Ellipsis(line, r->Width());
        int x = r->Left;
        if (format & DT_CENTER)
            x = r->Left + (r->Width() - line.Width) / 2;
        else if (format & DT_RIGHT)
            x = r->Right - line.Width;
        std::string shown = line.Text;
        for (char& c : shown)
            if (c == '\t') c = ' ';
        ExtTextOut(hdc, x, y, options, r, shown, line.Dx.data());
        if (line.Underline >= 0 && line.Underline < static_cast<int>(line.Text.size())) {
            int ux = x;
            for (int i = 0; i < line.Underline; ++i)
                ux += line.Dx[static_cast<std::size_t>(i)];
            TRect under = {ux, y + formatter.Metrics().tmAscent + 1,
                           ux + line.Dx[static_cast<std::size_t>(line.Underline)],
                           y + formatter.Metrics().tmAscent + 2};
            if (!(format & DT_NOCLIP)) IntersectRect(under, under, *r);
            HBRUSH brush = CreateSolidBrush(dc->State.TextColor);
            FillRect(hdc, &under, brush);
            DeleteObject(brush);
        }
        y += lineHeight;
    }
    dc->State = saved;
    return height;
}

// ---------------------------------------------------------------------------------------------
// Blits.

namespace {

// The result of a ternary raster operation on pattern, source and destination pixels.
QRgb Rop3(DWORD rop, QRgb p, QRgb s, QRgb d) {
    unsigned code = (rop >> 16) & 0xFF;
    QRgb result = 0;
    for (unsigned i = 0; i < 8; ++i) {
        if (!(code & (1u << i))) continue;
        result |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
    }
    return result | 0xFF000000;
}

bool UsesSource(DWORD rop) {
    unsigned code = (rop >> 16) & 0xFF;
    return ((code >> 2) & 0x33) != (code & 0x33);
}

// The source pixel for a destination pixel, converted between monochrome and colour the way
// GDI does: monochrome to colour uses the destination's text (0) and background (1) colours;
// colour to monochrome makes the source's background colour white and all else black.
QRgb SourcePixel(const TDeviceContext& src, const TDeviceContext& dst, int x, int y) {
    QRgb c = src.Image->pixel(x, y) | 0xFF000000;
    bool srcMono = src.Info.BitsPixel == 1, dstMono = dst.Info.BitsPixel == 1;
    if (srcMono && !dstMono)
        return (qGray(c) > 127 ? Colour(dst, dst.State.BkColor) : Colour(dst, dst.State.TextColor))
            .rgb();
    if (!srcMono && dstMono)
        return c == (ToQColor(src.State.BkColor).rgb() | 0xFF000000) ? 0xFFFFFFFF : 0xFF000000;
    return c;
}

QRgb PatternPixel(const TDeviceContext& dc, const QBrush& brush, int x, int y) {
    if (dc.State.Brush.lbStyle == BS_PATTERN && !brush.textureImage().isNull()) {
        const QImage& img = brush.textureImage();
        return img.pixel(x % img.width(), y % img.height()) | 0xFF000000;
    }
    return brush.color().rgb() | 0xFF000000;
}

// A run of device pixels along one axis: Start is the first pixel, Extent the count with the
// direction as its sign (pixels Start, Start - 1, ... for a negative extent).
struct TAxis {
    int Start = 0;
    int Extent = 0;
    int Step() const { return Extent < 0 ? -1 : 1; }
    // The lowest pixel and the count.
    int Low() const { return Extent < 0 ? Start + Extent + 1 : Start; }
    int Count() const { return std::abs(Extent); }
    // The same pixels taken the other way round.
    TAxis Reversed() const { return {Start + Extent - Step(), -Extent}; }
};

// The pixels of a logical run from, from + length in device pixels along x or y.
TAxis AxisX(const TDcState& s, int from, int length) {
    int a = ToDevice(s, from, 0).X, b = ToDevice(s, from + length, 0).X;
    return {a, b - a};
}
TAxis AxisY(const TDcState& s, int from, int length) {
    int a = ToDevice(s, 0, from).Y, b = ToDevice(s, 0, from + length).Y;
    return {a, b - a};
}

// Blits source pixels (stretched to the nearest pixel, mirrored where the directions of source
// and destination differ) onto the destination through a ternary raster operation.
BOOL Blit(TDeviceContext& dst, TAxis dx, TAxis dy, TDeviceContext* src, TAxis sx, TAxis sy,
          DWORD rop) {
    bool source = UsesSource(rop);
    if (source && (!src || !Raster(*src) || sx.Extent == 0 || sy.Extent == 0)) return 0;
    if (dx.Extent == 0 || dy.Extent == 0) return 1;
    // The destination is walked left to right and top to bottom.
    if (dx.Extent < 0) {
        dx = dx.Reversed();
        sx = sx.Reversed();
    }
    if (dy.Extent < 0) {
        dy = dy.Reversed();
        sy = sy.Reversed();
    }
    TRect d{dx.Start, dy.Start, dx.Start + dx.Extent, dy.Start + dy.Extent};
    bool none = false;
    QBrush brush = MakeBrush(dst, dst.State, none);
    if (Pixels32(dst)) {
        QImage& img = *dst.Image;
        QRegion area = Visible(dst).intersected(img.rect()).intersected(ToQRect(d));
        // The nearest source pixel of each destination pixel.
        auto pick = [](int p, int from, int count, const TAxis& axis, int limit) {
            int k = static_cast<int>(std::floor((p - from + 0.5) * axis.Count() / count));
            return std::clamp(axis.Start + k * axis.Step(), 0, limit - 1);
        };
        QImage copy = source && src == &dst ? img.copy() : QImage();
        TDeviceContext copied;
        if (!copy.isNull()) {
            copied = *src;
            copied.Image = &copy;
        }
        TDeviceContext* from = copy.isNull() ? src : &copied;
        for (const QRect& part : area) {
            for (int y = part.top(); y <= part.bottom(); ++y) {
                QRgb* line = reinterpret_cast<QRgb*>(img.scanLine(y));
                int py = source ? pick(y, d.Top, d.Height(), sy, src->Image->height()) : 0;
                for (int x = part.left(); x <= part.right(); ++x) {
                    QRgb sp = 0;
                    if (source)
                        sp = SourcePixel(*from, dst,
                                         pick(x, d.Left, d.Width(), sx, src->Image->width()), py);
                    QRgb pp = none ? 0 : PatternPixel(dst, brush, x, y);
                    line[x] = Rop3(rop, pp, sp, line[x]);
                }
            }
        }
        return 1;
    }
    // A printer (or an image of another pixel format) takes copies of the source (inverted for
    // NOTSRCCOPY) and solid fills.
    TPaint p(dst);
    if (!p) return 1;
    QRect target = ToQRect(d);
    switch (rop) {
    case BLACKNESS: p->fillRect(target, Qt::black); return 1;
    case WHITENESS: p->fillRect(target, Qt::white); return 1;
    case PATCOPY:
        if (!none) p->fillRect(target, brush);
        return 1;
    default: break;
    }
    if (!source) return 1;
    // The whole source is handed over as it is (shared, not copied): a printer that meets the
    // same image again then stores it once.
    const QRect taken(sx.Low(), sy.Low(), sx.Count(), sy.Count());
    QImage part = taken == src->Image->rect() ? *src->Image : src->Image->copy(taken);
    part = part.mirrored(sx.Extent < 0, sy.Extent < 0);
    if (rop == NOTSRCCOPY) part.invertPixels();
    if (rop == SRCAND || rop == SRCPAINT) {
        // White is see-through under SRCAND, black under SRCPAINT.
        QRgb clear = rop == SRCAND ? 0xFFFFFFFF : 0xFF000000;
        part = part.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < part.height(); ++y)
            for (int x = 0; x < part.width(); ++x)
                if ((part.pixel(x, y) | 0xFF000000) == clear) part.setPixel(x, y, 0);
    }
    p->drawImage(QRectF(target), part);
    return 1;
}

} // namespace

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int xSrc, int ySrc,
            DWORD rop) {
    TDeviceContext* dst = Live(dest);
    if (!dst) return 0;
    TCallNote note(*dst, "BitBlt", {x, y, width, height, xSrc, ySrc, static_cast<int>(rop)});
    return StretchBlt(dest, x, y, width, height, source, xSrc, ySrc, width, height, rop);
}

BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int xSrc, int ySrc,
                int widthSrc, int heightSrc, DWORD rop) {
    TDeviceContext* src = Live(source);
    TDeviceContext* dst = Live(dest);
    if (!dst) return 0;
    TCallNote note(*dst, "StretchBlt",
                   {x, y, width, height, xSrc, ySrc, widthSrc, heightSrc, static_cast<int>(rop)});
    TAxis sx, sy;
    if (src) {
        sx = AxisX(src->State, xSrc, widthSrc);
        sy = AxisY(src->State, ySrc, heightSrc);
    }
    return Blit(*dst, AxisX(dst->State, x, width), AxisY(dst->State, y, height), src, sx, sy, rop);
}

BOOL PatBlt(HDC hdc, int x, int y, int width, int height, DWORD rop) {
    DC_OR(0);
    if (UsesSource(rop)) return 0;
    TCallNote note(*dc, "PatBlt", {x, y, width, height, static_cast<int>(rop)});
    return BitBlt(hdc, x, y, width, height, nullptr, 0, 0, rop);
}

// ---------------------------------------------------------------------------------------------
// Fonts.

namespace {
struct TMappedFamily {
    const char* Face;
    const char* Family;
};
constexpr TMappedFamily kMapped[] = {{"Arial", "Liberation Sans"},
                                     {"Courier New", "Liberation Mono"},
                                     {"Times New Roman", "Liberation Serif"},
                                     {"MS Sans Serif", "DejaVu Sans"},
                                     {"System", "DejaVu Sans"}};
constexpr const char* kFallback = "DejaVu Sans";

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

const QStringList& InstalledFamilies() {
    static QStringList families = [] {
        EnsureQtApp();
        return QFontDatabase::families();
    }();
    return families;
}
} // namespace

std::string MappedFontFamily(const std::string& faceName) {
    static std::map<std::string, std::string> cache;
    auto it = cache.find(faceName);
    if (it != cache.end()) return it->second;
    std::string result = kFallback;
    bool known = false;
    for (const TMappedFamily& m : kMapped) {
        if (SameName(faceName, m.Face)) {
            result = m.Family;
            known = true;
        }
    }
    if (!known) {
        for (const QString& f : InstalledFamilies())
            if (SameName(QStringToAnsi(f), faceName)) result = QStringToAnsi(f);
    }
    cache[faceName] = result;
    return result;
}

std::vector<std::string> MissingMappedFonts() {
    std::vector<std::string> missing;
    for (const TMappedFamily& m : kMapped) {
        bool found = false;
        for (const QString& f : InstalledFamilies())
            found = found || QStringToAnsi(f) == m.Family;
        if (!found && std::find(missing.begin(), missing.end(), m.Family) == missing.end())
            missing.push_back(m.Family);
    }
    return missing;
}

std::vector<TFontFamily> FontFamilies() {
    std::vector<TFontFamily> result;
    auto add = [&](const std::string& name, bool fixed) {
        for (const TFontFamily& f : result)
            if (SameName(f.Name, name)) return;
        result.push_back({name, fixed});
    };
    for (const QString& f : InstalledFamilies())
        if (!QFontDatabase::isPrivateFamily(f))
            add(QStringToAnsi(f), QFontDatabase::isFixedPitch(f));
    // The Windows names the program asks for are offered where their stand-in is installed.
    for (const TMappedFamily& m : kMapped) {
        if (std::string(m.Family) == kFallback) continue;
        for (const TFontFamily& f : std::vector<TFontFamily>(result))
            if (f.Name == m.Family) add(m.Face, f.FixedPitch);
    }
    std::sort(result.begin(), result.end(),
              [](const TFontFamily& a, const TFontFamily& b) { return a.Name < b.Name; });
    return result;
}
