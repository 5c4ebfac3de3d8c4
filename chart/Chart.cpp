#include "chart/Chart.h"

#include "chart/SeriesFunctions.h"
#include "platform/rtl/Numbers.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>

double ZoomAnimationDivisor = 3.0;
TMouseButton ChartZoomButton = mbLeft;
TMouseButton ChartPanButton = mbRight;
TShiftState ChartZoomShift;
TShiftState ChartPanShift;
bool PrintPanelBackground = false;

// =============================================================================================
// The series gallery and the unit's start-up

namespace {
std::unique_ptr<std::vector<TChartGalleryEntry>>& Gallery() {
    static std::unique_ptr<std::vector<TChartGalleryEntry>> gallery;
    return gallery;
}

constexpr std::size_t GalleryTextLength = 20;
} // namespace

const std::vector<TChartGalleryEntry>* ChartGallery() {
    return Gallery().get();
}

void RegisterChartGalleryEntry(const TClassInfo* SeriesClass, const TClassInfo* FunctionClass,
                               const std::string& Description, const std::string& GalleryPage,
                               int NumGallerySeries) {
    auto& gallery = Gallery();
    if (!gallery) gallery = std::make_unique<std::vector<TChartGalleryEntry>>();
    for (const TChartGalleryEntry& e : *gallery)
        if (e.SeriesClass == SeriesClass && e.FunctionClass == FunctionClass) return;
    gallery->push_back({SeriesClass, FunctionClass, Description.substr(0, GalleryTextLength),
                        GalleryPage.substr(0, GalleryTextLength), NumGallerySeries});
}

void FinalizeChart() {
    Gallery().reset();
}

void InitializeChart() {
    // The gallery's holder is made before FinalizeChart goes on the exit list, so it outlives
    // the handler: statics are destroyed and exit handlers run in the reverse of their order.
    Gallery();
    static const bool atExit = std::atexit(FinalizeChart) == 0;
    (void)atExit;
    ZoomAnimationDivisor = 3.0;
    ChartZoomButton = mbLeft;
    ChartPanButton = mbRight;
    ChartZoomShift = {};
    ChartPanShift = {};
    PrintPanelBackground = false;
    RegisterClass<TChartLegend>();
    RegisterClass<TChartGradient>();
    RegisterClass<TChartWall>();
    RegisterClass<TChartTitle>();
    const std::string page = "Functions";
    RegisterChartFunction<TAddChartFunction>("Add", page, 2);
    RegisterChartFunction<TSubtractChartFunction>("Subtract", page, 2);
    RegisterChartFunction<TMultiplyChartFunction>("Multiply", page, 2);
    RegisterChartFunction<TDivideChartFunction>("Divide", page, 2);
    RegisterChartFunction<THighChartFunction>("High", page, 2);
    RegisterChartFunction<TLowChartFunction>("Low", page, 2);
    RegisterChartFunction<TAverageChartFunction>("Average", page, 2);
}

// =============================================================================================

void GradientFill(TCanvas* Canvas, const TRect& R, TColor StartColor, TColor EndColor,
                  bool Horizontal) {
    const int size = Horizontal ? R.Width() : R.Height();
    if (size <= 0) return;
    const int steps = std::min(size, 256);
    const COLORREF start = ColorToRGB(StartColor);
    const COLORREF end = ColorToRGB(EndColor);
    // One band has no colour steps to divide into: it takes the start colour.
    auto component = [steps](int i, Byte from, Byte to) {
        return static_cast<Byte>(steps == 1 ? from : from + MulDiv(i, to - from, steps - 1));
    };
    TBrush* brush = Canvas->Brush();
    const TColor savedColor = brush->Color();
    const TBrushStyle savedStyle = brush->Style();
    brush->SetStyle(bsSolid);
    for (int i = 0; i < steps; ++i) {
        brush->SetColor(static_cast<TColor>(RGB(component(i, GetRValue(start), GetRValue(end)),
                                                component(i, GetGValue(start), GetGValue(end)),
                                                component(i, GetBValue(start), GetBValue(end)))));
        TRect band = R;
        if (Horizontal) {
            band.Right = R.Right - MulDiv(i, size, steps);
            band.Left = R.Right - MulDiv(i + 1, size, steps);
        } else {
            band.Bottom = R.Bottom - MulDiv(i, size, steps);
            band.Top = R.Bottom - MulDiv(i + 1, size, steps);
        }
        Canvas->FillRect(band);
    }
    brush->SetColor(savedColor);
    brush->SetStyle(savedStyle);
}

// =============================================================================================
// TChartBrush, TChartTitle

TChartBrush::TChartBrush(TNotifyEvent OnChangeEvent) {
    SetColor(clChartColor);
    OnChange = std::move(OnChangeEvent);
}

TChartTitle::TChartTitle(TCustomChart* AOwner) : TChartFontObject(AOwner) {
    const TNotifyEvent redraw = [this](TObject*) { ParentChart()->RedrawChart(); };
    brush_ = std::make_unique<TChartBrush>(redraw);
    frame_ = std::make_unique<TChartHiddenPen>(redraw);
    text_ = std::make_unique<TStringList>();
    text_->OnChange = redraw;
    Font()->SetColor(clBlue);
}

void TChartTitle::Assign(TPersistent* Source) {
    if (auto* t = dynamic_cast<TChartTitle*>(Source)) {
        alignment_ = t->alignment_;
        adjustFrame_ = t->adjustFrame_;
        brush_->Assign(t->brush_.get());
        frame_->Assign(t->frame_.get());
        text_->Assign(t->text_.get());
        visible_ = t->visible_;
    }
    TChartFontObject::Assign(Source);
}

void TChartTitle::SetAlignment(TAlignment Value) {
    if (alignment_ == Value) return;
    alignment_ = Value;
    ParentChart()->RedrawChart();
}

void TChartTitle::SetAdjustFrame(bool Value) {
    ParentChart()->SetBooleanProperty(adjustFrame_, Value);
}

void TChartTitle::SetVisible(bool Value) {
    ParentChart()->SetBooleanProperty(visible_, Value);
}

bool TChartTitle::Clicked(int X, int Y) const {
    return visible_ && PtInRect(titleRect_, Point(X, Y));
}

void TChartTitle::DrawTitle(bool IsFoot) {
    const int lines = text_->Count();
    if (!visible_ || lines == 0) return;
    TCustomAxisPanel* chart = ParentChart();
    TCanvas* canvas = chart->DrawingCanvas();
    chart->AssignFont(Font());
    const int lineHeight = chart->FontHeight();
    canvas->SetBrush(brush_.get());
    if (brush_->Color() == clChartColor) {
        // The marker never reaches the canvas, where it would read as a system colour.
        canvas->Brush()->SetColor(chart->Color());
        canvas->Brush()->SetStyle(bsClear);
    }
    const bool framed = frame_->Visible() && frame_->Color() != clChartColor;
    const int fw = framed ? frame_->Width() : 0;
    TRect& plot = chart->ChartRect;
    TRect r{plot.Left + fw, 0, plot.Right - fw, 0};
    if (IsFoot) {
        r.Bottom = plot.Bottom;
        r.Top = r.Bottom - lines * lineHeight;
    } else {
        r.Top = plot.Top;
        r.Bottom = r.Top + lines * lineHeight;
    }
    InflateRect(r, fw, fw);
    if (frame_->Visible()) {
        if (adjustFrame_) {
            int widest = 0;
            for (int i = 0; i < lines; ++i)
                widest = std::max(widest, chart->TextWidth(text_->Strings(i)));
            widest += 2 * fw;
            if (alignment_ == taLeftJustify)
                r.Right = r.Left + widest;
            else if (alignment_ == taRightJustify)
                r.Left = r.Right - widest;
            else
                r.Left = (r.Left + r.Right) / 2 - widest / 2, r.Right = r.Left + widest;
        }
        canvas->SetPen(frame_.get());
        if (frame_->Color() == clChartColor) canvas->Pen()->SetColor(chart->ContrastColor());
        chart->DrawRectangle(r);
    }
    canvas->Brush()->SetStyle(bsClear);
    const UINT previous = SetTextAlign(canvas->Handle(), TA_LEFT | TA_TOP);
    for (int i = 0; i < lines; ++i) {
        const std::string& line = text_->Strings(i);
        const int w = chart->TextWidth(line);
        int x = (r.Left + r.Right) / 2 - w / 2;
        if (alignment_ == taLeftJustify) x = r.Left + fw;
        if (alignment_ == taRightJustify) x = r.Right - fw - w;
        const int y =
            IsFoot ? r.Bottom - fw - (lines - i) * lineHeight : r.Top + fw + i * lineHeight;
        chart->TextOut(x, y, line);
    }
    SetTextAlign(canvas->Handle(), previous);
    titleRect_ = r;
    if (IsFoot)
        plot.Bottom -= r.Height() + 5;
    else
        plot.Top += r.Height() + 5;
    chart->RecalcWidthHeight();
}

// =============================================================================================
// TChartWall, TChartGradient

TChartWall::TChartWall(TCustomChart* AOwner, TColor AColor)
    : chart_(AOwner), brush_(std::make_unique<TBrush>()), color_(AColor) {
    const TNotifyEvent redraw = [this](TObject*) { chart_->RedrawChart(); };
    brush_->OnChange = redraw;
    pen_ = std::make_unique<TChartPen>(redraw);
}

void TChartWall::Assign(TPersistent* Source) {
    auto* w = dynamic_cast<TChartWall*>(Source);
    if (!w) {
        TPersistent::Assign(Source);
        return;
    }
    brush_->Assign(w->brush_.get());
    color_ = w->color_;
    pen_->Assign(w->pen_.get());
    size_ = w->size_;
}

void TChartWall::SetColor(TColor Value) {
    chart_->SetColorProperty(color_, Value);
}

void TChartWall::SetSize(int Value) {
    chart_->SetIntegerProperty(size_, Value);
}

void TChartWall::Prepare() {
    TCanvas* canvas = chart_->DrawingCanvas();
    if (pen_->Visible()) {
        canvas->SetPen(pen_.get());
        if (pen_->Color() == clChartColor) canvas->Pen()->SetColor(chart_->ContrastColor());
    } else {
        canvas->Pen()->SetStyle(psClear);
    }
    const TColor color = color_ != clChartColor ? color_ : brush_->Color();
    chart_->SetBrushCanvas(color == clChartColor ? chart_->Color() : color, chart_->Color(),
                           brush_->Style());
}

TChartGradient::TChartGradient(TCustomChart* AOwner) : chart_(AOwner) {}

void TChartGradient::Assign(TPersistent* Source) {
    auto* g = dynamic_cast<TChartGradient*>(Source);
    if (!g) {
        TPersistent::Assign(Source);
        return;
    }
    direction_ = g->direction_;
    endColor_ = g->endColor_;
    startColor_ = g->startColor_;
    visible_ = g->visible_;
}

void TChartGradient::SetDirection(TGradientDirection Value) {
    if (direction_ == Value) return;
    direction_ = Value;
    chart_->Invalidate();
}

void TChartGradient::SetEndColor(TColor Value) {
    chart_->SetColorProperty(endColor_, Value);
}
void TChartGradient::SetStartColor(TColor Value) {
    chart_->SetColorProperty(startColor_, Value);
}
void TChartGradient::SetVisible(bool Value) {
    chart_->SetBooleanProperty(visible_, Value);
}

void TChartGradient::Draw(TCanvas* Canvas, const TRect& R) const {
    const bool reversed = direction_ == gdBottomTop || direction_ == gdRightLeft;
    const bool horizontal = direction_ == gdLeftRight || direction_ == gdRightLeft;
    GradientFill(Canvas, R, reversed ? endColor_ : startColor_, reversed ? startColor_ : endColor_,
                 horizontal);
}

// =============================================================================================
// TChartLegend

TChartLegend::TChartLegend(TCustomChart* AOwner) : TCustomChartLegend(AOwner) {
    dividingLines_ = std::make_unique<TChartHiddenPen>([this](TObject*) { Redraw(); });
}

TCustomChart* TChartLegend::Chart() const {
    return static_cast<TCustomChart*>(ParentChart());
}

void TChartLegend::Assign(TPersistent* Source) {
    if (auto* l = dynamic_cast<TChartLegend*>(Source)) {
        shadowColor_ = l->shadowColor_;
        shadowSize_ = l->shadowSize_;
        dividingLines_->Assign(l->dividingLines_.get());
    }
    TCustomChartLegend::Assign(Source);
}

void TChartLegend::SetShadowColor(TColor Value) {
    ParentChart()->SetColorProperty(shadowColor_, Value);
}

void TChartLegend::SetShadowSize(int Value) {
    ParentChart()->SetIntegerProperty(shadowSize_, Value);
}

std::string TChartLegend::FormattedValue(TChartSeries* Series, int ValueIndex) {
    if (ValueIndex < 0 || ValueIndex >= Series->Count()) return {};
    const double v = Series->GetMarkValue(ValueIndex);
    const std::string value = FormatFloat(Series->ValueFormat(), v);
    const std::string label = Series->XLabel(ValueIndex);
    const double total = Series->MandatoryValueList()->TotalABS();
    const std::string percent =
        FormatFloat(Series->PercentFormat(), total == 0 ? 100.0 : std::fabs(v) * 100.0 / total);
    auto join = [](const std::string& a, const std::string& b) {
        return a.empty() ? b : (b.empty() ? a : a + " " + b);
    };
    switch (TextStyle()) {
    case ltsPlain: return label.empty() ? value : label;
    case ltsLeftValue: return join(value, label);
    case ltsRightValue: return join(label, value);
    case ltsLeftPercent: return join(percent, label);
    case ltsRightPercent: return join(label, percent);
    case ltsXValue: {
        TChartAxis* axis = Series->GetHorizAxis();
        const double x = Series->XValue(ValueIndex);
        return axis ? axis->LabelValue(x) : FormatFloat(Series->ValueFormat(), x);
    }
    }
    return value;
}

struct TChartLegend::TLayout {
    int H = 0;         // line height
    int ItemWidth = 0; // room of one item in a row (top and bottom legends)
    int BoxStart = 0;  // left end of the first colour box
    int TextStart = 0; // left end of the first text
    int Shown = 0;     // items shown
    bool Vertical = false;
};

void TChartLegend::DrawLegend() {
    TCustomChart* chart = Chart();
    TCanvas* canvas = chart->DrawingCanvas();
    RectLegend = TRect{};
    GetLegendStyle();
    const int count = chart->CountLegendItems();
    chart->AssignFont(Font());
    TLayout L;
    L.H = chart->FontHeight();
    std::vector<std::string> texts;
    int widest = 0;
    for (int i = 0; i < count; ++i) {
        texts.push_back(chart->FormattedLegend(FirstValue() + i));
        widest = std::max(widest, chart->TextWidth(texts.back()));
    }
    int w = widest + 4;
    colorBoxWidth_ = static_cast<int>(Round(ColorWidth() * w * 0.01));
    const bool framed = Frame()->Visible();
    const int fw = Frame()->Width();
    const int frameRoom = framed ? fw + 1 : 0;
    const TRect plot = chart->ChartRect;
    TRect& r = RectLegend;
    L.Vertical = Alignment() == laLeft || Alignment() == laRight;
    if (Alignment() == laBottom) {
        r.Bottom = plot.Bottom - shadowSize_ - frameRoom;
        r.Top = r.Bottom - 2 - L.H;
    } else if (Alignment() == laTop) {
        r.Top = plot.Top + frameRoom;
        r.Bottom = r.Top + 2 + L.H;
    } else {
        r.Top = chart->ChartBounds.Top +
                static_cast<int>(Round(TopPos() * 0.01 * chart->ChartBounds.Height()));
        const int rows = plot.Bottom > r.Top && L.H >= 1 ? (plot.Bottom - r.Top - 2 * fw) / L.H : 0;
        L.Shown = std::clamp(rows, 0, count);
        r.Bottom = r.Top + 2 + L.H * L.Shown;
    }
    if (L.Vertical) {
        // Only the items shown count for the width.
        w = 0;
        for (int i = 0; i < L.Shown; ++i)
            w = std::max(w, chart->TextWidth(texts[i]));
        colorBoxWidth_ = static_cast<int>(Round(ColorWidth() * (w + 10) * 0.01));
        if (Alignment() == laLeft) {
            r.Left = plot.Left + frameRoom;
            L.BoxStart = r.Left + 4;
            L.TextStart = L.BoxStart + colorBoxWidth_ + 4;
            r.Right = L.TextStart + w + 2;
        } else {
            r.Right = plot.Right - frameRoom - shadowSize_;
            L.TextStart = r.Right - w - 2;
            L.BoxStart = L.TextStart - 4 - colorBoxWidth_;
            r.Left = L.BoxStart - 4;
        }
    } else {
        L.ItemWidth = w + colorBoxWidth_ + 4;
        const int perRow =
            plot.Right > 8 && L.ItemWidth >= 1 ? (plot.Right - 8 - 2 * fw) / L.ItemWidth : 0;
        L.Shown = std::clamp(perRow, 0, count);
        const int width = std::min(L.ItemWidth * L.Shown + 8 + 2 * shadowSize_, chart->ChartWidth);
        r.Left = chart->ChartXCenter - width / 2;
        r.Right = r.Left + width;
        L.BoxStart = r.Left + 4;
        L.TextStart = L.BoxStart + colorBoxWidth_ + 4;
    }
    if (chart->OnGetLegendRect) chart->OnGetLegendRect(chart, r);
    if (L.Shown == 0) {
        r = TRect{};
        return;
    }
    if (shadowSize_ > 0) {
        const int off = shadowSize_ + (framed ? fw + fw / 2 : 0);
        canvas->Brush()->SetStyle(bsSolid);
        canvas->Brush()->SetColor(shadowColor_);
        canvas->FillRect(Rect(r.Left + off, r.Bottom, r.Right + off, r.Bottom + off));
        canvas->FillRect(Rect(r.Right, r.Top + off, r.Right + off, r.Bottom + off));
    }
    const TColor color = Color() == clChartColor ? chart->Color() : Color();
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(color);
    if (framed) {
        canvas->SetPen(Frame());
        if (Frame()->Color() == clChartColor) canvas->Pen()->SetColor(clBlack);
    } else {
        canvas->Pen()->SetStyle(psClear);
    }
    TRect box = r;
    InflateRect(box, fw, fw);
    chart->DrawRectangle(box);
    canvas->Pen()->SetStyle(psSolid);
    canvas->Pen()->SetWidth(1);
    canvas->Pen()->SetColor(color == clBlack ? clWhite : clBlack);
    for (int p = 0; p < L.Shown; ++p) {
        const int i = Inverted() ? L.Shown - 1 - p : p;
        DrawItem(L, p, FirstValue() + i, texts[i]);
    }
    TRect& plotRect = chart->ChartRect;
    switch (Alignment()) {
    case laLeft:
        if (ResizeChart()) plotRect.Left = r.Right;
        plotRect.Left += HorizMargin() ? HorizMargin() : MulDiv(3, chart->ChartWidth, 100);
        break;
    case laRight:
        if (ResizeChart()) plotRect.Right = r.Left;
        plotRect.Right -= HorizMargin() ? HorizMargin() : MulDiv(3, chart->ChartWidth, 100);
        break;
    case laTop:
        if (ResizeChart()) plotRect.Top = r.Bottom + shadowSize_;
        plotRect.Top += VertMargin() ? VertMargin() : MulDiv(3, chart->ChartHeight, 100);
        break;
    case laBottom:
        if (ResizeChart()) plotRect.Bottom = r.Top;
        plotRect.Bottom -= VertMargin() ? VertMargin() : MulDiv(3, chart->ChartHeight, 100);
        break;
    }
    chart->RecalcWidthHeight();
}

void TChartLegend::DrawItem(const TLayout& L, int Place, int ItemIndex, const std::string& Text) {
    TCustomChart* chart = Chart();
    TCanvas* canvas = chart->DrawingCanvas();
    int x = L.TextStart;
    int y = RectLegend.Top + 1;
    int colorPos = L.BoxStart + colorBoxWidth_;
    if (L.Vertical) {
        y += Place * L.H;
    } else {
        x += Place * L.ItemWidth;
        colorPos += Place * L.ItemWidth;
    }
    if (chart->OnGetLegendPos) chart->OnGetLegendPos(chart, ItemIndex, x, y, colorPos);
    chart->AssignFont(Font());
    canvas->Brush()->SetStyle(bsClear);
    const UINT previous = SetTextAlign(canvas->Handle(), TA_LEFT | TA_TOP);
    chart->TextOut(x, y, Text);
    SetTextAlign(canvas->Handle(), previous);
    if (TChartSeries* series = chart->LegendItemSeries(ItemIndex)) {
        const bool seriesItems = GetLegendStyle() == lsSeries;
        const int valueIndex =
            seriesItems ? -1 : (GetLegendStyle() == lsLastValues ? series->Count() - 1 : ItemIndex);
        canvas->Pen()->SetStyle(psSolid);
        series->DrawLegend(valueIndex,
                           Rect(colorPos - colorBoxWidth_, y + 2, colorPos, y + L.H - 2));
    }
    if (Place > 0 && dividingLines_->Visible()) {
        canvas->SetPen(dividingLines_.get());
        if (L.Vertical)
            chart->DrawHorizLine(RectLegend.Left, RectLegend.Right, y);
        else
            chart->DrawVertLine(colorPos - colorBoxWidth_ - 2, RectLegend.Top, RectLegend.Bottom);
    }
}

// =============================================================================================
// TCustomChart

TCustomChart::TCustomChart(TComponent* AOwner)
    : TCustomAxisPanel(AOwner), backImage_(std::make_unique<TPicture>()),
      gradient_(std::make_unique<TChartGradient>(this)),
      leftWall_(std::make_unique<TChartWall>(this, 0x0080FFFF)),
      bottomWall_(std::make_unique<TChartWall>(this, clWhite)),
      title_(std::make_unique<TChartTitle>(this)), foot_(std::make_unique<TChartTitle>(this)) {
    backImage_->OnChange = [this](TObject*) { RedrawChart(); };
    if (ComponentState().Contains(csDesigning)) {
        title_->Text()->Add(ClassName());
        foot_->Font()->SetColor(clRed);
        foot_->Font()->SetStyle({fsItalic});
    }
}

TCustomChart::~TCustomChart() = default;

void TCustomChart::Assign(TPersistent* Source) {
    if (auto* c = dynamic_cast<TCustomChart*>(Source)) {
        leftWall_->Assign(c->leftWall_.get());
        bottomWall_->Assign(c->bottomWall_.get());
        gradient_->Assign(c->gradient_.get());
        allowPanning_ = c->allowPanning_;
        allowZoom_ = c->allowZoom_;
        animatedZoom_ = c->animatedZoom_;
        animatedZoomSteps_ = c->animatedZoomSteps_;
        foot_->Assign(c->foot_.get());
        title_->Assign(c->title_.get());
    }
    TCustomAxisPanel::Assign(Source);
}

void TCustomChart::SetAnimatedZoomSteps(int Value) {
    SetIntegerProperty(animatedZoomSteps_, Value);
}
void TCustomChart::SetAnimatedZoom(bool Value) {
    SetBooleanProperty(animatedZoom_, Value);
}
void TCustomChart::SetAllowZoom(bool Value) {
    SetBooleanProperty(allowZoom_, Value);
}
void TCustomChart::SetAllowPanning(TPanningMode Value) {
    if (allowPanning_ == Value) return;
    allowPanning_ = Value;
    RedrawChart();
}
void TCustomChart::SetBackImageMode(TChartBackImageMode Value) {
    if (backImageMode_ == Value) return;
    backImageMode_ = Value;
    RedrawChart();
}
void TCustomChart::SetBackImageInside(bool Value) {
    SetBooleanProperty(backImageInside_, Value);
}

// --- printing

void TCustomChart::Print() {
    PrintRect(ChartPrintRect());
}

void TCustomChart::PrintLandscape() {
    PrintOrientation(poLandscape);
}

void TCustomChart::PrintOrientation(TPrinterOrientation Orientation) {
    TPrinter* printer = Printer();
    const TPrinterOrientation previous = printer->Orientation();
    printer->SetOrientation(Orientation);
    try {
        Print();
    } catch (...) {
        printer->SetOrientation(previous);
        throw;
    }
    printer->SetOrientation(previous);
}

TRect TCustomChart::ChartPrintRect() {
    TPrinter* printer = Printer();
    const int pw = printer->PageWidth();
    const int ph = printer->PageHeight();
    auto part = [](int Size, int Percent) {
        return static_cast<int>(Round(Size * 0.01 * Percent));
    };
    return Rect(part(pw, PrintMargins[0]), part(ph, PrintMargins[1]),
                pw - part(pw, PrintMargins[2]), ph - part(ph, PrintMargins[3]));
}

void TCustomChart::PrintRect(const TRect& R) {
    TPrinter* printer = Printer();
    printer->SetTitle(Name());
    printer->BeginDoc();
    try {
        SetPrinterCanvas(true);
        PrintPartialCanvas(printer->Canvas(), R);
    } catch (...) {
        SetPrinterCanvas(false);
        printer->Abort();
        throw;
    }
    SetPrinterCanvas(false);
    // A document the printer did not take is over: its failure reaches the caller as it is.
    printer->EndDoc();
}

void TCustomChart::PrintPartialCanvas(TCanvas* Canvas, const TRect& R) {
    TRect r = R;
    if (r.Left > r.Right) std::swap(r.Left, r.Right);
    if (r.Top > r.Bottom) std::swap(r.Top, r.Bottom);
    const int w = std::max(1, Width());
    const int h = std::max(1, Height());
    const int rw = std::max(1, r.Width());
    const int rh = std::max(1, r.Height());
    HDC dc = Canvas->Handle();
    const int saved = SaveDC(dc);
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowOrgEx(dc, 0, 0, nullptr);
    SetWindowExtEx(dc, w, h, nullptr);
    SetViewportOrgEx(dc, 0, 0, nullptr);
    SetViewportExtEx(dc, rw, rh, nullptr);
    const TRect logical = Rect(MulDiv(r.Left, w, rw), MulDiv(r.Top, h, rh), MulDiv(r.Right, w, rw),
                               MulDiv(r.Bottom, h, rh));
    const bool buffered = BufferedDisplay();
    auto restore = [&] {
        SetBufferedDisplay(buffered);
        SetCanvasDrawing(false);
        RestoreDC(dc, saved);
        Canvas->Refresh();
    };
    SetCanvasDrawing(true);
    SetBufferedDisplay(false);
    try {
        Draw(Canvas, logical);
    } catch (...) {
        restore();
        throw;
    }
    restore();
}

// --- zoom and panning

void TCustomChart::SaveAxesState() {
    if (axesSaved_) return;
    TChartAxis* axes[] = {TopAxis(), BottomAxis(), LeftAxis(), RightAxis()};
    for (int i = 0; i < 4; ++i)
        savedAxes_[i] = {axes[i]->Automatic(), axes[i]->AutomaticMinimum(),
                         axes[i]->AutomaticMaximum(), axes[i]->Minimum(), axes[i]->Maximum()};
    axesSaved_ = true;
}

void TCustomChart::UndoZoom() {
    if (axesSaved_) {
        TChartAxis* axes[] = {TopAxis(), BottomAxis(), LeftAxis(), RightAxis()};
        for (int i = 0; i < 4; ++i) {
            const TAxisState& s = savedAxes_[i];
            axes[i]->SetMinMax(s.Minimum, s.Maximum);
            if (s.Automatic) {
                axes[i]->SetAutomatic(true);
            } else {
                axes[i]->SetAutomaticMinimum(s.AutomaticMinimum);
                axes[i]->SetAutomaticMaximum(s.AutomaticMaximum);
            }
        }
    }
    axesSaved_ = false;
    if (OnUndoZoom) OnUndoZoom(this);
    Invalidate();
    zoomed_ = false;
}

void TCustomChart::SetAllAxesMinMax(double LeftMin, double LeftMax, double RightMin,
                                    double RightMax, double TopMin, double TopMax, double BottomMin,
                                    double BottomMax) {
    SaveAxesState();
    if (animatedZoom_ && animatedZoomSteps_ > 1) {
        struct TTarget {
            TChartAxis* Axis;
            double Min, Max;
        };
        const TTarget targets[] = {{LeftAxis(), LeftMin, LeftMax},
                                   {RightAxis(), RightMin, RightMax},
                                   {TopAxis(), TopMin, TopMax},
                                   {BottomAxis(), BottomMin, BottomMax}};
        for (int step = 1; step < animatedZoomSteps_; ++step) {
            for (const TTarget& t : targets) {
                const double low =
                    t.Axis->Minimum() + (t.Min - t.Axis->Minimum()) / ZoomAnimationDivisor;
                const double high =
                    t.Axis->Maximum() - (t.Axis->Maximum() - t.Max) / ZoomAnimationDivisor;
                t.Axis->SetMinMax(low, high);
            }
            Repaint();
        }
    }
    TCustomAxisPanel::SetAllAxesMinMax(LeftMin, LeftMax, RightMin, RightMax, TopMin, TopMax,
                                       BottomMin, BottomMax);
    zoomed_ = true;
    if (OnZoom) OnZoom(this);
}

bool TCustomChart::PanAxis(TChartAxis* Axis, int OldPixel, int NewPixel) {
    const double delta = Axis->CalcPosPoint(OldPixel) - Axis->CalcPosPoint(NewPixel);
    double low = Axis->Minimum() + delta;
    double high = Axis->Maximum() + delta;
    bool allow = true;
    if (OnAllowScroll) OnAllowScroll(Axis, low, high, allow);
    if (allow) Axis->SetMinMax(low, high);
    return allow;
}

// --- drawing steps

void TCustomChart::DrawBackground(const TRect& Rect) {
    TCanvas* canvas = DrawingCanvas();
    if (gradient_->Visible()) {
        gradient_->Draw(canvas, Rect);
    } else if (!CanvasDrawing() || PrintPanelBackground) {
        canvas->Brush()->SetStyle(bsSolid);
        canvas->Brush()->SetColor(Color());
        canvas->FillRect(Rect);
    }
}

void TCustomChart::DrawBackImage(const TRect& Rect) {
    TGraphic* graphic = backImage_->Graphic();
    if (!graphic || graphic->Empty()) return;
    TCanvas* canvas = DrawingCanvas();
    if (backImageMode_ == pbmStretch) {
        canvas->StretchDraw(Rect, graphic);
        return;
    }
    const int pw = graphic->Width();
    const int ph = graphic->Height();
    if (backImageMode_ == pbmCenter) DrawBackground(Rect);
    HDC dc = canvas->Handle();
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, Rect.Left, Rect.Top, Rect.Right, Rect.Bottom);
    if (backImageMode_ == pbmCenter) {
        canvas->Draw(Rect.Left + (Rect.Width() - pw) / 2, Rect.Top + (Rect.Height() - ph) / 2,
                     graphic);
    } else if (pw >= 1 && ph >= 1 && Rect.Height() >= 1) {
        for (int y = Rect.Top; y < Rect.Bottom; y += ph)
            for (int x = Rect.Left; x < Rect.Right; x += pw)
                canvas->Draw(x, y, graphic);
    }
    RestoreDC(dc, saved);
    canvas->Refresh();
}

void TCustomChart::FillValueSourceItems(TChartValueList* ValueList,
                                        const std::function<void(const std::string&)>& Proc) {
    auto* source = dynamic_cast<TChartSeries*>(ValueList->Owner()->DataSource());
    if (!source) return;
    for (int i = 0; i < source->ValuesListCount(); ++i)
        Proc(source->ValueList(i)->Name());
}

void TCustomChart::DrawBevels(const TRect& Rect) {
    TCanvas* canvas = DrawingCanvas();
    canvas->Pen()->SetStyle(psSolid);
    canvas->Pen()->SetWidth(1);
    canvas->Pen()->SetMode(pmCopy);
    canvas->Brush()->SetStyle(bsClear);
    TRect r = Rect;
    auto bevel = [&](TBevelCut Cut) {
        if (Cut == bvNone) return;
        const TColor light = Cut == bvRaised ? clBtnHighlight : clBtnShadow;
        const TColor dark = Cut == bvRaised ? clBtnShadow : clBtnHighlight;
        for (int i = 0; i < BevelWidth(); ++i) {
            canvas->Pen()->SetColor(light);
            DrawLine(r.Left, r.Bottom - 1, r.Left, r.Top);
            DrawLine(r.Left, r.Top, r.Right - 1, r.Top);
            canvas->Pen()->SetColor(dark);
            DrawLine(r.Right - 1, r.Top, r.Right - 1, r.Bottom - 1);
            DrawLine(r.Right - 1, r.Bottom - 1, r.Left - 1, r.Bottom - 1);
            InflateRect(r, -1, -1);
        }
    };
    bevel(BevelOuter());
    canvas->Pen()->SetColor(Color());
    for (int i = 0; i < BorderWidth(); ++i) {
        canvas->Rectangle(r);
        InflateRect(r, -1, -1);
    }
    bevel(BevelInner());
}

void TCustomChart::DrawPanelBackground(const TRect& Rect) {
    DrawBackground(Rect);
    if (!backImageInside_) DrawBackImage(Rect);
    if (!CanvasDrawing()) DrawBevels(Rect);
}

void TCustomChart::DrawTitlesAndLegend() {
    const bool legend = Legend()->Visible() && SeriesCount() > 0;
    const bool side = Legend()->Alignment() == laLeft || Legend()->Alignment() == laRight;
    if (legend && side) Legend()->DrawLegend();
    title_->DrawTitle(false);
    foot_->DrawTitle(true);
    if (legend && !side) Legend()->DrawLegend();
}

int TCustomChart::AxisWallSize(const TChartAxis* Axis) const {
    if (!View3D() || !View3DWalls()) return 0;
    if (Axis == LeftAxis()) return leftWall_->Size();
    if (Axis == BottomAxis()) return bottomWall_->Size();
    return 0;
}

void TCustomChart::CalcAxisRect() {
    for (TChartAxis* axis : {LeftAxis(), RightAxis(), TopAxis(), BottomAxis()})
        axis->AdjustMaxMin();
    CalcSize3D();
    ChartRect.Right -= Width3D;
    ChartRect.Top += Height3D;
    RecalcWidthHeight();
    TRect work = ChartRect;
    for (TChartAxis* axis : {LeftAxis(), RightAxis(), TopAxis(), BottomAxis()}) {
        if (!IsAxisVisible(axis)) continue;
        TRect reduced = work;
        axis->CalcRect(reduced);
        TRect inside;
        // An axis that would need all the room left takes none.
        if (reduced.Width() > 0 && reduced.Height() > 0 && IntersectRect(inside, work, reduced))
            work = inside;
    }
    ChartRect = work;
    RecalcWidthHeight();
    LeftAxis()->SetPosAxis(ChartRect.Left);
    RightAxis()->SetPosAxis(ChartRect.Right);
    TopAxis()->SetPosAxis(ChartRect.Top);
    BottomAxis()->SetPosAxis(ChartRect.Bottom);
}

void TCustomChart::CalcSeriesMargins() {
    for (TChartAxis* axis : {TopAxis(), LeftAxis(), RightAxis(), BottomAxis()}) {
        TRect margins;
        for (int i = 0; i < SeriesCount(); ++i) {
            TChartSeries* s = Series(i);
            if (!s->Active()) continue;
            int a = 0, b = 0;
            if (axis->Horizontal() && s->GetHorizAxis() == axis) {
                s->CalcHorizMargins(a, b);
                margins.Left = std::max(margins.Left, a);
                margins.Right = std::max(margins.Right, b);
            } else if (!axis->Horizontal() && s->GetVertAxis() == axis) {
                s->CalcVerticalMargins(a, b);
                margins.Top = std::max(margins.Top, a);
                margins.Bottom = std::max(margins.Bottom, b);
            }
        }
        if (margins != TRect{}) axis->AdjustMaxMinRect(margins);
    }
}

TRect TCustomChart::BackRectangle() const {
    TRect r = ChartRect;
    OffsetRect(r, Width3D, -Height3D);
    r.Right += 1;
    return r;
}

void TCustomChart::DrawBackRectangle() {
    if (backImageInside_) DrawBackImage(BackRectangle());
    TCustomAxisPanel::DrawBackRectangle();
}

void TCustomChart::DrawWalls() {
    const TRect& r = ChartRect;
    const int dx = Width3D;
    const int dy = Height3D;
    leftWall_->Prepare();
    std::vector<TPoint> left{{r.Left, r.Bottom},
                             {r.Left, r.Top},
                             {r.Left + dx, r.Top - dy},
                             {r.Left + dx, r.Bottom - dy}};
    const int ls = leftWall_->Size();
    if (ls > 0) {
        DrawRectangle(Rect(r.Left - ls, r.Top, r.Left, r.Bottom));
        for (TPoint& p : left)
            p.X -= ls;
    }
    DrawPolygon(left, 3);
    bottomWall_->Prepare();
    std::vector<TPoint> bottom{{r.Left, r.Bottom},
                               {r.Left + dx, r.Bottom - dy},
                               {r.Right + dx, r.Bottom - dy},
                               {r.Right, r.Bottom}};
    const int bs = bottomWall_->Size();
    if (bs > 0) {
        DrawRectangle(Rect(r.Left, r.Bottom, r.Right, r.Bottom + bs));
        for (TPoint& p : bottom)
            p.Y += bs;
    }
    DrawPolygon(bottom, 3);
}

std::unique_ptr<TCustomChartLegend> TCustomChart::CreateLegend() {
    return std::make_unique<TChartLegend>(this);
}

// --- mouse

TChartHit TCustomChart::HitTest(int X, int Y) {
    TChartHit hit;
    const TPoint p = Point(X, Y);
    if (Legend()->Visible() && PtInRect(Legend()->RectLegend, p)) {
        hit.Kind = hkLegend;
        return hit;
    }
    for (int i = SeriesCount() - 1; i >= 0; --i) {
        TChartSeries* s = Series(i);
        if (!s->Active()) continue;
        const int index = s->Clicked(X, Y);
        if (index != -1) {
            hit.Kind = hkSeries;
            hit.Series = s;
            hit.ValueIndex = index;
            return hit;
        }
    }
    for (TChartAxis* axis : {TopAxis(), BottomAxis(), LeftAxis(), RightAxis()}) {
        if (axis->Clicked(X, Y)) {
            hit.Kind = hkAxis;
            hit.Axis = axis;
            return hit;
        }
    }
    if (title_->Clicked(X, Y))
        hit.Kind = hkTitle;
    else if (foot_->Clicked(X, Y))
        hit.Kind = hkFoot;
    else if (PtInRect(ChartRect, p) && SeriesCount() > 0)
        hit.Kind = hkChartArea;
    return hit;
}

template <typename E, typename... A>
bool TCustomChart::FireClick(const E& Event, A... Args) {
    if (!Event) return false;
    CancelMouse = true;
    Event(this, Args...);
    return CancelMouse;
}

bool TCustomChart::StartZoomOrPan(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (allowZoom_ && Button == ChartZoomButton && ChartZoomShift.SubsetOf(Shift)) {
        SetCursor(crDefault);
        Zoom->Activate(X, Y);
        DrawZoomRectangle();
        return true;
    }
    if (allowPanning_ != pmNone && Button == ChartPanButton && ChartPanShift.SubsetOf(Shift)) {
        SetCursor(crDefault);
        Panning->Activate(X, Y);
        return true;
    }
    return false;
}

void TCustomChart::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TCustomAxisPanel::MouseDown(Button, Shift, X, Y);
    if (Zoom->Active || Panning->Active) return;
    if (CancelMouse) {
        CancelMouse = false;
        return;
    }
    const TChartHit hit = HitTest(X, Y);
    bool handled = false;
    bool backgroundFired = false;
    switch (hit.Kind) {
    case hkLegend: handled = FireClick(OnClickLegend, Button, Shift, X, Y); break;
    case hkSeries:
        handled = hit.Series->DoSeriesClick(hit.ValueIndex, Button, Shift, X, Y);
        if (OnClickSeries)
            handled = FireClick(OnClickSeries, hit.Series, hit.ValueIndex, Button, Shift, X, Y);
        if (!handled) handled = StartZoomOrPan(Button, Shift, X, Y);
        break;
    case hkAxis:
        handled = FireClick(OnClickAxis, hit.Axis, Button, Shift, X, Y);
        if (!handled) handled = StartZoomOrPan(Button, Shift, X, Y);
        break;
    case hkChartArea:
        backgroundFired = static_cast<bool>(OnClickBackground);
        handled = FireClick(OnClickBackground, Button, Shift, X, Y);
        if (!handled) handled = StartZoomOrPan(Button, Shift, X, Y);
        break;
    default: break;
    }
    // One mouse-down tells the background at most once.
    if (!handled && !backgroundFired) FireClick(OnClickBackground, Button, Shift, X, Y);
    CancelMouse = false;
}

void TCustomChart::PanTo(int X, int Y) {
    if (!PtInRect(ChartRect, Point(X, Y))) {
        Panning->Active = false;
        return;
    }
    if (X == Panning->X1 && Y == Panning->Y1) return;
    SaveAxesState();
    bool panned = false;
    if (X != Panning->X1 && (allowPanning_ == pmHorizontal || allowPanning_ == pmBoth)) {
        panned |= PanAxis(BottomAxis(), Panning->X1, X);
        panned |= PanAxis(TopAxis(), Panning->X1, X);
    }
    if (Y != Panning->Y1 && (allowPanning_ == pmVertical || allowPanning_ == pmBoth)) {
        panned |= PanAxis(LeftAxis(), Panning->Y1, Y);
        panned |= PanAxis(RightAxis(), Panning->Y1, Y);
    }
    Panning->X1 = X;
    Panning->Y1 = Y;
    if (!panned) return;
    if (OnScroll) OnScroll(this);
    Invalidate();
}

void TCustomChart::FollowSeriesCursor(TShiftState Shift, int X, int Y) {
    bool shown = false;
    for (int i = 0; i < SeriesCount() && !shown; ++i) {
        TChartSeries* s = Series(i);
        if (s->Active() && s->Cursor() != crDefault && s->Clicked(X, Y) != -1) {
            SetCursor(s->Cursor());
            shown = true;
        }
    }
    for (int i = 0; i < SeriesCount(); ++i)
        Series(i)->MouseMoveNotify(Shift, X, Y);
    if (!shown) SetCursor(DesignedCursor());
}

void TCustomChart::MouseMove(TShiftState Shift, int X, int Y) {
    TCustomAxisPanel::MouseMove(Shift, X, Y);
    if (ComponentState().Contains(csDesigning)) return;
    if (Zoom->Active) {
        if (X == Zoom->X1 && Y == Zoom->Y1) return;
        DrawZoomRectangle();
        Zoom->X1 = X;
        Zoom->Y1 = Y;
        DrawZoomRectangle();
    } else if (Panning->Active) {
        PanTo(X, Y);
    } else {
        FollowSeriesCursor(Shift, X, Y);
    }
}

void TCustomChart::EndZoom(int X, int Y) {
    Zoom->Active = false;
    DrawZoomRectangle();
    DrawingCanvas()->Pen()->SetMode(pmCopy);
    Zoom->X1 = X;
    Zoom->Y1 = Y;
    if (std::abs(Zoom->X1 - Zoom->X0) <= 16 || std::abs(Zoom->Y1 - Zoom->Y0) <= 16) return;
    if (Zoom->X1 > Zoom->X0 && Zoom->Y1 > Zoom->Y0)
        ZoomToRectangle();
    else
        UndoZoom();
    Invalidate();
}

void TCustomChart::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TCustomAxisPanel::MouseUp(Button, Shift, X, Y);
    for (int i = 0; i < SeriesCount(); ++i)
        Series(i)->MouseUpNotify(Button, Shift, X, Y);
    if (Zoom->Active && Button == mbLeft) EndZoom(X, Y);
    Panning->Active = false;
}

void TCustomChart::WMGetDlgCode(TWMGetDlgCode& Message) {
    TCustomAxisPanel::WMGetDlgCode(Message);
    Message.Result |= DLGC_WANTARROWS;
}

void TCustomChart::CMMouseLeave(TMessage& Message) {
    SetCursor(DesignedCursor());
    TCustomAxisPanel::CMMouseLeave(Message);
}
