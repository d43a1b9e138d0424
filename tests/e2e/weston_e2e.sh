#!/usr/bin/env bash
# End-to-end: the game under weston's headless backend, which draws no decorations and
# has no seat: the game draws its own caption, keeps running with no input at all, and
# ends with a clear message and status 1 when the compositor goes away.
#
#   weston_e2e.sh KLOP
klop=${1:?usage: weston_e2e.sh KLOP}
KLOP_E2E_DESKTOP=weston
source "$(dirname "$0")/lib.sh"
start_desktop

"$klop" </dev/null >"$out" 2>"$work/err" &
pid=$!
started+=("$pid")

# The caption: the topmost, leftmost pixel of the caption's grey (inactive: no seat, no
# focus) on the screen, and the run of that grey from there along its row, at least
# 200 pixels; sets cx, cy and run, and the pixels of rows cy to cy + 24 in rows.txt.
find_caption() {
  local box
  screen_shot "$work/screen.png" || return 1
  box=$(/usr/bin/convert "$work/screen.png" -fill black +opaque '#808080' -fill white \
    -opaque '#808080' -format '%@' info:) || return 1
  [[ $box =~ ^[0-9]+x[0-9]+\+([0-9]+)\+([0-9]+)$ ]] || return 1
  cx=${BASH_REMATCH[1]}
  cy=${BASH_REMATCH[2]}
  /usr/bin/convert "$work/screen.png" -crop "1024x25+0+$cy" +repage -depth 8 txt:- >"$work/rows.txt"
  run=$(awk -F'[,: ]+' -v x="$cx" '$2 == 0 && $1 >= x { if ($6 != "#808080") { print $1 - x; exit } }' "$work/rows.txt")
  [ "${run:-0}" -ge 200 ]
}
check "the game shows a caption of its own" wait_for 30 find_caption
pixel_at() { awk -v key="$1,$(($2 - cy)):" '$1 == key { print $3; exit }' "$work/rows.txt"; }
# Under the caption the menu bar's grey, and the game's olive time box somewhere.
check "...over the game's menu bar" test "$(pixel_at $((cx + 9)) $((cy + 20)))" = '#C0C0C0'
board() { /usr/bin/convert "$work/screen.png" -fill black +opaque '#808000' -format '%@' info: | grep -q -v '^0x0'; }
check "...and the game's board painted" board
# Right of the caption's grey: the minimise and the close box, raised (white at their
# top left, black at the close box's right).
boxes() {
  local right=$((cx + run))
  [ "$(pixel_at "$right" $((cy + 4)))" = '#FFFFFF' ] &&
    [ "$(pixel_at $((right + 18)) $((cy + 4)))" = '#FFFFFF' ] &&
    [ "$(pixel_at $((right + 35)) $((cy + 4)))" = '#000000' ]
}
check "...ending in its minimise and close boxes" boxes
check "the game keeps running with no seat" eval "screen_shot $work/again.png && ! exited $pid"

stop_desktop
check "with the compositor gone, the game ends" wait_for 10 exited "$pid"
reap "$pid"
check "...with status 1 (got $status)" test "$status" = 1
check "...and one line on stderr ($(head -c 200 "$work/err"))" test "$(wc -l <"$work/err")" = 1
finish
