// The in-place editor of a string cell: an edit control that passes the table's keys on to the
// table (movement keys, the edit key, Enter and Tab when the table turns them into arrows) and
// keeps the rest, and tells the table when it gains or loses the focus.
#pragma once

#include "controls/table/StringCells.h"
#include "platform/gui/StdCtrls.h"

class TVcTCStringEdit : public TEdit {
    VANTREL_CLASS(TVcTCStringEdit, TEdit)

    TVcTCStringEdit(TComponent* AOwner, TVcTCCustomString* Cell);

    TVcTCCustomString* Cell() const { return cell_; }

protected:
    void WMGetDlgCode(TWMGetDlgCode& Message) override;
    void WMChar(TWMKey& Message) override;
    void WMKeyDown(TWMKey& Message) override;
    void WMSetFocus(TWMSetFocus& Message) override;
    void WMKillFocus(TWMKillFocus& Message) override;

private:
    TVcTCCustomString* cell_;
};

// Adds the codes a cell editor asks for: want-tab when the table turns Tab into an arrow,
// want-all-keys when it turns Enter into one.
void AddTableDlgCodes(const TVcBaseTableCell& Cell, TWMGetDlgCode& Message);
// Tells the cell's table that its editor gained (or lost) the focus, with the other window.
void PostEditorFocus(const TVcBaseTableCell& Cell, bool Gained, HWND Other);
