#!/usr/bin/env python3
"""Runs two builds of vorlane over the same recordings and option sets and
compares everything they do: standard output, standard error, exit code and
every file written, byte for byte.

Usage: tools/compare_builds.py OLD_VORLANE NEW_VORLANE [SYNTH]

The recordings are made with vorlane-synth (next to NEW_VORLANE's build by
default). Prints one line per difference and the count of identical cases;
exits 1 when any case differs.
"""
import os
import shutil
import subprocess
import sys
import tempfile


def block(name, data, marker=0x00, leader=256):
    body = bytes([0xA5]) + name + b"\0"
    body += (0x4000).to_bytes(2, "little") + len(data).to_bytes(2, "little")
    return bytes(leader) + body + data + bytes([sum(data) & 0xFF, marker])


def images(work):
    """A few tape images: plain, odd names, a chain, a long block."""
    made = {}
    demo = os.path.join(os.path.dirname(__file__), "..", "demo", "hello.htp")
    made["hello"] = os.path.abspath(demo)
    specs = {
        "odd": block(b"A/B\\C D", bytes(range(200))),
        "empty": block(b"", b"\x01\x02\x03"),
        "chain": block(b"PROG", bytes(300), 0xD8)
        + block(b"", bytes(range(256)) * 2, 0xD8, 128)
        + block(b"", b"end", 0x00, 128),
        "long": block(b"BIG", bytes((i * 7) & 0xFF for i in range(3000))),
    }
    for key, content in specs.items():
        path = os.path.join(work, key + ".htp")
        with open(path, "wb") as f:
            f.write(content)
        made[key] = path
    return made


def recordings(synth, work):
    img = images(work)
    plain = [img["hello"], img["odd"]]
    wavs = {}

    def make(name, flags, imgs):
        out = os.path.join(work, name)
        subprocess.run([synth, *flags, "-o", out, *imgs], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wavs[name] = out

    make("m8.wav", ["-b", "8"], plain + [img["empty"]])
    make("m16.wav", ["-b", "16"], plain)
    make("m24.wav", ["-b", "24", "-r"], plain)
    make("f32.wav", ["-F"], plain)
    make("st16.wav", ["-b", "16", "-c", "2", "-C", "2"], plain)
    make("chain.wav", ["-b", "8"], [img["chain"], img["hello"]])
    make("noisy.wav", ["-b", "16", "-n", "14", "-a", "0.3", "-d", "0.1",
                       "-W", "2", "-j", "60"], plain + [img["long"]])
    make("damaged.wav", ["-b", "16", "--dropouts", "3", "--hum", "10",
                         "--speed", "6"], plain + [img["chain"]])
    make("odd name 'x'.wav", ["-b", "8", "-s", "22050", "-x"], plain)
    # Many reads of the input buffer, frames cut by them, chunks before the data.
    make("long24.wav", ["-b", "24", "-n", "20", "-P", "3", "--hum", "15"],
         [img["hello"], img["long"], img["chain"]])
    make("junk.wav", ["-b", "16", "-c", "2", "--junk", "--list-text", "hi", "-W", "3",
                      "-j", "80", "--dropouts", "2"], [img["odd"], img["long"]])
    with open(wavs["m16.wav"], "rb") as f:
        whole = f.read()
    cut = os.path.join(work, "cut.wav")
    with open(cut, "wb") as f:
        f.write(whole[: len(whole) * 2 // 3 + 1])
    wavs["cut.wav"] = cut
    notwav = os.path.join(work, "notwav.wav")
    with open(notwav, "wb") as f:
        f.write(b"This is no recording at all." * 10)
    wavs["notwav.wav"] = notwav
    empty = os.path.join(work, "empty.wav")
    open(empty, "wb").close()
    wavs["empty.wav"] = empty
    return wavs


# Option sets; IN is replaced by the recording's path.
OPTION_SETS = [
    [], ["-v"], ["-f"], ["-m"], ["-f", "-m", "-g", "6"], ["-r"], ["-t", "20"],
    ["-s", "48000"], ["-o", "raw.bin"], ["-v", "-o", "raw.bin", "-f"],
    ["--recover"], ["--recover", "-v"], ["--recover", "-f", "-r"],
    ["--join"], ["--join", "-v"], ["--analyze"], ["--analyze", "--plot", "p.svg"],
    ["--channel", "2"], ["--recover", "--channel", "2"], ["--join", "--recover"],
    ["--analyze", "--join", "--recover"], ["--plot", "p.svg"],
    ["-o", "raw.bin", "--recover"], ["-m", "-s", "8000"],
]


def run_one(binary, args, folder):
    os.makedirs(folder)
    # argv[0] is the same for both, since messages name the program.
    p = subprocess.run(["vorlane", *args], executable=binary, cwd=folder,
                       capture_output=True, timeout=300)
    files = {}
    for name in sorted(os.listdir(folder)):
        with open(os.path.join(folder, name), "rb") as f:
            files[name] = f.read()
    return p.returncode, p.stdout, p.stderr, files


def describe(old, new):
    what = []
    for i, label in enumerate(["exit code", "stdout", "stderr"]):
        if old[i] != new[i]:
            what.append(label)
    for name in sorted(set(old[3]) | set(new[3])):
        if old[3].get(name) != new[3].get(name):
            what.append("file " + name)
    return ", ".join(what)


def main():
    if len(sys.argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    old_bin, new_bin = (os.path.abspath(a) for a in sys.argv[1:3])
    synth = sys.argv[3] if len(sys.argv) > 3 else os.path.join(
        os.path.dirname(new_bin), "..", "tools", "synth", "vorlane-synth")
    work = tempfile.mkdtemp(prefix="vorlane-compare-")
    try:
        wavs = recordings(os.path.abspath(synth), work)
        same = 0
        differ = 0
        case = 0
        written = 0
        for wav_name, wav in sorted(wavs.items()):
            for opts in OPTION_SETS:
                case += 1
                args = [*opts, "-i", wav]
                base = os.path.join(work, "case%d" % case)
                old = run_one(old_bin, args, base + "-old")
                new = run_one(new_bin, args, base + "-new")
                written += len(new[3])
                if old == new:
                    same += 1
                else:
                    differ += 1
                    print("DIFF %s %s: %s" % (wav_name, " ".join(opts), describe(old, new)))
                shutil.rmtree(base + "-old")
                shutil.rmtree(base + "-new")
        # Cases of their own: an output named like the input, the plot over -o.
        extra = [
            ["-o", "IN", "-i", "IN"],
            ["--analyze", "-o", "raw.bin", "--plot", "raw.bin", "-i", "IN"],
            ["--analyze", "--plot", "IN", "-i", "IN"],
            ["-h"], ["--help"], [], ["-i", "missing.wav"], ["--chanel", "2"],
        ]
        for opts in extra:
            case += 1
            base = os.path.join(work, "case%d" % case)
            results = []
            for side, binary in (("-old", old_bin), ("-new", new_bin)):
                args = [a if a != "IN" else "in.wav" for a in opts]
                os.makedirs(base + side)
                shutil.copy(wavs["m8.wav"], os.path.join(base + side, "in.wav"))
                p = subprocess.run(["vorlane", *args], executable=binary, cwd=base + side,
                                   capture_output=True, timeout=300)
                files = {}
                for name in sorted(os.listdir(base + side)):
                    with open(os.path.join(base + side, name), "rb") as f:
                        files[name] = f.read()
                results.append((p.returncode, p.stdout, p.stderr, files))
            if results[0] == results[1]:
                same += 1
            else:
                differ += 1
                print("DIFF %s: %s" % (" ".join(opts), describe(*results)))
        print("%d of %d cases identical, %d differ (%d files written by the new build)"
              % (same, same + differ, differ, written))
        return 1 if differ else 0
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    sys.exit(main())
