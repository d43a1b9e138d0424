"""The browser's side of the web suite and benchmarks: the site served on a free
loopback port, Debian's headless Chromium driven by chromedriver (Selenium), and the
DevTools protocol for input at exact points, touch, screenshots and metrics."""
import base64
import functools
import http.server
import threading
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service


class _Quiet(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def serve(site, wasm_type=None):
    """Serves `site` on 127.0.0.1 at a free port, in a thread; answers the address.
    wasm_type: the Content-Type .wasm files are sent under, as a server may."""
    handler = _Quiet
    if wasm_type:
        types = dict(_Quiet.extensions_map, **{'.wasm': wasm_type})
        handler = type('Handler', (_Quiet,), {'extensions_map': types})
    server = http.server.ThreadingHTTPServer(
        ('127.0.0.1', 0), functools.partial(handler, directory=site))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return 'http://127.0.0.1:%d/' % server.server_port


def wait_for(seconds, fn):
    """Polls fn until it answers true or `seconds` have passed; answers its last value."""
    end = time.monotonic() + seconds
    while True:
        value = fn()
        if value or time.monotonic() > end:
            return value
        time.sleep(0.05)


class Browser:
    def __init__(self, scale=1, width=900, height=700):
        options = webdriver.ChromeOptions()
        options.binary_location = '/usr/bin/chromium'
        for arg in ('--headless=new', '--no-sandbox', '--disable-gpu',
                    '--window-size=%d,%d' % (width, height),
                    '--force-device-scale-factor=%d' % scale, '--no-first-run',
                    '--disable-background-networking', '--disable-extensions'):
            options.add_argument(arg)
        self.driver = webdriver.Chrome(service=Service('/usr/bin/chromedriver'), options=options)
        self.scale = scale

    def quit(self):
        self.driver.quit()

    def cdp(self, command, params=None):
        return self.driver.execute_cdp_cmd(command, params or {})

    def js(self, script, *args):
        return self.driver.execute_script(script, *args)

    def open(self, url):
        self.driver.get(url)

    def screenshot(self, path):
        data = self.cdp('Page.captureScreenshot', {'format': 'png'})['data']
        with open(path, 'wb') as f:
            f.write(base64.b64decode(data))

    # Input at CSS pixels of the page.
    def mouse(self, kind, x, y, button='left'):
        params = {'type': kind, 'x': x, 'y': y}
        if kind != 'mouseMoved':
            params.update(button=button, clickCount=1)
        self.cdp('Input.dispatchMouseEvent', params)

    # Presses half a second apart or more, so that none makes a double click.
    def _apart(self):
        wait = 0.55 - (time.monotonic() - getattr(self, '_pressed', 0))
        if wait > 0:
            time.sleep(wait)
        self._pressed = time.monotonic()

    def click(self, x, y):
        self._apart()
        self.mouse('mouseMoved', x, y)
        self.mouse('mousePressed', x, y)
        self.mouse('mouseReleased', x, y)

    def tap(self, x, y):
        self._apart()
        self.cdp('Emulation.setTouchEmulationEnabled', {'enabled': True, 'maxTouchPoints': 1})
        self.cdp('Input.dispatchTouchEvent', {'type': 'touchStart', 'touchPoints': [{'x': x, 'y': y}]})
        self.cdp('Input.dispatchTouchEvent', {'type': 'touchEnd', 'touchPoints': []})
        self.cdp('Emulation.setTouchEmulationEnabled', {'enabled': False})

    # Keys as a keyboard sends them: code, key, the Windows key code and, for a
    # character, its text. modifiers: 1 Alt, 2 Ctrl, 8 Shift (the protocol's).
    def key(self, code, key, vk, modifiers=0, text=None):
        down = {'type': 'keyDown' if text else 'rawKeyDown', 'code': code, 'key': key,
                'windowsVirtualKeyCode': vk, 'modifiers': modifiers}
        if text:
            down['text'] = text
        self.cdp('Input.dispatchKeyEvent', down)
        self.cdp('Input.dispatchKeyEvent', {'type': 'keyUp', 'code': code, 'key': key,
                                            'windowsVirtualKeyCode': vk, 'modifiers': modifiers})

    def alt_letter(self, letter):
        """Alt held, a letter key pressed and released, Alt released."""
        self.cdp('Input.dispatchKeyEvent', {'type': 'rawKeyDown', 'code': 'AltLeft', 'key': 'Alt',
                                            'windowsVirtualKeyCode': 18, 'modifiers': 1})
        self.key('Key' + letter.upper(), letter, ord(letter.upper()), modifiers=1)
        self.cdp('Input.dispatchKeyEvent', {'type': 'keyUp', 'code': 'AltLeft', 'key': 'Alt',
                                            'windowsVirtualKeyCode': 18})

    def task_seconds(self):
        self.cdp('Performance.enable')
        metrics = self.cdp('Performance.getMetrics')['metrics']
        return {m['name']: m['value'] for m in metrics}['TaskDuration']
