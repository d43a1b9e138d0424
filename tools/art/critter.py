"""The critter: a beetle-like bug in side view (Live, and small on the game-over picture)
and squashed flat seen from above (Dead)."""

import math
import random

from canvas import Canvas


def checker(a, b):
    return lambda x, y: a if (x + y) % 2 == 0 else b


RAMP = ["n", "nt", "t", "tc", "c", "cG", "G"]


def abdomen_paint(cx, cy, angle, scale, rx, ry):
    """Curved segment stripes across the abdomen, lit from the upper left: lit segments
    run up the ramp navy-teal-cyan-green, the grooves between them two steps darker;
    a few yellow glints where the light is strongest."""
    ca, sa = math.cos(angle), math.sin(angle)

    def paint(x, y):
        u = ((x - cx) * ca + (y - cy) * sa) / scale
        v = (-(x - cx) * sa + (y - cy) * ca) / scale
        curved = u - 0.035 * v * v
        groove = (curved + 40) % 6.0 < 2.0
        light = -(0.35 * u / rx + 0.95 * v / ry)
        level = round(3.3 + 2.6 * light) - (3 if groove else 0)
        level = max(0, min(len(RAMP) - 1, level))
        if not groove and light > 0.62 and (x * 3 + y * 5) % 7 == 0:
            return "y"
        pair = RAMP[level]
        return pair[(x + y) % len(pair)]

    return paint


def live_critter(c, ox, oy, s=1.0, mirror=False, width=72):
    """Draws the standing critter; local coordinates are those of the 72x72 picture."""

    def X(x):
        return ox + (width - 1 - x) * s if mirror else ox + x * s

    def Y(y):
        return oy + y * s

    def P(pts):
        return [(X(x), Y(y)) for x, y in pts]

    turn = -1 if mirror else 1
    # Shadow on the ground, behind the critter and to its right.
    c.blob(X(47), Y(50), 21 * s, 2.8 * max(s, 0.9), "x")
    # Legs first, so that the body covers their roots.
    legs = [
        [(39, 39), (32, 41), (27, 52), (25, 52)],
        [(41, 41), (37, 45), (35, 52), (33, 52)],
        [(45, 41), (49, 45), (50, 52), (52, 52)],
        [(47, 39), (55, 41), (59, 52), (61, 52)],
    ]
    for leg in legs:
        c.polyline(P(leg), "k")
    # Abdomen, with a black rim.
    before = {(x, y) for y in range(c.h) for x in range(c.w)}
    snap = [row[:] for row in c.px]
    ang = 0.18 * turn
    c.blob(X(22), Y(33), 18 * s, 12 * s, abdomen_paint(X(22), Y(33), ang, s, 18, 12), ang)
    body = {(x, y) for (x, y) in before if c.px[y][x] != snap[y][x]}
    c.outline(body, "k")
    # Thorax and head.
    c.blob(X(42), Y(34), 7 * s, 6.5 * s, "k")
    head = set()
    snap = [row[:] for row in c.px]
    c.blob(X(54), Y(31), 9 * s, 8.5 * s, checker("n", "t"))
    head = {(x, y) for (x, y) in before if c.px[y][x] != snap[y][x]}
    c.outline(head, "k")
    # Antennae curling up over the head.
    c.polyline(P([(50, 23), (47, 20), (46, 17), (48, 16), (50, 16), (51, 18), (50, 19)]), "p")
    c.polyline(P([(57, 23), (60, 19), (63, 17), (66, 17), (67, 19), (66, 20), (64, 20)]), "p")
    # Mandible: a green hook under the eye.
    c.polyline(P([(58, 37), (62, 39), (65, 42), (66, 45), (64, 47), (62, 46)]), "G")
    c.polyline(P([(58, 38), (61, 40), (64, 43), (65, 45)]), "g")
    # The eye: red with a black rim and a yellow cross of light.
    snap = [row[:] for row in c.px]
    c.blob(X(57), Y(29), 5.2 * s, 5.2 * s, "r")
    eye = {(x, y) for (x, y) in before if c.px[y][x] != snap[y][x]}
    c.outline(eye, "k")
    hx, hy = round(X(55.5)), round(Y(27.5))
    for dx, dy in ((0, 0), (1, 0), (-1, 0), (0, 1), (0, -1)):
        c.set(hx + dx, hy + dy, "y")


def draw_live():
    c = Canvas(72, 72)
    live_critter(c, 0, 0)
    return c


def draw_dead():
    c = Canvas(72, 72)
    allpx = {(x, y) for y in range(72) for x in range(72)}

    def changed(snap):
        return {(x, y) for (x, y) in allpx if c.px[y][x] != snap[y][x]}

    # The splash spreads from under the body down to the bottom edge.
    rng = random.Random(7)
    speckle = {(x, y) for y in range(72) for x in range(72) if rng.random() < 0.07}

    def splash(x, y):
        return "m" if (x, y) in speckle else "r"

    for cx, cy, rx, ry in ((33, 50, 22, 12), (21, 61, 15, 10), (47, 62, 15, 9),
                           (32, 68, 21, 6), (10, 54, 8, 6), (56, 48, 8, 6)):
        c.blob(cx, cy, rx, ry, splash)
    for cx, cy, r in ((64, 56, 2.2), (6, 67, 2.5), (62, 69, 2.8), (3, 45, 1.6), (68, 63, 1.5),
                      (45, 71, 2)):
        c.blob(cx, cy, r, r, splash)
    # Legs splayed in all directions, each with a knee; grey shadows beside them.
    legs = [
        [(18, 40), (8, 31), (0, 20)],
        [(26, 34), (22, 20), (14, 11)],
        [(40, 29), (44, 16), (39, 9)],
        [(20, 47), (9, 52), (0, 63)],
        [(36, 41), (42, 54), (36, 66)],
        [(46, 35), (59, 40), (70, 36)],
    ]
    for leg in legs:
        c.polyline([(x + 1, y + 1) for x, y in leg], "x")
    for leg in legs:
        c.polyline(leg, "k")
        c.polyline([(x + 1, y) for x, y in leg[:2]], "k")
    # Body: a long flattened oval across the square, cyan and navy checkered.
    ang = -0.42
    c.blob(33, 40, 33, 11, "x", ang)
    snap = [row[:] for row in c.px]
    ca, sa = math.cos(ang), math.sin(ang)

    def body(x, y):
        # Checkered shell with flattened segment seams across it.
        u = (x - 30) * ca + (y - 38) * sa
        v = -(x - 30) * sa + (y - 38) * ca
        if -24 < u < 22 and (u - 0.04 * v * v + 60) % 8 < 1.0:
            return "n"
        return "c" if (x + y) % 2 == 0 else "n"

    c.blob(30, 38, 33, 10.5, body, ang)
    c.outline(changed(snap), "k")
    # Thorax and head at the upper right, the eye on top.
    c.blob(53, 25, 5.5, 5, "k")
    c.blob(61, 19, 7.5, 6.5, "x")
    snap = [row[:] for row in c.px]
    c.blob(60, 18, 7.5, 6.5, checker("n", "t"))
    c.outline(changed(snap), "k")
    c.polyline([(64, 12), (67, 10), (70, 10), (71, 12)], "p")
    c.polyline([(58, 12), (57, 10), (59, 9), (61, 9)], "p")
    c.polyline([(66, 23), (69, 25), (70, 28), (68, 29)], "G")
    snap = [row[:] for row in c.px]
    c.blob(61.5, 16.5, 4.6, 4.6, "r")
    c.outline(changed(snap), "k")
    for dx, dy in ((0, 0), (1, 0), (-1, 0), (0, 1), (0, -1)):
        c.set(61 + dx, 16 + dy, "y")
    return c
