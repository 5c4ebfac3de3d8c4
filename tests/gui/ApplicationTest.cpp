#include "GuiTestSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(ApplicationTest, RunShowsTheMainFormAndEndsWhenItCloses) {
    InitApplication();
    TForm* main = nullptr;
    Application->CreateForm(main);
    ASSERT_EQ(Application->MainForm(), main);
    int created = 0;
    main->OnCreate = [&](TObject*) { ++created; };
    main->DoCreate();
    EXPECT_EQ(created, 0); // ran once already, inside CreateForm
    int idles = 0;
    Application->OnIdle = [&](TObject*, bool& done) {
        EXPECT_TRUE(main->Visible());
        ++idles;
        done = true;
        main->Close();
    };
    Application->Run();
    EXPECT_TRUE(Application->Terminated());
    EXPECT_GE(idles, 1);
    EXPECT_FALSE(main->Visible());
    Application->OnIdle = nullptr;
    delete main;
    EXPECT_EQ(Application->MainForm(), nullptr);
}

} // namespace
