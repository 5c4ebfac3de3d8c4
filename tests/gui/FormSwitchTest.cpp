#include "GuiTestSupport.h"

#include <gtest/gtest.h>

namespace {

// Several calculators stay open side by side; moving the focus from one to another must settle,
// whichever way the focus goes and however often.
TEST(FormSwitchTest, FocusMovesBetweenShownFormsAndSettles) {
    ResetKeyState();
    TTestForm first(nullptr);
    TTestForm second(nullptr);
    first.Show();
    second.Show();
    first.Edit1->SetFocus();
    Application->ProcessMessages();
    EXPECT_EQ(Screen->ActiveForm(), static_cast<TCustomForm*>(&first));
    EXPECT_TRUE(first.Edit1->Focused());
    second.Edit2->SetFocus();
    Application->ProcessMessages();
    EXPECT_EQ(Screen->ActiveForm(), static_cast<TCustomForm*>(&second));
    EXPECT_TRUE(second.Edit2->Focused());
    for (int i = 0; i < 5; ++i) {
        first.Edit2->SetFocus();
        second.Edit1->SetFocus();
    }
    Application->ProcessMessages();
    Application->ProcessMessages();
    EXPECT_EQ(Screen->ActiveForm(), static_cast<TCustomForm*>(&second));
    EXPECT_TRUE(second.Edit1->Focused());
    EXPECT_FALSE(first.Edit2->Focused());
}

} // namespace
