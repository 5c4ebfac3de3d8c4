// Shared set-up of the report tests: a settings folder of the test's own (the profile with the
// printer sections lives there), the layer's test printer backend in place of the system's
// printers, recorded dialogs, and a report writer that draws on a page bitmap so positions can
// be checked in device pixels.
#pragma once

#include "platform/gui/Dialogs.h"
#include "platform/gui/PrinterBackend.h"
#include "platform/gui/QtApp.h"
#include "platform/gui/RecordingCanvas.h"
#include "report/RptDevice.h"
#include "report/RptFiler.h"
#include "report/RptPrinter.h"
#include "tests/gui/BitmapFixture.h"
#include "tests/gui/PdfTools.h"
#include "tests/rtl/RaisedMessage.h"
#include "tests/rtl/TestFolder.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

// A printer of 100 dots per inch, Letter, a quarter inch unprintable on each side.
inline TPrinterInfo HundredDpiPrinter() {
    TPrinterInfo p = TTestPrinterBackend::StandardPrinter();
    p.Device = "Draft";
    p.Driver = "DRAFT";
    p.Port = "LPT2:";
    p.DpiX = p.DpiY = 100;
    p.MarginLeft = p.MarginTop = p.MarginRight = p.MarginBottom = 25;
    p.MaxCopies = 9;
    return p;
}

class ReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureQtApp();
        home = std::make_unique<TEnvironmentOverride>("VANTREL_HOME", folder.Path());
        dir = folder.Path();
        saved = PrinterBackends();
        backend = std::make_shared<TTestPrinterBackend>();
        backend->AddPrinter(HundredDpiPrinter());
        UseBackends({backend});
    }
    void TearDown() override {
        ReleaseRPDev();
        SetPrinterBackends(saved);
        home.reset();
    }
    // Installs the backends and makes the device read the printers again.
    void UseBackends(std::vector<std::shared_ptr<TPrinterBackend>> backends) {
        ReleaseRPDev();
        SetPrinterBackends(std::move(backends));
    }
    const TTestPrinterBackend::TDocument& LastDocument() const {
        return backend->Documents().back();
    }

    TTestFolder folder;
    std::unique_ptr<TEnvironmentOverride> home;
    std::string dir;
    std::vector<std::shared_ptr<TPrinterBackend>> saved;
    std::shared_ptr<TTestPrinterBackend> backend;
    TRecordedServices services;
};

// A report writer whose output lands on a recording canvas over a bitmap of the printable area
// (device pixels), while the job still runs on the printer device (documents and pages are
// recorded there).
class TBitmapReport : public TReportWriter {
    VANTREL_CLASS(TBitmapReport, TReportWriter)

    explicit TBitmapReport(TComponent* AOwner = nullptr) : TReportWriter(AOwner) { Clear(); }
    // The page canvas goes before the report's own parts: its font must be let go first.
    ~TBitmapReport() override { DetachFontNotify(); }
    TCanvas* GetCanvas() override {
        TReportWriter::GetCanvas();
        return &Page;
    }
    void Clear() {
        TBitmap* b = Page.Bitmap();
        b->Canvas()->Brush()->SetColor(clWhite);
        b->Canvas()->Brush()->SetStyle(bsSolid);
        b->Canvas()->FillRect(Rect(0, 0, b->Width(), b->Height()));
        Page.ClearCalls();
    }
    // The recorded calls of one name.
    std::vector<TRecordingCanvas::TCall> Calls(const std::string& Name) const {
        std::vector<TRecordingCanvas::TCall> found;
        for (const auto& call : Page.Calls())
            if (call.Name == Name) found.push_back(call);
        return found;
    }
    // The smallest rectangle holding every pixel that is not white inside Area.
    TRect Ink(const TRect& Area) {
        TBitmap* b = Page.Bitmap();
        TRect inside;
        IntersectRect(inside, Area, Rect(0, 0, b->Width(), b->Height()));
        return InkRect(*b->Canvas(), inside);
    }
    TColor Pixel(int x, int y) { return Page.Bitmap()->Canvas()->Pixels(x, y); }
    // Runs Body as the whole report.
    template <typename F>
    void Run(F Body) {
        OnPrint = [this, Body](TObject*) { Body(*this); };
        Execute();
    }
    void SetZoom(int Value) { zoom_ = Value; }
    void SetResolution(int X, int Y) {
        xDPI_ = X;
        yDPI_ = Y;
    }

    TRecordingCanvas Page{800, 1050};
};

// Makes a recorder, player or preview write or read Stream (the caller's own stream).
template <typename T, typename S>
T& OnStream(T& Report, S& Stream) {
    Report.SetStreamMode(smUser);
    Report.SetStream(&Stream);
    return Report;
}

// The message of the report error (or any other of the program's exceptions) Action raises,
// "no error" when it raises nothing.
template <typename F>
std::string ErrorOf(F Action) {
    return RaisedMessage<Exception>(Action);
}
