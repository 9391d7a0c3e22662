#!/usr/bin/env bash
# The fuzzing smoke run of the CI: builds the fuzz targets (clang 14, in
# build-fuzz/ beside this folder), makes the seed corpora, fuzzes each target
# for a while on one core from its seeds, then runs every kept reproducer in
# fuzz/regressions/<target>/ through its target. Exits non-zero on any
# finding (crash, sanitizer report, leak, an allocation beyond the limits,
# an input that takes longer than the timeout).
#
#   fuzz/run_smoke.sh [seconds-per-target]     (default 60)
# Environment: BUILD_DIR (default <source>/build-fuzz), JOBS (build jobs, 2).
set -uo pipefail

seconds=${1:-60}
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$source_dir/build-fuzz}
jobs=${JOBS:-2}
started=$(date +%s)
targets=(fuzz_wave_open fuzz_document_open fuzz_mp3_read fuzz_media_read fuzz_raw_import fuzz_wave_converter fuzz_clipboard_intake)
# A reader may never ask for more than the file can back: allocations above
# 2 GiB are findings, and so is an input that runs for more than 20 s.
limits=(-rss_limit_mb=2048 -malloc_limit_mb=2048 -timeout=20)

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
CC=clang-14 CXX=clang++-14 cmake -S "$source_dir" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DWAVEDESK_FUZZ=ON -DWAVEDESK_WERROR=ON "${launcher[@]}" >/dev/null || exit 1
cmake --build "$build" -j"$jobs" || exit 1
"$source_dir/fuzz/make_seeds.sh" "$build" || exit 1

findings=$build/smoke-findings
rm -rf "$findings"
failed=()
for t in "${targets[@]}"; do
  dict=$source_dir/fuzz/wave.dict
  [ "$t" = fuzz_mp3_read ] && dict=$source_dir/fuzz/mp3.dict
  [ "$t" = fuzz_media_read ] && dict=$source_dir/fuzz/media.dict
  mkdir -p "$findings/$t"
  echo "== $t: fuzzing for ${seconds}s"
  log=$findings/$t.log
  if ! "$build/fuzz/$t" "${limits[@]}" -dict="$dict" -max_total_time="$seconds" -print_final_stats=1 \
       -artifact_prefix="$findings/$t/" "$build/corpus/$t" >"$log" 2>&1; then
    failed+=("$t")
    echo "   FINDING: see $log and $findings/$t/"
    grep -E "^(==[0-9]+==ERROR|SUMMARY|.*runtime error)" "$log" | head -5
  fi
  grep -E "stat::number_of_executed_units|^#[0-9]+.*DONE" "$log" | sed 's/^/   /'
done

for t in "${targets[@]}"; do
  dir=$source_dir/fuzz/regressions/$t
  [ -d "$dir" ] || continue
  inputs=("$dir"/*)
  [ -e "${inputs[0]}" ] || continue
  echo "== $t: ${#inputs[@]} reproducer(s)"
  if ! "$build/fuzz/$t" "${limits[@]}" "${inputs[@]}" >"$findings/$t-regressions.log" 2>&1; then
    failed+=("$t (regressions)")
    echo "   FAILED: see $findings/$t-regressions.log"
  fi
done

echo "== fuzz smoke took $(( $(date +%s) - started ))s"
if [ ${#failed[@]} -gt 0 ]; then
  echo "== findings in: ${failed[*]}"
  exit 1
fi
echo "== no findings"
