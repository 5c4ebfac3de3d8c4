// The charting engine without decorations: series of points with their value lists, the base of
// the series functions, the four axes, the legend model, marks, the chart pens and the axis panel
// that lays out the plot and draws axes and series.
//
// A series keeps its points as parallel value lists (X, Y, and lists a series kind adds), with a
// colour and a label per point; the X list keeps ascending order unless told otherwise, equal
// values keeping the order they came in. Every list keeps its total, absolute total, minimum and
// maximum (times its Multiplier) in step with each insertion and deletion. A series passes every
// change of its points on to the series that take it as their data source; a source chain that
// returns to the series is refused.
//
// Point colours: clChartColor ($80000000) stands for the series colour and clNone ($1FFFFFFF)
// for a point that is not drawn; both are resolved here, so neither reaches a canvas, where
// $80000000 would read as a system colour.
//
// An axis maps values to pixels of the plotting rectangle (linear, inverted or logarithmic),
// finds its range from its series unless fixed, and chooses label steps so labels fit. The axis
// panel draws in one pass: decoration steps of the chart component, axis layout, back rectangle,
// axes, then each active series with its marks; on screen through an off-screen bitmap, onto any
// other canvas directly. Setters store and redraw only on a change; errors leave the old value.
#pragma once

#include "chart/ChartPanel.h"
#include "platform/gui/Graphics.h"
#include "platform/rtl/Classes.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

VANTREL_EXCEPTION(AxisException, ChartException);
VANTREL_EXCEPTION(LegendException, ChartException);

// The point colour that stands for the series colour.
constexpr TColor clChartColor = static_cast<TColor>(0x80000000u);

class TChartSeries;
class TChartAxis;
class TCustomAxisPanel;
class TCustomChartLegend;

// ---------------------------------------------------------------------------------------------
// Pens. Each reports its changes through OnChange (the chart's redraw).

class TChartPen : public TPen {
    VANTREL_CLASS(TChartPen, TPen)

    explicit TChartPen(TNotifyEvent OnChangeEvent = {});
    void Assign(TPersistent* Source) override;
    bool Visible() const { return visible_; }
    void SetVisible(bool Value);

private:
    bool visible_ = true;
};

class TChartHiddenPen : public TChartPen {
    VANTREL_CLASS(TChartHiddenPen, TChartPen)
    explicit TChartHiddenPen(TNotifyEvent OnChangeEvent = {});
};

class TChartArrowPen : public TChartPen {
    VANTREL_CLASS(TChartArrowPen, TChartPen)
    explicit TChartArrowPen(TNotifyEvent OnChangeEvent = {});
};

class TChartAxisPen : public TChartPen {
    VANTREL_CLASS(TChartAxisPen, TChartPen)
    explicit TChartAxisPen(TNotifyEvent OnChangeEvent = {});
};

class TChartTickPen : public TChartPen {
    VANTREL_CLASS(TChartTickPen, TChartPen)
    explicit TChartTickPen(TNotifyEvent OnChangeEvent = {});
};

class TChartGridPen : public TChartPen {
    VANTREL_CLASS(TChartGridPen, TChartPen)
    explicit TChartGridPen(TNotifyEvent OnChangeEvent = {});
};

// ---------------------------------------------------------------------------------------------
// Value lists

enum TChartListOrder { loNone, loAscending, loDescending };

class TChartValueList : public TPersistent {
    VANTREL_CLASS(TChartValueList, TPersistent)

    // Registers itself in Owner's value lists.
    TChartValueList(TChartSeries* AOwner, const std::string& AName);

    TChartSeries* Owner() const { return owner_; }
    int Count() const { return static_cast<int>(cells_.size()); }
    // The stored value times Multiplier; raises EListError for an index out of range.
    double Value(int Index) const;
    double operator[](int Index) const { return Value(Index); }
    double Last() const { return Value(Count() - 1); }
    // Inserts by Order (equal values after their equals) and answers the index. A value put
    // straight into a list counts in its statistics when it is finite; a point the series adds
    // counts only when all of its values are.
    int AddChartValue(double Value);
    // Inserts at Index whatever the Order, counted as by AddChartValue.
    void InsertChartValue(int Index, double Value);
    // Removes the value at Index: what it put into the totals leaves them (nothing when it
    // counts in none), and RecalcMinMax finds the range anew. Raises EListError for an index out
    // of range.
    void Delete(int Index);
    // Empties the list and zeroes the statistics.
    void ClearValues();
    void Clear() { ClearValues(); }
    // Recomputes the range over the values that count (see Total).
    void RecalcMinMax();
    // Copies Order, DateTime, Multiplier and ValueSource.
    void Assign(TPersistent* Source) override;

    TChartListOrder Order() const { return order_; }
    void SetOrder(TChartListOrder Value) { order_ = Value; }
    bool DateTime() const { return dateTime_; }
    void SetDateTime(bool Value);
    double Multiplier() const { return multiplier_; }
    void SetMultiplier(double Value);
    const std::string& Name() const { return name_; }
    void SetName(const std::string& Value) { name_ = Value; }
    const std::string& ValueSource() const { return valueSource_; }
    void SetValueSource(const std::string& Value);
    // The value the next insertion of a point stores in this list.
    double PendingValue() const { return pending_; }
    void SetPendingValue(double Value) { pending_ = Value; }
    // Totals and range of the values of the points that count: a point with a value that is not
    // finite in any list is a null point and counts in none (see TChartSeries::ValueIsFinite).
    double Total() const { return total_; }
    double TotalABS() const { return totalAbs_; }
    double MaxValue() const { return maxValue_; }
    double MinValue() const { return minValue_; }
    // How many values the totals hold.
    int TotalCount() const { return counted_; }

private:
    friend class TChartSeries;
    // Where Order puts Value.
    int OrderedIndex(double Value) const;
    // Inserts Value at Index, not counted in the statistics.
    void InsertUncounted(int Index, double Value);
    // Counts the value at Index in the statistics when it is finite.
    void CountValue(int Index);
    struct TCell {
        double Stored; // not multiplied
        std::optional<double> Added; // what the value put into the totals; none: counts in none
    };
    // The cell at Index; raises EListError for an index out of range.
    const TCell& Cell(int Index) const;
    TChartSeries* owner_;
    std::vector<TCell> cells_;
    TChartListOrder order_ = loNone;
    bool dateTime_ = false;
    double multiplier_ = 1.0;
    double pending_ = 0;
    std::string name_;
    std::string valueSource_;
    double total_ = 0;
    double totalAbs_ = 0;
    double maxValue_ = 0;
    double minValue_ = 0;
    int counted_ = 0;
};

// ---------------------------------------------------------------------------------------------
// Font objects, marks

class TChartFontObject : public TPersistent {
    VANTREL_CLASS(TChartFontObject, TPersistent)

    explicit TChartFontObject(TCustomAxisPanel* AOwner);
    void Assign(TPersistent* Source) override;
    TCustomAxisPanel* ParentChart() const { return parentChart_; }
    TFont* Font() const { return font_.get(); }
    void SetFont(TFont* Value) { font_->Assign(Value); }

private:
    TCustomAxisPanel* parentChart_;
    std::unique_ptr<TFont> font_;
};

enum TSeriesMarksStyle {
    smsValue,
    smsPercent,
    smsLabel,
    smsLabelPercent,
    smsLabelValue,
    smsLegend,
    smsPercentTotal,
    smsLabelPercentTotal,
    smsXValue
};

class TSeriesMarks : public TPersistent {
    VANTREL_CLASS(TSeriesMarks, TPersistent)

    explicit TSeriesMarks(TChartSeries* AOwner);
    void Assign(TPersistent* Source) override;

    TChartSeries* ParentSeries() const { return series_; }
    bool Visible() const { return visible_; }
    void SetVisible(bool Value);
    TColor BackColor() const { return backColor_; }
    void SetBackColor(TColor Value);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool Value);
    TFont* Font() const { return font_.get(); }
    void SetFont(TFont* Value) { font_->Assign(Value); }
    TSeriesMarksStyle Style() const { return style_; }
    void SetStyle(TSeriesMarksStyle Value);
    TChartPen* Frame() const { return frame_.get(); }
    void SetFrame(TChartPen* Value) { frame_->Assign(Value); }
    TChartArrowPen* Arrow() const { return arrow_.get(); }
    void SetArrow(TChartPen* Value) { arrow_->Assign(Value); }
    bool Clip() const { return clip_; }
    void SetClip(bool Value);
    int ArrowLength() const { return arrowLength_; }
    void SetArrowLength(int Value);

private:
    void Changed();
    TChartSeries* series_;
    bool visible_ = false;
    TColor backColor_ = 0x80FFFF;
    bool transparent_ = false;
    std::unique_ptr<TFont> font_;
    TSeriesMarksStyle style_ = smsLabel;
    std::unique_ptr<TChartPen> frame_;
    std::unique_ptr<TChartArrowPen> arrow_;
    bool clip_ = false;
    int arrowLength_ = 8;
};

// ---------------------------------------------------------------------------------------------
// Series

enum THorizAxis { aTopAxis, aBottomAxis };
enum TVertAxis { aLeftAxis, aRightAxis };

// Changes of a series' points passed on to its dependents.
enum TChartValueEvent { veClear, veAdd, veDelete, veRefresh, veModified };
using TChartValueEvents = TSet<TChartValueEvent, 8>;

using TSeriesOnBeforeAdd = std::function<bool(TChartSeries* Sender)>;
using TSeriesOnAfterAdd = std::function<void(TChartSeries* Sender, int ValueIndex)>;
using TSeriesOnClear = std::function<void(TChartSeries* Sender)>;
using TSeriesOnGetMarkText =
    std::function<void(TChartSeries* Sender, int ValueIndex, std::string& MarkText)>;
using TSeriesClick = std::function<void(TChartSeries* Sender, int ValueIndex, TMouseButton Button,
                                        TShiftState Shift, int X, int Y)>;

// A series function: computes the points of the series that owns it from that series' data
// sources. The base groups the source's points (by Period, one group for all points, or point by
// point across several sources) and places each result; the function kinds only compute the
// value of one group (Calculate) or of one point index across the sources (CalculateMany).
class TChartFunction : public TComponent {
    VANTREL_CLASS(TChartFunction, TComponent)

    explicit TChartFunction(TComponent* AOwner) : TComponent(AOwner) {}
    TChartSeries* ParentSeries() const { return parentSeries_; }
    // Points per group; 0 makes all the source's points one group.
    int Period() const { return period_; }
    // Raises Exception "Function Period should be >= 0" below 0 (Period unchanged); a change
    // recalculates the owner.
    void SetPeriod(int Value);
    // Computes the owner's points again from its data source (nothing without an owner).
    void ReCalculate();
    // Hands the function to Series, as the stored form's parent hook does: the old owner forgets
    // it and Series takes it with SetFunction.
    void SetParentSeries(TChartSeries* Series);

    // The value of Source's points FirstIndex..LastIndex (both -1: all points); 0 here.
    virtual double Calculate(TChartSeries* Source, int FirstIndex, int LastIndex);
    // The value at point ValueIndex across the series of SourceList; 0 here.
    virtual double CalculateMany(const std::vector<TComponent*>& SourceList, int ValueIndex);
    // Fills the owner (already cleared) from Source.
    virtual void AddPoints(TChartSeries* Source);

private:
    friend class TChartSeries;
    // Adds a result at category X: (X, Y) when Source's values are Y values, else (Y, X).
    void AddPlaced(TChartSeries* Source, double X, double Y);
    void AddWholeRange(TChartSeries* Source, const TChartValueList* Category);
    TChartSeries* parentSeries_ = nullptr;
    int period_ = 0;
};

class TChartSeries : public TComponent {
    VANTREL_CLASS(TChartSeries, TComponent)

    explicit TChartSeries(TComponent* AOwner);
    ~TChartSeries() override;

    // --- points
    int Count() const { return xValues_->Count(); }
    TChartValueList* XValues() const { return xValues_; }
    TChartValueList* YValues() const { return yValues_; }
    int ValuesListCount() const { return static_cast<int>(valueLists_.size()); }
    TChartValueList* ValueList(int Index) const { return valueLists_.at(Index); }
    // A value list of the series kind's own, owned by the series.
    TChartValueList* AddValueList(const std::string& AName);
    bool YMandatory() const { return MandatoryValueList() == yValues_; }
    void SetValueColor(int Index, TColor Color);
    // Sends the modified event to the dependents.
    void RefreshSeries();
    // Invalidates the parent chart, when there is one.
    void Repaint();

    // --- chart and axes
    TCustomAxisPanel* ParentChart() const { return parentChart_; }
    TChartAxis* GetHorizAxis() const;
    TChartAxis* GetVertAxis() const;
    THorizAxis HorizAxis() const { return horizAxis_; }
    void SetHorizAxis(THorizAxis Value);
    TVertAxis VertAxis() const { return vertAxis_; }
    void SetVertAxis(TVertAxis Value);
    int CalcXPosValue(double Value) const;
    int CalcYPosValue(double Value) const;
    int CalcPosValue(double Value) const;
    int MaxMarkWidth();
    bool SameZOrderExists() const;
    bool FirstInZOrder() const;

    // --- settings
    TSeriesMarks* Marks() const { return marks_.get(); }
    void SetMarks(TSeriesMarks* Value) { marks_->Assign(Value); }
    TColor SeriesColor() const { return seriesColor_; }
    bool ColorEachPoint() const { return colorEachPoint_; }
    void SetColorEachPoint(bool Value);
    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& Value);
    const std::string& ValueFormat() const { return valueFormat_; }
    void SetValueFormat(const std::string& Value);
    const std::string& PercentFormat() const { return percentFormat_; }
    void SetPercentFormat(const std::string& Value);
    bool Active() const { return active_; }
    const std::string& XLabelsSource() const { return xLabelsSource_; }
    void SetXLabelsSource(const std::string& Value);
    const std::string& ColorSource() const { return colorSource_; }
    void SetColorSource(const std::string& Value);
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor Value) { cursor_ = Value; }
    bool ShowInLegend() const { return showInLegend_; }
    void SetShowInLegend(bool Value);
    TChartValueEvents AcceptedValueEvents() const { return accepted_; }
    void SetAcceptedValueEvents(TChartValueEvents Value) { accepted_ = Value; }
    TChartFunction* FunctionType() const { return function_; }
    int ZOrder() const { return zOrder_; }
    void SetZOrder(int Value) { zOrder_ = Value; }
    // The range of points the current drawing covers.
    int FirstValueIndex() const { return firstValueIndex_; }
    int LastValueIndex() const { return lastValueIndex_; }
    void SetValueIndexRange(int First, int Last);
    // Drawing keeps to the points within the axis range (else draws them all).
    bool CalcVisiblePoints() const { return calcVisiblePoints_; }
    // Drawing takes one more point beyond the range end, so a line reaches the plot's edge.
    bool DrawBetweenPoints() const { return drawBetweenPoints_; }
    // A function writing into this series puts each result at the middle of its period (else
    // at its start and end).
    bool AllowSinglePoint() const { return allowSinglePoint_; }

    // --- data sources
    TComponent* DataSource() const { return dataSources_.empty() ? nullptr : dataSources_[0]; }
    void SetDataSource(TComponent* Value);
    const std::vector<TComponent*>& DataSources() const { return dataSources_; }
    const std::vector<TChartSeries*>& Dependents() const { return dependents_; }

    // --- virtual operations
    virtual void NotifyNewValue(TChartSeries* Sender, int ValueIndex);
    virtual void DrawValue(int ValueIndex);
    virtual void DoBeforeDrawValues();
    virtual void DoAfterDrawValues();
    // Draws the mark of a point in rectangle R with an arrow from ArrowFrom to ArrowTo.
    virtual void DrawMark(int ValueIndex, const std::string& St, TRect R, TPoint ArrowFrom,
                          TPoint ArrowTo);
    virtual double XValue(int Index) const;
    virtual double YValue(int Index) const;
    virtual std::string XLabel(int Index) const;
    // The colour the point is drawn in; clNone (not drawn) for a point without colour or with
    // a value that is not finite.
    virtual TColor ValueColor(int Index) const;
    // Every value of the point is finite. A point with a value that is not finite, in any of its
    // lists, is a null point in every respect: it counts in no total, range or stack, and has
    // no place, label or mark.
    bool ValueIsFinite(int Index) const;
    // The colour stored for the point, unresolved (clChartColor beyond the colour list).
    TColor StoredColor(int Index) const;
    virtual void SetSeriesColor(TColor Color);
    virtual void SetParentChart(TCustomAxisPanel* Value);
    virtual void SetActive(bool Value);
    virtual void DeletedValue(TChartSeries* Source, int ValueIndex);
    virtual int AddValueFromSeries(TChartSeries* Source, int ValueIndex);
    virtual void AddValueWithLabelColor(TChartSeries* Source, int ValueIndex);
    virtual void AddValues(TChartSeries* Source);
    virtual void ClearLists();
    virtual bool AssociatedToAxis(TChartAxis* Axis) const;
    virtual void DrawAllValues();
    virtual bool IsValidSourceOf(TChartSeries* Value) const;
    virtual bool IsValidSeriesSource(TChartSeries* Value) const;
    virtual void PrepareForGallery(bool Enabled);
    virtual int NumSampleValues() const;
    virtual void FillSampleValues(int NumValues);
    virtual void Clear();
    virtual int Add(double Value, const std::string& ALabel = {}, TColor AColor = clChartColor);
    virtual int AddXY(double AXValue, double AYValue, const std::string& ALabel = {},
                      TColor AColor = clChartColor);
    virtual int AddNull(const std::string& ALabel);
    virtual void Delete(int ValueIndex);
    virtual double MaxXValue() const;
    virtual double MinXValue() const;
    virtual double MaxYValue() const;
    virtual double MinYValue() const;
    virtual std::string GetEditorClassName() const;
    virtual int CalcXPos(int ValueIndex) const;
    virtual int CalcYPos(int ValueIndex) const;
    // Inserts each extra list's pending value at ValueIndex, uncounted: AddXY counts the point
    // once all its values are in.
    virtual void InsertExtraValues(int ValueIndex);
    virtual TChartValueList* GetYValueList(const std::string& AListName) const;
    // The point at (X, Y), -1 for none; a point drawn in no colour (ValueColor clNone) is not
    // there to click.
    virtual int Clicked(int X, int Y);
    virtual double GetOriginValue(int ValueIndex) const;
    virtual double GetMarkValue(int ValueIndex) const;
    virtual double PointOrigin(int ValueIndex, bool SumAll) const;
    virtual TChartValueList* MandatoryValueList() const;
    virtual bool DrawValuesForward() const;
    virtual void CalcZOrder();
    // Whether the series stands in a 3-D row of its own. A series without depth (a plain line)
    // takes no row, shares none and is drawn on the front plane, level with its axis labels.
    virtual bool HasDepth() const { return true; }
    virtual void MouseMoveNotify(TShiftState /*Shift*/, int /*X*/, int /*Y*/) {}
    virtual bool DoSeriesClick(int ValueIndex, TMouseButton Button, TShiftState Shift, int X,
                               int Y);
    virtual void MouseUpNotify(TMouseButton /*Button*/, TShiftState /*Shift*/, int /*X*/,
                               int /*Y*/) {}
    virtual void ResetPendingValue(TChartValueList* List);
    virtual void DrawLegend(int ValueIndex, const TRect& Rect);
    virtual void DrawLegendShape(int ValueIndex, const TRect& Rect);
    virtual void GetLegendBrush(int /*ValueIndex*/, TColor& /*BackColor*/, TBrushStyle& /*Style*/) {
    }
    virtual void CalcHorizMargins(int& LeftMargin, int& RightMargin);
    virtual void CalcVerticalMargins(int& TopMargin, int& BottomMargin);
    virtual bool UseAxis() const { return true; }
    // Takes AFunction (owning it) and computes the points from the data source.
    virtual void SetFunction(TChartFunction* AFunction);
    virtual void CanvasChanged();

    // The text of the point's mark by Marks.Style, after OnGetMarkText.
    std::string GetMarkText(int ValueIndex);
    // Draws the marks of the visible points.
    void DrawMarks();
    // Sends a change of the points to the dependents.
    void NotifyValue(TChartValueEvent Event, int ValueIndex);
    void Assign(TPersistent* Source) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

    TSeriesOnBeforeAdd OnBeforeAdd;
    TSeriesOnAfterAdd OnAfterAdd;
    TSeriesOnClear OnClearValues;
    TSeriesOnGetMarkText OnGetMarkText;
    TNotifyEvent BeforeDrawValues;
    TNotifyEvent AfterDrawValues;
    TSeriesClick OnClick;
    TSeriesClick OnDblClick;

protected:
    friend class TChartValueList;
    friend class TCustomAxisPanel;
    friend class TChartFunction;
    void RegisterValueList(TChartValueList* List) { valueLists_.push_back(List); }
    void SetCalcVisiblePoints(bool Value) { calcVisiblePoints_ = Value; }
    void SetDrawBetweenPoints(bool Value) { drawBetweenPoints_ = Value; }
    void SetAllowSinglePoint(bool Value) { allowSinglePoint_ = Value; }
    // A pen whose changes repaint the series.
    std::unique_ptr<TChartPen> CreateChartPen();
    // The drawing canvas of the parent chart.
    TCanvas* ParentCanvas() const;
    // Points of the other active series of the chart whose class is this one's or related.
    bool SameClass(const TChartSeries* Other) const;
    // Takes the 3-D row of the first active series of this class before this one in the chart's
    // list (series that share their X positions share their depth too); false when there is
    // none or the chart is flat.
    bool TakeRowOfEarlierSameClass();
    // The colour a point is drawn with: clChartColor resolved (as ValueColor does).
    TColor ResolvedColor(TColor Color, int Index) const;

private:
    void AddDependent(TChartSeries* Series);
    void RemoveDependent(TChartSeries* Series);
    void UnlinkSources();
    // Takes a new function of Source's class (registered for stored forms) with its Period.
    void CopyFunction(const TChartFunction* Source);
    void FillSampleLimits(int NumValues, double& MinX, double& MaxX, double& MinY,
                          double& MaxY) const;
    // Inserts X where the X order puts it and Y at the same index, neither counted yet; answers
    // the index.
    int PlaceXY(double X, double Y);
    // Counts the point at Index, once all its values are in, in the statistics of every list,
    // unless it is a null point.
    void CountPoint(int Index);

    std::vector<TChartValueList*> valueLists_;
    std::vector<std::unique_ptr<TChartValueList>> ownedLists_;
    std::vector<TChartSeries*> dependents_;
    TChartValueList* xValues_ = nullptr;
    TChartValueList* yValues_ = nullptr;
    std::vector<TColor> colors_;
    std::vector<std::string> labels_;
    std::unique_ptr<TSeriesMarks> marks_;
    TCustomAxisPanel* parentChart_ = nullptr;
    TColor seriesColor_ = clChartColor;
    bool colorEachPoint_ = false;
    std::string title_;
    std::string valueFormat_ = "#,##0.###";
    std::string percentFormat_ = "##0.## %";
    bool active_ = true;
    std::vector<TComponent*> dataSources_;
    std::string xLabelsSource_;
    std::string colorSource_;
    THorizAxis horizAxis_ = aBottomAxis;
    TVertAxis vertAxis_ = aLeftAxis;
    TChartValueEvents accepted_{veClear, veAdd, veDelete, veModified};
    TCursor cursor_ = crDefault;
    bool showInLegend_ = true;
    TChartFunction* function_ = nullptr;
    int firstValueIndex_ = -1;
    int lastValueIndex_ = -1;
    int zOrder_ = 0;
    bool calcVisiblePoints_ = true;
    bool drawBetweenPoints_ = false;
    bool allowSinglePoint_ = true;
};

class TChartSeriesList : public TList {
    VANTREL_CLASS(TChartSeriesList, TList)
    TCustomAxisPanel* OwnerChart = nullptr;
};

// ---------------------------------------------------------------------------------------------
// Axes

enum TAxisLabelStyle { talAuto, talNone, talValue, talMark, talText };

class TChartAxisTitle : public TChartFontObject {
    VANTREL_CLASS(TChartAxisTitle, TChartFontObject)

    TChartAxisTitle(TCustomAxisPanel* AOwner, TChartAxis* AAxis);
    void Assign(TPersistent* Source) override;
    int Angle() const { return angle_; }
    // Raises ChartException outside 0..360; 360 is stored as 0.
    void SetAngle(int Value);
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& Value);
    TChartAxis* Axis() const { return axis_; }

private:
    TChartAxis* axis_;
    int angle_ = 0;
    std::string caption_;
};

class TChartAxis : public TChartFontObject {
    VANTREL_CLASS(TChartAxis, TChartFontObject)

    TChartAxis(TCustomAxisPanel* AOwner, bool AHorizontal, bool AOtherSide);
    ~TChartAxis() override;
    void Assign(TPersistent* Source) override;

    // Working range of the last computation.
    double IMinimum = 0;
    double IMaximum = 0;
    double IRange = 0;
    bool IsDateTime = false;

    bool Horizontal() const { return horizontal_; }
    bool OtherSide() const { return otherSide_; }
    TFont* LabelsFont() const { return Font(); }

    bool Visible() const { return visible_; }
    void SetVisible(bool Value);
    bool Automatic() const { return automatic_; }
    void SetAutomatic(bool Value);
    bool AutomaticMaximum() const { return automaticMaximum_; }
    void SetAutomaticMaximum(bool Value);
    bool AutomaticMinimum() const { return automaticMinimum_; }
    void SetAutomaticMinimum(bool Value);
    bool Labels() const { return labels_; }
    void SetLabels(bool Value);
    int LabelsAngle() const { return labelsAngle_; }
    void SetLabelsAngle(int Value);
    int LabelsSeparation() const { return labelsSeparation_; }
    void SetLabelsSeparation(int Value);
    int TitleSize() const { return titleSize_; }
    void SetTitleSize(int Value);
    int LabelsSize() const { return labelsSize_; }
    void SetLabelsSize(int Value);
    bool LabelsOnAxis() const { return labelsOnAxis_; }
    void SetLabelsOnAxis(bool Value);
    TAxisLabelStyle LabelStyle() const { return labelStyle_; }
    void SetLabelStyle(TAxisLabelStyle Value);
    TChartTickPen* Ticks() const { return ticks_.get(); }
    TChartTickPen* MinorTicks() const { return minorTicks_.get(); }
    TChartTickPen* TicksInner() const { return ticksInner_.get(); }
    TChartAxisPen* Axis() const { return axisPen_.get(); }
    TChartGridPen* Grid() const { return grid_.get(); }
    int TickInnerLength() const { return tickInnerLength_; }
    void SetTickInnerLength(int Value);
    int MinorTickLength() const { return minorTickLength_; }
    void SetMinorTickLength(int Value);
    int MinorTickCount() const { return minorTickCount_; }
    void SetMinorTickCount(int Value);
    int TickLength() const { return tickLength_; }
    void SetTickLength(int Value);
    double Maximum() const { return maximum_; }
    // Raises AxisException "Axis Maximum Value must be >= Minimum" below Minimum.
    void SetMaximum(double Value);
    double Minimum() const { return minimum_; }
    // Raises AxisException "Axis Minimum Value must be <= Maximum" above Maximum.
    void SetMinimum(double Value);
    // Fixes the range to the two values in either order, with no order check.
    void SetMinMax(double AMin, double AMax);
    double Increment() const { return increment_; }
    void SetIncrement(double Value);
    TChartAxisTitle* Title() const { return title_.get(); }
    const std::string& AxisValuesFormat() const { return axisValuesFormat_; }
    void SetAxisValuesFormat(const std::string& Value);
    const std::string& DateTimeFormat() const { return dateTimeFormat_; }
    void SetDateTimeFormat(const std::string& Value);
    bool Inverted() const { return inverted_; }
    void SetInverted(bool Value);
    bool Logarithmic() const { return logarithmic_; }
    void SetLogarithmic(bool Value);
    bool ExactDateTime() const { return exactDateTime_; }
    void SetExactDateTime(bool Value);
    bool RoundFirstLabel() const { return roundFirstLabel_; }
    void SetRoundFirstLabel(bool Value);
    bool TickOnLabelsOnly() const { return tickOnLabelsOnly_; }
    void SetTickOnLabelsOnly(bool Value);
    // Pixel across the axis direction where the axis line lies (before / after the 3-D shift).
    int PosAxis() const { return posAxis_; }
    int DrawnPosAxis() const;
    void SetPosAxis(int Value) { posAxis_ = Value; }
    int PosLabels() const { return posLabels_; }
    int PosTitle() const { return posTitle_; }

    // Value to pixel and back.
    int CalcXPosValue(double Value) const;
    int CalcYPosValue(double Value) const;
    int CalcPosValue(double Value) const;
    double CalcPosPoint(int Pixel) const;
    // Recomputes the automatic range and the working range.
    void CalcMinMax();
    void AdjustMaxMin();
    // Widens the working range so that R's amounts stay free at the axis ends.
    void AdjustMaxMinRect(const TRect& R);
    double CalcIncrement(int MaxNumLabels);
    double CalcLabelsIncrement();
    std::string LabelValue(double Value);
    TAxisLabelStyle CalcLabelStyle();
    int MaxLabelsWidth();
    // Takes the axis's title, label and tick room from R on its own side.
    void CalcRect(TRect& R);
    bool Clicked(int X, int Y);
    // Whether the first active series on the axis shows date-times on it.
    bool SeriesIsDateTime();
    void Draw();
    // The next label value below Value by the step (calendar steps on exact date-time axes).
    double DecValue(double Value, double Step) const;

    // The pen change notification and the chart redraw of every setter.
    void Changed();

private:
    // How far the right and top axes move with the back plane in 3-D.
    int Shift3D() const;
    int InternalCalcPos(double Value, int Start, int End, int Size, int Center) const;
    int LabelWidth(double Value);
    int LabelHeight(double Value);
    int TickSpace() const;
    void DrawTitle();
    void DrawAxisLabel(int Pos, int Angle, const std::string& Text);
    void DrawTicksAndGrid(int Pos, int PreviousPos, bool HasPrevious, double Value);
    void DrawValueLabels(double Step);
    void DrawPointLabels(TAxisLabelStyle Style);
    // Start value of the default label walk.
    double FirstLabelValue(double Step) const;

    bool horizontal_;
    bool otherSide_;
    bool visible_ = true;
    bool automatic_ = true;
    bool automaticMaximum_ = true;
    bool automaticMinimum_ = true;
    bool labels_ = true;
    int labelsAngle_ = 0;
    int labelsSeparation_ = 10;
    int titleSize_ = 0;
    int labelsSize_ = 0;
    bool labelsOnAxis_ = true;
    TAxisLabelStyle labelStyle_ = talAuto;
    std::unique_ptr<TChartTickPen> ticks_;
    std::unique_ptr<TChartTickPen> minorTicks_;
    std::unique_ptr<TChartTickPen> ticksInner_;
    std::unique_ptr<TChartAxisPen> axisPen_;
    std::unique_ptr<TChartGridPen> grid_;
    int tickInnerLength_ = 0;
    int minorTickLength_ = 2;
    int minorTickCount_ = 3;
    int tickLength_ = 4;
    double maximum_ = 0;
    double minimum_ = 0;
    double increment_ = 0;
    std::unique_ptr<TChartAxisTitle> title_;
    std::string axisValuesFormat_ = "#,##0.###";
    std::string dateTimeFormat_;
    bool inverted_ = false;
    bool logarithmic_ = false;
    bool exactDateTime_ = true;
    bool roundFirstLabel_ = true;
    bool tickOnLabelsOnly_ = true;
    int posAxis_ = 0;
    int posLabels_ = 0;
    int posTitle_ = 0;
};

// ---------------------------------------------------------------------------------------------
// Legend model

enum TLegendStyle { lsAuto, lsSeries, lsValues, lsLastValues };
enum TLegendTextStyle {
    ltsPlain,
    ltsLeftValue,
    ltsRightValue,
    ltsLeftPercent,
    ltsRightPercent,
    ltsXValue
};
enum TLegendAlignment { laLeft, laRight, laTop, laBottom };

class TCustomChartLegend : public TChartFontObject {
    VANTREL_CLASS(TCustomChartLegend, TChartFontObject)

    explicit TCustomChartLegend(TCustomAxisPanel* AOwner);
    ~TCustomChartLegend() override;
    void Assign(TPersistent* Source) override;

    // The text of point ValueIndex of Series in a values legend (the chart's legend class).
    virtual std::string FormattedValue(TChartSeries* Series, int ValueIndex) = 0;

    bool ResizeChart() const { return resizeChart_; }
    void SetResizeChart(bool Value);
    TLegendStyle LegendStyle() const { return legendStyle_; }
    void SetLegendStyle(TLegendStyle Value);
    TLegendTextStyle TextStyle() const { return textStyle_; }
    void SetTextStyle(TLegendTextStyle Value);
    int ColorWidth() const { return colorWidth_; }
    void SetColorWidth(int Value);
    int HorizMargin() const { return horizMargin_; }
    void SetHorizMargin(int Value);
    int VertMargin() const { return vertMargin_; }
    void SetVertMargin(int Value);
    int TopPos() const { return topPos_; }
    void SetTopPos(int Value);
    TColor Color() const { return color_; }
    void SetColor(TColor Value);
    TChartPen* Frame() const { return frame_.get(); }
    void SetFrame(TChartPen* Value) { frame_->Assign(Value); }
    int FirstValue() const { return firstValue_; }
    void SetFirstValue(int Value);
    bool Visible() const { return visible_; }
    void SetVisible(bool Value);
    TLegendAlignment Alignment() const { return alignment_; }
    void SetAlignment(TLegendAlignment Value);
    bool Inverted() const { return inverted_; }
    void SetInverted(bool Value);
    // The style in force: lsAuto resolved by the number of active series.
    TLegendStyle GetLegendStyle();
    // The legend's rectangle as last laid out.
    TRect RectLegend;

protected:
    void Redraw();

private:
    bool resizeChart_ = true;
    TLegendStyle legendStyle_ = lsAuto;
    TLegendTextStyle textStyle_ = ltsLeftValue;
    int colorWidth_ = 12;
    int horizMargin_ = 0;
    int vertMargin_ = 0;
    int topPos_ = 10;
    TColor color_ = clWhite;
    std::unique_ptr<TChartPen> frame_;
    int firstValue_ = 0;
    bool visible_ = true;
    TLegendAlignment alignment_ = laRight;
    bool inverted_ = false;
    TLegendStyle resolved_ = lsAuto;
};

// ---------------------------------------------------------------------------------------------
// The axis panel

using TOnGetLegendText = std::function<void(TCustomAxisPanel* Sender, TLegendStyle LegendStyle,
                                            int Index, std::string& LegendText)>;
using TAxisOnGetLabel = std::function<void(TChartAxis* Sender, TChartSeries* Series, int ValueIndex,
                                           std::string& LabelText)>;
using TAxisOnGetNextLabel =
    std::function<void(TChartAxis* Sender, int LabelIndex, double& LabelValue, bool& Stop)>;

class TCustomAxisPanel : public TCustomChartPanel {
    VANTREL_CLASS(TCustomAxisPanel, TCustomChartPanel)

    explicit TCustomAxisPanel(TComponent* AOwner);
    ~TCustomAxisPanel() override;
    void Assign(TPersistent* Source) override;

    // --- series
    TChartSeriesList* SeriesList() const { return seriesList_.get(); }
    int SeriesCount() const { return seriesList_->Count(); }
    TChartSeries* Series(int Index) const;
    void AddSeries(TChartSeries* ASeries);
    void RemoveSeries(TChartSeries* ASeries);
    void FreeAllSeries();
    TChartSeries* FirstActiveSeries() const;
    TChartSeries* FirstSeriesOfAxis(const TChartAxis* Axis) const;
    TChartSeries* SeriesWithLabelsOnAxis(const TChartAxis* Axis) const;
    int CountActiveSeries() const;
    int MaxValuesCount() const;
    // The widest point label, and mark, of the points that are drawn.
    int MaxTextWidth();
    int MaxMarkWidth();
    double MinXValue(const TChartAxis* Axis) const;
    double MaxXValue(const TChartAxis* Axis) const;
    double MinYValue(const TChartAxis* Axis) const;
    double MaxYValue(const TChartAxis* Axis) const;
    TColor GetFreeSeriesColor(bool CheckBackground) const;
    // Raises ChartException when Source depends, through any of its sources, on Series.
    void CheckOtherSeries(TChartSeries* Series, TChartSeries* Source) const;

    // --- axes and look
    TChartAxis* TopAxis() const { return axes_[0].get(); }
    TChartAxis* BottomAxis() const { return axes_[1].get(); }
    TChartAxis* LeftAxis() const { return axes_[2].get(); }
    TChartAxis* RightAxis() const { return axes_[3].get(); }
    TChartAxis* AxisOf(THorizAxis Axis) const { return axes_[Axis].get(); }
    TChartAxis* AxisOf(TVertAxis Axis) const { return axes_[2 + Axis].get(); }
    TCustomChartLegend* Legend();
    TColor BackColor() const { return backColor_; }
    void SetBackColor(TColor Value);
    bool View3D() const { return view3D_; }
    void SetView3D(bool Value);
    bool View3DWalls() const { return view3DWalls_; }
    void SetView3DWalls(bool Value);
    int Chart3DPercent() const { return chart3DPercent_; }
    void SetChart3DPercent(int Value);
    TChartPen* Frame() const { return frame_.get(); }
    void SetFrame(TChartPen* Value) { frame_->Assign(Value); }
    bool ClipPoints() const { return clipPoints_; }
    void SetClipPoints(bool Value);
    bool AxisVisible() const { return axisVisible_; }
    void SetAxisVisible(bool Value);
    bool BufferedDisplay() const { return buffered_; }
    void SetBufferedDisplay(bool Value) { buffered_ = Value; }
    bool Monochrome() const { return monochrome_; }
    void SetMonochrome(bool Value);
    bool IsAxisVisible(const TChartAxis* Axis) const;

    // --- paging
    int Page() const { return page_; }
    int MaxPointsPerPage() const { return maxPointsPerPage_; }
    void SetMaxPointsPerPage(int Value);
    bool ScaleLastPage() const { return scaleLastPage_; }
    void SetScaleLastPage(bool Value);
    int NumPages() const;

    bool CancelMouse = false;

    // --- virtual operations
    virtual void SetPage(int Value);
    virtual void ZoomToRectangle();
    // Extra room the chart component gives an axis (its wall thickness).
    virtual int AxisWallSize(const TChartAxis* Axis) const = 0;
    // Draws the 3-D walls.
    virtual void DrawWalls() = 0;
    virtual void SetAllAxesMinMax(double LeftMin, double LeftMax, double RightMin, double RightMax,
                                  double TopMin, double TopMax, double BottomMin, double BottomMax);
    // The legend the chart kind uses.
    virtual std::unique_ptr<TCustomChartLegend> CreateLegend() = 0;
    // The four drawing steps of the chart component, in the order they run.
    virtual void DrawPanelBackground(const TRect& Rect) = 0;
    virtual void DrawTitlesAndLegend() = 0;
    virtual void CalcAxisRect() = 0;
    virtual void CalcSeriesMargins() = 0;
    virtual void DrawBackRectangle();
    // Draws the whole chart onto Canvas into Rect.
    virtual void Draw(TCanvas* Canvas, const TRect& Rect);
    virtual bool IsValidDataSource(TChartSeries* ASeries, TComponent* AComponent) const;
    virtual void CheckDatasource(TChartSeries* ASeries);

    // --- drawing helpers
    TRect GetSeriesRect() const;
    void CalcSize3D();
    void ClipRectangle(const TRect& R);
    void UnClipRectangle();
    // While printing, a thin styled pen becomes one device pixel wide so it stays styled.
    void CheckPenWidth(TPen* APen);
    // The pen and brush for a drawing: colour $80000000 of a pen made black (white on black).
    TColor ContrastColor() const;

    // --- legend texts
    std::string FormattedLegend(int Index);
    std::string SeriesTitleLegend(int Index) const;
    std::string FormattedValueLegend(TChartSeries* ASeries, int ValueIndex);
    TChartSeries* SeriesForLegend(int Index) const;
    // The number of items the legend lists and the series behind one.
    int CountLegendItems();
    TChartSeries* LegendItemSeries(int Index);

    TOnGetLegendText OnGetLegendText;
    TAxisOnGetLabel OnGetAxisLabel;
    TAxisOnGetNextLabel OnGetNextAxisLabel;
    TNotifyEvent OnPageChange;
    TNotifyEvent OnAfterDraw;

protected:
    void Paint() override;
    void InternalDraw(const TRect& UserRect);
    // The plotting rectangle for a drawing into R: R less the margins and the border width.
    TRect MarginRect(const TRect& R) const;
    void SeriesRangeForPage(const TChartAxis* Axis, bool IsX, double& AMin, double& AMax) const;

private:
    void CalcSeriesRows();
    void DrawSeries(TChartSeries* ASeries);
    void CalcFirstLastVisibleIndex(TChartSeries* ASeries);
    void DrawSeriesGroup(TChartSeries* First);
    bool ClipAllowed();

    std::unique_ptr<TChartSeriesList> seriesList_;
    TColor backColor_ = clChartColor;
    std::unique_ptr<TCustomChartLegend> legend_;
    std::unique_ptr<TChartAxis> axes_[4];
    bool view3D_ = true;
    bool view3DWalls_ = true;
    int chart3DPercent_ = 15;
    std::unique_ptr<TChartPen> frame_;
    bool clipPoints_ = true;
    bool axisVisible_ = true;
    bool buffered_ = true;
    bool monochrome_ = false;
    int page_ = 1;
    int maxPointsPerPage_ = 0;
    bool scaleLastPage_ = true;
};
