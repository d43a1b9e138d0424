// A frame with the game's menu bar on the headless host, and the means to script a
// player's input at virtual times and look in while the menu's own loop runs.
#pragma once

#include <functional>
#include <map>
#include <set>
#include <vector>

#include "res/klop_resources.h"
#include "windowing_fixture.h"

namespace klop_test {

class TMenuTest : public TWindowingTest {
 protected:
  static constexpr std::uint32_t kNavy = 0x000080;
  static constexpr std::uint32_t kGrey = 0xC0C0C0;

  void SetUp() override {
    TWindowingTest::SetUp();
    Checks().clear();
    bar = LoadMenuA(klop::Module(), "DAZIZAZE");
    ASSERT_NE(bar, nullptr);
    frame = CreateWindowExA(0, kClass, "Klop!", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 80, 300, 250,
                            nullptr, bar, nullptr, nullptr);
    ASSERT_NE(frame, nullptr);
    Pump();
    ClearLog();
  }

  HMENU Game() const { return GetSubMenu(bar, 0); }

  static POINT Center(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }
  // Screen points of a bar item, and of an item of a popup that is open now.
  POINT BarItem(int i) const {
    RECT r{};
    EXPECT_TRUE(GetMenuItemRect(frame, bar, static_cast<UINT>(i), &r));
    return Center(r);
  }
  POINT ItemCenter(HMENU menu, int i) const {
    RECT r{};
    EXPECT_TRUE(GetMenuItemRect(frame, menu, static_cast<UINT>(i), &r)) << "not open";
    return Center(r);
  }

  // The popup menus shown now.
  static std::vector<HWND> Popups() {
    std::vector<HWND> out;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND h, LPARAM lp) -> BOOL {
          if ((GetWindowLongPtrA(h, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) && IsWindowVisible(h)) {
            reinterpret_cast<std::vector<HWND>*>(lp)->push_back(h);
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&out));
    return out;
  }

  std::vector<WPARAM> Commands() const {
    std::vector<WPARAM> out;
    for (const TRecorded& r : Log({WM_COMMAND})) {
      if (r.hwnd == frame) out.push_back(LOWORD(r.wParam));
    }
    return out;
  }

  // Runs `check` at virtual time `ms`, from inside whatever loop runs then.
  void At(long long ms, std::function<void()> check) {
    const long long now = std::chrono::duration_cast<std::chrono::milliseconds>(host.Now()).count();
    const UINT_PTR id = SetTimer(nullptr, 0, static_cast<UINT>(ms - now), Fire);
    ASSERT_NE(id, 0u);
    Checks()[id] = std::move(check);
  }
  // Runs the thread's message loop up to virtual time `ms` (a quit left over from a run
  // that ended early is ignored).
  void RunFor(long long ms) {
    At(ms, [] { PostQuitMessage(0); });
    MSG m;
    for (;;) {
      if (GetMessageA(&m, nullptr, 0, 0) <= 0) {
        if (host.Now() >= Ms(ms)) return;
        continue;
      }
      TranslateMessage(&m);
      DispatchMessageA(&m);
    }
  }

  // A key pressed (down 1), released (down 0) or both (-1) at `ms`.
  void Key(long long ms, unsigned vk, unsigned mods = 0, int down = -1) {
    if (down != 0) host.KeyAt(Ms(ms), vk, true, mods);
    if (down != 1) host.KeyAt(Ms(ms), vk, false, mods);
  }
  // Alt held around a letter key.
  void AltKey(long long ms, char letter) {
    Key(ms, VK_MENU, platform::kModAlt, 1);
    Key(ms + 1, static_cast<unsigned>(letter), platform::kModAlt);
    Key(ms + 2, VK_MENU, 0, 0);
  }

  // The frame's surface pixel at (x, y), its menu bar being rows 0 to 18.
  std::uint32_t SurfaceBarPixel(LONG x, LONG y) const {
    return host.PixelAt(frame, static_cast<int>(x), static_cast<int>(y) - 19);
  }
  // Surface columns of bar item `i`.
  std::pair<LONG, LONG> BarColumns(int i) const {
    RECT r{};
    GetMenuItemRect(frame, bar, static_cast<UINT>(i), &r);
    POINT origin{0, 0};
    ClientToScreen(frame, &origin);
    return {r.left - origin.x, r.right - origin.x};
  }
  // A pixel inside bar item `i`'s highlight, clear of its text.
  std::uint32_t BarPixel(int i) const { return SurfaceBarPixel(BarColumns(i).first + 2, 2); }
  std::vector<std::uint32_t> BarPixels() const {
    RECT c{};
    GetClientRect(frame, &c);
    std::vector<std::uint32_t> out;
    for (LONG y = 0; y < 19; ++y) {
      for (LONG x = 0; x < c.right; ++x) out.push_back(SurfaceBarPixel(x, y));
    }
    return out;
  }

  HMENU bar = nullptr;
  HWND frame = nullptr;

 private:
  static std::map<UINT_PTR, std::function<void()>>& Checks() {
    static std::map<UINT_PTR, std::function<void()>> checks;
    return checks;
  }
  static void CALLBACK Fire(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    auto it = Checks().find(id);
    if (it == Checks().end()) return;
    const std::function<void()> check = std::move(it->second);
    Checks().erase(it);
    check();
  }
};

}  // namespace klop_test
