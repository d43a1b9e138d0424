// Seeded storms of input and window changes, with handlers that destroy, create,
// capture and repaint while messages are being delivered: nothing may crash or leak
// (the sanitized run watches), and the platform's bookkeeping stays consistent.
#include <random>

#include "windowing_fixture.h"

namespace klop_test {
namespace {

class TInputStorm : public TWindowingTest, public ::testing::WithParamInterface<unsigned> {
 protected:
  std::vector<HWND> Live() const {
    std::vector<HWND> out;
    for (HWND h : made) {
      if (IsWindow(h)) out.push_back(h);
    }
    return out;
  }

  HWND Pick(std::mt19937& rng) {
    const std::vector<HWND> live = Live();
    if (live.empty()) return nullptr;
    return live[std::uniform_int_distribution<std::size_t>(0, live.size() - 1)(rng)];
  }

  void MakeTops() {
    for (int i = 0; i < 3; ++i) {
      HWND top = CreateWindowExA(0, kClass, "", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN,
                                 40 + 150 * i, 40, 140, 120, nullptr, nullptr, nullptr, nullptr);
      made.push_back(top);
      for (int k = 0; k < 3; ++k) made.push_back(MakeChild(top, 10 + 30 * k, 10, 40, 60));
    }
  }

  std::vector<HWND> made;
  long delivered = 0;
};

TEST_P(TInputStorm, SurvivesReentrantChangesWhileDelivering) {
  std::mt19937 rng(GetParam());
  const auto chance = [&](int percent) {
    return std::uniform_int_distribution<int>(0, 99)(rng) < percent;
  };
  MakeTops();
  // Every message may trigger a change to the window set or the input state.
  THandler paused;
  anyHandler = [&](HWND hwnd, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (msg == WM_NCDESTROY || msg == WM_DESTROY || msg == WM_NCCREATE || msg == WM_CREATE) {
      return std::nullopt;
    }
    ++delivered;
    switch (std::uniform_int_distribution<int>(0, 40)(rng)) {
      case 0:
        if (chance(10)) DestroyWindow(hwnd);
        break;
      case 1:
        // Refused while the parent is being destroyed.
        if (HWND parent = Pick(rng)) {
          HWND c = CreateWindowExA(0, kClass, "", WS_CHILD | WS_VISIBLE, 5, 5, 30, 30, parent,
                                   nullptr, nullptr, nullptr);
          if (c != nullptr) made.push_back(c);
        }
        break;
      case 2:
        SetCapture(hwnd);
        break;
      case 3:
        ReleaseCapture();
        break;
      case 4:
        InvalidateRect(hwnd, nullptr, chance(50));
        break;
      case 5:
        SetTimer(hwnd, 1, 10 + std::uniform_int_distribution<UINT>(0, 90)(rng), nullptr);
        break;
      case 6:
        SetFocus(hwnd);
        break;
      case 7:
        ShowWindow(hwnd, chance(50) ? SW_HIDE : SW_SHOW);
        break;
      case 8:
        MoveWindow(hwnd, 0, 0, 30 + static_cast<int>(rng() % 100),
                   30 + static_cast<int>(rng() % 100), TRUE);
        break;
      case 9: {
        POINT p;
        GetCursorPos(&p);
        SetCursorPos(p.x + 1, p.y);
        break;
      }
      default:
        break;
    }
    return std::nullopt;
  };
  for (int step = 0; step < 1500; ++step) {
    const platform::HostTime at = host.Now() + Ms(std::uniform_int_distribution<int>(0, 40)(rng));
    if (Live().empty()) {
      anyHandler.swap(paused);
      MakeTops();
      anyHandler.swap(paused);
    }
    HWND target = Pick(rng);
    const platform::HostWindow hw = target ? platform::THeadlessHost::HostOf(target) : 0;
    switch (std::uniform_int_distribution<int>(0, 11)(rng)) {
      case 0:
      case 1:
      case 2:
        host.MoveAt(at, std::uniform_int_distribution<int>(0, 520)(rng),
                    std::uniform_int_distribution<int>(0, 200)(rng));
        break;
      case 3:
        host.PressAt(at, chance(80) ? platform::kButtonLeft : platform::kButtonRight);
        break;
      case 4:
        host.ReleaseAt(at, chance(80) ? platform::kButtonLeft : platform::kButtonRight);
        break;
      case 5:
        host.TypeAt(at, static_cast<char>('a' + rng() % 26));
        break;
      case 6:
        if (hw)
          host.ResizeAt(at, hw, 20 + static_cast<int>(rng() % 200),
                        20 + static_cast<int>(rng() % 200));
        break;
      case 7:
        if (hw) host.MinimizeAt(at, hw);
        break;
      case 8:
        if (hw) host.RestoreAt(at, hw);
        break;
      case 9:
        if (hw && chance(20)) host.CloseAt(at, hw);
        break;
      case 10:
        if (hw) host.FocusAt(at, hw, chance(70));
        break;
      default:
        if (hw) host.ExposeAt(at, hw, {0, 0, 10, 10});
        break;
    }
    host.AdvanceTime(std::chrono::duration_cast<std::chrono::milliseconds>(at - host.Now()));
    ASSERT_LT(Pump(), 100000);
  }
  EXPECT_GT(delivered, 1500) << "the storm reached the windows";
  // Whatever survived is consistent with the host and goes away cleanly.
  anyHandler = nullptr;
  std::size_t tops = 0;
  for (HWND h : Live()) {
    if (GetParent(h) == nullptr) ++tops;
    if (HWND p = GetParent(h); p != nullptr) {
      EXPECT_TRUE(IsWindow(p));
    }
  }
  EXPECT_EQ(host.WindowCount(), tops);
  if (GetCapture() != nullptr) {
    EXPECT_TRUE(IsWindow(GetCapture()));
  }
  if (GetFocus() != nullptr) {
    EXPECT_TRUE(IsWindow(GetFocus()));
  }
  platform::ResetForTesting();
  EXPECT_EQ(host.WindowCount(), 0u);
  for (HWND h : made) EXPECT_FALSE(IsWindow(h));
}

INSTANTIATE_TEST_SUITE_P(Seeds, TInputStorm, ::testing::Values(1u, 2u, 3u, 4u, 5u, 6u));

}  // namespace
}  // namespace klop_test
