#include "controls/entry/EntryController.h"

#include "controls/entry/DayNumberDates.h"
#include "controls/entry/EntryExceptions.h"
#include "controls/entry/EntryWindowMessages.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Forms.h"
#include "platform/gui/WinUser.h"

namespace {
constexpr int EpochSpan = 50;
}

// ---------------------------------------------------------------------------------------------
// TVcController

TVcController::TVcController(TComponent* AOwner)
    : TComponent(AOwner), entryCommands_(std::make_unique<TVcCommandProcessor>()),
      epoch_(DefaultEpoch()) {
    timerPool_ = new TVcTimerPool(this);
    timerPool_->OnAllTriggers = [this](TObject* sender, int handle, Word interval,
                                       LongInt elapsed) {
        if (OnTimerTrigger) OnTimerTrigger(sender, handle, interval, elapsed);
    };
    // The owner's controls learn of the controller once it is complete.
    if (Owner()) Owner()->Notification(this, opInsert);
}

TVcController::~TVcController() {
    Destroying();
    DestroyComponents();
}

int TVcController::DefaultEpoch() {
    int day = 0;
    int month = 0;
    int year = 0;
    DateToDMY(CurrentDate(), day, month, year);
    const int epoch = year - EpochSpan;
    return epoch < MinYear ? MinYear : epoch;
}

void TVcController::SetEpoch(int Value) {
    if (Value >= MinYear && Value <= MaxYear) epoch_ = Value;
}

void TVcController::SetButton(TWinControl*& Slot, TWinControl* Value) {
    Slot = Value;
    if (Value) Value->FreeNotification(this);
}

void TVcController::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (AComponent == btnCancel_) btnCancel_ = nullptr;
    if (AComponent == btnHelp_) btnHelp_ = nullptr;
    if (AComponent == btnRestore_) btnRestore_ = nullptr;
    for (auto it = tickets_.begin(); it != tickets_.end();) {
        if (it->second == AComponent)
            it = tickets_.erase(it);
        else
            ++it;
    }
}

void TVcController::DoOnError(TObject* Sender, Word ErrorCode, const std::string& ErrorMsg) {
    if (OnError) {
        OnError(Sender, ErrorCode, ErrorMsg);
        return;
    }
    MessageDlg(ErrorMsg, mtError, TMsgDlgButtons{mbOK}, 0);
}

bool TVcController::IsSpecialControl(TObject* Sender, TWinControl* Control) {
    if (!Control) return false;
    for (TWinControl* button : {btnCancel_, btnHelp_, btnRestore_}) {
        if (button == Control) return true;
        if (button && button->HandleAllocated() && Control->HandleAllocated() &&
            button->Handle() == Control->Handle())
            return true;
    }
    return OnIsSpecialControl ? OnIsSpecialControl(Sender, Control) : false;
}

HWND TVcController::WindowHandle() {
    if (!window_)
        window_ =
            std::make_unique<TVcMessageWindow>([this](TMessage& m) { return HandleMessage(m); });
    return window_->Handle();
}

LPARAM TVcController::Ticket(TComponent* Component) {
    const LPARAM ticket = nextTicket_++;
    tickets_[ticket] = Component;
    if (Component) Component->FreeNotification(this);
    return ticket;
}

TComponent* TVcController::Redeem(LPARAM Ticket) {
    const auto it = tickets_.find(Ticket);
    if (it == tickets_.end()) return nullptr;
    TComponent* component = it->second;
    tickets_.erase(it);
    return component;
}

void TVcController::PreEditNotify(TWinControl* Field, HWND Other) {
    PostMessage(WindowHandle(), VCM_PREEDIT, Other, Ticket(Field));
}

void TVcController::PostEditNotify(TWinControl* Field, HWND Other) {
    PostMessage(WindowHandle(), VCM_POSTEDIT, Other, Ticket(Field));
}

void TVcController::DelayNotify(TComponent* Sender, Word NotifyCode) {
    PostMessage(WindowHandle(), VCM_DELAYNOTIFY, NotifyCode, Ticket(Sender));
}

void TVcController::RefocusField(TWinControl* Field) {
    PostMessage(WindowHandle(), VCM_REFOCUS, 0, Ticket(Field));
}

bool TVcController::HandleMessage(TMessage& Message) {
    switch (Message.Msg) {
    case VCM_REFOCUS: {
        auto* field = dynamic_cast<TWinControl*>(Redeem(Message.LParam));
        try {
            if (field && field->CanFocus()) field->SetFocus();
        } catch (...) {
            if (Application) Application->HandleException(this);
        }
        return true;
    }
    case VCM_PREEDIT:
    case VCM_POSTEDIT: {
        TComponent* field = Redeem(Message.LParam);
        if (!field) return true;
        const TVcEditNotifyEvent& event = Message.Msg == VCM_PREEDIT ? OnPreEdit : OnPostEdit;
        if (event) event(field, FindControl(static_cast<HWND>(Message.WParam)));
        return true;
    }
    case VCM_DELAYNOTIFY: {
        TComponent* sender = Redeem(Message.LParam);
        if (sender && OnDelayNotify) OnDelayNotify(sender, static_cast<Word>(Message.WParam));
        return true;
    }
    default: return false;
    }
}

TVcController* FindController(TComponent* Form) {
    if (!Form) return nullptr;
    for (int i = 0; i < Form->ComponentCount(); ++i)
        if (auto* c = dynamic_cast<TVcController*>(Form->Components(i))) return c;
    return nullptr;
}

// ---------------------------------------------------------------------------------------------
// TVcBase

TVcBase::TVcBase(TComponent* AOwner) : TCustomControl(AOwner) {}

TVcBase::~TVcBase() = default;

void TVcBase::SetController(TVcController* Value) {
    controller_ = Value;
    if (Value) Value->FreeNotification(this);
}

void TVcBase::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == controller_) {
        controller_ = nullptr;
    } else if (Operation == opInsert && !controller_) {
        if (auto* c = dynamic_cast<TVcController*>(AComponent)) SetController(c);
    }
}

TVcController& TVcBase::NeedController() {
    if (!controller_) {
        if (!ComponentState().Contains(csLoading)) {
            TComponent* form = GetParentForm(this);
            SetController(FindController(form ? form : Owner()));
        }
        if (!controller_) throw ENoControllerAssigned();
    }
    return *controller_;
}

void TVcBase::CreateWnd() {
    if (!controller_ && !ComponentState().Contains(csDesigning)) NeedController();
    TCustomControl::CreateWnd();
}

void TVcBase::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case VCM_AFTERENTER:
        if (AfterEnter) AfterEnter(this);
        break;
    case VCM_AFTEREXIT:
        if (AfterExit) AfterExit(this);
        break;
    default: TCustomControl::Dispatch(Message); break;
    }
}

void TVcBase::WMSetFocus(TWMSetFocus& Message) {
    TCustomControl::WMSetFocus(Message);
    PostMessage(Handle(), VCM_AFTERENTER, 0, 0);
}

void TVcBase::WMKillFocus(TWMKillFocus& Message) {
    TCustomControl::WMKillFocus(Message);
    PostMessage(Handle(), VCM_AFTEREXIT, 0, 0);
}
