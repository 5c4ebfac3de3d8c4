// The series kinds the program draws with: the fast line (one polyline for many points) and
// bars (upright and horizontal, side by side, stacked or stacked to 100 per cent).
//
// A fast line converts each point to pixels and draws with move-to and line-to straight on the
// chart's canvas. Points that fall into the pixel column of the point before cost no line-to as
// they come: the column keeps its lowest, highest and last pixel and is drawn as one vertical
// stroke when the line leaves it, so a million points on a thousand columns cost a few thousand
// strokes and draw the same pixels as the full polyline.
//
// Bars share the room of each X position among the active bar series of the same kind by
// MultiBar; their widths come from the axis length, BarWidthPercent and the number of points
// (one slot more with SideMargins). Shapes whose 3-D slant divides by the chart's depth draw the
// plain rectangle when that depth is 0.
#pragma once

#include "chart/Chart.h"
#include "chart/ChartEngine.h"

#include <functional>
#include <memory>
#include <string>

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

private:
    void PreparePen();
    // Draws the pending column's vertical stroke and its exit point.
    void FlushColumn();
    std::unique_ptr<TChartPen> linePen_;
    int lastX_ = 0;
    int lastY_ = 0;
    // The column being collected: its lowest and highest pixel besides the last point.
    bool columnPending_ = false;
    int columnMinY_ = 0;
    int columnMaxY_ = 0;
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
