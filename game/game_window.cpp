#include "game/game_window.h"

#include <cstdlib>
#include <ctime>

#include "app/application.h"
#include "app/dialog.h"
#include "game/ids.h"
#include "game/option_dialog.h"

DEFINE_EVENTS(TGameWindow, TWindow)
EVENT_COMMAND(CM_ABOUT, ShowAbout)
EVENT_COMMAND(CM_PAUSE, PauseOrContinue)
EVENT_COMMAND(CM_OPTIONS, ShowOptions)
EVENT_ENABLER(CM_OPTIONS, OptionsEnabled)
EVENT_COMMAND(CM_NEW, NewGame)
EVENT_ENABLER(CM_NEW, NewEnabled)
EVENT_COMMAND(CM_STOP, StopGame)
EVENT_ENABLER(CM_STOP, StopEnabled)
EVENT_MESSAGE(WM_ERASEBKGND, EraseBackground)
EVENT_MESSAGE(WM_DESTROY, WindowDestroyed)
EVENT_MESSAGE(WM_LBUTTONDOWN, Swing)
EVENT_MESSAGE(WM_LBUTTONUP, LiftMallet)
EVENT_MESSAGE(WM_TIMER, Tick)
EVENT_MESSAGE(WM_SIZE, Resized)
EVENT_MESSAGE(WM_PAINT, EvPaint)
END_EVENTS

namespace {

// Points a window's change context at the context of one tick or swing, and back to
// none when it ends, however it ends.
class TChangeScope {
 public:
  TChangeScope(TDC*& slot, TDC& dc) : Slot(slot) { Slot = &dc; }
  ~TChangeScope() { Slot = nullptr; }
  TChangeScope(const TChangeScope&) = delete;
  TChangeScope& operator=(const TChangeScope&) = delete;

 private:
  TDC*& Slot;
};

std::optional<std::uint32_t> g_testSeed;

std::uint32_t StartSeed() {
  if (g_testSeed) return *g_testSeed;
  return static_cast<std::uint32_t>(std::time(nullptr));
}

}  // namespace

void TGameWindow::SetSeedForTesting(std::optional<std::uint32_t> seed) {
  g_testSeed = seed;
}

TGameWindow::TGameWindow() : TGameWindow(StartSeed()) {}

TGameWindow::TGameWindow(std::uint32_t seed) : TWindow(nullptr, nullptr), TGameRules(seed) {
  Attr.W = kWidth;
  Attr.H = kHeight;
  SetCursor(GetModule(), "Malet");
}

TGameWindow::~TGameWindow() = default;

void TGameWindow::SetupWindow() {
  TWindow::SetupWindow();
  LoadPictures();
}

void TGameWindow::Paint(TDC& dc, bool, const RECT&) {
  DrawAll(dc);
}

// --- Rules' hooks -----------------------------------------------------------------

void TGameWindow::HoleChanged(int index) {
  if (ChangeDC) DrawHole(*ChangeDC, index);
}

void TGameWindow::PanelChanged() {
  if (ChangeDC) DrawChangedScore(*ChangeDC);
}

void TGameWindow::StartClock() {
  if (::SetTimer(GetHandle(), kClockId, kClockMs, nullptr) == 0) {
    MessageBox("No Timers Left", GetApplication()->GetName().c_str(), MB_ICONEXCLAMATION);
    std::exit(1);
  }
}

void TGameWindow::StopClock() {
  ::KillTimer(GetHandle(), kClockId);
}

void TGameWindow::SetPauseItem(const char* text, bool grayed) {
  HWND frame = ::GetParent(GetHandle());
  HMENU menu = ::GetMenu(frame);
  ::ModifyMenuA(menu, CM_PAUSE, MF_BYCOMMAND | MF_STRING | (grayed ? MF_GRAYED : 0u), CM_PAUSE,
                text);
  ::DrawMenuBar(frame);
}

void TGameWindow::InvalidateAll() {
  ::InvalidateRect(GetHandle(), nullptr, TRUE);
}

// --- Messages ---------------------------------------------------------------------

void TGameWindow::Tick(UINT) {
  TClientDC dc(GetHandle());
  TChangeScope scope(ChangeDC, dc);
  TGameRules::Tick();
}

void TGameWindow::Swing(UINT, const POINT& point) {
  ShowCursorNow("MaletDown");
  if (GameOver || Paused) return;
  TClientDC dc(GetHandle());
  TChangeScope scope(ChangeDC, dc);
  TGameRules::Swing(point.x, point.y);
}

void TGameWindow::LiftMallet(UINT, const POINT&) {
  ShowCursorNow("Malet");
}

void TGameWindow::ShowCursorNow(const char* name) {
  SetCursor(GetModule(), name);
  // Writing the position back makes the platform ask for the cursor again.
  POINT at{};
  ::GetCursorPos(&at);
  ::SetCursorPos(at.x, at.y);
}

void TGameWindow::Resized(UINT sizeType, const SIZE&) {
  if (GameOver) return;
  if (sizeType == SIZE_MINIMIZED) {
    StopClock();
  } else if (!Paused) {
    StartClock();
  }
}

void TGameWindow::WindowDestroyed() {
  LiveBmp.reset();
  DeadBmp.reset();
  GameOverBmp.reset();
  BoardBmp.reset();
  StopClock();
  TWindow::EvDestroy();
}

void TGameWindow::ShowAbout() {
  TDialog(this, "About").Execute();
}

void TGameWindow::ShowOptions() {
  TOptionDialog(this, "OptionDlg").Execute();
}
