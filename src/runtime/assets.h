#pragma once
// The content catalogue: every image and the caption font, loaded and placed once at start-up.
#include <memory>
#include <string>
#include <vector>

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

// For a caller that must hand control back between images (a browser's frame loop): nothing is
// decoded ahead and no thread is started; loadNextAssets decodes each row when it loads it.
PendingImages decodeAssetsInTurn(float outputScale);
// Decodes the next catalogue row's image and close-up and loads them (the caption font before
// the row it precedes), as loadAssets does for each row in turn; the share of the rows loaded so
// far, 1 once the catalogue is complete.
float loadNextAssets(Catalogue& catalogue, ImageDecoding& queue);

// Loads every image and the caption font into the catalogue for an output of outputScale pixels
// per design pixel, and places the state block's sprites and caption on them. Images decoded
// ahead for that scale are taken up; otherwise they are decoded here.
void loadAssets(Catalogue& catalogue, float outputScale, PendingImages ahead = nullptr);

// The content files the demo reads, from the working directory, for an output of outputScale
// pixels per design pixel: each image's file and close-up as loadAssets chooses them, the font,
// the timeline module and the soundtrack. The browser's content packs are made from it.
std::vector<std::string> contentFilesFor(float outputScale);

// When the working directory holds none of the content, moves once to the content folder that
// belongs to the running program (share/nerethval beside its bin/, or data/ beside it in the
// build tree) and says so on standard error under programName. A directory holding any content
// is kept, so a missing file there fails as it would have.
void enterContentFolder(const char* programName);
