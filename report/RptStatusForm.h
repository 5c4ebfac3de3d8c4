// The report status form: while a report is made or printed it shows the page being worked on
// and a button that cancels the report. When the report system waits for the user at the end,
// the button becomes OK and the wait ends when it is pressed or the window is closed.
#pragma once

#include "platform/gui/Buttons.h"
#include "platform/gui/Forms.h"

class TReportSystem;

class TRPStatusForm : public TForm {
    VANTREL_CLASS(TRPStatusForm, TForm)

    explicit TRPStatusForm(TComponent* AOwner);

    TBitBtn* CancelButton;
    TLabel* StatusLabel;

    void SetReportSystem(TReportSystem* Value) { reportSystem_ = Value; }
    // Cancel kind: aborts the report system's current report; OK kind: ends the wait.
    void CancelButtonClick(TObject* Sender);
    bool OKPressed() const { return okPressed_; }

private:
    TReportSystem* reportSystem_ = nullptr;
    bool okPressed_ = false;
};
