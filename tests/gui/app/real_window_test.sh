#!/usr/bin/env bash
# The real program under a real X server (Xvfb): it starts with the null
# sound back-end and shows its main window titled "Tarvo Wavedesk 2.0"; a
# second start hands its file to the running program, which opens it, and
# ends without a window of its own.
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

Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
xvfb=$!
for _ in $(seq 50); do DISPLAY=$display xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done

unset QT_QPA_PLATFORM
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime
# A temporary folder of its own: a program that starts alone cleans up the
# clip files it finds in its temporary folder, and must not take those of
# the tests running beside it.
export TMPDIR=$work/tmp
mkdir -p "$XDG_RUNTIME_DIR" "$TMPDIR" && chmod 700 "$XDG_RUNTIME_DIR"
DISPLAY=$display "$program" --audio=null >"$work/app.log" 2>&1 &
app=$!

window=""
for _ in $(seq 100); do
  window=$(DISPLAY=$display xdotool search --onlyvisible --name '^Tarvo Wavedesk 2\.0$' 2>/dev/null | head -n1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
if [ -z "$window" ]; then
  echo "no main window appeared"; cat "$work/app.log"; exit 1
fi
geometry=$(DISPLAY=$display xdotool getwindowgeometry "$window")
kill -0 "$app" || { echo "the program ended early"; cat "$work/app.log"; exit 1; }
echo "main window shown: $geometry"

sox -n -r 44100 -c 2 -b 16 "$work/handed.wav" synth 0.2 sine 440
DISPLAY=$display timeout 20 "$program" --audio=null "$work/handed.wav" >"$work/second.log" 2>&1 \
  || { echo "the second start did not end by itself"; cat "$work/second.log"; exit 1; }
title=""
for _ in $(seq 100); do
  title=$(DISPLAY=$display xdotool getwindowname "$window" 2>/dev/null || true)
  [ "$title" = "Tarvo Wavedesk 2.0 - handed.wav" ] && break
  sleep 0.1
done
[ "$title" = "Tarvo Wavedesk 2.0 - handed.wav" ] || { echo "the running program did not open the file: '$title'"; exit 1; }
windows=$(DISPLAY=$display xdotool search --onlyvisible --name '^Tarvo Wavedesk 2\.0' | wc -l)
[ "$windows" -eq 1 ] || { echo "expected one main window, found $windows"; exit 1; }
echo "second start handed over its file"
