#include "controls/entry/ColorPair.h"

TVcColors::TVcColors(TColor TextDefault, TColor BackDefault)
    : backColor_(BackDefault), textColor_(TextDefault), backDefault_(BackDefault),
      textDefault_(TextDefault) {}

void TVcColors::Changed() {
    if (OnChange) OnChange(this);
}

void TVcColors::SetBackColor(TColor Value) {
    backColor_ = Value;
    if (Value != backDefault_) useDefault_ = false;
    Changed();
}

void TVcColors::SetTextColor(TColor Value) {
    textColor_ = Value;
    if (Value != textDefault_) useDefault_ = false;
    Changed();
}

void TVcColors::SetUseDefault(bool Value) {
    useDefault_ = Value;
    if (Value) {
        backColor_ = backDefault_;
        textColor_ = textDefault_;
    }
    Changed();
}

void TVcColors::Assign(TPersistent* Source) {
    if (auto* other = dynamic_cast<TVcColors*>(Source)) {
        SetBackColor(other->BackColor());
        SetTextColor(other->TextColor());
        return;
    }
    TPersistent::Assign(Source);
}
