#!/usr/bin/python3
"""Measures the soundtrack against the timeline it plays to.

  tools/sync/measure_soundtrack.py MP3 [--beats FIRST-LAST] [--spectrogram PNG [--span FIRST-LAST]]

The MP3 is decoded by mpg123 (gapless, as the demo decodes it); its sample 0 is heard at the first
frame of order 1, and an order is as long as timeline.json says. Levels and spectra are of the mid signal
(left plus right, halved), so what only the stereo width carries counts for nothing. Printed: the
RMS level of every order;
for scenes 05 to 10 (orders 4-15, two each) the first order's level minus the second's; the share of
the energy below 120 Hz and in 2-6 kHz; how well the onsets sit on the 16th-note grid (R, the length
of the mean of the onsets' phases on the unit circle: 1 is every onset on a row, 0 no relation); and
ffmpeg's EBU R128 integrated loudness and true peak. --beats prints each beat's RMS for the orders
given; --spectrogram draws the whole track with ffmpeg, or with --span only the orders given.

Then what makes the scenes differ and grow: how alike the verse orders are with each other and the
reveal orders with each other (the Pearson correlation of their time-aligned log spectrograms: 4096-
sample Hann frames, hop 2048, bins 0-799 as log1p(10 |X|), the first frames of each, as many as the
shortest order has), the arc from scene 05's reveal to scene 10's, order 1's level, and in every
reveal how far the sub band (below 70 Hz) sits under the bass band (70-250 Hz), cut from the order's
spectrum with brick walls.

And what the picture asks of the music around it: the share of order 3's energy in 5-12 kHz (the
opening's percussion), how far the climax (order 17) stands above the last reveal (order 14), how
tight the kick is (in every beat of the reveals, the 70-250 Hz band's loudest 20 ms near the beat
over its 20 ms from 140 to 160 ms after the beat; the median over beats), the
onsets nearest the sunrise flare and the final cadence, and the level of the ending over the black.
Timeline seconds are the demo's: the MP3's sample 0 is heard at 9.4167 s.
"""
import argparse
import math
import re
import subprocess
import sys

import numpy as np

import timeline

TIMELINE = timeline.load()
RATE = TIMELINE["sampleRate"]
ROW = TIMELINE["rowSamples"]
ORDER = TIMELINE["orderSamples"]
BEAT = 4 * ROW
FIRST_ORDER = TIMELINE["soundtrackOrder"]  # the order whose first frame hears sample 0
# The timeline second at which sample 0 is heard: that order's first frame at 60 fps.
FIRST_HEARD = math.ceil(FIRST_ORDER * TIMELINE["orderSeconds"] * 60) / 60
FLARE = 100.017  # scene 08's sunrise flare, timeline seconds
CADENCE = 178.7  # the final cadence, as the credits give way to the black
ENDING = (183.5, 184.5)  # a second of the black, timeline seconds
# Scenes 05 to 10 play two orders each: the reveal on the first, the verse on the second.
SCENES = {f"{scene:02d}": (orders[0], orders[1]) for scene, orders in timeline.scene_orders(TIMELINE).items()
          if len(orders) == 2}
REVEALS = [first for first, _ in SCENES.values()]
VERSES = [second for _, second in SCENES.values()]


def decode(path):
    raw = subprocess.run(["mpg123", "-q", "-s", "-r", str(RATE), "--stereo", path], check=True,
                         stdout=subprocess.PIPE).stdout
    stereo = np.frombuffer(raw, dtype="<i2").astype(np.float64).reshape(-1, 2) / 32768.0
    return stereo.mean(axis=1)


def rms_db(block):
    power = np.mean(block ** 2) if block.size else 0.0
    return 10 * np.log10(power) if power > 0 else -200.0


def order_levels(pcm):
    count = len(pcm) // ORDER
    return {FIRST_ORDER + i: rms_db(pcm[i * ORDER:(i + 1) * ORDER]) for i in range(count)}


def welch_power(pcm):
    """Welch average of 8192-point spectra, and the bins' frequencies."""
    size = 8192
    window = np.hanning(size)
    power = np.zeros(size // 2 + 1)
    for start in range(0, len(pcm) - size, size // 2):
        power += np.abs(np.fft.rfft(pcm[start:start + size] * window)) ** 2
    return power, np.fft.rfftfreq(size, 1 / RATE)


def band_share(pcm, low, high):
    """The share of the energy above 20 Hz that lies in low-high Hz."""
    power, frequency = welch_power(pcm)
    return power[(frequency >= low) & (frequency < high)].sum() / power[frequency >= 20].sum()


def band_shares(pcm):
    return band_share(pcm, 20, 120), band_share(pcm, 2000, 6000)


def onsets(pcm):
    """Spectral-flux onsets, in samples."""
    size, hop = 1024, 128
    window = np.hanning(size)
    frames = np.lib.stride_tricks.sliding_window_view(pcm, size)[::hop]
    magnitude = np.log1p(100 * np.abs(np.fft.rfft(frames * window, axis=1)))
    flux = np.maximum(np.diff(magnitude, axis=0), 0).sum(axis=1)
    flux = np.concatenate([[0.0], flux])
    # A peak of the flux that stands out from its surroundings (half a second's median) and is the
    # largest within 50 ms.
    reach = int(0.05 * RATE / hop)
    context = int(0.25 * RATE / hop)
    found = []
    for i in range(context, len(flux) - context):
        local = flux[i - reach:i + reach + 1]
        if flux[i] < local.max() or flux[i] <= 0:
            continue
        if flux[i] > 1.5 * np.median(flux[i - context:i + context]) + 0.1 * flux.std():
            found.append(i * hop + size // 2)
    return np.array(found, dtype=np.float64)


def onset_grid(found):
    """How well the onsets sit on the 16th-note (row) grid: the mean resultant length of their phases."""
    phases = 2 * np.pi * (found % ROW) / ROW
    return abs(np.mean(np.exp(1j * phases))) if len(found) else 0.0


def nearest_onset(found, timeline_seconds):
    """The onset nearest a moment of the timeline, as its distance in seconds (negative: before)."""
    target = (timeline_seconds - FIRST_HEARD) * RATE
    if not len(found):
        return float("inf")
    return (found[np.argmin(np.abs(found - target))] - target) / RATE


def order_pcm(pcm, order):
    return pcm[(order - FIRST_ORDER) * ORDER:(order - FIRST_ORDER + 1) * ORDER]


def spectral_fingerprints(pcm, orders):
    size, hop = 4096, 2048
    window = np.hanning(size)
    spectra = []
    for order in orders:
        frames = np.lib.stride_tricks.sliding_window_view(order_pcm(pcm, order), size)[::hop]
        spectra.append(np.log1p(10 * np.abs(np.fft.rfft(frames * window, axis=1))[:, :800]))
    frames = min(len(s) for s in spectra)
    return [s[:frames].ravel() for s in spectra]


def similarity(pcm, orders):
    """The correlation of every pair of the orders, highest first."""
    prints = spectral_fingerprints(pcm, orders)
    pairs = [(np.corrcoef(prints[i], prints[j])[0, 1], orders[i], orders[j])
             for i in range(len(orders)) for j in range(i + 1, len(orders))]
    return sorted(pairs, reverse=True)


def sub_under_bass(pcm, order):
    """The band below 70 Hz minus the band 70-250 Hz, in dB, over the whole order."""
    block = order_pcm(pcm, order)
    power = np.abs(np.fft.rfft(block)) ** 2
    frequency = np.fft.rfftfreq(len(block), 1 / RATE)
    sub = power[(frequency > 0) & (frequency < 70)].sum()
    bass = power[(frequency >= 70) & (frequency < 250)].sum()
    return 10 * np.log10(sub / bass)


def order_share(pcm, order, low, high):
    return band_share(order_pcm(pcm, order), low, high)


def kick_contrast(pcm, orders):
    """Per beat of the orders, the 70-250 Hz band's loudest 20 ms (centred in the beat's first 60 ms)
    over its 20 ms from 140 to 160 ms after the beat, in dB; the band is cut with brick walls from
    each order's spectrum."""
    window = int(0.02 * RATE)
    contrasts = []
    for order in orders:
        block = order_pcm(pcm, order)
        frequency = np.fft.rfftfreq(len(block), 1 / RATE)
        band = np.fft.irfft(np.where((frequency >= 70) & (frequency < 250), np.fft.rfft(block), 0), len(block))
        power = np.convolve(band ** 2, np.ones(window) / window, "same")
        for start in range(0, len(block) - BEAT + 1, BEAT):
            peak = power[start:start + int(0.06 * RATE)].max()
            later = power[start + int(0.15 * RATE)]
            contrasts.append(10 * np.log10(peak / later))
    return np.array(contrasts)


def timeline_level(pcm, first, last):
    """RMS level of the timeline seconds first to last."""
    return rms_db(pcm[int((first - FIRST_HEARD) * RATE):int((last - FIRST_HEARD) * RATE)])


def loudness(path):
    log = subprocess.run(["ffmpeg", "-nostats", "-hide_banner", "-i", path, "-af", "ebur128=peak=true", "-f", "null",
                          "-"], stderr=subprocess.PIPE, text=True).stderr
    summary = log[log.rfind("Summary:"):]
    integrated = re.search(r"I:\s+(-?[\d.]+) LUFS", summary)
    peak = re.search(r"Peak:\s+(-?[\d.]+) dBFS", summary)
    return float(integrated.group(1)), float(peak.group(1))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("mp3")
    parser.add_argument("--beats", help="orders FIRST-LAST whose per-beat RMS is printed")
    parser.add_argument("--spectrogram", help="PNG of the whole track")
    parser.add_argument("--span", help="orders FIRST-LAST that the spectrogram shows")
    args = parser.parse_args()

    pcm = decode(args.mp3)
    print(f"decoded: {len(pcm)} samples per channel ({len(pcm) / ORDER:.3f} orders)")
    levels = order_levels(pcm)
    print("order  " + " ".join(f"{order:>6d}" for order in levels))
    print("dB RMS " + " ".join(f"{level:6.1f}" for level in levels.values()))

    differences = []
    for scene, (first, second) in SCENES.items():
        differences.append(levels[first] - levels[second])
    print("scenes 05-10, first order minus second (dB): " + ", ".join(f"{d:+.1f}" for d in differences) +
          f"; mean {np.mean(differences):+.2f}, least {min(differences):+.1f}")

    low, presence = band_shares(pcm)
    print(f"energy below 120 Hz: {100 * low:.1f} %; 2-6 kHz: {100 * presence:.1f} %")
    for name, orders in (("verse", VERSES), ("reveal", REVEALS)):
        pairs = similarity(pcm, orders)
        print(f"{name} orders {orders}: highest correlation {pairs[0][0]:.3f} (orders {pairs[0][1]} and "
              f"{pairs[0][2]}), lowest {pairs[-1][0]:.3f}; every pair: " +
              ", ".join(f"{a}-{b} {r:.2f}" for r, a, b in sorted(pairs, key=lambda p: p[1:])))
    print(f"arc: order {REVEALS[-1]} minus order {REVEALS[0]}: {levels[REVEALS[-1]] - levels[REVEALS[0]]:+.1f} dB; "
          f"order 1: {levels[1]:.1f} dB RMS")
    print("sub (below 70 Hz) minus bass (70-250 Hz) in the reveals: " +
          ", ".join(f"order {order} {sub_under_bass(pcm, order):+.1f} dB" for order in REVEALS))
    found = onsets(pcm)
    print(f"onsets: {len(found)}, on the 16th-note grid R = {onset_grid(found):.3f}")
    print(f"order 3: {100 * order_share(pcm, 3, 5000, 12000):.1f} % of its energy in 5-12 kHz "
          f"(order 4: {100 * order_share(pcm, 4, 5000, 12000):.1f} %)")
    print(f"climax: order 17 minus order 14: {levels[17] - levels[14]:+.1f} dB")
    kicks = kick_contrast(pcm, REVEALS)
    print(f"kick in the reveals: 70-250 Hz peak over 140-160 ms later, median {np.median(kicks):.1f} dB "
          f"(10th percentile {np.percentile(kicks, 10):.1f} dB, {len(kicks)} beats)")
    print(f"nearest onset to the flare at {FLARE} s: {1000 * nearest_onset(found, FLARE):+.0f} ms; "
          f"to the cadence at {CADENCE} s: {1000 * nearest_onset(found, CADENCE):+.0f} ms")
    print(f"ending: {ENDING[0]}-{ENDING[1]} s at {timeline_level(pcm, *ENDING):.1f} dB RMS; the last second of "
          f"the MP3 at {rms_db(pcm[-RATE:]):.1f} dB RMS")
    integrated, peak = loudness(args.mp3)
    print(f"loudness: {integrated:.1f} LUFS integrated, true peak {peak:.1f} dBTP")

    if args.beats:
        first, last = (int(x) for x in args.beats.split("-"))
        for order in range(first, last + 1):
            start = (order - FIRST_ORDER) * ORDER
            beats = [rms_db(pcm[start + b * BEAT:start + (b + 1) * BEAT]) for b in range(16)]
            print(f"order {order:2d} beats: " + " ".join(f"{b:5.1f}" for b in beats))

    if args.spectrogram:
        span = []
        if args.span:
            first, last = (int(x) for x in args.span.split("-"))
            span = ["-ss", str((first - FIRST_ORDER) * ORDER / RATE), "-t", str((last - first + 1) * ORDER / RATE)]
        subprocess.run(["ffmpeg", "-nostats", "-hide_banner", "-loglevel", "error", "-y", *span, "-i", args.mp3,
                        "-lavfi", "showspectrumpic=s=1800x600:scale=log:fscale=log:legend=1", args.spectrogram],
                       check=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
