// sway's window events, read from its IPC socket ($SWAYSOCK) as `swaymsg -t subscribe`
// would, for launch_watch to see when a program's view is mapped.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace bench {

struct TSwayWindowEvent {
  std::string Change;  // "new", "focus", "title", "close", ...
  pid_t Pid = 0;       // the view's client (for an XWayland view, its _NET_WM_PID)
};

class TSwayEvents {
 public:
  // Connects and subscribes to window events; Error() says why not.
  TSwayEvents();
  ~TSwayEvents();
  TSwayEvents(const TSwayEvents&) = delete;
  TSwayEvents& operator=(const TSwayEvents&) = delete;

  const std::string& Error() const { return Error_; }
  int Fd() const { return Fd_; }
  // The next window event if one is wholly read within timeoutMs; false on none, or on
  // a broken connection (then Error() is set).
  bool Next(TSwayWindowEvent& event, int timeoutMs);

 private:
  bool ReadFully(void* to, std::size_t size, int timeoutMs);
  bool Send(std::uint32_t type, const std::string& payload);
  int Fd_ = -1;
  std::string Error_;
};

// The event's "change" and the view's "pid" from the JSON sway sends (no other field
// is needed, so no JSON library).
TSwayWindowEvent ParseWindowEvent(const std::string& json);

}  // namespace bench
