#!/usr/bin/env python3
"""The Windows build's picture table (ui/win32/embed_pictures.py, Pillow) holds
the same pixels as the one the Qt build decodes (embed_pictures), and the
script refuses a file that is not one of the program's pictures.

    check_picture_tables.py EMBED_PICTURES_PY QT_TABLE.cpp PICTURE.png...
"""
import os
import subprocess
import sys
import tempfile


def body(path):
    with open(path, encoding="ascii") as file:
        lines = file.read().splitlines()
    return lines[1:]  # the first line names the tool that made it


def main(argv):
    script, qt_table, pictures = argv[1], argv[2], argv[3:]
    failures = []
    with tempfile.TemporaryDirectory() as scratch:
        ours = os.path.join(scratch, "pictures.cpp")
        subprocess.run([sys.executable, script, ours, *pictures], check=True)
        a, b = body(qt_table), body(ours)
        if a != b:
            first = next((i for i, (x, y) in enumerate(zip(a, b)) if x != y), min(len(a), len(b)))
            failures.append(f"the tables differ from line {first + 2}: "
                            f"{a[first] if first < len(a) else '<end>'!r} against "
                            f"{b[first] if first < len(b) else '<end>'!r}")
        # A file of another name is refused, saying which, and nothing is written.
        odd = os.path.join(scratch, "logo.png")
        with open(pictures[0], "rb") as source, open(odd, "wb") as copy:
            copy.write(source.read())
        refused = os.path.join(scratch, "refused.cpp")
        run = subprocess.run([sys.executable, script, refused, odd], capture_output=True, text=True)
        if run.returncode == 0 or "logo.png" not in run.stderr or os.path.exists(refused):
            failures.append(f"logo.png was not refused: exit {run.returncode}, {run.stderr!r}")
        # A broken picture is refused with the reason.
        broken = os.path.join(scratch, "bitmap_9.png")
        with open(broken, "wb") as file:
            file.write(b"\x89PNG\r\n\x1a\n broken")
        run = subprocess.run([sys.executable, script, refused, broken], capture_output=True, text=True)
        if run.returncode == 0 or "bitmap_9.png" not in run.stderr or os.path.exists(refused):
            failures.append(f"a broken picture was not refused: exit {run.returncode}, {run.stderr!r}")
    for failure in failures:
        print(failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
