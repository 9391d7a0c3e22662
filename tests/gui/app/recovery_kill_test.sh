#!/usr/bin/env bash
# Unsaved work survives a kill of the real program. Under a private Xvfb and
# private user folders, the program opens a wave made by sox; the keyboard
# copies all of it and mixes it back as a second layer; once the recovery
# folder holds the document, the program is killed with SIGKILL. The recovery
# file, read by the core's own reader (tvf_dump), holds both layers with
# sox's samples. A new start offers the work back ("Recover Unsaved Work"),
# Yes reopens it modified under its name, a third start only hands over to
# the running program, and a normal Exit answering No leaves the folder
# empty.
set -euo pipefail
program=$1
tvf_dump=$2
work=$(mktemp -d)
cleanup() {
  [ -n "${app:-}" ] && kill -9 "$app" 2>/dev/null || true
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAILED: $*"
  for log in "$work"/app*.log; do [ -s "$log" ] && { echo "--- $log"; cat "$log"; }; done
  exit 1
}

# Xvfb picks a free display itself and says which once it is ready, so that
# tests running side by side never share one.
Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
display=:$(head -n1 "$work/display")

unset QT_QPA_PLATFORM
export DISPLAY=$display HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
export XDG_RUNTIME_DIR=$work/runtime
# A temporary folder of its own: a program that starts alone cleans up the
# clip files it finds in its temporary folder, and must not take those of
# the tests running beside it.
export TMPDIR=$work/tmp
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$TMPDIR" && chmod 700 "$XDG_RUNTIME_DIR"
recovery="$XDG_DATA_HOME/Tarvo Labs/Tarvo Wavedesk 2.0/recovery"

# Waits up to $2 tenths of a second for a visible window whose title matches
# $1 and prints its id.
wait_window() {
  local id=""
  for _ in $(seq "$2"); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}
# Focuses window $1 and types the keys that follow, one at a time.
keys() {
  local window=$1
  shift
  xdotool windowfocus --sync "$window"
  for key in "$@"; do
    xdotool key "$key"
    sleep 0.3
  done
}

sox -n -r 44100 -c 2 -b 16 "$work/take.wav" synth 0.5 sine 440 sine 660
sox "$work/take.wav" -t raw "$work/take.raw"

# The first run: open, edit, wait for the recovery file, kill.
"$program" --audio=null "$work/take.wav" >"$work/app1.log" 2>&1 &
app=$!
main=$(wait_window '^Tarvo Wavedesk 2\.0 - take\.wav$' 300) || fail "the wave did not open"
keys "$main" ctrl+a ctrl+c ctrl+m
wait_window '^Tarvo Wavedesk 2\.0 - take\.wav\*$' 50 >/dev/null || fail "the mix did not mark the document modified"
listed=""
tab=$'\t'
for _ in $(seq 300); do
  # The index names a document only once its file is complete.
  if [ -f "$recovery/index" ] && grep -qF "$tab$work/take.wav${tab}take.wav" "$recovery/index"; then listed=yes; break; fi
  sleep 0.1
done
[ -n "$listed" ] || fail "no recovery entry appeared"
kill -9 "$app"
wait "$app" 2>/dev/null || true
app=""

entry=$(cut -f1 <(tail -n +2 "$recovery/index"))
[ "$(echo "$entry" | wc -l)" -eq 1 ] || fail "expected one entry, the index holds: $(cat "$recovery/index")"
"$tvf_dump" "$recovery/$entry" "$work/layer" >"$work/dump.txt" || fail "the recovery file cannot be read"
[ "$(head -n1 "$work/dump.txt")" = "layers 2" ] || fail "expected two layers: $(cat "$work/dump.txt")"
cmp "$work/take.raw" "$work/layer0.raw" || fail "the first layer is not the wave's samples"
cmp "$work/take.raw" "$work/layer1.raw" || fail "the mixed layer is not the wave's samples"
grep -q "^layer 1 offset 0 length $(stat -c %s "$work/take.raw")\$" "$work/dump.txt" \
  || fail "the mixed layer is misplaced: $(cat "$work/dump.txt")"
echo "killed with the edit in the recovery folder"

# The second run offers the work back.
"$program" --audio=null >"$work/app2.log" 2>&1 &
app=$!
question=$(wait_window '^Recover Unsaved Work$' 300) || fail "no offer to recover"
keys "$question" Return
main=$(wait_window '^Tarvo Wavedesk 2\.0 - take\.wav\*$' 100) \
  || fail "the recovered document did not open modified under its name"
[ -f "$recovery/$entry" ] || fail "the entry went before the document was saved or closed"
echo "recovered take.wav, modified"

# A second start while this one runs hands over to it first: it neither
# offers nor deletes the running program's entry.
timeout 20 "$program" --audio=null >"$work/app3.log" 2>&1 || fail "the second start did not end by itself"
[ -f "$recovery/$entry" ] || fail "a second start touched the running program's entry"
xdotool search --onlyvisible --name '^Recover Unsaved Work$' >/dev/null 2>&1 && fail "a second start offered recovery"

# A normal exit, discarding the changes, empties the folder.
keys "$main" alt+f x
prompt=$(wait_window '^Tarvo Wavedesk 2\.0$' 50) || fail "no save prompt at exit"
keys "$prompt" n
for _ in $(seq 100); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app" 2>/dev/null && fail "the program did not end at Exit"
app=""
[ -z "$(ls -A "$recovery")" ] || fail "the recovery folder is not empty after Exit: $(ls -A "$recovery")"
echo "a normal exit left the recovery folder empty"
