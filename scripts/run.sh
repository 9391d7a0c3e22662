#!/usr/bin/env bash
# Installs what is missing, builds, and starts the editor. Arguments go to the
# program, for example: scripts/run.sh --audio=null song.wav
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
exec ./build/src/gui/wavedesk "$@"
