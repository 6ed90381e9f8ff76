// The content catalogue: what start-up reports for missing files, and where each sprite sits.
#include <gtest/gtest.h>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "runtime/assets.h"
#include "runtime/demo_state.h"
#include "support/support.h"

namespace fs = std::filesystem;

namespace {

// Load order; the font is the fourth load.
const char* const imageFiles[imageCount] = {
    "title.png", "hexagon.png", "hexagon-small.png", "credits.png", "black.png", "white.png",
    "wall.png", "gantz.png", "glint1-1.png", "glint1-2.png", "glint1-3.png", "glint1-4.png",
    "glint1-5.png", "glint1-6.png", "h1.png", "h2.png", "h3.png", "h4.png", "h5.png", "h6.png",
    "glint2.png", "glitter.png", "g3-bg.png", "g3-fg.png", "g3-d2.png", "g3-d3.png", "g3-d4.png",
    "g3-d1.png", "g3-d1-1.png", "g3-d1-2.png", "g3-d1-3.png", "g3-flare1.png", "g3-flare2.png",
    "g3-flare3.png", "g3-flare4.png", "glint.png", "glint4.png", "g4-1.png", "g4-2.png", "g4-3.png",
    "glint5.png", "glint5-skull.png", "glint6.png", "halo.png", "halo2.png", "whitep.png",
    "yellowp.png"};

// Image i is (i + 1) x 3 pixels, so a sprite's rectangle tells which file its texture holds.
class Catalogue : public ::testing::Test {
protected:
    void SetUp() override
    {
        testWindow();  // textures need a GL context
        char pattern[] = "/tmp/nerethval-catalogue-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        for (int i = 0; i < imageCount; ++i) {
            sf::Image image;
            image.create(static_cast<unsigned>(i + 1), 3, sf::Color::White);
            ASSERT_TRUE(image.saveToFile((dir / imageFiles[i]).string()));
        }
        fs::copy_file(NERETHVAL_BUILD_DIR "/data/Quillon8.ttf", dir / "Quillon8.ttf");
        fs::create_directory(dir / "aside");
    }
    void TearDown() override { fs::remove_all(dir); }

    // A fresh load, as at start-up, from the test directory with the given files set aside.
    std::string loadWithout(const std::vector<std::string>& missing)
    {
        for (const std::string& file : missing)
            fs::rename(dir / file, dir / "aside" / file);
        for (int i = 0; i < imageCount; ++i) {
            demo.textures[i] = sf::Texture();
            demo.sprites[i] = sf::Sprite();
        }
        demo.captionFont = sf::Font();
        demo.captionText = sf::Text();
        const fs::path previous = fs::current_path();
        fs::current_path(dir);
        const std::string output = captureConsole(loadAssets);
        fs::current_path(previous);
        for (const std::string& file : missing)
            fs::rename(dir / "aside" / file, dir / file);
        return output;
    }

    fs::path dir;
};

void expectPlacement(Image image, sf::Vector2f origin, sf::Vector2f position)
{
    EXPECT_EQ(sprite(image).getOrigin(), origin) << static_cast<int>(image);
    EXPECT_EQ(sprite(image).getPosition(), position) << static_cast<int>(image);
}

}  // namespace

TEST_F(Catalogue, EveryFilePresentLoadsSilentlyEachSpriteOnItsOwnTexture)
{
    EXPECT_EQ(loadWithout({}), "");
    for (int i = 0; i < imageCount; ++i) {
        EXPECT_EQ(demo.sprites[i].getTexture(), &demo.textures[i]) << imageFiles[i];
        EXPECT_EQ(demo.sprites[i].getTextureRect(), sf::IntRect(0, 0, i + 1, 3)) << imageFiles[i];
    }
    EXPECT_EQ(demo.captionText.getFont(), &demo.captionFont);
    EXPECT_FALSE(demo.captionFont.getInfo().family.empty());
}

TEST_F(Catalogue, EachReportedFileMissingWritesABlankLineAndItsMessage)
{
    const std::pair<const char*, const char*> reported[] = {
        {"Quillon8.ttf", "Error while loading font!"},
        {"credits.png", "Error while loading texture credits!"},
        {"black.png", "Error while loading texture black!"},
        {"white.png", "Error while loading texture white!"},
        {"wall.png", "Error while loading texture wall!"},
    };
    std::string all;
    for (const auto& [file, message] : reported) {
        EXPECT_EQ(loadWithout({file}), "\n" + std::string(message) + "\n") << file;
        all += "\n" + std::string(message) + "\n";
    }
    EXPECT_EQ(loadWithout({"Quillon8.ttf", "credits.png", "black.png", "white.png", "wall.png"}), all);
    // The demo runs on: the caption still has its (empty) font, the sprites draw nothing.
    EXPECT_EQ(demo.captionText.getFont(), &demo.captionFont);
    EXPECT_EQ(sprite(Image::Credits).getTextureRect(), sf::IntRect());
    EXPECT_EQ(sprite(Image::Wall).getOrigin(), sf::Vector2f(640.0f, 360.0f));
}

TEST_F(Catalogue, OtherMissingFilesGoUnreportedAndTheirSpritesStayEmpty)
{
    EXPECT_EQ(loadWithout({"title.png", "hexagon.png", "h6.png", "halo2.png", "yellowp.png"}), "");
    EXPECT_EQ(sprite(Image::Title).getTextureRect(), sf::IntRect());
    EXPECT_EQ(sprite(Image::H6).getTextureRect(), sf::IntRect());
    EXPECT_EQ(sprite(Image::H5).getTextureRect(), sf::IntRect(0, 0, 19, 3));
}

TEST_F(Catalogue, SpritesArePlacedAsTheirGroupsNeed)
{
    loadWithout({});
    const sf::Vector2f zero(0.0f, 0.0f);
    const sf::Vector2f centre(640.0f, 360.0f);
    for (Image layer : {Image::Black, Image::White, Image::Wall, Image::Gantz, Image::Glint1_1,
                        Image::Glint1_6, Image::Glint5, Image::Glint5Skull})
        expectPlacement(layer, centre, centre);
    for (Image hexagon : {Image::Hexagon, Image::H1, Image::H3, Image::H6})
        expectPlacement(hexagon, {360.0f, 360.0f}, centre);
    expectPlacement(Image::Glitter, {10.0f, 9.0f}, zero);
    expectPlacement(Image::WhiteP, {9.0f, 11.0f}, zero);
    expectPlacement(Image::YellowP, {18.0f, 20.0f}, zero);
    for (Image plain : {Image::Title, Image::HexagonSmall, Image::Credits, Image::Glint2,
                        Image::G3D1_3, Image::Glint, Image::G4_2, Image::Glint6, Image::Halo2})
        expectPlacement(plain, zero, zero);
}
