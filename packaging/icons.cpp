#include "packaging/icons.h"

#include <cstdio>
#include <map>

namespace klop::packaging {
namespace {

constexpr std::uint32_t kOpaque = 0xFF000000u;

bool Transparent(std::uint32_t p) {
  return (p & kOpaque) == 0;
}

int Lightness(std::uint32_t p) {
  return 299 * static_cast<int>((p >> 16) & 0xFF) + 587 * static_cast<int>((p >> 8) & 0xFF) +
         114 * static_cast<int>(p & 0xFF);
}

// Whether `a` wins a tie against `b`.
bool Preferred(std::uint32_t a, std::uint32_t b) {
  if (Transparent(a) != Transparent(b)) return Transparent(b);
  return Lightness(a) > Lightness(b);
}

std::uint32_t BlockColour(const TIcon& icon, int x0, int y0, int k) {
  std::map<std::uint32_t, int> counts;
  for (int y = y0; y < y0 + k; ++y) {
    for (int x = x0; x < x0 + k; ++x)
      ++counts[icon.Pixels[static_cast<std::size_t>(y) * icon.Side + x]];
  }
  std::uint32_t best = 0;
  int bestCount = 0;
  for (const auto& [colour, count] : counts) {
    if (count > bestCount || (count == bestCount && Preferred(colour, best))) {
      best = colour;
      bestCount = count;
    }
  }
  return best;
}

}  // namespace

std::optional<TIcon> IconFromXpm(const rc::TXpmImage& image) {
  if (image.Width != image.Height || image.Width <= 0) return std::nullopt;
  TIcon icon{image.Width, {}};
  icon.Pixels.reserve(image.Pixels.size());
  for (int index : image.Pixels) {
    const rc::TXpmColour& c = image.Colours[static_cast<std::size_t>(index)];
    icon.Pixels.push_back(c.Transparent ? 0u : kOpaque | c.Rgb);
  }
  return icon;
}

std::optional<TIcon> ScaleIcon(const TIcon& icon, int side) {
  if (side <= 0 || side > kMaxIconSide || icon.Side <= 0) return std::nullopt;
  TIcon out{side, std::vector<std::uint32_t>(static_cast<std::size_t>(side) * side)};
  if (side % icon.Side == 0) {
    const int k = side / icon.Side;
    for (int y = 0; y < side; ++y) {
      for (int x = 0; x < side; ++x) {
        out.Pixels[static_cast<std::size_t>(y) * side + x] =
            icon.Pixels[static_cast<std::size_t>(y / k) * icon.Side + x / k];
      }
    }
    return out;
  }
  if (icon.Side % side == 0) {
    const int k = icon.Side / side;
    for (int y = 0; y < side; ++y) {
      for (int x = 0; x < side; ++x) {
        out.Pixels[static_cast<std::size_t>(y) * side + x] = BlockColour(icon, x * k, y * k, k);
      }
    }
    return out;
  }
  return std::nullopt;
}

std::string IconSvg(const TIcon& icon) {
  // Runs by colour, in the order the colours first appear.
  std::vector<std::pair<std::uint32_t, std::string>> groups;
  for (int y = 0; y < icon.Side; ++y) {
    for (int x = 0; x < icon.Side;) {
      const std::uint32_t p = icon.Pixels[static_cast<std::size_t>(y) * icon.Side + x];
      int end = x + 1;
      while (end < icon.Side && icon.Pixels[static_cast<std::size_t>(y) * icon.Side + end] == p)
        ++end;
      if (!Transparent(p)) {
        auto group = groups.begin();
        while (group != groups.end() && group->first != p) ++group;
        if (group == groups.end()) group = groups.insert(groups.end(), {p, {}});
        group->second += "<rect x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y) +
                         "\" width=\"" + std::to_string(end - x) + "\" height=\"1\"/>";
      }
      x = end;
    }
  }
  const std::string side = std::to_string(icon.Side);
  std::string svg =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
      side + "\" height=\"" + side + "\" viewBox=\"0 0 " + side + " " + side +
      "\" shape-rendering=\"crispEdges\">\n";
  for (const auto& [colour, rects] : groups) {
    char fill[8];
    std::snprintf(fill, sizeof fill, "#%06X", static_cast<unsigned>(colour & 0xFFFFFF));
    svg += "<g fill=\"" + std::string(fill) + "\">" + rects + "</g>\n";
  }
  return svg + "</svg>\n";
}

}  // namespace klop::packaging
