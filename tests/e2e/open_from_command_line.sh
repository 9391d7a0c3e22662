#!/usr/bin/env bash
# A file named on the command line opens at start: the main window's title
# carries its name, also when the name has blanks and letters beyond ASCII.
# shellcheck source=tests/e2e/harness.sh
source "$(dirname "$0")/harness.sh"

e2e_start_xvfb
mkdir -p "$E2E_WORK/sounds"
file="$E2E_WORK/sounds/Fünf Töne.wav"
e2e_tone "$file" 0.5 440
e2e_start_program --audio=null "$file"
e2e_wait_main_window
e2e_wait_title "$E2E_MAIN" "Tarvo Wavedesk 2.0 - Fünf Töne.wav" ||
  e2e_fail "the title is '$(e2e_title "$E2E_MAIN")'"
e2e_running "$E2E_APP" || e2e_fail "the program ended"
e2e_log "opened: $(e2e_title "$E2E_MAIN")"
