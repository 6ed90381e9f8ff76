#!/usr/bin/env python3
"""Records the demo through OpenAL Soft's wave writer and says how sound and picture agree.

  tools/sync/record_sync.py BUILD_DIR [SECONDS] [--silent-timeline]

Records SECONDS (default 60) of BUILD_DIR/nerethval run from a folder holding the content of BUILD_DIR/data,
with a sync.xm that clicks on the left at every order's first row (make-sync --clicks: the same orders
and tempo), or the real silent one with --silent-timeline. It needs an X display (xvfb-run will do).
The time of each standard-output line and the WAV's size every 2 ms are logged; mpg123's decode of
the MP3 is matched sample for sample with the recording. Reported: where MP3 sample 0 lies, the first
MP3 sample heard, and for each order that prints a "scene NN" line, when the order's first sample
was played against that line. The frame loop queries the position once a frame, so a slow frame
makes a line late however well the sound keeps time: the end of each presented frame is logged too,
and each line is shown with the frame before it. Both are stamped inside the demo's process by a
preloaded glXSwapBuffers and fflush, so a busy machine does not delay them on their way here.
Exit status 1 when a figure is off by more than one 60 Hz frame.
"""
import array
import bisect
import os
import subprocess
import sys
import tempfile
import threading
import time

import timeline as timeline_json

RATE = 44100
FRAME = 1 / 60
PERIOD = 256  # the device's period, in frames
CLICK_LEVEL = 1000
FRAME_LOGGER = r"""
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
static void stamp(char what)
{
    static FILE* log;
    if (!log)
        log = fopen(getenv("FRAME_LOG"), "w");
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    fprintf(log, "%c %.6f\n", what, now.tv_sec + now.tv_nsec * 1e-9);
    fflush(log);
}
void glXSwapBuffers(void* display, unsigned long drawable)
{
    static void (*next)(void*, unsigned long);
    if (!next)
        next = (void (*)(void*, unsigned long))dlsym(RTLD_NEXT, "glXSwapBuffers");
    next(display, drawable);
    stamp('F');
}
int fflush(FILE* stream)
{
    static int (*next)(FILE*);
    if (!next)
        next = (int (*)(FILE*))dlsym(RTLD_NEXT, "fflush");
    const int result = next(stream);
    if (stream == stdout)
        stamp('L');
    return result;
}
"""

def stereo(raw):
    samples = array.array("h")
    samples.frombytes(raw[: len(raw) // 4 * 4])
    return samples[0::2], samples[1::2]


def record(build, seconds, clicks, folder, timeline):
    data = os.path.join(folder, "data")
    os.mkdir(data)
    source = os.path.join(build, "data")
    module = timeline["timelineModuleFile"]
    for name in os.listdir(source):
        if name != module:
            os.symlink(os.path.join(source, name), os.path.join(data, name))
    if clicks:
        subprocess.run([os.path.join(build, "tools/sync/make-sync"), "--clicks", os.path.join(data, module)], check=True)
    else:
        os.symlink(os.path.join(source, module), os.path.join(data, module))
    wav = os.path.join(folder, "out.wav")
    config = os.path.join(folder, "alsoft.conf")
    with open(config, "w") as file:
        file.write("[general]\ndrivers = wave\nperiod_size = %d\nperiods = 2\nfrequency = 44100\n"
                   "sample-type = int16\ndither = false\noutput-limiter = false\n[wave]\nfile = %s\n" % (PERIOD, wav))
    logger = os.path.join(folder, "frame_logger")
    with open(logger + ".c", "w") as file:
        file.write(FRAME_LOGGER)
    subprocess.run(["cc", "-shared", "-fPIC", "-o", logger + ".so", logger + ".c", "-ldl"], check=True)
    frame_log = os.path.join(folder, "frames.txt")
    environment = dict(os.environ, ALSOFT_CONF=config, ALSOFT_DRIVERS="wave", LD_PRELOAD=logger + ".so",
                       FRAME_LOG=frame_log)
    demo = subprocess.Popen([os.path.join(build, "nerethval")], cwd=data, env=environment,
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    lines = []
    reader = threading.Thread(target=lambda: [lines.append((time.monotonic(), line.decode().rstrip("\n")))
                                              for line in demo.stdout])
    reader.start()
    sizes = [(time.monotonic(), 0)]
    while sizes[-1][1] < seconds * RATE * 4 and demo.poll() is None:
        time.sleep(0.002)
        try:
            sizes.append((time.monotonic(), os.stat(wav).st_size))
        except FileNotFoundError:
            pass
    demo.terminate()
    demo.wait()
    reader.join()
    with open(wav, "rb") as file:
        recorded = file.read()
    with open(frame_log) as file:
        stamps = [line.split() for line in file]
    frames = [float(t) for what, t in stamps if what == "F"]
    flushed = [float(t) for what, t in stamps if what == "L"]
    if len(flushed) == len(lines):
        lines = [(t, text) for t, (_, text) in zip(flushed, lines)]
    else:
        print("%d flushes for %d lines: lines are timed as they arrive" % (len(flushed), len(lines)))
    return lines, sizes, recorded, frames, os.path.join(data, timeline["soundtrackFile"])


def main():
    arguments = [a for a in sys.argv[1:] if not a.startswith("--")]
    if not arguments:
        sys.exit(__doc__)
    build = os.path.abspath(arguments[0])
    timeline = timeline_json.load(build)
    order_frames = timeline["orderSamples"]
    scene_of_order = {orders[0]: scene for scene, orders in timeline_json.scene_orders(timeline).items()}
    seconds = float(arguments[1]) if len(arguments) > 1 else 60
    clicks = "--silent-timeline" not in sys.argv
    with tempfile.TemporaryDirectory() as folder:
        lines, sizes, recorded, frames, mp3 = record(build, seconds, clicks, folder, timeline)
        decoded = subprocess.run(["mpg123", "-q", "-s", "-e", "s16", "-r", str(RATE), "--stereo", mp3],
                                 check=True, stdout=subprocess.PIPE).stdout
    data_start = recorded.find(b"data") + 8
    left, right = stereo(recorded[data_start:])
    mp3_left, mp3_right = stereo(decoded)
    print("recorded %.1f s; %d lines on standard output" % (len(left) / RATE, len(lines)))
    failed = False

    # The clicks sound on the left only, so the right channel is the MP3's alone: find a second of it.
    right_bytes = right.tobytes()

    def find(k, after):
        """The recorded frame where MP3 sample k lies, searching from recorded frame `after`."""
        key = mp3_right[k:k + 2048].tobytes()
        found = right_bytes.find(key, 2 * after)
        while found >= 0 and found % 2:
            found = right_bytes.find(key, found + 1)
        return found // 2 if found >= 0 and len(key) == 4096 else None

    mp3_start = find(RATE, 0)
    if mp3_start is None:
        print("the MP3 was not found in the recording")
        return 1
    mp3_start -= RATE
    first_heard = RATE
    while first_heard > 0 and mp3_start + first_heard > 0 and right[mp3_start + first_heard - 1] == mp3_right[first_heard - 1]:
        first_heard -= 1
    print("MP3 sample 0 at recorded frame %d; first MP3 sample heard: %d" % (mp3_start, first_heard))
    failed |= first_heard != 0

    # Past a gap (an output that ran dry) the MP3 is found again further on, later by the gap.
    # segments: (recorded frame, MP3 sample) where each stretch of faithful samples begins.
    segments = [(mp3_start + first_heard, first_heard)]
    while True:
        frame, k = segments[-1]
        count = min(len(right) - frame, len(mp3_right) - k)
        bad = next((i for i in range(count) if right[frame + i] != mp3_right[k + i]), None)
        if bad is None:
            break
        again = find(k + bad + RATE // 10, frame + bad)
        if again is None:
            print("the MP3 differs from mpg123's decode from its sample %d on" % (k + bad))
            failed = True
            break
        gap = again - RATE // 10 - (frame + bad)
        print("gap: %.1f ms of silence before MP3 sample %d (%.3f s into it)" % (gap * 1000 / RATE, k + bad, (k + bad) / RATE))
        segments.append((frame + bad + gap, k + bad))
        failed = True
    print("%d gaps; the rest of the recorded right channel is mpg123's decode, sample for sample" % (len(segments) - 1))

    starts = [frame for frame, _ in segments]

    def mp3_left_at(frame):
        """The MP3's left sample at a recorded frame: 0 before it, in a gap and after its end."""
        index = bisect.bisect_right(starts, frame) - 1
        if index < 0:
            return 0
        k = segments[index][1] + frame - starts[index]
        if k >= len(mp3_left) or (index + 1 < len(segments) and k >= segments[index + 1][1]):
            return 0
        return mp3_left[k]

    # The writer mixes each period when its last frame is due on its real-time clock and writes it
    # at once; the file grows in steps of its stdio buffer, so the log entry least behind that clock
    # places frame 0.
    frame_zero = min(t - (size - data_start) / 4 / RATE for t, size in sizes if size > data_start)
    played = lambda frame: frame_zero + (frame // PERIOD + 1) * PERIOD / RATE
    line_time = {text: t for t, text in reversed(lines)}

    def compare(what, frame, line):
        if line not in line_time:
            print("%s: no \"%s\" line" % (what, line))
            return False
        offset = played(frame) - line_time[line]
        # The frame before the line's began with the query that still gave the previous position.
        ended = bisect.bisect_left(frames, line_time[line])
        before = "it is the first frame"
        if ended >= 2:
            # The position changed between the two queries, somewhere in that span.
            span = line_time[line] - frames[ended - 2]
            before = "the frame before it and the line's own up to the query took %.1f ms; the sound is%s" \
                " within a frame of that span" % (span * 1000, "" if -span - FRAME <= offset <= FRAME else " not")
        print("%s played %+.1f ms from the \"%s\" line; %s" % (what, offset * 1000, line, before))
        return abs(offset) <= FRAME

    failed |= not compare("MP3 sample 0", mp3_start, "scene 02")
    if not clicks:
        return 1 if failed else 0
    onsets = []
    for frame in range(len(left)):
        residual = left[frame] - mp3_left_at(frame)
        if abs(residual) > CLICK_LEVEL and (not onsets or frame - onsets[-1] > RATE):
            onsets.append(frame)
    if not onsets:
        print("no click of the timeline was heard")
        return 1
    # Orders are counted from the first click heard, which is order 0's unless its start was lost.
    first_order = round((played(onsets[0]) - line_time.get("scene 01", played(onsets[0]))) * RATE / order_frames)
    for onset in onsets:
        order = first_order + round((onset - onsets[0]) / order_frames)
        if order in scene_of_order:
            failed |= not compare("order %d" % order, onset, "scene %02d" % scene_of_order[order])
        else:
            print("order %d played at %.3f s (it prints no line)" % (order, played(onset) - frame_zero))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
