#!/usr/bin/env bash
# Batch encoding speed of the tolvo program: eight 30-second WAV files (white noise, the encoder's
# hardest input) encoded with -j 1 and with -j 2, and the speed-up between them. On a machine
# with two free cores the goal is a speed-up of at least 1.8.
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
  local jobs=$1 start end
  start=$(date +%s.%N)
  "$tolvo" encode -j "$jobs" "$work"/track?.wav --out-dir "$work/out$jobs" >/dev/null 2>&1
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.2f", b - a }'
}

one=$(seconds_for 1)
two=$(seconds_for 2)
echo "tolvo batch, 8 x 30 s WAV: -j 1 $one s, -j 2 $two s"
awk -v a="$one" -v b="$two" 'BEGIN { printf "speed-up with -j 2: %.2f (goal >= 1.8 on 2 free cores)\n", a / b }'
