// The program from its entry: the frame around the probe, its size, the size messages
// its client gets, and the end of the run.
#include "app_fixture.h"

namespace app_test {
namespace {

using std::chrono::milliseconds;

RECT ClientOf(HWND hwnd) {
  RECT r{};
  GetClientRect(hwnd, &r);
  return r;
}

SIZE SizeOf(const RECT& r) {
  return {r.right - r.left, r.bottom - r.top};
}

bool Same(const SIZE& a, const SIZE& b) {
  return a.cx == b.cx && a.cy == b.cy;
}

class TFrameTest : public TAppTest {};

TEST_F(TFrameTest, TheClientAreaIs282By400WhateverTheDesktopFirstChose) {
  const platform::HostInsets decorations[] = {{0, 0, 0, 0}, {4, 24, 4, 4}, {11, 37, 9, 13}};
  for (const platform::HostInsets& d : decorations) {
    SCOPED_TRACE(d.top);
    SetUp();
    host.SetDecorations(d);
    SIZE frameClient{};
    SIZE probe{};
    std::string title;
    onTick = [&](TProbe& p, int tick) {
      if (tick != 1) return;
      frameClient = SizeOf(ClientOf(rec.frame));
      probe = SizeOf(ClientOf(p.GetHandle()));
      char text[32] = {};
      GetWindowTextA(rec.frame, text, sizeof text);
      title = text;
      CloseFrame();
    };
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_TRUE(Same(frameClient, {282, 400})) << frameClient.cx << "x" << frameClient.cy;
    EXPECT_TRUE(Same(probe, {282, 400})) << probe.cx << "x" << probe.cy;
    EXPECT_EQ(title, "Klop!");
    EXPECT_TRUE(rec.destroyed);
    TearDown();
  }
}

TEST_F(TFrameTest, TheFrameHasItsStyleMenuAndIcon) {
  LONG_PTR style = 0;
  HMENU menu = nullptr;
  HICON dragIcon = nullptr;
  HWND focus = nullptr;
  onTick = [&](TProbe& p, int tick) {
    if (tick != 1) return;
    style = GetWindowLongPtrA(rec.frame, GWL_STYLE);
    menu = GetMenu(rec.frame);
    dragIcon = reinterpret_cast<HICON>(SendMessageA(rec.frame, WM_QUERYDRAGICON, 0, 0));
    SetFocus(rec.frame);  // passed on to the client
    focus = GetFocus();
    (void)p;
    CloseFrame();
  };
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_EQ(static_cast<DWORD>(style) & 0x12CF0000u, 0x12CF0000u);
  EXPECT_NE(menu, nullptr);
  EXPECT_EQ(dragIcon, LoadIconA(klop::Module(), "Critter"));
  EXPECT_EQ(focus, rec.probe);
}

TEST_F(TFrameTest, TheClientFollowsTheFrameAfterAUserResize) {
  SIZE frameClient{};
  SIZE probe{};
  onTick = [&](TProbe& p, int tick) {
    if (tick == 1) host.ResizeAt(host.Now(), FrameHost(), 400, 520);
    if (tick == 3) {
      frameClient = SizeOf(ClientOf(rec.frame));
      probe = SizeOf(ClientOf(p.GetHandle()));
      CloseFrame();
    }
  };
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_GT(frameClient.cx, 282);
  EXPECT_GT(frameClient.cy, 400);
  EXPECT_TRUE(Same(probe, frameClient)) << probe.cx << "x" << probe.cy;
  ASSERT_FALSE(rec.sizes.empty());
  EXPECT_TRUE(Same(rec.sizes.back().second, frameClient));
}

TEST_F(TFrameTest, MinimiseAndRestoreReachTheClientAsSizeMessages) {
  onTick = [&](TProbe&, int tick) {
    if (tick == 1) {
      rec.sizes.clear();
      host.MinimizeAt(host.Now(), FrameHost());
      host.RestoreAt(host.Now() + milliseconds(300), FrameHost());
    }
    if (tick == 6) CloseFrame();
  };
  EXPECT_EQ(RunProgram(), 0);
  std::vector<UINT> types;
  for (const auto& [type, size] : rec.sizes) types.push_back(type);
  EXPECT_EQ(types, (std::vector<UINT>{SIZE_MINIMIZED, SIZE_RESTORED}));
  ASSERT_EQ(rec.sizes.size(), 2u);
  EXPECT_TRUE(Same(rec.sizes[1].second, {282, 400}));
}

TEST_F(TFrameTest, ClosingTheFrameEndsWith0AndDropsWhatIsStillQueued) {
  onTick = [&](TProbe&, int tick) {
    if (tick != 2) return;
    CloseFrame();
    // Input that comes after the close is never delivered.
    host.KeyAt(host.Now(), 'A', true);
    host.KeyAt(host.Now(), 'A', false);
  };
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_TRUE(rec.destroyed);
  EXPECT_EQ(rec.ticks, 2);
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) << msg.message;
}

TEST_F(TFrameTest, MenuCommandsGoToTheClientThroughTheFrame) {
  onTick = [&](TProbe&, int tick) {
    if (tick != 1) return;
    SendMessageA(rec.frame, WM_COMMAND, kCmPause, 0);
    SendMessageA(rec.frame, WM_COMMAND, kCmAbout, 0);
    SendMessageA(rec.frame, WM_COMMAND, kCmOptions, 0);  // nobody's: nothing happens
    CloseFrame();
  };
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_EQ(rec.calls, (std::vector<std::string>{"probe:pause", "probe:about"}));
}

TEST_F(TFrameTest, WhileMinimisedTheFramePaintsItsIcon) {
  std::uint32_t corner = 0;
  onTick = [&](TProbe&, int tick) {
    if (tick == 1) host.MinimizeAt(host.Now(), FrameHost());
    if (tick == 2) {
      // The client covers the frame; out of the way, the frame's own picture shows.
      ShowWindow(rec.probe, SW_HIDE);
      InvalidateRect(rec.frame, nullptr, TRUE);
      UpdateWindow(rec.frame);
      HDC dc = GetDC(rec.frame);
      corner = GetPixel(dc, 15, 15);
      ReleaseDC(rec.frame, dc);
      ShowWindow(rec.probe, SW_SHOW);
      host.RestoreAt(host.Now(), FrameHost());
      CloseFrame();
    }
  };
  EXPECT_EQ(RunProgram(), 0);
  // The icon's own pixel there, drawn on a surface of the window colour.
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateCompatibleBitmap(screen, 32, 32);
  ReleaseDC(nullptr, screen);
  SelectObject(mem, bmp);
  RECT all{0, 0, 32, 32};
  FillRect(mem, &all, GetSysColorBrush(COLOR_WINDOW));
  DrawIcon(mem, 0, 0, LoadIconA(klop::Module(), "Critter"));
  EXPECT_EQ(corner, GetPixel(mem, 15, 15));
  DeleteDC(mem);
  DeleteObject(bmp);
}

TEST_F(TFrameTest, MinimisedAtStartWhenTheShowCommandSaysSo) {
  onTick = [&](TProbe&, int tick) {
    if (tick == 1) {
      EXPECT_TRUE(IsIconic(rec.frame));
      EXPECT_EQ(SendMessageA(rec.frame, WM_QUERYENDSESSION, 0, 0), TRUE);
      CloseFrame();
    }
  };
  EXPECT_EQ(RunProgram([](int, char**) {
              TTestApp app;
              app.nCmdShow = SW_MINIMIZE;
              return app.Run();
            }),
            0);
  ASSERT_FALSE(rec.sizes.empty());
  EXPECT_EQ(rec.sizes.back().first, SIZE_MINIMIZED);
}

}  // namespace
}  // namespace app_test
