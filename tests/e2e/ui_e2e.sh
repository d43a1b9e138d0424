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

start_probe ui_e2e "$probe"
frame=$(visible_window '^ui probe frame$')
dialog=$(visible_window '^Options$')
if [ -z "$frame" ] || [ -z "$dialog" ]; then
  echo "ui_e2e: the probe's windows are not visible" >&2
  explain_stuck "$probe_pid"
  exit 1
fi
sleep 1

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
check "OptionDlg's client area is 225x224 (got $(client_size "$dialog"))" \
  test "$(client_size "$dialog")" = 225x224

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
sleep 1
if ! on_sway; then
  check "the message box is a dialog window transient for the frame" is_dialog_of_frame "$box"
fi
activate "$box"
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
sleep 1
switches() {
  cat /proc/"$1"/task/*/status | awk '/^voluntary_ctxt_switches/ {v += $2}
    /^nonvoluntary_ctxt_switches/ {n += $2} END {print v + n}'
}
s0=$(switches "$probe_pid")
sleep 4
s1=$(switches "$probe_pid")
check "idle under the open dialog: $((s1 - s0)) wake-ups in 4 s" test $((s1 - s0)) -le 2
close_window "$dialog"
await_line 'dialog result 2 ticks 0'
box=$(visible_window '^ui probe box$')
activate "$box"
keys Escape
check "Escape answers an OK box with IDOK" await_line 'box result 1 ticks 0'
wait_for 10 exited "$probe_pid"
finish
