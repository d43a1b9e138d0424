// The options dialog: the critters' speed and population on two scroll bars and the
// game's length in seconds. It keeps no values of its own: it shows the game window's
// settings when it opens and writes them back when OK is pressed.
#pragma once

#include "app/dialog.h"
#include "app/event_table.h"

class TGameWindow;
class TGameRules;

class TOptionDialog : public TDialog {
  DECLARE_EVENTS(TOptionDialog);

 public:
  TOptionDialog(TGameWindow* parent, const char* name);
  ~TOptionDialog() override;

  void Scrolled(UINT code, UINT thumbPos, HWND bar);

 protected:
  void SetupWindow() override;
  bool CanClose() override;

 private:
  TGameRules& Settings();
};
