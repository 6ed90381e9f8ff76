#include "platform/process_times.h"

#include <windows.h>

#include <cstdint>

namespace {

// In units of 100 ns.
std::uint64_t ticks(const FILETIME& time)
{
    return std::uint64_t(time.dwHighDateTime) << 32 | time.dwLowDateTime;
}

}  // namespace

double processAgeSeconds()
{
    FILETIME created{}, ended{}, kernel{}, user{}, now{};
    if (!GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user))
        return 0.0;
    GetSystemTimePreciseAsFileTime(&now);
    return double(ticks(now) - ticks(created)) * 1e-7;
}

double processCpuMs()
{
    FILETIME created{}, ended{}, kernel{}, user{};
    if (!GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user))
        return 0.0;
    return double(ticks(kernel) + ticks(user)) * 1e-4;
}
