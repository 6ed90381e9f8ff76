#pragma once
// The content catalogue: every image and the caption font, loaded and placed once at start-up.

void loadAssets();

// Starts decoding the catalogue's images from the working directory on worker threads, for
// loadAssets to take up; it needs neither the window nor a GL context. Call it once the working
// directory is final, with the output pixels per design pixel that the picture is expected to get
// (which decides how dense a file each image is read from). loadAssets starts the decoding itself
// when nothing did, or when the picture came out at another scale.
void decodeAssetsAhead(float outputScale);

// When the working directory holds none of the content, moves once to the content folder that
// belongs to the running program (share/nerethval beside its bin/, or data/ beside it in the
// build tree) and says so on standard error under programName. A directory holding any content
// is kept, so a missing file there fails as it would have.
void enterContentFolder(const char* programName);
