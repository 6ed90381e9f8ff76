#include "platform/display.h"

#include <windows.h>

std::string displayProblem()
{
    // Only a service's window station has no desktop to draw on; a user's always has one.
    USEROBJECTFLAGS flags{};
    const HWINSTA station = GetProcessWindowStation();
    if (!station || !GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, nullptr) ||
        (flags.dwFlags & WSF_VISIBLE))
        return {};
    return "runs without a desktop (as a service?); start it from a user's desktop";
}
