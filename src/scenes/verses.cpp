#include "scenes/verses.h"

// One poem across the piece: a light wakes in the night, and the hexagon grows around it ring by
// ring. Plain ASCII, so the caption font has every glyph.

const char* const scene01Verse =
    "Night holds its breath; deep in the dark, a small light begins to wake.";

const char* const scene02Credit = "Vesmira Crew presents";

const char* const scene04Verse =
    "The dark is just a veil, drawn\n"
    "over a room already full of light:\n"
    "pull it thin, shrink it to nothing,\n"
    "and the wall behind it falls away.";

const char* const scene05Verse =
    "Out of that light, one first ring:\n"
    "six sides drawn around the place we started.";

const char* const scene06Verse =
    "A second ring folds round,\n"
    "and the glitter of night goes dark behind it";

const char* const scene07Verse =
    "Three rings now, as the land\n"
    "runs beneath them, hill after hill...";

const char* const scene08Verse =
    "Four rings, and the wide sky\n"
    "opens its windows one by one to the day";

const char* const scene09Verse =
    "Five rings; the old fear of\n"
    "the dark grows smaller and fades away";

const char* const scene10Verse =
    "Six rings, and then sparks fly out of the\n"
    "heart of the hexagon into night";
