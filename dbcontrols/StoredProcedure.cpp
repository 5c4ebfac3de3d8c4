#include "dbcontrols/StoredProcedure.h"

namespace {

TdwDataSetParts& PartsOf(TdwStoredProc& p) {
    return p.Parts();
}

} // namespace

TdwStoredProc::TdwStoredProc(TComponent* AOwner) : TdwDerivedDataSet<TStoredProc>(AOwner) {
    static const bool published = [] {
        using P = TdwStoredProc;
        dwPublishDataSetParts<P>(&PartsOf, true);
        RegisterProperty<P>("OnFilter", &P::OnFilter, &P::SetOnFilter);
        return true;
    }();
    (void)published;
}

void TdwStoredProc::SetOnFilter(TdwStoredProcFilterEvent Value) {
    onFilter_ = std::move(Value);
    std::function<void(bool&)> event;
    if (onFilter_) event = [this](bool& accept) { onFilter_(this, accept); };
    Parts().SetFilterEvent(std::move(event), kdwLiveQueryFilterRefused);
}
