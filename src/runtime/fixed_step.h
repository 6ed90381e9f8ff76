#pragma once
// The fixed-step frame that the capture and the web page's fixed-step mode share: frame k sees
// the module after k frame times, counted exactly, its sound rendered offline, and is read back
// as a viewer sees it.
#include <cstdint>
#include <vector>

namespace sf {
class RenderWindow;
}

// A non-negative number kept exact, so that frame times and sample counts never drift.
struct Rational {
    std::uint64_t num = 0;
    std::uint64_t den = 1;
};

// The rate the demo opens its audio at.
constexpr std::uint64_t fixedStepSampleRate = 44100;

// One frame a second is the floor. Slower, a frame's sound block grows without bound (0.00001 fps
// would want 17 GB at once), and a frame would span so much of the timeline that no still or
// video made from it is of use; at 1 fps every order of the timeline (9.4 s) still gets nine frames.
inline bool usableFrameRate(const Rational& fps)
{
    return fps.num >= fps.den;
}

// Module samples played after `frames` frame times, rounded down, exact for any rational rate.
std::uint64_t samplesAfter(std::uint64_t frames, const Rational& fps);
// Whether frame `frame` (whose timeline time is frame / fps) is at or after `time`.
bool reached(std::uint64_t frame, const Rational& fps, const Rational& time);
// The first frame at or after `time`: frame 1 at time 0.
std::uint64_t firstFrameAt(const Rational& time, const Rational& fps);

// One frame as a viewer sees it: top row first, RGBA, opaque.
struct FrameImage {
    unsigned width = 0;
    unsigned height = 0;
    std::vector<std::uint8_t> rgba;
};

// Reads the back buffer of the current context (call before the frame is presented).
void readFrame(FrameImage& frame, unsigned width, unsigned height);

// The clock: the rate, and the frames run so far (the first is 1).
struct FixedStep {
    Rational fps{60, 1};
    std::uint64_t frame = 0;
};

// What one step is asked for, and what it leaves there.
struct StepOutputs {
    std::vector<std::int16_t>* sound = nullptr;  // the frame's samples, stereo, if wanted
    FrameImage* picture = nullptr;               // the frame read back from the picture's output, if wanted
    bool timed = false;                          // the drawing timed, its GL work finished first
    double drawMs = 0.0;                         // wall time of the drawing, when timed
    double drawCpuMs = 0.0;                      // the process's CPU time meanwhile
};

// What a frame draws: the demo's drawFrame, given by the caller, which sits above this layer.
using FrameDrawing = unsigned (*)(sf::RenderWindow&);

// Moves the clock on one frame: renders the module samples that span it offline, draws it one
// frame time on, times and reads it back as asked; the frame is not presented. Returns the order
// the drawing saw.
unsigned stepFrame(FixedStep& step, sf::RenderWindow& window, FrameDrawing draw, StepOutputs& outputs);
// Timeline seconds at the frame last run.
double stepSeconds(const FixedStep& step);
