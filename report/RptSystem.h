// The report system: the one component through which the program runs a whole report without
// writing any window of its own. Execute shows the setup form (destination, copies, collation,
// duplex, printer), then either prints the application's report events straight to the printer
// or records them into a report stream and plays that to the printer or shows it in the preview
// form, with the status form up while pages are made. The three option records hold what is
// copied into each report object the system makes; each report object lives for one phase. The
// recording and a temporary file are always released, whatever fails; cancelling the setup or
// the status form ends the run quietly.
#pragma once

#include "platform/gui/Forms.h"
#include "report/RptBase.h"
#include "report/RptFiler.h"
#include "report/RptPreview.h"

#include <functional>
#include <memory>
#include <string>

class TFilePrinter;
class TFilePreview;
class TMemoryStream;

enum TSystemSetup {
    ssAllowSetup,
    ssAllowCopies,
    ssAllowCollate,
    ssAllowDuplex,
    ssAllowDestPreview,
    ssAllowDestPrinter,
    ssAllowDestFile,
    ssAllowPrinterSetup
};
using TSystemSetups = TSet<TSystemSetup, 8>;
enum TSystemOption {
    soUseFiler,
    soWaitForOK,
    soShowStatus,
    soAllowPrintFromPreview,
    soPreviewModal,
    soNoGenerate
};
using TSystemOptions = TSet<TSystemOption, 6>;
enum TReportDest { rdPreview, rdPrinter, rdFile };
enum TOverrideMode { omCreate, omShow, omWait, omFree };

class TReportSystem;
using TReportSystemEvent = std::function<void(TReportSystem* ReportSystem,
                                              TOverrideMode OverrideMode, TForm*& OverrideForm)>;

// The settings copied into every report the system makes.
class TSystemPrinter : public TPersistent {
    VANTREL_CLASS(TSystemPrinter, TPersistent)

    TSystemPrinter();
    ~TSystemPrinter() override;

    int Copies = 1;
    int FirstPage = 1;
    int LastPage = 9999;
    TLineHeightMethod LineHeightMethod = lhmFont;
    int LinesPerInch = 6;
    double MarginBottom = 0.0, MarginLeft = 0.0, MarginRight = 0.0, MarginTop = 0.0;
    TOrientation Orientation = TOrientation::poPortrait;
    double ScaleX = 100.0;
    double ScaleY = 100.0;
    std::string StatusFormat = "Printing page %p";
    TStrings* StatusText() const { return statusText_.get(); }
    TBKMode TextBKMode = bkTransparent;
    // Set by the setup form: collation, and duplex 0 simplex, 1 and 2 the duplex modes.
    bool Collate = false;
    int Duplex = 0;

    int TabShade() const { return tabShade_; }
    // Clamped to 0..100.
    void SetTabShade(int Value);
    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& Value) { title_ = Value.substr(0, 31); }
    TPrintUnits Units() const { return units_; }
    // Sets the factor of the unit (unUser keeps it).
    void SetUnits(TPrintUnits Value);
    double UnitsFactor() const { return unitsFactor_; }
    // Ignores values not above 0; the unit follows an exact factor, else unUser.
    void SetUnitsFactor(double Value);

    // Copies the settings into Report.
    void ApplyTo(TBaseReport* Report) const;

private:
    std::unique_ptr<TStringList> statusText_;
    int tabShade_ = 0;
    std::string title_ = "ReportWriter Report";
    TPrintUnits units_ = unInch;
    double unitsFactor_ = 1.0;
};

class TSystemPreview : public TPersistent {
    VANTREL_CLASS(TSystemPreview, TPersistent)

    TSystemPreview();
    ~TSystemPreview() override;

    int FormWidth = 615;
    int FormHeight = 450;
    TWindowState FormState = wsNormal;
    double GridHoriz = 0.0;
    TPen* GridPen() const { return gridPen_.get(); }
    double GridVert = 0.0;
    TMarginMethod MarginMethod = mmFixed;
    double MarginPercent = 0.0;
    int PagesWide = 1;
    int PagesHigh = 1;
    int PageInc = 1;
    TRulerType RulerType = rtNone;
    int ZoomInc = 10;

    bool Monochrome() const { return monochrome_; }
    // Refused with a message while ShadowDepth is above 0.
    void SetMonochrome(bool Value);
    int ShadowDepth() const { return shadowDepth_; }
    // Refused with a message while Monochrome is set.
    void SetShadowDepth(int Value);
    double ZoomFactor() const { return zoomFactor_; }
    // Clamped to 10..200.
    void SetZoomFactor(double Value);

    void ApplyTo(TFilePreview* Preview) const;

private:
    std::unique_ptr<TPen> gridPen_;
    bool monochrome_ = false;
    int shadowDepth_ = 0;
    double zoomFactor_ = 100.0;
};

class TSystemFiler : public TPersistent {
    VANTREL_CLASS(TSystemFiler, TPersistent)

    TSystemFiler();
    ~TSystemFiler() override;

    TAccuracyMethod AccuracyMethod = amPositioning;
    std::string FileName;
    std::string StatusFormat = "Generating page %p";
    TStrings* StatusText() const { return statusText_.get(); }
    TStreamMode StreamMode = smMemory;
    // The stream of a run (set by the system for smMemory; the caller's for smUser).
    TStream* Stream = nullptr;

    // A memory recording is shared through the system's stream: smMemory becomes smUser.
    void ApplyTo(TReportFiler* Filer) const;
    void ApplyTo(TFilePrinter* Player) const;

private:
    std::unique_ptr<TStringList> statusText_;
};

class TReportSystem : public TRPBaseComponent {
    VANTREL_CLASS(TReportSystem, TRPBaseComponent)

    explicit TReportSystem(TComponent* AOwner);
    ~TReportSystem() override;

    // ---- Published properties
    std::string TitleSetup = "Report Setup";
    std::string TitleStatus = "Report Status";
    std::string TitlePreview = "Report Preview";
    TSystemSetups SystemSetups{ssAllowSetup,    ssAllowCopies,      ssAllowCollate,
                               ssAllowDuplex,   ssAllowDestPreview, ssAllowDestPrinter,
                               ssAllowDestFile, ssAllowPrinterSetup};
    TSystemOptions SystemOptions{soShowStatus, soAllowPrintFromPreview, soPreviewModal};
    TReportDest DefaultDest = rdPreview;
    TSystemFiler* SystemFiler() const { return filer_.get(); }
    TSystemPreview* SystemPreview() const { return preview_.get(); }
    TSystemPrinter* SystemPrinter() const { return printer_.get(); }

    TNotifyEvent OnPrint;
    TPrintPageEvent OnPrintPage;
    TNotifyEvent OnBeforePrint;
    TNotifyEvent OnAfterPrint;
    TNotifyEvent OnNewPage;
    TNotifyEvent OnNewColumn;
    TNotifyEvent OnPrintHeader;
    TNotifyEvent OnPrintFooter;
    TNotifyEvent OnEndOfSection;
    TReportSystemEvent OverrideSetup;
    TReportSystemEvent OverrideStatus;
    TReportSystemEvent OverridePreview;

    // ---- State of a run
    TReportDest ReportDest = rdPreview;
    std::string OutputFileName;
    bool Aborted = false;
    // The report object of the current phase, or nullptr between phases.
    TBaseReport* BaseReport() const { return baseReport_; }

    // Runs the report: setup, then printing straight or recording, then printing the
    // recording or previewing it. With soNoGenerate nothing is recorded: the recording that
    // SystemFiler names (its file, or a stream the application set) is played.
    void Execute();

    // The default handlers of the three override events.
    virtual void ShowSetup(TReportSystem* ReportSystem, TOverrideMode OverrideMode,
                           TForm*& OverrideForm);
    virtual void ShowStatus(TReportSystem* ReportSystem, TOverrideMode OverrideMode,
                            TForm*& OverrideForm);
    virtual void ShowPreview(TReportSystem* ReportSystem, TOverrideMode OverrideMode,
                             TForm*& OverrideForm);

    // Copies the nine report events into Report.
    void CopyEvents(TBaseReport* Report) const;

private:
    void Generate();
    void Print();
    void Preview();
    using TDefaultHandler = void (TReportSystem::*)(TReportSystem*, TOverrideMode, TForm*&);
    // Calls the override event, the default handler first put in when it is unassigned.
    void CallOverride(TReportSystemEvent& Event, TDefaultHandler Default, TOverrideMode Mode,
                      TForm*& Form);
    void CallSetup(TOverrideMode Mode);
    void CallStatus(TOverrideMode Mode);
    void CallPreview(TOverrideMode Mode);

    // Released in the reverse order: the printer record first, then preview, then filer.
    std::unique_ptr<TSystemFiler> filer_;
    std::unique_ptr<TSystemPreview> preview_;
    std::unique_ptr<TSystemPrinter> printer_;
    TBaseReport* baseReport_ = nullptr;
    TControl* statusLabel_ = nullptr;
    TForm* setupForm_ = nullptr;
    TForm* statusForm_ = nullptr;
    TForm* previewForm_ = nullptr;
};
