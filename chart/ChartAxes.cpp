#include "chart/ChartEngine.h"

#include "platform/gui/Dialogs.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Strings.h"

#include <algorithm>
#include <climits>
#include <cmath>

// =============================================================================================
// TChartAxisTitle

TChartAxisTitle::TChartAxisTitle(TCustomAxisPanel* AOwner, TChartAxis* AAxis)
    : TChartFontObject(AOwner), axis_(AAxis) {}

void TChartAxisTitle::Assign(TPersistent* Source) {
    if (auto* title = dynamic_cast<TChartAxisTitle*>(Source)) {
        angle_ = title->angle_;
        caption_ = title->caption_;
    }
    TChartFontObject::Assign(Source);
}

namespace {
// Angles of titles and labels: 0..360, 360 stored as 0.
int CheckAngle(int Value, const char* What) {
    if (Value < 0 || Value > 360)
        throw ChartException("%s Angle must be between 0 and 359 degrees", {What});
    return Value == 360 ? 0 : Value;
}
} // namespace

void TChartAxisTitle::SetAngle(int Value) {
    ParentChart()->SetIntegerProperty(angle_, CheckAngle(Value, "Axis Title"));
}

void TChartAxisTitle::SetCaption(const std::string& Value) {
    ParentChart()->SetStringProperty(caption_, Value);
}

// =============================================================================================
// TChartAxis

TChartAxis::TChartAxis(TCustomAxisPanel* AOwner, bool AHorizontal, bool AOtherSide)
    : TChartFontObject(AOwner), horizontal_(AHorizontal), otherSide_(AOtherSide) {
    const TNotifyEvent redraw = [this](TObject*) { Changed(); };
    ticks_ = std::make_unique<TChartTickPen>(redraw);
    minorTicks_ = std::make_unique<TChartTickPen>(redraw);
    ticksInner_ = std::make_unique<TChartTickPen>(redraw);
    axisPen_ = std::make_unique<TChartAxisPen>(redraw);
    grid_ = std::make_unique<TChartGridPen>(redraw);
    title_ = std::make_unique<TChartAxisTitle>(AOwner, this);
}

TChartAxis::~TChartAxis() = default;

void TChartAxis::Changed() {
    ParentChart()->RedrawChart();
}

void TChartAxis::Assign(TPersistent* Source) {
    auto* a = dynamic_cast<TChartAxis*>(Source);
    if (!a) {
        TChartFontObject::Assign(Source);
        return;
    }
    visible_ = a->visible_;
    automatic_ = a->automatic_;
    automaticMaximum_ = a->automaticMaximum_;
    automaticMinimum_ = a->automaticMinimum_;
    labels_ = a->labels_;
    labelsAngle_ = a->labelsAngle_;
    labelsSeparation_ = a->labelsSeparation_;
    titleSize_ = a->titleSize_;
    labelsSize_ = a->labelsSize_;
    labelsOnAxis_ = a->labelsOnAxis_;
    labelStyle_ = a->labelStyle_;
    ticks_->Assign(a->ticks_.get());
    minorTicks_->Assign(a->minorTicks_.get());
    ticksInner_->Assign(a->ticksInner_.get());
    axisPen_->Assign(a->axisPen_.get());
    grid_->Assign(a->grid_.get());
    tickInnerLength_ = a->tickInnerLength_;
    minorTickLength_ = a->minorTickLength_;
    minorTickCount_ = a->minorTickCount_;
    tickLength_ = a->tickLength_;
    maximum_ = a->maximum_;
    minimum_ = a->minimum_;
    increment_ = a->increment_;
    title_->Assign(a->title_.get());
    axisValuesFormat_ = a->axisValuesFormat_;
    dateTimeFormat_ = a->dateTimeFormat_;
    inverted_ = a->inverted_;
    logarithmic_ = a->logarithmic_;
    exactDateTime_ = a->exactDateTime_;
    roundFirstLabel_ = a->roundFirstLabel_;
    tickOnLabelsOnly_ = a->tickOnLabelsOnly_;
    TChartFontObject::Assign(Source);
}

void TChartAxis::SetVisible(bool Value) {
    ParentChart()->SetBooleanProperty(visible_, Value);
}

void TChartAxis::SetAutomatic(bool Value) {
    ParentChart()->SetBooleanProperty(automatic_, Value);
    if (ParentChart()->ComponentState().Contains(csLoading)) return;
    automaticMinimum_ = Value;
    automaticMaximum_ = Value;
}

void TChartAxis::SetAutomaticMaximum(bool Value) {
    ParentChart()->SetBooleanProperty(automaticMaximum_, Value);
    if (!Value) automatic_ = false;
}

void TChartAxis::SetAutomaticMinimum(bool Value) {
    ParentChart()->SetBooleanProperty(automaticMinimum_, Value);
    if (!Value) automatic_ = false;
}

void TChartAxis::SetLabels(bool Value) {
    ParentChart()->SetBooleanProperty(labels_, Value);
}

void TChartAxis::SetLabelsAngle(int Value) {
    ParentChart()->SetIntegerProperty(labelsAngle_, CheckAngle(Value, "Axis Labels"));
}

void TChartAxis::SetLabelsSeparation(int Value) {
    if (Value < 0) throw AxisException("Labels Separation % must be greater than 0");
    ParentChart()->SetIntegerProperty(labelsSeparation_, Value);
}

void TChartAxis::SetTitleSize(int Value) {
    ParentChart()->SetIntegerProperty(titleSize_, Value);
}
void TChartAxis::SetLabelsSize(int Value) {
    ParentChart()->SetIntegerProperty(labelsSize_, Value);
}
void TChartAxis::SetLabelsOnAxis(bool Value) {
    ParentChart()->SetBooleanProperty(labelsOnAxis_, Value);
}
void TChartAxis::SetLabelStyle(TAxisLabelStyle Value) {
    StoreAndNotify(labelStyle_, Value, [this] { Changed(); });
}
void TChartAxis::SetTickInnerLength(int Value) {
    ParentChart()->SetIntegerProperty(tickInnerLength_, Value);
}
void TChartAxis::SetMinorTickLength(int Value) {
    ParentChart()->SetIntegerProperty(minorTickLength_, Value);
}
void TChartAxis::SetMinorTickCount(int Value) {
    ParentChart()->SetIntegerProperty(minorTickCount_, Value);
}
void TChartAxis::SetTickLength(int Value) {
    ParentChart()->SetIntegerProperty(tickLength_, Value);
}

void TChartAxis::SetMaximum(double Value) {
    if (!ParentChart()->ComponentState().Contains(csLoading) && Value < minimum_)
        throw AxisException("Axis Maximum Value must be >= Minimum");
    ParentChart()->SetDoubleProperty(maximum_, Value);
}

void TChartAxis::SetMinimum(double Value) {
    if (!ParentChart()->ComponentState().Contains(csLoading) && Value > maximum_)
        throw AxisException("Axis Minimum Value must be <= Maximum");
    ParentChart()->SetDoubleProperty(minimum_, Value);
}

void TChartAxis::SetMinMax(double AMin, double AMax) {
    automatic_ = automaticMinimum_ = automaticMaximum_ = false;
    double low = std::min(AMin, AMax);
    double high = std::max(AMin, AMax);
    if (high - low < 0.001) {
        low = AMin;
        high = AMax + 0.001;
    }
    minimum_ = low;
    maximum_ = high;
    Changed();
}

void TChartAxis::SetIncrement(double Value) {
    if (Value < 0) throw AxisException("Axis increment must be >= 0");
    ParentChart()->SetDoubleProperty(increment_, Value);
}

void TChartAxis::SetAxisValuesFormat(const std::string& Value) {
    ParentChart()->SetStringProperty(axisValuesFormat_, Value);
}
void TChartAxis::SetDateTimeFormat(const std::string& Value) {
    ParentChart()->SetStringProperty(dateTimeFormat_, Value);
}
void TChartAxis::SetInverted(bool Value) {
    ParentChart()->SetBooleanProperty(inverted_, Value);
}

void TChartAxis::SetLogarithmic(bool Value) {
    if (Value && !logarithmic_) {
        if (SeriesIsDateTime()) throw AxisException("DateTime Axis cannot be Logarithmic");
        AdjustMaxMin();
        if (IMinimum < 0 || IMaximum < 0)
            throw AxisException("Logarithmic Axis Min and Max values should be >= 0");
    }
    ParentChart()->SetBooleanProperty(logarithmic_, Value);
}

void TChartAxis::SetExactDateTime(bool Value) {
    ParentChart()->SetBooleanProperty(exactDateTime_, Value);
}
void TChartAxis::SetRoundFirstLabel(bool Value) {
    ParentChart()->SetBooleanProperty(roundFirstLabel_, Value);
}
void TChartAxis::SetTickOnLabelsOnly(bool Value) {
    ParentChart()->SetBooleanProperty(tickOnLabelsOnly_, Value);
}

int TChartAxis::Shift3D() const {
    if (otherSide_ && !horizontal_) return ParentChart()->Width3D;
    if (otherSide_ && horizontal_) return -ParentChart()->Height3D;
    return 0;
}

int TChartAxis::DrawnPosAxis() const {
    return posAxis_ + Shift3D();
}

bool TChartAxis::SeriesIsDateTime() {
    TChartSeries* s = ParentChart()->FirstSeriesOfAxis(this);
    if (!s) return false;
    return horizontal_ ? s->XValues()->DateTime() : s->YValues()->DateTime();
}

// --- value and pixel

int TChartAxis::InternalCalcPos(double Value, int Start, int End, int Size, int Center) const {
    // Values far outside the range (a zoom, a wild point) stay on pixels GDI can take; a value
    // that is not a number lands on the axis start rather than failing the drawing.
    auto clampPixels = [](long double t) {
        return std::isnan(t) ? 0.0 : static_cast<double>(std::clamp(t, -1.0e9L, 1.0e9L));
    };
    if (logarithmic_) {
        const double logMin = IMinimum > 0 ? std::log(IMinimum) : 0;
        const double logMax = IMaximum > 0 ? std::log(IMaximum) : 0;
        const double logRange = logMax - logMin;
        if (logRange == 0) return Center;
        if (Value <= 0) return Start;
        return Start +
               static_cast<int>(Round(clampPixels((std::log(Value) - logMin) * Size / logRange)));
    }
    if (IRange == 0) return Center;
    // In extended precision: near the largest double, the distance from the axis start (or the
    // axis' own span) and its product with the size overflow a double.
    const long double from = static_cast<long double>(Value) - IMinimum;
    const long double span = static_cast<long double>(IMaximum) - IMinimum;
    const int t = static_cast<int>(Round(clampPixels(from * Size / span)));
    return inverted_ ? End - t : Start + t;
}

int TChartAxis::CalcXPosValue(double Value) const {
    const TCustomAxisPanel* c = ParentChart();
    return InternalCalcPos(Value, c->ChartRect.Left, c->ChartRect.Right, c->ChartWidth,
                           c->ChartXCenter);
}

int TChartAxis::CalcYPosValue(double Value) const {
    const TCustomAxisPanel* c = ParentChart();
    return InternalCalcPos(Value, c->ChartRect.Bottom, c->ChartRect.Top, -c->ChartHeight,
                           c->ChartYCenter);
}

int TChartAxis::CalcPosValue(double Value) const {
    return horizontal_ ? CalcXPosValue(Value) : CalcYPosValue(Value);
}

double TChartAxis::CalcPosPoint(int Pixel) const {
    const TCustomAxisPanel* c = ParentChart();
    const TRect& r = c->ChartRect;
    if (logarithmic_) {
        const double logMin = IMinimum > 0 ? std::log(IMinimum) : 0;
        const double logMax = IMaximum > 0 ? std::log(IMaximum) : 0;
        const double logRange = logMax - logMin;
        if (logRange == 0) return IMinimum;
        if (horizontal_)
            return c->ChartWidth > 0
                       ? std::exp(logMin + (Pixel - r.Left) * logRange / c->ChartWidth)
                       : 0;
        return c->ChartHeight > 0 ? std::exp(logMax - (Pixel - r.Top) * logRange / c->ChartHeight)
                                  : 0;
    }
    if (horizontal_) {
        if (c->ChartWidth <= 0) return 0;
        const int d = inverted_ ? r.Right - Pixel : Pixel - r.Left;
        return IMinimum + d * IRange / c->ChartWidth;
    }
    if (c->ChartHeight <= 0) return 0;
    const int d = inverted_ ? r.Bottom - Pixel : Pixel - r.Top;
    return IMaximum - d * IRange / c->ChartHeight;
}

void TChartAxis::CalcMinMax() {
    TCustomAxisPanel* c = ParentChart();
    if (automatic_ || automaticMaximum_)
        maximum_ = horizontal_ ? c->MaxXValue(this) : c->MaxYValue(this);
    if (automatic_ || automaticMinimum_)
        minimum_ = horizontal_ ? c->MinXValue(this) : c->MinYValue(this);
}

void TChartAxis::AdjustMaxMin() {
    CalcMinMax();
    IsDateTime = SeriesIsDateTime();
    IMaximum = maximum_;
    IMinimum = minimum_;
    IRange = IMaximum - IMinimum;
}

void TChartAxis::AdjustMaxMinRect(const TRect& R) {
    TCustomAxisPanel* c = ParentChart();
    const TRect saved = c->ChartRect;
    double low = 0, high = 0;
    if (horizontal_) {
        c->ChartRect.Left += R.Left;
        c->ChartRect.Right -= R.Right;
        c->RecalcWidthHeight();
        low = CalcPosPoint(saved.Left);
        high = CalcPosPoint(saved.Right);
    } else {
        c->ChartRect.Top += R.Top;
        c->ChartRect.Bottom -= R.Bottom;
        c->RecalcWidthHeight();
        low = CalcPosPoint(saved.Bottom);
        high = CalcPosPoint(saved.Top);
    }
    c->ChartRect = saved;
    c->RecalcWidthHeight();
    if (low > high) std::swap(low, high);
    IMinimum = low;
    IMaximum = high;
    IRange = IMaximum - IMinimum;
}

// --- label steps and texts

namespace {
double NextStep(double S) {
    if (S < 1) return 2 * S;
    if (S == 1) return 2;
    if (S < 5) return 5;
    if (S == 5) return 10;
    if (S == 10) return 50;
    if (S == 50) return 100;
    if (S == 100) return 200;
    if (S == 200) return 500;
    if (S == 500) return 1000;
    if (S == 1000) return 5000;
    return 2 * S;
}
} // namespace

double TChartAxis::CalcIncrement(int MaxNumLabels) {
    if (MaxNumLabels < 1) return IsDateTime ? OneSecond : 0.00001;
    if (!std::isfinite(IRange)) return IsDateTime ? OneSecond : 1;
    if (IsDateTime) {
        double step = std::max(OneSecond, increment_);
        if (IRange / step > 1000000) step = IRange * 0.000001;
        while (Round(IRange / step) > MaxNumLabels)
            step = step < 365 ? NextDateTimeStep(step) : 2 * step;
        return std::max(OneSecond, step);
    }
    double step = increment_ > 0 ? increment_ : (std::fabs(IRange) < 1 ? 0.00001 : 1);
    while (std::fabs(IRange / step) >= 2147483647.0 || Round(IRange / step) > MaxNumLabels)
        step = NextStep(step);
    return std::max(0.00001, step);
}

int TChartAxis::LabelWidth(double Value) {
    TCustomAxisPanel* c = ParentChart();
    if (labelsAngle_ == 0 || labelsAngle_ == 180) return c->TextWidth(LabelValue(Value));
    return c->FontHeight();
}

int TChartAxis::LabelHeight(double Value) {
    TCustomAxisPanel* c = ParentChart();
    if (labelsAngle_ == 0 || labelsAngle_ == 180) return c->FontHeight();
    return c->TextWidth(LabelValue(Value));
}

double TChartAxis::CalcLabelsIncrement() {
    TCustomAxisPanel* c = ParentChart();
    c->AssignFont(LabelsFont());
    int size = horizontal_ ? std::max(LabelWidth(IMinimum), LabelWidth(IMaximum))
                           : std::max(LabelHeight(IMinimum), LabelHeight(IMaximum));
    if (labelsSeparation_ > 0) size += static_cast<int>(Round(labelsSeparation_ * 0.01 * size));
    const int room = horizontal_ ? c->ChartWidth : c->ChartHeight;
    const int maxNumLabels =
        size > 0 ? static_cast<int>(Round(room / static_cast<double>(size))) : 1;
    return CalcIncrement(maxNumLabels);
}

std::string TChartAxis::LabelValue(double Value) {
    std::string text;
    if (IsDateTime) {
        if (Value >= 0)
            text = FormatDateTime(
                dateTimeFormat_.empty() ? DateTimeDefaultFormat(IRange) : dateTimeFormat_, Value);
    } else {
        text = FormatFloat(axisValuesFormat_, Value);
    }
    if (ParentChart()->OnGetAxisLabel) ParentChart()->OnGetAxisLabel(this, nullptr, -1, text);
    return text;
}

TAxisLabelStyle TChartAxis::CalcLabelStyle() {
    if (labelStyle_ != talAuto) return labelStyle_;
    TCustomAxisPanel* c = ParentChart();
    TChartSeries* first = c->FirstSeriesOfAxis(this);
    if (!first) return talNone;
    const bool opposite = horizontal_ ? first->MandatoryValueList() == first->YValues()
                                      : first->MandatoryValueList() == first->XValues();
    if (opposite && c->SeriesWithLabelsOnAxis(this)) return talText;
    return talValue;
}

int TChartAxis::MaxLabelsWidth() {
    TCustomAxisPanel* c = ParentChart();
    switch (CalcLabelStyle()) {
    case talValue: {
        double first = IMinimum;
        double last = IMaximum;
        if ((IsDateTime && exactDateTime_) || roundFirstLabel_) {
            const double step = CalcLabelsIncrement();
            first = Int(first / step) * step;
            last = Int(last / step) * step;
        }
        const TAxisOnGetLabel suspended = std::move(c->OnGetAxisLabel);
        c->OnGetAxisLabel = nullptr;
        const int width =
            std::max(c->TextWidth(LabelValue(first)), c->TextWidth(LabelValue(last))) +
            c->TextWidth(" ");
        c->OnGetAxisLabel = suspended;
        return width;
    }
    case talMark: return c->MaxMarkWidth();
    case talText: return c->MaxTextWidth();
    default: return 0;
    }
}

// --- layout

int TChartAxis::TickSpace() const {
    int space =
        (axisPen_->Visible() ? axisPen_->Width() : 0) + (ticks_->Visible() ? tickLength_ : 0);
    if (minorTicks_->Visible()) space = std::max(space, minorTickLength_);
    return space;
}

void TChartAxis::CalcRect(TRect& R) {
    TCustomAxisPanel* c = ParentChart();
    // Takes Size from R on the axis's own side and answers the new edge.
    auto take = [&](int Size) {
        if (horizontal_ && otherSide_) return R.Top += Size;
        if (horizontal_) return R.Bottom -= Size;
        if (otherSide_) return R.Right -= Size;
        return R.Left += Size;
    };
    int size = 0;
    if (!title_->Caption().empty()) {
        size = titleSize_;
        if (size == 0) {
            c->AssignFont(title_->Font());
            const bool turned = title_->Angle() != 0 && title_->Angle() != 180;
            const bool byWidth = turned ? horizontal_ : !horizontal_;
            size = byWidth ? c->TextWidth(title_->Caption()) : c->FontHeight();
        }
    }
    posTitle_ = take(size);
    size = 0;
    if (labels_) {
        size = labelsSize_;
        if (size == 0) {
            c->AssignFont(LabelsFont());
            const bool turned = labelsAngle_ != 0 && labelsAngle_ != 180;
            const bool byHeight = turned ? !horizontal_ : horizontal_;
            size = byHeight ? c->FontHeight() : MaxLabelsWidth();
        }
    }
    posLabels_ = take(size);
    const int ticks = TickSpace() + c->AxisWallSize(this);
    if (ticks > 0) take(ticks);
}

bool TChartAxis::Clicked(int X, int Y) {
    TCustomAxisPanel* c = ParentChart();
    if (!c->IsAxisVisible(this)) return false;
    const TRect& r = c->ChartRect;
    if (horizontal_)
        return X >= r.Left && X <= r.Right && std::abs(DrawnPosAxis() - Y) < ClickTolerance;
    return Y >= r.Top && Y <= r.Bottom && std::abs(DrawnPosAxis() - X) < ClickTolerance;
}

// --- label walk

double TChartAxis::DecValue(double Value, double Step) const {
    if (!(IsDateTime && exactDateTime_ && Step >= DateTimeStep[dtHalfMonth])) return Value - Step;
    const int index = FindDateTimeStep(Step);
    Word year = 0, month = 0, day = 0;
    DecodeDate(Value, year, month, day);
    if (year == 0 || index == DateTimeStepCount) return Value - Step;
    int y = year, m = month, d = day;
    if (index == dtHalfMonth) {
        if (d > 15) {
            d = 15;
        } else if (d > 1) {
            d = 1;
        } else {
            d = 15;
            --m;
        }
    } else if (index == dtOneYear) {
        --y;
    } else {
        static const int months[] = {1, 2, 3, 4, 6}; // steps 30, 60, 90, 120 and 182 days
        m -= months[index - dtHalfMonth - 1];
    }
    while (m < 1) {
        m += 12;
        --y;
    }
    // The day is kept where the month has it, else the month's last day.
    d = std::min<int>(d, MonthDays(IsLeapYear(static_cast<Word>(std::max(y, 1))), m));
    TDateTime result = 0;
    if (y < 1 || !TryEncodeDate(y, m, d, result)) return Value - Step;
    return result;
}

double TChartAxis::FirstLabelValue(double Step) const {
    if (IsDateTime && exactDateTime_ && Step >= DateTimeStep[dtHalfMonth]) {
        const int index = FindDateTimeStep(Step);
        Word year = 0, month = 0, day = 0;
        DecodeDate(IMaximum, year, month, day);
        if (year != 0 && index != DateTimeStepCount) {
            if (index == dtHalfMonth)
                day = day >= 15 ? 15 : 1;
            else
                day = 1;
            if (index == dtOneYear) month = 1;
            TDateTime result = 0;
            if (TryEncodeDate(year, month, day, result)) return result;
        }
    }
    if (IMinimum != IMaximum && roundFirstLabel_) return Int(IMaximum / Step) * Step;
    return IMaximum;
}

void TChartAxis::DrawAxisLabel(int Pos, int Angle, const std::string& Text) {
    TCustomAxisPanel* c = ParentChart();
    TCanvas* canvas = c->DrawingCanvas();
    const int h = c->FontHeight();
    // Labels of the right and top axes follow the axis onto the back plane.
    int x = horizontal_ ? Pos : posLabels_ + Shift3D();
    int y = horizontal_ ? posLabels_ + Shift3D() : Pos;
    UINT align = TA_LEFT | TA_TOP;
    const bool left = !horizontal_ && !otherSide_;
    const bool right = !horizontal_ && otherSide_;
    const bool bottom = horizontal_ && !otherSide_;
    switch (Angle) {
    case 0:
        if (left || right) {
            align = (left ? TA_RIGHT : TA_LEFT) | TA_TOP;
            y -= h / 2;
        } else {
            align = TA_CENTER | (bottom ? TA_TOP : TA_BOTTOM);
        }
        break;
    case 90:
        if (left || right) {
            align = TA_CENTER | (left ? TA_BOTTOM : TA_TOP);
        } else {
            align = (bottom ? TA_RIGHT : TA_LEFT) | TA_TOP;
            x -= h / 2;
        }
        break;
    case 180:
        if (left || right)
            align = (left ? TA_LEFT : TA_RIGHT) | TA_TOP;
        else
            align = TA_CENTER | (bottom ? TA_TOP : TA_BOTTOM);
        break;
    case 270:
        if (left || right) {
            align = TA_CENTER | (left ? TA_TOP : TA_BOTTOM);
        } else {
            align = (bottom ? TA_LEFT : TA_RIGHT) | TA_TOP;
            x += h / 2;
        }
        break;
    default: break;
    }
    const TColor color = canvas->Font()->Color();
    if (c->PrinterCanvas() && color == clWhite) canvas->Font()->SetColor(clBlack);
    canvas->Brush()->SetStyle(bsClear);
    const UINT previous = SetTextAlign(canvas->Handle(), align);
    if (Angle == 0)
        c->TextOut(x, y, Text);
    else
        c->RotatedTextOut(x, y, Angle, Text);
    SetTextAlign(canvas->Handle(), previous);
    canvas->Font()->SetColor(color);
}

void TChartAxis::DrawTicksAndGrid(int Pos, int PreviousPos, bool HasPrevious, double Value) {
    TCustomAxisPanel* c = ParentChart();
    TCanvas* canvas = c->DrawingCanvas();
    const int axisPos = DrawnPosAxis();
    const int out = otherSide_ ? (horizontal_ ? -1 : 1) : (horizontal_ ? 1 : -1);
    // A line across the axis at Pos from the axis outwards (Length > 0) or inwards.
    auto across = [&](int At, int Length) {
        if (horizontal_)
            c->DrawVertLine(At, axisPos, axisPos + out * Length);
        else
            c->DrawHorizLine(axisPos, axisPos + out * Length, At);
    };
    auto usePen = [&](TChartPen* Pen) {
        canvas->SetPen(Pen);
        c->CheckPenWidth(canvas->Pen());
    };
    if (ticks_->Visible()) {
        usePen(ticks_.get());
        across(Pos, tickLength_);
    }
    if (grid_->Visible() && Value != IMinimum && Value != IMaximum) {
        usePen(grid_.get());
        const TRect& r = c->ChartRect;
        const int dx = c->Width3D;
        const int dy = c->Height3D;
        if (horizontal_)
            c->DrawVertLine(Pos + dx, r.Top - dy, r.Bottom - dy);
        else
            c->DrawHorizLine(r.Left + dx, r.Right + dx, Pos - dy);
        // In 3-D the grid line on the back wall goes on over the floor (bottom axis) or the
        // left wall (left axis) to its label at the front, so that label and grid line read as
        // one: a value drawn at any depth lies where this line crosses that depth.
        if ((dx != 0 || dy != 0) && !otherSide_) {
            if (horizontal_)
                c->DrawLine(Pos, r.Bottom, Pos + dx, r.Bottom - dy);
            else
                c->DrawLine(r.Left, Pos, r.Left + dx, Pos - dy);
        }
    }
    if (ticksInner_->Visible() && tickInnerLength_ != 0) {
        usePen(ticksInner_.get());
        across(Pos, -tickInnerLength_);
    }
    if (minorTicks_->Visible() && HasPrevious) {
        usePen(minorTicks_.get());
        for (int k = 1; k <= minorTickCount_; ++k) {
            const int at = Pos - static_cast<int>(Round(k * static_cast<double>(Pos - PreviousPos) /
                                                        (minorTickCount_ + 1)));
            across(at, minorTickLength_);
        }
    }
}

void TChartAxis::DrawValueLabels(double Step) {
    TCustomAxisPanel* c = ParentChart();
    int previous = 0;
    bool hasPrevious = false;
    auto drawAt = [&](double Value) {
        const int pos = CalcPosValue(Value);
        if (labels_) {
            c->AssignFont(LabelsFont());
            DrawAxisLabel(pos, labelsAngle_, LabelValue(Value));
        }
        DrawTicksAndGrid(pos, previous, hasPrevious, Value);
        previous = pos;
        hasPrevious = true;
    };
    if (c->OnGetNextAxisLabel) {
        double value = IMinimum;
        bool stop = true;
        c->OnGetNextAxisLabel(this, 0, value, stop);
        if (!stop) {
            for (int index = 1; value >= IMinimum - 0.0000001 && value <= IMaximum + 0.0000001;
                 ++index) {
                drawAt(value);
                stop = true;
                c->OnGetNextAxisLabel(this, index, value, stop);
                if (stop) break;
            }
            return;
        }
    }
    if (IRange / Step >= 10000) return;
    // A tolerance of a millionth of a step keeps labels that sums of steps miss by a hair.
    const double eps = Step * 1e-6;
    double value = FirstLabelValue(Step);
    for (int guard = 0; labelsOnAxis_ ? value > IMaximum + eps : value >= IMaximum - eps; ++guard) {
        const double next = DecValue(value, Step);
        if (next >= value || guard > 10002) return;
        value = next;
    }
    for (int guard = 0; labelsOnAxis_ ? value >= IMinimum - eps : value > IMinimum + eps; ++guard) {
        drawAt(value);
        const double next = DecValue(value, Step);
        if (next >= value || guard > 10002) return;
        value = next;
    }
}

void TChartAxis::DrawPointLabels(TAxisLabelStyle Style) {
    TCustomAxisPanel* c = ParentChart();
    TChartSeries* s = c->FirstSeriesOfAxis(this);
    if (!s) return;
    int previous = 0, previousLabel = 0, previousExtent = 0;
    bool hasPrevious = false, hasLabel = false;
    for (int i = 0; i < s->Count(); ++i) {
        const double value = horizontal_ ? s->XValue(i) : s->YValue(i);
        if (!s->ValueIsFinite(i) || value < IMinimum || value > IMaximum) continue;
        const int pos = CalcPosValue(value);
        std::string text = Style == talText ? s->XLabel(i) : s->GetMarkText(i);
        if (c->OnGetAxisLabel) c->OnGetAxisLabel(this, s, i, text);
        c->AssignFont(LabelsFont());
        const bool turned = labelsAngle_ == 90 || labelsAngle_ == 270;
        const int size = (horizontal_ != turned) ? c->TextWidth(text) : c->FontHeight();
        const int extent = size + static_cast<int>(Round(size * 0.02 * labelsSeparation_));
        bool draw = labels_;
        if (draw && labelsSeparation_ != 0 && hasLabel)
            draw = std::abs(pos - previousLabel) >= extent / 2 + previousExtent / 2;
        if (draw) {
            DrawAxisLabel(pos, labelsAngle_, text);
            previousLabel = pos;
            previousExtent = extent;
            hasLabel = true;
        }
        if (draw || !tickOnLabelsOnly_) {
            DrawTicksAndGrid(pos, previous, hasPrevious, value);
            previous = pos;
            hasPrevious = true;
        }
    }
}

void TChartAxis::DrawTitle() {
    if (title_->Caption().empty()) return;
    TCustomAxisPanel* c = ParentChart();
    TCanvas* canvas = c->DrawingCanvas();
    c->AssignFont(title_->Font());
    canvas->Brush()->SetStyle(bsClear);
    int x = c->ChartXCenter;
    int y = c->ChartYCenter;
    UINT align = TA_CENTER | TA_BOTTOM;
    if (horizontal_) {
        y = posTitle_ + Shift3D();
        if (!otherSide_) align = TA_CENTER | TA_TOP;
    } else {
        x = posTitle_ + Shift3D();
    }
    const UINT previous = SetTextAlign(canvas->Handle(), align);
    if (title_->Angle() == 0)
        c->TextOut(x, y, title_->Caption());
    else
        c->RotatedTextOut(x, y, title_->Angle(), title_->Caption());
    SetTextAlign(canvas->Handle(), previous);
}

void TChartAxis::Draw() {
    TCustomAxisPanel* c = ParentChart();
    TCanvas* canvas = c->DrawingCanvas();
    DrawTitle();
    if (axisPen_->Visible()) {
        canvas->SetPen(axisPen_.get());
        c->CheckPenWidth(canvas->Pen());
        const int p = DrawnPosAxis();
        const TRect& r = c->ChartRect;
        if (horizontal_)
            c->DrawHorizLine(r.Left, r.Right, p);
        else
            c->DrawVertLine(p, r.Top, r.Bottom);
    }
    const TAxisLabelStyle style = CalcLabelStyle();
    if (style == talValue)
        DrawValueLabels(CalcLabelsIncrement());
    else if (style == talText || style == talMark)
        DrawPointLabels(style);
}

// =============================================================================================
// TCustomChartLegend

TCustomChartLegend::TCustomChartLegend(TCustomAxisPanel* AOwner) : TChartFontObject(AOwner) {
    frame_ = std::make_unique<TChartPen>([this](TObject*) { Redraw(); });
}

TCustomChartLegend::~TCustomChartLegend() = default;

void TCustomChartLegend::Redraw() {
    ParentChart()->RedrawChart();
}

void TCustomChartLegend::Assign(TPersistent* Source) {
    if (auto* l = dynamic_cast<TCustomChartLegend*>(Source)) {
        resizeChart_ = l->resizeChart_;
        legendStyle_ = l->legendStyle_;
        textStyle_ = l->textStyle_;
        colorWidth_ = l->colorWidth_;
        horizMargin_ = l->horizMargin_;
        vertMargin_ = l->vertMargin_;
        topPos_ = l->topPos_;
        color_ = l->color_;
        frame_->Assign(l->frame_.get());
        firstValue_ = l->firstValue_;
        visible_ = l->visible_;
        alignment_ = l->alignment_;
        inverted_ = l->inverted_;
    }
    TChartFontObject::Assign(Source);
}

void TCustomChartLegend::SetResizeChart(bool Value) {
    ParentChart()->SetBooleanProperty(resizeChart_, Value);
}

void TCustomChartLegend::SetLegendStyle(TLegendStyle Value) {
    legendStyle_ = Value;
    GetLegendStyle();
    Redraw();
}

TLegendStyle TCustomChartLegend::GetLegendStyle() {
    resolved_ = legendStyle_;
    if (resolved_ == lsAuto)
        resolved_ = ParentChart()->CountActiveSeries() < 2 ? lsValues : lsSeries;
    return resolved_;
}

void TCustomChartLegend::SetTextStyle(TLegendTextStyle Value) {
    StoreAndNotify(textStyle_, Value, [this] { Redraw(); });
}

void TCustomChartLegend::SetColorWidth(int Value) {
    if (Value < 0 || Value > 100)
        throw LegendException("Legend Color Width must be between 0 and 100 %");
    ParentChart()->SetIntegerProperty(colorWidth_, Value);
}

void TCustomChartLegend::SetHorizMargin(int Value) {
    ParentChart()->SetIntegerProperty(horizMargin_, Value);
}
void TCustomChartLegend::SetVertMargin(int Value) {
    ParentChart()->SetIntegerProperty(vertMargin_, Value);
}

void TCustomChartLegend::SetTopPos(int Value) {
    if (Value < 0 || Value > 100)
        throw LegendException("Top Legend Position must be between 0 and 100 %");
    ParentChart()->SetIntegerProperty(topPos_, Value);
}

void TCustomChartLegend::SetColor(TColor Value) {
    ParentChart()->SetColorProperty(color_, Value);
}

void TCustomChartLegend::SetFirstValue(int Value) {
    if (Value < 0) throw LegendException("First Legend Value must be > 0");
    ParentChart()->SetIntegerProperty(firstValue_, Value);
}

void TCustomChartLegend::SetVisible(bool Value) {
    ParentChart()->SetBooleanProperty(visible_, Value);
}

void TCustomChartLegend::SetAlignment(TLegendAlignment Value) {
    if (alignment_ == Value) return;
    alignment_ = Value;
    ParentChart()->Invalidate();
}

void TCustomChartLegend::SetInverted(bool Value) {
    ParentChart()->SetBooleanProperty(inverted_, Value);
}
