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

# The game's window: all of the screen that is not the desktop's plain colour, its
# sizing frame 4 pixels around; sets the pixels of its top 29 rows in rows.txt. Its
# caption, in the inactive grey (no seat, no focus), starts inside the frame's top left
# and runs along its top row for at least 200 pixels (run).
find_caption() {
  local box
  screen_shot "$work/screen.png" || return 1
  box=$(/usr/bin/convert "$work/screen.png" -fill white +opaque "$weston_background" \
    -fill black -opaque "$weston_background" -format '%@' info:) || return 1
  [[ $box =~ ^([0-9]+)x[0-9]+\+([0-9]+\+[0-9]+)$ ]] || return 1
  /usr/bin/convert "$work/screen.png" -crop "$box" +repage "$work/window.png" &&
    /usr/bin/convert "$work/window.png" -crop "${BASH_REMATCH[1]}x29+0+0" -depth 8 txt:- >"$work/rows.txt" ||
    return 1
  run=$(awk -F'[,: ]+' '$2 == 4 && $1 >= 4 { if ($6 != "#808080") { print $1; exit } }' "$work/rows.txt")
  [ "${run:-0}" -ge 200 ] && [ "$(pixel_at 0 0)" = '#000000' ] && [ "$(pixel_at 2 20)" = '#C0C0C0' ]
}
pixel_at() { awk -v key="$1,$2:" '$1 == key { print $3; exit }' "$work/rows.txt"; }
check "the game shows a caption of its own, in a sizing frame" wait_for 30 find_caption

# Under the caption the menu bar's grey, and the game's olive time box somewhere.
check "...over the game's menu bar" test "$(pixel_at 13 24)" = '#C0C0C0'
board() { /usr/bin/convert "$work/window.png" -fill black +opaque '#808000' -format '%@' info: | grep -q -v '^0x0'; }
# The caption goes out with the platform's first picture, the board maybe a frame later.
check "...and the game's board painted" wait_for 5 eval 'find_caption && board'
# Right of the caption's grey: the minimise, maximise and close boxes, raised (white at
# their top left, black at the close box's right), then the frame.
boxes() {
  [ "$(pixel_at "$run" 8)" = '#FFFFFF' ] && [ "$(pixel_at $((run + 18)) 8)" = '#FFFFFF' ] &&
    [ "$(pixel_at $((run + 36)) 8)" = '#FFFFFF' ] && [ "$(pixel_at $((run + 53)) 8)" = '#000000' ] &&
    [ "$(pixel_at $((run + 56)) 8)" = '#C0C0C0' ]
}
check "...ending in its minimise, maximise and close boxes" boxes
check "the game keeps running with no seat" eval "screen_shot $work/again.png && ! exited $pid"

game_ends_with_desktop
finish
