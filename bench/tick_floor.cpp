// tick_floor: what one tick of a running game cannot cost less than on the X11 host, with
// none of the program around it. A loop sleeps in ppoll on the connection until the next
// 100 ms deadline, as the host's Wait does, then shows one rectangle in a window of the
// game's size the way a present does, and counts its own CPU time (the scheduler's, as
// bench/run reads it) and voluntary context switches (wake-ups) per tick:
//
//   sleep           the sleep and wake alone
//   put W H         a PutImage of W x H pixels, flushed (what a present under 256 kB does)
//   put+poll W H    the same and one more poll of the socket, as XCB makes before each
//                   write: the difference is what that poll costs
//   shm W H         a ShmPutImage of W x H pixels from a shared segment, then the
//                   GetInputFocus whose answer says the server has read it, awaited before
//                   the next tick draws (the host's lazy BeforeDrawing wait)
//   shm-blind W H   the ShmPutImage alone, never awaited: the request's own cost (unsound
//                   for a program, which must not draw while the server reads)
//
//   tick_floor [TICKS] [MS]  TICKS per case (taking turns, 20 at a time), a line per
//                            case; DISPLAY names the server.
#include <poll.h>
#include <sys/ipc.h>
#include <sys/resource.h>
#include <sys/shm.h>
#include <time.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 282;
constexpr int kHeight = 400;

std::int64_t Ns(clockid_t clock) {
  timespec t{};
  clock_gettime(clock, &t);
  return std::int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

long Switches() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_nvcsw;
}

struct TCase {
  std::string Name;
  int W = 0, H = 0;
};

class TFloor {
 public:
  TFloor() {
    C_ = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(C_)) {
      std::fprintf(stderr, "tick_floor: cannot open the display\n");
      std::exit(1);
    }
    const xcb_screen_t* s = xcb_setup_roots_iterator(xcb_get_setup(C_)).data;
    Depth_ = s->root_depth;
    Window_ = xcb_generate_id(C_);
    const std::uint32_t values[] = {s->white_pixel, XCB_EVENT_MASK_EXPOSURE};
    xcb_create_window(C_, XCB_COPY_FROM_PARENT, Window_, s->root, 0, 0, kWidth, kHeight, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, s->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
    Gc_ = xcb_generate_id(C_);
    const std::uint32_t noExposures = 0;
    xcb_create_gc(C_, Gc_, Window_, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
    xcb_map_window(C_, Window_);
    Pixels_.assign(std::size_t(kWidth) * kHeight, 0x808000);
    // The shared segment, as the host lends it.
    const int id = shmget(IPC_PRIVATE, Pixels_.size() * 4, IPC_CREAT | 0600);
    if (id >= 0) {
      void* at = shmat(id, nullptr, 0);
      if (at != reinterpret_cast<void*>(-1)) {
        Shared_ = static_cast<std::uint32_t*>(at);
        std::memcpy(Shared_, Pixels_.data(), Pixels_.size() * 4);
        Segment_ = xcb_generate_id(C_);
        xcb_generic_error_t* e =
            xcb_request_check(C_, xcb_shm_attach_checked(C_, Segment_, std::uint32_t(id), 0));
        if (e != nullptr) {
          std::free(e);
          Segment_ = 0;
        }
      }
      shmctl(id, IPC_RMID, nullptr);
    }
    std::free(xcb_get_input_focus_reply(C_, xcb_get_input_focus(C_), nullptr));
    while (xcb_generic_event_t* e = xcb_poll_for_event(C_)) std::free(e);
  }
  ~TFloor() {
    if (Segment_ != 0) xcb_shm_detach(C_, Segment_);
    if (Shared_ != nullptr) shmdt(Shared_);
    xcb_disconnect(C_);
  }

  bool HasShm() const { return Segment_ != 0; }

  // Runs `ticks` ticks of the case, adding their CPU time (ns) and wake-ups to the sums.
  void Run(const TCase& c, int ticks, int ms, std::int64_t& cpu, long& woken) {
    bool awaiting = false;
    xcb_get_input_focus_cookie_t read{};
    std::int64_t deadline = Ns(CLOCK_MONOTONIC);
    // One tick first, unmeasured, so that nothing of the start is counted.
    std::int64_t cpu0 = 0;
    long woken0 = 0;
    for (int tick = -1; tick < ticks; ++tick) {
      if (tick == 0) {
        cpu0 = Ns(CLOCK_PROCESS_CPUTIME_ID);
        woken0 = Switches();
      }
      deadline += std::int64_t(ms) * 1000000;
      Sleep(deadline);
      if (c.Name == "put" || c.Name == "put+poll") {
        if (c.Name == "put+poll") {
          pollfd fd{xcb_get_file_descriptor(C_), POLLIN | POLLOUT, 0};
          poll(&fd, 1, 0);
        }
        xcb_put_image(C_, XCB_IMAGE_FORMAT_Z_PIXMAP, Window_, Gc_, std::uint16_t(c.W),
                      std::uint16_t(c.H), 0, 0, 0, Depth_, std::uint32_t(c.W * c.H * 4),
                      reinterpret_cast<const std::uint8_t*>(Pixels_.data()));
        xcb_flush(C_);
      } else if (c.Name == "shm" || c.Name == "shm-blind") {
        if (awaiting) std::free(xcb_get_input_focus_reply(C_, read, nullptr));
        awaiting = false;
        Shared_[tick & 1023] ^= 1;  // the drawing the wait guards
        xcb_shm_put_image(C_, Window_, Gc_, kWidth, kHeight, 0, 0, std::uint16_t(c.W),
                          std::uint16_t(c.H), 0, 0, Depth_, XCB_IMAGE_FORMAT_Z_PIXMAP, 0, Segment_,
                          0);
        if (c.Name == "shm") {
          read = xcb_get_input_focus(C_);
          awaiting = true;
        }
        xcb_flush(C_);
      }
    }
    if (awaiting) std::free(xcb_get_input_focus_reply(C_, read, nullptr));
    cpu += Ns(CLOCK_PROCESS_CPUTIME_ID) - cpu0;
    woken += Switches() - woken0;
  }

 private:
  // Until the deadline, reading (and dropping) whatever the server sends meanwhile.
  void Sleep(std::int64_t deadline) {
    for (;;) {
      const std::int64_t left = deadline - Ns(CLOCK_MONOTONIC);
      if (left <= 0) return;
      timespec t{time_t(left / 1000000000), long(left % 1000000000)};
      pollfd fd{xcb_get_file_descriptor(C_), POLLIN, 0};
      if (ppoll(&fd, 1, &t, nullptr) > 0) {
        while (xcb_generic_event_t* e = xcb_poll_for_event(C_)) std::free(e);
        if (xcb_connection_has_error(C_)) std::exit(1);
      }
    }
  }

  xcb_connection_t* C_ = nullptr;
  xcb_window_t Window_ = 0;
  xcb_gcontext_t Gc_ = 0;
  std::uint8_t Depth_ = 24;
  std::vector<std::uint32_t> Pixels_;
  std::uint32_t* Shared_ = nullptr;
  xcb_shm_seg_t Segment_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  const int ticks = argc > 1 ? std::atoi(argv[1]) : 100;
  const int ms = argc > 2 ? std::atoi(argv[2]) : 100;
  if (ticks <= 0 || ms <= 0) {
    std::fprintf(stderr, "usage: tick_floor [TICKS > 0] [MS > 0]\n");
    return 2;
  }
  TFloor floor;
  // What a tick sends now: the rows of the time box whose glyphs changed (32 x 11 at
  // scale 1, 64 x 22 at scale 2); about the 8 kB of a tick that drew all five boxes;
  // then the first again with XCB's poll, and by shared memory.
  std::vector<TCase> cases = {
      {"sleep"},       {"put", 32, 11},      {"put", 64, 22}, {"put", 64, 32}, {"put+poll", 32, 11},
      {"shm", 32, 11}, {"shm-blind", 32, 11}};
  // The cases take turns, a few ticks each, so that a change in the machine's load
  // weighs on all of them alike.
  const int rounds = std::max(1, ticks / 20);
  std::vector<std::int64_t> cpu(cases.size(), 0);
  std::vector<long> woken(cases.size(), 0);
  for (int round = 0; round < rounds; ++round) {
    for (std::size_t i = 0; i < cases.size(); ++i) {
      if (cases[i].Name.rfind("shm", 0) == 0 && !floor.HasShm()) continue;
      floor.Run(cases[i], ticks / rounds, ms, cpu[i], woken[i]);
    }
  }
  std::printf("%-22s %9s %11s %9s\n", "case", "bytes", "us/tick", "wakes");
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const TCase& c = cases[i];
    std::string what = c.Name;
    if (c.W > 0) what += " " + std::to_string(c.W) + "x" + std::to_string(c.H);
    if (c.Name.rfind("shm", 0) == 0 && !floor.HasShm()) {
      std::printf("%-22s no MIT-SHM on this server\n", what.c_str());
      continue;
    }
    const int n = ticks / rounds * rounds;
    std::printf("%-22s %9d %11.1f %9.2f\n", what.c_str(), c.W * c.H * 4,
                double(cpu[i]) / 1000.0 / n, double(woken[i]) / n);
  }
  return 0;
}
