#pragma once
// The same types as windows.h gives them, so that both may be included.
typedef unsigned long DWORD;
typedef int BOOL;
