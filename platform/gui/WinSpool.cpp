#include "platform/gui/WinSpool.h"

#include "platform/gui/PrinterBackend.h"
#include "platform/gui/QtPaint.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/Paths.h"
#include "platform/rtl/Profile.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/SysUtils.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <utility>

// The printing state of a printer context.
struct TPrintJob {
    std::shared_ptr<TPrinterBackend> Backend;
    TPrinterInfo Printer;
    DEVMODE DevMode;
    bool Information = false;
    std::unique_ptr<TPrintDocument> Document;
    ABORTPROC AbortProc;
    bool PageOpen = false;
    ~TPrintJob() {
        if (Document) Document->Abort(nullptr);
    }
};

namespace {

struct TFoundPrinter {
    std::shared_ptr<TPrinterBackend> Backend;
    TPrinterInfo Info;
};

std::vector<TFoundPrinter> AllPrinters() {
    std::vector<TFoundPrinter> result;
    for (const auto& backend : PrinterBackends()) {
        if (!backend) continue;
        for (const TPrinterInfo& info : backend->Printers()) {
            bool duplicate = false;
            for (const TFoundPrinter& f : result)
                duplicate = duplicate || SameText(f.Info.Device, info.Device);
            if (!duplicate) result.push_back({backend, info});
        }
    }
    return result;
}

bool FindPrinter(const std::string& device, TFoundPrinter& found) {
    for (TFoundPrinter& f : AllPrinters()) {
        if (SameText(f.Info.Device, device)) {
            found = std::move(f);
            return true;
        }
    }
    return false;
}

// The default the backends give: the first backend's own default that is installed, else
// "PDF", else the first printer.
std::string BackendDefault(const std::vector<TFoundPrinter>& printers) {
    for (const auto& backend : PrinterBackends()) {
        if (!backend) continue;
        std::string name = backend->DefaultPrinter();
        for (const TFoundPrinter& f : printers)
            if (!name.empty() && SameText(f.Info.Device, name)) return f.Info.Device;
    }
    for (const TFoundPrinter& f : printers)
        if (f.Info.Device == "PDF") return "PDF";
    return printers.empty() ? std::string() : printers.front().Info.Device;
}

// The device named by the "windows" "device" profile key when it is installed.
std::string ProfileDefault(const std::vector<TFoundPrinter>& printers) {
    std::string value = GetProfileString("windows", "device", "");
    std::string device = Trim(value.substr(0, value.find(',')));
    for (const TFoundPrinter& f : printers)
        if (!device.empty() && SameText(f.Info.Device, device)) return f.Info.Device;
    return {};
}

const TFoundPrinter* Named(const std::vector<TFoundPrinter>& printers, const std::string& d) {
    for (const TFoundPrinter& f : printers)
        if (SameText(f.Info.Device, d)) return &f;
    return nullptr;
}

DEVMODE DefaultDevMode(const TPrinterInfo& p) {
    DEVMODE dm;
    dm.dmDeviceName = p.Device.substr(0, 31);
    dm.dmFields = DM_ORIENTATION | DM_PAPERSIZE | DM_COPIES | DM_DEFAULTSOURCE | DM_PRINTQUALITY |
                  DM_YRESOLUTION | DM_COLOR;
    dm.dmPaperSize = p.DefaultPaper;
    dm.dmDefaultSource = p.Bins.empty() ? static_cast<SmallInt>(DMBIN_AUTO) : p.Bins.front().Number;
    dm.dmPrintQuality = static_cast<SmallInt>(p.DpiX);
    dm.dmYResolution = static_cast<SmallInt>(p.DpiY);
    if (p.Duplex) dm.dmFields |= DM_DUPLEX;
    if (p.Collate) dm.dmFields |= DM_COLLATE;
    return dm;
}

// The settings a printer takes from a device mode: unsupported and invalid values fall back to
// the printer's own.
DEVMODE Merge(const TPrinterInfo& p, const DEVMODE* requested) {
    DEVMODE dm = DefaultDevMode(p);
    if (!requested) return dm;
    const DEVMODE& r = *requested;
    if ((r.dmFields & DM_ORIENTATION) &&
        (r.dmOrientation == DMORIENT_PORTRAIT || r.dmOrientation == DMORIENT_LANDSCAPE))
        dm.dmOrientation = r.dmOrientation;
    if (r.dmFields & DM_PAPERSIZE) {
        for (const TPaperInfo& paper : p.Papers)
            if (paper.Code == r.dmPaperSize) dm.dmPaperSize = r.dmPaperSize;
    }
    if ((r.dmFields & DM_PAPERWIDTH) && r.dmPaperWidth > 0) {
        dm.dmPaperWidth = r.dmPaperWidth;
        dm.dmFields |= DM_PAPERWIDTH;
    }
    if ((r.dmFields & DM_PAPERLENGTH) && r.dmPaperLength > 0) {
        dm.dmPaperLength = r.dmPaperLength;
        dm.dmFields |= DM_PAPERLENGTH;
    }
    if ((r.dmFields & DM_COPIES) && r.dmCopies > 0)
        dm.dmCopies = static_cast<SmallInt>(std::min<int>(r.dmCopies, p.MaxCopies));
    if (r.dmFields & DM_DEFAULTSOURCE) {
        for (const TBinInfo& bin : p.Bins)
            if (bin.Number == r.dmDefaultSource) dm.dmDefaultSource = r.dmDefaultSource;
    }
    if (p.Duplex && (r.dmFields & DM_DUPLEX) && r.dmDuplex >= DMDUP_SIMPLEX &&
        r.dmDuplex <= DMDUP_HORIZONTAL)
        dm.dmDuplex = r.dmDuplex;
    if (p.Collate && (r.dmFields & DM_COLLATE))
        dm.dmCollate = r.dmCollate == DMCOLLATE_TRUE ? DMCOLLATE_TRUE : DMCOLLATE_FALSE;
    if ((r.dmFields & DM_COLOR) && (r.dmColor == DMCOLOR_MONOCHROME || r.dmColor == DMCOLOR_COLOR))
        dm.dmColor = r.dmColor;
    return dm;
}

void ApplyGeometry(TDeviceContext& dc, const TPageGeometry& g) {
    dc.Info.Technology = DT_RASPRINTER;
    dc.Info.DpiX = g.DpiX;
    dc.Info.DpiY = g.DpiY;
    dc.Info.Width = g.Width;
    dc.Info.Height = g.Height;
    dc.Info.PhysicalWidth = g.PhysicalWidth;
    dc.Info.PhysicalHeight = g.PhysicalHeight;
    dc.Info.OffsetX = g.OffsetX;
    dc.Info.OffsetY = g.OffsetY;
    dc.Info.BitsPixel = 24;
}

HDC MakePrinterDC(const std::string& device, const DEVMODE* devMode, bool information) {
    TFoundPrinter found;
    if (!FindPrinter(device, found)) return nullptr;
    auto job = std::make_shared<TPrintJob>();
    job->Backend = found.Backend;
    job->Printer = found.Info;
    job->DevMode = Merge(found.Info, devMode);
    job->Information = information;
    TPageGeometry g = PageGeometry(job->Printer, job->DevMode);
    TDeviceInfo info;
    HDC hdc = CreatePainterDC(info);
    TDeviceContext* dc = DeviceContext(hdc);
    ApplyGeometry(*dc, g);
    dc->Job = job;
    return hdc;
}

TPrintJob* JobOf(HDC hdc) {
    TDeviceContext* dc = DeviceContext(hdc);
    return dc ? dc->Job.get() : nullptr;
}

std::string& LastOutput() {
    static std::string last;
    return last;
}

TOutputFailure& StartFailure() {
    static TOutputFailure failure;
    return failure;
}

TOutputFailure& EndFailure() {
    static TOutputFailure failure;
    return failure;
}

TPrintedToFileEvent& PrintedToFile() {
    static TPrintedToFileEvent handler;
    return handler;
}

// A file name as a full path (a relative name is taken from the current folder).
std::string FullPath(const std::string& File) {
    if (File.empty()) return File;
    std::error_code ignored;
    const std::filesystem::path full = std::filesystem::absolute(Win1252ToUtf8(File), ignored);
    return full.empty() ? File : Utf8ToWin1252(full.lexically_normal().string());
}

// Sets "windows" "device" to the backends' default when it names no installed printer.
void WriteDefaultPrinter(const std::vector<TFoundPrinter>& printers) {
    if (!ProfileDefault(printers).empty()) return;
    std::string device = BackendDefault(printers);
    if (const TFoundPrinter* f = Named(printers, device))
        WriteProfileString("windows", "device", device + "," + f->Info.Driver + "," + f->Info.Port);
}

// The backends and the profile file the sections were last written for (the backends held, so a
// new backend never takes the address of one that went).
struct TWrittenProfile {
    std::vector<std::shared_ptr<TPrinterBackend>> Backends;
    std::string FileName;
};
TWrittenProfile& WrittenProfile() {
    static TWrittenProfile written;
    return written;
}

// Writes the profile once for each set of backends and profile file, and again when its
// "devices" section went; later edits of the sections stay.
void SyncPrinterProfile() {
    const TWrittenProfile& written = WrittenProfile();
    const std::string fileName = ProfileFileName();
    if (written.Backends != PrinterBackends() || written.FileName != fileName ||
        !TIniFile(fileName, ProfileEncoding).SectionExists("devices"))
        WritePrinterProfile();
}

// The profile lock of this program: the descriptor of the locked file and how many
// TPrinterProfileLock objects hold it.
struct TProfileLockState {
    int File = -1;
    int Holders = 0;
};
TProfileLockState& ProfileLockState() {
    static TProfileLockState state;
    return state;
}

} // namespace

TPrinterProfileLock::TPrinterProfileLock() {
    TProfileLockState& state = ProfileLockState();
    if (state.Holders++ > 0) return;
    try {
        // Read access is all the lock needs, so every user of a shared folder takes the same.
        const std::string name = SettingsFolder() + "/.printers.lock";
        state.File = ::open(name.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
    } catch (const Exception&) {
        // Without a settings folder there is no profile to guard.
        state.File = -1;
    }
    if (state.File < 0) return;
    while (::flock(state.File, LOCK_EX) != 0 && errno == EINTR) {
    }
}

TPrinterProfileLock::~TPrinterProfileLock() {
    TProfileLockState& state = ProfileLockState();
    if (--state.Holders > 0 || state.File < 0) return;
    ::close(state.File); // releases the lock
    state.File = -1;
}

void WritePrinterProfile() {
    TPrinterProfileLock lock;
    std::vector<TFoundPrinter> printers = AllPrinters();
    TIniFile profile(ProfileFileName(), ProfileEncoding);
    // The file is rewritten only when the list changed.
    TStringList current, wanted;
    profile.ReadSectionValues("devices", &current);
    for (const TFoundPrinter& f : printers)
        wanted.Add(f.Info.Device + "=" + f.Info.Driver + "," + f.Info.Port);
    if (current.Text() != wanted.Text()) {
        profile.EraseSection("devices");
        for (const TFoundPrinter& f : printers)
            profile.WriteString("devices", f.Info.Device, f.Info.Driver + "," + f.Info.Port);
    }
    WriteDefaultPrinter(printers);
    WrittenProfile() = {PrinterBackends(), profile.FileName()};
}

std::vector<TPrinterEntry> EnumPrinters() {
    std::vector<TPrinterEntry> result;
    try {
        TPrinterProfileLock lock;
        SyncPrinterProfile();
        TIniFile profile(ProfileFileName(), ProfileEncoding);
        TStringList keys;
        profile.ReadSection("devices", &keys);
        for (int i = 0; i < keys.Count(); ++i) {
            std::string device = keys[i];
            std::string value = profile.ReadString("devices", device, "");
            std::size_t comma = value.find(',');
            std::string driver = Trim(value.substr(0, comma));
            // One entry per port.
            while (comma != std::string::npos) {
                std::size_t next = value.find(',', comma + 1);
                std::string port = Trim(value.substr(
                    comma + 1, next == std::string::npos ? std::string::npos : next - comma - 1));
                if (!port.empty()) result.push_back({device, driver, port});
                comma = next;
            }
        }
    } catch (const Exception&) {
        // Without a profile the backends' list is the printer list.
        result.clear();
        for (const TFoundPrinter& f : AllPrinters())
            result.push_back({f.Info.Device, f.Info.Driver, f.Info.Port});
    }
    return result;
}

std::string DefaultPrinterName() {
    std::vector<TFoundPrinter> printers = AllPrinters();
    try {
        TPrinterProfileLock lock;
        SyncPrinterProfile();
        WriteDefaultPrinter(printers);
        std::string fromProfile = ProfileDefault(printers);
        if (!fromProfile.empty()) return fromProfile;
    } catch (const Exception&) {
        // Without a profile the backends decide.
    }
    return BackendDefault(printers);
}

bool DocumentProperties(const std::string& device, DEVMODE& devMode) {
    TFoundPrinter found;
    if (!FindPrinter(device, found)) return false;
    devMode = DefaultDevMode(found.Info);
    return true;
}

int DeviceCapabilities(const std::string& device, const std::string&, Word capability,
                       std::vector<std::string>* names, std::vector<int>* values) {
    TFoundPrinter found;
    if (!FindPrinter(device, found)) return -1;
    const TPrinterInfo& p = found.Info;
    if (names) names->clear();
    if (values) values->clear();
    switch (capability) {
    case DC_COPIES: return p.MaxCopies;
    case DC_DUPLEX: return p.Duplex ? 1 : 0;
    case DC_COLLATE: return p.Collate ? 1 : 0;
    case DC_BINS:
    case DC_BINNAMES:
        for (const TBinInfo& bin : p.Bins) {
            if (names) names->push_back(bin.Name.substr(0, 24));
            if (values) values->push_back(bin.Number);
        }
        return static_cast<int>(p.Bins.size());
    case DC_PAPERS:
    case DC_PAPERNAMES:
    case DC_PAPERSIZE:
        for (const TPaperInfo& paper : p.Papers) {
            if (names) names->push_back(paper.Name.substr(0, 64));
            if (values && capability == DC_PAPERSIZE) {
                values->push_back(paper.Width);
                values->push_back(paper.Length);
            } else if (values) {
                values->push_back(paper.Code);
            }
        }
        return static_cast<int>(p.Papers.size());
    default: return -1;
    }
}

HDC CreateDC(const std::string&, const std::string& device, const std::string&,
             const DEVMODE* devMode) {
    return MakePrinterDC(device, devMode, false);
}

HDC CreateIC(const std::string&, const std::string& device, const std::string&,
             const DEVMODE* devMode) {
    return MakePrinterDC(device, devMode, true);
}

HDC ResetDC(HDC hdc, const DEVMODE& devMode) {
    TPrintJob* job = JobOf(hdc);
    if (!job || job->PageOpen) return nullptr;
    job->DevMode = Merge(job->Printer, &devMode);
    ApplyGeometry(*DeviceContext(hdc), PageGeometry(job->Printer, job->DevMode));
    return hdc;
}

int SetAbortProc(HDC hdc, ABORTPROC proc) {
    TPrintJob* job = JobOf(hdc);
    if (!job) return SP_ERROR;
    job->AbortProc = std::move(proc);
    return 1;
}

int StartDoc(HDC hdc, const DOCINFO& info) {
    StartFailure() = {};
    TPrintJob* job = JobOf(hdc);
    if (!job || job->Information || job->Document || !job->Backend) return SP_ERROR;
    TJobSettings settings;
    settings.DocName = info.lpszDocName.substr(0, 31);
    settings.Output = info.lpszOutput;
    settings.DevMode = job->DevMode;
    settings.Page = PageGeometry(job->Printer, job->DevMode);
    job->Document = job->Backend->StartDocument(job->Printer, settings, StartFailure());
    if (!job->Document) return SP_ERROR;
    static int jobNumber = 0;
    return ++jobNumber;
}

int StartPage(HDC hdc) {
    TPrintJob* job = JobOf(hdc);
    if (!job || !job->Document || job->PageOpen) return SP_ERROR;
    if (!job->Document->StartPage(hdc, PageGeometry(job->Printer, job->DevMode))) return SP_ERROR;
    job->PageOpen = true;
    return 1;
}

int EndPage(HDC hdc) {
    TPrintJob* job = JobOf(hdc);
    if (!job || !job->Document || !job->PageOpen) return SP_ERROR;
    job->PageOpen = false;
    job->Document->EndPage(hdc);
    if (job->AbortProc && !job->AbortProc(hdc, 0)) {
        AbortDoc(hdc);
        return SP_APPABORT;
    }
    return 1;
}

int EndDoc(HDC hdc) {
    EndFailure() = {};
    TPrintJob* job = JobOf(hdc);
    if (!job || !job->Document) return SP_ERROR;
    if (job->PageOpen) EndPage(hdc);
    if (!job->Document) return SP_APPABORT; // the abort callback ended it
    bool written = job->Document->Finish(hdc, EndFailure());
    LastOutput() = FullPath(job->Document->OutputFile());
    job->Document.reset();
    if (written && !LastOutput().empty() && PrintedToFile()) PrintedToFile()(LastOutput());
    return written ? 1 : SP_ERROR;
}

int AbortDoc(HDC hdc) {
    TPrintJob* job = JobOf(hdc);
    if (!job || !job->Document) return SP_ERROR;
    job->Document->Abort(hdc);
    job->Document.reset();
    job->PageOpen = false;
    return 1;
}

int Escape(HDC hdc, int escape, const std::string& data) {
    TPrintJob* job = JobOf(hdc);
    if (!job || !job->Document || !job->PageOpen) return SP_ERROR;
    if (escape != PASSTHROUGH) return 0;
    return job->Document->PassThrough(data) ? static_cast<int>(data.size()) : 0;
}

std::string LastPrintOutput() {
    return LastOutput();
}

TOutputFailure LastStartDocFailure() {
    return StartFailure();
}

TOutputFailure LastEndDocFailure() {
    return EndFailure();
}

namespace {

// Where and the cause as the system words it (what: a format of the two), and that nothing was
// printed; empty for a failure that is not the output's.
std::string OutputFailureText(const std::string& what, const TOutputFailure& failure) {
    if (failure.Error == 0) return {};
    return Format(what, {failure.Place, SysErrorMessage(failure.Error)}) +
           "\n\nNothing was printed.";
}

} // namespace

std::string StartDocFailureText(const TOutputFailure& failure, bool named) {
    return OutputFailureText(named ? "The file cannot be written: %1:s."
                                   : "The folder %s where printouts go cannot be written: %s.",
                             failure);
}

std::string EndDocFailureText(const TOutputFailure& failure) {
    return OutputFailureText("The file %s could not be written: %s.", failure);
}

TPrintedToFileEvent SetPrintedToFileHandler(TPrintedToFileEvent Handler) {
    return std::exchange(PrintedToFile(), std::move(Handler));
}
