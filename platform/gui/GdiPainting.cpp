#include "platform/gui/GdiPainting.h"

#include "platform/gui/QtApp.h"

#include <algorithm>
#include <cmath>
#include <map>

std::unordered_set<TGdiObject*>& Objects() {
    static auto* objects = new std::unordered_set<TGdiObject*>;
    return *objects;
}

std::unordered_set<TDeviceContext*>& Contexts() {
    static auto* contexts = new std::unordered_set<TDeviceContext*>;
    return *contexts;
}

TGdiObject* NewObject(TGdiObject::TKind kind) {
    auto* o = new TGdiObject;
    o->Kind = kind;
    Objects().insert(o);
    return o;
}

TGdiObject* LiveObject(HGDIOBJ handle) {
    return handle && Objects().count(handle) ? handle : nullptr;
}

TGdiObject* StockObject(int index) {
    static auto& stock = *new std::map<int, TGdiObject*>;
    auto it = stock.find(index);
    if (it != stock.end()) return it->second;
    TGdiObject* o = nullptr;
    auto brush = [](COLORREF c, UINT style) {
        TGdiObject* b = NewObject(TGdiObject::TKind::Brush);
        b->Brush = LOGBRUSH{style, c, 0};
        return b;
    };
    auto pen = [](COLORREF c, UINT style) {
        TGdiObject* p = NewObject(TGdiObject::TKind::Pen);
        p->Pen = LOGPEN{style, {0, 0}, c};
        return p;
    };
    switch (index) {
    case WHITE_BRUSH: o = brush(RGB(255, 255, 255), BS_SOLID); break;
    case LTGRAY_BRUSH: o = brush(RGB(192, 192, 192), BS_SOLID); break;
    case GRAY_BRUSH: o = brush(RGB(128, 128, 128), BS_SOLID); break;
    case DKGRAY_BRUSH: o = brush(RGB(64, 64, 64), BS_SOLID); break;
    case BLACK_BRUSH: o = brush(0, BS_SOLID); break;
    case NULL_BRUSH: o = brush(0, BS_NULL); break;
    case WHITE_PEN: o = pen(RGB(255, 255, 255), PS_SOLID); break;
    case BLACK_PEN: o = pen(0, PS_SOLID); break;
    case NULL_PEN: o = pen(0, PS_NULL); break;
    case SYSTEM_FONT:
    case DEFAULT_GUI_FONT:
    case ANSI_VAR_FONT:
    case ANSI_FIXED_FONT:
        o = NewObject(TGdiObject::TKind::Font);
        o->Font.lfFaceName = index == ANSI_FIXED_FONT ? "Courier New" : "System";
        o->Font.lfHeight = index == SYSTEM_FONT ? 16 : -11;
        o->Font.lfWeight = index == SYSTEM_FONT ? FW_BOLD : FW_NORMAL;
        break;
    default: return nullptr;
    }
    o->Stock = true;
    stock[index] = o;
    return o;
}

TGdiObject* StockBitmap() {
    static TGdiObject* bitmap = [] {
        TGdiObject* b = NewObject(TGdiObject::TKind::Bitmap);
        b->Image = QImage(1, 1, QImage::Format_RGB32);
        b->Image.fill(Qt::white);
        b->Monochrome = true;
        b->Stock = true;
        return b;
    }();
    return bitmap;
}

TDeviceContext* NewContext() {
    auto* dc = new TDeviceContext;
    dc->State.PenHandle = StockObject(BLACK_PEN);
    dc->State.Pen = dc->State.PenHandle->Pen;
    dc->State.BrushHandle = StockObject(WHITE_BRUSH);
    dc->State.Brush = dc->State.BrushHandle->Brush;
    dc->State.FontHandle = StockObject(SYSTEM_FONT);
    dc->State.Font = dc->State.FontHandle->Font;
    Contexts().insert(dc);
    return dc;
}

TDeviceContext* Live(HDC dc) {
    return dc && Contexts().count(dc) ? dc : nullptr;
}

COLORREF BrushColour(HBRUSH brush) {
    const TGdiObject* b = LiveObject(brush);
    return b && b->Kind == TGdiObject::TKind::Brush ? b->Brush.lbColor : CLR_INVALID;
}

double ScaleX(const TDcState& s) {
    return s.MapMode == MM_ANISOTROPIC ? static_cast<double>(s.ViewportExt.cx) / s.WindowExt.cx
                                       : 1.0;
}

double ScaleY(const TDcState& s) {
    return s.MapMode == MM_ANISOTROPIC ? static_cast<double>(s.ViewportExt.cy) / s.WindowExt.cy
                                       : 1.0;
}

int RoundToInt(double v) {
    // Device coordinates stay where differences between them still fit an int.
    v = std::clamp(v, -1.0e8, 1.0e8);
    return static_cast<int>(std::lround(v));
}

TPoint ToDevice(const TDcState& s, int x, int y) {
    return {RoundToInt((x - static_cast<double>(s.WindowOrg.X)) * ScaleX(s)) + s.ViewportOrg.X,
            RoundToInt((y - static_cast<double>(s.WindowOrg.Y)) * ScaleY(s)) + s.ViewportOrg.Y};
}

TPoint ToLogical(const TDcState& s, int x, int y) {
    return {RoundToInt((x - static_cast<double>(s.ViewportOrg.X)) / ScaleX(s)) + s.WindowOrg.X,
            RoundToInt((y - static_cast<double>(s.ViewportOrg.Y)) / ScaleY(s)) + s.WindowOrg.Y};
}

TRect ToDeviceRect(const TDcState& s, int left, int top, int right, int bottom) {
    TPoint a = ToDevice(s, left, top);
    TPoint b = ToDevice(s, right, bottom);
    return {std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y)};
}

int DeviceLength(int length, double scale) {
    if (length == 0) return 0;
    return std::max(1, RoundToInt(std::abs(static_cast<double>(length) * scale)));
}

QRect ToQRect(const TRect& r) {
    return QRect(r.Left, r.Top, r.Width(), r.Height());
}

QRectF CentreRect(const TRect& r) {
    return QRectF(r.Left + 0.5, r.Top + 0.5, std::max(0, r.Width() - 1),
                  std::max(0, r.Height() - 1));
}

bool Raster(const TDeviceContext& dc) {
    return dc.Image && !dc.Image->isNull();
}

bool Pixels32(const TDeviceContext& dc) {
    if (!Raster(dc)) return false;
    QImage::Format f = dc.Image->format();
    return f == QImage::Format_RGB32 || f == QImage::Format_ARGB32 ||
           f == QImage::Format_ARGB32_Premultiplied;
}

QColor Colour(const TDeviceContext& dc, COLORREF c) {
    QColor q = ToQColor(c);
    if (dc.Info.BitsPixel != 1) return q;
    return qGray(q.rgb()) >= 128 ? QColor(Qt::white) : QColor(Qt::black);
}

bool ApplyRop2(QPainter& p, int rop2, bool raster, QColor& colour) {
    using M = QPainter::CompositionMode;
    M mode = M::CompositionMode_SourceOver;
    switch (rop2) {
    case R2_NOP: return false;
    case R2_BLACK: colour = Qt::black; break;
    case R2_WHITE: colour = Qt::white; break;
    case R2_COPYPEN: break;
    case R2_NOTCOPYPEN: mode = M::RasterOp_NotSource; break;
    case R2_XORPEN: mode = M::RasterOp_SourceXorDestination; break;
    case R2_NOTXORPEN: mode = M::RasterOp_NotSourceXorDestination; break;
    case R2_MASKPEN: mode = M::RasterOp_SourceAndDestination; break;
    case R2_MERGEPEN: mode = M::RasterOp_SourceOrDestination; break;
    case R2_NOT: mode = M::RasterOp_NotDestination; break;
    case R2_MASKPENNOT: mode = M::RasterOp_SourceAndNotDestination; break;
    case R2_MASKNOTPEN: mode = M::RasterOp_NotSourceAndDestination; break;
    case R2_MERGENOTPEN: mode = M::RasterOp_NotSourceOrDestination; break;
    case R2_MERGEPENNOT: mode = M::RasterOp_SourceOrNotDestination; break;
    case R2_NOTMERGEPEN: mode = M::RasterOp_NotSourceAndNotDestination; break;
    case R2_NOTMASKPEN: mode = M::RasterOp_NotSourceOrNotDestination; break;
    default: break;
    }
    // Raster operations exist on images only; a printer draws the pen as it is.
    if (raster)
        p.setCompositionMode(mode);
    else if (mode == M::RasterOp_NotSource)
        colour = QColor(~colour.rgb());
    return true;
}

TStroke Stroke(const TDeviceContext& dc) {
    const LOGPEN& pen = dc.State.Pen;
    TStroke s;
    s.Style = pen.lopnStyle & 0xF;
    s.None = s.Style == PS_NULL;
    // Pens wider than a page are drawn as wide as a page.
    s.Width = std::clamp(DeviceLength(pen.lopnWidth.X, ScaleX(dc.State)), 1, 20000);
    s.Colour = Colour(dc, pen.lopnColor);
    s.Raster = Raster(dc);
    return s;
}

std::vector<int> DashPattern(UINT style) {
    switch (style) {
    case PS_DASH: return {18, 6};
    case PS_DOT: return {3, 3};
    case PS_DASHDOT: return {9, 6, 3, 6};
    case PS_DASHDOTDOT: return {9, 3, 3, 3, 3, 3};
    default: return {};
    }
}

void LinePixels(TPoint a, TPoint b, const std::vector<int>& pattern, int& phase,
                QVector<QPoint>& on, QVector<QPoint>& off) {
    int dx = std::abs(b.X - a.X), dy = -std::abs(b.Y - a.Y);
    int sx = a.X < b.X ? 1 : -1, sy = a.Y < b.Y ? 1 : -1;
    int err = dx + dy;
    int period = 0;
    for (int v : pattern)
        period += v;
    int x = a.X, y = a.Y;
    while (x != b.X || y != b.Y) {
        bool draw = true;
        if (period > 0) {
            int pos = phase % period, i = 0;
            while (pos >= pattern[static_cast<std::size_t>(i)])
                pos -= pattern[static_cast<std::size_t>(i++)];
            draw = i % 2 == 0;
            ++phase;
        }
        (draw ? on : off).append(QPoint(x, y));
        int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

QPen MakePen(const TStroke& s, const QColor& colour, Qt::PenJoinStyle join) {
    // On a printer a one-pixel pen is one device pixel wide, not the thinnest line a viewer
    // can show.
    QPen pen(colour, s.Width > 1 ? s.Width : s.Raster ? 0 : 1);
    pen.setCapStyle(s.Width <= 1 ? Qt::FlatCap : Qt::RoundCap);
    pen.setJoinStyle(join);
    if (s.Width <= 1 && s.Style >= PS_DASH && s.Style <= PS_DASHDOTDOT) {
        QList<qreal> dashes;
        for (int v : DashPattern(s.Style))
            dashes.append(v);
        pen.setDashPattern(dashes);
    }
    return pen;
}

void DrawPoints(QPainter& p, const QVector<QPoint>& points, const QColor& colour) {
    if (points.isEmpty()) return;
    p.setPen(QPen(colour, 0));
    p.drawPoints(points.constData(), static_cast<int>(points.size()));
}

void StrokePoints(TDeviceContext& dc, TPaint& p, const std::vector<TPoint>& points, bool closed) {
    TStroke s = Stroke(dc);
    if (s.None || points.size() < 2) return;
    QColor colour = s.Colour;
    if (!ApplyRop2(*p, dc.State.Rop2, Raster(dc), colour)) return;
    // Lines reaching far outside the image go to Qt, which clips them before drawing.
    auto near = [&](const TPoint& pt) {
        const int margin = 4096;
        return pt.X >= -margin && pt.Y >= -margin && pt.X <= dc.Image->width() + margin &&
               pt.Y <= dc.Image->height() + margin;
    };
    if (s.Width <= 1 && Raster(dc) && std::all_of(points.begin(), points.end(), near)) {
        QVector<QPoint> on, off;
        std::vector<int> pattern = DashPattern(s.Style);
        int phase = 0;
        for (std::size_t i = 0; i + 1 < points.size(); ++i)
            LinePixels(points[i], points[i + 1], pattern, phase, on, off);
        if (closed) LinePixels(points.back(), points.front(), pattern, phase, on, off);
        DrawPoints(*p, on, colour);
        if (dc.State.BkMode == OPAQUE) DrawPoints(*p, off, Colour(dc, dc.State.BkColor));
        return;
    }
    p->setPen(MakePen(s, colour, Qt::RoundJoin));
    p->setBrush(Qt::NoBrush);
    QPolygonF poly;
    for (const TPoint& pt : points)
        poly << QPointF(pt.X + 0.5, pt.Y + 0.5);
    if (closed)
        p->drawPolygon(poly);
    else
        p->drawPolyline(poly);
}

QBrush MakeBrush(const TDeviceContext& dc, const TDcState& s, bool& none) {
    none = false;
    switch (s.Brush.lbStyle) {
    case BS_NULL: none = true; return QBrush();
    case BS_HATCHED: {
        static const Qt::BrushStyle hatches[] = {Qt::HorPattern,   Qt::VerPattern,
                                                 Qt::FDiagPattern, Qt::BDiagPattern,
                                                 Qt::CrossPattern, Qt::DiagCrossPattern};
        int h = std::clamp(s.Brush.lbHatch, 0, 5);
        return QBrush(Colour(dc, s.Brush.lbColor), hatches[h]);
    }
    case BS_PATTERN: {
        if (!s.PatternMonochrome) return QBrush(s.Pattern);
        QImage img = s.Pattern.copy();
        QRgb text = Colour(dc, s.TextColor).rgb(), back = Colour(dc, s.BkColor).rgb();
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                img.setPixel(x, y, qGray(img.pixel(x, y)) > 127 ? back : text);
        return QBrush(img);
    }
    default: return QBrush(Colour(dc, s.Brush.lbColor));
    }
}

void FillPath(TDeviceContext& dc, TPaint& p, const QPainterPath& path) {
    bool none = false;
    QBrush brush = MakeBrush(dc, dc.State, none);
    if (none) return;
    QColor colour = brush.color();
    p->save();
    bool draw = ApplyRop2(*p, dc.State.Rop2, Raster(dc), colour);
    if (draw) {
        if (dc.State.Brush.lbStyle == BS_HATCHED && dc.State.BkMode == OPAQUE)
            p->fillPath(path, Colour(dc, dc.State.BkColor));
        brush.setColor(colour);
        p->fillPath(path, brush);
    }
    p->restore();
}

QPainterPath RectPath(const QRectF& r) {
    QPainterPath path;
    path.addRect(r);
    return path;
}

void ShapeBox(TDeviceContext& dc, TRect box,
              const std::function<QPainterPath(const QRectF&)>& make) {
    TPaint p(dc);
    if (!p) return;
    TStroke s = Stroke(dc);
    if (s.Style == PS_INSIDEFRAME && s.Width > 1) {
        int inset = s.Width / 2;
        box = {box.Left + inset, box.Top + inset, box.Right - inset, box.Bottom - inset};
    }
    QRectF area = s.None ? QRectF(box.Left, box.Top, std::max(0, box.Width() - 1),
                                  std::max(0, box.Height() - 1))
                         : CentreRect(box);
    FillPath(dc, p, make(area));
    if (s.None) return;
    QColor colour = s.Colour;
    p->save();
    if (ApplyRop2(*p, dc.State.Rop2, Raster(dc), colour)) {
        p->setPen(MakePen(s, colour, Qt::MiterJoin));
        p->setBrush(Qt::NoBrush);
        p->drawPath(make(CentreRect(box)));
    }
    p->restore();
}

double EllipseAngle(const QRectF& r, int x, int y) {
    double dx = x + 0.5 - r.center().x();
    double dy = r.center().y() - (y + 0.5);
    double rx = std::max(r.width() / 2, 1e-9), ry = std::max(r.height() / 2, 1e-9);
    return std::atan2(dy * rx, dx * ry) * 180.0 / M_PI;
}

double Sweep(double from, double to) {
    double span = std::fmod(to - from, 360.0);
    if (span <= 0) span += 360.0;
    return span;
}

BOOL ArcShape(HDC hdc, TArcKind kind, int left, int top, int right, int bottom, int xs, int ys,
              int xe, int ye) {
    TDeviceContext* dc = Live(hdc);
    if (!dc) return 0;
    static constexpr const char* kNames[] = {"Arc", "Chord", "Pie"};
    TCallNote note(*dc, kNames[static_cast<int>(kind)], {left, top, right, bottom, xs, ys, xe, ye});
    TRect box = ToDeviceRect(dc->State, left, top, right, bottom);
    TPoint s = ToDevice(dc->State, xs, ys), e = ToDevice(dc->State, xe, ye);
    auto make = [&](const QRectF& r) {
        double a1 = EllipseAngle(CentreRect(box), s.X, s.Y);
        double a2 = EllipseAngle(CentreRect(box), e.X, e.Y);
        double span = Sweep(a1, a2);
        QPainterPath path;
        if (kind == TArcKind::Pie) {
            path.moveTo(r.center());
            path.arcTo(r, a1, span);
            path.closeSubpath();
        } else {
            path.arcMoveTo(r, a1);
            path.arcTo(r, a1, span);
            if (kind == TArcKind::Chord) path.closeSubpath();
        }
        return path;
    };
    if (kind == TArcKind::Arc) {
        TPaint p(*dc);
        if (!p) return 1;
        TStroke st = Stroke(*dc);
        QColor colour = st.Colour;
        if (st.None || !ApplyRop2(*p, dc->State.Rop2, Raster(*dc), colour)) return 1;
        p->setPen(MakePen(st, colour, Qt::RoundJoin));
        p->setBrush(Qt::NoBrush);
        p->drawPath(make(CentreRect(box)));
        return 1;
    }
    ShapeBox(*dc, box, make);
    return 1;
}

bool Visible(const TDeviceContext& dc, int x, int y) {
    if (!Raster(dc) || x < 0 || y < 0 || x >= dc.Image->width() || y >= dc.Image->height())
        return false;
    return !dc.State.Clipped || dc.State.Clip.contains(QPoint(x, y));
}

COLORREF FromRgb(QRgb c) {
    return RGB(static_cast<Byte>(qRed(c)), static_cast<Byte>(qGreen(c)),
               static_cast<Byte>(qBlue(c)));
}
