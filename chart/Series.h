// The standard series kinds: the fast line (one polyline for many points), bars (upright and
// horizontal, side by side, stacked or stacked to 100 per cent), lines, points and areas, and
// pies; and the start-up that enters them in the gallery and registers them for stored forms.
//
// A fast line converts each point to pixels and draws with move-to and line-to straight on the
// chart's canvas. Points that fall into the pixel column of the point before cost no line-to as
// they come: the column keeps its lowest, highest and last pixel and is drawn as one vertical
// stroke when the line leaves it, so a million points on a thousand columns cost a few thousand
// strokes and draw the same pixels as the full polyline. In a 3-D chart the line lies on the
// back wall, in the plane of the grid, so that its values read against the grid lines (a line
// at its own depth in front of the wall would run over the floor).
//
// Bars share the room of each X position among the active bar series of the same kind by
// MultiBar; their widths come from the axis length, BarWidthPercent and the number of points
// (one slot more with SideMargins). Shapes whose 3-D slant divides by the chart's depth draw the
// plain rectangle when that depth is 0.
//
// Lines, points and areas draw point by point, remembering the last point drawn; a drawing that
// starts inside the data begins at the plot's left edge, at the height the line has there. Pies
// keep a table of slice angles (middle and end, radians, counter-clockwise from the right before
// the rotation); the last slice ends at exactly 2 pi and none is narrower than one degree.
#pragma once

#include "chart/Chart.h"
#include "chart/ChartEngine.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

VANTREL_EXCEPTION(BarException, ChartException);

// Amounts taken from each colour component for the darker faces of 3-D bars.
extern int DarkColorQuantity;   // 64
extern int DarkerColorQuantity; // 128

// The colour less Quantity in each of red, green and blue (each at least 0).
TColor ApplyDark(TColor Color, int Quantity);

// ---------------------------------------------------------------------------------------------

class TFastLineSeries : public TChartSeries {
    VANTREL_CLASS(TFastLineSeries, TChartSeries)

    explicit TFastLineSeries(TComponent* AOwner);
    ~TFastLineSeries() override;
    void Assign(TPersistent* Source) override;

    TChartPen* LinePen() const { return linePen_.get(); }
    // Takes the pen's settings; the series colour follows its colour.
    void SetLinePen(TChartPen* Value);

    void DrawValue(int ValueIndex) override;
    void SetSeriesColor(TColor Color) override;
    void DrawAllValues() override;
    void DoAfterDrawValues() override;
    std::string GetEditorClassName() const override;
    int Clicked(int X, int Y) override;
    void DrawLegendShape(int ValueIndex, const TRect& Rect) override;
    // A line has no depth: in 3-D it lies on the front plane, where its axis labels are.
    bool HasDepth() const override { return false; }

private:
    void PreparePen();
    // Draws the pending column's vertical stroke and its exit point.
    void FlushColumn();
    // The pixel of a point.
    TPoint PointAt(int ValueIndex) const { return Point(CalcXPos(ValueIndex), CalcYPos(ValueIndex)); }
    std::unique_ptr<TChartPen> linePen_;
    int lastX_ = 0;
    int lastY_ = 0;
    // The column being collected: its lowest and highest pixel besides the last point.
    bool columnPending_ = false;
    int columnMinY_ = 0;
    int columnMaxY_ = 0;
    // A point with a value that is not finite came last: the line starts again at the next.
    bool broken_ = false;
};

// ---------------------------------------------------------------------------------------------

enum TMultiBar { mbNone, mbSide, mbStacked, mbStacked100 };
enum TBarStyle {
    bsRectangle,
    bsPyramid,
    bsInvPyramid,
    bsCilinder,
    bsEllipse,
    bsArrow,
    bsRectGradient
};

class TCustomBarSeries;
using TGetBarStyleEvent =
    std::function<void(TCustomBarSeries* Sender, int ValueIndex, TBarStyle& TheBarStyle)>;

class TCustomBarSeries : public TChartSeries {
    VANTREL_CLASS(TCustomBarSeries, TChartSeries)

    explicit TCustomBarSeries(TComponent* AOwner);
    ~TCustomBarSeries() override;
    void Assign(TPersistent* Source) override;
    // Bars that share their X positions (side by side or stacked) share one 3-D row.
    void CalcZOrder() override;

    int BarWidthPercent() const { return barWidthPercent_; }
    // Raises BarException outside 1..100.
    void SetBarWidthPercent(int Value);
    TBarStyle BarStyle() const { return barStyle_; }
    void SetBarStyle(TBarStyle Value);
    bool UseYOrigin() const { return useYOrigin_; }
    void SetUseYOrigin(bool Value);
    double YOrigin() const { return yOrigin_; }
    void SetYOrigin(double Value);
    TChartPen* BarPen() const { return barPen_.get(); }
    void SetBarPen(TChartPen* Value) { barPen_->Assign(Value); }
    TChartBrush* BarBrush() const { return barBrush_.get(); }
    void SetBarBrush(TBrush* Value) { barBrush_->Assign(Value); }
    TMultiBar MultiBar() const { return multiBar_; }
    // Also given to every bar series of the same kind on the chart.
    void SetMultiBar(TMultiBar Value);
    bool SideMargins() const { return sideMargins_; }
    // Also given to every bar series of the same kind on the chart.
    void SetSideMargins(bool Value);
    bool Dark3D() const { return dark3D_; }
    void SetDark3D(bool Value);
    int OffsetPercent() const { return offsetPercent_; }
    // Raises BarException outside -100..100.
    void SetOffsetPercent(int Value);
    bool AutoMarkPosition() const { return autoMarkPosition_; }
    void SetAutoMarkPosition(bool Value);
    // Fixed bar width (or height) in pixels; 0 computes it.
    int CustomBarSize() const { return customBarSize_; }
    void SetCustomBarSize(int Value);
    // The bar width of the last computation, in pixels.
    int BarWidth() const { return barWidth_; }
    // Computes the bar width from the axis length and the points.
    void CalcBarWidth();
    // Pixel where the bar of a point starts along its value axis.
    int GetOriginPos(int ValueIndex) const;
    // Pixel of the bar's value end along its value axis, stacked by MultiBar.
    int ValueEndPos(int ValueIndex) const;
    // The style of one bar: BarStyle, or what OnGetBarStyle answers.
    TBarStyle GetBarStyle(int ValueIndex);

    // --- kind-specific operations
    // Height of a mark (upright bars) or width of a point's mark text (horizontal bars, -1: the
    // widest).
    virtual int MarkSize(int ValueIndex) = 0;
    // Length of the category axis the bar width divides.
    virtual int AxisLength() const = 0;
    // Pixel of a value on the value axis, and the plot edge bars start at without an origin.
    virtual int ValuePixel(double Value) const = 0;
    virtual int PlotEdge() const = 0;
    // Whether (X, Y) lies on the bar of ValueIndex.
    virtual bool BarClicked(int ValueIndex, int X, int Y);
    // Draws the bar in BarRect; StartPos and EndPos are its smaller and larger end along the
    // value axis.
    virtual void DrawBar(const TRect& BarRect, int ValueIndex, int StartPos, int EndPos) = 0;

    void PrepareForGallery(bool Enabled) override;
    int NumSampleValues() const override { return 6; }
    std::string GetEditorClassName() const override;
    int Clicked(int X, int Y) override;
    void GetLegendBrush(int ValueIndex, TColor& BackColor, TBrushStyle& Style) override;
    void DoBeforeDrawValues() override;

    TGetBarStyleEvent OnGetBarStyle;

protected:
    // Sets the canvas pen and brush for a face of the colour.
    void PrepareFace(TColor Color);
    // Draws a rectangle given in any corner order; thin bars stay visible as lines.
    void BarRectangle(TColor Color, int Left, int Top, int Right, int Bottom);
    void Face(TColor Color, const std::vector<TPoint>& Points);
    // Colours of the bar being drawn.
    TColor barColor_ = clBlack;
    TColor darkColor_ = clBlack;
    TColor darkerColor_ = clBlack;
    // The position of the bar across its value axis: the shift among same-kind series.
    int SideShift(int Position) const;
    // The value range of the bars from the plain range of their values.
    double StackedMaximum(double PlainMaximum) const;
    double StackedMinimum(double PlainMinimum) const;
    // The room along the category axis: the bar slots at each end.
    void CategoryMargins(int& Before, int& After);
    // The room a mark and its arrow take beyond the bar, 0 without marks.
    int MarkRoom();
    // The same-kind active series of the chart and this one's place among them (from 1).
    int SameKindCount() const;
    int SameKindOrder() const;
    // Draws a mark placed for a flat bar, moved half a series depth back in 3-D.
    void DrawMarkIn3D(int ValueIndex, const std::string& St, TRect R, TPoint ArrowFrom,
                      TPoint ArrowTo);
    // Prepares the colours of the bar at ValueIndex; false for a point not drawn.
    bool PrepareBarColors(int ValueIndex);

private:
    int barWidthPercent_ = 70;
    TBarStyle barStyle_ = bsRectangle;
    bool useYOrigin_ = true;
    double yOrigin_ = 0;
    std::unique_ptr<TChartPen> barPen_;
    std::unique_ptr<TChartBrush> barBrush_;
    TMultiBar multiBar_ = mbSide;
    int customBarSize_ = 0;
    bool sideMargins_ = true;
    bool dark3D_ = true;
    int offsetPercent_ = 0;
    bool autoMarkPosition_ = true;
    int barWidth_ = 0;
};

class TBarSeries : public TCustomBarSeries {
    VANTREL_CLASS(TBarSeries, TCustomBarSeries)

    explicit TBarSeries(TComponent* AOwner);
    int CustomBarWidth() const { return CustomBarSize(); }
    void SetCustomBarWidth(int Value) { SetCustomBarSize(Value); }

    int CalcXPos(int ValueIndex) const override;
    int CalcYPos(int ValueIndex) const override;
    double MaxYValue() const override;
    double MinYValue() const override;
    void CalcHorizMargins(int& LeftMargin, int& RightMargin) override;
    void CalcVerticalMargins(int& TopMargin, int& BottomMargin) override;
    void DrawValue(int ValueIndex) override;
    void DrawMark(int ValueIndex, const std::string& St, TRect R, TPoint ArrowFrom,
                  TPoint ArrowTo) override;
    bool DrawValuesForward() const override;
    int MarkSize(int ValueIndex) override;
    int AxisLength() const override;
    int ValuePixel(double Value) const override { return CalcYPosValue(Value); }
    int PlotEdge() const override { return ParentChart()->ChartRect.Bottom; }
    bool BarClicked(int ValueIndex, int X, int Y) override;
    void DrawBar(const TRect& BarRect, int ValueIndex, int StartPos, int EndPos) override;

private:
    void BlockFaces(int X0, int X1, int V, int S, int T);
    void Cylinder(int X0, int X1, int T, int B);
};

class THorizBarSeries : public TCustomBarSeries {
    VANTREL_CLASS(THorizBarSeries, TCustomBarSeries)

    explicit THorizBarSeries(TComponent* AOwner);
    int CustomBarHeight() const { return CustomBarSize(); }
    void SetCustomBarHeight(int Value) { SetCustomBarSize(Value); }

    TChartValueList* MandatoryValueList() const override { return XValues(); }
    double GetMarkValue(int ValueIndex) const override { return XValue(ValueIndex); }
    int CalcXPos(int ValueIndex) const override;
    int CalcYPos(int ValueIndex) const override;
    double MaxXValue() const override;
    double MinXValue() const override;
    void CalcHorizMargins(int& LeftMargin, int& RightMargin) override;
    void CalcVerticalMargins(int& TopMargin, int& BottomMargin) override;
    void DrawValue(int ValueIndex) override;
    void DrawMark(int ValueIndex, const std::string& St, TRect R, TPoint ArrowFrom,
                  TPoint ArrowTo) override;
    bool DrawValuesForward() const override;
    void FillSampleValues(int NumValues) override;
    int MarkSize(int ValueIndex) override;
    int AxisLength() const override;
    int ValuePixel(double Value) const override { return CalcXPosValue(Value); }
    int PlotEdge() const override { return ParentChart()->ChartRect.Left; }
    bool BarClicked(int ValueIndex, int X, int Y) override;
    void DrawBar(const TRect& BarRect, int ValueIndex, int StartPos, int EndPos) override;

private:
    void EndFace(int X, int T, int D);
    void TopFace(int P, int Q, int T);
    void Cylinder(int P, int Q, int T, int D);
};

// ---------------------------------------------------------------------------------------------
// Line, point and area series

enum TSeriesPointerStyle {
    psRectangle,
    psCircle,
    psTriangle,
    psDownTriangle,
    psCross,
    psDiagCross,
    psStar,
    psDiamond,
    psSmallDot
};

class TCustomSeries;

// The symbol a series draws at each point; owned by its series.
class TSeriesPointer : public TPersistent {
    VANTREL_CLASS(TSeriesPointer, TPersistent)

    explicit TSeriesPointer(TChartSeries* AOwner);
    void Assign(TPersistent* Source) override;

    TChartSeries* ParentSeries() const { return series_; }
    // Half width and half height in pixels; below 1 raises ChartException "Pointer size must be
    // greater than zero".
    int HorizSize() const { return horizSize_; }
    void SetHorizSize(int Value);
    int VertSize() const { return vertSize_; }
    void SetVertSize(int Value);
    // Rectangles get a top and a right face in 3-D.
    bool Draw3D() const { return draw3D_; }
    void SetDraw3D(bool Value);
    TSeriesPointerStyle Style() const { return style_; }
    void SetStyle(TSeriesPointerStyle Value);
    TChartPen* Pen() const { return pen_.get(); }
    void SetPen(TChartPen* Value) { pen_->Assign(Value); }
    TChartBrush* Brush() const { return brush_.get(); }
    void SetBrush(TBrush* Value) { brush_->Assign(Value); }
    bool Visible() const { return visible_; }
    void SetVisible(bool Value);
    // Widen the chart's margins so symbols at the plot's edges fit.
    bool InflateMargins() const { return inflateMargins_; }
    void SetInflateMargins(bool Value);

    // Draws the symbol at (X, Y) in Color (the pen's and brush's marker colours resolve to it).
    void Draw(int X, int Y, TColor Color, TSeriesPointerStyle AStyle);
    // Draws the symbol without 3-D faces, its half sizes at most MaxH and MaxV (legend symbols).
    void DrawSmall(int X, int Y, TColor Color, TSeriesPointerStyle AStyle, int MaxH, int MaxV);

private:
    void PrepareCanvas(TColor Color);
    void DrawShape(int X, int Y, TColor Color, TSeriesPointerStyle AStyle, int H, int V,
                   bool Faces);
    void Changed();
    TChartSeries* series_;
    int horizSize_ = 4;
    int vertSize_ = 4;
    bool draw3D_ = true;
    TSeriesPointerStyle style_ = psRectangle;
    std::unique_ptr<TChartPen> pen_;
    std::unique_ptr<TChartBrush> brush_;
    bool visible_ = true;
    bool inflateMargins_ = true;
};

using TSeriesClickPointerEvent =
    std::function<void(TCustomSeries* Sender, int ValueIndex, int X, int Y)>;
using TOnGetPointerStyle = std::function<TSeriesPointerStyle(TChartSeries* Sender, int ValueIndex)>;

// Points joined by lines (or steps), optionally with a symbol at each point and the area under
// the line filled; in 3-D the lines become ribbons with the series' depth. Points whose pixel
// lies beyond +-32767 are skipped and not remembered.
class TCustomSeries : public TChartSeries {
    VANTREL_CLASS(TCustomSeries, TChartSeries)

    explicit TCustomSeries(TComponent* AOwner);
    ~TCustomSeries() override;
    void Assign(TPersistent* Source) override;

    bool Stairs() const { return stairs_; }
    void SetStairs(bool Value);
    bool InvertedStairs() const { return invertedStairs_; }
    void SetInvertedStairs(bool Value);
    bool DrawArea() const { return drawArea_; }
    void SetDrawArea(bool Value);
    TSeriesPointer* Pointer() const { return pointer_.get(); }
    void SetPointer(TSeriesPointer* Value) { pointer_->Assign(Value); }
    TChartPen* AreaLinesPen() const { return areaLinesPen_.get(); }
    void SetAreaLinesPen(TChartPen* Value) { areaLinesPen_->Assign(Value); }
    TChartPen* LinePen() const { return linePen_.get(); }
    void SetLinePen(TChartPen* Value) { linePen_->Assign(Value); }
    TColor AreaColor() const { return areaColor_; }
    void SetAreaColor(TColor Value);
    TBrushStyle LineBrush() const { return lineBrush_; }
    void SetLineBrush(TBrushStyle Value);
    TBrushStyle AreaBrush() const { return areaBrush_; }
    void SetAreaBrush(TBrushStyle Value);
    // Whether points are joined with lines (set by the flavours).
    bool DrawLine() const { return drawLine_; }
    // Whether clicks on the lines between points count.
    bool ClickableLine() const { return clickableLine_; }
    // The pixel row the area under point ValueIndex starts at.
    virtual int OriginPixel(int ValueIndex) const;

    void DrawValue(int ValueIndex) override;
    void DoBeforeDrawValues() override;
    void DrawMark(int ValueIndex, const std::string& St, TRect R, TPoint ArrowFrom,
                  TPoint ArrowTo) override;
    void DrawLegendShape(int ValueIndex, const TRect& Rect) override;
    void CalcHorizMargins(int& LeftMargin, int& RightMargin) override;
    void CalcVerticalMargins(int& TopMargin, int& BottomMargin) override;
    int Clicked(int X, int Y) override;
    std::string GetEditorClassName() const override;

    TSeriesClickPointerEvent OnClickPointer;
    TOnGetPointerStyle OnGetPointerStyle;

protected:
    void SetDrawLine(bool Value) { drawLine_ = Value; }
    void SetClickableLine(bool Value) { clickableLine_ = Value; }
    // The area's fill colour for a point of Color.
    TColor AreaFillColor(TColor Color) const;

private:
    struct TSegment;
    void DrawPointer(int X, int Y, TColor Color, int ValueIndex);
    // The line's start at the plot's left edge when the drawing starts at ValueIndex > 0.
    TPoint EdgeStart(int ValueIndex) const;
    void DrawSegment(const TSegment& S);
    void DrawRibbon(const TSegment& S);
    void DrawAreaPart(const TSegment& S);
    void DrawLinePart(const TSegment& S);
    bool SegmentClicked(const TPoint& P, const TSegment& S) const;

    bool stairs_ = false;
    bool invertedStairs_ = false;
    bool drawLine_ = false;
    bool drawArea_ = false;
    std::unique_ptr<TSeriesPointer> pointer_;
    std::unique_ptr<TChartPen> areaLinesPen_;
    std::unique_ptr<TChartPen> linePen_;
    TColor areaColor_ = clChartColor;
    TBrushStyle lineBrush_ = bsSolid;
    TBrushStyle areaBrush_ = bsSolid;
    bool clickableLine_ = true;
    // Drawing state: the last point, its origin row and its colour.
    int oldX_ = 0;
    int oldY_ = 0;
    int oldOrigin_ = 0;
    TColor oldColor_ = clChartColor;
};

class TLineSeries : public TCustomSeries {
    VANTREL_CLASS(TLineSeries, TCustomSeries)
    explicit TLineSeries(TComponent* AOwner);
    void Assign(TPersistent* Source) override;
    void GetLegendBrush(int ValueIndex, TColor& BackColor, TBrushStyle& Style) override;
};

class TPointSeries : public TCustomSeries {
    VANTREL_CLASS(TPointSeries, TCustomSeries)
    explicit TPointSeries(TComponent* AOwner);
    void Assign(TPersistent* Source) override;
};

enum TMultiArea { maNone, maStacked, maStacked100 };

class TAreaSeries : public TCustomSeries {
    VANTREL_CLASS(TAreaSeries, TCustomSeries)
    explicit TAreaSeries(TComponent* AOwner);
    void Assign(TPersistent* Source) override;

    TMultiArea MultiArea() const { return multiArea_; }
    // Also given to every area series of the chart.
    void SetMultiArea(TMultiArea Value);

    int CalcYPos(int ValueIndex) const override;
    int OriginPixel(int ValueIndex) const override;
    double MaxYValue() const override;
    double MinYValue() const override;
    void CalcZOrder() override;
    void GetLegendBrush(int ValueIndex, TColor& BackColor, TBrushStyle& Style) override;
    std::string GetEditorClassName() const override;

private:
    TMultiArea multiArea_ = maNone;
};

// ---------------------------------------------------------------------------------------------
// Circled and pie series

VANTREL_EXCEPTION(PieException, ChartException);

// A series drawn inside an ellipse instead of against axes. While an active one is on a chart,
// the chart's axes, point clipping, frame, 3-D walls, zoom and panning are off.
class TCircledSeries : public TChartSeries {
    VANTREL_CLASS(TCircledSeries, TChartSeries)

    explicit TCircledSeries(TComponent* AOwner);
    ~TCircledSeries() override;
    void Assign(TPersistent* Source) override;

    bool Circled() const { return circled_; }
    void SetCircled(bool Value);
    // Degrees, kept in 0..359; a negative value raises PieException.
    int RotationAngle() const { return rotationAngle_; }
    void SetRotationAngle(int Value);
    // Fixed radii in pixels (0 computes them); also given to every series of the same class.
    int CustomXRadius() const { return customXRadius_; }
    void SetCustomXRadius(int Value);
    int CustomYRadius() const { return customYRadius_; }
    void SetCustomYRadius(int Value);
    TChartPen* PiePen() const { return piePen_.get(); }
    void SetPiePen(TChartPen* Value) { piePen_->Assign(Value); }
    // Fill of the whole circle before the slices; clChartColor for none.
    TColor CircleBackColor() const { return circleBackColor_; }
    void SetCircleBackColor(TColor Value);

    // The layout of the last drawing.
    int XRadius() const { return xRadius_; }
    int YRadius() const { return yRadius_; }
    int CircleXCenter() const { return circleXCenter_; }
    int CircleYCenter() const { return circleYCenter_; }
    const TRect& CircleRect() const { return circleRect_; }
    int CircleWidth() const { return circleWidth_; }
    int CircleHeight() const { return circleHeight_; }
    // Thickness of the pie in 3-D (0 in 2-D).
    int Height3D() const { return height3D_; }
    // Lays the circle out in the chart's plot rectangle for the next drawing.
    virtual void CalcCircleRect();
    // The pixel at angle A (radians, counter-clockwise from the right, before the rotation).
    TPoint AngleToPos(double A) const;
    // The angle of a pixel, 0..2 pi, with the rotation taken off.
    double PointToAngle(int X, int Y) const;

    void DoBeforeDrawValues() override;
    void SetParentChart(TCustomAxisPanel* Value) override;
    void SetActive(bool Value) override;
    double MaxXValue() const override;
    double MinXValue() const override;
    double MaxYValue() const override;
    double MinYValue() const override;
    bool UseAxis() const override { return false; }

protected:
    // Turns the chart's axes, clipping, frame, walls, zoom and panning off (Circled) or back on.
    static void SetChartMode(TCustomAxisPanel* Chart, bool Circled);
    // The pixel at angle A on the ellipse of radii RX, RY around the centre.
    TPoint PosAt(double A, int RX, int RY) const;

private:
    // Sets a custom radius here and on every series of the same class on the chart.
    void SetSharedRadius(int TCircledSeries::*Radius, int Value);
    void NormaliseCircle();
    void FitToScreenAspect();
    void ApplyRadii();
    bool circled_ = false;
    int rotationAngle_ = 0;
    int customXRadius_ = 0;
    int customYRadius_ = 0;
    int xRadius_ = 0;
    int yRadius_ = 0;
    std::unique_ptr<TChartPen> piePen_;
    TColor circleBackColor_ = clChartColor;
    double rotation_ = 0;
    int height3D_ = 0;
    int circleWidth_ = 0;
    int circleHeight_ = 0;
    int circleXCenter_ = 0;
    int circleYCenter_ = 0;
    TRect circleRect_;
};

// One slice per point, its angle in proportion to the point's absolute value; a slice is never
// narrower than one degree.
class TPieSeries : public TCircledSeries {
    VANTREL_CLASS(TPieSeries, TCircledSeries)

    struct TPieAngle {
        double MidAngle = 0;
        double EndAngle = 0;
    };

    explicit TPieSeries(TComponent* AOwner);
    void Assign(TPersistent* Source) override;

    TChartValueList* PieValues() const { return YValues(); }
    bool Color3d() const { return color3d_; }
    void SetColor3d(bool Value);
    bool Dark3D() const { return dark3D_; }
    void SetDark3D(bool Value);
    bool Shadowed3d() const { return shadowed3d_; }
    void SetShadowed3d(bool Value);
    TColor ShadowColor() const { return shadowColor_; }
    void SetShadowColor(TColor Value);
    bool UsePatterns() const { return usePatterns_; }
    void SetUsePatterns(bool Value);

    // Rebuilds the angle table from the values.
    void CalcAngles();
    const std::vector<TPieAngle>& Angles() const { return angles_; }
    // The start angle of slice ValueIndex.
    double StartAngle(int ValueIndex) const;

    void DoBeforeDrawValues() override;
    void DoAfterDrawValues() override;
    void DrawValue(int ValueIndex) override;
    void DrawMark(int ValueIndex, const std::string& St, TRect R, TPoint ArrowFrom,
                  TPoint ArrowTo) override;
    int Clicked(int X, int Y) override;
    void GetLegendBrush(int ValueIndex, TColor& BackColor, TBrushStyle& Style) override;
    void PrepareForGallery(bool Enabled) override;
    int NumSampleValues() const override { return 8; }
    void FillSampleValues(int NumValues) override;
    std::string GetEditorClassName() const override;

private:
    TColor SliceBackColor() const;
    void PrepareSliceBrush(int ValueIndex, TColor Color, TColor Back);
    void DrawSlice(const TPoint& From, const TPoint& To);
    void DrawRim(int ValueIndex, TColor Color);
    bool color3d_ = true;
    bool dark3D_ = true;
    bool shadowed3d_ = false;
    TColor shadowColor_ = clGray;
    bool usePatterns_ = false;
    TPoint sliceStart_;
    TPoint sliceEnd_;
    std::vector<TPieAngle> angles_;
};

// The standard series kinds registered for forms and the gallery (the series unit's start-up).
void InitializeSeries();
// Start-up of the chart units in their order: the panel routines (hand cursor), the chart unit
// (switches, functions) and the series unit; StopChartUnits undoes them in reverse order.
void StartChartUnits();
void StopChartUnits();
