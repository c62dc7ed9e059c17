#!/usr/bin/env bash
# Large-input check, not part of the default test run:
#   bash tools/large_input_check.sh [BUILD_DIR]      (default: build)
#
# Makes a recording of more than 4 GiB: a 16-bit mono 44100 Hz file whose
# first 4.5 GiB of samples are a sparse hole (zero bytes are 16-bit silence)
# followed by a short tape played by vorlane-synth. vorlane must find the
# tape with byte offsets past 2^32 in its sync line, write the same image as
# from the short recording alone, and keep its memory small whatever the
# length. Prints the file size, the wall time and the peak resident memory.
set -euo pipefail
cd "$(dirname "$0")/.."

build=$(realpath "${1:-build}")
vorlane="$build/src/vorlane"
synth="$build/tools/synth/vorlane-synth"
[ -x "$vorlane" ] && [ -x "$synth" ] || cmake --build "$build" --target vorlane vorlane-synth
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (apt-get install time)" >&2; exit 1; }

# Silence ahead of the tape: 4.5 GiB, a whole number of 2-byte frames.
silence_bytes=$((9 * 512 * 1024 * 1024))
max_rss_kib=${MAX_RSS_KIB:-65536}

work=$(mktemp -d "${TMPDIR:-/tmp}/vorlane-large.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

# A one-block HTP image: 256 zeros, sync, "LARGE", address 4000h, 5 bytes of
# data, their checksum (0x14) and the end marker.
{
    head -c 256 /dev/zero
    printf '\xA5LARGE\x00\x00\x40\x05\x00hello\x14\x00'
} > large.htp
"$synth" -s 44100 -b 16 -c 1 -o tape.wav large.htp
[ "$(dd if=tape.wav bs=1 skip=36 count=4 2>/dev/null)" = data ] ||
    { echo "tape.wav: expected a canonical 44-byte header" >&2; exit 1; }

# The short recording alone: the reference offsets and image.
mkdir small && (cd small && "$vorlane" -i ../tape.wav > out.txt 2> err.txt)
small_offset=$(sed -n 's/^Sync found at offset: \([0-9]*\) .*/\1/p' small/err.txt)
[ -n "$small_offset" ] || { echo "the short recording did not decode:" >&2; cat small/err.txt >&2; exit 1; }

# The large recording: canonical header with a streamed size field, the hole,
# then the tape's samples.
{
    printf 'RIFF\xFF\xFF\xFF\xFFWAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00'
    printf '\x44\xAC\x00\x00\x88\x58\x01\x00\x02\x00\x10\x00data\xFF\xFF\xFF\xFF'
} > large.wav
truncate -s $((44 + silence_bytes)) large.wav
tail -c +45 tape.wav >> large.wav
size=$(stat -c %s large.wav)

mkdir big
start=$(date +%s.%N)
(cd big && /usr/bin/time -v -o ../time.txt "$vorlane" -i ../large.wav > out.txt 2> err.txt)
end=$(date +%s.%N)
rss_kib=$(sed -n 's/.*Maximum resident set size (kbytes): //p' time.txt)

expected_offset=$((small_offset + silence_bytes))
expected_time=$(awk -v o="$expected_offset" 'BEGIN { printf "%f", (o - 44) / 44100 / 2 }')
expected_sync=$(printf 'Sync found at offset: %d (0x%08X) time: %s sec.' \
    "$expected_offset" "$expected_offset" "$expected_time")

failed=0
check() { if ! eval "$2"; then echo "FAILED: $1" >&2; failed=1; fi; }
check "the sync line: $expected_sync" '[ "$(grep "^Sync found" big/err.txt)" = "$expected_sync" ]'
check "one file written" \
    '[ "$(tail -n 1 big/out.txt)" = "Finished writing output file(s). 1 file(s) created." ]'
check "the image equals the one of the short recording" \
    'cmp -s small/*.htp big/*.htp && cmp -s large.htp big/*.htp'
check "peak memory ${rss_kib} KiB within ${max_rss_kib} KiB" '[ "$rss_kib" -le "$max_rss_kib" ]'

printf 'file size: %d bytes (%.2f GiB)\n' "$size" "$(awk -v s="$size" 'BEGIN { print s / 2^30 }')"
printf 'wall time: %.2f s\n' "$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')"
printf 'peak RSS: %d KiB\n' "$rss_kib"
grep '^Sync found' big/err.txt
[ $failed -eq 0 ] && echo "large-input check passed"
exit $failed
