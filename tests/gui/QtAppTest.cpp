#include "platform/gui/QtApp.h"

#include "GuiTestSupport.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#if defined(__x86_64__)
#include <cpuid.h>
#endif

TEST(QtAppTest, CreatesOneApplicationObject) {
    EnsureQtApp();
    QCoreApplication* first = QCoreApplication::instance();
    ASSERT_NE(first, nullptr);
    EnsureQtApp();
    EXPECT_EQ(QCoreApplication::instance(), first);
}

#if defined(__x86_64__)
namespace {

// The processor has AVX and tells which register states are in use (XGETBV with ECX=1).
bool WideStateReadable() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    return __get_cpuid(1, &a, &b, &c, &d) && (c & bit_OSXSAVE) && (c & bit_AVX) &&
           __get_cpuid_count(0xD, 1, &a, &b, &c, &d) && (a & 4u);
}

// The upper halves of the wide registers are marked in use.
bool WideUpperStateInUse() {
    unsigned low = 0, high = 0;
    __asm__ volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(1));
    return (low & 4u) != 0;
}

} // namespace

TEST(QtAppTest, TheProgramsCodeRunsWithTheWideRegistersClear) {
    if (!WideStateReadable()) GTEST_SKIP() << "the processor cannot tell its register state";
    // A fresh process makes the application object, whose start-up runs Qt's vector code.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT((EnsureQtApp(), std::_Exit(WideUpperStateInUse() ? 1 : 0)),
                testing::ExitedWithCode(0), "");

    InitApplication();
    TTestForm form(nullptr);
    form.Show();
    form.Custom->SetFocus();
    std::vector<bool> seenInUse;
    form.Custom->OnKeyDown = [&](TObject*, Word&, TShiftState) {
        seenInUse.push_back(WideUpperStateInUse());
    };
    QImage image(64, 64, QImage::Format_ARGB32);
    image.fill(Qt::white); // Qt fills pixels with its wide registers
    Type(form.Custom, Qt::Key_A);
    EXPECT_EQ(seenInUse, std::vector<bool>{false});
}
#endif
