// The bases through which a table control and its cell components find each other: a cell tells
// its table when one of its properties changes, and the table keeps the list of cells it uses
// and stores it by name so that the links survive loading, even across forms. Also small
// integer routines and the table error raiser.
#pragma once

#include "controls/entry/EntryController.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/Types.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TVcTableAncestor;

class TVcTableCellAncestor : public TComponent {
    VANTREL_CLASS(TVcTableCellAncestor, TComponent)

    explicit TVcTableCellAncestor(TComponent* AOwner);
    ~TVcTableCellAncestor() override;

    // The table that registered the cell, or nullptr.
    TVcTableAncestor* Table() const { return table_; }
    // Tells the registered table that a property of the cell changed (nothing without one).
    void DoCellChanged();
    // Scaling of whatever the cell measures in pixels; nothing by default.
    virtual void ChangeScale(int M, int D);

private:
    friend class TVcTableAncestor;
    TVcTableAncestor* table_ = nullptr;
    std::function<void(TVcTableCellAncestor*)> cellChanged_;
};

class TVcTableAncestor : public TVcBase {
    VANTREL_CLASS(TVcTableAncestor, TVcBase)

    explicit TVcTableAncestor(TComponent* AOwner);
    ~TVcTableAncestor() override;

    // Registers a cell once and points its change handler at CellChanged.
    void AddCell(TVcTableCellAncestor* Cell);
    void IncludeCell(TVcTableCellAncestor* Cell) { AddCell(Cell); }
    void RemoveCell(TVcTableCellAncestor* Cell);
    void ExcludeCell(TVcTableCellAncestor* Cell) { RemoveCell(Cell); }
    int CellCount() const { return static_cast<int>(cells_.size()); }
    TVcTableCellAncestor* Cells(int Index) const;

    // The table's own scaling, then every registered cell by the same ratio.
    virtual void ChangeScale(int M, int D);
    void Notification(TComponent* AComponent, TOperation Operation) override;

    // The stored property "CellData": one qualified name per registered cell ("Owner.Cell", or
    // "Cell" when the owner has no name). Reading keeps the names until ResolveCellData.
    std::vector<std::string> CellData() const;
    void ReadCellData(const std::vector<std::string>& Names);
    // Registers the cells the stored names refer to: first among the components of the table's
    // form (an owner name "Form1" also matches a form named "Form1_2"), then among the other
    // forms of the screen. Names of nothing, or of components that are not cells, are dropped.
    void ResolveCellData();

protected:
    // A registered cell changed.
    virtual void CellChanged(TVcTableCellAncestor* Cell) = 0;
    // The command of a key through the controller's tables (the named ones when given).
    virtual Word TranslateKey(const TWMKey& Message, const std::vector<std::string>& TableNames);

private:
    bool ResolveOn(TComponent* Form, const std::string& CellName);
    std::vector<TVcTableCellAncestor*> cells_;
    std::unique_ptr<std::vector<std::string>> storedCells_;
};

// The smaller or larger of two signed 32-bit integers.
inline LongInt IntMin(LongInt A, LongInt B) {
    return A < B ? A : B;
}
inline LongInt IntMax(LongInt A, LongInt B) {
    return A > B ? A : B;
}
inline LongInt LongMin(LongInt A, LongInt B) {
    return IntMin(A, B);
}
inline LongInt LongMax(LongInt A, LongInt B) {
    return IntMax(A, B);
}
inline LongInt MinI(LongInt A, LongInt B) {
    return IntMin(A, B);
}
inline LongInt MaxI(LongInt A, LongInt B) {
    return IntMax(A, B);
}

// Raises EVcTable with the text of the message number.
[[noreturn]] void RaiseTableError(int MessageNumber);

// A position array: a capacity and a count of 8-byte entries.
struct TVcRowColArray {
    Word Capacity = 0;
    Word Count = 0;
    std::vector<Int64> Entries;
};
// (Re)allocates the array to a capacity, keeping the first min(capacity, old count) entries as
// the new count; a capacity of 0 frees it.
void ReallocRowColArray(std::unique_ptr<TVcRowColArray>& Array, Word Capacity);
