#include "platform/bass.h"

BOOL BASS_Init(int, DWORD, DWORD, void*, const void*) { return 0; }
HMUSIC BASS_MusicLoad(BOOL, const void*, QWORD, DWORD, DWORD, DWORD) { return 0; }
HSTREAM BASS_StreamCreateFile(BOOL, const void*, QWORD, QWORD, DWORD) { return 0; }
BOOL BASS_ChannelPlay(DWORD, BOOL) { return 0; }
QWORD BASS_ChannelGetPosition(DWORD, DWORD) { return ~QWORD(0); }
