#include "app/errors.h"

#include <cstdio>

namespace {

// A framework error is held whole; any other error as an xmsg with its text (empty
// when it has none).
std::exception_ptr g_held;

std::exception_ptr AsText(const char* text) noexcept {
  try {
    return std::make_exception_ptr(xmsg(text));
  } catch (...) {
    return std::current_exception();  // no memory for the text
  }
}

}  // namespace

std::string ErrorText(unsigned id) {
  char text[64];
  std::snprintf(text, sizeof text, "Exception #%u (no message available).", id);
  return text;
}

void HoldCurrentError() noexcept {
  if (g_held) return;
  try {
    throw;
  } catch (const TXBase&) {
    g_held = std::current_exception();
  } catch (const std::exception& e) {
    g_held = AsText(e.what());
  } catch (...) {
    g_held = AsText("");
  }
}

bool HasHeldError() noexcept {
  return static_cast<bool>(g_held);
}

void RaiseHeldError() {
  if (!g_held) return;
  std::exception_ptr e = std::move(g_held);
  g_held = nullptr;
  std::rethrow_exception(e);
}

void DropHeldError() noexcept {
  g_held = nullptr;
}
