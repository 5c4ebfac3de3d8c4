// The series gallery and the start-up of the chart units: registration order and duplicates,
// texts cut to 20 characters, classes a stored form can name, the global switches, and the hand
// cursor the units draw for themselves.
#include "chart/SeriesFunctions.h"
#include "platform/gui/Forms.h"
#include "platform/gui/QtBridge.h"
#include "tests/chart/ChartTestSupport.h"

#include <QCursor>
#include <QPixmap>

namespace {

class ChartGallery : public ChartTest {
protected:
    void SetUp() override {
        ChartTest::SetUp();
        InitApplication();
        FinalizeChart();
    }
    void TearDown() override { StopChartUnits(); }
    static std::vector<std::string> Descriptions() {
        std::vector<std::string> out;
        for (const TChartGalleryEntry& e : *::ChartGallery())
            out.push_back(e.Description);
        return out;
    }
};

TEST_F(ChartGallery, StartUpEntersFunctionsFirstThenTheSeriesKinds) {
    StartChartUnits();
    ASSERT_NE(::ChartGallery(), nullptr);
    EXPECT_EQ(Descriptions(),
              (std::vector<std::string>{"Add", "Subtract", "Multiply", "Divide", "High", "Low",
                                        "Average", "Line", "Bar", "Horiz. Bar", "Area", "Point",
                                        "Pie", "Fast Line"}));
    const auto& gallery = *::ChartGallery();
    EXPECT_EQ(gallery[0].FunctionClass, TAddChartFunction::StaticClassInfo());
    EXPECT_EQ(gallery[0].SeriesClass, nullptr);
    EXPECT_EQ(gallery[0].GalleryPage, "Functions");
    EXPECT_EQ(gallery[0].NumGallerySeries, 2);
    EXPECT_EQ(gallery[12].SeriesClass, TPieSeries::StaticClassInfo());
    EXPECT_EQ(gallery[12].GalleryPage, "Standard");
    EXPECT_EQ(gallery[12].NumGallerySeries, 1);
    for (std::size_t i = 0; i < gallery.size(); ++i) {
        EXPECT_EQ(gallery[i].GalleryPage, i < 7 ? "Functions" : "Standard") << i;
        EXPECT_EQ(gallery[i].NumGallerySeries, i == 12 ? 1 : 2) << gallery[i].Description;
    }
    StartChartUnits();
    EXPECT_EQ(::ChartGallery()->size(), 14u) << "starting again enters nothing twice";
    FinalizeChart();
    EXPECT_EQ(::ChartGallery(), nullptr);
}

TEST_F(ChartGallery, AnEntryComesOnceAndLongTextsAreCut) {
    RegisterChartSeries<TLineSeries>("A line with a long description", "A page named at length", 3);
    RegisterChartSeries<TLineSeries>("Line", "Standard", 2);
    ASSERT_EQ(::ChartGallery()->size(), 1u);
    EXPECT_EQ((*::ChartGallery())[0].Description, "A line with a long d");
    EXPECT_EQ((*::ChartGallery())[0].GalleryPage, "A page named at leng");
}

TEST_F(ChartGallery, AFormCanNameTheSeriesKindsOnceTheUnitsStarted) {
    StartChartUnits();
    TComponent owner(nullptr);
    for (const char* name :
         {"TFastLineSeries", "tbarseries", "TPieSeries", "TAverageChartFunction"}) {
        const TRegisteredClass& c = FindClass(name);
        ASSERT_TRUE(c.Create) << name;
        TComponent* made = c.Create(&owner);
        EXPECT_TRUE(made->InheritsFrom(name));
    }
    EXPECT_EQ(owner.ComponentCount(), 4);
    EXPECT_FALSE(FindClass("TChartTitle").Create) << "parts of a chart are not made alone";
    EXPECT_THROW(FindClass("TNoSuchSeries"), EClassNotFound);
}

TEST_F(ChartGallery, StartUpSetsTheSwitches) {
    ChartZoomButton = mbRight;
    ChartPanShift = {ssCtrl};
    DarkColorQuantity = 1;
    StartChartUnits();
    EXPECT_EQ(ChartZoomButton, mbLeft);
    EXPECT_EQ(ChartPanButton, mbRight);
    EXPECT_TRUE(ChartPanShift.Empty());
    EXPECT_EQ(ZoomAnimationDivisor, 3.0);
    EXPECT_EQ(DarkColorQuantity, 64);
    EXPECT_EQ(DarkerColorQuantity, 128);
}

TEST_F(ChartGallery, TheHandCursorIsDrawnWithItsHotSpotAtTheFingerTip) {
    StartChartUnits();
    ASSERT_NE(Screen->Cursors(crChartHand), 0);
    const QCursor hand = CursorOf(crChartHand);
    EXPECT_EQ(hand.shape(), Qt::BitmapCursor);
    EXPECT_EQ(hand.hotSpot(), QPoint(9, 1));
    const QImage image = hand.pixmap().toImage();
    ASSERT_EQ(image.size(), QSize(32, 32));
    EXPECT_EQ(qAlpha(image.pixel(0, 31)), 0) << "the background is see-through";
    for (int x = 8; x <= 10; ++x)
        EXPECT_EQ(image.pixelColor(x, 1), QColor(0, 0, 0)) << "outline across the tip at " << x;
    EXPECT_EQ(qAlpha(image.pixel(7, 1)), 0);
    EXPECT_EQ(qAlpha(image.pixel(11, 1)), 0);
    EXPECT_EQ(image.pixelColor(13, 20), QColor(255, 255, 255)) << "a white palm";
    // Creases run down from row 9 to row 13 at x = 11, 15 and 19, with white between them.
    for (int x : {11, 15, 19})
        for (int y = 9; y <= 13; ++y)
            EXPECT_EQ(image.pixelColor(x, y), QColor(0, 0, 0)) << "crease at " << x << "," << y;
    for (int x : {14, 20})
        EXPECT_EQ(image.pixelColor(x, 12), QColor(255, 255, 255)) << "beside a crease at " << x;
    EXPECT_EQ(image.pixelColor(14, 9), QColor(255, 255, 255)) << "the valley is at x = 15";
    // The heel of the hand: an upright edge at x = 9 from row 24 down, white to its right, and
    // the bottom edge along row 26 from x = 9 to 19.
    EXPECT_EQ(image.pixelColor(9, 25), QColor(0, 0, 0));
    EXPECT_EQ(image.pixelColor(10, 25), QColor(255, 255, 255));
    EXPECT_EQ(qAlpha(image.pixel(8, 25)), 0);
    for (int x : {9, 14, 19})
        EXPECT_EQ(image.pixelColor(x, 26), QColor(0, 0, 0)) << "bottom edge at " << x;
    EXPECT_EQ(qAlpha(image.pixel(8, 26)), 0);
    StopChartUnits();
    EXPECT_EQ(Screen->Cursors(crChartHand), 0);
}

} // namespace
