#!/usr/bin/env python3
"""Makes the TIFF and PNG files of the image library's tests with the pixels
an independent decoder reads from them: image_fixtures.py OUT_DIR PNGSUITE_DIR.

TIFF files come from tiffcp (every compression, byte order, fill order,
strips, tiles, planes), fax2tiff, ImageMagick (CMYK, L*a*b*, 16 bits, YCbCr
JPEG) and Pillow through libtiff (modified Huffman), a few are written here
byte by byte; their reference is libtiff's tiff2rgba, for L*a*b*
ImageMagick's sRGB in linear light (the library's L*a*b* converter gives
linear light). The PngSuite references (PNGSUITE_DIR, in tests/data) are
Pillow's. OUT_DIR gets tiff/NAME,
ref/NAME.rgba (width, height as 32-bit little-endian, then RGBA rows),
tiff.txt (NAME TOLERANCE plain|premultiplied, or NAME error TEXT; alpha is
compared exactly) and png.txt
(PATH GAMMA SIXTEEN_BITS).
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile

from PIL import Image

out, pngsuite = sys.argv[1], sys.argv[2]
tiff_dir = os.path.join(out, "tiff")
ref_dir = os.path.join(out, "ref")
for d in (tiff_dir, ref_dir):
    shutil.rmtree(d, ignore_errors=True)
    os.makedirs(d)
work = tempfile.mkdtemp()
entries = []


def run(*args):
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def save_ref(name, image):
    image = image.convert("RGBA")
    with open(os.path.join(ref_dir, name + ".rgba"), "wb") as f:
        f.write(struct.pack("<II", *image.size))
        f.write(image.tobytes())


def libtiff_ref(name):
    """The reference of a test file: libtiff's RGBA image of it."""
    rgba = os.path.join(work, "rgba.tif")
    plain = os.path.join(work, "plain.tif")
    source = os.path.join(tiff_dir, name)
    if "tiles" in name:
        # tiff2rgba misreads the edge tiles of 16-bit grey images: strips
        # first.
        source = os.path.join(work, "strips.tif")
        run("tiffcp", "-s", "-c", "none", os.path.join(tiff_dir, name), source)
    run("tiff2rgba", "-c", "none", source, rgba)
    # tiff2rgba keeps the fill order of its input: made msb-to-lsb, its
    # strips hold the RGBA bytes as libtiff made them (the colour
    # premultiplied by an alpha sample).
    run("tiffcp", "-f", "msb2lsb", "-c", "none", rgba, plain)
    image = Image.open(plain)
    with open(plain, "rb") as f:
        data = f.read()
    pixels = b"".join(data[o:o + n] for o, n in zip(image.tag_v2[273], image.tag_v2[279]))
    with open(os.path.join(ref_dir, name + ".rgba"), "wb") as f:
        f.write(struct.pack("<II", *image.size))
        f.write(pixels[:image.size[0] * image.size[1] * 4])


def add(name, tolerance=0, mode="plain"):
    libtiff_ref(name)
    entries.append(f"{name} {tolerance} {mode}")


def magick(name, *args, size="37x23"):
    path = os.path.join(work, name)
    run("convert", "-seed", "3", "-size", size, "plasma:fractal", *args, path)
    return path


# ---- Sweep of tiffcp over the base images -----------------------------------
bases = {
    "rgb8": (magick("rgb8.tif", "-depth", "8", "-compress", "none"), "plain"),
    "rgb16": (magick("rgb16.tif", "-depth", "16", "-compress", "none"), "plain"),
    "gray8": (magick("gray8.tif", "-colorspace", "gray", "-depth", "8", "-compress", "none"), "plain"),
    "gray16": (magick("gray16.tif", "-colorspace", "gray", "-depth", "16", "-compress", "none"), "plain"),
    "gray4": (magick("gray4.tif", "-colorspace", "gray", "-depth", "4", "-compress", "none"), "plain"),
    "gray2": (magick("gray2.tif", "-colorspace", "gray", "-depth", "2", "-compress", "none"), "plain"),
    "white8": (magick("white8.tif", "-colorspace", "gray", "-depth", "8", "-define",
                      "quantum:polarity=min-is-white", "-compress", "none"), "plain"),
    "bilevel": (magick("bilevel.tif", "-colorspace", "gray", "-threshold", "50%", "-depth", "1",
                       "-compress", "none", size="61x23"), "plain"),
    "palette8": (magick("palette8.tif", "-colors", "200", "-type", "palette", "-compress", "none"), "plain"),
    "palette4": (magick("palette4.tif", "-colors", "12", "-type", "palette", "-depth", "4", "-compress", "none"),
                 "plain"),
    "rgba8": (magick("rgba8.tif", "-alpha", "set", "-channel", "A", "-fx", "i/w", "-depth", "8",
                     "-compress", "none"), "premultiplied"),
    "grayalpha8": (magick("grayalpha8.tif", "-colorspace", "gray", "-alpha", "set", "-channel", "A", "-fx", "j/h",
                          "-depth", "8", "-compress", "none"), "plain"),
    "cmyk8": (magick("cmyk8.tif", "-depth", "8", "-colorspace", "cmyk", "-compress", "none"), "plain"),
}
compressions = ["none", "lzw", "lzw:2", "zip", "zip:2", "packbits"]
layouts = {"strips": [], "rows7": ["-r", "7"], "tiles": ["-t", "-w", "16", "-l", "16"],
           "planes": ["-p", "separate"]}
for base, (path, mode) in bases.items():
    samples = Image.open(path).getbands()
    for ci, compression in enumerate(compressions):
        for li, (layout, options) in enumerate(layouts.items()):
            # libtiff differences samples of 8 bits or more only.
            if compression.endswith(":2") and base in ("gray4", "gray2", "bilevel", "palette4"):
                continue
            # tiffcp separates the planes of 8-bit samples only.
            if layout == "planes" and (len(samples) == 1 or "16" in base):
                continue
            # Both byte orders for 16 bits; otherwise they take turns.
            orders = ["-L", "-B"] if "16" in base else [["-L", "-B"][(ci + li) % 2]]
            for order in orders:
                name = f"{base}-{compression.replace(':', 'p')}-{layout}{order[1]}.tif"
                run("tiffcp", order, "-c", compression, *options, path, os.path.join(tiff_dir, name))
                # libtiff premultiplies grey by its alpha in separate planes only.
                add(name, 1, "premultiplied" if base == "grayalpha8" and layout == "planes" else mode)

# Palette images with an alpha sample, whose alpha libtiff's RGBA image
# leaves out: Pillow's reading is their reference.
palette_alpha = magick("palettealpha8.tif", "-colors", "12", "-alpha", "set", "-channel", "A", "-fx", "i/w",
                       "+channel", "-type", "PaletteAlpha", "-depth", "8", "-compress", "none")
for name, options in (("palettealpha8-none-strips.tif", ["-c", "none"]),
                      ("palettealpha8-lzw-rows7B.tif", ["-B", "-c", "lzw", "-r", "7"]),
                      ("palettealpha8-zip-tiles.tif", ["-c", "zip", "-t", "-w", "16", "-l", "16"])):
    run("tiffcp", *options, palette_alpha, os.path.join(tiff_dir, name))
    save_ref(name, Image.open(os.path.join(tiff_dir, name)))
    # 16-bit colour map entries: Pillow keeps their high byte, we scale them.
    entries.append(f"{name} 1 plain")

# Fill order 2 (least significant bit first), which libtiff applies to the
# stored data of every compression.
for base, compression in (("bilevel", "lzw"), ("gray8", "none"), ("rgb8", "zip")):
    name = f"{base}-{compression}-lsb.tif"
    run("tiffcp", "-f", "lsb2msb", "-c", compression, bases[base][0], os.path.join(tiff_dir, name))
    add(name, 1)

# ---- JPEG ---------------------------------------------------------------------
rgb8 = bases["rgb8"][0]
for name, options in (("jpeg-ycbcr.tif", ["-c", "jpeg"]), ("jpeg-ycbcr-rows16B.tif", ["-B", "-r", "16", "-c", "jpeg"]),
                      ("jpeg-ycbcr-tiles.tif", ["-t", "-w", "16", "-l", "16", "-c", "jpeg"]),
                      ("jpeg-rgb.tif", ["-c", "jpeg:r"]), ("jpeg-rgb-planes.tif", ["-p", "separate", "-c", "jpeg:r"])):
    run("tiffcp", *options, rgb8, os.path.join(tiff_dir, name))
    add(name, 3)
run("tiffcp", "-c", "jpeg", bases["gray8"][0], os.path.join(tiff_dir, "jpeg-gray.tif"))
add("jpeg-gray.tif", 3)
for name, args in (("magick-jpeg-ycbcr.tif", ["-depth", "8", "-colorspace", "YCbCr", "-compress", "jpeg"]),
                   ("magick-jpeg-gray.tif", ["-depth", "8", "-colorspace", "gray", "-compress", "jpeg"])):
    shutil.copy(magick(name, *args), os.path.join(tiff_dir, name))
    add(name, 3)


def cut_strips(source, name):
    """A copy of a TIFF file whose strips are said to hold half their bytes:
    JPEG data that ends early."""
    with open(os.path.join(tiff_dir, source), "rb") as f:
        data = bytearray(f.read())
    order = "<" if data[:2] == b"II" else ">"
    at = struct.unpack(order + "I", data[4:8])[0]
    for i in range(struct.unpack(order + "H", data[at:at + 2])[0]):
        entry = at + 2 + 12 * i
        tag, typ, count = struct.unpack(order + "HHI", data[entry:entry + 8])
        if tag != 279:
            continue
        size = 2 if typ == 3 else 4
        where = entry + 8 if count * size <= 4 else struct.unpack(order + "I", data[entry + 8:entry + 12])[0]
        for k in range(count):
            code = order + ("H" if size == 2 else "I")
            value = struct.unpack(code, data[where + k * size:where + (k + 1) * size])[0]
            data[where + k * size:where + (k + 1) * size] = struct.pack(code, value // 2)
    with open(os.path.join(tiff_dir, name), "wb") as f:
        f.write(data)


# Not in the list: damaged, it is read for its warning.
cut_strips("jpeg-ycbcr-rows16B.tif", "jpeg-cut.tif")

# ---- L*a*b*: ImageMagick's sRGB decoding, in linear light ------------------
def linear(v):
    c = v / 255.0
    c = c / 12.92 if c <= 0.04045 else ((c + 0.055) / 1.055) ** 2.4
    return int(round(c * 255))


for depth in ("8", "16"):
    name = f"lab{depth}.tif"
    shutil.copy(magick(name, "-depth", depth, "-colorspace", "Lab", "-compress", "none"), os.path.join(tiff_dir, name))
    srgb = os.path.join(work, "lab.png")
    run("convert", os.path.join(tiff_dir, name), "-colorspace", "sRGB", "-depth", "8", srgb)
    save_ref(name, Image.open(srgb).convert("RGB").point(linear))
    entries.append(f"{name} 7 plain")

# ---- Fax ----------------------------------------------------------------------
bilevel = bases["bilevel"][0]
for name, options in (("g3.tif", ["-c", "g3"]), ("g3-fill.tif", ["-c", "g3:fill"]),
                      ("g3-lsb.tif", ["-f", "lsb2msb", "-c", "g3"]), ("g3-rows5B.tif", ["-B", "-r", "5", "-c", "g3"])):
    run("tiffcp", *options, bilevel, os.path.join(tiff_dir, name))
    add(name)
image = Image.open(bilevel)
image.save(os.path.join(tiff_dir, "mh.tif"), compression="tiff_ccitt")
add("mh.tif")
image.save(os.path.join(tiff_dir, "mh-words.tif"), compression="tiff_raw_16")
# libtiff does not read back the word-aligned rows it wrote: the reference is
# the image that was encoded.
save_ref("mh-words.tif", image)
entries.append("mh-words.tif 0 plain")
# fax2tiff from raw one-dimensional Group 3 data: the strip of g3.tif.
g3 = Image.open(os.path.join(tiff_dir, "g3.tif"))
start, length = g3.tag_v2[273][0], g3.tag_v2[279][0]
raw = os.path.join(work, "g3.raw")
with open(os.path.join(tiff_dir, "g3.tif"), "rb") as f, open(raw, "wb") as r:
    r.write(f.read()[start:start + length])
run("fax2tiff", "-M", "-1", "-5", "-X", "61", "-o", os.path.join(tiff_dir, "fax2tiff.tif"), raw)
add("fax2tiff.tif")
for name, options in (("g4.tif", ["-c", "g4"]), ("g3-2d.tif", ["-c", "g3:2d"])):
    run("tiffcp", *options, bilevel, os.path.join(tiff_dir, name))
entries.append("g4.tif error Cannot load image. The compression scheme is not supported for TIF/TIFF files.")
entries.append("g3-2d.tif error Cannot load image. Two-dimensional or uncompressed fax coding is not supported for TIF/TIFF files.")


# ---- Written byte by byte ----------------------------------------------------
def write_tiff(name, width, height, bits, photometric, compression, strips, rows_per_strip):
    """A little-endian TIFF of one sample a pixel: the directory first, then
    the strips, the last of them ending the file."""
    tags = [(256, 4, [width]), (257, 4, [height]), (258, 3, [bits]), (259, 3, [compression]),
            (262, 3, [photometric]), (273, 4, None), (277, 3, [1]), (278, 4, [rows_per_strip]),
            (279, 4, [len(s) for s in strips])]
    data_at = 8 + 2 + 12 * len(tags) + 4
    # Values that do not fit the field: the offsets and counts of strips.
    lists = 4 * len(strips) * 2 if len(strips) > 1 else 0
    at = data_at + lists
    offsets = []
    for s in strips:
        offsets.append(at)
        at += len(s)
    extra = b""
    ifd = struct.pack("<H", len(tags))
    for tag, typ, values in tags:
        values = offsets if values is None else values
        packed = b"".join(struct.pack("<H" if typ == 3 else "<I", v) for v in values)
        if len(packed) <= 4:
            field = packed.ljust(4, b"\0")
        else:
            field = struct.pack("<I", data_at + len(extra))
            extra += packed
        ifd += struct.pack("<HHI", tag, typ, len(values)) + field
    ifd += struct.pack("<I", 0)
    with open(os.path.join(tiff_dir, name), "wb") as f:
        f.write(b"II*\0" + struct.pack("<I", 8) + ifd + extra + b"".join(strips))


# ThunderScan: raw pixels, runs (one from an odd pixel), 2-bit and 3-bit
# deltas with skipped fields, rows of an odd width.
rows = [bytes([0xC5, 0x41, 0x03, 0x9C, 0xC0]), bytes([0xCF, 0x45, 0x82, 0x02, 0xC7]), bytes([0x4E, 0xC8, 0x05, 0xC1])]
write_tiff("thunderscan.tif", 9, 3, 4, 1, 32809, [b"".join(rows)], 3)
add("thunderscan.tif")
# An uncompressed image whose last strip holds only its 2 rows and ends the
# file.
pixels = bytes((x * 23 + y * 41) % 256 for y in range(10) for x in range(5))
write_tiff("short-last-strip.tif", 5, 10, 8, 1, 1, [pixels[0:20], pixels[20:40], pixels[40:50]], 4)
add("short-last-strip.tif")

# An EPS file with a binary header, PostScript text and the TIFF preview.
with open(os.path.join(tiff_dir, "rgb8-lzw-stripsB.tif"), "rb") as f:
    preview = f.read()
postscript = b"%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 37 23\nshowpage\n"
header = struct.pack("<IIIIIIIH", 0xC6D3D0C5, 30, len(postscript), 0, 0, 30 + len(postscript), len(preview), 0xFFFF)
with open(os.path.join(tiff_dir, "preview.eps"), "wb") as f:
    f.write(header + postscript + preview)
shutil.copy(os.path.join(ref_dir, "rgb8-lzw-stripsB.tif.rgba"), os.path.join(ref_dir, "preview.eps.rgba"))
entries.append("preview.eps 1 plain")

with open(os.path.join(out, "tiff.txt"), "w") as f:
    f.write("\n".join(entries) + "\n")

# ---- PngSuite: Pillow's pixels ---------------------------------------------
# The alpha of a grey key (tRNS) is worked out here where Pillow does not
# give it: for 16 bits, which are cut to 8 here, and below 8 bits, where
# Pillow keeps the key at the file's depth but spreads the levels over 0..255.
png_lines = []
for folder in (pngsuite, os.path.join(pngsuite, "interlaced")):
    for file in sorted(os.listdir(folder)):
        if not file.endswith(".png"):
            continue
        path = os.path.join(folder, file)
        image = Image.open(path)
        image.load()
        gamma = image.info.get("gamma", 0)
        sixteen = 1 if "16" in file[4:] else 0
        with open(path, "rb") as f:
            depth = f.read(25)[24]
        key = image.info.get("transparency")
        alpha = None
        if image.mode in ("I", "I;16", "I;16B"):
            values = list(image.getdata())
            if isinstance(key, int):
                alpha = bytes(0 if v == key else 255 for v in values)
            image = Image.frombytes("L", image.size, bytes(v >> 8 for v in values))
        elif image.mode in ("1", "L") and isinstance(key, int) and depth < 8:
            level = key * (255 // ((1 << depth) - 1))
            alpha = bytes(0 if v == level else 255 for v in image.convert("L").getdata())
        if alpha is not None:
            image = image.convert("RGB")
            image.putalpha(Image.frombytes("L", image.size, alpha))
        rel = os.path.relpath(path, pngsuite)
        save_ref("png-" + rel.replace("/", "-"), image)
        png_lines.append(f"{rel} {gamma} {sixteen}")
with open(os.path.join(out, "png.txt"), "w") as f:
    f.write("\n".join(png_lines) + "\n")
shutil.rmtree(work)
