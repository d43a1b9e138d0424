// The classic look: 3-D edges one pixel per line, embossed gray text, dotted focus
// rectangles, checkered scroll tracks and the message-box icons, all in system colours.
//
// System metrics (GetSystemMetrics), the classic desktop's values at 96 dots per inch:
// - SM_CYMENU 19: a 13-pixel dialog-font cell with 3 pixels above and below.
// - SM_CXVSCROLL, SM_CYHSCROLL, SM_CXHSCROLL 16: scroll bars and their square arrows.
// - SM_CXICON, SM_CYICON, SM_CXCURSOR, SM_CYCURSOR 32: the only icon and cursor size
//   the platform draws.
// - SM_CXBORDER, SM_CYBORDER 1: every bevel line is one pixel.
// - SM_CYCAPTION 19: the caption strip of the classic frame (the desktop draws ours).
// - SM_CXDOUBLECLK, SM_CYDOUBLECLK 4: the pointer may move this far between clicks.
// - SM_CXSCREEN, SM_CYSCREEN: the host's work area, where windows can show.
// Anything else answers 0, as the platform does for an unknown index.
#include "platform/ui/look.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/gdi/font.h"
#include "platform/gdi/gdi.h"
#include "platform/host/host.h"
#include "platform/ui/ui.h"
#include "platform/window/window_internal.h"

namespace platform::look {
namespace {

constexpr COLORREF kBlack = 0x000000;
constexpr COLORREF kWhite = 0xFFFFFF;

COLORREF Sys(int index) {
  return GetSysColor(index);
}

void Fill(HDC dc, int l, int t, int r, int b, int sysColor) {
  const RECT rc{l, t, r, b};
  if (r > l && b > t) FillRect(dc, &rc, GetSysColorBrush(sysColor));
}

// Two-coloured one-pixel frame: `tl` along the top and left, `br` along the bottom and
// right (which own the corners they share).
void Bevel(HDC dc, const RECT& r, int tl, int br) {
  if (r.right <= r.left || r.bottom <= r.top) return;
  Fill(dc, r.left, r.top, r.right - 1, r.top + 1, tl);
  Fill(dc, r.left, r.top, r.left + 1, r.bottom - 1, tl);
  Fill(dc, r.left, r.bottom - 1, r.right, r.bottom, br);
  Fill(dc, r.right - 1, r.top, r.right, r.bottom, br);
}

RECT Shift(const RECT& r, int dx, int dy) {
  return RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

RECT Inset(const RECT& r, int by) {
  return RECT{r.left + by, r.top + by, r.right - by, r.bottom - by};
}

const TBitmapFont& Font() {
  return DialogFont();
}

// The visible characters of a text with `&` markers, and where the underline goes.
struct TStripped {
  std::string text;
  int mnemonicAt = -1;  // index in `text`
};

TStripped Strip(LPCSTR text, bool prefix) {
  TStripped out;
  if (text == nullptr) return out;
  for (const char* p = text; *p != '\0'; ++p) {
    if (prefix && *p == '&') {
      ++p;
      if (*p == '\0') break;
      if (*p != '&' && out.mnemonicAt < 0) out.mnemonicAt = static_cast<int>(out.text.size());
    }
    out.text.push_back(*p);
  }
  return out;
}

void DrawOnce(HDC dc, int x, int y, const TStripped& s, COLORREF color) {
  HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  const COLORREF oldColor = SetTextColor(dc, color);
  TextOutA(dc, x, y, s.text.c_str(), static_cast<int>(s.text.size()));
  if (s.mnemonicAt >= 0) {
    const int ux = x + Font().TextWidth(s.text.c_str(), s.mnemonicAt);
    const int uw = Font().Advance(static_cast<unsigned char>(s.text[s.mnemonicAt]));
    const int uy = y + Font().Metrics().ascent;
    for (int i = 0; i < uw; ++i) SetPixel(dc, ux + i, uy, color);
  }
  SetTextColor(dc, oldColor);
  SetBkMode(dc, oldMode);
  SelectObject(dc, oldFont);
}

// The part of `r` that drawing on `dc` can reach. Pixel patterns walk only this, so
// that a control far larger than its window costs no more than one that fits.
RECT Drawable(HDC dc, const RECT& r) {
  RECT box{};
  if (GetClipBox(dc, &box) == 0) return {0, 0, 0, 0};
  return {std::max(r.left, box.left), std::max(r.top, box.top), std::min(r.right, box.right),
          std::min(r.bottom, box.bottom)};
}

// A filled triangle pointing `arrow`, its base `base` pixels (odd), centred in `r`.
void Triangle(HDC dc, const RECT& r, Arrow arrow, int base, COLORREF color) {
  const int depth = (base + 1) / 2;
  const bool horizontal = arrow == Arrow::Left || arrow == Arrow::Right;
  const int w = r.right - r.left;
  const int h = r.bottom - r.top;
  const int x0 = r.left + (w - (horizontal ? depth : base)) / 2;
  const int y0 = r.top + (h - (horizontal ? base : depth)) / 2;
  const int mid = base / 2;
  const RECT v =
      Drawable(dc, {x0, y0, x0 + (horizontal ? depth : base), y0 + (horizontal ? base : depth)});
  for (int i = 0; i < depth; ++i) {
    // Line i runs across the arrow: a column of a left or right arrow, else a row.
    int line = 0;
    switch (arrow) {
      case Arrow::Left:
        line = x0 + i;
        break;
      case Arrow::Right:
        line = x0 + depth - 1 - i;
        break;
      case Arrow::Up:
        line = y0 + i;
        break;
      case Arrow::Down:
        line = y0 + depth - 1 - i;
        break;
    }
    if (line < (horizontal ? v.left : v.top) || line >= (horizontal ? v.right : v.bottom)) continue;
    const int start = horizontal ? y0 : x0;
    const int from = std::max<int>(mid - i, (horizontal ? v.top : v.left) - start);
    const int to = std::min<int>(mid + i, (horizontal ? v.bottom : v.right) - 1 - start);
    for (int j = from; j <= to; ++j) {
      if (horizontal) {
        SetPixel(dc, line, start + j, color);
      } else {
        SetPixel(dc, start + j, line, color);
      }
    }
  }
}

}  // namespace

RECT DrawEdge(HDC dc, const RECT& r, Edge edge) {
  switch (edge) {
    case Edge::Raised:
      Bevel(dc, r, COLOR_BTNHIGHLIGHT, COLOR_3DDKSHADOW);
      Bevel(dc, Inset(r, 1), COLOR_3DLIGHT, COLOR_BTNSHADOW);
      return Inset(r, 2);
    case Edge::Sunken:
      Bevel(dc, r, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT);
      Bevel(dc, Inset(r, 1), COLOR_3DDKSHADOW, COLOR_3DLIGHT);
      return Inset(r, 2);
    case Edge::RaisedThin:
      Bevel(dc, r, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW);
      return Inset(r, 1);
    case Edge::SunkenThin:
      Bevel(dc, r, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT);
      return Inset(r, 1);
    case Edge::Pressed:
      FrameColor(dc, r, COLOR_3DDKSHADOW);
      FrameColor(dc, Inset(r, 1), COLOR_BTNSHADOW);
      return Inset(r, 2);
  }
  return r;
}

void FillFace(HDC dc, const RECT& r) {
  FillColor(dc, r, COLOR_BTNFACE);
}

void FillColor(HDC dc, const RECT& r, int sysColor) {
  Fill(dc, r.left, r.top, r.right, r.bottom, sysColor);
}

void FrameColor(HDC dc, const RECT& r, int sysColor) {
  Bevel(dc, r, sysColor, sysColor);
}

void DrawMnemonicText(HDC dc, int x, int y, LPCSTR text, COLORREF color, TextState state,
                      bool prefix) {
  const TStripped s = Strip(text, prefix);
  if (s.text.empty()) return;
  if (state == TextState::Grayed) {
    DrawOnce(dc, x + 1, y + 1, s, Sys(COLOR_BTNHIGHLIGHT));
    DrawOnce(dc, x, y, s, Sys(COLOR_GRAYTEXT));
  } else {
    DrawOnce(dc, x, y, s, color);
  }
}

SIZE MnemonicTextSize(LPCSTR text, bool prefix) {
  const TStripped s = Strip(text, prefix);
  return SIZE{Font().TextWidth(s.text.c_str(), static_cast<int>(s.text.size())),
              Font().Metrics().height};
}

char MnemonicOf(LPCSTR text) {
  const TStripped s = Strip(text, true);
  if (s.mnemonicAt < 0) return 0;
  char c = s.text[s.mnemonicAt];
  if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return c;
}

void DrawAlignedText(HDC dc, const RECT& r, LPCSTR text, Align align, COLORREF color,
                     TextState state, bool prefix) {
  const SIZE size = MnemonicTextSize(text, prefix);
  int x = r.left;
  if (align == Align::Center) x = r.left + (r.right - r.left - size.cx) / 2;
  if (align == Align::Right) x = r.right - size.cx;
  DrawMnemonicText(dc, x, r.top, text, color, state, prefix);
}

void DrawFocusRect(HDC dc, const RECT& r) {
  if (r.right - r.left < 2 || r.bottom - r.top < 2) return;
  // The halftone pattern, counted from the rectangle's corner, along its outline only.
  const COLORREF c = Sys(COLOR_WINDOWTEXT);
  const RECT v = Drawable(dc, r);
  const auto dot = [&](int x, int y) {
    if (((x - r.left) + (y - r.top)) % 2 == 0) SetPixel(dc, x, y, c);
  };
  for (const int y : {r.top, r.bottom - 1}) {
    if (y < v.top || y >= v.bottom) continue;
    for (int x = v.left; x < v.right; ++x) dot(x, y);
  }
  for (const int x : {r.left, r.right - 1}) {
    if (x < v.left || x >= v.right) continue;
    for (int y = std::max(v.top, r.top + 1); y < std::min(v.bottom, r.bottom - 1); ++y) dot(x, y);
  }
}

void DrawPushButton(HDC dc, const RECT& r, LPCSTR caption, const ButtonState& state) {
  RECT face = r;
  if (state.isDefault) {
    FrameColor(dc, face, COLOR_3DDKSHADOW);
    face = Inset(face, 1);
  }
  if (state.pressed) {
    if (!state.isDefault) {
      FrameColor(dc, face, COLOR_3DDKSHADOW);
      face = Inset(face, 1);
    }
    FrameColor(dc, face, COLOR_BTNSHADOW);
    face = Inset(face, 1);
  } else {
    face = DrawEdge(dc, face, Edge::Raised);
  }
  FillFace(dc, face);
  const SIZE size = MnemonicTextSize(caption);
  const int shift = state.pressed ? 1 : 0;
  const int x = r.left + (r.right - r.left - size.cx) / 2 + shift;
  const int y = r.top + (r.bottom - r.top - size.cy) / 2 + shift;
  DrawMnemonicText(dc, x, y, caption, Sys(COLOR_BTNTEXT),
                   state.disabled ? TextState::Grayed : TextState::Normal);
  if (state.focused && !state.disabled) DrawFocusRect(dc, Inset(r, 4));
}

namespace {

// A scroll arrow's button without its arrow: raised, or pressed flat with a grey frame.
void ArrowButton(HDC dc, const RECT& r, bool pressed) {
  RECT face = r;
  if (pressed) {
    FrameColor(dc, r, COLOR_BTNSHADOW);
    face = Inset(r, 1);
  } else {
    face = DrawEdge(dc, r, Edge::Raised);
  }
  FillFace(dc, face);
}

}  // namespace

void DrawScrollArrow(HDC dc, const RECT& r, Arrow arrow, bool pressed, bool disabled) {
  ArrowButton(dc, r, pressed);
  const int side = std::min(r.right - r.left, r.bottom - r.top);
  const int base = std::max(((side - 4) / 2) | 1, 1);
  const RECT at = pressed ? Shift(r, 1, 1) : r;
  if (disabled) {
    Triangle(dc, Shift(at, 1, 1), arrow, base, Sys(COLOR_BTNHIGHLIGHT));
    Triangle(dc, at, arrow, base, Sys(COLOR_GRAYTEXT));
  } else {
    Triangle(dc, at, arrow, base, Sys(COLOR_BTNTEXT));
  }
}

void DrawCaptionBox(HDC dc, const RECT& r, CaptionBox box, bool pressed) {
  if (box == CaptionBox::Minimize || box == CaptionBox::Maximize) {
    DrawScrollArrow(dc, r, box == CaptionBox::Minimize ? Arrow::Down : Arrow::Up, pressed, false);
    return;
  }
  if (box == CaptionBox::Restore) {
    // Up over down, each in its half of the box.
    ArrowButton(dc, r, pressed);
    const int in = pressed ? 1 : 0;
    const int mid = (r.top + r.bottom) / 2;
    const int base = std::max(((std::min(r.right - r.left, r.bottom - r.top) - 8) / 2) | 1, 1);
    Triangle(dc, RECT{r.left + in, r.top + 2 + in, r.right + in, mid + 1 + in}, Arrow::Up, base,
             Sys(COLOR_BTNTEXT));
    Triangle(dc, RECT{r.left + in, mid - 1 + in, r.right + in, r.bottom - 2 + in}, Arrow::Down,
             base, Sys(COLOR_BTNTEXT));
    return;
  }
  ArrowButton(dc, r, pressed);
  // Two strokes two pixels thick, corner to corner of the box's middle.
  const int in = pressed ? 1 : 0;
  const int side = std::min(r.right - r.left, r.bottom - r.top);
  const int strokes = side - 10;
  for (int i = 0; i < strokes; ++i) {
    const int y = r.top + 4 + i + in;
    Fill(dc, r.left + 4 + i + in, y, r.left + 6 + i + in, y + 1, COLOR_BTNTEXT);
    Fill(dc, r.left + 3 + strokes - i + in, y, r.left + 5 + strokes - i + in, y + 1, COLOR_BTNTEXT);
  }
}

void DrawScrollTrack(HDC dc, const RECT& r, bool held) {
  if (held) {
    FillColor(dc, r, COLOR_3DDKSHADOW);
    return;
  }
  FillColor(dc, r, COLOR_3DLIGHT);
  const COLORREF white = Sys(COLOR_BTNHIGHLIGHT);
  const RECT v = Drawable(dc, r);
  for (int y = v.top; y < v.bottom; ++y) {
    for (int x = v.left + ((v.left + y) & 1); x < v.right; x += 2) SetPixel(dc, x, y, white);
  }
}

void DrawScrollThumb(HDC dc, const RECT& r) {
  FillFace(dc, DrawEdge(dc, r, Edge::Raised));
}

RECT DrawEditField(HDC dc, const RECT& r, bool disabled) {
  const RECT inside = DrawEdge(dc, r, Edge::Sunken);
  FillColor(dc, inside, disabled ? COLOR_BTNFACE : COLOR_WINDOW);
  return inside;
}

void DrawMenuItem(HDC dc, const RECT& r, int textX, LPCSTR text, bool highlighted, bool grayed) {
  FillColor(dc, r, highlighted ? COLOR_HIGHLIGHT : COLOR_MENU);
  const int y = r.top + (r.bottom - r.top - Font().Metrics().height) / 2;
  if (highlighted) {
    DrawMnemonicText(dc, textX, y, text, Sys(grayed ? COLOR_GRAYTEXT : COLOR_HIGHLIGHTTEXT),
                     TextState::Normal);
  } else {
    DrawMnemonicText(dc, textX, y, text, Sys(COLOR_MENUTEXT),
                     grayed ? TextState::Grayed : TextState::Normal);
  }
}

void DrawMenuSeparator(HDC dc, const RECT& r) {
  FillColor(dc, r, COLOR_MENU);
  const int y = r.top + (r.bottom - r.top) / 2 - 1;
  Fill(dc, r.left, y, r.right, y + 1, COLOR_BTNSHADOW);
  Fill(dc, r.left, y + 1, r.right, y + 2, COLOR_BTNHIGHLIGHT);
}

void DrawMessageIcon(HDC dc, int x, int y, Icon icon) {
  // Drawn from geometry on a 32 by 32 grid, sampled at pixel centres.
  for (int py = 0; py < kIconSize; ++py) {
    for (int px = 0; px < kIconSize; ++px) {
      const double cx = px + 0.5;
      const double cy = py + 0.5;
      COLORREF c = 0;
      bool paint = false;
      if (icon == Icon::Stop) {
        const double dx = cx - 15.0;
        const double dy = cy - 15.0;
        const double d2 = dx * dx + dy * dy;
        const double sx = cx - 17.0;  // the shadow, two pixels down-right
        const double sy = cy - 17.0;
        if (d2 <= 14.0 * 14.0) {
          paint = true;
          c = d2 > 13.0 * 13.0 ? RGB(128, 0, 0) : RGB(255, 0, 0);
          const int ax = px - 15;
          const int ay = py - 15;
          const bool onCross = (ax - ay >= -1 && ax - ay <= 1) || (ax + ay >= -1 && ax + ay <= 1);
          if (onCross && ax >= -6 && ax <= 6 && ay >= -6 && ay <= 6) c = kWhite;
        } else if (sx * sx + sy * sy <= 14.0 * 14.0) {
          paint = true;
          c = RGB(128, 128, 128);
        }
      } else {
        // Apex at the top middle, base along row 29; a black rim one pixel wide.
        const int top = 1;
        const int bottom = 29;
        if (py >= top && py <= bottom) {
          const int half = (py - top) / 2 + 1;
          const int left = 16 - half;
          const int right = 15 + half;
          if (px >= left && px <= right) {
            paint = true;
            const bool rim = px <= left || px >= right || py == bottom;
            c = rim ? kBlack : RGB(255, 255, 0);
            const bool bar = py >= 9 && py <= 20 && px >= 14 && px <= 17 &&
                             (py < 18 || (px >= 15 && px <= 16) || py == 18);
            const bool dot = py >= 23 && py <= 25 && px >= 14 && px <= 17;
            if (!rim && (bar || dot)) c = kBlack;
          }
        }
        if (!paint && py >= 2 && py <= 30) {
          // A grey shadow along the right slope and under the base.
          const int half = (py - 1 - top) / 2 + 1;
          if (py == 30 ? px >= 2 && px <= 31 : px == 16 + half) {
            paint = true;
            c = RGB(128, 128, 128);
          }
        }
      }
      if (paint) SetPixel(dc, x + px, y + py, c);
    }
  }
}

}  // namespace platform::look

int GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXSCREEN:
      return platform::CurrentHost().WorkArea().width;
    case SM_CYSCREEN:
      return platform::CurrentHost().WorkArea().height;
    case SM_CYMENU:
      return platform::kMenuBarRow;
    case SM_CYCAPTION:
      return 19;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CXHSCROLL:
      return 16;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR:
      return 32;
    case SM_CXBORDER:
    case SM_CYBORDER:
      return 1;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
      return platform::kDoubleClickBox;
    default:
      return 0;
  }
}
