#pragma once
// The picture's frame: the scenes draw in design pixels, a 1280 x 720 picture, which lands in its
// output (the window, or an off-screen image for captures) at the largest 16:9 size, centred
// between black bars.
#include <SFML/Graphics.hpp>

constexpr unsigned designWidth = 1280;
constexpr unsigned designHeight = 720;

// Where the design's picture lands in the output.
struct PictureFrame {
    sf::Vector2u outputSize{designWidth, designHeight};
    sf::IntRect pixels{0, 0, int(designWidth), int(designHeight)};  // in the output, top row first
    sf::Transform toPixels;  // design pixels to pixels of the picture, counted from its corner
};

// The picture's frame in an output of this size: the largest 16:9 rectangle, centred.
PictureFrame pictureFrame(sf::Vector2u outputSize);
// The design's picture in world coordinates, shown in the frame's rectangle of the output.
sf::View pictureView(const PictureFrame& frame);
// Frames the picture in the output for `window` (see outputOf) and points its view at it; again
// whenever the output changes size.
void framePicture(sf::RenderWindow& window);
// Output pixels per design pixel, down the picture: of a frame, and of the picture framed now.
float scaleOf(const PictureFrame& frame);
float pictureScale();
// Draws go to `texture` instead of the window from now on (null: back to the window).
void setOffscreenOutput(sf::RenderTexture* texture);
sf::RenderTarget& outputOf(sf::RenderWindow& window);
// Clears an off-screen output to black for a new frame; the window is cleared by the frame loop.
void clearOffscreenOutput();
