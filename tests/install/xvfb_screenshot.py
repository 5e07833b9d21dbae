#!/usr/bin/python3
"""Runs a host under Xvfb and keeps a picture of its dialog.

    xvfb_screenshot.py PNG COMMAND...

Starts COMMAND on a fresh Xvfb display whose screen lies in a file, reads that
file while the command runs and keeps the last picture in which a window was
on the black screen, cropped to it (the screen has no window manager, so no
title bar): the dialog as the user last saw it. Fails
when the command fails or no window ever appeared.
"""
import os
import struct
import subprocess
import sys
import tempfile
import time
import zlib


def read_screen(path):
    """The XWD screen of Xvfb: (width, height, rows of RGB bytes), or None."""
    with open(path, "rb") as f:
        data = f.read()
    if len(data) < 100:
        return None
    fields = struct.unpack(">25I", data[:100])
    header_size, width, height = fields[0], fields[4], fields[5]
    bits_per_pixel, bytes_per_line, ncolors = fields[11], fields[12], fields[19]
    if bits_per_pixel != 32:
        return None
    start = header_size + 12 * ncolors
    rows = []
    for y in range(height):
        line = data[start + y * bytes_per_line:start + y * bytes_per_line + 4 * width]
        rgb = bytearray(3 * width)
        rgb[0::3], rgb[1::3], rgb[2::3] = line[2::4], line[1::4], line[0::4]
        rows.append(bytes(rgb))
    return width, height, rows


def window_box(width, rows):
    """The box around everything that is not the black screen, or None."""
    black = bytes(3 * width)
    ys = [y for y, row in enumerate(rows) if row != black]
    if not ys:
        return None
    xs = [x for y in (ys[0], (ys[0] + ys[-1]) // 2, ys[-1]) for x in range(width)
          if rows[y][3 * x:3 * x + 3] != b"\0\0\0"]
    if not xs:
        return None
    return min(xs), ys[0], max(xs) + 1, ys[-1] + 1


def write_png(path, rows):
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body
                + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))
    width, height = len(rows[0]) // 3, len(rows)
    raw = b"".join(b"\0" + row for row in rows)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    png, command = sys.argv[1], sys.argv[2:]
    with tempfile.TemporaryDirectory(prefix="korvax-xvfb.") as screen_dir:
        server = ["-screen", "0", "1024x768x24", "-fbdir", screen_dir, "-br", "-nocursor", "-noreset",
                  "-nolisten", "tcp"]
        run = subprocess.Popen(["xvfb-run", "-a", "-s", " ".join(server)] + command)
        screen = os.path.join(screen_dir, "Xvfb_screen0")
        last = None
        while run.poll() is None:
            time.sleep(0.05)
            try:
                picture = read_screen(screen)
            except OSError:
                continue
            if picture is not None:
                width, _, rows = picture
                box = window_box(width, rows)
                # Bigger than a pointer or a tooltip: a dialog.
                if box is not None and box[2] - box[0] > 100 and box[3] - box[1] > 100:
                    left, top, right, bottom = box
                    last = [row[3 * left:3 * right] for row in rows[top:bottom]]
        if run.returncode != 0:
            sys.exit(f"xvfb_screenshot: {command[0]} endete mit {run.returncode}")
        if last is None:
            sys.exit("xvfb_screenshot: kein Fenster erschien")
        os.makedirs(os.path.dirname(os.path.abspath(png)), exist_ok=True)
        write_png(png, last)
        print(f"Bild des Dialogs: {png} ({len(last[0]) // 3} x {len(last)})")


if __name__ == "__main__":
    main()
