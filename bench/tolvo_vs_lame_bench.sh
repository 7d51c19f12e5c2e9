#!/usr/bin/env bash
# tolvo against lame with the same settings (lame --quiet -b 128 -q 5 -m j --noreplaygain --nores,
# which is byte-identical to tolvo's sequential encode, tolvo --threads 1), in paired runs whose
# order alternates, reporting medians of the wall times; each goal is judged on the median of the
# ratios of runs taken side by side:
#   - a 3-minute music-like stereo file: goal tolvo at least 1.8 x faster than lame on 2 cores;
#   - a 5-second file: goal tolvo within 1.5 x of lame's wall time;
#   - a batch of 8 x 30 s files, tolvo -j 2 against two lame processes side by side: goal at
#     least as fast; and the same for 8 x 0.2 s files, where the start-up per file shows;
#   - the peak resident set of tolvo for 3 and for 30 minutes: goal below 16 MB.
# Other programs on the machine skew wall times: the load average is printed before and after.
# Usage: tolvo_vs_lame_bench.sh [path/to/tolvo] [runs per pair, default 9] [tolvo options]
# tolvo's engine sets its priority at every job (normal unless --priority says otherwise): to
# measure both programs at a raised priority, run the script under "nice -n -10" and pass
# "--priority 3" as tolvo options.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
tolvo="${1:-$root/build-bench/out/tolvo}"
runs="${2:-9}"
read -r -a extra <<<"${3:-}"
[[ -x "$tolvo" ]] || { echo "no tolvo program at $tolvo" >&2; exit 1; }
command -v lame >/dev/null || { echo "lame is not installed" >&2; exit 1; }
command -v sox >/dev/null || { echo "sox is not installed" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export TOLVO_REGISTRY_FILE="$work/registry.ini"  # never the user's registry
LAME=(lame --quiet -b 128 -q 5 -m j --noreplaygain --nores)

# Music-like stereo: plucked notes with a tremolo, different in each channel, over quiet noise.
music() {
  sox -n -r 44100 -c 2 -b 16 "$work/tones.wav" synth "$1" pluck 220 pluck 330 tremolo 3 40
  sox -n -r 44100 -c 2 -b 16 "$work/noise.wav" synth "$1" pinknoise vol 0.02
  sox -m "$work/tones.wav" "$work/noise.wav" "$2"
  rm -f "$work/tones.wav" "$work/noise.wav"
}
music 180 "$work/three.wav"
music 5 "$work/five.wav"
music 30 "$work/track1.wav"
for i in 2 3 4 5 6 7 8; do cp "$work/track1.wav" "$work/track$i.wav"; done
mkdir "$work/tiny"
music 0.2 "$work/tiny/track1.wav"
for i in 2 3 4 5 6 7 8; do cp "$work/tiny/track1.wav" "$work/tiny/track$i.wav"; done

now() { date +%s.%N; }
seconds() { local start end; start=$(now); "$@" >/dev/null 2>&1; end=$(now); awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", b - a }'; }
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
# BATCH names the folder of the batch's files.
BATCH="$work"
lame_batch() {
  printf '%s\n' "$BATCH"/track?.wav |
    xargs -P 2 -I{} sh -c 'exec "$@" "$0" "$0.mp3"' {} "${LAME[@]}"
}
tolvo_batch() { "$tolvo" encode "${extra[@]}" -j 2 "$BATCH"/track?.wav --out-dir "$BATCH/tolvo-out"; }

# Runs the two commands `runs` times each, alternating which goes first; prints a line about
# them on standard error, and on standard output both medians and the median of the ratios
# lame/tolvo of the runs taken side by side. The host's load drifts between runs; a ratio of two
# neighbouring runs is far less moved by that drift than the ratio of the two medians.
pair() {
  local name=$1 a b r i
  shift
  : >"$work/a" && : >"$work/b" && : >"$work/r"
  for ((i = 0; i < runs; i++)); do
    if ((i % 2 == 0)); then
      a=$(seconds $LAME_CMD)
      b=$(seconds $TOLVO_CMD)
    else
      b=$(seconds $TOLVO_CMD)
      a=$(seconds $LAME_CMD)
    fi
    echo "$a" >>"$work/a"
    echo "$b" >>"$work/b"
    awk -v a="$a" -v b="$b" 'BEGIN { print a / b }' >>"$work/r"
  done
  a=$(median <"$work/a")
  b=$(median <"$work/b")
  r=$(median <"$work/r")
  awk -v n="$name" -v a="$a" -v b="$b" -v r="$r" 'BEGIN { printf "%-28s lame %7.3f s   tolvo %7.3f s   lame/tolvo %.2f (side by side %.2f)\n", n, a, b, a / b, r }' >&2
  echo "$a $b $r"
}

echo "load before: $(uptime | sed 's/.*load average: //')   ($(nproc) cores, $runs runs per pair)"
status=0
goal() {  # goal NAME RATIO OP LIMIT
  if awk -v r="$2" -v l="$4" -v op="$3" 'BEGIN { exit !((op == ">=") ? r >= l : r <= l) }'; then
    echo "  goal met: $1"
  else
    echo "  goal missed: $1"
    status=1
  fi
}

LAME_CMD="${LAME[*]} $work/three.wav $work/lame.mp3"
TOLVO_CMD="$tolvo encode ${extra[*]} $work/three.wav $work/tolvo.mp3"
read -r a b r < <(pair "3 min, all cores")
goal "3-minute file at least 1.8 x faster than lame" "$r" ">=" 1.8
TOLVO_CMD="$tolvo encode ${extra[*]} --threads 1 $work/three.wav $work/tolvo.mp3"
pair "3 min, --threads 1" >/dev/null

LAME_CMD="${LAME[*]} $work/five.wav $work/lame.mp3"
TOLVO_CMD="$tolvo encode ${extra[*]} $work/five.wav $work/tolvo.mp3"
read -r a b r < <(pair "5 s, all cores")
goal "5-second file within 1.5 x of lame's wall time" "$(awk -v r="$r" 'BEGIN { print 1 / r }')" "<=" 1.5

LAME_CMD=lame_batch
TOLVO_CMD=tolvo_batch
read -r a b r < <(pair "8 x 30 s, -j 2 / 2 x lame")
goal "batch with -j 2 at least as fast as two lame processes" "$r" ">=" 1.0
BATCH="$work/tiny"
pair "8 x 0.2 s, -j 2 / 2 x lame" >/dev/null

for minutes in 3 30; do
  file="$work/three.wav"
  if ((minutes == 30)); then
    music 1800 "$work/thirty.wav"
    file="$work/thirty.wav"
  fi
  /usr/bin/time -o "$work/rss" -f "%M" "$tolvo" encode "${extra[@]}" "$file" "$work/rss.mp3" >/dev/null 2>&1
  kb=$(tail -1 "$work/rss")
  echo "peak resident set, $minutes min: $kb KB"
  goal "peak resident set below 16 MB for $minutes minutes" "$kb" "<=" 16384
done
rm -f "$work/thirty.wav"
echo "load after: $(uptime | sed 's/.*load average: //')"
exit $status
