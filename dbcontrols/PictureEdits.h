// The picture-checked edits: TdwDBPicture, the picture settings of an edit (a picture of the
// record-picture language of PictureValidator.h, auto-fill of literals, whether the user may
// leave with text that fails the picture); TdwCustomMaskEdit, a masked edit that checks every
// keystroke against the picture; and TdwDBCustomEdit, its data-aware form over one field of a
// dataset.
//
// Promises: a keystroke that would make the text fail its picture at the end of the text is
// refused with a beep, never stored; a text that fails the picture is not posted (the update
// raises the user message PictureValidateError) and, unless AllowInvalidExit, the user cannot
// leave the edit with it. A dataset that keeps a picture for the edit's field (its PictureMasks
// line) overrides the edit's own picture, and then AllowInvalidExit reads False. The data-aware
// edit completes dates and times with the space bar from the test-settable clock.
//
// An edit may be multi-line (word wrap, optional vertical scroll bar, Enter kept with
// WantReturns); a borderless one is multi-line too, as the grid's cells need. The data-aware
// edit shows its field right-aligned or centred like the field while it has no focus, left-
// aligned while editing. Placed on a data-aware grid (an attached control of a cell) it hands
// the grid the keys that move between cells and records, and Enter, Esc and Tab end the editing
// there; keys reach the grid only once the grid has taken the focus, so a text the edit refuses
// to leave never loses its record. Cut and paste start editing and are checked against the
// picture like typing; CM_GETDATALINK answers the field data link.
#pragma once

#include "db/DB.h"
#include "platform/gui/Mask.h"

#include <functional>
#include <memory>
#include <string>

class TdwCustomMaskEdit;
class TdwDBCustomEdit;
class TdwCustomDBGrid;

class TdwDBPicture : public TPersistent {
    VANTREL_CLASS(TdwDBPicture, TPersistent)

    explicit TdwDBPicture(TdwCustomMaskEdit* Owner) : owner_(Owner) {}

    std::string PictureMask() const;
    void SetPictureMask(const std::string& Value);
    bool AutoFill() const;
    void SetAutoFill(bool Value);
    bool AllowInvalidExit() const;
    void SetAllowInvalidExit(bool Value);
    // From another picture: the mask and auto-fill (not AllowInvalidExit).
    void Assign(TPersistent* Source) override;

private:
    // The linked field whose dataset keeps the picture, or nullptr.
    TField* LinkedField() const;
    void WriteEntry();

    TdwCustomMaskEdit* owner_;
    std::string pictureMask_;
    bool autoFill_ = true;
    bool allowInvalidExit_ = false;
};

using TdwValidateEvent = std::function<void(TObject* Sender, bool PassesPictureTest)>;

class TdwCustomMaskEdit : public TCustomMaskEdit {
    VANTREL_CLASS(TdwCustomMaskEdit, TCustomMaskEdit)

    explicit TdwCustomMaskEdit(TComponent* AOwner);
    ~TdwCustomMaskEdit() override;

    TdwDBPicture* Picture() const { return picture_.get(); }
    void SetPicture(TdwDBPicture* Value) { picture_->Assign(Value); }
    bool PictureChecking() const { return pictureChecking_; }
    void SetPictureChecking(bool Value) { pictureChecking_ = Value; }
    bool WantReturns() const { return wantReturns_; }
    void SetWantReturns(bool Value) { SetStyleFlag(wantReturns_, Value); }
    bool MultiLine() const { return multiLine_; }
    void SetMultiLine(bool Value) { SetStyleFlag(multiLine_, Value); }
    bool VertScrollBar() const { return vertScrollBar_; }
    void SetVertScrollBar(bool Value) { SetStyleFlag(vertScrollBar_, Value); }
    // Set when leaving was refused for a text that fails the picture.
    bool ExitRefused() const { return exitRefused_; }

    // The field whose dataset may keep this edit's picture; none here.
    virtual TField* PictureField() const { return nullptr; }
    // Whether the text passes the picture (an empty text or picture always does); fires
    // OnCheckValue with the outcome.
    bool IsValidPictureValue(const std::string& Text);

    TdwValidateEvent OnCheckValue;

protected:
    // Called before a keystroke changes the text; the data-aware edit starts editing there.
    virtual void EditHook() {}
    // The text cannot be changed by the user.
    virtual bool TextLocked() const { return ReadOnly(); }
    // Checks Key against the picture; true when it changed the text itself.
    bool CheckPictureKey(char& Key);
    // Puts the caret at Pos, nothing selected.
    void PlaceCaret(int Pos);
    void KeyPress(char& Key) override;
    void KeyUp(Word& Key, TShiftState Shift) override;
    void CMExit(TMessage& Message) override;
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void CMFontChanged(TMessage& Message) override;
    void WMVScroll(TWMScroll& Message) override;
    bool keyChangedText_ = false;
    bool exitRefused_ = false;

private:
    bool HasPicture() const { return pictureChecking_ && !picture_->PictureMask().empty(); }
    void CheckBackspace();
    // Sets a flag of the window style; a made window is made again.
    void SetStyleFlag(bool& Flag, bool Value);
    // The text fills the client area (left inset 2 without a border).
    void SetFormattingRect();

    std::unique_ptr<TdwDBPicture> picture_;
    bool multiLine_ = false;
    bool pictureChecking_ = false;
    bool wantReturns_ = false;
    bool vertScrollBar_ = false;
};

// What an edit without a field completes with the space bar.
enum TdwValueKind { vkNone, vkDate, vkTime, vkDateTime };

class TdwDBCustomEdit : public TdwCustomMaskEdit {
    VANTREL_CLASS(TdwDBCustomEdit, TdwCustomMaskEdit)

    explicit TdwDBCustomEdit(TComponent* AOwner);
    ~TdwDBCustomEdit() override;

    TDataSource* DataSource() const { return dataLink_->DataSource(); }
    void SetDataSource(TDataSource* Value) { dataLink_->SetDataSource(Value); }
    const std::string& DataField() const { return dataLink_->FieldName(); }
    void SetDataField(const std::string& Value) { dataLink_->SetFieldName(Value); }
    TField* Field() const { return dataLink_->Field(); }
    TFieldDataLink* DataLink() const { return dataLink_.get(); }
    TAlignment FieldAlignment() const { return alignment_; }
    bool DateTimeCompletion() const { return dateTimeCompletion_; }
    void SetDateTimeCompletion(bool Value) { dateTimeCompletion_ = Value; }
    TdwValueKind ValueKind = vkNone;

    TField* PictureField() const override { return Field(); }
    // The data-aware grid this edit is placed on, or nullptr.
    TdwCustomDBGrid* Grid() const;
    // Pixels between the client edge and the text painted without focus.
    int TextMargin() const;

    bool PaintsItself() const override;
    void PaintEdit(TCanvas* Canvas, const TRect& Client) override;

protected:
    void EditHook() override;
    bool TextLocked() const override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;
    void CMEnter(TMessage& Message) override;
    void CMExit(TMessage& Message) override;
    void CMWantSpecialKey(TCMWantSpecialKey& Message) override;
    void Dispatch(TMessage& Message) override;
    void WMCut(TMessage& Message) override;
    void WMPaste(TMessage& Message) override;

private:
    void DataChange(TObject* Sender);
    void EditingChange(TObject* Sender);
    void UpdateData(TObject* Sender);
    bool IsDateField() const;
    bool IsTimeField() const;
    bool IsDateTimeField() const;
    bool IsMemoField() const;
    // The space bar's date and time completion; true when it took the key.
    bool CompleteDateTime();
    // Starts editing and marks the text changed; false when the text cannot change.
    bool StartChange();
    // Whether the key goes to the grid the edit is placed on (a navigation key there).
    bool IsGridKey(Word Key, TShiftState Shift) const;
    // The grid takes the focus and, when it got it, the key; Key is cleared.
    void HandToGrid(Word& Key, TShiftState Shift);
    // Navigation keys go to the grid; any other key is offered to the grid's key event first.
    void OfferKeyToGrid(TdwCustomDBGrid* Grid, Word& Key, TShiftState Shift);
    // Before a cut or paste: the dataset edits (or the edit is editable without a field).
    bool BeginClipboardChange();
    // After one: the record changed; the text is checked against the picture.
    void EndClipboardChange();
    std::string ShownText() const;

    std::unique_ptr<TFieldDataLink> dataLink_;
    TAlignment alignment_ = taLeftJustify;
    bool focused_ = false;
    bool dateTimeCompletion_ = true;
};
