#!/usr/bin/env bash
# End-to-end: klop-demo in a real window on its own Xvfb display with openbox, driven
# by xdotool and wmctrl, read back by screenshots, xwininfo, xprop and the pointer's
# cursor image. Every process started here is stopped by its own id at the end.
#
#   demo_e2e.sh DEMO CURSOR_IMAGE
set -u

demo=${1:?usage: demo_e2e.sh DEMO CURSOR_IMAGE}
cursor_image=${2:?usage: demo_e2e.sh DEMO CURSOR_IMAGE}

source "$(dirname "$0")/lib.sh"
start_desktop

# --- The demo ---------------------------------------------------------------------
"$demo" --ticks </dev/null >"$out" 2>"$work/err" &
demo_pid=$!
started+=("$demo_pid")
if ! await_line 'ready [0-9]+ [0-9]+' 15; then
  echo "demo_e2e: the demo did not come up" >&2
  explain_stuck "$demo_pid"
  exit 1
fi
wid=$(timeout 10 xdotool search --sync --onlyvisible --pid "$demo_pid" | head -n 1)
if [ -z "$wid" ]; then
  echo "demo_e2e: no window of the demo is visible" >&2
  exit 1
fi
xdo windowactivate --sync "$wid" >/dev/null 2>&1

# --- Geometry, title, icon --------------------------------------------------------
check "client area is 282x400" await_is 3 282x400 client_size "$wid"
check "the platform saw a 282x400 client" has_line 'ready 282 400'
check "title" eval "xprop -id $wid WM_NAME | grep -q '\"Klop! demo\"'"
# The frame's icon: 32x32, starting with a transparent corner (the disc's ground).
# (Openbox gives an icon-less window a 48x48 one of its own.)
check "the window icon is the demo's 32x32" \
  eval "xprop -id $wid -f _NET_WM_ICON 32c _NET_WM_ICON | grep -q '= 32, 32, 0, 0, '"
check "the frame is resizable (no maximum size)" lacks_prop "$wid" WM_NORMAL_HINTS 'maximum size'

# --- Pixels -----------------------------------------------------------------------
is_square() { local c; c=$(pixel "$1" "$2"); [ "$c" = "#FF0000" ] || [ "$c" = "#008000" ]; }

shot_until "$wid" 10 10 '#000080'
check "band pixel (10,10) is navy" is_pixel 10 10 '#000080'
check "band's last row (281,39) is navy" is_pixel 281 39 '#000080'
check "ground below the band (0,40) is grey" is_pixel 0 40 '#C0C0C0'
check "ground corner (281,399) is grey" is_pixel 281 399 '#C0C0C0'
check "left of the square (104,164) is grey" is_pixel 104 164 '#C0C0C0'
check "square corner (105,164)" is_square 105 164
check "square corner (176,235)" is_square 176 235
check "past the square (177,236) is grey" is_pixel 177 236 '#C0C0C0'

# --- The timer repaints the square ------------------------------------------------
check "ticks arrive" await_line 'tick 5 [0-9.]+' 5
seen_red=0
seen_green=0
# Irregular pauses, so that the shots cannot fall in step with the ticks.
for pause in 0.03 0.11 0.07 0.16 0.05 0.13 0.02 0.19 0.09 0.04 0.17 0.06; do
  case $(region "$wid" 1x1+140+200) in
    *'#FF0000'*) seen_red=1 ;;
    *'#008000'*) seen_green=1 ;;
  esac
  [ $seen_red = 1 ] && [ $seen_green = 1 ] && break
  sleep "$pause"
done
check "the square shows both of its colours over time" test $((seen_red + seen_green)) = 2
# Ticks are kept on their deadlines: the Nth comes N x 100 ms after the timer was set,
# never before. How soon after is measured by bench/run-demo: a loaded machine delays
# them without a fault.
lateness() { awk '/^tick / { print $3 - $2 * 100 }' "$out" | sort -n; }
check "no tick before its deadline (earliest $(lateness | head -n 1) ms)" \
  awk -v e="$(lateness | head -n 1)" 'BEGIN { exit !(e >= 0) }'

# --- Cursor -----------------------------------------------------------------------
xdo mousemove --sync --window "$wid" 140 300
check "over the window: the cross cursor, hot spot (15,15)" await_cursor "32 32 15 15"
check "cross cursor: hot spot pixel opaque black" test "$(cursor_pixel 15 15)" = ff000000
check "cross cursor: white outline" test "$(cursor_pixel 15 3)" = ffffffff
check "cross cursor: transparent corner" test "$(cursor_pixel 0 0)" = 00000000

# --- Clicks -----------------------------------------------------------------------
xdo mousemove --sync --window "$wid" 40 50 click 1
check "a click arrives at client (40,50)" await_line 'click 40 50'
check "its release too" await_line 'release 40 50'
check "the press swapped the cursor" await_line 'cursor box'
check "now the box cursor, hot spot (2,3)" await_cursor "32 32 2 3"
check "box cursor: black border" test "$(cursor_pixel 19 19)" = ff000000
check "box cursor: white inside" test "$(cursor_pixel 5 5)" = ffffffff
check "box cursor: transparent outside" test "$(cursor_pixel 20 20)" = 00000000

# Over the frame the window manager's cursor shows, not ours.
xdo mousemove --sync --window "$wid" 140 -10
check "over the title bar the cursor is not the demo's" await_cursor_other_than "32 32 2 3"

# The checks of what did not come wait first for the last release: every press of the
# clicks before it has been told by then.
releases() { [ "$(lines "release $1")" -ge "$2" ]; }
sleep 0.6  # no double-click with the click above
xdo mousemove --sync --window "$wid" 100 300 click --repeat 2 --delay 80 1
check "a fast double-click arrives as a double-click" await_line 'dblclk 100 300'
check "...and two releases" wait_for 3 releases '100 300' 2
check "...after exactly one plain press" test "$(lines 'click 100 300')" = 1
check "the double-click's second press left the cursor alone" test "$(lines 'cursor (box|cross)')" = 2

sleep 0.6
xdo mousemove --sync --window "$wid" 200 300 click 1 sleep 0.7 click 1
check "two slow clicks are two releases" wait_for 3 releases '200 300' 2
check "...two presses" test "$(lines 'click 200 300')" = 2
check "...and no double-click" test "$(lines 'dblclk 200 300')" = 0

sleep 0.6
xdo mousemove --sync --window "$wid" 60 300 click 1 mousemove --sync --window "$wid" 70 300 click 1
check "two fast clicks 10 px apart: both released" wait_for 3 releases '70 300' 1
check "...two presses, no double-click" \
  eval '[ "$(lines "click (60|70) 300")" = 2 ] && [ "$(lines "dblclk (60|70) 300")" = 0 ]'

# --- Keys -------------------------------------------------------------------------
xdo windowactivate --sync "$wid" >/dev/null 2>&1
xdo key --clearmodifiers a
check "a key arrives as its virtual key" await_line 'key 0x41'
check "...and as its character" await_line 'char 0x61'

# --- Minimise, restore, maximise --------------------------------------------------
xdo windowminimize --sync "$wid"
check "minimise reaches the window as SIZE_MINIMIZED" await_line 'size minimized [0-9]+ [0-9]+'
xdo windowactivate --sync "$wid" >/dev/null 2>&1
check "restore reaches it as SIZE_RESTORED" await_line 'size restored 282 400'
wmctrl -i -r "$wid" -b add,maximized_vert,maximized_horz
check "maximise reaches it as SIZE_MAXIMIZED" await_line 'size maximized [0-9]+ [0-9]+'
big=$(client_size "$wid")
check "maximised, the window grew ($big)" eval '[[ $big =~ ^[0-9]+x[0-9]+$ ]] && [ "$big" != 282x400 ]'
# One pixel of a big window: a crop, not the whole window as text.
check "maximised, the new area is painted (1000,10)" \
  wait_for 5 eval "region $wid 1x1+1000+10 | grep -q '#C0C0C0'"
wmctrl -i -r "$wid" -b remove,maximized_vert,maximized_horz
check "unmaximised, it is 282x400 again" await_is 3 282x400 client_size "$wid"

# --- Closing through the window manager -------------------------------------------
wmctrl -i -c "$wid"
check "closing through the window manager ends the demo" wait_for 10 exited "$demo_pid"
reap "$demo_pid"
check "the demo exits 0 (got $status)" test "$status" = 0
check "its window was destroyed first" has_line closed
check "nothing on stderr" test ! -s "$work/err"

finish
