// klop-probe: the game exactly as build/klop runs it, on the desktop host wrapped so that
// the benchmarks can see from outside when frames reach the screen. Prints one line per
// measure: "frame MS" (wall clock, ms since 1970) after the first frame is presented,
// and "press-present US" for the time from each button press taken off the host to the
// next present after it.
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "platform/host/host.h"
#include "program/desktop_main.h"

namespace {

using namespace platform;

class TProbeHost final : public Host {
 public:
  explicit TProbeHost(std::unique_ptr<Host> inner) : Owned(std::move(inner)), Inner(*Owned) {}

  HostWindow CreateWindow(const HostWindowSpec& asked) override {
    return Inner.CreateWindow(asked);
  }
  void DestroyWindow(HostWindow w) override { Inner.DestroyWindow(w); }
  void SetTitle(HostWindow w, const std::string& title) override { Inner.SetTitle(w, title); }
  void SetIcon(HostWindow w, const CursorShape& icon) override { Inner.SetIcon(w, icon); }
  void SetBounds(HostWindow w, const HostRect& bounds) override { Inner.SetBounds(w, bounds); }
  HostRect Bounds(HostWindow w) const override { return Inner.Bounds(w); }
  HostInsets Decorations(HostWindow w) const override { return Inner.Decorations(w); }
  HostRect WorkArea() const override { return Inner.WorkArea(); }
  void Show(HostWindow w, HostShow how) override { Inner.Show(w, how); }
  void Raise(HostWindow w) override { Inner.Raise(w); }
  void Present(HostWindow w, const std::uint32_t* pixels, int width, int height, int stride,
               const HostRect* rects, std::size_t count) override {
    Inner.Present(w, pixels, width, height, stride, rects, count);
    if (!FirstFrameSeen) {
      FirstFrameSeen = true;
      const auto now = std::chrono::system_clock::now().time_since_epoch();
      std::printf("frame %.3f\n", std::chrono::duration<double, std::milli>(now).count());
      std::fflush(stdout);
    }
    if (PressedAt) {
      const auto took = std::chrono::steady_clock::now() - *PressedAt;
      PressedAt.reset();
      std::printf("press-present %.1f\n", std::chrono::duration<double, std::micro>(took).count());
      std::fflush(stdout);
    }
  }
  // Lent pixels as the game has them, or the probe would measure another way of drawing.
  std::uint32_t* WindowPixels(HostWindow w, int width, int height) override {
    return Inner.WindowPixels(w, width, height);
  }
  void BeforeDrawing(HostWindow w) override { Inner.BeforeDrawing(w); }
  int DesktopScale() const override { return Inner.DesktopScale(); }
  void SetCursor(const CursorShape* shape) override { Inner.SetCursor(shape); }
  void PointerPosition(int& x, int& y) const override { Inner.PointerPosition(x, y); }
  void WarpPointer(int x, int y) override { Inner.WarpPointer(x, y); }
  void CapturePointer(HostWindow w, bool captured) override { Inner.CapturePointer(w, captured); }
  HostTime Now() const override { return Inner.Now(); }
  bool NextEvent(HostEvent& event) override {
    const bool got = Inner.NextEvent(event);
    if (got && event.kind == HostEventKind::PointerPress)
      PressedAt = std::chrono::steady_clock::now();
    return got;
  }
  void Wait(HostTime deadline) override { Inner.Wait(deadline); }

 private:
  std::unique_ptr<Host> Owned;
  Host& Inner;
  bool FirstFrameSeen = false;
  std::optional<std::chrono::steady_clock::time_point> PressedAt;
};

}  // namespace

// Takes the command line as klop does (--scale N); reports above the scaling, so that
// press-present includes it.
int main(int argc, char** argv) {
  return DesktopMain(argc, argv, [](std::unique_ptr<Host> inner) -> std::unique_ptr<Host> {
    return std::make_unique<TProbeHost>(std::move(inner));
  });
}
