// A schedule table and a notebook drawn the way a user sees them. With VANTREL_SCREENSHOT set to
// a file name stem, the pictures are saved as <stem>-table.png and <stem>-notebook.png (run on a
// real X server with QT_QPA_PLATFORM=xcb to look at them).
#include "TableSupport.h"

#include "controls/table/Notebook.h"
#include "platform/gui/QtPaint.h"

#include <QImage>

#include <cstdlib>

namespace {

using ScreenshotTest = TableFormTest;

void Save(const QImage& picture, const char* suffix) {
    if (const char* stem = std::getenv("VANTREL_SCREENSHOT")) {
        ASSERT_TRUE(picture.save(QString::fromLocal8Bit(stem) + suffix, "PNG"));
    }
}

TEST_F(ScreenshotTest, ScheduleTable) {
    Configure(1561, 6);
    form->SetBounds(10, 10, 520, 320);
    table->SetBounds(8, 8, 500, 260);
    heading->SetShowLetters(false);
    heading->Headings()->SetCommaText("No.,Payee,Payment,Date,Note,Balance");
    heading->SetAdjust(otaCenter);
    table->GridPenSet()->NormalGrid()->SetEffect(ge3D);
    number->SetAdjust(otaCenterRight);
    date->SetDataType(pftDate);
    date->SetPictureMask("mm/dd/YY");
    for (LongInt r = 1; r < 20; ++r) {
        NumberAt(r, 2) = 1234.5 * static_cast<double>(r);
        DateAt(r, 3) = DMYToDate(1, static_cast<int>((r - 1) % 12 + 1), 2001, 1950);
    }
    Show();
    Press(Qt::Key_Down);
    Press(Qt::Key_Down, Qt::ShiftModifier);
    Press(Qt::Key_Right, Qt::ShiftModifier);
    const QImage picture = WidgetOf(table)->grab().toImage();
    // The heading row keeps the locked colour; the selected cell the selection colour.
    const TRect headingRect = table->CellRect(0, 1);
    const int frame = table->Impl()->FrameWidth();
    EXPECT_EQ(picture.pixelColor(headingRect.Left + 3 + frame, headingRect.Top + 3 + frame),
              TColorToQColor(clBtnFace));
    const TRect selected = table->CellRect(2, 1);
    EXPECT_EQ(picture.pixelColor(selected.Left + 3 + frame, selected.Top + 3 + frame),
              TColorToQColor(clHighlight));
    Save(WidgetOf(form.get())->grab().toImage(), "-table.png");
}

TEST_F(ScreenshotTest, ChartNotebook) {
    auto* book = Make<TVcNotebook>("Book", 8, 8);
    form->SetBounds(10, 10, 620, 300);
    book->SetBounds(8, 8, 600, 260);
    TStringList captions;
    captions.SetCommaText("&Balance,&Payments,&Interest,&Totals,&Rates");
    book->SetPages(&captions);
    book->SetTabHeight(18);
    book->SetTabWidth(140);
    book->SetStyle(bsAutoDetect);
    book->Page(3)->SetPageEnabled(false);
    ShowForm();
    book->SetPageIndex(1);
    Application->ProcessMessages();
    const QImage picture = WidgetOf(book)->grab().toImage();
    ASSERT_EQ(book->Rows(), 2);
    // Inside the active tab: the notebook's colour.
    const TRect tab = book->Page(1)->TabRect();
    EXPECT_EQ(picture.pixelColor(tab.Left + 6, tab.Top + 4), TColorToQColor(clBtnFace));
    Save(picture, "-notebook.png");
    book->Font()->SetName("Arial");
    book->ActiveTabFont()->SetName("Arial");
    book->SetTabOrientation(toRight);
    book->SetTabWidth(80);
    book->SetStyle(bsWin31);
    Application->ProcessMessages();
    ASSERT_EQ(book->Rows(), 2); // 5 x 80 does not fit down 259 pixels
    Save(WidgetOf(book)->grab().toImage(), "-notebook-right.png");
}

} // namespace
