# Reads a JSON file with Python's parser and prints every leaf on a line:
# its path, then "s" and a string's text, or the value as JSON. Keys and
# strings of anything but letters, digits, '_' and '-' are given as "x" and
# the hex of their bytes (read as Latin-1). Exit code 1 if it does not parse.
import json
import re
import sys


def text(s):
    return s if re.fullmatch(r"[A-Za-z0-9_-]+", s) else "x" + s.encode("latin-1").hex()


def walk(path, value):
    if isinstance(value, dict):
        for key, item in value.items():
            walk(path + "." + text(key), item)
    elif isinstance(value, list):
        for i, item in enumerate(value):
            walk("%s[%d]" % (path, i), item)
    elif isinstance(value, str):
        print(path, "s", text(value))
    else:
        print(path, json.dumps(value))


try:
    with open(sys.argv[1], "rb") as f:
        document = json.loads(f.read().decode("ascii"))
except (ValueError, UnicodeError) as e:
    print("does not parse:", e)
    sys.exit(1)
walk("", document)
