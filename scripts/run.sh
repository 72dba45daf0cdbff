#!/usr/bin/env bash
# Sets up what is missing, builds and starts the window.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh run
bash scripts/build.sh
exec build/bin/Varno
