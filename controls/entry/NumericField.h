// The numeric field: numbers typed from the right. The characters typed so far are kept in an
// entry buffer (digits and at most one point, the sign aside) and the text is the buffer merged
// through the picture mask after every key, so the digits stay right-aligned and the separators,
// currency and sign appear as the number grows.
#pragma once

#include "controls/entry/PictureMask.h"

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

// The text a real value of the numeric and picture fields is merged from: fixed notation, Total
// wide with Decimals decimals, then trailing zeros removed when TrimZeros, else only blanks.
std::string RealValueText(long double Value, int Total, int Decimals, bool TrimZeros);
// The error of a number read from a field's text against its range: epRange when the value, as
// it will be stored (a 6-byte real rounded to its bytes), lies outside Low..High, else 0.
Word NumberRangeError(long double Value, Byte Kind, const TVcRangeValue& Low,
                      const TVcRangeValue& High);

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

    // Whether the field can show the value: within its range and with no more digits than its
    // picture holds (a sign needs a place of its own).
    bool Holds(long double Value);
    // The lowest and highest values the field shows (the picture's and the range's limits).
    long double LowestShown();
    long double HighestShown();
    // The text of a value the field holds as the field shows it, without padding.
    std::string ShownText(long double Value);

    // Remembers whether the key is the keypad's decimal key, whose character follows.
    void WMKeyDown(TWMKey& Message) override;

protected:
    // The first position that is not a literal: a numeric field counts no special positions.
    int FirstEditPos() override;
    void MoveCaretToEnd() override;
    void CaretToHome() override;
    void PerformEdit(TMessage& Message, Word Command) override;
    std::string GetDisplayText() override;
    int TransferData(void* Buffer, int Operation) override;
    Word ValidateContents() override;
    bool RangeTexts(std::string& Low, std::string& High) override;
    void MaskChanged() override;
    void CreateWnd() override;
    void WMSetFocus(TWMSetFocus& Message) override;
    void WMKillFocus(TWMKillFocus& Message) override;
    void WMChar(TWMKey& Message) override;

private:
    // The default mask of each type.
    static const char* DefaultMask(TNumericDataType Type);
    void ComputeLayout();
    std::string IntegerText(Int64 Value) const;
    std::string RealText(long double Value);
    // The text of a value merged through the picture (overflow marks when it does not fit).
    std::string ValueText(long double Value);
    // Whether the picture has places for the value's digits and sign.
    bool Fits(long double Value);
    // Entry buffer
    void LoadBuffer();
    void ShowBuffer();
    int IntegerChars() const;
    bool Full() const;
    bool AddChar(char C);
    // A typed character, the buffer cleared first when it is typed over the selection; a refused
    // character leaves the buffer and the sign as they were.
    bool TypeChar(char C, bool OverSelection);
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
    bool decimalKey_ = false;
};

class TVcNumericField : public TVcCustomNumericField {
    VANTREL_CLASS(TVcNumericField, TVcCustomNumericField)
    explicit TVcNumericField(TComponent* AOwner) : TVcCustomNumericField(AOwner) {}
};
