#!/usr/bin/env bash
# Makes the image files of the viewer's tests in the folder $1: GIFs with
# ImageMagick's convert and giflib's gifbuild, beside each the frames Pillow
# reads from it ("NAME.ref", written by gif_reference.py), and other pictures
# with Pillow.
set -euo pipefail
out=$1
here=$(cd "$(dirname "$0")" && pwd)
convert=${MIRELAN_CONVERT:-/usr/bin/convert}
gifbuild=${MIRELAN_GIFBUILD:-gifbuild}
python=${MIRELAN_PYTHON:-/usr/bin/python3}
mkdir -p "$out"
cd "$out"

# ImageMagick: a gradient, an interlaced plasma, noise with 256 colours (full
# 12-bit code tables), and animations with transparency, disposal and loops.
"$convert" -size 23x17 gradient:red-blue -colors 64 +dither im_gradient.gif
"$convert" -seed 3 -size 29x37 plasma:fractal -colors 200 -interlace GIF im_interlaced.gif
"$convert" -seed 5 -size 96x80 xc: +noise Random -colors 256 im_noise.gif
"$convert" -delay 3 -dispose Background -size 20x16 xc:none -fill red -draw "rectangle 2,2 9,9" \
  -delay 5 -dispose None \( -size 20x16 xc:none -fill blue -draw "circle 12,8 12,13" \) \
  -dispose Previous \( -size 20x16 xc:none -fill lime -draw "rectangle 0,10 19,15" \) \
  -loop 3 im_anim.gif
"$convert" -delay 12 -size 10x8 xc:yellow xc:navy -loop 0 im_forever.gif

# gifbuild: local colour tables, frames placed inside the screen, an
# interlaced frame of odd height, transparency and each disposal.
"$gifbuild" > gb_frames.gif <<'SPEC'
screen width 8
screen height 6
screen colors 4
screen background 0
screen map
	rgb 255 255 255 is w
	rgb 255 000 000 is r
	rgb 000 000 255 is b
	rgb 000 128 000 is g
end
netscape loop 0

graphics control
	disposal mode 1
	delay 7
end
image
image bits 8 by 6
wwwwwwww
wrrrrrrw
wrbbbbrw
wrbggbrw
wrrrrrrw
wwwwwwww

graphics control
	disposal mode 2
	delay 2
	transparent index 0
end
image
image left 2
image top 1
image interlaced
image map
	rgb 000 000 000 is k
	rgb 255 255 000 is y
	rgb 000 255 255 is c
	rgb 128 000 128 is p
end
image bits 4 by 5
kyyk
ycck
kppk
ykyk
cccc

graphics control
	disposal mode 3
	delay 4
	transparent index 1
end
image
image left 5
image top 3
image bits 3 by 3
rgr
gwb
rrr

graphics control
	disposal mode 0
	delay 9
	transparent index 0
end
image
image bits 8 by 6
wwwwwwww
wwwwwwww
wwgggwww
wwwwwwww
wwwwwwbw
wwwwwwww
SPEC

# Plain GIF87a-style content without any extension.
"$gifbuild" > gb_plain.gif <<'SPEC'
screen width 5
screen height 3
screen colors 2
screen map
	rgb 010 020 030 is a
	rgb 200 150 100 is b
end
image
image bits 5 by 3
ababa
babab
aabbb
SPEC

# Two frames looping twice more, and two frames without a loop count.
for loop in 2 none; do
  {
    printf 'screen width 2\nscreen height 1\nscreen colors 2\nscreen map\n\trgb 255 000 000 is r\n\trgb 000 000 255 is b\nend\n'
    [ "$loop" = none ] || printf 'netscape loop %s\n' "$loop"
    printf 'graphics control\n\tdelay 5\nend\nimage\nimage bits 2 by 1\nrr\n'
    printf 'graphics control\n\tdelay 3\nend\nimage\nimage bits 2 by 1\nbb\n'
  } | "$gifbuild" > "gb_loop_$loop.gif"
done

for f in im_*.gif gb_*.gif; do
  "$python" "$here/gif_reference.py" "$f" "${f%.gif}.ref"
done

# Read by the decoder's own tests only (Pillow grows its canvas for them):
# an image taller than the screen and a frame reaching past its right edge.
"$gifbuild" > tall.gif <<'SPEC'
screen width 4
screen height 3
screen colors 2
screen map
	rgb 255 000 000 is r
	rgb 000 000 255 is b
end
image
image bits 4 by 5
rrrr
bbbb
rbrb
bbbb
bbbb
SPEC
"$gifbuild" > wide.gif <<'SPEC'
screen width 4
screen height 2
screen colors 2
screen map
	rgb 255 000 000 is r
	rgb 000 000 255 is b
end
image
image bits 4 by 2
rrrr
rrrr
image
image left 2
image bits 4 by 2
bbbb
bbbb
SPEC
"$gifbuild" > unknown_extension.gif <<'SPEC'
screen width 1
screen height 1
screen colors 2
screen map
	rgb 255 000 000 is r
	rgb 000 000 255 is b
end
extension F0
hello
end
image
image bits 1 by 1
r
SPEC

# Other pictures of the image cache and the PNG wrapper, made by Pillow with
# known pixels: PNGs with each kind of transparency, a BMP and a JPEG.
"$python" - <<'PY'
from PIL import Image

p = Image.new("P", (3, 2))
p.putpalette([255, 0, 0, 0, 255, 0, 0, 0, 255])
p.putdata([0, 1, 2, 2, 1, 0])
p.save("trns_palette.png", transparency=bytes([255, 0, 128]))

g = Image.new("L", (3, 1))
g.putdata([0, 128, 255])
g.save("trns_gray.png", transparency=128)

rgb = Image.new("RGB", (2, 1))
rgb.putdata([(1, 2, 3), (4, 5, 6)])
rgb.save("trns_rgb.png", transparency=(4, 5, 6))

rgba = Image.new("RGBA", (2, 1))
rgba.putdata([(10, 20, 30, 255), (40, 50, 60, 64)])
rgba.save("rgba.png")

bmp = Image.new("RGB", (5, 4), (0, 0, 255))
bmp.putpixel((0, 3), (255, 255, 0))
bmp.putpixel((4, 0), (255, 255, 0))
bmp.save("picture.bmp")

Image.new("RGB", (16, 16), (40, 160, 80)).save("picture.jpg", quality=95)
PY

# The Latin-1 entity names of HTML with their codes, from Python's own table.
"$python" - <<'PY'
from html.entities import name2codepoint

with open("latin1_entities.txt", "w") as f:
    for name, code in sorted(name2codepoint.items(), key=lambda e: e[1]):
        if 160 <= code <= 255:
            f.write(f"{name} {code}\n")
PY
