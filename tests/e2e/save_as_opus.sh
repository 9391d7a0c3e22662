#!/usr/bin/env bash
# A user saves a wave file as Opus with Save As: the file dialog takes the
# name, the Opus options dialog takes Enter (its proposed bit rate), and the
# window then carries the new name. Opened again by a second start, the Opus
# file is a sound of the same length, not raw samples.
# shellcheck source=tests/e2e/harness.sh
source "$(dirname "$0")/harness.sh"

e2e_need ffprobe
e2e_start_xvfb
mkdir -p "$E2E_WORK/sounds"
wave=$E2E_WORK/sounds/tone.wav
opus=$E2E_WORK/sounds/tone.opus
e2e_tone "$wave" 1 440
e2e_start_program --audio=null "$wave"
e2e_wait_main_window
e2e_wait_title "$E2E_MAIN" "Tarvo Wavedesk 2.0 - tone.wav" || e2e_fail "the title is '$(e2e_title "$E2E_MAIN")'"

e2e_menu "$E2E_MAIN" f a  # File > Save As...
e2e_wait_window '' DIALOG 30 || e2e_fail "no Save As dialog"
timeout 5 xdotool windowfocus --sync "$E2E_WINDOW" 2>/dev/null || xdotool windowfocus "$E2E_WINDOW"
xdotool type --delay 20 "$opus"
xdotool key Return
e2e_wait_window '^Opus Options$' DIALOG 30 || e2e_fail "Save As did not show the Opus options"
e2e_screenshot
e2e_keys "$E2E_WINDOW" Return
e2e_wait_title "$E2E_MAIN" "Tarvo Wavedesk 2.0 - tone.opus" ||
  e2e_fail "after the save the title is '$(e2e_title "$E2E_MAIN")'"
codec=$(ffprobe -v error -select_streams a:0 -show_entries stream=codec_name -of csv=p=0 "$opus")
[ "$codec" = opus ] || e2e_fail "the saved file holds '$codec', not Opus"
e2e_log "saved as Opus"

# Close the document (Window > Close All would ask nothing: it is saved),
# then open the Opus file the way a file manager does, by a second start.
e2e_menu "$E2E_MAIN" f c  # File > Close
e2e_wait_title "$E2E_MAIN" "Tarvo Wavedesk 2.0" || e2e_fail "the document did not close: '$(e2e_title "$E2E_MAIN")'"
status=0
timeout 20 "$E2E_PROGRAM" --audio=null "$opus" >"$E2E_WORK/second.log" 2>&1 || status=$?
[ "$status" -eq 0 ] || e2e_fail "the second start ended with $status"
e2e_wait_title "$E2E_MAIN" "Tarvo Wavedesk 2.0 - tone.opus" ||
  e2e_fail "the Opus file did not open: '$(e2e_title "$E2E_MAIN")'"
e2e_window_gone '^Raw PCM' DIALOG || e2e_fail "the Opus file was taken for raw samples"
e2e_running "$E2E_APP" || e2e_fail "the program ended"
e2e_log "the Opus file opened again"
