#!/usr/bin/env bash
# The program as a desktop user meets it: installed with `cmake --install`
# under a prefix the desktop searches, made the default application of its
# types (as "Open With" does), then files opened the way a file manager
# opens them, through xdg-open. An MP3 starts the program; a layered
# document, a wave file and a FLAC file opened while it runs are handed to it by the
# second start the desktop makes, which ends by itself.
#
#   open_from_desktop.sh <program> <e2e_make_document> <build-dir>
# shellcheck source=tests/e2e/harness.sh
source "$(dirname "$0")/harness.sh"

MAKE_DOCUMENT=${2:?the document maker}
BUILD_DIR=${3:?the build folder}
e2e_need xdg-open xdg-mime update-mime-database update-desktop-database sox ffmpeg
# The desktop entry starts the program with its default sound back-end.
e2e_need_pulse

prefix=$E2E_WORK/prefix
cmake --install "$BUILD_DIR" --prefix "$prefix" >"$E2E_WORK/install.log" 2>&1 || e2e_fail "cmake --install failed"
update-mime-database "$prefix/share/mime" >/dev/null 2>&1
update-desktop-database "$prefix/share/applications"
export PATH=$prefix/bin:$PATH XDG_DATA_DIRS=$prefix/share:/usr/share
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION
xdg-mime default tarvo-wavedesk.desktop audio/mpeg audio/x-wav application/x-tarvo-document audio/flac
for type in audio/mpeg audio/x-wav application/x-tarvo-document audio/flac; do
  default=$(xdg-mime query default "$type")
  [ "$default" = tarvo-wavedesk.desktop ] || e2e_fail "the default for $type is '$default'"
done

files=$E2E_WORK/files
mkdir -p "$files"
e2e_tone "$files/tone.wav" 0.5 440
sox -n -r 44100 -c 2 -C 128 "$files/song.mp3" synth 0.5 sine 660 vol 0.5 2>/dev/null ||
  ffmpeg -loglevel error -f lavfi -i "sine=frequency=660:duration=0.5" "$files/song.mp3"
"$MAKE_DOCUMENT" "$files/layers.tvf"
ffmpeg -loglevel error -f lavfi -i "sine=frequency=550:duration=0.5" -c:a flac "$files/live.flac"

e2e_start_xvfb
e2e_spawn "$E2E_WORK/xdg-open-mp3.log" xdg-open "$files/song.mp3"
e2e_wait_main_window
# xdg-open waits for the program it started; the program is ours to end.
program_pid=$(xdotool getwindowpid "$E2E_MAIN")
E2E_PIDS+=("$program_pid")
[ "$(readlink "/proc/$program_pid/exe")" = "$prefix/bin/wavedesk" ] ||
  e2e_fail "the window belongs to $(readlink "/proc/$program_pid/exe"), not the installed program"
e2e_wait_title "$E2E_MAIN" "Tarvo Wavedesk 2.0 - song.mp3" || e2e_fail "the title is '$(e2e_title "$E2E_MAIN")'"

for file in layers.tvf tone.wav live.flac; do
  status=0
  (cd / && timeout 20 xdg-open "$files/$file" >"$E2E_WORK/xdg-open-$file.log" 2>&1) || status=$?
  [ "$status" -eq 0 ] || e2e_fail "xdg-open $file ended with $status (124: the second start did not end)"
  e2e_wait_title "$E2E_MAIN" "Tarvo Wavedesk 2.0 - $file" ||
    e2e_fail "the running program did not open $file: '$(e2e_title "$E2E_MAIN")'"
done
windows=$(e2e_count_windows '^Tarvo Wavedesk 2\.0')
[ "$windows" -eq 1 ] || e2e_fail "expected one main window, found $windows"
e2e_running "$program_pid" || e2e_fail "the program ended"
e2e_log "an MP3, a layered document, a wave file and a FLAC file opened from the desktop"
