// The injectable clock: the local date and time of day and a monotonic millisecond tick count.
// Date, Time and Now, the GUI timers, the caret blink and the splash delay all read it, so a
// test can replace it and move time forward at will.
#pragma once

#include "platform/rtl/Types.h"

#include <cstdint>

// A moment of the local calendar, as the system reports it.
struct TSystemTime {
    Word Year = 1899;
    Word Month = 12;
    Word Day = 30;
    Word Hour = 0;
    Word Minute = 0;
    Word Second = 0;
    Word Millisecond = 0;
    bool operator==(const TSystemTime&) const = default;
};

class TClock {
public:
    virtual ~TClock() = default;
    // The current local date and time of day.
    virtual TSystemTime LocalTime() const = 0;
    // Milliseconds since an arbitrary start; never goes backwards.
    virtual std::uint64_t TickCount() const = 0;
};

// The system's wall clock (local time zone) and its monotonic clock.
class TSystemClock : public TClock {
public:
    TSystemTime LocalTime() const override;
    std::uint64_t TickCount() const override;
};

// A clock that stands still until told otherwise; Advance moves the time of day and the tick
// count forward together.
class TManualClock : public TClock {
public:
    explicit TManualClock(const TSystemTime& start = {2000, 1, 1, 12, 0, 0, 0});

    TSystemTime LocalTime() const override;
    std::uint64_t TickCount() const override { return ticks_; }

    // Sets the local time; the tick count is not changed (the wall clock may jump, ticks do not).
    // A time that is no calendar moment (month 13, hour 24...) raises EConvertError.
    void SetLocalTime(const TSystemTime& time);
    // Moving past 9999-12-31 raises EConvertError and changes nothing.
    void Advance(std::uint64_t milliseconds);

private:
    std::int64_t milliseconds_ = 0; // since 1970-01-01 00:00 of the local calendar
    std::uint64_t ticks_ = 0;
};

// The clock in use: the system clock unless one was installed.
TClock& Clock();
// Installs a clock (nullptr goes back to the system clock) and returns the one it replaced
// (nullptr when that was the system clock). The caller keeps ownership.
TClock* SetClock(TClock* clock);

// Installs a clock for the lifetime of this object and puts the previous one back afterwards.
class TClockOverride {
public:
    explicit TClockOverride(TClock& clock) : previous_(SetClock(&clock)) {}
    ~TClockOverride() { SetClock(previous_); }
    TClockOverride(const TClockOverride&) = delete;
    TClockOverride& operator=(const TClockOverride&) = delete;

private:
    TClock* previous_;
};
