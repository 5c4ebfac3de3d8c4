// The record navigator over a real table, clicked with the mouse: which buttons are enabled in
// each state and position, what each button does to the dataset, the delete confirmation, and
// refused actions reported as messages (never escaping) while the silent abort shows nothing.
#include "tests/db/DataSetFixture.h"
#include "tests/gui/GuiTestSupport.h"

#include "dbcontrols/RecordNavigator.h"

#include <QToolTip>

#include <algorithm>
#include <cstdlib>

namespace {

class DBNavigatorTest : public DataSetFixture {
protected:
    void SetUp() override {
        DataSetFixture::SetUp();
        ResetKeyState();
        OpenLoans({"ADAMS", "BAKER", "CLARK"}, "NAME", true);
        source_.SetDataSet(table_.get());
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 300, 60);
        nav = PlaceControl<TDBNavigator>(form, form, 10, 10, 271, 25);
        form->Show();
        nav->SetDataSource(&source_);
    }
    void TearDown() override {
        delete form;
        DataSetFixture::TearDown();
    }

    // A real click in the middle of the button.
    void Press(TNavigateBtn b) {
        const TSpeedButton* button = nav->Buttons(b);
        Click(nav,
              QPoint(button->Left() + button->Width() / 2, button->Top() + button->Height() / 2));
    }
    // One letter per button, "FPNLIDEpc" for enabled ones and "-" for disabled ones.
    std::string Enabled() const {
        static const char letters[] = "FPNLIDEpc";
        std::string out;
        for (int i = 0; i < kNavButtonCount; ++i)
            out += nav->Buttons(static_cast<TNavigateBtn>(i))->Enabled() ? letters[i] : '-';
        return out;
    }
    std::string Name() const { return table_->FieldByName("NAME")->AsString(); }

    TForm* form = nullptr;
    TDBNavigator* nav = nullptr;
};

TEST_F(DBNavigatorTest, ButtonsFollowPositionAndState) {
    EXPECT_EQ(Enabled(), "--NLIDE--");
    // Stepping onto the last record does not know the end yet; stepping past it does.
    Press(nbNext);
    Press(nbNext);
    EXPECT_EQ(Enabled(), "FPNLIDE--");
    Press(nbNext);
    EXPECT_EQ(Name(), "CLARK");
    EXPECT_EQ(Enabled(), "FP--IDE--");
    Press(nbPrior);
    Press(nbPrior);
    Press(nbPrior);
    EXPECT_EQ(Enabled(), "--NLIDE--");
    Press(nbLast);
    EXPECT_EQ(Enabled(), "FP--IDE--");
    Press(nbEdit);
    EXPECT_EQ(Enabled(), "FP-----pc");
    // Cancel reads the record again: the end is known only after the next move past it.
    Press(nbCancel);
    EXPECT_EQ(Enabled(), "FPNLIDE--");
    nav->SetEnabled(false);
    EXPECT_EQ(Enabled(), "---------");
    nav->SetEnabled(true);
    EXPECT_EQ(Enabled(), "FPNLIDE--");
    table_->Close();
    EXPECT_EQ(Enabled(), "---------");
    table_->ReadOnlyOpen = true;
    table_->Open();
    EXPECT_EQ(Enabled(), "--NL-----");
    Press(nbEdit);
    EXPECT_EQ(table_->State(), dsBrowse);
}

TEST_F(DBNavigatorTest, AnEmptyTableOffersNoDelete) {
    while (!table_->Eof())
        table_->Delete();
    EXPECT_EQ(Enabled(), "----I-E--");
    // Edit on an empty table starts a new record.
    Press(nbEdit);
    EXPECT_EQ(table_->State(), dsInsert);
}

TEST_F(DBNavigatorTest, EachButtonActsBetweenTheEventsUnlessAborted) {
    std::string log;
    nav->BeforeAction = [&](TObject* sender, TNavigateBtn b) {
        EXPECT_EQ(sender, nav);
        log += "<" + std::to_string(b) + Name();
        if (b == nbPrior) Abort();
    };
    nav->OnClick = [&](TObject*, TNavigateBtn b) { log += ">" + std::to_string(b) + Name(); };
    for (TNavigateBtn b : {nbLast, nbPrior, nbFirst, nbNext})
        Press(b);
    EXPECT_EQ(log, "<3ADAMS>3CLARK<1CLARK<0CLARK>0ADAMS<2ADAMS>2BAKER");
    Press(nbEdit);
    table_->FieldByName("NAME")->SetAsString("BROWN");
    Press(nbPost);
    Press(nbInsert);
    table_->FieldByName("NAME")->SetAsString("DAVIS");
    Press(nbCancel);
    Press(nbInsert);
    table_->FieldByName("NAME")->SetAsString("EVANS");
    Press(nbPost);
    EXPECT_EQ(AllNames(), "ADAMS BROWN CLARK EVANS ");
    EXPECT_TRUE(services_.MessageBoxes.empty());
}

TEST_F(DBNavigatorTest, DeleteAsksFirstUnlessToldNotTo) {
    services_.MessageBoxAnswers = {mrNo, mrYes};
    Press(nbDelete);
    ASSERT_EQ(services_.MessageBoxes.size(), 1U);
    const TMessageBoxRequest& question = services_.MessageBoxes[0];
    EXPECT_EQ(question.Text, "Delete record?");
    EXPECT_EQ(question.Type, mtConfirmation);
    EXPECT_TRUE(question.Buttons.Contains(mbYes) && question.Buttons.Contains(mbNo));
    EXPECT_EQ(AllNames(), "ADAMS BAKER CLARK ");
    table_->First();
    Press(nbDelete);
    EXPECT_EQ(AllNames(), "BAKER CLARK ");
    nav->SetConfirmDelete(false);
    Press(nbFirst);
    Press(nbDelete);
    EXPECT_EQ(services_.MessageBoxes.size(), 2U);
    EXPECT_EQ(AllNames(), "CLARK ");
}

TEST_F(DBNavigatorTest, ARefusedDeleteOrPostIsShownAndTheDataKept) {
    nav->SetConfirmDelete(false);
    // The silent abort of a delete handler shows nothing; any other failure is shown.
    table_->BeforeDelete = [](TDataSet*) { Abort(); };
    Press(nbDelete);
    EXPECT_TRUE(services_.MessageBoxes.empty());
    table_->BeforeDelete = [](TDataSet*) { throw Exception("This loan is still in use"); };
    Press(nbDelete);
    ASSERT_EQ(services_.MessageBoxes.size(), 1U);
    EXPECT_EQ(services_.MessageBoxes[0].Text, "This loan is still in use.");
    EXPECT_EQ(services_.MessageBoxes.back().Type, mtError);
    // A second BAKER breaks the unique name index: the record stays in insert state to mend.
    Press(nbInsert);
    table_->FieldByName("NAME")->SetAsString("BAKER");
    Press(nbPost);
    ASSERT_EQ(services_.MessageBoxes.size(), 2U);
    EXPECT_EQ(services_.MessageBoxes[1].Type, mtError);
    EXPECT_EQ(Enabled().substr(4), "---pc");
    table_->FieldByName("NAME")->SetAsString("BLAKE");
    Press(nbPost);
    EXPECT_EQ(services_.MessageBoxes.size(), 2U);
    EXPECT_EQ(AllNames(), "ADAMS BAKER BLAKE CLARK ");
}

TEST_F(DBNavigatorTest, FollowsTheSourceItIsGivenAndForgetsOneThatGoes) {
    MakeLoans("OTHER.DBF", {{"ZED", 1}});
    TTestTable other(folder_.Path(), "OTHER.DBF", "NAME");
    other.ReadOnlyOpen = true;
    other.Open();
    // The source moved to another dataset: the buttons follow that one.
    source_.SetDataSet(&other);
    EXPECT_EQ(Enabled(), "--NL-----");
    source_.SetDataSet(table_.get());
    other.Close();
    other.ReadOnlyOpen = false;
    other.Open();
    auto second = std::make_unique<TDataSource>(nullptr);
    second->SetDataSet(&other);
    nav->SetDataSource(second.get());
    Press(nbEdit);
    EXPECT_EQ(other.State(), dsEdit);
    EXPECT_EQ(table_->State(), dsBrowse);
    other.Cancel();
    second.reset();
    EXPECT_EQ(nav->DataSource(), nullptr);
    EXPECT_EQ(Enabled(), "---------");
    nav->BtnClick(nbInsert);
}

TEST_F(DBNavigatorTest, HintsAndLayout) {
    EXPECT_EQ(nav->Buttons(nbFirst)->Hint(), "First record");
    EXPECT_EQ(nav->Buttons(nbCancel)->Hint(), "Cancel edit");
    TStringList mine;
    mine.Add("Go to the first account");
    mine.Add("");
    nav->SetHints(&mine);
    EXPECT_EQ(nav->Buttons(nbFirst)->Hint(), "Go to the first account");
    EXPECT_EQ(nav->Buttons(nbPrior)->Hint(), "Prior record");
    // The tip over a button shows its hint once the navigator (or its form) shows hints.
    QWidget* widget = WidgetOf(nav);
    const QPoint overNext(nav->Buttons(nbNext)->Left() + 5, 5);
    QHelpEvent help(QEvent::ToolTip, overNext, widget->mapToGlobal(overNext));
    nav->SetShowHint(true);
    QApplication::sendEvent(widget, &help);
    EXPECT_EQ(QToolTip::text(), "Next record");
    form->SetShowHint(true);
    auto* placedLater = new TDBNavigator(form);
    placedLater->SetParent(form);
    EXPECT_TRUE(placedLater->Buttons(nbNext)->ShowHint());
    // The shown buttons share the width, the odd pixels spread among them.
    nav->SetVisibleButtons({nbFirst, nbPrior, nbNext, nbLast});
    EXPECT_FALSE(nav->Buttons(nbPost)->Visible());
    std::string lefts;
    for (TNavigateBtn b : {nbFirst, nbPrior, nbNext, nbLast})
        lefts += std::to_string(nav->Buttons(b)->Left()) + " ";
    EXPECT_EQ(lefts, "0 67 135 203 ");
    EXPECT_EQ(nav->Buttons(nbLast)->Width(), 68);
    Press(nbLast);
    EXPECT_EQ(Name(), "CLARK");
}

// Enabled glyphs are drawn in black, disabled ones greyed. With VANTREL_SCREENSHOT set to a
// file name the navigator in edit state is saved there as PNG.
// The glyphs as rows of '#' (ink) and '.' (background).
std::vector<std::string> Ink(const TSpeedButton* Button) {
    TBitmap* glyph = Button->Glyph();
    std::vector<std::string> rows;
    for (int y = 0; y < glyph->Height(); ++y) {
        std::string row;
        for (int x = 0; x < glyph->Width(); ++x)
            row += glyph->Canvas()->Pixels(x, y) == clBlack ? '#' : '.';
        rows.push_back(row);
    }
    return rows;
}
std::vector<std::string> LeftToRight(std::vector<std::string> Rows) {
    for (std::string& row : Rows)
        std::reverse(row.begin(), row.end());
    return Rows;
}
std::vector<std::string> UpsideDown(std::vector<std::string> Rows) {
    std::reverse(Rows.begin(), Rows.end());
    return Rows;
}

TEST_F(DBNavigatorTest, GlyphsPairAsMirrorImagesAndStayLevel) {
    const auto ink = [&](TNavigateBtn b) { return Ink(nav->Buttons(b)); };
    EXPECT_EQ(LeftToRight(ink(nbFirst)), ink(nbLast));
    EXPECT_EQ(LeftToRight(ink(nbPrior)), ink(nbNext));
    for (TNavigateBtn b : {nbFirst, nbPrior, nbInsert, nbDelete})
        EXPECT_EQ(UpsideDown(ink(b)), ink(b)) << "level " << b;
    for (TNavigateBtn b : {nbInsert, nbDelete, nbEdit})
        EXPECT_EQ(LeftToRight(ink(b)), ink(b)) << "upright " << b;
    // The minus is the plus without its upright bar.
    const auto plus = ink(nbInsert), minus = ink(nbDelete);
    ASSERT_EQ(plus.size(), minus.size());
    int inkOfMinus = 0, inkOfPlus = 0;
    for (std::size_t y = 0; y < plus.size(); ++y)
        for (std::size_t x = 0; x < plus[y].size(); ++x) {
            inkOfPlus += plus[y][x] == '#';
            inkOfMinus += minus[y][x] == '#';
            if (minus[y][x] == '#') {
                EXPECT_EQ(plus[y][x], '#') << x << "," << y;
            }
        }
    EXPECT_GT(inkOfMinus, 0);
    EXPECT_GT(inkOfPlus, inkOfMinus);
    for (int i = 0; i < kNavButtonCount; ++i)
        for (int j = i + 1; j < kNavButtonCount; ++j)
            EXPECT_NE(ink(static_cast<TNavigateBtn>(i)), ink(static_cast<TNavigateBtn>(j)))
                << i << " " << j;
}

TEST_F(DBNavigatorTest, DrawsEnabledGlyphsDarkAndDisabledOnesGrey) {
    Press(nbNext);
    Press(nbEdit);
    const QImage picture = WidgetOf(form)->grab().toImage();
    const auto darkest = [&](TNavigateBtn b) {
        const TSpeedButton* button = nav->Buttons(b);
        int least = 255;
        for (int y = 3; y < button->Height() - 3; ++y)
            for (int x = button->Left() + 3; x < button->Left() + button->Width() - 3; ++x)
                least = std::min(least, qGray(picture.pixel(nav->Left() + x, nav->Top() + y)));
        return least;
    };
    for (TNavigateBtn b : {nbFirst, nbPrior, nbNext, nbLast, nbPost, nbCancel})
        EXPECT_LT(darkest(b), 40) << b;
    for (TNavigateBtn b : {nbInsert, nbDelete, nbEdit})
        EXPECT_TRUE(darkest(b) > 80 && darkest(b) < 160) << b;
    if (const char* path = std::getenv("VANTREL_SCREENSHOT")) {
        ASSERT_TRUE(picture.save(QString::fromLocal8Bit(path), "PNG"));
    }
}

} // namespace
