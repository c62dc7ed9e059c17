#!/bin/sh
# Plays the bundled demo image into a recording, converts the recording back
# in a temporary folder and checks that the image came back unchanged.
set -eu
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
synth="$root/$build/tools/synth/vorlane-synth"
vorlane="$root/$build/src/vorlane"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "== vorlane-synth -o demo.wav demo/hello.htp"
"$synth" -o "$work/demo.wav" "$root/demo/hello.htp"
echo "== vorlane -v -i demo.wav"
(cd "$work" && "$vorlane" -v -i demo.wav)
image=$(cd "$work" && ls ./*.htp)
if cmp -s "$work/$image" "$root/demo/hello.htp"; then
    echo "== ${image#./} is byte-identical to demo/hello.htp"
else
    echo "== ${image#./} differs from demo/hello.htp" >&2
    exit 1
fi
