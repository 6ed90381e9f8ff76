#include "support/support.h"

#include <gtest/gtest.h>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <sstream>

#include "scenes/demo_state.h"
#include "runtime/draw_layer.h"

sf::RenderWindow& testWindow()
{
    static std::unique_ptr<sf::RenderWindow> window;
    static std::unique_ptr<Catalogue> catalogue;
    if (!window) {
        window = std::make_unique<sf::RenderWindow>(sf::VideoMode(1280, 720, 32), "test", sf::Style::Default);
        if (!window->isOpen())
            ADD_FAILURE() << "no window could be opened: is an X display (or Xvfb) available?";
        // Its textures need the window's GL context.
        catalogue = std::make_unique<Catalogue>();
        demo.content.catalogue = catalogue.get();
    }
    return *window;
}

Catalogue& testCatalogue()
{
    testWindow();
    return *demo.content.catalogue;
}

std::string captureConsole(const std::function<void()>& body)
{
    std::ostringstream captured;
    std::streambuf* previous = std::cout.rdbuf(captured.rdbuf());
    body();
    std::cout.rdbuf(previous);
    return captured.str();
}

void giveTestPicture(Image image, unsigned width, unsigned height, sf::Color background, sf::IntRect rect,
                     sf::Color rectColour)
{
    sf::Image picture;
    picture.create(width, height, background);
    for (int y = rect.top; y < rect.top + rect.height; ++y)
        for (int x = rect.left; x < rect.left + rect.width; ++x)
            picture.setPixel(x, y, rectColour);
    Catalogue& catalogue = testCatalogue();
    const int row = static_cast<int>(image);
    sf::Texture& texture = catalogue.textures[row];
    texture = sf::Texture{};  // unsmoothed, as a fresh program's
    EXPECT_TRUE(texture.loadFromImage(picture)) << "a test picture of " << width << " x " << height;
    // Nothing an earlier case loaded or assumed of the image outlives its new picture.
    catalogue.facts[row] = ImageFacts{};
    catalogue.closeUps[row] = sf::Texture{};
    catalogue.closeUpFacts[row] = ImageFacts{};
    sprite(image).setTexture(texture, true);
}

void runFrameOf(const std::function<void(sf::RenderWindow&)>& scene, float frameDelta)
{
    demo.clock.frameDelta = frameDelta;
    scene(testWindow());
    flushDraws(testWindow());
}

sf::Color windowPixel(int x, int y)
{
    sf::RenderWindow& window = testWindow();
    flushDraws(window);
    sf::Texture texture;
    texture.create(window.getSize().x, window.getSize().y);
    texture.update(window);
    return texture.copyToImage().getPixel(static_cast<unsigned>(x), static_cast<unsigned>(y));
}

std::string writeFastTimeline()
{
    const std::string path = ::testing::TempDir() + "fast-timeline.xm";
    const std::string command = NERETHVAL_BUILD_DIR "/tools/sync/make-sync " + path + " 64 1 255";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return path;
}

double secondsBetween(std::chrono::steady_clock::time_point from, std::chrono::steady_clock::time_point to)
{
    return std::chrono::duration<double>(to - from).count();
}
