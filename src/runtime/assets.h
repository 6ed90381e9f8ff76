#pragma once
// The content catalogue: every image and the caption font, loaded and placed once at start-up.
#include <memory>

struct Catalogue;

// Images being decoded on worker threads for loadAssets to take up; letting go of them waits for
// the workers.
struct ImageDecoding;
struct StopImageDecoding {
    void operator()(ImageDecoding* decoding) const;
};
using PendingImages = std::unique_ptr<ImageDecoding, StopImageDecoding>;

// Starts decoding the catalogue's images from the working directory; it needs neither the window
// nor a GL context, so it overlaps their set-up. Call it once the working directory is final, with
// the output pixels per design pixel that the picture is expected to get (which decides how dense
// a file each image is read from).
PendingImages decodeAssetsAhead(float outputScale);

// Loads every image and the caption font into the catalogue for an output of outputScale pixels
// per design pixel, and places the state block's sprites and caption on them. Images decoded
// ahead for that scale are taken up; otherwise they are decoded here.
void loadAssets(Catalogue& catalogue, float outputScale, PendingImages ahead = nullptr);

// When the working directory holds none of the content, moves once to the content folder that
// belongs to the running program (share/nerethval beside its bin/, or data/ beside it in the
// build tree) and says so on standard error under programName. A directory holding any content
// is kept, so a missing file there fails as it would have.
void enterContentFolder(const char* programName);
