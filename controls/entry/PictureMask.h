// The picture-mask engine: an entry field whose text is laid out by a picture mask, every
// position either a picture character (an editable slot) or a literal. It keeps the flags of the
// positions and converts between the edit text and the raw value string: stripping takes the
// literals, currency and separators out, merging puts a raw value back into the mask.
#pragma once

#include "controls/entry/EntryField.h"

#include <string>
#include <vector>

// Position flags.
constexpr Byte pfLiteral = 0;
constexpr Byte pfEditable = 1;
constexpr Byte pfSpecial = 2; // a "$" or "," the formatter fills

// What fills every digit position of a value that does not fit its picture.
constexpr char OverflowChar = '*';

class TVcPictureBase : public TVcBaseEntryField {
    VANTREL_CLASS(TVcPictureBase, TVcBaseEntryField)

    explicit TVcPictureBase(TComponent* AOwner);

    void SetPictureMask(const TPictureMask& Value) { SetMask(Value); }
    const TPictureMask& PictureMask() const { return Mask(); }

    void BuildPositionFlags();
    void InitPicture();
    Byte PositionFlag(int Position) const;
    bool IsLiteralPos(int Position) const override { return PositionFlag(Position) == pfLiteral; }
    bool IsSpecialPos(int Position) const { return PositionFlag(Position) == pfSpecial; }
    int SpecialCount() const { return specialCount_; }
    bool AllEditable() const { return allEditable_; }
    int FirstEditPos() override;
    int LastEditPos() override;
    int EndOfInput();
    bool IsEmpty() override;
    // Total digits and decimals the picture holds.
    void GetPictureDigits(int& Total, int& Decimals);
    bool IsNumericLike();
    // The raw value string of an edit text, and the edit text of a raw value string.
    std::string StripPicture(const std::string& Source);
    std::string MergeWithPicture(const std::string& Value);
    // The characters of the editable positions of a text, in order.
    std::string CopyEditable(const std::string& Source);
    // The first "." becomes the decimal separator.
    std::string LocalizeDecimal(const std::string& Source) const;
    virtual void UnformatForEdit();
    void RefreshDisplay();
    void FixDecimals();
    bool Unformatted() const { return unformatted_; }
    bool RealType() const { return realType_; }

    bool ValidateOnExit(bool Soft) override;
    // The text saved on entry is always the formatted one, so restoring it also leaves the
    // unformatted state.
    void Restore() override;

protected:
    // The number of the edit text stripped of its picture (ReadNumberText); false when it does
    // not read.
    bool ReadNumber(long double& Value);
    void CaretToHome() override;
    void SetCaretPosition(int Position) override;
    std::string GetDisplayText() override;
    void MaskChanged() override;
    void CreateWnd() override;
    void Dispatch(TMessage& Message) override;
    void WMSetFocus(TWMSetFocus& Message) override;
    void WMKillFocus(TWMKillFocus& Message) override;
    bool TextStateSavable() override { return !unformatted_; }

private:
    bool FixDecimalsWanted();
    int DecimalPointPos() const;
    // The first run of c in the mask padded to MaxLength: start and length (length 0: none).
    int RunOf(char C, int& Length) const;
    void MergeNumeric(std::string& Result, const std::string& Value);
    void MergePlain(std::string& Result, const std::string& Value);
    void MarkOverflow(std::string& Result);
    void PlaceSubstitutions(std::string& Result) const;
    // The currency characters a floating "$" run shows: the end of CurrencyPrefix, as many as
    // the run is long.
    std::string FloatingCurrency() const;

    std::vector<Byte> flags_;
    int specialCount_ = 0;
    bool allEditable_ = false;
    bool realType_ = false;
    bool unformatted_ = false;
};
