#!/usr/bin/env bash
# Batch encoding speed of the tolvo program: eight 30-second WAV files (white noise, the encoder's
# hardest input) encoded one at a time on one core (-j 1 --threads 1), one at a time on every
# core (-j 1) and two at a time (-j 2), and the speed-up of -j 2 over one core. On a machine with
# two free cores the goal is a speed-up of at least 1.8.
# Usage: tolvo_batch_bench.sh [path/to/tolvo]   (default: build-bench/out/tolvo)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
tolvo="${1:-$root/build-bench/out/tolvo}"
[[ -x "$tolvo" ]] || { echo "no tolvo program at $tolvo" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export TOLVO_REGISTRY_FILE="$work/registry.ini"  # never the user's registry

# 30 s of 44100 Hz 16-bit stereo: a 44-byte canonical header and 5292000 bytes of noise.
data_bytes=$((30 * 44100 * 4))
le32() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $((($1 >> 8) & 255)))\\x$(printf %02x $((($1 >> 16) & 255)))\\x$(printf %02x $((($1 >> 24) & 255)))"; }
{
  printf 'RIFF'; le32 $((36 + data_bytes)); printf 'WAVEfmt '
  le32 16; printf '\x01\x00\x02\x00'; le32 44100; le32 176400; printf '\x04\x00\x10\x00'
  printf 'data'; le32 $data_bytes
  head -c $data_bytes /dev/urandom
} >"$work/track1.wav"
for i in 2 3 4 5 6 7 8; do cp "$work/track1.wav" "$work/track$i.wav"; done

seconds_for() {
  local name=$1 start end
  shift
  start=$(date +%s.%N)
  "$tolvo" encode "$@" "$work"/track?.wav --out-dir "$work/$name" >/dev/null 2>&1
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.2f", b - a }'
}

single=$(seconds_for single -j 1 --threads 1)
one=$(seconds_for one -j 1)
two=$(seconds_for two -j 2)
echo "tolvo batch, 8 x 30 s WAV: -j 1 --threads 1 $single s, -j 1 $one s, -j 2 $two s"
awk -v a="$single" -v b="$two" 'BEGIN { printf "speed-up of -j 2 over one core: %.2f (goal >= 1.8 on 2 free cores)\n", a / b }'
