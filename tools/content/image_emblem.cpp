// The hexagon motif: the pulse outline, the bubble, the emblem built ring by ring, the dark sigil
// of the flash and the honeycomb wall with its opening.
#include "image_art.h"
#include "image_canvas.h"

namespace {

const float pi = 3.14159265f;
const float sixth = pi / 3.0f;

Vec2 fromCentre(float x, float y, Vec2 centre) { return Vec2{x + 0.5f, y + 0.5f} - centre; }

// Angle folded into one sixth of the circle, centred on 0: the six-fold symmetry of the emblem.
float foldedAngle(Vec2 p, float offset)
{
    float angle = std::atan2(p.y, p.x) - offset;
    angle -= sixth * std::floor(angle / sixth + 0.5f);
    return angle;
}

// A thin bright line: crisp core, a close glow in its own colour and a wider violet one, both
// cut off short so the rings stay apart; kept below white, the glow stays violet.
void lineLight(Pixel& p, float distance, float halfWidth, Colour core, Colour halo, float strength)
{
    const float d = distance - halfWidth;
    addLight(p, core, strength * coverage(d));
    addLight(p, halo, strength * 0.8f * outerGlow(d, 3.2f) * (1.0f - smoothstep(5.0f, 7.5f, d)));
    addLight(p, palette::violet, strength * 0.5f * outerGlow(d, 6.0f) * (1.0f - smoothstep(7.0f, 10.0f, d)));
}

// Fades anything that would reach the square's border, so scaled-up layers show no edge.
float squareWindow(Vec2 p, float half)
{
    const float edge = std::max(std::fabs(p.x), std::fabs(p.y));
    return 1.0f - smoothstep(half - 20.0f, half - 2.0f, edge);
}

void ringCore(Pixel& p, Vec2 q)
{
    const float d = hexagonDistance(q, 46.0f);
    const float table = hexagonDistance(q, 17.0f);
    const float angle = std::atan2(q.y, q.x);
    const float sector = std::floor(angle / sixth);
    const float facetAngle = (sector + 0.5f) * sixth;
    // Facets lit from the upper left, like a cut crystal seen from above.
    const float shade = 0.5f + 0.5f * std::cos(facetAngle - (-2.3f));
    const float ridge = std::fabs(foldedAngle(q, 0.0f)) * length(q);
    const Colour body = mix(palette::violet, palette::coldWhite, shade * 0.8f + 0.1f);
    if (d < 1.0f) {
        const float inside = coverage(d);
        paintOver(p, body * (0.55f + 0.45f * shade), inside);
        addLight(p, palette::coldWhite, inside * 0.9f * coverage(ridge - 0.8f) * smoothstep(2.0f, 40.0f, length(q)));
        addLight(p, palette::coldWhite, inside * (0.8f * coverage(table) + 0.25f * glow(table, 6.0f)));
    }
    lineLight(p, std::fabs(d), 1.2f, palette::coldWhite, palette::ice, 1.1f);
    addLight(p, palette::ice, 0.45f * outerGlow(d, 4.5f));
    // The heart glows over the verses: a lilac bloom that ends before the next ring begins.
    const float bloom = std::exp(-std::max(d, 0.0f) / 9.0f) * (1.0f - smoothstep(54.0f, 64.0f, length(q)));
    addLight(p, mix(palette::violet, palette::lilac, 0.6f), 0.9f * bloom * (1.0f - coverage(d)));
    // Wider, the core is the light the rings are drawn around: a violet glow that reaches under
    // the satellites and the dial, far dimmer than their lines, and is gone before the blades.
    const float wide = std::exp(-std::max(d, 0.0f) / 70.0f) * (1.0f - smoothstep(150.0f, 212.0f, length(q)));
    addLight(p, palette::violet, 0.9f * wide * (1.0f - coverage(d)));
}

void ringSatellites(Pixel& p, Vec2 q)
{
    const float radius = 90.0f;
    const float folded = foldedAngle(q, sixth * 0.5f);
    const float r = length(q);
    const Vec2 local = rotated(Vec2{r * std::cos(folded) - radius, r * std::sin(folded)}, sixth * 0.5f);
    const float hexagon = hexagonDistance(local, 11.0f);
    addLight(p, palette::ice, 0.35f * coverage(hexagon));
    lineLight(p, std::fabs(hexagon), 1.0f, palette::coldWhite, palette::ice, 1.0f);
    addLight(p, palette::coldWhite, 0.9f * coverage(hexagonDistance(local, 3.5f)));
    // The connecting circle breaks around each satellite.
    const float arc = std::fabs(r - radius);
    const float clear = smoothstep(15.0f, 20.0f, length(local));
    lineLight(p, arc, 0.6f, palette::ice, palette::violet, 0.8f * clear);
    const float dotAngle = foldedAngle(q, 0.0f);
    const Vec2 dotPos{r * std::cos(dotAngle) - radius, r * std::sin(dotAngle)};
    lineLight(p, length(dotPos), 2.2f, palette::coldWhite, palette::ice, 1.0f);
}

void ringDial(Pixel& p, Vec2 q)
{
    const float r = length(q);
    lineLight(p, std::fabs(r - 126.0f), 0.8f, palette::ice, palette::violet, 0.9f);
    lineLight(p, std::fabs(r - 156.0f), 1.1f, palette::coldWhite, palette::violet, 1.0f);
    const float step = 2.0f * pi / 60.0f;
    const float angle = std::atan2(q.y, q.x);
    const float index = std::floor(angle / step + 0.5f);
    const float across = std::fabs(angle - index * step) * r;
    const bool major = static_cast<int>(index + 60.0f) % 5 == 0;
    const bool jewel = static_cast<int>(index + 60.0f) % 10 == 0;
    if (jewel) {
        const Vec2 local = rotated(q, -index * step) - Vec2{141.0f, 0.0f};
        const float diamond = (std::fabs(local.x) / 9.0f + std::fabs(local.y) / 5.0f - 1.0f) * 5.0f;
        addLight(p, palette::coldWhite, 1.2f * coverage(diamond));
        addLight(p, palette::ice, 0.6f * outerGlow(diamond, 3.5f));
        return;
    }
    const float inner = major ? 132.0f : 137.0f;
    const float outer = major ? 150.0f : 145.0f;
    const float radial = std::max(inner - r, r - outer);
    const float tick = std::max(across - (major ? 0.9f : 0.55f), radial);
    addLight(p, major ? palette::coldWhite : palette::ice, (major ? 1.0f : 0.7f) * coverage(tick));
    addLight(p, palette::violet, 0.35f * outerGlow(tick, 2.5f));
}

void ringBlades(Pixel& p, Vec2 q)
{
    const float step = 2.0f * pi / 12.0f;
    const float angle = std::atan2(q.y, q.x) - step * 0.5f;
    const float index = std::floor(angle / step + 0.5f);
    const Vec2 local = rotated(q, -(index * step + step * 0.5f));
    // A kite: pointed at both ends, widest a third of the way out.
    const float along = (local.x - 180.0f) / 25.0f;
    const float halfWidth = along < 0.3f ? 7.0f * along / 0.3f : 7.0f * (1.0f - along) / 0.7f;
    const float blade = std::max(std::fabs(local.y) - std::max(halfWidth, 0.0f), std::max(180.0f - local.x, local.x - 205.0f));
    const bool filled = static_cast<int>(index + 12.0f) % 2 == 0;
    const Colour fill = mix(palette::violet, palette::lilac, clamp01(along));
    if (filled)
        addLight(p, fill, 1.1f * coverage(blade));
    lineLight(p, std::fabs(blade), 0.7f, palette::coldWhite, palette::violet, filled ? 0.8f : 1.0f);
    const float r = length(q);
    const float clear = smoothstep(3.0f, 7.0f, blade);
    lineLight(p, std::fabs(r - 192.0f), 0.5f, palette::lilac, palette::violet, 0.55f * clear);
}

// Short marks that read like an unknown script, the same shapes on every run.
void ringRunes(Pixel& p, Vec2 q)
{
    const float r = length(q);
    const float angle = std::atan2(q.y, q.x);
    const float gap = std::fabs(foldedAngle(q, sixth * 0.5f)) * r;
    const float breaks = smoothstep(16.0f, 20.0f, gap);
    lineLight(p, std::fabs(r - 230.0f), 0.6f, palette::ice, palette::violet, 0.8f * breaks);
    lineLight(p, std::fabs(r - 256.0f), 1.0f, palette::coldWhite, palette::violet, 0.9f * breaks);
    const float step = 2.0f * pi / 48.0f;
    const float index = std::floor(angle / step + 0.5f);
    const int slot = static_cast<int>(index + 48.0f) % 48;
    const Vec2 local = rotated(q, -index * step) - Vec2{243.0f, 0.0f};
    if (slot % 8 == 4) {
        Rng rng{static_cast<uint64_t>(slot) * 7919U + 3U};
        float nearest = 1e9f;
        for (int stroke = 0; stroke < 3; ++stroke) {
            const Vec2 a{uniform(rng, -6.0f, 6.0f), uniform(rng, -8.0f, 8.0f)};
            const Vec2 b{uniform(rng, -6.0f, 6.0f), uniform(rng, -8.0f, 8.0f)};
            nearest = std::min(nearest, segmentDistance(Vec2{local.y, local.x}, a, b));
        }
        lineLight(p, nearest, 1.0f, palette::coldWhite, palette::ice, 1.1f);
    } else {
        const float dotRadius = slot % 2 == 0 ? 2.2f : 1.3f;
        lineLight(p, length(local), dotRadius, palette::ice, palette::violet, 0.9f);
    }
}

void ringFrame(Pixel& p, Vec2 q)
{
    const float outer = hexagonDistance(q, 292.0f);
    const float inner = hexagonDistance(q, 282.0f);
    lineLight(p, std::fabs(inner), 2.0f, palette::coldWhite, palette::ice, 1.1f);
    lineLight(p, std::fabs(outer), 0.8f, palette::ice, palette::violet, 0.9f);
    addLight(p, palette::violet, 0.3f * clamp01(1.0f - std::fabs(outer + inner) * 0.5f / 6.0f));
    // Ornaments at the six corners: a diamond and a short ray pointing outwards.
    const float folded = foldedAngle(q, 0.0f);
    const float r = length(q);
    const Vec2 local{r * std::cos(folded), r * std::sin(folded)};
    const Vec2 jewel = local - Vec2{339.0f, 0.0f};
    const float diamond = (std::fabs(jewel.x) / 8.0f + std::fabs(jewel.y) / 5.0f - 1.0f) * 5.0f;
    addLight(p, palette::coldWhite, 1.2f * coverage(diamond));
    addLight(p, palette::ice, 0.5f * outerGlow(diamond, 3.0f));
    const Vec2 notch = local - Vec2{311.0f, 0.0f};
    const float tickMark = std::max(std::fabs(notch.y) - 0.8f, std::fabs(notch.x) - 9.0f);
    addLight(p, palette::ice, 0.9f * coverage(tickMark));
}

// Where a point lies in a pointy-top honeycomb of tiles cell pixels apart: its tile's centre and
// the point's offset from it, both in cells, and the pixels to the tile's border.
struct HoneycombCell {
    Vec2 centre;
    Vec2 offset;
    float edge = 0.0f;
};

HoneycombCell honeycombCell(Vec2 q, float cell)
{
    // The nearest centre of two offset rectangular lattices.
    const Vec2 u = q * (1.0f / cell);
    const float sy = 1.7320508f;
    const Vec2 c1{std::floor(u.x) + 0.5f, (std::floor(u.y / sy) + 0.5f) * sy};
    const Vec2 c2{std::floor(u.x - 0.5f) + 1.0f, (std::floor((u.y - sy * 0.5f) / sy) + 1.0f) * sy};
    const Vec2 h1 = u - c1;
    const Vec2 h2 = u - c2;
    const bool first = dot(h1, h1) < dot(h2, h2);
    const Vec2 h = first ? h1 : h2;
    const float norm = std::max(std::fabs(h.x), std::fabs(h.x) * 0.5f + std::fabs(h.y) * 0.8660254f);
    return {first ? c1 : c2, h, (0.5f - norm) * cell};
}

// The glass in the wall's window: clear at its heart, darkening to violet towards the frame, with
// faint slanting reflections. Seen through it, the light and the veil behind read as one room.
void paintWindowPane(Pixel& p, Vec2 q, float insideFrame)
{
    // The shade follows a rounded hexagon: the exact distance creases towards the corners, and the
    // creases showed as faint spokes in the light.
    const float ex = std::pow(std::fabs(0.8660254f * q.x + 0.5f * q.y), 8.0f);
    const float ey = std::pow(std::fabs(0.8660254f * q.x - 0.5f * q.y), 8.0f);
    const float ez = std::pow(std::fabs(q.y), 8.0f);
    const float rounded = std::pow(ex + ey + ez, 0.125f);
    const float shade = 0.06f + 0.5f * (1.0f - smoothstep(0.0f, 130.0f, 196.0f - rounded));
    paintOver(p, Colour{0.16f, 0.09f, 0.36f}, shade);
    const Vec2 across = rotated(q, 0.55f);
    const float streaks = glow(std::fabs(across.x + 70.0f) - 18.0f, 14.0f) + 0.6f * glow(std::fabs(across.x - 95.0f) - 6.0f, 8.0f);
    addLight(p, palette::coldWhite, 0.13f * streaks * smoothstep(0.0f, 40.0f, insideFrame));
}

}  // namespace

sf::Image makePulseHexagon()
{
    Canvas canvas = makeCanvas(720, 720);
    const Vec2 centre{360.0f, 360.0f};
    shadeCanvas(canvas, [&](float x, float y, Pixel& p) {
        const Vec2 q = fromCentre(x, y, centre);
        const float d = hexagonDistance(q, 270.0f);
        const float line = std::fabs(d) - 2.5f;
        const float window = squareWindow(q, 360.0f);
        // A wave front: crisp ahead of the line, its light trailing behind it. Up to fourteen pulses
        // overlap, and every texel the glows reach is filled for each of them.
        const float reach = 1.0f - (d > 0.0f ? smoothstep(6.0f, 11.0f, line) : smoothstep(14.4f, 19.2f, line));
        // Lavender light kept below white: as a pulse fades, its line dims to violet, not grey.
        addLight(p, palette::lavender, 1.05f * coverage(line) * window);
        addLight(p, palette::lilac, 0.7f * outerGlow(line, 5.0f) * reach * window);
        addLight(p, palette::violet, 0.55f * outerGlow(line, 8.0f) * reach * window);
        addLight(p, palette::violet, 0.07f * smoothstep(-20.0f, 0.0f, d) * coverage(d));
    });
    // Kept exact: compressed towards white, the core would fade through grey again.
    return finishCanvas(canvas, false, 11, false);
}

sf::Image makeBubbleHexagon()
{
    Canvas canvas = makeCanvas(256, 256);
    const Vec2 centre{128.0f, 128.0f};
    const Colour magenta{0.82f, 0.38f, 1.0f};
    shadeCanvas(canvas, [&](float x, float y, Pixel& p) {
        const Vec2 q = fromCentre(x, y, centre);
        const float d = hexagonDistance(rotated(q, pi / 6.0f), 104.0f);
        const float inside = coverage(d);
        // Glass: clear in the middle, thickening towards a bright, saturated rim lit from within.
        const float shell = 0.16f + 0.5f * std::pow(smoothstep(-60.0f, 0.0f, d), 2.0f);
        const Colour tint = mix(palette::violet, palette::lilac, clamp01((q.x + q.y) / 220.0f + 0.5f));
        paintOver(p, tint, inside * shell);
        addLight(p, mix(palette::violet, magenta, 0.5f), 0.5f * inside * std::pow(smoothstep(-30.0f, 0.0f, d), 3.0f));
        // The glass holds light of its own, brightest low where light gathers in a drop.
        addLight(p, palette::lilac, inside * (0.14f + 0.16f * clamp01(q.y / 104.0f + 0.5f)));
        const float rimLine = std::fabs(d + 3.0f) - 2.0f;
        addLight(p, mix(magenta, palette::coldWhite, 0.35f), 1.5f * coverage(rimLine));
        addLight(p, magenta, 0.8f * outerGlow(rimLine, 3.5f));
        addLight(p, palette::ice, 0.45f * inside * coverage(std::fabs(d + 12.0f) - 0.8f));
        // A window's reflection high on the left, a warm one low on the right.
        const Vec2 spot = rotated(q - Vec2{-36.0f, -46.0f}, 0.6f);
        addLight(p, palette::coldWhite, 1.3f * inside * std::exp(-(spot.x * spot.x / (2.0f * 24.0f * 24.0f) + spot.y * spot.y / (2.0f * 8.0f * 8.0f))));
        const Vec2 low = rotated(q - Vec2{44.0f, 52.0f}, 0.6f);
        addLight(p, palette::paleGold, 0.6f * inside * std::exp(-(low.x * low.x / (2.0f * 18.0f * 18.0f) + low.y * low.y / (2.0f * 5.0f * 5.0f))));
    });
    addGlint(canvas, centre + Vec2{-52.0f, -58.0f}, 1.6f, 14.0f, palette::coldWhite, 1.2f, 2, pi / 4.0f);
    return finishCanvas(canvas, false, 12);
}

sf::Image makeEmblemRing(int ring)
{
    Canvas canvas = makeCanvas(720, 720);
    const Vec2 centre{360.0f, 360.0f};
    shadeCanvas(canvas, [&](float x, float y, Pixel& p) {
        const Vec2 q = fromCentre(x, y, centre);
        switch (ring) {
        case 1: ringCore(p, q); break;
        case 2: ringSatellites(p, q); break;
        case 3: ringDial(p, q); break;
        case 4: ringBlades(p, q); break;
        case 5: ringRunes(p, q); break;
        default: ringFrame(p, q); break;
        }
        // The emblem glows over the verses: its light is kept well above the night around it.
        const float window = squareWindow(q, 360.0f) * 1.6f;
        p = {p.r * window, p.g * window, p.b * window, std::min(1.0f, p.a * window)};
    });
    return finishCanvas(canvas, false, 20 + static_cast<uint32_t>(ring));
}

namespace {

// The sign's ink: a heavy hexagon frame, a turned inner hexagon, a circle, a core with a groove,
// six spokes ending in small hexagons and a bar and a bead beyond each corner. Negative inside.
float sigilInk(Vec2 q)
{
    const float r = length(q);
    float ink = std::fabs(hexagonDistance(q, 252.0f)) - 10.0f;
    ink = std::min(ink, std::fabs(hexagonDistance(rotated(q, pi / 6.0f), 214.0f)) - 2.5f);
    ink = std::min(ink, std::fabs(r - 150.0f) - 3.0f);
    const float core = hexagonDistance(q, 72.0f);
    ink = std::min(ink, std::max(core, -(std::fabs(hexagonDistance(q, 50.0f)) - 2.5f)));
    const float spokeAngle = foldedAngle(q, sixth * 0.5f);
    const Vec2 spoke{r * std::cos(spokeAngle), r * std::sin(spokeAngle)};
    ink = std::min(ink, std::max(std::fabs(spoke.y) - 2.5f, std::max(80.0f - spoke.x, spoke.x - 150.0f)));
    ink = std::min(ink, hexagonDistance(rotated(spoke - Vec2{150.0f, 0.0f}, pi / 6.0f), 11.0f));
    const float cornerAngle = foldedAngle(q, 0.0f);
    const Vec2 corner{r * std::cos(cornerAngle), r * std::sin(cornerAngle)};
    ink = std::min(ink, boxDistance(corner - Vec2{326.0f, 0.0f}, {22.0f, 4.0f}, 3.0f));
    return std::min(ink, circleDistance(corner - Vec2{362.0f, 0.0f}, 6.0f));
}

}  // namespace

sf::Image makeFlashSigil()
{
    Canvas canvas = makeCanvas(1280, 720);
    const Vec2 centre{640.0f, 360.0f};
    const float bevel = 11.0f;  // how far in from an edge the glass is rounded
    const Vec2 toLight{-0.62f, -0.78f};  // from the upper left
    const Colour rose{1.0f, 0.5f, 0.78f};
    const Colour deepGlass{0.1f, 0.03f, 0.3f};
    shadeCanvas(canvas, [&](float x, float y, Pixel& p) {
        const Vec2 q = fromCentre(x, y, centre);
        const float ink = sigilInk(q);
        if (ink > 24.0f)
            return;
        // The glass stands up from the light as a rounded slab: its slope, from the ink's
        // gradient, says which way each edge faces.
        const float step = 0.75f;
        const Vec2 gradient{sigilInk(q + Vec2{step, 0.0f}) - sigilInk(q - Vec2{step, 0.0f}),
                            sigilInk(q + Vec2{0.0f, step}) - sigilInk(q - Vec2{0.0f, step})};
        const Vec2 outward = gradient * (1.0f / std::max(length(gradient), 1e-4f));
        const float slope = 1.0f - smoothstep(0.0f, bevel, -ink);
        const float facing = dot(outward, toLight) * slope;
        const float inside = coverage(ink);
        // A dark violet shadow hugs the sign, fading out well within its old haze.
        paintOver(p, palette::violet * 0.45f, 0.88f * shortGlow(ink, 9.0f) * (1.0f - inside));
        // Deep glass, lighter where it faces the light; a hot core burns in its middle.
        const float depth = smoothstep(0.0f, 16.0f, -ink);
        Colour glass = mix(palette::violet * 0.8f, deepGlass, depth);
        paintOver(p, glass, inside);
        const float r = length(q);
        const float heart = std::exp(-r * r / (2.0f * 34.0f * 34.0f));
        addLight(p, mix(rose, palette::coldWhite, heart), inside * (1.3f * heart + 0.35f * std::exp(-r / 60.0f)));
        // Lit faces: rose where the bevel turns to the light, ice where it turns from it.
        paintOver(p, rose * (0.75f + 0.3f * facing), inside * clamp01(2.2f * facing));
        paintOver(p, palette::ice * (0.95f + 0.3f * facing), inside * clamp01(-2.2f * facing));
        // The glass's sharp outer edge, and a specular glint along the lit side.
        const float edgeLine = std::fabs(ink + 1.2f) - 0.7f;
        addLight(p, mix(rose, palette::coldWhite, 0.5f), 0.8f * coverage(edgeLine) * clamp01(0.4f + facing));
    });
    // Specular points where the light catches the frame's corners and the core.
    for (int i = 0; i < 6; ++i) {
        const float a = pi / 3.0f * static_cast<float>(i) + pi / 6.0f;
        const Vec2 cornerPoint = centre + Vec2{std::cos(a), std::sin(a)} * (262.0f / std::cos(pi / 6.0f));
        const float lit = clamp01(0.3f + 0.7f * dot(Vec2{std::cos(a), std::sin(a)}, toLight));
        addGlint(canvas, cornerPoint, 2.5f, 24.0f + 30.0f * lit, palette::coldWhite, 0.4f + 0.9f * lit, 2, pi / 4.0f);
    }
    addGlint(canvas, centre + Vec2{-22.0f, -26.0f}, 3.0f, 60.0f, palette::coldWhite, 1.2f, 2, 0.0f);
    return finishCanvas(canvas, false, 13);
}

sf::Image makeWhite()
{
    Canvas canvas = makeCanvas(1280, 720);
    const Vec2 centre{640.0f, 360.0f};
    // Nearly white at its heart, yet never neutral: every fade of this light over black darkens
    // through violet. Paler towards the rim, where the honeycomb shows through the glare.
    const Colour heart{0.94f, 0.915f, 1.0f};
    const Colour rim{0.885f, 0.87f, 1.0f};
    shadeCanvas(canvas, [&](float x, float y, Pixel& p) {
        const Vec2 q = fromCentre(x, y, centre);
        const float reach = length(Vec2{q.x, q.y * 1.4f}) / 800.0f;
        Colour light = mix(heart, rim, std::pow(clamp01(reach), 2.4f));
        const float seam = coverage(std::fabs(honeycombCell(q, 88.0f).edge) - 0.9f);
        light = mix(light, palette::lilac, seam * (0.06f + 0.22f * smoothstep(0.15f, 0.9f, reach)));
        paintOver(p, light, 1.0f);
    });
    return finishCanvas(canvas, true, 15, false);
}

sf::Image makeWall()
{
    Canvas canvas = makeCanvas(1280, 720);
    const Vec2 centre{640.0f, 360.0f};
    const float cell = 66.0f;  // distance between neighbouring tile centres
    shadeCanvas(canvas, [&](float x, float y, Pixel& p) {
        const Vec2 q = fromCentre(x, y, centre);
        const float opening = hexagonDistance(q, 196.0f);
        if (opening < 0.0f)
            paintWindowPane(p, q, -opening);
        if (opening < -1.0f)
            return;
        const HoneycombCell tile = honeycombCell(q, cell);
        const Vec2 h = tile.offset;
        const Vec2 id = tile.centre;
        const float edge = tile.edge;
        const float tileShade = hash2(static_cast<int>(std::floor(id.x * 2.0f)), static_cast<int>(std::floor(id.y * 2.0f)), 77U);
        const float grain = fbm(x * 0.05f, y * 0.05f, 4, 91U);
        Colour stone = mix(Colour{0.07f, 0.045f, 0.17f}, Colour{0.16f, 0.1f, 0.34f}, 0.35f * tileShade + 0.5f * grain);
        // Bevels catch the cold light coming through the opening.
        const Vec2 toLight = q * (-1.0f / std::max(length(q), 1.0f));
        const Vec2 outward = h * (1.0f / std::max(length(h), 1e-4f));
        const float facing = dot(outward, toLight);
        const float bevel = 1.0f - smoothstep(0.0f, 7.0f, edge);
        const float lightFall = std::exp(-std::max(opening, 0.0f) / 260.0f);
        stone = stone + palette::ice * (bevel * std::max(facing, 0.0f) * 0.22f * lightFall);
        stone = stone * (1.0f - bevel * std::max(-facing, 0.0f) * 0.45f);
        stone = stone * (0.35f + 0.65f * smoothstep(0.0f, 2.2f, edge));
        // A heavy frame around the opening, its inner lip lit.
        const float frame = opening - 26.0f;
        if (frame < 1.0f) {
            const float lip = smoothstep(10.0f, 0.0f, opening);
            const Colour metal = mix(Colour{0.09f, 0.08f, 0.2f}, Colour{0.3f, 0.34f, 0.55f}, lip);
            stone = mix(stone, metal, coverage(frame));
            stone = stone + palette::coldWhite * (0.55f * coverage(std::fabs(opening - 2.0f) - 1.2f));
            stone = stone + palette::ice * (0.25f * coverage(std::fabs(frame + 1.0f) - 0.8f));
        }
        const float vignette = 1.0f - 0.55f * smoothstep(300.0f, 820.0f, length(Vec2{q.x * 0.8f, q.y * 1.2f}));
        stone = stone * vignette;
        paintOver(p, stone, coverage(-opening));
    });
    return finishCanvas(canvas, false, 14);
}
