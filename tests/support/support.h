#pragma once
// Shared test helpers: a real window, captured console output, frame stepping.
#include <SFML/Graphics.hpp>
#include <chrono>
#include <functional>
#include <string>

#include "scenes/demo_state.h"

// The test program's one 1280 x 720 window (not fullscreen), and the catalogue in the state block
// that its GL context allows. Fails the test if none can open.
sf::RenderWindow& testWindow();
Catalogue& testCatalogue();

// Everything written to std::cout while body runs.
std::string captureConsole(const std::function<void()>& body);

// Gives a catalogue image a test picture: `background`, with `rect` painted `rectColour`. Its
// sprite shows the whole picture and keeps its origin and position; the image's facts and close-up
// are forgotten.
void giveTestPicture(Image image, unsigned width, unsigned height, sf::Color background, sf::IntRect rect = {},
                     sf::Color rectColour = sf::Color::Transparent);

// Sets frameDelta and runs one call of a scene (or anything that reads frameDelta), then draws
// what it handed to the draw layer.
void runFrameOf(const std::function<void(sf::RenderWindow&)>& scene, float frameDelta);

// The pixel at (x, y) of what has been drawn into the test window so far, handed-in draws included.
sf::Color windowPixel(int x, int y);

// A looping timeline module written for the test: speed 1 at 255 BPM, one row every
// fastTimelineRowSeconds. Returns its path.
std::string writeFastTimeline();
constexpr double fastTimelineRowSeconds = 432.0 / 44100.0;

double secondsBetween(std::chrono::steady_clock::time_point from, std::chrono::steady_clock::time_point to);
