// INTERIM, for the menus branch only: the part of the classic look (look.h) and the
// metrics that the menus draw with, until look.cpp lands on main. Delete this file when
// merging main brings look.cpp, which defines the same functions.
#include <cctype>
#include <cstring>
#include <string>

#include "platform/gdi/font.h"
#include "platform/gdi/gdi.h"
#include "platform/ui/look.h"
#include "platform/ui/ui.h"

namespace platform::look {
namespace {

void Fill(HDC dc, const RECT& r, COLORREF color) {
  if (r.right <= r.left || r.bottom <= r.top) return;
  const HBRUSH b = CreateSolidBrush(color);
  FillRect(dc, &r, b);
  DeleteObject(b);
}

}  // namespace

RECT DrawEdge(HDC dc, const RECT& r, Edge edge) {
  const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT);
  const COLORREF face = GetSysColor(COLOR_3DLIGHT);
  const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
  const COLORREF dark = GetSysColor(COLOR_3DDKSHADOW);
  COLORREF outerTL = face, outerBR = dark, innerTL = light, innerBR = shadow;
  int depth = 2;
  switch (edge) {
    case Edge::Raised:
      break;
    case Edge::Sunken:
      outerTL = shadow, outerBR = light, innerTL = dark, innerBR = face;
      break;
    case Edge::RaisedThin:
      outerTL = light, outerBR = shadow, depth = 1;
      break;
    case Edge::SunkenThin:
      outerTL = shadow, outerBR = light, depth = 1;
      break;
    case Edge::Pressed:
      outerTL = dark, outerBR = dark, innerTL = shadow, innerBR = face;
      break;
  }
  RECT in = r;
  for (int i = 0; i < depth; ++i) {
    const COLORREF tl = i == 0 ? outerTL : innerTL;
    const COLORREF br = i == 0 ? outerBR : innerBR;
    Fill(dc, {in.left, in.bottom - 1, in.right, in.bottom}, br);
    Fill(dc, {in.right - 1, in.top, in.right, in.bottom}, br);
    Fill(dc, {in.left, in.top, in.right - 1, in.top + 1}, tl);
    Fill(dc, {in.left, in.top, in.left + 1, in.bottom - 1}, tl);
    in = {in.left + 1, in.top + 1, in.right - 1, in.bottom - 1};
  }
  return in;
}

void FillFace(HDC dc, const RECT& r) {
  FillColor(dc, r, COLOR_BTNFACE);
}

void FillColor(HDC dc, const RECT& r, int sysColor) {
  Fill(dc, r, GetSysColor(sysColor));
}

namespace {

void DrawPlain(HDC dc, int x, int y, LPCSTR text, COLORREF color) {
  const TBitmapFont& font = DialogFont();
  const HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  const COLORREF oldColor = SetTextColor(dc, color);
  std::string shown;
  int underlineFrom = -1;
  int underlineWidth = 0;
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p == '&') {
      ++p;
      if (*p == '\0') break;
      if (*p != '&' && underlineFrom < 0) {
        underlineFrom = font.TextWidth(shown.c_str(), static_cast<int>(shown.size()));
        underlineWidth = font.Advance(static_cast<unsigned char>(*p));
      }
    }
    shown.push_back(*p);
  }
  TextOutA(dc, x, y, shown.c_str(), static_cast<int>(shown.size()));
  if (underlineFrom >= 0) {
    const int uy = y + font.Metrics().ascent + 1;
    Fill(dc, {x + underlineFrom, uy, x + underlineFrom + underlineWidth - 1, uy + 1}, color);
  }
  SetTextColor(dc, oldColor);
  SetBkMode(dc, oldMode);
  SelectObject(dc, oldFont);
}

}  // namespace

void DrawMnemonicText(HDC dc, int x, int y, LPCSTR text, COLORREF color, TextState state) {
  if (text == nullptr) return;
  if (state == TextState::Grayed) {
    DrawPlain(dc, x + 1, y + 1, text, GetSysColor(COLOR_BTNHIGHLIGHT));
    DrawPlain(dc, x, y, text, GetSysColor(COLOR_BTNSHADOW));
    return;
  }
  DrawPlain(dc, x, y, text, color);
}

SIZE MnemonicTextSize(LPCSTR text) {
  const TBitmapFont& font = DialogFont();
  int width = 0;
  for (const char* p = text ? text : ""; *p != '\0'; ++p) {
    if (*p == '&') {
      ++p;
      if (*p == '\0') break;
    }
    width += font.Advance(static_cast<unsigned char>(*p));
  }
  return {width, font.Metrics().height};
}

char MnemonicOf(LPCSTR text) {
  for (const char* p = text ? text : ""; *p != '\0'; ++p) {
    if (*p != '&') continue;
    ++p;
    if (*p == '\0') return 0;
    if (*p != '&') return static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
  }
  return 0;
}

void DrawMenuItem(HDC dc, const RECT& r, int textX, LPCSTR text, bool highlighted, bool grayed) {
  FillColor(dc, r, highlighted ? COLOR_HIGHLIGHT : COLOR_MENU);
  const int y = r.top + (r.bottom - r.top - DialogFont().Metrics().height) / 2;
  if (highlighted) {
    DrawMnemonicText(dc, textX, y, text, GetSysColor(grayed ? COLOR_GRAYTEXT : COLOR_HIGHLIGHTTEXT),
                     TextState::Normal);
  } else {
    DrawMnemonicText(dc, textX, y, text, GetSysColor(COLOR_MENUTEXT),
                     grayed ? TextState::Grayed : TextState::Normal);
  }
}

}  // namespace platform::look

int GetSystemMetrics(int index) {
  switch (index) {
    case SM_CYMENU:
      return 19;
    default:
      return 0;
  }
}
