#!/usr/bin/env bash
# End-to-end: the desktop host alone (host_probe; KLOP_HOST chooses which) on its own
# Xvfb display with openbox: window attributes as the window manager sees them,
# presented pixels, expose and resize answered from the host's own copy, the cursor,
# pointer, keys and states.
#
#   host_e2e.sh HOST_PROBE CURSOR_IMAGE
probe=${1:?usage: host_e2e.sh HOST_PROBE CURSOR_IMAGE}
cursor_image=${2:?usage: host_e2e.sh HOST_PROBE CURSOR_IMAGE}
source "$(dirname "$0")/lib.sh"
start_desktop

start_probe host_e2e "$probe"
frame=$(visible_window '^probe frame$')
dialog=$(visible_window '^probe dialog$')
if [ -z "$frame" ] || [ -z "$dialog" ]; then
  echo "host_e2e: the probe's windows are not visible" >&2
  exit 1
fi
sleep 0.3

# --- Attributes -------------------------------------------------------------------
check "frame surface is 200x150" test "$(client_size "$frame")" = 200x150
check "dialog surface is 120x80" test "$(client_size "$dialog")" = 120x80
owner=$(xprop -id "$dialog" WM_TRANSIENT_FOR | awk '{print $NF}')
check "the dialog is owned by the frame ($owner)" test "$((owner))" = "$frame"
check "the dialog is typed as a dialog" \
  eval "xprop -id $dialog _NET_WM_WINDOW_TYPE | grep -q '= _NET_WM_WINDOW_TYPE_DIALOG'"
check "the dialog stays out of the task bar" \
  eval "xprop -id $dialog _NET_WM_STATE | grep -q _NET_WM_STATE_SKIP_TASKBAR"
check "the dialog is fixed-size" \
  eval "xprop -id $dialog WM_NORMAL_HINTS | grep -q 'maximum size: 120 by 80'"
check "the frame is not fixed-size" \
  eval "! xprop -id $frame WM_NORMAL_HINTS | grep -q 'maximum size'"
check "the frame is in the task bar" \
  eval "! xprop -id $frame _NET_WM_STATE | grep -q SKIP_TASKBAR"
check "the frame's icon is the 32x32 green one" \
  eval "xprop -id $frame -f _NET_WM_ICON 32c _NET_WM_ICON | grep -q '= 32, 32, 4278255360, 4278255360'"

# --- Pixels: only the presented rectangle of the red picture shows ----------------
xdo windowactivate --sync "$frame" >/dev/null 2>&1
sleep 0.2
frame_pixels_ok() {
  shot "$frame" && is_pixel 0 0 '#0000FF' && is_pixel 9 20 '#0000FF' &&
    is_pixel 10 20 '#FF0000' && is_pixel 39 59 '#FF0000' && is_pixel 40 59 '#0000FF' &&
    is_pixel 39 60 '#0000FF' && is_pixel 199 149 '#0000FF'
}
check "frame pixels: blue, with the one red rectangle presented" wait_for 3 frame_pixels_ok
xdo windowactivate --sync "$dialog" >/dev/null 2>&1
sleep 0.2
dialog_pixels_ok() { shot "$dialog" && is_pixel 0 0 '#00FF00' && is_pixel 119 79 '#00FF00'; }
check "dialog pixels are green" wait_for 3 dialog_pixels_ok

# Covered by the dialog and uncovered again: the host shows its pixels on its own.
geometry=$(xwininfo -id "$frame" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF} END {print x, y}')
read -r fx fy <<<"$geometry"
wmctrl -i -r "$dialog" -e "0,$fx,$fy,-1,-1"
sleep 0.3
wmctrl -i -r "$dialog" -e "0,600,400,-1,-1"
xdo windowactivate --sync "$frame" >/dev/null 2>&1
sleep 0.3
check "after being covered the frame shows the same pixels" wait_for 3 frame_pixels_ok

# --- Cursor and pointer ------------------------------------------------------------
xdo mousemove --sync --window "$frame" 50 50
check "over the frame: the probe's cursor, hot spot (3,4)" await_cursor "16 16 3 4"
check "cursor pixel (0,0) is opaque magenta" test "$(cursor_pixel 0 0)" = ffff00ff
check "cursor pixel (8,8) is transparent and carries no colour" \
  test "$(cursor_pixel 8 8)" = 00000000

xdo click 1
check "a press reaches the frame at (50,50)" await_line 'press frame 50 50 1'
check "and its release" await_line 'release frame 50 50 1'
xdo mousemove --sync --window "$frame" 70 80 click 3
check "the right button is button 3" await_line 'press frame 70 80 3'

xdo key --clearmodifiers shift+a
check "shift+a: key A with shift" await_line 'keydown frame 0x41 1'
check "...and the text A" await_line 'text frame A'
xdo key --clearmodifiers F4 Return
check "F4 is VK_F4" await_line 'keydown frame 0x73 0'
check "Return is VK_RETURN" await_line 'keydown frame 0x0D 0'
check "key releases arrive" await_line 'keyup frame 0x0D 0'

xdo key --clearmodifiers w
await_line 'warped [0-9]+ [0-9]+'
read -r _ wx wy <<<"$(grep -E '^warped ' "$out" | tail -n 1)"
pointer_at() { at=$(xdotool getmouselocation | awk '{print $1, $2}') && [ "$at" = "x:$1 y:$2" ]; }
wait_for 3 pointer_at "$wx" "$wy"
check "warping puts the pointer at screen ($wx,$wy) (at $at)" pointer_at "$wx" "$wy"
xdo key --clearmodifiers p
await_line 'pointer .*'
check "the pointer's position is read back in screen coordinates" \
  eval "grep -E '^pointer ' '$out' | tail -n 1 | awk '{ exit !(\$2 - \$5 == 30 && \$3 - \$6 == 40) }'"

# A cursor image read back, with rows of pixels, all of them transparent or not.
hidden() { "$cursor_image" | awk 'NR > 1 { rows++; for (i = 1; i <= NF; i++) if ($i != "00000000") bad = 1 } END { exit bad || !rows }'; }
visible() { "$cursor_image" | awk 'NR > 1 { for (i = 1; i <= NF; i++) if ($i != "00000000") seen = 1 } END { exit !seen }'; }
xdo key --clearmodifiers h
check "a hidden pointer shows nothing" wait_for 3 hidden
xdo key --clearmodifiers a
arrow() { cursor_is_not "16 16 3 4" && visible; }
wait_for 3 arrow
check "the system arrow is the desktop's own cursor ($(cursor_head))" arrow
xdo key --clearmodifiers s
check "shown again, it is the probe's cursor" await_cursor "16 16 3 4"

# --- A popup menu window: unmanaged, exactly where asked, no focus of its own -------
xdo windowactivate --sync "$frame" >/dev/null 2>&1
xdo key --clearmodifiers m
check "the probe shows a popup" await_line 'popup [0-9]+ [0-9]+'
read -r _ px py <<<"$(grep -E '^popup [0-9]' "$out" | tail -n 1)"
popup=$(visible_window '^probe popup$')
check "the popup is a window of its own" test -n "$popup"
check "the popup is override-redirect" \
  eval "xwininfo -id $popup | grep -q 'Override Redirect State: yes'"
popup_at=$(xwininfo -id "$popup" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF} END {print x, y}')
check "the popup is at ($px,$py) on the screen (at $popup_at)" test "$popup_at" = "$px $py"
check "the popup is 60x40, unframed" test "$(client_size "$popup")" = 60x40
popup_owner=$(xprop -id "$popup" WM_TRANSIENT_FOR | awk '{print $NF}')
check "the popup is transient for the frame ($popup_owner)" test "$((popup_owner))" = "$frame"
check "the popup is typed as a popup menu" \
  eval "xprop -id $popup _NET_WM_WINDOW_TYPE | grep -q '= _NET_WM_WINDOW_TYPE_POPUP_MENU'"
check "the popup is not marked modal" eval "! xprop -id $popup _NET_WM_STATE | grep -q MODAL"
popup_pixels_ok() { shot "$popup" && is_pixel 0 0 '#FFFF00' && is_pixel 59 39 '#FFFF00'; }
check "popup pixels are yellow" wait_for 3 popup_pixels_ok
xdo key --clearmodifiers n
check "keys still go to the frame while the popup shows" await_line 'text frame n'
check "and the popup goes" await_line 'popup gone'

# --- States and size ---------------------------------------------------------------
wmctrl -i -r "$frame" -e 0,-1,-1,300,250
check "a resize by the window manager reaches the host" await_line 'resized frame 300 250'
resized_pixels_ok() {
  shot "$frame" && is_pixel 0 0 '#0000FF' && is_pixel 10 20 '#FF0000' && is_pixel 199 149 '#0000FF'
}
check "resized, the frame still shows what it was last given" wait_for 3 resized_pixels_ok

xdo windowminimize --sync "$frame"
check "minimise" await_line 'minimized frame'
xdo windowactivate --sync "$frame" >/dev/null 2>&1
check "restore" await_line 'restored frame'
wmctrl -i -r "$frame" -b add,maximized_vert,maximized_horz
check "maximise" await_line 'maximized frame'
check "focus is reported" has_line 'focus frame'

# --- Closing -----------------------------------------------------------------------
wmctrl -i -c "$dialog"
check "closing the dialog asks the probe" await_line 'close dialog'
gone() { ! xwininfo -id "$dialog" >/dev/null 2>&1; }
check "and the dialog window goes" wait_for 5 gone
wmctrl -i -c "$frame"
check "closing the frame ends the probe" wait_for 10 exited "$probe_pid"
reap "$probe_pid"
check "the probe exits 0 (got $status)" test "$status" = 0
check "nothing on stderr" test ! -s "$work/err"
finish
