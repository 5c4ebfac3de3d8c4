#include "controls/entry/TimerPool.h"

#include "controls/entry/EntryExceptions.h"
#include "platform/gui/WinUser.h"

#include <algorithm>

namespace {
constexpr std::uintptr_t PoolTimerId = 1;
}

TVcMessageWindow::TVcMessageWindow(std::function<bool(TMessage&)> Handler)
    : TWinControl(nullptr), handler_(std::move(Handler)) {
    SetVisible(false);
}

void TVcMessageWindow::WndProc(TMessage& Message) {
    if (handler_ && handler_(Message)) return;
    TWinControl::WndProc(Message);
}

TVcTimerPool::TVcTimerPool(TComponent* AOwner)
    : TComponent(AOwner), window_(std::make_unique<TVcMessageWindow>(
                              [this](TMessage& m) { return HandleMessage(m); })) {}

TVcTimerPool::~TVcTimerPool() {
    if (window_->HandleAllocated()) KillTimer(window_->Handle(), PoolTimerId);
}

bool TVcTimerPool::HandleMessage(TMessage& Message) {
    if (Message.Msg != WM_TIMER || Message.WParam != PoolTimerId) return false;
    Tick();
    return true;
}

int TVcTimerPool::Find(int Handle) const {
    for (std::size_t i = 0; i < triggers_.size(); ++i)
        if (triggers_[i].Handle == Handle) return static_cast<int>(i);
    return -1;
}

int TVcTimerPool::Add(TTriggerEvent OnTrigger, Word Interval, bool Repeating) {
    TTrigger t;
    t.Handle = nextHandle_++;
    t.StartTick = GetTickCount();
    t.LastFired = t.StartTick;
    t.Interval = Interval;
    t.OnTrigger = std::move(OnTrigger);
    t.Repeating = Repeating;
    triggers_.push_back(std::move(t));
    Recalculate();
    return triggers_.back().Handle;
}

void TVcTimerPool::Remove(int Handle) {
    const int i = Find(Handle);
    if (i < 0) return;
    triggers_.erase(triggers_.begin() + i);
    Recalculate();
}

void TVcTimerPool::SetEnabled(int Handle, bool Enabled) {
    const int i = Find(Handle);
    if (i < 0) return;
    triggers_[static_cast<std::size_t>(i)].Enabled = Enabled;
    Recalculate();
}

void TVcTimerPool::Tick() {
    const DWORD now = GetTickCount();
    // Handlers may add or remove triggers: walk a copy of the handles and look each one up again.
    std::vector<int> handles;
    for (const TTrigger& t : triggers_)
        handles.push_back(t.Handle);
    for (int handle : handles) {
        int i = Find(handle);
        if (i < 0) continue;
        TTrigger& t = triggers_[static_cast<std::size_t>(i)];
        if (!t.Enabled || static_cast<LongInt>(now - t.LastFired) < t.Interval - Tolerance)
            continue;
        t.LastFired = now;
        const Word interval = t.Interval;
        const LongInt elapsed = static_cast<LongInt>(now - t.StartTick);
        const TTriggerEvent handler = t.OnTrigger;
        if (handler) handler(this, handle, interval, elapsed);
        if (OnAllTriggers) OnAllTriggers(this, handle, interval, elapsed);
        i = Find(handle);
        if (i >= 0 && !triggers_[static_cast<std::size_t>(i)].Repeating) Remove(handle);
    }
}

void TVcTimerPool::Recalculate() {
    const DWORD now = GetTickCount();
    enabledCount_ = 0;
    LongInt smallest = 0;
    for (const TTrigger& t : triggers_) {
        if (!t.Enabled) continue;
        ++enabledCount_;
        const LongInt remaining = t.Interval - static_cast<LongInt>(now - t.LastFired);
        const LongInt candidate = std::min<LongInt>(t.Interval, remaining);
        smallest = enabledCount_ == 1 ? candidate : std::min(smallest, candidate);
    }
    if (enabledCount_ == 0) {
        resolution_ = 0;
    } else {
        LongInt res = std::max<LongInt>(smallest, MinResolution);
        bool reduced = true;
        while (reduced && res > MinResolution) {
            reduced = false;
            for (const TTrigger& t : triggers_) {
                if (!t.Enabled || t.Interval % res == 0) continue;
                res = std::max<LongInt>(res - t.Interval % res, MinResolution);
                reduced = true;
                break;
            }
        }
        resolution_ = static_cast<Word>(res);
    }
    UpdateTimer();
}

void TVcTimerPool::UpdateTimer() {
    if (ComponentState().Contains(csDesigning)) return;
    const HWND wnd = window_->Handle();
    KillTimer(wnd, PoolTimerId);
    if (resolution_ != 0 && enabledCount_ > 0 && SetTimer(wnd, PoolTimerId, resolution_) == 0)
        throw ENoTimersAvailable();
}
