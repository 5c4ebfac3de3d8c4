#include "report/RptStatusForm.h"

#include "report/RptSystem.h"

TRPStatusForm::TRPStatusForm(TComponent* AOwner) : TForm(AOwner) {
    SetName("RPStatusForm");
    SetCaption("Report Status");
    SetFormBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(361);
    SetClientHeight(113);
    StatusLabel = MakeChild<TLabel>(this, "StatusLabel", this, 8, 12, 345, 49);
    StatusLabel->SetAlignment(taCenter);
    StatusLabel->SetAutoSize(false);
    StatusLabel->SetWordWrap(true);
    StatusLabel->SetParentColor(true);
    CancelButton = MakeChild<TBitBtn>(this, "CancelButton", this, 143, 76, 75, 25);
    CancelButton->SetKind(bkCancel);
    CancelButton->OnClick = [this](TObject* Sender) { CancelButtonClick(Sender); };
}

void TRPStatusForm::CancelButtonClick(TObject*) {
    if (CancelButton->ModalResult() == mrCancel) {
        if (reportSystem_ && reportSystem_->BaseReport()) reportSystem_->BaseReport()->Abort();
        return;
    }
    okPressed_ = true;
}
