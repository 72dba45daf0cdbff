#!/usr/bin/env bash
# Takes the README's pictures of the window under a private Xvfb with openbox: start-up,
# a captured tone, the tone re-sampled at 1/8, the three methods on a tone above the
# lower rate's Nyquist limit, and the spectrum window on a sweep. Writes docs/*.png.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh screenshot
bash scripts/build.sh
mkdir -p docs

source scripts/xvfb.sh 131 170
DISPLAY="$display" QT_QPA_PLATFORM=xcb build/bin/varno_screenshot docs
echo "Pictures written to docs/"
