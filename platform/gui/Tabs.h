// The tab set: a row of captioned tabs, one of them selected, drawn under a notebook or grid.
#pragma once

#include "platform/gui/Controls.h"

#include <functional>
#include <memory>
#include <string>

using TTabChangeEvent = std::function<void(TObject* Sender, int NewTab, bool& AllowChange)>;

class TTabSet : public TCustomControl {
    VANTREL_CLASS(TTabSet, TCustomControl)

    explicit TTabSet(TComponent* AOwner);
    ~TTabSet() override;

    // One tab per line.
    TStrings* Tabs() const;
    int TabIndex() const { return tabIndex_; }
    // OnChange may refuse the new tab; an index outside the tabs selects none.
    void SetTabIndex(int Value);
    // The first tab shown (the tabs before it are scrolled away).
    int FirstIndex() const { return firstIndex_; }
    void SetFirstIndex(int Value);
    TColor SelectedColor() const { return selectedColor_; }
    void SetSelectedColor(TColor Value);
    TColor UnselectedColor() const { return unselectedColor_; }
    void SetUnselectedColor(TColor Value);
    // The tab under a client point, -1 when none.
    int ItemAtPos(const TPoint& Pos);
    // The rectangle of a shown tab (empty when it is scrolled away).
    TRect ItemRect(int Index);

    TTabChangeEvent OnChange;

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void WMGetDlgCode(TWMGetDlgCode& Message) override;

private:
    int TabWidth(int Index);
    std::unique_ptr<TStringList> tabs_;
    int tabIndex_ = -1;
    int firstIndex_ = 0;
    TColor selectedColor_ = clBtnFace;
    TColor unselectedColor_ = clWindow;
};
