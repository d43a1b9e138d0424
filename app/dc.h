// Drawing contexts. Each puts back at its release what it had selected: the pen,
// brush and font it held before the first selection of each kind (a memory context
// also its first bitmap), then releases the platform context the way it was had.
#pragma once

#include "app/gdi_objects.h"
#include "platform/platform.h"

class TDC {
 public:
  // Wraps a context that someone else owns (the one WM_ERASEBKGND brings): release
  // puts back what this object selected and leaves the context alone.
  explicit TDC(HDC handle) : Handle(handle) {}
  virtual ~TDC();
  TDC(const TDC&) = delete;
  TDC& operator=(const TDC&) = delete;

  HDC GetHandle() const { return Handle; }
  operator HDC() const { return Handle; }

  // Selecting a brush remembers the one before (the first time); a stock object
  // is selected without remembering anything.
  void SelectObject(const TBrush& brush);
  void SelectStockObject(int index);
  void RestoreBrush();
  void RestorePen();
  void RestoreFont();
  void RestoreObjects();

  bool BitBlt(int x, int y, int width, int height, const TDC& source, int xSource, int ySource,
              DWORD rop = SRCCOPY) const;
  bool Rectangle(int left, int top, int right, int bottom) const;
  bool Rectangle(const RECT& r) const { return Rectangle(r.left, r.top, r.right, r.bottom); }
  bool FillRect(const RECT& r, const TBrush& brush) const;
  COLORREF SetBkColor(COLORREF color) const;
  int SetBkMode(int mode) const;
  COLORREF SetTextColor(COLORREF color) const;
  // `count` -1: up to the terminating zero.
  bool TextOut(int x, int y, const char* text, int count = -1) const;
  bool ExtTextOut(int x, int y, UINT options, const RECT* rect, const char* text,
                  int count = -1) const;
  bool DrawIcon(int x, int y, HICON icon) const;

 protected:
  TDC() = default;
  // Remembers what `object` replaced, the first time for its kind.
  void Remember(HGDIOBJ& slot, HGDIOBJ replaced);

  HDC Handle = nullptr;

 private:
  HGDIOBJ OrgBrush = nullptr;
  HGDIOBJ OrgPen = nullptr;
  HGDIOBJ OrgFont = nullptr;
};

// A window's client area: GetDC, ReleaseDC.
class TClientDC : public TDC {
 public:
  // Raises TGdiBase::TXGdi when the platform gives no context.
  explicit TClientDC(HWND hwnd);
  ~TClientDC() override;

 private:
  HWND Window;
};

// The context of the paint handling: BeginPaint, EndPaint.
class TPaintDC : public TDC {
 public:
  // Raises TGdiBase::TXGdi when the platform gives no context.
  explicit TPaintDC(HWND hwnd);
  ~TPaintDC() override;

  PAINTSTRUCT Ps{};

 private:
  HWND Window;
};

// A memory context compatible with another: CreateCompatibleDC, DeleteDC.
class TMemoryDC : public TDC {
 public:
  // Raises TGdiBase::TXGdi when the platform gives no context.
  explicit TMemoryDC(const TDC& compatible);
  ~TMemoryDC() override;

  // Selects the bitmap; the context's first bitmap is put back at release.
  void SelectObject(const TBitmap& bitmap);
  using TDC::SelectObject;
  void RestoreBitmap();

 private:
  HGDIOBJ OrgBitmap = nullptr;
};
