#include "advisors/Register.h"

#include "controls/entry/DayNumberDates.h"
#include "db/XbaseComponent.h"
#include "finance/LoanMath.h"
#include "platform/gui/Dialogs.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Strings.h"

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

// ----- The register's dialog

namespace {

// TLoanInfoData: the two account-number radio buttons, then the prompts of both pages.
const std::vector<const char*>& Prompts() {
    static const std::vector<const char*> prompts{"First:",
                                                  "Business:",
                                                  "Address:",
                                                  "Address:",
                                                  "City:",
                                                  "Phone:",
                                                  "State:",
                                                  "Zip:",
                                                  "Country:",
                                                  "MI:",
                                                  "Last:",
                                                  "Ext.:",
                                                  "Phone2:",
                                                  "Loan No.:",
                                                  "Collaterial:",
                                                  "Address:",
                                                  "Lot #:",
                                                  "City:",
                                                  "State:",
                                                  "Zip:",
                                                  "Country:",
                                                  "Initial Amount:",
                                                  "Origination Date:",
                                                  "Block #:",
                                                  "Initial Rate:",
                                                  "Initial Term:"};
    return prompts;
}
constexpr std::size_t RadioSlots = 2 * CheckSlotSize;

const char* const NoLoansText = " There are no loans for this account.";

// Layout of the dialog.
constexpr int DialogWidth = 620;
constexpr int PageHeight = 330;
constexpr int HeaderTop = PageHeight + 2;
constexpr int ButtonTop = HeaderTop + 62;
constexpr int PromptWidth = 70;
constexpr int RowTop = 70;
constexpr int RowHeight = 30;

int Row(int Index) {
    return RowTop + Index * RowHeight;
}

// The account fields and the labels of their grid columns.
struct TColumn {
    const char* Field;
    int Width;
    const char* Label;
};
const std::vector<TColumn>& AccountColumns() {
    static const std::vector<TColumn> columns{
        {"ACCOUNTNO", 16, "Account No"}, {"LASTNAME", 15, "Last Name"},
        {"FIRSTNAME", 13, "First Name"}, {"MI", 2, "MI"},
        {"BUSINESS", 21, "Business"},    {"ADDRESS1", 19, "Address"},
        {"ADDRESS2", 19, "Address"},     {"CITY", 25, "City"},
        {"STATE", 5, "State"},           {"ZIP", 10, "Zip"},
        {"COUNTRY", 20, "Country"},      {"PHONE1", 12, "Phone"},
        {"PHONE2", 12, "Phone 2"},       {"PHONE2EXT", 11, "Phone 2 Ext"},
        {"COMMENT", 254, "Comment"}};
    return columns;
}
const std::vector<TColumn>& XRefColumns() {
    static const std::vector<TColumn> columns{
        {"LOANNO", 9, "Loan No."},         {"COLLATERIA", 25, "Collaterial"},
        {"FRSTPMTDT", 10, "1st Pmt Date"}, {"INITAMT", 10, "Amount"},
        {"INITTERM", 10, "Initial Term"},  {"INITRATE", 10, "Initial Rate"}};
    return columns;
}

bool Editing(TDataSet* DataSet) {
    return DataSet->State() == dsEdit || DataSet->State() == dsInsert;
}

// A calculated field of DataSet, owned by it.
template <typename T>
T* CalculatedField(TDataSet* DataSet, const char* Name) {
    auto* field = new T(DataSet);
    field->SetFieldName(Name);
    field->SetCalculated(true);
    field->SetDataSet(DataSet);
    return field;
}

void ShowError(const std::string& Text) {
    MessageDlg(Text, mtError, {mbOK}, 0);
}

} // namespace

std::unique_ptr<TTransferRecord> TLoanInfo::NewLoanInfoData() {
    auto record =
        std::make_unique<TTransferRecord>(RadioSlots + Prompts().size() * CaptionSlotSize);
    const std::span<Byte> data = record->Data();
    data[0] = 1; // auto generation on, manual entry off
    std::size_t at = RadioSlots;
    for (const char* prompt : Prompts()) {
        PutSlotString(data.subspan(at, CaptionSlotSize), prompt);
        at += CaptionSlotSize;
    }
    return record;
}

TLoanInfo::TLoanInfo(TComponent* AOwner, const std::string& Folder)
    : TForm(AOwner), folder_(Folder) {
    SetName("LoanInfo");
    SetCaption("Personal Information");
    SetHelpContext(136);
    SetFormBorderStyle(bsDialog);
    SetPosition(poOwnerFormCenter);
    SetClientWidth(DialogWidth);
    SetClientHeight(ButtonTop + 33);
    // The window first: controls made visible while they are built then have their parents'.
    HandleNeeded();
    VcTransfer1 = new TVcTransfer(this);
    VcTransfer1->SetName("VcTransfer1");
    DefaultController = new TVcController(this);
    DefaultController->SetName("DefaultController");
    BuildTables();
    BuildFrame();
    BuildAccountsPage();
    BuildAcctInfoPage();
    LoansGrid = AddGrid(Notebook1->Page(2), "LoansGrid", XRefSource);
    LoansGrid->SetBounds(8, 8, DialogWidth - 16, PageHeight - 16);
    BuildLoanInfoPage();
    OnShow = [this](TObject* s) { FormShow(s); };
    OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };
    OpenTables();
}

TLoanInfo::~TLoanInfo() {
    // Closing drops what is pending without the dialog's own reactions.
    for (TDataSet* table : std::initializer_list<TDataSet*>{Accounts, Loans, XRef}) {
        table->AfterCancel = nullptr;
        table->AfterPost = nullptr;
    }
    AccountsSource->OnStateChange = nullptr;
    CloseTables();
}

TdwTable* TLoanInfo::AddTable(const std::string& Name, const char* File, const char* Tag) {
    auto* table = new TdwTable(this);
    table->SetName(Name);
    SetRegisterTable(*table, folder_, File, Tag);
    return table;
}

TdwDataSource* TLoanInfo::AddSource(const std::string& Name, TDataSet* DataSet) {
    auto* source = new TdwDataSource(this);
    source->SetName(Name);
    source->SetDataSet(DataSet);
    return source;
}

TXBase* TLoanInfo::AddEngine(const std::string& Name, TDataSource* Source) {
    auto* engine = new TXBase(this);
    engine->SetName(Name);
    engine->SetDataSource(Source);
    return engine;
}

void TLoanInfo::BuildTables() {
    Accounts = AddTable("Accounts", AccountsTable, AccountsTag);
    AccountsLookup = AddTable("AccountsLookup", AccountsTable, AccountsTag);
    Loans = AddTable("Loans", LoansTable, LoanNoTag);
    LoansLookup = AddTable("LoansLookup", LoansTable, LoanNoTag);
    XRef = AddTable("XRef", XRefTable, AccountNoTag);
    AccountsSource = AddSource("AccountsSource", Accounts);
    LoansSource = AddSource("LoansSource", Loans);
    XRefSource = AddSource("XRefSource", XRef);
    AccountsXB = AddEngine("AccountsXB", AccountsSource);
    LoansXB = AddEngine("LoansXB", LoansSource);
    XRefXB = AddEngine("XRefXB", XRefSource);
    Accounts->AfterOpen = [](TDataSet* table) {
        for (const TColumn& column : AccountColumns())
            table->FieldByName(column.Field)->SetDisplayLabel(column.Label);
    };
    Accounts->AfterPost = [this](TDataSet* d) { AccountsAfterPost(d); };
    Accounts->BeforePost = [this](TDataSet* d) { AccountsBeforePost(d); };
    Accounts->BeforeDelete = [this](TDataSet* d) { AccountsBeforeDelete(d); };
    Loans->AfterPost = [this](TDataSet* d) { LoansAfterPost(d); };
    Loans->AfterCancel = [this](TDataSet* d) { LoansAfterCancel(d); };
    Loans->BeforeDelete = [this](TDataSet* d) { LoansBeforeDelete(d); };
    XRef->BeforeDelete = [this](TDataSet* d) { XRefBeforeDelete(d); };
    XRef->OnCalcFields = [this](TDataSet* d) { XRefCalcFields(d); };
    AccountsSource->OnDataChange = [this](TObject* s, TField* f) { AccountsDataChange(s, f); };
    AccountsSource->OnStateChange = [this](TObject*) { UpdateAccountNoEntry(); };
    XRefSource->OnDataChange = [this](TObject* s, TField* f) { XRefDataChange(s, f); };
    LoansSource->OnDataChange = [this](TObject* s, TField* f) { LoansDataChange(s, f); };
}

// The cross-reference's own fields and, calculated from its loan, what the loans list shows.
void TLoanInfo::BuildXRefFields() {
    if (!XRef->DefaultFields() && XRef->FieldCount() > 0) return;
    XRef->FieldDefs();
    for (int k = 0; k < XRef->FieldDefs()->Count(); ++k)
        XRef->FieldDefs()->Items(k)->CreateField(XRef);
    CalculatedField<TStringField>(XRef, "COLLATERIA")->SetSize(25);
    CalculatedField<TDateField>(XRef, "FRSTPMTDT");
    CalculatedField<TFloatField>(XRef, "INITAMT")->SetDisplayFormat("###,###,###.00");
    CalculatedField<TFloatField>(XRef, "INITTERM")->SetDisplayFormat("####");
    CalculatedField<TFloatField>(XRef, "INITRATE")->SetDisplayFormat("#0.0000");
    for (const TColumn& column : XRefColumns())
        if (TField* field = XRef->FindField(column.Field)) field->SetDisplayLabel(column.Label);
}

void TLoanInfo::OpenTables() {
    if (const std::string failure = PrepareRegister(
            folder_, {AccountsTable, LoansTable, XRefTable, SysInfoTable}, &diskFull_);
        !failure.empty()) {
        ShowError(failure == TableOpenFailedMessage ? failure
                                                   : std::string(TableOpenFailedMessage) +
                                                         "\n\n" + failure);
        return;
    }
    // A register that cannot be changed is opened for reading: the navigator greys what would
    // change it, and nothing is written (a folder that takes no journal would still let the
    // tables' files be written).
    refusal_ = RegisterRefusal(folder_);
    try {
        BuildXRefFields();
        for (TTable* table : {Accounts, AccountsLookup, LoansLookup, Loans, XRef}) {
            table->SetReadOnly(refusal_.Error != 0 || !diskFull_.empty());
            table->Open();
        }
        KeyCombo->FillList(); // by the display labels the accounts have now
        tablesOpen_ = true;
    } catch (const Exception& e) {
        ShowError(std::string(TableOpenFailedMessage) + "\n\n" + e.what());
        CloseTables();
    }
}

void TLoanInfo::CloseTables() {
    for (TTable* table : {XRef, Loans, LoansLookup, AccountsLookup, Accounts}) {
        try {
            table->Close();
        } catch (const Exception&) {
            // Closing drops what is pending; nothing more can be done for a table that fails.
        }
    }
}

TButton* TLoanInfo::AddButton(const std::string& Name, const char* Caption, int Left,
                              TNotifyEvent OnClick) {
    auto* button = new TButton(this);
    button->SetName(Name);
    button->SetParent(this);
    button->SetCaption(Caption);
    button->SetBounds(Left, ButtonTop, 90, 25);
    button->OnClick = std::move(OnClick);
    return button;
}

void TLoanInfo::BuildFrame() {
    Notebook1 = new TNotebook(this);
    Notebook1->SetName("Notebook1");
    Notebook1->SetParent(this);
    Notebook1->SetBounds(0, 0, DialogWidth, PageHeight);
    Notebook1->Pages()->Clear();
    for (const char* page : {"Accounts", "AcctInfo", "Loans", "LoanInfo"})
        Notebook1->Pages()->Add(page);
    Notebook1->OnPageChanged = [this](TObject* s) { Notebook1PageChanged(s); };
    Header1 = new THeader(this);
    Header1->SetName("Header1");
    Header1->SetParent(this);
    Header1->SetBounds(0, HeaderTop, DialogWidth, 20);
    Header1->Sections()->Add("");
    Header1->Sections()->Add("");
    Header1->SetSectionWidth(1, DialogWidth);
    NewBTN = AddButton("NewBTN", "&New", 140, [this](TObject* s) { NewBTNClick(s); });
    PriorBTN = AddButton("PriorBTN", "&Prior Step", 236, [this](TObject* s) { PriorBTNClick(s); });
    NextBTN = AddButton("NextBTN", "Ne&xt Step", 332, [this](TObject* s) { NextBTNClick(s); });
    HelpBTN = AddButton("HelpBTN", "&Help", 428, [this](TObject* s) { HelpBTNClick(s); });
    CancelBTN = AddButton("CancelBTN", "Cancel", 524, [this](TObject* s) { CancelBTNClick(s); });
    CancelBTN->SetCancel(true);
    DBNavigator1 = new TDBNavigator(this);
    DBNavigator1->SetName("DBNavigator1");
    DBNavigator1->SetParent(this);
    DBNavigator1->SetBounds(8, HeaderTop + 28, 234, 25);
    // Deletes ask twice in the tables' own handlers.
    DBNavigator1->SetConfirmDelete(false);
}

TdwDBGrid* TLoanInfo::AddGrid(TWinControl* Parent, const std::string& Name, TDataSource* Source) {
    auto* grid = new TdwDBGrid(this);
    grid->SetName(Name);
    grid->SetParent(Parent);
    grid->SetReadOnly(true);
    grid->SetOptions({dgTitles, dgIndicator, dgColumnResize, dgColLines, dgRowLines, dgTabs,
                      dgRowSelect, dgAlwaysShowSelection});
    grid->KeyOptions = {};
    const std::vector<TColumn>& columns =
        Source == AccountsSource ? AccountColumns() : XRefColumns();
    for (const TColumn& column : columns)
        grid->Selected()->Add(std::string(column.Field) + "\t" + std::to_string(column.Width) +
                              "\t" + column.Label);
    grid->SetUseTFields(false);
    grid->SetDataSource(Source);
    return grid;
}

void TLoanInfo::BuildAccountsPage() {
    TWinControl* page = Notebook1->Page(0);
    IncSearch = new TdwIncrementalSearch(this);
    IncSearch->SetName("IncSearch");
    IncSearch->SetParent(page);
    IncSearch->SetBounds(8, 8, 180, 22);
    IncSearch->SetDataSource(AccountsSource);
    IncSearch->SearchField = "ACCOUNTNO";
    KeyCombo = new TdwKeyCombo(this);
    KeyCombo->SetName("KeyCombo");
    KeyCombo->SetParent(page);
    KeyCombo->SetBounds(196, 8, 180, 22);
    KeyCombo->SetDataSource(AccountsSource);
    AccountsGrid = AddGrid(page, "AccountsGrid", AccountsSource);
    AccountsGrid->SetBounds(8, 38, DialogWidth - 16, PageHeight - 46);
}

TLabel* TLoanInfo::AddPrompt(TWinControl* Parent, const std::string& Name, int Left, int Top,
                             int Width) {
    auto* label = new TLabel(this);
    label->SetName(Name);
    label->SetParent(Parent);
    label->SetAutoSize(false);
    label->SetBounds(Left, Top + 3, Width, 16);
    return label;
}

template <typename T>
T* TLoanInfo::AddField(TWinControl* Parent, const std::string& Name, TDataSource* Source,
                       const char* Field, int Left, int Top, int Width) {
    auto* control = new T(this);
    control->SetName(Name);
    control->SetParent(Parent);
    control->SetBounds(Left, Top, Width, 22);
    control->SetController(DefaultController);
    control->SetDataSource(Source);
    control->SetDataField(Field);
    return control;
}

void TLoanInfo::BuildAcctInfoPage() {
    TWinControl* page = Notebook1->Page(1);
    AcctNoGroup = new TGroupBox(this);
    AcctNoGroup->SetName("AcctNoGroup");
    AcctNoGroup->SetParent(page);
    AcctNoGroup->SetCaption(" Account No ");
    AcctNoGroup->SetBounds(8, 4, DialogWidth - 16, 54);
    AcctNoGroup->HandleNeeded();
    auto radio = [this](const std::string& name, const char* caption, int left) {
        auto* button = new TRadioButton(this);
        button->SetName(name);
        button->SetParent(AcctNoGroup);
        button->SetCaption(caption);
        button->SetBounds(left, 22, 180, 20);
        return button;
    };
    AutoBTN = radio("AutoBTN", "Auto Generate ID Number", 12);
    ManualBTN = radio("ManualBTN", "User Enters ID Number", 196);
    AutoBTN->OnClick = [this](TObject* s) { AutoBTNClick(s); };
    ManualBTN->OnClick = [this](TObject* s) { ManualBTNClick(s); };
    AccountNo = AddField<TVcDbSimpleField>(AcctNoGroup, "AccountNo", AccountsSource, "ACCOUNTNO",
                                           384, 20, 200);
    const int x1 = 8, f1 = x1 + PromptWidth, x2 = 330, f2 = x2 + PromptWidth;
    auto text = [&](const std::string& name, const char* field, int left, int row, int width) {
        return AddField<TVcDbSimpleField>(page, name, AccountsSource, field, left, Row(row), width);
    };
    auto picture = [&](const std::string& name, const char* field, const char* mask, int left,
                       int row, int width) {
        auto* control =
            AddField<TVcDbPictureField>(page, name, AccountsSource, field, left, Row(row), width);
        control->SetPictureMask(mask);
        return control;
    };
    lLast = AddPrompt(page, "lLast", x1, Row(0), PromptWidth);
    LastName = text("LastName", "LASTNAME", f1, 0, 200);
    lFirst = AddPrompt(page, "lFirst", x2, Row(0), PromptWidth);
    FirstName = text("FirstName", "FIRSTNAME", f2, 0, 150);
    lMI = AddPrompt(page, "lMI", 556, Row(0), 24);
    MI = text("MI", "MI", 582, 0, 28);
    lBusiness = AddPrompt(page, "lBusiness", x1, Row(1), PromptWidth);
    Business = text("Business", "BUSINESS", f1, 1, 330);
    lAddress1 = AddPrompt(page, "lAddress1", x1, Row(2), PromptWidth);
    Address1 = text("Address1", "ADDRESS1", f1, 2, 330);
    lAddress2 = AddPrompt(page, "lAddress2", x1, Row(3), PromptWidth);
    Address2 = text("Address2", "ADDRESS2", f1, 3, 330);
    lCity = AddPrompt(page, "lCity", x1, Row(4), PromptWidth);
    City = text("City", "CITY", f1, 4, 200);
    lState = AddPrompt(page, "lState", x2, Row(4), 44);
    State = picture("State", "STATE", "!!", x2 + 46, 4, 36);
    lZip = AddPrompt(page, "lZip", 460, Row(4), 30);
    Zip = text("Zip", "ZIP", 492, 4, 100);
    lCountry = AddPrompt(page, "lCountry", x1, Row(5), PromptWidth);
    Country = text("Country", "COUNTRY", f1, 5, 330);
    lPhone1 = AddPrompt(page, "lPhone1", x1, Row(6), PromptWidth);
    Phone1 = picture("Phone1", "PHONE1", "999-999-9999", f1, 6, 120);
    lPhone2 = AddPrompt(page, "lPhone2", 220, Row(6), 56);
    Phone2 = picture("Phone2", "PHONE2", "999-999-9999", 278, 6, 120);
    lExt = AddPrompt(page, "lExt", 410, Row(6), 34);
    Phone2Ext = text("Phone2Ext", "PHONE2EXT", 446, 6, 60);
}

void TLoanInfo::BuildLoanInfoPage() {
    TWinControl* page = Notebook1->Page(3);
    const int x1 = 8, f1 = x1 + 84, x2 = 372, f2 = x2 + 110;
    auto text = [&](const std::string& name, const char* field, int left, int row, int width) {
        return AddField<TVcDbSimpleField>(page, name, LoansSource, field, left, Row(row) - 50,
                                          width);
    };
    auto shown = [&](const std::string& name, const char* field, const char* mask, int left,
                     int row) {
        auto* label = new TVcDbPictureLabel(this);
        label->SetName(name);
        label->SetParent(page);
        label->SetBounds(left, Row(row) - 47, 120, 18);
        label->Font()->Assign(Font()); // the dialog's own, like the prompts
        label->SetPictureMask(mask);
        label->SetDataSource(LoansSource);
        label->SetDataField(field);
        return label;
    };
    auto prompt = [&](const std::string& name, int left, int row, int width) {
        return AddPrompt(page, name, left, Row(row) - 50, width);
    };
    lLoanNo = prompt("lLoanNo", x1, 0, 84);
    LoanNo = shown("LoanNo", "LOANNO", "XXXXXXXXX", f1, 0);
    lCollateral = prompt("lCollateral", x1, 1, 84);
    Collateral = text("Collateral", "COLLATERIA", f1, 1, 250);
    lPropAddress = prompt("lPropAddress", x1, 2, 84);
    PropAddress = text("PropAddress", "PROPADDRES", f1, 2, 250);
    lPropCity = prompt("lPropCity", x1, 3, 84);
    PropCity = text("PropCity", "PROPCITY", f1, 3, 250);
    lPropState = prompt("lPropState", x1, 4, 84);
    PropState = AddField<TVcDbPictureField>(page, "PropState", LoansSource, "PROPSTATE", f1,
                                            Row(4) - 50, 36);
    PropState->SetPictureMask("!!");
    lPropZip = prompt("lPropZip", 140, 4, 30);
    PropZip = text("PropZip", "PROPZIP", 172, 4, 100);
    lPropCountry = prompt("lPropCountry", x1, 5, 84);
    PropCountry = text("PropCountry", "PROPCNTRY", f1, 5, 250);
    lBlockNo = prompt("lBlockNo", x1, 6, 84);
    BlockNo = text("BlockNo", "BLOCKNO", f1, 6, 90);
    lLotNo = prompt("lLotNo", 196, 6, 44);
    LotNo = text("LotNo", "LOTNO", 242, 6, 90);
    lInitAmt = prompt("lInitAmt", x2, 0, 110);
    InitAmt = shown("InitAmt", "INITAMT", "###,###,###.##", f2, 0);
    lInitRate = prompt("lInitRate", x2, 1, 110);
    InitRate = shown("InitRate", "INITRATE", "##.####", f2, 1);
    lInitTerm = prompt("lInitTerm", x2, 2, 110);
    InitTerm = shown("InitTerm", "INITTERM", "####", f2, 2);
    lOrigDate = prompt("lOrigDate", x2, 3, 110);
    OrigDate = shown("OrigDate", "ORIGDATE", "mm/dd/yyyy", f2, 3);
}

std::vector<TComponent*> TLoanInfo::TransferList() const {
    return {AutoBTN,  ManualBTN,    lFirst,      lBusiness,    lAddress1, lAddress2, lCity,
            lPhone1,  lState,       lZip,        lCountry,     lMI,       lLast,     lExt,
            lPhone2,  lLoanNo,      lCollateral, lPropAddress, lLotNo,    lPropCity, lPropState,
            lPropZip, lPropCountry, lInitAmt,    lOrigDate,    lBlockNo,  lInitRate, lInitTerm};
}

// ----- Showing and stepping

void TLoanInfo::FormShow(TObject*) {
    data_ = NewLoanInfoData();
    VcTransfer1->BufferToControls(TransferList(), data_->Data());
    Header1->SetSectionWidth(0, static_cast<int>(Round(Header1->Width() * 3 / 4.0)));
    NewAccount = NewLoan = LoanCreated = false;
    LoanNoResult.clear();
    newXRefRow_.clear();
    NewBTN->SetEnabled(Mode == limSave);
    CancelBTN->SetHint(Mode == limSave ? "Cancel saving data." : "Cancel loading data.");
    UpdateAccountNoEntry();
    if (Accounts->Active()) Accounts->First();
    const struct {
        TControl* Control;
        int Context;
    } contexts[] = {{IncSearch, 171}, {KeyCombo, 172},  {NewBTN, 173},      {PriorBTN, 174},
                    {NextBTN, 175},   {HelpBTN, 106},   {CancelBTN, 106},   {AutoBTN, 177},
                    {ManualBTN, 178}, {AccountNo, 170}, {DBNavigator1, 176}};
    for (const auto& c : contexts)
        c.Control->SetHelpContext(c.Context);
    if (Notebook1->PageIndex() == 0)
        ShowStep(0);
    else
        Notebook1->SetPageIndex(0);
    SetStatus(" Watch this space for status messages.");
    // The navigator greys what a read-only table refuses: the user is told why (a full disk
    // when a change is asked for).
    if (tablesOpen_ && !Writable() && diskFull_.empty())
        MessageDlg(refusal_.File.empty()
                       ? RegisterFolderReadOnlyMessage(folder_)
                       : RegisterFileReadOnlyMessage(refusal_.File, folder_, refusal_.Error),
                   mtInformation, {mbOK}, 0);
}

bool TLoanInfo::Writable() const {
    return Accounts->CanModify() && Loans->CanModify() && XRef->CanModify();
}

void TLoanInfo::Notebook1PageChanged(TObject*) {
    ShowStep(Notebook1->PageIndex());
}

void TLoanInfo::ShowStep(int Page) {
    const bool accountSteps = Page < 2;
    SetCaption(accountSteps ? "Personal Information" : "Loan Information");
    Header1->Sections()->SetStrings(1, "Step: " + std::to_string(Page + 1) + "/4");
    PriorBTN->SetEnabled(Page > 0);
    NextBTN->SetEnabled(true);
    NextBTN->SetCaption("Ne&xt Step");
    NewBTN->SetHint(accountSteps ? "Create new account record." : "Create a new loan record.");
    // A loan comes only through New, which numbers it and links it to the account; the
    // cross-references are only browsed.
    TNavButtonSet buttons{nbFirst,  nbPrior, nbNext, nbLast,  nbInsert,
                          nbDelete, nbEdit,  nbPost, nbCancel};
    if (Page >= 2) buttons.Exclude(nbInsert);
    if (Page == 2) buttons.Exclude(nbEdit).Exclude(nbPost).Exclude(nbCancel);
    DBNavigator1->SetVisibleButtons(buttons);
    switch (Page) {
    case 0:
        DBNavigator1->SetDataSource(AccountsSource);
        NextBTN->SetHint("Edit account details.");
        break;
    case 1:
        DBNavigator1->SetDataSource(AccountsSource);
        PriorBTN->SetHint("Browse accounts.");
        NextBTN->SetHint("Edit/Enter loan details.");
        break;
    case 2:
        DBNavigator1->SetDataSource(XRefSource);
        PriorBTN->SetHint("Edit account details.");
        NextBTN->SetHint("Edit/Enter loan details.");
        ScopeXRef();
        break;
    default:
        DBNavigator1->SetDataSource(LoansSource);
        PriorBTN->SetHint("Browse loans for current account.");
        NextBTN->SetCaption(Mode == limSave ? "&Save" : "&Get");
        NextBTN->SetHint(Mode == limSave ? "Save current account and loan data."
                                         : "Get current account and loan data.");
        ScopeLoans();
        if (Showing() && Collateral->CanFocus()) Collateral->SetFocus();
    }
    ShowRecordStatus();
}

void TLoanInfo::ScopeXRef() {
    if (!XRef->Active()) return;
    const std::string key = PaddedKey(KeyText(Accounts, "ACCOUNTNO"), AccountNoWidth);
    XRef->SetRange({TVarRec(key)}, {TVarRec(key)});
}

void TLoanInfo::ScopeLoans() {
    if (!Loans->Active() || Loans->State() == dsInsert) return;
    const std::string key = PaddedKey(FieldText(XRef, "LOANNO"), LoanNoWidth);
    Loans->SetRange({TVarRec(key)}, {TVarRec(key)});
}

void TLoanInfo::SetStatus(const std::string& Text) {
    Header1->Sections()->SetStrings(0, Text);
}

std::string TLoanInfo::StatusText() const {
    return Header1->Sections()->Strings(0);
}

std::string TLoanInfo::StepText() const {
    return Header1->Sections()->Strings(1);
}

void TLoanInfo::ShowRecordStatus() {
    const int page = Notebook1->PageIndex();
    const bool noLoans = page == 2 && XRef->Active() && XRef->Eof() && XRef->Bof();
    if (page == 2) NextBTN->SetEnabled(!noLoans);
    if (noLoans) {
        SetStatus(NoLoansText);
        return;
    }
    TXBase* engine = page < 2 ? AccountsXB : page == 2 ? XRefXB : LoansXB;
    if (!engine->Active()) return;
    // A record being inserted has no number yet.
    SetStatus(" " + std::to_string(std::max<LongInt>(engine->GetRecNo(), 0)) + "/" +
              std::to_string(engine->RecCount()));
}

void TLoanInfo::AccountsDataChange(TObject*, TField*) {
    if (NavigatorSource() == AccountsSource) ShowRecordStatus();
}

void TLoanInfo::XRefDataChange(TObject*, TField*) {
    if (NavigatorSource() == XRefSource) ShowRecordStatus();
}

void TLoanInfo::LoansDataChange(TObject*, TField*) {
    if (NavigatorSource() == LoansSource) ShowRecordStatus();
}

void TLoanInfo::XRefCalcFields(TDataSet* DataSet) {
    if (!LoansLookup->Active()) return;
    const std::string key = PaddedKey(DataSet->FieldByName("LOANNO")->AsString(), LoanNoWidth);
    if (!LoansLookup->FindKey({TVarRec(key)})) return;
    for (const char* name : {"COLLATERIA", "FRSTPMTDT", "INITAMT", "INITTERM", "INITRATE"}) {
        TField* from = LoansLookup->FieldByName(name);
        if (!from->IsNull()) DataSet->FieldByName(name)->SetAsVariant(from->Value());
    }
}

// ----- Buttons

void TLoanInfo::NewBTNClick(TObject*) {
    // Tables that did not open were told, with their cause, as the dialog was made.
    if (!tablesOpen_) return;
    if (!Writable()) {
        ShowError(diskFull_.empty() ? RegisterRefusedMessage(folder_, refusal_) : diskFull_);
        return;
    }
    switch (Notebook1->PageIndex()) {
    case 0: Notebook1->SetPageIndex(1); [[fallthrough]];
    case 1:
        if (Accounts->State() == dsInsert) return;
        Accounts->Insert();
        NewAccount = true;
        (AutoBTN->Checked() ? static_cast<TWinControl*>(LastName) : AccountNo)->SetFocus();
        return;
    default: InsertLoan();
    }
}

void TLoanInfo::InsertLoan() {
    try {
        const std::string number = std::to_string(NextLoanNumber(folder_));
        XRef->Append();
        XRef->FieldByName("ACCOUNTNO")->SetAsString(KeyText(Accounts, "ACCOUNTNO"));
        XRef->FieldByName("LOANNO")->SetAsString(number);
        XRef->Post();
        newXRefRow_ = XRef->GetBookmark();
        if (Notebook1->PageIndex() == 3)
            ShowStep(3);
        else
            Notebook1->SetPageIndex(3);
        Loans->Insert();
        Loans->FieldByName("LOANNO")->SetAsString(number);
        Loans->FieldByName("INITAMT")->SetAsFloat(ScheduleLoan.PV);
        Loans->FieldByName("INITRATE")->SetAsFloat(ScheduleLoan.Rate);
        Loans->FieldByName("INITTERM")->SetAsInteger(ScheduleLoan.NumPmts);
        if (ScheduleLoan.OrgDate != BadDate)
            Loans->FieldByName("ORIGDATE")
                ->SetAsDateTime(DayNumberToDateTime(ScheduleLoan.OrgDate));
        NewLoan = true;
    } catch (const EAbort&) {
        throw;
    } catch (const Exception& e) {
        if (XRef->State() != dsBrowse) XRef->Cancel();
        ShowError(RegisterFailureMessage(folder_, e, std::string("Save failed.\n\n") + e.what()));
    }
}

void TLoanInfo::NextBTNClick(TObject*) {
    switch (Notebook1->PageIndex()) {
    case 1:
        if (PostAccount()) Notebook1->SetPageIndex(2);
        return;
    case 3:
        if (PostAll()) SetModalResult(mrOk);
        return;
    default: Notebook1->SetPageIndex(Notebook1->PageIndex() + 1);
    }
}

bool TLoanInfo::PostAccount() {
    if (!Editing(Accounts)) return true;
    try {
        Accounts->UpdateRecord();
        if (Accounts->State() == dsEdit) {
            Accounts->Post();
            return true;
        }
        if (ManualBTN->Checked()) {
            try {
                Accounts->Post();
            } catch (const EDatabaseError& e) {
                ShowError(RegisterFailureMessage(folder_, e, AccountNumberTakenMessage));
                return false;
            }
            return true;
        }
        if (FieldText(Accounts, "LASTNAME").empty() || FieldText(Accounts, "FIRSTNAME").empty()) {
            MessageDlg("Both 'Last Name' & 'First Name' must be entered.", mtInformation, {mbOK},
                       0);
            return false;
        }
        GenerateAccountNo(*Accounts, *AccountsLookup);
    } catch (const EAbort&) {
        return false;
    } catch (const Exception& e) {
        ShowError(RegisterFailureMessage(folder_, e, e.what()));
        return false;
    }
    return true;
}

void TLoanInfo::AccountsBeforePost(TDataSet* DataSet) {
    if (!FieldText(DataSet, "ACCOUNTNO").empty()) return;
    MessageDlg(AccountNumberNeededMessage, mtInformation, {mbOK}, 0);
    if (AccountNo->Enabled() && AccountNo->CanFocus()) AccountNo->SetFocus();
    Abort();
}

bool TLoanInfo::PostAll() {
    LoanCreated = NewLoan;
    try {
        for (TDataSet* table : std::initializer_list<TDataSet*>{Loans, XRef, Accounts})
            if (Editing(table)) table->Post();
    } catch (const EAbort&) {
        return false;
    } catch (const Exception& e) {
        ShowError(RegisterFailureMessage(folder_, e, std::string("Save failed.\n\n") + e.what()));
        return false;
    }
    LoanNoResult = FieldText(Loans, "LOANNO").substr(0, LoanNoWidth);
    return true;
}

void TLoanInfo::PriorBTNClick(TObject*) {
    if (Notebook1->PageIndex() > 0) Notebook1->SetPageIndex(Notebook1->PageIndex() - 1);
}

void TLoanInfo::CancelBTNClick(TObject*) {
    DiscardNew();
    SetModalResult(mrCancel);
}

void TLoanInfo::FormClose(TObject*, TCloseAction&) {
    if (ModalResult() != mrOk) DiscardNew();
}

void TLoanInfo::DiscardNew() {
    for (TDataSet* table : std::initializer_list<TDataSet*>{Loans, XRef, Accounts})
        if (Editing(table)) table->Cancel();
    NewAccount = NewLoan = false;
}

void TLoanInfo::LoansAfterCancel(TDataSet*) {
    if (!NewLoan) return;
    NewLoan = false;
    RemoveNewXRef();
    // Given up on its own page: back to the account's loans.
    if (ModalResult() == mrNone && Notebook1->PageIndex() == 3) Notebook1->SetPageIndex(2);
}

void TLoanInfo::RemoveNewXRef() {
    if (newXRefRow_.empty()) return;
    const std::vector<char> row = std::exchange(newXRefRow_, {});
    removingNewXRef_ = true;
    std::string failure;
    try {
        XRef->CancelRange();
        XRef->GotoBookmark(row);
        XRef->Delete();
    } catch (const Exception&) {
        failure = DeleteFailedMessage;
    }
    removingNewXRef_ = false;
    // Readers see marked records too: the row is packed away.
    XRef->Close();
    if (failure.empty()) failure = PackRegisterTable(folder_, XRefTable);
    ReopenXRef();
    if (!failure.empty()) ShowError(failure);
}

void TLoanInfo::ReopenXRef() {
    XRef->Open();
    if (Notebook1->PageIndex() >= 2) ScopeXRef();
}

void TLoanInfo::HelpBTNClick(TObject*) {
    Application->HelpContext(136);
}

void TLoanInfo::AutoBTNClick(TObject*) {
    UpdateAccountNoEntry();
}

void TLoanInfo::ManualBTNClick(TObject*) {
    UpdateAccountNoEntry();
}

// The cross-references hold the account number: only a new account takes one typed in.
void TLoanInfo::UpdateAccountNoEntry() {
    AccountNo->SetEnabled(ManualBTN->Checked() && Accounts->State() == dsInsert);
}

// ----- Deleting

void TLoanInfo::AccountsBeforeDelete(TDataSet* DataSet) {
    const std::string number = KeyText(DataSet, "ACCOUNTNO");
    if (number == DefaultAccount) {
        MessageDlg("\rThe DEFAULT account cannot be deleted.\r\r", mtInformation, {mbOK}, 0);
        Abort();
    }
    if (!ConfirmAccountDelete(number)) Abort();
    DeleteShown([&] { return DeleteAccount(folder_, number); });
    SetStatus(number + " deleted.");
    // The records went with the change: the dataset has nothing left to delete.
    Abort();
}

void TLoanInfo::LoansBeforeDelete(TDataSet* DataSet) {
    const std::string number = FieldText(DataSet, "LOANNO");
    if (!ConfirmLoanDelete(number)) Abort();
    DeleteShown([&] { return DeleteLoan(folder_, number); });
    // The loan is gone: back to the account's loans.
    Notebook1->SetPageIndex(2);
    SetStatus(number + " deleted.");
    Abort();
}

void TLoanInfo::DeleteShown(const std::function<std::string()>& Change) {
    const std::string account = KeyText(Accounts, "ACCOUNTNO");
    std::string failure;
    {
        TWaitCursor wait;
        // The delete needs the tables to itself: the dialog lets go of them meanwhile, and
        // stands on the same account again (the first when it went).
        CloseTables();
        failure = Change();
        ReopenTables(account);
    }
    if (failure.empty()) return;
    ShowError(failure);
    Abort();
}

void TLoanInfo::ReopenTables(const std::string& Account) {
    try {
        for (TTable* table : {Accounts, AccountsLookup, LoansLookup, Loans})
            table->Open();
        if (!Accounts->FindKey({TVarRec(PaddedKey(Account, AccountNoWidth))})) Accounts->First();
        ReopenXRef();
    } catch (const Exception& e) {
        ShowError(std::string(TableOpenFailedMessage) + "\n\n" + e.what());
    }
}

void TLoanInfo::XRefBeforeDelete(TDataSet*) {
    if (removingNewXRef_) return;
    MessageDlg("\rCan't delete here.\r\rGoto Prior page to delete account.\r\rGoto Next page to "
               "delete loan.\r\r",
               mtInformation, {mbOK}, 0);
    Abort();
}

void ShowLoanInfo(TLoanInfo& Dialog, std::string& AccountNo, Byte Mode, std::string& LoanNo) {
    Dialog.Mode = Mode;
    LoanNo = Dialog.ShowModal() == mrOk ? Dialog.LoanNoResult : std::string();
    AccountNo = FieldText(Dialog.Accounts, "ACCOUNTNO").substr(0, AccountNoWidth);
}
