// Klop!: the program on the desktop.
#include <cstdio>
#include <memory>
#include <string>

#include "program/app.h"
#include "app/entry.h"
#include "platform/host/sdl_host.h"
#include "res/klop_resources.h"

int main(int argc, char** argv) {
  std::string error;
  std::unique_ptr<platform::Host> host = platform::MakeSdlHost(error);
  if (host == nullptr) {
    std::fprintf(stderr, "klop: cannot open the display: %s\n", error.c_str());
    return 1;
  }
  return RunProcess(*host, klop::Module(), argc, argv, ProgramMain);
}
