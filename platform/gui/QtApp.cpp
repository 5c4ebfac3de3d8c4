#include "platform/gui/QtApp.h"

#include <QApplication>

void EnsureQtApp() {
    if (QCoreApplication::instance()) return;
    // Qt keeps references to argc and argv for the life of the application object.
    static int argc = 1;
    static char name[] = "vantrel";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    (void)app;
}
