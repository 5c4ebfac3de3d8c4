// The notebook: tab layout, page changes, keys, accelerators, clicks and the drawn strokes.
#include "controls/table/VcNbk.h"

#include "../entry/EntryFormSupport.h"
#include "controls/entry/VcExcept.h"
#include "platform/gui/RecordingCanvas.h"

#include <algorithm>

namespace {

class VcNotebookTest : public EntryFormTest {
protected:
    void SetUp() override {
        EntryFormTest::SetUp();
        book = Make<TVcNotebook>("Book", 10, 10);
    }
    void SetCaptions(std::initializer_list<const char*> captions) {
        TStringList list;
        for (const char* c : captions)
            list.Add(c);
        book->SetPages(&list);
    }
    std::vector<std::string> Draw(TVcNotebook* nb) {
        TRecordingCanvas canvas(nb->Width(), nb->Height());
        nb->PaintTabs(&canvas);
        return canvas.Log();
    }
    static bool Has(const std::vector<std::string>& log, const std::string& call) {
        return std::find(log.begin(), log.end(), call) != log.end();
    }
    TVcNotebook* book = nullptr;
};

TEST_F(VcNotebookTest, FivePagesWrapIntoThreeRowsOnANarrowNotebook) {
    SetCaptions({"A", "B", "C", "D", "E"});
    book->SetBounds(10, 10, 200, 185);
    book->ComputeLayout();
    EXPECT_EQ(book->Rows(), 3);
    EXPECT_EQ(book->TabsPerRow(), 2);
    EXPECT_EQ(book->Page(4)->Row(), 2);
    book->SetTabRowCount(1);
    book->ComputeLayout();
    EXPECT_EQ(book->TabWidth(), 39); // 5 tabs squeezed into 199
}

TEST_F(VcNotebookTest, InvalidPagesAreRefused) {
    EXPECT_EQ(book->PageCount(), 3);
    EXPECT_EQ(book->Pages()->Strings(0), "&First");
    EXPECT_THROW(book->SetPageIndex(7), EInvalidPageIndex);
    book->Page(1)->SetPageEnabled(false);
    EXPECT_THROW(book->SetPageIndex(1), EInvalidPageIndex);
    EXPECT_EQ(book->PageIndex(), 0);
    book->SetPageIndex(2);
    EXPECT_EQ(book->ActivePageName(), "&Third");
    EXPECT_TRUE(book->Page(2)->Visible());
    EXPECT_FALSE(book->Page(0)->Visible());
}

TEST_F(VcNotebookTest, NoPagesAndTinySizesDivideByNothing) {
    book->Pages()->Clear();
    EXPECT_EQ(book->PageIndex(), -1);
    book->SetBounds(0, 0, 3, 3);
    book->ComputeLayout();
    book->SetAlign(alClient);
    ShowForm();
    EXPECT_GE(book->TabWidth(), 1);
    const std::vector<std::string> log = Draw(book);
    EXPECT_EQ(log.size(), 1u); // the background only
    SetCaptions({"One"});
    book->SetTabRowCount(3);
    book->SetBounds(0, 0, 2, 2);
    book->ComputeLayout();
    EXPECT_GE(book->TabWidth(), 1);
}

TEST_F(VcNotebookTest, ClicksKeysAndAcceleratorsSwitchPages) {
    book->SetBounds(10, 10, 300, 185);
    std::vector<int> clicks;
    book->OnTabClick = [&](TObject*, int i) { clicks.push_back(i); };
    ShowForm();
    book->SetFocus();
    Application->ProcessMessages();
    Draw(book);
    const TRect tab = book->Page(1)->TabRect();
    QTest::mouseClick(WidgetOf(book), Qt::LeftButton, Qt::NoModifier,
                      QPoint(tab.Left + 10, tab.Top + 5));
    Application->ProcessMessages();
    EXPECT_EQ(book->PageIndex(), 1);
    Key(book, Qt::Key_Right);
    EXPECT_EQ(book->PageIndex(), 2);
    Key(book, Qt::Key_Right); // wraps round
    EXPECT_EQ(book->PageIndex(), 0);
    Key(book, Qt::Key_End);
    EXPECT_EQ(book->PageIndex(), 2);
    Key(book, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(book->PageIndex(), 2);
    QTest::keyClick(WidgetOf(book), Qt::Key_S, Qt::AltModifier);
    Application->ProcessMessages();
    EXPECT_EQ(book->PageIndex(), 1);
    EXPECT_EQ(clicks, (std::vector<int>{1, 1}));
    // A tab that is no longer drawn takes no click.
    book->Page(0)->SetTabVisible(false);
    EXPECT_EQ(book->Page(0)->TabRect().Width(), 0);
    QTest::mouseClick(WidgetOf(book), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    Application->ProcessMessages();
    EXPECT_NE(book->PageIndex(), 0);
}

TEST_F(VcNotebookTest, ConservedPagesGiveUpTheirWindows) {
    book->SetConserveResources(true);
    ShowForm();
    book->Page(1)->HandleNeeded();
    book->SetPageIndex(1);
    book->SetPageIndex(2);
    EXPECT_FALSE(book->Page(1)->HandleAllocated());
    EXPECT_TRUE(book->Page(2)->HandleAllocated());
}

TEST_F(VcNotebookTest, DraggedTabWidthStaysWithinTheNotebook) {
    book->SetBounds(10, 10, 200, 185);
    book->ComputeLayout();
    ASSERT_EQ(book->TabsPerRow(), 3);
    book->DragWidthTo(30);
    EXPECT_EQ(book->TabWidth(), 20);
    book->DragWidthTo(250);
    EXPECT_EQ(book->TabWidth(), 66);
    book->DragIndentTo(100);
    EXPECT_EQ(book->TabIndent(), 66 - 22);
}

TEST_F(VcNotebookTest, TopTabsInTheNewerLook) {
    book->SetBounds(0, 0, 220, 100);
    book->SetStyle(bsNew);
    const std::vector<std::string> log = Draw(book);
    // The active first tab (cell 0,0 - 65,20) and its opening into the page frame.
    EXPECT_TRUE(Has(log, "Polygon(0,19,0,2,2,0,61,0,63,2,63,19)"));
    EXPECT_TRUE(Has(log, "Polyline(0,20,0,20,0,99)"));
    EXPECT_TRUE(Has(log, "Polyline(0,99,194,99,194,19)"));
    // Corners of the only row are in the parent's colour; everything past the row too.
    EXPECT_TRUE(Has(log, "Polygon(65,0,63,0,65,2)"));
    EXPECT_TRUE(Has(log, "Rectangle(195,0,221,101)"));
}

TEST_F(VcNotebookTest, TopTabsInTheOlderLookWithCards) {
    SetCaptions({"A", "B", "C", "D", "E"});
    book->SetBounds(0, 0, 200, 185);
    book->SetStyle(bsWin31);
    const std::vector<std::string> log = Draw(book);
    // Three rows: the farthest first (indented by two steps), the active row last at y 40.
    EXPECT_TRUE(Has(log, "Polygon(16,19,16,4,20,0,77,0,80,4,80,19)"));
    EXPECT_TRUE(Has(log, "Polygon(0,59,0,44,4,40,61,40,64,44,64,59)"));
    // The row end of the first row drawn (X = 16 + 130, Y = 20, Z = 185 - 40).
    EXPECT_TRUE(Has(log, "Polyline(146,20,146,145,138,145)"));
}

TEST_F(VcNotebookTest, RightTabsInBothLooks) {
    book->SetBounds(0, 0, 220, 240);
    book->Font()->SetName("Arial");
    book->SetTabOrientation(toRight);
    book->SetStyle(bsNew);
    std::vector<std::string> log = Draw(book);
    // The active tab's cell: (219 - 20, 0, 219, 65).
    EXPECT_TRUE(Has(log, "Polygon(200,0,217,0,218,2,218,62,217,64,200,64)"));
    book->SetStyle(bsWin31);
    log = Draw(book);
    EXPECT_TRUE(Has(log, "Polyline(199,0,215,0,219,4,219,61,215,65,198,65)"));
    EXPECT_THROW(
        {
            book->SetTabOrientation(toTop);
            book->Font()->SetName("MS Sans Serif");
            book->SetTabOrientation(toRight);
        },
        EInvalidTabFont);
    EXPECT_EQ(book->TabOrientation(), toTop);
}

TEST_F(VcNotebookTest, RightTabCaptionsTakeOutTheFirstAmpersand) {
    SetCaptions({"A&&B", "&Go", ""});
    book->SetBounds(0, 0, 220, 240);
    book->Font()->SetName("Arial");
    book->SetTabOrientation(toRight);
    const std::vector<std::string> log = Draw(book);
    const auto texts = [&](const std::string& text) {
        return std::count_if(log.begin(), log.end(), [&](const std::string& call) {
            return call.rfind("TextOut(", 0) == 0 &&
                   call.find("\"" + text + "\"") != std::string::npos;
        });
    };
    EXPECT_EQ(texts("A&B"), 1);
    EXPECT_EQ(texts("Go"), 1);
    EXPECT_GE(texts(" "), 1);
    // Only "Go" is underlined: one short line along the caption besides the tab strokes.
    const auto underline = std::count_if(log.begin(), log.end(), [](const std::string& call) {
        return call.rfind("Polyline(", 0) == 0 && std::count(call.begin(), call.end(), ',') == 3;
    });
    EXPECT_GE(underline, 1);
}

} // namespace

namespace {

using VcNotebookPagesTest = VcNotebookTest;

TEST_F(VcNotebookPagesTest, AssignedCaptionsKeepMatchingPagesInTheirNewOrder) {
    TVcNotebookPage* second = book->Page(1);
    SetCaptions({"&third", "&SECOND", "New"});
    ASSERT_EQ(book->PageCount(), 3);
    EXPECT_EQ(book->Page(1), second);
    EXPECT_EQ(book->Page(2)->Caption(), "New");
    EXPECT_EQ(book->PageIndex(), 0);
    book->SetActivePageName("New");
    EXPECT_EQ(book->PageIndex(), 2);
    book->SetActivePageName("Missing");
    EXPECT_EQ(book->PageIndex(), 2);
    book->Pages()->Delete(2);
    EXPECT_EQ(book->PageIndex(), 0);
    EXPECT_THROW(book->Pages()->Delete(9), EStringListError);
}

TEST_F(VcNotebookPagesTest, ChangesCanBeRefusedAndEchoThePage) {
    book->SetEchoPageHint(true);
    book->Page(2)->SetHint("third page");
    std::vector<int> changed;
    book->OnPageChange = [](TObject*, int index, bool& allow) { allow = index != 1; };
    book->OnPageChanged = [&](TObject*, int index) { changed.push_back(index); };
    book->SetPageIndex(1);
    EXPECT_EQ(book->PageIndex(), 0);
    book->SetPageIndex(2);
    EXPECT_EQ(book->Hint(), "third page");
    EXPECT_EQ(changed, (std::vector<int>{2}));
    book->SetTabIndent(40); // more than half of 65
    EXPECT_EQ(book->TabIndent(), 8);
    book->SetTabIndent(32);
    EXPECT_EQ(book->TabIndent(), 32);
}

TEST_F(VcNotebookPagesTest, UpMovesOneTabRowBack) {
    SetCaptions({"A", "B", "C", "D", "E"});
    book->SetBounds(10, 10, 200, 185);
    ShowForm();
    book->SetPageIndex(4);
    book->SetFocus();
    Key(book, Qt::Key_Up);
    EXPECT_EQ(book->PageIndex(), 2);
    Key(book, Qt::Key_Up);
    EXPECT_EQ(book->PageIndex(), 0);
    Key(book, Qt::Key_Up); // from the first row to the same place in the last
    EXPECT_EQ(book->PageIndex(), 4);
    Key(book, Qt::Key_Home);
    EXPECT_EQ(book->PageIndex(), 0);
    Key(book, Qt::Key_Left); // wraps to the last page
    EXPECT_EQ(book->PageIndex(), 4);
}

TEST_F(VcNotebookPagesTest, CornersShowTheCardsBehindOnlyWithAnIndent) {
    SetCaptions({"A", "B", "C", "D"});
    book->SetBounds(0, 0, 140, 120);
    book->SetStyle(bsNew);
    form->SetColor(clTeal); // the parent's colour, told apart from the notebook's
    book->SetColor(clBtnFace);
    TRecordingCanvas canvas(140, 120);
    book->PaintTabs(&canvas);
    ASSERT_EQ(book->Rows(), 2);
    const auto brushOf = [&](const std::string& text) {
        for (const TRecordingCanvas::TCall& call : canvas.Calls())
            if (call.ToString() == text) return call.BrushColor;
        return clNone;
    };
    // The active row is drawn second, at y 20 without indent: the trailing corner of its last
    // tab (x' = 65 + 65) shows the card behind, its first leading corner the parent.
    EXPECT_EQ(brushOf("Polygon(130,20,128,20,130,22)"), book->Color());
    EXPECT_EQ(brushOf("Polygon(0,20,1,20,0,21)"), form->Color());
    // The first row drawn shows the parent at every corner.
    EXPECT_EQ(brushOf("Polygon(138,0,136,0,138,2)"), form->Color());
    book->SetTabIndent(0);
    canvas.ClearCalls();
    book->PaintTabs(&canvas);
    EXPECT_EQ(brushOf("Polygon(130,20,128,20,130,22)"), form->Color());
}

TEST_F(VcNotebookPagesTest, ASingleRowHasNoRowEnd) {
    book->SetBounds(0, 0, 300, 100);
    TRecordingCanvas canvas(300, 100);
    book->PaintTabs(&canvas);
    ASSERT_EQ(book->Rows(), 1);
    int parentFills = 0;
    for (const TRecordingCanvas::TCall& call : canvas.Calls())
        if (call.Name == "Rectangle") ++parentFills;
    // The active tab's opening and the background past the row: nothing for a row end.
    EXPECT_EQ(parentFills, 2);
}

} // namespace

namespace {

using VcNotebookDesignTest = VcNotebookTest;

TEST_F(VcNotebookDesignTest, EdgesAreDraggedWhileDesigning) {
    book->SetBounds(10, 10, 300, 185);
    ShowForm();
    book->SetDesigning(true, true);
    Draw(book);
    // The far end of the only row: 3 x 65.
    QTest::mouseMove(WidgetOf(book), QPoint(196, 5));
    Application->ProcessMessages();
    EXPECT_EQ(book->Cursor(), crHSplit);
    QTest::mousePress(WidgetOf(book), Qt::LeftButton, Qt::NoModifier, QPoint(196, 5));
    QTest::mouseMove(WidgetOf(book), QPoint(241, 5));
    QTest::mouseRelease(WidgetOf(book), Qt::LeftButton, Qt::NoModifier, QPoint(241, 5));
    Application->ProcessMessages();
    EXPECT_EQ(book->TabWidth(), 80);
    EXPECT_EQ(book->PageIndex(), 0);
    book->SetDesigning(false, true);
}

} // namespace
