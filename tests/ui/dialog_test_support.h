// Dialog tests' helpers: templates written in code and registered as a module, keys
// scripted one after another, and a DLGPROC that records and ends on OK and Cancel.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "windowing_fixture.h"

namespace klop_test {

// Writes a dialog template in the module format (resource_table.h).
class TTemplateWriter {
 public:
  TTemplateWriter(DWORD style, int x, int y, int cx, int cy, const std::string& caption,
                  bool font = true) {
    Dword(style | (font ? DS_SETFONT : 0));
    Dword(0);
    CountAt_ = Bytes.size();
    Word(0);
    for (int v : {x, y, cx, cy}) Word(static_cast<WORD>(v));
    Word(0);  // menu
    Word(0);  // class
    String(caption);
    if (font) {
      Word(8);
      String("MS Sans Serif");
    }
  }
  // `cls` an atom (0x80 button ... 0x84 scroll bar) or 0 for `className`.
  TTemplateWriter& Control(DWORD style, int x, int y, int cx, int cy, WORD id, WORD atom,
                           const std::string& text, const std::string& className = "") {
    while (Bytes.size() % 4 != 0) Bytes.push_back(0);
    Dword(style | WS_CHILD | WS_VISIBLE);
    Dword(0);
    for (int v : {x, y, cx, cy}) Word(static_cast<WORD>(v));
    Word(id);
    if (atom != 0) {
      Word(0xFFFF);
      Word(atom);
    } else {
      String(className);
    }
    String(text);
    Word(0);
    ++Count_;
    Bytes[CountAt_] = static_cast<std::uint8_t>(Count_);
    Bytes[CountAt_ + 1] = static_cast<std::uint8_t>(Count_ >> 8);
    return *this;
  }

  std::vector<std::uint8_t> Bytes;

 private:
  void Word(WORD v) {
    Bytes.push_back(static_cast<std::uint8_t>(v));
    Bytes.push_back(static_cast<std::uint8_t>(v >> 8));
  }
  void Dword(DWORD v) {
    Word(static_cast<WORD>(v));
    Word(static_cast<WORD>(v >> 16));
  }
  void String(const std::string& s) {
    for (char c : s) Word(static_cast<unsigned char>(c));
    Word(0);
  }
  std::size_t CountAt_ = 0;
  int Count_ = 0;
};

// A module holding the given dialog templates; kept for the process's life, since a
// module's table must outlive it.
HINSTANCE ModuleWith(const std::vector<std::pair<std::string, std::vector<std::uint8_t>>>& dialogs);

// The dialog tests' base: the fixture plus scripted keys and a recording DLGPROC.
class TDialogTest : public TWindowingTest {
 protected:
  void SetUp() override;

  // Schedules a key press and release `step` after the previous scripted one.
  void Key(unsigned vk, unsigned mods = 0);
  void Type(char ch);
  std::chrono::milliseconds Later() { return At_ += Ms(10); }

  // An owner window that records WM_ENTERIDLE (see idleFocus).
  HWND MakeOwner();
  // Runs `name` of `module` over `owner` with the recording DLGPROC.
  INT_PTR Run(HINSTANCE module, const char* name, HWND owner);

  // What the recording DLGPROC saw.
  static HWND dialog;
  static std::vector<WORD> commands;  // WM_COMMAND ids, in order
  // The focused control's id each time the owner heard WM_ENTERIDLE (after each key),
  // repeats left out; 0 for no focus.
  static std::vector<int> idleFocus;
  static int idles;
  // Called at WM_INITDIALOG; answers its result (TRUE by default).
  static std::function<INT_PTR(HWND)> onInit;
  static INT_PTR CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);

 private:
  std::chrono::milliseconds At_{};
};

}  // namespace klop_test

namespace klop_test {

// Stand-in controls for the dialog manager's own tests, named by string in templates:
// "DlgEdit" wants characters and arrows and takes EM_SETSEL; "DlgLabel" is a static;
// "DlgButton" is a push button (BS_DEFPUSHBUTTON honoured, BM_SETSTYLE kept, BM_CLICK
// notifies the parent); "DlgBar" wants arrows.
void RegisterStandInControls();
struct TStandInLog {
  std::vector<std::pair<HWND, LPARAM>> selections;    // EM_SETSEL: control, end
  std::vector<std::pair<HWND, WPARAM>> chars;         // WM_CHAR taken by an edit
  std::vector<std::pair<HWND, WPARAM>> keys;          // WM_KEYDOWN taken by any stand-in
  std::vector<std::pair<HWND, WPARAM>> buttonStyles;  // BM_SETSTYLE
};
extern TStandInLog standIns;

}  // namespace klop_test
