// The page's side of the web host (web_page.h): elements for windows, their canvases,
// the browser's input queued until the program takes it, and the one wait.
mergeInto(LibraryManager.library, {
  $KlopPage: {
    dpr: 1,
    desktop: null,
    bars: null,
    windows: {},
    queue: [],
    wake: null,
    timer: 0,
    cursors: {},
    programCursor: 'default',
    hostCursor: '',
    lastDown: null,

    // Wakes the waiting program, if it waits: at once, while the browser goes on.
    push: function(e) {
      KlopPage.queue.push(e);
      var wake = KlopPage.wake;
      if (wake) {
        KlopPage.wake = null;
        clearTimeout(KlopPage.timer);
        wake();
      }
    },
    mods: function(e) {
      var m = (e.shiftKey ? 1 : 0) | (e.ctrlKey ? 2 : 0) | (e.altKey ? 4 : 0);
      if (e.getModifierState && e.getModifierState('AltGraph')) m |= 6;
      return m;
    },
    windowAt: function(cx, cy) {
      var el = document.elementFromPoint(cx, cy);
      var w = el && el.closest ? el.closest('.klop-window') : null;
      return w ? +w.dataset.id : 0;
    },
    pointer: function(kind, e) {
      var dpr = KlopPage.dpr;
      var x = Math.floor(e.clientX * dpr), y = Math.floor(e.clientY * dpr);
      var detail = 1;
      if (kind === 1) {
        // Two presses close in time and place are a double click.
        var last = KlopPage.lastDown;
        if (last && e.timeStamp - last.t < 500 && Math.abs(last.x - x) <= 4 * dpr &&
            Math.abs(last.y - y) <= 4 * dpr && last.n === 1) detail = 2;
        KlopPage.lastDown = {t: e.timeStamp, x: x, y: y, n: detail};
      }
      KlopPage.push({time: e.timeStamp, kind: kind, window: KlopPage.windowAt(e.clientX, e.clientY),
                     x: x, y: y,
                     button: e.button + 1,
                     pointer: e.pointerType === 'touch' ? 1 : e.pointerType === 'pen' ? 2 : 0,
                     mods: KlopPage.mods(e), repeat: 0, detail: detail, code: '', key: ''});
    },
    // Keys the browser keeps: Ctrl shortcuts (not AltGr), the system key, reload,
    // full screen and the developer tools. All others are the game's.
    browserKey: function(e) {
      var altGr = e.getModifierState && e.getModifierState('AltGraph');
      return (e.ctrlKey && !e.altKey && !altGr) || e.metaKey ||
             e.code === 'F5' || e.code === 'F11' || e.code === 'F12';
    },
    key: function(kind, e) {
      if (KlopPage.browserKey(e)) return;
      e.preventDefault();
      KlopPage.push({time: e.timeStamp, kind: kind, window: 0, x: 0, y: 0, button: 0, pointer: 0,
                     mods: KlopPage.mods(e), repeat: e.repeat ? 1 : 0, detail: 0,
                     code: e.code || '', key: e.key || ''});
    },
    simple: function(kind, x, y, window) {
      KlopPage.push({time: performance.now(), kind: kind, window: window || 0, x: x || 0,
                     y: y || 0, button: 0,
                     pointer: 0, mods: 0, repeat: 0, detail: 0, code: '', key: ''});
    },
    applyCursor: function() {
      var c = KlopPage.hostCursor || KlopPage.programCursor;
      var style = KlopPage.desktop.style;
      if (Array.isArray(c)) {
        style.cursor = c[0];
        style.cursor = c[1];  // kept only where image-set is understood
      } else {
        style.cursor = c;
      }
    },
    css: function(devicePixels) { return (devicePixels / KlopPage.dpr) + 'px'; },
    canvasOf: function(rgba, width, height) {
      var c = document.createElement('canvas');
      c.width = width;
      c.height = height;
      c.style.width = KlopPage.css(width);
      c.style.height = KlopPage.css(height);
      if (rgba) {
        var data = new Uint8ClampedArray(HEAPU8.buffer, rgba, width * height * 4);
        c.getContext('2d').putImageData(new ImageData(new Uint8ClampedArray(data), width, height),
                                        0, 0);
      }
      return c;
    },
  },

  klop_page_open__deps: ['$KlopPage'],
  klop_page_open: function() {
    var P = KlopPage;
    P.dpr = window.devicePixelRatio || 1;
    var d = document.getElementById('klop-desktop');
    if (!d) {
      d = document.createElement('div');
      d.id = 'klop-desktop';
      document.body.appendChild(d);
    }
    P.desktop = d;
    P.bars = document.createElement('div');
    P.bars.id = 'klop-bars';
    d.appendChild(P.bars);
    // The pointer stays ours while held, as a desktop's implicit grab keeps it.
    d.addEventListener('pointerdown', function(e) {
      e.preventDefault();
      if (d.setPointerCapture) {
        try { d.setPointerCapture(e.pointerId); } catch (err) {}
      }
      P.pointer(1, e);
    });
    d.addEventListener('pointermove', function(e) { P.pointer(2, e); });
    d.addEventListener('pointerup', function(e) { P.pointer(3, e); });
    d.addEventListener('pointercancel', function(e) { P.pointer(4, e); });
    d.addEventListener('pointerleave', function(e) {
      if (e.pointerType === 'mouse') P.simple(13);
    });
    d.addEventListener('contextmenu', function(e) { e.preventDefault(); });
    window.addEventListener('keydown', function(e) { P.key(5, e); });
    window.addEventListener('keyup', function(e) { P.key(6, e); });
    document.addEventListener('visibilitychange', function() {
      P.simple(document.visibilityState === 'hidden' ? 7 : 8);
    });
    window.addEventListener('resize', function() {
      P.simple(9, Math.floor(window.innerWidth * P.dpr), Math.floor(window.innerHeight * P.dpr));
    });
    window.addEventListener('blur', function() { P.simple(10); });
    window.addEventListener('focus', function() { P.simple(11); });
    return P.dpr;
  },
  klop_page_width__deps: ['$KlopPage'],
  klop_page_width: function() { return Math.floor(window.innerWidth * KlopPage.dpr); },
  klop_page_height__deps: ['$KlopPage'],
  klop_page_height: function() { return Math.floor(window.innerHeight * KlopPage.dpr); },

  klop_page_next__deps: ['$KlopPage'],
  klop_page_next: function(p) {
    var e = KlopPage.queue.shift();
    if (!e) return 0;
    HEAPF64[p >> 3] = e.time;
    var i = (p >> 2) + 2;
    HEAP32[i] = e.kind;
    HEAP32[i + 1] = e.window;
    HEAP32[i + 2] = e.x;
    HEAP32[i + 3] = e.y;
    HEAP32[i + 4] = e.button;
    HEAP32[i + 5] = e.pointer;
    HEAP32[i + 6] = e.mods;
    HEAP32[i + 7] = e.repeat;
    HEAP32[i + 8] = e.detail;
    stringToUTF8(e.code, p + 44, 32);
    stringToUTF8(e.key, p + 76, 32);
    return 1;
  },

  klop_page_wait__deps: ['$KlopPage'],
  klop_page_wait: function(ms) {
    return Asyncify.handleSleep(function(wakeUp) {
      if (KlopPage.queue.length) {
        setTimeout(wakeUp, 0);
        return;
      }
      KlopPage.wake = wakeUp;
      if (ms >= 0) {
        KlopPage.timer = setTimeout(function() {
          var wake = KlopPage.wake;
          KlopPage.wake = null;
          if (wake) wake();
        }, ms);
      }
    });
  },

  klop_window_create__deps: ['$KlopPage'],
  klop_window_create: function(id, framed, border, popup) {
    var el = document.createElement('div');
    el.className = 'klop-window' + (framed ? ' klop-framed' : '') + (popup ? ' klop-popup' : '');
    el.dataset.id = id;
    el.style.display = 'none';
    el.style.borderWidth = KlopPage.css(border);
    var canvas = document.createElement('canvas');
    canvas.width = 0;
    canvas.height = 0;
    el.appendChild(canvas);
    KlopPage.desktop.appendChild(el);
    // Desynchronized: a put goes to the compositor without a frame of the page, whose
    // commit copied the whole canvas each tick.
    var ctx = canvas.getContext('2d', {alpha: false, desynchronized: true});
    KlopPage.windows[id] = {el: el, canvas: canvas, ctx: ctx, img: null, border: border, bar: null};
  },
  klop_window_destroy__deps: ['$KlopPage'],
  klop_window_destroy: function(id) {
    var w = KlopPage.windows[id];
    if (!w) return;
    w.el.remove();
    if (w.bar) w.bar.remove();
    delete KlopPage.windows[id];
  },
  klop_window_place__deps: ['$KlopPage'],
  klop_window_place: function(id, x, y, width, height, top) {
    var w = KlopPage.windows[id];
    if (!w) return;
    w.el.style.left = KlopPage.css(x - w.border);
    w.el.style.top = KlopPage.css(y - top - w.border);
  },
  klop_window_show__deps: ['$KlopPage'],
  klop_window_show: function(id, shown, z) {
    var w = KlopPage.windows[id];
    if (!w) return;
    w.el.style.display = shown ? 'block' : 'none';
    w.el.style.zIndex = z;
  },
  klop_window_put__deps: ['$KlopPage'],
  klop_window_put: function(id, rgba, width, height, x, y, w, h) {
    var win = KlopPage.windows[id];
    if (!win) return;
    var c = win.canvas;
    if (c.width !== width || c.height !== height) {
      c.width = width;
      c.height = height;
      c.style.width = KlopPage.css(width);
      c.style.height = KlopPage.css(height);
      win.img = null;
    }
    // The ImageData lies over the program's memory: no copy of the picture is made,
    // and only the dirty rectangle is put.
    var img = win.img;
    if (!img || win.ptr !== rgba || img.data.buffer !== HEAPU8.buffer) {
      img = win.img = new ImageData(new Uint8ClampedArray(HEAPU8.buffer, rgba, width * height * 4),
                                    width, height);
      win.ptr = rgba;
    }
    win.ctx.putImageData(img, 0, 0, x, y, w, h);
  },
  klop_page_presented: function() { performance.mark('klop-first-present'); },
  klop_window_bar__deps: ['$KlopPage'],
  klop_window_bar: function(id, rgba, width, height) {
    var w = KlopPage.windows[id];
    if (!w) return;
    if (w.bar) {
      w.bar.remove();
      w.bar = null;
    }
    if (!rgba) return;
    var bar = KlopPage.canvasOf(rgba, width, height);
    bar.className = 'klop-bar';
    bar.addEventListener('pointerdown', function(e) { e.stopPropagation(); });
    bar.addEventListener('click', function() { KlopPage.simple(12, 0, 0, id); });
    KlopPage.bars.appendChild(bar);
    w.bar = bar;
  },

  klop_page_cursor__deps: ['$KlopPage'],
  klop_page_cursor: function(id, rgba, width, height, hotX, hotY) {
    var P = KlopPage;
    if (id < 0) {
      P.programCursor = 'none';
    } else if (width === 0) {
      P.programCursor = 'default';
    } else {
      if (rgba) {
        // One picture per image, its hot spot in CSS pixels.
        var url = 'url(' + P.canvasOf(rgba, width, height).toDataURL('image/png') + ')';
        var hx = Math.round(hotX / P.dpr), hy = Math.round(hotY / P.dpr);
        P.cursors[id] = P.dpr === 1 ? url + ' ' + hotX + ' ' + hotY + ', default'
                                    : [url + ' ' + hotX + ' ' + hotY + ', default',
                                       'image-set(' + url + ' ' + P.dpr + 'x) ' + hx + ' ' + hy +
                                       ', default'];
      }
      P.programCursor = P.cursors[id] || 'default';
    }
    P.applyCursor();
  },
  klop_page_host_cursor__deps: ['$KlopPage'],
  klop_page_host_cursor: function(name) {
    KlopPage.hostCursor = UTF8ToString(name);
    KlopPage.applyCursor();
  },

  klop_page_ended__deps: ['$KlopPage'],
  klop_page_ended: function(code) {
    if (Module['onKlopEnded']) Module['onKlopEnded'](code);
  },
});
