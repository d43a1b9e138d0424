// A Host that passes everything to another and notes when the first frame is shown,
// so that start-up can be measured from outside the process.
#pragma once

#include <functional>
#include <utility>

#include "platform/host/host.h"

namespace demo {

class TFrameTimingHost final : public platform::Host {
 public:
  // `onFirstFrame` runs once, right after the first Present returns.
  TFrameTimingHost(platform::Host& inner, std::function<void()> onFirstFrame)
      : Inner_(inner), OnFirstFrame_(std::move(onFirstFrame)) {}

  platform::HostWindow CreateWindow(const platform::HostWindowSpec& asked) override {
    return Inner_.CreateWindow(asked);
  }
  void DestroyWindow(platform::HostWindow w) override { Inner_.DestroyWindow(w); }
  void SetTitle(platform::HostWindow w, const std::string& title) override {
    Inner_.SetTitle(w, title);
  }
  void SetIcon(platform::HostWindow w, const platform::CursorShape& icon) override {
    Inner_.SetIcon(w, icon);
  }
  void SetBounds(platform::HostWindow w, const platform::HostRect& bounds) override {
    Inner_.SetBounds(w, bounds);
  }
  platform::HostRect Bounds(platform::HostWindow w) const override { return Inner_.Bounds(w); }
  platform::HostInsets Decorations(platform::HostWindow w) const override {
    return Inner_.Decorations(w);
  }
  platform::HostRect WorkArea() const override { return Inner_.WorkArea(); }
  void Show(platform::HostWindow w, platform::HostShow how) override { Inner_.Show(w, how); }
  void Raise(platform::HostWindow w) override { Inner_.Raise(w); }
  void Present(platform::HostWindow w, const std::uint32_t* pixels, int width, int height,
               int stride, const platform::HostRect* rects, std::size_t count) override {
    Inner_.Present(w, pixels, width, height, stride, rects, count);
    if (OnFirstFrame_) {
      auto report = std::move(OnFirstFrame_);
      OnFirstFrame_ = nullptr;
      report();
    }
  }
  void SetCursor(const platform::CursorShape* shape) override { Inner_.SetCursor(shape); }
  void PointerPosition(int& x, int& y) const override { Inner_.PointerPosition(x, y); }
  void WarpPointer(int x, int y) override { Inner_.WarpPointer(x, y); }
  void CapturePointer(platform::HostWindow w, bool captured) override {
    Inner_.CapturePointer(w, captured);
  }
  platform::HostTime Now() const override { return Inner_.Now(); }
  bool NextEvent(platform::HostEvent& event) override { return Inner_.NextEvent(event); }
  void Wait(platform::HostTime deadline) override { Inner_.Wait(deadline); }

 private:
  platform::Host& Inner_;
  std::function<void()> OnFirstFrame_;
};

}  // namespace demo
