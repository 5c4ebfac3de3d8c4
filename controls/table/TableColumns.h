// The table's columns: an ordered list of columns, each with a width, a hidden flag and the cell
// component that paints and edits it by default. Every change is told to the table through one
// handler. While a form loads, the cells named by the stored columns are queued by name and
// resolved once the form's components exist.
//
// Promises: a column's default cell belongs to the column's table (a cell used by another table
// is refused silently) and counts as one use of the cell; appending to a list that holds
// 134217727 columns raises EVcTable "has maximum number of columns already".
#pragma once

#include "controls/table/TableCore.h"

#include <memory>
#include <string>
#include <vector>

class TVcTableColumn : public TPersistent {
    VANTREL_CLASS(TVcTableColumn, TPersistent)

    explicit TVcTableColumn(TVcTableAncestor* Table);
    ~TVcTableColumn() override;

    void Assign(TPersistent* Source) override;

    TVcBaseTableCell* DefaultCell() const { return defaultCell_; }
    void SetDefaultCell(TVcBaseTableCell* Value);
    LongInt Width() const { return width_; }
    void SetWidth(LongInt Value);
    bool Hidden() const { return hidden_; }
    void SetHidden(bool Value);
    LongInt Number() const { return number_; }
    TVcTableAncestor* Table() const { return table_; }
    // A cell component is going away.
    void RemoveCell(TVcBaseTableCell* Cell);

private:
    friend class TVcTableColumns;
    void Notify();
    TVcBaseTableCell* defaultCell_ = nullptr;
    LongInt number_ = 0;
    TVcCfgChangedEvent onChanged_;
    TVcTableAncestor* table_;
    LongInt width_ = 150;
    bool hidden_ = false;
};

class TVcTableColumns : public TPersistent {
    VANTREL_CLASS(TVcTableColumns, TPersistent)

    static constexpr LongInt MaxColumns = 134217727;

    TVcTableColumns(TVcTableAncestor* Table, LongInt Count);
    ~TVcTableColumns() override;

    void Append(TVcTableColumn* Column);
    void Clear();
    void Delete(LongInt Index);
    void Exchange(LongInt Index1, LongInt Index2);
    TVcTableColumn* Items(LongInt Index) const;
    LongInt Count() const { return static_cast<LongInt>(columns_.size()); }
    TVcBaseTableCell* DefaultCell(LongInt Index) const;
    void SetCount(LongInt Value);
    void SetOnCfgChanged(TVcCfgChangedEvent Handler);
    void RemoveCell(TVcBaseTableCell* Cell);
    void Assign(TPersistent* Source) override;

    // Loading: a stored cell name ("Owner.Cell" or "Cell") for a column, resolved later.
    void QueueCellName(const std::string& Name, TVcTableColumn* Column);
    // Resolves the queued names on the table's form (an owner "F1" also matches "F1_2"), then
    // on the screen's forms by exact name; unknown names leave their columns without a cell.
    void ResolveCellNames();

private:
    bool ResolveOn(TComponent* Form, const std::string& CellName, TVcTableColumn* Column);
    void Renumber();
    std::vector<std::unique_ptr<TVcTableColumn>> columns_;
    TVcCfgChangedEvent onChanged_;
    std::vector<std::pair<std::string, TVcTableColumn*>> pending_;
    TVcTableAncestor* table_;
};
