#include "platform/gui/QtApp.h"

#include "platform/gui/Forms.h"

#include <QApplication>

#include <cstdio>

void EnsureQtApp() {
    if (QCoreApplication::instance()) return;
    // Qt keeps references to argc and argv for the life of the application object.
    static int argc = 1;
    static char name[] = "vantrel";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    (void)app;
    ClearWideRegisterState();
}

void ClearWideRegisterState() {
#if defined(__x86_64__)
    // vzeroupper is an illegal instruction on a processor without AVX.
    static const bool avx = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx") != 0;
    }();
    if (avx)
        __asm__ volatile("vzeroupper" ::: "xmm0", "xmm1", "xmm2", "xmm3", "xmm4", "xmm5", "xmm6",
                         "xmm7", "xmm8", "xmm9", "xmm10", "xmm11", "xmm12", "xmm13", "xmm14",
                         "xmm15");
#endif
}

bool NobodyCanAnswer(const std::string& What) {
    if (ModalHookInstalled()) return true;
    EnsureQtApp();
    const QString platform = QGuiApplication::platformName();
    if (platform != QLatin1String("offscreen") && platform != QLatin1String("minimal"))
        return false;
    std::fprintf(stderr, "vantrel: \"%s\" shown on a screen without input; taken as cancelled\n",
                 What.c_str());
    return true;
}
