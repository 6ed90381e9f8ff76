#pragma once
// The demo's one random sequence: never seeded, so every run draws the same values.

// Next value of the generator, uniform over 0..32767.
int nextRandom();

// min + r * (max - min) / 32767 in double precision, stored as float; both ends can occur.
float randomRange(float min, float max);
