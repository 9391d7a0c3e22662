#!/usr/bin/env bash
# Installs the built program under a temporary prefix, as `cmake --install`
# does for a user, and checks it the way a freedesktop desktop sees it: the
# desktop entry passes desktop-file-validate and names the installed program
# and icon; the document type's definition, once update-mime-database has
# read it, makes xdg-mime tell a layered document by its name and by its
# first bytes; wave, MP3, FLAC, Ogg, Opus, M4A, AIFF, Wave64 and CAF files
# get types the entry lists (the last two from our own definitions); xdg-mime names
# the program as the document's default application; the program answers
# --version without a display; the icons have the sizes their folders say;
# the help and the guide are where the program looks for them.
#
#   install_test.sh <build-dir>
set -euo pipefail

build=${1:?the build folder}

for tool in desktop-file-validate update-mime-database update-desktop-database xdg-mime mimetype sox ffmpeg python3; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "SKIPPED: $tool is not installed (scripts/setup.sh installs it)"
    exit 77
  fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/wavedesk-install.XXXXXX")
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 || {
  cat "$work/install.log"
  echo "FAILED: cmake --install"
  exit 1
}

program=$prefix/bin/wavedesk
share=$prefix/share
entry=$share/applications/tarvo-wavedesk.desktop
for file in "$program" "$entry" "$share/mime/packages/tarvo-wavedesk.xml" \
  "$share/tarvo-wavedesk/help.html" "$share/tarvo-wavedesk/Tarvo Wavedesk 2.pdf"; do
  [ -f "$file" ] || fail "not installed: ${file#"$prefix"/}"
done
[ "$failures" -eq 0 ] || exit 1

# The program, from where it was installed, with nothing of the session.
version=$(env -i PATH=/usr/bin:/bin HOME="$work" "$program" --version 2>&1) || fail "--version failed: $version"
[[ $version == "Tarvo Wavedesk "* ]] || fail "--version printed \"$version\""

# The desktop entry.
report=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate: $report"
[ -z "$report" ] || fail "desktop-file-validate complains: $report"
entry_value() { sed -n "s/^$1=//p" "$entry" | head -n 1; }
exec_program=$(entry_value Exec | cut -d' ' -f1)
[ -x "$prefix/bin/$exec_program" ] || fail "Exec names $exec_program, which is not in bin/"
icon=$(entry_value Icon)
for size in 16 22 24 32 48 64 128 256; do
  png=$share/icons/hicolor/${size}x${size}/apps/$icon.png
  if [ ! -f "$png" ]; then
    fail "no ${size}x$size icon named $icon"
    continue
  fi
  # Width and height from the PNG's header.
  read -r width height < <(python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24); print(*struct.unpack(">II", d[16:24]))' "$png")
  [ "$width" = "$size" ] && [ "$height" = "$size" ] || fail "the ${size}x$size icon is ${width}x$height"
done
IFS=';' read -r -a entry_types <<<"$(entry_value MimeType)"
lists_type() {
  local type
  for type in "${entry_types[@]}"; do [ "$type" = "$1" ] && return 0; done
  return 1
}

# What the desktop makes of files, with the installed share folder as the
# only one of the user's and the system's own behind it.
update-mime-database "$share/mime" >/dev/null 2>&1
update-desktop-database "$share/applications"
desktop() {
  env -i PATH=/usr/bin:/bin HOME="$work" XDG_DATA_HOME="$share" XDG_DATA_DIRS=/usr/share "$@"
}
files=$work/files
mkdir -p "$files"
# A layered document starts with "TVF "; the file without an extension is
# known by those bytes alone.
printf 'TVF \001\000\000\000\002\000\000\000' >"$files/layers.tvf"
cp "$files/layers.tvf" "$files/layers-without-extension"
sox -n -r 8000 -b 16 "$files/tone.wav" synth 0.1 sine 440
sox -n -r 8000 -b 8 -e u-law "$files/ulaw.wav" synth 0.1 sine 440
if sox -n -r 8000 -C 64 "$files/tone.mp3" synth 0.1 sine 440 2>/dev/null; then :; else
  ffmpeg -loglevel error -f lavfi -i "sine=frequency=440:duration=0.1" "$files/tone.mp3"
fi
# The sound files FFmpeg opens for us, made by ffmpeg itself.
for file in tone.flac tone.ogg tone.opus tone.m4a tone.aiff tone.w64 tone.caf; do
  ffmpeg -loglevel error -f lavfi -i "sine=frequency=440:duration=0.1" "$files/$file" ||
    fail "ffmpeg could not write $file"
done
while read -r file expected; do
  type=$(desktop xdg-mime query filetype "$files/$file" 2>&1) || true
  if [ -n "$expected" ] && [ "$type" != "$expected" ]; then
    fail "xdg-mime calls $file \"$type\", not $expected"
  elif ! lists_type "$type"; then
    fail "$file is $type, which the desktop entry does not list"
  fi
done <<'EOF'
layers.tvf application/x-tarvo-document
layers-without-extension application/x-tarvo-document
tone.wav
ulaw.wav
tone.mp3 audio/mpeg
tone.flac audio/flac
tone.ogg
tone.opus
tone.m4a audio/mp4
tone.aiff audio/x-aiff
tone.w64 audio/x-w64
tone.caf audio/x-caf
EOF
default=$(desktop xdg-mime query default application/x-tarvo-document 2>&1) || true
[ "$default" = tarvo-wavedesk.desktop ] || fail "xdg-mime names \"$default\" as the layered document's application"

# The help the program finds under share/tarvo-wavedesk, pictures and all.
python3 - "$share/tarvo-wavedesk/help.html" <<'EOF' || fail "the installed help is incomplete"
import os, re, sys
help_file = sys.argv[1]
html = open(help_file, encoding="utf-8").read()
missing = [src for src in re.findall(r'<img[^>]*\ssrc="([^"]+)"', html)
           if not os.path.isfile(os.path.join(os.path.dirname(help_file), src))]
for src in missing:
    print("picture not installed:", src)
sys.exit(1 if missing else 0)
EOF

if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "an installation under a temporary prefix checked"
