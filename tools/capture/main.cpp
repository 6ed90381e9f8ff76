#include "capture.h"

#include <SFML/OpenGL.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>

#include "audio/bass.h"
#include "audio/bass_close.h"
#include "audio/bass_offline.h"
#include "platform/files.h"
#include "platform/gl_fast_paths.h"
#include "platform/process_times.h"
#include "demo/demo.h"
#include "demo/display.h"
#include "runtime/assets.h"
#include "runtime/catalogue.h"
#include "scenes/demo_state.h"
#include "runtime/draw_layer.h"

namespace {

using Clock = std::chrono::steady_clock;

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
    const double inOrder = std::min(1.0, (time - progress.orderStart) / timelineOrderSeconds);
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

// Everything a run keeps from start-up to its end. Made once the display is known to be there:
// the window and the off-screen image are GL resources.
struct Run {
    Options options;
    std::ofstream orders;
    std::ofstream hashes;
    sf::RenderWindow window;
    sf::RenderTexture offscreen;
    std::unique_ptr<Catalogue> catalogue;
    std::string renderer;
    VideoPipe video;
    bool recording = false;
    bool benching = false;
    double startupSeconds = 0.0;
    std::vector<SceneTimes> sceneTimes;
    std::vector<std::int16_t> pcm;
    FrameImage frame;
    Progress progress;
    FixedStep step;  // frames run so far, seen or not
    std::uint64_t shownFrames = 0;
    // Frames before --from run every bit of the demo's logic but leave no trace: their console
    // lines go nowhere, and nothing of them is read back, recorded or presented.
    bool shown = false;
    unsigned lastOrder = 0xFFFF;
    bool windowClosed = false;
};

// The command line, the output paths, the content and the display, before anything is drawn.
// Starts decoding the images; the exit status when the run cannot go on.
std::optional<int> checkBeforeStart(int argc, char** argv, Options& options, PendingImages& imagesAhead)
{
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
    if (!options.limited && !std::ifstream(timelineModuleFile))
        return refuse(std::string("no ") + timelineModuleFile + " in the working directory, so the demo would never end: give --seconds");
    if (!displayReady("nerethval-capture"))
        return 1;
    // Decoding overlaps the window's and the GL driver's set-up.
    imagesAhead = decodeAssetsAhead(scaleOf(pictureFrame({options.width, options.height})));
    return std::nullopt;
}

// The line files, the window (and the off-screen output for frames of another size), the demo's
// start-up with the audio offline, and the video pipe.
std::optional<int> startRun(Run& run, PendingImages imagesAhead)
{
    const Options& options = run.options;
    if (!openLineFile(run.orders, options.ordersPath) || !openLineFile(run.hashes, options.hashesPath))
        return 1;
    openDemoWindow(run.window, ViewerOptions());
    // Frames are paced by the fixed step, not the display: never wait for a vertical blank.
    run.window.setVerticalSyncEnabled(false);
    // Frames of another size than the window's are drawn off-screen: no screen of that size is needed.
    if (run.window.isOpen() && run.window.getSize() != sf::Vector2u(options.width, options.height)) {
        if (!run.offscreen.create(options.width, options.height))
            return fail("cannot draw off-screen at " + std::to_string(options.width) + " x " +
                        std::to_string(options.height));
        storeOutputLikeWindow(run.offscreen);
        setOffscreenOutput(&run.offscreen);
        framePicture(run.window);
    }
    bassSetOfflineMode(true);
    run.catalogue = std::make_unique<Catalogue>();
    startDemo(*run.catalogue, std::move(imagesAhead));
    if (!run.window.isOpen())
        return fail("the window did not open");
    // A sync.xm that is there but cannot be played never reaches order 20: unbounded, the run
    // would go on for ever, writing frames all the while.
    if (!options.limited && BASS_ChannelGetPosition(demo.clock.syncMusic, BASS_POS_MUSIC_ORDER) == QWORD(-1))
        return refuse(std::string("the ") + timelineModuleFile + " in the working directory cannot be played as a "
                      "module, so the demo would never end: give --seconds");
    outputOf(run.window).setActive(true);
    const char* rendererName = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    run.renderer = rendererName ? rendererName : "unknown renderer";

    run.recording = !options.videoPath.empty();
    if (run.recording) {
        ignoreBrokenPipes();
        std::string error;
        if (!startVideo(run.video, options.videoPath, options, options.width, options.height, error))
            return fail(error);
    }
    run.benching = !options.benchPath.empty();
    run.progress.terminal = standardErrorIsTerminal();
    run.startupSeconds = processAgeSeconds();
    return std::nullopt;
}

void recordTimes(Run& run, const std::string& scene, const StepOutputs& step)
{
    auto times = std::find_if(run.sceneTimes.begin(), run.sceneTimes.end(),
                              [&](const SceneTimes& known) { return known.scene == scene; });
    if (times == run.sceneTimes.end())
        times = run.sceneTimes.insert(run.sceneTimes.end(), SceneTimes{scene, {}, {}});
    times->frameMs.push_back(step.drawMs);
    times->cpuMs.push_back(step.drawCpuMs);
}

// Whether the frame about to run is read back: for a still due, the sequence, the video or the hashes.
bool readBackDue(const Run& run)
{
    const Options& options = run.options;
    const std::uint64_t k = run.step.frame + 1;
    bool due = run.recording || run.hashes.is_open() || (!options.framesDir.empty() && (k - 1) % options.every == 0);
    for (const StillRequest& still : options.stills)
        due = due || (!still.written && reached(k, options.fps, still.time));
    return due;
}

// What a seen frame leaves: its order and hash lines, the stills due, the sequence's picture and
// the video's sound and frame.
std::optional<int> writeFrame(Run& run, unsigned order)
{
    Options& options = run.options;
    const std::uint64_t k = run.step.frame;
    if (run.orders.is_open())
        run.orders << order << '\n';
    if (run.hashes.is_open())
        run.hashes << frameHash(run.frame) << (stateDraw().approximate ? " approximate\n" : "\n");
    std::string error;
    for (StillRequest& still : options.stills) {
        if (still.written || !reached(k, options.fps, still.time))
            continue;
        if (!writePng(run.frame, options.stillsDir + "/" + still.name + ".png", error))
            return fail(error);
        still.written = true;
    }
    if (!options.framesDir.empty() && (k - 1) % options.every == 0) {
        char name[32];
        std::snprintf(name, sizeof name, "/frame-%06llu.png", static_cast<unsigned long long>(k));
        if (!writePng(run.frame, options.framesDir + name, error))
            return fail(error);
    }
    if (run.recording && !sendAudio(run.video, run.pcm.data(), run.pcm.size()))
        return fail("ffmpeg stopped taking the soundtrack");
    if (run.recording && !sendFrame(run.video, run.frame))
        return fail("ffmpeg stopped taking frames");
    return std::nullopt;
}

// The frames up to the demo's end, --seconds or a closed window.
std::optional<int> runFrames(Run& run)
{
    const Options& options = run.options;
    run.step.fps = options.fps;
    std::cout.setstate(std::ios::badbit);
    setDrawMode(DrawMode::Nothing);
    while (!demo.clock.quitRequested) {
        if (!run.shown && reached(run.step.frame + 1, options.fps, options.from)) {
            run.shown = true;
            std::cout.clear();
            setDrawMode(options.drawAll ? DrawMode::Everything : DrawMode::Layer);
        }
        StepOutputs step;
        step.sound = run.recording && run.shown ? &run.pcm : nullptr;
        step.picture = run.shown && readBackDue(run) ? &run.frame : nullptr;
        step.timed = run.shown && run.benching;
        const unsigned order = stepFrame(run.step, run.window, drawFrame, step);
        run.lastOrder = order;
        const std::string scene = sceneLabel(order);
        const double time = stepSeconds(run.step);
        if (!run.shown) {
            showProgress(run.progress, progressShare(run.progress, options, order, time), time, scene, false);
            if (!run.window.isOpen()) {
                run.windowClosed = true;
                break;
            }
            continue;
        }
        ++run.shownFrames;
        if (run.benching)
            recordTimes(run, scene, step);
        if (const std::optional<int> status = writeFrame(run, order))
            return status;
        showProgress(run.progress, progressShare(run.progress, options, order, time), time, scene, false);

        if (!presentFrame(run.window)) {
            run.windowClosed = true;
            break;
        }
        if (options.limited && reached(run.step.frame, options.fps, options.seconds))
            break;
    }
    return std::nullopt;
}

// The last of the progress bar, the video and the line files closed, the timings, and what the
// run could not do; the exit status.
int finishRun(Run& run)
{
    const Options& options = run.options;
    const double endTime = stepSeconds(run.step);
    showProgress(run.progress, progressShare(run.progress, options, run.lastOrder, endTime), endTime,
                 sceneLabel(run.lastOrder), true);
    int status = 0;
    std::string error;
    if (run.recording && !finishVideo(run.video, error))
        status = fail(error);
    if (!closeLineFile(run.orders, options.ordersPath))
        status = 1;
    if (!closeLineFile(run.hashes, options.hashesPath))
        status = 1;
    if (run.benching) {
        printBenchTable(run.sceneTimes, run.startupSeconds, run.renderer);
        if (!writeBenchJson(options.benchPath, run.sceneTimes, run.startupSeconds, options, run.shownFrames,
                            run.renderer))
            status = fail("cannot write " + options.benchPath);
    }
    if (!run.shown)
        status = fail("the run ended before --from " + options.fromText + " s, so nothing was written");
    for (const StillRequest& still : options.stills) {
        if (!still.written)
            status = fail("the run ended before " + still.name + " s, so that still was not written");
    }
    if (run.windowClosed)
        status = fail("the window was closed after " + std::to_string(run.step.frame) + " frames; the capture is incomplete");
    return status;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    PendingImages imagesAhead;
    if (const std::optional<int> status = checkBeforeStart(argc, argv, options, imagesAhead))
        return *status;
    Run run;
    run.options = std::move(options);
    if (const std::optional<int> status = startRun(run, std::move(imagesAhead)))
        return *status;
    const std::optional<int> failed = runFrames(run);
    bassClose();
    return failed ? *failed : finishRun(run);
}
