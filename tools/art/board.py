"""The board: an upside-down T frame with a raised checkered rim around the score panel."""

from canvas import Canvas
from fonts import BOLD, draw_text

W, H = 260, 156
BEVEL = 3

# Outlines as closed polygons of corner points, clockwise; the rim lies between them.
OUTER = [(87, 2), (173, 2), (173, 58), (258, 58), (258, 137), (1, 137), (1, 58), (87, 58)]
INNER = [(106, 21), (154, 21), (154, 77), (239, 77), (239, 118), (20, 118), (20, 77), (106, 77)]

# Olive interiors (inclusive) and the labels' ink origins; the white edge adds a pixel
# to the left and above.
BOXES = {
    "time": (110, 38, 150, 59),
    "hits": (29, 96, 58, 113),
    "misses": (66, 96, 104, 113),
    "escaped": (122, 96, 161, 113),
    "score": (192, 96, 226, 112),
}
LABELS = [("Time", 118, 27), ("Hits", 30, 85), ("Misses", 67, 85), ("Escaped", 123, 85),
          ("Total", 193, 85)]


def inside(poly, x, y):
    """Point in polygon for pixel centres strictly inside the outline's line."""
    n, res = len(poly), False
    px, py = x + 0.5, y + 0.5
    for i in range(n):
        (x0, y0), (x1, y1) = poly[i], poly[(i + 1) % n]
        if (y0 > py) != (y1 > py):
            t = (py - y0) / (y1 - y0)
            if px < x0 + t * (x1 - x0):
                res = not res
    return res


def on_outline(poly, x, y):
    for i in range(len(poly)):
        (x0, y0), (x1, y1) = poly[i], poly[(i + 1) % len(poly)]
        if x0 == x1 == x and min(y0, y1) <= y <= max(y0, y1):
            return True
        if y0 == y1 == y and min(x0, x1) <= x <= max(x0, x1):
            return True
    return False


def edges(poly, kind):
    """Each edge as (axis, position, lo, hi, name): the name says which bevel lies along
    it ("top" is the bevel of a top edge of the frame, or the one above the panel) and
    the rim side is +1 if the rim lies towards larger coordinates."""
    out = []
    for i in range(len(poly)):
        (x0, y0), (x1, y1) = poly[i], poly[(i + 1) % len(poly)]
        if y0 == y1:
            lo, hi, axis, pos = min(x0, x1), max(x0, x1), "h", y0
            mid = (lo + hi) // 2
            in_below = inside(poly, mid, pos + 1)
            name = "top" if in_below else "bottom"
            rim_side = 1 if in_below == (kind == "outer") else -1
        else:
            lo, hi, axis, pos = min(y0, y1), max(y0, y1), "v", x0
            mid = (lo + hi) // 2
            in_right = inside(poly, pos + 1, mid)
            name = "left" if in_right else "right"
            rim_side = 1 if in_right == (kind == "outer") else -1
        out.append((axis, pos, lo, hi, name, rim_side))
    return out


def bevel_colour(x, y, kind, name):
    checker = (x + y) % 2 == 0
    if kind == "outer":
        return {"top": "c" if checker else "w", "left": "c", "right": "t", "bottom": "x"}[name]
    return {"top": "x", "left": "t", "right": "c", "bottom": "c" if checker else "w"}[name]


def classify(x, y, poly, kind):
    """Finds the bevel that a rim pixel belongs to. The nearest outline point decides:
    along a straight edge the bevel is that edge's; near a corner the offset from the
    corner picks the edge whose normal it follows more, which mitres the bevels at 45
    degrees on both inside and outside corners. The diagonal goes to the lit edge."""
    best = None
    for axis, pos, lo, hi, name, rim_side in edges(poly, kind):
        if axis == "h":
            nx, ny = min(max(x, lo), hi), pos
        else:
            nx, ny = pos, min(max(y, lo), hi)
        dx, dy = x - nx, y - ny
        if (dy if axis == "h" else dx) * rim_side <= 0:
            continue
        dist = max(abs(dx), abs(dy))
        if dist < 1 or dist > BEVEL:
            continue
        follows = abs(dy) >= abs(dx) if axis == "h" else abs(dx) >= abs(dy)
        if not follows:
            continue
        lit = name in (("top", "left") if kind == "outer" else ("right", "bottom"))
        key = (dist, 0 if lit else 1, 0 if axis == "h" else 1)
        if best is None or key < best[0]:
            best = (key, name)
    return best[1] if best else None


def draw():
    c = Canvas(W, H, ".")
    for y in range(H):
        for x in range(W):
            if on_outline(OUTER, x, y) or on_outline(INNER, x, y):
                c.set(x, y, "k")
            elif inside(OUTER, x, y) and not inside(INNER, x, y):
                name = classify(x, y, OUTER, "outer")
                kind = "outer"
                if name is None:
                    name = classify(x, y, INNER, "inner")
                    kind = "inner"
                if name is None:
                    c.set(x, y, "b" if (x + y) % 2 else "c")
                else:
                    c.set(x, y, bevel_colour(x, y, kind, name))
    for x0, y0, x1, y1 in BOXES.values():
        c.rect(x0, y0, x1, y1, "o")
        c.hline(x0 - 1, x1, y0 - 1, "x")
        c.vline(x0 - 1, y0 - 1, y1, "x")
        c.hline(x0 - 1, x1 + 1, y1 + 1, "w")
        c.vline(x1 + 1, y0 - 1, y1 + 1, "w")
    for text, x, y in LABELS:
        scratch = Canvas(W, H, ".")
        ink = draw_text(scratch, BOLD, text, x, y, "k")
        for (px, py) in ink:
            if (px - 1, py - 1) not in ink:
                c.set(px - 1, py - 1, "w")
        for (px, py) in ink:
            c.set(px, py, "k")
    return c


if __name__ == "__main__":
    import sys
    sys.stdout.write(draw().xpm("board"))
