// How the table draws its grid lines and the frame around the active cell: a pen with two
// colours, a line style and an effect (no lines, vertical, horizontal, both, or a raised 3D
// edge), and the set of four such pens the table owns. Changes are told to the table through
// one handler, which repaints.
#pragma once

#include "controls/table/TableCore.h"

#include <memory>

enum TGridEffect : Byte { geNone, geVertical, geHorizontal, geBoth, ge3D };

class TVcGridPen : public TPersistent {
    VANTREL_CLASS(TVcGridPen, TPersistent)

    TVcGridPen() = default;
    TVcGridPen(TColor NormalColor, TGridEffect Effect, TPenStyle Style);

    // Copies the four properties and tells the table once.
    void Assign(TPersistent* Source) override;

    TColor NormalColor() const { return normalColor_; }
    void SetNormalColor(TColor Value) { Set(normalColor_, Value); }
    TColor SecondColor() const { return secondColor_; }
    void SetSecondColor(TColor Value) { Set(secondColor_, Value); }
    TGridEffect Effect() const { return effect_; }
    void SetEffect(TGridEffect Value) { Set(effect_, Value); }
    TPenStyle Style() const { return style_; }
    void SetStyle(TPenStyle Value) { Set(style_, Value); }

    TNotifyEvent OnChange;

private:
    template <typename T>
    void Set(T& Field, T Value) {
        if (Field == Value) return;
        Field = Value;
        CallEvent(OnChange, this);
    }
    TColor normalColor_ = clBtnShadow;
    TColor secondColor_ = clBtnHighlight;
    TGridEffect effect_ = geBoth;
    TPenStyle style_ = psSolid;
};

class TVcGridPenSet : public TPersistent {
    VANTREL_CLASS(TVcGridPenSet, TPersistent)

    TVcGridPenSet();

    void Assign(TPersistent* Source) override;
    TVcGridPen* NormalGrid() const { return normalGrid_.get(); }
    TVcGridPen* LockedGrid() const { return lockedGrid_.get(); }
    TVcGridPen* CellWhenFocused() const { return cellWhenFocused_.get(); }
    TVcGridPen* CellWhenUnfocused() const { return cellWhenUnfocused_.get(); }
    // Sets the change handler of all four pens.
    void SetOnChange(const TNotifyEvent& Handler);

private:
    std::unique_ptr<TVcGridPen> normalGrid_;
    std::unique_ptr<TVcGridPen> lockedGrid_;
    std::unique_ptr<TVcGridPen> cellWhenFocused_;
    std::unique_ptr<TVcGridPen> cellWhenUnfocused_;
};
