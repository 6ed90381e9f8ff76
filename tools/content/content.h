#pragma once
// The content generator's parts: images, the caption font, the soundtrack.
#include <string>

// Writes the 47 images and the contact sheet into dataDir; captions and titles use fontPath.
void writeImages(const std::string& dataDir, const std::string& fontPath);
// Writes nerethval_dream.mp3 into dataDir.
void writeSoundtrack(const std::string& dataDir);
