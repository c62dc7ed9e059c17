#!/usr/bin/env bash
# Whole-file benchmark: synthesizes ~20-minute recordings once (cached in the
# build folder), times vorlane on each against a plain chunked read of the same
# file, and prints a table. Usage: bench/run.sh [RUNS]   (default 5 runs)
set -euo pipefail
cd "$(dirname "$0")/.."
RUNS=${1:-5}
BUILD=${BENCH_BUILD_DIR:-build-bench}

cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVORLANE_BENCH=ON \
      -DVORLANE_TESTS=OFF >/dev/null
cmake --build "$BUILD" >/dev/null

# BENCH_VORLANE times another build of vorlane on the same recordings (before
# and after a change); it runs only the 8- and 16-bit rows of the letter
# options, which every build reads.
VORLANE=${BENCH_VORLANE:-$PWD/$BUILD/src/vorlane}
ALL_ROWS=${BENCH_VORLANE:-yes}
[ "$ALL_ROWS" = yes ] || ALL_ROWS=
SYNTH=$PWD/$BUILD/tools/synth/vorlane-synth
MAKE_IMAGE=$PWD/$BUILD/bench/vorlane_bench_make_image
READ=$PWD/$BUILD/bench/vorlane_bench_chunked_read
TIMED=$PWD/$BUILD/bench/vorlane_bench_timed_run
DATA=$PWD/$BUILD/bench-data
SCRATCH=$(mktemp -d)
trap 'rm -rf "$SCRATCH"' EXIT
mkdir -p "$DATA"

# Six blocks of 16 KiB random data, about 3.6 minutes of tape each.
images=()
for i in 1 2 3 4 5 6; do
    img=$DATA/block$i.htp
    [ -f "$img" ] || "$MAKE_IMAGE" "$img" "BLOCK$i" 16384 "$i"
    images+=("$img")
done

make_wav() {  # name, synth flags...
    local out=$DATA/$1
    shift
    [ -f "$out" ] || "$SYNTH" "$@" -P 2 -o "$out" "${images[@]}"
}
make_wav tape8.wav -b 8
make_wav tape8r.wav -b 8 -r
make_wav tape16.wav -b 16
make_wav tape16s.wav -b 16 -c 2
make_wav tape24.wav -b 24
make_wav tape32.wav -b 32
make_wav tapef32.wav -F
[ -f "$DATA/minute8.wav" ] || "$SYNTH" -b 8 -E 45 -o "$DATA/minute8.wav" "$DATA/block1.htp"
[ -f "$DATA/hour8.wav" ] || "$SYNTH" -b 8 -P 2 -o "$DATA/hour8.wav" \
    "${images[@]}" "${images[@]}" "${images[@]}"

# Every recording must really decode, or the timings mean nothing.
check_decodes() {  # wav, expected images, vorlane options...
    local got
    got=$(cd "$SCRATCH" && "$VORLANE" "${@:3}" -i "$DATA/$1" 2>/dev/null | tail -n 1)
    rm -f "$SCRATCH"/*.htp
    if [ "$got" != "Finished writing output file(s). $2 file(s) created." ]; then
        echo "bench: $1 does not decode to $2 images: $got" >&2
        exit 1
    fi
}
check_decodes tape8.wav 6
check_decodes tape8r.wav 6 -r
check_decodes tape16.wav 6
check_decodes tape16s.wav 6
check_decodes minute8.wav 1
check_decodes hour8.wav 18
if [ -n "$ALL_ROWS" ]; then
    check_decodes tape24.wav 6
    check_decodes tape32.wav 6
    check_decodes tapef32.wav 6
    # The recovering decoder must find the same blocks.
    check_decodes tape16.wav 6 --recover
    check_decodes hour8.wav 18 --recover
fi

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# Median wall seconds and the largest peak RSS over RUNS runs (one warm-up).
measure() {  # command...
    local walls=() rss=0 line
    "$TIMED" "$SCRATCH" "$@" >/dev/null
    for _ in $(seq "$RUNS"); do
        line=$("$TIMED" "$SCRATCH" "$@")
        walls+=("${line%% *}")
        local r
        r=$(echo "$line" | awk '{ print $2 }')
        [ "$r" -gt "$rss" ] && rss=$r
        rm -f "$SCRATCH"/*.htp "$SCRATCH"/raw.bin
    done
    echo "$(printf '%s\n' "${walls[@]}" | median) $rss"
}

printf '%-26s %10s %12s %10s %10s\n' case median_s Msamples/s vs_read peak_RSS_KiB
run_case() {  # label, wav, bytes per frame, vorlane options...
    local label=$1 wav=$DATA/$2 frame=$3
    shift 3
    local size samples base t
    size=$(stat -c %s "$wav")
    samples=$(( (size - 44) / frame ))
    base=$(measure "$READ" "$wav" | awk '{ print $1 }')
    read -r t rss < <(measure "$VORLANE" "$@" -i "$wav")
    awk -v l="$label" -v t="$t" -v s="$samples" -v b="$base" -v r="$rss" \
        'BEGIN { printf "%-26s %10.4f %12.0f %10.2f %10d\n", l, t, s / t / 1e6, t / b, r }'
}

run_case "8-bit default" tape8.wav 1
run_case "8-bit -v -g 6 -t 20" tape8.wav 1 -v -g 6 -t 20
run_case "8-bit inverted, -r" tape8r.wav 1 -r
run_case "8-bit -f -m" tape8.wav 1 -f -m
run_case "16-bit default" tape16.wav 2
run_case "16-bit -v -g 6 -t 20" tape16.wav 2 -v -g 6 -t 20
run_case "16-bit -f -m" tape16.wav 2 -f -m
run_case "16-bit stereo default" tape16s.wav 4
run_case "16-bit stereo -f -m" tape16s.wav 4 -f -m
run_case "8-bit 1 minute default" minute8.wav 1
run_case "8-bit 60 minutes default" hour8.wav 1
run_case "8-bit 60 minutes -f -m" hour8.wav 1 -f -m
[ -n "$ALL_ROWS" ] || exit 0
run_case "24-bit default" tape24.wav 3
run_case "32-bit default" tape32.wav 4
run_case "32-bit float default" tapef32.wav 4

recover_case() { run_case "$@" --recover; }
recover_case "16-bit --recover" tape16.wav 2
recover_case "16-bit stereo --recover" tape16s.wav 4
recover_case "8-bit 1 minute --recover" minute8.wav 1
recover_case "8-bit 60 minutes --recover" hour8.wav 1

# --analyze: the recovering decoder's pass and the level pass over the file.
run_case "16-bit --analyze --plot" tape16.wav 2 --analyze --plot "$SCRATCH/plot.svg"
run_case "8-bit 60 minutes --analyze" hour8.wav 1 --analyze

# The page in headless Chromium (when `make web` has built it): the same
# 60-minute recording, the renderer's memory, the live decoder's share.
if [ -f build-web/index.html ] && [ -x /usr/bin/chromium ]; then
    [ -f "$DATA/live48.wav" ] || "$SYNTH" -b 16 -s 48000 -o "$DATA/live48.wav" "$DATA/block1.htp"
    node bench/web_bench.mjs build-web "$DATA" "$RUNS" "${BENCH_LIVE_SECONDS:-60}"
fi
