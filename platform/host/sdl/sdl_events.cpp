// The SDL host's events: SDL's own, dated on the host's clock, and its notices about
// our windows (closing, states, sizes, exposes, focus).
#include "platform/host/sdl/sdl_host_internal.h"

#include <chrono>

namespace platform::sdl {

// An SDL event's timestamp on the host's clock.
HostTime TSdlHost::TimeOf(Uint32 timestamp) const {
  return TicksBase_ + std::chrono::milliseconds(timestamp);
}

HostEvent TSdlHost::Make(HostEventKind kind, HostWindow window, Uint32 timestamp) const {
  HostEvent e;
  e.kind = kind;
  e.window = window;
  e.time = TimeOf(timestamp);
  return e;
}

void TSdlHost::Translate(const SDL_Event& e) {
  switch (e.type) {
    case SDL_WINDOWEVENT:
      TranslateWindowEvent(e.window);
      break;
    case SDL_QUIT:
      // Signals and the last window's close are not SDL's business here (see the
      // hints), so this is SDL giving up on the display: on Wayland it then returns
      // from every wait at once, and the program would spin with nothing shown.
      ExitOnLostConnection("display");
    default:
      TranslateInput(e);
      break;
  }
}

void TSdlHost::TranslateWindowEvent(const SDL_WindowEvent& e) {
  TSdlWindow* w = Find(e.windowID);
  if (w == nullptr) return;
  auto push = [&](HostEventKind kind) {
    HostEvent h = Make(kind, e.windowID, e.timestamp);
    Pending_.Push(h);
    return h;
  };
  switch (e.event) {
    case SDL_WINDOWEVENT_CLOSE:
      push(HostEventKind::CloseRequest);
      break;
    case SDL_WINDOWEVENT_MINIMIZED:
      push(HostEventKind::Minimized);
      break;
    case SDL_WINDOWEVENT_MAXIMIZED:
      push(HostEventKind::Maximized);
      break;
    case SDL_WINDOWEVENT_RESTORED:
      push(HostEventKind::Restored);
      break;
    case SDL_WINDOWEVENT_SIZE_CHANGED: {
      w->SurfaceStale = true;
      PresentAll(*w);
      if (e.data1 == w->Width && e.data2 == w->Height) break;
      w->Width = e.data1;
      w->Height = e.data2;
      HostEvent h = Make(HostEventKind::Resized, e.windowID, e.timestamp);
      h.width = e.data1;
      h.height = e.data2;
      Pending_.Push(h);
      break;
    }
    case SDL_WINDOWEVENT_MOVED: {
      HostEvent h = Make(HostEventKind::Moved, e.windowID, e.timestamp);
      h.x = e.data1;
      h.y = e.data2;
      Pending_.Push(h);
      break;
    }
    case SDL_WINDOWEVENT_EXPOSED: {
      PresentAll(*w);
      HostEvent h = Make(HostEventKind::Exposed, e.windowID, e.timestamp);
      h.width = w->Width;
      h.height = w->Height;
      Pending_.Push(h);
      break;
    }
    case SDL_WINDOWEVENT_FOCUS_GAINED:
      if (!w->FocusablePopup) push(HostEventKind::FocusGained);
      break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
      // While a window's popup shows, the focus it took stays the window's, as where
      // popups take no focus: a menu closes when its owner loses the focus. (Where the
      // focus went is not known yet: the compositor's enter may still be unread.)
      if (!w->FocusablePopup && !ShowsPopup(e.windowID)) push(HostEventKind::FocusLost);
      break;
    case SDL_WINDOWEVENT_LEAVE:
      push(HostEventKind::PointerLeft);
      break;
    default:
      break;
  }
}

}  // namespace platform::sdl
