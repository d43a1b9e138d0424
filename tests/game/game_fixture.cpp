#include "tests/game/game_fixture.h"

#include "app/entry.h"
#include "app/frame_window.h"
#include "program/app.h"
#include "res/klop_resources.h"
#include "tests/game/game_support.h"

namespace klop_test {

void TGameHost::Wait(platform::HostTime deadline) {
  if (!Checks.empty() && Checks.begin()->first <= deadline) {
    const platform::HostTime due = Checks.begin()->first;
    // Ends at an input that comes first, or at the check's time.
    THeadlessHost::Wait(due);
    if (Now() >= due) {
      auto check = std::move(Checks.begin()->second);
      Checks.erase(Checks.begin());
      check();
    }
    return;
  }
  THeadlessHost::Wait(deadline);
}

void TGameTest::SetUp() {
  platform::ResetForTesting();
  TGameWindow::SetSeedForTesting(kSeed);
}

void TGameTest::TearDown() {
  TGameWindow::SetSeedForTesting(std::nullopt);
  platform::ResetForTesting();
}

int TGameTest::Run() {
  char name[] = "klop";
  char* argv[] = {name, nullptr};
  const int status = RunProcess(host, klop::Module(), 1, argv, ProgramMain);
  EXPECT_FALSE(host.ChecksLeft()) << "the program ended before every check had run";
  EXPECT_FALSE(host.RanOut()) << "the program waited for input the script never gave";
  return status;
}

HWND TGameTest::Frame() const {
  TApplication* app = TApplication::Current();
  return app && app->GetMainWindow() ? app->GetMainWindow()->GetHandle() : nullptr;
}

HWND TGameTest::Game() const {
  return Window().GetHandle();
}

TGameWindow& TGameTest::Window() const {
  auto* game =
      dynamic_cast<TGameWindow*>(TApplication::Current()->GetMainWindow()->GetClientWindow());
  if (game == nullptr) throw std::logic_error("the frame's client is not the game window");
  return *game;
}

HWND TGameTest::Modal() const {
  HWND active = ::GetActiveWindow();
  return active != Frame() ? active : nullptr;
}

std::string TGameTest::TextOf(HWND hwnd) const {
  char buffer[256] = {};
  ::GetWindowTextA(hwnd, buffer, sizeof buffer);
  return buffer;
}

void TGameTest::Command(unsigned id) const {
  ::PostMessageA(Frame(), WM_COMMAND, id, 0);
}

void TGameTest::ClickGame(TMs after, int x, int y) {
  host.ClickClientAt(host.Now() + after, Game(), x, y);
}

void TGameTest::Key(TMs after, unsigned vk, unsigned modifiers) {
  host.KeyAt(host.Now() + after, vk, true, modifiers);
  host.KeyAt(host.Now() + after, vk, false, modifiers);
}

void TGameTest::Type(TMs after, const std::string& text) {
  for (char ch : text) host.TypeAt(host.Now() + after, ch);
}

void TGameTest::Close(TMs after) {
  host.CloseAt(host.Now() + after, FrameHost());
}

std::vector<std::uint32_t> TGameTest::Picture() const {
  std::vector<std::uint32_t> pixels;
  pixels.reserve(TGameWindow::kWidth * TGameWindow::kHeight);
  for (int y = 0; y < TGameWindow::kHeight; ++y) {
    for (int x = 0; x < TGameWindow::kWidth; ++x) pixels.push_back(Pixel(x, y));
  }
  return pixels;
}

bool TGameTest::PanelShows(int box, const std::string& text) const {
  return klop_test::PanelShows(host, Game(), box, text);
}

}  // namespace klop_test
