// The process entry: chooses nothing but what it is given. The shipped program's
// `main` passes the desktop host; tests pass a headless one to the same function.
#pragma once

#include <string>

#include "platform/host/host.h"
#include "platform/types.h"

// The program's main function, given the process's argument count and vector.
using TProgramMain = int (*)(int argc, char** argv);

// The process's command line, from its arguments: each one quoted when it holds a
// blank or a tab, separated by single blanks.
std::string CommandLineOf(int argc, char** argv);

// What follows the program's name in a command line: a name in double quotes may hold
// blanks; the blanks and tabs after the name are skipped too.
const char* SkipProgramName(const char* commandLine);

// Installs `host`, records the program's instance, the command line without the
// program's name and the show command SW_SHOWDEFAULT for the application, and calls
// `programMain`. An error escaping it is reported and the answer is then -1.
int RunProcess(platform::Host& host, HINSTANCE instance, int argc, char** argv,
               TProgramMain programMain);
