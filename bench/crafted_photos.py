#!/usr/bin/env python3
"""Writes the photos bench/photo_memory.sh converts: genuine pictures of the largest size in each
kind, and files of a few bytes to 10 KB that declare 16384 x 16384 pixels (valid ones, and ones
whose data runs out). Usage: bench/crafted_photos.py FOLDER [SMALL_HEIC SMALL_AVIF]"""
import os
import struct
import subprocess
import sys
import zlib

SIDE = 16384


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def png_header(width, height):
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))


def pattern_row(y, width):
    # A smooth photo-like pattern: diagonal bands in three channels.
    base = bytes((x + y) & 255 for x in range(256)) + bytes((x * 3 + y) & 255 for x in range(256))
    row = (base * (3 * width // len(base) + 1))[: 3 * width]
    return row


def big_png(path):
    compressor = zlib.compressobj(1)
    with open(path, "wb") as out:
        out.write(png_header(SIDE, SIDE))
        for y in range(SIDE):
            data = compressor.compress(b"\x00" + pattern_row(y, SIDE))
            if data:
                out.write(chunk(b"IDAT", data))
        out.write(chunk(b"IDAT", compressor.flush()))
        out.write(chunk(b"IEND", b""))


def tiff(path, width, height, rows_per_strip, strips):
    """A little-endian RGB TIFF, deflate-compressed; `strips` gives each strip's bytes (the same
    bytes object may be given for several strips, stored once)."""
    entries = []
    stored = {}
    blobs = b""
    offsets = []
    for data in strips:
        if id(data) not in stored:
            stored[id(data)] = 8 + len(blobs)
            blobs += data
        offsets.append(stored[id(data)])
    counts = [len(data) for data in strips]
    after_blobs = 8 + len(blobs)
    arrays = struct.pack("<%dI" % len(offsets), *offsets) + struct.pack("<%dI" % len(counts), *counts)
    bits = struct.pack("<3H", 8, 8, 8)
    offsets_at = after_blobs
    counts_at = after_blobs + 4 * len(offsets)
    bits_at = after_blobs + len(arrays)
    ifd_at = bits_at + len(bits)
    entries = [
        (256, 4, 1, width),
        (257, 4, 1, height),
        (258, 3, 3, bits_at),
        (259, 3, 1, 8),  # deflate
        (262, 3, 1, 2),  # RGB
        (273, 4, len(offsets), offsets_at),
        (277, 3, 1, 3),
        (278, 4, 1, rows_per_strip),
        (279, 4, len(counts), counts_at),
        (284, 3, 1, 1),
    ]
    ifd = struct.pack("<H", len(entries))
    for tag, kind, count, value in entries:
        ifd += struct.pack("<HHI", tag, kind, count) + (
            struct.pack("<HH", value, 0) if kind == 3 and count == 1 else struct.pack("<I", value))
    ifd += struct.pack("<I", 0)
    with open(path, "wb") as out:
        out.write(b"II*\x00" + struct.pack("<I", ifd_at) + blobs + arrays + bits + ifd)


def big_tiff(path):
    rows = 64
    strips = []
    for top in range(0, SIDE, rows):
        raw = b"".join(pattern_row(y, SIDE) for y in range(top, top + rows))
        strips.append(zlib.compress(raw, 1))
    tiff(path, SIDE, SIDE, rows, strips)


def smooth_row(y, width):
    # Gentle gradients, flat over each 64-pixel square: the largest lossy WebP must code its million
    # macroblocks' modes in the first partition's 512 KB, which only smooth pictures allow.
    return b"".join(bytes(((x >> 6) & 255, (y >> 6) & 255, ((x + y) >> 7) & 255)) * min(64, width - x)
                    for x in range(0, width, 64))


def ppm(path, width, height, one_colour):
    with open(path, "wb") as out:
        out.write(b"P6\n%d %d\n255\n" % (width, height))
        grey = b"\x80" * (3 * width)
        for y in range(height):
            out.write(grey if one_colour else smooth_row(y, width))


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    at = lambda name: os.path.join(folder, name)
    side = SIDE - 1  # the largest WebP

    # Genuine pictures of the largest size.
    big_png(at("big.png"))
    big_tiff(at("big.tif"))
    ppm(at("big.ppm"), side, side, False)
    subprocess.run(["cwebp", "-quiet", "-q", "80", at("big.ppm"), "-o", at("big.webp")], check=True)
    os.remove(at("big.ppm"))
    with subprocess.Popen(f"cjpeg -quality 80 > {at('big-plain.jpg')}", shell=True,
                          stdin=subprocess.PIPE) as cjpeg:
        cjpeg.stdin.write(b"P6\n%d %d\n255\n" % (SIDE, SIDE))
        for y in range(SIDE):
            cjpeg.stdin.write(smooth_row(y, SIDE))
        cjpeg.stdin.close()
    # The JPEG again with an Exif block whose orientation tag is 6 (turned a quarter).
    exif = b"Exif\x00\x00II*\x00\x08\x00\x00\x00\x01\x00\x12\x01\x03\x00\x01\x00\x00\x00\x06\x00\x00\x00\x00\x00\x00\x00"
    with open(at("big-plain.jpg"), "rb") as plain:
        jpeg = plain.read()
    with open(at("turned.jpg"), "wb") as out:
        out.write(jpeg[:2] + b"\xff\xe1" + struct.pack(">H", len(exif) + 2) + exif + jpeg[2:])
    os.remove(at("big-plain.jpg"))

    # Small files that declare 16384 x 16384 pixels (16383 for WebP).
    # GIF, 35 bytes: a 1 x 1 image on a huge logical screen (valid).
    gif = (b"GIF89a" + struct.pack("<HHBBB", 16383, 16383, 0x80, 0, 0) + b"\x00\x00\x00\xff\xff\xff"
           + b"\x2c" + struct.pack("<HHHHB", 0, 0, 1, 1, 0) + b"\x02\x02\x44\x01\x00\x3b")
    with open(at("small.gif"), "wb") as out:
        out.write(gif)
    # PNG whose data runs out after 9 KB.
    compressed = zlib.compress(b"\x00" * (1 + 3 * SIDE) * 64, 9)[:9000]
    with open(at("small.png"), "wb") as out:
        out.write(png_header(SIDE, SIDE) + chunk(b"IDAT", compressed))
    # TIFF whose 256 strips all point at one deflate block of 64 black rows (valid).
    block = zlib.compress(b"\x00" * (3 * SIDE * 64), 9)
    tiff(at("small.tif"), SIDE, SIDE, 64, [block] * (SIDE // 64))
    # Lossless WebP of one colour (valid); and the lossy one cut off after 9 KB.
    ppm(at("grey.ppm"), side, side, True)
    subprocess.run(["cwebp", "-quiet", "-lossless", "-z", "9", at("grey.ppm"), "-o", at("small.webp")],
                   check=True)
    os.remove(at("grey.ppm"))
    with open(at("big.webp"), "rb") as whole, open(at("cut.webp"), "wb") as out:
        out.write(whole.read(9000))
    # BMP, RLE8, 64 bytes: its data ends the picture at once (valid).
    pixels = b"\x00\x01"
    header = struct.pack("<IiiHHIIiiII", 40, SIDE, SIDE, 1, 8, 1, len(pixels), 2835, 2835, 2, 0)
    palette = b"\x00\x00\x00\x00\xff\xff\xff\x00"
    offset = 14 + len(header) + len(palette)
    with open(at("small.bmp"), "wb") as out:
        out.write(b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + header
                  + palette + pixels)
    # HEIC and AVIF whose picture sizes are made 16384 x 16384.
    for source, name in zip(sys.argv[2:4], ("small.heic", "small.avif")):
        with open(source, "rb") as small:
            data = bytearray(small.read())
        at_box = data.find(b"ispe")
        while at_box >= 0:
            data[at_box + 8:at_box + 16] = struct.pack(">II", SIDE, SIDE)
            at_box = data.find(b"ispe", at_box + 4)
        with open(at(name), "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main()
