#pragma once
// What a viewer may ask of the demo on its command line. With none, it plays as it always has:
// fullscreen, asking the screen for 1280 x 720, in step with the screen's refresh.
#include <string>

struct ViewerOptions {
    bool windowed = false;  // a window instead of fullscreen
    bool desktop = false;   // fullscreen at the desktop's own mode, the screen's mode left alone
    unsigned width = 1280;  // of the window or the fullscreen mode asked for, in pixels
    unsigned height = 720;
    bool vsync = true;
    bool help = false;
    bool version = false;
};

// False with a one-line message in error when the command line is unusable.
bool parseViewerOptions(int argc, char** argv, ViewerOptions& options, std::string& error);
const char* viewerUsageText();
// "nerethval 1.0.0"
const char* versionText();
