#!/usr/bin/env bash
# Builds the core and its tests with AddressSanitizer and
# UndefinedBehaviorSanitizer into ./build-asan (or $BUILD_DIR) and runs them,
# the PulseAudio ones against a private daemon. Any finding fails the run.
# `scripts/sanitized-tests.sh thread` does the same with ThreadSanitizer
# into ./build-tsan.
set -euo pipefail
cd "$(dirname "$0")/.."
sanitize=${1:-address,undefined}
case $sanitize in
  thread) default_dir=build-tsan ;;
  *) default_dir=build-asan ;;
esac
export BUILD_DIR=${BUILD_DIR:-$default_dir}
scripts/setup.sh
scripts/build.sh -DWAVEDESK_BUILD_GUI=OFF -DWAVEDESK_BUILD_BENCH=OFF -DWAVEDESK_SANITIZE="$sanitize"

work=$(mktemp -d /tmp/wavedesk-sanitized.XXXXXX)
# shellcheck source=scripts/pulse-daemon.sh
source scripts/pulse-daemon.sh
cleanup() { pulse_daemon_stop "$work"; rm -rf "$work"; }
trap cleanup EXIT
pulse_daemon_start "$work"

export WAVEDESK_REQUIRE_PULSE=1
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1 suppressions=$PWD/scripts/tsan.supp}
cd "$BUILD_DIR"
ctest --output-on-failure --timeout 1800 -j2
