#include "platform/gui/LoginDialogs.h"

#include "platform/gui/Forms.h"
#include "platform/gui/StdCtrls.h"

#include <memory>

namespace {

constexpr int kLabelWidth = 80;
constexpr int kEditLeft = 100;
constexpr int kEditWidth = 180;
constexpr int kRowHeight = 30;

// A modal form of labelled edits above an OK and a Cancel button.
class TLoginForm : public TForm {
public:
    explicit TLoginForm(const std::string& caption) : TForm(nullptr) {
        SetCaption(caption);
        SetFormBorderStyle(bsDialog);
        SetPosition(poScreenCenter);
    }

    void AddText(const std::string& label, const std::string& text) {
        AddLabel(label);
        auto* value = new TLabel(this);
        value->SetParent(this);
        value->SetBounds(kEditLeft, Top() + 3, kEditWidth, 20);
        value->SetCaption(text);
        ++rows_;
    }

    TEdit* AddEdit(const std::string& label, const std::string& text, bool hidden) {
        TLabel* caption = AddLabel(label);
        auto* edit = new TEdit(this);
        edit->SetParent(this);
        edit->SetBounds(kEditLeft, Top(), kEditWidth, 22);
        edit->SetText(text);
        if (hidden) edit->SetPasswordChar('*');
        caption->SetFocusControl(edit);
        if (!ActiveControl()) SetActiveControl(edit);
        ++rows_;
        return edit;
    }

    bool Run() {
        const int top = Top() + 10;
        AddButton("OK", mrOk, 110, top)->SetDefault(true);
        AddButton("Cancel", mrCancel, 200, top)->SetCancel(true);
        SetClientWidth(kEditLeft + kEditWidth + 20);
        SetClientHeight(top + 35);
        return ShowModal() == mrOk;
    }

private:
    int Top() const { return 15 + rows_ * kRowHeight; }

    TLabel* AddLabel(const std::string& text) {
        auto* label = new TLabel(this);
        label->SetParent(this);
        label->SetBounds(15, Top() + 3, kLabelWidth, 20);
        label->SetCaption(text);
        return label;
    }

    TButton* AddButton(const std::string& caption, int result, int left, int top) {
        auto* button = new TButton(this);
        button->SetParent(this);
        button->SetBounds(left, top, 80, 25);
        button->SetCaption(caption);
        button->SetModalResult(result);
        return button;
    }

    int rows_ = 0;
};

} // namespace

bool LoginDialog(const std::string& DatabaseName, std::string& UserName, std::string& Password) {
    InitApplication();
    auto form = std::make_unique<TLoginForm>("Database Login");
    form->AddText("Database:", DatabaseName);
    TEdit* user = form->AddEdit("&User Name:", UserName, false);
    TEdit* password = form->AddEdit("&Password:", "", true);
    if (!UserName.empty()) form->SetActiveControl(password);
    if (!form->Run()) return false;
    UserName = user->Text();
    Password = password->Text();
    return true;
}

bool PasswordDialog(std::string& Password) {
    InitApplication();
    auto form = std::make_unique<TLoginForm>("Enter password");
    TEdit* password = form->AddEdit("&Password:", "", true);
    if (!form->Run()) return false;
    Password = password->Text();
    return true;
}
