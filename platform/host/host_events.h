// What every desktop host does alike with the events it reads: a clock, a wait's
// deadline as a system call's timeout, the queue of events kept until taken, typed text
// cut into one event per character, and the end of a process whose display went away.
#pragma once

#include <time.h>

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/host/host.h"

namespace platform {

// The monotonic clock every host's Now() reads.
HostTime SteadyNow();

// A positive time left as ppoll's timeout.
timespec TimespecOf(HostTime left);

// Events read from the display and not yet taken by the platform. A ring that grows
// only when full, so that the steady state allocates nothing.
class THostEventQueue {
 public:
  bool Empty() const { return Count_ == 0; }
  // A new event at the back, its other fields cleared; the reference holds until the
  // next push.
  HostEvent& Push(HostEventKind kind, HostWindow window, HostTime time);
  void Push(const HostEvent& e) { Slot() = e; }
  // Takes the front event; false when there is none.
  bool Pop(HostEvent& e);
  // Drops the events of a window that no longer exists.
  void Forget(HostWindow window);

 private:
  HostEvent& Slot();
  std::vector<HostEvent> Slots_;
  std::size_t Head_ = 0;
  std::size_t Count_ = 0;
};

// One Text event per character of `text` (UTF-8), as the platform delivers one
// character message each.
void PushText(THostEventQueue& queue, HostWindow window, std::string_view text, HostTime time);

// A window now at (x, y) on the screen: its kept `bounds` follow, and the platform hears
// of it as a Moved event.
void PushMoved(THostEventQueue& queue, HostWindow window, HostRect& bounds, int x, int y,
               HostTime time);

// A host's window of id `window` in its map (kept by value or by pointer), or null.
template <typename TMap>
auto FindWindow(TMap& windows, HostWindow window) {
  auto it = windows.find(window);
  using TKept = typename TMap::mapped_type;
  if constexpr (requires(TKept p) { p.get(); }) {
    return it == windows.end() ? nullptr : it->second.get();
  } else {
    return it == windows.end() ? nullptr : &it->second;
  }
}

// Ends the process (exit status 1) with "<program>: lost the connection to the <display>"
// and, when given, " (<why>)" on stderr: with the display gone nothing can be shown or
// read, and every wait would return at once.
[[noreturn]] void ExitOnLostConnection(const char* display, const char* why = nullptr);

}  // namespace platform
