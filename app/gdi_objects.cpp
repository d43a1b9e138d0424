#include "app/gdi_objects.h"

#include "app/module.h"

TBitmap::TBitmap(const TModule& module, const char* name)
    : Handle(::LoadBitmapA(module.GetInstance(), name)) {
  if (Handle == nullptr) throw TXGdi();
}

TBitmap::~TBitmap() {
  ::DeleteObject(Handle);
}

int TBitmap::Width() const {
  BITMAP b{};
  return ::GetObjectA(Handle, sizeof b, &b) ? b.bmWidth : 0;
}

int TBitmap::Height() const {
  BITMAP b{};
  return ::GetObjectA(Handle, sizeof b, &b) ? b.bmHeight : 0;
}

TBrush::TBrush(COLORREF color) : Handle(::CreateSolidBrush(color)) {
  if (Handle == nullptr) throw TXGdi();
}

TBrush::~TBrush() {
  ::DeleteObject(Handle);
}
