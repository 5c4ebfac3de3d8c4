#include "advisors/CalculatorForm.h"

#include "finance/LoanMath.h"
#include "finance/TextRoutines.h"
#include "platform/gui/Clipbrd.h"
#include "platform/gui/Dialogs.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"
#include "report/RptPrinter.h"

#include <algorithm>

namespace {

constexpr int ButtonWidth = 66;
constexpr int ButtonHeight = 25;
constexpr int ButtonGap = 4;
constexpr int Margin = 8;
constexpr int PanelWidth = 7 * ButtonWidth + 6 * ButtonGap;

std::unique_ptr<TTransferRecord> sharedRecords[ckKindCount];
TCalcHost* host = nullptr;

// "Total Interest would be 2,184,464,446.89, more than its field can show ($999,999,999.99)."
std::string DoesNotFitText(TVcCustomNumericField& Field, long double Value) {
    const bool above = !(Value < Field.HighestShown());
    const std::string name = FieldCaption(&Field);
    const std::string value = Format("%.*n", {Field.DecimalCount(), static_cast<double>(Value)});
    const std::string limit = Field.ShownText(above ? Field.HighestShown() : Field.LowestShown());
    return (name.empty() ? std::string("A result") : name) + " would be " + value + ",\n\n" +
           (above ? "more" : "less") + " than its field can show (" + limit +
           ").\n\nPlease Try Again";
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

TCalcHost* CalcHost() {
    return host;
}

void SetCalcHost(TCalcHost* Host) {
    host = Host;
}

TCalcLine MoneyLine(const std::string& Caption, double Value) {
    return {Caption, Value, "%-24s %16.2m\r\n", "\t%-24s\t%16.2m"};
}
TCalcLine CountLine(const std::string& Caption, long long Value) {
    return {Caption, Value, "%-24s %16d\r\n", "\t%-24s\t%16d"};
}
TCalcLine RateLine(const std::string& Caption, double Value) {
    return {Caption, Value, "%-24s %16.2n\r\n", "\t%-24s\t%16.4n"};
}
TCalcLine ChoiceLine(const std::string& Caption, const std::string& Text) {
    return {Caption, Text, "%-24s %16s\r\n", "\t%-24s\t%s"};
}

int CaptionColumn(const std::vector<TCalcLine>& Lines) {
    std::size_t column = 24;
    for (const TCalcLine& line : Lines)
        column = std::max(column, RemoveChar('&', line.Caption).size());
    return static_cast<int>(column);
}

std::string LineText(const std::string& Format, const TCalcLine& Line, int Column) {
    std::string format = Format;
    if (const std::size_t at = format.find("%-24s"); at != std::string::npos)
        format.replace(at, 5, "%-" + std::to_string(Column) + "s");
    return ::Format(format, {RemoveChar('&', Line.Caption), Line.Value, Line.Extra});
}

double CaptionTabWidth(TBaseReport& Report, const std::vector<TCalcLine>& Lines, double Width) {
    // The tab's margins, 0.02 inch on either side.
    const double margins = Report.XI2U(0.04);
    for (const TCalcLine& line : Lines)
        Width = std::max(Width, Report.TextWidth(RemoveChar('&', line.Caption)) + margins);
    return Width;
}

std::unique_ptr<TTransferRecord> NewRecord(const TRecordLayout& Layout) {
    auto record = std::make_unique<TTransferRecord>(Layout.Size);
    for (std::size_t k = 0; k < Layout.Captions.size(); ++k)
        PutCaptionSlot(record->Data(), k * CaptionSlotSize, Layout.Captions[k]);
    for (const TCaptionRun& run : Layout.MoreCaptions)
        for (std::size_t k = 0; k < run.Texts.size(); ++k)
            PutCaptionSlot(record->Data(), run.Offset + k * CaptionSlotSize, run.Texts[k]);
    for (const TChoiceSlot& choice : Layout.Choices)
        PutChoiceSlot(*record, choice.Offset, *choice.Items, choice.Default);
    for (std::size_t offset : Layout.TextLists)
        PutLE<LongWord>(record->Data(), offset, record->NewList());
    return record;
}

void ResetValues(std::span<Byte> Data, const TRecordLayout& Layout) {
    // Everything but the captions, the choices and the list references is a value.
    std::vector<bool> kept(Data.size(), false);
    auto keep = [&](std::size_t offset, std::size_t size) {
        std::fill(kept.begin() + static_cast<std::ptrdiff_t>(offset),
                  kept.begin() + static_cast<std::ptrdiff_t>(offset + size), true);
    };
    keep(0, Layout.Captions.size() * CaptionSlotSize);
    for (const TCaptionRun& run : Layout.MoreCaptions)
        keep(run.Offset, run.Texts.size() * CaptionSlotSize);
    for (const TChoiceSlot& choice : Layout.Choices)
        keep(choice.Offset, ComboBoxSlotSize);
    for (std::size_t offset : Layout.TextLists)
        keep(offset, ListRefSlotSize);
    for (std::size_t k = 0; k < Data.size(); ++k)
        if (!kept[k]) Data[k] = 0;
    for (const TChoiceSlot& choice : Layout.Choices)
        SetChoiceIndex(Data, choice.Offset, choice.Default);
    for (std::size_t offset : Layout.TextLists)
        if (TStrings* lines = TextListOf(Data, offset)) lines->Clear();
}

TStrings* TextListOf(std::span<const Byte> Data, std::size_t Offset) {
    return TransferList(GetLE<LongWord>(Data, Offset));
}

std::string CaptionOf(std::span<const Byte> Data, int Index) {
    return GetSlotString(
        Data.subspan(static_cast<std::size_t>(Index) * CaptionSlotSize, CaptionSlotSize));
}

void AddWrappedLines(TStrings& Lines, const std::string& Text, int Width) {
    std::string rest = Text;
    while (!rest.empty()) {
        std::string line, after;
        WordWrapLine(line, rest, after, false, Width);
        Lines.Add(line);
        rest = after;
    }
}

namespace {

// Prints one paragraph from Left in lines no wider than Width (report units); its leading blanks
// indent the first line. A word wider than a line is printed on a line of its own.
void PrintParagraph(TBaseReport& Report, const std::string& Text, double Left, double Width) {
    std::string line = Text.substr(0, Text.find_first_not_of(' '));
    bool lineHasWord = false;
    std::size_t at = line.size();
    while (at < Text.size()) {
        const std::size_t end = std::min(Text.find(' ', at), Text.size());
        const std::string word = Text.substr(at, end - at);
        at = Text.find_first_not_of(' ', end);
        if (at == std::string::npos) at = Text.size();
        if (word.empty()) continue;
        const std::string longer = lineHasWord ? line + " " + word : line + word;
        if (lineHasWord && Report.TextWidth(longer) > Width) {
            Report.PrintLeft(line, Left);
            Report.NewLine();
            line = word;
        } else {
            line = longer;
        }
        lineHasWord = true;
    }
    if (lineHasWord) {
        Report.PrintLeft(line, Left);
        Report.NewLine();
    }
}

} // namespace

void PrintNarrative(TBaseReport& Report, const TStrings& Lines) {
    const double left = Report.XI2U(NarrativeMargin);
    const double width = Report.PageWidth() - 2 * left;
    std::string paragraph;
    for (int k = 0; k <= Lines.Count(); ++k) {
        const std::string line = k < Lines.Count() ? TrimRight(Lines.Strings(k)) : std::string();
        if (!line.empty()) {
            paragraph += paragraph.empty() ? line : " " + Trim(line);
            continue;
        }
        PrintParagraph(Report, paragraph, left, width);
        paragraph.clear();
        if (k < Lines.Count()) Report.NewLine();
    }
}

std::string CalcCopyText(const std::string& Caption, const std::vector<TCalcLine>& Lines) {
    std::string text = Caption + "\r\n\r\n";
    const int column = CaptionColumn(Lines);
    for (const TCalcLine& line : Lines)
        text += LineText(line.CopyFormat, line, column);
    return text;
}

void PrintCalcLines(TBaseReport& Report, const std::string& Caption,
                    const std::vector<TCalcLine>& Lines) {
    TFont* font = host ? host->PrinterFont() : nullptr;
    const int size = font ? font->Size() : 10;
    Report.SetFont(font ? font->Name() : std::string("Courier New"), size);
    const double w = ReportColumnWidth(size);
    // The columns meet in the middle of the page; a long caption widens its column leftwards.
    const double captions = CaptionTabWidth(Report, Lines, w);
    Report.ClearTabs();
    Report.SetTab(4.25 - captions, pjLeft, captions, 2, 0, 0);
    Report.SetTab(-32768, pjRight, w, 2, 0, 0);
    Report.SetYPos(1.5);
    Report.SetBold(true);
    Report.PrintCenter(Caption, 4.25);
    Report.SetBold(false);
    Report.NewLine();
    Report.NewLine();
    for (const TCalcLine& line : Lines)
        Report.PrintLn(LineText(line.PrintFormat, line));
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

TLabel* TCalcForm::AddRowLabel(const std::string& Name, int Row, TWinControl* FocusControl) {
    TLabel* label = AddLabel(Name, LabelLeft, RowTop(Row), FieldLeft - LabelLeft - 8);
    if (FocusControl) label->SetFocusControl(FocusControl);
    return label;
}

TVcNumericField* TCalcForm::AddNumber(const std::string& Name, int Row, TNumericDataType Type,
                                      const char* Mask, int HelpContext) {
    auto* field = AddControl<TVcNumericField>(Name, FieldLeft, RowTop(Row), FieldWidth);
    field->SetController(DefaultController);
    field->SetDataType(Type);
    field->SetPictureMask(Mask);
    field->SetHelpContext(HelpContext);
    return field;
}

TComboBox* TCalcForm::AddRowChoice(const std::string& Name, int Row, int HelpContext) {
    return AddChoice(Name, FieldLeft, RowTop(Row), FieldWidth, HelpContext);
}

void TCalcForm::UseCountryMoneyMask(std::initializer_list<TVcNumericField*> Fields) {
    // Every country, the United States included: its currency may be other than "$".
    if (!Masks) return;
    std::string mask;
    Masks->GetCurrencyMask(mask);
    for (TVcNumericField* field : Fields)
        field->SetPictureMask(mask);
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

TTransferRecord& TCalcForm::SharedRecord() const {
    std::unique_ptr<TTransferRecord>& record = sharedRecords[kind_];
    if (!record) record = MakeRecord();
    return *record;
}

void TCalcForm::FreeSharedRecords() {
    for (auto& record : sharedRecords)
        record.reset();
}

void TCalcForm::FreeSharedRecord(TCalcKind Kind) {
    sharedRecords[Kind].reset();
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
    SetHelpContext(FormHelpContext()); // F1 where no control has a topic of its own
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
    const bool hints = host && host->ButtonHints();
    for (const auto& b : buttons) {
        b.Button->SetHint(b.Hint);
        b.Button->SetCaption(b.Caption);
        b.Button->SetHelpContext(b.Context);
        b.Button->SetShowHint(hints);
    }
    if (host && host->SavePositions()) host->RestoreFormPos(this);
}

void TCalcForm::CalcBTNClick(TObject*) {
    BeforeCalculate();
    const std::span<Byte> data = SharedRecord().Data();
    if (!ControlsTo(SharedRecord())) return;
    // A result the form cannot show is not stored: the record goes back to what was entered.
    const std::vector<Byte> entered(data.begin(), data.end());
    Calculate(data);
    if (!ResultsFit(data)) {
        std::copy(entered.begin(), entered.end(), data.begin());
        ResultsRefused();
    }
    RecordToControls();
}

bool TCalcForm::ResultsFit(std::span<const Byte> Data) {
    std::size_t offset = 0;
    for (TComponent* control : TransferList()) {
        const std::size_t size = ControlDataSize(control);
        auto* field = dynamic_cast<TVcCustomNumericField*>(control);
        if (field && offset + size <= Data.size()) {
            const long double value = RawToNumber(Data.data() + offset, field->DataKind());
            if (!field->Holds(value)) {
                MessageDlg(DoesNotFitText(*field, value), mtWarning, {mbOK}, 0);
                return false;
            }
        }
        offset += size;
    }
    return true;
}

std::string TCalcForm::CopyText() {
    std::unique_ptr<TTransferRecord> values = CurrentValues();
    if (!values) return {};
    return CalcCopyText(Caption(), ReportLines(values->Data())) + CopyTrailer(values->Data());
}

void TCalcForm::CopyBTNClick(TObject*) {
    const std::string text = CopyText();
    if (!text.empty()) Clipboard()->SetAsText(text);
}

void TCalcForm::PrintBtnClick(TObject*) {
    TReportWriter* writer = host ? host->SharedReportWriter() : nullptr;
    if (!writer) return;
    if (writer->Printing()) return;
    writer->OnPrint = [this](TObject* s) { ReportWriter1Print(s); };
    writer->Execute();
}

void TCalcForm::ReportWriter1Print(TObject* Sender) {
    auto* report = dynamic_cast<TBaseReport*>(Sender);
    std::unique_ptr<TTransferRecord> values = CurrentValues();
    if (!report || !values) return;
    PrintReport(*report, values->Data());
}

void TCalcForm::PrintReport(TBaseReport& Report, std::span<const Byte> Data) {
    PrintCalcLines(Report, Caption(), ReportLines(Data));
    PrintTrailer(Report, Data);
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
    if (host && host->SavePositions()) host->SaveFormPos(this);
    if (host && slot_ != 0) host->ReleaseSlot(kind_, slot_);
    slot_ = 0;
    Action = caFree;
}
