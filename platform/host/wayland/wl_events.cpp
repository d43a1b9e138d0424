// The Wayland host reads its connection: prepare_read, poll, read_events, and what came
// dispatched to the listeners, which queue HostEvents; after each round, key repeats
// and the changes that waited for a buffer.
#include "platform/host/wayland/wl_host_internal.h"

#include <errno.h>
#include <poll.h>

#include <cstdio>
#include <cstring>

namespace platform::wl {

void TWaylandHost::AfterDispatch() {
  if (FocusLeaving_) {
    FocusLeaving_ = false;
    if (Focused_ != 0) Push(HostEventKind::FocusLost, Focused_);
    Focused_ = 0;
  }
  TKeyStroke k;
  if (Focused_ != 0 && Keyboard_.TakeRepeat(Now(), k)) PushKey(Focused_, k, true);
  for (auto& [id, w] : Windows_) {
    if (w->CaptionPending) RedrawCaption(*w);
    if (w->Waiting) ShowChanges(*w);
  }
}

// Reads and dispatches what the connection holds, without waiting.
void TWaylandHost::Read() {
  if (wl_display_dispatch_pending(D_) < 0) ConnectionLost();
  if (wl_display_prepare_read(D_) == 0) {
    // EPIPE: the compositor closed the connection, maybe after an error still unread.
    if (wl_display_flush(D_) < 0 && errno != EAGAIN && errno != EPIPE) {
      wl_display_cancel_read(D_);
      ConnectionLost();
    }
    pollfd fd{wl_display_get_fd(D_), POLLIN, 0};
    if (poll(&fd, 1, 0) > 0) {
      if (wl_display_read_events(D_) < 0) ConnectionLost();
    } else {
      wl_display_cancel_read(D_);
    }
    if (wl_display_dispatch_pending(D_) < 0) ConnectionLost();
  }
  AfterDispatch();
}

bool TWaylandHost::ReadBlocking(const timespec* timeout, const std::function<bool()>& done) {
  // Events already queued are dispatched first: prepare_read refuses while any are.
  while (wl_display_prepare_read(D_) != 0) {
    if (wl_display_dispatch_pending(D_) < 0) ConnectionLost();
  }
  if (done()) {
    wl_display_cancel_read(D_);
    return false;
  }
  // Everything asked for reaches the compositor before we sleep.
  while (wl_display_flush(D_) < 0) {
    if (errno == EPIPE) break;  // what the compositor sent before it closed is read next
    if (errno != EAGAIN) {
      wl_display_cancel_read(D_);
      ConnectionLost();
    }
    pollfd out{wl_display_get_fd(D_), POLLOUT, 0};
    ppoll(&out, 1, nullptr, nullptr);
  }
  pollfd fd{wl_display_get_fd(D_), POLLIN, 0};
  const int n = ppoll(&fd, 1, timeout, nullptr);
  if (n > 0) {
    if (wl_display_read_events(D_) < 0) ConnectionLost();
  } else {
    wl_display_cancel_read(D_);
    if (n < 0 && errno != EINTR) ConnectionLost();
  }
  if (wl_display_dispatch_pending(D_) < 0) ConnectionLost();
  return true;
}

void TWaylandHost::ConnectionLost() const {
  const int error = wl_display_get_error(D_);
  if (error == EPROTO) {
    // The compositor ended us for a request it refused: which object, and its code.
    const wl_interface* interface = nullptr;
    std::uint32_t id = 0;
    const std::uint32_t code = wl_display_get_protocol_error(D_, &interface, &id);
    char why[160];
    std::snprintf(why, sizeof why, "protocol error %u on %s@%u", code,
                  interface != nullptr ? interface->name : "an unknown object", id);
    ExitOnLostConnection("Wayland compositor", why);
  }
  ExitOnLostConnection("Wayland compositor", std::strerror(error != 0 ? error : EPIPE));
}

}  // namespace platform::wl
