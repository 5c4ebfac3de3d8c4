// The report engine's shared definitions: its exception and messages, the enumerations a form
// stores, the characters of the embedded format codes and macros, the tab stop and line segment
// records and the common base of the report components.
#pragma once

#include "platform/rtl/Classes.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/Types.h"

#include <exception>
#include <functional>
#include <string>

// The report engine's only exception: a message.
VANTREL_EXCEPTION(EReportWriter, Exception);

// Raises EReportWriter with the message; every misuse of the engine goes through here.
[[noreturn]] void RaiseError(const std::string& ErrorMessage);

// Messages of the engine.
inline constexpr const char* Trans_NotPrinting =
    "Invalid method call.  ReportWriter is not printing.";
inline constexpr const char* Trans_AlreadyPrinting =
    "Invalid method call.  ReportWriter already printing.";
inline constexpr const char* Trans_CanvasNotActive = "Error!  Canvas not yet active.";
inline constexpr const char* Trans_InvalidPrinter = "Invalid Printer";
inline constexpr const char* Trans_DeviceNotPrinting =
    "Invalid method call.  Device is not printing.";
inline constexpr const char* Trans_DeviceAlreadyPrinting =
    "Invalid method call.  Device already printing.";
inline constexpr const char* Trans_NoDevMode =
    "Invalid operation.  Device has no DevMode structure";
inline constexpr const char* Trans_NoPrinters = "No printers are defined, aborting print job.";
// The print document could not be started (%s: the printer, or the output file).
inline constexpr const char* Trans_CannotStartDoc = "Unable to start the print job on %s.";
// The printer did not take the finished document (%s: the printer).
inline constexpr const char* Trans_CannotFinishDoc = "Unable to complete the print job on %s.";

enum TPrintUnits { unInch, unMM, unCM, unPoint, unUser };
enum TLineHeightMethod { lhmLinesPerInch, lhmFont, lhmUser };
enum TBKMode { bkTransparent, bkOpaque };
// Scoped: the form positions and the printer's orientations use the same value names.
enum class TOrientation { poPortrait, poLandScape, poDefault };

// User units per inch of each unit (unUser keeps the factor it is given).
double UnitsFactorOf(TPrintUnits Units);
// A unit and its factor kept in step. Setting a unit sets its factor (unUser keeps the factor);
// setting a factor (ignored when not above 0) names the unit it is exactly, else unUser.
void ChangeUnits(TPrintUnits Value, TPrintUnits& Units, double& Factor);
void ChangeUnitsFactor(double Value, TPrintUnits& Units, double& Factor);

// Runs the steps of a job's end one after the other whatever each raises; Rethrow then raises
// the first failure, so one failing step never leaves the later ones undone.
class TCleanupSteps {
public:
    template <typename F>
    void Run(F Action) {
        try {
            Action();
        } catch (...) {
            if (!failure_) failure_ = std::current_exception();
        }
    }
    void Rethrow() const {
        if (failure_) std::rethrow_exception(failure_);
    }

private:
    std::exception_ptr failure_;
};

// Justification of text in a tab stop or at a position.
constexpr Byte pjCenter = 0;
constexpr Byte pjLeft = 1;
constexpr Byte pjRight = 2;
constexpr Byte pjBlock = 3;
// The report's justification override when none is in force.
constexpr Byte pjNone = 4;

// Sides of a tab box (bits of SetTab's Lines).
constexpr Byte BOXLINELEFT = 1;
constexpr Byte BOXLINERIGHT = 2;
constexpr Byte BOXLINETOP = 4;
constexpr Byte BOXLINEBOTTOM = 8;
constexpr Byte BOXLINEALL = 15;
constexpr Byte BOXLINENONE = 0;

// "Use the tab stop's own setting" for a line width or a shade.
constexpr int NA = -32768;

// Embedded format codes: a block starts with RPTF_PREFIX, holds codes separated by
// RPTF_SEPARATOR and ends with RPTF_SUFFIX; RPTF_IGNORE inside an argument is skipped.
constexpr char RPTF_PREFIX = '\x01';
constexpr char RPTF_SEPARATOR = '\x02';
constexpr char RPTF_IGNORE = '\x03';
constexpr char RPTF_SUFFIX = '\x04';

// A macro placeholder: MacroMarker, MacroTag and the id as two decimal digits.
constexpr char MacroMarker = '\xFD';
inline constexpr const char* MacroTag = "$RPCM";
constexpr int MacroPlaceholderLength = 8;
constexpr int FirstUserMacro = 15;
constexpr int UserMacroCount = 20;

// Output kinds: canvas output, preview, report-stream recording.
constexpr Byte okCanvas = 0;
constexpr Byte okPreview = 1;
constexpr Byte okFiler = 2;

// One stop of a tab list (lengths in inches from the sheet's left edge).
struct TTab {
    double Pos = 0.0;
    Byte Justify = pjLeft;
    double Width = 0.0;
    double Margin = 0.0;
    bool LeftLine = false;
    bool RightLine = false;
    bool TopLine = false;
    bool BottomLine = false;
    Byte Shade = 0;
    // In the first node of a list: how many holders share the list.
    Word RefCount = 0;
    TTab* Next = nullptr;
    TTab* Prev = nullptr;
};

// A horizontal or vertical line kept for merging: its position and extent in inches from the
// sheet's corner (origin included) and the pen it is drawn with.
struct TLineSegment {
    double Pos = 0.0;
    double Start = 0.0;
    double End = 0.0;
    LongInt PenColor = 0;
    int PenStyle = 0;
    int PenMode = 0;
    int PenWidth = 1;
};

class TBaseReport;
class TControl;

using TPrintPageEvent = std::function<bool(TObject* Sender, int& PageNum)>;
// A page-start or page-end callback.
using TReportCallback = std::function<void(TBaseReport* Report)>;

// The common base of the report components.
class TRPComponent : public TComponent {
    VANTREL_CLASS(TRPComponent, TComponent)

    explicit TRPComponent(TComponent* AOwner) : TComponent(AOwner) {}
    // Always "2.00M (D2)"; setting it changes nothing.
    std::string Version() const { return "2.00M (D2)"; }
    void SetVersion(const std::string&) {}
};

class TRPBaseComponent : public TRPComponent {
    VANTREL_CLASS(TRPBaseComponent, TRPComponent)

    explicit TRPBaseComponent(TComponent* AOwner) : TRPComponent(AOwner) {}
};
