#!/usr/bin/python3
"""Makes the BMP test corpus and, for each file, the reference pixels ImageMagick decodes.

Run once from this folder (needs ImageMagick's `convert` and Pillow); the outputs are kept in
the repository. Files are written by ImageMagick or Pillow; a few layouts neither tool writes
(top-down rows, no file header, a 108-byte header, masks after a 40-byte header, plain 16-bit,
run-length 4 bits, a zero fourth byte) are rearranged here from a tool's file, and are still
checked against what ImageMagick decodes from them, except the headerless one, which no
decoder reads: it is checked against its source file.

Reference file NAME.ref: a line "WIDTH HEIGHT" then width x height x 4 bytes RGBA, top row
first (as a viewer shows it). manifest.txt lists per file: name, reference, the bits per
channel to compare (red green blue: 16-bit files keep 5 or 6), and the alpha rule (alpha:
compare, opaque: all 255, none: no alpha plane).
"""
import os
import struct
import subprocess

from PIL import Image

W, H = 29, 9


def source():
    """A picture with gradients, flat runs and single pixels, so run-length files have both
    encoded and absolute runs."""
    im = Image.new("RGBA", (W, H))
    px = im.load()
    for y in range(H):
        for x in range(W):
            if x < 12:
                c = (x * 21, y * 28, 255 - x * 20)
            elif x < 22:
                c = (30, 160, 90) if y % 3 else (250, 250, 250)
            else:
                c = ((x * 37 + y * 11) % 256, (x * 5) % 256, (y * 53) % 256)
            px[x, y] = c + ((x * 9 + y * 17) % 256,)
    im.save("source.png")
    return im


def convert(*args):
    subprocess.run(["convert", *args], check=True)


def reference(bmp, name=None):
    """What ImageMagick decodes, as RGBA top row first."""
    raw = subprocess.run(["convert", bmp, "-depth", "8", "rgba:-"], check=True,
                         capture_output=True).stdout
    w, h = Image.open(bmp).size if not bmp.startswith("noheader") else (W, H)
    assert len(raw) == w * h * 4, bmp
    with open((name or bmp[:-4]) + ".ref", "wb") as f:
        f.write(b"%d %d\n" % (w, h) + raw)
    return (name or bmp[:-4]) + ".ref"


def header(data):
    size = struct.unpack_from("<I", data, 14)[0]
    return size, struct.unpack_from("<I", data, 10)[0]


def with_info(info, before_pixels, pixels):
    """A file of an info header, what follows it up to the pixels (masks, palette), pixels."""
    body = info + before_pixels + pixels
    off = 14 + len(info) + len(before_pixels)
    return b"BM" + struct.pack("<IHHI", 14 + len(body), 0, 0, off) + body


def top_down(src, dst):
    data = bytearray(open(src, "rb").read())
    size, off = header(data)
    w, h = struct.unpack_from("<ii", data, 18)
    bits = struct.unpack_from("<H", data, 28)[0]
    stride = (w * bits + 31) // 32 * 4
    rows = [data[off + y * stride: off + (y + 1) * stride] for y in range(h)]
    struct.pack_into("<i", data, 22, -h)
    data[off:off + h * stride] = b"".join(reversed(rows))
    open(dst, "wb").write(data)


def rle4(src, dst):
    """Run-length 4 bits from a 4-bit file: runs of equal pairs, absolute runs otherwise."""
    data = open(src, "rb").read()
    size, off = header(data)
    w, h = struct.unpack_from("<ii", data, 18)
    stride = (w * 4 + 31) // 32 * 4
    palette = data[14 + size: off]
    out = bytearray()
    for y in range(h):
        row = data[off + y * stride: off + (y + 1) * stride]
        pix = [(row[x // 2] >> (4 if x % 2 == 0 else 0)) & 15 for x in range(w)]
        x = 0
        while x < w:
            n = 1
            while x + n < w and n < 255 and pix[x + n] == pix[x]:
                n += 1
            if n >= 3 or w - x < 3:
                out += bytes([n, pix[x] << 4 | pix[x]])
                x += n
                continue
            n = min(w - x, 12)  # absolute run of n pixels, padded to a whole word
            packed = bytearray((n + 1) // 2)
            for i in range(n):
                packed[i // 2] |= pix[x + i] << (4 if i % 2 == 0 else 0)
            out += bytes([0, n]) + packed + (b"\0" if len(packed) % 2 else b"")
            x += n
        out += b"\0\0"
    out += b"\0\1"
    info = bytearray(data[14:14 + 40])
    struct.pack_into("<II", info, 16, 2, len(out))
    open(dst, "wb").write(with_info(bytes(info), palette, bytes(out)))


def v4(src, dst):
    """The 124-byte header cut to the 108 bytes of the earlier version."""
    data = open(src, "rb").read()
    size, off = header(data)
    info = bytearray(data[14:14 + 108])
    struct.pack_into("<I", info, 0, 108)
    open(dst, "wb").write(with_info(bytes(info), data[14 + size:off], data[off:]))


def masks_after_40(src, dst):
    """A 40-byte header followed by the three masks taken from a longer header."""
    data = open(src, "rb").read()
    size, off = header(data)
    info = bytearray(data[14:14 + 40])
    struct.pack_into("<I", info, 0, 40)
    masks = data[14 + 40:14 + 52]
    open(dst, "wb").write(with_info(bytes(info), masks, data[off:]))


def plain16(src, dst):
    """16 bits without masks: 5-5-5 from a 24-bit file."""
    data = open(src, "rb").read()
    size, off = header(data)
    w, h = struct.unpack_from("<ii", data, 18)
    stride24, stride16 = (w * 24 + 31) // 32 * 4, (w * 16 + 31) // 32 * 4
    pixels = bytearray()
    for y in range(h):
        row = bytearray(stride16)
        for x in range(w):
            b, g, r = data[off + y * stride24 + 3 * x: off + y * stride24 + 3 * x + 3]
            struct.pack_into("<H", row, 2 * x, (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3))
        pixels += row
    info = bytearray(data[14:14 + 40])
    struct.pack_into("<HHII", info, 12, 1, 16, 0, len(pixels))
    open(dst, "wb").write(with_info(bytes(info), b"", bytes(pixels)))


def zero_alpha(src, dst):
    data = bytearray(open(src, "rb").read())
    size, off = header(data)
    for i in range(off + 3, len(data), 4):
        data[i] = 0
    open(dst, "wb").write(data)


def no_file_header(src, dst):
    open(dst, "wb").write(open(src, "rb").read()[14:])


def main():
    im = source()
    convert("source.png", "-alpha", "off", "-monochrome", "BMP3:im-mono1.bmp")
    convert("source.png", "-alpha", "off", "-colors", "16", "BMP3:im-pal4.bmp")
    convert("source.png", "-alpha", "off", "-colors", "200", "-compress", "None",
            "BMP3:im-pal8.bmp")
    convert("source.png", "-alpha", "off", "-colors", "200", "-compress", "RLE",
            "BMP3:im-rle8.bmp")
    convert("source.png", "-alpha", "off", "-define", "bmp:subtype=RGB565", "BMP:im-rgb565-v5.bmp")
    convert("source.png", "-alpha", "off", "-type", "truecolor", "BMP3:im-rgb24.bmp")
    convert("source.png", "-alpha", "off", "-type", "truecolor", "BMP:im-rgb24-v5.bmp")
    convert("source.png", "BMP:im-argb32-v5.bmp")
    convert("source.png", "-alpha", "off", "-colors", "200", "BMP2:im-core8.bmp")
    convert("source.png", "-alpha", "off", "-monochrome", "BMP2:im-core1.bmp")
    im.save("pil-rgba32.bmp")
    im.convert("L").save("pil-gray8.bmp")
    im.convert("1").save("pil-mono1.bmp")
    top_down("im-rgb24.bmp", "topdown-rgb24.bmp")
    top_down("im-pal8.bmp", "topdown-pal8.bmp")
    rle4("im-pal4.bmp", "rle4.bmp")
    v4("im-rgb565-v5.bmp", "v4-rgb565.bmp")
    masks_after_40("im-rgb565-v5.bmp", "masks40-rgb565.bmp")
    plain16("im-rgb24.bmp", "plain-rgb555.bmp")
    zero_alpha("pil-rgba32.bmp", "zeroalpha-rgb32.bmp")
    no_file_header("im-rgb24.bmp", "noheader-rgb24.bmp")

    full, b565, b555 = "8 8 8", "5 6 5", "5 5 5"
    entries = [
        ("im-mono1.bmp", None, full, "none"), ("im-pal4.bmp", None, full, "none"),
        ("im-pal8.bmp", None, full, "none"), ("im-rle8.bmp", None, full, "none"),
        ("im-rgb565-v5.bmp", None, b565, "none"), ("im-rgb24.bmp", None, full, "none"),
        ("im-rgb24-v5.bmp", None, full, "none"), ("im-argb32-v5.bmp", None, full, "none"),
        ("im-core8.bmp", None, full, "none"), ("im-core1.bmp", None, full, "none"),
        ("pil-rgba32.bmp", None, full, "alpha"), ("pil-gray8.bmp", None, full, "none"),
        ("pil-mono1.bmp", None, full, "none"), ("topdown-rgb24.bmp", None, full, "none"),
        ("topdown-pal8.bmp", None, full, "none"), ("rle4.bmp", None, full, "none"),
        ("v4-rgb565.bmp", None, b565, "none"), ("masks40-rgb565.bmp", None, b565, "none"),
        ("plain-rgb555.bmp", None, b555, "none"), ("zeroalpha-rgb32.bmp", None, full, "opaque"),
        ("noheader-rgb24.bmp", "im-rgb24.ref", full, "none"),
    ]
    lines = []
    for name, ref, bits, alpha in entries:
        ref = ref or reference(name)
        lines.append(f"{name} {ref} {bits} {alpha}")
    open("manifest.txt", "w").write("\n".join(lines) + "\n")
    os.remove("source.png")


if __name__ == "__main__":
    main()
