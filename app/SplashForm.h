// The splash form shown while the program starts: a small single-bordered window in the middle of
// the screen with the program's name, version and a few lines about it. It is painted once when
// shown, since no message loop runs while the main window is built behind it.
#pragma once

#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"
#include "platform/gui/StdCtrls.h"

#include <array>

class TSplash : public TForm {
    VANTREL_CLASS(TSplash, TForm)

    explicit TSplash(TComponent* AOwner);

    void FormShow(TObject* Sender);

    TPanel* Panel1;
    std::array<TLabel*, 7> Labels;
};

// The least time the splash stays up, counted from before it is made.
constexpr unsigned SplashMilliseconds = 3000;
// Waits, sleeping and without handling any message, until SplashMilliseconds have passed since
// the tick count Start. VANTREL_SPLASH_MS, when set, replaces the wait (tests shorten it).
void WaitForSplash(unsigned long long Start);
