#pragma once
// What differs between the operating systems the demo runs on, as plain calls. Each of
// platform/linux/system.cpp and platform/windows/system.cpp defines all of them; CMake compiles
// the one for the target, so the demo, its runtime and the tools never test the platform.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// Empty when the program can open a window; otherwise why not, in one line.
std::string displayProblem();

// The folder that holds the running program's file; empty when the system does not say.
std::filesystem::path programFolder();

// The command line, for the start-up hooks that run before main.
void startupArguments(int& argc, char**& argv);

// Prepares the C heap for `bytes` of images decoded ahead and their textures.
void growHeapForImages(std::size_t bytes);

// Opens a file for reading its bytes as they are (no text translation), without blocking on a
// FIFO and without handing it to child processes. -1 on failure, errno saying why.
int openForReading(const char* path);
// Reads up to count bytes from offset, leaving the file's position alone; -1 on failure.
std::int64_t readAt(int file, void* buffer, std::size_t count, std::uint64_t offset);
void closeFile(int file);
// A new file for this process alone, named by filling in the pattern's trailing XXXXXX, written
// as bytes and with the permissions any new file gets. -1 on failure, errno saying why.
int createTemporaryFile(std::string& pattern);
// Moves a file to path, replacing what is there. 0, or the errno value of the failure.
int replaceFile(const std::string& from, const std::string& to);

// A program started with pipes for its input: pipe i is its descriptor 3 + i ("pipe:3" to
// ffmpeg); its standard input reads nothing and its standard output goes to our standard error.
struct ChildProcess {
    std::intptr_t id = -1;
    std::vector<int> pipes;  // our write ends, which never block
};

bool startChild(const std::vector<std::string>& arguments, int pipeCount, ChildProcess& child, std::string& error);
// Sets writable[i] for each pipe with pending[i] that takes bytes now; with wait, first waits
// until one does. False when a reader has gone.
bool pipesWritable(const ChildProcess& child, const bool* pending, bool* writable, bool wait);
// What the pipe took of the bytes (0 when full); -1 when its reader has gone.
std::int64_t writeToPipe(int pipe, const void* bytes, std::size_t count);
// Closes the pipes, waits for the program to end; true when it ended with status 0.
bool finishChild(ChildProcess& child);
// Writing to a pipe whose reader has gone fails instead of ending the program.
void ignoreBrokenPipes();

// Seconds since this process started, as the system recorded its start.
double processAgeSeconds();
// CPU time of the whole process, all its threads, in milliseconds.
double processCpuMs();
