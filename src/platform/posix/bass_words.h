#pragma once
#include <cstdint>

typedef std::uint32_t DWORD;
typedef int BOOL;
