// Internal to the GUI layer: the ground under the GDI calls of WinGdi. The registries of GDI
// objects and device contexts (a handle is valid while its object is registered), the stock
// objects, the observer note of a drawing call, the conversions between logical and device
// coordinates, and the painting helpers: the painter of a context, raster operations, pens and
// their dash patterns, brushes, filled shapes and arcs.
#pragma once

#include "platform/gui/QtPaint.h"
#include "platform/gui/WinGdi.h"

#include <QPainterPath>

#include <functional>
#include <initializer_list>
#include <string>
#include <unordered_set>
#include <vector>

// ---------------------------------------------------------------------------------------------
// Object and context registries: a handle is valid while its object is registered.

// The registries live to the very end of the program (they are never destroyed), so objects
// that release contexts while static objects are destroyed still find them.
std::unordered_set<TGdiObject*>& Objects();

std::unordered_set<TDeviceContext*>& Contexts();

TGdiObject* NewObject(TGdiObject::TKind kind);

TGdiObject* LiveObject(HGDIOBJ handle);

TGdiObject* StockObject(int index);

// The 1 x 1 monochrome bitmap a new memory context holds.
TGdiObject* StockBitmap();

TDeviceContext* NewContext();

TDeviceContext* Live(HDC dc);

// Tells the context's observer of a drawing call made on it; the calls a drawing call makes in
// turn (DrawText's text outputs, for one) are not told.
class TCallNote {
public:
    TCallNote(TDeviceContext& dc, const char* name, std::initializer_list<int> args,
              const std::string& text = {})
        : dc_(dc) {
        if (dc_.OnCall && dc_.CallDepth == 0) dc_.OnCall(dc_, name, std::vector<int>(args), text);
        ++dc_.CallDepth;
    }
    TCallNote(TDeviceContext& dc, const char* name, const TPoint* points, int count) : dc_(dc) {
        if (dc_.OnCall && dc_.CallDepth == 0) {
            std::vector<int> args;
            for (int i = 0; i < count; ++i) {
                args.push_back(points[i].X);
                args.push_back(points[i].Y);
            }
            dc_.OnCall(dc_, name, args, {});
        }
        ++dc_.CallDepth;
    }
    ~TCallNote() { --dc_.CallDepth; }
    TCallNote(const TCallNote&) = delete;
    TCallNote& operator=(const TCallNote&) = delete;

private:
    TDeviceContext& dc_;
};

COLORREF BrushColour(HBRUSH brush);

// ---------------------------------------------------------------------------------------------
// Coordinates.

double ScaleX(const TDcState& s);

double ScaleY(const TDcState& s);

int RoundToInt(double v);

TPoint ToDevice(const TDcState& s, int x, int y);

TPoint ToLogical(const TDcState& s, int x, int y);

// A logical rectangle in device pixels, ordered so that Left <= Right and Top <= Bottom.
TRect ToDeviceRect(const TDcState& s, int left, int top, int right, int bottom);

// A length along x or y in device pixels (at least 1 when the logical length is not 0).
int DeviceLength(int length, double scale);

QRect ToQRect(const TRect& r);

// The GDI box (right and bottom outside) as the Qt shape through its pixel centres.
QRectF CentreRect(const TRect& r);

// ---------------------------------------------------------------------------------------------
// Painting.

bool Raster(const TDeviceContext& dc);

// Images whose pixels the layer reads and writes directly as 32-bit values.
bool Pixels32(const TDeviceContext& dc);

// A colour as the context's device shows it: a monochrome bitmap takes the nearer of black
// and white.
QColor Colour(const TDeviceContext& dc, COLORREF c);

// A painter on the context's target, clipped to the context's clip region, aliased.
class TPaint {
public:
    explicit TPaint(TDeviceContext& dc) {
        if (Raster(dc)) {
            if (own_.begin(dc.Image)) p_ = &own_;
        } else if (dc.Painter && dc.Painter->isActive()) {
            p_ = dc.Painter;
            p_->save();
            saved_ = true;
        }
        if (!p_) return;
        p_->setRenderHint(QPainter::Antialiasing, false);
        p_->setRenderHint(QPainter::SmoothPixmapTransform, false);
        p_->setRenderHint(QPainter::TextAntialiasing, !Raster(dc));
        // Bitmaps go into a printed document as they are: a lossy encoding would blur the
        // few flat colours of a chart or a glyph into hundreds.
        p_->setRenderHint(QPainter::LosslessImageRendering, true);
        if (dc.State.Clipped) p_->setClipRegion(dc.State.Clip);
    }
    ~TPaint() {
        if (saved_)
            p_->restore();
        else if (own_.isActive())
            own_.end();
    }
    TPaint(const TPaint&) = delete;
    TPaint& operator=(const TPaint&) = delete;
    explicit operator bool() const { return p_ != nullptr; }
    QPainter* operator->() { return p_; }
    QPainter& operator*() { return *p_; }

private:
    QPainter own_;
    QPainter* p_ = nullptr;
    bool saved_ = false;
};

// Sets the composition for a ROP2 drawing mode; returns false when nothing is to be drawn.
// Colour is replaced for the modes that ignore the pen colour.
bool ApplyRop2(QPainter& p, int rop2, bool raster, QColor& colour);

// The pen of a context in device terms.
struct TStroke {
    bool None = true;
    int Width = 1;
    QColor Colour;
    UINT Style = PS_SOLID;
    bool Raster = true; // drawn on an image, not through a printer's painter
};

TStroke Stroke(const TDeviceContext& dc);

// Dash patterns of the one-pixel styled pens, in pixels on and off.
std::vector<int> DashPattern(UINT style);

// The pixels of a one-pixel line from a to b, b itself left out, split into those the pen
// draws and those in the gaps of its style. phase carries the style across joined segments.
void LinePixels(TPoint a, TPoint b, const std::vector<int>& pattern, int& phase,
                QVector<QPoint>& on, QVector<QPoint>& off);

// The Qt pen for a stroke: one-pixel pens keep their dash pattern and leave out their end
// point; wider ones are solid with round ends.
QPen MakePen(const TStroke& s, const QColor& colour, Qt::PenJoinStyle join);

void DrawPoints(QPainter& p, const QVector<QPoint>& points, const QColor& colour);

// Strokes a path of device points with the context's pen; closed joins the last point to the
// first. One-pixel pens on images are drawn pixel by pixel, each pixel once.
void StrokePoints(TDeviceContext& dc, TPaint& p, const std::vector<TPoint>& points, bool closed);

// The brush of a context as a Qt brush (pattern brushes anchored at the device origin).
QBrush MakeBrush(const TDeviceContext& dc, const TDcState& s, bool& none);

// Fills a path (device coordinates) with the context's brush; a hatch in an opaque context
// first fills its gaps with the background colour.
void FillPath(TDeviceContext& dc, TPaint& p, const QPainterPath& path);

QPainterPath RectPath(const QRectF& r);

// Filled shapes: the brush inside the outline, then the pen. box is the device box (right and
// bottom outside); with no pen the filled area loses its right and bottom pixel rows.
void ShapeBox(TDeviceContext& dc, TRect box,
              const std::function<QPainterPath(const QRectF&)>& make);

// The angle in degrees (counter-clockwise, 0 at three o'clock) at which the ray from the
// centre of r through (x, y) meets the ellipse in r, as Qt's ellipse parameter.
double EllipseAngle(const QRectF& r, int x, int y);

double Sweep(double from, double to);

enum class TArcKind { Arc, Chord, Pie };

BOOL ArcShape(HDC hdc, TArcKind kind, int left, int top, int right, int bottom, int xs, int ys,
              int xe, int ye);

// Pixels of an image context for direct reading and writing, with the visible test.
bool Visible(const TDeviceContext& dc, int x, int y);

COLORREF FromRgb(QRgb c);

