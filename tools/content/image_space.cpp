// Space and light: the zooming glint layers, the gem, the planet and its three arrivals, the
// eclipse with its skull, the halo over the sparks, and the small sprites of the pools.
#include "image_art.h"
#include "image_canvas.h"

namespace {

const float pi = 3.14159265f;
const Vec2 windowCentre{640.0f, 360.0f};

Vec2 fromCentre(float x, float y, Vec2 centre) { return Vec2{x + 0.5f, y + 0.5f} - centre; }
float always(float, float) { return 1.0f; }

// Angular noise that wraps cleanly around the circle: rays and corona streamers.
float angularNoise(float angle, float detail, uint32_t seed)
{
    return fbm(std::cos(angle) * detail + 50.0f, std::sin(angle) * detail + 50.0f, 4, seed);
}

// Deep-space backdrop: dark edges, a violet heart, drifting nebula and stars.
void paintNebula(Canvas& canvas, Vec2 heart, float reach, uint32_t seed)
{
    shadeCanvas(canvas, [&](float x, float y, Pixel& p) {
        const Vec2 q = fromCentre(x, y, heart);
        const float r = length(q);
        Colour sky = mix(palette::night, palette::indigo, std::exp(-r / reach));
        const float warp = fbm(x * 0.003f, y * 0.003f, 3, seed);
        const float cloud = fbm(x * 0.0045f + warp * 2.5f, y * 0.0045f - warp * 1.5f, 5, seed + 7U);
        const float dense = smoothstep(0.42f, 0.8f, cloud);
        const float wisp = smoothstep(0.5f, 0.75f, fbm(x * 0.012f, y * 0.012f, 4, seed + 13U));
        sky = sky + mix(palette::violet, palette::ice, wisp) * (0.22f * dense * (0.4f + 0.6f * std::exp(-r / (reach * 1.5f))));
        sky = sky + palette::violet * (0.16f * std::exp(-r * r / (2.0f * reach * reach * 0.25f)));
        p = {sky.r, sky.g, sky.b, 1.0f};
    });
}

// A brilliant-cut gem seen from the side: crown, girdle and pavilion, each cut into facets.
void paintGem(Canvas& canvas)
{
    const float cx = 668.0f;
    const float tableY = 374.0f, girdleTop = 450.0f, girdleBottom = 462.0f, culetY = 580.0f;
    const float tableHalf = 122.0f, girdleHalf = 244.0f;
    shadeRect(canvas, 400, 350, 940, 600, [&](float x, float y, Pixel& p) {
        const float px = x + 0.5f - cx;
        const float py = y + 0.5f;
        float half = 0.0f, u = 0.0f, facetEdge = 1e9f, shade = 0.0f;
        // Light from the upper left: facets turned to it are bright and some flash white; a few
        // pavilion facets throw back the stone's fire in rose and gold.
        float sheen = 0.0f, fire = 0.0f;
        Colour fireColour = palette::paleGold;
        int facet = 0;
        Colour body;
        if (py < tableY - 1.0f || py > culetY + 1.0f)
            return;
        // Facet lines are measured across, not along the row: a slanted line measured along the
        // row comes out thin and stair-stepped.
        float slope = 0.0f;  // how fast the outline moves sideways per pixel down
        if (py < girdleTop) {
            const float t = (py - tableY) / (girdleTop - tableY);
            slope = (girdleHalf - tableHalf) / (girdleTop - tableY);
            half = tableHalf + (girdleHalf - tableHalf) * t;
            u = px / half;
            const float s = (u + 1.0f) * 4.0f;
            const float column = std::floor(s);
            const float within = s - column;
            const bool rising = static_cast<int>(column) % 2 == 0;
            const float diagonal = rising ? within - t : within - (1.0f - t);
            facet = static_cast<int>(column) * 2 + (diagonal > 0.0f ? 1 : 0);
            const float acrossColumn = std::sqrt(1.0f + u * slope * u * slope);
            const float sAlongY = -4.0f * u * slope / half;
            const float tAlongY = (rising ? 1.0f : -1.0f) / (girdleTop - tableY);
            const float diagonalGradient = std::sqrt(16.0f / (half * half) + (sAlongY - tAlongY) * (sAlongY - tAlongY));
            facetEdge = std::min(std::min(within, 1.0f - within) * half / 4.0f / acrossColumn, std::fabs(diagonal) / diagonalGradient);
            const float facing = clamp01(0.5f - 0.7f * ((column + 0.5f) / 4.0f - 1.0f) + (diagonal > 0.0f ? 0.15f : -0.15f));
            shade = 0.15f + 0.3f * hash2(facet, 1, 5U) + 0.55f * facing + 0.2f * (1.0f - t);
            body = mix(Colour{0.12f, 0.1f, 0.38f}, Colour{0.5f, 0.56f, 0.98f}, clamp01(shade * 0.8f));
            sheen = 0.55f * std::pow(facing, 3.0f) * hash2(facet, 4, 5U) * (1.0f - t);
            facetEdge = std::min(facetEdge, std::fabs(py - tableY));
        } else if (py < girdleBottom) {
            half = girdleHalf;
            u = px / half;
            body = palette::ice * 0.8f;
            facetEdge = std::min(std::fabs(py - girdleTop), std::fabs(py - girdleBottom));
            shade = 1.0f;
        } else {
            const float t = (py - girdleBottom) / (culetY - girdleBottom);
            slope = -girdleHalf / (culetY - girdleBottom);
            half = girdleHalf * (1.0f - t);
            u = px / std::max(half, 0.5f);
            const float s = (u + 1.0f) * 5.0f;
            const float column = std::floor(s);
            const float within = s - column;
            facet = 40 + static_cast<int>(column);
            facetEdge = std::min(within, 1.0f - within) * half / 5.0f / std::sqrt(1.0f + u * slope * u * slope);
            const float facing = clamp01(0.55f - 0.6f * ((column + 0.5f) / 5.0f - 1.0f));
            shade = 0.15f + 0.4f * hash2(facet, 2, 5U) + 0.3f * facing + 0.45f * t * t;
            body = mix(Colour{0.08f, 0.07f, 0.3f}, mix(palette::ice, palette::lilac, hash2(facet, 3, 5U)) * 0.85f, clamp01(shade));
            // A reflected streak down the middle of each facet.
            const float streak = std::pow(clamp01(1.0f - 2.0f * std::fabs(within - 0.5f)), 6.0f);
            sheen = 0.7f * streak * facing * hash2(facet, 4, 5U);
            fireColour = hash2(facet, 6, 5U) < 0.5f ? Colour{0.95f, 0.42f, 0.62f} : palette::paleGold;
            fire = hash2(facet, 5, 5U) > 0.6f ? 0.8f * std::pow(clamp01(1.0f - 2.0f * std::fabs(within - 0.3f)), 3.0f) * (1.0f - t) : 0.0f;
        }
        const float outside = (std::fabs(px) - half) / std::sqrt(1.0f + slope * slope);
        if (outside > 1.0f)
            return;
        const float inside = coverage(outside);
        paintOver(p, body * (0.5f + 0.55f * shade), inside);
        addLight(p, palette::coldWhite, inside * sheen);
        addLight(p, fireColour, inside * fire);
        addLight(p, palette::ice, inside * 0.5f * coverage(facetEdge - 0.7f));
        addLight(p, palette::coldWhite, 0.75f * coverage(std::fabs(outside) - 0.9f));
    });
}

// A moon lit from the lower right: dark seas, and craters whose far walls and near rims catch the
// light while their floors lie in shadow.
void paintCrescent(Canvas& canvas, Vec2 centre, float radius)
{
    struct Crater {
        Vec2 at;
        float radius;
    };
    Crater craters[24];
    Rng rng{3131U};
    for (Crater& crater : craters) {
        // Most of them on the lit side, where they show.
        const float reach = uniform(rng, 0.35f, 0.92f) * radius;
        const float angle = 0.4f + uniform(rng, -1.6f, 1.6f);
        crater = {Vec2{reach * std::cos(angle), reach * std::sin(angle)}, uniform(rng, 0.04f, 0.13f) * radius};
    }
    const Vec2 light{0.92f, 0.39f};
    shadeRect(canvas, static_cast<int>(centre.x - 3 * radius), static_cast<int>(centre.y - 3 * radius),
              static_cast<int>(centre.x + 3 * radius), static_cast<int>(centre.y + 3 * radius),
              [&](float x, float y, Pixel& p) {
                  const Vec2 q = fromCentre(x, y, centre);
                  const float disc = circleDistance(q, radius);
                  const float shadow = circleDistance(q - Vec2{-radius * 0.42f, -radius * 0.18f}, radius * 0.96f);
                  const float lit = clamp01(shadow / 6.0f + 0.5f) * coverage(disc);
                  const float seas = smoothstep(0.48f, 0.62f, fbm(x * 0.035f, y * 0.035f, 3, 37U));
                  float albedo = (1.0f - 0.5f * seas) * (0.85f + 0.3f * fbm(x * 0.2f, y * 0.2f, 3, 31U));
                  float rims = 0.0f;
                  for (const Crater& crater : craters) {
                      const Vec2 offset = q - crater.at;
                      const float distance = length(offset) / crater.radius;
                      if (distance > 1.4f)
                          continue;
                      const float towardLight = dot(offset, light) / std::max(length(offset), 0.01f);
                      const float wall = smoothstep(0.5f, 1.0f, distance) * (1.0f - coverage((distance - 1.0f) * crater.radius));
                      // Inside: the floor in shade, the wall across from the light lit.
                      albedo *= 1.0f - coverage((distance - 1.0f) * crater.radius) * (0.3f + 0.55f * towardLight * wall);
                      rims += std::max(towardLight, 0.0f) * glow(std::fabs(distance - 1.05f) * crater.radius - 0.6f, 0.8f);
                  }
                  addLight(p, palette::ice, 0.3f * outerGlow(disc, radius * 0.45f));
                  paintOver(p, Colour{0.03f, 0.03f, 0.08f} + palette::lilac * (0.05f + 0.03f * albedo), coverage(disc));
                  const Colour surface = mix(mix(palette::ice, palette::lilac, seas) * 0.9f, palette::coldWhite, clamp01(albedo - 0.4f));
                  addLight(p, surface, lit * (0.9f * albedo + 0.5f * rims));
              });
}

// The fine rays streaming out of the centre, as light, faded towards the borders.
Colour fineRays(float x, float y)
{
    const Vec2 q = fromCentre(x, y, windowCentre);
    const float r = length(q);
    const float angle = std::atan2(q.y, q.x);
    const float rays = std::pow(angularNoise(angle, 40.0f, 201U), 5.0f) * 6.0f;
    const float broad = std::pow(angularNoise(angle, 6.0f, 203U), 3.0f) * 2.0f;
    const float fall = smoothstep(10.0f, 140.0f, r) * std::exp(-r / 330.0f);
    return mix(palette::ice, palette::violet, smoothstep(60.0f, 500.0f, r)) *
           ((rays * 0.5f + broad * 0.25f) * fall * 0.55f * borderFade(1280, 720, x, y, 40.0f));
}

// A thin hexagon outline in the haze, from its distance to the line, with an ice and a violet glow.
void addHexagonOutline(Pixel& p, float distance)
{
    addLight(p, palette::coldWhite, 0.55f * coverage(distance));
    addLight(p, palette::ice, 0.3f * outerGlow(distance, 6.0f));
    addLight(p, palette::violet, 0.22f * shortGlow(distance, 12.0f) * (1.0f - coverage(distance)));
}

}  // namespace

sf::Image makeWarpLayer(int layer)
{
    Canvas canvas = makeCanvas(1280, 720);
    Rng rng{1000U + static_cast<uint64_t>(layer)};
    switch (layer) {
    case 1:
        paintNebula(canvas, windowCentre, 520.0f, 101U);
        addStars(canvas, rng, 2600, 0.0f, 0.0f, 1280.0f, 720.0f, 0.7f, always);
        addGlowSpot(canvas, windowCentre, 150.0f, palette::ice, 0.18f);
        // The fine rays, laid over the backdrop as a layer of light would lay them. Rays out of
        // the centre look the same at any growth, so they need no layer of their own.
        shadeCanvas(canvas, [&](float x, float y, Pixel& p) {
            const Colour light = fineRays(x, y);
            const float cover = clamp01(std::max(light.r, std::max(light.g, light.b)));
            p = {p.r * (1.0f - cover) + light.r, p.g * (1.0f - cover) + light.g, p.b * (1.0f - cover) + light.b, 1.0f};
        });
        return finishCanvas(canvas, true, 31);
    case 2:
        // The white glow at the heart of the rays.
        addGlowSpot(canvas, windowCentre, 45.0f, palette::coldWhite, 0.35f);
        return finishCanvas(canvas, false, 32);
    case 3:
        // Warp streaks: stars stretched along their way out of the centre.
        for (int i = 0; i < 650; ++i) {
            const float angle = uniform(rng, -pi, pi);
            const float r = 40.0f + std::pow(uniform(rng, 0.0f, 1.0f), 0.7f) * 700.0f;
            const float stretch = 4.0f + r * 0.05f;
            const float brightness = std::pow(uniform(rng, 0.0f, 1.0f), 2.0f) * 1.1f * smoothstep(30.0f, 200.0f, r);
            const Vec2 direction{std::cos(angle), std::sin(angle)};
            const Vec2 head = windowCentre + direction * r;
            const Vec2 tail = windowCentre + direction * (r - stretch);
            const Colour tint = uniform(rng, 0.0f, 1.0f) < 0.3f ? palette::lilac : palette::coldWhite;
            // The faintest streaks hardly show in the field, yet each keeps a few cells in every draw.
            if (brightness < 0.12f)
                continue;
            shadeRect(canvas, static_cast<int>(std::min(head.x, tail.x) - 4), static_cast<int>(std::min(head.y, tail.y) - 4),
                      static_cast<int>(std::max(head.x, tail.x) + 5), static_cast<int>(std::max(head.y, tail.y) + 5),
                      [&](float x, float y, Pixel& p) {
                          const float d = segmentDistance(Vec2{x + 0.5f, y + 0.5f}, head, tail);
                          addLight(p, tint, brightness * std::exp(-d * d / 1.2f));
                      });
        }
        // The far hexagon of the haze grows with the streaks, drawn over the same cells.
        shadeCanvas(canvas, [&](float x, float y, Pixel& p) {
            addHexagonOutline(p, std::fabs(hexagonDistance(rotated(fromCentre(x, y, windowCentre), pi / 6.0f), 265.0f)) - 1.6f);
        });
        return finishCanvas(canvas, false, 33);
    case 4:
        // A faint hexagon hanging in the haze, the far one's twin half a turn from it.
        shadeCanvas(canvas, [&](float x, float y, Pixel& p) {
            addHexagonOutline(p, std::fabs(hexagonDistance(fromCentre(x, y, windowCentre), 150.0f)) - 1.2f);
        });
        return finishCanvas(canvas, false, 34);
    case 5:
        // The cold light at the heart: core, flat streak and six rays.
        shadeCanvas(canvas, [](float x, float y, Pixel& p) {
            addLight(p, palette::ice, 0.35f * shortGlow(length(fromCentre(x, y, windowCentre)), 56.0f));
        });
        addGlowSpot(canvas, windowCentre, 16.0f, palette::coldWhite, 1.1f);
        addGlint(canvas, windowCentre, 5.0f, 260.0f, palette::coldWhite, 0.9f, 3, 0.0f);
        shadeCanvas(canvas, [&](float x, float y, Pixel& p) {
            const Vec2 q = fromCentre(x, y, windowCentre);
            addLight(p, palette::ice, 0.7f * std::exp(-q.y * q.y / 8.0f) * std::exp(-std::fabs(q.x) / 380.0f));
        });
        return finishCanvas(canvas, false, 35);
    default:
        // Out-of-focus hexagons, the nearest things, rushing past as the layer grows.
        for (int i = 0; i < 30; ++i) {
            const float angle = uniform(rng, -pi, pi);
            const float r = uniform(rng, 220.0f, 640.0f);
            const float apothem = uniform(rng, 14.0f, 58.0f);
            const float intensity = uniform(rng, 0.1f, 0.24f);
            const float turn = uniform(rng, 0.0f, pi);
            const Colour tint = mix(palette::violet, palette::ice, uniform(rng, 0.0f, 1.0f));
            const Vec2 centre = windowCentre + Vec2{std::cos(angle), std::sin(angle)} * r;
            shadeRect(canvas, static_cast<int>(centre.x - apothem * 1.4f), static_cast<int>(centre.y - apothem * 1.4f),
                      static_cast<int>(centre.x + apothem * 1.4f), static_cast<int>(centre.y + apothem * 1.4f),
                      [&](float x, float y, Pixel& p) {
                          const float d = hexagonDistance(rotated(fromCentre(x, y, centre), turn), apothem);
                          const float body = clamp01(0.5f - d / 3.0f);
                          addLight(p, tint, intensity * (body * (0.7f + 0.6f * smoothstep(-apothem, 0.0f, d))));
                      });
        }
        return finishCanvas(canvas, false, 36);
    }
}

sf::Image makeGem()
{
    Canvas canvas = makeCanvas(1280, 720);
    const Vec2 heart{668.0f, 450.0f};
    paintNebula(canvas, heart, 480.0f, 301U);
    Rng rng{2002U};
    addStars(canvas, rng, 1800, 0.0f, 0.0f, 1280.0f, 720.0f, 0.6f, always);
    shadeCanvas(canvas, [&](float x, float y, Pixel& p) {
        const Vec2 q = fromCentre(x, y, heart);
        const float r = length(q);
        const float angle = std::atan2(q.y, q.x);
        const float rays = std::pow(angularNoise(angle, 18.0f, 311U), 4.0f) * 4.0f;
        addLight(p, palette::violet, rays * 0.22f * smoothstep(60.0f, 200.0f, r) * std::exp(-r / 360.0f));
        addLight(p, palette::ice, 0.45f * std::exp(-r * r / (2.0f * 170.0f * 170.0f)));
        addLight(p, palette::ice, 0.55f * std::exp(-(q.y + 6.0f) * (q.y + 6.0f) / 10.0f) * std::exp(-std::fabs(q.x) / 420.0f));
    });
    paintGem(canvas);
    addGlint(canvas, {546.0f, 374.0f}, 2.0f, 40.0f, palette::coldWhite, 0.8f, 2, 0.0f);
    addGlint(canvas, {910.0f, 456.0f}, 2.5f, 70.0f, palette::coldWhite, 0.9f, 2, 0.0f);
    addGlint(canvas, {668.0f, 580.0f}, 2.5f, 55.0f, palette::ice, 0.8f, 2, pi / 4.0f);
    // Specular points where facets meet in the light.
    addGlint(canvas, {607.0f, 374.0f}, 1.6f, 26.0f, palette::coldWhite, 0.9f, 2, pi / 4.0f);
    addGlint(canvas, {485.0f, 450.0f}, 1.8f, 34.0f, palette::coldWhite, 0.9f, 2, 0.0f);
    addGlint(canvas, {570.0f, 412.0f}, 1.3f, 18.0f, palette::coldWhite, 0.8f, 2, 0.0f);
    addGlint(canvas, {620.0f, 505.0f}, 1.5f, 22.0f, palette::paleGold, 0.8f, 2, pi / 4.0f);
    addGlowSpot(canvas, {668.0f, 420.0f}, 50.0f, palette::coldWhite, 0.25f);
    return finishCanvas(canvas, true, 41);
}

sf::Image makePlanet()
{
    Canvas canvas = makeCanvas(1280, 720);
    paintNebula(canvas, {640.0f, 520.0f}, 560.0f, 401U);
    Rng rng{4004U};
    addStars(canvas, rng, 2400, 0.0f, 0.0f, 1280.0f, 520.0f, 0.75f, [](float, float y) { return 1.0f - 0.6f * y / 520.0f; });
    const Vec2 planet{640.0f, 1620.0f};
    const float radius = 1130.0f;
    // Dawn is coming: the air over the rim glows amber where the star will rise and rose along
    // the limb, and the warm light thins into the violet night above.
    const Colour amber{1.0f, 0.52f, 0.2f};
    const Colour rose{0.92f, 0.36f, 0.52f};
    const Colour dawnWhite{1.0f, 0.9f, 0.72f};
    shadeCanvas(canvas, [&](float x, float y, Pixel& p) {
        const Vec2 q = fromCentre(x, y, planet);
        const float d = length(q) - radius;
        const float across = std::fabs(q.x) / 700.0f;
        const Colour air = mix(amber, rose, clamp01(across * 1.3f));
        if (d > 0.0f) {
            const float warmth = std::exp(-d / 520.0f) * (1.0f - 0.2f * clamp01(across));
            const Colour sky{p.r, p.g, p.b};
            const Colour tinted = mix(sky, air * (0.22f + 0.4f * std::exp(-d / 120.0f)), warmth);
            p = {tinted.r, tinted.g, tinted.b, 1.0f};
            addLight(p, mix(dawnWhite, air, clamp01(across)), 0.6f * std::exp(-d / 16.0f) * (1.0f - 0.4f * across));
            addLight(p, air, 0.3f * std::exp(-d / 70.0f) * (1.0f - 0.3f * across));
        }
        const float inside = coverage(d);
        const float bands = fbm(x * 0.004f, y * 0.03f, 4, 411U);
        const Colour ground = Colour{0.012f, 0.012f, 0.04f} + palette::indigo * (0.6f * bands * std::exp(d / 60.0f)) +
                              air * (0.3f * std::exp(d / 14.0f));
        paintOver(p, ground, inside);
        // A rim core over two pixels wide in a close halo: a thinner line beads where it runs steep.
        const float rim = std::fabs(d) - 1.2f;
        addLight(p, dawnWhite, (0.9f * coverage(rim) + 0.3f * outerGlow(rim, 2.0f)) * (1.0f - 0.5f * across));
    });
    return finishCanvas(canvas, true, 42);
}

sf::Image makePlanetSky(int overlay)
{
    Canvas canvas = makeCanvas(1280, 720);
    if (overlay == 1) {
        paintCrescent(canvas, {300.0f, 190.0f}, 58.0f);
    } else if (overlay == 2) {
        // A constellation in the shape of the motif.
        const Vec2 centre{985.0f, 235.0f};
        Vec2 corners[6];
        for (int i = 0; i < 6; ++i) {
            const float a = 0.18f + pi / 3.0f * static_cast<float>(i);
            corners[i] = centre + Vec2{std::cos(a), std::sin(a)} * 96.0f;
        }
        shadeRect(canvas, 850, 100, 1120, 370, [&](float x, float y, Pixel& p) {
            const Vec2 q{x + 0.5f, y + 0.5f};
            float d = 1e9f;
            float gap = 1e9f;
            for (int i = 0; i < 6; ++i) {
                d = std::min(d, segmentDistance(q, corners[i], corners[(i + 1) % 6]));
                gap = std::min(gap, length(q - corners[i]));
            }
            d = std::min(d, segmentDistance(q, corners[0], centre));
            d = std::min(d, segmentDistance(q, corners[3], centre));
            gap = std::min(gap, length(q - centre));
            addLight(p, palette::ice, 0.7f * std::exp(-d * d / 1.0f) * smoothstep(7.0f, 12.0f, gap));
        });
        for (int i = 0; i < 6; ++i) {
            addGlint(canvas, corners[i], 2.0f, 22.0f + 8.0f * static_cast<float>(i % 3), palette::coldWhite, 1.3f, 2, 0.2f);
            addGlowSpot(canvas, corners[i], 9.0f, palette::ice, 0.25f);
        }
        addGlint(canvas, centre, 2.4f, 34.0f, palette::coldWhite, 1.1f, 3, 0.0f);
        addGlowSpot(canvas, centre, 60.0f, palette::violet, 0.12f);
    } else {
        // Dawn: a golden star breaking over the planet's rim.
        const Vec2 star{640.0f, 489.0f};
        const Vec2 planet{640.0f, 1620.0f};
        const Colour gold{1.0f, 0.72f, 0.34f};
        const Colour amber{1.0f, 0.5f, 0.22f};
        const Colour dawnWhite{1.0f, 0.93f, 0.78f};
        shadeCanvas(canvas, [&](float x, float y, Pixel& p) {
            const Vec2 q = fromCentre(x, y, star);
            const float r = length(q);
            const float rim = length(fromCentre(x, y, planet)) - 1130.0f;
            addLight(p, dawnWhite, 0.9f * std::exp(-rim * rim / 30.0f) * std::exp(-q.x * q.x / (2.0f * 300.0f * 300.0f)));
            addLight(p, gold, 0.55f * std::exp(-std::fabs(rim) / 40.0f) * std::exp(-q.x * q.x / (2.0f * 420.0f * 420.0f)) * (rim > 0.0f ? 1.0f : 0.3f));
            addLight(p, gold, 0.9f * std::exp(-q.y * q.y / 10.0f) * std::exp(-std::fabs(q.x) / 420.0f));
            const float angle = std::atan2(q.y, q.x);
            const float rays = std::pow(angularNoise(angle, 24.0f, 421U), 4.0f) * 5.0f;
            addLight(p, mix(gold, palette::lilac, 0.3f), rays * 0.2f * smoothstep(10.0f, 60.0f, r) * std::exp(-r / 220.0f) * (rim > 0.0f ? 1.0f : 0.15f));
            addLight(p, amber, 0.35f * std::exp(-r * r / (2.0f * 160.0f * 160.0f)));
        });
        addGlowSpot(canvas, star, 28.0f, gold, 0.8f);
        addGlint(canvas, star, 6.0f, 300.0f, dawnWhite, 1.3f, 3, pi / 2.0f);
        fadeBorders(canvas, 24.0f);
    }
    return finishCanvas(canvas, false, 50 + static_cast<uint32_t>(overlay));
}

sf::Image makeEclipse()
{
    Canvas canvas = makeCanvas(1280, 720);
    paintNebula(canvas, windowCentre, 420.0f, 501U);
    Rng rng{5005U};
    addStars(canvas, rng, 2000, 0.0f, 0.0f, 1280.0f, 720.0f, 0.7f, always);
    const float disc = 118.0f;
    shadeCanvas(canvas, [&](float x, float y, Pixel& p) {
        const Vec2 q = fromCentre(x, y, windowCentre);
        const float r = length(q);
        const float d = r - disc;
        const float angle = std::atan2(q.y, q.x);
        const float streamer = angularNoise(angle, 5.0f, 511U);
        const float fine = std::pow(angularNoise(angle, 30.0f, 513U), 3.0f) * 3.0f;
        if (d > 0.0f) {
            // Even the rim stays lavender and the corona keeps its colour below white, so as the
            // black overlay comes back it darkens through violet rather than grey.
            addLight(p, palette::lavender, 0.3f * std::exp(-d / 2.0f));
            addLight(p, palette::lilac, 0.3f * std::exp(-d / 12.0f));
            addLight(p, mix(palette::ice, palette::lilac, 0.6f), (0.15f + 0.15f * fine) * std::exp(-d / (25.0f + 110.0f * streamer * streamer)));
            addLight(p, palette::violet, 0.35f * std::exp(-d / 160.0f));
        }
        const float ring = std::fabs(hexagonDistance(q, 300.0f)) - 1.0f;
        addLight(p, palette::lilac, 0.22f * coverage(ring) + 0.1f * outerGlow(ring, 8.0f));
        // Beside the disc the nebula and the corona add up past white; held at a lavender as
        // bright, the rim dims through violet too.
        const float light = std::max(p.r, std::max(p.g, p.b));
        const float nearRim = 1.0f - smoothstep(0.0f, 18.0f, d);
        const Colour held = mix(palette::lavender, palette::lilac, 0.4f) * std::min(light, 1.0f);
        p = {p.r + (held.r - p.r) * nearRim, p.g + (held.g - p.g) * nearRim, p.b + (held.b - p.b) * nearRim, p.a};
        paintOver(p, Colour{0.004f, 0.004f, 0.014f}, coverage(d));
    });
    const Vec2 bead = windowCentre + Vec2{std::cos(-0.75f), std::sin(-0.75f)} * disc;
    addGlowSpot(canvas, bead, 9.0f, palette::coldWhite, 1.2f);
    addGlint(canvas, bead, 2.5f, 110.0f, palette::coldWhite, 0.9f, 2, 0.3f);
    return finishCanvas(canvas, true, 43);
}

namespace {

// A stone of the skull cut like the gem: a convex outline (corners clockwise on screen) whose
// edges are bevelled up to a flat top, so each point lies on one flat facet.
struct CutStone {
    float outline = -1e9f;  // distance to the outline, negative inside
    Vec2 slope;             // how the facet under the point rises: its height's gradient
    float seam = 1e9f;      // distance to the nearest edge between two facets
    int facet = 0;          // 0 the top, i + 1 the bevel of the edge from corner i
};

// `bevel` is the rise per unit inwards; the top is `top` high at `apex` and falls away from it by
// `tilt` per unit in four facets, a low pyramid. Edges in `open` (bit i for the edge from corner
// i) are not bevelled: the stone goes on under whatever covers them.
CutStone cutStone(Vec2 q, const std::vector<Vec2>& corners, float bevel, float top, float tilt, Vec2 apex, unsigned open = 0)
{
    CutStone stone;
    float lowest = 1e9f, second = 1e9f;
    Vec2 lowestSlope, secondSlope;
    const auto plane = [&](float height, Vec2 slope, int facet) {
        if (height < lowest) {
            second = lowest;
            secondSlope = lowestSlope;
            lowest = height;
            lowestSlope = slope;
            stone.facet = facet;
        } else if (height < second) {
            second = height;
            secondSlope = slope;
        }
    };
    const Vec2 fromApex = q - apex;
    plane(top - tilt * fromApex.x, {-tilt, 0.0f}, 0);
    if (tilt > 0.0f) {
        plane(top + tilt * fromApex.x, {tilt, 0.0f}, 0);
        plane(top - tilt * fromApex.y, {0.0f, -tilt}, 0);
        plane(top + tilt * fromApex.y, {0.0f, tilt}, 0);
    }
    for (size_t i = 0; i < corners.size(); ++i) {
        const Vec2 a = corners[i];
        const Vec2 b = corners[(i + 1) % corners.size()];
        const Vec2 along = (b - a) * (1.0f / length(b - a));
        const Vec2 outward{along.y, -along.x};
        const float out = dot(q - a, outward);
        stone.outline = std::max(stone.outline, out);
        if (!(open & (1U << i)))
            plane(-bevel * out, outward * -bevel, static_cast<int>(i) + 1);
    }
    stone.slope = lowestSlope;
    stone.seam = (second - lowest) / std::max(length(secondSlope - lowestSlope), 1e-4f);
    return stone;
}

// How a facet of the given slope is lit from the upper left: diffuse 0..1 and a specular flash.
struct FacetLight {
    float diffuse;
    float flash;
};

FacetLight facetLight(Vec2 slope)
{
    const float nx = -slope.x, ny = -slope.y;
    const float norm = std::sqrt(nx * nx + ny * ny + 1.0f);
    const float lx = -0.55f, ly = -0.62f, lz = 0.56f;  // towards the light
    const float diffuse = clamp01((nx * lx + ny * ly + lz) / norm);
    const float hx = lx, hy = ly, hz = lz + 1.0f;  // halfway between the light and the eye
    const float half = std::sqrt(hx * hx + hy * hy + hz * hz);
    const float facing = clamp01((nx * hx + ny * hy + hz) / (norm * half));
    return {diffuse, std::pow(facing, 40.0f)};
}

}  // namespace

sf::Image makeSkull()
{
    Canvas canvas = makeCanvas(1280, 720);
    auto smoothUnion = [](float a, float b, float k) {
        const float h = clamp01(0.5f + 0.5f * (b - a) / k);
        return b + (a - b) * h - k * h * (1.0f - h);
    };
    auto smoothCut = [](float a, float b, float k) {
        const float h = clamp01(0.5f - 0.5f * (a + b) / k);
        return a + (-b - a) * h + k * h * (1.0f - h);
    };
    // Drawn in its own units, then enlarged until its cranium is the eclipse's dark disc: the
    // skull is dark crystal of the disc's colour, so wherever the growing disc shows beside it,
    // the two read as one shadow inside one lit rim.
    const float size = 1.35f;
    Rng rng{5210U};
    std::vector<Vec2> facets;
    for (int i = 0; i < 24; ++i)
        facets.push_back({uniform(rng, 0.0f, 105.0f), uniform(rng, -95.0f, 160.0f)});
    // The jaw is one cut stone under the cheeks; the grin in it is a slot of the disc's black
    // with a row of crystal teeth hanging into it from above and a row rising from below, their
    // points between each other's.
    const std::vector<Vec2> jaw{{-60.0f, 98.0f}, {60.0f, 98.0f}, {61.0f, 128.0f}, {44.0f, 147.0f},
                                {14.0f, 154.0f}, {-14.0f, 154.0f}, {-44.0f, 147.0f}, {-61.0f, 128.0f}};
    const std::vector<Vec2> mouth{{-46.0f, 106.0f}, {46.0f, 106.0f}, {52.0f, 122.0f}, {46.0f, 139.0f},
                                  {-46.0f, 139.0f}, {-52.0f, 122.0f}};
    struct Tooth {
        std::vector<Vec2> corners;
        unsigned gum;    // the edge it grows from
        int fireFacet;   // a shaded facet that throws back colour, 0 for none
    };
    std::vector<Tooth> teeth;
    for (int i = 0; i < 7; ++i) {
        const float x = 13.2f * static_cast<float>(i - 3);
        const float half = 5.6f - 0.35f * std::fabs(static_cast<float>(i - 3));
        const float point = 126.0f - 1.0f * std::fabs(static_cast<float>(i - 3));
        teeth.push_back({{{x - half, 106.0f}, {x + half, 106.0f}, {x + half, 116.0f}, {x, point}, {x - half, 116.0f}}, 1U,
                         i == 2 || i == 5 ? 2 : 0});
    }
    for (int i = 0; i < 6; ++i) {
        const float x = 13.2f * (static_cast<float>(i) - 2.5f);
        const float half = 5.4f - 0.35f * std::fabs(static_cast<float>(i) - 2.5f);
        const float point = 119.0f + 1.0f * std::fabs(static_cast<float>(i) - 2.5f);
        teeth.push_back({{{x + half, 139.0f}, {x - half, 139.0f}, {x - half, 129.0f}, {x, point}, {x + half, 129.0f}}, 1U,
                         i == 1 || i == 4 ? 5 : 0});
    }
    const Colour rose{1.0f, 0.5f, 0.78f};
    shadeRect(canvas, 250, 0, 1030, 720, [&](float x, float y, Pixel& p) {
        Vec2 q = fromCentre(x, y, windowCentre) * (1.0f / size);
        // A short face under the round cranium, so the picture stays centred on its middle.
        if (q.y > 0.0f)
            q.y *= 1.25f;
        float head = std::max(circleDistance(q, 87.5f), q.y - 36.0f);
        head = smoothUnion(head, boxDistance(q - Vec2{0.0f, 42.0f}, {74.0f, 62.0f}, 34.0f), 40.0f);
        head = smoothCut(head, circleDistance(Vec2{std::fabs(q.x), q.y} - Vec2{108.0f, 70.0f}, 30.0f), 14.0f);
        const CutStone jawStone = cutStone(q, jaw, 0.7f, 9.0f, 0.22f, {0.0f, 146.0f}, 1U);
        head = smoothUnion(head, jawStone.outline, 6.0f) * size;
        const Vec2 eye = Vec2{std::fabs(q.x), q.y} - Vec2{45.0f, 10.0f};
        const float socket = hexagonDistance(rotated(eye, 0.18f), 27.0f) * size;
        const float nose = triangleDistance(q, {0.0f, 48.0f}, {-14.0f, 82.0f}, {14.0f, 82.0f}) - 2.0f;
        const float slot = cutStone(q, mouth, 1.0f, 1.0f, 0.0f, {}).outline;
        const float holes = std::min(socket, std::min(nose, slot) * size);

        // Facets of the crystal: the cells of scattered seeds, mirrored, each tilted its own way.
        const Vec2 mirrored{std::fabs(q.x), q.y};
        float nearest = 1e9f, second = 1e9f;
        int facet = 0;
        for (size_t i = 0; i < facets.size(); ++i) {
            const Vec2 d = mirrored - facets[i];
            const float distance = dot(d, d);
            if (distance < nearest) {
                second = nearest;
                nearest = distance;
                facet = static_cast<int>(i);
            } else if (distance < second) {
                second = distance;
            }
        }
        const Vec2 seed = facets[static_cast<size_t>(facet)];
        const float seedX = q.x < 0.0f ? -seed.x : seed.x;
        const float border = (std::sqrt(second) - std::sqrt(nearest)) * 0.5f * size;
        const float tilt = hash2(facet, 7, 523U);
        const float facing = clamp01(0.55f - (seedX + seed.y) / 360.0f + 0.35f * (tilt - 0.5f));

        addLight(p, palette::violet, 0.3f * outerGlow(head, 30.0f));
        addLight(p, palette::lilac, 0.35f * outerGlow(head, 7.0f));
        const float inside = coverage(head);
        const Colour glass = mix(Colour{0.006f, 0.005f, 0.02f}, Colour{0.1f, 0.06f, 0.26f}, facing * facing);
        paintOver(p, glass, inside);
        // Cranium facets turned to the light catch a faint sheen.
        addLight(p, palette::lilac, inside * 0.12f * std::pow(facing, 4.0f) * hash2(facet, 9, 523U));
        const float onJaw = coverage(jawStone.outline * size);
        const float ridges = inside * (1.0f - onJaw) * coverage(border - 0.75f) * smoothstep(0.0f, 6.0f, -head);
        addLight(p, mix(palette::violet, palette::lilac, facing), (0.4f + 0.6f * facing) * ridges * smoothstep(0.0f, 5.0f, holes));

        // The jaw: dark glass whose bevels turned to the light are lit lilac and flash white.
        const FacetLight jawLight = facetLight(jawStone.slope);
        const float jawShade = jawLight.diffuse * jawLight.diffuse;
        paintOver(p, mix(Colour{0.012f, 0.008f, 0.04f}, Colour{0.3f, 0.19f, 0.66f}, jawShade), onJaw);
        addLight(p, palette::coldWhite, onJaw * 0.45f * jawLight.flash);
        addLight(p, mix(palette::violet, palette::lilac, jawLight.diffuse),
                 onJaw * (0.25f + 0.5f * jawLight.diffuse) * coverage(jawStone.seam * size - 0.6f) * smoothstep(0.0f, 4.0f, holes));

        // The hollows are the disc's own black, each ringed by a lit edge.
        paintOver(p, Colour{0.004f, 0.004f, 0.014f}, coverage(holes) * inside);
        addLight(p, palette::lilac, 0.8f * inside * coverage(std::fabs(holes + 1.2f) - 0.8f));

        // The teeth: crystal points, a bright face and a shaded one each side of a lit ridge.
        for (const Tooth& tooth : teeth) {
            if (q.y < 100.0f || q.y > 145.0f)
                break;
            const CutStone stone = cutStone(q, tooth.corners, 1.0f, 1e9f, 0.0f, {}, tooth.gum);
            const float outline = stone.outline * size;
            if (outline > 3.0f)
                continue;
            const float body = coverage(outline);
            const FacetLight light = facetLight(stone.slope);
            const float lit = light.diffuse * light.diffuse;
            paintOver(p, mix(Colour{0.05f, 0.03f, 0.16f}, mix(palette::lilac, palette::coldWhite, 0.3f), lit), body);
            addLight(p, palette::coldWhite, body * 0.7f * light.flash);
            // Fire: the shaded face of a few teeth glows rose towards the point.
            const float towardsPoint = clamp01(1.0f - std::fabs(q.y - tooth.corners[3].y) / 22.0f);
            addLight(p, rose, body * 0.8f * towardsPoint * (stone.facet == tooth.fireFacet ? 1.0f : 0.0f));
            addLight(p, mix(palette::lilac, palette::coldWhite, 0.5f), body * 0.6f * coverage(stone.seam * size - 0.5f));
            addLight(p, mix(palette::violet, palette::lilac, lit), 0.5f * coverage(std::fabs(outline + 0.6f) - 0.6f));
        }
        addLight(p, mix(palette::lilac, palette::coldWhite, 0.6f), 1.0f * coverage(std::fabs(head + 1.4f) - 0.8f));
        // Cold lights deep in the sockets.
        const float pupil = length(eye - Vec2{-2.0f, 4.0f}) * size;
        addLight(p, palette::lilac, coverage(socket) * (1.1f * std::exp(-pupil * pupil / 18.0f) + 0.3f * std::exp(-pupil * pupil / 200.0f)));
    });
    // Specular points where the light catches the jaw's corner, the cheekbone, the chin and the teeth.
    const auto onScreen = [&](Vec2 v) { return windowCentre + Vec2{v.x, v.y > 0.0f ? v.y / 1.25f : v.y} * size; };
    addGlint(canvas, onScreen({-61.0f, 128.0f}), 1.6f, 22.0f, palette::coldWhite, 0.9f, 2, pi / 4.0f);
    addGlint(canvas, onScreen({-66.0f, 52.0f}), 1.4f, 18.0f, palette::coldWhite, 0.7f, 2, 0.0f);
    addGlint(canvas, onScreen({-26.4f, 108.0f}), 1.2f, 14.0f, palette::coldWhite, 0.8f, 2, pi / 4.0f);
    addGlint(canvas, onScreen({-14.0f, 154.0f}), 1.2f, 12.0f, palette::paleGold, 0.6f, 2, 0.0f);
    addGlint(canvas, onScreen({-19.8f, 120.5f}), 1.0f, 10.0f, palette::coldWhite, 0.7f, 2, 0.0f);
    addGlint(canvas, onScreen({6.6f, 119.0f}), 0.9f, 8.0f, palette::paleGold, 0.6f, 2, pi / 4.0f);
    return finishCanvas(canvas, false, 44);
}

sf::Image makeCentralStar()
{
    // A golden star at the heart of the sparks, its glow cut off where the old violet one faded out.
    Canvas canvas = makeCanvas(1280, 720);
    const Colour gold{1.0f, 0.72f, 0.32f};
    shadeCanvas(canvas, [&](float x, float y, Pixel& p) {
        const float r = length(fromCentre(x, y, windowCentre));
        const float reach = 1.0f - smoothstep(230.0f, 272.0f, r);
        addLight(p, mix(gold, palette::violet, smoothstep(60.0f, 240.0f, r)), 0.5f * std::exp(-r * r / (2.0f * 105.0f * 105.0f)) * reach);
        addLight(p, mix(palette::coldWhite, gold, 0.45f), 0.75f * std::exp(-r * r / (2.0f * 30.0f * 30.0f)));
    });
    addGlowSpot(canvas, windowCentre, 9.0f, Colour{1.0f, 0.96f, 0.86f}, 1.8f);
    addGlint(canvas, windowCentre, 3.5f, 630.0f, Colour{1.0f, 0.9f, 0.7f}, 1.1f, 2, 0.0f);
    addGlint(canvas, windowCentre, 2.5f, 260.0f, gold, 0.9f, 2, pi / 4.0f);
    shadeCanvas(canvas, [&](float x, float y, Pixel& p) {
        const Vec2 q = fromCentre(x, y, windowCentre);
        addLight(p, gold, 0.6f * std::exp(-q.y * q.y / 7.0f) * std::exp(-std::fabs(q.x) / 300.0f));
    });
    shadeRect(canvas, 540, 260, 740, 460, [&](float x, float y, Pixel& p) {
        const float d = std::fabs(hexagonDistance(fromCentre(x, y, windowCentre), 58.0f)) - 0.8f;
        addLight(p, Colour{1.0f, 0.85f, 0.6f}, 0.6f * coverage(d) + 0.2f * outerGlow(d, 4.0f));
    });
    return finishCanvas(canvas, false, 45);
}

sf::Image makeHalo()
{
    // A ring of golden light around the sparks, brighter where its texture gathers, with a
    // violet rim outside and the motif's hexagon beyond; it fades out where the old ring did.
    Canvas canvas = makeCanvas(1280, 720);
    const Colour gold{1.0f, 0.7f, 0.3f};
    const Colour amber{1.0f, 0.5f, 0.22f};
    shadeCanvas(canvas, [&](float x, float y, Pixel& p) {
        const Vec2 q = fromCentre(x, y, windowCentre);
        const float r = length(q);
        const float angle = std::atan2(q.y, q.x);
        const float texture = 0.55f + 0.9f * angularNoise(angle, 8.0f, 601U);
        const float wide = r - 240.0f;
        const float band = 1.0f - smoothstep(70.0f, 82.0f, std::fabs(wide));
        addLight(p, mix(gold, amber, clamp01(wide / 60.0f + 0.5f)), 0.85f * texture * std::exp(-wide * wide / (2.0f * 28.0f * 28.0f)) * band);
        addLight(p, palette::violet, 0.3f * std::exp(-(wide - 40.0f) * (wide - 40.0f) / (2.0f * 16.0f * 16.0f)) * band);
        addLight(p, Colour{1.0f, 0.93f, 0.8f}, 0.7f * std::exp(-wide * wide / (2.0f * 4.0f * 4.0f)));
        const float inner = r - 150.0f;
        addLight(p, gold, 0.22f * std::exp(-inner * inner / (2.0f * 8.0f * 8.0f)));
        const float outer = std::fabs(hexagonDistance(q, 315.0f)) - 0.7f;
        addLight(p, palette::lilac, 0.45f * coverage(outer) + 0.12f * outerGlow(outer, 6.0f));
    });
    return finishCanvas(canvas, false, 46);
}

sf::Image makeUnusedHalo()
{
    Canvas canvas = makeCanvas(64, 64);
    shadeCanvas(canvas, [&](float x, float y, Pixel& p) {
        const float r = length(fromCentre(x, y, {32.0f, 32.0f}));
        addLight(p, palette::ice, 0.8f * std::exp(-(r - 18.0f) * (r - 18.0f) / 18.0f) + 0.25f * std::exp(-r * r / 60.0f));
    });
    return finishCanvas(canvas, false, 47);
}

sf::Image makeGlitter()
{
    Canvas canvas = makeCanvas(20, 18);
    addGlint(canvas, {10.0f, 9.0f}, 1.3f, 10.0f, palette::coldWhite, 1.7f, 2, 0.0f);
    addGlint(canvas, {10.0f, 9.0f}, 0.6f, 4.5f, palette::ice, 0.6f, 2, pi / 4.0f);
    return finishCanvas(canvas, false, 48);
}

// The sparks: a hot point with crisp rays in a small halo, white-ice and gold.
sf::Image makeWhiteSpark()
{
    Canvas canvas = makeCanvas(18, 22);
    const Vec2 centre{9.0f, 11.0f};
    addGlowSpot(canvas, centre, 2.4f, palette::ice, 0.7f);
    addGlint(canvas, centre, 0.5f, 11.0f, mix(palette::ice, palette::coldWhite, 0.5f), 1.5f, 1, pi / 2.0f);
    addGlint(canvas, centre, 0.5f, 6.0f, palette::ice, 1.2f, 1, 0.0f);
    addGlowSpot(canvas, centre, 0.8f, palette::coldWhite, 2.4f);
    return finishCanvas(canvas, false, 49);
}

sf::Image makeYellowSpark()
{
    Canvas canvas = makeCanvas(36, 40);
    const Vec2 centre{18.0f, 20.0f};
    const Colour gold{1.0f, 0.7f, 0.28f};
    addGlowSpot(canvas, centre, 4.5f, gold, 0.75f);
    addGlint(canvas, centre, 0.8f, 19.0f, mix(gold, palette::coldWhite, 0.4f), 1.8f, 2, pi / 2.0f);
    addGlint(canvas, centre, 0.6f, 9.0f, gold, 1.1f, 2, pi / 4.0f);
    addGlowSpot(canvas, centre, 1.3f, Colour{1.0f, 0.95f, 0.8f}, 2.4f);
    return finishCanvas(canvas, false, 50);
}
