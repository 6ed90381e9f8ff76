#include "demo/display.h"

#include <cstdio>
#include <cstdlib>

#include "platform/system.h"

void exitUnlessDisplay(const char* program)
{
    const std::string problem = displayProblem();
    if (problem.empty())
        return;
    std::fprintf(stderr, "%s: %s\n", program, problem.c_str());
    std::exit(1);
}
