#include "dbcontrols/Dwdbgrid.h"

#include "dbcontrols/DwCommon.h"
#include "dbcontrols/Dwmemo.h"
#include "platform/gui/Forms.h"
#include "platform/gui/WinUser.h"
#include "platform/rtl/ScopeGuard.h"

#include <algorithm>

TdwMemoDialog::TdwMemoDialog(TComponent* AOwner)
    : TComponent(AOwner), dataLink_(std::make_unique<TFieldDataLink>()),
      font_(std::make_unique<TFont>()) {}

TdwMemoDialog::~TdwMemoDialog() = default;

void TdwMemoDialog::DoInitDialog(TdwMemoDlg* Dialog) {
    if (OnInitDialog) OnInitDialog(Dialog);
}

void TdwMemoDialog::DoCloseDialog(TdwMemoDlg* Dialog) {
    if (OnCloseDialog) OnCloseDialog(Dialog);
}

TField* TdwMemoDialog::FindField() const {
    TDataSource* source = DataSource();
    if (!source || !source->DataSet() || DataField().empty()) return nullptr;
    return source->DataSet()->FieldByName(DataField());
}

bool TdwMemoDialog::Execute() {
    TField* field = FindField();
    // Nothing is offered for editing that could not be stored.
    const bool editable = !MemoAttributes.Contains(mViewOnly) &&
                          (!field || (field->CanModify() && field->DataSet()->CanModify()));
    std::unique_ptr<TdwMemoDlg> form = std::make_unique<TdwMemoDlg>(Application);
    TCustomForm* owner = Application->MainForm();
    if (owner && owner->FormStyle() == fsStayOnTop) form->SetFormStyle(fsStayOnTop);
    form->MemoDialog = this;
    dialog_ = form.get();
    auto clear = MakeScopeGuard([this] { dialog_ = nullptr; });
    if (field) form->Memo->SetText(field->AsString());
    form->Memo->SetWordWrap(MemoAttributes.Contains(mWordWrap));
    form->SetFormBorderStyle(MemoAttributes.Contains(mSizeable) ? bsSizeable : bsDialog);
    form->DialogFont = font_.get();
    form->DialogCaption = Caption;
    if (!editable) {
        form->CancelBtn->SetVisible(false);
        form->Memo->SetReadOnly(true);
    }
    form->InitialBounds = Rect(DlgLeft, DlgTop, DlgLeft + DlgWidth, DlgTop + DlgHeight);
    form->UserButton1->SetCaption(UserButton1Caption);
    form->UserButton2->SetCaption(UserButton2Caption);
    const TModalResult result = form->ShowModal();
    DoCloseDialog(form.get());
    if (result == mrOk && editable && field && form->Memo->Modified()) {
        field->DataSet()->Edit();
        field->SetAsString(form->Memo->Text());
    }
    return result == mrOk && editable;
}

// ============================================================================================
// TdwDBGrid

std::string MemoCellText(const std::string& Memo, bool WordWrap) {
    std::string text = Memo.substr(0, kMemoCellLength);
    if (!WordWrap) text = text.substr(0, std::min(text.find('\r'), text.find('\n')));
    return text;
}

bool TdwDBGrid::IsMemoCell() const {
    TField* field = SelectedField();
    return field && field->DataType() == ftMemo;
}

std::string TdwDBGrid::GetFieldValue(int DataCol) {
    TField* field = Fields(DataCol);
    if (!field || field->DataType() != ftMemo || !MemoAttributes.Contains(mGridShow) ||
        !DataLink()->Active())
        return TdwCustomDBGrid::GetFieldValue(DataCol);
    return MemoCellText(field->AsString(), Options().Contains(dgWordWrap));
}

void TdwDBGrid::OpenMemoDialog() {
    if (!IsMemoCell() || MemoAttributes.Contains(mDisableDialog)) return;
    TField* field = SelectedField();
    TdwMemoDialog dialog(this);
    dialog.SetDataSource(DataSource());
    dialog.SetDataField(field->FieldName());
    dialog.MemoAttributes = MemoAttributes;
    if (!Options().Contains(dgEditing) || ReadOnly() || field->ReadOnly())
        dialog.MemoAttributes.Include(mViewOnly);
    dialog.SetFont(Font());
    std::string caption = field->GetDisplayLabel();
    std::replace(caption.begin(), caption.end(), '~', ' ');
    dialog.Caption = caption;
    dialog.DlgLeft = -1;
    if (OnMemoOpen) OnMemoOpen(this, &dialog);
    const bool stored = dialog.Execute();
    if (OnMemoClose) OnMemoClose(this, !stored);
    Invalidate();
}

void TdwDBGrid::KeyDown(Word& Key, TShiftState Shift) {
    if (Key == VK_F2 && Shift.Empty() && IsMemoCell()) {
        Key = 0;
        OpenMemoDialog();
        return;
    }
    TdwCustomDBGrid::KeyDown(Key, Shift);
}

void TdwDBGrid::DblClick() {
    TdwCustomDBGrid::DblClick();
    OpenMemoDialog();
}

bool TdwDBGrid::Accepts(bool Selecting) {
    bool accept = true;
    if (OnMultiSelectRecord) OnMultiSelectRecord(this, Selecting, accept);
    return accept;
}

int TdwDBGrid::SelectedIndexOfCurrent() {
    TDataSet* data = DataLink()->DataSet();
    if (!data || !data->Active() || bookmarks_.empty()) return -1;
    const std::vector<char> current = data->GetBookmark();
    for (std::size_t i = 0; i < bookmarks_.size(); ++i)
        if (dwCompareBookmarks(data, bookmarks_[i], current) == 0) return static_cast<int>(i);
    return -1;
}

bool TdwDBGrid::IsRowSelected(int DataRow) {
    if (!DataLink()->Active() || DataRow < 0 || DataRow >= DataLink()->RecordCount()) return false;
    const int old = DataLink()->ActiveRecord();
    DataLink()->SetActiveRecord(DataRow);
    auto restore = MakeScopeGuard([&] { DataLink()->SetActiveRecord(old); });
    return SelectedIndexOfCurrent() >= 0;
}

bool TdwDBGrid::IsCurrentRecordSelected() {
    return SelectedIndexOfCurrent() >= 0;
}

void TdwDBGrid::SelectRecord() {
    TDataSet* data = DataLink()->DataSet();
    if (!data || !data->Active() || SelectedIndexOfCurrent() >= 0 || !Accepts(true)) return;
    bookmarks_.push_back(data->GetBookmark());
    Invalidate();
}

void TdwDBGrid::UnselectRecord() {
    const int index = SelectedIndexOfCurrent();
    if (index < 0 || !Accepts(false)) return;
    bookmarks_.erase(bookmarks_.begin() + index);
    Invalidate();
}

void TdwDBGrid::UnselectAll() {
    if (bookmarks_.empty() || !Accepts(false)) return;
    bookmarks_.clear();
    Invalidate();
}
