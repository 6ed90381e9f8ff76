#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

int openForReading(const char* path)
{
    return open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
}

std::int64_t readAt(int file, void* buffer, std::size_t count, std::uint64_t offset)
{
    return pread(file, buffer, count, static_cast<off_t>(offset));
}

bool regularFileSize(int file, std::uint64_t& size)
{
    struct stat info;
    if (fstat(file, &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    size = static_cast<std::uint64_t>(info.st_size);
    return true;
}

std::int64_t writeFile(int file, const void* bytes, std::size_t count)
{
    return write(file, bytes, count);
}

int closeFile(int file)
{
    return close(file);
}

int createTemporaryFile(std::string& pattern)
{
    const int file = mkstemp(pattern.data());
    if (file < 0)
        return -1;
    // mkstemp makes it private (0600).
    const mode_t mask = umask(0);
    umask(mask);
    if (fchmod(file, 0666 & ~mask) == 0)
        return file;
    const int code = errno;
    close(file);
    unlink(pattern.c_str());
    errno = code;
    return -1;
}

int replaceFile(const std::string& from, const std::string& to)
{
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

bool standardErrorIsTerminal()
{
    return isatty(2) != 0;
}
