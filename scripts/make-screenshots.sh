#!/usr/bin/env bash
# Makes the pictures of the help and the README from the real program: starts
# it on a private X server (Xvfb, 1280x900) with a private PulseAudio daemon
# (or the null sound back-end where there is none),
# drives it with xdotool as a user would (keys, menu accelerators, a few mouse
# drags on the waveform view) and saves the main window and its dialogs as
# palette PNGs in src/gui/res/help-images/.
#
#   scripts/make-screenshots.sh [build-dir]      (default: build)
#
# Builds nothing: the program is <build-dir>/src/gui/wavedesk. HOME, the XDG
# folders and the sound files live in a temporary folder, so a user's
# settings and a running editor are never touched; whatever the script
# started is ended by pid however it ends (the helpers of the end-to-end
# tests, tests/e2e/harness.sh, do that and the waiting).
#
# The mouse drags land on pixels worked out for this screen size and the
# program's layout: if the layout changes, check main-window.png.

set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-build}
case "$BUILD" in /*) ;; *) BUILD=$ROOT/$BUILD ;; esac
PROGRAM=$BUILD/src/gui/wavedesk
OUT=$ROOT/src/gui/res/help-images
if [ ! -x "$PROGRAM" ]; then
  echo "no program at $PROGRAM: build the wavedesk target first" >&2
  exit 1
fi
for tool in Xvfb xdotool xprop xwininfo import convert sox; do
  command -v "$tool" >/dev/null 2>&1 || { echo "$tool is not installed" >&2; exit 1; }
done

# A failure leaves its screen beside the program's build folder.
export E2E_OUTPUT_DIR=$BUILD
# shellcheck source=tests/e2e/harness.sh
source "$ROOT/tests/e2e/harness.sh" "$PROGRAM"
STARTED=$SECONDS
# The clipboard manager keeps its clips in temporary files.
export TMPDIR=$E2E_WORK/tmp
mkdir -p "$TMPDIR"

# ---------------------------------------------------------------------------
# Helpers

# The number of popup menus showing (override-redirect windows: menus and
# their submenus, tool tips, completers).
popup_count() {
  local id count=0
  for id in $(xdotool search --onlyvisible --name '' 2>/dev/null); do
    xwininfo -id "$id" 2>/dev/null | grep -q 'Override Redirect State: yes' && count=$((count + 1))
  done
  echo "$count"
}
popups_more_than() { [ "$(popup_count)" -gt "$1" ]; }
no_popups() { [ "$(popup_count)" -eq 0 ]; }

# Opens a menu by its mnemonic and walks into it with keys: each key that
# opens a submenu is given as "sub:KEY", which waits for the submenu.
menu() {
  local key before
  e2e_keys "$MAIN" "alt+$1"
  e2e_wait_for 10 e2e_popup_shown || e2e_fail "the menu alt+$1 did not open"
  shift
  for key in "$@"; do
    case "$key" in
      sub:*)
        before=$(popup_count)
        xdotool key "${key#sub:}"
        e2e_wait_for 10 popups_more_than "$before" || e2e_fail "no submenu opened with ${key#sub:}"
        ;;
      *) xdotool key "$key" ;;
    esac
  done
}

# The first visible window whose title matches, of any type.
visible_window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 | grep .; }

# Whether window `id` has a title matching the extended regular expression.
title_matches() { [[ "$(e2e_title "$1")" =~ $2 ]]; }

# Waits for a dialog whose title matches; its id is left in DIALOG.
wait_dialog() {
  e2e_wait_window "$1" DIALOG 30 || e2e_fail "no dialog \"$1\" appeared"
  DIALOG=$E2E_WINDOW
}

# Waits until no dialog with that title shows.
wait_dialog_gone() {
  e2e_wait_for 30 e2e_window_gone "$1" DIALOG || e2e_fail "the dialog \"$1\" stayed"
}

# The window's size as "WxH".
window_size() { xwininfo -id "$1" 2>/dev/null | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }'; }
size_is() { [ "$(window_size "$1")" = "$2" ]; }

# Saves window `id` (or "root", the whole screen), or the part `crop`
# (WxH+X+Y) of it, as a palette PNG named `name`.png. The settle lets the last repaint and a closing menu's shadow
# reach the screen.
capture() {
  local id=$1 name=$2 crop=${3:-}
  xdotool mousemove 1279 899  # no hover highlight or tool tip
  e2e_wait_for 10 no_popups || e2e_fail "a menu stayed open before $name.png"
  sleep 0.5
  import -display "$DISPLAY" -window "$id" "$E2E_WORK/$name-full.png"
  convert "$E2E_WORK/$name-full.png" ${crop:+-crop "$crop" +repage} -strip -colors 256 "PNG8:$PICTURES/$name.png"
  e2e_log "$name.png: $(stat -c %s "$PICTURES/$name.png") bytes"
}

# Captures a dialog and closes it with Escape.
capture_dialog() {
  local title=$1 name=$2
  wait_dialog "$title"
  capture "$DIALOG" "$name"
  e2e_keys "$DIALOG" Escape
  wait_dialog_gone "$title"
}

# Types a full path into a file dialog, which has the file name field
# focused, and accepts it.
type_path() {
  local window=$1 path=$2
  timeout 5 xdotool windowfocus --sync "$window" 2>/dev/null || xdotool windowfocus "$window"
  xdotool type --delay 20 "$path"
  xdotool key Return
}

# The waveform view's client area on the screen, with the main window
# maximised, the explorer docked on the right and the document tiled over
# the whole work area.
VIEW_LEFT=4
VIEW_TOP=75
VIEW_HEIGHT=377
LAYERS=3
BAND=$(((VIEW_HEIGHT - 30) / LAYERS))
# "Zoom to fit" shows the 4-second sound at 256 frames to a pixel column.
ZOOM=256
# Screen x of a time (in milliseconds) of the sound; content x 40 is time 0.
time_x() { echo $((VIEW_LEFT + 40 + $1 * 44100 / 1000 / ZOOM)); }
# Screen y of the middle of a layer's band, and of an envelope level given in
# hundredths (+100 near the band's top, -100 near its bottom).
band_y() { echo $((VIEW_TOP + 15 + $1 * BAND + BAND / 2)); }
level_y() { echo $((VIEW_TOP + 15 + $1 * BAND + BAND / 2 - (BAND / 2 - 5) * $2 / 100)); }

# The colour of one pixel of the screen.
pixel() { import -display "$DISPLAY" -window root -crop "1x1+$1+$2" txt:- 2>/dev/null | awk 'NR == 2 { print $3 }'; }
# A checksum of the part WxH+X+Y of the screen, and whether it differs from
# an earlier one.
area_sum() { import -display "$DISPLAY" -window root -crop "$1" rgb:- 2>/dev/null | md5sum; }
area_changed() { [ "$(area_sum "$1")" != "$2" ]; }
# Whether the third band shows a layer at 2 s, where the view showed only its
# grey background while the sound had two layers.
third_band_drawn() { [ "$(pixel "$(time_x 2000)" "$(band_y 2)")" != "$(pixel $((VIEW_LEFT + 900)) "$(band_y 0)")" ]; }

# Whether an envelope node is drawn at (x, y): in the colour of the melody's
# first node, which stays at its start at full level.
node_drawn() { [ "$(pixel "$1" "$2")" = "$(pixel "$(time_x 0)" "$(level_y 0 100)")" ]; }

# Presses the left button at (x1, y1), moves to (x2, y2) in steps, as a hand
# would, and releases it there.
drag() {
  local x1=$1 y1=$2 x2=$3 y2=$4 i steps=10
  xdotool mousemove "$x1" "$y1"
  xdotool mousedown 1
  for i in $(seq 1 "$steps"); do
    xdotool mousemove $((x1 + (x2 - x1) * i / steps)) $((y1 + (y2 - y1) * i / steps))
    sleep 0.02
  done
  xdotool mouseup 1
}

click() {
  xdotool mousemove "$1" "$2" click 1
}

# ---------------------------------------------------------------------------
# The sounds: a plucked melody, a breathy pad for the third layer, and
# headerless samples for the raw import.

MUSIC=$HOME/Music
mkdir -p "$MUSIC" "$HOME/Documents"
notes=()
for note in C3 E3 G3 C4 A3 F3 D3 G3; do notes+=(synth 0.5 pluck "$note" :); done
unset 'notes[${#notes[@]}-1]'
sox -R -n -r 44100 -c 2 -b 16 "$MUSIC/melody.wav" "${notes[@]}"
sox -R -n -r 44100 -c 2 -b 16 "$MUSIC/pad.wav" synth 2.5 pinknoise lowpass 900 tremolo 2 50 vol 0.9 norm -3
sox -R -n -r 22050 -c 1 -b 16 -t raw "$MUSIC/samples.pcm" synth 1 sine 440 vol 0.5

# ---------------------------------------------------------------------------
# Start, maximise, show the explorer

# The pictures replace the old ones only when all of them were made.
PICTURES=$E2E_WORK/pictures
mkdir -p "$PICTURES"
e2e_start_xvfb
# A private PulseAudio daemon, when there is one to start, gives Recording
# Studio a device to show (and the audio meter a tone to measure); without
# it the program runs on the null back-end.
BACKEND=--audio=null
if command -v pulseaudio >/dev/null 2>&1 && command -v pactl >/dev/null 2>&1; then
  # shellcheck source=scripts/pulse-daemon.sh
  source "$ROOT/scripts/pulse-daemon.sh"
  mkdir -p "$E2E_WORK/pulse"
  if pulse_daemon_start "$E2E_WORK/pulse" >/dev/null 2>&1; then
    BACKEND=--audio=pulse
    trap 'status=$?; pulse_daemon_stop "$E2E_WORK/pulse"; (exit $status); e2e_cleanup' EXIT
  else
    e2e_log "no private PulseAudio daemon: the null back-end"
    unset PULSE_SERVER
  fi
fi
e2e_start_program "$BACKEND" "$MUSIC/melody.wav"
e2e_wait_main_window
e2e_wait_title "$E2E_MAIN" "Tarvo Wavedesk 2.0 - melody.wav" || e2e_fail "melody.wav did not open"
# There is no window manager to maximise it: the window takes the screen.
xdotool windowmove "$E2E_MAIN" 0 0 windowsize "$E2E_MAIN" 1280 900
e2e_wait_for 10 size_is "$E2E_MAIN" 1280x900 || e2e_fail "the main window did not take the screen"
MAIN=$E2E_MAIN
menu v e  # View > Explorer
click 1002 148  # its My Music, which holds the sounds

# ---------------------------------------------------------------------------
# Dialogs that need no document state

menu t c  # Tools > Common Tasks...
capture_dialog '^Common Tasks$' common-tasks
menu f sub:n g  # File > New > New Generated Wave...
capture_dialog '^New Wave Generation\.\.\.$' new-generated-wave

# ---------------------------------------------------------------------------
# A sound of three layers

# Layer 2: a wobbling saw wave from the generator, 1.5 seconds long.
menu l sub:a g  # Layer > Add Layer > Generate Layer...
wait_dialog '^New Layer Generation$'
e2e_keys "$DIALOG" ctrl+a
xdotool type --delay 20 "Saw"
xdotool key Tab Down Down Tab ctrl+a
xdotool type --delay 20 "66150"
xdotool key Tab Tab Tab Right Return
wait_dialog_gone '^New Layer Generation$'
e2e_wait_for 30 title_matches "$MAIN" "melody\.wav ?\*$" || e2e_fail "no layer was generated"

# Layer 3: all of pad.wav, copied from a document of its own and mixed in.
e2e_keys "$MAIN" ctrl+o
wait_dialog '^Open$'
type_path "$DIALOG" "$MUSIC/pad.wav"
wait_dialog_gone '^Open$'
e2e_wait_title "$MAIN" "Tarvo Wavedesk 2.0 - pad.wav" || e2e_fail "pad.wav did not open"
e2e_keys "$MAIN" ctrl+a ctrl+c
menu f c  # File > Close
e2e_wait_for 30 title_matches "$MAIN" "melody\.wav ?\*$" || e2e_fail "pad.wav did not close"
menu w t  # Window > Tile: the document fills the work area
e2e_keys "$MAIN" ctrl+m
e2e_wait_for 10 third_band_drawn || e2e_fail "the pad was not mixed in as a third layer"

# Move the saw to 2.4 s and the pad to 0.6 s by their headers (the 40 pixels
# left of a layer's start).
drag $((VIEW_LEFT + 20)) "$(band_y 1)" $((VIEW_LEFT + 20 + $(time_x 2400) - $(time_x 0))) "$(band_y 1)"
drag $((VIEW_LEFT + 20)) "$(band_y 2)" $((VIEW_LEFT + 20 + $(time_x 600) - $(time_x 0))) "$(band_y 2)"

# The pad's envelope: the node made with the layer sits at its start; three
# more are put at the cursor by Edit > Envelope > Insert Node, then the
# first and the last are dragged down into a fade in and a fade out.
for at in 1500 2500 3095; do
  click "$(time_x "$at")" "$(band_y 2)"
  menu e Down Down sub:Right Return  # Edit (Undo is first) > Envelope > Insert Node
done
drag "$(time_x 600)" "$(level_y 2 100)" "$(time_x 600)" "$(level_y 2 -90)"
drag "$(time_x 3095)" "$(level_y 2 100)" "$(time_x 3095)" "$(level_y 2 -80)"
# The moved saw's first node, and the pad's four, where they were meant to go.
for node in "2400 1 100" "600 2 -90" "1500 2 100" "2500 2 100" "3095 2 -80"; do
  read -r at layer level <<<"$node"
  e2e_wait_for 10 node_drawn "$(time_x "$at")" "$(level_y "$layer" "$level")" ||
    e2e_fail "no envelope node of layer $((layer + 1)) at $at ms, level $level %"
done

# The pad's properties, where it gets its name.
menu l p  # Layer > Layer Properties...
wait_dialog '^Layer Properties$'
e2e_keys "$DIALOG" ctrl+a
xdotool type --delay 20 "Pad"
capture "$DIALOG" layer-properties
e2e_keys "$DIALOG" Return
wait_dialog_gone '^Layer Properties$'

# A selection in the melody, copied (the clipboard manager holds two clips),
drag "$(time_x 500)" "$(band_y 0)" "$(time_x 1500)" "$(band_y 0)"
e2e_keys "$MAIN" ctrl+c
menu l p  # and its name
wait_dialog '^Layer Properties$'
e2e_keys "$DIALOG" ctrl+a
xdotool type --delay 20 "Melody"
e2e_keys "$DIALOG" Return
wait_dialog_gone '^Layer Properties$'

# The side panel's list of layers.
click 166 472
capture root main-window

# ---------------------------------------------------------------------------
# The other dialogs

# The clipboard manager docks below the document, left of the explorer.
CLIPBOARD_AREA=978x170+0+666
before=$(area_sum "$CLIPBOARD_AREA")
menu v c  # View > Clipboard Manager
e2e_wait_for 10 area_changed "$CLIPBOARD_AREA" "$before" || e2e_fail "the clipboard manager did not show"
capture root clipboard-manager "$CLIPBOARD_AREA"
menu v c

menu c r  # Controls > Record...
capture_dialog '^Recording Studio$' record

e2e_keys "$MAIN" ctrl+o
wait_dialog '^Open$'
type_path "$DIALOG" "$MUSIC/samples.pcm"
capture_dialog '^Raw PCM Selections:$' raw-pcm

# Preferences, then with "Quick save in .wav format" off Save As asks for
# the format of a wave file.
menu t p  # Tools > Preferences...
wait_dialog '^Preferences$'
capture "$DIALOG" preferences
e2e_keys "$DIALOG" Tab Tab Tab Tab space Return
wait_dialog_gone '^Preferences$'
menu f a  # File > Save As...
e2e_wait_window '' DIALOG 30 || e2e_fail "no Save As dialog"
type_path "$E2E_WINDOW" "$HOME/Documents/layers.wav"
capture_dialog '^Select Format$' save-format
# Cancelling the format saves nothing and says nothing.
e2e_wait_for 10 e2e_window_gone '' DIALOG || e2e_fail "a dialog stayed after the cancelled format"

# The options of the sound file formats, shown by Save As after the name.
for format in flac:FLAC mp3:MP3 opus:Opus; do
  extension=${format%%:*}
  menu f a  # File > Save As...
  e2e_wait_window '' DIALOG 30 || e2e_fail "no Save As dialog for .$extension"
  type_path "$E2E_WINDOW" "$HOME/Documents/layers.$extension"
  capture_dialog "^${format#*:} Options\$" "save-$extension"
  e2e_wait_for 10 e2e_window_gone '' DIALOG || e2e_fail "a dialog stayed after the cancelled $extension options"
done

mkdir -p "$OUT"
cp "$PICTURES"/*.png "$OUT"/
e2e_log "done in $((SECONDS - STARTED)) s: $(du -cb "$OUT"/*.png | tail -1 | cut -f1) bytes in $OUT"
