#include "runtime/demo.h"

int main()
{
    return runDemo();
}
