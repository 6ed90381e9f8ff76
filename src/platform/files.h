#pragma once
// Files as the system's descriptors: read in place, written whole, replaced at once.
#include <cstddef>
#include <cstdint>
#include <string>

// Opens a file for reading its bytes as they are (no text translation), without blocking on a
// FIFO and without handing it to child processes. -1 on failure, errno saying why.
int openForReading(const char* path);
// Reads up to count bytes from offset, leaving the file's position alone; -1 on failure.
std::int64_t readAt(int file, void* buffer, std::size_t count, std::uint64_t offset);
// The size of an open regular file; false for anything else (a FIFO, a device, a directory).
bool regularFileSize(int file, std::uint64_t& size);
// Writes up to count bytes; how many it took, or -1 on failure, errno saying why.
std::int64_t writeFile(int file, const void* bytes, std::size_t count);
// 0, or -1 with errno saying why (some file systems report a full disk only here).
int closeFile(int file);
// A new file for this process alone, named by filling in the pattern's trailing XXXXXX, written
// as bytes and with the permissions any new file gets. -1 on failure, errno saying why.
int createTemporaryFile(std::string& pattern);
// Moves a file to path, replacing what is there. 0, or the errno value of the failure.
int replaceFile(const std::string& from, const std::string& to);
// Whether standard error is a terminal, where a progress bar can redraw itself.
bool standardErrorIsTerminal();
