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
"""
import argparse
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


def band_shares(pcm):
    """Welch average of 8192-point spectra; shares of the total above 20 Hz."""
    size = 8192
    window = np.hanning(size)
    power = np.zeros(size // 2 + 1)
    for start in range(0, len(pcm) - size, size // 2):
        power += np.abs(np.fft.rfft(pcm[start:start + size] * window)) ** 2
    frequency = np.fft.rfftfreq(size, 1 / RATE)
    total = power[frequency >= 20].sum()
    low = power[(frequency >= 20) & (frequency < 120)].sum()
    presence = power[(frequency >= 2000) & (frequency < 6000)].sum()
    return low / total, presence / total


def onset_grid(pcm):
    """Spectral-flux onsets and their mean phase on the 16th-note (row) grid."""
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
    onsets = []
    for i in range(context, len(flux) - context):
        local = flux[i - reach:i + reach + 1]
        if flux[i] < local.max() or flux[i] <= 0:
            continue
        if flux[i] > 1.5 * np.median(flux[i - context:i + context]) + 0.1 * flux.std():
            onsets.append(i * hop + size // 2)
    onsets = np.array(onsets, dtype=np.float64)
    phases = 2 * np.pi * (onsets % ROW) / ROW
    return len(onsets), abs(np.mean(np.exp(1j * phases))) if len(onsets) else 0.0


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
    count, resultant = onset_grid(pcm)
    print(f"onsets: {count}, on the 16th-note grid R = {resultant:.3f}")
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
