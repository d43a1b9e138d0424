#!/usr/bin/env bash
# End-to-end: a dialog and a message box of the platform as real windows (ui_probe)
# on a desktop of their own (Xvfb with openbox, or sway: see lib.sh): typed as dialogs,
# transient for their owner, the owner's timer ticking while they run; the desktop's
# close gives IDCANCEL.
#
#   ui_e2e.sh UI_PROBE
probe=${1:?usage: ui_e2e.sh UI_PROBE}
source "$(dirname "$0")/lib.sh"
start_desktop

# With monitors of different sizes (KLOP_E2E_MONITORS), the frame sits low on the last
# one, over the space beside a taller one: its dialog and message box must stay on it.
read -r -a monitors <<<"${KLOP_E2E_MONITORS:-}"
at=()
if [ ${#monitors[@]} -gt 1 ]; then
  last=${monitors[-1]}
  IFS='x+' read -r mw mh mx my <<<"$last"
  at=(--at "$((mx + mw - 420)),$((my + mh - 100))")
fi
start_probe ui_e2e "$probe" "${at[@]}"
frame=$(visible_window '^ui probe frame$')
dialog=$(visible_window '^Options$')
if [ -z "$frame" ] || [ -z "$dialog" ]; then
  echo "ui_e2e: the probe's windows are not visible" >&2
  explain_stuck "$probe_pid"
  exit 1
fi

is_dialog_of_frame() {
  local w=$1
  xprop -id "$w" _NET_WM_WINDOW_TYPE | grep -q '= _NET_WM_WINDOW_TYPE_DIALOG' &&
    [ "$(($(xprop -id "$w" WM_TRANSIENT_FOR | awk '{print $NF}')))" = "$frame" ]
}
if on_sway; then
  not_here "dialogs typed and transient for the frame, out of the task bar" \
    "sway's IPC shows no view's parent or type"
else
  check "OptionDlg is a dialog window transient for the frame" is_dialog_of_frame "$dialog"
  check "OptionDlg stays out of the task bar" \
    eval "xprop -id $dialog _NET_WM_STATE | grep -q _NET_WM_STATE_SKIP_TASKBAR"
fi
check "OptionDlg's client area is 225x224" await_is 3 225x224 client_size "$dialog"
[ "${KLOP_HOST:-}" = x11 ] && check "OptionDlg is modal to the desktop" \
  eval "xprop -id $dialog _NET_WM_STATE | grep -q _NET_WM_STATE_MODAL"
# Polled quietly first: the window manager places it once it is shown.
on_last() { wait_for 3 on_monitor "$1" "$last" 2>/dev/null; on_monitor "$1" "$last"; }
[ ${#at[@]} -gt 0 ] && check "OptionDlg lies wholly on its owner's monitor $last" on_last "$dialog"

sleep 1  # open for a second: ten ticks of the frame's timer
close_window "$dialog"
check "closing OptionDlg through the desktop gives IDCANCEL" await_line 'dialog result 2 ticks [0-9]+'
ticks=$(grep -E '^dialog result ' "$out" | awk '{print $5}')
check "the frame's timer kept ticking under the dialog ($ticks ticks)" test "${ticks:-0}" -ge 5

box=$(visible_window '^ui probe box$')
if [ -z "$box" ]; then
  echo "ui_e2e: the message box is not visible" >&2
  explain_stuck "$probe_pid"
  exit 1
fi
if ! on_sway; then
  check "the message box is a dialog window transient for the frame" is_dialog_of_frame "$box"
fi
[ ${#at[@]} -gt 0 ] && check "the message box lies wholly on its owner's monitor $last" on_last "$box"
activate "$box"
sleep 1  # as the dialog
keys Return
check "Return answers the box with IDOK" await_line 'box result 1 ticks [0-9]+'
ticks=$(grep -E '^box result ' "$out" | awk '{print $5}')
check "the frame's timer kept ticking under the box ($ticks ticks)" test "${ticks:-0}" -ge 5

wait_for 10 exited "$probe_pid"
reap "$probe_pid"
check "the probe ends with 0 (got $status)" test "$status" = 0

# Idle with the dialog open and its edit not focused: no timer of the platform's own
# wakes the probe (a caret blink would wake it about 8 times in these 4 s).
start_probe ui_e2e "$probe" --idle
dialog=$(visible_window '^Options$')
# The probe's context switches; fails once it is gone.
switches() {
  local status
  status=$(cat /proc/"$probe_pid"/task/*/status) && awk '/^voluntary_ctxt_switches/ {v += $2}
    /^nonvoluntary_ctxt_switches/ {n += $2} END {print v + n}' <<<"$status"
}
# Wake-ups in $1 seconds, the dialog shown throughout (a probe gone shows none).
wakeups() {
  local s0 s1
  shown "$dialog" && s0=$(switches) && sleep "$1" && s1=$(switches) && shown "$dialog" &&
    echo $((s1 - s0))
}
# Counted once its start-up has settled: a half second without one.
quiet() { [ "$(wakeups 0.5)" = 0 ]; }
wait_for 5 quiet
n=$(wakeups 4)
check "idle under the open dialog: ${n:-no} wake-ups in 4 s" test "${n:-3}" -le 2
close_window "$dialog"
await_line 'dialog result 2 ticks 0'
box=$(visible_window '^ui probe box$')
activate "$box"
keys Escape
check "Escape answers an OK box with IDOK" await_line 'box result 1 ticks 0'
wait_for 10 exited "$probe_pid"
finish
