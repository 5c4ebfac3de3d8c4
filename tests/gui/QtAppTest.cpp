#include "platform/gui/QtApp.h"

#include "GuiTestSupport.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

TEST(QtAppTest, CreatesOneApplicationObject) {
    EnsureQtApp();
    QCoreApplication* first = QCoreApplication::instance();
    ASSERT_NE(first, nullptr);
    EnsureQtApp();
    EXPECT_EQ(QCoreApplication::instance(), first);
}

#if defined(__x86_64__)
#include <cpuid.h>

// 1 when the wide registers' upper halves are marked in use, 0 when clear, -1 when unknowable.
static int WideUpperState() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & bit_OSXSAVE) || !(c & bit_AVX) ||
        !__get_cpuid_count(0xD, 1, &a, &b, &c, &d) || !(a & 4u))
        return -1;
    __asm__ volatile("xgetbv" : "=a"(a), "=d"(d) : "c"(1));
    return (a & 4u) ? 1 : 0;
}

TEST(QtAppTest, TheProgramsCodeRunsWithTheWideRegistersClear) {
    if (WideUpperState() < 0) GTEST_SKIP() << "the processor cannot tell its register state";
    // A fresh process makes the application object, whose start-up runs Qt's vector code.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT((EnsureQtApp(), std::_Exit(WideUpperState())), testing::ExitedWithCode(0), "");
    TTestForm form(nullptr);
    form.Show();
    form.Custom->SetFocus();
    int seen = -1;
    form.Custom->OnKeyDown = [&](TObject*, Word&, TShiftState) { seen = WideUpperState(); };
    QImage(64, 64, QImage::Format_ARGB32).fill(Qt::white); // with Qt's wide registers
    Type(form.Custom, Qt::Key_A);
    EXPECT_EQ(seen, 0);
    QImage(64, 64, QImage::Format_ARGB32).fill(Qt::black);
    Application->ProcessMessages();
    EXPECT_EQ(WideUpperState(), 0);
}
#endif
