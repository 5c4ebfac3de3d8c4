#include "tests/fuzz/FuzzReport.h"

#include "platform/gui/PrinterBackend.h"
#include "report/RptDevice.h"

#include <memory>

void UseFuzzPrinter() {
    TPrinterInfo printer = TTestPrinterBackend::StandardPrinter();
    printer.DpiX = printer.DpiY = 100;
    printer.MarginLeft = printer.MarginTop = printer.MarginRight = printer.MarginBottom = 25;
    auto backend = std::make_shared<TTestPrinterBackend>();
    backend->AddPrinter(printer);
    ReleaseRPDev();
    SetPrinterBackends({backend});
}
