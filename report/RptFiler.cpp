#include "report/RptFiler.h"

#include "platform/gui/Dialogs.h"
#include "platform/gui/Forms.h"
#include "platform/gui/WinGdi.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Paths.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Streams.h"
#include "report/RptDevice.h"

#include <algorithm>

namespace {

constexpr std::size_t BufferSize = 16384;
constexpr LongInt PassThroughChunk = 4096;
constexpr std::size_t MaxStreamText = 255;
constexpr std::size_t MaxFontName = 60;
constexpr std::size_t MaxPoints = 32768;
// The graphics written last are kept, up to this many bytes, to find one drawn again.
constexpr std::size_t WrittenGraphicBytes = 16 * 1024 * 1024;
// Pending window messages are handled at most this often while recording (milliseconds).
constexpr std::uint64_t MessageInterval = 50;
// The page record: code, previous and next links, page number, width and height.
constexpr Int64 NextLinkOffset = 5;

// Stored value of each pen mode, pen style and brush style, in the order of the enumerations.
constexpr std::array<Byte, 16> PenModeCodes = {
    R2_BLACK,       R2_WHITE,      R2_NOP,         R2_NOT,        R2_COPYPEN,  R2_NOTCOPYPEN,
    R2_MERGEPENNOT, R2_MASKPENNOT, R2_MERGENOTPEN, R2_MASKNOTPEN, R2_MERGEPEN, R2_NOTMERGEPEN,
    R2_MASKPEN,     R2_NOTMASKPEN, R2_XORPEN,      R2_NOTXORPEN};
// Brushes: a solid or clear brush by its brush kind, a hatched one by its hatch (after the two).
constexpr std::array<Byte, 8> BrushStyleCodes = {
    BS_SOLID,         BS_NULL,          2 + HS_HORIZONTAL, 2 + HS_VERTICAL,
    2 + HS_FDIAGONAL, 2 + HS_BDIAGONAL, 2 + HS_CROSS,      2 + HS_DIAGCROSS};

template <typename T, std::size_t N>
bool ValueOfCode(const std::array<Byte, N>& codes, Byte Code, T& Value) {
    for (std::size_t i = 0; i < N; ++i)
        if (codes[i] == Code) {
            Value = static_cast<T>(i);
            return true;
        }
    return false;
}

} // namespace

Byte PenModeCode(TPenMode Mode) {
    return PenModeCodes[static_cast<std::size_t>(Mode)];
}

Byte PenStyleCode(TPenStyle Style) {
    return static_cast<Byte>(Style); // the pen styles keep the system's numbering
}

Byte BrushStyleCode(TBrushStyle Style) {
    return BrushStyleCodes[static_cast<std::size_t>(Style)];
}

Byte FillStyleCode(TFillStyle Style) {
    return Style == fsSurface ? FLOODFILLSURFACE : FLOODFILLBORDER;
}

bool PenModeOfCode(Byte Code, TPenMode& Mode) {
    return ValueOfCode(PenModeCodes, Code, Mode);
}

bool PenStyleOfCode(Byte Code, TPenStyle& Style) {
    if (Code > psInsideFrame) return false;
    Style = static_cast<TPenStyle>(Code);
    return true;
}

bool BrushStyleOfCode(Byte Code, TBrushStyle& Style) {
    return ValueOfCode(BrushStyleCodes, Code, Style);
}

bool FillStyleOfCode(Byte Code, TFillStyle& Style) {
    if (Code != FLOODFILLSURFACE && Code != FLOODFILLBORDER) return false;
    Style = Code == FLOODFILLSURFACE ? fsSurface : fsBorder;
    return true;
}

// ---------------------------------------------------------------------------------------------
// Construction and canvas

TReportFiler::TReportFiler(TComponent* AOwner) : TBaseReport(AOwner) {}

TReportFiler::~TReportFiler() {
    UnhookCanvas();
    DetachFontNotify();
}

TCanvas* TReportFiler::GetCanvas() {
    if (measureCanvas_) return measureCanvas_;
    if (PrinterInstalled()) {
        measureCanvas_ = RPDev()->GetCanvas();
    } else {
        auto* form = dynamic_cast<TCustomForm*>(Owner());
        if (!form) RaiseError(Trans_FilerOwnerNotForm);
        measureCanvas_ = form->Canvas();
    }
    return measureCanvas_;
}

void TReportFiler::HookCanvas() {
    TCanvas* canvas = GetCanvas();
    hooked_ = canvas;
    previousBrushChange_ = canvas->Brush()->OnChange;
    previousPenChange_ = canvas->Pen()->OnChange;
    canvas->Brush()->OnChange = [this](TObject* Sender) {
        if (previousBrushChange_) previousBrushChange_(Sender);
        if (Recording()) RecordBrush();
    };
    canvas->Pen()->OnChange = [this](TObject* Sender) {
        if (previousPenChange_) previousPenChange_(Sender);
        if (Recording()) RecordPen();
    };
}

void TReportFiler::UnhookCanvas() {
    if (!hooked_) return;
    hooked_->Brush()->OnChange = previousBrushChange_;
    hooked_->Pen()->OnChange = previousPenChange_;
    previousBrushChange_ = nullptr;
    previousPenChange_ = nullptr;
    hooked_ = nullptr;
}

std::string TReportFiler::GetDeviceName() {
    return PrinterInstalled() ? TBaseReport::GetDeviceName() : "Preview Only";
}

std::string TReportFiler::GetDriverName() {
    return PrinterInstalled() ? TBaseReport::GetDriverName() : "Preview Only";
}

std::string TReportFiler::GetPort() {
    return PrinterInstalled() ? TBaseReport::GetPort() : "Preview";
}

bool TReportFiler::Recording() {
    return printing_ && !suppress_ && !NoPrint();
}

bool TReportFiler::CanRecord() {
    CheckPrinting();
    if (NoPrint()) return false;
    const std::uint64_t now = Clock().TickCount();
    if (now - lastMessages_ >= MessageInterval) {
        lastMessages_ = now;
        if (Application) Application->ProcessMessages();
        CheckPrinting();
        if (NoPrint()) return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Writing

Int64 TReportFiler::WritePosition() {
    return stream_->Position() + static_cast<Int64>(buffer_.size());
}

void TReportFiler::Flush() {
    if (buffer_.empty()) return;
    stream_->WriteBuffer(buffer_.data(), static_cast<LongInt>(buffer_.size()));
    buffer_.clear();
}

void TReportFiler::WriteBytes(const void* Data, std::size_t Count) {
    if (suppress_ || Count == 0) return;
    if (buffer_.size() + Count > BufferSize) Flush();
    if (Count > BufferSize) {
        stream_->WriteBuffer(Data, static_cast<LongInt>(Count));
        return;
    }
    const auto* bytes = static_cast<const Byte*>(Data);
    buffer_.insert(buffer_.end(), bytes, bytes + Count);
}

void TReportFiler::WriteWord(int Value) {
    Byte bytes[2];
    EncodeLE(bytes, static_cast<Word>(Value));
    WriteBytes(bytes, 2);
}

void TReportFiler::WriteLong(LongInt Value) {
    Byte bytes[4];
    EncodeLE(bytes, Value);
    WriteBytes(bytes, 4);
}

void TReportFiler::WriteReal(double Value) {
    Byte bytes[4];
    EncodeLE(bytes, static_cast<float>(Value));
    WriteBytes(bytes, 4);
}

void TReportFiler::WriteText(const std::string& Value) {
    // One byte holds the length: a longer text keeps its first 255 characters (one byte each).
    const std::size_t length = std::min(Value.size(), MaxStreamText);
    WriteByte(static_cast<Byte>(length));
    WriteBytes(Value.data(), length);
}

void TReportFiler::WriteXY(double X, double Y) {
    WriteReal(X + originX_);
    WriteReal(Y + originY_);
}

void TReportFiler::WriteUserPoint(double X, double Y) {
    WriteXY(XU2I(X), YU2I(Y));
}

void TReportFiler::WriteDevicePoint(int X, int Y) {
    WriteXY(XD2I(X), YD2I(Y));
}

void TReportFiler::WriteDeviceRect(const TRect& Rect) {
    WriteDevicePoint(Rect.Left, Rect.Top);
    WriteDevicePoint(Rect.Right, Rect.Bottom);
}

void TReportFiler::PatchLong(Int64 Position, LongInt Value) {
    const Int64 flushed = stream_->Position();
    if (Position >= flushed && Position + 4 <= flushed + static_cast<Int64>(buffer_.size())) {
        EncodeLE(buffer_.data() + (Position - flushed), Value);
        return;
    }
    Flush();
    const Int64 back = stream_->Position();
    stream_->SetPosition(Position);
    WriteLE<LongInt>(*stream_, Value);
    stream_->SetPosition(back);
}

void TReportFiler::WriteGraphic(TGraphic* Graphic) {
    Byte kind = gkOther;
    if (dynamic_cast<TBitmap*>(Graphic))
        kind = gkBitmap;
    else if (dynamic_cast<TMetafile*>(Graphic))
        kind = gkMetafile;
    else if (dynamic_cast<TIcon*>(Graphic))
        kind = gkIcon;
    // A reuse refers to a graphic of the same kind only: the player makes the class of the kind.
    if (reusePos_ > 0 && reuseKind_ == kind) {
        WriteByte(static_cast<Byte>(kind + GraphicReuse));
        WriteLong(static_cast<LongInt>(reusePos_));
        lastGraphicPos_ = reusePos_;
        lastGraphicKind_ = kind;
        reusePos_ = 0;
        return;
    }
    reusePos_ = 0;
    TMemoryStream data;
    Graphic->SaveToStream(data);
    const auto* bytes = static_cast<const Byte*>(data.Memory());
    const std::size_t size = static_cast<std::size_t>(data.Size());
    // A graphic the recording already holds, byte for byte, is referred to, not stored again.
    const std::uint64_t hash = GraphicHash(bytes, size);
    for (auto it = written_.begin(); it != written_.end(); ++it)
        if (it->Kind == kind && it->Hash == hash && it->Bytes.size() == size &&
            std::equal(bytes, bytes + size, it->Bytes.begin())) {
            WriteByte(static_cast<Byte>(kind + GraphicReuse));
            WriteLong(static_cast<LongInt>(it->Position));
            lastGraphicPos_ = it->Position;
            lastGraphicKind_ = kind;
            std::rotate(it, it + 1, written_.end());
            return;
        }
    lastGraphicPos_ = WritePosition() + 1;
    lastGraphicKind_ = kind;
    WriteByte(kind);
    WriteLong(static_cast<LongInt>(size));
    WriteBytes(bytes, size);
    KeepWritten(lastGraphicPos_, kind, hash, bytes, size);
}

std::uint64_t TReportFiler::GraphicHash(const Byte* Bytes, std::size_t Size) {
    std::uint64_t hash = 14695981039346656037ull; // 64-bit FNV-1a
    for (std::size_t i = 0; i < Size; ++i)
        hash = (hash ^ Bytes[i]) * 1099511628211ull;
    return hash;
}

void TReportFiler::KeepWritten(Int64 Position, Byte Kind, std::uint64_t Hash, const Byte* Bytes,
                               std::size_t Size) {
    if (Size > WrittenGraphicBytes) return;
    while (!written_.empty() && writtenBytes_ + Size > WrittenGraphicBytes) {
        writtenBytes_ -= written_.front().Bytes.size();
        written_.erase(written_.begin());
    }
    written_.push_back({Position, Kind, Hash, std::vector<Byte>(Bytes, Bytes + Size)});
    writtenBytes_ += Size;
}

void TReportFiler::ForgetWrittenFrom(Int64 Start) {
    std::erase_if(written_, [&](const TWrittenGraphic& g) {
        if (g.Position < Start) return false;
        writtenBytes_ -= g.Bytes.size();
        return true;
    });
}

// ---------------------------------------------------------------------------------------------
// Jobs and pages

bool TReportFiler::OpenStream() {
    try {
        switch (streamMode_) {
        case smMemory: ownedStream_ = std::make_unique<TMemoryStream>(); break;
        case smFile: ownedStream_ = std::make_unique<TFileStream>(fileName_, fmCreate); break;
        case smTempFile:
            fileName_ = CreateTempFile("RP");
            ownedStream_ = std::make_unique<TFileStream>(fileName_, fmCreate);
            break;
        case smUser:
            if (!userStream_) RaiseError(Trans_UserStreamMissing);
            userStream_->SetPosition(0);
            stream_ = userStream_;
            return true;
        }
    } catch (const EReportWriter&) {
        throw;
    } catch (const Exception&) {
        ownedStream_.reset();
        MessageDlg(std::string(Trans_StreamInitError) + " \"" + fileName_ + "\"", mtError,
                   TMsgDlgButtons{mbOK}, 0);
        return false;
    }
    stream_ = ownedStream_.get();
    return true;
}

void TReportFiler::CloseStream() {
    ownedStream_.reset();
    stream_ = nullptr;
    buffer_.clear();
    buffer_.shrink_to_fit();
}

void TReportFiler::WriteHeader() {
    WriteByte(rpcHeader);
    WriteWord(ReportStreamVersion);
    WriteText(Title());
    pageCountPos_ = WritePosition();
    WriteWord(0);
    WriteWord(FirstPage());
    WriteWord(LastPage());
    WriteReal(XU2I(PageWidth()));
    WriteReal(YU2I(PageHeight()));
    WriteReal(leftWaste_);
    WriteReal(rightWaste_);
    WriteReal(topWaste_);
    WriteReal(bottomWaste_);
    WriteByte(static_cast<Byte>(Orientation()));
    const DEVMODE* record = PrinterInstalled() ? GetDevMode() : nullptr;
    WriteWord(record ? record->dmDefaultSource : NoPrinterBin);
    WriteByte(record && record->dmCollate == DMCOLLATE_TRUE ? 1 : 0);
    WriteByte(record ? static_cast<Byte>(GetDuplex()) : 0);
    WriteWord(record ? record->dmCopies : 1);
    WriteWord(record ? record->dmPaperSize : 1);
    WriteWord(record ? record->dmPaperWidth : 0);
    WriteWord(record ? record->dmPaperLength : 0);
    WriteText(OutputFileName());
}

void TReportFiler::StartJob() {
    CheckNotPrinting();
    jobDateTime_ = Now();
    stream_ = nullptr;
    currentPage_ = 0;
    recordedPage_ = 0;
    pageStarts_.clear();
    pageOpen_ = false;
    pageCountPos_ = 0;
    graphics_.fill(0);
    lastGraphicPos_ = reusePos_ = 0;
    written_.clear();
    writtenBytes_ = 0;
    aborted_ = false;
    DoBeforePrint();
    if (!OpenStream()) return;
    try {
        buffer_.reserve(BufferSize);
        GetCanvas();
        PrepareJob();
        printing_ = true;
        WriteHeader();
        suppress_ = true;
        if (!PrinterInstalled()) {
            xDPI_ = yDPI_ = Screen ? Screen->PixelsPerInch() : 96;
        }
        AttachFontNotify();
        HookCanvas();
        ResetJob();
        currentPage_ = 1;
        pageSkip_ = aborted_;
        UpdateStatus();
        suppress_ = false;
        StartPage();
    } catch (...) {
        suppress_ = false;
        printing_ = false;
        UnhookCanvas();
        DetachFontNotify();
        CloseStream();
        throw;
    }
    if (!aborted_) RunPageStart();
    if (!aborted_) DoNewPage();
    if (!aborted_) DoPrintHeader();
}

void TReportFiler::StartPage() {
    if (pageSkip_) return;
    ++recordedPage_;
    const Int64 start = WritePosition();
    if (!pageStarts_.empty())
        PatchLong(pageStarts_.back() + NextLinkOffset, static_cast<LongInt>(start));
    WriteByte(rpcNewPage);
    WriteLong(static_cast<LongInt>(pageStarts_.empty() ? 0 : pageStarts_.back()));
    WriteLong(0);
    WriteWord(recordedPage_);
    WriteReal(XU2I(PageWidth()));
    WriteReal(YU2I(PageHeight()));
    pageStarts_.push_back(start);
    pageOpen_ = true;
    RecordState();
}

void TReportFiler::RecordState() {
    force_ = true;
    RecordBrush();
    RecordFont();
    RecordPen();
    force_ = false;
    WriteByte(rpcScaleX);
    WriteReal(ScaleX());
    WriteByte(rpcScaleY);
    WriteReal(ScaleY());
    WriteByte(rpcTextBKMode);
    WriteByte(static_cast<Byte>(TextBKMode()));
    WriteByte(rpcBKColor);
    WriteLong(static_cast<LongInt>(GetBKColor()));
}

void TReportFiler::EndPage() {
    if (!pageOpen_) return;
    WriteByte(rpcEndPage);
    pageOpen_ = false;
}

void TReportFiler::DropPage() {
    Flush();
    const Int64 start = pageStarts_.back();
    pageStarts_.pop_back();
    stream_->SetSize(start);
    stream_->SetPosition(start);
    --recordedPage_;
    pageOpen_ = false;
    // Graphics stored on the dropped page can no longer be referred to.
    for (Int64& slot : graphics_)
        if (slot >= start) slot = 0;
    if (lastGraphicPos_ >= start) lastGraphicPos_ = 0;
    ForgetWrittenFrom(start);
    if (reusePos_ >= start) reusePos_ = 0;
    if (!pageStarts_.empty()) PatchLong(pageStarts_.back() + NextLinkOffset, 0);
}

void TReportFiler::NewPage() {
    CheckPrinting();
    DoPrintFooter();
    RunPageEnd();
    EndPage();
    suppress_ = true;
    try {
        TBaseReport::NewPage();
        // Every page is recorded; the page range is applied when the recording is played.
        pageSkip_ = aborted_;
        if (PrinterInstalled()) ReadDeviceMetrics();
    } catch (...) {
        suppress_ = false;
        throw;
    }
    suppress_ = false;
    StartPage();
    RunPageStart();
    DoNewPage();
    DoPrintHeader();
}

void TReportFiler::CancelPage() {
    TBaseReport::CancelPage();
    if (pageOpen_) DropPage();
}

void TReportFiler::FinishJob() {
    if (!printing_) {
        DoAfterPrint();
        return;
    }
    TCleanupSteps steps;
    if (!aborted_) steps.Run([this] { DoPrintFooter(); });
    if (!aborted_) steps.Run([this] { RunPageEnd(); });
    steps.Run([this] {
        // An aborted page is left out whole: a player never meets a page without its end.
        if (pageOpen_ && aborted_) DropPage();
        EndPage();
        if (!pageStarts_.empty()) PatchLong(pageStarts_.back() + NextLinkOffset, 0);
        Flush();
        const Int64 end = stream_->Position();
        stream_->SetPosition(pageCountPos_);
        WriteLE<Word>(*stream_, static_cast<Word>(pageStarts_.size()));
        stream_->SetPosition(end);
        if (stream_->Size() > end) stream_->SetSize(end);
    });
    steps.Run([this] { UnhookCanvas(); });
    steps.Run([this] { DetachFontNotify(); });
    steps.Run([this] { ClearFontCache(); });
    if (streamMode_ == smMemory)
        steps.Run([this] { static_cast<TMemoryStream*>(stream_)->SaveToFile(fileName_); });
    CloseStream();
    printing_ = false;
    steps.Run([this] { DoAfterPrint(); });
    steps.Rethrow();
}

// ---------------------------------------------------------------------------------------------
// State records

void TReportFiler::RecordBrush() {
    TBrush* brush = GetCanvas()->Brush();
    if (force_ || brush->Color() != brushColor_) {
        WriteByte(rpcBrushColor);
        WriteLong(static_cast<LongInt>(brush->Color()));
    }
    if (force_ || brush->Style() != brushStyle_) {
        WriteByte(rpcBrushStyle);
        WriteByte(BrushStyleCode(brush->Style()));
    }
    TBitmap* bitmap = brush->Bitmap();
    const bool hasBitmap = bitmap && !bitmap->Empty();
    if (hasBitmap) {
        WriteByte(rpcBrushBitmap);
        WriteByte(1);
        WriteGraphic(bitmap);
    } else if (force_ || brushBitmap_) {
        WriteByte(rpcBrushBitmap);
        WriteByte(0);
    }
    brushColor_ = brush->Color();
    brushStyle_ = brush->Style();
    brushBitmap_ = hasBitmap;
}

void TReportFiler::RecordPen() {
    TPen* pen = GetCanvas()->Pen();
    const double width = static_cast<double>(pen->Width()) / xDPI_;
    if (force_ || pen->Color() != penColor_) {
        WriteByte(rpcPenColor);
        WriteLong(static_cast<LongInt>(pen->Color()));
    }
    if (force_ || pen->Mode() != penMode_) {
        WriteByte(rpcPenMode);
        WriteByte(PenModeCode(pen->Mode()));
    }
    if (force_ || pen->Style() != penStyle_) {
        WriteByte(rpcPenStyle);
        WriteByte(PenStyleCode(pen->Style()));
    }
    if (force_ || width != penWidth_) {
        WriteByte(rpcPenWidth);
        WriteReal(width);
    }
    penColor_ = pen->Color();
    penMode_ = pen->Mode();
    penStyle_ = pen->Style();
    penWidth_ = width;
}

void TReportFiler::RecordFont() {
    const TReportFont& f = TBaseReport::font_;
    TRecordedFont& r = recordedFont_;
    const std::string name = f.Name.substr(0, MaxFontName);
    auto flag = [this](Byte Code, bool Value, bool& Last) {
        if (force_ || Value != Last) {
            WriteByte(Code);
            WriteByte(Value ? 1 : 0);
        }
        Last = Value;
    };
    // The sample width is the width of the face the text is drawn in: a change of name, pitch,
    // height, weight or slant records the height again with the new face's sample.
    const bool newFace = force_ || name != r.Name || f.Pitch != r.Pitch || f.Height != r.Height ||
                         f.Bold != r.Bold || f.Italic != r.Italic;
    if (force_ || name != r.Name) {
        WriteByte(rpcFontName);
        WriteText(name);
    }
    if (force_ || f.Color != r.Color) {
        WriteByte(rpcFontColor);
        WriteLong(static_cast<LongInt>(f.Color));
    }
    if (force_ || f.Pitch != r.Pitch) {
        WriteByte(rpcFontPitch);
        WriteByte(f.Pitch);
    }
    if (newFace) {
        double sample = 0.0;
        {
            // Measured with nothing recorded.
            const bool suppressed = suppress_;
            suppress_ = true;
            auto unsuppress = MakeScopeGuard([&] { suppress_ = suppressed; });
            sample = FontSampleWidth();
        }
        WriteByte(rpcFontHeight);
        WriteReal(f.Height);
        WriteReal(sample);
    }
    r.Name = name;
    r.Color = f.Color;
    r.Pitch = f.Pitch;
    r.Height = f.Height;
    flag(rpcFontBold, f.Bold, r.Bold);
    flag(rpcFontItalic, f.Italic, r.Italic);
    flag(rpcFontUnderline, f.Underline, r.Underline);
    flag(rpcFontStrikeout, f.Strikeout, r.Strikeout);
    flag(rpcFontSuperscript, f.Superscript, r.Superscript);
    flag(rpcFontSubscript, f.Subscript, r.Subscript);
    if (force_ || f.Rotation != r.Rotation) {
        WriteByte(rpcFontRotation);
        WriteWord(f.Rotation);
    }
    if (force_ || f.Align != r.Align) {
        WriteByte(rpcFontAlign);
        WriteByte(f.Align);
    }
    r.Rotation = f.Rotation;
    r.Align = f.Align;
}

void TReportFiler::SetScaleX(double Value) {
    TBaseReport::SetScaleX(Value);
    if (!Recording()) return;
    WriteByte(rpcScaleX);
    WriteReal(ScaleX());
}

void TReportFiler::SetScaleY(double Value) {
    TBaseReport::SetScaleY(Value);
    if (!Recording()) return;
    WriteByte(rpcScaleY);
    WriteReal(ScaleY());
}

void TReportFiler::SetTextBKMode(TBKMode Value) {
    TBaseReport::SetTextBKMode(Value);
    if (!Recording()) return;
    WriteByte(rpcTextBKMode);
    WriteByte(static_cast<Byte>(Value));
}

void TReportFiler::SetBKColor(TColor Color) {
    TBaseReport::SetBKColor(Color);
    if (!Recording()) return;
    WriteByte(rpcBKColor);
    WriteLong(static_cast<LongInt>(GetBKColor()));
}

void TReportFiler::SetOrientation(TOrientation Value) {
    TBaseReport::SetOrientation(Value);
    if (!Recording()) return;
    WriteByte(rpcSetOrientation);
    WriteByte(static_cast<Byte>(Value));
}

bool TReportFiler::SelectBin(const std::string& BinName) {
    const bool result = TBaseReport::SelectBin(BinName);
    if (Recording()) {
        WriteByte(rpcSetBin);
        WriteText(BinName);
    }
    return result;
}

void TReportFiler::UpdateLineHeight() {
    TBaseReport::UpdateLineHeight();
    if (!Recording()) return;
    WriteByte(rpcResetLineHeight);
    WriteReal(ascent_);
    WriteReal(descent_);
    WriteReal(lineHeight_);
}

void TReportFiler::OutputToPreviewOnly() {
    TBaseReport::OutputToPreviewOnly();
    if (Recording()) WriteByte(rpcAllowPreviewOnly);
}

void TReportFiler::OutputToPrinterOnly() {
    TBaseReport::OutputToPrinterOnly();
    if (Recording()) WriteByte(rpcAllowPrinterOnly);
}

void TReportFiler::OutputToAll() {
    TBaseReport::OutputToAll();
    if (Recording()) WriteByte(rpcAllowAll);
}

// ---------------------------------------------------------------------------------------------
// Graphic registry

void TReportFiler::CheckSlot(int Index, const char* Call) const {
    if (Index < 1 || Index > GraphicSlots)
        RaiseError(std::string(Call) + ": Index must be between 1 and " +
                   std::to_string(GraphicSlots));
}

void TReportFiler::RegisterGraphic(int Index) {
    CheckSlot(Index, "RegisterGraphic");
    graphics_[Index - 1] = lastGraphicPos_;
    graphicKinds_[Index - 1] = lastGraphicKind_;
}

void TReportFiler::UnregisterGraphic(int Index) {
    CheckSlot(Index, "UnregisterGraphic");
    graphics_[Index - 1] = 0;
}

void TReportFiler::ReuseGraphic(int Index) {
    CheckSlot(Index, "ReuseGraphic");
    reusePos_ = graphics_[Index - 1];
    reuseKind_ = graphicKinds_[Index - 1];
}

// ---------------------------------------------------------------------------------------------
// Text

bool TReportFiler::PlainText(const std::string& Text) const {
    return TBaseReport::font_.Rotation == 0 && !HasCodes(Text) &&
           Text.find(std::string(1, MacroMarker) + MacroTag) == std::string::npos;
}

void TReportFiler::RecordBlock(const std::string& Text, double X, double Width) {
    WriteByte(rpcBlockText);
    WriteReal(curY_ + originY_);
    WriteText(Text);
    WriteReal(X + originX_);
    WriteReal(Width);
}

void TReportFiler::RecordAlignedText(Byte Code, const std::string& Text, double X, double Shift) {
    RecordFont();
    double width = 0.0;
    if (accuracyMethod_ == amPositioning && PlainText(Text)) {
        // The block starts on the device pixel where printing the text straight puts its left
        // edge (a centred text starts half its width, truncated, left of its centre), so a
        // player measuring the same width draws the text exactly there.
        const int pixels = std::max(1, TextPixels(Text));
        const int left = XI2D(X) - static_cast<int>(pixels * Shift);
        RecordBlock(Text, XD2I(left), static_cast<double>(pixels) / xDPI_);
        width = PixelsWidth(pixels);
    } else {
        WriteByte(Code);
        WriteReal(curY_ + originY_);
        WriteText(Text);
        WriteReal(X + originX_);
        width = TextWidth(Text);
    }
    // The cursor moves as it does when the text is printed straight.
    curX_ = X;
    if (Shift < 1.0) AdvanceX(width * (1.0 - Shift));
}

void TReportFiler::LeftText(const std::string& Text, double X) {
    if (CanRecord()) RecordAlignedText(rpcLeftText, Text, X, 0.0);
}

void TReportFiler::CenterText(const std::string& Text, double X) {
    if (CanRecord()) RecordAlignedText(rpcCenterText, Text, X, 0.5);
}

void TReportFiler::RightText(const std::string& Text, double X) {
    if (CanRecord()) RecordAlignedText(rpcRightText, Text, X, 1.0);
}

void TReportFiler::BlockText(const std::string& Text, double X, double Width) {
    if (!CanRecord()) return;
    RecordFont();
    RecordBlock(Text, X, Width);
    curX_ = X + Width;
}

void TReportFiler::TextRect(const TRect& Rect, double X, double Y, const std::string& Text) {
    if (!CanRecord()) return;
    RecordFont();
    WriteByte(rpcTextRect);
    WriteDeviceRect(Rect);
    WriteUserPoint(X, Y);
    WriteText(Text);
}

void TReportFiler::PrintData(const std::string& Value) {
    if (!CanRecord()) return;
    WriteByte(rpcPrintData);
    WriteText(Value);
}

void TReportFiler::PrintDataStream(TStream& Stream, LongInt Count) {
    if (!CanRecord()) return;
    Int64 left = Count > 0 ? Count : Stream.Size() - Stream.Position();
    left = std::max<Int64>(left, 0);
    WriteByte(rpcPrintDataStream);
    WriteLong(static_cast<LongInt>(left));
    Byte chunk[PassThroughChunk];
    while (left > 0) {
        const LongInt size = static_cast<LongInt>(std::min<Int64>(left, PassThroughChunk));
        Stream.ReadBuffer(chunk, size);
        WriteBytes(chunk, static_cast<std::size_t>(size));
        left -= size;
    }
}

// ---------------------------------------------------------------------------------------------
// Shapes, lines and graphics

void TReportFiler::RecordPoints(Byte Code, double X1, double Y1, double X2, double Y2) {
    if (!CanRecord()) return;
    WriteByte(Code);
    WriteUserPoint(X1, Y1);
    WriteUserPoint(X2, Y2);
}

void TReportFiler::RecordFourPoints(Byte Code, double X1, double Y1, double X2, double Y2,
                                    double X3, double Y3, double X4, double Y4) {
    if (!CanRecord()) return;
    WriteByte(Code);
    WriteUserPoint(X1, Y1);
    WriteUserPoint(X2, Y2);
    WriteUserPoint(X3, Y3);
    WriteUserPoint(X4, Y4);
}

void TReportFiler::RecordPointList(Byte Code, const std::vector<TPoint>& Points) {
    if (!CanRecord() || Points.empty()) return;
    if (Points.size() > MaxPoints) RaiseError(Trans_TooManyPoints);
    WriteByte(Code);
    WriteWord(static_cast<int>(Points.size() - 1));
    for (const TPoint& p : Points)
        WriteDevicePoint(p.X, p.Y);
}

void TReportFiler::Arc(double X1, double Y1, double X2, double Y2, double X3, double Y3, double X4,
                       double Y4) {
    RecordFourPoints(rpcArc, X1, Y1, X2, Y2, X3, Y3, X4, Y4);
}

void TReportFiler::Chord(double X1, double Y1, double X2, double Y2, double X3, double Y3,
                         double X4, double Y4) {
    RecordFourPoints(rpcChord, X1, Y1, X2, Y2, X3, Y3, X4, Y4);
}

void TReportFiler::Pie(double X1, double Y1, double X2, double Y2, double X3, double Y3, double X4,
                       double Y4) {
    RecordFourPoints(rpcPie, X1, Y1, X2, Y2, X3, Y3, X4, Y4);
}

void TReportFiler::Ellipse(double X1, double Y1, double X2, double Y2) {
    RecordPoints(rpcEllipse, X1, Y1, X2, Y2);
}

void TReportFiler::Rectangle(double X1, double Y1, double X2, double Y2) {
    RecordPoints(rpcRectangle, X1, Y1, X2, Y2);
}

void TReportFiler::TabRectangle(double X1, double Y1, double X2, double Y2) {
    RecordPoints(rpcTabRectangle, X1, Y1, X2, Y2);
}

void TReportFiler::RoundRect(double X1, double Y1, double X2, double Y2, double X3, double Y3) {
    if (!CanRecord()) return;
    WriteByte(rpcRoundRect);
    WriteUserPoint(X1, Y1);
    WriteUserPoint(X2, Y2);
    WriteReal(XU2I(X3));
    WriteReal(YU2I(Y3));
}

void TReportFiler::Polygon(const std::vector<TPoint>& Points) {
    RecordPointList(rpcPolygon, Points);
}

void TReportFiler::Polyline(const std::vector<TPoint>& Points) {
    RecordPointList(rpcPolyline, Points);
}

void TReportFiler::MoveTo(double X, double Y) {
    if (!CanRecord()) return;
    MoveLineCursor(X, Y);
    if (!drawLinesDirect_) return;
    WriteByte(rpcMoveTo);
    WriteUserPoint(X, Y);
}

void TReportFiler::LineTo(double X, double Y) {
    if (!CanRecord()) return;
    if (drawLinesDirect_) {
        MoveLineCursor(X, Y);
        WriteByte(rpcLineTo);
        WriteUserPoint(X, Y);
        return;
    }
    const double fromX = lastLineX_;
    const double fromY = lastLineY_;
    if (MergeLine(X, Y)) return;
    WriteByte(rpcMoveTo);
    WriteReal(fromX);
    WriteReal(fromY);
    WriteByte(rpcLineTo);
    WriteUserPoint(X, Y);
}

void TReportFiler::DrawFocusRect(const TRect& Rect) {
    if (!CanRecord()) return;
    WriteByte(rpcDrawFocusRect);
    WriteDeviceRect(Rect);
}

void TReportFiler::FillRect(const TRect& Rect) {
    if (!CanRecord()) return;
    WriteByte(rpcFillRect);
    WriteDeviceRect(Rect);
}

void TReportFiler::FrameRect(const TRect& Rect) {
    if (!CanRecord()) return;
    WriteByte(rpcFrameRect);
    WriteDeviceRect(Rect);
}

void TReportFiler::FloodFill(double X, double Y, TColor Color, TFillStyle FillStyle) {
    if (!CanRecord()) return;
    WriteByte(rpcFloodFill);
    WriteUserPoint(X, Y);
    WriteLong(static_cast<LongInt>(Color));
    WriteLong(FillStyleCode(FillStyle));
}

void TReportFiler::CopyRect(const TRect&, TCanvas*, const TRect&) {
    RaiseError(Trans_CopyRectNotSupported);
}

void TReportFiler::BrushCopy(const TRect& Dest, TBitmap* Bitmap, const TRect& Source,
                             TColor Color) {
    if (!CanRecord() || !Bitmap) return;
    WriteByte(rpcBrushCopy);
    WriteGraphic(Bitmap);
    WriteDeviceRect(Dest);
    WriteDeviceRect(Source);
    WriteLong(static_cast<LongInt>(Color));
}

void TReportFiler::Draw(double X, double Y, TGraphic* Graphic) {
    if (!CanRecord() || !Graphic) return;
    WriteByte(rpcDraw);
    WriteGraphic(Graphic);
    WriteUserPoint(X, Y);
}

void TReportFiler::StretchDraw(const TRect& Rect, TGraphic* Graphic) {
    if (!CanRecord() || !Graphic) return;
    WriteByte(rpcStretchDraw);
    WriteGraphic(Graphic);
    WriteDeviceRect(Rect);
}

void TReportFiler::WriteBitmapOperation(Byte Code, TBitmap* Bitmap) {
    WriteByte(rpcBitmapMode);
    WriteByte(0); // the one drawing mode of bitmaps here: stretched onto the page
    WriteByte(Code);
    WriteGraphic(Bitmap);
}

void TReportFiler::PrintBitmap(double X, double Y, double ScaleX, double ScaleY, TBitmap* Bitmap) {
    if (!CanRecord() || !Bitmap) return;
    WriteBitmapOperation(rpcPrintBitmap, Bitmap);
    WriteUserPoint(X, Y);
    WriteReal(ScaleX);
    WriteReal(ScaleY);
}

void TReportFiler::PrintBitmapRect(double X1, double Y1, double X2, double Y2, TBitmap* Bitmap) {
    if (!CanRecord() || !Bitmap) return;
    WriteBitmapOperation(rpcPrintBitmapRect, Bitmap);
    WriteUserPoint(X1, Y1);
    WriteUserPoint(X2, Y2);
}
