// What the dialog manager, its keyboard and the message boxes share.
#pragma once

#include <string>
#include <vector>

#include "platform/types.h"

namespace platform {

// A modal dialog's own record, kept beside its window from creation to WM_NCDESTROY.
struct TDialogState {
  HWND owner = nullptr;  // the top-level window it was run over, or none
  bool ended = false;    // EndDialog was called
  INT_PTR result = 0;
  WORD defId = 1;              // DM_GETDEFID's answer: IDOK unless the template names one
  HWND defButton = nullptr;    // the push button made default by the template or DM_SETDEFID
  HWND focusLook = nullptr;    // a push button showing the default look because it has the focus
  HFONT font = nullptr;        // WM_SETFONT's, for the controls
  bool dialogFont = false;     // laid out in the dialog font (else the system font)
  HWND savedFocus = nullptr;   // the control to give the focus back to on activation
  std::vector<HWND> disabled;  // windows this dialog disabled, enabled again when it ends
};

// The record of a dialog made by DialogBoxParamA or a message box; nullptr otherwise.
TDialogState* DialogStateOf(HWND dialog);

// A dialog laid out in pixels, as DialogBoxParamA and message boxes make it.
struct TDialogItemSpec {
  DWORD style = 0;
  DWORD exStyle = 0;
  RECT rect{};  // in the dialog's client area
  WORD id = 0;
  std::string className;
  std::string text;
};
struct TDialogSpec {
  DWORD style = 0;
  DWORD exStyle = 0;
  std::string className;  // empty: the dialog class
  std::string caption;
  POINT clientOrigin{};  // on the screen; the whole window is kept on the work area
  SIZE client{};
  bool dialogFont = true;  // DS_SETFONT: the controls get WM_SETFONT with the dialog font
  std::vector<TDialogItemSpec> items;
  // Windows to disable while it runs besides the owner (a task-modal message box's).
  std::vector<HWND> alsoDisable;
};

// Makes the dialog, runs it to its end and destroys it: the owner (a top-level window
// or none) disabled meanwhile, then enabled and activated again. Answers EndDialog's
// value; -1 when it cannot be made.
INT_PTR RunDialog(HINSTANCE instance, const TDialogSpec& spec, HWND owner, DLGPROC proc,
                  LPARAM param);

// Dialog base units of the dialog font (DS_SETFONT) or the system font.
SIZE DialogBaseUnits(bool dialogFont);
// a * b / c rounded to the nearest, halves away from zero; -1 when c is 0.
int MulDivRound(int a, int b, int c);

// Dialog keyboard (dialog_keys.cpp).
// Moves the focus to `control` as the keyboard does: an edit gets its text selected.
void DialogFocusControl(HWND dialog, HWND control);
// DM_SETDEFID: `id` becomes the default, its button takes the default look unless a
// focused push button shows it.
void SetDefaultButton(HWND dialog, WORD id);
// Gives the default-button look to the focused push button, or back to the default one.
void UpdateDefaultLook(HWND dialog, HWND focus);
// The button-style bits of BS_* in a push button's style.
constexpr DWORD kButtonTypeMask = 0x0000000F;

}  // namespace platform
