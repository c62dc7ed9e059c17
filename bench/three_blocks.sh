#!/usr/bin/env bash
# A recording of three blocks for showing the run's record: one any decoder
# reads, one at -50 dBFS with timing jitter that only --recover reads (by its
# evidence search), and one under a burst of noise that neither reads (a
# checksum error). Each block is played on its own by vorlane-synth, and the
# three recordings' samples are joined into one.
#   Usage: bench/three_blocks.sh OUT_DIR
# leaves OUT_DIR/three_blocks.wav and OUT_DIR/three_blocks.json, the record of
#   vorlane --recover --output-dir OUT_DIR/images --report three_blocks.json
set -euo pipefail
cd "$(dirname "$0")/.."
OUT=$(realpath -m "${1:?usage: bench/three_blocks.sh OUT_DIR}")
source bench/common.sh
mkdir -p "$OUT"
cd "$OUT"

"$MAKE_IMAGE" good.htp GOOD 200 1
"$MAKE_IMAGE" quiet.htp QUIET 200 2
"$MAKE_IMAGE" noisy.htp NOISY 200 3
"$SYNTH" -b 16 -B 0.5 -E 0.2 -o part1.wav good.htp >/dev/null
"$SYNTH" -b 16 -B 0.3 -E 0.2 -a 0.003 --jitter-sd 80 -R 3 -o part2.wav quiet.htp >/dev/null
"$SYNTH" -b 16 -B 0.3 -E 0.5 --bursts 1 --burst-ms 20 -R 5 -o part3.wav noisy.htp >/dev/null
python3 - <<'EOF'
import wave
with wave.open("three_blocks.wav", "wb") as out:
    for i, name in enumerate(["part1.wav", "part2.wav", "part3.wav"]):
        with wave.open(name, "rb") as part:
            if i == 0:
                out.setparams(part.getparams())
            out.writeframes(part.readframes(part.getnframes()))
EOF
rm -f part1.wav part2.wav part3.wav
echo "default options: $("$VORLANE" -i three_blocks.wav --output-dir default 2>/dev/null | tail -n 1)"
rm -rf default
"$VORLANE" --recover --output-dir images --report three_blocks.json -i three_blocks.wav
