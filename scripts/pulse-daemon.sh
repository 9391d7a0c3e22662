# Starts and stops a private PulseAudio daemon for the tests: a null sink kept
# busy by a loopback (an idle null sink renders in 2-second blocks), a sine
# source for capture tests, no systemd, no D-Bus. Source this file.

pulse_daemon_start() {
  local dir=$1
  mkdir -p "$dir/pulse-runtime"
  cat > "$dir/pulse.pa" <<PA
load-module module-native-protocol-unix auth-anonymous=1 socket=$dir/native
load-module module-null-sink sink_name=nullsink
load-module module-null-source source_name=silence
load-module module-loopback source=silence sink=nullsink latency_msec=20 source_dont_move=true sink_dont_move=true
load-module module-sine sink=nullsink frequency=440
set-default-sink nullsink
set-default-source nullsink.monitor
PA
  export PULSE_RUNTIME_PATH="$dir/pulse-runtime"
  export PULSE_STATE_PATH="$dir/pulse-runtime"
  export PULSE_SERVER="unix:$dir/native"
  pulseaudio -D -n -F "$dir/pulse.pa" --exit-idle-time=-1 --disallow-exit \
    --log-target="file:$dir/pa.log" || { cat "$dir/pa.log" >&2; return 1; }
  # The daemon needs a moment before the null sink renders in real time.
  for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
  sleep 2.2
}

pulse_daemon_stop() {
  local dir=$1
  [ -n "${PULSE_SERVER:-}" ] && pulseaudio -k >/dev/null 2>&1 || true
}
