#pragma once
// The state block's textures reach for the display before main runs, and SFML aborts when
// there is none. Each program checks first, from a start-up hook that glibc runs ahead of the
// ordinary static constructors.

// Returns when a window can be opened; otherwise writes one line naming the problem to
// standard error, "<program>: ...", and ends the process with status 1.
void exitUnlessDisplay(const char* program);
