# Shared by the end-to-end scripts: a display and a window manager of their own,
# checks that count, and waits that always end. Every process started through
# `start` is stopped by its own id when the script exits.
#
# The desktop is Xvfb with openbox, sway on its headless backend when
# KLOP_E2E_DESKTOP=sway (KLOP_E2E_WL_INPUT then names our virtual input client), or
# GNOME's mutter nested in an Xvfb when KLOP_E2E_DESKTOP=mutter. The functions under
# "Windows, pointer and keys" work the same on each.
set -u

# Without a desktop to run on the script is skipped (77, CTest's SKIP_RETURN_CODE), not
# failed: a build without these tools can still run every other test.
skip_without() {
  local tool
  for tool in "$@"; do
    if ! command -v "$tool" >/dev/null 2>&1; then
      echo "e2e: skipped, '$tool' is missing (scripts/setup installs it)" >&2
      exit 77
    fi
  done
}
desktop_kind=${KLOP_E2E_DESKTOP:-x11}
case $desktop_kind in
  x11) skip_without Xvfb openbox xdotool xwininfo xprop wmctrl import /usr/bin/convert ;;
  sway) skip_without sway swaymsg grim jq setpriv /usr/bin/convert "${KLOP_E2E_WL_INPUT:-wl_input}" ;;
  weston) skip_without weston weston-screenshooter /usr/bin/convert ;;
  mutter) skip_without Xvfb mutter dbus-daemon xdotool import /usr/bin/convert "${KLOP_E2E_WINDOW_SHOT:-window_shot}" ;;
  *)
    echo "e2e: KLOP_E2E_DESKTOP is x11, sway, weston or mutter, not '$desktop_kind'" >&2
    exit 1
    ;;
esac
skip_without "${KLOP_E2E_PICTURE:-e2e_picture}"
on_sway() { [ "$desktop_kind" = sway ]; }
on_mutter() { [ "$desktop_kind" = mutter ]; }

work=$(mktemp -d)
snap=      # --levels: shots are compared at the game's colour levels (start_xvfb)
runtime=   # sway's runtime folder
started=() # pids, in start order

stop() {
  local pid=$1
  kill "$pid" 2>/dev/null || return 0
  for _ in $(seq 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
  done
  kill -9 "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
}

cleanup() {
  local i
  # sway 1.7 may crash when ended by a signal; asked, it ends cleanly.
  if on_sway && [ -n "$runtime" ]; then timeout 5 swaymsg exit >/dev/null 2>&1; fi
  for ((i = ${#started[@]} - 1; i >= 0; i--)); do stop "${started[i]}"; done
  rm -rf "$work" ${runtime:+"$runtime"}
}
trap cleanup EXIT
trap 'exit 1' INT TERM

passed=0
failed=0
check() {
  local name=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
    echo "ok: $name"
  else
    failed=$((failed + 1))
    echo "FAIL: $name"
  fi
}
# A check that cannot apply on this desktop, said so rather than passed.
not_here() { echo "skip: $1 ($2)"; }

# Polls until the command succeeds or `seconds` (whole) pass on the clock, however long
# each try takes. The pause between tries is a read that times out on a pipe nothing
# writes to: a process started per pause cost the suites more CPU than they leave idle.
exec {pause_fd}<> <(:)
pause() { read -r -t "$1" -u "$pause_fd" || true; }
wait_for() {
  local deadline=$((${EPOCHREALTIME//[^0-9]/} + $1 * 1000000))
  shift
  while true; do
    "$@" && return 0
    [ "${EPOCHREALTIME//[^0-9]/}" -lt "$deadline" ] || return 1
    pause 0.1
  done
}

# Polls until the command ($3...) prints $2, for up to $1 seconds; says what it printed
# last when it never did.
await_is() {
  local seconds=$1 want=$2 got=
  shift 2
  prints() { got=$("$@") && [ "$got" = "$want" ]; }
  wait_for "$seconds" prints "$@" || { echo "  it printed ($got), not ($want)" >&2; return 1; }
}

# X property $2 of window $1 does not match the extended regexp $3: fails when xprop
# does, so that no answer never reads as "no such property".
lacks_prop() { local v; v=$(xprop -id "$1" "$2") && ! grep -q -E "$3" <<<"$v"; }

# xdotool's --sync waits have no end of their own; its other commands need no timeout
# (one more process each).
xdo() { if [[ " $* " == *" --sync "* ]]; then timeout 10 xdotool "$@"; else xdotool "$@"; fi; }

# The program's stdout, one line per event, is read from $out.
out=$work/out
# Read by bash itself: these run in every poll, and a grep is one more process each.
lines() {
  local line n=0
  while IFS= read -r line; do [[ $line =~ ^($1)$ ]] && n=$((n + 1)); done <"$out"
  echo "$n"
}
has_line() {
  local line
  while IFS= read -r line; do [[ $line =~ ^($1)$ ]] && return 0; done <"$out"
  return 1
}
await_line() { wait_for "${2:-5}" has_line "$1"; }
exited() { ! kill -0 "$1" 2>/dev/null; }
# Sets status to the exit code of child $1 if it has ended, else to 1.
reap() {
  status=1
  if exited "$1"; then
    wait "$1"
    status=$?
  fi
}

# The desktop KLOP_E2E_DESKTOP names. Arguments go to Xvfb (e.g. -dpi 192), after those
# in KLOP_E2E_XVFB, which runs a whole suite on another kind of X server (e.g. "-screen 0
# 1024x768x16", "-extension MIT-SHM"; with "-listen tcp" the clients connect over TCP).
# KLOP_E2E_LAYOUT sets a keyboard layout (e.g. "ru,us"); KLOP_E2E_MONITORS lays monitors
# out on a screen that just holds them all (e.g. "1024x768+0+0 800x600+1024+0"). On sway
# "--size WxH" gives the output that size in layout pixels (1024x768 if not) and
# "--scale N" that scale (1.25 too), and "--xwayland" starts XWayland with it (its display in
# $xwayland_display; DISPLAY stays unset).
start_desktop() {
  case $desktop_kind in
    sway) start_sway "$@" ;;
    weston) start_weston ;;
    mutter) start_mutter ;;
    *) start_x11 "$@" ;;
  esac
}

# Stops the desktop that start_desktop started, so that a script can start another.
stop_desktop() {
  local i
  if on_sway; then timeout 5 swaymsg exit >/dev/null 2>&1; fi
  for ((i = ${#desktop[@]} - 1; i >= 0; i--)); do stop "${desktop[i]}"; done
  if on_sway; then
    exec {input_fd}>&-
    rm -rf "$runtime"
    runtime=
  fi
}

# Xvfb on a display number it picks itself, then openbox; sets DISPLAY.
start_x11() {
  rm -f "$work/wm-ready" "$work/display"
  local size=1024x768 m w h x y right=0 bottom=0
  for m in ${KLOP_E2E_MONITORS:-}; do
    IFS='x+' read -r w h x y <<<"$m"
    right=$((x + w > right ? x + w : right))
    bottom=$((y + h > bottom ? y + h : bottom))
  done
  [ "$right" -gt 0 ] && size=${right}x${bottom}
  # -noreset: what is set before the window manager connects outlives the setting tool.
  # shellcheck disable=SC2086  # KLOP_E2E_XVFB is a list of arguments
  Xvfb -displayfd 3 -screen 0 "${size}x24" -noreset -nolisten tcp ${KLOP_E2E_XVFB:-} "$@" \
    3>"$work/display" </dev/null >"$work/xvfb.log" 2>&1 &
  started+=($!)
  desktop=($!)
  if ! wait_for 10 test -s "$work/display"; then
    echo "e2e: Xvfb did not start" >&2
    cat "$work/xvfb.log" >&2
    exit 1
  fi
  export DISPLAY=":$(head -n 1 "$work/display")"
  case " ${KLOP_E2E_XVFB:-} " in *" -listen tcp "*) DISPLAY="127.0.0.1$DISPLAY" ;; esac
  unset WAYLAND_DISPLAY
  # On a screen of fewer than 24 bits (where a shot also reads a few levels off) each
  # channel is taken to the nearest level of the game's 16 colours (00, 80, C0, FF): the
  # same picture within the screen's precision.
  screen_depth=$(xdpyinfo | awk '/depth of root window/ {print $5; exit}')
  if [ "$screen_depth" -lt 24 ]; then snap=--levels; fi
  if [ -n "${KLOP_E2E_LAYOUT:-}" ] && ! setxkbmap -layout "$KLOP_E2E_LAYOUT"; then
    echo "e2e: cannot set the keyboard layout $KLOP_E2E_LAYOUT" >&2
    exit 1
  fi
  local n=0
  for m in ${KLOP_E2E_MONITORS:-}; do
    IFS='x+' read -r w h x y <<<"$m"
    # The first monitor takes the screen's output, the others none.
    if ! xrandr --setmonitor "M$n" "$w/$((w / 4))x$h/$((h / 4))+$x+$y" \
      "$([ "$n" = 0 ] && echo screen || echo none)" >/dev/null; then
      echo "e2e: cannot set monitor $m" >&2
      exit 1
    fi
    n=$((n + 1))
  done
  # Openbox names itself on the root window early in its start-up, before it handles
  # map requests reliably (a window mapped then may never see its MapNotify, and SDL
  # waits for that without a timeout); its start-up command runs only once it is done.
  openbox --sm-disable --startup "touch $work/wm-ready" </dev/null >"$work/wm.log" 2>&1 &
  started+=($!)
  desktop+=($!)
  wm_ready() {
    test -e "$work/wm-ready" &&
      xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'
  }
  if ! wait_for 20 wm_ready; then
    echo "e2e: openbox did not start" >&2
    exit 1
  fi
}

# --- sway ------------------------------------------------------------------------------
# sway refuses to run as root: run by root, the compositor and the programs under test
# run as the unprivileged user klop-test (scripts/setup creates it); otherwise as
# oneself. The tools that only look (swaymsg, grim) run as whoever runs the script.
e2e_user=klop-test
as_user=() # the prefix that runs a command as that user (a simple command keeps its pid)

# sway on its headless backend with one output (see start_desktop), in a
# runtime folder of its own, with our virtual keyboard and pointer for the whole run;
# sets WAYLAND_DISPLAY and SWAYSOCK.
start_sway() {
  local scale=1 size=1024x768 xwayland=disable
  while [ $# -ge 1 ]; do
    case $1 in
      --scale) scale=$2 && shift ;;
      --size) size=$2 && shift ;;
      --xwayland) xwayland=force ;;  # started with sway, not at its first X client
    esac
    shift
  done
  if [ "$(id -u)" = 0 ] && ! id "$e2e_user" >/dev/null 2>&1; then
    echo "e2e: sway refuses root and the user $e2e_user is missing; scripts/setup creates it" >&2
    exit 1
  fi
  runtime=$(mktemp -d /tmp/klop-e2e-XXXXXX)
  unset SWAYSOCK WAYLAND_DISPLAY  # sway would take a former session's
  if [ "$(id -u)" = 0 ]; then
    as_user=(setpriv --reuid="$e2e_user" --regid="$e2e_user" --init-groups env HOME="$runtime")
  fi
  # Views float at the size they ask for, as on a stacking desktop: sway would tile
  # the game's resizable frame over the whole output.
  cat >"$runtime/config" <<EOF
output HEADLESS-1 resolution $(awk -v s="$scale" -v w="${size%x*}" -v h="${size#*x}" \
    'BEGIN { printf "%dx%d", w * s, h * s }') scale $scale
for_window [app_id=".*"] floating enable
for_window [shell="xwayland"] floating enable
xwayland $xwayland
EOF
  if [ "$(id -u)" = 0 ]; then chown -R "$e2e_user:" "$runtime"; fi
  chmod 700 "$runtime"
  local input_program
  input_program=$(command -v "${KLOP_E2E_WL_INPUT:-wl_input}")
  XDG_RUNTIME_DIR=$runtime WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
    WLR_HEADLESS_OUTPUTS=1 "${as_user[@]}" sway -c "$runtime/config" </dev/null >"$work/wm.log" 2>&1 &
  started+=($!)
  desktop=($!)
  sway_socket() { ls "$runtime" 2>/dev/null | grep -x -E 'wayland-[0-9]+' | head -n 1; }
  sway_up() { [ -n "$(sway_socket)" ] && compgen -G "$runtime/sway-ipc.*.sock" >/dev/null; }
  if ! wait_for 10 sway_up; then
    echo "e2e: sway did not start" >&2
    cat "$work/wm.log" >&2
    exit 1
  fi
  export XDG_RUNTIME_DIR=$runtime
  WAYLAND_DISPLAY=$(sway_socket)
  SWAYSOCK=$(compgen -G "$runtime/sway-ipc.*.sock" | head -n 1)
  export WAYLAND_DISPLAY SWAYSOCK
  unset DISPLAY
  if ! wait_for 10 eval 'swaymsg -t get_outputs -r 2>/dev/null | jq -e "length == 1" >/dev/null'; then
    echo "e2e: sway does not answer" >&2
    cat "$work/wm.log" >&2
    exit 1
  fi
  # XWayland's display, as sway gives it to what it starts, once the server answers
  # (only sway's user: XWayland lets no other in).
  xwayland_display=
  if [ $xwayland = force ]; then
    swaymsg exec 'printf %s "$DISPLAY" >"$XDG_RUNTIME_DIR/xwayland-display"' >/dev/null
    if wait_for 10 test -s "$runtime/xwayland-display" &&
      wait_for 10 "${as_user[@]}" env DISPLAY="$(cat "$runtime/xwayland-display")" xprop -root \
        >/dev/null 2>&1; then
      xwayland_display=$(cat "$runtime/xwayland-display")
    fi
  fi
  # One keyboard and one pointer for the whole run: with none, clients get no input.
  mkfifo "$runtime/input"
  if [ "$(id -u)" = 0 ]; then chown "$e2e_user:" "$runtime/input"; fi
  # Its keymap is what sway gives clients, so KLOP_E2E_LAYOUT is set there.
  user_command "$input_program" "${KLOP_E2E_LAYOUT:-us}"
  "${user_cmd[@]}" <"$runtime/input" >"$work/input.out" 2>&1 &
  started+=($!)
  desktop+=($!)
  exec {input_fd}>"$runtime/input"
  input_asked=0
  if ! wait_for 10 grep -q -x ready "$work/input.out"; then
    echo "e2e: the virtual keyboard and pointer did not come up" >&2
    cat "$work/input.out" >&2
    exit 1
  fi
}

# The user klop-test may not reach a build that root made in a folder of its own (a
# clone in /root, or in mktemp -d): what it runs is copied into the runtime folder it
# owns. Sets user_cmd to the command $@ as that user, each program in it (an absolute
# path to an executable file) one it can run, and LeakSanitizer's suppressions a file
# it can read (a program that cannot read them ends). Run it as a simple command so
# that $! is the program's own pid.
user_command() {
  user_cmd=("$@")
  [ ${#as_user[@]} -gt 0 ] || return 0
  user_cmd=("${as_user[@]}")
  local arg file
  if [[ ${LSAN_OPTIONS:-} =~ suppressions=([^:]*) ]] && ! "${as_user[@]}" test -r "${BASH_REMATCH[1]}"; then
    file=$(user_copy "${BASH_REMATCH[1]}") || exit 1
    user_cmd+=("LSAN_OPTIONS=${LSAN_OPTIONS/suppressions=${BASH_REMATCH[1]}/suppressions=$file}")
  fi
  for arg in "$@"; do
    if [[ $arg == /* ]] && [ -f "$arg" ] && [ -x "$arg" ] && ! "${as_user[@]}" test -x "$arg"; then
      arg=$(user_copy "$arg") || exit 1
    fi
    user_cmd+=("$arg")
  done
}
# Starts the command $@ as the test user (user_command), its output in $out and
# $work/err; sets started_pid.
start_as_user() {
  user_command "$@"
  "${user_cmd[@]}" </dev/null >"$out" 2>"$work/err" &
  started_pid=$!
  started+=("$started_pid")
}
# The copy of file $1 in the runtime folder (a program with the SDL module that it looks
# for beside itself), made once.
user_copy() {
  local copy=$runtime/bin/${1##*/} module=${1%/*}/klop-sdl.so
  if [ ! -e "$copy" ]; then
    mkdir -p "$runtime/bin" && cp "$1" "$copy" || exit 1
    if [ -x "$1" ] && [ -f "$module" ] && [ ! -e "$runtime/bin/klop-sdl.so" ]; then
      cp "$module" "$runtime/bin/" || exit 1
    fi
    chown -R "$e2e_user:" "$runtime/bin" || exit 1
  fi
  echo "$copy"
}

# --- mutter ----------------------------------------------------------------------------
# GNOME's compositor nested in an Xvfb (DISPLAY, which xdotool and import use), with a
# session bus of its own and one 1024x768 output; the programs under test reach it by
# WAYLAND_DISPLAY alone. It draws no decorations (the game draws its own caption), takes
# the outer server's pointer and keys, and draws the pointer into its output. Windows are
# found on the screen by their active caption: "m" a frame (minimise, maximise and close
# boxes), "d" a dialog (a close box alone); each one's client area as last found
# (mutter_find) in mutter_geo, "X Y W H".
declare -A mutter_geo
start_mutter() {
  runtime=$(mktemp -d /tmp/klop-e2e-XXXXXX)
  chmod 700 "$runtime"
  unset SWAYSOCK WAYLAND_DISPLAY
  rm -f "$work/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -noreset -nolisten tcp 3>"$work/display" \
    </dev/null >"$work/xvfb.log" 2>&1 &
  started+=($!)
  desktop=($!)
  if ! wait_for 10 test -s "$work/display"; then
    echo "e2e: Xvfb did not start" >&2
    exit 1
  fi
  export DISPLAY=":$(head -n 1 "$work/display")"
  dbus-daemon --session --nofork --print-address 3 3>"$work/bus" </dev/null >/dev/null 2>&1 &
  started+=($!)
  desktop+=($!)
  if ! wait_for 10 test -s "$work/bus"; then
    echo "e2e: the session bus did not start" >&2
    exit 1
  fi
  export XDG_RUNTIME_DIR=$runtime
  # Settings of its own, from a key file: Alt+Space goes to the window (the game's
  # system menu), not to a window menu of mutter's.
  mkdir -p "$runtime/config/glib-2.0/settings"
  printf '[org/gnome/desktop/wm/keybindings]\nactivate-window-menu=@as []\n' \
    >"$runtime/config/glib-2.0/settings/keyfile"
  GSETTINGS_BACKEND=keyfile XDG_CONFIG_HOME=$runtime/config \
    DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/bus") MUTTER_DEBUG_DUMMY_MODE_SPECS=1024x768 \
    mutter --nested --wayland --no-x11 --wayland-display klop-e2e </dev/null >"$work/wm.log" 2>&1 &
  started+=($!)
  desktop+=($!)
  if ! wait_for 20 test -S "$runtime/klop-e2e"; then
    echo "e2e: mutter did not start" >&2
    cat "$work/wm.log" >&2
    exit 1
  fi
  export WAYLAND_DISPLAY=klop-e2e
  mutter_geo=()
}
mutter_caption='#000080'  # the active caption's colour, then the inactive one's
mutter_inactive='#808080'
# Finds the window with the active caption (with $1 the inactive one's colour, the
# other window's): its kind (m or d) in mutter_kind, its place in mutter_geo. e2e_picture
# tells a frame (three boxes) from a dialog (one) by the caption it reads off the screen.
mutter_find() {
  local kind left top width height
  mutter_kind=
  x11_shot root "$work/root.ppm" 2>/dev/null &&
    read -r kind left top width height < <("$KLOP_E2E_PICTURE" caption "$work/root.ppm" "${1:-$mutter_caption}") &&
    [ -n "$height" ] || return 1
  mutter_geo[$kind]="$left $top $width $height"
  mutter_kind=$kind
}
# Finds window kind $1 (m or d), active or not, waiting up to $2 seconds; echoes it.
mutter_window() {
  found_kind() {
    { mutter_find && [ "$mutter_kind" = "$1" ]; } ||
      { mutter_find "$mutter_inactive" && [ "$mutter_kind" = "$1" ]; }
  }
  mutter_park && wait_for "$2" found_kind "$1" && echo "$1"
}
# Window $1's place, found anew (waiting up to 3 s), in the caller's array g: X Y W H.
mutter_found() { mutter_window "$1" 3 >/dev/null && read -r -a g <<<"${mutter_geo[$1]:-}" && [ ${#g[@]} = 4 ]; }
# Window $1's place, found unless known (a command substitution keeps nothing it found).
mutter_place() { [ -n "${mutter_geo[$1]:-}" ] || mutter_window "$1" 5 >/dev/null; }
# The pointer where it hides nothing the checks look at.
mutter_park() { xdo mousemove 1023 767; }
# A drag with the left button from screen point (X, Y) by (DX, DY), by way of its middle.
drag() {
  xdo mousemove "$1" "$2" mousedown 1 mousemove $(($1 + $3 / 2)) $(($2 + $4 / 2)) \
    sleep 0.2 mousemove $(($1 + $3)) $(($2 + $4)) sleep 0.2 mouseup 1
}

# --- weston ----------------------------------------------------------------------------
# weston on its headless backend, 1024x768: no seat (no keyboard, no pointer) and no
# server-side decorations. --debug lets weston-screenshooter (screen_shot) take the output.
# A config of its own: no panel, no animation, the desktop all $weston_background.
weston_background='#204060'
start_weston() {
  runtime=$(mktemp -d /tmp/klop-e2e-XXXXXX)
  chmod 700 "$runtime"
  unset SWAYSOCK DISPLAY
  export XDG_RUNTIME_DIR=$runtime WAYLAND_DISPLAY=klop-e2e
  cat >"$runtime/weston.ini" <<EOF
[shell]
panel-position=none
background-color=0xff${weston_background#\#}
startup-animation=none
close-animation=none
locking=false
EOF
  weston --config="$runtime/weston.ini" --backend=headless-backend.so --use-pixman \
    --socket="$WAYLAND_DISPLAY" --debug --width=1024 --height=768 --idle-time=0 \
    </dev/null >"$work/wm.log" 2>&1 &
  started+=($!)
  desktop=($!)
  if ! wait_for 10 test -S "$runtime/$WAYLAND_DISPLAY"; then
    echo "e2e: weston did not start" >&2
    cat "$work/wm.log" >&2
    exit 1
  fi
}
# The whole output in file $1.
screen_shot() {
  rm -f "$runtime"/wayland-screenshot-*.png
  (cd "$runtime" && timeout 10 weston-screenshooter) &&
    mv "$(compgen -G "$runtime/wayland-screenshot-*.png" | head -n 1)" "$1"
}

# One command to the virtual input client; returns once the compositor has handled
# it, false if it was refused.
wl_input() {
  echo "$*" >&"$input_fd"
  input_asked=$((input_asked + 1))
  local last=
  answered() {
    local line n=0
    while IFS= read -r line; do
      [[ $line =~ ^(ok|error) ]] && n=$((n + 1)) && last=$line
    done <"$work/input.out"
    [ "$n" -ge "$input_asked" ]
  }
  wait_for 5 answered && [ "$last" = ok ]
}

# Field $2 (a jq filter) of sway's view (con id) $1, e.g. `view 7 .name`.
# Both fail when sway cannot be asked, so that no answer never reads as "no such view".
view() {
  [[ $1 =~ ^[0-9]+$ ]] || return 1
  local tree
  tree=$(swaymsg -t get_tree -r) &&
    jq -r --argjson id "$1" "first(.. | objects | select(.id? == \$id)) | $2" <<<"$tree"
}
# The con id of the first visible view that the jq condition $1 selects, or nothing.
view_where() {
  local tree
  tree=$(swaymsg -t get_tree -r) &&
    jq -r "[.. | objects | select(.pid? != null and .visible == true) | select($1) | .id] | first // empty" <<<"$tree"
}

# --- Windows, pointer and keys ---------------------------------------------------------
# A window is an X window id, or on sway a view's con id. Pointer positions are in the
# window's client coordinates unless said otherwise.

# The first visible X window that xdotool's search ($2...) finds within $1 seconds. Asked
# again until then: one search dies at once when a window it walks is destroyed under it.
x11_search() {
  local seconds=$1 found=
  shift
  searched() { found=$(timeout 5 xdotool search --onlyvisible "$@" 2>/dev/null | head -n 1); [ -n "$found" ]; }
  wait_for "$seconds" searched "$@"
  echo "$found"
}

# The window whose title matches the extended regexp, waited for up to 15 s, or nothing.
visible_window() {
  if on_mutter; then
    # No title can be read: the game's frame (Klop!) and a probe's are frames, the menu
    # probe's the window there, any other a dialog.
    if [[ Klop! =~ $1 || $1 =~ frame ]]; then
      mutter_window m 15
    elif [[ $1 =~ "menu probe" ]]; then
      mutter_park && wait_for 15 mutter_find && echo "$mutter_kind"
    else
      mutter_window d 15
    fi
  elif on_sway; then
    local found= pattern=$1
    titled() { found=$(view_where ".name | test(\"$pattern\")"); [ -n "$found" ]; }
    wait_for 15 titled
    echo "$found"
  else
    x11_search 15 --name "$1"
  fi
}
# The first visible window of process $1, waited for up to 15 s, or nothing.
window_of() {
  if on_mutter; then
    mutter_window m 15
  elif on_sway; then
    local found= owner=$1
    owned() { found=$(view_where ".pid == $owner"); [ -n "$found" ]; }
    wait_for 15 owned
    echo "$found"
  else
    x11_search 15 --pid "$1"
  fi
}
# Window $1 is "shown", "hidden" or "gone"; fails when the desktop cannot be asked, so
# that `not_shown` and `gone` never pass on no answer.
window_state() {
  local info
  if on_mutter; then
    # Only its caption tells: shown while it is found, else gone for all one can see.
    if mutter_window "$1" 0 >/dev/null; then echo shown; else echo gone; fi
  elif on_sway; then
    info=$(view "$1" .visible) || return 1
    case $info in true) echo shown ;; '') echo gone ;; *) echo hidden ;; esac
  elif info=$(xwininfo -id "$1" 2>&1); then
    if [[ $info == *IsViewable* ]]; then echo shown; else echo hidden; fi
  else
    [[ $info == *'No such window'* ]] && echo gone
  fi
}
shown() { [ "$(window_state "$1")" = shown ]; }
not_shown() { local s; s=$(window_state "$1") && [ "$s" != shown ]; }
gone() { [ "$(window_state "$1")" = gone ]; }

# Width x height of window $1's client area.
client_size() {
  if on_mutter; then
    local g
    mutter_place "$1" && read -r -a g <<<"${mutter_geo[$1]}" && [ ${#g[@]} = 4 ] && echo "${g[2]}x${g[3]}"
  elif on_sway; then
    view "$1" '"\(.window_rect.width)x\(.window_rect.height)"'
  else
    xwininfo -id "$1" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}'
  fi
}
# "X Y": the client area's top left on the screen (sway: in layout coordinates).
client_origin() {
  if on_mutter; then
    local g
    mutter_place "$1" && read -r -a g <<<"${mutter_geo[$1]}" && [ ${#g[@]} = 4 ] && echo "${g[0]} ${g[1]}"
  elif on_sway; then
    view "$1" '"\(.rect.x + .window_rect.x) \(.rect.y + .window_rect.y)"'
  else
    xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF} END {print x, y}'
  fi
}

# Gives window $1 the keyboard focus.
activate() {
  if on_mutter; then
    # Found active, it is; else a click on its caption's title, where it is now, and it
    # is once found active.
    local g
    active_is() { mutter_find && [ "$mutter_kind" = "$1" ]; }
    active_is "$1" && return 0
    mutter_found "$1" &&
      xdo mousemove $((g[0] + 30)) $((g[1] - 10)) click 1 && mutter_park && wait_for 3 active_is "$1"
  elif on_sway; then
    swaymsg "[con_id=$1] focus" >/dev/null
  else
    xdo windowactivate --sync "$1" >/dev/null 2>&1
  fi
}
# Asks window $1 to close, as the desktop's close box does.
close_window() {
  if on_mutter; then
    # Its caption's close box, found anew: a click there needs no focus.
    local g
    mutter_found "$1" &&
      xdo mousemove $((g[0] + g[2] - 9)) $((g[1] - 10)) click 1 && mutter_park
  elif on_sway; then
    swaymsg "[con_id=$1] kill" >/dev/null
  else
    wmctrl -i -c "$1"
  fi
}

# Moves window $1 to (X, Y) on the screen, as the desktop would.
move_window() {
  if on_mutter; then
    # A drag on its caption's title, as the user does: mutter moves windows for no one
    # else. Its place is found anew after.
    local g
    mutter_found "$1" && drag $((g[0] + 30)) $((g[1] - 10)) $(($2 - g[0])) $(($3 - g[1])) && mutter_park
    local moved=$?
    unset "mutter_geo[$1]"
    return $moved
  elif on_sway; then
    swaymsg "[con_id=$1] move position $2 $3" >/dev/null
  else
    wmctrl -i -r "$1" -e "0,$2,$3,-1,-1"
  fi
}
# Resizes window $1's client area to W x H, as the desktop would.
resize_window() {
  if on_mutter; then
    echo "e2e: mutter lets no one but the user size a window" >&2
    return 1
  elif on_sway; then
    # sway sizes the container, borders and title included, and reports the title
    # inside or outside the rect depending on the moment: ask, look, and ask again.
    local w h cw ch
    read -r w h <<<"$(view "$1" '"\(.rect.width) \(.rect.height)"')"
    read -r cw ch <<<"$(client_size "$1" | tr x ' ')"
    for _ in 1 2; do
      [ "$cw $ch" = "$2 $3" ] && return 0
      w=$((w + $2 - cw))
      h=$((h + $3 - ch))
      swaymsg "[con_id=$1] resize set width $w px height $h px" >/dev/null || return 1
      read -r cw ch <<<"$(client_size "$1" | tr x ' ')"
    done
  else
    wmctrl -i -r "$1" -e "0,-1,-1,$2,$3"
  fi
}

# The pointer to (X, Y) in window $1.
pointer_to() {
  if on_mutter; then
    local g
    mutter_place "$1" && read -r -a g <<<"${mutter_geo[$1]}" && [ ${#g[@]} = 4 ] &&
      xdo mousemove $((g[0] + $2)) $((g[1] + $3)) && pointer_xy="$((g[0] + $2)) $((g[1] + $3))"
  elif on_sway; then
    local ox oy
    read -r ox oy <<<"$(client_origin "$1")" && [ -n "$oy" ] && pointer_at $((ox + $2)) $((oy + $3))
  else
    xdo mousemove --window "$1" "$2" "$3"
  fi
}
# The pointer to (X, Y) on the screen; on sway pointer_xy keeps where it was put.
pointer_at() {
  if on_sway; then wl_input move "$1" "$2" && pointer_xy="$1 $2"; else xdo mousemove "$1" "$2"; fi
}
# Button N (1 left, 2 middle, 3 right) clicked, pressed or released where the pointer is.
click() { if on_sway; then wl_input click "$1"; else xdo click "$1"; fi; }
button_down() { if on_sway; then wl_input press "$1"; else xdo mousedown "$1"; fi; }
button_up() { if on_sway; then wl_input release "$1"; else xdo mouseup "$1"; fi; }

# Keys as xdotool names them ("alt+g", "Return", "shift+a"), each pressed and released
# with no other modifier held.
keys() {
  if ! on_sway; then
    xdo key --clearmodifiers "$@"
    return
  fi
  local k m i parts
  for k in "$@"; do
    IFS=+ read -r -a parts <<<"$k"
    for ((i = 0; i < ${#parts[@]}; i++)); do
      case ${parts[i]} in
        alt) parts[i]=Alt_L ;;
        shift) parts[i]=Shift_L ;;
        ctrl) parts[i]=Control_L ;;
        super) parts[i]=Super_L ;;
      esac
    done
    for ((i = 0; i < ${#parts[@]} - 1; i++)); do wl_input keydown "${parts[i]}" || return 1; done
    wl_input key "${parts[-1]}" || return 1
    for ((i = ${#parts[@]} - 2; i >= 0; i--)); do wl_input keyup "${parts[i]}" || return 1; done
  done
}
# Keys by X key code (evdev's + 8), the same keys whatever the layout makes of them:
# "CODE" pressed and released, "+CODE" pressed, "-CODE" released. Not Escape (9) on X11:
# xdotool takes a lone digit for the digit's key.
key_codes() {
  local a args=()
  for a in "$@"; do
    if ! on_sway && [ "${a#[+-]}" -lt 10 ]; then
      echo "e2e: key code $a is a digit to xdotool" >&2
      return 1
    fi
    if on_sway; then
      case $a in
        +*) wl_input keydown $((${a#+} - 8)) ;;
        -*) wl_input keyup $((${a#-} - 8)) ;;
        *) wl_input key $((a - 8)) ;;
      esac || return 1
    else
      case $a in
        +*) args+=(keydown "${a#+}") ;;
        -*) args+=(keyup "${a#-}") ;;
        *) args+=(key "$a") ;;
      esac
    fi
  done
  if ! on_sway; then xdo "${args[@]}"; fi
}
# Types the text, a character at a time.
type_text() { if on_sway; then wl_input type "$1"; else xdo type --delay 50 "$1"; fi; }

# Screenshot of window $1's client area; pixel X Y then answers its colour as #RRGGBB.
# On sway it is in the output's pixels (N times the layout's at scale N) and shows the
# pointer too. The shot stays a binary PPM and pixel reads its three bytes: turning a
# whole window into ImageMagick's text costs a second of CPU a shot.
shot_w=0 shot_h=0 shot_header=0
shot() {
  local magic max
  shot_w=0 shot_h=0
  shot_file "$1" "$work/shot.ppm" && { read -r magic && read -r shot_w shot_h && read -r max; } <"$work/shot.ppm" &&
    [ "$magic" = P6 ] && [ "$max" = 255 ] && shot_header=$((3 + ${#shot_w} + 1 + ${#shot_h} + 1 + 4))
}
# A PNG, or a PPM where the file's name ends in .ppm.
shot_file() {
  if on_mutter; then
    local g
    mutter_place "$1" && read -r -a g <<<"${mutter_geo[$1]}" && [ ${#g[@]} = 4 ] &&
      x11_shot root "$2" "${g[2]}x${g[3]}+${g[0]}+${g[1]}"
  elif on_sway; then
    local place type=png
    place=$(view "$1" '"\(.rect.x + .window_rect.x),\(.rect.y + .window_rect.y) \(.window_rect.width)x\(.window_rect.height)"')
    [[ $2 == *.ppm ]] && type=ppm
    [ -n "$place" ] && timeout 10 grim -t "$type" -g "$place" "$2"
  else
    x11_shot "$1" "$2"
  fi
}
# X window $1 ("root" for the screen), or its part $3 (WxH+X+Y), into file $2: by our own
# window_shot where the test names it and the file is a PPM (ImageMagick's import costs a
# tenth of a second of CPU a shot).
x11_shot() {
  if [[ $2 == *.ppm && -n ${KLOP_E2E_WINDOW_SHOT:-} ]]; then
    "$KLOP_E2E_WINDOW_SHOT" "$@"
  else
    timeout 10 import -window "$1" ${3:+-crop "$3" +repage} -depth 8 "$2"
  fi
}
# Takes shots of window $1 until `pixel X Y` is COLOUR ($2 $3 $4) or 5 s pass; the
# last shot stays for the checks that follow.
shot_until() { wait_for 5 eval "shot '$1' && is_pixel $2 $3 '$4'"; }
pixel() {
  local r g b c v
  [ "$1" -ge 0 ] && [ "$2" -ge 0 ] && [ "$1" -lt "$shot_w" ] && [ "$2" -lt "$shot_h" ] || return 0
  read -r r g b < <(od -An -tu1 -v -j $((shot_header + ($2 * shot_w + $1) * 3)) -N 3 "$work/shot.ppm") &&
    [ -n "$b" ] || return 0
  for c in ${snap:+r g b}; do
    ((v = ${!c}, v = v < 64 ? 0 : v < 160 ? 128 : v < 224 ? 192 : 255))
    printf -v "$c" %d "$v"
  done
  printf '#%02X%02X%02X\n' "$r" "$g" "$b"
}
is_pixel() { [ "$(pixel "$1" "$2")" = "$3" ]; }

# Whether window $1 lies wholly on monitor $2 ("WxH+X+Y", as in KLOP_E2E_MONITORS); says
# where it lies when it does not.
on_monitor() {
  local mw mh mx my w h x y
  IFS='x+' read -r mw mh mx my <<<"$2"
  read -r w h x y <<<"$(xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF}
    /Absolute upper-left Y/ {y=$NF} /Width:/ {w=$2} /Height:/ {h=$2} END {print w, h, x, y}')"
  [ -n "$y" ] && [ "$x" -ge "$mx" ] && [ "$y" -ge "$my" ] && [ $((x + w)) -le $((mx + mw)) ] &&
    [ $((y + h)) -le $((my + mh)) ] && return 0
  echo "  its client area is ${w:-?}x${h:-?} at ${x:-?},${y:-?};" \
    "$(xprop -id "$1" _NET_FRAME_EXTENTS 2>&1)" >&2
  return 1
}

# The pixels of a fresh screenshot of window $1 cropped to geometry $2 (WxH+X+Y), one
# line each; fails, printing nothing, when the screenshot fails, so that no check can
# compare two failures and find them equal.
region() {
  local text
  text=$(
    set -o pipefail
    shot_file "$1" "$work/region.ppm" &&
      "$KLOP_E2E_PICTURE" text $snap "$work/region.ppm" "$2"
  ) && [ -n "$text" ] && echo "$text"
}

# The pointer's cursor image ($cursor_image prints "W H XHOT YHOT" then rows of pixels).
# X11 only: Wayland lets no client read another's cursor.
cursor_head() { "$cursor_image" | head -n 1; }
cursor_pixel() { "$cursor_image" | awk -v x="$1" -v y="$2" 'NR == y + 2 { print $(x + 1) }'; }
cursor_is() { [ "$(cursor_head)" = "$1" ]; }
# A cursor was read back and it is not $1.
cursor_is_not() {
  local head
  head=$(cursor_head)
  [[ $head =~ ^[0-9]+\ [0-9]+\ [0-9]+\ [0-9]+$ ]] && [ "$head" != "$1" ]
}
# Polls until the cursor's head is $1 ("W H XHOT YHOT"), or is not, and says what it
# was when it never came.
await_cursor() {
  wait_for 3 cursor_is "$1" || { echo "  the cursor is ($(cursor_head)), not ($1)" >&2; return 1; }
}
await_cursor_other_than() {
  wait_for 3 cursor_is_not "$1" || { echo "  the cursor is still ($(cursor_head))" >&2; return 1; }
}

# The program's open popup menus: on X11 its shown override-redirect windows (both
# hosts give every window the program's class, "Klop"). On sway, SDL's popups are
# untitled views of their own; the Wayland host's xdg_popups are no views, so a script
# that meets them sets popup_at (WINDOW X Y HEIGHT): a popup opens there, its raised edge
# white at its top left and black at the bottom. Fails when the server or a screenshot
# fails, so that "no popup" never passes on no answer.
popup_at=()
# The crop $1 of a popup's left edge: white at its top left, black at its bottom right.
popup_edges() {
  [[ $1 == "0,0: () #FFFFFF"$'\n'* && $'\n'$1$'\n' == *$'\n'"5,$((popup_at[3] - 1)): () #000000"$'\n'* ]]
}
popups() {
  local tree id info edge
  if on_mutter; then
    if [ ${#popup_at[@]} = 4 ]; then
      edge=$(region "${popup_at[0]}" "6x${popup_at[3]}+${popup_at[1]}+${popup_at[2]}") || return 1
      if popup_edges "$edge"; then
        echo frame
      fi
    fi
    return 0
  fi
  if on_sway; then
    tree=$(swaymsg -t get_tree -r) &&
      jq -r '.. | objects | select(.pid? != null and .visible == true and .name == "") | .id' <<<"$tree" ||
      return 1
    if [ ${#popup_at[@]} = 4 ]; then
      edge=$(region "${popup_at[0]}" "6x${popup_at[3]}+${popup_at[1]}+${popup_at[2]}") || return 1
      if popup_edges "$edge"; then
        echo frame
      fi
    fi
    return 0
  fi
  tree=$(xwininfo -root -children) || return 1
  for id in $(awk '$1 ~ /^0x/ && /"Klop"\)/ {print $1}' <<<"$tree"); do
    info=$(xwininfo -id "$id" 2>/dev/null) || continue
    [[ $info == *'Override Redirect State: yes'* && $info == *'Map State: IsViewable'* ]] &&
      echo "$id"
  done
  return 0
}
no_popup() { local p; p=$(popups) && [ -z "$p" ]; }
one_popup() { local p; p=$(popups) && [ -n "$p" ] && [ "$(wc -l <<<"$p")" = 1 ]; }

# --- The game ---------------------------------------------------------------------------
# Its window $wid (start_game) has a menu bar $bar pixels high over the board, drawn at
# $s pixels to the board's one.
s=1
# A few pixels of a fresh screenshot of the window, geometry WxH+X+Y, as text.
crop() { region "$wid" "$1"; }
# A pixel black in the game-over picture, the board's in a game.
over_pixel() { crop "1x1+$((85 * s))+$((103 * s + bar))"; }
game_over_shown() { local p; p=$(over_pixel) && [[ $p == *'#000000'* ]]; }
game_running() { local p; p=$(over_pixel) && [ -n "$p" ] && [[ $p != *'#000000'* ]]; }
# Alt+G, then key $1 once the Game popup is open.
choose_by_key() { keys alt+g && wait_for 3 one_popup && keys "$1"; }
# New by keyboard once the options set a 2-second game: it ends neither late nor early.
# The clock starts before the key, so that a slow screenshot cannot make it look early.
short_game() {
  local name=$1 started_at took
  activate "$wid"
  check "$name: Alt+G opens the Game popup" eval 'keys alt+g && wait_for 3 one_popup'
  started_at=$(date +%s%N)
  keys n
  check "$name: the short game starts" wait_for 3 game_running
  check "$name: the game time typed in the dialog holds (over in about 2 s)" \
    wait_for 6 game_over_shown
  took=$((($(date +%s%N) - started_at) / 1000000))
  check "$name: ...not long before ($took ms after the key)" test "$took" -ge 1200
}
# The desktop stopped under the running game: it ends with status 1 and one line on
# stderr.
game_ends_with_desktop() {
  stop_desktop
  check "with the compositor gone, the game ends" wait_for 10 exited "$pid"
  reap "$pid"
  check "...with status 1 (got $status) and one line on stderr ($(head -c 200 "$work/err"))" \
    test "$status" = 1 -a "$(wc -l <"$work/err")" = 1
}

# Says what a program that did not come up was doing, for the log.
explain_stuck() {
  local pid=$1
  if exited "$pid"; then
    echo "e2e: it has exited" >&2
  else
    echo "e2e: it is still running, waiting in $(cat /proc/"$pid"/wchan 2>/dev/null)" >&2
    grep -E '^(State|Threads)' /proc/"$pid"/status >&2
    if command -v gdb >/dev/null 2>&1; then
      timeout 20 gdb -p "$pid" -batch -ex bt 2>/dev/null | grep -E '^#' | head -n 25 >&2
    fi
  fi
  echo "e2e: its output:" >&2
  cat "$out" "$work/err" >&2
  if on_sway; then
    echo "e2e: views:" >&2
    swaymsg -t get_tree -r | jq -c '.. | objects | select(.pid? != null) |
      {id, name, app_id, shell, pid, visible, rect, window_rect}' >&2
  else
    echo "e2e: top-level windows:" >&2
    xwininfo -root -children 2>&1 | sed -n '1,20p' >&2
  fi
  echo "e2e: window manager log:" >&2
  tail -n 30 "$work/wm.log" >&2
}

# Starts a probe (NAME PROGRAM [ARGS...]) that prints "ready" once its windows are up,
# its output in $out; its pid is $probe_pid. A probe that does not come up ends the test.
start_probe() {
  local name=$1
  shift
  start_as_user "$@"
  probe_pid=$started_pid
  if ! await_line ready 15; then
    echo "$name: the probe did not come up" >&2
    explain_stuck "$probe_pid"
    exit 1
  fi
}

finish() {
  if [ "$failed" -gt 0 ]; then
    echo "--- program stdout ---"
    cat "$out"
    echo "--- program stderr ---"
    cat "$work/err" 2>/dev/null
  fi
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}

# Starts the game (the command and its arguments), sets pid and wid to its visible
# window and activates it; a game that shows no window ends the script.
start_game() {
  start_as_user "$@"
  pid=$started_pid
  wid=$(window_of "$pid")
  if [ -z "$wid" ]; then
    echo "$(basename "$0" .sh): no window of the game is visible ($*)" >&2
    explain_stuck "$pid"
    exit 1
  fi
  activate "$wid"
}
