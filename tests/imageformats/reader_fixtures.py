#!/usr/bin/env python3
"""Makes the files of the reader tests of Targa, PCX, Photoshop, SGI, GIF,
portable maps, Photo-CD, RLA, Dr. Halo and Paint Shop Pro, each with the
pixels an independent decoder reads from it: reader_fixtures.py OUT_DIR.

Files come from ImageMagick, netpbm and Pillow, or are written here byte by
byte where no program writes the format (RLA, Dr. Halo, Paint Shop Pro).
The reference is Pillow's reading, else netpbm's or ImageMagick's; for the
RLA and Paint Shop Pro files, which no decoder on the system reads, the
pixels that were written. OUT_DIR gets readers/NAME, ref/NAME.rgba (width, height as
32-bit little-endian, then RGBA rows) and readers.txt: NAME TOLERANCE CLASS,
CLASS being the extension of the reader that finds the file by its content
("none" for files that load by their extension only).
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

from PIL import Image

out = sys.argv[1]
files = os.path.join(out, "readers")
refs = os.path.join(out, "ref")
shutil.rmtree(files, ignore_errors=True)
os.makedirs(files)
os.makedirs(refs, exist_ok=True)
work = tempfile.mkdtemp()
entries = []


def run(*args, stdout=subprocess.DEVNULL):
    subprocess.run(args, check=True, stdout=stdout, stderr=subprocess.DEVNULL)


def save_ref(name, image):
    image = image.convert("RGBA")
    with open(os.path.join(refs, name + ".rgba"), "wb") as f:
        f.write(struct.pack("<II", *image.size))
        f.write(image.tobytes())


def path(name):
    return os.path.join(files, name)


def add(name, reference, tolerance=0, cls=None):
    """A file and its reference: an image, or "pillow", "netpbm" or
    "magick" to read the file with that program."""
    if reference == "pillow":
        reference = Image.open(path(name))
        reference.load()
    elif reference == "netpbm":
        ppm = os.path.join(work, "ref.pam")
        with open(ppm, "wb") as f:
            subprocess.run(["sh", "-c", converter[name.rsplit(".", 1)[1]] + ' "$1" | pamtopnm', "-", path(name)],
                           check=True, stdout=f, stderr=subprocess.DEVNULL)
        reference = Image.open(ppm)
    elif reference == "magick":
        png = os.path.join(work, "ref.png")
        run("convert", path(name) + "[0]", "-depth", "8", png)
        reference = Image.open(png)
    save_ref(name, reference)
    entries.append(f"{name} {tolerance} {cls or name.rsplit('.', 1)[1]}")


converter = {"pcx": "pcxtoppm", "tga": "tgatoppm"}

base_png = os.path.join(work, "base.png")
run("convert", "-seed", "3", "-size", "37x23", "plasma:fractal", base_png)
base = Image.open(base_png).convert("RGB")
base_ppm = os.path.join(work, "base.ppm")
base.save(base_ppm)
gray = base.convert("L")
gray_pgm = os.path.join(work, "gray.pgm")
gray.save(gray_pgm)
palette = base.quantize(200)
alpha = base.copy()
alpha.putalpha(Image.linear_gradient("L").resize(base.size))


def magick(name, *args, source=base_png):
    depth = [] if "-depth" in args else ["-depth", "8"]
    run("convert", source, *depth, *args, path(name))


# ---- Targa ------------------------------------------------------------------------
magick("im-rgb.tga", "-compress", "none")
add("im-rgb.tga", "pillow", cls="none")
magick("im-rgb-rle.tga", "-compress", "RLE")
add("im-rgb-rle.tga", "pillow", cls="none")
magick("im-palette.tga", "-type", "palette", "-compress", "RLE")
add("im-palette.tga", "pillow")
for mode, image in (("rgb", base), ("rgba", alpha), ("l", gray), ("p", palette)):
    for rle in (False, True):
        for origin in (0, 1):
            name = f"pil-{mode}{'-rle' if rle else ''}{'-top' if origin else ''}.tga"
            image.save(path(name), rle=rle, orientation=origin)
            add(name, "pillow", cls="tga" if mode == "p" else "none")
for option in ("-cmap", "-cmap16", "-mono", "-rgb"):
    for rle in ("-norle", ""):
        name = f"netpbm{option}{rle}.tga"
        source = gray_pgm if option == "-mono" else base_ppm
        if option.startswith("-cmap"):
            source = os.path.join(work, "colors.ppm")
            run("sh", "-c", f'pnmquant 200 "{base_ppm}" > "{source}"')
        with open(path(name), "wb") as f:
            subprocess.run(["pamtotga", option] + ([rle] if rle else []) + [source], check=True, stdout=f,
                           stderr=subprocess.DEVNULL)
        # 5-bit colour map entries are shown times 8 (31 gives 248), where
        # netpbm spreads them over 0..255.
        add(name, "netpbm", tolerance=7 if option == "-cmap16" else 0,
            cls="tga" if option.startswith("-cmap") else "none")

# ---- PCX --------------------------------------------------------------------------
for name, options, source in (("netpbm-24.pcx", ["-24bit"], base_ppm), ("netpbm-8.pcx", ["-8bit"], base_ppm),
                              ("netpbm-16.pcx", [], "q16"), ("netpbm-16-packed.pcx", ["-packed"], "q16"),
                              ("netpbm-4-packed.pcx", ["-packed"], "q4"),
                              ("netpbm-mono.pcx", [], "mono")):
    if source in ("q16", "q4"):
        colors = 16 if source == "q16" else 4
        source = os.path.join(work, f"{colors}.ppm")
        run("sh", "-c", f'pnmquant {colors} "{base_ppm}" > "{source}"')
    elif source == "mono":
        source = os.path.join(work, "mono.pbm")
        run("sh", "-c", f'pamditherbw -threshold "{gray_pgm}" | pamtopnm > "{source}"')
    with open(path(name), "wb") as f:
        subprocess.run(["ppmtopcx"] + options + [source], check=True, stdout=f, stderr=subprocess.DEVNULL)
    add(name, "netpbm")
for mode, image in (("rgb", base), ("l", gray), ("p", palette), ("1", gray.convert("1"))):
    image.save(path(f"pil-{mode}.pcx"))
    add(f"pil-{mode}.pcx", "pillow")
magick("im-8.pcx", "-type", "palette")
add("im-8.pcx", "pillow")

# ---- Photoshop --------------------------------------------------------------------
for name, args in (("rgb.psd", []), ("rgb-raw.psd", ["-compress", "none"]), ("gray.psd", ["-colorspace", "gray"]),
                   ("palette.psd", ["-type", "palette"]), ("cmyk.psd", ["-colorspace", "cmyk"]),
                   ("rgba.psd", ["-alpha", "set", "-channel", "A", "-fx", "i/w", "+channel"]),
                   ("rgb16.psd", ["-depth", "16"]), ("gray16.psd", ["-colorspace", "gray", "-depth", "16"]),
                   ("mono.psd", ["-colorspace", "gray", "-threshold", "50%", "-type", "bilevel"])):
    magick(name, *args)
    add(name, "pillow" if name in ("rgb.psd", "rgb-raw.psd", "gray.psd", "palette.psd", "rgba.psd") else "magick",
        tolerance=2 if name == "cmyk.psd" else 1 if "16" in name else 0, cls="psd")


# L*a*b* files, which ImageMagick does not write as Photoshop files: the
# samples of its L*a*b* TIFF files (made beside, by image_fixtures.py)
# stored the Photoshop way, a and b offset by half their range; the
# reference is that of the TIFF files.
def tiff_samples(name):
    with open(os.path.join(out, "tiff", name), "rb") as f:
        data = f.read()
    order = "<" if data[:2] == b"II" else ">"
    at = struct.unpack(order + "I", data[4:8])[0]
    count = struct.unpack(order + "H", data[at:at + 2])[0]
    tags = {}
    for i in range(count):
        tag, typ, n, value = struct.unpack(order + "HHII", data[at + 2 + 12 * i:at + 14 + 12 * i])
        size = {3: 2, 4: 4}.get(typ, 1)
        if n * size <= 4:
            raw = data[at + 10 + 12 * i:at + 10 + 12 * i + n * size]
        else:
            raw = data[value:value + n * size]
        tags[tag] = list(struct.unpack(order + ("H" if size == 2 else "I" if size == 4 else "B") * n, raw))
    strips = b"".join(data[o:o + n] for o, n in zip(tags[273], tags[279]))
    return tags[256][0], tags[257][0], tags[258][0], order, strips


for depth in (8, 16):
    width, height, bits, order, strips = tiff_samples(f"lab{depth}.tif")
    size = bits // 8
    code = (order + "H") if size == 2 else "B"
    half = 1 << (bits - 1)
    planes = [bytearray(), bytearray(), bytearray()]
    for i in range(width * height):
        for c in range(3):
            v = struct.unpack(code, strips[(3 * i + c) * size:(3 * i + c + 1) * size])[0]
            if c > 0:
                v = (v + half) % (1 << bits)  # signed to offset
            planes[c] += struct.pack(">H", v) if size == 2 else bytes([v])
    name = f"lab{depth}.psd"
    header = b"8BPS" + struct.pack(">H", 1) + bytes(6) + struct.pack(">HIIHH", 3, height, width, bits, 9)
    with open(path(name), "wb") as f:
        f.write(header + struct.pack(">III", 0, 0, 0) + struct.pack(">H", 0) + b"".join(planes))
    shutil.copy(os.path.join(refs, f"lab{depth}.tif.rgba"), os.path.join(refs, name + ".rgba"))
    entries.append(f"{name} 7 psd")

# ---- SGI --------------------------------------------------------------------------
for name, options, source in (("netpbm-rle.sgi", ["-rle"], base_ppm), ("netpbm-verbatim.sgi", ["-verbatim"], base_ppm),
                              ("netpbm-gray.sgi", ["-rle"], gray_pgm)):
    with open(path(name), "wb") as f:
        subprocess.run(["pnmtosgi"] + options + [source], check=True, stdout=f, stderr=subprocess.DEVNULL)
    add(name, "pillow")
magick("im-rgba.sgi", "-alpha", "set", "-channel", "A", "-fx", "i/w", "+channel", "-compress", "RLE")
add("im-rgba.sgi", "pillow")
magick("im-rgb16.sgi", "-depth", "16", "-compress", "none")
add("im-rgb16.sgi", "pillow", tolerance=1)
magick("im-gray16.sgi", "-colorspace", "gray", "-depth", "16", "-compress", "RLE")
add("im-gray16.sgi", "magick", tolerance=1)

# ---- GIF --------------------------------------------------------------------------
palette.save(path("pil.gif"))
add("pil.gif", "pillow")
magick("im-interlaced.gif", "-interlace", "GIF")
add("im-interlaced.gif", "pillow")
with open(path("netpbm.gif"), "wb") as f:
    subprocess.run(["sh", "-c", f'pnmquant 64 "{base_ppm}" | pamtogif -comment "a, b; c"'], check=True, stdout=f,
                   stderr=subprocess.DEVNULL)
add("netpbm.gif", "pillow")
frames = [palette, palette.transpose(Image.FLIP_LEFT_RIGHT)]
frames[0].save(path("animated.gif"), save_all=True, append_images=frames[1:], duration=100, loop=0)
add("animated.gif", "pillow")

# ---- Portable maps ----------------------------------------------------------------
for name, command in (("plain.pbm", f'pamditherbw -threshold "{gray_pgm}" | pamtopnm | pnmtoplainpnm'),
                      ("raw.pbm", f'pamditherbw -threshold "{gray_pgm}" | pamtopnm'),
                      ("plain.pgm", f'pnmtoplainpnm "{gray_pgm}"'), ("raw.pgm", f'cat "{gray_pgm}"'),
                      ("plain.ppm", f'pnmtoplainpnm "{base_ppm}"'), ("raw.ppm", f'cat "{base_ppm}"'),
                      ("maxval15.pgm", f'pamdepth 15 "{gray_pgm}"'),
                      ("maxval15-plain.ppm", f'pamdepth 15 "{base_ppm}" | pnmtoplainpnm'),
                      ("maxval1000.ppm", f'pamdepth 1000 "{base_ppm}"'),
                      ("maxval65535.pgm", f'pamdepth 65535 "{gray_pgm}"')):
    with open(path(name), "wb") as f:
        subprocess.run(["sh", "-c", command], check=True, stdout=f, stderr=subprocess.DEVNULL)
    reference = os.path.join(work, "ref.pnm")
    with open(reference, "wb") as f:
        subprocess.run(["sh", "-c", f'pamdepth 255 "{path(name)}" | pnmtopnm'], check=True, stdout=f,
                       stderr=subprocess.DEVNULL)
    add(name, Image.open(reference), cls="ppm")
# A header on one line, with a comment between the numbers.
with open(path("oneline.ppm"), "wb") as f:
    f.write(b"P6 37 # width\n23 255\n" + base.tobytes())
add("oneline.ppm", base, cls="ppm")

# ---- Photo-CD ---------------------------------------------------------------------
# Decoders convert PhotoYCC with matrices of their own, so colours differ by
# tens of levels: "r95" asks each channel of ours to correlate with Pillow's
# by at least 0.95 (rows or chroma out of place give about 0.7). Noise over
# the picture keeps neighbouring rows apart.
pcd_source = os.path.join(work, "pcd.ppm")
run("convert", "-seed", "5", "-size", "768x512", "plasma:fractal", "(", "+clone", "+noise", "Random", "-colorspace",
    "gray", ")", "-compose", "overlay", "-composite", "-depth", "8", pcd_source)
run("convert", pcd_source, path("image.pcd"))
add("image.pcd", "pillow", tolerance="r95")


# ---- RLA (written here) -----------------------------------------------------------
def rla_runs(data):
    """RLA run-length data: runs of a repeated byte (count - 1), literal
    bytes after a negative count."""
    out, i = bytearray(), 0
    while i < len(data):
        run_length = 1
        while i + run_length < len(data) and run_length < 128 and data[i + run_length] == data[i]:
            run_length += 1
        if run_length > 2:
            out += bytes([run_length - 1, data[i]])
            i += run_length
            continue
        j = i
        while j < len(data) and j - i < 128 and not (j + 2 < len(data) and data[j] == data[j + 1] == data[j + 2]):
            j += 1
        out += bytes([256 - (j - i)]) + data[i:j]
        i = j
    return bytes(out)


def write_rla(name, image, bottom_up=True, gamma=b"2.2", space=b"rgb"):
    width, height = image.size
    matte = 1 if image.mode == "RGBA" else 0
    header = bytearray(740)
    top, bottom = (height - 1, 0) if bottom_up else (0, height - 1)
    struct.pack_into(">4h4h", header, 0, 0, width - 1, bottom, top, 0, width - 1, bottom, top)
    struct.pack_into(">6h", header, 16, 1, 0, 3, matte, 0, -2)
    header[28:28 + len(gamma)] = gamma
    header[580:580 + len(space)] = space
    struct.pack_into(">5h", header, 658, 8, 0, 8 if matte else 0, 0, 0)
    rows = []
    for y in range(height):
        stored = height - 1 - y if bottom_up else y
        row = b""
        for channel in image.split():
            packed = rla_runs(channel.crop((0, stored, width, stored + 1)).tobytes())
            row += struct.pack(">H", len(packed)) + packed
        rows.append(row)
    at = 740 + 4 * height
    offsets = []
    for row in rows:
        offsets.append(at)
        at += len(row)
    with open(path(name), "wb") as f:
        f.write(bytes(header) + b"".join(struct.pack(">I", o) for o in offsets) + b"".join(rows))


# Neither ImageMagick nor netpbm reads these files, which follow the header
# layout of the format's documentation: the reference is what was written.
write_rla("rgb.rla", base)
add("rgb.rla", base)
write_rla("matte.rla", alpha)
add("matte.rla", alpha)
write_rla("top-down.rpf", base, bottom_up=False, gamma=b"1.0")
add("top-down.rpf", base, cls="rla")


# ---- Dr. Halo (written here) ------------------------------------------------------
def cut_row(data):
    out, i = bytearray(), 0
    while i < len(data):
        run_length = 1
        while i + run_length < len(data) and run_length < 127 and data[i + run_length] == data[i]:
            run_length += 1
        if run_length > 2:
            out += bytes([0x80 | run_length, data[i]])
            i += run_length
            continue
        j = i
        while j < len(data) and j - i < 127 and not (j + 2 < len(data) and data[j] == data[j + 1] == data[j + 2]):
            j += 1
        out += bytes([j - i]) + data[i:j]
        i = j
    out += b"\0"
    return struct.pack("<H", len(out)) + bytes(out)


def write_pal(name, colors):
    """A palette file: entries of three 16-bit values from offset 40, none
    crossing a 512-byte block."""
    data = bytearray(40)
    data[0:2] = b"AH"
    # The highest index, then the largest red, green and blue value.
    struct.pack_into("<HHHH", data, 12, len(colors) - 1, 255, 255, 255)
    for r, g, b in colors:
        if len(data) % 512 > 506:
            data += bytes(512 - len(data) % 512)
        data += struct.pack("<HHH", r, g, b)
    with open(path(name), "wb") as f:
        f.write(bytes(data))


indices = palette.tobytes()
cut = struct.pack("<HHH", 37, 23, 0) + b"".join(cut_row(indices[y * 37:(y + 1) * 37]) for y in range(23))
colors = [tuple(palette.getpalette()[3 * i:3 * i + 3]) for i in range(256)]
for name in ("halo.cut", "gray.cut"):
    with open(path(name), "wb") as f:
        f.write(cut)
write_pal("halo.pal", colors)
add("halo.cut", "magick", cls="none")
add("gray.cut", Image.frombytes("L", (37, 23), indices), cls="none")


# ---- Autodesk (written here; no decoder reads it) -----------------------------------
# Palette components of 0 to 63 are shown times 4.
six_bit = [v >> 2 for v in palette.getpalette()[:768]]
six_bit += [0] * (768 - len(six_bit))
header = struct.pack("<HHHHHBBI", 0x9119, 37, 23, 0, 0, 8, 0, 37 * 23).ljust(32, b"\0")
with open(path("autodesk.cel"), "wb") as f:
    f.write(header + bytes(six_bit) + palette.tobytes())
shown = palette.copy()
shown.putpalette([4 * v for v in six_bit])
add("autodesk.cel", shown)


# ---- Paint Shop Pro (written here; no decoder reads it) ----------------------------
def psp_block(version, ident, data):
    head = b"~BK\0" + struct.pack("<H", ident)
    return head + (struct.pack("<II", len(data), len(data)) if version == 3 else struct.pack("<I", len(data))) + data


def psp_chunk(version, data):
    return (struct.pack("<I", len(data) + 4) + data) if version > 3 else data


def psp_rle(data):
    out, i = bytearray(), 0
    while i < len(data):
        run_length = 1
        while i + run_length < len(data) and run_length < 127 and data[i + run_length] == data[i]:
            run_length += 1
        if run_length > 2:
            out += bytes([128 + run_length, data[i]])
            i += run_length
        else:
            n = min(len(data) - i, 127)
            out += bytes([n]) + data[i:i + n]
            i += n
    return bytes(out)


def write_psp(name, version, image, compression, depth):
    width, height = image.size
    grey = image.mode == "L"
    attributes = struct.pack("<iidBHHHIBIiHI", width, height, 72.0, 1, compression, depth, 1,
                             0 if depth == 24 else 1 << depth, 1 if grey else 0, 0, 0, 1, 1)
    blocks = psp_block(version, 0, psp_chunk(version, attributes))
    if image.mode == "P":
        entries_data = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in
                                zip(*[iter(image.getpalette()[:3 << depth])] * 3))
        blocks += psp_block(version, 2, psp_chunk(version, struct.pack("<I", len(entries_data) // 4)) + entries_data)
    if depth == 24:
        planes = [(c + 1, band.tobytes()) for c, band in enumerate(image.split())]
    else:
        raw = image.tobytes() if depth == 8 else image.tobytes("raw", "1" if depth == 1 else "P;4")
        row = (width + 7) // 8 if depth == 1 else width // 2 + 1 if depth == 4 else width
        stored = (width + 7) // 8 if depth == 1 else (width + 1) // 2 if depth == 4 else width
        raw = b"".join(raw[y * stored:(y + 1) * stored].ljust(row, b"\0") for y in range(height))
        planes = [(0, raw)]
    channels = b""
    for channel_type, data in planes:
        packed = data if compression == 0 else psp_rle(data) if compression == 1 else zlib.compress(data)
        info = psp_chunk(version, struct.pack("<IIHH", len(packed), len(data), 1, channel_type))
        channels += psp_block(version, 5, info + packed)
    if version == 3:
        layer_head = b"Layer".ljust(256, b"\0") + bytes(115)
    else:
        layer_head = psp_chunk(version, struct.pack("<H", 5) + b"Layer" + bytes(115))
    layer_info = psp_chunk(version, struct.pack("<HH", 1, len(planes)))
    # A hidden layer of another kind first: only the first raster layer shows.
    skipped = (b"Other".ljust(256, b"\0") + b"\x01" + bytes(114)) if version == 3 else \
        psp_chunk(version, struct.pack("<H", 5) + b"Other" + b"\x02" + bytes(114))
    bank = psp_block(version, 4, skipped) + psp_block(version, 4, layer_head + layer_info + channels)
    blocks += psp_block(version, 9, b"unknown block") + psp_block(version, 3, bank)
    header = b"Paint Shop Pro Image File\n\x1a".ljust(32, b"\0") + struct.pack("<HH", version, 0)
    with open(path(name), "wb") as f:
        f.write(header + blocks)


for version in (3, 5):
    for compression in (0, 1, 2):
        name = f"v{version}-rgb-c{compression}.psp"
        write_psp(name, version, base, compression, 24)
        add(name, base, cls="psp")
    write_psp(f"v{version}-palette.psp", version, palette, 1, 8)
    add(f"v{version}-palette.psp", palette, cls="psp")
write_psp("gray.psp", 5, gray, 2, 8)
add("gray.psp", gray, cls="psp")
four = base.quantize(16)
write_psp("four.psp", 5, four, 0, 4)
add("four.psp", four, cls="psp")
mono = gray.convert("1")
write_psp("mono.psp", 4, mono.convert("L").point(lambda v: 255 if v else 0).convert("1"), 1, 1)
add("mono.psp", mono, cls="psp")

with open(os.path.join(out, "readers.txt"), "w") as f:
    f.write("\n".join(entries) + "\n")
shutil.rmtree(work)
