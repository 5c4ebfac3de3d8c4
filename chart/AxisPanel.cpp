#include "chart/ChartEngine.h"

#include "platform/gui/Dialogs.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Strings.h"

#include <algorithm>
#include <climits>
#include <cmath>

// =============================================================================================
// TCustomAxisPanel

TCustomAxisPanel::TCustomAxisPanel(TComponent* AOwner)
    : TCustomChartPanel(AOwner), seriesList_(std::make_unique<TChartSeriesList>()) {
    seriesList_->OwnerChart = this;
    axes_[0] = std::make_unique<TChartAxis>(this, true, true);
    axes_[1] = std::make_unique<TChartAxis>(this, true, false);
    axes_[2] = std::make_unique<TChartAxis>(this, false, false);
    axes_[3] = std::make_unique<TChartAxis>(this, false, true);
    LeftAxis()->Title()->SetAngle(90);
    RightAxis()->Title()->SetAngle(270);
    frame_ = std::make_unique<TChartPen>([this](TObject*) { RedrawChart(); });
    SetBounds(Left(), Top(), 400, 250);
    TControlStyle style = ControlStyle();
    style.Exclude(csSetCaption);
    SetControlStyle(style);
    SetZOrderFlag(true);
}

TCustomAxisPanel::~TCustomAxisPanel() {
    Destroying();
    FreeAllSeries();
}

void TCustomAxisPanel::Assign(TPersistent* Source) {
    auto* p = dynamic_cast<TCustomAxisPanel*>(Source);
    if (!p) {
        TCustomChartPanel::Assign(Source);
        return;
    }
    axisVisible_ = p->axisVisible_;
    backColor_ = p->backColor_;
    for (int i = 0; i < 4; ++i)
        axes_[i]->Assign(p->axes_[i].get());
    chart3DPercent_ = p->chart3DPercent_;
    clipPoints_ = p->clipPoints_;
    buffered_ = p->buffered_;
    frame_->Assign(p->frame_.get());
    Legend()->Assign(p->Legend());
    for (int i = 0; i < 4; ++i)
        SetMargin(i, p->GetMargin(i));
    maxPointsPerPage_ = p->maxPointsPerPage_;
    SetMonochrome(p->monochrome_);
    page_ = p->page_;
    scaleLastPage_ = p->scaleLastPage_;
    view3D_ = p->view3D_;
    view3DWalls_ = p->view3DWalls_;
    SetBevelInner(p->BevelInner());
    SetBevelOuter(p->BevelOuter());
    SetBevelWidth(p->BevelWidth());
    SetBorderWidth(p->BorderWidth());
    SetColor(p->Color());
    Invalidate();
}

// --- series

TChartSeries* TCustomAxisPanel::Series(int Index) const {
    return static_cast<TChartSeries*>(seriesList_->Items(Index));
}

void TCustomAxisPanel::AddSeries(TChartSeries* ASeries) {
    if (seriesList_->IndexOf(ASeries) >= 0) return;
    if (ASeries->SeriesColor() == clChartColor) ASeries->SetSeriesColor(GetFreeSeriesColor(true));
    if (ASeries->ParentChart() != this) {
        ASeries->SetParentChart(this); // comes back here with the chart set
        return;
    }
    if (ASeries->ComponentState().Contains(csDesigning) && !ASeries->FunctionType())
        ASeries->FillSampleValues(ASeries->NumSampleValues());
    else
        CheckDatasource(ASeries);
    seriesList_->Add(ASeries);
    Invalidate();
}

void TCustomAxisPanel::RemoveSeries(TChartSeries* ASeries) {
    if (seriesList_->IndexOf(ASeries) < 0) return;
    ASeries->UnlinkSources();
    ASeries->parentChart_ = nullptr;
    if (Cursor() == ASeries->Cursor()) SetCursor(DesignedCursor());
    seriesList_->Remove(ASeries);
    if (!ComponentState().Contains(csDestroying)) Invalidate();
}

void TCustomAxisPanel::FreeAllSeries() {
    while (SeriesCount() > 0)
        delete Series(SeriesCount() - 1);
}

TChartSeries* TCustomAxisPanel::FirstActiveSeries() const {
    for (int i = 0; i < SeriesCount(); ++i)
        if (Series(i)->Active()) return Series(i);
    return nullptr;
}

TChartSeries* TCustomAxisPanel::FirstSeriesOfAxis(const TChartAxis* Axis) const {
    for (int i = 0; i < SeriesCount(); ++i) {
        TChartSeries* s = Series(i);
        if (s->Active() && (s->GetHorizAxis() == Axis || s->GetVertAxis() == Axis)) return s;
    }
    return nullptr;
}

TChartSeries* TCustomAxisPanel::SeriesWithLabelsOnAxis(const TChartAxis* Axis) const {
    for (int i = 0; i < SeriesCount(); ++i) {
        TChartSeries* s = Series(i);
        if (!s->Active()) continue;
        const TChartAxis* own = Axis->Horizontal() ? s->GetHorizAxis() : s->GetVertAxis();
        if (own == Axis && s->Count() > 0 && !s->XLabel(0).empty()) return s;
    }
    return nullptr;
}

int TCustomAxisPanel::CountActiveSeries() const {
    int count = 0;
    for (int i = 0; i < SeriesCount(); ++i)
        if (Series(i)->Active()) ++count;
    return count;
}

int TCustomAxisPanel::MaxValuesCount() const {
    int result = 0;
    for (int i = 0; i < SeriesCount(); ++i)
        if (Series(i)->Active()) result = std::max(result, Series(i)->Count());
    return result;
}

int TCustomAxisPanel::MaxTextWidth() {
    int result = 0;
    for (int i = 0; i < SeriesCount(); ++i)
        for (int j = 0; j < Series(i)->Count(); ++j)
            if (Series(i)->ValueIsFinite(j))
                result = std::max(result, TextWidth(Series(i)->XLabel(j)));
    return result;
}

int TCustomAxisPanel::MaxMarkWidth() {
    int result = 0;
    for (int i = 0; i < SeriesCount(); ++i)
        if (Series(i)->Active()) result = std::max(result, Series(i)->MaxMarkWidth());
    return result;
}

void TCustomAxisPanel::SeriesRangeForPage(const TChartAxis* Axis, bool IsX, double& AMin,
                                          double& AMax) const {
    AMin = AMax = 0;
    TChartSeries* s = nullptr;
    for (int i = 0; i < SeriesCount() && !s; ++i) {
        TChartSeries* t = Series(i);
        if (t->Active() && t->Count() > 0 && (IsX ? t->GetHorizAxis() : t->GetVertAxis()) == Axis)
            s = t;
    }
    if (!s) return;
    const int p = maxPointsPerPage_;
    const int count = s->Count();
    int first = (page_ - 1) * p;
    if (first >= count) first = std::max(0, count / p - 1) * p;
    int last = first + p - 1;
    if (count <= last) last = count % p + first - 1;
    last = std::clamp(last, first, count - 1);
    TChartValueList* list = IsX ? s->XValues() : s->YValues();
    AMin = list->Value(first);
    AMax = list->Value(last);
    if (!scaleLastPage_ && last - first + 1 < p)
        AMax = (AMax - AMin) * p / (last - first + 1) + AMin;
}

namespace {
// The least or greatest of Value over the active series with points whose axis is Axis.
template <typename Get, typename AxisOf>
double SeriesExtreme(const TCustomAxisPanel* Chart, const TChartAxis* Axis, bool Least, Get Value,
                     AxisOf SeriesAxis) {
    bool any = false;
    double result = 0;
    for (int i = 0; i < Chart->SeriesCount(); ++i) {
        TChartSeries* s = Chart->Series(i);
        if (!s->Active() || s->Count() == 0 || SeriesAxis(s) != Axis) continue;
        const double v = Value(s);
        if (!any || (Least ? v < result : v > result)) result = v;
        any = true;
    }
    return result;
}
} // namespace

double TCustomAxisPanel::MinXValue(const TChartAxis* Axis) const {
    TChartSeries* first = FirstSeriesOfAxis(Axis);
    if (maxPointsPerPage_ > 0 && first && first->YMandatory()) {
        double low = 0, high = 0;
        SeriesRangeForPage(Axis, true, low, high);
        return low;
    }
    return SeriesExtreme(
        this, Axis, true, [](TChartSeries* s) { return s->MinXValue(); },
        [](TChartSeries* s) { return s->GetHorizAxis(); });
}

double TCustomAxisPanel::MaxXValue(const TChartAxis* Axis) const {
    TChartSeries* first = FirstSeriesOfAxis(Axis);
    if (maxPointsPerPage_ > 0 && first && first->YMandatory()) {
        double low = 0, high = 0;
        SeriesRangeForPage(Axis, true, low, high);
        return high;
    }
    return SeriesExtreme(
        this, Axis, false, [](TChartSeries* s) { return s->MaxXValue(); },
        [](TChartSeries* s) { return s->GetHorizAxis(); });
}

double TCustomAxisPanel::MinYValue(const TChartAxis* Axis) const {
    TChartSeries* first = FirstSeriesOfAxis(Axis);
    if (maxPointsPerPage_ > 0 && first && !first->YMandatory()) {
        double low = 0, high = 0;
        SeriesRangeForPage(Axis, false, low, high);
        return low;
    }
    return SeriesExtreme(
        this, Axis, true, [](TChartSeries* s) { return s->MinYValue(); },
        [](TChartSeries* s) { return s->GetVertAxis(); });
}

double TCustomAxisPanel::MaxYValue(const TChartAxis* Axis) const {
    TChartSeries* first = FirstSeriesOfAxis(Axis);
    if (maxPointsPerPage_ > 0 && first && !first->YMandatory()) {
        double low = 0, high = 0;
        SeriesRangeForPage(Axis, false, low, high);
        return high;
    }
    return SeriesExtreme(
        this, Axis, false, [](TChartSeries* s) { return s->MaxYValue(); },
        [](TChartSeries* s) { return s->GetVertAxis(); });
}

TColor TCustomAxisPanel::GetFreeSeriesColor(bool CheckBackground) const {
    TColor color = clRed;
    for (int t = 0; t < 17; ++t) {
        color = GetDefaultColor(t);
        bool taken = CheckBackground && (color == Color() || color == backColor_);
        for (int i = 0; i < SeriesCount() && !taken; ++i)
            taken = Series(i)->SeriesColor() == color;
        if (!taken) return color;
    }
    return color;
}

void TCustomAxisPanel::CheckOtherSeries(TChartSeries* Series, TChartSeries* Source) const {
    // Every source of Source is followed, not only its first.
    for (TComponent* source : Source->DataSources()) {
        if (source == Series) throw ChartException("Circular Series dependences are not allowed");
        if (auto* s = dynamic_cast<TChartSeries*>(source)) CheckOtherSeries(Series, s);
    }
}

// --- look

TCustomChartLegend* TCustomAxisPanel::Legend() {
    if (!legend_) legend_ = CreateLegend();
    return legend_.get();
}

void TCustomAxisPanel::SetBackColor(TColor Value) {
    SetColorProperty(backColor_, Value);
}
void TCustomAxisPanel::SetView3D(bool Value) {
    SetBooleanProperty(view3D_, Value);
}
void TCustomAxisPanel::SetView3DWalls(bool Value) {
    SetBooleanProperty(view3DWalls_, Value);
}

void TCustomAxisPanel::SetChart3DPercent(int Value) {
    if (Value < 1 || Value > 100)
        throw ChartException("3D effect percent must be between %d and %d", {1, 100});
    SetIntegerProperty(chart3DPercent_, Value);
}

void TCustomAxisPanel::SetClipPoints(bool Value) {
    SetBooleanProperty(clipPoints_, Value);
}
void TCustomAxisPanel::SetAxisVisible(bool Value) {
    SetBooleanProperty(axisVisible_, Value);
}

void TCustomAxisPanel::SetMonochrome(bool Value) {
    FreeBitmap();
    SetRedrawNeeded(true);
    monochrome_ = Value;
}

bool TCustomAxisPanel::IsAxisVisible(const TChartAxis* Axis) const {
    if (!axisVisible_ || !Axis->Visible()) return false;
    bool anyUsing = false;
    for (int i = 0; i < SeriesCount(); ++i) {
        TChartSeries* s = Series(i);
        if (!s->Active() || !s->UseAxis()) continue;
        anyUsing = true;
        if (s->AssociatedToAxis(const_cast<TChartAxis*>(Axis))) return true;
    }
    return !anyUsing;
}

// --- paging

void TCustomAxisPanel::SetMaxPointsPerPage(int Value) {
    if (Value < 0) throw ChartException("MaxPointsPerPage must be >= 0");
    SetIntegerProperty(maxPointsPerPage_, Value);
    if (page_ > NumPages()) page_ = NumPages();
}

void TCustomAxisPanel::SetScaleLastPage(bool Value) {
    SetBooleanProperty(scaleLastPage_, Value);
}

int TCustomAxisPanel::NumPages() const {
    if (maxPointsPerPage_ == 0 || SeriesCount() == 0) return 1;
    const bool yMandatory = Series(0)->YMandatory();
    const TChartAxis* first = yMandatory ? BottomAxis() : LeftAxis();
    const TChartAxis* second = yMandatory ? TopAxis() : RightAxis();
    int result = 1;
    for (const TChartAxis* axis : {first, second}) {
        for (int i = 0; i < SeriesCount(); ++i) {
            TChartSeries* s = Series(i);
            if (!s->Active() || s->Count() == 0 ||
                !s->AssociatedToAxis(const_cast<TChartAxis*>(axis)))
                continue;
            const int c = s->Count();
            result = std::max(result, c / maxPointsPerPage_ + (c % maxPointsPerPage_ >= 1 ? 1 : 0));
            break;
        }
    }
    return result;
}

void TCustomAxisPanel::SetPage(int Value) {
    Value = std::clamp(Value, 1, NumPages());
    if (page_ == Value) return;
    page_ = Value;
    RedrawChart();
    if (OnPageChange) OnPageChange(this);
}

// --- zoom

void TCustomAxisPanel::ZoomToRectangle() {
    Zoom->Check();
    auto vertical = [this](TChartAxis* a, double& low, double& high) {
        low = a->CalcPosPoint(Zoom->Y1);
        high = a->CalcPosPoint(Zoom->Y0);
    };
    auto horizontal = [this](TChartAxis* a, double& low, double& high) {
        low = a->CalcPosPoint(Zoom->X0);
        high = a->CalcPosPoint(Zoom->X1);
    };
    double lMin, lMax, rMin, rMax, tMin, tMax, bMin, bMax;
    vertical(LeftAxis(), lMin, lMax);
    vertical(RightAxis(), rMin, rMax);
    horizontal(TopAxis(), tMin, tMax);
    horizontal(BottomAxis(), bMin, bMax);
    SetAllAxesMinMax(lMin, lMax, rMin, rMax, tMin, tMax, bMin, bMax);
}

void TCustomAxisPanel::SetAllAxesMinMax(double LeftMin, double LeftMax, double RightMin,
                                        double RightMax, double TopMin, double TopMax,
                                        double BottomMin, double BottomMax) {
    LeftAxis()->SetMinMax(LeftMin, LeftMax);
    RightAxis()->SetMinMax(RightMin, RightMax);
    TopAxis()->SetMinMax(TopMin, TopMax);
    BottomAxis()->SetMinMax(BottomMin, BottomMax);
}

// --- data sources

bool TCustomAxisPanel::IsValidDataSource(TChartSeries* ASeries, TComponent* AComponent) const {
    auto* source = dynamic_cast<TChartSeries*>(AComponent);
    return AComponent != ASeries && source && ASeries->IsValidSeriesSource(source);
}

void TCustomAxisPanel::CheckDatasource(TChartSeries* ASeries) {
    if (ComponentState().Contains(csLoading)) return;
    if (auto* source = dynamic_cast<TChartSeries*>(ASeries->DataSource()))
        ASeries->AddValues(source);
}

// --- legend texts

TChartSeries* TCustomAxisPanel::SeriesForLegend(int Index) const {
    int n = 0;
    for (int i = 0; i < SeriesCount(); ++i) {
        TChartSeries* s = Series(i);
        if (!s->Active() || !s->ShowInLegend()) continue;
        if (n++ == Index) return s;
    }
    return nullptr;
}

std::string TCustomAxisPanel::SeriesTitleLegend(int Index) const {
    TChartSeries* s = SeriesForLegend(Index);
    if (!s) return "?";
    if (!s->Title().empty()) return s->Title();
    if (!s->Name().empty()) return s->Name();
    return "Series " + IntToStr(Index);
}

std::string TCustomAxisPanel::FormattedValueLegend(TChartSeries* ASeries, int ValueIndex) {
    return ASeries ? Legend()->FormattedValue(ASeries, ValueIndex) : std::string();
}

std::string TCustomAxisPanel::FormattedLegend(int Index) {
    const TLegendStyle style = Legend()->GetLegendStyle();
    std::string text;
    switch (style) {
    case lsValues: text = FormattedValueLegend(FirstActiveSeries(), Index); break;
    case lsLastValues:
        if (Index >= 0 && Index < SeriesCount())
            text = FormattedValueLegend(Series(Index), Series(Index)->Count() - 1);
        break;
    default: text = SeriesTitleLegend(Index); break;
    }
    if (OnGetLegendText) OnGetLegendText(this, style, Index, text);
    return text;
}

int TCustomAxisPanel::CountLegendItems() {
    switch (Legend()->GetLegendStyle()) {
    case lsValues: {
        TChartSeries* s = FirstActiveSeries();
        return s && s->ShowInLegend() ? std::max(0, s->Count() - Legend()->FirstValue()) : 0;
    }
    case lsLastValues: return std::max(0, SeriesCount() - Legend()->FirstValue());
    default: {
        int n = 0;
        while (SeriesForLegend(n))
            ++n;
        return std::max(0, n - Legend()->FirstValue());
    }
    }
}

TChartSeries* TCustomAxisPanel::LegendItemSeries(int Index) {
    switch (Legend()->GetLegendStyle()) {
    case lsValues: return FirstActiveSeries();
    case lsLastValues: return Index >= 0 && Index < SeriesCount() ? Series(Index) : nullptr;
    default: return SeriesForLegend(Index);
    }
}

// --- drawing

TRect TCustomAxisPanel::GetSeriesRect() const {
    TRect r = ChartRect;
    r.Right += Width3D;
    r.Top -= Height3D;
    return r;
}

void TCustomAxisPanel::CalcSize3D() {
    if (!view3D_) {
        SeriesWidth3D = SeriesHeight3D = Width3D = Height3D = 0;
        return;
    }
    SeriesWidth3D = static_cast<int>(Round(ChartWidth * chart3DPercent_ * 0.001));
    SeriesHeight3D = static_cast<int>(Round(ChartHeight * chart3DPercent_ * 0.001));
    const int rows = ZOrderFlag() ? std::max(1, SeriesRow3D + 1) : 1;
    Width3D = SeriesWidth3D * rows;
    Height3D = SeriesHeight3D * rows;
}

void TCustomAxisPanel::ClipRectangle(const TRect& R) {
    IntersectClipRect(DrawingCanvas()->Handle(), R.Left, R.Top, R.Right, R.Bottom);
}

void TCustomAxisPanel::UnClipRectangle() {
    SelectClipRect(DrawingCanvas()->Handle(), nullptr);
}

void TCustomAxisPanel::CheckPenWidth(TPen* APen) {
    if (PrinterCanvas() && APen->Width() == 1 && APen->Style() != psSolid) APen->SetWidth(0);
}

TColor TCustomAxisPanel::ContrastColor() const {
    return Color() == clBlack ? clWhite : clBlack;
}

bool TCustomAxisPanel::ClipAllowed() {
    return GetDeviceCaps(DrawingCanvas()->Handle(), CLIPCAPS) != 0 || ClipWhenPrinting ||
           ClipWhenMetafiling;
}

TRect TCustomAxisPanel::MarginRect(const TRect& R) const {
    const int w = R.Width();
    const int h = R.Height();
    TRect r{R.Left + MulDiv(MarginLeft(), w, 100), R.Top + MulDiv(MarginTop(), h, 100),
            R.Right - MulDiv(MarginRight(), w, 100), R.Bottom - MulDiv(MarginBottom(), h, 100)};
    InflateRect(r, -BorderWidth(), -BorderWidth());
    return r;
}

namespace {
// Puts the chart's drawing canvas back when a drawing ends, also by an exception.
class TDrawingCanvasGuard {
public:
    explicit TDrawingCanvasGuard(std::function<void()> Restore) : restore_(std::move(Restore)) {}
    ~TDrawingCanvasGuard() { restore_(); }
    TDrawingCanvasGuard(const TDrawingCanvasGuard&) = delete;
    TDrawingCanvasGuard& operator=(const TDrawingCanvasGuard&) = delete;

private:
    std::function<void()> restore_;
};
} // namespace

void TCustomAxisPanel::Draw(TCanvas* Canvas, const TRect& Rect) {
    TDrawingCanvasGuard guard([this] { SetDrawingCanvas(nullptr); });
    if (!buffered_) {
        SetDrawingCanvas(Canvas);
        ChartBounds = Rect;
        ChartRect = MarginRect(Rect);
        RecalcWidthHeight();
        InternalDraw(Rect);
        return;
    }
    TBitmap* bitmap = NeedBitmap(monochrome_);
    bitmap->SetSize(std::max(1, Rect.Width()), std::max(1, Rect.Height()));
    ChartBounds = ::Rect(0, 0, bitmap->Width(), bitmap->Height());
    ChartRect = MarginRect(ChartBounds);
    RecalcWidthHeight();
    SetDrawingCanvas(bitmap->Canvas());
    InternalDraw(ChartBounds);
    CopyBuffer(Canvas, Rect.Left, Rect.Top);
    SetRedrawNeeded(false);
}

void TCustomAxisPanel::Paint() {
    if (CanvasDrawing() || DrawFromBuffer()) return;
    Draw(Canvas(), ClientRect());
}

void TCustomAxisPanel::CalcSeriesRows() {
    if (view3D_) {
        SeriesRow3D = -1;
        for (int i = 0; i < SeriesCount(); ++i)
            if (Series(i)->Active() && Series(i)->HasDepth()) Series(i)->CalcZOrder();
        for (int i = 0; i < SeriesCount(); ++i)
            if (Series(i)->Active())
                Series(i)->SetZOrder(Series(i)->HasDepth() ? SeriesRow3D - Series(i)->ZOrder() : 0);
    } else {
        SeriesRow3D = 0;
        for (int i = 0; i < SeriesCount(); ++i)
            if (Series(i)->Active()) Series(i)->SetZOrder(0);
    }
}

void TCustomAxisPanel::InternalDraw(const TRect& UserRect) {
    TCanvas* canvas = DrawingCanvas();
    const int saved = SaveDC(canvas->Handle());
    TDrawingCanvasGuard restore([canvas, saved] {
        RestoreDC(canvas->Handle(), saved);
        canvas->Refresh();
    });
    DrawPanelBackground(UserRect);
    canvas->Pen()->SetColor(clBlack);
    DrawTitlesAndLegend();
    CalcSeriesRows();
    CalcAxisRect();
    CalcSeriesMargins();
    DrawBackRectangle();
    if (axisVisible_)
        for (TChartAxis* axis : {TopAxis(), BottomAxis(), LeftAxis(), RightAxis()})
            if (IsAxisVisible(axis)) axis->Draw();
    for (int i = 0; i < SeriesCount(); ++i) {
        TChartSeries* s = Series(i);
        if (!s->Active()) continue;
        if (view3D_ && s->SameZOrderExists()) {
            if (s->FirstInZOrder()) DrawSeriesGroup(s);
        } else {
            DrawSeries(s);
        }
    }
    if (Zoom->Active) DrawZoomRectangle();
    if (OnAfterDraw) OnAfterDraw(this);
}

void TCustomAxisPanel::DrawBackRectangle() {
    TCanvas* canvas = DrawingCanvas();
    if (frame_->Visible() || backColor_ != clChartColor) {
        canvas->Brush()->SetStyle(bsClear);
        if (frame_->Visible()) {
            canvas->SetPen(frame_.get());
            if (frame_->Color() == clChartColor) canvas->Pen()->SetColor(ContrastColor());
            CheckPenWidth(canvas->Pen());
        } else {
            canvas->Pen()->SetStyle(psClear);
        }
        if (backColor_ != clChartColor) {
            canvas->Brush()->SetColor(backColor_);
            canvas->Brush()->SetStyle(bsSolid);
        }
        TRect r = ChartRect;
        OffsetRect(r, Width3D, -Height3D);
        r.Right += 1;
        DrawRectangle(r);
    }
    if (view3D_ && view3DWalls_) DrawWalls();
}

void TCustomAxisPanel::CalcFirstLastVisibleIndex(TChartSeries* ASeries) {
    const int count = ASeries->Count();
    if (count == 0) {
        ASeries->SetValueIndexRange(-1, -1);
        return;
    }
    if (!ASeries->CalcVisiblePoints()) {
        ASeries->SetValueIndexRange(0, count - 1);
        return;
    }
    const bool yMandatory = ASeries->YMandatory();
    const TChartAxis* axis = yMandatory ? ASeries->GetHorizAxis() : ASeries->GetVertAxis();
    const TChartValueList* list = yMandatory ? ASeries->XValues() : ASeries->YValues();
    int first = 0;
    while (first < count && list->Value(first) < axis->IMinimum)
        ++first;
    int last = count - 1;
    while (last >= 0 && list->Value(last) > axis->IMaximum)
        --last;
    if (first > last || first >= count) {
        ASeries->SetValueIndexRange(-1, -1);
        return;
    }
    if (ASeries->DrawBetweenPoints() && last < count - 1) ++last;
    ASeries->SetValueIndexRange(first, last);
}

void TCustomAxisPanel::DrawSeries(TChartSeries* ASeries) {
    CalcFirstLastVisibleIndex(ASeries);
    if (ASeries->FirstValueIndex() == -1) return;
    ASeries->DoBeforeDrawValues();
    if (clipPoints_ && ClipAllowed()) ClipRectangle(GetSeriesRect());
    ASeries->DrawAllValues();
    UnClipRectangle();
    if (ASeries->Marks()->Visible()) {
        if (ASeries->Marks()->Clip()) ClipRectangle(GetSeriesRect());
        ASeries->DrawMarks();
        UnClipRectangle();
    }
    ASeries->DoAfterDrawValues();
}

void TCustomAxisPanel::DrawSeriesGroup(TChartSeries* First) {
    std::vector<TChartSeries*> group;
    for (int i = 0; i < SeriesCount(); ++i) {
        TChartSeries* s = Series(i);
        if (s->Active() && s->ZOrder() == First->ZOrder()) {
            CalcFirstLastVisibleIndex(s);
            if (s->FirstValueIndex() != -1) group.push_back(s);
        }
    }
    if (group.empty()) return;
    int low = group[0]->FirstValueIndex();
    int high = group[0]->LastValueIndex();
    for (TChartSeries* s : group) {
        low = std::min(low, s->FirstValueIndex());
        high = std::max(high, s->LastValueIndex());
        s->DoBeforeDrawValues();
    }
    if (clipPoints_ && ClipAllowed()) ClipRectangle(GetSeriesRect());
    for (int i = low; i <= high; ++i)
        for (TChartSeries* s : group)
            if (i >= s->FirstValueIndex() && i <= s->LastValueIndex()) s->DrawValue(i);
    UnClipRectangle();
    for (TChartSeries* s : group) {
        if (s->Marks()->Visible()) {
            if (s->Marks()->Clip()) ClipRectangle(GetSeriesRect());
            s->DrawMarks();
            UnClipRectangle();
        }
        s->DoAfterDrawValues();
    }
}
