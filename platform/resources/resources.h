// Loading a module's bitmaps, cursors and icons.
#pragma once

#include "platform/constants.h"
#include "platform/types.h"

HBITMAP LoadBitmapA(HINSTANCE instance, LPCSTR name);
HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name);
HICON LoadIconA(HINSTANCE instance, LPCSTR name);
BOOL DestroyCursor(HCURSOR cursor);
BOOL DestroyIcon(HICON icon);
