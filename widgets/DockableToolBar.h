// The dockable toolbar and its dock areas. A TDToolBar carries a row of controls (flat buttons
// here) that the user moves with the mouse: it docks at the top, bottom, left or right edge of
// its form, inside that edge's dock area (TMDocklist, which stacks the bars in rows and grows
// with them), or floats as a small window of its own with a self-painted caption and close box,
// resizable between the shapes its controls can wrap into. A double click switches between
// floating and the last docked side.
//
// Use: create the bar with its form as owner and parent, name it, set its properties, put its
// controls on it (their Left orders them; touching controls form a group), then call Loaded():
// the bar reads its saved place, finds or makes the form's dock areas and takes its place. When
// the bar is freed (with its form) it saves where it was. The place is kept by the registry-backed
// INI store under the save name (Options()->SaveFile(), else the program file's name cut before
// "EXE" with "INI" appended), in the section "<form class>.<bar name>". What is read back is
// checked: unknown statuses, a floating last-docked side and a floating-shape index outside the
// shapes are ignored, and a floating bar always lands inside the screen's work area. A floating
// place the program chooses (the first float, centred on the screen) leaves the form's caption
// and menu bar free; a place the user dragged the bar to is kept.
//
// While the mouse drags a bar its outline is drawn in XOR on the screen overlay (a see-through
// window above all others); DragOutline() tells where it is.
#pragma once

#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

enum TToolbarStyle { tsAutoDetect, tsCustom, tsNew, tsWin31 };
enum TCaptionType { ctNone, ctDefault, ctFont, ctSmall, ctStandard };
enum TDockStatus { dsTop, dsLeft, dsBottom, dsRight, dsFloat };
enum TDockOption {
    doAllowTop,
    doAllowBottom,
    doAllowLeft,
    doAllowRight,
    doAllowFloat,
    doAllowMove
};
using TDockOptions = TSet<TDockOption, 8>;

inline bool IsHorizontalStatus(TDockStatus S) {
    return S == dsTop || S == dsBottom;
}
inline bool IsVerticalStatus(TDockStatus S) {
    return S == dsLeft || S == dsRight;
}

class TDToolBar;

// The store's name taken from a program file's name: cut before the first "EXE" (case matters)
// with "INI" appended; a name without "EXE" gives "INI".
std::string SaveNameFromProgram(const std::string& ProgramFile);

using TChangeStatusEvent = std::function<void(TObject* Sender, TDockStatus PrevDockStatus)>;
using TInitBarEvent =
    std::function<void(TObject* Sender, int& FloatIndex, int& FloatLeft, int& FloatTop,
                       TDockStatus& LastDockStatus, TDockStatus& DockStatus, int& Left, int& Top)>;
using TSaveBarEvent =
    std::function<void(TObject* Sender, int FloatIndex, int FloatLeft, int FloatTop,
                       TDockStatus LastDockStatus, TDockStatus DockStatus, int Left, int Top)>;

// The caption of a floating bar.
class TFloatOptions : public TPersistent {
    VANTREL_CLASS(TFloatOptions, TPersistent)

    explicit TFloatOptions(TDToolBar* Bar);
    ~TFloatOptions() override;

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& Value);
    bool CloseBox() const { return closeBox_; }
    void SetCloseBox(bool Value);
    // Default "Arial", bold, the caption's half height in points but at most 8.
    TFont* Font() const { return font_.get(); }
    bool ParentFont() const { return parentFont_; }
    // Switched on: ctDefault becomes ctSmall and the font follows the bar's.
    void SetParentFont(bool Value);
    TCaptionType CaptionType() const { return captionType_; }
    void SetCaptionType(TCaptionType Value);

private:
    TDToolBar* bar_;
    std::string caption_;
    bool closeBox_ = true;
    std::unique_ptr<TFont> font_;
    bool parentFont_ = false;
    TCaptionType captionType_ = ctDefault;
};

class TOptions : public TPersistent {
    VANTREL_CLASS(TOptions, TPersistent)

    explicit TOptions(TDToolBar* Bar);
    ~TOptions() override;

    TDockOptions DockOptions() const { return dockOptions_; }
    void SetDockOptions(TDockOptions Value) { dockOptions_ = Value; }
    TFloatOptions* FloatOptions() const { return floatOptions_.get(); }
    // The place is saved and restored.
    bool SavePos() const { return savePos_; }
    void SetSavePos(bool Value) { savePos_ = Value; }
    // The store's name; a new value goes to every bar of the form.
    const std::string& SaveFile() const { return saveFile_; }
    void SetSaveFile(const std::string& Value);

private:
    friend class TDToolBar;
    TDToolBar* bar_;
    TDockOptions dockOptions_{doAllowTop,   doAllowBottom, doAllowLeft,
                              doAllowRight, doAllowFloat,  doAllowMove};
    std::unique_ptr<TFloatOptions> floatOptions_;
    bool savePos_ = true;
    std::string saveFile_;
};

// The dock area of one side of a form: its docked bars in rows, in list order by row.
class TMDocklist : public TPanel {
    VANTREL_CLASS(TMDocklist, TPanel)

    struct TEntry {
        TDToolBar* Bar = nullptr;
        int Row = 1;
        int Order = 1;
        int Start = 0; // left (top and bottom areas) or top (left and right areas)
        int End = 0;
    };

    explicit TMDocklist(TComponent* AOwner);
    ~TMDocklist() override;

    // Along a row: horizontal for the top and bottom areas.
    bool Horizontal() const { return Align() == alTop || Align() == alBottom; }
    // Adds the bar in the row its across position names (a new row when none has it); with
    // MoveOthers the bars of the rows after a new row move one row further.
    void Insert(TDToolBar* Bar, bool MoveOthers);
    void Remove(TDToolBar* Bar);
    int EntryCount() const { return static_cast<int>(entries_.size()); }
    const TEntry& Entry(int Index) const { return entries_.at(static_cast<std::size_t>(Index)); }
    bool Contains(const TDToolBar* Bar) const;
    // The across positions of the rows, in order.
    std::vector<int> RowStarts() const;

protected:
    void AlignControls(TControl* AControl, TRect& Rect) override;
    void Paint() override;

private:
    int AcrossOf(const TDToolBar* Bar) const;
    int AlongOf(const TDToolBar* Bar) const;
    int AlongExtent(const TDToolBar* Bar) const;
    int AcrossExtent(const TDToolBar* Bar) const;
    void PlaceBar(TEntry& E, int Along, int Across);
    void Arrange();
    void ResizeArea();
    // The first bar of the area (for its look), or nullptr.
    TDToolBar* FirstBar() const;
    // Pushes the bars before Index in its row back so each ends where the next starts.
    void PushBack(std::size_t Index, int Lower);
    void PaintLines(TCanvas* C, TDToolBar* Look);
    std::vector<TEntry> entries_;
    bool arranging_ = false;
};

// Where a bar was, as saved and restored.
struct TBarPlacement {
    int FloatIndex = -1;
    int FloatLeft = 0;
    int FloatTop = 0;
    TDockStatus LastDockStatus = dsTop;
    TDockStatus Status = dsTop;
    int DockLeft = 0;
    int DockTop = 0;
};

class TDToolBar : public TPanel {
    VANTREL_CLASS(TDToolBar, TPanel)

    // One floating shape: the bar's size when its controls wrap into rows one way.
    struct TShape {
        int Height = 0;
        int Width = 0;
        bool operator==(const TShape&) const = default;
    };
    // One control in layout order.
    struct TLayoutEntry {
        int Height = 0;
        int Width = 0;
        bool JoinedPrev = false;
        bool JoinedNext = false;
        TControl* Control = nullptr;
    };

    explicit TDToolBar(TComponent* AOwner);
    ~TDToolBar() override;

    // Takes the saved place and docks or floats (see the unit's comment).
    void Loaded() override;

    bool Ctl3DLines() const { return ctl3DLines_; }
    void SetCtl3DLines(bool Value);
    TColor ColorDockArea() const { return colorDockArea_; }
    void SetColorDockArea(TColor Value);
    int ControlHeight() const { return controlHeight_; }
    void SetControlHeight(int Value);
    int ControlPlaceMent() const { return controlPlaceMent_; }
    void SetControlPlaceMent(int Value);
    TDockStatus DockStatus() const { return dockStatus_; }
    void SetDockStatus(TDockStatus Value);
    int LRSpace() const { return lrSpace_; }
    void SetLRSpace(int Value);
    int TBSpace() const { return tbSpace_; }
    void SetTBSpace(int Value);
    TOptions* Options() const { return options_.get(); }
    TToolbarStyle Style() const { return style_; }
    void SetStyle(TToolbarStyle Value);
    bool UseControlWidth() const { return useControlWidth_; }
    void SetUseControlWidth(bool Value);

    TDockStatus LastDockStatus() const { return lastDockStatus_; }
    int FloatIndex() const { return floatIndex_; }
    const std::vector<TShape>& FloatShapes() const { return shapes_; }
    const std::vector<TLayoutEntry>& LayoutList() const { return layout_; }
    TMDocklist* DockArea() const { return dockArea_; }
    // The form's area of a side (after Loaded).
    TMDocklist* DockAreaOf(TDockStatus Side) const;
    bool FormActive() const { return formActive_; }
    int CaptionHeight() const { return captionHeight_; }
    // The look: new (etched lines, close box at the right) or the old single-border one.
    bool NewLook() const;
    bool Win31Look() const;
    // Pixels the bars of the look overlap by.
    int BorderAdjust() const;
    // The name of the store and the section the place is kept in.
    std::string SaveName() const;
    std::string SectionName() const;
    // The place as it would be saved now.
    TBarPlacement Placement() const;

    // The size of the bar docked horizontally / vertically, and floating at FloatIndex.
    TSize DockedSize(bool Horizontal) const;
    // Floating at FloatIndex (the last shape when none is chosen, which it then becomes).
    TSize FloatSize();
    // Floating in the shape of that index (the last one for an index outside the shapes).
    TSize ShapeSize(int Index) const;
    // The close box of a floating bar in client coordinates (empty when it has none).
    TRect CloseBoxRect() const;

    // The outline shown while the user drags a bar (empty when none shows).
    static TRect DragOutline();
    static bool Dragging();

    TChangeStatusEvent OnChangeStatus;
    TInitBarEvent OnInitBar;
    TSaveBarEvent OnSaveBar;

    // Internal: a floating caption setting changed.
    void FloatOptionsChanged(bool Relayout);
    // Internal: the save file or the form-active flag reaches the other bars of the form.
    void CopySaveFile(const std::string& Value);
    void SetFormActive(bool Value);
    // Internal: the area is going away.
    void ForgetArea(TMDocklist* Area);
    // Internal: the area moved the bar; it remembers its dock point.
    void RememberDockPoint();

protected:
    void CreateParams(TCreateParams& Params) override;
    void Paint() override;
    void Resize() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void DblClick() override;
    void CMVisibleChanged(TMessage& Message) override;
    void Dispatch(TMessage& Message) override;

private:
    friend class TMDocklist;
    enum class TMode { None, Drag, Resize, CloseBox };

    void ComputeLook();
    void ComputeCaptionHeight();
    void CollectLayout();
    void ComputeShapes();
    TShape ShapeForRowLength(int L) const;
    // Places the controls in rows inside the bar.
    void PlaceControls();
    // The bar's size and position for its status.
    void SizeForStatus();
    // A floating bar's rectangle moved, at the same size, inside the screen's work area.
    static TRect InWorkArea(const TRect& R);
    // A floating place the program chose, moved the shortest way (below, above or beside the
    // form, inside the work area) to where it leaves the form's caption and menu bar free; R
    // itself when it does already or when no such place exists.
    TRect ClearOfFormBars(const TRect& R) const;
    void FindOrMakeDockAreas();
    TMDocklist* MakeDockArea(TAlign Side);
    void LoadPlacement();
    void SavePlacement();
    void ApplyPlacement(const TBarPlacement& P);
    // Moves the bar to a status: leaves the area, takes the new parent and size, shows.
    void MoveTo(TDockStatus Status, const TRect* Outline);
    void PlaceAtDropPoint(TMDocklist* Area, const TRect& Outline);
    void LeaveArea();
    void EnterArea();
    void ChangedStatus(TDockStatus Previous);
    template <typename F>
    void ForOtherBars(F&& Action);
    // A spacing changed: new shapes, size and places of the controls (only the height before
    // the bar is loaded).
    void SpacingChanged();
    // Sets a spacing on this bar and every other bar of the form.
    void ShareSpacing(int TDToolBar::*Field, int Value);

    void BeginDrag(const TPoint& Screen);
    void DragTo(const TPoint& Screen);
    void EndDrag();
    void BeginResize(const TPoint& Screen);
    void ResizeTo(const TPoint& Screen);
    void EndResize();
    void ShowOutline(const TRect& R, bool Floating);
    void HideOutline();
    int EdgeAt(int X, int Y) const;

    void PaintFloating(TCanvas* C);
    void PaintCaption(TCanvas* C, const TRect& Band);
    void PaintCloseBox(TCanvas* C);
    void PaintDocked(TCanvas* C);

    void InstallFormHook();
    void RemoveFormHook();
    static void FormHook(TMessage& Message);

    bool ctl3DLines_ = true;
    TColor colorDockArea_ = clBtnFace;
    int controlHeight_ = 25;
    int controlPlaceMent_ = -1;
    TDockStatus dockStatus_ = dsTop;
    int lrSpace_ = 6;
    int tbSpace_ = 4;
    std::unique_ptr<TOptions> options_;
    TToolbarStyle style_ = tsAutoDetect;
    bool useControlWidth_ = false;

    bool newLook_ = true;
    bool win31Look_ = false;
    TDockStatus lastDockStatus_ = dsTop;
    TDockStatus previousStatus_ = dsTop;
    int floatIndex_ = -1;
    TRect floatRect_;
    // The floating place was chosen by the user (dragged, sized, or kept from the last run),
    // not by the program.
    bool userFloatPlace_ = false;
    TPoint horzDockPoint_;
    TPoint vertDockPoint_;
    TCustomForm* form_ = nullptr;
    std::string sectionPrefix_;
    int captionHeight_ = 0;
    bool formActive_ = false;
    bool loaded_ = false;
    TMDocklist* areas_[4] = {nullptr, nullptr, nullptr, nullptr};
    TMDocklist* dockArea_ = nullptr;
    std::vector<TLayoutEntry> layout_;
    std::vector<TShape> shapes_;
    TCursor savedCursor_ = crDefault;
    TMode mode_ = TMode::None;
    bool closePressed_ = false;
    int resizeEdge_ = 0; // 0 none, 1 top, 2 left, 3 bottom, 4 right
    bool hiddenWithForm_ = false;
};
