#!/usr/bin/env python3
"""Draws the dark theme's indicator and branch images and the spinner of the common GUI kit.

The PNGs are small enough to be drawn here from a few shapes, so the repository holds both the
drawing and its result: run this script after changing a shape or a colour and commit the files
it writes into common_gui/extras/. Only the standard library is used; the output is byte-for-byte
reproducible.
"""

import math
import os
import struct
import sys
import zlib

SIZE = 16
SAMPLES = 4  # per axis, for anti-aliased edges

# Colours follow the dark palette: window 53, base 42, highlight (42, 130, 218).
BORDER = (138, 138, 138)
BORDER_PRESSED = (200, 200, 200)
BORDER_DISABLED = (90, 90, 90)
FIELD = (42, 42, 42)
FIELD_DISABLED = (53, 53, 53)
ACCENT = (42, 130, 218)
ACCENT_PRESSED = (90, 160, 230)
ACCENT_DISABLED = (80, 80, 80)
MARK = (255, 255, 255)
MARK_DISABLED = (127, 127, 127)
LINE = (106, 106, 106)
ARROW = (200, 200, 200)


# Shapes: each is a function from a sample point to "inside" (True/False).
def rounded_box(x0, y0, x1, y1, radius):
    def inside(x, y):
        cx = min(max(x, x0 + radius), x1 - radius)
        cy = min(max(y, y0 + radius), y1 - radius)
        return x0 <= x <= x1 and y0 <= y <= y1 and (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2
    return inside


def ring_box(x0, y0, x1, y1, radius, width):
    outer = rounded_box(x0, y0, x1, y1, radius)
    inner = rounded_box(x0 + width, y0 + width, x1 - width, y1 - width, max(radius - width, 0))
    return lambda x, y: outer(x, y) and not inner(x, y)


def disc(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r, width):
    return lambda x, y: (r - width) ** 2 <= (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def stroke(points, width):
    """A polyline with round joins and caps."""
    half = width / 2.0
    segments = list(zip(points, points[1:]))

    def inside(x, y):
        for (ax, ay), (bx, by) in segments:
            dx, dy = bx - ax, by - ay
            t = ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)
            t = min(max(t, 0.0), 1.0)
            px, py = ax + t * dx, ay + t * dy
            if (x - px) ** 2 + (y - py) ** 2 <= half * half:
                return True
        return False
    return inside


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def polygon(points):
    def inside(x, y):
        result = False
        j = len(points) - 1
        for i, (xi, yi) in enumerate(points):
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                result = not result
            j = i
        return result
    return inside


def render(layers, width=SIZE, height=SIZE):
    """Composites (shape, rgb) layers, first at the bottom, into RGBA rows."""
    pixels = []
    for py in range(height):
        row = []
        for px in range(width):
            r = g = b = a = 0.0
            for shape, colour in layers:
                hits = 0
                for sy in range(SAMPLES):
                    for sx in range(SAMPLES):
                        if shape(px + (sx + 0.5) / SAMPLES, py + (sy + 0.5) / SAMPLES):
                            hits += 1
                cover = hits / float(SAMPLES * SAMPLES)
                if cover == 0.0:
                    continue
                # Premultiplied "source over".
                r = colour[0] * cover + r * (1.0 - cover)
                g = colour[1] * cover + g * (1.0 - cover)
                b = colour[2] * cover + b * (1.0 - cover)
                a = cover + a * (1.0 - cover)
            if a > 0.0:
                row.append((round(r / a), round(g / a), round(b / a), round(a * 255)))
            else:
                row.append((0, 0, 0, 0))
        pixels.append(row)
    return pixels


def write_png(path, pixels):
    height, width = len(pixels), len(pixels[0])
    raw = b"".join(b"\x00" + bytes(c for p in row for c in p) for row in pixels)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", header))
        out.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        out.write(chunk(b"IEND", b""))


def indicator_states():
    """(suffix, border, field, accent, mark) for the normal, disabled and pressed looks."""
    return [
        ("", BORDER, FIELD, ACCENT, MARK),
        ("_disabled", BORDER_DISABLED, FIELD_DISABLED, ACCENT_DISABLED, MARK_DISABLED),
        ("_pressed", BORDER_PRESSED, FIELD, ACCENT_PRESSED, MARK),
    ]


def check_box_images():
    images = {}
    box = (1.5, 1.5, 14.5, 14.5)
    for suffix, border, field, accent, mark in indicator_states():
        images["checkbox_unchecked" + suffix] = [
            (rounded_box(*box, 2.5), field),
            (ring_box(*box, 2.5, 1.0), border),
        ]
        filled = [(rounded_box(*box, 2.5), accent), (ring_box(*box, 2.5, 1.0), accent)]
        images["checkbox_checked" + suffix] = filled + [
            (stroke([(4.5, 8.2), (7.0, 10.8), (11.6, 5.2)], 2.0), mark)]
        images["checkbox_indeterminate" + suffix] = filled + [
            (stroke([(4.8, 8.0), (11.2, 8.0)], 2.0), mark)]
    return images


def radio_button_images():
    images = {}
    for suffix, border, field, accent, mark in indicator_states():
        images["radiobutton_unchecked" + suffix] = [
            (disc(8, 8, 6.6), field), (ring(8, 8, 6.6, 1.0), border)]
        images["radiobutton_checked" + suffix] = [
            (disc(8, 8, 6.6), field), (ring(8, 8, 6.6, 1.0), accent), (disc(8, 8, 3.2), accent)]
        if suffix == "_disabled":
            images["radiobutton_checked" + suffix][2] = (disc(8, 8, 3.2), mark)
    return images


def branch_images():
    # Lines sit on whole pixels so that stretching the images along a row stays sharp.
    mid = SIZE // 2
    vertical_full = rect(mid, 0, mid + 1, SIZE)
    vertical_top = rect(mid, 0, mid + 1, mid + 1)
    horizontal = rect(mid, mid, SIZE, mid + 1)
    return {
        "vline": [(vertical_full, LINE)],
        "branch_more": [(vertical_full, LINE), (horizontal, LINE)],
        "branch_end": [(vertical_top, LINE), (horizontal, LINE)],
        "branch_closed": [(polygon([(6, 4), (11, 8), (6, 12)]), ARROW)],
        "branch_open": [(polygon([(4, 6), (12, 6), (8, 11)]), ARROW)],
    }


def window_button_images():
    return {
        "close": [(stroke([(4.5, 4.5), (11.5, 11.5)], 1.6), ARROW),
                  (stroke([(11.5, 4.5), (4.5, 11.5)], 1.6), ARROW)],
        # A window with an arrow leaving it through its top-right corner.
        "undock": [(ring_box(2.5, 5.5, 10.5, 13.5, 0.5, 1.2), ARROW),
                   (stroke([(7.5, 8.5), (13, 3)], 1.4), ARROW),
                   (polygon([(9.5, 2.5), (13.5, 2.5), (13.5, 6.5)]), ARROW)],
        # Two windows, the front one overlapping the back one.
        "restore": [(ring_box(5.5, 2.5, 13.5, 10.5, 0.5, 1.2), ARROW),
                    (rounded_box(2.5, 5.5, 10.5, 13.5, 0.5), (53, 53, 53)),
                    (ring_box(2.5, 5.5, 10.5, 13.5, 0.5, 1.2), ARROW)],
    }


def spinner_svg():
    """24 round-capped spokes, light at the top and darkening clockwise to black."""
    lines = ['<svg xmlns="http://www.w3.org/2000/svg" width="116" height="116" '
             'viewBox="-58 -58 116 116">']
    spokes = 24
    for i in range(spokes):
        shade = round(240 - 240 * i / (spokes - 1))
        angle = math.radians(i * 360 / spokes)
        sx, sy = math.sin(angle), -math.cos(angle)
        lines.append('  <line x1="%.3f" y1="%.3f" x2="%.3f" y2="%.3f" stroke="#%02x%02x%02x" '
                     'stroke-width="6" stroke-linecap="round"/>'
                     % (24 * sx, 24 * sy, 54 * sx, 54 * sy, shade, shade, shade))
    lines.append("</svg>")
    return "\n".join(lines) + "\n"


def main():
    root = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "..", "..", "common_gui",
                                                               "extras")
    os.makedirs(out, exist_ok=True)
    images = {}
    for part in (check_box_images, radio_button_images, branch_images, window_button_images):
        images.update(part())
    for name, layers in sorted(images.items()):
        write_png(os.path.join(out, "darkTheme_icon_%s.png" % name), render(layers))
    with open(os.path.join(out, "Spinner.svg"), "w") as svg:
        svg.write(spinner_svg())
    print("wrote %d images and Spinner.svg to %s" % (len(images), os.path.normpath(out)))


if __name__ == "__main__":
    main()
