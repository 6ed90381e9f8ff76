// The scrolling night landscape: sky with moon and aurora, three ranges of mountains, the fast
// strip of crystal ground, the crystal foreground and the lens flares that flash over it.
#include "image_art.h"
#include "image_canvas.h"

namespace {

const float pi = 3.14159265f;
const Vec2 moon{1010.0f, 150.0f};
const float groundTop = 640.0f;  // every strip piece meets its neighbours on this flat line

// Where the scene lays each strip piece (its left edge, in strip pixels) and the stretch of the
// piece that shows: g3-d1 comes round again under the first 1004 pixels of g3-d1-1, which stay
// clear; g3-d1-3 covers the last 64 of g3-d1-2 and the first 20 of g3-d1's second round, so the
// pieces meet edge to edge at 1280, 2240, 3820 and 5100.
struct StripPiece {
    int width;
    float offset;
    float from;
    float to;
};
const StripPiece stripPieces[] = {
    {1280, 0.0f, 0.0f, 1280.0f}, {2048, 4096.0f, 1004.0f, 2048.0f}, {1024, 1280.0f, 0.0f, 960.0f}, {1600, 2240.0f, 0.0f, 1580.0f}};
// One crystal every stripPitch pixels along the whole strip, and g3-d1's second round starts a
// whole number of crystals (stripRound) after its first, so that both rounds are the same picture.
const float stripPitch = 47.75f;
const int stripRound = 80;

// Mountain crest: ridged noise for peaks, finer noise for rubble.
float ridgeHeight(float x, uint32_t seed)
{
    const float ridged = 1.0f - std::fabs(2.0f * fbm(x * 0.0032f, 3.7f, 4, seed) - 1.0f);
    return 0.6f * ridged * ridged + 0.3f * fbm(x * 0.013f, 9.1f, 3, seed + 3U) + 0.1f * fbm(x * 0.06f, 1.3f, 2, seed + 5U);
}

// A crystal: a box with a pointed top, standing on base and leaning by tilt radians.
struct Crystal {
    Vec2 base;
    float width;
    float height;
    float tilt;
};

float crystalDistance(Vec2 p, const Crystal& c)
{
    const Vec2 local = rotated(p - c.base, -c.tilt);
    const float tip = c.width * 0.9f;
    const float shoulder = -(c.height - tip);
    const float body = boxDistance(local - Vec2{0.0f, shoulder * 0.5f + 40.0f}, {c.width * 0.5f, -shoulder * 0.5f + 40.0f}, 0.0f);
    // The point reaches well into the body, so their union has no seam for the rim to catch.
    const float base = shoulder + 6.0f;
    const float baseHalf = c.width * 0.5f * (base + c.height) / (shoulder + 0.5f + c.height);
    const float point = triangleDistance(local, {-baseHalf, base}, {baseHalf, base}, {0.0f, -c.height});
    return std::min(body, point);
}

// Dark crystal with a lit edge towards the moon and a faint cold vein inside.
void paintCrystal(Canvas& canvas, const Crystal& c, Colour body, float rimStrength, float veinStrength)
{
    const float reach = c.height + c.width + 50.0f;
    const Vec2 toMoon = Vec2{0.6f, -0.8f};
    shadeRect(canvas, static_cast<int>(c.base.x - reach), static_cast<int>(c.base.y - reach),
              static_cast<int>(c.base.x + reach), static_cast<int>(c.base.y + 60.0f), [&](float x, float y, Pixel& p) {
                  const Vec2 q{x + 0.5f, y + 0.5f};
                  const float d = crystalDistance(q, c);
                  if (d > 1.0f)
                      return;
                  const float gx = crystalDistance(q + Vec2{1.0f, 0.0f}, c) - crystalDistance(q - Vec2{1.0f, 0.0f}, c);
                  const float gy = crystalDistance(q + Vec2{0.0f, 1.0f}, c) - crystalDistance(q - Vec2{0.0f, 1.0f}, c);
                  const Vec2 normal = Vec2{gx, gy} * (1.0f / std::max(length(Vec2{gx, gy}), 1e-4f));
                  const Vec2 local = rotated(q - c.base, -c.tilt);
                  // The lit half meets the shaded one along the ridge, anti-aliased like any edge.
                  Colour colour = body * (0.8f + 0.7f * coverage(-local.x));
                  const float rim = (1.0f - smoothstep(0.0f, 2.5f, -d)) * std::max(dot(normal, toMoon), 0.0f);
                  colour = colour + palette::ice * (rimStrength * rim);
                  const float shoulder = std::fabs(local.y + c.height - c.width * 0.9f) - 0.5f;
                  colour = colour + palette::ice * (0.35f * rimStrength * coverage(shoulder));
                  const float ridge = std::fabs(local.x) - 0.6f;
                  colour = colour + palette::ice * (0.12f * rimStrength * coverage(ridge) * smoothstep(0.0f, 60.0f, -local.y));
                  const float vein = fbm(local.x * 0.05f, local.y * 0.012f, 3, 71U);
                  colour = colour + palette::violet * (veinStrength * smoothstep(0.62f, 0.8f, vein));
                  paintOver(p, colour, coverage(d));
              });
}

struct RangeStyle {
    int width;
    float left;       // where the scene places the layer at its start
    float base;       // lowest crest, pixels from the top
    float amplitude;  // crest rises this much at the highest peak
    Colour top;
    Colour mist;
    float rim;
    uint32_t seed;
};

RangeStyle rangeStyle(int depth)
{
    switch (depth) {
    case 4: return {1440, 125.0f, 505.0f, 150.0f, {0.13f, 0.1f, 0.27f}, {0.2f, 0.15f, 0.36f}, 0.28f, 701U};
    case 3: return {1664, 120.0f, 575.0f, 150.0f, {0.07f, 0.055f, 0.17f}, {0.14f, 0.1f, 0.27f}, 0.35f, 703U};
    default: return {2176, 100.0f, 630.0f, 120.0f, {0.035f, 0.03f, 0.09f}, {0.08f, 0.06f, 0.17f}, 0.45f, 707U};
    }
}

void paintGhost(Canvas& canvas, Vec2 centre, float apothem, Colour tint, float intensity)
{
    shadeRect(canvas, static_cast<int>(centre.x - apothem * 1.3f), static_cast<int>(centre.y - apothem * 1.3f),
              static_cast<int>(centre.x + apothem * 1.3f) + 1, static_cast<int>(centre.y + apothem * 1.3f) + 1,
              [&](float x, float y, Pixel& p) {
                  const float d = hexagonDistance(rotated(Vec2{x + 0.5f, y + 0.5f} - centre, 0.26f), apothem);
                  const float body = clamp01(0.5f - d / 2.0f);
                  addLight(p, tint, intensity * body * (0.6f + 0.8f * smoothstep(-apothem * 0.7f, 0.0f, d)));
              });
}

}  // namespace

sf::Image makeLandscapeSky()
{
    Canvas canvas = makeCanvas(1280, 720);
    shadeCanvas(canvas, [&](float x, float y, Pixel& p) {
        const float fy = y + 0.5f;
        const float horizon = smoothstep(80.0f, 500.0f, fy);
        Colour sky = mix(Colour{0.008f, 0.008f, 0.035f}, Colour{0.2f, 0.11f, 0.33f}, horizon * horizon);
        // The aurora: a curtain of fine vertical streaks along a slow wave.
        // The aurora: a curtain with a sharp lower hem, fading upwards in fine rays.
        const float wave = 270.0f + 55.0f * std::sin(x * 0.0042f + 0.8f) + 22.0f * std::sin(x * 0.0113f + 2.0f);
        const float above = wave - fy;
        const float hem = smoothstep(-16.0f, 2.0f, above) * std::exp(-std::max(above, 0.0f) / 50.0f);
        const float rays = 0.2f + 3.0f * std::pow(fbm(x * 0.12f, fy * 0.002f, 3, 711U), 2.5f);
        const float presence = smoothstep(0.45f, 0.7f, fbm(x * 0.003f, 2.0f, 3, 713U));
        const float curtain = hem * rays * presence;
        sky = sky + mix(palette::ice, palette::violet, clamp01(above / 140.0f)) * (0.38f * curtain);
        const Vec2 q = Vec2{x + 0.5f, fy} - moon;
        const float r = length(q);
        sky = sky + palette::ice * (0.2f * std::exp(-r / 90.0f)) + palette::violet * (0.1f * std::exp(-r / 260.0f));
        const float halo = std::fabs(hexagonDistance(rotated(q, 0.1f), 118.0f)) - 1.0f;
        sky = sky + palette::lilac * (0.12f * coverage(halo) + 0.05f * glow(halo, 7.0f));
        p = {sky.r, sky.g, sky.b, 1.0f};
    });
    Rng rng{7007U};
    addStars(canvas, rng, 2200, 0.0f, 0.0f, 1280.0f, 560.0f, 0.75f,
             [](float, float y) { return 1.0f - smoothstep(150.0f, 520.0f, y) * 0.85f; });
    shadeRect(canvas, 940, 80, 1080, 220, [&](float x, float y, Pixel& p) {
        const Vec2 q = Vec2{x + 0.5f, y + 0.5f} - moon;
        const float d = circleDistance(q, 30.0f);
        const float maria = fbm(x * 0.09f, y * 0.09f, 4, 717U);
        const Colour face = mix(palette::ice, palette::coldWhite, 0.6f + 0.4f * smoothstep(0.4f, 0.7f, maria));
        paintOver(p, face * (1.05f - 0.25f * smoothstep(0.45f, 0.7f, maria)), coverage(d));
    });
    return finishCanvas(canvas, true, 61);
}

sf::Image makeParallaxRange(int depth)
{
    const RangeStyle style = rangeStyle(depth);
    Canvas canvas = makeCanvas(style.width, 720);
    if (depth == 2) {
        // Spires behind the ridge, on its high stretches only: they rise into the sky and leave
        // the band above the strip's ground to the ridge itself.
        Rng rng{style.seed};
        for (float x = 200.0f; x < style.width - 80.0f; x += uniform(rng, 140.0f, 320.0f)) {
            const float crest = style.base - style.amplitude * ridgeHeight(x, style.seed);
            const Crystal spire{{x, crest + 20.0f}, uniform(rng, 14.0f, 30.0f), uniform(rng, 80.0f, 170.0f), uniform(rng, -0.25f, 0.25f)};
            if (crest < 540.0f)
                paintCrystal(canvas, spire, style.top, 0.5f, 0.05f);
        }
    }
    shadeCanvas(canvas, [&](float x, float y, Pixel& p) {
        const float fx = x + 0.5f;
        const float fy = y + 0.5f;
        const float crest = style.base - style.amplitude * ridgeHeight(fx, style.seed);
        const float d = crest - fy;
        if (d > 1.0f)
            return;
        const float slope = ridgeHeight(fx + 2.0f, style.seed) - ridgeHeight(fx - 2.0f, style.seed);
        Colour rock = mix(style.top, style.mist, smoothstep(crest, 720.0f, fy) * 0.8f);
        // Slopes that face the moon catch a cold rim.
        const float rim = std::exp(-(fy - crest) / 3.0f) * clamp01(-slope * 60.0f + 0.2f);
        rock = rock + palette::ice * (style.rim * rim);
        rock = rock + palette::lilac * (0.04f * fbm(fx * 0.02f, fy * 0.02f, 3, style.seed + 9U));
        // The left end dissolves into mist, behind the foreground crystals.
        paintOver(p, rock, coverage(d) * smoothstep(0.0f, 60.0f, fx));
    });
    return finishCanvas(canvas, false, 70 + static_cast<uint32_t>(depth));
}

// The strip's crystal at `index`: leaning away from the moon, so that its lit rim crosses as many
// columns of the band above the ground as the pitch and the strip's lit edges lie evenly, and tall
// enough to cross that whole band. About every sixth carries a lamp, high above the band.
struct StripCrystal {
    Crystal shape;
    bool lamp;
};

StripCrystal stripCrystal(int index)
{
    const int round = ((index % stripRound) + stripRound) % stripRound;
    Rng rng{8000U + static_cast<uint64_t>(round)};
    const bool lamp = round % 6 == 3;
    const float height = lamp ? uniform(rng, 175.0f, 200.0f) : uniform(rng, 100.0f, 170.0f);
    const float x = (static_cast<float>(index) + 0.5f) * stripPitch + uniform(rng, -3.0f, 3.0f);
    return {{{x, groundTop + 6.0f}, uniform(rng, 14.0f, 22.0f), height, -uniform(rng, 0.32f, 0.42f)}, lamp};
}

sf::Image makeStripPiece(int piece)
{
    const StripPiece& layout = stripPieces[piece];
    Canvas canvas = makeCanvas(layout.width, 720);
    const Colour ground{0.012f, 0.012f, 0.035f};
    // The ground band depends on y alone, so pieces join without a seam wherever they meet.
    shadeCanvas(canvas, [&](float, float y, Pixel& p) {
        const float fy = y + 0.5f;
        const float d = groundTop - fy;
        if (d > 1.0f)
            return;
        Colour soil = ground + palette::indigo * (0.5f * std::exp(-(fy - groundTop) / 30.0f));
        soil = soil + palette::ice * (0.3f * std::exp(-(fy - groundTop) / 1.5f));
        paintOver(p, soil, coverage(d));
    });
    // Crystals are placed along the whole strip; the piece paints every one that reaches into it
    // (points and lamps lean out up to 150 pixels), so a crystal that crosses a join is whole.
    const int first = static_cast<int>(std::floor((layout.offset + layout.from - 160.0f) / stripPitch));
    const int last = static_cast<int>(std::ceil((layout.offset + layout.to + 160.0f) / stripPitch));
    for (int index = first; index <= last; ++index) {
        StripCrystal crystal = stripCrystal(index);
        Crystal& shape = crystal.shape;
        shape.base.x -= layout.offset;
        // The rim facing the moon, as bright on every crystal whatever its lean.
        const float facing = 0.6f * std::cos(shape.tilt) - 0.8f * std::sin(shape.tilt);
        paintCrystal(canvas, shape, ground, 0.6f / facing, 0.12f);
        if (crystal.lamp) {
            const Vec2 light = shape.base + rotated(Vec2{0.0f, -shape.height - 14.0f}, shape.tilt);
            shadeRect(canvas, static_cast<int>(light.x - 20), static_cast<int>(light.y - 20), static_cast<int>(light.x + 21),
                      static_cast<int>(light.y + 21), [&](float px, float py, Pixel& p) {
                          const float d = hexagonDistance(Vec2{px + 0.5f, py + 0.5f} - light, 8.0f);
                          paintOver(p, ground, coverage(d));
                          addLight(p, palette::coldWhite, 0.9f * coverage(std::fabs(d + 2.5f) - 1.0f));
                      });
            addGlowSpot(canvas, light, 16.0f, palette::ice, 0.35f);
            addGlowSpot(canvas, light, 3.0f, palette::coldWhite, 0.9f);
        }
    }
    // Outside its stretch the piece is clear: another piece shows there.
    shadeCanvas(canvas, [&](float x, float, Pixel& p) {
        if (x + 0.5f < layout.from || x + 0.5f > layout.to)
            p = Pixel{};
    });
    return finishCanvas(canvas, false, 80 + static_cast<uint32_t>(piece));
}

sf::Image makeLandscapeForeground()
{
    Canvas canvas = makeCanvas(1280, 720);
    const Colour body{0.014f, 0.013f, 0.038f};
    const Crystal crystals[] = {
        {{-30.0f, 740.0f}, 130.0f, 650.0f, 0.05f}, {{70.0f, 760.0f}, 150.0f, 560.0f, 0.14f},
        {{120.0f, 760.0f}, 150.0f, 430.0f, 0.08f}, {{190.0f, 740.0f}, 80.0f, 330.0f, 0.34f},
        {{10.0f, 740.0f}, 90.0f, 420.0f, -0.1f},   {{230.0f, 740.0f}, 50.0f, 160.0f, 0.5f},
        {{1290.0f, 740.0f}, 120.0f, 290.0f, -0.2f}, {{1215.0f, 740.0f}, 60.0f, 180.0f, -0.45f},
        {{1255.0f, 740.0f}, 70.0f, 230.0f, 0.08f},
    };
    for (const Crystal& crystal : crystals)
        paintCrystal(canvas, crystal, body, 0.8f, 0.18f);
    return finishCanvas(canvas, false, 90);
}

sf::Image makeFlare(int flare)
{
    const Vec2 sources[] = {{160.0f, 215.0f}, {420.0f, 165.0f}, {860.0f, 165.0f}, {1120.0f, 215.0f}};
    const Vec2 source = sources[flare - 1];
    const Vec2 centre{640.0f, 360.0f};
    Canvas canvas = makeCanvas(1280, 720);
    shadeCanvas(canvas, [&](float x, float y, Pixel& p) {
        const Vec2 q = Vec2{x + 0.5f, y + 0.5f} - source;
        addLight(p, palette::ice, 0.7f * std::exp(-q.y * q.y / 6.0f) * std::exp(-std::fabs(q.x) / 520.0f));
        const float ring = std::fabs(length(q) - 70.0f) - 1.0f;
        addLight(p, palette::lilac, 0.15f * coverage(ring) + 0.06f * glow(ring, 5.0f));
    });
    // A compact bloom: the four flares and the glint are up together over the whole landscape.
    addGlowSpot(canvas, source, 60.0f, palette::violet, 0.36f);
    addGlowSpot(canvas, source, 20.0f, palette::ice, 0.8f);
    addGlint(canvas, source, 5.0f, 190.0f, palette::coldWhite, 1.2f, 3, 0.2f * static_cast<float>(flare));
    const float steps[] = {0.45f, 0.8f, 1.2f, 1.5f, 1.85f, 2.3f};
    const float sizes[] = {12.0f, 30.0f, 20.0f, 58.0f, 36.0f, 88.0f};
    const Colour tints[] = {palette::coldWhite, palette::violet, palette::ice, palette::lilac, palette::ice, palette::violet};
    const float strengths[] = {0.3f, 0.13f, 0.22f, 0.09f, 0.15f, 0.07f};
    for (int i = 0; i < 6; ++i)
        paintGhost(canvas, source + (centre - source) * steps[i], sizes[i], tints[i], strengths[i]);
    fadeBorders(canvas, 24.0f);
    return finishCanvas(canvas, false, 90 + static_cast<uint32_t>(flare));
}

sf::Image makeLandscapeStar()
{
    Canvas canvas = makeCanvas(1280, 720);
    const Vec2 star{690.0f, 300.0f};
    shadeCanvas(canvas, [&](float x, float y, Pixel& p) {
        const Vec2 q = Vec2{x + 0.5f, y + 0.5f} - star;
        addLight(p, palette::ice, 0.8f * std::exp(-q.y * q.y / 5.0f) * std::exp(-std::fabs(q.x) / 600.0f));
        const float halo = std::fabs(hexagonDistance(q, 95.0f)) - 1.2f;
        addLight(p, palette::coldWhite, 0.3f * coverage(halo) + 0.12f * glow(halo, 6.0f));
        // The violet haze ends well inside the picture, so the rest of the window stays clear.
        const float r = length(q);
        addLight(p, palette::violet, 0.3f * std::exp(-r / 150.0f) * (1.0f - smoothstep(260.0f, 420.0f, r)));
    });
    addGlowSpot(canvas, star, 35.0f, palette::ice, 0.6f);
    addGlowSpot(canvas, star, 9.0f, palette::coldWhite, 1.6f);
    addGlint(canvas, star, 4.0f, 330.0f, palette::coldWhite, 1.1f, 3, pi / 2.0f);
    fadeBorders(canvas, 24.0f);
    return finishCanvas(canvas, false, 96);
}
