#pragma once
// The content's 47 images, in load order: the one list that the generator paints, the
// loader reads and the tests check. A new image is a row here and a value of `Image`.
//
// Beside each design file NAME.png the content may carry NAME@kx.png, the same art painted at k
// texels per design pixel, for outputs larger than the design's. Lines, rims, outlines and
// lettering gain from density; glows, haze and solid fills look the same magnified, so they have
// none, and every denser file costs start-up where it is read.

// The images, in manifest order.
enum class Image {
    Title, Hexagon, HexagonSmall, Credits, Black, White, Wall, Gantz,
    Glint1_1, Glint1_2, Glint1_3, Glint1_4, Glint1_5, Glint1_6,
    H1, H2, H3, H4, H5, H6,
    Glint2, Glitter,
    G3Bg, G3Fg, G3D2, G3D3, G3D4, G3D1, G3D1_1, G3D1_2, G3D1_3,
    G3Flare1, G3Flare2, G3Flare3, G3Flare4, Glint,
    Glint4, G4_1, G4_2, G4_3,
    Glint5, Glint5Skull, Glint6, Halo, Halo2, WhiteP, YellowP,
    Count
};
constexpr int imageCount = static_cast<int>(Image::Count);

// Texels per design pixel of the densest file an image may have.
constexpr unsigned densestImage = 4;

struct ImageManifestRow {
    const char* file;
    unsigned width;   // design pixels
    unsigned height;  // design pixels
    // The k of each denser file, rising; 0 after the last.
    unsigned densities[densestImage - 1];
    // Design pixels per design texel where the scenes magnify it most, measured over a whole run;
    // 1 for an image never drawn above its design size.
    float mostMagnified;
};

constexpr ImageManifestRow imageManifest[] = {
    {"title.png", 1280, 720, {2}, 1.0f},
    {"hexagon.png", 720, 720, {2, 3, 4}, 2.91f},
    {"hexagon-small.png", 256, 256, {}, 1.0f},
    {"credits.png", 1280, 720, {2}, 1.0f},
    {"black.png", 1280, 720, {}, 1.0f},
    {"white.png", 1280, 720, {}, 1.43f},
    {"wall.png", 1280, 720, {}, 1.43f},
    {"gantz.png", 1280, 720, {2}, 1.05f},
    {"glint1-1.png", 1280, 720, {}, 1.3f},
    {"glint1-2.png", 1280, 720, {}, 1.36f},
    {"glint1-3.png", 1280, 720, {2, 3}, 1.6f},
    {"glint1-4.png", 1280, 720, {2, 3}, 1.7f},
    {"glint1-5.png", 1280, 720, {}, 1.99f},
    {"glint1-6.png", 1280, 720, {}, 2.37f},
    {"h1.png", 720, 720, {2, 3}, 1.46f},
    {"h2.png", 720, 720, {2, 3}, 1.46f},
    {"h3.png", 720, 720, {2, 3}, 1.46f},
    {"h4.png", 720, 720, {2, 3}, 1.46f},
    {"h5.png", 720, 720, {2, 3}, 1.46f},
    {"h6.png", 720, 720, {2, 3}, 1.46f},
    {"glint2.png", 1280, 720, {2}, 1.0f},
    {"glitter.png", 20, 18, {2, 3, 4}, 1.0f},
    {"g3-bg.png", 1280, 720, {}, 1.0f},
    {"g3-fg.png", 1280, 720, {2}, 1.0f},
    {"g3-d2.png", 2176, 720, {2}, 1.0f},
    {"g3-d3.png", 1664, 720, {}, 1.0f},
    {"g3-d4.png", 1440, 720, {}, 1.0f},
    {"g3-d1.png", 1280, 720, {2}, 1.0f},
    {"g3-d1-1.png", 2048, 720, {2}, 1.0f},
    {"g3-d1-2.png", 1024, 720, {2}, 1.0f},
    {"g3-d1-3.png", 1600, 720, {2}, 1.0f},
    {"g3-flare1.png", 1280, 720, {}, 1.0f},
    {"g3-flare2.png", 1280, 720, {}, 1.0f},
    {"g3-flare3.png", 1280, 720, {}, 1.0f},
    {"g3-flare4.png", 1280, 720, {}, 1.0f},
    {"glint.png", 1280, 720, {2}, 1.0f},
    {"glint4.png", 1280, 720, {}, 1.0f},
    {"g4-1.png", 1280, 720, {2}, 1.0f},
    {"g4-2.png", 1280, 720, {2, 3}, 1.0f},
    {"g4-3.png", 1280, 720, {}, 1.0f},
    {"glint5.png", 1280, 720, {}, 1.94f},
    {"glint5-skull.png", 1280, 720, {2, 3}, 1.0f},
    {"glint6.png", 1280, 720, {2}, 1.0f},
    {"halo.png", 1280, 720, {2}, 1.0f},
    {"halo2.png", 64, 64, {}, 1.0f},
    {"whitep.png", 18, 22, {2, 3, 4}, 1.0f},
    {"yellowp.png", 36, 40, {2, 3, 4}, 1.0f},
};
static_assert(sizeof(imageManifest) / sizeof(imageManifest[0]) == imageCount, "one manifest row per image");
