#pragma once
// The fixed-step clock that the capture and the browser's fixed-step mode share: frame k sees
// the module after k frame times, counted exactly, and is read back as a viewer sees it.
#include <cstdint>
#include <vector>

// A non-negative number kept exact, so that frame times and sample counts never drift.
struct Rational {
    std::uint64_t num = 0;
    std::uint64_t den = 1;
};

// The rate the demo opens its audio at.
constexpr std::uint64_t fixedStepSampleRate = 44100;

// Module samples played after `frames` frame times, rounded down, exact for any rational rate.
std::uint64_t samplesAfter(std::uint64_t frames, const Rational& fps);
// Whether frame `frame` (whose timeline time is frame / fps) is at or after `time`.
bool reached(std::uint64_t frame, const Rational& fps, const Rational& time);

// One frame as a viewer sees it: top row first, RGBA, opaque.
struct FrameImage {
    unsigned width = 0;
    unsigned height = 0;
    std::vector<std::uint8_t> rgba;
};

// Reads the back buffer of the current context (call before the frame is presented).
void readFrame(FrameImage& frame, unsigned width, unsigned height);
