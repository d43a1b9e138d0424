#include "app/command_enabler.h"

void TCommandEnabler::Enable(bool) {
  Handled = true;
}

void TMenuItemEnabler::Enable(bool enable) {
  TCommandEnabler::Enable(enable);
  EnableMenuItem(Menu, static_cast<UINT>(Position),
                 MF_BYPOSITION | (enable ? MF_ENABLED : MF_GRAYED));
}
