// The 3-D look library on an old platform: what the framework's message boxes and
// dialogs ask of it while it is enabled.
#include "app_fixture.h"

namespace app_test {
namespace {

struct TLookCalls {
  int registered = 0;
  int unregistered = 0;
  int autoSubclassed = 0;
  std::vector<HWND> subclassedDialogs;
};
TLookCalls g_look;

BOOL LookRegister(HINSTANCE) {
  ++g_look.registered;
  return TRUE;
}
BOOL LookUnregister(HINSTANCE) {
  ++g_look.unregistered;
  return TRUE;
}
BOOL LookAutoSubclass(HINSTANCE) {
  ++g_look.autoSubclassed;
  return TRUE;
}
BOOL LookSubclassDialog(HWND dialog, WORD kinds) {
  EXPECT_EQ(kinds, 0xFFFF);
  g_look.subclassedDialogs.push_back(dialog);
  return TRUE;
}
template <typename F>
FARPROC Export(F f) {
  return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(f));
}

// Ends whatever modal window is active with OK, a moment after it opened.
void CALLBACK AnswerActive(HWND, UINT, UINT_PTR, DWORD) {
  HWND active = GetActiveWindow();
  if (active != nullptr && (GetWindowLongPtrA(active, GWL_STYLE) & WS_POPUP)) {
    PostMessageA(active, WM_COMMAND, IDOK, 0);
  }
}

class TLookLibraryTest : public TAppTest {};

TEST_F(TLookLibraryTest, MessageBoxesRegisterAroundThemselvesAndDialogsAreSubclassed) {
  g_look = {};
  platform::SetVersionForTesting(0x5F03);  // 3.95
  platform::AddLibraryForTesting("CTL3D32.DLL", {{"Ctl3dRegister", Export(LookRegister)},
                                                 {"Ctl3dUnregister", Export(LookUnregister)},
                                                 {"Ctl3dAutoSubclass", Export(LookAutoSubclass)},
                                                 {"Ctl3dSubclassDlg", Export(LookSubclassDialog)}});
  TApplication::SetStartup(klop::Module(), "", SW_SHOWDEFAULT);
  {
    TApplication app;
    app.EnableCtl3d();
    ASSERT_TRUE(app.Ctl3dEnabled());
    EXPECT_EQ(g_look.registered, 1);
    TWindow w;
    w.Attr.Style = WS_OVERLAPPED | WS_VISIBLE;
    w.Attr.W = 200;
    w.Attr.H = 150;
    w.Create();
    SetTimer(nullptr, 0, 50, AnswerActive);
    EXPECT_EQ(w.MessageBox("Note", "Klop!", MB_OK), IDOK);
    EXPECT_EQ(g_look.registered, 2);
    EXPECT_EQ(g_look.autoSubclassed, 1);
    EXPECT_EQ(g_look.unregistered, 1);
    TDialog about(&w, "About");
    EXPECT_EQ(about.Execute(), IDOK);
    ASSERT_EQ(g_look.subclassedDialogs.size(), 1u);
    EXPECT_NE(g_look.subclassedDialogs[0], nullptr);
    EXPECT_EQ(platform::LibraryLoadsForTesting("CTL3D32.DLL"), 1);
  }
  EXPECT_EQ(g_look.unregistered, 2);
  EXPECT_EQ(platform::LibraryLoadsForTesting("CTL3D32.DLL"), 0);
}

}  // namespace
}  // namespace app_test
