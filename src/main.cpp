#include <cstdio>
#include <string>

#include "audio/bass_close.h"
#include "demo/demo.h"
#include "demo/display.h"
#include "demo/options.h"
#include "runtime/assets.h"

int main(int argc, char** argv)
{
    ViewerOptions options;
    std::string error;
    if (!parseViewerOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "nerethval: %s\n", error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(viewerUsageText(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("%s\n", versionText());
        return 0;
    }
    if (!displayReady("nerethval"))
        return 1;
    enterContentFolder("nerethval");
    // Decoding overlaps the window's and the GL driver's set-up, at the size the window is asked
    // for; a screen without that mode costs a second decode.
    const int status = runDemo(options, decodeAssetsAhead(requestedPictureScale(options)));
    bassClose();
    return status;
}
