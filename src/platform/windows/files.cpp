#include "platform/files.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

int openForReading(const char* path)
{
    return _open(path, _O_RDONLY | _O_BINARY | _O_NOINHERIT);
}

std::int64_t readAt(int file, void* buffer, std::size_t count, std::uint64_t offset)
{
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(file));
    OVERLAPPED at{};
    at.Offset = DWORD(offset);
    at.OffsetHigh = DWORD(offset >> 32);
    DWORD got = 0;
    const DWORD wanted = DWORD(std::min<std::size_t>(count, 1u << 30));
    if (!ReadFile(handle, buffer, wanted, &got, &at))
        return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
    return got;
}

bool regularFileSize(int file, std::uint64_t& size)
{
    struct _stat64 info;
    if (_fstat64(file, &info) != 0 || (info.st_mode & _S_IFMT) != _S_IFREG)
        return false;
    size = static_cast<std::uint64_t>(info.st_size);
    return true;
}

std::int64_t writeFile(int file, const void* bytes, std::size_t count)
{
    return _write(file, bytes, unsigned(std::min<std::size_t>(count, 1u << 30)));
}

int closeFile(int file)
{
    return _close(file);
}

int createTemporaryFile(std::string& pattern)
{
    const int file = mkstemp(pattern.data());
    if (file >= 0)
        _setmode(file, _O_BINARY);
    return file;
}

int replaceFile(const std::string& from, const std::string& to)
{
    // rename() here refuses to replace an existing file.
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING))
        return 0;
    return GetLastError() == ERROR_PATH_NOT_FOUND || GetLastError() == ERROR_FILE_NOT_FOUND ? ENOENT : EACCES;
}

bool standardErrorIsTerminal()
{
    return _isatty(2) != 0;
}
