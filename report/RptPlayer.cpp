#include "report/RptPlayer.h"

#include "platform/gui/Dialogs.h"
#include "platform/gui/Forms.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Streams.h"
#include "report/RptDevice.h"

#include <algorithm>
#include <cmath>

namespace {

// Lengths and factors beyond this (in inches or as factors) are no recording's: a page is far
// smaller. Keeping below it keeps every device coordinate an integer.
constexpr double MaxStreamReal = 100000.0;
// The largest paper a printer's settings describe: 32767 tenths of a millimetre. A recorded page
// beyond it is no page of a printer, and the preview could not make a page image of it.
constexpr double MaxPageInches = 3276.7 / 25.4;
// Recorded font heights are read back to this fraction of a point: the precision a single-
// precision height in inches keeps up to the largest font, so a height read back is the one
// recorded (a 1000-point font reads 1000 points, not a little more).
constexpr double HeightPointsPrecision = 10000.0;

// Graphics read from the recording are kept, up to this many stored bytes, so a graphic drawn
// again (a reuse of it) is the same picture for the printer, which then stores it once.
constexpr Int64 GraphicCacheBytes = 32 * 1024 * 1024;

} // namespace

TFilePrinter::TFilePrinter(TComponent* AOwner) : TCanvasReport(AOwner) {
    SetUnits(unInch);
    SetUnitsFactor(1.0);
    drawLinesDirect_ = true;
}

TFilePrinter::~TFilePrinter() = default;

void TFilePrinter::BadStream() {
    aborted_ = true;
    RaiseError(Trans_UnexpectedCode);
}

// ---------------------------------------------------------------------------------------------
// Input

bool TFilePrinter::OpenInput() {
    CloseInput();
    try {
        if (streamMode_ == smUser) {
            if (!userStream_) RaiseError(Trans_UserStreamMissing);
            // A recording in memory is read where it lies: a copy would double the memory a
            // long report needs while it plays.
            if (auto* memory = dynamic_cast<TMemoryStream*>(userStream_)) {
                data_ = static_cast<const Byte*>(memory->Memory());
                size_ = memory->Size();
                userStream_->SetPosition(0);
                inputOpen_ = true;
                return true;
            }
            auto input = std::make_unique<TMemoryStream>();
            input->LoadFromStream(*userStream_);
            userStream_->SetPosition(0);
            input_ = std::move(input);
        } else {
            // The recording is read whole: it is a file of the program's own making, of a few
            // hundred bytes a page.
            TFileStream file(fileName_, fmOpenRead | fmShareDenyWrite);
            auto input = std::make_unique<TMemoryStream>();
            input->LoadFromStream(file);
            input_ = std::move(input);
        }
    } catch (const EReportWriter&) {
        throw;
    } catch (const Exception&) {
        MessageDlg(std::string(Trans_InputStreamInitError) + " \"" + fileName_ + "\"", mtError,
                   TMsgDlgButtons{mbOK}, 0);
        return false;
    }
    data_ = static_cast<const Byte*>(input_->Memory());
    size_ = input_->Size();
    inputOpen_ = true;
    return true;
}

void TFilePrinter::CloseInput() {
    input_.reset();
    inputOpen_ = false;
    data_ = nullptr;
    size_ = pos_ = 0;
    graphics_.clear();
    graphicBytes_ = 0;
}

void TFilePrinter::Need(Int64 Count) {
    if (Count < 0 || size_ - pos_ < Count) throw EReadError("Stream read error");
}

Byte TFilePrinter::ReadByte() {
    Need(1);
    return data_[pos_++];
}

int TFilePrinter::ReadWord() {
    Need(2);
    const auto value = DecodeLE<SmallInt>(data_ + pos_);
    pos_ += 2;
    return value;
}

LongInt TFilePrinter::ReadLong() {
    Need(4);
    const auto value = DecodeLE<LongInt>(data_ + pos_);
    pos_ += 4;
    return value;
}

double TFilePrinter::ReadReal() {
    Need(4);
    const double value = DecodeLE<float>(data_ + pos_);
    pos_ += 4;
    if (!std::isfinite(value) || std::fabs(value) > MaxStreamReal) BadStream();
    return value;
}

double TFilePrinter::ReadPageLength() {
    const double value = ReadReal();
    if (!(value > 0.0) || value > MaxPageInches) BadStream();
    return value;
}

std::string TFilePrinter::ReadRawText() {
    const Byte length = ReadByte();
    Need(length);
    std::string text(reinterpret_cast<const char*>(data_ + pos_), length);
    pos_ += length;
    return text;
}

std::string TFilePrinter::ReadText() {
    std::string text = ReadRawText();
    ExpandMacros(text);
    return text;
}

bool TFilePrinter::ReadFlag() {
    const Byte value = ReadByte();
    if (value > 1) BadStream();
    return value == 1;
}

void TFilePrinter::ReadPoint(double& X, double& Y) {
    X = ReadReal();
    Y = ReadReal();
}

TPoint TFilePrinter::ReadDevicePoint() {
    double x = 0.0, y = 0.0;
    ReadPoint(x, y);
    return TPoint{XI2D(x), YI2D(y)};
}

TRect TFilePrinter::ReadRect() {
    const TPoint topLeft = ReadDevicePoint();
    const TPoint bottomRight = ReadDevicePoint();
    return Rect(topLeft.X, topLeft.Y, bottomRight.X, bottomRight.Y);
}

std::shared_ptr<TGraphic> TFilePrinter::ReadGraphic() {
    const Int64 kindAt = pos_;
    Byte kind = ReadByte();
    const bool reuse = kind > GraphicReuse;
    if (reuse) kind = static_cast<Byte>(kind - GraphicReuse);
    if (kind < gkBitmap || kind > gkOther) BadStream();
    Int64 back = 0;
    if (reuse) {
        // A reuse refers to the size of a graphic stored earlier in the recording.
        const LongInt at = ReadLong();
        if (at < headerEnd_ || at >= kindAt) BadStream();
        back = pos_;
        pos_ = at;
    }
    const Int64 sizeAt = pos_;
    const LongInt size = ReadLong();
    if (size < 0 || size > size_ - pos_) BadStream();
    std::shared_ptr<TGraphic> graphic = CachedGraphic(sizeAt, kind);
    if (!graphic) {
        if (kind == gkBitmap) graphic = std::make_shared<TBitmap>();
        if (kind == gkMetafile) graphic = std::make_shared<TMetafile>();
        if (kind == gkIcon) graphic = std::make_shared<TIcon>();
        if (graphic) {
            TMemoryStream data;
            data.WriteBuffer(data_ + pos_, size);
            data.SetPosition(0);
            try {
                graphic->LoadFromStream(data);
            } catch (const Exception&) {
                BadStream();
            }
            KeepGraphic(sizeAt, kind, graphic, size);
        }
    }
    pos_ += size;
    if (reuse) pos_ = back;
    return graphic;
}

std::shared_ptr<TGraphic> TFilePrinter::CachedGraphic(Int64 Position, Byte Kind) {
    for (auto it = graphics_.begin(); it != graphics_.end(); ++it)
        if (it->Position == Position && it->Kind == Kind) {
            // The most recently used goes last, so the oldest leaves first.
            std::rotate(it, it + 1, graphics_.end());
            return graphics_.back().Graphic;
        }
    return nullptr;
}

void TFilePrinter::KeepGraphic(Int64 Position, Byte Kind, std::shared_ptr<TGraphic> Graphic,
                               Int64 Size) {
    if (Size > GraphicCacheBytes) return;
    while (!graphics_.empty() && graphicBytes_ + Size > GraphicCacheBytes) {
        graphicBytes_ -= graphics_.front().Size;
        graphics_.erase(graphics_.begin());
    }
    graphics_.push_back({Position, Kind, std::move(Graphic), Size});
    graphicBytes_ += Size;
}

std::shared_ptr<TBitmap> TFilePrinter::ReadBitmap() {
    std::shared_ptr<TGraphic> graphic = ReadGraphic();
    if (graphic && !dynamic_cast<TBitmap*>(graphic.get())) BadStream();
    return std::static_pointer_cast<TBitmap>(graphic);
}

// ---------------------------------------------------------------------------------------------
// Header and pages

void TFilePrinter::ReadHeader() {
    const Byte code = ReadByte();
    if (code == rpcHeader2009)
        version_ = 2009;
    else if (code == rpcHeader)
        version_ = ReadWord();
    else
        RaiseError(Trans_UnexpectedHeader);
    if (version_ >= ReportStreamVersion) SetTitle(ReadRawText());
    const int pages = ReadWord();
    if (pages < 0) BadStream();
    SetTotalPages(pages);
    ReadWord(); // first page of the recording's range
    ReadWord(); // last page
    pageWidthIn_ = ReadPageLength();
    pageHeightIn_ = ReadPageLength();
    for (int i = 0; i < 4; ++i)
        ReadReal(); // unprintable widths of the recording device
    ApplyPrinterSettings();
    // The file the recording's job was sent to is not followed: a recording from elsewhere could
    // name any file, and printing it would overwrite that file. The job goes where the player's
    // caller says (SetOutputFileName).
    ReadRawText();
    headerEnd_ = pos_;
    // A count beyond the pages the stream holds would play its last page again and again.
    if (CountPageRecords() != pages) BadStream();
    pos_ = headerEnd_;
}

int TFilePrinter::CountPageRecords() {
    ResetPagePosition();
    int count = 0;
    while (nextPos_ != 0) {
        pos_ = nextPos_;
        ReadPageRecord();
        ++count;
    }
    ResetPagePosition();
    return count;
}

void TFilePrinter::ApplyPrinterSettings() {
    const Byte orientation = ReadByte();
    const int bin = ReadWord();
    const bool collate = ReadFlag();
    const Byte duplex = ReadByte();
    const int copies = ReadWord();
    const int paperSize = ReadWord();
    const int paperWidth = ReadWord();
    const int paperLength = ReadWord();
    if (orientation > static_cast<Byte>(TOrientation::poDefault) || duplex > 2) BadStream();
    if (!PrinterInstalled()) return;
    SetOrientation(static_cast<TOrientation>(orientation));
    TRPDevice* device = RPDev();
    if (DEVMODE* record = device->GetDevMode()) {
        record->dmDefaultSource = static_cast<SmallInt>(bin);
        record->dmPaperSize = static_cast<SmallInt>(paperSize);
        record->dmPaperWidth = static_cast<SmallInt>(paperWidth);
        record->dmPaperLength = static_cast<SmallInt>(paperLength);
        record->dmFields |= DM_DEFAULTSOURCE | DM_PAPERSIZE;
        if (paperWidth > 0 && paperLength > 0) record->dmFields |= DM_PAPERWIDTH | DM_PAPERLENGTH;
    }
    device->SetCollate(collate);
    device->SetDuplex(duplex);
    if (copies > 0) device->SetCopies(copies);
}

void TFilePrinter::ResetPagePosition() {
    currentPage_ = 0;
    pageStart_ = prevPos_ = 0;
    nextPos_ = headerEnd_ < size_ ? headerEnd_ : 0;
}

void TFilePrinter::ReadPageRecord() {
    const Int64 start = pos_;
    if (ReadByte() != rpcNewPage) BadStream();
    const LongInt previous = ReadLong();
    const LongInt next = ReadLong();
    const int number = ReadWord();
    const double width = ReadPageLength();
    const double height = ReadPageLength();
    // Pages lie in order: a link back leads before this page, a link on after it, so a walk
    // along the links always ends.
    if (previous != 0 && (previous < headerEnd_ || previous >= start)) BadStream();
    if (next != 0 && (next <= start || next >= size_)) BadStream();
    pageStart_ = start;
    prevPos_ = previous;
    nextPos_ = next;
    currentPage_ = number;
    pageWidthIn_ = width;
    pageHeightIn_ = height;
}

void TFilePrinter::GotoPage(int PageNum) {
    if (!OnPage()) {
        if (nextPos_ == 0) return;
        pos_ = nextPos_;
        ReadPageRecord();
    }
    while (PageNum < currentPage_ && prevPos_ != 0) {
        pos_ = prevPos_;
        ReadPageRecord();
    }
    while (PageNum > currentPage_ && nextPos_ != 0) {
        pos_ = nextPos_;
        ReadPageRecord();
    }
    pos_ = pageStart_;
    ReadPageRecord();
}

void TFilePrinter::PlayPage(int PageNum) {
    GotoPage(PageNum);
    if (!OnPage()) return;
    UpdateStatus();
    fitPending_ = false;
    ReleaseFont();
    for (Byte code = ReadByte(); code != rpcEndPage; code = ReadByte())
        PlayCode(code);
    ReleaseFont();
}

// ---------------------------------------------------------------------------------------------
// Play-back to the printer

void TFilePrinter::ExecuteCustom(int FirstPage, int LastPage, int Copies) {
    if (!PrinterInstalled()) {
        MessageDlg(Trans_NoPrinters, mtError, TMsgDlgButtons{mbOK}, 0);
        return;
    }
    CheckNotPrinting();
    jobDateTime_ = Now();
    TWaitCursor wait;
    if (!OpenInput()) return;
    try {
        ReadHeader();
        if (Copies > 0) SetCopies(Copies);
        ResetPagePosition();
        const int first = FirstPage > 0 ? FirstPage : 1;
        const int last = LastPage > 0 && LastPage < TotalPages() ? LastPage : TotalPages();
        aborted_ = false;
        if (first <= last) PlayPages(first, last);
    } catch (...) {
        CloseInput();
        throw;
    }
    CloseInput();
}

void TFilePrinter::PlayPages(int First, int Last) {
    BeginDocument();
    try {
        AttachFontNotify();
        PrepareJob();
        printing_ = true;
        ResetJob();
        for (int page = First; page <= Last && !aborted_; ++page) {
            pageSkip_ = !PageSelected(page);
            RPDev()->NewPage(!pageSkip_);
            if (Application) Application->ProcessMessages();
            if (aborted_) break;
            PlayPage(page);
            currentPage_ = page;
            if (Application) Application->ProcessMessages();
        }
    } catch (const EAbort&) {
        aborted_ = true;
    } catch (...) {
        aborted_ = true;
        EndPlayback();
        throw;
    }
    EndPlayback();
}

void TFilePrinter::EndPlayback() {
    DetachFontNotify();
    ClearFontCache();
    try {
        EndDocument();
    } catch (...) {
        printing_ = false;
        throw;
    }
    printing_ = false;
}

// ---------------------------------------------------------------------------------------------
// Operations

void TFilePrinter::PlayCode(Byte Code) {
    // The font codes in a row change the font record only; the font is set once they are all
    // read, and fitted then, so the sample is measured in the whole font it was recorded in.
    if (Code >= rpcFont && Code <= rpcFontAlign) {
        HoldFont();
    } else {
        ReleaseFont();
        if (fitPending_) {
            fitPending_ = false;
            FitFont(GetFontHeight(), fitSample_);
        }
    }
    switch (Code) {
    case rpcArc:
    case rpcChord:
    case rpcPie:
    case rpcEllipse:
    case rpcRectangle:
    case rpcTabRectangle:
    case rpcRoundRect:
    case rpcMoveTo:
    case rpcLineTo:
    case rpcPolygon:
    case rpcPolyline:
    case rpcFloodFill:
    case rpcDrawFocusRect:
    case rpcFillRect:
    case rpcFrameRect: PlayShape(Code); return;
    case rpcTextRect:
    case rpcCenterText:
    case rpcLeftText:
    case rpcRightText:
    case rpcBlockTextOld:
    case rpcBlockText: PlayText(Code); return;
    case rpcBrushCopy: {
        std::shared_ptr<TBitmap> bitmap = ReadBitmap();
        const TRect dest = ReadRect();
        const TRect source = ReadRect();
        const auto color = static_cast<TColor>(ReadLong());
        BrushCopy(dest, bitmap.get(), source, color);
        return;
    }
    case rpcDraw: {
        std::shared_ptr<TGraphic> graphic = ReadGraphic();
        double x = 0.0, y = 0.0;
        ReadPoint(x, y);
        Draw(x, y, graphic.get());
        return;
    }
    case rpcStretchDraw: {
        std::shared_ptr<TGraphic> graphic = ReadGraphic();
        const TRect rect = ReadRect();
        StretchDraw(rect, graphic.get());
        return;
    }
    case rpcPrintBitmap: {
        std::shared_ptr<TBitmap> bitmap = ReadBitmap();
        double x = 0.0, y = 0.0;
        ReadPoint(x, y);
        const double scaleX = ReadReal();
        const double scaleY = ReadReal();
        PrintBitmap(x, y, scaleX, scaleY, bitmap.get());
        return;
    }
    case rpcPrintBitmapRect: {
        std::shared_ptr<TBitmap> bitmap = ReadBitmap();
        double x1 = 0.0, y1 = 0.0, x2 = 0.0, y2 = 0.0;
        ReadPoint(x1, y1);
        ReadPoint(x2, y2);
        PrintBitmapRect(x1, y1, x2, y2, bitmap.get());
        return;
    }
    case rpcTextBKMode: SetTextBKMode(ReadFlag() ? bkOpaque : bkTransparent); return;
    case rpcBKColor: {
        const auto color = static_cast<TColor>(ReadLong());
        if (CanOutput()) SetBKColor(color);
        return;
    }
    case rpcScaleX:
    case rpcScaleY: ReadReal(); return; // the player's own scale applies
    case rpcPrintData: PrintData(ReadText()); return;
    case rpcPrintDataStream: {
        const LongInt count = ReadLong();
        if (count < 0) BadStream();
        Need(count);
        TMemoryStream data;
        data.WriteBuffer(data_ + pos_, count);
        data.SetPosition(0);
        pos_ += count;
        if (count > 0) PrintDataStream(data, count);
        return;
    }
    case rpcBitmapMode: bitmapMode_ = ReadByte(); return;
    case rpcResetLineHeight:
        ascent_ = ReadReal();
        descent_ = ReadReal();
        lineHeight_ = ReadReal();
        return;
    case rpcAllowPreviewOnly: OutputToPreviewOnly(); return;
    case rpcAllowPrinterOnly: OutputToPrinterOnly(); return;
    case rpcAllowAll: OutputToAll(); return;
    case rpcSetOrientation: {
        const Byte value = ReadByte();
        if (value > static_cast<Byte>(TOrientation::poDefault)) BadStream();
        SetOrientation(static_cast<TOrientation>(value));
        return;
    }
    case rpcSetBin: SelectBin(ReadText()); return;
    default: break;
    }
    if ((Code >= rpcBrush && Code <= rpcBrushBitmap) || (Code >= rpcPen && Code <= rpcPenWidth)) {
        PlayBrushPen(Code);
        return;
    }
    if (Code >= rpcFont && Code <= rpcFontAlign) {
        PlayFont(Code);
        return;
    }
    BadStream();
}

void TFilePrinter::PlayShape(Byte Code) {
    if (Code == rpcPolygon || Code == rpcPolyline) {
        const int last = ReadWord();
        if (last < 0 || (static_cast<Int64>(last) + 1) * 8 > size_ - pos_) BadStream();
        std::vector<TPoint> points;
        points.reserve(static_cast<std::size_t>(last) + 1);
        for (int i = 0; i <= last; ++i)
            points.push_back(ReadDevicePoint());
        if (Code == rpcPolygon)
            Polygon(points);
        else
            Polyline(points);
        return;
    }
    if (Code == rpcDrawFocusRect || Code == rpcFillRect || Code == rpcFrameRect) {
        const TRect rect = ReadRect();
        if (Code == rpcDrawFocusRect) DrawFocusRect(rect);
        if (Code == rpcFillRect) FillRect(rect);
        if (Code == rpcFrameRect) FrameRect(rect);
        return;
    }
    double x[4] = {}, y[4] = {};
    ReadPoint(x[0], y[0]);
    switch (Code) {
    case rpcMoveTo: MoveTo(x[0], y[0]); return;
    case rpcLineTo: LineTo(x[0], y[0]); return;
    case rpcFloodFill: {
        const auto color = static_cast<TColor>(ReadLong());
        TFillStyle style = fsSurface;
        const LongInt code = ReadLong();
        if (code < 0 || code > 255 || !FillStyleOfCode(static_cast<Byte>(code), style)) BadStream();
        FloodFill(x[0], y[0], color, style);
        return;
    }
    default: break;
    }
    ReadPoint(x[1], y[1]);
    switch (Code) {
    case rpcEllipse: Ellipse(x[0], y[0], x[1], y[1]); return;
    case rpcRectangle: Rectangle(x[0], y[0], x[1], y[1]); return;
    case rpcTabRectangle: TabRectangle(x[0], y[0], x[1], y[1]); return;
    case rpcRoundRect: {
        const double width = ReadReal();
        const double height = ReadReal();
        RoundRect(x[0], y[0], x[1], y[1], width, height);
        return;
    }
    default: break;
    }
    ReadPoint(x[2], y[2]);
    ReadPoint(x[3], y[3]);
    if (Code == rpcArc) Arc(x[0], y[0], x[1], y[1], x[2], y[2], x[3], y[3]);
    if (Code == rpcChord) Chord(x[0], y[0], x[1], y[1], x[2], y[2], x[3], y[3]);
    if (Code == rpcPie) Pie(x[0], y[0], x[1], y[1], x[2], y[2], x[3], y[3]);
}

void TFilePrinter::PlayText(Byte Code) {
    if (Code == rpcTextRect) {
        const TRect rect = ReadRect();
        double x = 0.0, y = 0.0;
        ReadPoint(x, y);
        TextRect(rect, x, y, ReadText());
        return;
    }
    curY_ = ReadReal();
    const std::string text = ReadText();
    const double x = ReadReal();
    switch (Code) {
    case rpcCenterText: CenterText(text, x); return;
    case rpcLeftText: LeftText(text, x); return;
    case rpcRightText: RightText(text, x); return;
    default: break;
    }
    const double width = ReadReal();
    if (NoPrint()) return;
    // A text this device draws as wide as the recording's is drawn whole where it was recorded,
    // as printing it straight draws it; otherwise the room between its words is shared so its
    // last word ends where it ended when recorded. A single word needs no spreading.
    const std::size_t first = text.find_first_not_of(' ');
    const std::size_t last = text.find_last_not_of(' ');
    if (first == std::string::npos || text.find(' ', first) > last) {
        LeftText(text, x);
        return;
    }
    const int pixels = HasCodes(text) ? 0 : std::max(1, TextPixels(text));
    if (pixels > 0 && std::fabs(pixels - width * xDPI_ * ScaleX() * zoom_ * 0.0001) < 0.5)
        OutputText(text, x, TA_LEFT, pixels);
    else
        BlockText(text, x, width);
}

void TFilePrinter::PlayBrushPen(Byte Code) {
    TCanvas* canvas = GetCanvas();
    TBrush* brush = canvas->Brush();
    TPen* pen = canvas->Pen();
    switch (Code) {
    case rpcBrush: {
        const auto color = static_cast<TColor>(ReadLong());
        const Byte style = ReadByte();
        const bool hasBitmap = ReadFlag();
        TBrushStyle brushStyle = bsSolid;
        if (!BrushStyleOfCode(style, brushStyle)) BadStream();
        std::shared_ptr<TBitmap> bitmap = hasBitmap ? ReadBitmap() : nullptr;
        brush->SetColor(color);
        brush->SetStyle(brushStyle);
        brush->SetBitmap(bitmap.get());
        return;
    }
    case rpcBrushColor: brush->SetColor(static_cast<TColor>(ReadLong())); return;
    case rpcBrushStyle: {
        TBrushStyle style = bsSolid;
        if (!BrushStyleOfCode(ReadByte(), style)) BadStream();
        brush->SetStyle(style);
        return;
    }
    case rpcBrushBitmap: {
        std::shared_ptr<TBitmap> bitmap = ReadFlag() ? ReadBitmap() : nullptr;
        brush->SetBitmap(bitmap.get());
        return;
    }
    case rpcPen: {
        const auto color = static_cast<TColor>(ReadLong());
        TPenMode mode = pmCopy;
        TPenStyle style = psSolid;
        if (!PenModeOfCode(ReadByte(), mode) || !PenStyleOfCode(ReadByte(), style)) BadStream();
        const double width = ReadReal();
        pen->SetColor(color);
        pen->SetMode(mode);
        pen->SetStyle(style);
        pen->SetWidth(PenPixels(width));
        return;
    }
    case rpcPenColor: pen->SetColor(static_cast<TColor>(ReadLong())); return;
    case rpcPenMode: {
        TPenMode mode = pmCopy;
        if (!PenModeOfCode(ReadByte(), mode)) BadStream();
        pen->SetMode(mode);
        return;
    }
    case rpcPenStyle: {
        TPenStyle style = psSolid;
        if (!PenStyleOfCode(ReadByte(), style)) BadStream();
        pen->SetStyle(style);
        return;
    }
    case rpcPenWidth: {
        const double width = ReadReal();
        if (width < 0.0) BadStream();
        pen->SetWidth(PenPixels(width));
        return;
    }
    default: BadStream();
    }
}

void TFilePrinter::PlayFont(Byte Code) {
    switch (Code) {
    case rpcFont: {
        SetFontName(ReadRawText());
        SetFontColor(static_cast<TColor>(ReadLong()));
        const Byte pitch = ReadByte();
        if (pitch > 2) BadStream();
        SetFontPitch(pitch);
        SetFontHeight(ReadFontHeight());
        SetBold(ReadFlag());
        SetItalic(ReadFlag());
        SetUnderline(ReadFlag());
        SetStrikeout(ReadFlag());
        SetFontRotation(ReadWord());
        return;
    }
    case rpcFontName: SetFontName(ReadRawText()); return;
    case rpcFontColor: SetFontColor(static_cast<TColor>(ReadLong())); return;
    case rpcFontPitch: {
        const Byte pitch = ReadByte();
        if (pitch > 2) BadStream();
        SetFontPitch(pitch);
        return;
    }
    case rpcFontHeight: {
        const double height = ReadFontHeight();
        const double sample = ReadReal();
        if (sample < 0.0) BadStream();
        SetFontHeight(height);
        fitSample_ = sample;
        fitPending_ = true;
        return;
    }
    case rpcFontBold: SetBold(ReadFlag()); return;
    case rpcFontUnderline: SetUnderline(ReadFlag()); return;
    case rpcFontItalic: SetItalic(ReadFlag()); return;
    case rpcFontStrikeout: SetStrikeout(ReadFlag()); return;
    case rpcFontSuperscript: SetSuperscript(ReadFlag()); return;
    case rpcFontSubscript: SetSubscript(ReadFlag()); return;
    case rpcFontRotation: SetFontRotation(ReadWord()); return;
    case rpcFontAlign: SetFontAlign(ReadByte()); return;
    default: BadStream();
    }
}

double TFilePrinter::ReadFontHeight() {
    const double points =
        std::round(ReadReal() * 72.0 * HeightPointsPrecision) / HeightPointsPrecision;
    if (!UsableFontSize(points)) BadStream();
    return points / 72.0;
}

int TFilePrinter::PenPixels(double Width) const {
    return static_cast<int>(Round(Width * xDPI_ * ScaleX() * zoom_ * 0.0001));
}

void TFilePrinter::FitFont(double Height, double Sample) {
    if (!(Sample > 0.0)) return;
    const double pixels = Height * yDPI_ * zoom_ * 0.01;
    const auto heightAt = [&](int steps) {
        return steps == 0 ? Height : Height * (pixels - steps * FontFitStep) / pixels;
    };
    const int fitted = FontFitSteps(pixels, Sample, [&](int steps) {
        SetFontHeight(heightAt(steps));
        return FontSampleWidth();
    });
    SetFontHeight(heightAt(fitted));
}

int FontFitSteps(double HeightPixels, double Sample, const std::function<double(int)>& WidthAt) {
    const auto fits = [&](double width) {
        return static_cast<float>(width) <= static_cast<float>(Sample);
    };
    const double recorded = WidthAt(0);
    if (fits(recorded)) return 0;
    // The most steps that leave the font a pixel high at least.
    int most = std::max(0, static_cast<int>((HeightPixels - 1.0) / FontFitStep) + 1);
    while (most > 0 && HeightPixels - most * FontFitStep < 1.0)
        --most;
    if (most == 0) return 0;
    const double first = WidthAt(1);
    if (first >= recorded) return 0;
    if (fits(first)) return 1;
    // `low` steps do not fit; `high` steps fit, or are the most there are. Each measurement
    // narrows the range: first at the step where the sample would fit were its width in
    // proportion to the height, then beside it, then halfway.
    int low = 1;
    int high = most;
    const auto narrow = [&](int steps) {
        if (steps > low && steps < high) (fits(WidthAt(steps)) ? high : low) = steps;
    };
    const double proportional = HeightPixels * (1.0 - Sample / recorded) / FontFitStep;
    const int guess = std::clamp(static_cast<int>(std::ceil(proportional)), low + 1, high);
    narrow(guess);
    narrow(high == guess ? guess - 1 : guess + 1);
    while (high - low > 1)
        narrow(low + (high - low) / 2);
    return high;
}
