#include "GuiTestSupport.h"

#include "platform/gui/Dialogs.h"

#include <QApplication>
#include <QMouseEvent>
#include <QToolTip>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

class FormsTest : public ::testing::Test {
protected:
    void SetUp() override { ResetKeyState(); }
    TRecordedServices services;
};

TEST_F(FormsTest, ShowModalEndsWhenAButtonSetsTheModalResult) {
    TTestForm form(nullptr);
    TModalHook previous = SetModalHook([](TCustomForm* f) {
        auto* t = dynamic_cast<TTestForm*>(f);
        ASSERT_NE(t, nullptr);
        EXPECT_TRUE(t->Visible());
        EXPECT_TRUE(t->Modal());
        Click(t->Ok);
    });
    EXPECT_EQ(form.ShowModal(), mrOk);
    EXPECT_FALSE(form.Visible());
    // A loop the hook leaves alone ends as cancelled, never waiting.
    SetModalHook([](TCustomForm*) {});
    EXPECT_EQ(form.ShowModal(), mrCancel);
    SetModalHook([](TCustomForm* f) { Type(dynamic_cast<TTestForm*>(f)->Edit1, Qt::Key_Escape); });
    EXPECT_EQ(form.ShowModal(), mrCancel);
    SetModalHook(previous);
}

TEST_F(FormsTest, OtherFormsTakeNoInputWhileOneIsModal) {
    TTestForm main(nullptr);
    main.Show();
    int clicks = 0;
    main.Ok->OnClick = [&](TObject*) { ++clicks; };
    TTestForm dialog(nullptr);
    TModalHook previous = SetModalHook([&](TCustomForm*) {
        Click(main.Ok);
        Type(main.Edit1, Qt::Key_Return);
        EXPECT_EQ(WidgetOf(&dialog)->windowModality(), Qt::ApplicationModal);
    });
    dialog.ShowModal();
    SetModalHook(previous);
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(WidgetOf(&dialog)->windowModality(), Qt::NonModal);
    Click(main.Ok);
    EXPECT_EQ(clicks, 1);
}

TEST_F(FormsTest, AModalFormOpenedByAButtonClickTakesTheKeys) {
    TTestForm main(nullptr);
    main.Show();
    TTestForm dialog(nullptr);
    dialog.SetKeyPreview(true);
    std::string typed;
    dialog.OnKeyPress = [&](TObject*, char& key) { typed += key; };
    main.Ok->OnClick = [&](TObject*) { dialog.ShowModal(); };
    TModalHook previous = SetModalHook([&](TCustomForm*) {
        dialog.Edit1->SetFocus();
        QTest::keyClicks(WidgetOf(dialog.Edit1), "abc");
    });
    Click(main.Ok);
    SetModalHook(previous);
    EXPECT_EQ(typed, "abc");
}

TEST_F(FormsTest, CloseQueryCanVetoClosing) {
    TTestForm form(nullptr);
    bool allow = false;
    int closes = 0;
    form.OnCloseQuery = [&](TObject*, bool& canClose) { canClose = allow; };
    form.OnClose = [&](TObject*, TCloseAction&) { ++closes; };
    form.Show();
    form.Close();
    EXPECT_TRUE(form.Visible());
    EXPECT_EQ(closes, 0);
    allow = true;
    form.Close();
    EXPECT_FALSE(form.Visible());
    EXPECT_EQ(closes, 1);
    // The modal form that vetoes stays without a result.
    allow = false;
    TModalHook previous = SetModalHook([](TCustomForm* f) { f->SetModalResult(mrOk); });
    EXPECT_EQ(form.ShowModal(), mrNone);
    SetModalHook(previous);
}

TEST_F(FormsTest, CloseActionFreeReleasesTheForm) {
    bool destroyed = false;
    auto* form = new TForm(nullptr);
    form->OnDestroy = [&](TObject*) { destroyed = true; };
    form->OnClose = [](TObject*, TCloseAction& action) { action = caFree; };
    form->Show();
    form->Close();
    EXPECT_FALSE(destroyed);
    Application->ProcessMessages();
    EXPECT_TRUE(destroyed);
}

TEST_F(FormsTest, EventsOfShowingAndActivation) {
    TTestForm first(nullptr);
    TTestForm second(nullptr);
    std::vector<std::string> events;
    first.OnShow = [&](TObject*) { events.push_back("first show"); };
    first.OnActivate = [&](TObject*) { events.push_back("first activate"); };
    first.OnDeactivate = [&](TObject*) { events.push_back("first deactivate"); };
    second.OnActivate = [&](TObject*) { events.push_back("second activate"); };
    first.Show();
    second.Show();
    EXPECT_EQ(events, (std::vector<std::string>{"first show", "first activate", "first deactivate",
                                                "second activate"}));
    EXPECT_EQ(Screen->ActiveForm(), &second);
    EXPECT_EQ(Screen->Forms(0), &second);
    // The first tab stop of a newly shown form has the focus.
    EXPECT_TRUE(second.Edit1->Focused());
}

TEST_F(FormsTest, PositionAndClientSize) {
    TForm form(nullptr);
    form.SetFormBorderStyle(bsDialog);
    form.SetClientWidth(200);
    form.SetClientHeight(100);
    EXPECT_EQ(form.ClientWidth(), 200);
    EXPECT_EQ(form.ClientHeight(), 100);
    EXPECT_EQ(form.Width(), 200 + 2 * GetSystemMetrics(SM_CXDLGFRAME));
    EXPECT_EQ(form.Height(),
              100 + 2 * GetSystemMetrics(SM_CYDLGFRAME) + GetSystemMetrics(SM_CYCAPTION));
    form.SetPosition(poScreenCenter);
    form.Show();
    EXPECT_EQ(form.Left(), (Screen->Width() - form.Width()) / 2);
    EXPECT_EQ(form.Top(), (Screen->Height() - form.Height()) / 2);
    EXPECT_EQ(Screen->PixelsPerInch(), 96);
}

TEST_F(FormsTest, EscapedExceptionIsShownAndAbortIsSilent) {
    TTestForm form(nullptr);
    form.Show();
    form.Ok->OnClick = [](TObject*) { throw EConvertError("'abc' is not a valid integer value"); };
    Click(form.Ok);
    ASSERT_EQ(services.MessageBoxes.size(), 1u);
    EXPECT_EQ(services.MessageBoxes[0].Text, "'abc' is not a valid integer value.");
    EXPECT_EQ(services.MessageBoxes[0].Caption, Application->Title());
    EXPECT_EQ(services.MessageBoxes[0].Type, mtError);
    form.Ok->OnClick = [](TObject*) { Abort(); };
    Click(form.Ok);
    EXPECT_EQ(services.MessageBoxes.size(), 1u);
}

TEST_F(FormsTest, MouseClickFocusesAndReportsPositionAndButtons) {
    TTestForm form(nullptr);
    form.Show();
    form.Edit1->SetFocus();
    form.Custom->Clear();
    Click(form.Custom, QPoint(20, 10));
    EXPECT_EQ(form.Custom->Log,
              (std::vector<std::string>{"LBUTTONDOWN 20,10 keys 01", "SETFOCUS from Edit1", "ENTER",
                                        "LBUTTONUP 20,10 keys 00"}));
    // Clicking an edit focuses it as a Win32 edit does.
    Click(form.Edit2);
    EXPECT_TRUE(form.Edit2->Focused());
}

TEST_F(FormsTest, MouseCaptureKeepsMessagesWithTheControl) {
    TTestForm form(nullptr);
    form.Show();
    int moves = 0;
    form.Custom->OnMouseMove = [&](TObject*, TShiftState, int x, int) {
        ++moves;
        EXPECT_GT(x, 100);
    };
    QTest::mousePress(WidgetOf(form.Custom), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_EQ(GetCapture(), form.Custom->Handle());
    const QPointF onForm(150, 50);
    QMouseEvent move(QEvent::MouseMove, onForm, WidgetOf(&form)->mapToGlobal(onForm), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(WidgetOf(&form), &move);
    EXPECT_EQ(moves, 1);
    QTest::mouseRelease(WidgetOf(form.Custom), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_EQ(GetCapture(), 0u);
}

TEST_F(FormsTest, WindowlessControlsGetTheirClicks) {
    TTestForm form(nullptr);
    form.Show();
    int clicks = 0;
    form.Label->OnClick = [&](TObject*) { ++clicks; };
    Click(&form, QPoint(form.Label->Left() + 3, form.Label->Top() + 3));
    EXPECT_EQ(clicks, 1);
}

TEST_F(FormsTest, HintsGoToTheStatusLineAsTheMouseMoves) {
    TTestForm form(nullptr);
    form.Show();
    form.Label->SetHint("Name|The borrower's name");
    form.Edit1->SetHint("Amount");
    QTest::mouseMove(WidgetOf(&form), QPoint(form.Label->Left() + 2, form.Label->Top() + 2));
    EXPECT_EQ(Application->Hint(), "The borrower's name");
    QTest::mouseMove(WidgetOf(form.Edit1), QPoint(3, 3));
    EXPECT_EQ(Application->Hint(), "Amount");
}

TEST_F(FormsTest, AltF4ClosesTheForm) {
    TTestForm form(nullptr);
    form.Show();
    form.Edit1->SetFocus();
    Type(form.Edit1, Qt::Key_F4, Qt::AltModifier);
    EXPECT_FALSE(form.Visible());
}

TEST_F(FormsTest, NextDialogControlMessage) {
    TTestForm form(nullptr);
    form.Show();
    form.Edit1->SetFocus();
    form.Perform(WM_NEXTDLGCTL, 0, 0);
    EXPECT_TRUE(form.Custom->Focused());
    form.Perform(WM_NEXTDLGCTL, 1, 0);
    EXPECT_TRUE(form.Edit1->Focused());
    form.Perform(WM_NEXTDLGCTL, form.Combo->Handle(), 1);
    EXPECT_TRUE(form.Combo->Focused());
}

TEST_F(FormsTest, DoubleClickReachesControlsThatAskForIt) {
    TTestForm form(nullptr);
    form.Show();
    form.Custom->Clear();
    QTest::mouseDClick(WidgetOf(form.Custom), Qt::LeftButton, Qt::NoModifier, QPoint(4, 4));
    const auto& log = form.Custom->Log;
    EXPECT_NE(std::find(log.begin(), log.end(), "LBUTTONDBLCLK"), log.end());
}

TEST_F(FormsTest, ScreenCursorListHoldsTheProgramsCursors) {
    InitApplication();
    const HCURSOR hand = LoadStandardCursor(crHandPoint);
    Screen->SetCursors(2020, hand);
    EXPECT_EQ(Screen->Cursors(2020), hand);
    EXPECT_EQ(CursorOf(2020).shape(), Qt::PointingHandCursor);
    Screen->SetCursors(2020, 0);
    EXPECT_EQ(Screen->Cursors(2020), 0);
    EXPECT_TRUE(DestroyCursor(hand));
    EXPECT_FALSE(DestroyCursor(hand));
    TBitmap empty;
    EXPECT_EQ(CreateCursorFromBitmap(&empty, 0, 0), 0);
}

TEST_F(FormsTest, TipShowsTheShortPartOfTheHint) {
    TTestForm form(nullptr);
    form.Show();
    form.Edit1->SetHint("Amount|The amount borrowed");
    form.Edit1->SetShowHint(true);
    QWidget* w = WidgetOf(form.Edit1);
    QHelpEvent help(QEvent::ToolTip, QPoint(3, 3), w->mapToGlobal(QPoint(3, 3)));
    QApplication::sendEvent(w, &help);
    EXPECT_EQ(QToolTip::text(), "Amount");
    form.Edit1->SetHint("Rate");
    form.Edit1->SetShowHint(false);
    QApplication::sendEvent(w, &help);
    EXPECT_NE(QToolTip::text(), "Rate");
}

TEST_F(FormsTest, ActivatingAWindowActivatesItsForm) {
    TTestForm first(nullptr);
    TTestForm second(nullptr);
    first.Show();
    second.Show();
    ASSERT_EQ(Screen->ActiveForm(), &second);
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(WidgetOf(&first), &activate);
    EXPECT_EQ(Screen->ActiveForm(), &first);
    EXPECT_TRUE(first.Active());
    EXPECT_FALSE(second.Active());
    EXPECT_TRUE(first.Edit1->Focused());
}

TEST_F(FormsTest, WaitCursorIsScoped) {
    InitApplication();
    {
        TWaitCursor wait;
        EXPECT_EQ(Screen->Cursor(), crHourGlass);
    }
    EXPECT_EQ(Screen->Cursor(), crDefault);
}

} // namespace
