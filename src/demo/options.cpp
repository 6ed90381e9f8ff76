#include "demo/options.h"

#include "runtime/command_line.h"

bool parseViewerOptions(int argc, char** argv, ViewerOptions& options, std::string& error)
{
    static const std::vector<KnownOption> known = {{"--windowed", false}, {"--desktop", false}, {"--size", true},
                                                  {"--vsync", true},     {"--help", false},    {"--version", false}};
    std::vector<GivenOption> given;
    if (!readCommandLine(argc, argv, known, given, error))
        return false;
    bool sizeGiven = false;
    for (const GivenOption& option : given) {
        if (option.name == "--windowed") {
            options.windowed = true;
        } else if (option.name == "--desktop") {
            options.desktop = true;
        } else if (option.name == "--size") {
            // Below a quarter of 1280 x 720 the captions no longer read.
            if (!parseSize(option.value, 320, 180, 7680, 4320, options.width, options.height)) {
                error = "--size wants WxH from 320x180 up to 7680x4320, such as 1920x1080, not '" + option.value + "'";
                return false;
            }
            sizeGiven = true;
        } else if (option.name == "--vsync") {
            if (option.value != "on" && option.value != "off") {
                error = "--vsync wants on or off, not '" + option.value + "'";
                return false;
            }
            options.vsync = option.value == "on";
        } else if (option.name == "--help") {
            options.help = true;
        } else if (option.name == "--version") {
            options.version = true;
        }
    }
    if (options.desktop && options.windowed) {
        error = "--desktop is fullscreen at the desktop's mode; it does not go with --windowed";
        return false;
    }
    if (options.desktop && sizeGiven) {
        error = "--desktop keeps the desktop's own size; it does not go with --size";
        return false;
    }
    return true;
}

const char* viewerUsageText()
{
    return "usage: nerethval [--windowed] [--size WxH] [--desktop] [--vsync on|off] [--help] [--version]\n"
           "Nereth//Val, a real-time demo by Vesmira Crew: about three minutes of pictures and music.\n"
           "It plays fullscreen, asking the screen for 1280x720, and ends on its own after the credits;\n"
           "Escape or closing the window ends it sooner. The picture keeps 16:9, between black bars\n"
           "where the window is of another shape.\n"
           "  --windowed      a window instead of fullscreen, 1280x720 unless --size says otherwise\n"
           "  --size WxH      the window's size, or the fullscreen mode asked for (320x180 up to 7680x4320)\n"
           "  --desktop       fullscreen at the desktop's own resolution, without switching the screen's mode\n"
           "  --vsync on|off  wait for the screen's refresh before each frame (on unless told otherwise;\n"
           "                  some drivers decide for themselves)\n"
           "  --help          this text\n"
           "  --version       the version\n"
           "It reads its content from the working directory, or else from the content folder that was\n"
           "installed with it.\n";
}

const char* versionText()
{
    return "nerethval " NERETHVAL_VERSION;
}
