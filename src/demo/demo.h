#pragma once
// Start-up, the frame loop and its order-to-scene dispatch: the top of the program, above the scenes.
#include <SFML/Graphics/RenderWindow.hpp>

#include "demo/options.h"
#include "runtime/assets.h"
#include "runtime/timeline.h"
#include "scenes/scenes.h"

struct Catalogue;

// The scene for a module order; null where the frame stays black (and for order 20).
SceneFunction sceneForOrder(unsigned order);
// What the timeline shows at a module order, in a word or two: "scene 05", "flash", "black", "end".
const char* sceneLabel(unsigned order);

// The mode the window is asked for, and the scale of the picture in a window of that size.
sf::VideoMode requestedMode(const ViewerOptions& options);
float requestedPictureScale(const ViewerOptions& options);
// Opens the window the viewer asked for (by default fullscreen at 1280 x 720 with vertical
// synchronisation) and announces it.
void openDemoWindow(sf::RenderWindow& window, const ViewerOptions& options);
// OpenGL state, content, pools, audio and the timeline module, in start-up order. Call it once the
// window is open: the content goes into `catalogue`, taking up the images decoded ahead.
void startDemo(Catalogue& catalogue, PendingImages imagesAhead);
// The same start-up for a catalogue loaded already (a row at a time, by loadNextAssets).
void startLoadedDemo(Catalogue& catalogue);
// One frame up to presenting it: events, clears, position query, dispatch, the scene's drawing.
// frameDelta must already be set. Returns the order the dispatch saw.
unsigned drawFrame(sf::RenderWindow& window);
// Presents the frame; true while the loop should go on.
bool presentFrame(sf::RenderWindow& window);

// The demo from opening its window to its end; the process's exit status.
int runDemo(const ViewerOptions& options, PendingImages imagesAhead);
