#include "platform/system.h"

#include <X11/Xlib.h>
#include <fcntl.h>
#include <malloc.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>

std::string displayProblem()
{
    // Held open to the end: were it the server's only client, closing it would let the server
    // reset, and refuse the connection that SFML makes straight after.
    static Display* const display = XOpenDisplay(nullptr);
    if (display)
        return {};
    const char* name = std::getenv("DISPLAY");
    const std::string hint = "(xvfb-run -a -s \"-screen 0 1280x720x24\" works without a screen)";
    if (!name || !*name)
        return "needs an X display, and DISPLAY is not set " + hint;
    return "cannot open the X display \"" + std::string(name) + "\" " + hint;
}

std::filesystem::path programFolder()
{
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : program.parent_path();
}

namespace {

int startupArgc = 0;
char** startupArgv = nullptr;

// glibc passes its start-up hooks the program's arguments, and runs the pre-init ones (which
// only a program, not a shared library, may have) ahead of every constructor.
void keepArguments(int argc, char** argv, char**)
{
    startupArgc = argc;
    startupArgv = argv;
}
__attribute__((section(".preinit_array"), used)) void (*const keepArgumentsFirst)(int, char**, char**) = keepArguments;

}  // namespace

void startupArguments(int& argc, char**& argv)
{
    argc = startupArgc;
    argv = startupArgv;
}

// Start-up here is mostly page faults: the decoded images and the textures that software OpenGL
// makes of them (clearing each first) take hundreds of megabytes of fresh memory, and on 2 MiB
// pages there are 500 times fewer faults than on 4 KiB ones. So the C heap, where both come from,
// grows once by room for every image twice (decoded and waiting, and as a texture), marked for
// huge pages, and keeps what is freed for the next image instead of handing it back. The settings
// stay: the buffers software OpenGL takes and frees every frame then come from the heap too,
// not as fresh mappings faulted in page by page each frame.
void growHeapForImages(std::size_t bytes)
{
    constexpr std::size_t hugePage = std::size_t(2) << 20;
    mallopt(M_ARENA_MAX, 1);  // the workers allocate from the same heap as GL
    mallopt(M_MMAP_THRESHOLD, 32 << 20);  // an image is a piece of the heap, not a mapping of its own
    mallopt(M_TRIM_THRESHOLD, int(std::min<std::size_t>(2 * bytes, INT_MAX)));
    mallopt(M_TOP_PAD, int(std::min<std::size_t>(bytes, INT_MAX)));
    // Blocks from the top of the heap until one makes it grow, by the padding just set. A few
    // are enough: where the heap does not grow (another malloc, no room), nothing is marked.
    const auto heapEnd = [] { return reinterpret_cast<std::uintptr_t>(sbrk(0)); };
    const std::uintptr_t start = heapEnd();
    std::vector<void*> probes;
    for (int i = 0; i < 8 && heapEnd() == start; ++i)
        probes.push_back(std::malloc(hugePage));
    const std::uintptr_t first = (start + hugePage - 1) / hugePage * hugePage;
    const std::uintptr_t end = heapEnd() / hugePage * hugePage;
    if (end > first)
        madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
    for (void* probe : probes)
        std::free(probe);
    mallopt(M_TOP_PAD, 128 << 10);  // glibc's default
}

int openForReading(const char* path)
{
    return open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
}

std::int64_t readAt(int file, void* buffer, std::size_t count, std::uint64_t offset)
{
    return pread(file, buffer, count, static_cast<off_t>(offset));
}

void closeFile(int file)
{
    close(file);
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

bool startChild(const std::vector<std::string>& arguments, int pipeCount, ChildProcess& child, std::string& error)
{
    std::vector<int> readEnds;
    for (int i = 0; i < pipeCount; ++i) {
        int ends[2];
        // The write ends must never block the caller behind another pipe.
        if (pipe2(ends, O_CLOEXEC) != 0 || fcntl(ends[1], F_SETFL, O_NONBLOCK) != 0) {
            error = std::string("cannot make pipes for ") + arguments[0] + ": " + std::strerror(errno);
            return false;
        }
        readEnds.push_back(ends[0]);
        child.pipes.push_back(ends[1]);
    }
    const pid_t pid = fork();
    if (pid < 0) {
        error = "cannot start " + arguments[0] + ": " + std::strerror(errno);
        return false;
    }
    if (pid == 0) {
        // Above the targets first, so that moving them into place cannot overwrite one another.
        std::vector<int> raised;
        for (int end : readEnds)
            raised.push_back(fcntl(end, F_DUPFD, 10 + pipeCount));
        const int nullIn = open("/dev/null", O_RDONLY);
        if (nullIn < 0 || dup2(nullIn, 0) < 0 || dup2(2, 1) < 0)
            _exit(127);
        for (int i = 0; i < pipeCount; ++i) {
            if (raised[std::size_t(i)] < 0 || dup2(raised[std::size_t(i)], 3 + i) < 0)
                _exit(127);
        }
        std::vector<char*> argv;
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        std::fprintf(stderr, "%s: cannot run %s: %s\n", program_invocation_short_name, argv[0], std::strerror(errno));
        _exit(127);
    }
    for (int end : readEnds)
        close(end);
    child.id = pid;
    return true;
}

bool pipesWritable(const ChildProcess& child, const bool* pending, bool* writable, bool wait)
{
    std::vector<pollfd> ready;
    for (std::size_t i = 0; i < child.pipes.size(); ++i)
        ready.push_back({child.pipes[i], short(pending[i] ? POLLOUT : 0), 0});
    for (std::size_t i = 0; i < child.pipes.size(); ++i)
        writable[i] = false;
    if (poll(ready.data(), ready.size(), wait ? -1 : 0) < 0)
        return errno == EINTR;
    for (std::size_t i = 0; i < ready.size(); ++i) {
        if (ready[i].revents & (POLLERR | POLLHUP | POLLNVAL))
            return false;
        writable[i] = ready[i].revents & POLLOUT;
    }
    return true;
}

std::int64_t writeToPipe(int pipe, const void* bytes, std::size_t count)
{
    const ssize_t written = write(pipe, bytes, count);
    if (written < 0)
        return errno == EAGAIN || errno == EINTR ? 0 : -1;
    return written;
}

bool finishChild(ChildProcess& child)
{
    for (int pipe : child.pipes)
        close(pipe);
    child.pipes.clear();
    int status = 0;
    if (child.id > 0 && waitpid(pid_t(child.id), &status, 0) < 0)
        status = -1;
    const bool started = child.id > 0;
    child.id = -1;
    return started && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void ignoreBrokenPipes()
{
    std::signal(SIGPIPE, SIG_IGN);
}

double processAgeSeconds()
{
    std::ifstream stat("/proc/self/stat");
    std::string line;
    std::getline(stat, line);
    const std::size_t close = line.rfind(')');
    if (close == std::string::npos)
        return 0.0;
    std::istringstream fields(line.substr(close + 2));
    std::string field;
    // Field 22 of the file, the start time in clock ticks after boot; fields 1 and 2 precede ')'.
    for (int i = 3; i <= 22 && fields >> field; ++i) {
    }
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const double started = std::strtod(field.c_str(), nullptr) / double(sysconf(_SC_CLK_TCK));
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9 - started;
}

double processCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) * 1e-6;
}
