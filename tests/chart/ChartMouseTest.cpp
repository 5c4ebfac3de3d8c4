// Mouse handling of a chart shown on a form, driven by real mouse events: dragging a rectangle
// zooms (more than 16 pixels each way, right and down) or undoes the zoom (up and left), the
// click events and their cancel flag, panning by axis and its end outside the plot, and the
// cursor of a series under the mouse.
#include "tests/chart/ChartTestSupport.h"
#include "tests/gui/GuiTestSupport.h"

#include <QScreen>

namespace {

class ChartMouse : public ChartTest {
protected:
    void SetUp() override {
        ChartTest::SetUp();
        form = std::make_unique<TForm>(nullptr);
        form->SetBounds(0, 0, 640, 480);
        chart = PlaceControl<TChart>(form.get(), form.get(), 0, 0, 600, 400);
        chart->SetView3D(false);
        chart->Legend()->SetVisible(false);
        line = new TFastLineSeries(form.get());
        line->SetParentChart(chart);
        for (int i = 0; i <= 10; ++i)
            line->AddXY(i, i * 10);
        form->Show();
        Application->ProcessMessages();
        // A spot in the plot well above the rising line and away from the axes.
        free = QPoint(chart->ChartRect.Left + 60, chart->ChartRect.Top + 40);
        chart->OnZoom = [this](TObject*) { ++zooms; };
        chart->OnUndoZoom = [this](TObject*) { ++undos; };
        chart->OnScroll = [this](TObject*) { ++scrolls; };
    }
    void Press(Qt::MouseButton Button, QPoint At) {
        QTest::mousePress(WidgetOf(chart), Button, Qt::NoModifier, At);
    }
    void MoveTo(QPoint At) { QTest::mouseMove(WidgetOf(chart), At); }
    void Release(Qt::MouseButton Button, QPoint At) {
        QTest::mouseRelease(WidgetOf(chart), Button, Qt::NoModifier, At);
        Application->ProcessMessages();
    }
    void Drag(Qt::MouseButton Button, QPoint From, QPoint To) {
        Press(Button, From);
        MoveTo((From + To) / 2);
        MoveTo(To);
        Release(Button, To);
    }
    std::unique_ptr<TForm> form;
    TChart* chart = nullptr;
    TFastLineSeries* line = nullptr;
    QPoint free;
    int zooms = 0, undos = 0, scrolls = 0; // the chart's events so far
};

TEST_F(ChartMouse, ADragOfSeventeenPixelsEachWayZooms) {
    const double left = chart->BottomAxis()->CalcPosPoint(free.x());
    Drag(Qt::LeftButton, free, free + QPoint(17, 17));
    EXPECT_EQ(zooms, 1);
    EXPECT_TRUE(chart->Zoomed());
    EXPECT_FALSE(chart->BottomAxis()->Automatic());
    EXPECT_NEAR(chart->BottomAxis()->Minimum(), left, 1e-9);
    EXPECT_FALSE(chart->Zoom->Active);
}

TEST_F(ChartMouse, AZoomSetsEveryAxisFromTheRectangle) {
    auto* balance = new TFastLineSeries(form.get());
    balance->SetVertAxis(aRightAxis);
    balance->SetParentChart(chart);
    AddPoints(balance, {{0, 1000}, {10, 0}});
    Application->ProcessMessages();
    const QPoint to = free + QPoint(40, 30);
    TChartAxis* left = chart->LeftAxis();
    TChartAxis* right = chart->RightAxis();
    TChartAxis* bottom = chart->BottomAxis();
    // The values under the rectangle's corners before the zoom: the bottom of the rectangle is
    // each vertical axis's new minimum, its top the maximum.
    const double leftLow = left->CalcPosPoint(to.y()), leftHigh = left->CalcPosPoint(free.y());
    const double rightLow = right->CalcPosPoint(to.y()), rightHigh = right->CalcPosPoint(free.y());
    const double bottomLow = bottom->CalcPosPoint(free.x());
    const double bottomHigh = bottom->CalcPosPoint(to.x());
    ASSERT_NE(leftLow, rightLow) << "the two vertical axes show different ranges";
    Drag(Qt::LeftButton, free, to);
    ASSERT_TRUE(chart->Zoomed());
    EXPECT_NEAR(left->Minimum(), leftLow, 1e-9);
    EXPECT_NEAR(left->Maximum(), leftHigh, 1e-9);
    EXPECT_NEAR(right->Minimum(), rightLow, 1e-9);
    EXPECT_NEAR(right->Maximum(), rightHigh, 1e-9);
    EXPECT_NEAR(bottom->Minimum(), bottomLow, 1e-9);
    EXPECT_NEAR(bottom->Maximum(), bottomHigh, 1e-9);
}

// What the chart's window shows on the screen (the window system's copy, not a new paint).
QImage Shown(TWinControl* control) {
    Application->ProcessMessages();
    QWidget* widget = WidgetOf(control);
    const QPoint at = widget->mapTo(widget->window(), QPoint(0, 0));
    return QGuiApplication::primaryScreen()
        ->grabWindow(widget->window()->winId(), at.x(), at.y(), widget->width(), widget->height())
        .toImage();
}

// How many pixels of row Y from X0 to X1 differ between two pictures.
int Changed(const QImage& before, const QImage& after, int Y, int X0, int X1) {
    int changed = 0;
    for (int x = X0; x <= X1; ++x)
        if (before.pixel(x, Y) != after.pixel(x, Y)) ++changed;
    return changed;
}

TEST_F(ChartMouse, TheZoomRectangleShowsWhileDraggingAndGoesOnRelease) {
    const QImage before = Shown(chart);
    ASSERT_FALSE(before.isNull());
    const QPoint to = free + QPoint(80, 60);
    Press(Qt::LeftButton, free);
    MoveTo(free + QPoint(40, 30));
    MoveTo(to);
    const QImage dragging = Shown(chart);
    // The rectangle's top and bottom edges run from the press to the mouse.
    EXPECT_GE(Changed(before, dragging, free.y(), free.x() + 5, to.x() - 5), 60);
    EXPECT_GE(Changed(before, dragging, to.y() - 1, free.x() + 5, to.x() - 5), 60);
    // The rectangle of the first move has gone: its bottom edge left no trace.
    EXPECT_EQ(Changed(before, dragging, free.y() + 29, free.x() + 5, free.x() + 35), 0);
    Release(Qt::LeftButton, to);
    EXPECT_TRUE(chart->Zoomed());
}

TEST_F(ChartMouse, ADragTooShortToZoomLeavesNoRectangleBehind) {
    const QImage before = Shown(chart);
    ASSERT_FALSE(before.isNull());
    const QPoint to = free + QPoint(80, 10);
    Press(Qt::LeftButton, free);
    MoveTo(to);
    const QImage dragging = Shown(chart);
    EXPECT_GE(Changed(before, dragging, free.y(), free.x() + 5, to.x() - 5), 60);
    Release(Qt::LeftButton, to);
    ASSERT_FALSE(chart->Zoomed());
    const QImage after = Shown(chart);
    EXPECT_EQ(Changed(before, after, free.y(), free.x(), to.x()), 0);
    EXPECT_EQ(Changed(before, after, to.y() - 1, free.x(), to.x()), 0);
}

TEST_F(ChartMouse, ADragOfSixteenPixelsAcrossDoesNotZoom) {
    Drag(Qt::LeftButton, free, free + QPoint(16, 40));
    EXPECT_EQ(zooms, 0);
    EXPECT_TRUE(chart->BottomAxis()->Automatic());
    EXPECT_FALSE(chart->Zoom->Active);
}

TEST_F(ChartMouse, ADragOfSixteenPixelsDownDoesNotZoom) {
    Drag(Qt::LeftButton, free, free + QPoint(40, 16));
    EXPECT_EQ(zooms, 0);
    EXPECT_TRUE(chart->LeftAxis()->Automatic());
}

TEST_F(ChartMouse, DraggingUpAndLeftUndoesTheZoom) {
    Drag(Qt::LeftButton, free, free + QPoint(100, 100));
    ASSERT_TRUE(chart->Zoomed());
    Application->ProcessMessages();
    Drag(Qt::LeftButton, free + QPoint(60, 60), free + QPoint(20, 20));
    EXPECT_EQ(undos, 1);
    EXPECT_FALSE(chart->Zoomed());
    EXPECT_TRUE(chart->BottomAxis()->Automatic());
    EXPECT_TRUE(chart->LeftAxis()->Automatic());
}

TEST_F(ChartMouse, AClickSeriesHandlerThatDoesNothingStopsTheZoom) {
    const QPoint point(line->CalcXPos(5), line->CalcYPos(5));
    TChartSeries* clicked = nullptr;
    int index = -1;
    chart->OnClickSeries = [&](TCustomChart*, TChartSeries* Series, int ValueIndex, TMouseButton,
                               TShiftState, int, int) {
        clicked = Series;
        index = ValueIndex;
    };
    Drag(Qt::LeftButton, point, point + QPoint(40, 40));
    EXPECT_EQ(clicked, line);
    EXPECT_EQ(index, 5);
    EXPECT_FALSE(chart->Zoomed()) << "the handler kept the click";

    chart->OnClickSeries = [&](TCustomChart* Sender, TChartSeries*, int, TMouseButton, TShiftState,
                               int, int) { Sender->CancelMouse = false; };
    Drag(Qt::LeftButton, point, point + QPoint(40, 40));
    EXPECT_TRUE(chart->Zoomed()) << "the handler let the click through";
}

TEST_F(ChartMouse, TheSeriesOwnClickComesFirst) {
    const QPoint point(line->CalcXPos(3), line->CalcYPos(3));
    std::vector<std::string> order;
    line->OnClick = [&](TChartSeries*, int, TMouseButton, TShiftState, int, int) {
        order.push_back("series");
    };
    chart->OnClickSeries = [&](TCustomChart*, TChartSeries*, int, TMouseButton, TShiftState, int,
                               int) { order.push_back("chart"); };
    Press(Qt::LeftButton, point);
    Release(Qt::LeftButton, point);
    EXPECT_EQ(order, (std::vector<std::string>{"series", "chart"}));
    EXPECT_FALSE(chart->CancelMouse) << "the flag is at rest after the mouse-down";
}

TEST_F(ChartMouse, ADoubleClickOnASeriesReachesItsDoubleClickEventOnly) {
    const QPoint point(line->CalcXPos(3), line->CalcYPos(3));
    std::vector<std::string> heard;
    line->OnClick = [&](TChartSeries*, int, TMouseButton, TShiftState, int, int) {
        heard.push_back("click");
    };
    line->OnDblClick = [&](TChartSeries*, int Index, TMouseButton, TShiftState, int, int) {
        heard.push_back("double " + std::to_string(Index));
    };
    QTest::mouseDClick(WidgetOf(chart), Qt::LeftButton, Qt::NoModifier, point);
    Application->ProcessMessages();
    ASSERT_FALSE(heard.empty());
    EXPECT_EQ(heard.back(), "double 3");
    EXPECT_EQ(std::count(heard.begin(), heard.end(), "double 3"), 1);
}

TEST_F(ChartMouse, TheBackgroundHearsOfOneMouseDownOnce) {
    int clicks = 0;
    chart->OnClickBackground = [&](TCustomChart* Sender, TMouseButton, TShiftState, int, int) {
        ++clicks;
        Sender->CancelMouse = false; // let the drag zoom
    };
    Drag(Qt::LeftButton, free, free + QPoint(30, 30));
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(chart->Zoomed());
}

TEST_F(ChartMouse, ACancelFlagFoundSetOnlyGetsCleared) {
    int clicks = 0;
    chart->OnClickBackground = [&](TCustomChart*, TMouseButton, TShiftState, int, int) {
        ++clicks;
    };
    chart->CancelMouse = true;
    Drag(Qt::LeftButton, free, free + QPoint(30, 30));
    EXPECT_EQ(clicks, 0);
    EXPECT_FALSE(chart->CancelMouse);
    EXPECT_FALSE(chart->Zoomed());
}

TEST_F(ChartMouse, VerticalPanningMovesOnlyTheLeftAndRightAxes) {
    chart->SetAllowPanning(pmVertical);
    const double low = chart->LeftAxis()->CalcPosPoint(chart->ChartRect.Bottom);
    Drag(Qt::RightButton, free, free + QPoint(30, 30));
    EXPECT_GE(scrolls, 1);
    EXPECT_TRUE(chart->BottomAxis()->Automatic()) << "the horizontal axes stay";
    EXPECT_TRUE(chart->TopAxis()->Automatic());
    EXPECT_FALSE(chart->LeftAxis()->Automatic());
    EXPECT_GT(chart->LeftAxis()->Minimum(), low) << "dragging down shows higher values";
    EXPECT_FALSE(chart->Panning->Active);
}

TEST_F(ChartMouse, PanningMovesTheRangeByExactlyTheDraggedPixels) {
    // The drag goes down 30 pixels in two moves of 15: the left axis (0..100) shows values
    // 30 pixels' worth higher; the bottom axis, not allowed to pan, stays.
    chart->SetAllowPanning(pmVertical);
    const int height = chart->ChartHeight;
    Drag(Qt::RightButton, free, free + QPoint(30, 30));
    EXPECT_NEAR(chart->LeftAxis()->Minimum(), 30.0 * 100 / height, 1e-9);
    EXPECT_NEAR(chart->LeftAxis()->Maximum(), 100 + 30.0 * 100 / height, 1e-9);
    EXPECT_TRUE(chart->BottomAxis()->Automatic());
    // Dragged right 30 pixels, the bottom axis (0..10) shows lower values.
    chart->UndoZoom();
    Application->ProcessMessages();
    chart->SetAllowPanning(pmHorizontal);
    const int width = chart->ChartWidth;
    Drag(Qt::RightButton, free, free + QPoint(30, 30));
    EXPECT_NEAR(chart->BottomAxis()->Minimum(), -30.0 * 10 / width, 1e-9);
    EXPECT_TRUE(chart->LeftAxis()->Automatic()) << "the vertical axes stay";
}

TEST_F(ChartMouse, LeavingThePlotStopsPanning) {
    Press(Qt::RightButton, free);
    MoveTo(QPoint(chart->ChartRect.Left - 5, free.y()));
    EXPECT_FALSE(chart->Panning->Active);
    MoveTo(free + QPoint(40, 40));
    Release(Qt::RightButton, free + QPoint(40, 40));
    EXPECT_EQ(scrolls, 0);
    EXPECT_TRUE(chart->LeftAxis()->Automatic());
}

TEST_F(ChartMouse, AForbiddenScrollLeavesTheAxes) {
    chart->OnAllowScroll = [](TChartAxis*, double&, double&, bool& Allow) { Allow = false; };
    Drag(Qt::RightButton, free, free + QPoint(30, 30));
    EXPECT_EQ(scrolls, 0);
    EXPECT_TRUE(chart->LeftAxis()->Automatic());
}

TEST_F(ChartMouse, ASeriesShowsItsCursorWhileTheMouseIsOverIt) {
    line->SetCursor(crChartHand);
    MoveTo(QPoint(line->CalcXPos(4), line->CalcYPos(4)));
    EXPECT_EQ(chart->Cursor(), crChartHand);
    MoveTo(free);
    EXPECT_EQ(chart->Cursor(), crDefault);
}

TEST_F(ChartMouse, ClicksOnTheLegendAndAnAxisReachTheirEvents) {
    chart->Legend()->SetVisible(true);
    chart->Repaint();
    Application->ProcessMessages();
    const TRect legend = chart->Legend()->RectLegend;
    ASSERT_GT(legend.Width(), 0);
    int legendClicks = 0;
    TChartAxis* axis = nullptr;
    chart->OnClickLegend = [&](TCustomChart*, TMouseButton, TShiftState, int, int) {
        ++legendClicks;
    };
    chart->OnClickAxis = [&](TCustomChart*, TChartAxis* Axis, TMouseButton, TShiftState, int, int) {
        axis = Axis;
    };
    const QPoint inLegend((legend.Left + legend.Right) / 2, (legend.Top + legend.Bottom) / 2);
    Press(Qt::LeftButton, inLegend);
    Release(Qt::LeftButton, inLegend);
    EXPECT_EQ(legendClicks, 1);
    const QPoint onAxis(chart->ChartRect.Left + 200, chart->BottomAxis()->PosAxis() + 2);
    Press(Qt::LeftButton, onAxis);
    Release(Qt::LeftButton, onAxis);
    EXPECT_EQ(axis, chart->BottomAxis());
}

TEST_F(ChartMouse, HitTestAnswersInItsOrder) {
    EXPECT_EQ(chart->HitTest(free.x(), free.y()).Kind, hkChartArea);
    const TChartHit onPoint = chart->HitTest(line->CalcXPos(2), line->CalcYPos(2));
    EXPECT_EQ(onPoint.Kind, hkSeries);
    EXPECT_EQ(onPoint.ValueIndex, 2);
    EXPECT_EQ(chart->HitTest(2, 2).Kind, hkNone);
    line->SetActive(false);
    EXPECT_EQ(chart->HitTest(line->CalcXPos(2), line->CalcYPos(2)).Kind, hkChartArea)
        << "inactive series are not asked";
}

} // namespace

namespace {

TEST_F(ChartMouse, InAutomaticDragModeADragCarriesTheChartInsteadOfZooming) {
    chart->SetDragMode(dmAutomatic);
    chart->OnDragOver = [](TObject*, TObject*, int, int, TDragOverState, bool& accept) {
        accept = true;
    };
    std::vector<std::string> events;
    chart->OnDragDrop = [&](TObject* sender, TObject* source, int x, int y) {
        events.push_back(std::string(sender == chart && source == chart ? "drop " : "? ") +
                         std::to_string(x - free.x()) + "," + std::to_string(y - free.y()));
    };
    chart->OnEndDrag = [&](TObject*, TObject* target, int, int) {
        events.push_back(target == chart ? "end" : "end elsewhere");
    };
    Drag(Qt::LeftButton, free, free + QPoint(17, 17));
    EXPECT_EQ(zooms, 0);
    EXPECT_FALSE(chart->Zoomed());
    EXPECT_FALSE(chart->Zoom->Active);
    EXPECT_EQ(events, (std::vector<std::string>{"drop 17,17", "end"}));
}

} // namespace
