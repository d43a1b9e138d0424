// The loaders of the resources the program reads at start, given the input as the
// resource's bytes; the first byte picks the kind (bitmap, cursor, icon, menu, dialog).
// Whatever loads is then used as the program uses it (drawn, made the cursor or the
// window's icon, put on a window as its menu bar and walked by keyboard, opened as a
// dialog), so that what a decoder lets through also meets the drawing and layout
// behind it.
#include <cstdint>

#include "fuzz_host.h"
#include "platform/platform.h"
#include "platform/resources/resource_table.h"

namespace {

constexpr const char* kName = "FUZZ";

HWND MakeFrame() {
  static const bool registered = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "FuzzFrame";
    return RegisterClassA(&wc) != 0;
  }();
  klop_fuzz::Check(registered, "the frame's class registers");
  return CreateWindowExA(0, "FuzzFrame", "fuzz", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300, 200,
                         nullptr, nullptr, nullptr, nullptr);
}

constexpr UINT_PTR kEndTimer = 1;

// The dialog walked by keyboard (Tab both ways, arrows in groups, Space, Enter, Escape,
// mnemonics), its buttons ending nothing, until a timer ends it.
INT_PTR CALLBACK WalkAndEnd(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG: {
      auto& host = *reinterpret_cast<platform::THeadlessHost*>(lParam);
      auto at = host.Now();
      const struct {
        unsigned key, mods;
      } keys[] = {{VK_TAB, 0},
                  {VK_TAB, 0},
                  {VK_TAB, platform::kModShift},
                  {VK_DOWN, 0},
                  {VK_RIGHT, 0},
                  {VK_UP, 0},
                  {VK_SPACE, 0},
                  {VK_RETURN, 0},
                  {VK_ESCAPE, 0},
                  {'A', platform::kModAlt},
                  {'O', platform::kModAlt}};
      for (const auto& k : keys) {
        at += std::chrono::milliseconds(1);
        host.KeyAt(at, k.key, true, k.mods);
        host.KeyAt(at, k.key, false, k.mods);
      }
      SetTimer(dialog, kEndTimer, 1000, nullptr);
      return TRUE;
    }
    case WM_TIMER:
      if (wParam == kEndTimer) EndDialog(dialog, IDOK);
      return TRUE;
    case WM_COMMAND:
      return TRUE;
    default:
      return FALSE;
  }
}

// Menu mode by keyboard over the frame's menu bar: into the first popup, down its items,
// across to the next one and back, then out again.
void WalkMenu(platform::THeadlessHost& host) {
  for (const unsigned key :
       {VK_MENU, VK_DOWN, VK_DOWN, VK_RIGHT, VK_DOWN, VK_LEFT, VK_ESCAPE, VK_ESCAPE, VK_ESCAPE}) {
    host.KeyAt(host.Now(), key, true);
    host.KeyAt(host.Now(), key, false);
  }
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  klop_fuzz::Check(host.Pending() == 0 && !host.RanOut(), "Escape leaves menu mode");
}

void Use(platform::THeadlessHost& host, platform::ResourceKind kind, HINSTANCE module, HWND frame) {
  const HDC dc = GetDC(frame);
  switch (kind) {
    case platform::ResourceKind::Bitmap:
      if (const HBITMAP b = LoadBitmapA(module, kName)) {
        const HDC mem = CreateCompatibleDC(dc);
        const HGDIOBJ old = SelectObject(mem, b);
        BitBlt(dc, 0, 0, 300, 200, mem, 0, 0, SRCCOPY);
        SelectObject(mem, old);
        DeleteDC(mem);
        DeleteObject(b);
      }
      break;
    case platform::ResourceKind::Cursor:
      if (const HCURSOR c = LoadCursorA(module, kName)) SetCursor(c);
      break;
    case platform::ResourceKind::Icon:
      if (const HICON i = LoadIconA(module, kName)) {
        DrawIcon(dc, 4, 4, i);
        SendMessageA(frame, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(i));
      }
      break;
    case platform::ResourceKind::Menu:
      if (const HMENU m = LoadMenuA(module, kName)) {
        SetMenu(frame, m);
        UpdateWindow(frame);
        WalkMenu(host);
        SetMenu(frame, nullptr);
        DestroyMenu(m);
      }
      break;
    case platform::ResourceKind::Dialog:
      if (const INT_PTR r =
              DialogBoxParamA(module, kName, frame, WalkAndEnd, reinterpret_cast<LPARAM>(&host));
          r != -1) {
        klop_fuzz::Check(r == IDOK && host.Pending() == 0, "the dialog runs until its timer");
      }
      break;
  }
  ReleaseDC(frame, dc);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using platform::ResourceKind;
  constexpr ResourceKind kKinds[] = {ResourceKind::Bitmap, ResourceKind::Cursor, ResourceKind::Icon,
                                     ResourceKind::Menu, ResourceKind::Dialog};
  if (size == 0) return 0;
  platform::THeadlessHost& host = klop_fuzz::FreshHost();
  const ResourceKind kind = kKinds[data[0] % 5];
  const platform::ResourceEntry entry{kind, kName, data + 1, size - 1};
  // The module keeps the table's address; its one entry is this input's.
  static platform::ResourceTable table{nullptr, 1};
  table.entries = &entry;
  const HINSTANCE module = platform::RegisterModule(table);
  const HWND frame = MakeFrame();
  klop_fuzz::Check(frame != nullptr, "the frame opens");
  Use(host, kind, module, frame);
  DestroyWindow(frame);
  table.entries = nullptr;
  return 0;
}
