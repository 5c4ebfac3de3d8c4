// The chart control forms place: the axis panel with a title above and a foot below the plot,
// the legend laid out around the plot, 3-D walls, a gradient or picture background, zoom and
// panning of the axes, and printing of the whole chart.
//
// Drawing runs in the axis panel's order: panel background (gradient, picture, bevels), titles
// and legend (each taking its room from the plotting rectangle), axis layout, axis margins asked
// of the series, back rectangle and walls, axes, series. Printing draws the chart unbuffered onto
// the printer's canvas with the anisotropic mapping: the chart's own size is the logical extent,
// so fonts and pens keep the size they have on screen relative to the chart. The printer's
// orientation is put back on every path, and a failed job is aborted and the failure passed on.
#pragma once

#include "chart/ChartEngine.h"
#include "platform/gui/Printers.h"
#include "platform/gui/StdCtrls.h"

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

enum TPanningMode { pmNone, pmHorizontal, pmVertical, pmBoth };
enum TChartBackImageMode { pbmStretch, pbmTile, pbmCenter };
enum TGradientDirection { gdTopBottom, gdBottomTop, gdLeftRight, gdRightLeft };

class TCustomChart;

// ---------------------------------------------------------------------------------------------
// The series gallery: every series kind and series function with a description and a gallery
// page, in order of registration. Entering a class also registers it for stored forms. Nothing
// in the program reads the gallery but the duplicate test; it is there for gallery dialogs.

struct TChartGalleryEntry {
    const TClassInfo* SeriesClass = nullptr;   // none for a function entry
    const TClassInfo* FunctionClass = nullptr; // none for a series entry
    std::string Description;                   // at most 20 characters
    std::string GalleryPage;                   // at most 20 characters
    int NumGallerySeries = 0;                  // sample series a gallery would show
};

// The gallery; nullptr before the first registration and after FinalizeChart.
const std::vector<TChartGalleryEntry>* ChartGallery();
// Appends an entry unless one with the same series and function classes exists; texts longer
// than 20 characters are cut.
void RegisterChartGalleryEntry(const TClassInfo* SeriesClass, const TClassInfo* FunctionClass,
                               const std::string& Description, const std::string& GalleryPage,
                               int NumGallerySeries);

template <typename T>
void RegisterChartSeries(const std::string& Description, const std::string& GalleryPage,
                         int NumGallerySeries) {
    RegisterClass<T>();
    RegisterChartGalleryEntry(T::StaticClassInfo(), nullptr, Description, GalleryPage,
                              NumGallerySeries);
}

template <typename T>
void RegisterChartFunction(const std::string& Description, const std::string& GalleryPage,
                           int NumGallerySeries) {
    RegisterClass<T>();
    RegisterChartGalleryEntry(nullptr, T::StaticClassInfo(), Description, GalleryPage,
                              NumGallerySeries);
}

// Start-up of the chart unit: puts FinalizeChart on the exit list, sets the global switches,
// registers the chart's parts for stored forms and enters the seven standard functions.
void InitializeChart();
// Frees the gallery (at exit, or earlier from the program's shutdown).
void FinalizeChart();

// Fills R with bands from StartColor to EndColor: the start colour at the right (Horizontal) or
// bottom edge, the end colour at the left or top edge, at most 256 bands. A rectangle one band
// wide gets the start colour; an empty one nothing.
void GradientFill(TCanvas* Canvas, const TRect& R, TColor StartColor, TColor EndColor,
                  bool Horizontal);

// Global switches of the chart unit.
extern double ZoomAnimationDivisor;  // each animated zoom step covers 1/3 of the distance
extern TMouseButton ChartZoomButton; // left
extern TMouseButton ChartPanButton;  // right
extern TShiftState ChartZoomShift;   // keys that must be held to zoom (none)
extern TShiftState ChartPanShift;    // keys that must be held to pan (none)
extern bool PrintPanelBackground;    // a printed chart fills its panel background

// A brush whose colour starts as clChartColor: the owner's colour.
class TChartBrush : public TBrush {
    VANTREL_CLASS(TChartBrush, TBrush)
    explicit TChartBrush(TNotifyEvent OnChangeEvent = {});
};

class TChartTitle : public TChartFontObject {
    VANTREL_CLASS(TChartTitle, TChartFontObject)

    explicit TChartTitle(TCustomChart* AOwner);
    void Assign(TPersistent* Source) override;

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment Value);
    bool AdjustFrame() const { return adjustFrame_; }
    void SetAdjustFrame(bool Value);
    TChartBrush* Brush() const { return brush_.get(); }
    void SetBrush(TBrush* Value) { brush_->Assign(Value); }
    TChartHiddenPen* Frame() const { return frame_.get(); }
    void SetFrame(TChartPen* Value) { frame_->Assign(Value); }
    TStrings* Text() const { return text_.get(); }
    void SetText(TStrings* Value) { text_->Assign(Value); }
    bool Visible() const { return visible_; }
    void SetVisible(bool Value);
    // The rectangle the title was last drawn in.
    const TRect& TitleRect() const { return titleRect_; }
    // Whether (X, Y) lies in the visible title.
    bool Clicked(int X, int Y) const;
    // Draws the title at the top (or as the foot at the bottom) of the plotting rectangle and
    // takes its room from it; a title without text takes none.
    void DrawTitle(bool IsFoot);

private:
    TAlignment alignment_ = taCenter;
    bool adjustFrame_ = true;
    std::unique_ptr<TChartBrush> brush_;
    std::unique_ptr<TChartHiddenPen> frame_;
    std::unique_ptr<TStringList> text_;
    bool visible_ = true;
    TRect titleRect_;
};

class TChartWall : public TPersistent {
    VANTREL_CLASS(TChartWall, TPersistent)

    TChartWall(TCustomChart* AOwner, TColor AColor);
    void Assign(TPersistent* Source) override;
    TBrush* Brush() const { return brush_.get(); }
    void SetBrush(TBrush* Value) { brush_->Assign(Value); }
    TColor Color() const { return color_; }
    void SetColor(TColor Value);
    TChartPen* Pen() const { return pen_.get(); }
    void SetPen(TChartPen* Value) { pen_->Assign(Value); }
    // Thickness in pixels.
    int Size() const { return size_; }
    void SetSize(int Value);
    // Sets the canvas pen and brush for drawing the wall.
    void Prepare();

private:
    TCustomChart* chart_;
    std::unique_ptr<TBrush> brush_;
    TColor color_;
    std::unique_ptr<TChartPen> pen_;
    int size_ = 0;
};

class TChartGradient : public TPersistent {
    VANTREL_CLASS(TChartGradient, TPersistent)

    explicit TChartGradient(TCustomChart* AOwner);
    void Assign(TPersistent* Source) override;
    TGradientDirection Direction() const { return direction_; }
    void SetDirection(TGradientDirection Value);
    TColor EndColor() const { return endColor_; }
    void SetEndColor(TColor Value);
    TColor StartColor() const { return startColor_; }
    void SetStartColor(TColor Value);
    bool Visible() const { return visible_; }
    void SetVisible(bool Value);
    // Fills R by the settings.
    void Draw(TCanvas* Canvas, const TRect& R) const;

private:
    TCustomChart* chart_;
    TGradientDirection direction_ = gdTopBottom;
    TColor endColor_ = clYellow;
    TColor startColor_ = clWhite;
    bool visible_ = false;
};

using TOnGetLegendPos =
    std::function<void(TCustomChart* Sender, int Index, int& X, int& Y, int& XColor)>;
using TOnGetLegendRect = std::function<void(TCustomChart* Sender, TRect& Rect)>;

class TChartLegend : public TCustomChartLegend {
    VANTREL_CLASS(TChartLegend, TCustomChartLegend)

    explicit TChartLegend(TCustomChart* AOwner);
    void Assign(TPersistent* Source) override;
    std::string FormattedValue(TChartSeries* Series, int ValueIndex) override;

    TColor ShadowColor() const { return shadowColor_; }
    void SetShadowColor(TColor Value);
    int ShadowSize() const { return shadowSize_; }
    void SetShadowSize(int Value);
    TChartHiddenPen* DividingLines() const { return dividingLines_.get(); }
    void SetDividingLines(TChartPen* Value) { dividingLines_->Assign(Value); }
    // The colour box width of the last layout, in pixels.
    int ColorBoxWidth() const { return colorBoxWidth_; }
    // Lays the legend out around the plot, draws it and takes its room from the plot.
    void DrawLegend();

private:
    struct TLayout;
    TCustomChart* Chart() const;
    void DrawItem(const TLayout& L, int Place, int ItemIndex, const std::string& Text);
    TColor shadowColor_ = clBlack;
    int shadowSize_ = 3;
    std::unique_ptr<TChartHiddenPen> dividingLines_;
    int colorBoxWidth_ = 0;
};

using TChartClick =
    std::function<void(TCustomChart* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TChartClickAxis = std::function<void(TCustomChart* Sender, TChartAxis* Axis,
                                           TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TChartClickSeries =
    std::function<void(TCustomChart* Sender, TChartSeries* Series, int ValueIndex,
                       TMouseButton Button, TShiftState Shift, int X, int Y)>;
// What lies under a mouse position.
enum TChartHitKind { hkNone, hkLegend, hkAxis, hkSeries, hkTitle, hkFoot, hkChartArea };
struct TChartHit {
    TChartHitKind Kind = hkNone;
    int ValueIndex = -1; // the series' point, -1 for none
    TChartSeries* Series = nullptr;
    TChartAxis* Axis = nullptr;
};

using TChartAllowScrollEvent =
    std::function<void(TChartAxis* Sender, double& AMin, double& AMax, bool& AllowScroll)>;

class TCustomChart : public TCustomAxisPanel {
    VANTREL_CLASS(TCustomChart, TCustomAxisPanel)

    explicit TCustomChart(TComponent* AOwner);
    ~TCustomChart() override;
    void Assign(TPersistent* Source) override;

    int AnimatedZoomSteps() const { return animatedZoomSteps_; }
    void SetAnimatedZoomSteps(int Value);
    bool AnimatedZoom() const { return animatedZoom_; }
    void SetAnimatedZoom(bool Value);
    bool AllowZoom() const { return allowZoom_; }
    void SetAllowZoom(bool Value);
    TPanningMode AllowPanning() const { return allowPanning_; }
    void SetAllowPanning(TPanningMode Value);
    TChartBackImageMode BackImageMode() const { return backImageMode_; }
    void SetBackImageMode(TChartBackImageMode Value);
    bool BackImageInside() const { return backImageInside_; }
    void SetBackImageInside(bool Value);
    TPicture* BackImage() const { return backImage_.get(); }
    void SetBackImage(TPicture* Value) { backImage_->Assign(Value); }
    TChartGradient* Gradient() const { return gradient_.get(); }
    void SetGradient(TChartGradient* Value) { gradient_->Assign(Value); }
    TChartWall* LeftWall() const { return leftWall_.get(); }
    void SetLeftWall(TChartWall* Value) { leftWall_->Assign(Value); }
    TChartWall* BottomWall() const { return bottomWall_.get(); }
    void SetBottomWall(TChartWall* Value) { bottomWall_->Assign(Value); }
    TChartTitle* Title() const { return title_.get(); }
    void SetTitle(TChartTitle* Value) { title_->Assign(Value); }
    TChartTitle* Foot() const { return foot_.get(); }
    void SetFoot(TChartTitle* Value) { foot_->Assign(Value); }
    TChartLegend* Legend() { return static_cast<TChartLegend*>(TCustomAxisPanel::Legend()); }
    bool Zoomed() const { return zoomed_; }
    // Margins of a printed chart in per cent of the page: left, top, right, bottom.
    std::array<int, 4> PrintMargins{15, 15, 15, 15};

    // --- printing
    void Print();
    void PrintLandscape();
    void PrintOrientation(TPrinterOrientation Orientation);
    // The page rectangle the print margins leave.
    TRect ChartPrintRect();
    // Prints the chart into R on one page of the program's printer. A drawing that fails
    // abandons the document; a document the printer cannot start or complete raises EPrinter
    // with its cause.
    void PrintRect(const TRect& R);
    void PrintPartialCanvas(TCanvas* Canvas, const TRect& R);

    // --- zoom and panning
    virtual void UndoZoom();
    // Keeps each axis's automatic flags and range the first time since creation or the last
    // undo, so UndoZoom can bring them back.
    void SaveAxesState();
    // Moves Axis by the values between two pixels; false when OnAllowScroll forbade it.
    bool PanAxis(TChartAxis* Axis, int OldPixel, int NewPixel);
    void SetAllAxesMinMax(double LeftMin, double LeftMax, double RightMin, double RightMax,
                          double TopMin, double TopMax, double BottomMin,
                          double BottomMax) override;

    // --- mouse
    // What lies at (X, Y), first match wins: the visible legend, an active series (the last of
    // the list first), the top, bottom, left and right axis, the title, the foot, the plot
    // (when the chart has series).
    TChartHit HitTest(int X, int Y);

    // --- background steps
    // Fills Rect with the gradient or the panel colour.
    virtual void DrawBackground(const TRect& Rect);
    // Draws BackImage into Rect by BackImageMode.
    virtual void DrawBackImage(const TRect& Rect);
    // Calls Proc with the name of each value list of the data source series of ValueList's
    // series, when its data source is a series.
    virtual void FillValueSourceItems(TChartValueList* ValueList,
                                      const std::function<void(const std::string&)>& Proc);

    int AxisWallSize(const TChartAxis* Axis) const override;
    void DrawWalls() override;
    std::unique_ptr<TCustomChartLegend> CreateLegend() override;
    void DrawPanelBackground(const TRect& Rect) override;
    void DrawTitlesAndLegend() override;
    void CalcAxisRect() override;
    void CalcSeriesMargins() override;
    void DrawBackRectangle() override;

    TChartAllowScrollEvent OnAllowScroll;
    TChartClickAxis OnClickAxis;
    TChartClick OnClickLegend;
    TChartClickSeries OnClickSeries;
    TChartClick OnClickBackground;
    TOnGetLegendPos OnGetLegendPos;
    TOnGetLegendRect OnGetLegendRect;
    TNotifyEvent OnScroll;
    TNotifyEvent OnUndoZoom;
    TNotifyEvent OnZoom;

protected:
    void WMGetDlgCode(TWMGetDlgCode& Message) override;
    void CMMouseLeave(TMessage& Message) override;
    // Clicks fire the chart's and the series' click events (each with CancelMouse set first; a
    // handler that clears it lets the chart zoom or pan); a left drag of more than 16 pixels
    // each way zooms into its rectangle (right and down) or undoes the zoom (any other way); a
    // right drag pans the axes. OnClickBackground fires at most once per mouse-down.
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
    struct TAxisState {
        bool Automatic = true;
        bool AutomaticMinimum = true;
        bool AutomaticMaximum = true;
        double Minimum = 0;
        double Maximum = 0;
    };
    void DrawBevels(const TRect& Rect);
    TRect BackRectangle() const;
    // Fires a click event with CancelMouse set first; true when the handler left it set.
    template <typename E, typename... A>
    bool FireClick(const E& Event, A... Args);
    // Starts a zoom or a pan for the button and keys; true when one started.
    bool StartZoomOrPan(TMouseButton Button, TShiftState Shift, int X, int Y);
    void PanTo(int X, int Y);
    // Shows the cursor of the first series under the mouse, or the chart's own.
    void FollowSeriesCursor(TShiftState Shift, int X, int Y);
    void EndZoom(int X, int Y);

    int animatedZoomSteps_ = 8;
    bool animatedZoom_ = false;
    bool allowZoom_ = true;
    TPanningMode allowPanning_ = pmBoth;
    TChartBackImageMode backImageMode_ = pbmStretch;
    bool backImageInside_ = false;
    std::unique_ptr<TPicture> backImage_;
    std::unique_ptr<TChartGradient> gradient_;
    std::unique_ptr<TChartWall> leftWall_;
    std::unique_ptr<TChartWall> bottomWall_;
    std::unique_ptr<TChartTitle> title_;
    std::unique_ptr<TChartTitle> foot_;
    std::array<TAxisState, 4> savedAxes_;
    bool axesSaved_ = false;
    bool zoomed_ = false;
};

class TChart : public TCustomChart {
    VANTREL_CLASS(TChart, TCustomChart)
    explicit TChart(TComponent* AOwner) : TCustomChart(AOwner) {}
};
