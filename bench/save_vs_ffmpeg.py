#!/usr/bin/env python3
"""Times saving a sound as a media file (the writer encoding the working
format: 16-bit 44,100 Hz stereo) against ffmpeg encoding the same wave file
with the same settings, in the same run, and prints the ratios. The sound is
ten minutes long and made by ffmpeg at the start. FLAC level 5 is the case
that counts (aim: a ratio of at most 1.2); MP3 (VBR quality 2) and Opus
(128 kbit/s, constrained VBR) are shown for information.

    bench/save_vs_ffmpeg.py [BUILD_DIR] [--runs N]

BUILD_DIR is the build directory holding bench/save_tool (default: build).
Each side runs N times (default 5), alternating, and the median wall time
counts. Our side also syncs the file to disk before it replaces the old one,
which ffmpeg does not do.
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
         ":s=44100:d=600")

CASES = [
    ("FLAC, level 5", "flac", ["-c:a", "flac", "-compression_level", "5"]),
    ("MP3, VBR quality 2", "mp3", ["-c:a", "libmp3lame", "-q:a", "2"]),
    ("Opus, 128 kbit/s", "opus", ["-c:a", "libopus", "-b:a", "128k", "-vbr", "constrained"]),
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

    tool = os.path.join(args.build_dir, "bench/save_tool")
    if not os.access(tool, os.X_OK):
        sys.exit(f"{tool} not found: build the target save_tool first")

    with tempfile.TemporaryDirectory(prefix="wavedesk-bench-") as work:
        source = os.path.join(work, "music.wav")
        subprocess.run(["ffmpeg", "-v", "error", "-nostdin", "-y", "-f", "lavfi", "-i", MUSIC,
                        "-ac", "2", "-c:a", "pcm_s16le", source], check=True)
        print(f"{'format':24} {'ours (s)':>9} {'ffmpeg (s)':>11} {'ours / ffmpeg':>14}")
        for label, extension, codec in CASES:
            ours_path = os.path.join(work, "ours." + extension)
            theirs_path = os.path.join(work, "theirs." + extension)
            ours_command = [tool, source, ours_path]
            ffmpeg_command = ["ffmpeg", "-v", "error", "-nostdin", "-y", "-i", source, *codec, theirs_path]
            # One untimed round each so both start with the file in the page cache.
            timed(ours_command)
            timed(ffmpeg_command)
            ours, theirs = [], []
            for _ in range(args.runs):
                ours.append(timed(ours_command))
                theirs.append(timed(ffmpeg_command))
            a, b = statistics.median(ours), statistics.median(theirs)
            print(f"{label:24} {a:9.2f} {b:11.2f} {a / b:14.2f}")


if __name__ == "__main__":
    main()
