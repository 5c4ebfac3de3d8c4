#include "advisors/ProgressForm.h"

TMeterFrm::TMeterFrm(TComponent* AOwner) : TForm(AOwner) {
    SetName("MeterFrm");
    SetCaption("One Moment...");
    SetFormBorderStyle(bsSingle);
    SetBorderIcons({biSystemMenu});
    SetClientWidth(260);
    SetClientHeight(64);
    Panel1 = new TPanel(this);
    Panel1->SetName("Panel1");
    Panel1->SetParent(this);
    Panel1->SetCaption("");
    Panel1->SetBevelOuter(bvRaised);
    Panel1->SetBounds(8, 8, 244, 48);
    // The meter is an entry control: it needs its form's controller.
    Controller = new TVcController(this);
    Controller->SetName("Controller");
    Meter = new TVcMeter(this);
    Meter->SetName("Meter");
    Meter->SetParent(Panel1);
    Meter->SetBounds(10, 12, 224, 24);
    Meter->SetShowPercent(true);
}

void TMeterFrm::SetPercent(int Percent) {
    Meter->SetPercent(Percent);
    Meter->Repaint();
}
