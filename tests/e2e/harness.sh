# Shared pieces of the end-to-end tests, which drive the real program on a
# private X server (Xvfb) with xdotool. Source it from a test script, whose
# first argument is the program and the second the drag source. Each test
# gets a folder of its own for HOME, the XDG folders (so that a user's
# settings and a running editor are never touched), its files and its logs;
# whatever the test started is ended by pid when the script ends, however it
# ends. On a failure the screen is saved as <script name>.png in
# E2E_OUTPUT_DIR (the tests' build folder).
#
# Nothing here sleeps as a means of synchronisation: every wait polls a
# condition up to a deadline.

set -euo pipefail

E2E_PROGRAM=${1:?the program to test}
E2E_DRAG_SOURCE=${2:-}
E2E_NAME=$(basename "$0" .sh)
E2E_OUTPUT_DIR=${E2E_OUTPUT_DIR:-$PWD}
E2E_WORK=$(mktemp -d "${TMPDIR:-/tmp}/wavedesk-e2e.XXXXXX")
E2E_PIDS=()
E2E_XVFB=""

export HOME=$E2E_WORK/home
export XDG_CONFIG_HOME=$E2E_WORK/config XDG_DATA_HOME=$E2E_WORK/data XDG_CACHE_HOME=$E2E_WORK/cache
export XDG_RUNTIME_DIR=$E2E_WORK/runtime
# A temporary folder of its own: a program that starts alone cleans up the
# clip files it finds in its temporary folder, and must not take those of
# the tests running beside it.
export TMPDIR=$E2E_WORK/tmp
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR" "$TMPDIR"
chmod 700 "$XDG_RUNTIME_DIR"
# The real program talks to the X server, not to Qt's offscreen platform the
# other GUI tests use; a session bus or a desktop's portal are not wanted.
unset QT_QPA_PLATFORM WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS SESSION_MANAGER
export QT_QPA_PLATFORM=xcb

e2e_log() { echo "[$(date +%T.%N | cut -c1-12)] $*"; }

# Whether a process still runs; an ended child of ours that is not yet
# reaped (a zombie) does not.
e2e_running() {
  local state
  state=$(awk '{ print $3 }' "/proc/$1/stat" 2>/dev/null) || return 1
  [ -n "$state" ] && [ "$state" != Z ]
}

# Ends one process we started: politely first, then for good.
e2e_end_pid() {
  local pid=$1
  if e2e_running "$pid"; then
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 30); do e2e_running "$pid" || break; sleep 0.1; done
    if e2e_running "$pid"; then kill -9 "$pid" 2>/dev/null || true; fi
  fi
  wait "$pid" 2>/dev/null || true
}

e2e_cleanup() {
  local status=$?
  trap - ERR
  set +e
  local pid
  for pid in "${E2E_PIDS[@]}"; do e2e_end_pid "$pid"; done
  if [ -n "$E2E_XVFB" ]; then e2e_end_pid "$E2E_XVFB"; fi
  rm -rf "$E2E_WORK"
  exit "$status"
}
trap e2e_cleanup EXIT
# A command that fails unexpectedly says where, with the screen and logs.
set -E
trap 'e2e_fail "line $LINENO of $(basename "$0"): \"$BASH_COMMAND\" failed"' ERR
trap 'exit 130' INT TERM

# Runs a command in the background and keeps its pid for the clean-up; the
# pid is left in E2E_LAST_PID.
e2e_spawn() {
  local log=$1
  shift
  "$@" >"$log" 2>&1 &
  E2E_LAST_PID=$!
  E2E_PIDS+=("$E2E_LAST_PID")
}

e2e_screenshot() {
  [ -n "${DISPLAY:-}" ] || return 0
  mkdir -p "$E2E_OUTPUT_DIR"
  local file=$E2E_OUTPUT_DIR/$E2E_NAME.png
  rm -f "$file"
  # FFmpeg reads the screen through its X11 grabber; ImageMagick's import
  # where FFmpeg lacks one.
  if ffmpeg -loglevel error -y -f x11grab -video_size 1280x900 -i "$DISPLAY" -frames:v 1 "$file" >/dev/null 2>&1 ||
    import -display "$DISPLAY" -window root "$file" >/dev/null 2>&1; then
    echo "screen saved as $file"
  fi
}

# Reports a failure with what helps to find its cause, and ends the test.
e2e_fail() {
  trap - ERR
  echo "FAILED: $*"
  e2e_screenshot
  local log
  for log in "$E2E_WORK"/*.log; do
    [ -s "$log" ] || continue
    echo "--- $(basename "$log")"
    tail -n 40 "$log"
  done
  exit 1
}

e2e_skip() {
  echo "SKIPPED: $*"
  exit 77
}

# Polls `command...` every 0.1 s until it succeeds or `seconds` pass.
e2e_wait_for() {
  local seconds=$1
  shift
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.1
  done
}

e2e_need() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null 2>&1 || e2e_skip "$tool is not installed"
  done
}

# Starts a private X server. Its display number is drawn at random from a
# wide range rather than taken as the lowest free one, which a server just
# ending elsewhere may still hold for a moment; the lock file has to name our
# server before the display counts as ours. Without -noreset the server
# resets when its last client leaves (the readiness probe, say) and refuses
# the next one for a moment.
e2e_start_xvfb() {
  e2e_need Xvfb xdotool xprop xwininfo
  local number
  for _ in $(seq 10); do
    number=$((200 + RANDOM % 800))
    if [ -e "/tmp/.X$number-lock" ]; then continue; fi
    Xvfb ":$number" -screen 0 1280x900x24 -nolisten tcp -noreset >"$E2E_WORK/xvfb.log" 2>&1 &
    E2E_XVFB=$!
    export DISPLAY=:$number
    local deadline=$((SECONDS + 20))
    while e2e_running "$E2E_XVFB" && [ "$SECONDS" -lt "$deadline" ]; do
      if [ "$(tr -d ' \n' 2>/dev/null <"/tmp/.X$number-lock")" = "$E2E_XVFB" ] &&
        xdotool getdisplaygeometry >/dev/null 2>&1; then
        e2e_log "Xvfb on $DISPLAY"
        return 0
      fi
      sleep 0.1
    done
    e2e_end_pid "$E2E_XVFB"
    E2E_XVFB=""
  done
  e2e_fail "Xvfb did not start"
}

# Starts the program with the given arguments; its pid is E2E_APP.
e2e_start_program() {
  e2e_spawn "$E2E_WORK/program.log" "$E2E_PROGRAM" "$@"
  E2E_APP=$E2E_LAST_PID
}

# Waits up to `seconds` for process `pid` to end by itself and leaves its
# exit status in E2E_EXIT_STATUS; returns 1 if it still runs.
e2e_wait_exit() {
  local pid=$1 seconds=${2:-30}
  e2e_wait_for "$seconds" e2e_pid_gone "$pid" || return 1
  E2E_EXIT_STATUS=0
  wait "$pid" || E2E_EXIT_STATUS=$?
}
e2e_pid_gone() { ! e2e_running "$1"; }

# The first visible window whose title matches the extended regular
# expression and whose window type is `type` (NORMAL for main windows,
# DIALOG for dialogs and message boxes): the splash and the popup menus
# carry the program's title too.
e2e_find_window() {
  local pattern=$1 type=${2:-NORMAL} id
  for id in $(xdotool search --onlyvisible --name "$pattern" 2>/dev/null); do
    case "$(xprop -id "$id" _NET_WM_WINDOW_TYPE 2>/dev/null)" in
      *"= _NET_WM_WINDOW_TYPE_$type"*) echo "$id"; return 0 ;;
    esac
  done
  return 0
}

# Waits for such a window and leaves its id in E2E_WINDOW; returns 1 after
# `seconds` without one.
e2e_wait_window() {
  local pattern=$1 type=${2:-NORMAL} seconds=${3:-30}
  local deadline=$((SECONDS + seconds))
  E2E_WINDOW=""
  while [ "$SECONDS" -lt "$deadline" ]; do
    E2E_WINDOW=$(e2e_find_window "$pattern" "$type")
    [ -n "$E2E_WINDOW" ] && return 0
    sleep 0.1
  done
  return 1
}

e2e_count_windows() {
  local pattern=$1 type=${2:-NORMAL} id count=0
  for id in $(xdotool search --onlyvisible --name "$pattern" 2>/dev/null); do
    case "$(xprop -id "$id" _NET_WM_WINDOW_TYPE 2>/dev/null)" in
      *"= _NET_WM_WINDOW_TYPE_$type"*) count=$((count + 1)) ;;
    esac
  done
  echo "$count"
}

e2e_title() { xdotool getwindowname "$1" 2>/dev/null || true; }

# Waits until window `id` carries exactly `title`.
e2e_wait_title() {
  local window=$1 title=$2 seconds=${3:-30}
  e2e_wait_for "$seconds" e2e_title_is "$window" "$title"
}
e2e_title_is() { [ "$(e2e_title "$1")" = "$2" ]; }

e2e_window_gone() { [ -z "$(e2e_find_window "$@")" ]; }

# Waits for the main window, titled "Tarvo Wavedesk 2.0" and maybe a
# document's name behind it; its id is E2E_MAIN. Start-up takes no input
# while the splash shows, so the splash has to go first.
e2e_wait_main_window() {
  e2e_wait_window '^Tarvo Wavedesk 2\.0( - .*)?$' NORMAL 30 || e2e_fail "no main window appeared"
  E2E_MAIN=$E2E_WINDOW
  e2e_wait_for 30 e2e_window_gone '' SPLASH || e2e_fail "the splash window stayed"
}

# Gives the keyboard to a window (there is no window manager to do it) and
# types keys there through the XTEST extension, as a user's keyboard would.
e2e_keys() {
  local window=$1
  shift
  timeout 5 xdotool windowfocus --sync "$window" 2>/dev/null || xdotool windowfocus "$window"
  local key
  for key in "$@"; do
    xdotool key --clearmodifiers "$key"
  done
}

# Opens a menu of the main window by its mnemonic and picks an item by its
# own: e2e_menu WINDOW f x is File > Exit.
e2e_menu() {
  local window=$1 menu=$2 item=$3
  e2e_keys "$window" "alt+$menu"
  e2e_wait_for 10 e2e_popup_shown || e2e_fail "the menu alt+$menu did not open"
  xdotool key "$item"
}

# A popup menu is a window of its own while it shows, placed by the program
# itself (override-redirect). Its window type is not to be relied on: Qt
# reuses the window and has been seen to map it again as a normal one.
e2e_popup_shown() {
  local id
  for id in $(xdotool search --onlyvisible --name '' 2>/dev/null); do
    xwininfo -id "$id" 2>/dev/null | grep -q 'Override Redirect State: yes' && return 0
  done
  return 1
}

# A wave file made by sox: e2e_tone FILE SECONDS FREQUENCY [channels].
e2e_tone() {
  e2e_need sox
  sox -n -r 44100 -c "${4:-2}" -b 16 "$1" synth "$2" sine "$3" vol 0.5
}

# Needs the private PulseAudio daemon the test script of the project starts.
e2e_need_pulse() {
  [ -n "${PULSE_SERVER:-}" ] || e2e_skip "PULSE_SERVER is not set (scripts/test.sh starts a private daemon)"
  e2e_need pactl parec
  pactl info >/dev/null 2>&1 || e2e_fail "the PulseAudio daemon at $PULSE_SERVER does not answer"
}

# Records what the sound server plays, from the default sink's monitor, as
# raw working-format sound (16-bit stereo at 44.1 kHz) into `file`.
e2e_start_listening() {
  local file=$1
  e2e_spawn "$E2E_WORK/parec.log" parec --device=@DEFAULT_MONITOR@ --format=s16le --rate=44100 --channels=2 \
    --latency-msec=50 "$file"
  e2e_wait_for 20 test -s "$file" || e2e_fail "parec records nothing"
}

# The level (RMS, dB, left channel) of the sound of raw file `file` between
# `from` and `to` Hz, as a whole number; of the whole file, or of its last
# `tenths` tenths of a second only.
e2e_band_level() {
  local file=$1 from=$2 to=$3 tenths=${4:-}
  local size bytes start
  size=$(stat -c %s "$file")
  size=$((size / 4 * 4))
  start=0
  if [ -n "$tenths" ]; then
    bytes=$((tenths * 176400 / 10 / 4 * 4))
    if [ "$size" -gt "$bytes" ]; then start=$((size - bytes)); fi
  fi
  tail -c +$((start + 1)) "$file" | head -c $((size - start)) |
    sox -t raw -r 44100 -e signed -b 16 -c 2 - -n remix 1 sinc "$from-$to" stats 2>&1 |
    awk '/RMS lev dB/ { print ($4 == "-inf") ? -200 : int($4) }'
}
