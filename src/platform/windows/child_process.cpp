#include "platform/child_process.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// A pipe's buffer; a write in no-wait mode takes at most what fits.
constexpr DWORD pipeBytes = 1 << 20;

// Quoted so that the child's C runtime splits it back into the same arguments.
std::wstring commandLine(const std::vector<std::string>& arguments)
{
    std::wstring line;
    for (const std::string& argument : arguments) {
        if (!line.empty())
            line += L' ';
        line += L'"';
        std::size_t backslashes = 0;
        for (char c : argument) {
            if (c == '\\') {
                ++backslashes;
                continue;
            }
            // Backslashes double only before a quote, which itself is escaped.
            line.append(c == '"' ? 2 * backslashes + 1 : backslashes, L'\\');
            backslashes = 0;
            line += wchar_t(static_cast<unsigned char>(c));
        }
        line.append(2 * backslashes, L'\\');
        line += L'"';
    }
    return line;
}

std::string errorText(DWORD code)
{
    char text[256] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                   sizeof text, nullptr);
    std::string message = text;
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.'))
        message.pop_back();
    return message;
}

}  // namespace

bool startChild(const std::vector<std::string>& arguments, int pipeCount, ChildProcess& child, std::string& error)
{
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    // The child's C runtime takes its descriptors from this table: a count, a flag byte per
    // descriptor, then a handle per descriptor. 0 reads nothing, 1 and 2 are our standard error.
    const int count = 3 + pipeCount;
    std::vector<HANDLE> handles(std::size_t(count), INVALID_HANDLE_VALUE);
    std::vector<unsigned char> flags(std::size_t(count), 0x01);  // open
    handles[0] = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited, OPEN_EXISTING,
                             0, nullptr);
    DuplicateHandle(GetCurrentProcess(), GetStdHandle(STD_ERROR_HANDLE), GetCurrentProcess(), &handles[1], 0, TRUE,
                    DUPLICATE_SAME_ACCESS);
    handles[2] = handles[1];
    // The child's ends, ours once it has them; and on failure our ends too.
    const auto release = [&] {
        CloseHandle(handles[0]);
        CloseHandle(handles[1]);
        for (int i = 3; i < count; ++i)
            CloseHandle(handles[std::size_t(i)]);
    };
    const auto closeOurEnds = [&] {
        for (int pipe : child.pipes)
            _close(pipe);
        child.pipes.clear();
    };
    for (int i = 3; i < count; ++i) {
        HANDLE writeEnd = nullptr;
        DWORD mode = PIPE_READMODE_BYTE | PIPE_NOWAIT;
        if (!CreatePipe(&handles[std::size_t(i)], &writeEnd, &inherited, pipeBytes) ||
            !SetHandleInformation(writeEnd, HANDLE_FLAG_INHERIT, 0) ||
            !SetNamedPipeHandleState(writeEnd, &mode, nullptr, nullptr)) {
            error = "cannot make pipes for " + arguments[0] + ": " + errorText(GetLastError());
            release();
            closeOurEnds();
            return false;
        }
        flags[std::size_t(i)] |= 0x08;  // a pipe
        child.pipes.push_back(_open_osfhandle(reinterpret_cast<intptr_t>(writeEnd), 0));
    }
    std::vector<BYTE> table(sizeof(int) + std::size_t(count) * (1 + sizeof(HANDLE)));
    std::memcpy(table.data(), &count, sizeof(int));
    std::memcpy(table.data() + sizeof(int), flags.data(), flags.size());
    std::memcpy(table.data() + sizeof(int) + flags.size(), handles.data(), handles.size() * sizeof(HANDLE));

    STARTUPINFOW start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = handles[0];
    start.hStdOutput = handles[1];
    start.hStdError = handles[2];
    start.cbReserved2 = WORD(table.size());
    start.lpReserved2 = table.data();
    PROCESS_INFORMATION process{};
    std::wstring line = commandLine(arguments);
    const bool started =
        CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start, &process);
    const DWORD failure = GetLastError();
    release();
    if (!started) {
        error = failure == ERROR_FILE_NOT_FOUND
                    ? "cannot run " + arguments[0] + ": no " + arguments[0] + ".exe beside the program or on PATH"
                    : "cannot run " + arguments[0] + ": " + errorText(failure);
        closeOurEnds();
        return false;
    }
    CloseHandle(process.hThread);
    child.id = reinterpret_cast<std::intptr_t>(process.hProcess);
    return true;
}

bool pipesWritable(const ChildProcess& child, const bool* pending, bool* writable, bool wait)
{
    // Windows cannot wait for room in a pipe; a no-wait write says whether there is any, so
    // every pending pipe is tried, after a pause when the caller waits.
    if (wait)
        Sleep(1);
    for (std::size_t i = 0; i < child.pipes.size(); ++i)
        writable[i] = pending[i];
    return WaitForSingleObject(reinterpret_cast<HANDLE>(child.id), 0) == WAIT_TIMEOUT;
}

std::int64_t writeToPipe(int pipe, const void* bytes, std::size_t count)
{
    DWORD written = 0;
    if (!WriteFile(reinterpret_cast<HANDLE>(_get_osfhandle(pipe)), bytes, DWORD(std::min<std::size_t>(count, pipeBytes)),
                   &written, nullptr))
        return -1;
    return written;
}

bool finishChild(ChildProcess& child)
{
    for (int pipe : child.pipes)
        _close(pipe);
    child.pipes.clear();
    if (child.id == -1)
        return false;
    const HANDLE process = reinterpret_cast<HANDLE>(child.id);
    child.id = -1;
    DWORD status = 1;
    const bool ended = WaitForSingleObject(process, INFINITE) == WAIT_OBJECT_0 && GetExitCodeProcess(process, &status);
    CloseHandle(process);
    return ended && status == 0;
}

// A write to a pipe whose reader has gone fails with ERROR_NO_DATA; there is no signal to ignore.
void ignoreBrokenPipes() {}
