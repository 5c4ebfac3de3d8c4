#include "platform/gui/RecordingCanvas.h"

#include "platform/gui/QtPaint.h"

namespace {
std::vector<int> RectArgs(const TRect& r) {
    return {r.Left, r.Top, r.Right, r.Bottom};
}

std::vector<int> PointArgs(const std::vector<TPoint>& points) {
    std::vector<int> args;
    for (const TPoint& p : points) {
        args.push_back(p.X);
        args.push_back(p.Y);
    }
    return args;
}

std::string GraphicName(TGraphic* graphic) {
    return graphic ? graphic->ClassName() : "nil";
}
} // namespace

std::string TRecordingCanvas::TCall::ToString() const {
    std::string s = Name + "(";
    for (std::size_t i = 0; i < Args.size(); ++i)
        s += (i ? "," : "") + std::to_string(Args[i]);
    if (!Text.empty()) s += (Args.empty() ? "\"" : ",\"") + Text + "\"";
    return s + ")";
}

TRecordingCanvas::TRecordingCanvas(int width, int height) {
    bitmap_.SetSize(std::max(1, width), std::max(1, height));
    // Drawing goes into the bitmap's own context; calls made on that context directly (through
    // the handle) are recorded there.
    SetHandle(bitmap_.Canvas()->RawHandle());
    context_ = DeviceContext(RawHandle());
    if (context_)
        context_->OnCall = [this](const TDeviceContext& dc, const char* name,
                                  const std::vector<int>& args, const std::string& text) {
            RecordContextCall(dc, name, args, text);
        };
}

TRecordingCanvas::~TRecordingCanvas() {
    if (context_ && DeviceContext(context_)) context_->OnCall = nullptr;
    SetHandle(nullptr);
}

// A canvas call is recorded by its own name; the context calls it makes are not recorded again.
TRecordingCanvas::TInner::TInner(TRecordingCanvas* canvas)
    : context_(DeviceContext(canvas->context_)) {
    if (context_) ++context_->CallDepth;
}

TRecordingCanvas::TInner::~TInner() {
    if (context_) --context_->CallDepth;
}

void TRecordingCanvas::RecordContextCall(const TDeviceContext& dc, const char* name,
                                         const std::vector<int>& args, const std::string& text) {
    static constexpr TPenMode kModes[] = {pmBlack,      pmNotMerge,    pmMaskNotPen, pmNotCopy,
                                          pmMaskPenNot, pmNot,         pmXor,        pmNotMask,
                                          pmMask,       pmNotXor,      pmNop,        pmMergeNotPen,
                                          pmCopy,       pmMergePenNot, pmMerge,      pmWhite};
    const TDcState& s = dc.State;
    TCall c;
    c.Name = name;
    c.Args = args;
    c.Text = text;
    c.PenColor = static_cast<TColor>(s.Pen.lopnColor);
    c.PenWidth = s.Pen.lopnWidth.X;
    c.PenStyle = static_cast<TPenStyle>(s.Pen.lopnStyle);
    c.PenMode = s.Rop2 >= R2_BLACK && s.Rop2 <= R2_WHITE ? kModes[s.Rop2 - R2_BLACK] : pmCopy;
    c.BrushColor = static_cast<TColor>(s.Brush.lbColor);
    c.BrushStyle = s.Brush.lbStyle == BS_NULL ? bsClear
                   : s.Brush.lbStyle == BS_HATCHED
                       ? static_cast<TBrushStyle>(bsHorizontal + s.Brush.lbHatch)
                       : bsSolid;
    c.FontName = s.Font.lfFaceName;
    c.FontHeight = s.Font.lfHeight;
    c.FontColor = static_cast<TColor>(s.TextColor);
    if (s.Font.lfWeight >= FW_BOLD) c.FontStyle.Include(fsBold);
    if (s.Font.lfItalic) c.FontStyle.Include(fsItalic);
    if (s.Font.lfUnderline) c.FontStyle.Include(fsUnderline);
    if (s.Font.lfStrikeOut) c.FontStyle.Include(fsStrikeOut);
    c.FontEscapement = s.Font.lfEscapement;
    calls_.push_back(std::move(c));
}

std::vector<std::string> TRecordingCanvas::Log() const {
    std::vector<std::string> log;
    for (const TCall& c : calls_)
        log.push_back(c.ToString());
    return log;
}

void TRecordingCanvas::Record(const std::string& name, std::vector<int> args,
                              const std::string& text) {
    TCall c;
    c.Name = name;
    c.Args = std::move(args);
    c.Text = text;
    c.PenColor = Pen()->Color();
    c.PenWidth = Pen()->Width();
    c.PenStyle = Pen()->Style();
    c.PenMode = Pen()->Mode();
    c.BrushColor = Brush()->Color();
    c.BrushStyle = Brush()->Style();
    c.FontName = Font()->Name();
    c.FontHeight = Font()->Height();
    c.FontColor = Font()->Color();
    c.FontStyle = Font()->Style();
    c.FontEscapement = Font()->Escapement();
    calls_.push_back(std::move(c));
}

void TRecordingCanvas::MoveTo(int x, int y) {
    Record("MoveTo", {x, y});
    const TInner inner(this);
    TCanvas::MoveTo(x, y);
}

void TRecordingCanvas::LineTo(int x, int y) {
    Record("LineTo", {x, y});
    const TInner inner(this);
    TCanvas::LineTo(x, y);
}

void TRecordingCanvas::Rectangle(int x1, int y1, int x2, int y2) {
    Record("Rectangle", {x1, y1, x2, y2});
    const TInner inner(this);
    TCanvas::Rectangle(x1, y1, x2, y2);
}

void TRecordingCanvas::FillRect(const TRect& r) {
    Record("FillRect", RectArgs(r));
    const TInner inner(this);
    TCanvas::FillRect(r);
}

void TRecordingCanvas::FrameRect(const TRect& r) {
    Record("FrameRect", RectArgs(r));
    const TInner inner(this);
    TCanvas::FrameRect(r);
}

void TRecordingCanvas::Ellipse(int x1, int y1, int x2, int y2) {
    Record("Ellipse", {x1, y1, x2, y2});
    const TInner inner(this);
    TCanvas::Ellipse(x1, y1, x2, y2);
}

void TRecordingCanvas::RoundRect(int x1, int y1, int x2, int y2, int x3, int y3) {
    Record("RoundRect", {x1, y1, x2, y2, x3, y3});
    const TInner inner(this);
    TCanvas::RoundRect(x1, y1, x2, y2, x3, y3);
}

void TRecordingCanvas::Polygon(const std::vector<TPoint>& points) {
    Record("Polygon", PointArgs(points));
    const TInner inner(this);
    TCanvas::Polygon(points);
}

void TRecordingCanvas::Polyline(const std::vector<TPoint>& points) {
    Record("Polyline", PointArgs(points));
    const TInner inner(this);
    TCanvas::Polyline(points);
}

void TRecordingCanvas::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    Record("Arc", {x1, y1, x2, y2, x3, y3, x4, y4});
    const TInner inner(this);
    TCanvas::Arc(x1, y1, x2, y2, x3, y3, x4, y4);
}

void TRecordingCanvas::Chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    Record("Chord", {x1, y1, x2, y2, x3, y3, x4, y4});
    const TInner inner(this);
    TCanvas::Chord(x1, y1, x2, y2, x3, y3, x4, y4);
}

void TRecordingCanvas::Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    Record("Pie", {x1, y1, x2, y2, x3, y3, x4, y4});
    const TInner inner(this);
    TCanvas::Pie(x1, y1, x2, y2, x3, y3, x4, y4);
}

void TRecordingCanvas::FloodFill(int x, int y, TColor color, TFillStyle style) {
    Record("FloodFill", {x, y, color, static_cast<int>(style)});
    const TInner inner(this);
    TCanvas::FloodFill(x, y, color, style);
}

void TRecordingCanvas::DrawFocusRect(const TRect& r) {
    Record("DrawFocusRect", RectArgs(r));
    const TInner inner(this);
    TCanvas::DrawFocusRect(r);
}

void TRecordingCanvas::SetPixels(int x, int y, TColor color) {
    Record("SetPixels", {x, y, color});
    const TInner inner(this);
    TCanvas::SetPixels(x, y, color);
}

void TRecordingCanvas::TextOut(int x, int y, const std::string& text) {
    Record("TextOut", {x, y}, text);
    const TInner inner(this);
    TCanvas::TextOut(x, y, text);
}

void TRecordingCanvas::TextRect(const TRect& r, int x, int y, const std::string& text) {
    Record("TextRect", {r.Left, r.Top, r.Right, r.Bottom, x, y}, text);
    const TInner inner(this);
    TCanvas::TextRect(r, x, y, text);
}

void TRecordingCanvas::Draw(int x, int y, TGraphic* graphic) {
    Record("Draw", {x, y}, GraphicName(graphic));
    const TInner inner(this);
    TCanvas::Draw(x, y, graphic);
}

void TRecordingCanvas::StretchDraw(const TRect& r, TGraphic* graphic) {
    Record("StretchDraw", RectArgs(r), GraphicName(graphic));
    const TInner inner(this);
    TCanvas::StretchDraw(r, graphic);
}

void TRecordingCanvas::CopyRect(const TRect& dest, TCanvas* canvas, const TRect& source) {
    std::vector<int> args = RectArgs(dest);
    for (int v : RectArgs(source))
        args.push_back(v);
    Record("CopyRect", args);
    const TInner inner(this);
    TCanvas::CopyRect(dest, canvas, source);
}

void TRecordingCanvas::BrushCopy(const TRect& dest, TBitmap* bitmap, const TRect& source,
                                 TColor color) {
    std::vector<int> args = RectArgs(dest);
    for (int v : RectArgs(source))
        args.push_back(v);
    args.push_back(color);
    Record("BrushCopy", args, GraphicName(bitmap));
    const TInner inner(this);
    TCanvas::BrushCopy(dest, bitmap, source, color);
}
