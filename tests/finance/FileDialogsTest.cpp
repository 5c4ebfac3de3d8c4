#include "finance/FixedPitchFonts.h"
#include "finance/LoanMath.h"

#include "platform/gui/Dialogs.h"
#include "platform/gui/Forms.h"
#include "platform/gui/WinGdi.h"
#include "tests/rtl/TestFolder.h"

#include <fstream>

#include <gtest/gtest.h>

namespace {

TEST(LoMathFileDialogs, OpenAsksForAnExistingFile) {
    TRecordedServices services;
    services.FileDialogAnswers.push_back(TFileDialogResult{{"/data/loans/car.LB"}, 1});
    std::string name = "old";
    AskOpenFileName("Lease v. Buy files", "LB", name);
    EXPECT_EQ(name, "/data/loans/car.LB");
    ASSERT_EQ(services.FileDialogs.size(), 1u);
    const TFileDialogRequest& request = services.FileDialogs[0];
    EXPECT_FALSE(request.Save);
    EXPECT_EQ(request.Filter, "Lease v. Buy files|*.LB|All files (*.*)|*.*");
    EXPECT_EQ(request.FileName, "*.LB");
    EXPECT_EQ(request.Options,
              TOpenOptions({ofHideReadOnly, ofShowHelp, ofPathMustExist, ofFileMustExist}));
    // A file chosen as it is named is opened as it is named.
    EXPECT_EQ(request.DefaultExt, "");
    AskOpenFileName("Lease v. Buy files", "LB", name);
    EXPECT_EQ(name, "");
}

TEST(LoMathFileDialogs, SavedNamesGetTheExtension) {
    TRecordedServices services;
    for (const char* chosen : {"/tmp/plan", "/tmp/plan.txt", "/tmp/plan.lb", "/tmp/v1.2/plan.LB"})
        services.FileDialogAnswers.push_back(TFileDialogResult{{chosen}, 1});
    std::string name;
    AskSaveFileName("Lease v. Buy files", "LB", name);
    EXPECT_EQ(name, "/tmp/plan.LB");
    AskSaveFileName("Lease v. Buy files", "LB", name);
    EXPECT_EQ(name, "/tmp/plan.LB");
    AskSaveFileName("Lease v. Buy files", "LB", name);
    EXPECT_EQ(name, "/tmp/plan.lb");
    AskSaveFileName("Lease v. Buy files", "LB", name);
    EXPECT_EQ(name, "/tmp/v1.2/plan.LB");
    ASSERT_EQ(services.FileDialogs.size(), 4u);
    EXPECT_TRUE(services.FileDialogs[0].Save);
    EXPECT_EQ(services.FileDialogs[0].Options,
              TOpenOptions({ofOverwritePrompt, ofHideReadOnly, ofShowHelp, ofPathMustExist}));
    // The dialog itself adds the extension to a bare name, before it asks about replacing.
    EXPECT_EQ(services.FileDialogs[0].DefaultExt, "LB");
    AskSaveFileName("Lease v. Buy files", "LB", name);
    EXPECT_EQ(name, "");
}

TEST(LoMathFileDialogs, ANameGivenTheExtensionAsksBeforeReplacingThatFile) {
    TTestFolder folder;
    const std::string existing = folder.Path() + "/plan.LB";
    std::ofstream(existing) << "kept";
    TRecordedServices services;
    for (int i = 0; i < 2; ++i)
        services.FileDialogAnswers.push_back(TFileDialogResult{{folder.Path() + "/plan.txt"}, 1});
    services.MessageBoxAnswers = {mrNo, mrYes};
    std::string name;
    AskSaveFileName("Lease v. Buy files", "LB", name);
    EXPECT_EQ(name, "");
    ASSERT_EQ(services.MessageBoxes.size(), 1u);
    EXPECT_EQ(services.MessageBoxes[0].Text,
              existing + " already exists.\n\nDo you want to replace it?");
    AskSaveFileName("Lease v. Buy files", "LB", name);
    EXPECT_EQ(name, existing);
}

TEST(LoMathFileDialogs, LongNamesAreCut) {
    TRecordedServices services;
    services.FileDialogAnswers.push_back(TFileDialogResult{{"/" + std::string(400, 'a')}, 1});
    std::string name;
    AskOpenFileName("Files", "LB", name);
    EXPECT_EQ(name.size(), 255u);
}

TEST(LoFontsList, HoldsTheFixedPitchFamilies) {
    CreateFixedFontList();
    FixedFontList->Add("stale");
    FillFixedFontList();
    int expected = 0;
    for (const TFontFamily& family : FontFamilies()) {
        if (!family.FixedPitch) continue;
        ++expected;
        EXPECT_GE(FixedFontList->IndexOf(family.Name), 0) << family.Name;
    }
    EXPECT_EQ(FixedFontList->Count(), expected);
    EXPECT_LT(FixedFontList->IndexOf("stale"), 0);
    EXPECT_GE(FixedFontList->IndexOf("Courier New"), 0);
    FreeFixedFontList();
    EXPECT_EQ(FixedFontList, nullptr);
    FillFixedFontList();
}

} // namespace
