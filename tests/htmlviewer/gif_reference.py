"""Writes the frames of a GIF as Pillow reads them, for the viewer's GIF tests.

The file holds a text part and then the pixels:
  W H FRAMES LOOP               (LOOP -1 when the file has no loop count)
  X0 Y0 X1 Y1 DURATION DISPOSAL (one line a frame: its box, ms, method)
  DATA
and after that line FRAMES x W x H x 4 bytes: each composed frame as RGBA.
"""
import sys

from PIL import Image

source, target = sys.argv[1], sys.argv[2]
im = Image.open(source)
frames = []
lines = []
for i in range(im.n_frames):
    im.seek(i)
    x0, y0, x1, y1 = im.dispose_extent
    lines.append(f"{x0} {y0} {x1} {y1} {im.info.get('duration', 0)} {im.disposal_method}")
    frames.append(im.convert("RGBA").tobytes())
with open(target, "wb") as f:
    header = f"{im.size[0]} {im.size[1]} {im.n_frames} {im.info.get('loop', -1)}\n"
    f.write((header + "\n".join(lines) + "\nDATA\n").encode())
    for data in frames:
        f.write(data)
