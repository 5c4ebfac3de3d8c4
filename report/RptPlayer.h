// The report stream player: reads a recording made by TReportFiler and replays its operations
// page by page on a canvas report, to the printer here and into a page bitmap in the preview
// (TFilePreview). Its user units are inches, so the recorded values are its positions, and it
// draws lines as recorded. The printer settings of the recording (orientation, bin, copies,
// collation, duplex, paper) are put on the printer before the job starts. The output file the
// recording names is not followed: the job goes to the file the caller named on the player
// (SetOutputFileName), else to the printer, so printing a recording from elsewhere never
// writes a file the user did not choose.
// A recording is untrusted input: every code, count, size, position and page link is checked
// before use; a stream that is not sound fails with "Unexpected code found in report file."
// and the print job is abandoned, so nothing of it prints.
#pragma once

#include "report/RptCanvas.h"
#include "report/RptFiler.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// The step, in device pixels, by which a font that renders wider than recorded is made smaller.
inline constexpr double FontFitStep = 1.1;

// Fitting a font to the sample width recorded with it: the number of FontFitStep-pixel steps by
// which a font HeightPixels high is made smaller so that its sample, WidthAt(steps) inches, is no
// wider than Sample. None when it fits as it is, or when the first step makes it no narrower (a
// face that does not scale); the most steps that leave one pixel when none fits. The widths grow
// with the height, nearly in proportion: the fewest steps that fit are found from the step that
// proportion gives, then by halving, so a fit measures four or five widths and never more than
// 5 + log2(HeightPixels), whatever the recording holds.
int FontFitSteps(double HeightPixels, double Sample, const std::function<double(int)>& WidthAt);

class TMemoryStream;

class TFilePrinter : public TCanvasReport {
    VANTREL_CLASS(TFilePrinter, TCanvasReport)

    explicit TFilePrinter(TComponent* AOwner);
    ~TFilePrinter() override;

    // ---- Published properties
    const std::string& FileName() const { return fileName_; }
    void SetFileName(const std::string& Value) { fileName_ = Value; }
    TStreamMode StreamMode() const { return streamMode_; }
    void SetStreamMode(TStreamMode Value) { streamMode_ = Value; }
    // The caller's stream for smUser (not owned).
    TStream* Stream() const { return userStream_; }
    void SetStream(TStream* Value) { userStream_ = Value; }

    // Prints pages FirstPage to LastPage (0: from the first, to the last) of the recording with
    // Copies copies (0: as recorded). Pages outside the report's page selection are read but not
    // printed. No printer: the message "No printers are defined, aborting print job.".
    void ExecuteCustom(int FirstPage, int LastPage, int Copies);
    void Execute() { ExecuteCustom(0, 0, 0); }
    void StartJob() override { ExecuteCustom(0, 0, 0); }
    void FinishJob() override {}

    // Positions the input on the record of page PageNum by walking the page links; a page not in
    // the recording leaves it on the nearest page in that direction.
    virtual void GotoPage(int PageNum);
    // GotoPage, then replays the page's operations up to its end.
    virtual void PlayPage(int PageNum);

protected:
    // Loads the recording (a caller's memory stream is read in place and must not change while
    // it plays); on failure shows "Error initializing input stream" with the file
    // name and returns false.
    bool OpenInput();
    void CloseInput();
    bool InputOpen() const { return inputOpen_; }
    // Reads the header: title, page count, printer settings.
    void ReadHeader();
    // Before the first page: no page read yet, the first page record after the header.
    void ResetPagePosition();
    bool HasPrevPage() const { return prevPos_ != 0; }
    bool HasNextPage() const { return nextPos_ != 0; }
    // True once a page record has been read (a recording may hold no page at all).
    bool OnPage() const { return pageStart_ != 0; }
    double RecordedPageWidth() const { return pageWidthIn_; }
    double RecordedPageHeight() const { return pageHeightIn_; }
    // Ends the job on the printer (abandoned when aborted).
    void EndPlayback();

private:
    void PlayPages(int First, int Last);
    void ApplyPrinterSettings();
    void ReadPageRecord();
    // The pages the stream holds, counted along their links.
    int CountPageRecords();
    void PlayCode(Byte Code);
    void PlayFont(Byte Code);
    void PlayBrushPen(Byte Code);
    void PlayShape(Byte Code);
    void PlayText(Byte Code);
    void FitFont(double Height, double Sample);
    // A recorded font height (inches) as the height the recording meant; a height no report's
    // font has (not positive, or beyond 1000 points) is damage.
    double ReadFontHeight();
    // A recorded pen width (inches) in pixels of this device at its scale and zoom.
    int PenPixels(double Width) const;
    // Marks the job aborted and raises "Unexpected code found in report file.".
    [[noreturn]] void BadStream();

    // ---- Reading (a short stream raises the stream's read error)
    void Need(Int64 Count);
    Byte ReadByte();
    int ReadWord();
    LongInt ReadLong();
    double ReadReal();
    // A page's width or height: above 0 and no larger than the largest paper.
    double ReadPageLength();
    std::string ReadRawText();
    std::string ReadText();
    void ReadPoint(double& X, double& Y);
    TPoint ReadDevicePoint();
    TRect ReadRect();
    bool ReadFlag();
    // A recorded graphic (nullptr for a kind no class exists for; its data is skipped). A graphic
    // read before from the same place is handed out again, not read anew.
    std::shared_ptr<TGraphic> ReadGraphic();
    std::shared_ptr<TBitmap> ReadBitmap();
    std::shared_ptr<TGraphic> CachedGraphic(Int64 Position, Byte Kind);
    void KeepGraphic(Int64 Position, Byte Kind, std::shared_ptr<TGraphic> Graphic, Int64 Size);

    std::string fileName_;
    TStreamMode streamMode_ = smMemory;
    TStream* userStream_ = nullptr;
    // The recording: the caller's memory stream itself, or a copy of the file or stream read.
    std::unique_ptr<TMemoryStream> input_;
    bool inputOpen_ = false;
    const Byte* data_ = nullptr;
    Int64 size_ = 0;
    Int64 pos_ = 0;
    Int64 headerEnd_ = 0;
    Int64 pageStart_ = 0;
    Int64 prevPos_ = 0;
    Int64 nextPos_ = 0;
    int version_ = ReportStreamVersion;
    double pageWidthIn_ = 8.5;
    double pageHeightIn_ = 11.0;
    Byte bitmapMode_ = 0;
    // Graphics read from the input, by the position of their size, most recently used last.
    struct TReadGraphic {
        Int64 Position;
        Byte Kind;
        std::shared_ptr<TGraphic> Graphic;
        Int64 Size;
    };
    std::vector<TReadGraphic> graphics_;
    Int64 graphicBytes_ = 0;
    // A font height was read: the font is fitted to its sample width before the next drawing.
    bool fitPending_ = false;
    double fitSample_ = 0.0;
};
