// The game window: the frame's client, where the game is played and drawn. The rules
// come from TGameRules; this class turns their hooks into drawing, timer and menu
// calls, and binds the window's messages and the menu's commands to them.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

#include "app/command_enabler.h"
#include "app/dc.h"
#include "app/event_table.h"
#include "app/gdi_objects.h"
#include "app/window.h"
#include "game/rules.h"

class TGameWindow : public TWindow, public TGameRules {
  DECLARE_EVENTS(TGameWindow);

 public:
  static constexpr int kWidth = 282;
  static constexpr int kHeight = 400;
  static constexpr UINT_PTR kClockId = 1;
  static constexpr UINT kClockMs = 100;

  // Seeded from the calendar time, once.
  TGameWindow();
  explicit TGameWindow(std::uint32_t seed);
  ~TGameWindow() override;

  // For tests: windows made from now on without a seed take this one instead of the
  // time, so that a game can be known in advance. Null goes back to the time.
  static void SetSeedForTesting(std::optional<std::uint32_t> seed);

  // Drawing, each on the context given; every operation selects what it needs itself.
  void DrawBoard(TDC& dc);
  void DrawGameOver(TDC& dc);
  void DrawHole(TDC& dc, int index);
  void DrawScore(TDC& dc);
  // The numbers whose value differs from what this last drew (all five after a paint or
  // a DrawScore): a tick changes the time and seldom a counter.
  void DrawChangedScore(TDC& dc);

  // Handlers, public so that the framework's table and tests can name them.
  void ShowAbout();
  void ShowOptions();
  void PauseOrContinue() { TGameRules::PauseOrContinue(); }
  void NewGame() { TGameRules::NewGame(); }
  void StopGame() { TGameRules::StopGame(); }
  void OptionsEnabled(TCommandEnabler& ce) { ce.Enable(TGameRules::OptionsEnabled()); }
  void NewEnabled(TCommandEnabler& ce) { ce.Enable(TGameRules::NewEnabled()); }
  void StopEnabled(TCommandEnabler& ce) { ce.Enable(TGameRules::StopEnabled()); }
  bool EraseBackground(HDC dc);
  void WindowDestroyed();
  void Swing(UINT modKeys, const POINT& point);
  void LiftMallet(UINT modKeys, const POINT& point);
  void Tick(UINT timerId);
  void Resized(UINT sizeType, const SIZE& size);

 protected:
  void SetupWindow() override;
  void Paint(TDC& dc, bool erase, const RECT& rect) override;

  // The rules' hooks.
  void HoleChanged(int index) override;
  void PanelChanged() override;
  void StartClock() override;
  void StopClock() override;
  void SetPauseItem(const char* text, bool grayed) override;
  void InvalidateAll() override;

 private:
  void LoadPictures();
  void DrawAll(TDC& dc);
  void DrawNumber(TDC& dc, int box, std::int64_t value);
  std::array<std::int64_t, 5> PanelValues() const;  // as the five boxes show them
  // Sets the window's cursor and shows it at once, without waiting for a mouse move.
  void ShowCursorNow(const char* name);

  std::unique_ptr<TBitmap> LiveBmp;
  std::unique_ptr<TBitmap> DeadBmp;
  std::unique_ptr<TBitmap> GameOverBmp;
  std::unique_ptr<TBitmap> BoardBmp;

  // The context of the tick or swing running now, on which its changes are drawn.
  TDC* ChangeDC = nullptr;

  // The values DrawChangedScore last drew: time left, hits, misses, escaped, score.
  std::array<std::int64_t, 5> Shown{};
  bool ShownKnown = false;
};

// Copies the whole bitmap to (x, y) of the context.
void DrawBitmap(TDC& dc, int x, int y, TBitmap& bitmap);
