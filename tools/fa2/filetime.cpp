#include "tools/fa2/filetime.h"

#include <cstdio>
#include <limits>

namespace {

constexpr uint64_t TicksPerSecond = 10'000'000;
constexpr int64_t SecondsFrom1601To1970 = 11'644'473'600;
constexpr int64_t SecondsPerDay = 86'400;

struct CivilDate {
    int64_t year;
    unsigned month;
    unsigned day;
};

// Proleptic Gregorian date of a day counted from 1970-01-01.
CivilDate CivilFromDays(int64_t days) {
    days += 719'468;
    const int64_t era = (days >= 0 ? days : days - 146'096) / 146'097;
    const int64_t dayOfEra = days - era * 146'097;
    const int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36'524 - dayOfEra / 146'096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
    const auto day = static_cast<unsigned>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    const auto month =
        static_cast<unsigned>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    const int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    return {year, month, day};
}

} // namespace

uint64_t FileTimeTicks(FILETIME time) {
    return (uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}

FILETIME FileTimeFromTicks(uint64_t ticks) {
    return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

std::optional<FILETIME> FileTimeFromTimespec(const timespec& time) {
    // The last whole second whose ticks, plus any fraction, still fit 64 bits.
    constexpr int64_t LatestSeconds =
        static_cast<int64_t>(std::numeric_limits<uint64_t>::max() / TicksPerSecond) - 1 -
        SecondsFrom1601To1970;
    const int64_t seconds = static_cast<int64_t>(time.tv_sec);
    if (seconds < -SecondsFrom1601To1970 || seconds > LatestSeconds) {
        return std::nullopt;
    }
    const uint64_t ticks = static_cast<uint64_t>(seconds + SecondsFrom1601To1970) * TicksPerSecond +
                           static_cast<uint64_t>(time.tv_nsec) / 100;
    return FileTimeFromTicks(ticks);
}

timespec TimespecFromFileTime(FILETIME time) {
    const uint64_t ticks = FileTimeTicks(time);
    timespec result{};
    result.tv_sec =
        static_cast<time_t>(static_cast<int64_t>(ticks / TicksPerSecond) - SecondsFrom1601To1970);
    result.tv_nsec = static_cast<long>(ticks % TicksPerSecond * 100);
    return result;
}

std::string FormatFileTime(FILETIME time) {
    const uint64_t ticks = FileTimeTicks(time);
    const int64_t seconds = static_cast<int64_t>(ticks / TicksPerSecond) - SecondsFrom1601To1970;
    const auto fraction = static_cast<unsigned>(ticks % TicksPerSecond);
    const int64_t days = (seconds >= 0 ? seconds : seconds - (SecondsPerDay - 1)) / SecondsPerDay;
    const int64_t secondOfDay = seconds - days * SecondsPerDay;
    const CivilDate date = CivilFromDays(days);

    char text[64];
    int length = std::snprintf(text, sizeof text, "%04lld-%02u-%02uT%02lld:%02lld:%02lld",
                               static_cast<long long>(date.year), date.month, date.day,
                               static_cast<long long>(secondOfDay / 3600),
                               static_cast<long long>(secondOfDay / 60 % 60),
                               static_cast<long long>(secondOfDay % 60));
    std::string result(text, static_cast<size_t>(length));
    if (fraction != 0) {
        std::snprintf(text, sizeof text, ".%07u", fraction);
        std::string digits = text;
        digits.erase(digits.find_last_not_of('0') + 1);
        result += digits;
    }
    return result + "Z";
}
