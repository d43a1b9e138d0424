#include "program/desktop_main.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include "app/entry.h"
#include "klop_config.h"
#include "platform/host/desktop_host.h"
#include "platform/host/scale.h"
#include "platform/host/scaled_host.h"
#include "program/app.h"
#include "program/command_line.h"
#include "res/klop_resources.h"

namespace {

// Help and version are the answer itself: failing to write them is a failure.
int Written() {
  return std::fflush(stdout) == 0 && std::ferror(stdout) == 0 ? 0 : 1;
}

}  // namespace

int DesktopMain(int argc, char** argv, const THostWrapper& wrap) {
  const TCommandLine line = ParseCommandLine(argc, argv);
  switch (line.Action) {
    case TCommandLine::TAction::Help:
      std::fputs(kHelp, stdout);
      return Written();
    case TCommandLine::TAction::Version:
      std::puts("klop " KLOP_VERSION);
      return Written();
    case TCommandLine::TAction::Refuse:
      std::fprintf(stderr, "klop: %s; %s\n", line.Error.c_str(), kUsage);
      return 2;
    case TCommandLine::TAction::Play:
      break;
  }
  std::string error;
  std::unique_ptr<platform::Host> host = platform::MakeDesktopHost(error);
  if (host == nullptr) {
    std::fprintf(stderr, "klop: %s\n", error.c_str());
    return 1;
  }
  int scale = platform::ChosenScale(line.Scale, std::getenv("GDK_SCALE"));
  if (scale == 0) scale = host->DesktopScale();
  host = platform::MakeScaledHost(std::move(host), scale);
  if (wrap) host = wrap(std::move(host));
  return RunProcess(*host, klop::Module(), argc, argv, ProgramMain);
}
