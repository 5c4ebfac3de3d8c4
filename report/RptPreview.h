// The report stream preview: a player whose canvas is a page bitmap at the screen's resolution
// and a zoom of 10 to 200 percent, shown in an image inside the scroll box the application
// gives it. Around the page it draws an optional margin, rulers in inches or centimetres, a
// grid and a drop shadow; it moves between pages along the recording's page links and fits the
// zoom to the page's width or to the whole page. What a page shows is the recording played as
// the printer plays it, at the screen's resolution.
#pragma once

#include "report/RptPlayer.h"

#include <memory>

class TScrollBox;
class TImage;

enum TMarginMethod { mmScaled, mmFixed };
enum TRulerType { rtNone, rtHorizCm, rtVertCm, rtBothCm, rtHorizIn, rtVertIn, rtBothIn };

inline constexpr const char* Trans_ScrollBoxMissing =
    "ScrollBox must be assigned for FilePreview component";
constexpr double MinZoom = 10.0;
constexpr double MaxZoom = 200.0;
// Monochrome pages and shadows exclude each other: each check shows the message (two lines)
// and returns false when the new setting is refused.
bool MonochromeAllowed(int ShadowDepth);
bool ShadowAllowed(bool Monochrome);

class TFilePreview : public TFilePrinter {
    VANTREL_CLASS(TFilePreview, TFilePrinter)

    explicit TFilePreview(TComponent* AOwner);
    ~TFilePreview() override;

    // ---- Published properties
    TScrollBox* ScrollBox() const { return scrollBox_; }
    void SetScrollBox(TScrollBox* Value);
    int ZoomInc() const { return zoomInc_; }
    void SetZoomInc(int Value) { zoomInc_ = Value; }
    // Percent. At or below -1.9 fits the page width, up to 0 the whole page; else 10..200.
    // Fires OnZoomChange; without a handler a running preview draws the page again.
    double ZoomFactor() const { return zoomFactor_; }
    void SetZoomFactor(double Value);
    bool Monochrome() const { return monochrome_; }
    void SetMonochrome(bool Value);
    TMarginMethod MarginMethod() const { return marginMethod_; }
    void SetMarginMethod(TMarginMethod Value) { marginMethod_ = Value; }
    double MarginPercent() const { return marginPercent_; }
    void SetMarginPercent(double Value) { marginPercent_ = Value; }
    TRulerType RulerType() const { return rulerType_; }
    void SetRulerType(TRulerType Value) { rulerType_ = Value; }
    TPen* GridPen() const { return gridPen_.get(); }
    void SetGridPen(TPen* Value) { gridPen_->Assign(Value); }
    double GridHoriz() const { return gridHoriz_; }
    void SetGridHoriz(double Value) { gridHoriz_ = Value; }
    double GridVert() const { return gridVert_; }
    void SetGridVert(double Value) { gridVert_ = Value; }
    int ShadowDepth() const { return shadowDepth_; }
    void SetShadowDepth(int Value);
    int PagesWide() const { return pagesWide_; }
    void SetPagesWide(int Value) { pagesWide_ = Value; }
    int PagesHigh() const { return pagesHigh_; }
    void SetPagesHigh(int Value) { pagesHigh_ = Value; }
    int PageInc() const { return pageInc_; }
    void SetPageInc(int Value) { pageInc_ = Value; }
    TNotifyEvent OnZoomChange;
    TNotifyEvent OnPageChange;

    Byte OutputKind() const override { return okPreview; }
    // The page bitmap's canvas.
    TCanvas* GetCanvas() override;

    // Starts the preview and shows page 1 (nothing when it runs already).
    void Execute() { StartJob(); }
    void StartJob() override;
    void FinishJob() override;
    void PlayPage(int PageNum) override;
    void PrevPage();
    void NextPage();
    void RedrawPage() { PlayPage(CurrentPage()); }
    void ZoomIn() { SetZoomFactor(zoomFactor_ + zoomInc_); }
    void ZoomOut() { SetZoomFactor(zoomFactor_ - zoomInc_); }
    // The zoom (percent) that fits the page's width, or the whole page, into the scroll box.
    double ZoomPageWidthFactor();
    double ZoomPageFactor();
    // The page bitmap as last drawn (nullptr when not running).
    TBitmap* PageBitmap() const { return bitmap_.get(); }
    TImage* PageImage() const { return image_; }

    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void MeasureScrollBox();
    int LeftRuler() const;
    int TopRuler() const;
    int Margin() const;
    void DrawFrame(TCanvas* Canvas, int Width, int Height);
    void DrawRulers(TCanvas* Canvas, int Width, int Height);
    void DrawRulerTicks(TCanvas* Canvas, bool Top, bool Inches, int Length);
    void DrawGrid(TCanvas* Canvas, int Width, int Height);

    TScrollBox* scrollBox_ = nullptr;
    int zoomInc_ = 10;
    double zoomFactor_ = 100.0;
    bool monochrome_ = false;
    TMarginMethod marginMethod_ = mmFixed;
    double marginPercent_ = 0.0;
    TRulerType rulerType_ = rtNone;
    std::unique_ptr<TPen> gridPen_;
    double gridHoriz_ = 0.0;
    double gridVert_ = 0.0;
    int shadowDepth_ = 0;
    int pagesWide_ = 1;
    int pagesHigh_ = 1;
    int pageInc_ = 1;

    std::unique_ptr<TBitmap> bitmap_;
    TImage* image_ = nullptr;
    int vertBarWidth_ = 0;
    int borderWidth_ = 0;
    int borderHeight_ = 0;
};
