// Loading a module's bitmaps, cursors and icons, and libraries.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/constants.h"
#include "platform/types.h"

HBITMAP LoadBitmapA(HINSTANCE instance, LPCSTR name);
HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name);
HICON LoadIconA(HINSTANCE instance, LPCSTR name);
BOOL DestroyCursor(HCURSOR cursor);
BOOL DestroyIcon(HICON icon);

// Libraries. This platform ships none: LoadLibraryA answers nullptr for every name
// unless a test added a library of that name. Names are compared ignoring case.
HMODULE LoadLibraryA(LPCSTR fileName);
FARPROC GetProcAddress(HMODULE module, LPCSTR procName);
BOOL FreeLibrary(HMODULE module);

namespace platform {

// Makes LoadLibraryA(name) load a library exporting `exports` until the next
// ResetForTesting. Each load counts until FreeLibrary.
void AddLibraryForTesting(const std::string& name,
                          std::vector<std::pair<std::string, FARPROC>> exports);
// How many loads of the library `name` are not yet freed.
int LibraryLoadsForTesting(const std::string& name);
void ResetLibraries();

}  // namespace platform
