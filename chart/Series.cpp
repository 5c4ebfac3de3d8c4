#include "chart/Series.h"

#include "platform/rtl/Numbers.h"

#include <algorithm>
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
    const int x = CalcXPos(ValueIndex);
    const int y = CalcYPos(ValueIndex);
    TCanvas* canvas = ParentCanvas();
    if (ValueIndex == FirstValueIndex()) {
        columnPending_ = false;
        if (ValueIndex > 0) {
            lastX_ = CalcXPos(ValueIndex - 1);
            lastY_ = CalcYPos(ValueIndex - 1);
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
    for (int i = first; i <= last; ++i) {
        const TPoint at = Point(CalcXPos(i), CalcYPos(i));
        if (at == p) return i;
        if (i > first && PointInLine(p, previous.X, previous.Y, at.X, at.Y)) return i - 1;
        previous = at;
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
    if (multiBar_ == mbStacked) return ValuePixel(PointOrigin(ValueIndex, false) + value);
    if (multiBar_ == mbStacked100) {
        const double total = PointOrigin(ValueIndex, true);
        return total == 0 ? 0 : ValuePixel((PointOrigin(ValueIndex, false) + value) * 100 / total);
    }
    return ValuePixel(value);
}

int TCustomBarSeries::GetOriginPos(int ValueIndex) const {
    if (multiBar_ == mbStacked) return ValuePixel(PointOrigin(ValueIndex, false));
    if (multiBar_ == mbStacked100) {
        const double total = PointOrigin(ValueIndex, true);
        return total == 0 ? 0 : ValuePixel(PointOrigin(ValueIndex, false) * 100 / total);
    }
    return useYOrigin_ ? ValuePixel(yOrigin_) : PlotEdge();
}

double TCustomBarSeries::StackedMaximum(double PlainMaximum) const {
    if (multiBar_ == mbStacked100) return 100;
    double result = PlainMaximum;
    if (multiBar_ == mbStacked)
        for (int i = 0; i < Count(); ++i)
            result = std::max(result, PointOrigin(i, false) + GetMarkValue(i));
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
        if (BarClicked(i, X, Y)) return i;
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
    if (ValueIndex >= 0) return chart->TextWidth(GetMarkText(ValueIndex));
    int widest = 0;
    for (int i = 0; i < Count(); ++i)
        widest = std::max(widest, chart->TextWidth(GetMarkText(i)));
    return widest;
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
