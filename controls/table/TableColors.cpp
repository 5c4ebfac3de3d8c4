#include "controls/table/TableColors.h"

void TVcTableColors::Set(TColor& Field, TColor Value) {
    if (Field == Value) return;
    Field = Value;
    CallEvent(OnChange, this);
}

void TVcTableColors::Assign(TPersistent* Source) {
    auto* other = dynamic_cast<TVcTableColors*>(Source);
    if (!other) {
        TPersistent::Assign(Source);
        return;
    }
    locked_ = other->locked_;
    lockedText_ = other->lockedText_;
    activeFocused_ = other->activeFocused_;
    activeFocusedText_ = other->activeFocusedText_;
    activeUnfocused_ = other->activeUnfocused_;
    activeUnfocusedText_ = other->activeUnfocusedText_;
    editing_ = other->editing_;
    editingText_ = other->editingText_;
    selected_ = other->selected_;
    selectedText_ = other->selectedText_;
    CallEvent(OnChange, this);
}
