#include "controls/entry/Carets.h"

#include "platform/gui/WinUser.h"

#include <algorithm>

// ---------------------------------------------------------------------------------------------
// TVcCaret

TVcCaret::TVcCaret() : bitmap_(std::make_unique<TBitmap>()) {}

TVcCaret::~TVcCaret() = default;

void TVcCaret::Changed() {
    if (OnChange) OnChange();
}

void TVcCaret::SetAlign(TVcCaretAlign Value) {
    if (align_ == Value) return;
    align_ = Value;
    Changed();
}

void TVcCaret::SetBitmap(TBitmap* Value) {
    if (!Value) return;
    bitmap_->Assign(Value);
    Changed();
}

void TVcCaret::SetBitmapHotSpotX(int Value) {
    if (hotSpotX_ == Value) return;
    hotSpotX_ = Value;
    if (shape_ == csBitmap) Changed();
}

void TVcCaret::SetBitmapHotSpotY(int Value) {
    if (hotSpotY_ == Value) return;
    hotSpotY_ = Value;
    if (shape_ == csBitmap) Changed();
}

void TVcCaret::SetBlinkTime(Word Value) {
    if (blinkTime_ == Value) return;
    blinkTime_ = Value;
    Changed();
}

void TVcCaret::SetCaretHeight(int Value) {
    if (Value < 1 || height_ == Value) return;
    height_ = Value;
    Changed();
}

void TVcCaret::SetCaretWidth(int Value) {
    if (Value < 1 || width_ == Value) return;
    width_ = Value;
    Changed();
}

void TVcCaret::SetIsGray(bool Value) {
    if (isGray_ == Value) return;
    isGray_ = Value;
    Changed();
}

void TVcCaret::SetShape(TVcCaretShape Value) {
    shape_ = Value;
    switch (Value) {
    case csBlock: align_ = caLeft; break;
    case csHalfBlock: align_ = caBottom; break;
    case csVertLine:
        align_ = caLeft;
        width_ = 2;
        break;
    case csHorzLine:
        align_ = caBottom;
        height_ = 2;
        break;
    case csBitmap:
        height_ = std::max(bitmap_->Height(), 1);
        width_ = std::max(bitmap_->Width(), 1);
        break;
    case csCustom: break;
    }
    Changed();
}

void TVcCaret::Assign(TPersistent* Source) {
    auto* other = dynamic_cast<TVcCaret*>(Source);
    if (!other) {
        TPersistent::Assign(Source);
        return;
    }
    align_ = other->align_;
    bitmap_->Assign(other->bitmap_.get());
    hotSpotX_ = other->hotSpotX_;
    hotSpotY_ = other->hotSpotY_;
    blinkTime_ = other->blinkTime_;
    height_ = other->height_;
    width_ = other->width_;
    isGray_ = other->isGray_;
    shape_ = other->shape_;
    Changed();
}

// ---------------------------------------------------------------------------------------------
// TVcSingleCaret

TVcSingleCaret::TVcSingleCaret(TWinControl* Owner) : owner_(Owner) {
    Watch(std::make_shared<TVcCaret>());
}

TVcSingleCaret::~TVcSingleCaret() {
    SetLinked(false);
    if (caret_) caret_->OnChange = nullptr;
}

void TVcSingleCaret::Watch(const std::shared_ptr<TVcCaret>& Caret) {
    if (caret_ && caret_ != Caret) caret_->OnChange = nullptr;
    caret_ = Caret;
    if (caret_) caret_->OnChange = [this] { CaretTypeHasChanged(); };
}

void TVcSingleCaret::SetCaret(std::shared_ptr<TVcCaret> Value) {
    if (!Value || Value == caret_) return;
    Watch(Value);
    Relink();
}

void TVcSingleCaret::Relink() {
    if (!linked_) return;
    SetLinked(false);
    SetLinked(true);
}

void TVcSingleCaret::CaretTypeHasChanged() {
    Relink();
}

void TVcSingleCaret::SetCellHeight(int Value) {
    if (Value < 1 || Value == cellHeight_) return;
    cellHeight_ = Value;
    Relink();
}

void TVcSingleCaret::SetCellWidth(int Value) {
    if (Value < 1 || Value == cellWidth_) return;
    cellWidth_ = Value;
    Relink();
}

TSize TVcSingleCaret::CaretSize() const {
    switch (caret_->Shape()) {
    case csBlock: return {cellWidth_, cellHeight_};
    case csHalfBlock: return {cellWidth_, std::max(cellHeight_ / 2, 1)};
    case csVertLine: return {caret_->CaretWidth(), cellHeight_};
    case csHorzLine: return {cellWidth_, caret_->CaretHeight()};
    case csCustom:
    case csBitmap: break;
    }
    return {caret_->CaretWidth(), caret_->CaretHeight()};
}

void TVcSingleCaret::Place() {
    if (!linked_) return;
    if (x_ == OffScreen || y_ == OffScreen) {
        SetCaretPos(-cellWidth_ * 2, -cellHeight_ * 2);
        return;
    }
    const TSize size = CaretSize();
    int x = x_ + xOffset_;
    int y = y_ + yOffset_;
    switch (caret_->Align()) {
    case caLeft:
    case caTop: break;
    case caRight: x += cellWidth_ - size.cx; break;
    case caBottom: y += cellHeight_ - size.cy; break;
    case caCenter:
        x += (cellWidth_ - size.cx) / 2;
        y += (cellHeight_ - size.cy) / 2;
        break;
    }
    if (caret_->Shape() == csBitmap) {
        x -= caret_->BitmapHotSpotX();
        y -= caret_->BitmapHotSpotY();
    }
    SetCaretPos(x, y);
}

// A bitmap caret shows its picture; without a picture (or any other shape) the caret is a solid
// or gray block of the caret's size.
void TVcSingleCaret::CreatePlatformCaret() {
    TBitmap* bitmap = caret_->Bitmap();
    if (caret_->Shape() == csBitmap && !bitmap->Empty() &&
        CreateCaret(owner_->Handle(), bitmap->Handle()))
        return;
    const TSize size = CaretSize();
    CreateCaret(owner_->Handle(), caret_->IsGray() ? CARET_GRAY : CARET_SOLID, size.cx, size.cy);
}

void TVcSingleCaret::SetLinked(bool Value) {
    if (Value == linked_) return;
    if (Value) {
        if (!owner_ || !owner_->HandleAllocated()) return;
        CreatePlatformCaret();
        linked_ = true;
        Place();
        if (shown_) ShowCaret(owner_->Handle());
        savedBlinkTime_ = GetCaretBlinkTime();
        if (caret_->BlinkTime() != 0) SetCaretBlinkTime(caret_->BlinkTime());
    } else {
        linked_ = false;
        if (savedBlinkTime_ != 0) SetCaretBlinkTime(savedBlinkTime_);
        DestroyCaret();
    }
}

void TVcSingleCaret::SetShown(bool Value) {
    if (Value == shown_) return;
    shown_ = Value;
    if (!linked_ || !owner_->HandleAllocated()) return;
    if (Value)
        ShowCaret(owner_->Handle());
    else
        HideCaret(owner_->Handle());
}

void TVcSingleCaret::SetPosition(int X, int Y) {
    x_ = X < 0 ? OffScreen : X;
    y_ = Y < 0 ? OffScreen : Y;
    Place();
}

void TVcSingleCaret::SetXOffset(int Value) {
    xOffset_ = Value;
    Place();
}

void TVcSingleCaret::SetYOffset(int Value) {
    yOffset_ = Value;
    Place();
}

// ---------------------------------------------------------------------------------------------
// TVcCaretPair

TVcCaretPair::TVcCaretPair(TWinControl* Owner)
    : TVcSingleCaret(Owner), caretIns_(Caret()), caretOvr_(std::make_shared<TVcCaret>()) {
    caretIns_->SetShape(csVertLine);
    caretOvr_->SetShape(csBlock);
}

void TVcCaretPair::SetInsertMode(bool Value) {
    if (Value == insertMode_) return;
    insertMode_ = Value;
    SetCaret(Value ? caretIns_ : caretOvr_);
}

void TVcCaretPair::SetCaretIns(std::shared_ptr<TVcCaret> Value) {
    if (!Value) return;
    caretIns_ = std::move(Value);
    if (insertMode_) SetCaret(caretIns_);
}

void TVcCaretPair::SetCaretOvr(std::shared_ptr<TVcCaret> Value) {
    if (!Value) return;
    caretOvr_ = std::move(Value);
    if (!insertMode_) SetCaret(caretOvr_);
}
