#include "demo/demo.h"

int main()
{
    return runDemo();
}
