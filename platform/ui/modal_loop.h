// The nested message loop that a dialog, a message box and an open menu each run: it
// goes on dispatching every message of the thread (timers, paints, other windows), so
// the program behind the modal window keeps working.
#pragma once

#include "platform/types.h"

namespace platform {

struct ModalLoop {
  // Asked after each message; the loop ends when it answers true.
  bool (*done)(void* context) = nullptr;
  // Offered each message before it is dispatched; answers true when it took it.
  bool (*filter)(void* context, MSG& msg) = nullptr;
  void* context = nullptr;
  // WM_ENTERIDLE(reason, source) goes to `idleOwner` each time the queue runs dry,
  // before the loop sleeps; none when `idleOwner` is null.
  HWND idleOwner = nullptr;
  WPARAM idleReason = 0;  // MSGF_DIALOGBOX or MSGF_MENU
  HWND idleSource = nullptr;
};

// Runs the loop. Answers false when it ended at WM_QUIT, which it posts again so that
// the loop outside sees it too.
bool RunModalLoop(const ModalLoop& loop);

}  // namespace platform
