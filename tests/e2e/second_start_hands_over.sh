#!/usr/bin/env bash
# A second start hands its file to the running program and ends at once
# without a window of its own; the running program opens the file in a
# second document window beside the first. The second start names its file
# relative to its own working folder, which the first does not share.
# shellcheck source=tests/e2e/harness.sh
source "$(dirname "$0")/harness.sh"

e2e_start_xvfb
mkdir -p "$E2E_WORK/first" "$E2E_WORK/second"
e2e_tone "$E2E_WORK/first/one.wav" 0.5 440
e2e_tone "$E2E_WORK/second/two.wav" 0.3 880
cd "$E2E_WORK/first"
e2e_start_program --audio=null one.wav
e2e_wait_main_window
e2e_wait_title "$E2E_MAIN" "Tarvo Wavedesk 2.0 - one.wav" || e2e_fail "the title is '$(e2e_title "$E2E_MAIN")'"

status=0
(cd "$E2E_WORK/second" && timeout 20 "$E2E_PROGRAM" --audio=null two.wav >"$E2E_WORK/second.log" 2>&1) || status=$?
[ "$status" -eq 0 ] || e2e_fail "the second start ended with $status (124: it did not end by itself)"
e2e_wait_title "$E2E_MAIN" "Tarvo Wavedesk 2.0 - two.wav" ||
  e2e_fail "the running program did not open the handed file: '$(e2e_title "$E2E_MAIN")'"
windows=$(e2e_count_windows '^Tarvo Wavedesk 2\.0')
[ "$windows" -eq 1 ] || e2e_fail "expected one main window, found $windows"

# Closing the handed document brings the first one back to the front: both
# were open side by side.
e2e_menu "$E2E_MAIN" f c
e2e_wait_title "$E2E_MAIN" "Tarvo Wavedesk 2.0 - one.wav" ||
  e2e_fail "after closing two.wav the title is '$(e2e_title "$E2E_MAIN")'"
e2e_running "$E2E_APP" || e2e_fail "the program ended"
e2e_log "the second start handed over its file"
