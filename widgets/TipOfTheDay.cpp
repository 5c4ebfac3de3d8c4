#include "widgets/TipOfTheDay.h"

#include "platform/rtl/Clock.h"

#include <array>
#include <random>

void DrawLightBulb(TBitmap* Bitmap) {
    Bitmap->SetSize(32, 40);
    TCanvas* c = Bitmap->Canvas();
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(clOlive);
    c->FillRect(Rect(0, 0, 32, 40));
    // Rays around the glass.
    c->Pen()->SetColor(clYellow);
    c->Pen()->SetWidth(2);
    for (const auto& [x1, y1, x2, y2] :
         {std::array{16, 1, 16, 4}, std::array{3, 13, 6, 13}, std::array{26, 13, 29, 13},
          std::array{6, 4, 8, 6}, std::array{26, 4, 24, 6}}) {
        c->MoveTo(x1, y1);
        c->LineTo(x2, y2);
    }
    c->Pen()->SetWidth(1);
    // The glass, with a shine, and its neck.
    c->Pen()->SetColor(clBlack);
    c->Brush()->SetColor(clYellow);
    c->Ellipse(7, 5, 26, 24);
    c->Rectangle(12, 21, 21, 28);
    c->Pen()->SetColor(clWhite);
    c->MoveTo(11, 11);
    c->LineTo(13, 9);
    c->LineTo(16, 8);
    // The screw base and its contact.
    c->Pen()->SetColor(clBlack);
    c->Brush()->SetColor(clSilver);
    c->Rectangle(11, 27, 22, 35);
    for (int y : {29, 31, 33}) {
        c->MoveTo(11, y);
        c->LineTo(22, y);
    }
    c->Brush()->SetColor(clGray);
    c->Rectangle(14, 35, 19, 38);
}

TEPTipDialogFm::TEPTipDialogFm(TComponent* AOwner) : TForm(AOwner) {
    SetName("EPTipDialogFm");
    SetCaption("Tip of the Day");
    SetFormBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetColor(clBtnFace);
    SetClientWidth(436);
    SetClientHeight(234);
    Font()->SetName("Arial");
    Font()->SetHeight(-12);

    Panel1 = MakeChild<TPanel>(this, "Panel1", this, 8, 8, 320, 186);
    Panel1->SetBevelOuter(bvLowered);
    Panel1->SetColor(clWindow);
    LightBulbIm = MakeChild<TEPImage>(this, "LightBulbIm", Panel1, 12, 14, 32, 40);
    LightBulbIm->SetTransparent(true);
    DrawLightBulb(LightBulbIm->Picture()->Bitmap());
    TipTitleLb = MakeChild<TLabel>(this, "TipTitleLb", Panel1, 56, 18, 250, 22);
    TipTitleLb->SetCaption("Did you know...");
    TipTitleLb->Font()->SetHeight(-17);
    TipTitleLb->Font()->SetStyle({fsBold});
    TipLb = MakeChild<TLabel>(this, "TipLb", Panel1, 56, 56, 250, 120);
    TipLb->SetAutoSize(false);
    TipLb->SetWordWrap(true);
    TipLb->SetShowAccelChar(false);
    TipLb->SetBounds(56, 56, 250, 120);

    NextTipBt = MakeChild<TButton>(this, "NextTipBt", this, 340, 8, 88, 25);
    NextTipBt->SetCaption("&Next Tip");
    MoreTipsBt = MakeChild<TButton>(this, "MoreTipsBt", this, 340, 40, 88, 25);
    MoreTipsBt->SetCaption("&More Tips...");
    MoreTipsBt->OnClick = [this](TObject* Sender) { HelpContextClick(Sender); };
    HelpBt = MakeChild<TButton>(this, "HelpBt", this, 340, 72, 88, 25);
    HelpBt->SetCaption("&Help");
    HelpBt->OnClick = [this](TObject* Sender) { HelpContextClick(Sender); };
    ShowTipsCb = MakeChild<TCheckBox>(this, "ShowTipsCb", this, 10, 204, 200, 20);
    ShowTipsCb->SetCaption("&Show Tips at Startup");
    CloseBt = MakeChild<TButton>(this, "CloseBt", this, 340, 201, 88, 25);
    CloseBt->SetCaption("&Close");
    CloseBt->SetModalResult(mrOk);
    CloseBt->SetDefault(true);
    CloseBt->SetCancel(true);
    SetActiveControl(CloseBt);
}

void TEPTipDialogFm::HelpContextClick(TObject* Sender) {
    if (auto* control = dynamic_cast<TControl*>(Sender))
        Application->HelpContext(control->HelpContext());
}

// ---------------------------------------------------------------------------------------------

TEPTipDialog::TEPTipDialog(TComponent* AOwner)
    : TComponent(AOwner), picture_(std::make_unique<TPicture>()),
      tips_(std::make_unique<TStringList>()) {}

TEPTipDialog::~TEPTipDialog() = default;

void TEPTipDialog::Prepare(TEPTipDialogFm* Form) {
    if (!picture_->Empty()) Form->LightBulbIm->Picture()->Assign(picture_.get());
    const int left = Form->LightBulbIm->Left() + Form->LightBulbIm->Width() + 12;
    Form->TipTitleLb->SetLeft(left);
    Form->TipLb->SetLeft(left);
    Form->SetHelpContext(helpContext_);
    Form->HelpBt->SetVisible(helpContext_ != 0);
    Form->HelpBt->SetHelpContext(helpContext_);
    Form->MoreTipsBt->SetVisible(moreTipsContext_ != 0);
    Form->MoreTipsBt->SetHelpContext(moreTipsContext_);
    if (Form->HelpBt->Visible() && !Form->MoreTipsBt->Visible())
        Form->HelpBt->SetTop(Form->MoreTipsBt->Top());
    Form->ShowTipsCb->SetChecked(showAtStartup_);
    if (!caption_.empty()) Form->SetCaption(caption_);
    if (!tipTitle_.empty()) Form->TipTitleLb->SetCaption(tipTitle_);
    Form->NextTipBt->OnClick = [this](TObject*) { NextTip(); };
    if (tips_->Count() == 0) return;
    const TSystemTime now = Clock().LocalTime();
    std::mt19937 random(static_cast<std::uint32_t>(Clock().TickCount() * 1000 + now.Millisecond +
                                                   now.Second * 7919u));
    tipIndex_ = std::uniform_int_distribution<int>(0, tips_->Count() - 1)(random);
    Form->TipLb->SetCaption(tips_->Strings(tipIndex_));
}

void TEPTipDialog::NextTip() {
    if (!form_) return;
    if (tips_->Count() == 0) {
        form_->TipLb->SetCaption("");
        return;
    }
    tipIndex_ = (tipIndex_ + 1) % tips_->Count();
    form_->TipLb->SetCaption(tips_->Strings(tipIndex_));
}

void TEPTipDialog::Execute() {
    InitApplication();
    std::unique_ptr<TEPTipDialogFm> form(new TEPTipDialogFm(Application));
    form_ = form.get();
    try {
        Prepare(form_);
        form_->ShowModal();
    } catch (...) {
        form_ = nullptr;
        throw;
    }
    showAtStartup_ = form_->ShowTipsCb->Checked();
    form_ = nullptr;
}
