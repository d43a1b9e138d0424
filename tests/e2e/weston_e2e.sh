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

# The screen as text, a pixel per line ("X,Y: (...) #RRGGBB ...").
screen_text() { screen_shot "$work/screen.png" && /usr/bin/convert "$work/screen.png" -depth 8 txt:- >"$work/screen.txt"; }
# The caption: the first row with a run of at least 200 pixels of the caption's grey
# (inactive: no seat, no focus); sets cx, cy (the run's start) and run (its length).
find_caption() {
  read -r cx cy run < <(awk -F'[,: ]+' '
      { colour = ($6 == "#808080"); next_to = ($2 == row && $1 == last + 1 && was) }
      colour && next_to { n++ }
      colour && !next_to { n = 1; start = $1; at = $2 }
      !colour && n >= 200 { print start, at, n; exit }
      !colour { n = 0 }
      { row = $2; last = $1; was = colour }' "$work/screen.txt")
  [ -n "${cy:-}" ]
}
caption_shown() { screen_text && find_caption; }
check "the game shows a caption of its own" wait_for 10 caption_shown
pixel_at() { awk -v key="$1,$2:" '$1 == key { print $3; exit }' "$work/screen.txt"; }
# Under the caption the menu bar's grey, and the game's olive time box somewhere.
check "...over the game's menu bar" test "$(pixel_at $((cx + 9)) $((cy + 20)))" = '#C0C0C0'
check "...and the game's board painted" grep -q '#808000' "$work/screen.txt"
# Right of the caption's grey: the minimise and the close box, raised (white at their
# top left, black at the close box's right).
boxes() {
  local right=$((cx + run))
  [ "$(pixel_at "$right" $((cy + 4)))" = '#FFFFFF' ] &&
    [ "$(pixel_at $((right + 18)) $((cy + 4)))" = '#FFFFFF' ] &&
    [ "$(pixel_at $((right + 35)) $((cy + 4)))" = '#000000' ]
}
check "...ending in its minimise and close boxes" boxes
check "the game keeps running with no seat" eval "screen_text && ! exited $pid"

stop_desktop
check "with the compositor gone, the game ends" wait_for 10 exited "$pid"
reap "$pid"
check "...with status 1 (got $status)" test "$status" = 1
check "...and one line on stderr ($(head -c 200 "$work/err"))" test "$(wc -l <"$work/err")" = 1
finish
