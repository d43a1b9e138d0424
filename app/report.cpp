#include "app/report.h"

#include <string>
#include <typeinfo>

#include "app/errors.h"
#include "platform/platform.h"

namespace {

BOOL CALLBACK CountWindow(HWND, LPARAM count) {
  ++*reinterpret_cast<int*>(count);
  return TRUE;
}

}  // namespace

unsigned ReportModality() {
  if ((::GetVersion() & 0x80000000u) == 0) return MB_TASKMODAL;
  int windows = 0;
  ::EnumThreadWindows(::GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&windows));
  return windows > 0 ? MB_TASKMODAL : MB_SYSTEMMODAL;
}

int ReportError(const char* text, const char* prompt) {
  std::string message = (text != nullptr && text[0] != '\0') ? text : "Unknown Exception";
  if (prompt != nullptr) {
    message += '\n';
    message += prompt;
  }
  const UINT type = MB_ICONHAND | (prompt != nullptr ? MB_YESNO : MB_OK) | ReportModality();
  const int answer = ::MessageBoxExA(nullptr, message.c_str(), "Unhandled Exception", type, 0);
  // An error held while the box ran waits for the next return into the framework.
  return answer == IDYES ? 0 : -1;
}

int ReportCurrentError(const char* prompt) {
  try {
    throw;
  } catch (const std::bad_cast&) {
    return ReportError("std::bad_cast", prompt);
  } catch (const std::bad_typeid&) {
    return ReportError("std::bad_typeid", prompt);
  } catch (const std::exception& e) {
    return ReportError(e.what(), prompt);
  } catch (...) {
    return ReportError("", prompt);
  }
}
