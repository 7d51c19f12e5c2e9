#!/usr/bin/env bash
# Sets everything up, builds, and runs the main job: encodes a WAV that it generates to MP3 and
# shows the result's size and decoded duration.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2
demo="$PWD/build/demo"
mkdir -p "$demo"
build/out/encode_example --tone "$demo/demo.wav" "$demo/demo.mp3"
# Decode it again with mpg123 to show what a player gets.
mpg123 -q -w "$demo/decoded.wav" "$demo/demo.mp3"
wav_bytes=$(stat -c %s "$demo/decoded.wav")
echo "MP3:      $demo/demo.mp3, $(stat -c %s "$demo/demo.mp3") bytes"
echo "decoded:  $(awk -v b="$wav_bytes" 'BEGIN { printf "%.3f", (b - 44) / (44100 * 4) }') s of 44100 Hz stereo (input: 10 s)"
