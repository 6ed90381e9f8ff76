#include "capture.h"

#include <png.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <sstream>

#include "platform/files.h"

std::string frameHash(const FrameImage& frame)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (std::uint8_t byte : frame.rgba) {
        hash ^= byte;
        hash *= 1099511628211ull;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

namespace {

std::string folderOf(const std::string& path)
{
    const std::string folder = std::filesystem::path(path).parent_path().string();
    return folder.empty() ? "." : folder;
}

// A new file in folder for this process alone; -1 with errno set when the folder takes none.
int createTemporary(const std::string& folder, std::string& temporary)
{
    temporary = folder + "/.nerethval-capture-XXXXXX";
    return createTemporaryFile(temporary);
}

bool failWith(std::string& error, const std::string& path, int code)
{
    error = "cannot write " + path + ": " + std::strerror(code);
    return false;
}

// Every write and the close are checked: some file systems report a full disk only at the close.
bool writeWholeFile(const std::string& path, const std::uint8_t* data, std::size_t size, std::string& error)
{
    std::string temporary;
    const int fd = createTemporary(folderOf(path), temporary);
    if (fd < 0)
        return failWith(error, path, errno);
    int code = 0;
    for (std::size_t done = 0; code == 0 && done < size;) {
        const std::int64_t written = writeFile(fd, data + done, size - done);
        if (written < 0 && errno != EINTR)
            code = errno;
        done += written > 0 ? std::size_t(written) : 0;
    }
    if (closeFile(fd) != 0 && code == 0)
        code = errno;
    if (code == 0)
        code = replaceFile(temporary, path);
    if (code != 0) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        return failWith(error, path, code);
    }
    return true;
}

// Whether folder takes new files: one is made and removed again. Sets code when not.
bool folderTakesFiles(const std::string& folder, int& code)
{
    std::string temporary;
    const int fd = createTemporary(folder, temporary);
    if (fd < 0) {
        code = errno;
        return false;
    }
    closeFile(fd);
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    return true;
}

}  // namespace

bool writePng(const FrameImage& frame, const std::string& path, std::string& error)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = frame.width;
    image.height = frame.height;
    image.format = PNG_FORMAT_RGBA;
    // libpng's fast settings: on our frames 3 to 10 times quicker than its defaults or SFML's
    // writer, and the files still smaller than SFML's.
    image.flags = PNG_IMAGE_FLAG_FAST;
    std::vector<std::uint8_t> png(PNG_IMAGE_PNG_SIZE_MAX(image));
    png_alloc_size_t size = png.size();
    if (!png_image_write_to_memory(&image, png.data(), &size, 0, frame.rgba.data(), 0, nullptr)) {
        error = "cannot write " + path + ": " + image.message;
        return false;
    }
    return writeWholeFile(path, png.data(), size, error);
}

void resolveOutputPaths(Options& options, const std::string& folder)
{
    for (std::string* path : {&options.ordersPath, &options.hashesPath, &options.stillsDir, &options.framesDir,
                              &options.videoPath, &options.benchPath}) {
        if (!folder.empty() && !path->empty() && !std::filesystem::path(*path).is_absolute())
            *path = folder + "/" + *path;
    }
}

bool checkOutputs(const Options& options, std::string& error)
{
    int code = 0;
    for (const std::string& dir : {options.stillsDir, options.framesDir}) {
        if (dir.empty())
            continue;
        std::error_code made;
        if (!std::filesystem::create_directories(dir, made) && made) {
            error = "cannot make " + dir + ": " + made.message();
            return false;
        }
        if (!folderTakesFiles(dir, code)) {
            error = "cannot write in " + dir + ": " + std::strerror(code);
            return false;
        }
    }
    for (const std::string& path : {options.ordersPath, options.hashesPath, options.videoPath, options.benchPath}) {
        if (path.empty())
            continue;
        if (std::filesystem::is_directory(path))
            return failWith(error, path, EISDIR);
        if (!folderTakesFiles(folderOf(path), code))
            return failWith(error, path, code);
    }
    return true;
}

namespace {

std::string rateText(const Rational& fps)
{
    return std::to_string(fps.num) + "/" + std::to_string(fps.den);
}

// Frames held back while ffmpeg reads audio; enough for its start, small enough for memory.
constexpr std::size_t maxQueuedFrames = 16;

// Writes whatever ffmpeg takes now from both queues; with wait, first sleeps until it takes
// something. False when ffmpeg has gone.
bool pump(VideoPipe& video, bool wait)
{
    const bool pending[2] = {video.audioOffset < video.pendingAudio.size(), !video.pendingFrames.empty()};
    bool writable[2];
    if (!pipesWritable(video.ffmpeg, pending, writable, wait))
        return false;
    if (writable[0]) {
        const std::int64_t written = writeToPipe(video.ffmpeg.pipes[0], video.pendingAudio.data() + video.audioOffset,
                                                 video.pendingAudio.size() - video.audioOffset);
        if (written < 0)
            return false;
        video.audioOffset += std::size_t(written);
        if (video.audioOffset == video.pendingAudio.size()) {
            video.pendingAudio.clear();
            video.audioOffset = 0;
        }
    }
    if (writable[1]) {
        const std::vector<std::uint8_t>& frame = video.pendingFrames.front();
        const std::int64_t written =
            writeToPipe(video.ffmpeg.pipes[1], frame.data() + video.frameOffset, frame.size() - video.frameOffset);
        if (written < 0)
            return false;
        video.frameOffset += std::size_t(written);
        if (video.frameOffset == frame.size()) {
            video.pendingFrames.pop_front();
            video.frameOffset = 0;
        }
    }
    return true;
}

}  // namespace

bool startVideo(VideoPipe& video, const std::string& path, const Options& options, unsigned width,
                unsigned height, std::string& error)
{
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    const std::string rate = rateText(options.fps);
    const std::vector<std::string> arguments = {
        "ffmpeg", "-hide_banner", "-loglevel", "error", "-nostdin", "-y",
        "-probesize", "32", "-analyzeduration", "0", "-thread_queue_size", "4096",
        "-f", "s16le", "-ar", "44100", "-ac", "2", "-i", "pipe:3",
        "-probesize", "32", "-analyzeduration", "0", "-thread_queue_size", "8",
        "-f", "rawvideo", "-pix_fmt", "rgba", "-s", size, "-framerate", rate, "-i", "pipe:4",
        "-map", "1:v", "-map", "0:a",
        "-c:v", "libx264", "-preset", "veryfast", "-crf", "18", "-pix_fmt", "yuv420p", "-r", rate,
        "-c:a", "aac", "-b:a", "192k", "-movflags", "+faststart", "-f", "mp4", path};

    return startChild(arguments, 2, video.ffmpeg, error);
}

bool sendAudio(VideoPipe& video, const std::int16_t* samples, std::size_t valueCount)
{
    const char* bytes = reinterpret_cast<const char*>(samples);
    video.pendingAudio.insert(video.pendingAudio.end(), bytes, bytes + valueCount * sizeof(std::int16_t));
    return pump(video, false);
}

bool sendFrame(VideoPipe& video, const FrameImage& frame)
{
    video.pendingFrames.push_back(frame.rgba);
    if (!pump(video, false))
        return false;
    while (video.pendingFrames.size() > maxQueuedFrames) {
        if (!pump(video, true))
            return false;
    }
    return true;
}

bool finishVideo(VideoPipe& video, std::string& error)
{
    bool sent = true;
    while (sent && (!video.pendingFrames.empty() || video.audioOffset < video.pendingAudio.size()))
        sent = pump(video, true);
    const bool ended = finishChild(video.ffmpeg);
    if (!sent || !ended) {
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
          << "median ms" << std::setw(10) << "p99 ms" << std::setw(10) << "max ms" << std::setw(12)
          << "cpu median" << std::setw(10) << "cpu p99" << "\n";
    for (const SceneTimes& scene : scenes) {
        const TimeSummary summary = summarise(scene.frameMs);
        const TimeSummary cpu = summarise(scene.cpuMs);
        table << std::left << std::setw(10) << scene.scene << std::right << std::setw(8) << scene.frameMs.size()
              << std::setw(12) << summary.medianMs << std::setw(10) << summary.p99Ms << std::setw(10)
              << summary.maxMs << std::setw(12) << cpu.medianMs << std::setw(10) << cpu.p99Ms << "\n";
    }
    table << "start-up (process start to first frame): " << std::setprecision(3) << startupSeconds << " s\n";
    std::cerr << table.str() << std::flush;
}

std::string jsonString(const std::string& text)
{
    std::string quoted = "\"";
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            quoted += escaped;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

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
        const TimeSummary cpu = summarise(scenes[i].cpuMs);
        file << (i ? ",\n" : "\n") << "    {\"scene\": " << jsonString(scenes[i].scene)
             << ", \"frames\": " << scenes[i].frameMs.size() << ", \"medianMs\": " << summary.medianMs
             << ", \"p99Ms\": " << summary.p99Ms << ", \"maxMs\": " << summary.maxMs
             << ", \"cpuMedianMs\": " << cpu.medianMs << ", \"cpuP99Ms\": " << cpu.p99Ms << "}";
    }
    file << "\n  ]\n}\n";
    file.close();
    return !file.fail();
}
