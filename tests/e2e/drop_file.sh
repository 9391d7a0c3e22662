#!/usr/bin/env bash
# Files dragged from another program (a stand-in for a file manager) and
# dropped on the main window open, each as a document of its own. The drag goes through the
# X server's drag and drop protocol (XDND), moved by a pointer the XTEST
# extension drives as a user's mouse would.
# shellcheck source=tests/e2e/harness.sh
source "$(dirname "$0")/harness.sh"
[ -x "$E2E_DRAG_SOURCE" ] || e2e_fail "no drag source program given"

e2e_start_xvfb
e2e_tone "$E2E_WORK/dropped.wav" 0.5 440
e2e_tone "$E2E_WORK/also dropped.wav" 0.3 660
e2e_start_program --audio=null
e2e_wait_main_window
# A start without a file offers the common tasks first.
e2e_wait_window '^Common Tasks$' DIALOG || e2e_fail "the Common Tasks dialog did not show"
e2e_keys "$E2E_WINDOW" Escape
e2e_wait_for 20 e2e_window_gone '^Common Tasks$' DIALOG || e2e_fail "the Common Tasks dialog stayed"
e2e_title_is "$E2E_MAIN" "Tarvo Wavedesk 2.0" || e2e_fail "the program started with '$(e2e_title "$E2E_MAIN")'"

e2e_spawn "$E2E_WORK/drag.log" "$E2E_DRAG_SOURCE" "$E2E_WORK/dropped.wav" "$E2E_WORK/also dropped.wav"
e2e_wait_window '^Drag source$' || e2e_fail "the drag source did not show"
source_window=$E2E_WINDOW
# The middle of each window, in screen coordinates.
middle() {
  eval "$(xdotool getwindowgeometry --shell "$1")"
  echo "$((X + WIDTH / 2)) $((Y + HEIGHT / 2))"
}
read -r from_x from_y < <(middle "$source_window")
read -r to_x to_y < <(middle "$E2E_MAIN")

dragged() { grep -q 'drag ended' "$E2E_WORK/drag.log"; }
timeout 5 xdotool mousemove --sync "$from_x" "$from_y" || true
xdotool mousedown 1
# The drag loop needs moves to follow the pointer; a few steps give the
# target its enter, position and drop messages in turn.
for step in 1 2 3 4 5 6 7 8; do
  timeout 5 xdotool mousemove --sync $((from_x + (to_x - from_x) * step / 8)) $((from_y + (to_y - from_y) * step / 8)) || true
done
# One more move over the target lets it answer the last position before the
# button goes up.
timeout 5 xdotool mousemove --sync $((to_x + 5)) $((to_y + 5)) || true
xdotool mouseup 1
e2e_wait_for 20 dragged || e2e_fail "the drag did not end"
grep -q 'drag ended: copied' "$E2E_WORK/drag.log" || e2e_fail "the program refused the drop: $(cat "$E2E_WORK/drag.log")"
e2e_wait_title "$E2E_MAIN" "Tarvo Wavedesk 2.0 - also dropped.wav" ||
  e2e_fail "the dropped files did not open: '$(e2e_title "$E2E_MAIN")'"
# Closing the last one shows the first behind it.
e2e_menu "$E2E_MAIN" f c
e2e_wait_title "$E2E_MAIN" "Tarvo Wavedesk 2.0 - dropped.wav" ||
  e2e_fail "after closing the second file the title is '$(e2e_title "$E2E_MAIN")'"
e2e_log "both dropped files opened"
