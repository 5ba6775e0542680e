#!/usr/bin/env python3
"""Writes a UserList.dat: the archive of a map from each student's folder name
to the student's name (16-bit count, then length-prefixed 8-bit strings).

usage: make-userlist.py [--encoding=NAME] OUTPUT FOLDER=NAME ...

The strings are written in UTF-8, or in the encoding named (cp1252 writes the
list as the learning product does).
"""
import sys


def count(n):
    if n < 0xFFFF:
        return n.to_bytes(2, "little")
    return b"\xff\xff" + n.to_bytes(4, "little")


def string(text, encoding):
    data = text.encode(encoding)
    n = len(data)
    if n < 0xFF:
        prefix = bytes([n])
    elif n < 0xFFFE:
        prefix = b"\xff" + n.to_bytes(2, "little")
    else:
        prefix = b"\xff\xff\xff" + n.to_bytes(4, "little")
    return prefix + data


def main(argv):
    args = argv[1:]
    encoding = "utf-8"
    if args and args[0].startswith("--encoding="):
        encoding = args.pop(0).split("=", 1)[1]
    if not args:
        sys.exit(__doc__)
    pairs = [arg.split("=", 1) for arg in args[1:]]
    out = count(len(pairs)) + b"".join(
        string(k, encoding) + string(v, encoding) for k, v in pairs)
    with open(args[0], "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main(sys.argv)
