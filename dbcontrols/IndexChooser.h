// The index chooser and the incremental search of a table. TdwKeyCombo lists the indexes of the
// table behind its data source (by the display label of each index's first field, " - Desc" for
// descending ones, or by index name with ShowAllIndexes) and switches the table to the chosen
// one. TdwIncrementalSearch moves the dataset to the first record whose search value starts with
// the typed text, kSearchDelay ms after the last key, and with ShowMatchText completes the text
// from the field it searched, the completion selected so that typing on replaces it. On a
// data-aware table the index is set through dwSetTableIndex and the key search is its
// dwIncrementalSearch (which narrows the table with NarrowSearch); other datasets, and query
// tables without index fields, are searched by prefix through dwLocateFieldValue.
//
// Refusals (no data source, no table, a detail table, a query table) are warning boxes that
// change nothing.
#pragma once

#include "db/DBTables.h"
#include "platform/gui/ExtCtrls.h"

#include <functional>
#include <memory>
#include <string>

class TdwKeyCombo;
class TdwIncrementalSearch;

class TdwKeyDataLink : public TDataLink {
    VANTREL_CLASS(TdwKeyDataLink, TDataLink)

    explicit TdwKeyDataLink(TdwKeyCombo* Combo) : combo_(Combo) {}

protected:
    void ActiveChanged() override;

private:
    TdwKeyCombo* combo_;
};

class TdwKeyCombo : public TComboBox {
    VANTREL_CLASS(TdwKeyCombo, TComboBox)

    explicit TdwKeyCombo(TComponent* AOwner);
    ~TdwKeyCombo() override;

    TDataSource* DataSource() const { return dataLink_->DataSource(); }
    // A source whose dataset is not a table is refused with "DataSource must point to a TTable."
    void SetDataSource(TDataSource* Value);
    bool ShowAllIndexes() const { return showAllIndexes_; }
    void SetShowAllIndexes(bool Value);
    std::string PrimaryKeyName = "PrimaryKey";

    // Fills the list from the table's index definitions (refusals as warning boxes).
    void FillList();
    // The list no longer matches the table: it is filled again at once when a table is there.
    void MarkForRefill();

protected:
    void Change() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    TTable* Table() const;
    // The item text of an index: its first field's display label (" - Desc" when descending),
    // or empty when a field of the index is missing or the first is not visible.
    std::string ItemText(const TIndexDef* Def) const;
    void SwitchIndex(const std::string& Text);

    std::unique_ptr<TdwKeyDataLink> dataLink_;
    bool showAllIndexes_ = false;
};

using TdwAfterSearchEvent = std::function<void(TdwIncrementalSearch* Sender, bool MatchFound)>;

class TdwIncrementalSearch : public TEdit {
    VANTREL_CLASS(TdwIncrementalSearch, TEdit)

    static constexpr Cardinal kSearchDelay = 333;

    explicit TdwIncrementalSearch(TComponent* AOwner);
    ~TdwIncrementalSearch() override;

    TDataSource* DataSource() const { return dataLink_->DataSource(); }
    void SetDataSource(TDataSource* Value) { dataLink_->SetDataSource(Value); }
    std::string SearchField;
    bool ShowMatchText = false;
    TdwAfterSearchEvent OnAfterSearch;

    // Searches for the text now.
    void Search();

protected:
    void KeyUp(Word& Key, TShiftState Shift) override;

private:
    // The field the search compares; the match flag comes back through Found.
    TField* SearchByKey(TTable* Table, bool& Found);
    // The search by prefix in SearchField (else the first field), case-insensitive.
    TField* LocateByPrefix(TDataSet* DataSet, bool& Found);
    // For an xBase table ordered by an expression index, without SearchField: the first field
    // the expression names, else nullptr.
    TField* ExpressionKeyField(TTable* Table) const;

    std::unique_ptr<TDataLink> dataLink_;
    TTimer* timer_;
    std::string lastSearch_;
};
