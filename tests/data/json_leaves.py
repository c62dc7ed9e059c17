# Reads a JSON file with Python's parser and prints every leaf on a line:
# its path (keys as hex of their bytes, read as Latin-1; as text after
# --text-keys), then "s" and the hex of a string's bytes, or the value as
# JSON. Exit code 1 if it does not parse.
import json
import sys


def walk(path, value):
    if isinstance(value, dict):
        for key, item in value.items():
            walk(path + "." + (key if text_keys else key.encode("latin-1").hex()), item)
    elif isinstance(value, list):
        for i, item in enumerate(value):
            walk("%s[%d]" % (path, i), item)
    elif isinstance(value, str):
        print(path, "s", value.encode("latin-1").hex())
    else:
        print(path, json.dumps(value))


text_keys = sys.argv[1] == "--text-keys"
try:
    with open(sys.argv[-1], "rb") as f:
        document = json.loads(f.read().decode("ascii"))
except (ValueError, UnicodeError) as e:
    print("does not parse:", e)
    sys.exit(1)
walk("", document)
