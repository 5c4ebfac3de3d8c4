// The colours of the table's locked, active, editing and selected cells, with their text
// colours. Every change is told to the table through one handler, which repaints.
#pragma once

#include "controls/table/TableCore.h"

class TVcTableColors : public TPersistent {
    VANTREL_CLASS(TVcTableColors, TPersistent)

    // Copies the ten colours and tells the table once.
    void Assign(TPersistent* Source) override;

    TColor Locked() const { return locked_; }
    void SetLocked(TColor Value) { Set(locked_, Value); }
    TColor LockedText() const { return lockedText_; }
    void SetLockedText(TColor Value) { Set(lockedText_, Value); }
    TColor ActiveFocused() const { return activeFocused_; }
    void SetActiveFocused(TColor Value) { Set(activeFocused_, Value); }
    TColor ActiveFocusedText() const { return activeFocusedText_; }
    void SetActiveFocusedText(TColor Value) { Set(activeFocusedText_, Value); }
    TColor ActiveUnfocused() const { return activeUnfocused_; }
    void SetActiveUnfocused(TColor Value) { Set(activeUnfocused_, Value); }
    TColor ActiveUnfocusedText() const { return activeUnfocusedText_; }
    void SetActiveUnfocusedText(TColor Value) { Set(activeUnfocusedText_, Value); }
    TColor Editing() const { return editing_; }
    void SetEditing(TColor Value) { Set(editing_, Value); }
    TColor EditingText() const { return editingText_; }
    void SetEditingText(TColor Value) { Set(editingText_, Value); }
    TColor Selected() const { return selected_; }
    void SetSelected(TColor Value) { Set(selected_, Value); }
    TColor SelectedText() const { return selectedText_; }
    void SetSelectedText(TColor Value) { Set(selectedText_, Value); }

    TNotifyEvent OnChange;

private:
    void Set(TColor& Field, TColor Value);
    TColor locked_ = clBtnFace;
    TColor lockedText_ = clWindowText;
    TColor activeFocused_ = clHighlight;
    TColor activeFocusedText_ = clHighlightText;
    TColor activeUnfocused_ = clHighlight;
    TColor activeUnfocusedText_ = clHighlightText;
    TColor editing_ = clBtnFace;
    TColor editingText_ = clWindowText;
    TColor selected_ = clHighlight;
    TColor selectedText_ = clHighlightText;
};
