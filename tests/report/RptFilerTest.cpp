// The report stream: what the recorder writes (byte by byte for small reports), and what the
// player makes of it compared with printing the same report directly.
#include "RptTestSupport.h"
#include "platform/rtl/Streams.h"
#include "report/RptDevice.h"
#include "report/RptFiler.h"
#include "report/RptPlayer.h"
#include "tests/gui/PdfTools.h"

#include <cmath>
#include <cstring>
#include <functional>

namespace {

using TBody = std::function<void(TBaseReport&)>;

// Makes bitmap a 6 by 6 square of color.
void Paint(TBitmap& bitmap, TColor color) {
    bitmap.SetSize(6, 6);
    bitmap.Canvas()->Brush()->SetColor(color);
    bitmap.Canvas()->FillRect(Rect(0, 0, 6, 6));
}

// Little-endian reader over a recorded stream.
struct TBytes {
    explicit TBytes(TMemoryStream& s)
        : data(static_cast<const Byte*>(s.Memory()),
               static_cast<const Byte*>(s.Memory()) + s.Size()) {}
    Byte B(std::size_t at) const { return data.at(at); }
    int W(std::size_t at) const { return DecodeLE<SmallInt>(&data.at(at)); }
    LongInt L(std::size_t at) const { return DecodeLE<LongInt>(&data.at(at)); }
    float R(std::size_t at) const { return DecodeLE<float>(&data.at(at)); }
    // Expects the byte at each offset from at to be the code paired with it.
    void ExpectCodes(std::size_t at, std::initializer_list<std::pair<int, int>> codes) const {
        for (const auto& [offset, code] : codes)
            EXPECT_EQ(B(at + static_cast<std::size_t>(offset)), code) << "at +" << offset;
    }
    std::vector<Byte> data;
};

class RptFiler : public ReportTest {
protected:
    // Records Body into the memory stream.
    void Record(const TBody& Body, TAccuracyMethod Method = amAppearance) {
        TReportFiler filer(nullptr);
        OnStream(filer, stream).SetAccuracyMethod(Method);
        filer.SetTitle("Schedule");
        filer.OnPrint = [&](TObject*) { Body(filer); };
        filer.Execute();
    }
    // Plays the stream to the printer.
    void Play(int First = 0, int Last = 0, const std::function<void(TFilePrinter&)>& Setup = {}) {
        TFilePrinter player(nullptr);
        OnStream(player, stream);
        if (Setup) Setup(player);
        player.ExecuteCustom(First, Last, 0);
    }
    // Prints Body directly.
    void Direct(const TBody& Body) {
        TReportWriter writer(nullptr);
        writer.SetTitle("Schedule");
        writer.OnPrint = [&](TObject*) { Body(writer); };
        writer.Execute();
    }
    // Plays the stream after rewriting the height and sample width of every recorded font of
    // that many points (a sample far too small makes the player shrink the font to fit).
    void PlayWithFontHeights(double points, double height, double sample) {
        std::vector<Byte> bytes = TBytes(stream).data;
        for (std::size_t i = static_cast<std::size_t>(PageStarts()[0]); i + 9 < bytes.size(); ++i)
            if (bytes[i] == 54 &&
                DecodeLE<float>(bytes.data() + i + 1) == static_cast<float>(points / 72)) {
                EncodeLE(bytes.data() + i + 1, static_cast<float>(height));
                EncodeLE(bytes.data() + i + 5, static_cast<float>(sample));
            }
        Load(bytes);
        Play();
    }
    // Records a text in a font of that many points and plays it with the font's sample width
    // made far too small.
    void PlayShrunk(double points) {
        Record([points](TBaseReport& r) {
            r.SetFont("Arial", points);
            r.PrintLeft("Shrunk", 1.0);
        });
        PlayWithFontHeights(points, points / 72, 1e-6);
    }
    // Puts the bytes in the memory stream in place of what it held.
    void Load(const std::vector<Byte>& bytes) {
        stream.Clear();
        stream.WriteBuffer(bytes.data(), static_cast<LongInt>(bytes.size()));
    }
    // The kind of every graphic recorded (1 stored whole, 129 a reuse), and with Places where
    // each one's data or reused position stands.
    std::vector<std::size_t> GraphicKinds(std::vector<std::size_t>* Places = nullptr) {
        TBytes b(stream);
        std::vector<std::size_t> kinds;
        for (std::size_t at = 0; at + 3 < b.data.size(); ++at)
            if (b.B(at) == 34 && b.B(at + 1) == 0 && b.B(at + 2) == 16) {
                kinds.push_back(b.B(at + 3));
                if (Places) Places->push_back(at + 4);
            }
        return kinds;
    }
    // The position just past the first page's full state, which ends with the background colour
    // (code 27 and its longint).
    std::size_t PastFullState() {
        TBytes b(stream);
        std::size_t at = static_cast<std::size_t>(PageStarts()[0]) + 19;
        while (b.B(at) != 27)
            ++at;
        return at + 5;
    }
    // The page count and the position of each page record, walking the next links.
    std::vector<LongInt> PageStarts() {
        TBytes b(stream);
        std::vector<LongInt> starts;
        std::size_t at = 3 + 1 + b.B(3) + 2 + 2 + 2 + 4 * 6 + 1 + 2 + 1 + 1 + 2 * 4;
        at += 1 + b.B(at);
        LongInt page = static_cast<LongInt>(at);
        while (page != 0) {
            starts.push_back(page);
            page = b.L(static_cast<std::size_t>(page) + 5);
        }
        return starts;
    }

    TMemoryStream stream;
};

// "One" on the first page, "Two" on the second.
void OneThenTwo(TBaseReport& r) {
    r.PrintLeft("One", 1.0);
    r.NewPage();
    r.PrintLeft("Two", 1.0);
}

void TwoLines(TBaseReport& r) {
    r.SetFont("Arial", 12);
    r.PrintLeft("Payment 1", 1.0);
    r.PrintRight("1,234.56", 6.0);
    r.NewLine();
    r.PrintCenter("Totals", 4.25);
}

TEST_F(RptFiler, OnePageHeaderPageRecordAndEnd) {
    Record([](TBaseReport& r) { r.PrintLeft("Hello", 1.0); });
    TBytes b(stream);
    EXPECT_EQ(b.B(0), 90);
    EXPECT_EQ(b.W(1), 2010);
    ASSERT_EQ(b.B(3), 8);
    EXPECT_EQ(std::string(b.data.begin() + 4, b.data.begin() + 12), "Schedule");
    EXPECT_EQ(b.W(12), 1); // page count patched
    EXPECT_EQ(b.W(14), 1);
    EXPECT_EQ(b.W(16), 9999);
    EXPECT_FLOAT_EQ(b.R(18), 8.5f);
    EXPECT_FLOAT_EQ(b.R(22), 11.0f);
    EXPECT_FLOAT_EQ(b.R(26), 0.25f); // the 100-dpi test printer's unprintable quarter inch
    const std::vector<LongInt> pages = PageStarts();
    ASSERT_EQ(pages.size(), 1u);
    const auto page = static_cast<std::size_t>(pages[0]);
    EXPECT_EQ(b.B(page), 80);
    EXPECT_EQ(b.L(page + 1), 0);
    EXPECT_EQ(b.L(page + 5), 0);
    EXPECT_EQ(b.W(page + 9), 1);
    // The full state follows in code order: brush, font, pen, scales, background.
    b.ExpectCodes(page, {{19, 41}, {24, 42}, {26, 43}, {27, 0}, {28, 51}});
    EXPECT_EQ(b.data.back(), 82);
}

TEST_F(RptFiler, StateIsRecordedOnlyWhenItChanges) {
    Record([](TBaseReport& r) {
        r.SetBrush(clRed, bsSolid, nullptr);
        r.SetBrush(clRed, bsSolid, nullptr);
        r.SetPen(clBlue, psDash, 3, pmCopy);
    });
    TBytes b(stream);
    // After the page's full state: one brush colour and style, then the pen's colour, style and
    // width; the second identical brush writes nothing.
    const std::size_t at = PastFullState();
    b.ExpectCodes(
        at,
        {{0, 41}, {5, 42}, {6, BS_SOLID}, {7, 71}, {12, 73}, {13, PS_DASH}, {14, 74}, {19, 82}});
    EXPECT_EQ(b.L(at + 1), static_cast<LongInt>(clRed));
    EXPECT_FLOAT_EQ(b.R(at + 15), 0.03f);
}

// Settings changed inside a page are recorded with their values, and the recording plays.
TEST_F(RptFiler, SettingsInsideAPageAreRecordedWithTheirValues) {
    Record([](TBaseReport& r) {
        r.SetTextBKMode(bkOpaque);
        r.SetOrientation(TOrientation::poLandScape);
        r.SelectBin("Manual feed");
        r.OutputToPrinterOnly();
        r.OutputToAll();
        r.SetScaleX(50.0);
        r.SetScaleY(200.0);
        r.SetOrientation(TOrientation::poDefault);
    });
    TBytes b(stream);
    const std::size_t at = PastFullState();
    b.ExpectCodes(at, {{0, 26},
                       {1, 1},
                       {2, 87},
                       {3, 1},
                       {4, 88},
                       {17, 85},
                       {18, 86},
                       {19, 28},
                       {24, 29},
                       {29, 87},
                       {30, 2},
                       {31, 82}});
    ASSERT_EQ(b.B(at + 5), 11);
    EXPECT_EQ(std::string(b.data.begin() + static_cast<long>(at) + 6,
                          b.data.begin() + static_cast<long>(at) + 17),
              "Manual feed");
    EXPECT_FLOAT_EQ(b.R(at + 20), 50.0f);
    EXPECT_FLOAT_EQ(b.R(at + 25), 200.0f);
    EXPECT_EQ(ErrorOf([&] { Play(); }), "no error");
    EXPECT_TRUE(LastDocument().Finished);
}

// A recorder run a second time records the same bytes: the brush and pen changes it listens to
// on the measuring canvas are let go at each job's end and taken up again at the next start.
TEST_F(RptFiler, ASecondJobOfTheSameRecorderRecordsTheSame) {
    TReportFiler filer(nullptr);
    OnStream(filer, stream);
    filer.OnPrint = [&](TObject*) {
        filer.SetBrush(clRed, bsSolid, nullptr);
        filer.SetPen(clBlue, psDash, 3, pmCopy);
        filer.Rectangle(1.0, 1.0, 2.0, 2.0);
    };
    filer.Execute();
    const std::vector<Byte> first = TBytes(stream).data;
    stream.Clear();
    filer.Execute();
    EXPECT_EQ(TBytes(stream).data, first);
}

TEST_F(RptFiler, PositioningRecordsBlockTextAtTheLeftEdge) {
    Record([](TBaseReport& r) { r.PrintRight("1,234.56", 6.0); }, amPositioning);
    TBytes b(stream);
    const std::size_t code = static_cast<std::size_t>(
        std::find(b.data.begin() + PageStarts()[0] + 19, b.data.end(), 33) - b.data.begin());
    ASSERT_LT(code, b.data.size());
    const float x = b.R(code + 1 + 4 + 1 + 8);
    const float width = b.R(code + 1 + 4 + 1 + 8 + 4);
    EXPECT_GT(width, 0.3f);
    EXPECT_NEAR(x + width, 6.0f, 1e-4f);
}

TEST_F(RptFiler, MacroTextStaysAlignedTextUnderPositioning) {
    Record([](TBaseReport& r) { r.PrintCenter("Page " + r.Macro(11), 4.0); }, amPositioning);
    TBytes b(stream);
    EXPECT_NE(std::find(b.data.begin() + PageStarts()[0] + 19, b.data.end(), 23), b.data.end());
}

TEST_F(RptFiler, LongTextIsCutWithAMatchingLength) {
    Record([](TBaseReport& r) { r.PrintLeft(std::string(300, 'x') + "END", 1.0); });
    TBytes b(stream);
    const auto it = std::find(b.data.begin() + PageStarts()[0] + 19, b.data.end(), 24);
    ASSERT_NE(it, b.data.end());
    const std::size_t at = static_cast<std::size_t>(it - b.data.begin());
    EXPECT_EQ(b.B(at + 5), 255);
    EXPECT_EQ(b.B(at + 6 + 255 + 4), 82); // X follows the 255 characters, then the page's end
}

TEST_F(RptFiler, PagesAreLinkedBothWaysAndCounted) {
    Record([](TBaseReport& r) {
        for (int i = 0; i < 4; ++i) {
            r.PrintLeft("Page", 1.0);
            if (i < 3) r.NewPage();
        }
    });
    TBytes b(stream);
    const std::vector<LongInt> pages = PageStarts();
    ASSERT_EQ(pages.size(), 4u);
    EXPECT_EQ(b.W(12), 4);
    for (std::size_t i = 0; i < pages.size(); ++i) {
        EXPECT_EQ(b.L(static_cast<std::size_t>(pages[i]) + 1), i == 0 ? 0 : pages[i - 1]);
        EXPECT_EQ(b.W(static_cast<std::size_t>(pages[i]) + 9), static_cast<int>(i) + 1);
        EXPECT_EQ(b.B(static_cast<std::size_t>(pages[i]) - 1), i == 0 ? b.B(pages[0] - 1) : 82);
    }
}

TEST_F(RptFiler, CancelledPageLeavesNoTrace) {
    Record(OneThenTwo);
    const std::vector<Byte> clean = TBytes(stream).data;
    stream.Clear();
    Record([](TBaseReport& r) {
        r.PrintLeft("One", 1.0);
        r.NewPage();
        r.PrintLeft("Thrown away", 1.0);
        r.CancelPage();
        r.NewPage();
        r.PrintLeft("Two", 1.0);
    });
    TBytes b(stream);
    ASSERT_EQ(b.data.size(), clean.size());
    for (std::size_t i = 0; i < clean.size(); ++i)
        ASSERT_EQ(b.data[i], clean[i]) << "at " << i;

    // Cancelled as the last page: the page before it ends the chain.
    stream.Clear();
    Record([](TBaseReport& r) {
        r.PrintLeft("One", 1.0);
        r.NewPage();
        r.PrintLeft("Gone", 1.0);
        r.CancelPage();
    });
    TBytes last(stream);
    EXPECT_EQ(last.W(12), 1);
    EXPECT_EQ(PageStarts().size(), 1u);
    EXPECT_EQ(last.data.back(), 82);
}

TEST_F(RptFiler, GraphicIsStoredOnceAndReused) {
    TBitmap logo;
    logo.SetSize(8, 8);
    Record([&](TBaseReport& r) {
        for (int page = 1; page <= 3; ++page) {
            if (page > 1) r.ReuseGraphic(3);
            r.PrintBitmap(1.0, 1.0, 1.0, 1.0, &logo);
            if (page == 1) r.RegisterGraphic(3);
            if (page < 3) r.NewPage();
        }
    });
    TBytes b(stream);
    const std::vector<LongInt> pages = PageStarts();
    ASSERT_EQ(pages.size(), 3u);
    auto kindAfter = [&](LongInt page) {
        std::size_t at = static_cast<std::size_t>(page) + 19;
        while (!(b.B(at) == 34 && b.B(at + 2) == 16))
            ++at;
        return at + 3;
    };
    const std::size_t first = kindAfter(pages[0]);
    EXPECT_EQ(b.B(first), 1);
    const std::size_t second = kindAfter(pages[1]);
    EXPECT_EQ(b.B(second), 129);
    EXPECT_EQ(b.L(second + 1), static_cast<LongInt>(first + 1));
    EXPECT_EQ(b.B(kindAfter(pages[2])), 129);
    // Played back, the reused bitmap is drawn on every page.
    backend->SetKeepPageImages(true);
    Play();
    ASSERT_EQ(LastDocument().Pages.size(), 3u);
}

TEST(RptStreamValues, PensBrushesAndFillsKeepTheSystemsNumbers) {
    EXPECT_EQ(PenModeCode(pmCopy), 13);
    EXPECT_EQ(PenModeCode(pmNotXor), 10);
    EXPECT_EQ(PenStyleCode(psClear), 5);
    EXPECT_EQ(BrushStyleCode(bsClear), 1);
    EXPECT_EQ(FillStyleCode(fsSurface), 1);
    for (int m = pmBlack; m <= pmNotXor; ++m) {
        TPenMode back = pmBlack;
        ASSERT_TRUE(PenModeOfCode(PenModeCode(static_cast<TPenMode>(m)), back));
        EXPECT_EQ(back, m);
    }
    for (int b = bsSolid; b <= bsDiagCross; ++b) {
        TBrushStyle back = bsSolid;
        ASSERT_TRUE(BrushStyleOfCode(BrushStyleCode(static_cast<TBrushStyle>(b)), back));
        EXPECT_EQ(back, b);
    }
    TPenMode mode = pmCopy;
    TPenStyle style = psSolid;
    TBrushStyle brush = bsSolid;
    TFillStyle fill = fsSurface;
    EXPECT_FALSE(PenModeOfCode(0, mode));
    EXPECT_FALSE(PenStyleOfCode(7, style));
    EXPECT_FALSE(BrushStyleOfCode(8, brush));
    EXPECT_FALSE(FillStyleOfCode(2, fill));
}

TEST_F(RptFiler, RegistryIndexOutsideOneToTenIsRefused) {
    TReportFiler filer(nullptr);
    EXPECT_EQ(ErrorOf([&] { filer.RegisterGraphic(11); }),
              "RegisterGraphic: Index must be between 1 and 10");
    EXPECT_EQ(ErrorOf([&] { filer.ReuseGraphic(0); }),
              "ReuseGraphic: Index must be between 1 and 10");
    EXPECT_EQ(ErrorOf([&] { filer.UnregisterGraphic(-1); }),
              "UnregisterGraphic: Index must be between 1 and 10");
}

TEST_F(RptFiler, UserModeWithoutStreamAndCopyRectFail) {
    TReportFiler filer(nullptr);
    filer.SetStreamMode(smUser);
    EXPECT_EQ(ErrorOf([&] { filer.Execute(); }), "StreamMode is smUser but Stream is nil");
    filer.SetStream(&stream);
    TBitmap other;
    filer.OnPrint = [&](TObject*) {
        filer.CopyRect(Rect(0, 0, 1, 1), other.Canvas(), Rect(0, 0, 1, 1));
    };
    EXPECT_EQ(ErrorOf([&] { filer.Execute(); }), "CopyRect() not supported in file mode.");
}

TEST_F(RptFiler, ReusedCallerStreamKeepsGraphicPositions) {
    // A caller's stream with an older, longer recording in it: positions count from its start.
    std::vector<Byte> old(100000, 0xAA);
    stream.WriteBuffer(old.data(), static_cast<LongInt>(old.size()));
    TBitmap logo, red;
    Paint(logo, clBlack);
    Paint(red, clRed);
    Record([&](TBaseReport& r) {
        r.PrintLeft("Thrown away", 1.0);
        r.CancelPage();
        r.NewPage();
        r.PrintBitmap(1.0, 1.0, 1.0, 1.0, &logo);
        r.RegisterGraphic(1);
        r.NewPage();
        r.ReuseGraphic(1);
        r.PrintBitmap(1.0, 1.0, 1.0, 1.0, &logo);
        // The reuse asked for is spent: the next bitmap is stored whole.
        r.PrintBitmap(2.0, 1.0, 1.0, 1.0, &red);
    });
    EXPECT_LT(stream.Size(), 10000);
    backend->SetKeepPageImages(true);
    Play();
    ASSERT_EQ(LastDocument().Pages.size(), 2u);
    EXPECT_EQ(LastDocument().Pages[1].Image->Canvas()->Pixels(75, 75), clBlack);
    EXPECT_EQ(LastDocument().Pages[1].Image->Canvas()->Pixels(175, 75), clRed);
}

// A job aborted from a page's footer stops as that page ends: the page, ended before the
// abort is acted on, stays whole in the recording, and nothing after it is recorded.
TEST_F(RptFiler, AJobAbortedFromAFooterKeepsThePageItEnded) {
    TReportFiler filer(nullptr);
    OnStream(filer, stream).SetTitle("Schedule");
    filer.OnPrintFooter = [&](TObject*) {
        if (filer.CurrentPage() == 2) filer.Abort();
    };
    filer.OnPrint = [&](TObject*) {
        filer.PrintLeft("One", 1.0);
        filer.NewPage();
        filer.PrintLeft("Two", 1.0);
        filer.NewPage();
        filer.PrintLeft("Three", 1.0);
    };
    filer.Execute();
    TBytes b(stream);
    EXPECT_EQ(b.W(12), 2);
    const std::vector<LongInt> pages = PageStarts();
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(b.W(static_cast<std::size_t>(pages[1]) + 9), 2);
    EXPECT_EQ(b.data.back(), 82);
}

// A reuse asked for refers to the registered graphic without storing the one drawn (the caller
// vouches that it is the same); once the slot is let go, the graphic drawn is stored whole.
TEST_F(RptFiler, AReuseRefersToItsSlotsGraphicUntilTheSlotIsLetGo) {
    TBitmap logo, other;
    Paint(logo, clBlack);
    Paint(other, clRed);
    Record([&](TBaseReport& r) {
        r.PrintBitmap(1.0, 1.0, 1.0, 1.0, &logo);
        r.RegisterGraphic(1);
        r.ReuseGraphic(1);
        r.PrintBitmap(2.0, 1.0, 1.0, 1.0, &other);
        r.UnregisterGraphic(1);
        r.ReuseGraphic(1);
        r.PrintBitmap(3.0, 1.0, 1.0, 1.0, &other);
    });
    std::vector<std::size_t> places;
    ASSERT_EQ(GraphicKinds(&places), (std::vector<std::size_t>{1, 129, 1}));
    EXPECT_EQ(TBytes(stream).L(places[1]), static_cast<LongInt>(places[0]));
    backend->SetKeepPageImages(true);
    Play();
    const auto& page = LastDocument().Pages.at(0);
    EXPECT_EQ(page.Image->Canvas()->Pixels(75, 75), clBlack);
    EXPECT_EQ(page.Image->Canvas()->Pixels(175, 75), clBlack);
    EXPECT_EQ(page.Image->Canvas()->Pixels(275, 75), clRed);
}

// A bitmap drawn again is a reuse of the one stored, but never of one on a page cut out.
TEST_F(RptFiler, ABitmapDrawnAgainAfterItsPageWasCancelledIsStoredAgain) {
    TBitmap logo;
    Paint(logo, clBlack);
    Record([&](TBaseReport& r) {
        r.PrintBitmap(1.0, 1.0, 1.0, 1.0, &logo);
        r.CancelPage();
        r.NewPage();
        r.PrintBitmap(1.0, 1.0, 1.0, 1.0, &logo);
        r.NewPage();
        r.PrintBitmap(1.0, 1.0, 1.0, 1.0, &logo);
    });
    // Stored in full on the first recorded page, referred to on the second.
    EXPECT_EQ(GraphicKinds(), (std::vector<std::size_t>{1, 129}));
    backend->SetKeepPageImages(true);
    Play();
    ASSERT_EQ(LastDocument().Pages.size(), 2u);
    for (const auto& page : LastDocument().Pages)
        EXPECT_EQ(page.Image->Canvas()->Pixels(75, 75), clBlack);
}

// The recorder keeps the graphics it wrote last, up to 16 MiB of them, to find one drawn again:
// a thin bitmap and a large one together exactly that size are both kept, so the thin one
// drawn again is referred to; four bytes more and the thin one, the oldest, is let go.
TEST_F(RptFiler, GraphicsKeptForReuseFillSixteenMebibytes) {
    auto savedSize = [](TBitmap& bitmap) {
        TMemoryStream saved;
        bitmap.SaveToStream(saved);
        return static_cast<LongInt>(saved.Size());
    };
    TBitmap large;
    large.SetSize(2048, 2710);
    large.Canvas()->Brush()->SetColor(clWhite);
    large.Canvas()->FillRect(Rect(0, 0, 2048, 2710));
    TBitmap thin;
    thin.SetSize(1, 1);
    const LongInt row = 4; // a row of one pixel, padded to four bytes
    const LongInt header = savedSize(thin) - row;
    const LongInt room = 16 * 1024 * 1024 - savedSize(large) - header;
    ASSERT_EQ(room % row, 0);
    ASSERT_LT(room / row, 32767) << "a bitmap is at most 32767 pixels high";
    for (LongInt extra : {0, 1}) {
        thin.SetSize(1, room / row + extra);
        thin.Canvas()->Brush()->SetColor(clBlack);
        thin.Canvas()->FillRect(Rect(0, 0, 1, thin.Height()));
        stream.Clear();
        Record([&](TBaseReport& r) {
            r.PrintBitmap(1.0, 1.0, 1.0, 1.0, &thin);
            r.PrintBitmap(2.0, 1.0, 1.0, 1.0, &large);
            r.PrintBitmap(3.0, 1.0, 1.0, 1.0, &thin);
        });
        EXPECT_EQ(GraphicKinds(), (std::vector<std::size_t>{1, 1, extra == 0 ? 129u : 1u}))
            << extra;
    }
}

TEST_F(RptFiler, TemporaryFileIsMadeWithItsPrefix) {
    TReportFiler filer(nullptr);
    filer.SetStreamMode(smTempFile);
    filer.OnPrint = [&](TObject*) { filer.PrintLeft("x", 1); };
    filer.Execute();
    const std::string name = filer.FileName();
    EXPECT_NE(name.find("/RP"), std::string::npos) << name;
    TFileStream file(name, fmOpenRead);
    EXPECT_GT(file.Size(), 40);
    std::remove(name.c_str());
}

// ---- Play-back

// The texts printed on each page of the last document.
std::vector<std::vector<TTestPrinterBackend::TPrintedText>> Texts(const TTestPrinterBackend& b) {
    std::vector<std::vector<TTestPrinterBackend::TPrintedText>> pages;
    for (const auto& page : b.Documents().back().Pages)
        pages.push_back(page.Texts);
    return pages;
}

void ThreePages(TBaseReport& r) {
    for (int page = 1; page <= 3; ++page) {
        r.SetFont("Times New Roman", 11);
        r.PrintLeft("Page " + r.Macro(11) + " of ", 1.0);
        r.Print(r.Macro(10));
        r.NewLine();
        TwoLines(r);
        r.Rectangle(1.0, 2.0, 3.0, 3.0);
        if (page < 3) r.NewPage();
    }
}

TEST_F(RptFiler, PlayedPagesEqualTheDirectPrint) {
    for (TAccuracyMethod method : {amAppearance, amPositioning}) {
        stream.Clear();
        Direct(ThreePages);
        const auto direct = Texts(*backend);
        Record(ThreePages, method);
        Play();
        const auto played = Texts(*backend);
        ASSERT_EQ(played.size(), 3u);
        ASSERT_EQ(direct.size(), 3u);
        for (std::size_t p = 0; p < 3; ++p) {
            // Joined per line, the same words stand at the same places.
            std::string a, b;
            for (const auto& t : direct[p])
                a += t.Text == "9999" ? "3" : t.Text;
            for (const auto& t : played[p])
                b += t.Text;
            EXPECT_EQ(a, b) << "page " << p + 1;
            EXPECT_EQ(b.find("Page " + std::to_string(p + 1) + " of 3"), 0u) << b;
            ASSERT_FALSE(played[p].empty());
            EXPECT_NEAR(played[p].front().X, direct[p].front().X, 1);
            EXPECT_NEAR(played[p].front().Y, direct[p].front().Y, 1);
        }
    }
}

// Text aligned to its top or bottom, superscript and subscript play where they printed.
TEST_F(RptFiler, AlignedAndRaisedTextPlaysWhereItPrinted) {
    const TBody body = [](TBaseReport& r) {
        r.SetFont("Arial", 14);
        r.SetFontAlign(1);
        r.PrintLeft("Top", 1.0);
        r.SetFontAlign(2);
        r.PrintLeft("Bottom", 2.0);
        r.SetFontAlign(0);
        r.PrintLeft("Base", 3.0);
        r.SetSuperscript(true);
        r.PrintLeft("2", 4.0);
        r.SetSubscript(true);
        r.PrintLeft("low", 5.0);
    };
    Direct(body);
    const auto direct = Texts(*backend);
    Record(body);
    Play();
    const auto played = Texts(*backend);
    ASSERT_EQ(direct.at(0).size(), 5u);
    ASSERT_EQ(played.at(0).size(), 5u);
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(played[0][i].Text, direct[0][i].Text);
        EXPECT_EQ(played[0][i].Align, direct[0][i].Align) << direct[0][i].Text;
        EXPECT_NEAR(played[0][i].X, direct[0][i].X, 1) << direct[0][i].Text;
        EXPECT_NEAR(played[0][i].Y, direct[0][i].Y, 1) << direct[0][i].Text;
    }
    EXPECT_EQ(direct[0][0].Align, TA_LEFT | TA_TOP);
    EXPECT_EQ(direct[0][1].Align, TA_LEFT | TA_BOTTOM);
    EXPECT_EQ(direct[0][2].Align, TA_LEFT | TA_BASELINE);
}

TEST_F(RptFiler, PlayedShapesCoverTheSamePixelsAsTheDirectPrint) {
    // Every kind of shape a recording holds, each at its own place on the page.
    auto shapes = [](TBaseReport& r) {
        r.GetCanvas()->Brush()->SetColor(clBlack);
        r.Polygon({{100, 100}, {180, 110}, {130, 190}});
        r.Polyline({{200, 100}, {280, 150}, {220, 190}, {290, 120}});
        r.Arc(0.5, 2.5, 1.5, 3.5, 1.5, 2.6, 0.6, 3.4);
        r.Chord(2.0, 2.5, 3.0, 3.5, 3.0, 2.7, 2.1, 3.3);
        r.Pie(3.5, 2.5, 4.5, 3.5, 4.4, 2.5, 3.6, 3.5);
        r.Ellipse(5.0, 2.5, 6.0, 3.25);
        r.RoundRect(0.5, 4.0, 1.5, 4.75, 0.25, 0.125);
        r.Rectangle(2.0, 4.0, 3.0, 4.5);
        r.FillRect(Rect(400, 400, 430, 470));
        r.FrameRect(Rect(450, 400, 520, 440));
        r.MoveTo(5.0, 4.0);
        r.LineTo(6.5, 4.9);
    };
    backend->SetKeepPageImages(true);
    Direct(shapes);
    const std::shared_ptr<TBitmap> direct = LastDocument().Pages.at(0).Image;
    Record(shapes);
    Play();
    const std::shared_ptr<TBitmap> played = LastDocument().Pages.at(0).Image;
    ASSERT_TRUE(direct && played);
    ASSERT_EQ(direct->Width(), played->Width());
    int inked = 0, differing = 0;
    for (int y = 0; y < direct->Height(); ++y)
        for (int x = 0; x < direct->Width(); ++x) {
            const TColor d = direct->Canvas()->Pixels(x, y);
            inked += d != clWhite;
            differing += d != played->Canvas()->Pixels(x, y);
        }
    EXPECT_GT(inked, 1000);
    EXPECT_EQ(differing, 0);
}

TEST_F(RptFiler, ScalesPitchAndPenHandlersSurviveTheRecording) {
    auto body = [](TBaseReport& r) {
        r.SetScaleX(50.0);
        r.SetScaleY(50.0);
        r.SetFontPitch(2); // fixed
        r.PrintLeft("Halved", 2.0);
        r.NewLine();
        r.PrintLeft("twice", 4.0);
    };
    Record(body);
    Play();
    // The scales are kept in the recording, and the player's own scale (100 %) applies: the
    // texts stand 2 and 4 inches in, 1.75 and 3.75 inches into the printable area.
    const auto played = Texts(*backend);
    ASSERT_EQ(played.size(), 1u);
    ASSERT_EQ(played[0].size(), 2u);
    EXPECT_EQ(played[0][0].Text, "Halved");
    EXPECT_EQ(played[0][0].X, 175);
    EXPECT_EQ(played[0][1].Text, "twice");
    EXPECT_EQ(played[0][1].X, 375);
    EXPECT_EQ(played[0][0].Font.lfPitchAndFamily & 3, FIXED_PITCH) << "the fixed pitch too";
    // The recording gives the canvas's own change handlers back when it ends.
    TReportFiler filer(nullptr);
    OnStream(filer, stream);
    int penChanges = 0;
    TCanvas* canvas = nullptr;
    filer.OnPrint = [&](TObject*) {
        canvas = filer.GetCanvas();
        filer.PrintLeft("x", 1.0);
    };
    int fontChanges = 0;
    filer.OnBeforePrint = [&](TObject*) {
        filer.GetCanvas()->Pen()->OnChange = [&](TObject*) { ++penChanges; };
        filer.GetCanvas()->Font()->OnChange = [&](TObject*) { ++fontChanges; };
    };
    stream.Clear();
    filer.Execute();
    ASSERT_NE(canvas, nullptr);
    ASSERT_TRUE(canvas->Pen()->OnChange);
    canvas->Pen()->SetWidth(canvas->Pen()->Width() + 3);
    EXPECT_EQ(penChanges, 1);
    const int before = fontChanges;
    ASSERT_TRUE(canvas->Font()->OnChange);
    canvas->Font()->SetHeight(canvas->Font()->Height() - 3);
    EXPECT_EQ(fontChanges, before + 1) << "and its own font handler";
}

TEST_F(RptFiler, PlayedPdfHasTheDirectPdfsWords) {
    UseBackends({CreatePdfPrinterBackend()});
    const std::string direct = dir + "/direct.pdf", played = dir + "/played.pdf";
    auto body = [](TBaseReport& r) {
        ThreePages(r);
        r.SetTab(1.0, pjLeft, 2.0, 5, BOXLINEALL, 20);
        r.SetTab(-1, pjRight, 1.5, 5, BOXLINEALL, 0);
        r.PrintLn("\tLoan amount\t$150,000.00");
        r.PrintLn("\tMonthly payment\t$1,023.27");
    };
    TReportWriter writer(nullptr);
    writer.SetOutputFileName(direct);
    writer.OnPrint = [&](TObject*) { body(writer); };
    writer.Execute();
    for (TAccuracyMethod method : {amAppearance, amPositioning}) {
        stream.Clear();
        TReportFiler filer(nullptr);
        OnStream(filer, stream).SetAccuracyMethod(method);
        filer.SetOutputFileName(played);
        filer.OnPrint = [&](TObject*) { body(filer); };
        filer.Execute();
        Play(0, 0, [&](TFilePrinter& p) { p.SetOutputFileName(played); });
        const auto a = PdfWords(RunTool("pdftotext -bbox " + ShellQuoted(direct) + " -"));
        const auto b = PdfWords(RunTool("pdftotext -bbox " + ShellQuoted(played) + " -"));
        ASSERT_EQ(a.size(), b.size());
        ASSERT_GT(a.size(), 20u);
        for (const TPdfWord& word : a) {
            if (word.Text == "9999") continue; // the page count is known to the recording only
            // The same word at the same place (the order of the tool's words may differ).
            double nearest = 1e9;
            for (const TPdfWord& other : b)
                if (other.Text == word.Text)
                    nearest = std::min(nearest, std::max(std::fabs(other.XMin - word.XMin),
                                                         std::fabs(other.YMin - word.YMin)));
            EXPECT_LE(nearest, 0.5) << word.Text << " at " << word.XMin << "," << word.YMin;
        }
    }
}

// A recording can come from elsewhere and name any file: playing it must not write there.
TEST_F(RptFiler, PlayerPrintsWhereItsCallerSaysNotWhereTheRecordingSays) {
    const std::string named = dir + "/named by the recording.prn", chosen = dir + "/chosen.prn";
    TReportFiler filer(nullptr);
    OnStream(filer, stream).SetOutputFileName(named);
    filer.OnPrint = [&](TObject*) { filer.PrintLeft("x", 1.0); };
    filer.Execute();
    RPDev()->SetOutputFileName("");
    Play();
    EXPECT_EQ(LastDocument().Settings.Output, "");
    Play(0, 0, [&](TFilePrinter& p) { p.SetOutputFileName(chosen); });
    EXPECT_EQ(LastDocument().Settings.Output, chosen);
    // Nor a file left on the printer, which does not outlive the job either.
    RPDev()->SetOutputFileName(named);
    Play();
    EXPECT_EQ(LastDocument().Settings.Output, "");
    EXPECT_EQ(RPDev()->OutputFileName(), "");
}

TEST_F(RptFiler, PageRangesArePlayedOnce) {
    Record(ThreePages);
    Play(2, 0);
    EXPECT_EQ(LastDocument().Pages.size(), 2u);
    Play(3, 2);
    EXPECT_EQ(backend->Documents().size(), 1u); // nothing started
    Play(0, 99);
    EXPECT_EQ(LastDocument().Pages.size(), 3u);
    // The player's page selection: pages 2 to 3 of the three recorded.
    Play(0, 0, [](TFilePrinter& p) { p.SetFirstPage(2); });
    ASSERT_EQ(LastDocument().Pages.size(), 2u);
    EXPECT_NE(LastDocument().Pages[0].Texts.front().Text.find("Page 2"), std::string::npos);
}

// A player whose user cancels after its second page.
class TCancelledPlayer : public TFilePrinter {
public:
    using TFilePrinter::TFilePrinter;
    void PlayPage(int PageNum) override {
        TFilePrinter::PlayPage(PageNum);
        if (PageNum == 2) Abort();
    }
};

TEST_F(RptFiler, CancelDuringPlayBackAbandonsTheJob) {
    Record(ThreePages);
    TCancelledPlayer player(nullptr);
    OnStream(player, stream).Execute();
    EXPECT_TRUE(player.Aborted());
    EXPECT_TRUE(LastDocument().Aborted);
    EXPECT_FALSE(LastDocument().Finished);
    EXPECT_FALSE(player.Printing());
}

TEST_F(RptFiler, FontFittingStopsAtOnePixel) {
    // Every recorded sample width made far too small: the player shrinks the font but never
    // below a pixel, and still prints.
    PlayShrunk(12);
    ASSERT_EQ(LastDocument().Pages.size(), 1u);
    ASSERT_FALSE(LastDocument().Pages[0].Texts.empty());
    const LOGFONT& font = LastDocument().Pages[0].Texts.back().Font;
    EXPECT_GE(std::abs(font.lfHeight), 1);
    EXPECT_LT(std::abs(font.lfHeight), 12); // 17 pixels as recorded
}

// A font of 1.512 points is 2.1 pixels at 100 dots per inch; one step of 1.1 pixels makes it
// exactly one pixel, which is still allowed: the fitted font is one pixel high.
TEST_F(RptFiler, FontFittingMayReachExactlyOnePixel) {
    PlayShrunk(1.512);
    ASSERT_FALSE(LastDocument().Pages.at(0).Texts.empty());
    EXPECT_EQ(LastDocument().Pages[0].Texts.back().Font.lfHeight, -1);
}

// Fitting measures a few widths: a 9-inch font at 600 dots an inch with an absurd sample goes to
// its last pixel at once; with widths out of proportion, halving finds the fewest steps that fit.
TEST(FontFitting, MeasuresAFewWidths) {
    int measured = 0;
    const auto pixels = [](int steps) { return 5400 - steps * FontFitStep; };
    const auto proportional = [&](int steps) { return ++measured, pixels(steps) / 100; };
    const auto squared = [&](int steps) { return ++measured, pixels(steps) * pixels(steps) / 5e5; };
    const int last = FontFitSteps(5400, 1.6e-10, proportional);
    EXPECT_LE(measured, 4);
    EXPECT_NEAR(pixels(last), 1.0 + FontFitStep / 2, FontFitStep / 2);
    measured = 0;
    const int fitted = FontFitSteps(5400, 12, squared);
    EXPECT_LE(measured, 5 + std::log2(5400));
    EXPECT_LE(squared(fitted), 12);
    EXPECT_GT(squared(fitted - 1), 12);
}

// A font height no report has (none, or past 1000 points) or a negative sample width is damage.
TEST_F(RptFiler, FontHeightsAndSampleWidthsNoFontHasAreRefused) {
    for (const auto& [height, sample] :
         {std::pair{0.0, 5.0}, {-0.1, 5.0}, {14.0, 5.0}, {0.1, -1.0}}) {
        Record(TwoLines);
        EXPECT_EQ(ErrorOf([&] { PlayWithFontHeights(12, height, sample); }),
                  "Unexpected code found in report file.");
    }
}

TEST_F(RptFiler, Version2009HeaderPlaysAndKeepsTheTitle) {
    Record(TwoLines);
    // Rewrite the header as the older form: no version word, no title.
    TBytes b(stream);
    std::vector<Byte> old{89};
    const std::size_t titleEnd = 4 + b.B(3);
    old.insert(old.end(), b.data.begin() + static_cast<long>(titleEnd), b.data.end());
    // Page links move back by the bytes taken out.
    const LongInt shift = static_cast<LongInt>(titleEnd - 1);
    const std::size_t page =
        static_cast<std::size_t>(PageStarts()[0]) - static_cast<std::size_t>(shift);
    EncodeLE(old.data() + page + 1, LongInt{0});
    Load(old);
    TFilePrinter player(nullptr);
    OnStream(player, stream).SetTitle("Kept");
    player.Execute();
    EXPECT_EQ(player.Title(), "Kept");
    EXPECT_EQ(LastDocument().Pages.size(), 1u);
}

// ---- Malformed recordings

class RptBadStream : public RptFiler {
protected:
    // Plays the bytes and returns the error; nothing may have been printed.
    std::string PlayBytes(const std::vector<Byte>& bytes) {
        Load(bytes);
        const std::size_t before = backend->Documents().size();
        const std::string error = ErrorOf([&] { Play(); });
        for (std::size_t i = before; i < backend->Documents().size(); ++i)
            EXPECT_TRUE(backend->Documents()[i].Aborted) << error;
        return error;
    }
    std::vector<Byte> Good() {
        stream.Clear();
        Record(OneThenTwo);
        return TBytes(stream).data;
    }
};

// The whole-brush, whole-pen and whole-font records of older recordings set every part.
TEST_F(RptBadStream, WholeBrushPenAndFontRecordsPlay) {
    std::vector<Byte> bytes = Good();
    std::vector<Byte> more;
    auto byte = [&](Byte v) { more.push_back(v); };
    auto put = [&](auto v) { // a word, longint or real
        more.resize(more.size() + sizeof v);
        EncodeLE(more.data() + more.size() - sizeof v, v);
    };
    auto color = [&](TColor c) { put(static_cast<LongInt>(c)); };
    auto text = [&](const std::string& t) {
        byte(static_cast<Byte>(t.size()));
        more.insert(more.end(), t.begin(), t.end());
    };
    byte(40); // brush: red, solid, no bitmap
    color(clRed);
    byte(BS_SOLID);
    byte(0);
    byte(70); // pen: blue, copy, solid, 0.03 inch
    color(clBlue);
    byte(PenModeCode(pmCopy));
    byte(PS_SOLID);
    put(0.03f);
    byte(18); // rectangle from 1 to 2 inches
    for (float v : {1.0f, 1.0f, 2.0f, 2.0f})
        put(v);
    byte(40); // brush: red, clear: the next rectangle is an outline only
    color(clRed);
    byte(BS_NULL);
    byte(0);
    byte(18);
    for (float v : {3.0f, 1.0f, 4.0f, 2.0f})
        put(v);
    byte(50); // font: bold Courier New, 20 points, green
    text("Courier New");
    color(clGreen);
    byte(2);
    put(20.0f / 72.0f);
    for (Byte flag : {1, 0, 0, 0})
        byte(flag);
    put(SmallInt{0});
    byte(24); // "Font" at 3 inches on the line at 3 inches
    put(3.0f);
    text("Font");
    put(3.0f);
    bytes.insert(bytes.end() - 1, more.begin(), more.end());
    Load(bytes);
    backend->SetKeepPageImages(true);
    Play();
    const auto& page = LastDocument().Pages.at(1);
    EXPECT_EQ(page.Image->Canvas()->Pixels(125, 125), clRed);
    EXPECT_EQ(page.Image->Canvas()->Pixels(325, 125), clWhite);
    EXPECT_EQ(page.Image->Canvas()->Pixels(276, 125), clBlue);
    EXPECT_EQ(page.Image->Canvas()->Pixels(76, 125), clBlue);
    EXPECT_EQ(page.Image->Canvas()->Pixels(73, 125), clWhite) << "a pen 3 pixels wide";
    ASSERT_EQ(page.Texts.size(), 2u);
    const auto& font = page.Texts[1];
    EXPECT_EQ(font.Text, "Font");
    EXPECT_EQ(font.Font.lfFaceName, "Courier New");
    EXPECT_EQ(font.Font.lfWeight, FW_BOLD);
    EXPECT_FALSE(font.Font.lfItalic);
    EXPECT_EQ(font.Font.lfHeight, -28);
    EXPECT_EQ(font.Font.lfPitchAndFamily & 3, FIXED_PITCH);
    EXPECT_EQ(font.Color, ColorToRGB(clGreen));
}

TEST_F(RptBadStream, UnknownCodesAndBadHeadersAreRefused) {
    std::vector<Byte> bytes = Good();
    bytes[0] = 91;
    EXPECT_EQ(PlayBytes(bytes), "Unexpected header code found in report file.");
    bytes = Good();
    // A code no operation has, at the end of the second page.
    bytes[bytes.size() - 1] = 44;
    bytes.push_back(82);
    EXPECT_EQ(PlayBytes(bytes), "Unexpected code found in report file.");
    bytes = Good();
    bytes.back() = 4; // the reserved canvas copy
    EXPECT_EQ(PlayBytes(bytes), "Unexpected code found in report file.");
}

TEST_F(RptBadStream, LinksThatLoopOrLeaveTheStreamAreRefused) {
    const std::vector<Byte> good = Good();
    const std::vector<LongInt> pages = PageStarts();
    // The second page linking forward to the first (a cycle); the first linking far beyond the
    // stream, or just past it.
    for (const auto& [page, next] : {std::pair{pages[1], pages[0]},
                                     {pages[0], LongInt{1000000}},
                                     {pages[0], static_cast<LongInt>(good.size())}}) {
        std::vector<Byte> bytes = good;
        EncodeLE(bytes.data() + page + 5, next);
        EXPECT_EQ(PlayBytes(bytes), "Unexpected code found in report file.") << next;
    }
}

TEST_F(RptBadStream, GraphicSizesReusesAndCountsAreChecked) {
    TBitmap logo;
    logo.SetSize(4, 4);
    stream.Clear();
    Record([&](TBaseReport& r) {
        r.PrintBitmap(1.0, 1.0, 1.0, 1.0, &logo);
        r.RegisterGraphic(1);
        r.ReuseGraphic(1);
        r.PrintBitmap(2.0, 1.0, 1.0, 1.0, &logo);
        std::vector<TPoint> line{{0, 0}, {10, 10}};
        r.Polyline(line);
    });
    const std::vector<Byte> good = TBytes(stream).data;
    std::size_t kind = 0, reuse = 0, poly = 0;
    for (std::size_t i = static_cast<std::size_t>(PageStarts()[0]) + 19; i + 2 < good.size(); ++i) {
        if (good[i] == 16 && good[i - 2] == 34 && !kind)
            kind = i + 1;
        else if (good[i] == 16 && good[i - 2] == 34 && kind && !reuse)
            reuse = i + 1;
        if (good[i] == 15 && good[i + 1] == 1 && good[i + 2] == 0) poly = i;
    }
    ASSERT_TRUE(kind && reuse && poly);
    EXPECT_EQ(ErrorOf([&] { Play(); }), "no error") << "a line whose points end the page plays";
    EXPECT_TRUE(LastDocument().Finished);
    std::vector<Byte> bytes = good;
    EncodeLE(bytes.data() + kind + 1, LongInt{0x7FFFFFF0}); // a size beyond the stream
    EXPECT_EQ(PlayBytes(bytes), "Unexpected code found in report file.");
    bytes = good;
    EncodeLE(bytes.data() + reuse + 1, static_cast<LongInt>(reuse + 20)); // a reuse ahead
    EXPECT_EQ(PlayBytes(bytes), "Unexpected code found in report file.");
    bytes = good;
    EncodeLE(bytes.data() + poly + 1, SmallInt{30000}); // more points than bytes
    EXPECT_EQ(PlayBytes(bytes), "Unexpected code found in report file.");
    bytes = good;
    bytes[kind + 5] = 'X'; // not a bitmap's data
    EXPECT_EQ(PlayBytes(bytes), "Unexpected code found in report file.");
}

TEST_F(RptBadStream, PageSizesNoPaperHasAreRefused) {
    const std::vector<Byte> good = Good();
    const std::vector<LongInt> pages = PageStarts();
    // The width and height of a page record follow its code, links and number.
    for (float length : {3156.3f, 0.0f, -8.5f}) {
        std::vector<Byte> bytes = good;
        EncodeLE(bytes.data() + pages[1] + 11, length);
        EXPECT_EQ(PlayBytes(bytes), "Unexpected code found in report file.") << length;
        bytes = good;
        EncodeLE(bytes.data() + pages[0] + 15, length);
        EXPECT_EQ(PlayBytes(bytes), "Unexpected code found in report file.") << length;
    }
    // The largest custom paper, 3276.7 mm long, still plays.
    std::vector<Byte> bytes = good;
    EncodeLE(bytes.data() + pages[0] + 15, 129.0f);
    Load(bytes);
    Play();
    EXPECT_EQ(LastDocument().Pages.size(), 2u);
    EXPECT_TRUE(LastDocument().Finished);
}

// A flag is 0 or 1; a graphic's data may not run to the stream's end (a code must follow).
TEST_F(RptBadStream, FlagsAndGraphicsEndingTheStreamAreRefused) {
    std::vector<Byte> bytes = Good();
    const std::vector<Byte> mode{26, 2};
    bytes.insert(bytes.end() - 1, mode.begin(), mode.end());
    EXPECT_EQ(PlayBytes(bytes), "Unexpected code found in report file.");
    TBitmap logo;
    logo.SetSize(4, 4);
    stream.Clear();
    Record([&](TBaseReport& r) { r.PrintBitmap(1.0, 1.0, 1.0, 1.0, &logo); });
    bytes = TBytes(stream).data;
    // The bitmap's data ends 17 bytes before the stream does: its point, its scales, the end.
    bytes.erase(bytes.end() - 17, bytes.end());
    EXPECT_EQ(PlayBytes(bytes), "Stream read error");
}

TEST_F(RptBadStream, TruncatedStreamFailsWithTheReadError) {
    const std::vector<Byte> good = Good();
    for (std::size_t cut : {1, 2, 3}) {
        std::vector<Byte> bytes = good;
        bytes.erase(bytes.end() - static_cast<long>(cut), bytes.end());
        EXPECT_EQ(PlayBytes(bytes), "Stream read error") << cut;
    }
}

} // namespace
