#include "GuiTestSupport.h"

#include "platform/gui/Dialogs.h"

#include <QApplication>
#include <QKeyEvent>
#include <gtest/gtest.h>

namespace {

class KeyboardTest : public TTestFormTest {
protected:
    void SetUp() override {
        TTestFormTest::SetUp();
        form->Ok->OnClick = [this](TObject*) { ++okClicks; };
        form->Cancel->OnClick = [this](TObject*) { ++cancelClicks; };
    }

    int okClicks = 0;
    int cancelClicks = 0;
};

using Log = std::vector<std::string>;

TEST_F(KeyboardTest, KeyBecomesKeyDownCharKeyUpWithWin32Codes) {
    form->Custom->SetFocus();
    form->Custom->Clear();
    Type(form->Custom, Qt::Key_A);
    EXPECT_EQ(form->Custom->Log, (Log{"KEYDOWN 41", "CHAR 61", "KEYUP 41"}));

    form->Custom->Clear();
    Type(form->Custom, Qt::Key_Exclam, Qt::ShiftModifier);
    EXPECT_EQ(form->Custom->Log,
              (Log{"KEYDOWN 10", "KEYDOWN 31", "CHAR 21", "KEYUP 31", "KEYUP 10"}));

    form->Custom->Clear();
    Type(form->Custom, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(form->Custom->Log,
              (Log{"KEYDOWN 11", "KEYDOWN 41", "CHAR 01", "KEYUP 41", "KEYUP 11"}));

    form->Custom->Clear();
    Type(form->Custom, Qt::Key_5, Qt::KeypadModifier);
    Type(form->Custom, Qt::Key_F5);
    Type(form->Custom, Qt::Key_Semicolon);
    EXPECT_EQ(form->Custom->Log, (Log{"KEYDOWN 65", "CHAR 35", "KEYUP 65", "KEYDOWN 74", "KEYUP 74",
                                      "KEYDOWN BA", "CHAR 3B", "KEYUP BA"}));
}

TEST_F(KeyboardTest, AccentedCharactersArriveAsTheirWindows1252Bytes) {
    form->Custom->SetFocus();
    form->Custom->Clear();
    TypeCharacter(form->Custom, Qt::Key_Eacute, QString::fromUtf8("é"));
    TypeCharacter(form->Custom, Qt::Key_unknown, QString::fromUtf8("€"));
    TypeCharacter(form->Custom, Qt::Key_sterling, QString::fromUtf8("£"));
    EXPECT_EQ(form->Custom->Log, (Log{"KEYDOWN E7", "CHAR E9", "KEYUP E7", "KEYDOWN E7", "CHAR 80",
                                      "KEYUP E7", "KEYDOWN E7", "CHAR A3", "KEYUP E7"}));
    EXPECT_GE(GetKeyState(VK_PACKET), 0); // released again

    form->Edit1->SetFocus();
    form->Edit1->SetText("");
    const std::pair<int, const char*> typed[] = {{Qt::Key_Udiaeresis, "ü"},
                                                 {Qt::Key_ssharp, "ß"},
                                                 {Qt::Key_Ntilde, "ñ"},
                                                 {Qt::Key_unknown, "€"},
                                                 {Qt::Key_sterling, "£"}};
    for (auto [key, text] : typed)
        TypeCharacter(form->Edit1, key, QString::fromUtf8(text));
    EXPECT_EQ(form->Edit1->Text(), "\xFC\xDF\xF1\x80\xA3");

    auto* memo = PlaceControl<TMemo>(form, form, 10, 160, 150, 60);
    memo->SetFocus();
    for (auto [key, text] : typed)
        TypeCharacter(memo, key, QString::fromUtf8(text));
    EXPECT_EQ(memo->Text(), "\xFC\xDF\xF1\x80\xA3");
}

TEST_F(KeyboardTest, HeldKeyRepeatsAsKeyDownsWithTheRepeatBit) {
    form->Custom->DlgCode = DLGC_WANTARROWS;
    form->Custom->SetFocus();
    form->Custom->Clear();
    LongInt lastData = 0;
    QWidget* w = WidgetOf(form->Custom);
    auto send = [w](QEvent::Type type, bool repeat) {
        QKeyEvent e(type, Qt::Key_Right, Qt::NoModifier, QString(), repeat);
        QApplication::sendEvent(w, &e);
    };
    form->Custom->WindowProc = [&, previous = form->Custom->WindowProc](TMessage& m) {
        if (m.Msg == WM_KEYDOWN) lastData = static_cast<LongInt>(m.LParam);
        previous(m);
    };
    send(QEvent::KeyPress, false);
    EXPECT_EQ(lastData & (KF_REPEAT << 16), 0);
    send(QEvent::KeyRelease, true);
    send(QEvent::KeyPress, true);
    EXPECT_NE(lastData & (KF_REPEAT << 16), 0);
    EXPECT_EQ(lastData & 0xFFFF, 1);
    EXPECT_LT(GetKeyState(VK_RIGHT), 0);
    send(QEvent::KeyRelease, false);
    EXPECT_EQ(GetKeyState(VK_RIGHT), 0);
    EXPECT_EQ(form->Custom->Log, (Log{"KEYDOWN 27", "KEYDOWN 27", "KEYUP 27"}));
}

TEST_F(KeyboardTest, PostedKeyIsTranslatedAsATypedOne) {
    form->Custom->SetFocus();
    form->Custom->Clear();
    PostMessage(form->Custom->Handle(), WM_KEYDOWN, 'Q', 1);
    Application->ProcessMessages();
    EXPECT_EQ(form->Custom->Log, (Log{"KEYDOWN 51", "CHAR 71"}));
    // Into an edit, with Shift held, the key types its capital.
    form->Edit1->SetFocus();
    SetKeyDown(VK_SHIFT, true);
    PostMessage(form->Edit1->Handle(), WM_KEYDOWN, 'Q', 1);
    Application->ProcessMessages();
    SetKeyDown(VK_SHIFT, false);
    EXPECT_EQ(form->Edit1->Text(), "Q");
    // A posted Tab is a dialog key like a typed one.
    PostMessage(form->Edit1->Handle(), WM_KEYDOWN, VK_TAB, 1);
    Application->ProcessMessages();
    EXPECT_TRUE(form->Custom->Focused());
}

TEST_F(KeyboardTest, KeyStateTableFollowsTheKeys) {
    form->Custom->SetFocus();
    SmallInt shiftDuringKey = 0;
    form->Custom->OnKeyDown = [&](TObject*, Word& key, TShiftState shift) {
        if (key == 'B') {
            shiftDuringKey = GetKeyState(VK_SHIFT);
            EXPECT_TRUE(shift.Contains(ssShift));
        }
    };
    Type(form->Custom, Qt::Key_B, Qt::ShiftModifier);
    EXPECT_LT(shiftDuringKey, 0);
    EXPECT_EQ(GetKeyState(VK_SHIFT), 0);
    EXPECT_EQ(GetAsyncKeyState('B'), 0);
}

TEST_F(KeyboardTest, KeyEventsMayChangeOrSwallowTheKey) {
    form->Edit1->SetFocus();
    form->Edit1->OnKeyPress = [](TObject*, char& key) {
        if (key == 'a') key = 'A';
        if (key == 'x') key = 0;
    };
    Type(form->Edit1, Qt::Key_A);
    Type(form->Edit1, Qt::Key_X);
    Type(form->Edit1, Qt::Key_B);
    EXPECT_EQ(form->Edit1->Text(), "Ab");

    // The form sees keys first with KeyPreview.
    form->SetKeyPreview(true);
    form->OnKeyPress = [](TObject*, char& key) {
        if (key == 'c') key = 0;
    };
    Type(form->Edit1, Qt::Key_C);
    Type(form->Edit1, Qt::Key_D);
    EXPECT_EQ(form->Edit1->Text(), "Abd");
}

TEST_F(KeyboardTest, FocusChangeSendsKillThenSetWithThePartner) {
    form->Edit1->SetFocus();
    form->Custom->Clear();
    form->Custom->SetFocus();
    EXPECT_EQ(form->Custom->Log, (Log{"SETFOCUS from Edit1", "ENTER"}));
    form->Custom->Clear();
    form->Edit2->SetFocus();
    EXPECT_EQ(form->Custom->Log, (Log{"KILLFOCUS to Edit2", "EXIT"}));
    EXPECT_TRUE(form->Edit2->Focused());
    EXPECT_EQ(Screen->ActiveControl(), form->Edit2);
    EXPECT_EQ(form->ActiveControl(), form->Edit2);
}

TEST_F(KeyboardTest, ExitHandlerMayTakeTheFocusBack) {
    form->Edit1->SetFocus();
    int enters = 0;
    form->Edit2->OnEnter = [&](TObject*) { ++enters; };
    form->Edit1->OnExit = [&](TObject*) { form->Edit1->SetFocus(); };
    form->Edit2->SetFocus();
    EXPECT_TRUE(form->Edit1->Focused());
    EXPECT_EQ(enters, 0);
}

TEST_F(KeyboardTest, TabMovesThroughTheTabOrder) {
    form->Edit1->SetFocus();
    std::vector<std::string> visited;
    for (int i = 0; i < 6; ++i) {
        Type(form->Edit1, Qt::Key_Tab);
        visited.push_back(NameOfWindow(GetFocus()));
    }
    EXPECT_EQ(visited, (Log{"Custom", "Edit2", "Combo", "Ok", "Cancel", "Edit1"}));
    Type(form->Edit1, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(NameOfWindow(GetFocus()), "Cancel");

    form->Edit2->SetTabOrder(0);
    form->Cancel->SetFocus();
    Type(form->Cancel, Qt::Key_Tab);
    EXPECT_EQ(NameOfWindow(GetFocus()), "Edit2");
}

TEST_F(KeyboardTest, ControlAskingForTabGetsIt) {
    form->Custom->DlgCode = DLGC_WANTTAB;
    form->Custom->SetFocus();
    form->Custom->Clear();
    Type(form->Custom, Qt::Key_Tab);
    EXPECT_EQ(form->Custom->Log, (Log{"KEYDOWN 09", "CHAR 09", "KEYUP 09"}));
    EXPECT_TRUE(form->Custom->Focused());

    // Without the code the arrows move the focus among the siblings.
    form->Custom->DlgCode = 0;
    Type(form->Custom, Qt::Key_Down);
    EXPECT_EQ(NameOfWindow(GetFocus()), "Edit2");
}

TEST_F(KeyboardTest, EnterAndEscapePressDefaultAndCancelButtons) {
    form->Edit1->SetFocus();
    Type(form->Edit1, Qt::Key_Return);
    EXPECT_EQ(okClicks, 1);
    Type(form->Edit1, Qt::Key_Escape);
    EXPECT_EQ(cancelClicks, 1);
    // A focused button takes Enter itself.
    form->Cancel->SetFocus();
    Type(form->Cancel, Qt::Key_Return);
    EXPECT_EQ(cancelClicks, 2);
    EXPECT_EQ(okClicks, 1);
    // A control wanting every key keeps Enter.
    form->Custom->DlgCode = DLGC_WANTALLKEYS;
    form->Custom->SetFocus();
    form->Custom->Clear();
    Type(form->Custom, Qt::Key_Return);
    EXPECT_EQ(okClicks, 1);
    EXPECT_EQ(form->Custom->Log, (Log{"KEYDOWN 0D", "CHAR 0D", "KEYUP 0D"}));
}

TEST_F(KeyboardTest, SpaceOnAFocusedButtonClicksIt) {
    form->Ok->SetFocus();
    Type(form->Ok, Qt::Key_Space);
    EXPECT_EQ(okClicks, 1);
}

// A click on a button may open a window and wait for it (a modal form); the keys typed into
// that window meanwhile are translated as always, not handed to the native widgets untouched.
TEST_F(KeyboardTest, KeysTypedWhileAClickedButtonWaitsAreTranslated) {
    form->SetKeyPreview(true);
    std::vector<Word> previewed;
    form->OnKeyDown = [&](TObject*, Word& key, TShiftState) { previewed.push_back(key); };
    form->Ok->OnClick = [this](TObject*) {
        form->Edit1->SetFocus();
        for (auto [key, text] : {std::pair{Qt::Key_A, "a"}, std::pair{Qt::Key_Escape, ""}})
            for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease})
                QCoreApplication::postEvent(WidgetOf(form->Edit1),
                                            new QKeyEvent(type, key, Qt::NoModifier, text));
        Application->ProcessMessages();
        ++okClicks;
    };
    Click(form->Ok);
    ASSERT_EQ(okClicks, 1);
    EXPECT_EQ(previewed, std::vector<Word>{'A'});
    EXPECT_EQ(form->Edit1->Text(), "a");
    // Escape went on as a dialog key to the Cancel button.
    EXPECT_EQ(cancelClicks, 1);
}

TEST_F(KeyboardTest, AltMnemonicsClickButtonsAndFocusLabelledControls) {
    form->Edit1->SetFocus();
    Type(form->Edit1, Qt::Key_O, Qt::AltModifier);
    EXPECT_EQ(okClicks, 1);
    Type(form->Edit1, Qt::Key_N, Qt::AltModifier);
    EXPECT_TRUE(form->Edit2->Focused());
    // A plain letter in an edit is typed, on a button it is a mnemonic.
    Type(form->Edit2, Qt::Key_O);
    EXPECT_EQ(form->Edit2->Text(), "o");
    form->Cancel->SetFocus();
    Type(form->Cancel, Qt::Key_O);
    EXPECT_EQ(okClicks, 2);
    // An Alt key nobody takes beeps.
    services.Beeps.clear();
    Type(form->Cancel, Qt::Key_Q, Qt::AltModifier);
    EXPECT_EQ(services.Beeps.size(), 1u);
}

TEST_F(KeyboardTest, MenuShortcutsRunTheirItems) {
    auto* menu = new TMainMenu(form);
    auto* file = NewItem(form, "&File", scNone, {});
    int saves = 0;
    int calcs = 0;
    file->Add(NewItem(form, "&Save", ShortCut('S', {ssCtrl}), [&](TObject*) { ++saves; }));
    auto* calc = NewItem(form, "&Loan", ShortCut(VK_F2, {}), [&](TObject*) { ++calcs; });
    file->Add(calc);
    menu->Items()->Add(file);
    form->SetMenu(menu);
    form->Custom->SetFocus();
    form->Custom->Clear();
    Type(form->Custom, Qt::Key_S, Qt::ControlModifier);
    Type(form->Custom, Qt::Key_F2);
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(calcs, 1);
    // The taken keys never reached the control; only the releases did.
    EXPECT_EQ(form->Custom->Log, (Log{"KEYDOWN 11", "KEYUP 53", "KEYUP 11", "KEYUP 71"}));
    calc->SetEnabled(false);
    Type(form->Custom, Qt::Key_F2);
    EXPECT_EQ(calcs, 1);
    // Items added at run time answer at once.
    file->Add(NewItem(form, "&Print", ShortCut('P', {ssCtrl}), [&](TObject*) { ++calcs; }));
    Type(form->Custom, Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(calcs, 2);
}

TEST_F(KeyboardTest, AltLetterOpensTheMenuWithThatMnemonic) {
    auto* menu = new TMainMenu(form);
    auto* file = NewItem(form, "&File", scNone, {});
    int opened = 0;
    file->Add(NewItem(form, "&Open", scNone, [&](TObject*) { ++opened; }));
    menu->Items()->Add(file);
    form->SetMenu(menu);
    TMenuItem* shown = nullptr;
    TPopupHook previous = SetPopupHook([&](TMenuItem* items, int, int) {
        shown = items;
        return items->Items(0);
    });
    form->Custom->SetFocus();
    Type(form->Custom, Qt::Key_F, Qt::AltModifier);
    SetPopupHook(previous);
    EXPECT_EQ(shown, file);
    EXPECT_EQ(opened, 1);
}

// F10, and Alt pressed and released with no other key, open the first menu of the bar, as on
// every desktop; Alt with a letter between, or Shift+F10, does not.
TEST_F(KeyboardTest, F10AndAltAloneOpenTheMenuBar) {
    auto* menu = new TMainMenu(form);
    auto* file = NewItem(form, "&File", scNone, {});
    file->Add(NewItem(form, "E&xit", scNone, {}));
    auto* view = NewItem(form, "&View", scNone, {});
    view->Add(NewItem(form, "&Toolbar", scNone, {}));
    menu->Items()->Add(file);
    menu->Items()->Add(view);
    form->SetMenu(menu);
    std::vector<TMenuItem*> shown;
    TPopupHook previous = SetPopupHook([&](TMenuItem* items, int, int) -> TMenuItem* {
        shown.push_back(items);
        return nullptr;
    });
    form->Custom->SetFocus();
    Type(form->Custom, Qt::Key_F10);
    EXPECT_EQ(shown, (std::vector<TMenuItem*>{file}));
    Type(form->Edit1, Qt::Key_Alt);
    EXPECT_EQ(shown, (std::vector<TMenuItem*>{file, file}));
    Type(form->Custom, Qt::Key_F10, Qt::ShiftModifier);
    // Alt held over another key is a shortcut, not the menu key.
    QTest::keyPress(WidgetOf(form->Custom), Qt::Key_Alt);
    Type(form->Custom, Qt::Key_V, Qt::AltModifier);
    QTest::keyRelease(WidgetOf(form->Custom), Qt::Key_Alt);
    Application->ProcessMessages();
    SetPopupHook(previous);
    EXPECT_EQ(shown, (std::vector<TMenuItem*>{file, file, view}));
}

TEST_F(KeyboardTest, ComboBoxIndexAndUserChanges) {
    int changes = 0;
    form->Combo->OnChange = [&](TObject*) { ++changes; };
    form->Combo->SetItemIndex(1);
    EXPECT_EQ(form->Combo->Text(), "Quarterly");
    form->Combo->SetItemIndex(7);
    EXPECT_EQ(form->Combo->ItemIndex(), -1);
    form->Combo->SetItemIndex(-5);
    EXPECT_EQ(form->Combo->ItemIndex(), -1);
    EXPECT_EQ(changes, 0);
    form->Combo->SetItemIndex(0);
    form->Combo->SetFocus();
    Type(form->Combo, Qt::Key_Down);
    EXPECT_EQ(form->Combo->ItemIndex(), 1);
    EXPECT_EQ(changes, 1);
}

TEST_F(KeyboardTest, EditSelectionAndModifyMessages) {
    form->Edit1->SetText("Payment");
    EXPECT_EQ(form->Edit1->Perform(EM_GETMODIFY), 0);
    form->Edit1->Perform(EM_SETSEL, 0, -1);
    DWORD start = 99;
    DWORD end = 99;
    const LRESULT packed = form->Edit1->Perform(EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                                                reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 7u);
    EXPECT_EQ(packed, MakeLParam(0, 7));
    form->Edit1->Perform(EM_SETSEL, 3, 1);
    EXPECT_EQ(form->Edit1->SelText(), "ay");
    form->Edit1->Perform(EM_SETSEL, static_cast<WPARAM>(-1), 0);
    EXPECT_EQ(form->Edit1->SelLength(), 0);
    form->Edit1->SetFocus();
    form->Edit1->SetSelStart(7);
    Type(form->Edit1, Qt::Key_S);
    EXPECT_EQ(form->Edit1->Text(), "Payments");
    EXPECT_EQ(form->Edit1->Perform(EM_GETMODIFY), 1);
    form->Edit1->Perform(EM_SETMODIFY, 0);
    EXPECT_FALSE(form->Edit1->Modified());
    form->Edit1->SetMaxLength(8);
    Type(form->Edit1, Qt::Key_X);
    EXPECT_EQ(form->Edit1->Text(), "Payments");
}

TEST_F(KeyboardTest, AltNumericPadComposesACharacter) {
    form->Custom->SetFocus();
    form->Custom->Clear();
    QWidget* w = WidgetOf(form->Custom);
    auto send = [w](QEvent::Type type, int key, Qt::KeyboardModifiers mods, const QString& text) {
        QKeyEvent e(type, key, mods, text);
        QApplication::sendEvent(w, &e);
    };
    const Qt::KeyboardModifiers pad = Qt::AltModifier | Qt::KeypadModifier;
    send(QEvent::KeyPress, Qt::Key_Alt, Qt::AltModifier, {});
    for (Qt::Key k : {Qt::Key_0, Qt::Key_2, Qt::Key_3, Qt::Key_3}) {
        const QString digit(QChar('0' + (k - Qt::Key_0)));
        send(QEvent::KeyPress, k, pad, digit);
        send(QEvent::KeyRelease, k, pad, digit);
    }
    send(QEvent::KeyRelease, Qt::Key_Alt, Qt::NoModifier, {});
    ASSERT_FALSE(form->Custom->Log.empty());
    EXPECT_EQ(form->Custom->Log.back(), "CHAR E9");
}

} // namespace
