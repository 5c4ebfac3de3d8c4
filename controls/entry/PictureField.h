// The picture field: a value of any of the sixteen kinds edited through a picture mask like a
// small text editor whose caret rests only on editable positions. The editable runs between
// literals are segments: typing inserts or overwrites within the segment at the caret and
// deletes close the segment up. Dates and times are edited in their own masks and read and
// written by the international settings; they, the numbers and the characters step by one unit
// at a time with ccInc / ccDec (and the spin button).
#pragma once

#include "controls/entry/PictureMask.h"

#include <string>

enum TPictureDataType : Byte {
    pftString,
    pftChar,
    pftBoolean,
    pftYesNo,
    pftLongInt,
    pftWord,
    pftInteger,
    pftByte,
    pftShortInt,
    pftReal,
    pftExtended,
    pftDouble,
    pftSingle,
    pftComp,
    pftDate,
    pftTime
};

class TVcCustomPictureField : public TVcPictureBase {
    VANTREL_CLASS(TVcCustomPictureField, TVcPictureBase)

    explicit TVcCustomPictureField(TComponent* AOwner);

    bool InitDateTime() const { return initDateTime_; }
    // Gives a date or time field today or now; clearing it clears such a field's value.
    void SetInitDateTime(bool Value);
    TPictureDataType DataType() const { return dataType_; }
    // Installs the type's default mask and range; a value above pftTime raises EVcException.
    virtual void SetDataType(TPictureDataType Value);
    // An empty mask is ignored.
    virtual void SetPictureMask(const TPictureMask& Value);

    void Assign(TPersistent* Source) override;
    void SetAsString(const std::string& Value) override;
    void IncreaseValue(bool Wrap, double Delta) override;

    // The default mask of a type (dates and times from the international settings).
    static std::string DefaultMask(TPictureDataType Type);

protected:
    void PerformEdit(TMessage& Message, Word Command) override;
    int TransferData(void* Buffer, int Operation) override;
    Word ValidateContents() override;
    void CreateWnd() override;

private:
    // ----- Segments
    int SegmentStart(int Position) const;
    int SegmentEnd(int Position) const;
    int NextEditable(int Position);
    int PrevEditable(int Position);
    // ----- Editing
    // Gives a text that is not laid out by the mask (a field that never held a value) the blank
    // picture: its literals with blanks between them.
    void EnsureLayout();
    void EditSegments(TMessage& Message, Word Command);
    // The moves of the one-character kinds, whose caret stays on their character.
    void MoveOneChar(Word Command);
    bool TypeChar(char C, bool Control, bool Pasting);
    // Types over the selection: it is blanked and the character typed at its start; a refused
    // character leaves the text, the caret and the selection as they were.
    bool TypeOverSelection(char C, bool Control);
    void PasteText(const std::string& Text);
    void BlankRange(int From, int To);
    void BlankSelection();
    // Deletes count characters at pos within its segment, closing up with blanks at the end.
    void DeleteInSegment(int Position, int Count);
    void DeleteWord();
    void CompleteDateTime();
    void MoveOrAdvance(int Position, bool Extend, bool Forward);
    void UpDown(bool Up);
    void Edited();
    // ----- Values
    bool NumericKind() const;
    std::string NumberText(long double Value);
    void SetDateText(TDayNumber Date);
    TDayNumber DateOfText() const;
    Word ValidateDate() const;
    Word ValidateTime() const;
    // ----- Steps
    char UnitAtCaret() const;
    void StepChar(bool Wrap, double Delta);
    void StepDate(bool Wrap, double Delta);
    void StepTime(bool Wrap, double Delta);

    bool initDateTime_ = false;
    TPictureDataType dataType_ = pftString;
};

class TVcPictureField : public TVcCustomPictureField {
    VANTREL_CLASS(TVcPictureField, TVcCustomPictureField)
    explicit TVcPictureField(TComponent* AOwner) : TVcCustomPictureField(AOwner) {}
};
