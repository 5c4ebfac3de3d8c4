// The toolbar (docked and floating), the tip dialog and the about box drawn as a user sees
// them. With VANTREL_SCREENSHOT_DIR set the pictures are saved there as PNG files (run under
// xvfb-run with QT_QPA_PLATFORM=xcb to see the real window system's rendering).
#include "WidgetsTestSupport.h"

#include "widgets/AboutDialog.h"
#include "widgets/AboutForm.h"
#include "widgets/DockableToolBar.h"
#include "widgets/FlatButton.h"
#include "widgets/TipOfTheDay.h"

#include <cstdlib>
#include <memory>

namespace {

void Save(const QImage& picture, const char* name) {
    if (const char* dir = std::getenv("VANTREL_SCREENSHOT_DIR")) {
        ASSERT_TRUE(picture.save(QString::fromLocal8Bit(dir) + "/" + name, "PNG"));
    }
}

class TShotForm : public TForm {
    VANTREL_CLASS(TShotForm, TForm)
    TShotForm() : TForm(nullptr) {
        SetCaption("Vantrel Plus");
        SetBounds(60, 60, 620, 240);
        Bar = new TDToolBar(this);
        Bar->SetName("DToolBar1");
        Bar->SetParent(this);
        Bar->SetControlHeight(34);
        Bar->Options()->SetSaveFile("TB_SCREENSHOT.INI");
        Bar->Options()->SetSavePos(false);
        Bar->Options()->FloatOptions()->SetCaption("Toolbar");
        const char* names[] = {"loan",       "intdue", "rembal", "accelpmt", "balloonpmt", "affhse",
                               "amortschld", "lsbuy",  "points", "refin",    "help",       "exit"};
        for (int i = 0; i < 12; ++i) {
            auto* b = new TExplorerButton(this);
            b->SetParent(Bar);
            b->SetBounds(6 + i * 33 + (i >= 10 ? 8 : 0), 4, 34, 34);
#ifdef VANTREL_GLYPH_DIR
            LoadButtonGlyphs(b, VANTREL_GLYPH_DIR, names[i]);
#endif
            Buttons.push_back(b);
        }
        Buttons[10]->SetEnabled(false);
    }
    TDToolBar* Bar;
    std::vector<TExplorerButton*> Buttons;
};

TEST(ScreenshotTest, TheToolbarDockedAndFloating) {
    TRecordedServices services;
    InitApplication();
#ifdef VANTREL_GLYPH_DIR
    Application->Icon()->LoadFromFile(VANTREL_GLYPH_DIR "/vantrel.ico");
#endif
    TShotForm form;
    form.Show();
    form.Bar->Loaded();
    Application->ProcessMessages();
    // The buttons touch: one group, each overlapping its neighbour by a pixel.
    EXPECT_EQ(form.Bar->Width(), 6 + 10 * 33 + 6 + 2 * 33 + 6 + 1);
    MoveTo(form.Buttons[2], form.Buttons[2]->ClientToScreen({10, 10}), false);
    const QImage docked = PictureOf(&form);
    EXPECT_EQ(docked.pixelColor(form.Buttons[2]->Left() + 2, form.Buttons[2]->Top()),
              TColorToQColor(clBtnHighlight));
    Save(docked, "toolbar_docked.png");
    MoveTo(form.Buttons[2], form.Buttons[2]->ClientToScreen({100, 10}), false);

    form.Bar->SetDockStatus(dsFloat);
    form.Bar->SetBounds(200, 200, form.Bar->Width(), form.Bar->Height());
    Application->ProcessMessages();
    const QImage floating = PictureOf(form.Bar);
    EXPECT_EQ(floating.width(), form.Bar->Width());
    Save(floating, "toolbar_floating.png");
    // A wider shape: two rows.
    for (int i = 0; i < static_cast<int>(form.Bar->FloatShapes().size()); ++i) {
        if (form.Bar->FloatShapes()[static_cast<std::size_t>(i)].Height > 90) {
            const TPoint edge = form.Bar->ClientToScreen({form.Bar->Width() - 2, 30});
            MoveTo(form.Bar, edge, false);
            PressAt(form.Bar, edge);
            const int width = form.Bar->FloatShapes()[static_cast<std::size_t>(i)].Width + 8;
            MoveTo(form.Bar, {edge.X - (form.Bar->Width() - width) - 1, edge.Y});
            ReleaseAt(form.Bar, {edge.X - (form.Bar->Width() - width) - 1, edge.Y});
            break;
        }
    }
    Save(PictureOf(form.Bar), "toolbar_floating_rows.png");
    form.Bar->SetDockStatus(dsLeft);
    Save(PictureOf(&form), "toolbar_left.png");
}

TEST(ScreenshotTest, TheTipDialog) {
    TRecordedServices services;
    TEPTipDialog dialog(nullptr);
    dialog.SetCaption("Tips");
    dialog.SetTipTitle("Did you know...");
    dialog.SetHelpContext(106);
    dialog.Tips()->Add("Press F2 from anywhere in the main window to open a loan calculator; "
                       "up to two can be open at once.");
    QImage picture;
    WithForm<TEPTipDialogFm>(dialog, [&](TEPTipDialogFm* form) { picture = PictureOf(form); });
    ASSERT_FALSE(picture.isNull());
    Save(picture, "tipdialog.png");
}

TEST(ScreenshotTest, TheAboutBox) {
    TRecordedServices services;
    TAboutBoxDlg dialog(nullptr);
    dialog.SetProductName("Vantrel Plus");
    dialog.SetVersion("Version: 2.6      32-bit");
    dialog.SetCopyright("    Copyright (c) the Vantrel Plus authors");
    dialog.SetComments("    Helping to make your financial decisions easier.");
    dialog.MoreInfo()->Add("Vantrel Plus");
    dialog.MoreInfo()->Add("Loan and lease calculations for everyone");
    dialog.MoreInfo()->Add("");
    QImage first, second;
    WithForm<TAboutBox>(dialog, [&](TAboutBox* about) {
        first = PictureOf(about);
        about->MoreBTN->Click();
        second = PictureOf(about);
    });
    ASSERT_FALSE(first.isNull());
    Save(first, "aboutbox.png");
    Save(second, "aboutbox_more.png");
}

} // namespace
