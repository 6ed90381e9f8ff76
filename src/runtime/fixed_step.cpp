#include "runtime/fixed_step.h"

#include <SFML/OpenGL.hpp>

#include <cstring>

namespace {

using Wide = unsigned __int128;

}  // namespace

std::uint64_t samplesAfter(std::uint64_t frames, const Rational& fps)
{
    return static_cast<std::uint64_t>(Wide(frames) * fixedStepSampleRate * fps.den / fps.num);
}

bool reached(std::uint64_t frame, const Rational& fps, const Rational& time)
{
    return Wide(frame) * fps.den * time.den >= Wide(time.num) * fps.num;
}

void readFrame(FrameImage& frame, unsigned width, unsigned height)
{
    frame.width = width;
    frame.height = height;
    const std::size_t rowBytes = std::size_t(frame.width) * 4;
    std::vector<std::uint8_t> bottomUp(rowBytes * frame.height);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, static_cast<GLsizei>(frame.width), static_cast<GLsizei>(frame.height), GL_RGBA,
                 GL_UNSIGNED_BYTE, bottomUp.data());
    frame.rgba.resize(bottomUp.size());
    for (unsigned y = 0; y < frame.height; ++y)
        std::memcpy(&frame.rgba[rowBytes * y], &bottomUp[rowBytes * (frame.height - 1 - y)], rowBytes);
    // Blending leaves partial alpha in the framebuffer; the screen shows it opaque.
    for (std::size_t i = 3; i < frame.rgba.size(); i += 4)
        frame.rgba[i] = 255;
}
