#include "platform/ui/modal_loop.h"

#include "platform/window/window.h"

namespace platform {

bool RunModalLoop(const ModalLoop& loop) {
  MSG msg{};
  while (loop.done == nullptr || !loop.done(loop.context)) {
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (loop.idleOwner != nullptr && IsWindow(loop.idleOwner)) {
        SendMessageA(loop.idleOwner, WM_ENTERIDLE, loop.idleReason,
                     reinterpret_cast<LPARAM>(loop.idleSource));
        // The idle work may have ended the loop or queued something.
        if (loop.done != nullptr && loop.done(loop.context)) break;
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) continue;
      }
      WaitMessage();
      continue;
    }
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return false;
    }
    if (loop.filter != nullptr && loop.filter(loop.context, msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return true;
}

}  // namespace platform
