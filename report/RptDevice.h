// The report engine's printer device: one process-wide object that knows the installed printers
// (from the profile's "devices" and "windows" sections), holds the selected printer's context
// and device-mode record, starts and ends documents and pages, and answers the reports' device
// questions (resolution, printable size, bins, copies, orientation, duplex, collation).
#pragma once

#include "platform/gui/Graphics.h"
#include "platform/gui/WinSpool.h"
#include "report/RptDefine.h"

#include <memory>
#include <string>
#include <vector>

// One installed printer port.
class TRPDeviceItem : public TObject {
    VANTREL_CLASS(TRPDeviceItem, TObject)

    TRPDeviceItem(const std::string& ADevice, const std::string& ADriver, const std::string& APort)
        : Device(ADevice), Driver(ADriver), Port(APort) {}
    std::string Device;
    std::string Driver;
    std::string Port;
};

class TRPDevice;

// The canvas of the device: its handle is the device's current context, its font measures at
// the device's vertical resolution.
class TRPCanvas : public TCanvas {
    VANTREL_CLASS(TRPCanvas, TCanvas)

    explicit TRPCanvas(TRPDevice* ADevice) : device_(ADevice) {}
    // Binds the canvas to a new context of the device (nullptr unbinds).
    void Rebind(HDC dc);

protected:
    void CreateHandle() override;

private:
    TRPDevice* device_;
};

// Context states.
constexpr Byte dsNone = 0;
constexpr Byte dsIC = 1;
constexpr Byte dsDC = 2;

class TRPDevice : public TObject {
    VANTREL_CLASS(TRPDevice, TObject)

    TRPDevice();
    ~TRPDevice() override;
    TRPDevice(const TRPDevice&) = delete;
    TRPDevice& operator=(const TRPDevice&) = delete;

    // One entry per printer port, "<device> on <port>", each with its TRPDeviceItem.
    TStrings* GetPrinters();
    // Resolves the default printer when none is selected yet; -2 when none can be had.
    int GetPrinterIndex();
    // index < 0: the default printer; an index equal to the current one or past the list's end
    // is ignored. Refused while printing.
    void SelectPrinter(int Index);
    // Exact: the device name equals Name; otherwise Name occurs in the entry's text (any case).
    bool SelectPrinterByName(const std::string& Name, bool Exact);
    bool PrinterInstalled() { return GetPrinters()->Count() > 0; }

    const std::string& DeviceName() const { return deviceName_; }
    const std::string& DriverName() const { return driverName_; }
    const std::string& Port() const { return port_; }

    Byte State() const { return state_; }
    void SetState(Byte Value);
    // The current context; an information context is made when there is none.
    HDC GetHandle();
    TRPCanvas* GetCanvas();
    // The selected printer's record (the default printer resolved first); nullptr when none.
    DEVMODE* GetDevMode();

    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& Value) { title_ = Value.substr(0, 31); }
    // The file the next document is printed to instead of the printer (empty: the printer).
    // The document that starts takes it, so it never passes on to a later one.
    const std::string& OutputFileName() const { return outputFileName_; }
    void SetOutputFileName(const std::string& Value);

    bool Printing() const { return printing_; }
    bool Aborted() const { return aborted_; }
    bool PageStarted() const { return pageStarted_; }
    void BeginDoc();
    void NewPage(bool Start);
    void EndDoc();
    void AbortDoc();
    void ApplyDevMode(bool Force);

    void SetOrientation(TOrientation Value);
    int MaxCopies();
    void SetCopies(int Value);
    int GetDuplex();
    void SetDuplex(int Value);
    bool GetCollate();
    void SetCollate(bool Value);
    // The bins of the selected printer, each with its number as GetBinNumber gives it.
    TStrings* GetBins();
    int GetBinNumber(int Index);
    bool SelectBin(const std::string& Name, bool Exact);
    int PageWidthPixels();
    int PageHeightPixels();

    // The print-setup dialog, placed at the middle of the screen across and a third down. On OK
    // the printer chosen is selected with the settings chosen.
    bool PrinterSetupDialog();

private:
    void BuildPrinterList();
    // Adds the printer on the port to the list.
    void AddPrinter(const std::string& Device, const std::string& Driver, const std::string& Port);
    void SelectDefaultPrinter();
    void SelectEntry(int Index);
    void ReleaseSelection();
    void ReleaseContext();
    void CheckPrinting() const;
    void CheckNotPrinting() const;
    // Sets a device-mode field and marks the record changed when the value differs.
    void EditDevMode(SmallInt& Field, SmallInt Value, DWORD Flag);
    int Capability(Word Capability);
    bool Ask(HDC dc, int error);

    std::string deviceName_;
    std::string driverName_;
    std::string port_;
    HDC dc_ = nullptr;
    std::unique_ptr<DEVMODE> devMode_;
    Byte state_ = dsNone;
    bool printing_ = false;
    bool aborted_ = false;
    bool listBuilt_ = false;
    std::unique_ptr<TStringList> printers_;
    std::vector<std::unique_ptr<TRPDeviceItem>> items_;
    std::unique_ptr<TStringList> bins_;
    std::vector<int> binNumbers_;
    int printerIndex_ = -2;
    std::string title_;
    std::string outputFileName_;
    std::unique_ptr<TRPCanvas> canvas_;
    bool devModeChanged_ = false;
    bool pageStarted_ = false;
    bool keepDevMode_ = false;
};

// The process-wide device, made on first call; the profile's printer sections are brought up
// to date with the installed printers first.
TRPDevice* RPDev();
// Releases the process-wide device (the next RPDev makes a new one that reads the printers
// again). Refused while it prints.
void ReleaseRPDev();
