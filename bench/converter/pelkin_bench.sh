#!/usr/bin/env bash
# Times pelkin and sox's text output of the first channel on the same 10-minute 16-bit
# stereo 44.1 kHz WAVE file and prints samples per second, the ratio and pelkin's peak
# memory (on a 1-minute file too, to show that it does not grow with the file); times dd
# copying pelkin's output, the floor for writing that many bytes; then times trosk turning
# pelkin's text back into a WAVE file.
# Usage: bench/converter/pelkin_bench.sh [MINUTES]   (VARNO_BUILD_DIR: build dir, default build;
# VARNO_REFERENCE_PELKIN: another pelkin whose output on the same file must be byte-identical)
set -euo pipefail
cd "$(dirname "$0")/../.."
minutes="${1:-10}"
build_dir="${VARNO_BUILD_DIR:-build}"

bash scripts/setup.sh bench
[ -f "$build_dir/CMakeCache.txt" ] || cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build_dir" --target pelkin trosk -j"$(nproc)" >/dev/null
pelkin="$build_dir/bin/pelkin"
trosk="$build_dir/bin/trosk"

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

# Runs converter $1 on input $2 into $3 and prints "seconds peak-KB"; the job must end with "close".
run_job() {
  printf '%s\r\n%s\r\n\r\n' "$2" "$3" >"$work/job.ini"
  local start end
  start=$(date +%s.%N)
  /usr/bin/time -f '%M' -o "$work/time" "$1" "$work/job.ini"
  end=$(date +%s.%N)
  [ "$(sed -n 3p "$work/job.ini")" = $'close\r' ] || { echo "$1 did not close" >&2; exit 1; }
  awk -v s="$start" -v e="$end" -v kb="$(cat "$work/time")" 'BEGIN { printf "%.3f %d\n", e - s, kb }'
}

read -r _ short_kb < <(run_job "$pelkin" "$work/short.wav" "$work/Org_txt.txt")
best=""
peak=0
for _ in 1 2 3; do
  read -r secs kb < <(run_job "$pelkin" "$work/long.wav" "$work/Org_txt.txt")
  if [ -z "$best" ] || awk -v a="$secs" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$secs; fi
  [ "$kb" -gt "$peak" ] && peak=$kb
done
lines=$(($(wc -l <"$work/Org_txt.txt") - 2))
[ "$lines" -eq "$frames" ] || { echo "pelkin wrote $lines samples, not $frames" >&2; exit 1; }
if [ -n "${VARNO_REFERENCE_PELKIN:-}" ]; then
  run_job "$VARNO_REFERENCE_PELKIN" "$work/long.wav" "$work/reference.txt" >/dev/null
  cmp "$work/Org_txt.txt" "$work/reference.txt" || { echo "pelkin and $VARNO_REFERENCE_PELKIN differ" >&2; exit 1; }
  echo "output byte-identical to $VARNO_REFERENCE_PELKIN's"
  rm "$work/reference.txt"
fi

# Copying the output, best of 3, as pelkin is timed: the cost of the bytes alone.
dd_best=""
for _ in 1 2 3; do
  start=$(date +%s.%N)
  dd if="$work/Org_txt.txt" of="$work/copy.txt" bs=64K status=none
  secs=$(awk -v s="$start" -v e="$(date +%s.%N)" 'BEGIN { printf "%.3f", e - s }')
  if [ -z "$dd_best" ] || awk -v a="$secs" -v b="$dd_best" 'BEGIN { exit !(a < b) }'; then dd_best=$secs; fi
done
rm "$work/copy.txt"

# The way back, for scale: trosk on the text pelkin wrote.
read -r trosk_secs trosk_kb < <(run_job "$trosk" "$work/Org_txt.txt" "$work/Chg_wav.wav")

sox_start=$(date +%s.%N)
sox -q "$work/long.wav" -t dat "$work/sox.dat" remix 1
sox_secs=$(awk -v s="$sox_start" -v e="$(date +%s.%N)" 'BEGIN { printf "%.2f", e - s }')

awk -v n="$frames" -v p="$best" -v s="$sox_secs" -v kb="$peak" -v skb="$short_kb" -v m="$minutes" \
    -v t="$trosk_secs" -v tkb="$trosk_kb" -v d="$dd_best" -v mb="$(($(stat -c %s "$work/Org_txt.txt") / 1000000))" 'BEGIN {
  if (p < 0.01) p = 0.01
  if (d < 0.001) d = 0.001
  if (t < 0.01) t = 0.01
  printf "file: %d minutes, %d samples in the first channel\n", m, n
  printf "pelkin: %.3f s (best of 3), %.1f million samples/s\n", p, n / p / 1e6
  printf "sox -t dat remix 1: %.2f s, %.2f million samples/s\n", s, n / s / 1e6
  printf "ratio: pelkin is %.1f times as fast as sox (target: at least 25)\n", s / p
  printf "dd bs=64K copying that %d MB output: %.3f s (best of 3)\n", mb, d
  printf "ratio pelkin/dd: %.2f (target: at most 2)\n", p / d
  printf "pelkin peak memory: %.1f MB on the %d-minute file, %.1f MB on a 1-minute file (target: under 8 MB)\n", kb / 1024, m, skb / 1024
  printf "trosk on that text: %.3f s, %.1f million samples/s, peak memory %.1f MB\n", t, n / t / 1e6, tkb / 1024
}'
