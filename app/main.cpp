// Vantrel Plus: the program's entry point. Start-up runs in a fixed order: the settings folder is
// made, the regional settings are read from the emulated Windows profile, the splash is shown and
// painted, the main window is built behind it, the splash stays at least three seconds from before
// it was made, and then the message loop runs until the main window closes. The chart units start
// after the screen exists (their hand cursor goes into its list) and stop when the loop has ended.
// A start that fails prints its message and shuts down what it had started, so every exit ends
// cleanly.
#include "app/MainWindow.h"
#include "app/SplashForm.h"
#include "chart/Series.h"
#include "db/DBTables.h"
#include "platform/gui/Forms.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/Paths.h"
#include "platform/rtl/Profile.h"

#include <cstdio>
#include <exception>

namespace {

void LoadProgramIcon() {
    try {
        Application->Icon()->LoadFromFile(DataFolder() + "/vantrel.ico");
    } catch (const std::exception&) {
        // A program without its icon file still runs, with the window system's icon.
    }
}

} // namespace

int main() {
    int status = 0;
    bool chartsStarted = false;
    try {
        // The settings folder holds the register as well: without it the program cannot start.
        // A settings file in it that cannot be read is told later and its defaults serve.
        SettingsFolder();
        LoadRegionalSettings();
        InitApplication();
        StartChartUnits();
        chartsStarted = true;
        const unsigned long long start = Clock().TickCount();
        auto* splash = new TSplash(Application);
        splash->Show();
        splash->Update();
        Application->ProcessMessages();
        Application->SetTitle("Vantrel Plus for Windows");
        Application->SetHelpFile("vtrx2532.hlp");
        LoadProgramIcon();
        TMainForm* main = nullptr;
        Application->CreateForm(main);
        WaitForSplash(start);
        splash->Hide();
        delete splash;
        Application->Run();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Vantrel Plus: %s\n", e.what());
        status = 1;
    }
    // Shutdown runs in reverse, after a failed start as after a normal end: the chart units
    // while the screen still exists, then the forms go with the application, then the sessions
    // close every table.
    try {
        if (chartsStarted) StopChartUnits();
        delete Application;
        DoneDBTables();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Vantrel Plus: %s\n", e.what());
        status = 1;
    }
    return status;
}
