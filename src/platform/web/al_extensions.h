#pragma once
// The OpenAL Soft extension names that the device code asks for. The browser's OpenAL has neither
// these extensions nor a header for them; in a browser the stand-in plays through the page instead.
#include <AL/al.h>
#include <AL/alc.h>

#include <cstdint>

#define AL_DIRECT_CHANNELS_SOFT 0x1033
#define AL_SAMPLE_OFFSET_LATENCY_SOFT 0x1200
typedef std::int64_t ALint64SOFT;
typedef void (*LPALGETSOURCEI64VSOFT)(ALuint, ALenum, ALint64SOFT*);
#define ALC_CONNECTED 0x313
typedef ALCboolean (*LPALCREOPENDEVICESOFT)(ALCdevice*, const ALCchar*, const ALCint*);
#define ALC_DEVICE_CLOCK_SOFT 0x1600
typedef std::int64_t ALCint64SOFT;
typedef void (*LPALCGETINTEGER64VSOFT)(ALCdevice*, ALCenum, ALsizei, ALCint64SOFT*);
