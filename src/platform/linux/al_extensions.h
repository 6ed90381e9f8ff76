#pragma once
#include <AL/alext.h>

// Debian's OpenAL Soft (1.19) cannot move a device to a new output; the type is for newer ones.
#ifndef ALC_SOFT_reopen_device
typedef ALCboolean(ALC_APIENTRY* LPALCREOPENDEVICESOFT)(ALCdevice*, const ALCchar*, const ALCint*);
#endif
