// The printer device: the printer list read from the profile, the default printer, selection,
// device-mode settings, bins, context states, documents and pages, and the setup dialog.
#include "RptTestSupport.h"

#include "platform/rtl/Profile.h"

namespace {

class RptDevice : public ReportTest {
protected:
    // A device reading a "devices" and "windows" section written by the test.
    std::unique_ptr<TRPDevice>
    DeviceWith(const std::vector<std::pair<std::string, std::string>>& devices,
               const std::string& defaultDevice) {
        WriteProfileString("devices", std::nullopt, std::nullopt);
        for (const auto& [name, value] : devices)
            WriteProfileString("devices", name, value);
        WriteProfileString("windows", "device", defaultDevice);
        return std::make_unique<TRPDevice>();
    }
};

TEST_F(RptDevice, PrinterListComesFromTheProfileOneEntryPerPort) {
    auto device = DeviceWith({{"Draft", "DRAFT, LPT2:,  FILE:"}, {"Other", "OTHER,COM1:"}},
                             "Draft,DRAFT,LPT2:");
    TStrings* list = device->GetPrinters();
    ASSERT_EQ(list->Count(), 3);
    EXPECT_EQ(list->Strings(0), "Draft on LPT2:");
    EXPECT_EQ(list->Strings(1), "Draft on FILE:");
    EXPECT_EQ(list->Strings(2), "Other on COM1:");
    auto* first = static_cast<TRPDeviceItem*>(list->Objects(0));
    auto* second = static_cast<TRPDeviceItem*>(list->Objects(1));
    EXPECT_EQ(first->Device, second->Device);
    EXPECT_EQ(first->Driver, "DRAFT");
    EXPECT_EQ(second->Driver, "DRAFT");
    EXPECT_EQ(second->Port, "FILE:");
}

TEST_F(RptDevice, DefaultPrinterMatchesDeviceAndPortInAnyCase) {
    auto device = DeviceWith({{"Draft", "DRAFT,LPT2:,FILE:"}}, "draft,DRAFT,file:");
    EXPECT_EQ(device->GetPrinterIndex(), 1);
    EXPECT_EQ(device->DeviceName(), "Draft");
    EXPECT_EQ(device->Port(), "FILE:");
}

TEST_F(RptDevice, DefaultNamingNoListedPortFallsBackOnTheFirstPrinter) {
    auto device = DeviceWith({{"Draft", "DRAFT,LPT2:"}}, "Draft,DRAFT,LPT9:");
    EXPECT_EQ(device->GetPrinterIndex(), 0);
    EXPECT_EQ(device->DeviceName(), "Draft");
}

TEST_F(RptDevice, NoPrintersLeavesTheIndexUnresolved) {
    auto device = DeviceWith({}, "");
    EXPECT_EQ(device->GetPrinters()->Count(), 0);
    EXPECT_EQ(device->GetPrinterIndex(), -2);
    EXPECT_FALSE(device->PrinterInstalled());
    EXPECT_EQ(device->GetDevMode(), nullptr);
}

TEST_F(RptDevice, SelectionByExactOrPartialName) {
    auto device =
        DeviceWith({{"Draft", "DRAFT,LPT2:"}, {"Laser Jet", "LJ,LPT1:"}}, "Draft,DRAFT,LPT2:");
    EXPECT_TRUE(device->SelectPrinterByName("jet on lpt", false));
    EXPECT_EQ(device->GetPrinterIndex(), 1);
    EXPECT_FALSE(device->SelectPrinterByName("draft", true));
    EXPECT_TRUE(device->SelectPrinterByName("Draft", true));
    EXPECT_EQ(device->GetPrinterIndex(), 0);
    device->SelectPrinter(7); // past the end: ignored
    EXPECT_EQ(device->GetPrinterIndex(), 0);
}

TEST_F(RptDevice, UninstalledPrinterHasNoDevModeAndNoContext) {
    auto device = DeviceWith({{"Ghost", "GHOST,LPT3:"}}, "Ghost,GHOST,LPT3:");
    EXPECT_EQ(device->GetDevMode(), nullptr);
    EXPECT_EQ(ErrorOf([&] { device->SetOrientation(TOrientation::poLandScape); }),
              "Invalid operation.  Device has no DevMode structure");
    EXPECT_EQ(ErrorOf([&] { device->GetHandle(); }), "Invalid Printer");
}

TEST_F(RptDevice, CopiesUpToTheDriverMaximum) {
    TRPDevice* device = RPDev();
    ASSERT_EQ(device->MaxCopies(), 9);
    device->SetCopies(9);
    EXPECT_EQ(device->GetDevMode()->dmCopies, 9);
    device->SetCopies(0);
    device->SetCopies(10);
    EXPECT_EQ(device->GetDevMode()->dmCopies, 9);
    device->SetCopies(3);
    EXPECT_EQ(device->GetDevMode()->dmCopies, 3);
    EXPECT_TRUE(device->GetDevMode()->dmFields & DM_COPIES);
}

TEST_F(RptDevice, OrientationDuplexCollateAndBins) {
    TRPDevice* device = RPDev();
    DEVMODE before = *device->GetDevMode();
    device->SetOrientation(TOrientation::poDefault);
    EXPECT_EQ(device->GetDevMode()->dmOrientation, before.dmOrientation);
    device->SetOrientation(TOrientation::poLandScape);
    EXPECT_EQ(device->GetDevMode()->dmOrientation, DMORIENT_LANDSCAPE);
    EXPECT_EQ(device->PageWidthPixels(), 1050);
    EXPECT_EQ(device->PageHeightPixels(), 800);

    device->SetDuplex(1);
    EXPECT_EQ(device->GetDuplex(), 1);
    device->SetCollate(true);
    EXPECT_TRUE(device->GetCollate());

    TStrings* bins = device->GetBins();
    ASSERT_EQ(bins->Count(), 2);
    EXPECT_EQ(bins->Strings(1), "Manual feed");
    EXPECT_EQ(device->GetBinNumber(1), DMBIN_MANUAL);
    EXPECT_EQ(device->GetBinNumber(2), 0);
    EXPECT_TRUE(device->SelectBin("manual", false));
    EXPECT_EQ(device->GetDevMode()->dmDefaultSource, DMBIN_MANUAL);
    EXPECT_FALSE(device->SelectBin("manual", true));
    EXPECT_TRUE(device->SelectBin("Upper tray", true));
    EXPECT_EQ(device->GetDevMode()->dmDefaultSource, DMBIN_UPPER);
}

// The bins are the selected printer's: after a change to a printer with fewer bins, an index
// past them is no bin (0), whatever the printer before had there.
TEST_F(RptDevice, BinsFollowTheSelectedPrinter) {
    TPrinterInfo wide = HundredDpiPrinter();
    wide.Device = "Wide";
    wide.Driver = "WIDE";
    wide.Port = "LPT3:";
    wide.Bins = {{DMBIN_UPPER, "Upper tray"}, {DMBIN_MANUAL, "Manual feed"},
                 {DMBIN_LOWER, "Lower tray"}};
    backend->AddPrinter(wide);
    UseBackends({backend});
    TRPDevice* device = RPDev();
    ASSERT_TRUE(device->SelectPrinterByName("Wide", true));
    EXPECT_EQ(device->GetBins()->Count(), 3);
    EXPECT_EQ(device->GetBinNumber(2), DMBIN_LOWER);
    ASSERT_TRUE(device->SelectPrinterByName("Draft", true));
    EXPECT_EQ(device->GetBins()->Count(), 2);
    EXPECT_EQ(device->GetBinNumber(1), DMBIN_MANUAL);
    EXPECT_EQ(device->GetBinNumber(2), 0);
    EXPECT_EQ(device->GetBinNumber(-1), 0);
}

TEST_F(RptDevice, InformationContextKeepsAnOpenDeviceContext) {
    TRPDevice* device = RPDev();
    device->SetState(dsIC);
    EXPECT_EQ(device->State(), dsIC);
    device->SetTitle("Context test");
    device->BeginDoc();
    EXPECT_EQ(device->State(), dsDC);
    HDC dc = device->GetHandle();
    device->SetState(dsIC);
    EXPECT_EQ(device->State(), dsDC);
    EXPECT_EQ(device->GetHandle(), dc);
    device->AbortDoc();
    EXPECT_EQ(device->State(), dsNone);
    EXPECT_TRUE(LastDocument().Aborted);
}

TEST_F(RptDevice, DocumentAndPageCallsCheckThePrintingState) {
    TRPDevice* device = RPDev();
    EXPECT_EQ(ErrorOf([&] { device->NewPage(true); }),
              "Invalid method call.  Device is not printing.");
    EXPECT_EQ(ErrorOf([&] { device->EndDoc(); }), "Invalid method call.  Device is not printing.");
    EXPECT_EQ(ErrorOf([&] { device->AbortDoc(); }),
              "Invalid method call.  Device is not printing.");
    device->SetTitle("A title longer than thirty-one characters");
    device->BeginDoc();
    EXPECT_EQ(ErrorOf([&] { device->BeginDoc(); }),
              "Invalid method call.  Device already printing.");
    EXPECT_EQ(ErrorOf([&] { device->SetCopies(2); }),
              "Invalid method call.  Device already printing.");
    EXPECT_EQ(ErrorOf([&] { device->SelectPrinter(0); }),
              "Invalid method call.  Device already printing.");
    EXPECT_EQ(ErrorOf([&] { device->SetOutputFileName("x.pdf"); }),
              "Invalid method call.  Device already printing.");
    device->NewPage(true);
    device->NewPage(true);
    device->EndDoc();
    EXPECT_FALSE(device->Printing());
    const auto& document = LastDocument();
    EXPECT_TRUE(document.Finished);
    EXPECT_EQ(document.Pages.size(), 2u);
    EXPECT_EQ(document.Settings.DocName, "A title longer than thirty-one ");
}

TEST_F(RptDevice, DocumentThatCannotStartLeavesTheDeviceIdle) {
    TRPDevice* device = RPDev();
    backend->FailNextStart();
    EXPECT_EQ(ErrorOf([&] { device->BeginDoc(); }), "Unable to start the print job on Draft.");
    EXPECT_FALSE(device->Printing());
    EXPECT_EQ(device->State(), dsNone);
    device->BeginDoc();
    device->EndDoc();
    EXPECT_TRUE(LastDocument().Finished);
}

TEST_F(RptDevice, SetupDialogIsPlacedAndItsChoiceTaken) {
    TPrinterInfo second = HundredDpiPrinter();
    second.Device = "Second";
    backend->AddPrinter(second);
    UseBackends({backend});
    TRPDevice* device = RPDev();
    int x = 0, y = 0;
    services.PrintSetupAnswers.push_back([&](TPrintSetupRequest& request) {
        request.OnInitDialog(x, y, 400, 300, 1200, 900);
        request.PrinterName = "Second";
        request.Landscape = true;
        request.Copies = 2;
        return true;
    });
    ASSERT_TRUE(device->PrinterSetupDialog());
    EXPECT_EQ(x, 400);
    EXPECT_EQ(y, 200);
    ASSERT_EQ(services.PrintSetups.size(), 1u);
    EXPECT_EQ(services.PrintSetups[0].PrinterName, "Draft");
    EXPECT_EQ(device->DeviceName(), "Second");
    EXPECT_EQ(device->GetDevMode()->dmOrientation, DMORIENT_LANDSCAPE);
    EXPECT_EQ(device->GetDevMode()->dmCopies, 2);
    EXPECT_FALSE(device->PrinterSetupDialog()); // cancelled
    EXPECT_EQ(device->DeviceName(), "Second");
}

} // namespace
