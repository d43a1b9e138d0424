#include "fuzz/storm.h"

#include <malloc.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <vector>

#include "app/application.h"
#include "app/entry.h"
#include "app/frame_window.h"
#include "game/game_window.h"
#include "game/ids.h"
#include "game/panel_text.h"
#include "platform/host/headless.h"
#include "platform/platform.h"
#include "program/app.h"
#include "res/klop_resources.h"
#include "tests/game/game_support.h"

#if defined(__SANITIZE_ADDRESS__)
#define KLOP_STORM_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KLOP_STORM_ASAN 1
#endif
#endif
#ifdef KLOP_STORM_ASAN
// The sanitizer runtime's count of the bytes its heap holds (GCC ships no header for it).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace klop_storm {
namespace {

using klop_test::TImage;
using platform::HostTime;
using std::chrono::milliseconds;

TObjectCounts CountsNow() {
  return {platform::LiveWindowsForTesting(), platform::LiveDCsForTesting(),
          platform::LiveGdiObjectsForTesting(), platform::LiveTimersForTesting(),
          platform::LiveMenusForTesting()};
}

std::string Describe(const TObjectCounts& c) {
  return std::to_string(c.Windows) + " windows, " + std::to_string(c.DCs) + " DCs, " +
         std::to_string(c.GdiObjects) + " drawing objects, " + std::to_string(c.Timers) +
         " timers, " + std::to_string(c.Menus) + " menus";
}

// The sanitizers keep a heap of their own, which mallinfo2 does not see.
std::size_t HeapInUse() {
#ifdef KLOP_STORM_ASAN
  return __sanitizer_get_current_allocated_bytes();
#else
  return mallinfo2().uordblks;
#endif
}

std::string TextOf(HWND hwnd) {
  char buffer[128] = {};
  ::GetWindowTextA(hwnd, buffer, sizeof buffer);
  return buffer;
}

// Whether an item of the frame's menu bar shows highlighted: the bar is in menu mode.
bool BarHighlighted(HWND frame) {
  const COLORREF highlight = ::GetSysColor(COLOR_HIGHLIGHT);
  RECT r{};
  ::GetWindowRect(frame, &r);
  HDC dc = ::GetWindowDC(frame);
  bool found = false;
  for (int x = 0; x < r.right - r.left && !found; ++x) {
    found = ::GetPixel(dc, x, ::GetSystemMetrics(SM_CYMENU) / 2) == highlight;
  }
  ::ReleaseDC(frame, dc);
  return found;
}

RECT RectOf(HWND hwnd) {
  RECT r{};
  ::GetWindowRect(hwnd, &r);
  return r;
}

class TDriver;

class TStormHost : public platform::THeadlessHost {
 public:
  explicit TStormHost(TDriver& driver) : Driver(driver) {}
  void Wait(HostTime deadline) override;
  void WaitForReal(HostTime deadline) { THeadlessHost::Wait(deadline); }

 private:
  TDriver& Driver;
};

// Runs the program until the input ends, restarting it when a close request ends it,
// and checks the invariants each time the program waits.
class TDriver {
 public:
  virtual ~TDriver() = default;
  std::string Run();
  void Step(HostTime deadline);
  const TStormReach& Reached() const { return Reach; }

 protected:
  // Scripts the next input, or only moves the clock on; false when no input is left.
  virtual bool Feed() = 0;
  // Each check with no game running, no dialog and no menu open.
  virtual void AtRest() {}
  // Each check, after the invariants held.
  virtual void Checked() {}

  TGameWindow* Game() const;
  HWND Frame() const;
  // The shown dialogs and message boxes, oldest first.
  std::vector<HWND> Modals() const;
  HWND Front() const;  // the newest enabled dialog, else the frame
  bool MenuOpen() const { return !Host->ShownPopups().empty(); }
  milliseconds Now() const;

  // Input, at the current time plus the jumps asked since the last input.
  HostTime Start();
  void Jump(milliseconds by) { Carry += by; }
  void Click(int x, int y);
  void DoubleClick(int x, int y);
  void Key(unsigned vk, unsigned modifiers = 0);
  void AltKey(unsigned vk);
  void ClickGame(int x, int y);
  // A point of `r`, and a little around it, chosen by two bytes.
  static POINT PointIn(const RECT& r, std::uint8_t fx, std::uint8_t fy);
  RECT FrontRect() const;
  void ChooseByMouse(int barPos, int itemPos);
  void ClickChild(std::uint8_t which, std::uint8_t fx, std::uint8_t fy);
  void Note(std::string event);
  void Fail(const std::string& what);

  std::unique_ptr<TStormHost> Host;
  std::deque<std::function<void()>> Plan;  // steps that need the program's answer first
  std::string Report;
  int Events = 0;
  TStormReach Reach;
  int PictureEvery = 1;  // checks between two readings of the picture

 private:
  void Check();
  void CheckModals(HWND frame);
  void CheckPicture(const TGameWindow& game);
  void CheckEnd(int status);
  void WindDown();

  milliseconds Carry{0};
  bool Ending = false;
  int WindDownSteps = 0;
  bool WasOver = true;
  int OptionsRun = 0;  // the run whose options LastOptions holds
  std::array<std::int32_t, 3> LastOptions{};
  std::optional<TObjectCounts> RestCounts;
  std::optional<std::size_t> GdiObjectsBetweenRuns;
  std::deque<std::string> Trail;
  std::optional<TImage> Live, Dead, Over;
  std::array<std::int64_t, 13> LastShown{};
};

void TStormHost::Wait(HostTime deadline) {
  Driver.Step(deadline);
}

std::string TDriver::Run() {
  char name[] = "klop";
  char* argv[] = {name, nullptr};
  // The same critters every time, so that a report can be replayed.
  TGameWindow::SetSeedForTesting(20261209);
  while (Report.empty()) {
    platform::ResetForTesting();
    Host = std::make_unique<TStormHost>(*this);
    RestCounts.reset();
    LastShown = {};
    Carry = {};
    Plan.clear();
    ++Reach.Runs;
    Note("the program starts");
    const int status = RunProcess(*Host, klop::Module(), 1, argv, ProgramMain);
    if (Report.empty()) CheckEnd(status);
    if (Ending) break;
  }
  Host.reset();
  platform::ResetForTesting();
  TGameWindow::SetSeedForTesting(std::nullopt);
  return Report;
}

void TDriver::Step(HostTime deadline) {
  if (!Ending) Check();
  while (Host->Pending() == 0) {
    if (Ending) {
      WindDown();
      break;
    }
    if (!Plan.empty()) {
      auto step = std::move(Plan.front());
      Plan.pop_front();
      step();
    } else if (!Feed()) {
      Ending = true;
    }
  }
  Host->WaitForReal(deadline);
}

// Ends the program the way a user would: the button let go, Escape for a menu or a
// dialog, the close request on the window in front.
void TDriver::WindDown() {
  if (++WindDownSteps > 64) {
    std::fprintf(stderr, "%s\nstorm: the program does not end\n", Report.c_str());
    std::abort();
  }
  const HostTime t = Start();
  Host->ReleaseAt(t);
  Host->KeyAt(t, VK_ESCAPE, true);
  Host->KeyAt(t, VK_ESCAPE, false);
  if (HWND front = Front()) Host->CloseAt(t, platform::THeadlessHost::HostOf(front));
}

TGameWindow* TDriver::Game() const {
  TApplication* app = TApplication::Current();
  if (app == nullptr || app->GetMainWindow() == nullptr) return nullptr;
  auto* game = dynamic_cast<TGameWindow*>(app->GetMainWindow()->GetClientWindow());
  return game != nullptr && game->GetHandle() != nullptr ? game : nullptr;
}

HWND TDriver::Frame() const {
  TApplication* app = TApplication::Current();
  return app && app->GetMainWindow() ? app->GetMainWindow()->GetHandle() : nullptr;
}

std::vector<HWND> TDriver::Modals() const {
  std::vector<HWND> found;
  ::EnumThreadWindows(
      ::GetCurrentThreadId(),
      [](HWND h, LPARAM list) -> BOOL {
        const auto style = static_cast<DWORD>(::GetWindowLongPtrA(h, GWL_STYLE));
        if (::IsWindowVisible(h) && ::GetWindow(h, GW_OWNER) != nullptr &&
            (style & WS_CAPTION) == WS_CAPTION) {
          reinterpret_cast<std::vector<HWND>*>(list)->push_back(h);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

HWND TDriver::Front() const {
  for (HWND h : Modals()) {
    if (::IsWindowEnabled(h)) return h;
  }
  return Frame();
}

milliseconds TDriver::Now() const {
  return std::chrono::duration_cast<milliseconds>(Host->Now());
}

HostTime TDriver::Start() {
  const HostTime t = Host->Now() + Carry;
  Carry = {};
  return t;
}

void TDriver::Click(int x, int y) {
  Host->ClickAt(Start(), x, y);
}

void TDriver::DoubleClick(int x, int y) {
  const HostTime t = Start();
  Host->ClickAt(t, x, y);
  Host->ClickAt(t + milliseconds(60), x, y);
}

void TDriver::Key(unsigned vk, unsigned modifiers) {
  const HostTime t = Start();
  if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z')) {
    if (modifiers == 0) {
      Host->TypeAt(t, static_cast<char>(vk));
      return;
    }
  }
  Host->KeyAt(t, vk, true, modifiers);
  Host->KeyAt(t, vk, false, modifiers);
}

void TDriver::AltKey(unsigned vk) {
  const HostTime t = Start();
  Host->KeyAt(t, VK_MENU, true, platform::kModAlt);
  Host->KeyAt(t, vk, true, platform::kModAlt);
  Host->KeyAt(t, vk, false, platform::kModAlt);
  Host->KeyAt(t, VK_MENU, false);
}

void TDriver::ClickGame(int x, int y) {
  if (TGameWindow* game = Game()) Host->ClickClientAt(Start(), game->GetHandle(), x, y);
}

POINT TDriver::PointIn(const RECT& r, std::uint8_t fx, std::uint8_t fy) {
  const int w = r.right - r.left + 8;
  const int h = r.bottom - r.top + 8;
  return {r.left - 4 + fx * w / 256, r.top - 4 + fy * h / 256};
}

RECT TDriver::FrontRect() const {
  const auto popups = Host->ShownPopups();
  if (!popups.empty()) {
    const auto& b = Host->Window(popups.back())->bounds;
    return {b.x, b.y, b.x + b.width, b.y + b.height};
  }
  HWND front = Front();
  return front ? RectOf(front) : RECT{0, 0, 1024, 768};
}

void TDriver::ChooseByMouse(int barPos, int itemPos) {
  HWND frame = Frame();
  RECT r{};
  if (frame == nullptr || !::GetMenuItemRect(frame, ::GetMenu(frame), barPos, &r)) return;
  Click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  if (barPos != 0) return;
  Plan.push_back([this, itemPos] {
    HWND frame = Frame();
    RECT r{};
    if (frame == nullptr) return;
    HMENU popup = ::GetSubMenu(::GetMenu(frame), 0);
    if (::GetMenuItemRect(frame, popup, itemPos, &r)) {
      Click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
  });
}

void TDriver::ClickChild(std::uint8_t which, std::uint8_t fx, std::uint8_t fy) {
  const std::vector<HWND> modals = Modals();
  if (modals.empty()) return;
  std::vector<HWND> children;
  for (HWND c = ::GetWindow(modals.back(), GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
    children.push_back(c);
  }
  if (children.empty()) return;
  const HWND child = children[which % children.size()];
  const POINT p = PointIn(RectOf(child), fx, fy);
  Click(p.x, p.y);
}

void TDriver::Note(std::string event) {
  if (Trail.size() == 12) Trail.pop_front();
  Trail.push_back("run " + std::to_string(Reach.Runs) + ", event " + std::to_string(Events) + ", " +
                  std::to_string(Host ? Now().count() : 0) + " ms: " + std::move(event));
}

void TDriver::Fail(const std::string& what) {
  if (!Report.empty()) return;
  Report = "storm: " + what + "\n";
  if (const TGameWindow* g = Game()) {
    Report += "  game: " +
              std::string(g->GameOver ? "over"
                          : g->Paused ? "paused"
                                      : "running") +
              ", ticks " + std::to_string(g->Ticks) + " of " + std::to_string(g->GameTime) +
              ", score " + std::to_string(g->Score) + ", hits " + std::to_string(g->Hits) +
              ", misses " + std::to_string(g->Misses) + ", escaped " + std::to_string(g->Escaped) +
              (::IsIconic(Frame()) ? ", minimised" : "") + "\n";
  }
  for (HWND m : Modals()) Report += "  open: \"" + TextOf(m) + "\"\n";
  Report += "  last events:\n";
  for (const std::string& e : Trail) Report += "    " + e + "\n";
  Ending = true;
}

void TDriver::Check() {
  TGameWindow* game = Game();
  HWND frame = Frame();
  if (game == nullptr || frame == nullptr) return;
  const TGameWindow& g = *game;
  ++Reach.Checks;
  if (WasOver && !g.GameOver) ++Reach.Games;
  WasOver = g.GameOver;
  const std::array<std::int32_t, 3> options{g.LiveTime, g.SpawnRange, g.GameTime};
  if (OptionsRun == Reach.Runs && options != LastOptions) ++Reach.OptionChanges;
  OptionsRun = Reach.Runs;
  LastOptions = options;
  Reach.Running += !g.GameOver && !g.Paused;
  Reach.Paused += g.Paused;
  Reach.Minimised += ::IsIconic(frame);
  Reach.MenuOpen += MenuOpen();
  for (HWND m : Modals()) {
    const std::string title = TextOf(m);
    Reach.About += title == "About ";
    Reach.Options += title == "Options";
    Reach.Refused += title == "Error";
  }

  const std::uint32_t formula = 5u * static_cast<std::uint32_t>(g.Hits) -
                                2u * static_cast<std::uint32_t>(g.Misses) -
                                static_cast<std::uint32_t>(g.Escaped);
  if (static_cast<std::uint32_t>(g.Score) != formula) {
    return Fail("the score is " + std::to_string(g.Score) +
                ", but 5 x hits - 2 x misses - escaped is " +
                std::to_string(static_cast<std::int32_t>(formula)));
  }
  for (int i = 0; i < 5 && !g.GameOver; ++i) {
    if (g.Holes[i].Time != 0 && g.Holes[i].Time < g.Ticks) {
      return Fail("hole " + std::to_string(i) + " is still up after its last tick");
    }
  }

  const bool minimised = ::IsIconic(frame);
  const bool clockWanted = !g.GameOver && !g.Paused && !minimised;
  if (platform::HasTimerForTesting(g.GetHandle(), TGameWindow::kClockId) != clockWanted) {
    return Fail(clockWanted ? "the clock is stopped while a game runs unpaused"
                            : "the clock runs while no game runs, or paused, or minimised");
  }

  HMENU bar = ::GetMenu(frame);
  char item[32] = {};
  ::GetMenuStringA(bar, CM_PAUSE, item, sizeof item, MF_BYCOMMAND);
  const char* wanted = g.Paused ? "&Continue" : "&Pause";
  if (std::strcmp(item, wanted) != 0) {
    return Fail("the Pause item reads \"" + std::string(item) + "\" instead of \"" + wanted + "\"");
  }
  // Stop grays the item and New enables it; in between, the frame's idle pass enables
  // it, which runs before every wait of the main loop and of a dialog's, but not while
  // the menu bar is in menu mode (an item highlighted, with or without its popup).
  if (::GetMenuState(bar, CM_PAUSE, MF_BYCOMMAND) & MF_GRAYED) {
    if (!g.GameOver) return Fail("the Pause item is grayed during a game");
    if (::GetFocus() != nullptr && !MenuOpen() && !BarHighlighted(frame)) {
      return Fail("the Pause item stays grayed past the idle pass");
    }
  }

  CheckModals(frame);
  if (!Report.empty()) return;

  RECT client{};
  ::GetClientRect(g.GetHandle(), &client);
  // What the picture shows follows from these; with nothing presented since a reading
  // that agreed, the same pixels agree again.
  std::array<std::int64_t, 13> shown{Host->Presents(), g.GameOver, g.Hits,  g.Misses,
                                     g.Escaped,        g.Score,    g.Ticks, g.GameTime};
  for (int i = 0; i < 5 && !g.GameOver; ++i) {
    shown[8 + i] = g.Holes[i].Time == 0 ? 0 : g.Holes[i].Dead ? 2 : 1;
  }
  if (Reach.Checks % PictureEvery == 0 && shown != LastShown && !minimised &&
      !::GetUpdateRect(g.GetHandle(), nullptr, FALSE) && client.right >= TGameWindow::kWidth &&
      client.bottom >= TGameWindow::kHeight) {
    ++Reach.PictureChecks;
    CheckPicture(g);
    if (!Report.empty()) return;
    LastShown = shown;
  }

  if (g.GameOver && Modals().empty() && !MenuOpen()) {
    const TObjectCounts counts = CountsNow();
    if (!RestCounts) RestCounts = counts;
    if (counts != *RestCounts) {
      return Fail("at rest the platform holds " + Describe(counts) + "; at the first rest " +
                  Describe(*RestCounts));
    }
    AtRest();
  }
  Checked();
}

// At most one dialog or message box per owner, the owner disabled while it is open and
// every window that owns none enabled; only the game's own dialogs and its one message.
void TDriver::CheckModals(HWND frame) {
  const std::vector<HWND> modals = Modals();
  std::vector<HWND> owners;
  for (HWND m : modals) {
    const HWND owner = ::GetWindow(m, GW_OWNER);
    const std::string title = TextOf(m);
    const bool known =
        title == "About " || title == "Options" || (title == "Error" && TextOf(owner) == "Options");
    if (!known) return Fail("an unexpected window \"" + title + "\" is open");
    if (std::find(owners.begin(), owners.end(), owner) != owners.end()) {
      return Fail("two dialogs are open over \"" + TextOf(owner) + "\"");
    }
    owners.push_back(owner);
    if (::IsWindowEnabled(owner)) {
      return Fail("\"" + TextOf(owner) + "\" is enabled under its dialog \"" + title + "\"");
    }
  }
  std::vector<HWND> windows = modals;
  windows.push_back(frame);
  for (HWND w : windows) {
    const bool owns = std::find(owners.begin(), owners.end(), w) != owners.end();
    if (!owns && !::IsWindowEnabled(w)) {
      return Fail("\"" + TextOf(w) + "\" is disabled with no dialog open over it");
    }
  }
}

// The panel shows the counters (and, during a game, the time left), the holes show the
// critters the rules hold, or the game-over picture shows when no game runs.
void TDriver::CheckPicture(const TGameWindow& g) {
  const HWND hwnd = g.GetHandle();
  const std::int32_t counters[4] = {g.Hits, g.Misses, g.Escaped, g.Score};
  static const char* const kNames[5] = {"time", "hits", "misses", "escaped", "score"};
  for (int box = g.GameOver ? 1 : 0; box < 5; ++box) {
    const std::string text =
        box == 0 ? std::string(TimeText(static_cast<std::int64_t>(g.GameTime) - g.Ticks).data(), 4)
                 : CounterText(counters[box - 1]);
    if (!klop_test::PanelShows(*Host, hwnd, box, text)) {
      return Fail(std::string("the panel's ") + kNames[box] + " does not show \"" + text + "\"");
    }
  }
  if (!Live) {
    Live = klop_test::ResourceBitmap("Live");
    Dead = klop_test::ResourceBitmap("Dead");
    Over = klop_test::ResourceBitmap("GameOver");
  }
  // A coarse grid tells the pictures apart and keeps each check short.
  auto shows = [&](const TImage* picture, int left, int top, int width, int height) {
    for (int y = 1; y < height; y += 5) {
      for (int x = 2; x < width; x += 5) {
        const std::uint32_t want = picture ? picture->At(x, y) : 0xC0C0C0;
        if (Host->PixelAt(hwnd, left + x, top + y) != want) return false;
      }
    }
    return true;
  };
  if (g.GameOver) {
    if (!shows(&*Over, 10, 70, Over->Width, Over->Height)) {
      return Fail("the game-over picture does not show");
    }
    return;
  }
  for (int i = 0; i < 5; ++i) {
    const THole& hole = g.Holes[i];
    const TImage* picture = hole.Time == 0 ? nullptr : hole.Dead ? &*Dead : &*Live;
    if (!shows(picture, HoleOrigins[i].X, HoleOrigins[i].Y, HoleSize, HoleSize)) {
      return Fail("hole " + std::to_string(i) + " does not show " +
                  (hole.Time == 0 ? "empty"
                   : hole.Dead    ? "a hit critter"
                                  : "a critter"));
    }
  }
}

// A closed program leaves nothing behind and says it ended well.
void TDriver::CheckEnd(int status) {
  if (Host->RanOut()) return Fail("the program waited for input that never came");
  if (status != 0) return Fail("the program ended with status " + std::to_string(status));
  const TObjectCounts counts = CountsNow();
  if (counts.Windows != 0 || counts.DCs != 0 || counts.Timers != 0 || counts.Menus != 0 ||
      (GdiObjectsBetweenRuns && counts.GdiObjects != *GdiObjectsBetweenRuns)) {
    return Fail("the program ended leaving " + Describe(counts));
  }
  GdiObjectsBetweenRuns = counts.GdiObjects;
}

// --- The storm: input decoded from bytes ------------------------------------------------

constexpr unsigned kKeys[] = {VK_MENU, VK_LEFT, VK_RIGHT, VK_UP,  VK_DOWN, VK_RETURN, VK_ESCAPE,
                              VK_TAB,  VK_BACK, VK_SPACE, VK_F10, VK_HOME, VK_END,    VK_DELETE,
                              'G',     'N',     'O',      'S',    'P',     'A',       'T',
                              'C',     'X',     '0',      '1',    '3',     '5',       '9'};

class TStorm : public TDriver {
 public:
  TStorm(const std::uint8_t* data, std::size_t size) : Data(data), Size(size) {}

 protected:
  bool Feed() override;

 private:
  const std::uint8_t* Data;
  std::size_t Size;
  std::size_t At = 0;
};

enum class TKind {
  MoveAnywhere,
  MoveOverFront,
  Press,
  Release,
  Click,
  DoubleClick,
  Swing,
  Key,
  MenuByKeys,
  MenuByMouse,
  ClickControl,
  DragScrollBar,
  MinimiseOrRestore,
  Resize,
  CloseOrDigits,
  Wait
};

// How often each kind comes, in 32nds.
constexpr TKind kKinds[32] = {
    TKind::MoveAnywhere, TKind::MoveOverFront, TKind::MoveOverFront, TKind::Press,
    TKind::Release,      TKind::Click,         TKind::Click,         TKind::Click,
    TKind::DoubleClick,  TKind::Swing,         TKind::Swing,         TKind::Swing,
    TKind::Swing,        TKind::Key,           TKind::Key,           TKind::Key,
    TKind::Key,          TKind::MenuByKeys,    TKind::MenuByKeys,    TKind::MenuByKeys,
    TKind::MenuByMouse,  TKind::MenuByMouse,   TKind::MenuByMouse,   TKind::ClickControl,
    TKind::ClickControl, TKind::ClickControl,  TKind::DragScrollBar, TKind::MinimiseOrRestore,
    TKind::Resize,       TKind::CloseOrDigits, TKind::Wait,          TKind::Wait};

// Each event takes four bytes: what it is and three to choose where, which or how long.
bool TStorm::Feed() {
  if (Size - At < 4) return false;
  const std::uint8_t* b = Data + At;
  At += 4;
  ++Events;
  HWND frame = Frame();
  if (frame == nullptr) return true;
  const platform::HostWindow frameHost = platform::THeadlessHost::HostOf(frame);
  // Formatted in place: GCC 12 at -O3 warns falsely (-Wrestrict) about the string sums.
  auto at = [](const POINT& p) {
    char text[32];
    std::snprintf(text, sizeof text, "(%ld, %ld)", long{p.x}, long{p.y});
    return std::string(text);
  };
  switch (kKinds[b[0] % 32]) {
    case TKind::MoveAnywhere:
    case TKind::MoveOverFront: {
      const bool anywhere = kKinds[b[0] % 32] == TKind::MoveAnywhere;
      const POINT p = PointIn(anywhere ? RECT{0, 0, 1024, 768} : FrontRect(), b[1], b[2]);
      Note("move to " + at(p));
      Host->MoveAt(Start(), p.x, p.y);
      break;
    }
    case TKind::Press:
    case TKind::Release: {
      const int button = b[1] % 4 == 0 ? platform::kButtonRight : platform::kButtonLeft;
      const bool press = kKinds[b[0] % 32] == TKind::Press;
      Note(std::string(press ? "press" : "release") +
           (button == platform::kButtonLeft ? " left" : " right"));
      if (press) {
        Host->PressAt(Start(), button);
      } else {
        Host->ReleaseAt(Start(), button);
      }
      break;
    }
    case TKind::Click:
    case TKind::DoubleClick: {
      const POINT p = PointIn(FrontRect(), b[1], b[2]);
      const bool once = kKinds[b[0] % 32] == TKind::Click;
      Note(std::string(once ? "click" : "double-click") + " the front window at " + at(p));
      if (once) {
        Click(p.x, p.y);
      } else {
        DoubleClick(p.x, p.y);
      }
      break;
    }
    case TKind::Swing: {
      const int i = b[1] % 5;
      const POINT p{HoleOrigins[i].X - 4 + b[2] % 80, HoleOrigins[i].Y - 4 + b[3] % 80};
      Note("swing at hole " + std::to_string(i) + ", " + at(p));
      ClickGame(p.x, p.y);
      break;
    }
    case TKind::Key: {
      const unsigned vk = kKeys[b[1] % std::size(kKeys)];
      const unsigned mods = b[2] % 8 == 0   ? platform::kModAlt
                            : b[2] % 8 == 1 ? platform::kModShift
                                            : 0;
      Note("key " + std::to_string(vk) + (mods ? " with modifier " + std::to_string(mods) : ""));
      if (mods == platform::kModAlt) {
        AltKey(vk);
      } else {
        Key(vk, mods);
      }
      break;
    }
    case TKind::MenuByKeys: {
      static constexpr unsigned kGameItems[3] = {'N', 'O', 'S'};
      switch (b[1] % 5) {
        case 0:
        case 1:
          Note("Alt+G, " + std::string(1, static_cast<char>(kGameItems[b[2] % 3])));
          AltKey('G');
          Key(kGameItems[b[2] % 3]);
          break;
        case 2:
          Note("Alt+P");
          AltKey('P');
          break;
        case 3:
          Note("Alt+A");
          AltKey('A');
          break;
        default: {
          Note("F10, " + std::to_string(b[2] % 4) + " x Right, " + std::to_string(b[3] % 3 + 1) +
               " x Down, Enter");
          Key(VK_F10);
          for (int k = 0; k < b[2] % 4; ++k) Key(VK_RIGHT);
          for (int k = 0; k <= b[3] % 3; ++k) Key(VK_DOWN);
          Key(VK_RETURN);
          break;
        }
      }
      break;
    }
    case TKind::MenuByMouse:
      Note("menu by mouse: bar item " + std::to_string(b[1] % 3) + ", item " +
           std::to_string(b[2] % 3));
      ChooseByMouse(b[1] % 3, b[2] % 3);
      break;
    case TKind::ClickControl:
      Note("click control " + std::to_string(b[1]) + " of the dialog at (" + std::to_string(b[2]) +
           ", " + std::to_string(b[3]) + ")/256");
      ClickChild(b[1], b[2], b[3]);
      break;
    case TKind::DragScrollBar: {
      const std::vector<HWND> modals = Modals();
      HWND bar = modals.empty()
                     ? nullptr
                     : ::GetDlgItem(modals.back(), b[1] % 2 ? IDC_SPEED : IDC_POPULATION);
      if (bar == nullptr) break;
      const RECT r = RectOf(bar);
      const POINT from = PointIn(r, b[2], 128);
      const POINT to = PointIn(r, b[3], 128);
      Note("drag on a scroll bar from " + at(from) + " to " + at(to));
      const HostTime t = Start();
      Host->MoveAt(t, from.x, from.y);
      Host->PressAt(t);
      Host->MoveAt(t + milliseconds(30), to.x, to.y);
      Host->ReleaseAt(t + milliseconds(60));
      break;
    }
    case TKind::MinimiseOrRestore:
      if (b[1] % 4 == 0) {
        Note("minimise");
        Host->MinimizeAt(Start(), frameHost);
      } else {
        Note("restore");
        Host->RestoreAt(Start(), frameHost);
      }
      break;
    case TKind::Resize: {
      // Mostly larger than the game, now and then smaller.
      const bool small = b[3] % 4 == 0;
      const int w = small ? 40 + b[1] * 3 : 300 + b[1];
      const int h = small ? 40 + b[2] * 3 : 430 + b[2];
      Note("resize to " + std::to_string(w) + " x " + std::to_string(h));
      Host->ResizeAt(Start(), frameHost, w, h);
      break;
    }
    case TKind::CloseOrDigits: {
      // The close request is rare: one in 8 of these.
      if (b[1] % 8 != 0) {
        Note("type two digits");
        Key('0' + b[2] % 10);
        Key('0' + b[3] % 10);
        break;
      }
      HWND target = b[2] % 2 ? frame : Front();
      Note("close request on \"" + TextOf(target) + "\"");
      Host->CloseAt(Start(), platform::THeadlessHost::HostOf(target));
      break;
    }
    case TKind::Wait: {
      // 1 ms to 30 s, most of them short.
      const int shift = b[1] % 15;
      const long ms = std::min<long>(30000, (1L << shift) + ((long{b[2]} << shift) >> 8));
      Note("wait " + std::to_string(ms) + " ms");
      Jump(milliseconds(ms));
      break;
    }
  }
  return true;
}

// --- The soak: a player for an hour -------------------------------------------------

// Plays games through the menus with the mouse on the holes, pauses, stops, minimises,
// opens the about box and changes the options between games, until enough ticks passed.
class TSoak : public TDriver {
 public:
  // One check in 50 reads the picture back: an hour has some 40,000 of them.
  TSoak(std::uint32_t seed, long ticks) : Random(seed), Wanted(ticks) { PictureEvery = 50; }
  TSoakFigures Figures;

 protected:
  bool Feed() override;
  void AtRest() override;
  void Checked() override;

 private:
  int Roll(int n) { return static_cast<int>(Random() % static_cast<unsigned>(n)); }
  void Pause(int fromMs, int toMs) { Jump(milliseconds(fromMs + Roll(toMs - fromMs + 1))); }
  void ChangeOptions();

  std::minstd_rand Random;
  long Wanted;
  std::int32_t LastTicks = -1;
  bool Measuring = false;
  bool Refused = false;
};

bool TSoak::Feed() {
  if (Figures.Ticks >= Wanted) return false;
  ++Events;
  const TGameWindow* g = Game();
  if (g == nullptr) return true;
  const std::vector<HWND> modals = Modals();
  if (!modals.empty()) {
    // OK, or Cancel once a game time was refused.
    const std::string title = TextOf(modals.back());
    const unsigned key = title == "Options" && Refused ? VK_ESCAPE : VK_RETURN;
    Refused = title == "Error";
    Note((key == VK_RETURN ? "Enter in \"" : "Escape in \"") + title + "\"");
    Pause(200, 3000);
    Key(key);
    return true;
  }
  if (::IsIconic(Frame())) {
    Note("restore");
    Pause(100, 5000);
    Host->RestoreAt(Start(), platform::THeadlessHost::HostOf(Frame()));
    return true;
  }
  const int r = Roll(1000);
  if (g->GameOver) {
    Pause(100, 2000);
    if (r < 60) {
      Note("the about box");
      AltKey('A');
    } else if (r < 160) {
      ChangeOptions();
    } else {
      Note("a new game");
      ++Figures.Games;
      if (r % 2) {
        AltKey('G');
        Key('N');
      } else {
        ChooseByMouse(0, 0);
      }
    }
    return true;
  }
  if (r < 8) {
    Note("pause or continue");
    AltKey(g->Paused ? 'C' : 'P');
  } else if (r < 12 && !g->Paused) {
    Note("stop");
    ChooseByMouse(0, 2);
  } else if (r < 16) {
    Note("minimise");
    Host->MinimizeAt(Start(), platform::THeadlessHost::HostOf(Frame()));
  } else if (r < 20 && !g->Paused) {
    Note("the about box during a game");
    AltKey('A');
  } else if (g->Paused) {
    Pause(100, 3000);
    Note("continue");
    AltKey('C');
  } else {
    // A swing at a critter that is up, or anywhere on the board.
    Pause(50, 1500);
    const int i = Roll(5);
    const bool aim = g->Holes[i].Time != 0 && !g->Holes[i].Dead && Roll(3) != 0;
    const int x = aim ? HoleOrigins[i].X + Roll(HoleSize) : Roll(TGameWindow::kWidth);
    const int y = aim ? HoleOrigins[i].Y + Roll(HoleSize) : Roll(TGameWindow::kHeight);
    Note("swing at (" + std::to_string(x) + ", " + std::to_string(y) + ")");
    ClickGame(x, y);
  }
  return true;
}

// Speed and population by the keyboard on the scroll bars, a game time typed in (now and
// then one the dialog refuses), then OK.
void TSoak::ChangeOptions() {
  Note("the options");
  AltKey('G');
  Key('O');
  const int speedSteps = Roll(7) - 3;
  const int seconds = Roll(20) == 0 ? 0 : 5 + Roll(60);
  Plan.push_back([this, speedSteps, seconds] {
    AltKey('S');
    for (int k = 0; k < std::abs(speedSteps); ++k) Key(speedSteps < 0 ? VK_LEFT : VK_RIGHT);
    AltKey('P');
    Key(Roll(2) ? VK_LEFT : VK_RIGHT);
    AltKey('T');
    for (char c : std::to_string(seconds)) Key(static_cast<unsigned>(c));
    Pause(100, 1000);
    Key(VK_RETURN);
  });
}

void TSoak::Checked() {
  const TGameWindow* g = Game();
  if (g == nullptr) return;
  if (!g->GameOver) {
    if (g->Ticks < LastTicks || LastTicks < 0) LastTicks = 0;
    Figures.Ticks += g->Ticks - LastTicks;
    LastTicks = g->Ticks;
  } else if (LastTicks >= 0) {
    // The last tick of a game that ran out ends it; a stopped game has none.
    if (LastTicks == g->GameTime - 1) ++Figures.Ticks;
    LastTicks = -1;
  }
}

// After the first minute of play, every moment at rest holds the same objects and the
// same heap as the first.
void TSoak::AtRest() {
  if (Figures.Ticks < 600) return;
  const std::size_t heap = HeapInUse();
  const TObjectCounts counts = CountsNow();
  if (!Measuring) {
    Measuring = true;
    Figures.Counts = counts;
    Figures.HeapFirst = Figures.HeapLow = Figures.HeapHigh = heap;
  }
  ++Figures.RestPoints;
  Figures.CountsFlat = Figures.CountsFlat && counts == Figures.Counts;
  Figures.HeapLow = std::min(Figures.HeapLow, heap);
  Figures.HeapHigh = std::max(Figures.HeapHigh, heap);
}

}  // namespace

std::string RunStorm(const std::uint8_t* data, std::size_t size, TStormReach* reach) {
  TStorm storm(data, size);
  std::string report = storm.Run();
  if (reach) *reach = storm.Reached();
  return report;
}

TSoakFigures RunSoak(std::uint32_t seed, long ticks) {
  TSoak soak(seed, ticks);
  soak.Figures.Report = soak.Run();
  return soak.Figures;
}

}  // namespace klop_storm
