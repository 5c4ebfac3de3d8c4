// Carets of the entry fields: TVcCaret describes a caret's look; TVcSingleCaret drives the
// platform caret of one window with one look; TVcCaretPair switches between an insert caret and
// an overwrite caret.
#pragma once

#include "platform/gui/Controls.h"
#include "platform/gui/Graphics.h"
#include "platform/rtl/Classes.h"

#include <functional>
#include <memory>

enum TVcCaretAlign { caLeft, caTop, caRight, caBottom, caCenter };
enum TVcCaretShape { csBlock, csHalfBlock, csVertLine, csHorzLine, csCustom, csBitmap };

// Shared by reference count (std::shared_ptr) between the carets that show it.
class TVcCaret : public TPersistent {
    VANTREL_CLASS(TVcCaret, TPersistent)

    TVcCaret();
    ~TVcCaret() override;

    TVcCaretAlign Align() const { return align_; }
    void SetAlign(TVcCaretAlign Value);
    TBitmap* Bitmap() const { return bitmap_.get(); }
    // Copies the bitmap; nullptr is ignored.
    void SetBitmap(TBitmap* Value);
    int BitmapHotSpotX() const { return hotSpotX_; }
    void SetBitmapHotSpotX(int Value);
    int BitmapHotSpotY() const { return hotSpotY_; }
    void SetBitmapHotSpotY(int Value);
    // Milliseconds; 0 keeps the system's blink time.
    Word BlinkTime() const { return blinkTime_; }
    void SetBlinkTime(Word Value);
    int CaretHeight() const { return height_; }
    void SetCaretHeight(int Value);
    int CaretWidth() const { return width_; }
    void SetCaretWidth(int Value);
    bool IsGray() const { return isGray_; }
    void SetIsGray(bool Value);
    TVcCaretShape Shape() const { return shape_; }
    void SetShape(TVcCaretShape Value);

    void Assign(TPersistent* Source) override;

    // Runs after every change of the look.
    std::function<void()> OnChange;

private:
    void Changed();
    TVcCaretAlign align_ = caLeft;
    std::unique_ptr<TBitmap> bitmap_;
    int hotSpotX_ = 0;
    int hotSpotY_ = 0;
    Word blinkTime_ = 0;
    int height_ = 10;
    int width_ = 2;
    bool isGray_ = false;
    TVcCaretShape shape_ = csVertLine;
};

class TVcSingleCaret : public TPersistent {
    VANTREL_CLASS(TVcSingleCaret, TPersistent)

    // The position of a caret that is off-screen.
    static constexpr int OffScreen = 0x7FFFFFFF;

    explicit TVcSingleCaret(TWinControl* Owner);
    ~TVcSingleCaret() override;

    const std::shared_ptr<TVcCaret>& Caret() const { return caret_; }
    // Shows the new look at once when linked.
    void SetCaret(std::shared_ptr<TVcCaret> Value);
    int CellHeight() const { return cellHeight_; }
    void SetCellHeight(int Value);
    int CellWidth() const { return cellWidth_; }
    void SetCellWidth(int Value);
    // Linked: a platform caret exists for the owner's window.
    bool Linked() const { return linked_; }
    void SetLinked(bool Value);
    bool Shown() const { return shown_; }
    void SetShown(bool Value);
    int X() const { return x_; }
    int Y() const { return y_; }
    // A negative coordinate puts the caret off-screen.
    void SetPosition(int X, int Y);
    int XOffset() const { return xOffset_; }
    void SetXOffset(int Value);
    int YOffset() const { return yOffset_; }
    void SetYOffset(int Value);
    // Relinks so that a changed look takes effect.
    void CaretTypeHasChanged();
    // The size of the platform caret for the current look and cell.
    TSize CaretSize() const;

protected:
    void Watch(const std::shared_ptr<TVcCaret>& Caret);
    void Relink();

private:
    void Place();
    void CreatePlatformCaret();
    TWinControl* owner_;
    std::shared_ptr<TVcCaret> caret_;
    int cellHeight_ = 10;
    int cellWidth_ = 10;
    bool linked_ = false;
    bool shown_ = false;
    int x_ = 0;
    int y_ = 0;
    UINT savedBlinkTime_ = 0;
    int xOffset_ = 0;
    int yOffset_ = 0;
};

class TVcCaretPair : public TVcSingleCaret {
    VANTREL_CLASS(TVcCaretPair, TVcSingleCaret)

    explicit TVcCaretPair(TWinControl* Owner);

    bool InsertMode() const { return insertMode_; }
    void SetInsertMode(bool Value);
    const std::shared_ptr<TVcCaret>& CaretIns() const { return caretIns_; }
    void SetCaretIns(std::shared_ptr<TVcCaret> Value);
    const std::shared_ptr<TVcCaret>& CaretOvr() const { return caretOvr_; }
    void SetCaretOvr(std::shared_ptr<TVcCaret> Value);

private:
    bool insertMode_ = true;
    std::shared_ptr<TVcCaret> caretIns_;
    std::shared_ptr<TVcCaret> caretOvr_;
};
