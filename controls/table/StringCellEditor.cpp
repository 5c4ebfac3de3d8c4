#include "controls/table/StringCellEditor.h"

#include "platform/gui/WinUser.h"

TVcTCStringEdit::TVcTCStringEdit(TComponent* AOwner, TVcTCCustomString* Cell)
    : TEdit(AOwner), cell_(Cell) {}

void AddTableDlgCodes(const TVcBaseTableCell& Cell, TWMGetDlgCode& Message) {
    const TVcTblOptionSet options = Cell.TableOptions();
    if (options.Contains(otoTabToArrow)) Message.Result |= DLGC_WANTTAB;
    if (options.Contains(otoEnterToArrow)) Message.Result |= DLGC_WANTALLKEYS;
}

void PostEditorFocus(const TVcBaseTableCell& Cell, bool Gained, HWND Other) {
    TVcTableAncestor* table = Cell.CellTable();
    if (table && table->HandleAllocated())
        PostMessage(table->Handle(), Gained ? ctim_EditorGotFocus : ctim_EditorLostFocus, Other, 0);
}

void TVcTCStringEdit::WMGetDlgCode(TWMGetDlgCode& Message) {
    TEdit::WMGetDlgCode(Message);
    AddTableDlgCodes(*cell_, Message);
}

void TVcTCStringEdit::WMChar(TWMKey& Message) {
    if (Message.CharCode == VK_RETURN || Message.CharCode == VK_TAB ||
        Message.CharCode == VK_ESCAPE)
        return;
    TEdit::WMChar(Message);
    if (cell_->AutoAdvanceChar() && static_cast<int>(Text().size()) >= cell_->EffectiveMaxLength())
        cell_->PostKeyToTable(TWMKey{WM_KEYDOWN, VK_RIGHT, 0, 0});
}

void TVcTCStringEdit::WMKeyDown(TWMKey& Message) {
    switch (cell_->FilterTableKey(Message)) {
    case 2: cell_->PostKeyToTable(Message); return;
    case 1: {
        const Word key = Message.CharCode;
        const int length = static_cast<int>(Text().size());
        const bool leftEdge = SelStart() == 0 && SelLength() == 0;
        const bool rightEdge =
            SelStart() + SelLength() == length && (SelLength() == 0 || SelStart() == 0);
        const bool toTable = key == VK_PRIOR || key == VK_NEXT || key == VK_UP || key == VK_DOWN ||
                             (key == VK_LEFT && cell_->AutoAdvanceLeftRight() && leftEdge) ||
                             (key == VK_RIGHT && cell_->AutoAdvanceLeftRight() && rightEdge);
        if (toTable) {
            cell_->PostKeyToTable(Message);
            return;
        }
        break;
    }
    default: break;
    }
    TEdit::WMKeyDown(Message);
}

void TVcTCStringEdit::WMSetFocus(TWMSetFocus& Message) {
    TEdit::WMSetFocus(Message);
    PostEditorFocus(*cell_, true, Message.FocusedWnd);
}

void TVcTCStringEdit::WMKillFocus(TWMKillFocus& Message) {
    TEdit::WMKillFocus(Message);
    PostEditorFocus(*cell_, false, Message.FocusedWnd);
}
