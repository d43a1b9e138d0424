"""The game-over picture: a banner hung between two poles, with a critter at each foot."""

from canvas import Canvas
from critter import live_critter
from fonts import SERIF, draw_text, text_width

W, H = 262, 145
POLES = (49, 206)  # left columns of the two 8-pixel-wide poles (ball width)
TOP, FOOT = 24, 106
BANNER = (49, 32, 213, 64)
SHADOW = (7, 17)  # offset of the cast shadow
TEXT = "GAME OVER"
TEXT_X, TEXT_Y = 58, 40
GAP, SPACE = 3, 5


def pole(c, x0, colour_body="x", colour_shade="k"):
    """An 8-pixel ball on top of a 4-pixel shaft, grey lit from the left, black on the right."""
    ball = [
        "..kkkk..",
        ".xwxxxk.",
        "xwwxxxkk",
        "xwxxxxkk",
        "xxxxxkkk",
        "xxxxxkkk",
        ".xxkkkk.",
        "..kkkk..",
    ]
    c.stamp(ball, x0, TOP)
    for y in range(TOP + 8, FOOT + 1):
        c.hline(x0 + 2, x0 + 4, y, colour_body)
        c.set(x0 + 5, y, colour_shade)
    c.hline(x0 + 1, x0 + 6, FOOT, "k")


def draw():
    c = Canvas(W, H)
    dx, dy = SHADOW
    x0, y0, x1, y1 = BANNER
    rolls = [(px, px + 7) for px in POLES]
    mid, half = (x0 + x1) / 2, (x1 - x0) / 2 - 8

    def edges(x):
        """Top and bottom rows of the cloth at column x: the rolls hang straight, the
        cloth between them sags by two rows in the middle."""
        if any(a <= x <= b for a, b in rolls):
            return y0, y1 - 2
        t = (x - mid) / half
        sag = round(2 * max(0.0, 1 - t * t))
        return y0 + sag, y1 - 2 + sag

    # Shadow first: banner and poles shifted down-right; the banner hides most of it.
    for x in range(x0, x1 + 1):
        top, bottom = edges(x)
        c.vline(x + dx, top + dy, bottom + dy, "x")
    for px in POLES:
        c.rect(px + 2 + dx, y1 - 2 + dy, px + 5 + dx, FOOT, "x")
    for px in POLES:
        pole(c, px)
    # The cloth: a yellow and light grey checker with a black hem, rolled round the
    # poles at its ends, where the shaft's line shows through.
    for x in range(x0, x1 + 1):
        top, bottom = edges(x)
        for y in range(top, bottom + 1):
            c.set(x, y, "y" if (x + y) % 2 == 0 else ".")
        c.set(x, top, "k")
        c.set(x, bottom, "k")
    for a, b in rolls:
        for y in range(y0 + 1, y1 - 2):
            for x in range(a, b + 1):
                if (x + y) % 2 == 1:
                    c.set(x, y, "x" if x >= a + 5 else ".")
            c.set(a + 4, y, "x")
        c.vline(a, y0, y1 - 2, "k")
        c.vline(b, y0, y1 - 2, "k")
    assert text_width(SERIF, TEXT, GAP, SPACE) == 203 - 58 + 1
    draw_text(c, SERIF, TEXT, TEXT_X, TEXT_Y, "k", gap=GAP, space=SPACE)
    # Two little critters at the poles' feet, heads against the poles.
    s = 0.78
    live_critter(c, 1 - 3 * s, 103 - 52 * s, s)
    live_critter(c, 260 - 68 * s, 103 - 52 * s, s, mirror=True, width=72)
    return c
