// Menus, dialogs, controls and message boxes: the platform's user interface, drawn in
// the classic look (look.h) on top of the windowing and drawing parts.
//
// Anything not listed here is not supported. Every function answers a failed result
// (FALSE, 0, -1 or nullptr as the platform does) for a handle that is not what it asks for.
#pragma once

#include <cstddef>

#include "platform/constants.h"
#include "platform/types.h"

// Menus. A menu is a list of items (a text with `&` marking the mnemonic, a command id
// or a popup, and a state); the menu bar of a top-level window is drawn in its
// non-client strip above the client area.
HMENU LoadMenuA(HINSTANCE instance, LPCSTR name);
HMENU CreateMenu();
HMENU CreatePopupMenu();
BOOL AppendMenuA(HMENU menu, UINT flags, UINT_PTR idOrPopup, LPCSTR text);
BOOL DestroyMenu(HMENU menu);  // destroys its popups too
BOOL IsMenu(HMENU menu);
BOOL SetMenu(HWND hwnd, HMENU menu);  // GetMenu is in window.h
HMENU GetSubMenu(HMENU menu, int pos);
int GetMenuItemCount(HMENU menu);
UINT GetMenuItemID(HMENU menu, int pos);  // -1 for a popup or a bad position
UINT GetMenuState(HMENU menu, UINT item, UINT flags);
int GetMenuStringA(HMENU menu, UINT item, LPSTR buffer, int size, UINT flags);
BOOL ModifyMenuA(HMENU menu, UINT item, UINT flags, UINT_PTR idOrPopup, LPCSTR text);
UINT EnableMenuItem(HMENU menu, UINT item, UINT enable);  // the previous state, or -1
BOOL DrawMenuBar(HWND hwnd);
// Where item `pos` of the window's menu bar, or of a popup of it now open, is on the
// screen.
BOOL GetMenuItemRect(HWND hwnd, HMENU menu, UINT pos, LPRECT rect);

// Dialogs. Templates are the module's dialog resources; DS_SETFONT templates are laid
// out in the dialog font. A dialog window keeps DLGWINDOWEXTRA extra bytes: the
// DLGPROC's message result, the DLGPROC and a word for its user.
constexpr int DLGWINDOWEXTRA = 30;
constexpr int DWLP_MSGRESULT = 0;
constexpr int DWLP_DLGPROC = static_cast<int>(sizeof(LRESULT));
constexpr int DWLP_USER = DWLP_DLGPROC + static_cast<int>(sizeof(DLGPROC));
INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC proc,
                        LPARAM param);
BOOL EndDialog(HWND dialog, INT_PTR result);
LRESULT DefDlgProcA(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL IsDialogMessageA(HWND dialog, LPMSG msg);
BOOL SetDlgItemTextA(HWND dialog, int id, LPCSTR text);
UINT GetDlgItemTextA(HWND dialog, int id, LPSTR buffer, int size);
UINT GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL isSigned);
LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT msg, WPARAM wParam, LPARAM lParam);
LONG GetDialogBaseUnits();  // MAKELONG(x, y) of the system font
BOOL MapDialogRect(HWND dialog, LPRECT rect);
HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous);
// GetDlgItem and GetDlgCtrlID are in window.h.

// Scroll bar controls (SB_CTL only).
BOOL SetScrollRange(HWND hwnd, int bar, int minPos, int maxPos, BOOL redraw);
BOOL GetScrollRange(HWND hwnd, int bar, LPINT minPos, LPINT maxPos);
int SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw);  // the previous position
int GetScrollPos(HWND hwnd, int bar);

// Message boxes: a dialog made in code with an icon, the text and OK or Yes/No.
int MessageBoxExA(HWND owner, LPCSTR text, LPCSTR caption, UINT type, WORD language);
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

// The classic metrics; see look.h for the values chosen.
int GetSystemMetrics(int index);

namespace platform {

// A read-only view for tests that look for leaks: the live menus, popups included.
std::size_t LiveMenusForTesting();

}  // namespace platform
