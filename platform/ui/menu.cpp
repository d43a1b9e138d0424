// Menu objects behind their handles, the menu template loader and the menu API.
#include <algorithm>
#include <cstring>
#include <memory>
#include <unordered_map>

#include "platform/resources/resource_table.h"
#include "platform/ui/menu_internal.h"
#include "platform/ui/ui.h"
#include "platform/window/window_internal.h"

namespace platform {
namespace {

struct TMenus {
  std::unordered_map<std::uintptr_t, std::unique_ptr<TMenu>> menus;
  std::uintptr_t next = 0x30010;
};

TMenus& Menus() {
  static TMenus m;
  return m;
}

// Item kinds and states that this platform keeps; bitmaps and owner-drawn items are
// not supported.
constexpr UINT kItemFlags = MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_POPUP | MF_MENUBARBREAK |
                            MF_MENUBREAK | MF_SEPARATOR | MF_DEFAULT | MF_HELP;

int BarHeightHook(HMENU menu) {
  return MenuOf(menu) != nullptr ? GetSystemMetrics(SM_CYMENU) : -1;
}

void PaintBarHook(HWND hwnd) {
  PaintBar(hwnd, BarSelectionOf(hwnd));
}

void DestroyMenuHook(HMENU menu) {
  DestroyMenu(menu);
}

constexpr TMenuHooks kHooks{BarHeightHook, PaintBarHook, DestroyMenuHook,
                            TrackMenuBar,  KeyMenu,      TrackSystemMenu};

HMENU NewMenu() {
  InstallMenuHooks(&kHooks);
  TMenus& all = Menus();
  const HMENU h = reinterpret_cast<HMENU>(all.next);
  all.next += 4;
  auto m = std::make_unique<TMenu>();
  m->handle = h;
  all.menus.emplace(reinterpret_cast<std::uintptr_t>(h), std::move(m));
  return h;
}

// Where an item is: its menu and position.
struct TPlace {
  TMenu* menu = nullptr;
  std::size_t index = 0;
};

TPlace FindByCommand(TMenu* menu, UINT id, int depth) {
  if (menu == nullptr || depth > 16) return {};
  for (std::size_t i = 0; i < menu->items.size(); ++i) {
    const TMenuItem& it = menu->items[i];
    if (it.flags & MF_POPUP) {
      const TPlace inner = FindByCommand(MenuOf(it.popup), id, depth + 1);
      if (inner.menu != nullptr) return inner;
    } else if (it.id == id && !(it.flags & MF_SEPARATOR)) {
      return {menu, i};
    }
  }
  return {};
}

TPlace Find(HMENU menu, UINT item, UINT flags) {
  TMenu* m = MenuOf(menu);
  if (m == nullptr) return {};
  if (flags & MF_BYPOSITION) {
    if (item >= m->items.size()) return {};
    return {m, item};
  }
  return FindByCommand(m, item, 0);
}

// Whether `inner` is `outer` or lies somewhere in its popups.
bool Contains(HMENU outer, HMENU inner, int depth) {
  if (outer == inner) return true;
  const TMenu* m = MenuOf(outer);
  if (m == nullptr || depth > 16) return false;
  for (const TMenuItem& it : m->items) {
    if ((it.flags & MF_POPUP) && Contains(it.popup, inner, depth + 1)) return true;
  }
  return false;
}

// Makes an item from the flags and arguments of AppendMenuA/ModifyMenuA.
bool MakeItem(HMENU into, UINT flags, UINT_PTR idOrPopup, LPCSTR text, TMenuItem& out) {
  flags &= ~MF_BYPOSITION;
  if (flags & (MF_BITMAP | MF_OWNERDRAW)) return false;
  if (flags & ~kItemFlags) return false;
  out = TMenuItem{};
  out.flags = flags;
  if (flags & MF_POPUP) {
    const HMENU popup = reinterpret_cast<HMENU>(idOrPopup);
    // A menu inside itself would open and be destroyed for ever.
    if (MenuOf(popup) == nullptr || Contains(popup, into, 0)) return false;
    out.popup = popup;
  } else {
    out.id = static_cast<UINT>(idOrPopup);
  }
  if (!(flags & MF_SEPARATOR) && text != nullptr) out.text = text;
  return true;
}

// The template reader: every read is checked against the end.
class TTemplateReader {
 public:
  TTemplateReader(const std::uint8_t* data, std::size_t size) : P_(data), End_(data + size) {}

  bool Word(UINT& out) {
    if (End_ - P_ < 2) return false;
    out = static_cast<UINT>(P_[0] | (P_[1] << 8));
    P_ += 2;
    return true;
  }
  bool Skip(std::size_t n) {
    if (static_cast<std::size_t>(End_ - P_) < n) return false;
    P_ += n;
    return true;
  }
  // A zero-terminated UTF-16 string; characters past Latin-1 have no single byte here.
  bool Text(std::string& out) {
    out.clear();
    for (;;) {
      UINT c = 0;
      if (!Word(c)) return false;
      if (c == 0) return true;
      out.push_back(c < 0x100 ? static_cast<char>(c) : '?');
    }
  }

 private:
  const std::uint8_t* P_;
  const std::uint8_t* End_;
};

constexpr int kMaxTemplateDepth = 8;

// Reads one level of items (up to the one marked MF_END) into `menu`.
bool ReadLevel(TTemplateReader& r, HMENU menu, int depth) {
  if (depth > kMaxTemplateDepth) return false;
  for (;;) {
    UINT flags = 0;
    if (!r.Word(flags)) return false;
    const bool last = (flags & MF_END) != 0;
    flags &= ~MF_END;
    if (flags & ~kItemFlags) return false;
    TMenuItem item;
    item.flags = flags;
    if (flags & MF_POPUP) {
      if (!r.Text(item.text)) return false;
      item.popup = NewMenu();
      // Added first so that a failure below destroys it with the rest.
      MenuOf(menu)->items.push_back(item);
      if (!ReadLevel(r, item.popup, depth + 1)) return false;
    } else {
      if (!r.Word(item.id) || !r.Text(item.text)) return false;
      // An item with neither id nor text is how templates write a separator.
      if (item.id == 0 && item.text.empty()) item.flags |= MF_SEPARATOR;
      MenuOf(menu)->items.push_back(item);
    }
    if (last) return true;
  }
}

}  // namespace

std::size_t LiveMenusForTesting() {
  return Menus().menus.size();
}

TMenu* MenuOf(HMENU menu) {
  if (menu == nullptr) return nullptr;
  auto& all = Menus().menus;
  auto it = all.find(reinterpret_cast<std::uintptr_t>(menu));
  return it == all.end() ? nullptr : it->second.get();
}

bool Choosable(const TMenuItem& item) {
  return !(item.flags & (MF_GRAYED | MF_DISABLED | MF_SEPARATOR));
}

}  // namespace platform

using platform::MenuOf;
using platform::TMenu;
using platform::TMenuItem;

HMENU LoadMenuA(HINSTANCE instance, LPCSTR name) {
  const platform::ResourceEntry* e =
      platform::FindModuleResource(instance, platform::ResourceKind::Menu, name);
  if (e == nullptr || e->data == nullptr) return nullptr;
  platform::TTemplateReader r(e->data, e->size);
  UINT version = 0;
  UINT headerSize = 0;
  if (!r.Word(version) || !r.Word(headerSize) || version != 0 || !r.Skip(headerSize)) {
    return nullptr;
  }
  const HMENU menu = platform::NewMenu();
  if (!platform::ReadLevel(r, menu, 0)) {
    DestroyMenu(menu);
    return nullptr;
  }
  return menu;
}

HMENU CreateMenu() {
  return platform::NewMenu();
}

HMENU CreatePopupMenu() {
  return platform::NewMenu();
}

BOOL AppendMenuA(HMENU menu, UINT flags, UINT_PTR idOrPopup, LPCSTR text) {
  TMenu* m = MenuOf(menu);
  TMenuItem item;
  if (m == nullptr || !platform::MakeItem(menu, flags, idOrPopup, text, item)) return FALSE;
  m->items.push_back(std::move(item));
  return TRUE;
}

BOOL DestroyMenu(HMENU menu) {
  TMenu* m = MenuOf(menu);
  if (m == nullptr) return FALSE;
  // Taken out first, so that a popup shared by two items goes only once.
  std::unique_ptr<TMenu> owned =
      std::move(platform::Menus().menus.at(reinterpret_cast<std::uintptr_t>(menu)));
  platform::Menus().menus.erase(reinterpret_cast<std::uintptr_t>(menu));
  for (const TMenuItem& it : owned->items) {
    if (it.flags & MF_POPUP) DestroyMenu(it.popup);
  }
  return TRUE;
}

BOOL IsMenu(HMENU menu) {
  return MenuOf(menu) != nullptr ? TRUE : FALSE;
}

BOOL SetMenu(HWND hwnd, HMENU menu) {
  platform::TWnd* w = platform::WndOf(hwnd);
  if (w == nullptr || w->parent != nullptr) return FALSE;
  if (menu != nullptr && MenuOf(menu) == nullptr) return FALSE;
  // The old menu is the caller's to destroy.
  w->menu = menu;
  platform::SetNonClientTop(hwnd, menu != nullptr ? GetSystemMetrics(SM_CYMENU) : 0);
  platform::InvalidateNonClient(hwnd);
  return TRUE;
}

HMENU GetSubMenu(HMENU menu, int pos) {
  TMenu* m = MenuOf(menu);
  if (m == nullptr || pos < 0 || static_cast<std::size_t>(pos) >= m->items.size()) return nullptr;
  const TMenuItem& it = m->items[static_cast<std::size_t>(pos)];
  return (it.flags & MF_POPUP) ? it.popup : nullptr;
}

int GetMenuItemCount(HMENU menu) {
  TMenu* m = MenuOf(menu);
  return m != nullptr ? static_cast<int>(m->items.size()) : -1;
}

UINT GetMenuItemID(HMENU menu, int pos) {
  TMenu* m = MenuOf(menu);
  if (m == nullptr || pos < 0 || static_cast<std::size_t>(pos) >= m->items.size()) {
    return static_cast<UINT>(-1);
  }
  const TMenuItem& it = m->items[static_cast<std::size_t>(pos)];
  return (it.flags & MF_POPUP) ? static_cast<UINT>(-1) : it.id;
}

UINT GetMenuState(HMENU menu, UINT item, UINT flags) {
  const platform::TPlace p = platform::Find(menu, item, flags);
  if (p.menu == nullptr) return static_cast<UINT>(-1);
  const TMenuItem& it = p.menu->items[p.index];
  if (it.flags & MF_POPUP) {
    // A popup's item count rides in the high byte.
    const TMenu* sub = MenuOf(it.popup);
    const UINT count = sub != nullptr ? static_cast<UINT>(sub->items.size()) : 0;
    return (std::min<UINT>(count, 0xFF) << 8) | (it.flags & 0xFF);
  }
  return it.flags;
}

int GetMenuStringA(HMENU menu, UINT item, LPSTR buffer, int size, UINT flags) {
  const platform::TPlace p = platform::Find(menu, item, flags);
  if (p.menu == nullptr) return 0;
  const std::string& text = p.menu->items[p.index].text;
  if (buffer == nullptr) return static_cast<int>(text.size());
  if (size <= 0) return 0;
  const std::size_t n = std::min<std::size_t>(text.size(), static_cast<std::size_t>(size) - 1);
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return static_cast<int>(n);
}

BOOL ModifyMenuA(HMENU menu, UINT item, UINT flags, UINT_PTR idOrPopup, LPCSTR text) {
  const platform::TPlace p = platform::Find(menu, item, flags);
  if (p.menu == nullptr) return FALSE;
  TMenuItem replaced;
  if (!platform::MakeItem(p.menu->handle, flags, idOrPopup, text, replaced)) return FALSE;
  // Type, id, state and text are all replaced; a popup that goes is destroyed.
  const TMenuItem old = p.menu->items[p.index];
  const HMENU newPopup = replaced.popup;
  p.menu->items[p.index] = std::move(replaced);
  if ((old.flags & MF_POPUP) && old.popup != newPopup) {
    DestroyMenu(old.popup);
  }
  return TRUE;
}

UINT EnableMenuItem(HMENU menu, UINT item, UINT enable) {
  const platform::TPlace p = platform::Find(menu, item, enable);
  if (p.menu == nullptr) return static_cast<UINT>(-1);
  constexpr UINT kState = MF_GRAYED | MF_DISABLED;
  UINT& f = p.menu->items[p.index].flags;
  const UINT previous = f & kState;
  f = (f & ~kState) | (enable & kState);
  return previous;
}

BOOL DrawMenuBar(HWND hwnd) {
  platform::TWnd* w = platform::WndOf(hwnd);
  if (w == nullptr || w->parent != nullptr) return FALSE;
  // The bar is laid out afresh each time it is drawn.
  platform::InvalidateNonClient(hwnd);
  return TRUE;
}
