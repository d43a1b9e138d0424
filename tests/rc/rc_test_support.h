// Helpers shared by the resource compiler's tests.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include <unistd.h>

#include "tools/rc/rc_error.h"

namespace klop::rc::test {

// Runs `f`, expecting a TRcError at `file`:`line` whose message contains `part`.
inline void ExpectRcError(const std::function<void()>& f, const std::string& file, int line,
                          const std::string& part) {
  try {
    f();
    ADD_FAILURE() << "no error; expected " << file << ":" << line << ": ..." << part;
  } catch (const TRcError& e) {
    EXPECT_EQ(e.File, file);
    EXPECT_EQ(e.Line, line) << e.what();
    EXPECT_NE(e.Message.find(part), std::string::npos) << e.what();
    EXPECT_EQ(std::string(e.what()), file + ":" + std::to_string(line) + ": " + e.Message);
  }
}

// A fresh folder under the system's temporary folder, removed with the object.
class TTempDir {
 public:
  TTempDir() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    Path = std::filesystem::temp_directory_path() /
           ("klop_rc_" + std::string(info->test_suite_name()) + "_" + info->name() + "_" +
            std::to_string(::getpid()));
    std::filesystem::remove_all(Path);
    std::filesystem::create_directories(Path);
  }
  ~TTempDir() {
    std::error_code ec;
    std::filesystem::remove_all(Path, ec);
  }
  std::string Write(const std::string& name, const std::string& text) const {
    const std::string p = (Path / name).string();
    std::ofstream(p, std::ios::binary) << text;
    return p;
  }
  std::string File(const std::string& name) const { return (Path / name).string(); }

  std::filesystem::path Path;
};

}  // namespace klop::rc::test
