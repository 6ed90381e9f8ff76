#include "demo/demo.h"

#include <SFML/OpenGL.hpp>
#include <GL/glu.h>

#include <memory>
#include <utility>

#include "effects/bubbles.h"
#include "effects/glitter.h"
#include "effects/hex_pulses.h"
#include "effects/sparks.h"
#include "audio/bass.h"
#include "runtime/assets.h"
#include "runtime/console.h"
#include "scenes/demo_state.h"
#include "runtime/draw_layer.h"

namespace {

// The scene that plays what an order shows (runtime/timeline.h); black and the end draw nothing.
const SceneFunction sceneOfShowing[showingCount] = {
    scene01, scene02, scene03, scene04, scene05, scene06, scene07, scene08, scene09, scene10, scene11,
    flashScene, creditsScene, nullptr, nullptr};

void setOpenGLState()
{
    const GLfloat ambient[] = {0.2f, 0.2f, 0.2f, 1.0f};
    const GLfloat diffuse[] = {0.8f, 0.8f, 0.8f, 1.0f};
    const GLfloat specular[] = {0.5f, 0.5f, 0.5f, 1.0f};
    const GLfloat lightDirection[] = {0.0f, 0.0f, 1.0f, 0.0f};
    const GLfloat material[] = {1.0f, 0.0f, 0.0f, 1.0f};
    const GLfloat fogColour[] = {0.0f, 0.0f, 0.0f, 1.0f};

    glViewport(0, 0, 1280, 720);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 1280.0 / 720.0, 0.0001f, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, specular);
    glLightfv(GL_LIGHT0, GL_POSITION, lightDirection);
    // Two calls rather than GL_AMBIENT_AND_DIFFUSE, which Emscripten's GL emulation lacks.
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, material);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, material);
    glEnable(GL_FOG);
    glFogi(GL_FOG_MODE, GL_EXP2);
    glFogfv(GL_FOG_COLOR, fogColour);
    glFogf(GL_FOG_DENSITY, 0.3f);
    glHint(GL_FOG_HINT, GL_NICEST);
    glFogf(GL_FOG_START, 10.0f);
    glFogf(GL_FOG_END, 40.0f);
}

void drainEvents(sf::RenderWindow& window)
{
    sf::Event event;
    while (window.pollEvent(event)) {
        // Escape is sampled once per event, so a held key acts only when something arrives.
        if (sf::Keyboard::isKeyPressed(sf::Keyboard::Escape))
            demo.clock.quitRequested = true;
        if (event.type == sf::Event::Closed || demo.clock.quitRequested)
            window.close();
        else if (event.type == sf::Event::Resized)
            framePicture(window);
    }
}

// The part of start-up after the content: pools, audio and the timeline module.
void startTimeline()
{
    createGlitterPool();
    createSparkPool();
    createHexPulsePool();
    createBubblePool();
    printLine("");
    printLine("generic data loaded");

    BASS_Init(-1, 44100, 0, nullptr, nullptr);
    demo.clock.quitRequested = false;
    // The first frame's delta also covers loading and starting the module.
    demo.clock.demoClock.restart();
    demo.clock.syncMusic = BASS_MusicLoad(false, timelineModuleFile, 0, 0, BASS_MUSIC_LOOP, 0);
    BASS_ChannelPlay(demo.clock.syncMusic, false);
}

}  // namespace

SceneFunction sceneForOrder(unsigned order)
{
    return sceneOfShowing[static_cast<int>(showingAt(order))];
}

const char* sceneLabel(unsigned order)
{
    return showingLabels[static_cast<int>(showingAt(order))];
}

sf::VideoMode requestedMode(const ViewerOptions& options)
{
    return options.desktop ? sf::VideoMode::getDesktopMode() : sf::VideoMode(options.width, options.height, 32);
}

float requestedPictureScale(const ViewerOptions& options)
{
    const sf::VideoMode mode = requestedMode(options);
    return scaleOf(pictureFrame(sf::Vector2u(mode.width, mode.height)));
}

void openDemoWindow(sf::RenderWindow& window, const ViewerOptions& options)
{
    const sf::Uint32 style = options.windowed ? sf::Style::Default : sf::Style::Fullscreen;
    window.create(requestedMode(options), "Vesmira Crew - Nereth//Val", style, sf::ContextSettings());
    window.setVerticalSyncEnabled(options.vsync);
    printLine("created render window");
    // Where the screen has no 1280 x 720 mode the window comes out another size.
    framePicture(window);
}

void startDemo(Catalogue& catalogue, PendingImages imagesAhead)
{
    setOpenGLState();
    demo.content.catalogue = &catalogue;
    loadAssets(catalogue, pictureScale(), std::move(imagesAhead));
    startTimeline();
}

void startLoadedDemo(Catalogue& catalogue)
{
    setOpenGLState();
    demo.content.catalogue = &catalogue;
    startTimeline();
}

unsigned drawFrame(sf::RenderWindow& window)
{
    drainEvents(window);

    window.clear(sf::Color(0, 0, 0, 255));
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    window.setActive(true);
    clearOffscreenOutput();

    const unsigned order = BASS_ChannelGetPosition(demo.clock.syncMusic, BASS_POS_MUSIC_ORDER) & 0xFFFF;
    if (order == endOrder) {
        printLine("end?");
        demo.clock.quitRequested = true;
    } else if (SceneFunction scene = sceneForOrder(order)) {
        scene(window);
    }
    flushDraws(window);
    return order;
}

bool presentFrame(sf::RenderWindow& window)
{
    window.display();
    return window.isOpen();
}

int runDemo(const ViewerOptions& options, PendingImages imagesAhead)
{
    sf::RenderWindow window;
    openDemoWindow(window, options);
    // Its textures need the GL context that the window made.
    const auto catalogue = std::make_unique<Catalogue>();
    startDemo(*catalogue, std::move(imagesAhead));
    if (!window.isOpen())
        return 0;
    while (!demo.clock.quitRequested) {
        demo.clock.frameDelta = demo.clock.demoClock.restart().asSeconds();
        drawFrame(window);
        if (!presentFrame(window))
            break;
    }
    return 0;
}
