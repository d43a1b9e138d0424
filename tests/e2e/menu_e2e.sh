#!/usr/bin/env bash
# End-to-end: the game's menu bar (menu_probe) on a desktop of its own (Xvfb with
# openbox, sway or mutter: see lib.sh): popups are real windows under their bar item
# (override-redirect on X11, xdg_popups on Wayland), chosen by mouse and by keyboard,
# closed by a click outside, while the frame's timer keeps ticking.
#
#   menu_e2e.sh MENU_PROBE
probe=${1:?usage: menu_e2e.sh MENU_PROBE}
source "$(dirname "$0")/lib.sh"
start_desktop

start_probe menu_e2e "$probe"
frame=$(visible_window '^menu probe$')
if [ -z "$frame" ]; then
  echo "menu_e2e: the probe's frame is not visible" >&2
  exit 1
fi
activate "$frame"
read -r fx fy <<<"$(client_origin "$frame")"

count() { grep -c -x -E "$1" "$out"; }
# Popup item i's centre on the screen: rows of 17 pixels in a 3-pixel frame.
item_y() { echo $((fy + 19 + 3 + 17 * $1 + 8)); }
# On Wayland the popup is no window of its own: it opens under the bar item.
popup_at=("$frame" 0 19 57)

# --- Mouse: click "&Game", then click "&Options..." ------------------------------------
pointer_to "$frame" 15 9
click 1
check "a click on the bar item opens its popup" wait_for 3 one_popup
check "WM_INITMENU, then WM_INITMENUPOPUP for item 0" \
  eval "grep -x -E 'initmenu|initmenupopup [0-9]+' '$out' | tr '\n' ' ' | grep -q '^initmenu initmenupopup 0 $'"
if on_sway || on_mutter; then
  # Seen in the frame's pixels: its corner where asked, its bottom edge 57 rows down.
  popup_look() {
    shot "$frame" && is_pixel 0 19 '#FFFFFF' && is_pixel 5 24 '#C0C0C0' && is_pixel 5 75 '#000000'
  }
  check "the popup lies under its bar item, three rows high, a raised frame on the menu colour" \
    wait_for 3 popup_look
else
  popup=$(popups)
  at=$(client_origin "$popup")
  check "the popup lies under its bar item, at ($fx,$((fy + 19))) (at $at)" test "$at" = "$fx $((fy + 19))"
  check "the popup is three rows high ($(client_size "$popup"))" eval "client_size $popup | grep -q 'x57$'"
  popup_w=$(client_size "$popup" | cut -dx -f1)
  popup_look() {
    shot "$popup" && is_pixel 0 0 '#FFFFFF' && is_pixel 5 5 '#C0C0C0' &&
      is_pixel $((popup_w - 1)) 56 '#000000'
  }
  check "the popup shows a raised frame on the menu colour" wait_for 3 popup_look
fi
ticks=$(count tick)
ticked() { [ $(($(count tick) - ticks)) -ge 7 ]; }
check "the frame's timer ticks while the popup is open" eval 'wait_for 5 ticked && one_popup'
pointer_at $((fx + 30)) "$(item_y 1)"
click 1
check "clicking \"&Options...\" gives WM_COMMAND 101" await_line 'command 101'
check "and the popup goes" wait_for 3 no_popup

# --- Mouse: press, drag and release on "&Stop" ---------------------------------------
pointer_to "$frame" 15 9
button_down 1
check "a press on the bar item opens its popup" wait_for 3 one_popup
pointer_at $((fx + 30)) "$(item_y 2)"
button_up 1
check "press, drag and release on \"&Stop\" gives WM_COMMAND 104" await_line 'command 104'

# --- Mouse: a click outside closes without a command ---------------------------------
# Away from the last press on the item, which a click so soon would double.
pointer_to "$frame" 21 9
click 1
check "a click on the bar item opens it again" wait_for 3 one_popup
pointer_at 900 700
click 1
check "a click on the desktop closes the popup" wait_for 3 no_popup
check "without a command" test "$(count 'command [0-9]+')" = 2

# --- Keyboard ------------------------------------------------------------------------
# By key code (Alt 64, G 42, N 57, P 33, Right 114, Enter 36, Escape 9, right Alt 108), as
# X names them, so the keys marked so are pressed whatever the layout (KLOP_E2E_LAYOUT)
# makes of them.
activate "$frame"
key_codes +64 42 -64
check "Alt+G opens the popup" wait_for 3 one_popup
key_codes 57
check "and N chooses \"&New\": WM_COMMAND 100" await_line 'command 100'
key_codes +64 33 -64
check "Alt+P acts at once: WM_COMMAND 103" await_line 'command 103'
# Alt alone enters menu mode (WM_INITMENU) and highlights the first bar item in navy;
# once both are seen, a popup it opened by mistake would be up too.
initmenus=$(count initmenu)
popup_menus=$(count 'initmenupopup [0-9]+')
selected() { [ "$(count initmenu)" -gt "$initmenus" ] && region "$frame" 1x1+3+9 | grep -q '#000080'; }
key_codes 64
check "Alt alone enters menu mode and highlights the bar" wait_for 3 selected
check "...without a popup" eval 'no_popup && [ "$(count "initmenupopup [0-9]+")" = "$popup_menus" ]'
key_codes 114 114 36
check "Right, Right, Enter chooses \"&About\": WM_COMMAND 102" await_line 'command 102'
if [ "${KLOP_E2E_LAYOUT:-}" = de ]; then
  # AltGr types characters: alone, it leaves the bar alone, so an Alt tap after it enters
  # menu mode (rather than leaving it) and Right, Right, Enter choose "&About" again.
  abouts=$(count 'command 102')
  key_codes 108 64 114 114 36
  check "AltGr alone does not select the menu bar" \
    wait_for 3 eval '[ "$(count "command 102")" -gt "$abouts" ]'
fi

# --- Monitors of different sizes (KLOP_E2E_MONITORS) --------------------------------
# The frame low on the last monitor, over the space beside a taller one: the popup
# opens above its bar item rather than off that monitor.
read -r -a monitors <<<"${KLOP_E2E_MONITORS:-}"
if [ ${#monitors[@]} -gt 1 ]; then
  last=${monitors[-1]}
  IFS='x+' read -r mw mh mx my <<<"$last"
  xdo windowmove --sync "$frame" $((mx + 60)) $((my + mh - 50)) >/dev/null 2>&1
  xdo mousemove --sync --window "$frame" 15 9 click 1
  check "a popup opens on the low frame" wait_for 3 one_popup
  check "and lies wholly on the frame's monitor $last" on_monitor "$(popups)" "$last"
  keys Escape
  check "Escape closes it" wait_for 3 no_popup
fi

# --- Closing -------------------------------------------------------------------------
close_window "$frame"
check "closing the frame ends the probe" wait_for 10 exited "$probe_pid"
reap "$probe_pid"
check "the probe exits 0 (got $status)" test "$status" = 0
check "nothing on stderr" test ! -s "$work/err"
finish
