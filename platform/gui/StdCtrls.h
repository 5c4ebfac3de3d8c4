// The standard controls: label, push button, edit, memo, check box, radio button, combo box,
// list box, group box and scroll bar. The windowed ones wrap a Qt widget and take their input
// through the layer's messages; edits keep the Win32 edit messages (EM_GETSEL, EM_SETSEL,
// EM_GETMODIFY, EM_SETMODIFY, EM_SETRECT, WM_CUT, WM_COPY, WM_PASTE, WM_CLEAR, which reach the
// WMCut... handlers first) and the clipboard's text form. An edit's window is single-line, or
// multi-line with the ES_MULTILINE style (wrapping at its width without ES_AUTOHSCROLL, a
// vertical scroll bar with WS_VSCROLL); positions in a multi-line text count CR LF as two.
#pragma once

#include "platform/gui/Forms.h"

#include <memory>
#include <string>

enum TAlignment { taLeftJustify, taRightJustify, taCenter };

// Edit window styles.
constexpr DWORD ES_MULTILINE = 0x0004;
constexpr DWORD ES_AUTOVSCROLL = 0x0040;
constexpr DWORD ES_AUTOHSCROLL = 0x0080;
constexpr DWORD ES_WANTRETURN = 0x1000;
enum TTextLayout { tlTop, tlCenter, tlBottom };

class TLabel : public TGraphicControl {
    VANTREL_CLASS(TLabel, TGraphicControl)

    explicit TLabel(TComponent* AOwner);

    TWinControl* FocusControl() const { return focusControl_; }
    void SetFocusControl(TWinControl* Value);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment Value);
    TTextLayout Layout() const { return layout_; }
    void SetLayout(TTextLayout Value);
    // The size follows the text (the width too unless WordWrap).
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool Value);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool Value);
    // A transparent label paints only its text over the parent.
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool Value);
    // "&" marks the mnemonic when set.
    bool ShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool Value);
    void Notification(TComponent* AComponent, TOperation Operation) override;

protected:
    void Paint() override;
    void AdjustBounds();
    UINT TextFormat() const;
    void CMTextChanged(TMessage& Message) override;
    void CMFontChanged(TMessage& Message) override;
    void CMDialogChar(TCMDialogChar& Message) override;

private:
    TWinControl* focusControl_ = nullptr;
    TAlignment alignment_ = taLeftJustify;
    TTextLayout layout_ = tlTop;
    bool autoSize_ = true;
    bool wordWrap_ = false;
    bool transparent_ = false;
    bool showAccelChar_ = true;
};

class TButton : public TWinControl {
    VANTREL_CLASS(TButton, TWinControl)

    explicit TButton(TComponent* AOwner);

    // The default button takes Enter when no other button has the focus.
    bool Default() const { return default_; }
    void SetDefault(bool Value);
    // The cancel button takes Esc.
    bool Cancel() const { return cancel_; }
    void SetCancel(bool Value) { cancel_ = Value; }
    // Set on the form when the button is clicked, which ends a modal form.
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int Value) { modalResult_ = Value; }
    void Click() override;

protected:
    // True when Enter presses this button: it has the focus, or it is the default button and
    // the focus is on no other button.
    bool ActiveDefault() const;
    void WMGetDlgCode(TWMGetDlgCode& Message) override;
    void CMDialogKey(TCMDialogKey& Message) override;
    void CMDialogChar(TCMDialogChar& Message) override;
    void CMTextChanged(TMessage& Message) override;
    void CMEnter(TMessage& Message) override;
    void CMExit(TMessage& Message) override;

private:
    bool default_ = false;
    bool cancel_ = false;
    int modalResult_ = 0;
};

class TCustomEdit : public TWinControl {
    VANTREL_CLASS(TCustomEdit, TWinControl)

    explicit TCustomEdit(TComponent* AOwner);

    // 0 = no limit.
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int Value);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool Value);
    // Shown instead of every character when not #0.
    char PasswordChar() const { return passwordChar_; }
    void SetPasswordChar(char Value);
    // Everything is selected when the focus arrives by keyboard.
    bool AutoSelect() const { return autoSelect_; }
    void SetAutoSelect(bool Value) { autoSelect_ = Value; }
    bool Modified() const;
    void SetModified(bool Value);
    int SelStart() const;
    void SetSelStart(int Value);
    int SelLength() const;
    void SetSelLength(int Value);
    std::string SelText() const;
    void SetSelText(const std::string& Value);
    void SelectAll();
    void ClearSelection();
    void Clear() { SetText(""); }
    void CopyToClipboard();
    void CutToClipboard();
    void PasteFromClipboard();
    void Undo();

    // While this answers true the edit's window shows what PaintEdit draws (on a canvas over
    // Client, the area inside the frame) instead of the native edit's own drawing.
    virtual bool PaintsItself() const { return false; }
    virtual void PaintEdit(TCanvas* /*Canvas*/, const TRect& /*Client*/) {}
    void Invalidate() override;

    TNotifyEvent OnChange;

protected:
    virtual void Change();
    void CreateParams(TCreateParams& Params) override;
    std::string GetText() const override;
    void SetTextValue(const std::string& Value) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void Dispatch(TMessage& Message) override;
    void DefaultHandler(TMessage& Message) override;
    void WMGetDlgCode(TWMGetDlgCode& Message) override;
    void CMEnter(TMessage& Message) override;
    // The text as the widget holds it (the stored text while there is no widget).
    virtual std::string WidgetText() const;
    virtual void SetWidgetText(const std::string& Value);
    virtual void GetSelection(int& Start, int& End) const;
    virtual void SetSelection(int Start, int End);
    virtual void ReplaceSelection(const std::string& Value);
    // Keeps what the widget knew when it goes away.
    void SaveWidgetState();
    // The text's formatting rectangle (EM_SETRECT), in client coordinates.
    void SetFormatRect(const TRect& R);

    bool settingText_ = false;

private:
    int maxLength_ = 0;
    bool readOnly_ = false;
    char passwordChar_ = 0;
    bool autoSelect_ = true;
    bool modified_ = false;
    int selStart_ = 0;
    int selEnd_ = 0;
};

class TEdit : public TCustomEdit {
    VANTREL_CLASS(TEdit, TCustomEdit)
    explicit TEdit(TComponent* AOwner);
};

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

class TMemo : public TCustomEdit {
    VANTREL_CLASS(TMemo, TCustomEdit)

    explicit TMemo(TComponent* AOwner);
    ~TMemo() override;

    // The text as lines (changing them changes the memo).
    TStrings* Lines() const { return lines_.get(); }
    void SetLines(TStrings* Value) { lines_->Assign(Value); }
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool Value);
    TScrollStyle ScrollBars() const { return scrollBars_; }
    void SetScrollBars(TScrollStyle Value);
    bool WantTabs() const { return wantTabs_; }
    void SetWantTabs(bool Value) { wantTabs_ = Value; }
    bool WantReturns() const { return wantReturns_; }
    void SetWantReturns(bool Value) { wantReturns_ = Value; }

protected:
    void WMGetDlgCode(TWMGetDlgCode& Message) override;
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;

private:
    void ApplyWrap();
    std::unique_ptr<TStrings> lines_;
    bool wordWrap_ = true;
    TScrollStyle scrollBars_ = ssNone;
    bool wantTabs_ = false;
    bool wantReturns_ = true;
};

enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

class TCheckBox : public TWinControl {
    VANTREL_CLASS(TCheckBox, TWinControl)

    explicit TCheckBox(TComponent* AOwner);

    bool Checked() const { return state_ == cbChecked; }
    void SetChecked(bool Value) { SetState(Value ? cbChecked : cbUnchecked); }
    TCheckBoxState State() const { return state_; }
    // A change runs OnClick.
    void SetState(TCheckBoxState Value);
    bool AllowGrayed() const { return allowGrayed_; }
    void SetAllowGrayed(bool Value);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment Value);
    // The user's click: unchecked, checked, then grayed when allowed.
    void Toggle();

protected:
    void CreateWnd() override;
    void WMGetDlgCode(TWMGetDlgCode& Message) override;
    void CMDialogChar(TCMDialogChar& Message) override;
    void CMTextChanged(TMessage& Message) override;

private:
    TCheckBoxState state_ = cbUnchecked;
    bool allowGrayed_ = false;
    TAlignment alignment_ = taRightJustify;
};

class TRadioButton : public TWinControl {
    VANTREL_CLASS(TRadioButton, TWinControl)

    explicit TRadioButton(TComponent* AOwner);

    bool Checked() const { return checked_; }
    // Checking one clears the other radio buttons of the same parent; a change runs OnClick.
    void SetChecked(bool Value);

protected:
    void CreateWnd() override;
    void WMGetDlgCode(TWMGetDlgCode& Message) override;
    void CMDialogChar(TCMDialogChar& Message) override;
    void CMTextChanged(TMessage& Message) override;
    // Moving onto a radio button with the arrow keys checks it, as in a Win32 dialog.
    void CMEnter(TMessage& Message) override;

private:
    bool checked_ = false;
};

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList };

class TCustomListControl : public TWinControl {
    VANTREL_CLASS(TCustomListControl, TWinControl)

    explicit TCustomListControl(TComponent* AOwner);
    ~TCustomListControl() override;

    TStrings* Items() const;
    void SetItems(TStrings* Value);
    // -1 = nothing selected; setting an index outside the items selects nothing.
    int ItemIndex() const;
    void SetItemIndex(int Value);
    bool Sorted() const;
    void SetSorted(bool Value);
    void Clear();

    // Internal to the layer: the items changed.
    virtual void ItemsChanged();

protected:
    virtual int WidgetIndex() const = 0;
    virtual void SetWidgetIndex(int Value) = 0;
    virtual void FillWidget() = 0;
    std::unique_ptr<TStringList> items_;
    int itemIndex_ = -1;
    bool updating_ = false;
};

class TComboBox : public TCustomListControl {
    VANTREL_CLASS(TComboBox, TCustomListControl)

    explicit TComboBox(TComponent* AOwner);

    TComboBoxStyle Style() const { return style_; }
    void SetStyle(TComboBoxStyle Value);
    int DropDownCount() const { return dropDownCount_; }
    void SetDropDownCount(int Value);
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int Value);
    bool DroppedDown() const;
    void SetDroppedDown(bool Value);
    void SelectAll();

    // A change by the user (typing or choosing an item); not a change by the program.
    TNotifyEvent OnChange;
    TNotifyEvent OnDropDown;

protected:
    virtual void Change();
    std::string GetText() const override;
    void SetTextValue(const std::string& Value) override;
    void CreateWnd() override;
    void WMGetDlgCode(TWMGetDlgCode& Message) override;
    int WidgetIndex() const override;
    void SetWidgetIndex(int Value) override;
    void FillWidget() override;

private:
    void UserSelected(int Index);
    TComboBoxStyle style_ = csDropDown;
    int dropDownCount_ = 8;
    int maxLength_ = 0;
};

class TListBox : public TCustomListControl {
    VANTREL_CLASS(TListBox, TCustomListControl)

    explicit TListBox(TComponent* AOwner);

    bool MultiSelect() const { return multiSelect_; }
    void SetMultiSelect(bool Value);
    bool Selected(int Index) const;
    void SetSelected(int Index, bool Value);
    int SelCount() const;
    int TopIndex() const;
    void SetTopIndex(int Value);
    // The item at a client point, -1 when none.
    int ItemAtPos(const TPoint& Pos) const;

protected:
    void CreateWnd() override;
    void WMGetDlgCode(TWMGetDlgCode& Message) override;
    void WMLButtonDblClk(TWMMouse& Message) override;
    int WidgetIndex() const override;
    void SetWidgetIndex(int Value) override;
    void FillWidget() override;

private:
    bool multiSelect_ = false;
};

class TGroupBox : public TCustomControl {
    VANTREL_CLASS(TGroupBox, TCustomControl)

    explicit TGroupBox(TComponent* AOwner);

protected:
    void Paint() override;
    // Aligned children stay inside the frame, below the caption.
    void AlignControls(TControl* AControl, TRect& Rect) override;
    void CMDialogChar(TCMDialogChar& Message) override;
    void CMTextChanged(TMessage& Message) override;
};

enum TScrollCode {
    scLineUp,
    scLineDown,
    scPageUp,
    scPageDown,
    scPosition,
    scTrack,
    scTop,
    scBottom,
    scEndScroll
};
using TScrollEvent = std::function<void(TObject* Sender, TScrollCode ScrollCode, int& ScrollPos)>;

class TScrollBar : public TWinControl {
    VANTREL_CLASS(TScrollBar, TWinControl)

    explicit TScrollBar(TComponent* AOwner);

    TScrollBarKind Kind() const { return kind_; }
    void SetKind(TScrollBarKind Value);
    int Min() const { return min_; }
    int Max() const { return max_; }
    int Position() const { return position_; }
    void SetMin(int Value) { SetParams(position_, Value, max_); }
    void SetMax(int Value) { SetParams(position_, min_, Value); }
    // The position is kept inside Min..Max; a change runs OnChange.
    void SetPosition(int Value) { SetParams(Value, min_, max_); }
    void SetParams(int APosition, int AMin, int AMax);
    int SmallChange() const { return smallChange_; }
    void SetSmallChange(int Value);
    int LargeChange() const { return largeChange_; }
    void SetLargeChange(int Value);

    TNotifyEvent OnChange;
    TScrollEvent OnScroll;

protected:
    void CreateWnd() override;
    void WMGetDlgCode(TWMGetDlgCode& Message) override;
    // The arrows, page keys, Home and End scroll as on a Win32 scroll bar.
    void KeyDown(Word& Key, TShiftState Shift) override;

private:
    void Scrolled(TScrollCode Code, int Pos);
    void SyncWidget();
    TScrollBarKind kind_ = sbHorizontal;
    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
    int smallChange_ = 1;
    int largeChange_ = 1;
};
