#!/usr/bin/env python3
"""Draws the help pages' pictures (resources/docs/images) with ImageMagick (MVG through -draw)."""
import os
import subprocess
import sys

OUT = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources", "docs", "images")
SCALES = [1]
os.makedirs(OUT, exist_ok=True)

BG = "#eef1f5"
TEXT = "#253247"
DARK = "#172b4d"
ACCENT = "#2f6fed"
BOLD = "DejaVu-Sans-Bold"


class Canvas:
    def __init__(self, w, h, bg=BG):
        self.w, self.h, self.bg = w, h, bg
        self.ops = []

    def _gc(self, body):
        self.ops.append("push graphic-context\n" + body + "\npop graphic-context")

    def rect(self, x0, y0, x1, y1, fill="none", stroke=None, sw=1, r=0, dash=None, opacity=None):
        s = [f"fill '{fill}'"]
        if opacity is not None:
            s.append(f"fill-opacity {opacity}")
        if stroke:
            s.append(f"stroke '{stroke}'")
            s.append(f"stroke-width {sw}")
            if dash:
                s.append(f"stroke-dasharray {dash}")
        else:
            s.append("stroke none")
        if r:
            s.append(f"roundrectangle {x0},{y0} {x1},{y1} {r},{r}")
        else:
            s.append(f"rectangle {x0},{y0} {x1},{y1}")
        self._gc("\n".join(s))

    def line(self, x0, y0, x1, y1, stroke, sw=1, dash=None, cap="butt"):
        s = ["fill none", f"stroke '{stroke}'", f"stroke-width {sw}", f"stroke-linecap {cap}"]
        if dash:
            s.append(f"stroke-dasharray {dash}")
        s.append(f"line {x0},{y0} {x1},{y1}")
        self._gc("\n".join(s))

    def polyline(self, pts, stroke, sw=1, cap="round", join="round"):
        p = " ".join(f"{x},{y}" for x, y in pts)
        self._gc(f"fill none\nstroke '{stroke}'\nstroke-width {sw}\nstroke-linecap {cap}\n"
                 f"stroke-linejoin {join}\npolyline {p}")

    def polygon(self, pts, fill, stroke=None, sw=1):
        p = " ".join(f"{x},{y}" for x, y in pts)
        st = f"stroke '{stroke}'\nstroke-width {sw}" if stroke else "stroke none"
        self._gc(f"fill '{fill}'\n{st}\npolygon {p}")

    def circle(self, cx, cy, r, fill="none", stroke=None, sw=1, dash=None):
        st = f"stroke '{stroke}'\nstroke-width {sw}" if stroke else "stroke none"
        if dash:
            st += f"\nstroke-dasharray {dash}"
        self._gc(f"fill '{fill}'\n{st}\ncircle {cx},{cy} {cx + r},{cy}")

    def text(self, x, y, txt, size, fill=TEXT, font=BOLD, anchor="middle"):
        self._gc(f"fill '{fill}'\nstroke none\nfont '{font}'\nfont-size {size}\n"
                 f"text-anchor {anchor}\ntext {x},{y} '{txt}'")

    def bar(self, x0, y, length, fill, h=8):
        """A rounded placeholder for a line of text, centred on y."""
        self.rect(x0, y - h / 2, x0 + length, y + h / 2, fill=fill, r=h / 2)

    def callout(self, cx, cy, n, tx=None, ty=None):
        if tx is not None:
            self.line(cx, cy, tx, ty if ty is not None else cy, ACCENT, sw=2)
            self.circle(tx, ty if ty is not None else cy, 3.5, fill=ACCENT)
        self.circle(cx, cy, 13, fill=ACCENT, stroke="#ffffff", sw=2)
        self.text(cx, cy + 5.5, str(n), 15, fill="#ffffff")

    def render(self, name):
        for scale in SCALES:
            out = name if scale == 1 else name.replace(".png", f"@{scale}x.png")
            path = os.path.join(OUT, out)
            draw = f"push graphic-context\nscale {scale},{scale}\n" + "\n".join(self.ops) + "\npop graphic-context"
            subprocess.run(["convert", "-size", f"{self.w * scale}x{self.h * scale}", f"xc:{self.bg}", "-draw", draw,
                            "-strip", "-dither", "None", "-colors", "160", "-define", "png:compression-level=9",
                            "-define", "png:exclude-chunks=date,time", "PNG8:" + path], check=True)
            print(out, os.path.getsize(path), "bytes")


# --- a tiny picture used as the "source" in the diagrams -------------------
SKY, SUN, HILL, HILL2 = "#9cc3ff", "#f6b73c", "#3fa56b", "#2f8a57"
ART7 = ["sssssos",
        "ssssooo",
        "ssgssos",
        "sgggsss",
        "GGGGGGG"]
ART9 = ["sssssssos",
        "ssssssooo",
        "sssgsssos",
        "ssgggssss",
        "GGGGGGGGG"]
COL = {"s": SKY, "o": SUN, "g": HILL, "G": HILL2}


def draw_source(c, x0, y0, cell, art, grid="#ffffff"):
    for r, row in enumerate(art):
        for k, ch in enumerate(row):
            c.rect(x0 + k * cell, y0 + r * cell, x0 + (k + 1) * cell - 1, y0 + (r + 1) * cell - 1, fill=COL[ch])
    w, h = len(art[0]), len(art)
    for k in range(1, w):
        c.line(x0 + k * cell - 0.5, y0, x0 + k * cell - 0.5, y0 + h * cell, grid, sw=1)
    for r in range(1, h):
        c.line(x0, y0 + r * cell - 0.5, x0 + w * cell, y0 + r * cell - 0.5, grid, sw=1)


def draw_padding(c, x0, y0, cell, cols, rows, kind):
    """Padded cells: 'transparent' (checker), 'white' or 'black'."""
    if kind == "transparent":
        c.rect(x0, y0, x0 + cols * cell - 1, y0 + rows * cell - 1, fill="#ffffff")
        h = cell / 2
        for r in range(rows * 2):
            for k in range(cols * 2):
                if (r + k) % 2:
                    c.rect(x0 + k * h, y0 + r * h, x0 + (k + 1) * h - 1, y0 + (r + 1) * h - 1, fill="#dde3ec")
        grid = "#c3ccd8"
    elif kind == "white":
        c.rect(x0, y0, x0 + cols * cell - 1, y0 + rows * cell - 1, fill="#ffffff")
        grid = "#dfe4eb"
    else:
        c.rect(x0, y0, x0 + cols * cell - 1, y0 + rows * cell - 1, fill="#111111")
        grid = "#3a3f47"
    for k in range(1, cols):
        c.line(x0 + k * cell - 0.5, y0, x0 + k * cell - 0.5, y0 + rows * cell, grid)
    for r in range(1, rows):
        c.line(x0, y0 + r * cell - 0.5, x0 + cols * cell, y0 + r * cell - 0.5, grid)


def canvas_with_source(c, x0, y0, cell, cols, rows, art, offx, offy, kind="transparent", frame=DARK):
    draw_padding(c, x0, y0, cell, cols, rows, kind)
    sx, sy = x0 + offx * cell, y0 + offy * cell
    draw_source(c, sx, sy, cell, art)
    w, h = len(art[0]), len(art)
    c.rect(sx - 0.5, sy - 0.5, sx + w * cell - 0.5, sy + h * cell - 0.5, stroke=ACCENT, sw=2, dash="5 3")
    c.rect(x0 - 1, y0 - 1, x0 + cols * cell, y0 + rows * cell, stroke=frame, sw=2)


def arrow(c, x0, y, x1, colour=ACCENT, sw=5):
    c.line(x0, y, x1 - 12, y, colour, sw=sw, cap="round")
    c.polygon([(x1, y), (x1 - 18, y - 11), (x1 - 18, y + 11)], fill=colour)


def brace_v(c, x, y0, y1, label, colour=ACCENT):
    """A bracket on the right of a span y0..y1 with a label."""
    c.line(x, y0 + 2, x + 8, y0 + 2, colour, sw=2, cap="square")
    c.line(x + 8, y0 + 2, x + 8, y1 - 2, colour, sw=2, cap="square")
    c.line(x, y1 - 2, x + 8, y1 - 2, colour, sw=2, cap="square")
    c.line(x + 8, (y0 + y1) / 2, x + 14, (y0 + y1) / 2, colour, sw=2)
    c.text(x + 20, (y0 + y1) / 2 + 6, label, 16, fill=colour, anchor="start")


def brace_h(c, x0, x1, y, label, colour=ACCENT):
    """A bracket above a span x0..x1 with a label above it."""
    c.line(x0 + 2, y, x0 + 2, y - 8, colour, sw=2, cap="square")
    c.line(x0 + 2, y - 8, x1 - 2, y - 8, colour, sw=2, cap="square")
    c.line(x1 - 2, y - 8, x1 - 2, y, colour, sw=2, cap="square")
    c.line((x0 + x1) / 2, y - 8, (x0 + x1) / 2, y - 14, colour, sw=2)
    c.text((x0 + x1) / 2, y - 20, label, 16, fill=colour)


# --- 1. 7x5 -> 8x8, centred --------------------------------------------------
def padding_before_after():
    cell = 34
    c = Canvas(780, 392)
    cy0 = 64                      # top of the 8x8 canvas
    cx0 = 440
    sy0 = cy0 + (8 * cell - 5 * cell) // 2
    sx0 = 48
    # source
    draw_source(c, sx0, sy0, cell, ART7)
    c.rect(sx0 - 1, sy0 - 1, sx0 + 7 * cell, sy0 + 5 * cell, stroke=DARK, sw=2)
    c.text(sx0 + 7 * cell / 2, cy0 + 8 * cell + 44, "7×5", 24, fill=DARK)
    # arrow
    arrow(c, 318, cy0 + 4 * cell, 402)
    # canvas
    canvas_with_source(c, cx0, cy0, cell, 8, 8, ART7, 0, 1)
    c.text(cx0 + 4 * cell, cy0 + 8 * cell + 44, "8×8", 24, fill=DARK)
    # annotations: +1 column on the right, +1 row above, +2 rows below
    brace_h(c, cx0 + 7 * cell, cx0 + 8 * cell, cy0 - 6, "+1")
    brace_v(c, cx0 + 8 * cell + 8, cy0, cy0 + cell, "+1")
    brace_v(c, cx0 + 8 * cell + 8, cy0 + 6 * cell, cy0 + 8 * cell, "+2")
    c.render("padding-before-after.png")


# --- 2. the three rules side by side ----------------------------------------
def padding_rules():
    cell = 14
    W, H = 848, 262
    c = Canvas(W, H)
    panels = [("×4", 12, 8), ("×2", 10, 6), ("2ⁿ", 16, 8)]
    pw, gap, m = 260, 16, 18
    for i, (label, cols, rows) in enumerate(panels):
        x0 = m + i * (pw + gap)
        c.rect(x0 + 0.5, m + 0.5, x0 + pw - 0.5, H - m - 0.5, fill="#ffffff", stroke="#d7dee8", sw=1, r=6)
        # pill
        pcx = x0 + pw / 2
        c.rect(pcx - 30, m + 14, pcx + 30, m + 44, fill=DARK, r=15)
        c.text(pcx, m + 36, label, 18, fill="#ffffff")
        # canvas, centred horizontally, top aligned
        gx = int(pcx - cols * cell / 2)
        gy = m + 62
        offx, offy = (cols - 9) // 2, (rows - 5) // 2
        canvas_with_source(c, gx, gy, cell, cols, rows, ART9, offx, offy)
        c.text(pcx, H - m - 22, f"9×5 → {cols}×{rows}", 17, fill=TEXT)
    c.render("padding-rules.png")


# --- 3. fills and anchoring ---------------------------------------------------
def fill_and_anchor():
    cell = 20
    W, H = 838, 298
    c = Canvas(W, H)
    variants = [("A", "transparent", True), ("B", "white", True), ("C", "black", True), ("D", "transparent", False)]
    pw, gap, m = 190, 14, 18
    for i, (label, kind, centred) in enumerate(variants):
        x0 = m + i * (pw + gap)
        c.rect(x0 + 0.5, m + 0.5, x0 + pw - 0.5, H - m - 0.5, fill="#ffffff", stroke="#d7dee8", sw=1, r=6)
        pcx = x0 + pw / 2
        c.rect(pcx - 15, m + 10, pcx + 15, m + 36, fill=DARK, r=13)
        c.text(pcx, m + 30, label, 16, fill="#ffffff")
        gx, gy = int(pcx - 4 * cell), m + 48
        offy = 1 if centred else 0
        canvas_with_source(c, gx, gy, cell, 8, 8, ART7, 0, offy, kind=kind)
        # icon row: fill swatch + position glyph
        iy = gy + 8 * cell + 16
        sx = pcx - 30
        if kind == "transparent":
            c.rect(sx, iy, sx + 21, iy + 21, fill="#ffffff")
            for r in range(3):
                for k in range(3):
                    if (r + k) % 2:
                        c.rect(sx + k * 7, iy + r * 7, sx + k * 7 + 6, iy + r * 7 + 6, fill="#c9d1dc")
        else:
            c.rect(sx, iy, sx + 21, iy + 21, fill="#ffffff" if kind == "white" else "#111111")
        c.rect(sx - 0.5, iy - 0.5, sx + 21.5, iy + 21.5, stroke="#8a99ad", sw=1)
        gx2 = pcx + 9
        c.rect(gx2 - 0.5, iy - 0.5, gx2 + 21.5, iy + 21.5, fill="#ffffff", stroke="#8a99ad", sw=1)
        if centred:
            c.rect(gx2 + 6, iy + 6, gx2 + 15, iy + 15, fill=ACCENT)
        else:
            c.rect(gx2 + 2, iy + 2, gx2 + 11, iy + 11, fill=ACCENT)
    c.render("fill-and-anchor.png")


# --- 4. the tool page, schematic, numbered -----------------------------------
def window_frame(c, x0, y0, x1, y1, body):
    c.rect(x0 + 3, y0 + 4, x1 + 3, y1 + 4, fill="#c9d1dc", r=8)        # soft shadow
    c.rect(x0 + 0.5, y0 + 0.5, x1 - 0.5, y1 - 0.5, fill=body, stroke="#9aa8b8", sw=1, r=8)
    c.rect(x0 + 1, y0 + 1, x1 - 1, y0 + 29, fill="#e4e9ef", r=7)
    c.rect(x0 + 1, y0 + 20, x1 - 1, y0 + 29, fill="#e4e9ef")
    c.line(x0 + 1, y0 + 29.5, x1 - 1, y0 + 29.5, "#cbd5e1")
    c.rect(x0 + 12, y0 + 9, x0 + 24, y0 + 21, fill=ACCENT, r=2)
    c.bar(x0 + 32, y0 + 15, 110, "#8a99ad")
    gx = x1 - 72
    c.line(gx, y0 + 15.5, gx + 10, y0 + 15.5, "#526275", sw=1.5)
    c.rect(gx + 24.5, y0 + 10.5, gx + 34.5, y0 + 20.5, stroke="#526275", sw=1.5)
    c.line(gx + 48, y0 + 10, gx + 58, y0 + 20, "#526275", sw=1.5)
    c.line(gx + 58, y0 + 10, gx + 48, y0 + 20, "#526275", sw=1.5)


def button(c, x0, y0, x1, y1, kind="plain", bar=None):
    if kind == "primary":
        c.rect(x0, y0, x1, y1, fill="#2563eb", r=3)
        colour = "#ffffff"
    else:
        c.rect(x0 + 0.5, y0 + 0.5, x1 - 0.5, y1 - 0.5, fill="#ffffff", stroke="#b9c5d3", sw=1, r=3)
        colour = "#7d8ea5"
    length = bar if bar else (x1 - x0) * 0.55
    c.bar((x0 + x1) / 2 - length / 2, (y0 + y1) / 2, length, colour, h=7)


def checkbox(c, x, cy, checked, label_len):
    if checked:
        c.rect(x, cy - 8, x + 16, cy + 8, fill="#2563eb", r=3)
        c.polyline([(x + 4, cy), (x + 7, cy + 4), (x + 12, cy - 4)], "#ffffff", sw=2)
    else:
        c.rect(x + 0.5, cy - 7.5, x + 15.5, cy + 7.5, fill="#ffffff", stroke="#99a7ba", sw=1, r=3)
    c.bar(x + 23, cy, label_len, "#7d8ea5", h=7)


def combo(c, x0, y0, x1, y1, bar):
    c.rect(x0 + 0.5, y0 + 0.5, x1 - 0.5, y1 - 0.5, fill="#ffffff", stroke="#b9c5d3", sw=1, r=3)
    cy = (y0 + y1) / 2
    c.bar(x0 + 9, cy, bar, "#526275", h=7)
    c.polyline([(x1 - 17, cy - 2), (x1 - 13, cy + 2), (x1 - 9, cy - 2)], "#526275", sw=1.6)


def picture_icon(c, x, cy):
    c.rect(x, cy - 6, x + 14, cy + 6, fill="#9cc3ff", r=1.5)
    c.polygon([(x, cy + 6), (x + 5, cy), (x + 9, cy + 4), (x + 11, cy + 2), (x + 14, cy + 6)], fill="#3fa56b")


def tool_page():
    W, H = 880, 624
    c = Canvas(W, H)
    X0, Y0, X1, Y1 = 60, 14, 820, 606
    window_frame(c, X0, Y0, X1, Y1, "#f6f8fb")
    # header
    c.rect(X0 + 1, Y0 + 30, X1 - 1, Y0 + 74, fill="#ffffff")
    c.line(X0 + 1, Y0 + 74.5, X1 - 1, Y0 + 74.5, "#d7dee8")
    hy = Y0 + 52
    c.bar(X0 + 20, hy, 150, DARK, h=12)
    gx, qx = X1 - 58, X1 - 26
    # The settings icon: three sliders, as nav-options.svg draws them on 24 units.
    k, ox, oy = 0.8, gx - 9.6, hy - 9.6
    for (a, b), (c0, d), (kx, ky) in [((4, 12), (17.5, 20), (14.75, 6.5)), ((4, 6.5), (12, 20), (9.25, 12)),
                                      ((4, 14), (19.5, 20), (16.75, 17.5))]:
        c.line(ox + a * k, oy + ky * k, ox + b * k, oy + ky * k, "#36506d", sw=1.6, cap="round")
        c.line(ox + c0 * k, oy + ky * k, ox + d * k, oy + ky * k, "#36506d", sw=1.6, cap="round")
        c.circle(ox + kx * k, oy + ky * k, 2.25 * k, stroke="#36506d", sw=1.6)
    c.circle(qx, hy, 8.5, stroke="#36506d", sw=1.8)
    c.text(qx, hy + 4.5, "?", 12, fill="#36506d")
    L, R = X0 + 18, X1 - 18
    # section caption + buttons
    c.bar(L, 102, 56, "#7d8ea5", h=7)
    by0, by1 = 114, 142
    button(c, L, by0, L + 104, by1, "primary")
    button(c, L + 111, by0, L + 215, by1)
    button(c, L + 222, by0, L + 300, by1)
    button(c, R - 110, by0, R, by1)
    # options row
    oy = 166
    c.bar(L, oy, 52, "#7d8ea5", h=7)
    combo(c, L + 60, oy - 13, L + 170, oy + 13, 52)
    c.bar(L + 182, oy, 52, "#7d8ea5", h=7)
    combo(c, L + 242, oy - 13, L + 322, oy + 13, 30)
    checkbox(c, L + 338, oy, True, 58)
    checkbox(c, L + 438, oy, False, 92)
    checkbox(c, L + 572, oy, True, 76)
    # output row
    ry = 204
    c.bar(L, ry, 150, "#7d8ea5", h=7)
    c.rect(L + 160.5, ry - 13.5, R - 190.5, ry + 13.5, fill="#ffffff", stroke="#b9c5d3", sw=1, r=3)
    c.bar(L + 170, ry, 120, "#d1d9e4", h=7)
    button(c, R - 182, ry - 14, R - 118, ry + 14)
    button(c, R - 110, ry - 14, R, ry + 14)
    # file list
    ly0, ly1 = 228, 398
    c.rect(L + 0.5, ly0 + 0.5, R - 0.5, ly1 - 0.5, fill="#ffffff", stroke="#cbd5e1", sw=1)
    c.rect(L + 1, ly0 + 1, R - 1, ly0 + 25, fill="#f1f4f8")
    c.line(L + 1, ly0 + 25.5, R - 1, ly0 + 25.5, "#d7dee8")
    cols = [L, L + 190, R - 190, R - 100, R]
    for k in range(1, 4):
        c.line(cols[k] - 0.5, ly0 + 1, cols[k] - 0.5, ly0 + 25, "#e1e7ee")
    for k, length in enumerate([48, 48, 28, 28]):
        c.bar(cols[k] + 8, ly0 + 13, length, "#8a99ad", h=7)
    rows = [(70, 170, 40), (92, 170, 44), (58, 210, 40), (80, 150, 36), (66, 190, 44)]
    for i, (n, loc, size) in enumerate(rows):
        y0 = ly0 + 26 + i * 26
        if i % 2:
            c.rect(L + 1, y0, R - 1, y0 + 25, fill="#f6f8fb")
        cy = y0 + 13
        picture_icon(c, cols[0] + 8, cy)
        c.bar(cols[0] + 28, cy, n, "#526275", h=7)
        c.bar(cols[1] + 8, cy, loc, "#aebaca", h=7)
        c.bar(cols[2] + 8, cy, size, "#aebaca", h=7)
        c.bar(cols[3] + 8, cy, 52, "#8a99ad", h=7)
    # a file being dragged onto the list
    fx, fy = R - 150, ly1 - 44
    c.polygon([(fx, fy), (fx + 22, fy), (fx + 30, fy + 8), (fx + 30, fy + 36), (fx, fy + 36)],
              fill="#ffffff", stroke="#526275", sw=1.5)
    c.polyline([(fx + 22, fy), (fx + 22, fy + 8), (fx + 30, fy + 8)], "#526275", sw=1.5)
    picture_icon(c, fx + 8, fy + 22)
    px, py = fx + 24, fy + 26
    c.polygon([(px, py), (px, py + 22), (px + 6, py + 17), (px + 10, py + 26), (px + 14, py + 24),
               (px + 10, py + 15), (px + 17, py + 15)], fill="#ffffff", stroke="#172b4d", sw=1.5)
    c.circle(px + 22, py + 24, 8, fill="#2563eb")
    c.line(px + 18, py + 24, px + 26, py + 24, "#ffffff", sw=2)
    c.line(px + 22, py + 20, px + 22, py + 28, "#ffffff", sw=2)
    # summary + status, progress bar
    sy = 412
    c.bar(L, sy, 260, "#7d8ea5", h=7)
    c.bar(R - 48, sy, 48, "#7d8ea5", h=7)
    c.rect(L, 424, R, 430, fill="#283445")
    c.rect(L, 424, R, 430, fill="#5d7da8")
    # run log
    c.bar(L, 446, 50, "#7d8ea5", h=7)
    c.rect(L + 0.5, 456.5, R - 0.5, 534.5, fill="#ffffff", stroke="#cbd5e1", sw=1)
    for i, length in enumerate([300, 360, 240]):
        y = 472 + i * 20
        c.bar(L + 10, y, 54, "#aebaca", h=7)
        c.bar(L + 72, y, length, "#526275", h=7)
    # start button
    mx = (X0 + X1) / 2
    c.rect(mx - 128, 546, mx + 128, 590, fill="#2563eb", r=3)
    c.bar(mx - 40, 568, 80, "#ffffff", h=10)
    c.bar(mx - 100, 598, 200, "#b8c3d1", h=5)
    # callouts
    c.callout(X1 + 34, hy, 1, X1 - 12, hy)
    c.callout(30, 128, 2, L, 128)
    c.callout(30, oy, 3, L, oy)
    c.callout(30, ry, 4, L, ry)
    c.callout(30, 300, 5, L, 300)
    c.callout(30, 421, 6, L, 421)
    c.callout(30, 495, 7, L, 495)
    c.callout(30, 568, 8, mx - 128, 568)
    c.render("tool-page-annotated.png")


# --- 5. the processing window, schematic, numbered ----------------------------
def helper_window():
    W, H = 880, 596
    c = Canvas(W, H)
    X0, Y0, X1, Y1 = 60, 14, 820, 578
    body, box, ink, edge = "#eeeae0", "#faf8f2", "#172750", "#aaa79e"
    navy, gold = "#173574", "#c4a84e"
    window_frame(c, X0, Y0, X1, Y1, body)
    L, R = X0 + 10, X1 - 10

    def hbutton(x0, y0, x1, y1, length=None):
        c.rect(x0 + 0.5, y0 + 0.5, x1 - 0.5, y1 - 0.5, fill="#f7f3e9", stroke=edge, sw=1)
        ln = length if length else (x1 - x0) * 0.55
        c.bar((x0 + x1) / 2 - ln / 2, (y0 + y1) / 2, ln, "#5b6680", h=7)

    # buttons
    hbutton(L, 54, L + 104, 80)
    hbutton(L + 112, 54, L + 200, 80)
    hbutton(L + 208, 54, L + 288, 80)
    # list of files
    c.rect(L + 0.5, 90.5, R - 0.5, 226.5, fill=box, stroke=edge, sw=1)
    for i, length in enumerate([330, 300, 380, 260, 350, 310]):
        c.bar(L + 8, 104 + i * 20, length, "#8d93a3", h=7)
    # output row
    oy = 246
    c.bar(L, oy, 170, "#5b6680", h=7)
    c.rect(L + 180.5, oy - 12.5, R - 198.5, oy + 12.5, fill=box, stroke=edge, sw=1)
    hbutton(R - 190, oy - 13, R - 128, oy + 13)
    hbutton(R - 120, oy - 13, R, oy + 13)
    # options row
    py = 284

    def hcombo(x0, x1, ln):
        c.rect(x0 + 0.5, py - 12.5, x1 - 0.5, py + 12.5, fill=box, stroke=edge, sw=1)
        c.bar(x0 + 8, py, ln, "#5b6680", h=7)
        c.polyline([(x1 - 16, py - 2), (x1 - 12, py + 2), (x1 - 8, py - 2)], "#5b6680", sw=1.6)

    def hcheck(x, checked, ln):
        c.rect(x + 0.5, py - 6.5, x + 13.5, py + 6.5, fill="#ffffff", stroke="#6d7180", sw=1)
        if checked:
            c.polyline([(x + 3, py), (x + 6, py + 3.5), (x + 11, py - 4)], ink, sw=2)
        c.bar(x + 20, py, ln, "#5b6680", h=7)

    c.bar(L, py, 56, "#5b6680", h=7)
    hcombo(L + 64, L + 200, 70)
    c.bar(L + 214, py, 56, "#5b6680", h=7)
    hcombo(L + 278, L + 352, 26)
    hcheck(L + 372, True, 56)
    hcheck(L + 466, False, 100)
    hcheck(L + 604, True, 80)
    # progress row
    c.rect(L + 0.5, 310.5, R - 0.5, 326.5, fill="#e6e2d8", stroke=edge, sw=1)
    c.rect(L + 1, 311, L + 1 + (R - L - 2) * 0.62, 326, fill=ACCENT)
    w = R - L
    c.bar(L, 342, 70, "#5b6680", h=7)
    c.bar(L + 0.4 * w, 342, 118, "#5b6680", h=7)
    c.bar(L + 0.7 * w, 342, 118, "#5b6680", h=7)
    # log group
    c.rect(L + 0.5, 364.5, R - 0.5, 508.5, stroke="#c9c3b4", sw=1, r=3)
    c.rect(L + 10, 359, L + 96, 370, fill=body)
    c.bar(L + 14, 364.5, 76, "#5b6680", h=7)
    c.rect(L + 10.5, 378.5, R - 10.5, 500.5, fill=box, stroke="#c9c3b4", sw=1)
    lines = [("ok", 70, 300), ("ok", 90, 330), ("bad", 76, 260), ("ok", 64, 310), (None, 0, 300)]
    for i, (state, name, msg) in enumerate(lines):
        y = 394 + i * 22
        x = L + 20
        c.bar(x, y, 50, "#a9a496", h=7)
        x += 60
        if state:
            c.rect(x, y - 7, x + 40, y + 7, fill="#2e8b57" if state == "ok" else "#c2413b", r=3)
            x += 50
            c.bar(x, y, name, ink, h=7)
            x += name + 14
            c.bar(x, y, 96, "#8d93a3", h=7)
            x += 106
            c.bar(x, y, msg if state == "ok" else msg, "#5b6680" if state == "ok" else "#c2413b", h=7)
        else:
            c.bar(x, y, msg, ink, h=7)
    # start button
    c.rect(L + 1, 518, R - 1, 552, fill=navy, stroke=gold, sw=2)
    c.bar((L + R) / 2 - 36, 535, 72, "#ffffff", h=9)
    # status strip
    c.rect(X0 + 1, 556, X1 - 1, Y1 - 1, fill=navy, r=7)
    c.rect(X0 + 1, 556, X1 - 1, 568, fill=navy)
    c.bar(L, 567, 120, "#c9d3ea", h=6)
    c.bar(L + 134, 567, 170, "#c9d3ea", h=6)
    # callouts
    c.callout(30, 158, 1, L, 158)
    c.callout(30, oy, 2, L, oy)
    c.callout(30, py, 3, L, py)
    c.callout(30, 330, 4, L, 330)
    c.callout(30, 438, 5, L + 10, 438)
    c.callout(30, 535, 6, L, 535)
    c.render("helper-window-annotated.png")


padding_before_after()
padding_rules()
fill_and_anchor()
tool_page()
helper_window()
