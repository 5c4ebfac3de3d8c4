// How forms reach the window system: a form's window is shown once, complete (a window manager
// loses windows that are withdrawn while it takes them on), with the frame its border style
// asks for; and where forms open: default places cascade below the main window's bars, dialogs
// open over the window they belong to, and every form stays inside the work area.
#include "GuiTestSupport.h"

#include "platform/gui/ExtCtrls.h"

#include <QApplication>
#include <QEvent>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// Records the showing and hiding of top-level windows, with what the window was at that moment.
class TWindowEvents : public QObject {
public:
    TWindowEvents() { qApp->installEventFilter(this); }
    ~TWindowEvents() override { qApp->removeEventFilter(this); }

    struct TEntry {
        std::string What;
        std::string Title;
        Qt::WindowFlags Flags;
        bool FixedSize;
    };
    std::vector<TEntry> Entries;

    std::vector<std::string> Of(const std::string& title) const {
        std::vector<std::string> result;
        for (const TEntry& e : Entries)
            if (e.Title == title) result.push_back(e.What);
        return result;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->isWindow() &&
            (event->type() == QEvent::Show || event->type() == QEvent::Hide))
            Entries.push_back({event->type() == QEvent::Show ? "show" : "hide",
                               widget->windowTitle().toStdString(), widget->windowFlags(),
                               widget->minimumSize() == widget->maximumSize()});
        return false;
    }
};

class FormPlacementTest : public ::testing::Test {
protected:
    void SetUp() override { InitApplication(); }
    TRecordedServices services;
};

TEST_F(FormPlacementTest, AFormsWindowIsShownOnceWithItsTitleFrameAndSize) {
    TWindowEvents events;
    TTestForm form(nullptr);
    form.SetCaption("Complete");
    form.SetFormBorderStyle(bsDialog);
    form.SetBorderIcons({biSystemMenu, biMinimize});
    form.Show();
    ASSERT_EQ(events.Of("Complete"), std::vector<std::string>{"show"});
    const TWindowEvents::TEntry& shown = events.Entries.front();
    EXPECT_TRUE(shown.Flags.testFlag(Qt::Dialog));
    EXPECT_TRUE(shown.Flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(shown.Flags.testFlag(Qt::WindowMinimizeButtonHint)); // dialogs have none
    EXPECT_TRUE(shown.FixedSize);
    // Setting what the window already has neither withdraws nor shows it again.
    form.SetBorderIcons({biSystemMenu, biMinimize});
    form.SetFormBorderStyle(bsDialog);
    EXPECT_EQ(events.Of("Complete"), std::vector<std::string>{"show"});
    // A real change does.
    form.SetBorderIcons({});
    EXPECT_EQ(events.Of("Complete"), (std::vector<std::string>{"show", "hide", "show"}));
    EXPECT_TRUE(WidgetOf(&form)->isVisible());
}

TEST_F(FormPlacementTest, TheFrameHasJustTheButtonsTheBorderIconsName) {
    TForm single(nullptr);
    single.SetFormBorderStyle(bsSingle);
    single.SetBorderIcons({biSystemMenu, biMinimize});
    single.HandleNeeded();
    const Qt::WindowFlags flags = WidgetOf(&single)->windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::CustomizeWindowHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    // A window without a border has no frame at all (a splash).
    TForm bare(nullptr);
    bare.SetFormBorderStyle(bsNone);
    bare.SetBorderIcons({});
    bare.HandleNeeded();
    EXPECT_TRUE(WidgetOf(&bare)->windowFlags().testFlag(Qt::FramelessWindowHint));
}

// A main window at (100, 50) with a dialog frame (3 px), a caption (19 px) and a 40-px bar
// along its top: its client area starts at (103, 72), below the bar at (103, 112).
struct TMainWithBar {
    TMainWithBar() {
        Application->CreateForm(Form);
        Form->SetFormBorderStyle(bsDialog);
        Form->SetBounds(100, 50, 400, 300);
        auto* bar = new TPanel(Form);
        bar->SetParent(Form);
        bar->SetAlign(alTop);
        bar->SetHeight(40);
        Form->Show();
    }
    ~TMainWithBar() { delete Form; }
    TForm* Form = nullptr;
};

std::unique_ptr<TForm> DefaultForm(int width, int height) {
    auto form = std::make_unique<TForm>(nullptr);
    form->SetFormBorderStyle(bsDialog);
    form->SetPosition(poDefault);
    form->SetBounds(0, 0, width, height);
    return form;
}

TEST_F(FormPlacementTest, DefaultPlacesCascadeBelowTheMainWindowsBars) {
    TMainWithBar main;
    ASSERT_EQ(Application->MainForm(), main.Form);
    // Each step is a caption (19) and a frame (4): 23 px right and down.
    auto first = DefaultForm(200, 150);
    auto second = DefaultForm(200, 150);
    auto third = DefaultForm(200, 150);
    first->Show();
    second->Show();
    third->Show();
    EXPECT_EQ(std::make_pair(first->Left(), first->Top()), std::make_pair(103, 112));
    EXPECT_EQ(std::make_pair(second->Left(), second->Top()), std::make_pair(126, 135));
    EXPECT_EQ(std::make_pair(third->Left(), third->Top()), std::make_pair(149, 158));
    // A closed form's place is the next one taken.
    second.reset();
    auto fourth = DefaultForm(200, 150);
    fourth->Show();
    EXPECT_EQ(std::make_pair(fourth->Left(), fourth->Top()), std::make_pair(126, 135));
}

TEST_F(FormPlacementTest, TheCascadeStartsAgainWhereItWouldLeaveTheWorkArea) {
    TMainWithBar main;
    const TRect area = Screen->WorkAreaRect();
    // Forms tall enough that only the first two places fit between y = 112 and the bottom.
    const int height = area.Bottom - 112 - 23 - 10;
    std::vector<std::unique_ptr<TForm>> forms;
    for (int k = 0; k < 4; ++k) {
        forms.push_back(DefaultForm(200, height));
        forms.back()->Show();
    }
    EXPECT_EQ(forms[0]->Top(), 112);
    EXPECT_EQ(forms[1]->Top(), 135);
    // The third and fourth share the places that fit, the least taken first.
    EXPECT_EQ(forms[2]->Top(), 112);
    EXPECT_EQ(forms[3]->Top(), 135);
    for (const auto& form : forms)
        EXPECT_LE(form->Top() + form->Height(), area.Bottom);
}

TEST_F(FormPlacementTest, ADialogOpensCentredOverTheWindowItBelongsTo) {
    TMainWithBar main;
    TForm owner(nullptr);
    owner.SetBounds(300, 200, 400, 300);
    owner.Show();
    // Not placed by its maker (at the origin), a modal form opens over the active form.
    TForm dialog(nullptr);
    dialog.SetBounds(0, 0, 200, 100);
    int left = -1;
    int top = -1;
    TModalHook previous = SetModalHook([&](TCustomForm* f) {
        left = f->Left();
        top = f->Top();
    });
    dialog.ShowModal();
    EXPECT_EQ(left, 300 + (400 - 200) / 2);
    EXPECT_EQ(top, 200 + (300 - 100) / 2);
    // A form asking to be centred over its owner, owned by no form, does the same.
    TForm owned(nullptr);
    owned.SetPosition(poOwnerFormCenter);
    owned.SetBounds(0, 0, 100, 50);
    owner.Show();
    owned.ShowModal();
    EXPECT_EQ(left, 300 + (400 - 100) / 2);
    EXPECT_EQ(top, 200 + (300 - 50) / 2);
    SetModalHook(previous);
}

TEST_F(FormPlacementTest, EveryFormIsShownInsideTheWorkArea) {
    const TRect area = Screen->WorkAreaRect();
    TForm far(nullptr);
    far.SetBounds(area.Right + 500, area.Bottom + 500, 300, 200);
    far.Show();
    EXPECT_EQ(far.Left(), area.Right - 300);
    EXPECT_EQ(far.Top(), area.Bottom - 200);
    // A place set while showing (a saved one) comes inside too.
    TForm restored(nullptr);
    restored.SetBounds(0, 0, 300, 200);
    restored.OnShow = [&](TObject*) { restored.SetBounds(-400, -300, 300, 200); };
    restored.Show();
    EXPECT_EQ(restored.Left(), area.Left);
    EXPECT_EQ(restored.Top(), area.Top);
    // A form larger than the work area keeps its top-left corner in it.
    TForm huge(nullptr);
    huge.SetBounds(50, 50, area.Width() + 100, area.Height() + 100);
    huge.Show();
    EXPECT_EQ(huge.Left(), area.Left);
    EXPECT_EQ(huge.Top(), area.Top);
}

} // namespace
