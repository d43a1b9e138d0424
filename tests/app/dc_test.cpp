// Drawing contexts put back what they selected; graphics objects and contexts that
// the platform refuses raise the drawing error.
#include "app_fixture.h"

namespace app_test {
namespace {

class TDrawingTest : public TAppTest {
 protected:
  void SetUp() override {
    TAppTest::SetUp();
    TApplication::SetStartup(klop::Module(), "", SW_SHOWDEFAULT);
    app = std::make_unique<TApplication>();
    window = std::make_unique<TWindow>();
    window->Attr.Style = WS_OVERLAPPED | WS_VISIBLE;
    window->Attr.W = 60;
    window->Attr.H = 40;
    window->Create();
  }
  void TearDown() override {
    window.reset();
    app.reset();
    TAppTest::TearDown();
  }
  // The brush selected in `dc` now (selecting it again changes nothing).
  static HGDIOBJ CurrentBrush(HDC dc) {
    HGDIOBJ now = SelectObject(dc, GetStockObject(NULL_BRUSH));
    SelectObject(dc, now);
    return now;
  }
  std::unique_ptr<TApplication> app;
  std::unique_ptr<TWindow> window;
};

TEST_F(TDrawingTest, ABrushIsPutBackAtReleaseAndAStockObjectIsNotRemembered) {
  HDC mem = CreateCompatibleDC(nullptr);
  HGDIOBJ white = GetStockObject(WHITE_BRUSH);
  SelectObject(mem, white);
  {
    TDC dc(mem);
    TBrush red(RGB(255, 0, 0));
    TBrush green(RGB(0, 255, 0));
    dc.SelectObject(red);
    dc.SelectObject(green);  // the first selection's predecessor is what comes back
    EXPECT_EQ(CurrentBrush(mem), green.GetHandle());
    dc.SelectObject(red);
  }
  EXPECT_EQ(CurrentBrush(mem), white);
  {
    TDC dc(mem);
    dc.SelectStockObject(BLACK_BRUSH);
  }
  EXPECT_EQ(CurrentBrush(mem), GetStockObject(BLACK_BRUSH));
  {
    TDC dc(mem);
    TBrush red(RGB(255, 0, 0));
    dc.SelectObject(red);
    dc.RestoreBrush();
    EXPECT_EQ(CurrentBrush(mem), GetStockObject(BLACK_BRUSH));
  }
  // A wrapped context is not released: it still draws.
  EXPECT_NE(SetPixel(mem, 0, 0, RGB(1, 2, 3)), CLR_INVALID);
  DeleteDC(mem);
}

TEST_F(TDrawingTest, AMemoryContextPutsBackItsFirstBitmapAndCopiesThePicture) {
  TBitmap board(*app, "Board");
  EXPECT_GT(board.Width(), 0);
  EXPECT_GT(board.Height(), 0);
  TClientDC client(window->GetHandle());
  {
    TMemoryDC mem(client);
    mem.SelectObject(board);
    EXPECT_TRUE(client.BitBlt(0, 0, 60, 40, mem, 0, 0));
    EXPECT_EQ(GetPixel(client, 5, 5), GetPixel(mem, 5, 5));
  }
  // Released, the bitmap is selected nowhere and can go into another context.
  HDC other = CreateCompatibleDC(client);
  EXPECT_NE(SelectObject(other, board.GetHandle()), nullptr);
  DeleteDC(other);
}

TEST_F(TDrawingTest, RefusedContextsAndObjectsRaiseTheDrawingError) {
  using platform::TOperation;
  struct TCase {
    TOperation op;
    std::function<void()> make;
  };
  HWND hwnd = window->GetHandle();
  const TCase cases[] = {
      {TOperation::GetDC, [hwnd] { TClientDC dc(hwnd); }},
      {TOperation::BeginPaint, [hwnd] { TPaintDC dc(hwnd); }},
      {TOperation::CreateCompatibleDC,
       [hwnd] {
         TClientDC dc(hwnd);
         TMemoryDC mem(dc);
       }},
      {TOperation::CreateSolidBrush, [] { TBrush b(RGB(1, 2, 3)); }},
      {TOperation::LoadBitmapA, [this] { TBitmap b(*app, "Live"); }},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.op));
    platform::RefuseForTesting(c.op);
    try {
      c.make();
      ADD_FAILURE() << "not refused";
    } catch (const TGdiBase::TXGdi& e) {
      EXPECT_EQ(e.GetId(), 32739u);
    }
    EXPECT_NO_THROW(c.make());  // only that call was refused
  }
  EXPECT_THROW(TBitmap(*app, "NoSuchPicture"), TGdiBase::TXGdi);
}

TEST_F(TDrawingTest, TheWindowCursorFollowsItsRules) {
  HWND hwnd = window->GetHandle();
  POINT inside{10, 10};
  ClientToScreen(hwnd, &inside);
  // Outside the client area: loaded, not shown until the pointer comes in.
  SetCursorPos(inside.x + 500, inside.y + 500);
  const HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
  SetCursor(arrow);
  window->SetCursor(app.get(), "Malet");
  ASSERT_NE(window->GetCursor(), nullptr);
  EXPECT_EQ(GetCursor(), arrow);
  // The same module and name again: nothing happens.
  const HCURSOR malet = window->GetCursor();
  window->SetCursor(app.get(), "Malet");
  EXPECT_EQ(window->GetCursor(), malet);
  EXPECT_EQ(GetCursor(), arrow);
  // Inside: a new cursor shows at once.
  SetCursorPos(inside.x, inside.y);
  SetCursor(arrow);
  window->SetCursor(app.get(), "MaletDown");
  EXPECT_EQ(GetCursor(), window->GetCursor());
  // The platform asks over the client area: the window's own cursor.
  SetCursor(arrow);
  window->SendMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd),
                      MAKELPARAM(static_cast<WORD>(HTCLIENT), WM_MOUSEMOVE));
  EXPECT_EQ(GetCursor(), window->GetCursor());
  // A cursor that cannot be loaded raises nothing and leaves none of its own.
  EXPECT_NO_THROW(window->SetCursor(app.get(), "NoSuchCursor"));
  EXPECT_EQ(window->GetCursor(), nullptr);
}

}  // namespace
}  // namespace app_test
