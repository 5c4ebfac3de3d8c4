#include "dbcontrols/QueryDataSet.h"

namespace {

TdwDataSetParts& PartsOf(TdwQuery& q) {
    return q.Parts();
}

} // namespace

TdwQuery::TdwQuery(TComponent* AOwner) : TdwDerivedDataSet<TQuery>(AOwner) {
    static const bool published = [] {
        dwPublishDataSetParts<TdwQuery>(&PartsOf, true);
        RegisterProperty<TdwQuery>("OnFilter", &TdwQuery::OnFilter, &TdwQuery::SetOnFilter);
        return true;
    }();
    (void)published;
}

void TdwQuery::SetOnFilter(TdwQueryFilterEvent Value) {
    onFilter_ = std::move(Value);
    std::function<void(bool&)> event;
    if (onFilter_) event = [this](bool& accept) { onFilter_(this, accept); };
    Parts().SetFilterEvent(std::move(event), kdwLiveQueryFilterRefused);
}

void TdwQuery::OpenCursor() {
    TdwDerivedDataSet<TQuery>::OpenCursor();
    dwCreateAnswerTable(Handle(), AnswerTable);
}
