#!/usr/bin/env python3
"""Draws the default skin and writes the settings that name it, from one layout.

For each screen size it ships it draws three bitmaps: the panel with every tile unlit, the same
panel lit, and the region template (pure black except inside each tile's rounded shape). Each is
an 8-bit, bottom-up, run-length (BI_RLE8) file with a plain info header and a colour table: the
system's loader documents that format for a file loaded as a device-dependent bitmap, which is how
the menu loads its panels, and the pictures are made of long runs of few colours (the background
gradient is one colour per row), so all sizes together stay small even at 3840x2160. From the same layout it writes the settings that ship: a .reg file for the machine-wide
defaults, a .reg file a user imports to get a personal copy, the installer's include file and a
C++ header that the tests compare the pictures and the settings against. So a rectangle in the
settings can never disagree with the picture it points into.

    make_skin.py BIN_DIR GENERATED_DIR
    make_skin.py --sizes

BIN_DIR receives skin/ with the bitmaps and the two .reg files; GENERATED_DIR receives
default_skin.nsh and default_skin_layout.h. --sizes prints the sizes drawn, one WxH a line, for
the build to name the files it expects. Only the standard library is used; everything is drawn in
horizontal spans written straight into row buffers of palette indices, and identical rows are
encoded once, so a full run takes a few seconds.
"""
import math
import os
import re
import sys
import time

# The classic sizes come first, in the order of their "Mode 1".."Mode 3" setting names; every
# other size is named by its "WxH". 1280x1024 is left out on purpose: the tests use it as a size
# the default skin does not name.
CLASSIC_SIZES = [(640, 480), (800, 600), (1024, 768)]
SIZES = CLASSIC_SIZES + [(1280, 720), (1366, 768), (1600, 900), (1920, 1080), (1920, 1200),
                         (2560, 1440), (3840, 2160)]
APP_KEY = r"Software\Velnor\Tilebox"
SKIN_FOLDER = "skin"

# The six buttons, in the order they are laid out (left to right, top to bottom). The key names
# start with a digit because the menu takes the buttons in the registry's enumeration order,
# which is alphabetical.
BUTTONS = [
    # key name, label, glyph, remote code, command
    ("1 Internet", "INTERNET", "globe", 320, None),
    ("2 Mail", "MAIL", "envelope", 321, None),
    ("3 Music CD", "MUSIC CD", "disc", 1713, None),
    ("4 DVD", "DVD", "screen", 1714, None),
    # Every Windows PC has the file explorer; from the sofa it opens the user's pictures, videos
    # and music folders, which is what a living-room user reaches for beyond the five players.
    ("5 Files", "FILES", "folder", 61456, "explorer.exe"),
    ("6 Close", "CLOSE", "cross", 39321, None),
]

# Colours as (red, green, blue). Unlit tiles are dark blue with white labels, lit tiles bright
# amber with near-black labels: the two must tell apart at a glance across a room.
BACKGROUND_TOP = (8, 12, 24)
BACKGROUND_BOTTOM = (22, 32, 58)
TITLE = (110, 130, 170)
NORMAL = {"tile": (36, 64, 112), "edge": (80, 120, 184), "glyph": (150, 206, 255),
          "label": (255, 255, 255)}
LIT = {"tile": (255, 176, 32), "edge": (255, 226, 140), "glyph": (96, 44, 0),
       "label": (16, 20, 36)}
TEMPLATE_SHAPE = (255, 255, 255)

# A 5 x 7 pixel font, one string of five columns per row; '#' is ink.
FONT = {
    " ": ["     "] * 7,
    "A": [" ### ", "#   #", "#   #", "#####", "#   #", "#   #", "#   #"],
    "B": ["#### ", "#   #", "#   #", "#### ", "#   #", "#   #", "#### "],
    "C": [" ### ", "#   #", "#    ", "#    ", "#    ", "#   #", " ### "],
    "D": ["#### ", "#   #", "#   #", "#   #", "#   #", "#   #", "#### "],
    "E": ["#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#####"],
    "F": ["#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#    "],
    "I": [" ### ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### "],
    "L": ["#    ", "#    ", "#    ", "#    ", "#    ", "#    ", "#####"],
    "M": ["#   #", "## ##", "# # #", "# # #", "#   #", "#   #", "#   #"],
    "N": ["#   #", "##  #", "# # #", "#  ##", "#   #", "#   #", "#   #"],
    "O": [" ### ", "#   #", "#   #", "#   #", "#   #", "#   #", " ### "],
    "R": ["#### ", "#   #", "#   #", "#### ", "# #  ", "#  # ", "#   #"],
    "S": [" ####", "#    ", "#    ", " ### ", "    #", "    #", "#### "],
    "T": ["#####", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  "],
    "U": ["#   #", "#   #", "#   #", "#   #", "#   #", "#   #", " ### "],
    "V": ["#   #", "#   #", "#   #", "#   #", "#   #", " # # ", "  #  "],
    "X": ["#   #", "#   #", " # # ", "  #  ", " # # ", "#   #", "#   #"],
}


class Canvas:
    """Rows of palette indices, top row first, and the colours they index in order of first use."""

    def __init__(self, width, height, colour):
        self.width = width
        self.height = height
        self.palette = []
        self.indices = {}
        self.rows = [bytearray([self.index(colour)]) * width for _ in range(height)]

    def index(self, colour):
        found = self.indices.get(colour)
        if found is None:
            if len(self.palette) == 256:
                raise ValueError("more than 256 colours in one picture")
            found = self.indices[colour] = len(self.palette)
            self.palette.append(colour)
        return found

    def span(self, y, x0, x1, colour):
        """Fills columns x0 to x1 - 1 of row y, clipped to the canvas."""
        if y < 0 or y >= self.height:
            return
        x0 = max(0, x0)
        x1 = min(self.width, x1)
        if x0 < x1:
            self.rows[y][x0:x1] = bytes((self.index(colour),)) * (x1 - x0)

    def bmp(self):
        """The picture as an 8-bit bottom-up BI_RLE8 file with a 40-byte info header."""
        encoded = {}
        parts = []
        for row in reversed(self.rows):
            key = bytes(row)
            data = encoded.get(key)
            if data is None:
                data = encoded[key] = encode_rle8_row(key)
            parts.append(data)
        parts.append(b"\x00\x01")  # end of picture
        image = b"".join(parts)
        table = b"".join(pixel(colour) + b"\x00" for colour in self.palette)
        info = (40).to_bytes(4, "little") + self.width.to_bytes(4, "little") + \
            self.height.to_bytes(4, "little") + (1).to_bytes(2, "little") + \
            (8).to_bytes(2, "little") + BI_RLE8.to_bytes(4, "little") + \
            len(image).to_bytes(4, "little") + (2835).to_bytes(4, "little") * 2 + \
            len(self.palette).to_bytes(4, "little") + bytes(4)
        offset = 14 + len(info) + len(table)
        header = b"BM" + (offset + len(image)).to_bytes(4, "little") + bytes(4) + \
            offset.to_bytes(4, "little")
        return header + info + table + image


BI_RLE8 = 1
RUN = re.compile(rb"(.)\1*", re.S)


def encode_rle8_row(row):
    """One row as encoded runs of at most 255 pixels, then the end-of-row mark. Encoded runs
    alone suffice: the pictures are long spans of one colour, so literal runs would save little
    and bring the 16-bit padding rule with them."""
    out = bytearray()
    for match in RUN.finditer(row):
        value = row[match.start()]
        count = match.end() - match.start()
        full, rest = divmod(count, 255)
        out += bytes((255, value)) * full
        if rest:
            out += bytes((rest, value))
    out += b"\x00\x00"
    return bytes(out)


def pixel(colour):
    red, green, blue = colour
    return bytes((blue, green, red))


# --- shapes, each as one span per row -------------------------------------------------------

def rounded_rect(canvas, left, top, right, bottom, radius, colour):
    """Fills the inclusive box with quarter-circle corners of the given radius."""
    for y in range(top, bottom + 1):
        inset = 0
        dy = max(top + radius - y, y - (bottom - radius), 0)
        if dy > 0:
            inset = radius - int(math.sqrt(max(radius * radius - dy * dy, 0)))
        canvas.span(y, left + inset, right + 1 - inset, colour)


def ellipse(canvas, cx, cy, rx, ry, colour, hole=None):
    """Fills an ellipse; with hole (hx, hy, colour) the inner ellipse is painted in that colour."""
    for y in range(int(cy - ry), int(cy + ry) + 1):
        t = (y + 0.5 - cy) / ry
        if abs(t) > 1:
            continue
        half = rx * math.sqrt(1 - t * t)
        canvas.span(y, int(round(cx - half)), int(round(cx + half)), colour)
    if hole:
        hx, hy, hole_colour = hole
        ellipse(canvas, cx, cy, hx, hy, hole_colour)


def ring(canvas, cx, cy, rx, ry, thickness, colour):
    """Paints only the band between an ellipse and the one thickness inside it."""
    irx, iry = rx - thickness, ry - thickness
    for y in range(int(cy - ry), int(cy + ry) + 1):
        t = (y + 0.5 - cy) / ry
        if abs(t) > 1:
            continue
        outer = rx * math.sqrt(1 - t * t)
        ti = (y + 0.5 - cy) / iry
        inner = irx * math.sqrt(1 - ti * ti) if abs(ti) < 1 else 0
        if inner <= 0:
            canvas.span(y, int(round(cx - outer)), int(round(cx + outer)), colour)
        else:
            canvas.span(y, int(round(cx - outer)), int(round(cx - inner)), colour)
            canvas.span(y, int(round(cx + inner)), int(round(cx + outer)), colour)


def polygon(canvas, points, colour):
    """Fills a convex polygon by the crossing points of each row's centre line."""
    ys = [p[1] for p in points]
    for y in range(int(math.floor(min(ys))), int(math.ceil(max(ys))) + 1):
        yc = y + 0.5
        xs = []
        for (x0, y0), (x1, y1) in zip(points, points[1:] + points[:1]):
            if (y0 <= yc < y1) or (y1 <= yc < y0):
                xs.append(x0 + (yc - y0) * (x1 - x0) / (y1 - y0))
        if len(xs) >= 2:
            canvas.span(y, int(round(min(xs))), int(round(max(xs))), colour)


def thick_line(canvas, x0, y0, x1, y1, thickness, colour):
    length = math.hypot(x1 - x0, y1 - y0)
    nx = -(y1 - y0) / length * thickness / 2
    ny = (x1 - x0) / length * thickness / 2
    polygon(canvas, [(x0 + nx, y0 + ny), (x1 + nx, y1 + ny), (x1 - nx, y1 - ny),
                     (x0 - nx, y0 - ny)], colour)


def box(canvas, left, top, right, bottom, colour):
    for y in range(int(top), int(bottom)):
        canvas.span(y, int(left), int(right), colour)


def frame(canvas, left, top, right, bottom, thickness, colour):
    box(canvas, left, top, right, top + thickness, colour)
    box(canvas, left, bottom - thickness, right, bottom, colour)
    box(canvas, left, top, left + thickness, bottom, colour)
    box(canvas, right - thickness, top, right, bottom, colour)


def text(canvas, x, y, scale, message, colour):
    for row in range(7):
        for index, char in enumerate(message):
            bits = FONT[char][row]
            for column, bit in enumerate(bits):
                if bit == "#":
                    cx = x + (index * 6 + column) * scale
                    for dy in range(scale):
                        canvas.span(y + row * scale + dy, cx, cx + scale, colour)


def text_width(message, scale):
    return (len(message) * 6 - 1) * scale


# --- glyphs, drawn in a square of side g centred at (cx, cy) ---------------------------------

def glyph_globe(c, cx, cy, g, ink, ground):
    r = g / 2
    t = max(2, g / 14)
    ring(c, cx, cy, r, r, t, ink)
    ring(c, cx, cy, r * 0.45, r, t, ink)
    box(c, cx - t / 2, cy - r, cx + t / 2, cy + r, ink)
    box(c, cx - r, cy - t / 2, cx + r, cy + t / 2, ink)
    for f in (-0.5, 0.5):
        half = r * math.sqrt(1 - f * f)
        box(c, cx - half, cy + f * r - t / 2, cx + half, cy + f * r + t / 2, ink)


def glyph_envelope(c, cx, cy, g, ink, ground):
    t = max(2, g / 12)
    left, right, top, bottom = cx - g / 2, cx + g / 2, cy - g * 0.34, cy + g * 0.34
    frame(c, left, top, right, bottom, t, ink)
    thick_line(c, left + t / 2, top + t / 2, cx, cy + g * 0.06, t, ink)
    thick_line(c, right - t / 2, top + t / 2, cx, cy + g * 0.06, t, ink)


def glyph_disc(c, cx, cy, g, ink, ground):
    r = g / 2
    ellipse(c, cx, cy, r, r, ink, (r * 0.16, r * 0.16, ground))
    # Two thin grooves of the ground colour, so the disc reads as a disc and not as a ball.
    groove = max(1, g / 40)
    ring(c, cx, cy, r * 0.74, r * 0.74, groove, ground)
    ring(c, cx, cy, r * 0.36, r * 0.36, groove, ground)


def glyph_screen(c, cx, cy, g, ink, ground):
    t = max(2, g / 12)
    left, right, top, bottom = cx - g / 2, cx + g / 2, cy - g * 0.36, cy + g * 0.24
    frame(c, left, top, right, bottom, t, ink)
    h = (bottom - top) * 0.5
    polygon(c, [(cx - h * 0.4, cy - g * 0.06 - h / 2), (cx + h * 0.55, cy - g * 0.06),
                (cx - h * 0.4, cy - g * 0.06 + h / 2)], ink)
    box(c, cx - t / 2, bottom, cx + t / 2, cy + g * 0.40, ink)
    box(c, cx - g * 0.22, cy + g * 0.40, cx + g * 0.22, cy + g * 0.40 + t, ink)


def glyph_folder(c, cx, cy, g, ink, ground):
    left, right, top, bottom = cx - g / 2, cx + g / 2, cy - g * 0.36, cy + g * 0.36
    polygon(c, [(left, top), (left + g * 0.36, top), (left + g * 0.44, top + g * 0.12),
                (left, top + g * 0.12)], ink)
    box(c, left, top + g * 0.1, right, bottom, ink)
    t = max(2, g / 16)
    box(c, left + t, top + g * 0.2, right - t, top + g * 0.2 + t, ground)


def glyph_cross(c, cx, cy, g, ink, ground):
    r = g / 2
    t = max(3, g / 7)
    d = r * 0.8
    thick_line(c, cx - d, cy - d, cx + d, cy + d, t, ink)
    thick_line(c, cx + d, cy - d, cx - d, cy + d, t, ink)


GLYPHS = {"globe": glyph_globe, "envelope": glyph_envelope, "disc": glyph_disc,
          "screen": glyph_screen, "folder": glyph_folder, "cross": glyph_cross}


# --- layout ---------------------------------------------------------------------------------

def layout(width, height):
    """Tiles of one screen size: a 3 x 2 grid below a title band.

    The grid spans the width of the screen up to a 16:10 shape and is centred beyond that, so the
    tiles of a 16:9 or wider screen do not stretch into flat bars. Every 4:3 size takes the whole
    width, which keeps the classic sizes' rectangles where they have always been."""
    used = min(width, round(height * 1.6))
    margin = round(used * 0.06)
    gap = round(used * 0.03)
    origin = margin + (width - used) // 2
    top_band = round(height * 0.16)
    bottom_band = round(height * 0.08)
    tile_w = (used - 2 * margin - 2 * gap) // 3
    tile_h = (height - top_band - bottom_band - gap) // 2
    radius = round(min(tile_w, tile_h) * 0.16)
    longest = max(len(b[1]) for b in BUTTONS)
    scale = max(2, min(int(tile_w * 0.82 / (longest * 6 - 1)), int(tile_h * 0.14 / 7)))
    tiles = []
    for index, button in enumerate(BUTTONS):
        row, col = divmod(index, 3)
        left = origin + col * (tile_w + gap)
        top = top_band + row * (tile_h + gap)
        right = left + tile_w - 1
        bottom = top + tile_h - 1
        label_y = top + round(tile_h * 0.76) - 7 * scale // 2
        label_x = left + (tile_w - text_width(button[1], scale)) // 2
        tiles.append({
            "button": button, "rect": (left, top, right, bottom), "radius": radius,
            "glyph": (left + tile_w / 2, top + tile_h * 0.38, min(tile_w, tile_h) * 0.38),
            "label": (label_x, label_y, scale),
            # A spot of plain tile colour: left of the glyph and the label, inside the edge.
            "sample": (left + max(radius // 2, tile_w // 14), top + tile_h // 2),
        })
    return {"margin": origin, "top_band": top_band, "tiles": tiles, "scale": scale}


def draw_panel(width, height, lay, colours):
    c = Canvas(width, height, BACKGROUND_TOP)
    for y in range(height):
        f = y / (height - 1)
        shade = tuple(round(a + (b - a) * f) for a, b in zip(BACKGROUND_TOP, BACKGROUND_BOTTOM))
        c.span(y, 0, width, shade)
    title_scale = lay["scale"] + 1
    text(c, lay["margin"], (lay["top_band"] - 7 * title_scale) // 2, title_scale, "TILEBOX",
         TITLE)
    for tile in lay["tiles"]:
        left, top, right, bottom = tile["rect"]
        r = tile["radius"]
        edge = max(2, lay["scale"] - 1)
        rounded_rect(c, left, top, right, bottom, r, colours["edge"])
        rounded_rect(c, left + edge, top + edge, right - edge, bottom - edge, max(1, r - edge),
                     colours["tile"])
        gx, gy, g = tile["glyph"]
        GLYPHS[tile["button"][2]](c, gx, gy, g, colours["glyph"], colours["tile"])
        lx, ly, scale = tile["label"]
        text(c, lx, ly, scale, tile["button"][1], colours["label"])
    return c


def draw_template(width, height, lay):
    c = Canvas(width, height, (0, 0, 0))
    for tile in lay["tiles"]:
        left, top, right, bottom = tile["rect"]
        rounded_rect(c, left, top, right, bottom, tile["radius"], TEMPLATE_SHAPE)
    return c


def file_names(width, height):
    size = f"{width}x{height}"
    return {"normal": f"{SKIN_FOLDER}\\normal-{size}.bmp",
            "selected": f"{SKIN_FOLDER}\\selected-{size}.bmp",
            "template": f"{SKIN_FOLDER}\\template-{size}.bmp"}


# --- settings -------------------------------------------------------------------------------

def size_name(width, height):
    """How the settings name a size: "Mode 1".."Mode 3" for the classic ones, else "WxH"."""
    if (width, height) in CLASSIC_SIZES:
        return "Mode %d" % (CLASSIC_SIZES.index((width, height)) + 1)
    return f"{width}x{height}"


def settings(layouts):
    """The settings tree as (key path, [(value name, kind, value)]), kinds "sz" and "dword"."""
    panel = []
    for kind, setting in (("normal", "Normal Bitmap"), ("selected", "Selected Bitmap"),
                          ("template", "Region Template")):
        for width, height in SIZES:
            panel.append((f"{setting} {size_name(width, height)}", "sz",
                          file_names(width, height)[kind]))
    # Screens of sizes not drawn here (1360x768, 4096x2160, 1280x800...) are served from the
    # nearest drawn size instead of not starting the menu.
    panel.append(("Fit Other Sizes", "dword", 1))
    keys = [("Panel", panel)]
    for index, (key, _label, _glyph, code, command) in enumerate(BUTTONS):
        values = []
        for (width, height), lay in zip(SIZES, layouts):
            values.append((f"Rectangle {size_name(width, height)}", "sz",
                           "%d,%d,%d,%d" % lay["tiles"][index]["rect"]))
        values.append(("Remote Code", "dword", code))
        if command:
            values.append(("Command", "sz", command))
        keys.append((f"Buttons\\{key}", values))
    return keys


def reg_file(root, keys):
    escape = lambda s: s.replace("\\", "\\\\").replace('"', '\\"')
    base = f"{root}\\{APP_KEY}"
    # The import replaces the button keys as a whole: a left-over button of another name would
    # otherwise join the six and shift the order the menu reads them in.
    lines = ["REGEDIT4", "", f"[-{base}\\Buttons]", "", f"[{base}]", "", f"[{base}\\Buttons]", ""]
    for path, values in keys:
        lines.append(f"[{base}\\{path}]")
        for name, kind, value in values:
            if kind == "dword":
                lines.append(f'"{name}"=dword:{value:08x}')
            else:
                lines.append(f'"{name}"="{escape(value)}"')
        lines.append("")
    return "\r\n".join(lines) + "\r\n"


def nsh_file(keys, bin_dir, skin_files):
    out = ["; Written by tools/make_skin.py: the default skin's files and settings.", ""]
    out.append("!macro TILEBOX_WRITE_DEFAULTS")
    out.append(f'  DeleteRegKey HKLM "{APP_KEY}\\Buttons"')
    for path, values in keys:
        for name, kind, value in values:
            op = "WriteRegDWORD" if kind == "dword" else "WriteRegStr"
            out.append(f'  {op} HKLM "{APP_KEY}\\{path}" "{name}" "{value}"')
    out.append("!macroend")
    out.append("")
    out.append("!macro TILEBOX_INSTALL_SKIN_FILES")
    out.append(f'  SetOutPath "$INSTDIR\\{SKIN_FOLDER}"')
    for name in skin_files:
        out.append(f'  File "{os.path.join(os.path.abspath(bin_dir), SKIN_FOLDER, name)}"')
    out.append('  SetOutPath "$INSTDIR"')
    out.append("!macroend")
    out.append("")
    out.append("!macro TILEBOX_DELETE_SKIN_FILES")
    for name in skin_files:
        out.append(f'  Delete "$INSTDIR\\{SKIN_FOLDER}\\{name}"')
    out.append(f'  RMDir "$INSTDIR\\{SKIN_FOLDER}"')
    out.append("!macroend")
    return "\n".join(out) + "\n"


def colour_ref(colour):
    red, green, blue = colour
    return "0x%06X" % (blue << 16 | green << 8 | red)


def layout_header(layouts):
    c_string = lambda s: '"' + s.replace("\\", "\\\\") + '"'
    count = len(SIZES)
    out = ["// Written by tools/make_skin.py: the default skin's layout, for the tests that check",
           "// the generated bitmaps and the installed settings against each other.",
           "#pragma once", "", "#include <windows.h>", "",
           "namespace defaultSkin {", "",
           "// Every size the skin names: the classic sizes first, in their Mode 1..3 order.",
           "const int classicCount = %d;" % len(CLASSIC_SIZES),
           "const int sizeCount = %d;" % count, "",
           "struct Mode {", "    int width;", "    int height;", "    const char* normalFile;",
           "    const char* selectedFile;", "    const char* templateFile;",
           '    const char* sizeName; // how the setting names end: "Mode 1" or "1920x1080"',
           "};", "",
           "struct Button {", "    const char* keyName;", "    const char* label;",
           "    DWORD remoteCode;", "    const char* command;  // null when the button has none",
           "    RECT rect[sizeCount];     // inclusive, as in the settings",
           "    RECT labelBox[sizeCount]; // exclusive box of the label's ink",
           "    POINT sample[sizeCount];  // a spot of plain tile colour", "};", "",
           "const COLORREF normalTile = %s;" % colour_ref(NORMAL["tile"]),
           "const COLORREF normalLabel = %s;" % colour_ref(NORMAL["label"]),
           "const COLORREF litTile = %s;" % colour_ref(LIT["tile"]),
           "const COLORREF litLabel = %s;" % colour_ref(LIT["label"]), "",
           "const Mode modes[sizeCount] = {"]
    for width, height in SIZES:
        files = file_names(width, height)
        out.append("    {%d, %d, %s, %s, %s, %s}," % (
            width, height, c_string(files["normal"]), c_string(files["selected"]),
            c_string(files["template"]), c_string(size_name(width, height))))
    out.append("};")
    out.append("")
    out.append("const Button buttons[6] = {")
    for index, (key, label, _glyph, code, command) in enumerate(BUTTONS):
        rects, labels, samples = [], [], []
        for lay in layouts:
            tile = lay["tiles"][index]
            rects.append("{%d, %d, %d, %d}" % tile["rect"])
            lx, ly, scale = tile["label"]
            labels.append("{%d, %d, %d, %d}" % (lx, ly, lx + text_width(label, scale),
                                                 ly + 7 * scale))
            samples.append("{%d, %d}" % tile["sample"])
        out.append("    {%s, %s, %d, %s," % (c_string(key), c_string(label), code,
                                           c_string(command) if command else "nullptr"))
        for values in (rects, labels, samples):
            out.append("     {%s}," % ", ".join(values))
        out.append("    },")
    out.append("};")
    out.append("")
    out.append("}  // namespace defaultSkin")
    return "\n".join(out) + "\n"


def write(path, data):
    with open(path, "wb") as f:
        f.write(data.encode("ascii") if isinstance(data, str) else data)


def main(bin_dir, generated_dir):
    started = time.monotonic()
    skin_dir = os.path.join(bin_dir, SKIN_FOLDER)
    os.makedirs(skin_dir, exist_ok=True)
    os.makedirs(generated_dir, exist_ok=True)
    layouts = []
    skin_files = []
    for width, height in SIZES:
        lay = layout(width, height)
        layouts.append(lay)
        files = file_names(width, height)
        pictures = {"normal": lambda: draw_panel(width, height, lay, NORMAL),
                    "selected": lambda: draw_panel(width, height, lay, LIT),
                    "template": lambda: draw_template(width, height, lay)}
        # One picture at a time: a 3840x2160 canvas alone holds 8 MB of rows.
        for kind, draw in pictures.items():
            name = files[kind].split("\\")[1]
            write(os.path.join(skin_dir, name), draw().bmp())
            skin_files.append(name)
    keys = settings(layouts)
    write(os.path.join(skin_dir, "defaults-machine.reg"),
                     reg_file("HKEY_LOCAL_MACHINE", keys))
    write(os.path.join(skin_dir, "defaults-user.reg"),
                     reg_file("HKEY_CURRENT_USER", keys))
    skin_files += ["defaults-machine.reg", "defaults-user.reg"]
    write(os.path.join(generated_dir, "default_skin.nsh"),
                     nsh_file(keys, bin_dir, skin_files))
    write(os.path.join(generated_dir, "default_skin_layout.h"),
                     layout_header(layouts))
    total = sum(os.path.getsize(os.path.join(skin_dir, name)) for name in skin_files)
    print("make_skin: %d sizes, %d files, %.2f MB, in %.1f s" % (
        len(SIZES), len(skin_files), total / 1e6, time.monotonic() - started))


if __name__ == "__main__":
    if sys.argv[1:] == ["--sizes"]:
        print("\n".join(f"{width}x{height}" for width, height in SIZES))
    elif len(sys.argv) == 3:
        main(sys.argv[1], sys.argv[2])
    else:
        sys.exit("usage: make_skin.py BIN_DIR GENERATED_DIR | make_skin.py --sizes")
