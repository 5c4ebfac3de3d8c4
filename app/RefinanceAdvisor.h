// The refinance advisor: the current loan and a possible new loan compared over the years until
// the property is sold (arithmetic and narrative in finance/Refinance). Its window is a two-page
// notebook: the inputs on "DataEntry", the three-paragraph narrative on "Results".
#pragma once

#include "advisors/CalculatorForm.h"

class TcLoReFin : public TCalcForm {
    VANTREL_CLASS(TcLoReFin, TCalcForm)

    explicit TcLoReFin(TComponent* AOwner);

    TNotebook* Notebook1;
    TPanel *Panel1, *Panel2, *Panel3;
    TLabel *Label1, *lRemBal, *lPmtsRem, *lRate, *lPYR;
    TLabel *Label2, *lNewPV, *lNumPmts, *lRate2, *lPYR2, *lPoints, *lMisc, *lPenalty;
    TLabel *lDeduct, *lPntsAre, *lSldAfter, *lProTaxBracket, *lDiscRate;
    TVcNumericField *RemBal, *PmtsRem, *Rate, *NewPV, *NumPmts, *Rate2, *Points, *Misc, *Penalty,
        *SldAfter, *ProTaxBracket, *DiscRate;
    TComboBox *PYR, *PYR2, *Deduct, *PntsAre;
    TMemo* Memo1;
    TButton* PriorBTN;
    TButton* BitBtn2;

    void BitBtn1Click(TObject* Sender);

protected:
    std::vector<TComponent*> TransferList() const override;
    const TRecordLayout& RecordLayout() const override;
    std::unique_ptr<TTransferRecord> MakeRecord() const override;
    void ResetRecord(std::span<Byte> Data) override;
    void Calculate(std::span<Byte> Data) override;
    std::vector<TCalcLine> ReportLines(std::span<const Byte> Data) const override;
    std::string CopyTrailer(std::span<const Byte> Data) const override;
    void PrintTrailer(TBaseReport& Report, std::span<const Byte> Data) const override;
    int FormHelpContext() const override { return 31; }

private:
    TPanel* AddPanel(const std::string& Name, TWinControl* Parent, int Left, int Top, int Width,
                     int Height);
    TLabel* AddPanelLabel(TPanel* Panel, const std::string& Name, int Row, TWinControl* Focus);
    TVcNumericField* AddPanelNumber(TPanel* Panel, const std::string& Name, int Row,
                                    TNumericDataType Type, const char* Mask);
    TComboBox* AddPanelChoice(TPanel* Panel, const std::string& Name, int Row);
};
