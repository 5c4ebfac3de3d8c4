// The query-by-example dataset of the data-aware controls: a database dataset opened from the
// example text in QBE, with the per-field settings, the OnFilter record filter and the
// mask-related events of the family (DataSetParts.h).
//
// Opening executes the QBE text as an engine query of the QBE language (the lines joined with
// CR LF; AuxiliaryTables and BlankAsZero passed as statement properties); when the engine asks
// for a password the session asks the user and the query runs again; any other engine failure
// raises. The cursor of the answer goes through the answer-table step (dwCreateAnswerTable)
// with AnswerTable. The engine of this system runs no queries: its query calls report
// themselves as not supported and fail, so opening raises the engine error.
#pragma once

#include "db/DBTables.h"
#include "dbcontrols/DataSetParts.h"

class TdwQBE;
using TdwQBEFilterEvent = std::function<void(TdwQBE* Qbe, bool& Accept)>;

class TdwQBE : public TDBDataSet {
    VANTREL_CLASS(TdwQBE, TDBDataSet)

    explicit TdwQBE(TComponent* AOwner);
    ~TdwQBE() override;

    TStrings* QBE() { return &qbe_; }
    // Copies the text; an open dataset is closed and opened again.
    void SetQBE(TStrings* Value);
    std::string AnswerTable;
    bool AuxiliaryTables = false;
    bool BlankAsZero = false;

    const TdwQBEFilterEvent& OnFilter() const { return onFilter_; }
    // Installs the record filter on an open dataset ("Local Filtering is not supported on this
    // QBE." when the engine gives none), or removes it.
    void SetOnFilter(TdwQBEFilterEvent Value);

    TdwDataSetParts& Parts() { return parts_; }
    std::vector<TdwLookupTable>& LookupTables() { return lookupTables_; }
    // True when the last opening produced no cursor.
    bool NoResultSet() const { return noResultSet_; }

protected:
    TCursorHandle CreateHandle() override;
    void CloseCursor() override;
    void DoAfterOpen() override;
    void DoOnCalcFields() override;
    // Runs the QBE text; the cursor of its answer, or 0.
    virtual TCursorHandle ExecuteQBE();

private:
    TStringList qbe_;
    TdwQBEFilterEvent onFilter_;
    TdwDataSetParts parts_{this};
    std::vector<TdwLookupTable> lookupTables_;
    bool noResultSet_ = false;
};
