#include "platform/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

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
