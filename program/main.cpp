// Klop!: the program on the desktop.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/entry.h"
#include "platform/host/sdl_host.h"
#include "platform/host/x11/x11_host.h"
#include "program/app.h"
#include "res/klop_resources.h"

int main(int argc, char** argv) {
  std::string error;
  // For now the X11 host only when asked for by KLOP_HOST=x11.
  const char* asked = std::getenv("KLOP_HOST");
  const bool x11 = asked != nullptr && std::string(asked) == "x11";
  std::unique_ptr<platform::Host> host =
      x11 ? platform::MakeX11Host(error) : platform::MakeSdlHost(error);
  if (host == nullptr) {
    std::fprintf(stderr, "klop: cannot open the display: %s\n", error.c_str());
    return 1;
  }
  return RunProcess(*host, klop::Module(), argc, argv, ProgramMain);
}
