#include "runtime/draw_layer.h"

#include "runtime/demo_state.h"

void setDrawMode(DrawMode mode)
{
    demo.drawLayer.mode = mode;
}

void drawSprite(sf::RenderWindow& window, const sf::Sprite& sprite)
{
    DrawLayer& layer = demo.drawLayer;
    if (layer.mode == DrawMode::Everything)
        window.draw(sprite);
    else if (layer.mode == DrawMode::Layer)
        layer.draws.push_back({sprite, -1});
}

void drawText(sf::RenderWindow& window, const sf::Text& text)
{
    DrawLayer& layer = demo.drawLayer;
    if (layer.mode == DrawMode::Everything) {
        window.draw(text);
    } else if (layer.mode == DrawMode::Layer) {
        if (layer.textCount == layer.texts.size())
            layer.texts.push_back(text);
        else
            layer.texts[layer.textCount] = text;
        layer.draws.push_back({sf::Sprite(), static_cast<int>(layer.textCount++)});
    }
}

void flushDraws(sf::RenderWindow& window)
{
    DrawLayer& layer = demo.drawLayer;
    for (const DeferredDraw& draw : layer.draws) {
        if (draw.text >= 0)
            window.draw(layer.texts[static_cast<std::size_t>(draw.text)]);
        else
            window.draw(draw.sprite);
    }
    layer.draws.clear();
    layer.textCount = 0;
}
