#!/usr/bin/python3
"""Watches and listens to a whole capture with sound by instrument, end to end.

  tools/sync/audit_capture.py VIDEO.mp4 MP3 [--sheet PNG]

VIDEO is a whole run of `nerethval-capture --video` at 1280 x 720 and MP3 the soundtrack it
played. Sound: the capture's track is matched against mpg123's decode of the MP3, which must
start at the first frame of order 1 and play to its end; each second of the stream is compared
with the MP3 (the signal-to-difference ratio; AAC keeps it well above 15 dB, a dropout, a repeat
or a shift takes it below 0), and the track is searched for clicks (a step between two samples
far above the music's own around it) and for silence where the MP3 has sound. Picture: frozen
stretches (the same picture for a second or more), black stretches, and each order's mean
brightness and motion. --sheet writes a contact sheet, a frame every 4 s. Exit status 1 when the
stream is misplaced, a second of it differs, or the track clicks or falls silent.
"""
import argparse
import subprocess
import sys

import numpy as np

import timeline

TIMELINE = timeline.load()
RATE = TIMELINE["sampleRate"]
ORDER_SECONDS = TIMELINE["orderSeconds"]
FPS = 60
WIDTH, HEIGHT = 1280, 720
SMALL = (160, 90)


def pcm(path, decoder):
    if decoder == "mpg123":
        command = ["mpg123", "-q", "-s", "-r", str(RATE), "--stereo", path]
    else:
        command = ["ffmpeg", "-v", "error", "-i", path, "-vn", "-f", "s16le", "-ac", "2", "-ar", str(RATE), "-"]
    raw = subprocess.run(command, check=True, stdout=subprocess.PIPE).stdout
    return np.frombuffer(raw, dtype="<i2").astype(np.float64).reshape(-1, 2).mean(axis=1) / 32768.0


def frames(path):
    """Every frame, shrunk to 160 x 90 RGB, as ffmpeg's area filter averages it."""
    command = ["ffmpeg", "-v", "error", "-i", path, "-an", "-vf", "scale=%d:%d:flags=area" % SMALL,
               "-f", "rawvideo", "-pix_fmt", "rgb24", "-"]
    raw = subprocess.run(command, check=True, stdout=subprocess.PIPE).stdout
    return np.frombuffer(raw, np.uint8).reshape(-1, SMALL[1], SMALL[0], 3)


def stream_offset(track, stream):
    """The track sample where the stream's sample 0 lies: coarse by envelopes, then by samples."""
    hop = 441
    envelope = lambda x: np.sqrt(np.add.reduceat(x[:len(x) // hop * hop] ** 2, np.arange(0, len(x) // hop * hop, hop)))
    a, b = envelope(track), envelope(stream[:30 * RATE])
    scores = [np.dot(a[i:i + len(b)], b) / (np.linalg.norm(a[i:i + len(b)]) + 1e-12) for i in range(len(a) - len(b))]
    coarse = int(np.argmax(scores)) * hop
    window = stream[2 * RATE:4 * RATE]
    best, where = -1.0, coarse
    for start in range(max(0, coarse - 2 * hop), coarse + 2 * hop):
        piece = track[start + 2 * RATE:start + 4 * RATE]
        score = np.dot(piece, window) / (np.linalg.norm(piece) * np.linalg.norm(window) + 1e-12)
        if score > best:
            best, where = score, start
    return where, best


def ratio_db(reference, other):
    difference = np.sum((reference - other) ** 2)
    return 10 * np.log10(np.sum(reference ** 2) / difference) if difference > 0 else 200.0


def clicks(track):
    """Samples whose step from the one before stands far above the steps around them."""
    step = np.abs(np.diff(track))
    block = 441
    count = len(step) // block
    typical = np.percentile(step[:count * block].reshape(count, block), 99, axis=1)
    around = np.maximum.reduce([np.roll(typical, k) for k in (-2, -1, 0, 1, 2)])
    found = []
    for index in range(count):
        peak = step[index * block:(index + 1) * block].max()
        if peak > 0.05 and peak > 4 * around[index]:
            found.append(index * block / RATE)
    return found


def main():
    parser = argparse.ArgumentParser(description="Audits a whole capture with sound.")
    parser.add_argument("video")
    parser.add_argument("mp3")
    parser.add_argument("--sheet")
    options = parser.parse_args()
    faults = []

    track = pcm(options.video, "ffmpeg")
    stream = pcm(options.mp3, "mpg123")
    order1 = np.ceil(ORDER_SECONDS * FPS) / FPS  # the first frame of order 1
    offset, match = stream_offset(track, stream)
    print("sound: %.1f s; the stream starts at %.4f s (order 1's first frame %.4f s), match %.3f"
          % (len(track) / RATE, offset / RATE, order1, match))
    if abs(offset / RATE - order1) > 1.5 / FPS:
        faults.append("the stream is misplaced")
    seconds = min(len(stream), len(track) - offset) // RATE
    ratios = [ratio_db(stream[s * RATE:(s + 1) * RATE], track[offset + s * RATE:offset + (s + 1) * RATE])
              for s in range(seconds)]
    worst = int(np.argmin(ratios))
    print("stream against the MP3, each of %d seconds: median %.1f dB, lowest %.1f dB at %.0f s"
          % (seconds, np.median(ratios), ratios[worst], offset / RATE + worst))
    if ratios[worst] < 10:
        faults.append("a second of the stream differs from the MP3")
    if len(stream) > (len(track) - offset) + RATE // 10:
        faults.append("the track ends before the stream")
    found = clicks(track)
    reference = set(round(t, 1) for t in clicks(stream))
    added = [t for t in found if round(t - offset / RATE, 1) not in reference]
    print("clicks: %d in the track, %d of them not in the MP3 %s" % (len(found), len(added), added[:10]))
    if added:
        faults.append("the track clicks")
    loud = [s for s in range(seconds) if np.sqrt(np.mean(stream[s * RATE:(s + 1) * RATE] ** 2)) > 0.01
            and np.sqrt(np.mean(track[offset + s * RATE:offset + (s + 1) * RATE] ** 2)) < 0.001]
    print("seconds silent where the MP3 sounds: %d" % len(loud))
    if loud:
        faults.append("the track falls silent")

    pictures = frames(options.video)
    count = len(pictures)
    flat = pictures.reshape(count, -1).astype(np.int16)
    motion = np.concatenate([[0.0], np.abs(np.diff(flat, axis=0)).mean(axis=1)])
    brightness = flat.mean(axis=1)
    still, longest, longest_at = 0, 0, 0.0
    for k in range(count):
        still = still + 1 if motion[k] == 0 else 0
        if still > longest:
            longest, longest_at = still, (k - still + 1) / FPS
    black = brightness < 1.0
    print("picture: %d frames (%.2f s); longest unchanged stretch %.2f s from %.2f s; %d black frames"
          % (count, count / FPS, longest / FPS, longest_at, int(black.sum())))
    print("order  from s   brightness  motion")
    for order in range(int(count / FPS / ORDER_SECONDS) + 1):
        span = slice(int(order * ORDER_SECONDS * FPS), min(count, int((order + 1) * ORDER_SECONDS * FPS)))
        if span.start < count:
            print("%5d  %6.1f  %10.1f  %6.2f" % (order, order * ORDER_SECONDS, brightness[span].mean(), motion[span].mean()))

    if options.sheet:
        picks = pictures[::4 * FPS]
        columns = 8
        rows = -(-len(picks) // columns)
        sheet = np.zeros((rows * SMALL[1], columns * SMALL[0], 3), np.uint8)
        for i, picture in enumerate(picks):
            y, x = divmod(i, columns)
            sheet[y * SMALL[1]:(y + 1) * SMALL[1], x * SMALL[0]:(x + 1) * SMALL[0]] = picture
        subprocess.run(["ffmpeg", "-v", "error", "-y", "-f", "rawvideo", "-pix_fmt", "rgb24", "-s",
                        "%dx%d" % (sheet.shape[1], sheet.shape[0]), "-i", "-", options.sheet],
                       input=sheet.tobytes(), check=True)
        print("contact sheet: %s, a frame every 4 s, %d columns" % (options.sheet, columns))

    for fault in faults:
        print("fault: " + fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
