// The bordered image: sizing by style, tiling, the transparent colour, the background taken
// from the picture and one image following another's picture.
#include "WidgetsTestSupport.h"

#include "widgets/Image.h"

#include <memory>

namespace {

// A bitmap of the size in one colour with a differently coloured bottom-left pixel.
std::unique_ptr<TBitmap> Filled(int w, int h, TColor color, TColor corner) {
    auto b = std::make_unique<TBitmap>();
    b->SetSize(w, h);
    b->Canvas()->Brush()->SetColor(color);
    b->Canvas()->FillRect(Rect(0, 0, w, h));
    b->Canvas()->SetPixels(0, h - 1, corner);
    return b;
}

class EPGfxCmpTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = std::make_unique<TForm>(nullptr);
        form->SetBounds(30, 30, 300, 220);
        form->SetColor(clWhite);
        image = Make();
        form->Show();
    }
    TEPImage* Make() {
        auto* i = new TEPImage(form.get());
        i->SetParent(form.get());
        i->SetBounds(10, 10, 105, 105);
        return i;
    }
    QColor PixelAt(int x, int y) { return PictureOf(form.get()).pixelColor(x, y); }
    std::unique_ptr<TForm> form;
    TEPImage* image = nullptr;
};

TEST_F(EPGfxCmpTest, AutoSizeTakesThePictureAndTheBorder) {
    EXPECT_EQ(image->Style(), episAutoSize);
    EXPECT_EQ(image->BorderStyle(), epbsNone);
    image->SetBorderStyle(epbsLowered);
    auto bitmap = Filled(32, 40, clRed, clRed);
    image->Picture()->SetGraphic(bitmap.get());
    EXPECT_EQ(image->Width(), 36);
    EXPECT_EQ(image->Height(), 44);
    EXPECT_EQ(image->InnerRect(), Rect(2, 2, 34, 42));
    image->SetBorderStyle(epbsHorizLine);
    EXPECT_EQ(image->Width(), 32);
    EXPECT_EQ(image->Height(), 42);
}

TEST_F(EPGfxCmpTest, AspectStretchLetsTheHeightFollowTheWidth) {
    auto bitmap = Filled(40, 20, clRed, clRed);
    image->Picture()->SetGraphic(bitmap.get());
    image->SetStyle(episAspectStretch);
    image->SetBounds(10, 10, 100, 10);
    EXPECT_EQ(image->Height(), 50);
    image->SetStyle(episStretch);
    image->SetBounds(10, 10, 100, 10);
    EXPECT_EQ(image->Height(), 10);
}

TEST_F(EPGfxCmpTest, AnEmptyPictureDrawsOnlyTheBorder) {
    image->SetStyle(episTopLeft);
    image->SetBorderStyle(epbsSingle);
    image->SetBounds(10, 10, 40, 30);
    form->Canvas();
    EXPECT_EQ(PixelAt(10, 10), TColorToQColor(clBtnFace));
    EXPECT_EQ(PixelAt(20, 20), QColor(Qt::white));
}

TEST_F(EPGfxCmpTest, TilesRepeatUntilTheInsideIsCoveredAndAreClippedThere) {
    image->SetStyle(episTile);
    image->SetBorderStyle(epbsLowered);
    image->SetBounds(10, 10, 29, 29); // 25 x 25 inside
    auto tile = Filled(10, 10, clBlue, clBlue);
    tile->Canvas()->SetPixels(9, 0, clRed);
    image->Picture()->SetGraphic(tile.get());
    int tiles = 0;
    image->OnPaint = [&](TObject*) { tiles += image->Painting() ? 1 : 100; };
    const QImage picture = PictureOf(form.get());
    EXPECT_EQ(tiles, 1);
    const int x0 = 12;
    const int y0 = 12;
    // The red corner of each whole tile shows at 9, 19; the third column is cut at 25.
    for (int k : {0, 1})
        EXPECT_EQ(picture.pixelColor(x0 + 9 + 10 * k, y0), QColor(Qt::red)) << k;
    EXPECT_EQ(picture.pixelColor(x0 + 24, y0), QColor(Qt::blue));
    EXPECT_EQ(picture.pixelColor(x0 + 24, y0 + 24), QColor(Qt::blue));
    EXPECT_NE(picture.pixelColor(x0 + 25, y0 + 24), QColor(Qt::blue));
    EXPECT_NE(picture.pixelColor(x0 + 24, y0 + 25), QColor(Qt::blue));
}

TEST_F(EPGfxCmpTest, TransparentBitmapsLeaveOutTheirBottomLeftColour) {
    auto bitmap = Filled(20, 20, clGreen, clGreen);
    bitmap->Canvas()->Brush()->SetColor(clRed);
    bitmap->Canvas()->FillRect(Rect(5, 5, 15, 15));
    image->Picture()->SetGraphic(bitmap.get());
    image->SetTransparent(true);
    EXPECT_EQ(PixelAt(10 + 2, 10 + 2), QColor(Qt::white));
    EXPECT_EQ(PixelAt(10 + 8, 10 + 8), QColor(Qt::red));
    image->SetTransparent(false);
    EXPECT_EQ(PixelAt(10 + 2, 10 + 2), TColorToQColor(clGreen));
}

TEST_F(EPGfxCmpTest, AutoColorTakesTheCornerAndAnExplicitColourEndsIt) {
    image->SetAutoColor(true);
    // An empty bitmap has no colour to give.
    image->Picture()->Bitmap();
    EXPECT_EQ(image->Color(), clNone);
    auto bitmap = Filled(20, 20, clGreen, clYellow);
    image->Picture()->SetGraphic(bitmap.get());
    EXPECT_EQ(image->Color(), clYellow);
    EXPECT_TRUE(image->AutoColor());
    image->SetColor(clAqua);
    EXPECT_FALSE(image->AutoColor());
    EXPECT_EQ(image->Color(), clAqua);
}

TEST_F(EPGfxCmpTest, FollowersTakeThePictureAndChainsAreRefused) {
    TEPImage* follower = Make();
    TEPImage* third = Make();
    follower->SetPictureControl(image);
    EXPECT_EQ(follower->PictureControl(), image);
    auto bitmap = Filled(12, 8, clRed, clRed);
    image->Picture()->SetGraphic(bitmap.get());
    EXPECT_EQ(follower->Picture()->Width(), 12);
    // An image that follows another one cannot be followed, nor can an image follow itself.
    third->SetPictureControl(follower);
    EXPECT_EQ(third->PictureControl(), nullptr);
    image->SetPictureControl(image);
    EXPECT_EQ(image->PictureControl(), nullptr);
    delete image;
    image = nullptr;
    EXPECT_EQ(follower->PictureControl(), nullptr);
}

TEST_F(EPGfxCmpTest, TransparentBlitCombinesThroughAMask) {
    auto dest = Filled(8, 8, clBlue, clBlue);
    auto source = Filled(4, 4, clYellow, clYellow);
    source->Canvas()->SetPixels(1, 1, clRed);
    TransparentStretchBlt(dest->Canvas(), Rect(0, 0, 8, 8), source.get(), clYellow);
    EXPECT_EQ(dest->Canvas()->Pixels(0, 0), clBlue);
    EXPECT_EQ(dest->Canvas()->Pixels(2, 2), clRed);
    EXPECT_EQ(dest->Canvas()->Pixels(3, 3), clRed);
    EXPECT_EQ(dest->Canvas()->Pixels(7, 7), clBlue);
}

TEST_F(EPGfxCmpTest, TheBaseControlPaintsThroughItsOffScreenBitmap) {
    auto* control = new TEPGraphicControl(form.get());
    control->SetParent(form.get());
    control->SetBounds(150, 20, 40, 30);
    control->SetColor(clRed);
    control->SetBorderStyle(epbsRaised);
    EXPECT_TRUE(control->OffScreen());
    EXPECT_EQ(control->InnerRect(), Rect(2, 2, 38, 28));
    const QImage picture = PictureOf(form.get());
    EXPECT_EQ(picture.pixelColor(150, 20), TColorToQColor(cl3DLight));
    EXPECT_EQ(picture.pixelColor(150 + 39, 20 + 29), TColorToQColor(cl3DDkShadow));
    EXPECT_EQ(picture.pixelColor(150 + 20, 20 + 15), QColor(Qt::red));
    EXPECT_EQ(picture.pixelColor(149, 20), QColor(Qt::white));
}

} // namespace
