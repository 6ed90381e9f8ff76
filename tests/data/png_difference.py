"""Compares two stills of the capture (8-bit RGBA PNG): prints the largest difference of one
channel of one pixel, the count of pixels that differ, and the PSNR over RGB.
With --check, the exit status says whether they match closely: largest step at most 8 levels,
PSNR at least 50 dB (identical files pass, with an infinite PSNR); --check STEP DB sets the two."""
import math
import struct
import sys
import zlib

import numpy


def read_rgba(path):
    with open(path, 'rb') as file:
        data = file.read()
    if data[:8] != b'\x89PNG\r\n\x1a\n':
        raise ValueError(path + ' is not a PNG file')
    position, chunks, width, height = 8, [], 0, 0
    while position < len(data):
        length, kind = struct.unpack('>I4s', data[position:position + 8])
        body = data[position + 8:position + 8 + length]
        if kind == b'IHDR':
            width, height, depth, colour, _, _, interlace = struct.unpack('>IIBBBBB', body)
            if (depth, colour, interlace) != (8, 6, 0):
                raise ValueError(path + ' is not 8-bit RGBA without interlace')
        elif kind == b'IDAT':
            chunks.append(body)
        position += 12 + length
    raw = zlib.decompress(b''.join(chunks))
    stride = width * 4
    rows, above = [], bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        kind, row = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        for x in range(stride if kind else 0):
            left = row[x - 4] if x >= 4 else 0
            up = above[x]
            corner = above[x - 4] if x >= 4 else 0
            if kind == 1:
                row[x] = (row[x] + left) & 255
            elif kind == 2:
                row[x] = (row[x] + up) & 255
            elif kind == 3:
                row[x] = (row[x] + (left + up) // 2) & 255
            elif kind == 4:
                guess = left + up - corner
                near = min((abs(guess - left), 0, left), (abs(guess - up), 1, up), (abs(guess - corner), 2, corner))
                row[x] = (row[x] + near[2]) & 255
        rows.append(row)
        above = row
    return width, height, rows


def main():
    arguments = sys.argv[1:]
    checking = arguments[:1] == ['--check']
    limit_step, limit_psnr = (int(arguments[1]), float(arguments[2])) if checking and len(arguments) == 5 else (8, 50)
    first, second = arguments[-2:]
    width, height, a = read_rgba(first)
    other_width, other_height, b = read_rgba(second)
    if (width, height) != (other_width, other_height):
        print('sizes differ')
        return 1
    pixels = [numpy.frombuffer(b''.join(rows), numpy.uint8).reshape(-1, 4)[:, :3].astype(numpy.int32) for rows in (a, b)]
    steps = numpy.abs(pixels[0] - pixels[1])
    largest, differing, squares = int(steps.max()), int(numpy.count_nonzero(steps.any(axis=1))), int((steps * steps).sum())
    psnr = math.inf if squares == 0 else 10 * math.log10(255 * 255 * width * height * 3 / squares)
    print('largest step %d, %d pixels differ, PSNR %s dB' % (largest, differing,
                                                            'inf' if psnr == math.inf else '%.1f' % psnr))
    return 0 if not checking or (largest <= limit_step and psnr >= limit_psnr) else 1


if __name__ == '__main__':
    sys.exit(main())
