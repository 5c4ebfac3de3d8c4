#include "dbcontrols/FilterParser.h"

#include "db/DBTables.h"
#include "db/EngineRecords.h"
#include "platform/gui/Dialogs.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Regional.h"
#include "platform/rtl/Strings.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

// ---- String and token routines ----

std::string strGetToken(const std::string& S, const std::string& Delimiter, int& Pos) {
    if (Pos < 1 || static_cast<std::size_t>(Pos) > S.size() || Delimiter.empty()) {
        Pos = -1;
        return "";
    }
    const std::size_t from = static_cast<std::size_t>(Pos) - 1;
    std::size_t found = std::string::npos;
    std::size_t skip = Delimiter.size();
    if (Delimiter.size() == 1) {
        found = S.find(Delimiter, from);
    } else {
        found = UpperCase(S).find(" " + UpperCase(Delimiter) + " ", from);
        skip += 2;
    }
    if (found == std::string::npos) {
        Pos = -1;
        return S.substr(from);
    }
    Pos = static_cast<int>(found + skip) + 1;
    return S.substr(from, found - from);
}

void strBreakApart(const std::string& S, char Delimiter, TStrings& List) {
    List.Clear();
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = S.find(Delimiter, start);
        if (end == std::string::npos) break;
        List.Add(S.substr(start, end - start));
        start = end + 1;
    }
    List.Add(S.substr(start));
}

void strTrimTrailing(std::string& S, std::string_view Chars) {
    while (!S.empty() && Chars.find(S.back()) != std::string_view::npos)
        S.pop_back();
}

std::string strReplaceChar(std::string S, char OldChar, char NewChar) {
    std::replace(S.begin(), S.end(), OldChar, NewChar);
    return S;
}

bool strEqualNoCase(std::string_view A, std::string_view B) {
    return UpperCase(A) == UpperCase(B);
}

int strCountChar(std::string_view S, char C) {
    return static_cast<int>(std::count(S.begin(), S.end(), C));
}

std::string strAfterChar(const std::string& S, char C) {
    const std::size_t at = S.find(C);
    return at == std::string::npos ? std::string() : S.substr(at + 1);
}

std::string strGetWord(const std::string& S, int& Pos, int Options, std::string_view Delimiters) {
    std::size_t i = Pos < 1 ? 0 : static_cast<std::size_t>(Pos) - 1;
    if (Options & gwSkipBlanks)
        while (i < S.size() && (S[i] == ' ' || S[i] == '\t'))
            ++i;
    std::string word;
    if (i < S.size()) {
        const std::size_t start = i;
        if ((Options & gwQuoted) && S[i] == '"') {
            const std::size_t close = S.find('"', i + 1);
            i = close == std::string::npos ? S.size() : close + 1;
        } else {
            while (i < S.size() && static_cast<unsigned char>(S[i]) >= 33 &&
                   Delimiters.find(S[i]) == std::string_view::npos)
                ++i;
            if (i == start) ++i; // a delimiter standing first is a word of its own
        }
        word = S.substr(start, i - start);
    }
    if ((Options & gwUnquote) && !word.empty() && (word[0] == '"' || word[0] == '\'')) {
        const char quote = word[0];
        word.erase(0, 1);
        if (!word.empty() && word.back() == quote) word.pop_back();
    }
    Pos = static_cast<int>(i) + 1;
    return word;
}

std::string TStackStr::Pop() {
    if (items_.empty()) return "";
    std::string s = std::move(items_.back());
    items_.pop_back();
    return s;
}

TObject* TStackPtr::Pop() {
    if (items_.empty()) return nullptr;
    TObject* p = items_.back();
    items_.pop_back();
    return p;
}

TNode::~TNode() {
    delete Left;
    delete Right;
}

// ---- The filter parser ----

namespace {

constexpr std::size_t kMaxLeafLength = 64;
constexpr int kMaxNesting = 200;
constexpr std::size_t kMaxBlockSize = 0xFFFF; // offsets and sizes are 16-bit words
// The most nodes a block of kMaxBlockSize bytes can hold.
constexpr std::size_t kMaxNodes = (kMaxBlockSize - 10 - kFilterPoolSize) / kFilterNodeSize;

bool IsIdentStart(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || u >= 146 ||
           std::strchr("!#$*+-/@_`", c) != nullptr;
}
bool IsIdentChar(char c) {
    return IsIdentStart(c) || (c >= '0' && c <= '9');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsRelChar(char c) {
    return c == '<' || c == '=' || c == '>';
}
bool IsRelOp(const std::string& t) {
    return t == "<" || t == "<>" || t == "<=" || t == ">=" || t == "=" || t == ">";
}

Word OperatorCode(const std::string& op) {
    static const struct {
        const char* Text;
        Word Code;
    } codes[] = {{"=", 3},    {"<>", 4},  {">", 5},  {"<", 6},  {">=", 7}, {"<=", 8},
                 {"AND", 10}, {"OR", 11}, {"+", 16}, {"-", 17}, {"*", 18}, {"/", 19}};
    for (const auto& c : codes)
        if (op == c.Text) return c.Code;
    return 0;
}

// A parse ended by the grammar or by an unknown field; the tree built so far is freed.
struct TParseFailed {};

// Packs Value as a 34-byte engine BCD: precision 32 digits with Places of them decimals, the
// sign in bit 7 of byte 1, digits as nibbles from the high nibble of byte 2; the rest zero.
void FloatToBcd(double Value, int Places, Byte* out, const std::string& text) {
    std::memset(out, 0, 34);
    constexpr int precision = 32;
    Places = std::clamp(Places, 0, precision);
    char digits[400];
    const int n = std::snprintf(digits, sizeof digits, "%.*f", Places, std::fabs(Value));
    std::string all(digits, static_cast<std::size_t>(std::max(n, 0)));
    all.erase(std::remove(all.begin(), all.end(), '.'), all.end());
    if (!std::isfinite(Value) || all.size() > static_cast<std::size_t>(precision) + 1 ||
        (all.size() > static_cast<std::size_t>(precision) && all[0] != '0'))
        throw EConvertError(Format("'%s' is not a valid floating point value", {text}));
    all = std::string(precision, '0') + all;
    all = all.substr(all.size() - precision);
    out[0] = precision;
    out[1] = static_cast<Byte>(Places | (Value < 0 ? 0x80 : 0));
    for (int i = 0; i < precision; ++i) {
        const auto d = static_cast<Byte>(all[static_cast<std::size_t>(i)] - '0');
        out[2 + i / 2] |= static_cast<Byte>(i % 2 == 0 ? d << 4 : d);
    }
}

class TFilterParser {
public:
    explicit TFilterParser(const TFilterTable& table) : table_(table) {}
    ~TFilterParser() {
        while (TObject* node = nodes_.Pop())
            delete node;
    }

    std::vector<Byte> Build(const std::string& text) {
        rest_ = text;
        ParseL();
        std::unique_ptr<TNode> root(static_cast<TNode*>(nodes_.Pop()));
        if (!root) throw TParseFailed{};
        const std::size_t count = CountNodes(root.get());
        nodeCount_ = count;
        block_.assign(count * kFilterNodeSize + 10 + kFilterPoolSize, 0);
        nextSlot_ = count;
        Emit(root.get());
        const std::size_t literalStart = count * kFilterNodeSize + 10;
        PutWord(0, 1);
        PutWord(2, static_cast<Word>(literalStart + poolSize_));
        PutWord(4, static_cast<Word>(count));
        PutWord(6, 10);
        PutWord(8, static_cast<Word>(literalStart));
        block_.resize(literalStart + poolSize_);
        return block_;
    }

private:
    // ---- Tokens ----

    std::string PeekToken() {
        const std::size_t lead = rest_.find_first_not_of(" \t");
        rest_.erase(0, lead == std::string::npos ? rest_.size() : lead);
        std::string t = ScanToken();
        strTrimTrailing(t, " ");
        return t;
    }

    std::string ScanToken() const {
        if (rest_.empty()) return "";
        const char c = rest_[0];
        if (c == '(' || c == ')') return rest_.substr(0, 1);
        if (IsRelChar(c)) return rest_.substr(0, rest_.size() > 1 && IsRelChar(rest_[1]) ? 2 : 1);
        if (connective_) {
            const std::string upper = UpperCase(rest_.substr(0, 3));
            if (upper == "AND") return rest_.substr(0, 3);
            if (upper.compare(0, 2, "OR") == 0) return rest_.substr(0, 2);
        }
        std::size_t n = 0;
        // A minus sign before a digit begins a number, so a negative constant keeps its
        // decimals instead of ending at the separator as an identifier would.
        const bool negative = c == '-' && rest_.size() > 1 && IsDigit(rest_[1]);
        if (IsIdentStart(c) && !negative) {
            for (n = 1; n < rest_.size() && IsIdentChar(rest_[n]);)
                ++n;
            return rest_.substr(0, n);
        }
        if (IsDigit(c) || negative) {
            n = negative ? 1 : 0;
            while (n < rest_.size() && IsDigit(rest_[n]))
                ++n;
            if (n < rest_.size() && rest_[n] == FormatSettings().DecimalSeparator) {
                ++n;
                while (n < rest_.size() && IsDigit(rest_[n]))
                    ++n;
            }
            return rest_.substr(0, n);
        }
        if (c == '"') {
            const std::size_t close = rest_.find('"', 1);
            if (close != std::string::npos) return rest_.substr(0, close + 1);
        }
        return "";
    }

    // Takes the token off the front of the text and onto the symbol stack.
    void Shift(const std::string& token) {
        if (rest_.compare(0, token.size(), token) != 0) throw TParseFailed{};
        rest_.erase(0, token.size());
        symbols_.Push(token);
    }

    void Reduce(int n, const char* symbol) {
        for (int i = 0; i < n; ++i) {
            if (symbols_.Count() == 0) throw TParseFailed{};
            symbols_.Pop();
        }
        symbols_.Push(symbol);
    }

    // ---- Grammar ----

    void Enter() {
        if (++depth_ > kMaxNesting) throw TParseFailed{};
    }

    void ParseL() {
        Enter();
        ParseR();
        for (;;) {
            connective_ = true;
            std::string token = PeekToken();
            connective_ = false;
            const std::string op = UpperCase(token);
            if (op != "AND" && op != "OR") break;
            Shift(token);
            ParseR();
            Reduce(3, "L");
            MakeNode(nkLogical, op);
        }
        Reduce(1, "L");
        --depth_;
    }

    void ParseR() {
        ParseE();
        const std::string token = PeekToken();
        if (IsRelOp(token)) {
            Shift(token);
            ParseE();
            Reduce(3, "R");
            MakeNode(nkComparison, token);
        } else {
            Reduce(1, "R");
        }
    }

    void ParseE() {
        ParseT();
        for (std::string token = PeekToken(); token == "+" || token == "-"; token = PeekToken()) {
            Shift(token);
            ParseT();
            Reduce(3, "E");
            MakeNode(nkArithmetic, token);
        }
        Reduce(1, "E");
    }

    void ParseT() {
        Enter();
        ParseP();
        const std::string token = PeekToken();
        if (token == "*" || token == "/") {
            Shift(token);
            ParseT();
            Reduce(3, "T");
            MakeNode(nkArithmetic, token);
        } else {
            Reduce(1, "T");
        }
        --depth_;
    }

    void ParseP() {
        std::string token = PeekToken();
        if (token == "(") {
            Shift(token);
            ParseL();
            if (PeekToken() != ")") throw TParseFailed{};
            Shift(")");
            Reduce(3, "P");
            return;
        }
        if (token.empty() || token == ")" || IsRelChar(token[0])) throw TParseFailed{};
        if (token.size() > kMaxLeafLength) token.resize(kMaxLeafLength);
        Shift(token);
        Created();
        nodes_.Push(new TNode(nkOperand, token));
        Reduce(1, "P");
    }

    // An operator node over the two nodes on top of the stack.
    void MakeNode(TNodeKind kind, const std::string& op) {
        std::unique_ptr<TNode> right(static_cast<TNode*>(nodes_.Pop()));
        std::unique_ptr<TNode> left(static_cast<TNode*>(nodes_.Pop()));
        if (!left || !right) throw TParseFailed{};
        if (left->Kind == nkOperand) {
            TOperandType type = otFieldName;
            int size = 0;
            if (!table_.FieldOperand(left->Text, type, size)) {
                MessageDlg(left->Text + "\rField not found in Table. ", mtWarning, {mbOK}, 0);
                throw TParseFailed{};
            }
            right->OperandType = type;
            if (type == otBCD) right->Decimals = static_cast<SmallInt>(size);
        }
        Created();
        auto* node = new TNode(kind, op);
        node->Left = left.release();
        node->Right = right.release();
        nodes_.Push(node);
    }

    // Counts a new node; a tree too large for a block fails the parse before it is deep enough
    // to strain the recursive walks over it.
    void Created() {
        if (++created_ > kMaxNodes) throw TParseFailed{};
    }

    static std::size_t CountNodes(const TNode* node) {
        return node ? 1 + CountNodes(node->Left) + CountNodes(node->Right) : 0;
    }

    // ---- Writing the block ----

    void PutWord(std::size_t at, Word value) {
        block_[at] = static_cast<Byte>(value & 0xFF);
        block_[at + 1] = static_cast<Byte>(value >> 8);
    }
    void PutLong(std::size_t at, LongWord value) {
        PutWord(at, static_cast<Word>(value & 0xFFFF));
        PutWord(at + 2, static_cast<Word>(value >> 16));
    }

    // Appends bytes to the literal pool; the offset of the value in the pool.
    Word AddLiteral(const void* data, std::size_t size) {
        if (size > kFilterPoolSize - poolSize_) throw TParseFailed{};
        const std::size_t at = poolSize_;
        std::memcpy(&block_[nodeCount_ * kFilterNodeSize + 10 + at], data, size);
        poolSize_ += size;
        return static_cast<Word>(at);
    }
    Word AddText(const std::string& text) {
        std::string native = table_.ToNative(text).substr(0, 255);
        return AddLiteral(native.c_str(), native.size() + 1);
    }

    // Writes the subtree after its children; the node's slot is taken from the end.
    void Emit(TNode* node) {
        if (node->Left) Emit(node->Left);
        if (node->Right) Emit(node->Right);
        const std::size_t slot = --nextSlot_;
        node->NodeOffset = static_cast<LongWord>(slot * kFilterNodeSize);
        const std::size_t at = 10 + node->NodeOffset;
        if (node->Kind != nkOperand) {
            PutLong(at, 2);
            PutLong(at + 4, OperatorCode(node->Text));
            PutWord(at + 8, static_cast<Word>(node->Left->NodeOffset));
            PutWord(at + 10, static_cast<Word>(node->Right->NodeOffset));
        } else if (node->OperandType == otFieldName) {
            PutLong(at, 4);
            PutLong(at + 4, 13);
            PutWord(at + 8, static_cast<Word>(++fieldCount_));
            PutWord(at + 10, AddText(node->Text));
        } else {
            EmitConstant(*node, at);
        }
    }

    void EmitConstant(const TNode& node, std::size_t at) {
        std::string text = node.Text;
        switch (node.OperandType) {
        case otString:
        case otDateTime:
        case otDate:
        case otTime:
        case otBoolean:
            if (!text.empty() && text[0] == '"')
                text = text.size() >= 2 ? text.substr(1, text.size() - 2) : "";
            else
                strTrimTrailing(text, " ");
            break;
        default: break;
        }
        Word type = 0;
        Word size = 0;
        Word offset = 0;
        switch (node.OperandType) {
        case otString:
            type = 1;
            offset = AddText(text);
            size = static_cast<Word>(std::min<std::size_t>(table_.ToNative(text).size(), 255) + 1);
            break;
        case otSmallInt: {
            const int value = StrToInt(text);
            if (value < -32768 || value > 32767)
                throw EConvertError(Format("'%s' is not a valid integer value", {text}));
            const auto v = static_cast<SmallInt>(value);
            type = 5, size = 2, offset = AddLiteral(&v, 2);
            break;
        }
        case otInteger: {
            const LongInt v = StrToInt(text);
            type = 6, size = 4, offset = AddLiteral(&v, 4);
            break;
        }
        case otBoolean: {
            const SmallInt v = !text.empty() && (text[0] == 'T' || text[0] == 't') ? 1 : 0;
            type = 4, size = 2, offset = AddLiteral(&v, 2);
            break;
        }
        case otFloat: {
            const double v = StrToFloat(text);
            type = 7, size = 8, offset = AddLiteral(&v, 8);
            break;
        }
        case otBCD: {
            Byte bcd[34];
            FloatToBcd(StrToFloat(text), node.Decimals, bcd, text);
            type = 8, size = 34, offset = AddLiteral(bcd, 34);
            break;
        }
        case otDate: {
            const auto v = static_cast<LongInt>(std::floor(StrToDate(text))) + dbiDateDelta;
            type = 2, size = 4, offset = AddLiteral(&v, 4);
            break;
        }
        case otTime: {
            const auto v = static_cast<LongInt>(std::llround(StrToTime(text) * MSecsPerDay));
            type = 10, size = 4, offset = AddLiteral(&v, 4);
            break;
        }
        default: { // otDateTime
            const TDateTime dt =
                text.find(' ') == std::string::npos ? StrToDate(text) : StrToDateTime(text);
            const double days = std::floor(dt) + dbiDateDelta;
            const double v = days * MSecsPerDay + std::llround((dt - std::floor(dt)) * MSecsPerDay);
            type = 11, size = 8, offset = AddLiteral(&v, 8);
            break;
        }
        }
        PutLong(at, 5);
        PutLong(at + 4, 14);
        PutWord(at + 8, type);
        PutWord(at + 10, size);
        PutWord(at + 12, offset);
    }

    const TFilterTable& table_;
    std::string rest_;
    TStackStr symbols_;
    TStackPtr nodes_;
    bool connective_ = false;
    int depth_ = 0;
    std::size_t created_ = 0;
    std::vector<Byte> block_;
    std::size_t nodeCount_ = 0;
    std::size_t nextSlot_ = 0;
    std::size_t poolSize_ = 0;
    Word fieldCount_ = 0;
};

} // namespace

std::vector<Byte> BuildFilterExpr(const std::string& Text, const TFilterTable& Table) {
    TFilterParser parser(Table);
    try {
        return parser.Build(Text);
    } catch (const TParseFailed&) {
        return {};
    }
}

namespace {

// The fields of a dataset as the parser sees them.
class TDataSetFilterTable : public TFilterTable {
public:
    explicit TDataSetFilterTable(TDataSet* dataSet) : dataSet_(dataSet) {}

    bool FieldOperand(const std::string& Name, TOperandType& Type, int& Size) const override {
        TField* field = dataSet_->FindField(Name);
        if (field == nullptr) return false;
        Size = field->Size();
        switch (field->DataType()) {
        case ftString: Type = otString; break;
        case ftSmallint:
        case ftWord: Type = otSmallInt; break;
        case ftInteger: Type = otInteger; break;
        case ftBoolean: Type = otBoolean; break;
        case ftFloat:
        case ftCurrency: Type = otFloat; break;
        case ftBCD: Type = otBCD; break;
        case ftDate: Type = otDate; break;
        case ftTime: Type = otTime; break;
        case ftDateTime: Type = otDateTime; break;
        default: Type = otFieldName; break;
        }
        return true;
    }

    std::string ToNative(const std::string& Text) const override {
        std::string native;
        AnsiToNative(dataSet_->Locale(), Text, native, 255);
        return native;
    }

private:
    TDataSet* dataSet_;
};

} // namespace

std::vector<Byte> BuildFilterExpr(const std::string& Text, TDataSet* Table) {
    return BuildFilterExpr(Text, TDataSetFilterTable(Table));
}

// ---- Date and time texts ----

namespace {

void SkipBlanks(const std::string& s, std::size_t& i) {
    while (i < s.size() && s[i] == ' ')
        ++i;
}

// A number of at most four digits, or (with months) a short month name as 1..12.
bool ScanNumber(const std::string& s, std::size_t& i, int& value, bool months) {
    SkipBlanks(s, i);
    std::size_t j = i;
    value = 0;
    while (j < s.size() && IsDigit(s[j]) && value < 1000)
        value = value * 10 + (s[j++] - '0');
    if (j > i) {
        i = j;
        return true;
    }
    if (!months || i + 3 > s.size()) return false;
    const std::string name = UpperCase(s.substr(i, 3));
    const auto& names = FormatSettings().ShortMonthNames;
    for (std::size_t m = 0; m < names.size(); ++m)
        if (UpperCase(names[m]) == name) {
            value = static_cast<int>(m) + 1;
            i += 3;
            return true;
        }
    return false;
}

bool ScanChar(const std::string& s, std::size_t& i, char c) {
    SkipBlanks(s, i);
    if (i >= s.size() || s[i] != c) return false;
    ++i;
    return true;
}

// Takes a marker at i without regard to case.
bool ScanMarker(const std::string& s, std::size_t& i, const std::string& marker) {
    if (marker.empty() || UpperCase(s.substr(i, marker.size())) != UpperCase(marker)) return false;
    i += marker.size();
    return true;
}

bool ScanDateAt(const std::string& s, std::size_t& i, TDateTime& date) {
    const char sep = FormatSettings().DateSeparator;
    int n1 = 0, n2 = 0, n3 = 0;
    if (!ScanNumber(s, i, n1, true) || !ScanChar(s, i, sep) || !ScanNumber(s, i, n2, true))
        return false;
    const bool three = ScanChar(s, i, sep);
    if (three && !ScanNumber(s, i, n3, true)) return false;
    const int order = DateOrderOf(FormatSettings().ShortDateFormat);
    int y = 0, m = 0, d = 0;
    if (three) {
        if (order == 0)
            m = n1, d = n2, y = n3;
        else if (order == 1)
            d = n1, m = n2, y = n3;
        else
            y = n1, m = n2, d = n3;
        if (y <= 99) y += 1900;
    } else {
        Word year = 0, month = 0, day = 0;
        DecodeDate(Date(), year, month, day);
        y = year;
        if (order == 1)
            d = n1, m = n2;
        else
            m = n1, d = n2;
    }
    SkipBlanks(s, i);
    return TryEncodeDate(static_cast<Word>(y), static_cast<Word>(m), static_cast<Word>(d), date);
}

bool ScanTimeAt(const std::string& s, std::size_t& i, TDateTime& time) {
    const char sep = FormatSettings().TimeSeparator;
    int h = 0, m = 0, sec = 0;
    if (!ScanNumber(s, i, h, false) || !ScanChar(s, i, sep) || !ScanNumber(s, i, m, false))
        return false;
    if (ScanChar(s, i, sep) && !ScanNumber(s, i, sec, false)) return false;
    SkipBlanks(s, i);
    const auto& fs = FormatSettings();
    int half = 0; // 1 am, 2 pm
    if (ScanMarker(s, i, "AM") || ScanMarker(s, i, fs.TimeAMString))
        half = 1;
    else if (ScanMarker(s, i, "PM") || ScanMarker(s, i, fs.TimePMString))
        half = 2;
    if (half != 0) {
        if (h < 1 || h > 12) return false;
        h = h % 12 + (half == 2 ? 12 : 0);
    }
    SkipBlanks(s, i);
    return TryEncodeTime(static_cast<Word>(h), static_cast<Word>(m), static_cast<Word>(sec), 0,
                         time);
}

std::size_t ToIndex(int pos) {
    return pos < 1 ? 0 : static_cast<std::size_t>(pos) - 1;
}

// The time part from the start of a time at start.
TDateTimePart TimeRule(int caret, const std::string& s, std::size_t start) {
    const char sep = FormatSettings().TimeSeparator;
    int parts = 0;
    std::size_t minutesEnd = 0;
    for (std::size_t i = start; i < s.size() && static_cast<int>(i) < caret; ++i)
        if (s[i] == sep && ++parts == 2) minutesEnd = i;
    if (parts == 0) return dpHour;
    if (parts == 1) return dpMinute;
    if (parts == 2 && caret - static_cast<int>(minutesEnd) > 2) return dpAmPm;
    return dpSecond;
}

} // namespace

int DateOrderOf(const std::string& ShortDateFormat) {
    for (char c : ShortDateFormat) {
        switch (c) {
        case 'D':
        case 'd': return 1;
        case 'M':
        case 'm': return 0;
        case 'Y':
        case 'y': return 2;
        default: break;
        }
    }
    return 0;
}

bool ScanDateText(const std::string& S, int& Pos, TDateTime& Date) {
    std::size_t i = ToIndex(Pos);
    if (!ScanDateAt(S, i, Date)) return false;
    Pos = static_cast<int>(i) + 1;
    return true;
}

bool ScanTimeText(const std::string& S, int& Pos, TDateTime& Time) {
    std::size_t i = ToIndex(Pos);
    if (!ScanTimeAt(S, i, Time)) return false;
    Pos = static_cast<int>(i) + 1;
    return true;
}

bool IsDateText(const std::string& S) {
    std::size_t i = 0;
    TDateTime d = 0;
    return ScanDateAt(S, i, d) && i == S.size();
}

bool IsTimeText(const std::string& S) {
    std::size_t i = 0;
    TDateTime t = 0;
    return ScanTimeAt(S, i, t) && i == S.size();
}

bool IsDateTimeText(const std::string& S) {
    std::size_t i = 0;
    TDateTime d = 0;
    return ScanDateAt(S, i, d) && ScanTimeAt(S, i, d) && i == S.size();
}

bool IsIntegerText(const std::string& S) {
    for (std::size_t i = 0; i < S.size(); ++i)
        if (!IsDigit(S[i]) && !(i == 0 && S[i] == '-')) return false;
    return true;
}

bool IsValidFloatText(const std::string& S) {
    double value = 0;
    return S.empty() || (S.size() <= 63 && TextToFloat(S, value));
}

TDateTimePart DateTimePartAt(int CaretPos, const std::string& S, bool IsTime) {
    if (IsTime) return TimePartAt(CaretPos, S);
    std::size_t end = 0;
    TDateTime d = 0;
    if (ScanDateAt(S, end, d)) {
        const int e = static_cast<int>(end);
        if (CaretPos >= e || (CaretPos == e - 1 && S[end - 1] == ' '))
            return TimeRule(CaretPos, S, end);
    }
    const char sep = FormatSettings().DateSeparator;
    int parts = 0;
    for (int i = 0; i < CaretPos && i < static_cast<int>(S.size()); ++i)
        if (S[static_cast<std::size_t>(i)] == sep) ++parts;
    static const TDateTimePart byOrder[3][3] = {
        {dpMonth, dpDay, dpYear}, {dpDay, dpMonth, dpYear}, {dpYear, dpMonth, dpDay}};
    if (parts > 2) return dpDay;
    return byOrder[DateOrderOf(FormatSettings().ShortDateFormat)][parts];
}

TDateTimePart TimePartAt(int CaretPos, const std::string& S) {
    if (CaretPos < 0) return dpHour;
    return TimeRule(CaretPos, S, 0);
}
