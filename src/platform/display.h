#pragma once
// Whether a window can be opened here.
#include <string>

// Empty when the program can open a window; otherwise why not, in one line.
std::string displayProblem();
