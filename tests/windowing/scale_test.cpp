// Whole-number scaling: the desktop's scale as chosen from GDK_SCALE and Xft.dpi, and the
// scaling host on the headless one, which here stands for the device.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/host/headless.h"
#include "platform/host/scale.h"
#include "platform/host/scaled_host.h"

namespace platform {
namespace {

using std::chrono::milliseconds;

TEST(DesktopScale, ComesFromGdkScaleElseXftDpi) {
  struct TCase {
    const char* gdk;
    const char* resources;
    int scale;
  } cases[] = {
      {"2", "Xft.dpi: 96\n", 2},
      {" 3 ", nullptr, 3},
      {"1.5", "Xft.dpi:\t192\n", 2},  // not whole: Xft.dpi decides
      {"9", nullptr, 1},
      {"0", "Xft.dpi: 288", 3},
      {nullptr, "Xft.dpi: 144", 2},  // 1.5 rounds up
      {nullptr, "Xft.dpi: 143.9", 1},
      {nullptr, "Xft.antialias: 1\nXft.dpi: 96\nXft.dpi: 288\n", 3},  // the last one holds
      {nullptr, "Xft.dpi: 1e300", 8},
      {nullptr, "Xft.dpi: 24", 1},
      {nullptr, "Xft.dpi: -192", 1},
      {nullptr, "Xft.dpi: 192px", 1},
      {nullptr, "Xft.dpis: 192\n*dpi: 192", 1},
      {nullptr, "", 1},
  };
  for (const TCase& c : cases) {
    // As the program's start chooses: GDK_SCALE, else what the X desktop asks.
    int scale = ChosenScale(0, c.gdk);
    if (scale == 0) scale = XftScaleOf(c.resources);
    EXPECT_EQ(scale, c.scale)
        << (c.gdk ? c.gdk : "(none)") << " / " << (c.resources ? c.resources : "(none)");
  }
  EXPECT_EQ(ChosenScale(3, "2"), 3);  // --scale wins
}

class ScaledHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto device = std::make_unique<THeadlessHost>();
    Device = device.get();
    Host_ = MakeScaledHost(std::move(device), 2);
    HostWindowSpec asked;
    asked.width = 3;
    asked.height = 2;
    asked.x = 10;
    asked.y = 20;
    Window = Host_->CreateWindow(asked);
  }

  const THeadlessHost::TWindowState& Shown() const { return *Device->Window(Window); }
  std::uint32_t ShownAt(int x, int y) const {
    return Shown().pixels[std::size_t(y) * std::size_t(Shown().bounds.width) + std::size_t(x)];
  }

  THeadlessHost* Device = nullptr;
  std::unique_ptr<Host> Host_;
  HostWindow Window = 0;
};

TEST_F(ScaledHostTest, PresentsEachPixelAsABlockAndOnlyTheDirtyRectangles) {
  EXPECT_EQ(Shown().bounds.x, 20);
  EXPECT_EQ(Shown().bounds.width, 6);
  // A 3 x 2 surface in a stride of 4; the fourth column is not the surface's.
  std::vector<std::uint32_t> pixels{1, 2, 3, 99, 4, 5, 6, 99};
  const HostRect all{0, 0, 3, 2};
  Host_->Present(Window, pixels.data(), 3, 2, 4, &all, 1);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 6; ++x) {
      EXPECT_EQ(ShownAt(x, y), pixels[std::size_t(y / 2) * 4 + std::size_t(x / 2)])
          << x << "," << y;
    }
  }
  pixels = {7, 7, 7, 99, 7, 7, 7, 99};
  const HostRect one{1, 1, 5, 5};  // reaches past the surface: (1,1) and (2,1) remain
  const std::size_t before = Device->PresentedRects();
  Host_->Present(Window, pixels.data(), 3, 2, 4, &one, 1);
  EXPECT_EQ(Device->PresentedRects(), before + 1);
  EXPECT_EQ(ShownAt(1, 1), 1u);  // outside the rectangle: as it was
  EXPECT_EQ(ShownAt(1, 2), 4u);
  EXPECT_EQ(ShownAt(2, 2), 7u);
  EXPECT_EQ(ShownAt(5, 3), 7u);
}

TEST_F(ScaledHostTest, MapsInputAndGeometryBack) {
  Device->SetDecorations({1, 20, 1, 5});
  Device->SetWorkArea({1, 25, 1023, 743});
  Device->CapturePointer(Window, true);
  const HostTime t{milliseconds(1)};
  Device->MoveAt(t, 23, 45);                  // window pixel (3,5) -> (1,2)
  Device->MoveAt(t, 19, 40);                  // (-1,0), outside but captured -> (-1,0)
  Device->ExposeAt(t, Window, {3, 3, 4, 2});  // device 3..6 x 3..4 -> 1..3 x 1..2
  Device->ResizeAt(t, Window, 7, 5);
  Device->MoveWindowAt(t, Window, 21, 41);
  Device->AdvanceTime(milliseconds(2));
  struct TExpected {
    HostEventKind kind;
    int x, y, width, height;
  } expected[] = {
      {HostEventKind::PointerMove, 1, 2, 0, 0}, {HostEventKind::PointerMove, -1, 0, 0, 0},
      {HostEventKind::Exposed, 1, 1, 3, 2},     {HostEventKind::Resized, 0, 0, 4, 3},
      {HostEventKind::Moved, 10, 20, 0, 0},
  };
  for (const TExpected& want : expected) {
    HostEvent e;
    ASSERT_TRUE(Host_->NextEvent(e));
    EXPECT_EQ(e.kind, want.kind);
    EXPECT_EQ(e.x, want.x) << int(want.kind);
    EXPECT_EQ(e.y, want.y) << int(want.kind);
    EXPECT_EQ(e.width, want.width) << int(want.kind);
    EXPECT_EQ(e.height, want.height) << int(want.kind);
  }

  // The desktop left the window on odd pixels: asked again where it is, it stays.
  const HostRect b = Host_->Bounds(Window);
  EXPECT_EQ(b.x, 10);
  EXPECT_EQ(b.width, 4);
  Host_->SetBounds(Window, b);
  EXPECT_EQ(Shown().bounds.x, 21);
  EXPECT_EQ(Shown().bounds.width, 7);
  // A popup menu keeps its distance from its owner in device pixels, odd ones included.
  HostWindowSpec menu;
  menu.popup = true;
  menu.owner = Window;
  menu.x = 12;
  menu.y = 22;
  menu.width = menu.height = 1;
  const HostWindow popup = Host_->CreateWindow(menu);
  EXPECT_EQ(Device->Window(popup)->bounds.x, 25);
  EXPECT_EQ(Device->Window(popup)->bounds.y, 45);
  Host_->SetBounds(popup, {13, 20, 1, 1});
  EXPECT_EQ(Device->Window(popup)->bounds.x, 27);
  EXPECT_EQ(Device->Window(popup)->bounds.y, 41);
  Host_->DestroyWindow(popup);

  Host_->SetBounds(Window, {11, 20, 4, 2});
  EXPECT_EQ(Shown().bounds.x, 22);
  EXPECT_EQ(Shown().bounds.y, 41);
  EXPECT_EQ(Shown().bounds.height, 4);

  const HostInsets in = Host_->Decorations(Window);  // rounded up
  EXPECT_EQ(in.left, 1);
  EXPECT_EQ(in.top, 10);
  EXPECT_EQ(in.bottom, 3);
  const HostRect area = Host_->WorkArea();  // device 1..1023 x 25..767 -> 1..511 x 13..383
  EXPECT_EQ(area.x, 1);
  EXPECT_EQ(area.y, 13);
  EXPECT_EQ(area.width, 511);
  EXPECT_EQ(area.height, 371);

  Host_->WarpPointer(5, 6);
  int x = 0;
  int y = 0;
  Device->PointerPosition(x, y);
  EXPECT_EQ(x, 11);
  EXPECT_EQ(y, 13);
  Host_->PointerPosition(x, y);
  EXPECT_EQ(x, 5);
  EXPECT_EQ(y, 6);
}

TEST_F(ScaledHostTest, ScalesCursorsWithTheirHotSpotsOnceEach) {
  CursorShape shape;
  shape.width = 2;
  shape.height = 1;
  shape.hotX = 1;
  shape.pixels = {0xFF000001, 0x00000002};
  shape.id = 7;
  Host_->SetCursor(&shape);
  const CursorShape big = Device->CurrentCursor();
  EXPECT_EQ(big.width, 4);
  EXPECT_EQ(big.height, 2);
  EXPECT_EQ(big.hotX, 2);
  EXPECT_EQ(big.hotY, 0);
  EXPECT_EQ(big.pixels, (std::vector<std::uint32_t>{0xFF000001, 0xFF000001, 2, 2, 0xFF000001,
                                                    0xFF000001, 2, 2}));
  EXPECT_NE(big.id, shape.id);
  Host_->SetCursor(&shape);
  EXPECT_EQ(Device->CurrentCursor().id, big.id);
  Host_->SetCursor(nullptr);
  EXPECT_TRUE(Device->CursorHidden());
}

}  // namespace
}  // namespace platform
