// Controls: the windowless TControl, the windowed TWinControl with its children, tab order and
// focus, TCustomControl that paints itself and TGraphicControl painted on its parent. Every
// control receives window messages through WndProc, which dispatches them by number to the
// virtual handlers below; what no handler takes goes to DefaultHandler.
#pragma once

#include "platform/gui/Graphics.h"
#include "platform/gui/Messages.h"
#include "platform/rtl/Classes.h"

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class TControl;
class TWinControl;
class TCustomForm;
class TPopupMenu;
class TControlImpl;
class TWinControlImpl;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
using TAlignSet = TSet<TAlign, 8>;

enum TShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateItem, 8>;
enum TMouseButton { mbLeft, mbRight, mbMiddle };

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
using TBorderStyle = TFormBorderStyle;

using TCursor = int;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crDrag = -12;
constexpr TCursor crNoDrop = -13;
constexpr TCursor crHSplit = -14;
constexpr TCursor crVSplit = -15;
constexpr TCursor crMultiDrag = -16;
constexpr TCursor crSQLWait = -17;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;
constexpr TCursor crSize = crSizeAll;

// A cursor the program made or loaded, to put in the screen's cursor list (0 = none).
using HCURSOR = std::intptr_t;
// A standard shape as a cursor handle.
HCURSOR LoadStandardCursor(TCursor Shape);
// A cursor from a picture (its bottom-left colour see-through) with its hot spot; 0 for an
// empty picture.
HCURSOR CreateCursorFromBitmap(TBitmap* Image, int HotX, int HotY);
bool DestroyCursor(HCURSOR Cursor);

// Whether the system draws its controls in the newer flat style (it does here); components that
// draw control parts themselves (a check box in a grid cell) follow it. A setting, so a program
// or a test can ask for the older raised look.
extern bool NewStyleControls;

enum TControlStyleItem {
    csAcceptsControls,
    csCaptureMouse,
    csClickEvents,
    csFramed,
    csSetCaption,
    csOpaque,
    csDoubleClicks,
    csFixedWidth,
    csFixedHeight,
    csNoStdEvents
};
using TControlStyle = TSet<TControlStyleItem, 16>;

enum TControlStateItem { csLButtonDown, csClicked, csFocusing, csCreating, csAlignmentNeeded };
using TControlState = TSet<TControlStateItem, 8>;

// A window procedure: the function every message of a control goes through first.
using TWndMethod = std::function<void(TMessage& Message)>;

using TKeyEvent = std::function<void(TObject* Sender, Word& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, char& Key)>;
using TMouseEvent =
    std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;

// Drag and drop (DragDrop.h holds the drag objects and how a drag runs). A control in
// dmAutomatic mode starts a drag when the left button goes down on it; in dmManual mode only
// BeginDrag starts one. The source of OnDragOver and OnDragDrop is the dragged control, or the
// drag object OnStartDrag handed over.
class TDragObject;
enum TDragMode { dmManual, dmAutomatic };
enum TDragOverState { dsDragEnter, dsDragLeave, dsDragMove };
using TDragOverEvent = std::function<void(TObject* Sender, TObject* Source, int X, int Y,
                                          TDragOverState State, bool& Accept)>;
using TDragDropEvent = std::function<void(TObject* Sender, TObject* Source, int X, int Y)>;
using TEndDragEvent = std::function<void(TObject* Sender, TObject* Target, int X, int Y)>;
using TStartDragEvent = std::function<void(TObject* Sender, TDragObject*& DragObject)>;
struct TCMDrag;

// Calls an event through a copy of it, so a handler that frees the object owning the event
// (and with it the event's own storage) still runs to its end.
template <typename Event, typename... Args>
void CallEvent(const Event& Handler, Args&&... Arguments) {
    if (!Handler) return;
    const Event handler = Handler;
    handler(std::forward<Args>(Arguments)...);
}

// Window styles that change what the layer draws around a window's client area.
constexpr DWORD WS_BORDER = 0x00800000;
constexpr DWORD WS_VSCROLL = 0x00200000;
constexpr DWORD WS_HSCROLL = 0x00100000;
constexpr DWORD WS_TABSTOP = 0x00010000;
constexpr DWORD WS_EX_CLIENTEDGE = 0x00000200;
// A popup window stands on the screen on its own (above its parent's form, never activated by
// a click); its bounds are screen coordinates. A child window lies inside its parent.
constexpr DWORD WS_POPUP = 0x80000000u;
constexpr DWORD WS_CHILD = 0x40000000u;
constexpr DWORD WS_CLIPSIBLINGS = 0x04000000u;

// What a windowed control asks of its window when it is created.
struct TCreateParams {
    std::string Caption;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    int X = 0;
    int Y = 0;
    int Width = 0;
    int Height = 0;
    HWND WndParent = 0;
};

// The shift state from the key data of a key message and the key-state table.
TShiftState KeyDataToShiftState(LongInt KeyData);
// Help for the control, as F1 gives it: the topic of the nearest control up the parent chain
// (the form included) that has a help context, else the contents.
void ShowContextHelp(TControl* Control);
// The shift state from the MK_ flags of a mouse message (Alt from the key-state table).
TShiftState KeysToShiftState(WPARAM Keys);
// The form a control stands on (walking up its parents), or nullptr.
TCustomForm* GetParentForm(const TControl* Control);
// The windowed control behind a handle, or nullptr when the window is gone.
TWinControl* FindControl(HWND Handle);

class TControl : public TComponent {
    VANTREL_CLASS(TControl, TComponent)

    explicit TControl(TComponent* AOwner);
    ~TControl() override;

    // Messages. Perform, SendMessage, posted messages and the input translation all call
    // WindowProc, which calls WndProc unless replaced: a component that watches another one
    // installs its own (keeping the previous one to call and to put back).
    TWndMethod WindowProc;
    LRESULT Perform(UINT Msg, WPARAM WParam = 0, LPARAM LParam = 0);
    // The entry of every message: mouse messages feed the click and mouse events, then Dispatch.
    virtual void WndProc(TMessage& Message);
    // Calls the handler for the message's number; numbers without one go to DefaultHandler.
    virtual void Dispatch(TMessage& Message);
    // False once the control is freed. Code that runs one of the control's handlers (which may
    // free the control) and then goes on with it keeps this flag and checks it first.
    std::shared_ptr<const bool> AliveFlag() const { return alive_; }
    // What happens to a message nobody handled; the windowless default answers 0.
    virtual void DefaultHandler(TMessage& Message);

    // Parent and bounds (in the parent's client coordinates)
    TWinControl* Parent() const { return parent_; }
    virtual void SetParent(TWinControl* AParent);
    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetLeft(int Value) { SetBounds(Value, top_, width_, height_); }
    void SetTop(int Value) { SetBounds(left_, Value, width_, height_); }
    void SetWidth(int Value) { SetBounds(left_, top_, Value, height_); }
    void SetHeight(int Value) { SetBounds(left_, top_, width_, Value); }
    virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
    TRect BoundsRect() const { return Bounds(left_, top_, width_, height_); }
    void SetBoundsRect(const TRect& R) { SetBounds(R.Left, R.Top, R.Width(), R.Height()); }
    virtual TRect ClientRect() const;
    int ClientWidth() const { return ClientRect().Width(); }
    int ClientHeight() const { return ClientRect().Height(); }
    void SetClientWidth(int Value);
    void SetClientHeight(int Value);
    // Where the client area's top-left corner lies inside the control's bounds.
    virtual TPoint ClientOrigin() const;
    TPoint ClientToScreen(const TPoint& Point) const;
    TPoint ScreenToClient(const TPoint& Point) const;
    // True when the control's bounds are screen coordinates (a popup window).
    virtual bool PlacedOnScreen() const { return false; }
    TAlign Align() const { return align_; }
    void SetAlign(TAlign Value);

    // Visibility and state
    bool Visible() const { return visible_; }
    void SetVisible(bool Value);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible, with every parent visible up to a shown form.
    virtual bool Showing() const;
    bool Enabled() const { return enabled_; }
    virtual void SetEnabled(bool Value);
    TControlStyle ControlStyle() const { return controlStyle_; }
    void SetControlStyle(TControlStyle Value) { controlStyle_ = Value; }
    TControlState ControlState() const { return controlState_; }
    void SetControlState(TControlState Value) { controlState_ = Value; }

    // Text
    std::string Caption() const { return GetText(); }
    void SetCaption(const std::string& Value) { SetText(Value); }
    std::string Text() const { return GetText(); }
    void SetText(const std::string& Value);
    int GetTextLen() const { return static_cast<int>(GetText().size()); }

    // Appearance
    TColor Color() const { return color_; }
    void SetColor(TColor Value);
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool Value);
    TFont* Font() const { return font_.get(); }
    void SetFont(const TFont& Value) { font_->Assign(const_cast<TFont*>(&Value)); }
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool Value);
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor Value);
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& Value);
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool Value);
    bool ParentShowHint() const { return parentShowHint_; }
    void SetParentShowHint(bool Value);
    TPopupMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(TPopupMenu* Value);
    int HelpContext() const { return helpContext_; }
    void SetHelpContext(int Value) { helpContext_ = Value; }
    bool MouseCapture() const;
    void SetMouseCapture(bool Value);
    // The z-order among the parent's controls.
    void BringToFront();
    void SendToBack();

    // Painting
    virtual void Invalidate();
    // Repaints at once.
    virtual void Repaint();
    void Refresh() { Repaint(); }
    virtual void Update();

    void Notification(TComponent* AComponent, TOperation Operation) override;

    // Drag and drop. DragCursor shows over a control that takes the drop (crDrag at first).
    TDragMode DragMode() const { return dragMode_; }
    void SetDragMode(TDragMode Value) { dragMode_ = Value; }
    TCursor DragCursor() const { return dragCursor_; }
    void SetDragCursor(TCursor Value) { dragCursor_ = Value; }
    // Starts dragging this control: at once, or once the mouse has moved DragThreshold pixels.
    // Nothing happens while another drag runs.
    void BeginDrag(bool Immediate);
    // Ends this control's drag, dropping on the control under the mouse when Drop is set and
    // that control takes it.
    void EndDrag(bool Drop);
    // True from BeginDrag until the drag has ended.
    bool Dragging() const;
    // A drop on this control: fires OnDragDrop (X, Y in client coordinates).
    virtual void DragDrop(TObject* Source, int X, int Y);

    // Events
    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TDragOverEvent OnDragOver;
    TDragDropEvent OnDragDrop;
    TEndDragEvent OnEndDrag;
    TStartDragEvent OnStartDrag;

protected:
    // Whether this control takes what is dragged over it: with OnDragOver assigned the event
    // decides (Accept starts True), without it the answer is no.
    virtual void DragOver(TObject* Source, int X, int Y, TDragOverState State, bool& Accept);
    // Fires OnStartDrag, which may hand over a drag object of its own.
    virtual void DoStartDrag(TDragObject*& DragObject);
    // Fires OnEndDrag with the control that took the drop (nullptr when none).
    virtual void DoEndDrag(TObject* Target, int X, int Y);
    // A drag over or onto this control: enter, move and leave ask DragOver (result 1 when it
    // takes the drop), drop calls DragDrop.
    virtual void CMDrag(TCMDrag& Message);
    virtual std::string GetText() const { return text_; }
    // Stores the text; the windowed controls with a native window put it there.
    virtual void SetTextValue(const std::string& Value) { text_ = Value; }
    virtual void Click();
    virtual void DblClick();
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseMove(TShiftState Shift, int X, int Y);
    // Called after the bounds changed (the windowed controls realign their children first).
    virtual void Resize() {}
    virtual void VisibleChanging() {}
    // Asks the parent to realign when this control's alignment or bounds matter.
    void RequestAlign();
    // Copies the parent's font or colour when ParentFont / ParentColor is set.
    void SyncParentFont();
    void SyncParentColor();
    // The control's font changed: clears ParentFont, repaints, sends CM_FONTCHANGED.
    virtual void FontChanged();
    // Applies the bounds without realignment (used by the alignment itself).
    void UpdateBounds(int ALeft, int ATop, int AWidth, int AHeight);
    // Moves the native window (windowed controls) after the bounds changed.
    virtual void BoundsChanged() {}

    // Message handlers
    virtual void WMLButtonDown(TWMMouse& Message);
    virtual void WMLButtonUp(TWMMouse& Message);
    virtual void WMLButtonDblClk(TWMMouse& Message);
    virtual void WMRButtonDown(TWMMouse& Message);
    virtual void WMRButtonUp(TWMMouse& Message);
    virtual void WMMButtonDown(TWMMouse& Message);
    virtual void WMMButtonUp(TWMMouse& Message);
    virtual void WMMouseMove(TWMMouse& Message);
    virtual void CMMouseEnter(TMessage& Message);
    virtual void CMMouseLeave(TMessage& Message);
    virtual void CMEnabledChanged(TMessage& Message);
    virtual void CMVisibleChanged(TMessage& Message);
    virtual void CMTextChanged(TMessage& Message);
    virtual void CMFontChanged(TMessage& Message);
    virtual void CMColorChanged(TMessage& Message);
    virtual void CMParentFontChanged(TMessage& Message);
    virtual void CMParentColorChanged(TMessage& Message);
    virtual void CMHitTest(TMessage& Message);
    virtual void CMDialogChar(TCMDialogChar& Message);
    virtual void CMCancelMode(TMessage& Message);

    std::unique_ptr<TFont> font_;
    TControlStyle controlStyle_;
    TControlState controlState_;

private:
    friend class TWinControl;
    friend class TCustomForm;
    friend class TDragDriver;
    void DoMouseDown(TWMMouse& Message, TMouseButton Button, TShiftState Extra);
    void DoMouseUp(TWMMouse& Message, TMouseButton Button);
    // The children (and theirs) that follow their parent's ShowHint take this control's.
    void SpreadShowHint();
    // Shows the popup menu for a right click that nobody handled.
    void ShowPopupAt(const TWMMouse& Message);
    // A left button press on a control in dmAutomatic mode starts a drag instead of a click.
    bool StartsAutomaticDrag(const TMessage& Message);

    TWinControl* parent_ = nullptr;
    int left_ = 0;
    int top_ = 0;
    int width_ = 0;
    int height_ = 0;
    TAlign align_ = alNone;
    bool visible_ = true;
    bool enabled_ = true;
    std::string text_;
    TColor color_ = clWindow;
    bool parentColor_ = false;
    bool parentFont_ = true;
    bool fontSyncing_ = false;
    TCursor cursor_ = crDefault;
    std::string hint_;
    bool showHint_ = false;
    bool parentShowHint_ = true;
    TPopupMenu* popupMenu_ = nullptr;
    int helpContext_ = 0;
    TDragMode dragMode_ = dmManual;
    TCursor dragCursor_ = crDrag;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

class TWinControl : public TControl {
    VANTREL_CLASS(TWinControl, TControl)

    explicit TWinControl(TComponent* AOwner);
    ~TWinControl() override;

    void WndProc(TMessage& Message) override;
    void Dispatch(TMessage& Message) override;
    // The window's own procedure: native controls take their input here; others answer the
    // Win32 defaults (erase fills with the colour, hit test answers HTCLIENT...).
    void DefaultHandler(TMessage& Message) override;

    // Children, in z-order (the last is on top).
    int ControlCount() const { return static_cast<int>(controls_.size()); }
    TControl* Controls(int Index) const;
    void InsertControl(TControl* AControl);
    void RemoveControl(TControl* AControl);
    bool ContainsControl(const TControl* Control) const;
    // The visible, enabled child at a client point (windowless ones only unless AllowWin).
    TControl* ControlAtPos(const TPoint& Pos, bool AllowDisabled, bool AllowWinControls = false);
    // Lays the aligned children out again: top, bottom, left, right, then client.
    void Realign();
    void DisableAlign();
    void EnableAlign();

    // Window handle, created on demand (the parent's first).
    HWND Handle();
    bool HandleAllocated() const;
    void HandleNeeded() { Handle(); }
    void RecreateWnd();

    // Focus and tab order
    int TabOrder() const;
    void SetTabOrder(int Value);
    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool Value);
    // The tab-stop children in tab order (one level).
    std::vector<TWinControl*> TabList() const;
    // Every focusable descendant in tab order, depth first.
    void GetTabOrderList(std::vector<TWinControl*>& List) const;
    // The next control from CurControl in tab order (wrapping); nullptr when none.
    TWinControl* FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop,
                                 bool CheckParent) const;
    void SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop);
    virtual bool CanFocus() const;
    bool Focused() const;
    virtual void SetFocus();

    bool Ctl3D() const { return ctl3D_; }
    void SetCtl3D(bool Value);
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle Value);

    TRect ClientRect() const override;
    TPoint ClientOrigin() const override;
    bool PlacedOnScreen() const override;
    bool Showing() const override;
    void Invalidate() override;
    void Repaint() override;
    void Update() override;
    void SetEnabled(bool Value) override;

    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;
    TKeyEvent OnKeyUp;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;

    // Internal to the layer.
    TWinControlImpl* Impl() const { return impl_.get(); }

protected:
    virtual void CreateParams(TCreateParams& Params);
    // Makes the window (the control's Qt widget, placed and shown as the control says).
    virtual void CreateWnd();
    virtual void DestroyWnd();
    // Children with their own alignment; the default places them by Align.
    virtual void AlignControls(TControl* AControl, TRect& Rect);
    // Paints the windowless children over the control (at their bounds, in z-order).
    void PaintControls();
    // A child moved or changed size.
    virtual void ChildBoundsChanged(TControl*) {}
    // The virtual key events; each fires its event and returns with Key 0 when swallowed.
    virtual void KeyDown(Word& Key, TShiftState Shift);
    virtual void KeyUp(Word& Key, TShiftState Shift);
    virtual void KeyPress(char& Key);
    // Runs the form's preview and the key events; true when the key was swallowed.
    bool DoKeyDown(TWMKey& Message);
    bool DoKeyUp(TWMKey& Message);
    bool DoKeyPress(TWMKey& Message);
    using TKeyStep = bool (TWinControl::*)(TWMKey& Message);
    // The form's preview (KeyPreview) through Step; true when the key was swallowed there or
    // the control is gone.
    bool PreviewKey(TWMKey& Message, TKeyStep Step);
    // A key message: Step (when given) and, unless it swallowed the key, the default handling.
    void HandleKeyMessage(TWMKey& Message, TKeyStep Step);
    void DoEnter();
    void DoExit();
    void Resize() override;
    void BoundsChanged() override;
    void VisibleChanging() override;

    virtual void WMKeyDown(TWMKey& Message);
    virtual void WMKeyUp(TWMKey& Message);
    virtual void WMChar(TWMKey& Message);
    virtual void WMSysKeyDown(TWMKey& Message);
    virtual void WMSysKeyUp(TWMKey& Message);
    virtual void WMSysChar(TWMKey& Message);
    virtual void WMSetFocus(TWMSetFocus& Message);
    virtual void WMKillFocus(TWMKillFocus& Message);
    virtual void WMGetDlgCode(TWMGetDlgCode& Message);
    virtual void WMTimer(TWMTimer& Message);
    virtual void WMSize(TWMSize& Message);
    virtual void WMPaint(TWMPaint& Message);
    virtual void WMEraseBkgnd(TWMEraseBkgnd& Message);
    virtual void WMSetCursor(TWMSetCursor& Message);
    virtual void WMNCHitTest(TWMNCHitTest& Message);
    virtual void WMVScroll(TWMScroll& Message);
    virtual void WMHScroll(TWMScroll& Message);
    virtual void WMCommand(TWMCommand& Message);
    virtual void WMCut(TMessage& Message);
    virtual void WMCopy(TMessage& Message);
    virtual void WMPaste(TMessage& Message);
    virtual void WMClear(TMessage& Message);
    virtual void CMEnter(TMessage& Message);
    virtual void CMExit(TMessage& Message);
    // A dialog key (Tab, arrows, Enter, Esc) the focused control did not want.
    virtual void CMDialogKey(TCMDialogKey& Message);
    virtual void CMDialogChar(TCMDialogChar& Message) override;
    // Offered to every parent of the focused control before the key goes anywhere; 1 = taken.
    virtual void CMChildKey(TMessage& Message);
    virtual void CMWantSpecialKey(TCMWantSpecialKey& Message);
    void CMFontChanged(TMessage& Message) override;
    void CMColorChanged(TMessage& Message) override;
    void CMEnabledChanged(TMessage& Message) override;
    void CMVisibleChanged(TMessage& Message) override;
    void CMTextChanged(TMessage& Message) override;

private:
    friend class TWinControlImpl;
    friend class TControl;
    void DoAlign(TAlign Which, TRect& Rect);
    std::vector<TControl*> AlignList(TAlign Which) const;
    void PaintHandler(TWMPaint& Message);
    // The width of the border around the client area.
    int BorderSize() const;
    // The focus leaves this control and its children (when one of them has it) for the form.
    void LeaveFocus();

    std::vector<TControl*> controls_;
    std::vector<TWinControl*> tabList_;
    std::unique_ptr<TWinControlImpl> impl_;
    bool tabStop_ = false;
    bool ctl3D_ = true;
    TBorderStyle borderStyle_ = bsNone;
    int alignDisabled_ = 0;
    bool aligning_ = false;
};

// A windowed control that paints itself on its Canvas in Paint.
class TCustomControl : public TWinControl {
    VANTREL_CLASS(TCustomControl, TWinControl)

    explicit TCustomControl(TComponent* AOwner);
    ~TCustomControl() override;

    // Draws on the control's back buffer, inside or outside a paint.
    TCanvas* Canvas();

protected:
    virtual void Paint() {}
    void WMPaint(TWMPaint& Message) override;
};

// A windowless control painted on its parent's canvas.
class TGraphicControl : public TControl {
    VANTREL_CLASS(TGraphicControl, TControl)

    explicit TGraphicControl(TComponent* AOwner);
    ~TGraphicControl() override;

    // The parent's canvas, offset and clipped to this control while it paints; outside a
    // paint a canvas of its own on the parent's back buffer, offset and clipped the same way.
    TCanvas* Canvas();

protected:
    friend class TWinControl;
    virtual void Paint() {}

private:
    void PaintOn(TCanvas* ParentCanvas);
    TCanvas* canvas_ = nullptr;
    std::unique_ptr<TCanvas> ownCanvas_;
};

// Makes a control for a form built in code: owned by Owner, named, placed on Parent at the
// given bounds.
template <typename T>
T* MakeChild(TComponent* Owner, const std::string& Name, TWinControl* Parent, int X, int Y, int W,
             int H) {
    T* c = new T(Owner);
    c->SetName(Name);
    c->SetParent(Parent);
    c->SetBounds(X, Y, W, H);
    return c;
}

// As MakeChild, with the control's caption.
template <typename T>
T* MakeChild(TComponent* Owner, const std::string& Name, TWinControl* Parent, int X, int Y, int W,
             int H, const std::string& Caption) {
    T* c = MakeChild<T>(Owner, Name, Parent, X, Y, W, H);
    c->SetCaption(Caption);
    return c;
}
