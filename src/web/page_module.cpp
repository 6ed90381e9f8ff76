// The demo as a module of a web page (see docs/web.md for the page's side). The page loads the
// content packs and this module; main opens the canvas as the window, then the browser's frame
// loop loads the catalogue a few rows a frame (Module.nerethvalProgress) and renders the captions'
// glyphs, after which the module is ready (Module.nerethvalReady) and waits for a start:
//   _nerethvalStart                 real time, on the browser's frame loop, in step with the audio
//   _nerethvalStartFixed, _Advance  with ?fixed=RATE, a fixed-step clock that a driver moves on, as
//                                   the capture's; _nerethvalFrameAt tells it which frame shows a time
#include <emscripten/emscripten.h>

#include <SFML/Graphics.hpp>

#include <cstdint>
#include <memory>
#include <string>

#include "audio/bass_offline.h"
#include "demo/demo.h"
#include "demo/display.h"
#include "demo/options.h"
#include "platform/page_audio.h"
#include "runtime/assets.h"
#include "runtime/catalogue.h"
#include "runtime/command_line.h"
#include "scenes/demo_state.h"
#include "runtime/draw_layer.h"
#include "runtime/fixed_step.h"
#include "runtime/picture_frame.h"
#include "scenes/caption.h"
#include "scenes/verses.h"

namespace {

// Everything the module keeps between the browser's calls.
struct PageModule {
    sf::RenderWindow window;
    std::unique_ptr<Catalogue> catalogue;
    PendingImages loading;        // rows still to load; null once the catalogue is complete
    bool ready = false;           // loaded and glyphs rendered: waiting for a start
    bool started = false;
    bool ended = false;           // Module.nerethvalEnded called
    bool fixed = false;           // on the fixed-step clock rather than in real time
    FixedStep step;               // its rate and the frames run
    FrameImage still;             // the last frame of the last advance
};

std::unique_ptr<PageModule> page;

// Loading stops for the frame after this long, so that the page stays responsive.
constexpr double loadingMsPerFrame = 8.0;

// The captions as the scenes set them up: character size and verse.
struct CaptionUse {
    unsigned size;
    const char* const* verse;
};

const CaptionUse captionUses[] = {
    {openingCaptionSize, &scene01Verse}, {titleCaptionSize, &scene02Credit}, {titleCaptionSize, &scene04Verse},
    {verseCaptionSize, &scene05Verse},   {verseCaptionSize, &scene06Verse},  {verseCaptionSize, &scene07Verse},
    {verseCaptionSize, &scene08Verse},   {verseCaptionSize, &scene09Verse},  {verseCaptionSize, &scene10Verse},
};

// Draws every caption once, through the draw layer as the scenes do, so that its glyphs are on
// the font's pages before the start: a page that grows later is read back through a
// framebuffer, which stalls a browser's frame for a second or more.
void renderCaptionGlyphs(sf::RenderWindow& window)
{
    const sf::Text untouched = demo.content.captionText;
    for (const CaptionUse& use : captionUses) {
        setupCaption(use.size, *use.verse, 0.0f);
        drawText(window, demo.content.captionText);
        flushDraws(window);
    }
    demo.content.captionText = untouched;
    window.clear(sf::Color::Black);
}

void endDemo()
{
    if (page->ended)
        return;
    page->ended = true;
    emscripten_cancel_main_loop();
    closePageAudio();
    EM_ASM({ if (Module.nerethvalEnded) Module.nerethvalEnded(); });
}

// The start-up that follows the loading, in either mode.
void startPlaying()
{
    page->started = true;
    startLoadedDemo(*page->catalogue);
    // The glyphs drawn ahead left SFML's states marked as set over the demo's OpenGL state;
    // natively its first draw sets them, as this does.
    page->window.resetGLStates();
}

void browserFrame()
{
    PageModule& module = *page;
    if (module.loading) {
        // Rows, in order, until this frame has spent its share; at least one.
        const double frameStart = emscripten_get_now();
        float share = 0.0f;
        do
            share = loadNextAssets(*module.catalogue, *module.loading);
        while (share < 1.0f && emscripten_get_now() - frameStart < loadingMsPerFrame);
        EM_ASM({ if (Module.nerethvalProgress) Module.nerethvalProgress($0); }, share);
        if (share < 1.0f)
            return;
        module.loading.reset();
        renderCaptionGlyphs(module.window);
        module.ready = true;
        EM_ASM({ if (Module.nerethvalReady) Module.nerethvalReady(); });
        return;
    }
    if (!module.started || module.fixed)
        return;
    demo.clock.frameDelta = demo.clock.demoClock.restart().asSeconds();
    drawFrame(module.window);
    if (!presentFrame(module.window) || demo.clock.quitRequested)
        endDemo();
}

// The page's ?fixed=RATE: frames a second of the fixed-step clock, in the capture's spelling;
// false in real time.
bool fixedStepRate(std::string& rate)
{
    char text[64] = {};
    const int given = EM_ASM_INT({
        const rate = new URLSearchParams(location.search).get('fixed');
        if (rate === null)
            return 0;
        stringToUTF8(rate, $0, $1);
        return 1;
    }, text, sizeof text);
    rate = text;
    return given != 0;
}

}  // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE void nerethvalStart()
{
    if (!page || !page->ready || page->started)
        return;
    startPlaying();
}

// Starts the fixed-step clock at the rate the page was given (see fixedStepRate).
EMSCRIPTEN_KEEPALIVE void nerethvalStartFixed()
{
    if (!page || !page->ready || page->started || !page->fixed)
        return;
    emscripten_cancel_main_loop();
    bassSetOfflineMode(true);
    startPlaying();
}

// The frame a driver waits for to see timeline time `time` ("12.5", "30000/1001"): the first at or
// after it at the page's rate, as the capture counts; 0 when the text is no time or the page is
// not on the fixed-step clock.
EMSCRIPTEN_KEEPALIVE double nerethvalFrameAt(const char* time)
{
    Rational value;
    if (!page || !page->fixed || !parseRational(time, value))
        return 0.0;
    return double(firstFrameAt(value, page->step.fps));
}

// Runs up to `frames` frames, each as the capture runs it; the last is read back for the driver.
EMSCRIPTEN_KEEPALIVE std::uint32_t nerethvalAdvance(std::uint32_t frames)
{
    if (!page || !page->started || !page->fixed)
        return 0;
    PageModule& module = *page;
    std::uint32_t run = 0;
    while (run < frames && !module.ended) {
        ++run;
        StepOutputs outputs;
        outputs.picture = run == frames ? &module.still : nullptr;
        stepFrame(module.step, module.window, drawFrame, outputs);
        if (!presentFrame(module.window) || demo.clock.quitRequested)
            endDemo();
    }
    return run;
}

EMSCRIPTEN_KEEPALIVE unsigned nerethvalStillWidth()
{
    return page ? page->still.width : 0;
}

EMSCRIPTEN_KEEPALIVE unsigned nerethvalStillHeight()
{
    return page ? page->still.height : 0;
}

EMSCRIPTEN_KEEPALIVE const std::uint8_t* nerethvalStillPixels()
{
    return page && !page->still.rgba.empty() ? page->still.rgba.data() : nullptr;
}

}  // extern "C"

int main()
{
    if (!displayReady("nerethval")) {
        EM_ASM({ if (Module.nerethvalFailed) Module.nerethvalFailed('This demo needs WebGL 2: this browser offers no WebGL 2.'); });
        return 1;
    }
    page = std::make_unique<PageModule>();
    std::string rate;
    if (fixedStepRate(rate)) {
        if (!parseRational(rate, page->step.fps) || !usableFrameRate(page->step.fps)) {
            EM_ASM({ if (Module.nerethvalFailed) Module.nerethvalFailed('?fixed= takes frames a second, at least 1: 60, 59.94 or 30000/1001.'); });
            return 1;
        }
        // In fixed-step mode frames are the capture's, 1280 x 720.
        page->fixed = true;
        EM_ASM({ Module.canvas.width = 1280; Module.canvas.height = 720; });
    }
    ViewerOptions options;
    // The page owns the canvas's size and fullscreen.
    options.windowed = true;
    openDemoWindow(page->window, options);
    page->catalogue = std::make_unique<Catalogue>();
    demo.content.catalogue = page->catalogue.get();
    page->loading = decodeAssetsInTurn(pictureScale());
    // The browser calls browserFrame before each repaint; main returns to it.
    emscripten_set_main_loop(browserFrame, 0, false);
    return 0;
}
