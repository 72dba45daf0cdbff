#!/usr/bin/env bash
# Builds the libFuzzer target for pelkin's reading of WAVE bytes with clang (in fuzz-build/)
# and runs it for the given number of seconds. Corpus and any crash inputs stay in
# fuzz-build/ (ignored by git).
# Usage: scripts/fuzz.sh SECONDS
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:?usage: scripts/fuzz.sh SECONDS}"

bash scripts/setup.sh fuzz
# clang only recommends the package that holds libFuzzer's runtime.
if ! dpkg-query -W -f='${Status}' libclang-rt-dev 2>/dev/null | grep -q 'install ok installed'; then
  if [ "$(id -u)" -eq 0 ]; then as_root=(); else as_root=(sudo); fi
  DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends libclang-rt-dev
fi

CC=clang CXX=clang++ cmake -S . -B fuzz-build -DVARNO_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build fuzz-build --target pelkin_fuzz -j"$(nproc)"

corpus=fuzz-build/corpus
mkdir -p "$corpus" fuzz-build/artifacts
# Seeds: plain headers of a few shapes, so the fuzzer starts past the tag checks.
wave() {  # channels bits data-size data-bytes(printf escapes) name
  local ch=$1 bits=$2 size=$3
  printf 'RIFF\x24\x00\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00%b\x44\xac\x00\x00\x10\xb1\x02\x00\x04\x00%bdata%b%b' \
    "\\x$(printf %02x "$ch")\\x00" "\\x$(printf %02x "$bits")\\x00" \
    "\\x$(printf %02x "$size")\\x00\\x00\\x00" "$4" >"$corpus/seed-$5"
}
wave 1 16 4 '\x01\x00\xff\xff' mono16
wave 2 8 4 '\x0a\xc8\x14\xd2' stereo8
wave 3 16 12 '\x01\x00\x02\x00\x03\x00\x04\x00\x05\x00\x06\x00' three16
wave 2 16 9 '\x01\x00\x02\x00\x03' short16

fuzz-build/bin/pelkin_fuzz -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
  -artifact_prefix=fuzz-build/artifacts/ "$corpus"
