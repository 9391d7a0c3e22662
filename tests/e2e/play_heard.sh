#!/usr/bin/env bash
# Play in the real program is heard: with the program on the sound server,
# what the server plays (recorded from its null sink's monitor) carries the
# opened file's tone, and not just the server's own 440 Hz test tone.
# shellcheck source=tests/e2e/harness.sh
source "$(dirname "$0")/harness.sh"
e2e_need_pulse

e2e_start_xvfb
file=$E2E_WORK/tone.wav
e2e_tone "$file" 4 1000
heard=$E2E_WORK/heard.raw
e2e_start_listening "$heard"
e2e_start_program --audio=pulse "$file"
e2e_wait_main_window
e2e_wait_title "$E2E_MAIN" "Tarvo Wavedesk 2.0 - tone.wav" || e2e_fail "the title is '$(e2e_title "$E2E_MAIN")'"
before=$(e2e_band_level "$heard" 950 1050)
[ "$before" -lt -40 ] || e2e_fail "the sink carried a 1 kHz tone before Play: $before dB"

# The space bar is Play.
e2e_keys "$E2E_MAIN" space
tone_heard() {
  level=$(e2e_band_level "$heard" 950 1050 5)
  [ "$level" -gt -35 ]
}
e2e_wait_for 30 tone_heard || e2e_fail "no 1 kHz tone was heard after Play (last half second: $level dB)"
# A tone, not noise: next to it, the sound is as quiet as before.
beside=$(e2e_band_level "$heard" 1400 1600 5)
[ "$beside" -lt -40 ] || e2e_fail "the sound heard is not a clean 1 kHz tone: $beside dB at 1.5 kHz"
e2e_log "heard the tone at $level dB (before Play: $before dB, at 1.5 kHz: $beside dB)"
