# Sourced by the bench scripts: builds vorlane, vorlane-synth and the image
# maker in the bench build folder, names them, and makes test images.
BUILD=${BENCH_BUILD_DIR:-build-bench}
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVORLANE_BENCH=ON \
      -DVORLANE_TESTS=OFF >/dev/null
cmake --build "$BUILD" -j2 --target vorlane vorlane-synth vorlane_bench_make_image >/dev/null
VORLANE=$PWD/$BUILD/src/vorlane
SYNTH=$PWD/$BUILD/tools/synth/vorlane-synth
MAKE_IMAGE=$PWD/$BUILD/bench/vorlane_bench_make_image

# Images b1.htp..bCOUNT.htp named B1..BCOUNT of random data.
make_images() {  # dir, count, length, seed base
    mkdir -p "$1"
    for i in $(seq 1 "$2"); do "$MAKE_IMAGE" "$1/b$i.htp" "B$i" "$3" $(( $4 + i )); done
}
