#include "dbcontrols/MemoForm.h"

#include "dbcontrols/ControlTexts.h"
#include "dbcontrols/DataGrid.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/WinUser.h"

#include <algorithm>

namespace {

constexpr int kUserButtonGap = 16;

TButton* MakeUserButton(TPanel* panel, int left, TNotifyEvent click) {
    auto* b = new TButton(panel->Owner());
    b->SetParent(panel);
    b->SetBounds(left, 8, 89, 26);
    b->SetVisible(false);
    b->OnClick = std::move(click);
    return b;
}

} // namespace

TdwMemoDlg::TdwMemoDlg(TComponent* AOwner) : TForm(AOwner) {
    SetCaption("Dialog");
    SetPosition(poScreenCenter);
    SetBounds(0, 0, 561, 396);
    Font()->SetStyle({fsBold});
    Memo = new TMemo(this);
    Memo->SetParent(this);
    Memo->SetBounds(0, 0, 545, 321);
    Memo->SetScrollBars(ssVertical);
    Memo->SetWantTabs(true);
    Memo->OnKeyDown = [this](TObject* s, Word& k, TShiftState sh) { MemoKeyDown(s, k, sh); };
    UserButtonPanel = new TPanel(this);
    UserButtonPanel->SetParent(this);
    UserButtonPanel->SetBounds(0, 322, 237, 41);
    UserButtonPanel->SetBevelInner(bvRaised);
    UserButtonPanel->SetBevelOuter(bvLowered);
    UserButtonPanel->SetCaption("");
    UserButtonPanel->SetVisible(false);
    UserButton1 = MakeUserButton(UserButtonPanel, 16, [this](TObject* s) { UserButton1Click(s); });
    UserButton2 = MakeUserButton(UserButtonPanel, 128, [this](TObject* s) { UserButton2Click(s); });
    OKBtn = dwCreateDialogButton(this, dwBtnOK);
    OKBtn->SetTabOrder(1);
    OKBtn->OnClick = [this](TObject* s) { OKBtnClick(s); };
    CancelBtn = dwCreateDialogButton(this, dwBtnCancel);
    CancelBtn->SetTabOrder(2);
    OnCloseQuery = [this](TObject* s, bool& can) { FormCloseQuery(s, can); };
    OnResize = [this](TObject* s) { ResizeControls(s); };
    OnShow = [this](TObject* s) { FormShow(s); };
}

void TdwMemoDlg::ResizeControls(TObject*) {
    const int m = 2 * GetSystemMetrics(SM_CYDLGFRAME) + GetSystemMetrics(SM_CYCAPTION) + 53;
    Memo->SetBounds(6, 6, std::max(Width() - 20, 0), std::max(Height() - m, 0));
    const int buttonTop = Memo->Height() + 17;
    OKBtn->SetTop(buttonTop);
    CancelBtn->SetTop(buttonTop);
    if (UserButtonPanel->Visible()) UserButtonPanel->SetTop(Memo->Top() + Memo->Height() + 2);
    if (Memo->ReadOnly()) {
        if (UserButtonPanel->Visible())
            OKBtn->SetLeft(Memo->Left() + Memo->Width() - OKBtn->Width() - 25);
        else
            OKBtn->SetLeft(Memo->Width() / 2 - CancelBtn->Width() / 2 + Memo->Left());
    } else {
        OKBtn->SetLeft(Memo->Width() - 2 * (OKBtn->Width() + 20));
        CancelBtn->SetLeft(Memo->Width() - (OKBtn->Width() + 20));
        CancelBtn->SetVisible(true);
    }
    OKBtn->SetVisible(true);
}

void TdwMemoDlg::OKBtnClick(TObject*) {
    okClicked_ = true;
    closingByButton_ = true;
}

void TdwMemoDlg::FormCloseQuery(TObject*, bool& CanClose) {
    CanClose = true;
    if (!closingByButton_ && Memo->Modified() && !Memo->ReadOnly()) {
        const int answer = MessageDlg(DwIntl().UserMessages()->MemoChangesWarning, mtConfirmation,
                                      {mbYes, mbNo}, 0);
        if (answer == mrYes)
            SetModalResult(mrCancel);
        else
            CanClose = false;
    } else if (closingByButton_ && !okClicked_) {
        CanClose = false;
    }
    closingByButton_ = false;
}

void TdwMemoDlg::PlaceUserButtons() {
    int right = 0;
    int left = kUserButtonGap;
    for (TButton* b : {UserButton1, UserButton2}) {
        if (b->Caption().empty()) continue;
        b->SetLeft(left);
        b->SetVisible(true);
        right = left + b->Width();
        left = right + kUserButtonGap;
    }
    UserButtonPanel->SetTop(Memo->Top() + Memo->Height() + 2);
    UserButtonPanel->SetWidth(right + 10);
    UserButtonPanel->SetVisible(true);
}

void TdwMemoDlg::FormShow(TObject*) {
    if (shownOnce_) return;
    shownOnce_ = true;
    SetKeyPreview(true);
    if (DialogFont) Font()->Assign(DialogFont);
    SetCaption(DialogCaption);
    const TRect& b = InitialBounds;
    if (b.Left == 0 && b.Top == 0) {
        SetBounds(Left(), Top(), b.Width(), b.Height());
    } else if (b.Left > 0 || b.Top > 0) {
        SetPosition(poDesigned);
        SetBounds(b.Left, b.Top, b.Width(), b.Height());
    }
    if (!UserButton1->Caption().empty() || !UserButton2->Caption().empty()) PlaceUserButtons();
    Font()->SetStyle(DwIntl().DialogFontStyle);
    ResizeControls(this);
    if (MemoDialog) MemoDialog->DoInitDialog(this);
    Memo->SetModified(false);
}

void TdwMemoDlg::MemoKeyDown(TObject*, Word& Key, TShiftState Shift) {
    if ((Key == VK_RETURN && Shift.Contains(ssCtrl)) || Key == VK_F2) {
        Key = 0;
        SetModalResult(mrOk);
        OKBtnClick(this);
    } else if (Key == VK_ESCAPE) {
        Key = 0;
        SetModalResult(mrCancel);
    }
}

void TdwMemoDlg::KeyPress(char& Key) {
    if (Key == 27) Key = 0;
    TForm::KeyPress(Key);
}

void TdwMemoDlg::UserButton1Click(TObject*) {
    if (MemoDialog && MemoDialog->OnUserButton1Click) MemoDialog->OnUserButton1Click(this, Memo);
}

void TdwMemoDlg::UserButton2Click(TObject*) {
    if (MemoDialog && MemoDialog->OnUserButton2Click) MemoDialog->OnUserButton2Click(this, Memo);
}
