// The platform's control classes STATIC, BUTTON, SCROLLBAR and EDIT: their procedures,
// registered the first time CreateWindowExA or GetClassInfoA asks for a class it does
// not know (RegisterSystemClasses), and what they share.
#pragma once

#include <map>
#include <memory>

#include "platform/constants.h"
#include "platform/types.h"
#include "platform/window/window.h"

namespace platform::controls {

LRESULT CALLBACK StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK ButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK ScrollBarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK EditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// WM_COMMAND(MAKEWPARAM(id, code), hwnd) to the control's parent.
void Notify(HWND hwnd, WORD code);
// Whether the control shows as enabled: it and its ancestors are.
bool ShowsEnabled(HWND hwnd);
// The control's style bits.
DWORD StyleOf(HWND hwnd);
// Changes the control's style bits (BM_SETSTYLE) without anything else.
void SetStyleBits(HWND hwnd, DWORD style);

// Per-window state of one control class, created at WM_NCCREATE and dropped at
// WM_NCDESTROY. Look it up again after anything that may run other code (a
// notification may destroy the control).
template <typename T>
class TStates {
 public:
  T* Find(HWND hwnd) {
    auto it = States_.find(hwnd);
    return it == States_.end() ? nullptr : it->second.get();
  }
  T& Make(HWND hwnd) { return *(States_[hwnd] = std::make_unique<T>()); }
  void Drop(HWND hwnd) { States_.erase(hwnd); }

 private:
  std::map<HWND, std::unique_ptr<T>> States_;
};

// WM_SETFONT and WM_GETFONT, alike for every control: the font is kept to be told
// back (the controls draw in the dialog font whatever it is); a set with redraw
// repaints the control.
template <typename T>
LRESULT FontMessage(TStates<T>& states, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  T* state = states.Find(hwnd);
  if (msg == WM_GETFONT) return state ? reinterpret_cast<LRESULT>(state->font) : 0;
  if (state) state->font = reinterpret_cast<HFONT>(wParam);
  if (LOWORD(static_cast<WPARAM>(lParam))) InvalidateRect(hwnd, nullptr, FALSE);
  return 0;
}

}  // namespace platform::controls
