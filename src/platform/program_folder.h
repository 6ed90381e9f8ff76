#pragma once
// Where the running program's file is, for the content folder that belongs to it.
#include <filesystem>

// The folder that holds the running program's file; empty when the system does not say.
std::filesystem::path programFolder();
