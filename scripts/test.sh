#!/usr/bin/env bash
# Sets up what is missing, builds and runs every test. Tests that need a real X display
# and a window manager get a private Xvfb with openbox, and the Wayland tests a Weston inside
# it, started here.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh test
bash scripts/build.sh

source scripts/xvfb.sh 91 130
export VARNO_TEST_DISPLAY="$display"
source scripts/weston.sh

# A test that fails is run once more, so that one slow start of the shared X server does
# not fail the run; a real fault fails both times.
ctest --test-dir build --output-on-failure -j"$(nproc)" --repeat until-pass:2
