#include "capture.h"

#include <SFML/Graphics/Image.hpp>
#include <SFML/OpenGL.hpp>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <sstream>

void readFrame(FrameImage& frame, unsigned width, unsigned height)
{
    frame.width = width;
    frame.height = height;
    const std::size_t rowBytes = std::size_t(frame.width) * 4;
    std::vector<std::uint8_t> bottomUp(rowBytes * frame.height);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, static_cast<GLsizei>(frame.width), static_cast<GLsizei>(frame.height), GL_RGBA,
                 GL_UNSIGNED_BYTE, bottomUp.data());
    frame.rgba.resize(bottomUp.size());
    for (unsigned y = 0; y < frame.height; ++y)
        std::memcpy(&frame.rgba[rowBytes * y], &bottomUp[rowBytes * (frame.height - 1 - y)], rowBytes);
    // Blending leaves partial alpha in the framebuffer; the screen shows it opaque.
    for (std::size_t i = 3; i < frame.rgba.size(); i += 4)
        frame.rgba[i] = 255;
}

bool writePng(const FrameImage& frame, const std::string& path)
{
    sf::Image image;
    image.create(frame.width, frame.height, frame.rgba.data());
    return image.saveToFile(path);
}

namespace {

bool makePipe(int ends[2])
{
    if (pipe2(ends, O_CLOEXEC) != 0)
        return false;
    // The write ends must never block the frame loop behind the other stream.
    return fcntl(ends[1], F_SETFL, O_NONBLOCK) == 0;
}

std::string rateText(const Rational& fps)
{
    return std::to_string(fps.num) + "/" + std::to_string(fps.den);
}

// Writes what ffmpeg takes of the queued audio without waiting; false when ffmpeg has gone.
bool flushAudio(VideoPipe& video)
{
    while (video.pendingOffset < video.pendingAudio.size()) {
        const ssize_t written = write(video.audioFd, video.pendingAudio.data() + video.pendingOffset,
                                      video.pendingAudio.size() - video.pendingOffset);
        if (written < 0)
            return errno == EAGAIN || errno == EINTR;
        video.pendingOffset += static_cast<std::size_t>(written);
    }
    video.pendingAudio.clear();
    video.pendingOffset = 0;
    return true;
}

}  // namespace

bool startVideo(VideoPipe& video, const std::string& path, const Options& options, unsigned width,
                unsigned height, std::string& error)
{
    int videoEnds[2];
    int audioEnds[2];
    if (!makePipe(videoEnds) || !makePipe(audioEnds)) {
        error = std::string("cannot make pipes for ffmpeg: ") + std::strerror(errno);
        return false;
    }
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    const std::string rate = rateText(options.fps);
    const std::vector<std::string> arguments = {
        "ffmpeg", "-hide_banner", "-loglevel", "error", "-nostdin", "-y",
        "-f", "rawvideo", "-pix_fmt", "rgba", "-s", size, "-framerate", rate,
        "-thread_queue_size", "64", "-i", "pipe:3",
        "-f", "s16le", "-ar", "44100", "-ac", "2", "-thread_queue_size", "4096", "-i", "pipe:4",
        "-map", "0:v", "-map", "1:a",
        "-c:v", "libx264", "-preset", "veryfast", "-crf", "18", "-pix_fmt", "yuv420p", "-r", rate,
        "-c:a", "aac", "-b:a", "192k", "-movflags", "+faststart", "-f", "mp4", path};

    video.pid = fork();
    if (video.pid < 0) {
        error = std::string("cannot start ffmpeg: ") + std::strerror(errno);
        return false;
    }
    if (video.pid == 0) {
        // Above 4 first, so that moving them to 3 and 4 cannot overwrite one another.
        const int videoIn = fcntl(videoEnds[0], F_DUPFD, 10);
        const int audioIn = fcntl(audioEnds[0], F_DUPFD, 10);
        const int nullIn = open("/dev/null", O_RDONLY);
        if (videoIn < 0 || audioIn < 0 || nullIn < 0 || dup2(nullIn, 0) < 0 || dup2(2, 1) < 0 ||
            dup2(videoIn, 3) < 0 || dup2(audioIn, 4) < 0)
            _exit(127);
        std::vector<char*> argv;
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execvp("ffmpeg", argv.data());
        std::fprintf(stderr, "nerethval-capture: cannot run ffmpeg: %s\n", std::strerror(errno));
        _exit(127);
    }
    close(videoEnds[0]);
    close(audioEnds[0]);
    video.videoFd = videoEnds[1];
    video.audioFd = audioEnds[1];
    return true;
}

bool sendAudio(VideoPipe& video, const std::int16_t* samples, std::size_t valueCount)
{
    const char* bytes = reinterpret_cast<const char*>(samples);
    video.pendingAudio.insert(video.pendingAudio.end(), bytes, bytes + valueCount * sizeof(std::int16_t));
    return flushAudio(video);
}

bool sendFrame(VideoPipe& video, const FrameImage& frame)
{
    const char* data = reinterpret_cast<const char*>(frame.rgba.data());
    std::size_t offset = 0;
    while (offset < frame.rgba.size()) {
        pollfd waiting[2] = {{video.videoFd, POLLOUT, 0}, {video.audioFd, POLLOUT, 0}};
        const nfds_t count = video.pendingAudio.empty() ? 1 : 2;
        if (poll(waiting, count, -1) < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (count == 2 && (waiting[1].revents & (POLLOUT | POLLERR | POLLHUP)) && !flushAudio(video))
            return false;
        if (waiting[0].revents & (POLLERR | POLLHUP))
            return false;
        if (waiting[0].revents & POLLOUT) {
            const ssize_t written = write(video.videoFd, data + offset, frame.rgba.size() - offset);
            if (written < 0 && errno != EAGAIN && errno != EINTR)
                return false;
            if (written > 0)
                offset += static_cast<std::size_t>(written);
        }
    }
    return true;
}

bool finishVideo(VideoPipe& video, std::string& error)
{
    // End the pictures first, so that ffmpeg waits on nothing but the rest of the audio.
    if (video.videoFd >= 0)
        close(video.videoFd);
    bool sent = true;
    if (video.audioFd >= 0) {
        fcntl(video.audioFd, F_SETFL, 0);
        sent = flushAudio(video) && video.pendingAudio.empty();
        close(video.audioFd);
    }
    video.audioFd = video.videoFd = -1;
    int status = 0;
    if (video.pid > 0 && waitpid(video.pid, &status, 0) < 0)
        status = -1;
    video.pid = -1;
    if (!sent || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        error = "ffmpeg failed to write the video (its messages are above)";
        return false;
    }
    return true;
}

TimeSummary summarise(std::vector<double> frameMs)
{
    TimeSummary summary;
    if (frameMs.empty())
        return summary;
    std::sort(frameMs.begin(), frameMs.end());
    const auto rank = [&](double share) {
        const std::size_t index = static_cast<std::size_t>(std::ceil(share * double(frameMs.size())));
        return frameMs[std::max<std::size_t>(index, 1) - 1];
    };
    summary.medianMs = rank(0.5);
    summary.p99Ms = rank(0.99);
    summary.maxMs = frameMs.back();
    return summary;
}

void printBenchTable(const std::vector<SceneTimes>& scenes, double startupSeconds, const std::string& renderer)
{
    std::ostringstream table;
    table << std::fixed << std::setprecision(2);
    table << "frame times (scene and drawing, glFinish) on " << renderer << "\n";
    table << std::left << std::setw(10) << "scene" << std::right << std::setw(8) << "frames" << std::setw(12)
          << "median ms" << std::setw(10) << "p99 ms" << std::setw(10) << "max ms" << "\n";
    for (const SceneTimes& scene : scenes) {
        const TimeSummary summary = summarise(scene.frameMs);
        table << std::left << std::setw(10) << scene.scene << std::right << std::setw(8) << scene.frameMs.size()
              << std::setw(12) << summary.medianMs << std::setw(10) << summary.p99Ms << std::setw(10)
              << summary.maxMs << "\n";
    }
    table << "start-up (process start to first frame): " << std::setprecision(3) << startupSeconds << " s\n";
    std::cerr << table.str() << std::flush;
}

namespace {

std::string jsonString(const std::string& text)
{
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            quoted += '\\';
        if (static_cast<unsigned char>(c) < 0x20)
            continue;
        quoted += c;
    }
    return quoted + "\"";
}

}  // namespace

bool writeBenchJson(const std::string& path, const std::vector<SceneTimes>& scenes, double startupSeconds,
                    const Options& options, std::uint64_t frames, const std::string& renderer)
{
    std::ofstream file(path);
    file << std::setprecision(6);
    file << "{\n";
    file << "  \"fps\": " << jsonString(options.fpsText) << ",\n";
    file << "  \"frames\": " << frames << ",\n";
    file << "  \"renderer\": " << jsonString(renderer) << ",\n";
    file << "  \"startupSeconds\": " << startupSeconds << ",\n";
    file << "  \"scenes\": [";
    for (std::size_t i = 0; i < scenes.size(); ++i) {
        const TimeSummary summary = summarise(scenes[i].frameMs);
        file << (i ? ",\n" : "\n") << "    {\"scene\": " << jsonString(scenes[i].scene)
             << ", \"frames\": " << scenes[i].frameMs.size() << ", \"medianMs\": " << summary.medianMs
             << ", \"p99Ms\": " << summary.p99Ms << ", \"maxMs\": " << summary.maxMs << "}";
    }
    file << "\n  ]\n}\n";
    file.close();
    return !file.fail();
}
