#include "runtime/demo_state.h"

DemoState demo;
