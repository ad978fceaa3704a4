#!/usr/bin/python3
"""The picture measures of pictor-data written the usual way, vectorised with
numpy over whole images, to compare speed and numbers with pictor-data on the
same pictures.

Usage: measures_numpy.py IMAGES MEASURES OURS
  IMAGES    pictures drawn by pictor-data as made and as replayed (471 x 375):
            per image a byte n, n colours (uint32, 0xRRGGBB) and a byte per
            pixel indexing them
  MEASURES  pictor-data's measures of the same images, as CSV
  OURS      pictor-data's pictures per CPU-second on the whole table run
Prints two rows of the README's performance table. Only the measuring is
timed (CPU time of this process); reading the images is not.
"""
import csv
import math
import sys
import time

import numpy as np

W, H = 471, 375
BACKGROUND = 0xC0C0C0
NAMES = ["coverage", "mean_lightness", "rms_contrast", "balance_dcm", "symmetry_lr", "symmetry_ud",
         "edge_density", "fractal_dimension"]


def read_images(path):
    images = []
    with open(path, "rb") as f:
        while True:
            count = f.read(1)
            if not count:
                return images
            palette = np.frombuffer(f.read(4 * count[0]), dtype="<u4")
            index = np.frombuffer(f.read(W * H), dtype=np.uint8).reshape(H, W)
            images.append(palette[index])


def linear(v):
    v = v / 255.0
    return np.where(v <= 0.04045, v / 12.92, ((v + 0.055) / 1.055) ** 2.4)


LINEAR = linear(np.arange(256))


def lightness(image):
    y = (0.2126729 * LINEAR[(image >> 16) & 255] + 0.7151522 * LINEAR[(image >> 8) & 255] +
         0.0721750 * LINEAR[image & 255])
    return np.where(y > 216 / 24389, 116 * np.cbrt(y) - 16, 24389 / 27 * y)


def measure(image):
    mask = image != BACKGROUND
    count = int(mask.sum())
    l_star = lightness(image)
    # A pixel on a contour has a neighbour of the eight around it in another colour.
    padded = np.pad(image, 1, mode="edge")
    edge = np.zeros(image.shape, dtype=bool)
    for dy in range(3):
        for dx in range(3):
            if dy != 1 or dx != 1:
                edge |= padded[dy:dy + H, dx:dx + W] != image
    m = {"coverage": count / image.size, "mean_lightness": l_star.mean(), "rms_contrast": l_star.std(),
         "edge_density": edge.mean()}
    if count == 0:
        return m
    ys, xs = np.nonzero(mask)
    m["balance_dcm"] = math.hypot(xs.mean() + 0.5 - W / 2, ys.mean() + 0.5 - H / 2) / (math.hypot(W, H) / 2)
    lr = int((mask & mask[:, ::-1]).sum())
    ud = int((mask & mask[::-1, :]).sum())
    m["symmetry_lr"] = lr / (2 * count - lr)
    m["symmetry_ud"] = ud / (2 * count - ud)
    # The boundary: mask pixels with a 4-neighbour outside the mask or the image.
    outside = np.pad(mask, 1)
    inner = outside[:-2, 1:-1] & outside[2:, 1:-1] & outside[1:-1, :-2] & outside[1:-1, 2:]
    boundary = mask & ~inner
    # Boxes of side 2, 4, ..., 128: each level ORs 2 x 2 boxes of the one below.
    sides = [2 ** k for k in range(1, 8)]
    boxes = []
    grid = boundary
    for s in sides:
        grid = np.pad(grid, ((0, grid.shape[0] % 2), (0, grid.shape[1] % 2)))
        grid = grid.reshape(grid.shape[0] // 2, 2, grid.shape[1] // 2, 2).any(axis=(1, 3))
        boxes.append(int(grid.sum()))
    m["fractal_dimension"] = np.polyfit(np.log(1 / np.array(sides)), np.log(np.array(boxes)), 1)[0]
    return m


def main():
    images = read_images(sys.argv[1])
    with open(sys.argv[2], newline="") as f:
        ours = list(csv.DictReader(f))
    start = time.process_time()
    theirs = [measure(image) for image in images]
    seconds = time.process_time() - start
    pictures = len(images) / 2  # each picture as made and as replayed
    rate = pictures / seconds
    worst = 0.0
    for mine, other in zip(ours, theirs):
        for name in NAMES:
            if (mine[name] == "") != (name not in other):
                worst = math.inf
            elif mine[name] != "":
                worst = max(worst, abs(float(mine[name]) - other[name]))
    ratio = float(sys.argv[3]) / rate
    print(f"| numpy, the same measures on {pictures:.0f} of the pictures (drawn beforehand, not timed) | "
          f"{rate:.0f} pictures per CPU-second | pictor-data {ratio:.1f} times as many | >= 10 times |")
    print(f"| Largest difference between pictor-data and numpy over those pictures, any measure | "
          f"{worst:.1e} | | printed digits agree |")


main()
