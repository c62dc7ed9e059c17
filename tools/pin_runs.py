#!/usr/bin/env python3
"""Writes the expected runs of the pinned-runs test anew from a build.

  python3 tools/pin_runs.py [BUILD_DIR]      (default: build)

For every row of tests/data/pinned_runs.txt it plays the test's tape (the
block "PIN", every byte value twice, recorded twice) with vorlane-synth and
the row's options, runs vorlane on it with the row's options and
"--report r.json", and writes tests/data/pinned/NAME.txt: standard output,
standard error, the record, then every other file the run wrote by its hash. Run it
after a change meant to alter what a pinned run prints or writes, and read
the diff before committing it: every changed line must be one you meant.
"""

import os
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def pin_tape() -> bytes:
    data = bytes(range(256)) * 2
    return (bytes(256) + b'\xa5' + b'PIN\0' + (0x4000).to_bytes(2, 'little') +
            len(data).to_bytes(2, 'little') + data + bytes([sum(data) & 0xFF, 0]))


def fingerprint(data: bytes) -> str:
    h = 0xcbf29ce484222325
    for b in data:
        h = ((h ^ b) * 0x100000001b3) & 0xFFFFFFFFFFFFFFFF
    return f'fnv1a64:{h:016x} {len(data)}'


def pinned_run(build: str, synth_options: str, options: str) -> bytes:
    with tempfile.TemporaryDirectory() as scratch, tempfile.TemporaryDirectory() as run:
        tape = os.path.join(scratch, 'pin.htp')
        with open(tape, 'wb') as f:
            f.write(pin_tape())
        subprocess.run([os.path.join(build, 'tools/synth/vorlane-synth'), *synth_options.split(),
                        '-o', os.path.join(run, 'in.wav'), tape, tape], check=True)
        p = subprocess.run([os.path.join(build, 'src/vorlane'), *options.split(), '--report',
                            'r.json', '-i', 'in.wav'], cwd=run, capture_output=True)
        written = p.stdout + p.stderr + open(os.path.join(run, 'r.json'), 'rb').read()
        for name in sorted(os.listdir(run)):
            if name not in ('in.wav', 'r.json'):
                data = open(os.path.join(run, name), 'rb').read()
                written += f'{name} {fingerprint(data)}\n'.encode()
        return written


def main() -> int:
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, 'build'))
    rows = open(os.path.join(ROOT, 'tests/data/pinned_runs.txt'), encoding='utf-8')
    for line in rows.read().splitlines():
        if not line or line.startswith('#'):
            continue
        name, synth_options, options = line.split(' | ')
        with open(os.path.join(ROOT, 'tests/data/pinned', name + '.txt'), 'wb') as f:
            f.write(pinned_run(build, synth_options, options))
        print(name)
    return 0


if __name__ == '__main__':
    sys.exit(main())
