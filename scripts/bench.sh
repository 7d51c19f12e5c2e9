#!/usr/bin/env bash
# Builds every benchmark (Release, in build-bench) and runs each one in turn.
# Arguments are passed to every benchmark (for example a folder to work in).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-bench"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTOLVO_BUILD_BENCH=ON -DTOLVO_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target tolvo_benchmarks
status=0
for bench in "$build"/bench/*; do
  [[ -f "$bench" && -x "$bench" ]] || continue
  echo "== $(basename "$bench")"
  "$bench" "$@" || status=1
done
# The batch benchmark of the tolvo program drives the real program and its worker processes.
cmake --build "$build" -j2 --target tolvo
echo "== tolvo_batch_bench.sh"
bash "$root/bench/tolvo_batch_bench.sh" "$build/out/tolvo" || status=1
echo "== wav_convert_bench.sh"
bash "$root/bench/wav_convert_bench.sh" "$build/out/tolvo" || status=1
# tolvo against lame: one file on every core, short files, a batch, and the peak resident set.
echo "== tolvo_vs_lame_bench.sh"
bash "$root/bench/tolvo_vs_lame_bench.sh" "$build/out/tolvo" || status=1
exit $status
