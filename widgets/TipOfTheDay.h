// The tip-of-the-day dialog: a non-visual component that shows a modal "Tip of the Day" window
// with one tip of its list, chosen at random, under a title and beside a light bulb; Next Tip
// steps through the list (wrapping after the last), the optional More Tips and Help buttons open
// help topics, and the "Show Tips at Startup" box is read back into ShowAtStartup after every
// showing, for the caller to store.
#pragma once

#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"
#include "platform/gui/StdCtrls.h"
#include "widgets/Image.h"

#include <memory>
#include <string>

// The window of the dialog (made for each showing).
class TEPTipDialogFm : public TForm {
    VANTREL_CLASS(TEPTipDialogFm, TForm)

    explicit TEPTipDialogFm(TComponent* AOwner);

    // Opens the application help at the HelpContext of the button clicked.
    void HelpContextClick(TObject* Sender);

    TButton* CloseBt;
    TCheckBox* ShowTipsCb;
    TButton* NextTipBt;
    TButton* MoreTipsBt;
    TButton* HelpBt;
    TPanel* Panel1;
    TEPImage* LightBulbIm;
    TLabel* TipTitleLb;
    TLabel* TipLb;
};

// The light bulb the dialog shows when no picture is given: 32 x 40, its bottom-left pixel the
// colour left out.
void DrawLightBulb(TBitmap* Bitmap);

class TEPTipDialog : public TComponent {
    VANTREL_CLASS(TEPTipDialog, TComponent)

    explicit TEPTipDialog(TComponent* AOwner);
    ~TEPTipDialog() override;

    std::string About() const { return "Tip of the day dialog"; }
    // The window caption when not empty.
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& Value) { caption_ = Value; }
    // The Help button's topic; 0 hides the button.
    int HelpContext() const { return helpContext_; }
    void SetHelpContext(int Value) { helpContext_ = Value; }
    // The More Tips button's topic; 0 hides the button.
    int MoreTipsContext() const { return moreTipsContext_; }
    void SetMoreTipsContext(int Value) { moreTipsContext_ = Value; }
    // Replaces the light bulb when it holds a graphic; the setter copies.
    TPicture* Picture() const { return picture_.get(); }
    void SetPicture(TPicture* Value) { picture_->Assign(Value); }
    bool ShowAtStartup() const { return showAtStartup_; }
    void SetShowAtStartup(bool Value) { showAtStartup_ = Value; }
    // One tip per line; the setter copies.
    TStrings* Tips() const { return tips_.get(); }
    void SetTips(TStrings* Value) { tips_->Assign(Value); }
    // The title text when not empty.
    const std::string& TipTitle() const { return tipTitle_; }
    void SetTipTitle(const std::string& Value) { tipTitle_ = Value; }

    // Shows the window modally and returns when it is closed.
    void Execute();

private:
    void Prepare(TEPTipDialogFm* Form);
    void NextTip();
    std::string caption_;
    int helpContext_ = 0;
    int moreTipsContext_ = 0;
    std::unique_ptr<TPicture> picture_;
    bool showAtStartup_ = true;
    std::unique_ptr<TStringList> tips_;
    std::string tipTitle_;
    TEPTipDialogFm* form_ = nullptr;
    int tipIndex_ = 0;
};
