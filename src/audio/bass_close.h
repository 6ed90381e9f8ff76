#pragma once
// Ours, beside the five calls: the end of the stand-in, called by whoever called BASS_Init. The
// device's refill thread stops and the device closes (which finishes its output), every channel
// is freed, and BASS_Init can run again.
void bassClose();
