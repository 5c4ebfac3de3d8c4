#include "app/MainWindow.h"

#include "advisors/AmortizationOptions.h"
#include "advisors/AmortizationWindow.h"
#include "advisors/LeaseBuyAdvisor.h"
#include "advisors/PointsAdvisor.h"
#include "advisors/Register.h"
#include "app/AcceleratedPaymentCalculator.h"
#include "app/AffordableHouseCalculator.h"
#include "app/BalloonPaymentCalculator.h"
#include "app/InterestDueCalculator.h"
#include "app/LoanCalculator.h"
#include "app/RefinanceAdvisor.h"
#include "app/RemainingBalanceCalculator.h"
#include "db/DBTables.h"
#include "db/XbaseComponent.h"
#include "finance/LoanMath.h"
#include "platform/gui/WinSpool.h"
#include "platform/gui/WinUser.h"
#include "platform/rtl/Paths.h"
#include "platform/rtl/Profile.h"
#include "platform/rtl/Registry.h"
#include "report/RptPrinter.h"
#include "widgets/AboutDialog.h"
#include "widgets/DockableToolBar.h"
#include "widgets/FlatButton.h"
#include "widgets/TipOfTheDay.h"

#include <algorithm>
#include <functional>
#include <utility>

TMainForm* MainForm = nullptr;

namespace {

// Posted to the main window when a printout has been written to a file.
constexpr UINT WM_PRINTEDTOFILE = WM_USER + 1;

constexpr int MainWidth = 620;
constexpr int MainHeight = 458;

// Slots of each kind, in the table's order.
constexpr int SlotCounts[ckKindCount] = {2, 2, 2, 2, 2, 2, 1, 1, 1};

void Inform(const std::string& text) {
    MessageDlg(text, mtInformation, {mbOK}, 0);
}

// Tells the user of a settings file that cannot be read or written: the file and the cause,
// and that the program goes on without it.
void TellSettingsFailure(const Exception& e) {
    MessageDlg(e.Message() + "\n\nThe program goes on with its default settings.", mtWarning,
               {mbOK}, 0);
}

// Tells, once at the start, each settings file that cannot be read (or WIN.INI made): what it
// holds then reads as its defaults.
void TellUnreadableSettings() {
    const auto check = [](const std::function<std::string()>& fileName) {
        try {
            TIniFile(fileName()).SectionExists("");
        } catch (const Exception& e) {
            TellSettingsFailure(e);
        }
    };
    check(ProfileFileName);
    check([] { return std::string(RegistryFileName); });
    check([] { return std::string(IniFileName); });
}

// What read answers, or fallback when the settings file cannot be read (told at the start).
template <typename T>
T ReadSetting(const std::function<T()>& read, T fallback) {
    try {
        return read();
    } catch (const EIniFileException&) {
        return fallback;
    }
}

void FillSharedLists() {
    FillFrequencyList();
    FillPaymentFrequencyList();
    FillDayCountList();
    FillYearBasisList();
    FillCompoundingList();
    FillAmortMethodList();
    FillTimingList();
    FillDeductibleList();
    FillPointsPaidList();
    FillFeeTimingList();
}

void ClearSharedLists() {
    for (TStringList* list :
         {&FrequencyList, &PaymentFrequencyList, &DayCountList, &YearBasisList, &CompoundingList,
          &AmortMethodList, &TimingList, &DeductibleList, &PointsPaidList, &FeeTimingList})
        list->Clear();
}

} // namespace

void SaveFormPos(TCustomForm* Form) {
    TIniFile* ini = MainForm ? MainForm->IniFile() : nullptr;
    if (!ini || Form->Caption().empty()) return;
    try {
        ini->WriteInteger(Form->Caption(), "Left", Form->Left());
        ini->WriteInteger(Form->Caption(), "Top", Form->Top());
    } catch (const EIniFileException& e) {
        TellSettingsFailure(e);
    }
}

void RestoreFormPos(TCustomForm* Form) {
    TIniFile* ini = MainForm ? MainForm->IniFile() : nullptr;
    if (!ini || Form->Caption().empty()) return;
    int left = ReadSetting<int>(
        [&] { return ini->ReadInteger(Form->Caption(), "Left", Form->Left()); }, Form->Left());
    int top = ReadSetting<int>(
        [&] { return ini->ReadInteger(Form->Caption(), "Top", Form->Top()); }, Form->Top());
    // A position saved on a larger screen is brought back so the whole form can be seen (or at
    // least its top-left corner, when the form is larger than the screen).
    left = std::max(0, std::min(left, Screen->Width() - Form->Width()));
    top = std::max(0, std::min(top, Screen->Height() - Form->Height()));
    Form->SetBounds(left, top, Form->Width(), Form->Height());
}

std::string WindowItemCaption(const std::string& FormCaption) {
    std::string caption = FormCaption.substr(0, 50);
    const std::size_t amp = caption.find('&');
    if (amp != std::string::npos) caption.insert(amp, 1, '&');
    return caption;
}

std::string GetOwnerName() {
    TIniFile* ini = MainForm ? MainForm->IniFile() : nullptr;
    if (!ini) return {};
    return ReadSetting<std::string>(
               [ini] { return ini->ReadString("OWNER", "REGISTEREDNAME", ""); }, "")
        .substr(0, 50);
}

void TMainForm::SaveFormPos(TCustomForm* Form) {
    ::SaveFormPos(Form);
}

void TMainForm::RestoreFormPos(TCustomForm* Form) {
    ::RestoreFormPos(Form);
}

std::string TMainForm::OwnerName() const {
    return GetOwnerName();
}

TMainForm::TMainForm(TComponent* AOwner) : TForm(AOwner) {
    MainForm = this;
    SetCalcHost(this);
    SetName("MainForm");
    SetCaption("Vantrel Plus");
    SetHelpContext(106);
    SetFormBorderStyle(bsSingle);
    SetBorderIcons({biSystemMenu, biMinimize});
    SetPosition(poScreenCenter);
    SetBounds(Left(), Top(), MainWidth, MainHeight);
    MainStatus = new THeader(this);
    MainStatus->SetName("MainStatus");
    MainStatus->SetParent(this);
    MainStatus->SetAlign(alBottom);
    MainStatus->SetHeight(20);
    MainStatus->SetAllowResize(false);
    MainStatus->Font()->SetName("Arial");
    MainStatus->Font()->SetHeight(-12);
    FontDialog1 = new TFontDialog(this);
    FontDialog1->SetName("FontDialog1");
    FontDialog1->Font()->SetName("Courier New");
    FontDialog1->Font()->SetHeight(-13);
    FontDialog1->Font()->SetColor(clBlack);
    ReportWriter1 = new TReportWriter(this);
    ReportWriter1->SetName("ReportWriter1");
    ReportWriter1->SetStatusFormat("Printing page %p");
    ReportWriter1->SetOrientation(TOrientation::poPortrait);
    ReportWriter1->SetUnitsFactor(1);
    BuildMenus();
    BuildToolbar();
    BuildDialogs();
    AliasDataBase = new TDatabase(this);
    AliasDataBase->SetName("AliasDataBase");
    AliasDataBase->SetDatabaseName("XBaseAlias");
    AliasDataBase->SetSessionName("Default");
    AliasDataBase->SetLoginPrompt(false);
    XBaseEnv1 = new TXBaseEnv(this);
    XBaseEnv1->SetName("XBaseEnv1");
    XBaseEnv1->SetEpoch(1960);
    OnShow = [this](TObject* s) { FormShow(s); };
    OnActivate = [this](TObject* s) { FormActivate(s); };
    OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };
    // A printout written to a file is announced once printing is over, not from inside it.
    previousPrintedHandler_ = SetPrintedToFileHandler([this](const std::string& file) {
        printedFiles_.push_back(file);
        PostMessage(Handle(), WM_PRINTEDTOFILE, 0, 0);
    });
    MainFormCreate();
}

TMainForm::~TMainForm() {
    SetPrintedToFileHandler(std::move(previousPrintedHandler_));
    // Open calculators are owned by the application; they must not reach back into a main window
    // that is going away.
    for (auto& kind : slots_)
        for (TSlot& slot : kind)
            if (slot.Form) slot.Form->OnClose = {};
    Masks.reset();
    iniFile_.reset();
    printerFont_.reset();
    ClearSharedLists();
    TCalcForm::FreeSharedRecords();
    TcLoAmort::FreeRecord();
    TAmortOpt::FreeRecord();
    if (MainForm == this) MainForm = nullptr;
    if (CalcHost() == this) SetCalcHost(nullptr);
}

TMenuItem* TMainForm::AddItem(TMenuItem* Parent, const std::string& Caption, TShortCut Key,
                              TNotifyEvent OnClick) {
    TMenuItem* item = NewItem(this, Caption, Key, std::move(OnClick));
    Parent->Add(item);
    return item;
}

TMenuItem* TMainForm::AddPreference(TMenuItem* Parent, const std::string& Caption, const char* Key,
                                    bool Default, TNotifyEvent OnToggled) {
    TMenuItem* item = AddItem(Parent, Caption, scNone, {});
    item->SetChecked(Default);
    item->OnClick = [this, item, Key, OnToggled](TObject* sender) {
        TogglePreference(item, Key);
        if (OnToggled) OnToggled(sender);
    };
    return item;
}

void TMainForm::TogglePreference(TMenuItem* Item, const char* Key) {
    Item->SetChecked(!Item->Checked());
    try {
        if (iniFile_) iniFile_->WriteBool(PreferencesSection, Key, Item->Checked());
    } catch (const EIniFileException& e) {
        TellSettingsFailure(e);
    }
}

void TMainForm::BuildMenus() {
    MainMenu = new TMainMenu(this);
    MainMenu->SetName("MainMenu");
    TMenuItem* bar = MainMenu->Items();
    auto menu = [&](const std::string& caption) { return AddItem(bar, caption, scNone, {}); };

    TMenuItem* file = menu("&File");
    AddItem(file, "E&xit", scNone, [this](TObject* s) { ExitClick(s); });

    TMenuItem* calculators = menu("&Calculators");
    AddItem(calculators, "&Loan...", ShortCut(VK_F2, {}), [this](TObject*) { OpenLoanCalc(); });
    AddItem(calculators, "&Interest...", ShortCut(VK_F3, {}),
            [this](TObject*) { OpenIntDueCalc(); });
    AddItem(calculators, "&Remaining Balance...", ShortCut(VK_F4, {}),
            [this](TObject*) { OpenRemBalCalc(); });
    AddItem(calculators, "&Accelerated Payment...", ShortCut(VK_F5, {}),
            [this](TObject*) { OpenAccelCalc(); });
    AddItem(calculators, "&Balloon Payment...", ShortCut(VK_F6, {}),
            [this](TObject*) { OpenBalloonCalc(); });
    AddItem(calculators, "Affordable &House...", ShortCut(VK_F7, {}),
            [this](TObject*) { OpenAffordHouse(); });
    TMenuItem* schedules = menu("&Schedules");
    AddItem(schedules, "&Amortization...", ShortCut('A', {ssCtrl}),
            [this](TObject*) { OpenAmortSchedule(); });
    TMenuItem* advisors = menu("&Advisors");
    AddItem(advisors, "&Lease v. Buy...", ShortCut('L', {ssCtrl}),
            [this](TObject*) { OpenLeaseBuy(); });
    AddItem(advisors, "&Points...", ShortCut('P', {ssCtrl}), [this](TObject*) { OpenPoints(); });
    AddItem(advisors, "&Refinance...", ShortCut('R', {ssCtrl}),
            [this](TObject*) { OpenRefinance(); });

    TMenuItem* options = menu("&Options");
    mnuShowHints = AddPreference(options, "&Show Hints", "SHOWHINTS", false);
    mnuBTNHints = AddPreference(options, "Show &Button Hints", "SHOWBUTTONHINTS", false);
    mnuToolbarHints = AddPreference(options, "Show &Toolbar Hints", "SHOWTOOLBARHINTS", false,
                                    [this](TObject* s) { ToolbarHintsClick(s); });
    mnuSavePositions = AddPreference(options, "Save &Positions", "SAVEPOSITIONS", false);
    ColorBckgrnd1 = AddPreference(options, "&Color Background", "COLORBCKGRND", false,
                                  [this](TObject* s) { ColorBackgroundClick(s); });
    AddItem(options, "P&rinter Fonts...", scNone, [this](TObject* s) { PrinterFontsClick(s); });

    TMenuItem* view = menu("&View");
    mnuToolbar =
        AddPreference(view, "&Toolbar", "TOOLBAR", true, [this](TObject* s) { ToolbarClick(s); });

    W1 = menu("&Windows");

    TMenuItem* help = menu("&Help");
    AddItem(help, "&Contents", scNone, [this](TObject* s) { HelpContentsClick(s); });
    AddItem(help, "&Topic Search", scNone,
            [](TObject*) { Application->HelpCommand(HELP_PARTIALKEY, 0); });
    AddItem(help, "&Help on Help", scNone, [](TObject*) { Application->HelpContext(98); });
    help->Add(NewLine(this));
    AddItem(help, "T&ips...", scNone, [this](TObject* s) { TipsClick(s); });
    help->Add(NewLine(this));
    AddItem(help, "&About...", scNone, [this](TObject* s) { AboutClick(s); });
    SetMenu(MainMenu);
    mnuShowHints->SetName("mnuShowHints");
    mnuBTNHints->SetName("mnuBTNHints");
    mnuToolbarHints->SetName("mnuToolbarHints");
    mnuSavePositions->SetName("mnuSavePositions");
    ColorBckgrnd1->SetName("ColorBckgrnd1");
    mnuToolbar->SetName("mnuToolbar");
    W1->SetName("W1");
}

void TMainForm::MainFormCreate() {
    TWaitCursor wait;
    FillSharedLists();
    for (int kind = 0; kind < ckKindCount; ++kind)
        slots_[kind].assign(SlotCounts[kind], TSlot{});
    printerFont_ = std::make_unique<TFont>();
    TellUnreadableSettings();
    try {
        iniFile_ = std::make_unique<TIniFile>(IniFileName);
    } catch (const std::exception&) {
        Inform("INI file open failure.");
    }
    if (iniFile_) {
        const struct {
            TMenuItem* Item;
            const char* Key;
        } prefs[] = {{mnuShowHints, "SHOWHINTS"},           {mnuBTNHints, "SHOWBUTTONHINTS"},
                     {mnuToolbarHints, "SHOWTOOLBARHINTS"}, {mnuSavePositions, "SAVEPOSITIONS"},
                     {ColorBckgrnd1, "COLORBCKGRND"},       {mnuToolbar, "TOOLBAR"}};
        for (const auto& p : prefs)
            p.Item->SetChecked(ReadSetting<bool>(
                [&] { return iniFile_->ReadBool(PreferencesSection, p.Key, p.Item->Checked()); },
                p.Item->Checked()));
    }
    ConnectDatabase();
    Masks = std::make_unique<TMasks>();
    firstActivate_ = true;
    if (ColorBckgrnd1->Checked()) {
        // The screen has no palette: 256 bands of one step of blue each.
        bandCount_ = 256;
        bandStep_ = std::max(1, 256 / bandCount_);
        Invalidate();
    }
}

void TMainForm::FormShow(TObject*) {
    printerFont_->Assign(FontDialog1->Font());
    MainStatus->Sections()->Clear();
    MainStatus->Sections()->Add("");
    MainStatus->SetSectionWidth(0, MainStatus->Width());
    DToolBar1->SetVisible(mnuToolbar->Checked());
    if (SavePositions()) RestoreFormPos(this);
    SetToolbarHints();
}

void TMainForm::FormActivate(TObject*) {
    const bool first = firstActivate_;
    firstActivate_ = false;
    if (first && EPTipDialog1->ShowAtStartup()) EPTipDialog1->Execute();
}

void TMainForm::FormClose(TObject*, TCloseAction& Action) {
    if (SavePositions()) SaveFormPos(this);
    Action = caFree;
}

void TMainForm::Launch(TCalcKind Kind, const TFormFactory& Make) {
    std::vector<TSlot>& slots = slots_[Kind];
    auto free = std::find_if(slots.begin(), slots.end(), [](const TSlot& s) { return !s.InUse; });
    if (free == slots.end()) return;
    const Byte number = static_cast<Byte>(free - slots.begin() + 1);
    if (!free->Form) {
        try {
            free->Form = Make();
        } catch (const std::exception&) {
            MessageBeep(0);
            MessageBeep(0);
            return;
        }
    }
    free->Form->FreeNotification(this);
    free->Form->InitInstance(number);
    free->InUse = true;
    free->Item = NewItem(W1, WindowItemCaption(free->Form->Caption()), scNone,
                         [this](TObject* s) { WindowItemClick(s); });
    W1->Add(free->Item);
}

void TMainForm::OpenLoanCalc() {
    Launch(ckLoan, [] { return new TcLoLoan(Application); });
}

void TMainForm::OpenIntDueCalc() {
    Launch(ckIntDue, [] { return new TcLoIntDu(Application); });
}

void TMainForm::OpenRemBalCalc() {
    Launch(ckRemBal, [] { return new TcLoRemBl(Application); });
}

void TMainForm::OpenAccelCalc() {
    Launch(ckAccel, [] { return new TcLoAccel(Application); });
}

void TMainForm::OpenBalloonCalc() {
    Launch(ckBalloon, [] { return new TcLoBallP(Application); });
}

void TMainForm::OpenAffordHouse() {
    Launch(ckAffHouse, [] { return new TcLoAffHs(Application); });
}

void TMainForm::OpenRefinance() {
    Launch(ckRefinance, [] { return new TcLoReFin(Application); });
}

void TMainForm::OpenLeaseBuy() {
    Launch(ckLeaseBuy, [] { return new TaLeaseBuy(Application); });
}

void TMainForm::OpenPoints() {
    Launch(ckPoints, [] { return new TaPoints(Application); });
}

void TMainForm::OpenAmortSchedule() {
    auto options = std::make_unique<TAmortOpt>(Application);
    auto schedule = std::make_unique<TcLoAmort>(Application, options.get());
    schedule->ShowModal();
}

void TMainForm::WindowItemClick(TObject* Sender) {
    for (auto& kind : slots_)
        for (TSlot& slot : kind)
            if (slot.Item == Sender && slot.Form) slot.Form->Show();
}

void TMainForm::ReleaseSlot(TCalcKind Kind, Byte Slot) {
    if (Kind >= ckKindCount || Slot == 0 || Slot > slots_[Kind].size()) return;
    TSlot& slot = slots_[Kind][Slot - 1];
    slot.InUse = false;
    slot.Form = nullptr;
    if (slot.Item) W1->Remove(slot.Item);
    slot.Item = nullptr;
}

void TMainForm::Notification(TComponent* AComponent, TOperation Operation) {
    TForm::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    for (int kind = 0; kind < ckKindCount; ++kind)
        for (std::size_t k = 0; k < slots_[kind].size(); ++k)
            if (slots_[kind][k].Form == AComponent)
                ReleaseSlot(static_cast<TCalcKind>(kind), static_cast<Byte>(k + 1));
}

TCalcForm* TMainForm::SlotForm(TCalcKind Kind, Byte Slot) const {
    if (Kind >= ckKindCount || Slot == 0 || Slot > slots_[Kind].size()) return nullptr;
    return slots_[Kind][Slot - 1].Form;
}

void TMainForm::BuildToolbar() {
    DToolBar1 = new TDToolBar(this);
    DToolBar1->SetName("DToolBar1");
    DToolBar1->SetParent(this);
    DToolBar1->SetControlHeight(34);
    DToolBar1->Options()->SetSaveFile("VTRX2532.INI");
    const struct {
        TExplorerButton** Button;
        const char* Name;
        const char* Glyph;
        TNotifyEvent Action;
    } buttons[] = {
        {&LoanBTN, "LoanBTN", "loan", [this](TObject*) { OpenLoanCalc(); }},
        {&IntDueBTN, "IntDueBTN", "intdue", [this](TObject*) { OpenIntDueCalc(); }},
        {&RemBalBTN, "RemBalBTN", "rembal", [this](TObject*) { OpenRemBalCalc(); }},
        {&AccelPmtBTN, "AccelPmtBTN", "accelpmt", [this](TObject*) { OpenAccelCalc(); }},
        {&BalloonPmtBTN, "BalloonPmtBTN", "balloonpmt", [this](TObject*) { OpenBalloonCalc(); }},
        {&AffHseBTN, "AffHseBTN", "affhse", [this](TObject*) { OpenAffordHouse(); }},
        {&AmortSchldBTN, "AmortSchldBTN", "amortschld", [this](TObject*) { OpenAmortSchedule(); }},
        {&LsBuyBTN, "LsBuyBTN", "lsbuy", [this](TObject*) { OpenLeaseBuy(); }},
        {&PointsBTN, "PointsBTN", "points", [this](TObject*) { OpenPoints(); }},
        {&RefinBTN, "RefinBTN", "refin", [this](TObject*) { OpenRefinance(); }},
        {&HelpBTN, "HelpBTN", "help", [this](TObject* s) { HelpButtonClick(s); }},
        {&ExitBTN2, "ExitBTN2", "exit", [this](TObject* s) { ExitClick(s); }}};
    int left = 6;
    for (const auto& b : buttons) {
        auto* button = new TExplorerButton(this);
        button->SetName(b.Name);
        button->SetParent(DToolBar1);
        button->SetBounds(left, 4, 33, 34);
        LoadButtonGlyphs(button, DataFolder(), b.Glyph);
        button->OnClick = b.Action;
        *b.Button = button;
        left += 33;
    }
    DToolBar1->Loaded();
}

void TMainForm::BuildDialogs() {
    AboutBoxDlg1 = new TAboutBoxDlg(this);
    AboutBoxDlg1->SetName("AboutBoxDlg1");
    EPTipDialog1 = new TEPTipDialog(this);
    EPTipDialog1->SetName("EPTipDialog1");
    EPTipDialog1->SetCaption("Tips");
    EPTipDialog1->SetTipTitle("Did you know...");
    EPTipDialog1->SetHelpContext(106);
    for (const char* tip :
         {"Leave one value of the Loan calculator at zero and press Calc: that is the value it "
          "solves for.",
          "F2 to F7 open the calculators; up to two copies of each can be open at once.",
          "Copy puts a calculator's values on the clipboard as aligned text, ready to paste.",
          "Undo brings back the values of the last calculation; Reset the program's defaults.",
          "The Interest calculator is calendar arithmetic too: change the days and the end date "
          "follows.",
          "Choose the font your calculations print in with Options, Printer Fonts.",
          "Save Positions in the Options menu makes every window open where you left it.",
          "The toolbar can be dragged to any side of the window, or left floating."})
        EPTipDialog1->Tips()->Add(tip);
}

void TMainForm::ConnectDatabase() {
    // The register's tables live in the settings folder, since the program's own folder may be
    // read-only.
    try {
        AliasDataBase->SetConnected(false);
        AliasDataBase->Params()->Clear();
        AliasDataBase->Params()->Add("path=" + SettingsFolder());
        AliasDataBase->SetConnected(true);
        XBaseEnv1->SetExact(true);
        // The register's tables are made on the first run, in the same folder.
        if (const std::string failure = CreateRegisterTables(SettingsFolder()); !failure.empty())
            MessageDlg(failure, mtError, {mbOK}, 0);
    } catch (const std::exception& e) {
        MessageDlg(e.what(), mtError, {mbOK}, 0);
    }
}

void TMainForm::SetToolbarHints() {
    const struct {
        TExplorerButton* Button;
        const char* Hint;
    } hints[] = {{LoanBTN, "Loan Calculator"},
                 {IntDueBTN, " Compound & Simple Interest Calculator \n            Calendar Math"
                             "              "},
                 {RemBalBTN, "Remaining Balance Calculator"},
                 {AccelPmtBTN, "Accelerated Payment Calculator"},
                 {BalloonPmtBTN, "Balloon Payment Calculator"},
                 {AffHseBTN, "Affordable House Calculator"},
                 {AmortSchldBTN, "Amortization or Loan Schedule"},
                 {LsBuyBTN, "Lease v Buy Advisor"},
                 {PointsBTN, "Loan Points Comparison Advisor"},
                 {RefinBTN, "Refinance Advisor"},
                 {HelpBTN, "Help [F1]"},
                 {ExitBTN2, "We're outta here!"}};
    for (const auto& h : hints)
        h.Button->SetHint(h.Hint);
    ToolbarHintsClick(this);
}

void TMainForm::ToolbarHintsClick(TObject*) {
    for (int k = 0; k < DToolBar1->ControlCount(); ++k)
        DToolBar1->Controls(k)->SetShowHint(mnuToolbarHints->Checked());
}

void TMainForm::ToolbarClick(TObject*) {
    DToolBar1->SetVisible(mnuToolbar->Checked());
}

void TMainForm::HelpButtonClick(TObject*) {
    HelpBTN->SetEnabled(false);
    const bool shown = Application->HelpContext(106);
    HelpBTN->SetEnabled(true);
    if (!shown) Inform("There is no help file assigned.");
}

void TMainForm::TipsClick(TObject*) {
    EPTipDialog1->Execute();
}

void TMainForm::Dispatch(TMessage& Message) {
    if (Message.Msg == WM_PRINTEDTOFILE) {
        ShowPrintedFiles();
        return;
    }
    TForm::Dispatch(Message);
}

void TMainForm::ShowPrintedFiles() {
    // Taken first: printing again while the message is up adds the next file for its own.
    const std::vector<std::string> files = std::exchange(printedFiles_, {});
    for (const std::string& file : files)
        Inform("The printout is in the file\n\n" + file);
}

void TMainForm::AboutClick(TObject*) {
    AboutBoxDlg1->SetProductName("Vantrel Plus");
    AboutBoxDlg1->SetVersion("Version: 2.6      " + ProgramBits());
    AboutBoxDlg1->SetComments("    Helping to make your financial decisions easier.");
    AboutBoxDlg1->SetCopyright("    Written for one user's loans and leases.");
    AboutBoxDlg1->Execute();
}

void TMainForm::ColorBackgroundClick(TObject*) {
    Invalidate();
    Inform("You must restart the program\n\nfor this change to take affect.\n");
}

void TMainForm::PrinterFontsClick(TObject*) {
    if (FontDialog1->Execute()) printerFont_->Assign(FontDialog1->Font());
}

void TMainForm::HelpContentsClick(TObject*) {
    Application->HelpContext(106);
}

void TMainForm::ExitClick(TObject*) {
    Close();
}

void TMainForm::WMEraseBkgnd(TWMEraseBkgnd& Message) {
    PaintGradient(Canvas());
    Message.Result = 1;
}

void TMainForm::PaintGradient(TCanvas* Canvas) {
    const TRect client = ClientRect();
    const int height = client.Bottom - client.Top;
    Canvas->Brush()->SetStyle(bsSolid);
    if (!ColorBckgrnd1->Checked() || bandCount_ == 0 || height <= 0) {
        Canvas->Brush()->SetColor(Color());
        Canvas->FillRect(client);
        return;
    }
    int blue = 255 - (bandCount_ - 1) * bandStep_;
    int previousBand = -1;
    int boundary = 0;
    for (int y = 0; y <= height; ++y) {
        int band = (height - y) * bandCount_ / height;
        if (band == bandCount_) --band;
        if (band != previousBand || y == height) {
            Canvas->Brush()->SetColor(RGB(0, 0, std::min(blue, 255)));
            Canvas->FillRect({client.Left, boundary, client.Right, y + 1});
            boundary = y + 1;
            previousBand = band;
            blue += bandStep_;
        }
    }
}
