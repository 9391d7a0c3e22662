#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: unit tests, GUI tests
# on Qt's offscreen platform, and integration tests against a private
# PulseAudio daemon that this script starts and stops itself.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh

work=$(mktemp -d /tmp/wavedesk-test.XXXXXX)
# shellcheck source=scripts/pulse-daemon.sh
source scripts/pulse-daemon.sh
cleanup() { pulse_daemon_stop "$work"; rm -rf "$work"; }
trap cleanup EXIT
pulse_daemon_start "$work"

export QT_QPA_PLATFORM=offscreen
export WAVEDESK_REQUIRE_PULSE=1
cd build
ctest --output-on-failure --timeout 900 -j2
