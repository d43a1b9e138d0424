// TWindow: a window object bound to its platform window for the window's whole life.
// Messages reach it through its event table (own class first, then the bases');
// what no table handles goes to the platform's default window procedure.
//
// Virtual steps a derived window replaces (calling the base first where it says so):
//   SetupWindow()   once the platform window exists, inside its creation message; the
//                   base creates the child windows. An error raised here fails the
//                   creation.
//   Paint(dc, erase, rect)  inside the paint handling, on the paint context.
//   CanClose()      asked before the window may close; the base asks the children.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/errors.h"
#include "app/event_table.h"
#include "app/module.h"
#include "platform/platform.h"

class TApplication;
class TDC;

class TWindow : public TEventHandler {
  DECLARE_EVENTS(TWindow);

 public:
  // A window class that cannot be registered, or a window, child window or dialog
  // that cannot be created or run.
  class TXWindow : public TXBase {
   public:
    explicit TXWindow(unsigned id = kIdCreateFailure) : TXBase(id) {}
  };

  // What the platform window is created with.
  struct TAttr {
    DWORD Style = WS_CHILD | WS_VISIBLE;
    DWORD ExStyle = 0;
    int X = 0;
    int Y = 0;
    int W = 0;
    int H = 0;
    int Id = 0;        // a child's id
    std::string Menu;  // a top-level window's menu resource, loaded at creation
  };

  // The module that resources come from: `module`, else the application's.
  explicit TWindow(TWindow* parent = nullptr, const char* title = nullptr,
                   TModule* module = nullptr);
  ~TWindow() override;
  TWindow(const TWindow&) = delete;
  TWindow& operator=(const TWindow&) = delete;

  // The window object bound to `hwnd`, or null.
  static TWindow* FromHandle(HWND hwnd);

  HWND GetHandle() const { return Handle; }
  TWindow* GetParentWindow() const { return Parent; }
  void SetParentWindow(TWindow* parent) { Parent = parent; }
  TModule* GetModule() const;
  TApplication* GetApplication() const;

  // Children are owned and created with this window's set-up.
  TWindow& AddChild(std::unique_ptr<TWindow> child);
  const std::vector<std::unique_ptr<TWindow>>& GetChildren() const { return Children; }

  // Creates the platform window; raises TXWindow when it cannot be made.
  void Create();
  // Destroys the platform window, if any.
  void Destroy();

  virtual void SetupWindow();
  virtual void Paint(TDC& dc, bool erase, const RECT& rect);
  virtual bool CanClose();
  // The idle step; answers whether it wants more idle time. The base passes it on to
  // the children.
  virtual bool IdleAction(long idleCount);
  // Offered each message of this window before it is dispatched; true takes it.
  virtual bool PreProcessMsg(MSG& msg);

  // The window's own cursor: `name` from `module` (null module: the platform's
  // stock cursors); no name, no cursor of its own.
  void SetCursor(TModule* module, const char* name);
  HCURSOR GetCursor() const { return Cursor; }

  // Platform calls made through the framework: an error held while they ran is
  // raised when they return.
  LRESULT SendMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
  int MessageBox(const char* text, const char* caption = nullptr, UINT type = MB_OK);
  void Invalidate(bool erase = true);

  // The framework's one window class, registered on first use; raises TXWindow.
  static const char* FrameworkClass(HINSTANCE instance);

  // Handles a message as if the platform had delivered it: the table, else default.
  LRESULT ReceiveMessage(UINT msg, WPARAM wParam, LPARAM lParam);

  TAttr Attr;
  std::string Title;

 protected:
  // What no table handles.
  virtual LRESULT DefaultProcessing(UINT msg, WPARAM wParam, LPARAM lParam);
  // WM_COMMAND: the command's entry in this window's table, else default.
  virtual void EvCommand(UINT id, HWND control, UINT notifyCode);

  // The base handlers; a derived handler may call them to keep the default.
  int EvCreate(CREATESTRUCTA& create);
  void EvPaint();
  bool EvSetCursor(HWND over, UINT hitTest, UINT mouseMsg);
  void EvSize(UINT sizeType, const SIZE& size);
  void EvClose();
  void EvDestroy();
  void EvNCDestroy();
  bool EvQueryEndSession();

  // Creates the children that have no platform window yet; raises TXWindow.
  void CreateChildren();
  // The platform window, or null when it could not be made (held errors raised).
  HWND PerformCreate();
  void Bind(HWND hwnd);
  void Unbind();

  HWND Handle = nullptr;

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  friend class TDialog;

  TWindow* Parent;
  TModule* Module;
  std::vector<std::unique_ptr<TWindow>> Children;
  TModule* CursorModule = nullptr;
  std::string CursorName;       // a named cursor
  std::uintptr_t CursorId = 0;  // or a numbered one
  HCURSOR Cursor = nullptr;
};
