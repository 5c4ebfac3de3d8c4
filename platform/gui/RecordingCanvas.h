// A canvas for tests: it records each drawing call with its arguments and the pen, brush and
// font in effect, so a test can check a component's strokes without looking at pixels. The
// calls also reach a bitmap of the size given (1 x 1 by default), so text is measured and the
// pen position kept as on any canvas. Calls of the canvas are recorded by their canvas names
// ("TextOut", "Rectangle"); calls a component makes on the canvas's handle are recorded by
// their device-context names ("DrawText", "DrawEdge", "ExtTextOut", "MoveToEx", ...) with the
// arguments as passed and the pen, brush, font and text colour selected into the context.
#pragma once

#include "platform/gui/Graphics.h"

struct TDeviceContext;

#include <string>
#include <vector>

class TRecordingCanvas : public TCanvas {
    VANTREL_CLASS(TRecordingCanvas, TCanvas)

    struct TCall {
        std::string Name;
        std::vector<int> Args;
        std::string Text; // text drawn, or the class of a graphic drawn
        TColor PenColor = clBlack;
        int PenWidth = 1;
        TPenStyle PenStyle = psSolid;
        TPenMode PenMode = pmCopy;
        TColor BrushColor = clWhite;
        TBrushStyle BrushStyle = bsSolid;
        std::string FontName;
        int FontHeight = 0;
        TColor FontColor = clBlack;
        TFontStyles FontStyle;
        int FontEscapement = 0;
        // "Name(arg,arg,...)" with the text in quotes after the numbers, if any.
        std::string ToString() const;
    };

    explicit TRecordingCanvas(int width = 1, int height = 1);
    ~TRecordingCanvas() override;

    const std::vector<TCall>& Calls() const { return calls_; }
    // The calls as ToString gives them.
    std::vector<std::string> Log() const;
    void ClearCalls() { calls_.clear(); }
    // The bitmap the calls also draw on.
    TBitmap* Bitmap() { return &bitmap_; }

    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void Rectangle(int x1, int y1, int x2, int y2) override;
    void FillRect(const TRect& r) override;
    void FrameRect(const TRect& r) override;
    void Ellipse(int x1, int y1, int x2, int y2) override;
    void RoundRect(int x1, int y1, int x2, int y2, int x3, int y3) override;
    void Polygon(const std::vector<TPoint>& points) override;
    void Polyline(const std::vector<TPoint>& points) override;
    void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) override;
    void Chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) override;
    void Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) override;
    void FloodFill(int x, int y, TColor color, TFillStyle style) override;
    void DrawFocusRect(const TRect& r) override;
    void SetPixels(int x, int y, TColor color) override;
    void TextOut(int x, int y, const std::string& text) override;
    void TextRect(const TRect& r, int x, int y, const std::string& text) override;
    void Draw(int x, int y, TGraphic* graphic) override;
    void StretchDraw(const TRect& r, TGraphic* graphic) override;
    void CopyRect(const TRect& dest, TCanvas* canvas, const TRect& source) override;
    void BrushCopy(const TRect& dest, TBitmap* bitmap, const TRect& source, TColor color) override;

private:
    // Marks the context calls made while a canvas call runs, so they are not recorded twice.
    class TInner {
    public:
        explicit TInner(TRecordingCanvas* canvas);
        ~TInner();
        TInner(const TInner&) = delete;
        TInner& operator=(const TInner&) = delete;

    private:
        TDeviceContext* context_;
    };
    void Record(const std::string& name, std::vector<int> args, const std::string& text = {});
    void RecordContextCall(const TDeviceContext& dc, const char* name, const std::vector<int>& args,
                           const std::string& text);
    TBitmap bitmap_;
    TDeviceContext* context_ = nullptr;
    std::vector<TCall> calls_;
};
