"""Small pixel canvas for the game's art: one character per pixel, XPM output."""

import math

# Palette characters: dark colours lower case, bright ones upper case where it reads well.
PALETTE = [
    ("k", "#000000"),  # black
    ("m", "#800000"),  # dark red
    ("g", "#008000"),  # dark green
    ("o", "#808000"),  # olive
    ("n", "#000080"),  # navy
    ("p", "#800080"),  # purple
    ("t", "#008080"),  # teal
    ("x", "#808080"),  # grey
    (".", "#C0C0C0"),  # light grey
    ("r", "#FF0000"),  # red
    ("G", "#00FF00"),  # green
    ("y", "#FFFF00"),  # yellow
    ("b", "#0000FF"),  # blue
    ("M", "#FF00FF"),  # magenta
    ("c", "#00FFFF"),  # cyan
    ("w", "#FFFFFF"),  # white
]
NONE = " "


class Canvas:
    def __init__(self, w, h, fill="."):
        self.w, self.h = w, h
        self.px = [[fill] * w for _ in range(h)]

    def inside(self, x, y):
        return 0 <= x < self.w and 0 <= y < self.h

    def get(self, x, y):
        return self.px[y][x] if self.inside(x, y) else None

    def set(self, x, y, c):
        if self.inside(x, y):
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set(x, y, c)

    def hline(self, x0, x1, y, c):
        self.rect(min(x0, x1), y, max(x0, x1), y, c)

    def vline(self, x, y0, y1, c):
        self.rect(x, min(y0, y1), x, max(y0, y1), c)

    def line(self, x0, y0, x1, y1, c):
        """Bresenham line, both ends included."""
        x0, y0, x1, y1 = round(x0), round(y0), round(x1), round(y1)
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.set(x0, y0, c)
            if x0 == x1 and y0 == y1:
                return
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def polyline(self, pts, c):
        for (a, b) in zip(pts, pts[1:]):
            self.line(a[0], a[1], b[0], b[1], c)

    def blob(self, cx, cy, rx, ry, paint, angle=0.0):
        """Fills an ellipse (optionally rotated by `angle` radians); `paint(x, y)` gives
        each pixel's character, or a plain character may be passed."""
        ca, sa = math.cos(angle), math.sin(angle)
        r = int(max(rx, ry)) + 2
        for y in range(int(cy) - r, int(cy) + r + 1):
            for x in range(int(cx) - r, int(cx) + r + 1):
                dx, dy = x - cx, y - cy
                u = dx * ca + dy * sa
                v = -dx * sa + dy * ca
                if (u / rx) ** 2 + (v / ry) ** 2 <= 1.0:
                    self.set(x, y, paint(x, y) if callable(paint) else paint)

    def mask(self, c):
        return {(x, y) for y in range(self.h) for x in range(self.w) if self.px[y][x] == c}

    def outline(self, region, c):
        """Draws `c` on every pixel outside `region` that touches it (4-neighbourhood)."""
        for (x, y) in list(region):
            for (nx, ny) in ((x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)):
                if (nx, ny) not in region:
                    self.set(nx, ny, c)

    def stamp(self, rows, ox, oy, colours=None, skip="."):
        """Copies a hand-drawn pixel block; `colours` maps block characters to canvas ones."""
        for j, row in enumerate(rows):
            for i, ch in enumerate(row):
                if ch == skip:
                    continue
                self.set(ox + i, oy + j, colours.get(ch, ch) if colours else ch)

    def xpm(self, name, hotspot=None):
        used = {c for row in self.px for c in row}
        colours = [(ch, v) for ch, v in PALETTE if ch in used]
        if NONE in used:
            colours.append((NONE, "None"))
        unknown = used - {ch for ch, _ in colours}
        assert not unknown, f"{name}: unknown colours {unknown}"
        head = f"{self.w} {self.h} {len(colours)} 1"
        if hotspot:
            head += f" {hotspot[0]} {hotspot[1]}"
        lines = [f'"{head}"']
        lines += [f'"{ch} c {v}"' for ch, v in colours]
        lines += ['"' + "".join(row) + '"' for row in self.px]
        return (f"/* XPM */\nstatic char *{name}[] = {{\n" + ",\n".join(lines) + "\n};\n")
