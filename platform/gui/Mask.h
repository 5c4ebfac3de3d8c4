// The masked edit: an edit whose text follows an edit mask, one mask character per text
// position. "0" takes a digit, "9" a digit or blank, "#" a digit, blank or sign, "L" and "l" a
// letter, "A" and "a" a letter or digit, "C" and "c" any character; "\" makes the next mask
// character a literal, and everything else is a literal that the edit writes itself. Only the
// first ';'-separated section of a mask is the pattern. Without a mask it is a plain edit.
//
// A typed character that does not fit the position it lands on is refused with a beep; literals
// in front of the caret are written for the user, so "12" typed into "00/00" becomes "12/".
// Descendants (data-aware edits, the grid's in-place editor) add their own key checks on top.
#pragma once

#include "platform/gui/StdCtrls.h"

#include <string>

class TCustomMaskEdit : public TEdit {
    VANTREL_CLASS(TCustomMaskEdit, TEdit)

    explicit TCustomMaskEdit(TComponent* AOwner);

    const std::string& EditMask() const { return editMask_; }
    void SetEditMask(const std::string& Value);
    bool IsMasked() const { return !pattern_.empty(); }

    // Whether Key may stand at text position Pos under the mask (always without a mask).
    bool CharFitsMask(char Key, int Pos) const;

protected:
    void KeyPress(char& Key) override;

private:
    // Writes the literals of the pattern from Pos on; answers the next position to type in.
    int FillLiterals(int Pos);
    bool IsLiteralAt(int Pos) const;
    char MaskCharAt(int Pos) const;

    std::string editMask_;
    // One entry per text position: the mask character, with literals marked.
    std::string pattern_;
    std::string literal_;
};
