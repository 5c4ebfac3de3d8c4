// A form's menu bar: an item of the bar that has no items of its own is a command, run once when
// chosen on the bar or by its mnemonic, with nothing dropping down; and a form of fixed size
// keeps the client size it is given below its bar.
#include "GuiTestSupport.h"

#include "platform/gui/Menus.h"
#include "platform/gui/QtApp.h"

#include <QAction>
#include <QMenuBar>

#include <gtest/gtest.h>

namespace {

TEST(MenuBarCommand, ABarItemWithoutItemsRunsItsCommand) {
    EnsureQtApp();
    TForm form(nullptr);
    form.SetBounds(0, 0, 300, 200);
    auto* menu = new TMainMenu(&form);
    int calcs = 0;
    auto* file = NewItem(&form, "&File", scNone, {});
    file->Add(NewItem(&form, "E&xit", scNone, {}));
    menu->Items()->Add(file);
    menu->Items()->Add(NewItem(&form, "&Calc", scNone, [&](TObject*) { ++calcs; }));
    form.SetMenu(menu);
    form.Show();
    auto* bar = WidgetOf(&form)->findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr);
    const QList<QAction*> actions = bar->actions();
    ASSERT_EQ(actions.size(), 2);
    EXPECT_NE(actions[0]->menu(), nullptr);
    EXPECT_EQ(actions[1]->menu(), nullptr);
    actions[1]->trigger();
    EXPECT_EQ(calcs, 1);
    // Alt and the mnemonic: the command once, and no item of the bar left active.
    TPopupHook previous = SetPopupHook([](TMenuItem*, int, int) -> TMenuItem* {
        ADD_FAILURE() << "nothing drops down";
        return nullptr;
    });
    EXPECT_TRUE(menu->DropDownAccel('C'));
    SetPopupHook(previous);
    EXPECT_EQ(calcs, 2);
    EXPECT_EQ(bar->activeAction(), nullptr);
}

TEST(MenuBarCommand, AFixedFormGrowsToTheClientSizeItIsGivenBelowItsBar) {
    EnsureQtApp();
    TForm form(nullptr);
    form.SetFormBorderStyle(bsSingle);
    form.SetBounds(0, 0, 300, 200);
    auto* menu = new TMainMenu(&form);
    menu->Items()->Add(NewItem(&form, "&File", scNone, {}));
    form.SetMenu(menu);
    form.Show();
    form.SetClientWidth(320);
    form.SetClientHeight(240);
    auto* bar = WidgetOf(&form)->findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(form.ClientHeight(), 240);
    EXPECT_EQ(WidgetOf(&form)->width(), 320);
    EXPECT_EQ(WidgetOf(&form)->height(), 240 + bar->height());
}

} // namespace
