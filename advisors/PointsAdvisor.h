// The points advisor: two loans that differ in rate and points compared over the years the
// property is held, with a three-paragraph conclusion the user may edit, print or copy
// (arithmetic in finance/PointsComparison). A two-page window: the loans on "Page0", the
// conclusion on "Results".
#pragma once

#include "advisors/CalculatorForm.h"

class TaPoints : public TCalcForm {
    VANTREL_CLASS(TaPoints, TCalcForm)

    explicit TaPoints(TComponent* AOwner);
    ~TaPoints() override;

    TNotebook* Notebook1;
    TGroupBox *GroupBox1, *GroupBox2;
    TLabel *lText1, *lText2, *lText3, *lText4, *lText5;
    TLabel *lPV, *lNumPmts, *lRate, *lPoints, *lPntsAre, *lLoan1, *lLoan2, *lSldAfter;
    TVcNumericField *PV1, *NumPmts1, *Rate1, *Points1, *PV2, *NumPmts2, *Rate2, *Points2, *SldAfter;
    TComboBox *PntsAre1, *PntsAre2;
    TMemo* Memo1;
    TButton* PriorBTN;

    // Opens the advisor in a slot of the main window (its caption numbered).
    void ShowPointsAdvisor(Byte Slot) { InitInstance(Slot); }
    void PriorBTNClick(TObject* Sender);
    void PV1Exit(TObject* Sender);
    void NumPmts1Exit(TObject* Sender);

    std::string CopyText() override;

protected:
    std::vector<TComponent*> TransferList() const override;
    const TRecordLayout& RecordLayout() const override;
    std::unique_ptr<TTransferRecord> MakeRecord() const override;
    void Calculate(std::span<Byte> Data) override;
    std::vector<TCalcLine> ReportLines(std::span<const Byte> Data) const override;
    void PrintReport(TBaseReport& Report, std::span<const Byte> Data) override;
    int FormHelpContext() const override { return 134; }

private:
    TLabel* AddGroupLabel(const std::string& Name, int Left, int Top, int Width);
    TVcNumericField* AddLoanNumber(const std::string& Name, int Column, int Row,
                                   TNumericDataType Type, const char* Mask, int HelpContext);
    TComboBox* AddLoanChoice(const std::string& Name, int Column, int Row);
    void ShowPage(bool Results);
};
