// More controls: the timer, panels with bevels, bevels, shapes, images, paint boxes, the
// notebook of named pages, the radio group and the header with sizable sections.
#pragma once

#include "platform/gui/StdCtrls.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Calls OnTimer every Interval milliseconds of the installed clock while enabled and assigned.
class TTimer : public TComponent {
    VANTREL_CLASS(TTimer, TComponent)

    explicit TTimer(TComponent* AOwner);
    ~TTimer() override;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool Value);
    // 0 stops the timer.
    Cardinal Interval() const { return interval_; }
    void SetInterval(Cardinal Value);

    TNotifyEvent OnTimer;

private:
    void Update();
    bool enabled_ = true;
    Cardinal interval_ = 1000;
    std::uintptr_t id_ = 0;
};

enum TBevelCut { bvNone, bvLowered, bvRaised };
using TBevelWidth = int;
using TBorderWidth = int;

class TPanel : public TCustomControl {
    VANTREL_CLASS(TPanel, TCustomControl)

    explicit TPanel(TComponent* AOwner);

    TBevelCut BevelInner() const { return bevelInner_; }
    void SetBevelInner(TBevelCut Value);
    TBevelCut BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelCut Value);
    TBevelWidth BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(TBevelWidth Value);
    TBorderWidth BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(TBorderWidth Value);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment Value);
    // Where the children go: inside the bevels and border width.
    TRect InnerRect() const;

protected:
    void Paint() override;
    void AlignControls(TControl* AControl, TRect& Rect) override;

private:
    TBevelCut bevelInner_ = bvNone;
    TBevelCut bevelOuter_ = bvRaised;
    TBevelWidth bevelWidth_ = 1;
    TBorderWidth borderWidth_ = 0;
    TAlignment alignment_ = taCenter;
};

enum TBevelStyle { bsLowered, bsRaised };
enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };

class TBevel : public TGraphicControl {
    VANTREL_CLASS(TBevel, TGraphicControl)

    explicit TBevel(TComponent* AOwner);
    TBevelShape Shape() const { return shape_; }
    void SetShape(TBevelShape Value);
    TBevelStyle Style() const { return style_; }
    void SetStyle(TBevelStyle Value);

protected:
    void Paint() override;

private:
    TBevelShape shape_ = bsBox;
    TBevelStyle style_ = bsLowered;
};

enum TShapeType { stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle };

class TShape : public TGraphicControl {
    VANTREL_CLASS(TShape, TGraphicControl)

    explicit TShape(TComponent* AOwner);
    ~TShape() override;
    TShapeType Shape() const { return shape_; }
    void SetShape(TShapeType Value);
    TPen* Pen() const { return pen_.get(); }
    TBrush* Brush() const { return brush_.get(); }

protected:
    void Paint() override;

private:
    TShapeType shape_ = stRectangle;
    std::unique_ptr<TPen> pen_;
    std::unique_ptr<TBrush> brush_;
};

class TImage : public TGraphicControl {
    VANTREL_CLASS(TImage, TGraphicControl)

    explicit TImage(TComponent* AOwner);
    ~TImage() override;
    TPicture* Picture() const { return picture_.get(); }
    bool Stretch() const { return stretch_; }
    void SetStretch(bool Value);
    bool Center() const { return center_; }
    void SetCenter(bool Value);
    // The control takes the picture's size.
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool Value);

protected:
    void Paint() override;

private:
    void PictureChanged();
    std::unique_ptr<TPicture> picture_;
    bool stretch_ = false;
    bool center_ = false;
    bool autoSize_ = false;
};

class TPaintBox : public TGraphicControl {
    VANTREL_CLASS(TPaintBox, TGraphicControl)

    explicit TPaintBox(TComponent* AOwner);
    TNotifyEvent OnPaint;

protected:
    void Paint() override;
};

class TNotebook;

// One page of a notebook: it fills the notebook and shows while it is the active page.
class TPage : public TCustomControl {
    VANTREL_CLASS(TPage, TCustomControl)

    explicit TPage(TComponent* AOwner);

protected:
    void Paint() override;
};

class TNotebook : public TCustomControl {
    VANTREL_CLASS(TNotebook, TCustomControl)

    explicit TNotebook(TComponent* AOwner);
    ~TNotebook() override;

    // The page names; adding a name adds a page, deleting one frees it.
    TStrings* Pages() const;
    int PageCount() const;
    TPage* Page(int Index) const;
    int PageIndex() const { return pageIndex_; }
    // An index outside the pages changes nothing.
    void SetPageIndex(int Value);
    std::string ActivePage() const;
    // A name that no page has changes nothing.
    void SetActivePage(const std::string& Value);

    TNotifyEvent OnPageChanged;

    // Internal: the page names changed.
    void PagesChanged();

private:
    std::unique_ptr<TStringList> names_;
    std::vector<TPage*> pages_;
    int pageIndex_ = -1;
};

class TRadioGroup : public TGroupBox {
    VANTREL_CLASS(TRadioGroup, TGroupBox)

    explicit TRadioGroup(TComponent* AOwner);
    ~TRadioGroup() override;

    // One radio button per item.
    TStrings* Items() const;
    int ItemIndex() const { return itemIndex_; }
    // An index outside the items checks none.
    void SetItemIndex(int Value);
    int Columns() const { return columns_; }
    void SetColumns(int Value);
    TRadioButton* Button(int Index) const;

    // Internal: the items changed.
    void ItemsChanged();

protected:
    void Resize() override;

private:
    void ArrangeButtons();
    std::unique_ptr<TStringList> items_;
    std::vector<TRadioButton*> buttons_;
    int itemIndex_ = -1;
    int columns_ = 1;
    bool changing_ = false;
};

using TSectionEvent = std::function<void(TObject* Sender, int ASection, int AWidth)>;

// A row of captioned sections whose widths the user may drag.
class THeader : public TCustomControl {
    VANTREL_CLASS(THeader, TCustomControl)

    explicit THeader(TComponent* AOwner);
    ~THeader() override;

    // One section per line.
    TStrings* Sections() const;
    int SectionWidth(int Index) const;
    void SetSectionWidth(int Index, int Value);
    bool AllowResize() const { return allowResize_; }
    void SetAllowResize(bool Value) { allowResize_ = Value; }

    TSectionEvent OnSizing;
    TSectionEvent OnSized;

    // Internal: the sections changed.
    void SectionsChanged();

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
    // The section whose right edge is near X, or -1.
    int EdgeAt(int X) const;
    int SectionLeft(int Index) const;
    std::unique_ptr<TStringList> sections_;
    std::vector<int> widths_;
    bool allowResize_ = true;
    int sizing_ = -1;
};
