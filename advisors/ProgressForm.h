// The "One Moment..." form shown while an amortization schedule is built: a raised frame holding
// a progress meter. Setting the percentage repaints the meter at once, since the build runs
// without returning to the message loop.
#pragma once

#include "controls/entry/Meter.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"

class TMeterFrm : public TForm {
    VANTREL_CLASS(TMeterFrm, TForm)

    explicit TMeterFrm(TComponent* AOwner);

    TPanel* Panel1;
    TVcMeter* Meter;
    TVcController* Controller;

    // The meter's percentage (0..100), painted before returning.
    void SetPercent(int Percent);
    int Percent() const { return Meter->Percent(); }
};
