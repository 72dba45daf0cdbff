#!/usr/bin/env bash
# Times pelkin and sox's text output of the first channel on the same 10-minute 16-bit
# stereo 44.1 kHz WAVE file and prints samples per second, the ratio and pelkin's peak
# memory (on a 1-minute file too, to show that it does not grow with the file).
# Usage: bench/converter/pelkin_bench.sh [MINUTES]   (VARNO_BUILD_DIR: build dir, default build)
set -euo pipefail
cd "$(dirname "$0")/../.."
minutes="${1:-10}"
build_dir="${VARNO_BUILD_DIR:-build}"

bash scripts/setup.sh bench
[ -f "$build_dir/CMakeCache.txt" ] || cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build_dir" --target pelkin -j"$(nproc)" >/dev/null
pelkin="$build_dir/bin/pelkin"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

le32() { printf "\\\\x%02x\\\\x%02x\\\\x%02x\\\\x%02x" $(($1 & 255)) $((($1 >> 8) & 255)) $((($1 >> 16) & 255)) $((($1 >> 24) & 255)); }
# A plain 44-byte header for 16-bit stereo 44.1 kHz, then the first $2 bytes of $3.
make_wave() {
  local out=$1 bytes=$2 raw=$3
  { printf 'RIFF%b' "$(le32 $((36 + bytes)))"
    printf 'WAVEfmt %b\x01\x00\x02\x00%b%b\x04\x00\x10\x00' "$(le32 16)" "$(le32 44100)" "$(le32 176400)"
    printf 'data%b' "$(le32 "$bytes")"
    head -c "$bytes" "$raw"; } >"$out"
}

frames=$((minutes * 60 * 44100))
echo "Making a ${minutes}-minute 16-bit stereo 44.1 kHz WAVE file (pink noise left, sine right)..."
sox -q -n -r 44100 -b 16 -c 2 -e signed-integer -t raw "$work/raw" synth $((minutes * 60)) pinknoise sine 440
make_wave "$work/long.wav" $((frames * 4)) "$work/raw"
make_wave "$work/short.wav" $((60 * 44100 * 4)) "$work/raw"

# Runs pelkin on $1 and prints "seconds peak-KB"; the job must end with "close".
run_pelkin() {
  printf '%s\r\n%s\r\n\r\n' "$1" "$work/Org_txt.txt" >"$work/pelkin.ini"
  /usr/bin/time -f '%e %M' -o "$work/time" "$pelkin" "$work/pelkin.ini"
  grep -q '^close' <(sed -n 3p "$work/pelkin.ini") || { echo "pelkin did not close" >&2; exit 1; }
  cat "$work/time"
}

best=""
peak=0
for _ in 1 2 3; do
  read -r secs kb < <(run_pelkin "$work/long.wav")
  if [ -z "$best" ] || awk -v a="$secs" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$secs; fi
  [ "$kb" -gt "$peak" ] && peak=$kb
done
read -r _ short_kb < <(run_pelkin "$work/short.wav")
lines=$(($(wc -l <"$work/Org_txt.txt") - 2))
[ "$lines" -eq $((60 * 44100)) ] || { echo "pelkin wrote $lines samples" >&2; exit 1; }

sox_start=$(date +%s.%N)
sox -q "$work/long.wav" -t dat "$work/sox.dat" remix 1
sox_secs=$(awk -v s="$sox_start" -v e="$(date +%s.%N)" 'BEGIN { printf "%.2f", e - s }')

awk -v n="$frames" -v p="$best" -v s="$sox_secs" -v kb="$peak" -v skb="$short_kb" -v m="$minutes" 'BEGIN {
  if (p < 0.01) p = 0.01
  printf "file: %d minutes, %d samples in the first channel\n", m, n
  printf "pelkin: %.2f s (best of 3), %.1f million samples/s\n", p, n / p / 1e6
  printf "sox -t dat remix 1: %.2f s, %.2f million samples/s\n", s, n / s / 1e6
  printf "ratio: pelkin is %.1f times as fast as sox (target: at least 25)\n", s / p
  printf "pelkin peak memory: %.1f MB on the %d-minute file, %.1f MB on a 1-minute file (target: under 8 MB)\n", kb / 1024, m, skb / 1024
}'
