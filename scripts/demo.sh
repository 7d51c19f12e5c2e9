#!/usr/bin/env bash
# Sets everything up, builds, and runs the main job on a sample WAV that it generates.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2
echo "(the encoding example is not built yet)"
