// The notebook: tab layout, page changes, keys, accelerators, clicks and the drawn strokes.
#include "controls/table/Notebook.h"

#include "../entry/EntryFormSupport.h"
#include "controls/entry/EntryExceptions.h"
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
    const int width = book->TabWidth();
    book->DragWidthTo(100); // no tabs in a row to share the width
    EXPECT_EQ(book->TabWidth(), width);
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

TEST_F(VcNotebookTest, AClickedTabFocusesItsPagesFirstControl) {
    book->SetBounds(10, 10, 300, 185);
    auto* edit = new TEdit(form.get());
    edit->SetParent(book->Page(1));
    edit->SetBounds(5, 5, 80, 20);
    int entered = 0;
    book->AfterEnter = [&](TObject*) { ++entered; };
    ShowForm();
    book->SetFocus();
    Application->ProcessMessages();
    DispatchPostedMessages();
    EXPECT_EQ(entered, 1) << "the notebook tells it took the focus";
    EXPECT_EQ(form->ActiveControl(), book);
    Draw(book);
    const TRect tab = book->Page(1)->TabRect();
    QTest::mouseClick(WidgetOf(book), Qt::LeftButton, Qt::NoModifier,
                      QPoint(tab.Left + 10, tab.Top + 5));
    Application->ProcessMessages();
    ASSERT_EQ(book->PageIndex(), 1);
    EXPECT_TRUE(edit->Focused());
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
    // Only an ampersand before a letter underlines it: one short line more than plain captions.
    const auto lines = [&](std::initializer_list<const char*> captions) {
        SetCaptions(captions);
        const std::vector<std::string> drawn = Draw(book);
        return std::count_if(drawn.begin(), drawn.end(), [](const std::string& call) {
            return call.rfind("Polyline(", 0) == 0 && std::count(call.begin(), call.end(), ',') == 3;
        });
    };
    const auto plain = lines({"Go", "AB"});
    EXPECT_EQ(lines({"&Go", "AB"}), plain + 1);
    EXPECT_EQ(lines({"G&o", "AB"}), plain + 1);
    EXPECT_EQ(lines({"Go&", "A&&B"}), plain) << "a closing ampersand marks nothing";
}

TEST_F(VcNotebookTest, ShadowedRightCaptionsAreWrittenAgainAPixelInAndTwoUp) {
    SetCaptions({"&Go", "Stop"});
    book->SetBounds(0, 0, 220, 240);
    book->Font()->SetName("Arial");
    book->SetTabOrientation(toRight);
    book->SetShadowedText(true);
    TRecordingCanvas canvas(book->Width(), book->Height());
    book->PaintTabs(&canvas);
    std::vector<std::vector<int>> places;
    for (const TRecordingCanvas::TCall& call : canvas.Calls())
        if (call.Name == "TextOut" && call.Text == "Go") places.push_back(call.Args);
    ASSERT_EQ(places.size(), 2u) << "the shadow, then the caption over it";
    EXPECT_EQ(places[1][0], places[0][0] - 1);
    EXPECT_EQ(places[1][1], places[0][1] - 2);
}

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

TEST_F(VcNotebookPagesTest, ExchangedPagesKeepTheActivePage) {
    book->Pages()->Exchange(0, 2);
    EXPECT_EQ(book->Pages()->Strings(0), "&Third");
    EXPECT_EQ(book->Pages()->Strings(2), "&First");
    EXPECT_EQ(book->PageIndex(), 2);
    EXPECT_EQ(book->ActivePageName(), "&First");
    book->Pages()->Exchange(1, 2);
    EXPECT_EQ(book->PageIndex(), 1);
    EXPECT_EQ(book->ActivePageName(), "&First");
    EXPECT_THROW(book->Pages()->Exchange(0, 3), EStringListError);
}

TEST_F(VcNotebookPagesTest, ARenamedPageShowsItsNewCaption) {
    book->SetBounds(10, 10, 300, 200);
    ShowForm();
    const auto settled = [&] {
        for (int i = 0; i < 4; ++i) {
            Application->ProcessMessages();
            DispatchPostedMessages();
        }
        return book->Impl()->Buffer().copy();
    };
    const QImage before = settled();
    book->SetPageName("Renamed");
    EXPECT_EQ(book->Pages()->Strings(0), "Renamed");
    const QImage shown = settled();
    EXPECT_FALSE(shown == before);
    book->Invalidate();
    EXPECT_TRUE(shown == settled()) << "the tab shows what a full repaint shows";
}

TEST_F(VcNotebookPagesTest, TabSettingsAreKept) {
    book->SetShadowedText(true);
    EXPECT_TRUE(book->ShadowedText());
    book->SetShadowedText(false);
    EXPECT_FALSE(book->ShadowedText());
    book->Page(1)->SetTabTextColor(clMaroon);
    EXPECT_EQ(book->Page(1)->TabTextColor(), clMaroon);
    book->SetBounds(0, 0, 300, 100);
    TRecordingCanvas canvas(300, 100);
    book->PaintTabs(&canvas);
    bool maroon = false;
    for (const TRecordingCanvas::TCall& call : canvas.Calls())
        maroon = maroon || (call.Name == "DrawText" && call.Text == "&Second" &&
                            call.FontColor == static_cast<TColor>(ColorToRGB(clMaroon)));
    EXPECT_TRUE(maroon) << "the second tab's caption is written in its colour";
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

using VcNotebookDesignTest = VcNotebookTest;

TEST_F(VcNotebookDesignTest, AutomaticTabsTakeTheTallerFontAndFourPixelsWhileDesigning) {
    book->SetBounds(10, 10, 300, 185);
    book->Font()->SetSize(20);
    book->ActiveTabFont()->SetSize(12);
    const auto height = [](TFont* font) {
        TRecordingCanvas canvas(10, 10);
        canvas.Font()->Assign(font);
        return canvas.TextHeight("Xg");
    };
    ASSERT_GT(height(book->Font()), height(book->ActiveTabFont()));
    book->SetDesigning(true, true);
    book->ComputeLayout();
    EXPECT_EQ(book->TabHeight(), height(book->Font()) + 4);
    book->ActiveTabFont()->SetSize(30);
    book->ComputeLayout();
    EXPECT_EQ(book->TabHeight(), height(book->ActiveTabFont()) + 4);
    book->SetDesigning(false, true);
}

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
    EXPECT_EQ(GetCapture(), book->Handle()) << "the drag keeps the mouse";
    QTest::mouseMove(WidgetOf(book), QPoint(241, 5));
    QTest::mouseRelease(WidgetOf(book), Qt::LeftButton, Qt::NoModifier, QPoint(241, 5));
    Application->ProcessMessages();
    EXPECT_EQ(book->TabWidth(), 80);
    EXPECT_EQ(book->PageIndex(), 0);
    book->SetDesigning(false, true);
}

// Every stroke of a notebook with pages A, B and C on two rows of two places, the first page
// active: the row of C (with an empty place) drawn first as the card behind, indented by 8,
// then the active row next to the page. Each call is followed by its colour: H highlight,
// S shadow, K black, C the notebook's colour, P the parent's colour (pen for lines, brush for
// shapes, text colour for captions).
class VcNotebookStrokesTest : public VcNotebookTest {
protected:
    void Arrange(TTabOrientation Orientation, TButtonStyle Style) {
        SetCaptions({"A", "B", "C"});
        form->SetColor(clTeal);
        book->SetColor(clBtnFace);
        if (Orientation == toRight) {
            book->Font()->SetName("Arial");
            book->SetTabOrientation(toRight);
            book->SetBounds(0, 0, 130, 160);
        } else {
            book->SetBounds(0, 0, 160, 130);
        }
        book->SetStyle(Style);
        book->ComputeLayout();
        ASSERT_EQ(book->Rows(), 2);
        ASSERT_EQ(book->TabWidth(), 65);
        ASSERT_EQ(book->TabHeight(), 20);
        ASSERT_EQ(book->TabIndent(), 8);
    }
    std::vector<std::string> Strokes() {
        TRecordingCanvas canvas(book->Width(), book->Height());
        book->PaintTabs(&canvas);
        std::vector<std::string> out;
        for (const TRecordingCanvas::TCall& call : canvas.Calls()) {
            TColor colour = clNone;
            if (call.Name == "Polyline") colour = call.PenColor;
            if (call.Name == "Polygon" || call.Name == "Rectangle") colour = call.BrushColor;
            if (call.Name == "DrawText" || call.Name == "TextOut") colour = call.FontColor;
            out.push_back(call.ToString() + (colour == clNone ? "" : " " + Letter(colour)));
        }
        return out;
    }
    std::string Letter(TColor Colour) const {
        const COLORREF rgb = ColorToRGB(Colour);
        if (rgb == ColorToRGB(clBtnHighlight)) return "H";
        if (rgb == ColorToRGB(clBtnShadow)) return "S";
        if (rgb == 0) return "K";
        if (rgb == ColorToRGB(book->Color())) return "C";
        if (rgb == ColorToRGB(form->Color())) return "P";
        return std::to_string(Colour);
    }
};

TEST_F(VcNotebookStrokesTest, TopTabsInTheNewerLook) {
    Arrange(toTop, bsNew);
    EXPECT_EQ(Strokes(), (std::vector<std::string>{
        "Polygon(8,19,8,2,10,0,69,0,71,2,71,19) C",
        "Polyline(8,19,8,2,10,0,71,0) H",
        "Polyline(71,1,72,2,72,20) K",
        "Polyline(71,2,71,20) S",
        "DrawText(12,4,69,20,33,\"C\") K",
        "Polygon(8,0,9,0,8,1) P",
        "Polygon(73,0,71,0,73,2) P",
        "Polygon(73,19,73,2,75,0,134,0,136,2,136,19) C",
        "Polyline(73,19,73,2,75,0,136,0) H",
        "Polyline(136,1,137,2,137,20) K",
        "Polyline(136,2,136,20) S",
        "DrawText(77,4,134,20,33,\" \") H",
        "DrawText(75,3,132,19,33,\" \") S",
        "Polygon(73,0,74,0,73,1) P",
        "Polygon(138,0,136,0,138,2) P",
        "Rectangle(130,20,136,109) C",
        "Polyline(136,20,136,109,129,109) S",
        "Polyline(137,20,137,110,129,110) K",
        "Rectangle(0,0,8,20) P",
        "Rectangle(138,0,161,131) P",
        "Polygon(0,39,0,22,2,20,61,20,63,22,63,39) C",
        "Polyline(0,39,0,22,2,20,63,20) H",
        "Polyline(63,21,64,22,64,40) K",
        "Polyline(63,22,63,40) S",
        "Rectangle(0,40,65,41) C",
        "Polyline(0,40,0,40,0,129) H",
        "Polyline(64,40,128,40) H",
        "Polyline(0,129,129,129,129,39) K",
        "Polyline(1,128,128,128,128,39) S",
        "DrawText(4,25,61,40,33,\"A\") K",
        "Polygon(0,20,1,20,0,21) P",
        "Polygon(65,20,63,20,65,22) C",
        "Polygon(65,39,65,22,67,20,126,20,128,22,128,39) C",
        "Polyline(65,39,65,22,67,20,128,20) H",
        "Polyline(128,21,129,22,129,40) K",
        "Polyline(128,22,128,40) S",
        "DrawText(69,24,126,40,33,\"B\") K",
        "Polygon(65,20,66,20,65,21) C",
        "Polygon(130,20,128,20,130,22) C",
        "Rectangle(130,111,140,130) P"}));
}

TEST_F(VcNotebookStrokesTest, TopTabsInTheOlderLook) {
    Arrange(toTop, bsWin31);
    EXPECT_EQ(Strokes(), (std::vector<std::string>{
        "Polygon(8,19,8,4,12,0,69,0,72,4,72,19) C",
        "Polyline(8,19,8,4,12,0,69,0,73,4,73,20) K",
        "Polyline(9,19,9,4,12,1,70,1) H",
        "Polyline(69,1,72,4,72,20) S",
        "DrawText(12,4,69,20,33,\"C\") K",
        "Polygon(8,0,11,0,8,3) P",
        "Polygon(73,0,70,0,73,3) P",
        "Polygon(73,19,73,4,77,0,134,0,137,4,137,19) C",
        "Polyline(73,19,73,4,77,0,134,0,138,4,138,20) K",
        "Polyline(74,19,74,4,77,1,135,1) H",
        "Polyline(134,1,137,4,137,20) S",
        "DrawText(77,4,134,20,33,\" \") H",
        "DrawText(75,3,132,19,33,\" \") S",
        "Polygon(73,0,76,0,73,3) P",
        "Polygon(138,0,135,0,138,3) P",
        "Rectangle(131,20,137,109) C",
        "Polyline(137,20,137,109,130,109) S",
        "Polyline(138,20,138,110,130,110) K",
        "Rectangle(0,0,8,20) P",
        "Rectangle(139,0,160,130) P",
        "Polygon(0,39,0,24,4,20,61,20,64,24,64,39) C",
        "Polyline(0,39,0,24,4,20,61,20,65,24,65,40) K",
        "Polyline(1,39,1,24,4,21,62,21) H",
        "Polyline(2,39,2,24,4,22,61,22) H",
        "Polyline(61,21,64,24,64,40) S",
        "Polyline(61,22,63,24,63,40) S",
        "Polyline(0,40,65,40) C",
        "Polyline(0,41,65,41) C",
        "Polyline(0,42,65,42) C",
        "Polyline(1,40,1,41,1,41,1,129) H",
        "Polyline(2,40,2,42,2,42,2,128) H",
        "Polyline(65,41,130,41) H",
        "Polyline(64,42,129,42) H",
        "Polyline(2,128,129,128,129,41) S",
        "Polyline(64,41,64,39) S",
        "Polyline(3,127,128,127,128,42) S",
        "Polyline(63,42,63,39) S",
        "Polyline(0,40,0,40,0,129,130,129,130,40,64,40) K",
        "DrawText(4,25,61,40,33,\"A\") K",
        "Polygon(0,20,3,20,0,23) P",
        "Polygon(65,20,62,20,65,23) C",
        "Polygon(65,39,65,24,69,20,126,20,129,24,129,39) C",
        "Polyline(65,39,65,24,69,20,126,20,130,24,130,40) K",
        "Polyline(66,39,66,24,69,21,127,21) H",
        "Polyline(126,21,129,24,129,40) S",
        "DrawText(69,24,126,40,33,\"B\") K",
        "Polygon(65,20,68,20,65,23) C",
        "Polygon(130,20,127,20,130,23) C",
        "Rectangle(131,111,139,130) P"}));
}

TEST_F(VcNotebookStrokesTest, RightTabsInTheNewerLook) {
    Arrange(toRight, bsNew);
    EXPECT_EQ(Strokes(), (std::vector<std::string>{
        "Polygon(110,8,127,8,128,10,128,70,127,72,110,72) C",
        "Polyline(110,8,127,8,129,10) H",
        "Polyline(129,10,129,71,128,71,127,72,109,72) K",
        "Polyline(128,10,128,70,127,71,109,71) S",
        "TextOut(125,36,\"C\") K",
        "Polygon(129,8,128,8,129,9) P",
        "Polygon(129,73,129,71,127,73) P",
        "Polygon(110,73,127,73,128,75,128,135,127,137,110,137) C",
        "Polyline(110,73,127,73,129,75) H",
        "Polyline(129,75,129,136,128,136,127,137,109,137) K",
        "Polyline(128,75,128,135,127,136,109,136) S",
        "TextOut(126,104,\" \") H",
        "TextOut(125,102,\" \") S",
        "Polygon(129,73,128,73,129,74) P",
        "Polygon(129,138,129,136,127,138) P",
        "Rectangle(22,130,110,136) C",
        "Polyline(109,137,20,137,20,129) K",
        "Polyline(109,136,21,136) S",
        "Polyline(21,136,21,129) H",
        "Rectangle(110,0,130,8) P",
        "Rectangle(0,138,130,160) P",
        "Polygon(90,0,107,0,108,2,108,62,107,64,90,64) C",
        "Polyline(90,0,107,0,109,2) H",
        "Polyline(109,2,109,63,108,63,107,64,89,64) K",
        "Polyline(108,2,108,62,107,63,89,63) S",
        "Rectangle(88,0,90,65) C",
        "SetPixels(89,0,-2147483633)",
        "Polyline(89,0,89,0) K",
        "Polyline(89,64,89,130) K",
        "Polyline(0,129,89,129) K",
        "SetPixels(89,0,-2147483633)",
        "Polyline(0,129,0,0,90,0) H",
        "Polyline(88,0,88,-1) S",
        "Polyline(88,65,88,129) S",
        "Polyline(1,128,90,128) S",
        "SetPixels(88,0,-2147483628)",
        "TextOut(105,29,\"A\") K",
        "Polygon(109,0,108,0,109,1) P",
        "Polygon(109,65,109,63,107,65) C",
        "Polygon(90,65,107,65,108,67,108,127,107,129,90,129) C",
        "Polyline(90,65,107,65,109,67) H",
        "Polyline(109,67,109,128,108,128,107,129,89,129) K",
        "Polyline(108,67,108,127,107,128,89,128) S",
        "TextOut(105,94,\"B\") K",
        "Polygon(109,65,108,65,109,66) C",
        "Polygon(109,130,109,128,107,130) C",
        "Rectangle(0,130,20,139) P"}));
}

TEST_F(VcNotebookStrokesTest, RightTabCaptionsAreWrittenOnTheNotebooksColour) {
    Arrange(toRight, bsNew);
    TRecordingCanvas canvas(book->Width(), book->Height());
    book->PaintTabs(&canvas);
    int captions = 0;
    for (const TRecordingCanvas::TCall& call : canvas.Calls())
        if (call.Name == "TextOut") {
            ++captions;
            EXPECT_EQ(call.BrushColor, book->Color()) << call.ToString();
        }
    EXPECT_EQ(captions, 5) << "A, B, C and the empty place's two";
}

TEST_F(VcNotebookStrokesTest, TheFocusRectangleSitsInsideTheActiveTab) {
    for (TTabOrientation orientation : {toTop, toRight}) {
        Arrange(orientation, bsNew);
        ShowForm();
        book->SetFocus();
        TRecordingCanvas canvas(book->Width(), book->Height());
        book->PaintTabs(&canvas);
        // Three pixels in along the row of tabs, four across it.
        const TRect tab = book->Page(0)->TabRect();
        TRecordingCanvas::TCall focus;
        focus.Name = "DrawFocusRect";
        focus.Args = orientation == toTop
                         ? std::vector<int>{tab.Left + 3, tab.Top + 4, tab.Right - 3, tab.Bottom - 4}
                         : std::vector<int>{tab.Left + 4, tab.Top + 3, tab.Right - 4, tab.Bottom - 3};
        const std::string expected = focus.ToString();
        EXPECT_TRUE(Has(canvas.Log(), expected)) << expected;
    }
}

TEST_F(VcNotebookStrokesTest, RightTabsInTheOlderLook) {
    Arrange(toRight, bsWin31);
    EXPECT_EQ(Strokes(), (std::vector<std::string>{
        "Polygon(110,9,125,9,128,12,128,69,125,72,110,72) C",
        "Polyline(109,8,125,8,129,12,129,69,125,73,108,73) K",
        "Polyline(110,9,126,9) H",
        "Polyline(124,9,125,9,128,12,128,69,125,72,109,72) S",
        "TextOut(125,36,\"C\") K",
        "Polygon(129,8,126,8,129,11) P",
        "Polygon(129,73,129,70,126,73) P",
        "Polygon(110,74,125,74,128,77,128,134,125,137,110,137) C",
        "Polyline(109,73,125,73,129,77,129,134,125,138,108,138) K",
        "Polyline(110,74,126,74) H",
        "Polyline(124,74,125,74,128,77,128,134,125,137,109,137) S",
        "TextOut(126,104,\" \") H",
        "TextOut(125,102,\" \") S",
        "Polygon(129,73,126,73,129,76) P",
        "Polygon(129,138,129,135,126,138) P",
        "Rectangle(22,131,110,137) C",
        "Polyline(109,138,20,138,20,130) K",
        "Polyline(109,137,21,137) S",
        "Polyline(21,137,21,130) H",
        "Rectangle(110,0,130,8) P",
        "Rectangle(0,139,130,160) P",
        "Polygon(90,1,105,1,108,4,108,61,105,64,90,64) C",
        "Polyline(89,0,105,0,109,4,109,61,105,65,88,65) K",
        "Polyline(90,1,106,1) H",
        "Polyline(88,2,106,2) H",
        "Polyline(104,1,105,1,108,4,108,61,105,64,89,64) S",
        "Polyline(105,2,107,4,107,61,105,63,89,63) S",
        "Rectangle(87,3,90,63) C",
        "Polyline(89,0,89,0,0,0,0,130,89,130,89,65) K",
        "Polyline(88,1,88,1) S",
        "Polyline(87,2,87,2) S",
        "Polyline(2,129,88,129,88,62) S",
        "Polyline(3,128,87,128,87,63) S",
        "SetPixels(87,63,-2147483632)",
        "Polyline(89,64,89,62) S",
        "Polyline(88,1,1,1,1,130) H",
        "Polyline(87,2,2,2,2,129) H",
        "SetPixels(89,1,-2147483628)",
        "TextOut(105,29,\"A\") K",
        "Polygon(109,0,106,0,109,3) P",
        "Polygon(109,65,109,62,106,65) C",
        "Polygon(90,66,105,66,108,69,108,126,105,129,90,129) C",
        "Polyline(89,65,105,65,109,69,109,126,105,130,88,130) K",
        "Polyline(90,66,106,66) H",
        "Polyline(104,66,105,66,108,69,108,126,105,129,89,129) S",
        "TextOut(105,94,\"B\") K",
        "Polygon(109,65,106,65,109,68) C",
        "Polygon(109,130,109,127,106,130) C",
        "Rectangle(0,131,20,139) P"}));
}

} // namespace
