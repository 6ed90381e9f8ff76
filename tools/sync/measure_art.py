#!/usr/bin/python3
"""Measures the light and colour of the pictures: the climax, the flash before it, scene 10's
reveal, the verses and the reveals' hues.

  tools/sync/measure_art.py [--capture PROGRAM] [--size WxH] [--keep DIR]

Run from a content folder (build/data, or an older build's data/); PROGRAM is
the capture to run there, ../nerethval-capture unless told otherwise. It takes stills with
`--stills DIR --at T1,T2,...` and the frames of the flash's peak with `--fps 60 --from 158.6
--seconds 159.9 --frames DIR`, then prints:

- climax (164.0 s): the luma's standard deviation, and the share of coloured pixels whose hue
  lies 40 degrees or more from their median hue;
- flash: the highest mean luma of a frame between 158.6 and 159.9 s;
- scene 10: the mean luma of the stills at 133, 134.5, 136, 137.5 and 139 s;
- verses: the mean luma of the stills at 52, 71, 89.5, 108, 127 and 146 s;
- reveals: each still's median hue of coloured pixels at 42, 61, 80, 99, 118, 137 and 164 s, its
  distance from 255 degrees, and how many lie 40 degrees or more away.

Luma is 0.299 R + 0.587 G + 0.114 B on 0..255. A coloured pixel has HSV saturation >= 0.15 and
value >= 30/255. Hue distances are taken around the circle.
"""
import argparse
import os
import subprocess
import sys
import tempfile

import numpy as np
from PIL import Image

CLIMAX = 164.0
SCENE10 = [133.0, 134.5, 136.0, 137.5, 139.0]
VERSES = [52.0, 71.0, 89.5, 108.0, 127.0, 146.0]
REVEALS = [42.0, 61.0, 80.0, 99.0, 118.0, 137.0, 164.0]
FLASH_FROM, FLASH_TO = 158.6, 159.9
VIOLET = 255.0


def read_rgb(path):
    return np.asarray(Image.open(path).convert("RGB"), dtype=np.float64)


def luma(rgb):
    return rgb @ np.array([0.299, 0.587, 0.114])


def coloured_hues(rgb):
    """Hues in degrees of the pixels with saturation >= 0.15 and value >= 30/255."""
    high = rgb.max(axis=2)
    low = rgb.min(axis=2)
    chroma = high - low
    keep = (high >= 30.0) & (chroma >= 0.15 * high) & (chroma > 0)
    r, g, b = rgb[..., 0][keep], rgb[..., 1][keep], rgb[..., 2][keep]
    h, c = high[keep], chroma[keep]
    hue = np.where(h == r, ((g - b) / c) % 6.0, np.where(h == g, (b - r) / c + 2.0, (r - g) / c + 4.0))
    return hue * 60.0


def circular_distance(a, b):
    d = np.abs(np.asarray(a) - b) % 360.0
    return np.minimum(d, 360.0 - d)


def circular_median(hues):
    """The hue that minimises the summed circular distance, to a tenth of a degree."""
    if hues.size == 0:
        return float("nan")
    counts, _ = np.histogram(hues, bins=3600, range=(0.0, 360.0))
    centres = (np.arange(3600) + 0.5) / 10.0
    cost = [np.sum(counts * circular_distance(centres, c)) for c in centres[::10]]
    coarse = centres[::10][int(np.argmin(cost))]
    fine = centres[np.abs(circular_distance(centres, coarse)) <= 1.0]
    cost = [np.sum(counts * circular_distance(centres, c)) for c in fine]
    return float(fine[int(np.argmin(cost))])


def capture(program, size, args):
    # The capture's output must fit the screen it opens its window on.
    screen = f"-screen 0 {size or '1280x720'}x24"
    command = ["xvfb-run", "-a", "-s", screen, program] + (["--size", size] if size else []) + args
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--capture", default="../nerethval-capture")
    parser.add_argument("--size", default="")
    parser.add_argument("--keep", help="write the stills and frames here instead of a temporary folder")
    options = parser.parse_args()
    work = options.keep or tempfile.mkdtemp(prefix="measure-art-")
    stills = os.path.join(work, "stills")
    frames = os.path.join(work, "flash")
    os.makedirs(stills, exist_ok=True)
    os.makedirs(frames, exist_ok=True)
    times = sorted(set(SCENE10 + VERSES + REVEALS))
    names = [f"{t:g}" for t in times]
    capture(options.capture, options.size, ["--stills", stills, "--at", ",".join(names), "--seconds", f"{max(times) + 0.5:g}"])
    capture(options.capture, options.size, ["--fps", "60", "--from", str(FLASH_FROM), "--seconds", str(FLASH_TO),
                                            "--frames", frames])
    still = {t: read_rgb(os.path.join(stills, f"{n}.png")) for t, n in zip(times, names)}

    climax = still[CLIMAX]
    hues = coloured_hues(climax)
    median = circular_median(hues)
    apart = float(np.mean(circular_distance(hues, median) >= 40.0)) if hues.size else 0.0
    print(f"climax {CLIMAX:g} s: luma std-dev {luma(climax).std():.1f} (goal >= 45); "
          f"{100 * apart:.1f} % of {hues.size} coloured pixels 40+ degrees from their median hue "
          f"{median:.0f} (goal >= 10 %)")

    flash = sorted(os.listdir(frames))
    peaks = [luma(read_rgb(os.path.join(frames, f))).mean() for f in flash]
    print(f"flash {FLASH_FROM:g}-{FLASH_TO:g} s: highest mean luma {max(peaks):.1f} over {len(peaks)} frames "
          f"(goal >= 230)")

    scene10 = [luma(still[t]).mean() for t in SCENE10]
    print(f"scene 10: mean luma {np.mean(scene10):.1f} (goal >= 25); " +
          ", ".join(f"{t:g} s {v:.1f}" for t, v in zip(SCENE10, scene10)))
    verses = [luma(still[t]).mean() for t in VERSES]
    print(f"verses: mean luma {np.mean(verses):.1f} (goal >= 12); " +
          ", ".join(f"{t:g} s {v:.1f}" for t, v in zip(VERSES, verses)))

    away = 0
    parts = []
    for t in REVEALS:
        median = circular_median(coloured_hues(still[t]))
        distance = float(circular_distance(median, VIOLET))
        away += distance >= 40.0
        parts.append(f"{t:g} s {median:.0f} ({distance:.0f})")
    print(f"reveals: {away} of {len(REVEALS)} stills with a median hue 40+ degrees from {VIOLET:g} "
          f"(goal >= 2); median hue (distance): " + ", ".join(parts))


if __name__ == "__main__":
    sys.exit(main())
