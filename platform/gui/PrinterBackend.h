// Where printing goes: printer backends list printers with their capabilities and turn a
// document into output. The system's backends are the printers Qt lists (CUPS) and the built-in
// printer "PDF"; tests install a backend of their own that records what was printed.
#pragma once

#include "platform/gui/Graphics.h"
#include "platform/gui/WinSpool.h"

#include <memory>
#include <string>
#include <vector>

struct TPaperInfo {
    SmallInt Code = DMPAPER_LETTER;
    std::string Name;
    int Width = 0;  // tenths of a millimetre, portrait
    int Length = 0; // tenths of a millimetre, portrait
};

struct TBinInfo {
    SmallInt Number = DMBIN_AUTO;
    std::string Name;
};

// One printer of a backend.
struct TPrinterInfo {
    std::string Device;
    std::string Driver;
    std::string Port;
    int DpiX = 300;
    int DpiY = 300;
    std::vector<TPaperInfo> Papers;
    std::vector<TBinInfo> Bins;
    SmallInt DefaultPaper = DMPAPER_LETTER;
    int MaxCopies = 1;
    bool Duplex = false;
    bool Collate = false;
    // The unprintable margins of a portrait page in device pixels.
    int MarginLeft = 0;
    int MarginTop = 0;
    int MarginRight = 0;
    int MarginBottom = 0;
};

// The paper and layout of a page in device pixels.
struct TPageGeometry {
    int DpiX = 300;
    int DpiY = 300;
    int PhysicalWidth = 0;
    int PhysicalHeight = 0;
    int OffsetX = 0;
    int OffsetY = 0;
    int Width = 0;  // printable
    int Height = 0; // printable
    bool Landscape = false;
    int PaperWidth = 0;  // tenths of a millimetre, as the page lies
    int PaperLength = 0; // tenths of a millimetre, as the page lies
};
// The geometry of a printer's page for a device mode (custom sizes and orientation applied).
TPageGeometry PageGeometry(const TPrinterInfo& printer, const DEVMODE& devMode);

// What a document was started with.
struct TJobSettings {
    std::string DocName;
    std::string Output; // file to print to, or empty
    DEVMODE DevMode;
    TPageGeometry Page;
};

// A document being printed. StartPage binds the context to the new page's surface.
class TPrintDocument {
public:
    virtual ~TPrintDocument() = default;
    virtual bool StartPage(HDC dc, const TPageGeometry& page) = 0;
    virtual bool EndPage(HDC dc) = 0;
    // Completes the output; false when it could not be written, a file that could not be
    // written told in failure.
    virtual bool Finish(HDC dc, TOutputFailure& failure) = 0;
    virtual void Abort(HDC dc) = 0;
    // The file written (empty when the output went to a printer).
    virtual std::string OutputFile() const = 0;
    // Raw bytes for the printer, sent as they are; false when the printer takes none.
    virtual bool PassThrough(const std::string&) { return false; }
};

class TPrinterBackend {
public:
    virtual ~TPrinterBackend() = default;
    virtual std::vector<TPrinterInfo> Printers() = 0;
    // The backend's own default printer, or empty.
    virtual std::string DefaultPrinter() { return {}; }
    // A started document, or nullptr when it cannot be started; an output file that cannot be
    // made is told in failure.
    virtual std::unique_ptr<TPrintDocument> StartDocument(const TPrinterInfo& printer,
                                                          const TJobSettings& settings,
                                                          TOutputFailure& failure) = 0;
};

// The backends printing goes through, in the order their printers are listed. Until set, the
// system's: Qt's printers and then "PDF".
std::vector<std::shared_ptr<TPrinterBackend>>& PrinterBackends();
void SetPrinterBackends(std::vector<std::shared_ptr<TPrinterBackend>> backends);
// The built-in printer "PDF": Letter paper, 300 dots per inch, no unprintable margins. Its
// documents go to the file named by the caller or else to a new numbered file in the folder
// "printed" of the settings folder. A document appears under its name only when complete: it is
// written as a part ("print0001.pdf.part", "<name>.1.part") that then takes its name, or, where
// replacing a file named would change its owner, group, access list, mode or other names, is
// copied into it under the file's lock (a second print into the file waits for the copy).
// A part over a file named is its maker's alone until it takes the file's identity, so that no
// one the file shuts out reads any of it. A document that cannot be completed leaves nothing,
// and a file named keeps what it held; the parts of a print that was killed are removed by the
// next print in their folder that may read them.
std::shared_ptr<TPrinterBackend> CreatePdfPrinterBackend();
// The printers Qt lists (CUPS).
std::shared_ptr<TPrinterBackend> CreateQtPrinterBackend();

// A backend for tests: printers with settable resolution, paper, margins, copies limit, bins,
// duplex and collation; it records every document and page.
class TTestPrinterBackend : public TPrinterBackend {
public:
    // A text output as the program passed it (position in logical units, usually pixels).
    struct TPrintedText {
        int X = 0;
        int Y = 0;
        UINT Align = 0; // the context's text alignment
        std::string Text;
        LOGFONT Font; // the font selected
        COLORREF Color = 0;
    };
    struct TPage {
        TPageGeometry Geometry;
        std::string RawData; // bytes sent with the pass-through escape
        std::vector<TPrintedText> Texts;
        // The printable area as drawn, when page images are kept (else nullptr).
        std::shared_ptr<TBitmap> Image;
    };
    struct TDocument {
        std::string Printer;
        TJobSettings Settings;
        std::vector<TPage> Pages;
        bool Finished = false;
        bool Aborted = false;
    };

    // A printer named "Test Printer" on "LPT1:" with driver "TEST": 600 dpi, Letter, A4 and
    // Legal, margins of 0.25 inch, up to 99 copies, two bins, duplex and collation.
    static TPrinterInfo StandardPrinter();

    void AddPrinter(const TPrinterInfo& printer) { printers_.push_back(printer); }
    void SetDefault(const std::string& device) { default_ = device; }
    // The next StartDocument fails (as a printer that cannot be reached).
    void FailNextStart() { failNext_ = true; }
    // Pages are drawn into bitmaps of the printable area and kept (off by default: a page of
    // 600 dots per inch takes over a hundred megabytes).
    void SetKeepPageImages(bool keep) { keepImages_ = keep; }
    const std::vector<TDocument>& Documents() const { return documents_; }

    std::vector<TPrinterInfo> Printers() override { return printers_; }
    std::string DefaultPrinter() override { return default_; }
    std::unique_ptr<TPrintDocument> StartDocument(const TPrinterInfo& printer,
                                                  const TJobSettings& settings,
                                                  TOutputFailure& failure) override;

private:
    class TRecordingDocument;
    std::vector<TPrinterInfo> printers_;
    std::string default_;
    bool failNext_ = false;
    bool keepImages_ = false;
    std::vector<TDocument> documents_;
};
