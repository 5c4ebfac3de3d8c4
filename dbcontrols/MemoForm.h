// The memo dialog's form: a multi-line memo filling the form, OK and Cancel under it, and an
// optional panel with two user buttons. TdwMemoDialog (DataGrid.h) fills it from a memo field,
// runs it modally and writes the text back.
//
// The form promises that a modified memo is never dropped silently: closing it other than by
// its buttons asks "Changes have been made!  Are you sure you wish to cancel?" first. Ctrl+Enter
// and F2 confirm, Escape cancels.
#pragma once

#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"

#include <string>

class TdwMemoDialog;

class TdwMemoDlg : public TForm {
    VANTREL_CLASS(TdwMemoDlg, TForm)

    explicit TdwMemoDlg(TComponent* AOwner);

    TMemo* Memo;
    TPanel* UserButtonPanel;
    TButton* UserButton1;
    TButton* UserButton2;
    TButton* OKBtn;
    TButton* CancelBtn;

    // The component that runs the dialog (its events and settings).
    TdwMemoDialog* MemoDialog = nullptr;
    // The bounds asked for (left, top, right, bottom) and the font and caption to apply.
    TRect InitialBounds;
    TFont* DialogFont = nullptr;
    std::string DialogCaption;

    void ResizeControls(TObject* Sender);
    void OKBtnClick(TObject* Sender);
    void FormCloseQuery(TObject* Sender, bool& CanClose);
    void FormShow(TObject* Sender);
    void MemoKeyDown(TObject* Sender, Word& Key, TShiftState Shift);
    void UserButton1Click(TObject* Sender);
    void UserButton2Click(TObject* Sender);

protected:
    // Escape is swallowed here so that the memo does not take it.
    void KeyPress(char& Key) override;

private:
    void PlaceUserButtons();

    bool shownOnce_ = false;
    bool okClicked_ = false;
    bool closingByButton_ = false;
};
