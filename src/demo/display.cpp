#include "demo/display.h"

#include <iostream>

#include "platform/display.h"

bool displayReady(const char* program)
{
    const std::string problem = displayProblem();
    if (problem.empty())
        return true;
    std::cerr << program << ": " << problem << std::endl;
    return false;
}
