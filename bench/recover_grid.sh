#!/usr/bin/env bash
# The --recover grid: plays 8 blocks of 300 bytes per cell through vorlane-synth
# with one degradation per row, in three shapes, and counts the blocks whose
# image came out byte for byte (recovered) and the images whose bytes were
# never on the tape (wrong). Then Gaussian timing jitter over several seeds;
# the false-acceptance run: damaged blocks well past the targets, where every
# image written must still be right, with the readings tried and the checksum
# matches refused; and 10-minute recordings of noise, hum and silence, which
# must give no image.
#   Usage: bench/recover_grid.sh [DAMAGED_RECORDINGS]   (default 1250, 16 blocks each)
set -euo pipefail
cd "$(dirname "$0")/.."
DAMAGED=${1:-1250}
source bench/common.sh
W=$(mktemp -d)
trap 'rm -rf "$W"' EXIT
RECOVER=(--recover)

# Decodes $1 in a fresh folder; prints "recovered wrong" against the images in $2.
score() {
    local out=$W/out good=0 bad=0 f
    rm -rf "$out" && mkdir "$out"
    (cd "$out" && "$VORLANE" "${RECOVER[@]}" -i "$1" >/dev/null 2>&1) || true
    for f in "$out"/*.htp; do
        [ -e "$f" ] || continue
        if cmp -s "$f" "$2/b$(basename "$f" .htp | sed 's/.*_B//').htp"; then
            good=$((good + 1))
        else
            bad=$((bad + 1))
        fi
    done
    echo "$good $bad"
}

ROWS=(
    "clean|-b 16"
    "8-bit|-b 8"
    "noise 12 dB|-b 16 -n 12"
    "noise 20 dB|-b 16 -n 20"
    "DC +0.5|-b 16 -d 0.5"
    "DC -0.5|-b 16 -d -0.5"
    "-50 dBFS|-b 16 -a 0.00316"
    "full scale|-b 16 -a 1"
    "inverted|-b 16 -r"
    "speed +10%|-b 16 --speed 10"
    "speed -10%|-b 16 --speed -10"
    "wow 2%|-b 16 -W 2"
    "jitter 100 us|-b 16 -j 100"
    "Gaussian 80 us|-b 16 --jitter-sd 80"
    "Gaussian 100 us|-b 16 --jitter-sd 100"
    "combination|-b 16 -a 0.2 -d -0.2 -n 20 --jitter-sd 80 -W 2"
    "11025 Hz|-b 16 -s 11025"
    "22050 Hz|-b 16 -s 22050"
    "48000 Hz|-b 16 -s 48000"
    "96000 Hz|-b 16 -s 96000"
    "192000 Hz|-b 16 -s 192000"
    "stereo|-b 16 -c 2"
    "right channel|-b 16 -c 2 -C 2"
    "hum -10 dB|-b 16 --hum 10"
    "band-limited|-b 16 --highpass 300 --lowpass 3000"
    "clipped|-b 16 --clip 0.5"
    "24-bit|-b 24"
    "float|-F"
    "A-law|--alaw"
)

make_images "$W/img" 8 300 100
printf '%-16s %14s %14s %14s\n' degradation pulse square sine
total_bad=0
for row in "${ROWS[@]}"; do
    label=${row%%|*}
    read -r -a flags <<<"${row#*|}"
    line=$(printf '%-16s' "$label")
    for shape in pulse square sine; do
        "$SYNTH" "${flags[@]}" -w "$shape" -P 1 -o "$W/t.wav" "$W"/img/b*.htp
        read -r good bad < <(score "$W/t.wav" "$W/img")
        total_bad=$((total_bad + bad))
        line+=$(printf ' %9s wr %d' "$good/8" "$bad")
    done
    echo "$line"
done
echo "wrong images in the grid: $total_bad"

# Gaussian jitter and the combination over more seeds: 3 shapes x 6 seeds x 8 blocks.
GAUSS=("Gaussian 80 us|--jitter-sd 80" "Gaussian 100 us|--jitter-sd 100"
       "combination|-a 0.2 -d -0.2 -n 20 --jitter-sd 80 -W 2")
for row in "${GAUSS[@]}"; do
    read -r -a flags <<<"${row#*|}"
    good_sum=0 bad_sum=0
    for seed in 1 2 3 4 5 6; do
        for shape in pulse square sine; do
            "$SYNTH" -b 16 "${flags[@]}" -w "$shape" -R "$seed" -P 0.3 -o "$W/t.wav" "$W"/img/b*.htp
            read -r good bad < <(score "$W/t.wav" "$W/img")
            good_sum=$((good_sum + good)) bad_sum=$((bad_sum + bad))
        done
    done
    printf '%-16s %d/144 recovered (%d %%), %d wrong\n' "${row%%|*}" "$good_sum" \
        $((good_sum * 100 / 144)) "$bad_sum"
done

# Damaged blocks, 16 of 100 bytes a recording: Gaussian jitter of 110-170 us,
# noise at 3-9 dB, flutter of 5-15 % at 2-8 Hz, combinations, dropouts and
# noise bursts. Most are beyond reading, so chance checksum matches among the
# readings tried are likely; none may become an image.
make_images "$W/dmg" 16 100 900
DAMAGE=("--jitter-sd 110" "--jitter-sd 130" "--jitter-sd 150" "--jitter-sd 170"
        "-n 3" "-n 5" "-n 7 --jitter-sd 120" "-n 9 --jitter-sd 110"
        "-W 5 --wow-hz 2 --jitter-sd 130" "-W 10 --wow-hz 4" "-W 15 --wow-hz 8"
        "-W 12 --wow-hz 6 -n 6" "-n 4 -W 8 --wow-hz 5"
        "--dropouts 4 --dropout-ms 5 --jitter-sd 100" "--bursts 6 --burst-ms 3 -n 14"
        "-n 10 -j 250" "-n 9 -W 4 -j 150" "--jitter-sd 160 -W 10 --wow-hz 3")
blocks=0 good_total=0 bad_total=0 readings=0 refused=0
for k in $(seq 1 "$DAMAGED"); do
    shapes=(pulse square sine)
    read -r -a flags <<<"${DAMAGE[$((k % ${#DAMAGE[@]}))]}"
    "$SYNTH" -b 16 -w "${shapes[$((k % 3))]}" -R "$k" -P 0.3 "${flags[@]}" \
        -o "$W/d.wav" "$W"/dmg/b*.htp
    read -r good bad < <(score "$W/d.wav" "$W/dmg")
    read -r tried matched < <("$VORLANE" --analyze -i "$W/d.wav" 2>/dev/null | awk '
        /no doubtful pulse/ { t += 1 }
        /reading\(s\) tried/ { for (i = 1; i < NF; ++i) {
            if ($(i + 1) == "reading(s)") t += $i
            if ($(i + 1) == "checksum") m += $i } }
        END { print t + 0, m + 0 }')
    blocks=$((blocks + 16)) good_total=$((good_total + good)) bad_total=$((bad_total + bad))
    readings=$((readings + tried)) refused=$((refused + matched))
done
echo "damaged blocks: $blocks, recovered $good_total, beyond reading $((blocks - good_total))," \
    "readings tried $readings, checksum matches refused $refused, written wrong: $bad_total"

# Ten minutes of noise, of hum and of silence: no image may come out.

noise_only() {  # label, synth flags for a recording with nothing on it
    local n
    n=$(cd "$W" && "$VORLANE" "${RECOVER[@]}" -i "$2" 2>/dev/null | tail -n 1)
    echo "$1: $n"
}
# vorlane-synth plays images only: record 10 minutes of lead-in before one
# image and cut the file where the image would start.
ten_minutes() {  # out, synth flags...
    local out=$1
    shift
    "$SYNTH" -b 16 -B 600 -E 0 "$@" -o "$out" "$W/img/b1.htp"
    truncate -s $((44 + 600 * 44100 * 2)) "$out"
}
ten_minutes "$W/silence.wav"
noise_only "silence, 10 min" "$W/silence.wav"
ten_minutes "$W/noise.wav" -n 3 -a 0.3
noise_only "noise, 10 min" "$W/noise.wav"
ten_minutes "$W/hum.wav" --hum 10 -n 30
noise_only "hum, 10 min" "$W/hum.wav"
