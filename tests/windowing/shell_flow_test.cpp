// The platform under the application shell's use: a frame fitted to its client window,
// focus handed on, a mallet cursor swapped on press and release, a clock that stops
// while minimised, a user resize, and closing to the end of the loop.
#include "platform/resources/cursor_icon.h"
#include "platform/resources/resource_table.h"
#include "windowing_fixture.h"

namespace klop_test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A 1-bit 32x32 cursor, all black or all white, with hot spot (1, 1).
Bytes SolidCursor(bool white) {
  Bytes b;
  const auto put16 = [&](std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v & 0xFF));
    b.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
  };
  const auto put32 = [&](std::uint32_t v) {
    put16(v & 0xFFFF);
    put16(v >> 16);
  };
  put16(1);
  put16(1);
  for (std::uint32_t v : {40u, 32u, 64u}) put32(v);
  put16(1);
  put16(1);
  for (std::uint32_t v : {0u, 0u, 0u, 0u, 2u, 0u}) put32(v);
  put32(0);
  put32(0x00FFFFFF);
  for (int i = 0; i < 32; ++i) put32(white ? 0xFFFFFFFFu : 0u);  // XOR
  for (int i = 0; i < 32; ++i) put32(0);                         // AND: opaque
  return b;
}

HINSTANCE Module() {
  static const Bytes up = SolidCursor(false);
  static const Bytes down = SolidCursor(true);
  static const platform::ResourceEntry entries[] = {
      {platform::ResourceKind::Cursor, "MALET", up.data(), up.size()},
      {platform::ResourceKind::Cursor, "MALETDOWN", down.data(), down.size()}};
  static const platform::ResourceTable table{entries, 2};
  return platform::RegisterModule(table);
}

struct TShell {
  HWND frame = nullptr;
  HWND game = nullptr;
  HCURSOR cursor = nullptr;
  int ticks = 0;
  int doubleClicks = 0;
  std::vector<WPARAM> gameSizes;
  std::vector<UINT> destroyed;
};
TShell g;

void ShowCursorNow() {
  POINT p;
  GetCursorPos(&p);
  SetCursorPos(p.x, p.y);
}

LRESULT CALLBACK GameProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT && g.cursor != nullptr) {
        SetCursor(g.cursor);
        return TRUE;
      }
      break;
    case WM_LBUTTONDOWN:
      g.cursor = LoadCursorA(Module(), "MaletDown");
      ShowCursorNow();
      SetTimer(h, 1, 100, nullptr);  // a new game
      return 0;
    case WM_LBUTTONUP:
      g.cursor = LoadCursorA(Module(), "Malet");
      ShowCursorNow();
      return 0;
    case WM_TIMER:
      ++g.ticks;
      return 0;
    case WM_LBUTTONDBLCLK:
      ++g.doubleClicks;  // not a swing: the cursor stays as it is
      break;
    case WM_SIZE:
      g.gameSizes.push_back(wParam);
      if (wParam == SIZE_MINIMIZED) {
        KillTimer(h, 1);
      } else if (g.ticks > 0) {
        SetTimer(h, 1, 100, nullptr);
      }
      return 0;
    case WM_DESTROY:
      g.destroyed.push_back(2);
      KillTimer(h, 1);
      return 0;
    default:
      break;
  }
  return DefWindowProcA(h, msg, wParam, lParam);
}

// Moves the game window over the frame's client area; the first time the frame is
// still shrunk to fit its client first.
void Fit(HWND frame, bool shrink) {
  RECT area, outer, want;
  GetClientRect(frame, &area);
  GetWindowRect(frame, &outer);
  GetWindowRect(g.game, &want);
  const int ww = want.right - want.left;
  const int wh = want.bottom - want.top;
  if (shrink && (ww != area.right || wh != area.bottom)) {
    MoveWindow(frame, outer.left, outer.top, ww + (outer.right - outer.left) - area.right,
               wh + (outer.bottom - outer.top) - area.bottom, TRUE);
    GetClientRect(frame, &area);
  }
  MoveWindow(g.game, 0, 0, area.right, area.bottom, TRUE);
}

LRESULT CALLBACK FrameProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE:
      g.frame = h;
      g.game = CreateWindowExA(0, "KlopShellGame", "", WS_CHILD | WS_VISIBLE, 0, 0, 282, 400, h,
                               nullptr, Module(), nullptr);
      if (g.game == nullptr) return -1;
      Fit(h, true);
      return 0;
    case WM_SETFOCUS:
      SetFocus(g.game);
      return 0;
    case WM_SIZE: {
      if (g.game == nullptr) return 0;
      // A fit that moved the game window gave it a size message of its own; otherwise the
      // frame hands its own on.
      RECT before, after;
      GetClientRect(g.game, &before);
      if (wParam != SIZE_MINIMIZED) Fit(h, false);
      GetClientRect(g.game, &after);
      if (before.right == after.right && before.bottom == after.bottom) {
        SendMessageA(g.game, WM_SIZE, wParam, lParam);
      }
      return 0;
    }
    case WM_DESTROY:
      g.destroyed.push_back(1);
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(h, msg, wParam, lParam);
  }
}

class TShellFlow : public TWindowingTest {
 protected:
  void SetUp() override {
    TWindowingTest::SetUp();
    g = TShell{};
    g.cursor = LoadCursorA(Module(), "Malet");
    WNDCLASSA wc{};
    if (!GetClassInfoA(nullptr, "KlopShellFrame", &wc)) {
      wc = WNDCLASSA{CS_DBLCLKS,
                     FrameProc,
                     0,
                     0,
                     Module(),
                     nullptr,
                     LoadCursorA(nullptr, IDC_ARROW),
                     reinterpret_cast<HBRUSH>(static_cast<std::intptr_t>(COLOR_WINDOW + 1)),
                     nullptr,
                     "KlopShellFrame"};
      ASSERT_NE(RegisterClassA(&wc), 0);
      wc.lpfnWndProc = GameProc;
      wc.lpszClassName = "KlopShellGame";
      ASSERT_NE(RegisterClassA(&wc), 0);
    }
  }

  static std::uint64_t Id(const char* name) {
    return platform::CursorShapeOf(LoadCursorA(Module(), name))->id;
  }

  // The loop until the virtual clock reaches `t`: messages, then sleep.
  void RunUntil(long long t) {
    MSG m;
    while (host.Now() < Ms(t)) {
      while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        ASSERT_NE(m.message, static_cast<UINT>(WM_QUIT));
        TranslateMessage(&m);
        DispatchMessageA(&m);
      }
      // Something to wake for at `t` at the latest that changes nothing.
      host.ExposeAt(Ms(t), platform::THeadlessHost::HostOf(g.frame), {0, 0, 0, 0});
      WaitMessage();
    }
    Pump();
  }
};

TEST_F(TShellFlow, AFrameAroundTheGameWindowFromStartToClose) {
  host.SetDecorations({4, 24, 4, 4});
  HWND frame = CreateWindowExA(0, "KlopShellFrame", "Klop!",
                               WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, CW_USEDEFAULT, 0,
                               CW_USEDEFAULT, 0, nullptr, nullptr, Module(), nullptr);
  ASSERT_NE(frame, nullptr);
  ShowWindow(frame, SW_SHOWDEFAULT);
  RECT r;
  GetClientRect(frame, &r);
  EXPECT_EQ(r.right, 282);
  EXPECT_EQ(r.bottom, 400);
  GetClientRect(g.game, &r);
  EXPECT_EQ(r.right, 282);
  EXPECT_EQ(GetFocus(), g.game) << "the frame handed its focus on";
  const platform::HostWindow hw = platform::THeadlessHost::HostOf(frame);
  EXPECT_EQ(host.Window(hw)->title, "Klop!");

  // Press and release swap the mallet at once; the double-click press changes nothing.
  host.MoveToClientAt(Ms(10), g.game, 100, 100);
  RunUntil(10);
  EXPECT_EQ(host.CurrentCursor().id, Id("Malet"));
  host.PressAt(Ms(20));
  RunUntil(20);
  EXPECT_EQ(host.CurrentCursor().id, Id("MaletDown"));
  host.ReleaseAt(Ms(30));
  host.PressAt(Ms(40));  // the second press of a double-click
  RunUntil(40);
  EXPECT_EQ(host.CurrentCursor().id, Id("Malet"));
  EXPECT_EQ(g.doubleClicks, 1);
  host.ReleaseAt(Ms(50));
  RunUntil(50);
  EXPECT_EQ(host.CurrentCursor().id, Id("Malet"));

  // The clock started at the press: ten ticks in the first second.
  RunUntil(1020);
  EXPECT_EQ(g.ticks, 10);

  // Minimised it stands still; restored at the same size it runs again.
  host.MinimizeAt(Ms(1050), hw);
  RunUntil(3050);
  EXPECT_EQ(g.ticks, 10);
  host.RestoreAt(Ms(3050), hw);
  RunUntil(3550);
  EXPECT_EQ(g.ticks, 15);
  ASSERT_GE(g.gameSizes.size(), 2u);
  EXPECT_EQ(g.gameSizes[g.gameSizes.size() - 2], SIZE_MINIMIZED);
  EXPECT_EQ(g.gameSizes.back(), SIZE_RESTORED);
  EXPECT_EQ(GetFocus(), g.game) << "focus is back after the restore";

  // A user resize stretches the game window over the frame's client area.
  host.ResizeAt(Ms(3600), hw, 400, 500);
  RunUntil(3600);
  GetClientRect(g.game, &r);
  EXPECT_EQ(r.right, 400);
  EXPECT_EQ(r.bottom, 500);

  // Closing destroys the frame, then the game window, and ends the loop with 0.
  host.CloseAt(Ms(3700), hw);
  host.AdvanceTime(Ms(3700) - std::chrono::duration_cast<std::chrono::milliseconds>(host.Now()));
  MSG m;
  int code = -1;
  for (;;) {
    const BOOL got = GetMessageA(&m, nullptr, 0, 0);
    if (got == 0) {
      code = static_cast<int>(m.wParam);
      break;
    }
    DispatchMessageA(&m);
  }
  EXPECT_EQ(code, 0);
  EXPECT_EQ(g.destroyed, (std::vector<UINT>{1, 2}));
  EXPECT_FALSE(IsWindow(frame));
  EXPECT_FALSE(IsWindow(g.game));
  EXPECT_EQ(host.WindowCount(), 0u);
}

}  // namespace
}  // namespace klop_test
