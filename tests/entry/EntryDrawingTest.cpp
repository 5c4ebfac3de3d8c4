#include "controls/entry/Meter.h"
#include "controls/entry/RotatedLabel.h"

#include "EntryFormSupport.h"
#include "platform/gui/RecordingCanvas.h"

#include <QImage>

namespace {

using Calls = std::vector<TRecordingCanvas::TCall>;

std::vector<std::string> Named(const TRecordingCanvas& canvas, const std::string& name) {
    std::vector<std::string> found;
    for (const auto& call : canvas.Calls())
        if (call.Name == name) found.push_back(call.ToString());
    return found;
}

class VcDrawTest : public EntryFormTest {
protected:
    TVcMeter* Meter(int percent, int width = 200, int height = 24) {
        auto* m = Make<TVcMeter>("Meter", 10, 10);
        m->SetBorderStyle(bsNone);
        m->SetBounds(10, 10, width, height);
        m->SetPercent(percent);
        return m;
    }
};

TEST_F(VcDrawTest, MeterSplitsTheBar) {
    TVcMeter* m = Meter(1);
    TRecordingCanvas canvas(200, 24);
    m->PaintTo(&canvas);
    // 1% of 200 pixels is 2, below 3: nothing is used.
    EXPECT_EQ(Named(canvas, "FillRect"), (std::vector<std::string>{"FillRect(0,0,200,24)"}));
    EXPECT_EQ(canvas.Calls()[0].BrushColor, clWindow);

    m->SetPercent(99);
    canvas.ClearCalls();
    m->PaintTo(&canvas);
    // 197 used pixels, the divider at 197 and 2 unused pixels.
    EXPECT_EQ(Named(canvas, "FillRect"),
              (std::vector<std::string>{"FillRect(0,0,197,24)", "FillRect(198,0,200,24)"}));
    bool divider = false;
    for (const auto& call : canvas.Calls())
        if (call.Name == "LineTo" && call.PenColor == clBlack &&
            call.ToString() == "LineTo(197,24)")
            divider = true;
    EXPECT_TRUE(divider);

    m->SetPercent(150);
    EXPECT_EQ(m->Percent(), 100);
    EXPECT_EQ(m->PercentText(), "100%");
    m->SetShowPercent(true);
    canvas.ClearCalls();
    m->PaintTo(&canvas);
    EXPECT_EQ(Named(canvas, "FillRect"), (std::vector<std::string>{"FillRect(0,0,200,24)"}));
    const auto texts = Named(canvas, "TextOut");
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_NE(texts[0].find("\"100%\""), std::string::npos);
    EXPECT_EQ(canvas.Calls().front().BrushColor, RGB(0, 255, 0));
}

TEST_F(VcDrawTest, VerticalMeterFillsFromTheBottom) {
    TVcMeter* m = Meter(50, 20, 100);
    m->SetOrientation(moVertical);
    TRecordingCanvas canvas(20, 100);
    m->PaintTo(&canvas);
    EXPECT_EQ(Named(canvas, "FillRect"),
              (std::vector<std::string>{"FillRect(0,0,20,49)", "FillRect(0,50,20,100)"}));
    const Calls& calls = canvas.Calls();
    EXPECT_EQ(calls.front().BrushColor, clWindow);
    EXPECT_EQ(calls.back().BrushColor, RGB(0, 255, 0));
    // Shadows along the top and left of each part, two pixels deep, and the divider between.
    EXPECT_EQ(
        Named(canvas, "LineTo"),
        (std::vector<std::string>{"LineTo(0,0)", "LineTo(20,0)", "LineTo(1,1)", "LineTo(20,1)",
                                  "LineTo(20,49)", "LineTo(0,100)", "LineTo(1,100)"}));
    EXPECT_EQ(
        Named(canvas, "MoveTo"),
        (std::vector<std::string>{"MoveTo(0,49)", "MoveTo(0,0)", "MoveTo(1,49)", "MoveTo(1,1)",
                                  "MoveTo(0,49)", "MoveTo(0,50)", "MoveTo(1,50)"}));
    // Full: only the used part.
    m->SetPercent(100);
    canvas.ClearCalls();
    m->PaintTo(&canvas);
    EXPECT_EQ(Named(canvas, "FillRect"), (std::vector<std::string>{"FillRect(0,0,20,100)"}));
    // A bar too thin for inner lines draws single shadow lines.
    TVcMeter* thin = Make<TVcMeter>("Thin", 10, 200);
    thin->SetBounds(10, 200, 100, 4);
    thin->SetPercent(50);
    TRecordingCanvas small(100, 4);
    thin->PaintTo(&small);
    EXPECT_EQ(Named(small, "LineTo").size(), 4u);
}

TEST_F(VcDrawTest, MeterColoursAndCentredPercent) {
    TVcMeter* m = Meter(50, 200, 60);
    m->SetUsedColor(clNavy);
    m->SetUnusedColor(clYellow);
    m->SetShowPercent(true);
    TRecordingCanvas canvas(200, 60);
    m->PaintTo(&canvas);
    std::vector<TColor> fills;
    for (const auto& call : canvas.Calls())
        if (call.Name == "FillRect") fills.push_back(call.BrushColor);
    EXPECT_EQ(fills, (std::vector<TColor>{clNavy, clYellow}));
    const TSize size = canvas.TextExtent("50%");
    const auto texts = Named(canvas, "TextOut");
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0], "TextOut(" + std::to_string((200 - size.cx) / 2) + "," +
                            std::to_string((60 - size.cy) / 2) + ",\"50%\")");

    // On the screen: the used part left, the unused part right, over the whole height.
    ShowForm();
    m->Repaint();
    Application->ProcessMessages();
    const QImage image = WidgetOf(m)->grab().toImage();
    ASSERT_EQ(image.width(), 200);
    for (int y : {5, 30, 57}) {
        EXPECT_EQ(image.pixelColor(50, y), QColor(0, 0, 128)) << y;
        EXPECT_EQ(image.pixelColor(150, y), QColor(255, 255, 0)) << y;
    }
}

TEST_F(VcDrawTest, RotatedLabelAnglesAndShadow) {
    auto* label = new TVcRotatedLabel(form.get());
    label->SetParent(form.get());
    EXPECT_EQ(label->Font()->Name(), "Courier New");
    EXPECT_EQ(label->Width(), 130);
    EXPECT_EQ(label->Height(), 20);
    label->SetFontAngle(450);
    EXPECT_EQ(label->FontAngle(), 90);
    label->SetFontAngle(-370);
    EXPECT_EQ(label->FontAngle(), -10);
    label->SetFontAngle(0);
    label->Font()->SetName("MS Sans Serif");
    label->SetFontAngle(30);
    EXPECT_EQ(label->Font()->Name(), "Courier New");
    label->Font()->SetName("Arial");
    label->SetFontAngle(45);
    EXPECT_EQ(label->Font()->Name(), "Arial");

    label->SetCaption("Rate");
    label->SetOriginX(5);
    label->SetOriginY(60);
    label->SetShadowedText(true);
    TRecordingCanvas canvas(130, 20);
    label->PaintTo(&canvas);
    const auto texts = Named(canvas, "TextRect");
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], "TextRect(0,0,130,20,7,61,\"Rate\")");
    EXPECT_EQ(texts[1], "TextRect(0,0,130,20,5,60,\"Rate\")");
    std::vector<int> escapements;
    for (const auto& call : canvas.Calls())
        if (call.Name == "TextRect") escapements.push_back(call.FontEscapement);
    EXPECT_EQ(escapements, (std::vector<int>{450, 450}));
    EXPECT_EQ(Named(canvas, "FillRect"), (std::vector<std::string>{"FillRect(0,0,130,20)"}));
    // Transparent: no background; at angle 0 the caption is aligned in the label.
    label->SetTransparent(true);
    label->SetShadowedText(false);
    label->SetFontAngle(0);
    label->SetAlignment(taRightJustify);
    canvas.ClearCalls();
    label->PaintTo(&canvas);
    EXPECT_TRUE(Named(canvas, "FillRect").empty());
    const auto right = Named(canvas, "TextRect");
    ASSERT_EQ(right.size(), 1u);
    const int width = canvas.TextWidth("Rate");
    EXPECT_EQ(right[0], "TextRect(0,0,130,20," + std::to_string(130 - width) + ",0,\"Rate\")");
    // Centred, in the label's own font whatever the canvas held.
    label->SetAlignment(taCenter);
    TRecordingCanvas fresh(130, 20);
    fresh.Font()->SetName("Times New Roman");
    label->PaintTo(&fresh);
    const auto centred = Named(fresh, "TextRect");
    ASSERT_EQ(centred.size(), 1u);
    EXPECT_EQ(centred[0],
              "TextRect(0,0,130,20," + std::to_string((130 - width) / 2) + ",0,\"Rate\")");
    EXPECT_EQ(fresh.Calls().back().FontName, "Arial");
}

TEST_F(VcDrawTest, RotatedLabelSizesToItsCaption) {
    auto* label = new TVcRotatedLabel(form.get());
    label->SetParent(form.get());
    label->SetAutoSizeWidth(true);
    label->SetCaption("A");
    label->SetCaption("");
    const int blank = label->Width();
    EXPECT_GT(blank, 0);
    label->SetCaption("Payment");
    EXPECT_GT(label->Width(), blank * 5);
    EXPECT_EQ(label->Height(), 20);
    label->SetAutoSizeHeight(true);
    label->SetCaption("Payments");
    EXPECT_NE(label->Height(), 20);
}

} // namespace
