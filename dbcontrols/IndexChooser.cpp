#include "dbcontrols/IndexChooser.h"

#include "dbcontrols/DataSetParts.h"
#include "dbcontrols/SharedRoutines.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/WinUser.h"
#include "platform/rtl/Strings.h"

namespace {

void Warn(const std::string& text) {
    MessageDlg(text, mtWarning, {mbOK}, 0);
}

std::vector<std::string> SplitFields(const std::string& fields) {
    std::vector<std::string> names;
    std::size_t start = 0;
    for (;;) {
        const std::size_t semi = fields.find(';', start);
        names.push_back(fields.substr(start, semi - start));
        if (semi == std::string::npos) return names;
        start = semi + 1;
    }
}

bool StartsWithText(const std::string& text, const std::string& typed) {
    return UpperCase(text).rfind(UpperCase(typed), 0) == 0;
}

} // namespace

// ============================================================================================
// TdwKeyCombo

void TdwKeyDataLink::ActiveChanged() {
    if (DataSet()) combo_->MarkForRefill();
}

TdwKeyCombo::TdwKeyCombo(TComponent* AOwner)
    : TComboBox(AOwner), dataLink_(std::make_unique<TdwKeyDataLink>(this)) {
    SetStyle(csDropDownList);
}

TdwKeyCombo::~TdwKeyCombo() {
    dataLink_->SetDataSource(nullptr);
}

TTable* TdwKeyCombo::Table() const {
    return dataLink_->DataSet() ? dynamic_cast<TTable*>(dataLink_->DataSet()) : nullptr;
}

void TdwKeyCombo::SetDataSource(TDataSource* Value) {
    if (Value && Value->DataSet() && !dynamic_cast<TTable*>(Value->DataSet())) {
        Warn("DataSource must point to a TTable.");
        return;
    }
    dataLink_->SetDataSource(Value);
    if (Value) Value->FreeNotification(this);
    MarkForRefill();
}

void TdwKeyCombo::Notification(TComponent* AComponent, TOperation Operation) {
    TComboBox::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == DataSource()) dataLink_->SetDataSource(nullptr);
}

void TdwKeyCombo::SetShowAllIndexes(bool Value) {
    showAllIndexes_ = Value;
    if (DataSource()) FillList();
}

void TdwKeyCombo::MarkForRefill() {
    if (!ComponentState().Contains(csDesigning) && Table() && Table()->Active()) FillList();
}

std::string TdwKeyCombo::ItemText(const TIndexDef* Def) const {
    TTable* table = Table();
    const std::vector<std::string> names = SplitFields(Def->Fields());
    for (const std::string& name : names)
        if (name.empty() || !table->FindField(name)) return {};
    TField* first = table->FindField(names.front());
    if (!first->Visible()) return {};
    std::string text = first->GetDisplayLabel();
    if (Def->Options() & ixDescending) text += " - Desc";
    return text;
}

void TdwKeyCombo::FillList() {
    if (!dataLink_->DataSet()) return;
    TTable* table = Table();
    if (!table) {
        Warn("TdwKeyCombo: DataSet not initialized for chosen DataSource.");
        return;
    }
    if (table->MasterSource()) {
        Warn("TdwKeyCombo: Data Source can not be a child table.\nComponent " + table->Name() +
             " has a MasterSource defined.");
        return;
    }
    if (dwIsQueryTable(table)) {
        Warn("TdwKeyCombo: DataSet cannot be a TdwTable using a Query.");
        return;
    }
    Items()->Clear();
    table->UpdateIndexDefs();
    TIndexDefs* defs = table->IndexDefs();
    std::string current;
    for (int i = 0; i < defs->Count(); ++i) {
        const TIndexDef* def = defs->Items(i);
        std::string text =
            showAllIndexes_ ? (def->Name().empty() ? PrimaryKeyName : def->Name()) : ItemText(def);
        if (text.empty() || Items()->IndexOf(text) >= 0) continue;
        Items()->Add(text);
        if (SameText(def->Name(), table->IndexName()) && current.empty()) current = text;
    }
    if (showAllIndexes_ && table->IndexName().empty()) current = PrimaryKeyName;
    SetItemIndex(Items()->IndexOf(current));
}

void TdwKeyCombo::SwitchIndex(const std::string& Text) {
    TTable* table = Table();
    if (!table) return;
    if (showAllIndexes_) {
        table->SetIndexName(Text == PrimaryKeyName ? std::string() : Text);
        return;
    }
    TIndexDefs* defs = table->IndexDefs();
    // Case-insensitive indexes first, then any.
    for (bool insensitiveOnly : {true, false}) {
        for (int i = 0; i < defs->Count(); ++i) {
            const TIndexDef* def = defs->Items(i);
            if (insensitiveOnly && !(def->Options() & ixCaseInsensitive)) continue;
            if (ItemText(def) != Text) continue;
            dwSetTableIndex(table, def->Name());
            return;
        }
    }
}

void TdwKeyCombo::Change() {
    SwitchIndex(Text());
    FillList();
    TComboBox::Change();
}

// ============================================================================================
// TdwIncrementalSearch

TdwIncrementalSearch::TdwIncrementalSearch(TComponent* AOwner)
    : TEdit(AOwner), dataLink_(std::make_unique<TDataLink>()), timer_(new TTimer(this)) {
    timer_->SetEnabled(false);
    timer_->SetInterval(kSearchDelay);
    timer_->OnTimer = [this](TObject*) {
        timer_->SetEnabled(false);
        if (Text() != lastSearch_) Search();
    };
    SetText("");
}

TdwIncrementalSearch::~TdwIncrementalSearch() {
    dataLink_->SetDataSource(nullptr);
}

void TdwIncrementalSearch::KeyUp(Word& Key, TShiftState Shift) {
    TEdit::KeyUp(Key, Shift);
    if (Text() == lastSearch_ || !dwIsSearchKey(Key)) return;
    const bool removing = Key == VK_BACK || Key == VK_DELETE;
    if (!DataSource()) {
        Warn("DataSource not defined - object " + Name());
        return;
    }
    if (!DataSource()->DataSet()) {
        Warn("Dataset not defined for DataSource");
        return;
    }
    if (ShowMatchText && removing) {
        // Taking back the completion is no new search; a narrowed table widens to the text.
        lastSearch_ = Text();
        auto* table = dynamic_cast<TdwTable*>(DataSource()->DataSet());
        if (table && table->NarrowSearch && table->Active()) dwIncrementalSearch(table, 0, Text());
        return;
    }
    timer_->SetEnabled(false);
    timer_->SetEnabled(true);
}

TField* TdwIncrementalSearch::ExpressionKeyField(TTable* Table) const {
    const std::string name = UpperCase(Table->TableName());
    const bool xBase = Table->TableType() == ttDBase ||
                       (name.size() >= 4 && name.compare(name.size() - 4, 4, ".DBF") == 0);
    const int index = Table->IndexDefs()->IndexOf(Table->IndexName());
    if (!xBase || !SearchField.empty() || Table->IndexName().empty() || index < 0) return nullptr;
    const std::string expression = UpperCase(Table->IndexDefs()->Items(index)->Expression());
    std::size_t start = 0;
    while (start <= expression.size()) {
        std::size_t end = expression.find_first_of("()*+-/", start);
        if (end == std::string::npos) end = expression.size();
        if (TField* field = Table->FindField(Trim(expression.substr(start, end - start))))
            return field;
        start = end + 1;
    }
    return nullptr;
}

TField* TdwIncrementalSearch::LocateByPrefix(TDataSet* DataSet, bool& Found) {
    const std::string name = SearchField.empty() ? DataSet->Fields(0)->FieldName() : SearchField;
    Found = dwLocateFieldValue(DataSet, name, Text(), dwMatchStart, false);
    return DataSet->FindField(name);
}

TField* TdwIncrementalSearch::SearchByKey(TTable* Table, bool& Found) {
    const std::string typed = Text();
    if (TField* field = ExpressionKeyField(Table)) {
        Table->SetKey();
        field->SetAsString(typed);
        Table->GotoNearest();
        Found = StartsWithText(field->AsString(), typed);
        return field;
    }
    TField* keyField = Table->GetIndexFieldCount() > 0 ? Table->GetIndexField(0) : nullptr;
    // A search field that is not the index's first field is searched by prefix in itself.
    if (!keyField || (!SearchField.empty() && Table->FindField(SearchField) != keyField))
        return LocateByPrefix(Table, Found);
    Found = dwIncrementalSearch(Table, 0, typed);
    return keyField;
}

void TdwIncrementalSearch::Search() {
    // A search now stands for the one the typing delayed.
    timer_->SetEnabled(false);
    lastSearch_ = Text();
    TDataSet* data = dataLink_->DataSet();
    if (!data || !data->Active()) return;
    bool found = false;
    auto* table = dynamic_cast<TTable*>(data);
    if (table && table->IndexDefs()->Count() == 0) table->UpdateIndexDefs();
    // A query table without index fields has no key to seek on.
    TField* field = !table || (dwIsQueryTable(table) && table->GetIndexFieldCount() == 0)
                        ? LocateByPrefix(data, found)
                        : SearchByKey(table, found);
    if (OnAfterSearch) OnAfterSearch(this, found);
    if (!ShowMatchText || !found || !field) return;
    const std::string typed = Text();
    const std::string match = field->AsString();
    // Only a completion of what was typed is offered; the typed text itself stays.
    if (!StartsWithText(match, typed)) return;
    SetText(typed + match.substr(typed.size()));
    SetSelStart(static_cast<int>(typed.size()));
    SetSelLength(static_cast<int>(match.size() - typed.size()));
    lastSearch_ = Text();
}
