#include "GuiTestSupport.h"

#include "platform/gui/Tabs.h"

#include <gtest/gtest.h>

namespace {

class TabSetTest : public TBlankFormTest {};

// The click is what gives the tab set the focus: an edit beside it has the focus before.
TEST_F(TabSetTest, TabsAreChosenByMouseAndArrowsUnlessRefused) {
    auto* tabs = Make<TTabSet>(0, 100, 300, 21);
    for (const char* t : {"Loan", "Chart", "Schedule"})
        tabs->Tabs()->Add(t);
    Make<TEdit>(0, 10, 100, 21)->SetFocus();
    EXPECT_EQ(tabs->TabIndex(), -1);
    int clicks = 0;
    tabs->OnClick = [&](TObject*) { ++clicks; };
    const TRect second = tabs->ItemRect(1);
    ASSERT_FALSE(IsRectEmpty(second));
    Click(tabs, QPoint(second.Left + second.Width() / 2, 8));
    EXPECT_EQ(tabs->TabIndex(), 1);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(tabs->Focused());
    Type(tabs, Qt::Key_Right);
    EXPECT_EQ(tabs->TabIndex(), 2);
    Type(tabs, Qt::Key_Right);
    EXPECT_EQ(tabs->TabIndex(), 2);
    tabs->OnChange = [](TObject*, int newTab, bool& allow) { allow = newTab != 0; };
    tabs->SetTabIndex(0);
    EXPECT_EQ(tabs->TabIndex(), 2);
    tabs->SetTabIndex(9);
    EXPECT_EQ(tabs->TabIndex(), -1);
    EXPECT_EQ(tabs->ItemAtPos({second.Left + 2, 5}), 1);
    EXPECT_EQ(tabs->ItemAtPos({299, 5}), -1);
    tabs->SetFirstIndex(1);
    EXPECT_TRUE(IsRectEmpty(tabs->ItemRect(0)));
    EXPECT_EQ(tabs->ItemRect(1).Left, 2);
    tabs->Tabs()->Clear();
    EXPECT_EQ(tabs->TabIndex(), -1);
}

} // namespace
