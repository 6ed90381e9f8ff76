#include "capture.h"

#include <SFML/OpenGL.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "audio/bass.h"
#include "audio/bass_offline.h"
#include "platform/files.h"
#include "platform/process_times.h"
#include "demo/demo.h"
#include "demo/display.h"
#include "runtime/assets.h"
#include "runtime/catalogue.h"
#include "runtime/demo_state.h"
#include "runtime/draw_layer.h"

namespace {

using Wide = unsigned __int128;
using Clock = std::chrono::steady_clock;

constexpr std::uint64_t sampleRate = 44100;
constexpr unsigned endOrder = 20;

// What the dispatch does with an order, as a short name for the progress bar and the bench.
std::string sceneLabel(unsigned order)
{
    static const std::pair<SceneFunction, const char*> names[] = {
        {scene01, "scene 01"}, {scene02, "scene 02"}, {scene03, "scene 03"}, {scene04, "scene 04"},
        {scene05, "scene 05"}, {scene06, "scene 06"}, {scene07, "scene 07"}, {scene08, "scene 08"},
        {scene09, "scene 09"}, {scene10, "scene 10"}, {scene11, "scene 11"}, {flashScene, "flash"},
        {creditsScene, "credits"},
    };
    if (order == endOrder)
        return "end";
    const SceneFunction scene = sceneForOrder(order);
    for (const auto& name : names) {
        if (scene == name.first)
            return name.second;
    }
    return "black";
}

// Module samples played after `frames` frame times, rounded down, exact for any rational rate.
std::uint64_t samplesAfter(std::uint64_t frames, const Rational& fps)
{
    return static_cast<std::uint64_t>(Wide(frames) * sampleRate * fps.den / fps.num);
}

// Whether frame `frame` (whose timeline time is frame / fps) is at or after `time`.
bool reached(std::uint64_t frame, const Rational& fps, const Rational& time)
{
    return Wide(frame) * fps.den * time.den >= Wide(time.num) * fps.num;
}

struct Progress {
    bool terminal = false;
    int lastTenth = 0;
    Clock::time_point lastDraw{};
    unsigned order = 0xFFFF;
    double orderStart = 0.0;  // timeline time at which the current order began
};

// Share of the run done: exact with --seconds, otherwise an estimate from the order (each about four bars).
double progressShare(Progress& progress, const Options& options, unsigned order, double time)
{
    if (order != progress.order) {
        progress.order = order;
        progress.orderStart = time;
    }
    if (options.limited) {
        const double total = double(options.seconds.num) / double(options.seconds.den);
        return std::min(1.0, time / total);
    }
    if (order >= endOrder)
        return order == endOrder ? 1.0 : 0.0;
    const double inOrder = std::min(1.0, (time - progress.orderStart) / double(demo.fourBars));
    return std::min(1.0, (double(order) + inOrder) / double(endOrder));
}

void showProgress(Progress& progress, double share, double time, const std::string& scene, bool last)
{
    const int percent = static_cast<int>(share * 100.0);
    if (progress.terminal) {
        const Clock::time_point now = Clock::now();
        if (!last && now - progress.lastDraw < std::chrono::milliseconds(100))
            return;
        progress.lastDraw = now;
        const int filled = percent * 30 / 100;
        std::fprintf(stderr, "\r[%s%s] %8.2f s  %-8s %3d%%%s", std::string(std::size_t(filled), '#').c_str(),
                     std::string(std::size_t(30 - filled), '-').c_str(), time, scene.c_str(), percent,
                     last ? "\n" : "");
        std::fflush(stderr);
        return;
    }
    if (percent / 10 > progress.lastTenth || (last && percent / 10 == progress.lastTenth && percent < 100)) {
        progress.lastTenth = percent / 10;
        std::fprintf(stderr, "nerethval-capture: %3d%%  %.2f s  %s\n", percent, time, scene.c_str());
    }
}

int fail(const std::string& message)
{
    std::cerr << "nerethval-capture: " << message << std::endl;
    return 1;
}

// A command line or an environment that the capture cannot run with.
int refuse(const std::string& message)
{
    fail(message);
    return 2;
}

// A one-line-per-frame output file (--orders, --hashes); no path, no file. False once it failed,
// having said so.
bool openLineFile(std::ofstream& file, const std::string& path)
{
    if (path.empty())
        return true;
    file.open(path);
    if (file)
        return true;
    fail("cannot write " + path);
    return false;
}

bool closeLineFile(std::ofstream& file, const std::string& path)
{
    if (!file.is_open())
        return true;
    file.close();
    if (!file.fail())
        return true;
    fail("cannot write " + path);
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    std::string error;
    if (!parseOptions(argc, argv, options, error))
        return refuse(error);
    if (options.help) {
        std::cerr << usageText();
        return 0;
    }
    if (!checkOutputs(options, error))
        return refuse(error);
    // Relative output paths on the command line belong to the folder the capture was started in,
    // also when the content folder becomes the working directory.
    std::error_code noFolder;
    resolveOutputPaths(options, std::filesystem::current_path(noFolder).string());
    enterContentFolder("nerethval-capture");
    if (!options.limited && !std::ifstream("sync.xm"))
        return refuse("no sync.xm in the working directory, so the demo would never end: give --seconds");
    if (!displayReady("nerethval-capture"))
        return 1;
    // Decoding overlaps the window's and the GL driver's set-up.
    PendingImages imagesAhead = decodeAssetsAhead(scaleOf(pictureFrame({options.width, options.height})));

    std::ofstream orders;
    std::ofstream hashes;
    if (!openLineFile(orders, options.ordersPath) || !openLineFile(hashes, options.hashesPath))
        return 1;

    sf::RenderWindow window;
    openDemoWindow(window);
    // Frames are paced by the fixed step, not the display: never wait for a vertical blank.
    window.setVerticalSyncEnabled(false);
    // Frames of another size than the window's are drawn off-screen: no screen of that size is needed.
    const unsigned width = options.width;
    const unsigned height = options.height;
    sf::RenderTexture offscreen;
    if (window.isOpen() && window.getSize() != sf::Vector2u(width, height)) {
        if (!offscreen.create(width, height))
            return fail("cannot draw off-screen at " + std::to_string(width) + " x " + std::to_string(height));
        setOffscreenOutput(&offscreen);
        framePicture(window);
    }
    bassSetOfflineMode(true);
    const auto catalogue = std::make_unique<Catalogue>();
    startDemo(*catalogue, std::move(imagesAhead));
    if (!window.isOpen())
        return fail("the window did not open");
    // A sync.xm that is there but cannot be played never reaches order 20: unbounded, the run
    // would go on for ever, writing frames all the while.
    if (!options.limited && BASS_ChannelGetPosition(demo.syncMusic, BASS_POS_MUSIC_ORDER) == QWORD(-1)) {
        std::cerr << "nerethval-capture: the sync.xm in the working directory cannot be played as a module, so "
                     "the demo would never end: give --seconds"
                  << std::endl;
        return 2;
    }
    outputOf(window).setActive(true);
    const char* rendererName = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    const std::string renderer = rendererName ? rendererName : "unknown renderer";

    VideoPipe video;
    const bool recording = !options.videoPath.empty();
    if (recording) {
        ignoreBrokenPipes();
        if (!startVideo(video, options.videoPath, options, width, height, error))
            return fail(error);
    }

    const double startupSeconds = processAgeSeconds();
    const float frameDelta = static_cast<float>(double(options.fps.den) / double(options.fps.num));
    const bool benching = !options.benchPath.empty();
    std::vector<SceneTimes> sceneTimes;
    std::vector<std::int16_t> pcm;
    FrameImage frame;
    Progress progress;
    progress.terminal = standardErrorIsTerminal();
    bool windowClosed = false;
    unsigned lastOrder = 0xFFFF;
    std::uint64_t k = 0;
    std::uint64_t shownFrames = 0;
    // Frames before --from run every bit of the demo's logic but leave no trace: their console
    // lines go nowhere, and nothing of them is read back, recorded or presented.
    bool shown = false;
    std::cout.setstate(std::ios::badbit);
    setDrawMode(DrawMode::Nothing);

    while (!demo.quitRequested) {
        ++k;
        if (!shown && reached(k, options.fps, options.from)) {
            shown = true;
            std::cout.clear();
            setDrawMode(options.drawAll ? DrawMode::Everything : DrawMode::Layer);
        }
        // Frame k sees the module after k frame times; its samples are the ones that span this frame.
        const std::uint64_t samples = samplesAfter(k, options.fps) - samplesAfter(k - 1, options.fps);
        const bool mixing = recording && shown;
        pcm.resize(mixing ? samples * 2 : 0);
        bassRenderOffline(samples, mixing ? pcm.data() : nullptr);
        if (mixing && !sendAudio(video, pcm.data(), pcm.size()))
            return fail("ffmpeg stopped taking the soundtrack");

        demo.frameDelta = frameDelta;
        const Clock::time_point frameStart = Clock::now();
        const double cpuStart = processCpuMs();
        const unsigned order = drawFrame(window);
        lastOrder = order;
        const std::string scene = sceneLabel(order);
        const double time = double(Wide(k) * options.fps.den) / double(options.fps.num);
        if (!shown) {
            showProgress(progress, progressShare(progress, options, order, time), time, scene, false);
            if (!window.isOpen()) {
                windowClosed = true;
                break;
            }
            continue;
        }
        ++shownFrames;
        if (benching) {
            glFinish();
            const double ms = std::chrono::duration<double, std::milli>(Clock::now() - frameStart).count();
            const double cpuMs = processCpuMs() - cpuStart;
            auto times = std::find_if(sceneTimes.begin(), sceneTimes.end(),
                                      [&](const SceneTimes& known) { return known.scene == scene; });
            if (times == sceneTimes.end())
                times = sceneTimes.insert(sceneTimes.end(), SceneTimes{scene, {}, {}});
            times->frameMs.push_back(ms);
            times->cpuMs.push_back(cpuMs);
        }
        if (orders.is_open())
            orders << order << '\n';

        bool stillDue = false;
        for (const StillRequest& still : options.stills)
            stillDue = stillDue || (!still.written && reached(k, options.fps, still.time));
        const bool sequenceDue = !options.framesDir.empty() && (k - 1) % options.every == 0;
        if (stillDue || sequenceDue || recording || hashes.is_open()) {
            outputOf(window).setActive(true);
            readFrame(frame, width, height);
        }
        if (hashes.is_open())
            hashes << frameHash(frame) << '\n';
        for (StillRequest& still : options.stills) {
            if (still.written || !reached(k, options.fps, still.time))
                continue;
            if (!writePng(frame, options.stillsDir + "/" + still.name + ".png", error))
                return fail(error);
            still.written = true;
        }
        if (sequenceDue) {
            char name[32];
            std::snprintf(name, sizeof name, "/frame-%06llu.png", static_cast<unsigned long long>(k));
            if (!writePng(frame, options.framesDir + name, error))
                return fail(error);
        }
        if (recording && !sendFrame(video, frame))
            return fail("ffmpeg stopped taking frames");

        showProgress(progress, progressShare(progress, options, order, time), time, scene, false);

        if (!presentFrame(window)) {
            windowClosed = true;
            break;
        }
        if (options.limited && reached(k, options.fps, options.seconds))
            break;
    }

    const double endTime = double(Wide(k) * options.fps.den) / double(options.fps.num);
    showProgress(progress, progressShare(progress, options, lastOrder, endTime), endTime, sceneLabel(lastOrder),
                 true);

    int status = 0;
    if (recording && !finishVideo(video, error))
        status = fail(error);
    if (!closeLineFile(orders, options.ordersPath))
        status = 1;
    if (!closeLineFile(hashes, options.hashesPath))
        status = 1;
    if (benching) {
        printBenchTable(sceneTimes, startupSeconds, renderer);
        if (!writeBenchJson(options.benchPath, sceneTimes, startupSeconds, options, shownFrames, renderer))
            status = fail("cannot write " + options.benchPath);
    }
    if (!shown)
        status = fail("the run ended before --from " + options.fromText + " s, so nothing was written");
    for (const StillRequest& still : options.stills) {
        if (!still.written)
            status = fail("the run ended before " + still.name + " s, so that still was not written");
    }
    if (windowClosed)
        status = fail("the window was closed after " + std::to_string(k) + " frames; the capture is incomplete");
    return status;
}
