#pragma once
// The demo's console: one line per message, flushed at once so that a watcher sees it in time.
#include <iostream>

template <typename T>
void printLine(const T& message)
{
    std::cout << message << std::endl;
}
