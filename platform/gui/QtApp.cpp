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
