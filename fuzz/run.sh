#!/usr/bin/env bash
# Builds the libFuzzer targets (build-fuzz, clang) and runs each for SECONDS.
#   bash fuzz/run.sh SECONDS [target...]     targets: header conversion
# The committed seed corpus (small recordings from the tests' tape signal and
# vorlane-synth, behind their option bytes) is copied to a scratch folder
# first, so a run never changes it. Any crash, sanitizer report, leak or timeout fails the script;
# the input that caused it is kept under build-fuzz/artifacts/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

seconds=${1:?usage: fuzz/run.sh SECONDS [target...]}
shift
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(header conversion)
build=$(realpath -m "${FUZZ_BUILD_DIR:-build-fuzz}")

if [ ! -f "$build/build.ninja" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORLANE_FUZZ=ON -DVORLANE_TESTS=OFF >/dev/null
fi
cmake --build "$build" --target $(printf 'fuzz_%s ' "${targets[@]}")

scratch=$(mktemp -d "${TMPDIR:-/tmp}/vorlane-fuzz-run.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

failed=0
for target in "${targets[@]}"; do
    corpus="$scratch/$target"
    artifacts="$build/artifacts/$target"
    mkdir -p "$corpus" "$artifacts"
    cp fuzz/corpus/"$target"/* "$corpus"/
    echo "== fuzz_$target for ${seconds}s"
    # fuzz_conversion changes directory, so every path it gets is absolute.
    # -close_fd_mask=2 silences the converter's standard error; libFuzzer and
    # the sanitizers keep reporting on a copy of it.
    if ! "$build/fuzz/fuzz_$target" "$corpus" \
        -max_total_time="$seconds" -dict="$root/fuzz/vorlane.dict" -max_len=65536 \
        -rss_limit_mb=2048 -timeout=30 -close_fd_mask=2 -print_final_stats=1 \
        -artifact_prefix="$artifacts/" 2>"$scratch/$target.log"; then
        failed=1
        tail -n 60 "$scratch/$target.log"
        echo "fuzz_$target FAILED; the input is in $artifacts/"
        continue
    fi
    grep -E '^#[0-9]+.*DONE|stat::number_of_executed_units' "$scratch/$target.log" | tail -n 2
done
exit $failed
