#include "dbcontrols/QueryByExample.h"

#include "db/EngineServices.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Forms.h"

namespace {

bool IsPasswordError(DBIResult r) {
    return r == 10497 || r == dbiNeedPassword || r == 10499;
}

TdwDataSetParts& PartsOf(TdwQBE& q) {
    return q.Parts();
}

} // namespace

TdwQBE::TdwQBE(TComponent* AOwner) : TDBDataSet(AOwner) {
    static const bool published = [] {
        using Q = TdwQBE;
        dwPublishDataSetParts<Q>(&PartsOf, false);
        RegisterProperty<Q>("QBE", &Q::QBE, &Q::SetQBE);
        RegisterProperty<Q>(
            "AnswerTable", [](Q& q) { return q.AnswerTable; },
            [](Q& q, const std::string& v) { q.AnswerTable = v; });
        RegisterProperty<Q>(
            "AuxiliaryTables", [](Q& q) { return q.AuxiliaryTables; },
            [](Q& q, bool v) { q.AuxiliaryTables = v; });
        RegisterProperty<Q>(
            "BlankAsZero", [](Q& q) { return q.BlankAsZero; },
            [](Q& q, bool v) { q.BlankAsZero = v; });
        RegisterProperty<Q>("OnFilter", &Q::OnFilter, &Q::SetOnFilter);
        return true;
    }();
    (void)published;
}

TdwQBE::~TdwQBE() {
    // Closing walks the filter and the lists, so it runs while they still exist.
    Destroying();
    Close();
}

void TdwQBE::SetQBE(TStrings* Value) {
    qbe_.Assign(Value);
    if (!Active()) return;
    Close();
    Open();
}

void TdwQBE::SetOnFilter(TdwQBEFilterEvent Value) {
    onFilter_ = std::move(Value);
    std::function<void(bool&)> event;
    if (onFilter_) event = [this](bool& accept) { onFilter_(this, accept); };
    parts_.SetFilterEvent(std::move(event), "Local Filtering is not supported on this QBE.");
}

TCursorHandle TdwQBE::CreateHandle() {
    noResultSet_ = false;
    if (qbe_.Count() == 0 || qbe_[0].empty()) return TDBDataSet::CreateHandle();
    const TCursorHandle cursor = ExecuteQBE();
    noResultSet_ = cursor == 0;
    if (cursor != 0) dwCreateAnswerTable(cursor, AnswerTable);
    return cursor;
}

TCursorHandle TdwQBE::ExecuteQBE() {
    const std::string text = dwJoinLines(&qbe_, false);
    for (;;) {
        DBIResult result = dbiOK;
        const TCursorHandle cursor =
            dwExecuteQuery(DBHandle(), kQBELanguage, text, AuxiliaryTables, BlankAsZero, result);
        if (result == dbiOK) return cursor;
        if (!IsPasswordError(result)) CheckEngineResult(result);
        if (!DBSession()->GetPassword()) CheckEngineResult(result);
    }
}

void TdwQBE::CloseCursor() {
    lookupTables_.clear();
    TDBDataSet::CloseCursor();
    parts_.Filter.CursorClosed();
}

void TdwQBE::DoAfterOpen() {
    TDBDataSet::DoAfterOpen();
    parts_.AfterOpen();
}

void TdwQBE::DoOnCalcFields() {
    parts_.CleanDefinitions();
    dwFillLookupFields(this, &parts_.LookupFields, &parts_.LookupLinks, &lookupTables_);
    TDBDataSet::DoOnCalcFields();
}
