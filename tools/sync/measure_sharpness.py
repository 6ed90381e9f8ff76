#!/usr/bin/python3
"""Measures how steady the sharpness of scene 07's scrolling ground is from frame to frame.

  tools/sync/measure_sharpness.py FRAME.png...

The frames come from the capture, for example 30 at 60 fps from 78.0 s:

  cd build/data && xvfb-run -a -s "-screen 0 1280x720x24" ../nerethval-capture --fps 60 \\
      --from 78 --seconds 78.48 --frames /tmp/scroll
  tools/sync/measure_sharpness.py /tmp/scroll/frame-*.png

Printed: each frame's sharpness, the mean absolute Laplacian (four neighbours) of the luma
(0.299 R + 0.587 G + 0.114 B) over rows 560 to 720 of a 1280 x 720 frame, where the strip and
the near ridge scroll; then the spread (highest minus lowest, over the mean) and the largest step
from one frame to the next, over the mean.
"""
import sys

import numpy as np
from PIL import Image


def sharpness(path):
    band = (np.asarray(Image.open(path).convert("RGB"), dtype=np.float64) @ np.array([0.299, 0.587, 0.114]))[560:720]
    laplacian = band[:-2, 1:-1] + band[2:, 1:-1] + band[1:-1, :-2] + band[1:-1, 2:] - 4.0 * band[1:-1, 1:-1]
    return np.abs(laplacian).mean()


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    values = np.array([sharpness(path) for path in sys.argv[1:]])
    for path, value in zip(sys.argv[1:], values):
        print(f"{path}: {value:.3f}")
    mean = values.mean()
    print(f"mean {mean:.3f}, spread {100 * (values.max() - values.min()) / mean:.2f} %, "
          f"largest step {100 * np.abs(np.diff(values)).max() / mean:.2f} %")
