#pragma once
// The content catalogue: every image and the caption font, loaded and placed once at start-up.

void loadAssets();
