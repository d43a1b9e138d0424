// STATIC: a text label (left, centred or right, broken into lines at "\n" and between
// words to fit its width, `&` marking the mnemonic unless SS_NOPREFIX) or an icon
// (SS_ICON: the icon named by the window text, loaded from the window's module, drawn
// at its own 32 by 32 with the control sized to it). Other static kinds are refused.
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/ui/controls.h"
#include "platform/ui/look.h"
#include "platform/window/window_internal.h"

namespace platform::controls {
namespace {

struct TStatic {
  HICON icon = nullptr;
  HFONT font = nullptr;
};

TStates<TStatic>& States() {
  static TStates<TStatic> states;
  return states;
}

constexpr DWORD kTypeMask = 0x1F;

bool IsIcon(HWND hwnd) {
  return (StyleOf(hwnd) & kTypeMask) == SS_ICON;
}

// The icon a resource name names: "#123" is an ordinal.
HICON LoadNamedIcon(HINSTANCE instance, const std::string& name) {
  if (name.empty()) return nullptr;
  if (name[0] == '#') {
    const unsigned long id = std::strtoul(name.c_str() + 1, nullptr, 10);
    if (id == 0 || id > 0xFFFF) return nullptr;
    return LoadIconA(instance, MAKEINTRESOURCEA(static_cast<WORD>(id)));
  }
  return LoadIconA(instance, name.c_str());
}

void SetIconFromText(HWND hwnd) {
  TWnd* w = WndOf(hwnd);
  TStatic* s = States().Find(hwnd);
  if (w == nullptr || s == nullptr) return;
  s->icon = LoadNamedIcon(w->instance, w->text);
  // The control takes the icon's size, whatever the template said.
  const int side = GetSystemMetrics(SM_CXICON);
  if (s->icon != nullptr &&
      (w->rect.right - w->rect.left != side || w->rect.bottom - w->rect.top != side)) {
    MoveWindow(hwnd, w->rect.left, w->rect.top, side, side, TRUE);
  }
}

// Breaks the text into lines: at "\n" (a "\r" before it is dropped) and, where a line is
// wider than `width`, at the last blank that lets it fit; a word wider than the whole
// line is broken between characters.
std::vector<std::string> Lines(const std::string& text, int width, bool prefix) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string para = text.substr(start, end - start);
    if (!para.empty() && para.back() == '\r') para.pop_back();
    while (look::MnemonicTextSize(para.c_str(), prefix).cx > width && para.size() > 1) {
      std::size_t cut = para.size();
      while (cut > 1 && look::MnemonicTextSize(para.substr(0, cut).c_str(), prefix).cx > width) {
        --cut;
      }
      const std::size_t blank = para.rfind(' ', cut);
      std::size_t next = cut;
      if (blank != std::string::npos && blank > 0) {
        cut = blank;
        next = blank + 1;
      }
      out.push_back(para.substr(0, cut));
      para = para.substr(next);
    }
    out.push_back(para);
    start = end + 1;
  }
  return out;
}

void Paint(HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  if (dc == nullptr) return;
  RECT client{};
  GetClientRect(hwnd, &client);
  look::FillFace(dc, client);
  const TStatic* s = States().Find(hwnd);
  const TWnd* w = WndOf(hwnd);
  if (IsIcon(hwnd)) {
    if (s != nullptr && s->icon != nullptr) DrawIcon(dc, 0, 0, s->icon);
  } else if (w != nullptr) {
    const DWORD style = w->style;
    const bool prefix = (style & SS_NOPREFIX) == 0;
    const look::Align align = (style & kTypeMask) == SS_CENTER  ? look::Align::Center
                              : (style & kTypeMask) == SS_RIGHT ? look::Align::Right
                                                                : look::Align::Left;
    const look::TextState state =
        ShowsEnabled(hwnd) ? look::TextState::Normal : look::TextState::Grayed;
    int y = 0;
    const int lineHeight = look::MnemonicTextSize("", prefix).cy;
    for (const std::string& line : Lines(w->text, client.right, prefix)) {
      const RECT r{0, y, client.right, y + lineHeight};
      look::DrawAlignedText(dc, r, line.c_str(), align, GetSysColor(COLOR_WINDOWTEXT), state,
                            prefix);
      y += lineHeight;
      if (y >= client.bottom) break;
    }
  }
  EndPaint(hwnd, &ps);
}

}  // namespace

LRESULT CALLBACK StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_NCCREATE:
      States().Make(hwnd);
      return DefWindowProcA(hwnd, msg, wParam, lParam);
    case WM_CREATE: {
      const DWORD type = StyleOf(hwnd) & kTypeMask;
      if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT && type != SS_ICON) return -1;
      if (type == SS_ICON) SetIconFromText(hwnd);
      return 0;
    }
    case WM_NCDESTROY:
      States().Drop(hwnd);
      return 0;
    case WM_PAINT:
      Paint(hwnd);
      return 0;
    case WM_ERASEBKGND:
      return TRUE;  // WM_PAINT fills everything
    case WM_SETTEXT: {
      const LRESULT r = DefWindowProcA(hwnd, msg, wParam, lParam);
      if (IsIcon(hwnd)) SetIconFromText(hwnd);
      InvalidateRect(hwnd, nullptr, FALSE);
      return r;
    }
    case WM_ENABLE:
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_SETFONT:
    case WM_GETFONT:
      return FontMessage(States(), hwnd, msg, wParam, lParam);
    case WM_GETDLGCODE:
      return DLGC_STATIC;
    case WM_NCHITTEST:
      return HTTRANSPARENT;  // clicks fall through to the window behind, as on labels
    default:
      return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
}

}  // namespace platform::controls
