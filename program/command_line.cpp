#include "program/command_line.h"

#include <string_view>

#include "platform/host/scale.h"

const char kUsage[] = "usage: klop [--scale N] [--help] [--version]";

const char kHelp[] =
    "usage: klop [--scale N] [--help] [--version]\n"
    "\n"
    "Klop!: hit the critters as they come up out of their holes.\n"
    "\n"
    "  --scale N   show every pixel as N x N (1 to 8); by default the desktop's\n"
    "              scale: GDK_SCALE, else the screen's (Wayland) or the X\n"
    "              resource Xft.dpi / 96 (X11)\n"
    "  --help      print this help and exit\n"
    "  --version   print the version and exit\n"
    "\n"
    "On a Wayland display (WAYLAND_DISPLAY) the game runs on its own Wayland host,\n"
    "else on an X11 display (DISPLAY) on its own X11 host. KLOP_HOST=wayland,\n"
    "KLOP_HOST=x11 or KLOP_HOST=sdl chooses one.\n";

namespace {

// A scale in range, written as a plain decimal number; 0 for anything else.
int ScaleOf(std::string_view text) {
  if (text.empty() || text.size() > 2) return 0;
  int n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return 0;
    n = n * 10 + (c - '0');
  }
  return n >= platform::kMinScale && n <= platform::kMaxScale ? n : 0;
}

}  // namespace

TCommandLine ParseCommandLine(int argc, const char* const* argv) {
  TCommandLine line;
  bool help = false;
  bool version = false;
  auto refuse = [&line](std::string why) {
    line.Action = TCommandLine::TAction::Refuse;
    line.Error = std::move(why);
    return line;
  };
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i] != nullptr ? argv[i] : "";
    if (arg == "--help") {
      help = true;
    } else if (arg == "--version") {
      version = true;
    } else if (arg == "--scale" || arg.starts_with("--scale=")) {
      std::string_view value;
      if (arg == "--scale") {
        if (i + 1 >= argc || argv[i + 1] == nullptr) return refuse("--scale needs a number");
        value = argv[++i];
      } else {
        value = arg.substr(8);
      }
      line.Scale = ScaleOf(value);
      if (line.Scale == 0) return refuse("--scale takes a whole number from 1 to 8");
    } else if (arg.starts_with("-")) {
      return refuse("unknown option '" + std::string(arg) + "'");
    } else {
      return refuse("unexpected argument '" + std::string(arg) + "'");
    }
  }
  if (help) {
    line.Action = TCommandLine::TAction::Help;
  } else if (version) {
    line.Action = TCommandLine::TAction::Version;
  }
  return line;
}
