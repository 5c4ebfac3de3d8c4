#include "GuiTestSupport.h"

#include "platform/gui/Dialogs.h"

#include <gtest/gtest.h>

namespace {

TEST(MenusTest, ItemTreeEditing) {
    TMainMenu menu(nullptr);
    TMenuItem* root = menu.Items();
    auto* a = NewItem(&menu, "&A", scNone, {});
    auto* b = NewItem(&menu, "&B", scNone, {});
    auto* c = NewItem(&menu, "&C", scNone, {});
    root->Add(a);
    root->Add(c);
    root->Insert(1, b);
    EXPECT_EQ(root->IndexOf(b), 1);
    EXPECT_EQ(b->Parent(), root);
    EXPECT_EQ(b->GetParentMenu(), &menu);
    // Adding an item elsewhere takes it out of its old place.
    a->Add(c);
    EXPECT_EQ(root->Count(), 2);
    EXPECT_EQ(c->Parent(), a);
    root->Delete(0);
    EXPECT_EQ(a->Parent(), nullptr);
    EXPECT_EQ(root->Items(0), b);
    EXPECT_THROW(root->Items(3), EListError);
    a->Clear();
    EXPECT_EQ(a->Count(), 0);
    delete a;
    EXPECT_EQ(menu.FindAccelItem('B'), b);
    EXPECT_EQ(menu.FindAccelItem('Q'), nullptr);
    EXPECT_TRUE(NewLine(&menu)->IsLine());
}

TEST(MenusTest, ShortCutsOfNestedAndDisabledItems) {
    InitApplication();
    TPopupMenu menu(nullptr);
    auto* file = NewItem(&menu, "&File", scNone, {});
    auto* export_ = NewItem(&menu, "&Export", scNone, {});
    int runs = 0;
    auto* csv = NewItem(&menu, "&CSV", ShortCut('E', {ssCtrl, ssShift}), [&](TObject*) { ++runs; });
    export_->Add(csv);
    file->Add(export_);
    menu.Items()->Add(file);
    auto key = [](Word vk, bool shift) {
        SetKeyDown(VK_CONTROL, true);
        SetKeyDown(VK_SHIFT, shift);
        TWMKey k{WM_KEYDOWN, vk, 1, 0};
        return k;
    };
    TWMKey k = key('E', true);
    EXPECT_TRUE(menu.IsShortCut(k));
    EXPECT_EQ(runs, 1);
    k = key('E', false);
    EXPECT_FALSE(menu.IsShortCut(k));
    export_->SetEnabled(false);
    k = key('E', true);
    EXPECT_FALSE(menu.IsShortCut(k));
    export_->SetEnabled(true);
    csv->SetVisible(false);
    EXPECT_FALSE(menu.IsShortCut(k));
    ResetKeyState();
}

TEST(MenusTest, KeyNamesRoundTrip) {
    for (Word key : {VK_BACK, VK_TAB, VK_ESCAPE, VK_RETURN, VK_SPACE, VK_PRIOR, VK_NEXT, VK_END,
                     VK_HOME, VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN, VK_INSERT, VK_DELETE, VK_F1,
                     VK_F12, Word('A'), Word('9')}) {
        const TShortCut sc = ShortCut(key, {ssAlt});
        EXPECT_EQ(TextToShortCut(ShortCutToText(sc)), sc) << ShortCutToText(sc);
    }
    EXPECT_EQ(ShortCutToText(scNone), "");
    Word k = 0;
    TShiftState s;
    ShortCutToKey(ShortCut(VK_F7, {ssShift, ssCtrl}), k, s);
    EXPECT_EQ(k, VK_F7);
    EXPECT_TRUE(s.Contains(ssShift) && s.Contains(ssCtrl) && !s.Contains(ssAlt));
}

TEST(MenusTest, MenuBarTakesRoomFromTheClientArea) {
    TForm form(nullptr);
    form.SetBounds(0, 0, 300, 200);
    form.Show();
    const int before = form.ClientHeight();
    auto* menu = new TMainMenu(&form);
    menu->Items()->Add(NewItem(&form, "&File", scNone, {}));
    form.SetMenu(menu);
    EXPECT_LT(form.ClientHeight(), before);
    EXPECT_EQ(form.Height(), 200);
    form.SetMenu(nullptr);
    EXPECT_EQ(form.ClientHeight(), before);
    delete menu;
}

// The Qt services where nobody can answer: each ends at once as if cancelled.
void ExpectQtServicesEndAtOnce() {
    EXPECT_EQ(MessageDlg("Save changes?", mtConfirmation, mbYesNoCancel, 0), mrCancel);
    EXPECT_EQ(MessageDlg("Delete?", mtConfirmation, mbYesNo, 0), mrNo);
    EXPECT_EQ(MessageDlg("Done.", mtInformation, {mbOK}, 0), mrOk);
    TOpenDialog open(nullptr);
    EXPECT_FALSE(open.Execute());
    TFontDialog font(nullptr);
    EXPECT_FALSE(font.Execute());
    TPrintSetupRequest setup;
    EXPECT_FALSE(UiServices().PrintSetup(setup));
}

TEST(DialogsTest, QtServicesNeverWaitWhileATestDrivesTheProgram) {
    InitApplication();
    TModalHook previous = SetModalHook([](TCustomForm*) {});
    ExpectQtServicesEndAtOnce();
    SetModalHook(previous);
}

// Nothing planned the answers here (no modal hook, no recorded services): on the offscreen
// screen of the tests every modal window must still end at once instead of waiting forever.
TEST(DialogsTest, NothingWaitsOnAScreenWithoutInput) {
    InitApplication();
    ASSERT_FALSE(ModalHookInstalled());
    ExpectQtServicesEndAtOnce();
    TTestForm form(nullptr);
    EXPECT_EQ(form.ShowModal(), mrCancel);
    EXPECT_FALSE(form.Visible());
    PostMessage(form.Handle(), CM_DIALOGKEY, VK_RETURN, 0);
    EXPECT_EQ(form.ShowModal(), mrOk);
    TPopupMenu menu(nullptr);
    int clicks = 0;
    menu.Items()->Add(NewItem(&menu, "&Copy", scNone, [&](TObject*) { ++clicks; }));
    menu.Popup(10, 10);
    EXPECT_EQ(clicks, 0);
}

TEST(DialogsTest, DefaultButtonsOfWin32Flags) {
    InitApplication();
    TRecordedServices services;
    EXPECT_EQ(ShowMessageBox("Disk error", "", MB_ABORTRETRYIGNORE | MB_DEFBUTTON3), IDIGNORE);
    EXPECT_EQ(ShowMessageBox("Retry?", "", MB_RETRYCANCEL | MB_ICONEXCLAMATION), IDRETRY);
    EXPECT_EQ(services.MessageBoxes[1].Type, mtWarning);
    EXPECT_EQ(ShowMessageBox("Note", "", MB_OK | MB_ICONASTERISK), IDOK);
    EXPECT_EQ(services.MessageBoxes[2].Type, mtInformation);
    // A default outside the button set falls back to the first button.
    services.MessageBoxes.clear();
    TMessageBoxRequest r;
    r.Buttons = mbOKCancel;
    r.DefaultButton = mbYes;
    EXPECT_EQ(UiServices().MessageBox(r), mrOk);
}

TEST(DialogsTest, OpenDialogWithSeveralFiles) {
    InitApplication();
    TRecordedServices services;
    TOpenDialog open(nullptr);
    open.SetOptions({ofAllowMultiSelect, ofFileMustExist});
    TFileDialogResult answer;
    answer.Files = {"/data/a.LB", "/data/b.LB"};
    answer.FilterIndex = 2;
    services.FileDialogAnswers.push_back(answer);
    services.FileDialogAnswers.push_back(std::nullopt);
    ASSERT_TRUE(open.Execute());
    EXPECT_EQ(open.FileName(), "/data/a.LB");
    EXPECT_EQ(open.Files()->Count(), 2);
    EXPECT_EQ(open.FilterIndex(), 2);
    EXPECT_FALSE(open.Execute());
    EXPECT_EQ(open.FileName(), "/data/a.LB");
    EXPECT_FALSE(services.FileDialogs[0].Save);
}

TEST(DialogsTest, PrintSetupHookPlacesTheDialog) {
    InitApplication();
    TRecordedServices services;
    services.PrintSetupAnswers.push_back([](TPrintSetupRequest& r) {
        int x = 0;
        int y = 0;
        r.OnInitDialog(x, y, 400, 300, 1000, 900);
        EXPECT_EQ(x, 300);
        EXPECT_EQ(y, 200);
        r.Landscape = true;
        return true;
    });
    TPrintSetupRequest setup;
    setup.PrinterName = "PDF";
    setup.OnInitDialog = [](int& x, int& y, int w, int h, int sw, int sh) {
        x = (sw - w) / 2;
        y = (sh - h) / 3;
    };
    EXPECT_TRUE(UiServices().PrintSetup(setup));
    EXPECT_TRUE(setup.Landscape);
    ASSERT_EQ(services.PrintSetups.size(), 1u);
    EXPECT_EQ(services.PrintSetups[0].PrinterName, "PDF");
}

} // namespace
