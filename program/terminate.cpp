// What an uncaught exception prints before the program aborts. Linked in place of the
// C++ runtime's default handler, whose demangling of the exception's type is 45 kB of
// code in a program that links the runtime in; this one names what() instead.
#include <cstdio>
#include <cstdlib>
#include <exception>

namespace {

[[noreturn]] void Terminate() noexcept {
  if (const std::exception_ptr error = std::current_exception()) {
    try {
      std::rethrow_exception(error);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "terminate called after throwing an exception\n  what():  %s\n",
                   e.what());
    } catch (...) {
      std::fputs("terminate called after throwing an exception\n", stderr);
    }
  } else {
    std::fputs("terminate called without an active exception\n", stderr);
  }
  std::abort();
}

}  // namespace

// The runtime's own variable (libsupc++'s eh_term_handler.cc), which it starts
// std::terminate's handler from; defined here, the runtime's definition and the
// demangler it calls are left out of the link.
namespace __cxxabiv1 {
std::terminate_handler __terminate_handler = Terminate;
}  // namespace __cxxabiv1
