#include "runtime/fixed_step.h"

#include <SFML/Graphics/RenderWindow.hpp>
#include <SFML/OpenGL.hpp>

#include <chrono>
#include <cstring>

#include "audio/bass_offline.h"
#include "platform/process_times.h"
#include "runtime/state_rooms.h"
#include "runtime/picture_frame.h"

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

std::uint64_t firstFrameAt(const Rational& time, const Rational& fps)
{
    const Wide frameTimes = Wide(time.num) * fps.num;
    const Wide per = Wide(time.den) * fps.den;
    const auto frame = static_cast<std::uint64_t>((frameTimes + per - 1) / per);
    return frame > 0 ? frame : 1;
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

unsigned stepFrame(FixedStep& step, sf::RenderWindow& window, FrameDrawing draw, StepOutputs& outputs)
{
    ++step.frame;
    const std::uint64_t samples = samplesAfter(step.frame, step.fps) - samplesAfter(step.frame - 1, step.fps);
    std::int16_t* sound = nullptr;
    if (outputs.sound) {
        outputs.sound->resize(samples * 2);
        sound = outputs.sound->data();
    }
    bassRenderOffline(samples, sound);

    stateClock().frameDelta = static_cast<float>(double(step.fps.den) / double(step.fps.num));
    const auto drawStart = std::chrono::steady_clock::now();
    const double cpuStart = outputs.timed ? processCpuMs() : 0.0;
    const unsigned order = draw(window);
    if (outputs.timed) {
        glFinish();
        outputs.drawMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - drawStart).count();
        outputs.drawCpuMs = processCpuMs() - cpuStart;
    }
    if (outputs.picture) {
        sf::RenderTarget& output = outputOf(window);
        output.setActive(true);
        readFrame(*outputs.picture, output.getSize().x, output.getSize().y);
    }
    return order;
}

double stepSeconds(const FixedStep& step)
{
    return double(Wide(step.frame) * step.fps.den) / double(step.fps.num);
}
