// The resource compiler's driver: reads a script and the pictures it names, turns
// them into resource bytes, and writes the generated C++ table only when it changed.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "platform/resources/resource_table.h"
#include "tools/rc/byte_writer.h"

namespace klop::rc {

struct TCompiledResource {
  platform::ResourceKind Kind;
  std::string Name;  // upper case
  TBytes Data;
};

struct TCompiledScript {
  std::vector<TCompiledResource> Resources;  // in script order
  std::vector<std::string> Inputs;           // the script, then every picture it names
};

// Throws TRcError for any fault of the script or its pictures (a missing or
// unreadable picture is reported at the script line that names it). Picture files are
// relative to `pictureFolder`, or to the script's own folder when it is empty: a script
// filled in at build time lives in the build folder, away from its pictures.
TCompiledScript CompileScript(const std::string& scriptPath, const std::string& pictureFolder = {});

// C++ source defining `const platform::ResourceTable& <function>()`, where
// `function` may be qualified ("klop::ResourceTable").
std::string EmitTable(const TCompiledScript& script, const std::string& function);

// Make-style dependency list: "<target>: <inputs>".
std::string EmitDepfile(const std::string& target, const std::vector<std::string>& inputs);

// Writes `content` to `path` unless the file already holds exactly that; answers
// whether it wrote. Throws std::runtime_error when the file cannot be written.
bool WriteIfChanged(const std::string& path, const std::string& content);

// The command line: klop-rc SCRIPT -o OUTPUT.cpp [--function NAME] [--pictures FOLDER]
// [--depfile FILE [--depfile-target NAME]] (the depfile's target defaults to OUTPUT.cpp).
// Answers the exit code; reports errors on `err` as "file:line: message".
int RunCompiler(const std::vector<std::string>& args, std::ostream& err);

}  // namespace klop::rc
