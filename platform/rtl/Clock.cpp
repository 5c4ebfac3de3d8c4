#include "platform/rtl/Clock.h"

#include "platform/rtl/SysUtils.h"

#include <atomic>
#include <chrono>
#include <ctime>

namespace {

using namespace std::chrono;

constexpr std::int64_t MSecsPerDay = 86'400'000;

// Milliseconds since 1970-01-01 00:00 of the calendar the time is given in.
std::int64_t ToMilliseconds(const TSystemTime& t) {
    const year_month_day ymd{year(t.Year), month(t.Month), day(t.Day)};
    if (t.Year < 1 || t.Year > 9999 || !ymd.ok())
        throw EConvertError("Invalid argument to date encode");
    if (t.Hour >= 24 || t.Minute >= 60 || t.Second >= 60 || t.Millisecond >= 1000)
        throw EConvertError("Invalid argument to time encode");
    const std::int64_t days = sys_days(ymd).time_since_epoch().count();
    return days * MSecsPerDay + ((t.Hour * 60 + t.Minute) * 60 + t.Second) * 1000LL + t.Millisecond;
}

TSystemTime FromMilliseconds(std::int64_t ms) {
    const sys_days days{floor<std::chrono::days>(milliseconds(ms))};
    const year_month_day ymd{days};
    std::int64_t rest = ms - days.time_since_epoch().count() * MSecsPerDay;
    TSystemTime t;
    t.Year = static_cast<Word>(static_cast<int>(ymd.year()));
    t.Month = static_cast<Word>(static_cast<unsigned>(ymd.month()));
    t.Day = static_cast<Word>(static_cast<unsigned>(ymd.day()));
    t.Millisecond = static_cast<Word>(rest % 1000);
    rest /= 1000;
    t.Second = static_cast<Word>(rest % 60);
    rest /= 60;
    t.Minute = static_cast<Word>(rest % 60);
    t.Hour = static_cast<Word>(rest / 60);
    return t;
}

std::atomic<TClock*> installedClock{nullptr};

} // namespace

TSystemTime TSystemClock::LocalTime() const {
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&seconds, &local);
    const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    TSystemTime t;
    t.Year = static_cast<Word>(local.tm_year + 1900);
    t.Month = static_cast<Word>(local.tm_mon + 1);
    t.Day = static_cast<Word>(local.tm_mday);
    t.Hour = static_cast<Word>(local.tm_hour);
    t.Minute = static_cast<Word>(local.tm_min);
    // A leap second is shown as the last second of its minute.
    t.Second = static_cast<Word>(local.tm_sec > 59 ? 59 : local.tm_sec);
    t.Millisecond = static_cast<Word>(ms < 0 ? 0 : ms);
    return t;
}

std::uint64_t TSystemClock::TickCount() const {
    return static_cast<std::uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

TManualClock::TManualClock(const TSystemTime& start) : milliseconds_(ToMilliseconds(start)) {}

TSystemTime TManualClock::LocalTime() const {
    return FromMilliseconds(milliseconds_);
}

void TManualClock::SetLocalTime(const TSystemTime& time) {
    milliseconds_ = ToMilliseconds(time);
}

void TManualClock::Advance(std::uint64_t milliseconds) {
    static const std::int64_t last = ToMilliseconds({9999, 12, 31, 23, 59, 59, 999});
    if (milliseconds > static_cast<std::uint64_t>(last - milliseconds_))
        throw EConvertError("Invalid argument to date encode");
    ticks_ += milliseconds;
    milliseconds_ += static_cast<std::int64_t>(milliseconds);
}

TClock& Clock() {
    static TSystemClock systemClock;
    TClock* clock = installedClock.load();
    return clock ? *clock : systemClock;
}

TClock* SetClock(TClock* clock) {
    return installedClock.exchange(clock);
}
