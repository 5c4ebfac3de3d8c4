#include "chart/Series.h"

#include "platform/rtl/Numbers.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <numbers>

int DarkColorQuantity = 64;
int DarkerColorQuantity = 128;

TColor ApplyDark(TColor Color, int Quantity) {
    const COLORREF c = ColorToRGB(Color);
    auto less = [Quantity](Byte v) { return static_cast<Byte>(std::max(0, v - Quantity)); };
    return static_cast<TColor>(RGB(less(GetRValue(c)), less(GetGValue(c)), less(GetBValue(c))));
}

namespace {
int RoundInt(double Value) {
    return static_cast<int>(Round(Value));
}

// Where a stacked point ends on its value axis: its origin (the positive values of the same-kind
// series before it) plus Value, in per cent of the index's total when Percent. False when Percent
// and that total is 0.
bool StackedValue(const TChartSeries* Series, int ValueIndex, double Value, bool Percent,
                  double& Result) {
    const double origin = Series->PointOrigin(ValueIndex, false);
    if (!Percent) {
        Result = origin + Value;
        return true;
    }
    const double total = Series->PointOrigin(ValueIndex, true);
    if (total == 0) return false;
    Result = (origin + Value) * 100 / total;
    return true;
}

// The largest stacked end of the series' points, at least Plain.
double StackedTop(const TChartSeries* Series, double Plain) {
    double result = Plain;
    for (int i = 0; i < Series->Count(); ++i)
        if (Series->ValueIsFinite(i))
            result = std::max(result, Series->PointOrigin(i, false) + Series->GetMarkValue(i));
    return result;
}
} // namespace

// =============================================================================================
// TFastLineSeries

TFastLineSeries::TFastLineSeries(TComponent* AOwner) : TChartSeries(AOwner) {
    linePen_ = CreateChartPen();
    // The series colour follows the pen's colour, whoever changed it.
    linePen_->OnChange = [this](TObject*) {
        if (linePen_->Color() != SeriesColor()) TChartSeries::SetSeriesColor(linePen_->Color());
        CanvasChanged();
    };
    SetDrawBetweenPoints(true);
    SetAllowSinglePoint(false);
}

TFastLineSeries::~TFastLineSeries() = default;

void TFastLineSeries::Assign(TPersistent* Source) {
    if (auto* s = dynamic_cast<TFastLineSeries*>(Source)) linePen_->Assign(s->linePen_.get());
    TChartSeries::Assign(Source);
}

void TFastLineSeries::SetLinePen(TChartPen* Value) {
    linePen_->Assign(Value);
    SetSeriesColor(linePen_->Color());
}

void TFastLineSeries::SetSeriesColor(TColor Color) {
    TChartSeries::SetSeriesColor(Color);
    linePen_->SetColor(Color);
}

std::string TFastLineSeries::GetEditorClassName() const {
    return "TFastLineSeriesEditor";
}

void TFastLineSeries::PreparePen() {
    TCanvas* canvas = ParentCanvas();
    canvas->SetPen(linePen_.get());
    ParentChart()->CheckPenWidth(canvas->Pen());
    canvas->Pen()->SetColor(SeriesColor() == clChartColor ? clBlack : SeriesColor());
}

void TFastLineSeries::DrawAllValues() {
    PreparePen();
    columnPending_ = false;
    broken_ = false;
    TChartSeries::DrawAllValues();
    FlushColumn();
}

void TFastLineSeries::DoAfterDrawValues() {
    FlushColumn();
    TChartSeries::DoAfterDrawValues();
}

void TFastLineSeries::FlushColumn() {
    if (!columnPending_) return;
    columnPending_ = false;
    TCanvas* canvas = ParentCanvas();
    const TPoint at = canvas->PenPos();
    if (columnMinY_ != at.Y) canvas->LineTo(lastX_, columnMinY_);
    if (columnMaxY_ != columnMinY_) canvas->LineTo(lastX_, columnMaxY_);
    if (lastY_ != columnMaxY_) canvas->LineTo(lastX_, lastY_);
}

void TFastLineSeries::DrawValue(int ValueIndex) {
    // A point with a value that is not finite is not drawn: the line breaks there.
    if (!ValueIsFinite(ValueIndex)) {
        FlushColumn();
        broken_ = true;
        return;
    }
    const TPoint at = PointAt(ValueIndex);
    const int x = at.X;
    const int y = at.Y;
    TCanvas* canvas = ParentCanvas();
    if (ValueIndex == FirstValueIndex() || broken_) {
        columnPending_ = false;
        broken_ = false;
        if (ValueIndex == FirstValueIndex() && ValueIndex > 0 && ValueIsFinite(ValueIndex - 1)) {
            const TPoint before = PointAt(ValueIndex - 1);
            lastX_ = before.X;
            lastY_ = before.Y;
            canvas->MoveTo(lastX_, lastY_);
            canvas->LineTo(x, y);
        } else {
            canvas->MoveTo(x, y);
        }
        lastX_ = x;
        lastY_ = y;
        return;
    }
    if (x == lastX_ && y == lastY_) return;
    if (x == lastX_) {
        // Same column: remember its extent, draw it when the line leaves the column.
        if (!columnPending_) {
            columnPending_ = true;
            columnMinY_ = columnMaxY_ = lastY_;
        }
        columnMinY_ = std::min(columnMinY_, y);
        columnMaxY_ = std::max(columnMaxY_, y);
        lastY_ = y;
        return;
    }
    FlushColumn();
    canvas->LineTo(x, y);
    lastX_ = x;
    lastY_ = y;
}

int TFastLineSeries::Clicked(int X, int Y) {
    const int first = FirstValueIndex();
    const int last = LastValueIndex();
    if (first < 0 || last < 0 || last < first) return -1;
    TPoint previous;
    const TPoint p = Point(X, Y);
    bool joined = false; // the line comes into point i from the one before
    for (int i = first; i <= last; ++i) {
        if (!ValueIsFinite(i)) {
            joined = false;
            continue;
        }
        const TPoint at = PointAt(i);
        if (at == p) return i;
        if (joined && PointInLine(p, previous.X, previous.Y, at.X, at.Y)) return i - 1;
        previous = at;
        joined = true;
    }
    return -1;
}

void TFastLineSeries::DrawLegendShape(int, const TRect& Rect) {
    PreparePen();
    ParentChart()->DrawHorizLine(Rect.Left, Rect.Right, (Rect.Top + Rect.Bottom) / 2);
}

// =============================================================================================
// TCustomBarSeries

TCustomBarSeries::TCustomBarSeries(TComponent* AOwner) : TChartSeries(AOwner) {
    barPen_ = CreateChartPen();
    barBrush_ = std::make_unique<TChartBrush>([this](TObject*) { CanvasChanged(); });
    Marks()->SetVisible(true);
    Marks()->SetArrowLength(20);
}

TCustomBarSeries::~TCustomBarSeries() = default;

void TCustomBarSeries::Assign(TPersistent* Source) {
    if (auto* s = dynamic_cast<TCustomBarSeries*>(Source)) {
        barWidthPercent_ = s->barWidthPercent_;
        barStyle_ = s->barStyle_;
        useYOrigin_ = s->useYOrigin_;
        yOrigin_ = s->yOrigin_;
        barPen_->Assign(s->barPen_.get());
        barBrush_->Assign(s->barBrush_.get());
        multiBar_ = s->multiBar_;
        customBarSize_ = s->customBarSize_;
        sideMargins_ = s->sideMargins_;
        dark3D_ = s->dark3D_;
        offsetPercent_ = s->offsetPercent_;
        autoMarkPosition_ = s->autoMarkPosition_;
    }
    TChartSeries::Assign(Source);
}

namespace {
template <typename T>
void SetAndRepaint(TChartSeries* Series, T& Field, const T& Value) {
    if (Field == Value) return;
    Field = Value;
    Series->Repaint();
}
} // namespace

void TCustomBarSeries::CalcZOrder() {
    if (multiBar_ != mbNone && TakeRowOfEarlierSameClass()) return;
    TChartSeries::CalcZOrder();
}

void TCustomBarSeries::SetBarWidthPercent(int Value) {
    if (Value < 1 || Value > 100) throw BarException("Bar Width Percent must be between 1 and 100");
    SetAndRepaint(this, barWidthPercent_, Value);
}

void TCustomBarSeries::SetOffsetPercent(int Value) {
    if (Value < -100 || Value > 100)
        throw BarException("Bar Offset Percent must be between -100% and 100%");
    SetAndRepaint(this, offsetPercent_, Value);
}

void TCustomBarSeries::SetBarStyle(TBarStyle Value) {
    SetAndRepaint(this, barStyle_, Value);
}
void TCustomBarSeries::SetUseYOrigin(bool Value) {
    SetAndRepaint(this, useYOrigin_, Value);
}
void TCustomBarSeries::SetYOrigin(double Value) {
    SetAndRepaint(this, yOrigin_, Value);
}
void TCustomBarSeries::SetDark3D(bool Value) {
    SetAndRepaint(this, dark3D_, Value);
}
void TCustomBarSeries::SetAutoMarkPosition(bool Value) {
    SetAndRepaint(this, autoMarkPosition_, Value);
}
void TCustomBarSeries::SetCustomBarSize(int Value) {
    SetAndRepaint(this, customBarSize_, Value);
}

void TCustomBarSeries::SetMultiBar(TMultiBar Value) {
    if (multiBar_ == Value) return;
    multiBar_ = Value;
    // Siblings take the value in their field, so they do not pass it back again.
    if (TCustomAxisPanel* chart = ParentChart())
        for (int i = 0; i < chart->SeriesCount(); ++i)
            if (auto* bar = dynamic_cast<TCustomBarSeries*>(chart->Series(i)))
                if (bar != this && SameClass(bar) && bar->multiBar_ != Value)
                    bar->multiBar_ = Value;
    Repaint();
}

void TCustomBarSeries::SetSideMargins(bool Value) {
    if (sideMargins_ == Value) return;
    sideMargins_ = Value;
    if (TCustomAxisPanel* chart = ParentChart())
        for (int i = 0; i < chart->SeriesCount(); ++i)
            if (auto* bar = dynamic_cast<TCustomBarSeries*>(chart->Series(i)))
                if (bar != this && SameClass(bar) && bar->sideMargins_ != Value)
                    bar->sideMargins_ = Value;
    Repaint();
}

int TCustomBarSeries::SameKindCount() const {
    TCustomAxisPanel* chart = ParentChart();
    if (!chart) return 1;
    int count = 0;
    for (int i = 0; i < chart->SeriesCount(); ++i)
        if (chart->Series(i)->Active() && SameClass(chart->Series(i))) ++count;
    return std::max(1, count);
}

int TCustomBarSeries::SameKindOrder() const {
    TCustomAxisPanel* chart = ParentChart();
    int order = 1;
    for (int i = 0; chart && i < chart->SeriesCount() && chart->Series(i) != this; ++i)
        if (chart->Series(i)->Active() && SameClass(chart->Series(i))) ++order;
    return order;
}

void TCustomBarSeries::CalcBarWidth() {
    if (customBarSize_ != 0) {
        barWidth_ = customBarSize_;
        return;
    }
    TCustomAxisPanel* chart = ParentChart();
    int count = 1;
    int points = Count();
    if (chart && multiBar_ == mbSide) {
        count = SameKindCount();
        for (int i = 0; i < chart->SeriesCount(); ++i) {
            TChartSeries* s = chart->Series(i);
            if (s->Active() && SameClass(s)) points = std::max(points, s->Count());
        }
    }
    if (chart && chart->MaxPointsPerPage() > 0) points = chart->MaxPointsPerPage();
    if (points <= 0) {
        barWidth_ = 0;
        return;
    }
    if (sideMargins_) ++points;
    barWidth_ = RoundInt(AxisLength() * barWidthPercent_ * 0.01 / points) / count;
}

int TCustomBarSeries::SideShift(int Position) const {
    if (multiBar_ == mbSide)
        Position += RoundInt(barWidth_ * (SameKindOrder() - 0.5 * SameKindCount() - 1));
    else
        Position -= barWidth_ / 2;
    if (offsetPercent_ != 0) Position += RoundInt(offsetPercent_ * barWidth_ * 0.01);
    return Position;
}

int TCustomBarSeries::ValueEndPos(int ValueIndex) const {
    const double value = GetMarkValue(ValueIndex);
    if (multiBar_ != mbStacked && multiBar_ != mbStacked100) return ValuePixel(value);
    double end = 0;
    // A point whose index totals 0 lies at pixel 0.
    return StackedValue(this, ValueIndex, value, multiBar_ == mbStacked100, end) ? ValuePixel(end)
                                                                                 : 0;
}

int TCustomBarSeries::GetOriginPos(int ValueIndex) const {
    if (multiBar_ == mbStacked || multiBar_ == mbStacked100) {
        double origin = 0;
        return StackedValue(this, ValueIndex, 0, multiBar_ == mbStacked100, origin)
                   ? ValuePixel(origin)
                   : 0;
    }
    return useYOrigin_ ? ValuePixel(yOrigin_) : PlotEdge();
}

double TCustomBarSeries::StackedMaximum(double PlainMaximum) const {
    if (multiBar_ == mbStacked100) return 100;
    const double result = multiBar_ == mbStacked ? StackedTop(this, PlainMaximum) : PlainMaximum;
    return useYOrigin_ ? std::max(result, yOrigin_) : result;
}

double TCustomBarSeries::StackedMinimum(double PlainMinimum) const {
    if (multiBar_ == mbStacked100) return 0;
    return useYOrigin_ ? std::min(PlainMinimum, yOrigin_) : PlainMinimum;
}

void TCustomBarSeries::CategoryMargins(int& Before, int& After) {
    CalcBarWidth();
    const int room = (multiBar_ == mbSide ? SameKindCount() : 1) * barWidth_;
    Before = After = sideMargins_ ? room : room / 2;
}

int TCustomBarSeries::MarkRoom() {
    if (Count() == 0 || !Marks()->Visible()) return 0;
    TChartPen* frame = Marks()->Frame();
    const int m =
        MarkSize(-1) + Marks()->ArrowLength() + (frame->Visible() ? 2 * frame->Width() : 0);
    return m > 0 ? m + 1 : m;
}

TBarStyle TCustomBarSeries::GetBarStyle(int ValueIndex) {
    TBarStyle style = barStyle_;
    if (OnGetBarStyle) OnGetBarStyle(this, ValueIndex, style);
    return style;
}

bool TCustomBarSeries::BarClicked(int, int, int) {
    return false;
}

void TCustomBarSeries::PrepareForGallery(bool Enabled) {
    TChartSeries::PrepareForGallery(Enabled);
    SetBarWidthPercent(85);
    SetMultiBar(mbNone);
}

std::string TCustomBarSeries::GetEditorClassName() const {
    return "TBarSeriesEditor";
}

int TCustomBarSeries::Clicked(int X, int Y) {
    const int base = TChartSeries::Clicked(X, Y);
    if (base != -1) return base;
    for (int i = std::max(0, FirstValueIndex()); i <= LastValueIndex() && i < Count(); ++i)
        if (ValueColor(i) != clNone && BarClicked(i, X, Y)) return i;
    return -1;
}

void TCustomBarSeries::GetLegendBrush(int, TColor& BackColor, TBrushStyle& Style) {
    TCanvas* canvas = ParentCanvas();
    canvas->SetPen(barPen_.get());
    if (!barPen_->Visible()) canvas->Pen()->SetStyle(psClear);
    Style = barBrush_->Style();
    BackColor = barBrush_->Color() == clChartColor ? ParentChart()->Color() : barBrush_->Color();
}

void TCustomBarSeries::DoBeforeDrawValues() {
    CalcBarWidth();
    TChartSeries::DoBeforeDrawValues();
}

void TCustomBarSeries::DrawMarkIn3D(int ValueIndex, const std::string& St, TRect R,
                                    TPoint ArrowFrom, TPoint ArrowTo) {
    TCustomAxisPanel* chart = ParentChart();
    if (chart->View3D()) {
        const int dx = chart->SeriesWidth3D / 2;
        const int dy = chart->SeriesHeight3D / 2;
        OffsetRect(R, dx, -dy);
        ArrowFrom = Point(ArrowFrom.X + dx, ArrowFrom.Y - dy);
        ArrowTo = Point(ArrowTo.X + dx, ArrowTo.Y - dy);
    }
    TChartSeries::DrawMark(ValueIndex, St, R, ArrowFrom, ArrowTo);
}

bool TCustomBarSeries::PrepareBarColors(int ValueIndex) {
    const TColor color = ValueColor(ValueIndex);
    if (color == clNone) return false;
    barColor_ = color;
    darkColor_ = dark3D_ ? ApplyDark(color, DarkColorQuantity) : color;
    darkerColor_ = dark3D_ ? ApplyDark(color, DarkerColorQuantity) : color;
    return true;
}

void TCustomBarSeries::PrepareFace(TColor Color) {
    TCustomAxisPanel* chart = ParentChart();
    TCanvas* canvas = ParentCanvas();
    if (barPen_->Visible()) {
        canvas->SetPen(barPen_.get());
        if (barPen_->Color() == clChartColor) canvas->Pen()->SetColor(chart->ContrastColor());
        chart->CheckPenWidth(canvas->Pen());
    } else {
        canvas->Pen()->SetStyle(psClear);
    }
    const TColor back = barBrush_->Color() == clChartColor ? chart->Color() : barBrush_->Color();
    chart->SetBrushCanvas(Color, back, barBrush_->Style());
}

void TCustomBarSeries::Face(TColor Color, const std::vector<TPoint>& Points) {
    PrepareFace(Color);
    ParentChart()->DrawPolygon(Points, static_cast<int>(Points.size()) - 1);
}

void TCustomBarSeries::BarRectangle(TColor Color, int Left, int Top, int Right, int Bottom) {
    PrepareFace(Color);
    TCanvas* canvas = ParentCanvas();
    TPen* pen = canvas->Pen();
    auto penInBrushColor = [&] {
        pen->SetColor(canvas->Brush()->Color());
        if (pen->Style() == psClear) pen->SetStyle(psSolid);
    };
    if (barBrush_->Style() == bsSolid) {
        if (Right == Left || Bottom == Top) {
            penInBrushColor();
            ParentChart()->DrawLine(Left, Top, Right, Bottom);
        } else if (pen->Width() > std::abs(Right - Left) || pen->Width() > std::abs(Bottom - Top)) {
            penInBrushColor();
            canvas->Brush()->SetStyle(bsClear);
        }
    }
    ParentChart()->DrawRectangle(Rect(std::min(Left, Right), std::min(Top, Bottom),
                                      std::max(Left, Right), std::max(Top, Bottom)));
}

// =============================================================================================
// TBarSeries

TBarSeries::TBarSeries(TComponent* AOwner) : TCustomBarSeries(AOwner) {
    YValues()->SetName("Bar");
}

int TBarSeries::CalcXPos(int ValueIndex) const {
    return SideShift(TChartSeries::CalcXPos(ValueIndex));
}

int TBarSeries::CalcYPos(int ValueIndex) const {
    return ValueEndPos(ValueIndex);
}

double TBarSeries::MaxYValue() const {
    return StackedMaximum(TChartSeries::MaxYValue());
}

double TBarSeries::MinYValue() const {
    return StackedMinimum(TChartSeries::MinYValue());
}

void TBarSeries::CalcHorizMargins(int& LeftMargin, int& RightMargin) {
    CategoryMargins(LeftMargin, RightMargin);
}

void TBarSeries::CalcVerticalMargins(int& TopMargin, int& BottomMargin) {
    TopMargin = BottomMargin = 0;
    const int m = MarkRoom();
    if (m == 0) return;
    if (!UseYOrigin() || TChartSeries::MaxYValue() > YOrigin()) {
        if (GetVertAxis()->Inverted())
            BottomMargin += m + ParentChart()->Height3D;
        else
            TopMargin += m;
    }
    if (UseYOrigin() && TChartSeries::MinYValue() < YOrigin()) BottomMargin += m;
}

void TBarSeries::DrawValue(int ValueIndex) {
    TChartSeries::DrawValue(ValueIndex);
    if (!PrepareBarColors(ValueIndex)) return;
    const int left = CalcXPos(ValueIndex);
    const int top = CalcYPos(ValueIndex);
    const int bottom = GetOriginPos(ValueIndex);
    DrawBar(Rect(left, top, left + BarWidth(), bottom), ValueIndex, std::min(top, bottom),
            std::max(top, bottom));
}

bool TBarSeries::DrawValuesForward() const {
    return !GetHorizAxis()->Inverted();
}

int TBarSeries::MarkSize(int) {
    ParentChart()->AssignFont(Marks()->Font());
    return ParentChart()->FontHeight();
}

int TBarSeries::AxisLength() const {
    return ParentChart()->ChartWidth;
}

void TBarSeries::DrawMark(int ValueIndex, const std::string& St, TRect R, TPoint ArrowFrom,
                          TPoint ArrowTo) {
    const int w = R.Width();
    const int h = R.Height();
    const int x = ArrowFrom.X + BarWidth() / 2;
    ArrowFrom.X = ArrowTo.X = x;
    R.Left = x - w / 2;
    R.Right = x + w / 2;
    int length = Marks()->ArrowLength();
    if (AutoMarkPosition() && ValueIndex % 2 == 0 && ValueIndex > 0 && w > BarWidth() &&
        std::abs(CalcYPos(ValueIndex) - CalcYPos(ValueIndex - 1)) < h)
        length = std::max(0, length - 4 - h);
    const int valueEnd = ArrowFrom.Y;
    if (UseYOrigin() && GetOriginPos(ValueIndex) < valueEnd) {
        ArrowTo.Y = valueEnd + length;
        R.Top = ArrowTo.Y;
        R.Bottom = R.Top + h;
    } else {
        ArrowTo.Y = valueEnd - length;
        R.Bottom = ArrowTo.Y;
        R.Top = R.Bottom - h;
    }
    DrawMarkIn3D(ValueIndex, St, R, ArrowFrom, ArrowTo);
}

bool TBarSeries::BarClicked(int ValueIndex, int X, int Y) {
    const int x0 = CalcXPos(ValueIndex);
    const int x1 = x0 + BarWidth();
    if (X < x0 || X > x1) return false;
    const int a = CalcYPos(ValueIndex);
    const int b = GetOriginPos(ValueIndex);
    const int t = std::min(a, b);
    const int bottom = std::max(a, b);
    const int m = (x0 + x1) / 2;
    const TPoint p = Point(X, Y);
    switch (GetBarStyle(ValueIndex)) {
    case bsPyramid: return PointInPolygon(p, {{x0, bottom}, {m, t}, {x1, bottom}}, 2);
    case bsInvPyramid: return PointInPolygon(p, {{x0, t}, {m, bottom}, {x1, t}}, 2);
    case bsEllipse: {
        const double rx = (x1 - x0) / 2.0;
        const double ry = (bottom - t) / 2.0;
        if (rx <= 0 || ry <= 0) return false;
        const double ex = (X - (x0 + x1) / 2.0) / rx;
        const double ey = (Y - (t + bottom) / 2.0) / ry;
        return ex * ex + ey * ey <= 1;
    }
    default: return Y >= t && Y <= bottom;
    }
}

void TBarSeries::BlockFaces(int X0, int X1, int V, int S, int T) {
    TCustomAxisPanel* chart = ParentChart();
    const int dx = chart->SeriesWidth3D;
    const int dy = chart->SeriesHeight3D;
    Face(darkerColor_,
         {{X1 - 1, S - 1}, {X1 - 1, V - 1}, {X1 + dx - 1, V - dy}, {X1 + dx - 1, S - dy}});
    Face(darkColor_, {{X1 - 2, T}, {X0, T}, {X0 + dx, T - dy}, {X1 + dx - 1, T - dy}});
}

void TBarSeries::Cylinder(int X0, int X1, int T, int B) {
    TCustomAxisPanel* chart = ParentChart();
    const int dx = chart->SeriesWidth3D;
    const int dy = chart->SeriesHeight3D;
    const int hy = dy / 2;
    const int rx = (X1 - X0) / 2;
    const int m = (X0 + X1) / 2;
    std::vector<TPoint> lid(9);
    for (int k = 1; k <= 8; ++k) {
        const double a = k * std::numbers::pi / 4;
        const int y = T - hy + RoundInt(hy * std::cos(a));
        const int x =
            m + RoundInt(rx * std::sin(a)) + RoundInt(static_cast<double>(T - y) * dx / dy);
        lid[k] = Point(x, y);
    }
    const std::vector<int> outline =
        lid[2].X > lid[3].X ? std::vector<int>{6, 7, 8, 1, 2} : std::vector<int>{7, 8, 1, 2, 3};
    std::vector<TPoint> body;
    for (int k : outline)
        body.push_back(Point(lid[k].X, lid[k].Y + B - T));
    body.push_back(Point(lid[outline[4]].X, lid[outline[0]].Y));
    for (auto k = outline.rbegin(); k != outline.rend(); ++k)
        body.push_back(lid[*k]);
    Face(barColor_, body);
    Face(darkColor_, std::vector<TPoint>(lid.begin() + 1, lid.end()));
}

void TBarSeries::DrawBar(const TRect& BarRect, int ValueIndex, int StartPos, int EndPos) {
    TCustomAxisPanel* chart = ParentChart();
    const int x0 = BarRect.Left, x1 = BarRect.Right, v = BarRect.Top, s = BarRect.Bottom;
    const int t = StartPos, b = EndPos, m = (x0 + x1) / 2;
    const bool is3D = chart->View3D();
    const int dx = chart->SeriesWidth3D, dy = chart->SeriesHeight3D;
    const int hx = dx / 2, hy = dy / 2;
    auto topFace = [&] {
        Face(darkColor_, {{x1 - 2, t}, {x0, t}, {x0 + dx, t - dy}, {x1 + dx - 1, t - dy}});
    };
    switch (GetBarStyle(ValueIndex)) {
    case bsRectangle:
        BarRectangle(barColor_, x0, v, x1, s);
        if (is3D) BlockFaces(x0, x1, v, s, t);
        break;
    case bsPyramid:
        if (!is3D) {
            Face(barColor_, {{x0, b}, {m, t}, {x1, b}});
        } else if (v != s) {
            Face(barColor_, {{x0, b}, {m + hx, t - hy}, {x1, b}});
            Face(darkerColor_, {{m + hx, t - hy}, {x1 + dx - 1, b - dy}, {x1, b}});
        } else {
            topFace();
        }
        break;
    case bsInvPyramid:
        if (!is3D) {
            Face(barColor_, {{x0, t}, {m, b}, {x1 - 1, t}});
        } else if (v != s) {
            Face(barColor_, {{x0, t}, {m + hx, b - hy}, {x1 - 1, t}});
            Face(darkerColor_, {{x1 - 1, t}, {x1 + dx - 1, t - dy}, {m + hx, b - hy}});
            topFace();
        } else {
            topFace();
        }
        break;
    case bsCilinder:
        // The slant divides by the depth: without depth the bar is a plain rectangle.
        if (is3D && dy != 0)
            Cylinder(x0, x1, t, b);
        else
            BarRectangle(barColor_, x0, v, x1, s);
        break;
    case bsEllipse:
        PrepareFace(barColor_);
        chart->DrawingCanvas()->Ellipse(x0 + hx, v - hy, x1 + hx, s - hy);
        break;
    case bsArrow: {
        const int q = (x1 - x0) / 4;
        const int e = s == t ? -q : q;
        if (b - t > 2 * q)
            Face(barColor_, {{x0 + hx + q, s - hy},
                             {x0 + hx + q, v - hy + 2 * e},
                             {x0 + hx, v - hy + 2 * e},
                             {m + hx, v - hy},
                             {x1 + hx, v - hy + 2 * e},
                             {x1 + hx - q, v - hy + 2 * e},
                             {x1 + hx - q, s - hy}});
        else
            BarRectangle(barColor_, x0 + hx, v - hy, x1 + hx, s - hy);
        break;
    }
    case bsRectGradient:
        // The bar colour at the bar's start, white at its value end, whichever way it points.
        if (s >= v)
            GradientFill(chart->DrawingCanvas(), Rect(x0, v, x1, s), barColor_, clWhite, false);
        else
            GradientFill(chart->DrawingCanvas(), Rect(x0, s, x1, v), clWhite, barColor_, false);
        if (is3D) BlockFaces(x0, x1, v, s, t);
        break;
    }
}

// =============================================================================================
// THorizBarSeries

THorizBarSeries::THorizBarSeries(TComponent* AOwner) : TCustomBarSeries(AOwner) {
    XValues()->SetName("Bar");
    XValues()->SetOrder(loNone);
    SetSideMargins(true);
}

int THorizBarSeries::CalcYPos(int ValueIndex) const {
    return SideShift(TChartSeries::CalcYPos(ValueIndex));
}

int THorizBarSeries::CalcXPos(int ValueIndex) const {
    return ValueEndPos(ValueIndex);
}

double THorizBarSeries::MaxXValue() const {
    return StackedMaximum(TChartSeries::MaxXValue());
}

double THorizBarSeries::MinXValue() const {
    return StackedMinimum(TChartSeries::MinXValue());
}

void THorizBarSeries::CalcVerticalMargins(int& TopMargin, int& BottomMargin) {
    CategoryMargins(TopMargin, BottomMargin);
}

void THorizBarSeries::CalcHorizMargins(int& LeftMargin, int& RightMargin) {
    LeftMargin = RightMargin = 0;
    const int m = MarkRoom();
    if (m == 0) return;
    if (!UseYOrigin() || TChartSeries::MaxXValue() > YOrigin()) RightMargin += m;
    if (UseYOrigin() && TChartSeries::MinXValue() < YOrigin()) LeftMargin += m;
}

void THorizBarSeries::DrawValue(int ValueIndex) {
    TChartSeries::DrawValue(ValueIndex);
    if (!PrepareBarColors(ValueIndex)) return;
    const int top = CalcYPos(ValueIndex);
    const int right = CalcXPos(ValueIndex);
    const int left = GetOriginPos(ValueIndex);
    DrawBar(Rect(left, top, right, top + BarWidth()), ValueIndex, std::min(left, right),
            std::max(left, right));
}

bool THorizBarSeries::DrawValuesForward() const {
    return !GetVertAxis()->Inverted();
}

void THorizBarSeries::FillSampleValues(int NumValues) {
    if (NumValues <= 0) throw BarException("FillSampleValues NumValues must be > 0");
    Clear();
    const double minimum = GetVertAxis() ? GetVertAxis()->Minimum() : 0;
    double x = 1000 + ChartRandom(1000);
    for (int k = 0; k < NumValues; ++k) {
        AddXY(x, minimum + k, "", clChartColor);
        x += ChartRandom(500) - 250;
    }
    RefreshSeries();
}

int THorizBarSeries::MarkSize(int ValueIndex) {
    TCustomAxisPanel* chart = ParentChart();
    chart->AssignFont(Marks()->Font());
    return ValueIndex >= 0 ? chart->TextWidth(GetMarkText(ValueIndex)) : MaxMarkWidth();
}

int THorizBarSeries::AxisLength() const {
    return ParentChart()->ChartHeight;
}

void THorizBarSeries::DrawMark(int ValueIndex, const std::string& St, TRect R, TPoint ArrowFrom,
                               TPoint ArrowTo) {
    const int w = R.Width();
    const int h = R.Height();
    const int y = ArrowFrom.Y + BarWidth() / 2;
    ArrowFrom.Y = ArrowTo.Y = y;
    R.Top = y - h / 2;
    R.Bottom = y + h / 2;
    const int length = Marks()->ArrowLength();
    const int valueEnd = ArrowFrom.X;
    if (GetOriginPos(ValueIndex) > valueEnd) {
        ArrowTo.X = valueEnd - length;
        R.Right = ArrowTo.X;
        R.Left = R.Right - w;
    } else {
        ArrowTo.X = valueEnd + length;
        R.Left = ArrowTo.X;
        R.Right = R.Left + w;
    }
    DrawMarkIn3D(ValueIndex, St, R, ArrowFrom, ArrowTo);
}

bool THorizBarSeries::BarClicked(int ValueIndex, int X, int Y) {
    const int t = CalcYPos(ValueIndex);
    const int d = t + BarWidth();
    if (Y < t || Y > d) return false;
    const int a = CalcXPos(ValueIndex);
    const int b = GetOriginPos(ValueIndex);
    const int p = std::min(a, b);
    const int q = std::max(a, b);
    const int m = (t + d) / 2;
    const TPoint at = Point(X, Y);
    switch (GetBarStyle(ValueIndex)) {
    case bsPyramid: return PointInPolygon(at, {{p, t}, {q, m}, {p, d}}, 2);
    case bsInvPyramid: return PointInPolygon(at, {{q, t}, {p, m}, {q, d}}, 2);
    default: return X >= p && X <= q;
    }
}

void THorizBarSeries::EndFace(int X, int T, int D) {
    TCustomAxisPanel* chart = ParentChart();
    const int dx = chart->SeriesWidth3D;
    const int dy = chart->SeriesHeight3D;
    Face(darkerColor_, {{X - 1, D - 1}, {X - 1, T}, {X + dx, T - dy}, {X + dx, D - dy}});
}

void THorizBarSeries::TopFace(int P, int Q, int T) {
    TCustomAxisPanel* chart = ParentChart();
    const int dx = chart->SeriesWidth3D;
    const int dy = chart->SeriesHeight3D;
    Face(darkColor_, {{Q, T}, {Q + dx, T - dy}, {P + dx, T - dy}, {P, T}});
}

void THorizBarSeries::Cylinder(int P, int Q, int T, int D) {
    TCustomAxisPanel* chart = ParentChart();
    const int dx = chart->SeriesWidth3D;
    const int dy = chart->SeriesHeight3D;
    const int hx = dx / 2;
    const int ry = (D - T) / 2;
    const int m = (T + D) / 2;
    std::vector<TPoint> cap(9);
    for (int k = 1; k <= 8; ++k) {
        const double a = k * std::numbers::pi / 4;
        const int x = Q + hx + RoundInt(hx * std::sin(a));
        const int y =
            m + RoundInt(ry * std::cos(a)) - RoundInt(static_cast<double>(x - Q) * dy / dx);
        cap[k] = Point(x, y);
    }
    const std::vector<int> outline =
        cap[3].Y < cap[4].Y ? std::vector<int>{3, 4, 5, 6, 7} : std::vector<int>{4, 5, 6, 7, 8};
    std::vector<TPoint> body;
    for (int k : outline)
        body.push_back(cap[k]);
    body.push_back(cap[outline[4]]);
    for (auto k = outline.rbegin(); k != outline.rend(); ++k)
        body.push_back(Point(cap[*k].X - (Q - P), cap[*k].Y));
    Face(barColor_, body);
    Face(darkColor_, std::vector<TPoint>(cap.begin() + 1, cap.end()));
}

void THorizBarSeries::DrawBar(const TRect& BarRect, int ValueIndex, int StartPos, int EndPos) {
    TCustomAxisPanel* chart = ParentChart();
    const int t = BarRect.Top, d = BarRect.Bottom, v = BarRect.Right, s = BarRect.Left;
    const int p = StartPos, q = EndPos, m = (t + d) / 2;
    const bool is3D = chart->View3D();
    const int dx = chart->SeriesWidth3D, dy = chart->SeriesHeight3D;
    const int hx = dx / 2, hy = dy / 2;
    const bool inverted = GetHorizAxis()->Inverted();
    switch (GetBarStyle(ValueIndex)) {
    case bsRectangle:
        BarRectangle(barColor_, s, t, v, d);
        if (is3D) {
            TopFace(p, q, t);
            EndFace((inverted && UseYOrigin()) || s == q ? s : v, t, d);
        }
        break;
    case bsPyramid:
        if (!is3D) {
            Face(barColor_, {{p, t}, {q, m}, {p, d}});
        } else if (d != t) {
            Face(barColor_, {{p, t}, {q + hx, m - hy}, {p, d}});
            Face(darkColor_, {{q + hx, m - hy}, {p, t}, {p + dx, t - dy}});
        } else {
            EndFace(inverted ? s : v, t, d);
        }
        break;
    case bsInvPyramid:
        if (!is3D) {
            Face(barColor_, {{q, t}, {p, m}, {q, d}});
        } else {
            if (d != t) {
                Face(barColor_, {{q, t}, {p + hx, m - hy}, {q, d}});
                Face(darkColor_, {{p + hx, m - hy}, {q, t}, {q + dx, t - dy}});
            }
            EndFace(inverted ? s : v, t, d);
        }
        break;
    case bsCilinder:
        // The slant divides by the depth: without depth the bar is a plain rectangle.
        if (is3D && dx != 0)
            Cylinder(p, q, t, d);
        else
            BarRectangle(barColor_, s, t, v, d);
        break;
    case bsEllipse:
        PrepareFace(barColor_);
        chart->DrawingCanvas()->Ellipse(s + hx, t - hy, v + hx, d - hy);
        break;
    case bsArrow: {
        const int qq = (d - t) / 4;
        const int e = v == p ? -qq : qq;
        if (2 * qq < q - p)
            Face(barColor_, {{s + hx, t - hy + qq},
                             {v + hx - e, t - hy + qq},
                             {v + hx - e, t - hy},
                             {v + hx, m - hy},
                             {v + hx - e, d - hy},
                             {v + hx - e, d - hy - qq},
                             {s + hx, d - hy - qq}});
        else
            BarRectangle(barColor_, s + hx, t - hy, v + hx, d - hy);
        break;
    }
    case bsRectGradient:
        // The bar colour at the bar's start, white at its value end, whichever way it points.
        if (v >= s)
            GradientFill(chart->DrawingCanvas(), Rect(s, t, v, d), clWhite, barColor_, true);
        else
            GradientFill(chart->DrawingCanvas(), Rect(v, t, s, d), barColor_, clWhite, true);
        if (is3D) {
            TopFace(p, q, t);
            EndFace((inverted && UseYOrigin()) || s == q ? s : v, t, d);
        }
        break;
    }
}

// =============================================================================================
// TSeriesPointer

TSeriesPointer::TSeriesPointer(TChartSeries* AOwner) : series_(AOwner) {
    const TNotifyEvent repaint = [this](TObject*) { Changed(); };
    pen_ = std::make_unique<TChartPen>(repaint);
    brush_ = std::make_unique<TChartBrush>(repaint);
}

void TSeriesPointer::Changed() {
    series_->CanvasChanged();
}

void TSeriesPointer::Assign(TPersistent* Source) {
    auto* p = dynamic_cast<TSeriesPointer*>(Source);
    if (!p) {
        TPersistent::Assign(Source);
        return;
    }
    horizSize_ = p->horizSize_;
    vertSize_ = p->vertSize_;
    draw3D_ = p->draw3D_;
    style_ = p->style_;
    pen_->Assign(p->pen_.get());
    brush_->Assign(p->brush_.get());
    visible_ = p->visible_;
    inflateMargins_ = p->inflateMargins_;
    Changed();
}

namespace {
int CheckPointerSize(int Value) {
    if (Value < 1) throw ChartException("Pointer size must be greater than zero");
    return Value;
}
} // namespace

void TSeriesPointer::SetHorizSize(int Value) {
    SetAndRepaint(series_, horizSize_, CheckPointerSize(Value));
}
void TSeriesPointer::SetVertSize(int Value) {
    SetAndRepaint(series_, vertSize_, CheckPointerSize(Value));
}
void TSeriesPointer::SetDraw3D(bool Value) {
    SetAndRepaint(series_, draw3D_, Value);
}
void TSeriesPointer::SetStyle(TSeriesPointerStyle Value) {
    SetAndRepaint(series_, style_, Value);
}
void TSeriesPointer::SetVisible(bool Value) {
    SetAndRepaint(series_, visible_, Value);
}
void TSeriesPointer::SetInflateMargins(bool Value) {
    SetAndRepaint(series_, inflateMargins_, Value);
}

void TSeriesPointer::PrepareCanvas(TColor Color) {
    TCanvas* canvas = series_->ParentChart()->DrawingCanvas();
    if (pen_->Visible()) {
        canvas->SetPen(pen_.get());
        if (pen_->Color() == clChartColor) canvas->Pen()->SetColor(Color);
    } else {
        canvas->Pen()->SetStyle(psClear);
    }
    canvas->SetBrush(brush_.get());
    if (brush_->Color() == clChartColor) canvas->Brush()->SetColor(Color);
}

void TSeriesPointer::Draw(int X, int Y, TColor Color, TSeriesPointerStyle AStyle) {
    DrawShape(X, Y, Color, AStyle, horizSize_, vertSize_, draw3D_);
}

void TSeriesPointer::DrawSmall(int X, int Y, TColor Color, TSeriesPointerStyle AStyle, int MaxH,
                               int MaxV) {
    DrawShape(X, Y, Color, AStyle, std::min(horizSize_, MaxH), std::min(vertSize_, MaxV), false);
}

void TSeriesPointer::DrawShape(int X, int Y, TColor Color, TSeriesPointerStyle AStyle, int H, int V,
                               bool Faces) {
    TCustomAxisPanel* chart = series_->ParentChart();
    TCanvas* canvas = chart->DrawingCanvas();
    PrepareCanvas(Color);
    auto lines = [&](bool Straight, bool Diagonal) {
        canvas->Pen()->SetColor(Color);
        if (Straight) {
            chart->DrawVertLine(X, Y - V, Y + V + 1);
            chart->DrawHorizLine(X - H, X + H + 1, Y);
        }
        if (Diagonal) {
            chart->DrawLine(X - H, Y - V, X + H + 1, Y + V + 1);
            chart->DrawLine(X - H, Y + V, X + H + 1, Y - V - 1);
        }
    };
    switch (AStyle) {
    case psRectangle: {
        chart->DrawRectangle(Rect(X - H, Y - V, X + H + 1, Y + V + 1));
        const int dx = chart->SeriesWidth3D;
        const int dy = chart->SeriesHeight3D;
        if (Faces && chart->View3D() && dx >= 1) {
            const int l = X - H, t = Y - V, r = X + H + 1, b = Y + V + 1;
            chart->DrawPolygon({{l, t}, {l + dx, t - dy}, {r + dx, t - dy}, {r, t}}, 3);
            chart->DrawPolygon({{r, t}, {r + dx, t - dy}, {r + dx, b - dy}, {r, b}}, 3);
        }
        break;
    }
    case psCircle: canvas->Ellipse(X - H, Y - V, X + H, Y + V); break;
    case psTriangle: chart->DrawPolygon({{X - H, Y + V}, {X + H, Y + V}, {X, Y - V}}, 2); break;
    case psDownTriangle: chart->DrawPolygon({{X - H, Y - V}, {X + H, Y - V}, {X, Y + V}}, 2); break;
    case psCross: lines(true, false); break;
    case psDiagCross: lines(false, true); break;
    case psStar: lines(true, true); break;
    case psDiamond: chart->DrawPolygon({{X - H, Y}, {X, Y - V}, {X + H, Y}, {X, Y + V}}, 3); break;
    case psSmallDot: canvas->SetPixels(X, Y, Color); break;
    }
}

// =============================================================================================
// TCustomSeries

// A stretch of line from the last point drawn (From) to the point being drawn, with the rows
// their areas start at.
struct TCustomSeries::TSegment {
    TPoint From;
    int FromOrigin = 0;
    TPoint To;
    int Origin = 0;
    TColor Color = clChartColor;
    int Index = 0;
    bool First = false; // the stretch from outside the plot to the first visible point
    bool Last = false;  // it ends at the last visible point
};

TCustomSeries::TCustomSeries(TComponent* AOwner) : TChartSeries(AOwner) {
    pointer_ = std::make_unique<TSeriesPointer>(this);
    areaLinesPen_ = CreateChartPen();
    linePen_ = CreateChartPen();
    SetDrawBetweenPoints(true);
}

TCustomSeries::~TCustomSeries() = default;

void TCustomSeries::Assign(TPersistent* Source) {
    if (auto* s = dynamic_cast<TCustomSeries*>(Source)) {
        stairs_ = s->stairs_;
        invertedStairs_ = s->invertedStairs_;
        drawLine_ = s->drawLine_;
        drawArea_ = s->drawArea_;
        pointer_->Assign(s->pointer_.get());
        areaLinesPen_->Assign(s->areaLinesPen_.get());
        linePen_->Assign(s->linePen_.get());
        areaColor_ = s->areaColor_;
        lineBrush_ = s->lineBrush_;
        areaBrush_ = s->areaBrush_;
        clickableLine_ = s->clickableLine_;
    }
    TChartSeries::Assign(Source);
}

void TCustomSeries::SetStairs(bool Value) {
    SetAndRepaint(this, stairs_, Value);
}
void TCustomSeries::SetInvertedStairs(bool Value) {
    SetAndRepaint(this, invertedStairs_, Value);
}
void TCustomSeries::SetDrawArea(bool Value) {
    SetAndRepaint(this, drawArea_, Value);
}
void TCustomSeries::SetAreaColor(TColor Value) {
    SetAndRepaint(this, areaColor_, Value);
}
void TCustomSeries::SetLineBrush(TBrushStyle Value) {
    SetAndRepaint(this, lineBrush_, Value);
}
void TCustomSeries::SetAreaBrush(TBrushStyle Value) {
    SetAndRepaint(this, areaBrush_, Value);
}

std::string TCustomSeries::GetEditorClassName() const {
    return "TCustomSeriesEditor";
}

TColor TCustomSeries::AreaFillColor(TColor Color) const {
    return areaColor_ == clChartColor || ColorEachPoint() ? Color : areaColor_;
}

int TCustomSeries::OriginPixel(int) const {
    const TCustomAxisPanel* chart = ParentChart();
    return chart->ChartRect.Bottom - chart->SeriesHeight3D * ZOrder();
}

void TCustomSeries::CalcHorizMargins(int& LeftMargin, int& RightMargin) {
    TChartSeries::CalcHorizMargins(LeftMargin, RightMargin);
    if (!pointer_->Visible() || !pointer_->InflateMargins()) return;
    LeftMargin = std::max(LeftMargin, pointer_->HorizSize() + 1);
    RightMargin = std::max(RightMargin, pointer_->HorizSize() + 1);
}

void TCustomSeries::CalcVerticalMargins(int& TopMargin, int& BottomMargin) {
    TChartSeries::CalcVerticalMargins(TopMargin, BottomMargin);
    if (!pointer_->Visible() || !pointer_->InflateMargins()) return;
    TopMargin = std::max(TopMargin, pointer_->VertSize() + 1);
    BottomMargin = std::max(BottomMargin, pointer_->VertSize() + 1);
}

void TCustomSeries::DrawMark(int ValueIndex, const std::string& St, TRect R, TPoint ArrowFrom,
                             TPoint ArrowTo) {
    // Marks sit above the symbol.
    OffsetRect(R, 0, -pointer_->VertSize());
    ArrowTo.Y -= pointer_->VertSize();
    TChartSeries::DrawMark(ValueIndex, St, R, ArrowFrom, ArrowTo);
}

void TCustomSeries::DoBeforeDrawValues() {
    oldColor_ = clChartColor;
    TChartSeries::DoBeforeDrawValues();
}

void TCustomSeries::DrawPointer(int X, int Y, TColor Color, int ValueIndex) {
    const TSeriesPointerStyle style =
        OnGetPointerStyle ? OnGetPointerStyle(this, ValueIndex) : pointer_->Style();
    pointer_->Draw(X, Y, Color, style);
}

TPoint TCustomSeries::EdgeStart(int ValueIndex) const {
    const double edge = GetHorizAxis()->IMinimum;
    const double x0 = XValue(ValueIndex - 1);
    const double x1 = XValue(ValueIndex);
    const double y0 = YValue(ValueIndex - 1);
    double y = y0;
    if (!stairs_ && x1 != x0) y = y0 + (YValue(ValueIndex) - y0) * (edge - x0) / (x1 - x0);
    return Point(CalcXPosValue(edge), CalcYPosValue(y));
}

namespace {
// Pixels this far out are not drawn: the device coordinates would overflow.
bool PixelInRange(int X, int Y) {
    return X > -32767 && X < 32767 && Y > -32767 && Y < 32767;
}
} // namespace

void TCustomSeries::DrawValue(int ValueIndex) {
    TCanvas* canvas = ParentCanvas();
    const TColor color = ValueColor(ValueIndex);
    canvas->Pen()->SetColor(clBlack);
    if (color != clNone) canvas->Brush()->SetColor(color);
    // A point with a value that is not finite has no place: it stands where the last one did.
    const TPoint at = ValueIsFinite(ValueIndex)
                          ? Point(CalcXPos(ValueIndex), CalcYPos(ValueIndex))
                          : Point(oldX_, oldY_);
    if (oldColor_ == clNone) {
        oldX_ = at.X;
        oldY_ = at.Y;
    }
    if (!PixelInRange(at.X, at.Y)) return;
    TSegment s;
    s.To = at;
    s.Origin = OriginPixel(ValueIndex);
    s.Color = color;
    s.Index = ValueIndex;
    s.Last = ValueIndex == LastValueIndex();
    if (ValueIndex == FirstValueIndex()) {
        oldColor_ = ValueIndex > 0 ? ValueColor(ValueIndex - 1) : clNone;
        if (oldColor_ != clNone) {
            s.First = true;
            s.From = drawArea_ ? Point(CalcXPos(ValueIndex - 1), CalcYPos(ValueIndex - 1))
                               : EdgeStart(ValueIndex);
            s.FromOrigin = drawArea_ ? OriginPixel(ValueIndex - 1) : s.Origin;
            DrawSegment(s);
        }
        if (s.Last && pointer_->Visible() && color != clNone)
            DrawPointer(at.X, at.Y, color, ValueIndex);
    } else {
        s.From = Point(oldX_, oldY_);
        s.FromOrigin = oldOrigin_;
        DrawSegment(s);
    }
    oldX_ = at.X;
    oldY_ = at.Y;
    oldOrigin_ = s.Origin;
    oldColor_ = color;
}

void TCustomSeries::DrawSegment(const TSegment& S) {
    if (S.From != S.To && S.Color != clNone) {
        const bool is3D = ParentChart()->View3D();
        if (is3D && (drawArea_ || (drawLine_ && lineBrush_ != bsClear))) DrawRibbon(S);
        if (drawArea_)
            DrawAreaPart(S);
        else if (!is3D && drawLine_)
            DrawLinePart(S);
    }
    if (S.First || !pointer_->Visible()) return;
    // Symbols go over the lines: the previous point's now, the last point's at the end.
    if (oldColor_ != clNone) DrawPointer(S.From.X, S.From.Y, oldColor_, S.Index - 1);
    if (S.Last && S.Color != clNone) DrawPointer(S.To.X, S.To.Y, S.Color, S.Index);
}

void TCustomSeries::DrawRibbon(const TSegment& S) {
    TCustomAxisPanel* chart = ParentChart();
    TCanvas* canvas = ParentCanvas();
    canvas->SetPen(linePen_.get());
    if (!linePen_->Visible()) canvas->Pen()->SetStyle(psClear);
    chart->SetBrushCanvas(AreaFillColor(S.Color), chart->Color(), lineBrush_);
    const int dx = chart->SeriesWidth3D;
    const int dy = chart->SeriesHeight3D;
    auto ribbon = [&](TPoint A, TPoint B) {
        chart->DrawPolygon({A, B, {B.X + dx, B.Y - dy}, {A.X + dx, A.Y - dy}}, 3);
    };
    if (!stairs_) {
        ribbon(S.From, S.To);
        return;
    }
    const TPoint corner = invertedStairs_ ? Point(S.From.X, S.To.Y) : Point(S.To.X, S.From.Y);
    ribbon(S.From, corner);
    ribbon(corner, S.To);
}

void TCustomSeries::DrawAreaPart(const TSegment& S) {
    TCustomAxisPanel* chart = ParentChart();
    TCanvas* canvas = ParentCanvas();
    chart->SetBrushCanvas(AreaFillColor(S.Color), chart->Color(), areaBrush_);
    canvas->SetPen(areaLinesPen_.get());
    if (areaLinesPen_->Color() == clChartColor || !areaLinesPen_->Visible())
        canvas->Pen()->SetColor(S.Color);
    if (stairs_) {
        const int top = invertedStairs_ ? S.To.Y : S.From.Y;
        chart->DrawRectangle(
            Rect(S.From.X, std::min(S.Origin, top), S.To.X + 1, std::max(S.Origin, top)));
    } else {
        chart->DrawPolygon({{S.From.X, S.FromOrigin}, S.From, S.To, {S.To.X, S.Origin}}, 3);
    }
    if (chart->View3D() && S.Last) {
        const int dx = chart->SeriesWidth3D;
        const int dy = chart->SeriesHeight3D;
        chart->DrawPolygon(
            {S.To, {S.To.X + dx, S.To.Y - dy}, {S.To.X + dx, S.Origin - dy}, {S.To.X, S.Origin}},
            3);
    }
    if (!areaLinesPen_->Visible()) DrawLinePart(S);
}

void TCustomSeries::DrawLinePart(const TSegment& S) {
    if (!linePen_->Visible()) return;
    TCustomAxisPanel* chart = ParentChart();
    TCanvas* canvas = ParentCanvas();
    canvas->SetPen(linePen_.get());
    chart->CheckPenWidth(canvas->Pen());
    canvas->Pen()->SetColor(S.Color);
    canvas->Brush()->SetStyle(bsClear);
    if (!stairs_) {
        chart->DrawLine(S.From.X, S.From.Y, S.To.X, S.To.Y);
        return;
    }
    canvas->MoveTo(S.From.X, S.From.Y);
    if (invertedStairs_)
        canvas->LineTo(S.From.X, S.To.Y);
    else
        canvas->LineTo(S.To.X, S.From.Y);
    canvas->LineTo(S.To.X, S.To.Y);
}

bool TCustomSeries::SegmentClicked(const TPoint& P, const TSegment& S) const {
    const TCustomAxisPanel* chart = ParentChart();
    bool hit = false;
    if (chart->View3D()) {
        const int dx = chart->SeriesWidth3D;
        const int dy = chart->SeriesHeight3D;
        hit = PointInPolygon(
            P, {S.From, S.To, {S.To.X + dx, S.To.Y - dy}, {S.From.X + dx, S.From.Y - dy}}, 3);
    } else {
        hit = PointInLine(P, S.From.X, S.From.Y, S.To.X, S.To.Y);
    }
    if (!hit && drawArea_)
        hit = PointInPolygon(P, {S.From, S.To, {S.To.X, S.Origin}, {S.From.X, S.FromOrigin}}, 3);
    return hit;
}

int TCustomSeries::Clicked(int X, int Y) {
    const int first = FirstValueIndex();
    const int last = std::min(LastValueIndex(), Count() - 1);
    if (!ParentChart() || first < 0 || last < first) return -1;
    const TPoint p = Point(X, Y);
    TSegment s;
    bool joined = false; // a line comes into point i from the one before
    for (int i = first; i <= last; ++i) {
        // A point drawn in no colour has no symbol and no line into it or out of it.
        if (ValueColor(i) == clNone) {
            joined = false;
            continue;
        }
        s.To = Point(CalcXPos(i), CalcYPos(i));
        s.Origin = OriginPixel(i);
        if (pointer_->Visible() && std::abs(X - s.To.X) < pointer_->HorizSize() &&
            std::abs(Y - s.To.Y) < pointer_->VertSize()) {
            if (OnClickPointer) OnClickPointer(this, i, X, Y);
            return i;
        }
        if (p == s.To) return i;
        if (joined && clickableLine_ && SegmentClicked(p, s)) return i - 1;
        s.From = s.To;
        s.FromOrigin = s.Origin;
        joined = true;
    }
    return -1;
}

void TCustomSeries::DrawLegendShape(int ValueIndex, const TRect& Rect) {
    TCustomAxisPanel* chart = ParentChart();
    TCanvas* canvas = ParentCanvas();
    const TColor color = ValueIndex == -1 ? SeriesColor() : ValueColor(ValueIndex);
    const int midX = (Rect.Left + Rect.Right) / 2;
    const int midY = (Rect.Top + Rect.Bottom) / 2;
    auto middleLine = [&] {
        canvas->SetPen(linePen_.get());
        canvas->Pen()->SetColor(color);
        chart->DrawHorizLine(Rect.Left, Rect.Right, midY);
    };
    if (pointer_->Visible()) {
        if (drawLine_) middleLine();
        const bool thin = linePen_->Visible();
        const int maxH = thin ? Rect.Width() / 3 : Rect.Width() / 2 + 1;
        const int maxV = thin ? Rect.Height() / 3 : Rect.Height() / 2 + 1;
        const TSeriesPointerStyle style = OnGetPointerStyle && ValueIndex >= 0
                                              ? OnGetPointerStyle(this, ValueIndex)
                                              : pointer_->Style();
        pointer_->DrawSmall(midX, midY, color, style, maxH, maxV);
        return;
    }
    if (drawLine_ && !drawArea_) {
        if (chart->View3D())
            chart->DrawRectangle(Rect);
        else
            middleLine();
        return;
    }
    if (drawArea_) canvas->Brush()->SetColor(AreaFillColor(color));
    TChartSeries::DrawLegendShape(ValueIndex, Rect);
}

// =============================================================================================
// TLineSeries, TPointSeries, TAreaSeries

TLineSeries::TLineSeries(TComponent* AOwner) : TCustomSeries(AOwner) {
    SetDrawLine(true);
    Pointer()->SetVisible(false);
    SetAllowSinglePoint(false);
}

void TLineSeries::Assign(TPersistent* Source) {
    TCustomSeries::Assign(Source);
    Pointer()->SetVisible(false);
    SetDrawArea(false);
    SetDrawLine(true);
}

void TLineSeries::GetLegendBrush(int, TColor&, TBrushStyle& Style) {
    ParentCanvas()->SetPen(LinePen());
    Style = LineBrush();
}

TPointSeries::TPointSeries(TComponent* AOwner) : TCustomSeries(AOwner) {
    SetDrawLine(false);
    Marks()->SetArrowLength(0);
    SetClickableLine(false);
    Pointer()->SetVisible(true);
}

void TPointSeries::Assign(TPersistent* Source) {
    TCustomSeries::Assign(Source);
    Pointer()->SetVisible(true);
    SetDrawArea(false);
    SetDrawLine(false);
    SetClickableLine(false);
}

TAreaSeries::TAreaSeries(TComponent* AOwner) : TCustomSeries(AOwner) {
    SetDrawArea(true);
    Pointer()->SetVisible(false);
    SetAllowSinglePoint(false);
}

void TAreaSeries::Assign(TPersistent* Source) {
    TCustomSeries::Assign(Source);
    if (auto* s = dynamic_cast<TAreaSeries*>(Source)) multiArea_ = s->multiArea_;
    SetDrawArea(true);
    SetDrawLine(true);
    Pointer()->SetVisible(false);
}

std::string TAreaSeries::GetEditorClassName() const {
    return "TAreaSeriesEditor";
}

void TAreaSeries::SetMultiArea(TMultiArea Value) {
    if (multiArea_ == Value) return;
    multiArea_ = Value;
    if (TCustomAxisPanel* chart = ParentChart())
        for (int i = 0; i < chart->SeriesCount(); ++i)
            if (auto* area = dynamic_cast<TAreaSeries*>(chart->Series(i)))
                if (SameClass(area)) area->multiArea_ = Value;
    Repaint();
}

int TAreaSeries::CalcYPos(int ValueIndex) const {
    if (multiArea_ == maNone) return TCustomSeries::CalcYPos(ValueIndex);
    double end = 0;
    return StackedValue(this, ValueIndex, YValue(ValueIndex), multiArea_ == maStacked100, end)
               ? CalcYPosValue(end)
               : 0;
}

int TAreaSeries::OriginPixel(int ValueIndex) const {
    if (multiArea_ == maNone) return TCustomSeries::OriginPixel(ValueIndex);
    double origin = 0;
    return StackedValue(this, ValueIndex, 0, multiArea_ == maStacked100, origin)
               ? CalcYPosValue(origin)
               : 0;
}

double TAreaSeries::MaxYValue() const {
    if (multiArea_ == maStacked100) return 100;
    if (multiArea_ == maStacked) return StackedTop(this, TCustomSeries::MaxYValue());
    return TCustomSeries::MaxYValue();
}

double TAreaSeries::MinYValue() const {
    return multiArea_ == maStacked100 ? 0 : TCustomSeries::MinYValue();
}

void TAreaSeries::CalcZOrder() {
    // Stacked areas share the depth slot of the first of them.
    if (multiArea_ != maNone && TakeRowOfEarlierSameClass()) return;
    TCustomSeries::CalcZOrder();
}

void TAreaSeries::GetLegendBrush(int, TColor&, TBrushStyle& Style) {
    TCanvas* canvas = ParentCanvas();
    canvas->SetPen(AreaLinesPen());
    if (!AreaLinesPen()->Visible()) canvas->Pen()->SetStyle(psClear);
    Style = AreaBrush();
}

// =============================================================================================
// TCircledSeries

namespace {
constexpr double Pi = std::numbers::pi;
constexpr double TwoPi = 2 * std::numbers::pi;
} // namespace

TCircledSeries::TCircledSeries(TComponent* AOwner) : TChartSeries(AOwner) {
    piePen_ = CreateChartPen();
    SetCalcVisiblePoints(false);
    XValues()->SetName("Angle");
}

TCircledSeries::~TCircledSeries() {
    TCustomAxisPanel* chart = ParentChart();
    if (chart && !chart->ComponentState().Contains(csDestroying)) SetChartMode(chart, false);
}

void TCircledSeries::Assign(TPersistent* Source) {
    if (auto* s = dynamic_cast<TCircledSeries*>(Source)) {
        circled_ = s->circled_;
        rotationAngle_ = s->rotationAngle_;
        rotation_ = s->rotation_;
        customXRadius_ = s->customXRadius_;
        customYRadius_ = s->customYRadius_;
        piePen_->Assign(s->piePen_.get());
        circleBackColor_ = s->circleBackColor_;
    }
    TChartSeries::Assign(Source);
}

void TCircledSeries::SetCircled(bool Value) {
    SetAndRepaint(this, circled_, Value);
}

void TCircledSeries::SetCircleBackColor(TColor Value) {
    SetAndRepaint(this, circleBackColor_, Value);
}

void TCircledSeries::SetRotationAngle(int Value) {
    if (Value < 0) throw PieException("%s Angle must be between 0 and 359 degrees", {"Rotation"});
    SetAndRepaint(this, rotationAngle_, Value % 360);
    rotation_ = rotationAngle_ * Pi / 180;
}

void TCircledSeries::SetSharedRadius(int TCircledSeries::*Radius, int Value) {
    SetAndRepaint(this, this->*Radius, Value);
    if (TCustomAxisPanel* chart = ParentChart())
        for (int i = 0; i < chart->SeriesCount(); ++i)
            if (auto* s = dynamic_cast<TCircledSeries*>(chart->Series(i)))
                if (s != this && SameClass(s)) SetAndRepaint(s, s->*Radius, Value);
}

void TCircledSeries::SetCustomXRadius(int Value) {
    SetSharedRadius(&TCircledSeries::customXRadius_, Value);
}

void TCircledSeries::SetCustomYRadius(int Value) {
    SetSharedRadius(&TCircledSeries::customYRadius_, Value);
}

void TCircledSeries::SetChartMode(TCustomAxisPanel* Chart, bool Circled) {
    Chart->SetAxisVisible(!Circled);
    Chart->SetClipPoints(!Circled);
    Chart->Frame()->SetVisible(!Circled);
    Chart->SetView3DWalls(!Circled);
    if (auto* chart = dynamic_cast<TCustomChart*>(Chart)) {
        chart->SetAllowZoom(!Circled);
        chart->SetAllowPanning(Circled ? pmNone : pmBoth);
    }
}

void TCircledSeries::SetParentChart(TCustomAxisPanel* Value) {
    TCustomAxisPanel* old = ParentChart();
    if (old == Value) return;
    TChartSeries::SetParentChart(Value);
    if (old) SetChartMode(old, false);
    if (Value) SetChartMode(Value, Active());
}

void TCircledSeries::SetActive(bool Value) {
    TChartSeries::SetActive(Value);
    if (ParentChart()) SetChartMode(ParentChart(), Value);
}

// The axes keep their own ranges: a circled series never rescales them.
double TCircledSeries::MaxXValue() const {
    return GetHorizAxis() ? GetHorizAxis()->Maximum() : 0;
}
double TCircledSeries::MinXValue() const {
    return GetHorizAxis() ? GetHorizAxis()->Minimum() : 0;
}
double TCircledSeries::MaxYValue() const {
    return GetVertAxis() ? GetVertAxis()->Maximum() : 0;
}
double TCircledSeries::MinYValue() const {
    return GetVertAxis() ? GetVertAxis()->Minimum() : 0;
}

void TCircledSeries::NormaliseCircle() {
    TRect& r = circleRect_;
    if (r.Width() % 2 != 0) --r.Right;
    if (r.Height() % 2 != 0) --r.Bottom;
    if (r.Width() < 4) r.Right = r.Left + 4;
    if (r.Height() < 4) r.Bottom = r.Top + 4;
    circleWidth_ = r.Width();
    circleHeight_ = r.Height();
    circleXCenter_ = (r.Left + r.Right) / 2;
    circleYCenter_ = (r.Top + r.Bottom) / 2;
}

void TCircledSeries::ApplyRadii() {
    xRadius_ = circleWidth_ / 2;
    if (customXRadius_ != 0) {
        xRadius_ = customXRadius_;
        circleWidth_ = 2 * customXRadius_;
    }
    yRadius_ = circleHeight_ / 2;
    if (customYRadius_ != 0) {
        yRadius_ = customYRadius_;
        circleHeight_ = 2 * customYRadius_;
    }
    circleRect_ = Rect(circleXCenter_ - xRadius_, circleYCenter_ - yRadius_,
                       circleXCenter_ + xRadius_, circleYCenter_ + yRadius_);
}

void TCircledSeries::FitToScreenAspect() {
    double ratio = Screen && Screen->Height() > 0
                       ? static_cast<double>(Screen->Width()) / Screen->Height()
                       : 1.0;
    HDC dc = ParentCanvas()->Handle();
    const int mmWide = GetDeviceCaps(dc, HORZSIZE);
    const int mmHigh = GetDeviceCaps(dc, VERTSIZE);
    if (mmWide != 0 && mmHigh != 0) ratio /= static_cast<double>(mmWide) / mmHigh;
    if (ratio <= 0) return;
    ApplyRadii();
    const int t = RoundInt(yRadius_ * ratio);
    if (t < xRadius_)
        InflateRect(circleRect_, -(xRadius_ - t), 0);
    else
        InflateRect(circleRect_, 0, -(yRadius_ - RoundInt(xRadius_ / ratio)));
    NormaliseCircle();
}

void TCircledSeries::CalcCircleRect() {
    TCustomAxisPanel* chart = ParentChart();
    circleRect_ = chart->ChartRect;
    NormaliseCircle();
    if (Marks()->Visible()) {
        chart->AssignFont(Marks()->Font());
        const int frame = Marks()->Frame()->Visible() ? 2 * Marks()->Frame()->Width() : 0;
        const int dy = chart->FontHeight() + Marks()->ArrowLength() + frame;
        const int dx =
            chart->TextWidth("W") + chart->MaxMarkWidth() + Marks()->ArrowLength() + frame;
        InflateRect(circleRect_, -dx, -dy);
        NormaliseCircle();
    }
    height3D_ = 0;
    if (chart->View3D()) {
        height3D_ = RoundInt(chart->Chart3DPercent() * circleHeight_ * 0.01);
        circleRect_.Bottom -= height3D_;
        NormaliseCircle();
    }
    if (circled_) FitToScreenAspect();
    ApplyRadii();
}

TPoint TCircledSeries::PosAt(double A, int RX, int RY) const {
    return Point(circleXCenter_ + static_cast<int>(std::trunc(RX * std::cos(A + rotation_))),
                 circleYCenter_ - static_cast<int>(std::trunc(RY * std::sin(A + rotation_))));
}

TPoint TCircledSeries::AngleToPos(double A) const {
    return PosAt(A, xRadius_, yRadius_);
}

double TCircledSeries::PointToAngle(int X, int Y) const {
    if (xRadius_ == 0 || yRadius_ == 0) return 0;
    const int dx = X - circleXCenter_;
    double a = 0;
    if (dx == 0)
        a = Y <= circleYCenter_ ? Pi / 2 : -Pi / 2;
    else
        a = std::atan2(static_cast<double>(circleYCenter_ - Y) / yRadius_,
                       static_cast<double>(dx) / xRadius_);
    if (a < 0) a += TwoPi;
    a -= rotation_;
    if (a < 0) a += TwoPi;
    return a;
}

void TCircledSeries::DoBeforeDrawValues() {
    CalcCircleRect();
    if (circleBackColor_ != clChartColor) {
        TCanvas* canvas = ParentCanvas();
        canvas->Pen()->SetStyle(psClear);
        canvas->Brush()->SetStyle(bsSolid);
        canvas->Brush()->SetColor(circleBackColor_);
        canvas->Ellipse(circleRect_);
    }
    TChartSeries::DoBeforeDrawValues();
}

// =============================================================================================
// TPieSeries

namespace {
// The hatch that tells slices apart when patterns stand in for colours.
TBrushStyle SlicePattern(int ValueIndex) {
    static constexpr TBrushStyle patterns[] = {bsHorizontal, bsVertical, bsFDiagonal,
                                               bsBDiagonal,  bsCross,    bsDiagCross};
    return patterns[std::abs(ValueIndex) % 6];
}
} // namespace

TPieSeries::TPieSeries(TComponent* AOwner) : TCircledSeries(AOwner) {
    XValues()->SetName("");
    YValues()->SetName("Pie");
    Marks()->SetVisible(true);
    Marks()->SetArrowLength(8);
    SetColorEachPoint(true);
}

void TPieSeries::Assign(TPersistent* Source) {
    if (auto* s = dynamic_cast<TPieSeries*>(Source)) {
        color3d_ = s->color3d_;
        dark3D_ = s->dark3D_;
        shadowed3d_ = s->shadowed3d_;
        shadowColor_ = s->shadowColor_;
        usePatterns_ = s->usePatterns_;
    }
    TCircledSeries::Assign(Source);
}

void TPieSeries::SetColor3d(bool Value) {
    SetAndRepaint(this, color3d_, Value);
}
void TPieSeries::SetDark3D(bool Value) {
    SetAndRepaint(this, dark3D_, Value);
}
void TPieSeries::SetShadowed3d(bool Value) {
    SetAndRepaint(this, shadowed3d_, Value);
}
void TPieSeries::SetShadowColor(TColor Value) {
    SetAndRepaint(this, shadowColor_, Value);
}
void TPieSeries::SetUsePatterns(bool Value) {
    SetAndRepaint(this, usePatterns_, Value);
}

std::string TPieSeries::GetEditorClassName() const {
    return "TPieSeriesEditor";
}

void TPieSeries::CalcAngles() {
    const double total = YValues()->TotalABS();
    const double factor = total != 0 ? TwoPi / total : 0;
    constexpr double oneDegree = Pi / 180;
    constexpr double widest = TwoPi - 1e-6;
    angles_.assign(Count(), {});
    double sum = 0;
    for (int i = 0; i < Count(); ++i) {
        const double start = i == 0 ? 1e-6 : angles_[i - 1].EndAngle;
        double end = widest;
        if (!ValueIsFinite(i)) {
            end = start; // a value that is not finite has no slice
        } else if (total != 0) {
            sum += std::fabs(YValue(i));
            end = sum == total ? TwoPi : sum * factor;
            if (end - start < oneDegree)
                end = start + oneDegree;
            else if (end - start > widest)
                end = start + widest;
        }
        angles_[i].EndAngle = end;
        angles_[i].MidAngle = (start + end) / 2;
    }
}

double TPieSeries::StartAngle(int ValueIndex) const {
    return ValueIndex == 0 ? 1e-6 : angles_.at(ValueIndex - 1).EndAngle;
}

void TPieSeries::DoBeforeDrawValues() {
    TCircledSeries::DoBeforeDrawValues();
    CalcAngles();
    sliceStart_ = AngleToPos(0);
}

TColor TPieSeries::SliceBackColor() const {
    if (CircleBackColor() != clChartColor) return CircleBackColor();
    const TCustomAxisPanel* chart = ParentChart();
    return chart->BackColor() != clChartColor ? chart->BackColor() : chart->Color();
}

void TPieSeries::PrepareSliceBrush(int ValueIndex, TColor Color, TColor Back) {
    ParentChart()->SetBrushCanvas(Color, Back, usePatterns_ ? SlicePattern(ValueIndex) : bsSolid);
}

void TPieSeries::DrawSlice(const TPoint& From, const TPoint& To) {
    TCanvas* canvas = ParentCanvas();
    canvas->SetPen(PiePen());
    if (!PiePen()->Visible()) canvas->Pen()->SetStyle(psClear);
    const TRect& r = CircleRect();
    if (From != To)
        canvas->Pie(r.Left, r.Top, r.Right, r.Bottom, From.X, From.Y, To.X, To.Y);
    else if (Count() == 1)
        canvas->Ellipse(r);
}

void TPieSeries::DrawRim(int ValueIndex, TColor Color) {
    TCustomAxisPanel* chart = ParentChart();
    TCanvas* canvas = ParentCanvas();
    const TColor rim = dark3D_ ? ApplyDark(Color, DarkColorQuantity) : Color;
    const double step = 1.0 / std::max(1, Screen ? Screen->Width() : 1024);
    const double end = angles_[ValueIndex].EndAngle;
    canvas->Pen()->SetStyle(psSolid);
    canvas->Pen()->SetWidth(1);
    int lastColumn = INT_MIN;
    bool shade = false;
    for (double a = StartAngle(ValueIndex); a < end; a += step) {
        // Only the lower half of the ellipse shows its rim.
        if (std::fmod(a + RotationAngle() * Pi / 180, TwoPi) < Pi) continue;
        const TPoint p = AngleToPos(a);
        if (p.X == lastColumn) continue;
        lastColumn = p.X;
        shade = shadowed3d_ && !shade;
        canvas->Pen()->SetColor(shade ? shadowColor_ : rim);
        chart->DrawVertLine(p.X, p.Y, p.Y + Height3D());
    }
    const TPoint edge = AngleToPos(end);
    if (edge.Y > CircleYCenter() && PiePen()->Visible()) {
        canvas->SetPen(PiePen());
        chart->DrawVertLine(edge.X, edge.Y, edge.Y + Height3D());
    }
}

void TPieSeries::DrawValue(int ValueIndex) {
    if (CircleWidth() < 5 || CircleHeight() < 5) return;
    if (ValueIndex < 0 || ValueIndex >= static_cast<int>(angles_.size())) return;
    sliceEnd_ = AngleToPos(angles_[ValueIndex].EndAngle);
    const TColor color = ValueColor(ValueIndex);
    if (color != clNone) {
        const TColor back = SliceBackColor();
        PrepareSliceBrush(ValueIndex, color, back);
        DrawSlice(sliceStart_, sliceEnd_);
        if (ParentChart()->View3D() && color3d_) DrawRim(ValueIndex, color);
        // Past the palette's 16 colours, slices repeat colours: a hatch tells them apart.
        if (shadowed3d_ || (ValueIndex >= 16 && StoredColor(ValueIndex) == clChartColor)) {
            ParentChart()->SetBrushCanvas(back, color, bsDiagCross);
            DrawSlice(sliceStart_, sliceEnd_);
        }
    }
    sliceStart_ = sliceEnd_;
}

void TPieSeries::DoAfterDrawValues() {
    if (PiePen()->Visible()) {
        TCustomAxisPanel* chart = ParentChart();
        TCanvas* canvas = ParentCanvas();
        canvas->SetPen(PiePen());
        canvas->Brush()->SetStyle(bsClear);
        const TRect& r = CircleRect();
        canvas->Ellipse(r);
        if (chart->View3D() && Height3D() > 0) {
            const int h = Height3D();
            const int y = CircleYCenter();
            chart->DrawVertLine(r.Left, y, y + h);
            chart->DrawVertLine(r.Right - 1, y, y + h);
            canvas->Arc(r.Left, r.Top + h, r.Right, r.Bottom + h, r.Left, y + h, r.Right, y + h);
        }
    }
    TCircledSeries::DoAfterDrawValues();
}

void TPieSeries::DrawMark(int ValueIndex, const std::string& St, TRect R, TPoint ArrowFrom,
                          TPoint ArrowTo) {
    if (ValueIndex < 0 || ValueIndex >= static_cast<int>(angles_.size())) return;
    TCustomAxisPanel* chart = ParentChart();
    const double m = angles_[ValueIndex].MidAngle;
    const int arrow = Marks()->ArrowLength();
    const int w = R.Width();
    const int h = R.Height();
    ArrowFrom = PosAt(m, XRadius() - arrow, YRadius() - arrow);
    ArrowTo = PosAt(m, XRadius() + chart->TextWidth("W"), YRadius() + chart->FontHeight());
    if (Height3D() > 0 && ArrowTo.Y > CircleYCenter()) ArrowTo.Y += Height3D();
    if (ArrowTo.X <= CircleXCenter())
        R = Rect(ArrowTo.X - w, 0, ArrowTo.X, 0);
    else
        R = Rect(ArrowTo.X, 0, ArrowTo.X + w, 0);
    R.Top = ArrowTo.Y <= CircleYCenter() ? ArrowTo.Y - h : ArrowTo.Y;
    R.Bottom = R.Top + h;
    TCircledSeries::DrawMark(ValueIndex, St, R, ArrowFrom, ArrowTo);
}

int TPieSeries::Clicked(int X, int Y) {
    const int dx = X - CircleXCenter();
    const int dy = Y - CircleYCenter();
    if (XRadius() <= 0 || YRadius() <= 0) return -1;
    if (std::abs(dx) >= XRadius() || std::abs(dy) >= YRadius()) return -1;
    // Only the ellipse counts, not the corners of its rectangle.
    const double ex = static_cast<double>(dx) / XRadius();
    const double ey = static_cast<double>(dy) / YRadius();
    if (ex * ex + ey * ey >= 1) return -1;
    const double a = PointToAngle(X, Y);
    const int slices = std::min<int>(Count(), static_cast<int>(angles_.size()));
    for (int i = 0; i < slices; ++i)
        if (a >= StartAngle(i) && a < angles_[i].EndAngle) return i;
    return -1;
}

void TPieSeries::GetLegendBrush(int ValueIndex, TColor& BackColor, TBrushStyle& Style) {
    BackColor = CircleBackColor();
    if (usePatterns_) Style = SlicePattern(ValueIndex);
}

void TPieSeries::PrepareForGallery(bool Enabled) {
    TCircledSeries::PrepareForGallery(Enabled);
    FillSampleValues(8);
    if (ParentChart()) ParentChart()->SetChart3DPercent(35);
    SetColorEachPoint(Enabled);
}

void TPieSeries::FillSampleValues(int NumValues) {
    if (NumValues <= 0) throw Exception("FillSampleValues NumValues must be > 0");
    static const char* const labels[] = {"Cars",  "Phones",    "Tables", "Monitors",
                                         "Lamps", "Keyboards", "Bikes",  "Chairs"};
    Clear();
    for (int i = 0; i < NumValues; ++i)
        Add(1 + ChartRandom(1000), labels[i % 8]);
    RefreshSeries();
}

// =============================================================================================
// Start-up

void InitializeSeries() {
    DarkerColorQuantity = 128;
    DarkColorQuantity = 64;
    RegisterChartSeries<TLineSeries>("Line", "Standard", 2);
    RegisterChartSeries<TBarSeries>("Bar", "Standard", 2);
    RegisterChartSeries<THorizBarSeries>("Horiz. Bar", "Standard", 2);
    RegisterChartSeries<TAreaSeries>("Area", "Standard", 2);
    RegisterChartSeries<TPointSeries>("Point", "Standard", 2);
    RegisterChartSeries<TPieSeries>("Pie", "Standard", 1);
    RegisterChartSeries<TFastLineSeries>("Fast Line", "Standard", 2);
}

void StartChartUnits() {
    StartChartProcs();
    InitializeChart();
    InitializeSeries();
}

void StopChartUnits() {
    FinalizeChart();
    StopChartProcs();
}
