#pragma once
// SFML aborts the process when a window is asked for without a display, so each program checks
// first and says what is missing.

// True when a window can be opened; otherwise writes one line naming the problem to standard
// error, "<program>: ...", and returns false.
bool displayReady(const char* program);
