#!/usr/bin/env bash
# Recording in the real program: while a tone plays into the sound server's
# null sink, "Recording Studio" records about three seconds from the sink's
# monitor (the server's default input); Stop hands the recording over as a
# new document, which Save As (typed into the file dialog) writes as a wave
# that carries the tone.
# shellcheck source=tests/e2e/harness.sh
source "$(dirname "$0")/harness.sh"
e2e_need_pulse
e2e_need paplay soxi

e2e_start_xvfb
e2e_tone "$E2E_WORK/first.wav" 0.5 440
# The tone to record, long enough to last the whole test.
e2e_tone "$E2E_WORK/played.wav" 60 1200
e2e_spawn "$E2E_WORK/paplay.log" paplay "$E2E_WORK/played.wav"
heard=$E2E_WORK/heard.raw
e2e_start_listening "$heard"
playing() { [ "$(e2e_band_level "$heard" 1150 1250 3)" -gt -35 ]; }
e2e_wait_for 20 playing || e2e_fail "the tone to record does not play"

# The Controls menu, which holds Record..., comes with a document.
e2e_start_program --audio=pulse "$E2E_WORK/first.wav"
e2e_wait_main_window
e2e_wait_title "$E2E_MAIN" "Tarvo Wavedesk 2.0 - first.wav" || e2e_fail "the title is '$(e2e_title "$E2E_MAIN")'"
e2e_menu "$E2E_MAIN" c r
e2e_wait_window '^Recording Studio$' DIALOG || e2e_fail "Record... did not open the Recording Studio"
studio=$E2E_WINDOW

# Record and Stop head the dialog's column of buttons on its right, one
# below the other; their labels carry no mnemonics to reach them by.
eval "$(xdotool getwindowgeometry --shell "$studio")"
click_in_studio() {
  timeout 5 xdotool mousemove --sync $((X + WIDTH - 45)) $((Y + $1)) || true
  xdotool click 1
}
click_in_studio 21
# While it records, the dialog's title flashes a dot before its name (the
# flashing preference is on in a fresh profile).
flashing() { e2e_title_is "$studio" "● Recording Studio"; }
e2e_wait_for 20 flashing || e2e_fail "Record did not start a recording"
milliseconds() { echo $(($(date +%s%N) / 1000000)); }
started=$(milliseconds)
e2e_log "recording"
# The recording's length is what is waited for here.
three_seconds_on() { [ $(($(milliseconds) - started)) -ge 3000 ]; }
e2e_wait_for 30 three_seconds_on
click_in_studio 49
recorded=""
new_document() {
  recorded=$(e2e_title "$E2E_MAIN")
  [ "$recorded" != "Tarvo Wavedesk 2.0 - first.wav" ]
}
e2e_wait_for 20 new_document || e2e_fail "no new document appeared after Stop"
e2e_log "new document: $recorded"
e2e_keys "$studio" Escape
e2e_wait_for 20 e2e_window_gone 'Recording Studio$' DIALOG || e2e_fail "the Recording Studio did not close"

# Save the recording through File > Save As.
e2e_menu "$E2E_MAIN" f a
e2e_wait_window '^Save As$' DIALOG || e2e_fail "Save As did not open its dialog"
saved=$E2E_WORK/recorded.wav
e2e_keys "$E2E_WINDOW" ctrl+a
xdotool type --delay 5 "$saved"
xdotool key Return
e2e_wait_for 30 test -s "$saved" || e2e_fail "Save As wrote no file"
e2e_wait_for 20 e2e_window_gone '^Save As$' DIALOG || e2e_fail "the Save As dialog stayed"
e2e_wait_title "$E2E_MAIN" "Tarvo Wavedesk 2.0 - recorded.wav" || e2e_fail "after Save As the title is '$(e2e_title "$E2E_MAIN")'"

seconds=$(soxi -D "$saved")
awk -v s="$seconds" 'BEGIN { exit !(s >= 2.5 && s <= 10) }' || e2e_fail "the recording lasts $seconds s, not about 3 s"
sox "$saved" -t raw -e signed -b 16 -r 44100 -c 2 "$E2E_WORK/recorded.raw"
tone=$(e2e_band_level "$E2E_WORK/recorded.raw" 1150 1250)
beside=$(e2e_band_level "$E2E_WORK/recorded.raw" 1700 1900)
[ "$tone" -gt -35 ] || e2e_fail "the recording does not carry the 1.2 kHz tone: $tone dB"
[ "$beside" -lt -40 ] || e2e_fail "the recording is not a clean tone: $beside dB at 1.8 kHz"
e2e_log "recorded $seconds s with the tone at $tone dB (at 1.8 kHz: $beside dB)"
