// Lists the browser build's content packs, one line each: the pack's name, the picture scale
// (output pixels per design pixel) above which a page needs it, and its files. A pack holds
// every file the demo reads at some scale up to its own limit that no pack before it holds, so a
// page that loads each pack whose lower bound its canvas exceeds has every file it will read.
// Run it in the content folder: which denser files there are decides.
#include <algorithm>
#include <cstdio>
#include <set>
#include <string>

#include "runtime/assets.h"

namespace {

struct Pack {
    const char* name;
    float above;  // needed when the picture's scale is greater than this
    float upTo;   // covers scales up to this
};

// 720p and below, 1080p, 1440p, 4K, and up to 8K (where every image reads its densest file).
constexpr Pack packs[] = {
    {"content", 0.0f, 1.0f},
    {"pictures-1.5x", 1.0f, 1.5f},
    {"pictures-2x", 1.5f, 2.0f},
    {"pictures-3x", 2.0f, 3.0f},
    {"pictures-6x", 3.0f, 6.0f},
};

// The loader's choices change at scales set to a hundredth.
constexpr float scaleStep = 0.01f;
constexpr float smallestScale = 0.25f;

}  // namespace

int main()
{
    std::set<std::string> packed;
    for (const Pack& pack : packs) {
        std::set<std::string> files;
        for (int step = 0;; ++step) {
            const float scale = std::max(smallestScale, pack.above) + float(step) * scaleStep;
            if (scale > pack.upTo + scaleStep * 0.5f)
                break;
            for (const std::string& file : contentFilesFor(std::min(scale, pack.upTo)))
                files.insert(file);
        }
        std::string newFiles;
        for (const std::string& file : files) {
            if (packed.insert(file).second)
                newFiles += " " + file;
        }
        // A scale that reads nothing new needs no pack.
        if (!newFiles.empty())
            std::printf("%s %.2f%s\n", pack.name, double(pack.above), newFiles.c_str());
    }
    return 0;
}
