// Text helpers for single-byte Windows-1252 strings: conversion to and from UTF-8, letter case
// and comparison for the Windows-1252 letters, and the 1-based position helpers (Pos, Copy,
// Delete, Insert) the program's texts are written with.
#pragma once

#include "platform/rtl/Types.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

// Windows-1252 to UTF-8; the five unassigned bytes map to the control characters of the same
// number so that every byte survives a round trip.
std::string Win1252ToUtf8(std::string_view text);
// UTF-8 to Windows-1252; characters without a Windows-1252 byte and broken sequences give '?'.
std::string Utf8ToWin1252(std::string_view text);
// True when the text is well-formed UTF-8 (plain ASCII included).
bool IsUtf8(std::string_view text);

// Case of Windows-1252 letters, accented ones included ("é" <-> "É", "š" <-> "Š", "ÿ" -> "Ÿ").
// "ß" has no single upper-case letter and stays as it is.
char AnsiUpperChar(char c);
char AnsiLowerChar(char c);
std::string AnsiUpperCase(std::string_view text);
std::string AnsiLowerCase(std::string_view text);
// Case of the ASCII letters only.
std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);

// Comparisons returning <0, 0 or >0. The Ansi forms order letters as a reader does: first by the
// letter without accent or case ("é" next to "e"), then by accent; AnsiCompareStr then puts the
// lower-case form first. CompareText compares ASCII letters without regard to case, byte by byte.
int AnsiCompareText(std::string_view a, std::string_view b);
int AnsiCompareStr(std::string_view a, std::string_view b);
bool AnsiSameText(std::string_view a, std::string_view b);
int CompareText(std::string_view a, std::string_view b);
bool SameText(std::string_view a, std::string_view b);

// Without the blanks and control characters at either or both ends.
std::string Trim(std::string_view text);
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);

// 1-based position of sub in text, 0 when absent (or sub is empty).
int Pos(std::string_view sub, std::string_view text);
// Up to count characters from the 1-based index; an index or count out of range is clamped.
std::string Copy(std::string_view text, int index, int count);
// Removes up to count characters from the 1-based index; nothing when index is out of range.
void Delete(std::string& text, int index, int count);
// Inserts source before the 1-based index (clamped to the text).
void Insert(std::string_view source, std::string& text, int index);
std::string StringOfChar(char c, int count);

// The text in quotes, quotes inside it doubled: QuotedStr("it's") == "'it''s'".
std::string QuotedStr(std::string_view text);
std::string AnsiQuotedStr(std::string_view text, char quote);
// When text starts with quote: the quoted text with doubled quotes made single, and text moved
// past the closing quote (to its end when there is none). Otherwise "" and text unchanged.
std::string AnsiExtractQuotedStr(std::string_view& text, char quote);

enum TReplaceFlag { rfReplaceAll, rfIgnoreCase };
using TReplaceFlags = TSet<TReplaceFlag>;
// text with the first (or every, with rfReplaceAll) oldPattern replaced by newPattern;
// rfIgnoreCase matches Windows-1252 letters in either case.
std::string StringReplace(std::string_view text, std::string_view oldPattern,
                          std::string_view newPattern, TReplaceFlags flags);

// The short string held in a binary record slot: a length byte, then the characters.
// The length is clamped to the slot; a slot of 0 bytes reads as "".
std::string ReadShortString(const Byte* slot, std::size_t slotSize);
// Writes text into the slot, cut to slotSize - 1 (and 255) characters; the rest is zero filled.
void WriteShortString(Byte* slot, std::size_t slotSize, std::string_view text);

// The longest length up to length for which fits holds, found by halving: fits(0) is taken to
// hold, and fits must stay false for every length above one where it is false (as "the first n
// characters are no wider than the room" does). Cutting one character at a time would measure a
// long text as often as it has characters.
std::size_t LongestFitting(std::size_t length, const std::function<bool(std::size_t)>& fits);
