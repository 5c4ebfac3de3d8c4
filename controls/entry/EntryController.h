// The controller every form with entry fields owns (command tables, default epoch, the error
// report hook, the buttons that may take the focus without validation, the timer pool and a
// hidden window for deferred notifications) and the window-control base of the entry controls,
// which links each control to its form's controller.
#pragma once

#include "controls/entry/CommandTables.h"
#include "controls/entry/TimerPool.h"
#include "platform/gui/Controls.h"
#include "platform/rtl/Classes.h"

#include <functional>
#include <map>
#include <memory>
#include <string>

class TVcController;

using TVcErrorEvent =
    std::function<void(TObject* Sender, Word ErrorCode, const std::string& ErrorMsg)>;
using TVcIsSpecialControlEvent = std::function<bool(TObject* Sender, TWinControl* Control)>;
using TVcEditNotifyEvent = std::function<void(TObject* Sender, TWinControl* Control)>;
using TVcDelayNotifyEvent = std::function<void(TObject* Sender, Word NotifyCode)>;

class TVcController : public TComponent {
    VANTREL_CLASS(TVcController, TComponent)

    explicit TVcController(TComponent* AOwner);
    ~TVcController() override;

    std::string Version() const { return "2.13.00"; }

    TWinControl* BtnCancel() const { return btnCancel_; }
    void SetBtnCancel(TWinControl* Value) { SetButton(btnCancel_, Value); }
    TWinControl* BtnHelp() const { return btnHelp_; }
    void SetBtnHelp(TWinControl* Value) { SetButton(btnHelp_, Value); }
    TWinControl* BtnRestore() const { return btnRestore_; }
    void SetBtnRestore(TWinControl* Value) { SetButton(btnRestore_, Value); }

    TVcCommandProcessor* EntryCommands() const { return entryCommands_.get(); }
    TVcTimerPool* TimerPool() const { return timerPool_; }

    // The first year of the hundred years into which two-digit years fall; only 1600..3999 is
    // taken. The default puts today's year inside that window.
    int Epoch() const { return epoch_; }
    void SetEpoch(int Value);
    // The epoch a new controller starts with: fifty years before the current year.
    static int DefaultEpoch();

    bool ErrorPending() const { return errorPending_; }
    void SetErrorPending(bool Value) { errorPending_ = Value; }
    bool InsertMode() const { return insertMode_; }
    void SetInsertMode(bool Value) { insertMode_ = Value; }
    // The text of the error last reported (program error codes show it).
    const std::string& ErrorText() const { return errorText_; }
    void SetErrorText(const std::string& Value) { errorText_ = Value; }

    // OnError when assigned, else a message box of the error kind with the text.
    void DoOnError(TObject* Sender, Word ErrorCode, const std::string& ErrorMsg);
    // True for the Cancel, Help and Restore buttons, else what OnIsSpecialControl answers.
    bool IsSpecialControl(TObject* Sender, TWinControl* Control);
    // Post OnPreEdit / OnPostEdit for the field and the other control (by its window handle).
    void PreEditNotify(TWinControl* Field, HWND Other);
    void PostEditNotify(TWinControl* Field, HWND Other);
    // Posts OnDelayNotify(Sender, NotifyCode).
    void DelayNotify(TComponent* Sender, Word NotifyCode);
    // Posts the request that gives the focus back to a field after its error report.
    void RefocusField(TWinControl* Field);

    void Notification(TComponent* AComponent, TOperation Operation) override;

    TVcDelayNotifyEvent OnDelayNotify;
    TVcErrorEvent OnError;
    TVcIsSpecialControlEvent OnIsSpecialControl;
    TVcEditNotifyEvent OnPostEdit;
    TVcEditNotifyEvent OnPreEdit;
    TTriggerEvent OnTimerTrigger;

private:
    void SetButton(TWinControl*& Slot, TWinControl* Value);
    HWND WindowHandle();
    // Posted messages carry a ticket for their component, so that one freed before the message
    // comes up is not touched.
    LPARAM Ticket(TComponent* Component);
    TComponent* Redeem(LPARAM Ticket);
    bool HandleMessage(TMessage& Message);

    TWinControl* btnCancel_ = nullptr;
    TWinControl* btnHelp_ = nullptr;
    TWinControl* btnRestore_ = nullptr;
    std::unique_ptr<TVcCommandProcessor> entryCommands_;
    TVcTimerPool* timerPool_ = nullptr;
    int epoch_;
    bool errorPending_ = false;
    bool insertMode_ = true;
    std::string errorText_;
    std::unique_ptr<TVcMessageWindow> window_;
    std::map<LPARAM, TComponent*> tickets_;
    LPARAM nextTicket_ = 1;
};

// The controller of a form: its first component that is a TVcController, or nullptr.
TVcController* FindController(TComponent* Form);

class TVcBase : public TCustomControl {
    VANTREL_CLASS(TVcBase, TCustomControl)

    explicit TVcBase(TComponent* AOwner);
    ~TVcBase() override;

    std::string Version() const { return "2.13.00"; }
    TVcController* Controller() const { return controller_; }
    void SetController(TVcController* Value);

    void Notification(TComponent* AComponent, TOperation Operation) override;

    TNotifyEvent AfterEnter;
    TNotifyEvent AfterExit;

protected:
    // Takes the form's controller when none is set; raises ENoControllerAssigned when there is
    // none at run time.
    void CreateWnd() override;
    void Dispatch(TMessage& Message) override;
    void WMSetFocus(TWMSetFocus& Message) override;
    void WMKillFocus(TWMKillFocus& Message) override;
    // The controller, raising ENoControllerAssigned when there is none.
    TVcController& NeedController();

private:
    TVcController* controller_ = nullptr;
};
