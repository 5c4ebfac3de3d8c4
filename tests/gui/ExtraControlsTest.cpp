#include "GuiTestSupport.h"

#include "platform/gui/Dialogs.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/QtPaint.h"
#include "platform/rtl/Clock.h"

#include <QImage>
#include <gtest/gtest.h>

namespace {

class ExtraControlsTest : public TBlankFormTest {
protected:
    void SetUp() override {
        TBlankFormTest::SetUp();
        form->SetColor(clWhite);
    }
};

TEST_F(ExtraControlsTest, PanelBevelsAndCaption) {
    auto* panel = Make<TPanel>(10, 10, 100, 40);
    panel->SetBevelOuter(bvLowered);
    QImage shown = WidgetOf(panel)->grab().toImage();
    EXPECT_EQ(shown.pixelColor(0, 0), TColorToQColor(clBtnShadow));
    EXPECT_EQ(shown.pixelColor(99, 39), TColorToQColor(clBtnHighlight));
    EXPECT_EQ(shown.pixelColor(50, 5), TColorToQColor(clBtnFace));
    panel->SetBevelOuter(bvNone);
    panel->SetCaption("Total");
    shown = WidgetOf(panel)->grab().toImage();
    bool ink = false;
    for (int x = 30; x < 70 && !ink; ++x)
        for (int y = 10; y < 30 && !ink; ++y)
            ink = shown.pixelColor(x, y) == TColorToQColor(clBlack);
    EXPECT_TRUE(ink);
    EXPECT_EQ(panel->InnerRect(), Rect(0, 0, 100, 40));
    panel->SetBevelWidth(0);
    EXPECT_EQ(panel->BevelWidth(), 1);
}

TEST_F(ExtraControlsTest, BevelShapeAndShapeDrawOnTheParent) {
    auto* bevel = Make<TBevel>(10, 10, 100, 2);
    bevel->SetShape(bsTopLine);
    auto* shape = Make<TShape>(200, 50, 40, 40);
    shape->Brush()->SetColor(clBlue);
    shape->SetShape(stCircle);
    const QImage shown = Picture();
    EXPECT_EQ(shown.pixelColor(50, 10), TColorToQColor(clBtnShadow));
    EXPECT_EQ(shown.pixelColor(50, 11), TColorToQColor(clBtnHighlight));
    EXPECT_EQ(shown.pixelColor(220, 70), TColorToQColor(clBlue));
    // The corners are outside the circle.
    EXPECT_EQ(shown.pixelColor(201, 51), TColorToQColor(clWhite));
}

TEST_F(ExtraControlsTest, PaintBoxDrawsAtItsOwnPlace) {
    auto* box = Make<TPaintBox>(100, 100, 50, 50);
    int paints = 0;
    box->OnPaint = [&](TObject*) {
        ++paints;
        box->Canvas()->Brush()->SetColor(clRed);
        box->Canvas()->FillRect(Rect(0, 0, 500, 500));
    };
    const QImage shown = Picture();
    EXPECT_GE(paints, 1);
    EXPECT_EQ(shown.pixelColor(100, 100), TColorToQColor(clRed));
    EXPECT_EQ(shown.pixelColor(149, 149), TColorToQColor(clRed));
    // The drawing is clipped to the box.
    EXPECT_EQ(shown.pixelColor(150, 150), TColorToQColor(clWhite));
    EXPECT_EQ(shown.pixelColor(99, 99), TColorToQColor(clWhite));
}

TEST_F(ExtraControlsTest, ImageShowsItsPictureAndSizesToIt) {
    auto* image = Make<TImage>(20, 20, 100, 100);
    TBitmap bitmap;
    bitmap.SetSize(10, 6);
    bitmap.Canvas()->Brush()->SetColor(clGreen);
    bitmap.Canvas()->FillRect(Rect(0, 0, 10, 6));
    image->SetAutoSize(true);
    image->Picture()->SetGraphic(&bitmap);
    EXPECT_EQ(image->Width(), 10);
    EXPECT_EQ(image->Height(), 6);
    QImage shown = Picture();
    EXPECT_EQ(shown.pixelColor(25, 23), TColorToQColor(clGreen));
    image->SetAutoSize(false);
    image->SetBounds(20, 20, 40, 40);
    image->SetStretch(true);
    shown = Picture();
    EXPECT_EQ(shown.pixelColor(55, 55), TColorToQColor(clGreen));
}

TEST_F(ExtraControlsTest, TimerStopsWhenFreed) {
    TManualClock clock;
    TClockOverride use(clock);
    int ticks = 0;
    {
        TTimer timer(nullptr);
        timer.SetInterval(100);
        timer.OnTimer = [&](TObject*) { ++ticks; };
        clock.Advance(100);
        FireDueTimers();
    }
    clock.Advance(500);
    FireDueTimers();
    EXPECT_EQ(ticks, 1);
}

TEST_F(ExtraControlsTest, HeaderSectionsAreSizedWithTheMouse) {
    auto* header = Make<THeader>(0, 0, 300, 20);
    header->Sections()->Add("Name");
    header->Sections()->Add("Amount");
    header->SetSectionWidth(0, 80);
    EXPECT_EQ(header->SectionWidth(1), 50);
    EXPECT_THROW(header->SectionWidth(2), EListError);
    std::vector<int> sized;
    header->OnSized = [&](TObject*, int section, int width) {
        sized.push_back(section);
        sized.push_back(width);
    };
    QWidget* w = WidgetOf(header);
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, QPoint(80, 10));
    QTest::mouseMove(w, QPoint(120, 10));
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, QPoint(120, 10));
    EXPECT_EQ(header->SectionWidth(0), 120);
    EXPECT_EQ(sized, (std::vector<int>{0, 120}));
    header->SetAllowResize(false);
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, QPoint(120, 10));
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, QPoint(150, 10));
    EXPECT_EQ(header->SectionWidth(0), 120);
}

TEST_F(ExtraControlsTest, NotebookKeepsPagesWhenNamesChange) {
    auto* book = Make<TNotebook>(0, 0, 200, 150);
    EXPECT_EQ(book->PageCount(), 1);
    EXPECT_EQ(book->ActivePage(), "Default");
    book->Pages()->Add("Second");
    TPage* second = book->Page(1);
    book->Pages()->Delete(0);
    EXPECT_EQ(book->PageCount(), 1);
    EXPECT_EQ(book->Page(0), second);
    EXPECT_EQ(book->PageIndex(), 0);
    EXPECT_TRUE(second->Visible());
    int changes = 0;
    book->OnPageChanged = [&](TObject*) { ++changes; };
    book->Pages()->Add("Third");
    book->SetPageIndex(1);
    EXPECT_EQ(changes, 1);
    // The focus leaves a page that is put away.
    auto* edit = new TEdit(form);
    edit->SetParent(book->Page(1));
    edit->SetFocus();
    book->SetPageIndex(0);
    EXPECT_FALSE(edit->Focused());
    EXPECT_EQ(GetFocus(), form->Handle());
    EXPECT_THROW(book->Page(5), EListError);
}

TEST_F(ExtraControlsTest, RadioGroupArrangesItsButtonsInColumns) {
    auto* group = Make<TRadioGroup>(0, 0, 210, 100);
    for (const char* s : {"A", "B", "C", "D"})
        group->Items()->Add(s);
    group->SetColumns(2);
    EXPECT_EQ(group->Button(0)->Left(), group->Button(1)->Left());
    EXPECT_LT(group->Button(0)->Left(), group->Button(2)->Left());
    EXPECT_LT(group->Button(0)->Top(), group->Button(1)->Top());
    group->SetItemIndex(3);
    EXPECT_TRUE(group->Button(3)->TabStop());
    EXPECT_FALSE(group->Button(0)->TabStop());
    EXPECT_THROW(group->Button(4), EListError);
}

TEST_F(ExtraControlsTest, ScrollBoxWithoutAutoScrollUsesItsRanges) {
    auto* box = Make<TScrollBox>(0, 0, 200, 150);
    box->SetAutoScroll(false);
    box->VertScrollBar()->SetRange(1000);
    EXPECT_TRUE(box->VertScrollBar()->IsScrollBarVisible());
    const int narrowed = box->ClientWidth();
    box->VertScrollBar()->SetRange(0);
    EXPECT_FALSE(box->VertScrollBar()->IsScrollBarVisible());
    EXPECT_EQ(box->ClientWidth(), narrowed + GetSystemMetrics(SM_CXVSCROLL));
    box->HorzScrollBar()->SetRange(900);
    box->HorzScrollBar()->SetVisible(false);
    EXPECT_FALSE(box->HorzScrollBar()->IsScrollBarVisible());
    auto* child = Make<TPanel>(0, 500, 50, 50, box);
    box->ScrollInView(child);
    EXPECT_EQ(box->VertScrollBar()->Position(), 0);
    box->VertScrollBar()->SetRange(1000);
    box->ScrollInView(child);
    EXPECT_EQ(child->Top() + child->Height(), box->ClientHeight());
}

} // namespace
