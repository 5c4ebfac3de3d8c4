#include "app/CalcForm.h"

#include "app/Ulemain.h"
#include "finance/LoMath.h"
#include "platform/gui/Clipbrd.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Streams.h"
#include "report/RptPrinter.h"

namespace {

constexpr int ButtonWidth = 66;
constexpr int ButtonHeight = 25;
constexpr int ButtonGap = 4;
constexpr int Margin = 8;
constexpr int PanelWidth = 7 * ButtonWidth + 6 * ButtonGap;

// The value text of a line: money and rates by the copy's or the printout's precision.
std::string LineText(const char* moneyForm, const char* countForm, const char* rateForm,
                     const char* choiceForm, const TCalcLine& line) {
    const std::string caption = RemoveChar('&', line.Caption);
    switch (line.Form) {
    case TCalcLine::Money: return Format(moneyForm, {caption, line.Value});
    case TCalcLine::Count: return Format(countForm, {caption, static_cast<long long>(line.Value)});
    case TCalcLine::Rate: return Format(rateForm, {caption, line.Value});
    case TCalcLine::Choice: return Format(choiceForm, {caption, line.Text});
    }
    return {};
}

} // namespace

void PutCaptionSlot(std::span<Byte> Data, std::size_t Offset, const std::string& Caption) {
    PutSlotString(Data.subspan(Offset, CaptionSlotSize), Caption);
}

void PutChoiceSlot(TTransferRecord& Record, std::size_t Offset, TStrings& Items, int Index) {
    const std::span<Byte> slot = Record.Data().subspan(Offset, ComboBoxSlotSize);
    PutLE<LongWord>(slot, 4 + CaptionSlotSize, Record.NewList(&Items));
    SetChoiceIndex(Record.Data(), Offset, Index);
}

void SetChoiceIndex(std::span<Byte> Data, std::size_t Offset, int Index) {
    const std::span<Byte> slot = Data.subspan(Offset, ComboBoxSlotSize);
    PutLE<LongInt>(slot, 0, Index);
    TStrings* items = TransferList(GetLE<LongWord>(slot, 4 + CaptionSlotSize));
    const bool inList = items && Index >= 0 && Index < items->Count();
    PutSlotString(slot.subspan(4, CaptionSlotSize), inList ? items->Strings(Index) : "");
}

int ChoiceIndex(std::span<const Byte> Data, std::size_t Offset) {
    return GetLE<LongInt>(Data, Offset);
}

std::string ChoiceText(std::span<const Byte> Data, std::size_t Offset) {
    return GetSlotString(Data.subspan(Offset + 4, CaptionSlotSize));
}

std::string CalcCopyText(const std::string& Caption, const std::vector<TCalcLine>& Lines) {
    std::string text = Caption + "\r\n\r\n";
    for (const TCalcLine& line : Lines)
        text += LineText("%-24s %16.2m\r\n", "%-24s %16d\r\n", "%-24s %16.2n\r\n", "%-24s %16s\r\n",
                         line);
    return text;
}

void PrintCalcLines(TBaseReport& Report, const std::string& Caption,
                    const std::vector<TCalcLine>& Lines) {
    TFont* font = MainForm ? MainForm->PrinterFont() : nullptr;
    const int size = font ? font->Size() : 10;
    Report.SetFont(font ? font->Name() : std::string("Courier New"), size);
    const double w = ReportColumnWidth(size);
    Report.ClearTabs();
    Report.SetTab(4.25 - w, pjLeft, w, 2, 0, 0);
    Report.SetTab(-32768, pjRight, w, 2, 0, 0);
    Report.SetYPos(1.5);
    Report.SetBold(true);
    Report.PrintCenter(Caption, 4.25);
    Report.SetBold(false);
    Report.NewLine();
    Report.NewLine();
    for (const TCalcLine& line : Lines)
        Report.PrintLn(
            LineText("\t%-24s\t%16.2m", "\t%-24s\t%16d", "\t%-24s\t%16.4n", "\t%-24s\t%s", line));
}

TCalcForm::TCalcForm(TComponent* AOwner, TCalcKind Kind, const std::string& BaseCaption)
    : TForm(AOwner), kind_(Kind), baseCaption_(BaseCaption) {
    SetCaption(BaseCaption);
    SetFormBorderStyle(bsDialog);
    SetBorderIcons({biSystemMenu, biMinimize});
    SetPosition(poDefault);
    CalcPNL = new TPanel(this);
    CalcPNL->SetName("CalcPNL");
    CalcPNL->SetParent(this);
    CalcPNL->SetCaption("");
    CalcPNL->SetBevelOuter(bvLowered);
    DefaultController = new TVcController(this);
    DefaultController->SetName("DefaultController");
    VcTransfer1 = new TVcTransfer(this);
    VcTransfer1->SetName("VcTransfer1");
    PrintBtn = AddButton("PrintBtn", [this](TObject* s) { PrintBtnClick(s); });
    CopyBTN = AddButton("CopyBTN", [this](TObject* s) { CopyBTNClick(s); });
    ResetBTN = AddButton("ResetBTN", [this](TObject* s) { ResetBTNClick(s); });
    UndoBTN = AddButton("UndoBTN", [this](TObject* s) { UndoBTNClick(s); });
    CalcBTN = AddButton("CalcBTN", [this](TObject* s) { CalcBTNClick(s); });
    CloseBTN = AddButton("CloseBTN", [this](TObject* s) { CloseBTNClick(s); });
    HelpBTN = AddButton("HelpBTN", [this](TObject* s) { HelpBTNClick(s); });
    CloseBTN->SetCancel(true);
    OnShow = [this](TObject* s) { FormShow(s); };
    OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };
}

TButton* TCalcForm::AddButton(const std::string& Name, TNotifyEvent OnClick) {
    auto* button = new TButton(this);
    button->SetName(Name);
    button->SetParent(this);
    button->OnClick = std::move(OnClick);
    return button;
}

TLabel* TCalcForm::AddLabel(const std::string& Name, int Left, int Top, int Width) {
    auto* label = new TLabel(this);
    label->SetName(Name);
    label->SetParent(CalcPNL);
    label->SetAutoSize(false);
    label->SetTransparent(true);
    label->SetBounds(Left, Top + 3, Width, 16);
    return label;
}

TComboBox* TCalcForm::AddChoice(const std::string& Name, int Left, int Top, int Width,
                                int HelpContext) {
    auto* combo = AddControl<TComboBox>(Name, Left, Top, Width, 24);
    combo->SetStyle(csDropDownList);
    combo->SetHelpContext(HelpContext);
    return combo;
}

void TCalcForm::LayoutButtons(int PanelHeight) {
    CalcPNL->SetBounds(Margin, Margin, PanelWidth, PanelHeight);
    const int top = Margin + PanelHeight + Margin;
    int left = Margin;
    for (TButton* button : {PrintBtn, CopyBTN, ResetBTN, UndoBTN, CalcBTN, CloseBTN, HelpBTN}) {
        button->SetBounds(left, top, ButtonWidth, ButtonHeight);
        left += ButtonWidth + ButtonGap;
    }
    SetClientWidth(PanelWidth + 2 * Margin);
    SetClientHeight(top + ButtonHeight + Margin);
}

void TCalcForm::InitInstance(Byte Slot) {
    slot_ = Slot;
    SetCaption(baseCaption_ + " " + std::to_string(Slot));
    Show();
}

bool TCalcForm::ControlsTo(TTransferRecord& Record) {
    return VcTransfer1->ControlsToBuffer(TransferList(), Record.Data());
}

void TCalcForm::RecordToControls() {
    VcTransfer1->BufferToControls(TransferList(), SharedRecord().Data());
}

std::unique_ptr<TTransferRecord> TCalcForm::CurrentValues() {
    std::unique_ptr<TTransferRecord> record = MakeRecord();
    if (!ControlsTo(*record)) return nullptr;
    return record;
}

void TCalcForm::FormShow(TObject*) {
    RecordToControls();
    const struct {
        TButton* Button;
        const char* Hint;
        const char* Caption;
        int Context;
    } buttons[] = {{CalcBTN, "Calculate [Alt][C]", "&Calc", 21},
                   {CloseBTN, "Close [Esc]", "Close", 106},
                   {HelpBTN, "Help [F1]", "&Help", 24},
                   {PrintBtn, "Print", "&Print", 26},
                   {CopyBTN, "Copy to clipboard.", "Cop&y", 30},
                   {ResetBTN, "Set to application's defaults.", "R&eset", 19},
                   {UndoBTN, "Undo changes since last calculation.", "&Undo", 28}};
    const bool hints = ButtonHintsPreference();
    for (const auto& b : buttons) {
        b.Button->SetHint(b.Hint);
        b.Button->SetCaption(b.Caption);
        b.Button->SetHelpContext(b.Context);
        b.Button->SetShowHint(hints);
    }
    if (SavePositionsPreference()) RestoreFormPos(this);
}

void TCalcForm::CalcBTNClick(TObject*) {
    BeforeCalculate();
    if (!ControlsTo(SharedRecord())) return;
    Calculate(SharedRecord().Data());
    RecordToControls();
}

std::string TCalcForm::CopyText() {
    std::unique_ptr<TTransferRecord> values = CurrentValues();
    if (!values) return {};
    return CalcCopyText(Caption(), ReportLines(values->Data()));
}

void TCalcForm::CopyBTNClick(TObject*) {
    const std::string text = CopyText();
    if (!text.empty()) Clipboard()->SetAsText(text);
}

void TCalcForm::PrintBtnClick(TObject*) {
    if (!MainForm) return;
    TReportWriter* writer = MainForm->ReportWriter1;
    if (writer->Printing()) return;
    writer->OnPrint = [this](TObject* s) { ReportWriter1Print(s); };
    writer->Execute();
}

void TCalcForm::ReportWriter1Print(TObject* Sender) {
    auto* report = dynamic_cast<TBaseReport*>(Sender);
    std::unique_ptr<TTransferRecord> values = CurrentValues();
    if (!report || !values) return;
    PrintCalcLines(*report, Caption(), ReportLines(values->Data()));
}

void TCalcForm::ResetBTNClick(TObject*) {
    ResetRecord(SharedRecord().Data());
    RecordToControls();
}

void TCalcForm::UndoBTNClick(TObject*) {
    RecordToControls();
}

void TCalcForm::HelpBTNClick(TObject*) {
    Application->HelpContext(FormHelpContext());
}

void TCalcForm::CloseBTNClick(TObject*) {
    Close();
}

void TCalcForm::FormClose(TObject*, TCloseAction& Action) {
    if (SavePositionsPreference()) SaveFormPos(this);
    if (MainForm && slot_ != 0) MainForm->ReleaseSlot(kind_, slot_);
    slot_ = 0;
    Action = caFree;
}
