// The engine's expressions: key expressions of orders, conditions and the evaluation calls.
// An expression is compiled once against the fields a record source knows and then evaluated
// on every record. Compilation never throws: a syntax or type error leaves the expression
// invalid with a position and a message.
#pragma once

#include "platform/rtl/Types.h"

#include <memory>
#include <string>
#include <string_view>

// The kinds of value an expression yields; the numbers are the engine's evaluation-test codes.
enum TXbExprType { xtError = 0, xtCharacter = 1, xtNumeric = 2, xtLogical = 3, xtDate = 4 };

// A field as a record source describes it. Handle is the source's own number for the field
// (it may encode a work area for alias->field); the expression only hands it back.
struct TXbFieldRef {
    int Handle = -1;
    char Type = 'C'; // C, N, F, D, L, M, B or P; a binary value is seen as N or C
    int Length = 0;
    int Decimals = 0;
    // A number read in full from its text: more digits than a double holds (a currency, a
    // numeric field wider than 15), or an exponent (a double field).
    bool Exact = false;
};

// What an expression reads: the fields of the current record of a work area (and of other work
// areas through an alias), the record number and the deletion flag. The work area implements it.
class TXbRecordSource {
public:
    virtual ~TXbRecordSource() = default;
    // Finds a field by name (any case). alias is empty for the source's own table, else the
    // alias of a work area (any case). False when there is no such field.
    virtual bool FindField(std::string_view alias, std::string_view name,
                           TXbFieldRef& field) const = 0;
    // The stored text of the field in the current record: the record bytes for C, N, F, D and
    // L fields; the memo's contents for M, B and P fields; for a field stored as a binary
    // value, the value's text in the field's Length.
    virtual std::string FieldText(const TXbFieldRef& field) const = 0;
    virtual LongInt RecNo() const = 0;
    virtual bool Deleted() const = 0;
};

// A value of an expression. Dates are day numbers (Julian day numbers; 0 is the empty date).
// A value of type xtError carries its message in Text. A number read in full (an Exact field,
// a literal of more than 15 significant digits) carries its decimal text in Text as well, and
// compares by it; Number is then the nearest double. Computed numbers have no Text.
struct TXbValue {
    TXbExprType Type = xtError;
    std::string Text;
    double Number = 0;
    int Decimals = 0; // decimals a number shows when turned into text
    bool Logical = false;
    LongInt Date = 0;
};

// Day numbers and the stored "yyyymmdd" form; an invalid or blank text gives 0, 0 gives blanks.
LongInt XbDateFromStored(std::string_view stored);
std::string XbDateToStored(LongInt day);
// A day number from a calendar date; 0 when the date does not exist.
LongInt XbEncodeDate(int year, int month, int day);
void XbDecodeDate(LongInt day, int& year, int& month, int& dayOfMonth);
// The number as STR(value, width, decimals) writes it: right-aligned, rounded half away from
// zero, asterisks when it does not fit. XbFixed rounds alike and takes as many characters as
// the number needs.
std::string XbStr(double value, int width, int decimals);
std::string XbFixed(double value, int decimals);
// The sortable form of a number, XbNumberKeyLength bytes whose byte order is numeric order: a
// sign byte ('0' negative, '1' zero, '2' positive), the decimal exponent plus 500 in three
// digits and 20 significant digits (value = 0.d1d2... x 10^exponent); for a negative number
// exponent and digits are each 9 minus the digit. A number with Text is taken from its text in
// full; any other is rounded half away from zero to 15 significant digits and to decimals
// places (decimals < 0: the double in full, the shortest digits that read back as it).
constexpr int XbNumberKeyLength = 24;
std::string XbNumberKey(const TXbValue& value, int decimals);
// The key of the leading number of a text as VAL reads it, in full; a sortable key back as
// decimal text with at least decimals places.
std::string XbNumberTextKey(std::string_view text);
std::string XbNumberKeyText(std::string_view key, int decimals);
// The leading number of a text as VAL reads it (blanks, a sign, digits, a decimal part; 0 when
// there is none); decimals receives the number of digits after the point.
double XbVal(std::string_view text, int& decimals);
// The text form of a value: character as is, numbers with their decimals and no leading blanks,
// dates in the engine's date format, logicals ".T." / ".F.".
std::string XbValueText(const TXbValue& value);

class TXbExpression {
public:
    TXbExpression();
    ~TXbExpression();
    TXbExpression(TXbExpression&&) noexcept;
    TXbExpression& operator=(TXbExpression&&) noexcept;
    TXbExpression(const TXbExpression&) = delete;
    TXbExpression& operator=(const TXbExpression&) = delete;

    // Compiles text against the source's fields. False on a syntax or type error (see
    // ErrorPos and ErrorMessage); the expression is then invalid.
    bool Compile(std::string_view text, const TXbRecordSource& source);
    bool Valid() const;
    // The type of every value the expression yields; xtError when it is not valid.
    TXbExprType Type() const;
    // The widest character result (the key length of a character key), the width of a numeric
    // result, 8 for dates and 3 for logicals.
    int Width() const;
    // The decimals of a numeric result.
    int Decimals() const;
    // 1-based position in the text where compilation failed; 0 when it did not fail.
    int ErrorPos() const { return errorPos_; }
    const std::string& ErrorMessage() const { return errorMessage_; }
    // The field name (upper case) when the expression is a single field of its own table,
    // else empty.
    std::string SingleField() const;
    // True when the expression is one field of character type, whose value is the field's text
    // as it stands: field receives it.
    bool CharacterField(TXbFieldRef& field) const;

    // Evaluates on the source's current record. A failure at run time (or an invalid
    // expression) gives a value of type xtError.
    TXbValue Evaluate(const TXbRecordSource& source) const;

    struct Node;

private:
    std::unique_ptr<Node> root_;
    int errorPos_ = 0;
    std::string errorMessage_;
};
