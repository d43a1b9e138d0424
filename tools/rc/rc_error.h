// The one error the resource compiler reports: a fault in a script or a picture,
// located at the file and line that show it.
#pragma once

#include <stdexcept>
#include <string>

namespace klop::rc {

class TRcError : public std::runtime_error {
 public:
  TRcError(const std::string& file, int line, const std::string& message)
      : std::runtime_error(file + ":" + std::to_string(line) + ": " + message),
        File(file),
        Line(line),
        Message(message) {}

  std::string File;
  int Line;
  std::string Message;
};

}  // namespace klop::rc
