#!/usr/bin/env bash
# End-to-end: the desktop host alone (host_probe; KLOP_HOST chooses which) on a desktop
# of its own (Xvfb with openbox, or sway: see lib.sh): window attributes as the window
# manager sees them, presented pixels, expose and resize answered from the host's own
# copy, the cursor, pointer, keys and states.
#
#   host_e2e.sh HOST_PROBE CURSOR_IMAGE
probe=${1:?usage: host_e2e.sh HOST_PROBE CURSOR_IMAGE}
cursor_image=${2:?usage: host_e2e.sh HOST_PROBE CURSOR_IMAGE}
source "$(dirname "$0")/lib.sh"
start_desktop

# The Wayland host's requests and events, traced by the client library on stderr.
trace=()
if on_sway && [ "${KLOP_HOST:-}" = wayland ]; then trace=(env WAYLAND_DEBUG=client); fi
start_probe host_e2e "${trace[@]}" "$probe"
frame=$(visible_window '^probe frame$')
dialog=$(visible_window '^probe dialog$')
if [ -z "$frame" ] || [ -z "$dialog" ]; then
  echo "host_e2e: the probe's windows are not visible" >&2
  exit 1
fi

# --- Attributes -------------------------------------------------------------------
check "frame surface is 200x150" await_is 3 200x150 client_size "$frame"
check "dialog surface is 120x80" await_is 3 120x80 client_size "$dialog"
if on_sway; then
  check "the frame's app id is the desktop entry's" test "$(view "$frame" .app_id)" = io.github.klopgame.Klop
  not_here "the dialog's owner, type, task bar and fixed size; the frame's icon" \
    "sway's IPC shows none of them"
elif on_mutter; then
  check "the dialog's caption has a close box alone, the frame's all three" \
    test "$dialog $frame" = "d m"
  not_here "the dialog's owner, type, task bar and fixed size; the frame's icon" \
    "mutter tells them to no other client"
else
owner=$(xprop -id "$dialog" WM_TRANSIENT_FOR | awk '{print $NF}')
check "the dialog is owned by the frame ($owner)" test "$((owner))" = "$frame"
check "the dialog is typed as a dialog" \
  eval "xprop -id $dialog _NET_WM_WINDOW_TYPE | grep -q '= _NET_WM_WINDOW_TYPE_DIALOG'"
check "the dialog stays out of the task bar" \
  eval "xprop -id $dialog _NET_WM_STATE | grep -q _NET_WM_STATE_SKIP_TASKBAR"
check "the dialog is fixed-size" \
  eval "xprop -id $dialog WM_NORMAL_HINTS | grep -q 'maximum size: 120 by 80'"
check "the frame is not fixed-size" lacks_prop "$frame" WM_NORMAL_HINTS 'maximum size'
check "the frame is in the task bar" lacks_prop "$frame" _NET_WM_STATE SKIP_TASKBAR
check "the frame's icon is the 32x32 green one" \
  eval "xprop -id $frame -f _NET_WM_ICON 32c _NET_WM_ICON | grep -q '= 32, 32, 4278255360, 4278255360'"
fi

# --- Pixels: only the presented rectangle of the red picture shows ----------------
activate "$frame"
frame_pixels_ok() {
  shot "$frame" && is_pixel 0 0 '#0000FF' && is_pixel 9 20 '#0000FF' &&
    is_pixel 10 20 '#FF0000' && is_pixel 39 59 '#FF0000' && is_pixel 40 59 '#0000FF' &&
    is_pixel 39 60 '#0000FF' && is_pixel 199 149 '#0000FF'
}
check "frame pixels: blue, with the one red rectangle presented" wait_for 3 frame_pixels_ok
activate "$dialog"
dialog_pixels_ok() { shot "$dialog" && is_pixel 0 0 '#00FF00' && is_pixel 119 79 '#00FF00'; }
check "dialog pixels are green" wait_for 3 dialog_pixels_ok

# Covered by the dialog and uncovered again: the host shows its pixels on its own. (On
# mutter by drags on the dialog's caption.)
read -r fx fy <<<"$(client_origin "$frame")"
move_window "$dialog" "$fx" "$fy"
# As the desktop sees it: the dialog's 120x80 over the frame's (60,60).
covers() {
  local dx dy
  if on_mutter; then mutter_window "$dialog" 1 >/dev/null || return 1; fi
  read -r dx dy <<<"$(client_origin "$dialog")" && [ -n "$dy" ] &&
    ((dx <= fx + 60 && fx + 60 < dx + 120 && dy <= fy + 60 && fy + 60 < dy + 80))
}
check "the dialog moved over the frame covers it" wait_for 3 covers
move_window "$dialog" 600 400
activate "$frame"
check "after being covered the frame shows the same pixels" wait_for 3 frame_pixels_ok

# --- Cursor and pointer ------------------------------------------------------------
# On sway no client may read the cursor, but the headless output draws it into the
# frame's pixels: the probe's 16x16 cursor, magenta at (0,0), hot spot (3,4), clear at
# (8,8), over the blue frame with the pointer at (50,50).
cursor_drawn() { shot "$frame" && is_pixel 47 46 '#FF00FF' && is_pixel 55 54 '#0000FF'; }
if on_sway || on_mutter; then
  pointer_to "$frame" 50 50
  check "over the frame: the probe's cursor, its hot spot at (3,4), clear where it is clear" \
    wait_for 3 cursor_drawn
else
  xdo mousemove --sync --window "$frame" 50 50
  check "over the frame: the probe's cursor, hot spot (3,4)" await_cursor "16 16 3 4"
  check "cursor pixel (0,0) is opaque magenta" test "$(cursor_pixel 0 0)" = ffff00ff
  check "cursor pixel (8,8) is transparent and carries no colour" \
    test "$(cursor_pixel 8 8)" = 00000000
fi

click 1
check "a press reaches the frame at (50,50)" await_line 'press frame 50 50 1'
check "and its release" await_line 'release frame 50 50 1'
pointer_to "$frame" 70 80
click 3
check "the right button is button 3" await_line 'press frame 70 80 3'

keys shift+a
check "shift+a: key A with shift" await_line 'keydown frame 0x41 1'
check "...and the text A" await_line 'text frame A'
keys F4 Return
check "F4 is VK_F4" await_line 'keydown frame 0x73 0'
check "Return is VK_RETURN" await_line 'keydown frame 0x0D 0'
check "key releases arrive" await_line 'keyup frame 0x0D 0'

if on_sway || on_mutter; then
  # No client may move the pointer: it stays where it is, at (70,80) in the frame. No
  # client knows where its window is either: the host's screen is its own, so the pointer
  # is compared with sway's in the frame's coordinates.
  not_here "warping the pointer" "Wayland lets no client move it"
  keys p
  await_line 'pointer .*'
  read -r _ x y _ bx by <<<"$(grep -E '^pointer ' "$out" | tail -n 1)"
  read -r ox oy <<<"$(client_origin "$frame")"
  read -r px py <<<"$pointer_xy"
  check "the pointer is read back where sway has it, at ($((px - ox)),$((py - oy))) in the frame" \
    test "$((x - bx)) $((y - by))" = "$((px - ox)) $((py - oy))"
  pointer_to "$frame" 50 50
  check "back at (50,50), the probe's cursor shows" wait_for 3 cursor_drawn
  # Hidden, the frame's own pixels show where the cursor was; the arrow is neither.
  hidden() { shot "$frame" && is_pixel 47 46 '#0000FF' && is_pixel 50 50 '#0000FF'; }
  arrow() { shot "$frame" && ! is_pixel 47 46 '#FF00FF' && ! is_pixel 50 50 '#0000FF'; }
  keys h
  check "a hidden pointer shows nothing" wait_for 3 hidden
  keys a
  check "the system arrow is the desktop's own cursor" wait_for 3 arrow
  keys s
  check "shown again, it is the probe's cursor" wait_for 3 cursor_drawn
else
  keys w
  await_line 'warped [0-9]+ [0-9]+'
  read -r _ wx wy <<<"$(grep -E '^warped ' "$out" | tail -n 1)"
  pointer_is_at() { at=$(xdotool getmouselocation | awk '{print $1, $2}') && [ "$at" = "x:$1 y:$2" ]; }
  wait_for 3 pointer_is_at "$wx" "$wy"
  check "warping puts the pointer at screen ($wx,$wy) (at $at)" pointer_is_at "$wx" "$wy"
  keys p
  await_line 'pointer .*'
  check "the pointer's position is read back in screen coordinates" \
    eval "grep -E '^pointer ' '$out' | tail -n 1 | awk '{ exit !(\$2 - \$5 == 30 && \$3 - \$6 == 40) }'"

  # A cursor image read back, with rows of pixels, all of them transparent or not.
  hidden() { "$cursor_image" | awk 'NR > 1 { rows++; for (i = 1; i <= NF; i++) if ($i != "00000000") bad = 1 } END { exit bad || !rows }'; }
  visible() { "$cursor_image" | awk 'NR > 1 { for (i = 1; i <= NF; i++) if ($i != "00000000") seen = 1 } END { exit !seen }'; }
  keys h
  check "a hidden pointer shows nothing" wait_for 3 hidden
  keys a
  arrow() { cursor_is_not "16 16 3 4" && visible; }
  wait_for 3 arrow
  check "the system arrow is the desktop's own cursor ($(cursor_head))" arrow
  keys s
  check "shown again, it is the probe's cursor" await_cursor "16 16 3 4"
fi

# --- A popup menu window: unmanaged, exactly where asked, no focus of its own -------
activate "$frame"
# Out of the way of the popup's pixels (sway's shots show the pointer).
pointer_to "$frame" 150 120
keys m
check "the probe shows a popup" await_line 'popup [0-9]+ [0-9]+'
read -r _ px py <<<"$(grep -E '^popup [0-9]' "$out" | tail -n 1)"
if on_sway || on_mutter; then
  # An xdg_popup, no view: seen in the frame's pixels, 60x40 at (10,25) as asked.
  popup_in_frame_ok() {
    shot "$frame" && is_pixel 10 25 '#FFFF00' && is_pixel 69 64 '#FFFF00' &&
      is_pixel 9 25 '#0000FF' && is_pixel 70 64 '#0000FF'
  }
  check "the popup shows yellow, 60x40, where asked relative to the frame" wait_for 3 popup_in_frame_ok
else
popup=$(visible_window '^probe popup$')
check "the popup is a window of its own" test -n "$popup"
check "the popup is override-redirect" \
  eval "xwininfo -id $popup | grep -q 'Override Redirect State: yes'"
popup_pos=$(xwininfo -id "$popup" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF} END {print x, y}')
check "the popup is at ($px,$py) on the screen (at $popup_pos)" test "$popup_pos" = "$px $py"
check "the popup is 60x40, unframed" test "$(client_size "$popup")" = 60x40
popup_owner=$(xprop -id "$popup" WM_TRANSIENT_FOR | awk '{print $NF}')
check "the popup is transient for the frame ($popup_owner)" test "$((popup_owner))" = "$frame"
check "the popup is typed as a popup menu" \
  eval "xprop -id $popup _NET_WM_WINDOW_TYPE | grep -q '= _NET_WM_WINDOW_TYPE_POPUP_MENU'"
check "the popup is not marked modal" lacks_prop "$popup" _NET_WM_STATE MODAL
popup_pixels_ok() { shot "$popup" && is_pixel 0 0 '#FFFF00' && is_pixel 59 39 '#FFFF00'; }
check "popup pixels are yellow" wait_for 3 popup_pixels_ok
fi
keys n
check "keys still go to the frame while the popup shows" await_line 'text frame n'
await_line 'popup gone'
if on_sway || on_mutter; then popup_gone() { frame_pixels_ok; }; else popup_gone() { gone "$popup"; }; fi
check "and the popup goes" wait_for 3 popup_gone

# --- States and size ---------------------------------------------------------------
if on_mutter; then
  # As its user does: a drag on the sizing frame's bottom-right corner.
  read -r fx fy <<<"$(client_origin "$frame")"
  xdo mousemove $((fx + 202)) $((fy + 152)) mousedown 1 mousemove $((fx + 252)) $((fy + 202)) \
    sleep 0.2 mousemove $((fx + 302)) $((fy + 252)) sleep 0.2 mouseup 1
else
  resize_window "$frame" 300 250
fi
check "a resize by the window manager reaches the host" await_line 'resized frame 300 250'
resized_pixels_ok() {
  shot "$frame" && is_pixel 0 0 '#0000FF' && is_pixel 10 20 '#FF0000' && is_pixel 199 149 '#0000FF'
}
check "resized, the frame still shows what it was last given" wait_for 3 resized_pixels_ok

if on_sway; then
  not_here "minimise, restore and maximise" "sway does neither to a floating view"
elif on_mutter; then
  # By the caption's boxes: maximise, then restore; nested mutter has no task bar to
  # restore a minimised window from.
  mutter_window m 5 >/dev/null
  read -r fx fy <<<"$(client_origin "$frame")"
  xdo mousemove $((fx + 300 - 27)) $((fy - 10)) click 1
  check "maximise" await_line 'maximized frame'
  # The host hears of it before mutter shows it there: the restore box is clicked once
  # the caption runs along the screen's top.
  maximised_shown() { mutter_find && [ "$mutter_kind" = m ] && [[ ${mutter_geo[m]} == "0 19 "* ]]; }
  check "...and shown along the screen's top" wait_for 5 maximised_shown
  xdo mousemove $((1024 - 27)) 9 click 1
  check "restore" await_line 'restored frame'
  restored_shown() { mutter_find && [ "$mutter_kind" = m ] && [[ ${mutter_geo[m]} != "0 19 "* ]]; }
  check "...and shown where it was" wait_for 5 restored_shown
  not_here "minimise" "with the dialog shown Alt+Tab goes to it; game_e2e_mutter minimises"
else
  xdo windowminimize --sync "$frame"
  check "minimise" await_line 'minimized frame'
  xdo windowactivate --sync "$frame" >/dev/null 2>&1
  check "restore" await_line 'restored frame'
  wmctrl -i -r "$frame" -b add,maximized_vert,maximized_horz
  check "maximise" await_line 'maximized frame'
fi
check "focus is reported" has_line 'focus frame'

# --- Closing -----------------------------------------------------------------------
close_window "$dialog"
check "closing the dialog asks the probe" await_line 'close dialog'
check "and the dialog window goes" wait_for 5 gone "$dialog"
close_window "$frame"
check "closing the frame ends the probe" wait_for 10 exited "$probe_pid"
reap "$probe_pid"
check "the probe exits 0 (got $status)" test "$status" = 0
if [ ${#trace[@]} -gt 0 ]; then
  # sway shows a change of its scene (a view mapped, focused, closed) once every client
  # it configured has committed after the ack: the host answers each configure with a
  # commit of its surface before it reads another event.
  configures_answered() {
    awk '/ -> xdg_wm_base@[0-9]+\.get_xdg_surface\(/ {
        match($0, /xdg_surface@[0-9]+/); x = substr($0, RSTART + 12, RLENGTH - 12)
        match($0, /wl_surface@[0-9]+/); surface[x] = substr($0, RSTART + 11, RLENGTH - 11)
        next
      }
      / -> xdg_surface@[0-9]+\.ack_configure\(/ {
        match($0, /xdg_surface@[0-9]+/); owed[surface[substr($0, RSTART + 12, RLENGTH - 12)]] = 1
        acks++
        next
      }
      / -> wl_surface@[0-9]+\.commit\(/ {
        match($0, /wl_surface@[0-9]+/); delete owed[substr($0, RSTART + 11, RLENGTH - 11)]
        next
      }
      / -> / { next }
      /@[0-9]+\.[a-z_]+\(/ { for (s in owed) { late++; delete owed[s] } }
      END {
        printf "  %d configures acked, %d not answered by a commit\n", acks, late
        exit !(acks > 0 && late == 0)
      }' "$work/err"
  }
  check "each configure is answered by a commit of its surface" configures_answered
  grep -v -E '^\[ *[0-9]+\.[0-9]+\] ' "$work/err" >"$work/err.rest"
  mv "$work/err.rest" "$work/err"
fi
check "nothing on stderr" test ! -s "$work/err"
finish
