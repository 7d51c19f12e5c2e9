#!/usr/bin/env bash
# Encoding input that goes through the converter: a 10-minute 24-bit 96 kHz stereo WAV (pink
# noise, made by sox) encoded by tolvo (snd converts it to 16-bit 48 kHz, then the engine encodes)
# and by lame with the same settings (128 kbit/s CBR, joint stereo, quality 5, no bit reservoir,
# 48 kHz output). Goals: tolvo at least 0.8 times as fast as lame; the peak resident set of tolvo
# and its converter under 32 MB, whatever the file's size.
# Usage: wav_convert_bench.sh [path/to/tolvo] [minutes]   (default: build-bench/out/tolvo, 10)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
tolvo="${1:-$root/build-bench/out/tolvo}"
minutes="${2:-10}"
[[ -x "$tolvo" ]] || { echo "no tolvo program at $tolvo" >&2; exit 1; }
for program in sox lame /usr/bin/time; do
  command -v "$program" >/dev/null || { echo "$program is missing (scripts/setup-debian.sh)" >&2; exit 1; }
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export TOLVO_REGISTRY_FILE="$work/registry.ini"  # never the user's registry
export TMPDIR="$work"                             # the converted copy lies here

sox -n -b 24 -r 96000 -c 2 "$work/in.wav" synth $((minutes * 60)) pinknoise vol 0.3

# Runs a command under GNU time; prints "<seconds> <peak kB>". Time's rusage covers the program
# and every child it waited for, so snd counts too.
measure() {
  /usr/bin/time -f '%e %M' -o "$work/time" "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
  cat "$work/time"
}

read -r tolvo_s tolvo_kb < <(measure "$tolvo" encode "$work/in.wav" "$work/tolvo.mp3" --bitrate 128 --mode joint --quality normal)
read -r lame_s lame_kb < <(measure lame --silent -b 128 --cbr -m j -q 5 --nores --resample 48 "$work/in.wav" "$work/lame.mp3")

echo "24-bit 96 kHz stereo, $minutes min: tolvo ${tolvo_s} s (peak ${tolvo_kb} kB), lame ${lame_s} s (peak ${lame_kb} kB)"
awk -v t="$tolvo_s" -v l="$lame_s" -v kb="$tolvo_kb" 'BEGIN {
  speed = l / t
  printf "tolvo speed relative to lame: %.2f (goal >= 0.8); tolvo peak RSS %.1f MB (goal < 32 MB)\n", speed, kb / 1024
  exit !(speed >= 0.8 && kb < 32 * 1024)
}'
