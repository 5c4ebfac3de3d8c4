#include "GuiTestSupport.h"

#include "platform/gui/Buttons.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/QtPaint.h"

#include <QImage>
#include <QScrollBar>
#include <gtest/gtest.h>
#include <set>

namespace {

class ControlsTest : public TBlankFormTest {};

TEST_F(ControlsTest, CheckBoxesToggleByClickSpaceAndMnemonic) {
    auto* box = Make<TCheckBox>(10, 10, 120, 20);
    box->SetCaption("&Monthly");
    int clicks = 0;
    box->OnClick = [&](TObject*) { ++clicks; };
    Click(box);
    EXPECT_TRUE(box->Checked());
    box->SetFocus();
    Type(box, Qt::Key_Space);
    EXPECT_FALSE(box->Checked());
    Type(box, Qt::Key_M, Qt::AltModifier);
    EXPECT_TRUE(box->Checked());
    box->SetChecked(false);
    EXPECT_EQ(clicks, 4);
    box->SetAllowGrayed(true);
    box->Toggle();
    box->Toggle();
    EXPECT_EQ(box->State(), cbGrayed);
}

TEST_F(ControlsTest, RadioButtonsOfAParentExcludeEachOther) {
    auto* a = Make<TRadioButton>(10, 10, 100, 20);
    auto* b = Make<TRadioButton>(10, 30, 100, 20);
    a->SetChecked(true);
    Click(b);
    EXPECT_TRUE(b->Checked());
    EXPECT_FALSE(a->Checked());
    // An arrow key moves to the sibling and checks it.
    b->SetFocus();
    Type(b, Qt::Key_Up);
    EXPECT_TRUE(a->Focused());
    EXPECT_TRUE(a->Checked());
}

TEST_F(ControlsTest, RadioGroupItemsAndIndex) {
    auto* group = Make<TRadioGroup>(10, 10, 200, 120);
    group->Items()->Add("Monthly");
    group->Items()->Add("Yearly");
    EXPECT_EQ(group->ItemIndex(), -1);
    group->SetItemIndex(1);
    EXPECT_TRUE(group->Button(1)->Checked());
    group->SetItemIndex(9);
    EXPECT_EQ(group->ItemIndex(), -1);
    int clicks = 0;
    group->OnClick = [&](TObject*) { ++clicks; };
    Click(group->Button(0));
    EXPECT_EQ(group->ItemIndex(), 0);
    EXPECT_EQ(clicks, 1);
    group->Items()->Delete(1);
    EXPECT_EQ(group->ControlCount(), 1);
}

TEST_F(ControlsTest, ListBoxItemsSelectionAndSorting) {
    auto* list = Make<TListBox>(10, 10, 150, 100);
    list->Items()->Add("Zeta");
    list->Items()->Add("Alpha");
    list->SetItemIndex(0);
    EXPECT_EQ(list->ItemIndex(), 0);
    list->SetSorted(true);
    EXPECT_EQ(list->Items()->Strings(0), "Alpha");
    list->SetItemIndex(5);
    EXPECT_EQ(list->ItemIndex(), -1);
    int clicks = 0;
    list->OnClick = [&](TObject*) { ++clicks; };
    list->SetFocus();
    Type(list, Qt::Key_Down);
    EXPECT_EQ(clicks, 1);
    EXPECT_GE(list->ItemIndex(), 0);
}

TEST_F(ControlsTest, MemoLinesAndKeys) {
    auto* memo = Make<TMemo>(10, 10, 200, 100);
    memo->Lines()->Add("Principal");
    memo->Lines()->Add("Interest");
    EXPECT_EQ(memo->Text(), "Principal\r\nInterest");
    EXPECT_EQ(memo->Lines()->Count(), 2);
    memo->Lines()->SetStrings(1, "Taxes");
    memo->Lines()->Delete(0);
    EXPECT_EQ(memo->Text(), "Taxes");
    EXPECT_EQ(memo->Perform(WM_GETDLGCODE) & DLGC_WANTALLKEYS, DLGC_WANTALLKEYS);
    memo->SetWantReturns(false);
    EXPECT_EQ(memo->Perform(WM_GETDLGCODE) & DLGC_WANTALLKEYS, 0);
    memo->SetFocus();
    memo->SetSelStart(5);
    Type(memo, Qt::Key_S);
    EXPECT_EQ(memo->Text(), "Taxess");
    EXPECT_THROW(memo->Lines()->Strings(4), EStringListError);
}

TEST_F(ControlsTest, MemoKeepsEmptyLinesBetweenAddedLines) {
    auto* memo = Make<TMemo>(10, 10, 200, 100);
    TStringList paragraphs;
    for (const char* line : {"First", "", "Second", "", "Third", ""})
        paragraphs.Add(line);
    memo->Lines()->Assign(&paragraphs);
    EXPECT_EQ(memo->Text(), "First\r\n\r\nSecond\r\n\r\nThird\r\n");
    // The final line end counts no line of its own.
    EXPECT_EQ(memo->Lines()->Count(), 5);
    EXPECT_EQ(memo->Lines()->Strings(3), "");
}

TEST_F(ControlsTest, NotebookPagesByName) {
    auto* book = Make<TNotebook>(0, 0, 200, 150);
    book->Pages()->Clear();
    book->Pages()->Add("Loan");
    book->Pages()->Add("Chart");
    EXPECT_EQ(book->PageCount(), 2);
    EXPECT_EQ(book->ActivePage(), "Loan");
    auto* edit = Make<TEdit>(5, 5, 80, 20, book->Page(1));
    book->SetActivePage("Chart");
    EXPECT_EQ(book->PageIndex(), 1);
    EXPECT_TRUE(edit->Showing());
    EXPECT_FALSE(book->Page(0)->Visible());
    book->SetActivePage("Nothing");
    book->SetPageIndex(7);
    EXPECT_EQ(book->PageIndex(), 1);
    EXPECT_EQ(book->Page(1)->BoundsRect(), Rect(0, 0, 200, 150));
}

TEST_F(ControlsTest, PanelPlacesAlignedChildrenInsideItsBevels) {
    auto* panel = Make<TPanel>(0, 0, 200, 100);
    panel->SetBevelInner(bvLowered);
    panel->SetBorderWidth(2);
    auto* top = Make<TEdit>(0, 0, 10, 20, panel);
    top->SetAlign(alTop);
    EXPECT_EQ(top->BoundsRect(), Rect(4, 4, 196, 24));
}

TEST_F(ControlsTest, BitBtnKindsCloseModalForms) {
    auto* ok = Make<TBitBtn>(10, 10, 75, 25);
    ok->SetKind(bkOK);
    auto* cancel = Make<TBitBtn>(100, 10, 75, 25);
    cancel->SetKind(bkCancel);
    auto* edit = Make<TEdit>(10, 50, 80, 20);
    EXPECT_EQ(ok->Caption(), "OK");
    EXPECT_TRUE(ok->Default());
    EXPECT_TRUE(cancel->Cancel());
    form->Hide();
    TModalHook previous = SetModalHook([&](TCustomForm*) {
        edit->SetFocus();
        Type(edit, Qt::Key_Return);
    });
    EXPECT_EQ(form->ShowModal(), mrOk);
    SetModalHook([&](TCustomForm*) { Click(cancel); });
    EXPECT_EQ(form->ShowModal(), mrCancel);
    SetModalHook(previous);
}

// Whether a picture holds a pixel of the colour (the kinds draw in pure colours).
bool GlyphHas(TBitmap* glyph, TColor color) {
    for (int y = 0; y < glyph->Height(); ++y)
        for (int x = 0; x < glyph->Width(); ++x)
            if (glyph->Canvas()->Pixels(x, y) == color) return true;
    return false;
}

TEST_F(ControlsTest, BitBtnKindsShowTheirPictureUntilTheProgramSetsOne) {
    auto* button = Make<TBitBtn>(10, 10, 75, 25);
    EXPECT_TRUE(button->Glyph()->Empty());
    button->SetKind(bkOK);
    EXPECT_EQ(button->Glyph()->Width(), 18);
    EXPECT_TRUE(GlyphHas(button->Glyph(), clGreen));
    button->SetKind(bkCancel);
    EXPECT_TRUE(GlyphHas(button->Glyph(), clRed));
    EXPECT_FALSE(GlyphHas(button->Glyph(), clGreen));
    button->SetKind(bkCustom);
    EXPECT_TRUE(button->Glyph()->Empty());
    // A glyph of the program's own stays whatever the kind.
    TBitmap own;
    own.SetSize(16, 16);
    own.Canvas()->Brush()->SetColor(clFuchsia);
    own.Canvas()->FillRect(Rect(0, 0, 16, 16));
    button->SetGlyph(&own);
    button->SetKind(bkHelp);
    EXPECT_EQ(button->Glyph()->Width(), 16);
    EXPECT_TRUE(GlyphHas(button->Glyph(), clFuchsia));
    for (TBitBtnKind kind : {bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll}) {
        auto* other = Make<TBitBtn>(100, 10, 75, 25);
        other->SetKind(kind);
        EXPECT_FALSE(other->Glyph()->Empty()) << kind;
    }
}

TEST_F(ControlsTest, SpeedButtonsInAGroup) {
    auto* a = Make<TSpeedButton>(10, 10, 25, 25);
    a->SetGroupIndex(1);
    auto* b = Make<TSpeedButton>(40, 10, 25, 25);
    b->SetGroupIndex(1);
    int clicks = 0;
    b->OnClick = [&](TObject*) { ++clicks; };
    a->SetDown(true);
    Click(form, QPoint(45, 15));
    EXPECT_TRUE(b->Down());
    EXPECT_FALSE(a->Down());
    EXPECT_EQ(clicks, 1);
    // Without AllowAllUp the last one down stays down.
    Click(form, QPoint(45, 15));
    EXPECT_TRUE(b->Down());
    // A press released outside is no click.
    QTest::mousePress(WidgetOf(form), Qt::LeftButton, Qt::NoModifier, QPoint(45, 15));
    QTest::mouseRelease(WidgetOf(form), Qt::LeftButton, Qt::NoModifier, QPoint(200, 200));
    EXPECT_EQ(clicks, 2);
}

TEST_F(ControlsTest, PopupMenuChoiceAndRadioItems) {
    TPopupMenu menu(nullptr);
    auto* a = NewItem(&menu, "&Monthly", scNone, {});
    auto* b = NewItem(&menu, "&Yearly", scNone, {});
    a->SetRadioItem(true);
    b->SetRadioItem(true);
    menu.Items()->Add(a);
    menu.Items()->Add(NewLine(&menu));
    menu.Items()->Add(b);
    int chosen = 0;
    b->OnClick = [&](TObject*) { ++chosen; };
    TPopupHook previous = SetPopupHook([](TMenuItem* items, int x, int y) {
        EXPECT_EQ(x, 100);
        EXPECT_EQ(y, 50);
        return items->Items(2);
    });
    menu.Popup(100, 50);
    EXPECT_EQ(chosen, 1);
    a->SetChecked(true);
    b->SetChecked(true);
    EXPECT_FALSE(a->Checked());
    menu.Items()->Remove(b);
    EXPECT_EQ(menu.Items()->Count(), 2);
    delete b;
    // A right click on a control shows its popup menu.
    auto* edit = Make<TEdit>(10, 10, 80, 20);
    edit->SetPopupMenu(&menu);
    int shown = 0;
    SetPopupHook([&](TMenuItem*, int, int) {
        ++shown;
        return nullptr;
    });
    QTest::mouseClick(WidgetOf(edit), Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_EQ(shown, 1);
    edit->SetPopupMenu(nullptr);
    SetPopupHook(previous);
}

TEST_F(ControlsTest, ShortCutTexts) {
    EXPECT_EQ(ShortCutToText(ShortCut('S', {ssCtrl})), "Ctrl+S");
    EXPECT_EQ(ShortCutToText(ShortCut(VK_F2, {})), "F2");
    EXPECT_EQ(ShortCutToText(ShortCut(VK_DELETE, {ssShift})), "Shift+Del");
    EXPECT_EQ(TextToShortCut("ctrl+shift+p"), ShortCut('P', {ssCtrl, ssShift}));
    EXPECT_EQ(TextToShortCut("Hyper+Q"), scNone);
    EXPECT_TRUE(IsAccel('o', "&OK"));
    EXPECT_FALSE(IsAccel('k', "O&&K"));
    EXPECT_EQ(StripHotkey("Sa&ve && Close"), "Save & Close");
}

TEST_F(ControlsTest, WindowScrollBarsTakeClientSpaceAndReportActions) {
    auto* custom = Make<TRecorder>(10, 10, 200, 100);
    const HWND h = custom->Handle();
    EXPECT_EQ(custom->ClientWidth(), 200);
    SCROLLINFO info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMin = 0;
    info.nMax = 99;
    info.nPage = 10;
    info.nPos = 95;
    EXPECT_EQ(SetScrollInfo(h, SB_VERT, info, true), 90);
    EXPECT_EQ(custom->ClientWidth(), 200 - GetSystemMetrics(SM_CXVSCROLL));
    custom->SetWidth(250);
    const QScrollBar* bar = custom->Impl()->Bars[SB_VERT].Widget;
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->geometry().right(), 249);
    EXPECT_EQ(SetScrollPos(h, SB_VERT, 20, true), 90);
    EXPECT_EQ(GetScrollPos(h, SB_VERT), 20);
    ShowScrollBar(h, SB_VERT, false);
    EXPECT_EQ(custom->ClientWidth(), 250);
}

TEST_F(ControlsTest, ScrollBoxScrollsItsChildren) {
    auto* box = Make<TScrollBox>(0, 0, 200, 150);
    auto* image = Make<TPanel>(0, 0, 600, 400, box);
    EXPECT_TRUE(box->VertScrollBar()->IsScrollBarVisible());
    EXPECT_TRUE(box->HorzScrollBar()->IsScrollBarVisible());
    EXPECT_EQ(box->VertScrollBar()->Range(), 400);
    box->VertScrollBar()->SetPosition(100);
    EXPECT_EQ(image->Top(), -100);
    box->VertScrollBar()->SetPosition(100000);
    EXPECT_EQ(box->VertScrollBar()->Position(), 400 - box->ClientHeight());
    box->Perform(WM_VSCROLL, SB_TOP, 0);
    EXPECT_EQ(image->Top(), 0);
    box->Perform(WM_HSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(image->Left(), -box->HorzScrollBar()->Increment());
}

// A control that keeps a mark drawn outside its paint, as rubber bands are.
class TMarked : public TCustomControl {
public:
    explicit TMarked(TComponent* owner) : TCustomControl(owner) {}
    int Paints = 0;

protected:
    void Paint() override {
        ++Paints;
        Canvas()->Brush()->SetColor(clWhite);
        Canvas()->FillRect(ClientRect());
    }
};

TEST_F(ControlsTest, DrawingOutsidePaintShowsAndStays) {
    auto* c = Make<TMarked>(10, 10, 100, 60);
    WidgetOf(c)->grab();
    const int paints = c->Paints;
    ASSERT_EQ(paints, 1);
    HDC dc = GetDC(c->Handle());
    SetROP2(dc, R2_NOT);
    MoveToEx(dc, 0, 5, nullptr);
    LineTo(dc, 50, 5);
    ReleaseDC(c->Handle(), dc);
    const QImage shown = WidgetOf(c)->grab().toImage();
    EXPECT_EQ(QColor(shown.pixel(10, 5)), QColor(Qt::black));
    EXPECT_EQ(c->Paints, paints);
    // A real invalidation paints again.
    c->Invalidate();
    const QImage repainted = WidgetOf(c)->grab().toImage();
    EXPECT_EQ(QColor(repainted.pixel(10, 5)), QColor(Qt::white));
}

TEST_F(ControlsTest, XorOutlineOnTheScreenDrawnTwiceLeavesNothing) {
    HDC dc = GetDC(0);
    ASSERT_NE(dc, nullptr);
    const TRect outline = Rect(100, 100, 180, 140);
    DrawFocusRect(dc, &outline);
    EXPECT_NE(QColor(ScreenOverlayImage().pixel(100, 100)), QColor(Qt::black));
    DrawFocusRect(dc, &outline);
    EXPECT_EQ(ReleaseDC(0, dc), 1);
    const QImage after = ScreenOverlayImage();
    for (int x = 100; x < 180; ++x)
        ASSERT_EQ(QColor(after.pixel(x, 100)), QColor(Qt::black));
    EXPECT_EQ(ReleaseDC(0, dc), 0);
}

// Draws a focus rectangle on the screen, as a drag outline is drawn (drawn again, it is gone).
void FocusRectOnScreen(const TRect& r) {
    HDC dc = GetDC(0);
    DrawFocusRect(dc, &r);
    ReleaseDC(0, dc);
}

// The outline's window covers the outline's pixels only: the rest of the screen stays in sight
// on an X server without a compositing manager, where nothing could be seen through it.
TEST_F(ControlsTest, AnOutlineOnTheScreenCoversOnlyItsOwnPixels) {
    const TRect outline = Rect(100, 100, 180, 140);
    FocusRectOnScreen(outline);
    const QRegion cover = ScreenOverlayCover();
    EXPECT_TRUE(cover.contains(QPoint(100, 100)));
    int rightEdge = 0;
    for (int y = 100; y < 140; ++y)
        if (cover.contains(QPoint(179, y))) ++rightEdge;
    EXPECT_GE(rightEdge, 19);
    EXPECT_FALSE(cover.contains(QPoint(140, 120)));
    EXPECT_FALSE(cover.contains(QPoint(10, 10)));
    EXPECT_FALSE(cover.contains(QPoint(300, 300)));
    FocusRectOnScreen(outline);
    EXPECT_TRUE(ScreenOverlayCover().isEmpty());
}

// Each pixel of an outline shows the screen's pixel under it inverted, so that it stands out over
// a dark desktop as over a light window; where the screen cannot be read it shows black and
// white dashes.
TEST_F(ControlsTest, AnOutlineOnTheScreenShowsInvertedFromWhatLiesUnderIt) {
    const TRect outline = Rect(100, 100, 180, 140);
    auto shownAlongTop = [&](const QColor& screen) {
        SetScreenReader([screen](const QRect& box) {
            if (!screen.isValid()) return QImage();
            QImage read(box.size(), QImage::Format_RGB32);
            read.fill(screen);
            return read;
        });
        FocusRectOnScreen(outline);
        const QImage drawn = ScreenOverlayImage();
        const QImage shown = ScreenOverlayShown();
        std::set<QRgb> colours;
        for (int x = outline.Left; x < outline.Right; ++x)
            if (qGray(drawn.pixel(x, outline.Top)) != 0)
                colours.insert(shown.pixel(x, outline.Top) & 0xFFFFFF);
        FocusRectOnScreen(outline);
        return colours;
    };
    EXPECT_EQ(shownAlongTop(Qt::black), std::set<QRgb>{0xFFFFFF});
    EXPECT_EQ(shownAlongTop(Qt::white), std::set<QRgb>{0});
    EXPECT_EQ(shownAlongTop(QColor()), (std::set<QRgb>{0, 0xFFFFFF}));
    SetScreenReader(nullptr);
}

} // namespace
