#include "app/SplashForm.h"

#include "platform/rtl/Clock.h"

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

struct TSplashLine {
    const char* Text;
    int Height;
    bool Bold;
    TColor Color;
};

// The name, version and notice set on show, then four lines about the program.
const TSplashLine Lines[] = {
    {"", 19, true, clRed},
    {"", 13, true, clRed},
    {"", 13, false, clBlack},
    {"Loan and lease calculations for one user:", 13, false, clBlack},
    {"seven loan calculators, amortization schedules,", 13, false, clBlack},
    {"lease-versus-buy and points advisors,", 13, false, clBlack},
    {"and a register of borrowers and loans.", 13, false, clBlack},
};

unsigned SplashWait() {
    if (const char* text = std::getenv("VANTREL_SPLASH_MS")) {
        try {
            return static_cast<unsigned>(std::stoul(text));
        } catch (const std::exception&) {
        }
    }
    return SplashMilliseconds;
}

} // namespace

TSplash::TSplash(TComponent* AOwner) : TForm(AOwner) {
    SetName("Splash");
    // A splash has no frame: no caption bar and no buttons to maximise or close it. The doubly
    // lowered panel is its edge.
    SetFormBorderStyle(bsNone);
    SetBorderIcons({});
    SetPosition(poScreenCenter);
    SetBounds(0, 0, 333, 192);
    Panel1 = new TPanel(this);
    Panel1->SetName("Panel1");
    Panel1->SetParent(this);
    Panel1->SetAlign(alClient);
    Panel1->SetCaption("");
    Panel1->SetBevelInner(bvLowered);
    Panel1->SetBevelOuter(bvLowered);
    int top = 12;
    for (std::size_t k = 0; k < Labels.size(); ++k) {
        TLabel* label = new TLabel(this);
        label->SetName("Label" + std::to_string(k + 1));
        label->SetParent(Panel1);
        label->SetAutoSize(false);
        label->SetAlignment(taCenter);
        label->Font()->SetName("Arial");
        label->Font()->SetHeight(-Lines[k].Height);
        label->Font()->SetColor(Lines[k].Color);
        if (Lines[k].Bold) label->Font()->SetStyle({fsBold});
        label->SetBounds(8, top, 309, Lines[k].Height + 6);
        label->SetCaption(Lines[k].Text);
        top += Lines[k].Height + (k < 3 ? 10 : 4);
        Labels[k] = label;
    }
    OnShow = [this](TObject* s) { FormShow(s); };
}

void TSplash::FormShow(TObject*) {
    Labels[0]->SetCaption("Vantrel Plus");
    Labels[1]->SetCaption("Version: 2.6  Released:   09/27/97");
    Labels[2]->SetCaption("Please tell a friend about this software.");
    SetCaption("");
}

void WaitForSplash(unsigned long long Start) {
    const unsigned long long until = Start + SplashWait();
    for (;;) {
        const unsigned long long now = Clock().TickCount();
        if (now >= until) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(until - now, 50ULL)));
    }
}
