// klop-rc: compiles a resource script into a generated C++ resource table.
#include <iostream>
#include <string>
#include <vector>

#include "tools/rc/compiler.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return klop::rc::RunCompiler(args, std::cerr);
}
