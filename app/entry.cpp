#include "app/entry.h"

#include "app/application.h"
#include "app/errors.h"
#include "app/report.h"

std::string CommandLineOf(int argc, char** argv) {
  std::string line;
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i] ? argv[i] : "";
    if (i > 0) line += ' ';
    if (arg.find_first_of(" \t") != std::string::npos || arg.empty()) {
      line += '"' + arg + '"';
    } else {
      line += arg;
    }
  }
  return line;
}

const char* SkipProgramName(const char* commandLine) {
  if (commandLine == nullptr) return "";
  const char* p = commandLine;
  if (*p == '"') {
    ++p;
    while (*p != '\0' && *p != '"') ++p;
    if (*p == '"') ++p;
  } else {
    while (*p != '\0' && *p != ' ' && *p != '\t') ++p;
  }
  while (*p == ' ' || *p == '\t') ++p;
  return p;
}

int RunProcess(platform::Host& host, HINSTANCE instance, int argc, char** argv,
               TProgramMain programMain) {
  platform::InstallHost(host);
  const std::string line = CommandLineOf(argc, argv);
  TApplication::SetStartup(instance, SkipProgramName(line.c_str()), SW_SHOWDEFAULT);
  int status;
  try {
    status = programMain(argc, argv);
  } catch (...) {
    status = ReportCurrentError(nullptr);
  }
  DropHeldError();  // nothing is left to raise it
  return status;
}
