#!/usr/bin/env bash
# Exit with a modified document asks whether to save it. Cancel keeps the
# program and the document as they were; No ends the program normally and
# leaves the file on disk as it was.
# shellcheck source=tests/e2e/harness.sh
source "$(dirname "$0")/harness.sh"

e2e_start_xvfb
file=$E2E_WORK/edited.wav
e2e_tone "$file" 1 440
before=$(md5sum <"$file")
e2e_start_program --audio=null "$file"
e2e_wait_main_window
e2e_wait_title "$E2E_MAIN" "Tarvo Wavedesk 2.0 - edited.wav" || e2e_fail "the title is '$(e2e_title "$E2E_MAIN")'"

# Select All, then Delete (Cut) changes the document.
e2e_keys "$E2E_MAIN" ctrl+a Delete
e2e_wait_title "$E2E_MAIN" "Tarvo Wavedesk 2.0 - edited.wav*" ||
  e2e_fail "the cut did not mark the document modified: '$(e2e_title "$E2E_MAIN")'"

question='^Tarvo Wavedesk 2\.0$'
e2e_menu "$E2E_MAIN" f x
e2e_wait_window "$question" DIALOG || e2e_fail "Exit did not ask about the modified document"
e2e_keys "$E2E_WINDOW" Escape
e2e_wait_for 20 e2e_window_gone "$question" DIALOG || e2e_fail "the question stayed after Cancel"
e2e_running "$E2E_APP" || e2e_fail "the program ended although the exit was cancelled"
e2e_title_is "$E2E_MAIN" "Tarvo Wavedesk 2.0 - edited.wav*" ||
  e2e_fail "after Cancel the title is '$(e2e_title "$E2E_MAIN")'"
e2e_log "Cancel kept the program and the document"

e2e_menu "$E2E_MAIN" f x
e2e_wait_window "$question" DIALOG || e2e_fail "the second Exit did not ask about the modified document"
e2e_keys "$E2E_WINDOW" alt+n
e2e_wait_exit "$E2E_APP" 30 || e2e_fail "the program did not end after No"
[ "$E2E_EXIT_STATUS" -eq 0 ] || e2e_fail "the program ended with $E2E_EXIT_STATUS"
[ "$(md5sum <"$file")" = "$before" ] || e2e_fail "the file on disk changed although the answer was No"
e2e_log "No ended the program with 0 and left the file alone"
