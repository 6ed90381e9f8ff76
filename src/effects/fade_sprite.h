#pragma once
// A shared sprite with a quick fade: in over a quarter second, then out again or held.
#include <SFML/Graphics.hpp>

struct FadeSprite {
    float alpha = 0.0f;        // 0-1
    bool visible = false;      // advanced and drawn only while shown
    int state = 0;             // 0 fading in, 1 fading out, 2 holding
    int holdAfterFadeIn = 0;   // non-zero: hold at full opacity instead of fading out
    sf::Sprite* sprite = nullptr;  // not owned
};

void showFadeSprite(FadeSprite& fadeSprite);
void updateFadeSprite(FadeSprite& fadeSprite);
void drawFadeSprite(FadeSprite& fadeSprite, sf::RenderWindow& window);
