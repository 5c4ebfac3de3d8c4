// Fonts: the mapping of the Windows family names to the installed metric-compatible families,
// the family list with pitch, font properties and change notices, and widths that scale with
// the resolution.
#include "platform/gui/Graphics.h"
#include "platform/gui/QtApp.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

class Fonts : public ::testing::Test {
protected:
    void SetUp() override { EnsureQtApp(); }
};

TEST_F(Fonts, TheMappedFamiliesAreInstalled) {
    // The set-up installs them; without them every measurement in the program would be off.
    std::vector<std::string> missing = MissingMappedFonts();
    std::string list;
    for (const std::string& m : missing)
        list += m + "; ";
    ASSERT_TRUE(missing.empty()) << "fonts missing: " << list;
}

TEST_F(Fonts, WindowsNamesMapToMetricCompatibleFamilies) {
    EXPECT_EQ(MappedFontFamily("Arial"), "Liberation Sans");
    EXPECT_EQ(MappedFontFamily("arial"), "Liberation Sans");
    EXPECT_EQ(MappedFontFamily("Courier New"), "Liberation Mono");
    EXPECT_EQ(MappedFontFamily("Times New Roman"), "Liberation Serif");
    EXPECT_EQ(MappedFontFamily("MS Sans Serif"), "DejaVu Sans");
    EXPECT_EQ(MappedFontFamily("System"), "DejaVu Sans");
    EXPECT_EQ(MappedFontFamily("No Such Family"), "DejaVu Sans");
    EXPECT_EQ(MappedFontFamily(""), "DejaVu Sans");
    EXPECT_EQ(MappedFontFamily("Liberation Serif"), "Liberation Serif");
}

TEST_F(Fonts, TheFamilyListCarriesThePitch) {
    std::vector<TFontFamily> families = FontFamilies();
    auto find = [&](const std::string& name) {
        return std::find_if(families.begin(), families.end(),
                            [&](const TFontFamily& f) { return f.Name == name; });
    };
    ASSERT_NE(find("Liberation Mono"), families.end());
    EXPECT_TRUE(find("Liberation Mono")->FixedPitch);
    ASSERT_NE(find("Liberation Sans"), families.end());
    EXPECT_FALSE(find("Liberation Sans")->FixedPitch);
    ASSERT_NE(find("Courier New"), families.end());
    EXPECT_TRUE(find("Courier New")->FixedPitch);
    ASSERT_NE(find("Arial"), families.end());
    EXPECT_TRUE(
        std::is_sorted(families.begin(), families.end(),
                       [](const TFontFamily& a, const TFontFamily& b) { return a.Name < b.Name; }));
}

TEST_F(Fonts, SizeAndHeightFollowThePixelsPerInch) {
    TFont f;
    EXPECT_EQ(f.Name(), "MS Sans Serif");
    EXPECT_EQ(f.Size(), 8);
    f.SetSize(10);
    EXPECT_EQ(f.Height(), -13);
    f.SetPixelsPerInch(300);
    EXPECT_EQ(f.Height(), -13); // the height stays, the size follows it
    f.SetSize(10);
    EXPECT_EQ(f.Height(), -42);
    EXPECT_EQ(f.Size(), 10);
    f.SetHeight(20); // a cell height: the size is taken from it as it stands
    EXPECT_EQ(f.Size(), -5);
}

TEST_F(Fonts, ChangesCallTheOneHandler) {
    TFont f;
    int changes = 0;
    f.OnChange = [&](TObject* sender) {
        EXPECT_EQ(sender, &f);
        ++changes;
    };
    f.SetName("Arial");
    f.SetName("Arial"); // no change
    f.SetStyle(TFontStyles{fsBold});
    f.SetColor(clRed);
    f.SetEscapement(900);
    EXPECT_EQ(changes, 4);
    TFont g;
    g.SetName("Courier New");
    f.Assign(&g);
    EXPECT_EQ(changes, 5);
    EXPECT_EQ(f.Name(), "Courier New");
    EXPECT_EQ(f.Escapement(), 0);

    TPen pen;
    TBrush brush;
    int penChanges = 0, brushChanges = 0;
    pen.OnChange = [&](TObject*) { ++penChanges; };
    brush.OnChange = [&](TObject*) { ++brushChanges; };
    pen.SetWidth(3);
    pen.SetMode(pmXor);
    pen.SetWidth(-1); // refused
    brush.SetStyle(bsClear);
    brush.SetColor(clRed); // a colour makes a clear brush solid
    EXPECT_EQ(penChanges, 2);
    EXPECT_EQ(brushChanges, 2);
    EXPECT_EQ(brush.Style(), bsSolid);
    EXPECT_THROW(pen.Assign(&brush), EConvertError);
}

TEST_F(Fonts, HandlesCarryTheSettingsBothWays) {
    TFont f;
    f.SetName("Times New Roman");
    f.SetHeight(-24);
    f.SetStyle(TFontStyles{fsItalic, fsUnderline});
    LOGFONT lf;
    ASSERT_TRUE(GetObject(f.Handle(), lf));
    EXPECT_EQ(lf.lfFaceName, "Times New Roman");
    EXPECT_EQ(lf.lfHeight, -24);
    EXPECT_EQ(lf.lfItalic, 1);
    EXPECT_EQ(lf.lfWeight, FW_NORMAL);

    // A font made with CreateFontIndirect, rotated, taken over by a TFont.
    lf.lfEscapement = 450;
    lf.lfWeight = FW_BOLD;
    lf.lfPitchAndFamily = FIXED_PITCH;
    TFont rotated;
    rotated.SetHandle(CreateFontIndirect(lf));
    EXPECT_EQ(rotated.Escapement(), 450);
    EXPECT_TRUE(rotated.Style().Contains(fsBold));
    EXPECT_EQ(rotated.Pitch(), fpFixed);
}

TEST_F(Fonts, MetricsAreTrueTypeAndWidthsScaleWithTheResolution) {
    HDC dc = CreateCompatibleDC(nullptr);
    LOGFONT lf;
    lf.lfFaceName = "Arial";
    lf.lfHeight = -13;
    HFONT small = CreateFontIndirect(lf);
    lf.lfHeight = -130;
    HFONT large = CreateFontIndirect(lf);
    const std::string text = "Monthly payment 1,234.56";
    TEXTMETRIC tm;
    SelectObject(dc, small);
    GetTextMetrics(dc, &tm);
    EXPECT_TRUE(tm.tmPitchAndFamily & TMPF_TRUETYPE);
    EXPECT_TRUE(tm.tmPitchAndFamily & TMPF_FIXED_PITCH); // set for variable pitch
    TSize s1, s2;
    GetTextExtentPoint(dc, text, &s1);
    SelectObject(dc, large);
    GetTextExtentPoint(dc, text, &s2);
    // Unhinted glyphs: the width at ten times the size is ten times the width, give or take
    // the whole-pixel rounding of each character.
    EXPECT_NEAR(s2.cx, 10 * s1.cx, 10 * static_cast<int>(text.size()) / 2 + 1);
    EXPECT_NEAR(s2.cx / 10.0, s1.cx, text.size() * 0.5);

    // A width asked for stretches the characters.
    lf.lfHeight = -20;
    HFONT natural = CreateFontIndirect(lf);
    SelectObject(dc, natural);
    GetTextMetrics(dc, &tm);
    GetTextExtentPoint(dc, text, &s1);
    lf.lfWidth = 2 * tm.tmAveCharWidth;
    HFONT stretched = CreateFontIndirect(lf);
    SelectObject(dc, stretched);
    GetTextExtentPoint(dc, text, &s2);
    EXPECT_NEAR(s2.cx, 2 * s1.cx, s1.cx / 10);
    GetTextMetrics(dc, &tm);
    EXPECT_NEAR(tm.tmAveCharWidth, lf.lfWidth, 1);
    lf.lfWidth = 0;
    SelectObject(dc, GetStockObject(SYSTEM_FONT));
    DeleteObject(natural);
    DeleteObject(stretched);

    // Courier New keeps one width for every character.
    lf.lfFaceName = "Courier New";
    lf.lfHeight = -20;
    HFONT mono = CreateFontIndirect(lf);
    SelectObject(dc, mono);
    GetTextExtentPoint(dc, "iiii", &s1);
    GetTextExtentPoint(dc, "WWWW", &s2);
    EXPECT_EQ(s1.cx, s2.cx);
    GetTextMetrics(dc, &tm);
    EXPECT_FALSE(tm.tmPitchAndFamily & TMPF_FIXED_PITCH);
    EXPECT_EQ(tm.tmAveCharWidth, tm.tmMaxCharWidth);
    SelectObject(dc, GetStockObject(SYSTEM_FONT));
    DeleteObject(small);
    DeleteObject(large);
    DeleteObject(mono);
    DeleteDC(dc);
}

} // namespace
