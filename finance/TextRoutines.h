// Text routines of the calculators and the advisors' narratives: padding and trimming, word
// wrapping, and the picture-driven number formatter. Texts are strings edited in place.
#pragma once

#include <string>

class TVcIntlSup;

// Upper case of one Windows-1252 character.
char CharUpperAnsi(char ch);
// n copies of ch.
void StrFillZ(std::string& dest, char ch, int n);
// Appends ch (a blank in the short form) until s is len characters long.
void StrPadRightZ(std::string& s, char ch, int len);
void StrPadRightZ(std::string& s, int len);
// Right-justifies s to len characters, filling on the left with ch (a blank in the short form).
void StrPadLeftZ(std::string& s, char ch, int len);
void StrPadLeftZ(std::string& s, int len);
// Removes the leading characters whose code is at most 32.
void StrTrimLeftZ(std::string& s);
// dest := src without its leading characters of code 32 or less.
void TrimCopy(std::string& dest, const std::string& src);
// The value with `decimals` decimals (and a "." point), right-aligned in `width` characters.
void FloatToStrZ(std::string& dest, double value, int width, int decimals);
bool StrHasChar(const std::string& s, char ch);
// Cuts the first line of at most `width` characters from s at a word boundary: line receives
// it (blank-padded to the width when pad), rest the text after it without leading blanks.
// A width below 1 puts the whole text on the line.
void WordWrapLine(std::string& line, const std::string& s, std::string& rest, bool pad, int width);
// Lays out value by a number picture with the given decimal and thousands characters and
// left-hand and right-hand currency texts. Picture characters: "#" a digit place (blank fill),
// "@" zero fill, "*" star fill, "$" a digit place and the left currency text floating before the
// digits, "+" "-" sign places, "," thousands, "." the point; "c" and "C" places hold the left and
// right currency texts at the picture's ends.
void FormatNumberCore(std::string& dest, const std::string& picture, char decimalChar,
                      char commaChar, const std::string& leftCurrency,
                      const std::string& rightCurrency, double value);
void FormatNumberText(std::string& dest, const std::string& picture, char decimalChar,
                      char commaChar, const std::string& leftCurrency,
                      const std::string& rightCurrency, double value);
// The value laid out by a picture with the international settings' separators and currency,
// without its leading blanks: the money and number texts of the narratives.
std::string PictureText(const char* picture, double value);
// The money picture of the international settings: nine integer places in groups of three and
// two decimals, with the currency where the settings place it: a run of "$" as long as the
// currency prefix in front (the prefix floats against the digits, "$###,###,###.##" for "$"), or
// a run of "C" as long as the currency suffix behind ("###,###,###.##CC" for " \x80"). The money
// fields' masks and the money texts share it.
std::string MoneyPicture(const TVcIntlSup& intl);
// The money text: the money picture holds nine integer places, the minus sign taking one of
// them; it gets one more group of thousands in front for every three places an amount needs
// beyond them, so that sums of any size are written out.
std::string MoneyText(double value);
// Inserts ins before the 0-based pos (clamped to the length) / deletes the character at pos.
void InsertStrZ(std::string& s, const std::string& ins, int pos);
void DeleteCharZ(std::string& s, int pos);

// 1-based position of ch in s; false (and 0) when absent.
bool FindCharPos(const std::string& s, char ch, int& pos);
bool FindCharPosShort(const std::string& s, char ch, int& pos);
// s padded with ch (blanks) to width, at most 255; a longer s is returned unchanged.
std::string PadRightChar(const std::string& s, char ch, int width);
std::string PadRight(const std::string& s, int width);
// Inserts ch before / deletes the character at the 1-based pos; appends ch.
void InsertCharAt(std::string& s, char ch, int pos);
void DeleteCharAt(std::string& s, int pos);
void AppendChar(std::string& s, char ch);
