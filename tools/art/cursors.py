"""The mallet cursors and the program's icon."""

from canvas import NONE, Canvas
from critter import checker


def malet():
    """A claw hammer held upright: the face at the left, the claw curving down at the
    right, the handle straight down with a ribbed grip. Hot spot (15, 17)."""
    c = Canvas(32, 32, NONE)
    fill = set()
    for y in range(3, 9):
        for x in range(8, 17):
            fill.add((x, y))
    claw = {3: (17, 18), 4: (17, 20), 5: (17, 21), 6: (19, 22), 7: (21, 22), 8: (21, 22),
            9: (22, 22), 10: (22, 22)}
    for y, (a, b) in claw.items():
        for x in range(a, b + 1):
            fill.add((x, y))
    for y in range(9, 29):
        for x in range(14, 17):
            fill.add((x, y))
    for (x, y) in fill:
        c.set(x, y, "w")
    c.outline(fill, "k")
    # The face: a black line a pixel inside the striking end, like a steel band.
    c.vline(10, 3, 8, "k")
    # Grip: the handle's outline steps in on alternate rows.
    for y in range(19, 28, 2):
        c.set(13, y, NONE)
        c.set(17, y, NONE)
        c.set(14, y, "k")
        c.set(16, y, "k")
    return c


def malet_down():
    """The same hammer turned a quarter turn, swung down. Hot spot (17, 10)."""
    up = malet()
    c = Canvas(32, 32, NONE)
    for y in range(32):
        for x in range(32):
            sx, sy = 25 - y, x
            if 0 <= sx < 32:
                c.set(x, y, up.px[sy][sx])
    return c


def icon():
    """The critter's head close up with a balloon crying "Ow!"."""
    c = Canvas(32, 32, NONE)
    allpx = {(x, y) for y in range(32) for x in range(32)}

    def changed(snap):
        return {(x, y) for (x, y) in allpx if c.px[y][x] != snap[y][x]}

    # Antennae curling up to the top-left corner.
    c.polyline([(6, 14), (4, 10), (2, 6), (1, 3), (2, 1), (4, 1), (5, 3), (4, 4)], "p")
    c.polyline([(9, 13), (8, 9), (7, 5), (7, 2), (8, 0), (10, 0), (11, 2), (10, 3)], "n")
    # Mandibles: a pair of hooked pincers hanging down to row 29, tips towards each other.
    for pts, shade in (([(8, 25), (6, 27), (6, 28), (7, 29), (9, 29)], [(9, 25), (7, 27), (7, 28)]),
                       ([(14, 25), (16, 27), (16, 28), (15, 29), (13, 29)],
                        [(13, 25), (15, 27), (15, 28)])):
        c.polyline(pts, "G")
        c.polyline(shade, "g")
    snap = [row[:] for row in c.px]
    c.blob(10.5, 18.5, 10, 7, checker("n", "t"))
    c.outline(changed(snap), "k")
    snap = [row[:] for row in c.px]
    c.blob(13, 17.5, 5, 5, "r")
    c.outline(changed(snap), "k")
    for dx, dy in ((0, 0), (1, 0), (-1, 0), (0, 1), (0, -1)):
        c.set(12 + dx, 16 + dy, "y")
    # Balloon with its tail towards the head.
    balloon = [
        "...kkkkkkkkkkkkkk...",
        ".kkwwwwwwwwwwwwwwkk.",
        "kwwwwwwwwwwwwwwwwwwk",
        "kwwwwwwwwwwwwwwwwwwk",
        "kwwwwwwwwwwwwwwwwwwk",
        "kwwwwwwwwwwwwwwwwwwk",
        "kwwwwwwwwwwwwwwwwwwk",
        "kwwwwwwwwwwwwwwwwwwk",
        "kwwwwwwwwwwwwwwwwwwk",
        ".kkwwwwwwwwwwwwwwkk.",
        "...kwwkkkkkkkkkkk...",
        "..kwwk..............",
        ".kwk................",
        "kk..................",
    ]
    c.stamp(balloon, 12, 0)
    # "Ow!" by hand: a thick O, a pointed w, an exclamation mark.
    o = [".####.", "##..##", "##..##", "##..##", "##..##", "##..##", ".####."]
    w = [".......", ".......", "#.....#", "#.....#", "#..#..#", "#.#.#.#", ".#...#."]
    bang = ["#", "#", "#", "#", "#", ".", "#"]
    c.stamp(o, 14, 2, {"#": "k"})
    c.stamp(w, 21, 2, {"#": "k"})
    c.stamp(bang, 29, 2, {"#": "k"})
    return c
