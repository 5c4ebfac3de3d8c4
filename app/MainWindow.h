// The main window: a fixed-size 620 x 458 frame with the menu bar, the toolbar and a status line.
// It owns what every calculator shares: the choice lists and country masks of the loan
// mathematics, the INI file of preferences and window positions, the printer font, the report
// printer every calculator prints through, and the table of open calculator instances that feeds
// the "&Windows" menu.
//
// The preferences live in the check marks of the Options and View menus (read from "vtrx2532.ini"
// at creation, written back at once when toggled); nothing else caches them, so every form asks
// the menu items when it needs one.
#pragma once

#include "advisors/CalculatorForm.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Menus.h"
#include "platform/rtl/IniFiles.h"

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TReportWriter;
class TDToolBar;
class TExplorerButton;
class TAboutBoxDlg;
class TEPTipDialog;
class TDatabase;
class TXBaseEnv;

// The INI file of the program's preferences and positions.
constexpr const char* IniFileName = "vtrx2532.ini";
constexpr const char* PreferencesSection = "PREFERENCES";

class TMainForm : public TForm, public TCalcHost {
    VANTREL_CLASS(TMainForm, TForm)

    explicit TMainForm(TComponent* AOwner);
    ~TMainForm() override;

    // Components
    THeader* MainStatus;
    TMainMenu* MainMenu;
    TFontDialog* FontDialog1;
    TReportWriter* ReportWriter1;
    TDToolBar* DToolBar1;
    TExplorerButton* LoanBTN;
    TExplorerButton* IntDueBTN;
    TExplorerButton* RemBalBTN;
    TExplorerButton* AccelPmtBTN;
    TExplorerButton* BalloonPmtBTN;
    TExplorerButton* AffHseBTN;
    TExplorerButton* AmortSchldBTN;
    TExplorerButton* LsBuyBTN;
    TExplorerButton* PointsBTN;
    TExplorerButton* RefinBTN;
    TExplorerButton* HelpBTN;
    TExplorerButton* ExitBTN2;
    TAboutBoxDlg* AboutBoxDlg1;
    TEPTipDialog* EPTipDialog1;
    TDatabase* AliasDataBase;
    TXBaseEnv* XBaseEnv1;

    // Preference menu items: their check marks are the live preferences.
    TMenuItem* mnuShowHints;
    TMenuItem* mnuBTNHints;
    TMenuItem* mnuToolbarHints;
    TMenuItem* mnuSavePositions;
    TMenuItem* ColorBckgrnd1;
    TMenuItem* mnuToolbar;
    TMenuItem* W1; // "&Windows"

    // What the calculators ask of their host.
    bool ShowHints() const override { return mnuShowHints->Checked(); }
    bool ButtonHints() const override { return mnuBTNHints->Checked(); }
    bool SavePositions() const override { return mnuSavePositions->Checked(); }
    void SaveFormPos(TCustomForm* Form) override;
    void RestoreFormPos(TCustomForm* Form) override;
    TFont* PrinterFont() const override { return printerFont_.get(); }
    TReportWriter* SharedReportWriter() const override { return ReportWriter1; }
    std::string OwnerName() const override;
    // The INI file, or nullptr when it could not be opened.
    TIniFile* IniFile() const { return iniFile_.get(); }

    // Launchers: open the kind in its first free slot (nothing when every slot is in use).
    void OpenLoanCalc();
    void OpenIntDueCalc();
    void OpenRemBalCalc();
    void OpenAccelCalc();
    void OpenBalloonCalc();
    void OpenAffordHouse();
    void OpenRefinance();
    void OpenLeaseBuy();
    void OpenPoints();
    // The amortization schedule with its options dialog, shown modally and freed after.
    void OpenAmortSchedule();
    void WindowItemClick(TObject* Sender);
    // Gives a closing calculator's slot back and takes its item off the "&Windows" menu.
    void ReleaseSlot(TCalcKind Kind, Byte Slot) override;
    // The open form of a slot (slots from 1), or nullptr.
    TCalcForm* SlotForm(TCalcKind Kind, Byte Slot) const;

    // Gradient background: the bands of the start-up set-up (0 when none was made).
    int BandCount() const { return bandCount_; }

    void MainFormCreate();
    void FormShow(TObject* Sender);
    void FormActivate(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);

    // A calculator freed while its slot is in use (as the application frees its forms at the
    // end) gives its slot back.
    void Notification(TComponent* AComponent, TOperation Operation) override;

protected:
    void WMEraseBkgnd(TWMEraseBkgnd& Message) override;
    void Dispatch(TMessage& Message) override;

private:
    struct TSlot {
        bool InUse = false;
        TCalcForm* Form = nullptr;
        TMenuItem* Item = nullptr;
    };
    using TFormFactory = std::function<TCalcForm*()>;

    void BuildMenus();
    void BuildToolbar();
    void BuildDialogs();
    void ConnectDatabase();
    void SetToolbarHints();
    void ToolbarHintsClick(TObject* Sender);
    void ToolbarClick(TObject* Sender);
    void HelpButtonClick(TObject* Sender);
    void TipsClick(TObject* Sender);
    void AboutClick(TObject* Sender);
    TMenuItem* AddItem(TMenuItem* Parent, const std::string& Caption, TShortCut Key,
                       TNotifyEvent OnClick);
    TMenuItem* AddPreference(TMenuItem* Parent, const std::string& Caption, const char* Key,
                             bool Default, TNotifyEvent OnToggled = {});
    void TogglePreference(TMenuItem* Item, const char* Key);
    void Launch(TCalcKind Kind, const TFormFactory& Make);
    void ColorBackgroundClick(TObject* Sender);
    void PrinterFontsClick(TObject* Sender);
    void HelpContentsClick(TObject* Sender);
    void ExitClick(TObject* Sender);
    void PaintGradient(TCanvas* Canvas);
    // Tells the user which files the printouts finished since the last call went to.
    void ShowPrintedFiles();

    std::unique_ptr<TFont> printerFont_;
    // Files printed to and not yet told, and the handler that was there before this window's.
    std::vector<std::string> printedFiles_;
    std::function<void(const std::string&)> previousPrintedHandler_;
    std::unique_ptr<TIniFile> iniFile_;
    std::array<std::vector<TSlot>, ckKindCount> slots_;
    bool firstActivate_ = true;
    int bandCount_ = 0;
    int bandStep_ = 1;
};

// The caption of a calculator's "&Windows" item: its form's caption cut to 50 characters, with
// the first "&" doubled so that it shows instead of marking an accelerator.
std::string WindowItemCaption(const std::string& FormCaption);

// The main window of the running program (nullptr before it is made and after it is gone).
extern TMainForm* MainForm;

// A form's "Left" and "Top" in the INI file, in the section named by its caption; a form with an
// empty caption is neither saved nor restored. A restored position that would put the form off
// the screen is brought back onto it.
void SaveFormPos(TCustomForm* Form);
void RestoreFormPos(TCustomForm* Form);
// The name printed after "Prepared By:": "OWNER"/"REGISTEREDNAME", at most 50 characters.
std::string GetOwnerName();
