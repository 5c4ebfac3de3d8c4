// The picture-checked edits with real keys: keystrokes against a picture, the dataset's own
// picture for a field, editing a field of a real table, leaving with a failing text, and the
// space bar's date and time completion on the test clock.
#include "tests/dbcontrols/PictureTable.h"
#include "tests/gui/GuiTestSupport.h"

#include "dbcontrols/Dwdbedit.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/Regional.h"
#include "platform/rtl/TypInfo.h"

#include <gtest/gtest.h>

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
        edit = new TdwDBCustomEdit(form);
        edit->SetParent(form);
        edit->SetBounds(10, 10, 150, 24);
        edit->OnCheckValue = [this](TObject*, bool passes) { checks.push_back(passes); };
        other = new TEdit(form);
        other->SetParent(form);
        other->SetBounds(10, 50, 150, 24);
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

TEST_F(DwDbEditTest, SpaceCompletesATimeWithoutAField) {
    edit->ValueKind = vkTime;
    edit->SetReadOnly(false);
    edit->SetFocus();
    for (int i = 0; i < 4; ++i)
        Type(edit, Qt::Key_Space);
    EXPECT_EQ(edit->Text(), "3:04:09 PM");
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

} // namespace
