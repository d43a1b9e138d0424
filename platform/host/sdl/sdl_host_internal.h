// The SDL host's class, for its own sources: sdl_host.cpp (opening SDL, the Host
// interface and the wait), sdl_events.cpp (SDL's events and its notices about our
// windows), sdl_input.cpp (pointer, keys, text), sdl_window.cpp (what a window is and
// its moves and states), sdl_picture.cpp (presenting), sdl_cursor.cpp (cursor shapes).
#pragma once

#include <SDL.h>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/host/host.h"
#include "platform/host/host_events.h"

namespace platform::sdl {

constexpr int kMaxCursorSide = 256;
constexpr std::size_t kMaxCachedCursors = 64;
// The virtual keys of the modifiers: Shift, Ctrl, Alt.
constexpr unsigned kFirstModifierKey = 0x10;
constexpr unsigned kLastModifierKey = 0x12;

struct TSdlWindow {
  SDL_Window* Window = nullptr;
  int Width = 0;  // the size SDL last told us, or we last asked for
  int Height = 0;
  // The last pixels presented, so that exposes and resizes are answered at once.
  std::vector<std::uint32_t> Shadow;
  int ShadowWidth = 0;
  int ShadowHeight = 0;
  bool SurfaceStale = false;    // SDL made a new window surface that holds nothing yet
  HostWindow Owner = 0;         // a dialog's or popup's, told to the desktop
  bool FocusablePopup = false;  // a popup made a toplevel, which takes the keyboard
};

class TSdlHost final : public Host {
 public:
  explicit TSdlHost(bool onWayland);
  ~TSdlHost() override;

  HostWindow CreateWindow(const HostWindowSpec& asked) override;
  void DestroyWindow(HostWindow window) override;
  void SetTitle(HostWindow window, const std::string& title) override;
  void SetIcon(HostWindow window, const CursorShape& icon) override;
  void SetBounds(HostWindow window, const HostRect& bounds) override;
  HostRect Bounds(HostWindow window) const override;
  HostInsets Decorations(HostWindow window) const override;
  HostRect WorkArea() const override { return DisplayArea(0); }
  HostRect WorkAreaAt(int x, int y) const override;
  void Show(HostWindow window, HostShow how) override;
  void Raise(HostWindow window) override;
  void Present(HostWindow window, const std::uint32_t* pixels, int width, int height, int stride,
               const HostRect* rects, std::size_t count) override;
  void SetCursor(const CursorShape* shape) override;
  void PointerPosition(int& x, int& y) const override;
  void WarpPointer(int x, int y) override;
  void CapturePointer(HostWindow window, bool captured) override;
  int DesktopScale() const override;
  HostTime Now() const override { return SteadyNow(); }
  bool NextEvent(HostEvent& event) override;
  void Wait(HostTime deadline) override;

 private:
  // sdl_window.cpp
  TSdlWindow* Find(HostWindow window) { return FindWindow(Windows_, window); }
  const TSdlWindow* Find(HostWindow window) const { return FindWindow(Windows_, window); }
  static HostRect DisplayArea(int display);
  bool ShowsPopup(HostWindow owner) const;

  // sdl_picture.cpp
  static void CopyToSurface(const TSdlWindow& w, SDL_Surface* surface, const SDL_Rect& r);
  void PresentAll(TSdlWindow& w);

  // sdl_cursor.cpp
  static bool ShapeIsSound(const CursorShape& s);
  SDL_Cursor* Arrow();
  SDL_Cursor* ColorCursor(const CursorShape& shape);
  void DropCachedCursors();

  // sdl_events.cpp
  HostTime TimeOf(Uint32 timestamp) const;
  HostEvent Make(HostEventKind kind, HostWindow window, Uint32 timestamp) const;
  void Translate(const SDL_Event& e);
  void TranslateWindowEvent(const SDL_WindowEvent& e);

  // sdl_input.cpp
  HostWindow KeyboardOwner(HostWindow window) const;
  static unsigned Modifiers(Uint16 mod);
  static int Button(Uint8 button);
  void TranslateInput(const SDL_Event& e);

  std::unordered_map<HostWindow, TSdlWindow> Windows_;
  std::unordered_map<std::uint64_t, SDL_Cursor*> Cursors_;
  SDL_Cursor* Arrow_ = nullptr;
  SDL_Cursor* Current_ = nullptr;
  bool CursorShown_ = true;
  THostEventQueue Pending_;
  std::vector<SDL_Rect> Clipped_;
  bool OnWayland_;
  int XConnection_ = -1;  // the X server's socket, once a window shows it is X11
  HostTime TicksBase_;    // Now() at SDL's tick 0, to date SDL's event timestamps
};

}  // namespace platform::sdl
