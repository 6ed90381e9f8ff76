#pragma once
// The painter's toolbox behind every image: a float canvas, shapes as distance functions,
// glows, noise, a seeded random sequence, and the conversion to an 8-bit sf::Image.
#include <SFML/Graphics/Image.hpp>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct Vec2 {
    float x = 0.0f;
    float y = 0.0f;
};

inline Vec2 operator+(Vec2 a, Vec2 b) { return {a.x + b.x, a.y + b.y}; }
inline Vec2 operator-(Vec2 a, Vec2 b) { return {a.x - b.x, a.y - b.y}; }
inline Vec2 operator*(Vec2 a, float s) { return {a.x * s, a.y * s}; }
inline float dot(Vec2 a, Vec2 b) { return a.x * b.x + a.y * b.y; }
inline float length(Vec2 a) { return std::sqrt(dot(a, a)); }
Vec2 rotated(Vec2 p, float radians);

// Display-space colour, channels 0..1 (light may go above 1 before the canvas is finished).
struct Colour {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
};

inline Colour operator*(Colour c, float s) { return {c.r * s, c.g * s, c.b * s}; }
inline Colour operator+(Colour a, Colour b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
Colour mix(Colour a, Colour b, float t);

// The shared palette: night blues and violets, cold white light.
namespace palette {
const Colour night{0.012f, 0.012f, 0.045f};
const Colour indigo{0.07f, 0.05f, 0.2f};
const Colour violet{0.42f, 0.24f, 0.85f};
const Colour lilac{0.68f, 0.55f, 1.0f};
const Colour lavender{0.9f, 0.84f, 1.0f};  // light just below white that dims through violet
const Colour ice{0.5f, 0.74f, 1.0f};
const Colour coldWhite{0.86f, 0.92f, 1.0f};
const Colour paleGold{1.0f, 0.84f, 0.52f};
}  // namespace palette

// Premultiplied pixel: rgb already carries the coverage, so light adds and shapes cover.
struct Pixel {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
    float a = 0.0f;
};

// Texels per design pixel of the image being painted: 1 for its design file, k for its @kx file.
// Painters place everything in design pixels; the canvas size, the anti-aliasing of edges, the
// lettering and the dither follow the density, so a denser file is the same art with finer detail.
inline int paintDensity = 1;

// width and height count texels: the design size times the density it was made at.
struct Canvas {
    int width = 0;
    int height = 0;
    int density = 1;
    std::vector<Pixel> pixels;
    Pixel& at(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
    const Pixel& at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// A canvas of the given design size at paintDensity.
Canvas makeCanvas(int width, int height);
Canvas makeFilledCanvas(int width, int height, Colour colour);

// Adds light: brightens whatever lies below once the image is composited.
inline void addLight(Pixel& p, Colour c, float intensity)
{
    p.r += c.r * intensity;
    p.g += c.g * intensity;
    p.b += c.b * intensity;
}

// Covers the pixel with an opaque paint of the given coverage.
inline void paintOver(Pixel& p, Colour c, float coverage)
{
    const float keep = 1.0f - coverage;
    p.r = c.r * coverage + p.r * keep;
    p.g = c.g * coverage + p.g * keep;
    p.b = c.b * coverage + p.b * keep;
    p.a = coverage + p.a * keep;
}

// Runs shade(x, y, pixel) on every texel, rows shared between two threads (each texel alone,
// so the result does not depend on the scheduling). x and y place the texel in design pixels as
// a pixel index would: its centre is (x + 0.5, y + 0.5), and at density 1 they are the index.
using Shader = std::function<void(float, float, Pixel&)>;
void shadeCanvas(Canvas& canvas, const Shader& shade);
// The same restricted to a rectangle in design pixels, clipped to the canvas; for small splats.
void shadeRect(Canvas& canvas, float left, float top, float right, float bottom, const Shader& shade);

inline float clamp01(float v) { return std::min(1.0f, std::max(0.0f, v)); }
inline float smoothstep(float edge0, float edge1, float v)
{
    const float t = clamp01((v - edge0) / (edge1 - edge0));
    return t * t * (3.0f - 2.0f * t);
}
// Anti-aliased coverage of a shape from its signed distance in design pixels (negative inside).
// The edge is a smooth ramp one and a half texels wide: a plain one-texel ramp leaves thin bright
// lines beaded and stair-stepped along their diagonals, worst when a layer is magnified.
inline float coverage(float distance)
{
    const float t = clamp01(0.5f - distance * static_cast<float>(paintDensity) / 1.5f);
    return t * t * (3.0f - 2.0f * t);
}
// Gaussian falloff outside a shape; 1 inside it.
inline float glow(float distance, float sigma)
{
    const float d = std::max(distance, 0.0f);
    return std::exp(-d * d / (2.0f * sigma * sigma));
}
// Light around a shape and none inside it: the gaussian hands over to the shape's own edge
// across its anti-aliased ramp, so a bright line has no dark seam along its sides.
inline float outerGlow(float distance, float sigma) { return glow(distance, sigma) * (1.0f - coverage(distance)); }
// The same faded out to nothing between 1.6 and 2.2 sigma. Its last faint levels hardly show,
// yet on a wide outline or halo they keep a broad band of cells in every draw of a growing layer.
inline float shortGlow(float distance, float sigma)
{
    return glow(distance, sigma) * (1.0f - smoothstep(1.6f * sigma, 2.2f * sigma, distance));
}

// Signed distances, negative inside. Hexagons have flat top and bottom; apothem = inner radius.
float hexagonDistance(Vec2 p, float apothem);
float circleDistance(Vec2 p, float radius);
float segmentDistance(Vec2 p, Vec2 a, Vec2 b);
float boxDistance(Vec2 p, Vec2 halfSize, float cornerRadius);
float triangleDistance(Vec2 p, Vec2 a, Vec2 b, Vec2 c);

// Deterministic pseudo-random numbers; every image seeds its own sequence.
struct Rng {
    uint64_t state;
};
uint64_t nextRandom(Rng& rng);
float uniform(Rng& rng, float low, float high);

// Hash noise: the same inputs always give the same values, on every run.
float hash2(int x, int y, uint32_t seed);
float valueNoise(float x, float y, uint32_t seed);
float fbm(float x, float y, int octaves, uint32_t seed);

// Adds a field of small stars: count stars inside [left, right) x [top, bottom), the brightest
// with a cross glint. density(x, y) (0..1) thins them where it is low.
void addStars(Canvas& canvas, Rng& rng, int count, float left, float top, float right, float bottom,
              float brightness, const std::function<float(float, float)>& density);
// A soft round light of the given colour, splatted within 4 sigma.
void addGlowSpot(Canvas& canvas, Vec2 centre, float sigma, Colour colour, float intensity);
// A star glint: a core with thin rays along the given angles.
void addGlint(Canvas& canvas, Vec2 centre, float size, float rayLength, Colour colour, float intensity,
              int rayCount, float firstAngle);

// How much of a pixel of a picture of design size width x height stays: nothing at the border,
// rising smoothly to all of it margin pixels in.
float borderFade(float width, float height, float x, float y, float margin);
// Fades everything within margin pixels of the border to nothing, so faint glows that reach
// the edge of an overlay leave its corners clear.
void fadeBorders(Canvas& canvas, float margin);

// Separable gaussian blur of a single-channel mask.
std::vector<float> blurMask(const std::vector<float>& mask, int width, int height, float sigma);

// Finishes the canvas: gently compresses over-bright light towards white (unless asked to keep
// the colours exact), sets the alpha a glow needs to show over black, clears what is fainter
// than 2/255, dithers, and converts to straight 8-bit RGBA.
sf::Image finishCanvas(const Canvas& canvas, bool opaque, uint32_t ditherSeed, bool compressLight = true);

// Gives every fully clear texel of straight 8-bit RGBA pixels the colour of the visible texels
// nearest it, so filtering never blends black into an edge. Alpha stays as it is.
void bleedIntoClear(std::vector<uint8_t>& rgba, int width, int height);

// Writes the image as an RGBA PNG, strongly compressed: smaller files decode faster at start-up,
// and the decoded pixels are the same. False if the file cannot be written.
bool savePng(const sf::Image& image, const std::string& path);
