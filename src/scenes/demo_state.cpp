#include "scenes/demo_state.h"

DemoState demo;

DemoContent& stateContent()
{
    return demo.content;
}

DemoClock& stateClock()
{
    return demo.clock;
}

DrawLayer& stateDraw()
{
    return demo.draw;
}

DemoPools& statePools()
{
    return demo.pools;
}
