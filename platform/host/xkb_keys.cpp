#include "platform/host/xkb_keys.h"

#include <xkbcommon/xkbcommon-compose.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <array>
#include <cstdlib>

#include "platform/host/host.h"

namespace platform {

namespace {

bool StartsComposing(xkb_keysym_t sym) {
  return (sym >= XKB_KEY_dead_grave && sym <= XKB_KEY_dead_greek) || sym == XKB_KEY_Multi_key;
}

// Control characters are keys, not text.
bool IsPrintable(const std::string& text) {
  if (text.empty()) return false;
  auto lead = static_cast<unsigned char>(text[0]);
  return lead >= 0x20 && lead != 0x7F;
}

const char* ComposeLocale() {
  for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] != '\0') return value;
  }
  return "C";
}

}  // namespace

TKeymapKey KeymapKey(xkb_keymap* keymap, xkb_state* state, std::uint32_t code) {
  // A keymap holds at most four layouts.
  std::array<std::uint32_t, 4> firsts{};
  const unsigned layouts =
      std::min<unsigned>(xkb_keymap_num_layouts_for_key(keymap, code), firsts.size());
  for (unsigned l = 0; l < layouts; ++l) {
    const xkb_keysym_t* syms = nullptr;
    if (xkb_keymap_key_get_syms_by_level(keymap, code, l, 0, &syms) > 0) firsts[l] = syms[0];
  }
  // XKB_LAYOUT_INVALID for a key the keymap lacks: no layout is active then.
  const xkb_layout_index_t active = xkb_state_key_get_layout(state, code);
  TKeymapKey k;
  k.Vk = VirtualKeyOfLayouts(firsts.data(), layouts, active);
  k.AltGr = active < layouts && IsAltGr(firsts[active]);
  return k;
}

std::string KeyUtf8(xkb_state* state, std::uint32_t code) {
  std::string typed;
  if (int n = xkb_state_key_get_utf8(state, code, nullptr, 0); n > 0) {
    typed.resize(std::size_t(n) + 1);
    xkb_state_key_get_utf8(state, code, typed.data(), typed.size());
    typed.resize(std::size_t(n));
  }
  return typed;
}

unsigned THeldModifiers::Key(bool press, std::uint32_t code, unsigned vk, bool altGr,
                             unsigned mods) {
  if (altGr && code < AltGr_.size()) AltGr_[code] = press;
  const unsigned self = altGr        ? 0
                        : vk == 0x10 ? kModShift
                        : vk == 0x11 ? kModCtrl
                        : vk == 0x12 ? kModAlt
                                     : 0;
  mods = press ? mods | self : mods & ~self;
  if (AltGr_.any()) mods |= kModCtrl | kModAlt;
  return mods;
}

TComposer::~TComposer() {
  xkb_compose_state_unref(State_);
  xkb_compose_table_unref(Table_);
}

std::string TComposer::Feed(xkb_context* context, std::uint32_t keysym, std::string typed) {
  std::string text = Compose(context, keysym, std::move(typed));
  if (!IsPrintable(text)) text.clear();
  return text;
}

std::string TComposer::Compose(xkb_context* context, std::uint32_t keysym, std::string typed) {
  if (State_ == nullptr) {
    if (!StartsComposing(keysym) || Table_ != nullptr) return typed;
    Table_ =
        xkb_compose_table_new_from_locale(context, ComposeLocale(), XKB_COMPOSE_COMPILE_NO_FLAGS);
    if (Table_ == nullptr) {
      Table_ =
          xkb_compose_table_new_from_locale(context, "C", XKB_COMPOSE_COMPILE_NO_FLAGS);
    }
    if (Table_ == nullptr) return typed;
    State_ = xkb_compose_state_new(Table_, XKB_COMPOSE_STATE_NO_FLAGS);
    if (State_ == nullptr) return typed;
  }
  if (xkb_compose_state_feed(State_, keysym) != XKB_COMPOSE_FEED_ACCEPTED) return typed;
  switch (xkb_compose_state_get_status(State_)) {
    case XKB_COMPOSE_COMPOSING:
      return {};
    case XKB_COMPOSE_COMPOSED: {
      std::string out;
      if (int n = xkb_compose_state_get_utf8(State_, nullptr, 0); n > 0) {
        out.resize(std::size_t(n) + 1);
        xkb_compose_state_get_utf8(State_, out.data(), out.size());
        out.resize(std::size_t(n));
      }
      xkb_compose_state_reset(State_);
      return out;
    }
    case XKB_COMPOSE_CANCELLED:
      xkb_compose_state_reset(State_);
      return {};
    case XKB_COMPOSE_NOTHING:
      break;
  }
  return typed;
}

void TXkbKeymap::TUnref::operator()(xkb_context* p) const { xkb_context_unref(p); }
void TXkbKeymap::TUnref::operator()(xkb_keymap* p) const { xkb_keymap_unref(p); }
void TXkbKeymap::TUnref::operator()(xkb_state* p) const { xkb_state_unref(p); }

xkb_context* TXkbKeymap::Context() {
  if (Context_ == nullptr) Context_.reset(xkb_context_new(XKB_CONTEXT_NO_FLAGS));
  return Context_.get();
}

bool TXkbKeymap::Use(xkb_keymap* keymap) {
  if (keymap == nullptr) return false;
  xkb_state* state = xkb_state_new(keymap);
  if (state == nullptr) {
    xkb_keymap_unref(keymap);
    return false;
  }
  State_.reset(state);
  Keymap_.reset(keymap);
  return true;
}

TKeyStroke TXkbKeymap::Stroke(bool press, std::uint32_t code, unsigned modifiers) {
  TKeyStroke k;
  const TKeymapKey key = KeymapKey(Keymap(), State(), code);
  k.Vk = key.Vk;
  k.Modifiers = Held_.Key(press, code, key.Vk, key.AltGr, modifiers);
  if (press) {
    const xkb_keysym_t sym = xkb_state_key_get_one_sym(State(), code);
    k.Text = Composer_.Feed(Context_.get(), sym, KeyUtf8(State(), code));
  }
  return k;
}

}  // namespace platform
