#include "db/FilterExpressions.h"

#include "db/DBTables.h"
#include "db/DataSet.h"
#include "db/DataSetHelpers.h"
#include "db/EngineBlobs.h"
#include "db/EngineFilters.h"
#include "db/EngineRecords.h"
#include "db/EngineServices.h"
#include "db/EngineTables.h"
#include "db/EngineWorkAreas.h"
#include "db/FieldClasses.h"
#include "platform/gui/Controls.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Graphics.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Regional.h"
#include "platform/rtl/Strings.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
// ---- Filter expressions ----

namespace {

template <typename T>
void AppendLE(std::vector<char>& Area, T Value) {
    Area.resize(Area.size() + sizeof(T));
    EncodeLE<T>(Area.data() + Area.size() - sizeof(T), Value);
}

// A constant's data in the tree's little-endian form.
template <typename T>
std::vector<char> LittleEndian(T Value) {
    std::vector<char> data;
    AppendLE(data, Value);
    return data;
}

int ReversedOperator(int Operator) {
    switch (Operator) {
    case canGT: return canLT;
    case canLT: return canGT;
    case canGE: return canLE;
    case canLE: return canGE;
    default: return Operator;
    }
}

// A constant converted to a date, time or date-time: text by the platform's conversions.
double DateTimeOf(const TVariant& Value, TDateTime (*Convert)(std::string_view)) {
    return Value.VarType() == varString ? Convert(Value.AsString()) : Value.AsFloat();
}

} // namespace

TFilterExpr::~TFilterExpr() {
    while (nodes_) {
        TExprNode* next = nodes_->Next;
        delete nodes_;
        nodes_ = next;
    }
}

TExprNode* TFilterExpr::NewNode(TExprNodeKind Kind, int Operator, const TVariant& Data,
                                TExprNode* Left, TExprNode* Right) {
    auto* node = new TExprNode;
    node->Next = nodes_;
    nodes_ = node;
    node->Kind = Kind;
    node->Operator = Operator;
    node->Data = Data;
    node->Left = Left;
    node->Right = Right;
    return node;
}

TExprNode* TFilterExpr::NewCompareNode(TField* Field, int Operator, const TVariant& Value) {
    TExprNode* left = NewNode(enField, canField, Field->FieldName(), nullptr, nullptr);
    TExprNode* right = NewNode(enConst, canConst, Value, nullptr, nullptr);
    return NewNode(enOperator, Operator, TVariant::Null(), left, right);
}

const std::vector<char>& TFilterExpr::GetFilterData(TExprNode* Root) {
    nodeArea_.clear();
    literalArea_.clear();
    PutExprNode(Root);
    const std::size_t size = 10 + nodeArea_.size() + literalArea_.size();
    // Every offset of the tree is 16-bit: a larger tree cannot be written.
    if (size > 0xFFFF) DBError(dbmExprIncorrect);
    blob_.clear();
    AppendLE<Word>(blob_, 2);
    AppendLE(blob_, static_cast<Word>(size));
    AppendLE<Word>(blob_, 0xFFFF);
    AppendLE<Word>(blob_, 10);
    AppendLE(blob_, static_cast<Word>(10 + nodeArea_.size()));
    blob_.insert(blob_.end(), nodeArea_.begin(), nodeArea_.end());
    blob_.insert(blob_.end(), literalArea_.begin(), literalArea_.end());
    return blob_;
}

int TFilterExpr::PutNode(int Class, int Operator, const std::vector<Word>& Operands) {
    const auto at = static_cast<int>(nodeArea_.size());
    AppendLE(nodeArea_, static_cast<LongWord>(Class));
    AppendLE(nodeArea_, static_cast<LongWord>(Operator));
    for (const Word operand : Operands)
        AppendLE(nodeArea_, operand);
    return at;
}

void TFilterExpr::SetOperand(int Node, int Index, int Value) {
    EncodeLE(nodeArea_.data() + Node + 8 + 2 * Index, static_cast<Word>(Value));
}

int TFilterExpr::PutLiteral(const void* Data, int Size) {
    const auto at = static_cast<int>(literalArea_.size());
    const auto* bytes = static_cast<const char*>(Data);
    literalArea_.insert(literalArea_.end(), bytes, bytes + Size);
    return at;
}

int TFilterExpr::PutConstant(int Type, const std::vector<char>& Data) {
    const auto size = static_cast<int>(Data.size());
    const int node =
        PutNode(nodeConst, canConst, {static_cast<Word>(Type), static_cast<Word>(size), 0});
    SetOperand(node, 2, PutLiteral(Data.data(), size));
    return node;
}

int TFilterExpr::PutStringConstant(const std::string& Value) {
    std::string native;
    AnsiToNative(dataSet_->Locale(), Value, native, 255);
    return PutConstant(1, std::vector<char>(native.c_str(), native.c_str() + native.size() + 1));
}

TField* TFilterExpr::FilterField(const TExprNode* Node) const {
    TField* field = dataSet_->FieldByName(Node->Data.AsString());
    if (field->FieldKind() != fkData) DBErrorFmt(dbmExprBadField, {field->FieldName()});
    return field;
}

int TFilterExpr::PutFieldNode(TField* Field) {
    std::string native;
    AnsiToNative(dataSet_->Locale(), Field->FieldName(), native, 255);
    const int node = PutNode(nodeField, canField, {static_cast<Word>(Field->FieldNo()), 0});
    SetOperand(node, 1, PutLiteral(native.c_str(), static_cast<int>(native.size()) + 1));
    return node;
}

int TFilterExpr::PutConstNode(TField* Field, const TVariant& Value) {
    const bool text = Value.VarType() == varString;
    switch (Field->DataType()) {
    case ftString: return PutStringConstant(Value.AsString());
    case ftSmallint:
    case ftWord: {
        const Int64 value = text ? StrToInt64(Value.AsString()) : Value.AsInteger();
        const bool word = Field->DataType() == ftWord;
        if (value < (word ? 0 : -32768) || value > (word ? 65535 : 32767))
            DBError(dbmExprRangeError);
        const auto data = static_cast<Word>(value);
        return PutConstant(word ? 12 : 5, LittleEndian(data));
    }
    case ftInteger:
    case ftAutoInc: {
        const LongInt data =
            text ? StrToInt(Value.AsString()) : static_cast<LongInt>(Value.AsInteger());
        return PutConstant(6, LittleEndian(data));
    }
    case ftFloat:
    case ftCurrency: {
        const double data = text ? StrToFloat(Value.AsString()) : Value.AsFloat();
        return PutConstant(7, LittleEndian(data));
    }
    case ftBCD: {
        const double value = text ? StrToFloat(Value.AsString()) : Value.AsFloat();
        if (!FitsInteger(value / 10000.0)) DBError(dbmExprRangeError);
        const TBcd data = CurrencyToBcd(std::llround(value * 10000.0), 32, Field->Size());
        return PutConstant(8, std::vector<char>(data.Bytes.begin(), data.Bytes.end()));
    }
    case ftDate: return PutConstant(2, LittleEndian(RecordDate(DateTimeOf(Value, StrToDate))));
    case ftTime: return PutConstant(10, LittleEndian(RecordTime(DateTimeOf(Value, StrToTime))));
    case ftDateTime:
        return PutConstant(11, LittleEndian(RecordDateTime(DateTimeOf(Value, StrToDateTime))));
    default: DBErrorFmt(dbmExprBadField, {Field->FieldName()});
    }
}

int TFilterExpr::PutCompareNode(TExprNode* Node) {
    TExprNode* left = Node->Left;
    TExprNode* right = Node->Right;
    int op = Node->Operator;
    if (right && right->Kind == enField) {
        std::swap(left, right);
        op = ReversedOperator(op);
    }
    if (!left || !right || left->Kind != enField || right->Kind != enConst)
        DBError(dbmExprBadCompare);
    TField* field = FilterField(left);
    if (right->Data.IsNull()) {
        if (op != canEQ && op != canNE) DBError(dbmExprBadNullTest);
        const int node = PutNode(nodeUnary, op == canEQ ? canIsBlank : canNotBlank, {0});
        SetOperand(node, 0, PutFieldNode(field));
        return node;
    }
    if ((op == canEQ || op == canNE) && field->DataType() == ftString) {
        std::string value = right->Data.AsString();
        const bool caseless = (options_ & foCaseInsensitive) != 0;
        std::size_t partial = 0;
        if (Node->Partial) {
            partial = value.size();
        } else if (!(options_ & foNoPartialCompare) && value.size() >= 2 && value.back() == '*') {
            value.pop_back();
            partial = value.size();
        }
        if (!value.empty() && (caseless || partial > 0)) {
            const int node =
                PutNode(nodeCompare, op,
                        {static_cast<Word>(caseless ? 1 : 0),
                         static_cast<Word>(std::min<std::size_t>(partial, 255)), 0, 0});
            SetOperand(node, 2, PutFieldNode(field));
            SetOperand(node, 3, PutStringConstant(value));
            return node;
        }
    }
    const int node = PutNode(nodeBinary, op, {0, 0});
    SetOperand(node, 0, PutFieldNode(field));
    SetOperand(node, 1, PutConstNode(field, right->Data));
    return node;
}

int TFilterExpr::PutExprNode(TExprNode* Node) {
    if (!Node) DBError(dbmExprIncorrect);
    switch (Node->Kind) {
    case enField: {
        TField* field = FilterField(Node);
        if (field->DataType() != ftBoolean) DBErrorFmt(dbmExprNotBoolean, {field->FieldName()});
        const int node = PutNode(nodeBinary, canNE, {0, 0});
        SetOperand(node, 0, PutFieldNode(field));
        const Word no = 0;
        SetOperand(node, 1, PutConstant(4, LittleEndian(no)));
        return node;
    }
    case enConst: DBError(dbmExprIncorrect);
    default: break;
    }
    if (Node->Operator >= canEQ && Node->Operator <= canLE) return PutCompareNode(Node);
    if (Node->Operator == canAND || Node->Operator == canOR) {
        const int node = PutNode(nodeBinary, Node->Operator, {0, 0});
        SetOperand(node, 0, PutExprNode(Node->Left));
        SetOperand(node, 1, PutExprNode(Node->Right));
        return node;
    }
    const int node = PutNode(nodeUnary, canNOT, {0});
    SetOperand(node, 0, PutExprNode(Node->Left));
    return node;
}

// ---- TExprParser ----

TExprParser::TExprParser(TDataSet* DataSet, const std::string& Text, TFilterOptions Options)
    : filter_(DataSet, Options), text_(Text) {
    NextToken();
    TExprNode* root = ParseExpr();
    if (token_ != etEnd) DBError(dbmExprTermination);
    filterData_ = filter_.GetFilterData(root);
}

void TExprParser::NextToken() {
    const std::size_t size = text_.size();
    while (pos_ < size && text_[pos_] >= 1 && text_[pos_] <= 32)
        ++pos_;
    tokenStart_ = pos_;
    tokenString_.clear();
    if (pos_ >= size) {
        token_ = etEnd;
        return;
    }
    const char c = text_[pos_];
    auto ascii = [](char ch, bool digits) {
        const auto u = static_cast<unsigned char>(ch);
        return std::isalpha(u) || ch == '_' || (digits && std::isdigit(u));
    };
    if (ascii(c, false)) {
        while (pos_ < size && ascii(text_[pos_], true))
            ++pos_;
        tokenString_ = text_.substr(tokenStart_, pos_ - tokenStart_);
        token_ = etSymbol;
        return;
    }
    if (c == '[') {
        const std::size_t end = text_.find(']', pos_ + 1);
        if (end == std::string::npos) DBError(dbmExprNameError);
        tokenString_ = text_.substr(pos_ + 1, end - pos_ - 1);
        pos_ = end + 1;
        token_ = etName;
        return;
    }
    if (c == '\'') {
        for (++pos_;; ++pos_) {
            if (pos_ >= size) DBError(dbmExprStringError);
            if (text_[pos_] == '\'') {
                if (pos_ + 1 >= size || text_[pos_ + 1] != '\'') break;
                ++pos_;
            }
            if (tokenString_.size() < 256) tokenString_ += text_[pos_];
        }
        ++pos_;
        token_ = etLiteral;
        return;
    }
    if (c == '-' || std::isdigit(static_cast<unsigned char>(c))) {
        while (pos_ < size && std::strchr("+-.0123456789Ee", text_[pos_]) && text_[pos_] != 0)
            ++pos_;
        tokenString_ = text_.substr(tokenStart_, pos_ - tokenStart_);
        token_ = etLiteral;
        return;
    }
    ++pos_;
    const char next = pos_ < size ? text_[pos_] : '\0';
    switch (c) {
    case '(': token_ = etLParen; return;
    case ')': token_ = etRParen; return;
    case '=': token_ = etEQ; return;
    case '<':
        token_ = next == '=' ? etLE : next == '>' ? etNE : etLT;
        if (token_ != etLT) ++pos_;
        return;
    case '>':
        token_ = next == '=' ? etGE : etGT;
        if (token_ == etGE) ++pos_;
        return;
    default: DBErrorFmt(dbmExprInvalidChar, {std::string(1, c)});
    }
}

bool TExprParser::TokenSymbolIs(const char* Symbol) const {
    return token_ == etSymbol && SameText(tokenString_, Symbol);
}

std::string TExprParser::TokenDescription() const {
    if (token_ == etEnd) return DBMessage(dbmExprNothing);
    return "'" + text_.substr(tokenStart_, pos_ - tokenStart_) + "'";
}

TExprNode* TExprParser::ParseExpr() {
    TExprNode* node = ParseTerm();
    while (TokenSymbolIs("OR")) {
        NextToken();
        node = filter_.NewNode(enOperator, canOR, TVariant::Null(), node, ParseTerm());
    }
    return node;
}

TExprNode* TExprParser::ParseTerm() {
    TExprNode* node = ParseFactor();
    while (TokenSymbolIs("AND")) {
        NextToken();
        node = filter_.NewNode(enOperator, canAND, TVariant::Null(), node, ParseFactor());
    }
    return node;
}

TExprNode* TExprParser::ParseFactor() {
    if (!TokenSymbolIs("NOT")) return ParseRelation();
    NextToken();
    return filter_.NewNode(enOperator, canNOT, TVariant::Null(), ParseRelation(), nullptr);
}

TExprNode* TExprParser::ParseRelation() {
    TExprNode* left = ParsePrimary();
    static const int operators[] = {canEQ, canNE, canGE, canLE, canGT, canLT};
    if (token_ < etEQ || token_ > etLT) return left;
    const int op = operators[token_ - etEQ];
    NextToken();
    return filter_.NewNode(enOperator, op, TVariant::Null(), left, ParsePrimary());
}

TExprNode* TExprParser::ParsePrimary() {
    TExprNode* node = nullptr;
    switch (token_) {
    case etSymbol:
        if (TokenSymbolIs("NULL")) {
            node = filter_.NewNode(enConst, canConst, TVariant::Null(), nullptr, nullptr);
            break;
        }
        [[fallthrough]];
    case etName: node = filter_.NewNode(enField, canField, tokenString_, nullptr, nullptr); break;
    case etLiteral:
        node = filter_.NewNode(enConst, canConst, tokenString_, nullptr, nullptr);
        break;
    case etLParen:
        NextToken();
        node = ParseExpr();
        if (token_ != etRParen) DBErrorFmt(dbmExprNoRParen, {TokenDescription()});
        break;
    default: DBErrorFmt(dbmExprExpected, {TokenDescription()});
    }
    NextToken();
    return node;
}
