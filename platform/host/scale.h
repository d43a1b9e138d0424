// Whole-number scaling for high-density screens. The platform and everything above it
// work in their own pixels; a real host's windows show each of them as an N x N block.
// Hosts only say what the desktop asks for (DesktopScale); the program picks N once at
// start and wraps its host in a scaling one, so no host carries scaling code of its own.
#pragma once

#include <memory>
#include <optional>
#include <string_view>

#include "platform/host/host.h"

namespace platform {

constexpr int kMinScale = 1;
constexpr int kMaxScale = 8;

// The value of `Xft.dpi` in an X resource database string (the root window's
// RESOURCE_MANAGER), or nothing when it is missing or not a positive number.
std::optional<double> XftDpiOf(std::string_view resources);

// GDK_SCALE's value when it is a whole number in range, or nothing.
std::optional<int> GdkScaleOf(const char* gdkScale);

// The scale the user chose: `asked` (--scale, 0 when not given) when given, else
// GDK_SCALE's (`gdkScale`, may be null) when whole and in range; 0 when neither, for the
// desktop's (Host::DesktopScale) to decide. Read here once, so no host reads GDK_SCALE.
int ChosenScale(int asked, const char* gdkScale);

// A fractional scale as a whole one: the nearest whole number, halves up (1.25 is 1,
// 1.5 is 2), kept in range; 1 for what is not a number.
int WholeScale(double scale);

// An X desktop's scale: Xft.dpi / 96 from the resource database (may be null), rounded
// to the nearest whole number (halves up) and kept in range, else 1.
int XftScaleOf(const char* resources);

}  // namespace platform
