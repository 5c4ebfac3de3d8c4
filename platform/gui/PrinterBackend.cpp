#include "platform/gui/PrinterBackend.h"

#include "platform/gui/QtApp.h"
#include "platform/gui/QtPaint.h"
#include "platform/rtl/FileReplacement.h"
#include "platform/rtl/PartFiles.h"
#include "platform/rtl/Paths.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/SysUtils.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QPicture>
#include <QPrinter>
#include <QPrinterInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <utility>

// ---------------------------------------------------------------------------------------------
// Page geometry.

namespace {

int TenthsMmToPixels(int tenths, int dpi) {
    return static_cast<int>(std::lround(tenths * static_cast<double>(dpi) / 254.0));
}

const TPaperInfo* FindPaper(const TPrinterInfo& printer, SmallInt code) {
    for (const TPaperInfo& p : printer.Papers)
        if (p.Code == code) return &p;
    return nullptr;
}

// The standard papers, sizes in tenths of a millimetre.
const std::vector<TPaperInfo>& StandardPapers() {
    static const std::vector<TPaperInfo> papers = {{DMPAPER_LETTER, "Letter", 2159, 2794},
                                                   {DMPAPER_LEGAL, "Legal", 2159, 3556},
                                                   {DMPAPER_EXECUTIVE, "Executive", 1842, 2667},
                                                   {DMPAPER_A3, "A3", 2970, 4200},
                                                   {DMPAPER_A4, "A4", 2100, 2970},
                                                   {DMPAPER_A5, "A5", 1480, 2100},
                                                   {DMPAPER_ENV_10, "Envelope #10", 1048, 2413}};
    return papers;
}

} // namespace

TPageGeometry PageGeometry(const TPrinterInfo& printer, const DEVMODE& devMode) {
    TPageGeometry g;
    g.DpiX = printer.DpiX;
    g.DpiY = printer.DpiY;
    const TPaperInfo* paper = FindPaper(printer, printer.DefaultPaper);
    if (devMode.dmFields & DM_PAPERSIZE) {
        if (const TPaperInfo* p = FindPaper(printer, devMode.dmPaperSize)) paper = p;
    }
    int width = paper ? paper->Width : 2159, length = paper ? paper->Length : 2794;
    // A custom width or length overrides the paper size.
    if ((devMode.dmFields & DM_PAPERWIDTH) && devMode.dmPaperWidth > 0)
        width = devMode.dmPaperWidth;
    if ((devMode.dmFields & DM_PAPERLENGTH) && devMode.dmPaperLength > 0)
        length = devMode.dmPaperLength;
    g.Landscape =
        (devMode.dmFields & DM_ORIENTATION) && devMode.dmOrientation == DMORIENT_LANDSCAPE;
    int left = printer.MarginLeft, top = printer.MarginTop, right = printer.MarginRight,
        bottom = printer.MarginBottom;
    if (g.Landscape) {
        // The page turns a quarter counter-clockwise: the portrait left margin comes to the
        // bottom.
        std::swap(width, length);
        int l = left, t = top, r = right, b = bottom;
        left = t;
        top = r;
        right = b;
        bottom = l;
    }
    g.PaperWidth = width;
    g.PaperLength = length;
    g.PhysicalWidth = TenthsMmToPixels(width, g.DpiX);
    g.PhysicalHeight = TenthsMmToPixels(length, g.DpiY);
    g.OffsetX = left;
    g.OffsetY = top;
    g.Width = std::max(1, g.PhysicalWidth - left - right);
    g.Height = std::max(1, g.PhysicalHeight - top - bottom);
    return g;
}

// ---------------------------------------------------------------------------------------------
// Backends.

std::vector<std::shared_ptr<TPrinterBackend>>& PrinterBackends() {
    static std::vector<std::shared_ptr<TPrinterBackend>> backends = {CreateQtPrinterBackend(),
                                                                     CreatePdfPrinterBackend()};
    return backends;
}

void SetPrinterBackends(std::vector<std::shared_ptr<TPrinterBackend>> backends) {
    PrinterBackends() = std::move(backends);
}

namespace {

QString FileNameToQt(const std::string& name) {
    return AnsiToQString(name);
}

QPageLayout MakeLayout(const TPageGeometry& g, SmallInt paperCode) {
    static const std::pair<SmallInt, QPageSize::PageSizeId> known[] = {
        {DMPAPER_LETTER, QPageSize::Letter},
        {DMPAPER_LEGAL, QPageSize::Legal},
        {DMPAPER_EXECUTIVE, QPageSize::Executive},
        {DMPAPER_A3, QPageSize::A3},
        {DMPAPER_A4, QPageSize::A4},
        {DMPAPER_A5, QPageSize::A5},
        {DMPAPER_ENV_10, QPageSize::Comm10E}};
    int w = g.Landscape ? g.PaperLength : g.PaperWidth;
    int l = g.Landscape ? g.PaperWidth : g.PaperLength;
    QPageSize size(QSizeF(w / 10.0, l / 10.0), QPageSize::Millimeter, QString(),
                   QPageSize::ExactMatch);
    for (const auto& [code, id] : known) {
        QPageSize standard(id);
        if (code == paperCode && standard.size(QPageSize::Millimeter).toSize() ==
                                     size.size(QPageSize::Millimeter).toSize())
            size = standard;
    }
    return QPageLayout(size, g.Landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF(0, 0, 0, 0));
}

// No output file: where it was to be written and the system's error are told in failure.
int Refused(TOutputFailure& failure, const std::string& place, int error) {
    failure = {place, error};
    return -1;
}

// Where a document is written and how it reaches its name once it is complete. Each part is
// locked while it is written (PartFiles.h).
struct TOutputPlace {
    std::string Path;   // the file written, in the system's encoding: a part, or a device
    std::string Target; // the name the part is renamed to when complete (or empty)
    int InPlace = -1;   // the file the complete part is copied into instead (or -1)
    bool IsPart() const { return !Target.empty() || InPlace >= 0; }
};

// The settings folder's "printed", made when missing; empty when there is no settings folder at
// all. A folder that cannot be made is told in made.
std::string PrintedFolder(std::error_code& made) {
    std::string folder;
    try {
        folder = SettingsFolder() + "/printed";
    } catch (const Exception&) {
        return {};
    }
    std::filesystem::create_directories(folder, made);
    return folder;
}

// Opens a new numbered file "print0001.pdf", "print0002.pdf", ... in the settings folder's
// "printed" (made when missing) for writing. It is written as its part ("print0001.pdf.part"),
// which reserves its number: a number is taken while its printout or its part is there. The
// parts dead prints left in the folder are removed first. The part's descriptor, with out set
// to it and its printout in the system's encoding (as the settings folder's is); -1 when none
// can be made, the folder told in failure.
int OpenNumberedFile(TOutputPlace& out, TOutputFailure& failure) {
    std::error_code made;
    const std::string folder = PrintedFolder(made);
    if (folder.empty()) return -1; // no settings folder at all: there is no folder to name
    if (made) return Refused(failure, Utf8ToWin1252(folder), made.value());
    RemoveDeadParts(folder, [](const std::string& name) { return name.ends_with(".part"); });
    const auto printout = [&folder](int n) { return folder + Format("/print%.4d.pdf", {n}); };
    const int fd = CreateFirstFreePart([&](int n) { return printout(n) + ".part"; }, 0666, out.Path,
                                       [&](int n) {
                                           struct stat st {};
                                           return ::lstat(printout(n).c_str(), &st) == 0;
                                       });
    if (fd < 0) return Refused(failure, Utf8ToWin1252(folder), errno);
    out.Target = out.Path.substr(0, out.Path.size() - std::strlen(".part"));
    return fd;
}

// Makes a part of the file target in folder (PartFiles.h) with mode (less the umask): its
// descriptor, with path set to it; -1 with errno set.
int CreatePartOf(const std::string& target, const std::string& folder, mode_t mode,
                 std::string& path) {
    return ::CreatePartOf(std::filesystem::path(target).filename().string(), folder, mode, path);
}

// Makes a part of target, its maker's alone, where the user may write when the file's own
// folder is closed to him: in the folder of printouts, else in the temporary folder.
int CreatePartElsewhere(const std::string& target, std::string& path) {
    std::error_code made;
    const std::string printed = PrintedFolder(made);
    if (!printed.empty() && !made) {
        const int fd = CreatePartOf(target, printed, 0600, path);
        if (fd >= 0) return fd;
    }
    return CreatePartOf(target, TempFolder(), 0600, path);
}

// Opens the file the caller named (in the program's character set; through a link, the file it
// names) for writing; a device is written directly. An ordinary file is written as a part beside
// it ("<name>.1.part", the parts dead prints left there removed first) that is renamed over it
// once the document is complete, so that a document that fails leaves the file as it was. Where
// that part cannot be given the file's owner, group, access list and mode, or the file has other
// names (see FileReplacement.h), or the folder is closed to the user, the document is written to
// a part of its own (beside the file, else in the folder of printouts or the temporary folder)
// and copied into the file, which was opened without being cut, once complete: the file keeps
// its owner, group, access list, mode and names. No one the file shuts out may read a byte of
// the document at any moment: a part over a file is made its maker's alone, and is opened to
// others only by taking the file's identity, before anything is written. A new file's part has
// the rights the umask gives, as the file will. A file the user may not write is refused before
// anything is written. The descriptor of what is written, with out set; -1 when it cannot be, the
// file told in failure.
int OpenNamedFile(const std::string& file, TOutputPlace& out, TOutputFailure& failure) {
    const std::string named = Win1252ToUtf8(file);
    std::error_code ignored;
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(named, ignored);
    const std::string target = resolved.empty() ? named : resolved.string();
    const std::filesystem::path parent = std::filesystem::path(target).parent_path();
    const std::string folder = parent.empty() ? "." : parent.string();
    struct stat was {};
    if (::stat(target.c_str(), &was) != 0) {
        const int fd = CreatePartOf(target, folder, 0666, out.Path);
        if (fd < 0) return Refused(failure, file, errno);
        out.Target = target;
        return fd;
    }
    // The file must be the user's to write, whether it is replaced or written into.
    const int old = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
    if (old < 0) return Refused(failure, file, errno);
    if (!S_ISREG(was.st_mode)) {
        out.Path = target;
        return old;
    }
    int fd = CreatePartOf(target, folder, 0600, out.Path);
    if (fd >= 0 && TakeOverIdentity(fd, target)) {
        ::close(old);
        out.Target = target;
        return fd;
    }
    // A part copied into the file is its maker's alone, whatever of the file's identity it took
    // (all of it, for a file of several names).
    if (fd >= 0) ::fchmod(fd, 0600);
    if (fd < 0 && (errno == EACCES || errno == EPERM)) fd = CreatePartElsewhere(target, out.Path);
    if (fd < 0) {
        const int error = errno;
        ::close(old);
        return Refused(failure, file, error);
    }
    out.InPlace = old;
    return fd;
}

// The file a document is written to, through a buffer: the first write that fails is kept with
// the system's error number, and nothing is written after it.
class TOutputFile : public QIODevice {
public:
    explicit TOutputFile(int fd) : fd_(fd) { open(QIODevice::WriteOnly | QIODevice::Unbuffered); }
    ~TOutputFile() override { Close(); }
    int Handle() const { return fd_; }
    // Writes what the buffer holds and waits until all is on the disk: 0, or the error number
    // of the first write or sync that failed.
    int Flush() {
        Drain();
        if (error_ == 0) error_ = Sync(fd_);
        return error_;
    }
    void Close() {
        if (fd_ >= 0) ::close(std::exchange(fd_, -1));
        QIODevice::close();
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        const auto bytes = static_cast<std::size_t>(size);
        if (buffer_.size() + bytes > kBufferSize) Drain();
        if (bytes >= kBufferSize)
            Write(data, bytes);
        else if (error_ == 0)
            buffer_.append(data, bytes);
        return error_ == 0 ? size : -1;
    }

private:
    static constexpr std::size_t kBufferSize = 1 << 16;
    void Drain() {
        Write(buffer_.data(), buffer_.size());
        buffer_.clear();
    }
    void Write(const char* data, std::size_t size) {
        if (error_ == 0 && fd_ >= 0) error_ = WriteFully(fd_, data, size);
    }
    int fd_;
    int error_ = 0;
    std::string buffer_;
};

// A document drawn through one painter that stays open from the first page to the last; the
// context draws through it while a page is open.
class TPainterDocument : public TPrintDocument {
public:
    bool StartPage(HDC dc, const TPageGeometry& page) override {
        if (pages_++ > 0 && !NextPage(page)) return false;
        SetDCPainter(dc, &painter_);
        return true;
    }
    bool EndPage(HDC dc) override {
        SetDCPainter(dc, nullptr);
        return true;
    }
    bool Finish(HDC dc, TOutputFailure&) override {
        SetDCPainter(dc, nullptr);
        return painter_.end();
    }
    void Abort(HDC dc) override {
        SetDCPainter(dc, nullptr);
        if (painter_.isActive()) painter_.end();
    }

protected:
    // Moves the output on to a new page laid out as given.
    virtual bool NextPage(const TPageGeometry& page) = 0;
    QPainter painter_;

private:
    int pages_ = 0;
};

// A document written as a PDF file. The file is opened when the document starts, so a file
// that cannot be written fails the start; a write that fails later (a full disk) fails the end.
// The document reaches its name only when complete (see OpenNumberedFile, OpenNamedFile), and
// nothing of a document that fails or is abandoned is left: its part is removed, and a file the
// caller named keeps what it held.
class TPdfDocument : public TPainterDocument {
public:
    ~TPdfDocument() override { CloseNamedFile(); }
    bool Start(const TJobSettings& settings, TOutputFailure& failure) {
        // The caller names its file in the program's character set; a numbered file's name
        // comes from the system and is reported in the program's character set.
        const bool numbered = settings.Output.empty();
        const int fd = numbered ? OpenNumberedFile(place_, failure)
                                : OpenNamedFile(settings.Output, place_, failure);
        if (fd < 0) return false;
        file_ = numbered ? Utf8ToWin1252(place_.Target) : settings.Output;
        paper_ = settings.DevMode.dmPaperSize;
        output_ = std::make_unique<TOutputFile>(fd);
        writer_ = std::make_unique<QPdfWriter>(output_.get());
        writer_->setResolution(settings.Page.DpiX);
        writer_->setPageLayout(MakeLayout(settings.Page, paper_));
        writer_->setTitle(AnsiToQString(settings.DocName));
        writer_->setCreator("Vantrel Plus");
        if (!painter_.begin(writer_.get())) {
            Abort(nullptr);
            return false;
        }
        return true;
    }
    bool Finish(HDC dc, TOutputFailure& failure) override {
        const bool drawn = TPainterDocument::Finish(dc, failure);
        int error = output_->Flush();
        if (drawn && error == 0) error = Deliver();
        if (error != 0) failure = {file_, error};
        if (!drawn || error != 0) RemovePart();
        output_->Close();
        CloseNamedFile();
        return drawn && error == 0;
    }
    void Abort(HDC dc) override {
        TPainterDocument::Abort(dc);
        RemovePart();
        output_->Close();
        CloseNamedFile();
    }
    std::string OutputFile() const override { return file_; }

protected:
    bool NextPage(const TPageGeometry& page) override {
        writer_->setPageLayout(MakeLayout(page, paper_));
        return writer_->newPage();
    }

private:
    // Brings the complete part to its name, while its lock is held: renamed there, or copied
    // into the file named and removed. 0, or the error number.
    int Deliver() {
        if (!place_.Target.empty())
            return std::rename(place_.Path.c_str(), place_.Target.c_str()) == 0 ? 0 : errno;
        if (place_.InPlace < 0) return 0;
        const int error = CopyInPlace(output_->Handle(), place_.InPlace);
        if (error == 0) ::unlink(place_.Path.c_str());
        return error;
    }
    // Removes the part written, while its lock is held (never a device written directly).
    void RemovePart() {
        if (place_.IsPart()) ::unlink(place_.Path.c_str());
    }
    void CloseNamedFile() {
        if (place_.InPlace >= 0) ::close(std::exchange(place_.InPlace, -1));
    }

    TOutputPlace place_;
    std::string file_;
    SmallInt paper_ = DMPAPER_LETTER;
    std::unique_ptr<TOutputFile> output_;
    std::unique_ptr<QPdfWriter> writer_;
};

class TPdfPrinterBackend : public TPrinterBackend {
public:
    std::vector<TPrinterInfo> Printers() override {
        TPrinterInfo pdf;
        pdf.Device = "PDF";
        pdf.Driver = "PDF";
        pdf.Port = "FILE:";
        pdf.Papers = StandardPapers();
        pdf.Bins = {{DMBIN_AUTO, "Automatically Select"}};
        return {pdf};
    }
    std::unique_ptr<TPrintDocument> StartDocument(const TPrinterInfo&, const TJobSettings& settings,
                                                  TOutputFailure& failure) override {
        EnsureQtApp();
        auto doc = std::make_unique<TPdfDocument>();
        if (!doc->Start(settings, failure)) return nullptr;
        return doc;
    }
};

// A document on a printer Qt drives (or, with an output file, into that file).
class TQtPrinterDocument : public TPainterDocument {
public:
    bool Start(const QPrinterInfo& info, const TJobSettings& settings) {
        printer_ = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
        printer_->setResolution(settings.Page.DpiX);
        // The whole sheet is the painter's; the origin moves to the printable area below, so
        // positions do not depend on the margins the driver would impose.
        printer_->setFullPage(true);
        printer_->setPageLayout(MakeLayout(settings.Page, settings.DevMode.dmPaperSize));
        const DEVMODE& dm = settings.DevMode;
        if (dm.dmFields & DM_COPIES) printer_->setCopyCount(std::max<int>(1, dm.dmCopies));
        if (dm.dmFields & DM_COLLATE) printer_->setCollateCopies(dm.dmCollate == DMCOLLATE_TRUE);
        if (dm.dmFields & DM_DUPLEX)
            printer_->setDuplex(dm.dmDuplex == DMDUP_VERTICAL     ? QPrinter::DuplexLongSide
                                : dm.dmDuplex == DMDUP_HORIZONTAL ? QPrinter::DuplexShortSide
                                                                  : QPrinter::DuplexNone);
        printer_->setDocName(AnsiToQString(settings.DocName));
        if (!settings.Output.empty()) {
            printer_->setOutputFormat(QPrinter::PdfFormat);
            printer_->setOutputFileName(FileNameToQt(settings.Output));
            file_ = settings.Output;
        }
        if (!painter_.begin(printer_.get())) return false;
        painter_.translate(settings.Page.OffsetX, settings.Page.OffsetY);
        return true;
    }
    void Abort(HDC dc) override {
        printer_->abort();
        TPainterDocument::Abort(dc);
    }
    std::string OutputFile() const override { return file_; }

protected:
    bool NextPage(const TPageGeometry&) override { return printer_->newPage(); }

private:
    std::unique_ptr<QPrinter> printer_;
    std::string file_;
};

class TQtPrinterBackend : public TPrinterBackend {
public:
    std::vector<TPrinterInfo> Printers() override {
        EnsureQtApp();
        std::vector<TPrinterInfo> result;
        for (const QPrinterInfo& info : QPrinterInfo::availablePrinters()) {
            std::string name = QStringToAnsi(info.printerName());
            // Names the profile cannot hold as keys are left out.
            if (name.empty() || name == "PDF" || name.find_first_of("=,;[]") != std::string::npos)
                continue;
            result.push_back(Describe(info, name));
        }
        return result;
    }
    std::string DefaultPrinter() override {
        EnsureQtApp();
        return QStringToAnsi(QPrinterInfo::defaultPrinterName());
    }
    std::unique_ptr<TPrintDocument> StartDocument(const TPrinterInfo& printer,
                                                  const TJobSettings& settings,
                                                  TOutputFailure&) override {
        QPrinterInfo info = QPrinterInfo::printerInfo(AnsiToQString(printer.Device));
        if (info.isNull()) return nullptr;
        auto doc = std::make_unique<TQtPrinterDocument>();
        if (!doc->Start(info, settings)) return nullptr;
        return doc;
    }

private:
    static TPrinterInfo Describe(const QPrinterInfo& info, const std::string& name) {
        TPrinterInfo p;
        p.Device = name;
        p.Driver = "CUPS";
        p.Port = "CUPS:";
        for (const QPageSize& size : info.supportedPageSizes()) {
            QSizeF mm = size.size(QPageSize::Millimeter);
            SmallInt code = DMPAPER_USER;
            for (const TPaperInfo& standard : StandardPapers())
                if (std::abs(standard.Width - mm.width() * 10) < 5 &&
                    std::abs(standard.Length - mm.height() * 10) < 5)
                    code = standard.Code;
            if (code == DMPAPER_USER) continue;
            p.Papers.push_back({code, QStringToAnsi(size.name()),
                                static_cast<int>(std::lround(mm.width() * 10)),
                                static_cast<int>(std::lround(mm.height() * 10))});
        }
        if (p.Papers.empty()) p.Papers = StandardPapers();
        QPageSize preferred = info.defaultPageSize();
        for (const TPaperInfo& paper : p.Papers)
            if (QStringToAnsi(preferred.name()) == paper.Name) p.DefaultPaper = paper.Code;
        p.Bins = {{DMBIN_AUTO, "Automatically Select"}};
        p.MaxCopies = 999;
        p.Collate = true;
        p.Duplex = info.supportedDuplexModes().contains(QPrinter::DuplexLongSide);
        // Printers keep an unprintable border; a quarter inch is the usual one.
        p.MarginLeft = p.MarginRight = p.DpiX / 4;
        p.MarginTop = p.MarginBottom = p.DpiY / 4;
        return p;
    }
};

} // namespace

std::shared_ptr<TPrinterBackend> CreatePdfPrinterBackend() {
    return std::make_shared<TPdfPrinterBackend>();
}

std::shared_ptr<TPrinterBackend> CreateQtPrinterBackend() {
    return std::make_shared<TQtPrinterBackend>();
}

// ---------------------------------------------------------------------------------------------
// The test backend.

TPrinterInfo TTestPrinterBackend::StandardPrinter() {
    TPrinterInfo p;
    p.Device = "Test Printer";
    p.Driver = "TEST";
    p.Port = "LPT1:";
    p.DpiX = p.DpiY = 600;
    for (const TPaperInfo& paper : StandardPapers())
        if (paper.Code == DMPAPER_LETTER || paper.Code == DMPAPER_A4 || paper.Code == DMPAPER_LEGAL)
            p.Papers.push_back(paper);
    p.Bins = {{DMBIN_UPPER, "Upper tray"}, {DMBIN_MANUAL, "Manual feed"}};
    p.MaxCopies = 99;
    p.Duplex = true;
    p.Collate = true;
    p.MarginLeft = p.MarginTop = p.MarginRight = p.MarginBottom = 150;
    return p;
}

// Pages are drawn into a recording kept until the document ends, or into bitmaps that the
// page records keep; text outputs are recorded as they are made.
class TTestPrinterBackend::TRecordingDocument : public TPainterDocument {
public:
    TRecordingDocument(TTestPrinterBackend& backend, std::size_t index)
        : backend_(backend), index_(index) {
        painter_.begin(&picture_);
    }
    bool StartPage(HDC dc, const TPageGeometry& page) override {
        Record().Pages.push_back({page, {}, {}, nullptr});
        if (TDeviceContext* context = DeviceContext(dc))
            context->OnText = [this](TDeviceContext& d, int x, int y, const std::string& text) {
                Record().Pages.back().Texts.push_back(
                    {x, y, d.State.TextAlign, text, d.State.Font, d.State.TextColor});
            };
        if (!backend_.keepImages_) return TPainterDocument::StartPage(dc, page);
        auto image = std::make_shared<TBitmap>();
        try {
            image->SetSize(page.Width, page.Height);
        } catch (const EOutOfMemory&) {
            return false;
        }
        Record().Pages.back().Image = image;
        SetDCImage(dc, &GdiObject(image->Handle(), TGdiObject::TKind::Bitmap)->Image);
        return true;
    }
    bool EndPage(HDC dc) override {
        Unbind(dc);
        return TPainterDocument::EndPage(dc);
    }
    bool Finish(HDC dc, TOutputFailure& failure) override {
        Unbind(dc);
        Record().Finished = true;
        return TPainterDocument::Finish(dc, failure);
    }
    void Abort(HDC dc) override {
        Unbind(dc);
        TPainterDocument::Abort(dc);
        Record().Aborted = true;
    }
    std::string OutputFile() const override { return {}; }
    bool PassThrough(const std::string& data) override {
        Record().Pages.back().RawData += data;
        return true;
    }

protected:
    bool NextPage(const TPageGeometry&) override { return true; }

private:
    void Unbind(HDC dc) {
        if (TDeviceContext* context = DeviceContext(dc)) context->OnText = nullptr;
        SetDCImage(dc, nullptr);
    }
    TDocument& Record() { return backend_.documents_[index_]; }
    TTestPrinterBackend& backend_;
    std::size_t index_;
    QPicture picture_;
};

std::unique_ptr<TPrintDocument> TTestPrinterBackend::StartDocument(const TPrinterInfo& printer,
                                                                   const TJobSettings& settings,
                                                                   TOutputFailure&) {
    if (failNext_) {
        failNext_ = false;
        return nullptr;
    }
    EnsureQtApp();
    documents_.push_back({printer.Device, settings, {}, false, false});
    return std::make_unique<TRecordingDocument>(*this, documents_.size() - 1);
}
