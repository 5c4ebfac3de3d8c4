// A small form of the layer drawn the way a user sees it. With VANTREL_SCREENSHOT set to a file
// name the picture is saved there as PNG (run it on a real X server with QT_QPA_PLATFORM=xcb).
#include "GuiTestSupport.h"

#include "platform/gui/Buttons.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/QtPaint.h"

#include <QImage>
#include <gtest/gtest.h>

#include <cstdlib>

namespace {

class TDemoForm : public TForm {
public:
    explicit TDemoForm(TComponent* owner) : TForm(owner) {
        SetCaption("Loan Calculator");
        SetFormBorderStyle(bsDialog);
        SetClientWidth(360);
        SetClientHeight(250);
        auto* menu = new TMainMenu(this);
        auto* file = NewItem(this, "&File", scNone, {});
        file->Add(NewItem(this, "&Print", ShortCut('P', {ssCtrl}), {}));
        menu->Items()->Add(file);
        menu->Items()->Add(NewItem(this, "&Help", scNone, {}));
        SetMenu(menu);

        Toolbar = new TPanel(this);
        Toolbar->SetParent(this);
        Toolbar->SetHeight(32);
        Toolbar->SetAlign(alTop);
        for (int i = 0; i < 3; ++i) {
            auto* b = new TSpeedButton(this);
            b->SetParent(Toolbar);
            b->SetBounds(4 + i * 26, 4, 24, 24);
            b->SetCaption(std::string(1, static_cast<char>('1' + i)));
            b->SetGroupIndex(1);
        }
        AddRow("&Principal:", "150000.00", 44);
        AddRow("&Rate %:", "7.25", 74);
        auto* label = new TLabel(this);
        label->SetParent(this);
        label->SetBounds(12, 108, 80, 16);
        label->SetCaption("Periods:");
        auto* combo = new TComboBox(this);
        combo->SetParent(this);
        combo->SetBounds(100, 104, 120, 24);
        combo->SetStyle(csDropDownList);
        combo->Items()->Add("Monthly");
        combo->Items()->Add("Yearly");
        combo->SetItemIndex(0);
        auto* check = new TCheckBox(this);
        check->SetParent(this);
        check->SetBounds(100, 136, 150, 20);
        check->SetCaption("&Balloon payment");
        check->SetChecked(true);
        Result = new TMemo(this);
        Result->SetParent(this);
        Result->SetBounds(240, 44, 108, 112);
        Result->Lines()->Add("Payment:");
        Result->Lines()->Add("1,023.27");
        auto* ok = new TBitBtn(this);
        ok->SetParent(this);
        ok->SetBounds(190, 200, 75, 25);
        ok->SetKind(bkOK);
        auto* cancel = new TBitBtn(this);
        cancel->SetParent(this);
        cancel->SetBounds(273, 200, 75, 25);
        cancel->SetKind(bkCancel);
        auto* bevel = new TBevel(this);
        bevel->SetParent(this);
        bevel->SetBounds(8, 188, 344, 2);
        bevel->SetShape(bsTopLine);
    }

    void AddRow(const std::string& caption, const std::string& value, int y) {
        auto* label = new TLabel(this);
        label->SetParent(this);
        label->SetBounds(12, y + 4, 80, 16);
        label->SetCaption(caption);
        auto* edit = new TEdit(this);
        edit->SetParent(this);
        edit->SetBounds(100, y, 120, 24);
        edit->SetText(value);
        label->SetFocusControl(edit);
    }

    TPanel* Toolbar;
    TMemo* Result;
};

TEST(DemoFormTest, ShowsTheFormAsDrawnByTheLayer) {
    TDemoForm form(nullptr);
    form.Show();
    Application->ProcessMessages();
    const QImage picture = WidgetOf(&form)->grab().toImage();
    ASSERT_EQ(picture.width(), form.ClientWidth());
    // The panel's raised bevel: light at its top-left, face inside.
    const int menu = form.Impl()->MenuHeight;
    EXPECT_EQ(picture.pixelColor(0, menu), TColorToQColor(clBtnHighlight));
    EXPECT_EQ(picture.pixelColor(100, menu + 10), TColorToQColor(clBtnFace));
    if (const char* path = std::getenv("VANTREL_SCREENSHOT")) {
        ASSERT_TRUE(picture.save(QString::fromLocal8Bit(path), "PNG"));
    }
}

} // namespace
