#include "dbcontrols/Dwqbe.h"

#include "db/DbiServices.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Forms.h"

namespace {

constexpr int kQBELanguage = 1;
constexpr LongWord stmtAuxiliaryTables = 393254;
constexpr LongWord stmtBlankAsZero = 393251;

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
    if (onFilter_)
        parts_.Filter.Event = [this](bool& accept) { onFilter_(this, accept); };
    else
        parts_.Filter.Event = nullptr;
    if (!Active()) return;
    if (!parts_.Filter.Install(static_cast<bool>(onFilter_)))
        MessageDlg("Local Filtering is not supported on this QBE.", mtWarning, {mbOK}, 0);
}

TCursorHandle TdwQBE::CreateHandle() {
    noResultSet_ = false;
    if (qbe_.Count() == 0 || qbe_[0].empty()) return TDBDataSet::CreateHandle();
    const TCursorHandle cursor = ExecuteQBE();
    noResultSet_ = cursor == 0;
    return cursor;
}

TCursorHandle TdwQBE::ExecuteQBE() {
    const std::string text = dwJoinLines(&qbe_, false);
    for (;;) {
        LongWord statement = 0;
        TCursorHandle cursor = 0;
        DBIResult result = DbiQAlloc(DBHandle(), kQBELanguage, &statement);
        if (result == dbiOK) {
            DbiSetProp(statement, stmtAuxiliaryTables, AuxiliaryTables ? 1 : 0);
            DbiSetProp(statement, stmtBlankAsZero, BlankAsZero ? 1 : 0);
            result = DbiQPrepare(statement, text.c_str());
            if (result == dbiOK) {
                TWaitCursor wait;
                result = DbiQExec(statement, &cursor);
            }
            DbiQFree(statement);
        }
        if (result == dbiOK) return cursor;
        if (!IsPasswordError(result)) CheckEngineResult(result);
        if (!DBSession()->GetPassword()) CheckEngineResult(result);
    }
}

void TdwQBE::CloseCursor() {
    TDBDataSet::CloseCursor();
    parts_.Filter.CursorClosed();
}

void TdwQBE::DoAfterOpen() {
    TDBDataSet::DoAfterOpen();
    if (onFilter_) parts_.Filter.Install(true);
}

void TdwQBE::DoOnCalcFields() {
    parts_.CleanDefinitions();
    TDBDataSet::DoOnCalcFields();
}
