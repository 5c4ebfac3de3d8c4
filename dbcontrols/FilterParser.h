// Plain routines of the data-aware controls: string and token routines with two small stacks,
// the parser of their own filter text, and the date and time text routines of the masked edit.
//
// The filter parser turns a condition such as  NAME = "Smith" AND (AMOUNT > 100)  into a tree
// of TNode objects and writes it as an engine filter expression block: a header of five 16-bit
// words (version 1, total size, node count, node start 10, literal start), the node area of
// 14-byte slots (the root at offset 0, the first node written in the last slot) and a literal
// pool of at most 1000 bytes. Constants are typed by the field on the left of their operator.
// The block is checked while it is written: a pool or node area that would overflow, or a text
// nested too deeply, fails the parse instead of writing past the block. Positions in the string
// routines are 1-based, as the texts they serve are typed by users.
#pragma once

#include "platform/rtl/Classes.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Types.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TDataSet;

// ---- String and token routines ----

// The text from Pos up to Delimiter. A one-character delimiter is searched as it is; a longer one
// as a word: blank + delimiter + blank, without regard to case. Pos moves past the delimiter (and
// its blanks); when no delimiter follows, the token is the rest and Pos becomes -1. A position
// below 1 or past the end gives an empty token and Pos -1.
std::string strGetToken(const std::string& S, const std::string& Delimiter, int& Pos);
// Clears List and adds each part of S between the delimiters, the last one even when empty.
void strBreakApart(const std::string& S, char Delimiter, TStrings& List);
// Removes the trailing characters of S that are in Chars.
void strTrimTrailing(std::string& S, std::string_view Chars);
std::string strReplaceChar(std::string S, char OldChar, char NewChar);
bool strEqualNoCase(std::string_view A, std::string_view B);
int strCountChar(std::string_view S, char C);
// The text after the first C; empty when there is none.
std::string strAfterChar(const std::string& S, char C);

// Options of strGetWord.
constexpr int gwSkipBlanks = 1; // skip leading blanks and tabs
constexpr int gwQuoted = 2;     // a double-quoted string is one word, quotes included
constexpr int gwUnquote = 4;    // then remove the opening quote and its closing one
// The next word of S from Pos: up to a character below 33 or in Delimiters; a delimiter that
// stands first is a word of one character. Pos moves to the character after the word.
std::string strGetWord(const std::string& S, int& Pos, int Options, std::string_view Delimiters);

// A stack of strings; Pop on an empty stack gives an empty string.
class TStackStr {
public:
    void Push(const std::string& S) { items_.push_back(S); }
    std::string Pop();
    int Count() const { return static_cast<int>(items_.size()); }

private:
    std::vector<std::string> items_;
};

// A stack of objects it does not own; Pop on an empty stack gives nullptr.
class TStackPtr {
public:
    void Push(TObject* P) { items_.push_back(P); }
    TObject* Pop();
    int Count() const { return static_cast<int>(items_.size()); }

private:
    std::vector<TObject*> items_;
};

// ---- The filter tree ----

enum TNodeKind : Byte { nkComparison = 0, nkLogical = 1, nkArithmetic = 2, nkOperand = 3 };

// Operand types of constant leaves, chosen from the field on the left of the operator.
enum TOperandType : Byte {
    otFieldName = 0,
    otString = 1,
    otFloat = 2,
    otDateTime = 3,
    otDate = 4,
    otTime = 5,
    otBoolean = 6,
    otInteger = 7,
    otBCD = 8,
    otSmallInt = 9
};

// A node of the filter tree; it owns its children.
class TNode : public TObject {
    VANTREL_CLASS(TNode, TObject)

    TNode(TNodeKind Kind, const std::string& Text) : Kind(Kind), Text(Text) {}
    ~TNode() override;
    TNode(const TNode&) = delete;
    TNode& operator=(const TNode&) = delete;

    TNodeKind Kind;
    TOperandType OperandType = otFieldName;
    SmallInt Decimals = 0; // a BCD constant's scale: the size of its field
    std::string Text;      // the operator, or the leaf's token as written
    LongWord NodeOffset = 0;
    TNode* Left = nullptr;
    TNode* Right = nullptr;
};

// What the parser needs of the table its text is about.
class TFilterTable {
public:
    virtual ~TFilterTable() = default;
    // The operand type of constants compared with the field Name (any case), and its size;
    // false when the table has no such field. Fields of kinds no constant suits give
    // otFieldName.
    virtual bool FieldOperand(const std::string& Name, TOperandType& Type, int& Size) const = 0;
    // Text in the native character set of the table's database.
    virtual std::string ToNative(const std::string& Text) const { return Text; }
};

constexpr std::size_t kFilterPoolSize = 1000;
constexpr std::size_t kFilterNodeSize = 14;

// The engine filter expression block of Text, or an empty block when the text cannot be parsed:
// a grammar fault fails silently; a name on the left of an operator that is no field of Table
// shows "<name>\rField not found in Table. " (warning, OK) first. A constant that does not
// convert to its field's type raises EConvertError.
std::vector<Byte> BuildFilterExpr(const std::string& Text, const TFilterTable& Table);
// The same over the field objects of a dataset, texts in its locale's character set.
std::vector<Byte> BuildFilterExpr(const std::string& Text, TDataSet* Table);

// ---- Date and time texts ----

// The order of the short date format: 0 month-day-year, 1 day-month-year, 2 year-month-day.
int DateOrderOf(const std::string& ShortDateFormat);
// Reads a date at Pos (1-based): numbers (or short month names) separated by the date separator,
// placed by the short date format's order; two numbers take the current year; a year below 100
// is in the 1900s. Pos moves past the date and trailing blanks.
bool ScanDateText(const std::string& S, int& Pos, TDateTime& Date);
// Reads a time at Pos: hour, minute, optionally second, then optionally an AM/PM marker with
// which the hour is 1..12. Pos moves past the time and trailing blanks.
bool ScanTimeText(const std::string& S, int& Pos, TDateTime& Time);
bool IsDateText(const std::string& S);
bool IsTimeText(const std::string& S);
bool IsDateTimeText(const std::string& S);
// Every character a digit, but a "-" in the first place.
bool IsIntegerText(const std::string& S);
// Empty, or a number of at most 63 characters.
bool IsValidFloatText(const std::string& S);

// Parts of a date or time text.
enum TDateTimePart { dpDay, dpMonth, dpYear, dpHour, dpMinute, dpSecond, dpAmPm };
// The part of a date (IsTime false; a time may follow it) or time text the caret (0-based,
// before the character at that place) is in.
TDateTimePart DateTimePartAt(int CaretPos, const std::string& S, bool IsTime);
TDateTimePart TimePartAt(int CaretPos, const std::string& S);
