// The dockable toolbar driven by real mouse input: dragging to each side and to floating, the
// double click, the saved place across a restart (with damaged values in the store), the dock
// areas' rows, and the floating bar's close box and edges.
#include "../gui/WindowInput.h"
#include "WidgetsTestSupport.h"

#include "widgets/DockableToolBar.h"
#include "widgets/FlatButton.h"

#include <memory>

namespace {

class TBarForm : public TForm {
    VANTREL_CLASS(TBarForm, TForm)

    TBarForm(const std::string& saveFile, int bars, int buttons) : TForm(nullptr) {
        SetBounds(40, 40, 620, 460);
        for (int k = 0; k < bars; ++k) {
            auto* bar = new TDToolBar(this);
            bar->SetName("DToolBar" + std::to_string(k + 1));
            bar->SetParent(this);
            bar->SetControlHeight(34);
            bar->Options()->SetSaveFile(saveFile);
            for (int i = 0; i < buttons; ++i) {
                auto* b = new TExplorerButton(this);
                b->SetParent(bar);
                b->SetBounds(6 + i * 40, 4, 34, 34);
            }
            Bars.push_back(bar);
        }
    }
    // Shows the form, then lets every bar take its place (as a stored form's loading would);
    // answers the form.
    TBarForm* Start(const std::function<void(TDToolBar*)>& before = {}) {
        Show();
        for (TDToolBar* bar : Bars) {
            if (before) before(bar);
            bar->Loaded();
        }
        Application->ProcessMessages();
        return this;
    }
    std::vector<TDToolBar*> Bars;
};

// The top-level windows shown while it lives, in the order they were shown.
class TShownWindows : public QObject {
public:
    TShownWindows() { qApp->installEventFilter(this); }
    ~TShownWindows() override { qApp->removeEventFilter(this); }
    std::vector<QWidget*> Windows;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (event->type() == QEvent::Show && widget && widget->isWindow())
            Windows.push_back(widget);
        return false;
    }
};

class DToolBarTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetKeyState();
        saveFile = std::string("TB_") +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".INI";
        ForgetSavedBars(saveFile);
    }
    void TearDown() override {
        form.reset();
        ForgetSavedBars(saveFile);
    }
    TBarForm* Make(int bars = 1, int buttons = 4) {
        form = std::make_unique<TBarForm>(saveFile, bars, buttons);
        return form.get();
    }
    TPoint ClientPoint(int x, int y) { return form->ClientToScreen({x, y}); }
    // The bar of a shown form that has one bar of four buttons.
    TDToolBar* StartedBar() { return Make()->Start()->Bars[0]; }
    void DoubleClick(TDToolBar* bar, const TPoint& local) {
        SendMouse(bar, QEvent::MouseButtonDblClick, bar->ClientToScreen(local), Qt::LeftButton,
                  Qt::LeftButton);
        Application->ProcessMessages();
    }
    // Leaves values in the bar's section of the store, as an earlier run would have.
    void Store(std::initializer_list<std::pair<const char*, int>> values) {
        TRegIniFile store(saveFile);
        for (const auto& [key, value] : values)
            store.WriteInteger("TBarForm.DToolBar1", key, value);
    }
    // Drags the bar from a point of its body to a screen point and lets go there.
    void DragBar(TDToolBar* bar, const TPoint& grab, const TPoint& to) {
        const TPoint from = bar->ClientToScreen(grab);
        PressAt(bar, from);
        MoveTo(bar, {from.X + 3, from.Y + 3});
        MoveTo(bar, to);
        ReleaseAt(bar, to);
        Application->ProcessMessages();
    }
    std::unique_ptr<TBarForm> form;
    std::string saveFile;
    TRecordedServices services;
};

TEST_F(DToolBarTest, FirstStartDocksAtTheTopWithNothingRead) {
    TDToolBar* bar = StartedBar();
    EXPECT_EQ(bar->FloatIndex(), -1);
    EXPECT_EQ(bar->DockStatus(), dsTop);
    ASSERT_NE(bar->DockArea(), nullptr);
    EXPECT_EQ(bar->Parent(), bar->DockArea());
    EXPECT_EQ(bar->DockArea()->Align(), alTop);
    // Four separate 34-pixel buttons: margin, each button with its gap, one pixel.
    EXPECT_EQ(bar->Width(), 6 + 4 * (34 - 1 + 6) + 1);
    EXPECT_EQ(bar->Height(), 42);
    EXPECT_EQ(bar->DockArea()->Height(), 42);
    EXPECT_EQ(bar->Controls(0)->Left(), 6);
    EXPECT_EQ(bar->Controls(1)->Left(), 6 + 34 - 1 + 6);
    EXPECT_EQ(bar->Controls(0)->Top(), 4);
}

TEST_F(DToolBarTest, ABarLoadedHiddenBeforeItsFormShowsTakesItsPlaceWhenShown) {
    TBarForm* f = Make();
    TDToolBar* bar = f->Bars[0];
    bar->Hide();
    bar->Loaded();
    f->Show();
    Application->ProcessMessages();
    EXPECT_EQ(bar->DockArea()->EntryCount(), 0);
    EXPECT_EQ(bar->DockArea()->Height(), 0);
    bar->Show();
    Application->ProcessMessages();
    EXPECT_TRUE(bar->Showing());
    EXPECT_EQ(bar->DockArea()->Height(), 42);
    EXPECT_EQ(bar->DockArea()->Width(), f->ClientWidth());
    EXPECT_EQ(bar->ClientToScreen({0, 0}), f->ClientToScreen({0, 0}));
}

TEST_F(DToolBarTest, TheOldLookFramesBarsAndAreas) {
    TBarForm* f = Make()->Start([](TDToolBar* bar) { bar->SetStyle(tsWin31); });
    TDToolBar* bar = f->Bars[0];
    EXPECT_FALSE(bar->NewLook());
    EXPECT_EQ(bar->BorderAdjust(), 1);
    EXPECT_EQ(bar->Width(), 6 + 4 * 39 + 1 + 2);
    EXPECT_EQ(bar->Height(), 42 + 2);
    EXPECT_EQ(bar->ClientWidth(), bar->Width() - 2);
    EXPECT_EQ(bar->DockArea()->BorderStyle(), bsSingle);
    bar->SetStyle(tsNew);
    EXPECT_EQ(bar->DockAreaOf(dsLeft)->BorderStyle(), bsNone);
    EXPECT_EQ(bar->BorderAdjust(), 2);
}

TEST_F(DToolBarTest, AtDesignTimeTheStatusIsAnAlignmentAndFloatingIsRefused) {
    TBarForm* f = Make();
    TDToolBar* bar = f->Bars[0];
    bar->SetDesigning(true, false);
    bar->SetDockStatus(dsLeft);
    EXPECT_EQ(bar->Align(), alLeft);
    bar->SetDockStatus(dsFloat);
    ASSERT_EQ(services.MessageBoxes.size(), 1u);
    EXPECT_EQ(services.MessageBoxes[0].Caption, "TDToolbar");
    EXPECT_EQ(bar->DockStatus(), dsLeft);
    EXPECT_EQ(bar->LastDockStatus(), dsLeft);
    bar->Loaded();
    EXPECT_EQ(bar->DockArea(), nullptr);
}

TEST_F(DToolBarTest, ShapesWrapFromOneRowToOneColumnAndKeepGroupsTogether) {
    TBarForm* f = Make(1, 0);
    TDToolBar* bar = f->Bars[0];
    // Two single buttons and a joined pair.
    for (int left : {6, 46, 86, 119}) {
        auto* b = new TExplorerButton(f);
        b->SetParent(bar);
        b->SetBounds(left, 4, 34, 34);
    }
    f->Start();
    ASSERT_EQ(bar->LayoutList().size(), 4u);
    EXPECT_FALSE(bar->LayoutList()[2].JoinedPrev);
    EXPECT_TRUE(bar->LayoutList()[3].JoinedPrev);
    const auto& shapes = bar->FloatShapes();
    ASSERT_GE(shapes.size(), 3u);
    // One row: margin + three groups; one column: every control in a row of its own, the
    // joined one without the space between rows.
    EXPECT_EQ(shapes.front().Width, 6 + (33 + 6) + (33 + 6) + (33 + 6) + 33 + 1);
    EXPECT_EQ(shapes.front().Height, 4 + 33 + 4);
    EXPECT_EQ(shapes.back().Width, 6 + 33 + 6 + 1);
    EXPECT_EQ(shapes.back().Height, 3 * (4 + 33) + 33 + 4);
    for (std::size_t i = 1; i < shapes.size(); ++i)
        EXPECT_FALSE(shapes[i] == shapes[i - 1]);
}

TEST_F(DToolBarTest, DraggingDocksOnEverySideAndFloats) {
    TBarForm* f = Make()->Start();
    TDToolBar* bar = f->Bars[0];
    std::vector<TDockStatus> previous;
    bar->OnChangeStatus = [&](TObject*, TDockStatus prev) { previous.push_back(prev); };

    DragBar(bar, {2, 20}, ClientPoint(1, 200));
    EXPECT_EQ(bar->DockStatus(), dsLeft);
    EXPECT_EQ(bar->Parent(), bar->DockAreaOf(dsLeft));
    EXPECT_EQ(bar->Width(), 34 + 2 * 6);
    EXPECT_EQ(bar->DockAreaOf(dsTop)->Height(), 0);
    EXPECT_EQ(bar->Controls(1)->Left(), bar->Controls(0)->Left());
    EXPECT_GT(bar->Controls(1)->Top(), bar->Controls(0)->Top());

    DragBar(bar, {20, 2}, ClientPoint(200, f->ClientHeight() - 1));
    EXPECT_EQ(bar->DockStatus(), dsBottom);
    EXPECT_EQ(bar->DockAreaOf(dsBottom)->Top() + bar->DockAreaOf(dsBottom)->Height(),
              f->ClientHeight());

    DragBar(bar, {2, 20}, ClientPoint(f->ClientWidth() - 1, 200));
    EXPECT_EQ(bar->DockStatus(), dsRight);
    EXPECT_EQ(bar->LastDockStatus(), dsRight);

    DragBar(bar, {20, 2}, ClientPoint(300, 220));
    EXPECT_EQ(bar->DockStatus(), dsFloat);
    EXPECT_EQ(bar->Parent(), f);
    EXPECT_TRUE(bar->PlacedOnScreen());
    EXPECT_EQ(bar->LastDockStatus(), dsRight);
    EXPECT_EQ(bar->ClientToScreen({0, 0}), bar->BoundsRect().TopLeft());

    DragBar(bar, {20, 8}, ClientPoint(300, 2));
    EXPECT_EQ(bar->DockStatus(), dsTop);
    EXPECT_EQ(previous, (std::vector<TDockStatus>{dsTop, dsLeft, dsBottom, dsRight, dsFloat}));
}

TEST_F(DToolBarTest, TheOutlineFollowsTheMouseInXorAndIsGoneAfterTheDrop) {
    TDToolBar* bar = StartedBar();
    const TPoint from = bar->ClientToScreen({2, 20});
    PressAt(bar, from);
    EXPECT_TRUE(TDToolBar::Dragging());
    EXPECT_TRUE(IsRectEmpty(TDToolBar::DragOutline()));
    const TPoint to = ClientPoint(300, 220);
    MoveTo(bar, to);
    const TRect outline = TDToolBar::DragOutline();
    const TSize floating = bar->FloatSize();
    EXPECT_EQ(outline.Width(), floating.cx);
    EXPECT_EQ(outline.Height(), floating.cy);
    EXPECT_TRUE(PtInRect(outline, to));
    const QImage overlay = ScreenOverlayImage();
    ASSERT_FALSE(overlay.isNull());
    bool drawn = false;
    for (int x = outline.Left; x < outline.Right && !drawn; ++x)
        drawn = qGray(overlay.pixel(x, outline.Top)) != 0;
    EXPECT_TRUE(drawn);
    ReleaseAt(bar, to);
    EXPECT_FALSE(TDToolBar::Dragging());
    EXPECT_TRUE(IsRectEmpty(TDToolBar::DragOutline()));
    const QImage after = ScreenOverlayImage();
    for (int x = outline.Left; x < outline.Right; ++x)
        ASSERT_EQ(qGray(after.pixel(x, outline.Top)), 0) << x;
    EXPECT_EQ(bar->BoundsRect(), outline);
}

TEST_F(DToolBarTest, AClickWithoutMovingChangesNothing) {
    TDToolBar* bar = StartedBar();
    const TPoint p = bar->ClientToScreen({2, 20});
    PressAt(bar, p);
    ReleaseAt(bar, p);
    EXPECT_EQ(bar->DockStatus(), dsTop);
    EXPECT_EQ(bar->Left(), 0);
}

TEST_F(DToolBarTest, DoubleClickTogglesFloatingAndTheLastSide) {
    TDToolBar* bar = StartedBar();
    DragBar(bar, {2, 20}, ClientPoint(1, 200));
    ASSERT_EQ(bar->DockStatus(), dsLeft);
    DoubleClick(bar, {20, 2});
    EXPECT_EQ(bar->DockStatus(), dsFloat);
    EXPECT_TRUE(bar->Visible());
    // Never floated before: the bar stands in the middle of the screen.
    EXPECT_EQ(bar->Left(), (Screen->Width() - bar->Width()) / 2);
    DoubleClick(bar, {20, 8});
    EXPECT_EQ(bar->DockStatus(), dsLeft);
    EXPECT_EQ(bar->Parent(), bar->DockAreaOf(dsLeft));
}

// A bar floated by a double click where nobody put it leaves its form's caption and menu bar
// free; a place the user dragged it to is kept, over the caption too.
TEST_F(DToolBarTest, ADoubleClickFloatsTheBarClearOfItsFormsCaptionAndMenuBar) {
    TBarForm* f = Make()->Start();
    TDToolBar* bar = f->Bars[0];
    // The caption runs across the middle of the screen, where a centred bar would stand.
    f->SetTop(Screen->Height() / 2 - 10);
    DoubleClick(bar, {20, 8});
    ASSERT_EQ(bar->DockStatus(), dsFloat);
    const TRect captionAndMenu = Bounds(f->Left(), f->Top(), f->Width(), f->ClientOrigin().Y);
    TRect overlap;
    EXPECT_FALSE(IntersectRect(overlap, bar->BoundsRect(), captionAndMenu));

    DragBar(bar, {20, 8}, ClientPoint(300, 220));
    const TRect dragged = bar->BoundsRect();
    DoubleClick(bar, {20, 8});
    ASSERT_EQ(bar->DockStatus(), dsTop);
    f->SetTop(dragged.Top - 5);
    DoubleClick(bar, {20, 8});
    EXPECT_EQ(bar->BoundsRect(), dragged);
}

TEST_F(DToolBarTest, ARestartFindsTheBarWhereItWasLeft) {
    TDToolBar* bar = StartedBar();
    DragBar(bar, {2, 20}, ClientPoint(1, 200));
    DragBar(bar, {20, 2}, ClientPoint(300, 220));
    ASSERT_EQ(bar->DockStatus(), dsFloat);
    const TRect floating = bar->BoundsRect();
    const int index = bar->FloatIndex();
    std::vector<int> saved;
    bar->OnSaveBar = [&](TObject*, int fi, int, int, TDockStatus last, TDockStatus status, int,
                         int) {
        saved = {fi, last, status};
    };
    EXPECT_EQ(bar->SectionName(), "TBarForm.DToolBar1");
    form.reset();
    EXPECT_EQ(saved, (std::vector<int>{index, dsLeft, dsFloat}));
    TRegIniFile store(saveFile);
    EXPECT_EQ(store.ReadInteger("TBarForm.DToolBar1", "Status", -1), dsFloat);
    EXPECT_EQ(store.ReadInteger("TBarForm.DToolBar1", "FloatLeft", -1), floating.Left);

    TBarForm* again = Make()->Start();
    TDToolBar* restored = again->Bars[0];
    EXPECT_EQ(restored->DockStatus(), dsFloat);
    EXPECT_EQ(restored->LastDockStatus(), dsLeft);
    EXPECT_EQ(restored->BoundsRect(), floating);
    DoubleClick(restored, {20, 8});
    EXPECT_EQ(restored->DockStatus(), dsLeft);
}

TEST_F(DToolBarTest, DamagedStoredValuesAreIgnored) {
    Store({{"FloatIndex", 0}, {"Status", 9}, {"LastDockedStatus", dsFloat}});
    TBarForm* f = Make()->Start();
    EXPECT_EQ(f->Bars[0]->DockStatus(), dsTop);
    EXPECT_EQ(f->Bars[0]->LastDockStatus(), dsTop);
    form.reset();
    // A shape the bar does not have: nothing of the state is taken.
    Store({{"FloatIndex", 99}, {"Status", dsRight}});
    f = Make()->Start();
    EXPECT_EQ(f->Bars[0]->DockStatus(), dsTop);
    EXPECT_EQ(f->Bars[0]->FloatIndex(), -1);
}

TEST_F(DToolBarTest, AFloatingBarSavedOffTheScreenComesBackInsideIt) {
    Store({{"FloatIndex", 0}, {"Status", dsFloat}, {"FloatLeft", -5000}, {"FloatTop", 90000}});
    TDToolBar* bar = StartedBar();
    ASSERT_EQ(bar->DockStatus(), dsFloat);
    EXPECT_EQ(bar->FloatIndex(), 0);
    const TRect work = Screen->WorkAreaRect();
    EXPECT_EQ(bar->Left(), work.Left);
    EXPECT_EQ(bar->Top() + bar->Height(), work.Bottom);
}

TEST_F(DToolBarTest, ABarDroppedNearTheBottomFloatsInsideTheWorkArea) {
    TDToolBar* bar = StartedBar();
    const TRect work = Screen->WorkAreaRect();
    // Let go a few pixels above the work area's bottom, below the form: the outline (as tall
    // as the shape it has) reaches past the bottom, the bar does not.
    DragBar(bar, {20, 2}, {300, work.Bottom - 4});
    ASSERT_EQ(bar->DockStatus(), dsFloat);
    EXPECT_GT(bar->Height(), 4);
    EXPECT_EQ(bar->Top() + bar->Height(), work.Bottom);
    EXPECT_GE(bar->Left(), work.Left);
    EXPECT_LE(bar->Left() + bar->Width(), work.Right);
}

TEST_F(DToolBarTest, AFloatingBarComesUpWithItsFormAboveIt) {
    Store({{"FloatIndex", 0}, {"Status", dsFloat}, {"FloatLeft", 100}, {"FloatTop", 100}});
    // As after a restart: the bar takes its floating place while its form is still hidden.
    TBarForm* f = Make();
    TDToolBar* bar = f->Bars[0];
    bar->Loaded();
    ASSERT_EQ(bar->DockStatus(), dsFloat);
    TShownWindows shown;
    f->Show();
    // Its window belongs to the form's (the window manager keeps it above that one) and
    // comes up only after it.
    ASSERT_NE(WidgetOf(bar), nullptr);
    EXPECT_EQ(WidgetOf(bar)->parentWidget(), WidgetOf(f));
    EXPECT_EQ(shown.Windows, (std::vector<QWidget*>{WidgetOf(f), WidgetOf(bar)}));
    EXPECT_TRUE(WidgetOf(bar)->isVisible());
    f->Hide();
    EXPECT_FALSE(WidgetOf(bar)->isVisible());
    f->Show();
    EXPECT_TRUE(WidgetOf(bar)->isVisible());
}

TEST_F(DToolBarTest, InitEventMayMoveTheBarBeforeItIsPlaced) {
    TBarForm* f = Make()->Start([](TDToolBar* bar) {
        bar->OnInitBar = [](TObject*, int& fi, int&, int&, TDockStatus& last, TDockStatus& status,
                            int&, int& top) {
            EXPECT_EQ(fi, -1);
            fi = 0;
            last = dsLeft;
            status = dsLeft;
            top = 10;
        };
    });
    TDToolBar* bar = f->Bars[0];
    EXPECT_EQ(bar->DockStatus(), dsLeft);
    EXPECT_EQ(bar->Parent(), bar->DockAreaOf(dsLeft));
}

TEST_F(DToolBarTest, SaveNameComesFromTheProgramFileUnlessOneIsSet) {
    EXPECT_EQ(SaveNameFromProgram("VTRX2532.EXE"), "VTRX2532.INI");
    EXPECT_EQ(SaveNameFromProgram("vtrx2532.exe"), "INI");
    EXPECT_EQ(SaveNameFromProgram("vantrel"), "INI");
    TBarForm* f = Make(2, 1);
    f->Bars[0]->Options()->SetSaveFile("VTRX2532.INI");
    EXPECT_EQ(f->Bars[1]->Options()->SaveFile(), "VTRX2532.INI");
    EXPECT_EQ(f->Bars[1]->SaveName(), "VTRX2532.INI");
    f->Bars[0]->Options()->SetSaveFile(saveFile);
}

TEST_F(DToolBarTest, BarsOfOneFormShareTheirSpacing) {
    TBarForm* f = Make(2, 2)->Start();
    f->Bars[0]->SetLRSpace(8);
    EXPECT_EQ(f->Bars[1]->LRSpace(), 8);
    EXPECT_EQ(f->Bars[1]->Width(), 8 + 2 * (33 + 8) + 1);
    f->Bars[1]->SetColorDockArea(clNavy);
    EXPECT_EQ(f->Bars[0]->ColorDockArea(), clNavy);
    EXPECT_EQ(f->Bars[0]->DockAreaOf(dsLeft)->Color(), clNavy);
}

TEST_F(DToolBarTest, WithoutFloatingTheLastAllowedTargetStays) {
    TBarForm* f = Make()->Start([](TDToolBar* bar) {
        TDockOptions options = bar->Options()->DockOptions();
        bar->Options()->SetDockOptions(options.Exclude(doAllowFloat));
    });
    TDToolBar* bar = f->Bars[0];
    const TPoint from = bar->ClientToScreen({2, 20});
    PressAt(bar, from);
    MoveTo(bar, ClientPoint(1, 200));
    const TRect left = TDToolBar::DragOutline();
    EXPECT_EQ(left.Width(), 34 + 12);
    MoveTo(bar, ClientPoint(300, 220));
    EXPECT_EQ(TDToolBar::DragOutline(), left);
    ReleaseAt(bar, ClientPoint(300, 220));
    EXPECT_EQ(bar->DockStatus(), dsLeft);
}

TEST_F(DToolBarTest, TheCloseBoxHidesAFloatingBarOnlyWhenLetGoInside) {
    TDToolBar* bar = StartedBar();
    bar->SetDockStatus(dsFloat);
    const TRect box = bar->CloseBoxRect();
    ASSERT_FALSE(IsRectEmpty(box));
    EXPECT_EQ(box.Right, bar->Width() - 4);
    const TPoint inside = bar->ClientToScreen({box.Left + 3, box.Top + 3});
    PressAt(bar, inside);
    MoveTo(bar, bar->ClientToScreen({40, 40}));
    ReleaseAt(bar, bar->ClientToScreen({40, 40}));
    EXPECT_TRUE(bar->Visible());
    EXPECT_EQ(bar->DockStatus(), dsFloat);
    PressAt(bar, inside);
    ReleaseAt(bar, inside);
    EXPECT_FALSE(bar->Visible());
    bar->Show();
    EXPECT_TRUE(bar->Visible());
}

TEST_F(DToolBarTest, DraggingAFloatingEdgeChoosesAnotherShape) {
    TDToolBar* bar = StartedBar();
    bar->SetDockStatus(dsFloat);
    const int last = static_cast<int>(bar->FloatShapes().size()) - 1;
    ASSERT_EQ(bar->FloatIndex(), last);
    const TPoint edge = bar->ClientToScreen({bar->Width() - 2, bar->Height() / 2});
    MoveTo(bar, edge, false);
    EXPECT_EQ(bar->Cursor(), crSizeWE);
    const int left = bar->Left();
    PressAt(bar, edge);
    MoveTo(bar, {edge.X + 400, edge.Y});
    ReleaseAt(bar, {edge.X + 400, edge.Y});
    EXPECT_EQ(bar->FloatIndex(), 0);
    EXPECT_EQ(bar->Left(), left);
    EXPECT_EQ(bar->Width(), bar->FloatShapes()[0].Width + 8);
    // All four buttons now stand in one row.
    EXPECT_EQ(bar->Controls(3)->Top(), bar->Controls(0)->Top());
}

TEST_F(DToolBarTest, FloatingCaptionShowsTheFormsActivity) {
    TBarForm* f =
        Make()->Start([](TDToolBar* bar) { bar->Options()->FloatOptions()->SetCaption("Tools"); });
    TDToolBar* bar = f->Bars[0];
    bar->SetDockStatus(dsFloat);
    f->Activate();
    EXPECT_TRUE(bar->FormActive());
    QImage picture = PictureOf(bar);
    EXPECT_EQ(picture.pixelColor(bar->Width() - 30, 6), TColorToQColor(clActiveCaption));
    f->Perform(WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_FALSE(bar->FormActive());
    picture = PictureOf(bar);
    EXPECT_EQ(picture.pixelColor(bar->Width() - 30, 6), TColorToQColor(clInactiveCaption));
}

// ---------------------------------------------------------------------------------------------
// Dock areas

TEST_F(DToolBarTest, TwoBarsAtTheSameTopShareARowOrderedByLeft) {
    TBarForm* f = Make(2, 2)->Start();
    TDToolBar* a = f->Bars[0];
    TDToolBar* b = f->Bars[1];
    TMDocklist* area = a->DockArea();
    ASSERT_EQ(area, b->DockArea());
    ASSERT_EQ(area->EntryCount(), 2);
    EXPECT_EQ(a->Top(), b->Top());
    // Drop the first bar again after the second, in the same row.
    const TPoint at = area->ClientToScreen({b->Left() + b->Width() + 40 + 2, 20});
    DragBar(a, {2, 20}, at);
    EXPECT_EQ(area->RowStarts().size(), 1u);
    EXPECT_EQ(area->Entry(0).Bar, b);
    EXPECT_EQ(area->Entry(1).Bar, a);
    EXPECT_EQ(area->Entry(1).Order, 2);
    EXPECT_GE(a->Left(), b->Left() + b->Width() - 2);
}

TEST_F(DToolBarTest, ABarDroppedAboveTheFirstRowOpensANewFirstRow) {
    TBarForm* f = Make(2, 2)->Start();
    TDToolBar* a = f->Bars[0];
    TDToolBar* b = f->Bars[1];
    TMDocklist* area = a->DockArea();
    // The outline's top half a control height above the row's start.
    const TPoint grab{2, 20};
    const TPoint at = area->ClientToScreen({300 + grab.X, -17 + grab.Y});
    DragBar(b, grab, at);
    ASSERT_EQ(area->RowStarts().size(), 2u);
    EXPECT_EQ(area->Entry(0).Bar, b);
    EXPECT_EQ(b->Top(), 0);
    EXPECT_EQ(a->Top(), 34 + 8 - 2);
    EXPECT_EQ(area->Height(), 40 + 42);
    // Back into the first row: the second row goes and the area shrinks.
    DragBar(a, grab, area->ClientToScreen({b->Width() + 60 + grab.X, grab.Y + 2}));
    EXPECT_EQ(area->RowStarts().size(), 1u);
    EXPECT_EQ(area->Height(), 42);
}

TEST_F(DToolBarTest, ABarPastTheEndOfAFullRowMovesBackAndPushesItsNeighbour) {
    TBarForm* f = Make(2, 8)->Start([](TDToolBar* bar) {
        bar->OnInitBar = [bar](TObject*, int& fi, int&, int&, TDockStatus&, TDockStatus&, int& l,
                               int&) {
            fi = 0;
            l = bar->Name() == "DToolBar1" ? 100 : 500;
        };
    });
    TDToolBar* a = f->Bars[0];
    TDToolBar* b = f->Bars[1];
    TMDocklist* area = a->DockArea();
    const int width = area->Width();
    ASSERT_GT(a->Width() + b->Width(), width);
    EXPECT_EQ(b->Left() + b->Width(), width);
    EXPECT_LT(a->Left(), 100);
    EXPECT_EQ(a->Left(), std::max(b->Left() + 2 - a->Width(), 0));
}

TEST_F(DToolBarTest, AnAreaShrinksToNothingWhenItsLastBarLeaves) {
    TDToolBar* bar = StartedBar();
    TMDocklist* top = bar->DockArea();
    EXPECT_EQ(top->Height(), 42);
    bar->Hide();
    EXPECT_EQ(top->EntryCount(), 0);
    EXPECT_EQ(top->Height(), 0);
    bar->Show();
    EXPECT_EQ(top->Height(), 42);
    bar->SetDockStatus(dsFloat);
    EXPECT_EQ(top->Height(), 0);
}

TEST_F(DToolBarTest, AFloatingBarDockedByTheWindowSystemsMouseLeavesNoDanglingWindow) {
    TDToolBar* bar = StartedBar();
    bar->SetDockStatus(dsFloat);
    Application->ProcessMessages();
    const TPoint from = bar->ClientToScreen({20, 8});
    WindowMouse(bar, QEvent::MouseButtonPress, from);
    WindowMouse(bar, QEvent::MouseMove, {from.X + 5, from.Y + 5});
    const TPoint to = ClientPoint(300, 2);
    WindowMouse(bar, QEvent::MouseMove, to);
    ASSERT_TRUE(TDToolBar::Dragging());
    // The floating window goes while it handles the release.
    WindowMouse(bar, QEvent::MouseButtonRelease, to);
    Application->ProcessMessages();
    EXPECT_EQ(bar->DockStatus(), dsTop);
    EXPECT_FALSE(WidgetOf(bar)->isWindow());
}

} // namespace
