#!/usr/bin/python3
"""End to end in the browser: the site in headless Chromium, played as the desktop
suites play the game, its first picture compared with the desktop's reference picture
(pixel-exact, and doubled at a device pixel ratio of 2).

    web_e2e.py SITE GOLDEN_DIR
"""
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from web_lib import Browser, serve, wait_for  # noqa: E402

site, golden_dir = sys.argv[1], sys.argv[2]
golden = os.path.join(golden_dir, 'game_first_picture.png')
work = tempfile.mkdtemp(prefix='web_e2e.')
failed = []


current = None  # the browser of the checks under way


def check(what, ok):
    print(('ok    ' if ok else 'FAIL  ') + what, flush=True)
    if not ok:
        failed.append(what)
        if current is not None:
            shot = os.path.join(work, 'failed-%d.png' % len(failed))
            current.screenshot(shot)
            print('      the page then: ' + shot)


# The frame (the first window made) on the page: its canvas in CSS pixels, the canvas's
# size in device pixels, and the height of the strips above the client (caption and menu
# bar), for a client of 282 x 400 platform pixels shown `scale` times.
FRAME = """
var el = [...document.querySelectorAll('.klop-window.klop-framed')]
  .sort((a, b) => a.dataset.id - b.dataset.id)[0];
if (!el) return null;
var c = el.querySelector('canvas'), r = c.getBoundingClientRect();
return {left: r.left, top: r.top, width: c.width, height: c.height};
"""
SHOWN = """return [...document.querySelectorAll('.klop-framed')]
  .filter(w => w.style.display === 'block').length;"""
PIXELS = """
var c = document.querySelector('.klop-window[data-id="' + arguments[0] + '"] canvas');
return Array.from(c.getContext('2d').getImageData(arguments[1], arguments[2], arguments[3],
                                                  arguments[4]).data).join(',');
"""


class Game:
    def __init__(self, browser):
        self.b = browser
        self.s = browser.scale
        self.dpr = browser.js('return devicePixelRatio')
        f = wait_for(5, lambda: browser.js(FRAME))
        if not f:
            raise SystemExit('web_e2e: no frame on the page')
        self.f = f
        self.top = f['height'] - 400 * self.s  # caption and menu bar, device pixels
        self.bar = self.top // self.s - 19     # the menu bar's strip, platform pixels

    def refresh(self):
        self.f = self.b.js(FRAME)

    # A client point (platform pixels) in the page's CSS pixels.
    def at(self, x, y):
        return (self.f['left'] + (x * self.s + self.s // 2) / self.dpr,
                self.f['top'] + (self.top + y * self.s + self.s // 2) / self.dpr)

    # A point of the window's surface above the client (the menu bar).
    def bar_at(self, x):
        return (self.f['left'] + (x * self.s) / self.dpr,
                self.f['top'] + ((19 + self.bar // 2) * self.s) / self.dpr)

    def pixels(self, x, y, w, h):
        return self.b.js(PIXELS, 1, x * self.s, self.top + y * self.s, w * self.s, h * self.s)

    def pixel(self, x, y):
        return tuple(int(v) for v in self.pixels(x, y, 1, 1).split(',')[:3])

    def game_over_shown(self):
        return self.pixel(85, 103) == (0, 0, 0)

    def running(self):
        return not self.game_over_shown()

    # The time box shows tenths: a running clock differs after 0.45 s.
    def time_moves(self):
        a = self.pixels(130, 252, 32, 22)
        wait_for(0.45, lambda: False)
        return a != self.pixels(130, 252, 32, 22)

    def time_still(self):
        a = self.pixels(130, 252, 32, 22)
        wait_for(0.45, lambda: False)
        return a == self.pixels(130, 252, 32, 22)

    def misses(self):
        return self.pixels(76, 306, 40, 24)

    def first_picture_matches(self, name):
        shot = os.path.join(work, name + '.png')
        self.b.screenshot(shot)
        x = round(self.f['left'] * self.dpr)
        y = round(self.f['top'] * self.dpr) + self.top
        reference = golden
        if self.s != 1:
            reference = os.path.join(work, name + '-reference.png')
            subprocess.run(['convert', golden, '-scale', '%d%%' % (100 * self.s), reference],
                           check=True)
        crop = os.path.join(work, name + '-client.png')
        subprocess.run(['convert', shot, '-crop', '%dx%d+%d+%d' % (282 * self.s, 400 * self.s, x, y),
                        '+repage', '-alpha', 'off', crop], check=True)
        out = subprocess.run(['compare', '-metric', 'AE', crop, reference, 'null:'],
                             capture_output=True, text=True)
        print('      %s: %s pixels differ' % (name, out.stderr.strip()))
        return out.returncode == 0 and out.stderr.strip() == '0'


url = serve(site)

# --- At a device pixel ratio of 2: every pixel doubled -------------------------------
b = current = Browser(scale=2)
try:
    b.open(url)
    g = Game(b)
    check('at a device pixel ratio of 2 the game draws at scale 2', g.s == 2 and g.dpr == 2
          and g.f['width'] == 564)
    wait_for(3, g.game_over_shown)
    check('...its first picture is the reference picture doubled, pixel for pixel',
          g.first_picture_matches('scale2'))
finally:
    b.quit()

b = current = Browser(scale=1)
try:
    b.open(url)
    g = Game(b)
    check('the frame is 282 wide with a menu bar above the 400-pixel client',
          g.f['width'] == 282 and 15 <= g.bar <= 25)
    check('the game-over picture shows before the first game', wait_for(3, g.game_over_shown))
    check('the first picture is the reference picture, pixel for pixel',
          g.first_picture_matches('scale1'))
    check('the time stands still before a game', g.time_still())

    # --- The cursor: the mallet over the game, swung while pressed; the arrow above ----
    CURSOR = "return document.getElementById('klop-desktop').style.cursor"
    x, y = g.at(140, 190)
    b.mouse('mouseMoved', x, y)
    up = wait_for(3, lambda: 'url(' in b.js(CURSOR) and b.js(CURSOR))
    check('over the game the cursor is the mallet, hot spot (15,17)', bool(up) and ' 15 17,' in up)
    b.mouse('mousePressed', x, y)
    check('...held down, the swung mallet (hot spot (17,10))',
          wait_for(3, lambda: 'url(' in b.js(CURSOR) and ' 17 10,' in b.js(CURSOR)))
    b.mouse('mouseReleased', x, y)
    check('...released, the first again', wait_for(3, lambda: b.js(CURSOR) == up))
    b.mouse('mouseMoved', g.f['left'] + 100, g.f['top'] + 8)
    check('over the caption the arrow', wait_for(3, lambda: b.js(CURSOR) == 'default'))

    # --- New from the keyboard: Alt+G, N -----------------------------------------------
    b.alt_letter('g')
    b.key('KeyN', 'n', 78, text='n')
    check('New by keyboard: the game-over picture goes', wait_for(3, g.running))
    check('...and the time counts down', wait_for(3, g.time_moves))

    # --- Pause and Continue from the menu bar ------------------------------------------
    b.click(*g.bar_at(57))
    check('Pause from the bar stops the time', wait_for(3, g.time_still))
    b.click(*g.bar_at(57))
    check('Continue from the bar runs it again', wait_for(3, g.time_moves))

    # --- A hidden tab: the frame counts as minimised, its game's clock stops ------------
    # (headless Chromium hides no tab: the page is told as a browser tells it)
    TAB = """Object.defineProperty(document, 'visibilityState', {value: arguments[0],
                                                              configurable: true});
             document.dispatchEvent(new Event('visibilitychange'));"""
    b.js(TAB, 'hidden')
    check('a hidden tab stops the time', wait_for(3, g.time_still))
    b.js(TAB, 'visible')
    check('...and shown again the time runs on', wait_for(3, g.time_moves))

    # --- A click and a touch tap: each a swing that hits nothing, counted as a miss ----
    before = g.misses()
    b.click(*g.at(141, 40))
    check('a click is a swing: the misses go up', wait_for(3, lambda: g.misses() != before))
    before = g.misses()
    b.tap(*g.at(141, 40))
    check('a touch tap is a swing: the misses go up', wait_for(3, lambda: g.misses() != before))

    # --- About: a modal dialog over the frame, closed by Enter -------------------------
    b.click(*g.bar_at(96))
    check('About opens a dialog', wait_for(3, lambda: b.js(SHOWN) == 2))
    b.click(*g.at(141, 40))
    check('...modal: a click on the frame leaves it open and in front', wait_for(3, lambda: b.js(
        "var w = [...document.querySelectorAll('.klop-framed')].filter(w => w.style.display === 'block')"
        ".sort((a, b) => a.dataset.id - b.dataset.id); return w.length == 2 && +w[1].style.zIndex > +w[0].style.zIndex")))
    b.key('Enter', 'Enter', 13, text='\r')
    check('...and Enter closes it', wait_for(3, lambda: b.js(SHOWN) == 1))

    # --- Options: a 2-second game typed into the game time's field ---------------------
    b.alt_letter('g')
    b.key('KeyS', 's', 83, text='s')
    check('Stop by keyboard shows the game-over picture', wait_for(3, g.game_over_shown))
    b.alt_letter('g')
    b.key('KeyO', 'o', 79, text='o')
    check('the options dialog opens', wait_for(3, lambda: b.js(SHOWN) == 2))
    b.alt_letter('t')
    b.key('End', 'End', 35)
    for _ in range(4):
        b.key('Backspace', 'Backspace', 8)
    b.key('Digit2', '2', 50, text='2')
    b.key('Enter', 'Enter', 13, text='\r')
    check('OK closes the dialog', wait_for(3, lambda: b.js(SHOWN) == 1))
    b.alt_letter('g')
    b.key('KeyN', 'n', 78, text='n')
    check('a new game runs', wait_for(3, g.running))
    check('...and is over within 2 seconds as typed', wait_for(4, g.game_over_shown))

    # --- Maximise by the caption's box: the frame fills the page; restore puts it back --
    g.refresh()
    before = g.f
    b.click(g.f['left'] + 282 - 18 - 9, g.f['top'] + 9)
    check('the maximise box makes the frame fill the page',
          wait_for(3, lambda: (lambda f: f is not None and f['left'] < before['left'] and
                                         f['width'] > before['width'])(b.js(FRAME))))
    g.refresh()
    b.click(g.f['left'] + g.f['width'] - 18 - 9, g.f['top'] + 9)
    check('...and its restore box puts it back where it was',
          wait_for(3, lambda: b.js(FRAME) == before))

    # --- Minimise by the caption's box, restore from the bar at the page's bottom -------
    # The boxes from the right: close, maximise, minimise, 18 pixels each.
    g.refresh()
    b.click(g.f['left'] + 282 - 2 * 18 - 9, g.f['top'] + 9)
    check('the minimise box hides the frame and shows its bar',
          wait_for(3, lambda: b.js(SHOWN) == 0 and b.js("return document.querySelectorAll('.klop-bar').length") == 1))
    bar = b.js("var r = document.querySelector('.klop-bar').getBoundingClientRect(); return [r.left + 40, r.top + 5]")
    b.click(*bar)
    check('...and a click on the bar restores it where it was',
          wait_for(3, lambda: b.js(SHOWN) == 1 and b.js(FRAME) == g.f))

    # --- Closing: the frame's close box ends the program with 0 ------------------------
    g.refresh()
    close = (g.f['left'] + 282 - 9, g.f['top'] + 9)
    b.click(*close)
    ended = wait_for(5, lambda: b.js('return window.klopExitCode'))
    check('closing the frame ends the program with exit code 0 (got %r)' %
          b.js('return window.klopExitCode'), b.js('return window.klopExitCode') == 0)
    text = b.js("return document.getElementById('klop-note-text').textContent")
    check('the page says the game has ended, with its code', 'ended (exit code 0)' in text)
    check('...and offers to start again',
          b.js("return !document.getElementById('klop-again').hidden"))

    # --- A server that sends .wasm under another type still serves the game ------------
    b.open(serve(site, wasm_type='application/octet-stream'))
    check('served with .wasm as application/octet-stream, the game starts', wait_for(
        5, lambda: b.js("return performance.getEntriesByName('klop-first-present').length")))

    # --- A browser without WebAssembly gets a sentence, not a blank page ---------------
    b.cdp('Page.addScriptToEvaluateOnNewDocument', {'source': 'delete window.WebAssembly;'})
    b.open(url)
    check('without WebAssembly the page says it needs it', wait_for(3, lambda: 'needs a browser with '
          'WebAssembly' in b.js("return document.getElementById('klop-note-text').textContent")))
finally:
    b.quit()

if failed:
    print('web_e2e: %d checks failed' % len(failed))
    sys.exit(1)
shutil.rmtree(work)  # kept when a check failed: its screenshots are there
print('web_e2e: all checks passed')
