// The Win32-level printing calls the report engine's printer device expects: the printer list
// kept in the profile, device-mode records, device capabilities, printer device and information
// contexts, and the document and page calls with an abort callback.
#pragma once

#include "platform/gui/WinGdi.h"
#include "platform/rtl/Types.h"

#include <functional>
#include <string>
#include <vector>

// Device-mode fields.
enum : DWORD {
    DM_ORIENTATION = 0x1,
    DM_PAPERSIZE = 0x2,
    DM_PAPERLENGTH = 0x4,
    DM_PAPERWIDTH = 0x8,
    DM_SCALE = 0x10,
    DM_COPIES = 0x100,
    DM_DEFAULTSOURCE = 0x200,
    DM_PRINTQUALITY = 0x400,
    DM_COLOR = 0x800,
    DM_DUPLEX = 0x1000,
    DM_YRESOLUTION = 0x2000,
    DM_COLLATE = 0x8000,
};
enum : SmallInt { DMORIENT_PORTRAIT = 1, DMORIENT_LANDSCAPE = 2 };
enum : SmallInt {
    DMPAPER_LETTER = 1,
    DMPAPER_LEGAL = 5,
    DMPAPER_EXECUTIVE = 7,
    DMPAPER_A3 = 8,
    DMPAPER_A4 = 9,
    DMPAPER_A5 = 11,
    DMPAPER_ENV_10 = 20,
    DMPAPER_USER = 256,
};
enum : SmallInt {
    DMBIN_UPPER = 1,
    DMBIN_LOWER = 2,
    DMBIN_MIDDLE = 3,
    DMBIN_MANUAL = 4,
    DMBIN_ENVELOPE = 5,
    DMBIN_AUTO = 7,
    DMBIN_TRACTOR = 8,
};
enum : SmallInt { DMDUP_SIMPLEX = 1, DMDUP_VERTICAL = 2, DMDUP_HORIZONTAL = 3 };
enum : SmallInt { DMCOLLATE_FALSE = 0, DMCOLLATE_TRUE = 1 };
enum : SmallInt { DMCOLOR_MONOCHROME = 1, DMCOLOR_COLOR = 2 };

// A printer's settings for the next document. A field counts only when its flag is in
// dmFields; sizes are in tenths of a millimetre.
struct DEVMODE {
    std::string dmDeviceName; // at most 31 characters
    DWORD dmFields = 0;
    SmallInt dmOrientation = DMORIENT_PORTRAIT;
    SmallInt dmPaperSize = DMPAPER_LETTER;
    SmallInt dmPaperLength = 0;
    SmallInt dmPaperWidth = 0;
    SmallInt dmScale = 100;
    SmallInt dmCopies = 1;
    SmallInt dmDefaultSource = DMBIN_AUTO;
    SmallInt dmPrintQuality = 300;
    SmallInt dmColor = DMCOLOR_COLOR;
    SmallInt dmDuplex = DMDUP_SIMPLEX;
    SmallInt dmYResolution = 300;
    SmallInt dmCollate = DMCOLLATE_FALSE;
};

// The printers as the profile lists them: each "devices" key is a device name and its value
// "driver,port[,port...]"; "windows" "device" is "device,driver,port" of the default printer.
// The sections are written from the printer backends on the first use of these calls (and again
// after the backends or the settings folder change, or when the "devices" section is gone); later
// edits of the sections are read as they stand. A default
// the user set there is kept while it names an installed printer.
struct TPrinterEntry {
    std::string Device;
    std::string Driver;
    std::string Port;
};
std::vector<TPrinterEntry> EnumPrinters();
// The default printer's device name ("PDF" when no other default is set or nothing else is
// installed).
std::string DefaultPrinterName();
// Writes the "devices" section (only when it differs from the backends' list) and, when missing
// or naming no installed printer, the "windows" "device" key.
void WritePrinterProfile();
// Keeps other programs sharing the settings folder from changing the printer sections while it
// lives: the calls above write and read them under it, and a caller reading the sections itself
// holds one around its reads, so it never meets a list half rewritten. A program may hold several
// at once (the first one locks, the last one unlocks).
class TPrinterProfileLock {
public:
    TPrinterProfileLock();
    ~TPrinterProfileLock();
    TPrinterProfileLock(const TPrinterProfileLock&) = delete;
    TPrinterProfileLock& operator=(const TPrinterProfileLock&) = delete;
};

// The printer's current settings, every field it supports flagged; false for an unknown device.
bool DocumentProperties(const std::string& device, DEVMODE& devMode);

// Device capabilities.
enum : Word {
    DC_PAPERS = 2,
    DC_PAPERSIZE = 3,
    DC_BINS = 6,
    DC_DUPLEX = 7,
    DC_BINNAMES = 12,
    DC_PAPERNAMES = 16,
    DC_COPIES = 18,
    DC_COLLATE = 22,
};
// Returns the number of items (or the value for DC_COPIES, DC_DUPLEX, DC_COLLATE) and fills the
// lists the capability has: DC_BINS and DC_PAPERS numbers into values, DC_PAPERSIZE width and
// length pairs into values, DC_BINNAMES (24 characters at most) and DC_PAPERNAMES (64) into
// names. -1 for an unknown device or capability.
int DeviceCapabilities(const std::string& device, const std::string& port, Word capability,
                       std::vector<std::string>* names = nullptr,
                       std::vector<int>* values = nullptr);

// A device context for printing on the named printer (driver and port are not checked), or an
// information context that answers GetDeviceCaps and measures text but cannot start a document.
// nullptr for an unknown device. devMode may be nullptr (the printer's current settings).
HDC CreateDC(const std::string& driver, const std::string& device, const std::string& port,
             const DEVMODE* devMode);
HDC CreateIC(const std::string& driver, const std::string& device, const std::string& port,
             const DEVMODE* devMode);
// Takes new settings; between pages of a document they apply from the next page on.
HDC ResetDC(HDC dc, const DEVMODE& devMode);

struct DOCINFO {
    std::string lpszDocName; // at most 31 characters are used
    std::string lpszOutput;  // a file to print to; empty: the printer's own output
};
constexpr int SP_ERROR = -1;
constexpr int SP_APPABORT = -2;
// Called while pages are sent: return false to abort the document. It may process pending
// events of the application.
using ABORTPROC = std::function<bool(HDC dc, int error)>;
int SetAbortProc(HDC dc, ABORTPROC proc);
// Why a document's output file could not be made, or written to its end: where it was to be
// written (the file the caller named, a numbered file, or the folder a numbered file was to be
// made in; in the program's character set) and the system's error number (errno). Both are
// empty when the document failed for another reason (a printer that cannot be reached).
struct TOutputFailure {
    std::string Place;
    int Error = 0;
};
// What follows the statement that a document did not start (or was not completed) when its
// output could not be made (or written): where and the system's cause, then that nothing was
// printed. At the start, where is the folder of printouts, or "the file" when the caller named
// one (and names it itself); at the end, the file by its name. Empty for a failure of another
// kind.
std::string StartDocFailureText(const TOutputFailure& failure, bool named);
std::string EndDocFailureText(const TOutputFailure& failure);
// Starts a document: a job number above 0, or SP_ERROR when the output cannot be made (for
// example a PDF file that cannot be written) or the context cannot print.
int StartDoc(HDC dc, const DOCINFO& info);
// The failure of the last StartDoc (empty when it succeeded).
TOutputFailure LastStartDocFailure();
int StartPage(HDC dc);
// Ends the page; the abort callback is asked first and may abort the document (SP_APPABORT).
int EndPage(HDC dc);
// Completes the document: above 0, or SP_ERROR when its output could not be written (a file
// written in part is removed, and a file the caller named keeps what it held before).
int EndDoc(HDC dc);
// The failure of the last EndDoc (empty when it succeeded or failed for another reason).
TOutputFailure LastEndDocFailure();
int AbortDoc(HDC dc);
// Printer escapes: PASSTHROUGH sends raw bytes to the printer. Returns the number of bytes
// taken, 0 when the printer takes no raw data (the PDF printer) or the escape is unknown, and
// SP_ERROR outside a page.
enum : int { PASSTHROUGH = 19 };
int Escape(HDC dc, int escape, const std::string& data);
// The file the last finished document was written to, as a full path (empty when it went to a
// printer).
std::string LastPrintOutput();
// Called once a document has been written to a file (the built-in PDF printer, or a printer's
// output sent to a file), with the file's full path: the program tells the user where the
// printout went. Returns the handler it replaces.
using TPrintedToFileEvent = std::function<void(const std::string& File)>;
TPrintedToFileEvent SetPrintedToFileHandler(TPrintedToFileEvent Handler);
