// The login and password dialogs, answered through real key input.
#include "GuiTestSupport.h"

#include "platform/gui/LoginDialogs.h"

#include <cstdlib>

namespace {

std::vector<TEdit*> EditsOf(TCustomForm* form) {
    std::vector<TEdit*> edits;
    for (int i = 0; i < form->ComponentCount(); ++i)
        if (auto* edit = dynamic_cast<TEdit*>(form->Components(i))) edits.push_back(edit);
    return edits;
}

class LoginDialogsTest : public ::testing::Test {
protected:
    void TearDown() override { SetModalHook(previous_); }
    TModalHook previous_ = SetModalHook(nullptr);
};

TEST_F(LoginDialogsTest, LoginOffersTheUserAndHidesThePassword) {
    SetModalHook([](TCustomForm* form) {
        EXPECT_EQ(form->Caption(), "Database Login");
        const auto edits = EditsOf(form);
        ASSERT_EQ(edits.size(), 2u);
        EXPECT_EQ(edits[0]->Text(), "ann");
        EXPECT_EQ(edits[1]->PasswordChar(), '*');
        EXPECT_EQ(form->ActiveControl(), edits[1]); // a known user goes straight to the password
        Application->ProcessMessages();
        QTest::keyClicks(WidgetOf(edits[1]), "s3cret");
        if (const char* folder = std::getenv("VANTREL_SCREENSHOTS"))
            WidgetOf(form)->grab().toImage().save(QString::fromLocal8Bit(folder) + "/login.png");
        QTest::keyClick(WidgetOf(edits[1]), Qt::Key_Return);
    });
    std::string user = "ann", password;
    ASSERT_TRUE(LoginDialog("Remote", user, password));
    EXPECT_EQ(user, "ann");
    EXPECT_EQ(password, "s3cret");
}

TEST_F(LoginDialogsTest, CancelLeavesTheTextsAlone) {
    SetModalHook([](TCustomForm* form) {
        const auto edits = EditsOf(form);
        ASSERT_EQ(edits.size(), 1u);
        EXPECT_EQ(form->Caption(), "Enter password");
        QTest::keyClicks(WidgetOf(edits[0]), "typed");
        QTest::keyClick(WidgetOf(edits[0]), Qt::Key_Escape);
    });
    std::string password = "kept";
    EXPECT_FALSE(PasswordDialog(password));
    EXPECT_EQ(password, "kept");
}

} // namespace
