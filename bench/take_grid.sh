#!/usr/bin/env bash
# The --take figures: 10 blocks of 300 bytes played as three takes with
# dropouts placed by different seeds (no take alone reading more than 5 of
# them), then read with --take: blocks recovered and images written wrong,
# with 3 takes and with the first 2. Then a recording of 10 programs each
# saved twice, with dropouts: programs recovered, programs whose copies both
# failed and were merged, wrong images. Last the peak memory per take
# (/usr/bin/time -f %M) and the time against the takes' total length.
#   Usage: bench/take_grid.sh [SEEDS]   (default 6)
set -euo pipefail
cd "$(dirname "$0")/.."
SEEDS=${1:-6}
source bench/common.sh
W=$(mktemp -d)
trap 'rm -rf "$W"' EXIT

# Runs vorlane --recover with the arguments given in a fresh folder; prints
# "recovered wrong" against the images in $W/img (by the name after "_B").
score() {
    local out=$W/out good=0 bad=0 f
    rm -rf "$out" && mkdir "$out"
    (cd "$out" && "$VORLANE" --recover "$@" >"$W/log" 2>&1) || true
    for f in "$out"/*.htp; do
        [ -e "$f" ] || continue
        if cmp -s "$f" "$W/img/b$(basename "$f" .htp | sed 's/.*_B//').htp"; then
            good=$((good + 1))
        else
            bad=$((bad + 1))
        fi
    done
    echo "$good $bad"
}

make_images "$W/img" 10 300 100
printf '%-6s %-16s %-14s %-14s\n' seeds "alone (of 10)" "3 takes" "2 takes"
sum3=0 sum2=0 bad=0
for s in $(seq 1 "$SEEDS"); do
    alone=""
    for k in 1 2 3; do
        "$SYNTH" -b 16 --dropouts 16 -R $((3 * s + k)) -o "$W/k$k.wav" "$W"/img/b*.htp
        read -r good wrong < <(score -i "$W/k$k.wav")
        alone+="$good " bad=$((bad + wrong))
    done
    read -r g3 w3 < <(score -i "$W/k1.wav" --take "$W/k2.wav" --take "$W/k3.wav")
    read -r g2 w2 < <(score -i "$W/k1.wav" --take "$W/k2.wav")
    sum3=$((sum3 + g3)) sum2=$((sum2 + g2)) bad=$((bad + w3 + w2))
    printf '%-6s %-16s %-14s %-14s\n' "$((3 * s + 1))-$((3 * s + 3))" "$alone" \
        "$g3/10 wr $w3" "$g2/10 wr $w2"
done
total=$((10 * SEEDS))
echo "with 3 takes: $sum3/$total blocks; with 2 takes: $sum2/$total; wrong images: $bad"

# Ten programs, each saved twice in a row, dropouts over the whole recording.
twice_good=0 twice_merged=0 twice_bad=0
pairs=()
for i in $(seq 1 10); do pairs+=("$W/img/b$i.htp" "$W/img/b$i.htp"); done
for s in $(seq 1 "$SEEDS"); do
    "$SYNTH" -b 16 --dropouts 24 -R "$s" -o "$W/twice.wav" "${pairs[@]}"
    read -r good wrong < <(score -i "$W/twice.wav")
    names=$(ls "$W/out" | sed 's/.*_B//' | sort -u | wc -l)
    merged=$(grep -c "merged from 2 copies" "$W/log" || true)
    twice_good=$((twice_good + names)) twice_merged=$((twice_merged + merged))
    twice_bad=$((twice_bad + wrong))
done
echo "saved twice: $twice_good/$total programs recovered, $twice_merged of them merged" \
     "from two failed copies, $twice_bad wrong images"

# Takes damaged all over: Gaussian jitter of 70-110 us, noise at 10-13 dB and
# dropouts in each. Merges are tried on readings wrong in many places; none
# may be written wrong.
dmg_good=0 dmg_merged=0 dmg_bad=0
for s in $(seq 1 "$SEEDS"); do
    for k in 1 2 3; do
        "$SYNTH" -b 16 --jitter-sd $((60 + 10 * k + 10 * (s % 3))) -n $((10 + (s + k) % 4)) \
            --dropouts 16 -R $((50 * s + k)) -o "$W/d$k.wav" "$W"/img/b*.htp
    done
    read -r good wrong < <(score -i "$W/d1.wav" --take "$W/d2.wav" --take "$W/d3.wav")
    merged=$(grep -c "Recovered: merged" "$W/log" || true)
    dmg_good=$((dmg_good + good)) dmg_merged=$((dmg_merged + merged)) dmg_bad=$((dmg_bad + wrong))
done
echo "damaged takes: $dmg_good/$total blocks recovered, $dmg_merged of them merged," \
     "$dmg_bad wrong images"

# Memory and time: the same three takes, then takes of 20 and 40 blocks.
for n in 10 20 40; do
    make_images "$W/long$n" "$n" 300 100
    for k in 1 2 3; do
        "$SYNTH" -b 16 --dropouts $((16 * n / 10)) -R $((90 + k)) -o "$W/l$n-$k.wav" "$W/long$n"/b*.htp
    done
done
printf '%-22s %12s %10s %10s %10s\n' run samples "peak KB" seconds Msamples/s
for n in 10 20 40; do
    for takes in 1 2 3; do
        args=(-i "$W/l$n-1.wav")
        [ "$takes" -ge 2 ] && args+=(--take "$W/l$n-2.wav")
        [ "$takes" -ge 3 ] && args+=(--take "$W/l$n-3.wav")
        samples=$(( ($(stat -c %s "$W/l$n-1.wav") - 44) / 2 * takes ))
        rm -rf "$W/out" && mkdir "$W/out"
        stats=$(cd "$W/out" && /usr/bin/time -f '%M %e' "$VORLANE" --recover "${args[@]}" 2>&1 \
                >/dev/null | tail -1)
        read -r kb seconds <<<"$stats"
        printf '%-22s %12d %10s %10s %10s\n' "$n blocks, $takes take(s)" "$samples" "$kb" \
            "$seconds" "$(awk -v n="$samples" -v t="$seconds" 'BEGIN { if (t > 0) printf "%.0f", n / t / 1e6; else printf "-" }')"
    done
done
