#include "report/RptDevice.h"

#include "platform/gui/Dialogs.h"
#include "platform/gui/Forms.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/Profile.h"
#include "platform/rtl/Strings.h"

#include <utility>

namespace {

// The tokens of a profile value separated by commas, leading blanks skipped, empty ones dropped.
std::vector<std::string> ProfileTokens(const std::string& value) {
    std::vector<std::string> tokens;
    std::size_t start = 0;
    while (start <= value.size()) {
        std::size_t comma = value.find(',', start);
        if (comma == std::string::npos) comma = value.size();
        std::string token = TrimLeft(value.substr(start, comma - start));
        if (!token.empty()) tokens.push_back(token);
        start = comma + 1;
    }
    return tokens;
}

// A statement that a document failed, and, when its output could not be made or written, where
// and the cause the system gave (why).
std::string WithCause(const std::string& statement, const std::string& why) {
    return why.empty() ? statement : statement + " " + why;
}

std::unique_ptr<TRPDevice>& GlobalDevice() {
    static std::unique_ptr<TRPDevice> device;
    return device;
}

} // namespace

void TRPCanvas::Rebind(HDC dc) {
    SetHandle(dc);
    if (dc) Font()->SetPixelsPerInch(GetDeviceCaps(dc, LOGPIXELSY));
}

void TRPCanvas::CreateHandle() {
    Rebind(device_->GetHandle());
}

TRPDevice::TRPDevice() = default;

TRPDevice::~TRPDevice() {
    if (printing_) {
        ::AbortDoc(dc_);
        printing_ = false;
    }
    ReleaseContext();
    canvas_.reset();
}

TStrings* TRPDevice::GetPrinters() {
    if (!listBuilt_) BuildPrinterList();
    return printers_.get();
}

void TRPDevice::BuildPrinterList() {
    printers_ = std::make_unique<TStringList>();
    items_.clear();
    listBuilt_ = true;
    TPrinterProfileLock lock;
    TStringList devices;
    try {
        TIniFile(ProfileFileName(), ProfileEncoding).ReadSection("devices", &devices);
    } catch (const EIniFileException&) {
        // A profile that cannot be read or made: the printers the system lists.
        for (const TPrinterEntry& entry : EnumPrinters())
            AddPrinter(entry.Device, entry.Driver, entry.Port);
        return;
    }
    for (int i = 0; i < devices.Count(); ++i) {
        const std::string device = devices[i];
        std::vector<std::string> tokens = ProfileTokens(GetProfileString("devices", device, ""));
        for (std::size_t t = 1; t < tokens.size(); ++t)
            AddPrinter(device, tokens[0], tokens[t]);
    }
}

void TRPDevice::AddPrinter(const std::string& Device, const std::string& Driver,
                           const std::string& Port) {
    items_.push_back(std::make_unique<TRPDeviceItem>(Device, Driver, Port));
    printers_->AddObject(Format("%s on %s", {Device, Port}), items_.back().get());
}

int TRPDevice::GetPrinterIndex() {
    if (printerIndex_ < 0) {
        printerIndex_ = -2;
        SelectPrinter(-1);
    }
    return printerIndex_;
}

void TRPDevice::SelectPrinter(int Index) {
    CheckNotPrinting();
    if (Index == printerIndex_ || Index >= GetPrinters()->Count()) return;
    if (Index < 0)
        SelectDefaultPrinter();
    else
        SelectEntry(Index);
}

void TRPDevice::SelectDefaultPrinter() {
    TStrings* list = GetPrinters();
    std::vector<std::string> parts = ProfileTokens(GetProfileString("windows", "device", ""));
    if (parts.size() >= 3) {
        for (int i = 0; i < list->Count(); ++i) {
            auto* item = static_cast<TRPDeviceItem*>(list->Objects(i));
            if (SameText(item->Device, parts[0]) && SameText(item->Port, parts[2])) {
                SelectEntry(i);
                return;
            }
        }
    }
    // A default that names no installed printer: the first one listed serves instead.
    if (list->Count() > 0) SelectEntry(0);
}

bool TRPDevice::SelectPrinterByName(const std::string& Name, bool Exact) {
    TStrings* list = GetPrinters();
    const std::string upper = AnsiUpperCase(Name);
    for (int i = 0; i < list->Count(); ++i) {
        auto* item = static_cast<TRPDeviceItem*>(list->Objects(i));
        bool match = Exact ? item->Device == Name : Pos(upper, AnsiUpperCase(list->Strings(i))) > 0;
        if (match) {
            SelectPrinter(i);
            return true;
        }
    }
    return false;
}

void TRPDevice::ReleaseSelection() {
    ReleaseContext();
    if (!keepDevMode_) devMode_.reset();
    bins_.reset();
    binNumbers_.clear();
    deviceName_.clear();
    driverName_.clear();
    port_.clear();
}

void TRPDevice::SelectEntry(int Index) {
    ReleaseSelection();
    printerIndex_ = Index;
    auto* item = static_cast<TRPDeviceItem*>(GetPrinters()->Objects(Index));
    deviceName_ = item->Device;
    driverName_ = item->Driver;
    port_ = item->Port;
    auto record = std::make_unique<DEVMODE>();
    if (DocumentProperties(deviceName_, *record) && !keepDevMode_) {
        devMode_ = std::move(record);
        devModeChanged_ = false;
    }
    keepDevMode_ = false;
}

void TRPDevice::ReleaseContext() {
    if (!dc_) return;
    SelectObject(dc_, GetStockObject(BLACK_PEN));
    SelectObject(dc_, GetStockObject(BLACK_BRUSH));
    SelectObject(dc_, GetStockObject(SYSTEM_FONT));
    if (canvas_) canvas_->Rebind(nullptr);
    DeleteDC(dc_);
    dc_ = nullptr;
    state_ = dsNone;
}

void TRPDevice::SetState(Byte Value) {
    if (Value == state_ || (Value == dsIC && state_ == dsDC)) return;
    ReleaseContext();
    if (Value == dsNone) return;
    GetPrinterIndex();
    const DEVMODE* record = devMode_.get();
    dc_ = Value == dsIC ? CreateIC(driverName_, deviceName_, port_, record)
                        : CreateDC(driverName_, deviceName_, port_, record);
    if (!dc_) RaiseError(Trans_InvalidPrinter);
    state_ = Value;
    if (canvas_) canvas_->Rebind(dc_);
}

HDC TRPDevice::GetHandle() {
    if (!dc_) SetState(dsIC);
    return dc_;
}

TRPCanvas* TRPDevice::GetCanvas() {
    if (!canvas_) canvas_ = std::make_unique<TRPCanvas>(this);
    return canvas_.get();
}

DEVMODE* TRPDevice::GetDevMode() {
    GetPrinterIndex();
    return devMode_.get();
}

void TRPDevice::SetOutputFileName(const std::string& Value) {
    CheckNotPrinting();
    outputFileName_ = Value;
}

void TRPDevice::CheckPrinting() const {
    if (!printing_) RaiseError(Trans_DeviceNotPrinting);
}

void TRPDevice::CheckNotPrinting() const {
    if (printing_) RaiseError(Trans_DeviceAlreadyPrinting);
}

void TRPDevice::ApplyDevMode(bool Force) {
    if (!(Force || (state_ == dsIC && devModeChanged_))) return;
    devModeChanged_ = false;
    if (!dc_ || !devMode_) return;
    HDC dc = ResetDC(dc_, *devMode_);
    if (dc) dc_ = dc;
    if (canvas_) canvas_->Rebind(dc_);
}

bool TRPDevice::Ask(HDC, int) {
    if (Application) Application->ProcessMessages();
    return !aborted_;
}

void TRPDevice::BeginDoc() {
    CheckNotPrinting();
    ApplyDevMode(false);
    SetState(dsDC);
    printing_ = true;
    aborted_ = false;
    if (canvas_) canvas_->Refresh();
    SetAbortProc(dc_, [this](HDC dc, int error) { return Ask(dc, error); });
    // The file serves this document only: whatever prints next goes to the printer unless its
    // own caller names a file again.
    const std::string output = std::exchange(outputFileName_, {});
    if (StartDoc(dc_, DOCINFO{title_, output}) <= 0) {
        const TOutputFailure failure = LastStartDocFailure();
        printing_ = false;
        SetState(dsNone);
        RaiseError(WithCause(
            Format(Trans_CannotStartDoc, {output.empty() ? deviceName_ : "\"" + output + "\""}),
            StartDocFailureText(failure, !output.empty())));
    }
    pageStarted_ = false;
}

void TRPDevice::NewPage(bool Start) {
    CheckPrinting();
    if (pageStarted_) ::EndPage(dc_);
    if (devModeChanged_)
        ApplyDevMode(true);
    else if (canvas_)
        canvas_->Refresh();
    if (Start) ::StartPage(dc_);
    pageStarted_ = Start;
}

void TRPDevice::EndDoc() {
    CheckPrinting();
    if (pageStarted_) ::EndPage(dc_);
    pageStarted_ = false;
    const bool finished = aborted_ || ::EndDoc(dc_) > 0;
    const TOutputFailure failure = LastEndDocFailure();
    SetState(dsNone);
    printing_ = false;
    aborted_ = false;
    if (!finished)
        RaiseError(
            WithCause(Format(Trans_CannotFinishDoc, {deviceName_}), EndDocFailureText(failure)));
}

void TRPDevice::AbortDoc() {
    CheckPrinting();
    ::AbortDoc(dc_);
    aborted_ = true;
    EndDoc();
}

void TRPDevice::EditDevMode(SmallInt& Field, SmallInt Value, DWORD Flag) {
    if (Field != Value || !(devMode_->dmFields & Flag)) devModeChanged_ = true;
    Field = Value;
    devMode_->dmFields |= Flag;
}

void TRPDevice::SetOrientation(TOrientation Value) {
    if (!GetDevMode()) RaiseError(Trans_NoDevMode);
    if (Value == TOrientation::poDefault) return;
    EditDevMode(devMode_->dmOrientation,
                Value == TOrientation::poPortrait ? DMORIENT_PORTRAIT : DMORIENT_LANDSCAPE,
                DM_ORIENTATION);
}

int TRPDevice::Capability(Word Capability) {
    GetPrinterIndex();
    return DeviceCapabilities(deviceName_, port_, Capability);
}

int TRPDevice::MaxCopies() {
    return Capability(DC_COPIES);
}

void TRPDevice::SetCopies(int Value) {
    CheckNotPrinting();
    if (GetDevMode() && Value > 0 && Value <= MaxCopies())
        EditDevMode(devMode_->dmCopies, static_cast<SmallInt>(Value), DM_COPIES);
}

int TRPDevice::GetDuplex() {
    DEVMODE* record = GetDevMode();
    if (record && record->dmDuplex >= 1 && record->dmDuplex <= 3) return record->dmDuplex - 1;
    return 0;
}

void TRPDevice::SetDuplex(int Value) {
    CheckNotPrinting();
    if (GetDevMode() && Value >= 0 && Value <= 2 && Capability(DC_DUPLEX) == 1)
        EditDevMode(devMode_->dmDuplex, static_cast<SmallInt>(Value + 1), DM_DUPLEX);
}

bool TRPDevice::GetCollate() {
    DEVMODE* record = GetDevMode();
    return record && record->dmCollate == DMCOLLATE_TRUE;
}

void TRPDevice::SetCollate(bool Value) {
    CheckNotPrinting();
    if (GetDevMode() && Capability(DC_COLLATE) == 1)
        EditDevMode(devMode_->dmCollate, Value ? DMCOLLATE_TRUE : DMCOLLATE_FALSE, DM_COLLATE);
}

TStrings* TRPDevice::GetBins() {
    if (!bins_) {
        bins_ = std::make_unique<TStringList>();
        binNumbers_.clear();
        GetPrinterIndex();
        std::vector<std::string> names;
        std::vector<int> numbers;
        int count = DeviceCapabilities(deviceName_, port_, DC_BINNAMES, &names);
        DeviceCapabilities(deviceName_, port_, DC_BINS, nullptr, &numbers);
        for (int i = 0; i < count && i < static_cast<int>(names.size()) &&
                        i < static_cast<int>(numbers.size());
             ++i) {
            bins_->Add(names[i]);
            binNumbers_.push_back(numbers[i]);
        }
    }
    return bins_.get();
}

int TRPDevice::GetBinNumber(int Index) {
    GetBins();
    if (Index < 0 || Index >= static_cast<int>(binNumbers_.size())) return 0;
    return binNumbers_[Index];
}

bool TRPDevice::SelectBin(const std::string& Name, bool Exact) {
    TStrings* bins = GetBins();
    const std::string upper = AnsiUpperCase(Name);
    for (int i = 0; i < bins->Count(); ++i) {
        bool match =
            Exact ? bins->Strings(i) == Name : Pos(upper, AnsiUpperCase(bins->Strings(i))) > 0;
        if (match && GetDevMode()) {
            EditDevMode(devMode_->dmDefaultSource, static_cast<SmallInt>(binNumbers_[i]),
                        DM_DEFAULTSOURCE);
            return true;
        }
    }
    return false;
}

int TRPDevice::PageWidthPixels() {
    HDC dc = GetHandle();
    ApplyDevMode(false);
    return GetDeviceCaps(dc_ ? dc_ : dc, HORZRES);
}

int TRPDevice::PageHeightPixels() {
    HDC dc = GetHandle();
    ApplyDevMode(false);
    return GetDeviceCaps(dc_ ? dc_ : dc, VERTRES);
}

bool TRPDevice::PrinterSetupDialog() {
    DEVMODE* record = GetDevMode();
    if (!record) return false;
    TPrintSetupRequest request;
    request.PrinterName = deviceName_;
    request.Landscape = record->dmOrientation == DMORIENT_LANDSCAPE;
    request.Copies = record->dmCopies;
    for (const auto& item : items_)
        if (request.Printers.empty() || request.Printers.back() != item->Device)
            request.Printers.push_back(item->Device);
    request.OnInitDialog = [](int& X, int& Y, int DialogWidth, int DialogHeight, int ScreenWidth,
                              int ScreenHeight) {
        X = (ScreenWidth - DialogWidth) / 2;
        Y = (ScreenHeight - DialogHeight) / 3;
    };
    if (!UiServices().PrintSetup(request)) return false;
    auto chosen = std::make_unique<DEVMODE>();
    if (!DocumentProperties(request.PrinterName, *chosen)) return false;
    chosen->dmOrientation = request.Landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    chosen->dmCopies = static_cast<SmallInt>(request.Copies > 0 ? request.Copies : 1);
    chosen->dmFields |= DM_ORIENTATION | DM_COPIES;
    if (request.PrinterName == deviceName_) {
        devMode_ = std::move(chosen);
        devModeChanged_ = true;
        return true;
    }
    std::unique_ptr<DEVMODE> previous = std::move(devMode_);
    devMode_ = std::move(chosen);
    keepDevMode_ = true;
    if (!SelectPrinterByName(request.PrinterName, true)) {
        keepDevMode_ = false;
        devMode_ = std::move(previous);
        return false;
    }
    devModeChanged_ = true;
    return true;
}

TRPDevice* RPDev() {
    auto& device = GlobalDevice();
    if (!device) {
        try {
            WritePrinterProfile();
        } catch (const Exception&) {
            // A profile that cannot be written: the printers it already lists are used.
        }
        device = std::make_unique<TRPDevice>();
    }
    return device.get();
}

void ReleaseRPDev() {
    GlobalDevice().reset();
}
