// The amortization schedule's "Options" dialog: the amortizing method, the rate basis and how
// points are paid, each a drop-down list of the shared choice lists. Its transfer record is made
// once per run and keeps the choices for the rest of it: closing the dialog copies the lists
// into it, and Cancel first puts back the choices the dialog was shown with.
#pragma once

#include "advisors/AmortizationSchedule.h"
#include "controls/entry/TransferRecords.h"
#include "platform/gui/Buttons.h"
#include "platform/gui/Forms.h"
#include "platform/gui/StdCtrls.h"

#include <array>
#include <vector>

class TAmortOpt : public TForm {
    VANTREL_CLASS(TAmortOpt, TForm)

    explicit TAmortOpt(TComponent* AOwner);

    TGroupBox* GroupBox1;
    TLabel *lAmortMthd, *lRateBasis, *lPointsPaidMthd;
    TComboBox *AmortMthd, *RateBasis, *PointsPaidMthd;
    TBitBtn* BitBtn1; // OK
    TBitBtn* BitBtn2; // Cancel
    TVcTransfer* VcTransfer1;

    void FormShow(TObject* Sender);
    void BitBtn1Click(TObject* Sender);
    void BitBtn2Click(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);

    // The choices in force (those of the record).
    static TAmortOptions Choices();
    // Makes Options the choices in force (as a loaded loan brings them).
    static void SetChoices(const TAmortOptions& Options);
    // Frees the run's record (at the program's end); the next dialog makes it again.
    static void FreeRecord();

private:
    std::vector<TComponent*> TransferList() const;
    TComboBox* AddChoice(const std::string& Name, int Row, TLabel*& Label);

    std::array<int, 3> remembered_{};
};
