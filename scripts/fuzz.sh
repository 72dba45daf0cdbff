#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, ASan and UBSan (in fuzz-build/): pelkin's reading
# of WAVE bytes, trosk's reading of sample text and the decoder's sample conversion and report.
# Runs one of them, pelkin and trosk side by side (both), or all three, for the given number of
# seconds. Corpora, logs and any crash inputs stay in fuzz-build/ (ignored by git).
# Usage: scripts/fuzz.sh SECONDS [pelkin|trosk|decoder|both|all]
set -euo pipefail
cd "$(dirname "$0")/.."
usage="usage: scripts/fuzz.sh SECONDS [pelkin|trosk|decoder|both|all]"
seconds="${1:?$usage}"
which="${2:-pelkin}"
case "$which" in
  pelkin | trosk | decoder) targets=("$which") ;;
  both) targets=(pelkin trosk) ;;
  all) targets=(pelkin trosk decoder) ;;
  *) echo "$usage" >&2; exit 2 ;;
esac

bash scripts/setup.sh fuzz
CC=clang CXX=clang++ cmake -S . -B fuzz-build -DVARNO_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build fuzz-build --target "${targets[@]/%/_fuzz}" -j"$(nproc)"

mkdir -p fuzz-build/artifacts fuzz-build/logs

# Seeds: plain headers of a few shapes, so the fuzzer starts past the tag checks, and files
# over several 64 KiB read blocks: whole, of an odd size, and ending before their declared size.
seed_pelkin() {
  local corpus=$1
  le() {  # value bytes: its low bytes as printf escapes, least significant first
    local i
    for ((i = 0; i < $2; i++)); do printf '\\x%02x' $((($1 >> (8 * i)) & 255)); done
  }
  wave() {  # channels bits data-size [data bytes as printf escapes; else the data on stdin]
    printf "RIFF$(le $((36 + $3)) 4)WAVEfmt \\x10\\x00\\x00\\x00\\x01\\x00$(le "$1" 2)"
    printf "\\x44\\xac\\x00\\x00\\x10\\xb1\\x02\\x00\\x04\\x00$(le "$2" 2)data$(le "$3" 4)"
    if [ $# -gt 3 ]; then printf '%b' "$4"; else cat; fi
  }
  # Every byte value in a fixed pseudo-random order, the same on every run.
  bytes() {
    LC_ALL=C awk -v n="$1" 'BEGIN { x = 1; for (i = 0; i < n; i++) { x = (75 * x + 74) % 65537; printf "%c", x % 256 } }'
  }
  wave 1 16 4 '\x01\x00\xff\xff' >"$corpus/seed-mono16"
  wave 2 8 4 '\x0a\xc8\x14\xd2' >"$corpus/seed-stereo8"
  wave 3 16 12 '\x01\x00\x02\x00\x03\x00\x04\x00\x05\x00\x06\x00' >"$corpus/seed-three16"
  wave 2 16 9 '\x01\x00\x02\x00\x03' >"$corpus/seed-short16"
  bytes 204800 | wave 2 16 204800 >"$corpus/seed-blocks-stereo16"
  bytes 200000 | wave 1 8 200000 >"$corpus/seed-blocks-mono8"
  bytes 196611 | wave 2 16 196611 >"$corpus/seed-blocks-odd16"
  bytes 150000 | wave 2 8 262144 >"$corpus/seed-blocks-short8"
}

# Seeds: small valid texts of both widths, a rate with a fraction and one below 1 Hz, text
# that runs over several 64 KiB read blocks, and a line too long to read.
seed_trosk() {
  local corpus=$1
  printf '44100\r\n16\r\n1\r\n-1\r\n-32768\r\n32767\r\n' >"$corpus/seed-mono16"
  printf '344.53125\n8\n0\n128\n255' >"$corpus/seed-fraction8"
  printf '0.4921875\r\n8\r\n7\r\n9\r\n' >"$corpus/seed-below1hz"
  printf ' 8000\t\r\n 16 \r\n -5 \r\n007\r\n' >"$corpus/seed-blanks"
  { printf '22050\r\n16\r\n'; seq -32768 3 32767 | sed 's/$/\r/'; } >"$corpus/seed-blocks"
  { printf '8000\r\n8\r\n1\r\n'; head -c 70000 /dev/zero | tr '\0' 1; printf '\r\n2\r\n'; } >"$corpus/seed-long-line"
}

# Seeds: the first byte picks the part. Samples of each kind (doubles, 16-, 24- and 32-bit)
# for one, two and four channels and both widths, one read that fails with a reason of two
# lines, a report with its job lines, and a run of the progress pace.
seed_decoder() {
  local corpus=$1
  printf '\x00\x00\x00\x00\x00\x00\x00\xe0\x3f\x00\x00\x00\x00\x00\x00\xf8\x7f\x00\x00\x00\x00\x00\x00\xf8\xbf' >"$corpus/seed-doubles"
  printf '\x11\x01\x00\xff\xff\xff\x7f\x00\x80' >"$corpus/seed-stereo16"
  printf '\x2b\x80\x00\x00\x7f\xff\xff\x00\x00\x80\x01\x02\x03' >"$corpus/seed-four24-8bit"
  printf '\x31\x00\x80\x00\x00\x00\x00\x01\x00\xff\xff\xff\x7f\x00\x00\x00\x80' >"$corpus/seed-stereo32"
  printf '\x40\x0bbroken\r\nsync\x00\x00\x00\x00\x00\x00\xe0\x3f' >"$corpus/seed-failure"
  printf '\xc0\x02\x00\x13\x00\x02\x00\x44\xac\x00\x00\x00\x10\x00\x00\x00\x00\x00\x00\x32\x07/a.wav\r\x06/b.wav\x00\x08lost \r\n ' >"$corpus/seed-report"
  { printf '\x80\xe8\x03\x00\x00'; for _ in $(seq 50); do printf '\x14\x00\x28'; done; } >"$corpus/seed-pace"
}

run() {  # name
  local name=$1 corpus=fuzz-build/corpus/$1
  mkdir -p "$corpus"
  "seed_$name" "$corpus"
  # -max_len lets inputs reach past the 64 KiB read block, several blocks deep.
  "fuzz-build/bin/${name}_fuzz" -max_total_time="$seconds" -max_len=300000 -timeout=10 \
    -print_final_stats=1 -artifact_prefix="fuzz-build/artifacts/$name-" "$corpus"
}

if [ ${#targets[@]} -eq 1 ]; then
  run "${targets[0]}" 2>&1 | tee "fuzz-build/logs/${targets[0]}.log"
  exit "${PIPESTATUS[0]}"
fi

# Side by side, each into its own log; the final figures of both are shown at the end.
pids=()
for name in "${targets[@]}"; do
  run "$name" >"fuzz-build/logs/$name.log" 2>&1 &
  pids+=($!)
done
status=0
for i in "${!targets[@]}"; do
  wait "${pids[$i]}" || { status=$?; echo "${targets[$i]}_fuzz failed: see fuzz-build/logs/${targets[$i]}.log"; }
done
for name in "${targets[@]}"; do
  echo "== $name"
  grep -E 'DONE|^(stat::|Done )|ERROR|SUMMARY' "fuzz-build/logs/$name.log" || true
done
exit "$status"
