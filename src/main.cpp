#include "demo/demo.h"
#include "runtime/assets.h"

int main()
{
    enterContentFolder("nerethval");
    return runDemo();
}
