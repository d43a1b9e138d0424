// Keyboard input: key messages to the focus window and their characters.
//
// The host reports a key press and, separately, the text it typed. A key-down takes
// along the text event that follows it, and TranslateMessage posts that text as
// WM_CHAR, so characters follow the user's keyboard layout. Keys that type no text
// (Enter, Escape, Backspace, Tab, Ctrl+letter, Alt+letter) get their character from the
// key itself, as on a US layout.
#include "platform/window/window_internal.h"

namespace platform {
namespace {

struct TKeyText {
  bool valid = false;
  HWND hwnd = nullptr;
  WPARAM key = 0;
  LPARAM lParam = 0;
  DWORD time = 0;
  char ch = 0;  // 0: the key typed no text
  unsigned mods = 0;
};

TKeyText g_keyText;
// Alt went down and nothing else happened since.
bool g_altAlone = false;
// The modifiers held at the last key message taken from the queue, for GetKeyState.
unsigned g_keyMods = 0;

constexpr LPARAM kAltContext = LPARAM{1} << 29;
constexpr LPARAM kPreviousDown = LPARAM{1} << 30;
constexpr LPARAM kReleased = LPARAM{1} << 31;

// The character a key makes by itself, or 0.
char KeyChar(WPARAM vk, unsigned mods) {
  const bool shift = (mods & kModShift) != 0;
  switch (vk) {
    case VK_RETURN:
      return '\r';
    case VK_ESCAPE:
      return 0x1B;
    case VK_BACK:
      return 0x08;
    case VK_TAB:
      return '\t';
    case VK_SPACE:
      return ' ';
    default:
      break;
  }
  if (vk >= 'A' && vk <= 'Z') {
    if (mods & kModCtrl) return static_cast<char>(vk - 'A' + 1);
    return static_cast<char>(shift && !(mods & kModAlt) ? vk : vk - 'A' + 'a');
  }
  if (vk >= '0' && vk <= '9' && !shift) return static_cast<char>(vk);
  return 0;
}

}  // namespace

void ResetKeyboard() {
  g_keyText = {};
  g_altAlone = false;
  g_keyMods = 0;
}

bool TakeAltTap() {
  const bool tapped = g_altAlone;
  g_altAlone = false;
  return tapped;
}

void NoteMouseButton() {
  g_altAlone = false;
}

bool KeyMessage(const TInput& in, const TInput* next, const TFilter& filter, bool remove, MSG& msg,
                bool& consumed, bool& tookNext) {
  const HostEvent& e = in.event;
  consumed = false;
  tookNext = false;
  // Ctrl+Alt is how AltGr arrives: it types characters, it is no system key.
  const bool altGr = (e.modifiers & kModAlt) && (e.modifiers & kModCtrl);
  const bool alt = (e.modifiers & kModAlt) != 0 && !altGr;
  HWND target = GetFocus();
  bool sys = alt;
  if (e.kind != HostEventKind::Text) sys = sys || (e.key == VK_MENU && !altGr) || e.key == VK_F10;
  if (target == nullptr) {
    // Without a focus window keys go to the active window as system keys.
    target = ActiveWindow();
    sys = true;
  }
  if (target == nullptr || !IsWindowEnabled(target)) {
    consumed = true;
    return false;
  }
  UINT message = 0;
  WPARAM wParam = e.key;
  LPARAM lParam = 1 | (alt ? kAltContext : 0);
  switch (e.kind) {
    case HostEventKind::KeyDown:
      message = sys ? WM_SYSKEYDOWN : WM_KEYDOWN;
      if (e.repeat) lParam |= kPreviousDown;
      break;
    case HostEventKind::KeyUp:
      message = sys ? WM_SYSKEYUP : WM_KEYUP;
      lParam |= kPreviousDown | kReleased;
      break;
    default:
      message = alt ? WM_SYSCHAR : WM_CHAR;
      wParam = static_cast<unsigned char>(e.text[0]);
      break;
  }
  if (!filter.Passes(target, message)) return false;
  const DWORD time = MessageTimeOf(e.time);
  msg = MSG{target, message, wParam, lParam, time, {}};
  msg.pt = LastPointerPosition();
  if (remove && e.kind == HostEventKind::KeyDown && !e.repeat) {
    g_altAlone = e.key == VK_MENU && !altGr;
  }
  if (remove) g_keyMods = e.modifiers;
  if (remove && e.kind == HostEventKind::KeyDown) {
    g_keyText = {true, target, wParam, lParam, time, 0, e.modifiers};
    if (next != nullptr && next->event.kind == HostEventKind::Text &&
        next->event.window == e.window) {
      g_keyText.ch = next->event.text[0];
      tookNext = true;
    }
  }
  return true;
}

}  // namespace platform

BOOL TranslateMessage(const MSG* msg) {
  if (msg == nullptr) return FALSE;
  if (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN) {
    return msg->message == WM_KEYUP || msg->message == WM_SYSKEYUP;
  }
  const platform::TKeyText& k = platform::g_keyText;
  char ch = 0;
  const bool sys = msg->message == WM_SYSKEYDOWN;
  if (k.valid && k.hwnd == msg->hwnd && k.key == msg->wParam && k.lParam == msg->lParam &&
      k.time == msg->time) {
    ch = k.ch != 0 ? k.ch : platform::KeyChar(msg->wParam, k.mods);
  } else {
    unsigned mods = 0;
    if (msg->lParam & platform::kAltContext) mods |= platform::kModAlt;
    ch = platform::KeyChar(msg->wParam, mods);
  }
  if (ch != 0 && msg->wParam != VK_MENU) {
    PostMessageA(msg->hwnd, sys ? WM_SYSCHAR : WM_CHAR, static_cast<unsigned char>(ch),
                 msg->lParam);
  }
  return TRUE;
}

SHORT GetKeyState(int vk) {
  unsigned mod = 0;
  if (vk == static_cast<int>(VK_SHIFT)) mod = platform::kModShift;
  if (vk == static_cast<int>(VK_CONTROL)) mod = platform::kModCtrl;
  if (vk == static_cast<int>(VK_MENU)) mod = platform::kModAlt;
  return (platform::g_keyMods & mod) != 0 ? static_cast<SHORT>(0x8000) : SHORT{0};
}
