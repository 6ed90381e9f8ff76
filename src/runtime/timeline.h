#pragma once
// The timeline, spelled once: the timeline module's tempo and grid, what each of its orders shows,
// the beat grid the scenes time their phases by, and the content files the demo opens by name.
// The demo, the generators and the tests include it; make-timeline writes it to timeline.json for
// the Python tools and the script tests. Nothing here needs a library.

// The timeline module ("sync.xm", its handle `syncMusic`): a silent XM of 21 orders, each 64 rows
// at speed 6 and 102 BPM, heard at 44.1 kHz.
constexpr int timelineSampleRate = 44100;
constexpr int timelineRows = 64;    // rows per order
constexpr int timelineSpeed = 6;    // ticks per row
constexpr int timelineBpm = 102;
// A tick lasts 2.5 / BPM seconds, in whole output frames as the player counts them (1080).
constexpr int timelineTickSamples = timelineSampleRate * 5 / (2 * timelineBpm);
constexpr int timelineRowSamples = timelineSpeed * timelineTickSamples;
constexpr int timelineOrderSamples = timelineRows * timelineRowSamples;
constexpr double timelineOrderSeconds = double(timelineOrderSamples) / timelineSampleRate;

// What an order shows.
enum class Showing { scene01, scene02, scene03, scene04, scene05, scene06, scene07, scene08, scene09,
                     scene10, scene11, flash, credits, black, end };
constexpr int showingCount = static_cast<int>(Showing::end) + 1;
// Its name on the console and in progress bars: "scene 05", "flash", "black", "end".
constexpr const char* showingLabels[showingCount] = {
    "scene 01", "scene 02", "scene 03", "scene 04", "scene 05", "scene 06", "scene 07", "scene 08",
    "scene 09", "scene 10", "scene 11", "flash", "credits", "black", "end"};

// Module order -> what it shows. Orders past the end order stay black; the end order ends the demo.
constexpr Showing orderShows[] = {
    Showing::scene01,  // 0
    Showing::scene02,  // 1, opens the soundtrack
    Showing::scene03,  // 2
    Showing::scene04,  // 3
    Showing::scene05,  // 4
    Showing::scene05,  // 5
    Showing::scene06,  // 6
    Showing::scene06,  // 7
    Showing::scene07,  // 8
    Showing::scene07,  // 9
    Showing::scene08,  // 10
    Showing::scene08,  // 11
    Showing::scene09,  // 12
    Showing::scene09,  // 13
    Showing::scene10,  // 14
    Showing::scene10,  // 15
    Showing::scene11,  // 16
    Showing::flash,    // 17
    Showing::credits,  // 18
    Showing::black,    // 19
    Showing::end,      // 20
};
constexpr unsigned orderCount = sizeof(orderShows) / sizeof(orderShows[0]);
// The module order whose first frame prints "end?" and ends the demo.
constexpr unsigned endOrder = orderCount - 1;
// The order on whose first frame the soundtrack starts.
constexpr unsigned soundtrackOrder = 1;

constexpr Showing showingAt(unsigned order)
{
    return order < orderCount ? orderShows[order] : Showing::black;
}

// The beat grid at about 102 beats per minute, in seconds; each is twice the next.
constexpr float fourBars = 9.412f;
constexpr float twoBars = 4.706f;
constexpr float oneBar = 2.353f;
constexpr float halfBar = 1.1765f;
constexpr float oneBeat = 0.58825f;
// Four bars as a double, as the reveals' crossfade compares them (the float above is a hair
// shorter).
constexpr double fourBarsInDouble = 9.412;

// Content files the demo opens by name from the working directory, besides the images.
constexpr const char* timelineModuleFile = "sync.xm";
constexpr const char* soundtrackFile = "nerethval_dream.mp3";
constexpr const char* captionFontFile = "Quillon8.ttf";
