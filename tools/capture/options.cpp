#include "capture.h"

#include "runtime/command_line.h"

namespace {

bool parseCount(const std::string& text, std::uint64_t& count)
{
    unsigned long long value = 0;
    if (!parseWholeNumber(text, value))
        return false;
    count = value;
    return true;
}

bool positive(const Rational& value)
{
    return value.num > 0;
}

}  // namespace

const char* usageText()
{
    return "usage: nerethval-capture [--fps N] [--from T] [--seconds S] [--orders FILE] [--stills DIR --at T1,T2,...]\n"
           "                         [--frames DIR [--every K]] [--video FILE.mp4] [--bench FILE.json]\n"
           "                         [--hashes FILE] [--draw-all] [--size WxH]\n"
           "Runs the demo on a fixed-step clock until it ends (order 20) or for S seconds of timeline\n"
           "time, with the content of the working directory, or else of the program's own content folder.\n"
           "Standard output carries only the demo's lines. With --from, the frames before T run unseen and\n"
           "write nothing. --hashes writes one line per frame with a hash of its pixels, and \"approximate\"\n"
           "after it where the draw layer drew filtered sprites on Mesa's fast path; --draw-all draws every\n"
           "call as the scenes make it instead of through the draw layer, which leaves out what changes\n"
           "no pixel. --size gives every frame W x H pixels (1280x720 up to 3840x2160), the picture\n"
           "drawn at that resolution off-screen, letterboxed as the demo is in a window of that size.\n";
}

bool parseOptions(int argc, char** argv, Options& options, std::string& error)
{
    static const std::vector<KnownOption> known = {
        {"--fps", true},   {"--from", true},  {"--seconds", true}, {"--orders", true}, {"--stills", true},
        {"--at", true},    {"--frames", true}, {"--every", true},  {"--video", true},  {"--bench", true},
        {"--hashes", true}, {"--size", true}, {"--draw-all", false}, {"--help", false},
    };
    std::vector<GivenOption> given;
    if (!readCommandLine(argc, argv, known, given, error))
        return false;
    bool everyGiven = false;
    bool atGiven = false;
    std::string atText;
    for (const GivenOption& option : given) {
        const std::string& name = option.name;
        const std::string& value = option.value;
        if (name == "--help") {
            options.help = true;
        } else if (name == "--draw-all") {
            options.drawAll = true;
        } else if (name == "--fps") {
            if (!parseRational(value, options.fps) || !usableFrameRate(options.fps)) {
                error = "--fps wants a rate of at least 1 frame a second, such as 60, 59.94 or 30000/1001, not '" +
                        value + "'";
                return false;
            }
            options.fpsText = value;
        } else if (name == "--from") {
            if (!parseRational(value, options.from)) {
                error = "--from wants a time in seconds such as 40 or 61.5, not '" + value + "'";
                return false;
            }
            options.fromText = value;
        } else if (name == "--seconds") {
            if (!parseRational(value, options.seconds) || !positive(options.seconds)) {
                error = "--seconds wants a positive number of seconds, not '" + value + "'";
                return false;
            }
            options.limited = true;
        } else if (name == "--orders") {
            options.ordersPath = value;
        } else if (name == "--stills") {
            options.stillsDir = value;
        } else if (name == "--at") {
            atGiven = true;
            atText = value;
        } else if (name == "--frames") {
            options.framesDir = value;
        } else if (name == "--every") {
            everyGiven = true;
            if (!parseCount(value, options.every) || options.every == 0) {
                error = "--every wants a whole number of frames of at least 1, not '" + value + "'";
                return false;
            }
        } else if (name == "--video") {
            options.videoPath = value;
        } else if (name == "--bench") {
            options.benchPath = value;
        } else if (name == "--hashes") {
            options.hashesPath = value;
        } else if (name == "--size") {
            if (!parseSize(value, 1280, 720, 3840, 2160, options.width, options.height)) {
                error = "--size wants WxH from 1280x720 up to 3840x2160, such as 1920x1080, not '" + value + "'";
                return false;
            }
        }
    }

    if (atGiven) {
        std::size_t start = 0;
        while (start <= atText.size()) {
            std::size_t comma = atText.find(',', start);
            if (comma == std::string::npos)
                comma = atText.size();
            StillRequest still;
            still.name = atText.substr(start, comma - start);
            if (!parseRational(still.name, still.time) || still.name.find('/') != std::string::npos) {
                error = "--at wants times in seconds separated by commas, such as 5,12.5, not '" + atText + "'";
                return false;
            }
            options.stills.push_back(still);
            start = comma + 1;
        }
    }
    const auto before = [](const Rational& a, const Rational& b) {
        return static_cast<unsigned __int128>(a.num) * b.den < static_cast<unsigned __int128>(b.num) * a.den;
    };
    if (options.limited && before(options.seconds, options.from)) {
        error = "--seconds ends the run before --from starts it";
        return false;
    }
    for (const StillRequest& still : options.stills) {
        if (before(still.time, options.from)) {
            error = "--at " + still.name + " lies before --from, where nothing is drawn";
            return false;
        }
    }
    if (atGiven != !options.stillsDir.empty()) {
        error = "--stills DIR and --at T1,T2,... go together";
        return false;
    }
    if (everyGiven && options.framesDir.empty()) {
        error = "--every only applies to --frames DIR";
        return false;
    }
    return true;
}
