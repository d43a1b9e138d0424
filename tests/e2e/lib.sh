# Shared by the end-to-end scripts: a display and a window manager of their own,
# checks that count, and waits that always end. Every process started through
# `start` is stopped by its own id when the script exits.
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
skip_without Xvfb openbox xdotool xwininfo xprop wmctrl import /usr/bin/convert

work=$(mktemp -d)
started=()  # pids, in start order

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
  for ((i = ${#started[@]} - 1; i >= 0; i--)); do stop "${started[i]}"; done
  rm -rf "$work"
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

# Polls until the command succeeds or `seconds` (whole) pass on the clock, however long
# each try takes.
wait_for() {
  local deadline=$((${EPOCHREALTIME//[^0-9]/} + $1 * 1000000))
  shift
  while true; do
    "$@" && return 0
    [ "${EPOCHREALTIME//[^0-9]/}" -lt "$deadline" ] || return 1
    sleep 0.05
  done
}

# xdotool's --sync waits have no end of their own.
xdo() { timeout 10 xdotool "$@"; }

# The program's stdout, one line per event, is read from $out.
out=$work/out
lines() { grep -c -x -E "$1" "$out"; }
has_line() { grep -q -x -E "$1" "$out"; }
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

# Xvfb on a display number it picks itself, then openbox; sets DISPLAY. Arguments go
# to Xvfb (e.g. -dpi 192), after those in KLOP_E2E_XVFB, which runs a whole suite on
# another kind of server (e.g. "-screen 0 1024x768x16", "-extension MIT-SHM"; with
# "-listen tcp" the clients connect over TCP). KLOP_E2E_LAYOUT sets a keyboard layout
# (e.g. "ru,us"); KLOP_E2E_MONITORS lays monitors out on a screen that just holds them
# all (e.g. "1024x768+0+0 800x600+1024+0").
start_desktop() {
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

# Stops the desktop that start_desktop started, so that a script can start another.
stop_desktop() { stop "${desktop[1]}"; stop "${desktop[0]}"; }

# Filters ImageMagick's txt: output. On a screen of fewer than 24 bits (where import
# also reads a few levels off) each channel of #RRGGBB is taken to the nearest level of
# the game's 16 colours (00, 80, C0, FF): the same picture within the screen's precision.
colours() {
  if [ "${screen_depth:=$(xdpyinfo | awk '/depth of root window/ {print $5; exit}')}" -ge 24 ]; then
    cat
  else
    awk 'function snap(h,  v) { h = toupper(h); v = (index("0123456789ABCDEF", substr(h, 1, 1)) - 1) * 16 + index("0123456789ABCDEF", substr(h, 2, 1)) - 1
        return v < 64 ? "00" : v < 160 ? "80" : v < 224 ? "C0" : "FF" }
      length($3) == 7 && substr($3, 1, 1) == "#" { $3 = "#" snap(substr($3, 2, 2)) snap(substr($3, 4, 2)) snap(substr($3, 6, 2)) } { print }'
  fi
}
# Screenshot of window $1; pixel X Y then answers its colour as #RRGGBB.
shot() {
  timeout 10 import -window "$1" "$work/shot.png" &&
    /usr/bin/convert "$work/shot.png" -depth 8 txt:- | colours >"$work/shot.txt"
}
# Takes shots of window $1 until `pixel X Y` is COLOUR ($2 $3 $4) or 5 s pass; the
# last shot stays for the checks that follow.
shot_until() { wait_for 5 eval "shot '$1' && is_pixel $2 $3 '$4'"; }
pixel() { awk -v key="$1,$2:" '$1 == key { print $3; exit }' "$work/shot.txt"; }
is_pixel() { [ "$(pixel "$1" "$2")" = "$3" ]; }

# Whether window $1 lies wholly on monitor $2 ("WxH+X+Y", as in KLOP_E2E_MONITORS).
on_monitor() {
  local mw mh mx my
  IFS='x+' read -r mw mh mx my <<<"$2"
  xwininfo -id "$1" | awk -v mx="$mx" -v my="$my" -v mw="$mw" -v mh="$mh" '
    /Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
    /Width:/ {w=$2} /Height:/ {h=$2}
    END {exit !(x >= mx && y >= my && x + w <= mx + mw && y + h <= my + mh)}'
}

# The pixels of a fresh screenshot of window $1 cropped to geometry $2 (WxH+X+Y), one
# line each; fails, printing nothing, when the screenshot fails, so that no check can
# compare two failures and find them equal.
region() {
  local text
  text=$(
    set -o pipefail
    timeout 10 import -window "$1" "$work/region.png" &&
      /usr/bin/convert "$work/region.png" -crop "$2" +repage -depth 8 txt:- | tail -n +2 | colours
  ) && [ -n "$text" ] && echo "$text"
}

# Width x height of window $1's client area.
client_size() { xwininfo -id "$1" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}'; }

# The pointer's cursor image ($cursor_image prints "W H XHOT YHOT" then rows of pixels).
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

# The shown override-redirect windows of the program under test (both hosts give every
# window the program's class, "Klop"): its open popup menus.
# Fails when the server cannot be asked, so that "no popup" never passes on no answer.
popups() {
  local tree id info
  tree=$(xwininfo -root -children) || return 1
  for id in $(awk '$1 ~ /^0x/ && /"Klop"\)/ {print $1}' <<<"$tree"); do
    info=$(xwininfo -id "$id" 2>/dev/null) || continue
    grep -q 'Override Redirect State: yes' <<<"$info" && grep -q 'Map State: IsViewable' <<<"$info" &&
      echo "$id"
  done
  return 0
}
no_popup() { local p; p=$(popups) && [ -z "$p" ]; }
one_popup() { local p; p=$(popups) && [ -n "$p" ] && [ "$(wc -l <<<"$p")" = 1 ]; }

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
  echo "e2e: top-level windows:" >&2
  xwininfo -root -children 2>&1 | sed -n '1,20p' >&2
  echo "e2e: window manager log:" >&2
  cat "$work/wm.log" >&2
}

# Starts a probe (NAME PROGRAM [ARGS...]) that prints "ready" once its windows are up,
# its output in $out; its pid is $probe_pid. A probe that does not come up ends the test.
start_probe() {
  local name=$1
  shift
  "$@" </dev/null >"$out" 2>"$work/err" &
  probe_pid=$!
  started+=("$probe_pid")
  if ! await_line ready 15; then
    echo "$name: the probe did not come up" >&2
    explain_stuck "$probe_pid"
    exit 1
  fi
}

# The id of the visible window whose title matches the pattern, or nothing.
visible_window() { timeout 10 xdotool search --sync --onlyvisible --name "$1" | head -n 1; }

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
  "$@" </dev/null >"$out" 2>"$work/err" &
  pid=$!
  started+=("$pid")
  wid=$(timeout 15 xdotool search --sync --onlyvisible --pid "$pid" 2>/dev/null | head -n 1)
  if [ -z "$wid" ]; then
    echo "$(basename "$0" .sh): no window of the game is visible ($*)" >&2
    explain_stuck "$pid"
    exit 1
  fi
  xdo windowactivate --sync "$wid" >/dev/null 2>&1
}
