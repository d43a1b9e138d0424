// The SDL host on SDL's offscreen display: its pixel pipeline read back from the
// window surface, its event translation fed through SDL's own queue, and its waits.
#include <SDL.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/host/sdl/sdl_host.h"

namespace platform {
namespace {

using std::chrono::milliseconds;

class SdlHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    std::string error;
    Host_ = MakeSdlHost(error);
    ASSERT_NE(Host_, nullptr) << error;
  }

  HostWindow Open(int width, int height, bool resizable = false) {
    HostWindowSpec asked;
    asked.title = "test";
    asked.width = width;
    asked.height = height;
    asked.resizable = resizable;
    return Host_->CreateWindow(asked);
  }

  // The colour SDL's window surface holds at (x, y), as 0x00RRGGBB.
  static std::uint32_t ShownAt(HostWindow window, int x, int y) {
    SDL_Surface* s = SDL_GetWindowSurface(SDL_GetWindowFromID(window));
    EXPECT_NE(s, nullptr);
    if (s == nullptr || s->format->BytesPerPixel != 4 || x >= s->w || y >= s->h) return 0xDEAD;
    auto* row = static_cast<std::uint8_t*>(s->pixels) + std::ptrdiff_t(y) * s->pitch;
    Uint32 p = reinterpret_cast<Uint32*>(row)[x];
    Uint8 r, g, b;
    SDL_GetRGB(p, s->format, &r, &g, &b);
    return (std::uint32_t(r) << 16) | (std::uint32_t(g) << 8) | b;
  }

  void Drain() {
    HostEvent e;
    while (Host_->NextEvent(e)) {
    }
  }

  std::unique_ptr<Host> Host_;
};

struct TPixels {
  TPixels(int w, int h, int stride, std::uint32_t colour)
      : Width(w), Height(h), Stride(stride), Data(std::size_t(stride) * h, colour) {}
  void Fill(std::uint32_t colour) { Data.assign(Data.size(), colour); }
  int Width, Height, Stride;
  std::vector<std::uint32_t> Data;
};

TEST_F(SdlHostTest, PresentShowsExactlyTheGivenRectangles) {
  HostWindow w = Open(40, 30);
  ASSERT_NE(w, 0u);
  TPixels px(40, 30, 40, 0x00FFFFFF);
  HostRect all{0, 0, 40, 30};
  Host_->Present(w, px.Data.data(), 40, 30, 40, &all, 1);
  EXPECT_EQ(ShownAt(w, 0, 0), 0x00FFFFFFu);

  // Everything changes, but only two rectangles are presented.
  px.Fill(0x00123456);
  HostRect two[] = {{5, 6, 10, 4}, {30, 20, 1, 1}};
  Host_->Present(w, px.Data.data(), 40, 30, 40, two, 2);
  EXPECT_EQ(ShownAt(w, 5, 6), 0x00123456u);
  EXPECT_EQ(ShownAt(w, 14, 9), 0x00123456u);
  EXPECT_EQ(ShownAt(w, 30, 20), 0x00123456u);
  EXPECT_EQ(ShownAt(w, 4, 6), 0x00FFFFFFu);
  EXPECT_EQ(ShownAt(w, 15, 6), 0x00FFFFFFu);
  EXPECT_EQ(ShownAt(w, 5, 10), 0x00FFFFFFu);
  EXPECT_EQ(ShownAt(w, 31, 20), 0x00FFFFFFu);
}

TEST_F(SdlHostTest, PresentClipsRectanglesAndHonoursTheStride) {
  HostWindow w = Open(40, 30);
  ASSERT_NE(w, 0u);
  // A padded source: the padding column must never be shown.
  TPixels px(40, 30, 47, 0x0000FF00);
  for (int y = 0; y < 30; ++y) {
    for (int x = 40; x < 47; ++x) px.Data[std::size_t(y) * 47 + x] = 0x00FF0000;
  }
  HostRect wild[] = {{-5, -5, 10, 10},
                     {35, 25, 100, 100},
                     {INT_MAX - 2, 0, 100, 5},
                     {INT_MIN, INT_MIN, 3, 3},
                     {0, 0, INT_MAX, 1},
                     {10, 10, -4, 8},
                     {0, 29, 40, 1}};
  Host_->Present(w, px.Data.data(), 40, 30, 47, wild, std::size(wild));
  EXPECT_EQ(ShownAt(w, 0, 0), 0x0000FF00u);
  EXPECT_EQ(ShownAt(w, 39, 29), 0x0000FF00u);
  EXPECT_EQ(ShownAt(w, 39, 0), 0x0000FF00u);
  EXPECT_EQ(ShownAt(w, 0, 29), 0x0000FF00u);
  // {10,10,-4,8} is empty: nothing there was presented.
  EXPECT_NE(ShownAt(w, 8, 12), 0x0000FF00u);
}

TEST_F(SdlHostTest, APlatformSurfaceLargerOrSmallerThanTheWindowIsCut) {
  HostWindow w = Open(40, 30);
  ASSERT_NE(w, 0u);
  TPixels big(64, 48, 64, 0x000000FF);
  HostRect all{0, 0, 64, 48};
  Host_->Present(w, big.Data.data(), 64, 48, 64, &all, 1);
  EXPECT_EQ(ShownAt(w, 39, 29), 0x000000FFu);

  TPixels small(10, 8, 10, 0x00ABCDEF);
  HostRect part{0, 0, 10, 8};
  Host_->Present(w, small.Data.data(), 10, 8, 10, &part, 1);
  EXPECT_EQ(ShownAt(w, 9, 7), 0x00ABCDEFu);
}

TEST_F(SdlHostTest, AResizedWindowShowsItsLastPixelsAgain) {
  HostWindow w = Open(40, 30, true);
  ASSERT_NE(w, 0u);
  TPixels px(40, 30, 40, 0x00FFFFFF);
  for (int x = 0; x < 40; ++x) px.Data[std::size_t(29) * 40 + x] = 0x00800080;
  HostRect all{0, 0, 40, 30};
  Host_->Present(w, px.Data.data(), 40, 30, 40, &all, 1);

  HostRect b = Host_->Bounds(w);
  Host_->SetBounds(w, {b.x, b.y, 60, 50});
  Drain();
  EXPECT_EQ(Host_->Bounds(w).width, 60);
  EXPECT_EQ(Host_->Bounds(w).height, 50);
  // SDL gave the window a new, empty surface; the host filled it from what it kept.
  EXPECT_EQ(ShownAt(w, 0, 0), 0x00FFFFFFu);
  EXPECT_EQ(ShownAt(w, 39, 29), 0x00800080u);

  // A present of one rectangle at the new size leaves the rest as it was.
  TPixels grown(60, 50, 60, 0x00FFFFFF);
  HostRect corner{50, 40, 10, 10};
  for (int y = 40; y < 50; ++y) {
    for (int x = 50; x < 60; ++x) grown.Data[std::size_t(y) * 60 + x] = 0x00010203;
  }
  Host_->Present(w, grown.Data.data(), 60, 50, 60, &corner, 1);
  EXPECT_EQ(ShownAt(w, 59, 49), 0x00010203u);
}

TEST_F(SdlHostTest, WaitEndsAtTheDeadlineNeverBefore) {
  HostTime start = Host_->Now();
  HostTime deadline = start + milliseconds(30);
  Host_->Wait(deadline);
  HostTime end = Host_->Now();
  EXPECT_GE(end, deadline);
  // How soon after it ends is measured by bench/run-demo, not bounded here; a wait that
  // never ends fails by the test's time limit.

  // Deadlines already past, the earliest there is among them, and one a fraction of
  // a millisecond away.
  start = Host_->Now();
  Host_->Wait(start - milliseconds(5));
  Host_->Wait(HostTime::min());
  Host_->Wait(HostTime::zero());
  deadline = Host_->Now() + std::chrono::microseconds(300);
  Host_->Wait(deadline);
  EXPECT_GE(Host_->Now(), deadline);
}

TEST_F(SdlHostTest, AnEndlessWaitEndsWhenAnEventArrives) {
  HostWindow w = Open(20, 20);
  ASSERT_NE(w, 0u);
  Drain();
  // Whether the wait ended by the event, told by a mark set before it is pushed rather
  // than by the time waited, which a loaded machine blurs.
  std::atomic<bool> pushed = false;
  std::thread pusher([w, &pushed] {
    std::this_thread::sleep_for(milliseconds(40));
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = SDL_WINDOWEVENT_CLOSE;
    e.window.windowID = w;
    pushed = true;
    SDL_PushEvent(&e);
  });
  Host_->Wait(HostTime::max());
  const bool endedByTheEvent = pushed;
  pusher.join();
  EXPECT_TRUE(endedByTheEvent);
  HostEvent e;
  ASSERT_TRUE(Host_->NextEvent(e));
  EXPECT_EQ(e.kind, HostEventKind::CloseRequest);
  EXPECT_EQ(e.window, w);
}

void PushKey(Uint32 type, SDL_Keycode key, Uint16 mod, HostWindow w, bool repeat = false,
             SDL_Scancode scancode = SDL_SCANCODE_UNKNOWN) {
  SDL_Event e{};
  e.type = type;
  e.key.windowID = w;
  e.key.keysym.sym = key;
  e.key.keysym.scancode = scancode;
  e.key.keysym.mod = mod;
  e.key.repeat = repeat ? 1 : 0;
  SDL_PushEvent(&e);
}

TEST_F(SdlHostTest, KeysBecomeVirtualKeysWithModifiers) {
  HostWindow w = Open(20, 20);
  ASSERT_NE(w, 0u);
  Drain();
  struct Case {
    SDL_Keycode key;
    Uint16 mod;
    unsigned vk;
    unsigned mods;
    SDL_Scancode scancode = SDL_SCANCODE_UNKNOWN;
  };
  const Case cases[] = {
      {SDLK_a, KMOD_LSHIFT, 'A', kModShift},    {SDLK_z, KMOD_NONE, 'Z', 0},
      {SDLK_0, KMOD_RCTRL, '0', kModCtrl},      {SDLK_9, KMOD_NONE, '9', 0},
      {SDLK_g, KMOD_LALT, 'G', kModAlt},        {SDLK_F1, KMOD_NONE, 0x70, 0},
      {SDLK_F4, KMOD_LALT, 0x73, kModAlt},      {SDLK_F12, KMOD_NONE, 0x7B, 0},
      {SDLK_KP_0, KMOD_NONE, 0x60, 0},          {SDLK_KP_5, KMOD_NONE, 0x65, 0},
      {SDLK_KP_9, KMOD_NONE, 0x69, 0},          {SDLK_KP_ENTER, KMOD_NONE, 0x0D, 0},
      {SDLK_RETURN, KMOD_NONE, 0x0D, 0},        {SDLK_ESCAPE, KMOD_NONE, 0x1B, 0},
      {SDLK_TAB, KMOD_LSHIFT, 0x09, kModShift}, {SDLK_LEFT, KMOD_NONE, 0x25, 0},
      {SDLK_DOWN, KMOD_NONE, 0x28, 0},          {SDLK_PAGEUP, KMOD_NONE, 0x21, 0},
      {SDLK_RALT, KMOD_RALT, 0x12, kModAlt},    {SDLK_LCTRL, KMOD_LCTRL, 0x11, kModCtrl},
      {SDLK_MINUS, KMOD_NONE, 0xBD, 0},
      // A Cyrillic letter is the Latin one of its key; a Latin letter stays itself.
      {0x43F, KMOD_LALT, 'G', kModAlt, SDL_SCANCODE_G},
      {SDLK_a, KMOD_NONE, 'A', 0, SDL_SCANCODE_Q},
  };
  for (const Case& c : cases) PushKey(SDL_KEYDOWN, c.key, c.mod, w, false, c.scancode);
  // Keys with no virtual code (a letter off the letter keys among them), and keys for a
  // window that is not ours, are dropped.
  PushKey(SDL_KEYDOWN, SDLK_AUDIOPLAY, KMOD_NONE, w);
  PushKey(SDL_KEYDOWN, 0xF6, KMOD_NONE, w, false, SDL_SCANCODE_SEMICOLON);
  PushKey(SDL_KEYDOWN, SDLK_a, KMOD_NONE, w + 100);
  PushKey(SDL_KEYUP, SDLK_b, KMOD_NONE, w);
  PushKey(SDL_KEYDOWN, SDLK_b, KMOD_NONE, w, true);
  HostEvent e;
  for (const Case& c : cases) {
    ASSERT_TRUE(Host_->NextEvent(e));
    EXPECT_EQ(e.kind, HostEventKind::KeyDown);
    EXPECT_EQ(e.key, c.vk) << "SDL key " << c.key;
    EXPECT_EQ(e.modifiers, c.mods) << "SDL key " << c.key;
    EXPECT_FALSE(e.repeat);
  }
  ASSERT_TRUE(Host_->NextEvent(e));
  EXPECT_EQ(e.kind, HostEventKind::KeyUp);
  EXPECT_EQ(e.key, unsigned('B'));
  ASSERT_TRUE(Host_->NextEvent(e));
  EXPECT_TRUE(e.repeat);
  EXPECT_FALSE(Host_->NextEvent(e));
}

TEST_F(SdlHostTest, TextArrivesOneCharacterAtATime) {
  HostWindow w = Open(20, 20);
  ASSERT_NE(w, 0u);
  Drain();
  SDL_Event t{};
  t.type = SDL_TEXTINPUT;
  t.text.windowID = w;
  // a, e-acute, euro sign, a four-byte emoji, a stray continuation byte, a cut sequence.
  const char text[] = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\x80\xE2\x82";
  static_assert(sizeof(text) <= sizeof(t.text.text));
  std::memcpy(t.text.text, text, sizeof(text));
  SDL_PushEvent(&t);
  const std::vector<std::string> want = {"a",    "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80",
                                         "\x80", "\xE2",     "\x82"};
  HostEvent e;
  for (const std::string& s : want) {
    ASSERT_TRUE(Host_->NextEvent(e));
    EXPECT_EQ(e.kind, HostEventKind::Text);
    EXPECT_EQ(std::string(e.text), s);
  }
  EXPECT_FALSE(Host_->NextEvent(e));
}

TEST_F(SdlHostTest, PointerEventsCarryButtonPositionAndTime) {
  HostWindow w = Open(50, 50);
  ASSERT_NE(w, 0u);
  Drain();
  HostTime before = Host_->Now();
  SDL_Event b{};
  b.type = SDL_MOUSEBUTTONDOWN;
  b.button.windowID = w;
  b.button.button = SDL_BUTTON_RIGHT;
  b.button.x = 12;
  b.button.y = 34;
  SDL_PushEvent(&b);
  b.button.button = SDL_BUTTON_X1;  // no platform button: dropped
  SDL_PushEvent(&b);
  b.type = SDL_MOUSEBUTTONUP;
  b.button.button = SDL_BUTTON_LEFT;
  SDL_PushEvent(&b);
  SDL_Event m{};
  m.type = SDL_MOUSEMOTION;
  m.motion.windowID = w;
  m.motion.x = -3;  // outside, as while captured
  m.motion.y = 60;
  SDL_PushEvent(&m);
  HostTime after = Host_->Now();

  HostEvent e;
  ASSERT_TRUE(Host_->NextEvent(e));
  EXPECT_EQ(e.kind, HostEventKind::PointerPress);
  EXPECT_EQ(e.button, kButtonRight);
  EXPECT_EQ(e.x, 12);
  EXPECT_EQ(e.y, 34);
  // Dated on the host's clock (SDL stamps whole milliseconds).
  EXPECT_GE(e.time, before - milliseconds(2));
  EXPECT_LE(e.time, after + milliseconds(2));
  ASSERT_TRUE(Host_->NextEvent(e));
  EXPECT_EQ(e.kind, HostEventKind::PointerRelease);
  EXPECT_EQ(e.button, kButtonLeft);
  ASSERT_TRUE(Host_->NextEvent(e));
  EXPECT_EQ(e.kind, HostEventKind::PointerMove);
  EXPECT_EQ(e.x, -3);
  EXPECT_EQ(e.y, 60);
}

TEST_F(SdlHostTest, EventsOfADestroyedWindowAreDropped) {
  HostWindow a = Open(20, 20);
  HostWindow b = Open(20, 20);
  ASSERT_NE(a, 0u);
  ASSERT_NE(b, 0u);
  Drain();
  // More than the ring first holds, interleaved, so that dropping must compact it.
  for (int i = 0; i < 100; ++i) PushKey(SDL_KEYDOWN, SDLK_a + i % 26, KMOD_NONE, i % 3 ? a : b);
  HostEvent e;
  ASSERT_TRUE(Host_->NextEvent(e));  // pulls every pending SDL event into the host
  EXPECT_EQ(e.window, b);
  Host_->DestroyWindow(a);
  int left = 0;
  while (Host_->NextEvent(e)) {
    EXPECT_EQ(e.window, b);
    EXPECT_EQ(e.key, unsigned('A' + (3 * (left + 1)) % 26));
    ++left;
  }
  EXPECT_EQ(left, 33);
}

TEST_F(SdlHostTest, MalformedImagesAndUnknownWindowsAreRefusedQuietly) {
  EXPECT_EQ(Open(0, 10), 0u);
  EXPECT_EQ(Open(10, -1), 0u);
  HostWindow w = Open(20, 20);
  ASSERT_NE(w, 0u);
  CursorShape shortImage;
  shortImage.width = 32;
  shortImage.height = 32;
  shortImage.pixels.assign(10, 0xFF000000);  // far fewer pixels than 32 x 32
  shortImage.id = 7;
  Host_->SetIcon(w, shortImage);
  Host_->SetCursor(&shortImage);
  CursorShape huge = shortImage;
  huge.width = 100000;
  huge.height = 100000;
  Host_->SetCursor(&huge);
  Host_->SetCursor(nullptr);
  std::uint32_t px[4] = {};
  HostRect r{0, 0, 2, 2};
  Host_->Present(w + 50, px, 2, 2, 2, &r, 1);
  Host_->Present(w, px, 2, 2, 1, &r, 1);  // stride shorter than a row
  Host_->Present(w, nullptr, 2, 2, 2, &r, 1);
  Host_->SetTitle(w + 50, "nobody");
  Host_->DestroyWindow(w + 50);
  EXPECT_EQ(Host_->Bounds(w + 50).width, 0);
  // The window is still alive and works.
  std::uint32_t red[4] = {0xFF0000, 0xFF0000, 0xFF0000, 0xFF0000};
  Host_->Present(w, red, 2, 2, 2, &r, 1);
  EXPECT_EQ(ShownAt(w, 1, 1), 0x00FF0000u);
}

TEST(SdlHostOpen, OnlyOneHostAtATime) {
  setenv("SDL_VIDEODRIVER", "offscreen", 1);
  std::string error;
  auto first = MakeSdlHost(error);
  ASSERT_NE(first, nullptr) << error;
  auto second = MakeSdlHost(error);
  EXPECT_EQ(second, nullptr);
  EXPECT_FALSE(error.empty());
  first.reset();
  auto third = MakeSdlHost(error);
  EXPECT_NE(third, nullptr) << error;
}

TEST(SdlHostOpen, NoDisplayIsAnErrorNotACrash) {
  setenv("SDL_VIDEODRIVER", "x11", 1);
  const char* display = std::getenv("DISPLAY");
  std::string saved = display ? display : "";
  setenv("DISPLAY", ":7777", 1);  // nothing listens there
  std::string error;
  auto host = MakeSdlHost(error);
  EXPECT_EQ(host, nullptr);
  EXPECT_FALSE(error.empty());
  if (display) {
    setenv("DISPLAY", saved.c_str(), 1);
  } else {
    unsetenv("DISPLAY");
  }
}

// Without a display SDL would pick a driver that shows nothing; only a driver asked for
// by name may be one of those.
TEST(SdlHostOpen, AnInvisibleFallbackIsRefused) {
  const char* display = std::getenv("DISPLAY");
  std::string saved = display ? display : "";
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  unsetenv("SDL_VIDEODRIVER");
  std::string error;
  auto host = MakeSdlHost(error);
  EXPECT_EQ(host, nullptr);
  EXPECT_NE(error.find("no display"), std::string::npos) << error;
  if (display) setenv("DISPLAY", saved.c_str(), 1);
  setenv("SDL_VIDEODRIVER", "offscreen", 1);
}

// SDL 2 before 2.30.1 crashes on Wayland once a virtual keyboard has typed: there it
// goes through XWayland, or is refused naming the native host.
TEST(SdlHostOpen, AnSdlThatCrashesOnWaylandIsKeptOffIt) {
  EXPECT_STREQ(SdlVideoDriver(2, 26, 5, nullptr, "wayland-1", ":1"), "x11");
  EXPECT_STREQ(SdlVideoDriver(2, 30, 0, "wayland", nullptr, ":1"), "x11");
  EXPECT_EQ(SdlVideoDriver(2, 26, 5, "", "wayland-1", nullptr), nullptr);
  EXPECT_STREQ(SdlVideoDriver(2, 26, 5, "offscreen", "wayland-1", nullptr), "");
  EXPECT_STREQ(SdlVideoDriver(2, 26, 5, nullptr, nullptr, ":1"), "");
  EXPECT_STREQ(SdlVideoDriver(2, 30, 1, nullptr, "wayland-1", nullptr), "");

  const char* display = std::getenv("DISPLAY");
  const std::string saved = display ? display : "";
  unsetenv("DISPLAY");
  unsetenv("SDL_VIDEODRIVER");
  setenv("WAYLAND_DISPLAY", "klop-no-such-compositor", 1);
  SDL_version linked{};
  SDL_GetVersion(&linked);
  std::string error;
  auto host = MakeSdlHost(error);
  EXPECT_EQ(host, nullptr);
  if (SdlVideoDriver(linked.major, linked.minor, linked.patch, nullptr, "w", nullptr) == nullptr) {
    EXPECT_NE(error.find("KLOP_HOST=wayland"), std::string::npos) << error;
  }
  unsetenv("WAYLAND_DISPLAY");
  if (display) setenv("DISPLAY", saved.c_str(), 1);
  setenv("SDL_VIDEODRIVER", "offscreen", 1);
}

}  // namespace
}  // namespace platform
