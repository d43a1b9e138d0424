// Windows, the message queue, timers, painting, mouse and cursor.
//
// Geometry. A top-level window owns one TSurface, shown by the host as one host window
// whose desktop decorations (Host::Decorations) are the window's frame. Its window
// rectangle is the surface's screen rectangle grown by those decorations. Its client
// area is the surface below a non-client top strip, the seam for a menu bar: the strip
// is 0 pixels high until SetNonClientTop (window_internal.h) claims it; pointer input
// there arrives as WM_NC* messages with HTMENU. A child window has no frame: its window
// and client rectangles coincide, are kept relative to its parent's client area, and
// it draws on its top-level surface through an origin and a clip. Children stack in
// creation order, the first on top.
//
// Not supported, and refused with a failed result: maximising (WS_MAXIMIZE,
// SW_MAXIMIZE), window scroll bars (WS_HSCROLL/WS_VSCROLL), extra class bytes,
// message-range exclusion filters, menu bars of more than one row.
//
// Threads: everything here runs on the one thread that created the first window.
#pragma once

#include <cstddef>

#include "platform/constants.h"
#include "platform/types.h"

// Window classes. A class that windows still use cannot be unregistered.
ATOM RegisterClassA(const WNDCLASSA* wc);
BOOL UnregisterClassA(LPCSTR className, HINSTANCE instance);
BOOL GetClassInfoA(HINSTANCE instance, LPCSTR className, WNDCLASSA* wc);

// Window objects.
HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID param);
BOOL DestroyWindow(HWND hwnd);
BOOL IsWindow(HWND hwnd);
HWND GetParent(HWND hwnd);
BOOL IsChild(HWND parent, HWND hwnd);
HWND GetWindow(HWND hwnd, UINT cmd);
HWND GetDlgItem(HWND dialog, int id);
int GetDlgCtrlID(HWND hwnd);
HMENU GetMenu(HWND hwnd);
BOOL GetClientRect(HWND hwnd, LPRECT rect);
BOOL GetWindowRect(HWND hwnd, LPRECT rect);
BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);
BOOL AdjustWindowRect(LPRECT rect, DWORD style, BOOL menu);
BOOL AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL menu, DWORD exStyle);
BOOL ShowWindow(HWND hwnd, int cmd);  // answers whether it was visible before
BOOL IsWindowVisible(HWND hwnd);
BOOL IsIconic(HWND hwnd);
HWND SetFocus(HWND hwnd);
HWND GetFocus();
HWND GetActiveWindow();
BOOL EnableWindow(HWND hwnd, BOOL enable);  // answers whether it was disabled before
BOOL IsWindowEnabled(HWND hwnd);
DWORD GetCurrentThreadId();
BOOL EnumThreadWindows(DWORD threadId, WNDENUMPROC proc, LPARAM lParam);
DWORD GetVersion();
BOOL SetWindowTextA(HWND hwnd, LPCSTR text);
int GetWindowTextA(HWND hwnd, LPSTR buffer, int size);
int GetWindowTextLengthA(HWND hwnd);
LONG_PTR SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value);
LONG_PTR GetWindowLongPtrA(HWND hwnd, int index);

// Messages.
LRESULT SendMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL PostMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CallWindowProcA(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT DefWindowProcA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// The queue.
BOOL PeekMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags);
BOOL GetMessageA(LPMSG msg, HWND hwnd, UINT filterMin,
                 UINT filterMax);  // 0 on WM_QUIT, -1 on error
BOOL WaitMessage();
BOOL TranslateMessage(const MSG* msg);
// The high bit is set while VK_SHIFT, VK_CONTROL or VK_MENU was held at the last key
// message taken from the queue; other keys answer 0.
SHORT GetKeyState(int vk);
LRESULT DispatchMessageA(const MSG* msg);
void PostQuitMessage(int exitCode);
DWORD GetMessageTime();
DWORD GetTickCount();

// Timers.
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc);
BOOL KillTimer(HWND hwnd, UINT_PTR id);

// Painting.
BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);
BOOL ValidateRect(HWND hwnd, const RECT* rect);
BOOL GetUpdateRect(HWND hwnd, LPRECT rect, BOOL erase);
BOOL UpdateWindow(HWND hwnd);
HDC BeginPaint(HWND hwnd, LPPAINTSTRUCT ps);
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps);
HDC GetDC(HWND hwnd);
HDC GetWindowDC(HWND hwnd);  // the whole surface of a top-level window; ReleaseDC frees it
int ReleaseDC(HWND hwnd, HDC dc);

// Mouse and cursor.
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();
BOOL GetCursorPos(LPPOINT point);
BOOL SetCursorPos(int x, int y);
HWND SetCapture(HWND hwnd);
BOOL ReleaseCapture();
HWND GetCapture();
BOOL ScreenToClient(HWND hwnd, LPPOINT point);
BOOL ClientToScreen(HWND hwnd, LPPOINT point);
HWND WindowFromPoint(POINT point);
UINT GetDoubleClickTime();

namespace platform {

// Test hooks. GetVersion answers `version` from now on (0 restores the default).
void SetVersionForTesting(DWORD version);
// While refused, SetTimer answers 0 and sets no timer (faults.h refuses any operation).
void RefuseTimersForTesting(bool refuse);
// Read-only views for tests that look for leaks and stray timers: the live windows
// (children and popup menus included), the live timers, and whether timer `id` of
// `hwnd` exists.
std::size_t LiveWindowsForTesting();
std::size_t LiveTimersForTesting();
bool HasTimerForTesting(HWND hwnd, UINT_PTR id);
// Destroys every window and forgets queued messages, timers, capture, focus, the cursor,
// refusals, libraries added for testing and the hooks above, so that each test starts
// from a fresh platform. Classes stay.
void ResetForTesting();

}  // namespace platform
