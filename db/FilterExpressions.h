// The engine's filter trees built from expressions over a dataset's fields: TFilterExpr writes
// the tree, TExprParser parses a dataset's filter text into one.
#pragma once

#include "db/DataTypes.h"
#include "platform/rtl/Classes.h"

#include <string>
#include <vector>

// ---- Filter expressions ----
//
// The engine filter tree: a self-contained little-endian blob. Header: version 2, total size,
// node count 65535, node start 10, literal start; then the node area (each node a 32-bit class,
// a 32-bit operator, then 16-bit operands) and the literal area (field names and constant
// values). A node reference is an offset into the node area, a literal reference one into the
// literal area; the root is the first node, and a parent is written before its operands.

// Node classes and operators of the tree.
enum : int { nodeUnary = 1, nodeBinary = 2, nodeCompare = 3, nodeField = 4, nodeConst = 5 };
enum : int {
    canIsBlank = 1,
    canNotBlank = 2,
    canEQ = 3,
    canNE = 4,
    canGT = 5,
    canLT = 6,
    canGE = 7,
    canLE = 8,
    canNOT = 9,
    canAND = 10,
    canOR = 11,
    canField = 13,
    canConst = 14
};

enum TExprNodeKind : Byte { enField, enConst, enOperator };

// A node of the expression tree in memory: a field (Data its name), a constant (Data its
// value, null for NULL) or an operator over Left and Right.
struct TExprNode {
    TExprNode* Next = nullptr;
    TExprNodeKind Kind = enField;
    bool Partial = false;
    int Operator = 0;
    TVariant Data;
    TExprNode* Left = nullptr;
    TExprNode* Right = nullptr;
};

// Builds the filter tree of an expression over the fields of a dataset. Every build error is an
// EDatabaseError with the filter messages (62588 and up).
class TFilterExpr : public TObject {
    VANTREL_CLASS(TFilterExpr, TObject)

    TFilterExpr(TDataSet* DataSet, TFilterOptions Options) : dataSet_(DataSet), options_(Options) {}
    ~TFilterExpr() override;

    TExprNode* NewNode(TExprNodeKind Kind, int Operator, const TVariant& Data, TExprNode* Left,
                       TExprNode* Right);
    // Operator over a field node named after Field and a constant node holding Value.
    TExprNode* NewCompareNode(TField* Field, int Operator, const TVariant& Value);
    // The blob of the tree under Root.
    const std::vector<char>& GetFilterData(TExprNode* Root);

private:
    int PutExprNode(TExprNode* Node);
    int PutCompareNode(TExprNode* Node);
    int PutNode(int Class, int Operator, const std::vector<Word>& Operands);
    void SetOperand(int Node, int Index, int Value);
    int PutFieldNode(TField* Field);
    int PutConstant(int Type, const std::vector<char>& Data);
    int PutConstNode(TField* Field, const TVariant& Value);
    int PutStringConstant(const std::string& Value);
    int PutLiteral(const void* Data, int Size);
    TField* FilterField(const TExprNode* Node) const;

    TDataSet* dataSet_;
    TFilterOptions options_;
    TExprNode* nodes_ = nullptr;
    std::vector<char> nodeArea_;
    std::vector<char> literalArea_;
    std::vector<char> blob_;
};

// Parses a dataset's Filter text into a filter tree: expressions of fields (plain names or
// [bracketed names]), 'quoted' constants (two quotes stand for one), numbers, NULL, the
// relations = <> < > <= >=, AND, OR, NOT and parentheses.
class TExprParser : public TObject {
    VANTREL_CLASS(TExprParser, TObject)

    TExprParser(TDataSet* DataSet, const std::string& Text, TFilterOptions Options);
    const std::vector<char>& FilterData() const { return filterData_; }

private:
    enum TToken {
        etEnd,
        etSymbol,
        etName,
        etLiteral,
        etLParen,
        etRParen,
        etEQ,
        etNE,
        etGE,
        etLE,
        etGT,
        etLT
    };
    void NextToken();
    bool TokenSymbolIs(const char* Symbol) const;
    std::string TokenDescription() const;
    TExprNode* ParseExpr();
    TExprNode* ParseTerm();
    TExprNode* ParseFactor();
    TExprNode* ParseRelation();
    TExprNode* ParsePrimary();

    TFilterExpr filter_;
    std::string text_;
    std::size_t pos_ = 0;
    std::size_t tokenStart_ = 0;
    std::string tokenString_;
    TToken token_ = etEnd;
    std::vector<char> filterData_;
};
