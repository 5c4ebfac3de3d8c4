#include "dbcontrols/Dwdbgrid.h"

#include "dbcontrols/Dwmemo.h"
#include "platform/gui/Forms.h"
#include "platform/rtl/ScopeGuard.h"

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
