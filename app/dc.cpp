#include "app/dc.h"

#include <cstring>

namespace {

int Length(const char* text, int count) {
  if (text == nullptr) return 0;
  return count >= 0 ? count : static_cast<int>(std::strlen(text));
}

}  // namespace

TDC::~TDC() {
  RestoreObjects();
}

void TDC::Remember(HGDIOBJ& slot, HGDIOBJ replaced) {
  if (slot == nullptr) slot = replaced;
}

void TDC::SelectObject(const TBrush& brush) {
  Remember(OrgBrush, ::SelectObject(Handle, brush.GetHandle()));
}

void TDC::SelectStockObject(int index) {
  ::SelectObject(Handle, ::GetStockObject(index));
}

void TDC::RestoreBrush() {
  if (OrgBrush != nullptr) ::SelectObject(Handle, OrgBrush);
  OrgBrush = nullptr;
}

void TDC::RestorePen() {
  if (OrgPen != nullptr) ::SelectObject(Handle, OrgPen);
  OrgPen = nullptr;
}

void TDC::RestoreFont() {
  if (OrgFont != nullptr) ::SelectObject(Handle, OrgFont);
  OrgFont = nullptr;
}

void TDC::RestoreObjects() {
  RestoreBrush();
  RestorePen();
  RestoreFont();
}

bool TDC::BitBlt(int x, int y, int width, int height, const TDC& source, int xSource, int ySource,
                 DWORD rop) const {
  return ::BitBlt(Handle, x, y, width, height, source.Handle, xSource, ySource, rop) != FALSE;
}

bool TDC::Rectangle(int left, int top, int right, int bottom) const {
  return ::Rectangle(Handle, left, top, right, bottom) != FALSE;
}

bool TDC::FillRect(const RECT& r, const TBrush& brush) const {
  return ::FillRect(Handle, &r, brush.GetHandle()) != 0;
}

COLORREF TDC::SetBkColor(COLORREF color) const {
  return ::SetBkColor(Handle, color);
}

int TDC::SetBkMode(int mode) const {
  return ::SetBkMode(Handle, mode);
}

COLORREF TDC::SetTextColor(COLORREF color) const {
  return ::SetTextColor(Handle, color);
}

bool TDC::TextOut(int x, int y, const char* text, int count) const {
  return ::TextOutA(Handle, x, y, text, Length(text, count)) != FALSE;
}

bool TDC::ExtTextOut(int x, int y, UINT options, const RECT* rect, const char* text,
                     int count) const {
  return ::ExtTextOutA(Handle, x, y, options, rect, text ? text : "",
                       static_cast<UINT>(Length(text, count)), nullptr) != FALSE;
}

bool TDC::DrawIcon(int x, int y, HICON icon) const {
  return ::DrawIcon(Handle, x, y, icon) != FALSE;
}

TClientDC::TClientDC(HWND hwnd) : Window(hwnd) {
  Handle = ::GetDC(hwnd);
  if (Handle == nullptr) throw TGdiBase::TXGdi();
}

TClientDC::~TClientDC() {
  RestoreObjects();
  ::ReleaseDC(Window, Handle);
}

TPaintDC::TPaintDC(HWND hwnd) : Window(hwnd) {
  Handle = ::BeginPaint(hwnd, &Ps);
  if (Handle == nullptr) throw TGdiBase::TXGdi();
}

TPaintDC::~TPaintDC() {
  RestoreObjects();
  ::EndPaint(Window, &Ps);
}

TMemoryDC::TMemoryDC(const TDC& compatible) {
  Handle = ::CreateCompatibleDC(compatible.GetHandle());
  if (Handle == nullptr) throw TGdiBase::TXGdi();
}

TMemoryDC::~TMemoryDC() {
  RestoreBitmap();
  RestoreObjects();
  ::DeleteDC(Handle);
}

void TMemoryDC::SelectObject(const TBitmap& bitmap) {
  Remember(OrgBitmap, ::SelectObject(Handle, bitmap.GetHandle()));
}

void TMemoryDC::RestoreBitmap() {
  if (OrgBitmap != nullptr) ::SelectObject(Handle, OrgBitmap);
  OrgBitmap = nullptr;
}
