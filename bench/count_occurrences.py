#!/usr/bin/env python3
"""Peer of the containment search: counts the non-overlapping occurrences of the bytes of
PART inside HOST (at most 4096, like the program's list), reading HOST through mmap.

usage: count_occurrences.py HOST PART
"""
import mmap
import sys


def main() -> None:
    host_path, part_path = sys.argv[1], sys.argv[2]
    with open(part_path, "rb") as part_file:
        part = part_file.read()
    count = 0
    with open(host_path, "rb") as host_file, mmap.mmap(host_file.fileno(), 0, access=mmap.ACCESS_READ) as host:
        at = host.find(part)
        while at >= 0 and count < 4096:
            count += 1
            at = host.find(part, at + len(part))
    print(count)


if __name__ == "__main__":
    main()
