// A keyboard and a pointer for a Wayland compositor that has no input device, kept
// for the whole run, so that clients bind them once and every event reaches them.
// Commands come one per line on stdin; each is answered on stdout with "ok" once the
// compositor has handled it (or "error: ..."), so a script can wait for it:
//
//   move X Y              the pointer to X,Y in layout coordinates
//   press B | release B   | click B    B is left, middle or right
//   keydown K | keyup K   | key K      K is a keysym name (Return, F10, Alt_L, a, ...)
//                                      or an evdev key code (28 is Enter)
//   type TEXT             the characters of TEXT, shifted where the layout needs it
//
// `wl_input --once TEXT` types TEXT on a keyboard of its own and ends, as an on-screen
// keyboard or wtype does.
//
// The keymap is XKB's pc105 with the layouts named by the one argument ("ru,us"; "us"
// without one). Keysyms the first layout lacks are given a spare key of a keymap of our
// own, sent again when it changes, so any keysym can be typed.
#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

namespace {

struct TOutput {
  wl_output* Proxy = nullptr;
  int Width = 0;  // the current mode, in pixels
  int Height = 0;
  int Scale = 1;
};

struct TGlobals {
  wl_seat* Seat = nullptr;
  zwlr_virtual_pointer_manager_v1* Pointers = nullptr;
  zwp_virtual_keyboard_manager_v1* Keyboards = nullptr;
  std::vector<std::unique_ptr<TOutput>> Outputs;
};

void OnMode(void* data, wl_output*, uint32_t flags, int32_t w, int32_t h, int32_t) {
  if ((flags & WL_OUTPUT_MODE_CURRENT) == 0) return;
  auto* o = static_cast<TOutput*>(data);
  o->Width = w;
  o->Height = h;
}
void OnScale(void* data, wl_output*, int32_t scale) {
  static_cast<TOutput*>(data)->Scale = scale > 0 ? scale : 1;
}
void OnGeometry(void*, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*,
                const char*, int32_t) {}
void OnDone(void*, wl_output*) {}
// Bound at version 2: name and description never come.
const wl_output_listener kOutputListener = {OnGeometry, OnMode, OnDone, OnScale, nullptr, nullptr};

void OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface,
              uint32_t version) {
  auto* g = static_cast<TGlobals*>(data);
  if (std::strcmp(interface, wl_seat_interface.name) == 0 && g->Seat == nullptr) {
    g->Seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
  } else if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0) {
    g->Pointers = static_cast<zwlr_virtual_pointer_manager_v1*>(
        wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
  } else if (std::strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name) == 0) {
    g->Keyboards = static_cast<zwp_virtual_keyboard_manager_v1*>(
        wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
  } else if (std::strcmp(interface, wl_output_interface.name) == 0) {
    auto o = std::make_unique<TOutput>();
    o->Proxy = static_cast<wl_output*>(
        wl_registry_bind(registry, name, &wl_output_interface, version >= 2 ? 2 : 1));
    wl_output_add_listener(o->Proxy, &kOutputListener, o.get());
    g->Outputs.push_back(std::move(o));
  }
}
void OnGlobalRemove(void*, wl_registry*, uint32_t) {}
const wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

uint32_t Millis() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return uint32_t(t.tv_sec * 1000 + t.tv_nsec / 1000000);
}

class TInput {
 public:
  TInput(TGlobals& g, const char* layouts) : G_(g) {
    Pointer_ = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(g.Pointers, g.Seat);
    Keyboard_ = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(g.Keyboards, g.Seat);
    Context_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    xkb_rule_names names{"evdev", "pc105", layouts, "", ""};
    xkb_keymap* base = Context_ ? xkb_keymap_new_from_names(Context_, &names, XKB_KEYMAP_COMPILE_NO_FLAGS) : nullptr;
    if (base != nullptr) {
      char* text = xkb_keymap_get_as_string(base, XKB_KEYMAP_FORMAT_TEXT_V1);
      if (text != nullptr) BaseText_ = text;
      std::free(text);
      xkb_keymap_unref(base);
    }
  }

  ~TInput() {
    if (State_ != nullptr) xkb_state_unref(State_);
    if (Keymap_ != nullptr) xkb_keymap_unref(Keymap_);
    if (Context_ != nullptr) xkb_context_unref(Context_);
    zwp_virtual_keyboard_v1_destroy(Keyboard_);
    zwlr_virtual_pointer_v1_destroy(Pointer_);
  }

  bool Start(std::string& error) { return !BaseText_.empty() ? SendKeymap(error) : Fail(error, "no keymap from xkbcommon"); }

  // Runs one command line; false with `error` set when it is not understood.
  bool Run(const std::string& line, std::string& error) {
    std::istringstream in(line);
    std::string verb;
    in >> verb;
    if (verb == "move") {
      long x = -1;
      long y = -1;
      in >> x >> y;
      return Move(x, y, error);
    }
    if (verb == "press" || verb == "release" || verb == "click") {
      std::string name;
      in >> name;
      uint32_t button = ButtonOf(name);
      if (button == 0) return Fail(error, "unknown button '" + name + "'");
      if (verb != "release") Button(button, WL_POINTER_BUTTON_STATE_PRESSED);
      if (verb != "press") Button(button, WL_POINTER_BUTTON_STATE_RELEASED);
      return true;
    }
    if (verb == "keydown" || verb == "keyup" || verb == "key") {
      std::string name;
      in >> name;
      TPlace at;
      if (!name.empty() && name.find_first_not_of("0123456789") == std::string::npos) {
        if (name.size() > 3 || std::stoi(name) > 0x1FF) return Fail(error, "key code out of range");
        at.Code = xkb_keycode_t(std::stoi(name) + 8);
      } else {
        xkb_keysym_t sym = xkb_keysym_from_name(name.c_str(), XKB_KEYSYM_NO_FLAGS);
        if (sym == XKB_KEY_NoSymbol) return Fail(error, "unknown keysym '" + name + "'");
        if (!Place(sym, at, error)) return false;
      }
      if (verb != "keyup") Key(at.Code, true);
      if (verb != "keydown") Key(at.Code, false);
      return true;
    }
    if (verb == "type") {
      std::string text;
      std::getline(in >> std::ws, text);
      return Type(text, error);
    }
    return Fail(error, "unknown command '" + verb + "'");
  }

 private:
  struct TPlace {
    xkb_keycode_t Code = 0;
    bool Shifted = false;
  };

  static bool Fail(std::string& error, std::string why) {
    error = std::move(why);
    return false;
  }

  static uint32_t ButtonOf(const std::string& name) {
    if (name == "left" || name == "1") return BTN_LEFT;
    if (name == "middle" || name == "2") return BTN_MIDDLE;
    if (name == "right" || name == "3") return BTN_RIGHT;
    return 0;
  }

  bool Move(long x, long y, std::string& error) {
    // The layout is the one output at 0,0 (what the tests start); its logical size is
    // the extent, so that X,Y arrive exactly.
    if (G_.Outputs.empty() || G_.Outputs[0]->Width <= 0) return Fail(error, "no output");
    const TOutput& o = *G_.Outputs[0];
    long w = o.Width / o.Scale;
    long h = o.Height / o.Scale;
    if (x < 0 || y < 0 || x >= w || y >= h) {
      return Fail(error, "position outside the output (" + std::to_string(w) + "x" +
                             std::to_string(h) + ")");
    }
    zwlr_virtual_pointer_v1_motion_absolute(Pointer_, Millis(), uint32_t(x), uint32_t(y),
                                            uint32_t(w), uint32_t(h));
    zwlr_virtual_pointer_v1_frame(Pointer_);
    return true;
  }

  void Button(uint32_t button, wl_pointer_button_state state) {
    zwlr_virtual_pointer_v1_button(Pointer_, Millis(), button, state);
    zwlr_virtual_pointer_v1_frame(Pointer_);
  }

  void Key(xkb_keycode_t code, bool down) {
    zwp_virtual_keyboard_v1_key(Keyboard_, Millis(), code - 8,
                                down ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED);
    xkb_state_update_key(State_, code, down ? XKB_KEY_DOWN : XKB_KEY_UP);
    zwp_virtual_keyboard_v1_modifiers(
        Keyboard_, xkb_state_serialize_mods(State_, XKB_STATE_MODS_DEPRESSED),
        xkb_state_serialize_mods(State_, XKB_STATE_MODS_LATCHED),
        xkb_state_serialize_mods(State_, XKB_STATE_MODS_LOCKED),
        xkb_state_serialize_layout(State_, XKB_STATE_LAYOUT_EFFECTIVE));
  }

  bool Type(const std::string& text, std::string& error) {
    xkb_keycode_t shift = 0;
    for (std::size_t at = 0; at < text.size();) {
      char32_t c = 0;
      std::size_t n = DecodeUtf8(text, at, c);
      if (n == 0) return Fail(error, "the text is not UTF-8");
      at += n;
      xkb_keysym_t sym = xkb_utf32_to_keysym(uint32_t(c));
      if (sym == XKB_KEY_NoSymbol) return Fail(error, "no keysym for a character of the text");
      TPlace place;
      if (!Place(sym, place, error)) return false;
      if (place.Shifted && shift == 0) {
        TPlace s;
        if (!Place(XKB_KEY_Shift_L, s, error)) return false;
        shift = s.Code;
      }
      if (place.Shifted) Key(shift, true);
      Key(place.Code, true);
      Key(place.Code, false);
      if (place.Shifted) Key(shift, false);
    }
    return true;
  }

  static std::size_t DecodeUtf8(const std::string& s, std::size_t at, char32_t& c) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    unsigned char b = byte(at);
    std::size_t n = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (n == 0 || at + n > s.size()) return 0;
    c = n == 1 ? b : n == 2 ? (b & 0x1F) : n == 3 ? (b & 0x0F) : (b & 0x07);
    for (std::size_t i = 1; i < n; ++i) {
      if ((byte(at + i) >> 6) != 2) return 0;
      c = (c << 6) | (byte(at + i) & 0x3F);
    }
    return n;
  }

  // The key (level 1 or 2 of the first layout) that gives `sym`, adding one to the
  // keymap when none does.
  bool Place(xkb_keysym_t sym, TPlace& at, std::string& error) {
    if (Find(sym, at)) return true;
    std::string spare = SpareKeyName();
    if (spare.empty()) return Fail(error, "no spare key left in the keymap");
    char name[64];
    xkb_keysym_get_name(sym, name, sizeof name);
    Extra_ += "\tkey <" + spare + "> { [ " + name + " ] };\n";
    if (!SendKeymap(error)) return false;
    return Find(sym, at) || Fail(error, std::string("the keymap does not take ") + name);
  }

  bool Find(xkb_keysym_t sym, TPlace& at) const {
    for (xkb_keycode_t code = xkb_keymap_min_keycode(Keymap_); code <= xkb_keymap_max_keycode(Keymap_);
         ++code) {
      for (xkb_level_index_t level = 0; level < 2; ++level) {
        const xkb_keysym_t* syms = nullptr;
        int n = xkb_keymap_key_get_syms_by_level(Keymap_, code, 0, level, &syms);
        if (n == 1 && syms[0] == sym) {
          at.Code = code;
          at.Shifted = level == 1;
          return true;
        }
      }
    }
    return false;
  }

  std::string SpareKeyName() const {
    for (xkb_keycode_t code = xkb_keymap_max_keycode(Keymap_); code > 8; --code) {
      const xkb_keysym_t* syms = nullptr;
      const char* name = xkb_keymap_key_get_name(Keymap_, code);
      if (name != nullptr && code - 8 < 0x200 &&
          xkb_keymap_key_get_syms_by_level(Keymap_, code, 0, 0, &syms) == 0) {
        return name;
      }
    }
    return {};
  }

  // The base keymap with our extra keys at the end of its symbols section.
  bool SendKeymap(std::string& error) {
    std::string text = BaseText_;
    std::size_t last = text.rfind("};");
    std::size_t symbolsEnd = last == std::string::npos || last == 0 ? std::string::npos
                                                                     : text.rfind("};", last - 1);
    if (symbolsEnd == std::string::npos) return Fail(error, "unexpected keymap text");
    text.insert(symbolsEnd, Extra_);
    xkb_keymap* keymap = xkb_keymap_new_from_string(Context_, text.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1,
                                                    XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (keymap == nullptr) return Fail(error, "xkbcommon refused our keymap");
    int fd = memfd_create("wl-input-keymap", MFD_CLOEXEC);
    if (fd < 0 || write(fd, text.c_str(), text.size() + 1) != ssize_t(text.size() + 1)) {
      if (fd >= 0) close(fd);
      xkb_keymap_unref(keymap);
      return Fail(error, "cannot write the keymap");
    }
    zwp_virtual_keyboard_v1_keymap(Keyboard_, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd,
                                   uint32_t(text.size() + 1));
    close(fd);
    if (State_ != nullptr) xkb_state_unref(State_);
    if (Keymap_ != nullptr) xkb_keymap_unref(Keymap_);
    Keymap_ = keymap;
    State_ = xkb_state_new(keymap);
    return State_ != nullptr || Fail(error, "no keyboard state");
  }

  TGlobals& G_;
  zwlr_virtual_pointer_v1* Pointer_ = nullptr;
  zwp_virtual_keyboard_v1* Keyboard_ = nullptr;
  xkb_context* Context_ = nullptr;
  xkb_keymap* Keymap_ = nullptr;
  xkb_state* State_ = nullptr;
  std::string BaseText_;
  std::string Extra_;  // our own keys, as xkb_symbols lines
};

}  // namespace

int main(int argc, char** argv) {
  const bool once = argc == 3 && std::strcmp(argv[1], "--once") == 0;
  if ((argc > 2 && !once) || (argc == 2 && argv[1][0] == '\0')) {
    std::fprintf(stderr, "usage: wl_input [LAYOUTS] | wl_input --once TEXT\n");
    return 2;
  }
  const char* layouts = argc == 2 ? argv[1] : "us";
  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "wl_input: cannot connect to the Wayland display\n");
    return 1;
  }
  TGlobals g;
  wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &kRegistryListener, &g);
  wl_display_roundtrip(display);
  wl_display_roundtrip(display);  // the outputs' modes
  if (g.Seat == nullptr || g.Pointers == nullptr || g.Keyboards == nullptr) {
    std::fprintf(stderr,
                 "wl_input: the compositor offers no seat, virtual pointer or virtual keyboard\n");
    return 1;
  }
  int status = 0;
  {
    TInput input(g, layouts);
    std::string error;
    if (!input.Start(error) || wl_display_roundtrip(display) < 0) {
      std::fprintf(stderr, "wl_input: %s\n", error.empty() ? "the compositor refused us" : error.c_str());
      return 1;
    }
    if (once) {
      const bool typed = input.Run(std::string("type ") + argv[2], error);
      if (!typed) std::fprintf(stderr, "wl_input: %s\n", error.c_str());
      status = typed ? 0 : 1;
    } else {
      std::cout << "ready" << std::endl;
    }
    std::string line;
    while (!once && std::getline(std::cin, line)) {
      if (line.empty()) continue;
      error.clear();
      bool ok = input.Run(line, error);
      if (wl_display_roundtrip(display) < 0) {
        std::fprintf(stderr, "wl_input: the connection to the compositor is lost\n");
        status = 1;
        break;
      }
      if (ok) {
        std::cout << "ok" << std::endl;
      } else {
        std::cout << "error: " << error << std::endl;
      }
    }
    wl_display_roundtrip(display);
  }
  for (auto& o : g.Outputs) wl_output_destroy(o->Proxy);
  if (g.Pointers != nullptr) zwlr_virtual_pointer_manager_v1_destroy(g.Pointers);
  if (g.Keyboards != nullptr) zwp_virtual_keyboard_manager_v1_destroy(g.Keyboards);
  wl_seat_destroy(g.Seat);
  wl_registry_destroy(registry);
  wl_display_disconnect(display);
  return status;
}
