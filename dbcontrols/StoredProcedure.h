// The stored-procedure dataset of the data-aware controls: a TStoredProc with the per-field
// settings, the OnFilter record filter, validation against the picture masks before a post and
// the lookup fields of the family (DataSetParts.h). This engine runs no stored procedures, so
// opening reports the engine's "not supported" error.
#pragma once

#include "dbcontrols/DataSetParts.h"

class TdwStoredProc;
using TdwStoredProcFilterEvent = std::function<void(TdwStoredProc* StoredProc, bool& Accept)>;

class TdwStoredProc : public TdwDerivedDataSet<TStoredProc> {
    VANTREL_CLASS(TdwStoredProc, TStoredProc)

    explicit TdwStoredProc(TComponent* AOwner);

    const TdwStoredProcFilterEvent& OnFilter() const { return onFilter_; }
    // On an open dataset the record filter is installed or removed.
    void SetOnFilter(TdwStoredProcFilterEvent Value);

private:
    TdwStoredProcFilterEvent onFilter_;
};
