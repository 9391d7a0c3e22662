#!/usr/bin/env bash
# Makes the seed corpora of the fuzz targets: small files (a few KB) from sox
# and ffmpeg, hand-made wave files with unusual chunk layouts, and what the
# editor's own writers produce (seed_writer, built with the fuzz targets).
#
#   fuzz/make_seeds.sh <build-fuzz folder>
# Fills <build-fuzz>/corpus/<target>/ afresh; nothing here is committed.
set -euo pipefail

build=${1:?usage: make_seeds.sh <build-fuzz folder>}
build=$(cd "$build" && pwd)
corpus=$build/corpus
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

targets=(fuzz_wave_open fuzz_document_open fuzz_mp3_read fuzz_media_read fuzz_raw_import fuzz_wave_converter fuzz_clipboard_intake)
rm -rf "$corpus"
for t in "${targets[@]}"; do mkdir -p "$corpus/$t"; done

quiet() { "$@" >/dev/null 2>&1; }

# A short test sound: 60 ms of two sines, 44.1 kHz stereo 16-bit.
sox -n -r 44100 -c 2 -b 16 "$work/tone.wav" synth 0.06 sine 440 sine 660 vol 0.5

# Wave files from sox: every PCM depth, float, A-law, mu-law, IMA and MS
# ADPCM, GSM, at rates and channel counts that vary.
waves=$corpus/fuzz_wave_open
sox "$work/tone.wav" -r 8000 -c 1 -b 8 -e unsigned-integer "$waves/sox-u8.wav"
sox "$work/tone.wav" -r 11025 -c 2 -b 16 "$waves/sox-s16.wav"
sox "$work/tone.wav" -r 16000 -c 1 -b 24 "$waves/sox-s24.wav"
sox "$work/tone.wav" -r 8000 -c 2 -b 32 "$waves/sox-s32.wav"
sox "$work/tone.wav" -r 8000 -c 1 -e floating-point -b 32 "$waves/sox-f32.wav"
sox "$work/tone.wav" -r 8000 -c 1 -e floating-point -b 64 "$waves/sox-f64.wav"
sox "$work/tone.wav" -r 8000 -c 1 -e a-law "$waves/sox-alaw.wav"
sox "$work/tone.wav" -r 8000 -c 2 -e mu-law "$waves/sox-mulaw.wav"
sox "$work/tone.wav" -r 22050 -c 1 -e ima-adpcm "$waves/sox-ima.wav"
sox "$work/tone.wav" -r 22050 -c 2 -e ms-adpcm "$waves/sox-msadpcm.wav"
sox "$work/tone.wav" -r 8000 -c 1 -e gsm-full-rate "$waves/sox-gsm.wav"
# WAVE_FORMAT_EXTENSIBLE, as sox writes for more than 16 bits or 2 channels.
sox "$work/tone.wav" -r 8000 -c 3 -b 24 "$waves/sox-ext-3ch.wav"

# The same from ffmpeg, whose chunk layouts differ (LIST/INFO before data,
# fact chunks).
ff() { quiet ffmpeg -nostdin -y -i "$work/tone.wav" "$@"; }
ff -ar 8000 -ac 1 -c:a pcm_s16le -metadata title=ffmpeg -metadata artist=seed "$waves/ff-s16-tags.wav"
ff -ar 8000 -ac 2 -c:a adpcm_ima_wav "$waves/ff-ima.wav"
ff -ar 8000 -ac 1 -c:a adpcm_ms "$waves/ff-msadpcm.wav"
ff -ar 8000 -ac 1 -c:a libgsm_ms "$waves/ff-gsm.wav"
ff -ar 8000 -ac 1 -c:a pcm_alaw "$waves/ff-alaw.wav"
ff -ar 22050 -ac 1 -c:a libmp3lame -b:a 32k "$waves/ff-mp3.wav"

# Unusual chunk layouts, by hand: two data chunks (two layers), an odd data
# chunk without its pad byte followed by a tag trailer, unknown and bext
# chunks before the data, a data chunk longer than the file, a RIFF size
# shorter than the file.
python3 - "$waves" <<'PY'
import struct, sys
out = sys.argv[1]
def chunk(cid, body, pad=True):
    b = cid + struct.pack('<I', len(body)) + body
    return b + (b'\0' if pad and len(body) % 2 else b'')
def riff(chunks, size=None):
    body = b'WAVE' + b''.join(chunks)
    return b'RIFF' + struct.pack('<I', len(body) if size is None else size) + body
fmt = chunk(b'fmt ', struct.pack('<HHIIHH', 1, 2, 44100, 176400, 4, 16))
fmt_mono8 = chunk(b'fmt ', struct.pack('<HHIIHHH', 1, 1, 8000, 8000, 1, 8, 0))
pcm = bytes((i * 7) & 0xFF for i in range(400))
info = chunk(b'LIST', b'INFO' + chunk(b'INAM', b'two layers\0') + chunk(b'ICMT', b'odd\0'))
trailer = b''.join(cid + struct.pack('<I', len(t) + 1) + t + b'\0'
                   for cid, t in [(b'INAM', b'title'), (b'IART', b'artist'), (b'ISBJ', b'x')])
files = {
    'hand-two-data.wav': riff([fmt, chunk(b'data', pcm), info, chunk(b'data', pcm[:200])]),
    'hand-odd-data-trailer.wav': riff([fmt_mono8, chunk(b'data', pcm[:101], pad=False)]) + trailer,
    'hand-bext-junk.wav': riff([fmt, chunk(b'JUNK', b'\0' * 28), chunk(b'bext', b'data INAM' + b'\0' * 40),
                                chunk(b'fact', struct.pack('<I', 100)), chunk(b'data', pcm)]),
    'hand-data-too-long.wav': riff([fmt]) [:-0 or None] + b'data' + struct.pack('<I', 100000) + pcm,
    'hand-short-riff.wav': riff([fmt, chunk(b'data', pcm)], size=30) + trailer,
    'hand-binary-id.wav': riff([fmt, b'\x01\x02\x03\x04' + struct.pack('<I', 4) + b'abcd', chunk(b'data', pcm)]),
}
for name, data in files.items():
    open(f'{out}/{name}', 'wb').write(data)
PY

# The editor's own writers: layered documents, wave files in every format it
# saves (with LIST/INFO and the tag trailer), converter inputs.
"$build/fuzz/seed_writer" "$corpus"

# The clipboard takes whole wave files from other programs: the same files.
cp "$waves"/sox-* "$waves"/ff-* "$waves"/hand-* "$corpus/fuzz_clipboard_intake/"

# MP3 files: both encoders, MPEG-1, -2 and -2.5 rates, mono and stereo,
# with and without an ID3 tag.
mp3s=$corpus/fuzz_mp3_read
ff -ar 44100 -ac 2 -c:a libmp3lame -b:a 64k -metadata title=seed "$mp3s/lame-44k-stereo.mp3"
ff -ar 22050 -ac 1 -c:a libmp3lame -b:a 24k -id3v2_version 0 "$mp3s/lame-22k-mono.mp3"
ff -ar 8000 -ac 1 -c:a libmp3lame -b:a 8k -write_xing 0 "$mp3s/lame-8k-mono.mp3"
ff -ar 32000 -ac 2 -c:a libshine -b:a 64k "$mp3s/shine-32k.mp3"
sox "$work/tone.wav" -r 16000 -c 1 "$mp3s/sox-16k.mp3"

# Sound files FFmpeg reads, 0.2 s each: FLAC, Ogg Vorbis, Opus in Ogg and in
# WebM, AAC in MP4, the containers whose parsers the reader runs most.
media=$corpus/fuzz_media_read
short() { quiet ffmpeg -nostdin -y -f lavfi -i "aevalsrc=exprs=0.4*sin(2*PI*440*t)|0.3*sin(2*PI*660*t):d=0.2" "$@"; }
short -ar 44100 -ac 2 -c:a flac -metadata title=seed "$media/tone.flac"
short -ar 22050 -ac 1 -c:a libvorbis -q:a 0 -metadata title=seed "$media/tone.ogg"
short -ar 48000 -ac 2 -c:a libopus -b:a 32k "$media/tone.opus"
short -ar 48000 -ac 1 -c:a libopus -b:a 16k "$media/tone.webm"
short -ar 44100 -ac 2 -c:a aac -b:a 32k -movflags +faststart "$media/tone.m4a"

# Raw import: the first four bytes answer the dialog (bits and channels in
# the first, the rate in the next three), the rest is samples.
raw=$corpus/fuzz_raw_import
head -c 2000 "$work/tone.wav" | tail -c 1956 > "$work/tone.raw"
for answer in '\x05\x44\xac\x00' '\x00\x40\x1f\x00' '\x06\x80\xbb\x00' '\x03\x22\x56\x00' '\x07\x00\xee\x02'; do
  { printf "$answer"; cat "$work/tone.raw"; } > "$raw/answer-$(printf "$answer" | od -An -tx1 | tr -d ' \n')"
done

# Converter inputs from the files above: the fmt record and the data.
python3 - "$waves" "$corpus/fuzz_wave_converter" <<'PY'
import os, struct, sys
src, out = sys.argv[1], sys.argv[2]
for name in sorted(os.listdir(src)):
    if not (name.startswith('sox-') or name.startswith('ff-')):
        continue
    b = open(os.path.join(src, name), 'rb').read()
    pos, record, data = 12, None, None
    while pos + 8 <= len(b):
        cid, size = b[pos:pos + 4], struct.unpack('<I', b[pos + 4:pos + 8])[0]
        body = b[pos + 8:pos + 8 + size]
        if cid == b'fmt ':
            record = body
        elif cid == b'data':
            data = body
        pos += 8 + size + (size & 1)
    if record is None or data is None or len(record) > 127:
        continue
    for direction, payload in ((0, data[:2048]), (0x80, bytes(2048))):
        open(os.path.join(out, f'{name}-{"in" if direction == 0 else "out"}'), 'wb').write(
            bytes([direction | len(record)]) + record + payload)
PY

for t in "${targets[@]}"; do
  printf '%-24s %3d seeds, %6d bytes\n' "$t" "$(ls "$corpus/$t" | wc -l)" "$(cat "$corpus/$t"/* | wc -c)"
done
