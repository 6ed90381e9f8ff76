#pragma once
// The content catalogue: every image and the caption font, loaded and placed once at start-up.

void loadAssets();

// The 47 images, the font, the timeline module and the soundtrack, read by bare name.
constexpr int contentFileCount = 50;
const char* contentFile(int index);

// When the working directory holds none of the content, moves once to the content folder that
// belongs to the running program (share/nerethval beside its bin/, or data/ beside it in the
// build tree) and says so on standard error under programName. A directory holding any content
// is kept, so a missing file there fails as it would have.
void enterContentFolder(const char* programName);
