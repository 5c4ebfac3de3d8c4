#include "controls/table/Table.h"

#include "controls/entry/CommandTables.h"
#include "controls/entry/MessageTables.h"
#include "controls/table/HeadingCell.h"
#include "controls/table/TableShared.h"
#include "platform/gui/Forms.h"
#include "platform/gui/WinGdi.h"
#include "platform/gui/WinUser.h"
#include "platform/rtl/Numbers.h"

#include <algorithm>
#include <exception>

namespace {
constexpr int EdgeGrab = 2;
constexpr int MinExtent = 6;

bool IsMovement(Word Command) {
    switch (Command) {
    case ccBotOfPage:
    case ccBotRightCell:
    case ccDown:
    case ccEnd:
    case ccFirstPage:
    case ccHome:
    case ccLastPage:
    case ccLeft:
    case ccNextPage:
    case ccPageLeft:
    case ccPageRight:
    case ccPrevPage:
    case ccRight:
    case ccTopLeftCell:
    case ccTopOfPage:
    case ccUp:
    case ccWordLeft:
    case ccWordRight: return true;
    default: return false;
    }
}

// The plain movement an extend command runs.
Word PlainMovement(Word Command) {
    switch (Command) {
    case ccExtendDown: return ccDown;
    case ccExtendEnd: return ccEnd;
    case ccExtendHome: return ccHome;
    case ccExtendLeft: return ccLeft;
    case ccExtendPgDn: return ccNextPage;
    case ccExtendPgUp: return ccPrevPage;
    case ccExtendRight: return ccRight;
    case ccExtendUp: return ccUp;
    case ccExtBotOfPage: return ccBotOfPage;
    case ccExtFirstPage: return ccFirstPage;
    case ccExtLastPage: return ccLastPage;
    case ccExtTopOfPage: return ccTopOfPage;
    case ccExtWordLeft: return ccWordLeft;
    case ccExtWordRight: return ccWordRight;
    default: return ccNone;
    }
}

LPARAM PointParam(int X, int Y) {
    return MakeLParam(static_cast<Word>(X), static_cast<Word>(Y));
}
} // namespace

// =============================================================================================
// Cell attributes and keys for the cells

void TVcCustomTable::RefineCellAttributes(LongInt RowNum, LongInt ColNum,
                                          TVcCellAttributes& CellAttr) {
    const TVcCellStyle own = cells_->GetCellAttr(RowNum, ColNum);
    TFont* ownFont = cells_->CellFont(RowNum, ColNum);
    if (own.Access != otxDefault)
        CellAttr.Access = own.Access;
    else if (CellAttr.Access == otxDefault)
        CellAttr.Access = access_;
    if (own.Adjust != otaDefault)
        CellAttr.Adjust = own.Adjust;
    else if (CellAttr.Adjust == otaDefault)
        CellAttr.Adjust = adjust_;
    if (ownFont && CellAttr.Font) CellAttr.Font->Assign(ownFont);
    const bool active = RowNum == activeRow_ && ColNum == activeCol_;
    const bool locked = IsLocked(RowNum, ColNum);
    if (active && focused_) {
        const bool editing =
            IsEditing() || (options_.Contains(otoAlwaysEditing) && CellAttr.Access == otxNormal);
        CellAttr.Color = editing ? colors_->Editing() : colors_->ActiveFocused();
        CellAttr.FontColor = editing ? colors_->EditingText() : colors_->ActiveFocusedText();
    } else if (active) {
        CellAttr.Color = colors_->ActiveUnfocused();
        CellAttr.FontColor = colors_->ActiveUnfocusedText();
    } else if (options_.Contains(otoBrowseRow) && RowNum == activeRow_ && !locked) {
        CellAttr.Color = focused_ ? colors_->ActiveFocused() : colors_->ActiveUnfocused();
        CellAttr.FontColor =
            focused_ ? colors_->ActiveFocusedText() : colors_->ActiveUnfocusedText();
    } else if (IsCellSelected(RowNum, ColNum)) {
        CellAttr.Color = colors_->Selected();
        CellAttr.FontColor = colors_->SelectedText();
    } else {
        if (own.Color != clVcCellNone)
            CellAttr.Color = own.Color;
        else if (locked)
            CellAttr.Color = colors_->Locked();
        if (ownFont)
            CellAttr.FontColor = ownFont->Color();
        else if (locked)
            CellAttr.FontColor = colors_->LockedText();
    }
    DoGetCellAttributes(RowNum, ColNum, CellAttr);
}

Word TVcCustomTable::KeyCommand(const TWMKey& Message) {
    const TShiftState shift = KeyDataToShiftState(Message.KeyData);
    const bool ctrlOrAlt = shift.Contains(ssCtrl) || shift.Contains(ssAlt);
    if (options_.Contains(otoTabToArrow) && Message.CharCode == VK_TAB) {
        if (ctrlOrAlt) return ccNone;
        return shift.Contains(ssShift) ? ccLeft : ccRight;
    }
    if (options_.Contains(otoEnterToArrow) && Message.CharCode == VK_RETURN)
        return ctrlOrAlt || shift.Contains(ssShift) ? ccNone : ccRight;
    if (!Controller() && !FindController(GetParentForm(this))) return ccNoCommand;
    return TranslateKey(Message, commandTables_);
}

Byte TVcCustomTable::TranslateTableKey(const TWMKey& Msg) {
    const Word command = KeyCommand(Msg);
    const Word key = Msg.CharCode;
    if (command == ccTableEdit || key == VK_ESCAPE ||
        (key == VK_TAB && options_.Contains(otoTabToArrow)) ||
        (key == VK_RETURN && options_.Contains(otoEnterToArrow)))
        return 2;
    return IsMovement(command) ? 1 : 0;
}

bool TVcCustomTable::StartsEditing(const TWMKey& Message, Word Command) const {
    // Only a character typed plainly or with Shift starts editing: not Ctrl or Alt keys, not
    // the program's commands, not a key in the middle of a two-key sequence.
    if (Command != ccNoCommand) return false;
    const TShiftState shift = KeyDataToShiftState(Message.KeyData);
    if (shift.Contains(ssCtrl) || shift.Contains(ssAlt)) return false;
    const Word key = Message.CharCode;
    return key == VK_SPACE || (key >= 0x30 && key <= 0x6F) || key >= 0xBA;
}

// =============================================================================================
// Keys and focus

void TVcCustomTable::WMGetDlgCode(TWMGetDlgCode& Message) {
    Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
    if (options_.Contains(otoTabToArrow)) Message.Result |= DLGC_WANTTAB;
    if (options_.Contains(otoEnterToArrow) || IsEditing()) Message.Result |= DLGC_WANTALLKEYS;
}

void TVcCustomTable::WMKeyDown(TWMKey& Message) {
    const auto alive = AliveFlag();
    if (DoKeyDown(Message) || !*alive) return;
    const Word command = KeyCommand(Message);
    if (!IsEditing()) {
        if (command == ccTableEdit) {
            PostMessage(Handle(), ctim_StartEdit, 0, 0);
            return;
        }
        if (StartsEditing(Message, command)) {
            PostMessage(Handle(), ctim_StartEdit, 0, 0);
            PostMessage(Handle(), ctim_StartEditKey, Message.CharCode, Message.KeyData);
            return;
        }
    } else if (!options_.Contains(otoAlwaysEditing) &&
               (command == ccTableEdit || Message.CharCode == VK_ESCAPE)) {
        // F2 keeps the edited value, Escape drops it.
        if (!StopEditing(command == ccTableEdit)) {
            TMessage m{Message.Msg, Message.CharCode, Message.KeyData, 0};
            DefaultHandler(m);
        }
        return;
    }
    extend_ = false;
    if (IsMovement(command)) {
        DoCommand(command);
    } else if (command == ccCopy) {
        DoClipboardCopy();
    } else if (command == ccCut) {
        DoClipboardCut();
    } else if (command == ccPaste) {
        DoClipboardPaste();
    } else if (const Word plain = PlainMovement(command); plain != ccNone) {
        extend_ = true;
        DoCommand(plain);
    } else if (command >= ccUserFirst) {
        DoUserCommand(command);
    } else {
        // A key the table has no use for gets the window's own handling.
        TMessage m{Message.Msg, Message.CharCode, Message.KeyData, 0};
        DefaultHandler(m);
    }
}

void TVcCustomTable::WMSetFocus(TWMSetFocus& Message) {
    TVcTableAncestor::WMSetFocus(Message);
    if (IsEditing()) {
        TWinControl* editor = editCell_->EditorControl();
        if (editor && editor->CanFocus()) editor->SetFocus();
        return;
    }
    focused_ = true;
    InvalidateCell(activeRow_, activeCol_);
}

void TVcCustomTable::WMKillFocus(TWMKillFocus& Message) {
    TVcTableAncestor::WMKillFocus(Message);
    if (drag_ != dmNone) {
        drag_ = dmNone;
        ReleaseCapture();
    }
    if (IsEditing()) return;
    focused_ = false;
    InvalidateCell(activeRow_, activeCol_);
}

bool TVcCustomTable::EditorHasFocus() const {
    if (!editCell_) return false;
    const HWND editor = editCell_->EditHandle();
    const HWND focus = GetFocus();
    return editor && focus && (focus == editor || IsChild(editor, focus));
}

// =============================================================================================
// Editing

bool TVcCustomTable::StartEditing() {
    if (IsEditing()) return true;
    if (!DoBeginEdit(activeRow_, activeCol_)) return false;
    TRedrawLock lock(*this);
    ShowCell(activeRow_, activeCol_);
    TVcBaseTableCell* cell = CellComponent(activeRow_, activeCol_);
    if (!cell) return false;
    TVcCellAttributes attr;
    attr.Font = &workFont_;
    cell->ResolveAttributes(activeRow_, activeCol_, attr);
    if (attr.Access != otxNormal) return false;
    TRect rect = ReducedRect(CellRect(activeRow_, activeCol_), gridPens_->NormalGrid()->Effect());
    TVcTblEditorStyle style = tesNone;
    DoSizeCellEditor(activeRow_, activeCol_, rect, style);
    DoEnteringColumn(activeCol_);
    DoEnteringRow(activeRow_);
    void* data = nullptr;
    DoGetCellData(activeRow_, activeCol_, data, cdpEdit);
    editCell_ = cell;
    attr.Color = colors_->Editing();
    attr.FontColor = colors_->EditingText();
    cell->StartEditing(activeRow_, activeCol_, rect, attr, style, data);
    if (!cell->EditHandle()) {
        editCell_ = nullptr;
        return false;
    }
    editorFocused_ = focused_ || Focused();
    return true;
}

bool TVcCustomTable::StopEditing(bool SaveValue) {
    if (!IsEditing()) return true;
    TVcBaseTableCell* cell = editCell_;
    if (!cell->CanSaveEditedData(SaveValue)) return false;
    if (!DoEndEdit(cell, activeRow_, activeCol_)) return false;
    TRedrawLock lock(*this);
    const bool hadFocus = EditorHasFocus();
    DoEnteringColumn(activeCol_);
    DoEnteringRow(activeRow_);
    void* data = nullptr;
    DoGetCellData(activeRow_, activeCol_, data, cdpSave);
    invalid_.AddCell(activeRow_, activeCol_);
    editCell_ = nullptr;
    editorFocused_ = false;
    cell->StopEditing(SaveValue, data);
    DoDoneEdit(activeRow_, activeCol_);
    if (!options_.Contains(otoAlwaysEditing)) InvalidateCell(activeRow_, activeCol_);
    if (hadFocus && CanFocus()) SetFocus();
    return true;
}

void TVcCustomTable::HandleStartEdit() {
    if (StartEditing()) {
        TWinControl* editor = editCell_->EditorControl();
        if (editor && editorFocused_ && editor->CanFocus()) editor->SetFocus();
    } else {
        InvalidateCell(activeRow_, activeCol_);
    }
}

void TVcCustomTable::HandleEditorInput(const TMessage& Message, bool Mouse) {
    if (!IsEditing()) return;
    TWinControl* editor = editCell_->EditorControl();
    if (!editor) return;
    if (editor->CanFocus()) editor->SetFocus();
    if (!Mouse) {
        PostMessage(editor->Handle(), WM_KEYDOWN, Message.WParam, Message.LParam);
        return;
    }
    // The click that started editing goes on into the editor, at the editor's own point.
    const int x = static_cast<SmallInt>(LoWord(Message.LParam)) - editor->Left();
    const int y = static_cast<SmallInt>(HiWord(Message.LParam)) - editor->Top();
    PostMessage(editor->Handle(), WM_LBUTTONDOWN, Message.WParam, PointParam(x, y));
    PostMessage(editor->Handle(), WM_LBUTTONUP, Message.WParam & ~MK_LBUTTON, PointParam(x, y));
}

// =============================================================================================
// Commands and the active cell

LongInt TVcCustomTable::NextVisibleRow(LongInt RowNum, int Step) const {
    for (LongInt r = RowNum + Step; r >= lockedRows_ && r < RowLimit(); r += Step)
        if (!RowHidden(r)) return r;
    return RowNum;
}

LongInt TVcCustomTable::NextVisibleCol(LongInt ColNum, int Step) const {
    for (LongInt c = ColNum + Step; c >= lockedCols_ && c < ColCount(); c += Step)
        if (!ColHidden(c)) return c;
    return ColNum;
}

LongInt TVcCustomTable::LastVisibleUnlockedRow() const {
    // The last row shown whole (the first one when none is).
    LongInt last = topRow_;
    for (std::size_t i = 0; i + 1 < visRows_.size(); ++i)
        if (visRows_[i].Num >= lockedRows_ && visRows_[i + 1].Offset <= ClientHeight())
            last = visRows_[i].Num;
    return last;
}

LongInt TVcCustomTable::LastVisibleUnlockedCol() const {
    LongInt last = leftCol_;
    for (std::size_t i = 0; i + 1 < visCols_.size(); ++i)
        if (visCols_[i].Num >= lockedCols_ && visCols_[i + 1].Offset <= ClientWidth())
            last = visCols_[i].Num;
    return last;
}

void TVcCustomTable::CommandTarget(Word Command, LongInt& RowNum, LongInt& ColNum) {
    const LongInt lastRow = SkipHiddenRow(RowLimit() - 1);
    const LongInt lastCol = SkipHiddenCol(ColCount() - 1);
    const auto stepRows = [this](LongInt from, LongInt count, int step) {
        for (LongInt i = 0; i < count; ++i)
            from = NextVisibleRow(from, step);
        return from;
    };
    const auto stepCols = [this](LongInt from, LongInt count, int step) {
        for (LongInt i = 0; i < count; ++i)
            from = NextVisibleCol(from, step);
        return from;
    };
    const LongInt pageRows =
        IntMax(1, static_cast<LongInt>(IndexOf(visRows_, LastVisibleUnlockedRow()) -
                                       IndexOf(visRows_, topRow_)));
    const LongInt pageCols =
        IntMax(1, static_cast<LongInt>(IndexOf(visCols_, LastVisibleUnlockedCol()) -
                                       IndexOf(visCols_, leftCol_)));
    switch (Command) {
    case ccUp: RowNum = NextVisibleRow(activeRow_, -1); break;
    case ccDown: RowNum = NextVisibleRow(activeRow_, 1); break;
    case ccLeft: ColNum = NextVisibleCol(activeCol_, -1); break;
    case ccRight: ColNum = NextVisibleCol(activeCol_, 1); break;
    case ccHome: ColNum = FirstUnlockedCol(); break;
    case ccEnd: ColNum = lastCol; break;
    case ccTopOfPage: RowNum = topRow_; break;
    case ccBotOfPage: RowNum = LastVisibleUnlockedRow(); break;
    case ccFirstPage: RowNum = FirstUnlockedRow(); break;
    case ccLastPage: RowNum = lastRow; break;
    case ccTopLeftCell:
        RowNum = FirstUnlockedRow();
        ColNum = FirstUnlockedCol();
        break;
    case ccBotRightCell:
        RowNum = lastRow;
        ColNum = lastCol;
        break;
    case ccNextPage: RowNum = stepRows(activeRow_, pageRows, 1); break;
    case ccPrevPage: RowNum = stepRows(activeRow_, pageRows, -1); break;
    case ccPageRight: ColNum = stepCols(activeCol_, pageCols, 1); break;
    case ccPageLeft: ColNum = stepCols(activeCol_, pageCols, -1); break;
    default: break;
    }
}

void TVcCustomTable::DoCommand(Word Command) {
    if (options_.Contains(otoNoSelection)) extend_ = false;
    LongInt row = activeRow_;
    LongInt col = activeCol_;
    CommandTarget(Command, row, col);
    if (row == activeRow_ && col == activeCol_) return;
    MoveActiveCell(Command, row, col);
}

void TVcCustomTable::MoveActiveCell(Word Command, LongInt RowNum, LongInt ColNum) {
    DoActiveCellMoving(Command, RowNum, ColNum);
    if (RowNum == activeRow_ && ColNum == activeCol_) return;
    TRedrawLock lock(*this);
    if (extend_) {
        ExtendTo(RowNum, ColNum, true);
    } else if (selection_->HaveSelection()) {
        ClearSelection();
        selection_->StartSelection(RowNum, ColNum, false);
    } else {
        selection_->StartSelection(RowNum, ColNum, false);
    }
    SetActiveCell(RowNum, ColNum);
}

void TVcCustomTable::SetActiveCell(LongInt RowNum, LongInt ColNum) {
    LongInt row = SkipHiddenRow(IntMax(lockedRows_, IntMin(RowNum, RowLimit() - 1)));
    LongInt col = SkipHiddenCol(IntMax(lockedCols_, IntMin(ColNum, ColCount() - 1)));
    if (row == activeRow_ && col == activeCol_) return;
    if (!HasWindow() || visRows_.empty()) {
        activeRow_ = row;
        activeCol_ = col;
        return;
    }
    {
        TRedrawLock lock(*this);
        if (row != activeRow_) {
            DoLeavingRow(activeRow_);
            if (options_.Contains(otoBrowseRow)) InvalidateRow(activeRow_);
        }
        if (col != activeCol_) {
            DoLeavingColumn(activeCol_);
            // Headings that mark the active column follow it.
            InvalidateLockedColumn(activeCol_);
            InvalidateLockedColumn(col);
        }
        InvalidateCell(activeRow_, activeCol_);
        activeRow_ = row;
        activeCol_ = col;
        ShowCell(row, col);
        if (!Designing() && options_.Contains(otoAlwaysEditing))
            PostMessage(Handle(), ctim_StartEdit, 0, 0);
        else
            InvalidateCell(row, col);
    }
    DoActiveCellChanged(activeRow_, activeCol_);
}

// =============================================================================================
// Selection

bool TVcCustomTable::IsCellSelected(LongInt RowNum, LongInt ColNum) const {
    return selection_->IsCellSelected(RowNum, ColNum);
}

void TVcCustomTable::SelectAll() {
    TRedrawLock lock(*this);
    selection_->SelectAll();
    InvalidateTable();
}

void TVcCustomTable::SelectRow(LongInt RowNum) {
    if (RowNum < lockedRows_ || RowNum >= RowLimit()) return;
    TRedrawLock lock(*this);
    selection_->SelectArea(RowNum, lockedCols_, RowNum, ColCount() - 1);
    InvalidateRow(RowNum);
}

void TVcCustomTable::SelectColumn(LongInt ColNum) {
    if (ColNum < lockedCols_ || ColNum >= ColCount()) return;
    TRedrawLock lock(*this);
    selection_->SelectArea(lockedRows_, ColNum, RowLimit() - 1, ColNum);
    InvalidateColumn(ColNum);
}

void TVcCustomTable::ClearSelection() {
    TRedrawLock lock(*this);
    for (std::size_t r = 0; r + 1 < visRows_.size(); ++r)
        for (std::size_t c = 0; c + 1 < visCols_.size(); ++c)
            if (IsCellSelected(visRows_[r].Num, visCols_[c].Num))
                InvalidateCell(visRows_[r].Num, visCols_[c].Num);
    selection_->Clear();
}

void TVcCustomTable::ExtendTo(LongInt RowNum, LongInt ColNum, bool Keep) {
    const LongInt oldRow = selection_->ActionRow();
    const LongInt oldCol = selection_->ActionCol();
    if (!Keep) {
        const LongInt anchorRow = selection_->AnchorRow();
        const LongInt anchorCol = selection_->AnchorCol();
        ClearSelection();
        selection_->StartSelection(anchorRow, anchorCol, false);
    }
    // In a whole-row (whole-column) selection mode the rectangle spans every unlocked column
    // (row).
    const bool rows = options_.Contains(otoRowSelection) && !options_.Contains(otoColSelection);
    const bool cols = options_.Contains(otoColSelection) && !options_.Contains(otoRowSelection);
    if (rows) {
        selection_->SetAnchor(selection_->AnchorRow(), lockedCols_);
        ColNum = ColCount() - 1;
    }
    if (cols) {
        selection_->SetAnchor(lockedRows_, selection_->AnchorCol());
        RowNum = RowLimit() - 1;
    }
    selection_->ExtendSelection(RowNum, ColNum, dragSelects_);
    RepaintSelectionChange(oldRow, oldCol, RowNum, ColNum);
}

void TVcCustomTable::RepaintSelectionChange(LongInt OldRow, LongInt OldCol, LongInt NewRow,
                                            LongInt NewCol) {
    const LongInt anchorRow = selection_->AnchorRow();
    const LongInt anchorCol = selection_->AnchorCol();
    const auto inside = [&](LongInt r, LongInt c, LongInt toRow, LongInt toCol) {
        return r >= IntMin(anchorRow, toRow) && r <= IntMax(anchorRow, toRow) &&
               c >= IntMin(anchorCol, toCol) && c <= IntMax(anchorCol, toCol);
    };
    TRedrawLock lock(*this);
    for (std::size_t r = 0; r + 1 < visRows_.size(); ++r)
        for (std::size_t c = 0; c + 1 < visCols_.size(); ++c) {
            const LongInt row = visRows_[r].Num;
            const LongInt col = visCols_[c].Num;
            if (inside(row, col, OldRow, OldCol) != inside(row, col, NewRow, NewCol))
                InvalidateCell(row, col);
        }
    InvalidateCell(activeRow_, activeCol_);
}

// =============================================================================================
// Mouse

bool TVcCustomTable::FindSizingEdge(int X, int Y, TMouseTrack& Mode, LongInt& Num) const {
    const bool anyResize = Designing();
    if (X < LockedRight() && (anyResize || !options_.Contains(otoNoRowResizing))) {
        for (std::size_t i = 0; i + 1 < visRows_.size(); ++i)
            if (std::abs(Y - visRows_[i + 1].Offset) <= EdgeGrab) {
                Mode = dmSizeRow;
                Num = visRows_[i].Num;
                return true;
            }
    } else if (Y < LockedBottom() && (anyResize || !options_.Contains(otoNoColResizing))) {
        for (std::size_t i = 0; i + 1 < visCols_.size(); ++i)
            if (std::abs(X - visCols_[i + 1].Offset) <= EdgeGrab) {
                Mode = dmSizeCol;
                Num = visCols_[i].Num;
                return true;
            }
    }
    return false;
}

bool TVcCustomTable::FindMovable(int X, int Y, TMouseTrack& Mode, LongInt& Num) const {
    LongInt row = 0;
    LongInt col = 0;
    if (!CellAt(X, Y, row, col)) return false;
    if (row < lockedRows_ && col >= lockedCols_ &&
        (Designing() || options_.Contains(otoAllowColMoves))) {
        Mode = dmMoveCol;
        Num = col;
        return true;
    }
    if (col < lockedCols_ && row >= lockedRows_ &&
        (Designing() || options_.Contains(otoAllowRowMoves))) {
        Mode = dmMoveRow;
        Num = row;
        return true;
    }
    return false;
}

void TVcCustomTable::UpdateCursor(int X, int Y) {
    TCursor cursor = crDefault;
    TMouseTrack mode = dmNone;
    LongInt num = 0;
    if ((focused_ || Focused()) && !IsEditing()) {
        if (FindSizingEdge(X, Y, mode, num))
            cursor = mode == dmSizeRow ? crSizeNS : crSizeWE;
        else if (FindMovable(X, Y, mode, num))
            cursor = crDrag;
    }
    if (Cursor() != cursor) SetCursor(cursor);
}

int TVcCustomTable::FeedbackPosition(int Mouse) const {
    const TVisList& list = drag_ == dmSizeCol ? visCols_ : visRows_;
    const int i = IndexOf(list, dragNum_);
    const int start = i >= 0 ? list[static_cast<std::size_t>(i)].Offset : 0;
    return std::max(Mouse, start + MinExtent);
}

void TVcCustomTable::DrawFeedbackLine(int Position) {
    if (Position < 0) return;
    const bool vertical = drag_ == dmSizeCol || drag_ == dmMoveCol;
    const bool moving = drag_ == dmMoveCol || drag_ == dmMoveRow;
    DrawOnWindow([&](TCanvas* canvas) {
        canvas->Pen()->SetColor(moving ? clWhite : clBlack);
        canvas->Pen()->SetMode(moving ? pmXor : pmNotXor);
        canvas->Pen()->SetStyle(moving ? psSolid : psDot);
        canvas->Pen()->SetWidth(moving ? 3 : 1);
        if (vertical)
            canvas->Polyline({{Position, 0}, {Position, ClientHeight()}});
        else
            canvas->Polyline({{0, Position}, {ClientWidth(), Position}});
    });
}

LongInt TVcCustomTable::MoveTarget(int X, int Y) const {
    const bool cols = drag_ == dmMoveCol;
    const TVisList& list = cols ? visCols_ : visRows_;
    const LongInt locked = cols ? lockedCols_ : lockedRows_;
    const int p = cols ? X : Y;
    LongInt target = -1;
    for (std::size_t i = 0; i + 1 < list.size(); ++i) {
        if (list[i].Num < locked) continue;
        if (target < 0 || p >= list[i].Offset) target = list[i].Num;
    }
    return target;
}

void TVcCustomTable::WMLButtonDown(TWMMouse& Message) {
    TVcTableAncestor::WMLButtonDown(Message);
    if (!Focused() && !EditorHasFocus()) {
        if (CanFocus()) SetFocus();
        return;
    }
    const int x = Message.XPos;
    const int y = Message.YPos;
    TMouseTrack mode = dmNone;
    LongInt num = 0;
    if (FindSizingEdge(x, y, mode, num) || FindMovable(x, y, mode, num)) {
        if (!StopEditing(true)) return;
        drag_ = mode;
        dragNum_ = num;
        SetCapture(Handle());
        if (mode == dmSizeCol || mode == dmSizeRow) {
            dragLine_ = FeedbackPosition(mode == dmSizeCol ? x : y);
        } else {
            moveTarget_ = num;
            const TVisList& list = mode == dmMoveCol ? visCols_ : visRows_;
            dragLine_ = list[static_cast<std::size_t>(IndexOf(list, num))].Offset;
        }
        DrawFeedbackLine(dragLine_);
        return;
    }
    LongInt row = 0;
    LongInt col = 0;
    if (!CellAt(x, y, row, col)) return;
    if (IsLocked(row, col))
        ClickLocked(row, col);
    else
        ClickCell(Message, row, col);
}

void TVcCustomTable::ClickCell(const TWMMouse& Message, LongInt RowNum, LongInt ColNum) {
    const bool ctrl = (Message.Keys & MK_CONTROL) != 0;
    const bool shift = (Message.Keys & MK_SHIFT) != 0;
    const bool plain = !ctrl && !shift;
    const WPARAM keys = static_cast<WPARAM>(Message.Keys);
    const LPARAM point = PointParam(Message.XPos, Message.YPos);
    const auto startEditing = [&] {
        if (options_.Contains(otoAlwaysEditing)) return;
        PostMessage(Handle(), ctim_StartEdit, 0, 0);
        PostMessage(Handle(), ctim_StartEditMouse, keys, point);
    };
    TRedrawLock lock(*this);
    LongInt row = RowNum;
    LongInt col = ColNum;
    DoActiveCellMoving(ccMouseDown, row, col);
    const bool onActive = row == activeRow_ && col == activeCol_;
    if (options_.Contains(otoNoSelection)) {
        if (onActive && plain)
            startEditing();
        else if (!onActive)
            SetActiveCell(row, col);
        return;
    }
    if (onActive && plain && !IsEditing()) {
        startEditing();
        return;
    }
    if (!onActive && IsEditing() && !StopEditing(true)) return;
    ctrlDrag_ = ctrl;
    if (shift) {
        ExtendTo(row, col, ctrl);
    } else if (ctrl) {
        const bool selected = IsCellSelected(row, col);
        selection_->StartSelection(row, col, true);
        dragSelects_ = !selected;
        if (selected)
            selection_->DeselectArea(row, col, row, col);
        else
            selection_->SelectArea(row, col, row, col);
        InvalidateCell(row, col);
    } else {
        ClearSelection();
        dragSelects_ = true;
        selection_->StartSelection(row, col, false);
    }
    if (!shift && options_.Contains(otoMouseDragSelect)) {
        drag_ = dmSelecting;
        SetCapture(Handle());
    }
    SetActiveCell(row, col);
}

void TVcCustomTable::ClickLocked(LongInt RowNum, LongInt ColNum) {
    if (options_.Contains(otoNoSelection)) {
        DoLockedCellClick(RowNum, ColNum);
        return;
    }
    if (!StopEditing(true)) return;
    const bool inLockedCols = ColNum < lockedCols_;
    const bool inLockedRows = RowNum < lockedRows_;
    if (inLockedCols && inLockedRows) {
        if (options_.Contains(otoRowSelection) && options_.Contains(otoColSelection)) SelectAll();
    } else if (inLockedCols && options_.Contains(otoRowSelection)) {
        SelectRow(RowNum);
    } else if (inLockedRows && options_.Contains(otoColSelection)) {
        SelectColumn(ColNum);
    }
}

void TVcCustomTable::DragSelect(int X, int Y) {
    // Beyond the cells the nearest unlocked visible row (column) counts: the first one above
    // (left) and in the locked band, the last of the table below (right).
    const auto along = [](const TVisList& list, int p, int lockedEnd, LongInt first, LongInt last) {
        if (p < lockedEnd) return first;
        for (std::size_t i = 0; i + 1 < list.size(); ++i)
            if (p >= list[i].Offset && p < list[i + 1].Offset) return list[i].Num;
        return last;
    };
    LongInt row = along(visRows_, Y, LockedBottom(), topRow_, SkipHiddenRow(RowLimit() - 1));
    LongInt col = along(visCols_, X, LockedRight(), leftCol_, SkipHiddenCol(ColCount() - 1));
    DoActiveCellMoving(ccMouseDrag, row, col);
    if (row == activeRow_ && col == activeCol_) return;
    TRedrawLock lock(*this);
    ExtendTo(row, col, ctrlDrag_);
    SetActiveCell(row, col);
}

void TVcCustomTable::WMMouseMove(TWMMouse& Message) {
    TVcTableAncestor::WMMouseMove(Message);
    const int x = Message.XPos;
    const int y = Message.YPos;
    switch (drag_) {
    case dmSelecting: DragSelect(x, y); break;
    case dmSizeCol:
    case dmSizeRow: {
        const int line = FeedbackPosition(drag_ == dmSizeCol ? x : y);
        if (line == dragLine_) break;
        DrawFeedbackLine(dragLine_);
        dragLine_ = line;
        DrawFeedbackLine(dragLine_);
        break;
    }
    case dmMoveCol:
    case dmMoveRow: {
        const LongInt target = MoveTarget(x, y);
        if (target < 0 || target == moveTarget_) break;
        const TVisList& list = drag_ == dmMoveCol ? visCols_ : visRows_;
        DrawFeedbackLine(dragLine_);
        moveTarget_ = target;
        dragLine_ = list[static_cast<std::size_t>(IndexOf(list, target))].Offset;
        DrawFeedbackLine(dragLine_);
        break;
    }
    case dmNone: UpdateCursor(x, y); break;
    }
}

void TVcCustomTable::FinishSizing() {
    DrawFeedbackLine(dragLine_);
    const TVisList& list = drag_ == dmSizeCol ? visCols_ : visRows_;
    const int i = IndexOf(list, dragNum_);
    const int start = i >= 0 ? list[static_cast<std::size_t>(i)].Offset : 0;
    const int extent = std::max(MinExtent, dragLine_ - start);
    TRedrawLock lock(*this);
    if (drag_ == dmSizeCol)
        columns_->Items(dragNum_)->SetWidth(extent);
    else
        rows_->SetRowHeight(dragNum_, extent);
    InvalidateTable();
}

void TVcCustomTable::FinishMoving() {
    DrawFeedbackLine(dragLine_);
    const bool cols = drag_ == dmMoveCol;
    LongInt source = dragNum_;
    const LongInt target = moveTarget_;
    if (target < 0 || target == source) return;
    TRedrawLock lock(*this);
    const int step = target > source ? 1 : -1;
    for (; source != target; source += step) {
        if (cols)
            columns_->Exchange(source, source + step);
        else
            rows_->Exchange(source, source + step);
    }
    if (cols && (activeCol_ == dragNum_ || activeCol_ == target)) SetActiveCol(target);
    if (!cols && (activeRow_ == dragNum_ || activeRow_ == target)) SetActiveRow(target);
    InvalidateTable();
}

void TVcCustomTable::WMLButtonUp(TWMMouse& Message) {
    TVcTableAncestor::WMLButtonUp(Message);
    const TMouseTrack mode = drag_;
    drag_ = dmNone;
    if (mode != dmNone) ReleaseCapture();
    drag_ = mode;
    if (mode == dmSizeCol || mode == dmSizeRow) FinishSizing();
    if (mode == dmMoveCol || mode == dmMoveRow) FinishMoving();
    drag_ = dmNone;
    dragLine_ = -1;
}

// =============================================================================================
// Dispatchers

void TVcCustomTable::DoActiveCellChanged(LongInt RowNum, LongInt ColNum) {
    if (Loading() || GoingAway()) return;
    CallEvent(OnActiveCellChanged, this, RowNum, ColNum);
}

void TVcCustomTable::DoActiveCellMoving(Word Command, LongInt& RowNum, LongInt& ColNum) {
    CallEvent(OnActiveCellMoving, this, Command, RowNum, ColNum);
    if (IsEditing() && (RowNum != activeRow_ || ColNum != activeCol_) && !StopEditing(true)) {
        RowNum = activeRow_;
        ColNum = activeCol_;
    }
}

bool TVcCustomTable::DoBeginEdit(LongInt RowNum, LongInt ColNum) {
    if (Loading() || GoingAway()) return false;
    bool allow = true;
    CallEvent(OnBeginEdit, this, RowNum, ColNum, allow);
    return allow;
}

void TVcCustomTable::DoClipboardCopy() {
    CallEvent(OnClipboardCopy, this);
}

void TVcCustomTable::DoClipboardCut() {
    CallEvent(OnClipboardCut, this);
}

void TVcCustomTable::DoClipboardPaste() {
    CallEvent(OnClipboardPaste, this);
}

void TVcCustomTable::DoColumnsChanged(LongInt ColNum1, LongInt ColNum2, TVcTblActions Action) {
    for (int i = 0; i < CellCount(); ++i)
        if (auto* heading = dynamic_cast<TVcTCColHead*>(Cells(i)))
            heading->AdjustHeadings(ColNum1, ColNum2, Action);
    CallEvent(OnColumnsChanged, this, ColNum1, ColNum2, Action);
}

void TVcCustomTable::DoDoneEdit(LongInt RowNum, LongInt ColNum) {
    CallEvent(OnDoneEdit, this, RowNum, ColNum);
}

bool TVcCustomTable::DoEndEdit(TVcBaseTableCell* Cell, LongInt RowNum, LongInt ColNum) {
    if (Loading() || GoingAway()) return false;
    bool allow = true;
    CallEvent(OnEndEdit, this, Cell, RowNum, ColNum, allow);
    return allow;
}

void TVcCustomTable::DoEnteringColumn(LongInt ColNum) {
    if (ColNum == lastEnteredCol_) return;
    lastEnteredCol_ = ColNum;
    CallEvent(OnEnteringColumn, this, ColNum);
}

void TVcCustomTable::DoEnteringRow(LongInt RowNum) {
    if (RowNum == lastEnteredRow_) return;
    lastEnteredRow_ = RowNum;
    CallEvent(OnEnteringRow, this, RowNum);
}

void TVcCustomTable::DoGetCellAttributes(LongInt RowNum, LongInt ColNum,
                                         TVcCellAttributes& CellAttr) {
    CallEvent(OnGetCellAttributes, this, RowNum, ColNum, CellAttr);
}

void TVcCustomTable::DoGetCellData(LongInt RowNum, LongInt ColNum, void*& Data,
                                   TVcCellDataPurpose Purpose) {
    Data = nullptr;
    CallEvent(OnGetCellData, this, RowNum, ColNum, Data, Purpose);
}

void TVcCustomTable::DoLeavingColumn(LongInt ColNum) {
    CallEvent(OnLeavingColumn, this, ColNum);
}

void TVcCustomTable::DoLeavingRow(LongInt RowNum) {
    CallEvent(OnLeavingRow, this, RowNum);
}

void TVcCustomTable::DoLockedCellClick(LongInt RowNum, LongInt ColNum) {
    CallEvent(OnLockedCellClick, this, RowNum, ColNum);
}

void TVcCustomTable::DoPaintUnusedArea() {
    CallEvent(onPaintUnusedArea_, this);
}

void TVcCustomTable::DoRowsChanged(LongInt RowNum1, LongInt RowNum2, TVcTblActions Action) {
    CallEvent(OnRowsChanged, this, RowNum1, RowNum2, Action);
}

void TVcCustomTable::DoSizeCellEditor(LongInt RowNum, LongInt ColNum, TRect& CellRect,
                                      TVcTblEditorStyle& CellStyle) {
    CallEvent(OnSizeCellEditor, this, RowNum, ColNum, CellRect, CellStyle);
}

void TVcCustomTable::DoTopLeftCellChanged(LongInt RowNum, LongInt ColNum) {
    CallEvent(OnTopLeftCellChanged, this, RowNum, ColNum);
}

void TVcCustomTable::DoTopLeftCellChanging(LongInt& RowNum, LongInt& ColNum) {
    CallEvent(OnTopLeftCellChanging, this, RowNum, ColNum);
}

void TVcCustomTable::DoUserCommand(Word Command) {
    CallEvent(OnUserCommand, this, Command);
}
