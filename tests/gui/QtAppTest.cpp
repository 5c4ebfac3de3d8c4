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
    if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & bit_OSXSAVE) || !(c & bit_AVX)) return false;
    return __get_cpuid_count(0xD, 1, &a, &b, &c, &d) && (a & 4u) != 0;
}

// The upper halves of the wide registers are marked in use.
bool WideUpperStateInUse() {
    unsigned low = 0, high = 0;
    __asm__ volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(1));
    return (low & 4u) != 0;
}

// A control that notes whether the upper state was in use when a key message reached it.
class TWideStateProbe : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    int Keys = 0;
    int KeysWithStateInUse = 0;

protected:
    void WndProc(TMessage& m) override {
        if (m.Msg == WM_KEYDOWN) {
            ++Keys;
            if (WideUpperStateInUse()) ++KeysWithStateInUse;
        }
        TCustomControl::WndProc(m);
    }
};

} // namespace

TEST(QtAppTest, TheProgramsCodeRunsWithTheWideRegistersClear) {
    if (!WideStateReadable()) GTEST_SKIP() << "the processor cannot tell its register state";
    // A fresh process makes the application object, whose start-up runs Qt's vector code.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            EnsureQtApp();
            std::_Exit(WideUpperStateInUse() ? 1 : 0);
        },
        testing::ExitedWithCode(0), "");

    InitApplication();
    TForm form(nullptr);
    auto* probe = new TWideStateProbe(&form);
    probe->SetParent(&form);
    form.Show();
    probe->SetFocus();
    QImage image(64, 64, QImage::Format_ARGB32);
    image.fill(Qt::white); // Qt fills pixels with its wide registers
    QTest::keyClick(WidgetOf(probe), Qt::Key_A);
    EXPECT_EQ(probe->Keys, 1);
    EXPECT_EQ(probe->KeysWithStateInUse, 0);
}
#endif
