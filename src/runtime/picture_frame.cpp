#include "runtime/picture_frame.h"

#include <cstdint>

#include "runtime/draw_layer.h"

PictureFrame pictureFrame(sf::Vector2u outputSize)
{
    PictureFrame frame;
    frame.outputSize = outputSize;
    const std::uint64_t width = outputSize.x;
    const std::uint64_t height = outputSize.y;
    // The largest 16:9 rectangle, to the nearest pixel.
    if (width * designHeight >= height * designWidth)
        frame.pixels.width = int((height * designWidth + designHeight / 2) / designHeight), frame.pixels.height = int(height);
    else
        frame.pixels.width = int(width), frame.pixels.height = int((width * designHeight + designWidth / 2) / designWidth);
    frame.pixels.left = int(width - std::uint64_t(frame.pixels.width)) / 2;
    frame.pixels.top = int(height - std::uint64_t(frame.pixels.height)) / 2;
    frame.toPixels = sf::Transform().scale(float(frame.pixels.width) / float(designWidth),
                                           float(frame.pixels.height) / float(designHeight));
    return frame;
}

sf::View pictureView(const PictureFrame& frame)
{
    const sf::Vector2f size(float(frame.outputSize.x), float(frame.outputSize.y));
    sf::View view(sf::FloatRect(0.0f, 0.0f, float(designWidth), float(designHeight)));
    view.setViewport(sf::FloatRect(float(frame.pixels.left) / size.x, float(frame.pixels.top) / size.y,
                                   float(frame.pixels.width) / size.x, float(frame.pixels.height) / size.y));
    return view;
}

void framePicture(sf::RenderWindow& window)
{
    sf::RenderTarget& output = outputOf(window);
    PictureFrame& frame = stateDraw().frame;
    frame = pictureFrame(output.getSize());
    if (frame.pixels.width > 0 && frame.pixels.height > 0)
        output.setView(pictureView(frame));
}

float scaleOf(const PictureFrame& frame)
{
    return float(frame.pixels.height) / float(designHeight);
}

float pictureScale()
{
    return scaleOf(stateDraw().frame);
}

void setOffscreenOutput(sf::RenderTexture* texture)
{
    stateDraw().offscreen = texture;
}

sf::RenderTarget& outputOf(sf::RenderWindow& window)
{
    DrawLayer& layer = stateDraw();
    return layer.offscreen ? static_cast<sf::RenderTarget&>(*layer.offscreen) : window;
}

void clearOffscreenOutput()
{
    if (sf::RenderTexture* texture = stateDraw().offscreen)
        texture->clear(sf::Color(0, 0, 0, 255));
}
