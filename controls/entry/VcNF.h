// The numeric field: numbers typed from the right. The characters typed so far are kept in an
// entry buffer (digits and at most one point, the sign aside) and the text is the buffer merged
// through the picture mask after every key, so the digits stay right-aligned and the separators,
// currency and sign appear as the number grows.
#pragma once

#include "controls/entry/VcPB.h"

#include <string>

enum TNumericDataType : Byte {
    nftLongInt,
    nftWord,
    nftInteger,
    nftByte,
    nftShortInt,
    nftReal,
    nftExtended,
    nftDouble,
    nftSingle,
    nftComp
};

// Number texts shared by the numeric and picture fields:
// - the text a real value is merged from: fixed notation, Total wide with Decimals decimals,
//   then trailing zeros removed when TrimZeros, else only blanks;
std::string RealValueText(long double Value, int Total, int Decimals, bool TrimZeros);
// - a real value read from a stripped text (tidied first, "0" when empty; Comp rounded); false
//   when it does not read;
bool ReadRealText(std::string Text, char DecimalSeparator, Byte Kind, long double& Value);
// - a decimal integer of at most 32 bits; false when it does not read.
bool ReadDecimalInteger(const std::string& Text, Int64& Value);
// The error of a number read from a field's text against its range: epRange when the value, as
// it will be stored (a 6-byte real rounded to its bytes), lies outside Low..High, else 0.
Word NumberRangeError(long double Value, Byte Kind, const TVcRangeValue& Low,
                      const TVcRangeValue& High);
// Steps Value by Delta (rounded for integer kinds) when it lies strictly inside Low..High on the
// side of the step; a step that would pass the range end stops at it. False when nothing moves.
bool StepNumber(long double& Value, double Delta, long double Low, long double High, Byte Kind);

class TVcCustomNumericField : public TVcPictureBase {
    VANTREL_CLASS(TVcCustomNumericField, TVcPictureBase)

    explicit TVcCustomNumericField(TComponent* AOwner);

    TNumericDataType DataType() const { return dataType_; }
    // Installs the type's default mask and range; a value above nftComp raises EVcException.
    virtual void SetDataType(TNumericDataType Value);
    // An empty mask is ignored.
    virtual void SetPictureMask(const TPictureMask& Value);

    void Assign(TPersistent* Source) override;
    void IncreaseValue(bool Wrap, double Delta) override;
    void Restore() override;

    // The layout the mask gives: digit positions (with the point), integer positions, decimals.
    int TotalPositions() const { return total_; }
    int IntegerPositions() const { return integers_; }
    int DecimalCount() const { return decimals_; }
    // The characters typed so far and the sign.
    const std::string& EntryBuffer() const { return buffer_; }
    bool Negative() const { return negative_; }

protected:
    // The first position that is not a literal: a numeric field counts no special positions.
    int FirstEditPos() override;
    void MoveCaretToEnd() override;
    void CaretToHome() override;
    void PerformEdit(TMessage& Message, Word Command) override;
    std::string GetDisplayText() override;
    int TransferData(void* Buffer, int Operation) override;
    Word ValidateContents() override;
    void MaskChanged() override;
    void CreateWnd() override;
    void WMSetFocus(TWMSetFocus& Message) override;
    void WMKillFocus(TWMKillFocus& Message) override;

private:
    // The default mask of each type.
    static const char* DefaultMask(TNumericDataType Type);
    void ComputeLayout();
    // The value text stripped and made readable by the runtime; false when it reads as nothing.
    bool ReadText(long double& Value);
    bool ReadInteger(const std::string& Text, Int64& Value) const;
    std::string IntegerText(Int64 Value) const;
    std::string RealText(long double Value);
    void WriteNumber(long double Value);
    // Entry buffer
    void LoadBuffer();
    void ShowBuffer();
    int IntegerChars() const;
    bool Full() const;
    bool AddChar(char C);
    void PasteText(const std::string& Text);
    void ClearBuffer();
    void AfterChange();
    void PlaceCaretAtEnd();
    void ExtendAll();
    // Up and down with neither auto-advance nor increments: the left/right advance rule.
    void AdvanceLeftRight(bool Forward);
    int SignPosition(char MaskChar) const;

    TNumericDataType dataType_ = nftLongInt;
    int total_ = 0;
    int integers_ = 0;
    int decimals_ = 0;
    bool negative_ = false;
    std::string buffer_;
    bool created_ = false;
};

class TVcNumericField : public TVcCustomNumericField {
    VANTREL_CLASS(TVcNumericField, TVcCustomNumericField)
    explicit TVcNumericField(TComponent* AOwner) : TVcCustomNumericField(AOwner) {}
};
