#!/usr/bin/env bash
# Sets up what is missing, builds the three programs and starts the window. Arguments go to
# Varno (a .wav file to open).
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "run.sh: there is no display to show the window on (neither WAYLAND_DISPLAY nor DISPLAY is set)." >&2
  echo "Run it from a terminal of a desktop session, or build and test without one: bash scripts/test.sh" >&2
  exit 1
fi
bash scripts/setup.sh run
# Only what the window needs; the test command builds the tests, benchmarks and tools.
bash scripts/build.sh Varno pelkin trosk decoder
exec build/bin/Varno "$@"
