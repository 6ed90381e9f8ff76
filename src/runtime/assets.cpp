#include "runtime/assets.h"

#include <SFML/OpenGL.hpp>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/gl_fast_paths.h"
#include "platform/image_memory.h"
#include "platform/program_folder.h"
#include "runtime/catalogue.h"
#include "runtime/console.h"
#include "runtime/state_rooms.h"
#include "runtime/timeline.h"
#include "runtime/draw_layer.h"
#include "runtime/png_file.h"

namespace {

constexpr int rowsBeforeFont = 3;

struct ImageFile {
    std::string path;
    unsigned density = 1;  // texels per design pixel
    sf::Vector2u size;     // as its header gives it; (0, 0) when it cannot be read
};

// The image's file of `density` texels per design pixel, if there is one exactly that many times
// the design file's size; an empty path if not.
ImageFile denseFileOf(const ImageManifestRow& row, sf::Vector2u designSize, unsigned density)
{
    const std::string name = row.file;
    std::string dense = name.substr(0, name.rfind('.')) + "@" + std::to_string(density) + "x.png";
    if (designSize.x == 0 || pngSize(dense.c_str()) != designSize * density)
        return {};
    return {std::move(dense), density, designSize * density};
}

// For an output larger than the design's: the least dense file that still gives every output
// pixel a texel where the image is enlarged most, or else the densest there is. A denser file
// counts only when it is exactly that many times the design file's size. A tenth of a texel short
// is not worth a denser file, and the design texels' anti-aliased edges hold up to half as large
// again. At the design's size the design files stay, even for the images the scenes enlarge:
// software OpenGL samples a denser texture and its mipmaps so much more slowly that scenes 05 and
// 11 would no longer keep up with 60 frames a second. The most enlarged get a close-up instead.
ImageFile imageFileFor(const ImageManifestRow& row, float outputScale)
{
    ImageFile chosen{row.file, 1, pngSize(row.file)};
    const float wanted = outputScale * row.mostMagnified;
    if (outputScale <= 1.0f || wanted < 1.5f)
        return chosen;
    const sf::Vector2u designSize = chosen.size;
    for (unsigned density : row.densities) {
        if (density == 0)
            break;
        ImageFile dense = denseFileOf(row, designSize, density);
        if (dense.path.empty())
            continue;
        chosen = std::move(dense);
        if (float(density) + 0.1f >= wanted)
            break;
    }
    return chosen;
}

// Denser texels for the draws that magnify an image read from its design file over twice: the
// least dense file there is, drawn only where it is magnified enough to need no mipmaps. An empty
// path where there is none.
ImageFile closeUpFileFor(const ImageManifestRow& row, const ImageFile& chosen, float outputScale)
{
    if (chosen.density > 1 || outputScale * row.mostMagnified < 2.0f)
        return {};
    for (unsigned density : row.densities) {
        if (density == 0)
            break;
        ImageFile dense = denseFileOf(row, chosen.size, density);
        if (!dense.path.empty())
            return dense;
    }
    return {};
}

// Content outside the catalogue: the font, and what the frame loop and scene 02 open.
const char* const otherContent[] = {captionFontFile, timelineModuleFile, soundtrackFile};

bool holdsContent(const std::filesystem::path& dir)
{
    std::error_code error;
    for (const ImageManifestRow& row : imageManifest) {
        if (std::filesystem::exists(dir / row.file, error))
            return true;
    }
    for (const char* file : otherContent) {
        if (std::filesystem::exists(dir / file, error))
            return true;
    }
    return false;
}

void reportFailure(const char* message)
{
    printLine("");
    printLine(message);
}

// Images are decoded ahead on worker threads while the catalogue walk uploads them in order; the
// workers end before loadAssets returns. Decoding is most of the load, and it needs no GL context,
// so it can start before the window and the catalogue exist.
using MipmapLevels = std::vector<std::vector<std::uint8_t>>;

struct DecodedImage {
    std::optional<sf::Image> pixels;  // emptied once uploaded
    bool decoded = false;
    ImageFacts facts;  // worked out on the worker too: it reads every texel
    MipmapLevels smallerLevels;  // of a dense image, emptied once uploaded
    bool ready = false;  // guarded by ImageDecoding::lock
};

// A dense image's mipmaps below its own texels, each level half the one above (rounded down, at
// least 1) down to 1 x 1, each texel the mean of the texels beneath it. Software OpenGL makes them
// on the thread that asks, which would hold up start-up; the decoding workers make them instead.
MipmapLevels mipmapLevels(const sf::Image& image)
{
    MipmapLevels levels;
    sf::Vector2u size = image.getSize();
    const std::uint8_t* above = image.getPixelsPtr();
    while (size.x > 1 || size.y > 1) {
        const sf::Vector2u half(std::max(1u, size.x / 2), std::max(1u, size.y / 2));
        std::vector<std::uint8_t>& level = levels.emplace_back(std::size_t(half.x) * half.y * 4);
        for (unsigned y = 0; y < half.y; ++y) {
            const std::uint8_t* rows[2] = {above + std::size_t(2 * y) * size.x * 4,
                                           above + std::size_t(std::min(2 * y + 1, size.y - 1)) * size.x * 4};
            std::uint8_t* out = &level[std::size_t(y) * half.x * 4];
            for (unsigned x = 0; x < half.x; ++x) {
                const std::size_t left = std::size_t(2 * x) * 4;
                const std::size_t right = std::size_t(std::min(2 * x + 1, size.x - 1)) * 4;
                for (unsigned channel = 0; channel < 4; ++channel)
                    out[x * 4 + channel] = std::uint8_t((rows[0][left + channel] + rows[0][right + channel] +
                                                         rows[1][left + channel] + rows[1][right + channel] + 2) / 4);
            }
        }
        above = level.data();
        size = half;
    }
    return levels;
}

void uploadSmallerLevels(sf::Texture& texture, const MipmapLevels& levels)
{
    sf::Vector2u size = texture.getSize();
    for (std::size_t level = 0; level < levels.size(); ++level) {
        size = {std::max(1u, size.x / 2), std::max(1u, size.y / 2)};
        loadSmallerTexels(texture, unsigned(level + 1), size, levels[level].data());
    }
    sf::Texture::bind(&texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    sf::Texture::bind(nullptr);
}

}  // namespace

struct ImageDecoding {
    float outputScale = 1.0f;  // output pixels per design pixel, which the files were chosen for
    ImageFile files[imageCount];
    ImageFile closeUpFiles[imageCount];
    DecodedImage images[imageCount];
    DecodedImage closeUpImages[imageCount];
    std::atomic<int> nextJob{0};  // each row's image, then its close-up
    int loadedRows = 0;  // taken up into the catalogue, when it is loaded a row at a time
    std::mutex lock;
    std::condition_variable readyChanged;
    std::vector<std::thread> workers;
};

void StopImageDecoding::operator()(ImageDecoding* decoding) const
{
    for (std::thread& worker : decoding->workers)
        worker.join();
    delete decoding;
}

namespace {

void decodeImage(const ImageFile& file, bool withMipmaps, PngScratch& scratch, DecodedImage& image)
{
    if (file.path.empty())
        return;
    sf::Image& pixels = image.pixels.emplace();
    image.decoded = readPng(file.path.c_str(), scratch, pixels) != PngRead::Failed;
    if (image.decoded)
        image.facts = imageFacts(pixels);
    if (image.decoded && withMipmaps)
        image.smallerLevels = mipmapLevels(pixels);
}

void decodeJob(ImageDecoding& queue, int job, PngScratch& scratch)
{
    const int row = job / 2;
    const bool closeUp = job % 2 == 1;
    DecodedImage& image = closeUp ? queue.closeUpImages[row] : queue.images[row];
    if (closeUp)
        decodeImage(queue.closeUpFiles[row], false, scratch, image);
    else
        decodeImage(queue.files[row], queue.files[row].density > 1, scratch, image);
    std::lock_guard<std::mutex> hold(queue.lock);
    image.ready = true;
    queue.readyChanged.notify_all();
}

void decodeRows(ImageDecoding& queue)
{
    PngScratch scratch;
    for (int job = queue.nextJob++; job < 2 * imageCount; job = queue.nextJob++)
        decodeJob(queue, job, scratch);
}

DecodedImage& waitFor(ImageDecoding& queue, DecodedImage& image)
{
    std::unique_lock<std::mutex> hold(queue.lock);
    queue.readyChanged.wait(hold, [&] { return image.ready; });
    return image;
}

int decodeWorkerCount()
{
    // Decoded images wait in memory until they are uploaded; beyond the cores, more workers would
    // only hold more of them at once.
    return static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
}

// Room for every image and close-up twice: decoded and waiting, and as a texture.
void reserveImageMemory(const ImageDecoding& queue)
{
    std::size_t bytes = 64 << 20;  // the workers' buffers, and slack
    for (int row = 0; row < imageCount; ++row) {
        const ImageFile& file = queue.files[row];
        const ImageFile& closeUp = queue.closeUpFiles[row];
        // A dense image's mipmaps add a third.
        bytes += 2 * std::size_t(file.size.x) * file.size.y * 4 * (file.density > 1 ? 4 : 3) / 3;
        bytes += 2 * std::size_t(closeUp.size.x) * closeUp.size.y * 4;
    }
    growHeapForImages(bytes);
}

PendingImages startDecoding(float outputScale, int workerCount)
{
    PendingImages queue(new ImageDecoding);
    queue->outputScale = outputScale;
    for (int row = 0; row < imageCount; ++row) {
        queue->files[row] = imageFileFor(imageManifest[row], outputScale);
        queue->closeUpFiles[row] = closeUpFileFor(imageManifest[row], queue->files[row], outputScale);
    }
    static std::once_flag memoryReserved;
    std::call_once(memoryReserved, [&] { reserveImageMemory(*queue); });
    for (int i = 0; i < workerCount; ++i)
        queue->workers.emplace_back(decodeRows, std::ref(*queue));
    return queue;
}

void loadImage(Catalogue& catalogue, const ImageManifestRow& row, const ImageFile& file, DecodedImage& image)
{
    sf::Texture& texture = catalogue.textures[static_cast<int>(row.image)];
    // Stored the way the window stores pixels, a dense image's mipmaps too.
    const bool loaded = image.decoded && loadTexels(texture, *image.pixels);
    if (!loaded && row.failureMessage)
        reportFailure(row.failureMessage);
    ImageFacts& facts = catalogue.facts[static_cast<int>(row.image)];
    facts = loaded ? std::move(image.facts) : ImageFacts();
    // Layers zoom, shrink and turn; filtered sampling keeps their edges clean. A dense image is
    // shown smaller than its texels wherever it is not enlarged: its mipmaps keep that clean too.
    texture.setSmooth(true);
    if (loaded && file.density > 1) {
        facts.density = file.density;
        facts.mipmapped = true;
        uploadSmallerLevels(texture, image.smallerLevels);
    }
    image.smallerLevels.clear();
    // Freed now, for the images still to come: an sf::Image assigned an empty one keeps its buffer.
    image.pixels.reset();

    sf::Sprite& placed = sprite(row.image);
    // A sprite without a texture takes the whole texture as its rectangle; a failed load leaves
    // it empty, so the sprite draws nothing.
    placed.setTexture(texture);
    placed.setOrigin(row.origin.x, row.origin.y);
    placed.setPosition(row.position.x, row.position.y);
}

// A close-up that cannot be read leaves the draws on the image itself.
void loadCloseUp(Catalogue& catalogue, const ImageManifestRow& row, const ImageFile& file, DecodedImage& image)
{
    sf::Texture& texture = catalogue.closeUps[static_cast<int>(row.image)];
    ImageFacts& facts = catalogue.closeUpFacts[static_cast<int>(row.image)];
    facts = ImageFacts();
    if (image.decoded && loadTexels(texture, *image.pixels)) {
        texture.setSmooth(true);
        facts = std::move(image.facts);
        facts.density = file.density;
    } else {
        texture = sf::Texture();  // nothing left over from a load at another scale
    }
    image.pixels.reset();
}

void loadCaptionFont(Catalogue& catalogue)
{
    if (!catalogue.captionFont.loadFromFile(captionFontFile))
        reportFailure("Error while loading font!");
    stateContent().captionText.setFont(catalogue.captionFont);
}

void loadRow(Catalogue& catalogue, ImageDecoding& queue, int row)
{
    if (row == rowsBeforeFont)
        loadCaptionFont(catalogue);
    loadImage(catalogue, imageManifest[row], queue.files[row], waitFor(queue, queue.images[row]));
    loadCloseUp(catalogue, imageManifest[row], queue.closeUpFiles[row], waitFor(queue, queue.closeUpImages[row]));
}

}  // namespace

PendingImages decodeAssetsAhead(float outputScale)
{
    return startDecoding(outputScale, decodeWorkerCount());
}

PendingImages decodeAssetsInTurn(float outputScale)
{
    return startDecoding(outputScale, 0);
}

float loadNextAssets(Catalogue& catalogue, ImageDecoding& queue)
{
    if (queue.loadedRows < imageCount) {
        const int row = queue.loadedRows++;
        PngScratch scratch;
        decodeJob(queue, 2 * row, scratch);
        decodeJob(queue, 2 * row + 1, scratch);
        loadRow(catalogue, queue, row);
    }
    return float(queue.loadedRows) / float(imageCount);
}

void loadAssets(Catalogue& catalogue, float outputScale, PendingImages ahead)
{
    // Decoding ahead guessed the output's size; an output of another size wants other files.
    PendingImages queue = ahead && ahead->outputScale == outputScale ? std::move(ahead) : nullptr;
    ahead.reset();
    if (!queue)
        queue = startDecoding(outputScale, decodeWorkerCount());
    for (int row = 0; row < imageCount; ++row)
        loadRow(catalogue, *queue, row);
}

std::vector<std::string> contentFilesFor(float outputScale)
{
    std::vector<std::string> files;
    for (const ImageManifestRow& row : imageManifest) {
        const ImageFile chosen = imageFileFor(row, outputScale);
        files.push_back(chosen.path);
        const ImageFile closeUp = closeUpFileFor(row, chosen, outputScale);
        if (!closeUp.path.empty())
            files.push_back(closeUp.path);
    }
    files.insert(files.end(), std::begin(otherContent), std::end(otherContent));
    return files;
}

void enterContentFolder(const char* programName)
{
    namespace fs = std::filesystem;
    if (holdsContent("."))
        return;
    const fs::path programDir = programFolder();
    if (programDir.empty())
        return;
    std::error_code error;
    for (const fs::path& folder : {programDir / ".." / "share" / "nerethval", programDir / "data"}) {
        if (!holdsContent(folder))
            continue;
        fs::current_path(folder, error);
        if (!error) {
            std::cerr << programName << ": no content in the working directory, so reading it from "
                      << fs::canonical(".", error).string() << std::endl;
            return;
        }
    }
}
