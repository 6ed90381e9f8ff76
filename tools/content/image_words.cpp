// Words: the title card and the credits card, lettered with the caption font.
#include "image_art.h"
#include "image_canvas.h"
#include "image_text.h"

namespace {

// A short lit rule with a small hexagon at its middle, to sit between lines of text.
void addRule(Canvas& canvas, Vec2 centre, float halfLength)
{
    shadeRect(canvas, centre.x - halfLength - 20.0f, centre.y - 20.0f, centre.x + halfLength + 20.0f, centre.y + 20.0f, [&](float x, float y, Pixel& p) {
                  const Vec2 q = Vec2{x + 0.5f, y + 0.5f} - centre;
                  const float fade = 1.0f - smoothstep(halfLength * 0.3f, halfLength, std::fabs(q.x));
                  const float hexagon = std::fabs(hexagonDistance(q, 6.0f)) - 0.8f;
                  const float line = std::max(std::fabs(q.y) - 0.5f, 14.0f - std::fabs(q.x));
                  addLight(p, palette::ice, 0.8f * fade * coverage(line) + 0.25f * fade * glow(line, 3.0f));
                  addLight(p, palette::coldWhite, 0.9f * coverage(hexagon) + 0.3f * glow(hexagon, 3.0f));
              });
}

}  // namespace

sf::Image makeTitle(const std::string& fontPath)
{
    Canvas canvas = makeCanvas(1280, 720);
    const Vec2 centre{640.0f, 350.0f};
    shadeCanvas(canvas, [&](float x, float y, Pixel& p) {
        const Vec2 q = Vec2{x + 0.5f, y + 0.5f} - centre;
        const float frame = std::fabs(hexagonDistance(rotated(q, 3.14159265f / 6.0f), 236.0f)) - 1.0f;
        addLight(p, palette::lilac, 0.28f * coverage(frame) + 0.12f * glow(frame, 8.0f));
        addLight(p, palette::violet, 0.22f * std::exp(-dot(q, q) / (2.0f * 200.0f * 200.0f)));
    });
    const int margin = 60;
    const TextMask title = rasteriseText(fontPath, "Nereth//Val", 136, 2, margin);
    stampText(canvas, title, {640.0f, 318.0f}, palette::coldWhite, palette::violet, 26.0f, 1.3f);
    stampText(canvas, title, {640.0f, 318.0f}, palette::coldWhite, palette::ice, 5.0f, 0.8f);
    // A glint catching the top of the last letter.
    const float titleWidth = static_cast<float>(title.width) / title.density;
    const float titleHeight = static_cast<float>(title.height) / title.density;
    const Vec2 lastLetter{640.0f + titleWidth * 0.5f - margin - 3.0f, 318.0f - titleHeight * 0.5f + margin + 2.0f};
    addRule(canvas, {640.0f, 398.0f}, 230.0f);
    const TextMask group = rasteriseText(fontPath, "Vesmira Crew", 40, 9, 24);
    stampText(canvas, group, {640.0f, 446.0f}, Colour{0.74f, 0.8f, 1.0f}, palette::violet, 8.0f, 0.6f);
    addGlint(canvas, lastLetter, 2.2f, 60.0f, palette::coldWhite, 0.9f, 2, 0.0f);
    return finishCanvas(canvas, false, 1);
}

sf::Image makeCredits(const std::string& fontPath)
{
    Canvas canvas = makeCanvas(1280, 720);
    const Vec2 centre{640.0f, 360.0f};
    shadeCanvas(canvas, [&](float x, float y, Pixel& p) {
        const Vec2 q = Vec2{x + 0.5f, y + 0.5f} - centre;
        const float r = length(Vec2{q.x * 0.7f, q.y});
        Colour sky = mix(Colour{0.05f, 0.035f, 0.13f}, palette::night, smoothstep(0.0f, 520.0f, r));
        // A faint honeycomb that fades towards the edges.
        const float cell = 54.0f;
        const Vec2 u = q * (1.0f / cell);
        const float sy = 1.7320508f;
        const Vec2 a = u - Vec2{std::floor(u.x) + 0.5f, (std::floor(u.y / sy) + 0.5f) * sy};
        const Vec2 b = u - Vec2{std::floor(u.x - 0.5f) + 1.0f, (std::floor((u.y - sy * 0.5f) / sy) + 1.0f) * sy};
        const Vec2 h = dot(a, a) < dot(b, b) ? a : b;
        const float edge = (0.5f - std::max(std::fabs(h.x), std::fabs(h.x) * 0.5f + std::fabs(h.y) * 0.8660254f)) * cell;
        sky = sky + palette::violet * (0.09f * coverage(edge - 0.6f) * std::exp(-r / 380.0f));
        p = {sky.r, sky.g, sky.b, 1.0f};
    });
    Rng rng{9009U};
    addStars(canvas, rng, 700, 0.0f, 0.0f, 1280.0f, 720.0f, 0.5f, [](float x, float) { return std::fabs(x - 640.0f) / 640.0f; });
    const struct {
        const char* text;
        int size;
        int tracking;
        float y;
        Colour colour;
    } lines[] = {
        {"Nereth//Val", 84, 2, 205.0f, palette::coldWhite},
        {"a demo by", 28, 4, 300.0f, palette::ice},
        {"Vesmira Crew", 64, 4, 362.0f, palette::coldWhite},
        {"code, pictures and music", 28, 3, 470.0f, palette::lilac},
        {"made with our own tools, in our own night", 24, 2, 512.0f, palette::ice},
        {"thank you for watching", 26, 4, 620.0f, palette::coldWhite},
    };
    for (const auto& line : lines) {
        const TextMask mask = rasteriseText(fontPath, line.text, line.size, line.tracking, line.size / 2 + 20);
        stampText(canvas, mask, {640.0f, line.y}, line.colour, palette::violet, line.size * 0.18f, 0.7f);
    }
    addRule(canvas, {640.0f, 258.0f}, 170.0f);
    addRule(canvas, {640.0f, 570.0f}, 120.0f);
    return finishCanvas(canvas, true, 4);
}
