#pragma once
// The content's 47 images, in load order: the one list that the generator paints, the loader
// reads and places, and the tests check. A new image is a value of `Image`, its row here and its
// case in the generator's painter switch, which the compiler holds to every value.
//
// Beside each design file NAME.png the content may carry NAME@kx.png, the same art painted at k
// texels per design pixel, for outputs larger than the design's. Lines, rims, outlines and
// lettering gain from density; glows, haze and solid fills look the same magnified, so they have
// none, and every denser file costs start-up where it is read.

// The images, named after what they show, in manifest order.
enum class Image {
    Title, PulseHexagon, BubbleHexagon, Credits, Black, White, Wall, FlashSigil, WarpNebula, WarpGlow,
    WarpStreaks, WarpHexagon, WarpStar, WarpBokeh, EmblemCore, EmblemSatellites, EmblemDial, EmblemBlades,
    EmblemRunes, EmblemFrame, Gem, Glitter, LandscapeSky, LandscapeForeground, RangeNear, RangeMiddle,
    RangeFar, GroundStrip, GroundStripWide, GroundStripNarrow, GroundStripMiddle, LandscapeFlare1,
    LandscapeFlare2, LandscapeFlare3, LandscapeFlare4, LandscapeStar, Planet, Moon, Constellation, Sunrise,
    Eclipse, Skull, CentralStar, Halo, UnusedHalo, WhiteSpark, YellowSpark,
    Count
};
constexpr int imageCount = static_cast<int>(Image::Count);

// Texels per design pixel of the densest file an image may have.
constexpr unsigned densestImage = 4;

// Pixels of the window or the image.
struct ImagePoint {
    float x;
    float y;
};

// What the scenes rely on of an image's texels.
enum class Cover {
    Opaque,        // every texel
    OpaqueEdges,   // opaque corners around a see-through middle
    ClearCorners,  // a picture or a light on nothing
    ClearTop,      // ground that stands on the bottom edge, open above
    Black,         // every texel opaque black
};

struct ImageManifestRow {
    Image image;
    const char* file;
    unsigned width;   // design pixels
    unsigned height;  // design pixels
    // The k of each denser file, rising; 0 after the last.
    unsigned densities[densestImage - 1];
    // Design pixels per design texel where the scenes magnify it most, measured over a whole run;
    // 1 for an image never drawn above its design size.
    float mostMagnified;
    // Where its sprite sits until a scene moves it: the point of the image that the position
    // refers to, the pivot for scale and rotation, and the position. (0, 0) and (0, 0) are the
    // sprite's own defaults.
    ImagePoint origin;
    ImagePoint position;
    const char* failureMessage;  // null: a failed load goes unreported
    Cover cover;
};

constexpr ImagePoint topLeft{0.0f, 0.0f};
constexpr ImagePoint windowCentre{640.0f, 360.0f};
constexpr ImagePoint hexagonCentre{360.0f, 360.0f};  // the middle of a 720 x 720 image

constexpr ImageManifestRow imageManifest[] = {
    {Image::Title, "title.png", 1280, 720, {2}, 1.0f, topLeft, topLeft, nullptr, Cover::ClearCorners},
    {Image::PulseHexagon, "hexagon.png", 720, 720, {2, 3, 4}, 2.91f, hexagonCentre, windowCentre, nullptr, Cover::ClearCorners},
    {Image::BubbleHexagon, "hexagon-small.png", 256, 256, {}, 1.0f, topLeft, topLeft, nullptr, Cover::ClearCorners},
    {Image::Credits, "credits.png", 1280, 720, {2}, 1.0f, topLeft, topLeft, "Error while loading texture credits!", Cover::Opaque},
    {Image::Black, "black.png", 1280, 720, {}, 1.0f, windowCentre, windowCentre, "Error while loading texture black!", Cover::Black},
    {Image::White, "white.png", 1280, 720, {}, 1.43f, windowCentre, windowCentre, "Error while loading texture white!", Cover::Opaque},
    {Image::Wall, "wall.png", 1280, 720, {}, 1.43f, windowCentre, windowCentre, "Error while loading texture wall!", Cover::OpaqueEdges},
    {Image::FlashSigil, "gantz.png", 1280, 720, {2}, 1.05f, windowCentre, windowCentre, nullptr, Cover::ClearCorners},
    {Image::WarpNebula, "glint1-1.png", 1280, 720, {}, 1.3f, windowCentre, windowCentre, nullptr, Cover::Opaque},
    {Image::WarpGlow, "glint1-2.png", 1280, 720, {}, 1.36f, windowCentre, windowCentre, nullptr, Cover::ClearCorners},
    {Image::WarpStreaks, "glint1-3.png", 1280, 720, {2, 3}, 1.6f, windowCentre, windowCentre, nullptr, Cover::ClearCorners},
    {Image::WarpHexagon, "glint1-4.png", 1280, 720, {2, 3}, 1.7f, windowCentre, windowCentre, nullptr, Cover::ClearCorners},
    {Image::WarpStar, "glint1-5.png", 1280, 720, {}, 1.99f, windowCentre, windowCentre, nullptr, Cover::ClearCorners},
    {Image::WarpBokeh, "glint1-6.png", 1280, 720, {}, 2.37f, windowCentre, windowCentre, nullptr, Cover::ClearCorners},
    {Image::EmblemCore, "h1.png", 720, 720, {2, 3}, 1.46f, hexagonCentre, windowCentre, nullptr, Cover::ClearCorners},
    {Image::EmblemSatellites, "h2.png", 720, 720, {2, 3}, 1.46f, hexagonCentre, windowCentre, nullptr, Cover::ClearCorners},
    {Image::EmblemDial, "h3.png", 720, 720, {2, 3}, 1.46f, hexagonCentre, windowCentre, nullptr, Cover::ClearCorners},
    {Image::EmblemBlades, "h4.png", 720, 720, {2, 3}, 1.46f, hexagonCentre, windowCentre, nullptr, Cover::ClearCorners},
    {Image::EmblemRunes, "h5.png", 720, 720, {2, 3}, 1.46f, hexagonCentre, windowCentre, nullptr, Cover::ClearCorners},
    {Image::EmblemFrame, "h6.png", 720, 720, {2, 3}, 1.46f, hexagonCentre, windowCentre, nullptr, Cover::ClearCorners},
    {Image::Gem, "glint2.png", 1280, 720, {2}, 1.0f, topLeft, topLeft, nullptr, Cover::Opaque},
    {Image::Glitter, "glitter.png", 20, 18, {2, 3, 4}, 1.0f, {10.0f, 9.0f}, topLeft, nullptr, Cover::ClearCorners},
    {Image::LandscapeSky, "g3-bg.png", 1280, 720, {}, 1.0f, topLeft, topLeft, nullptr, Cover::Opaque},
    {Image::LandscapeForeground, "g3-fg.png", 1280, 720, {2}, 1.0f, topLeft, topLeft, nullptr, Cover::ClearTop},
    {Image::RangeNear, "g3-d2.png", 2176, 720, {2}, 1.0f, topLeft, topLeft, nullptr, Cover::ClearTop},
    {Image::RangeMiddle, "g3-d3.png", 1664, 720, {}, 1.0f, topLeft, topLeft, nullptr, Cover::ClearTop},
    {Image::RangeFar, "g3-d4.png", 1440, 720, {}, 1.0f, topLeft, topLeft, nullptr, Cover::ClearTop},
    {Image::GroundStrip, "g3-d1.png", 1280, 720, {2}, 1.0f, topLeft, topLeft, nullptr, Cover::ClearTop},
    {Image::GroundStripWide, "g3-d1-1.png", 2048, 720, {2}, 1.0f, topLeft, topLeft, nullptr, Cover::ClearTop},
    {Image::GroundStripNarrow, "g3-d1-2.png", 1024, 720, {2}, 1.0f, topLeft, topLeft, nullptr, Cover::ClearTop},
    {Image::GroundStripMiddle, "g3-d1-3.png", 1600, 720, {2}, 1.0f, topLeft, topLeft, nullptr, Cover::ClearTop},
    {Image::LandscapeFlare1, "g3-flare1.png", 1280, 720, {}, 1.0f, topLeft, topLeft, nullptr, Cover::ClearCorners},
    {Image::LandscapeFlare2, "g3-flare2.png", 1280, 720, {}, 1.0f, topLeft, topLeft, nullptr, Cover::ClearCorners},
    {Image::LandscapeFlare3, "g3-flare3.png", 1280, 720, {}, 1.0f, topLeft, topLeft, nullptr, Cover::ClearCorners},
    {Image::LandscapeFlare4, "g3-flare4.png", 1280, 720, {}, 1.0f, topLeft, topLeft, nullptr, Cover::ClearCorners},
    {Image::LandscapeStar, "glint.png", 1280, 720, {2}, 1.0f, topLeft, topLeft, nullptr, Cover::ClearCorners},
    {Image::Planet, "glint4.png", 1280, 720, {}, 1.0f, topLeft, topLeft, nullptr, Cover::Opaque},
    {Image::Moon, "g4-1.png", 1280, 720, {2}, 1.0f, topLeft, topLeft, nullptr, Cover::ClearCorners},
    {Image::Constellation, "g4-2.png", 1280, 720, {2, 3}, 1.0f, topLeft, topLeft, nullptr, Cover::ClearCorners},
    {Image::Sunrise, "g4-3.png", 1280, 720, {}, 1.0f, topLeft, topLeft, nullptr, Cover::ClearCorners},
    {Image::Eclipse, "glint5.png", 1280, 720, {}, 1.94f, windowCentre, windowCentre, nullptr, Cover::Opaque},
    {Image::Skull, "glint5-skull.png", 1280, 720, {2, 3}, 1.0f, windowCentre, windowCentre, nullptr, Cover::ClearCorners},
    {Image::CentralStar, "glint6.png", 1280, 720, {2}, 1.0f, topLeft, topLeft, nullptr, Cover::ClearCorners},
    {Image::Halo, "halo.png", 1280, 720, {2}, 1.0f, topLeft, topLeft, nullptr, Cover::ClearCorners},
    {Image::UnusedHalo, "halo2.png", 64, 64, {}, 1.0f, topLeft, topLeft, nullptr, Cover::ClearCorners},
    {Image::WhiteSpark, "whitep.png", 18, 22, {2, 3, 4}, 1.0f, {9.0f, 11.0f}, topLeft, nullptr, Cover::ClearCorners},
    {Image::YellowSpark, "yellowp.png", 36, 40, {2, 3, 4}, 1.0f, {18.0f, 20.0f}, topLeft, nullptr, Cover::ClearCorners},
};

// Row i is the row of Image(i): the loader, the generator and the tests index it by the value.
constexpr bool manifestFollowsTheImages()
{
    int row = 0;
    for (const ImageManifestRow& entry : imageManifest) {
        if (entry.image != Image(row++))
            return false;
    }
    return row == imageCount;
}
static_assert(manifestFollowsTheImages(), "one manifest row per image, in the order of Image");

constexpr const ImageManifestRow& manifestRow(Image image) { return imageManifest[static_cast<int>(image)]; }
