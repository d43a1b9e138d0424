// What the menu files share: menu records behind the handles, the layout of a menu bar
// and of a popup, and the menu mode's entry points.
#pragma once

#include <string>
#include <vector>

#include "platform/types.h"

namespace platform {

struct TMenuItem {
  UINT flags = 0;  // MF_POPUP, MF_SEPARATOR, MF_GRAYED, MF_DISABLED, MF_CHECKED, ...
  UINT id = 0;
  HMENU popup = nullptr;
  std::string text;
};

struct TMenu {
  HMENU handle = nullptr;
  std::vector<TMenuItem> items;
};

TMenu* MenuOf(HMENU menu);
// Whether the item can be chosen: neither grayed nor disabled nor a separator.
bool Choosable(const TMenuItem& item);

// The menu bar: one row of items left to right in the window's non-client strip.
// Rectangles are in surface coordinates of the top-level window (the strip is its top).
std::vector<RECT> BarLayout(HMENU bar, int width);
// The bar item under screen point `p`, or -1.
int BarItemAt(HWND frame, POINT p);
// Where bar item `index` lies on the screen.
RECT BarItemOnScreen(HWND frame, int index);
// Draws the bar; `selected` is highlighted (-1: none).
void PaintBar(HWND frame, int selected);

// A popup: a raised frame around rows of items, one row per item.
constexpr int kPopupFrame = 3;  // the raised edge and a pixel of face inside it
SIZE PopupSize(HMENU menu);
// Item `index`'s row in the popup's client coordinates.
RECT PopupItemRect(HMENU menu, int index);
// The item at client point `p` of a popup of `menu`, or -1.
int PopupItemAt(HMENU menu, POINT p);
// Makes (hidden) the window that shows `menu` as a popup over `owner`, at screen `at`.
HWND CreatePopupWindow(HWND owner, HMENU menu, POINT at);
// Which item a popup window highlights.
void SetPopupSelection(HWND popup, int index);
int PopupSelection(HWND popup);
HMENU PopupMenuOf(HWND popup);

// Menu mode (menu_loop.cpp): a press on the bar at screen point `p`, or the menu key
// (0 for Alt or F10, else the letter typed with Alt).
void TrackMenuBar(HWND frame, POINT p);
void KeyMenu(HWND frame, char ch);
// The system menu of `frame`, opened under its caption: Restore, Move, Size, Minimise,
// Maximise, Close, those that do not apply greyed (a dialog's: Move, Close); the choice
// reaches the window as a posted WM_SYSCOMMAND.
void TrackSystemMenu(HWND frame);
// Whether menu mode runs for `frame` now (it draws the bar's selection then).
int BarSelectionOf(HWND frame);

}  // namespace platform
