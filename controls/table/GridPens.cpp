#include "controls/table/GridPens.h"

TVcGridPen::TVcGridPen(TColor NormalColor, TGridEffect Effect, TPenStyle Style)
    : normalColor_(NormalColor), effect_(Effect), style_(Style) {}

void TVcGridPen::Assign(TPersistent* Source) {
    auto* other = dynamic_cast<TVcGridPen*>(Source);
    if (!other) {
        TPersistent::Assign(Source);
        return;
    }
    normalColor_ = other->normalColor_;
    secondColor_ = other->secondColor_;
    effect_ = other->effect_;
    style_ = other->style_;
    CallEvent(OnChange, this);
}

TVcGridPenSet::TVcGridPenSet()
    : normalGrid_(std::make_unique<TVcGridPen>(clBtnShadow, geBoth, psDot)),
      lockedGrid_(std::make_unique<TVcGridPen>(clBtnShadow, ge3D, psSolid)),
      cellWhenFocused_(std::make_unique<TVcGridPen>(clBlack, geBoth, psSolid)),
      cellWhenUnfocused_(std::make_unique<TVcGridPen>(clBlack, geBoth, psDash)) {}

void TVcGridPenSet::Assign(TPersistent* Source) {
    auto* other = dynamic_cast<TVcGridPenSet*>(Source);
    if (!other) {
        TPersistent::Assign(Source);
        return;
    }
    normalGrid_->Assign(other->normalGrid_.get());
    lockedGrid_->Assign(other->lockedGrid_.get());
    cellWhenFocused_->Assign(other->cellWhenFocused_.get());
    cellWhenUnfocused_->Assign(other->cellWhenUnfocused_.get());
}

void TVcGridPenSet::SetOnChange(const TNotifyEvent& Handler) {
    normalGrid_->OnChange = Handler;
    lockedGrid_->OnChange = Handler;
    cellWhenFocused_->OnChange = Handler;
    cellWhenUnfocused_->OnChange = Handler;
}
