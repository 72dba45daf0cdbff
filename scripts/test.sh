#!/usr/bin/env bash
# Sets up what is missing, builds and runs every test. Tests that need a real X display
# and a window manager get a private Xvfb with openbox, started here.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh test
bash scripts/build.sh

display=""
for n in $(seq 91 130); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=":$n"; break; fi
done
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; }
trap cleanup EXIT
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 1 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
DISPLAY="$display" openbox >/dev/null 2>&1 &
pids+=($!)
sleep 0.5
export VARNO_TEST_DISPLAY="$display"

ctest --test-dir build --output-on-failure -j"$(nproc)"
