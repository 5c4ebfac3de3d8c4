// Text routines of the entry controls. The buffers of the fields are strings edited in place;
// positions are 0-based byte offsets. No routine reads or writes outside its string.
#pragma once

#include "platform/gui/Controls.h"
#include "platform/gui/Graphics.h"
#include "platform/rtl/Types.h"

#include <string>

// True when s holds c.
bool HasChar(const std::string& s, char c);
// First position of c in s; false when s is empty or has no c.
bool PCharFindChar(const std::string& s, char c, int& pos);
// First position of t in s; false when t or s is empty or s is shorter than t.
bool PCharFindStr(const std::string& s, const std::string& t, int& pos);
// Insertions at pos; a pos beyond the end appends, a negative pos inserts at the start.
void PCharInsertChar(std::string& s, char c, int pos);
void PCharInsertStr(std::string& s, const std::string& t, int pos);
void PCharInsertChars(std::string& s, char c, int count, int pos);
// Deletes the character at pos; nothing when pos is not inside s.
void PCharDeleteChar(std::string& s, int pos);
// Deletes count characters at pos; a count that runs past the end cuts s at pos.
void PCharDelete(std::string& s, int pos, int count);
// At most count characters of s from pos; empty when pos is at or beyond the end.
void PCharCopy(std::string& dest, const std::string& s, int pos, int count);
void PCharFill(std::string& dest, char c, int count);
// Removes leading and trailing blanks.
void PCharTrim(std::string& s);
// Removes trailing characters below 33 (blanks and control characters).
void PCharTrimRight(std::string& s);
// Removes trailing "0"s, then a trailing ".", then blanks at both ends (for texts with a point).
void PCharTrimZeros(std::string& s);
// Compares the first count characters as unsigned bytes: -1, 0 or 1.
int PCharCompare(const std::string& a, const std::string& b, int count);

// 32 binary digits, 12 octal digits, 4 and 8 upper-case hexadecimal digits.
void BinaryLToPChar(std::string& dest, LongInt n);
void OctalLToPChar(std::string& dest, LongInt n);
void HexWToPChar(std::string& dest, Word w);
void HexLToPChar(std::string& dest, LongInt n);
// Reads a decimal or hexadecimal ("$1F" or "0x1F") integer. On failure n is the 0-based position
// of the offending character and the result is false.
bool PCharToLong(const std::string& s, LongInt& n);

// "1.2300E+005" becomes "1.23E+5".
void TrimExponentZeros(std::string& s);
// Tidies a number typed into a field so that the runtime can read it (see the source).
void FixFloatText(std::string& s, char decimalSeparator);

char LowCaseChar(char c);
char UpCaseChar(char c);

// Modifier keys down now: Shift 2, Ctrl 4, Alt 8.
Byte GetShiftFlags();
// The virtual key of the primary mouse button (the right one when the buttons are swapped).
Word PrimaryMouseButton();
// A new font like font, its baseline turned by angle degrees counter-clockwise; the caller
// deletes it.
HFONT CreateRotatedFont(TFont& font, int angle);
// The character height of a font on the screen.
int CharHeight(HGDIOBJ font);
// The distance from the top of an entry field of the given height to its text.
int TextTopOffset(TFont& font, TBorderStyle borderStyle, int height, bool ctl3D);
