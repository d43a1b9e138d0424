// The storm: the whole program, from the entry the tests use, on a headless host under
// a stream of input decoded from bytes: pointer moves, presses and double-clicks
// anywhere, keys, menu choices by mouse and by keyboard, the dialogs' controls,
// minimise, restore, resize, the desktop's close request (the program starts again
// while input is left) and jumps of the virtual clock. Every time the program waits,
// the game's and the platform's invariants are checked; the first one broken stops the
// storm with a report.
//
// The soak is the same driver fed by a player instead of bytes: an hour of games on the
// virtual clock, with the platform's objects and the heap measured at rest.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace klop_storm {

// How far a storm reached: the states its checks saw.
struct TStormReach {
  int Runs = 0;           // program starts
  int Checks = 0;         // moments the invariants were checked
  int PictureChecks = 0;  // of them, with the panel and holes read back
  int Games = 0;          // games seen starting
  int Running = 0;        // checks during a game running
  int Paused = 0;         // checks during a paused game
  int Minimised = 0;      // checks with the frame minimised
  int MenuOpen = 0;       // checks with a popup menu open
  int About = 0;          // checks with each dialog open
  int Options = 0;
  int Refused = 0;        // checks with the options' error message open
  int OptionChanges = 0;  // times the game's options were seen other than at the last check
};

// "" when every check held, else what broke, the state around it and the events that
// led there.
std::string RunStorm(const std::uint8_t* data, std::size_t size, TStormReach* reach = nullptr);

struct TObjectCounts {
  std::size_t Windows = 0;
  std::size_t DCs = 0;
  std::size_t GdiObjects = 0;
  std::size_t Timers = 0;
  std::size_t Menus = 0;
  bool operator==(const TObjectCounts&) const = default;
};

struct TSoakFigures {
  std::string Report;    // as RunStorm's
  long Ticks = 0;        // clock ticks played
  int Games = 0;         // games started
  int RestPoints = 0;    // moments at rest measured after the first minute
  TObjectCounts Counts;  // at the first of them
  bool CountsFlat = true;
  std::size_t HeapFirst = 0;  // bytes in use at the first of them
  std::size_t HeapLow = 0;
  std::size_t HeapHigh = 0;
};

// Plays until `ticks` ticks of the game's clock have passed.
TSoakFigures RunSoak(std::uint32_t seed, long ticks);

}  // namespace klop_storm
