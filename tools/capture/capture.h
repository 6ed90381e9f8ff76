#pragma once
// nerethval-capture: the demo's own start-up, frame loop and scenes on a fixed-step clock
// with the audio stand-in offline, writing orders, stills, PNG sequences, a video and timings.
//
//   options.cpp  command line: exact rationals for rates and times
//   output.cpp   frame read-back, PNG files, the ffmpeg pipe, frame-time statistics
//   main.cpp     the capture loop and its progress bar
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/child_process.h"
#include "runtime/fixed_step.h"

struct StillRequest {
    std::string name;  // the time as written on the command line, used as the file name
    Rational time;     // seconds of timeline time
    bool written = false;
};

struct Options {
    Rational fps{60, 1};
    std::string fpsText = "60";
    bool limited = false;  // --seconds given
    Rational seconds;
    Rational from;  // frames before this timeline time run unseen and write nothing
    std::string fromText = "0";
    std::string ordersPath;
    std::string stillsDir;
    std::vector<StillRequest> stills;
    std::string framesDir;
    std::uint64_t every = 1;
    std::string videoPath;
    std::string benchPath;
    std::string hashesPath;
    bool drawAll = false;  // every draw as the scenes make it, not through the draw layer
    unsigned width = 1280;  // of every frame written, in pixels; the picture is letterboxed in it
    unsigned height = 720;
    bool help = false;
};

// False with a one-line message in error when the command line is unusable.
bool parseOptions(int argc, char** argv, Options& options, std::string& error);
const char* usageText();
// Makes every relative output path absolute, as seen from folder (unchanged when folder is empty).
void resolveOutputPaths(Options& options, const std::string& folder);
// Makes the stills and frames folders and tries every output path, so that a run is refused at
// start-up rather than failing at its end. False with a one-line message in error.
bool checkOutputs(const Options& options, std::string& error);

// Writes a temporary file beside path and renames it, so that path never holds a partial PNG.
// False with "cannot write path: reason" in error.
bool writePng(const FrameImage& frame, const std::string& path, std::string& error);
// 16 hex digits that differ for frames that differ (FNV-1a over the pixels), for comparing runs.
std::string frameHash(const FrameImage& frame);

// ffmpeg fed by two pipes: the 44.1 kHz stereo mix and raw frames. Both are queued here and
// written as ffmpeg takes them, so that neither stream can stall the other (ffmpeg opens its
// inputs one after the other and wants some audio before it reads the second picture).
struct VideoPipe {
    ChildProcess ffmpeg;  // pipe 0 the mix, pipe 1 the frames
    std::vector<char> pendingAudio;
    std::size_t audioOffset = 0;
    std::deque<std::vector<std::uint8_t>> pendingFrames;
    std::size_t frameOffset = 0;
};

bool startVideo(VideoPipe& video, const std::string& path, const Options& options, unsigned width,
                unsigned height, std::string& error);
bool sendAudio(VideoPipe& video, const std::int16_t* samples, std::size_t valueCount);
bool sendFrame(VideoPipe& video, const FrameImage& frame);
bool finishVideo(VideoPipe& video, std::string& error);

// Frame times of one scene label ("scene 05", "flash", "black", ...), in milliseconds: wall
// time and the process's CPU time for each frame.
struct SceneTimes {
    std::string scene;
    std::vector<double> frameMs;
    std::vector<double> cpuMs;
};

struct TimeSummary {
    double medianMs = 0.0;
    double p99Ms = 0.0;
    double maxMs = 0.0;
};

// The text as a JSON string: quoted, with quotes, backslashes and control characters escaped.
std::string jsonString(const std::string& text);
// Nearest-rank percentiles, so each figure is a frame time that really occurred.
TimeSummary summarise(std::vector<double> frameMs);
void printBenchTable(const std::vector<SceneTimes>& scenes, double startupSeconds, const std::string& renderer);
bool writeBenchJson(const std::string& path, const std::vector<SceneTimes>& scenes, double startupSeconds,
                    const Options& options, std::uint64_t frames, const std::string& renderer);
