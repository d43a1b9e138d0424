// The program's command line: `klop [--scale N]`, `klop --help`, `klop --version`.
// Read before anything else is made, so that help and version need no display.
#pragma once

#include <string>

struct TCommandLine {
  enum class TAction { Play, Help, Version, Refuse };
  TAction Action = TAction::Play;
  int Scale = 0;      // --scale N, 1..8; 0 when not given (the desktop's scale then)
  std::string Error;  // why the line was refused
};

TCommandLine ParseCommandLine(int argc, const char* const* argv);

// The one-line usage, without a line end.
extern const char kUsage[];
// What --help prints.
extern const char kHelp[];
