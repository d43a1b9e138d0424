// Graphics objects, each owning its platform object and deleting it with itself.
#pragma once

#include "app/errors.h"
#include "platform/platform.h"

class TModule;

class TGdiBase {
 public:
  // A drawing object or context that the platform refused.
  class TXGdi : public TXBase {
   public:
    explicit TXGdi(unsigned id = kIdGdiFailure) : TXBase(id) {}
  };
};

// A bitmap resource loaded by name.
class TBitmap : public TGdiBase {
 public:
  // Raises TXGdi when it cannot be loaded.
  TBitmap(const TModule& module, const char* name);
  ~TBitmap();
  TBitmap(const TBitmap&) = delete;
  TBitmap& operator=(const TBitmap&) = delete;

  HBITMAP GetHandle() const { return Handle; }
  int Width() const;
  int Height() const;

 private:
  HBITMAP Handle;
};

// A solid brush of one colour.
class TBrush : public TGdiBase {
 public:
  // Raises TXGdi when the platform refuses it.
  explicit TBrush(COLORREF color);
  ~TBrush();
  TBrush(const TBrush&) = delete;
  TBrush& operator=(const TBrush&) = delete;

  HBRUSH GetHandle() const { return Handle; }

 private:
  HBRUSH Handle;
};
