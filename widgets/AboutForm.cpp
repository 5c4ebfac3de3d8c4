#include "widgets/AboutForm.h"

namespace {

constexpr int FactTop = 114;
constexpr int FactStep = 17;
constexpr int ValueLeft = 128;

} // namespace

TLabel* TAboutBox::MakeLabel(const std::string& Name, TWinControl* Parent, int X, int Y) {
    auto* label = MakeChild<TLabel>(this, Name, Parent, X, Y, 10, 15);
    label->SetShowAccelChar(false);
    label->SetTransparent(true);
    label->SetCaption(Name);
    return label;
}

void TAboutBox::MakeFact(TLabel*& Caption, const std::string& CaptionName, const std::string& Text,
                         TLabel*& Value, const std::string& ValueName, int Y) {
    TPage* page = Notebook1->Page(0);
    Caption = MakeLabel(CaptionName, page, 10, Y);
    Caption->SetCaption(Text);
    Caption->Font()->SetStyle({fsBold});
    Value = MakeLabel(ValueName, page, ValueLeft, Y);
}

TAboutBox::TAboutBox(TComponent* AOwner) : TForm(AOwner) {
    SetName("AboutBox");
    SetCaption("About");
    SetFormBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetColor(clBtnFace);
    SetClientWidth(298);
    SetClientHeight(313);
    Font()->SetName("Arial");
    Font()->SetHeight(-11);

    Notebook1 = new TNotebook(this);
    Notebook1->SetName("Notebook1");
    Notebook1->SetParent(this);
    Notebook1->SetHeight(277);
    Notebook1->SetParentColor(true);
    Notebook1->SetAlign(alTop);
    Notebook1->Pages()->Clear();
    Notebook1->Pages()->Add("Default");
    Notebook1->Pages()->Add("More");

    Panel1 = MakeChild<TPanel>(this, "Panel1", Notebook1->Page(0), 8, 8, 282, 98);
    Panel1->SetBevelOuter(bvLowered);
    Panel1->SetCaption("");
    ProgramIcon = MakeChild<TImage>(this, "ProgramIcon", Panel1, 8, 8, 32, 32);
    ProgramIcon->SetStretch(true);
    ProductName = MakeLabel("ProductName", Panel1, 52, 10);
    ProductName->Font()->SetHeight(-13);
    ProductName->Font()->SetStyle({fsBold});
    Version = MakeLabel("Version", Panel1, 52, 28);
    Copyright = MakeLabel("Copyright", Panel1, 6, 52);
    Comments = MakeLabel("Comments", Panel1, 6, 72);

    MakeFact(Label1, "Label1", "Windows Version:", WinVersion, "WinVersion", FactTop);
    MakeFact(Label2, "Label2", "DOS Version:", DosVersion, "DosVersion", FactTop + FactStep);
    MakeFact(Label3, "Label3", "Coprocessor:", Coprocessor, "Coprocessor", FactTop + 2 * FactStep);
    // The system's description may take the row below it, which stays empty here.
    DosVersion->SetAutoSize(false);
    DosVersion->SetWordWrap(true);
    DosVersion->SetBounds(ValueLeft, FactTop + FactStep, 298 - ValueLeft - 6, 2 * FactStep);
    MakeFact(Label4, "Label4", "CPU:", CPU, "CPU", FactTop + 3 * FactStep);
    MakeFact(Label5, "Label5", "Free Memory:", FreeMemory, "FreeMemory", FactTop + 4 * FactStep);
    MakeFact(Label6, "Label6", "Screen Resolution:", ScreenResolution, "ScreenResolution",
             FactTop + 5 * FactStep);
    MakeFact(Label8, "Label8", "User:", UserName, "UserName", FactTop + 6 * FactStep);
    MakeFact(Label10, "Label10", "Company:", CompanyName, "CompanyName", FactTop + 7 * FactStep);
    MakeFact(Label9, "Label9", "Free Disk Space:", FreeDisk, "FreeDisk", FactTop + 8 * FactStep);

    Panel2 = MakeChild<TPanel>(this, "Panel2", Notebook1->Page(1), 8, 8, 282, 261);
    Panel2->SetBevelOuter(bvLowered);
    Panel2->SetCaption("");
    Memo1 = MakeChild<TMemo>(this, "Memo1", Panel2, 0, 0, 282, 261);
    Memo1->SetAlign(alClient);
    Memo1->SetReadOnly(true);
    Memo1->SetScrollBars(ssVertical);

    OKBTN = MakeChild<TButton>(this, "OKBTN", this, 64, 283, 75, 25);
    OKBTN->SetCaption("&OK");
    OKBTN->SetDefault(true);
    OKBTN->SetCancel(true);
    OKBTN->OnClick = [this](TObject* Sender) { OKBTNClick(Sender); };
    MoreBTN = MakeChild<TButton>(this, "MoreBTN", this, 160, 283, 75, 25);
    MoreBTN->SetCaption("Mo&re");
    MoreBTN->OnClick = [this](TObject* Sender) { MoreBTNClick(Sender); };
    SetActiveControl(OKBTN);
}

void TAboutBox::OKBTNClick(TObject*) {
    Close();
}

void TAboutBox::MoreBTNClick(TObject*) {
    if (Notebook1->PageIndex() == 0) {
        Notebook1->SetPageIndex(1);
        MoreBTN->SetCaption("P&rior");
    } else {
        Notebook1->SetPageIndex(0);
        MoreBTN->SetCaption("Mo&re");
    }
}
