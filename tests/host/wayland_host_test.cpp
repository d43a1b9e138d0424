// The Wayland host where the end-to-end scripts cannot reach: the hit areas of the
// caption and sizing frame it draws itself, touch as the left button, where popups are
// placed against their parent, the theme's arrow read from a cursor file, and the host
// against a compositor of the test's own that can do what the real ones do only at
// unlucky moments (resize while the host waits, hold both buffers, answer with older
// globals, end the connection).
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wayland-server.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/host/wayland/wl_buffers.h"
#include "platform/host/wayland/wl_caption.h"
#include "platform/host/wayland/wl_connection.h"
#include "platform/host/wayland/wl_host.h"
#include "platform/host/wayland/wl_library.h"
#include "platform/host/wayland/wl_touch.h"
#include "platform/host/wayland/wl_window.h"
#include "platform/host/wayland/wl_xcursor.h"

#include "xdg-activation-v1-client-protocol.h"
#include "xdg-decoration-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace platform {
namespace {

TEST(WaylandCaption, EachPartAnswersWhereItIsDrawn) {
  using wl::TCaptionPart;
  using wl::CaptionPartAt;
  constexpr auto all = wl::TCaptionBoxes::All;
  const int w = 200;
  const int box = wl::kCaptionHeight - 1;
  EXPECT_EQ(CaptionPartAt(w, all, 0, 0), TCaptionPart::Icon);
  EXPECT_EQ(CaptionPartAt(w, all, box - 1, 5), TCaptionPart::Icon);
  EXPECT_EQ(CaptionPartAt(w, all, box, 5), TCaptionPart::Title);
  EXPECT_EQ(CaptionPartAt(w, all, w - 3 * box - 1, 5), TCaptionPart::Title);
  EXPECT_EQ(CaptionPartAt(w, all, w - 3 * box, 5), TCaptionPart::Minimize);
  EXPECT_EQ(CaptionPartAt(w, all, w - 2 * box - 1, box - 1), TCaptionPart::Minimize);
  EXPECT_EQ(CaptionPartAt(w, all, w - 2 * box, 0), TCaptionPart::Maximize);
  EXPECT_EQ(CaptionPartAt(w, all, w - box - 1, 5), TCaptionPart::Maximize);
  EXPECT_EQ(CaptionPartAt(w, all, w - box, 0), TCaptionPart::Close);
  EXPECT_EQ(CaptionPartAt(w, all, w - 1, 5), TCaptionPart::Close);
  // A dialog's caption has the close box alone: the others' place is title.
  constexpr auto close = wl::TCaptionBoxes::Close;
  EXPECT_EQ(CaptionPartAt(w, close, w - 3 * box, 5), TCaptionPart::Title);
  EXPECT_EQ(CaptionPartAt(w, close, w - 2 * box, 5), TCaptionPart::Title);
  EXPECT_EQ(CaptionPartAt(w, close, w - 1, 5), TCaptionPart::Close);
  // A fixed-size frame's minimise box stands beside the close box.
  constexpr auto fixed = wl::TCaptionBoxes::MinimizeClose;
  EXPECT_EQ(CaptionPartAt(w, fixed, w - 2 * box - 1, 5), TCaptionPart::Title);
  EXPECT_EQ(CaptionPartAt(w, fixed, w - 2 * box, 5), TCaptionPart::Minimize);
  EXPECT_EQ(CaptionPartAt(w, fixed, w - box - 1, 5), TCaptionPart::Minimize);
  EXPECT_EQ(CaptionPartAt(w, fixed, w - box, 5), TCaptionPart::Close);
  // Where the compositor cannot minimise, a resizable frame has maximise and close.
  constexpr auto noMinimize = wl::TCaptionBoxes::MaximizeClose;
  EXPECT_EQ(CaptionPartAt(w, noMinimize, w - 2 * box - 1, 5), TCaptionPart::Title);
  EXPECT_EQ(CaptionPartAt(w, noMinimize, w - 2 * box, 5), TCaptionPart::Maximize);
  EXPECT_EQ(CaptionPartAt(w, noMinimize, w - box, 5), TCaptionPart::Close);
  // Outside the strip: below it is the window's own surface.
  EXPECT_EQ(CaptionPartAt(w, all, 50, wl::kCaptionHeight), TCaptionPart::None);
  EXPECT_EQ(CaptionPartAt(w, all, -1, 5), TCaptionPart::None);
  EXPECT_EQ(CaptionPartAt(w, all, w, 5), TCaptionPart::None);
}

// Edges as xdg_toplevel's resize_edge: 1 top, 2 bottom, 4 left, 8 right.
TEST(WaylandCaption, TheSizingFrameMovesTheEdgesOrTheCornerPressed) {
  const int f = wl::kFrame, c = wl::kFrameCorner;
  const int w = 300, h = 200;
  auto at = [&](int x, int y) { return wl::FrameEdgesAt(w, h, f, c, x, y); };
  EXPECT_EQ(at(150, 0), 1);
  EXPECT_EQ(at(150, f - 1), 1);
  EXPECT_EQ(at(150, h - 1), 2);
  EXPECT_EQ(at(0, 100), 4);
  EXPECT_EQ(at(w - f, 100), 8);
  EXPECT_EQ(at(0, 0), 5);
  // A corner reaches along both of its edges.
  EXPECT_EQ(at(c - 1, 0), 5);
  EXPECT_EQ(at(c, 0), 1);
  EXPECT_EQ(at(0, c - 1), 5);
  EXPECT_EQ(at(0, c), 4);
  EXPECT_EQ(at(w - 1, 0), 9);
  EXPECT_EQ(at(0, h - 1), 6);
  EXPECT_EQ(at(w - 1, h - 1), 10);
  EXPECT_EQ(at(w - c, h - 2), 10);
  EXPECT_EQ(at(w - 2, h - c), 10);
  // Inside the ring, and outside the frame: nothing.
  EXPECT_EQ(at(f, f), 0);
  EXPECT_EQ(at(150, 100), 0);
  EXPECT_EQ(at(-1, 0), 0);
  EXPECT_EQ(at(w, 10), 0);
  // A frame shorter than two corners: each press the nearer corner, never both edges.
  EXPECT_EQ(wl::FrameEdgesAt(300, 30, f, c, 0, 14), 5);
  EXPECT_EQ(wl::FrameEdgesAt(300, 30, f, c, 0, 15), 6);
}

// The first touch point is the left button at its place, in the client area's device
// pixels (the caption's rows above it); other points are ignored while it is down.
TEST(WaylandTouch, TheFirstPointIsTheLeftButtonAndTheOthersAreIgnored) {
  using Kind = wl::TTouchPoint::Kind;
  wl::TTouchButton touch;
  const int top = 38;  // 19 rows of caption at scale 2
  wl::TTouchPoint p = touch.Down(7, false, 10.5, 40.25, 2, top);
  EXPECT_EQ(p.kind, Kind::Client);
  EXPECT_EQ(p.x, 21);
  EXPECT_EQ(p.y, 80 - top);
  EXPECT_EQ(touch.Down(8, false, 50, 50, 2, top).kind, Kind::Ignored) << "a second finger";
  EXPECT_EQ(touch.Motion(8, 60, 60).kind, Kind::Ignored);
  EXPECT_EQ(touch.Up(8).kind, Kind::Ignored);
  p = touch.Motion(7, 30, 50);
  EXPECT_EQ(p.kind, Kind::Client);
  EXPECT_EQ(p.x, 60);
  EXPECT_EQ(p.y, 100 - top);
  p = touch.Up(7);
  EXPECT_EQ(p.kind, Kind::Client) << "lifted where it last was";
  EXPECT_EQ(p.x, 60);
  EXPECT_FALSE(touch.Held());
  EXPECT_EQ(touch.Up(7).kind, Kind::Ignored) << "lifted once";

  // The next touch may be any point; one on the caption acts there, in surface pixels.
  p = touch.Down(8, false, 30, 18.5, 2, top);
  EXPECT_EQ(p.kind, Kind::Caption);
  EXPECT_EQ(p.y, 37);
  EXPECT_EQ(touch.Motion(8, 40, 60).kind, Kind::Ignored) << "the compositor moves it";
  EXPECT_EQ(touch.Cancel().kind, Kind::Caption);
  EXPECT_FALSE(touch.Held());
  EXPECT_EQ(touch.Cancel().kind, Kind::Ignored);
  EXPECT_EQ(touch.Down(1, true, 0, 0, 1, 19).kind, Kind::Frame);
}

TEST(WaylandPopup, PlacedAgainstItsParentFromThePlatformsCoordinates) {
  struct {
    int x, y, scale;
    wl::TPopupPlacement want;
  } const cases[] = {
      // Parent at (100, 50), 300 x 200.
      {110, 70, 1, {10, 20, 0, 0}},    // inside: the anchor is the point itself
      {90, 60, 1, {0, 10, -10, 0}},    // left of it: the anchor stays inside
      {150, 300, 1, {50, 199, 0, 51}}, // below it
      {400, 49, 1, {299, 0, 1, -1}},   // past its top-right corner
      {120, 90, 2, {10, 20, 0, 0}},    // logical pixels at scale 2
      {99, 51, 2, {0, 0, -1, 0}},      // a device pixel left of it is a logical one
  };
  for (const auto& c : cases) {
    const wl::TPopupPlacement p = wl::PlacePopup(c.x, c.y, 100, 50, 300, 200, c.scale);
    SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y) + " at " +
                 std::to_string(c.scale));
    EXPECT_EQ(p.AnchorX, c.want.AnchorX);
    EXPECT_EQ(p.AnchorY, c.want.AnchorY);
    EXPECT_EQ(p.OffsetX, c.want.OffsetX);
    EXPECT_EQ(p.OffsetY, c.want.OffsetY);
  }
}

// An Xcursor file with one image of each nominal size, the image of size s s x s with
// its hot spot at (1, s - 1), every pixel s; cut short by `cut` bytes.
void WriteCursor(const std::string& path, const std::vector<std::uint32_t>& sizes, int cut = 0) {
  std::vector<std::uint32_t> w{0x72756358, 16, 0x10000, std::uint32_t(sizes.size())};
  std::uint32_t at = 16 + 12 * std::uint32_t(sizes.size());
  for (std::uint32_t s : sizes) {
    w.insert(w.end(), {0xFFFD0002, s, at});
    at += 36 + 4 * s * s;
  }
  for (std::uint32_t s : sizes) {
    w.insert(w.end(), {36, 0xFFFD0002, s, 1, s, s, 1, s - 1, 0});
    w.insert(w.end(), std::size_t(s) * s, s);
  }
  std::string bytes;
  for (std::uint32_t v : w) {
    for (int i = 0; i < 4; ++i) bytes += char((v >> (8 * i)) & 0xFF);
  }
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes.substr(0, bytes.size() - std::size_t(cut));
}

TEST(WaylandCursorTheme, TheArrowOfTheNearestSizeFromTheThemeOrOneItInherits) {
  const std::string dir = ::testing::TempDir() + "/klop-xcursor";
  std::filesystem::remove_all(dir);
  WriteCursor(dir + "/base/cursors/left_ptr", {16, 24, 48});
  std::filesystem::create_directories(dir + "/mine");
  // The last line without its newline.
  std::ofstream(dir + "/mine/index.theme") << "[Icon Theme]\r\nName=Mine\r\nInherits=none, base";
  WriteCursor(dir + "/cut/cursors/left_ptr", {24}, 4);
  setenv("XCURSOR_PATH", ("::/nowhere:" + dir + ":").c_str(), 1);
  wl::TXcursorImage image;
  ASSERT_TRUE(wl::LoadXcursor("mine", "left_ptr", 30, image));
  EXPECT_EQ(image.Width, 24);
  EXPECT_EQ(image.Height, 24);
  EXPECT_EQ(image.HotX, 1);
  EXPECT_EQ(image.HotY, 23);
  ASSERT_EQ(image.Pixels.size(), 24u * 24u);
  EXPECT_EQ(image.Pixels.back(), 24u);
  ASSERT_TRUE(wl::LoadXcursor("base", "left_ptr", 40, image));
  EXPECT_EQ(image.Width, 48);
  EXPECT_FALSE(wl::ReadXcursorFile(dir + "/cut/cursors/left_ptr", 24, image)) << "cut short";
  EXPECT_FALSE(wl::LoadXcursor("mine", "watch", 24, image));
  EXPECT_FALSE(wl::LoadXcursor("../base", "left_ptr", 24, image));
  unsetenv("XCURSOR_PATH");
  std::filesystem::remove_all(dir);
}

TEST(WaylandHost, NoCompositorIsAnErrorNotACrash) {
  setenv("WAYLAND_DISPLAY", "klop-no-such-compositor", 1);
  std::string error;
  EXPECT_EQ(MakeWaylandHost(error), nullptr);
  EXPECT_NE(error.find("klop-no-such-compositor"), std::string::npos) << error;
}

// The client library is opened at run time: one missing, or one without the functions,
// is a message naming it, and leaves what an earlier load resolved as it was.
TEST(WaylandHost, ClientLibrariesThatCannotBeLoadedAreAnError) {
  std::string error;
  ASSERT_TRUE(wl::LoadWaylandLibraries(error)) << error;
  const auto flush = klop_wl_display_flush;
  ASSERT_NE(flush, nullptr);
  struct {
    const char *client, *message;
  } const cases[] = {
      {"libklop-no-such-library.so.0", "cannot load libklop-no-such-library.so.0: "},
      {"libc.so.6", "cannot load libc.so.6: it has no wl_display_"},
  };
  for (const auto& c : cases) {
    error.clear();
    EXPECT_FALSE(wl::LoadWaylandLibraries(error, c.client)) << c.client;
    EXPECT_EQ(error.rfind(c.message, 0), 0u) << error;
    EXPECT_EQ(klop_wl_display_flush, flush) << c.client;
  }
}

// A compositor of the test's own on libwayland-server, in a thread of the test: it does
// what the host asks as a compositor must (configures a new toplevel, keeps the picture
// each commit shows, holds each buffer until told to release it), sends what a test
// makes it send, and logs every request as "interface.request".
struct TFakeOptions {
  std::uint32_t compositor = 4, shell = 5, seat = 5;
  std::uint32_t seatCaps = 0;
  bool decorations = false;          // offers zxdg_decoration_manager_v1, answering:
  std::uint32_t decorationMode = 2;  // 1 client side, 2 server side
  bool activation = false;
  int scale = 1;                                        // of its output
  std::vector<std::uint32_t> capabilities{1, 2, 3, 4};  // wm_capabilities, at shell 5
  bool frames = true;  // asks for the next picture at once; else when told (FramesDone)
};

class TFakeCompositor {
 public:
  struct TSurface {
    wl_resource *Xdg = nullptr, *Toplevel = nullptr, *Decoration = nullptr;
    wl_resource* Pending = nullptr;
    bool Attached = false, Configured = false;
    int Width = 0, Height = 0;  // of the picture last committed
    std::vector<std::uint32_t> Pixels;
    int Pictures = 0;                              // commits with a buffer
    std::vector<wl_resource*> NextFrames, Frames;  // callbacks asked for, and committed
  };

  explicit TFakeCompositor(TFakeOptions o = {}) : O_(std::move(o)) {
    char folder[] = "/tmp/klop-wl-XXXXXX";
    if (mkdtemp(folder) == nullptr) return;
    Folder_ = folder;
    setenv("XDG_RUNTIME_DIR", folder, 1);
    setenv("WAYLAND_DISPLAY", "klop-test", 1);
    D_ = wl_display_create();
    if (D_ == nullptr || wl_display_add_socket(D_, "klop-test") != 0) return;
    wl_display_init_shm(D_);
    Offer(&wl_compositor_interface, O_.compositor);
    Offer(&xdg_wm_base_interface, O_.shell);
    Offer(&wl_output_interface, 2, O_.scale);
    if (O_.seat > 0) SeatGlobal_ = Offer(&wl_seat_interface, O_.seat);
    if (O_.decorations) Offer(&zxdg_decoration_manager_v1_interface, 1);
    if (O_.activation) Offer(&xdg_activation_v1_interface, 1);
    Wake_ = eventfd(0, EFD_CLOEXEC);
    WakeSource_ = wl_event_loop_add_fd(
        wl_display_get_event_loop(D_), Wake_, WL_EVENT_READABLE,
        [](int fd, std::uint32_t, void* data) {
          std::uint64_t n;
          if (read(fd, &n, sizeof n) < 0) return 0;
          static_cast<TFakeCompositor*>(data)->RunTasks();
          return 0;
        },
        this);
    Thread_ = std::thread([this] {
      while (!Stopping_) {
        wl_event_loop_dispatch(wl_display_get_event_loop(D_), -1);
        wl_display_flush_clients(D_);
      }
    });
  }
  ~TFakeCompositor() {
    Stop();
    if (!Folder_.empty()) std::filesystem::remove_all(Folder_);
  }
  bool Running() const { return Thread_.joinable(); }
  // Ends it: the host's connection is closed.
  void Stop() {
    if (!Thread_.joinable()) return;
    Run([this] { Stopping_ = true; });
    Thread_.join();
    wl_display_destroy_clients(D_);
    wl_event_source_remove(WakeSource_);
    for (THeld* h : Held_) delete h;
    Held_.clear();
    wl_display_destroy(D_);
    close(Wake_);
  }

  // Runs `f` on the compositor's thread, then sends what it queued.
  void Run(std::function<void()> f) {
    std::promise<void> done;
    {
      std::lock_guard<std::mutex> lock(M_);
      Tasks_.emplace_back(std::move(f), &done);
    }
    const std::uint64_t one = 1;
    if (write(Wake_, &one, sizeof one) != sizeof one) return;
    done.get_future().wait();
  }
  // Whether `ready` (run on the compositor's thread) comes to hold within five seconds,
  // while `host` reads what comes to it.
  bool WaitFor(const std::function<bool()>& ready, Host* host = nullptr);
  bool Logged(const std::string& request) {
    return std::find(Log_.begin(), Log_.end(), request) != Log_.end();
  }
  // The toplevel's surface (the only one, or the last made).
  TSurface* Toplevel() {
    for (auto& [r, s] : Surfaces_) {
      if (s.Toplevel != nullptr) return &s;
    }
    return nullptr;
  }
  wl_resource* SurfaceOf(const TSurface* t) {
    for (auto& [r, s] : Surfaces_) {
      if (&s == t) return r;
    }
    return nullptr;
  }
  std::uint32_t Serial() { return wl_display_next_serial(D_); }
  void Configure(TSurface& s, int width, int height, std::vector<std::uint32_t> states = {}) {
    wl_array a{};
    wl_array_init(&a);
    for (std::uint32_t state : states) {
      *static_cast<std::uint32_t*>(wl_array_add(&a, sizeof state)) = state;
    }
    wl_resource_post_event(s.Toplevel, 0, width, height, &a);  // xdg_toplevel.configure
    wl_array_release(&a);
    wl_resource_post_event(s.Xdg, 0, Serial());  // xdg_surface.configure
  }
  void FramesDone(TSurface& s) {
    for (wl_resource* f : s.Frames) {
      wl_callback_send_done(f, 0);
      wl_resource_destroy(f);
    }
    s.Frames.clear();
  }
  std::size_t Held() const { return Held_.size(); }
  void AddOutput(int scale) { Offer(&wl_output_interface, 2, scale); }
  void ReleaseBuffers() {
    for (THeld* h : Held_) {
      wl_buffer_send_release(h->Buffer);
      wl_list_remove(&h->Gone.link);
      delete h;
    }
    Held_.clear();
  }

  std::vector<std::string> Log_;
  std::map<wl_resource*, TSurface> Surfaces_;
  wl_resource *Seat_ = nullptr, *Pointer_ = nullptr, *Keyboard_ = nullptr, *Shell_ = nullptr;
  wl_client* Client_ = nullptr;
  wl_global* SeatGlobal_ = nullptr;
  std::map<int, wl_resource*> Outputs_;  // by scale

 private:
  struct TGlobal {
    TFakeCompositor* C;
    const wl_interface* I;
    int Scale;  // an output's
  };
  struct THeld {
    wl_listener Gone;
    wl_resource* Buffer;
    TFakeCompositor* C;
  };

  wl_global* Offer(const wl_interface* i, std::uint32_t version, int scale = 1) {
    Globals_.push_back(std::make_unique<TGlobal>(TGlobal{this, i, scale}));
    return wl_global_create(
        D_, i, int(version), Globals_.back().get(),
        [](wl_client* client, void* data, std::uint32_t version, std::uint32_t id) {
          auto* g = static_cast<TGlobal*>(data);
          g->C->Bound(client, g->I, version, id, g->Scale);
        });
  }
  wl_resource* Make(wl_client* client, const wl_interface* i, std::uint32_t version,
                    std::uint32_t id) {
    wl_resource* r = wl_resource_create(client, i, int(version), id);
    wl_resource_set_dispatcher(
        r,
        [](const void* c, void* target, std::uint32_t, const wl_message* m, wl_argument* a) {
          static_cast<TFakeCompositor*>(const_cast<void*>(c))
              ->Request(static_cast<wl_resource*>(target), m->name, a);
          return 0;
        },
        this, this,
        [](wl_resource* gone) {
          static_cast<TFakeCompositor*>(wl_resource_get_user_data(gone))->Forget(gone);
        });
    return r;
  }
  wl_resource* Made(wl_resource* by, const wl_interface* i, std::uint32_t id) {
    return Make(wl_resource_get_client(by), i, std::uint32_t(wl_resource_get_version(by)), id);
  }
  void Bound(wl_client* client, const wl_interface* i, std::uint32_t version, std::uint32_t id,
             int scale) {
    Client_ = client;
    wl_resource* r = Make(client, i, version, id);
    if (i == &wl_seat_interface) {
      Seat_ = r;
      wl_seat_send_capabilities(r, O_.seatCaps);
    } else if (i == &xdg_wm_base_interface) {
      Shell_ = r;
    } else if (i == &wl_output_interface) {
      wl_output_send_geometry(r, 0, 0, 300, 200, 0, "klop", "test", 0);
      wl_output_send_mode(r, WL_OUTPUT_MODE_CURRENT, 1024 * scale, 768 * scale, 60000);
      if (version >= 2) wl_output_send_scale(r, scale);
      Outputs_[scale] = r;
      if (version >= 2) wl_output_send_done(r);
    }
  }
  void Forget(wl_resource* gone) {
    Surfaces_.erase(gone);
    for (auto& [r, s] : Surfaces_) {
      for (wl_resource** p : {&s.Xdg, &s.Toplevel, &s.Decoration}) {
        if (*p == gone) *p = nullptr;
      }
    }
    for (wl_resource** p : {&Seat_, &Pointer_, &Keyboard_, &Shell_}) {
      if (*p == gone) *p = nullptr;
    }
  }
  TSurface* With(wl_resource* TSurface::*field, wl_resource* r) {
    for (auto& [k, s] : Surfaces_) {
      if (s.*field == r) return &s;
    }
    return nullptr;
  }
  void Request(wl_resource* r, const std::string& name, wl_argument* a) {
    const std::string what = std::string(wl_resource_get_class(r)) + "." + name;
    Log_.push_back(what);
    auto object = [&](int n) { return reinterpret_cast<wl_resource*>(a[n].o); };
    if (name == "destroy" || name == "release") {
      wl_resource_destroy(r);
    } else if (what == "wl_compositor.create_surface") {
      Surfaces_[Made(r, &wl_surface_interface, a[0].n)];
    } else if (what == "wl_compositor.create_region") {
      Made(r, &wl_region_interface, a[0].n);
    } else if (what == "wl_surface.attach") {
      Surfaces_[r].Pending = object(0);
      Surfaces_[r].Attached = true;
    } else if (what == "wl_surface.frame") {
      Surfaces_[r].NextFrames.push_back(Made(r, &wl_callback_interface, a[0].n));
    } else if (what == "wl_surface.commit") {
      Commit(r, Surfaces_[r]);
    } else if (what == "xdg_wm_base.create_positioner") {
      Made(r, &xdg_positioner_interface, a[0].n);
    } else if (what == "xdg_wm_base.get_xdg_surface") {
      TSurface& s = Surfaces_[object(1)];
      s.Xdg = Made(r, &xdg_surface_interface, a[0].n);
      s.Configured = false;
    } else if (what == "xdg_surface.get_toplevel") {
      if (TSurface* s = With(&TSurface::Xdg, r))
        s->Toplevel = Made(r, &xdg_toplevel_interface, a[0].n);
    } else if (what == "xdg_surface.get_popup") {
      Made(r, &xdg_popup_interface, a[0].n);
    } else if (what == "zxdg_decoration_manager_v1.get_toplevel_decoration") {
      wl_resource* d = Made(r, &zxdg_toplevel_decoration_v1_interface, a[0].n);
      if (TSurface* s = With(&TSurface::Toplevel, object(1))) s->Decoration = d;
    } else if (what == "xdg_activation_v1.get_activation_token") {
      Made(r, &xdg_activation_token_v1_interface, a[0].n);
    } else if (what == "xdg_activation_token_v1.commit") {
      wl_resource_post_event(r, 0, "klop-token");  // done
    } else if (what == "wl_seat.get_pointer") {
      Pointer_ = Made(r, &wl_pointer_interface, a[0].n);
    } else if (what == "wl_seat.get_keyboard") {
      Keyboard_ = Made(r, &wl_keyboard_interface, a[0].n);
    } else if (what == "wl_seat.get_touch") {
      Made(r, &wl_touch_interface, a[0].n);
    }
  }
  void Commit(wl_resource* surface, TSurface& s) {
    if (s.Attached && s.Pending != nullptr) {
      if (wl_shm_buffer* b = wl_shm_buffer_get(s.Pending)) {
        s.Width = wl_shm_buffer_get_width(b);
        s.Height = wl_shm_buffer_get_height(b);
        const int stride = wl_shm_buffer_get_stride(b);
        s.Pixels.resize(std::size_t(s.Width) * std::size_t(s.Height));
        wl_shm_buffer_begin_access(b);
        const auto* from = static_cast<const char*>(wl_shm_buffer_get_data(b));
        for (int y = 0; y < s.Height; ++y) {
          std::memcpy(&s.Pixels[std::size_t(y) * std::size_t(s.Width)],
                      from + std::size_t(y) * std::size_t(stride), std::size_t(s.Width) * 4);
        }
        wl_shm_buffer_end_access(b);
      }
      auto* h = new THeld{{}, s.Pending, this};
      h->Gone.notify = [](wl_listener* l, void*) {
        THeld* held = wl_container_of(l, held, Gone);
        std::erase(held->C->Held_, held);
        delete held;
      };
      wl_resource_add_destroy_listener(s.Pending, &h->Gone);
      Held_.push_back(h);
      ++s.Pictures;
    }
    s.Frames.insert(s.Frames.end(), s.NextFrames.begin(), s.NextFrames.end());
    s.NextFrames.clear();
    if (O_.frames) FramesDone(s);
    s.Attached = false;
    s.Pending = nullptr;
    // A new role's first commit is answered by its first configure.
    if (s.Xdg != nullptr && s.Toplevel != nullptr && !s.Configured) {
      s.Configured = true;
      if (s.Decoration != nullptr) wl_resource_post_event(s.Decoration, 0, O_.decorationMode);
      if (wl_resource_get_version(s.Toplevel) >= 5) {
        wl_array a{};
        wl_array_init(&a);
        for (std::uint32_t c : O_.capabilities) {
          *static_cast<std::uint32_t*>(wl_array_add(&a, sizeof c)) = c;
        }
        wl_resource_post_event(s.Toplevel, 3, &a);  // wm_capabilities
        wl_array_release(&a);
      }
      Configure(s, 0, 0);
    }
    (void)surface;
  }
  void RunTasks() {
    std::vector<std::pair<std::function<void()>, std::promise<void>*>> tasks;
    {
      std::lock_guard<std::mutex> lock(M_);
      tasks.swap(Tasks_);
    }
    for (auto& [f, done] : tasks) {
      f();
      wl_display_flush_clients(D_);
      done->set_value();
    }
  }

  TFakeOptions O_;
  std::string Folder_;
  wl_display* D_ = nullptr;
  int Wake_ = -1;
  wl_event_source* WakeSource_ = nullptr;
  std::thread Thread_;
  std::atomic<bool> Stopping_{false};
  std::mutex M_;
  std::vector<std::pair<std::function<void()>, std::promise<void>*>> Tasks_;
  std::vector<std::unique_ptr<TGlobal>> Globals_;
  std::vector<THeld*> Held_;
};

// What the host reports within `ms` milliseconds.
std::vector<HostEvent> Pump(Host& host, int ms = 60) {
  std::vector<HostEvent> got;
  const HostTime until = host.Now() + std::chrono::milliseconds(ms);
  for (HostEvent e; host.Now() < until;) {
    host.Wait(until);
    while (host.NextEvent(e)) got.push_back(e);
  }
  return got;
}

bool TFakeCompositor::WaitFor(const std::function<bool()>& ready, Host* host) {
  for (int i = 0; i < 500; ++i) {
    bool ok = false;
    Run([&] { ok = ready(); });
    if (ok) return true;
    if (host != nullptr) {
      Pump(*host, 10);
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  return false;
}

bool Has(const std::vector<HostEvent>& events, HostEventKind kind) {
  return std::any_of(events.begin(), events.end(),
                     [&](const HostEvent& e) { return e.kind == kind; });
}

// A framed window of `width` x `height`, shown and configured.
HostWindow ShowFrame(Host& host, int width, int height, bool resizable = true) {
  HostWindowSpec spec;
  spec.title = "Klop";
  spec.width = width;
  spec.height = height;
  spec.resizable = resizable;
  const HostWindow w = host.CreateWindow(spec);
  host.Show(w, HostShow::Normal);
  Pump(host);
  return w;
}

// Draws the pattern at (x, y) the way the platform does, in lent pixels where the host
// lends them, and presents it all.
std::uint32_t Pattern(int x, int y) {
  return 0xFF000000u | std::uint32_t(y * 1000 + x);
}
void DrawAll(Host& host, HostWindow w, int width, int height) {
  std::vector<std::uint32_t> own;
  std::uint32_t* p = host.WindowPixels(w, width, height);
  if (p == nullptr) {
    own.resize(std::size_t(width) * std::size_t(height));
    p = own.data();
  }
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) p[std::size_t(y) * std::size_t(width) + x] = Pattern(x, y);
  }
  const HostRect all{0, 0, width, height};
  host.Present(w, p, width, height, width, &all, 1);
  Pump(host, 10);  // the compositor's answers: buffers released, the next frame asked for
}

// Whether the toplevel's last picture shows the pattern of `width` x `height` below a
// caption of `top` rows.
bool ShowsPattern(TFakeCompositor& c, Host& host, int width, int height, int top) {
  return c.WaitFor(
      [&] {
        const TFakeCompositor::TSurface* s = c.Toplevel();
        if (s == nullptr || s->Width < width || s->Height < top + height) return false;
        for (int y = 0; y < height; ++y) {
          for (int x = 0; x < width; ++x) {
            if (s->Pixels[std::size_t(top + y) * std::size_t(s->Width) + x] != Pattern(x, y)) {
              return false;
            }
          }
        }
        return true;
      },
      &host);
}

// The platform draws what it asked to be lent at the size it asked, even when the
// compositor resized the window while the host waited for a buffer to lend.
TEST(WaylandHost, ALendKeepsItsSizeThroughAResizeReadWhileWaiting) {
  TFakeCompositor c;
  std::string error;
  std::unique_ptr<Host> host = MakeWaylandHost(error);
  ASSERT_NE(host, nullptr) << error;
  const HostWindow w = ShowFrame(*host, 400, 300);
  const int top = host->Decorations(w).top;
  std::size_t held = 0;
  while (held < 2) {  // until the compositor holds both buffers
    DrawAll(*host, w, 400, 300);
    c.Run([&] { held = c.Held(); });
  }
  c.Run([&] {
    c.Configure(*c.Toplevel(), 64, 32);
    c.ReleaseBuffers();
  });
  DrawAll(*host, w, 400, 300);
  EXPECT_TRUE(c.WaitFor([&] { return c.Toplevel()->Width == 400; }, host.get()));
  EXPECT_TRUE(ShowsPattern(c, *host, 400, 300, top));
}

// At buffer scale 2 a width the scale does not divide is drawn in rows of its own
// width, never in memory of another stride.
TEST(WaylandHost, AWidthTheBufferScaleDoesNotDivideIsNotSheared) {
  TFakeCompositor c({.scale = 2});
  std::string error;
  std::unique_ptr<Host> host = MakeWaylandHost(error);
  ASSERT_NE(host, nullptr) << error;
  const HostWindow w = ShowFrame(*host, 101, 41, false);
  DrawAll(*host, w, 101, 41);
  EXPECT_TRUE(c.WaitFor([&] { return c.Toplevel()->Width == 102; }, host.get()));
  EXPECT_TRUE(ShowsPattern(c, *host, 101, 41, host->Decorations(w).top));
}

// Where the compositor answers that the client draws its decorations, we draw our
// caption, above the picture, and the platform learns of it.
TEST(WaylandHost, ACompositorThatLeavesDecorationsToUsGetsOurCaption) {
  TFakeCompositor c({.decorations = true, .decorationMode = 1});
  std::string error;
  std::unique_ptr<Host> host = MakeWaylandHost(error);
  ASSERT_NE(host, nullptr) << error;
  EXPECT_EQ(host->Decorations(0).top, 0) << "a caption by the compositor is hoped for";
  HostWindowSpec spec;
  spec.width = 200;
  spec.height = 100;
  const HostWindow w = host->CreateWindow(spec);
  host->Show(w, HostShow::Normal);
  const std::vector<HostEvent> events = Pump(*host);
  EXPECT_EQ(host->Decorations(w).top, wl::kCaptionHeight);
  EXPECT_TRUE(Has(events, HostEventKind::Moved)) << "the platform reads the insets again";
  DrawAll(*host, w, 200, 100);
  EXPECT_TRUE(
      c.WaitFor([&] { return c.Toplevel()->Height == 100 + wl::kCaptionHeight; }, host.get()));
  EXPECT_TRUE(ShowsPattern(c, *host, 200, 100, wl::kCaptionHeight));
}

// A seat that loses its keyboard and pointer takes the focus and the pointer with them,
// and a seat that goes is released.
TEST(WaylandHost, ASeatThatLosesItsDevicesTakesFocusAndPointerWithThem) {
  TFakeCompositor c({.seatCaps = WL_SEAT_CAPABILITY_POINTER | WL_SEAT_CAPABILITY_KEYBOARD});
  std::string error;
  std::unique_ptr<Host> host = MakeWaylandHost(error);
  ASSERT_NE(host, nullptr) << error;
  const HostWindow w = ShowFrame(*host, 200, 100);
  const int top = host->Decorations(w).top;
  ASSERT_TRUE(
      c.WaitFor([&] { return c.Pointer_ != nullptr && c.Keyboard_ != nullptr; }, host.get()));
  c.Run([&] {
    wl_resource* s = c.SurfaceOf(c.Toplevel());
    wl_array keys{};
    wl_array_init(&keys);
    wl_keyboard_send_enter(c.Keyboard_, c.Serial(), s, &keys);
    wl_pointer_send_enter(c.Pointer_, c.Serial(), s, wl_fixed_from_int(50),
                          wl_fixed_from_int(top + 20));
    wl_pointer_send_button(c.Pointer_, c.Serial(), 1, 0x110, WL_POINTER_BUTTON_STATE_PRESSED);
  });
  std::vector<HostEvent> events = Pump(*host);
  ASSERT_TRUE(Has(events, HostEventKind::FocusGained));
  ASSERT_TRUE(Has(events, HostEventKind::PointerPress));
  c.Run([&] { wl_seat_send_capabilities(c.Seat_, 0); });
  events = Pump(*host);
  EXPECT_TRUE(Has(events, HostEventKind::FocusLost));
  EXPECT_TRUE(Has(events, HostEventKind::PointerLeft));
  EXPECT_TRUE(
      c.WaitFor([&] { return c.Pointer_ == nullptr && c.Keyboard_ == nullptr; }, host.get()));
  c.Run([&] { wl_global_remove(c.SeatGlobal_); });
  Pump(*host);
  EXPECT_TRUE(c.WaitFor([&] { return c.Logged("wl_seat.release"); }, host.get()));
}

// A compositor of older globals is spoken to in the requests they have: no buffer scale
// before wl_surface 3, damage in surface coordinates before 4, no release before
// wl_seat 3. One it would refuse ends the connection, and the program.
TEST(WaylandHost, OlderGlobalsGetOnlyTheRequestsTheyHave) {
  TFakeCompositor c({.compositor = 2,
                     .seat = 2,
                     .seatCaps = WL_SEAT_CAPABILITY_POINTER | WL_SEAT_CAPABILITY_KEYBOARD,
                     .scale = 2});
  std::string error;
  std::unique_ptr<Host> host = MakeWaylandHost(error);
  ASSERT_NE(host, nullptr) << error;
  const HostWindow w = ShowFrame(*host, 120, 80);
  DrawAll(*host, w, 120, 80);
  EXPECT_TRUE(c.WaitFor([&] { return c.Toplevel()->Width == 120; }, host.get()))
      << "at buffer scale 1";
  EXPECT_TRUE(ShowsPattern(c, *host, 120, 80, host->Decorations(w).top));
  EXPECT_TRUE(c.Logged("wl_surface.damage"));
  c.Run([&] { wl_seat_send_capabilities(c.Seat_, 0); });
  Pump(*host);
  host.reset();
  EXPECT_TRUE(
      c.WaitFor([&] { return c.Pointer_ == nullptr && c.Keyboard_ == nullptr; }, host.get()));
  EXPECT_FALSE(c.Logged("wl_pointer.release"));
}

// A window is minimised only where the compositor can: one that says it cannot leaves
// it restored, and one that cannot say is believed until the window gets input.
TEST(WaylandHost, MinimisedOnlyWhereTheCompositorCan) {
  {
    TFakeCompositor c({.capabilities = {1, 2, 3}});
    std::string error;
    std::unique_ptr<Host> host = MakeWaylandHost(error);
    ASSERT_NE(host, nullptr) << error;
    const HostWindow w = ShowFrame(*host, 200, 100);
    host->Show(w, HostShow::Minimized);
    EXPECT_TRUE(Has(Pump(*host), HostEventKind::Restored));
    EXPECT_FALSE(c.Logged("xdg_toplevel.set_minimized"));
  }
  TFakeCompositor c({.shell = 2, .seatCaps = WL_SEAT_CAPABILITY_POINTER});
  std::string error;
  std::unique_ptr<Host> host = MakeWaylandHost(error);
  ASSERT_NE(host, nullptr) << error;
  const HostWindow w = ShowFrame(*host, 200, 100);
  const int top = host->Decorations(w).top;
  host->Show(w, HostShow::Minimized);
  EXPECT_FALSE(Has(Pump(*host), HostEventKind::Restored));
  ASSERT_TRUE(c.WaitFor([&] { return c.Logged("xdg_toplevel.set_minimized"); }, host.get()));
  // Still shown, and clicked: not minimised after all.
  c.Run([&] {
    wl_pointer_send_enter(c.Pointer_, c.Serial(), c.SurfaceOf(c.Toplevel()), wl_fixed_from_int(50),
                          wl_fixed_from_int(top + 20));
    wl_pointer_send_button(c.Pointer_, c.Serial(), 1, 0x110, WL_POINTER_BUTTON_STATE_PRESSED);
  });
  EXPECT_TRUE(Has(Pump(*host), HostEventKind::Restored));
}

// A click on our caption's title moves nothing, so two are a double-click that maximises;
// a press the pointer then drags out of the double-click's box moves the window.
TEST(WaylandHost, TheCaptionMovesTheWindowOnADragNotOnAClick) {
  TFakeCompositor c({.seatCaps = WL_SEAT_CAPABILITY_POINTER});
  std::string error;
  std::unique_ptr<Host> host = MakeWaylandHost(error);
  ASSERT_NE(host, nullptr) << error;
  const HostWindow w = ShowFrame(*host, 200, 100);
  const int top = host->Decorations(w).top;
  ASSERT_GT(top, 0);
  ASSERT_TRUE(c.WaitFor([&] { return c.Pointer_ != nullptr; }, host.get()));
  auto button = [&](std::uint32_t time, std::uint32_t state) {
    wl_pointer_send_button(c.Pointer_, c.Serial(), time, 0x110, state);
  };
  c.Run([&] {
    wl_pointer_send_enter(c.Pointer_, c.Serial(), c.SurfaceOf(c.Toplevel()), wl_fixed_from_int(80),
                          wl_fixed_from_int(top / 2));
    for (std::uint32_t t : {1000u, 1100u}) {
      button(t, WL_POINTER_BUTTON_STATE_PRESSED);
      button(t + 10, WL_POINTER_BUTTON_STATE_RELEASED);
    }
  });
  ASSERT_TRUE(c.WaitFor([&] { return c.Logged("xdg_toplevel.set_maximized"); }, host.get()));
  bool moved = true;
  c.Run([&] { moved = c.Logged("xdg_toplevel.move"); });
  EXPECT_FALSE(moved);
  c.Run([&] {
    button(3000, WL_POINTER_BUTTON_STATE_PRESSED);
    wl_pointer_send_motion(c.Pointer_, 3010, wl_fixed_from_int(81), wl_fixed_from_int(top / 2));
  });
  Pump(*host);
  c.Run([&] { moved = c.Logged("xdg_toplevel.move"); });
  EXPECT_FALSE(moved) << "a pixel is not yet a drag";
  c.Run([&] {
    wl_pointer_send_motion(c.Pointer_, 3020, wl_fixed_from_int(90), wl_fixed_from_int(top / 2));
  });
  EXPECT_TRUE(c.WaitFor([&] { return c.Logged("xdg_toplevel.move"); }, host.get()));
}

// A token is asked for only with the serial of the user's input and our focused surface:
// without them a compositor marks the window as wanting attention.
TEST(WaylandHost, ActivationTokensOnlyForTheUsersInput) {
  TFakeCompositor c({.seatCaps = WL_SEAT_CAPABILITY_KEYBOARD, .activation = true});
  std::string error;
  std::unique_ptr<Host> host = MakeWaylandHost(error);
  ASSERT_NE(host, nullptr) << error;
  const HostWindow w = ShowFrame(*host, 200, 100);
  host->Raise(w);
  Pump(*host);
  EXPECT_FALSE(c.Logged("xdg_activation_v1.get_activation_token"));
  ASSERT_TRUE(c.WaitFor([&] { return c.Keyboard_ != nullptr; }, host.get()));
  c.Run([&] {
    wl_array keys{};
    wl_array_init(&keys);
    wl_keyboard_send_enter(c.Keyboard_, c.Serial(), c.SurfaceOf(c.Toplevel()), &keys);
    wl_keyboard_send_key(c.Keyboard_, c.Serial(), 1, 30, WL_KEYBOARD_KEY_STATE_PRESSED);
  });
  Pump(*host);
  host->Raise(w);
  Pump(*host);
  EXPECT_TRUE(c.WaitFor([&] { return c.Logged("xdg_activation_v1.activate"); }, host.get()));
  EXPECT_TRUE(c.Logged("xdg_activation_token_v1.set_serial"));
  EXPECT_TRUE(c.Logged("xdg_activation_token_v1.set_surface"));
}

// A window moved onto an output of twice the scale of those there were at start (one
// plugged in since) gets buffers of that scale, each of the platform's pixels 2 x 2 in
// them, its size on the screen the same.
TEST(WaylandHost, AWindowOnADenserOutputGetsBuffersOfItsScale) {
  TFakeCompositor c;
  std::string error;
  std::unique_ptr<Host> host = MakeWaylandHost(error);
  ASSERT_NE(host, nullptr) << error;
  const HostWindow w = ShowFrame(*host, 100, 50);
  const int top = host->Decorations(w).top;
  DrawAll(*host, w, 100, 50);
  ASSERT_TRUE(c.WaitFor([&] { return c.Toplevel()->Width == 100; }, host.get()));
  c.Run([&] { c.AddOutput(2); });
  ASSERT_TRUE(c.WaitFor([&] { return c.Outputs_.count(2) != 0; }, host.get()));
  c.Run([&] { wl_surface_send_enter(c.SurfaceOf(c.Toplevel()), c.Outputs_[2]); });
  EXPECT_TRUE(Has(Pump(*host), HostEventKind::Exposed)) << "all of it is drawn again";
  DrawAll(*host, w, 100, 50);
  EXPECT_TRUE(c.WaitFor(
      [&] {
        const TFakeCompositor::TSurface* s = c.Toplevel();
        if (s->Width != 200 || s->Height != 2 * (top + 50)) return false;
        for (int y = 0; y < 2 * 50; ++y) {
          for (int x = 0; x < 2 * 100; ++x) {
            const std::size_t at = std::size_t(2 * top + y) * 200 + std::size_t(x);
            if (s->Pixels[at] != Pattern(x / 2, y / 2)) return false;
          }
        }
        return true;
      },
      host.get()));
  EXPECT_EQ(host->Bounds(w).width, 100) << "the platform's size stays";
  EXPECT_TRUE(c.Logged("wl_surface.set_buffer_scale"));
}

// A window commits no faster than the compositor asks for pictures: what changes
// meanwhile waits, and goes in one commit when it asks.
TEST(WaylandHost, PicturesGoNoFasterThanTheCompositorAsks) {
  TFakeCompositor c({.frames = false});
  std::string error;
  std::unique_ptr<Host> host = MakeWaylandHost(error);
  ASSERT_NE(host, nullptr) << error;
  const HostWindow w = ShowFrame(*host, 100, 50);
  auto pictures = [&] {
    int n = 0;
    c.Run([&] { n = c.Toplevel()->Pictures; });
    return n;
  };
  DrawAll(*host, w, 100, 50);
  ASSERT_TRUE(c.WaitFor([&] { return c.Toplevel()->Pictures == 1; }, host.get()));
  DrawAll(*host, w, 100, 50);
  DrawAll(*host, w, 100, 50);
  Pump(*host);
  EXPECT_EQ(pictures(), 1);
  c.Run([&] { c.FramesDone(*c.Toplevel()); });
  Pump(*host);
  EXPECT_EQ(pictures(), 2);
}

// The window's memory is had when it is made (memory pressure fails there, not by
// SIGBUS in a later write), and the host leaves the process's signals as they were.
TEST(WaylandHost, BufferMemoryIsHadAtOnceAndSignalsAreLeftAlone) {
  TFakeCompositor c;
  std::string error;
  std::unique_ptr<Host> host = MakeWaylandHost(error);
  ASSERT_NE(host, nullptr) << error;
  struct sigaction pipe {};
  ASSERT_EQ(sigaction(SIGPIPE, nullptr, &pipe), 0);
  EXPECT_EQ(pipe.sa_handler, SIG_DFL);
  wl::TConnection connection;
  ASSERT_TRUE(connection.Open(error)) << error;
  wl::TBuffers buffers;
  ASSERT_TRUE(buffers.Make(connection.Shm(), 300, 200));
  int found = 0;
  for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code e;
    const std::string target = std::filesystem::read_symlink(fd.path(), e).string();
    if (target.find("memfd:klop-window") == std::string::npos) continue;
    struct stat st {};
    ASSERT_EQ(stat(fd.path().c_str(), &st), 0);
    EXPECT_GE(std::int64_t(st.st_blocks) * 512, std::int64_t(st.st_size)) << target;
    ++found;
  }
  EXPECT_GT(found, 0);
}

TEST(WaylandHostDeathTest, AProtocolErrorIsReportedWithItsObjectAndCode) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  auto refused = [] {
    alarm(10);
    TFakeCompositor c;
    std::string error;
    std::unique_ptr<Host> host = MakeWaylandHost(error);
    if (host == nullptr) std::_Exit(3);
    const HostWindow w = ShowFrame(*host, 200, 100);
    c.Run([&] {
      wl_resource_post_error(c.Shell_, XDG_WM_BASE_ERROR_INVALID_SURFACE_STATE, "refused");
    });
    // Requests after it find the connection closed.
    for (;;) {
      host->Show(w, HostShow::Hidden);
      host->Show(w, HostShow::Normal);
      Pump(*host, 10);
    }
  };
  EXPECT_EXIT(refused(), ::testing::ExitedWithCode(1),
              "lost the connection to the Wayland compositor \\(protocol error 4 on xdg_wm_base@");
}

TEST(WaylandHostDeathTest, ALostConnectionEndsTheProgramWithAMessage) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  TFakeCompositor compositor;
  ASSERT_TRUE(compositor.Running()) << "the test's compositor did not start";
  auto loseTheCompositor = [&] {
    alarm(10);  // a hang ends by SIGALRM, which fails the test
    std::string error;
    std::unique_ptr<Host> host = MakeWaylandHost(error);
    if (host == nullptr) std::_Exit(3);
    compositor.Stop();
    // As a program's loop does: wait, take what came, wait again.
    for (HostEvent e;;) {
      host->Wait(HostTime::max());
      while (host->NextEvent(e)) {
      }
    }
  };
  EXPECT_EXIT(loseTheCompositor(), ::testing::ExitedWithCode(1),
              "lost the connection to the Wayland compositor");
}

}  // namespace
}  // namespace platform
