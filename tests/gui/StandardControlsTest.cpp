#include "GuiTestSupport.h"

#include "platform/gui/Buttons.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"
#include "platform/gui/QtPaint.h"

#include <QApplication>
#include <QImage>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace {

class StandardControlsTest : public TBlankFormTest {};

TEST_F(StandardControlsTest, LabelSizesItselfToItsText) {
    auto* label = Make<TLabel>(10, 10, 200, 40);
    label->SetCaption("Payment");
    const int shortWidth = label->Width();
    EXPECT_GT(shortWidth, 20);
    EXPECT_LT(label->Height(), 40);
    label->SetCaption("Monthly payment amount");
    EXPECT_GT(label->Width(), shortWidth);
    // Right alignment keeps the right edge where it was.
    label->SetAlignment(taRightJustify);
    const int right = label->Left() + label->Width();
    label->SetCaption("Rate");
    EXPECT_EQ(label->Left() + label->Width(), right);
    // Word wrap keeps the width and grows downwards.
    label->SetWordWrap(true);
    label->SetWidth(40);
    label->SetCaption("one two three four five");
    EXPECT_EQ(label->Width(), 40);
    EXPECT_GT(label->Height(), 20);
    label->SetAutoSize(false);
    label->SetBounds(0, 0, 5, 5);
    label->SetCaption("a much longer text");
    EXPECT_EQ(label->Width(), 5);
}

TEST_F(StandardControlsTest, LabelWithoutAccelCharHasNoMnemonic) {
    auto* label = Make<TLabel>(10, 10, 60, 16);
    auto* edit = Make<TEdit>(80, 10, 80, 20);
    auto* other = Make<TEdit>(80, 40, 80, 20);
    label->SetCaption("&Rate");
    label->SetFocusControl(edit);
    label->SetShowAccelChar(false);
    other->SetFocus();
    Type(other, Qt::Key_R, Qt::AltModifier);
    EXPECT_TRUE(other->Focused());
    label->SetShowAccelChar(true);
    Type(other, Qt::Key_R, Qt::AltModifier);
    EXPECT_TRUE(edit->Focused());
    delete edit;
    EXPECT_EQ(label->FocusControl(), nullptr);
}

TEST_F(StandardControlsTest, LabelPaintsItsTextOnItsParent) {
    auto* label = Make<TLabel>(10, 10, 60, 16);
    label->SetAutoSize(false);
    label->SetBounds(10, 10, 100, 20);
    label->SetColor(clYellow);
    label->SetCaption("Hello");
    const QImage shown = Picture();
    EXPECT_EQ(shown.pixelColor(105, 17), TColorToQColor(clYellow));
    bool ink = false;
    for (int x = 10; x < 60 && !ink; ++x)
        for (int y = 10; y < 30 && !ink; ++y)
            ink = shown.pixelColor(x, y) == TColorToQColor(clWindowText);
    EXPECT_TRUE(ink);
    label->SetTransparent(true);
    EXPECT_EQ(Picture().pixelColor(105, 17), TColorToQColor(form->Color()));
}

TEST_F(StandardControlsTest, ButtonSetsTheFormsModalResult) {
    auto* button = Make<TButton>(10, 10, 75, 25);
    button->SetModalResult(mrYes);
    int clicks = 0;
    button->OnClick = [&](TObject*) { ++clicks; };
    Click(button);
    EXPECT_EQ(form->ModalResult(), mrYes);
    EXPECT_EQ(clicks, 1);
    button->SetEnabled(false);
    Click(button);
    EXPECT_EQ(clicks, 1);
}

TEST_F(StandardControlsTest, EditPropertiesAndEvents) {
    auto* edit = Make<TEdit>(10, 10, 120, 24);
    int changes = 0;
    edit->OnChange = [&](TObject*) { ++changes; };
    edit->SetMaxLength(4);
    edit->SetText("123456");
    EXPECT_EQ(edit->Text(), "1234");
    EXPECT_EQ(changes, 1);
    edit->SetReadOnly(true);
    edit->SetFocus();
    edit->SetSelStart(4);
    Type(edit, Qt::Key_Backspace);
    Type(edit, Qt::Key_Z);
    EXPECT_EQ(edit->Text(), "1234");
    EXPECT_FALSE(services.Beeps.empty());
    edit->SetReadOnly(false);
    edit->SetMaxLength(0);
    Type(edit, Qt::Key_Backspace);
    EXPECT_EQ(edit->Text(), "123");
    // The text and selection survive a new window.
    edit->SetSelStart(1);
    edit->SetSelLength(2);
    edit->RecreateWnd();
    EXPECT_EQ(edit->Text(), "123");
    EXPECT_EQ(edit->SelText(), "23");
    edit->SetSelText("x");
    EXPECT_EQ(edit->Text(), "1x");
    edit->Clear();
    EXPECT_EQ(edit->Text(), "");
    EXPECT_EQ(edit->Perform(WM_GETDLGCODE) & DLGC_WANTCHARS, DLGC_WANTCHARS);
}

TEST_F(StandardControlsTest, EditKeepsItsStateWithoutAWindow) {
    TEdit edit(nullptr);
    edit.SetText("abcdef");
    edit.SetSelStart(2);
    edit.SetSelLength(3);
    EXPECT_EQ(edit.SelText(), "cde");
    edit.SetSelText("");
    EXPECT_EQ(edit.Text(), "abf");
    EXPECT_FALSE(edit.HandleAllocated());
}

TEST_F(StandardControlsTest, ComboBoxStylesAndItems) {
    auto* combo = Make<TComboBox>(10, 10, 150, 24);
    combo->Items()->Add("Weekly");
    combo->Items()->Add("Monthly");
    combo->SetStyle(csDropDownList);
    combo->SetText("Monthly");
    EXPECT_EQ(combo->ItemIndex(), 1);
    combo->SetText("Daily");
    EXPECT_EQ(combo->ItemIndex(), -1);
    combo->SetItemIndex(0);
    combo->Items()->Insert(0, "Daily");
    EXPECT_EQ(combo->Items()->Count(), 3);
    EXPECT_EQ(combo->ItemIndex(), 0);
    combo->SetSorted(true);
    EXPECT_EQ(combo->Items()->Strings(0), "Daily");
    combo->SetStyle(csDropDown);
    combo->SetText("Fortnightly");
    EXPECT_EQ(combo->Text(), "Fortnightly");
    EXPECT_EQ(combo->ItemIndex(), -1);
    combo->Clear();
    EXPECT_EQ(combo->Items()->Count(), 0);
    EXPECT_EQ(combo->ItemIndex(), -1);
    EXPECT_NE(combo->Perform(WM_GETDLGCODE) & DLGC_WANTARROWS, 0);
}

TEST_F(StandardControlsTest, ListBoxMultipleSelection) {
    auto* list = Make<TListBox>(10, 10, 150, 100);
    for (const char* s : {"One", "Two", "Three"})
        list->Items()->Add(s);
    list->SetMultiSelect(true);
    list->SetSelected(0, true);
    list->SetSelected(2, true);
    EXPECT_EQ(list->SelCount(), 2);
    EXPECT_TRUE(list->Selected(2));
    EXPECT_FALSE(list->Selected(1));
    EXPECT_THROW(list->Selected(5), EListError);
    EXPECT_EQ(list->ItemAtPos({5, 2}), 0);
    EXPECT_EQ(list->TopIndex(), 0);
}

// The wheel over a list or a scroll box scrolls it: three lines a notch.
TEST_F(StandardControlsTest, TheWheelScrollsListsAndScrollBoxes) {
    // As the window system gives it: to the widget under the mouse (a list's viewport).
    const auto wheel = [](TWinControl* control, int delta) {
        QWidget* w = WidgetOf(control);
        if (QWidget* child = w->childAt(20, 20)) w = child;
        QWheelEvent e(QPointF(5, 5), w->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(w, &e);
        Application->ProcessMessages();
    };
    auto* list = Make<TListBox>(10, 10, 150, 100);
    for (int k = 0; k < 60; ++k)
        list->Items()->Add("Item " + std::to_string(k));
    form->Show();
    Application->ProcessMessages();
    wheel(list, -WHEEL_DELTA);
    EXPECT_GT(list->TopIndex(), 0);
    wheel(list, WHEEL_DELTA);
    EXPECT_EQ(list->TopIndex(), 0);

    auto* box = Make<TScrollBox>(200, 10, 150, 100);
    box->SetAutoScroll(false);
    box->VertScrollBar()->SetRange(1000);
    wheel(box, -WHEEL_DELTA);
    EXPECT_EQ(box->VertScrollBar()->Position(), 3 * box->VertScrollBar()->Increment());
    wheel(box, WHEEL_DELTA);
    EXPECT_EQ(box->VertScrollBar()->Position(), 0);
}

TEST_F(StandardControlsTest, ScrollBarKeepsItsPositionInRange) {
    auto* bar = Make<TScrollBar>(10, 10, 150, 16);
    int changes = 0;
    bar->OnChange = [&](TObject*) { ++changes; };
    bar->SetParams(50, 0, 80);
    EXPECT_EQ(bar->Position(), 50);
    bar->SetPosition(500);
    EXPECT_EQ(bar->Position(), 80);
    bar->SetMax(60);
    EXPECT_EQ(bar->Position(), 60);
    EXPECT_EQ(changes, 3);
    EXPECT_THROW(bar->SetParams(0, 10, 5), EInvalidOperation);
    std::vector<TScrollCode> codes;
    bar->OnScroll = [&](TObject*, TScrollCode code, int&) { codes.push_back(code); };
    bar->SetSmallChange(5);
    bar->SetFocus();
    Type(bar, Qt::Key_Left);
    EXPECT_EQ(bar->Position(), 55);
    ASSERT_FALSE(codes.empty());
    EXPECT_EQ(codes.front(), scLineUp);
}

TEST_F(StandardControlsTest, GroupBoxPlacesAlignedChildrenInsideItsFrame) {
    auto* group = Make<TGroupBox>(10, 10, 200, 120);
    group->SetCaption("Options");
    auto* inner = new TPanel(form);
    inner->SetParent(group);
    inner->SetAlign(alClient);
    EXPECT_EQ(inner->BoundsRect(), Rect(2, 14, 198, 118));
    auto* edit = new TEdit(form);
    edit->SetParent(inner);
    auto* outside = Make<TEdit>(250, 10, 80, 20);
    group->SetCaption("&Options");
    outside->SetFocus();
    Type(outside, Qt::Key_O, Qt::AltModifier);
    EXPECT_TRUE(edit->Focused());
}

TEST_F(StandardControlsTest, ButtonsInsideAGroupBoxAnswerTheirMnemonics) {
    auto* group = Make<TGroupBox>(10, 10, 200, 120);
    group->SetCaption(" Our Conclusion ");
    auto* button = Make<TButton>(10, 80, 80, 25, group);
    button->SetCaption("Cop&y");
    int clicks = 0;
    button->OnClick = [&](TObject*) { ++clicks; };
    auto* outside = Make<TEdit>(250, 10, 80, 20);
    outside->SetFocus();
    Type(outside, Qt::Key_Y, Qt::AltModifier);
    EXPECT_EQ(clicks, 1);
    // A key that is nobody's mnemonic still reaches nothing.
    Type(outside, Qt::Key_Q, Qt::AltModifier);
    EXPECT_EQ(clicks, 1);
}

TEST_F(StandardControlsTest, BitBtnPressesWithSpaceAndMouse) {
    auto* button = Make<TBitBtn>(10, 10, 90, 30);
    button->SetCaption("&Print");
    int clicks = 0;
    button->OnClick = [&](TObject*) { ++clicks; };
    button->SetFocus();
    QWidget* w = WidgetOf(button);
    QTest::keyPress(w, Qt::Key_Space);
    EXPECT_TRUE(button->Pressed());
    QTest::keyRelease(w, Qt::Key_Space);
    EXPECT_FALSE(button->Pressed());
    EXPECT_EQ(clicks, 1);
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_TRUE(button->Pressed());
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, QPoint(200, 200));
    EXPECT_EQ(clicks, 1);
    Click(button);
    EXPECT_EQ(clicks, 2);
    auto* other = Make<TEdit>(10, 60, 80, 20);
    other->SetFocus();
    Type(other, Qt::Key_P, Qt::AltModifier);
    EXPECT_EQ(clicks, 3);
}

TEST_F(StandardControlsTest, BitBtnKindsCloseAndHelp) {
    form->SetHelpContext(300);
    auto* help = Make<TBitBtn>(10, 10, 75, 25);
    help->SetKind(bkHelp);
    Click(help);
    ASSERT_EQ(services.Helps.size(), 0u); // no help file set
    const std::string saved = Application->HelpFile();
    Application->SetHelpFile("vtrx2532.hlp");
    Click(help);
    ASSERT_EQ(services.Helps.size(), 1u);
    EXPECT_EQ(services.Helps[0].Data, 300);
    Application->SetHelpFile(saved);
    auto* close = Make<TBitBtn>(100, 10, 75, 25);
    close->SetKind(bkClose);
    EXPECT_EQ(close->Caption(), "&Close");
    Click(close);
    EXPECT_FALSE(form->Visible());
}

TEST_F(StandardControlsTest, GlyphIsPlacedByLayoutAndMargin) {
    TBitmap glyph;
    glyph.SetSize(8, 8);
    glyph.Canvas()->Brush()->SetColor(clRed);
    glyph.Canvas()->FillRect(Rect(0, 0, 8, 8));
    glyph.Canvas()->SetPixels(0, 7, clWhite); // the see-through colour
    auto* button = Make<TBitBtn>(10, 10, 100, 30);
    button->SetGlyph(&glyph);
    button->SetMargin(6);
    EXPECT_EQ(button->NumGlyphs(), 1);
    QImage shown = WidgetOf(button)->grab().toImage();
    EXPECT_EQ(shown.pixelColor(2 + 6 + 3, 15), TColorToQColor(clRed));
    button->SetLayout(blGlyphRight);
    shown = WidgetOf(button)->grab().toImage();
    EXPECT_EQ(shown.pixelColor(100 - 2 - 6 - 3, 15), TColorToQColor(clRed));
    EXPECT_NE(shown.pixelColor(2 + 6 + 3, 15), TColorToQColor(clRed));
}

TEST_F(StandardControlsTest, SpeedButtonsAllowAllUpAndMnemonics) {
    auto* a = Make<TSpeedButton>(10, 10, 25, 25);
    a->SetGroupIndex(2);
    a->SetAllowAllUp(true);
    a->SetCaption("&Z");
    Click(form, QPoint(15, 15));
    EXPECT_TRUE(a->Down());
    Click(form, QPoint(15, 15));
    EXPECT_FALSE(a->Down());
    int clicks = 0;
    a->OnClick = [&](TObject*) { ++clicks; };
    auto* edit = Make<TEdit>(100, 10, 80, 20);
    edit->SetFocus();
    Type(edit, Qt::Key_Z, Qt::AltModifier);
    EXPECT_EQ(clicks, 1);
    a->SetEnabled(false);
    Click(form, QPoint(15, 15));
    EXPECT_EQ(clicks, 1);
    a->SetGroupIndex(0);
    a->SetDown(true);
    EXPECT_FALSE(a->Down());
}

} // namespace
