// The SDL host's input: the pointer, keys and typed text, for the window that has them
// (or, for keys typed into a popup that took the focus, for its owner).
#include "platform/host/sdl/sdl_host_internal.h"

#include <cstring>
#include <string_view>

#include "platform/host/sdl/sdl_keys.h"

namespace platform::sdl {

void TSdlHost::PointerPosition(int& x, int& y) const {
  SDL_GetGlobalMouseState(&x, &y);
}

void TSdlHost::WarpPointer(int x, int y) {
  SDL_WarpMouseGlobal(x, y);
}

void TSdlHost::CapturePointer(HostWindow window, bool captured) {
  if (Find(window) != nullptr) SDL_CaptureMouse(captured ? SDL_TRUE : SDL_FALSE);
}

// Keys typed into a popup that took the focus belong to its owner, whose menu loop
// reads them.
HostWindow TSdlHost::KeyboardOwner(HostWindow window) const {
  const TSdlWindow* w = Find(window);
  return w != nullptr && w->FocusablePopup && Find(w->Owner) != nullptr ? w->Owner : window;
}

unsigned TSdlHost::Modifiers(Uint16 mod) {
  unsigned m = 0;
  if ((mod & KMOD_SHIFT) != 0) m |= kModShift;
  if ((mod & KMOD_CTRL) != 0) m |= kModCtrl;
  if ((mod & KMOD_ALT) != 0) m |= kModAlt;
  return m;
}

int TSdlHost::Button(Uint8 button) {
  switch (button) {
    case SDL_BUTTON_LEFT:
      return kButtonLeft;
    case SDL_BUTTON_MIDDLE:
      return kButtonMiddle;
    case SDL_BUTTON_RIGHT:
      return kButtonRight;
    default:
      return 0;
  }
}

void TSdlHost::TranslateInput(const SDL_Event& e) {
  switch (e.type) {
    case SDL_MOUSEMOTION: {
      if (Find(e.motion.windowID) == nullptr) break;
      HostEvent h = Make(HostEventKind::PointerMove, e.motion.windowID, e.motion.timestamp);
      h.x = e.motion.x;
      h.y = e.motion.y;
      Pending_.Push(h);
      break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      int button = Button(e.button.button);
      if (button == 0 || Find(e.button.windowID) == nullptr) break;
      HostEvent h = Make(e.type == SDL_MOUSEBUTTONDOWN ? HostEventKind::PointerPress
                                                       : HostEventKind::PointerRelease,
                         e.button.windowID, e.button.timestamp);
      h.x = e.button.x;
      h.y = e.button.y;
      h.button = button;
      Pending_.Push(h);
      break;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      unsigned key = VirtualKeyOf(e.key.keysym.sym, e.key.keysym.scancode);
      const TSdlWindow* w = Find(e.key.windowID);
      if (key == 0 || w == nullptr) break;
      // A popup that took the focus is told by SDL of the modifiers held as it took
      // it, and of their release: Alt pressed alone, to the menu loop, which then
      // closes the menu. Modifiers still come with every other key.
      if (w->FocusablePopup && key >= kFirstModifierKey && key <= kLastModifierKey) break;
      HostEvent h = Make(e.type == SDL_KEYDOWN ? HostEventKind::KeyDown : HostEventKind::KeyUp,
                         KeyboardOwner(e.key.windowID), e.key.timestamp);
      h.key = key;
      h.modifiers = Modifiers(e.key.keysym.mod);
      h.repeat = e.key.repeat != 0;
      Pending_.Push(h);
      break;
    }
    case SDL_TEXTINPUT: {
      if (Find(e.text.windowID) == nullptr) break;
      PushText(Pending_, KeyboardOwner(e.text.windowID),
               std::string_view(e.text.text, strnlen(e.text.text, sizeof(e.text.text))),
               TimeOf(e.text.timestamp));
      break;
    }
    default:
      break;
  }
}

}  // namespace platform::sdl
