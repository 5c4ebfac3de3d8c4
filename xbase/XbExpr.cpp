#include "xbase/XbExpr.h"

#include "platform/rtl/Clock.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Numbers.h"
#include "xbase/XbSettings.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

// Longest text an expression builds (PADL, PADR and STR widths are held to it).
constexpr int MaxTextWidth = 65535;
// Deepest nesting of operations an expression may have; evaluation recurses that deep.
constexpr int MaxDepth = 200;

enum TOp {
    opConst,
    opField,
    opNeg,
    opNot,
    opAdd,
    opSub,
    opMul,
    opDiv,
    opEq,
    opExactEq,
    opNe,
    opLt,
    opGt,
    opLe,
    opGe,
    opContains,
    opAnd,
    opOr,
    fnUpper,
    fnLower,
    fnTrim,
    fnLtrim,
    fnAlltrim,
    fnSubstr,
    fnLeft,
    fnRight,
    fnPadl,
    fnPadr,
    fnLen,
    fnStr,
    fnVal,
    fnDtos,
    fnDtoc,
    fnCtod,
    fnStod,
    fnYear,
    fnMonth,
    fnDay,
    fnDate,
    fnEmpty,
    fnDeleted,
    fnRecno,
    fnIif
};

// A function: its arguments' types (xtError where the function checks for itself) and, unless
// it works them out itself (xtError), its result type and width (-1: the first argument's).
struct TFunction {
    const char* Name;
    TOp Op;
    int MinArgs;
    int MaxArgs;
    TXbExprType Args[3];
    TXbExprType Result;
    int Width;
};

constexpr TXbExprType C = xtCharacter, N = xtNumeric, D = xtDate, L = xtLogical, X = xtError;

const TFunction Functions[] = {
    {"UPPER", fnUpper, 1, 1, {C}, C, -1},
    {"LOWER", fnLower, 1, 1, {C}, C, -1},
    {"TRIM", fnTrim, 1, 1, {C}, C, -1},
    {"RTRIM", fnTrim, 1, 1, {C}, C, -1},
    {"LTRIM", fnLtrim, 1, 1, {C}, C, -1},
    {"ALLTRIM", fnAlltrim, 1, 1, {C}, C, -1},
    {"SUBSTR", fnSubstr, 2, 3, {C, N, N}, X, 0},
    {"LEFT", fnLeft, 2, 2, {C, N}, X, 0},
    {"RIGHT", fnRight, 2, 2, {C, N}, X, 0},
    {"PADL", fnPadl, 2, 3, {X, N, C}, X, 0},
    {"PADR", fnPadr, 2, 3, {X, N, C}, X, 0},
    {"LEN", fnLen, 1, 1, {C}, N, 5},
    {"STR", fnStr, 1, 3, {N, N, N}, X, 0},
    {"VAL", fnVal, 1, 1, {C}, N, -1},
    {"DTOS", fnDtos, 1, 1, {D}, C, 8},
    {"DTOC", fnDtoc, 1, 1, {D}, C, 10},
    {"CTOD", fnCtod, 1, 1, {C}, D, 8},
    {"STOD", fnStod, 1, 1, {C}, D, 8},
    {"YEAR", fnYear, 1, 1, {D}, N, 4},
    {"MONTH", fnMonth, 1, 1, {D}, N, 2},
    {"DAY", fnDay, 1, 1, {D}, N, 2},
    {"DATE", fnDate, 0, 0, {}, D, 8},
    {"EMPTY", fnEmpty, 1, 1, {X}, L, 3},
    {"DELETED", fnDeleted, 0, 0, {}, L, 3},
    {"RECNO", fnRecno, 0, 0, {}, N, 7},
    {"IIF", fnIif, 3, 3, {L, X, X}, X, 0},
};

std::string Upper(std::string s) {
    for (char& c : s) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 'a' && b <= 'z')
            c = static_cast<char>(b - 32);
        else if (b >= 0xE0 && b <= 0xFE && b != 0xF7) // accented letters of Windows-1252
            c = static_cast<char>(b - 32);
        else if (b == 0x9A || b == 0x9C || b == 0x9E)
            c = static_cast<char>(b - 16);
        else if (b == 0xFF)
            c = static_cast<char>(0x9F);
    }
    return s;
}

std::string Lower(std::string s) {
    for (char& c : s) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 'A' && b <= 'Z')
            c = static_cast<char>(b + 32);
        else if (b >= 0xC0 && b <= 0xDE && b != 0xD7)
            c = static_cast<char>(b + 32);
        else if (b == 0x8A || b == 0x8C || b == 0x8E)
            c = static_cast<char>(b + 16);
        else if (b == 0x9F)
            c = static_cast<char>(0xFF);
    }
    return s;
}

std::string RTrim(std::string_view s) {
    std::size_t n = s.size();
    while (n > 0 && s[n - 1] == ' ')
        --n;
    return std::string(s.substr(0, n));
}

std::string LTrim(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ')
        ++i;
    return std::string(s.substr(i));
}

// The decimals a number literal shows: its digits after the point less its exponent
// ("2.5E-3" shows 4, "1e+05" none).
int LiteralDecimals(std::string_view text) {
    const std::size_t e = text.find_first_of("eE");
    const std::string_view mantissa = text.substr(0, e);
    const std::size_t point = mantissa.find('.');
    int decimals =
        point == std::string_view::npos ? 0 : static_cast<int>(mantissa.size() - point - 1);
    if (e != std::string_view::npos) {
        int exponent = 0;
        std::string_view digits = text.substr(e + 1);
        if (!digits.empty() && digits[0] == '+') digits.remove_prefix(1);
        std::from_chars(digits.data(), digits.data() + digits.size(), exponent);
        decimals = std::clamp(decimals - exponent, 0, 15);
    }
    return decimals;
}

// A decimal number text ("-12.5", "1e+05"), independent of the C locale; 0 when it is not one.
double NumberOf(std::string_view text) {
    if (!text.empty() && text[0] == '+') text.remove_prefix(1);
    double value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() ? value : 0.0;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The leading number of a text, blanks before it skipped: a sign, digits with at most one
// point and, when exponent is set, "e" or "E" with a sign and digits.
std::string_view LeadingNumber(std::string_view s, bool exponent) {
    std::size_t start = 0;
    while (start < s.size() && s[start] == ' ')
        ++start;
    std::size_t i = start;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;
    for (bool point = false; i < s.size() && (IsDigit(s[i]) || (s[i] == '.' && !point)); ++i)
        point = point || s[i] == '.';
    if (exponent && i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '-' || s[j] == '+')) ++j;
        if (j < s.size() && IsDigit(s[j])) {
            while (j < s.size() && IsDigit(s[j]))
                ++j;
            i = j;
        }
    }
    return s.substr(start, i - start);
}

// The significant digits of a number text as LeadingNumber gives it, as 0.Digits x
// 10^Exponent with neither leading nor trailing zeros in Digits (none for zero).
TFloatRec DecimalOf(std::string_view number) {
    TFloatRec rec;
    std::size_t i = 0;
    if (i < number.size() && (number[i] == '-' || number[i] == '+'))
        rec.Negative = number[i++] == '-';
    long exponent = 0;
    bool point = false;
    for (; i < number.size() && (IsDigit(number[i]) || number[i] == '.'); ++i) {
        if (number[i] == '.')
            point = true;
        else if (!rec.Digits.empty() || number[i] != '0')
            rec.Digits += number[i];
        if (!point && !rec.Digits.empty()) ++exponent;
        if (point && rec.Digits.empty() && number[i] == '0') --exponent;
    }
    if (i + 1 < number.size()) {
        std::string_view digits = number.substr(i + 1);
        if (digits[0] == '+') digits.remove_prefix(1);
        int power = 0;
        std::from_chars(digits.data(), digits.data() + digits.size(), power);
        exponent += power;
    }
    rec.Digits.erase(rec.Digits.find_last_not_of('0') + 1);
    rec.Negative = rec.Negative && !rec.Digits.empty();
    rec.Exponent = static_cast<int>(std::clamp(exponent, -500L, 499L));
    return rec;
}

constexpr std::size_t KeyDigitsAt = 4;
constexpr int KeyExponentBias = 500;

std::string NumberKey(TFloatRec rec) {
    const std::size_t first = std::min(rec.Digits.find_first_not_of('0'), rec.Digits.size());
    rec.Digits.erase(0, first);
    rec.Exponent -= static_cast<int>(first);
    std::string key(XbNumberKeyLength, '0');
    key[0] = rec.Digits.empty() ? '1' : rec.Negative ? '0' : '2';
    if (rec.Digits.empty()) return key;
    const int biased = std::clamp(rec.Exponent + KeyExponentBias, 0, 999);
    key[1] = static_cast<char>('0' + biased / 100);
    key[2] = static_cast<char>('0' + biased / 10 % 10);
    key[3] = static_cast<char>('0' + biased % 10);
    key.replace(KeyDigitsAt, std::min(rec.Digits.size(), key.size() - KeyDigitsAt), rec.Digits, 0,
                key.size() - KeyDigitsAt);
    if (rec.Negative)
        for (std::size_t i = 1; i < key.size(); ++i)
            key[i] = static_cast<char>('0' + '9' - key[i]);
    return key;
}

} // namespace

double XbVal(std::string_view s, int& decimals) {
    const std::string_view number = LeadingNumber(s, false);
    const std::size_t point = number.find('.');
    decimals = point == std::string_view::npos ? 0 : static_cast<int>(number.size() - point - 1);
    return NumberOf(number);
}

namespace {

int ClampWidth(double n) {
    if (!(n > 0)) return 0;
    return n > MaxTextWidth ? MaxTextWidth : static_cast<int>(n);
}

TXbValue ErrorValue(std::string message) {
    TXbValue v;
    v.Type = xtError;
    v.Text = std::move(message);
    return v;
}

TXbValue CharValue(std::string text) {
    TXbValue v;
    v.Type = xtCharacter;
    v.Text = std::move(text);
    return v;
}

TXbValue NumValue(double number, int decimals = 0) {
    TXbValue v;
    v.Type = xtNumeric;
    v.Number = number;
    v.Decimals = decimals;
    return v;
}

TXbValue LogValue(bool b) {
    TXbValue v;
    v.Type = xtLogical;
    v.Logical = b;
    return v;
}

TXbValue DateValue(LongInt day) {
    TXbValue v;
    v.Type = xtDate;
    v.Date = day;
    return v;
}

// A day number kept inside years 1..9999; anything else is the empty date.
LongInt CheckedDay(double day) {
    const LongInt first = XbEncodeDate(1, 1, 1);
    const LongInt last = XbEncodeDate(9999, 12, 31);
    if (!(day >= first && day <= last)) return 0;
    return static_cast<LongInt>(day);
}

// Compares two texts as "=" and the ordering operators do: with exact matching off the left
// side is cut to the length of the right one; with it on, trailing blanks do not count.
int CompareText(const std::string& a, const std::string& b, bool exact) {
    std::string_view left = a;
    std::string_view right = b;
    std::string lt, rt;
    if (exact) {
        lt = RTrim(a);
        rt = RTrim(b);
        left = lt;
        right = rt;
    } else if (left.size() >= right.size()) {
        left = left.substr(0, right.size());
    }
    const int c = left.compare(right);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

} // namespace

struct TXbExpression::Node {
    TOp Op = opConst;
    TXbExprType Type = xtError;
    int Width = 0;
    int Decimals = 0;
    int Pos = 0;
    int Depth = 1;
    TXbValue Value;    // opConst
    TXbFieldRef Field; // opField
    std::string Alias; // opField
    std::string Name;  // opField, upper case
    std::vector<std::unique_ptr<Node>> Args;
};

using TNode = TXbExpression::Node;
using TNodePtr = std::unique_ptr<TNode>;

// ---------------------------------------------------------------------------------------------
// Dates and numbers

LongInt XbEncodeDate(int year, int month, int day) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return 0;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (day > (month == 2 && leap ? 29 : days[month - 1])) return 0;
    const long a = (14 - month) / 12;
    const long y = year + 4800 - a;
    const long m = month + 12 * a - 3;
    return static_cast<LongInt>(day + (153 * m + 2) / 5 + 365 * y + y / 4 - y / 100 + y / 400 -
                                32045);
}

void XbDecodeDate(LongInt dayNumber, int& year, int& month, int& day) {
    if (dayNumber <= 0) {
        year = month = day = 0;
        return;
    }
    const long a = dayNumber + 32044;
    const long b = (4 * a + 3) / 146097;
    const long c = a - 146097 * b / 4;
    const long d = (4 * c + 3) / 1461;
    const long e = c - 1461 * d / 4;
    const long m = (5 * e + 2) / 153;
    day = static_cast<int>(e - (153 * m + 2) / 5 + 1);
    month = static_cast<int>(m + 3 - 12 * (m / 10));
    year = static_cast<int>(100 * b + d - 4800 + m / 10);
}

LongInt XbDateFromStored(std::string_view stored) {
    if (stored.size() != 8) return 0;
    for (char c : stored)
        if (!std::isdigit(static_cast<unsigned char>(c))) return 0;
    const auto part = [&](std::size_t at, std::size_t n) {
        return std::atoi(std::string(stored.substr(at, n)).c_str());
    };
    return XbEncodeDate(part(0, 4), part(4, 2), part(6, 2));
}

std::string XbDateToStored(LongInt day) {
    int y, m, d;
    XbDecodeDate(day, y, m, d);
    if (day <= 0 || y < 1 || y > 9999) return std::string(8, ' ');
    return Format("%.4d%.2d%.2d", {y, m, d});
}

std::string XbFixed(double value, int decimals) {
    decimals = std::clamp(decimals, 0, 15);
    if (!std::isfinite(value)) return std::string();
    const double rounded = RoundHalfAway15(value, decimals);
    char buffer[400]; // the longest double, 309 digits, with 15 decimals
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, rounded == 0 ? 0.0 : rounded,
                                      std::chars_format::fixed, decimals);
    return result.ec == std::errc() ? std::string(buffer, result.ptr) : std::string();
}

std::string XbStr(double value, int width, int decimals) {
    width = std::clamp(width, 0, 255);
    const std::string text = XbFixed(value, decimals);
    if (text.empty() || static_cast<int>(text.size()) > width)
        return std::string(static_cast<std::size_t>(width), '*');
    return std::string(static_cast<std::size_t>(width) - text.size(), ' ') + text;
}

std::string XbNumberKey(const TXbValue& value, int decimals) {
    if (!value.Text.empty()) return NumberKey(DecimalOf(LeadingNumber(value.Text, true)));
    if (decimals >= 0) return NumberKey(FloatToDecimal(value.Number, 15, decimals));
    return NumberKey(ShortestDecimal(value.Number));
}

std::string XbNumberTextKey(std::string_view text) {
    return NumberKey(DecimalOf(LeadingNumber(text, false)));
}

std::string XbNumberKeyText(std::string_view key, int decimals) {
    if (key.size() != static_cast<std::size_t>(XbNumberKeyLength)) return std::string(key);
    const bool negative = key[0] == '0';
    std::string digits(key.substr(1));
    if (negative)
        for (char& c : digits)
            c = static_cast<char>('0' + '9' - c);
    const int exponent = std::atoi(digits.substr(0, 3).c_str()) - KeyExponentBias;
    digits.erase(0, 3);
    digits.erase(digits.find_last_not_of('0') + 1);
    std::string whole = "0", fraction;
    const auto size = static_cast<int>(digits.size());
    if (digits.empty() || exponent <= 0)
        fraction =
            digits.empty() ? "" : std::string(static_cast<std::size_t>(-exponent), '0') + digits;
    else if (exponent >= size)
        whole = digits + std::string(static_cast<std::size_t>(exponent - size), '0');
    else {
        whole = digits.substr(0, static_cast<std::size_t>(exponent));
        fraction = digits.substr(static_cast<std::size_t>(exponent));
    }
    if (static_cast<int>(fraction.size()) < decimals)
        fraction.append(static_cast<std::size_t>(decimals) - fraction.size(), '0');
    return (negative ? "-" : "") + whole + (fraction.empty() ? "" : "." + fraction);
}

std::string XbValueText(const TXbValue& value) {
    switch (value.Type) {
    case xtCharacter: return value.Text;
    case xtNumeric: return LTrim(XbStr(value.Number, 255, value.Decimals));
    case xtDate: return XbDateToText(XbDateToStored(value.Date));
    case xtLogical: return value.Logical ? ".T." : ".F.";
    default: return std::string();
    }
}

// ---------------------------------------------------------------------------------------------
// Lexer and parser

namespace {

enum TTokKind {
    tkEnd,
    tkName,
    tkNumber,
    tkString,
    tkLogical,
    tkOp,
    tkLParen,
    tkRParen,
    tkComma,
    tkArrow,
    tkAnd,
    tkOr,
    tkNot
};

struct TToken {
    TTokKind Kind = tkEnd;
    std::string Text; // names upper case; string contents; operator spelling
    int Pos = 1;      // 1-based
};

struct TCompileError {
    int Pos;
    std::string Message;
};

class TLexer {
public:
    explicit TLexer(std::string_view text) : text_(text) {}

    TToken Next() {
        while (at_ < text_.size() && static_cast<unsigned char>(text_[at_]) <= ' ')
            ++at_;
        TToken t;
        t.Pos = static_cast<int>(at_) + 1;
        if (at_ >= text_.size()) return t;
        const char c = text_[at_];
        if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') return Name(t);
        if (std::isdigit(static_cast<unsigned char>(c)) ||
            (c == '.' && at_ + 1 < text_.size() &&
             std::isdigit(static_cast<unsigned char>(text_[at_ + 1]))))
            return Number(t);
        if (c == '.') return Dotted(t);
        if (c == '\'' || c == '"' || c == '[') return String(t, c == '[' ? ']' : c);
        return Symbol(t);
    }

private:
    char Peek(std::size_t ahead) const {
        return at_ + ahead < text_.size() ? text_[at_ + ahead] : '\0';
    }

    TToken Name(TToken t) {
        const std::size_t start = at_;
        while (at_ < text_.size() &&
               (std::isalnum(static_cast<unsigned char>(text_[at_])) || text_[at_] == '_'))
            ++at_;
        t.Text = Upper(std::string(text_.substr(start, at_ - start)));
        t.Kind = t.Text == "AND" ? tkAnd : t.Text == "OR" ? tkOr : t.Text == "NOT" ? tkNot : tkName;
        // A word operator followed by "->" is an alias after all.
        if (t.Kind != tkName && Peek(0) == '-' && Peek(1) == '>') t.Kind = tkName;
        return t;
    }

    TToken Number(TToken t) {
        const std::size_t start = at_;
        bool point = false;
        while (at_ < text_.size()) {
            const char c = text_[at_];
            if (std::isdigit(static_cast<unsigned char>(c))) {
                ++at_;
            } else if (c == '.' && !point && std::isdigit(static_cast<unsigned char>(Peek(1)))) {
                point = true;
                ++at_;
            } else {
                break;
            }
        }
        // An exponent ("1e+05", "2.5E-3") when digits follow the letter and its sign.
        const std::size_t sign = Peek(1) == '+' || Peek(1) == '-' ? 1 : 0;
        if ((Peek(0) == 'e' || Peek(0) == 'E') &&
            std::isdigit(static_cast<unsigned char>(Peek(1 + sign)))) {
            at_ += 1 + sign;
            while (at_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[at_])))
                ++at_;
        }
        t.Kind = tkNumber;
        t.Text = std::string(text_.substr(start, at_ - start));
        return t;
    }

    TToken Dotted(TToken t) {
        std::size_t end = at_ + 1;
        while (end < text_.size() && std::isalpha(static_cast<unsigned char>(text_[end])))
            ++end;
        if (end >= text_.size() || text_[end] != '.' || end == at_ + 1)
            throw TCompileError{t.Pos, "Invalid character '.'"};
        const std::string word = Upper(std::string(text_.substr(at_ + 1, end - at_ - 1)));
        at_ = end + 1;
        if (word == "T" || word == "Y" || word == "F" || word == "N") {
            t.Kind = tkLogical;
            t.Text = (word == "T" || word == "Y") ? "T" : "F";
        } else if (word == "AND" || word == "OR" || word == "NOT") {
            t.Kind = word == "AND" ? tkAnd : word == "OR" ? tkOr : tkNot;
            t.Text = word;
        } else {
            throw TCompileError{t.Pos, "Unknown operator '." + word + ".'"};
        }
        return t;
    }

    // A quoted string; inside quotes two quotes in a row stand for one (filter texts written
    // for the data layer quote that way: 'O''Brien').
    TToken String(TToken t, char close) {
        t.Kind = tkString;
        for (std::size_t from = at_ + 1;;) {
            const std::size_t end = text_.find(close, from);
            if (end == std::string_view::npos) throw TCompileError{t.Pos, "Unterminated string"};
            t.Text += text_.substr(from, end - from);
            at_ = end + 1;
            if (close == ']' || Peek(0) != close) return t;
            t.Text += close;
            from = end + 2;
        }
    }

    TToken Symbol(TToken t) {
        static const char* const twoChar[] = {"==", "<>", "!=", "<=", ">=", "->"};
        for (const char* op : twoChar) {
            if (Peek(0) == op[0] && Peek(1) == op[1]) {
                at_ += 2;
                t.Text = op;
                t.Kind = t.Text == "->" ? tkArrow : tkOp;
                return t;
            }
        }
        const char c = text_[at_++];
        t.Text = std::string(1, c);
        switch (c) {
        case '(': t.Kind = tkLParen; return t;
        case ')': t.Kind = tkRParen; return t;
        case ',': t.Kind = tkComma; return t;
        case '!': t.Kind = tkNot; return t;
        case '+':
        case '-':
        case '*':
        case '/':
        case '=':
        case '<':
        case '>':
        case '#':
        case '$': t.Kind = tkOp; return t;
        default: break;
        }
        throw TCompileError{t.Pos, "Invalid character '" + t.Text + "'"};
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

const char* TypeName(TXbExprType t) {
    switch (t) {
    case xtCharacter: return "character";
    case xtNumeric: return "numeric";
    case xtLogical: return "logical";
    case xtDate: return "date";
    default: return "unknown";
    }
}

class TParser {
public:
    TParser(std::string_view text, const TXbRecordSource& source) : lex_(text), source_(source) {
        Advance();
    }

    TNodePtr Parse() {
        TNodePtr root = Expression();
        if (tok_.Kind != tkEnd) throw TCompileError{tok_.Pos, "Unexpected '" + tok_.Text + "'"};
        return root;
    }

private:
    void Advance() { tok_ = lex_.Next(); }

    bool IsOp(const char* op) const { return tok_.Kind == tkOp && tok_.Text == op; }

    static TNodePtr Make(TOp op, int pos) {
        auto n = std::make_unique<TNode>();
        n->Op = op;
        n->Pos = pos;
        return n;
    }

    static TNodePtr Binary(TOp op, int pos, TNodePtr left, TNodePtr right) {
        TNodePtr n = Make(op, pos);
        n->Args.push_back(std::move(left));
        n->Args.push_back(std::move(right));
        CheckDepth(*n);
        TypeBinary(*n);
        return n;
    }

    // Records how deep the operations under n go and refuses expressions nested too deeply.
    static void CheckDepth(TNode& n) {
        for (const auto& arg : n.Args)
            n.Depth = std::max(n.Depth, arg->Depth + 1);
        if (n.Depth > MaxDepth) throw TCompileError{n.Pos, "Expression too complex"};
    }

    // Guards the parser's own recursion (parentheses, NOT and signs nested without end).
    void Enter(int pos) {
        if (++nesting_ > MaxDepth) throw TCompileError{pos, "Expression too complex"};
    }

    static void Require(const TNode& n, TXbExprType type, int pos, const char* what) {
        if (n.Type != type)
            throw TCompileError{pos, std::string("Type mismatch: ") + what + " needs a " +
                                         TypeName(type) + " value"};
    }

    // Binary operators by precedence, lowest first: 0 OR, 1 AND, 2 relations, 3 + and -,
    // 4 * and /. NOT sits between AND and the relations, signs above * and /.
    static constexpr int Relations = 2;
    static constexpr int Products = 4;

    TNodePtr Expression() { return Level(0); }

    TOp BinaryOpAt(int level) const {
        switch (level) {
        case 0: return tok_.Kind == tkOr ? opOr : opConst;
        case 1: return tok_.Kind == tkAnd ? opAnd : opConst;
        case Relations: return tok_.Kind == tkOp ? RelationOp(tok_.Text) : opConst;
        case 3: return IsOp("+") ? opAdd : IsOp("-") ? opSub : opConst;
        default: return IsOp("*") ? opMul : IsOp("/") ? opDiv : opConst;
        }
    }

    TNodePtr Operand(int level) {
        if (level == Relations - 1) return Not();
        if (level == Products) return Unary();
        return Level(level + 1);
    }

    TNodePtr Level(int level) {
        TNodePtr left = Operand(level);
        for (TOp op = BinaryOpAt(level); op != opConst; op = BinaryOpAt(level)) {
            const int pos = tok_.Pos;
            Advance();
            left = Binary(op, pos, std::move(left), Operand(level));
        }
        return left;
    }

    TNodePtr Not() {
        if (tok_.Kind != tkNot) return Level(Relations);
        const int pos = tok_.Pos;
        Advance();
        TNodePtr n = Make(opNot, pos);
        Enter(pos);
        n->Args.push_back(Not());
        --nesting_;
        CheckDepth(*n);
        Require(*n->Args[0], xtLogical, pos, "NOT");
        n->Type = xtLogical;
        n->Width = 3;
        return n;
    }

    static TOp RelationOp(const std::string& text) {
        if (text == "=") return opEq;
        if (text == "==") return opExactEq;
        if (text == "<>" || text == "#" || text == "!=") return opNe;
        if (text == "<") return opLt;
        if (text == ">") return opGt;
        if (text == "<=") return opLe;
        if (text == ">=") return opGe;
        if (text == "$") return opContains;
        return opConst;
    }

    TNodePtr Unary() {
        if (IsOp("-") || IsOp("+")) {
            const bool negate = tok_.Text == "-";
            const int pos = tok_.Pos;
            Advance();
            Enter(pos);
            TNodePtr operand = Unary();
            --nesting_;
            Require(*operand, xtNumeric, pos, negate ? "unary -" : "unary +");
            if (!negate) return operand;
            TNodePtr n = Make(opNeg, pos);
            n->Type = xtNumeric;
            n->Width = operand->Width + 1;
            n->Decimals = operand->Decimals;
            n->Args.push_back(std::move(operand));
            CheckDepth(*n);
            return n;
        }
        return Primary();
    }

    TNodePtr Primary() {
        const TToken t = tok_;
        switch (t.Kind) {
        case tkNumber: {
            Advance();
            TNodePtr n = Make(opConst, t.Pos);
            n->Value = NumValue(NumberOf(t.Text), LiteralDecimals(t.Text));
            if (DecimalOf(t.Text).Digits.size() > 15) n->Value.Text = t.Text; // beyond a double
            SetConstType(*n, static_cast<int>(t.Text.size()));
            return n;
        }
        case tkString: {
            Advance();
            TNodePtr n = Make(opConst, t.Pos);
            n->Value = CharValue(t.Text);
            SetConstType(*n, static_cast<int>(t.Text.size()));
            return n;
        }
        case tkLogical: {
            Advance();
            TNodePtr n = Make(opConst, t.Pos);
            n->Value = LogValue(t.Text == "T");
            SetConstType(*n, 3);
            return n;
        }
        case tkLParen: {
            Advance();
            Enter(t.Pos);
            TNodePtr n = Expression();
            --nesting_;
            Expect(tkRParen, "')'");
            return n;
        }
        case tkName: return NameOrCall();
        case tkEnd: throw TCompileError{t.Pos, "Unexpected end of expression"};
        default: throw TCompileError{t.Pos, "Unexpected '" + t.Text + "'"};
        }
    }

    static void SetConstType(TNode& n, int width) {
        n.Type = n.Value.Type;
        n.Width = width;
        n.Decimals = n.Value.Decimals;
    }

    void Expect(TTokKind kind, const char* what) {
        if (tok_.Kind != kind) throw TCompileError{tok_.Pos, std::string(what) + " expected"};
        Advance();
    }

    TNodePtr NameOrCall() {
        const TToken name = tok_;
        Advance();
        if (tok_.Kind == tkLParen) return Call(name);
        std::string alias;
        std::string field = name.Text;
        if (tok_.Kind == tkArrow) {
            Advance();
            if (tok_.Kind != tkName && tok_.Kind != tkAnd && tok_.Kind != tkOr &&
                tok_.Kind != tkNot)
                throw TCompileError{tok_.Pos, "Field name expected after '->'"};
            alias = name.Text;
            field = tok_.Text;
            Advance();
        }
        TNodePtr n = Make(opField, name.Pos);
        if (!source_.FindField(alias, field, n->Field))
            throw TCompileError{name.Pos, "Unknown field '" +
                                              (alias.empty() ? field : alias + "->" + field) + "'"};
        n->Alias = alias;
        n->Name = field;
        n->Width = n->Field.Length;
        n->Decimals = n->Field.Decimals;
        switch (n->Field.Type) {
        case 'N':
        case 'F': n->Type = xtNumeric; break;
        case 'D':
            n->Type = xtDate;
            n->Width = 8;
            break;
        case 'L':
            n->Type = xtLogical;
            n->Width = 3;
            break;
        default: n->Type = xtCharacter; break;
        }
        return n;
    }

    TNodePtr Call(const TToken& name) {
        const TFunction* fn = nullptr;
        for (const TFunction& f : Functions)
            if (name.Text == f.Name) fn = &f;
        if (!fn) throw TCompileError{name.Pos, "Unknown function '" + name.Text + "'"};
        Advance(); // "("
        TNodePtr n = Make(fn->Op, name.Pos);
        Enter(name.Pos);
        if (tok_.Kind != tkRParen) {
            n->Args.push_back(Expression());
            while (tok_.Kind == tkComma) {
                Advance();
                n->Args.push_back(Expression());
            }
        }
        --nesting_;
        Expect(tkRParen, "')'");
        CheckDepth(*n);
        const int count = static_cast<int>(n->Args.size());
        if (count < fn->MinArgs || count > fn->MaxArgs)
            throw TCompileError{name.Pos, "Wrong number of arguments for " + name.Text};
        TypeCall(*n, *fn);
        return n;
    }

    static void TypeBinary(TNode& n) {
        const TNode& a = *n.Args[0];
        const TNode& b = *n.Args[1];
        const auto mismatch = [&]() {
            return TCompileError{n.Pos, std::string("Type mismatch: ") + TypeName(a.Type) +
                                            " and " + TypeName(b.Type)};
        };
        switch (n.Op) {
        case opAnd:
        case opOr:
            if (a.Type != xtLogical || b.Type != xtLogical) throw mismatch();
            n.Type = xtLogical;
            n.Width = 3;
            return;
        case opAdd:
        case opSub:
            if (a.Type == xtCharacter && b.Type == xtCharacter) {
                n.Type = xtCharacter;
                n.Width = std::min(a.Width + b.Width, MaxTextWidth);
            } else if (a.Type == xtNumeric && b.Type == xtNumeric) {
                n.Type = xtNumeric;
                n.Width = std::max(a.Width, b.Width) + 1;
                n.Decimals = std::max(a.Decimals, b.Decimals);
            } else if (a.Type == xtDate && b.Type == xtNumeric) {
                n.Type = xtDate;
                n.Width = 8;
            } else if (n.Op == opAdd && a.Type == xtNumeric && b.Type == xtDate) {
                n.Type = xtDate;
                n.Width = 8;
            } else if (n.Op == opSub && a.Type == xtDate && b.Type == xtDate) {
                n.Type = xtNumeric;
                n.Width = 8;
            } else {
                throw mismatch();
            }
            return;
        case opMul:
        case opDiv:
            if (a.Type != xtNumeric || b.Type != xtNumeric) throw mismatch();
            n.Type = xtNumeric;
            n.Width = a.Width + b.Width;
            n.Decimals =
                n.Op == opMul ? a.Decimals + b.Decimals : std::max({a.Decimals, b.Decimals, 2});
            return;
        case opContains:
            if (a.Type != xtCharacter || b.Type != xtCharacter) throw mismatch();
            n.Type = xtLogical;
            n.Width = 3;
            return;
        default: // comparisons
            if (a.Type != b.Type || a.Type == xtError) throw mismatch();
            n.Type = xtLogical;
            n.Width = 3;
            return;
        }
    }

    // The value of a constant numeric argument, or -1 when it is not constant.
    static double ConstNumber(const TNode& n) {
        return n.Op == opConst && n.Type == xtNumeric ? n.Value.Number : -1;
    }

    static void TypeCall(TNode& n, const TFunction& fn) {
        for (std::size_t i = 0; i < n.Args.size(); ++i)
            if (fn.Args[i] != xtError) Require(*n.Args[i], fn.Args[i], n.Args[i]->Pos, fn.Name);
        const auto result = [&](TXbExprType type, int width) {
            n.Type = type;
            n.Width = width;
        };
        if (fn.Result != xtError) {
            result(fn.Result, fn.Width < 0 ? n.Args[0]->Width : fn.Width);
            return;
        }
        const auto constWidth = [&](std::size_t i, int otherwise) {
            return n.Args.size() > i && n.Args[i]->Op == opConst
                       ? ClampWidth(n.Args[i]->Value.Number)
                       : otherwise;
        };
        const int first = n.Args[0]->Width;
        switch (n.Op) {
        case fnSubstr: {
            const double start = ConstNumber(*n.Args[1]);
            // A start beyond the text leaves nothing (and is never converted past an int).
            const int rest =
                start >= 1 ? (start > first ? 0 : first - static_cast<int>(start) + 1) : first;
            result(xtCharacter, std::min(rest, constWidth(2, rest)));
            return;
        }
        case fnLeft:
        case fnRight: result(xtCharacter, std::min(first, constWidth(1, first))); return;
        case fnPadl:
        case fnPadr:
            if (n.Args[0]->Type == xtLogical)
                Require(*n.Args[0], xtCharacter, n.Args[0]->Pos, fn.Name);
            result(xtCharacter, constWidth(1, std::max(first, 10)));
            return;
        case fnStr:
            result(xtCharacter, n.Args.size() > 1 ? std::min(constWidth(1, 255), 255) : 10);
            return;
        default: // IIF
            if (n.Args[1]->Type != n.Args[2]->Type)
                throw TCompileError{n.Pos, "Type mismatch: IIF needs two values of one type"};
            result(n.Args[1]->Type, std::max(n.Args[1]->Width, n.Args[2]->Width));
            n.Decimals = std::max(n.Args[1]->Decimals, n.Args[2]->Decimals);
            return;
        }
    }

    TLexer lex_;
    const TXbRecordSource& source_;
    TToken tok_;
    int nesting_ = 0;
};

// ---------------------------------------------------------------------------------------------
// Evaluation

TXbValue Eval(const TNode& n, const TXbRecordSource& src);

TXbValue FieldValue(const TNode& n, const TXbRecordSource& src) {
    const std::string text = src.FieldText(n.Field);
    switch (n.Type) {
    case xtNumeric: {
        int decimals = 0;
        if (!n.Field.Exact) return NumValue(XbVal(text, decimals), n.Field.Decimals);
        const std::string_view number = LeadingNumber(text, true);
        TXbValue v = NumValue(NumberOf(number), n.Field.Decimals);
        v.Text = number;
        return v;
    }
    case xtDate: return DateValue(XbDateFromStored(text));
    case xtLogical: {
        const char c = text.empty() ? ' ' : text[0];
        return LogValue(c == 'T' || c == 't' || c == 'Y' || c == 'y');
    }
    default: return CharValue(text);
    }
}

TXbValue Arithmetic(const TNode& n, const TXbValue& a, const TXbValue& b) {
    if (a.Type == xtCharacter) {
        if (n.Op == opAdd) return CharValue(a.Text + b.Text);
        const std::string trimmed = RTrim(a.Text);
        return CharValue(trimmed + b.Text + std::string(a.Text.size() - trimmed.size(), ' '));
    }
    if (a.Type == xtDate && b.Type == xtDate) return NumValue(static_cast<double>(a.Date) - b.Date);
    if (a.Type == xtDate || b.Type == xtDate) {
        const LongInt day = a.Type == xtDate ? a.Date : b.Date;
        const double offset = std::round(a.Type == xtDate ? b.Number : a.Number);
        if (day == 0) return DateValue(0);
        return DateValue(CheckedDay(n.Op == opAdd ? day + offset : day - offset));
    }
    switch (n.Op) {
    case opAdd: return NumValue(a.Number + b.Number, n.Decimals);
    case opSub: return NumValue(a.Number - b.Number, n.Decimals);
    case opMul: return NumValue(a.Number * b.Number, n.Decimals);
    default:
        if (b.Number == 0) return ErrorValue("Division by zero");
        return NumValue(a.Number / b.Number, n.Decimals);
    }
}

int CompareValues(const TXbValue& a, const TXbValue& b, bool exact) {
    switch (a.Type) {
    case xtCharacter: return CompareText(a.Text, b.Text, exact);
    case xtNumeric:
        if (a.Text.empty() && b.Text.empty())
            return a.Number < b.Number ? -1 : a.Number > b.Number ? 1 : 0;
        return std::clamp(XbNumberKey(a, -1).compare(XbNumberKey(b, -1)), -1, 1);
    case xtDate: return a.Date < b.Date ? -1 : a.Date > b.Date ? 1 : 0;
    default: return static_cast<int>(a.Logical) - static_cast<int>(b.Logical);
    }
}

TXbValue Relation(const TNode& n, const TXbValue& a, const TXbValue& b) {
    if (n.Op == opContains) return LogValue(b.Text.find(a.Text) != std::string::npos);
    if (n.Op == opExactEq)
        return LogValue(a.Type == xtCharacter ? a.Text == b.Text : CompareValues(a, b, true) == 0);
    const int c = CompareValues(a, b, XbSettings().Exact);
    switch (n.Op) {
    case opEq: return LogValue(c == 0);
    case opNe: return LogValue(c != 0);
    case opLt: return LogValue(c < 0);
    case opGt: return LogValue(c > 0);
    case opLe: return LogValue(c <= 0);
    default: return LogValue(c >= 0);
    }
}

TXbValue Negated(const TXbValue& a) {
    TXbValue v = NumValue(-a.Number, a.Decimals);
    if (a.Text.empty()) return v;
    const bool sign = a.Text[0] == '-' || a.Text[0] == '+';
    v.Text = (a.Text[0] == '-' ? "" : "-") + a.Text.substr(sign ? 1 : 0);
    return v;
}

// A position or count argument as a whole number; anything not finite counts as 0.
double Whole(double x) {
    return std::isfinite(x) ? std::trunc(x) : 0.0;
}

std::string SubstrOf(const std::string& s, double startArg, double countArg, bool hasCount) {
    const double size = static_cast<double>(s.size());
    double start = Whole(startArg);
    if (start < 0)
        start = std::max(1.0, size + start + 1);
    else if (start == 0)
        start = 1;
    if (start > size) return std::string();
    double count = hasCount ? Whole(countArg) : size;
    if (count <= 0) return std::string();
    count = std::min(count, size - start + 1);
    return s.substr(static_cast<std::size_t>(start) - 1, static_cast<std::size_t>(count));
}

std::string Pad(const TXbValue& v, double widthArg, const std::string& fillArg, bool left) {
    std::string text =
        v.Type == xtNumeric ? LTrim(XbStr(v.Number, 255, v.Decimals)) : XbValueText(v);
    const auto width = static_cast<std::size_t>(ClampWidth(widthArg));
    const char fill = fillArg.empty() ? ' ' : fillArg[0];
    if (text.size() >= width) return text.substr(0, width);
    const std::string padding(width - text.size(), fill);
    return left ? padding + text : text + padding;
}

bool IsEmpty(const TXbValue& v) {
    switch (v.Type) {
    case xtCharacter: return v.Text.find_first_not_of(" \t\r\n") == std::string::npos;
    case xtNumeric: return v.Number == 0;
    case xtDate: return v.Date == 0;
    default: return !v.Logical;
    }
}

LongInt Today() {
    const TSystemTime now = Clock().LocalTime();
    return XbEncodeDate(now.Year, now.Month, now.Day);
}

TXbValue DatePart(TOp op, LongInt day) {
    int y, m, d;
    XbDecodeDate(day, y, m, d);
    return NumValue(op == fnYear ? y : op == fnMonth ? m : d);
}

TXbValue Call(const TNode& n, const std::vector<TXbValue>& a, const TXbRecordSource& src) {
    switch (n.Op) {
    case fnUpper: return CharValue(Upper(a[0].Text));
    case fnLower: return CharValue(Lower(a[0].Text));
    case fnTrim: return CharValue(RTrim(a[0].Text));
    case fnLtrim: return CharValue(LTrim(a[0].Text));
    case fnAlltrim: return CharValue(LTrim(RTrim(a[0].Text)));
    case fnSubstr:
        return CharValue(
            SubstrOf(a[0].Text, a[1].Number, a.size() > 2 ? a[2].Number : 0, a.size() > 2));
    case fnLeft: return CharValue(SubstrOf(a[0].Text, 1, a[1].Number, true));
    case fnRight: {
        const double count = std::min(Whole(a[1].Number), double(a[0].Text.size()));
        if (count <= 0) return CharValue(std::string());
        return CharValue(a[0].Text.substr(a[0].Text.size() - static_cast<std::size_t>(count)));
    }
    case fnPadl:
    case fnPadr:
        return CharValue(Pad(a[0], a[1].Number, a.size() > 2 ? a[2].Text : " ", n.Op == fnPadl));
    case fnLen: return NumValue(static_cast<double>(a[0].Text.size()));
    case fnStr: {
        const int width = a.size() > 1 ? ClampWidth(a[1].Number) : 10;
        const int decimals = a.size() > 2 ? ClampWidth(a[2].Number) : 0;
        return CharValue(XbStr(a[0].Number, width, decimals));
    }
    case fnVal: {
        int decimals = 0;
        const double v = XbVal(a[0].Text, decimals);
        return NumValue(v, decimals);
    }
    case fnDtos: return CharValue(XbDateToStored(a[0].Date));
    case fnDtoc: return CharValue(XbDateToText(XbDateToStored(a[0].Date)));
    case fnCtod: return DateValue(XbDateFromStored(XbTextToDate(a[0].Text)));
    case fnStod: return DateValue(XbDateFromStored(a[0].Text));
    case fnYear:
    case fnMonth:
    case fnDay: return DatePart(n.Op, a[0].Date);
    case fnDate: return DateValue(Today());
    case fnEmpty: return LogValue(IsEmpty(a[0]));
    case fnDeleted: return LogValue(src.Deleted());
    case fnRecno: return NumValue(src.RecNo());
    default: return ErrorValue("Unknown operation");
    }
}

TXbValue Eval(const TNode& n, const TXbRecordSource& src) {
    switch (n.Op) {
    case opConst: return n.Value;
    case opField: return FieldValue(n, src);
    case opAnd:
    case opOr: {
        TXbValue a = Eval(*n.Args[0], src);
        if (a.Type == xtError || a.Logical == (n.Op == opOr)) return a;
        return Eval(*n.Args[1], src);
    }
    case fnIif: {
        const TXbValue c = Eval(*n.Args[0], src);
        if (c.Type == xtError) return c;
        return Eval(*n.Args[c.Logical ? 1 : 2], src);
    }
    default: break;
    }
    std::vector<TXbValue> args;
    args.reserve(n.Args.size());
    for (const auto& arg : n.Args) {
        args.push_back(Eval(*arg, src));
        if (args.back().Type == xtError) return args.back();
    }
    switch (n.Op) {
    case opNeg: return Negated(args[0]);
    case opNot: return LogValue(!args[0].Logical);
    case opAdd:
    case opSub:
    case opMul:
    case opDiv: return Arithmetic(n, args[0], args[1]);
    case opEq:
    case opExactEq:
    case opNe:
    case opLt:
    case opGt:
    case opLe:
    case opGe:
    case opContains: return Relation(n, args[0], args[1]);
    default: return Call(n, args, src);
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------

TXbExpression::TXbExpression() = default;
TXbExpression::~TXbExpression() = default;
TXbExpression::TXbExpression(TXbExpression&&) noexcept = default;
TXbExpression& TXbExpression::operator=(TXbExpression&&) noexcept = default;

bool TXbExpression::Compile(std::string_view text, const TXbRecordSource& source) {
    root_.reset();
    errorPos_ = 0;
    errorMessage_.clear();
    try {
        root_ = TParser(text, source).Parse();
    } catch (const TCompileError& e) {
        errorPos_ = e.Pos;
        errorMessage_ = e.Message;
    }
    return root_ != nullptr;
}

bool TXbExpression::Valid() const {
    return root_ != nullptr;
}

TXbExprType TXbExpression::Type() const {
    return root_ ? root_->Type : xtError;
}

int TXbExpression::Width() const {
    return root_ ? root_->Width : 0;
}

int TXbExpression::Decimals() const {
    return root_ ? root_->Decimals : 0;
}

std::string TXbExpression::SingleField() const {
    return root_ && root_->Op == opField && root_->Alias.empty() ? root_->Name : std::string();
}

bool TXbExpression::CharacterField(TXbFieldRef& field) const {
    if (!root_ || root_->Op != opField || root_->Type != xtCharacter) return false;
    field = root_->Field;
    return true;
}

TXbValue TXbExpression::Evaluate(const TXbRecordSource& source) const {
    if (!root_)
        return ErrorValue(errorMessage_.empty() ? "Expression not compiled" : errorMessage_);
    return Eval(*root_, source);
}
