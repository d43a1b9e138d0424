#include "platform/host/x11/x11_monitors.h"

#include <xcb/randr.h>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <memory>

#include "platform/host/x11/x11_connection.h"

namespace platform::x11 {

namespace {

// How far (x, y) lies outside `r`, squared; 0 inside.
long long DistanceSquared(const HostRect& r, int x, int y) {
  const long long dx = x < r.x ? r.x - x : x >= r.x + r.width ? x - (r.x + r.width - 1) : 0;
  const long long dy = y < r.y ? r.y - y : y >= r.y + r.height ? y - (r.y + r.height - 1) : 0;
  return dx * dx + dy * dy;
}

}  // namespace

std::vector<HostRect> Monitors(xcb_connection_t* c, xcb_window_t root) {
  std::vector<HostRect> out;
  const xcb_query_extension_reply_t* ext = xcb_get_extension_data(c, &xcb_randr_id);
  if (ext == nullptr || !ext->present) return out;
  TReply<xcb_randr_query_version_reply_t> v(
      xcb_randr_query_version_reply(c, xcb_randr_query_version(c, 1, 5), nullptr));
  if (!v || (v->major_version == 1 && v->minor_version < 5)) return out;
  TReply<xcb_randr_get_monitors_reply_t> m(
      xcb_randr_get_monitors_reply(c, xcb_randr_get_monitors(c, root, 1), nullptr));
  if (!m) return out;
  for (auto i = xcb_randr_get_monitors_monitors_iterator(m.get()); i.rem > 0;
       xcb_randr_monitor_info_next(&i)) {
    if (i.data->width > 0 && i.data->height > 0) {
      out.push_back(HostRect{i.data->x, i.data->y, i.data->width, i.data->height});
    }
  }
  return out;
}

HostRect MonitorWorkArea(const std::vector<HostRect>& monitors, const HostRect& workArea, int x,
                         int y) {
  const HostRect* best = nullptr;
  long long bestDistance = std::numeric_limits<long long>::max();
  for (const HostRect& m : monitors) {
    const long long d = DistanceSquared(m, x, y);
    if (d < bestDistance) {
      best = &m;
      bestDistance = d;
    }
  }
  if (best == nullptr) return workArea;
  // Panels and docks take their part off the work area, which spans every monitor.
  const int left = std::max(best->x, workArea.x);
  const int top = std::max(best->y, workArea.y);
  const int right = std::min(best->x + best->width, workArea.x + workArea.width);
  const int bottom = std::min(best->y + best->height, workArea.y + workArea.height);
  if (right <= left || bottom <= top) return *best;
  return HostRect{left, top, right - left, bottom - top};
}

}  // namespace platform::x11
