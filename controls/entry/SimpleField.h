// The simple field: an entry field without a picture layout. Every position is governed by one
// picture character, so it edits like a plain edit box whose characters are filtered and
// case-converted.
#pragma once

#include "controls/entry/EntryField.h"

#include <string>

enum TSimpleDataType : Byte {
    sftString,
    sftChar,
    sftBoolean,
    sftYesNo,
    sftLongInt,
    sftWord,
    sftInteger,
    sftByte,
    sftShortInt,
    sftReal,
    sftExtended,
    sftDouble,
    sftSingle,
    sftComp
};

class TVcCustomSimpleField : public TVcBaseEntryField {
    VANTREL_CLASS(TVcCustomSimpleField, TVcBaseEntryField)

    explicit TVcCustomSimpleField(TComponent* AOwner);

    TSimpleDataType DataType() const { return dataType_; }
    // Installs the type's picture character and MaxLength; a value beyond sftComp raises
    // EVcException.
    virtual void SetDataType(TSimpleDataType Value);
    char PictureMask() const { return pictureMask_; }
    // Only the picture characters that are not date or time letters; any other character raises
    // EInvalidPictureMask.
    virtual void SetPictureMask(char Value);

    void Assign(TPersistent* Source) override;
    void IncreaseValue(bool Wrap, double Delta) override;

protected:
    void CreateWnd() override;
    void PerformEdit(TMessage& Message, Word Command) override;
    std::string GetDisplayText() override;
    int TransferData(void* Buffer, int Operation) override;
    Word ValidateContents() override;

private:
    bool FreeForm() const;
    void EditFreeForm(TMessage& Message, Word Command);
    // Typing: true when the character was taken.
    bool InsertChar(char C, bool Control);
    void InsertText(const std::string& Text);
    void DeleteSelection();
    void DeleteRange(int From, int To);
    void MoveOrAdvance(int Position, bool Extend, bool Forward);
    void TextChanged();
    // The number in the text (false when it does not read), for the numeric types.
    bool ReadNumber(long double& Value);
    void WriteNumber(long double Value);
    std::string RealText(long double Value) const;
    std::string IntegerText(Int64 Value) const;
    bool Parse(Byte* Raw);
    void StepChar(bool Wrap, double Delta);

    TSimpleDataType dataType_ = sftString;
    char pictureMask_ = 'X';
};

class TVcSimpleField : public TVcCustomSimpleField {
    VANTREL_CLASS(TVcSimpleField, TVcCustomSimpleField)

    using TVcCustomSimpleField::TVcCustomSimpleField;
};
