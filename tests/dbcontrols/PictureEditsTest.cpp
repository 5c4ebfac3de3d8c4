// The picture-checked edits with real keys: keystrokes against a picture, the dataset's own
// picture for a field, editing a field of a real table, leaving with a failing text, the space
// bar's date and time completion on the test clock, cut and paste through the picture, the
// field's alignment without the focus, multi-line text, and the keys an edit placed on a grid
// hands to the grid.
#include "tests/dbcontrols/PictureTable.h"
#include "tests/gui/GuiTestSupport.h"

#include "dbcontrols/GridCore.h"
#include "dbcontrols/PictureEdits.h"
#include "platform/gui/Clipbrd.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/Regional.h"
#include "platform/rtl/TypInfo.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

class DwDbEditTest : public DataSetFixture {
protected:
    void SetUp() override {
        DataSetFixture::SetUp();
        ResetKeyState();
        MakeLoans("LOANS.DBF", {{"ADAMS", 1}, {"BAKER", 2}});
        table = std::make_unique<TPictureTable>(folder_.Path());
        table->Open();
        source_.SetDataSet(table.get());
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 300, 200);
        edit = PlaceControl<TdwDBCustomEdit>(form, form, 10, 10, 150, 24);
        edit->OnCheckValue = [this](TObject*, bool passes) { checks.push_back(passes); };
        other = PlaceControl<TEdit>(form, form, 10, 50, 150, 24);
        form->Show();
    }
    void TearDown() override {
        delete form;
        table.reset();
        FormatSettings() = saved;
        DataSetFixture::TearDown();
    }
    void Link(const std::string& field) {
        edit->SetDataSource(&source_);
        edit->SetDataField(field);
        edit->SetFocus();
    }
    void TypeText(const std::string& text) {
        for (char c : text)
            TypeCharacter(edit, c >= 'a' && c <= 'z' ? Qt::Key_A + (c - 'a') : c, QString(c));
    }

    TFormatSettings saved = FormatSettings();
    TManualClock clock{{2026, 3, 7, 15, 4, 9, 0}};
    TClockOverride useClock{clock};
    TRecordedServices services;
    std::unique_ptr<TPictureTable> table;
    TForm* form = nullptr;
    TdwDBCustomEdit* edit = nullptr;
    TEdit* other = nullptr;
    std::vector<bool> checks;
};

TEST_F(DwDbEditTest, TypingThroughAPictureFillsLiteralsAndBeepsPastTheEnd) {
    Link("NAME");
    edit->Picture()->SetPictureMask("###-##");
    edit->SelectAll();
    TypeText("1234");
    EXPECT_EQ(edit->Text(), "123-4");
    EXPECT_EQ(table->State(), dsEdit);
    TypeText("5");
    EXPECT_EQ(edit->Text(), "123-45");
    EXPECT_TRUE(checks.back());
    TypeText("6");
    EXPECT_EQ(edit->Text(), "123-45");
    EXPECT_EQ(services.Beeps.size(), 1u);
    // The picture is the dataset's entry for the field, so another edit on NAME shares it.
    EXPECT_NE(table->Masks.Text().find("###-##"), std::string::npos);
    EXPECT_FALSE(edit->Picture()->AllowInvalidExit());
}

TEST_F(DwDbEditTest, LeavingStoresTheTextInTheField) {
    Link("NAME");
    edit->SelectAll();
    TypeText("carter");
    other->SetFocus();
    EXPECT_EQ(table->FieldByName("NAME")->AsString(), "carter");
    table->Post();
    EXPECT_EQ(edit->Text(), "carter");
}

TEST_F(DwDbEditTest, ATextFailingThePictureKeepsTheFocus) {
    Link("NAME");
    edit->Picture()->SetPictureMask("###-##");
    edit->SelectAll();
    TypeText("12");
    other->SetFocus();
    EXPECT_TRUE(edit->ExitRefused());
    EXPECT_TRUE(edit->Focused());
    EXPECT_FALSE(checks.back());
    EXPECT_EQ(table->FieldByName("NAME")->AsString(), "ADAMS");
}

TEST_F(DwDbEditTest, EscapeTakesBackTheFieldsValue) {
    Link("NAME");
    edit->SelectAll();
    TypeText("zed");
    Type(edit, Qt::Key_Escape);
    EXPECT_EQ(edit->Text(), "ADAMS");
}

TEST_F(DwDbEditTest, SpaceCompletesADateFromTheClock) {
    FormatSettings().ShortDateFormat = "M/d/yyyy";
    Link("WHEN");
    edit->SelectAll();
    Type(edit, Qt::Key_Space);
    EXPECT_EQ(edit->Text(), "3/");
    Type(edit, Qt::Key_Space);
    EXPECT_EQ(edit->Text(), "3/7/");
    Type(edit, Qt::Key_Space);
    EXPECT_EQ(edit->Text(), "3/7/2026");
    EXPECT_EQ(table->State(), dsEdit);
    FormatSettings().ShortDateFormat = "dd/MM/yy";
    edit->SelectAll();
    Type(edit, Qt::Key_Space);
    Type(edit, Qt::Key_Space);
    Type(edit, Qt::Key_Space);
    EXPECT_EQ(edit->Text(), "07/03/26");
}

TEST_F(DwDbEditTest, SpaceCompletesADateAndTimeOnlyInAnEditForThem) {
    FormatSettings().ShortDateFormat = "M/d/yyyy";
    FormatSettings().DateSeparator = '/';
    FormatSettings().TimeSeparator = ':';
    FormatSettings().TimeAMString = "AM";
    FormatSettings().TimePMString = "PM";
    edit->SetReadOnly(false);
    edit->SetFocus();
    // A plain edit takes the space as typed.
    TypeText("ab");
    Type(edit, Qt::Key_Space);
    EXPECT_EQ(edit->Text(), "ab ");
    // For a date and time: the date, a blank, then the time from the clock (15:04:09).
    edit->ValueKind = vkDateTime;
    edit->SelectAll();
    std::vector<std::string> steps;
    for (int i = 0; i < 8; ++i) {
        Type(edit, Qt::Key_Space);
        steps.push_back(edit->Text());
    }
    EXPECT_EQ(steps, (std::vector<std::string>{"3/", "3/7/", "3/7/2026", "3/7/2026 ",
                                               "3/7/2026 3:", "3/7/2026 3:04:",
                                               "3/7/2026 3:04:09", "3/7/2026 3:04:09 PM"}));
    // For a date alone the time never comes.
    edit->ValueKind = vkDate;
    edit->SelectAll();
    for (int i = 0; i < 5; ++i)
        Type(edit, Qt::Key_Space);
    EXPECT_EQ(edit->Text(), "3/7/2026");
}

TEST_F(DwDbEditTest, ABackspaceIsCheckedWithTheRecordAlreadyEdited) {
    Link("NAME");
    edit->Picture()->SetPictureMask("&&&&&");
    std::vector<TDataSetState> states;
    edit->OnCheckValue = [&](TObject*, bool) { states.push_back(table->State()); };
    Type(edit, Qt::Key_End);
    Type(edit, Qt::Key_Backspace);
    EXPECT_EQ(edit->Text(), "ADAM");
    ASSERT_FALSE(states.empty());
    EXPECT_EQ(states.front(), dsEdit);
}

TEST_F(DwDbEditTest, SpaceCompletesATimeWithoutAField) {
    edit->ValueKind = vkTime;
    edit->SetReadOnly(false);
    edit->SetFocus();
    for (int i = 0; i < 4; ++i)
        Type(edit, Qt::Key_Space);
    EXPECT_EQ(edit->Text(), "3:04:09 PM");
    // Noon is the first hour after midday, midnight the first before it.
    for (auto [hour, shown] : {std::pair<Word, const char*>{12, "12:04:09 PM"},
                               {0, "12:04:09 AM"}, {11, "11:04:09 AM"}}) {
        clock.SetLocalTime({2026, 3, 7, hour, 4, 9, 0});
        edit->SelectAll();
        for (int i = 0; i < 4; ++i)
            Type(edit, Qt::Key_Space);
        EXPECT_EQ(edit->Text(), shown) << hour;
    }
}

TEST(DwDbPictureTest, AssignCopiesMaskAndFillButNotInvalidExit) {
    TdwCustomMaskEdit a(nullptr);
    TdwCustomMaskEdit b(nullptr);
    a.Picture()->SetPictureMask("&&&");
    a.Picture()->SetAutoFill(false);
    a.Picture()->SetAllowInvalidExit(true);
    b.SetPicture(a.Picture());
    EXPECT_EQ(b.Picture()->PictureMask(), "&&&");
    EXPECT_FALSE(b.Picture()->AutoFill());
    EXPECT_FALSE(b.Picture()->AllowInvalidExit());
    EXPECT_TRUE(a.IsValidPictureValue(""));
    EXPECT_TRUE(a.IsValidPictureValue("abc"));
    EXPECT_FALSE(a.IsValidPictureValue("ab"));
}

// The first and last columns of the edit's pixels that are darker than its grey frame.
std::pair<int, int> InkColumns(TWinControl* control) {
    const QImage image = WidgetOf(control)->grab().toImage();
    int first = -1;
    int last = -1;
    for (int x = 3; x < image.width() - 3; ++x)
        for (int y = 3; y < image.height() - 3; ++y)
            if (qGray(image.pixel(x, y)) < 100) {
                if (first < 0) first = x;
                last = x;
                break;
            }
    return {first, last};
}

TEST_F(DwDbEditTest, ANumberStandsRightUntilItIsEdited) {
    Link("AMOUNT");
    other->SetFocus();
    EXPECT_EQ(edit->FieldAlignment(), taRightJustify);
    const auto [firstShown, lastShown] = InkColumns(edit);
    ASSERT_GE(firstShown, 0);
    EXPECT_GT(firstShown, edit->Width() / 2);
    EXPECT_GE(lastShown, edit->Width() - 12);
    edit->SetFocus();
    const auto [firstEdited, lastEdited] = InkColumns(edit);
    EXPECT_LT(firstEdited, 10);
    EXPECT_LT(lastEdited, edit->Width() / 2);
}

TEST_F(DwDbEditTest, EnteringTheEditFiresOnEnterAndSelectsTheFieldsText) {
    Link("NAME");
    other->SetFocus();
    int entered = 0;
    edit->OnEnter = [&](TObject*) { ++entered; };
    edit->SetFocus();
    EXPECT_EQ(entered, 1);
    EXPECT_EQ(edit->Text(), "ADAMS");
    EXPECT_EQ(edit->SelStart(), 0);
    EXPECT_EQ(edit->SelLength(), 5);
    edit->SetAutoSelect(false);
    other->SetFocus();
    edit->SetSelStart(2);
    edit->SetSelLength(0);
    edit->SetFocus();
    EXPECT_EQ(entered, 2);
    EXPECT_EQ(edit->SelLength(), 0);
}

TEST_F(DwDbEditTest, PastedTextIsFilledOutByThePicture) {
    Link("NAME");
    edit->Picture()->SetPictureMask("###-##");
    Clipboard()->SetAsText("123");
    edit->SelectAll();
    Type(edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit->Text(), "123-");
    EXPECT_EQ(table->State(), dsEdit);
    EXPECT_TRUE(edit->Modified());
    ASSERT_FALSE(checks.empty());
    EXPECT_FALSE(checks.back());
    Clipboard()->SetAsText("45");
    Type(edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit->Text(), "123-45");
    EXPECT_TRUE(checks.back());
    // Cutting the end away leaves a text the picture does not pass.
    edit->SetSelStart(4);
    edit->SetSelLength(2);
    Type(edit, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(edit->Text(), "123-");
    EXPECT_EQ(Clipboard()->AsText(), "45");
    EXPECT_FALSE(checks.back());
    other->SetFocus();
    EXPECT_TRUE(edit->ExitRefused());
}

TEST_F(DwDbEditTest, AMultiLineEditPutsTheCaretAfterAFilledOutPaste) {
    edit->SetMultiLine(true);
    Link("NAME");
    edit->Picture()->SetPictureMask("###-##");
    Clipboard()->SetAsText("123");
    edit->SelectAll();
    Type(edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit->Text(), "123-");
    EXPECT_EQ(edit->SelStart(), 4);
    EXPECT_EQ(edit->SelLength(), 0);
}

TEST_F(DwDbEditTest, CuttingFromALockedEditChangesNothing) {
    Clipboard()->SetAsText("kept");
    edit->SetText("text");
    edit->SelectAll();
    edit->Perform(WM_CUT, 0, 0);
    edit->Perform(WM_PASTE, 0, 0);
    EXPECT_EQ(edit->Text(), "text");
    EXPECT_EQ(Clipboard()->AsText(), "kept");
    EXPECT_EQ(services.Beeps.size(), 2u);
    // Typed as keys, paste and cut are swallowed before they reach the clipboard.
    edit->SetFocus();
    edit->SelectAll();
    Type(edit, Qt::Key_V, Qt::ControlModifier);
    Type(edit, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(edit->Text(), "text");
    EXPECT_EQ(Clipboard()->AsText(), "kept");
    EXPECT_EQ(services.Beeps.size(), 2u);
}

TEST_F(DwDbEditTest, TheDataLinkIsAnsweredOnRequest) {
    EXPECT_EQ(edit->Perform(CM_GETDATALINK, 0, 0), reinterpret_cast<LRESULT>(edit->DataLink()));
}

TEST_F(DwDbEditTest, AMultiLineEditKeepsReturnsOnlyWhenItWantsThem) {
    edit->SetMultiLine(true);
    Link("NOTE");
    edit->SelectAll();
    TypeText("ab");
    Type(edit, Qt::Key_Return);
    TypeText("cd");
    EXPECT_EQ(edit->Text(), "abcd");
    edit->SetWantReturns(true);
    edit->SetFocus();
    edit->SelectAll();
    TypeText("ab");
    Type(edit, Qt::Key_Return);
    TypeText("cd");
    EXPECT_EQ(edit->Text(), "ab\r\ncd");
    EXPECT_EQ(edit->SelStart(), 6);
    other->SetFocus();
    EXPECT_EQ(table->FieldByName("NOTE")->AsString(), "ab\r\ncd");
}

// An edit placed on a data-aware grid over the table, as the grid places the control of a cell.
class DwDbEditGridTest : public DwDbEditTest {
protected:
    void SetUp() override {
        DwDbEditTest::SetUp();
        grid = PlaceControl<TdwCustomDBGrid>(form, form, 0, 80, 290, 110);
        grid->SetDataSource(&source_);
        grid->OnKeyDown = [this](TObject*, Word& key, TShiftState) { gridKeys.push_back(key); };
        edit->SetBorderStyle(bsNone);
        edit->SetParent(grid);
        edit->SetBounds(12, 25, 100, 20);
        Link("NAME");
    }

    TdwCustomDBGrid* grid = nullptr;
    std::vector<Word> gridKeys;
};

TEST_F(DwDbEditGridTest, MovingKeysGoToTheGrid) {
    Type(edit, Qt::Key_Down);
    EXPECT_TRUE(grid->Focused());
    EXPECT_EQ(table->FieldByName("NAME")->AsString(), "BAKER");
    EXPECT_EQ(gridKeys, std::vector<Word>{VK_DOWN});
    // Left and Right stay with the text unless the grid always shows its editor.
    edit->SetFocus();
    Type(edit, Qt::Key_End);
    Type(edit, Qt::Key_Left);
    EXPECT_TRUE(edit->Focused());
    EXPECT_EQ(edit->SelStart(), 4);
    grid->SetOptions(grid->Options().Include(dgAlwaysShowEditor));
    Type(edit, Qt::Key_Right);
    EXPECT_TRUE(edit->Focused());
    EXPECT_EQ(edit->SelStart(), 5);
    Type(edit, Qt::Key_Right);
    // The grid took the key (and, always showing its editor, passed the focus on to it).
    EXPECT_FALSE(edit->Focused());
    EXPECT_EQ(grid->SelectedIndex(), 1);
}

TEST_F(DwDbEditGridTest, EnterTabAndEscapeEndTheEditingInTheGrid) {
    Type(edit, Qt::Key_Tab);
    EXPECT_TRUE(grid->Focused());
    EXPECT_EQ(grid->SelectedIndex(), 1);
    edit->SetFocus();
    Type(edit, Qt::Key_Return);
    EXPECT_TRUE(grid->Focused());
    EXPECT_EQ(edit->Text(), "ADAMS");
    edit->SetFocus();
    edit->SelectAll();
    TypeText("zed");
    Type(edit, Qt::Key_Escape);
    EXPECT_TRUE(grid->Focused());
    EXPECT_EQ(edit->Text(), "ADAMS");
    // F2 is the grid's event's first, then puts the caret at the end of the text.
    edit->SetFocus();
    edit->SelectAll();
    Type(edit, Qt::Key_F2);
    EXPECT_EQ(gridKeys.back(), VK_F2);
    EXPECT_EQ(edit->SelLength(), 0);
    EXPECT_EQ(edit->SelStart(), 5);
}

TEST_F(DwDbEditGridTest, ATextTheEditRefusesKeepsItsRecord) {
    edit->Picture()->SetPictureMask("###-##");
    edit->SelectAll();
    TypeText("12");
    Type(edit, Qt::Key_Down);
    EXPECT_TRUE(edit->Focused());
    EXPECT_TRUE(edit->ExitRefused());
    EXPECT_EQ(table->FieldByName("NAME")->AsString(), "ADAMS");
    EXPECT_EQ(std::count(gridKeys.begin(), gridKeys.end(), VK_DOWN), 0);
}

// The rightmost column of ink in the edit's picture.
int LastInkColumn(TWinControl* control) {
    const QImage image = WidgetOf(control)->grab().toImage();
    for (int x = image.width() - 1; x >= 0; --x)
        for (int y = 3; y < image.height() - 3; ++y)
            if (qGray(image.pixel(x, y)) < 100) return x;
    return -1;
}

TEST_F(DwDbEditGridTest, OnTheGridANumberKeepsOneMorePixelFromTheEdgeAndTwoWithABorder) {
    edit->SetDataField("AMOUNT");
    grid->SetFocus();
    ASSERT_FALSE(edit->Focused());
    // The same right-aligned number painted by the edit itself, on the grid and on the form.
    const auto lastInk = [&](TWinControl* parent) {
        edit->SetParent(parent);
        edit->SetBounds(12, 25, 100, 20);
        Application->ProcessMessages();
        return LastInkColumn(edit);
    };
    const int onGrid = lastInk(grid);
    const int onForm = lastInk(form);
    ASSERT_GT(onForm, 50);
    EXPECT_EQ(onGrid, onForm - 1);
    edit->SetBorderStyle(bsSingle);
    const int framedOnForm = lastInk(form);
    const int framedOnGrid = lastInk(grid);
    EXPECT_EQ(framedOnGrid, framedOnForm - 2);
}

TEST_F(DwDbEditGridTest, ScrollingTheTextOnTheGridFocusesIt) {
    grid->SetFocus();
    edit->Perform(WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_TRUE(edit->Focused());
}

} // namespace
