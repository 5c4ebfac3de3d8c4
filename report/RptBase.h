// The abstract report producer every printed report is written through. A print handler calls
// its operations (fonts, tab stops, lines of text, positions, boxes) in user units; the report
// keeps every length in inches from the sheet's top-left corner, Y standing for the text
// baseline, and descendants turn the operations into output: canvas output on the printer, or a
// recorded report stream. This unit also holds the tab lists, the font record with its device
// font cache, the embedded format codes, page selection, the status text, the macros and the
// memo buffer a report prints word-wrapped.
#pragma once

#include "platform/gui/Controls.h"
#include "platform/gui/Graphics.h"
#include "platform/gui/WinSpool.h"
#include "platform/rtl/DateTime.h"
#include "report/RptDefine.h"

#include <array>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// The text whose width a recording keeps with each face, so a player can fit a font that renders
// wider than it did when recorded.
inline constexpr const char* FontSampleText =
    "abcdefg hijklmnop qrstuv wxyz ABCDEFG HIJKLMNOP QRSTUV WXYZ 0123456789";

// True for a font size a report can use: above 0 and at most 1000 points (well past a page's
// height). Other sizes are ignored when set, and refused when read from a recording.
bool UsableFontSize(double Points);

// The report's own description of its font (lengths in inches).
struct TReportFont {
    std::string Name = "Arial"; // at most 63 characters
    TColor Color = clBlack;
    Byte Pitch = 0; // 0 default, 1 variable, 2 fixed
    double Size = 10.0;
    double Height = 10.0 / 72.0;
    double Width = 0.0;
    double Ascent = 5.0 / 72.0;
    double Descent = 5.0 / 72.0;
    double ExternalLeading = 0.0;
    bool Bold = false;
    bool Underline = false;
    bool Italic = false;
    bool Strikeout = false;
    bool Subscript = false;
    bool Superscript = false;
    SmallInt Rotation = 0;
    Byte Align = 0; // 0 baseline, 1 top, other bottom
    SmallInt AvgWidth = 0;
    HFONT Handle = nullptr;
};

// A memo buffer: a text of lines ended by CR LF or LF, and the part of it to print, from the
// byte offset PrintStart up to (not including) PrintEnd. A new buffer prints the whole text.
struct TMemoBuf {
    TMemoBuf() = default;
    explicit TMemoBuf(std::string Value)
        : Text(std::move(Value)), PrintEnd(static_cast<LongInt>(Text.size())) {}
    std::string Text;
    LongInt PrintStart = 0;
    LongInt PrintEnd = 0;
};

class TBaseReport : public TRPBaseComponent {
    VANTREL_CLASS(TBaseReport, TRPBaseComponent)

    explicit TBaseReport(TComponent* AOwner);
    ~TBaseReport() override;

    // ---- Published properties
    int FirstPage() const { return firstPage_; }
    void SetFirstPage(int Value) { firstPage_ = Value; }
    int LastPage() const { return lastPage_; }
    void SetLastPage(int Value);
    TControl* StatusLabel() const { return statusLabel_; }
    void SetStatusLabel(TControl* Value);
    const std::string& StatusFormat() const { return statusFormat_; }
    void SetStatusFormat(const std::string& Value) { statusFormat_ = Value; }
    TStrings* StatusText() const { return statusText_.get(); }
    void SetStatusText(TStrings* Value) { statusText_->Assign(Value); }
    TLineHeightMethod LineHeightMethod() const { return lineHeightMethod_; }
    void SetLineHeightMethod(TLineHeightMethod Value) { lineHeightMethod_ = Value; }
    int LinesPerInch() const { return linesPerInch_; }
    void SetLinesPerInch(int Value);
    TPrintUnits Units() const { return units_; }
    void SetUnits(TPrintUnits Value);
    double UnitsFactor() const { return unitsFactor_; }
    void SetUnitsFactor(double Value);
    double MarginLeft() const { return marginLeft_; }
    void SetMarginLeft(double Value);
    double MarginRight() const { return marginRight_; }
    void SetMarginRight(double Value);
    double MarginTop() const { return marginTop_; }
    void SetMarginTop(double Value);
    double MarginBottom() const { return marginBottom_; }
    void SetMarginBottom(double Value);
    int TabShade() const { return tabShade_; }
    void SetTabShade(int Value);
    TColor TabColor() const { return tabColor_; }
    void SetTabColor(TColor Value) { tabColor_ = Value; }
    TColor ShadePenColor() const { return shadePenColor_; }
    void SetShadePenColor(TColor Value) { shadePenColor_ = Value; }
    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& Value) { title_ = Value.substr(0, 31); }
    TBKMode TextBKMode() const { return textBKMode_; }
    virtual void SetTextBKMode(TBKMode Value) { textBKMode_ = Value; }
    int Copies() const { return copies_; }
    void SetCopies(int Value);
    TOrientation Orientation() const { return orientation_; }
    virtual void SetOrientation(TOrientation Value);
    // Output scaling in percent; a scale not greater than 0 is ignored (nothing could be placed).
    double ScaleX() const { return scaleX_; }
    virtual void SetScaleX(double Value) {
        if (Value > 0.0) scaleX_ = Value;
    }
    double ScaleY() const { return scaleY_; }
    virtual void SetScaleY(double Value) {
        if (Value > 0.0) scaleY_ = Value;
    }

    TNotifyEvent OnPrint;
    TPrintPageEvent OnPrintPage;
    TNotifyEvent OnBeforePrint;
    TNotifyEvent OnAfterPrint;
    TNotifyEvent OnNewPage;
    TNotifyEvent OnNewColumn;
    TNotifyEvent OnPrintHeader;
    TNotifyEvent OnPrintFooter;
    TNotifyEvent OnEndOfSection;

    // ---- Job state
    bool Printing() const { return printing_; }
    bool Aborted() const { return aborted_; }
    int CurrentPage() const { return currentPage_; }
    int TotalPages() const { return totalPages_; }
    void SetTotalPages(int Value) { totalPages_ = Value; }
    bool PageSkipped() const { return pageSkip_; }
    int LineNum() const { return lineNum_; }
    int ColumnNum() const { return columnNum_; }
    int Columns() const { return columns_; }
    int XDPI() const { return xDPI_; }
    int YDPI() const { return yDPI_; }
    int Zoom() const { return zoom_; }
    TStrings* MacroData() const { return macroData_.get(); }
    const std::string& PageRange() const { return pageRange_; }
    Byte JustifyOverride() const { return justifyOverride_; }
    void SetJustifyOverride(Byte Value) { justifyOverride_ = Value; }
    TDateTime JobDateTime() const { return jobDateTime_; }

    // ---- Events as the report fires them
    virtual void DoPrint() { Fire(OnPrint); }
    virtual bool DoPrintPage();
    virtual void DoBeforePrint() { Fire(OnBeforePrint); }
    virtual void DoAfterPrint() { Fire(OnAfterPrint); }
    virtual void DoNewPage() { Fire(OnNewPage); }
    virtual void DoNewColumn() { Fire(OnNewColumn); }
    virtual void DoPrintHeader() { Fire(OnPrintHeader); }
    virtual void DoPrintFooter() { Fire(OnPrintFooter); }
    virtual void DoEndOfSection() { Fire(OnEndOfSection); }

    // ---- The output canvas and its font
    virtual void FontChanged(TObject* Sender);
    virtual void AttachFontNotify();
    virtual void DetachFontNotify();
    // 0 canvas output, 1 preview, 2 report-stream recording.
    virtual Byte OutputKind() const { return okCanvas; }
    // The canvas output goes to; raises "Error!  Canvas not yet active." outside a document.
    virtual TCanvas* GetCanvas();

    // ---- Output operations (texts at X in inches on the current line; others in user units,
    // rectangles and point lists in device pixels)
    virtual void CenterText(const std::string& Text, double X) = 0;
    virtual void LeftText(const std::string& Text, double X) = 0;
    virtual void RightText(const std::string& Text, double X) = 0;
    virtual void BlockText(const std::string& Text, double X, double Width) = 0;
    virtual void SetBKColor(TColor Color);
    TColor GetBKColor();
    virtual void TabRectangle(double X1, double Y1, double X2, double Y2) = 0;
    virtual void Arc(double X1, double Y1, double X2, double Y2, double X3, double Y3, double X4,
                     double Y4) = 0;
    virtual void BrushCopy(const TRect& Dest, TBitmap* Bitmap, const TRect& Source,
                           TColor Color) = 0;
    virtual void Chord(double X1, double Y1, double X2, double Y2, double X3, double Y3, double X4,
                       double Y4) = 0;
    virtual void CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source) = 0;
    virtual void Draw(double X, double Y, TGraphic* Graphic) = 0;
    virtual void DrawFocusRect(const TRect& Rect) = 0;
    virtual void Ellipse(double X1, double Y1, double X2, double Y2) = 0;
    virtual void FillRect(const TRect& Rect) = 0;
    virtual void FloodFill(double X, double Y, TColor Color, TFillStyle FillStyle) = 0;
    virtual void FrameRect(const TRect& Rect) = 0;
    virtual void LineTo(double X, double Y) = 0;
    virtual void MoveTo(double X, double Y) = 0;
    virtual void Pie(double X1, double Y1, double X2, double Y2, double X3, double Y3, double X4,
                     double Y4) = 0;
    virtual void Polygon(const std::vector<TPoint>& Points) = 0;
    virtual void Polyline(const std::vector<TPoint>& Points) = 0;
    virtual void PrintBitmap(double X, double Y, double ScaleX, double ScaleY, TBitmap* Bitmap) = 0;
    virtual void PrintBitmapRect(double X1, double Y1, double X2, double Y2, TBitmap* Bitmap) = 0;
    virtual void Rectangle(double X1, double Y1, double X2, double Y2) = 0;
    virtual void RoundRect(double X1, double Y1, double X2, double Y2, double X3, double Y3) = 0;
    virtual void StretchDraw(const TRect& Rect, TGraphic* Graphic) = 0;
    virtual void TextRect(const TRect& Rect, double X, double Y, const std::string& Text) = 0;
    virtual void PrintData(const std::string& Value) = 0;
    // Count bytes from the stream's position; 0: up to its end.
    virtual void PrintDataStream(TStream& Stream, LongInt Count) = 0;

    // ---- Output filter and graphics registry
    virtual void OutputToPreviewOnly();
    virtual void OutputToPrinterOnly();
    virtual void OutputToAll();
    Byte OutputMask() const { return outputMask_; }
    virtual void UnregisterGraphic(int Index);
    virtual void RegisterGraphic(int Index);
    virtual void ReuseGraphic(int Index);

    // ---- Jobs and pages
    virtual void StartJob() = 0;
    virtual void FinishJob() = 0;
    // The print loop: StartJob, the print handler(s), FinishJob.
    void Execute();
    virtual void NewPage();
    virtual void AfterLine() {}
    virtual void CancelPage();
    // Sets Aborted and suppresses the current page; later output raises the silent abort.
    void Abort();
    virtual bool SelectBin(const std::string& BinName);
    virtual void UpdateLineHeight();

    // ---- Tabs
    void SetTab(double Position, Byte Justification, double Width, double Margin, Byte Lines,
                Byte Shade);
    void ClearTabs();
    bool SaveTabs(int Index);
    bool RestoreTabs(int Index);
    bool PushTabs();
    bool PopTabs();
    void ResetTabs();
    TTab* GetTab(int Index) const;
    double TabWidth(int Index) const;
    virtual void TabBox(int LeftWidth, int RightWidth, int TopWidth, int BottomWidth, int Shade);
    // Prints the part of the memo from PrintStart to PrintEnd (an end past the text stops at
    // its end) a line at a time at the left of the current column, from the current line on:
    // words wrap at the column's right edge (a word wider than the column is cut there), each
    // line ends with NewLine, and a new page is started first when the current line lies below
    // the section's bottom.
    // Lines, when above 0, is the most lines printed; PrintStart is left where printing stopped,
    // so a further call goes on from there. Requires printing; an end not greater than the start
    // raises "TMemoBuf.PrintEnd must be greater than TMemoBuf.PrintStart".
    virtual void PrintMemo(TMemoBuf& MemoBuf, int Lines = 0);
    virtual void PrintTab(const std::string& Text);

    // ---- Drawing state
    virtual void SetBrush(TColor Color, TBrushStyle Style, TBitmap* Bitmap);
    // A negative width is in user units (at least one pixel), a positive one in pixels.
    virtual void SetPen(TColor Color, TPenStyle Style, int Width, TPenMode Mode);

    // ---- Fonts (a size that is not positive or is beyond 1000 points is ignored)
    virtual void SetFont(const std::string& Name, double Size);
    void SetBold(bool Value);
    void SetUnderline(bool Value);
    void SetItalic(bool Value);
    void SetStrikeout(bool Value);
    void SetSuperscript(bool Value);
    void SetSubscript(bool Value);
    void SetFontRotation(int Degrees);
    void SetFontColor(TColor Color);
    void SetFontName(const std::string& Name);
    void SetFontPitch(Byte Pitch);
    void SetFontSize(double Points);
    void SetFontHeight(double Height);
    void SetFontAlign(Byte Align) { font_.Align = Align; }
    const std::string& GetFontName() const { return font_.Name; }
    double GetFontSize() const { return font_.Size; }
    double GetFontHeight() const { return font_.Height; }
    const TReportFont& FontRecord() const { return font_; }
    void PushFont();
    bool PopFont();
    bool SaveFont(int Index);
    bool RestoreFont(int Index);
    // Printed width in user units (format codes allowed); requires printing.
    double TextWidth(const std::string& Text);
    // A width of device pixels as a printed width in user units.
    double PixelsWidth(int Pixels) const { return Pixels * scaleX_ / (xDPI_ * 100.0) * unitsFactor_; }
    // The realised device font of the font record (made or taken from the cache).
    HFONT DeviceFont();
    // Width of plain text in device pixels with the device font (0 for no text).
    int TextPixels(const std::string& Text);
    // Width of FontSampleText in the font (neither sub- nor superscript), in inches at 100
    // percent: what a recording keeps so a player can fit a font that renders wider. Kept per
    // face, device resolution and zoom, so each face is measured once.
    double FontSampleWidth();
    // Frees the device font cache with its fonts.
    void ClearFontCache();

    // ---- Page selection, status and macros
    bool PageSelected(int Page) const { return firstPage_ <= Page && Page <= lastPage_; }
    void UpdateStatus();
    std::string MacroValue(int Id);
    std::string Macro(int Id);
    void ExpandMacros(std::string& Text);

    // ---- Page callbacks
    void AddPageStartCallback(const TReportCallback& Callback);
    void AddPageEndCallback(const TReportCallback& Callback);

    // ---- Cursor, lines, columns, sections (user units)
    void SetLine(int LineNumber);
    void SetColumn(int ColumnNumber);
    // Splits the section into equal columns (at least one).
    void SetColumns(int Count);
    void ClearColumns();
    void Home();
    void NewLine();
    int LinesLeft();
    void GotoSectionBottom();
    double XPos() const { return XI2U(curX_); }
    void SetXPos(double Value) { curX_ = XU2I(Value); }
    double YPos() const { return YI2U(curY_); }
    void SetYPos(double Value);
    double LineTop() const { return YI2U(curY_ + descent_ - lineHeight_); }
    void SetLineTop(double Value);
    double LineBottom() const { return YI2U(curY_ + descent_); }
    double TextTop() const { return YI2U(curY_ - ascent_); }
    double LineHeight() const { return YI2U(lineHeight_); }
    double SectionLeft() const { return XI2U(sectionLeft_); }
    void SetSectionLeft(double Value);
    double SectionRight() const { return XI2U(sectionRight_); }
    void SetSectionRight(double Value);
    double SectionTop() const { return YI2U(sectionTop_); }
    void SetSectionTop(double Value);
    double SectionBottom() const { return YI2U(sectionBottom_); }
    void SetSectionBottom(double Value);
    double PageWidth() const;
    double PageHeight() const;
    double OriginX() const { return XI2U(originX_); }
    void SetOriginX(double Value) { originX_ = XU2I(Value); }
    double OriginY() const { return YI2U(originY_); }
    void SetOriginY(double Value) { originY_ = YU2I(Value); }
    void PushPos();
    bool PopPos();

    // ---- Text at positions (user units)
    void PrintLeft(const std::string& Text, double X);
    void PrintCenter(const std::string& Text, double X);
    void PrintRight(const std::string& Text, double X);
    void PrintBlock(const std::string& Text, double X, double Width);
    void Print(const std::string& Text);
    void PrintLn(const std::string& Text);
    // Text at X (inches) by kind 0 centre, 1 left, 2 right, 3 block, within Margin and Width.
    void PrintJustify(const std::string& Text, Byte Kind, double X, double Margin, double Width);

    // ---- Printer
    // The file each document of this report is printed to instead of the printer (empty: the
    // printer). The device is given it as a document starts (ignored without a printer).
    void SetOutputFileName(const std::string& Value);
    const std::string& OutputFileName() const { return outputFileName_; }
    DEVMODE* GetDevMode();
    virtual std::string GetDeviceName();
    virtual std::string GetDriverName();
    virtual std::string GetPort();
    int GetDuplex();
    void SetDuplex(int Value);
    bool GetCollate();
    void SetCollate(bool Value);

    // ---- Conversions: user units, inches (sheet corner) and device pixels
    double XU2I(double X) const { return X / unitsFactor_; }
    double YU2I(double Y) const { return Y / unitsFactor_; }
    double XI2U(double X) const { return X * unitsFactor_; }
    double YI2U(double Y) const { return Y * unitsFactor_; }
    int XI2D(double X) const;
    int YI2D(double Y) const;
    double XD2I(int X) const;
    double YD2I(int Y) const;
    int XU2D(double X) const { return XI2D(XU2I(X)); }
    int YU2D(double Y) const { return YI2D(YU2I(Y)); }
    double XD2U(int X) const { return XI2U(XD2I(X)); }
    double YD2U(int Y) const { return YI2U(YD2I(Y)); }

    void Notification(TComponent* AComponent, TOperation Operation) override;

protected:
    void AssignTo(TPersistent* Dest) override;
    // Calls an event through a copy, so a handler may replace the event while it runs.
    void Fire(const TNotifyEvent& Event);

    // Raises unless a job runs (the silent abort once it was aborted).
    void CheckPrinting() const;
    void CheckNotPrinting() const;
    // True when output of this report is suppressed on the current page.
    bool NoPrint() const;
    bool PrinterInstalled() const;
    // Device metrics, margins and sections for a new job.
    void PrepareJob();
    void ReadDeviceMetrics();
    // Brush, pen, origin, columns, tabs, sections and cursor at a job's start.
    void ResetJob();
    void RunPageStart();
    void RunPageEnd();
    // Moves the X cursor after text of Width user units was output at X (inches).
    void AdvanceX(double Width);
    // Text at the cursor: into the pending tab stop, else left-justified at X.
    void PrintAtCursor(const std::string& Text);
    // Offers a line to merging; true when merging took it.
    bool MergeLine(double X, double Y);
    void MoveLineCursor(double X, double Y) {
        lastLineX_ = XU2I(X) + originX_;
        lastLineY_ = YU2I(Y) + originY_;
    }
    // Draws the merged lines of the page and empties the lists.
    void FlushLines();
    // Writes the whole font record into the canvas font without reading it back; while the font
    // is held, only notes that it is to be written.
    void ApplyFont();
    // While held, the font setters change the font record only (text is drawn with the record's
    // device font); ReleaseFont writes the canvas font once for all of them.
    void HoldFont() { fontHeld_ = true; }
    void ReleaseFont();
    int FontPixels(double Height) const;
    // A length in user units as device pixels across.
    int XU2DLength(double Width) const;
    int YU2DLength(double Height) const;
    int PenWidthPixels(int Width) const;
    double ColumnLeft() const { return (columnNum_ - 1) * columnWidth_ + sectionLeft_; }

    // Page geometry of the device (inches) and resolution.
    double leftWaste_ = 0.0, rightWaste_ = 0.0, topWaste_ = 0.0, bottomWaste_ = 0.0;
    int xDPI_ = 300;
    int yDPI_ = 300;
    // Margin edges and section edges (inches from the sheet's corner).
    double marginLeftEdge_ = 0.0, marginRightEdge_ = 8.5, marginTopEdge_ = 0.0,
           marginBottomEdge_ = 11.0;
    double sectionLeft_ = 0.0, sectionRight_ = 8.5, sectionTop_ = 0.0, sectionBottom_ = 11.0;
    // Cursor (inches; Y is the baseline).
    double curX_ = 0.0, curY_ = 0.0;
    double columnWidth_ = 0.0;
    double ascent_ = 5.0 / 72.0, descent_ = 5.0 / 72.0, lineHeight_ = 1.0 / 6.0;
    double originX_ = 0.0, originY_ = 0.0;
    int devOffsetX_ = 0, devOffsetY_ = 0;
    int zoom_ = 100;
    bool printing_ = false;
    bool aborted_ = false;
    bool pageSkip_ = false;
    int currentPage_ = 0;
    int totalPages_ = 9999;
    TDateTime jobDateTime_ = 0.0;
    TReportFont font_;
    bool fontDirty_ = true;
    bool updatingFont_ = false;
    bool fontHeld_ = false;
    bool fontUnapplied_ = false;
    bool drawLinesDirect_ = false;
    // The last pen position of line merging (inches from the corner, origin included).
    double lastLineX_ = 0.0, lastLineY_ = 0.0;

private:
    struct TSampleWidth {
        std::string Name;
        Byte Pitch;
        double Height;
        bool Bold, Italic;
        int Zoom, XDPI;
        double Width;
    };
    struct TFontCacheEntry {
        TReportFont Font;
        int Zoom;
        int XDPI;
        int YDPI;
    };
    void ReleaseTabs(TTab* Head);
    TTab* TabTail() const;
    // Moves to the next stop; false when there is none (tab pending cleared).
    bool NextTab();
    void DrawTabBox(TTab* Tab, double X, int LeftWidth, int RightWidth, int TopWidth,
                    int BottomWidth, int Shade);
    void ShadeTab(double X1, double Y1, double X2, double Y2, int Shade);
    void TabSide(bool Flag, int Width, double X1, double Y1, double X2, double Y2);
    void AddSegment(std::vector<TLineSegment>& List, TLineSegment Segment);
    bool FindCachedFont();
    void CreateDeviceFont();
    void SetStyle(bool TReportFont::*Field, bool Value);
    // Printed width of text (format codes allowed) in device pixels, at least 1.
    int PrintedPixels(const std::string& Text);
    // How many characters of Text from Start (up to End, a line's end) the next memo line takes.
    std::size_t MemoLineLength(const std::string& Text, std::size_t Start, std::size_t End);
    void PageBreak();

    int firstPage_ = 1;
    int lastPage_ = 9999;
    std::string pageRange_;
    TControl* statusLabel_ = nullptr;
    std::string statusFormat_ = "Printing page %p";
    std::unique_ptr<TStringList> statusText_;
    TLineHeightMethod lineHeightMethod_ = lhmLinesPerInch;
    int linesPerInch_ = 6;
    TPrintUnits units_ = unInch;
    double unitsFactor_ = 1.0;
    double marginLeft_ = 0.0, marginRight_ = 0.0, marginTop_ = 0.0, marginBottom_ = 0.0;
    int tabShade_ = 0;
    TColor tabColor_ = clBlack;
    TColor shadePenColor_ = clBlack;
    std::string title_ = "ReportWriter Report";
    TBKMode textBKMode_ = bkTransparent;
    int copies_ = 1;
    TOrientation orientation_ = TOrientation::poPortrait;
    double scaleX_ = 100.0, scaleY_ = 100.0;
    double pageWidth_ = 8.5, pageHeight_ = 11.0;
    std::string outputFileName_;

    int lineNum_ = 1;
    int columnNum_ = 1;
    int columns_ = 1;
    Byte justifyOverride_ = pjNone;
    Byte outputMask_ = 0x0F;

    TTab* tabHead_ = nullptr;
    std::array<TTab*, 10> savedTabs_{};
    std::vector<TTab*> tabStack_;
    TTab* curTab_ = nullptr;
    bool tabPending_ = false;
    bool firstTabPending_ = false;

    std::vector<std::pair<double, double>> posStack_;
    std::array<TReportFont, 10> savedFonts_{};
    std::vector<TReportFont> fontStack_;
    std::vector<TFontCacheEntry> fontCache_;
    std::vector<TSampleWidth> sampleWidths_;
    TNotifyEvent previousFontChange_;
    TCanvas* notifyCanvas_ = nullptr;

    std::unique_ptr<TStringList> macroData_;
    std::vector<TReportCallback> pageStartCallbacks_;
    std::vector<TReportCallback> pageEndCallbacks_;
    std::vector<TLineSegment> hLines_;
    std::vector<TLineSegment> vLines_;
};

// ---- Embedded format codes

// Reads the next code of a block at Pos (1-based, just after RPTF_PREFIX or a separator);
// Letter is a blank at the end of the text.
void NextCode(const std::string& Text, int& Pos, char& Letter, std::string& Argument);
// Collects plain text up to the next code block, or that block when the text at Pos starts
// with one (Codes then holds the block without its prefix and suffix).
void NextSegment(const std::string& Text, int& Pos, std::string& Plain, std::string& Codes);
void ApplyCodes(TBaseReport* Report, const std::string& Codes);
void PrintSegment(TBaseReport* Report, const std::string& Text, int& Pos, std::string& Plain);
// Printed width of text with codes in device pixels (at least 1).
int CodesWidth(TBaseReport* Report, const std::string& Text);
bool HasCodes(const std::string& Text);
