#!/usr/bin/env bash
# End-to-end: the program itself on its own Xvfb display with openbox: the frame
# "Klop!" with its menu bar over a 282 x 400 client area, minimised and restored at the
# same size, and closed by the desktop with exit code 0.
#
#   klop_e2e.sh KLOP
klop=${1:?usage: klop_e2e.sh KLOP}
source "$(dirname "$0")/lib.sh"
start_desktop

"$klop" </dev/null >"$out" 2>"$work/err" &
klop_pid=$!
started+=("$klop_pid")
frame=$(timeout 15 xdotool search --sync --onlyvisible --name '^Klop!$' 2>/dev/null | head -n 1)
if [ -z "$frame" ]; then
  echo "klop_e2e: the frame did not show" >&2
  explain_stuck "$klop_pid"
  exit 1
fi
xdo windowactivate --sync "$frame" >/dev/null 2>&1

# The surface is the menu bar's 19 rows over the client area.
check "the frame's surface is 282x419 ($(client_size "$frame"))" \
  wait_for 3 eval "[ \"\$(client_size $frame)\" = 282x419 ]"
check "the menu bar is drawn on the menu colour" shot_until "$frame" 270 10 '#C0C0C0'
# Client (40,310), below the 19-row bar, lies in the board's olive hits box.
check "the client area shows the game's board" is_pixel 40 329 '#808000'
check "the frame has the 32x32 icon" eval "xprop -id $frame -f _NET_WM_ICON 32c _NET_WM_ICON | grep -q '= 32, 32, '"

xdo windowminimize --sync "$frame"
sleep 0.3
xdo windowactivate --sync "$frame" >/dev/null 2>&1
check "restored at the same size ($(client_size "$frame"))" \
  wait_for 3 eval "[ \"\$(client_size $frame)\" = 282x419 ]"

wmctrl -i -c "$frame"
check "closing the frame ends the program" wait_for 5 exited "$klop_pid"
reap "$klop_pid"
check "with exit code 0 ($status)" test "$status" = 0
finish
