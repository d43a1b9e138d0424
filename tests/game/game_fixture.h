// The whole program from its entry on a headless host, with checks and input scripted
// at virtual times. A check runs inside the program, at the first moment the program
// waits at or after its time (between ticks, or in a dialog's or a menu's loop), so it
// can look at the game window, its pixels and the windows open, and script the input
// that follows.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "game/game_window.h"
#include "platform/host/headless.h"
#include "platform/platform.h"

namespace klop_test {

using namespace std::chrono_literals;
using TMs = std::chrono::milliseconds;

class TGameHost : public platform::THeadlessHost {
 public:
  void At(TMs at, std::function<void()> check) { Checks.emplace(at, std::move(check)); }
  void Wait(platform::HostTime deadline) override;
  bool ChecksLeft() const { return !Checks.empty(); }

 private:
  std::multimap<platform::HostTime, std::function<void()>> Checks;
};

class TGameTest : public ::testing::Test {
 protected:
  static constexpr std::uint32_t kSeed = 20261208;

  void SetUp() override;
  void TearDown() override;

  // Runs the program until it ends; answers its exit status.
  int Run();
  void At(TMs at, std::function<void()> check) { host.At(at, std::move(check)); }

  // While the program runs.
  TMs Now() const { return std::chrono::duration_cast<TMs>(host.Now()); }
  HWND Frame() const;
  HWND Game() const;
  TGameWindow& Window() const;
  platform::HostWindow FrameHost() const { return platform::THeadlessHost::HostOf(Frame()); }
  // The window of the modal dialog or message box in front, or null.
  HWND Modal() const;
  std::string TextOf(HWND hwnd) const;
  // A menu command as the menu sends it.
  void Command(unsigned id) const;
  // Script, from now on.
  void ClickGame(TMs after, int x, int y);
  void Key(TMs after, unsigned vk, unsigned modifiers = 0);
  void Type(TMs after, const std::string& text);
  void Close(TMs after);

  // The game window's client pixels, rows top to bottom.
  std::vector<std::uint32_t> Picture() const;
  std::uint32_t Pixel(int x, int y) const { return host.PixelAt(Game(), x, y); }
  // The text the panel shows in a number box: 0 time, 1 hits, 2 misses, 3 escaped,
  // 4 score; "?" when the box's pixels match none of the texts asked.
  bool PanelShows(int box, const std::string& text) const;

  TGameHost host;
};

}  // namespace klop_test
