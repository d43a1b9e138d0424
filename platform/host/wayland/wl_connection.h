// The Wayland display the host lives on: the globals it binds (compositor, shared
// memory, the shell, and where offered server-side decorations, activation and the
// outputs' logical sizes), the first seat, and the outputs with their scales.
#pragma once

#include <wayland-client.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct xdg_wm_base;
struct zxdg_decoration_manager_v1;
struct zxdg_output_manager_v1;
struct zxdg_output_v1;
struct xdg_activation_v1;

namespace platform::wl {

struct TOutput {
  wl_output* Output = nullptr;
  zxdg_output_v1* XdgOutput = nullptr;
  std::uint32_t Name = 0;
  int Scale = 1;                              // wl_output.scale
  int ModeWidth = 0, ModeHeight = 0;          // the current mode, in the output's pixels
  int Transform = 0;
  int LogicalX = 0, LogicalY = 0;             // from xdg-output, when offered
  int LogicalWidth = 0, LogicalHeight = 0;
};

class TConnection {
 public:
  TConnection() = default;
  TConnection(const TConnection&) = delete;
  TConnection& operator=(const TConnection&) = delete;
  ~TConnection();

  // Connects to WAYLAND_DISPLAY and binds the globals; false with the reason in `error`.
  bool Open(std::string& error);

  wl_display* Display() const { return D_; }
  wl_compositor* Compositor() const { return Compositor_; }
  wl_shm* Shm() const { return Shm_; }
  wl_subcompositor* Subcompositor() const { return Subcompositor_; }
  xdg_wm_base* Shell() const { return Shell_; }
  zxdg_decoration_manager_v1* Decorations() const { return Decorations_; }
  xdg_activation_v1* Activation() const { return Activation_; }
  wl_seat* Seat() const { return Seat_; }
  std::uint32_t SeatCapabilities() const { return SeatCaps_; }
  const std::vector<std::unique_ptr<TOutput>>& Outputs() const { return Outputs_; }

  // Told when the seat gains or loses its pointer or keyboard.
  std::function<void(std::uint32_t)> OnSeatCapabilities;

  // The compositor went away or ended the connection for an error.
  bool Lost() const { return wl_display_get_error(D_) != 0; }

  // The scale the outputs ask for: the largest of their fractional scales (from the
  // logical sizes) where known, else of their whole-number ones.
  double OutputScale() const;
  // One output's: fractional where its logical size is known.
  static double ScaleOf(const TOutput& o);

  // Registry and seat events, for the listeners.
  void Global(wl_registry* registry, std::uint32_t name, const char* interface,
              std::uint32_t version);
  void GlobalRemoved(std::uint32_t name);
  void SeatChanged(std::uint32_t caps);

 private:
  void WatchOutput(TOutput& o);
  void ReleaseSeat();

  wl_display* D_ = nullptr;
  wl_registry* Registry_ = nullptr;
  wl_compositor* Compositor_ = nullptr;
  wl_shm* Shm_ = nullptr;
  wl_subcompositor* Subcompositor_ = nullptr;
  xdg_wm_base* Shell_ = nullptr;
  zxdg_decoration_manager_v1* Decorations_ = nullptr;
  zxdg_output_manager_v1* OutputManager_ = nullptr;
  xdg_activation_v1* Activation_ = nullptr;
  wl_seat* Seat_ = nullptr;
  std::uint32_t SeatName_ = 0;
  std::uint32_t SeatCaps_ = 0;
  std::vector<std::unique_ptr<TOutput>> Outputs_;
};

}  // namespace platform::wl
