// The Wayland host where the end-to-end scripts cannot reach: the hit areas of the
// caption and sizing frame it draws itself, touch as the left button, where popups are placed against their parent, the theme's
// arrow read from a cursor file, and a compositor that goes away under it (a small one
// of the test's own).
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>
#include <wayland-server.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/host/wayland/wl_caption.h"
#include "platform/host/wayland/wl_host.h"
#include "platform/host/wayland/wl_library.h"
#include "platform/host/wayland/wl_touch.h"
#include "platform/host/wayland/wl_window.h"
#include "platform/host/wayland/wl_xcursor.h"

extern "C" const wl_interface xdg_wm_base_interface;

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

// A compositor of the globals the host needs to start, in a process of its own, on a
// socket in a folder of its own. It answers nothing else.
class TCompositor {
 public:
  TCompositor() {
    char folder[] = "/tmp/klop-wl-XXXXXX";
    if (mkdtemp(folder) == nullptr) return;
    Folder_ = folder;
    setenv("XDG_RUNTIME_DIR", folder, 1);
    setenv("WAYLAND_DISPLAY", "klop-test", 1);
    int ready[2];
    if (pipe(ready) != 0) return;
    Pid_ = fork();
    if (Pid_ == 0) {
      close(ready[0]);
      wl_display* d = wl_display_create();
      if (d == nullptr || wl_display_add_socket(d, "klop-test") != 0) _exit(2);
      wl_display_init_shm(d);
      auto bind = [](wl_client* client, void*, std::uint32_t version, std::uint32_t id) {
        // Only the interface matters here; the host sends nothing to it in this test.
        (void)wl_resource_create(client, &wl_compositor_interface, int(version), id);
      };
      auto bindShell = [](wl_client* client, void*, std::uint32_t version, std::uint32_t id) {
        (void)wl_resource_create(client, &xdg_wm_base_interface, int(version), id);
      };
      wl_global_create(d, &wl_compositor_interface, 4, nullptr, bind);
      wl_global_create(d, &xdg_wm_base_interface, 2, nullptr, bindShell);
      if (write(ready[1], "!", 1) != 1) _exit(2);
      wl_display_run(d);
      _exit(0);
    }
    close(ready[1]);
    char c = 0;
    if (read(ready[0], &c, 1) != 1) Pid_ = -1;
    close(ready[0]);
  }
  ~TCompositor() {
    Stop();
    if (!Folder_.empty()) {
      unlink((Folder_ + "/klop-test").c_str());
      unlink((Folder_ + "/klop-test.lock").c_str());
      rmdir(Folder_.c_str());
    }
  }
  bool Running() const { return Pid_ > 0; }
  void Stop() {
    if (Pid_ <= 0) return;
    kill(Pid_, SIGKILL);
    waitpid(Pid_, nullptr, 0);
    Pid_ = -1;
  }

 private:
  pid_t Pid_ = -1;
  std::string Folder_;
};

TEST(WaylandHostDeathTest, ALostConnectionEndsTheProgramWithAMessage) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  TCompositor compositor;
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
