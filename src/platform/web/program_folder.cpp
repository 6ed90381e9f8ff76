#include "platform/program_folder.h"

// The content packs put the content where the program starts, in the working directory.
std::filesystem::path programFolder()
{
    return {};
}
