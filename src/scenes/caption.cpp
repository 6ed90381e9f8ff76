#include "scenes/caption.h"

#include "scenes/demo_state.h"

void setupCaption(unsigned int characterSize, const char* text, float y)
{
    sf::Text& caption = demo.content.captionText;
    caption.setFont(demo.content.catalogue->captionFont);
    caption.setFillColor(sf::Color(255, 255, 255, 255));
    caption.setCharacterSize(characterSize);
    caption.setString(text);
    const double width = caption.getGlobalBounds().width;
    caption.setPosition(static_cast<float>(640.0 - width * 0.5), y);
}

void advanceCaptionFader(CaptionFader& fader, float fadeIn, float hold, float fadeOut)
{
    // Each transition drops the overshoot, so the next phase starts from exactly 0.
    switch (fader.phase) {
    case 0:
        fader.elapsed += demo.clock.frameDelta;
        fader.alpha = static_cast<float>(static_cast<double>(fader.elapsed) * 255.0 / fadeIn);
        if (fader.elapsed >= fadeIn) {
            fader.phase = 1;
            fader.alpha = 255.0f;
            fader.elapsed = 0.0f;
        }
        break;
    case 1:
        fader.elapsed += demo.clock.frameDelta;
        if (fader.elapsed >= hold) {
            fader.phase = 2;
            fader.elapsed = 0.0f;
        }
        break;
    case 2:
        // Final: once the caption is gone it stays at 0 while elapsed keeps growing.
        fader.elapsed += demo.clock.frameDelta;
        fader.alpha = static_cast<float>(255.0 - static_cast<double>(fader.elapsed) * 255.0 / fadeOut);
        if (fader.alpha < 0.0f)
            fader.alpha = 0.0f;
        break;
    default:
        break;
    }
}
