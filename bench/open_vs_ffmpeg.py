#!/usr/bin/env python3
"""Times opening a sound file (decoding it to the working format: 16-bit
44,100 Hz stereo) against ffmpeg doing the same decode, in the same run, and
prints the ratios. The files are ten minutes long and made by ffmpeg at the
start: an IMA ADPCM wave at 44,100 Hz stereo, a 128 kbit/s MP3 at
44,100 Hz stereo with ID3 tags, a 16-bit FLAC at 44,100 Hz stereo and a
128 kbit/s Opus file (48 kHz stereo in Ogg), the last two read by the
reader of the files FFmpeg recognises.

    bench/open_vs_ffmpeg.py [BUILD_DIR] [--runs N]

BUILD_DIR is the build directory holding bench/open_tool (default:
build). Each side runs N times (default
5), alternating, and the median wall time counts. Aim: a ratio of at most
1.2 for the wave and MP3 files, which are read whole before they are
converted, and at most 1.0 for FLAC and Opus.
"""
import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time

MUSIC = ("aevalsrc=exprs='0.3*sin(2*PI*220*t)+0.2*sin(2*PI*330*t*(1+0.01*sin(t)))"
         "+0.05*random(0)|0.3*sin(2*PI*277*t)+0.2*sin(2*PI*415*t)+0.05*random(1)'"
         ":s={rate}:d=600")

FILES = [
    ("IMA ADPCM wave, 44,100 Hz stereo", "ima.wav",
     ["-c:a", "adpcm_ima_wav"], 44100),
    ("MP3, 44,100 Hz stereo, 128 kbit/s", "tune.mp3",
     ["-c:a", "libmp3lame", "-b:a", "128k", "-metadata", "title=Bench"], 44100),
    ("FLAC, 44,100 Hz stereo, 16 bits", "tune.flac",
     ["-c:a", "flac", "-sample_fmt", "s16", "-metadata", "title=Bench"], 44100),
    ("Opus, 48,000 Hz stereo, 128 kbit/s", "tune.opus",
     ["-c:a", "libopus", "-b:a", "128k", "-metadata", "title=Bench"], 48000),
]


def timed(command):
    start = time.perf_counter()
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
    return time.perf_counter() - start


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build_dir", nargs="?", default="build")
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()

    tool = os.path.join(args.build_dir, "bench/open_tool")
    if not os.access(tool, os.X_OK):
        sys.exit(f"{tool} not found: build the target open_tool first")

    with tempfile.TemporaryDirectory(prefix="wavedesk-bench-") as work:
        print(f"{'file':36} {'ours / ffmpeg':>14}")
        for label, name, codec, rate in FILES:
            path = os.path.join(work, name)
            subprocess.run(["ffmpeg", "-v", "error", "-nostdin", "-y", "-f", "lavfi",
                            "-i", MUSIC.format(rate=rate), *codec, path], check=True)
            ours_command = [tool, path]
            ffmpeg_command = ["ffmpeg", "-v", "error", "-nostdin", "-i", path,
                              "-f", "s16le", "-ar", "44100", "-ac", "2", "-y", "/dev/null"]
            # One untimed round each so both start with the file in the page cache.
            timed(ours_command)
            timed(ffmpeg_command)
            ours, theirs = [], []
            for _ in range(args.runs):
                ours.append(timed(ours_command))
                theirs.append(timed(ffmpeg_command))
            a, b = statistics.median(ours), statistics.median(theirs)
            print(f"{label:36} {a / b:14.2f}")


if __name__ == "__main__":
    main()
