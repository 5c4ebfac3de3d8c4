// The report recorder: a report whose operations, instead of drawing, are written as a report
// stream (see report/STREAM.md) that TFilePrinter plays to the printer and TFilePreview to the
// screen. The stream is a header, then the recorded pages, each a page record with the full
// drawing state and its operations, doubly linked by stream positions; every length is a
// single-precision number of inches from the sheet's corner, every value little-endian.
// Writes go through a 16 KB buffer; the page links and the header's page count are patched in
// place. State is recorded only when it changed (in full at each page start). Every page is
// recorded: the page range is applied once, by the player. This unit also holds the stream's
// codes and the byte values it stores for pens, brushes and fills.
#pragma once

#include "report/RptBase.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TStream;

enum TStreamMode { smMemory, smFile, smUser, smTempFile };
enum TAccuracyMethod { amPositioning, amAppearance };

// ---- Stream codes

constexpr Byte rpcArc = 1;
constexpr Byte rpcBrushCopy = 2;
constexpr Byte rpcChord = 3;
constexpr Byte rpcCopyRect = 4; // reserved: never written, refused by readers
constexpr Byte rpcDraw = 5;
constexpr Byte rpcDrawFocusRect = 6;
constexpr Byte rpcEllipse = 7;
constexpr Byte rpcFillRect = 8;
constexpr Byte rpcFloodFill = 9;
constexpr Byte rpcFrameRect = 10;
constexpr Byte rpcLineTo = 11;
constexpr Byte rpcMoveTo = 12;
constexpr Byte rpcPie = 13;
constexpr Byte rpcPolygon = 14;
constexpr Byte rpcPolyline = 15;
constexpr Byte rpcPrintBitmap = 16;
constexpr Byte rpcPrintBitmapRect = 17;
constexpr Byte rpcRectangle = 18;
constexpr Byte rpcTabRectangle = 19;
constexpr Byte rpcRoundRect = 20;
constexpr Byte rpcStretchDraw = 21;
constexpr Byte rpcTextRect = 22;
constexpr Byte rpcCenterText = 23;
constexpr Byte rpcLeftText = 24;
constexpr Byte rpcRightText = 25;
constexpr Byte rpcTextBKMode = 26;
constexpr Byte rpcBKColor = 27;
constexpr Byte rpcScaleX = 28;
constexpr Byte rpcScaleY = 29;
constexpr Byte rpcPrintData = 30;
constexpr Byte rpcPrintDataStream = 31;
constexpr Byte rpcBlockTextOld = 32;
constexpr Byte rpcBlockText = 33;
constexpr Byte rpcBitmapMode = 34;
constexpr Byte rpcBrush = 40;
constexpr Byte rpcBrushColor = 41;
constexpr Byte rpcBrushStyle = 42;
constexpr Byte rpcBrushBitmap = 43;
constexpr Byte rpcFont = 50;
constexpr Byte rpcFontName = 51;
constexpr Byte rpcFontColor = 52;
constexpr Byte rpcFontPitch = 53;
constexpr Byte rpcFontHeight = 54;
constexpr Byte rpcFontBold = 55;
constexpr Byte rpcFontUnderline = 56;
constexpr Byte rpcFontItalic = 57;
constexpr Byte rpcFontStrikeout = 58;
constexpr Byte rpcFontSuperscript = 59;
constexpr Byte rpcFontSubscript = 60;
constexpr Byte rpcFontRotation = 61;
constexpr Byte rpcFontAlign = 62;
constexpr Byte rpcPen = 70;
constexpr Byte rpcPenColor = 71;
constexpr Byte rpcPenMode = 72;
constexpr Byte rpcPenStyle = 73;
constexpr Byte rpcPenWidth = 74;
constexpr Byte rpcNewPage = 80;
constexpr Byte rpcEndPage = 82;
constexpr Byte rpcResetLineHeight = 83;
constexpr Byte rpcAllowPreviewOnly = 84;
constexpr Byte rpcAllowPrinterOnly = 85;
constexpr Byte rpcAllowAll = 86;
constexpr Byte rpcSetOrientation = 87;
constexpr Byte rpcSetBin = 88;
constexpr Byte rpcHeader2009 = 89;
constexpr Byte rpcHeader = 90;

constexpr Word ReportStreamVersion = 2010;
// Graphic kinds; a reuse of a recorded graphic adds GraphicReuse.
constexpr Byte gkBitmap = 1;
constexpr Byte gkMetafile = 2;
constexpr Byte gkIcon = 3;
constexpr Byte gkOther = 4;
constexpr Byte GraphicReuse = 128;
constexpr int GraphicSlots = 10;
// The paper bin written when no printer is installed.
constexpr Word NoPrinterBin = 265;
// ---- Stored values of pens, brushes and fills (the system's drawing-mode numbers)

Byte PenModeCode(TPenMode Mode);
Byte PenStyleCode(TPenStyle Style);
Byte BrushStyleCode(TBrushStyle Style);
Byte FillStyleCode(TFillStyle Style);
// The values read back; false for a byte no value has.
bool PenModeOfCode(Byte Code, TPenMode& Mode);
bool PenStyleOfCode(Byte Code, TPenStyle& Style);
bool BrushStyleOfCode(Byte Code, TBrushStyle& Style);
bool FillStyleOfCode(Byte Code, TFillStyle& Style);

// ---- Messages of the stream
inline constexpr const char* Trans_UserStreamMissing = "StreamMode is smUser but Stream is nil";
inline constexpr const char* Trans_StreamInitError = "Error initializing stream";
inline constexpr const char* Trans_InputStreamInitError = "Error initializing input stream";
inline constexpr const char* Trans_CopyRectNotSupported = "CopyRect() not supported in file mode.";
inline constexpr const char* Trans_FilerOwnerNotForm =
    "TReportFiler.Owner must be a TForm if no printers are defined.";
inline constexpr const char* Trans_UnexpectedCode = "Unexpected code found in report file.";
// A point list longer than a stream's count can hold.
inline constexpr const char* Trans_TooManyPoints =
    "Too many points for one figure: at most 32768 can be recorded.";
inline constexpr const char* Trans_UnexpectedHeader =
    "Unexpected header code found in report file.";

class TReportFiler : public TBaseReport {
    VANTREL_CLASS(TReportFiler, TBaseReport)

    explicit TReportFiler(TComponent* AOwner);
    ~TReportFiler() override;

    // ---- Published properties
    const std::string& FileName() const { return fileName_; }
    void SetFileName(const std::string& Value) { fileName_ = Value; }
    TStreamMode StreamMode() const { return streamMode_; }
    void SetStreamMode(TStreamMode Value) { streamMode_ = Value; }
    TAccuracyMethod AccuracyMethod() const { return accuracyMethod_; }
    void SetAccuracyMethod(TAccuracyMethod Value) { accuracyMethod_ = Value; }
    // The caller's stream for smUser (not owned).
    TStream* Stream() const { return userStream_; }
    void SetStream(TStream* Value) { userStream_ = Value; }

    Byte OutputKind() const override { return okFiler; }
    // The printer device's canvas (an information context), or the owner form's canvas when no
    // printer is installed: texts are measured there.
    TCanvas* GetCanvas() override;
    // With no printer installed: "Preview Only", "Preview Only" and "Preview".
    std::string GetDeviceName() override;
    std::string GetDriverName() override;
    std::string GetPort() override;
    void OutputToPreviewOnly() override;
    void OutputToPrinterOnly() override;
    void OutputToAll() override;

    void SetScaleX(double Value) override;
    void SetScaleY(double Value) override;
    void SetTextBKMode(TBKMode Value) override;
    void SetBKColor(TColor Color) override;
    void SetOrientation(TOrientation Value) override;
    bool SelectBin(const std::string& BinName) override;
    void UpdateLineHeight() override;
    // Index 1 to 10; others raise the report error naming the call.
    void RegisterGraphic(int Index) override;
    void UnregisterGraphic(int Index) override;
    void ReuseGraphic(int Index) override;

    void CenterText(const std::string& Text, double X) override;
    void LeftText(const std::string& Text, double X) override;
    void RightText(const std::string& Text, double X) override;
    void BlockText(const std::string& Text, double X, double Width) override;
    void TabRectangle(double X1, double Y1, double X2, double Y2) override;
    void Arc(double X1, double Y1, double X2, double Y2, double X3, double Y3, double X4,
             double Y4) override;
    void BrushCopy(const TRect& Dest, TBitmap* Bitmap, const TRect& Source, TColor Color) override;
    void Chord(double X1, double Y1, double X2, double Y2, double X3, double Y3, double X4,
               double Y4) override;
    // Raises "CopyRect() not supported in file mode.": a canvas cannot be recorded.
    void CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source) override;
    void Draw(double X, double Y, TGraphic* Graphic) override;
    void DrawFocusRect(const TRect& Rect) override;
    void Ellipse(double X1, double Y1, double X2, double Y2) override;
    void FillRect(const TRect& Rect) override;
    void FloodFill(double X, double Y, TColor Color, TFillStyle FillStyle) override;
    void FrameRect(const TRect& Rect) override;
    void LineTo(double X, double Y) override;
    void MoveTo(double X, double Y) override;
    void Pie(double X1, double Y1, double X2, double Y2, double X3, double Y3, double X4,
             double Y4) override;
    void Polygon(const std::vector<TPoint>& Points) override;
    void Polyline(const std::vector<TPoint>& Points) override;
    void PrintBitmap(double X, double Y, double ScaleX, double ScaleY, TBitmap* Bitmap) override;
    void PrintBitmapRect(double X1, double Y1, double X2, double Y2, TBitmap* Bitmap) override;
    void Rectangle(double X1, double Y1, double X2, double Y2) override;
    void RoundRect(double X1, double Y1, double X2, double Y2, double X3, double Y3) override;
    void StretchDraw(const TRect& Rect, TGraphic* Graphic) override;
    void TextRect(const TRect& Rect, double X, double Y, const std::string& Text) override;
    void PrintData(const std::string& Value) override;
    void PrintDataStream(TStream& Stream, LongInt Count) override;

    // Opens the stream and writes the header and the first page record; an unopenable stream
    // shows "Error initializing stream" with the file name and leaves the job not started.
    void StartJob() override;
    void NewPage() override;
    // Ends the last page, patches the page count, flushes; for smMemory saves to FileName.
    void FinishJob() override;
    // Takes the current page out of the stream: its bytes, its link and its count.
    void CancelPage() override;

private:
    // The last recorded drawing state.
    struct TRecordedFont {
        std::string Name;
        TColor Color = clBlack;
        Byte Pitch = 0;
        double Height = 0.0;
        bool Bold = false, Underline = false, Italic = false, Strikeout = false;
        bool Superscript = false, Subscript = false;
        SmallInt Rotation = 0;
        Byte Align = 0;
    };

    bool OpenStream();
    void CloseStream();
    void WriteHeader();
    void StartPage();
    void EndPage();
    // Takes the open page out of the stream: its bytes, its link, its count, its graphics.
    void DropPage();
    void RecordState();

    // ---- Writing
    void WriteBytes(const void* Data, std::size_t Count);
    void WriteByte(Byte Value) { WriteBytes(&Value, 1); }
    void WriteWord(int Value);
    void WriteLong(LongInt Value);
    void WriteReal(double Value);
    void WriteText(const std::string& Value);
    void WriteXY(double X, double Y); // inches from the corner, origin added
    void WriteUserPoint(double X, double Y);
    void WriteDevicePoint(int X, int Y);
    void WriteDeviceRect(const TRect& Rect);
    // A graphic in full, or a reuse of the registered one or of one written with the same bytes.
    void WriteGraphic(TGraphic* Graphic);
    static std::uint64_t GraphicHash(const Byte* Bytes, std::size_t Size);
    void KeepWritten(Int64 Position, Byte Kind, std::uint64_t Hash, const Byte* Bytes,
                     std::size_t Size);
    // Graphics written from Start on are gone from the stream (a dropped page).
    void ForgetWrittenFrom(Int64 Start);
    // The bitmap mode, the code and the bitmap of PrintBitmap and PrintBitmapRect.
    void WriteBitmapOperation(Byte Code, TBitmap* Bitmap);
    void Flush();
    // Where the next byte lands: the stream's position plus the bytes held in the buffer.
    Int64 WritePosition();
    void PatchLong(Int64 Position, LongInt Value);

    // True when a running job records the current page (raises when no job runs).
    bool Recording();
    // Drawing and text operations start here: a job must run and the page be recorded.
    bool CanRecord();
    void RecordBrush();
    void RecordPen();
    // Records the font state that differs from the last recorded one; texts call it before they
    // are recorded, so the state is the one the text is drawn in.
    void RecordFont();
    void RecordBlock(const std::string& Text, double X, double Width);
    void RecordAlignedText(Byte Code, const std::string& Text, double X, double Shift);
    bool PlainText(const std::string& Text) const;
    void RecordPoints(Byte Code, double X1, double Y1, double X2, double Y2);
    void RecordFourPoints(Byte Code, double X1, double Y1, double X2, double Y2, double X3,
                          double Y3, double X4, double Y4);
    void RecordPointList(Byte Code, const std::vector<TPoint>& Points);
    void CheckSlot(int Index, const char* Call) const;
    void HookCanvas();
    void UnhookCanvas();

    std::string fileName_;
    TStreamMode streamMode_ = smMemory;
    TAccuracyMethod accuracyMethod_ = amAppearance;
    TStream* userStream_ = nullptr;

    TStream* stream_ = nullptr;
    std::unique_ptr<TStream> ownedStream_;
    std::vector<Byte> buffer_;
    bool suppress_ = false;
    bool force_ = false;
    // A page record is written and its end is not.
    bool pageOpen_ = false;
    std::uint64_t lastMessages_ = 0;
    // Start positions of the pages recorded so far, in order.
    std::vector<Int64> pageStarts_;
    Int64 pageCountPos_ = 0;
    int recordedPage_ = 0;
    std::array<Int64, GraphicSlots> graphics_{};
    std::array<Byte, GraphicSlots> graphicKinds_{};
    Int64 lastGraphicPos_ = 0;
    Byte lastGraphicKind_ = 0;
    Int64 reusePos_ = 0;
    Byte reuseKind_ = 0;

    TColor brushColor_ = clBlack;
    TBrushStyle brushStyle_ = bsClear;
    bool brushBitmap_ = false;
    TColor penColor_ = clBlack;
    TPenMode penMode_ = pmCopy;
    TPenStyle penStyle_ = psSolid;
    double penWidth_ = 0.0;
    TRecordedFont recordedFont_{};
    // Graphics written in full, by the position of their size, most recently used last.
    struct TWrittenGraphic {
        Int64 Position;
        Byte Kind;
        std::uint64_t Hash;
        std::vector<Byte> Bytes;
    };
    std::vector<TWrittenGraphic> written_;
    std::size_t writtenBytes_ = 0;

    TCanvas* hooked_ = nullptr;
    TNotifyEvent previousBrushChange_;
    TNotifyEvent previousPenChange_;
    TCanvas* measureCanvas_ = nullptr;
};
