// The platform's scalar types, handles, records and packing helpers, declared for
// this substitute. Widths follow the platform (LONG is 32 bits even on LP64).
#pragma once

#include <cstddef>
#include <cstdint>

#define CALLBACK
#define WINAPI

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using INT = int;
using SHORT = std::int16_t;
using USHORT = std::uint16_t;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using INT_PTR = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using LONG_PTR = std::intptr_t;
using ULONG_PTR = std::uintptr_t;
using WPARAM = UINT_PTR;
using LPARAM = LONG_PTR;
using LRESULT = LONG_PTR;
using ATOM = WORD;
using COLORREF = DWORD;
using CHAR = char;
using LPSTR = char*;
using LPCSTR = const char*;
using LPVOID = void*;
using LPCVOID = const void*;
using HANDLE = void*;
using HGDIOBJ = void*;

constexpr BOOL FALSE = 0;
constexpr BOOL TRUE = 1;

// Opaque handle types, one distinct pointer type each, so that a handle of one kind
// cannot be passed where another is expected.
#define KLOP_DECLARE_HANDLE(name) \
  struct name##__ {               \
    int unused;                   \
  };                              \
  using name = name##__*

KLOP_DECLARE_HANDLE(HWND);
KLOP_DECLARE_HANDLE(HDC);
KLOP_DECLARE_HANDLE(HBITMAP);
KLOP_DECLARE_HANDLE(HBRUSH);
KLOP_DECLARE_HANDLE(HPEN);
KLOP_DECLARE_HANDLE(HFONT);
KLOP_DECLARE_HANDLE(HICON);
KLOP_DECLARE_HANDLE(HMENU);
KLOP_DECLARE_HANDLE(HINSTANCE);
#undef KLOP_DECLARE_HANDLE

using HCURSOR = HICON;
using HMODULE = HINSTANCE;

struct RECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};
using LPRECT = RECT*;
using LPINT = int*;

struct POINT {
  LONG x;
  LONG y;
};
using LPPOINT = POINT*;

struct SIZE {
  LONG cx;
  LONG cy;
};
using LPSIZE = SIZE*;

struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
};
using LPMSG = MSG*;

struct PAINTSTRUCT {
  HDC hdc;
  BOOL fErase;
  RECT rcPaint;
  BOOL fRestore;
  BOOL fIncUpdate;
  BYTE rgbReserved[32];
};
using LPPAINTSTRUCT = PAINTSTRUCT*;

struct BITMAP {
  LONG bmType;
  LONG bmWidth;
  LONG bmHeight;
  LONG bmWidthBytes;
  WORD bmPlanes;
  WORD bmBitsPixel;
  LPVOID bmBits;
};

using WNDPROC = LRESULT(CALLBACK*)(HWND, UINT, WPARAM, LPARAM);
using DLGPROC = INT_PTR(CALLBACK*)(HWND, UINT, WPARAM, LPARAM);
using TIMERPROC = void(CALLBACK*)(HWND, UINT, UINT_PTR, DWORD);
using WNDENUMPROC = BOOL(CALLBACK*)(HWND, LPARAM);
// An exported function of a library, to be cast to its real type by the caller.
using FARPROC = INT_PTR(WINAPI*)();

struct WNDCLASSA {
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  LPCSTR lpszMenuName;
  LPCSTR lpszClassName;
};

struct CREATESTRUCTA {
  LPVOID lpCreateParams;
  HINSTANCE hInstance;
  HMENU hMenu;
  HWND hwndParent;
  int cy;
  int cx;
  int y;
  int x;
  LONG style;
  LPCSTR lpszName;
  LPCSTR lpszClass;
  DWORD dwExStyle;
};

// Packing and unpacking of message parameters.
constexpr WORD LOWORD(std::uintptr_t v) { return static_cast<WORD>(v & 0xFFFF); }
constexpr WORD HIWORD(std::uintptr_t v) { return static_cast<WORD>((v >> 16) & 0xFFFF); }
constexpr BYTE LOBYTE(std::uintptr_t v) { return static_cast<BYTE>(v & 0xFF); }
constexpr BYTE HIBYTE(std::uintptr_t v) { return static_cast<BYTE>((v >> 8) & 0xFF); }
constexpr DWORD MAKELONG(WORD lo, WORD hi) {
  return static_cast<DWORD>(lo) | (static_cast<DWORD>(hi) << 16);
}
constexpr WPARAM MAKEWPARAM(WORD lo, WORD hi) { return MAKELONG(lo, hi); }
constexpr LPARAM MAKELPARAM(WORD lo, WORD hi) { return static_cast<LPARAM>(MAKELONG(lo, hi)); }
constexpr LRESULT MAKELRESULT(WORD lo, WORD hi) { return static_cast<LRESULT>(MAKELONG(lo, hi)); }
// Coordinates in lParam are signed 16-bit values.
constexpr int GET_X_LPARAM(LPARAM lp) { return static_cast<SHORT>(LOWORD(static_cast<std::uintptr_t>(lp))); }
constexpr int GET_Y_LPARAM(LPARAM lp) { return static_cast<SHORT>(HIWORD(static_cast<std::uintptr_t>(lp))); }

constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
  return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) |
         (static_cast<COLORREF>(b) << 16);
}
constexpr BYTE GetRValue(COLORREF c) { return static_cast<BYTE>(c & 0xFF); }
constexpr BYTE GetGValue(COLORREF c) { return static_cast<BYTE>((c >> 8) & 0xFF); }
constexpr BYTE GetBValue(COLORREF c) { return static_cast<BYTE>((c >> 16) & 0xFF); }

// A resource named by number travels in a name pointer whose value is below 0x10000.
inline LPSTR MAKEINTRESOURCEA(WORD id) {
  return reinterpret_cast<LPSTR>(static_cast<std::uintptr_t>(id));
}
inline bool IS_INTRESOURCE(LPCSTR name) {
  return (reinterpret_cast<std::uintptr_t>(name) >> 16) == 0;
}
