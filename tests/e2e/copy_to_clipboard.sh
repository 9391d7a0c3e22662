#!/usr/bin/env bash
# Select All and Copy in the real program put the sound on the system
# clipboard as a wave file that another program (xclip, then sox) reads
# whole: the same length, format and samples as the file opened.
# shellcheck source=tests/e2e/harness.sh
source "$(dirname "$0")/harness.sh"
e2e_need xclip soxi

e2e_start_xvfb
file=$E2E_WORK/copied.wav
e2e_tone "$file" 0.5 660
e2e_start_program --audio=null "$file"
e2e_wait_main_window
e2e_wait_title "$E2E_MAIN" "Tarvo Wavedesk 2.0 - copied.wav" || e2e_fail "the title is '$(e2e_title "$E2E_MAIN")'"

e2e_keys "$E2E_MAIN" ctrl+a ctrl+c
offers_wave() { xclip -selection clipboard -t TARGETS -o 2>/dev/null | grep -qx 'audio/x-wav'; }
e2e_wait_for 20 offers_wave || e2e_fail "the clipboard offers no audio/x-wav: $(xclip -selection clipboard -t TARGETS -o 2>&1 | tr '\n' ' ')"
xclip -selection clipboard -t audio/x-wav -o >"$E2E_WORK/pasted.wav" || e2e_fail "xclip could not read the wave"

frames=$(soxi -s "$E2E_WORK/pasted.wav" 2>"$E2E_WORK/soxi.log") || e2e_fail "sox does not read the clipboard's wave"
[ "$frames" -eq 22050 ] || e2e_fail "the clipboard holds $frames frames, not 22050"
if [ "$(soxi -r "$E2E_WORK/pasted.wav")" != 44100 ] || [ "$(soxi -c "$E2E_WORK/pasted.wav")" != 2 ]; then
  e2e_fail "the clipboard's wave is not 44.1 kHz stereo: $(soxi "$E2E_WORK/pasted.wav")"
fi
samples() { sox "$1" -t raw -e signed -b 16 - | md5sum; }
[ "$(samples "$E2E_WORK/pasted.wav")" = "$(samples "$file")" ] || e2e_fail "the clipboard's samples differ from the file's"
e2e_log "the clipboard holds the whole sound as a wave"
