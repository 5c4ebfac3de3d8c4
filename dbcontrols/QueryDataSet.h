// The query dataset of the data-aware controls: a TQuery with the per-field settings, the
// OnFilter record filter, validation against the picture masks before a post and the lookup
// fields of the family (DataSetParts.h). Once its cursor is open, the answer-table step
// (dwCreateAnswerTable) runs with AnswerTable. This engine runs no SQL, so opening reports the
// engine's "not supported" error; the settings and the filter binding work on a closed query.
#pragma once

#include "dbcontrols/DataSetParts.h"

class TdwQuery;
using TdwQueryFilterEvent = std::function<void(TdwQuery* Query, bool& Accept)>;

class TdwQuery : public TdwDerivedDataSet<TQuery> {
    VANTREL_CLASS(TdwQuery, TQuery)

    explicit TdwQuery(TComponent* AOwner);

    const TdwQueryFilterEvent& OnFilter() const { return onFilter_; }
    // On an open query the record filter is installed (a notice tells when the engine refuses
    // a local filter on a live query) or removed.
    void SetOnFilter(TdwQueryFilterEvent Value);

    // The table the answer is kept in (empty: none).
    std::string AnswerTable;

protected:
    void OpenCursor() override;

private:
    TdwQueryFilterEvent onFilter_;
};
