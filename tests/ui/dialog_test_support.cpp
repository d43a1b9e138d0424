#include "dialog_test_support.h"

#include <deque>
#include <memory>
#include <string>

namespace klop_test {

HWND TDialogTest::dialog = nullptr;
std::vector<WORD> TDialogTest::commands;
std::vector<int> TDialogTest::idleFocus;
int TDialogTest::idles = 0;
std::function<INT_PTR(HWND)> TDialogTest::onInit;

HINSTANCE ModuleWith(
    const std::vector<std::pair<std::string, std::vector<std::uint8_t>>>& dialogs) {
  struct TKept {
    std::deque<std::string> names;
    std::deque<std::vector<std::uint8_t>> bytes;
    std::vector<platform::ResourceEntry> entries;
    platform::ResourceTable table{};
  };
  static std::vector<std::unique_ptr<TKept>> kept;
  auto k = std::make_unique<TKept>();
  for (const auto& [name, bytes] : dialogs) {
    k->names.push_back(name);
    k->bytes.push_back(bytes);
    k->entries.push_back({platform::ResourceKind::Dialog, k->names.back().c_str(),
                          k->bytes.back().data(), k->bytes.back().size()});
  }
  k->table = {k->entries.data(), k->entries.size()};
  const HINSTANCE module = platform::RegisterModule(k->table);
  kept.push_back(std::move(k));
  return module;
}

void TDialogTest::SetUp() {
  TWindowingTest::SetUp();
  dialog = nullptr;
  commands.clear();
  idleFocus.clear();
  idles = 0;
  onInit = nullptr;
  At_ = Ms(0);
}

void TDialogTest::Key(unsigned vk, unsigned mods) {
  const auto at = Later();
  host.KeyAt(at, vk, true, mods);
  host.KeyAt(at, vk, false, mods);
}

void TDialogTest::Type(char ch) {
  host.TypeAt(Later(), ch);
}

HWND TDialogTest::MakeOwner() {
  const HWND owner = MakeTop(400, 300);
  handlers[owner] = [](HWND, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (msg == WM_ENTERIDLE) {
      ++idles;
      const int focus = GetFocus() != nullptr ? GetDlgCtrlID(GetFocus()) : 0;
      if (idleFocus.empty() || idleFocus.back() != focus) idleFocus.push_back(focus);
    }
    return std::nullopt;
  };
  return owner;
}

INT_PTR TDialogTest::Run(HINSTANCE module, const char* name, HWND owner) {
  return DialogBoxParamA(module, name, owner, Proc, 0);
}

INT_PTR CALLBACK TDialogTest::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM) {
  switch (msg) {
    case WM_INITDIALOG:
      dialog = hwnd;
      return onInit ? onInit(hwnd) : TRUE;
    case WM_COMMAND:
      commands.push_back(LOWORD(wParam));
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) EndDialog(hwnd, LOWORD(wParam));
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace klop_test

namespace klop_test {

TStandInLog standIns;

namespace {

LRESULT CALLBACK StandInProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  const LONG_PTR kind = GetWindowLongPtrA(hwnd, 0);
  switch (msg) {
    case WM_NCCREATE: {
      const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
      const std::string name = cs->lpszClass;
      const LONG_PTR k = name == "DlgEdit"     ? 1
                         : name == "DlgLabel"  ? 2
                         : name == "DlgButton" ? 3
                                               : 4;
      SetWindowLongPtrA(hwnd, 0, k);
      SetWindowLongPtrA(hwnd, sizeof(LONG_PTR), cs->style & 0xF);  // the button style
      break;
    }
    case WM_GETDLGCODE:
      switch (kind) {
        case 1:
          return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
        case 2:
          return DLGC_STATIC;
        case 3:
          return DLGC_BUTTON | ((GetWindowLongPtrA(hwnd, sizeof(LONG_PTR)) == BS_DEFPUSHBUTTON)
                                    ? DLGC_DEFPUSHBUTTON
                                    : DLGC_UNDEFPUSHBUTTON);
        default:
          return DLGC_WANTARROWS;
      }
    case EM_SETSEL:
      standIns.selections.push_back({hwnd, lParam});
      return 0;
    case WM_CHAR:
      if (kind == 1) standIns.chars.push_back({hwnd, wParam});
      return 0;
    case WM_KEYDOWN:
      standIns.keys.push_back({hwnd, wParam});
      return 0;
    case BM_SETSTYLE:
      standIns.buttonStyles.push_back({hwnd, wParam});
      SetWindowLongPtrA(hwnd, sizeof(LONG_PTR), static_cast<LONG_PTR>(wParam & 0xF));
      return 0;
    case BM_CLICK:
      SendMessageA(GetParent(hwnd), WM_COMMAND,
                   MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(hwnd)), BN_CLICKED),
                   reinterpret_cast<LPARAM>(hwnd));
      return 0;
    default:
      break;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

void RegisterStandInControls() {
  standIns = {};
  for (const char* name : {"DlgEdit", "DlgLabel", "DlgButton", "DlgBar"}) {
    WNDCLASSA wc{};
    if (GetClassInfoA(nullptr, name, &wc)) continue;
    wc.lpfnWndProc = StandInProc;
    wc.cbWndExtra = 2 * sizeof(LONG_PTR);
    wc.lpszClassName = name;
    RegisterClassA(&wc);
  }
}

}  // namespace klop_test
