// The base entry field: a single-line edit control that owns the edit text, the caret and the
// selection, the options shared by every field kind, the typed value (one of sixteen data kinds
// moved as raw bytes), the range limits, validation on leaving the field with its error report,
// and the translation of keys, mouse actions and clipboard messages into editing commands. What a
// command does to the text, and how the text becomes a value, is up to the descendants.
#pragma once

#include "controls/entry/Carets.h"
#include "controls/entry/ColorPair.h"
#include "controls/entry/DayNumberDates.h"
#include "controls/entry/EntryController.h"
#include "controls/entry/RegionalConventions.h"
#include "controls/entry/UserMasks.h"
#include "platform/gui/Menus.h"

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

// Data kinds of a field's value.
enum : Byte {
    fsString,
    fsChar,
    fsBoolean,
    fsYesNo,
    fsLongInt,
    fsWord,
    fsInteger,
    fsByte,
    fsShortInt,
    fsReal,
    fsExtended,
    fsDouble,
    fsSingle,
    fsComp,
    fsDate,
    fsTime
};
constexpr Byte DataKindMask = 0x3F;

// Field classes.
constexpr Byte fcSimple = 0;
constexpr Byte fcPicture = 1;
constexpr Byte fcNumeric = 2;

// Error codes of the built-in checks; the program's own codes start at 0x8000.
constexpr Word epRange = 256;
constexpr Word epInvalid = 257;
constexpr Word epRequired = 258;
constexpr Word epInvalidDate = 259;
constexpr Word epInvalidTime = 260;
constexpr Word epBlanks = 261;
constexpr Word epPartial = 262;
constexpr Word epUserFirst = 0x8000;

// TransferData operations.
constexpr int otSize = 0;
constexpr int otGet = 1;
constexpr int otSet = 2;

// A raw value of any kind (the largest, Extended, takes 10 bytes; a string takes MaxLength + 1).
using TVcRangeValue = std::array<Byte, 10>;

enum TZeroDisplay { zdShow, zdHide, zdHideUntilModified };

// A picture mask: picture characters and literals (see IsPictureChar).
using TPictureMask = std::string;

// The 36 picture characters; every other mask character is a literal.
bool IsPictureChar(char C);
// The picture characters without the date and time letters.
bool IsNonDatePictureChar(char C);
// The character as a picture character stores it: its case rule applied, prev being the
// character before it ("x" and the mixed-case user characters start words after a blank or
// "-"; #0 means there is no previous character, and then nothing is converted).
char PictureConvertCase(char MaskChar, char C, char Prev, const TVcUserData& User);
// True when a position of this picture character takes the (already converted) character.
bool PictureAccepts(char MaskChar, char C, const TVcUserData& User, const TVcIntlSup& Intl);

// Bytes of a value of the kind (strings: stringSize, the MaxLength + 1 of the field).
int DataKindSize(Byte Kind, int StringSize);
bool IsIntegerKind(Byte Kind); // LongInt .. ShortInt
// The values a kind holds (LongInt .. Time); false for the kinds without a range.
bool DataKindRange(Byte Kind, long double& Low, long double& High);
bool IsRealKind(Byte Kind); // Real .. Comp
// Reading and writing raw values, little-endian, by kind (LongInt .. Time).
long double RawToNumber(const Byte* Raw, Byte Kind);
void NumberToRaw(long double Value, Byte Kind, Byte* Raw);

// The text of an integer value of the kind: 8 hexadecimal, 12 octal or 32 binary digits (the last
// 2, 4 or 8 x size of them for 1- and 2-byte kinds) as the mask asks, else the decimal text.
std::string IntegerValueText(Int64 Value, Byte Kind, bool Hex, bool Octal, bool Binary);

using TVcFieldErrorEvent =
    std::function<void(TObject* Sender, Word ErrorCode, const std::string& ErrorMsg)>;
using TVcUserCommandEvent = std::function<void(TObject* Sender, Word Command)>;
using TVcUserValidationEvent = std::function<void(TObject* Sender, Word& ErrorCode)>;

class TVcBaseEntryField : public TVcBase {
    VANTREL_CLASS(TVcBaseEntryField, TVcBase)

    explicit TVcBaseEntryField(TComponent* AOwner);
    ~TVcBaseEntryField() override;

    // ----- Options
    bool ArrowIncDec() const { return arrowIncDec_; }
    void SetArrowIncDec(bool Value);
    bool AutoAdvanceChar() const { return autoAdvanceChar_; }
    void SetAutoAdvanceChar(bool Value) { autoAdvanceChar_ = Value; }
    bool AutoAdvanceLeftRight() const { return autoAdvanceLeftRight_; }
    void SetAutoAdvanceLeftRight(bool Value) { autoAdvanceLeftRight_ = Value; }
    bool AutoAdvanceUpDown() const { return autoAdvanceUpDown_; }
    void SetAutoAdvanceUpDown(bool Value);
    bool AutoSelect() const { return autoSelect_; }
    void SetAutoSelect(bool Value) { autoSelect_ = Value; }
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool Value);
    bool BeepOnError() const { return beepOnError_; }
    void SetBeepOnError(bool Value) { beepOnError_ = Value; }
    TBorderStyle BorderStyle() const { return TVcBase::BorderStyle(); }
    void SetBorderStyle(TBorderStyle Value);
    const std::shared_ptr<TVcCaret>& CaretIns() const { return caretPair_->CaretIns(); }
    void SetCaretIns(std::shared_ptr<TVcCaret> Value) { caretPair_->SetCaretIns(std::move(Value)); }
    const std::shared_ptr<TVcCaret>& CaretOvr() const { return caretPair_->CaretOvr(); }
    void SetCaretOvr(std::shared_ptr<TVcCaret> Value) { caretPair_->SetCaretOvr(std::move(Value)); }
    TVcCaretPair* CaretPair() const { return caretPair_.get(); }
    bool CaretToEnd() const { return caretToEnd_; }
    void SetCaretToEnd(bool Value);
    TColor ControlCharColor() const { return controlCharColor_; }
    void SetControlCharColor(TColor Value);
    Byte DecimalPlaces() const { return decimalPlaces_; }
    void SetDecimalPlaces(Byte Value);
    TVcColors* DisabledColors() const { return disabledColors_.get(); }
    TVcColors* ErrorColors() const { return errorColors_.get(); }
    TVcColors* HighlightColors() const { return highlightColors_.get(); }
    // 0 uses the controller's; otherwise 1600..3999 (other values are ignored).
    int Epoch() const { return epoch_; }
    void SetEpoch(int Value);
    int EffectiveEpoch() const;
    bool InputRequired() const { return inputRequired_; }
    void SetInputRequired(bool Value);
    bool InsertPushes() const { return insertPushes_; }
    void SetInsertPushes(bool Value);
    bool ForceInsert() const { return forceInsert_; }
    void SetForceInsert(bool Value);
    bool ForceOvertype() const { return forceOvertype_; }
    void SetForceOvertype(bool Value);
    // 1..255 and not below the mask's length; other values are ignored (stored while loading).
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int Value);
    char PadChar() const { return padChar_; }
    void SetPadChar(char Value);
    char PasswordChar() const { return passwordChar_; }
    void SetPasswordChar(char Value);
    bool PasswordMode() const { return passwordMode_; }
    void SetPasswordMode(bool Value);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool Value);
    bool RightAlign() const { return rightAlign_; }
    void SetRightAlign(bool Value);
    bool RightJustify() const { return rightJustify_; }
    void SetRightJustify(bool Value);
    bool SoftValidation() const { return softValidation_; }
    void SetSoftValidation(bool Value);
    bool StripLiterals() const { return stripLiterals_; }
    void SetStripLiterals(bool Value);
    int TextMargin() const { return textMargin_; }
    void SetTextMargin(int Value);
    bool TrimBlanks() const { return trimBlanks_; }
    void SetTrimBlanks(bool Value);
    bool Uninitialized() const { return uninitialized_; }
    void SetUninitialized(bool Value);
    TZeroDisplay ZeroDisplay() const { return zeroDisplay_; }
    void SetZeroDisplay(TZeroDisplay Value);
    double ZeroDisplayValue() const { return zeroDisplayValue_; }
    void SetZeroDisplayValue(double Value);
    bool InsertMode() const { return insertMode_; }

    // ----- Value
    Byte DataKind() const { return dataType_ & DataKindMask; }
    Byte FieldClass() const { return fieldClass_; }
    // Bytes of the value (cached).
    int GetDataSize();
    // Validates and copies the value; the error code (0 = copied).
    Word GetValue(void* Buffer);
    void SetValue(const void* Buffer);
    bool AsBoolean();
    void SetAsBoolean(bool Value);
    double AsDateTime();
    void SetAsDateTime(double Value);
    double AsFloat();
    void SetAsFloat(double Value);
    LongInt AsInteger();
    void SetAsInteger(LongInt Value);
    std::string AsString();
    virtual void SetAsString(const std::string& Value);
    TDayNumber AsDayNumber();
    void SetAsDayNumber(TDayNumber Value);
    std::string RangeHi() const;
    void SetRangeHi(const std::string& Value);
    std::string RangeLo() const;
    void SetRangeLo(const std::string& Value);
    // The binary range properties "RangeHigh" / "RangeLow" (10 bytes each).
    const TVcRangeValue& RangeHighData() const { return rangeHi_; }
    const TVcRangeValue& RangeLowData() const { return rangeLo_; }
    void SetRangeHighData(const TVcRangeValue& Value) { rangeHi_ = Value; }
    void SetRangeLowData(const TVcRangeValue& Value) { rangeLo_ = Value; }

    std::string DisplayString();
    std::string GetDisplayString() { return DisplayString(); }
    const std::string& EditString() const { return text_; }
    bool Modified() const { return modified_; }
    int SelectionLength() const { return selEnd_ - selStart_; }
    int SelStart() const { return selStart_; }
    int SelEnd() const { return selEnd_; }
    int CaretPosition() const { return caret_; }
    int FirstVisible() const { return firstVisible_; }
    Word LastError() const { return lastError_; }
    bool ErrorShown() const { return errorShown_; }
    const TPictureMask& Mask() const { return mask_; }
    TVcIntlSup& Intl() const { return *intl_; }
    TVcUserData& UserData() const { return *userData_; }

    // ----- Validation
    virtual bool ValidateOnExit(bool Soft);
    Word Validate(bool Report);
    bool IsValid();

    // ----- Commands
    // Carries a command out (see the class comment); Message carries its argument.
    void DoCommand(TMessage& Message, Word Command);
    void DoCommand(Word Command) {
        TMessage m{};
        DoCommand(m, Command);
    }
    // Restores the text saved on entry.
    virtual void Restore();
    virtual void IncreaseValue(bool Wrap, double Delta) = 0;
    void DecreaseValue(bool Wrap, double Delta) { IncreaseValue(Wrap, -Delta); }
    void MoveToNextControl();
    void MoveToPrevControl();
    // The last editable position and whether a position holds a literal: the picture fields lay
    // their text out by the mask, every position of a plain field is editable.
    virtual int LastEditPos() { return maxLength_ - 1; }
    virtual bool IsLiteralPos(int /*Position*/) const { return false; }

    // Draws the field on any canvas of its size (Paint draws on the field's own).
    void PaintTo(TCanvas* Canvas);

    TNotifyEvent OnChange;
    TVcFieldErrorEvent OnError;
    TVcUserCommandEvent OnUserCommand;
    TVcUserValidationEvent OnUserValidation;

    // The key and dialog-code handlers, open to editors that wrap a field.
    void WMGetDlgCode(TWMGetDlgCode& Message) override;
    void WMKeyDown(TWMKey& Message) override;

protected:
    // ----- The operations descendants fill in
    void Paint() override;
    virtual void MoveCaretToEnd();
    virtual void CaretToHome();
    virtual void PerformEdit(TMessage& Message, Word Command) = 0;
    virtual int FirstEditPos() { return 0; }
    virtual bool IsEmpty();
    virtual std::string GetDisplayText();
    virtual bool IsReadOnly() { return readOnly_; }
    virtual void ApplyOptions();
    virtual void PlaceCaretOnEntry();
    virtual int TransferData(void* Buffer, int Operation);
    virtual Word ValidateContents() = 0;
    virtual void SetCaretPosition(int Position);
    // After a mask change (descendants rebuild their layout).
    virtual void MaskChanged();
    // Whether the edit text on entry may be saved for Restore (a descendant refuses a text in a
    // temporary editing form).
    virtual bool TextStateSavable() { return true; }
    bool HasSavedText() const { return savedText_.has_value(); }

    // ----- Dynamic operations
    virtual void DoOnChange();
    virtual void DoOnError(Word Code, const std::string& Text);
    virtual void DoOnUserCommand(Word Command);
    virtual void DoOnUserValidation(Word& Code);
    // The field is full after a typed character: passes on to the next control.
    virtual void DoAutoAdvance();
    virtual void AdjustHeight();
    // The context menu's actions.
    void CopyToClipboard();
    void CutToClipboard();
    void PasteFromClipboard();
    void ClearSelection();
    void SelectAll();

    // ----- Helpers for the editors
    void SetMask(const TPictureMask& Value);
    void SetDataTypeByte(Byte Value);
    void SetFieldClass(Byte Value) { fieldClass_ = Value; }
    // Sets the range to the kind's full range.
    void ResetRange();
    // Store an option without the checks and window recreation of the public setters.
    void SetMaxLengthValue(int Value);
    void SetDecimalPlacesValue(Byte Value) { decimalPlaces_ = Value; }
    std::string& Text() { return text_; }
    void SetEditText(const std::string& Value);
    void SetModified(bool Value) { modified_ = Value; }
    void SetSelection(int Start, int End);
    // Moves the caret; Extend grows or shrinks the selection from its anchor.
    void MoveCaret(int Position, bool Extend);
    int Caret() const { return caret_; }
    // Keeps the caret in view and places the platform caret.
    void ScrollToCaret();
    void Beep();
    // The character position under a client x coordinate.
    int PositionAt(int X);
    char MaskCharAt(int Position) const;
    // The picture character tests of the field: in a date field "Y" is a year digit like "y".
    char ConvertChar(char MaskChar, char C, char Prev) const {
        return PictureConvertCase(FieldMaskChar(MaskChar), C, Prev, *userData_);
    }
    bool CharIsOk(char MaskChar, char C) const {
        return PictureAccepts(FieldMaskChar(MaskChar), C, *userData_, *intl_);
    }
    char FieldMaskChar(char MaskChar) const {
        return MaskChar == 'Y' && DataKind() == fsDate ? 'y' : MaskChar;
    }
    // The next (Delta 1) or previous character from Current that the picture character takes
    // as it is, within the field's character range (1..255 when the range is empty); false when
    // there is none, or the end of the range is reached without Wrap.
    bool FindSteppedChar(char MaskChar, char Current, bool Wrap, double Delta, char& Result) const;
    // The other answer letter of a Boolean or YesNo field (the true or yes letter from any
    // other character).
    char ToggleLetter(char Current) const;
    bool HasFocus() const { return hasFocus_; }
    bool Validating() const { return validating_; }
    bool GettingValue() const { return gettingValue_; }
    // Whether validation writes a valid value back as formatted text: for a modified field, but
    // not while a program only reads the value (GetValue from a change handler must leave the
    // text being typed, and the caret in it, as they are).
    bool WriteBackWanted() const { return modified_ && !gettingValue_; }
    bool SettingValue() const { return settingValue_; }
    bool InUserValidation() const { return inUserValidation_; }
    void SetInUserValidation(bool Value) { inUserValidation_ = Value; }
    bool IsHexMask() const { return hexMask_; }
    bool IsOctalMask() const { return octalMask_; }
    bool IsBinaryMask() const { return binaryMask_; }
    void SetInsertMode(bool Value);
    // Text of a value of the field's kind, and the value of a text (false when it does not
    // convert). Used by the range properties and SetAsString.
    std::string ValueToText(const Byte* Raw) const;
    bool TextToValue(const std::string& Text, Byte* Raw) const;
    // True when the value lies within RangeLo..RangeHi (always for kinds without a range).
    bool InRange(const Byte* Raw) const;
    // The lowest and highest value the field takes, as texts for its error messages; false for
    // a kind without a range.
    virtual bool RangeTexts(std::string& Low, std::string& High);
    // Reads an integer text as the mask says (hexadecimal, octal, binary or decimal); false when
    // it does not parse, or (when KindRange) leaves the kind's range.
    bool ParseInteger(const std::string& Text, Int64& Value, bool KindRange = true) const;
    // The number of a value text (a picture field's text stripped of its picture) for the
    // integer and real kinds: integers as the mask says, reals as decimal numbers; a blank text
    // is 0. False when the text does not read.
    bool ReadNumberText(const std::string& Text, long double& Value) const;
    // Sets a number of the field's kind as a program would (TransferData).
    void SetNumberValue(long double Value);
    // Steps the number of a value text by Delta (rounded for the integer kinds) when it lies
    // strictly inside the range on the side of the step, stopping at the range end, and sets
    // it; false when the text does not read or nothing moves.
    bool StepNumberText(const std::string& Text, double Delta);
    // Makes the window through Create; a window made again keeps the value the old one held.
    void CreateWndKeepingValue(const std::function<void()>& Create);
    bool WndCreatedBefore() const { return wndCreated_; }
    // The editor of the one-character kinds (Char, Boolean, YesNo), whose one editable character
    // is at FirstEditPos: a typed or pasted character replaces it when the picture character
    // takes it, the deletions blank it, ccInc / ccDec step it with wrapping, the extend commands
    // select it. False for the commands it leaves to the field (the moves).
    bool EditOneChar(TMessage& Message, Word Command);
    // Where the word commands move: the start of the previous or next run of non-blank editable
    // characters, within FirstEditPos .. LastEditPos + 1.
    int WordLeft(int Position);
    int WordRight(int Position);

    void CreateWnd() override;
    void Dispatch(TMessage& Message) override;
    void WMSetFocus(TWMSetFocus& Message) override;
    void WMKillFocus(TWMKillFocus& Message) override;
    void WMSysKeyDown(TWMKey& Message) override;
    void WMChar(TWMKey& Message) override;
    void WMCut(TMessage& Message) override;
    void WMCopy(TMessage& Message) override;
    void WMPaste(TMessage& Message) override;
    void WMClear(TMessage& Message) override;
    void WMEraseBkgnd(TWMEraseBkgnd& Message) override;
    void WMSize(TWMSize& Message) override;
    void WMLButtonDown(TWMMouse& Message) override;
    void WMLButtonDblClk(TWMMouse& Message) override;
    void WMMouseMove(TWMMouse& Message) override;
    void WMRButtonUp(TWMMouse& Message) override;
    void CMDialogChar(TCMDialogChar& Message) override;
    void CMFontChanged(TMessage& Message) override;
    std::string GetText() const override { return text_; }
    void SetTextValue(const std::string& Value) override;

private:
    // Where the caret and selection were when the focus left for the field's own spinner.
    struct TCaretState {
        int Caret, Anchor, SelStart, SelEnd, FirstVisible;
    };
    bool IsEditingCommand(Word Command) const;
    // True for a spinner that steps this field.
    bool IsOwnSpinner(HWND Wnd) const;
    void RestoreCaretState(const TCaretState& State);
    bool IsWordChar(int Position) const;
    void PutOneChar(int Position, char C);
    // The key events and the window's own handling of a key, then its command.
    void DefaultKeyDown(TWMKey& Message);
    void TranslateKeyDown(TWMKey& Message);
    // The required-value check (when asked) and ValidateContents under the validating flag.
    Word CheckContents(bool CheckRequired);
    void ReportError(Word Code);
    std::string ErrorTextFor(Word Code);
    bool ZeroHidden();
    void ShowContextMenu(int X, int Y);
    void RecomputeTextPosition();
    void Recreate();
    void Changed();
    int TextLeft(TCanvas* Canvas, const std::string& Shown);

    // Edit state
    std::string text_;
    TPictureMask mask_ = "X";
    int caret_ = 0;
    int anchor_ = 0;
    int firstVisible_ = 0;
    int selStart_ = 0;
    int selEnd_ = 0;
    std::optional<std::string> savedText_;
    Word lastError_ = 0;
    TVcIntlSup* intl_;
    TVcUserData* userData_;
    std::unique_ptr<TVcCaretPair> caretPair_;
    int textTop_ = 0;
    std::optional<TCaretState> spinnerVisit_;
    bool wndCreated_ = false;

    // State flags
    bool hexMask_ = false;
    bool octalMask_ = false;
    bool binaryMask_ = false;
    bool hasFocus_ = false;
    bool modified_ = false;
    bool errorShown_ = false;
    bool errorReported_ = false;
    bool validating_ = false;
    bool insertMode_ = true;
    bool acceptNextChar_ = false;
    bool ctrlCharMode_ = false;
    bool settingValue_ = false;
    bool gettingValue_ = false;
    bool leftForm_ = false;
    bool focusByMouse_ = false;
    bool returnAfterError_ = false;
    bool exitError_ = false;
    bool inUserValidation_ = false;
    bool caretPlacedOnEntry_ = false;

    // Value
    Byte dataType_ = fsString;
    Byte fieldClass_ = fcSimple;
    int dataSize_ = 0;
    TVcRangeValue rangeHi_{};
    TVcRangeValue rangeLo_{};

    // Options
    bool arrowIncDec_ = false;
    bool autoAdvanceChar_ = false;
    bool autoAdvanceLeftRight_ = false;
    bool autoAdvanceUpDown_ = false;
    bool autoSelect_ = true;
    bool autoSize_ = true;
    bool beepOnError_ = true;
    bool caretToEnd_ = true;
    TColor controlCharColor_ = clRed;
    Byte decimalPlaces_ = 0;
    std::unique_ptr<TVcColors> disabledColors_;
    std::unique_ptr<TVcColors> errorColors_;
    std::unique_ptr<TVcColors> highlightColors_;
    int epoch_ = 0;
    bool inputRequired_ = false;
    bool insertPushes_ = true;
    bool forceInsert_ = false;
    bool forceOvertype_ = false;
    int maxLength_ = 15;
    char padChar_ = ' ';
    char passwordChar_ = '*';
    bool passwordMode_ = false;
    bool readOnly_ = false;
    bool rightAlign_ = false;
    bool rightJustify_ = false;
    bool softValidation_ = false;
    bool stripLiterals_ = false;
    int textMargin_ = 2;
    bool trimBlanks_ = true;
    bool uninitialized_ = false;
    TZeroDisplay zeroDisplay_ = zdShow;
    double zeroDisplayValue_ = 0.0;
    std::unique_ptr<TPopupMenu> contextMenu_;
};

// The name a user knows a control by: the caption of the label that leads to it (a label of
// the same owner whose FocusControl it is), without its accelerator, question marks, line
// breaks and closing colon ("&Total Periods? (#):" names "Total Periods (#)"); empty when no
// label leads to it.
std::string FieldCaption(const TWinControl* Control);

// Copies the options every field kind's Assign starts with, in their order: AutoAdvanceChar,
// AutoAdvanceLeftRight, AutoAdvanceUpDown, AutoSelect, AutoSize, BeepOnError, BorderStyle,
// CaretToEnd and Color.
void AssignLeadingOptions(TVcBaseEntryField& To, const TVcBaseEntryField& From);
// Copies the options every field kind's Assign ends with, after the mask and range: ReadOnly,
// SoftValidation, TextMargin, Uninitialized, ZeroDisplay and ZeroDisplayValue.
void AssignTrailingOptions(TVcBaseEntryField& To, const TVcBaseEntryField& From);
