"""Writes every picture of the game into res/: python3 tools/art/draw_all.py"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import board  # noqa: E402
import critter  # noqa: E402
import cursors  # noqa: E402
import gameover  # noqa: E402

RES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "res")


def write(name, canvas, hotspot=None):
    with open(os.path.join(RES, name + ".xpm"), "w") as f:
        f.write(canvas.xpm(name, hotspot))


if __name__ == "__main__":
    write("board", board.draw())
    write("live", critter.draw_live())
    write("dead", critter.draw_dead())
    write("gameover", gameover.draw())
    write("malet", cursors.malet(), (15, 17))
    write("maletdown", cursors.malet_down(), (17, 10))
    write("critter", cursors.icon())
