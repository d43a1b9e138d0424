// Command enablers: the framework asks a window's enabler handlers whether a command
// is available, and the answer sets the thing that issues the command (a menu item).
#pragma once

#include "platform/platform.h"

class TCommandEnabler {
 public:
  TCommandEnabler(UINT id, HWND receiver) : Id(id), Receiver(receiver) {}
  virtual ~TCommandEnabler() = default;

  // Sets the handled flag; a derived enabler also sets what it stands for.
  virtual void Enable(bool enable = true);

  UINT GetId() const { return Id; }
  HWND GetReceiver() const { return Receiver; }  // the window that asked
  bool WasHandled() const { return Handled; }

 protected:
  UINT Id;
  HWND Receiver;
  bool Handled = false;
};

// One item of a menu, addressed by its position.
class TMenuItemEnabler : public TCommandEnabler {
 public:
  TMenuItemEnabler(HMENU menu, UINT id, HWND receiver, int position)
      : TCommandEnabler(id, receiver), Menu(menu), Position(position) {}

  // Enabled, or grayed (not merely disabled).
  void Enable(bool enable = true) override;

  HMENU GetMenu() const { return Menu; }
  int GetPosition() const { return Position; }

 private:
  HMENU Menu;
  int Position;
};
