// Every form of the program, opened as a user opens it, walked for what keyboard users and the
// help rely on: the mnemonics of the controls shown together are unique (the menu bar's titles
// among them, each of which has one; the items of a menu unique among themselves), every help
// context has a topic in the help file, and F1 opens help.
#include "advisors/AmortizationCharts.h"
#include "advisors/AmortizationOptions.h"
#include "advisors/AmortizationWindow.h"
#include "advisors/BreakEvenCharts.h"
#include "advisors/ProgressForm.h"
#include "advisors/Register.h"
#include "app/SplashForm.h"
#include "controls/table/Notebook.h"
#include "dbcontrols/MemoForm.h"
#include "platform/gui/Buttons.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Menus.h"
#include "platform/rtl/Strings.h"
#include "report/RptPreviewForm.h"
#include "report/RptSetupForm.h"
#include "report/RptStatusForm.h"
#include "tests/app/AppTestSupport.h"
#include "widgets/AboutForm.h"
#include "widgets/TipOfTheDay.h"

#include <functional>
#include <map>
#include <set>

namespace {

// The letter a caption's "&" marks, 0 when it marks none.
char Mnemonic(const std::string& caption) {
    for (int c = 33; c < 256; ++c)
        if (IsAccel(static_cast<Word>(c), caption)) return AnsiUpperChar(static_cast<char>(c));
    return 0;
}

// The captions by which a control answers Alt and a letter.
std::vector<std::string> MnemonicCaptions(TControl* control) {
    if (auto* label = dynamic_cast<TLabel*>(control))
        return label->FocusControl() && label->ShowAccelChar()
                   ? std::vector<std::string>{label->Caption()}
                   : std::vector<std::string>{};
    if (auto* notebook = dynamic_cast<TVcNotebook*>(control)) {
        std::vector<std::string> tabs;
        for (int i = 0; i < notebook->PageCount(); ++i)
            tabs.push_back(notebook->Page(i)->Caption());
        return tabs;
    }
    if (dynamic_cast<TButton*>(control) || dynamic_cast<TCheckBox*>(control) ||
        dynamic_cast<TRadioButton*>(control) || dynamic_cast<TGroupBox*>(control) ||
        dynamic_cast<TSpeedButton*>(control))
        return {control->Caption()};
    return {};
}

using TClaims = std::map<char, std::vector<std::string>>;

void ClaimShown(TControl* control, TClaims& claims) {
    if (!control->Visible()) return;
    for (const std::string& caption : MnemonicCaptions(control))
        if (const char letter = Mnemonic(caption))
            claims[letter].push_back(control->Name() + " \"" + caption + "\"");
    if (auto* parent = dynamic_cast<TWinControl*>(control))
        for (int i = 0; i < parent->ControlCount(); ++i)
            ClaimShown(parent->Controls(i), claims);
}

std::string Clashes(const TClaims& claims) {
    std::string text;
    for (const auto& [letter, owners] : claims)
        if (owners.size() > 1) {
            text += std::string("  ") + letter + ":";
            for (const std::string& owner : owners)
                text += " " + owner;
            text += "\n";
        }
    return text;
}

// The items of each drop-down menu have letters of their own.
void CheckMenuItems(TMenuItem* menu, const std::string& where) {
    TClaims claims;
    for (int i = 0; i < menu->Count(); ++i) {
        TMenuItem* item = menu->Items(i);
        if (!item->Visible() || item->IsLine()) continue;
        if (const char letter = Mnemonic(item->Caption()))
            claims[letter].push_back("\"" + item->Caption() + "\"");
        if (item->Count() > 0) CheckMenuItems(item, where + " > " + item->Caption());
    }
    EXPECT_EQ(Clashes(claims), "") << where;
}

// Every notebook of the form (pages of the platform's and of the entry controls' kind).
struct TPages {
    std::function<int()> Count;
    std::function<int()> Current;
    std::function<void(int)> Show;
};

std::vector<TPages> NotebooksOf(TComponent* owner) {
    std::vector<TPages> notebooks;
    for (int k = 0; k < owner->ComponentCount(); ++k) {
        if (auto* n = dynamic_cast<TNotebook*>(owner->Components(k)))
            notebooks.push_back({[n] { return n->PageCount(); }, [n] { return n->PageIndex(); },
                                 [n](int i) { n->SetPageIndex(i); }});
        if (auto* n = dynamic_cast<TVcNotebook*>(owner->Components(k)))
            notebooks.push_back({[n] { return n->PageCount(); }, [n] { return n->PageIndex(); },
                                 [n](int i) { n->SetPageIndex(i); }});
    }
    return notebooks;
}

class EveryFormTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        MakeMainForm();
        Application->SetHelpFile("vtrx2532.hlp");
        help = ReadAll(std::string(VANTREL_SOURCE_DIR) + "/data/vtrx2532.hlp");
        previousHook = SetModalHook([this](TCustomForm* form) {
            if (OnModal) OnModal(form);
        });
    }
    void TearDown() override {
        SetModalHook(previousHook);
        AppTest::TearDown();
    }

    // The mnemonics of what shows at once: the menu bar's and each page of each notebook.
    void CheckMnemonics(TCustomForm* form) {
        const std::string name = form->Name();
        const auto check = [&](const std::string& where) {
            TClaims claims;
            ClaimShown(form, claims);
            if (TMainMenu* menu = form->Menu())
                for (int i = 0; i < menu->Items()->Count(); ++i) {
                    TMenuItem* title = menu->Items()->Items(i);
                    if (!title->Visible()) continue;
                    const char letter = Mnemonic(title->Caption());
                    EXPECT_NE(letter, 0)
                        << where << ": the menu \"" << title->Caption() << "\" has no mnemonic";
                    if (letter) claims[letter].push_back("menu \"" + title->Caption() + "\"");
                }
            EXPECT_EQ(Clashes(claims), "") << where;
        };
        check(name);
        if (TMainMenu* menu = form->Menu()) CheckMenuItems(menu->Items(), name);
        for (const TPages& notebook : NotebooksOf(form)) {
            const int shown = notebook.Current();
            for (int page = 0; page < notebook.Count(); ++page) {
                notebook.Show(page);
                check(name + " page " + std::to_string(page));
            }
            notebook.Show(shown);
        }
    }

    // Every help context of the form, its controls and its menu has a topic.
    void CheckHelpContexts(TCustomForm* form) {
        std::set<int> contexts = {form->HelpContext()};
        std::function<void(TComponent*)> collect = [&](TComponent* owner) {
            for (int k = 0; k < owner->ComponentCount(); ++k) {
                TComponent* c = owner->Components(k);
                if (auto* control = dynamic_cast<TControl*>(c))
                    contexts.insert(control->HelpContext());
                if (auto* item = dynamic_cast<TMenuItem*>(c)) contexts.insert(item->HelpContext());
                collect(c);
            }
        };
        collect(form);
        contexts.erase(0);
        for (int context : contexts) {
            std::string title, text;
            EXPECT_TRUE(FindHelpTopic(help, context, title, text))
                << form->Name() << ": no topic for help context " << context;
        }
    }

    void Walk(TCustomForm* form) {
        ASSERT_NE(form, nullptr);
        walked.push_back(form->Name());
        CheckMnemonics(form);
        CheckHelpContexts(form);
    }

    // F1 in the form's focused control opens a topic the help file has.
    void CheckF1(TCustomForm* form) {
        const std::size_t before = services.Helps.size();
        TWinControl* focused = form->ActiveControl() ? form->ActiveControl() : form;
        Key(focused, Qt::Key_F1);
        ASSERT_EQ(services.Helps.size(), before + 1) << form->Name() << ": F1 opened no help";
        std::string title, text;
        EXPECT_TRUE(FindHelpTopic(help, static_cast<int>(services.Helps.back().Data), title, text))
            << form->Name() << " asked for topic " << services.Helps.back().Data;
    }

    std::string help;
    TModalHook previousHook;
    std::function<void(TCustomForm*)> OnModal;
    std::vector<std::string> walked;
};

TEST_F(EveryFormTest, TheMainWindowAndEveryCalculatorAndAdvisor) {
    Walk(main);
    CheckF1(main);
    const std::vector<std::pair<TCalcKind, std::function<void()>>> launchers = {
        {ckLoan, [this] { main->OpenLoanCalc(); }},
        {ckIntDue, [this] { main->OpenIntDueCalc(); }},
        {ckRemBal, [this] { main->OpenRemBalCalc(); }},
        {ckAccel, [this] { main->OpenAccelCalc(); }},
        {ckBalloon, [this] { main->OpenBalloonCalc(); }},
        {ckAffHouse, [this] { main->OpenAffordHouse(); }},
        {ckRefinance, [this] { main->OpenRefinance(); }},
        {ckPoints, [this] { main->OpenPoints(); }},
        {ckLeaseBuy, [this] { main->OpenLeaseBuy(); }}};
    for (const auto& [kind, open] : launchers) {
        open();
        TCalcForm* form = main->SlotForm(kind, 1);
        Walk(form);
        CheckF1(form);
        const std::size_t before = services.Helps.size();
        form->HelpBTN->Click();
        ASSERT_EQ(services.Helps.size(), before + 1) << form->Name();
        std::string title, text;
        EXPECT_TRUE(FindHelpTopic(help, static_cast<int>(services.Helps.back().Data), title, text))
            << form->Name() << ": the Help button's topic " << services.Helps.back().Data;
    }
    EXPECT_EQ(walked.size(), 10u);
}

TEST_F(EveryFormTest, TheScheduleAndTheFormsItOpens) {
    OnModal = [this](TCustomForm* form) {
        Walk(form);
        auto* schedule = dynamic_cast<TcLoAmort*>(form);
        if (!schedule) {
            form->SetModalResult(mrCancel);
            return;
        }
        CheckF1(schedule);
        Enter(schedule->PV, "100000", schedule->NumPmts, "360", schedule->Rate, "8");
        schedule->CalcBTN->Click();
        Application->ProcessMessages();
        schedule->ChartBTN->Click();
        schedule->Options1Click(nullptr);
        schedule->SaveBTN->Click();
        schedule->PrintBTN->Click();
        Application->ProcessMessages();
        schedule->SetModalResult(mrCancel);
    };
    main->OpenAmortSchedule();
    EXPECT_EQ(walked, (std::vector<std::string>{"AmortForm", "AmortCharts", "AmortOpt", "LoanInfo",
                                                "RPSetupForm"}));
}

TEST_F(EveryFormTest, TheDialogsAndWindowsMadeOnTheirOwn) {
    const TLeaseBuyData lease{};
    std::vector<std::unique_ptr<TCustomForm>> forms;
    forms.push_back(std::make_unique<TchLeaseBuy>(nullptr, &lease));
    forms.push_back(std::make_unique<TAboutBox>(nullptr));
    forms.push_back(std::make_unique<TEPTipDialogFm>(nullptr));
    forms.push_back(std::make_unique<TRPPreviewForm>(nullptr));
    forms.push_back(std::make_unique<TRPStatusForm>(nullptr));
    forms.push_back(std::make_unique<TMeterFrm>(nullptr));
    forms.push_back(std::make_unique<TdwMemoDlg>(nullptr));
    forms.push_back(std::make_unique<TSplash>(nullptr));
    for (const auto& form : forms)
        Walk(form.get());
    EXPECT_EQ(walked.size(), forms.size());
}

// F1 opens the topic of the field that has one, else the topic of its form.
TEST_F(EveryFormTest, F1OpensTheFieldsTopicElseTheFormsTopic) {
    main->OpenLoanCalc();
    TCalcForm* loan = main->SlotForm(ckLoan, 1);
    auto* amount = dynamic_cast<TWinControl*>(loan->FindComponent("PV"));
    ASSERT_NE(amount, nullptr);
    Key(amount, Qt::Key_F1);
    ASSERT_FALSE(services.Helps.empty());
    EXPECT_EQ(services.Helps.back().Command, HELP_CONTEXT);
    EXPECT_EQ(services.Helps.back().Data, 1); // "Amount of Loan"
    amount->SetHelpContext(0);
    Key(amount, Qt::Key_F1);
    EXPECT_EQ(services.Helps.back().Data, 125); // the loan calculator
    // With Shift, Ctrl or Alt it is no help key.
    const std::size_t helps = services.Helps.size();
    Key(amount, Qt::Key_F1, Qt::ShiftModifier);
    Key(amount, Qt::Key_F1, Qt::ControlModifier);
    EXPECT_EQ(services.Helps.size(), helps);
}

} // namespace
