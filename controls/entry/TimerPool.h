// The timer pool: many triggers with their own intervals share one window timer whose period
// is a common divisor of theirs. Also the hidden window through which the entry controls' helper
// objects receive timer ticks and posted notifications.
#pragma once

#include "platform/gui/Controls.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/Types.h"

#include <functional>
#include <memory>
#include <vector>

// A window that is never shown; it hands each message to its handler, which answers true when
// it took the message.
class TVcMessageWindow : public TWinControl {
    VANTREL_CLASS(TVcMessageWindow, TWinControl)

    explicit TVcMessageWindow(std::function<bool(TMessage&)> Handler);
    void WndProc(TMessage& Message) override;

private:
    std::function<bool(TMessage&)> handler_;
};

using TTriggerEvent =
    std::function<void(TObject* Sender, int Handle, Word Interval, LongInt ElapsedTime)>;

class TVcTimerPool : public TComponent {
    VANTREL_CLASS(TVcTimerPool, TComponent)

    // No trigger fires sooner than this after the previous tick.
    static constexpr Word MinResolution = 55;
    // A trigger counts as due this much before its interval has fully passed.
    static constexpr LongInt Tolerance = 27;

    explicit TVcTimerPool(TComponent* AOwner);
    ~TVcTimerPool() override;

    std::string Version() const { return "2.13.00"; }

    // Adds an enabled trigger and returns its handle (unique in the pool).
    int Add(TTriggerEvent OnTrigger, Word Interval, bool Repeating);
    // Deletes a trigger; an unknown handle is ignored.
    void Remove(int Handle);
    void SetEnabled(int Handle, bool Enabled);
    int Count() const { return static_cast<int>(triggers_.size()); }
    bool Exists(int Handle) const { return Find(Handle) >= 0; }
    // The period of the shared timer in milliseconds; 0 when no timer runs.
    Word Resolution() const { return resolution_; }
    Word EnabledCount() const { return enabledCount_; }

    // One tick of the shared timer (WM_TIMER with id 1 on the pool's window).
    void Tick();

    TTriggerEvent OnAllTriggers;

private:
    struct TTrigger {
        bool Enabled = true;
        int Handle = 0;
        DWORD StartTick = 0;
        Word Interval = 0;
        DWORD LastFired = 0;
        TTriggerEvent OnTrigger;
        bool Repeating = true;
    };
    int Find(int Handle) const;
    void Recalculate();
    void UpdateTimer();
    bool HandleMessage(TMessage& Message);

    std::vector<TTrigger> triggers_;
    std::unique_ptr<TVcMessageWindow> window_;
    int nextHandle_ = 1;
    Word resolution_ = 0;
    Word enabledCount_ = 0;
};
