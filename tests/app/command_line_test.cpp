// The program's command line, read before any display is opened.
#include <gtest/gtest.h>

#include <vector>

#include "program/command_line.h"

namespace {

using TAction = TCommandLine::TAction;

TEST(CommandLine, ActionsScalesAndRefusals) {
  struct TCase {
    std::vector<const char*> args;  // after the program's name
    TAction action;
    int scale;
  } cases[] = {
      {{}, TAction::Play, 0},
      {{"--scale", "2"}, TAction::Play, 2},
      {{"--scale=8"}, TAction::Play, 8},
      {{"--scale", "1", "--scale=3"}, TAction::Play, 3},
      {{"--help"}, TAction::Help, 0},
      {{"--version"}, TAction::Version, 0},
      {{"--version", "--help"}, TAction::Help, 0},
      {{"--scale"}, TAction::Refuse, 0},
      {{"--scale", "0"}, TAction::Refuse, 0},
      {{"--scale", "9"}, TAction::Refuse, 0},
      {{"--scale=1.5"}, TAction::Refuse, 0},
      {{"--scale="}, TAction::Refuse, 0},
      {{"--scale", "-2"}, TAction::Refuse, 0},
      {{"--scales=2"}, TAction::Refuse, 0},
      {{"-h"}, TAction::Refuse, 0},
      {{"--help", "game.txt"}, TAction::Refuse, 0},
  };
  for (const TCase& c : cases) {
    std::vector<const char*> argv{"klop"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    const TCommandLine line = ParseCommandLine(int(argv.size()), argv.data());
    std::string shown;
    for (const char* a : c.args) shown += std::string(a) + " ";
    EXPECT_EQ(line.Action, c.action) << shown;
    if (c.action == TAction::Refuse) {
      EXPECT_FALSE(line.Error.empty()) << shown;
    } else {
      EXPECT_EQ(line.Scale, c.scale) << shown;
    }
  }
}

}  // namespace
