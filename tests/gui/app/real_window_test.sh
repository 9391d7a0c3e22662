#!/usr/bin/env bash
# The real program under a real X server (Xvfb): it starts with the null
# sound back-end and shows its main window titled "Tarvo Wavedesk 2.0".
set -euo pipefail
program=$1
work=$(mktemp -d)
display=:$((90 + RANDOM % 400))
cleanup() {
  [ -n "${app:-}" ] && kill "$app" 2>/dev/null || true
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
for _ in $(seq 50); do DISPLAY=$display xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done

unset QT_QPA_PLATFORM
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
DISPLAY=$display "$program" --audio=null >"$work/app.log" 2>&1 &
app=$!

window=""
for _ in $(seq 100); do
  window=$(DISPLAY=$display xdotool search --name '^Tarvo Wavedesk 2\.0$' 2>/dev/null | head -n1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
if [ -z "$window" ]; then
  echo "no main window appeared"; cat "$work/app.log"; exit 1
fi
geometry=$(DISPLAY=$display xdotool getwindowgeometry "$window")
kill -0 "$app" || { echo "the program ended early"; cat "$work/app.log"; exit 1; }
echo "main window shown: $geometry"
