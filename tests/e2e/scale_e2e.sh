#!/usr/bin/env bash
# End-to-end: the game at scale 2, chosen by --scale 2 and, on a second desktop, by the X
# server's Xft.dpi of 192 (under sway: by the output's scale of 2). Each time the window
# must be the scale-1 window enlarged pixel for pixel, and still play: a click on a
# doubled critter scores, the options dialog opens at twice its size and its controls
# work by mouse. Every process started here is stopped by its own id at the end.
#
# With WINDOW_PICTURE, the window at scale 2 in a game, with its frame and a margin of
# the desktop around it, is saved there (the AppStream screenshot,
# docs/screenshot-window.png).
#
#   scale_e2e.sh KLOP CURSOR_IMAGE VERSION [WINDOW_PICTURE]
set -u

usage="usage: scale_e2e.sh KLOP CURSOR_IMAGE VERSION [WINDOW_PICTURE]"
klop=${1:?$usage}
cursor_image=${2:?$usage}
version=${3:?$usage}
window_picture=${4:-}

source "$(dirname "$0")/lib.sh"
on_sway || skip_without xrdb

holes=("10 10" "200 10" "100 100" "10 200" "200 200")

# Starts the game with the given arguments; sets pid and wid (its frame, activated).
launch() { start_game "$klop" "$@"; }

# Pixels per layout unit: sway's pointer moves in layout units, its shots are in the
# output's pixels.
out_scale=1
# The pointer to pixel (X, Y) of window $1, and a click there.
click_at() { pointer_to "$1" $(($2 / out_scale)) $(($3 / out_scale)) && click 1; }
# Window $1's client size in pixels.
pixel_size() {
  local w h
  read -r w h <<<"$(client_size "$1" | tr x ' ')" && [ -n "$h" ] && echo "$((w * out_scale))x$((h * out_scale))"
}

close_game() {
  close_window "$wid"
  check "$1: closing the window ends the game" wait_for 10 exited "$pid"
  reap "$pid"
  check "$1: the game exits 0 (got $status)" test "$status" = 0
}

# A picture of the game's window in file $1, once the game-over picture is up.
picture() {
  # sway's shots show the pointer: out of the way first.
  if on_sway; then pointer_at 0 0; fi
  wait_for 5 game_over_shown && shot_file "$wid" "$1"
}

# Opens Game > Options by keyboard; sets dialog.
open_options() {
  activate "$wid"
  choose_by_key o
  dialog=$(visible_window '^Options$')
}

# --- The command line, before any display is opened -----------------------------------
# Expected status, stdout (an extended regexp for all of it, lines joined by blanks;
# empty for none) and number of stderr lines, then the arguments.
runs() {
  local want=$1 stdout=$2 errs=$3 status
  shift 3
  DISPLAY= "$klop" "$@" >"$work/cl.out" 2>"$work/cl.err" </dev/null
  status=$?
  if [ -z "$stdout" ]; then
    [ ! -s "$work/cl.out" ] || return 1
  else
    tr '\n' ' ' <"$work/cl.out" | grep -q -x -E "$stdout" || return 1
  fi
  [ "$status" = "$want" ] && [ "$(wc -l <"$work/cl.err")" = "$errs" ]
}
check "--version prints the version ($version), exit 0" runs 0 "klop ${version//./\\.} " 0 --version
check "--help prints the usage and --scale, exit 0" runs 0 'usage: klop .*--scale N.*' 0 --help
check "an unknown option: one line on stderr, exit 2" runs 2 '' 1 --frobnicate
check "a stray argument: one line on stderr, exit 2" runs 2 '' 1 --scale 2 extra
check "--scale 9 is refused, exit 2" runs 2 '' 1 --scale=9

# A screen that holds the doubled window whole (a window cut by the screen's edge
# captures only in part).
screen=(-screen 0 1600x1200x24)
if on_sway; then screen=(--size 1600x1200); fi

# --- Scale 1: the reference ---------------------------------------------------------
start_desktop "${screen[@]}"
launch
read -r width height < <(pixel_size "$wid" | tr x ' ')
one_size=${width}x$height
bar=$((height - 400))
popup_at=("$wid" 0 "$bar" $((57 * s)))
picture "$work/one.png"
check "scale 1: the reference picture was taken" test -s "$work/one.png"
open_options
one_dialog=$(pixel_size "$dialog")
keys Escape
close_game "scale 1"

# The window manager's frame around our window, and the root's picture of it with a
# margin of 32 pixels of desktop on each side.
save_window_picture() {
  local frame=$wid parent x y w h
  xsetroot -solid '#3b6e8f'
  xdo windowmove --sync "$wid" 64 64 >/dev/null 2>&1
  while parent=$(xwininfo -children -id "$frame" | grep 'Parent window id:') &&
    ! grep -q '(the root window)' <<<"$parent"; do
    frame=$(awk '{print $4}' <<<"$parent")
  done
  read -r x y w h < <(xwininfo -id "$frame" | awk '/Absolute upper-left X:/ {x=$4}
    /Absolute upper-left Y:/ {y=$4} /Width:/ {w=$2} /Height:/ {h=$2} END {print x, y, w, h}')
  [ "$frame" != "$wid" ] && [ "$x" -ge 32 ] && [ "$y" -ge 32 ] || return 1
  timeout 10 import -window root -crop "$((w + 64))x$((h + 64))+$((x - 32))+$((y - 32))" \
    +repage "$work/framed.png" && cp "$work/framed.png" "$window_picture"
}

# Checks the game at scale 2 as started with the given arguments, under the name $1.
at_scale_2() {
  local name=$1 s=2
  shift
  launch "$@"
  sized() { read -r width height < <(pixel_size "$wid" | tr x ' ') && bar=$((height - 800)) &&
    [ "$width" = 564 ] && [ "$bar" = 38 ]; }
  wait_for 3 sized
  popup_at=("$wid" 0 "$bar" $((57 * s)))
  check "$name: the client is 564 wide (got $width)" test "$width" = 564
  check "$name: a 38-row menu bar above 800 rows (got $bar)" test "$bar" = 38

  /usr/bin/convert "$work/one.png" -scale 200% "$work/one-doubled.png"
  # sway shows a new scene once every client it configured has answered (or a timeout
  # passed): until then its shots are of a moment ago, the last game's windows too.
  local differ=
  doubled() {
    picture "$work/two.png" &&
      differ=$(compare -metric AE "$work/one-doubled.png" "$work/two.png" null: 2>&1) &&
      [ "$differ" = 0 ]
  }
  wait_for 5 doubled
  check "$name: the picture is the scale-1 picture doubled (pixels differing: $differ)" \
    test "$differ" = 0

  if on_sway; then
    not_here "$name: the mallet's size and hot spot" "no client may read the cursor on Wayland"
  else
    xdo mousemove --sync --window "$wid" $((140 * s)) $((190 * s + bar))
    check "$name: the mallet is doubled with its hot spot" await_cursor "64 64 30 34"
  fi

  # New by keyboard, then swings at the doubled holes' middles in turn until the hits
  # count: clicks that the scaling put anywhere else would all be misses.
  choose_by_key n
  check "$name: New starts a game" wait_for 3 game_running
  local hits_box="$((32 * s))x$((19 * s))+$((39 * s))+$((309 * s + bar))"
  local hits_before
  hits_before=$(crop "$hits_box")
  scored() {
    local h x y hits until=$(($(date +%s) + 13))
    [ -n "$hits_before" ] || return 1
    while [ "$(date +%s)" -lt "$until" ]; do
      for h in 0 1 2 3 4; do
        read -r x y <<<"${holes[h]}"
        click_at "$wid" $(((x + 36) * s)) $(((y + 36) * s + bar))
      done
      # sway's shots show the pointer: off the hits box before reading it.
      if on_sway; then pointer_at 0 0; fi
      hits=$(crop "$hits_box") && [ "$hits" != "$hits_before" ] && return 0
    done
    return 1
  }
  check "$name: a click on a doubled critter scores" scored
  if [ -n "$window_picture" ] && [ "$name" = "--scale 2" ] && ! on_sway; then
    check "$name: the framed window's picture is saved" save_window_picture
  fi
  choose_by_key s
  check "$name: Stop by keyboard" wait_for 3 game_over_shown

  # The options dialog at twice its size, worked by mouse: the speed's right arrow
  # moves its thumb, a click puts the caret in the game time, OK takes a 2-second game.
  open_options
  check "$name: the options dialog opens" test -n "$dialog"
  read -r dw dh < <(echo "$one_dialog" | tr x ' ')
  check "$name: ...at twice its size ($one_dialog, got $(client_size "$dialog"))" \
    test "$(pixel_size "$dialog")" = "$((dw * 2))x$((dh * 2))"
  local thumb track="$((207 * s))x$((17 * s))+$((9 * s))+$((29 * s))"
  thumb=$(region "$dialog" "$track")
  click_at "$dialog" $((208 * s)) $((37 * s))
  moved() { local now; now=$(region "$dialog" "$track") && [ -n "$thumb" ] && [ "$now" != "$thumb" ]; }
  check "$name: a click on the speed's arrow moves its thumb" wait_for 3 moved
  click_at "$dialog" $((113 * s)) $((156 * s))
  keys End BackSpace BackSpace BackSpace BackSpace
  type_text 2
  click_at "$dialog" $((69 * s)) $((201 * s))
  check "$name: OK by mouse closes the dialog" wait_for 3 not_shown "$dialog"
  short_game "$name"
  close_game "$name"
  check "$name: nothing on stderr" test ! -s "$work/err"
}

# --- Scale 2 by the command line ------------------------------------------------------
at_scale_2 "--scale 2" --scale 2

if on_sway; then
  # --- Scale 2 from the output's scale --------------------------------------------------
  stop_desktop
  start_desktop --size 800x600 --scale 2
  out_scale=2
  at_scale_2 "output scale 2"
  # A program's scale the output's does not divide: still 3 x 3 screen pixels each.
  launch --scale 3
  size3=$(pixel_size "$wid")
  check "--scale 3 on output scale 2: the client is 846 wide (got $size3)" \
    test "${size3%x*}" = 846
  close_game "--scale 3"
  # --- A fractional output's scale --------------------------------------------------------
  # At 1.25 the program's scale and the buffer's are 1: the window keeps its layout size.
  stop_desktop
  start_desktop --scale 1.25
  out_scale=1
  launch
  size125=$(client_size "$wid")
  check "output scale 1.25: the window is $one_size in layout units (got $size125)" \
    test "$size125" = "$one_size"
  close_game "output scale 1.25"
else
  # --- Scale 2 from the X server's Xft.dpi, on a desktop of 192 dots per inch ---------
  stop_desktop
  start_desktop "${screen[@]}" -dpi 192
  echo 'Xft.dpi: 192' | xrdb -merge
  at_scale_2 "Xft.dpi 192"
fi

finish
