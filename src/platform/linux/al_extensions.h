#pragma once
#include <AL/alext.h>
