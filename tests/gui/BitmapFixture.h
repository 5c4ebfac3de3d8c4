// A bitmap to draw on in pixel tests, and what the tests read back from it.
#pragma once

#include "platform/gui/Graphics.h"
#include "platform/gui/QtApp.h"

#include <gtest/gtest.h>

#include <algorithm>

// The smallest rectangle holding every pixel of the canvas inside Area that is not of the
// background colour ({1000000, 1000000, -1, -1} when there is none).
inline TRect InkRect(TCanvas& canvas, const TRect& area, TColor background = clWhite) {
    TRect r{1000000, 1000000, -1, -1};
    for (int y = area.Top; y < area.Bottom; ++y)
        for (int x = area.Left; x < area.Right; ++x)
            if (canvas.Pixels(x, y) != background) {
                r.Left = std::min(r.Left, x);
                r.Top = std::min(r.Top, y);
                r.Right = std::max(r.Right, x + 1);
                r.Bottom = std::max(r.Bottom, y + 1);
            }
    return r;
}

class BitmapFixture : public ::testing::Test {
protected:
    BitmapFixture(int width, int height) : width_(width), height_(height) {}
    void SetUp() override {
        EnsureQtApp();
        bmp.SetSize(width_, height_);
        c = bmp.Canvas();
        Clear(clWhite);
    }
    // Fills the whole bitmap with a solid colour.
    void Clear(TColor colour = clWhite) {
        c->Brush()->SetColor(colour);
        c->Brush()->SetStyle(bsSolid);
        c->FillRect(Rect(0, 0, bmp.Width(), bmp.Height()));
    }
    // The rectangle holding every pixel that is not of the background colour.
    TRect Ink(TColor background = clWhite) {
        return InkRect(*c, Rect(0, 0, bmp.Width(), bmp.Height()), background);
    }

    TBitmap bmp;
    TCanvas* c = nullptr;

private:
    int width_;
    int height_;
};
