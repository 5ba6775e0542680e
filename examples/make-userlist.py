#!/usr/bin/env python3
"""Writes a UserList.dat: the archive of a map from each student's folder name
to the student's name (16-bit count, then length-prefixed 8-bit strings).

usage: make-userlist.py OUTPUT FOLDER=NAME ...
"""
import sys


def count(n):
    if n < 0xFFFF:
        return n.to_bytes(2, "little")
    return b"\xff\xff" + n.to_bytes(4, "little")


def string(text):
    data = text.encode("utf-8")
    n = len(data)
    if n < 0xFF:
        prefix = bytes([n])
    elif n < 0xFFFE:
        prefix = b"\xff" + n.to_bytes(2, "little")
    else:
        prefix = b"\xff\xff\xff" + n.to_bytes(4, "little")
    return prefix + data


def main(argv):
    if len(argv) < 2:
        sys.exit(__doc__)
    pairs = [arg.split("=", 1) for arg in argv[2:]]
    out = count(len(pairs)) + b"".join(string(k) + string(v) for k, v in pairs)
    with open(argv[1], "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main(sys.argv)
