#pragma once
// Our stand-in for the five calls the demo makes into its audio library, with that
// library's names, signatures and integer types. Modules play through libopenmpt,
// MP3 streams through libmpg123, and every playing channel is mixed into one output.
#include <cstdint>

#include "bass_words.h"  // DWORD and BOOL, as this system's own headers have them, if any

typedef std::uint64_t QWORD;
typedef DWORD HMUSIC;
typedef DWORD HSTREAM;

#define BASS_POS_MUSIC_ORDER 1
#define BASS_MUSIC_LOOP 4

BOOL BASS_Init(int device, DWORD freq, DWORD flags, void* win, const void* dsguid);
HMUSIC BASS_MusicLoad(BOOL mem, const void* file, QWORD offset, DWORD length, DWORD flags, DWORD freq);
HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags);
BOOL BASS_ChannelPlay(DWORD handle, BOOL restart);
QWORD BASS_ChannelGetPosition(DWORD handle, DWORD mode);
