#pragma once
// Running a program fed through pipes (ffmpeg, for the capture's video).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

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
