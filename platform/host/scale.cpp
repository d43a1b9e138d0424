#include "platform/host/scale.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

namespace platform {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
    s.remove_suffix(1);
  }
  return s;
}

// A whole decimal number and nothing else, or nothing.
std::optional<int> WholeNumber(std::string_view s) {
  s = Trim(s);
  if (s.empty() || s.size() > 4) return std::nullopt;
  int n = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
  }
  return n;
}

}  // namespace

std::optional<double> XftDpiOf(std::string_view resources) {
  std::optional<double> found;
  while (!resources.empty()) {
    std::size_t end = resources.find('\n');
    std::string_view line = resources.substr(0, end);
    resources = end == std::string_view::npos ? std::string_view{} : resources.substr(end + 1);
    std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || Trim(line.substr(0, colon)) != "Xft.dpi") continue;
    const std::string value(Trim(line.substr(colon + 1)));
    if (value.empty() || value.size() > 32) continue;
    char* stop = nullptr;
    double dpi = std::strtod(value.c_str(), &stop);
    // The last entry wins, as in the resource database itself.
    if (stop != nullptr && *stop == '\0' && std::isfinite(dpi) && dpi > 0) found = dpi;
  }
  return found;
}

std::optional<int> GdkScaleOf(const char* gdkScale) {
  if (gdkScale == nullptr) return std::nullopt;
  std::optional<int> n = WholeNumber(gdkScale);
  if (!n || *n < kMinScale || *n > kMaxScale) return std::nullopt;
  return n;
}

int WholeScale(double scale) {
  if (std::isnan(scale)) return kMinScale;
  // Kept in range as a double first: a huge scale would not fit in an int.
  return int(std::clamp(std::floor(scale + 0.5), double(kMinScale), double(kMaxScale)));
}

int ChosenScale(int asked, const char* gdkScale) {
  if (asked != 0) return asked;
  return GdkScaleOf(gdkScale).value_or(0);
}

int XftScaleOf(const char* resources) {
  if (resources != nullptr) {
    if (std::optional<double> dpi = XftDpiOf(resources)) return WholeScale(*dpi / 96.0);
  }
  return 1;
}

}  // namespace platform
