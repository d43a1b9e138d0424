#include "game/option_dialog.h"

#include <string>

#include "game/game_window.h"
#include "game/ids.h"

DEFINE_EVENTS(TOptionDialog, TDialog)
EVENT_MESSAGE(WM_HSCROLL, Scrolled)
END_EVENTS

namespace {

// Scroll positions run the other way from the settings: right is fast and many.
constexpr int kSpeedEnd = 31;       // LiveTime = 31 - position, 30 .. 1
constexpr int kPopulationEnd = 41;  // SpawnRange = 41 - position, 40 .. 6

// Game times in seconds accepted by the close check (GameTime up to 98300 ticks).
constexpr UINT kMaxGameSeconds = 9830;

}  // namespace

TOptionDialog::TOptionDialog(TGameWindow* parent, const char* name) : TDialog(parent, name) {}

TOptionDialog::~TOptionDialog() = default;

TGameRules& TOptionDialog::Settings() {
  return static_cast<TGameWindow&>(*GetParentWindow());
}

void TOptionDialog::SetupWindow() {
  TDialog::SetupWindow();
  HWND self = GetHandle();
  ::SetScrollRange(::GetDlgItem(self, IDC_SPEED), SB_CTL, 1, 30, FALSE);
  ::SetScrollRange(::GetDlgItem(self, IDC_POPULATION), SB_CTL, 1, 35, FALSE);
  ::SetScrollPos(::GetDlgItem(self, IDC_SPEED), SB_CTL, kSpeedEnd - Settings().LiveTime, TRUE);
  ::SetScrollPos(::GetDlgItem(self, IDC_POPULATION), SB_CTL, kPopulationEnd - Settings().SpawnRange,
                 TRUE);
  ::SetDlgItemTextA(self, IDC_GAMETIME, std::to_string(Settings().GameTime / 10).c_str());
}

void TOptionDialog::Scrolled(UINT code, UINT thumbPos, HWND bar) {
  const int p = ::GetScrollPos(bar, SB_CTL);
  int next = p;
  switch (code) {
    case SB_LINELEFT:
      next = p - 1;
      break;
    case SB_LINERIGHT:
      next = p + 1;
      break;
    case SB_PAGELEFT:
      next = p - 10;
      break;
    case SB_PAGERIGHT:
      next = p + 10;
      break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
      next = static_cast<int>(thumbPos);
      break;
    default:
      break;
  }
  // The bar keeps the position within its range.
  ::SetScrollPos(bar, SB_CTL, next, TRUE);
}

bool TOptionDialog::CanClose() {
  HWND self = GetHandle();
  TGameRules& settings = Settings();
  settings.LiveTime = kSpeedEnd - ::GetScrollPos(::GetDlgItem(self, IDC_SPEED), SB_CTL);
  settings.SpawnRange = kPopulationEnd - ::GetScrollPos(::GetDlgItem(self, IDC_POPULATION), SB_CTL);
  BOOL translated = FALSE;
  const UINT seconds = ::GetDlgItemInt(self, IDC_GAMETIME, &translated, FALSE);
  if (translated && seconds >= 1 && seconds <= kMaxGameSeconds) {
    settings.GameTime = static_cast<std::int32_t>(seconds * 10);
    return true;
  }
  MessageBox("Game time must be between 0 and 9830!", "Error", MB_OK);
  return false;
}
