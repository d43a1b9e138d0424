// launch_watch: starts a program and observes it from outside, the same way for any
// program, so that games built on different toolkits can be compared fairly:
//   map    ms from exec to its top-level window being mapped (under an X window manager
//          the frame the client was reparented into: the moment it can be seen; under
//          sway, with --sway, its view's "new" window event, which sway sends once the
//          view has its first buffer);
//   paint  (X only) ms from exec to the first damage (DAMAGE extension) on that window:
//          its first picture reaching the screen;
//   cpu    CPU time (all threads) the program used up to its first picture;
// then, after letting it settle, its idle wake-ups per second over LINGER seconds, peak
// RSS, the shared objects it maps and its threads. Prints one line of "name value"
// pairs; exit status 1 (and a reason on stderr) when no picture came in time.
//
//   launch_watch [--sway] [--linger SECONDS] [NAME=VALUE...] PROGRAM [ARGS...]
//
// NAME=VALUE words go into the program's environment, as env(1) would put them, but
// without timing a second program's start (env's own exec costs a few ms).
#include <fcntl.h>
#include <glob.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "sway_events.h"

namespace {

constexpr double kGiveUpMs = 20000;
constexpr double kSettleMs = 1000;

double NowMs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Applies `read` to each file that the pattern names.
template <typename F>
void EachFile(const std::string& pattern, F&& read) {
  glob_t found{};
  if (glob(pattern.c_str(), 0, nullptr, &found) == 0) {
    for (std::size_t i = 0; i < found.gl_pathc; ++i) {
      std::ifstream file(found.gl_pathv[i]);
      read(file);
    }
  }
  globfree(&found);
}

// CPU time of every thread of `pid`, in ms (the scheduler's nanosecond counts).
double CpuMs(pid_t pid) {
  double total = 0;
  EachFile("/proc/" + std::to_string(pid) + "/task/*/schedstat", [&](std::ifstream& f) {
    unsigned long long ns = 0;
    if (f >> ns) total += ns / 1e6;
  });
  return total;
}

// A field ("VmHWM:", "Threads:", ...) of /proc/PID/status, or its sum over the
// threads' own status files.
long StatusField(pid_t pid, const std::string& field, bool allThreads = false) {
  long total = 0;
  const std::string base = "/proc/" + std::to_string(pid);
  EachFile(base + (allThreads ? "/task/*/status" : "/status"), [&](std::ifstream& f) {
    std::string line;
    while (std::getline(f, line)) {
      if (line.compare(0, field.size(), field) == 0)
        total += std::atol(line.c_str() + field.size());
    }
  });
  return total;
}

long Switches(pid_t pid) {
  return StatusField(pid, "voluntary_ctxt_switches:", true) +
         StatusField(pid, "nonvoluntary_ctxt_switches:", true);
}

// Distinct shared objects in the program's address space.
int SharedObjects(pid_t pid) {
  std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
  std::set<std::string> objects;
  std::string line;
  while (std::getline(maps, line)) {
    const std::size_t slash = line.find('/');
    if (slash == std::string::npos) continue;
    const std::string path = line.substr(slash);
    const std::size_t name = path.rfind('/');
    if (path.find(".so", name) != std::string::npos) objects.insert(path);
  }
  return static_cast<int>(objects.size());
}

void Stop(pid_t pid) {
  kill(pid, SIGTERM);
  for (int i = 0; i < 40; ++i) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) return;
    usleep(50000);
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
  xcb_intern_atom_reply_t* r =
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, std::strlen(name), name), nullptr);
  xcb_atom_t atom = XCB_ATOM_NONE;
  if (r != nullptr) atom = r->atom;
  std::free(r);
  return atom;
}

// The window manager's window, whose id tells which windows the manager made.
xcb_window_t ManagerWindow(xcb_connection_t* c, xcb_window_t root) {
  const xcb_atom_t check = Atom(c, "_NET_SUPPORTING_WM_CHECK");
  if (check == XCB_ATOM_NONE) return 0;
  xcb_get_property_reply_t* r = xcb_get_property_reply(
      c, xcb_get_property(c, 0, root, check, XCB_ATOM_WINDOW, 0, 1), nullptr);
  xcb_window_t w = 0;
  if (r != nullptr && xcb_get_property_value_length(r) == 4)
    w = *static_cast<xcb_window_t*>(xcb_get_property_value(r));
  std::free(r);
  return w;
}

// When the program's window was mapped and first painted, in ms since its exec.
struct TSeen {
  double Mapped = -1;
  double Painted = -1;
};

// An observer of the desktop: opened before the program starts, then stepped until
// the program's first picture is seen.
class TWatch {
 public:
  virtual ~TWatch() = default;
  // Empty when the observer is ready, else why not.
  virtual std::string Error() const = 0;
  // The observer's connection, which the program must not inherit.
  virtual int Fd() const = 0;
  // Waits up to 100 ms for news of program `pid` started at `start`; false when the
  // connection was lost.
  virtual bool Step(pid_t pid, double start, TSeen& seen) = 0;
};

// Under X: the top-level windows the program creates, their map (or their frame's) and
// their first damage.
class TXWatch final : public TWatch {
 public:
  TXWatch() : C(xcb_connect(nullptr, nullptr)) {
    if (xcb_connection_has_error(C)) {
      Why = "cannot open the display";
      return;
    }
    const xcb_setup_t* setup = xcb_get_setup(C);
    Root = xcb_setup_roots_iterator(setup).data->root;
    IdMask = setup->resource_id_mask;
    Damage = xcb_get_extension_data(C, &xcb_damage_id);
    if (Damage == nullptr || !Damage->present) {
      Why = "the X server has no DAMAGE extension";
      return;
    }
    std::free(xcb_damage_query_version_reply(C, xcb_damage_query_version(C, 1, 1), nullptr));
    Manager = ManagerWindow(C, Root);
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(C, Root, XCB_CW_EVENT_MASK, &mask);
    // The selection is in force once the server has answered a request after it.
    std::free(xcb_get_input_focus_reply(C, xcb_get_input_focus(C), nullptr));
  }
  ~TXWatch() override { xcb_disconnect(C); }

  std::string Error() const override { return Why; }
  int Fd() const override { return xcb_get_file_descriptor(C); }

  bool Step(pid_t, double start, TSeen& seen) override {
    pollfd p{Fd(), POLLIN, 0};
    poll(&p, 1, 100);
    while (xcb_generic_event_t* e = xcb_poll_for_event(C)) {
      Handle(e, NowMs() - start, seen);
      std::free(e);
    }
    return !xcb_connection_has_error(C);
  }

 private:
  // A window of the manager's own (its id's client part is the manager's).
  bool IsManagers(xcb_window_t w) const {
    return Manager != 0 && (w & ~IdMask) == (Manager & ~IdMask);
  }

  void Handle(xcb_generic_event_t* e, double at, TSeen& seen) {
    const std::uint8_t type = e->response_type & 0x7F;
    if (type == XCB_CREATE_NOTIFY) {
      auto* ce = reinterpret_cast<xcb_create_notify_event_t*>(e);
      if (ce->parent == Root && !ce->override_redirect && !IsManagers(ce->window)) {
        Windows.insert(ce->window);
        // Watched from its birth, so that no drawing can come before the watch.
        xcb_damage_create(C, xcb_generate_id(C), ce->window, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
        xcb_flush(C);
      }
    } else if (type == XCB_REPARENT_NOTIFY) {
      auto* re = reinterpret_cast<xcb_reparent_notify_event_t*>(e);
      if (Windows.count(re->window) != 0) FrameOf[re->parent] = re->window;
    } else if (type == XCB_MAP_NOTIFY) {
      auto* me = reinterpret_cast<xcb_map_notify_event_t*>(e);
      if (seen.Mapped < 0 && me->event == Root) {
        if (Windows.count(me->window) != 0) {
          Shown = me->window;
        } else if (auto f = FrameOf.find(me->window); f != FrameOf.end()) {
          Shown = f->second;
        }
        if (Shown != 0) seen.Mapped = at;
      }
    } else if (type == Damage->first_event + XCB_DAMAGE_NOTIFY) {
      auto* de = reinterpret_cast<xcb_damage_notify_event_t*>(e);
      // Drawing into a window that is not yet on screen shows nothing.
      if (seen.Mapped >= 0 && seen.Painted < 0 && de->drawable == Shown) seen.Painted = at;
    }
  }

  xcb_connection_t* C;
  std::string Why;
  xcb_window_t Root = 0;
  std::uint32_t IdMask = 0;
  const xcb_query_extension_reply_t* Damage = nullptr;
  xcb_window_t Manager = 0;
  std::unordered_set<xcb_window_t> Windows;  // the program's own, on the root
  std::unordered_map<xcb_window_t, xcb_window_t> FrameOf;  // frame -> program window
  xcb_window_t Shown = 0;
};

// Under sway: its window event "new" for a view of the program. sway sends it when the
// view maps, which is when the client commits its first buffer: map and paint at once.
class TSwayWatch final : public TWatch {
 public:
  std::string Error() const override { return Events.Error(); }
  int Fd() const override { return Events.Fd(); }
  bool Step(pid_t pid, double start, TSeen& seen) override {
    bench::TSwayWindowEvent e;
    while (Events.Next(e, 100)) {
      if (e.Change == "new" && e.Pid == pid && seen.Mapped < 0)
        seen.Mapped = seen.Painted = NowMs() - start;
    }
    return Events.Error().empty();
  }

 private:
  bench::TSwayEvents Events;
};

}  // namespace

int main(int argc, char** argv) {
  double lingerS = 3;
  bool sway = false;
  int first = 1;
  for (; first < argc; ++first) {
    if (std::strcmp(argv[first], "--sway") == 0) {
      sway = true;
    } else if (std::strcmp(argv[first], "--linger") == 0 && first + 1 < argc) {
      lingerS = std::atof(argv[++first]);
    } else {
      break;
    }
  }
  const int settings = first;
  while (first < argc && std::strchr(argv[first], '=') != nullptr) ++first;
  if (first >= argc) {
    std::fputs("usage: launch_watch [--sway] [--linger SECONDS] [NAME=VALUE...] PROGRAM [ARGS...]\n",
               stderr);
    return 2;
  }

  std::unique_ptr<TWatch> watch;
  if (sway) {
    watch = std::make_unique<TSwayWatch>();
  } else {
    watch = std::make_unique<TXWatch>();
  }
  if (!watch->Error().empty()) {
    std::fprintf(stderr, "launch_watch: %s\n", watch->Error().c_str());
    return 1;
  }

  const double start = NowMs();
  const pid_t pid = fork();
  if (pid < 0) {
    std::perror("launch_watch: fork");
    return 1;
  }
  if (pid == 0) {
    close(watch->Fd());
    // Its output would mix with the figures; its errors stay visible.
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0) dup2(null, STDOUT_FILENO);
    for (int i = settings; i < first; ++i) putenv(argv[i]);
    execvp(argv[first], argv + first);
    std::perror("launch_watch: exec");
    _exit(127);
  }

  TSeen seen;
  while (seen.Painted < 0) {
    if (NowMs() - start > kGiveUpMs || waitpid(pid, nullptr, WNOHANG) == pid) {
      std::fprintf(stderr, "launch_watch: %s showed no picture (%s)\n", argv[first],
                   seen.Mapped < 0 ? "no window was mapped" : "its window stayed blank");
      Stop(pid);
      return 1;
    }
    if (!watch->Step(pid, start, seen)) {
      std::fprintf(stderr, "launch_watch: lost the desktop: %s\n",
                   watch->Error().empty() ? "the connection broke" : watch->Error().c_str());
      Stop(pid);
      return 1;
    }
  }
  const double cpu = CpuMs(pid);

  // Settled, then left alone: what it does while nobody touches it.
  usleep(static_cast<useconds_t>(kSettleMs * 1000));
  const long s0 = Switches(pid);
  const double t0 = NowMs();
  usleep(static_cast<useconds_t>(lingerS * 1e6));
  const long s1 = Switches(pid);
  const double wakeups = (s1 - s0) / ((NowMs() - t0) / 1e3);
  const long rss = StatusField(pid, "VmHWM:");
  const long threads = StatusField(pid, "Threads:");
  const int objects = SharedObjects(pid);
  Stop(pid);
  watch.reset();

  // Under sway the map is the first picture: one figure, not two.
  if (sway) {
    std::printf("map %.1f", seen.Mapped);
  } else {
    std::printf("map %.1f paint %.1f", seen.Mapped, seen.Painted);
  }
  std::printf(" cpu %.1f rss %ld objects %d wakeups %.1f threads %ld\n", cpu, rss, objects,
              wakeups, threads);
  return 0;
}
