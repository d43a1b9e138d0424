// The pixel primitives of device contexts: clips, fills, copies and text.
#include <algorithm>
#include <bit>
#include <cstring>
#include <type_traits>
#include <vector>

#include "platform/gdi/gdi_internal.h"

#include "platform/gdi/font.h"

namespace platform {
namespace {

// The pixels a context draws on.
struct Target {
  std::uint32_t* data = nullptr;
  int width = 0;
  int height = 0;
  bool mono = false;
};

Target TargetOf(DeviceContext& dc) {
  if (dc.memory) {
    GdiObject* b = dc.bitmap;
    return {b->bits.data(), b->bmWidth, b->bmHeight, b->bitsPixel == 1};
  }
  return {dc.surface->Data(), dc.surface->Width(), dc.surface->Height(), false};
}

bool Intersect(const RECT& a, const RECT& b, RECT& out) {
  out = {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
         std::min(a.bottom, b.bottom)};
  return out.left < out.right && out.top < out.bottom;
}

// Whether two runs of pixels hold the same colours: a window's pixels may carry a top
// byte its host sets, which is no part of the colour.
bool SameColours(const std::uint32_t* a, const std::uint32_t* b, int n) {
  for (int i = 0; i < n; ++i) {
    if (((a[i] ^ b[i]) & kWhite) != 0) return false;
  }
  return true;
}

// The rows of a part that a drawing changed, so that only they are presented: a tick
// that redraws a box as it was sends nothing.
struct TChangedRows {
  LONG top = 0;
  LONG bottom = 0;
  void Add(LONG y) {
    if (top == bottom) {
      top = y;
      bottom = y + 1;
    } else {
      top = std::min(top, y);
      bottom = std::max(bottom, y + 1);
    }
  }
  RECT Of(const RECT& part) const { return {part.left, top, part.right, bottom}; }
};

// Calls fn(rect) for each part of the logical rectangle `r` the context may write, in
// target coordinates, and marks dirty those parts, or what of them fn answers changed.
template <typename Fn>
void ForEachClipped(DeviceContext& dc, const Target& t, RECT r, Fn&& fn) {
  r.left += dc.origin.x;
  r.right += dc.origin.x;
  r.top += dc.origin.y;
  r.bottom += dc.origin.y;
  RECT bounds{0, 0, t.width, t.height};
  RECT inBounds;
  if (!Intersect(r, bounds, inBounds)) return;
  for (const RECT& c : dc.clip) {
    RECT part;
    if (!Intersect(inBounds, c, part)) continue;
    if constexpr (std::is_same_v<std::invoke_result_t<Fn&, const RECT&>, RECT>) {
      const RECT changed = fn(part);
      if (dc.surface) dc.surface->MarkDirty(changed);
    } else {
      fn(part);
      if (dc.surface) dc.surface->MarkDirty(part);
    }
  }
}

std::uint32_t ToMono(std::uint32_t v) {
  return v == kWhite ? kWhite : 0;
}

// Sets n pixels to v four at a time: a tick's fills are most of its drawing, and the
// compiler does not widen a loop of unknown length at this optimisation level.
void FillRow(std::uint32_t* p, std::size_t n, std::uint32_t v) {
  const std::uint32_t four[4] = {v, v, v, v};
  std::size_t i = 0;
  for (; i + 4 <= n; i += 4) std::memcpy(p + i, four, sizeof four);
  for (; i < n; ++i) p[i] = v;
}

// Whether n pixels all hold colour v (a pixel's top byte, which its host may set, aside),
// looked at four at a time.
bool RowIs(const std::uint32_t* p, std::size_t n, std::uint32_t v) {
  std::size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    if ((((p[i] ^ v) | (p[i + 1] ^ v) | (p[i + 2] ^ v) | (p[i + 3] ^ v)) & kWhite) != 0) {
      return false;
    }
  }
  for (; i < n; ++i) {
    if (((p[i] ^ v) & kWhite) != 0) return false;
  }
  return true;
}

void FillSolid(DeviceContext& dc, const RECT& r, std::uint32_t pixel) {
  Target t = TargetOf(dc);
  if (t.mono) pixel = ToMono(pixel);
  ForEachClipped(dc, t, r, [&](const RECT& p) {
    TChangedRows changed;
    for (LONG y = p.top; y < p.bottom; ++y) {
      std::uint32_t* row = t.data + static_cast<std::size_t>(y) * t.width + p.left;
      const auto n = static_cast<std::size_t>(p.right - p.left);
      if (RowIs(row, n, pixel)) continue;
      FillRow(row, n, pixel);
      changed.Add(y);
    }
    return changed.Of(p);
  });
}

void InvertRect(DeviceContext& dc, const RECT& r) {
  Target t = TargetOf(dc);
  ForEachClipped(dc, t, r, [&](const RECT& p) {
    for (LONG y = p.top; y < p.bottom; ++y) {
      std::uint32_t* row = t.data + static_cast<std::size_t>(y) * t.width;
      for (LONG x = p.left; x < p.right; ++x) row[x] ^= kWhite;
    }
  });
}

RECT Normalised(int l, int t, int r, int b) {
  return {std::min(l, r), std::min(t, b), std::max(l, r), std::max(t, b)};
}

// Adds `r` minus `cut` to `out` (at most four pieces).
void Subtract(const RECT& r, const RECT& cut, std::vector<RECT>& out) {
  RECT i;
  if (!Intersect(r, cut, i)) {
    out.push_back(r);
    return;
  }
  if (r.top < i.top) out.push_back({r.left, r.top, r.right, i.top});
  if (i.bottom < r.bottom) out.push_back({r.left, i.bottom, r.right, r.bottom});
  if (r.left < i.left) out.push_back({r.left, i.top, i.left, i.bottom});
  if (i.right < r.right) out.push_back({i.right, i.top, r.right, i.bottom});
}

}  // namespace

void DisjointRects(const std::vector<RECT>& rects, std::vector<RECT>& out) {
  out.clear();
  // Kept from call to call: a context's clip is made without an allocation.
  static std::vector<RECT> pieces;
  static std::vector<RECT> next;
  for (const RECT& r : rects) {
    if (r.left >= r.right || r.top >= r.bottom) continue;
    pieces.assign(1, r);
    for (const RECT& have : out) {
      next.clear();
      for (const RECT& p : pieces) Subtract(p, have, next);
      pieces.swap(next);
    }
    out.insert(out.end(), pieces.begin(), pieces.end());
  }
}

BOOL DrawMaskedImage(HDC hdc, int x, int y, const std::uint32_t* src, int width, int height) {
  DeviceContext* dc = DcOf(hdc);
  if (dc == nullptr || src == nullptr) return FALSE;
  Target t = TargetOf(*dc);
  const int dx = x + dc->origin.x;
  const int dy = y + dc->origin.y;
  ForEachClipped(*dc, t, {x, y, x + width, y + height}, [&](const RECT& p) {
    for (LONG ty = p.top; ty < p.bottom; ++ty) {
      std::uint32_t* row = t.data + static_cast<std::size_t>(ty) * t.width;
      const std::uint32_t* s = src + static_cast<std::size_t>(ty - dy) * width - dx;
      for (LONG tx = p.left; tx < p.right; ++tx) {
        if (s[tx] >> 24) row[tx] = t.mono ? ToMono(s[tx] & kWhite) : (s[tx] & kWhite);
      }
    }
  });
  return TRUE;
}

}  // namespace platform

using platform::DcOf;
using platform::DeviceContext;
using platform::GdiObject;
using platform::SwapRB;

BOOL BitBlt(HDC hdst, int x, int y, int cx, int cy, HDC hsrc, int xs, int ys, DWORD rop) {
  DeviceContext* dst = DcOf(hdst);
  if (dst == nullptr) return FALSE;
  const bool usesSource = rop == SRCCOPY || rop == SRCAND || rop == SRCPAINT || rop == SRCINVERT;
  if (!usesSource && rop != PATCOPY && rop != BLACKNESS && rop != WHITENESS && rop != DSTINVERT) {
    return FALSE;
  }
  if (cx < 0 || cy < 0) return FALSE;
  RECT r{x, y, x + cx, y + cy};
  if (rop == BLACKNESS || rop == WHITENESS) {
    platform::FillSolid(*dst, r, rop == WHITENESS ? platform::kWhite : 0);
    return TRUE;
  }
  if (rop == PATCOPY) {
    if (!dst->brush->null) platform::FillSolid(*dst, r, dst->brush->pixel);
    return TRUE;
  }
  if (rop == DSTINVERT) {
    platform::InvertRect(*dst, r);
    return TRUE;
  }
  DeviceContext* src = DcOf(hsrc);
  if (src == nullptr) return FALSE;
  platform::Target s = platform::TargetOf(*src);
  platform::Target d = platform::TargetOf(*dst);
  // Keep the source inside its pixels: shrink the destination rectangle accordingly.
  const int sx0 = xs + src->origin.x;
  const int sy0 = ys + src->origin.y;
  const int shiftX = x - sx0 + dst->origin.x;  // target dst x = source x + shiftX
  const int shiftY = y - sy0 + dst->origin.y;
  RECT srcBounds{sx0, sy0, sx0 + cx, sy0 + cy};
  RECT srcIn;
  if (!platform::Intersect(srcBounds, {0, 0, s.width, s.height}, srcIn)) return TRUE;
  RECT logical{srcIn.left + shiftX - dst->origin.x, srcIn.top + shiftY - dst->origin.y,
               srcIn.right + shiftX - dst->origin.x, srcIn.bottom + shiftY - dst->origin.y};
  const bool same = s.data == d.data;
  const std::uint32_t srcBk = src->bk;
  // A window's pixels may carry a top byte the host sets; bitmaps get plain colours.
  const bool plain = !src->memory && dst->memory;
  platform::ForEachClipped(*dst, d, logical, [&](const RECT& p) {
    platform::TChangedRows changed;
    const int w = p.right - p.left;
    const bool up = !(same && shiftY > 0);
    for (LONG i = 0; i < p.bottom - p.top; ++i) {
      const LONG ty = up ? p.top + i : p.bottom - 1 - i;
      std::uint32_t* drow = d.data + static_cast<std::size_t>(ty) * d.width + p.left;
      const std::uint32_t* srow =
          s.data + static_cast<std::size_t>(ty - shiftY) * s.width + (p.left - shiftX);
      if (rop == SRCCOPY && !d.mono && !plain) {
        if (!platform::SameColours(drow, srow, w)) {
          std::memmove(drow, srow, static_cast<std::size_t>(w) * 4);
          changed.Add(ty);
        }
        continue;
      }
      changed.Add(ty);
      // Overlapping in-place operations other than copies are done left to right; a
      // source that shifts right within one row would read written pixels, so walk back.
      const bool back = same && shiftY == 0 && shiftX > 0;
      for (int k = 0; k < w; ++k) {
        const int j = back ? w - 1 - k : k;
        std::uint32_t v = plain ? srow[j] & platform::kWhite : srow[j];
        if (d.mono && !s.mono) v = v == srcBk ? platform::kWhite : 0;
        switch (rop) {
          case SRCCOPY:
            drow[j] = v;
            break;
          case SRCAND:
            drow[j] &= v;
            break;
          case SRCPAINT:
            drow[j] |= v;
            break;
          default:
            drow[j] ^= v;
            break;
        }
      }
    }
    return changed.Of(p);
  });
  return TRUE;
}

COLORREF GetPixel(HDC hdc, int x, int y) {
  DeviceContext* dc = DcOf(hdc);
  if (dc == nullptr) return CLR_INVALID;
  platform::Target t = platform::TargetOf(*dc);
  const LONG tx = x + dc->origin.x;
  const LONG ty = y + dc->origin.y;
  if (tx < 0 || ty < 0 || tx >= t.width || ty >= t.height) return CLR_INVALID;
  for (const RECT& c : dc->clip) {
    if (tx >= c.left && tx < c.right && ty >= c.top && ty < c.bottom) {
      // A window's pixels may carry a top byte the host sets for its display server.
      return SwapRB(t.data[static_cast<std::size_t>(ty) * t.width + tx] & platform::kWhite);
    }
  }
  return CLR_INVALID;
}

int GetClipBox(HDC hdc, LPRECT rect) {
  DeviceContext* dc = DcOf(hdc);
  if (dc == nullptr || rect == nullptr) return 0;
  *rect = {0, 0, 0, 0};
  const platform::Target t = platform::TargetOf(*dc);
  bool any = false;
  for (const RECT& c : dc->clip) {
    const RECT in{std::max<LONG>(c.left, 0), std::max<LONG>(c.top, 0),
                  std::min<LONG>(c.right, t.width), std::min<LONG>(c.bottom, t.height)};
    if (in.left >= in.right || in.top >= in.bottom) continue;
    *rect = any ? RECT{std::min(rect->left, in.left), std::min(rect->top, in.top),
                       std::max(rect->right, in.right), std::max(rect->bottom, in.bottom)}
                : in;
    any = true;
  }
  if (!any) return NULLREGION;
  *rect = {rect->left - dc->origin.x, rect->top - dc->origin.y, rect->right - dc->origin.x,
           rect->bottom - dc->origin.y};
  return dc->clip.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color) {
  DeviceContext* dc = DcOf(hdc);
  if (dc == nullptr || GetPixel(hdc, x, y) == CLR_INVALID) return CLR_INVALID;
  platform::FillSolid(*dc, {x, y, x + 1, y + 1}, SwapRB(color & 0xFFFFFF));
  return GetPixel(hdc, x, y);
}

BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom) {
  DeviceContext* dc = DcOf(hdc);
  if (dc == nullptr) return FALSE;
  const RECT n = platform::Normalised(left, top, right, bottom);
  if (n.left == n.right || n.top == n.bottom) return TRUE;
  const int pw = dc->pen->null ? 0 : dc->pen->width;
  const LONG L = n.left, T = n.top, R = n.right, B = n.bottom;
  if (!dc->brush->null) {
    platform::FillSolid(*dc, {L + (pw + 1) / 2, T + (pw + 1) / 2, R - 1 - pw / 2, B - 1 - pw / 2},
                        dc->brush->pixel);
  }
  if (pw > 0) {
    const std::uint32_t c = dc->pen->pixel;
    const LONG ol = L - pw / 2, ot = T - pw / 2;                     // outer left/top
    const LONG orr = R - 1 - pw / 2 + pw, ob = B - 1 - pw / 2 + pw;  // outer right/bottom
    const LONG il = L + (pw + 1) / 2, it = T + (pw + 1) / 2;
    const LONG ir = R - 1 - pw / 2, ib = B - 1 - pw / 2;
    platform::FillSolid(*dc, {ol, ot, orr, it}, c);
    platform::FillSolid(*dc, {ol, ib, orr, ob}, c);
    platform::FillSolid(*dc, {ol, it, il, ib}, c);
    platform::FillSolid(*dc, {ir, it, orr, ib}, c);
  }
  return TRUE;
}

int FillRect(HDC hdc, const RECT* rect, HBRUSH hbrush) {
  DeviceContext* dc = DcOf(hdc);
  GdiObject* brush = platform::BrushOf(hbrush);
  if (dc == nullptr || rect == nullptr || brush == nullptr) return 0;
  if (!brush->null) platform::FillSolid(*dc, *rect, brush->pixel);
  return 1;
}

namespace platform {
namespace {
// Draws the glyphs of `text` from logical (x, y); `cells` also fills each character
// cell with the background colour. `limit` (logical) further clips when not null.
bool DrawText(DeviceContext& dc, int x, int y, const char* text, int count, const INT* dx,
              bool cells, const RECT* limit) {
  if (dc.font == nullptr || dc.font->font == nullptr) return false;
  const platform::TBitmapFont& f = *dc.font->font;
  const int h = f.Metrics().height;
  platform::Target t = platform::TargetOf(dc);
  const std::uint32_t ink = t.mono ? platform::ToMono(dc.text) : dc.text;
  const std::uint32_t bk = t.mono ? platform::ToMono(dc.bk) : dc.bk;
  int pen = x;
  for (int i = 0; i < count; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    const int adv = f.Advance(c);
    const int step = dx ? dx[i] : adv;
    RECT cell{pen, y, pen + std::max(adv, 0), y + h};
    if (limit) platform::Intersect(cell, *limit, cell);
    if (cell.left < cell.right && cell.top < cell.bottom) {
      const int cx = pen + dc.origin.x;
      const int cy = y + dc.origin.y;
      platform::ForEachClipped(dc, t, cell, [&](const RECT& p) {
        platform::TChangedRows changed;
        for (LONG ty = p.top; ty < p.bottom; ++ty) {
          std::uint32_t* row = t.data + static_cast<std::size_t>(ty) * t.width;
          // p lies inside the cell: the glyph's row is looked up once, not per pixel.
          std::size_t bytes = 0;
          const std::uint8_t* bits = f.Row(c, static_cast<int>(ty - cy), bytes);
          bool differs = false;
          if (!cells && bytes <= 8) {
            // Only the ink is written: the row's set bits, leftmost pixel at bit 63, are
            // visited one by one, and a blank row costs nothing.
            std::uint64_t word = 0;
            for (std::size_t b = 0; b < bytes; ++b) {
              word |= std::uint64_t(bits[b]) << (56 - 8 * b);
            }
            const LONG lo = p.left - cx;
            const LONG hi = p.right - cx;
            word = lo >= 64 ? 0 : word & (~std::uint64_t(0) >> lo);
            if (hi < 64) word &= ~(~std::uint64_t(0) >> hi);
            while (word != 0) {
              const int gx = std::countl_zero(word);
              word &= ~(std::uint64_t(1) << (63 - gx));
              std::uint32_t& v = row[cx + gx];
              differs |= (v & kWhite) != ink;
              v = ink;
            }
            if (differs) changed.Add(ty);
            continue;
          }
          for (LONG tx = p.left; tx < p.right; ++tx) {
            const auto gx = static_cast<std::size_t>(tx - cx);
            const bool on = gx / 8 < bytes && ((bits[gx / 8] >> (7 - gx % 8)) & 1) != 0;
            if (!on && !cells) continue;
            const std::uint32_t v = on ? ink : bk;
            differs |= (row[tx] & kWhite) != v;
            row[tx] = v;
          }
          if (differs) changed.Add(ty);
        }
        return changed.Of(p);
      });
    }
    pen += step;
  }
  return true;
}
}  // namespace
}  // namespace platform

BOOL ExtTextOutA(HDC hdc, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT count,
                 const INT* dx) {
  DeviceContext* dc = DcOf(hdc);
  if (dc == nullptr) return FALSE;
  if ((options & ~(ETO_OPAQUE | ETO_CLIPPED)) != 0) return FALSE;
  // The opaque rectangle is filled before the text is even looked at.
  if ((options & ETO_OPAQUE) && rect) platform::FillSolid(*dc, *rect, dc->bk);
  if (count == 0) return TRUE;
  if (text == nullptr || count > 0x7FFFFFFF) return FALSE;
  const RECT* limit = (options & ETO_CLIPPED) && rect ? rect : nullptr;
  return platform::DrawText(*dc, x, y, text, static_cast<int>(count), dx,
                            dc->bkMode == OPAQUE && !(options & ETO_OPAQUE && rect), limit)
             ? TRUE
             : FALSE;
}

BOOL TextOutA(HDC hdc, int x, int y, LPCSTR text, int count) {
  DeviceContext* dc = DcOf(hdc);
  if (dc == nullptr || count < 0 || (count > 0 && text == nullptr)) return FALSE;
  if (count == 0) return TRUE;
  return platform::DrawText(*dc, x, y, text, count, nullptr, dc->bkMode == OPAQUE, nullptr) ? TRUE
                                                                                            : FALSE;
}

BOOL GetTextExtentPoint32A(HDC hdc, LPCSTR text, int count, LPSIZE size) {
  DeviceContext* dc = DcOf(hdc);
  if (dc == nullptr || size == nullptr || count < 0 || (count > 0 && text == nullptr)) {
    return FALSE;
  }
  if (dc->font == nullptr || dc->font->font == nullptr) return FALSE;
  size->cx = count ? dc->font->font->TextWidth(text, count) : 0;
  size->cy = dc->font->font->Metrics().height;
  return TRUE;
}

BOOL GetTextMetricsA(HDC hdc, LPTEXTMETRICA tm) {
  DeviceContext* dc = DcOf(hdc);
  if (dc == nullptr || tm == nullptr) return FALSE;
  if (dc->font == nullptr || dc->font->font == nullptr) return FALSE;
  const platform::TFontMetrics& m = dc->font->font->Metrics();
  *tm = TEXTMETRICA{};
  tm->tmHeight = m.height;
  tm->tmAscent = m.ascent;
  tm->tmDescent = m.descent;
  tm->tmInternalLeading = m.internalLeading;
  tm->tmExternalLeading = m.externalLeading;
  tm->tmAveCharWidth = m.aveCharWidth;
  tm->tmMaxCharWidth = m.maxCharWidth;
  tm->tmWeight = m.weight;
  tm->tmDigitizedAspectX = 96;
  tm->tmDigitizedAspectY = 96;
  tm->tmFirstChar = 0x20;
  tm->tmLastChar = 0xFF;
  tm->tmDefaultChar = static_cast<BYTE>(dc->font->font->DefaultChar());
  tm->tmBreakChar = 0x20;
  return TRUE;
}
