#!/usr/bin/env bash
# Takes the README's pictures of the window under a private Xvfb with openbox: start-up,
# a captured tone, and the tone re-sampled at 1/8. Writes docs/*.png.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh screenshot
bash scripts/build.sh
mkdir -p docs

display=""
for n in $(seq 131 170); do
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
DISPLAY="$display" QT_QPA_PLATFORM=xcb build/bin/varno_screenshot docs
echo "Pictures written to docs/"
