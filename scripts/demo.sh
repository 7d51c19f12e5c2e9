#!/usr/bin/env bash
# Sets everything up, builds, and runs the main job with the tolvo program: generates a WAV,
# encodes it to MP3 with a progress display, writes its ID3v1 and ID3v2 tags and shows them.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target tolvo
tolvo="$PWD/build/out/tolvo"
demo="$PWD/build/demo"
mkdir -p "$demo"

# Ten seconds of a three-note chord, 44100 Hz 16-bit stereo.
/usr/bin/python3 - "$demo/demo.wav" <<'PY'
import math, struct, sys
rate, seconds = 44100, 10
frames = bytearray()
for i in range(rate * seconds):
    t = i / rate
    fade = min(1.0, t * 4, (seconds - t) * 4)
    left = sum(math.sin(2 * math.pi * f * t) for f in (261.63, 329.63, 392.00)) / 3
    right = sum(math.sin(2 * math.pi * f * t) for f in (196.00, 329.63, 493.88)) / 3
    frames += struct.pack('<hh', int(12000 * fade * left), int(12000 * fade * right))
header = b'RIFF' + struct.pack('<I', 36 + len(frames)) + b'WAVEfmt ' + \
    struct.pack('<IHHIIHH', 16, 1, 2, rate, rate * 4, 4, 16) + b'data' + struct.pack('<I', len(frames))
open(sys.argv[1], 'wb').write(header + frames)
PY

echo "== tolvo encode"
"$tolvo" encode "$demo/demo.wav" "$demo/demo.mp3" --bitrate 192 --quality high
echo "== tolvo tag set"
"$tolvo" tag set "$demo/demo.mp3" --title "Démo chord" --artist "Tolvo" --album "Examples" \
  --year 2026 --track 1 --genre Ambient --comment "made by scripts/demo.sh"
echo "== tolvo tag show"
"$tolvo" tag show "$demo/demo.mp3"
