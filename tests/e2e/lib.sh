# Shared by the end-to-end scripts: a display and a window manager of their own,
# checks that count, and waits that always end. Every process started through
# `start` is stopped by its own id when the script exits.
set -u

for tool in Xvfb openbox xdotool xwininfo xprop wmctrl import /usr/bin/convert; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "e2e: '$tool' is missing; scripts/setup installs it" >&2
    exit 1
  fi
done

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
# to Xvfb (e.g. -dpi 192).
start_desktop() {
  rm -f "$work/wm-ready" "$work/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp "$@" 3>"$work/display" </dev/null \
    >"$work/xvfb.log" 2>&1 &
  started+=($!)
  desktop=($!)
  if ! wait_for 10 test -s "$work/display"; then
    echo "e2e: Xvfb did not start" >&2
    cat "$work/xvfb.log" >&2
    exit 1
  fi
  export DISPLAY=":$(head -n 1 "$work/display")"
  unset WAYLAND_DISPLAY
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

# Screenshot of window $1; pixel X Y then answers its colour as #RRGGBB.
shot() {
  timeout 10 import -window "$1" "$work/shot.png" &&
    /usr/bin/convert "$work/shot.png" -depth 8 txt:- >"$work/shot.txt"
}
# Takes shots of window $1 until `pixel X Y` is COLOUR ($2 $3 $4) or 5 s pass; the
# last shot stays for the checks that follow.
shot_until() { wait_for 5 eval "shot '$1' && is_pixel $2 $3 '$4'"; }
pixel() { awk -v key="$1,$2:" '$1 == key { print $3; exit }' "$work/shot.txt"; }
is_pixel() { [ "$(pixel "$1" "$2")" = "$3" ]; }

# The pixels of a fresh screenshot of window $1 cropped to geometry $2 (WxH+X+Y), one
# line each; fails, printing nothing, when the screenshot fails, so that no check can
# compare two failures and find them equal.
region() {
  local text
  text=$(
    set -o pipefail
    timeout 10 import -window "$1" "$work/region.png" &&
      /usr/bin/convert "$work/region.png" -crop "$2" +repage -depth 8 txt:- | tail -n +2
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
