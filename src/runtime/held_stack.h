#pragma once
// Stacks that hold still, drawn once. Where the draws at the bottom of a frame are the very draws
// of the frame before (the same images, placed, tinted and cut the same), the layer draws them
// once into a picture of the output's size and copies that into the output on the frames after,
// until one of them changes: one unblended quad in place of a quad per layer. The copy holds the
// pixels that drawing the stack leaves, so frames stay exactly as they were.
#include <SFML/Graphics.hpp>
#include <cstddef>
#include <vector>

#include "runtime/picture_frame.h"

// One sprite draw as the output sees it: while its texture keeps its texels, nothing else decides
// the pixels it leaves.
struct DrawKey {
    const sf::Texture* texture = nullptr;
    sf::IntRect textureRect;
    float transform[6] = {};
    sf::Color colour;
};

bool operator==(const DrawKey& a, const DrawKey& b);
DrawKey drawKeyOf(const sf::Sprite& sprite);

struct HeldStack {
    sf::RenderTexture* picture = nullptr;  // made for the first stack worth holding, kept for the run
    bool unavailable = false;              // no off-screen picture can be made here
    std::vector<DrawKey> shown;  // the draws the picture holds, bottom first; none once the frame's differ
    std::vector<DrawKey> lastBottom;  // the frame before's bottom draws, for this one to match
    const sf::RenderTarget* output = nullptr;  // the output both were drawn into, and how it was framed
    PictureFrame frame;
};

// Textures were (re)loaded in place: a held picture may show their old texels.
void forgetHeldStack();

// How many of this frame's bottom draws (`bottom`: from the lowest that shows, sprites up to the
// first caption; `pictures`: how many pictures' worth of pixels each can reach) come from the
// held picture, 0 for none; with `redraw` the picture must first be drawn anew from them.
std::size_t planHeldStack(HeldStack& held, const sf::RenderTarget& output, const PictureFrame& frame,
                          const std::vector<DrawKey>& bottom, const std::vector<float>& pictures, bool& redraw);
// The held picture cleared as the frame loop clears the output and framed as the output is, for
// drawing its stack into; null when no such picture can be made.
sf::RenderTarget* startHeldPicture(HeldStack& held, const sf::RenderTarget& output);
void finishHeldPicture(HeldStack& held);
// The held picture into the output, unblended, pixel for pixel; the output's view stays.
void copyHeldPicture(HeldStack& held, sf::RenderTarget& output, const PictureFrame& frame);
