#include "runtime/assets.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <mutex>
#include <numeric>
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
#include "runtime/image_resample.h"
#include "runtime/png_file.h"

namespace {

constexpr int rowsBeforeFont = 3;

struct ImageFile {
    std::string path;
    unsigned density = 1;  // texels per design pixel
    sf::Vector2u size;     // as its header gives it; (0, 0) when it cannot be read
    // For a file denser than the output needs: the texels per design pixel it is resampled to at
    // load, and the size that gives; 0 and (0, 0) for the file as read.
    float shownDensity = 0.0f;
    sf::Vector2u shownSize;
};

// The image's file of `density` texels per design pixel, if there is one exactly that many times
// the design file's size; an empty path if not.
ImageFile denseFileOf(const ImageManifestRow& row, sf::Vector2u designSize, unsigned density)
{
    const std::string name = row.file;
    std::string dense = name.substr(0, name.rfind('.')) + "@" + std::to_string(density) + "x.png";
    if (designSize.x == 0 || pngSize(dense.c_str()) != designSize * density)
        return {};
    return {std::move(dense), density, designSize * density, 0.0f, {}};
}

// A file denser than the output needs is resampled once at load to `density` texels per design
// pixel, rounded up to where both sides come out whole: at the output's density a picture never
// enlarged then shows texel for pixel, which software OpenGL copies fast.
ImageFile resampledTo(ImageFile chosen, float density)
{
    const sf::Vector2u design = chosen.size / chosen.density;
    const unsigned common = std::gcd(design.x, design.y);
    const unsigned steps = unsigned(std::ceil(density * float(common) - 1e-3f));
    if (steps >= chosen.density * common)
        return chosen;
    chosen.shownDensity = float(steps) / float(common);
    chosen.shownSize = sf::Vector2u(design.x / common * steps, design.y / common * steps);
    return chosen;
}

// For an output larger than the design's: texels enough for every output pixel where the image is
// enlarged most, but never more than two texels to an output pixel at its design size, so that
// linear filtering reads every texel without mipmaps, which software OpenGL samples so much more
// slowly. The least dense file with that many, or else the densest there is, resampled where it
// has a tenth of a texel more. A denser file counts only when it is exactly that many times the
// design file's size. The design texels' anti-aliased edges hold up to half as large again. At the
// design's size the design files stay; the most enlarged get a close-up.
ImageFile imageFileFor(const ImageManifestRow& row, float outputScale)
{
    ImageFile chosen{row.file, 1, pngSize(row.file), 0.0f, {}};
    const float wanted = std::min(outputScale * row.mostMagnified, 2.0f * outputScale);
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
    if (float(chosen.density) > wanted + 0.1f)
        return resampledTo(std::move(chosen), wanted);
    return chosen;
}

// Denser texels for the draws that magnify an image read from its design file over twice: the
// least dense file there is, drawn only where it is magnified enough to squeeze at most two texels
// into an output pixel. An empty path where there is none.
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
struct DecodedImage {
    std::optional<sf::Image> pixels;  // emptied once uploaded
    bool decoded = false;
    ImageFacts facts;  // worked out on the worker too: it reads every texel
    bool ready = false;  // guarded by ImageDecoding::lock
};

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

void decodeImage(const ImageFile& file, PngScratch& scratch, DecodedImage& image)
{
    if (file.path.empty())
        return;
    sf::Image& pixels = image.pixels.emplace();
    image.decoded = readPng(file.path.c_str(), scratch, pixels) != PngRead::Failed;
    if (image.decoded && file.shownDensity > 0.0f)
        pixels = resampledImage(pixels, file.shownSize);
    if (image.decoded)
        image.facts = imageFacts(pixels);
}

void decodeJob(ImageDecoding& queue, int job, PngScratch& scratch)
{
    const int row = job / 2;
    const bool closeUp = job % 2 == 1;
    DecodedImage& image = closeUp ? queue.closeUpImages[row] : queue.images[row];
    decodeImage(closeUp ? queue.closeUpFiles[row] : queue.files[row], scratch, image);
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

// Room for every image and close-up twice: decoded and waiting, and as a texture; a resampled
// image is never larger than its file.
void reserveImageMemory(const ImageDecoding& queue)
{
    std::size_t bytes = 64 << 20;  // the workers' buffers, and slack
    for (int row = 0; row < imageCount; ++row) {
        const ImageFile& file = queue.files[row];
        const ImageFile& closeUp = queue.closeUpFiles[row];
        bytes += 2 * std::size_t(file.size.x) * file.size.y * 4;
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
    // Stored the way the window stores pixels.
    const bool loaded = image.decoded && loadTexels(texture, *image.pixels);
    if (!loaded && row.failureMessage)
        reportFailure(row.failureMessage);
    ImageFacts& facts = catalogue.facts[static_cast<int>(row.image)];
    facts = loaded ? std::move(image.facts) : ImageFacts();
    // Layers zoom, shrink and turn; filtered sampling keeps their edges clean.
    texture.setSmooth(true);
    if (loaded)
        facts.density = file.shownDensity > 0.0f ? file.shownDensity : float(file.density);
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
        facts.density = float(file.density);
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
