#include "platform/gui/Printers.h"

#include <algorithm>

namespace {

// A canvas bound to whatever context the printer has at the moment.
class TPrinterCanvas : public TCanvas {
public:
    explicit TPrinterCanvas(TPrinter& printer) : printer_(printer) {}

    // Binds to the printer's present context with the printer's resolution for the font.
    void Rebind() {
        HDC dc = printer_.Handle();
        SetHandle(dc);
        Font()->SetPixelsPerInch(GetDeviceCaps(dc, LOGPIXELSY));
    }

protected:
    void CreateHandle() override { Rebind(); }

private:
    TPrinter& printer_;
};

// Why a document did not start: when its output (the file named, or a numbered printout) could
// not be made, where and the system's cause follow.
std::string CannotStartMessage(const std::string& file, const TOutputFailure& failure) {
    const std::string why = StartDocFailureText(failure, !file.empty());
    if (why.empty()) return "The print job could not be started";
    return "The print job could not be started" + (file.empty() ? "" : " on \"" + file + "\"") +
           ". " + why;
}

// Why a document was not completed: when its output could not be written, the file and the
// system's cause follow.
std::string CannotFinishMessage(const TOutputFailure& failure) {
    const std::string why = EndDocFailureText(failure);
    return "The print job could not be completed" + (why.empty() ? "" : ". " + why);
}

std::unique_ptr<TPrinter>& GlobalPrinter() {
    static std::unique_ptr<TPrinter> printer;
    return printer;
}

} // namespace

TPrinter::TPrinter() = default;

TPrinter::~TPrinter() {
    if (printing_) AbortDoc(dc_);
    canvas_.reset();
    if (dc_) DeleteDC(dc_);
    if (ic_) DeleteDC(ic_);
}

void TPrinter::CheckNotPrinting() const {
    if (printing_) throw EPrinter("Printing in progress");
}

void TPrinter::CheckPrinting() const {
    if (!printing_) throw EPrinter("Printer is not currently printing");
}

TStrings* TPrinter::Printers() {
    if (!printers_) {
        printers_ = std::make_unique<TStringList>();
        entries_ = EnumPrinters();
        for (const TPrinterEntry& e : entries_)
            printers_->Add(e.Device + " on " + e.Port);
    }
    return printers_.get();
}

int TPrinter::PrinterIndex() {
    if (index_ == -2) Select(-1);
    return index_;
}

void TPrinter::SetPrinterIndex(int index) {
    CheckNotPrinting();
    if (index < -1 || index >= Printers()->Count()) throw EPrinter("Printer selected is not valid");
    Select(index);
}

void TPrinter::Select(int index) {
    Printers();
    if (index == -1) {
        std::string device = DefaultPrinterName();
        auto it = std::find_if(entries_.begin(), entries_.end(),
                               [&](const TPrinterEntry& e) { return e.Device == device; });
        if (it == entries_.end()) throw EPrinter("There is no default printer currently selected");
        index = static_cast<int>(it - entries_.begin());
    }
    index_ = index;
    if (!DocumentProperties(Entry().Device, devMode_))
        throw EPrinter("Printer selected is not valid");
    ResetInformation();
}

const TPrinterEntry& TPrinter::Entry() {
    PrinterIndex();
    return entries_[static_cast<std::size_t>(index_)];
}

void TPrinter::ResetInformation() {
    if (!ic_) return;
    if (canvas_ && !printing_) canvas_->SetHandle(nullptr);
    DeleteDC(ic_);
    ic_ = nullptr;
}

TPrinterOrientation TPrinter::Orientation() {
    PrinterIndex();
    return devMode_.dmOrientation == DMORIENT_LANDSCAPE ? poLandscape : poPortrait;
}

void TPrinter::SetOrientation(TPrinterOrientation orientation) {
    CheckNotPrinting();
    PrinterIndex();
    devMode_.dmOrientation = orientation == poLandscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    devMode_.dmFields |= DM_ORIENTATION;
    ResetInformation();
}

int TPrinter::Copies() {
    PrinterIndex();
    return devMode_.dmCopies;
}

void TPrinter::SetCopies(int copies) {
    CheckNotPrinting();
    PrinterIndex();
    int most = std::max(1, DeviceCapabilities(Entry().Device, Entry().Port, DC_COPIES));
    devMode_.dmCopies = static_cast<SmallInt>(std::clamp(copies, 1, most));
    devMode_.dmFields |= DM_COPIES;
}

HDC TPrinter::Handle() {
    if (printing_) return dc_;
    if (!ic_) {
        const TPrinterEntry& e = Entry();
        ic_ = CreateIC(e.Driver, e.Device, e.Port, &devMode_);
        if (!ic_) throw EPrinter("Printer selected is not valid");
    }
    return ic_;
}

int TPrinter::PageWidth() {
    return GetDeviceCaps(Handle(), HORZRES);
}

int TPrinter::PageHeight() {
    return GetDeviceCaps(Handle(), VERTRES);
}

TCanvas* TPrinter::Canvas() {
    if (!canvas_) canvas_ = std::make_unique<TPrinterCanvas>(*this);
    return canvas_.get();
}

void TPrinter::BeginDoc() {
    CheckNotPrinting();
    const TPrinterEntry& e = Entry();
    HDC dc = CreateDC(e.Driver, e.Device, e.Port, &devMode_);
    if (!dc) throw EPrinter("Printer selected is not valid");
    DOCINFO info{title_, fileName_};
    if (StartDoc(dc, info) <= 0 || StartPage(dc) <= 0) {
        const TOutputFailure failure = LastStartDocFailure();
        AbortDoc(dc);
        DeleteDC(dc);
        throw EPrinter(CannotStartMessage(fileName_, failure));
    }
    dc_ = dc;
    printing_ = true;
    aborted_ = false;
    pageNumber_ = 1;
    static_cast<TPrinterCanvas*>(Canvas())->Rebind();
}

void TPrinter::NewPage() {
    CheckPrinting();
    EndPage(dc_);
    StartPage(dc_);
    ++pageNumber_;
    Canvas()->Refresh();
}

void TPrinter::EndDoc() {
    CheckPrinting();
    const int result = aborted_ ? 1 : ::EndDoc(dc_);
    const TOutputFailure failure = LastEndDocFailure();
    canvas_->SetHandle(nullptr);
    DeleteDC(dc_);
    dc_ = nullptr;
    printing_ = false;
    aborted_ = false;
    pageNumber_ = 0;
    if (result <= 0) throw EPrinter(CannotFinishMessage(failure));
}

void TPrinter::Abort() {
    CheckPrinting();
    AbortDoc(dc_);
    aborted_ = true;
    EndDoc();
}

TStrings* TPrinter::Fonts() {
    if (!fonts_) {
        fonts_ = std::make_unique<TStringList>();
        for (const TFontFamily& f : FontFamilies())
            fonts_->Add(f.Name);
    }
    return fonts_.get();
}

TPrinter* Printer() {
    if (!GlobalPrinter()) GlobalPrinter() = std::make_unique<TPrinter>();
    return GlobalPrinter().get();
}

std::unique_ptr<TPrinter> SetPrinter(std::unique_ptr<TPrinter> printer) {
    std::swap(GlobalPrinter(), printer);
    return printer;
}
