#!/usr/bin/env bash
# Runs the clipboard manager's X11 test program (its first argument) on a
# private Xvfb, so that the system clipboard it trades with xclip is a real
# X selection.
set -euo pipefail
program=$1
work=$(mktemp -d)
display=:$((90 + RANDOM % 400))
cleanup() {
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
xvfb=$!
for _ in $(seq 50); do DISPLAY=$display xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
DISPLAY=$display xdotool getdisplaygeometry >/dev/null 2>&1 || { echo "Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }

export DISPLAY=$display QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
# xclip keeps serving its selection after the test; it ends with the server.
"$program"
