// The lease-versus-buy advisor: a six-page wizard over one notebook. Four input pages (general,
// buy, lease, depreciation) feed the engine of advisors/LeaseBuyEngine; the last two pages show its
// narrative and its cash-flow table, and the step after them opens the break-even charts. On the
// input pages Print and Copy are Reset and Undo; on the result pages they print and copy.
//
// The inputs live in one record of 85 slots (one per control) kept for the whole run of the
// program, so a reopened advisor shows the last inputs. They are saved and opened as "*.LB"
// files: one 228-byte record, little-endian, written field by field (layout in LeaseBuyFile.md).
// Opening checks every byte before anything changes: a file that fails is refused with
// "File NOT a Lease v. Buy Advisor file." (or the version message) and the form keeps its
// values. Unused bytes are written as zeros.
#pragma once

#include "advisors/CalculatorForm.h"
#include "advisors/LeaseBuyEngine.h"
#include "controls/entry/PictureField.h"
#include "controls/table/HeadingCell.h"
#include "controls/table/StringCells.h"
#include "controls/table/Table.h"
#include "platform/gui/Menus.h"

#include <array>
#include <span>
#include <string>

// ----- "*.LB" files
constexpr std::size_t LeaseBuyFileSize = 228;
constexpr Word LeaseBuyFileSignature = 10;
constexpr Word LeaseBuyFileVersion = 260;
extern const char* const NotLeaseBuyFile;    // "File NOT a Lease v. Buy Advisor file."
extern const char* const OldLeaseBuyVersion; // "File NOT current version of Lease v. Buy ..."

// The file's bytes of data; the property-tax flags are not stored.
std::array<Byte, LeaseBuyFileSize> EncodeLeaseBuyFile(const TLeaseBuyData& data);
// Reads a file's bytes into data. Empty when they were taken; else the message that refuses
// them, and data is untouched. Refused: any size but LeaseBuyFileSize, another signature or
// version, a text longer than its 30 characters, a flag other than 0 or 1, a list index outside
// its list, a number that is not finite or lies outside what its field holds.
std::string DecodeLeaseBuyFile(std::span<const Byte> bytes, TLeaseBuyData& data);

// ----- The record of the form
// The inputs of a record, and a record's inputs set from data (captions and lists untouched).
TLeaseBuyData LeaseBuyDataOf(std::span<const Byte> record);
void PutLeaseBuyData(std::span<Byte> record, const TLeaseBuyData& data);

class TaLeaseBuy : public TCalcForm {
    VANTREL_CLASS(TaLeaseBuy, TCalcForm)

    explicit TaLeaseBuy(TComponent* AOwner);

    enum : int { pgGeneralInfo, pgBuy, pgLease, pgDepreciation, pgResults, pgMoreResults };

    TNotebook* Notebook1;
    // Page 0
    TEdit *Asset, *BuyerLessee;
    TVcNumericField *DiscountRate, *BusinessUsePercent, *TaxRate, *TaxRateSale, *TaxRateProperty;
    TVcPictureField *PropTaxOnPurchase, *PropTaxOnLease;
    // Page 1
    TVcNumericField *Price, *PurchaseSalesTax, *PurchaseDeposit, *PurchaseRate, *PurchaseNumPmts,
        *PurchaseEndValue, *DeductablePercent;
    TVcPictureField* TaxFinanced;
    TComboBox* PurchasePmtPYR;
    TCheckBox* OverrideEndPurchase;
    // Page 2
    TVcNumericField *LeasePmt, *LeaseNumPmts, *LeaseSalesTax, *LeaseDeposit, *AcquisitionCosts,
        *LeaseMiscExpense, *LeaseEndExpense, *LeaseEndValue, *LeaseEndOptionPrice;
    TComboBox* LeasePmtPYR;
    TCheckBox* OverrideEndLease;
    // Page 3
    TVcPictureField *Depreciate, *Auto, *Listed;
    TVcNumericField *Life, *Section179Amt;
    TComboBox *DepreciationMthd, *DeductDepositWhen, *DeductSalesTaxWhen;
    // Pages 4 and 5
    TMemo* Memo1;
    TVcTable* VcTable1;
    TVcTCColHead* VcTCColHead1;
    TVcTCString *LabelCell, *ValueCell;
    // Buttons and the file menu
    TButton *PriorBTN, *NextBTN, *FileBTN;
    TPopupMenu* FileMenu;

    // Opens the advisor in the main window's slot (its caption numbered).
    void ShowLeaseBuyAdvisor(Byte Slot) { InitInstance(Slot); }

    void Notebook1PageChanged(TObject* Sender);
    void NextBTNClick(TObject* Sender);
    void PriorBTNClick(TObject* Sender);
    void PrintBtnClick(TObject* Sender);
    void CopyBTNClick(TObject* Sender);
    void FileBTNClick(TObject* Sender);
    // Save... and Open... of the file menu.
    void S1Click(TObject* Sender);
    void O1Click(TObject* Sender);
    // Saves the inputs to, or opens them from, a named file (what the menu items do after their
    // dialogs).
    void SaveToFile(const std::string& FileName);
    void OpenFromFile(const std::string& FileName);
    void VcTable1GetCellData(TObject* Sender, LongInt RowNum, LongInt ColNum, void*& Data,
                             TVcCellDataPurpose Purpose);

    void PriceExit(TObject* Sender);
    void TaxRateExit(TObject* Sender);
    void LeaseEndValueExit(TObject* Sender);
    void DepreciateChange(TObject* Sender);
    void OverrideClick(TObject* Sender);
    void DepreciationMthdChange(TObject* Sender);

protected:
    std::vector<TComponent*> TransferList() const override;
    const TRecordLayout& RecordLayout() const override;
    std::unique_ptr<TTransferRecord> MakeRecord() const override;
    void ResetRecord(std::span<Byte> Data) override;
    void Calculate(std::span<Byte> Data) override;
    void ResultsRefused() override { ran_ = false; }
    std::vector<TCalcLine> ReportLines(std::span<const Byte> Data) const override;
    std::string CopyTrailer(std::span<const Byte> Data) const override;
    void PrintTrailer(TBaseReport& Report, std::span<const Byte> Data) const override;
    int FormHelpContext() const override { return 133; }

private:
    // The constructor's steps: the fields of the input pages, their labels, the narrative and
    // table pages, the buttons and file menu, and the field rules.
    void BuildFields();
    void BuildInputPages();
    void BuildResultPages();
    void BuildCashFlowTable();
    TGroupBox* AddGroup(const char* Name, int Page, const char* Caption);
    void BuildButtons();
    void BindHandlers();
    // After the pattern's show: the buttons' captions and hints, the first page.
    void LeaseFormShow(TObject* Sender);
    void BuildInputPage(int Page, std::vector<TLabel*>& Labels, int Intro,
                        const std::vector<TWinControl*>& Rows);
    template <typename T>
    T* AddField(const std::string& Name, int Page, int HelpContext);
    TVcNumericField* AddNumber(const std::string& Name, int Page, TNumericDataType Type,
                               const char* Mask, int HelpContext);
    TVcPictureField* AddYesNo(const std::string& Name, int Page, int HelpContext);
    TComboBox* AddList(const std::string& Name, int Page, int HelpContext);
    TButton* AddNavButton(const std::string& Name, TNotifyEvent OnClick);
    void ShowResultsAfterRun();
    void UpdateOverrides();

    std::array<std::vector<TLabel*>, 4> labels_;
    bool ran_ = false;
    std::array<char, 256> cellBuffer_{};
};
