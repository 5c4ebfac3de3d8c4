#include "GuiTestSupport.h"

#include "platform/gui/Dialogs.h"
#include "platform/gui/ExtCtrls.h"

#include <gtest/gtest.h>

namespace {

class ControlTreeTest : public TTestFormTest {};

TEST_F(ControlTreeTest, ParentFontAndColorFlowDownUntilSetOwn) {
    auto* panel = new TPanel(form);
    panel->SetParent(form);
    auto* edit = new TEdit(form);
    edit->SetParent(panel);
    auto* label = new TLabel(form);
    label->SetParent(panel);
    label->SetParentColor(true);
    form->Font()->SetName("Arial");
    EXPECT_EQ(edit->Font()->Name(), "Arial");
    EXPECT_EQ(label->Font()->Name(), "Arial");
    edit->Font()->SetSize(14);
    EXPECT_FALSE(edit->ParentFont());
    form->Font()->SetName("Courier New");
    EXPECT_EQ(edit->Font()->Name(), "Arial");
    EXPECT_EQ(label->Font()->Name(), "Courier New");
    panel->SetColor(clYellow);
    EXPECT_EQ(label->Color(), clYellow);
    label->SetColor(clRed);
    EXPECT_FALSE(label->ParentColor());
    panel->SetColor(clLime);
    EXPECT_EQ(label->Color(), clRed);
}

TEST_F(ControlTreeTest, CoordinatesBetweenClientAndScreen) {
    auto* panel = PlaceControl<TPanel>(form, form, 20, 30, 100, 50);
    const TPoint origin = form->ClientToScreen({0, 0});
    EXPECT_EQ(panel->ClientToScreen({5, 6}), Point(origin.X + 25, origin.Y + 36));
    EXPECT_EQ(panel->ScreenToClient(Point(origin.X + 25, origin.Y + 36)), Point(5, 6));
    TRect r;
    ASSERT_TRUE(GetWindowRect(panel->Handle(), r));
    EXPECT_EQ(r, Bounds(origin.X + 20, origin.Y + 30, 100, 50));
    TPoint p{1, 2};
    ASSERT_TRUE(::ClientToScreen(panel->Handle(), p));
    EXPECT_EQ(p, Point(origin.X + 21, origin.Y + 32));
    EXPECT_FALSE(::ClientToScreen(0x7FFFFFFF, p));
}

TEST_F(ControlTreeTest, BoundsAndZOrder) {
    auto* a = PlaceControl<TPanel>(form, form, 0, 0, -5, 10);
    EXPECT_EQ(a->Width(), 0);
    auto* b = new TLabel(form);
    b->SetParent(form);
    b->SetAutoSize(false);
    b->SetBounds(200, 200, 30, 20);
    auto* c = new TLabel(form);
    c->SetParent(form);
    c->SetAutoSize(false);
    c->SetBounds(210, 205, 30, 20);
    EXPECT_EQ(form->ControlAtPos({215, 210}, false), c);
    c->SendToBack();
    EXPECT_EQ(form->ControlAtPos({215, 210}, false), b);
    b->SetEnabled(false);
    EXPECT_EQ(form->ControlAtPos({215, 210}, false), c);
    EXPECT_EQ(form->ControlAtPos({215, 210}, true), b);
    EXPECT_EQ(form->ControlAtPos({15, 95}, false, true), form->Edit2);
    EXPECT_EQ(form->Controls(0), c);
    EXPECT_THROW(form->Controls(99), EListError);
}

TEST_F(ControlTreeTest, FocusSkipsHiddenAndDisabledControls) {
    form->Edit1->SetFocus();
    form->Custom->SetEnabled(false);
    form->Edit2->Hide();
    Type(form->Edit1, Qt::Key_Tab);
    EXPECT_TRUE(form->Combo->Focused());
    EXPECT_THROW(form->Edit2->SetFocus(), EInvalidOperation);
    EXPECT_FALSE(form->Custom->CanFocus());
    // Disabling or hiding the focused control takes the focus to the form.
    bool exited = false;
    form->Combo->OnExit = [&](TObject*) { exited = true; };
    form->Combo->SetEnabled(false);
    EXPECT_TRUE(exited);
    EXPECT_EQ(GetFocus(), form->Handle());
}

TEST_F(ControlTreeTest, TabOrderIsKeptInRange) {
    form->Edit2->SetTabOrder(-4);
    EXPECT_EQ(form->Edit2->TabOrder(), 0);
    form->Edit2->SetTabOrder(99);
    EXPECT_EQ(form->Edit2->TabOrder(), static_cast<int>(form->TabList().size()) - 1);
    std::vector<TWinControl*> list;
    form->GetTabOrderList(list);
    EXPECT_EQ(list.back(), form->Edit2);
    EXPECT_EQ(form->FindNextControl(form->Edit2, true, true, false), form->Edit1);
    EXPECT_EQ(form->FindNextControl(form->Edit1, false, true, false), form->Edit2);
}

TEST_F(ControlTreeTest, ControlsInsideContainersTakePartInTabbing) {
    auto* panel = PlaceControl<TPanel>(form, form, 200, 10, 150, 60);
    auto* inner = new TEdit(form);
    inner->SetName("Inner");
    inner->SetParent(panel);
    panel->SetTabOrder(1);
    form->Edit1->SetFocus();
    std::vector<std::string> entered;
    panel->OnEnter = [&](TObject*) { entered.push_back("panel"); };
    inner->OnEnter = [&](TObject*) { entered.push_back("inner"); };
    panel->OnExit = [&](TObject*) { entered.push_back("panel exit"); };
    Type(form->Edit1, Qt::Key_Tab);
    EXPECT_TRUE(inner->Focused());
    Type(inner, Qt::Key_Tab);
    EXPECT_TRUE(form->Custom->Focused());
    EXPECT_EQ(entered, (std::vector<std::string>{"panel", "inner", "panel exit"}));
}

TEST_F(ControlTreeTest, DestroyingTheFocusedControlLeavesNoDanglingFocus) {
    form->Edit2->SetFocus();
    const HWND gone = form->Edit2->Handle();
    delete form->Edit2;
    form->Edit2 = nullptr;
    EXPECT_NE(GetFocus(), gone);
    EXPECT_EQ(form->ActiveControl(), nullptr);
    Type(form->Edit1, Qt::Key_Tab);
    EXPECT_NE(GetFocus(), 0u);
}

TEST_F(ControlTreeTest, ActiveControlMustBeOnTheForm) {
    TForm other(nullptr);
    auto* stranger = new TEdit(&other);
    stranger->SetParent(&other);
    EXPECT_THROW(form->SetActiveControl(stranger), EInvalidOperation);
    form->SetActiveControl(form->Combo);
    EXPECT_TRUE(form->Combo->Focused());
}

TEST_F(ControlTreeTest, ShortCutEventOfTheFormComesBeforeTheMenu) {
    int handledKeys = 0;
    form->OnShortCut = [&](TWMKey& msg, bool& handled) {
        if (msg.CharCode == VK_F9) {
            ++handledKeys;
            handled = true;
        }
    };
    form->Edit1->SetFocus();
    int keys = 0;
    form->Edit1->OnKeyDown = [&](TObject*, Word& key, TShiftState) {
        if (key == VK_F9) ++keys;
    };
    Type(form->Edit1, Qt::Key_F9);
    EXPECT_EQ(handledKeys, 1);
    EXPECT_EQ(keys, 0);
}

TEST_F(ControlTreeTest, KeyPreviewSeesKeyDownFirstAndMaySwallowIt) {
    form->SetKeyPreview(true);
    std::vector<std::string> order;
    form->OnKeyDown = [&](TObject*, Word& key, TShiftState) {
        order.push_back("form");
        if (key == VK_F3) key = 0;
    };
    form->Custom->OnKeyDown = [&](TObject*, Word&, TShiftState) { order.push_back("control"); };
    form->Custom->SetFocus();
    Type(form->Custom, Qt::Key_F4);
    Type(form->Custom, Qt::Key_F3);
    EXPECT_EQ(order, (std::vector<std::string>{"form", "control", "form"}));
}

} // namespace
