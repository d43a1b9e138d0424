// The shipped program's entry and main function on a headless host, for a test that
// checks the process's exit status:
//   app_exit_probe close            the desktop closes the frame after a second: 0
//   app_exit_probe refuse-register  the window class is refused; the report is
//                                   answered with Enter: -1, exit status 255
#include <chrono>
#include <cstdio>
#include <cstring>

#include "program/app.h"
#include "app/entry.h"
#include "platform/host/headless.h"
#include "platform/platform.h"
#include "res/klop_resources.h"

int main(int argc, char** argv) {
  using std::chrono::milliseconds;
  if (argc != 2) {
    std::fputs("usage: app_exit_probe close|refuse-register\n", stderr);
    return 2;
  }
  platform::THeadlessHost host;
  host.AbortOnRunOut(true);  // a program left waiting is a failure, not a hang
  constexpr platform::HostWindow kFirstWindow = 1;
  if (std::strcmp(argv[1], "close") == 0) {
    host.CloseAt(milliseconds(1000), kFirstWindow);
  } else if (std::strcmp(argv[1], "refuse-register") == 0) {
    platform::RefuseForTesting(platform::TOperation::RegisterClassA);
    host.KeyAt(milliseconds(1000), VK_RETURN, true);
    host.KeyAt(milliseconds(1010), VK_RETURN, false);
  } else {
    std::fprintf(stderr, "app_exit_probe: unknown case '%s'\n", argv[1]);
    return 2;
  }
  return RunProcess(host, klop::Module(), argc, argv, ProgramMain);
}
