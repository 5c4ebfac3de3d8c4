#include "report/RptSystem.h"

#include "platform/rtl/Streams.h"
#include "report/RptDevice.h"
#include "report/RptPlayer.h"
#include "report/RptPreviewForm.h"
#include "report/RptPrinter.h"
#include "report/RptSetupForm.h"
#include "report/RptStatusForm.h"

#include <algorithm>
#include <cstdio>

// ---------------------------------------------------------------------------------------------
// Option records

TSystemPrinter::TSystemPrinter() : statusText_(std::make_unique<TStringList>()) {}

TSystemPrinter::~TSystemPrinter() = default;

void TSystemPrinter::SetTabShade(int Value) {
    tabShade_ = std::clamp(Value, 0, 100);
}

void TSystemPrinter::SetUnits(TPrintUnits Value) {
    ChangeUnits(Value, units_, unitsFactor_);
}

void TSystemPrinter::SetUnitsFactor(double Value) {
    ChangeUnitsFactor(Value, units_, unitsFactor_);
}

void TSystemPrinter::ApplyTo(TBaseReport* Report) const {
    // A player's units stay inches: they are the units of the recording it plays.
    if (!dynamic_cast<TFilePrinter*>(Report)) {
        Report->SetUnits(units_);
        if (units_ == unUser) Report->SetUnitsFactor(unitsFactor_);
    }
    Report->SetCopies(Copies);
    Report->SetFirstPage(FirstPage);
    Report->SetLastPage(LastPage);
    Report->SetLineHeightMethod(LineHeightMethod);
    Report->SetLinesPerInch(LinesPerInch);
    Report->SetMarginBottom(MarginBottom);
    Report->SetMarginLeft(MarginLeft);
    Report->SetMarginRight(MarginRight);
    Report->SetMarginTop(MarginTop);
    Report->SetOrientation(Orientation);
    Report->SetScaleX(ScaleX);
    Report->SetScaleY(ScaleY);
    Report->SetStatusFormat(StatusFormat);
    Report->SetStatusText(statusText_.get());
    Report->SetTabShade(tabShade_);
    Report->SetTextBKMode(TextBKMode);
    Report->SetTitle(title_);
    if (RPDev()->PrinterInstalled()) {
        Report->SetCollate(Collate);
        Report->SetDuplex(Duplex);
    }
}

TSystemPreview::TSystemPreview() : gridPen_(std::make_unique<TPen>()) {}

TSystemPreview::~TSystemPreview() = default;

void TSystemPreview::SetMonochrome(bool Value) {
    if (Value && !MonochromeAllowed(shadowDepth_)) return;
    monochrome_ = Value;
}

void TSystemPreview::SetShadowDepth(int Value) {
    if (Value > 0 && !ShadowAllowed(monochrome_)) return;
    shadowDepth_ = std::max(Value, 0);
}

void TSystemPreview::SetZoomFactor(double Value) {
    zoomFactor_ = std::clamp(Value, MinZoom, MaxZoom);
}

void TSystemPreview::ApplyTo(TFilePreview* Preview) const {
    Preview->SetGridHoriz(GridHoriz);
    Preview->SetGridPen(gridPen_.get());
    Preview->SetGridVert(GridVert);
    Preview->SetMarginMethod(MarginMethod);
    Preview->SetMarginPercent(MarginPercent);
    // The two settings that exclude each other go in the order that keeps both.
    if (monochrome_) {
        Preview->SetShadowDepth(0);
        Preview->SetMonochrome(true);
    } else {
        Preview->SetMonochrome(false);
        Preview->SetShadowDepth(shadowDepth_);
    }
    Preview->SetPagesWide(PagesWide);
    Preview->SetPagesHigh(PagesHigh);
    Preview->SetPageInc(PageInc);
    Preview->SetRulerType(RulerType);
    Preview->SetZoomInc(ZoomInc);
    Preview->SetZoomFactor(zoomFactor_);
}

TSystemFiler::TSystemFiler() : statusText_(std::make_unique<TStringList>()) {}

TSystemFiler::~TSystemFiler() = default;

void TSystemFiler::ApplyTo(TReportFiler* Filer) const {
    Filer->SetAccuracyMethod(AccuracyMethod);
    Filer->SetFileName(FileName);
    Filer->SetStatusFormat(StatusFormat);
    Filer->SetStatusText(statusText_.get());
    Filer->SetStreamMode(StreamMode == smMemory ? smUser : StreamMode);
    Filer->SetStream(Stream);
}

void TSystemFiler::ApplyTo(TFilePrinter* Player) const {
    Player->SetFileName(FileName);
    Player->SetStreamMode(StreamMode == smMemory ? smUser : StreamMode);
    Player->SetStream(Stream);
}

// ---------------------------------------------------------------------------------------------
// The report system

TReportSystem::TReportSystem(TComponent* AOwner)
    : TRPBaseComponent(AOwner), filer_(std::make_unique<TSystemFiler>()),
      preview_(std::make_unique<TSystemPreview>()), printer_(std::make_unique<TSystemPrinter>()) {}

TReportSystem::~TReportSystem() = default;

void TReportSystem::CopyEvents(TBaseReport* Report) const {
    Report->OnPrint = OnPrint;
    Report->OnPrintPage = OnPrintPage;
    Report->OnBeforePrint = OnBeforePrint;
    Report->OnAfterPrint = OnAfterPrint;
    Report->OnNewPage = OnNewPage;
    Report->OnNewColumn = OnNewColumn;
    Report->OnPrintHeader = OnPrintHeader;
    Report->OnPrintFooter = OnPrintFooter;
    Report->OnEndOfSection = OnEndOfSection;
}

void TReportSystem::CallOverride(TReportSystemEvent& Event, TDefaultHandler Default,
                                 TOverrideMode Mode, TForm*& Form) {
    if (!Event)
        Event = [this, Default](TReportSystem* System, TOverrideMode M, TForm*& F) {
            (this->*Default)(System, M, F);
        };
    TReportSystemEvent handler = Event;
    handler(this, Mode, Form);
}

void TReportSystem::CallSetup(TOverrideMode Mode) {
    CallOverride(OverrideSetup, &TReportSystem::ShowSetup, Mode, setupForm_);
}

void TReportSystem::CallStatus(TOverrideMode Mode) {
    CallOverride(OverrideStatus, &TReportSystem::ShowStatus, Mode, statusForm_);
    if (Mode == omFree) statusLabel_ = nullptr;
}

void TReportSystem::CallPreview(TOverrideMode Mode) {
    CallOverride(OverridePreview, &TReportSystem::ShowPreview, Mode, previewForm_);
}

void TReportSystem::Execute() {
    ReportDest = DefaultDest;
    Aborted = false;
    if (SystemSetups.Contains(ssAllowSetup)) {
        try {
            CallSetup(omCreate);
            CallSetup(omShow);
            CallSetup(omWait);
        } catch (...) {
            CallSetup(omFree);
            throw;
        }
        CallSetup(omFree);
    }
    if (Aborted) return;
    const bool recording = ReportDest == rdPreview || SystemOptions.Contains(soUseFiler);
    std::unique_ptr<TMemoryStream> memory;
    // Without generating, a recording the application put in the stream is played as it is.
    const bool supplied = SystemOptions.Contains(soNoGenerate) && filer_->Stream;
    if (recording && filer_->StreamMode == smMemory && !supplied) {
        memory = std::make_unique<TMemoryStream>();
        filer_->Stream = memory.get();
    }
    auto release = [&] {
        if (memory) filer_->Stream = nullptr;
        memory.reset();
        if (recording && filer_->StreamMode == smTempFile && !filer_->FileName.empty())
            std::remove(filer_->FileName.c_str()); // a file already gone is no failure
    };
    try {
        if (recording) Generate();
        if (!Aborted) {
            if (ReportDest == rdPreview)
                Preview();
            else
                Print();
        }
    } catch (...) {
        release();
        throw;
    }
    release();
}

void TReportSystem::Generate() {
    if (SystemOptions.Contains(soNoGenerate)) return;
    Aborted = true;
    CallStatus(omCreate);
    std::unique_ptr<TReportFiler> filer;
    auto finish = [&] {
        if (filer) {
            statusLabel_ = filer->StatusLabel();
            filer_->FileName = filer->FileName();
        }
        baseReport_ = nullptr;
        filer.reset();
    };
    try {
        filer = std::make_unique<TReportFiler>(Owner());
        baseReport_ = filer.get();
        printer_->ApplyTo(filer.get());
        filer_->ApplyTo(filer.get());
        CopyEvents(filer.get());
        filer->SetOutputFileName(OutputFileName);
        CallStatus(omShow);
        filer->Execute();
        Aborted = filer->Aborted();
    } catch (...) {
        finish();
        CallStatus(omFree);
        throw;
    }
    finish();
    // For the printer and a file the status form stays up through printing.
    if (ReportDest == rdPreview) CallStatus(omFree);
}

void TReportSystem::Print() {
    Aborted = true;
    std::unique_ptr<TBaseReport> report;
    try {
        if (SystemOptions.Contains(soUseFiler)) {
            auto player = std::make_unique<TFilePrinter>(Owner());
            printer_->ApplyTo(player.get());
            filer_->ApplyTo(player.get());
            player->SetStatusLabel(statusLabel_);
            // The recording names the file too, but a player follows only its caller's choice.
            player->SetOutputFileName(OutputFileName);
            baseReport_ = player.get();
            report = std::move(player);
        } else {
            CallStatus(omCreate);
            auto writer = std::make_unique<TReportWriter>(Owner());
            printer_->ApplyTo(writer.get());
            CopyEvents(writer.get());
            writer->SetOutputFileName(OutputFileName);
            baseReport_ = writer.get();
            report = std::move(writer);
            CallStatus(omShow);
        }
        if (auto* player = dynamic_cast<TFilePrinter*>(report.get()))
            player->Execute();
        else
            report->Execute();
        Aborted = report->Aborted();
        if (!Aborted) CallStatus(omWait);
    } catch (...) {
        baseReport_ = nullptr;
        report.reset();
        CallStatus(omFree);
        throw;
    }
    baseReport_ = nullptr;
    report.reset();
    CallStatus(omFree);
}

void TReportSystem::Preview() {
    try {
        CallPreview(omCreate);
        CallPreview(omShow);
        CallPreview(omWait);
    } catch (...) {
        CallPreview(omFree);
        throw;
    }
    CallPreview(omFree);
}

// ---------------------------------------------------------------------------------------------
// Default forms

void TReportSystem::ShowSetup(TReportSystem*, TOverrideMode OverrideMode, TForm*& OverrideForm) {
    switch (OverrideMode) {
    case omCreate: {
        auto* form = new TRPSetupForm(this);
        form->SetCaption(TitleSetup);
        form->SetReportSystem(this);
        OverrideForm = form;
        break;
    }
    case omShow:
        if (auto* form = dynamic_cast<TRPSetupForm*>(OverrideForm)) {
            form->SetRangeMode(false);
            Aborted = form->ShowModal() != mrOk;
        }
        break;
    case omWait: break;
    case omFree:
        delete OverrideForm;
        OverrideForm = nullptr;
        break;
    }
}

void TReportSystem::ShowStatus(TReportSystem*, TOverrideMode OverrideMode, TForm*& OverrideForm) {
    if (!SystemOptions.Contains(soShowStatus)) return;
    auto* form = dynamic_cast<TRPStatusForm*>(OverrideForm);
    switch (OverrideMode) {
    case omCreate:
        form = new TRPStatusForm(this);
        form->SetCaption(TitleStatus);
        form->SetReportSystem(this);
        OverrideForm = form;
        break;
    case omShow:
        if (!form) break;
        if (baseReport_) baseReport_->SetStatusLabel(form->StatusLabel);
        form->CancelButton->SetKind(bkCancel);
        form->Show();
        break;
    case omWait:
        if (!form || !SystemOptions.Contains(soWaitForOK)) break;
        form->CancelButton->SetKind(bkOK);
        WaitForForm(form, [form] { return form->OKPressed(); });
        break;
    case omFree:
        delete OverrideForm;
        OverrideForm = nullptr;
        break;
    }
}

void TReportSystem::ShowPreview(TReportSystem*, TOverrideMode OverrideMode, TForm*& OverrideForm) {
    auto* form = dynamic_cast<TRPPreviewForm*>(OverrideForm);
    switch (OverrideMode) {
    case omCreate:
        form = new TRPPreviewForm(this);
        form->SetReportSystem(this);
        form->SetCaption(TitlePreview);
        form->SetWidth(preview_->FormWidth);
        form->SetHeight(preview_->FormHeight);
        form->SetWindowState(preview_->FormState);
        OverrideForm = form;
        break;
    case omShow:
        if (!form) break;
        filer_->ApplyTo(form->FilePrinter1);
        filer_->ApplyTo(form->FilePreview1);
        preview_->ApplyTo(form->FilePreview1);
        if (SystemOptions.Contains(soPreviewModal))
            form->ShowModal();
        else
            form->Show();
        break;
    case omWait:
        if (form && !SystemOptions.Contains(soPreviewModal))
            WaitForForm(form, [form] { return form->Closed(); });
        break;
    case omFree:
        delete OverrideForm;
        OverrideForm = nullptr;
        break;
    }
}
