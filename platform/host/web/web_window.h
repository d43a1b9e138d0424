// A window of the web host: where the platform put it, its state, and the RGBA copy of
// its pixels (caption strip included) that the page's canvas is filled from.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/host/host.h"

namespace platform::web {

struct TWindow {
  HostWindow Id = 0;
  HostWindowSpec Spec;
  HostRect Bounds;        // the surface, in the page's device pixels
  HostRect Restore;       // the bounds to return to from maximised
  HostShow State = HostShow::Hidden;
  bool Placed = false;    // given a position of its own (else centred when first shown)
  bool HiddenByTab = false;  // minimised because the tab went out of sight
  std::string Title;
  CursorShape Icon;
  int Top = 0;     // the caption strip's height, device pixels
  int Border = 0;  // the sizing border's width
  int Z = 0;
  // Shown once: from then on its canvas follows the picture. Before, no caption is
  // painted and nothing is put, so the sizes and titles a window goes through while it
  // is made cost the page nothing.
  bool Seen = false;
  // The canvas's picture: (Bounds.height + Top) rows of Bounds.width RGBA pixels.
  std::vector<std::uint8_t> Rgba;
  int RgbaWidth = 0;
  int RgbaHeight = 0;

  bool Framed() const { return !Spec.popup; }
  bool Shown() const { return State == HostShow::Normal || State == HostShow::Maximized; }
  // The frame: a top-level window that is neither a dialog nor a popup.
  bool Main() const { return !Spec.popup && !Spec.dialog; }
};

}  // namespace platform::web
