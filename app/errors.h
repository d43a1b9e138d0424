// The framework's errors: `xmsg`, the standard error carrying a text; `TXBase`, the
// framework errors derived from it, each made from a numeric id; `xalloc`, memory
// exhaustion. And the hold that carries an error across platform code: a handler's
// error is caught where the platform delivered the message, held, and raised again
// when the platform call returns into the framework, so that no C++ exception ever
// unwinds through the platform.
#pragma once

#include <exception>
#include <new>
#include <string>

class xmsg : public std::exception {
 public:
  explicit xmsg(std::string text) : Text(std::move(text)) {}
  const char* what() const noexcept override { return Text.c_str(); }
  const std::string& why() const noexcept { return Text; }

 private:
  std::string Text;
};

// Memory exhaustion, as the standard library raises it.
using xalloc = std::bad_alloc;

// The ids of the framework's error texts.
enum : unsigned {
  kIdGdiFailure = 32739,            // a drawing object or context refused
  kIdChildCreateFailure = 32745,    // a child window not created during set-up
  kIdExecuteFailure = 32746,        // a modal dialog not run
  kIdCreateFailure = 32747,         // a window not created
  kIdChildRegisterFailure = 32748,  // a dialog child's window class not registered
  kIdRegisterFailure = 32749,       // a window class not registered
  kIdNoMainWindow = 32759,          // no main window after building it
  kIdInvalidModule = 32760,         // a library not loaded
};

// The text for an id. The program has no string table, so it is always the same.
std::string ErrorText(unsigned id);

class TXBase : public xmsg {
 public:
  explicit TXBase(unsigned id) : xmsg(ErrorText(id)), Id(id) {}
  unsigned GetId() const { return Id; }

 private:
  unsigned Id;
};

// The hold: one error at most. A later error while one is held is dropped: the first
// is the one that stopped the work.
void HoldCurrentError() noexcept;  // inside a catch block
bool HasHeldError() noexcept;
// Raises the held error, if any, and empties the hold.
void RaiseHeldError();
void DropHeldError() noexcept;

// Put around a platform call that may deliver messages: Raise raises what was held
// while the call ran. An error held before it belongs to an outer call still running
// and waits for that one to return.
class THoldScope {
 public:
  THoldScope() : Outer(HasHeldError()) {}
  void Raise() const {
    if (!Outer) RaiseHeldError();
  }

 private:
  bool Outer;
};
