#!/usr/bin/env bash
# End-to-end: the game itself in a real window on a desktop of its own (Xvfb with
# openbox, sway or mutter: see lib.sh), played like a player would, read back by screenshots,
# the window's properties and the pointer's cursor image. Every process started here
# is stopped by its own id at the end.
#
#   game_e2e.sh KLOP CURSOR_IMAGE [SCREENSHOT]
#     SCREENSHOT  where to save a picture of a game in progress (for the README)
set -u

klop=${1:?usage: game_e2e.sh KLOP CURSOR_IMAGE [SCREENSHOT]}
cursor_image=${2:?usage: game_e2e.sh KLOP CURSOR_IMAGE [SCREENSHOT]}
screenshot=${3:-}

source "$(dirname "$0")/lib.sh"
# SDL before 2.30.1 crashes on Wayland once a virtual keyboard has typed: its host then
# goes through XWayland.
through_xwayland=
if on_sway && [ "${KLOP_HOST:-}" = sdl ]; then through_xwayland=1; fi
start_desktop ${through_xwayland:+--xwayland}

grey='#C0C0C0'
# A hole's middle pixel: black on a live critter, cyan on a squashed one, grey when empty.
live='#000000'
dead='#00FFFF'
holes=("10 10" "200 10" "100 100" "10 200" "200 200")

if on_sway; then
  # As an on-screen keyboard or wtype does, before the game starts: a keyboard of its
  # own types and goes, and a new client's keyboard then gets modifiers before a keymap.
  user_command "$(command -v "${KLOP_E2E_WL_INPUT:-wl_input}")" --once k
  check "a passing virtual keyboard types before the game starts" "${user_cmd[@]}"
fi
if [ -n "$through_xwayland" ]; then
  if pkg-config --atleast-version=2.30.1 sdl2; then
    not_here "an SDL that would crash on Wayland is refused" "this SDL has the mend"
  else
    # Without XWayland it would crash on Wayland: refused, naming the native host.
    refused() {
      local why
      user_command "$klop"
      why=$(timeout 10 "${user_cmd[@]}" 2>&1 >/dev/null </dev/null)
      [ $? = 1 ] && grep -q 'KLOP_HOST=wayland' <<<"$why"
    }
    check "without XWayland this SDL is refused, naming the Wayland host" refused
  fi
  export DISPLAY=$xwayland_display
fi
start_game "$klop"

# --- Geometry and title -------------------------------------------------------------
# The X window holds the menu bar's strip above the game's 282 x 400 client area.
sized() { read -r width height < <(client_size "$wid" | tr x ' ') && bar=$((height - 400)) &&
  [ "$width" = 282 ] && [ "$bar" -ge 15 ] && [ "$bar" -le 25 ]; }
wait_for 3 sized
check "the client is 282 wide (got $width)" test "$width" = 282
check "a menu bar strip sits above a 400-pixel client (strip $bar)" test "$bar" -ge 15 -a "$bar" -le 25
popup_at=("$wid" 0 "$bar" $((57 * s)))
if on_sway; then
  check "title" await_is 3 'Klop!' view "$wid" .name
  if [ -n "$through_xwayland" ]; then
    check "through XWayland, its class is Klop" test "$(view "$wid" .window_properties.class)" = Klop
  else
    check "its app id is the desktop entry's" test "$(view "$wid" .app_id)" = io.github.klopgame.Klop
  fi
  not_here "the frame's icons" "sway 1.7 takes no icon from a window"
elif on_mutter; then
  not_here "title, app id and icons" "mutter tells them to no other client"
else
  check "title" eval "xprop -id $wid WM_NAME | grep -q '\"Klop!\"'"
  check "the frame has the 32x32 icon" eval "xprop -id $wid -f _NET_WM_ICON 32c _NET_WM_ICON | grep -q '= 32, 32, '"
  # The icon's sizes: each one's width and height, then its pixels.
  icon_sizes() {
    xprop -id "$wid" -f _NET_WM_ICON 32c _NET_WM_ICON | sed 's/.*= //' | tr -d ' ' | tr ',' '\n' |
      awk 'BEGIN { at = 1 } NR == at { w = $1 } NR == at + 1 { printf "%dx%d ", w, $1; at += 2 + w * $1 }'
  }
  check "the icon is offered at 32 and 64 (got $(icon_sizes))" test "$(icon_sizes)" = "32x32 64x64 "
  check "its class is (klop, Klop)" eval "xprop -id $wid WM_CLASS | grep -q '= \"klop\", \"Klop\"$'"
fi
if [ "${KLOP_HOST:-}" != sdl ]; then
  no_sdl() { local maps; maps=$(cat /proc/"$pid"/maps) && [ -n "$maps" ] && ! grep -q -i sdl <<<"$maps"; }
  check "on the ${KLOP_HOST:-default} host no SDL library is mapped" no_sdl
fi

# Client point -> X window point.
at() { echo "$1 $(($2 + bar))"; }
client_pixel() { pixel "$1" $(($2 + bar)); }
is_client_pixel() { [ "$(client_pixel "$1" "$2")" = "$3" ]; }
shot_client_until() { shot_until "$wid" "$1" $(($2 + bar)) "$3"; }
# The time box's pixels, to tell whether the time moves: it shows tenths of a second,
# so a running clock always differs after 0.45 s.
time_box() { crop "32x22+130+$((252 + bar))"; }
time_moves() { local a b; a=$(time_box) && sleep 0.45 && b=$(time_box) && [ "$a" != "$b" ]; }
time_still() { local a b; a=$(time_box) && sleep 0.45 && b=$(time_box) && [ "$a" = "$b" ]; }

# --- Before the first game ----------------------------------------------------------
shot_client_until 85 103 '#000000'
check "the game-over picture shows before the first game" is_client_pixel 85 103 '#000000'
check "background at the client's corner" is_client_pixel 0 399 "$grey"
check "the board's olive time box" is_client_pixel 125 260 '#808000'
check "the time stands still before a game" time_still

# --- The cursor -----------------------------------------------------------------------
if on_sway || on_mutter; then
  # No client may read another's cursor here, but the headless output draws it into
  # its pixels: the picture around the pointer changes as the mallet swings and back.
  cursor_look() { crop "48x48+$((140 - 24))+$((190 + bar - 24))"; }
  # A look that differs from $1, a look that was taken: an empty one differs from any.
  look_other_than() { local look; look=$(cursor_look) && [ -n "$1" ] && [ "$look" != "$1" ]; }
  empty_look=$(cursor_look)
  pointer_to "$wid" $(at 140 190)
  check "over the game a cursor of the game's shows" wait_for 3 look_other_than "$empty_look"
  up_look=$(cursor_look)
  button_down 1
  check "held down, the mallet is swung" wait_for 3 look_other_than "$up_look"
  button_up 1
  check "released, the mallet is up again" wait_for 3 eval 'look=$(cursor_look) && [ "$look" = "$up_look" ]'
else
  xdo mousemove --sync --window "$wid" $(at 140 190)
  check "over the game the cursor is the mallet, hot spot (15,17)" await_cursor "32 32 15 17"
  xdo mousedown 1
  check "held down, the mallet is swung (hot spot (17,10))" await_cursor "32 32 17 10"
  xdo mouseup 1
  check "released, the mallet is up again" await_cursor "32 32 15 17"
fi

# --- Menus ------------------------------------------------------------------------------
# The bar's items, at the middle of their texts: "Game", "Pause"/"Continue", "About".
bar_x=(18 57 96)
# No --sync: xdotool waits for a move that never comes when the pointer is there already.
click_bar() { pointer_to "$wid" "${bar_x[$1]}" $((bar / 2)) && click 1; }
# An item of the "Game" popup once it is open: New, Options..., Stop. The popup opens
# under the bar item, a raised 3-pixel edge around rows of 17 pixels. (SDL's popups on
# Wayland are views of their own, which sway places itself.)
click_popup_item() {
  local popup=
  wait_for 3 one_popup || return 1
  if on_sway; then popup=$(view_where ".pid == $pid and .name == \"\""); fi
  if [ -n "$popup" ]; then
    pointer_to "$popup" 30 $((3 + 17 * $1 + 8))
  else
    pointer_to "$wid" 30 $((bar + 3 + 17 * $1 + 8))
  fi && click 1
}
# Game > item $1 by mouse.
choose() { click_bar 0 && click_popup_item "$1"; }

# New by mouse.
choose 0
check "New by mouse: the game-over picture is gone" wait_for 3 game_running
check "New by mouse: the time counts down" wait_for 3 time_moves

# Pause and Continue from the bar: the time stops within a moment, and moves again.
click_bar 1
check "Pause from the bar stops the time" wait_for 3 time_still
check "...in a game still running" game_running
click_bar 1
check "Continue from the bar runs it again" wait_for 3 time_moves

# --- Playing: hit a critter ----------------------------------------------------------
# Waits for a critter to come up and swings at it; answers whether it showed squashed.
hit_one() {
  local h x y
  for _ in $(seq 100); do
    # A slow machine may see the whole game go by before it catches a critter: play on.
    if game_over_shown; then
      choose 0
      wait_for 3 game_running
    fi
    # One screenshot, five pixels read from it: a critter is up for about a second.
    shot "$wid" || continue
    for h in 0 1 2 3 4; do
      read -r x y <<<"${holes[h]}"
      if is_pixel $((x + 36)) $((y + 36 + bar)) "$live"; then
        pointer_to "$wid" $(at $((x + 36)) $((y + 36)))
        click 1
        # sway's shots show the pointer, which would hide the hole.
        if on_sway || on_mutter; then pointer_to "$wid" $(at 275 395); fi
        wait_for 3 eval "crop 1x1+$((x + 36))+$((y + 36 + bar)) | grep -q '$dead'" && return 0
      fi
    done
  done
  return 1
}
check "a click on a critter shows it squashed" hit_one
if [ -n "$screenshot" ]; then
  # A game in progress, for the README.
  sleep 0.4
  shot_file "$wid" "$screenshot"
fi

# Stop from the popup by mouse.
choose 2
check "Stop shows the game-over picture" wait_for 3 game_over_shown

# --- New by keyboard --------------------------------------------------------------------
activate "$wid"
choose_by_key n
check "New by keyboard: the game-over picture is gone" wait_for 3 game_running
check "New by keyboard: the time counts down" wait_for 3 time_moves
choose 2
check "Stop by mouse again" wait_for 3 game_over_shown

# --- Options: a 2-second game ---------------------------------------------------------
choose_by_key o
dialog=$(visible_window '^Options$')
check "the options dialog opens" test -n "$dialog"
if on_sway; then
  not_here "the dialog's decorations and allowed actions" "sway shows neither"
elif on_mutter; then
  check "the dialog's own caption has a close box alone" test "$dialog" = d
else
  # Title and close box only; openbox keeps a minimise box whatever a window asks (and
  # minimises the frame with it), but it can be neither maximised nor resized.
  check "the dialog asks to be moved and closed only, with title and border" \
    eval "xprop -id $dialog _MOTIF_WM_HINTS | grep -q '= 0x3, 0x24, 0xa, 0x0, 0x0$'"
  check "...and is not offered maximise or resize" \
    lacks_prop "$dialog" _NET_WM_ALLOWED_ACTIONS 'MAXIMIZE|RESIZE'
fi
# Alt+T: the game time's field; its old text goes, 2 comes, Enter is OK.
keys alt+t End BackSpace BackSpace BackSpace BackSpace
type_text 2
keys Return
check "OK closes the dialog" wait_for 3 not_shown "$dialog"
short_game "a 2-second game"

# --- Minimise and restore ---------------------------------------------------------------
if on_sway; then
  not_here "minimise and restore" "sway minimises no window"
elif on_mutter; then
  # By our caption's minimise box; nested mutter has no task bar, but Alt+Tab brings the
  # window back.
  mutter_window m 5 >/dev/null
  read -r ox oy <<<"$(client_origin "$wid")"
  size=$(client_size "$wid")
  xdo mousemove $((ox + ${size%x*} - 45)) $((oy - 10)) click 1
  mutter_park
  check "minimised by its box, the window is not shown" wait_for 3 not_shown "$wid"
  keys alt+Tab
  check "restored by Alt+Tab at the same size ($size)" \
    wait_for 3 eval 'mutter_window m 1 >/dev/null && [ "$(client_size "$wid")" = "$size" ]'
else
  size=$(client_size "$wid")
  xdo windowminimize --sync "$wid"
  check "minimised, the window is not shown" wait_for 3 not_shown "$wid"
  xdo windowactivate --sync "$wid" >/dev/null 2>&1
  check "restored at the same size ($size)" wait_for 3 eval "[ \"\$(client_size $wid)\" = $size ]"
fi

# --- Our own caption (mutter draws none) --------------------------------------------------
if on_mutter; then
  mutter_window m 5 >/dev/null
  read -r ox oy <<<"$(client_origin "$wid")"
  size=$(client_size "$wid")
  read -r w h <<<"${size/x/ }"
  # The pointer is drawn into the output: the mallet reaches up and left of its hot spot,
  # a sizing arrow left of it, the arrow neither. drawn_at X Y WxH+DX+DY: the pointer at
  # (X, Y) changes the screen's part WxH at (X - DX, Y - DY).
  drawn_at() {
    local part
    IFS='x+' read -r -a part <<<"$3"
    part="${part[0]}x${part[1]}+$(($1 - part[2]))+$(($2 - part[3]))"
    mutter_park && x11_shot root "$work/bare.ppm" "$part" && xdo mousemove "$1" "$2" && sleep 0.2 &&
      x11_shot root "$work/with.ppm" "$part" && ! cmp -s "$work/bare.ppm" "$work/with.ppm"
  }
  up_left=10x10+12+12 left=8x5+10+2
  check "over the board the mallet shows" wait_for 3 drawn_at $((ox + 140)) $((oy + bar + 190)) $up_left
  check "over the caption the arrow shows, not the mallet" \
    eval "! drawn_at $((ox + 24)) $((oy - 3)) $up_left && ! drawn_at $((ox + 24)) $((oy - 3)) $left"
  check "over the right edge a sizing arrow shows" wait_for 3 drawn_at $((ox + w + 2)) $((oy + h / 2)) $left
  maximised() { mutter_window m 1 >/dev/null && [ "$(client_size "$wid")" = "1024x$((768 - 19))" ]; }
  restored() { mutter_window m 1 >/dev/null && [ "$(client_size "$wid")" = "$size" ]; }
  placed() { mutter_window m 1 >/dev/null && [ "$(client_origin "$wid") $(client_size "$wid")" = "$*" ]; }
  # The corner's sizing frame: a drag 40 right and 30 down.
  drag $((ox + w + 2)) $((oy + h + 2)) 40 30
  check "a drag on the frame's corner sizes the window (to $((w + 40))x$((h + 30)))" \
    wait_for 5 placed "$ox" "$oy" "$((w + 40))x$((h + 30))"
  size=$(client_size "$wid")
  read -r ox oy <<<"$(client_origin "$wid")"
  read -r w h <<<"${size/x/ }"
  xdo mousemove $((ox + w - 27)) $((oy - 10)) click 1
  check "the maximise box maximises" wait_for 5 maximised
  xdo mousemove $((1024 - 27)) 9 click 1
  check "...and, now the restore box, restores" wait_for 5 restored
  read -r ox oy <<<"$(client_origin "$wid")"
  xdo mousemove $((ox + 60)) $((oy - 10)) click --repeat 2 --delay 80 1
  check "a double-click on the caption maximises" wait_for 5 maximised
  xdo mousemove 60 9 click --repeat 2 --delay 80 1
  check "...and another restores" wait_for 5 restored
  read -r ox oy <<<"$(client_origin "$wid")"
  # The icon opens the system menu under the caption, over the menu bar.
  popup_at=("$wid" 0 0 $((6 * 17 + 9 + 6)))
  xdo mousemove $((ox + 8)) $((oy - 10)) click 1
  check "the icon opens the system menu" wait_for 3 eval '[ "$(popups)" = frame ]'
  keys Escape
  check "...which Escape closes" wait_for 3 eval 'p=$(popups) && [ -z "$p" ]'
  # Alt+Space opens it too (mutter's own window menu is off in its settings).
  keys alt+space
  check "...and so does Alt+Space" wait_for 3 eval '[ "$(popups)" = frame ]'
  keys x
  check "...its Maximise maximises" wait_for 5 maximised
  xdo mousemove 8 9 click 1
  wait_for 3 eval '[ "$(popups)" = frame ]'
  keys r
  check "...its Restore restores" wait_for 5 restored
  # A drag on the title moves the window (once the pointer leaves the double-click's
  # box); one on each other edge and corner of the sizing frame sizes it from there.
  read -r ox oy <<<"$(client_origin "$wid")"
  drag $((ox + 80)) $((oy - 10)) 40 40
  check "a drag on the title moves the window (to $((ox + 40)),$((oy + 40)))" \
    wait_for 5 placed $((ox + 40)) $((oy + 40)) "$size"
  for edge in "-1 0 left edge" "1 0 right edge" "0 -1 top edge" "0 1 bottom edge" \
    "-1 -1 top-left corner" "1 -1 top-right corner" "-1 1 bottom-left corner"; do
    read -r sx sy name <<<"$edge"
    read -r ox oy <<<"$(client_origin "$wid")"
    read -r w h <<<"$(client_size "$wid" | tr x ' ')"
    # By direction (0, 1, -1): the middle, or 2 pixels out of the window (whose caption's
    # 19 rows are above the client area).
    at_x=($((ox + w / 2)) $((ox + w + 2)) $((ox - 2))) at_y=($((oy + h / 2)) $((oy + h + 2)) $((oy - 21)))
    drag "${at_x[sx]}" "${at_y[sy]}" $((20 * sx)) $((20 * sy))
    want="$((ox - 20 * (sx < 0))) $((oy - 20 * (sy < 0))) $((w + 20 * sx * sx))x$((h + 20 * sy * sy))"
    check "a drag on the $name sizes the window from there (to $want)" wait_for 5 placed $want
  done
  read -r ox oy <<<"$(client_origin "$wid")"
  read -r w h <<<"$(client_size "$wid" | tr x ' ')"
  xdo mousemove $((ox + w - 9)) $((oy - 10)) click 1
else
  close_window "$wid"
fi
# --- Closing ----------------------------------------------------------------------------
check "closing the window ends the game" wait_for 10 exited "$pid"
reap "$pid"
check "the game exits 0 (got $status)" test "$status" = 0
check "nothing on stderr" test ! -s "$work/err"

# --- The compositor going away ----------------------------------------------------------
if on_sway; then
  start_game "$klop"
  game_ends_with_desktop
fi

finish
