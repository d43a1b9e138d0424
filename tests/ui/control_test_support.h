// A parent window for the control tests, with helpers that drive the controls by
// mouse and keyboard through the headless host and read back what they sent and drew.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "windowing_fixture.h"

namespace klop_test {

class TControlTest : public TWindowingTest {
 protected:
  void SetUp() override {
    TWindowingTest::SetUp();
    parent = MakeTop(320, 200, WS_POPUP | WS_VISIBLE);
    Pump();
  }

  HWND Make(const char* cls, const char* text, DWORD style, int x, int y, int w, int h,
            int id = 100, HINSTANCE instance = nullptr) {
    HWND c =
        CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                        reinterpret_cast<HMENU>(static_cast<std::intptr_t>(id)), instance, nullptr);
    Pump();
    return c;
  }

  // Pointer and keys, delivered now.
  void MoveTo(HWND h, int x, int y) {
    host.MoveToClientAt(host.Now(), h, x, y);
    Pump();
  }
  void Press(HWND h, int x, int y) {
    MoveTo(h, x, y);
    host.PressLeft();
    Pump();
  }
  void Release() {
    host.ReleaseLeft();
    Pump();
  }
  void Click(HWND h, int x, int y) {
    host.ClickClientAt(host.Now(), h, x, y);
    Pump();
  }
  void KeyDown(unsigned vk, unsigned mods = 0) {
    host.KeyAt(host.Now(), vk, true, mods);
    Pump();
  }
  void KeyUp(unsigned vk, unsigned mods = 0) {
    host.KeyAt(host.Now(), vk, false, mods);
    Pump();
  }
  void Key(unsigned vk, unsigned mods = 0) {
    KeyDown(vk, mods);
    KeyUp(vk, mods);
  }
  void Type(const char* text) {
    for (const char* p = text; *p; ++p) host.TypeAt(host.Now(), *p);
    Pump();
  }
  // Lets `ms` pass on the virtual clock and runs what came due; answers how many
  // messages that was.
  int Wait(long long ms) {
    host.AdvanceTime(Ms(ms));
    return Pump();
  }

  // WM_HSCROLL from `bar` to the parent: (code, HIWORD position) in order.
  std::vector<std::pair<int, int>> Scrolls(HWND bar) const {
    std::vector<std::pair<int, int>> out;
    for (const TRecorded& r : Log({WM_HSCROLL})) {
      if (r.hwnd == parent && reinterpret_cast<HWND>(r.lParam) == bar) {
        out.emplace_back(LOWORD(r.wParam), HIWORD(r.wParam));
      }
    }
    return out;
  }
  // WM_COMMAND from `control` to the parent: the notification codes in order.
  std::vector<int> Notes(HWND control) const {
    std::vector<int> out;
    for (const TRecorded& r : Log({WM_COMMAND})) {
      if (r.hwnd == parent && reinterpret_cast<HWND>(r.lParam) == control) {
        EXPECT_EQ(LOWORD(r.wParam), GetDlgCtrlID(control));
        out.push_back(HIWORD(r.wParam));
      }
    }
    return out;
  }

  std::uint32_t Pixel(HWND h, int x, int y) const { return host.PixelAt(h, x, y); }
  std::vector<std::uint32_t> Pixels(HWND h) const {
    int w = 0, ht = 0;
    return host.ClientPixels(h, w, ht);
  }
  int Count(HWND h, const RECT& r, std::uint32_t color) const {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y) {
      for (int x = r.left; x < r.right; ++x) n += Pixel(h, x, y) == color ? 1 : 0;
    }
    return n;
  }

  HWND parent = nullptr;
};

}  // namespace klop_test
