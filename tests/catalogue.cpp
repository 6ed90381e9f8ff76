// The content catalogue: what start-up reports for missing files, and where each sprite sits.
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <libdeflate.h>
#include <unistd.h>
#include <vector>

#include "runtime/assets.h"
#include "scenes/demo_state.h"
#include "runtime/png_file.h"
#include "support/support.h"

namespace fs = std::filesystem;

namespace {

// Image i is (i + 1) x 3 pixels, so a sprite's rectangle tells which file its texture holds.
class CatalogueLoad : public ::testing::Test {
protected:
    void SetUp() override
    {
        testWindow();  // textures need a GL context
        // Named by process, so that test programs of other trees running beside this one keep out.
        dir = fs::temp_directory_path() / ("nerethval-catalogue-" + std::to_string(getpid()));
        fs::remove_all(dir);
        ASSERT_TRUE(fs::create_directory(dir));
        for (int i = 0; i < imageCount; ++i) {
            sf::Image image;
            image.create(static_cast<unsigned>(i + 1), 3, sf::Color::White);
            ASSERT_TRUE(image.saveToFile((dir / imageManifest[i].file).string()));
        }
        fs::copy_file(NERETHVAL_BUILD_DIR "/data/Quillon8.ttf", dir / "Quillon8.ttf");
        fs::create_directory(dir / "aside");
    }
    void TearDown() override
    {
        // The font reads its file as it goes, and Windows keeps an open file from being removed.
        testCatalogue().captionFont = sf::Font();
        fs::remove_all(dir);
    }

    // A fresh load, as at start-up (inTurn: a row at a time, as in a browser), from the test
    // directory with the given files set aside.
    std::string loadWithout(const std::vector<std::string>& missing, bool inTurn = false,
                            float outputScale = pictureScale())
    {
        for (const std::string& file : missing)
            fs::rename(dir / file, dir / "aside" / file);
        for (int i = 0; i < imageCount; ++i) {
            testCatalogue().textures[i] = sf::Texture();
            demo.content.sprites[i] = sf::Sprite();
        }
        testCatalogue().captionFont = sf::Font();
        demo.content.captionText = sf::Text();
        const fs::path previous = fs::current_path();
        fs::current_path(dir);
        const std::string output = captureConsole([inTurn, outputScale] {
            if (!inTurn) {
                loadAssets(testCatalogue(), outputScale);
                return;
            }
            PendingImages rows = decodeAssetsInTurn(outputScale);
            int calls = 1;
            for (float share = 0.0f; (share = loadNextAssets(testCatalogue(), *rows)) < 1.0f; ++calls)
                EXPECT_NEAR(share, float(calls) / float(imageCount), 1e-6f);
            EXPECT_EQ(calls, imageCount);
        });
        fs::current_path(previous);
        for (const std::string& file : missing)
            fs::rename(dir / "aside" / file, dir / file);
        return output;
    }

    fs::path dir;
};

using Bytes = std::vector<unsigned char>;

void putBigEndian(Bytes& bytes, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.push_back(static_cast<unsigned char>(value >> shift));
}

void putChunk(Bytes& file, const char* type, const Bytes& data)
{
    putBigEndian(file, static_cast<std::uint32_t>(data.size()));
    Bytes typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    file.insert(file.end(), typed.begin(), typed.end());
    putBigEndian(file, libdeflate_crc32(0, typed.data(), typed.size()));
}

Bytes zlibCompressed(const Bytes& bytes, int level)
{
    libdeflate_compressor* compressor = libdeflate_alloc_compressor(level);
    Bytes compressed(libdeflate_zlib_compress_bound(compressor, bytes.size()));
    compressed.resize(libdeflate_zlib_compress(compressor, bytes.data(), bytes.size(), compressed.data(), compressed.size()));
    libdeflate_free_compressor(compressor);
    return compressed;
}

// A PNG file from its zlib stream: a text chunk and any `extra` chunks (PLTE, tRNS), then the
// image data in two chunks.
void writePngFile(const fs::path& path, unsigned width, unsigned height, unsigned char colourType, const Bytes& compressed,
                  unsigned char bitDepth = 8, const std::vector<std::pair<const char*, Bytes>>& extra = {})
{
    Bytes file = {137, 'P', 'N', 'G', '\r', '\n', 26, '\n'};
    Bytes header;
    putBigEndian(header, width);
    putBigEndian(header, height);
    header.insert(header.end(), {bitDepth, colourType, 0, 0, 0});
    putChunk(file, "IHDR", header);
    const char comment[] = "Comment\0ours";
    putChunk(file, "tEXt", Bytes(comment, comment + sizeof comment - 1));
    for (const auto& [type, data] : extra)
        putChunk(file, type, data);
    const std::size_t half = compressed.size() / 2;
    putChunk(file, "IDAT", Bytes(compressed.begin(), compressed.begin() + half));
    putChunk(file, "IDAT", Bytes(compressed.begin() + half, compressed.end()));
    putChunk(file, "IEND", {});
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
}

// The same with rows unfiltered; with `damaged`, its zlib checksum is wrong.
void writePng(const fs::path& path, unsigned width, unsigned height, unsigned char colourType, const Bytes& texels,
              bool damaged = false)
{
    const std::size_t rowBytes = texels.size() / height;
    Bytes rows;
    for (unsigned y = 0; y < height; ++y) {
        rows.push_back(0);
        rows.insert(rows.end(), texels.begin() + y * rowBytes, texels.begin() + (y + 1) * rowBytes);
    }
    Bytes compressed = zlibCompressed(rows, 6);
    if (damaged)
        compressed.back() ^= 1;
    writePngFile(path, width, height, colourType, compressed);
}

// Deflate's bits, least significant first; its codewords go most significant bit first.
struct DeflateBits {
    Bytes bytes;
    unsigned used = 8;

    void put(unsigned value, unsigned count)
    {
        for (unsigned i = 0; i < count; ++i, ++used) {
            if (used == 8) {
                bytes.push_back(0);
                used = 0;
            }
            bytes.back() |= static_cast<unsigned char>((value >> i & 1) << used);
        }
    }
    void putCodeword(unsigned codeword, unsigned length)
    {
        while (length-- > 0)
            put(codeword >> length & 1, 1);
    }
    // A literal, the end of the block or a length symbol in deflate's fixed code.
    void putFixed(unsigned symbol)
    {
        if (symbol < 144)
            putCodeword(0x30 + symbol, 8);
        else if (symbol < 256)
            putCodeword(0x190 + symbol - 144, 9);
        else if (symbol < 280)
            putCodeword(symbol - 256, 7);
        else
            putCodeword(0xc0 + symbol - 280, 8);
    }
};

// 1548 x 4 clear texels as a zlib stream of one fixed-code block: a zero, 96 copies of 258 bytes
// at distance 1 under `lengthSymbol`, then 3 bytes at distance 24577 under `distanceSymbol`.
// Symbols 285 and 29 make a sound stream; 286, 287, 30 and 31 are reserved.
Bytes clearRowsWithSymbols(unsigned lengthSymbol, unsigned distanceSymbol)
{
    DeflateBits bits;
    bits.put(1, 1);  // the last block
    bits.put(1, 2);  // in the fixed code
    bits.putFixed(0);
    for (int i = 0; i < 96; ++i) {
        bits.putFixed(lengthSymbol);
        bits.putCodeword(0, 5);
    }
    bits.putFixed(257);
    bits.putCodeword(distanceSymbol, 5);
    bits.put(0, 13);
    bits.putFixed(256);
    const Bytes rows(1 + 96 * 258 + 3, 0);
    Bytes stream = {0x78, 0x01};
    stream.insert(stream.end(), bits.bytes.begin(), bits.bytes.end());
    putBigEndian(stream, libdeflate_adler32(1, rows.data(), rows.size()));
    return stream;
}

sf::Color texelOf(Image image, unsigned x, unsigned y)
{
    return testCatalogue().textures[static_cast<int>(image)].copyToImage().getPixel(x, y);
}

void expectPlacement(Image image, sf::Vector2f origin, sf::Vector2f position)
{
    EXPECT_EQ(sprite(image).getOrigin(), origin) << static_cast<int>(image);
    EXPECT_EQ(sprite(image).getPosition(), position) << static_cast<int>(image);
}

}  // namespace

TEST_F(CatalogueLoad, EveryFilePresentLoadsSilentlyEachSpriteOnItsOwnTexture)
{
    for (bool inTurn : {false, true}) {
        EXPECT_EQ(loadWithout({}, inTurn), "");
        for (int i = 0; i < imageCount; ++i) {
            EXPECT_EQ(demo.content.sprites[i].getTexture(), &testCatalogue().textures[i]) << imageManifest[i].file;
            EXPECT_EQ(demo.content.sprites[i].getTextureRect(), sf::IntRect(0, 0, i + 1, 3)) << imageManifest[i].file;
        }
        EXPECT_EQ(demo.content.captionText.getFont(), &testCatalogue().captionFont);
        EXPECT_FALSE(testCatalogue().captionFont.getInfo().family.empty());
    }
}

TEST_F(CatalogueLoad, EachReportedFileMissingWritesABlankLineAndItsMessage)
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
    // A row at a time, the lines come in the same order: the font's before the fourth image's.
    EXPECT_EQ(loadWithout({"Quillon8.ttf", "credits.png", "black.png", "white.png", "wall.png"}, true), all);
    // The demo runs on: the caption still has its (empty) font, the sprites draw nothing.
    EXPECT_EQ(demo.content.captionText.getFont(), &testCatalogue().captionFont);
    EXPECT_EQ(sprite(Image::Credits).getTextureRect(), sf::IntRect());
    EXPECT_EQ(sprite(Image::Wall).getOrigin(), sf::Vector2f(640.0f, 360.0f));
}

TEST_F(CatalogueLoad, OtherMissingFilesGoUnreportedAndTheirSpritesStayEmpty)
{
    EXPECT_EQ(loadWithout({"title.png", "hexagon.png", "h6.png", "halo2.png", "yellowp.png"}), "");
    EXPECT_EQ(sprite(Image::Title).getTextureRect(), sf::IntRect());
    EXPECT_EQ(sprite(Image::EmblemFrame).getTextureRect(), sf::IntRect());
    EXPECT_EQ(sprite(Image::EmblemRunes).getTextureRect(), sf::IntRect(0, 0, 19, 3));
}

TEST_F(CatalogueLoad, EveryKindOfPngLoadsAndDamageIsReportedAsAMissingFile)
{
    // Grey; RGBA; RGBA with a wrong zlib checksum, twice; no image at all.
    writePng(dir / "title.png", 1, 3, 0, {10, 128, 250});
    const Bytes rgba = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24};
    writePng(dir / "hexagon.png", 2, 3, 6, rgba);
    writePng(dir / "hexagon-small.png", 2, 3, 6, rgba, true);
    writePng(dir / "black.png", 2, 3, 6, rgba, true);
    std::ofstream(dir / "credits.png") << "not a picture";

    EXPECT_EQ(loadWithout({}), "\nError while loading texture credits!\n\nError while loading texture black!\n");
    EXPECT_EQ(sprite(Image::Title).getTextureRect(), sf::IntRect(0, 0, 1, 3));
    EXPECT_EQ(texelOf(Image::Title, 0, 1), sf::Color(128, 128, 128, 255));
    EXPECT_EQ(sprite(Image::PulseHexagon).getTextureRect(), sf::IntRect(0, 0, 2, 3));
    EXPECT_EQ(texelOf(Image::PulseHexagon, 1, 2), sf::Color(21, 22, 23, 24));
    EXPECT_EQ(testCatalogue().facts[static_cast<int>(Image::PulseHexagon)].size, sf::Vector2u(2, 3));
    for (Image failed : {Image::BubbleHexagon, Image::Credits, Image::Black}) {
        EXPECT_EQ(sprite(failed).getTextureRect(), sf::IntRect()) << static_cast<int>(failed);
        EXPECT_FALSE(testCatalogue().facts[static_cast<int>(failed)].known) << static_cast<int>(failed);
    }
}

TEST_F(CatalogueLoad, ImagesOfEveryColourTypeAndBitDepthReadAsRgba)
{
    // Two texels each, unfiltered rows of one line.
    struct Kind {
        unsigned char colourType, bitDepth;
        Bytes row;
        std::vector<std::pair<const char*, Bytes>> extra;
        sf::Color left, right;
    };
    const Kind kinds[] = {
        {0, 1, {0x80}, {}, sf::Color::White, sf::Color::Black},
        {0, 16, {0x12, 0x34, 0xab, 0xcd}, {}, {0x12, 0x12, 0x12, 255}, {0xab, 0xab, 0xab, 255}},
        {2, 16, {1, 9, 2, 9, 3, 9, 4, 9, 5, 9, 6, 9}, {}, {1, 2, 3, 255}, {4, 5, 6, 255}},
        {3, 4, {0x10}, {{"PLTE", {7, 8, 9, 10, 11, 12}}, {"tRNS", {50}}}, {10, 11, 12, 255}, {7, 8, 9, 50}},
        {4, 8, {40, 41, 42, 43}, {}, {40, 40, 40, 41}, {42, 42, 42, 43}},
        {6, 16, {1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0, 7, 0, 8, 0}, {}, {1, 2, 3, 4}, {5, 6, 7, 8}},
    };
    const std::string file = (dir / "kind.png").string();
    PngScratch scratch;
    for (const Kind& kind : kinds) {
        SCOPED_TRACE(testing::Message() << int(kind.colourType) << ", " << int(kind.bitDepth));
        Bytes rows = {0};
        rows.insert(rows.end(), kind.row.begin(), kind.row.end());
        writePngFile(file, 2, 1, kind.colourType, zlibCompressed(rows, 6), kind.bitDepth, kind.extra);
        sf::Image image;
        ASSERT_EQ(readPng(file.c_str(), scratch, image), PngRead::Libpng);
        ASSERT_EQ(image.getSize(), sf::Vector2u(2, 1));
        EXPECT_EQ(image.getPixel(0, 0), kind.left);
        EXPECT_EQ(image.getPixel(1, 0), kind.right);
    }
}

TEST_F(CatalogueLoad, ReadersRefuseWhatZlibRefusesAndSizesNoDataCouldFill)
{
    const std::string file = (dir / "hostile.png").string();
    PngScratch scratch;
    sf::Image read, reference;

    // 1 GiB of texels claimed by 20 bytes of image data: refused before any memory is taken.
    writePngFile(file, 16384, 16384, 6, zlibCompressed(Bytes(20, 0), 6));
    EXPECT_EQ(readPng(file.c_str(), scratch, read), PngRead::Failed);
    EXPECT_EQ(scratch.filtered.capacity() + scratch.pixels.capacity(), 0u);

    // Nothing but zeros packs tighter than anything else, close to deflate's limit; the bound
    // takes such a file still.
    const Bytes zeros((2048 * 4 + 1) * 512, 0);
    const Bytes packed = zlibCompressed(zeros, 12);
    EXPECT_GT(zeros.size(), 950 * packed.size());
    writePngFile(file, 2048, 512, 6, packed);
    ASSERT_EQ(readPng(file.c_str(), scratch, read), PngRead::Quick);
    EXPECT_EQ(read.getPixel(2047, 511), sf::Color::Transparent);

    // Reserved length and distance symbols, which libdeflate decodes as others and zlib refuses;
    // SFML's decoder takes the distances as 0 and copies bytes it never wrote. With its checksum
    // flipped too, and as grey texels (the other reader's kind), the stream fails all the same:
    // as black.png the loader reports it as it reports a missing file.
    const unsigned streams[][2] = {{285, 29}, {286, 29}, {287, 29}, {285, 30}, {285, 31}};
    for (const auto& [lengthSymbol, distanceSymbol] : streams) {
        for (const bool greyDamaged : {false, true}) {
            SCOPED_TRACE(testing::Message() << lengthSymbol << ", " << distanceSymbol << (greyDamaged ? " grey" : ""));
            const bool sound = lengthSymbol == 285 && distanceSymbol == 29;
            Bytes stream = clearRowsWithSymbols(lengthSymbol, distanceSymbol);
            stream.back() ^= greyDamaged ? 1 : 0;
            writePngFile(file, greyDamaged ? 1548 * 4 : 1548, 4, greyDamaged ? 0 : 6, stream);
            const PngRead expected = sound && !greyDamaged ? PngRead::Quick : PngRead::Failed;
            ASSERT_EQ(readPng(file.c_str(), scratch, read), expected);
            if (expected == PngRead::Quick) {
                ASSERT_TRUE(reference.loadFromFile(file));
                EXPECT_EQ(std::memcmp(read.getPixelsPtr(), reference.getPixelsPtr(), 1548 * 4 * 4), 0);
            }
            // Removed first: mingw's copy_file does not overwrite.
            std::filesystem::remove(dir / "black.png");
            std::filesystem::copy_file(file, dir / "black.png");
            EXPECT_EQ(loadWithout({}), expected == PngRead::Quick ? "" : "\nError while loading texture black!\n");
        }
    }

    // A critical chunk whose CRC does not match its bytes.
    writePngFile(file, 1548, 4, 6, clearRowsWithSymbols(285, 29));
    std::fstream damaged(file, std::ios::binary | std::ios::in | std::ios::out);
    damaged.seekg(8 + 8 + 13);  // IHDR's CRC
    const char crcByte = char(damaged.get());
    damaged.seekp(8 + 8 + 13);
    damaged.put(char(crcByte ^ 1));
    damaged.close();
    EXPECT_EQ(readPng(file.c_str(), scratch, read), PngRead::Failed);

    // Bytes after the end of the zlib stream, in each reader's kind: four texels' worth.
    const Bytes rows = {0, 1, 2, 3, 4};
    for (const unsigned char colourType : {6, 0}) {
        Bytes stream = zlibCompressed(rows, 6);
        writePngFile(file, colourType == 6 ? 1 : 4, 1, colourType, stream);
        EXPECT_EQ(readPng(file.c_str(), scratch, read), colourType == 6 ? PngRead::Quick : PngRead::Libpng);
        stream.insert(stream.end(), {0, 0, 0, 0});
        writePngFile(file, colourType == 6 ? 1 : 4, 1, colourType, stream);
        EXPECT_EQ(readPng(file.c_str(), scratch, read), PngRead::Failed) << int(colourType);
    }
}

TEST_F(CatalogueLoad, ContentFilesAreTheFilesTheLoaderChoosesAtEachScale)
{
    // The hexagon is enlarged most, 2.91 times: above 2 / 2.91 its denser file is a close-up, and
    // above the design's scale it replaces the design file. The glitter is never enlarged.
    for (Image image : {Image::PulseHexagon, Image::Glitter}) {
        const int i = static_cast<int>(image);
        const std::string name = imageManifest[i].file;
        sf::Image dense;
        dense.create(2 * unsigned(i + 1), 2 * 3, sf::Color::White);
        ASSERT_TRUE(dense.saveToFile((dir / (name.substr(0, name.size() - 4) + "@2x.png")).string()));
    }
    const fs::path previous = fs::current_path();
    fs::current_path(dir);
    const auto holds = [](float scale, const std::string& file) {
        const std::vector<std::string> files = contentFilesFor(scale);
        return std::find(files.begin(), files.end(), file) != files.end();
    };
    EXPECT_TRUE(holds(0.5f, "hexagon.png") && !holds(0.5f, "hexagon@2x.png"));
    EXPECT_TRUE(holds(1.0f, "hexagon.png") && holds(1.0f, "hexagon@2x.png"));
    EXPECT_TRUE(!holds(1.5f, "hexagon.png") && holds(1.5f, "hexagon@2x.png"));
    EXPECT_TRUE(holds(1.4f, "glitter.png") && !holds(1.4f, "glitter@2x.png") && holds(1.5f, "glitter@2x.png"));
    for (const char* other : {captionFontFile, timelineModuleFile, soundtrackFile})
        EXPECT_TRUE(holds(1.0f, other)) << other;
    EXPECT_EQ(contentFilesFor(1.0f).size(), std::size_t(imageCount + 1 + 3));
    fs::current_path(previous);
}

TEST_F(CatalogueLoad, AtOneAndAHalfAnImageNeverEnlargedIsResampledToTheOutputsTexels)
{
    // The landscape's foreground is never enlarged: its 2x file becomes 1.5x texels. Its right half is
    // opaque white, its left half clear black, which must lend the edge no grey. The hexagon is
    // enlarged most, but never given more than two texels an output pixel: its 4x file becomes 3x.
    sf::Image design;
    design.create(8, 4, sf::Color::White);
    ASSERT_TRUE(design.saveToFile((dir / "g3-fg.png").string()));
    sf::Image dense;
    dense.create(16, 8, sf::Color::Transparent);
    for (unsigned y = 0; y < 8; ++y)
        for (unsigned x = 8; x < 16; ++x)
            dense.setPixel(x, y, sf::Color::White);
    ASSERT_TRUE(dense.saveToFile((dir / "g3-fg@2x.png").string()));
    ASSERT_TRUE(dense.saveToFile((dir / "hexagon@2x.png").string()));
    sf::Image densest;
    densest.create(32, 16, sf::Color::White);
    ASSERT_TRUE(densest.saveToFile((dir / "hexagon@4x.png").string()));
    sf::Image hexagonDesign;
    hexagonDesign.create(8, 4, sf::Color::White);
    ASSERT_TRUE(hexagonDesign.saveToFile((dir / "hexagon.png").string()));

    for (const bool inTurn : {false, true}) {
        EXPECT_EQ(loadWithout({}, inTurn, 1.5f), "");
        const ImageFacts& foreground = testCatalogue().facts[static_cast<int>(Image::LandscapeForeground)];
        const sf::Image shown = testCatalogue().textures[static_cast<int>(Image::LandscapeForeground)].copyToImage();
        ASSERT_EQ(shown.getSize(), sf::Vector2u(12, 6));
        EXPECT_EQ(foreground.density, 1.5f);
        for (unsigned x = 0; x < 12; ++x) {
            const sf::Color texel = shown.getPixel(x, 3);
            if (texel.a > 0) {
                EXPECT_EQ(sf::Color(texel.r, texel.g, texel.b), sf::Color::White) << x;
            }
            EXPECT_EQ(texel.a == 0, x < 5) << x;
            EXPECT_EQ(texel.a == 255, x > 6) << x;
        }
        EXPECT_EQ(testCatalogue().facts[static_cast<int>(Image::PulseHexagon)].density, 3.0f);
        EXPECT_EQ(testCatalogue().textures[static_cast<int>(Image::PulseHexagon)].getSize(), sf::Vector2u(24, 12));
    }
}

TEST_F(CatalogueLoad, SpritesArePlacedAsTheirGroupsNeed)
{
    loadWithout({});
    const sf::Vector2f zero(0.0f, 0.0f);
    const sf::Vector2f centre(640.0f, 360.0f);
    for (Image layer : {Image::Black, Image::White, Image::Wall, Image::FlashSigil, Image::WarpNebula,
                        Image::WarpBokeh, Image::Eclipse, Image::Skull})
        expectPlacement(layer, centre, centre);
    for (Image hexagon : {Image::PulseHexagon, Image::EmblemCore, Image::EmblemDial, Image::EmblemFrame})
        expectPlacement(hexagon, {360.0f, 360.0f}, centre);
    expectPlacement(Image::Glitter, {10.0f, 9.0f}, zero);
    expectPlacement(Image::WhiteSpark, {9.0f, 11.0f}, zero);
    expectPlacement(Image::YellowSpark, {18.0f, 20.0f}, zero);
    for (Image plain : {Image::Title, Image::BubbleHexagon, Image::Credits, Image::Gem,
                        Image::GroundStripMiddle, Image::LandscapeStar, Image::Constellation, Image::CentralStar, Image::UnusedHalo})
        expectPlacement(plain, zero, zero);
}
