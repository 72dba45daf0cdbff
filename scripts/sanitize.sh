#!/usr/bin/env bash
# Builds the whole project with gcc, AddressSanitizer and UndefinedBehaviorSanitizer (in
# asan-build/) and runs every test there. Undefined behaviour fails a test like a crash;
# leaks fail it too, except one inside libdbus that is not ours (scripts/lsan.supp). Its own
# private Xvfb and Weston let it run beside scripts/test.sh. Arguments go to ctest (e.g.
# -R converter).
# Usage: scripts/sanitize.sh [ctest arguments]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh test

sanitizers="-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined"
CC=gcc CXX=g++ cmake -S . -B asan-build -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS="$sanitizers" -DCMAKE_EXE_LINKER_FLAGS="$sanitizers" \
  -DCMAKE_SHARED_LINKER_FLAGS="$sanitizers" >/dev/null
cmake --build asan-build -j"$(nproc)"

source scripts/xvfb.sh 171 210
export VARNO_TEST_DISPLAY="$display"
source scripts/weston.sh

# Slow unwinding reaches through libraries built without frame pointers, so that a leak
# inside them is recognised by the suppressions of scripts/lsan.supp.
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:print_stacktrace=1:fast_unwind_on_malloc=0
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
# As in scripts/test.sh, a test that fails is run once more, so that one slow start of the
# shared X server does not fail the run; a sanitizer's finding fails both times.
ctest --test-dir asan-build --output-on-failure -j"$(nproc)" --repeat until-pass:2 "$@"
