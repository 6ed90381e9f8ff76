#include "effects/random.h"

#include <cstdint>

namespace {

// A 32-bit linear congruential generator, never seeded, so every run draws the same values.
// Its low bits have short periods, so only the top 15 bits are handed out.
std::uint32_t randomState = 1u;

}  // namespace

int nextRandom()
{
    randomState = randomState * 1664525u + 1013904223u;
    return static_cast<int>(randomState >> 17);
}

float randomRange(float min, float max)
{
    const float span = max - min;
    const double value = min + static_cast<double>(nextRandom()) * span / 32767.0;
    return static_cast<float>(value);
}
